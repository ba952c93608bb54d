#include "config/setting_rules.h"

#include <cstddef>
#include <span>

#include "config/configuration_names.h"

namespace {

constexpr long long kSaturated = 1000000000000000LL;  // above every limit

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  std::size_t at = 0;
  while ((at = text.find(from, at)) != std::string::npos) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
}

std::string message(const CatalogueSetting& setting, std::string_view rule, long long minimum,
                    long long maximum, char separator = ',', std::string_view item = {},
                    std::string_view other = {}) {
  std::string text(catalogueRuleText(rule));
  replaceAll(text, "{min}", std::to_string(minimum));
  replaceAll(text, "{max}", std::to_string(maximum));
  replaceAll(text, "{sep}", std::string_view(&separator, 1));
  replaceAll(text, "{other}", other);
  // The item last, so that nothing typed in it is taken for a placeholder.
  replaceAll(text, "{item}", item);
  return std::string(setting.label) + ": " + text + ".";
}

// The value of a run of decimal digits (long runs stay above every limit), or -1.
long long digits(std::string_view text) {
  if (text.empty()) return -1;
  long long value = 0;
  for (const char c : text) {
    if (!isDigit(c)) return -1;
    value = value * 10 + (c - '0');
    if (value > kSaturated) value = kSaturated;
  }
  return value;
}

bool isInteger(std::string_view text, long long minimum, long long maximum) {
  const bool negative = !text.empty() && text.front() == '-';
  long long value = digits(negative ? text.substr(1) : text);
  if (value < 0) return false;
  if (negative) value = -value;
  return value >= minimum && value <= maximum;
}

bool isPort(std::string_view text) {
  const long long value = digits(text);
  return value >= 1 && value <= 65535;
}

bool isIPv6(std::string_view text) {
  if (text.empty() || text.size() > 45) return false;
  int colons = 0;
  for (const char c : text) {
    if (c == ':') {
      ++colons;
    } else if (!isDigit(c) && c != '.' && !(lower(c) >= 'a' && lower(c) <= 'f')) {
      return false;
    }
  }
  return colons >= 2;
}

// A host name or address; with `wildcard`, '*' may stand for any part and a leading '.' for every
// host of a domain, as host lists allow.
bool isHost(std::string_view text, bool wildcard) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
    return !wildcard && isIPv6(text.substr(1, text.size() - 2));
  }
  if (text.find(':') != std::string_view::npos) return !wildcard && isIPv6(text);
  if (wildcard && !text.empty() && text.front() == '.') text.remove_prefix(1);
  if (text.empty() || text.size() > 253) return false;
  std::size_t labels = 0;
  std::size_t numeric = 0;
  bool ipv4 = true;  // every part a number from 0 to 255 of at most three digits
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = text.find('.', start);
    const std::string_view label =
        text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
      return false;
    }
    bool allDigits = true;
    for (const char c : label) {
      const bool letter = (lower(c) >= 'a' && lower(c) <= 'z');
      if (!letter && !isDigit(c) && c != '-' && c != '_' && !(wildcard && c == '*')) return false;
      allDigits = allDigits && isDigit(c);
    }
    ++labels;
    if (allDigits) {
      ++numeric;
      ipv4 = ipv4 && label.size() <= 3 && digits(label) <= 255;
    }
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  // Numbers only: an IPv4 address, four parts from 0 to 255.
  return numeric != labels || (labels == 4 && ipv4);
}

bool isForbiddenInAddress(unsigned char c) {
  return c <= 0x20 || c == 0x7f || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
         c == '`' || c == '{' || c == '|' || c == '}';
}

bool hasForbiddenInAddress(std::string_view text) {
  for (const char c : text) {
    if (isForbiddenInAddress(static_cast<unsigned char>(c))) return true;
  }
  return false;
}

// The schemes a player's links may use: the web's, files, and the streaming protocols.
bool isLinkScheme(std::string_view scheme) {
  for (const char* known : {"http", "https", "ftp", "file", "rtsp", "rtspu", "rtsps", "rtmp", "mms",
                            "mmsh", "mmst", "pnm"}) {
    if (sameName(scheme, known)) return true;
  }
  return false;
}

// mailto:name@host, optionally followed by ?subject=... and the like.
bool isMailAddress(std::string_view text) {
  const std::size_t query = text.find('?');
  const std::string_view address = text.substr(0, query);
  const std::size_t at = address.find('@');
  if (at == std::string_view::npos || at == 0 ||
      address.find('@', at + 1) != std::string_view::npos)
    return false;
  return !hasForbiddenInAddress(text) && isHost(address.substr(at + 1), false);
}

