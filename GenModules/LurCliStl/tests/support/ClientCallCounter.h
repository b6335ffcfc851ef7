// Test and benchmark support: counts the calls that reach the client
// library. While a counter lives, every pointer of the process's function
// table is a wrapper that counts the call, by function name, and passes it
// on to the library's function; the destructor puts the library's pointers
// back. One counter at a time.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "FunctionLoader.h"

namespace lurtest {

class ClientCallCounter {
public:
    ClientCallCounter() {
        Counts() = {};
#define LUR_WRAP_POINTER(name) Wrap<lurdbcli::name##Fn, &FunctionLoader::pf##name>(#name);
        LUR_CLIENT_FUNCTIONS(LUR_WRAP_POINTER)
#undef LUR_WRAP_POINTER
    }
    ~ClientCallCounter() {
#define LUR_RESTORE_POINTER(name) Restore<lurdbcli::name##Fn, &FunctionLoader::pf##name>();
        LUR_CLIENT_FUNCTIONS(LUR_RESTORE_POINTER)
#undef LUR_RESTORE_POINTER
    }
    ClientCallCounter(const ClientCallCounter&) = delete;
    ClientCallCounter& operator=(const ClientCallCounter&) = delete;

    // The calls of one function ("FindList") since the counter was made or reset.
    int64_t Of(const std::string& name) const {
        auto found = Counts().find(name);
        return found == Counts().end() ? 0 : found->second;
    }
    int64_t Total() const {
        int64_t total = 0;
        for (const auto& entry : Counts()) total += entry.second;
        return total;
    }
    void Reset() { Counts().clear(); }

private:
    static std::map<std::string, int64_t>& Counts() {
        static std::map<std::string, int64_t> counts;
        return counts;
    }

    template <class Fn, Fn FunctionLoader::*Slot>
    struct Wrapper;
    template <class R, class... A, R (*FunctionLoader::*Slot)(A...)>
    struct Wrapper<R (*)(A...), Slot> {
        static inline R (*library)(A...) = nullptr;
        static inline const char* name = nullptr;
        static R Call(A... args) {
            ++Counts()[name];
            return library(args...);
        }
    };

    template <class Fn, Fn FunctionLoader::*Slot>
    static void Wrap(const char* name) {
        using W = Wrapper<Fn, Slot>;
        Fn& pointer = GetFunctionLoader().*Slot;
        W::library = pointer;
        W::name = name;
        if (pointer) pointer = &W::Call;  // a missing function stays missing
    }
    template <class Fn, Fn FunctionLoader::*Slot>
    static void Restore() {
        using W = Wrapper<Fn, Slot>;
        Fn& pointer = GetFunctionLoader().*Slot;
        if (pointer) pointer = W::library;
    }
};

}  // namespace lurtest
