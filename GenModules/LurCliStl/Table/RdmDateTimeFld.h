// RdmDateTimeFld: a date and time of day (lurDate::LurDateTime) that can be
// bound to one field of a table's record buffer. A bound value lives in the
// field: every change is written into it as the fourteen digits
// yyyymmddhhmmss (universal time, no zone conversion; the empty value as an
// empty text), and every read loads the value back from it. A detached value
// behaves like a plain date-time. The value can also be set to the database
// server's current time (the client library's GetServerTime).
//
// Neither the object nor its copies own the description or the record
// buffer: the field's table must outlive every bound value. Copies and
// assigned objects take over the binding of their source.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "LurDateTime.h"

class DbDesc;
class DbDescMap;
class RdmFld;
class RdmTable;

class RdmDateTimeFld : public lurDate::LurDateTime {
public:
    // Detached, no description, field number -1.
    RdmDateTimeFld();
    // Detached values; desc only serves the server time. The date class's
    // errors pass through.
    RdmDateTimeFld(DbDesc* desc, double yyyymmddhhmmss, bool convertZone);
    RdmDateTimeFld(DbDesc* desc, time_t t, bool convertZone);
    RdmDateTimeFld(DbDesc* desc, short year, short month, short day, short hour, short minute, short second,
                   bool convertZone);
    // Bound to the field and loaded from it (nothing is written); then
    // detached as the flag says.
    RdmDateTimeFld(const RdmFld& field, bool detached);
    // The table's field of that name (2003 when it has none).
    RdmDateTimeFld(const RdmTable& table, const std::string& field, bool detached);
    RdmDateTimeFld(DbDesc* desc, const std::string& table, const std::string& field, bool detached);
    RdmDateTimeFld(const RdmDateTimeFld& other);
    ~RdmDateTimeFld() override;

    // Takes the field's description, names, number and detached flag, then
    // its value, read as LoadValue reads it (a text of fourteen digits or a
    // number), without writing the field; an invalid value raises code 18.
    void Bind(const RdmFld& field);

    using lurDate::LurDateTime::operator=;
    // Takes over the binding, then the value (a bound target writes it).
    RdmDateTimeFld& operator=(const RdmDateTimeFld& other);
    RdmDateTimeFld& operator=(const lurDate::LurDateTime& other);
    RdmDateTimeFld& operator+=(const lurDate::LurDateTime& span);
    RdmDateTimeFld& operator-=(const lurDate::LurDateTime& span);

    void SetDetached(bool detached) { m_detached = detached; }
    bool IsDetached() const { return m_detached; }
    DbDesc* GetDesc() const { return m_desc; }
    int32_t GetFieldNo() const { return m_fieldNo; }
    const std::string& GetTableName() const { return m_tableName; }
    const std::string& GetFieldName() const { return m_fieldName; }

    // The server's current time on the client handle (universal time, no
    // zone conversion): 10038 ["pfGetServerTime"] when the client library
    // lacks the function, the client's code when it answers another.
    RdmDateTimeFld& SetServerTime(int32_t handle);
    // On the given description's handle, else the own description's, else
    // the machine's clock.
    RdmDateTimeFld& SetServerTimeFromDesc(DbDesc* desc);
    // On the map's handle, else as SetServerTimeFromDesc with the own description.
    RdmDateTimeFld& SetServerTimeFromSession(DbDescMap* session);
    RdmDateTimeFld& SetServerTimeFromOwnDesc() { return SetServerTimeFromDesc(m_desc); }

protected:
    // Writes the digits into the field: true when detached or written, false
    // without a description or when the field took nothing; write errors
    // pass through.
    bool StoreValue() override;
    // Reads the field: true when detached or while storing; false without a
    // description; an invalid text raises code 18.
    bool LoadValue() const override;

private:
    // Sets the value from a field's text without notification: its leading
    // number, 0 (the empty value) for none.
    void SetFromFieldText(const std::string& text) const;

    DbDesc* m_desc = nullptr;  // not owned
    std::string m_tableName;
    std::string m_fieldName;
    int32_t m_fieldNo = -1;
    bool m_detached = true;
    bool m_storing = false;
};

// The copy advanced or moved back by the span; it keeps a's binding, so a
// bound result writes into that field.
RdmDateTimeFld operator+(RdmDateTimeFld a, const lurDate::LurDateTime& span);
RdmDateTimeFld operator-(RdmDateTimeFld a, const lurDate::LurDateTime& span);
