#include "LurVersionControl.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>

#include "CodePage.h"
#include "Locale.h"
#include "VersionResources.h"

namespace {

constexpr win::VersionString kEnglish[] = {
    {"FileVersion", "3.1 en"},
    {"ProductName", "Sample"},
    {"OriginalFilename", "sample.exe"},  // the resource's own spelling of the key
    {"PrivateBuild", "by tester"},
};
constexpr win::VersionString kHungarian[] = {
    {"FileVersion", "3.1 hu"},
    {"ProductName", "Minta"},
    {"FileDescription", "Tükörfúrógép"},
};
constexpr win::VersionStringTable kTwoLanguages[] = {
    {0x0409, 1252, kEnglish, std::size(kEnglish)},
    {0x040E, 1250, kHungarian, std::size(kHungarian)},
};
constexpr win::VersionStringTable kEnglishOnly[] = {
    {0x0409, 1252, kEnglish, std::size(kEnglish)},
};

win::VersionResource Resource(const win::VersionStringTable* tables, size_t count, uint32_t flags, uint32_t os,
                              uint32_t type) {
    win::VersionResource resource{};
    resource.fixed.fileVersionMS = win::VersionHalf(3, 1);
    resource.fixed.fileVersionLS = win::VersionHalf(4, 65535);
    resource.fixed.productVersionMS = win::VersionHalf(7, 16);
    resource.fixed.productVersionLS = win::VersionHalf(0, 2);
    resource.fixed.fileFlags = flags;
    resource.fixed.fileOS = os;
    resource.fixed.fileType = type;
    resource.fixed.fileSubtype = 9;
    resource.tables = tables;
    resource.tableCount = count;
    return resource;
}

const win::VersionResource kPlain =
    Resource(kTwoLanguages, std::size(kTwoLanguages), 0, win::VOS_NT | win::VOS__WINDOWS32, win::VFT_APP);
const win::VersionResource kPrivate =
    Resource(kEnglishOnly, std::size(kEnglishOnly), win::VS_FF_PRIVATEBUILD | win::VS_FF_DEBUG, 0, win::VFT_DLL);

constexpr const char* kPlainFile = "/nonexistent/versioncontrol/plain.exe";
constexpr const char* kPrivateFile = "/nonexistent/versioncontrol/private.dll";
constexpr const char* kNoResourceFile = "/nonexistent/versioncontrol/none.exe";

class LurVersionControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        win::RegisterFileVersionResource(kPlainFile, &kPlain);
        win::RegisterFileVersionResource(kPrivateFile, &kPrivate);
    }
    void TearDown() override { win::SetUserDefaultLCID(0); }
};

TEST_F(LurVersionControlTest, FileWithoutResourceReadsEmpty) {
    const LurVersionControl version{std::string(kNoResourceFile)};
    EXPECT_EQ(version.GetPath(), kNoResourceFile);
    EXPECT_EQ(version.GetFileVersionString(), "");
    EXPECT_EQ(version.GetString("FileVersion", 0x0409), "");
    EXPECT_EQ(version.GetFileVersion(), LurVersionNumber());
    EXPECT_EQ(version.GetProductVersion(), LurVersionNumber());
    EXPECT_EQ(version.GetLanguageCount(), 0);
    EXPECT_EQ(version.GetLanguage(), 0);
    EXPECT_EQ(version.GetCodePage(), 0);
    EXPECT_EQ(version.GetFileTypeText(), "unknown");
}

TEST_F(LurVersionControlTest, FixedInformation) {
    const LurVersionControl version{std::string(kPlainFile)};
    EXPECT_EQ(version.GetFileVersionText(), "3.1.4.65535");
    EXPECT_EQ(version.GetProductVersion(), LurVersionNumber(7, 16, 0, 2));
    EXPECT_EQ(version.GetFileOS(), 0x40004u);
    EXPECT_EQ(version.GetFileOSText(), "Win32, NT");
    EXPECT_EQ(version.GetFileTypeText(), "application");
    EXPECT_EQ(version.GetFileSubtype(), 9u);
    EXPECT_EQ(version.GetFileFlagsText(), "");
    EXPECT_FALSE(version.IsPrivateBuild());
}

// The first translation is the default; the system's language wins.
TEST_F(LurVersionControlTest, CurrentLanguage) {
    const struct {
        uint32_t systemLocale;
        uint16_t current;
        uint16_t codePage;
        const char* fileVersion;
    } cases[] = {
        {0x040E, 0x040E, 1250, "3.1 hu"},
        {0x0409, 0x0409, 1252, "3.1 en"},
        {0x0407, 0x0409, 1252, "3.1 en"},
    };
    for (const auto& c : cases) {
        win::SetUserDefaultLCID(c.systemLocale);
        const LurVersionControl version{std::string(kPlainFile)};
        EXPECT_EQ(version.GetLanguage(), c.current) << c.systemLocale;
        EXPECT_EQ(version.GetCodePage(), c.codePage);
        EXPECT_EQ(version.GetFileVersionString(), c.fileVersion);
        EXPECT_EQ(version.GetString("FileVersion"), c.fileVersion);
    }
}

