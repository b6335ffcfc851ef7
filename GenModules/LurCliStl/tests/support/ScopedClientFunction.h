// Test support: one pointer of the client function table replaced by a
// stand-in for the life of the object, then put back.
#pragma once

#include <utility>

namespace lurtest {

template <class Fn>
class ScopedClientFunction {
public:
    ScopedClientFunction(Fn& slot, Fn stub) : m_slot(slot), m_saved(std::exchange(slot, stub)) {}
    ~ScopedClientFunction() { m_slot = m_saved; }
    ScopedClientFunction(const ScopedClientFunction&) = delete;
    ScopedClientFunction& operator=(const ScopedClientFunction&) = delete;

private:
    Fn& m_slot;
    Fn m_saved;
};

}  // namespace lurtest