// An absolute address of a known scheme: a host (with an optional port; a file address may leave
// it out), then a path, query or fragment without spaces or the characters that cannot stand in an
// address; or a mail address. Script and data addresses are never links.
bool isUrl(std::string_view text) {
  if (text.size() > 7 && sameName(text.substr(0, 7), "mailto:")) {
    return isMailAddress(text.substr(7));
  }
  const std::size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  const std::string_view scheme = text.substr(0, colon);
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    const char c = scheme[i];
    const bool letter = lower(c) >= 'a' && lower(c) <= 'z';
    if (!letter && (i == 0 || (!isDigit(c) && c != '+' && c != '.' && c != '-'))) return false;
  }
  if (!isLinkScheme(scheme)) return false;
  const std::string_view afterScheme = text.substr(colon + 3);
  const std::size_t end = afterScheme.find_first_of("/?#");
  const std::string_view authority = afterScheme.substr(0, end);
  const std::string_view rest =
      end == std::string_view::npos ? std::string_view() : afterScheme.substr(end);
  for (const char c : rest) {
    if (isForbiddenInAddress(static_cast<unsigned char>(c))) return false;
  }
  if (authority.empty()) return sameName(scheme, "file");
  std::string_view host = authority;
  if (authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return false;
    host = authority.substr(0, close + 1);
    if (close + 1 < authority.size()) {
      if (authority[close + 1] != ':' || !isPort(authority.substr(close + 2))) return false;
    }
  } else {
    const std::size_t portColon = authority.rfind(':');
    if (portColon != std::string_view::npos) {
      host = authority.substr(0, portColon);
      if (!isPort(authority.substr(portColon + 1))) return false;
    }
  }
  return isHost(host, false);
}

bool isPortItem(std::string_view item) {
  const std::size_t dash = item.find('-');
  if (dash == std::string_view::npos) return isPort(item);
  const std::string_view second = item.substr(dash + 1);
  return second.find('-') == std::string_view::npos && isPort(trim(item.substr(0, dash))) &&
         isPort(trim(second));
}

// The first item of a list that `valid` refuses, or none. Items are separated by the list's
// separator or line breaks; blanks around them do not count.
template <typename Test>
bool findBadItem(std::string_view text, char separator, Test valid, std::string_view& bad) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != separator && text[end] != '\r' && text[end] != '\n') {
      ++end;
    }
    const std::string_view item = trim(text.substr(start, end - start));
    if (!item.empty() && !valid(item)) {
      bad = item;
      return true;
    }
    start = end + 1;
  }
  return false;
}

std::string checkValue(const CatalogueSetting& setting, std::string_view value, long long scale) {
  const std::string_view text = trim(value);
  if (text.empty() && setting.required) return message(setting, "required", 0, 0);
  const long long minimum = setting.minimum * scale;
  const long long maximum = setting.maximum * scale;
  std::string_view bad;
  switch (setting.rule) {
    case SettingRule::None:
      return {};
    case SettingRule::Integer:
      return isInteger(text, minimum, maximum) ? std::string()
                                               : message(setting, "integer", minimum, maximum);
    case SettingRule::Choice:
      for (const SettingChoice& choice : setting.choices) {
        if (choice.value == text) return {};
      }
      return message(setting, "choice", minimum, maximum);
    case SettingRule::Host:
      return text.empty() || isHost(text, false) ? std::string()
                                                 : message(setting, "host", minimum, maximum);
    case SettingRule::Url:
      return text.empty() || isUrl(text) ? std::string()
                                         : message(setting, "url", minimum, maximum);
    case SettingRule::HostList: {
      const char separator = setting.kind == SettingKind::WmCsv ? ';' : ',';
      if (!findBadItem(
              text, separator, [](std::string_view item) { return isHost(item, true); }, bad)) {
        return {};
      }
      return message(setting, "hostList", minimum, maximum, separator, bad);
    }
    case SettingRule::PortList:
      if (!findBadItem(text, ',', isPortItem, bad)) return {};
      return message(setting, "portList", minimum, maximum, ',', bad);
    case SettingRule::UrlList:
      if (!findBadItem(text, ',', isUrl, bad)) return {};
      return message(setting, "urlList", minimum, maximum, ',', bad);
  }
  return {};
}

bool isFlagKind(SettingKind kind) {
  return kind == SettingKind::FlagCsv || kind == SettingKind::FlagIntSelect ||
         kind == SettingKind::FlagIntRev || kind == SettingKind::FlagPortList;
}

}  // namespace

std::string checkSettingValue(const CatalogueSetting& setting, std::string_view value) {
  return checkValue(setting, value, 1);
}

std::string checkSettingKeyValue(const CatalogueSetting& setting, std::string_view key,
                                 std::string_view value) {
  std::size_t index = 0;
  while (index < setting.keys.size() && !sameName(setting.keys[index], key)) ++index;
  if (index == setting.keys.size()) return checkValue(setting, value, 1);
  const std::string_view text = trim(value);
  if (isFlagKind(setting.kind) && index == 0) {
    return text == "0" || text == "1" ? std::string() : message(setting, "flag", 0, 0);
  }
  if (setting.kind == SettingKind::Compound || setting.kind == SettingKind::TripleCompound) {
    // Part `index` of some choice, the choices being written "a:b" or "a:b:c".
    for (const SettingChoice& choice : setting.choices) {
      std::string_view parts = choice.value;
      for (std::size_t i = 0; i < index && !parts.empty(); ++i) {
        const std::size_t colon = parts.find(':');
        parts = colon == std::string_view::npos ? std::string_view() : parts.substr(colon + 1);
      }
      if (parts.substr(0, parts.find(':')) == text) return {};
    }
    return message(setting, "choice", 0, 0);
  }
  return checkValue(setting, value, setting.fileScale);
}

std::string checkSettingRelation(const CatalogueSetting& setting, std::string_view value,
                                 std::string_view otherValue) {
  const CatalogueSetting* other = findCatalogueSetting(setting.atMost);
  if (setting.atMost.empty() || other == nullptr) return {};
  const long long number = digits(trim(value));
  const long long limit = digits(trim(otherValue));
  if (number < 0 || limit < 0 || number <= limit) return {};
  return message(setting, "atMost", 0, 0, ',', {}, other->label);
}
