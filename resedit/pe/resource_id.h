#pragma once

#include <cstdint>
#include <string>

namespace pe {

// A resource type, name or language as the resource directory holds it: an integer id or a
// UTF-16 name.
struct ResourceId {
  bool named = false;
  std::uint16_t id = 0;
  std::u16string name;

  static ResourceId integer(std::uint16_t value) { return ResourceId{false, value, {}}; }
  static ResourceId text(std::u16string value) { return ResourceId{true, 0, std::move(value)}; }

  // Whether a stored directory entry answers to this id. Names match without regard to case, as
  // the platform's resource lookup does ("Binary" finds "BINARY").
  bool matches(const ResourceId& stored) const;
  bool operator==(const ResourceId& other) const = default;
};

// One UTF-16 unit in upper case, by the simple mapping of the whole Basic Multilingual Plane.
char16_t upperCaseUnit(char16_t unit);
// The form in which new names are stored: upper case, as resource compilers write them.
std::u16string upperCaseName(const std::u16string& name);

// Directory order, in which the loader searches: named entries first, ordered by their
// upper-cased code units, then ids ascending.
bool sortsBefore(const ResourceId& left, const ResourceId& right);

}  // namespace pe
