#include "ArgHlpUtl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CodePage.h"

namespace {

std::string Cp(const char* utf8) { return win::Utf8ToCp1250(utf8); }

// The outcome of a parse: code 0 for success.
struct Outcome {
    int code = 0;
    std::string text;
    std::string where;
};

// The program's options, with display names in code page 1250 like the
// program's own, so that the byte order puts the Hungarian letters last.
class ArgHlpUtlTest : public ::testing::Test {
protected:
    const std::string service = Cp("Az adatbázis szolgáltatás neve");
    const std::string user = Cp("A felhasználó neve");
    const std::string password = Cp("A jelszó");
    const std::string app = Cp("Az alkalmazás rövid neve");

    void SetUp() override {
        args.AddArg(service, "-se", "service help", ArgHlpUtl::Value);
        args.AddArg(user, "-usr", "user help", ArgHlpUtl::Value);
        args.AddArg(password, "-psw", "password help", ArgHlpUtl::Value);
        args.AddArg(app, "-app", "app help", ArgHlpUtl::Value);
        args.SetRequired(service);
        args.SetRequired(user);
        args.SetRequired(password);
    }

    Outcome Parse(std::vector<std::string> arguments) {
        std::vector<const char*> argv{"Varnok"};
        for (const std::string& a : arguments) argv.push_back(a.c_str());
        try {
            args.ParseArguments(static_cast<int>(argv.size()), argv.data());
        } catch (const ArgHelperException& e) {
            return {e.GetCode(), e.GetText(), e.GetWhere()};
        }
        return {};
    }

