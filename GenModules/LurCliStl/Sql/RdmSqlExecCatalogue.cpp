// The CREATE, ALTER and DROP dispatch, the sequence statements and
// DESCRIBE. Sequences are rows of SYSDB's "sequencies" (the server draws
// name.nextval from them); each statement works on its own copy of the
// SYSDB description so that it never disturbs the session's record buffers.
#include <string>
#include <vector>

#include "Crt.h"
#include "DbDescError.h"
#include "RdmSqlExec.h"
#include "SqlAscii.h"
#include "lurdbcli.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmSqlExec"};

constexpr const char* kSequenceTable = "sequencies";
constexpr const char* kSequenceKey = "seq_name";

// The description text of one field entry; groups and compound keys have none.
std::string DescribeType(const FieldDesc& desc) {
    switch (desc.type) {
        case 'F': return " NUMBER(20,10)";
        case 'f': return " NUMBER(10,5)";
        case 'c': return " VARCHAR2(" + std::to_string(desc.length) + ")";
        case 'i':
        case 'l': return " NUMBER(10)";
        case 's': return " NUMBER(5)";
        default: return "invalid field";
    }
}

bool IsDataField(const FieldDesc& desc) { return desc.type != 'g' && desc.type != 'k'; }

}  // namespace

// ---- dispatch -------------------------------------------------------------------------------

void RdmSqlExec::Create(SqlTokenIterator& it) {
    m_statementName = "CREATE";
    try {
        CommitOpenTransaction();
        if (Take(it, "SEQUENCE")) {
            m_statementName = "CREATE SEQUENCE";
            return CreateSequence(it);
        }
        if (Take(it, "ROLE")) {
            m_statementName = "CREATE ROLE";
            return CreateUser(it, true);
        }
        if (Take(it, "USER")) {
            m_statementName = "CREATE USER";
            return CreateUser(it, false);
        }
        if (Take(it, "DATABASE")) {
            m_statementName = "CREATE DATABASE";
            return CreateDatabase(it);
        }
        ThrowSyntaxError(2012, it->text, it, Here(__LINE__));
    } catch (const LurExceptBase& error) {
        ThrowPositioned(error, it, Here(__LINE__));
    }
}

void RdmSqlExec::Alter(SqlTokenIterator& it) {
    m_statementName = "ALTER";
    try {
        CommitOpenTransaction();
        if (Take(it, "SEQUENCE")) {
            m_statementName = "ALTER SEQUENCE";
            return AlterSequence(it);
        }
        if (Take(it, "SESSION")) {
            m_statementName = "ALTER SESSION";
            return AlterSession(it);
        }
        if (Take(it, "SYSTEM")) {
            m_statementName = "ALTER SYSTEM";
            return AlterSystem(it);
        }
        if (Take(it, "USER")) {
            m_statementName = "ALTER USER";
            return AlterUser(it);
        }
        if (Take(it, "DATABASE")) {
            m_statementName = "ALTER DATABASE";
            return AlterDatabase(it);
        }
        ThrowSyntaxError(2012, it->text, it, Here(__LINE__));
    } catch (const LurExceptBase& error) {
        ThrowPositioned(error, it, Here(__LINE__));
    }
}

void RdmSqlExec::Drop(SqlTokenIterator& it) {
    m_statementName = "DROP";
    try {
        CommitOpenTransaction();
        if (Take(it, "SEQUENCE")) {
            m_statementName = "DROP SEQUENCE";
            return DropSequence(it);
        }
        if (Take(it, "ROLE")) {
            m_statementName = "DROP ROLE";
            return DropUser(it, true);
        }
        if (Take(it, "USER")) {
            m_statementName = "DROP USER";
            return DropUser(it, false);
        }
        if (Take(it, "DATABASE")) {
            m_statementName = "DROP DATABASE";
            return DropDatabase(it);
        }
        ThrowSyntaxError(2012, it->text, it, Here(__LINE__));
    } catch (const LurExceptBase& error) {
        ThrowPositioned(error, it, Here(__LINE__));
    }
}

// ---- sequences ------------------------------------------------------------------------------

void RdmSqlExec::CreateSequence(SqlTokenIterator& it) {
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable sequences(&catalogue, kSequenceTable);
    m_resultMessage = "Sequence creation failed: " + it->text;
    sequences.ClearRecord();
    sequences.Fld("seq_step").SetInt(1);
    sequences.Fld("seq_id").SetInt(1);
    sequences.Fld(kSequenceKey).SetString(win::crt::UpperCp1250(it->text));
    Advance(it);
    SequenceOptions(it, sequences, true);
    sequences.NewRec();
    m_resultMessage = sequences.Fld(kSequenceKey).GetString() + " sequence created.";
}

void RdmSqlExec::AlterSequence(SqlTokenIterator& it) {
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable sequences(&catalogue, kSequenceTable);
    m_resultMessage = "Sequence alteration failed: " + it->text;
    sequences.Fld(kSequenceKey).SetString(win::crt::UpperCp1250(it->text));
    Advance(it);
    const std::string notFound = sequences.Fld(kSequenceKey).GetString() + " sequence not found.";
    if (!sequences.FindRecByKey(kSequenceKey)) {
        m_resultMessage = notFound;
        return;
    }
    SequenceOptions(it, sequences, false);
    if (!sequences.ModRec()) {
        m_resultMessage = notFound;
        return;
    }
    m_resultMessage = sequences.Fld(kSequenceKey).GetString() + " sequence altered.";
}

