// Font metrics, glyph lookup, damaged font files and the font cache.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/render/mvec_builder.h"
#include "platform/log.h"
#include "render/text/font.h"
#include "render/text/minivecfont.h"
#include "tests/support/testsupport.h"

using namespace mvec_test;

namespace {
TMiniVecFont Make(const std::vector<uint8_t>& bytes) { return TMiniVecFont(bytes.data(), bytes.size()); }
}  // namespace

TEST(MiniVecFontMetrics, AscentDescentAndGlyphScale) {
  std::vector<TGlyphSpec> g = {BoxGlyph('W', 0, 100, -96, 0), BoxGlyph('_', 0, 64, 0, 90),
                               BoxGlyph('g', 0, 60, -60, 40), BoxGlyph(0x2193, 0, 60, -60, 100)};
  TMiniVecFont font = Make(BuildFont({g[0], g[1], g[2], g[3]}));
  ASSERT_EQ(font.GetCount(), 4);
  EXPECT_FLOAT_EQ(font.GetAscent(), 0.75f);
  // Descent ignores '_' and codes from 128 on.
  EXPECT_FLOAT_EQ(font.GetDescent(), 40 / 128.0f);
  float h = 0.75f + 40 / 128.0f;
  EXPECT_FLOAT_EQ(font.GetMargin(true), 0.15f * h / 0.8f);
  EXPECT_FLOAT_EQ(font.GetMargin(false), 0.05f * h / 0.8f);
  EXPECT_FLOAT_EQ(font.GetLineHeight(), h / 0.8f);
  EXPECT_FLOAT_EQ(TMiniVecFont::GetContentFraction(), 0.8f);
  EXPECT_FLOAT_EQ(font.GetGlyphScale(font.FindGlyph('W')), 1.0f);
  // The arrow reaches 100/128 below: Q = (100/128) / B.
  float b = 40 / 128.0f + 0.05f * h / 0.8f;
  EXPECT_NEAR(font.GetGlyphScale(font.FindGlyph(0x2193)), b / (100 / 128.0f), 1e-6);
}

TEST(MiniVecFontMetrics, TallGlyphScaledToTheLineBox) {
  // 'W' top -96 and nothing below: A = 0.75 + 0.15 * 0.75 / 0.8 = 0.890625.
  // A glyph reaching 1.25 x A above the baseline gets scale 0.8.
  float a = 0.75f + 0.15f * 0.75f / 0.8f;
  int16_t tall = int16_t(-std::lround(1.25f * a * 128));
  TMiniVecFont font = Make(BuildFont({BoxGlyph('T', 0, 10, tall, 0), BoxGlyph('W', 0, 100, -96, 0)}));
  EXPECT_NEAR(font.GetGlyphScale(font.FindGlyph('T')), 0.8f, 0.01f);
  EXPECT_FLOAT_EQ(font.GetGlyphScale(font.FindGlyph('W')), 1.0f);
}

TEST(MiniVecFontMetrics, NoWGivesNoAscentAndTheLineBoxStaysSane) {
  // A font without 'W' takes the top of the missing glyph as 0.
  TMiniVecFont withH = Make(BuildFont({BoxGlyph('H', 0, 10, -80, 0), BoxGlyph('M', 0, 10, -90, 0)}));
  EXPECT_FLOAT_EQ(withH.GetAscent(), 0.0f);
  EXPECT_FLOAT_EQ(withH.GetLineHeight(), 0.0f);
  EXPECT_FLOAT_EQ(withH.GetGlyphScale(0), 1.0f);  // a line box of no height divides nothing
  // Only glyphs below the baseline: no ascent, but no division by zero either.
  TMiniVecFont flat = Make(BuildFont({BoxGlyph(',', 0, 10, 0, 20)}));
  EXPECT_FLOAT_EQ(flat.GetAscent(), 0.0f);
  EXPECT_GT(flat.GetLineHeight(), 0.0f);
  EXPECT_FLOAT_EQ(flat.GetGlyphScale(0), 1.0f);
  TMiniVecFont empty = Make(BuildFont({{' ', 0, 0, 0, 0, 32, {8}}}));
  EXPECT_FLOAT_EQ(empty.GetLineHeight(), 0.0f);
  EXPECT_FLOAT_EQ(empty.GetGlyphScale(0), 1.0f);
}

