// lursql: the SQL console. It logs in to a service, opens its tablespaces and
// runs a script file, or the script on standard input, through the SQL
// session (RdmFileImport), printing each statement's result as it ends.
//
//   lursql [-u USER] [-p PASSWORD] [--check] [--status] [--encoding ENC] SERVICE [SCRIPT]
//   lursql [-u USER] [-p PASSWORD] [--encoding ENC] --import TS.TABLE SERVICE FILE
//
// --import imports the comma-separated FILE into the table TS.TABLE in one
// transaction and prints the session's message.
//
// Without -u or -p the login dialog asks on the terminal for what is
// missing (never on standard input, which may carry the script); without a
// terminal they are required.
//
// Exit status: 0 every statement succeeded (or -h, --help); 1 a statement
// failed, the output could not be written (said once, at the end) or the
// transaction the script left open was rolled back; 2 wrong command line;
// 3 nothing ran (login refused or cancelled, tablespaces not opened, script
// unreadable, not valid text or with a syntax error, an import refused).
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "CheckedOutput.h"
#include "CodePage.h"
#include "CommandLine.h"
#include "DbDescError.h"
#include "DbDescMap.h"
#include "LuConn.h"
#include "LurExceptBase.h"
#include "RdmFileImport.h"
#include "ResultCsv.h"
#include "SqlTextFile.h"
#include "WindowSystem.h"

