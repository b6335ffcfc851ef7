#include "RecordCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "CodePage.h"
#include "FieldNumberText.h"
#include "QuotedValue.h"
#include "lurdbcli.h"

namespace lurdbcli {

namespace {

template <typename T>
T Load(const char* record, const FieldDef& field) {
    T value;
    std::memcpy(&value, record + (field.position - kDataOffset), sizeof value);
    return value;
}

// Plain ASCII, the common case, is the same in code page 1250 and UTF-8
// and needs no conversion either way.
bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

// UTF-8 text into room bytes of a field as code page 1250, cut at room.
void CopyText(const ColumnView& text, char* bytes, size_t room) {
    const std::string_view utf8(text.data, text.size);
    if (IsAscii(utf8)) {
        std::memcpy(bytes, utf8.data(), std::min(room, utf8.size()));
        return;
    }
    const std::string cp1250 = win::Utf8ToCp1250(utf8);
    std::memcpy(bytes, cp1250.data(), std::min(room, cp1250.size()));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// reason: why, after the value; by default what the field takes.
[[noreturn]] void BadText(const FieldDef& field, const std::string& text, const char* reason = nullptr) {
    const std::string takes = lurfieldnumber::WhatItTakes(field.type, (field.flags & kUnsignedFlag) != 0);
    const std::string why = reason ? reason : takes.empty() ? "" : "not " + takes;
    throw StoreError{kBadArgument, "field " + win::Cp1250ToUtf8(field.name) + ": bad value " +
                                       win::Cp1250ToUtf8(lurquote::QuotedValue(text, '"')) +
                                       (why.empty() ? "" : ", " + why)};
}

}  // namespace

ColumnView FieldView(const FieldDef& field, const char* record, std::string& converted) {
    ColumnView view;
    switch (field.type) {
        case 's':
        case 'i':
        case 'l':
        case 'd':
            view.type = SQLITE_INTEGER;
            view.integer = IntegerField(field, record);
            break;
        case 'f':
            view.type = SQLITE_FLOAT;
            view.real = static_cast<double>(Load<float>(record, field));
            break;
        case 'F':
            view.type = SQLITE_FLOAT;
            view.real = Load<double>(record, field);
            break;
        case 'c': {
            const char* bytes = record + (field.position - kDataOffset);
            const auto length = static_cast<size_t>(field.length);
            if (field.IsRaw()) {
                view.type = SQLITE_BLOB;
                view.data = bytes;
                view.size = length;
                break;
            }
            view.type = SQLITE_TEXT;
            const std::string_view text(bytes, strnlen(bytes, length));
            if (IsAscii(text)) {
                view.data = text.data();
                view.size = text.size();
            } else {
                converted = win::Cp1250ToUtf8(text);
                view.data = converted.data();
                view.size = converted.size();
            }
            break;
        }
        default: break;
    }
    return view;
}

SqlValue FieldToSql(const FieldDef& field, const char* record) {
    std::string converted;
    return ValueOf(FieldView(field, record, converted));
}

void SqlToField(const FieldDef& field, const SqlValue& value, char* record) {
    ColumnToField(field, ViewOf(value), record);
}

void TextToField(const FieldDef& field, const ColumnView& value, char* record) {
    char* bytes = record + (field.position - kDataOffset);
    const auto length = static_cast<size_t>(field.length);
    std::memset(bytes, 0, length);
    if (value.size == 0) {
        return;  // (SQLite gives no pointer for an empty value)
    }
    if (value.type == SQLITE_BLOB) {
        std::memcpy(bytes, value.data, std::min(length, value.size));
    } else if (value.type == SQLITE_TEXT) {
        // A text field keeps its terminating zero; a one-byte field is one character.
        CopyText(value, bytes, length > 1 && !field.IsRaw() ? length - 1 : length);
    }
}

size_t BytesWritten(const FieldDef& field) {
    switch (field.type) {
        case 's': return sizeof(int16_t);
        case 'i':
        case 'l':
        case 'd': return sizeof(int32_t);
        case 'f': return sizeof(float);
        case 'F': return sizeof(double);
        case 'c': return static_cast<size_t>(field.length);
        default: return 0;
    }
}

SqlValue TextToSql(const FieldDef& field, const std::string& text) {
    switch (field.type) {
        case 's':
        case 'i':
        case 'l':
        case 'd':
        case 'f':
        case 'F': {
            // The one rule of the number fields, as SQL and the import keep it.
            switch (lurfieldnumber::Judge(field.type, (field.flags & kUnsignedFlag) != 0, text)) {
                case lurfieldnumber::Verdict::kTakes: break;
                case lurfieldnumber::Verdict::kRefused: BadText(field, text);
                case lurfieldnumber::Verdict::kOutOfRange: BadText(field, text, lurfieldnumber::kOutOfRangeText);
            }
            if (field.type == 'f' || field.type == 'F') {
                return lurfieldnumber::FloatingOf(field.type, text);
            }
            return lurfieldnumber::IntegerOf(text);
        }
        case 'c': {
            if (field.IsRaw()) {
                if (text.size() % 2 != 0 || text.size() / 2 > static_cast<size_t>(field.length)) {
                    BadText(field, text);
                }
                Bytes bytes(static_cast<size_t>(field.length), 0);
                for (size_t i = 0; i < text.size(); i += 2) {
                    const int high = HexDigit(text[i]);
                    const int low = HexDigit(text[i + 1]);
                    if (high < 0 || low < 0) {
                        BadText(field, text);
                    }
                    bytes[i / 2] = static_cast<unsigned char>(high * 16 + low);
                }
                return bytes;
            }
            if (field.length == 1) {
                std::string digits = text;
                if (digits.size() == 4 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
                    digits.erase(0, 2);
                }
                if (text.size() <= 1) {
                    return win::Cp1250ToUtf8(text);
                }
                if (digits.size() != 2 || HexDigit(digits[0]) < 0 || HexDigit(digits[1]) < 0) {
                    BadText(field, text);
                }
                const char byte = static_cast<char>(HexDigit(digits[0]) * 16 + HexDigit(digits[1]));
                return byte == 0 ? std::string() : win::Cp1250ToUtf8(std::string(1, byte));
            }
            if (text.find('\0') != std::string::npos) {
                BadText(field, text, "a NUL byte (\\0) is no text");
            }
            if (text.size() > static_cast<size_t>(field.length) - 1) {
                BadText(field, text);
            }
            return win::Cp1250ToUtf8(text);
        }
        default: return std::monostate{};
    }
}

std::string SqlToText(const FieldDef& field, const SqlValue& value) {
    if (const auto* raw = std::get_if<Bytes>(&value)) {
        std::string hex;
        char digits[3];
        for (unsigned char byte : *raw) {
            std::snprintf(digits, sizeof digits, "%02X", byte);
            hex += digits;
        }
        return hex;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        const std::string cp1250 = win::Utf8ToCp1250(*text);
        if (field.length == 1 && cp1250.size() == 1 && static_cast<unsigned char>(cp1250[0]) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(cp1250[0]));
            return hex;
        }
        return cp1250;
    }
    if (const auto* i = std::get_if<long long>(&value)) {
        return std::to_string(*i);
    }
    if (const auto* d = std::get_if<double>(&value)) {
        char number[64];
        std::snprintf(number, sizeof number, "%.17g", *d);
        return number;
    }
    return std::string();
}

}  // namespace lurdbcli
