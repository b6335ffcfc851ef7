// Test support: sets TZ for the scope's life and empties the zone cache on
// the way in and out, so that each test's zone stands alone.
#pragma once

#include <cstdlib>
#include <string>

#include "LurDateWin32.h"

namespace lurtest {

class TzScope {
public:
    explicit TzScope(const char* rule) {
        const char* tz = std::getenv("TZ");
        m_hadTz = tz != nullptr;
        if (m_hadTz) m_savedTz = tz;
        Use(rule);
    }
    ~TzScope() {
        if (m_hadTz)
            setenv("TZ", m_savedTz.c_str(), 1);
        else
            unsetenv("TZ");
        lurDate::ResetTzCache();
    }
    TzScope(const TzScope&) = delete;
    TzScope& operator=(const TzScope&) = delete;

    // Another rule within the same scope.
    void Use(const char* rule) {
        setenv("TZ", rule, 1);
        lurDate::ResetTzCache();
    }

private:
    std::string m_savedTz;
    bool m_hadTz = false;
};

}  // namespace lurtest
