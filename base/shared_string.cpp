#include "base/shared_string.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/double_byte.h"

namespace {

// The static empty block: header then one NUL. Never written, so the same bytes stay for the
// whole process; it is writable data only because the string points at it through `char*`.
struct EmptyBlock {
  std::int32_t refCount;
  std::int32_t length;
  std::int32_t capacity;
  char nul[4];
};
EmptyBlock g_emptyBlock = {SharedString::kEmptyMarker, 0, 0, {0, 0, 0, 0}};

char* emptyChars() { return g_emptyBlock.nul; }

int textLength(const char* text) {
  return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

int grownCapacity(int n) {
  if (n <= 16) return 32;
  if (n < 2048) return 2 * n;
  return n + 16;
}

std::int32_t atomicIncrement(std::int32_t& value) {
  return std::atomic_ref<std::int32_t>(value).fetch_add(1, std::memory_order_relaxed) + 1;
}

std::int32_t atomicDecrement(std::int32_t& value) {
  return std::atomic_ref<std::int32_t>(value).fetch_sub(1, std::memory_order_acq_rel) - 1;
}

}  // namespace

SharedString::SharedString() noexcept : chars_(emptyChars()) {}

SharedString::SharedString(const char* text) : chars_(emptyChars()) {
  const int n = textLength(text);
  if (n == 0) return;
  allocateGrown(n);
  std::memcpy(chars_, text, static_cast<std::size_t>(n));
}

SharedString::SharedString(const SharedString& other) : chars_(emptyChars()) {
  if (other.header()->refCount >= 0) {
    chars_ = other.chars_;
    atomicIncrement(header()->refCount);
  } else {
    assign(other.text());
  }
}

SharedString::SharedString(SharedString&& other) noexcept : chars_(other.chars_) {
  other.chars_ = emptyChars();
}

SharedString::~SharedString() { dropReference(); }

SharedString& SharedString::operator=(SharedString&& other) noexcept {
  // An empty text on the static block empties this string the way every assignment does: a
  // private block is kept for reuse.
  if (other.usesSharedEmpty()) {
    assignBytes(0, other.chars_);
    return *this;
  }
  if (this != &other) {
    dropReference();
    chars_ = other.chars_;
    other.chars_ = emptyChars();
  }
  return *this;
}

std::int32_t SharedString::refCount() const noexcept {
  return std::atomic_ref<std::int32_t>(header()->refCount).load(std::memory_order_relaxed);
}

bool SharedString::usesSharedEmpty() const noexcept { return chars_ == emptyChars(); }

void SharedString::allocateExact(int n) {
  if (n == 0) {
    chars_ = emptyChars();
    return;
  }
  void* block = std::malloc(sizeof(Header) + static_cast<std::size_t>(n) + 1);
  if (block == nullptr) throw std::bad_alloc();
  auto* h = static_cast<Header*>(block);
  h->refCount = 1;
  h->length = n;
  h->capacity = n;
  chars_ = reinterpret_cast<char*>(h + 1);
  chars_[n] = '\0';
}

void SharedString::allocateGrown(int n) {
  allocateExact(grownCapacity(n));
  setLength(n);
}

void SharedString::setLength(int n) noexcept {
  // The static empty block is never written; a length of 0 is what it already holds.
  if (usesSharedEmpty()) return;
  header()->length = n;
  chars_[n] = '\0';
}

void SharedString::dropReference() noexcept {
  Header* h = header();
  if (h->refCount == kEmptyMarker || usesSharedEmpty()) return;
  if (atomicDecrement(h->refCount) <= 0) std::free(static_cast<void*>(h));
}

SharedString& SharedString::clear() {
  if (!usesSharedEmpty()) {
    dropReference();
    chars_ = emptyChars();
  }
  return *this;
}

void SharedString::assignBytes(int n, const char* source) {
  Header* h = header();
  if (h->refCount > 1 || n > h->capacity) {
    clear();
    allocateExact(n);
  }
  if (n > 0) std::memmove(chars_, source, static_cast<std::size_t>(n));
  setLength(n);
}

SharedString& SharedString::assign(const char* text) {
  assignBytes(textLength(text), text);
  return *this;
}

SharedString& SharedString::assign(const SharedString& other) {
  if (chars_ == other.chars_) return *this;
  if (other.header()->refCount < 0) {
    assignBytes(other.length(), other.chars_);
    return *this;
  }
  clear();
  chars_ = other.chars_;
  atomicIncrement(header()->refCount);
  return *this;
}

void SharedString::concatBytes(int lengthA, const char* a, int lengthB, const char* b) {
  const int total = lengthA + lengthB;
  if (total == 0) return;
  allocateGrown(total);
  if (lengthA > 0) std::memcpy(chars_, a, static_cast<std::size_t>(lengthA));
  if (lengthB > 0) std::memcpy(chars_ + lengthA, b, static_cast<std::size_t>(lengthB));
}

void SharedString::appendBytes(int n, const char* source) {
  if (n == 0) return;
  Header* h = header();
  if (h->refCount <= 1 && h->length + n <= h->capacity) {
    std::memmove(chars_ + h->length, source, static_cast<std::size_t>(n));
    setLength(h->length + n);
    return;
  }
  // The old block stays alive until the new text is built: the source may lie inside it.
  SharedString old;
  old.chars_ = chars_;
  chars_ = emptyChars();
  concatBytes(old.length(), old.chars_, n, source);
  // The analyser cannot follow the shared count: a block still counted elsewhere is not a leak.
}  // NOLINT(clang-analyzer-unix.Malloc)

SharedString& SharedString::append(const char* text) {
  appendBytes(textLength(text), text);
  return *this;
}

SharedString& SharedString::append(const SharedString& other) {
  // Appending a string to itself reads its own block, which appendBytes keeps alive.
  appendBytes(other.length(), other.chars_);
  return *this;
}

SharedString& SharedString::append(char ch) {
  appendBytes(1, &ch);
  return *this;
}

SharedString concat(const SharedString& a, const SharedString& b) {
  SharedString result;
  result.concatBytes(a.length(), a.chars_, b.length(), b.chars_);
  return result;
}

SharedString concat(const SharedString& a, const char* b) {
  SharedString result;
  result.concatBytes(a.length(), a.chars_, textLength(b), b);
  return result;
}

SharedString concat(const SharedString& a, char b) {
  SharedString result;
  result.concatBytes(a.length(), a.chars_, 1, &b);
  return result;
}

void SharedString::makeUnique() {
  if (header()->refCount <= 1) return;
  // Another string holds the block too; ours is let go once the private copy exists.
  SharedString shared;
  shared.chars_ = chars_;
  chars_ = emptyChars();
  allocateExact(shared.length());
  std::memcpy(chars_, shared.chars_, static_cast<std::size_t>(shared.length()) + 1);
}

char* SharedString::openBuffer(int minLength) {
  Header* h = header();
  if (h->refCount > 1 || minLength > h->capacity) {
    const char* old = chars_;
    const int n = h->length;
    chars_ = emptyChars();
    allocateExact(minLength > n ? minLength : n);
    std::memcpy(chars_, old, static_cast<std::size_t>(n) + 1);
    header()->length = n;
    SharedString holder;
    holder.chars_ = const_cast<char*>(old);  // drops the old block on leaving this scope
  }
  return chars_;
}

SharedString& SharedString::closeBuffer(int newLength) {
  makeUnique();
  if (usesSharedEmpty()) return *this;
  if (newLength == -1) newLength = static_cast<int>(std::strlen(chars_));
  setLength(newLength);
  return *this;
}

SharedString SharedString::copySlice(int count, int start) const {
  SharedString result;
  if (count == 0) return result;
  result.allocateGrown(count);
  std::memcpy(result.chars_, chars_ + start, static_cast<std::size_t>(count));
  return result;
}

SharedString SharedString::leftPart(int count) const {
  if (count > length()) count = length();
  return copySlice(count, 0);
}

SharedString SharedString::subString(int start) const { return subString(start, length() - start); }

SharedString SharedString::subString(int start, int count) const {
  if (start + count > length()) count = length() - start;
  if (start > length()) count = 0;
  return copySlice(count, start);
}

int SharedString::find(const char* sought) const {
  if (sought == nullptr) return -1;
  const char* p = findTextIn(chars_, sought);
  return p == nullptr ? -1 : static_cast<int>(p - chars_);
}

int SharedString::findLastChar(char ch) const {
  const char* p = findLastCharIn(chars_, ch);
  return p == nullptr ? -1 : static_cast<int>(p - chars_);
}

int SharedString::replaceText(const char* oldText, const char* newText, int all) {
  // An empty oldText matches everywhere without ever moving the search on.
  if (oldText == nullptr || newText == nullptr || *oldText == '\0') return 0;
  int result = 0;
  SharedString out;
  SharedString rest(*this);
  const int oldLength = textLength(oldText);
  int pos = rest.find(oldText);
  if (pos != -1) {
    result = 1;
    do {
      out.append(rest.leftPart(pos));
      out.append(newText);  // NOLINT(clang-analyzer-unix.Malloc): counted blocks, see above
      rest = rest.subString(pos + oldLength);
      if (all == 0) break;
      pos = rest.find(oldText);
    } while (pos != -1);
  }
  out.append(rest);
  assignBytes(out.length(), out.text());
  return result;
}

void formatString(SharedString& target, const char* format, ...) {
  constexpr int kFirstTry = 512;
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  // The arguments may point into the target's own text: that block stays alive and unwritten
  // until the new text is complete.
  const SharedString previous(target);
  char* p = target.openBuffer(kFirstTry);
  const int needed = std::vsnprintf(p, kFirstTry + 1, format, args);
  if (needed > kFirstTry) {
    p = target.openBuffer(needed);
    std::vsnprintf(p, static_cast<std::size_t>(needed) + 1, format, again);
  } else if (needed < 0) {
    p[0] = '\0';
  }
  va_end(again);
  va_end(args);
  target.closeBuffer(-1);
}
