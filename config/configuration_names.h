#pragma once

#include <string_view>

// Section and key names of a configuration match without regard to ASCII case, as INI readers
// compare them.
bool sameName(std::string_view a, std::string_view b);

// The number after `prefix` in a counted record's key ("Key12" -> 12), or 0 when the key is not
// one: the prefix in any case, then at most ten digits without a leading zero.
long long recordNumber(std::string_view key, std::string_view prefix);
