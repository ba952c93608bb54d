#include "app/cli/release_rules.h"

#include <span>
#include <string_view>

#include "app/cli/installer_facts.h"
#include "config/catalogue.h"
#include "config/setting_rules.h"

namespace {

// A change a player release made to a setting's limits: from that product version on, the
// setting takes only numbers from `minimum` to `maximum`.
struct LimitRevision {
  std::string_view setting;
  std::array<std::uint16_t, 4> since;
  long long minimum;
  long long maximum;
};

// Release 6.1 waits at most a minute for the server before it reports an error.
constexpr LimitRevision kLimitRevisions[] = {
    {"ServerTimeout", {6, 1, 0, 0}, 0, 60},
};

std::size_t keyIndex(const CatalogueSetting& setting, const std::string& key) {
  for (std::size_t i = 0; i < setting.keys.size(); ++i) {
    if (sameName(setting.keys[i], key)) return i;
  }
  return 0;
}

}  // namespace

ReleaseRules::ReleaseRules(const InstallerFacts* installer) {
  if (installer != nullptr && installer->hasVersion) {
    release_ = installer->productVersion;
    hasRelease_ = true;
  }
}

const CatalogueSetting* ReleaseRules::settingOf(const SettingEntry& entry) const {
  return findCatalogueSettingByKey(entry.section, entry.key);
}

std::string ReleaseRules::check(const SettingEntry& entry) const {
  const CatalogueSetting* found = settingOf(entry);
  if (found == nullptr) return std::string();
  // The catalogue's rules, with the limits of the installer's release.
  CatalogueSetting setting = *found;
  for (const LimitRevision& revision : kLimitRevisions) {
    if (hasRelease_ && revision.setting == setting.name && release_ >= revision.since) {
      setting.minimum = revision.minimum;
      setting.maximum = revision.maximum;
    }
  }
  if (entry.hasLock && entry.lock != "0" && entry.lock != "1" && entry.lock != "2") {
    return std::string(setting.label) +
           ": a lock of 0 (unlocked), 1 (locked) or 2 (cannot be locked).";
  }
  return checkSettingKeyValue(setting, entry.key, entry.value);
}

std::string ReleaseRules::checkRelation(const SettingEntry& entry,
                                        const std::vector<SettingEntry>& configuration) const {
  const CatalogueSetting* setting = settingOf(entry);
  if (setting == nullptr || setting->atMost.empty()) return std::string();
  const CatalogueSetting* other = findCatalogueSetting(setting->atMost);
  if (other == nullptr || other->keys.empty()) return std::string();
  for (const SettingEntry& candidate : configuration) {
    if (settingOf(candidate) == other && sameName(candidate.key, other->keys.front()))
      return checkSettingRelation(*setting, entry.value, candidate.value);
  }
  return std::string();
}

std::size_t ReleaseRules::order(const SettingEntry& entry) const {
  const CatalogueSetting* setting = settingOf(entry);
  const std::span<const CatalogueSetting> all = catalogueSettings();
  if (setting == nullptr) return all.size() * 4;
  return static_cast<std::size_t>(setting - all.data()) * 4 +
         std::min<std::size_t>(keyIndex(*setting, entry.key), 3);
}

std::string ReleaseRules::category(const SettingEntry& entry) const {
  const CatalogueSetting* setting = settingOf(entry);
  return setting == nullptr ? std::string() : std::string(setting->category);
}

std::string ReleaseRules::label(const SettingEntry& entry) const {
  const CatalogueSetting* setting = settingOf(entry);
  return setting == nullptr ? std::string() : std::string(setting->label);
}
