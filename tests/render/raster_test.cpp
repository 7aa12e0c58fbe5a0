// The outline rasteriser: the interpreter, the scan, coverage, the glyph
// cache and the texture blending modes, checked pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/log.h"
#include "render/text/minivecdraw.h"
#include "render/text/minivecfont.h"
#include "tests/render/mvec_builder.h"

using namespace mvec_test;

namespace {

struct TFrame {
  int w, h;
  std::vector<uint32_t> px;
  TFrame(int w_, int h_, uint32_t fill = 0xFF000000u) : w(w_), h(h_), px(size_t(w_) * h_, fill) {}
  TMiniVecPixels Pixels() { return TMiniVecPixels{px.data(), w, h, w}; }
  uint32_t At(int x, int y) const { return px[size_t(y) * w + x]; }
  int Red(int x, int y) const { return (At(x, y) >> 16) & 255; }
};

// Draws an outline (scale: pixels per unit) with its origin at (x, y) pixels.
void Render(TKnMiniVecDraw& d, TFrame& f, const std::vector<uint8_t>& outline, float x, float y, float scale = 1,
            int subX = 0, int subY = 0) {
  d.SetTransform(scale, scale);
  d.Begin(x, y, f.Pixels());
  d.DrawOutline(outline.data(), outline.size(), subX, subY);
  d.Flush();
}

int ExpectedAlpha(int coverage) { return 255 * 16 * coverage / 256; }

}  // namespace

TEST(RasterInterpreter, CurveFlattensAtThirds) {
  TKnMiniVecDraw d;
  TFrame f(80, 80);
  // From (0, 0) through control (64, 0) to (64, 64), then back.
  auto o = TOutline::Filled().Move(0, 0).Curve(64, 0, 64, 64).Line(0, 0).End();
  Render(d, f, o, 0, 0);
  ASSERT_EQ(d.GetEdgeCount(), 4u);
  auto p = [](float t, int axis) {
    float p0[2] = {0, 0}, q[2] = {64, 0}, p1[2] = {64, 64};
    return 4 * (p0[axis] + t * 2 * (q[axis] - p0[axis]) + t * t * (p1[axis] - 2 * q[axis] + p0[axis]));
  };
  float x0, y0, x1, y1;
  d.GetEdge(0, x0, y0, x1, y1);
  EXPECT_FLOAT_EQ(x0, 0);
  EXPECT_FLOAT_EQ(y0, 0);
  EXPECT_NEAR(x1, p(1 / 3.0f, 0), 1e-3);
  EXPECT_NEAR(y1, p(1 / 3.0f, 1), 1e-3);
  d.GetEdge(1, x0, y0, x1, y1);
  EXPECT_NEAR(x1, p(2 / 3.0f, 0), 1e-3);
  EXPECT_NEAR(y1, p(2 / 3.0f, 1), 1e-3);
  d.GetEdge(2, x0, y0, x1, y1);
  EXPECT_FLOAT_EQ(x1, 256);
  EXPECT_FLOAT_EQ(y1, 256);
}

TEST(RasterInterpreter, ZeroHeightEdgesDropped) {
  TKnMiniVecDraw d;
  TFrame f(20, 20);
  Render(d, f, TOutline::Filled().Rect(2, 2, 10, 10).End(), 0, 0);
  EXPECT_EQ(d.GetEdgeCount(), 2u);  // the two vertical sides
  EXPECT_EQ(f.Red(5, 5), 255);
  EXPECT_EQ(f.Red(1, 5), 0);
  EXPECT_EQ(f.Red(10, 5), 0);
}

