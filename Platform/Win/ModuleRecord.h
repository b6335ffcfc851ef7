// What a module handle points at: the module's file name and its compiled-in
// resource tables. Records are created on first use and live until the
// process ends, so a handle never dangles.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "Module.h"
#include "StringResources.h"

namespace win {

struct ModuleRecord {
    std::string fileName;  // full path of the program or shared library
    std::vector<std::span<const StringResource>> stringTables;
};

// The record of a handle: null means the program. Null (with
// ERROR_INVALID_HANDLE) for a pointer that is no module record.
ModuleRecord* ResolveModule(HMODULE module);

}  // namespace win
