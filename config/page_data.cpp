#include "config/page_data.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "config/code_page.h"
#include "platform/ansi_text.h"
#include "platform/file_attributes.h"
#include "platform/file_io.h"

namespace {

constexpr char kPlaceholder[] = "var serverData=[];";
constexpr char kCodePagePlaceholder[] = "var configurationCodePage=0;";
constexpr char kQuickTimePlaceholder[] = "var quickTimeFile=null;";

const char* const kWindowsMediaKeys[] = {"ApplyWMPrefs",
                                         "UseMulticast",
                                         "UseTCP",
                                         "UseHTTP",
                                         "UseUDP",
                                         "UseDefaultBufferTime",
                                         "UseCustomUDPPort",
                                         "CustomUDPPort",
                                         "ProxyBypass_HTTP",
                                         "ProxyPort_HTTP",
                                         "ProxyStyle_HTTP",
                                         "ProxyExclude_HTTP",
                                         "ProxyName_HTTP",
                                         "ProxyBypass_RTSP",
                                         "ProxyPort_RTSP",
                                         "ProxyStyle_RTSP",
                                         "ProxyExclude_RTSP",
                                         "ProxyName_RTSP",
                                         "ProxyBypass_MMS",
                                         "ProxyPort_MMS",
                                         "ProxyStyle_MMS",
                                         "ProxyExclude_MMS",
                                         "ProxyName_MMS"};

const char* const kSetupKeys[] = {"HomePage",    "InstallPath",         "InstallMode",
                                  "StartupMode", "DesktopShortcut",     "QuickLaunch",
                                  "StartMenu",   "RemoveMediaLibrary",  "RemoveFavorites",
                                  "RemoveSkins", "RemoveVisualizations"};

const char* const kFavoritesKeys[] = {"FavoritesText1", "FavoritesURL1",  "FavoritesText2",
                                      "FavoritesURL2",  "FavoritesText3", "FavoritesURL3"};

const char* const kHelpMenuKeys[] = {"HelpText1", "HelpURL1",  "HelpText2",
                                     "HelpURL2",  "HelpText3", "HelpURL3"};

// Appends text of the configuration's code page as the inside of a double-quoted script string
// made only of printable ASCII, so that the block means the same in whatever code page the page
// is read and stays valid script for any bytes. The text is decoded character by character (a
// trail byte equal to '\\' is part of its character, not an escape); every character outside
// printable ASCII, the quote, the backslash and '<' (which could close the script element) are
// written as escapes.
void appendEscapedText(std::string& out, const std::u16string& wide, bool dotsAsDashes);

void appendScriptText(std::string& out, std::string_view text, bool dotsAsDashes,
                      unsigned codePage) {
  std::u16string wide;
  bool ascii = true;
  for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    wide.assign(text.begin(), text.end());
  } else if (!platform::codePageToUtf16(codePage, text, wide)) {
    // A code page this system cannot read: each byte stands for itself, still valid script.
    wide.assign(text.begin(), text.end());
    for (std::size_t i = 0; i < text.size(); ++i)
      wide[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
  }
  appendEscapedText(out, wide, dotsAsDashes);
}

void appendEscapedText(std::string& out, const std::u16string& wide, bool dotsAsDashes) {
  static const char kHex[] = "0123456789ABCDEF";
  for (const char16_t c : wide) {
    switch (c) {
      case u'\\':
        out += "\\\\";
        continue;
      case u'"':
        out += "\\\"";
        continue;
      case u'\r':
        out += "\\r";
        continue;
      case u'\n':
        out += "\\n";
        continue;
      case u'<':
        out += "\\x3C";
        continue;
      case u'.':
        out += dotsAsDashes ? '-' : '.';
        continue;
      default:
        break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "\\u";
      out += kHex[(c >> 12) & 0xF];
      out += kHex[(c >> 8) & 0xF];
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    }
  }
}

void appendPageEntry(std::string& out, std::string_view key, std::string_view value,
                     std::int32_t lock, unsigned codePage) {
  std::string quotedKey;
  quotedKey.reserve(key.size() + 16);
  quotedKey += "serverData[\"";
  appendScriptText(quotedKey, key, true, codePage);
  quotedKey += "\"]";

  out += quotedKey;
  out += "=[];\r\n";
  out += quotedKey;
  out += "[\"SuggestedValue\"]=\"";
  appendScriptText(out, value, false, codePage);
  out += "\";\r\n";
  if (lock != -1) {
    out += quotedKey;
    out += "[\"IsLocked\"]=";
    out += std::to_string(lock);
    out += ";\r\n";
  }
}

std::string_view view(const SharedString& text) {
  return std::string_view(text.text(), static_cast<std::size_t>(text.length()));
}

SharedString toSharedString(const std::string& text) {
  SharedString result;
  if (text.empty()) return result;
  const int n = static_cast<int>(text.size());
  std::memcpy(result.openBuffer(n), text.data(), text.size());
  result.closeBuffer(n);
  return result;
}

void appendNamedEntry(std::string& out, const IniFile& config, const char* section,
                      const char* key) {
  appendPageEntry(out, key, config.readText(section, key), -1, config.codePage());
}

void appendIndexedEntry(std::string& out, const IniFile& config, const char* section,
                        const char* nameFormat, const char* valueFormat, int index) {
  char key[32];
  std::snprintf(key, sizeof key, nameFormat, index);
  const std::string_view name = config.readText(section, key);
  if (name.empty()) return;
  std::snprintf(key, sizeof key, valueFormat, index);
  const std::string_view value = config.readText(section, key);
  std::snprintf(key, sizeof key, "Locked%d", index);
  appendPageEntry(out, name, value, config.readInt(section, key, 0), config.codePage());
}

// Names match as the configuration reader matches them: ASCII letters without regard to case.
char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The numbers of the records worth reading, 1 to count: those whose name key the file holds,
// ascending. A walk over every number up to the count would find the same records, but a
// damaged count of two billion would keep the tool busy for good.
std::vector<int> recordNumbers(const IniFile& config, const char* section,
                               std::string_view namePrefix, int count) {
  std::vector<int> numbers;
  if (count < 1) return numbers;
  for (const std::string_view name : config.keyNames(section)) {
    // Only the prefix followed by the plain decimal digits "%d" writes can match.
    if (name.size() <= namePrefix.size() || name.size() > namePrefix.size() + 10) continue;
    bool matches = true;
    for (std::size_t i = 0; i < namePrefix.size() && matches; ++i) {
      matches = asciiLower(name[i]) == asciiLower(namePrefix[i]);
    }
    const std::string_view digits = name.substr(namePrefix.size());
    if (!matches || digits.front() == '0') continue;
    std::int64_t number = 0;
    for (const char c : digits) {
      if (c < '0' || c > '9') {
        number = -1;
        break;
      }
      number = number * 10 + (c - '0');
    }
    if (number >= 1 && number <= count) numbers.push_back(static_cast<int>(number));
  }
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::string buildBlock(const IniFile& config) {
  std::string out;
  out += kPlaceholder;
  out += "\r\n";
  appendNamedEntry(out, config, "kx_preferences", "ApplyKXPrefs");
  const int prefsCount = config.readInt("kx_preferences", "PrefsCount", 0);
  for (const int i : recordNumbers(config, "kx_preferences", "Key", prefsCount)) {
    appendIndexedEntry(out, config, "kx_preferences", "Key%d", "Value%d", i);
  }
  const int datatypeCount = config.readInt("datatypes", "DatatypeCount", 0);
  for (const int i : recordNumbers(config, "datatypes", "Datatype", datatypeCount)) {
    appendIndexedEntry(out, config, "datatypes", "Datatype%d", "Status%d", i);
  }
  for (const char* key : kWindowsMediaKeys) appendNamedEntry(out, config, "wm_preferences", key);

  // The player's own MaxBandwidth arrives with the records above; the Windows Media one is kept
  // apart under its own name.
  const std::string_view bandwidth = config.readText("wm_preferences", "MaxBandwidth");
  if (!bandwidth.empty()) appendPageEntry(out, "WM_MaxBandwidth", bandwidth, -1, config.codePage());

  // The file holds milliseconds; the page shows whole seconds.
  const int bufferTime = config.readInt("wm_preferences", "CustomBufferTime", -1);
  if (bufferTime != -1)
    appendPageEntry(out, "CustomBufferTime", std::to_string(bufferTime / 1000), -1, 1252);

  appendNamedEntry(out, config, "qt_preferences", "ApplyQTPrefs");
  appendNamedEntry(out, config, "qt_preferences", "QuickTimeLocation");
  for (const char* key : kSetupKeys) appendNamedEntry(out, config, "setup", key);
  for (const char* key : kFavoritesKeys) appendNamedEntry(out, config, "favorites", key);
  for (const char* key : kHelpMenuKeys) appendNamedEntry(out, config, "helpmenu", key);
  return out;
}

const char* lookName(platform::FileLook look) {
  switch (look) {
    case platform::FileLook::kRegular:
      return "regular";
    case platform::FileLook::kMissing:
      return "missing";
    case platform::FileLook::kNotRegular:
      return "other";
    case platform::FileLook::kNotLocalPath:
      break;
  }
  return "unexamined";
}

}  // namespace

std::string quickTimeFileData(const IniFile& config) {
  const std::string_view path = config.readText("qt_preferences", "QuickTimeLocation");
  if (path.empty()) return kQuickTimePlaceholder;
  // The path comes from the installer: its file is looked at, never opened or read (that waits
  // for the administrator's confirmation at generation).
  std::uint64_t size = 0;
  const platform::FileLook look = platform::examineFile(std::string(path).c_str(), size);
  std::string out = "var quickTimeFile={\"path\":\"";
  appendScriptText(out, path, false, config.codePage());
  out += "\",\"state\":\"";
  out += lookName(look);
  out += "\",\"size\":";
  out += std::to_string(size);
  out += "};";
  return out;
}

SharedString formatPageEntry(const SharedString& key, const SharedString& value, std::int32_t lock,
                             unsigned codePage) {
  std::string out;
  appendPageEntry(out, view(key), view(value), lock,
                  codePage != 0 ? codePage : defaultConfigurationCodePage());
  return toSharedString(out);
}

SharedString readNamedEntry(const IniFile& config, const char* section, const char* key) {
  std::string out;
  appendNamedEntry(out, config, section, key);
  return toSharedString(out);
}

SharedString readIndexedEntry(const IniFile& config, const char* section, const char* nameFormat,
                              const char* valueFormat, int index) {
  std::string out;
  appendIndexedEntry(out, config, section, nameFormat, valueFormat, index);
  return toSharedString(out);
}

SharedString buildPageData(const IniFile& config) { return toSharedString(buildBlock(config)); }

SharedString formatInstallerName(const char* installerName) {
  const char* name = installerName != nullptr ? installerName : "";
  std::u16string wide;
  if (!platform::ansiToUtf16(name, wide)) {
    // Not valid in the narrow encoding: each byte stands for itself, still a valid script string.
    for (const char* p = name; *p != '\0'; ++p)
      wide += static_cast<char16_t>(static_cast<unsigned char>(*p));
  }
  std::string line = "var installerName=\"";
  appendEscapedText(line, wide, false);
  line += "\";\r\n";
  return toSharedString(line);
}

void writePageData(const PathName& workspace, unsigned codePage, const char* installerName) {
  const PathName configPath = workspace.join("kxenterprise.ini");
  const PathName sitePath = workspace.join("cfadmin");
  const PathName pagePath = sitePath.join("index.html");
  if (isExistingFile(pagePath) == 0 || isExistingFile(configPath) == 0) return;

  IniFile config;
  config.setCodePage(codePage);
  config.load(configPath);  // an unreadable file reads as an empty one: every entry has its default
  std::string block = buildBlock(config);
  if (installerName != nullptr && *installerName != '\0') {
    const SharedString line = formatInstallerName(installerName);
    block.append(line.text(), static_cast<std::size_t>(line.length()));
  }

  std::string page;
  if (platform::readWholeFile(pagePath.text(), page) == 0 || page.empty()) return;
  // The placeholder is sought in the page's text, which ends at its first NUL byte if it has one
  // (a page that starts with one counts as empty); whatever follows such a byte is still written
  // back rather than lost.
  const SharedString text(page.c_str());
  if (text.length() == 0) return;
  const int at = text.find(kPlaceholder);
  if (at >= 0) {
    page.replace(static_cast<std::size_t>(at), sizeof kPlaceholder - 1, block);
    // The administrator sees which code page the values were read in.
    const std::size_t shown = page.find(kCodePagePlaceholder);
    if (shown != std::string::npos) {
      page.replace(shown, sizeof kCodePagePlaceholder - 1,
                   "var configurationCodePage=" + std::to_string(config.codePage()) + ";");
    }
    // Beside the QuickTime setting the administrator sees the file the installer names.
    const std::size_t quickTime = page.find(kQuickTimePlaceholder);
    if (quickTime != std::string::npos)
      page.replace(quickTime, sizeof kQuickTimePlaceholder - 1, quickTimeFileData(config));
  }
  platform::writeWholeFile(pagePath.text(), page.data(), page.size());
}
