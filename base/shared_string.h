#pragma once

#include <cstdint>

// The system's one text type: bytes in the ANSI code page, reference counted and copied on write.
// The object is a single pointer to NUL-terminated characters; a header with the reference count,
// length and capacity sits right in front of them. Every empty string without a block of its own
// points at one static empty block that is never counted, freed or written.
class SharedString {
 public:
  // Marks the static empty block; the only negative count in the system.
  static constexpr std::int32_t kEmptyMarker = static_cast<std::int32_t>(0x88CA6C00u);

  SharedString() noexcept;
  SharedString(const char* text);  // NOLINT(google-explicit-constructor): texts convert freely
  SharedString(const SharedString& other);
  SharedString(SharedString&& other) noexcept;
  ~SharedString();

  SharedString& operator=(const SharedString& other) { return assign(other); }
  SharedString& operator=(SharedString&& other) noexcept;
  SharedString& operator=(const char* text) { return assign(text); }

  const char* text() const noexcept { return chars_; }
  int length() const noexcept { return header()->length; }
  bool empty() const noexcept { return header()->length == 0; }

  SharedString& assign(const char* text);
  SharedString& assign(const SharedString& other);
  SharedString& clear();
  SharedString& append(const char* text);
  SharedString& append(const SharedString& other);
  SharedString& append(char ch);

  // Direct writing: a private block of at least minLength characters that keeps the current
  // text; closeBuffer fixes the length (-1 measures up to the first NUL).
  char* openBuffer(int minLength);
  SharedString& closeBuffer(int newLength = -1);

  // Replaces the first (all == 0) or every occurrence of oldText; 1 when anything was replaced.
  int replaceText(const char* oldText, const char* newText, int all);

  SharedString leftPart(int count) const;
  SharedString subString(int start) const;
  SharedString subString(int start, int count) const;

  int find(const char* sought) const;
  int findLastChar(char ch) const;

  // Introspection of the block, for tests and diagnostics.
  int capacity() const noexcept { return header()->capacity; }
  std::int32_t refCount() const noexcept;
  bool usesSharedEmpty() const noexcept;
  bool sharesBlockWith(const SharedString& other) const noexcept { return chars_ == other.chars_; }

  friend SharedString concat(const SharedString& a, const SharedString& b);
  friend SharedString concat(const SharedString& a, const char* b);
  friend SharedString concat(const SharedString& a, char b);

 private:
  struct Header {
    std::int32_t refCount;
    std::int32_t length;
    std::int32_t capacity;
  };

  Header* header() const noexcept { return reinterpret_cast<Header*>(chars_) - 1; }

  void allocateExact(int n);
  void allocateGrown(int n);
  void dropReference() noexcept;
  void assignBytes(int n, const char* source);
  void appendBytes(int n, const char* source);
  void concatBytes(int lengthA, const char* a, int lengthB, const char* b);
  void makeUnique();
  SharedString copySlice(int count, int start) const;
  void setLength(int n) noexcept;

  char* chars_;
};

SharedString concat(const SharedString& a, const SharedString& b);
SharedString concat(const SharedString& a, const char* b);
SharedString concat(const SharedString& a, char b);
inline SharedString operator+(const SharedString& a, const SharedString& b) { return concat(a, b); }
inline SharedString operator+(const SharedString& a, const char* b) { return concat(a, b); }
inline SharedString operator+(const SharedString& a, char b) { return concat(a, b); }

// printf-style formatting into target, replacing its contents. Texts longer than 512 characters
// are never cut: the target grows to hold them.
// MinGW's printf attribute means the Microsoft runtime's; gnu_printf, which clang does not know,
// matches the C99 formatting we use.
#if defined(__clang__)
#define KX_FORMAT_CHECK(index, first) __attribute__((format(printf, index, first)))
#else
#define KX_FORMAT_CHECK(index, first) __attribute__((format(gnu_printf, index, first)))
#endif
void formatString(SharedString& target, const char* format, ...) KX_FORMAT_CHECK(2, 3);
