// The table import of the SQL session: comma-separated values into one table.
#include <string>
#include <vector>

#include "DbDescError.h"
#include "QuotedValue.h"
#include "RdmFileImport.h"
#include "SqlAscii.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\RdmFileImport"};

constexpr int kTablespaceNotOpen = 2000;
constexpr int kFieldNotFound = 2003;
constexpr int kBadValue = 2006;

// The record's unique keys as messages name values: "key TABLE.FIELD = 'V'"
// (a compound key with each of its fields), keys apart by "; ". A refused
// record does not say which key was taken, so each is named; "" for a table
// without one.
std::string UniqueKeyValues(const DbDesc& desc, const RdmTable& table) {
    const std::string tableName = lurclistl::AsciiUpper(table.GetName());
    std::vector<std::string> names;
    desc.GetFieldNamesByName(tableName, names, true);  // with the compound keys
    std::string text;
    for (const std::string& name : names) {
        if (desc.GetFieldDescByName(tableName, name).keyKind != 'u') continue;
        std::vector<std::string> components;
        desc.GetKeyFieldNames(tableName, name, components);
        std::string key;
        for (const std::string& component : components) {
            const RdmFld& field = table.Fld(component);
            key += (key.empty() ? "key " : ", ") + field.GetTableName() + "." + field.GetName() + " = " +
                   lurquote::QuotedValue(field.GetString());
        }
        text += (text.empty() ? "" : "; ") + key;
    }
    return text;
}

}  // namespace

void RdmFileImport::ReadValue() {
    m_currentValue.clear();
    bool quoted = false;
    const size_t size = m_text.size();
    size_t pos = m_readPosition;
    while (pos < size) {
        const char c = m_text[pos];
        if (c == '\r' || c == '\n' || (c == m_separator && !quoted)) break;
        ++pos;
        if (c == m_escape) {
            // A backslash as the text's last byte has nothing to escape: it
            // stands for itself.
            m_currentValue += pos < size ? m_text[pos++] : c;
        } else if (c == m_quote) {
            quoted = !quoted;
        } else {
            m_currentValue += c;
        }
    }
    if (pos < size) {
        // A carriage return takes the line feed after it along, and only then.
        const bool crLf = m_text[pos] == '\r' && pos + 1 < size && m_text[pos + 1] == '\n';
        pos += crLf ? 2 : 1;
    }
    m_readPosition = static_cast<uint32_t>(pos);
}

void RdmFileImport::ImportTable() {
    const size_t dot = m_target.find('.');
    if (dot == std::string::npos || dot == 0)
        throw DbDescError(kTablespaceNotOpen, Here(__LINE__),
                          StrVector(m_target + ": expected TS.TABLE (tablespace.table)"));
    const std::string tablespace = lurclistl::AsciiUpper(m_target.substr(0, dot));
    const std::string tableName = m_target.substr(dot + 1);
    DbDesc desc = GetDescCopy(tablespace);
    RdmTable table(&desc, tableName);
    const int fieldCount = table.FldCount();
    // Records are counted in fields: without any, no value could ever end one.
    if (fieldCount == 0) throw DbDescError(kFieldNotFound, Here(__LINE__), StrVector(m_target));
    const StrVector names = table.GetFieldNames();

    table.BeginTrans("IMPORT", true);
    int32_t records = 0;
    int field = 0;
    m_readPosition = 0;
    try {
        while (m_readPosition < m_text.size()) {
            if (field == 0) table.ClearRecord();
            ReadValue();
            // A value dropped or stored otherwise would leave a record the
            // file never held: the import stops and keeps nothing.
            RdmFld& target = table.FldAt(static_cast<int16_t>(field));
            const auto record = [&records] { return "record " + std::to_string(records + 1); };
            if (const std::string refusal = target.Refusal(m_currentValue); !refusal.empty())
                throw DbDescError(kBadValue, Here(__LINE__), StrVector(record() + ": " + refusal));
            try {
                target.SetString(m_currentValue);
            } catch (const DbDescError& error) {
                throw DbDescError(error.GetCode(), Here(__LINE__),
                                  StrVector(record() + ", field " + names[field] + ", value " +
                                            lurquote::QuotedValue(m_currentValue)));
            }
            if (++field == fieldCount) {
                try {
                    table.NewRec();
                } catch (const DbDescError& error) {
                    // A record the table refuses (a duplicate key) is named
                    // by its number and its keys.
                    const std::string keys = UniqueKeyValues(desc, table);
                    throw DbDescError(error.GetCode(), Here(__LINE__),
                                      StrVector(record() + (keys.empty() ? "" : ": " + keys)));
                }
                ++records;
                field = 0;
            }
        }
        table.EndTrans(true);
    } catch (const LurExceptBase& error) {
        try {
            table.EndTrans(false);
        } catch (const LurExceptBase&) {
            // the first failure is the one to report
        }
        m_message = error.what();
        throw;
    }
    m_message = std::to_string(records) + " record imported.";
    if (field != 0) {
        m_message += "\r\n" + std::to_string(field) + " values after the last whole record were not imported.";
    }
}
