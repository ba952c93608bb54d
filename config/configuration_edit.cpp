#include "config/configuration_edit.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/configuration_names.h"
#include "config/ini_file.h"
#include "platform/ansi_text.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr unsigned kUtf8 = 65001;

// The reader's blanks and name folding, so that lines are found exactly where it finds them.
bool isBlank(char c) { return (c >= '\t' && c <= '\r') || c == ' ' || c == '\x1a'; }
char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = fold(c);
  return out;
}

std::string_view cutAtNul(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

// UTF-16LE to UTF-8 and back, losslessly: a lone surrogate travels as its own three-byte form.
std::string utf16leToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string utf8ToUtf16le(std::string_view text, char oddByte, bool hasOddByte) {
  std::string out("\xFF\xFE", 2);
  auto put = [&](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    char32_t c = *p;
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    if (extra > end - p - 1) extra = 0;
    if (extra > 0) c &= 0x3F >> extra;
    for (int k = 1; k <= extra; ++k) c = (c << 6) | (p[k] & 0x3F);
    p += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      put(0xD800 + (c >> 10));
      put(0xDC00 + (c & 0x3FF));
    } else {
      put(c);
    }
  }
  if (hasOddByte) out += oddByte;
  return out;
}

std::u16string decoded(unsigned codePage, std::string_view bytes) {
  std::u16string wide;
  platform::codePageToUtf16(codePage, bytes, wide);
  return wide;
}

std::u16string dotted(std::u16string name) {
  std::replace(name.begin(), name.end(), u'-', u'.');
  return name;
}

// The value the editor wrote for a key: the reader's rules, without its length limit.
std::string_view editorValue(const IniFile& file, const char* section, const char* key,
                             bool* present = nullptr) {
  const std::string_view* raw = file.rawValue(section, key);
  if (present != nullptr) *present = raw != nullptr;
  return raw == nullptr ? std::string_view() : IniFile::unquoted(*raw);
}

// The lines of a configuration text, and where the reader finds each key.
class Document {
 public:
  struct Line {
    std::size_t start;  // first byte of the line
    std::size_t end;    // its line end starts here
    std::size_t next;   // the next line starts here
  };
  struct Section {
    std::string name;              // as spelled in the file
    std::size_t lastLine = kNone;  // the last line that is not blank, header included
  };

  explicit Document(std::string_view text) : text_(text) {
    Section& nameless = sections_[""];
    Section* current = &nameless;
    std::size_t p = 0;
    while (p < text.size()) {
      std::size_t end = p;
      while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
      std::size_t next = end;
      if (next < text.size())
        next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
      if (eol_.empty() && next > end) eol_ = std::string(text.substr(end, next - end));
      lines_.push_back(Line{p, end, next});
      scan(lines_.size() - 1, current);
      p = next;
    }
    if (eol_.empty()) eol_ = "\r\n";
  }

  std::string_view text() const { return text_; }
  const std::string& eol() const { return eol_; }
  const Line& line(std::size_t i) const { return lines_[i]; }
  Section* section(std::string_view name) {
    const auto found = sections_.find(folded(name));
    return found == sections_.end() ? nullptr : &found->second;
  }

 private:
  void scan(std::size_t index, Section*& current) {
    const Line& l = lines_[index];
    std::size_t a = l.start;
    std::size_t b = l.end;
    while (a < b && isBlank(text_[a])) ++a;
    while (b > a && isBlank(text_[b - 1])) --b;
    if (a == b) return;
    const std::string_view content = text_.substr(a, b - a);
    if (content.front() == '[') {
      const std::size_t close = content.rfind(']');
      if (close != std::string_view::npos) {
        std::string_view name = content.substr(1, close - 1);
        while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
        while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
        name = cutAtNul(name);
        const auto [slot, fresh] = sections_.try_emplace(folded(name));
        // A repeated section is never read; its lines are left alone.
        current = fresh ? &slot->second : nullptr;
        if (fresh) {
          slot->second.name = std::string(name);
          slot->second.lastLine = index;
        }
        return;
      }
    }
    if (current == nullptr) return;
    current->lastLine = index;
  }

  std::string_view text_;
  std::string eol_;
  std::vector<Line> lines_;
  std::unordered_map<std::string, Section> sections_;
};

