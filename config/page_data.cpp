#include "config/page_data.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi_text.h"
#include "platform/file_io.h"

namespace {

constexpr char kPlaceholder[] = "var serverData=[];";

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

// Appends text as the inside of a double-quoted script string. Besides the quote and the
// backslash, line ends and the line separators U+2028/U+2029 (which older engines take as line
// ends) are escaped, and so is every '<', so that no value can close the script element or open
// a comment in it. Other bytes, those above 0x7F included, go in as they are: the page reads them
// in the same code page as the file. The separators exist only where that code page is UTF-8;
// elsewhere their three bytes are three ordinary characters.
void appendScriptText(std::string& out, std::string_view text, bool dotsAsDashes) {
  static const bool separatorsExist = platform::narrowTextIsUtf8() != 0;
  std::size_t plain = 0;  // start of the run of characters that go in as they are
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\' && c != '"' && c != '\r' && c != '\n' && c != '<' && c != '.' && c != '\xE2') {
      continue;
    }
    out.append(text.data() + plain, i - plain);
    plain = i + 1;
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '<':
        out += "\\x3C";
        break;
      case '.':
        out += dotsAsDashes ? '-' : '.';
        break;
      case '\xE2':
        if (separatorsExist && i + 2 < text.size() && text[i + 1] == '\x80' &&
            (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
          out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
          i += 2;
          plain = i + 1;
        } else {
          out += c;
        }
        break;
      default:
        break;
    }
  }
  out.append(text.data() + plain, text.size() - plain);
}

void appendPageEntry(std::string& out, std::string_view key, std::string_view value,
                     std::int32_t lock) {
  std::string quotedKey;
  quotedKey.reserve(key.size() + 16);
  quotedKey += "serverData[\"";
  appendScriptText(quotedKey, key, true);
  quotedKey += "\"]";

  out += quotedKey;
  out += "=[];\r\n";
  out += quotedKey;
  out += "[\"SuggestedValue\"]=\"";
  appendScriptText(out, value, false);
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
  appendPageEntry(out, key, config.readText(section, key), -1);
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
  appendPageEntry(out, name, value, config.readInt(section, key, 0));
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
  if (!bandwidth.empty()) appendPageEntry(out, "WM_MaxBandwidth", bandwidth, -1);

  // The file holds milliseconds; the page shows whole seconds.
  const int bufferTime = config.readInt("wm_preferences", "CustomBufferTime", -1);
  if (bufferTime != -1)
    appendPageEntry(out, "CustomBufferTime", std::to_string(bufferTime / 1000), -1);

  appendNamedEntry(out, config, "qt_preferences", "ApplyQTPrefs");
  appendNamedEntry(out, config, "qt_preferences", "QuickTimeLocation");
  for (const char* key : kSetupKeys) appendNamedEntry(out, config, "setup", key);
  for (const char* key : kFavoritesKeys) appendNamedEntry(out, config, "favorites", key);
  for (const char* key : kHelpMenuKeys) appendNamedEntry(out, config, "helpmenu", key);
  return out;
}

}  // namespace

SharedString formatPageEntry(const SharedString& key, const SharedString& value,
                             std::int32_t lock) {
  std::string out;
  appendPageEntry(out, view(key), view(value), lock);
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

void writePageData(const PathName& workspace) {
  const PathName configPath = workspace.join("kxenterprise.ini");
  const PathName sitePath = workspace.join("cfadmin");
  const PathName pagePath = sitePath.join("index.html");
  if (isExistingFile(pagePath) == 0 || isExistingFile(configPath) == 0) return;

  IniFile config;
  config.load(configPath);  // an unreadable file reads as an empty one: every entry has its default
  const std::string block = buildBlock(config);

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
  }
  platform::writeWholeFile(pagePath.text(), page.data(), page.size());
}