TEST(MiniVecFontLookup, FindGlyphAndDefaults) {
  TMiniVecFont font = Make(BuildFont({BoxGlyph(32, 0, 1, -1, 0), BoxGlyph(65, 2, 50, -90, 0), BoxGlyph(97, 0, 1, -1, 0)}));
  EXPECT_EQ(font.FindGlyph(65), 1);
  EXPECT_EQ(font.FindGlyph(32), 0);
  EXPECT_EQ(font.FindGlyph(97), 2);
  EXPECT_EQ(font.FindGlyph(66), -1);
  EXPECT_FLOAT_EQ(font.GetLeft(1), 2 / 128.0f);
  EXPECT_FLOAT_EQ(font.GetRight(1), 50 / 128.0f);
  EXPECT_FLOAT_EQ(font.GetAdvance(1), 66 / 128.0f);
  for (int bad : {-1, 3, 1000}) {
    EXPECT_EQ(font.GetLeft(bad), 0.0f);
    EXPECT_EQ(font.GetRight(bad), 0.0f);
    EXPECT_EQ(font.GetAdvance(bad), 0.0f);
    EXPECT_EQ(font.GetGlyphScale(bad), 1.0f);
    EXPECT_EQ(font.GetOutline(bad), nullptr);
  }
  TMiniVecFont empty(nullptr, 0);
  EXPECT_EQ(empty.FindGlyph(65), -1);
  EXPECT_EQ(empty.GetCount(), 0);
}

TEST(MiniVecFontDamaged, EveryDamageGivesAnEmptyFont) {
  std::vector<uint8_t> good = SimpleFont();
  ASSERT_FALSE(Make(good).IsEmpty());
  TLogCapture log;
  std::vector<std::vector<uint8_t>> bad;
  std::vector<uint8_t> magic = good;
  magic[3] = '5';
  bad.push_back(magic);
  bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 11));        // header cut
  bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 12 + 18 * 5));  // table cut
  std::vector<uint8_t> lying = good;
  lying[4] = 0xFF, lying[5] = 0xFF;  // claims 65535 glyphs
  bad.push_back(lying);
  std::vector<uint8_t> offset = good;
  offset[12 + 14] = 0xFF, offset[12 + 15] = 0xFF, offset[12 + 16] = 0xFF;  // outline past the end
  bad.push_back(offset);
  for (size_t i = 0; i < bad.size(); ++i) {
    TMiniVecFont f = Make(bad[i]);
    EXPECT_TRUE(f.IsEmpty()) << "case " << i;
    EXPECT_EQ(f.FindGlyph('A'), -1);
    EXPECT_EQ(f.GetAscent(), 0.0f);
  }
  // An outline offset inside the file is no damage, even one pointing into
  // the glyph table: the font loads, and that outline is read from there.
  std::vector<uint8_t> intoTable = good;
  intoTable[12 + 14] = 12, intoTable[12 + 15] = 0, intoTable[12 + 16] = 0, intoTable[12 + 17] = 0;
  TMiniVecFont table = Make(intoTable);
  ASSERT_FALSE(table.IsEmpty());
  EXPECT_EQ(table.GetCount(), Make(good).GetCount());
  ASSERT_NE(table.GetOutline(0), nullptr);
  EXPECT_EQ(table.GetOutlineLimit(0), intoTable.size() - 12);
  // Codes out of order are no damage: the font loads, and the search finds
  // what its halving reaches ('W' here), not the codes out of place.
  TMiniVecFont unsorted = Make(BuildFont({BoxGlyph('c', 0, 1, -1, 30), BoxGlyph('W', 0, 1, -96, 0),
                                          BoxGlyph('b', 0, 1, -1, 10), BoxGlyph('a', 0, 1, -1, 20)}));
  ASSERT_EQ(unsorted.GetCount(), 4);
  EXPECT_EQ(unsorted.FindGlyph('W'), 1);
  EXPECT_EQ(unsorted.FindGlyph('b'), 2);
  EXPECT_EQ(unsorted.FindGlyph('c'), -1);
  EXPECT_EQ(unsorted.FindGlyph('a'), -1);
  EXPECT_FLOAT_EQ(unsorted.GetAscent(), 0.75f);
  EXPECT_FLOAT_EQ(unsorted.GetDescent(), 10 / 128.0f);  // only the codes the search finds count
  // Every truncation of a good file reads safely (the sanitizers watch).
  for (size_t n = 0; n < good.size(); n += 7) Make(std::vector<uint8_t>(good.begin(), good.begin() + n));
}