TEST_F(LurVersionControlTest, StringsPerLanguage) {
    win::SetUserDefaultLCID(0x040E);
    const LurVersionControl version{std::string(kPlainFile)};
    EXPECT_EQ(version.GetProductName(), "Minta");
    EXPECT_EQ(version.GetFileDescription(), win::Utf8ToCp1250("Tükörfúrógép"));
    EXPECT_EQ(version.GetProductName(0x0409), "Sample");
    EXPECT_EQ(version.GetOriginalFileName(0x0409), "sample.exe");
    EXPECT_EQ(version.GetFileDescription(0x0409), "");
    EXPECT_EQ(version.GetProductName(0x0407), "");
    EXPECT_EQ(version.GetString("NoSuchKey"), "");
    // The flag is not set, so the build key is not read even where it is present.
    EXPECT_EQ(version.GetPrivateBuild(0x0409), "");

    EXPECT_EQ(version.GetLanguageCount(), 2);
    EXPECT_EQ(version.GetLanguageAt(0), 0x0409);
    EXPECT_EQ(version.GetLanguageAt(1), 0x040E);
    EXPECT_EQ(version.GetLanguageAt(2), 0);
    EXPECT_EQ(version.GetLanguageAt(-1), 0);
    EXPECT_EQ(version.GetLanguageName(), "Hungarian (Hungary)");
    EXPECT_EQ(version.GetLanguageName(0x0409), "English (United States)");
    EXPECT_EQ(version.GetLanguageName(0x0407), "");
    ASSERT_NE(version.GetCodePage(0x0409), nullptr);
    EXPECT_EQ(*version.GetCodePage(0x0409), 1252);
    EXPECT_EQ(version.GetCodePage(0x0407), nullptr);
    LurVersionControl::LanguageNameMap names;
    version.GetLanguageNames(names);
    EXPECT_EQ(names, version.GetLanguageNames());
}

TEST_F(LurVersionControlTest, PrivateBuildKeyOnlyWithItsFlag) {
    const LurVersionControl version{std::string(kPrivateFile)};
    EXPECT_TRUE(version.IsPrivateBuild());
    EXPECT_TRUE(version.IsDebug());
    EXPECT_EQ(version.GetPrivateBuild(), "by tester");
    EXPECT_EQ(version.GetSpecialBuild(), "");
    EXPECT_EQ(version.GetFileFlagsText(), "debug info, private build");
    EXPECT_EQ(version.GetFileTypeText(), "dynamic-link library");
    EXPECT_EQ(version.GetFileOSText(), "Unknown");
}

TEST_F(LurVersionControlTest, SecondReadLeavesNothingOfTheFirst) {
    LurVersionControl version{std::string(kPlainFile)};
    version.Load(kPrivateFile);
    EXPECT_EQ(version.GetLanguageCount(), 1);
    EXPECT_EQ(version.GetCodePage(0x040E), nullptr);
    EXPECT_EQ(version.GetProductName(0x040E), "");
    version.Load(kNoResourceFile);
    EXPECT_EQ(version.GetLanguageCount(), 0);
    EXPECT_EQ(version.GetProductName(), "");
    EXPECT_EQ(version.GetFileVersion(), LurVersionNumber());
    EXPECT_EQ(version.GetFileFlags(), 0u);
}

TEST_F(LurVersionControlTest, CopiesAnswerFromTheirOwnTables) {
    auto original = std::make_unique<LurVersionControl>(std::string(kPlainFile));
    const LurVersionControl copy(*original);
    LurVersionControl assigned{std::string(kPrivateFile)};
    assigned = *original;
    EXPECT_TRUE(copy == *original);
    EXPECT_TRUE(assigned == *original);
    EXPECT_TRUE(copy.IsSameProduct(*original));
    original.reset();  // the copies must not point into the destroyed object
    EXPECT_EQ(copy.GetProductName(), assigned.GetProductName());
    EXPECT_FALSE(copy.GetProductName().empty());

    const LurVersionControl other{std::string(kPrivateFile)};
    EXPECT_TRUE(copy != other);
    EXPECT_FALSE(copy.IsSameProduct(other));
}

TEST_F(LurVersionControlTest, TypeAndSystemTexts) {
    const struct {
        uint32_t type;
        const char* text;
    } types[] = {{0, "unknown"},
                 {1, "application"},
                 {2, "dynamic-link library"},
                 {3, "device driver"},
                 {4, "font"},
                 {5, "virtual device"},
                 {6, ""},
                 {7, "static-link library"},
                 {8, ""}};
    const struct {
        uint32_t os;
        const char* text;
    } systems[] = {{0x40004, "Win32, NT"},
                   {0x10001, "Win16 on DOS"},
                   {0x10004, "Win32 on DOS"},
                   {0x40000, "NT"},
                   {0x20002, "OS2 16 PM16"},
                   {0x30003, "OS2 32 PM32"},
                   {0x4, "Win32"},
                   {0, "Unknown"},
                   {0x50000, ""}};
    // No resource file is needed: the texts depend only on the fixed words.
    for (const auto& t : types) {
        const win::VersionResource resource = Resource(nullptr, 0, 0, 0, t.type);
        win::RegisterFileVersionResource("/nonexistent/versioncontrol/type", &resource);
        EXPECT_EQ(LurVersionControl(std::string("/nonexistent/versioncontrol/type")).GetFileTypeText(), t.text)
            << t.type;
    }
    for (const auto& s : systems) {
        const win::VersionResource resource = Resource(nullptr, 0, 0, s.os, 0);
        win::RegisterFileVersionResource("/nonexistent/versioncontrol/os", &resource);
        EXPECT_EQ(LurVersionControl(std::string("/nonexistent/versioncontrol/os")).GetFileOSText(), s.text)
            << std::hex << s.os;
    }
    win::RegisterFileVersionResource("/nonexistent/versioncontrol/type", nullptr);
    win::RegisterFileVersionResource("/nonexistent/versioncontrol/os", nullptr);
}

}  // namespace
