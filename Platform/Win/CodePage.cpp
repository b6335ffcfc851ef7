#include "CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

#include "LastError.h"

namespace win {

namespace {

constexpr char16_t kReplacement = 0xFFFD;  // invalid UTF-8 decodes to this
constexpr char kDefaultChar = '?';         // a character CP1250 lacks encodes to this

// CP1250 bytes 0x80-0xFF. The five bytes the code page leaves undefined map to
// the C1 control of the same value, so that every byte survives a round trip.
constexpr std::array<char16_t, 128> kCp1250High = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

char32_t Cp1250ToCodePoint(unsigned char byte) {
    return byte < 0x80 ? char32_t(byte) : char32_t(kCp1250High[byte - 0x80]);
}

// The CP1250 byte of a code point, or '?' when the code page lacks it.
char CodePointToCp1250(char32_t cp) {
    if (cp < 0x80) return char(cp);
    // Sorted once, so that encoding is a binary search rather than a scan.
    static const auto reverse = [] {
        std::array<std::pair<char16_t, unsigned char>, 128> table{};
        for (unsigned i = 0; i < 128; ++i) table[i] = {kCp1250High[i], static_cast<unsigned char>(0x80 + i)};
        std::sort(table.begin(), table.end());
        return table;
    }();
    if (cp > 0xFFFF) return kDefaultChar;
    const auto it =
        std::lower_bound(reverse.begin(), reverse.end(), std::pair<char16_t, unsigned char>(char16_t(cp), 0));
    return (it != reverse.end() && it->first == cp) ? char(it->second) : kDefaultChar;
}

// The character of text that begins at byte i: its code point (U+FFFD for
// a maximal invalid subsequence) and whether it is valid; the byte after it
// is returned.
size_t DecodeUtf8At(std::string_view text, size_t i, char32_t& cp, bool& valid) {
    const size_t n = text.size();
    const unsigned char b = static_cast<unsigned char>(text[i]);
    valid = true;
    if (b < 0x80) {
        cp = b;
        return i + 1;
    }
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        cp = b & 0x0F;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        cp = b & 0x07;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        cp = kReplacement;
        valid = false;
        return i + 1;
    }
    size_t j = i + 1;
    for (int k = 1; k < length; ++k, ++j) {
        const unsigned char c = j < n ? static_cast<unsigned char>(text[j]) : 0;
        const unsigned char lo = k == 1 ? low : 0x80;
        const unsigned char hi = k == 1 ? high : 0xBF;
        if (j >= n || c < lo || c > hi) {
            valid = false;
            break;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (!valid) cp = kReplacement;
    return j;
}

// Decodes UTF-8, giving emit each character with the byte offset where it
// starts and whether it was valid; each maximal invalid subsequence is one
// invalid U+FFFD.
template <class Emit>
void DecodeUtf8Located(std::string_view text, Emit emit) {
    char32_t cp = 0;
    bool valid = true;
    for (size_t i = 0, next = 0; i < text.size(); i = next) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {  // the common case, without the call
            emit(char32_t(text[i]), i, true);
            next = i + 1;
            continue;
        }
        next = DecodeUtf8At(text, i, cp, valid);
        emit(cp, i, valid);
    }
}

// Decodes UTF-8; each maximal invalid subsequence becomes one U+FFFD.
template <class Emit>
void DecodeUtf8(std::string_view text, Emit emit) {
    DecodeUtf8Located(text, [&](char32_t cp, size_t, bool) { emit(cp); });
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += char16_t(cp);
    } else {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
    }
}

// Walks UTF-16; an unpaired surrogate becomes U+FFFD.
template <class Emit>
void DecodeUtf16(std::u16string_view text, Emit emit) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            emit(char32_t(0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            emit(char32_t(kReplacement));
        } else {
            emit(char32_t(u));
        }
    }
}

