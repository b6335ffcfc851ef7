// System error texts: our own English and Hungarian wording for the Windows
// error codes the stand-ins produce, read the way the system's message
// formatting reads them (code page 1250, ending with "\r\n").
#pragma once

#include <cstdint>
#include <string>

namespace win {

// The text of a Windows error code in a language:
// - languageId 0: the user's language, else English;
// - 0x0400 (the user's default language) or a specific language id: only
//   that language (its primary language decides).
// False with the last error set when there is none: ERROR_MR_MID_NOT_FOUND
// for a code without text, ERROR_RESOURCE_LANG_NOT_FOUND for a code that has
// no text in the language asked for.
bool FormatSystemMessage(uint32_t code, uint16_t languageId, std::string& text);

}  // namespace win
