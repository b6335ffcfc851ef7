#include "ResultCsv.h"

#include <string>
#include <vector>

#include "CodePage.h"
#include "Csv.h"

namespace {

// The field each column reads: an alias set on the table replaces the
// field's name there.
std::vector<const RdmFld*> ColumnFields(RdmView& view, const SqlSelectList& columns) {
    std::vector<const RdmFld*> fields;
    for (const SqlSelectColumn& column : columns) {
        const bool aliased = !column.alias.empty() && view.HasField(column.table, column.alias);
        fields.push_back(&view.Table(column.table).Fld(aliased ? column.alias : column.field));
    }
    return fields;
}

void WriteLine(std::FILE* out, std::string& line) {
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out);
    line.clear();
}

}  // namespace

void WriteResultCsv(std::FILE* out, RdmView& view, const SqlSelectList& columns) {
    if (columns.empty()) return;
    std::string line;
    for (const SqlSelectColumn& column : columns) {
        if (&column != &columns.front()) line += ',';
        AppendCsvField(line, win::Cp1250ToUtf8(column.alias.empty() ? column.field : column.alias));
    }
    WriteLine(out, line);
    // Looked up at the first row, not before: a result without rows prints
    // its header whatever its columns name.
    std::vector<const RdmFld*> fields;
    view.StartIteration();
    while (view.NextRecord()) {
        if (fields.empty()) fields = ColumnFields(view, columns);
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i != 0) line += ',';
            AppendCsvField(line, win::Cp1250ToUtf8(fields[i]->GetString()));
        }
        WriteLine(out, line);
    }
    view.EndIteration();
}
