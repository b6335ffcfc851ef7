// ResultCsv: the rows of a SELECT's result as lursql prints them: CSV in the
// form lurdbadm dump writes, UTF-8, a header line of the select list's
// aliases (or field names where a column has none), then one line per
// combination of master and detail rows of the result view. The lines go
// to the stream as the rows are read, in chunks of 64 KB: the output is
// never held whole.
#pragma once

#include "CheckedOutput.h"
#include "RdmView.h"
#include "SqlSelectColumn.h"

// The lines, each ending in a line feed; nothing when the list is empty.
// The rows stop at the first write that fails: out keeps the failure.
void WriteResultCsv(win::CheckedOutput& out, RdmView& view, const SqlSelectList& columns);