TEST(RasterInterpreter, LayerColoursAreNumberedAcrossLayers) {
  TKnMiniVecDraw d;
  TOutline o;
  o.Layer().Colour(9, 9, 9).Colour(0, 255, 0).Left(1).Rect(0, 0, 10, 10).Left(2).Rect(20, 0, 30, 10);
  o.Layer().Colour(0, 0, 255).Left(1).Rect(40, 0, 50, 10);
  const auto outline = o.End();
  const auto plain = TOutline::Filled().Rect(0, 0, 10, 10).End();
  // The first colour an outline defines is colour 1, over the text colour;
  // drawn again from the cache, it keeps its own colours.
  for (int pass = 0; pass < 2; ++pass) {
    d.SetColor(1, TColor(0xFFFF0000u));  // the text colour
    TFrame f(60, 20);
    Render(d, f, outline, 0, 0);
    EXPECT_EQ(f.At(5, 5), 0xFF090909u) << pass;
    EXPECT_EQ(f.At(25, 5), 0xFF00FF00u) << pass;
    EXPECT_EQ(f.At(45, 5), 0xFF0000FFu) << pass;
    // An outline that defines no colour is drawn in the text colour.
    d.SetColor(1, TColor(0xFFFF0000u));
    TFrame g(20, 20);
    Render(d, g, plain, 0, 0);
    EXPECT_EQ(g.At(5, 5), 0xFFFF0000u) << pass;
  }
  EXPECT_EQ(d.GetRasterisedCount(), 2u);
}

TEST(RasterInterpreter, MoreColoursThanTheTableHoldsAreRefused) {
  TKnMiniVecDraw d;
  TFrame f(20, 20);
  TOutline o;
  o.Layer();
  for (int i = 0; i < 300; ++i) o.Colour(uint8_t(i), 0, 0);
  o.Layer().Colour(1, 2, 3).Left(1).Rect(0, 0, 10, 10);  // colour 301: cannot exist
  Render(d, f, o.End(), 0, 0);
  EXPECT_EQ(f.At(5, 5), 0xFF000000u);
}

TEST(RasterInterpreter, EdgeStoreDoublingGivesTheSameOutput) {
  // A comb of 300 teeth: 600+ edges.
  TOutline o = TOutline::Filled();
  o.Move(0, 0);
  for (int i = 0; i < 300; ++i) o.Line(i * 2, 40).Line(i * 2 + 1, 0);
  o.Line(0, 0);
  auto outline = o.End();
  TKnMiniVecDraw small, big;
  big.SetEdgeCapacity(4096);
  TFrame a(700, 50), b(700, 50);
  Render(small, a, outline, 0, 0);
  Render(big, b, outline, 0, 0);
  EXPECT_GE(small.GetEdgeCapacity(), 1024u);
  EXPECT_EQ(big.GetEdgeCapacity(), 4096u);
  EXPECT_EQ(a.px, b.px);
  EXPECT_GT(a.Red(1, 20), 0);
}

TEST(RasterCoverage, UnitSquareAtEverySubPixelOffset) {
  auto square = TOutline::Filled().Rect(0, 0, 1, 1).End();
  for (int sy = 0; sy < 4; ++sy) {
    for (int sx = 0; sx < 4; ++sx) {
      TKnMiniVecDraw d;
      TFrame f(4, 4);
      Render(d, f, square, 1, 1, 1, sx, sy);
      int cov[2][2] = {{(4 - sx) * (4 - sy), sx * (4 - sy)}, {(4 - sx) * sy, sx * sy}};
      int sum = 0;
      for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
          EXPECT_EQ(f.Red(1 + x, 1 + y), ExpectedAlpha(cov[y][x])) << sx << "," << sy;
          sum += cov[y][x];
        }
      }
      EXPECT_EQ(sum, 16);
      EXPECT_EQ(f.Red(0, 0), 0);
      EXPECT_EQ(f.Red(3, 3), 0);
    }
  }
}

TEST(RasterCoverage, RingHasAHoleUnderNonZero) {
  TKnMiniVecDraw d;
  TFrame f(50, 50), g(50, 50);
  // Both outlines stay alive: raw outlines are cached by their address.
  auto hole = TOutline::Filled().Rect(0, 0, 40, 40).RectReversed(10, 10, 30, 30).End();
  auto twice = TOutline::Filled().Rect(0, 0, 40, 40).Rect(10, 10, 30, 30).End();
  Render(d, f, hole, 0, 0);
  EXPECT_EQ(f.Red(20, 20), 0);
  EXPECT_EQ(f.Red(5, 5), 255);
  EXPECT_EQ(f.Red(35, 20), 255);
  // The same inner contour in the same direction fills (winding 2).
  Render(d, g, twice, 0, 0);
  EXPECT_EQ(g.Red(20, 20), 255);
}

