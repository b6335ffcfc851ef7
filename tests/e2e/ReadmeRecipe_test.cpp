// The README's recipe, run from the README's own text as a user pastes it:
// in a tree laid out like the source tree (build/dev/bin = the programs of
// this build, tests/fixtures = the schema files), with its own HOME, so
// that the README and what the programs do cannot drift apart.
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

TEST(ReadmeRecipe, RunsAsWrittenAndLeavesTheExpectedVehicleTable) {
    const std::string recipe = RecipeOf(lurtest::ReadText(std::string(LUR_SOURCE_DIR) + "/README.md"));
    ASSERT_NE(std::string::npos, recipe.find("Varnok")) << "no recipe block after \"" << kRecipeMarker << "\"";

    lurtest::ScratchDir scratch("lur_readme");
    const fs::path tree = fs::path(scratch.Path()) / "tree";
    const fs::path home = fs::path(scratch.Path()) / "home";
    fs::create_directories(tree / "build" / "dev");
    fs::create_directories(tree / "tests");
    fs::create_directories(home);
    fs::create_directory_symlink(fs::absolute(lurtest::BinDir()), tree / "build" / "dev" / "bin");
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

}  // namespace
