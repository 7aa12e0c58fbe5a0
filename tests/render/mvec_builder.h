// Builds small ".mvec" fonts in memory for the text and raster tests.
#pragma once
#include <cstdint>
#include <vector>

#include "render/text/mvecwriter.h"

namespace mvec_test {

// A glyph of a test font; BuildFont appends the end command (8) when missing.
using TGlyphSpec = TMiniVecGlyphRecord;

inline void Put16(std::vector<uint8_t>& v, int x) { MiniVecPut16(v, x); }
inline void Put32(std::vector<uint8_t>& v, uint32_t x) { MiniVecPut32(v, x); }

// Outline command helpers (coordinates in 1/128 em).
struct TOutline {
  std::vector<uint8_t> bytes;
  TOutline& Layer() { bytes.push_back(1); return *this; }
  TOutline& Colour(uint8_t r, uint8_t g, uint8_t b) { bytes.insert(bytes.end(), {7, r, g, b}); return *this; }
  TOutline& Left(uint8_t n) { bytes.insert(bytes.end(), {2, n}); return *this; }
  TOutline& Right(uint8_t n) { bytes.insert(bytes.end(), {3, n}); return *this; }
  TOutline& Move(int x, int y) { bytes.push_back(4); Put16(bytes, x); Put16(bytes, y); return *this; }
  TOutline& Line(int x, int y) { bytes.push_back(5); Put16(bytes, x); Put16(bytes, y); return *this; }
  TOutline& Curve(int cx, int cy, int x, int y) {
    bytes.push_back(6); Put16(bytes, cx); Put16(bytes, cy); Put16(bytes, x); Put16(bytes, y); return *this;
  }
  // A filled axis-aligned rectangle, clockwise on the screen.
  TOutline& Rect(int x0, int y0, int x1, int y1) { return Move(x0, y0).Line(x1, y0).Line(x1, y1).Line(x0, y1).Line(x0, y0); }
  // The same rectangle the other way round (a hole under the non-zero rule).
  TOutline& RectReversed(int x0, int y0, int x1, int y1) { return Move(x0, y0).Line(x0, y1).Line(x1, y1).Line(x1, y0).Line(x0, y0); }
  std::vector<uint8_t> End() { std::vector<uint8_t> b = bytes; b.push_back(8); return b; }
  // One layer filled on the left in colour 1, left undefined: the text colour.
  static TOutline Filled() { TOutline o; o.Layer().Left(1); return o; }
};

inline std::vector<uint8_t> BuildFont(std::vector<TGlyphSpec> glyphs) {
  for (TGlyphSpec& g : glyphs)
    if (g.outline.empty() || g.outline.back() != 8) g.outline.push_back(8);
  return BuildMiniVecFile(glyphs);
}

// A glyph that is one filled box over its ink rectangle, advance = right + 16.
inline TGlyphSpec BoxGlyph(uint32_t code, int16_t left, int16_t right, int16_t top, int16_t bottom) {
  TGlyphSpec g{code, left, right, top, bottom, int16_t(right + 16), {}};
  g.outline = TOutline::Filled().Rect(left, top, right, bottom).End();
  return g;
}

// A simple test font: space (advance 32), boxes for 'A'..'Z', 'a'..'z', '_',
// 'W' reaching 96 above the baseline, descent 32 ('g').
inline std::vector<uint8_t> SimpleFont() {
  std::vector<TGlyphSpec> g;
  g.push_back({' ', 0, 0, 0, 0, 32, {8}});
  for (uint32_t c = 'A'; c <= 'Z'; ++c) g.push_back(BoxGlyph(c, 8, 56, -96, 0));
  g.push_back(BoxGlyph('_', 0, 64, 0, 80));
  for (uint32_t c = 'a'; c <= 'z'; ++c) g.push_back(BoxGlyph(c, 8, 56, -64, c == 'g' ? 32 : 0));
  return BuildFont(g);
}

}  // namespace mvec_test