TEST(RasterCoverage, SpansClippedToTheRow) {
  TKnMiniVecDraw d;
  TFrame f(4000, 3);
  Render(d, f, TOutline::Filled().Rect(-2000, 0, 2000, 1).End(), 2000, 1);
  EXPECT_EQ(f.Red(399, 1), 0);
  EXPECT_EQ(f.Red(400, 1), 255);
  EXPECT_EQ(f.Red(3599, 1), 255);
  EXPECT_EQ(f.Red(3600, 1), 0);
}

TEST(RasterInterpreter, StrokesOutlineTheEdgesInTheirColour) {
  TKnMiniVecDraw d;
  d.SetColor(2, TColor(0xFF00FF00u));
  d.SetStroke(0, 1.0f, 2);
  TFrame f(40, 40);
  auto o = TOutline::Filled().Rect(10, 10, 30, 30).End();
  Render(d, f, o, 0, 0);
  // The stroke (colour 2, above the fill) covers a band around every edge.
  EXPECT_EQ(f.At(10, 20), 0xFF00FF00u);
  EXPECT_EQ(f.At(20, 9), 0xFF00FF00u);
  EXPECT_EQ(f.At(20, 20), 0xFFFFFFFFu);
  EXPECT_EQ(f.At(5, 20), 0xFF000000u);
}

TEST(RasterCache, SameGlyphSameOffsetIsReplayed) {
  TKnMiniVecDraw d;
  auto o = TOutline::Filled().Move(0, 0).Curve(30, -10, 20, 30).Line(0, 0).End();
  TFrame a(60, 60), b(60, 60);
  Render(d, a, o, 10, 10, 1.5f, 1, 2);
  Render(d, b, o, 10, 10, 1.5f, 1, 2);
  EXPECT_EQ(d.GetRasterisedCount(), 1u);
  EXPECT_EQ(a.px, b.px);
  // Same sub-pixel phase, other whole-pixel place: replayed, shifted.
  TFrame c(60, 60);
  Render(d, c, o, 11, 10, 1.5f, 1, 2);
  EXPECT_EQ(d.GetRasterisedCount(), 1u);
  EXPECT_EQ(c.At(30, 25), a.At(29, 25));
  // Another sub-pixel offset or scale: rasterised again.
  Render(d, c, o, 10, 10, 1.5f, 2, 2);
  EXPECT_EQ(d.GetRasterisedCount(), 2u);
  Render(d, c, o, 10, 10, 1.25f, 1, 2);
  EXPECT_EQ(d.GetRasterisedCount(), 3u);
  EXPECT_EQ(d.GetCacheEntries(), 3u);
}

TEST(RasterCache, AnimatedScalesStayBounded) {
  TKnMiniVecDraw d;
  d.SetCacheLimit(2000);
  auto o = TOutline::Filled().Rect(0, 0, 20, 20).End();
  TFrame f(120, 120);
  for (int i = 0; i < 500; ++i) Render(d, f, o, 5, 5, 1.0f + i * 0.01f);
  EXPECT_EQ(d.GetRasterisedCount(), 500u);
  EXPECT_LE(d.GetCacheRecords(), 2000u);
  EXPECT_LT(d.GetCacheEntries(), 500u);
  d.ClearCache();
  EXPECT_EQ(d.GetCacheRecords(), 0u);
}

TEST(RasterCache, GlyphsKeyedByFontNotByAddress) {
  auto bytes = BuildFont({BoxGlyph('A', 0, 20, -20, 0)});
  TKnMiniVecDraw d;
  TFrame f(40, 40);
  d.SetTransform(1, 1);
  {
    TMiniVecFont font(bytes.data(), bytes.size());
    d.Begin(5, 30, f.Pixels());
    d.DrawGlyph(font, 0, 0, 0);
    d.Flush();
  }
  TMiniVecFont other(bytes.data(), bytes.size());
  d.Begin(5, 30, f.Pixels());
  d.DrawGlyph(other, 0, 0, 0);
  d.Flush();
  EXPECT_EQ(d.GetRasterisedCount(), 2u);
}