// The iconv name of a code page our own codec does not handle, or "" when we
// do not know one.
std::string IconvName(uint32_t codePage) {
    if (codePage == 20127) return "ASCII";
    if (codePage >= 28591 && codePage <= 28599) return "ISO-8859-" + std::to_string(codePage - 28590);
    if (codePage == 28605) return "ISO-8859-15";
    if (codePage == 20866) return "KOI8-R";
    if (codePage >= 437 && codePage <= 1258) return "CP" + std::to_string(codePage);
    return {};
}

const char* NativeUtf16Name() { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

// An iconv descriptor that is closed on every path.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Converts with iconv, replacing what cannot be converted unit by unit;
// false when the code page is unknown.
bool IconvConvert(const char* to, const char* from, const char* input, size_t inBytes, size_t inUnit,
                  std::string& output, const char* replacement, size_t replacementSize) {
    IconvHandle cd(to, from);
    if (!cd.valid()) return false;
    output.clear();
    char buffer[1024];
    char* in = const_cast<char*>(input);
    size_t inLeft = inBytes;
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        output.append(buffer, out);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // An invalid or incomplete unit: replace it and go on after it.
            output.append(replacement, replacementSize);
            const size_t skip = std::min(inUnit, inLeft);
            in += skip;
            inLeft -= skip;
        }
    }
    return true;
}

bool IsOwnCodec(uint32_t codePage) { return codePage == CP_ACP || codePage == CP_1250 || codePage == CP_UTF8; }

bool IsKnownCodePage(uint32_t codePage) {
    if (IsOwnCodec(codePage)) return true;
    const std::string name = IconvName(codePage);
    if (name.empty()) return false;
    IconvHandle cd(NativeUtf16Name(), name.c_str());
    return cd.valid();
}

// Multi-byte text in a code page to UTF-16; false for an unknown code page.
bool ToUtf16(uint32_t codePage, std::string_view text, std::u16string& out) {
    out.clear();
    if (codePage == CP_UTF8) {
        DecodeUtf8(text, [&](char32_t cp) { AppendUtf16(out, cp); });
        return true;
    }
    if (IsOwnCodec(codePage)) {
        out.reserve(text.size());
        for (char c : text) out += char16_t(Cp1250ToCodePoint(static_cast<unsigned char>(c)));
        return true;
    }
    const std::string name = IconvName(codePage);
    if (name.empty()) return false;
    std::string bytes;
    const char16_t replacement = kReplacement;
    if (!IconvConvert(NativeUtf16Name(), name.c_str(), text.data(), text.size(), 1, bytes,
                      reinterpret_cast<const char*>(&replacement), sizeof replacement)) {
        return false;
    }
    out.resize(bytes.size() / sizeof(char16_t));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(char16_t));
    return true;
}

// UTF-16 to multi-byte text in a code page; false for an unknown code page.
bool FromUtf16(uint32_t codePage, std::u16string_view text, std::string& out) {
    out.clear();
    if (codePage == CP_UTF8) {
        DecodeUtf16(text, [&](char32_t cp) { AppendUtf8(out, cp); });
        return true;
    }
    if (IsOwnCodec(codePage)) {
        out.reserve(text.size());
        DecodeUtf16(text, [&](char32_t cp) { out += CodePointToCp1250(cp); });
        return true;
    }
    const std::string name = IconvName(codePage);
    if (name.empty()) return false;
    return IconvConvert(name.c_str(), NativeUtf16Name(), reinterpret_cast<const char*>(text.data()),
                        text.size() * sizeof(char16_t), sizeof(char16_t), out, &kDefaultChar, 1);
}