    ArgHlpUtl args;
};

struct ParseCase {
    std::vector<std::string> arguments;
    int code;
    const char* text;  // UTF-8; checked only for a failure
    const char* where;
};

class ArgHlpUtlParseTest : public ArgHlpUtlTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ArgHlpUtlParseTest, ChecksTheCommandLine) {
    const ParseCase& c = GetParam();
    const Outcome outcome = Parse(c.arguments);
    EXPECT_EQ(outcome.code, c.code);
    if (c.code != 0) {
        EXPECT_EQ(outcome.text, Cp(c.text));
        EXPECT_EQ(outcome.where, c.where);
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ArgHlpUtlParseTest,
    ::testing::Values(
        ParseCase{{"-seS", "-usrU", "-pswP"}, 0, "", ""}, ParseCase{{"-seS", "-usrU", "-pswP", "-appA"}, 0, "", ""},
        ParseCase{{}, 0, "", ""},  // no arguments: help, no checks
        ParseCase{{"-h"}, 0, "", ""}, ParseCase{{"-usrU", "-Help"}, 0, "", ""},
        ParseCase{{"-se", "-usrU", "-pswP"}, 0, "", ""},  // given with an empty value
        ParseCase{{"-s"}, -998, "Ismeretlen paraméter:-s", "ArgHlpUtl::CheckArguments"},
        ParseCase{{"-SEx"}, -998, "Ismeretlen paraméter:-SEx", "ArgHlpUtl::CheckArguments"},
        // Parsing comes before help, wherever the bad argument stands.
        ParseCase{{"-h", "x"}, -998, "Ismeretlen paraméter:x", "ArgHlpUtl::CheckArguments"},
        ParseCase{{"x", "-h"}, -998, "Ismeretlen paraméter:x", "ArgHlpUtl::CheckArguments"},
        // "-h" is the shortest switch that fits, and it takes no value.
        ParseCase{{"-hx"}, -1000, "Hibás paraméter:-hx", "ArgHlpUtl::CheckArguments"},
        ParseCase{{"-helpme"}, -1000, "Hibás paraméter:-helpme", "ArgHlpUtl::CheckArguments"},
        // The first missing required name in byte order, not in registration order.
        ParseCase{{"-appA"}, -994, "Az alábbi paraméter használata kötelező: -usr", "ArgHlpUtl::CheckArguments"},
        ParseCase{
            {"-usrU", "-pswP"}, -994, "Az alábbi paraméter használata kötelező: -se", "ArgHlpUtl::CheckArguments"}));

TEST_F(ArgHlpUtlTest, ValuesByDisplayName) {
    ASSERT_EQ(Parse({"-seA", "-usrU", "-pswP", "-seB"}).code, 0);
    EXPECT_EQ(args.GetValue(service), "B");  // a later occurrence replaces the value
    EXPECT_EQ(args.GetValue(app), "");
    EXPECT_TRUE(args.IsGiven(user));
    EXPECT_FALSE(args.IsGiven(app));
    EXPECT_TRUE(args.IsRequired(user));
    EXPECT_FALSE(args.IsRequired(app));
    EXPECT_FALSE(args.IsHelpRequested());

    // The result text is shared: a copy keeps the first value.
    const std::string first = args.GetValue(user);
    const std::string& shared = args.GetValue(password);
    EXPECT_EQ(first, "U");
    EXPECT_EQ(shared, "P");
}

TEST_F(ArgHlpUtlTest, LongValueIsCut) {
    const std::string value(9000, 'v');
    ASSERT_EQ(Parse({"-se" + value, "-usrU", "-pswP"}).code, 0);
    EXPECT_EQ(args.GetValue(service), value.substr(0, 8192));
}

TEST_F(ArgHlpUtlTest, HelpSwitchesAndHint) {
    EXPECT_EQ(args.GetHelpHint(), "For help use -h or -help parameters!");
    for (const char* helpSwitch : {"-?", "-h", "-H", "-help", "-HELP", "-Help"}) {
        ArgHlpUtl fresh;
        const char* argv[] = {"p", helpSwitch};
        fresh.ParseArguments(2, argv);
        EXPECT_TRUE(fresh.IsHelpRequested()) << helpSwitch;
    }
    EXPECT_EQ(args.GetSwitchOf("HELP"), "-help");  // the last in byte order
}

TEST_F(ArgHlpUtlTest, Banner) {
    EXPECT_EQ(args.GetBanner(), "  By Ismeretlen (ver.)");
    args.SetDescription("Varnok", "1, 0, 0, 1", "Author", "Task", "2012.01.25.");
    EXPECT_EQ(args.GetBanner(), "Varnok 2012.01.25. By Author (ver.1, 0, 0, 1)");
}

TEST_F(ArgHlpUtlTest, HelpText) {
    args.SetDescription("Varnok", "1", "Author", "Task", "Date");
    args.AddArg(service, "-service", "", ArgHlpUtl::Value);  // a second switch keeps the name's section
    args.AddArg(service, "-se", "first line\n           second line", ArgHlpUtl::Value);
    const std::string expected =
        "\nTask\n\n" + user + ":\n           -usr - user help\n\n" + std::string(18, ' ') + "Required parameter!\n\n" +
        password + ":\n           -psw - password help\n\n" + std::string(18, ' ') + "Required parameter!\n\n" +
        service + ":\n            -se - first line\n           second line\n       -service\n\n" +
        std::string(18, ' ') + "Required parameter!\n\n" + app + ":\n           -app - app help\n\n" +
        "HELP:\n             -? - For help.\n             -H\n          -HELP\n          -Help\n"
        "             -h\n          -help\n\n";
    EXPECT_EQ(args.GetHelp(), expected);
    EXPECT_EQ(args.GetHelp(), expected);  // rebuilt, not appended
}

TEST(ArgHlpUtlSwitchTest, LongSwitchIsNotCut) {
    ArgHlpUtl args;
    args.AddArg("Long", "-averyveryverylongswitch", "help", ArgHlpUtl::Flag);
    EXPECT_NE(args.GetHelp().find("Long:\n-averyveryverylongswitch - help\n"), std::string::npos);
}

// Exclusive groups and dependencies: the program fills none, the checks
// and the help lines work once they are filled.
class ArgHlpUtlRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        args.AddArg("A", "-a", "a", ArgHlpUtl::Flag);
        args.AddArg("A", "-alpha", "a", ArgHlpUtl::Flag);
        args.AddArg("B", "-b", "b", ArgHlpUtl::Flag);
        args.AddArg("C", "-c", "c", ArgHlpUtl::Flag);
        args.AddArg("D", "-d", "d", ArgHlpUtl::Value);
    }

    Outcome Parse(std::vector<const char*> argv) {
        argv.insert(argv.begin(), "p");
        try {
            args.ParseArguments(static_cast<int>(argv.size()), argv.data());
        } catch (const ArgHelperException& e) {
            return {e.GetCode(), e.GetText(), e.GetWhere()};
        }
        return {};
    }

    ArgHlpUtl args;
};