TEST(RasterTargets, BlendCopyAndAccumulate) {
  auto square = TOutline::Filled().Rect(0, 0, 2, 2).End();
  TKnMiniVecDraw d;
  // Default: colour blended, old alpha kept.
  d.SetColor(1, TColor(0xFFC86432u), 0.5f);  // alpha 128 -> ramp step 15 = 128
  TFrame f(4, 4, 0x40102030u);
  Render(d, f, square, 1, 1);
  uint32_t a = 128;
  auto mix = [&](uint32_t o, uint32_t n) { return (o * (255 - a) + n * a) / 255; };
  EXPECT_EQ(f.At(1, 1), (0x40u << 24) | (mix(0x10, 0xC8) << 16) | (mix(0x20, 0x64) << 8) | mix(0x30, 0x32));
  EXPECT_EQ(f.At(0, 0), 0x40102030u);
  // Copy: colour and alpha written.
  d.SetTargetMode(TKnMiniVecDraw::kModeCopy);
  TFrame c(4, 4, 0x40102030u);
  Render(d, c, square, 1, 1);
  EXPECT_EQ(c.At(2, 2), 0x80C86432u);
  // Accumulate: alpha summed, colour the alpha-weighted mean.
  d.SetTargetMode(TKnMiniVecDraw::kModeAccumulate);
  TFrame m(4, 4, 0x40102030u);
  Render(d, m, square, 1, 1);
  uint32_t oa = 0x40, sum = oa + a;
  auto mean = [&](uint32_t o, uint32_t n) { return (o * oa + n * a) / sum; };
  EXPECT_EQ(m.At(1, 2), (sum << 24) | (mean(0x10, 0xC8) << 16) | (mean(0x20, 0x64) << 8) | mean(0x30, 0x32));
  // Accumulating onto alpha 0 takes the new colour; alpha 0 drawn changes nothing.
  TFrame z(4, 4, 0x00000000u);
  Render(d, z, square, 1, 1);
  EXPECT_EQ(z.At(1, 1), 0x80C86432u);
  d.SetColor(1, TColor(0xFFFFFFFFu), 0.0f);
  Render(d, z, square, 1, 1);
  EXPECT_EQ(z.At(1, 1), 0x80C86432u);
  // Clipped to the target.
  d.SetColor(1, TColor(0xFFFFFFFFu));
  d.SetTargetMode(TKnMiniVecDraw::kModeBlend);
  TFrame e(4, 4);
  Render(d, e, TOutline::Filled().Rect(-10, -10, 100, 100).End(), 0, 0);
  EXPECT_EQ(e.At(3, 3), 0xFFFFFFFFu);
}

TEST(RasterTargets, RampAndPartialColours) {
  TKnMiniVecDraw d;
  d.SetColor(3, TColor(0xFF102030u));
  EXPECT_EQ(d.GetRampColor(3, 0).GetAlpha(), 255 * 16 / 256);
  EXPECT_EQ(d.GetRampColor(3, 15).GetAlpha(), 255);
  EXPECT_EQ(d.GetRampColor(3, 20).GetAlpha(), 254);
  EXPECT_EQ(d.GetPartialColor(3, 1).GetAlpha(), 255 * 17 / 256);
  EXPECT_EQ(d.GetPartialColor(3, 4).GetAlpha(), 255 * 128 / 256);
  EXPECT_EQ(d.GetRampColor(3, 7).value & 0xFFFFFF, 0x102030u);
  // DrawSpan: whole pixels full, partial end pixels their partial colour.
  TFrame f(10, 2);
  d.SetColor(1, TColor(0xFFFFFFFFu));
  d.Begin(0, 0, f.Pixels());
  d.DrawSpan(5, 23, 4);  // pixels 1 (3 quarters) .. 5 (3 quarters)
  d.Flush();
  EXPECT_EQ(f.Red(0, 1), 0);
  EXPECT_EQ(f.Red(1, 1), 255 * 73 / 256);
  EXPECT_EQ(f.Red(2, 1), 255);
  EXPECT_EQ(f.Red(4, 1), 255);
  EXPECT_EQ(f.Red(5, 1), 255 * 73 / 256);
  EXPECT_EQ(f.Red(6, 1), 0);
}

