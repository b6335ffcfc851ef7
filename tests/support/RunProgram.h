// Test support: runs a program as the shell would, in a child process
// without a terminal (or on a pseudo-terminal the test types on), with
// standard input from a file, standard output and error into files, an
// optional working directory and extra environment (and, to make a file's
// write fail, a limit on the size of the files it writes), and hands back
// its exit status and both outputs.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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
    // The size in bytes no file may grow past (RLIMIT_FSIZE: a write beyond
    // it fails with EFBIG, SIGXFSZ ignored); -1 for none.
    long long fileSizeLimit = -1;
    // With the limit, SIGXFSZ left at its default instead, as a shell's
    // "ulimit -f" leaves it: a program that does not ignore it itself is
    // ended by the signal.
    bool fileSizeSignalDefault = false;
};

struct ProgramRun {
    int status = -1;  // as the shell sees it; -1 when it did not end normally
    std::string out;
    std::string err;
};

// The bytes of a regular file; "" for anything else (/dev/full, which reads
// as endless zeros, stands for a full disk's output).
inline std::string WholeFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return "";
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the call in a child process in a session of its own, whose
// controlling terminal is the pseudo-terminal with that slave name, or none
// (no program under test ever waits for a person at the terminal ctest
// runs in); the child's pid, -1 when it could not be started.
inline pid_t StartProgram(const ProgramCall& call, const char* terminal = nullptr) {
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        // Opened after setsid, the terminal becomes the session's own.
        if (terminal != nullptr && open(terminal, O_RDWR) < 0) _exit(126);
        const int in = open(call.inputFile.c_str(), O_RDONLY);
        const int out = open(call.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(call.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        if (!call.workDir.empty() && chdir(call.workDir.c_str()) != 0) _exit(126);
        dup2(in, 0), dup2(out, 1), dup2(err, 2);
        if (call.fileSizeLimit >= 0) {
            std::signal(SIGXFSZ, call.fileSizeSignalDefault ? SIG_DFL : SIG_IGN);  // kept through exec
            const rlimit limit{static_cast<rlim_t>(call.fileSizeLimit), static_cast<rlim_t>(call.fileSizeLimit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        for (const auto& [name, value] : call.environment) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(call.path.c_str())};
        for (const std::string& arg : call.args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(call.path.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

inline ProgramRun Finish(const ProgramCall& call, pid_t child) {
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return {};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WholeFile(call.outFile), WholeFile(call.errFile)};
}

inline ProgramRun RunProgram(const ProgramCall& call) { return Finish(call, StartProgram(call)); }

// What ran on a terminal: the run, and what the program wrote to the
// terminal (prompts, and the typed text the terminal echoed).
struct TerminalRun {
    ProgramRun run;
    std::string screen;
};

// Runs the call with a pseudo-terminal as its controlling terminal (its
// standard streams stay as the call gives them), on which typed is typed
// before it starts; a Ctrl-D at a line's start ends the terminal's input.
inline TerminalRun RunOnTerminal(const ProgramCall& call, const std::string& typed) {
    TerminalRun result;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return result;
    const std::string slave = ptsname(master);
    // Held open here too, so the terminal never counts as hung up while the
    // program starts; the typed text waits there until the program reads it.
    const int held = open(slave.c_str(), O_RDWR | O_NOCTTY);
    if (held < 0 || write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) return result;
    const pid_t child = StartProgram(call, slave.c_str());
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    int status = 0;
    bool ended = child < 0;
    for (;;) {
        char buffer[512];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
            result.screen.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (ended) break;  // drained after the end
        ended = waitpid(child, &status, WNOHANG) == child;
        if (!ended) usleep(10000);
    }
    close(held);
    close(master);
    if (child >= 0)
        result.run = {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WholeFile(call.outFile), WholeFile(call.errFile)};
    return result;
}

}  // namespace lurtest
