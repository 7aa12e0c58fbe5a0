// ttf2mvec: converts the outlines of a TrueType (or CFF) face into a ".mvec"
// vector font (docs/mvec.md), and optionally into a C++ source file that
// holds the same bytes as a constant array (the program's built-in font).
//
//   ttf2mvec <face.ttf> <out.mvec> [--cpp <out.cpp> <symbol>] [--ranges a-b,c-d,...]
//
// Code points without a glyph in the face are left out. One em becomes 128
// units; y grows downwards. Each glyph is one layer filled by its contours
// under the non-zero rule in colour 1, which it does not define (the layout's
// text colour).
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "render/text/mvecwriter.h"

namespace {

using Glyph = TMiniVecGlyphRecord;

struct Builder {
  std::vector<uint8_t>* out;
  double scale;
  double lastX = 0, lastY = 0;
  bool any = false;
  int minX = 0, maxX = 0, minY = 0, maxY = 0;

  int16_t Unit(double v) const {
    double r = std::floor(v * scale + 0.5);
    if (r > 32767) r = 32767;
    if (r < -32768) r = -32768;
    return int16_t(r);
  }
  void Point(double x, double y) {
    int16_t ux = Unit(x), uy = Unit(-y);
    if (!any) {
      minX = maxX = ux;
      minY = maxY = uy;
      any = true;
    }
    minX = std::min<int>(minX, ux);
    maxX = std::max<int>(maxX, ux);
    minY = std::min<int>(minY, uy);
    maxY = std::max<int>(maxY, uy);
    out->push_back(uint8_t(ux & 0xFF));
    out->push_back(uint8_t((ux >> 8) & 0xFF));
    out->push_back(uint8_t(uy & 0xFF));
    out->push_back(uint8_t((uy >> 8) & 0xFF));
  }
};

int Straight(uint8_t command, const FT_Vector* to, void* user) {
  Builder* b = static_cast<Builder*>(user);
  b->out->push_back(command);
  b->Point(to->x, to->y);
  b->lastX = to->x;
  b->lastY = to->y;
  return 0;
}
int MoveTo(const FT_Vector* to, void* user) { return Straight(4, to, user); }
int LineTo(const FT_Vector* to, void* user) { return Straight(5, to, user); }

void Quad(Builder* b, double cx, double cy, double x, double y) {
  b->out->push_back(6);
  b->Point(cx, cy);
  b->Point(x, y);
  b->lastX = x;
  b->lastY = y;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  Quad(static_cast<Builder*>(user), control->x, control->y, to->x, to->y);
  return 0;
}

// A cubic becomes two quadratics, split at its middle.
int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  Builder* b = static_cast<Builder*>(user);
  double x0 = b->lastX, y0 = b->lastY;
  double mx = (x0 + 3 * c1->x + 3 * c2->x + to->x) / 8.0, my = (y0 + 3 * c1->y + 3 * c2->y + to->y) / 8.0;
  double q1x = (3 * c1->x + x0) / 4.0;
  double q1y = (3 * c1->y + y0) / 4.0;
  double q2x = (3 * c2->x + to->x) / 4.0, q2y = (3 * c2->y + to->y) / 4.0;
  Quad(b, q1x, q1y, mx, my);
  Quad(b, q2x, q2y, to->x, to->y);
  return 0;
}

bool ParseRanges(const char* text, std::vector<std::pair<uint32_t, uint32_t>>& ranges) {
  ranges.clear();
  std::string s(text);
  size_t pos = 0;
  while (pos < s.size()) {
    size_t comma = s.find(',', pos);
    std::string part = s.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    pos = comma == std::string::npos ? s.size() : comma + 1;
    if (part.empty()) continue;
    size_t dash = part.find('-');
    char* end = nullptr;
    uint32_t a = uint32_t(std::strtoul(part.c_str(), &end, 0));
    uint32_t z = a;
    if (dash != std::string::npos) z = uint32_t(std::strtoul(part.c_str() + dash + 1, &end, 0));
    if (z < a) return false;
    ranges.emplace_back(a, z);
  }
  return !ranges.empty();
}


