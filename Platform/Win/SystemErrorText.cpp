#include "SystemErrorText.h"

#include "CodePage.h"
#include "LastError.h"
#include "Locale.h"
#include "StringResources.h"

namespace win {

namespace {

struct ErrorText {
    uint32_t code;
    const char* english;
    const char* hungarian;  // UTF-8 here, code page 1250 when handed out
};

const ErrorText kErrorTexts[] = {
    {ERROR_SUCCESS, "The operation succeeded.", "A művelet sikerült."},
    {ERROR_INVALID_FUNCTION, "The function is not supported here.", "A függvény itt nem támogatott."},
    {ERROR_FILE_NOT_FOUND, "The file was not found.", "A fájl nem található."},
    {ERROR_PATH_NOT_FOUND, "The path was not found.", "Az elérési út nem található."},
    {ERROR_TOO_MANY_OPEN_FILES, "Too many files are open.", "Túl sok fájl van megnyitva."},
    {ERROR_ACCESS_DENIED, "Access is denied.", "A hozzáférés megtagadva."},
    {ERROR_INVALID_HANDLE, "The handle is not valid.", "A leíró érvénytelen."},
    {ERROR_NOT_ENOUGH_MEMORY, "There is not enough memory for this operation.", "Nincs elég memória a művelethez."},
    {ERROR_INVALID_DATA, "The data are not valid.", "Az adatok érvénytelenek."},
    {ERROR_OUTOFMEMORY, "The memory has run out.", "Elfogyott a memória."},
    {ERROR_NOT_SAME_DEVICE, "The file cannot be moved to another disk.", "A fájl nem helyezhető át másik lemezre."},
    {ERROR_NO_MORE_FILES, "There are no more files.", "Nincs több fájl."},
    {ERROR_WRITE_PROTECT, "The medium is write-protected.", "Az adathordozó írásvédett."},
    {ERROR_SHARING_VIOLATION, "The file is in use by another process.", "A fájlt egy másik folyamat használja."},
    {ERROR_LOCK_VIOLATION, "Part of the file is locked by another process.",
     "A fájl egy részét egy másik folyamat zárolta."},
    {ERROR_HANDLE_EOF, "The end of the file has been reached.", "Elérte a fájl végét."},
    {ERROR_NOT_SUPPORTED, "The request is not supported.", "A kérés nem támogatott."},
    {ERROR_BAD_NETPATH, "The network path was not found.", "A hálózati elérési út nem található."},
    {ERROR_FILE_EXISTS, "The file already exists.", "A fájl már létezik."},
    {ERROR_INVALID_PARAMETER, "A parameter is not valid.", "Egy paraméter érvénytelen."},
    {ERROR_BROKEN_PIPE, "The pipe has been closed.", "A csővezeték lezárult."},
    {ERROR_DISK_FULL, "The disk is full.", "A lemez megtelt."},
    {ERROR_INSUFFICIENT_BUFFER, "The buffer is too small for the data.", "A puffer túl kicsi az adatokhoz."},
    {ERROR_INVALID_NAME, "The file, directory or volume name is not valid.",
     "A fájl-, könyvtár- vagy kötetnév érvénytelen."},
    {ERROR_MOD_NOT_FOUND, "The module was not found.", "A modul nem található."},
    {ERROR_PROC_NOT_FOUND, "The procedure was not found.", "Az eljárás nem található."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty.", "A könyvtár nem üres."},
    {ERROR_BAD_PATHNAME, "The path is not valid.", "Az elérési út érvénytelen."},
    {ERROR_ALREADY_EXISTS, "The file cannot be created because it already exists.",
     "A fájl nem hozható létre, mert már létezik."},
    {ERROR_FILENAME_EXCED_RANGE, "The file name or extension is too long.",
     "A fájlnév vagy a kiterjesztés túl hosszú."},
    {ERROR_FILE_TOO_LARGE, "File too large: the file may not grow past the file-size limit.",
     "A fájl túl nagy: nem nőhet a fájlméret-korláton túl."},
    {ERROR_DIRECTORY, "The directory name is not valid.", "A könyvtárnév érvénytelen."},
    {ERROR_MORE_DATA, "More data are available.", "További adatok érhetők el."},
    {ERROR_NO_MORE_ITEMS, "There are no more items.", "Nincs több elem."},
    {ERROR_MR_MID_NOT_FOUND, "No message text exists for this error code.", "Ehhez a hibakódhoz nincs üzenetszöveg."},
    {ERROR_INVALID_FLAGS, "The flags are not valid.", "A jelzők érvénytelenek."},
    {ERROR_NO_UNICODE_TRANSLATION, "The character has no mapping in the target code page.",
     "A karakternek nincs megfelelője a cél kódlapon."},
    {ERROR_INVALID_WINDOW_HANDLE, "The window handle is not valid.", "Az ablakleíró érvénytelen."},
    {ERROR_RESOURCE_DATA_NOT_FOUND, "The resource data were not found.", "Az erőforrás adatai nem találhatók."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, "The resource type was not found.", "Az erőforrás típusa nem található."},
    {ERROR_RESOURCE_NAME_NOT_FOUND, "The resource name was not found.", "Az erőforrás neve nem található."},
    {ERROR_RESOURCE_LANG_NOT_FOUND, "No text exists in the requested language.", "A kért nyelven nincs szöveg."},
};

constexpr uint16_t kUserDefaultLanguage = 0x0400;

const char* TextIn(const ErrorText& entry, uint16_t primaryLanguage) {
    if (primaryLanguage == LANG_ENGLISH) return entry.english;
    if (primaryLanguage == LANG_HUNGARIAN) return entry.hungarian;
    return nullptr;
}

}  // namespace

bool FormatSystemMessage(uint32_t code, uint16_t languageId, std::string& text) {
    const ErrorText* entry = nullptr;
    for (const ErrorText& e : kErrorTexts) {
        if (e.code == code) entry = &e;
    }
    if (entry == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return false;
    }
    const uint16_t userLanguage = PrimaryLangId(LangIdFromLcid(GetUserDefaultLCID()));
    const char* found = nullptr;
    if (languageId == 0) {
        found = TextIn(*entry, userLanguage);
        if (found == nullptr) found = entry->english;
    } else {
        found = TextIn(*entry, languageId == kUserDefaultLanguage ? userLanguage : PrimaryLangId(languageId));
    }
    if (found == nullptr) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return false;
    }
    text = Utf8ToCp1250(found) + "\r\n";
    return true;
}

}  // namespace win
