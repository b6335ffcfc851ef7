// Test support: whether the process has a user in front of it
// (lurclistl::SetInteractive), set for the scope's life; the setting before
// it comes back when the scope ends.
#pragma once

#include "DbDescMap.h"

namespace lurtest {

class InteractiveScope {
public:
    explicit InteractiveScope(bool interactive) : m_saved(lurclistl::IsInteractive()) {
        lurclistl::SetInteractive(interactive);
    }
    ~InteractiveScope() { lurclistl::SetInteractive(m_saved); }
    InteractiveScope(const InteractiveScope&) = delete;
    InteractiveScope& operator=(const InteractiveScope&) = delete;

private:
    bool m_saved;
};

}  // namespace lurtest
