// The README's recipe, run from the README's own text as a user pastes it:
// in a tree laid out like the source tree (the recipe's bin directory = the
// programs of this build, tests/fixtures = the schema files), with its own
// HOME, so that the README and what the programs do cannot drift apart. And
// the programs the recipe names are those the README's set-up builds: the
// optimised build, as the demo runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ScratchDir.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kRecipeMarker = "<!-- recipe:";

// The code block after the recipe marker; "" when the README has none.
std::string RecipeOf(const std::string& readme) {
    std::istringstream in(readme);
    std::string line;
    while (std::getline(in, line) && line.rfind(kRecipeMarker, 0) != 0) {
    }
    if (!std::getline(in, line) || line != "```") return "";
    std::string recipe;
    while (std::getline(in, line) && line != "```") recipe += line + "\n";
    return recipe;
}

// The value of the recipe's "bin=DIR" line ("" when it has none).
std::string BinDirOf(const std::string& recipe) {
    std::istringstream in(recipe);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("bin=", 0) == 0) return line.substr(4);
    return "";
}

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

std::string Recipe() { return RecipeOf(SourceText("README.md")); }

TEST(ReadmeRecipe, RunsAsWrittenAndLeavesTheExpectedVehicleTable) {
    const std::string recipe = Recipe();
    ASSERT_NE(std::string::npos, recipe.find("Varnok")) << "no recipe block after \"" << kRecipeMarker << "\"";
    const fs::path bin = BinDirOf(recipe);
    ASSERT_TRUE(!bin.empty() && bin.is_relative()) << "the recipe names its programs with bin=DIR: " << recipe;

    lurtest::ScratchDir scratch("lur_readme");
    const fs::path tree = fs::path(scratch.Path()) / "tree";
    const fs::path home = fs::path(scratch.Path()) / "home";
    fs::create_directories((tree / bin).parent_path());
    fs::create_directories(tree / "tests");
    fs::create_directories(home);
    fs::create_directory_symlink(fs::absolute(lurtest::BinDir()), tree / bin);
    fs::create_directory_symlink(fs::path(LUR_SOURCE_DIR) / "tests" / "fixtures", tree / "tests" / "fixtures");
    const fs::path script = fs::path(scratch.Path()) / "recipe.sh";
    std::ofstream(script) << recipe;
    const fs::path output = fs::path(scratch.Path()) / "output.txt";

    // -e: any command of the recipe that fails ends the run with its status.
    const std::string command = "cd '" + tree.string() + "' && env HOME='" + home.string() + "' bash -e '" +
                                script.string() + "' </dev/null >'" + output.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string printed = lurtest::ReadText(output.string());
    ASSERT_TRUE(WIFEXITED(status)) << printed;
    EXPECT_EQ(0, WEXITSTATUS(status)) << printed;
    EXPECT_NE(std::string::npos, printed.find("as expected")) << printed;
    // The run changed the table: the dumps before and after differ.
    const fs::path csv = home / "lur" / "csv";
    EXPECT_NE(lurtest::ReadText((csv / "before.csv").string()), lurtest::ReadText((csv / "after.csv").string()));
    // The service lives where the recipe put it, under its own HOME.
    EXPECT_TRUE(fs::exists(home / "lur" / "data" / "MYSVC.lurdb"));
}

// The recipe's bin directory is build/<preset>/bin of the preset that
// scripts/setup builds when given none (what the README's first command
// makes), the demo runs the same preset, and that preset is optimised.
TEST(ReadmeRecipe, RunsTheOptimisedBuildThatTheSetUpMakes) {
    const std::string setupPreset = QuotedAfter(SourceText("scripts/setup"), "preset=\"${1:-", '}');
    ASSERT_FALSE(setupPreset.empty()) << "scripts/setup names no default preset";
    EXPECT_EQ(BinDirOf(Recipe()), "build/" + setupPreset + "/bin");
    EXPECT_EQ(QuotedAfter(SourceText("scripts/demo"), "preset=\"", '"'), setupPreset);

    const std::string presets = SourceText("CMakePresets.json");
    const size_t preset = presets.find("\"name\": \"" + setupPreset + "\"");
    ASSERT_NE(preset, std::string::npos) << setupPreset << " is not a preset of CMakePresets.json";
    const std::string buildType = QuotedAfter(presets, "\"CMAKE_BUILD_TYPE\": \"", '"', preset);
    EXPECT_TRUE(buildType == "Release" || buildType == "RelWithDebInfo")
        << "the README's programs are a " << buildType << " build";
}

}  // namespace
