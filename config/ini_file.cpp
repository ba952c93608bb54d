#include "config/ini_file.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "config/code_page.h"
#include "platform/ansi_text.h"
#include "platform/file_io.h"

namespace {

// The profile reader's blanks: C white space plus ^Z, the DOS end-of-file mark.
bool isBlank(char c) { return (c >= '\t' && c <= '\r') || c == ' ' || c == '\x1a'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Names and values are C strings to the platform: a NUL byte ends them.
std::string_view cutAtNul(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

char foldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

SharedString toSharedString(std::string_view text) {
  SharedString result;
  if (text.empty()) return result;
  const int n = static_cast<int>(text.size());
  std::memcpy(result.openBuffer(n), text.data(), text.size());
  result.openBuffer(n)[n] = '\0';
  result.closeBuffer(n);
  return result;
}

// Digits in any base up to 36, as the platform's string-to-integer conversion reads them.
int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

int parseInteger(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::uint32_t base = 10;
  if (text.size() >= 2 && text[0] == '0') {
    if (text[1] == 'x') base = 16;
    if (text[1] == 'o') base = 8;
    if (text[1] == 'b') base = 2;
    if (base != 10) text.remove_prefix(2);
  }
  std::uint32_t total = 0;  // wraps as the platform's does
  for (const char c : text) {
    const auto digit = static_cast<std::uint32_t>(digitValue(c));
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (negative) total = 0u - total;
  return static_cast<int>(total);
}

}  // namespace

// FNV-1a over the case-folded bytes, in 64 bits on every target.
static std::uint64_t foldedHash(std::string_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : name) {
    hash = (hash ^ static_cast<unsigned char>(foldCase(c))) * 1099511628211ull;
  }
  return hash;
}

std::size_t IniFile::NameHash::operator()(std::string_view name) const noexcept {
  return static_cast<std::size_t>(foldedHash(name));
}

bool IniFile::NameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

int IniFile::load(const PathName& path) {
  std::string bytes;
  const int ok = path.isValid() && platform::readWholeFile(path.text(), bytes) ? 1 : 0;
  if (ok == 0) bytes.clear();
  parse(bytes);
  return ok;
}

unsigned IniFile::codePage() const {
  return codePage_ != 0 ? codePage_ : defaultConfigurationCodePage();
}

void IniFile::parse(std::string_view bytes) {
  if (codePage_ == 0) codePage_ = defaultConfigurationCodePage();
  utf16_ = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (utf16_) {
    // The platform reads such a file as UTF-16 and answers the narrow functions in their code
    // page, writing '?' for what it cannot hold.
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    std::string narrow;
    platform::utf16ToCodePage(codePage(), wide, narrow, '?');
    bytes_.assign(narrow.begin(), narrow.end());
  } else {
    bytes_.assign(bytes.begin(), bytes.end());
  }
  sections_.clear();
  const char* p = bytes_.data();
  const char* const end = p + bytes_.size();

  std::size_t lines = 0;
  for (const char c : bytes_) lines += c == '\n' ? 1 : 0;
  keys_.clear();
  keys_.reserve(lines + 1);
  slots_.clear();
  growSlots(64);
  while (slots_.size() < 2 * (lines + 1)) growSlots(2 * slots_.size());

  // Keys above the first header belong to a section with no name, which always comes first.
  sections_.emplace(std::string_view(), 0);
  std::uint32_t current = 0;
  std::uint32_t sectionCount = 1;
  bool shadowed = false;  // a repeated section: the platform only ever looks at the first

  while (p < end) {
    const char* lineEnd = p;
    while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
    const std::string_view line =
        trimmed(std::string_view(p, static_cast<std::size_t>(lineEnd - p)));
    p = lineEnd < end ? lineEnd + 1 : end;
    if (line.empty()) continue;

    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        const std::string_view name = cutAtNul(trimmed(line.substr(1, close - 1)));
        const bool fresh = sections_.try_emplace(name, sectionCount).second;
        current = sectionCount++;
        shadowed = !fresh;
        continue;
      }
      // Without a closing bracket the line is an ordinary key line.
    }
    if (shadowed) continue;

    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      addKey(current, cutAtNul(line), std::string_view(), false);
    } else {
      const std::string_view name = cutAtNul(trimmed(line.substr(0, equals)));
      const std::string_view value = cutAtNul(trimmed(line.substr(equals + 1)));
      addKey(current, name, value, true);
    }
  }
}