TEST(RasterTargets, ScreenLinesGoOutInBatches) {
  TKnMiniVecDraw d;
  std::vector<int> batches;
  std::vector<TMiniVecVertex> all;
  d.SetLineSink([&](const TMiniVecVertex* v, int n) {
    batches.push_back(n);
    all.insert(all.end(), v, v + n);
  });
  d.SetTransform(1, 1);
  d.Begin(0, 0);
  auto o = TOutline::Filled().Rect(0, 0, 10, 300).End();
  d.DrawOutline(o.data(), o.size(), 0, 0);
  d.Flush();
  ASSERT_GE(batches.size(), 2u);
  EXPECT_EQ(batches[0], 256);
  ASSERT_EQ(all.size(), 600u);  // one line per pixel row
  EXPECT_FLOAT_EQ(all[0].x, 0);
  EXPECT_FLOAT_EQ(all[1].x, 10);
  EXPECT_EQ(all[0].diffuse, 0xFFFFFFFFu);
  d.SetBatchSize(64);
  batches.clear();
  d.Begin(0, 0);
  d.DrawOutline(o.data(), o.size(), 0, 0);
  d.Flush();
  EXPECT_EQ(batches[0], 64);
}

// --- Glyph cache eviction ---

namespace {
// Draws every glyph of the font at `scale` into the frame, as text does.
void DrawGlyphs(TKnMiniVecDraw& d, TFrame& f, const TMiniVecFont& font, float scale) {
  d.SetTransform(scale, scale);
  d.Begin(4, 40, f.Pixels());
  for (int g = 0; g < font.GetCount(); ++g) d.DrawGlyph(font, g, g * 20, 0);
  d.Flush();
}
}  // namespace

TEST(RasterCache, GlyphEntriesAreEvictedFromTheirOwnBucket) {
  auto bytes = SimpleFont();
  TMiniVecFont font(bytes.data(), bytes.size());
  ASSERT_GT(font.GetCount(), 10);
  TKnMiniVecDraw d;
  d.SetCacheLimit(3000);  // a few glyphs' worth: eviction on almost every draw
  TFrame f(400, 80);
  // Changing scales make new entries and evict old ones; going back over the
  // same scales looks up the buckets the evicted entries lived in.
  for (int pass = 0; pass < 3; ++pass)
    for (int i = 0; i < 40; ++i) DrawGlyphs(d, f, font, 0.1f + 0.005f * float(i));
  EXPECT_LE(d.GetCacheRecords(), 3000u + 2000u);  // the limit, bar the newest entry
  // What a glyph looks like does not depend on what the cache went through.
  TKnMiniVecDraw fresh;
  TFrame a(400, 80), b(400, 80);
  DrawGlyphs(d, a, font, 0.3f);
  DrawGlyphs(fresh, b, font, 0.3f);
  EXPECT_EQ(a.px, b.px);
}

TEST(RasterCache, OutlineAndGlyphKeysShareTheLimit) {
  auto bytes = SimpleFont();
  TMiniVecFont font(bytes.data(), bytes.size());
  std::vector<std::vector<uint8_t>> outlines;
  for (int i = 0; i < 30; ++i) outlines.push_back(TOutline::Filled().Rect(0, 0, 10 + i, 20).End());
  TKnMiniVecDraw d;
  d.SetCacheLimit(1500);
  TFrame f(400, 80);
  for (int pass = 0; pass < 4; ++pass) {
    for (int i = 0; i < 30; ++i) {
      float scale = 0.2f + 0.01f * float((i + pass) % 7);
      DrawGlyphs(d, f, font, scale);
      d.SetTransform(scale * 4, scale * 4);
      d.Begin(2, 2, f.Pixels());
      d.DrawOutline(outlines[size_t(i)].data(), outlines[size_t(i)].size(), 0, 0);
      d.Flush();
    }
  }
  size_t rasterised = size_t(d.GetRasterisedCount());
  EXPECT_GT(rasterised, d.GetCacheEntries());  // entries were evicted and made again
  d.SetCacheLimit(0);                          // evicts down to the newest entry
  EXPECT_EQ(d.GetCacheEntries(), 1u);
  d.ClearCache();
  EXPECT_EQ(d.GetCacheEntries(), 0u);
  EXPECT_EQ(d.GetCacheRecords(), 0u);
}

