#include "resedit/pe/resource_id.h"

#include <algorithm>
#include <iterator>

namespace pe {

namespace {

struct UpperCaseRun {
  std::uint16_t first;
  std::uint16_t last;
  std::uint8_t stride;
  std::int32_t delta;
};

// The simple upper-case mapping of the whole Basic Multilingual Plane: the loader upper-cases
// resource names with such a table before it compares them.
constexpr UpperCaseRun kUpperCaseRuns[] = {
#include "resedit/pe/upper_case_table.inc"
};

}  // namespace

char16_t upperCaseUnit(char16_t unit) {
  auto run =
      std::upper_bound(std::begin(kUpperCaseRuns), std::end(kUpperCaseRuns), unit,
                       [](char16_t value, const UpperCaseRun& r) { return value < r.first; });
  if (run == std::begin(kUpperCaseRuns)) return unit;
  --run;
  if (unit > run->last || (unit - run->first) % run->stride != 0) return unit;
  return static_cast<char16_t>(unit + run->delta);
}

std::u16string upperCaseName(const std::u16string& name) {
  std::u16string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(), upperCaseUnit);
  return upper;
}

bool ResourceId::matches(const ResourceId& stored) const {
  if (named != stored.named) return false;
  if (!named) return id == stored.id;
  if (name.size() != stored.name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (upperCaseUnit(name[i]) != upperCaseUnit(stored.name[i])) return false;
  }
  return true;
}

bool sortsBefore(const ResourceId& left, const ResourceId& right) {
  if (left.named != right.named) return left.named;
  if (!left.named) return left.id < right.id;
  // The loader binary-searches names in upper-cased order, a name before any longer one it begins.
  return std::lexicographical_compare(
      left.name.begin(), left.name.end(), right.name.begin(), right.name.end(),
      [](char16_t a, char16_t b) { return upperCaseUnit(a) < upperCaseUnit(b); });
}

}  // namespace pe
