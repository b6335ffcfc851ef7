// Hexadecimal text, code-page conversion, wildcards and whole files (see
// LurUtils.h).

#include "LurUtils.h"

#include <memory>

#include "CodePage.h"
#include "File.h"
#include "LurExceptBase.h"
#include "LurWinUtils.h"

namespace lurutils {

namespace {

constexpr ThrowSource Here{"GenModules\\LurUtils\\LurUtils"};
constexpr int kBadHexText = 18;
constexpr int kLineFromHex = 1513;

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The value of a hexadecimal digit of either case, or -1.
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendHex(std::string& out, unsigned char byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

// The bytes of a hexadecimal text; false (bytes untouched) for an empty text,
// which leaves every output as it was.
bool DecodeHex(const std::string& text, const std::string& separators, std::string& bytes) {
    if (text.empty()) return false;
    const std::string cuts = separators + "\r\n \t";
    std::string decoded;
    decoded.reserve(text.size() / 2);
    size_t start = text.find_first_not_of(cuts);
    while (start != std::string::npos) {
        size_t end = text.find_first_of(cuts, start);
        if (end == std::string::npos) end = text.size();
        if ((end - start) % 2 != 0) throw LurExceptBase(kBadHexText, Here(kLineFromHex));
        for (size_t i = start; i < end; i += 2) {
            const int high = HexValue(text[i]);
            const int low = HexValue(text[i + 1]);
            if (high < 0 || low < 0) throw LurExceptBase(kBadHexText, Here(kLineFromHex));
            decoded += static_cast<char>(high * 16 + low);
        }
        start = text.find_first_not_of(cuts, end);
    }
    bytes = std::move(decoded);
    return true;
}

struct BlockDelete {
    void operator()(char* block) const { ::operator delete(block); }
};
using Block = std::unique_ptr<char, BlockDelete>;

// The converted text as a new block and its length with the zero; a null
// block and 0 on failure.
Block Convert(const char* text, unsigned fromCodePage, unsigned toCodePage, bool throwOnError, unsigned& length) {
    char* raw = nullptr;
    const int size = ConvertCodePage(text, fromCodePage, &raw, toCodePage, throwOnError);
    Block block(raw);
    if (size <= 0) block.reset();
    length = block ? static_cast<unsigned>(size) : 0;
    return block;
}

unsigned ConvertToBlock(const char* text, unsigned from, unsigned to, char** out, bool throwOnError) {
    if (out == nullptr) return 0;
    unsigned length = 0;
    Block block = Convert(text, from, to, throwOnError, length);
    if (block) *out = block.release();
    return length;
}

bool ConvertToBuf(const char* text, unsigned from, unsigned to, LurBuf& out, bool throwOnError) {
    unsigned length = 0;
    Block block = Convert(text, from, to, throwOnError, length);
    if (!block) return false;
    out.Attach(block.release(), length);
    return true;
}

bool ConvertToText(const std::string& text, unsigned from, unsigned to, std::string& out, bool throwOnError) {
    unsigned length = 0;
    const Block block = Convert(text.c_str(), from, to, throwOnError, length);
    if (!block) return false;
    out.assign(block.get());
    return true;
}

}  // namespace

// ---- hexadecimal text -------------------------------------------------------

unsigned ToHex(const void* data, unsigned length, std::string& out) {
    std::string hex;
    hex.reserve(2 * static_cast<size_t>(length));
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (unsigned i = 0; i < length; ++i) AppendHex(hex, bytes[i]);
    out = std::move(hex);
    return length;
}

unsigned ToHex(const LurBuf& data, std::string& out) { return ToHex(data.GetData(), data.GetLength(), out); }

std::string ToHex(const std::string& text) {
    std::string out;
    ToHex(text.data(), static_cast<unsigned>(text.size()), out);
    return out;
}

void FromHex(const std::string& text, LurBuf& out, const std::string& separators) {
    std::string bytes;
    if (DecodeHex(text, separators, bytes)) out.Assign(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::string FromHex(const std::string& text, const std::string& separators) {
    std::string bytes;
    DecodeHex(text, separators, bytes);
    return bytes;
}

void FromHex(const std::string& text, void*& data, unsigned& length, const std::string& separators) {
    LurBuf buffer;
    FromHex(text, buffer, separators);
    buffer.Release(data, length);
}

void HexDump(const void* data, unsigned length, std::string& out, unsigned lineWidth, const std::string& separator,
             unsigned indent) {
    const std::string margin(indent, ' ');
    std::string dump;
    // Each byte takes its two digits and the separator (a line break at most
    // adds "\r\n" and the margin, spread over a line).
    dump.reserve(margin.size() + static_cast<size_t>(length) * (2 + separator.size() + 2));
    dump += margin;
    size_t lineStart = 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (unsigned i = 0; i < length; ++i) {
        AppendHex(dump, bytes[i]);
        if (dump.size() + separator.size() + 2 - lineStart > lineWidth) {
            dump += "\r\n";
            lineStart = dump.size();
            dump += margin;
        } else {
            dump += separator;
        }
    }
    out = std::move(dump);
}

void HexDump(const LurBuf& data, std::string& out, unsigned lineWidth, const std::string& separator, unsigned indent) {
    HexDump(data.GetData(), data.GetLength(), out, lineWidth, separator, indent);
}

// ---- code-page conversion ---------------------------------------------------

unsigned Utf8ToAnsi(const char* text, char** out, bool throwOnError) {
    return ConvertToBlock(text, win::CP_UTF8, win::CP_ACP, out, throwOnError);
}

unsigned AnsiToUtf8(const char* text, char** out, bool throwOnError) {
    return ConvertToBlock(text, win::CP_ACP, win::CP_UTF8, out, throwOnError);
}

bool Utf8ToAnsi(const char* text, LurBuf& out, bool throwOnError) {
    return ConvertToBuf(text, win::CP_UTF8, win::CP_ACP, out, throwOnError);
}

bool AnsiToUtf8(const char* text, LurBuf& out, bool throwOnError) {
    return ConvertToBuf(text, win::CP_ACP, win::CP_UTF8, out, throwOnError);
}

bool Utf8ToAnsi(const std::string& text, std::string& out, bool throwOnError) {
    return ConvertToText(text, win::CP_UTF8, win::CP_ACP, out, throwOnError);
}

bool AnsiToUtf8(const std::string& text, std::string& out, bool throwOnError) {
    return ConvertToText(text, win::CP_ACP, win::CP_UTF8, out, throwOnError);
}

std::string Utf8ToAnsi(const std::string& text, bool throwOnError) {
    std::string out;
    Utf8ToAnsi(text, out, throwOnError);
    return out;
}

std::string AnsiToUtf8(const std::string& text, bool throwOnError) {
    std::string out;
    AnsiToUtf8(text, out, throwOnError);
    return out;
}

// ---- wildcards --------------------------------------------------------------

bool WildcardMatch(const char* pattern, const char* text) {
    if (pattern == nullptr) pattern = "";
    if (text == nullptr) text = "";
    const char* p = pattern;
    const char* t = text;
    // The last '*' seen and the text position its run was last taken to end
    // at: on a mismatch the '*' takes one character more and the rest of the
    // pattern is tried again from there.
    const char* star = nullptr;
    const char* starText = nullptr;
    while (*t != '\0') {
        if (*p == '*') {
            star = p++;
            starText = t;
        } else if (*p != '\0' && (*p == '?' || *p == *t)) {
            ++p;
            ++t;
        } else if (star != nullptr) {
            p = star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == '\0';
}

// ---- whole files ------------------------------------------------------------

bool LoadFile(const std::string& path, LurBuf& out, bool throwOnError) {
    File file;
    if (!file.Open(GetFullPath(path, true).c_str(), "rs", false, throwOnError)) return false;
    // A failed query answers INVALID_FILE_SIZE, which must not become a
    // block of 4 GiB; files that large are outside the model anyway.
    const uint32_t size = file.GetSize(throwOnError);
    if (size == win::INVALID_FILE_SIZE) {
        file.Close(throwOnError);
        return false;
    }
    LurBuf contents('\0', size);
    uint32_t read = 0;
    // An empty file has nothing to read (and an empty buffer no block).
    const bool whole =
        size == 0 || (file.ReadAt(contents.GetData(), size, 0, &read, throwOnError) == 0 && read == size);
    if (!file.Close(throwOnError) || !whole) return false;
    void* block = nullptr;
    uint32_t length = 0;
    contents.Release(block, length);
    out.Attach(block, length);
    return true;
}

bool LoadFile(const std::string& path, std::string& out, bool throwOnError) {
    out.clear();
    LurBuf contents;
    if (!LoadFile(path, contents, throwOnError)) return false;
    if (contents.GetLength() > 0) out.append(static_cast<const char*>(contents.GetData()), contents.GetLength());
    return true;
}

bool SaveFile(const LurBuf& data, const std::string& path, bool throwOnError, bool clearReadOnly,
              bool createDirectories) {
    const std::string fullPath = GetFullPath(path, true);
    if (clearReadOnly && IsReadOnlyFile(path) &&
        ChangeAttributes(path, FileAttrReadOnly, false, throwOnError) == FileAttrInvalid)
        return false;
    File file;
    if (!file.Open(fullPath.c_str(), "Ws", createDirectories, throwOnError)) return false;
    const bool written = file.Append(data.GetData(), data.GetLength(), nullptr, throwOnError) == 0;
    return file.Close(throwOnError) && written;
}

bool SaveFile(const std::string& text, const std::string& path, bool throwOnError, bool clearReadOnly,
              bool createDirectories) {
    const std::string characters(text.c_str());
    return SaveFile(LurBuf(characters.data(), static_cast<uint32_t>(characters.size())), path, throwOnError,
                    clearReadOnly, createDirectories);
}

}  // namespace lurutils
