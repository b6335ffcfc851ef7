// Dynamic loading: shared libraries loaded by their Windows-style names and
// their functions looked up by decorated names.
//
// Names: a bare "name.dll" is the library file libname.so, looked for in the
// program's own directory first and then along the normal search path of
// the dynamic loader; any other name is handed to the loader as it stands.
// LURDBCLI_LIBRARY, when set, is the path of the client library
// "lurdbcli.dll". A decorated function name has its '@' written as '$' in
// the library ("_FreePtr@4" is exported as "_FreePtr$4").
#pragma once

#include "Module.h"

namespace win {

// Loads the library (again: each load counts) and returns its module handle;
// null with ERROR_MOD_NOT_FOUND when it cannot be loaded.
HMODULE LoadLibraryA(const char* name);

// The address of the exported function, or null with ERROR_PROC_NOT_FOUND
// (ERROR_INVALID_HANDLE for a module that LoadLibraryA did not load).
void* GetProcAddress(HMODULE module, const char* name);

// Releases one load of the library; it is unloaded with its last release.
// False with ERROR_INVALID_HANDLE for a module that is not loaded.
bool FreeLibrary(HMODULE module);

}  // namespace win
