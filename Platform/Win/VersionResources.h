// Version resources: a compiled-in table per module (the fixed version
// information and one string table per language), read the way the system's
// version-information calls read a file's version resource.
//
// A module registers its resource once (null handle: the program's own);
// the calls then find it by the module's file name. A file that is not a
// loaded module can be given a resource by name, since the stand-in cannot
// read resources out of arbitrary files. Texts are written in UTF-8 in the
// sources and handed out in code page 1250.
//
// The block that GetFileVersionInfo fills is our own layout: only
// VerQueryValue reads it, with the sub-block paths "\" (the fixed
// information, a VersionFixedInfo), "\VarFileInfo\Translation" (32-bit
// entries, language in the low word, code page in the high word) and
// "\StringFileInfo\LLLLCCCC\Key" (a zero-terminated text). Path names ignore
// letter case and the leading backslash.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Module.h"

namespace win {

// File flags.
enum : uint32_t {
    VS_FF_DEBUG = 0x01,
    VS_FF_PRERELEASE = 0x02,
    VS_FF_PATCHED = 0x04,
    VS_FF_PRIVATEBUILD = 0x08,
    VS_FF_INFOINFERRED = 0x10,
    VS_FF_SPECIALBUILD = 0x20,
};

// Operating-system word: the high word and the low word each hold one value.
enum : uint32_t {
    VOS_UNKNOWN = 0x00000,
    VOS_DOS = 0x10000,
    VOS_OS216 = 0x20000,
    VOS_OS232 = 0x30000,
    VOS_NT = 0x40000,
    VOS__WINDOWS16 = 0x1,
    VOS__PM16 = 0x2,
    VOS__PM32 = 0x3,
    VOS__WINDOWS32 = 0x4,
};

// File types.
enum : uint32_t {
    VFT_UNKNOWN = 0,
    VFT_APP = 1,
    VFT_DLL = 2,
    VFT_DRV = 3,
    VFT_FONT = 4,
    VFT_VXD = 5,
    VFT_STATIC_LIB = 7,
};

inline constexpr uint32_t kVersionFixedInfoSignature = 0xFEEF04BD;

// The fixed information; each version is two 32-bit halves, most
// significant first, each half two 16-bit parts, high word first.
struct VersionFixedInfo {
    uint32_t signature = kVersionFixedInfoSignature;
    uint32_t structVersion = 0x00010000;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileFlagsMask = 0x3F;
    uint32_t fileFlags = 0;
    uint32_t fileOS = 0;
    uint32_t fileType = 0;
    uint32_t fileSubtype = 0;
    uint32_t fileDateMS = 0;
    uint32_t fileDateLS = 0;
};

// One half of a version from two 16-bit parts.
constexpr uint32_t VersionHalf(uint16_t high, uint16_t low) { return (static_cast<uint32_t>(high) << 16) | low; }

struct VersionString {
    const char* key;    // "FileVersion", "ProductName", ...
    const char* value;  // UTF-8
};

// The string table of one translation (language id and code page).
struct VersionStringTable {
    uint16_t language;  // full language id, for example 0x040E
    uint16_t codePage;  // for example 1250
    const VersionString* strings;
    size_t count;
};

// The whole resource; its translations are those of the string tables, in
// their order. Every pointer must stay valid for the life of the process.
struct VersionResource {
    VersionFixedInfo fixed;
    const VersionStringTable* tables;
    size_t tableCount;
};

// Gives a module (null: the program) its version resource, replacing any
// earlier one. False with ERROR_INVALID_HANDLE for a handle that is no
// module, ERROR_INVALID_PARAMETER for a null resource.
bool RegisterVersionResource(HMODULE module, const VersionResource* resource);

// Gives the file of that name a version resource, replacing any earlier one
// (a null resource removes it). False with ERROR_INVALID_PARAMETER for an
// empty name.
bool RegisterFileVersionResource(const char* fileName, const VersionResource* resource);

// The size of the version block of the file, 0 with the last error set when
// there is none: ERROR_FILE_NOT_FOUND when no such file exists,
// ERROR_RESOURCE_TYPE_NOT_FOUND when it has no version resource. *handle,
// when given, is set to 0.
uint32_t GetFileVersionInfoSize(const char* fileName, uint32_t* handle);

// Fills data with the version block of the file. False with the last error
// set when there is none (as above) or when size is smaller than the block
// (ERROR_INSUFFICIENT_BUFFER; the data is then not touched).
bool GetFileVersionInfo(const char* fileName, uint32_t handle, uint32_t size, void* data);

// Finds a value in a block filled by GetFileVersionInfo. On success *value
// points into the block and *length is the value's length: bytes for the
// fixed information and the translations, characters including the
// terminating zero for a text. False when the block holds no such value.
bool VerQueryValue(const void* block, const char* subBlock, void** value, uint32_t* length);

// The English name of a language id ("Hungarian (Hungary)"; "Language
// Neutral" for 0; "Unknown language" for an id the locale table lacks)
// copied into buffer, cut to size - 1 characters and zero-terminated.
// Returns the characters copied, 0 when buffer is null or size is 0.
uint32_t VerLanguageName(uint32_t language, char* buffer, uint32_t size);

// The language id of the system's default locale.
uint16_t GetSystemDefaultLangID();

}  // namespace win
