// The outline rasteriser on hostile glyphs: 3,000 random curves in one glyph,
// as a damaged or malicious font can hold, drawn the way the font fuzzer
// draws them (a quarter unit per pixel, into a 64 x 64 target). Two shapes:
// curves spread over the whole coordinate range (refused by the work limit)
// and curves crowded into a glyph-sized box (crossing each other all over,
// drawn). Each time is the median of nine cold draws (a fresh glyph cache
// every time); the two shapes alternate. Prints
//   "ratio curves3000-spread/second: X" and "ratio curves3000-crowded/second: Y"
// (the target is well under 1: a glyph never costs the game a second) and
// fails when a draw did not do what it must (the same pixels every run; the
// crowded glyph drawn, the spread one refused).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/log.h"
#include "render/text/minivecdraw.h"
#include "render/text/minivecfont.h"
#include "render/text/mvecwriter.h"

namespace {

constexpr int kCurves = 3000, kRuns = 9;

// One glyph of `kCurves` quadratic curves with every point within +-range units.
std::vector<uint8_t> CurvesFont(int range, uint32_t seed) {
  auto next = [&]() {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % uint32_t(2 * range + 1)) - range;
  };
  TMiniVecGlyphRecord g{'A', 0, 100, -100, 0, 120, {}};
  std::vector<uint8_t>& o = g.outline;
  o.insert(o.end(), {1, 7, 255, 255, 255, 2, 1});  // one layer, one colour, filled on the left
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

struct TResult {
  double seconds = 0;
  std::vector<uint32_t> pixels;
  size_t refusals = 0;
};

TResult DrawOnce(const std::vector<uint8_t>& bytes) {
  TMiniVecFont font(bytes.data(), bytes.size());
  TKnMiniVecDraw draw;
  TResult r;
  r.pixels.assign(64 * 64, 0xFF000000u);
  TLogCapture log;
  auto start = std::chrono::steady_clock::now();
  draw.SetTransform(0.25f, 0.25f);
  draw.Begin(20, 40, TMiniVecPixels{r.pixels.data(), 64, 64, 64});
  draw.DrawGlyph(font, 0, 0, 0);
  draw.Flush();
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.refusals = log.Count("Vector outline refused");
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  const std::vector<uint8_t> spread = CurvesFont(32767, 7), crowded = CurvesFont(150, 11);
  std::vector<double> spreadTimes, crowdedTimes;
  std::vector<uint32_t> spreadPixels, crowdedPixels;
  bool sound = true;
  for (int run = 0; run < kRuns; ++run) {
    // Alternate which shape goes first.
    for (int k = 0; k < 2; ++k) {
      bool isSpread = (run + k) % 2 == 0;
      TResult r = DrawOnce(isSpread ? spread : crowded);
      (isSpread ? spreadTimes : crowdedTimes).push_back(r.seconds);
      std::vector<uint32_t>& first = isSpread ? spreadPixels : crowdedPixels;
      if (first.empty()) first = r.pixels;
      sound = sound && r.pixels == first && r.refusals == (isSpread ? 1u : 0u);
    }
  }
  size_t lit = 0;
  for (uint32_t p : crowdedPixels) lit += p != 0xFF000000u;
  if (!sound || lit == 0) {
    std::fprintf(stderr, "raster benchmark: the draws did not do the same work (lit %zu)\n", lit);
    return 1;
  }
  std::printf("3000-curve glyphs, median of %d cold draws: spread %.2f ms (refused), crowded %.2f ms (%zu pixels)\n",
              kRuns, Median(spreadTimes) * 1e3, Median(crowdedTimes) * 1e3, lit);
  std::printf("ratio curves3000-spread/second: %.4f\n", Median(spreadTimes));
  std::printf("ratio curves3000-crowded/second: %.4f\n", Median(crowdedTimes));
  return 0;
}
