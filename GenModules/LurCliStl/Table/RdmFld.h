// RdmFld: one field of a table, its value read and written as text.
//
// A bound field's value lives in the record buffer that the tablespace
// description keeps for its table: every getter reads the buffer first and
// every setter writes it (DbDesc::GetFieldText / SetFieldText). A detached
// field keeps its value only in the object. Typed getters and setters convert
// between the text and numbers by the field's type letter:
//   'c' characters (one character when the length is 1, otherwise a text of
//       at most length - 1 characters), 'F' double, 'f' float, 'i' int,
//   'l' long, 's' short, 'd' a 32-bit value written as unsigned text,
//   'g' group and 'k' compound key (no value of their own).
// The unsigned flag (bit 4 of the field's flags) makes 'i', 'l' and 's'
// compare unsigned and marks a 'c' field as raw bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "DbStruct.h"

class DbDesc;
class RdmTable;

class RdmFld {
public:
    // An empty detached field: no description, no names, number -1.
    RdmFld();
    // A free-standing (detached) field of a type letter; the length counts
    // only for 'c' (and must not be 0), the others have their fixed width.
    // Any letter other than c F f i l s d raises 2006.
    RdmFld(const std::string& table, const std::string& field, char type, int16_t length, bool isUnsigned);
    // The field of a description; 2003 when the description has no such field.
    RdmFld(DbDesc* desc, const std::string& table, const std::string& field, bool detached);
    // The same with the table's description and name; 2011 without description.
    RdmFld(const RdmTable& table, const std::string& field, bool detached);
    // Copies leave out the comparison copy.
    RdmFld(const RdmFld& other);
    RdmFld& operator=(const RdmFld& other);
    ~RdmFld();

    // ---- getters (a bound field reads the record buffer first) --------------

    // 'g', 'k' and 'c' longer than one byte raise 2006. A one-byte 'c' gives
    // its character code (sign-extended); other letters convert the decimal
    // text (leading blanks, sign, digits; no digits give 0).
    int32_t GetLong() const;
    int GetInt() const;
    int16_t GetShort() const;
    float GetFloat() const;
    double GetDouble() const;
    uint32_t GetULong() const { return static_cast<uint32_t>(GetLong()); }
    unsigned GetUInt() const { return static_cast<unsigned>(GetInt()); }
    uint16_t GetUShort() const { return static_cast<uint16_t>(GetShort()); }
    // The first character of the text (0 for none); 'g' and 'k' raise 2006.
    char GetChar() const;
    unsigned char GetUChar() const { return static_cast<unsigned char>(GetChar()); }
    // The text; the pointer stays valid until the field's next change.
    const char* GetCStr() const;
    std::string GetString() const;

    // ---- setters (a bound field writes the record buffer first) -------------

    // A conversion error of the record buffer leaves the value unchanged.
    void SetString(const std::string& text);
    // SetString for a value from outside the program (SQL values, imported
    // files): a number field takes only a number it can hold (the rule of
    // FieldNumberText.h); anything else raises 2006 with the Refusal text, and
    // the field keeps its value.
    void SetCheckedString(const std::string& text);
    // Why SetCheckedString refuses the text ("TABLE.FIELD takes <what>, not
    // '<text>'"; a floating number the type cannot hold: "TABLE.FIELD cannot
    // hold '<text>': out of the field's range"), or "" when it takes it.
    std::string Refusal(const std::string& text) const;
    void SetCStr(const char* text);  // null sets the empty text
    void SetLong(int32_t value);
    void SetInt(int value);
    void SetShort(int16_t value);
    void SetFloat(float value);
    void SetDouble(double value);
    void SetChar(char value);  // 0 sets the empty text
    // The value from its binary form in a record image, by the type letter;
    // a raw 'c' field and letters without a setter raise 2006.
    void SetRaw(const void* bytes);

    RdmFld& operator=(int32_t value);
    RdmFld& operator=(int16_t value);
    RdmFld& operator=(char value);

    // ---- comparison by this field's type letter -----------------------------

    // 'c' of length 1 by character code, longer 'c' by case-insensitive
    // collation; 'F', 'f' as numbers; 'i', 'l', 's' signed or unsigned by the
    // flag; any other letter raises 2006. A text operand is read as a value
    // of this field.
    bool operator<(const RdmFld& other) const;
    bool operator>(const RdmFld& other) const;
    bool operator==(const RdmFld& other) const;
    bool operator!=(const RdmFld& other) const;
    bool operator<(const std::string& text) const;
    bool operator>(const std::string& text) const;
    bool operator==(const std::string& text) const;
    bool operator!=(const std::string& text) const;

    // ---- state and description --------------------------------------------

    // From now on the value lives only in the object.
    void Detach() { m_detached = true; }
    bool IsDetached() const { return m_detached; }
    DbDesc* GetDesc() const { return m_desc; }
    const std::string& GetName() const { return m_name; }
    const std::string& GetTableName() const { return m_table; }
    int32_t GetFieldNo() const { return m_fieldNo; }
    void GetFieldDesc(FieldDesc& out) const { out = m_fieldDesc; }
    // "" for a detached field.
    std::string GetDbName() const;
    // "db.table.field"
    std::string GetFullName() const;
    // Bound, and the table's list has no current record.
    bool HasNoCurrentRecord() const;
    // Sends the table's record buffer as a modification of the current
    // record (not strict): false when the server no longer has it. A
    // detached field raises 2010.
    bool UpdateRecord();

    // Widths for SQL: the catalogue's length when it is above 0, else the
    // description's; precision and scale by the SQL type (2022 and 2040 for
    // combinations that have none).
    int32_t GetSqlLength() const;
    int32_t GetPrecision() const;
    int32_t GetScale() const;

private:
    bool IsUnsigned() const { return (m_fieldDesc.flags & FieldDesc::kUnsigned) != 0; }
    bool IsBound() const { return !m_detached && m_desc != nullptr; }
    // The text value, refreshed from the record buffer for a bound field.
    const std::string& Value() const;
    // The last value read or written: m_text, spelled out first when an
    // integer access left only its number.
    const std::string& CachedText() const;
    // 2006 for the letters the getter cannot read.
    void RefuseGroups(int line) const {
        if (m_fieldDesc.type == 'g' || m_fieldDesc.type == 'k') ThrowType(line, "RdmFld");
    }
    void RefuseGroupsAndTexts(int line) const {
        RefuseGroups(line);
        if (m_fieldDesc.type == 'c' && m_fieldDesc.length > 1) ThrowType(line, "RdmFld");
    }
    [[noreturn]] void ThrowType(int line, const char* source) const;
    // <0, 0, >0: this value against other's, by this field's letter.
    int Compare(const RdmFld& other) const;
    // The comparison copy made into a detached twin of this field holding text.
    const RdmFld& TextOperand(const std::string& text) const;

    // Made on the first comparison with a text and reused; never copied.
    mutable std::unique_ptr<RdmFld> m_compare;
    DbDesc* m_desc = nullptr;  // not owned; null for a free-standing field
    std::string m_table;
    std::string m_name;
    int32_t m_fieldNo = -1;
    FieldDesc m_fieldDesc{};
    mutable std::string m_text;  // a bound field's cache of its last read or write
    // Set instead of m_text by integer reads and writes of a bound field,
    // which skip the text: the number m_text would spell.
    mutable std::optional<int64_t> m_number;
    bool m_detached = true;
    FieldSqlInfo m_sqlInfo{};
};
