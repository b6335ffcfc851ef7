// Test support: an environment variable set (or unset) for the scope's life;
// the value it had before, or its absence, comes back when the scope ends.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace lurtest {

class EnvScope {
public:
    // value null: the variable is unset for the scope.
    EnvScope(const char* name, const char* value) : m_name(name) {
        if (const char* saved = std::getenv(name)) m_saved = saved;
        Set(value);
    }
    EnvScope(const char* name, const std::string& value) : EnvScope(name, value.c_str()) {}
    ~EnvScope() { Set(m_saved ? m_saved->c_str() : nullptr); }
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

    // Another value within the same scope.
    void Set(const char* value) const {
        if (value != nullptr) {
            setenv(m_name.c_str(), value, 1);
        } else {
            unsetenv(m_name.c_str());
        }
    }
    void Set(const std::string& value) const { Set(value.c_str()); }

private:
    std::string m_name;
    std::optional<std::string> m_saved;
};

}  // namespace lurtest
