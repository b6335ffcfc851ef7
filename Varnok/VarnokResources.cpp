#include "VarnokResources.h"

#include <iterator>

#include "StringResources.h"
#include "VersionResources.h"

namespace {

using win::LANG_HUNGARIAN;

// Continued lines of the help texts are indented by 11 blanks, so that they
// line up after the switch column of the help.
constexpr win::StringResource kStrings[] = {
    {IDS_PROGRAM_NAME, LANG_HUNGARIAN, "Varnok"},
    {IDS_BUILD_DATE, LANG_HUNGARIAN, "2012.01.25."},
    {IDS_AUTHOR, LANG_HUNGARIAN, "Lur fejlesztői csoport"},
    {IDS_NAME_SERVICE, LANG_HUNGARIAN, "Az adatbázis szolgáltatás neve"},
    {IDS_NAME_USER, LANG_HUNGARIAN, "A felhasználó neve"},
    {IDS_NAME_PASSWORD, LANG_HUNGARIAN, "A jelszó"},
    {IDS_HELP_SERVICE, LANG_HUNGARIAN,
     "A segédprogram erre az adatbázis szolgáltatásra próbál \n"
     "           csatlakotzni.\n"
     "\n"
     "           Használat:\n"
     "           -seostrev7"},
    {IDS_HELP_USER, LANG_HUNGARIAN,
     "A segédprogram ezzel a felhasználói névvel próbál az \n"
     "           adatbázis szerverre csatlakotzni.\n"
     "\n"
     "           Használat:\n"
     "           -usradmin"},
    {IDS_HELP_PASSWORD, LANG_HUNGARIAN,
     "A segédprogram ezzel a jelszóval próbál az adatbázis \n"
     "           szerverre csatlakotzni.\n"
     "\n"
     "           Használat:\n"
     "           -pswvimbo"},
    {IDS_NAME_APP, LANG_HUNGARIAN, "Az alkalmazás rövid neve"},
    {IDS_HELP_APP, LANG_HUNGARIAN,
     "A segédprogram erre alakmazásra próbál \n"
     "           csatlakotzni.\n"
     "\n"
     "           Használat:\n"
     "           -appostrev7"},
    {IDS_REPAIR_DONE, LANG_HUNGARIAN, "adatbázis javítása véget ért."},
    {IDS_CHECK_DONE, LANG_HUNGARIAN, "adatbázis ellenőrzése véget ért"},
    {IDS_TASK, LANG_HUNGARIAN,
     "PROGRAM FELADATA\n"
     "================\n"
     "A segédprogram kibővíti a főprogram gépjármű típusait.\n"
     "\n"
     "MŰKÖDÉSI FELTÉTELEK\n"
     "===================\n"
     "- A segédprogram a főprogram 7.16.0.0 vagy újabb verziójú adatbázisán futtatható.\n"
     "\n"
     "PROGRAM MŰKÖDÉSE\n"
     "================\n"
     "A segédprogram törli a termék 16 elemű általános gépjármű típus listáját,\n"
     "és betölti a 46 elemű bővített listát.\n"},
    {IDS_LABEL_CODE, LANG_HUNGARIAN, "Hibakód:"},
    {IDS_LABEL_TEXT, LANG_HUNGARIAN, "Hibaszöveg:"},
    {IDS_LABEL_WHERE, LANG_HUNGARIAN, "Hiba helye:"},
    {IDS_LABEL_EXCEPTION, LANG_HUNGARIAN, "Kivétel:"},
    {IDS_NOTHING_TO_MOVE, LANG_HUNGARIAN, "Környezetvédelmi adatok nincsenek, adatátemelésre nincs szükség."},
};

constexpr win::VersionString kVersionStrings[] = {
    {"FileDescription", "Varnok"},  {"FileVersion", "1, 0, 0, 1"}, {"InternalName", "Varnok"},
    {"OriginalFileName", "Varnok"}, {"ProductName", "Varnok"},     {"ProductVersion", "1, 0, 0, 1"},
};

constexpr win::VersionStringTable kVersionTables[] = {
    {0x040E, 1250, kVersionStrings, std::size(kVersionStrings)},
};

constexpr win::VersionResource kVersion = {
    [] {
        win::VersionFixedInfo fixed;
        fixed.fileVersionMS = win::VersionHalf(1, 0);
        fixed.fileVersionLS = win::VersionHalf(0, 1);
        fixed.productVersionMS = win::VersionHalf(1, 0);
        fixed.productVersionLS = win::VersionHalf(0, 1);
        fixed.fileOS = win::VOS__WINDOWS32;
        fixed.fileType = win::VFT_APP;
        return fixed;
    }(),
    kVersionTables,
    std::size(kVersionTables),
};

}  // namespace

void RegisterVarnokResources() {
    static const bool registered = win::RegisterStringTable(nullptr, kStrings, std::size(kStrings)) &&
                                   win::RegisterVersionResource(nullptr, &kVersion);
    (void)registered;
}