void RdmSqlExec::DropSequence(SqlTokenIterator& it) {
    DbDesc catalogue = m_descs.GetDescCopy(DbDescMap::kCatalogueName);
    RdmTable sequences(&catalogue, kSequenceTable);
    m_resultMessage = "Sequence drop failed: " + it->text;
    sequences.Fld(kSequenceKey).SetString(win::crt::UpperCp1250(it->text));
    Advance(it);
    AcceptKeyword(it, ";");
    sequences.DefineKey(kSequenceKey);
    const bool dropped = sequences.DelRec();
    m_resultMessage =
        sequences.Fld(kSequenceKey).GetString() + (dropped ? " sequence dropped." : " sequence not found.");
}

void RdmSqlExec::SequenceOptions(SqlTokenIterator& it, RdmTable& sequences, bool creating) {
    sequences.EndTrans(true);
    // Reads the value after an option word into the field: a number the
    // field holds, or 2006 (text that is no number would be stored as 0).
    auto takeValue = [&](const char* field) {
        sequences.Fld(field).SetCheckedString(it->text);
        Advance(it);
    };
    bool startGiven = false;
    SqlTokenIterator saved = it;
    while (it != m_statementEnd) {
        if (Take(it, ";")) {
        } else if (Take(it, "INCREMENT_BY")) {
            takeValue("seq_step");
        } else if (Take(it, "START")) {
            if (!Take(it, "WITH")) ThrowSyntaxError(2020, "Missing WITH keyword after the START", it, Here(__LINE__));
            takeValue("seq_id");
            startGiven = true;
        } else if (Take(it, "MAXVALUE")) {
            takeValue("seq_max");
        } else if (Take(it, "NOMAXVALUE")) {
            sequences.Fld("seq_max").SetInt(0);
        } else if (Take(it, "MINVALUE")) {
            takeValue("seq_min");
        } else if (Take(it, "NOMINVALUE")) {
            sequences.Fld("seq_min").SetInt(0);
        } else if (Take(it, "CYCLE")) {
            sequences.Fld("seq_recycle").SetInt(1);
        } else if (Take(it, "NOCYCLE")) {
            sequences.Fld("seq_recycle").SetInt(0);
        } else if (Take(it, "CACHE")) {
            takeValue("seq_chace");
        } else if (Take(it, "NOCACHE")) {
            sequences.Fld("seq_chace").SetInt(0);
        }
        if (it == saved) ThrowSyntaxError(2027, it->text, it, Here(__LINE__));
        saved = it;
    }
    // The row must be one the draw serves (the rule is the client library's).
    const int32_t step = sequences.Fld("seq_step").GetLong();
    const int32_t minimum = sequences.Fld("seq_min").GetLong();
    const int32_t maximum = sequences.Fld("seq_max").GetLong();
    const std::string fault =
        lurdbcli::SequenceFault(step, minimum, maximum, sequences.Fld("seq_recycle").GetLong() == 1);
    if (!fault.empty()) ThrowSyntaxError(2022, fault, it, Here(__LINE__));
    // A START WITH must lie within the bounds. Without one a new sequence
    // keeps seq_id 1, which the draw moves up to the bound it starts from
    // (MINVALUE going up, MAXVALUE going down); a 1 past the end it runs to
    // could hand out nothing.
    const long long start = sequences.Fld("seq_id").GetLong();
    const long long low = lurdbcli::SequenceLow(minimum);
    const long long high = lurdbcli::SequenceHigh(maximum);
    const auto bounds = [&] {
        return "MINVALUE..MAXVALUE (" + std::to_string(low) + ".." + std::to_string(high) + ")!";
    };
    if (startGiven && (start < low || start > high))
        ThrowSyntaxError(2022, "START WITH " + std::to_string(start) + " is outside " + bounds(), it, Here(__LINE__));
    if (creating && !startGiven && (step > 0 ? start > high : start < low))
        ThrowSyntaxError(
            2022,
            "Without START WITH the sequence starts at " + std::to_string(start) + ", which is outside " + bounds(), it,
            Here(__LINE__));
}

// ---- DESCRIBE -------------------------------------------------------------------------------

void RdmSqlExec::Describe(SqlTokenIterator& it) {
    m_statementName = "DESCRIBE";
    m_resultMessage = "Invalid object name";
    try {
        m_masterTable = it->text;
        OpenTarget(it);
        const RdmTable table = m_view.Table(m_masterTable);
        Advance(it);
        const StrVector names = table.GetFieldNames();
        std::vector<FieldDesc> entries;
        table.GetFieldDescs(entries);
        // The entries hold groups and compound keys among the data fields:
        // the i-th name belongs to the i-th data entry.
        std::vector<FieldDesc> dataEntries;
        for (const FieldDesc& entry : entries)
            if (IsDataField(entry)) dataEntries.push_back(entry);

        std::string text = "create table " + m_masterTable + "(\r\n";
        for (size_t i = 0; i < names.size(); ++i) {
            text += "  " + names[i] + " ";
            if (i < dataEntries.size()) text += DescribeType(dataEntries[i]);
            text += i + 1 == names.size() ? ");\r\n" : ",\r\n";
        }
        m_resultMessage = text;
    } catch (const LurExceptBase& error) {
        ThrowPositioned(error, it, Here(__LINE__));
    }
}
