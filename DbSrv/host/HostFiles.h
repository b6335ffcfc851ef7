// The files the link host reads: the link list, the schema of the databases
// it plays the server of, and the script of transactions. Formats in
// README.md. The readers take the text in code page 1250 (the files are UTF-8
// on disk, converted once as the host reads them). Every reader answers false
// with a message (code page 1250) naming the file's line when the text is not
// valid; nothing is half-read into the results.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "LurDbLink.h"
#include "Schema.h"

// One change of a script: the record image of a table as the server sends it.
struct ScriptChange {
    int line = 0;
    int16_t type = TransactionElem::kNew;
    std::string table;  // as written, "<tablespace>.<table>"
    int32_t dbNo = -1;
    int32_t recType = -1;
    std::vector<unsigned char> record;  // the record buffer: the image less its data offset
};

struct ScriptTransaction {
    int line = 0;  // of its "begin"
    bool commit = false;
    std::vector<ScriptChange> changes;
};

// The words of a line: blanks separate, '#' outside quotes ends the line,
// double quotes keep blanks and '#' ("" inside quotes is one quote). False
// when a quote is left open.
bool SplitWords(const std::string& line, std::vector<std::string>& words);

// "<name> <service> <user> <password> [<enabled>]", enabled 1 or 0.
bool ReadLinkList(std::istream& in, std::vector<DbLink>& links, std::string& error);

// begin / insert|modify|delete <tablespace>.<table> [<field>=<value>...] /
// commit|abort.
bool ReadScript(std::istream& in, const std::vector<lurdbcli::TablespaceDef>& schema,
                std::vector<ScriptTransaction>& script, std::string& error);
