// LurDbLinkHost: loads a link module and drives it the way the database
// server does. It connects the links of a link list as link set 1, replays a
// script of transactions through the exports and prints every export's
// answer, then ends the links.
//
//   LurDbLinkHost <module.so> <link-list> <schema-file> <script>
//
// Exit status: 0 every export answered 0; 1 an export answered a code or
// the output could not be written; 2 wrong command line, unreadable file or
// a module without the exports.
//
// The file names are taken in code page 1250, as every text inside the
// system, and are UTF-8 again on disk and on the terminal. The three files are
// UTF-8, converted to code page 1250 once as they are read.
#include <dlfcn.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "CheckedOutput.h"
#include "CodePage.h"
#include "CommandLine.h"
#include "HostFiles.h"
#include "LurDbLink.h"
#include "Schema.h"
#include "Sqlite.h"
#include "TextFile.h"
#include "lurdbcli.h"

namespace {

constexpr int32_t kLinkId = 1;
// CreateLink's answer when a link's login was refused or its tablespaces
// could not be opened; the module calls no report function for it.
constexpr int32_t kLinkRefused = 10015;
constexpr const char* kLinkRefusedMeaning = "a link's login was refused or its tablespaces could not be opened";
constexpr int kExitCode = 1;
constexpr int kExitUsage = 2;
constexpr const char* kUsage =
    "usage: LurDbLinkHost <module.so> <link-list> <schema-file> <script>\n"
    "Loads the link module, connects the links of <link-list> as link set 1, replays the\n"
    "transactions of <script> (records laid out by the tablespaces of <schema-file>)\n"
    "through the module's exports, prints every export's answer, then ends the links.\n"
    "Exit status: 0 every export answered 0, 1 an export answered a code or the output\n"
    "could not be written, 2 wrong command line, unreadable file or a module without\n"
    "the exports.\n";

// A message on standard error, under the program's name.
void Complain(const std::string& text) { std::cerr << "LurDbLinkHost: " << text << "\n"; }

struct LinkModule {
    void* library = nullptr;
    CreateLinkFn createLink = nullptr;
    DestroyLinkFn destroyLink = nullptr;
    BeginTransactionLinkFn beginTransaction = nullptr;
    EndTransactionLinkFn endTransaction = nullptr;
    AddElemLinkFn addElem = nullptr;
    GetTransactionListLinkFn getList = nullptr;
};

template <class Fn>
bool Bind(void* library, const char* name, Fn& pointer) {
    pointer = reinterpret_cast<Fn>(dlsym(library, name));
    if (!pointer) Complain("The module has no export " + std::string(name) + ".");
    return pointer != nullptr;
}

bool LoadModule(const std::string& path, LinkModule& module) {
    module.library = dlopen(win::Cp1250ToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module.library) {
        Complain(std::string("Cannot load the link module: ") + dlerror());
        return false;
    }
    // Every missing export is named, not only the first.
    bool complete = Bind(module.library, "CreateLink", module.createLink);
    complete = Bind(module.library, "DestroyLink", module.destroyLink) && complete;
    complete = Bind(module.library, "BeginTransactionLink", module.beginTransaction) && complete;
    complete = Bind(module.library, "EndTransactionLink", module.endTransaction) && complete;
    complete = Bind(module.library, "AddElemLink", module.addElem) && complete;
    return Bind(module.library, "GetTransactionListLink", module.getList) && complete;
}

// The module's report of a link it could not make (code page 1250), on one line.
int32_t PrintReport(int32_t linkId, char* text) {
    std::string message = win::Cp1250ToUtf8(text ? text : "");
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    std::string line;
    for (char c : message)
        if (c != '\r') line += c == '\n' ? ' ' : c;
    win::StandardOutput().Write("report " + std::to_string(linkId) + ": " + line + "\n");
    return 0;
}

const char* ChangeName(int16_t type) {
    switch (type) {
        case TransactionElem::kNew: return "insert";
        case TransactionElem::kDelete: return "delete";
        default: return "modify";
    }
}

// The client library's text of an answer that is a failure of a linked
// service's store (its disk, its file, another process holding it), whose
// cause lies outside the script; "" for any other.
const char* StoreFailureText(int32_t code) {
    switch (code) {
        case lurdbcli::kStoreError:
        case lurdbcli::kStoreBusy:
        case lurdbcli::kNotAStore:
        case lurdbcli::kStoreFull:
        case lurdbcli::kStoreTooLarge:
        case lurdbcli::kStoreReadOnly: return lurdbcli::StatusText(code);
        default: return "";
    }
}

// Prints the answer of one export call (named in code page 1250), with what
// the code means where the module reports nothing of it; false when it is not 0.
bool Answer(const std::string& call, int32_t code, const char* meaning = "") {
    win::StandardOutput().Write(win::Cp1250ToUtf8(call) + ": " + std::to_string(code) +
                                (*meaning ? std::string(" (") + meaning + ")" : "") + "\n");
    return code == 0;
}

// The answer of a call that reaches the linked stores, with the store's
// failure said (the module reports nothing of it).
bool StoreAnswer(const std::string& call, int32_t code) { return Answer(call, code, StoreFailureText(code)); }

bool RunTransaction(const LinkModule& module, int32_t trId, ScriptTransaction& transaction) {
    bool allZero =
        StoreAnswer("BeginTransactionLink " + std::to_string(trId), module.beginTransaction(kLinkId, trId, "TR_LINK"));
    for (ScriptChange& change : transaction.changes) {
        const int32_t code = module.addElem(kLinkId, change.type, trId, change.dbNo, change.recType,
                                            static_cast<int32_t>(change.record.size()), change.record.data(), 0);
        allZero &= StoreAnswer("AddElemLink " + std::string(ChangeName(change.type)) + " " + change.table + " (line " +
                                   std::to_string(change.line) + ")",
                               code);
    }
    std::vector<TransactionElem> recorded;
    const int32_t listCode = module.getList(kLinkId, trId, recorded);
    win::StandardOutput().Write("GetTransactionListLink " + std::to_string(trId) + ": " + std::to_string(listCode) +
                                " (" + std::to_string(recorded.size()) + " changes)\n");
    // A transaction without changes has no list: 10002 is then the answer.
    allZero &= listCode == 0 || transaction.changes.empty();
    allZero &= StoreAnswer("EndTransactionLink " + std::to_string(trId) + (transaction.commit ? " commit" : " abort"),
                           module.endTransaction(kLinkId, trId, transaction.commit ? 1 : 0));
    return allZero;
}

}  // namespace

