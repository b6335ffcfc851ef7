// Test support: the process's umask set for the scope's life; the one it
// had before comes back when the scope ends.
#pragma once

#include <sys/stat.h>

namespace lurtest {

class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : m_saved(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_saved); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t m_saved;
};

}  // namespace lurtest
