// Registry: the machine-wide settings store, kept as one text file in the
// .reg export format:
//
//   [HKEY_LOCAL_MACHINE\software\ludbclients\CARDB]
//   "server"="dbhost"
//   "timeout"=dword:0000012c
//
// The file is LUR_REGISTRY, or $XDG_CONFIG_HOME/lur/registry.reg (default
// ~/.config/lur/registry.reg). It is UTF-8; names and texts handed across
// this interface are code page 1250. Key and value names compare without
// regard to case, by the code page 1250 case table.
//
// Every change re-reads the file under an exclusive flock of a companion
// lock file (<file>.lock), applies itself and replaces the file with a fully
// written and synced temporary file (rename), so that concurrent writers do
// not lose each other's changes and a crash leaves either the old or the new
// file. Readers read whole files only and need no lock.
//
// Functions return a Windows error code (ERROR_SUCCESS = 0), as the
// platform's registry functions do; they do not set the last error.
#pragma once

#include <cstdint>
#include <string>

#include "LastError.h"  // the codes the functions return

namespace win {

struct RegistryKey;
using HKEY = RegistryKey*;

// The predefined roots are fixed handle values that are never closed.
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{0x80000001});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002});

using REGSAM = uint32_t;
enum : REGSAM {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_CREATE_SUB_KEY = 0x0004,
    KEY_ENUMERATE_SUB_KEYS = 0x0008,
    KEY_READ = 0x20019,
    KEY_WRITE = 0x20006,
    KEY_ALL_ACCESS = 0xF003F,
};

// Value types.
enum : uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
};

enum : uint32_t {
    REG_OPTION_NON_VOLATILE = 0,
};

enum : uint32_t {
    REG_CREATED_NEW_KEY = 1,
    REG_OPENED_EXISTING_KEY = 2,
};

// The registry file in use (from the environment at each call).
std::string RegistryFilePath();

// For a message about a key that is not there: the file in use, what chose
// it, and whether it exists or can be read ("the registry file <path> that
// LUR_REGISTRY names", "..., which does not exist"). Code page 1250.
std::string DescribeRegistryFile();

// Opens an existing key below parent (a root or an open key); subKey may be
// empty or null for the parent itself. ERROR_FILE_NOT_FOUND when the key
// does not exist.
int32_t RegOpenKeyExA(HKEY parent, const char* subKey, uint32_t options, REGSAM access, HKEY* result);

// Opens the key, creating it and its missing ancestors when needed.
// disposition (may be null) tells which happened. className is not kept.
int32_t RegCreateKeyExA(HKEY parent, const char* subKey, uint32_t reserved, const char* className, uint32_t options,
                        REGSAM access, const void* security, HKEY* result, uint32_t* disposition);

int32_t RegCloseKey(HKEY key);

// Reads a value. type, data and dataSize may each be null; with data given,
// *dataSize is the capacity on entry and the bytes stored on return.
// ERROR_FILE_NOT_FOUND for a missing value, ERROR_MORE_DATA (with *dataSize
// set to the size needed) when the capacity is too small. A REG_SZ value's
// data includes its terminating zero.
int32_t RegQueryValueExA(HKEY key, const char* valueName, uint32_t* reserved, uint32_t* type, uint8_t* data,
                         uint32_t* dataSize);

// Writes a value (the key needs KEY_SET_VALUE). A REG_DWORD needs 4 bytes.
int32_t RegSetValueExA(HKEY key, const char* valueName, uint32_t reserved, uint32_t type, const uint8_t* data,
                       uint32_t dataSize);

// Deletes a key without subkeys (ERROR_ACCESS_DENIED when it has some),
// with its values.
int32_t RegDeleteKeyA(HKEY parent, const char* subKey);

// The name of the index-th direct subkey (in case-insensitive name order)
// copied into name; *nameSize is the capacity on entry and the length
// without the zero on return. ERROR_NO_MORE_ITEMS past the last subkey,
// ERROR_MORE_DATA when the capacity is too small.
int32_t RegEnumKeyExA(HKEY key, uint32_t index, char* name, uint32_t* nameSize);

}  // namespace win
