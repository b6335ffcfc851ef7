// The README's recipes, run from the README's own text as a user pastes them,
// one after the other: in a tree laid out like the source tree (each
// recipe's bin directory = the programs of this build, tests/fixtures = the
// schema files), with one HOME of their own, so that the README and what the
// programs do cannot drift apart. And the programs the recipes name are
// those the README's set-up builds: the optimised build, as the demo runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PastedBlocks.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kRecipeMarker = "<!-- recipe:";

// What stands between the quotes after the first `key` at or after from:
// `preset="${1:-release}"` with key `preset="${1:-` gives "release".
std::string QuotedAfter(const std::string& text, const std::string& key, char end, size_t from = 0) {
    const size_t at = text.find(key, from);
    if (at == std::string::npos) return "";
    const size_t begin = at + key.size();
    return text.substr(begin, text.find(end, begin) - begin);
}

std::string SourceText(const std::string& relative) {
    return lurtest::ReadText(std::string(LUR_SOURCE_DIR) + "/" + relative);
}

// The code block after each recipe marker, in the README's order.
std::vector<std::string> Recipes() {
    std::vector<std::string> recipes;
    for (const lurtest::MarkedBlock& block : lurtest::BlocksAfter(SourceText("README.md"), kRecipeMarker, "```"))
        recipes.push_back(block.text);
    return recipes;
}

TEST(ReadmeRecipe, RunsAsWrittenAndLeavesTheExpectedTables) {
    const std::vector<std::string> recipes = Recipes();
    ASSERT_EQ(recipes.size(), 2u) << "the Varnok and LurDbLink recipes after \"" << kRecipeMarker << "\"";
    ASSERT_NE(std::string::npos, recipes[0].find("Varnok")) << recipes[0];
    ASSERT_NE(std::string::npos, recipes[1].find("LurDbLinkHost")) << recipes[1];

    const lurtest::PastedTree tree("lur_readme");
    std::vector<lurtest::PastedTree::Run> runs;
    for (size_t i = 0; i < recipes.size(); ++i) {
        ASSERT_TRUE(tree.LinkBin(recipes[i])) << "a recipe names its programs with bin=DIR: " << recipes[i];
        // -e: any command of the recipe that fails ends the run with its status.
        runs.push_back(tree.Bash("recipe" + std::to_string(i), recipes[i]));
        ASSERT_EQ(0, runs.back().status) << runs.back().printed;
    }

    // Varnok's recipe changed the vehicle table as expected.
    EXPECT_NE(std::string::npos, runs[0].printed.find("as expected")) << runs[0].printed;
    const fs::path csv = tree.Home() / "lur" / "csv";
    EXPECT_NE(lurtest::ReadText((csv / "before.csv").string()), lurtest::ReadText((csv / "after.csv").string()));
    // The services live where the recipes put them, under their own HOME.
    EXPECT_TRUE(fs::exists(tree.Home() / "lur" / "data" / "MYSVC.lurdb"));
    // The link module replayed the transaction into the linked service.
    EXPECT_NE(std::string::npos, runs[1].printed.find("EndTransactionLink 1 commit: 0")) << runs[1].printed;
    EXPECT_NE(std::string::npos, runs[1].printed.find("VehId,Plate,Owner\n1,ABC-123,Kis Anna\n")) << runs[1].printed;
}

// Every recipe's bin directory, and the statement reference's, is
// build/<preset>/bin of the preset that scripts/setup builds when given none
// (what the README's first command makes), the demo runs the same preset,
// and that preset is optimised.
TEST(ReadmeRecipe, RunsTheOptimisedBuildThatTheSetUpMakes) {
    const std::string setupPreset = QuotedAfter(SourceText("scripts/setup"), "preset=\"${1:-", '}');
    ASSERT_FALSE(setupPreset.empty()) << "scripts/setup names no default preset";
    for (const std::string& recipe : Recipes()) EXPECT_EQ(lurtest::BinDirOf(recipe), "build/" + setupPreset + "/bin");
    for (const lurtest::MarkedBlock& setup : lurtest::BlocksAfter(SourceText("lursql/README.md"), "<!-- setup", "```"))
        EXPECT_EQ(lurtest::BinDirOf(setup.text), "build/" + setupPreset + "/bin");
    EXPECT_EQ(QuotedAfter(SourceText("scripts/demo"), "preset=\"", '"'), setupPreset);

    const std::string presets = SourceText("CMakePresets.json");
    const size_t preset = presets.find("\"name\": \"" + setupPreset + "\"");
    ASSERT_NE(preset, std::string::npos) << setupPreset << " is not a preset of CMakePresets.json";
    const std::string buildType = QuotedAfter(presets, "\"CMAKE_BUILD_TYPE\": \"", '"', preset);
    EXPECT_TRUE(buildType == "Release" || buildType == "RelWithDebInfo")
        << "the README's programs are a " << buildType << " build";
}

}  // namespace