TEST_F(ArgHlpUtlRulesTest, ExclusiveGroup) {
    args.AddExclusive("g", "A");
    args.AddExclusive("g", "B");
    args.AddExclusive("g", "C");

    EXPECT_EQ(Parse({"-b"}).code, 0);
    // Values add up over parses, so three members are given now.
    const Outcome several = Parse({"-c", "-alpha"});
    EXPECT_EQ(several.code, -996);
    EXPECT_EQ(several.text, Cp("Az alábbi paraméterek közül csak egyet szabad megadni: -a, -b, -c"));
    EXPECT_EQ(several.where, "ArgHlpUtl::CheckArgumentsPart2");

    ArgHlpUtl none;
    none.AddArg("A", "-a", "", ArgHlpUtl::Flag);
    none.AddArg("B", "-b", "", ArgHlpUtl::Flag);
    none.AddArg("D", "-d", "", ArgHlpUtl::Value);
    none.AddExclusive("g", "B");
    none.AddExclusive("g", "A");
    const char* argv[] = {"p", "-dx"};
    try {
        none.ParseArguments(2, argv);
        FAIL() << "no error";
    } catch (const ArgHelperException& e) {
        EXPECT_EQ(e.GetCode(), -995);
        EXPECT_EQ(e.GetText(), Cp("Az alábbi paraméterek közül egyet meg kell adni: -a, -b"));
    }

    EXPECT_EQ(args.GetExclusionText("A"), " -b, -c");
    EXPECT_NE(
        args.GetHelp().find(std::string(18, ' ') + Cp("A paraméter nem használható együtt az alábbi paraméterekkel:") +
                            " -alpha, -b\n\n"),
        std::string::npos);
}

TEST_F(ArgHlpUtlRulesTest, EmptyGroupAlwaysFails) {
    args.AddExclusive("empty", "nobody");
    args.AddExclusive("empty2", "A");
    const Outcome outcome = Parse({"-d1"});
    EXPECT_EQ(outcome.code, -995);
    EXPECT_EQ(outcome.text, Cp("Az alábbi paraméterek közül egyet meg kell adni: "));
}

TEST_F(ArgHlpUtlRulesTest, Dependency) {
    args.AddDependency("A", "B");
    args.AddDependency("A", "C");
    const Outcome outcome = Parse({"-c"});
    EXPECT_EQ(outcome.code, -993);
    EXPECT_EQ(outcome.text, Cp("A -c paraméter csak az alábbi paraméterrel együtt használható: -alpha"));
    EXPECT_EQ(outcome.where, "ArgHlpUtl::CheckArgumentsPart4");
    EXPECT_EQ(Parse({"-c", "-a"}).code, 0);

    EXPECT_EQ(args.GetDependencyText("B"), " -alpha");
    EXPECT_EQ(args.GetDependencyText("A"), "");
    EXPECT_NE(args.GetHelp().find(std::string(18, ' ') +
                                  Cp("A paraméter csak az alábbi paraméterekkel együtt használható:") + " -alpha\n\n"),
              std::string::npos);
}

TEST_F(ArgHlpUtlRulesTest, RequiredWithoutSwitchIsPassedOver) {
    args.SetRequired("nothing registered");
    EXPECT_EQ(Parse({"-a"}).code, 0);
}

}  // namespace
