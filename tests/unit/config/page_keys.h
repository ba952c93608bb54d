#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "config/catalogue.h"

// A value the page reads from a plain (not counted) section of the configuration.
struct PagePlainKey {
  std::string section;
  std::string fileKey;
  std::string pageName;  // the setting's name when it writes one key, else the key itself
  long long scale;       // the file holds the page's number times this
};

// Every value the page's settings read from plain sections, taken from the catalogue the page is
// built from rather than from the code under test. Hidden settings are left out: the page works
// their values out itself. A flag setting keeps its number in its last key.
inline std::vector<PagePlainKey> pagePlainKeys() {
  std::vector<PagePlainKey> keys;
  for (const CatalogueCategory& category : catalogueCategories()) {
    if (category.records) continue;
    for (const CatalogueSetting& setting : category.settings) {
      if (setting.hidden) continue;
      for (std::size_t i = 0; i < setting.keys.size(); ++i) {
        const bool single = setting.keys.size() == 1;
        const bool number = i + 1 == setting.keys.size();
        keys.push_back({std::string(category.section), std::string(setting.keys[i]),
                        std::string(single ? setting.name : setting.keys[i]),
                        number ? setting.fileScale : 1});
      }
    }
  }
  return keys;
}

// The names the page data carries for every configuration, even one without the key: all but the
// Windows Media bandwidth and buffer time, which it carries only when the file has them.
inline std::vector<std::string> alwaysCarriedPageNames() {
  std::vector<std::string> names;
  for (const PagePlainKey& key : pagePlainKeys()) {
    if (key.pageName != "WM_MaxBandwidth" && key.pageName != "CustomBufferTime") {
      names.push_back(key.pageName);
    }
  }
  return names;
}
