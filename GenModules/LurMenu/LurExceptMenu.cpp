#include "LurExceptMenu.h"

#include <iterator>

#include "StringResources.h"

namespace {

using win::LANG_ENGLISH;
using win::LANG_HUNGARIAN;

constexpr win::StringResource kTexts[] = {
    {20910, LANG_ENGLISH, "Application not found: %s"},
    {20910, LANG_HUNGARIAN, "Az alkalmazás nem található: %s"},
    {20911, LANG_ENGLISH, "Application already registered: %s"},
    {20911, LANG_HUNGARIAN, "Az alkalmazás már regisztrálva van: %s"},
    {20913, LANG_ENGLISH, "Plug-in not found: %s"},
    {20913, LANG_HUNGARIAN, "A beépülő modul nem található: %s"},
    {20914, LANG_ENGLISH, "Plug-in already registered: %s"},
    {20914, LANG_HUNGARIAN, "A beépülő modul már regisztrálva van: %s"},
};

// Registered by the first exception built rather than by a static object, so
// that the texts are there in every program that can raise one.
void RegisterMenuTexts() {
    static const bool registered = win::RegisterStringTable(nullptr, kTexts, std::size(kTexts));
    (void)registered;
}

}  // namespace

LurExceptMenu::LurExceptMenu(int code, const StrVector& args, const char* language)
    : LurExceptBaseArg(code, args, language) {
    RegisterMenuTexts();
}

LurExceptMenu::LurExceptMenu(int code, const ErrorLocation& where, const StrVector& args, const char* language)
    : LurExceptBaseArg(code, where, args, language) {
    RegisterMenuTexts();
}

LurExceptMenu::LurExceptMenu(const LurExceptMenu&) = default;

LurExceptMenu::~LurExceptMenu() = default;
