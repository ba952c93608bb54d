#include "config/catalogue.h"

#include <cstddef>

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

const CatalogueSetting* findCatalogueSetting(std::string_view name) {
  for (const CatalogueSetting& setting : catalogueSettings()) {
    if (setting.name == name) return &setting;
  }
  return nullptr;
}

const CatalogueSetting* findCatalogueSettingByKey(std::string_view section, std::string_view key) {
  for (const CatalogueCategory& category : catalogueCategories()) {
    if (!equalNoCase(category.section, section)) continue;
    for (const CatalogueSetting& setting : category.settings) {
      for (const std::string_view written : setting.keys) {
        if (equalNoCase(written, key)) return &setting;
      }
    }
  }
  return nullptr;
}
