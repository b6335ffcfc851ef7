// Message resources: texts fetched by number, first from a table that an
// application may install per language, then from a module's string table;
// and the substitution of arguments into message texts.
#pragma once

#include <map>
#include <string>

#include "Module.h"
#include "StrVector.h"

namespace lurutils {

// id -> (upper-case language name -> text)
using ResourceTextTable = std::map<int, std::map<std::string, std::string>>;

// Installs texts for every module and sets the current language.
void SetResourceTexts(const std::string& language, const ResourceTextTable& texts);

// The current language; when none is set, the three-letter name of the
// user's default locale (for example HUN).
const std::string& GetCurrentLanguage();

// 0 with out set when a text was found; otherwise the Windows error code of
// the failed load and out unchanged.
int LookupResString(int id, win::HMODULE module, std::string& out, bool stripAmpersands, const std::string& language);

// Loads a string resource of any length from the module; 0 or the Windows
// error code of the failed load.
int LoadStringGrow(int id, win::HMODULE module, std::string& out, bool stripAmpersands);

// The text, or "" when none was found (LurExceptSys with throwOnError).
std::string GetResString(int id, win::HMODULE module, bool throwOnError, bool stripAmpersands,
                         const std::string& language = "");
std::string GetResStringByModule(int id, const std::string& moduleName, bool throwOnError, bool stripAmpersands,
                                 const std::string& language = "");

// The text, or defaultText, or when that is empty the system's text for the
// load's error code followed by the code in parentheses.
std::string GetTextFromResource(int id, const std::string& defaultText, win::HMODULE module, bool throwOnError,
                                bool stripAmpersands, const std::string& language = "");
std::string GetTextFromResource(int id, const std::string& defaultText, const std::string& moduleName,
                                bool throwOnError, bool stripAmpersands, const std::string& language = "");

// Replaces the numbered placeholders (%1 .. %n, %% gives %). When leftover
// is given it receives the arguments that no placeholder took.
std::string SubstituteArgs(const std::string& text, const StrVector& args, StrVector* leftover);

}  // namespace lurutils