// --- Scanning: crossings kept in order from row to row ---

namespace {

// The coverage (0..16 quarter-row quarters) of every pixel of a one-colour
// polygon (font units = pixels at scale 1) under the non-zero rule, worked
// out row by row with a full sort: the reference for the scan.
std::vector<int> ReferenceCoverage(const std::vector<std::pair<int, int>>& points, int w, int h) {
  std::vector<int> cover(size_t(w) * h, 0);
  struct E {
    float x0, y0, x1, y1, dxdy, lo, hi;
    int dir;
  };
  std::vector<E> edges;
  for (size_t i = 0; i < points.size(); ++i) {
    const auto& a = points[i];
    const auto& b = points[(i + 1) % points.size()];
    float x0 = float(a.first * 4), y0 = float(a.second * 4), x1 = float(b.first * 4), y1 = float(b.second * 4);
    int dir = 1;
    if (y1 < y0) {
      std::swap(x0, x1);
      std::swap(y0, y1);
      dir = -1;
    }
    if (y1 == y0) continue;
    edges.push_back({x0, y0, x1, y1, (x1 - x0) / (y1 - y0), std::min(x0, x1), std::max(x0, x1), dir});
  }
  for (int r = 0; r < h * 4; ++r) {
    float yc = float(r) + 0.5f;
    std::vector<std::pair<float, int>> xs;
    for (const E& e : edges) {
      if (yc < e.y0 || yc >= e.y1) continue;
      float x = std::min(std::max(e.x0 + (yc - e.y0) * e.dxdy, e.lo), e.hi);
      xs.push_back({x, e.dir});
    }
    std::sort(xs.begin(), xs.end());
    int winding = 0;
    for (size_t k = 0; k + 1 < xs.size(); ++k) {
      winding += xs[k].second;
      if (winding == 0) continue;
      int qa = int(std::floor(xs[k].first + 0.5f)), qb = int(std::floor(xs[k + 1].first + 0.5f));
      for (int q = std::max(qa, 0); q < std::min(qb, w * 4); ++q) ++cover[size_t(r / 4) * w + size_t(q / 4)];
    }
  }
  return cover;
}

}  // namespace

TEST(RasterScan, CrossingEdgesMatchAFullSortEveryRow) {
  uint32_t seed = 99;
  auto next = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % uint32_t(n));
  };
  const int w = 96, h = 96;
  // By hand first: the whole frame, past every edge of it, a bow-tie with level and upright edges, one
  // outline gone round twice, a sliver a pixel wide, a line with no inside.
  std::vector<std::vector<std::pair<int, int>>> shapes = {
      {{0, 0}, {96, 0}, {96, 96}, {0, 96}},
      {{-10, -10}, {106, -5}, {50, 110}},
      {{10, 10}, {80, 80}, {80, 10}, {10, 80}},
      {{20, 20}, {70, 20}, {70, 70}, {20, 70}, {20, 20}, {70, 20}, {70, 70}, {20, 70}},
      {{40, 5}, {41, 5}, {41, 90}, {40, 90}},
      {{5, 5}, {50, 50}, {90, 90}}};
  for (int shape = 0; shape < 12; ++shape) {
    // A self-crossing polygon: its edges swap places many times between rows.
    shapes.emplace_back();
    for (int i = 0; i < 5 + shape * 9; ++i) shapes.back().push_back({2 + next(w - 4), 2 + next(h - 4)});
  }
  for (size_t shape = 0; shape < shapes.size(); ++shape) {
    const std::vector<std::pair<int, int>>& points = shapes[shape];
    TOutline o = TOutline::Filled();
    o.Move(points[0].first, points[0].second);
    for (size_t i = 1; i <= points.size(); ++i) o.Line(points[i % points.size()].first, points[i % points.size()].second);
    auto outline = o.End();
    TKnMiniVecDraw d;
    d.SetTargetMode(TKnMiniVecDraw::kModeCopy);
    TFrame f(w, h, 0);
    Render(d, f, outline, 0, 0);
    std::vector<int> cover = ReferenceCoverage(points, w, h);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int c = cover[size_t(y) * w + x];
        int want = c ? ExpectedAlpha(c) : 0;
        wrong += int(f.At(x, y) >> 24) != want;
      }
    EXPECT_EQ(wrong, 0) << "shape " << shape << " of " << points.size() << " points";
  }
}

