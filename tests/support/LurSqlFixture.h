// Test support: lursql and lurdbadm as a user runs them, against a service of
// the test's own ("GARAGE", owner "owner" with password "key") made from a
// schema text, with a working directory of its own ("work" in the service's
// directory) where scripts and data files are written and the programs run.
#pragma once

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "RunProgram.h"
#include "ServiceFixture.h"

namespace lurtest {

class LurSqlFixture : public ::testing::Test {
protected:
    explicit LurSqlFixture(const std::string& schema) : service{schema, "GARAGE", "owner", "key"} {
        mkdir(Work().c_str(), 0700);
    }

    std::string Work() const { return service.Dir() + "/work"; }

    // Writes a file of the working directory (replacing one left by an
    // earlier call); its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = Work() + "/" + name;
        std::filesystem::remove(path);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs a program of the bin directory in the working directory, with
    // standard input from the given text (or /dev/null).
    ProgramRun Run(const std::string& program, const std::vector<std::string>& args,
                   const std::string* input = nullptr) const {
        ProgramCall call{BinDir() + "/" + program, args, service.Dir() + "/stdout.txt", service.Dir() + "/stderr.txt"};
        call.workDir = Work();
        if (input) {
            call.inputFile = service.Dir() + "/stdin.txt";
            std::ofstream(call.inputFile, std::ios::binary) << *input;
        }
        return RunProgram(call);
    }

    // lursql on the test service as its owner, the arguments after the login.
    ProgramRun LurSql(std::vector<std::string> args, const std::string* input = nullptr) const {
        args.insert(args.begin(), {"-u", "owner", "-p", "key"});
        return Run("lursql", args, input);
    }

    // The script text written as "script.sql" and run by lursql as the given
    // user, with the options before the service.
    ProgramRun Script(const std::string& text, const std::vector<std::string>& options = {},
                      const std::string& user = "owner", const std::string& password = "key") const {
        Write("script.sql", text);
        std::vector<std::string> args{"-u", user, "-p", password};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {"GARAGE", "script.sql"});
        return Run("lursql", args);
    }

    // A table of the service as lurdbadm dumps it.
    std::string Dump(const std::string& tablespace = "Car", const std::string& table = "Gepjarmu") const {
        return Run("lurdbadm", {"dump", "GARAGE", tablespace, table}).out;
    }

    ServiceFixture service;
};

}  // namespace lurtest
