#include "app/cli/release_rules.h"

#include <span>
#include <string_view>

#include "app/cli/installer_facts.h"
#include "config/catalogue.h"

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

bool isWholeNumber(std::string_view text, long long& number) {
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++at;
  if (at == text.size() || text.size() - at > 18) return false;
  number = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return false;
    number = number * 10 + (text[at] - '0');
  }
  if (negative) number = -number;
  return true;
}

// The part of each "a:b" choice that a compound setting writes into its `index`-th key.
std::string_view choicePart(std::string_view value, std::size_t index) {
  for (std::size_t i = 0; i < index; ++i) {
    const std::size_t colon = value.find(':');
    if (colon == std::string_view::npos) return std::string_view();
    value.remove_prefix(colon + 1);
  }
  return value.substr(0, value.find(':'));
}

std::string listOfChoices(const CatalogueSetting& setting, std::size_t part, bool compound) {
  std::string text;
  for (const SettingChoice& choice : setting.choices) {
    const std::string_view value = compound ? choicePart(choice.value, part) : choice.value;
    if (value.empty()) continue;
    std::string quoted(1, '"');
    quoted.append(value);
    quoted += '"';
    if (text.find(quoted) != std::string::npos) continue;
    if (!text.empty()) text += ", ";
    text += quoted;
  }
  return text;
}

std::string checkChoice(const CatalogueSetting& setting, std::string_view value, std::size_t part,
                        bool compound) {
  for (const SettingChoice& choice : setting.choices) {
    if ((compound ? choicePart(choice.value, part) : choice.value) == value) return std::string();
  }
  std::string text("one of ");
  text += listOfChoices(setting, part, compound);
  return text;
}

std::string checkNumber(std::string_view value, long long minimum, long long maximum,
                        bool required) {
  long long number = 0;
  if (value.empty() && !required) return std::string();
  if (isWholeNumber(value, number) && number >= minimum && number <= maximum) return std::string();
  return "a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum);
}

std::string checkFlag(std::string_view value) {
  return value == "0" || value == "1" ? std::string() : std::string("0 or 1");
}

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
  const CatalogueSetting* setting = settingOf(entry);
  if (setting == nullptr) return std::string();
  long long minimum = setting->minimum;
  long long maximum = setting->maximum;
  for (const LimitRevision& revision : kLimitRevisions) {
    if (hasRelease_ && revision.setting == setting->name && release_ >= revision.since) {
      minimum = revision.minimum;
      maximum = revision.maximum;
    }
  }

  std::string broken;
  if (entry.hasLock && entry.lock != "0" && entry.lock != "1" && entry.lock != "2") {
    broken = "a lock of 0 (unlocked), 1 (locked) or 2 (cannot be locked)";
  } else {
    const std::size_t index = keyIndex(*setting, entry.key);
    const std::string_view value = entry.value;
    switch (setting->kind) {
      case SettingKind::Int:
        broken = checkNumber(value, minimum, maximum, setting->required);
        break;
      case SettingKind::Select:
        // A select without choices is kept and saved, never offered: anything goes.
        if (!setting->choices.empty()) broken = checkChoice(*setting, value, 0, false);
        break;
      case SettingKind::Compound:
      case SettingKind::TripleCompound:
        if (!setting->choices.empty()) broken = checkChoice(*setting, value, index, true);
        break;
      case SettingKind::FlagIntSelect:
        broken = index == 0                 ? checkFlag(value)
                 : setting->choices.empty() ? std::string()
                                            : checkChoice(*setting, value, 0, false);
        break;
      case SettingKind::FlagIntRev:
        broken = index == 0 ? checkFlag(value) : checkNumber(value, minimum, maximum, false);
        break;
      case SettingKind::FlagCsv:
      case SettingKind::FlagPortList:
        broken = index == 0 ? checkFlag(value) : std::string();
        break;
      default:
        break;
    }
  }
  if (broken.empty()) return std::string();
  return std::string(setting->label) + ": " + broken + ".";
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
