#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// JSON as the command line prints it: members and elements separated by commas, texts escaped.
// Texts are UTF-8 and stay as they are, but for the characters JSON needs escaped.
class JsonText {
 public:
  JsonText& open(char bracket) {
    separate();
    text_ += bracket;
    first_ = true;
    return *this;
  }
  JsonText& close(char bracket) {
    text_ += bracket;
    first_ = false;
    return *this;
  }
  JsonText& member(std::string_view name) {
    string(name);
    text_ += ':';
    afterName_ = true;
    return *this;
  }
  JsonText& string(std::string_view value) {
    separate();
    text_ += '"';
    for (const char c : value) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        text_ += '\\';
        text_ += c;
      } else if (byte < 0x20) {
        static const char kHex[] = "0123456789abcdef";
        text_ += "\\u00";
        text_ += kHex[byte >> 4];
        text_ += kHex[byte & 15];
      } else {
        text_ += c;
      }
    }
    text_ += '"';
    return *this;
  }
  JsonText& number(std::uint64_t value) {
    separate();
    text_ += std::to_string(value);
    return *this;
  }
  JsonText& boolean(bool value) {
    separate();
    text_ += value ? "true" : "false";
    return *this;
  }
  JsonText& null() {
    separate();
    text_ += "null";
    return *this;
  }
  const std::string& text() const { return text_; }

 private:
  void separate() {
    if (afterName_) {
      afterName_ = false;
      return;
    }
    if (!first_) text_ += ',';
    first_ = false;
  }

  std::string text_;
  bool first_ = true;
  bool afterName_ = false;
};
