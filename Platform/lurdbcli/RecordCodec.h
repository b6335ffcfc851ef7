// Conversion between the fields of a record buffer (code page 1250, fixed
// layout) and the column values of the store, and between field values and
// their text form (lurdbadm's CSV and dump).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "Schema.h"
#include "Sqlite.h"

namespace lurdbcli {

// The value of a field in a record buffer (the image without its data
// offset). Text is stored as UTF-8 of the bytes up to the first zero; raw 'c'
// fields as their bytes; unsigned fields by their unsigned value.
SqlValue FieldToSql(const FieldDef& field, const char* record);
// Whether a field's type is one of the integers ('s', 'i', 'l', 'd').
inline bool IsIntegerField(const FieldDef& field) {
    return field.type == 's' || field.type == 'i' || field.type == 'l' || field.type == 'd';
}
// Whether an integer field reads its bits unsigned ('d' always, 'l' and 's'
// by their flag).
inline bool IsUnsigned(const FieldDef& field) {
    return field.type == 'd' || ((field.type == 'l' || field.type == 's') && (field.flags & kUnsignedFlag));
}
// The value of an integer field in a record buffer (inline: keys bind it
// on every find).
inline long long IntegerField(const FieldDef& field, const char* record) {
    const char* bytes = record + (field.position - kDataOffset);
    if (field.type == 's') {
        int16_t value;
        std::memcpy(&value, bytes, sizeof value);
        return IsUnsigned(field) ? static_cast<long long>(static_cast<uint16_t>(value)) : value;
    }
    int32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return IsUnsigned(field) ? static_cast<long long>(static_cast<uint32_t>(value)) : value;
}
// The same as a view, without copying: it points into the record, or into
// converted for text that needs converting.
ColumnView FieldView(const FieldDef& field, const char* record, std::string& converted);
// Writes a stored value into the field of a record buffer (NULL gives zeros).
void SqlToField(const FieldDef& field, const SqlValue& value, char* record);
// The same from a column where the statement holds it (no copy of the value).
// Inline, as every row read passes each of its fields through it.
inline void ColumnToField(const FieldDef& field, const ColumnView& value, char* record);
// ColumnToField's part for a 'c' field.
void TextToField(const FieldDef& field, const ColumnView& value, char* record);
// The bytes of the record, from the field's place on, that ColumnToField
// writes whatever the value (NULL included); 0 for a field it leaves alone.
size_t BytesWritten(const FieldDef& field);

// A field value from text (code page 1250): numbers in decimal; a one-byte
// 'c' field also takes "" (0), two hexadecimal digits or "0x" and two digits.
// Throws StoreError kBadArgument for a text the field cannot hold.
SqlValue TextToSql(const FieldDef& field, const std::string& text);
// The text form of a stored value (code page 1250); raw bytes as hex digits.
std::string SqlToText(const FieldDef& field, const SqlValue& value);

// Writes a number into an integer field: 's' keeps its low 16 bits, the
// others their low 32 (an unsigned value's bits as they are).
inline void StoreIntegerField(const FieldDef& field, long long number, char* record) {
    char* bytes = record + (field.position - kDataOffset);
    if (field.type == 's') {
        const auto narrow = static_cast<int16_t>(number);
        std::memcpy(bytes, &narrow, sizeof narrow);
    } else {
        const auto narrow = static_cast<int32_t>(static_cast<uint32_t>(number));
        std::memcpy(bytes, &narrow, sizeof narrow);
    }
}

inline void ColumnToField(const FieldDef& field, const ColumnView& value, char* record) {
    const auto store = [&](auto number) {
        std::memcpy(record + (field.position - kDataOffset), &number, sizeof number);
    };
    const auto real = [&] { return value.type == SQLITE_INTEGER ? static_cast<double>(value.integer) : value.real; };
    switch (field.type) {
        case 's':
        case 'i':
        case 'l':
        case 'd':
            StoreIntegerField(field, value.type == SQLITE_FLOAT ? static_cast<long long>(value.real) : value.integer,
                              record);
            break;
        case 'f': store(static_cast<float>(real())); break;
        case 'F': store(real()); break;
        case 'c': TextToField(field, value, record); break;
        default: break;
    }
}

}  // namespace lurdbcli
