#include "LurUtilsTexts.h"

#include <iterator>

#include "StringResources.h"

namespace lurutils {
namespace {

using win::LANG_ENGLISH;
using win::LANG_HUNGARIAN;

// Texts may carry the placeholders of the argument substitution: "%s" takes
// the next argument; arguments nothing takes are listed after the text.
constexpr win::StringResource kTexts[] = {
    // Codes 0-249 of the family's own range.
    {20000, LANG_ENGLISH, "No error."},
    {20000, LANG_HUNGARIAN, "Nincs hiba."},
    {20001, LANG_ENGLISH, "Unexpected error."},
    {20001, LANG_HUNGARIAN, "Váratlan hiba."},
    {20002, LANG_ENGLISH, "Internal error."},
    {20002, LANG_HUNGARIAN, "Belső hiba."},
    {20003, LANG_ENGLISH, "Invalid argument."},
    {20003, LANG_HUNGARIAN, "Érvénytelen paraméter."},
    {20004, LANG_ENGLISH, "The values cannot be compared: their locales differ."},
    {20004, LANG_HUNGARIAN, "Az értékek nem hasonlíthatók össze: a nyelvi beállításuk eltér."},
    {20005, LANG_ENGLISH, "Operation not supported."},
    {20005, LANG_HUNGARIAN, "A művelet nem támogatott."},
    {20008, LANG_ENGLISH, "Key not found."},
    {20008, LANG_HUNGARIAN, "A kulcs nem található."},
    {20009, LANG_ENGLISH, "Out of memory."},
    {20009, LANG_HUNGARIAN, "Elfogyott a memória."},
    {20010, LANG_ENGLISH, "Value or position out of range: %s"},
    {20010, LANG_HUNGARIAN, "Az érték vagy a pozíció a tartományon kívül esik: %s"},
    {20011, LANG_ENGLISH, "Value or position below its range: %s"},
    {20011, LANG_HUNGARIAN, "Az érték vagy a pozíció a tartomány alatt van: %s"},
    {20012, LANG_ENGLISH, "Position or length outside the buffer."},
    {20012, LANG_HUNGARIAN, "A pozíció vagy a hossz a pufferen kívül esik."},
    {20013, LANG_ENGLISH, "Invalid number text: %s"},
    {20013, LANG_HUNGARIAN, "Érvénytelen számszöveg: %s"},
    {20017, LANG_ENGLISH, "Index out of range."},
    {20017, LANG_HUNGARIAN, "Az index a tartományon kívül esik."},
    {20018, LANG_ENGLISH, "Invalid value: not a valid date, time or hexadecimal text."},
    {20018, LANG_HUNGARIAN, "Érvénytelen érték: nem érvényes dátum, idő vagy hexadecimális szöveg."},
    {20022, LANG_ENGLISH, "Error (code without a message text)."},
    {20022, LANG_HUNGARIAN, "Hiba (a kódhoz nincs üzenetszöveg)."},
    // Dates and times, codes 650-699.
    {20650, LANG_ENGLISH, "Invalid date value: %s"},
    {20650, LANG_HUNGARIAN, "Érvénytelen dátumérték: %s"},
    {20651, LANG_ENGLISH, "Invalid date: %s"},
    {20651, LANG_HUNGARIAN, "Érvénytelen dátum: %s"},
    {20652, LANG_ENGLISH, "The date could not be converted between local and universal time: %s"},
    {20652, LANG_HUNGARIAN, "A dátum nem számítható át helyi és egyetemes idő között: %s"},
    {20653, LANG_ENGLISH, "Year out of range: %s"},
    {20653, LANG_HUNGARIAN, "Az év a tartományon kívül esik: %s"},
    {20654, LANG_ENGLISH, "Month out of range: %s"},
    {20654, LANG_HUNGARIAN, "A hónap a tartományon kívül esik: %s"},
    {20655, LANG_ENGLISH, "Day out of range: %s"},
    {20655, LANG_HUNGARIAN, "A nap a tartományon kívül esik: %s"},
    {20656, LANG_ENGLISH, "Hour out of range: %s"},
    {20656, LANG_HUNGARIAN, "Az óra a tartományon kívül esik: %s"},
    {20657, LANG_ENGLISH, "Minute out of range: %s"},
    {20657, LANG_HUNGARIAN, "A perc a tartományon kívül esik: %s"},
    {20658, LANG_ENGLISH, "Second out of range: %s"},
    {20658, LANG_HUNGARIAN, "A másodperc a tartományon kívül esik: %s"},
    // Files, codes 700-749.
    {20700, LANG_ENGLISH, "File error: %s"},
    {20700, LANG_HUNGARIAN, "Fájlhiba: %s"},
    {20704, LANG_ENGLISH, "The target file already exists: %s"},
    {20704, LANG_HUNGARIAN, "A célfájl már létezik: %s"},
    {20705, LANG_ENGLISH, "The path cannot be found: %s"},
    {20705, LANG_HUNGARIAN, "Az elérési út nem található: %s"},
    {20706, LANG_ENGLISH, "Not enough free space in %s: %s needed, %s free."},
    {20706, LANG_HUNGARIAN, "Nincs elég szabad hely itt: %s; szükséges: %s, szabad: %s."},
    {20707, LANG_ENGLISH, "The directory cannot be written: %s"},
    {20707, LANG_HUNGARIAN, "A könyvtár nem írható: %s"},
    {20708, LANG_ENGLISH, "The file cannot be deleted: %s"},
    {20708, LANG_HUNGARIAN, "A fájl nem törölhető: %s"},
    {20709, LANG_ENGLISH, "The directory cannot be created: %s (%s)"},
    {20709, LANG_HUNGARIAN, "A könyvtár nem hozható létre: %s (%s)"},
    {20710, LANG_ENGLISH, "The directory cannot be removed: %s"},
    {20710, LANG_HUNGARIAN, "A könyvtár nem törölhető: %s"},
    {20711, LANG_ENGLISH, "The source is not a directory: %s"},
    {20711, LANG_HUNGARIAN, "A forrás nem könyvtár: %s"},
    {20712, LANG_ENGLISH, "The source is a directory, not a file: %s"},
    {20712, LANG_HUNGARIAN, "A forrás könyvtár, nem fájl: %s"},
    {20714, LANG_ENGLISH, "Invalid path: a drive's colon may only follow its first character: %s"},
    {20714, LANG_HUNGARIAN, "Érvénytelen elérési út: a meghajtó kettőspontja csak az első karakter után állhat: %s"},
    // Labels of error reports.
    {24047, LANG_ENGLISH, "file"},
    {24047, LANG_HUNGARIAN, "fájl"},
    {24048, LANG_ENGLISH, "function"},
    {24048, LANG_HUNGARIAN, "függvény"},
    {24049, LANG_ENGLISH, "line"},
    {24049, LANG_HUNGARIAN, "sor"},
    {24050, LANG_ENGLISH, "Additional data:"},
    {24050, LANG_HUNGARIAN, "További adatok:"},
    {24051, LANG_ENGLISH, "Error code:"},
    {24051, LANG_HUNGARIAN, "Hibakód:"},
    {24052, LANG_ENGLISH, "An error occurred:"},
    {24052, LANG_HUNGARIAN, "Hiba történt:"},
};

}  // namespace

void RegisterLibraryTexts() {
    static const bool registered = win::RegisterStringTable(nullptr, kTexts, std::size(kTexts));
    (void)registered;
}

}  // namespace lurutils
