#include "platform/color.h"

namespace {
uint8_t ToByte(float v) {
  if (!(v > 0.0f)) return 0;  // also NaN
  if (v >= 1.0f) return 255;
  return static_cast<uint8_t>(v * 255.0f + 0.5f);
}
}  // namespace

TColor TFloatColor::ToColor() const { return TColor(ToByte(r), ToByte(g), ToByte(b), ToByte(a)); }

TFloatColor TFloatColor::FromColor(TColor c) {
  return TFloatColor(c.GetRed() / 255.0f, c.GetGreen() / 255.0f, c.GetBlue() / 255.0f, c.GetAlpha() / 255.0f);
}

TFloatColor MakeFloatColor(unsigned r, unsigned g, unsigned b, unsigned a) {
  return TFloatColor(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}
