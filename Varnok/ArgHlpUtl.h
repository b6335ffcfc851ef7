// The command line of a console program: its options (each with a display
// name that keys all its data, one or more switches, a type and a help
// text), the parse and the checks, the banner and the help text.
//
// Texts are code page 1250. Maps and sets order their texts by byte value,
// and "in order" below always means that order.
#pragma once

#include <exception>
#include <map>
#include <set>
#include <string>

// A command-line error: a negative code, a text and the checking step.
class ArgHelperException : public std::exception {
public:
    enum Code {
        MissingPartner = -993,   // a dependent option given without its partner
        MissingRequired = -994,  // a required option not given
        NoneOfGroup = -995,      // no member of an exclusive group given
        SeveralOfGroup = -996,   // more than one member of an exclusive group given
        UnknownArgument = -998,  // an argument that fits no switch
        UnknownType = -999,      // an option without a type
        BadArgument = -1000,     // a value written after a flag switch; in Varnok also an argument
                                 // that is not UTF-8 or holds a character code page 1250 lacks
    };

    ArgHelperException(int code, std::string text, std::string where);
    ArgHelperException(const ArgHelperException&) = default;
    ~ArgHelperException() override;

    int GetCode() const { return m_code; }
    std::string GetText() const { return m_text; }
    std::string GetWhere() const { return m_where; }

private:
    int m_code;
    std::string m_text;
    std::string m_where;
};

class ArgHlpUtl {
public:
    enum ArgType {
        Flag = 0,   // the switch stands alone
        Value = 1,  // the value follows the switch directly: -seostrev7
    };

    // Registers the help option "HELP" with its six switches.
    ArgHlpUtl();

    void SetDescription(const std::string& name, const std::string& version, const std::string& author,
                        const std::string& task, const std::string& date);
    // Several switches may share a display name; the last call sets its type
    // and help text.
    void AddArg(const std::string& displayName, const std::string& argSwitch, const std::string& help, int type);
    void SetRequired(const std::string& displayName);
    // Exactly one member of each exclusive group must be given.
    void AddExclusive(const std::string& group, const std::string& displayName);
    // displayName may be given only together with partner.
    void AddDependency(const std::string& partner, const std::string& displayName);

    // Parses argv[1..argc-1], then, unless help was asked for, checks the
    // exclusive groups, the required options and the dependencies. Raises
    // ArgHelperException at the first failure. Values are added to those of
    // earlier parses.
    void ParseArguments(int argc, const char* const* argv);

    // No option given at all, or the help option given.
    bool IsHelpRequested() const;
    bool IsGiven(const std::string& displayName) const;
    bool IsRequired(const std::string& displayName) const;

    // These five return a reference to one result text that the next such
    // call overwrites: copy it to keep it.
    const std::string& GetValue(const std::string& displayName);  // "" when not given
    const std::string& GetBanner();
    const std::string& GetSwitchOf(const std::string& displayName);  // the last registered switch
    const std::string& GetExclusionText(const std::string& displayName);
    const std::string& GetDependencyText(const std::string& displayName);

    const std::string& GetHelpHint() const { return m_hint; }
    // Rebuilt on every call.
    const std::string& GetHelp();

    // The single steps of ParseArguments.
    void CheckArguments(int argc, const char* const* argv);
    void CheckArgumentsPart2();
    void CheckArgumentsPart3();
    void CheckArgumentsPart4();

private:
    using NameSet = std::set<std::string>;

    // The first switch, in switch order, of each name of the set, joined by
    // ", " in switch order.
    std::string FirstSwitchesOf(const NameSet& names) const;
    std::string FirstSwitchOf(const std::string& displayName) const;

    std::string m_result;
    std::string m_help;
    std::string m_name;
    std::string m_version;
    std::string m_hint;
    std::map<std::string, std::string> m_switches;  // switch -> display name
    std::map<std::string, int> m_types;             // display name -> type
    std::map<std::string, std::string> m_values;    // display name -> given value
    std::map<std::string, std::string> m_helps;     // display name -> help text
    std::string m_author;
    std::string m_task;
    std::string m_date;
    std::map<std::string, NameSet> m_exclusive;  // group -> members
    NameSet m_required;
    std::map<std::string, NameSet> m_dependencies;  // partner -> dependents
};