namespace {

constexpr int kAllSucceeded = 0;
constexpr int kStatementFailed = 1;
constexpr int kUsage = 2;
constexpr int kNothingRan = 3;

constexpr const char* kUsageText =
    "usage: lursql [-u USER] [-p PASSWORD] [--check] [--status] [--encoding utf8|cp1250] SERVICE [SCRIPT]\n"
    "       lursql [-u USER] [-p PASSWORD] [--encoding utf8|cp1250] --import TS.TABLE SERVICE FILE\n"
    "Runs the SQL script SCRIPT (or standard input) on SERVICE.\n"
    "  -u USER            the user to log in as; without it the terminal asks\n"
    "  -p PASSWORD        the password; without it the terminal asks\n"
    "  --check            only check the script's syntax\n"
    "  --status           print every statement's status\n"
    "  --encoding cp1250  script files are code page 1250, not UTF-8\n"
    "  --import TS.TABLE  import the comma-separated FILE into the table\n"
    "  -h, --help         print this text\n";

struct Options {
    bool help = false;
    std::string user;
    std::optional<std::string> password;
    bool checkOnly = false;
    bool showStatus = false;
    SqlFileEncoding encoding = SqlFileEncoding::Utf8;
    std::string service;
    std::optional<std::string> script;
    std::optional<std::string> importTarget;
};

struct UsageError {
    std::string text;
};

// Code page 1250 text for the console, in UTF-8, with the system's line
// breaks as the terminal's.
std::string ConsoleText(const std::string& text) { return win::WithLineFeeds(win::Cp1250ToUtf8(text)); }

// Messages, on standard error.
void Write(std::FILE* stream, const std::string& text) {
    const std::string utf8 = ConsoleText(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

void Line(std::FILE* stream, const std::string& text) { Write(stream, text + "\n"); }

// Results, on standard output; a failure is kept there and told once, at the end.
void Write(win::CheckedOutput& out, const std::string& text) { out.Write(ConsoleText(text)); }

void Line(win::CheckedOutput& out, const std::string& text) { Write(out, text + "\n"); }

Options ParseCommandLine(const std::vector<std::string>& args) {
    Options options;
    std::vector<std::string> operands;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
            return args[++i];
        };
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return options;
        }
        if (arg == "-u") {
            options.user = value();
        } else if (arg == "-p") {
            options.password = value();
        } else if (arg == "--check") {
            options.checkOnly = true;
        } else if (arg == "--import") {
            options.importTarget = value();
        } else if (arg == "--status") {
            options.showStatus = true;
        } else if (arg == "--encoding") {
            const std::string& name = value();
            if (name == "utf8" || name == "utf-8" || name == "UTF-8") {
                options.encoding = SqlFileEncoding::Utf8;
            } else if (name == "cp1250" || name == "CP1250") {
                options.encoding = SqlFileEncoding::Cp1250;
            } else {
                throw UsageError{"unknown encoding " + name};
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError{"unknown option " + arg};
        } else {
            operands.push_back(arg);
        }
    }
    if (options.importTarget) {
        if (operands.size() != 2) throw UsageError{"--import needs a service and a file"};
        if (options.checkOnly) throw UsageError{"--import and --check do not go together"};
    }
    if (operands.empty() || operands.size() > 2) throw UsageError{"give a service and at most one script"};
    options.service = operands[0];
    if (operands.size() == 2) options.script = operands[1];
    // Nobody can be asked for a missing login without a terminal.
    if (!win::HasTerminal()) {
        if (options.user.empty()) throw UsageError{"-u USER is needed: there is no terminal to ask for it"};
        if (!options.password) throw UsageError{"-p PASSWORD is needed: there is no terminal to ask for it"};
    }
    return options;
}

// A failure that stops the program: its code and text.
void ReportFailure(const LurExceptBase& error) {
    Line(stderr, "lursql: error " + std::to_string(error.GetCode()) + ": " + error.what());
}

bool IsFailure(const std::string& status) { return status.find(":ERROR:") != std::string::npos; }

// What the console shows after each statement.
struct Console {
    RdmFileImport* session = nullptr;
    bool showStatus = false;
    bool failed = false;
};

void ShowStatement(void* argument) {
    Console& console = *static_cast<Console*>(argument);
    const std::string status = console.session->GetStatus();
    const std::string text = console.session->GetSqlResultText();
    if (IsFailure(status)) {
        console.failed = true;
        // An "@" inside a nested script that failed through its script: what
        // failed there was shown as it happened, with its chain of scripts,
        // and the outermost "@" says that its script failed.
        if (console.session->GetScriptDepth() > 0 && console.session->FailedThroughNestedScript()) {
            if (console.showStatus) Line(stderr, status);
            return;
        }
        Line(stderr, status);
        if (!text.empty()) Line(stderr, text.starts_with("\r\n") ? text.substr(2) : text);
        return;
    }
    win::CheckedOutput& out = win::StandardOutput();
    if (console.showStatus) Line(out, status);
    if (status.starts_with("SELECT:")) WriteResultCsv(out, console.session->GetView(), console.session->GetColumns());
    if (!text.empty()) Line(out, text);
    out.Flush();
}

// Logs in (the login dialog asks on the terminal for the user or password
// the command line did not give; the service is given) and opens every
// tablespace; false with the reason on stderr when refused.
bool Connect(LuConn& connection, const Options& options) {
    const bool ask = options.user.empty() || !options.password;
    if (!ask) lurclistl::SetInteractive(false);
    if (!connection.Open(options.service, options.user, options.password.value_or(""), ask, "", {}, false)) {
        const int32_t refusal = connection.GetRefusal();
        if (refusal == 0) {
            Line(stderr, "lursql: the login to " + options.service + " was cancelled");
        } else {
            Line(stderr, "lursql: the login to " + options.service + " was refused: error " + std::to_string(refusal) +
                             ": " + DbDescError(refusal, ErrorLocation(), StrVector()).what());
        }
        return false;
    }
    if (!connection.GetTablespaces().OpenAll()) {
        Line(stderr, "lursql: the tablespaces of " + options.service + " cannot be opened");
        return false;
    }
    return true;
}

// The script on standard input, read to its end (at most the bound of a
// stream) and converted as a file; a read that fails (a directory given with
// "<", a device error) is told as a file's would be, and none of it runs.
std::optional<std::string> ReadStandardInput(SqlFileEncoding encoding) {
    SqlTextFile input =
        ReadSqlTextStream([](char* buffer, size_t size) -> long long { return read(STDIN_FILENO, buffer, size); },
                          encoding, "standard input");
    if (input.fault != SqlTextFile::kNone) {
        Line(stderr, "lursql: " + input.faultText);
        return std::nullopt;
    }
    return input.text;
}

int Run(const Options& options) {
    LuConn connection;
    if (!Connect(connection, options)) return kNothingRan;
    DbDescMap& tablespaces = connection.GetTablespaces();

    RdmFileImport session;
    session.SetSession(tablespaces, false);
    session.SetFileEncoding(options.encoding);
    Console console{&session, options.showStatus};
    session.SetProgressCallback(&console, &ShowStatement);

    if (options.importTarget) {
        try {
            session.Import(options.script->c_str(), tablespaces, *options.importTarget);
        } catch (const LurExceptBase& error) {
            ReportFailure(error);
            return kNothingRan;
        }
        Line(win::StandardOutput(), session.GetSqlResultText());
        return kAllSucceeded;
    }

    if (options.script && !options.checkOnly) {
        // Import reads and parses the whole file before any statement runs.
        try {
            session.Import(options.script->c_str(), tablespaces, "");
        } catch (const LurExceptBase& error) {
            ReportFailure(error);
            return kNothingRan;
        }
    } else {
        if (options.script) {
            try {
                session.LoadScriptFile(*options.script);
            } catch (const LurExceptBase& error) {
                ReportFailure(error);
                return kNothingRan;
            }
        } else {
            if (isatty(STDIN_FILENO))
                Line(stderr,
                     "lursql: type SQL statements, each ending with \";\"; end the input with Ctrl-D on a "
                     "line of its own to run them.");
            std::optional<std::string> text = ReadStandardInput(options.encoding);
            if (!text) return kNothingRan;
            session.SetText(text->c_str());
            session.SetScriptName("standard input");
        }
        session.CheckSql();  // a syntax error is shown by the progress callback
        if (IsFailure(session.GetStatus())) return kNothingRan;
        if (options.checkOnly) {
            Line(win::StandardOutput(), session.GetStatus());
            return kAllSucceeded;
        }
        session.ExecSql();
    }

    if (session.HoldsTransaction()) {
        session.EndOwnTransaction(false);
        Line(stderr, "lursql: the script left its transaction open; it was rolled back");
        return kStatementFailed;
    }
    return console.failed ? kStatementFailed : kAllSucceeded;
}

}  // namespace

int main(int argc, char** argv) {
    win::FailWritesPastFileSizeLimit();
    Options options;
    try {
        options = ParseCommandLine(win::CommandLineArguments(argc, argv));
    } catch (const win::CommandLineError& error) {
        Line(stderr, std::string("lursql: ") + error.what());
        Write(stderr, kUsageText);
        return kUsage;
    } catch (const UsageError& error) {
        Line(stderr, "lursql: " + error.text);
        Write(stderr, kUsageText);
        return kUsage;
    }
    if (options.help) {
        Write(win::StandardOutput(), kUsageText);
        return win::CloseStandardOutput("lursql", kAllSucceeded);
    }
    int status = kNothingRan;
    try {
        status = Run(options);
    } catch (const LurExceptBase& error) {
        ReportFailure(error);
    }
    return win::CloseStandardOutput("lursql", status);
}
