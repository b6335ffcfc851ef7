// DbStruct: what the catalogue "SYSDB" adds to a parsed description, the
// SQL type, length and precision of every field and the registered blob
// files. The blob itself carries neither.
#include "DbStruct.h"

#include "DbDesc.h"
#include "LurStrings.h"
#include "RdmTable.h"

namespace {

// No current record after a list search, so that ListNext starts at the first.
constexpr int kNoCurrent = 5;
// Bit 8 of "sqltype" is the type flag; the type itself is the low byte.
constexpr int32_t kSqlTypeFlag = 0x100;

}  // namespace

void DbStruct::ReadSysTables(int dbNo, DbDesc* catalogue) {
    if (!catalogue) return;
    RdmTable tables(catalogue, "tables");
    RdmTable fields(catalogue, "fields");

    auto takeFieldRow = [&] {
        const int fieldNo = GetFieldNo(fields.Fld("tabname").GetString(), fields.Fld("fldname").GetString());
        if (fieldNo == -1) return;
        const int g = GlobalFieldIndex(fieldNo, m_sqlInfo.size());
        if (g < 0) return;
        const int32_t sqlType = fields.Fld("sqltype").GetLong();
        FieldSqlInfo& info = m_sqlInfo[static_cast<size_t>(g)];
        info.sqlType = sqlType & 0xFF;
        info.length = fields.Fld("length").GetShort();
        info.precision = fields.Fld("precision").GetShort();
        info.typeFlag = (sqlType & kSqlTypeFlag) != 0;
    };
    auto takeFieldRows = [&](const char* key) {
        if (!fields.FindList(key, kNoCurrent)) return;
        while (fields.ListNext()) takeFieldRow();
    };

    if (tables.HasFldName("id", false)) {
        // One catalogue row per table of the tablespace, its fields by table id.
        tables.Fld("id").SetLong(dbNo);
        if (tables.FindList("id", kNoCurrent)) {
            while (tables.ListNext()) {
                fields.Fld("tableid").SetLong(tables.Fld("tableid").GetLong());
                takeFieldRows("tableid");
            }
        }
    } else {
        // The fields by tablespace name; without a row for the number the
        // name stays empty and no field matches.
        RdmTable tablespaces(catalogue, "tablespace");
        tablespaces.Fld("dbid").SetLong(dbNo);
        const std::string name =
            tablespaces.FindRecByKey("dbid", kNoCurrent) ? tablespaces.Fld("name").GetString() : std::string();
        fields.Fld("tspname").SetString(name);
        takeFieldRows("tspname");
    }

    RdmTable blobFiles(catalogue, "fileblobs");
    if (blobFiles.FindList("", kNoCurrent)) {
        while (blobFiles.ListNext())
            SetBlobFile(blobFiles.Fld("fb_alias").GetString(), blobFiles.Fld("fb_id").GetLong());
    }
}
