#include "VerChk.h"

#include <utility>
#include <vector>

#include "AppVersionUpdater.h"
#include "CodePage.h"
#include "DbDescMap.h"
#include "LurAppDbHandler.h"
#include "LurExceptBase.h"
#include "LurStrings.h"

namespace {

using NamedVersions = std::vector<std::pair<std::string, LurVersionNumber>>;

[[noreturn]] void Fail(const char* utf8Text) { throw LurExceptBase(win::Utf8ToCp1250(utf8Text).c_str()); }

NamedVersions Named(const VerChk::VersionMap& versions) { return NamedVersions(versions.begin(), versions.end()); }

NamedVersions Named(const VerChk::PluginVersions& versions) {
    NamedVersions named;
    for (const auto& entry : versions) named.emplace_back(entry.second.name, entry.second.version);
    return named;
}

// Whether a rule of the name, or of "*", lets the version through.
bool RuleMatches(const VerChk::VersionRules& rules, const std::string& name, const LurVersionNumber& version) {
    const auto [first, last] = rules.equal_range(name);
    for (auto it = first; it != last; ++it) {
        if (it->second == version) return true;
    }
    return false;
}

bool NoneForbidden(const VerChk::VersionRules& forbidden, const NamedVersions& versions) {
    for (const auto& [ruleName, ruleVersion] : forbidden) {
        for (const auto& [name, version] : versions) {
            if ((ruleName == VerChk::kAnyName || ruleName == name) && version == ruleVersion) return false;
        }
    }
    return true;
}

bool AllAllowed(const VerChk::VersionRules& allowed, const VerChk::NameSet& exempt, const NamedVersions& versions) {
    if (exempt.count(VerChk::kAnyName) != 0) return true;
    for (const auto& [name, version] : versions) {
        if (exempt.count(name) != 0) continue;
        if (!RuleMatches(allowed, name, version) && !RuleMatches(allowed, VerChk::kAnyName, version)) return false;
    }
    return true;
}

void ExemptUnruled(const NamedVersions& versions, const VerChk::VersionRules& allowed,
                   const VerChk::VersionRules& forbidden, VerChk::NameSet& exempt) {
    for (const auto& entry : versions) {
        const std::string& name = entry.first;
        if (allowed.count(name) == 0 && forbidden.count(name) == 0) exempt.insert(name);
    }
}

void AddUpperCased(VerChk::VersionRules& rules, const VerChk::VersionMap& source) {
    for (const auto& [name, version] : source) rules.emplace(lurutils::ToUpper(name), version);
}

void AddUpperCased(VerChk::NameSet& names, const VerChk::NameSet& source) {
    for (const std::string& name : source) names.insert(lurutils::ToUpper(name));
}

}  // namespace

VerChk::VerChk() = default;

VerChk::~VerChk() = default;

void VerChk::Init(const std::string& shortName) {
    if (m_map == nullptr) Fail("Az inicializálás előtt használd a SetDescMap függvényt.");
    m_tablespaceVersions.clear();
    m_allowedTablespaceVersions.clear();
    m_allowedPluginVersions.clear();
    m_forbiddenTablespaceVersions.clear();
    m_forbiddenPluginVersions.clear();
    m_exemptPlugins.clear();
    m_exemptTablespaces.clear();
    m_pluginVersions.clear();

    {
        LurAppDbHandler registry(*m_map);
        m_appId = registry.LoadAppByShortName(shortName, true, true);
        if (m_appId == 0) Fail("A megadott alkalmazás nem található!");
        for (const auto& entry : registry.GetPluginsOfAppByShortName(m_appId)) {
            const _PlgInfo& plugin = *entry.second;
            m_pluginVersions[plugin.PLG_ID] = VersionEntry(lurutils::ToUpper(plugin.PLG_SHORTNAME), plugin.version);
        }
    }

    AppVersionUpdater updater;
    updater.Open(m_map, shortName);
    for (int32_t i = 0; i < m_map->Count(); ++i) {
        const std::string name = m_map->GetDescAt(i).GetDbName();
        LurVersionNumber version;
        updater.GetDbVersion(name, version);
        m_tablespaceVersions.emplace(name, version);
    }
}

void VerChk::ExemptUnruledTablespaces() {
    ExemptUnruled(Named(m_tablespaceVersions), m_allowedTablespaceVersions, m_forbiddenTablespaceVersions,
                  m_exemptTablespaces);
}

void VerChk::ExemptUnruledPlugins() {
    ExemptUnruled(Named(m_pluginVersions), m_allowedPluginVersions, m_forbiddenPluginVersions, m_exemptPlugins);
}

bool VerChk::Check() const {
    const NamedVersions plugins = Named(m_pluginVersions);
    const NamedVersions tablespaces = Named(m_tablespaceVersions);
    return NoneForbidden(m_forbiddenPluginVersions, plugins) &&
           NoneForbidden(m_forbiddenTablespaceVersions, tablespaces) &&
           AllAllowed(m_allowedPluginVersions, m_exemptPlugins, plugins) &&
           AllAllowed(m_allowedTablespaceVersions, m_exemptTablespaces, tablespaces);
}

void VerChk::SetAllowedTablespaceVersions(const VersionMap& rules) {
    AddUpperCased(m_allowedTablespaceVersions, rules);
}
void VerChk::SetAllowedPluginVersions(const VersionMap& rules) { AddUpperCased(m_allowedPluginVersions, rules); }
void VerChk::SetForbiddenTablespaceVersions(const VersionMap& rules) {
    AddUpperCased(m_forbiddenTablespaceVersions, rules);
}
void VerChk::SetForbiddenPluginVersions(const VersionMap& rules) { AddUpperCased(m_forbiddenPluginVersions, rules); }
void VerChk::SetExemptPlugins(const NameSet& names) { AddUpperCased(m_exemptPlugins, names); }
void VerChk::SetExemptTablespaces(const NameSet& names) { AddUpperCased(m_exemptTablespaces, names); }

void VerChk::AddAllowedTablespaceVersion(const std::string& name, const LurVersionNumber& version) {
    m_allowedTablespaceVersions.emplace(name, version);
}
void VerChk::AddAllowedPluginVersion(const std::string& name, const LurVersionNumber& version) {
    m_allowedPluginVersions.emplace(name, version);
}
void VerChk::AddForbiddenTablespaceVersion(const std::string& name, const LurVersionNumber& version) {
    m_forbiddenTablespaceVersions.emplace(name, version);
}
void VerChk::AddForbiddenPluginVersion(const std::string& name, const LurVersionNumber& version) {
    m_forbiddenPluginVersions.emplace(name, version);
}
void VerChk::AddExemptPlugin(const std::string& name) { m_exemptPlugins.insert(name); }
void VerChk::AddExemptTablespace(const std::string& name) { m_exemptTablespaces.insert(name); }