bool WriteFileAtomically(const std::string& path, const void* data, size_t size) {
  std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ttf2mvec <face.ttf> <out.mvec> [--cpp <out.cpp> <symbol>] [--ranges a-b,...]\n");
    return 2;
  }
  std::string cppPath, symbol;
  std::vector<std::pair<uint32_t, uint32_t>> ranges = {
      {0x20, 0x7E},     {0xA0, 0xFF},     {0x100, 0x17F},   {0x370, 0x3FF},  {0x400, 0x45F},
      {0x2010, 0x2044}, {0x20AC, 0x20AC}, {0x2122, 0x2122}, {0x2150, 0x2183}};
  for (int i = 3; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--cpp") && i + 2 < argc) {
      cppPath = argv[++i];
      symbol = argv[++i];
    } else if (!std::strcmp(argv[i], "--ranges") && i + 1 < argc) {
      if (!ParseRanges(argv[++i], ranges)) {
        std::fprintf(stderr, "ttf2mvec: bad ranges '%s'\n", argv[i]);
        return 2;
      }
    } else {
      std::fprintf(stderr, "ttf2mvec: unknown argument '%s'\n", argv[i]);
      return 2;
    }
  }

  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) || FT_New_Face(library, argv[1], 0, &face)) {
    std::fprintf(stderr, "ttf2mvec: cannot open '%s'\n", argv[1]);
    return 1;
  }
  if (!face->units_per_EM) {
    std::fprintf(stderr, "ttf2mvec: '%s' has no outlines\n", argv[1]);
    return 1;
  }
  const double scale = 128.0 / face->units_per_EM;

  std::vector<Glyph> glyphs;
  FT_Outline_Funcs funcs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
  for (const auto& range : ranges) {
    for (uint32_t code = range.first; code <= range.second; ++code) {
      FT_UInt index = FT_Get_Char_Index(face, code);
      if (!index) continue;
      if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING)) continue;
      if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) continue;
      Glyph g{};
      g.code = code;
      Builder b;
      b.out = &g.outline;
      b.scale = scale;
      // One layer filled on the left with colour 1, which the outline leaves
      // undefined: the text is drawn in the colour its layout gives.
      g.outline = {1, 2, 1};
      if (face->glyph->outline.n_contours > 0) FT_Outline_Decompose(&face->glyph->outline, &funcs, &b);
      g.outline.push_back(8);
      if (b.any) {
        g.left = int16_t(b.minX);
        g.right = int16_t(b.maxX);
        g.top = int16_t(b.minY);
        g.bottom = int16_t(b.maxY);
      }
      g.advance = b.Unit(double(face->glyph->metrics.horiAdvance));
      glyphs.push_back(std::move(g));
    }
  }
  if (glyphs.empty() || glyphs.size() > 65535) {
    std::fprintf(stderr, "ttf2mvec: %zu glyphs found, nothing written\n", glyphs.size());
    return 1;
  }

  std::vector<uint8_t> file = BuildMiniVecFile(glyphs);
  FT_Done_Face(face);
  FT_Done_FreeType(library);

  if (!WriteFileAtomically(argv[2], file.data(), file.size())) {
    std::fprintf(stderr, "ttf2mvec: cannot write '%s'\n", argv[2]);
    return 1;
  }
  if (!cppPath.empty()) {
    std::string text = "// Generated by ttf2mvec from a DejaVu face. Do not edit.\n#include <cstddef>\n\n";
    text += "extern const unsigned char " + symbol + "[];\nextern const size_t " + symbol + "Size;\n";
    text += "const size_t " + symbol + "Size = " + std::to_string(file.size()) + ";\n";
    text += "const unsigned char " + symbol + "[] = {\n";
    char buf[8];
    for (size_t i = 0; i < file.size(); ++i) {
      std::snprintf(buf, sizeof(buf), "%u,", file[i]);
      text += buf;
      if (i % 24 == 23) text += "\n";
    }
    text += "\n};\n";
    if (!WriteFileAtomically(cppPath, text.data(), text.size())) {
      std::fprintf(stderr, "ttf2mvec: cannot write '%s'\n", cppPath.c_str());
      return 1;
    }
  }
  std::printf("ttf2mvec: %zu glyphs, %zu bytes\n", glyphs.size(), file.size());
  return 0;
}
