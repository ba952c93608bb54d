#include "base/double_byte.h"

#include <atomic>
#include <cstring>

#include "platform/double_byte_system.h"

namespace {

// -1 until first asked. The dialog may ask while the worker unpacks the editor: both store the
// same answer.
std::atomic<int> g_dbcsFlag{-1};
dbcs_testing::LeadByteRule g_leadByteRule = nullptr;

// CharNextA / CharPrevA semantics under the test rule.
const char* ruleCharNext(const char* p) {
  if (*p == '\0') return p;
  if (g_leadByteRule(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
  return p + 1;
}

const char* ruleCharPrev(const char* start, const char* current) {
  if (current <= start) return start;
  const char* p = start;
  for (;;) {
    const char* next = ruleCharNext(p);
    if (next >= current || next == p) return p;
    p = next;
  }
}

const char* systemNext(const char* p) {
  return g_leadByteRule != nullptr ? ruleCharNext(p) : platform::systemCharNext(p);
}

const char* systemPrev(const char* start, const char* current) {
  return g_leadByteRule != nullptr ? ruleCharPrev(start, current)
                                   : platform::systemCharPrev(start, current);
}

}  // namespace

int isDbcsEnabled() {
  int flag = g_dbcsFlag.load(std::memory_order_relaxed);
  if (flag < 0) {
    flag = platform::systemDbcsEnabled();
    g_dbcsFlag.store(flag, std::memory_order_relaxed);
  }
  return flag;
}

const char* nextChar(const char* p) {
  if (p == nullptr) return nullptr;
  if (!isDbcsEnabled()) return p + 1;
  const char* next = systemNext(p);
  return next == p ? p + 1 : next;
}

const char* prevChar(const char* start, const char* current) {
  if (current == nullptr) return nullptr;
  if (!isDbcsEnabled()) return current - 1;
  const char* prev = systemPrev(start, current);
  return prev == current ? current - 1 : prev;
}

const char* findLastCharIn(const char* text, char ch) {
  if (!isDbcsEnabled()) return ch == '\0' ? nullptr : std::strrchr(text, ch);
  const char* found = nullptr;
  for (const char* p = text; *p != '\0';) {
    const char* next = nextChar(p);
    if (next == p + 1 && *p == ch) found = p;
    p = next;
  }
  return found;
}

const char* findTextIn(const char* text, const char* sought) {
  if (!isDbcsEnabled()) return std::strstr(text, sought);
  const std::size_t n = std::strlen(sought);
  for (const char* p = text; *p != '\0'; p = nextChar(p)) {
    if (std::strncmp(p, sought, n) != 0) continue;
    const char* end = p;
    while (end < p + n) end = nextChar(end);
    if (end == p + n) return p;
  }
  return nullptr;
}

namespace dbcs_testing {

void useLeadByteRule(LeadByteRule isLeadByte) {
  g_leadByteRule = isLeadByte;
  g_dbcsFlag = isLeadByte != nullptr ? 1 : platform::systemDbcsEnabled();
}

bool isCodePage932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace dbcs_testing