// The record numbers 1..count whose name key the file holds, ascending.
std::vector<int> recordNumbers(const IniFile& file, const CountedList& list) {
  std::vector<int> numbers;
  const int count = file.readInt(list.section, list.countKey, 0);
  for (const std::string_view key : file.keyNames(list.section)) {
    const long long n = recordNumber(key, list.namePrefix);
    if (n >= 1 && n <= count) numbers.push_back(static_cast<int>(n));
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::string numbered(const std::string& prefix, int n) { return prefix + std::to_string(n); }

struct Record {
  std::string_view name;
  std::string_view value;
  std::string_view lock;
  bool hasLock = false;
  int lockNumber = 0;
};

std::vector<Record> recordsOf(const IniFile& file, const CountedList& list) {
  std::vector<Record> records;
  for (const int n : recordNumbers(file, list)) {
    Record r;
    r.name = editorValue(file, list.section, numbered(list.namePrefix, n).c_str());
    if (r.name.empty()) continue;
    r.value = editorValue(file, list.section, numbered(list.valuePrefix, n).c_str());
    r.lock = editorValue(file, list.section, numbered("Locked", n).c_str(), &r.hasLock);
    r.lockNumber = file.readInt(list.section, numbered("Locked", n).c_str(), 0);
    records.push_back(r);
  }
  return records;
}

class Editor {
 public:
  Editor(const ConfigurationEditInput& input, std::string_view working, unsigned workCodePage)
      : input_(input), doc_(working), workCodePage_(workCodePage) {
    platform_.setCodePage(input.codePage);
    platform_.parse(input.original);
    // Lines are found where the reader finds their keys, in the text being edited.
    if (workCodePage == input.codePage && working.data() == input.original.data()) {
      locator_ = &platform_;
    } else {
      ownLocator_.setCodePage(workCodePage);
      ownLocator_.parse(working);
      locator_ = &ownLocator_;
    }
  }

  // Applies one edited named setting; false when its value cannot be written.
  bool named(const std::string& section, const std::string& key, std::string_view value) {
    const std::u16string wanted = decoded(input_.editorCodePage, value);
    if (decoded(input_.codePage, platform_.readText(section.c_str(), key.c_str())) == wanted)
      return true;
    std::string bytes;
    if (!encode(wanted, key, bytes)) return false;
    put(section, key, bytes);
    return true;
  }

  // Applies one edited record of a counted list; false when a value cannot be written.
  bool record(const CountedList& list, const Record& r, bool valueEdited, bool lockEdited) {
    const std::u16string name = decoded(input_.editorCodePage, r.name);
    const std::u16string value = decoded(input_.editorCodePage, r.value);
    const int n = originalRecord(list, name);
    std::string bytes;
    if (n > 0) {
      const std::string valueKey = numbered(spelling(list, list.valuePrefix), n);
      if (valueEdited &&
          decoded(input_.codePage, platform_.readText(list.section, valueKey.c_str())) != value) {
        if (!encode(value, std::string(r.name), bytes)) return false;
        put(list.section, valueKey, bytes);
      }
      const std::string lockKey = numbered(spelling(list, "Locked"), n);
      if (lockEdited && r.hasLock &&
          platform_.readInt(list.section, lockKey.c_str(), 0) != r.lockNumber) {
        put(list.section, lockKey, std::string(r.lock));
      }
      return true;
    }
    // A record the installer does not have yet: the next number, and the count raised.
    int& next = nextNumber(list);
    const int number = next++;
    std::string nameBytes;
    if (!encode(name, std::string(r.name), nameBytes) || !encode(value, std::string(r.name), bytes))
      return false;
    put(list.section, numbered(spelling(list, list.namePrefix), number), nameBytes);
    put(list.section, numbered(spelling(list, list.valuePrefix), number), bytes);
    if (r.hasLock)
      put(list.section, numbered(spelling(list, "Locked"), number), std::string(r.lock));
    put(list.section, spelling(list, list.countKey), std::to_string(number));
    return true;
  }

  const std::string& refused() const { return refused_; }

  // The text with every edit made; changed counts the lines touched.
  std::string finish(int& changed) {
    std::stable_sort(edits_.begin(), edits_.end(),
                     [](const Edit& a, const Edit& b) { return a.at < b.at; });
    const std::string_view text = doc_.text();
    std::string out;
    out.reserve(text.size() + 64 * edits_.size());
    std::size_t copied = 0;
    for (const Edit& e : edits_) {
      out.append(text.substr(copied, e.at - copied));
      out += e.text;
      copied = e.at + e.length;
    }
    out.append(text.substr(copied));
    for (const NewSection& s : newSections_) {
      if (!out.empty()) {
        if (out.back() != '\n' && out.back() != '\r') out += doc_.eol();
        out += doc_.eol();
      }
      out += "[" + s.name + "]" + doc_.eol();
      for (const std::string& line : s.lines) out += line + doc_.eol();
    }
    changed = static_cast<int>(edits_.size());
    for (const NewSection& s : newSections_) changed += static_cast<int>(s.lines.size()) + 1;
    return out;
  }

 private:
  struct Edit {
    std::size_t at;
    std::size_t length;
    std::string text;
  };
  struct NewSection {
    std::string name;
    std::vector<std::string> lines;
  };

  bool encode(const std::u16string& wide, const std::string& setting, std::string& bytes) {
    if (platform::utf16ToCodePage(workCodePage_, wide, bytes)) return true;
    refused_ = setting;
    return false;
  }

  // Sets the key's value: on the line where the reader finds it, or on a line added at the end of
  // its section.
  void put(const std::string& sectionName, const std::string& key, const std::string& value) {
    Document::Section* section = doc_.section(sectionName);
    if (section == nullptr) {
      for (NewSection& s : newSections_) {
        if (folded(s.name) == folded(sectionName)) {
          setLine(s.lines, key, value);
          return;
        }
      }
      newSections_.push_back(NewSection{sectionName, {key + "=" + value}});
      return;
    }
    IniFile::KeyView line;
    if (locator_->findKey(sectionName.c_str(), key.c_str(), line)) {
      const auto offset = [&](std::string_view part) {
        return static_cast<std::size_t>(part.data() - locator_->text());
      };
      // A line set twice (a count raised by several new records) keeps the last value.
      const auto [slot, fresh] = lineEdits_.try_emplace(offset(line.name), edits_.size());
      if (!line.hasValue) {
        if (fresh) edits_.push_back(Edit{offset(line.name) + line.name.size(), 0, {}});
        edits_[slot->second].text = "=" + value;
        return;
      }
      std::size_t from = offset(line.value);
      std::size_t to = from + line.value.size();
      const std::string_view old = doc_.text().substr(from, to - from);
      if (old.size() >= 2 && (old.front() == '"' || old.front() == '\'') &&
          old.back() == old.front()) {
        ++from;
        --to;
      }
      if (fresh) edits_.push_back(Edit{from, to - from, {}});
      edits_[slot->second].text = value;
      return;
    }
    // Added keys of one section stay together, in the order they were added.
    auto& added = added_[folded(sectionName)];
    const auto known = added.find(folded(key));
    if (known != added.end()) {
      edits_[known->second].text = lineText(*section, key, value);
      return;
    }
    added.emplace(folded(key), edits_.size());
    edits_.push_back(Edit{insertionPoint(*section), 0, lineText(*section, key, value)});
  }

  static void setLine(std::vector<std::string>& lines, const std::string& key,
                      const std::string& value) {
    for (std::string& line : lines) {
      if (folded(line.substr(0, line.find('='))) == folded(key)) {
        line = key + "=" + value;
        return;
      }
    }
    lines.push_back(key + "=" + value);
  }

  std::size_t insertionPoint(const Document::Section& section) const {
    if (section.lastLine == kNone) return 0;
    return doc_.line(section.lastLine).next;
  }

  std::string lineText(const Document::Section& section, const std::string& key,
                       const std::string& value) const {
    if (section.lastLine != kNone) {
      const Document::Line& last = doc_.line(section.lastLine);
      // The text's last line has no line end of its own: the new line goes after one.
      if (last.next == last.end) return doc_.eol() + key + "=" + value;
    }
    return key + "=" + value + doc_.eol();
  }

  // The number of the original's record with this name (the last one, as the editor showed it),
  // or 0. Names compare as the editor saw them, with '-' and '.' alike.
  int originalRecord(const CountedList& list, const std::u16string& name) {
    auto& index = recordIndex_[list.section];
    if (!index.built) {
      index.built = true;
      for (const int n : recordNumbers(platform_, list)) {
        std::string original(
            platform_.readText(list.section, numbered(list.namePrefix, n).c_str()));
        std::replace(original.begin(), original.end(), '-', '.');
        if (!original.empty()) index.numbers[std::move(original)] = n;
      }
    }
    // Names compare in the original's code page; a name it cannot hold is no record of it.
    std::string bytes;
    if (!platform::utf16ToCodePage(input_.codePage, dotted(name), bytes)) return 0;
    const auto found = index.numbers.find(bytes);
    return found == index.numbers.end() ? 0 : found->second;
  }

  int& nextNumber(const CountedList& list) {
    auto& next = nextNumbers_[list.section];
    if (next == 0) next = std::max(platform_.readInt(list.section, list.countKey, 0), 0) + 1;
    return next;
  }

  // A record key as the original spells it ("Datatype" or "DataType"), found on its first record.
  std::string spelling(const CountedList& list, const char* prefix) {
    const std::string cacheKey = std::string(list.section) + "/" + prefix;
    const auto cached = spellings_.find(cacheKey);
    if (cached != spellings_.end()) return cached->second;
    std::string spelled = prefix;
    IniFile::KeyView line;
    if (folded(prefix) == folded(list.countKey)) {
      if (locator_->findKey(list.section, prefix, line)) spelled = std::string(line.name);
    } else {
      for (const int n : recordNumbers(platform_, list)) {
        if (locator_->findKey(list.section, numbered(prefix, n).c_str(), line)) {
          spelled = std::string(line.name.substr(0, line.name.size() - std::to_string(n).size()));
          break;
        }
      }
    }
    spellings_.emplace(cacheKey, spelled);
    return spelled;
  }

  struct RecordIndex {
    bool built = false;
    std::unordered_map<std::string, int> numbers;  // dotted name in the code page: last number
  };

  const ConfigurationEditInput& input_;
  IniFile platform_;    // the original as the platform reads it
  IniFile ownLocator_;  // the text being edited, when that is not the original itself
  const IniFile* locator_ = nullptr;
  Document doc_;
  unsigned workCodePage_;
  std::vector<Edit> edits_;
  std::unordered_map<std::size_t, std::size_t> lineEdits_;  // line -> its edit
  std::vector<NewSection> newSections_;
  std::unordered_map<std::string, std::unordered_map<std::string, std::size_t>> added_;
  std::unordered_map<std::string, RecordIndex> recordIndex_;
  std::unordered_map<std::string, int> nextNumbers_;
  std::unordered_map<std::string, std::string> spellings_;
  std::string refused_;
};

}  // namespace

int applyEditorResult(const ConfigurationEditInput& input, ConfigurationEditOutcome& outcome) {
  outcome = ConfigurationEditOutcome();
  const bool utf16 =
      input.original.size() >= 2 && input.original[0] == '\xFF' && input.original[1] == '\xFE';
  // A UTF-16 text is edited as UTF-8 and written back as UTF-16, every untouched unit as it was.
  const std::string working = utf16 ? utf16leToUtf8(input.original.substr(2)) : std::string();
  Editor editor(input, utf16 ? std::string_view(working) : input.original,
                utf16 ? kUtf8 : input.codePage);

  IniFile result;
  result.setCodePage(input.editorCodePage);
  result.parse(input.result);
  IniFile unedited;
  unedited.setCodePage(input.editorCodePage);
  if (input.hasUnedited) unedited.parse(input.unedited);

  for (const std::string_view sectionView : result.sectionNames()) {
    const std::string section(sectionView);
    const CountedList* list = countedListOf(section);
    for (const std::string_view keyView : result.keyNames(section.c_str())) {
      const std::string key(keyView);
      if (list != nullptr && isListKey(*list, key)) continue;
      const std::string_view value = editorValue(result, section.c_str(), key.c_str());
      bool known = false;
      const std::string_view before = editorValue(unedited, section.c_str(), key.c_str(), &known);
      if (input.hasUnedited && known && before == value) continue;
      if (!editor.named(section, key, value)) {
        outcome.refused = editor.refused();
        return 0;
      }
    }
    if (list == nullptr) continue;
    std::map<std::string_view, Record> baseline;
    if (input.hasUnedited) {
      for (const Record& r : recordsOf(unedited, *list)) baseline[r.name] = r;
    }
    for (const Record& r : recordsOf(result, *list)) {
      const auto was = baseline.find(r.name);
      const bool valueEdited = was == baseline.end() || was->second.value != r.value;
      const bool lockEdited =
          was == baseline.end() || was->second.hasLock != r.hasLock || was->second.lock != r.lock;
      if (!valueEdited && !lockEdited) continue;
      if (!editor.record(*list, r, valueEdited, lockEdited)) {
        outcome.refused = editor.refused();
        return 0;
      }
    }
  }

  std::string text = editor.finish(outcome.changedLines);
  if (outcome.changedLines == 0) {
    outcome.text.assign(input.original);
  } else if (utf16) {
    const bool odd = input.original.size() % 2 != 0;
    outcome.text = utf8ToUtf16le(text, input.original.back(), odd);
  } else {
    outcome.text = std::move(text);
  }
  return 1;
}
