// render/text: vector fonts, their rasteriser, text layout and text sprites.
// Writing ".mvec" vector fonts (docs/mvec.md): the font converter and the
// tests build files with it. Header only, so build-time tools need no library.
#pragma once
#include <cstdint>
#include <vector>

struct TMiniVecGlyphRecord {
  uint32_t code;  // Unicode code point; records must be sorted by it
  int16_t left, right, top, bottom, advance;  // 1/128 units, y downwards
  std::vector<uint8_t> outline;               // commands, ending with the end command (8)
};

inline void MiniVecPut16(std::vector<uint8_t>& v, int x) {
  v.push_back(uint8_t(x & 0xFF));
  v.push_back(uint8_t((x >> 8) & 0xFF));
}

inline void MiniVecPut32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

// The whole file: magic "MVC4", the glyph count, six unused bytes, the
// 18-byte glyph entries, then the outlines they point at.
inline std::vector<uint8_t> BuildMiniVecFile(const std::vector<TMiniVecGlyphRecord>& glyphs) {
  std::vector<uint8_t> f = {'M', 'V', 'C', '4'};
  MiniVecPut16(f, int(glyphs.size()));
  f.resize(12, 0);
  uint32_t offset = uint32_t(12 + 18 * glyphs.size());
  std::vector<uint8_t> outlines;
  for (const TMiniVecGlyphRecord& g : glyphs) {
    MiniVecPut32(f, g.code);
    MiniVecPut16(f, g.left);
    MiniVecPut16(f, g.right);
    MiniVecPut16(f, g.top);
    MiniVecPut16(f, g.bottom);
    MiniVecPut16(f, g.advance);
    MiniVecPut32(f, offset + uint32_t(outlines.size()));
    outlines.insert(outlines.end(), g.outline.begin(), g.outline.end());
  }
  f.insert(f.end(), outlines.begin(), outlines.end());
  return f;
}
