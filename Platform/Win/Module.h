// Module handles: the running program and the shared libraries it has
// loaded. A handle names a module record that carries the module's file
// name and its compiled-in resource tables (string and version resources);
// a null handle means the program itself.
#pragma once

#include <cstdint>

namespace win {

struct ModuleRecord;
using HMODULE = ModuleRecord*;

// The handle of the loaded module with that name (a bare "name.dll" matches
// the library file libname.so; the comparison ignores case), or of the
// program for a null or empty name. Null with ERROR_MOD_NOT_FOUND when no
// loaded module has the name.
HMODULE GetModuleHandle(const char* name);

// The module's full file name (the program's for a null handle) copied into
// buffer, cut to size - 1 characters and zero-terminated. Returns the number
// of characters copied; 0 with the last error set on failure.
uint32_t GetModuleFileName(HMODULE module, char* buffer, uint32_t size);

// The module whose code or data holds address. False with the last error set
// when no loaded module holds it.
bool GetModuleHandleFromAddress(const void* address, HMODULE& module);

}  // namespace win