// --- Limits on the work of one outline ---

TEST(RasterLimits, OutlinesPastTheEdgeLimitAreRefusedWithALogLine) {
  // Curves flatten into three edges each: this one needs more than the limit.
  TOutline o = TOutline::Filled();
  o.Move(0, 0);
  const int curves = TKnMiniVecDraw::kMaxOutlineEdges / 3 + 10;
  for (int i = 0; i < curves; ++i) o.Curve((i % 50) + 1, 40, (i % 50) + 2, (i % 2) ? 0 : 30);
  auto outline = o.End();
  TKnMiniVecDraw d;
  TFrame f(60, 60);
  TLogCapture log;
  Render(d, f, outline, 2, 2);
  EXPECT_EQ(log.Count("Vector outline refused: more than 32768 edges"), 1u);
  EXPECT_EQ(d.GetEdgeCapacity(), size_t(TKnMiniVecDraw::kMaxOutlineEdges));
  for (uint32_t p : f.px) ASSERT_EQ(p, 0xFF000000u);
  // Remembered as empty: the next frame neither works it again nor logs again.
  Render(d, f, outline, 2, 2);
  EXPECT_EQ(d.GetRasterisedCount(), 1u);
  EXPECT_EQ(log.Count("Vector outline refused"), 1u);
  // Just under the limit still draws.
  TOutline ok = TOutline::Filled();
  ok.Move(0, 0);
  for (int i = 0; i < TKnMiniVecDraw::kMaxOutlineEdges / 3 - 1; ++i) ok.Curve(20, 40, 40, 0).Line(0, 0);
  auto under = ok.End();
  Render(d, f, under, 2, 2);
  EXPECT_EQ(log.Count("Vector outline refused"), 1u);
  EXPECT_GT(f.Red(22, 10), 0);
}

TEST(RasterLimits, OutlinesPastTheWorkBudgetAreRefusedAndLeaveNoTrace) {
  // Long edges crossing each other all the way down: a lot of work per row.
  TOutline o = TOutline::Filled();
  o.Move(0, 0);
  for (int i = 0; i < 400; ++i) o.Line(i % 2 ? 0 : 1500, 1500).Line(i % 2 ? 1500 : 0, 0);
  auto heavy = o.End();
  TKnMiniVecDraw d;
  d.SetScanWorkLimit(100000);
  TFrame f(200, 200);
  TLogCapture log;
  Render(d, f, heavy, 0, 0, 0.1f);
  EXPECT_EQ(log.Count("Vector outline refused: too much work to scan"), 1u);
  for (uint32_t p : f.px) ASSERT_EQ(p, 0xFF000000u);
  // The coverage rows were left clean: the next outline draws exactly as on a fresh drawer.
  auto square = TOutline::Filled().Rect(0, 0, 30, 30).End();
  TKnMiniVecDraw fresh;
  TFrame a(200, 200), b(200, 200);
  Render(d, a, square, 3, 3, 1.5f, 1, 1);
  Render(fresh, b, square, 3, 3, 1.5f, 1, 1);
  EXPECT_EQ(a.px, b.px);
  // With the default budget the same outline is drawn.
  TKnMiniVecDraw roomy;
  Render(roomy, f, heavy, 0, 0, 0.1f);
  EXPECT_EQ(log.Count("Vector outline refused"), 1u);
  EXPECT_GT(f.Red(75, 75), 0);
}
