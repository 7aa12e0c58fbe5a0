// The outline rasteriser on hostile glyphs: 3,000 random curves in one glyph,
// as a damaged or malicious font can hold, drawn the way the font fuzzer
// draws them (a quarter unit per pixel, into a 64 x 64 target). Two shapes:
// curves spread over the whole coordinate range (refused by the work limit)
// and curves crowded into a glyph-sized box (crossing each other all over,
// drawn). Each is put against the same number of curves in ordinary glyphs:
// 100 glyphs of 30 curves each (a ring the size of the crowded box, no curve
// crossing another), drawn the same way. Every draw is cold (a fresh font and
// glyph cache); the three alternate, nine runs each, and each figure is the
// median. Prints
//   "ratio curves3000-spread/ordinary3000: X" and
//   "ratio curves3000-crowded/ordinary3000: Y"
// (a hostile glyph costs a bounded number of ordinary glyphs' worth of work:
// the rasteriser's cost does not run away with crossings or with the area the
// curves span) and fails when a draw did not do what it must (the same pixels
// every run; the crowded glyph and the ordinary ones drawn, the spread glyph
// refused, nothing else refused).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/compare.h"
#include "platform/log.h"
#include "render/text/minivecdraw.h"
#include "render/text/minivecfont.h"
#include "render/text/mvecwriter.h"

namespace {

constexpr int kCurves = 3000, kRuns = 9, kOrdinaryGlyphs = 100, kOrdinaryCurves = kCurves / kOrdinaryGlyphs;

// The outline's head: one layer, one colour, filled on the left.
void Head(std::vector<uint8_t>& o) { o.insert(o.end(), {1, 7, 255, 255, 255, 2, 1}); }

// One glyph of `kCurves` quadratic curves with every point within +-range units.
std::vector<uint8_t> CurvesFont(int range, uint32_t seed) {
  auto next = [&]() {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % uint32_t(2 * range + 1)) - range;
  };
  TMiniVecGlyphRecord g{'A', 0, 100, -100, 0, 120, {}};
  std::vector<uint8_t>& o = g.outline;
  Head(o);
  o.push_back(4);
  MiniVecPut16(o, next());
  MiniVecPut16(o, next());
  for (int i = 0; i < kCurves; ++i) {
    o.push_back(6);
    for (int k = 0; k < 4; ++k) MiniVecPut16(o, next());
  }
  o.push_back(8);
  return BuildMiniVecFile({g});
}

// 100 glyphs, each a ring of 30 curves (radius 60 to 140 units, in the
// crowded glyph's box), each turned a little from the last.
std::vector<uint8_t> OrdinaryFont() {
  std::vector<TMiniVecGlyphRecord> glyphs;
  for (int n = 0; n < kOrdinaryGlyphs; ++n) {
    TMiniVecGlyphRecord g{uint32_t('A' + n), -150, 150, -150, 150, 300, {}};
    std::vector<uint8_t>& o = g.outline;
    Head(o);
    const double radius = 60 + 80 * double(n) / kOrdinaryGlyphs, turn = 0.05 * n;
    auto at = [&](double k, double r, int axis) {
      double a = turn + 6.283185307179586 * k / kOrdinaryCurves;
      return int(std::lround(r * (axis ? std::sin(a) : std::cos(a))));
    };
    o.push_back(4);
    MiniVecPut16(o, at(0, radius, 0));
    MiniVecPut16(o, at(0, radius, 1));
    for (int i = 0; i < kOrdinaryCurves; ++i) {
      o.push_back(6);
      // The control point a little outside the ring, the end point on it.
      const double rc = radius / std::cos(3.141592653589793 / kOrdinaryCurves);
      MiniVecPut16(o, at(i + 0.5, rc, 0));
      MiniVecPut16(o, at(i + 0.5, rc, 1));
      MiniVecPut16(o, at(i + 1, radius, 0));
      MiniVecPut16(o, at(i + 1, radius, 1));
    }
    o.push_back(8);
    glyphs.push_back(g);
  }
  return BuildMiniVecFile(glyphs);
}

struct TResult {
  double seconds = 0;
  std::vector<uint32_t> pixels;
  size_t refusals = 0;
};

// Every glyph of the font drawn once, cold, into a fresh 64 x 64 target.
TResult DrawOnce(const std::vector<uint8_t>& bytes) {
  TResult r;
  r.pixels.assign(64 * 64, 0xFF000000u);
  TMiniVecFont font(bytes.data(), bytes.size());
  TKnMiniVecDraw draw;
  TLogCapture log;
  const double start = bench::Seconds();
  draw.SetTransform(0.25f, 0.25f);
  draw.Begin(20, 40, TMiniVecPixels{r.pixels.data(), 64, 64, 64});
  for (int glyph = 0; glyph < font.GetCount(); ++glyph) draw.DrawGlyph(font, glyph, 0, 0);
  draw.Flush();
  r.seconds = bench::Seconds() - start;
  r.refusals = log.Count("Vector outline refused");
  return r;
}

size_t Lit(const std::vector<uint32_t>& pixels) {
  size_t lit = 0;
  for (uint32_t p : pixels) lit += p != 0xFF000000u;
  return lit;
}

}  // namespace

int main() {
  struct TShape {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t refusals;  // every draw's
    std::vector<double> times;
    std::vector<uint32_t> first;
  };
  TShape shapes[] = {{"spread", CurvesFont(32767, 7), 1, {}, {}},
                     {"crowded", CurvesFont(150, 11), 0, {}, {}},
                     {"ordinary", OrdinaryFont(), 0, {}, {}}};
  for (int run = 0; run < kRuns; ++run)
    for (int k = 0; k < 3; ++k) {  // each run starts with another shape
      TShape& s = shapes[(run + k) % 3];
      TResult r = DrawOnce(s.bytes);
      s.times.push_back(r.seconds);
      if (s.first.empty()) s.first = r.pixels;
      bench::Require(r.pixels == s.first, "the %s glyphs gave other pixels in run %d", s.name, run);
      bench::Require(r.refusals == s.refusals, "the %s glyphs were refused %zu times, not %zu", s.name, r.refusals,
                     s.refusals);
    }
  const TShape &spread = shapes[0], &crowded = shapes[1], &ordinary = shapes[2];
  bench::Require(Lit(crowded.first) > 0 && Lit(ordinary.first) > 0, "the crowded or the ordinary glyphs drew nothing");
  std::printf("same work: spread refused every time, crowded drew %zu pixels, the 100 ordinary glyphs %zu, the same "
              "pixels in each of %d runs\n",
              Lit(crowded.first), Lit(ordinary.first), kRuns);
  std::printf("3000 curves, median of %d cold draws: spread %.3f ms, crowded %.3f ms, in 100 ordinary glyphs %.3f ms\n",
              kRuns, bench::Median(spread.times) * 1e3, bench::Median(crowded.times) * 1e3,
              bench::Median(ordinary.times) * 1e3);
  bench::PrintRatio("curves3000-spread/ordinary3000", bench::Median(spread.times) / bench::Median(ordinary.times));
  bench::PrintRatio("curves3000-crowded/ordinary3000", bench::Median(crowded.times) / bench::Median(ordinary.times));
  return 0;
}
