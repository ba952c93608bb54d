#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/path_name.h"
#include "base/shared_string.h"

// A configuration file read the way the Windows profile functions read it, on every platform, so
// that both builds see the same settings. Texts answer as GetPrivateProfileStringA with a buffer of
// 256 characters does, integers as GetPrivateProfileIntA. The file is parsed once when loaded;
// every lookup afterwards is a hash probe.
//
// The reading rules: lines end at LF or CR; blanks (tab, LF, VT, FF, CR, space and ^Z) around
// lines, names and values are dropped; "[name]" opens a section (up to the last ']'); other lines
// are "name=value" keys, or keys without a value when they hold no '='; keys before the first
// section belong to the section with the empty name. Names match without regard to ASCII case, and
// the first section and the first key of a name are the only ones ever seen. Nothing is a comment
// as such: a line ";x=1" is the key ";x", which no caller asks for; a line "=x" is the key with the
// empty name. A file that starts with the UTF-16LE byte-order mark is text in UTF-16 and reads as
// its characters in the reader's code page ('?' for those it cannot hold); a UTF-8 byte-order mark
// means nothing to the platform and stays part of the first line.
class IniFile {
 public:
  // Texts hold at most this many characters, as the platform's reader fills a 256-byte buffer.
  static constexpr int kMaxText = 255;

  IniFile() = default;
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;
  IniFile(IniFile&&) = default;
  IniFile& operator=(IniFile&&) = default;

  // Reads and parses the file; 1 on success. A file that cannot be read leaves the reader empty,
  // so that every lookup gives its default, as the platform does for a missing file.
  int load(const PathName& path);

  // Parses the given bytes as the content of a file.
  void parse(std::string_view bytes);

  // The code page narrow texts are answered in, which UTF-16 files are converted to; set before
  // loading. The default is the configuration code page of this system.
  void setCodePage(unsigned codePage) { codePage_ = codePage; }
  unsigned codePage() const;
  // 1 when the text parsed was a UTF-16 file.
  int wasUtf16() const { return utf16_ ? 1 : 0; }

  // The key's value without surrounding blanks and without one matching pair of quotes (" or ')
  // around it, cut to kMaxText characters; the default (without trailing spaces) when the section
  // or key is missing or the key has no '='.
  SharedString readString(const char* section, const char* key,
                          const char* defaultValue = "") const;

  // The key's value as a signed integer: optional blanks, an optional sign, an optional "0x", "0o"
  // or "0b" base prefix, then digits up to the first other character, wrapping in 32 bits. The
  // default when the key is missing or its value is empty.
  int readInt(const char* section, const char* key, int defaultValue) const;

  // The names of the keys of a section (the first section of that name), in file order, each
  // name once, as the lookups above find them.
  std::vector<std::string_view> keyNames(const char* section) const;

  // The names of the sections, each once as the lookups see it, in file order; the nameless
  // section (keys above the first header) comes first.
  std::vector<std::string_view> sectionNames() const;

  // The key's whole value: blanks and one pair of quotes off, but not cut to kMaxText; null when
  // readString would answer with its default.
  const std::string_view* rawValue(const char* section, const char* key) const {
    return find(section, key);
  }
  static std::string_view unquoted(std::string_view value);

  // Where the reader finds a key: its name and its value (empty, and hasValue false, on a line
  // without '='), as views into the text parsed (text()); false when it finds none.
  struct KeyView {
    std::string_view name;
    std::string_view value;
    bool hasValue = false;
  };
  bool findKey(const char* section, const char* key, KeyView& out) const;
  const char* text() const { return bytes_.data(); }

  // readString's answer without a copy: a view into the file's text or into defaultValue, valid
  // while both live.
  std::string_view readText(const char* section, const char* key,
                            const char* defaultValue = "") const;

 private:
  struct Key {
    std::string_view name;
    std::string_view value;
    std::uint32_t section;
    bool present;  // false for a line that names a key but has no '='
  };
  struct Slot {
    std::uint32_t hash;
    std::uint32_t key;  // index into keys_ plus one; 0 marks a free slot
  };
  struct NameHash {
    std::size_t operator()(std::string_view name) const noexcept;
  };
  struct NameEqual {
    bool operator()(std::string_view a, std::string_view b) const noexcept;
  };

  // The raw value, or null when the platform would answer with the default.
  const std::string_view* find(const char* section, const char* key) const;
  // The value as a buffer of bufferSize characters receives it: one pair of quotes off, then cut.
  static std::string_view copyEntry(std::string_view value, int bufferSize);
  static std::uint32_t keyHash(std::uint32_t section, std::string_view name);
  // The slot that holds the key, or the free slot where it belongs.
  std::size_t slotFor(std::uint32_t hash, std::uint32_t section, std::string_view name) const;
  void addKey(std::uint32_t section, std::string_view name, std::string_view value, bool present);
  void growSlots(std::size_t size);

  unsigned codePage_ = 0;  // 0: the system's configuration code page
  bool utf16_ = false;
  std::vector<char> bytes_;  // the file's text; every view below points into it
  std::unordered_map<std::string_view, std::uint32_t, NameHash, NameEqual> sections_;
  // Keys of the first section of each name, in file order, found through an open-addressing table
  // that stays compact for files of hundreds of thousands of keys.
  std::vector<Key> keys_;
  std::vector<Slot> slots_;
};
