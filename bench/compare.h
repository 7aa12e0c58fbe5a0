// Comparisons with a peer for the benchmark programs.
//
// Both sides of a comparison are timed the same way and in turn: run r times
// side a then side b when r is even, b then a when it is odd, for at least
// five runs each, and each printed figure is the median of its runs. Before
// the figure counts, the program checks that both sides did the same work
// (the same pixels within a stated tolerance, the same samples, the same
// bytes); when they did not, it says what differed on standard error and
// exits with status 1, so scripts/bench and CI see the failure.
//
//   bench::TComparison c = bench::Alternate([&] { return bench::TimePerCall(drawA); },
//                                           [&] { return bench::TimePerCall(drawB); });
//   bench::Require(sameWork, "both sides drew the frame");
//   bench::PrintRatio("lantern/peer", c.Ratio());
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace bench {

constexpr int kMinRuns = 5;
constexpr int kRuns = 7;

inline double Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Seconds of CPU time this process has used.
inline double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Seconds per call of `fn` on `clock` (real time unless told): it is called
// until at least `minSeconds` have passed, and at least once.
inline double TimePerCall(const std::function<void()>& fn, double minSeconds = 0.05, double (*clock)() = Seconds) {
  long calls = 0;
  double start = clock(), elapsed = 0;
  do {
    fn();
    ++calls;
    elapsed = clock() - start;
  } while (elapsed < minSeconds);
  return elapsed / double(calls);
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct TComparison {
  std::vector<double> a, b;  // one figure per run (seconds per unit of work)
  double MedianA() const { return Median(a); }
  double MedianB() const { return Median(b); }
  double Ratio() const { return MedianB() > 0 ? MedianA() / MedianB() : 0; }
};

// Runs each side `runs` times (at least kMinRuns), alternating which goes
// first; each call returns the figure of one run.
inline TComparison Alternate(const std::function<double()>& a, const std::function<double()>& b, int runs = kRuns) {
  TComparison c;
  runs = std::max(runs, kMinRuns);
  for (int r = 0; r < runs; ++r) {
    if (r % 2 == 0) {
      c.a.push_back(a());
      c.b.push_back(b());
    } else {
      c.b.push_back(b());
      c.a.push_back(a());
    }
  }
  return c;
}

// Runs each of several sides `runs` times (at least kMinRuns), each run
// starting with the next side in turn; result[i] holds side i's figures.
inline std::vector<std::vector<double>> Rotate(const std::vector<std::function<double()>>& sides, int runs = kRuns) {
  std::vector<std::vector<double>> figures(sides.size());
  runs = std::max(runs, kMinRuns);
  for (int r = 0; r < runs; ++r)
    for (size_t k = 0; k < sides.size(); ++k) {
      const size_t i = (size_t(r) + k) % sides.size();
      figures[i].push_back(sides[i]());
    }
  return figures;
}

// The median of a figure and how far its runs spread, for the reader.
inline std::string MedianAndSpread(const std::vector<double>& v, double scale, const char* unit) {
  if (v.empty()) return "none";
  const auto [low, high] = std::minmax_element(v.begin(), v.end());
  char text[128];
  std::snprintf(text, sizeof text, "%.3f %s (%.3f..%.3f)", Median(v) * scale, unit, *low * scale, *high * scale);
  return text;
}

// Ends the program when the two sides did not do the same work.
inline void Require(bool ok, const char* format, ...) __attribute__((format(printf, 2, 3)));
inline void Require(bool ok, const char* format, ...) {
  if (ok) return;
  std::fflush(stdout);
  std::fprintf(stderr, "benchmark check failed: ");
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\n");
  std::exit(1);
}

inline void PrintRatio(const std::string& what, double ratio) {
  std::printf("ratio %s: %.3f\n", what.c_str(), ratio);
  std::fflush(stdout);
}

// The medians behind a ratio, in a unit for the reader.
inline void PrintMedians(const std::string& what, const TComparison& c, const char* aName, const char* bName,
                         double scale = 1e3, const char* unit = "ms") {
  std::printf("%s: %s %.3f %s, %s %.3f %s (median of %zu runs each, alternating)\n", what.c_str(), aName,
              c.MedianA() * scale, unit, bName, c.MedianB() * scale, unit, c.a.size());
}

// 64-bit FNV-1a over bytes, to compare what two sides produced.
inline uint64_t Hash(const void* data, size_t size, uint64_t h = 1469598103934665603ull) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

// Pixels of two ARGB frames of the same size that differ at the same place
// (alpha ignored): at all, and by more than `tolerance` in some channel.
struct TFrameDiff {
  size_t differ = 0, beyond = 0;
  int largest = 0;  // the largest channel difference
};
inline TFrameDiff CompareFrames(const uint32_t* a, const uint32_t* b, int width, int height, int tolerance) {
  TFrameDiff d;
  for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
    if (((a[i] ^ b[i]) & 0xFFFFFFu) == 0) continue;
    ++d.differ;
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
      worst = std::max(worst, std::abs(int((a[i] >> shift) & 255) - int((b[i] >> shift) & 255)));
    d.beyond += worst > tolerance;
    d.largest = std::max(d.largest, worst);
  }
  return d;
}

// How two ARGB pictures of the same size differ (alpha ignored). A pixel
// counts as matched when the other picture has a pixel within `radius`
// pixels of it whose channels are all within `tolerance` of its own; both
// pictures are checked against each other. Radius 1 forgives lines and edges
// that two rasterisers put one pixel apart.
struct TPixelDiff {
  double meanAbs = 0;     // mean absolute difference per colour channel at the same place, 0..255
  double unmatched = 0;   // share of pixels without a match
};
inline TPixelDiff ComparePixels(const uint32_t* a, const uint32_t* b, int width, int height, int tolerance,
                                int radius = 1) {
  TPixelDiff d;
  auto channelDiff = [](uint32_t u, uint32_t v) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
      worst = std::max(worst, std::abs(int((u >> shift) & 255) - int((v >> shift) & 255)));
    return worst;
  };
  double sum = 0;
  size_t unmatched = 0;
  for (int pass = 0; pass < 2; ++pass) {
    const uint32_t* p = pass ? b : a;
    const uint32_t* q = pass ? a : b;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint32_t u = p[size_t(y) * width + x];
        if (pass == 0)
          for (int shift = 0; shift < 24; shift += 8)
            sum += std::abs(int((u >> shift) & 255) - int((q[size_t(y) * width + x] >> shift) & 255));
        bool matched = false;
        for (int dy = -radius; dy <= radius && !matched; ++dy)
          for (int dx = -radius; dx <= radius && !matched; ++dx) {
            int X = x + dx, Y = y + dy;
            if (X < 0 || Y < 0 || X >= width || Y >= height) continue;
            matched = channelDiff(u, q[size_t(Y) * width + X]) <= tolerance;
          }
        unmatched += !matched;
      }
  }
  size_t count = size_t(width) * size_t(height);
  if (count) {
    d.meanAbs = sum / double(count * 3);
    d.unmatched = double(unmatched) / double(2 * count);
  }
  return d;
}

}  // namespace bench
