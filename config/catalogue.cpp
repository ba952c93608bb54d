#include "config/catalogue.h"

#include <cstddef>

#include "config/configuration_names.h"

const CatalogueSetting* findCatalogueSetting(std::string_view name) {
  for (const CatalogueSetting& setting : catalogueSettings()) {
    if (setting.name == name) return &setting;
  }
  return nullptr;
}

const CatalogueSetting* findCatalogueSettingByKey(std::string_view section, std::string_view key) {
  for (const CatalogueCategory& category : catalogueCategories()) {
    if (!sameName(category.section, section)) continue;
    for (const CatalogueSetting& setting : category.settings) {
      for (const std::string_view written : setting.keys) {
        if (sameName(written, key)) return &setting;
      }
    }
  }
  return nullptr;
}
