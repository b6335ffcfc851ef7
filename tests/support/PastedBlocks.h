// Test support: the shell blocks of a README run as a user pastes them, from
// the top of a tree laid out like the source tree: each block's bin
// directory (its "bin=DIR" line) is the programs of this build,
// tests/fixtures the fixtures, and HOME a directory of the tree's own. So a
// README and what the programs do cannot drift apart.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ScratchDir.h"

namespace lurtest {

// A fenced block of a document: the line of the marker before it, its text.
struct MarkedBlock {
    int line = 0;
    std::string text;
};

// The block that opens with the line `opening` right after each line that
// starts with `marker`, in the document's order; a marker without such a
// block gives an empty text, for the caller to report with its line.
inline std::vector<MarkedBlock> BlocksAfter(const std::string& document, std::string_view marker,
                                            std::string_view opening) {
    std::vector<MarkedBlock> blocks;
    std::istringstream in(document);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.starts_with(marker)) continue;
        MarkedBlock block{number, ""};
        if (std::getline(in, line)) {
            ++number;
            if (line == opening) {
                while (std::getline(in, line)) {
                    ++number;
                    if (line == "```") break;
                    block.text += line + "\n";
                }
            }
        }
        blocks.push_back(std::move(block));
    }
    return blocks;
}

// The value of a block's "bin=DIR" line ("" when it has none).
inline std::string BinDirOf(const std::string& block) {
    std::istringstream in(block);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with("bin=")) return line.substr(4);
    return "";
}

class PastedTree {
public:
    // What a script printed (standard output and error together) and its
    // exit status (-1 when it did not exit).
    struct Run {
        int status = -1;
        std::string printed;
    };

    explicit PastedTree(const std::string& prefix) : m_scratch(prefix) {
        std::filesystem::create_directories(Tree() / "tests");
        std::filesystem::create_directories(Home());
        std::filesystem::create_directory_symlink(std::filesystem::path(LUR_SOURCE_DIR) / "tests" / "fixtures",
                                                  Tree() / "tests" / "fixtures");
    }

    // The scratch directory that holds the tree, the HOME and the runs.
    std::filesystem::path Root() const { return m_scratch.Path(); }
    std::filesystem::path Tree() const { return Root() / "tree"; }
    std::filesystem::path Home() const { return Root() / "home"; }

    // Links the block's bin directory, where the tree does not have it yet,
    // to the programs of this build; false when the block names no relative
    // bin directory.
    bool LinkBin(const std::string& block) const {
        const std::filesystem::path bin = BinDirOf(block);
        if (bin.empty() || !bin.is_relative()) return false;
        if (!std::filesystem::exists(Tree() / bin)) {
            std::filesystem::create_directories((Tree() / bin).parent_path());
            std::filesystem::create_directory_symlink(std::filesystem::absolute(BinDir()), Tree() / bin);
        }
        return true;
    }

    // Runs the script (kept as <name>.sh beside the tree) with bash and its
    // options from the top of the tree, with the tree's HOME and standard
    // input from /dev/null.
    Run Bash(const std::string& name, const std::string& script, const std::string& options = "-e") const {
        const std::filesystem::path file = Root() / (name + ".sh");
        const std::filesystem::path output = Root() / (name + ".txt");
        std::ofstream(file) << script;
        const std::string command = "cd '" + Tree().string() + "' && env HOME='" + Home().string() + "' bash " +
                                    options + " '" + file.string() + "' </dev/null >'" + output.string() + "' 2>&1";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(output.string())};
    }

private:
    ScratchDir m_scratch;
};

}  // namespace lurtest
