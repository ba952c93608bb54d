#pragma once

#include <string>
#include <string_view>

#include "config/catalogue.h"

// The validation rules of the catalogue's settings, the same the preference editor page applies
// (site/cfadmin/rules.js): a message names the setting by its label and says what its rule asks
// for, e.g. "Specify an HTTP port: a whole number from 0 to 65535.". Values are trimmed of spaces,
// tabs and line breaks first; an empty value passes unless the setting is required or numeric.

// Empty when `value` (as the page holds it: "a:b" for a compound, the list for a flagged list) is
// valid for `setting`, otherwise the message.
std::string checkSettingValue(const CatalogueSetting& setting, std::string_view value);

// The same for one key of the configuration file, as `setting` writes it: a flag key takes "0" or
// "1", a key of a compound one of the parts its choices give, a number the file keeps in other
// units (milliseconds for seconds) is checked in those units; every other key as
// checkSettingValue. Keys match without regard to case.
std::string checkSettingKeyValue(const CatalogueSetting& setting, std::string_view key,
                                 std::string_view value);

// Empty unless `setting` must not exceed another setting's number (its atMost) and `value` does
// exceed `otherValue`, the other setting's value; then the message, which names both. Values
// that are not whole numbers are left to their own rules.
std::string checkSettingRelation(const CatalogueSetting& setting, std::string_view value,
                                 std::string_view otherValue);
