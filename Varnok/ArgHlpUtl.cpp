#include "ArgHlpUtl.h"

#include <string_view>
#include <utility>

#include "CodePage.h"

namespace {

constexpr const char* kHelpName = "HELP";
constexpr size_t kMaxValueLength = 8192;
constexpr size_t kSwitchWidth = 15;
constexpr std::string_view kHelpIndent = "                  ";  // 18 blanks

// The class's own texts, written here in UTF-8 and kept in code page 1250.
struct Texts {
    std::string partnerMiddle = Cp(" paraméter csak az alábbi paraméterrel együtt használható: ");
    std::string missingRequired = Cp("Az alábbi paraméter használata kötelező: ");
    std::string noneOfGroup = Cp("Az alábbi paraméterek közül egyet meg kell adni: ");
    std::string severalOfGroup = Cp("Az alábbi paraméterek közül csak egyet szabad megadni: ");
    std::string unknownArgument = Cp("Ismeretlen paraméter:");
    std::string unknownType = Cp("Ismeretlen paraméter típus:");
    std::string badArgument = Cp("Hibás paraméter:");
    std::string excludes = Cp("A paraméter nem használható együtt az alábbi paraméterekkel:");
    std::string dependsOn = Cp("A paraméter csak az alábbi paraméterekkel együtt használható:");

    static std::string Cp(const char* utf8) { return win::Utf8ToCp1250(utf8); }
};

const Texts& Text() {
    static const Texts texts;
    return texts;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

ArgHelperException::ArgHelperException(int code, std::string text, std::string where)
    : m_code(code), m_text(std::move(text)), m_where(std::move(where)) {}

ArgHelperException::~ArgHelperException() = default;

ArgHlpUtl::ArgHlpUtl() : m_hint("For help use -h or -help parameters!"), m_author("Ismeretlen") {
    for (const char* helpSwitch : {"-?", "-h", "-H", "-help", "-HELP", "-Help"}) {
        AddArg(kHelpName, helpSwitch, "For help.", Flag);
    }
}

void ArgHlpUtl::SetDescription(const std::string& name, const std::string& version, const std::string& author,
                               const std::string& task, const std::string& date) {
    m_name = name;
    m_version = version;
    m_author = author;
    m_task = task;
    m_date = date;
}

void ArgHlpUtl::AddArg(const std::string& displayName, const std::string& argSwitch, const std::string& help,
                       int type) {
    m_switches[argSwitch] = displayName;
    m_types[displayName] = type;
    m_helps[displayName] = help;
}

void ArgHlpUtl::SetRequired(const std::string& displayName) { m_required.insert(displayName); }

void ArgHlpUtl::AddExclusive(const std::string& group, const std::string& displayName) {
    m_exclusive[group].insert(displayName);
}

void ArgHlpUtl::AddDependency(const std::string& partner, const std::string& displayName) {
    m_dependencies[partner].insert(displayName);
}

void ArgHlpUtl::ParseArguments(int argc, const char* const* argv) {
    CheckArguments(argc, argv);
    if (IsHelpRequested()) return;
    CheckArgumentsPart2();
    CheckArgumentsPart3();
    CheckArgumentsPart4();
}

void ArgHlpUtl::CheckArguments(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i] != nullptr ? argv[i] : "";
        const auto exact = m_switches.find(argument);
        if (exact != m_switches.end()) {
            m_values[exact->second].clear();
            continue;
        }
        // In byte order a prefix sorts before its longer texts, so this is
        // the shortest registered switch that fits.
        auto match = m_switches.begin();
        while (match != m_switches.end() && !StartsWith(argument, match->first)) ++match;
        if (match == m_switches.end())
            throw ArgHelperException(ArgHelperException::UnknownArgument, Text().unknownArgument + argument,
                                     "ArgHlpUtl::CheckArguments");
        const std::string& displayName = match->second;
        const auto type = m_types.find(displayName);
        if (type == m_types.end())
            throw ArgHelperException(ArgHelperException::UnknownType, Text().unknownType + displayName,
                                     "ArgHlpUtl::CheckArguments");
        if (type->second != Value)
            throw ArgHelperException(ArgHelperException::BadArgument, Text().badArgument + argument,
                                     "ArgHlpUtl::CheckArguments");
        m_values[displayName] = argument.substr(match->first.size(), kMaxValueLength);
    }
}

void ArgHlpUtl::CheckArgumentsPart2() {
    for (const auto& [group, members] : m_exclusive) {
        NameSet given;
        for (const std::string& member : members) {
            if (!IsGiven(member)) continue;
            given.insert(member);
            if (given.size() == 2) {
                for (const std::string& other : members) {
                    if (IsGiven(other)) given.insert(other);
                }
                throw ArgHelperException(ArgHelperException::SeveralOfGroup,
                                         Text().severalOfGroup + FirstSwitchesOf(given),
                                         "ArgHlpUtl::CheckArgumentsPart2");
            }
        }
        if (given.empty())
            throw ArgHelperException(ArgHelperException::NoneOfGroup, Text().noneOfGroup + FirstSwitchesOf(members),
                                     "ArgHlpUtl::CheckArgumentsPart2");
    }
}

