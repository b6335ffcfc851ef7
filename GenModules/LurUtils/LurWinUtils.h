// The utility library's use of the Windows services: system error texts,
// module names and handles, the message pump, code-page conversion, locale
// identifiers and locale information.
#pragma once

#include <cstdint>
#include <string>

#include "Module.h"

namespace lurutils {

using LCID = uint32_t;
using LCTYPE = uint32_t;

// The system's text for a Windows error code in a language (a locale name;
// empty: the current language), with its line end; fallback texts when the
// system has none. Never throws.
std::string GetSystemErrorText(int code, const std::string& language);

std::string ModuleName(win::HMODULE module, bool throwOnError);
win::HMODULE ModuleHandleByName(const std::string& name, bool throwOnError);
win::HMODULE ModuleHandleByObject(const void* address, bool throwOnError);
std::string ModuleNameByObject(const void* address, bool throwOnError);

bool PumpMessages(void* window, unsigned first, unsigned last);
bool PumpAllMessages();

// Converts a zero-terminated text between code pages into a new buffer that
// the caller releases with ::operator delete; returns the bytes written
// including the terminating zero (0 when out is null).
int ConvertCodePage(const char* text, unsigned fromCodePage, char** out, unsigned toCodePage, bool throwOnError);

// The locale identifier of a locale name ("HUN", "hu", "Hungarian_Hungary.1250",
// "hu_HU"); 0 for none or an ambiguous name. Serialised by the library's one
// critical section.
LCID LcidFromLocaleName(const char* name);

int GetLocaleChar(LCID lcid, LCTYPE type, char* out, bool throwOnError);
int GetLocaleString(LCID lcid, LCTYPE type, std::string& out, bool throwOnError);

bool IsWindowsNT();

// The language name of the user's (or the system's) default locale: three
// letters (HUN), or the two-letter ISO 639 name (hu) when iso639.
std::string GetDefaultLanguageName(bool userDefault, bool iso639, bool throwOnError);

}  // namespace lurutils
