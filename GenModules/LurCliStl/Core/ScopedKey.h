// ScopedKey: lends a table another current key for one operation and puts
// the previous key back on every path. Restore reports a failure; the
// destructor (reached on exception paths) cannot and keeps quiet, so the
// exception already under way is the one reported.
#pragma once

#include <string>
#include <utility>

#include "DbDesc.h"

class ScopedKey {
public:
    // Notes the table's current key; the caller then defines the borrowed one.
    ScopedKey(DbDesc& desc, std::string table)
        : m_desc(desc), m_table(std::move(table)), m_saved(desc.GetCurrentKey(m_table)) {}
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    ~ScopedKey() {
        if (!m_pending) return;
        try {
            m_desc.DefineKey(m_table, m_saved);
        } catch (...) {
        }
    }
    void Restore() {
        m_pending = false;
        m_desc.DefineKey(m_table, m_saved);
    }

private:
    DbDesc& m_desc;
    std::string m_table;
    std::string m_saved;
    bool m_pending = true;
};
