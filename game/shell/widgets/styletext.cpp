#include "game/shell/widgets/styletext.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
constexpr double kLimit = 1000000.0;

// The pieces between commas, each trimmed of blanks.
template <class Fn>
bool ForEachPiece(const std::string& text, int count, Fn fn) {
  size_t start = 0;
  int n = 0;
  while (true) {
    size_t end = text.find(',', start);
    std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t a = piece.find_first_not_of(" \t"), b = piece.find_last_not_of(" \t");
    if (a == std::string::npos || n >= count) return false;
    if (!fn(n++, piece.substr(a, b - a + 1))) return false;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return n == count;
}
}  // namespace

bool ParseIntList(const std::string& text, int* out, int count) {
  int values[16];
  if (count <= 0 || count > 16) return false;
  bool ok = ForEachPiece(text, count, [&](int i, const std::string& piece) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(piece.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || end == piece.c_str() || v > kLimit || v < -kLimit) return false;
    values[i] = int(v);
    return true;
  });
  if (!ok) return false;
  for (int i = 0; i < count; ++i) out[i] = values[i];
  return true;
}

bool ParseFloatList(const std::string& text, float* out, int count) {
  float values[16];
  if (count <= 0 || count > 16) return false;
  bool ok = ForEachPiece(text, count, [&](int i, const std::string& piece) {
    char* end = nullptr;
    double v = std::strtod(piece.c_str(), &end);
    if (*end != '\0' || end == piece.c_str() || !std::isfinite(v) || std::fabs(v) > kLimit) return false;
    values[i] = float(v);
    return true;
  });
  if (!ok) return false;
  for (int i = 0; i < count; ++i) out[i] = values[i];
  return true;
}

bool ParseRectText(const std::string& text, TRect* out) {
  int v[4];
  if (!ParseIntList(text, v, 4) || v[2] < 0 || v[3] < 0) return false;
  *out = TRect(v[0], v[1], v[0] + v[2], v[1] + v[3]);
  return true;
}

bool ParseColorText(const std::string& text, TFloatColor* out) {
  int v[4];
  if (!ParseIntList(text, v, 4)) return false;
  float c[4];
  for (int i = 0; i < 4; ++i) c[i] = float(v[i] < 0 ? 0 : v[i] > 255 ? 255 : v[i]) / 255.0f;
  *out = TFloatColor{c[0], c[1], c[2], c[3]};
  return true;
}