const std::string_view* IniFile::find(const char* section, const char* key) const {
  if (key == nullptr) return nullptr;
  const auto s = sections_.find(trimmed(section == nullptr ? std::string_view() : section));
  if (s == sections_.end() || slots_.empty()) return nullptr;
  const std::string_view name = trimmed(key);
  const std::uint32_t slot = slots_[slotFor(keyHash(s->second, name), s->second, name)].key;
  if (slot == 0 || !keys_[slot - 1].present) return nullptr;
  return &keys_[slot - 1].value;
}

bool IniFile::findKey(const char* section, const char* key, KeyView& out) const {
  if (key == nullptr) return false;
  const auto s = sections_.find(trimmed(section == nullptr ? std::string_view() : section));
  if (s == sections_.end() || slots_.empty()) return false;
  const std::string_view name = trimmed(key);
  const std::uint32_t slot = slots_[slotFor(keyHash(s->second, name), s->second, name)].key;
  if (slot == 0) return false;
  const Key& k = keys_[slot - 1];
  out = KeyView{k.name, k.value, k.present};
  return true;
}

std::vector<std::string_view> IniFile::keyNames(const char* section) const {
  std::vector<std::string_view> names;
  const auto s = sections_.find(trimmed(section == nullptr ? std::string_view() : section));
  if (s == sections_.end()) return names;
  for (const Key& k : keys_) {
    if (k.section == s->second) names.push_back(k.name);
  }
  return names;
}

std::vector<std::string_view> IniFile::sectionNames() const {
  std::vector<std::pair<std::uint32_t, std::string_view>> found;
  found.reserve(sections_.size());
  for (const auto& [name, index] : sections_) found.emplace_back(index, name);
  std::sort(found.begin(), found.end());
  std::vector<std::string_view> names;
  names.reserve(found.size());
  for (const auto& entry : found) names.push_back(entry.second);
  return names;
}

std::uint32_t IniFile::keyHash(std::uint32_t section, std::string_view name) {
  const std::uint64_t h = foldedHash(name) ^ (std::uint64_t{section} * 0x9E3779B97F4A7C15ull);
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

std::size_t IniFile::slotFor(std::uint32_t hash, std::uint32_t section,
                             std::string_view name) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.key == 0) return i;
    if (slot.hash == hash) {
      const Key& k = keys_[slot.key - 1];
      if (k.section == section && NameEqual()(k.name, name)) return i;
    }
  }
}

void IniFile::addKey(std::uint32_t section, std::string_view name, std::string_view value,
                     bool present) {
  if (2 * (keys_.size() + 1) > slots_.size()) growSlots(2 * slots_.size());
  const std::uint32_t hash = keyHash(section, name);
  Slot& slot = slots_[slotFor(hash, section, name)];
  if (slot.key != 0) return;  // the first key of a name is the one the platform finds
  keys_.push_back(Key{name, value, section, present});
  slot = Slot{hash, static_cast<std::uint32_t>(keys_.size())};
}

void IniFile::growSlots(std::size_t size) {
  std::vector<Slot> old(size, Slot{0, 0});
  old.swap(slots_);
  const std::size_t mask = size - 1;
  for (const Slot& slot : old) {
    if (slot.key == 0) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].key != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

std::string_view IniFile::unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string_view IniFile::copyEntry(std::string_view value, int bufferSize) {
  value = unquoted(value);
  return value.substr(0, std::min(value.size(), static_cast<std::size_t>(bufferSize - 1)));
}

SharedString IniFile::readString(const char* section, const char* key,
                                 const char* defaultValue) const {
  return toSharedString(readText(section, key, defaultValue));
}

std::string_view IniFile::readText(const char* section, const char* key,
                                   const char* defaultValue) const {
  if (const std::string_view* value = find(section, key)) return copyEntry(*value, kMaxText + 1);
  // The platform drops trailing spaces from the default.
  std::string_view fallback = defaultValue == nullptr ? std::string_view() : defaultValue;
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  return fallback.substr(0, std::min<std::size_t>(fallback.size(), kMaxText));
}

int IniFile::readInt(const char* section, const char* key, int defaultValue) const {
  // The platform reads the text through a buffer of 30 characters and takes an empty text as
  // missing.
  constexpr int kIntegerBuffer = 30;
  const std::string_view* value = find(section, key);
  if (value == nullptr) return defaultValue;
  const std::string_view text = copyEntry(*value, kIntegerBuffer);
  if (text.empty()) return defaultValue;
  return parseInteger(text);
}
