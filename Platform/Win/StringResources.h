// String resources: per-module compiled-in tables of (id, language) -> text.
// Each library registers its own table at start-up into the program's module
// (null handle), so every program that links a library carries its texts.
// Texts are written in UTF-8 in the sources and handed out in code page 1250.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Module.h"

namespace win {

// Windows primary language ids of the languages the tables hold.
enum : uint16_t {
    LANG_NEUTRAL = 0x00,
    LANG_GERMAN = 0x07,
    LANG_ENGLISH = 0x09,
    LANG_HUNGARIAN = 0x0E,
};

struct StringResource {
    uint32_t id;
    uint16_t language;  // primary language id
    const char* text;   // UTF-8
};

// Adds a table to a module's string resources (null: the program's own).
// The table must live as long as the process. Returns true so that it can
// initialise a static registration object.
bool RegisterStringTable(HMODULE module, const StringResource* table, size_t count);

// Drops every table registered with the module, as unloading it would; its
// lookups then find nothing until tables are registered again.
void UnregisterStringTables(HMODULE module);

// Loads string id of the module into buffer (code page 1250), in the
// process's user-interface language, falling back to English and then to
// any language the id has. Returns the number of characters copied,
// cut to size - 1 and zero-terminated; 0 with the last error
// ERROR_RESOURCE_NAME_NOT_FOUND when the module has no such string, or
// ERROR_RESOURCE_DATA_NOT_FOUND when its text is empty.
int LoadString(HMODULE module, uint32_t id, char* buffer, int size);

// The primary language id that LoadString prefers: the one set by
// SetUILanguage, else the language of the user's default locale.
uint16_t GetUILanguage();
// Sets the preferred language (a primary language id); 0 returns to the
// user's default locale. Answers the setting it replaces (0 for none), so
// that a caller can put it back.
uint16_t SetUILanguage(uint16_t primaryLanguage);

}  // namespace win
