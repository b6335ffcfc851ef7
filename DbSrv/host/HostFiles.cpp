#include "HostFiles.h"

#include <utility>

#include "QuotedValue.h"
#include "RecordCodec.h"
#include "Sqlite.h"

namespace {

std::string AtLine(int line, const std::string& message) { return "line " + std::to_string(line) + ": " + message; }

// A change's table by "<tablespace>.<table>"; false when the schema has none.
bool FindTable(const std::vector<lurdbcli::TablespaceDef>& schema, const std::string& name,
               const lurdbcli::TablespaceDef*& tablespace, int& tableIndex) {
    const size_t dot = name.find('.');
    if (dot == std::string::npos) return false;
    for (const lurdbcli::TablespaceDef& candidate : schema) {
        if (!lurdbcli::EqualsIgnoreCase(candidate.name, name.substr(0, dot))) continue;
        tableIndex = candidate.TableIndex(name.substr(dot + 1));
        if (tableIndex < 0) return false;
        tablespace = &candidate;
        return true;
    }
    return false;
}

// Fills the record from "<field>=<value>" words; fields not named stay zero.
bool BuildRecord(const lurdbcli::TableDef& table, const std::vector<std::string>& assignments,
                 std::vector<unsigned char>& record, std::string& error) {
    record.assign(static_cast<size_t>(table.RecordSize()), 0);
    for (const std::string& assignment : assignments) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos) {
            error = "expected <field>=<value>, found " + lurquote::QuotedValue(assignment, '"');
            return false;
        }
        const std::string fieldName = assignment.substr(0, equals);
        const int index = table.FieldIndex(fieldName);
        if (index < 0 || !table.fields[static_cast<size_t>(index)].HasValue()) {
            error = "table " + table.name + " has no field \"" + fieldName + "\"";
            return false;
        }
        const lurdbcli::FieldDef& field = table.fields[static_cast<size_t>(index)];
        try {
            const lurdbcli::SqlValue value = lurdbcli::TextToSql(field, assignment.substr(equals + 1));
            lurdbcli::SqlToField(field, value, reinterpret_cast<char*>(record.data()));
        } catch (const lurdbcli::StoreError&) {
            error = "field " + fieldName + " cannot hold " + lurquote::QuotedValue(assignment.substr(equals + 1), '"');
            return false;
        }
    }
    return true;
}

int16_t ChangeType(const std::string& word) {
    if (word == "insert") return TransactionElem::kNew;
    if (word == "delete") return TransactionElem::kDelete;
    if (word == "modify") return TransactionElem::kModify;
    return 0;
}

}  // namespace

bool SplitWords(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    std::string word;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') {
                word += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                word += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == '#') {
            break;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(std::exchange(word, {}));
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return false;
    if (inWord) words.push_back(word);
    return true;
}

bool ReadLinkList(std::istream& in, std::vector<DbLink>& links, std::string& error) {
    std::vector<DbLink> read;
    std::string text;
    std::vector<std::string> words;
    for (int line = 1; std::getline(in, text); ++line) {
        if (!SplitWords(text, words)) {
            error = AtLine(line, "a quote is not closed");
            return false;
        }
        if (words.empty()) continue;
        if (words.size() != 4 && words.size() != 5) {
            error = AtLine(line, "expected <name> <service> <user> <password> [<enabled>]");
            return false;
        }
        DbLink link;
        link.name = words[0];
        link.service = words[1];
        link.user = words[2];
        link.password = words[3];
        if (words.size() == 5) {
            if (words[4] != "0" && words[4] != "1") {
                error = AtLine(line, "enabled is 1 or 0, not \"" + words[4] + "\"");
                return false;
            }
            link.enabled = words[4] == "1" ? 1 : 0;
        }
        read.push_back(std::move(link));
    }
    links = std::move(read);
    return true;
}

bool ReadScript(std::istream& in, const std::vector<lurdbcli::TablespaceDef>& schema,
                std::vector<ScriptTransaction>& script, std::string& error) {
    std::vector<ScriptTransaction> read;
    bool open = false;
    std::string text;
    std::vector<std::string> words;
    int line = 1;
    for (; std::getline(in, text); ++line) {
        if (!SplitWords(text, words)) {
            error = AtLine(line, "a quote is not closed");
            return false;
        }
        if (words.empty()) continue;
        const std::string& command = words[0];
        if (command == "begin" || command == "commit" || command == "abort") {
            if (words.size() != 1) {
                error = AtLine(line, command + " takes no arguments");
                return false;
            }
            if ((command == "begin") == open) {
                error = AtLine(line, open ? "begin inside a transaction" : command + " without begin");
                return false;
            }
            if (command == "begin") {
                read.push_back(ScriptTransaction{line, false, {}});
            } else {
                read.back().commit = command == "commit";
            }
            open = command == "begin";
            continue;
        }
        ScriptChange change;
        change.line = line;
        change.type = ChangeType(command);
        if (change.type == 0) {
            error = AtLine(line, "unknown command \"" + command + "\"");
            return false;
        }
        if (!open) {
            error = AtLine(line, command + " outside a transaction");
            return false;
        }
        if (words.size() < 2) {
            error = AtLine(line, command + " needs <tablespace>.<table>");
            return false;
        }
        const lurdbcli::TablespaceDef* tablespace = nullptr;
        int tableIndex = -1;
        if (!FindTable(schema, words[1], tablespace, tableIndex)) {
            error = AtLine(line, "no table \"" + words[1] + "\" in the schema");
            return false;
        }
        const lurdbcli::TableDef& table = tablespace->tables[static_cast<size_t>(tableIndex)];
        std::string recordError;
        if (!BuildRecord(table, {words.begin() + 2, words.end()}, change.record, recordError)) {
            error = AtLine(line, recordError);
            return false;
        }
        change.table = words[1];
        change.dbNo = tablespace->number;
        change.recType = lurdbcli::kFirstRecordType + tableIndex;
        read.back().changes.push_back(std::move(change));
    }
    if (open) {
        error = "the end of the file: the last transaction has no commit or abort";
        return false;
    }
    script = std::move(read);
    return true;
}
