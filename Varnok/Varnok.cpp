// Varnok: moves the environmental data of vehicles from the log database
// "RuzNaplo" into the vehicle table of "Car", following the link table of
// "Ruz_Os7", in committed batches of 100 changed rows.
//
// Everything the program prints is code page 1250 text written through the
// console's output code page (set to 1250 for the run, restored on every path).

#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ArgHlpUtl.h"
#include "CheckedOutput.h"
#include "CodePage.h"
#include "CommandLine.h"
#include "DbDescMap.h"
#include "LuConn.h"
#include "LurExceptBase.h"
#include "LurExceptBaseArg.h"
#include "LurResources.h"
#include "LurVersionControl.h"
#include "RdmTable.h"
#include "RegistryTransaction.h"
#include "StrVector.h"
#include "VarnokResources.h"
#include "VerChk.h"

namespace {

// The program's only command-line object and the display names of its four
// options, filled from the string resources when the options are registered.
ArgHlpUtl argHelper;
std::string serviceArg;
std::string userArg;
std::string passwordArg;
std::string appArg;

constexpr ThrowSource Here{"Varnok"};
constexpr int kMoveFirst = 0;
constexpr int kMoveNext = 2;
constexpr int kChildMove = 5;  // the move code for child tables; a plain table ignores it
constexpr int kBatchSize = 100;
constexpr int kNoLogRecord = 17;
constexpr int kRunFailed = -2;  // the exit code of a run that failed (254 to the shell)

// Everything goes to standard output, checked: output that cannot be
// written (a full disk) fails the run at its end, said on standard error.
void Print(const std::string& text) { win::StandardOutput().Write(win::ConsoleOutputText(text)); }

// A text of the program's own string table; a missing one reads as "".
std::string Res(int id) { return lurutils::GetResStringByModule(id, "", false, true, ""); }

void AddArgument(std::string& displayName, int nameId, int helpId, const std::string& argSwitch) {
    displayName = Res(nameId);
    argHelper.AddArg(displayName, argSwitch, Res(helpId), ArgHlpUtl::Value);
}

void RegisterArguments() {
    std::string version;
    {
        LurVersionControl versionControl;
        version = versionControl.GetFileVersionString();
    }
    argHelper.SetDescription(Res(IDS_PROGRAM_NAME), version, Res(IDS_AUTHOR), Res(IDS_TASK), Res(IDS_BUILD_DATE));
    Print(argHelper.GetBanner() + "\n");
    AddArgument(serviceArg, IDS_NAME_SERVICE, IDS_HELP_SERVICE, "-se");
    AddArgument(userArg, IDS_NAME_USER, IDS_HELP_USER, "-usr");
    AddArgument(passwordArg, IDS_NAME_PASSWORD, IDS_HELP_PASSWORD, "-psw");
    AddArgument(appArg, IDS_NAME_APP, IDS_HELP_APP, "-app");
    argHelper.SetRequired(serviceArg);
    argHelper.SetRequired(userArg);
    argHelper.SetRequired(passwordArg);
}

void ConnectDatabase(LuConn& connection, DbDescMap& map) {
    const std::string service = argHelper.GetValue(serviceArg);
    const std::string user = argHelper.GetValue(userArg);
    const std::string password = argHelper.GetValue(passwordArg);
    if (!connection.Open(service, user, password, false, "", {}, true, nullptr))
        throw LurExceptBase("Cannot create connection!", Here(58));
    map.SetHandle(connection.GetHandle());
    if (!map.OpenAll()) throw LurExceptBase("Tables not open!", Here(62));
}

void CheckEnvironment(DbDescMap& map) {
    VerChk check;
    check.SetDescMap(&map);
    check.Init(argHelper.GetValue(appArg));
    check.ExemptUnruledTablespaces();
    check.ExemptUnruledPlugins();
    if (!check.Check()) throw LurExceptBase("Not supported enviroment!", Here(47));
}

// A field of a table, looked up by name at its first use and kept from then
// on. The table's field set must not change while the handle is in use.
class FieldHandle {
public:
    FieldHandle(RdmTable& table, const char* name) : m_table(table), m_name(name) {}
    RdmFld* operator->() {
        if (!m_field) m_field = &m_table.Fld(m_name);
        return m_field;
    }

private:
    RdmTable& m_table;
    const char* m_name;
    RdmFld* m_field = nullptr;
};

// Emission class codes of the log database: "000...0001" to "000...0017"
// (23 characters) stand for the classes 1 to 17.
void FillEmissionCodeMap(std::map<std::string, int, std::less<>>& codes) {
    for (int n = 1; n <= 17; ++n) {
        std::string key = std::to_string(n);
        key.insert(0, 23 - key.size(), '0');
        codes[key] = n;
    }
}

// A link row whose log record is missing: the library's code-17 text, with
// the vehicle and the link's K_GJ_ID after it, so the row can be found.
LurExceptBaseArg NoLogRecord(const std::string& vehicle, const std::string& logVehicle) {
    return LurExceptBaseArg(
        kNoLogRecord, Here(147),
        StrVector("vehicle GJ_ID " + vehicle)
            << "its Ruz_Os7.Gepjlink row's K_GJ_ID " + logVehicle + " names no RuzNaplo.Gepjarmu record");
}

void TransferEmissionData(DbDescMap& map) {
    if (!map.HasDesc("Ruz_Os7")) return;

    DbDesc car = map.GetDescCopy("Car");
    DbDesc links = map.GetDescCopy("Ruz_Os7");
    DbDesc log = map.GetDescCopy("RuzNaplo");
    RdmTable vehicles(&car, "Gepjarmu");
    RdmTable logVehicles(&log, "Gepjarmu");
    RdmTable linkTable(&links, "Gepjlink");

    std::map<std::string, int, std::less<>> emissionCodes;
    FillEmissionCodeMap(emissionCodes);
    bool transactionOpen = false;
    int updatedInTransaction = 0;

    vehicles.DefineKey("GJ_ID");
    if (!vehicles.Move(kMoveFirst, kChildMove)) {
        Print(Res(IDS_NOTHING_TO_MOVE) + "\n");
        return;
    }

    // Each field is looked up by name once, at its first use (so a missing
    // one is reported where it always was), and then kept.
    FieldHandle vehicleId(vehicles, "GJ_ID");
    FieldHandle vehiclePower(vehicles, "GJ_TELJESITMENY");
    FieldHandle vehicleVolume(vehicles, "GJ_TERFOGAT");
    FieldHandle vehicleEmission(vehicles, "EMC_ID");
    FieldHandle vehicleMass(vehicles, "GJ_OSSZTOMEG");
    FieldHandle linkVehicle(linkTable, "S_GJ_ID");
    FieldHandle linkLogVehicle(linkTable, "K_GJ_ID");
    FieldHandle logId(logVehicles, "GJ_ID");
    FieldHandle logPower(logVehicles, "GJ_MOTORTELJ");
    FieldHandle logVolume(logVehicles, "GJ_HENGERURT");
    FieldHandle logEmission(logVehicles, "KVO_ID");
    FieldHandle logMass(logVehicles, "GJ_LEGNTOMEG");

    try {
        do {
            bool changed = false;
            linkVehicle->SetLong(vehicleId->GetLong());
            if (linkTable.FindRecByKey("S_GJ_ID", kChildMove)) {
                logId->SetCStr(linkLogVehicle->GetCStr());
                if (!logVehicles.FindRecByKey("GJ_ID", kChildMove))
                    throw NoLogRecord(vehicleId->GetString(), linkLogVehicle->GetString());

                // Power and volume are missing only when empty ("0" is a value).
                if (*vehiclePower->GetCStr() == '\0' && logPower->GetLong() > 0) {
                    vehiclePower->SetCStr(logPower->GetCStr());
                    changed = true;
                }
                if (*vehicleVolume->GetCStr() == '\0' && logVolume->GetLong() > 0) {
                    vehicleVolume->SetCStr(logVolume->GetCStr());
                    changed = true;
                }
                // Emission class and total mass are missing whenever they read as 0.
                const char* code = logEmission->GetCStr();
                const auto emission = emissionCodes.find(code);
                if (vehicleEmission->GetLong() == 0 && *code != '\0' && emission != emissionCodes.end()) {
                    vehicleEmission->SetLong(emission->second);
                    changed = true;
                }
                if (vehicleMass->GetLong() == 0 && logMass->GetLong() > 0) {
                    vehicleMass->SetLong(logMass->GetLong());
                    changed = true;
                }
            }
            // Rows that still have no emission class are marked, so that a
            // later run does not look them up again.
            if (vehicleEmission->GetLong() == 0) {
                vehicleEmission->SetInt(-1);
                changed = true;
            }
            if (changed) {
                if (!transactionOpen) {
                    map.BeginTrans("GEPJARMU UPD", true);
                    transactionOpen = true;
                    updatedInTransaction = 0;
                }
                vehicles.ModRec(false);
                ++updatedInTransaction;
                if (updatedInTransaction >= kBatchSize) {
                    map.EndTrans(true);
                    transactionOpen = false;
                }
            }
        } while (vehicles.Move(kMoveNext, kChildMove));
        if (transactionOpen) {
            map.EndTrans(true);
            transactionOpen = false;  // only once committed: a failed commit is aborted below
        }
    } catch (...) {
        if (transactionOpen) AbortAfterFailure(map);
        throw;
    }
}

// The command line in code page 1250; an argument that cannot be taken is a
// command-line error like any other.
std::vector<std::string> TakeArguments(int argc, char** argv) {
    try {
        return win::CommandLineArguments(argc, argv);
    } catch (const win::CommandLineError& e) {
        throw ArgHelperException(ArgHelperException::BadArgument, e.what(), "main");
    }
}

int RunUtility() {
    LuConn connection;
    DbDescMap map;
    ConnectDatabase(connection, map);
    CheckEnvironment(map);
    TransferEmissionData(map);
    connection.Disconnect();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    win::FailWritesPastFileSizeLimit();
    RegisterVarnokResources();
    const uint32_t savedCodePage = win::GetConsoleOutputCP();
    win::SetConsoleOutputCP(win::CP_1250);
    int exitCode = 0;
    try {
        Print("\n");
        RegisterArguments();
        // Taken after the banner, so that a refused argument is reported as
        // every command-line error is.
        const std::vector<std::string> arguments = TakeArguments(argc, argv);
        std::vector<const char*> argumentPointers;
        for (const std::string& argument : arguments) argumentPointers.push_back(argument.c_str());
        argHelper.ParseArguments(static_cast<int>(argumentPointers.size()), argumentPointers.data());
        if (argHelper.IsHelpRequested()) {
            Print(argHelper.GetHelp() + "\n");
            exitCode = 0;
        } else {
            exitCode = RunUtility();
        }
    } catch (const ArgHelperException& e) {
        Print(argHelper.GetHelpHint() + "\n");
        Print(Res(IDS_LABEL_CODE) + std::to_string(e.GetCode()) + "\n");
        Print(Res(IDS_LABEL_TEXT) + e.GetText() + "\n");
        Print(Res(IDS_LABEL_WHERE) + e.GetWhere() + "\n");
        exitCode = -1;
    } catch (const LurExceptBase& e) {
        Print(Res(IDS_LABEL_EXCEPTION) + e.what() + "\n");
        exitCode = kRunFailed;
    } catch (const std::exception& e) {
        Print(Res(IDS_LABEL_EXCEPTION) + e.what() + "\n");
        exitCode = -3;
    } catch (...) {
        Print("Unknown exception!\n");
        exitCode = -4;
    }
    Print("\n");
    exitCode = win::CloseStandardOutput("Varnok", exitCode, kRunFailed);
    win::SetConsoleOutputCP(savedCodePage);
    return exitCode;
}
