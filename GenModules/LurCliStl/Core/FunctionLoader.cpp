#include "FunctionLoader.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

#include "Crt.h"
#include "DynamicLibrary.h"

namespace {

constexpr ThrowSource Here{"GenModules\\LurCliStl\\FunctionLoader"};

// Stores a looked-up address into one pointer of the table.
using PointerSetter = void (*)(FunctionLoader&, void*);

#define LUR_POINTER_SETTER(name) \
    [](FunctionLoader& loader, void* address) { loader.pf##name = reinterpret_cast<lurdbcli::name##Fn>(address); },
constexpr PointerSetter kSetters[] = {LUR_CLIENT_FUNCTIONS(LUR_POINTER_SETTER)};
#undef LUR_POINTER_SETTER

#define LUR_POINTER_NAME(name) "pf" #name,
constexpr std::string_view kPointerNames[] = {LUR_CLIENT_FUNCTIONS(LUR_POINTER_NAME)};
#undef LUR_POINTER_NAME

constexpr size_t kFunctionCount = std::size(lurdbcli::kClientFunctions);
static_assert(std::size(kSetters) == kFunctionCount);

// The members and the library's binding table must list the same pointers
// in the same order.
constexpr bool MembersMatchBindingTable() {
    for (size_t i = 0; i < kFunctionCount; ++i)
        if (kPointerNames[i] != lurdbcli::kClientFunctions[i].pointerName) return false;
    return true;
}
static_assert(MembersMatchBindingTable());

// Member indexes in the order in which the functions are looked up.
constexpr std::array<size_t, kFunctionCount> FetchSequence() {
    std::array<size_t, kFunctionCount> order{};
    for (size_t i = 0; i < kFunctionCount; ++i)
        order[static_cast<size_t>(lurdbcli::kClientFunctions[i].fetchOrder - 1)] = i;
    return order;
}

// The decorated name as the platform spells it ("_FreePtr@4"); the loader
// maps it to the library's spelling.
std::string DecoratedName(const char* symbol) {
    std::string name(symbol);
    std::replace(name.begin(), name.end(), '$', '@');
    return name;
}

constexpr int kLocaleRefused = 0;

}  // namespace

FunctionLoader::FunctionLoader(bool load) {
    Clear();
    if (!load) return;
    m_module = win::LoadLibraryA(kLibraryName);
    if (m_module) GetFunctions(m_module);
}

FunctionLoader::~FunctionLoader() { Unload(); }

void FunctionLoader::GetFunctions(win::HMODULE module) {
    for (size_t member : FetchSequence()) {
        const std::string name = DecoratedName(lurdbcli::kClientFunctions[member].symbol);
        kSetters[member](*this, win::GetProcAddress(module, name.c_str()));
    }
}

void FunctionLoader::Load() {
    win::HMODULE module = win::LoadLibraryA(kLibraryName);
    if (!module) return;
    if (m_module) win::FreeLibrary(m_module);  // the table now belongs to the new load
    m_module = module;
    GetFunctions(m_module);
}

void FunctionLoader::Unload() {
    if (m_module) win::FreeLibrary(m_module);
    Clear();
}

void FunctionLoader::Clear() {
    m_module = nullptr;
    for (PointerSetter set : kSetters) set(*this, nullptr);
}

std::string FunctionLoader::SetLocale(const std::string& name) {
    const char* inForce = win::crt::SetLocale(name.c_str());
    if (!inForce) throw DbDescError(kLocaleRefused, Here(__LINE__), StrVector());
    return inForce;
}

FunctionLoader& GetFunctionLoader() {
    static FunctionLoader loader(true);
    return loader;
}
