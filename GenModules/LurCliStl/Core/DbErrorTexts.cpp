// The message texts of DbDescError: the database codes at 20000 + code, the
// client library's statuses at 13000 + code and the text of any other code
// at 23044. The arguments of an error follow its text on a new line, so the
// texts take no placeholders: the same code is raised with different
// argument lists.
#include <array>
#include <iterator>

#include "DbDescError.h"
#include "StringResources.h"
#include "lurdbcli.h"

namespace lurclistl {
namespace {

using win::LANG_ENGLISH;
using win::LANG_HUNGARIAN;

constexpr win::StringResource kDatabaseTexts[] = {
    {22000, LANG_ENGLISH, "The tablespace is not open."},
    {22000, LANG_HUNGARIAN, "Az adatbázis nincs megnyitva."},
    {22001, LANG_ENGLISH, "File entry not in the description."},
    {22001, LANG_HUNGARIAN, "A fájlbejegyzés nem szerepel a leírásban."},
    {22002, LANG_ENGLISH, "Table not in the description."},
    {22002, LANG_HUNGARIAN, "A tábla nem szerepel a leírásban."},
    {22003, LANG_ENGLISH, "Field not in the description."},
    {22003, LANG_HUNGARIAN, "A mező nem szerepel a leírásban."},
    {22004, LANG_ENGLISH, "The text is not a one-character value."},
    {22004, LANG_HUNGARIAN, "A szöveg nem egykarakteres érték."},
    {22005, LANG_ENGLISH, "Invalid move code."},
    {22005, LANG_HUNGARIAN, "Érvénytelen mozgatási kód."},
    {22006, LANG_ENGLISH, "The field's type does not allow this value or form."},
    {22006, LANG_HUNGARIAN, "A mező típusa nem engedi ezt az értéket vagy formát."},
    {22007, LANG_ENGLISH, "Invalid aggregate kind."},
    {22007, LANG_HUNGARIAN, "Érvénytelen összesítési mód."},
    {22008, LANG_ENGLISH, "The view has no master table."},
    {22008, LANG_HUNGARIAN, "A nézetnek nincs főtáblája."},
    {22009, LANG_ENGLISH, "The field is not a key."},
    {22009, LANG_HUNGARIAN, "A mező nem kulcs."},
    {22010, LANG_ENGLISH, "The field keeps its own value and has no record."},
    {22010, LANG_HUNGARIAN, "A mező saját értéket tárol, nincs rekordja."},
    {22011, LANG_ENGLISH, "No description attached."},
    {22011, LANG_HUNGARIAN, "Nincs hozzárendelt leírás."},
    {22012, LANG_ENGLISH, "Operation not allowed in the table's current state."},
    {22012, LANG_HUNGARIAN, "A művelet a tábla mostani állapotában nem megengedett."},
    {22013, LANG_ENGLISH, "New record refused."},
    {22013, LANG_HUNGARIAN, "Az új rekord nem vehető fel."},
    {22014, LANG_ENGLISH, "No current row."},
    {22014, LANG_HUNGARIAN, "Nincs aktuális sor."},
    {22015, LANG_ENGLISH, "Alias or child table not found."},
    {22015, LANG_HUNGARIAN, "Az álnév vagy az altábla nem található."},
    {22016, LANG_ENGLISH, "The view link cannot be made."},
    {22016, LANG_HUNGARIAN, "A nézet kapcsolata nem hozható létre."},
    {22017, LANG_ENGLISH, "Child table name already in use."},
    {22017, LANG_HUNGARIAN, "Az altábla neve már foglalt."},
    {22018, LANG_ENGLISH, "Unknown function or blob file."},
    {22018, LANG_HUNGARIAN, "Ismeretlen függvény vagy blobfájl."},
    {22019, LANG_ENGLISH, "SQL syntax error."},
    {22019, LANG_HUNGARIAN, "SQL szintaktikai hiba."},
    {22020, LANG_ENGLISH, "Malformed SQL statement."},
    {22020, LANG_HUNGARIAN, "Hibás SQL utasítás."},
    {22021, LANG_ENGLISH, "SQL: user, role or privilege not found, or incomplete condition."},
    {22021, LANG_HUNGARIAN, "SQL: a felhasználó, a szerep vagy a jog nem található, vagy hiányos a feltétel."},
    {22022, LANG_ENGLISH, "Value not valid here."},
    {22022, LANG_HUNGARIAN, "Az érték itt nem érvényes."},
    {22023, LANG_ENGLISH, "SQL FROM clause not supported."},
    {22023, LANG_HUNGARIAN, "Nem támogatott SQL FROM rész."},
    {22024, LANG_ENGLISH, "SQL conditions give no key search."},
    {22024, LANG_HUNGARIAN, "Az SQL feltételekből nem adódik kulcsos keresés."},
    {22025, LANG_ENGLISH, "SQL columns without a link index."},
    {22025, LANG_HUNGARIAN, "Kapcsoló index nélküli SQL oszlopok."},
    {22027, LANG_ENGLISH, "SQL text cannot be read on."},
    {22027, LANG_HUNGARIAN, "Az SQL szöveg nem olvasható tovább."},
    {22028, LANG_ENGLISH, "SQL INSERT: the numbers of columns and values differ."},
    {22028, LANG_HUNGARIAN, "SQL INSERT: az oszlopok és az értékek száma eltér."},
    {22029, LANG_ENGLISH, "SQL INSERT syntax error."},
    {22029, LANG_HUNGARIAN, "SQL INSERT szintaktikai hiba."},
    {22030, LANG_ENGLISH, "SQL UPDATE without SET."},
    {22030, LANG_HUNGARIAN, "SQL UPDATE SET nélkül."},
    {22031, LANG_ENGLISH, "SQL assignment without \"=\"."},
    {22031, LANG_HUNGARIAN, "SQL értékadás \"=\" nélkül."},
    {22032, LANG_ENGLISH, "SQL user statement without IDENTIFIED BY."},
    {22032, LANG_HUNGARIAN, "SQL felhasználói utasítás IDENTIFIED BY nélkül."},
    {22034, LANG_ENGLISH, "Bookmark not found."},
    {22034, LANG_HUNGARIAN, "A könyvjelző nem található."},
    {22036, LANG_ENGLISH, "Bookmark name already in use."},
    {22036, LANG_HUNGARIAN, "A könyvjelző neve már foglalt."},
    {22037, LANG_ENGLISH, "Cursor not found."},
    {22037, LANG_HUNGARIAN, "A kurzor nem található."},
    {22038, LANG_ENGLISH, "Cursor name already in use."},
    {22038, LANG_HUNGARIAN, "A kurzor neve már foglalt."},
    {22039, LANG_ENGLISH, "Range search needs two bound records."},
    {22039, LANG_HUNGARIAN, "A tartománykereséshez két határrekord kell."},
    {22040, LANG_ENGLISH, "Text too long for the field."},
    {22040, LANG_HUNGARIAN, "A szöveg túl hosszú a mezőhöz."},
    {22042, LANG_ENGLISH, "Table name found in more than one tablespace."},
    {22042, LANG_HUNGARIAN, "A tábla neve több adatbázisban is szerepel."},
    {22043, LANG_ENGLISH, "SQL column found in more than one table."},
    {22043, LANG_HUNGARIAN, "Az SQL oszlop több táblában is szerepel."},
    {22045, LANG_ENGLISH, "SQL table reference not supported."},
    {22045, LANG_HUNGARIAN, "Nem támogatott SQL táblahivatkozás."},
    // Any other code, and a client status 10044, which the client library
    // does not define.
    {23044, LANG_ENGLISH, "Database error."},
    {23044, LANG_HUNGARIAN, "Adatbázis-hiba."},
};

// The client library's statuses take the texts the library publishes for
// them, so that both always say the same.
constexpr size_t CountClientTexts() {
    size_t n = 0;
    for (int32_t code = lurdbcli::kFirstStatus; code <= lurdbcli::kLastStatus; ++code)
        if (lurdbcli::StatusText(code) && code + kClientTextBase != kOtherCodeText) ++n;
    return n;
}

constexpr auto MakeClientTexts() {
    std::array<win::StringResource, CountClientTexts()> texts{};
    size_t n = 0;
    for (int32_t code = lurdbcli::kFirstStatus; code <= lurdbcli::kLastStatus; ++code)
        if (lurdbcli::StatusText(code) && code + kClientTextBase != kOtherCodeText)
            texts[n++] = {static_cast<uint32_t>(code + kClientTextBase), LANG_ENGLISH, lurdbcli::StatusText(code)};
    return texts;
}

constexpr auto kClientTexts = MakeClientTexts();

}  // namespace

void RegisterDbErrorTexts() {
    static const bool registered = win::RegisterStringTable(nullptr, kDatabaseTexts, std::size(kDatabaseTexts)) &&
                                   win::RegisterStringTable(nullptr, kClientTexts.data(), kClientTexts.size());
    (void)registered;
}

}  // namespace lurclistl
