#include "DescBlob.h"

#include <cstring>
#include <stdexcept>

namespace lurtest {

namespace {

template <class T>
void Append(std::string& blob, const T& value) {
    blob.append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

std::string BuildDescBlob(const std::vector<TableSpec>& tables) {
    std::vector<RecordDesc> records;
    std::vector<FieldDesc> fields;
    std::vector<KeyDesc> keys;
    std::vector<std::string> fieldNames;

    for (size_t r = 0; r < tables.size(); ++r) {
        const TableSpec& table = tables[r];
        RecordDesc record{};
        record.dataOffset = kDataOffset;
        record.firstField = static_cast<int16_t>(fields.size());
        int16_t position = kDataOffset;
        for (const FieldSpec& fieldSpec : table.fields) {
            FieldDesc field{};
            field.keyKind = fieldSpec.keyKind;
            field.type = fieldSpec.type;
            field.length = fieldSpec.type == 'g' ? 0 : fieldSpec.length;
            field.position = position;
            field.record = static_cast<int16_t>(r);
            field.flags = fieldSpec.flags;
            position = static_cast<int16_t>(position + field.length);
            fields.push_back(field);
            fieldNames.push_back(fieldSpec.name);
        }
        for (const KeySpec& key : table.keys) {
            FieldDesc field{};
            field.keyKind = key.keyKind;
            field.type = 'k';
            field.position = static_cast<int16_t>(keys.size());
            field.record = static_cast<int16_t>(r);
            const auto keyIndex = static_cast<int16_t>(fields.size());
            for (const std::string& component : key.components) {
                size_t i = 0;
                while (i < table.fields.size() && table.fields[i].name != component) ++i;
                if (i == table.fields.size()) throw std::invalid_argument("unknown key component " + component);
                keys.push_back(KeyDesc{keyIndex, static_cast<int16_t>(record.firstField + i), 0, 0});
            }
            fields.push_back(field);
            fieldNames.push_back(key.name);
        }
        record.recordLength = position;
        records.push_back(record);
    }

    std::string blob(8, '\0');
    for (size_t count : {size_t{0}, records.size(), fields.size(), size_t{0}, size_t{0}, size_t{0}, keys.size()})
        Append(blob, static_cast<int16_t>(count));
    for (const RecordDesc& record : records) Append(blob, record);
    for (const FieldDesc& field : fields) Append(blob, field);
    for (const KeyDesc& key : keys) Append(blob, key);
    for (const TableSpec& table : tables) blob += table.name + "\n";
    for (const std::string& name : fieldNames) blob += name + "\n";
    return blob;
}

BlobDesc::BlobDesc(const std::vector<TableSpec>& tables, const std::string& name, int32_t dbNo)
    : m_struct(std::make_shared<DbStruct>()) {
    const std::string blob = BuildDescBlob(tables);
    m_desc.SetStruct(m_struct);
    m_desc.LoadBlob(blob.data(), static_cast<int32_t>(blob.size()), name, dbNo, nullptr);
}

}  // namespace lurtest