TEST(MiniVecFontFree, FreeEmptiesTheFont) {
  TMiniVecFont font = Make(SimpleFont());
  font.Free();
  EXPECT_TRUE(font.IsEmpty());
  EXPECT_EQ(font.GetOutline(0), nullptr);
}

TEST(BuiltinFont, MadeFromDejaVuAndComplete) {
  TMiniVecFont font(GetBuiltinFontData(), GetBuiltinFontSize());
  ASSERT_GT(font.GetCount(), 400);
  EXPECT_EQ(font.GetCode(0), 32u);
  for (uint32_t c = 32; c < 127; ++c) EXPECT_GE(font.FindGlyph(c), 0) << c;
  for (uint32_t c : {0xE9u, 0x0104u, 0x03A9u, 0x0416u, 0x20ACu, 0x2153u}) EXPECT_GE(font.FindGlyph(c), 0) << c;
  // DejaVu Sans: capitals about 0.73 em, descenders about 0.24 em.
  EXPECT_NEAR(font.GetAscent(), 0.73f, 0.02f);
  EXPECT_NEAR(font.GetDescent(), 0.24f, 0.04f);
  int w = font.FindGlyph('W');
  EXPECT_GT(font.GetAdvance(w), 0.9f);
  EXPECT_LT(font.GetLeft(w), font.GetRight(w));
}

TEST(BuiltinFont, ConvertedDemoFontReadsBack) {
  std::string bytes = testing_support::ReadFile(LANTERN_GENERATED_DEFAULT_FONT);
  ASSERT_GT(bytes.size(), 1000u);
  TMiniVecFont font(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  ASSERT_GT(font.GetCount(), 300);
  for (int i = 1; i < font.GetCount(); ++i) ASSERT_LT(font.GetCode(i - 1), font.GetCode(i));
  EXPECT_NEAR(font.GetAscent(), 0.73f, 0.03f);
  EXPECT_GE(font.FindGlyph('g'), 0);
}

TEST(FontCache, FallbackChain) {
  testing_support::TempDir dir;
  testing_support::ScopedChdir cd(dir.Path());
  ClearFontCache();
  TLogCapture log;
  TMiniVecFont* builtin = GetFont("__DEFAULT");
  ASSERT_NE(builtin, nullptr);
  EXPECT_GT(builtin->GetCount(), 400);
  // No "fonts/default.mvec" here: the built-in font stands in.
  TMiniVecFont* def = GetFont("fonts/default.mvec");
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->GetCount(), builtin->GetCount());
  EXPECT_TRUE(log.Contains("fonts/default.mvec not found"));
  TMiniVecFont* missing = GetFont("fonts/nothere.mvec");
  EXPECT_EQ(missing, def);
  EXPECT_EQ(GetFont("fonts/nothere.mvec"), missing);  // cached

  ClearFontCache();
  std::vector<uint8_t> simple = SimpleFont();
  dir.Write("fonts/default.mvec", simple);
  dir.Write("fonts/mine.mvec", BuildFont({BoxGlyph('x', 0, 1, -1, 0)}));
  dir.Write("fonts/broken.mvec", std::string("MVC4garbage"));
  EXPECT_EQ(GetFont("fonts/default.mvec")->GetCount(), int(26 * 2 + 2));
  EXPECT_EQ(GetFont("fonts/mine")->GetCount(), 1);  // ".mvec" added
  EXPECT_EQ(GetFont("fonts/broken.mvec"), GetFont("fonts/default.mvec"));
  ClearFontCache();
}