void ArgHlpUtl::CheckArgumentsPart3() {
    for (const std::string& name : m_required) {
        if (IsGiven(name)) continue;
        const std::string argSwitch = FirstSwitchOf(name);
        if (argSwitch.empty()) continue;  // an option without switches cannot be given
        throw ArgHelperException(ArgHelperException::MissingRequired, Text().missingRequired + argSwitch,
                                 "ArgHlpUtl::CheckArguments");
    }
}

void ArgHlpUtl::CheckArgumentsPart4() {
    for (const auto& [name, value] : m_values) {
        for (const auto& [partner, dependents] : m_dependencies) {
            if (dependents.count(name) == 0 || IsGiven(partner)) continue;
            const std::string ownSwitch = GetSwitchOf(name);
            throw ArgHelperException(ArgHelperException::MissingPartner,
                                     "A " + ownSwitch + Text().partnerMiddle + GetSwitchOf(partner),
                                     "ArgHlpUtl::CheckArgumentsPart4");
        }
    }
}

bool ArgHlpUtl::IsHelpRequested() const { return m_values.empty() || IsGiven(kHelpName); }

bool ArgHlpUtl::IsGiven(const std::string& displayName) const { return m_values.count(displayName) != 0; }

bool ArgHlpUtl::IsRequired(const std::string& displayName) const { return m_required.count(displayName) != 0; }

const std::string& ArgHlpUtl::GetValue(const std::string& displayName) {
    const auto it = m_values.find(displayName);
    m_result = it != m_values.end() ? it->second : std::string();
    return m_result;
}

const std::string& ArgHlpUtl::GetBanner() {
    m_result = m_name + " " + m_date + " By " + m_author + " (ver." + m_version + ")";
    return m_result;
}

const std::string& ArgHlpUtl::GetSwitchOf(const std::string& displayName) {
    m_result.clear();
    for (const auto& [argSwitch, name] : m_switches) {
        if (name == displayName) m_result = argSwitch;
    }
    return m_result;
}

const std::string& ArgHlpUtl::GetExclusionText(const std::string& displayName) {
    std::string text;
    for (const auto& [group, members] : m_exclusive) {
        if (members.count(displayName) == 0) continue;
        for (const std::string& member : members) {
            if (member == displayName) continue;
            text += text.empty() ? " " : ", ";
            text += GetSwitchOf(member);
        }
    }
    m_result = std::move(text);
    return m_result;
}

const std::string& ArgHlpUtl::GetDependencyText(const std::string& displayName) {
    for (const auto& [partner, dependents] : m_dependencies) {
        if (dependents.count(displayName) != 0) {
            m_result = " " + GetSwitchOf(partner);
            return m_result;
        }
    }
    m_result.clear();
    return m_result;
}

const std::string& ArgHlpUtl::GetHelp() {
    m_help = "\n" + m_task + "\n\n";
    for (const auto& [displayName, help] : m_helps) {
        m_help += displayName + ":\n";
        bool first = true;
        for (const auto& [argSwitch, name] : m_switches) {
            if (name != displayName) continue;
            // Right-aligned in its field; a longer switch is not cut.
            if (argSwitch.size() < kSwitchWidth) m_help.append(kSwitchWidth - argSwitch.size(), ' ');
            m_help += argSwitch;
            if (first) m_help += " - " + help;
            m_help += "\n";
            first = false;
        }
        m_help += "\n";
        const std::string exclusions = GetExclusionText(displayName);
        if (!exclusions.empty()) m_help.append(kHelpIndent).append(Text().excludes).append(exclusions).append("\n\n");
        const std::string dependencies = GetDependencyText(displayName);
        if (!dependencies.empty())
            m_help.append(kHelpIndent).append(Text().dependsOn).append(dependencies).append("\n\n");
        if (IsRequired(displayName)) m_help.append(kHelpIndent).append("Required parameter!\n\n");
    }
    return m_help;
}

std::string ArgHlpUtl::FirstSwitchOf(const std::string& displayName) const {
    for (const auto& [argSwitch, name] : m_switches) {
        if (name == displayName) return argSwitch;
    }
    return std::string();
}

std::string ArgHlpUtl::FirstSwitchesOf(const NameSet& names) const {
    std::string list;
    NameSet named;
    for (const auto& [argSwitch, name] : m_switches) {
        if (names.count(name) == 0 || !named.insert(name).second) continue;
        if (!list.empty()) list += ", ";
        list += argSwitch;
    }
    return list;
}
