#include "platform/string.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <wctype.h>

#include "platform/log.h"

namespace {
std::atomic<TCollateFunction> gCollate{nullptr};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

TString& TString::AssignFormatV(const char* format, va_list args) {
  if (!format) {
    s_.clear();
    return *this;
  }
  char buffer[4096];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (n < 0) {
    s_.clear();
  } else if (static_cast<size_t>(n) < sizeof buffer) {
    s_.assign(buffer, static_cast<size_t>(n));
  } else {
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(&big[0], big.size(), format, args);
    big.resize(static_cast<size_t>(n));
    s_ = std::move(big);
  }
  return *this;
}

TString& TString::AssignFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AssignFormatV(format, args);
  va_end(args);
  return *this;
}

TString& TString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AssignFormatV(format, args);
  va_end(args);
  return *this;
}

TString TString::Printf(const char* format, ...) {
  TString out;
  va_list args;
  va_start(args, format);
  out.AssignFormatV(format, args);
  va_end(args);
  return out;
}

int TString::Find(const TString& sub, int start) const {
  if (start < 0) start = 0;
  if (start > Length()) return -1;
  size_t at = s_.find(sub.s_, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int TString::FindChar(char c, int flags) const {
  size_t at = (flags & kFindBackwards) ? s_.rfind(c) : s_.find(c);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

TString TString::Substring(int start, int count) const {
  if (start < 0) start = 0;
  if (start >= Length()) return TString();
  if (count < 0 || start + count > Length()) count = Length() - start;
  return TString(s_.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}

int TString::ToInt() const {
  if (s_.empty()) return 0;
  long v = std::strtol(s_.c_str(), nullptr, 10);
  if (v > 0x7FFFFFFFL) return 0x7FFFFFFF;
  if (v < -0x7FFFFFFFL - 1) return -0x7FFFFFFF - 1;
  return static_cast<int>(v);
}

double TString::ToDouble() const { return s_.empty() ? 0.0 : std::strtod(s_.c_str(), nullptr); }

TString TString::ToLower() const {
  std::string out = s_;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return TString(std::move(out));
}

TString TString::ToUpper() const {
  std::string out = s_;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return TString(std::move(out));
}

bool TString::StartsWith(const TString& prefix) const {
  return s_.size() >= prefix.s_.size() && s_.compare(0, prefix.s_.size(), prefix.s_) == 0;
}

bool TString::EndsWith(const TString& suffix) const {
  return s_.size() >= suffix.s_.size() &&
         s_.compare(s_.size() - suffix.s_.size(), suffix.s_.size(), suffix.s_) == 0;
}

TString TString::FromCodePoint(uint32_t cp) {
  char out[5] = {0};
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
  } else if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    if (cp >= 0xD800 && cp <= 0xDFFF) return TString();
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp <= 0x10FFFF) {
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    return TString();
  }
  if (cp == 0) return TString();
  return TString(out);
}

int TString::Collate(const TString& a, const TString& b) {
  TCollateFunction fn = gCollate.load();
  if (fn) return fn(a.c_str(), b.c_str());
  return std::strcmp(a.c_str(), b.c_str());
}

void SetCollateFunction(TCollateFunction fn) { gCollate.store(fn); }

int Utf8CharLength(const char* p) {
  if (!p || *p == 0) return 0;
  unsigned char c = static_cast<unsigned char>(*p);
  int n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  // A truncated sequence stops at the terminator.
  for (int i = 1; i < n; ++i) {
    if (p[i] == 0) return i;
  }
  return n;
}

uint32_t DecodeUtf8(const char* p) {
  if (!p || *p == 0) return 0;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
  unsigned char c = s[0];
  if (c < 0x80) return c;
  int n;
  uint32_t cp;
  uint32_t minimum;
  if (c >= 0xF8) return 0;
  if (c >= 0xF0) { n = 4; cp = c & 0x07; minimum = 0x10000; }
  else if (c >= 0xE0) { n = 3; cp = c & 0x0F; minimum = 0x800; }
  else if (c >= 0xC0) { n = 2; cp = c & 0x1F; minimum = 0x80; }
  else return 0;  // a stray continuation byte
  for (int i = 1; i < n; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;  // also catches the terminator
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return cp;
}

namespace {
// The classes of the built-in UTF-8 locale, made once and never freed; the
// process's own locale stays as it is. Null where the C library has none.
locale_t Utf8Classes() {
  static const locale_t classes = [] {
    locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!made) TraceOut("No UTF-8 character classes (C.UTF-8): only A-Z and a-z count as letters");
    return made;
  }();
  return classes;
}
}  // namespace

bool IsLetterOfAnyScript(uint32_t codePoint) {
  if (codePoint < 0x80) return (codePoint >= 'a' && codePoint <= 'z') || (codePoint >= 'A' && codePoint <= 'Z');
  const locale_t classes = Utf8Classes();
  return classes && codePoint <= 0x10FFFF && iswalpha_l(static_cast<wint_t>(codePoint), classes);
}

uint32_t LowerCaseOfAnyScript(uint32_t codePoint) {
  if (codePoint < 0x80) return codePoint >= 'A' && codePoint <= 'Z' ? codePoint - 'A' + 'a' : codePoint;
  const locale_t classes = Utf8Classes();
  if (!classes || codePoint > 0x10FFFF) return codePoint;
  return static_cast<uint32_t>(towlower_l(static_cast<wint_t>(codePoint), classes));
}

int Utf8CharCount(const char* p) {
  int count = 0;
  while (p && *p) {
    p += Utf8CharLength(p);
    ++count;
  }
  return count;
}

std::string TrimString(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

void SplitString(const std::string& text, char separator, std::vector<std::string>& out) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    std::string piece = TrimString(text.substr(start, end - start));
    if (!piece.empty()) out.push_back(std::move(piece));
    start = end + 1;
  }
}

std::string PercentEncode(const std::string& text, const char* keep) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || (c && keep && std::strchr(keep, c))) {
      out += char(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}
