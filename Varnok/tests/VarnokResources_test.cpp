#include "VarnokResources.h"

#include <gtest/gtest.h>

#include <string>

#include "CodePage.h"
#include "LurResources.h"
#include "LurVersionControl.h"

namespace {

std::string Text(int id) { return lurutils::GetResStringByModule(id, "", false, false); }

class VarnokResourcesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterVarnokResources(); }
};

TEST_F(VarnokResourcesTest, OwnVersionResource) {
    RegisterVarnokResources();  // a second call changes nothing
    const LurVersionControl version;
    EXPECT_EQ(version.GetFileVersionString(), "1, 0, 0, 1");
    EXPECT_EQ(version.GetFileVersion(), LurVersionNumber(1, 0, 0, 1));
    EXPECT_EQ(version.GetLanguage(), 0x040E);
    EXPECT_EQ(version.GetFileTypeText(), "application");
}

TEST_F(VarnokResourcesTest, StringTable) {
    const struct {
        int id;
        const char* text;
    } fixed[] = {
        {IDS_PROGRAM_NAME, "Varnok"},
        {IDS_BUILD_DATE, "2012.01.25."},
        {IDS_NAME_SERVICE, "Az adatbázis szolgáltatás neve"},
        {IDS_NAME_USER, "A felhasználó neve"},
        {IDS_NAME_PASSWORD, "A jelszó"},
        {IDS_HELP_SERVICE,
         "A segédprogram erre az adatbázis szolgáltatásra próbál \n           csatlakotzni.\n\n"
         "           Használat:\n           -seostrev7"},
        {IDS_HELP_PASSWORD,
         "A segédprogram ezzel a jelszóval próbál az adatbázis \n           szerverre csatlakotzni.\n\n"
         "           Használat:\n           -pswvimbo"},
        {IDS_NAME_APP, "Az alkalmazás rövid neve"},
        {IDS_HELP_APP,
         "A segédprogram erre alakmazásra próbál \n           csatlakotzni.\n\n"
         "           Használat:\n           -appostrev7"},
        {IDS_REPAIR_DONE, "adatbázis javítása véget ért."},
        {IDS_CHECK_DONE, "adatbázis ellenőrzése véget ért"},
        {IDS_LABEL_CODE, "Hibakód:"},
        {IDS_LABEL_TEXT, "Hibaszöveg:"},
        {IDS_LABEL_WHERE, "Hiba helye:"},
        {IDS_LABEL_EXCEPTION, "Kivétel:"},
        {IDS_NOTHING_TO_MOVE, "Környezetvédelmi adatok nincsenek, adatátemelésre nincs szükség."},
    };
    for (const auto& f : fixed) EXPECT_EQ(Text(f.id), win::Utf8ToCp1250(f.text)) << f.id;

    EXPECT_FALSE(Text(IDS_AUTHOR).empty());
    const std::string userHelp = Text(IDS_HELP_USER);
    const std::string userPrefix = win::Utf8ToCp1250(
        "A segédprogram ezzel a felhasználói névvel próbál az \n           adatbázis szerverre "
        "csatlakotzni.\n\n           Használat:\n           -usr");
    EXPECT_EQ(userHelp.substr(0, userPrefix.size()), userPrefix);
    EXPECT_GT(userHelp.size(), userPrefix.size());
}

// Three sections, each heading underlined by as many "=" as it has
// characters (one byte each in code page 1250), separated by empty lines.
TEST_F(VarnokResourcesTest, TaskTextLayout) {
    const std::string task = Text(IDS_TASK);
    ASSERT_FALSE(task.empty());
    EXPECT_EQ(task.back(), '\n');
    for (const char* heading : {"PROGRAM FELADATA", "MŰKÖDÉSI FELTÉTELEK", "PROGRAM MŰKÖDÉSE"}) {
        const std::string h = win::Utf8ToCp1250(heading);
        const size_t at = task.find(h + "\n" + std::string(h.size(), '=') + "\n");
        EXPECT_NE(at, std::string::npos) << heading;
        if (at != 0 && at != std::string::npos) {
            EXPECT_EQ(task.substr(at - 2, 2), "\n\n") << heading;
        }
    }
    EXPECT_NE(task.find("\n- "), std::string::npos);
    EXPECT_NE(task.find("7.16.0.0"), std::string::npos);
}

}  // namespace
