#pragma once

#include <string_view>

// Section and key names of a configuration match without regard to ASCII case, as INI readers
// compare them.
bool sameName(std::string_view a, std::string_view b);

// The number after `prefix` in a counted record's key ("Key12" -> 12), or 0 when the key is not
// one: the prefix in any case, then at most ten digits without a leading zero.
long long recordNumber(std::string_view key, std::string_view prefix);

// A list of records counted by a key ("Key"/"Value"/"Locked" n with "PrefsCount" in
// kx_preferences, "Datatype"/"Status"/"Locked" n with "DatatypeCount" in datatypes).
struct CountedList {
  const char* section;
  const char* namePrefix;
  const char* valuePrefix;
  const char* countKey;
};

// The counted list a section holds, or null when the section holds plain keys.
const CountedList* countedListOf(std::string_view section);

// 1 when `key` belongs to the list's records or is its count, rather than a plain key.
bool isListKey(const CountedList& list, std::string_view key);
