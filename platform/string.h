// TString: the framework's 8-bit string (UTF-8 wherever text is shown), and
// the small UTF-8 and splitting helpers that go with it.
//
// A TString owns its characters (no shared copy-on-write block), so copies
// taken on the log or the sound thread are always safe. A default string reads
// as "". Formatting goes through a 4096-byte stack buffer with a heap fallback
// for longer results.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class TString {
public:
  // FindChar flag: search from the end towards the start.
  static constexpr int kFindBackwards = 4;

  TString() = default;
  TString(const char* text) : s_(text ? text : "") {}  // NOLINT: implicit by design
  TString(const char* text, size_t length) : s_(text ? std::string(text, length) : std::string()) {}
  TString(const std::string& text) : s_(text) {}  // NOLINT
  TString(std::string&& text) : s_(std::move(text)) {}  // NOLINT

  const char* c_str() const { return s_.c_str(); }
  const std::string& str() const { return s_; }
  int Length() const { return static_cast<int>(s_.size()); }
  bool IsEmpty() const { return s_.empty(); }
  char operator[](int i) const { return (i >= 0 && i < Length()) ? s_[i] : '\0'; }

  bool operator==(const TString& o) const { return s_ == o.s_; }
  bool operator!=(const TString& o) const { return s_ != o.s_; }
  bool operator==(const char* o) const { return s_ == (o ? o : ""); }
  bool operator!=(const char* o) const { return !(*this == o); }
  // Byte order; registries are ordered by it.
  bool operator<(const TString& o) const { return s_ < o.s_; }

  TString operator+(const TString& o) const { return TString(s_ + o.s_); }
  TString operator+(const char* o) const { return TString(s_ + (o ? o : "")); }
  TString& operator+=(const TString& o) { s_ += o.s_; return *this; }
  TString& operator+=(const char* o) { if (o) s_ += o; return *this; }
  TString& operator+=(char c) { s_ += c; return *this; }

  // printf-style formatting that replaces the string's text.
  TString& AssignFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
  TString& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  TString& AssignFormatV(const char* format, va_list args);
  // A new formatted string.
  static TString Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

  // Index of the first occurrence of `sub` at or after `start`, or -1.
  int Find(const TString& sub, int start = 0) const;
  // Index of the character, searching backwards with kFindBackwards; -1 when absent.
  int FindChar(char c, int flags = 0) const;
  // `count` characters from `start`; -1 (or too many) runs to the end.
  TString Substring(int start, int count = -1) const;
  // Leading blanks and a sign are accepted, parsing stops at the first
  // non-digit (like strtol); 0 when empty or not a number.
  int ToInt() const;
  double ToDouble() const;
  TString ToLower() const;
  TString ToUpper() const;
  bool StartsWith(const TString& prefix) const;
  bool EndsWith(const TString& suffix) const;

  // The UTF-8 text of one code point (empty for values above 0x10FFFF or surrogates).
  static TString FromCodePoint(uint32_t codePoint);

  // Compares through the collation function when one is installed, else by bytes.
  static int Collate(const TString& a, const TString& b);

private:
  std::string s_;
};

inline TString operator+(const char* a, const TString& b) { return TString(a) + b; }
inline std::ostream& operator<<(std::ostream& os, const TString& s) { return os << s.str(); }

// An optional locale-aware comparison (strcmp-like); null restores byte order.
using TCollateFunction = int (*)(const char* a, const char* b);
void SetCollateFunction(TCollateFunction fn);

// Length in bytes of the UTF-8 sequence starting at `p`: 0 for a zero byte (or
// a null pointer), 4 from 0xF0, 3 from 0xE0, 2 from 0xC0, else 1. A sequence
// cut short by the terminator is shortened so the caller never steps past it.
int Utf8CharLength(const char* p);

// The code point of the first character of a zero-terminated UTF-8 string;
// 0 for an empty string or a malformed sequence (bad continuation bytes,
// overlong forms, surrogates, values above 0x10FFFF).
uint32_t DecodeUtf8(const char* p);

// Number of characters (code points) in a UTF-8 string, stepping with Utf8CharLength.
int Utf8CharCount(const char* p);

// True for a letter of any script (Latin, Greek, Cyrillic, Han, Arabic ...),
// as the C library's UTF-8 character classes know them: punctuation,
// symbols, spaces and combining marks on their own are no letters. Where the
// C library has no UTF-8 classes, only A-Z and a-z (logged once).
bool IsLetterOfAnyScript(uint32_t codePoint);
// The lower-case letter of a letter of any script ("É" gives "é", "Ж" "ж"),
// as the same classes know it; any other code point as it is.
uint32_t LowerCaseOfAnyScript(uint32_t codePoint);

// Splits the text at every separator, trims blanks (space, tab, CR, LF) around
// each piece and drops empty pieces. An empty text gives an empty list.
void SplitString(const std::string& text, char separator, std::vector<std::string>& out);

// Trims blanks (space, tab, CR, LF) at both ends.
std::string TrimString(const std::string& text);

// The text with every byte other than A-Z a-z 0-9 - . _ ~ and those of `keep`
// as %XX (upper-case hex digits).
std::string PercentEncode(const std::string& text, const char* keep = "");