int main(int argc, char** argv) {
    win::FailWritesPastFileSizeLimit();
    std::vector<std::string> args;
    try {
        args = win::CommandLineArguments(argc, argv);
    } catch (const win::CommandLineError& error) {
        Complain(win::Cp1250ToUtf8(error.what()));
        std::cerr << kUsage;
        return kExitUsage;
    }
    if (args.size() == 2 && (args[1] == "-h" || args[1] == "--help")) {
        win::StandardOutput().Write(kUsage);
        return win::CloseStandardOutput("LurDbLinkHost", 0);
    }
    if (args.size() != 5) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::string linkText, schemaText, scriptText, error;
    try {
        linkText = win::ReadUtf8TextFile(args[2]);
        schemaText = win::ReadUtf8TextFile(args[3]);
        scriptText = win::ReadUtf8TextFile(args[4]);
    } catch (const win::TextFileError& failure) {
        Complain(win::Cp1250ToUtf8(failure.what()));
        return kExitUsage;
    }

    std::vector<DbLink> links;
    std::istringstream linkStream(linkText);
    if (!ReadLinkList(linkStream, links, error)) {
        Complain(win::Cp1250ToUtf8(args[2] + ": " + error));
        return kExitUsage;
    }
    std::vector<lurdbcli::TablespaceDef> schema;
    try {
        schema = lurdbcli::ParseSchema(schemaText);
    } catch (const lurdbcli::StoreError& failure) {
        Complain(win::Cp1250ToUtf8(args[3] + ": " + failure.detail));
        return kExitUsage;
    }
    std::vector<ScriptTransaction> script;
    std::istringstream scriptStream(scriptText);
    if (!ReadScript(scriptStream, schema, script, error)) {
        Complain(win::Cp1250ToUtf8(args[4] + ": " + error));
        return kExitUsage;
    }

    LinkModule module;
    if (!LoadModule(args[1], module)) return kExitUsage;

    const int32_t created = module.createLink(kLinkId, links, PrintReport);
    bool allZero =
        Answer("CreateLink " + std::to_string(kLinkId), created, created == kLinkRefused ? kLinkRefusedMeaning : "");
    // A server does not use a link set it could not make whole.
    if (allZero) {
        int32_t trId = 0;
        for (ScriptTransaction& transaction : script) allZero &= RunTransaction(module, ++trId, transaction);
    }
    allZero &= Answer("DestroyLink " + std::to_string(kLinkId), module.destroyLink(kLinkId));
    // The module stays loaded until the process ends, as in the server.
    return win::CloseStandardOutput("LurDbLinkHost", allZero ? 0 : kExitCode);
}
