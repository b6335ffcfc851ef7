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

// Lines go out in chunks of about this size rather than one call each.
constexpr size_t kChunkBytes = 64 * 1024;

// False when the output failed, now or before.
bool Write(win::CheckedOutput& out, std::string& text) {
    const bool written = out.Write(text);
    text.clear();
    return written;
}

bool EndLine(win::CheckedOutput& out, std::string& text) {
    text += '\n';
    return text.size() < kChunkBytes || Write(out, text);
}

}  // namespace

void WriteResultCsv(win::CheckedOutput& out, RdmView& view, const SqlSelectList& columns) {
    if (columns.empty()) return;
    std::string text;
    text.reserve(kChunkBytes + 1024);
    for (const SqlSelectColumn& column : columns) {
        if (&column != &columns.front()) text += ',';
        AppendCsvField(text, win::Cp1250ToUtf8(column.alias.empty() ? column.field : column.alias));
    }
    if (!EndLine(out, text)) return;
    // Looked up at the first row, not before: a result without rows prints
    // its header whatever its columns name.
    std::vector<const RdmFld*> fields;
    view.StartIteration();
    while (view.NextRecord()) {
        if (fields.empty()) fields = ColumnFields(view, columns);
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i != 0) text += ',';
            AppendCsvField(text, win::Cp1250ToUtf8(fields[i]->GetString()));
        }
        if (!EndLine(out, text)) break;  // the rest is lost as well
    }
    view.EndIteration();
    Write(out, text);
}
