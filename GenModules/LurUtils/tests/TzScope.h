// Test support: sets TZ for the scope's life and empties the zone cache on
// the way in and out, so that each test's zone stands alone.
#pragma once

#include <optional>

#include "EnvScope.h"
#include "LurDateWin32.h"

namespace lurtest {

class TzScope {
public:
    explicit TzScope(const char* rule) : m_tz(std::in_place, "TZ", rule) { lurDate::ResetTzCache(); }
    ~TzScope() {
        m_tz.reset();  // the zone before, then a cache that forgets this one
        lurDate::ResetTzCache();
    }
    TzScope(const TzScope&) = delete;
    TzScope& operator=(const TzScope&) = delete;

    // Another rule within the same scope.
    void Use(const char* rule) {
        m_tz->Set(rule);
        lurDate::ResetTzCache();
    }

private:
    std::optional<EnvScope> m_tz;
};

}  // namespace lurtest
