// The benchmarks' peer comparison: sides run alternately with medians of at
// least five runs, pictures compared within a pixel and a tolerance, and a
// failed same-work check ends the program with status 1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/compare.h"

TEST(BenchCompare, SidesAlternateAndFiguresAreMedians) {
  std::string order;
  double a = 0, b = 10;
  bench::TComparison c = bench::Alternate([&] { order += 'a'; return a += 1; }, [&] { order += 'b'; return b += 1; }, 2);
  EXPECT_EQ(order, "abbaabbaab");  // at least five runs, the first side alternating
  EXPECT_EQ(c.a.size(), 5u);
  EXPECT_EQ(c.MedianA(), 3);
  EXPECT_EQ(c.MedianB(), 13);
  EXPECT_DOUBLE_EQ(c.Ratio(), 3.0 / 13.0);
  EXPECT_EQ(bench::Median({4, 1, 3, 2}), 2.5);
}

TEST(BenchCompare, PicturesMatchWithinAPixelAndATolerance) {
  const int w = 16, h = 8;
  std::vector<uint32_t> a(w * h, 0xFF000000u), b = a;
  for (int x = 0; x < w; ++x) a[3 * w + x] = 0xFFFFFFFFu;  // a line on row 3
  for (int x = 0; x < w; ++x) b[4 * w + x] = 0xFFF0F0F0u;  // one row lower, a little darker
  bench::TPixelDiff near = bench::ComparePixels(a.data(), b.data(), w, h, 32);
  EXPECT_EQ(near.unmatched, 0);
  EXPECT_GT(near.meanAbs, 0);
  bench::TPixelDiff exact = bench::ComparePixels(a.data(), b.data(), w, h, 32, 0);
  EXPECT_DOUBLE_EQ(exact.unmatched, 4.0 * w / (2.0 * w * h));  // both rows, from either side
  // Two rows lower, or too dark, is another picture.
  std::vector<uint32_t> c(w * h, 0xFF000000u), d = c;
  for (int x = 0; x < w; ++x) c[5 * w + x] = 0xFFFFFFFFu;
  for (int x = 0; x < w; ++x) d[3 * w + x] = 0xFFC0C0C0u;
  EXPECT_GT(bench::ComparePixels(a.data(), c.data(), w, h, 32).unmatched, 0);
  EXPECT_GT(bench::ComparePixels(a.data(), d.data(), w, h, 32).unmatched, 0);
  EXPECT_EQ(bench::ComparePixels(a.data(), d.data(), w, h, 64).unmatched, 0);
}

TEST(BenchCompare, AFailedCheckEndsTheProgramLoudly) {
  bench::Require(true, "never shown");
  EXPECT_EXIT(bench::Require(false, "the sides read %d and %d bytes", 3, 4), ::testing::ExitedWithCode(1),
              "benchmark check failed: the sides read 3 and 4 bytes");
  EXPECT_NE(bench::Hash("ab", 2), bench::Hash("ba", 2));
}
