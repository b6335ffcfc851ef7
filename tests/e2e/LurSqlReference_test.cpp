// lursql/README.md, the statement reference, run as a user pastes it, so
// that the forms it shows and what lursql takes cannot drift apart.
//
// The reference marks what runs:
// - the set-up: the code block right after the line that starts with
//   "<!-- setup"; a bash script run from the top of a tree laid out like
//   the source tree (build/release/bin = the programs of this build,
//   tests/fixtures = the fixtures), with a HOME of its own; it defines the
//   shell function `shop`, lursql on the service it makes;
// - the examples: every ```sql block right after a line "<!-- example -->",
//   in the order they stand, each given as one script file to `shop`.
// Every example must end with exit status 0 and no ":ERROR:" on standard
// error; a failure names the example by its line in the reference.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ScratchDir.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kReference = "lursql/README.md";
constexpr const char* kSetupMarker = "<!-- setup";
constexpr const char* kExampleMarker = "<!-- example -->";

// A code block of the reference: the line of its marker and its text.
struct Block {
    int line = 0;
    std::string text;
};

struct Reference {
    Block setup;
    std::vector<Block> examples;
};

// The blocks after the markers. A marker not followed by its kind of block
// gives an empty text, which the test reports with the marker's line.
Reference ReadReference(const std::string& text) {
    Reference reference;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    // The block that opens on the line after a marker, "" without one.
    auto blockAfter = [&](const std::string& opening) {
        std::string block;
        ++number;
        if (!std::getline(in, line) || line != opening) return block;
        while (std::getline(in, line)) {
            ++number;
            if (line == "```") break;
            block += line + "\n";
        }
        return block;
    };
    while (std::getline(in, line)) {
        ++number;
        const int markerLine = number;
        if (line.rfind(kSetupMarker, 0) == 0)
            reference.setup = {markerLine, blockAfter("```")};
        else if (line == kExampleMarker)
            reference.examples.push_back({markerLine, blockAfter("```sql")});
    }
    return reference;
}

// Whether a line of some example starts with the statement.
bool HasExample(const std::vector<Block>& examples, const std::string& statement) {
    for (const Block& example : examples) {
        std::istringstream in(example.text);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(statement, 0) == 0) return true;
    }
    return false;
}

TEST(LurSqlReference, SetUpAndEveryExampleRunAsWritten) {
    const Reference reference = ReadReference(lurtest::ReadText(std::string(LUR_SOURCE_DIR) + "/" + kReference));
    ASSERT_NE(std::string::npos, reference.setup.text.find("lursql"))
        << "no set-up block after \"" << kSetupMarker << "\" in " << kReference;
    ASSERT_FALSE(reference.examples.empty()) << "no example after \"" << kExampleMarker << "\" in " << kReference;
    for (const Block& example : reference.examples)
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
        EXPECT_TRUE(HasExample(reference.examples, statement)) << "no example of " << statement;

    lurtest::ScratchDir scratch("lur_reference");
    const fs::path tree = fs::path(scratch.Path()) / "tree";
    const fs::path home = fs::path(scratch.Path()) / "home";
    const fs::path runs = fs::path(scratch.Path()) / "runs";
    fs::create_directories(tree / "build" / "release");
    fs::create_directories(tree / "tests");
    fs::create_directories(home);
    fs::create_directories(runs);
    fs::create_directory_symlink(fs::absolute(lurtest::BinDir()), tree / "build" / "release" / "bin");
    fs::create_directory_symlink(fs::path(LUR_SOURCE_DIR) / "tests" / "fixtures", tree / "tests" / "fixtures");

    // The files of the i-th example's run: its script, output, errors, status.
    const auto exampleFile = [&](size_t i, const char* kind) {
        return runs / ("example" + std::to_string(i + 1) + kind);
    };
    const auto quoted = [](const fs::path& path) { return "'" + path.string() + "'"; };
    // One script: the set-up (any failing command ends it with its status),
    // then each example with its output and status kept apart.
    const fs::path setupDone = runs / "setup.done";
    std::string script = "set -e\n" + reference.setup.text + "set +e\n: >" + quoted(setupDone) + "\n";
    for (size_t i = 0; i < reference.examples.size(); ++i) {
        std::ofstream(exampleFile(i, ".sql")) << reference.examples[i].text;
        script += "shop " + quoted(exampleFile(i, ".sql")) + " >" + quoted(exampleFile(i, ".out")) + " 2>" +
                  quoted(exampleFile(i, ".err")) + " </dev/null\necho $? >" + quoted(exampleFile(i, ".status")) + "\n";
    }
    const fs::path scriptFile = runs / "reference.sh";
    std::ofstream(scriptFile) << script;
    const fs::path output = runs / "output.txt";
    const std::string command = "cd '" + tree.string() + "' && env HOME='" + home.string() + "' bash '" +
                                scriptFile.string() + "' </dev/null >'" + output.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    const std::string printed = lurtest::ReadText(output.string());
    ASSERT_TRUE(WIFEXITED(status)) << printed;
    ASSERT_TRUE(fs::exists(setupDone)) << "the set-up failed (exit status " << WEXITSTATUS(status) << "):\n" << printed;

    for (size_t i = 0; i < reference.examples.size(); ++i) {
        const auto read = [&](const char* kind) { return lurtest::ReadText(exampleFile(i, kind).string()); };
        const std::string exitStatus = read(".status");
        const std::string errors = read(".err");
        EXPECT_TRUE(exitStatus == "0\n" && errors.find(":ERROR:") == std::string::npos)
            << "the example at line " << reference.examples[i].line << " of " << kReference << " failed:\n"
            << reference.examples[i].text << "exit status " << exitStatus << errors << read(".out");
    }
}

}  // namespace
