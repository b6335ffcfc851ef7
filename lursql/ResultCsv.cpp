#include "ResultCsv.h"

#include <vector>

#include "CodePage.h"
#include "Csv.h"

std::string ResultCsv(RdmView& view, const SqlSelectList& columns) {
    if (columns.empty()) return {};
    std::vector<std::string> fields;
    for (const SqlSelectColumn& column : columns) {
        fields.push_back(win::Cp1250ToUtf8(column.alias.empty() ? column.field : column.alias));
    }
    std::string lines = FormatCsvRecord(fields) + '\n';
    view.StartIteration();
    while (view.NextRecord()) {
        fields.clear();
        for (const SqlSelectColumn& column : columns) {
            // An alias set on the table replaces the field's name there.
            const bool aliased = !column.alias.empty() && view.HasField(column.table, column.alias);
            const std::string& name = aliased ? column.alias : column.field;
            fields.push_back(win::Cp1250ToUtf8(view.Table(column.table).Fld(name).GetString()));
        }
        lines += FormatCsvRecord(fields) + '\n';
    }
    view.EndIteration();
    return lines;
}
