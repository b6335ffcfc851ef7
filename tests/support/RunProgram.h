// Test support: runs a program as the shell would, in a child process, with
// standard input from a file, standard output and error into files, an
// optional working directory and extra environment, and hands back its exit
// status and both outputs.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace lurtest {

struct ProgramCall {
    ProgramCall(std::string program, std::vector<std::string> arguments, std::string out, std::string err)
        : path(std::move(program)), args(std::move(arguments)), outFile(std::move(out)), errFile(std::move(err)) {}

    std::string path;  // the program
    std::vector<std::string> args;
    std::string outFile;                                           // standard output lands here
    std::string errFile;                                           // standard error lands here
    std::string inputFile = "/dev/null";                           // standard input (so a message box answers at once)
    std::string workDir;                                           // empty: the test's own
    std::vector<std::pair<std::string, std::string>> environment;  // set in the child only
};

struct ProgramRun {
    int status = -1;  // as the shell sees it; -1 when it did not end normally
    std::string out;
    std::string err;
};

inline std::string WholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline ProgramRun RunProgram(const ProgramCall& call) {
    const pid_t child = fork();
    if (child == 0) {
        const int in = open(call.inputFile.c_str(), O_RDONLY);
        const int out = open(call.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(call.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        if (!call.workDir.empty() && chdir(call.workDir.c_str()) != 0) _exit(126);
        dup2(in, 0), dup2(out, 1), dup2(err, 2);
        for (const auto& [name, value] : call.environment) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(call.path.c_str())};
        for (const std::string& arg : call.args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(call.path.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return {};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WholeFile(call.outFile), WholeFile(call.errFile)};
}

}  // namespace lurtest