// Shared argument checks and result copying of the two Windows-style calls.
template <class Unit>
int CopyOut(const std::basic_string<Unit>& converted, Unit* out, int outSize) {
    const int needed = static_cast<int>(converted.size());
    if (outSize == 0) return needed;
    if (out == nullptr || outSize < needed) {
        SetLastError(out == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(converted.begin(), converted.end(), out);
    return needed;
}

template <class Unit>
bool CheckInput(const Unit* text, int length, int outSize) {
    if (text == nullptr || length == 0 || length < -1 || outSize < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

uint32_t g_consoleOutputCP = CP_UTF8;

}  // namespace

int MultiByteToWideChar(uint32_t codePage, const char* text, int length, char16_t* out, int outSize) {
    if (!CheckInput(text, length, outSize)) return 0;
    const size_t size = length == -1 ? std::strlen(text) + 1 : size_t(length);
    std::u16string converted;
    if (!ToUtf16(codePage, std::string_view(text, size), converted)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return CopyOut(converted, out, outSize);
}

int WideCharToMultiByte(uint32_t codePage, const char16_t* text, int length, char* out, int outSize) {
    if (!CheckInput(text, length, outSize)) return 0;
    size_t size = 0;
    if (length == -1) {
        while (text[size] != 0) ++size;
        ++size;
    } else {
        size = size_t(length);
    }
    std::string converted;
    if (!FromUtf16(codePage, std::u16string_view(text, size), converted)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return CopyOut(converted, out, outSize);
}

std::string Cp1250ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text) AppendUtf8(out, Cp1250ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1250(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    DecodeUtf8(text, [&](char32_t cp) { out += CodePointToCp1250(cp); });
    return out;
}

StrictCp1250 Utf8ToCp1250Strict(std::string_view text) { return Utf8ToCp1250StrictInPlace(std::string(text)); }

StrictCp1250 Utf8ToCp1250StrictInPlace(std::string text, size_t from) {
    StrictCp1250 result;
    // Each character is written after its bytes were read, at a place no
    // further on than its first byte: the writing never overtakes the reading.
    char* out = text.data();
    size_t written = 0;
    DecodeUtf8Located(
        std::string_view(text).substr(std::min(from, text.size())), [&](char32_t cp, size_t offset, bool valid) {
            if (result.fault != Utf8Fault::None) return;
            const char byte = CodePointToCp1250(cp);
            if (!valid || cp == 0 || (byte == kDefaultChar && cp != U'?')) {
                result.fault = !valid ? Utf8Fault::InvalidUtf8 : cp == 0 ? Utf8Fault::NulByte : Utf8Fault::NotInCp1250;
                result.offset = from + offset;
                return;
            }
            out[written++] = byte;
        });
    text.resize(written);
    result.text = std::move(text);
    return result;
}

size_t Utf8CharacterEnd(std::string_view text, size_t at) {
    if (at >= text.size()) return text.size();
    char32_t cp = 0;
    bool valid = true;
    return DecodeUtf8At(text, at, cp, valid);
}

std::string Utf8FaultText(Utf8Fault fault, size_t offset) {
    const char* reason = fault == Utf8Fault::InvalidUtf8 ? "is not valid UTF-8 at byte "
                         : fault == Utf8Fault::NulByte   ? "holds a NUL byte at byte "
                                                         : "holds a character that code page 1250 lacks at byte ";
    return reason + std::to_string(offset);
}

uint32_t GetConsoleOutputCP() { return g_consoleOutputCP; }

bool SetConsoleOutputCP(uint32_t codePage) {
    if (codePage == CP_ACP || !IsKnownCodePage(codePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    g_consoleOutputCP = codePage;
    return true;
}

std::string WithLineFeeds(std::string text) {
    size_t kept = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        text[kept++] = text[i];
    }
    text.resize(kept);
    return text;
}

std::string ConsoleOutputText(std::string_view text) {
    if (g_consoleOutputCP == CP_UTF8) return WithLineFeeds(std::string(text));
    if (g_consoleOutputCP == CP_1250) return WithLineFeeds(Cp1250ToUtf8(text));
    std::u16string wide;
    std::string utf8;
    if (!ToUtf16(g_consoleOutputCP, text, wide) || !FromUtf16(CP_UTF8, wide, utf8)) utf8.assign(text);
    return WithLineFeeds(std::move(utf8));
}

}  // namespace win
