#pragma once

#include <span>
#include <string_view>

// The preference catalogue: every setting the editor offers, with its configuration keys, kind,
// default, choices, limits and texts. The table is generated at build time from
// site/catalogue/catalogue.json, the same data the page's catalogue script is generated from, so
// that the page and the program know the same settings. Texts are UTF-8.

// How a setting keeps its value and which keys it writes, as the page's property kinds do.
enum class SettingKind {
  Select,          // one key, one of the choices
  String,          // one key, free text
  Int,             // one key, a whole number within the limits
  Csv,             // one key, a ','-separated list
  WmCsv,           // one key, a ';'-separated list
  FlagCsv,         // a flag key (list present) and a ','-separated list key
  FlagIntSelect,   // a flag key (number present) and a number key chosen from the choices
  FlagIntRev,      // a flag key (number is 0) and a number key within the limits
  FlagPortList,    // a flag key (list present) and a port list key
  Compound,        // two keys, set together by one choice written "a:b"
  TripleCompound,  // three keys, set together by one choice written "a:b:c"
};

// The check a setting's value must pass.
enum class SettingRule {
  None,
  Choice,    // one of the choices
  Integer,   // a whole number from minimum to maximum
  Host,      // a host name or IP address
  HostList,  // host names or addresses (with '*' wildcards) separated by the list separator
  PortList,  // ports and port ranges separated by ','
  Url,       // an absolute web address
  UrlList,   // absolute web addresses separated by ','
};

struct SettingChoice {
  std::string_view value;
  std::string_view label;
};

struct CatalogueSetting {
  std::string_view name;      // the page's name for it
  std::string_view category;  // the name of its category
  std::string_view label;     // as the editor shows it
  std::string_view description;
  SettingKind kind;
  std::span<const std::string_view> keys;  // configuration keys it writes, in writing order
  std::string_view defaultValue;
  std::span<const SettingChoice> choices;  // empty when the value is typed or hidden
  long long minimum;                       // limits of Int and FlagIntRev
  long long maximum;
  std::string_view units;
  long long fileScale;  // the file holds the number times this (seconds shown, milliseconds kept)
  std::string_view atMost;  // the setting whose number this one must not exceed, if any
  bool lockable;
  bool required;
  bool hidden;  // kept and saved, but not shown
  SettingRule rule;
};

struct CatalogueCategory {
  std::string_view name;
  std::string_view title;    // in the editor's tree and over its page alike
  std::string_view section;  // the configuration section it is saved into
  bool records;              // saved as counted records (Key/Value/Locked) rather than keys
  std::span<const CatalogueSetting> settings;
};

// The categories in the editor's order, each with its settings in saving order.
std::span<const CatalogueCategory> catalogueCategories();

// Every setting, category by category, in saving order.
std::span<const CatalogueSetting> catalogueSettings();

// The setting of that name (the page's name), or null.
const CatalogueSetting* findCatalogueSetting(std::string_view name);

// The setting that writes `key` into `section` (both matched without regard to case, as INI
// readers do), or null.
const CatalogueSetting* findCatalogueSettingByKey(std::string_view section, std::string_view key);

// The text that explains the lock beside a setting.
std::string_view catalogueLockLegend();

// What a rule asks for ("integer", "host", ..., and "required" and "flag"), with {min}, {max},
// {sep} and {item} still to fill in; empty for an unknown name. config/setting_rules.h fills them.
std::string_view catalogueRuleText(std::string_view rule);
