#include "config/configuration_names.h"

#include <cstddef>

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr CountedList kLists[] = {
    {"kx_preferences", "Key", "Value", "PrefsCount"},
    {"datatypes", "Datatype", "Status", "DatatypeCount"},
};

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

long long recordNumber(std::string_view key, std::string_view prefix) {
  if (key.size() <= prefix.size() || key.size() > prefix.size() + 10) return 0;
  if (!sameName(key.substr(0, prefix.size()), prefix)) return 0;
  const std::string_view digits = key.substr(prefix.size());
  if (digits.front() == '0') return 0;
  long long n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

const CountedList* countedListOf(std::string_view section) {
  for (const CountedList& list : kLists) {
    if (sameName(section, list.section)) return &list;
  }
  return nullptr;
}

bool isListKey(const CountedList& list, std::string_view key) {
  return sameName(key, list.countKey) || recordNumber(key, list.namePrefix) > 0 ||
         recordNumber(key, list.valuePrefix) > 0 || recordNumber(key, "Locked") > 0;
}
