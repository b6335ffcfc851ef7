#include "Module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "LastError.h"

namespace {

std::string FileName(win::HMODULE module) {
    char buffer[4096];
    const uint32_t n = win::GetModuleFileName(module, buffer, sizeof buffer);
    return std::string(buffer, n);
}

std::string ExePath() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST(Module, TheProgramIsTheNullAndTheEmptyName) {
    const win::HMODULE program = win::GetModuleHandle("");
    ASSERT_NE(nullptr, program);
    EXPECT_EQ(program, win::GetModuleHandle(nullptr));
    EXPECT_EQ(ExePath(), FileName(nullptr));
    EXPECT_EQ(ExePath(), FileName(program));
    const std::string base = ExePath().substr(ExePath().rfind('/') + 1);
    EXPECT_EQ(program, win::GetModuleHandle((base + ".exe").c_str()));
}

TEST(Module, WindowsNamesFindSharedLibraries) {
    // "c.dll" stands for libc.so.6, as "lurdbcli.dll" stands for liblurdbcli.so.
    const win::HMODULE libc = win::GetModuleHandle("C.DLL");
    ASSERT_NE(nullptr, libc);
    EXPECT_NE(std::string::npos, FileName(libc).find("libc.so"));
    EXPECT_EQ(libc, win::GetModuleHandle("c"));
    EXPECT_EQ(libc, win::GetModuleHandle(FileName(libc).c_str()));
    win::HMODULE byAddress = nullptr;
    ASSERT_TRUE(win::GetModuleHandleFromAddress(reinterpret_cast<const void*>(&::getpid), byAddress));
    EXPECT_EQ(libc, byAddress);
}

TEST(Module, AddressesOfTheProgramGiveTheProgram) {
    win::HMODULE module = nullptr;
    ASSERT_TRUE(win::GetModuleHandleFromAddress(reinterpret_cast<const void*>(&FileName), module));
    EXPECT_EQ(win::GetModuleHandle(nullptr), module);
    static int data = 0;
    ASSERT_TRUE(win::GetModuleHandleFromAddress(&data, module));
    EXPECT_EQ(win::GetModuleHandle(nullptr), module);
}

TEST(Module, FailuresSetTheLastError) {
    EXPECT_EQ(nullptr, win::GetModuleHandle("nosuchmodule.dll"));
    EXPECT_EQ(win::ERROR_MOD_NOT_FOUND, win::GetLastError());
    win::HMODULE module = nullptr;
    int stackValue = 0;
    EXPECT_FALSE(win::GetModuleHandleFromAddress(&stackValue, module));
    EXPECT_EQ(nullptr, module);
    char small[4];
    EXPECT_EQ(3u, win::GetModuleFileName(nullptr, small, sizeof small));
    EXPECT_EQ(3u, std::string(small).size());
    int notAModule = 0;
    EXPECT_EQ(0u, win::GetModuleFileName(reinterpret_cast<win::HMODULE>(&notAModule), small, sizeof small));
    EXPECT_EQ(win::ERROR_INVALID_HANDLE, win::GetLastError());
}

}  // namespace
