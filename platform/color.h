// Colours: the packed 32-bit ARGB TColor and the four-float colour of styles.
#pragma once
#include <cstdint>

// Packed colour: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7.
struct TColor {
  uint32_t value = 0;
  TColor() = default;
  TColor(uint32_t v) : value(v) {}  // NOLINT: keeps the value as given
  TColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
      : value((uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b) {}
  uint8_t GetAlpha() const { return uint8_t(value >> 24); }
  uint8_t GetRed() const { return uint8_t(value >> 16); }
  uint8_t GetGreen() const { return uint8_t(value >> 8); }
  uint8_t GetBlue() const { return uint8_t(value); }
  // Replaces the alpha byte; the colour bytes stay.
  void SetAlpha(uint8_t a) { value = (value & 0x00FFFFFFu) | (uint32_t(a) << 24); }
  operator uint32_t() const { return value; }  // NOLINT
};

// A colour as four floats r, g, b, a, nominally 0..1.
struct TFloatColor {
  float r = 1, g = 1, b = 1, a = 1;
  TFloatColor() = default;
  TFloatColor(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
  bool operator==(const TFloatColor& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
  bool operator!=(const TFloatColor& o) const { return !(*this == o); }
  // Packs to ARGB, each channel clamped to 0..1 and rounded.
  TColor ToColor() const;
  static TFloatColor FromColor(TColor c);
};

// Four integers 0..255 (taken as unsigned) divided by 255.
TFloatColor MakeFloatColor(unsigned r, unsigned g, unsigned b, unsigned a);
