#include "VersionResources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "CodePage.h"
#include "LastError.h"
#include "Locale.h"

using namespace win;

namespace {

constexpr VersionString kEnglish[] = {
    {"FileVersion", "2, 1, 0, 7"},
    {"ProductName", "Sample"},
};
constexpr VersionString kHungarian[] = {
    {"FileVersion", "2, 1, 0, 7"},
    {"FileDescription", "Árvíztűrő tükörfúrógép"},
    {"Comments", ""},
};
constexpr VersionStringTable kTables[] = {
    {0x0409, 1252, kEnglish, std::size(kEnglish)},
    {0x040E, 1250, kHungarian, std::size(kHungarian)},
};

VersionResource SampleResource() {
    VersionResource resource{};
    resource.fixed.fileVersionMS = VersionHalf(2, 1);
    resource.fixed.fileVersionLS = VersionHalf(0, 7);
    resource.fixed.fileFlags = VS_FF_DEBUG | VS_FF_PRIVATEBUILD;
    resource.fixed.fileOS = VOS_NT | VOS__WINDOWS32;
    resource.fixed.fileType = VFT_APP;
    resource.tables = kTables;
    resource.tableCount = std::size(kTables);
    return resource;
}

const VersionResource kSample = SampleResource();

// The version block of a file, read the way a caller reads it.
std::vector<char> ReadBlock(const char* fileName) {
    const uint32_t size = GetFileVersionInfoSize(fileName, nullptr);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfo(fileName, 0, size, block.data())) block.clear();
    return block;
}

std::string QueryText(const std::vector<char>& block, const char* path) {
    void* value = nullptr;
    uint32_t length = 0;
    if (!VerQueryValue(block.data(), path, &value, &length)) return "<missing>";
    EXPECT_EQ(length, std::strlen(static_cast<const char*>(value)) + 1) << path;
    return static_cast<const char*>(value);
}

TEST(VersionResourcesTest, FileResourceCarriesFixedInfoTranslationsAndStrings) {
    ASSERT_TRUE(RegisterFileVersionResource("/nonexistent/sample.exe", &kSample));
    const std::vector<char> block = ReadBlock("/nonexistent/sample.exe");
    ASSERT_FALSE(block.empty());

    void* value = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(VerQueryValue(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VersionFixedInfo));
    VersionFixedInfo fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.signature, kVersionFixedInfoSignature);
    EXPECT_EQ(fixed.fileVersionMS, 0x00020001u);
    EXPECT_EQ(fixed.fileVersionLS, 0x00000007u);
    EXPECT_EQ(fixed.fileFlags, VS_FF_DEBUG | VS_FF_PRIVATEBUILD);
    EXPECT_EQ(fixed.fileOS, 0x40004u);

    ASSERT_TRUE(VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 8u);
    uint32_t translations[2];
    std::memcpy(translations, value, sizeof translations);
    EXPECT_EQ(translations[0], 0x04E40409u);
    EXPECT_EQ(translations[1], 0x04E2040Eu);

    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904E4\\ProductName"), "Sample");
    // Without the leading backslash and in other letter cases, as callers write it.
    EXPECT_EQ(QueryText(block, "StringFileInfo\\040e04e2\\fileversion"), "2, 1, 0, 7");
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040E04E2\\FileDescription"), Utf8ToCp1250("Árvíztűrő tükörfúrógép"));
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040E04E2\\Comments"), "");
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040E04E2\\ProductName"), "<missing>");
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904E4"), "<missing>");
}

TEST(VersionResourcesTest, ProgramModuleResourceIsFoundByTheProgramsFileName) {
    ASSERT_TRUE(RegisterVersionResource(nullptr, &kSample));
    char path[4096];
    ASSERT_GT(GetModuleFileName(nullptr, path, sizeof path), 0u);
    const std::vector<char> block = ReadBlock(path);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(QueryText(block, "\\StringFileInfo\\040904E4\\ProductName"), "Sample");
}

TEST(VersionResourcesTest, FailuresSetTheLastError) {
    const struct {
        const char* file;
        uint32_t error;
    } cases[] = {
        {"/nonexistent/none.exe", ERROR_FILE_NOT_FOUND},
        {"/", ERROR_RESOURCE_TYPE_NOT_FOUND},  // a file without a version resource
        {"", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        uint32_t handle = 99;
        SetLastError(0);
        EXPECT_EQ(GetFileVersionInfoSize(c.file, &handle), 0u) << c.file;
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(GetLastError(), c.error) << c.file;
        char buffer[16];
        EXPECT_FALSE(GetFileVersionInfo(c.file, 0, sizeof buffer, buffer));
    }
}

TEST(VersionResourcesTest, ShortBufferIsRefusedAndLeftAlone) {
    ASSERT_TRUE(RegisterFileVersionResource("/nonexistent/short.exe", &kSample));
    const uint32_t size = GetFileVersionInfoSize("/nonexistent/short.exe", nullptr);
    std::vector<char> block(size, 'x');
    EXPECT_FALSE(GetFileVersionInfo("/nonexistent/short.exe", 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(block.front(), 'x');

    // A block that is not a version block finds nothing.
    void* value = nullptr;
    uint32_t length = 0;
    EXPECT_FALSE(VerQueryValue(block.data(), "\\", &value, &length));

    ASSERT_TRUE(RegisterFileVersionResource("/nonexistent/short.exe", nullptr));
    EXPECT_EQ(GetFileVersionInfoSize("/nonexistent/short.exe", nullptr), 0u);
}

TEST(VersionResourcesTest, LanguageNames) {
    char name[260];
    EXPECT_GT(VerLanguageName(0x040E, name, sizeof name), 0u);
    EXPECT_STREQ(name, "Hungarian (Hungary)");
    VerLanguageName(0x0409, name, sizeof name);
    EXPECT_STREQ(name, "English (United States)");
    VerLanguageName(0, name, sizeof name);
    EXPECT_STREQ(name, "Language Neutral");
    VerLanguageName(0x0419, name, sizeof name);
    EXPECT_STREQ(name, "Unknown language");
    char small[5];
    EXPECT_EQ(VerLanguageName(0x040E, small, sizeof small), 4u);
    EXPECT_STREQ(small, "Hung");
}

TEST(VersionResourcesTest, SystemDefaultLanguageFollowsTheDefaultLocale) {
    SetUserDefaultLCID(0x0409);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0409);
    SetUserDefaultLCID(0x040E);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x040E);
    SetUserDefaultLCID(0);
}

}  // namespace
