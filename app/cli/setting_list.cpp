#include "app/cli/setting_list.h"

#include <algorithm>

#include "config/ini_file.h"
#include "platform/ansi_text.h"

namespace {

constexpr unsigned kUtf8 = 65001;

std::string valueOf(const IniFile& file, const std::string& section, const std::string& key,
                    bool* present = nullptr) {
  const std::string_view* raw = file.rawValue(section.c_str(), key.c_str());
  if (present != nullptr) *present = raw != nullptr;
  return raw == nullptr ? std::string() : std::string(IniFile::unquoted(*raw));
}

void addRecords(const IniFile& file, const std::string& section, const CountedList& list,
                std::vector<SettingEntry>& entries) {
  const int count = file.readInt(section.c_str(), list.countKey, 0);
  std::vector<long long> numbers;
  for (const std::string_view key : file.keyNames(section.c_str())) {
    const long long n = recordNumber(key, list.namePrefix);
    if (n >= 1 && n <= count) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  for (const long long n : numbers) {
    const std::string number = std::to_string(n);
    SettingEntry entry;
    entry.section = section;
    entry.key = valueOf(file, section, list.namePrefix + number);
    if (entry.key.empty()) continue;
    entry.record = true;
    entry.value = valueOf(file, section, list.valuePrefix + number);
    entry.lock = valueOf(file, section, "Locked" + number, &entry.hasLock);
    // The reader, like the editor, sees only the last record of a name.
    for (auto it = entries.begin(); it != entries.end(); ++it) {
      if (it->record && sameName(it->section, section) && it->key == entry.key) {
        entries.erase(it);
        break;
      }
    }
    entries.push_back(std::move(entry));
  }
}

}  // namespace

bool isUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const unsigned c = *p++;
    if (c < 0x80) continue;
    int extra = 0;
    unsigned least = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1, least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2, least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3, least = 0x10000;
    } else {
      return false;
    }
    if (end - p < extra) return false;
    unsigned value = c & (0x3Fu >> extra);
    for (int k = 0; k < extra; ++k, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      value = (value << 6) | (*p & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  }
  return true;
}

std::string configurationAsUtf8(std::string_view bytes, unsigned codePage) {
  std::u16string wide;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    return std::string(bytes.substr(3));
  } else if (isUtf8(bytes)) {
    return std::string(bytes);
  } else {
    platform::codePageToUtf16(codePage, bytes, wide);
  }
  std::string text;
  platform::utf16ToCodePage(kUtf8, wide, text, '?');
  return text;
}

std::vector<SettingEntry> readSettingEntries(std::string_view utf8Text) {
  IniFile file;
  file.setCodePage(kUtf8);
  file.parse(utf8Text);
  std::vector<SettingEntry> entries;
  for (const std::string_view sectionName : file.sectionNames()) {
    const std::string section(sectionName);
    const CountedList* list = countedListOf(section);
    if (list != nullptr) addRecords(file, section, *list, entries);
    for (const std::string_view keyName : file.keyNames(section.c_str())) {
      if (list != nullptr && isListKey(*list, keyName)) continue;
      // The reader takes ";..." for a key, but no one asks for it: it is a comment.
      if (!keyName.empty() && keyName.front() == ';') continue;
      SettingEntry entry;
      entry.section = section;
      entry.key = std::string(keyName);
      entry.value = valueOf(file, section, entry.key);
      entries.push_back(std::move(entry));
    }
  }
  return entries;
}

const SettingEntry* findEntry(const std::vector<SettingEntry>& entries, std::string_view section,
                              std::string_view key) {
  for (const SettingEntry& entry : entries) {
    if (!sameName(entry.section, section)) continue;
    // Record names are the editor's: they compare exactly; keys as the reader compares them.
    if (entry.record ? entry.key == key : sameName(entry.key, key)) return &entry;
  }
  return nullptr;
}
