#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/configuration_names.h"

// The settings of a configuration text, one entry per configuration key, as the command line
// shows, compares, checks and carries them. Counted records ("Key"/"Value"/"Locked" n in
// kx_preferences, "Datatype"/"Status"/"Locked" n in datatypes) are one entry each, named by the
// record's name; every other key of a section is an entry of its own. Texts are UTF-8.
struct SettingEntry {
  std::string section;  // as the file spells it
  std::string key;      // the record's name, or the key
  std::string value;
  bool hasLock = false;
  std::string lock;
  bool record = false;  // one of a section's counted records
};

// A configuration or settings file as UTF-8: text with a UTF-16LE byte-order mark is converted,
// a UTF-8 byte-order mark is dropped, text that is valid UTF-8 stays as it is, and anything else
// is read as text of `codePage` (the code page of the installer it belongs to).
std::string configurationAsUtf8(std::string_view bytes, unsigned codePage);

// 1 when the bytes are valid UTF-8.
bool isUtf8(std::string_view bytes);

// The entries of a UTF-8 configuration text, in file order (records by number), each key once,
// as the platform's reader sees them.
std::vector<SettingEntry> readSettingEntries(std::string_view utf8Text);

// The entry of (section, key), matched without regard to ASCII case, or null.
const SettingEntry* findEntry(const std::vector<SettingEntry>& entries, std::string_view section,
                              std::string_view key);
