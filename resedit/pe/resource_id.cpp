#include "resedit/pe/resource_id.h"

#include <algorithm>

namespace pe {

namespace {

char16_t upperCase(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return static_cast<char16_t>(unit - 0x20);
  // Latin-1 small letters, except the division sign and y-diaeresis whose capital lies elsewhere.
  if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) return static_cast<char16_t>(unit - 0x20);
  return unit;
}

}  // namespace

std::u16string upperCaseName(const std::u16string& name) {
  std::u16string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(), upperCase);
  return upper;
}

bool ResourceId::matches(const ResourceId& stored) const {
  if (named != stored.named) return false;
  if (!named) return id == stored.id;
  if (name.size() != stored.name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (upperCase(name[i]) != upperCase(stored.name[i])) return false;
  }
  return true;
}

bool sortsBefore(const ResourceId& left, const ResourceId& right) {
  if (left.named != right.named) return left.named;
  if (left.named) return left.name < right.name;
  return left.id < right.id;
}

}  // namespace pe
