#include <errno.h>
#include <iconv.h>

#include <array>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/ansi_text.h"

namespace platform {

namespace {

constexpr unsigned kUtf8 = 65001;

std::string iconvName(unsigned codePage) {
  return codePage == kUtf8 ? std::string("UTF-8") : "CP" + std::to_string(codePage);
}

struct Converter {
  iconv_t handle = reinterpret_cast<iconv_t>(-1);
  explicit Converter(const char* to, const char* from) : handle(::iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) ::iconv_close(handle);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return handle != reinterpret_cast<iconv_t>(-1); }
  void reset() { ::iconv(handle, nullptr, nullptr, nullptr, nullptr); }
};

// What the converters of one code page know about single bytes, worked out once.
struct CodePageInfo {
  bool known = false;
  bool multiByte = false;                // some byte opens a longer sequence
  std::array<bool, 256> undefined = {};  // bytes that decode to nothing on their own
};

const CodePageInfo& infoFor(unsigned codePage) {
  static std::mutex lock;
  static std::map<unsigned, std::unique_ptr<CodePageInfo>> cache;
  const std::lock_guard<std::mutex> guard(lock);
  std::unique_ptr<CodePageInfo>& slot = cache[codePage];
  if (slot) return *slot;
  slot = std::make_unique<CodePageInfo>();
  Converter decoder("UTF-16LE", iconvName(codePage).c_str());
  if (!decoder.ok()) return *slot;
  slot->known = true;
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char out[8];
    char* inP = &in;
    char* outP = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    decoder.reset();
    if (::iconv(decoder.handle, &inP, &inLeft, &outP, &outLeft) == static_cast<std::size_t>(-1)) {
      if (errno == EINVAL) slot->multiByte = true;
      slot->undefined[static_cast<std::size_t>(b)] = errno != EINVAL;
    }
  }
  return *slot;
}

// Opening a converter costs far more than converting a value, so each thread keeps one per code
// page and direction.
Converter* cachedConverter(unsigned codePage, bool decoding) {
  thread_local std::map<std::pair<unsigned, bool>, std::unique_ptr<Converter>> cache;
  std::unique_ptr<Converter>& slot = cache[{codePage, decoding}];
  if (!slot) {
    const std::string name = iconvName(codePage);
    slot = decoding ? std::make_unique<Converter>("UTF-16LE", name.c_str())
                    : std::make_unique<Converter>(name.c_str(), "UTF-16LE");
  }
  if (!slot->ok()) return nullptr;
  slot->reset();
  return slot.get();
}

bool isAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

void appendUnits(std::u16string& wide, const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i + 1 < count; i += 2) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
}

}  // namespace

int isCodePageKnown(unsigned codePage) { return infoFor(codePage).known ? 1 : 0; }

int codePageToUtf16(unsigned codePage, std::string_view bytes, std::u16string& wide) {
  wide.clear();
  const CodePageInfo& info = infoFor(codePage);
  if (!info.known) return 0;
  // Every Windows ANSI code page and UTF-8 read ASCII as ASCII.
  if (isAscii(bytes)) {
    wide.assign(bytes.begin(), bytes.end());
    return 1;
  }
  Converter* converter = cachedConverter(codePage, true);
  if (converter == nullptr) return 0;
  Converter& decoder = *converter;
  wide.reserve(bytes.size());
  char buffer[512];
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t done = ::iconv(decoder.handle, &in, &inLeft, &out, &outLeft);
    appendUnits(wide, buffer, static_cast<std::size_t>(out - buffer));
    if (done != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // A byte the code page cannot read: it stands for itself where bytes are characters, and
    // for the replacement character where it opens or breaks a longer sequence.
    const auto byte = static_cast<unsigned char>(*in);
    const bool standsForItself = !info.multiByte && byte >= 0x80;
    wide.push_back(standsForItself ? static_cast<char16_t>(byte) : u'\uFFFD');
    ++in;
    --inLeft;
    decoder.reset();
  }
  return 1;
}

int utf16ToCodePage(unsigned codePage, std::u16string_view wide, std::string& bytes,
                    char substitute, std::size_t* failedAt) {
  bytes.clear();
  const CodePageInfo& info = infoFor(codePage);
  Converter* converter = info.known ? cachedConverter(codePage, false) : nullptr;
  if (converter == nullptr) {
    if (failedAt != nullptr) *failedAt = 0;
    return 0;
  }
  bool ascii = true;
  for (const char16_t c : wide) ascii = ascii && c < 0x80;
  if (ascii) {
    bytes.assign(wide.begin(), wide.end());
    return 1;
  }
  Converter& encoder = *converter;
  std::string units;
  units.reserve(wide.size() * 2);
  for (const char16_t c : wide) {
    units.push_back(static_cast<char>(c & 0xFF));
    units.push_back(static_cast<char>(c >> 8));
  }
  char buffer[512];
  char* in = units.data();
  std::size_t inLeft = units.size();
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t done = ::iconv(encoder.handle, &in, &inLeft, &out, &outLeft);
    bytes.append(buffer, static_cast<std::size_t>(out - buffer));
    if (done != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    const std::size_t at = (units.size() - inLeft) / 2;
    const char16_t c = wide[at];
    // The gaps of a single-byte code page come back as the bytes they were read from.
    std::size_t width = 1;
    if (c >= 0x80 && c <= 0xFF && !info.multiByte && info.undefined[c]) {
      bytes.push_back(static_cast<char>(c));
    } else if (substitute != 0) {
      bytes.push_back(substitute);
      if (c >= 0xD800 && c <= 0xDBFF && at + 1 < wide.size() && wide[at + 1] >= 0xDC00 &&
          wide[at + 1] <= 0xDFFF) {
        width = 2;
      }
    } else {
      if (failedAt != nullptr) *failedAt = at;
      bytes.clear();
      return 0;
    }
    in += 2 * width;
    inLeft -= 2 * width;
    encoder.reset();
  }
  return 1;
}

unsigned configurationCodePage(unsigned declared) {
  // The administrator's choice wins over what the installer declares; a value that names no
  // code page this system can convert is not a choice.
  if (const char* chosen = std::getenv("KESTRIX_CODEPAGE")) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(chosen, &end, 10);
    if (end != chosen && *end == '\0' && value > 0 && value < 65536 &&
        isCodePageKnown(static_cast<unsigned>(value))) {
      return static_cast<unsigned>(value);
    }
  }
  return declared;
}

unsigned editorTextCodePage() { return kUtf8; }

}  // namespace platform
