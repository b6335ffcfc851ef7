// lursql/README.md, the statement reference, run as a user pastes it, so
// that the forms it shows and what lursql takes cannot drift apart.
//
// The reference marks what runs:
// - the set-up: the code block right after the line that starts with
//   "<!-- setup"; a bash script run from the top of a tree laid out like
//   the source tree (its bin= directory = the programs of this build,
//   tests/fixtures = the fixtures), with a HOME of its own; it defines the
//   shell function `shop`, lursql on the service it makes;
// - the examples: every ```sql block right after a line "<!-- example -->",
//   in the order they stand, each given as one script file to `shop`.
// Every example must end with exit status 0 and no ":ERROR:" on standard
// error; a failure names the example by its line in the reference.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PastedBlocks.h"

namespace {

namespace fs = std::filesystem;
using lurtest::MarkedBlock;

constexpr const char* kReference = "lursql/README.md";
constexpr const char* kSetupMarker = "<!-- setup";
constexpr const char* kExampleMarker = "<!-- example -->";

// Whether a line of some example starts with the statement.
bool HasExample(const std::vector<MarkedBlock>& examples, const std::string& statement) {
    for (const MarkedBlock& example : examples) {
        std::istringstream in(example.text);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(statement, 0) == 0) return true;
    }
    return false;
}

TEST(LurSqlReference, SetUpAndEveryExampleRunAsWritten) {
    const std::string text = lurtest::ReadText(std::string(LUR_SOURCE_DIR) + "/" + kReference);
    const std::vector<MarkedBlock> setups = lurtest::BlocksAfter(text, kSetupMarker, "```");
    const std::vector<MarkedBlock> examples = lurtest::BlocksAfter(text, kExampleMarker, "```sql");
    ASSERT_EQ(setups.size(), 1u) << "one set-up block after \"" << kSetupMarker << "\" in " << kReference;
    const MarkedBlock& setup = setups.front();
    ASSERT_NE(std::string::npos, setup.text.find("lursql"))
        << "no set-up block after \"" << kSetupMarker << "\" in " << kReference;
    ASSERT_FALSE(examples.empty()) << "no example after \"" << kExampleMarker << "\" in " << kReference;
    for (const MarkedBlock& example : examples)
        ASSERT_FALSE(example.text.empty()) << kReference << " line " << example.line << ": no ```sql block follows";

    // Every statement the console runs keeps its example.
    const char* const statements[] = {"INSERT INTO",
                                      "SELECT",
                                      "UPDATE",
                                      "DELETE FROM",
                                      "DESCRIBE",
                                      "TRUNCATE TABLE",
                                      "COMMIT",
                                      "ROLLBACK",
                                      "PRINT",
                                      "@",
                                      "EXEC",
                                      "CREATE SEQUENCE",
                                      "ALTER SEQUENCE",
                                      "DROP SEQUENCE",
                                      "CREATE USER",
                                      "ALTER USER",
                                      "DROP USER",
                                      "CREATE ROLE",
                                      "DROP ROLE",
                                      "GRANT",
                                      "REVOKE",
                                      "CREATE DATABASE",
                                      "DROP DATABASE",
                                      "ALTER DATABASE ADD BLOBFILE",
                                      "ALTER DATABASE DROP BLOBFILE",
                                      "ALTER SESSION SET NLS_TERRITORY",
                                      "ALTER SYSTEM SET LOGLEVEL",
                                      "ALTER SYSTEM SET NETLOCK"};
    for (const char* statement : statements)
        EXPECT_TRUE(HasExample(examples, statement)) << "no example of " << statement;

    const lurtest::PastedTree tree("lur_reference");
    ASSERT_TRUE(tree.LinkBin(setup.text)) << "the set-up names its programs with bin=DIR";
    const fs::path runs = tree.Root() / "runs";
    fs::create_directories(runs);

    // The files of the i-th example's run: its script, output, errors, status.
    const auto exampleFile = [&](size_t i, const char* kind) {
        return runs / ("example" + std::to_string(i + 1) + kind);
    };
    const auto quoted = [](const fs::path& path) { return "'" + path.string() + "'"; };
    // One script: the set-up (any failing command ends it with its status),
    // then each example with its output and status kept apart.
    const fs::path setupDone = runs / "setup.done";
    std::string script = "set -e\n" + setup.text + "set +e\n: >" + quoted(setupDone) + "\n";
    for (size_t i = 0; i < examples.size(); ++i) {
        std::ofstream(exampleFile(i, ".sql")) << examples[i].text;
        script += "shop " + quoted(exampleFile(i, ".sql")) + " >" + quoted(exampleFile(i, ".out")) + " 2>" +
                  quoted(exampleFile(i, ".err")) + " </dev/null\necho $? >" + quoted(exampleFile(i, ".status")) + "\n";
    }
    const lurtest::PastedTree::Run run = tree.Bash("reference", script, "");
    ASSERT_TRUE(fs::exists(setupDone)) << "the set-up failed (exit status " << run.status << "):\n" << run.printed;

    for (size_t i = 0; i < examples.size(); ++i) {
        const auto read = [&](const char* kind) { return lurtest::ReadText(exampleFile(i, kind).string()); };
        const std::string exitStatus = read(".status");
        const std::string errors = read(".err");
        EXPECT_TRUE(exitStatus == "0\n" && errors.find(":ERROR:") == std::string::npos)
            << "the example at line " << examples[i].line << " of " << kReference << " failed:\n"
            << examples[i].text << "exit status " << exitStatus << errors << read(".out");
    }
}

}  // namespace
