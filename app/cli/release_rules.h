#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/cli/setting_list.h"

struct CatalogueSetting;
struct InstallerFacts;

// The rules a setting's value must follow in one installer. They are the catalogue's, as later
// player releases changed them: a release may narrow a setting's limits, and the installer's
// product version (its version resource) says which release it is. Which settings an installer
// has is its configuration's business: a setting is there when the configuration holds it.
class ReleaseRules {
 public:
  // The catalogue's rules as they stand for the release of `installer`; with null, or an
  // installer without a version, the catalogue's own.
  explicit ReleaseRules(const InstallerFacts* installer);

  // The catalogue setting that writes the entry's key, or null for one the catalogue does not
  // know (carried as it is, never checked).
  const CatalogueSetting* settingOf(const SettingEntry& entry) const;

  // Empty when the entry's value and lock are valid; otherwise the rule it breaks, naming the
  // setting by its label, e.g. "Proxy port: a whole number from 0 to 65535."
  std::string check(const SettingEntry& entry) const;

  // Empty unless the entry's setting must not exceed another's number and does, in `configuration`
  // (the entries as they will stand together); then the message, which names both.
  std::string checkRelation(const SettingEntry& entry,
                            const std::vector<SettingEntry>& configuration) const;

  // Where the entry stands in the catalogue (its setting, then its key there); entries the
  // catalogue does not know come after every known one.
  std::size_t order(const SettingEntry& entry) const;

  // The category and label of the entry's setting, empty when the catalogue does not know it.
  std::string category(const SettingEntry& entry) const;
  std::string label(const SettingEntry& entry) const;

 private:
  std::array<std::uint16_t, 4> release_{};
  bool hasRelease_ = false;
};
