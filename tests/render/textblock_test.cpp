// Text layout: wrapping, alignment, line counts, bounds, links, rotation and
// the drawn glyphs, with a font made for the test and with the built-in font.
#include <gtest/gtest.h>

#include <memory>

#include "render/text/font.h"
#include "render/text/minivecdraw.h"
#include "render/text/minivecfont.h"
#include "render/text/textblock.h"
#include "tests/render/mvec_builder.h"
#include "tests/support/testsupport.h"

using namespace mvec_test;

namespace {

// The simple font at size 128: 1 unit = 1 pixel. Capitals are boxes 48 wide
// (ink 8..56), advance 72; space advance 32. Line box: 1.25 em = 160 px,
// baseline 120 px below the line top.
class TextBlockTest : public ::testing::Test {
protected:
  void SetUp() override {
    cd_.reset(new testing_support::ScopedChdir(dir_.Path()));
    ClearFontCache();
    dir_.Write("fonts/simple.mvec", SimpleFont());
  }
  void TearDown() override {
    ClearFontCache();
    cd_.reset();
  }
  std::unique_ptr<TTextBlock, void (*)(TTextBlock*)> Make(const char* text, int w, int h, int flags = 0,
                                                           int size = 128) {
    return {TTextBlock::Create(text, w, h, flags, "fonts/simple.mvec", size, TFloatColor(1, 1, 1, 1)),
            &TTextBlock::Destroy};
  }
  testing_support::TempDir dir_;
  std::unique_ptr<testing_support::ScopedChdir> cd_;
};

struct TFrame {
  int w, h;
  std::vector<uint32_t> px;
  TFrame(int w_, int h_) : w(w_), h(h_), px(size_t(w_) * h_, 0xFF000000u) {}
  TMiniVecPixels Pixels() { return TMiniVecPixels{px.data(), w, h, w}; }
  int Red(int x, int y) const { return (px[size_t(y) * w + x] >> 16) & 255; }
  int Lit(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += Red(x, y) > 0;
    return n;
  }
};

}  // namespace

TEST_F(TextBlockTest, WordWrapAndLineCount) {
  // "AB CD": AB ink ends at 72 + 56 - 8 = 120 (the line starts at -left ink).
  auto b = Make("AB CD EF", 300, 1000);
  EXPECT_EQ(b->GetLineCount(), 2);  // "AB CD " fits 280, EF goes on
  auto narrow = Make("AB CD EF", 150, 1000);
  EXPECT_EQ(narrow->GetLineCount(), 3);
  // "AB CD" inks to 240 + 56 = 296: a word that ends exactly at the width stays.
  for (int w : {295, 296, 297}) EXPECT_EQ(Make("AB CD", w, 1000)->GetLineCount(), w < 296 ? 2 : 1) << w;
  // A word longer than the width breaks between characters.
  auto word = Make("ABCDEFGH", 150, 1000);
  EXPECT_EQ(word->GetLineCount(), 4);
  auto breaks = Make("A\nB<br>C\n", 1000, 1000);
  EXPECT_EQ(breaks->GetLineCount(), 4);
  auto empty = Make("", 100, 100);
  EXPECT_EQ(empty->GetLineCount(), 0);
  TRect r(1, 1, 1, 1);
  empty->GetTextBounds(r, 1.0f);
  EXPECT_EQ(r, TRect());
  b->SetSize(1000, 1000);
  EXPECT_EQ(b->GetLineCount(), 1);
}

TEST_F(TextBlockTest, AlignmentHorizontalAndVertical) {
  // One line "AB": ink width 120; line height 160.
  for (int h = 0; h < 3; ++h) {
    for (int v = 0; v < 3; ++v) {
      auto b = Make("AB", 400, 600, h + 4 * v);
      TRect r;
      b->GetTextBounds(r, 1.0f);
      int left = h == 0 ? 0 : h == 1 ? 140 : 280;
      int top = v == 0 ? 0 : v == 1 ? 220 : 440;
      EXPECT_EQ(r, TRect(left, top, left + 120, top + 160)) << h << "," << v;
    }
  }
  auto scaled = Make("AB", 400, 600, 0);
  TRect r;
  scaled->GetTextBounds(r, 0.5f);
  EXPECT_EQ(r, TRect(0, 0, 60, 80));
}

TEST_F(TextBlockTest, LinesFittingFromTheEndAndScroll) {
  auto b = Make("A\nB\nC\nD\nE", 500, 350);  // 5 lines of 160
  EXPECT_EQ(b->GetLineCount(), 5);
  EXPECT_EQ(b->GetLinesFittingFromEnd(1.0f, 0), 3);   // D and E fit in 350
  EXPECT_EQ(b->GetLinesFittingFromEnd(0.25f, 0), 0);  // 5 x 40 fits
  EXPECT_EQ(b->GetLinesFittingFromEnd(1.0f, 20), 4);  // 180 per line
  b->SetScroll(3.5f);
  TRect r;
  b->GetTextBounds(r, 1.0f);
  EXPECT_EQ(r.Height(), 320);  // from line 3
}

TEST_F(TextBlockTest, LinksAndHover) {
  auto b = Make("AB <a id='go'>CD</a> EF", 2000, 400);
  EXPECT_EQ(b->GetLinkAt(TPoint(10, 50), 0), "");
  // "AB " = 72 + 72 + 32 = 176 (minus the first left ink 8): C spans 168..240.
  EXPECT_EQ(b->GetLinkAt(TPoint(200, 50), 0), "go");
  EXPECT_EQ(b->GetLinkAt(TPoint(300, 50), 0), "go");
  EXPECT_EQ(b->GetLinkAt(TPoint(200, 170), 0), "");  // below the only line
  TPoint over(200, 50), off(10, 50);
  EXPECT_TRUE(b->UpdateHoverLink(&over, 0));
  EXPECT_EQ(b->GetHoverLink(), "go");
  EXPECT_FALSE(b->UpdateHoverLink(&over, 0));
  EXPECT_TRUE(b->UpdateHoverLink(&off, 0));
  EXPECT_TRUE(b->UpdateHoverLink(&over, 0));
  EXPECT_TRUE(b->UpdateHoverLink(nullptr, 0));
  // Padding moves the second line down.
  auto two = Make("A\n<a id=\"x\">B</a>", 500, 1000);
  EXPECT_EQ(two->GetLinkAt(TPoint(20, 170), 0), "x");
  EXPECT_EQ(two->GetLinkAt(TPoint(20, 170), 20), "");
  EXPECT_EQ(two->GetLinkAt(TPoint(20, 185), 20), "x");
}

TEST_F(TextBlockTest, RotationTurnsBoundsAndLinks) {
  auto b = Make("<a id='r'>AB</a>", 400, 400);
  b->SetRotation(90, 0, 0);
  TRect r;
  b->GetTextBounds(r, 1.0f);
  // (0..120) x (0..160) turned a quarter clockwise about the origin.
  EXPECT_EQ(r, TRect(-160, 0, 0, 120));
  EXPECT_EQ(b->GetLinkAt(TPoint(-50, 30), 0), "r");
  EXPECT_EQ(b->GetLinkAt(TPoint(50, 30), 0), "");
  // Drawn turned: ink left of the origin, none right of it.
  TFrame f(400, 400);
  b->DrawToPixels(f.Pixels(), TVec2(200, 100), 1000, 1, 0, 1);
  EXPECT_GT(f.Lit(40, 100, 200, 230), 1000);
  EXPECT_EQ(f.Lit(200, 0, 400, 400), 0);
}

TEST_F(TextBlockTest, GlyphsDrawnWherePlaced) {
  auto b = Make("AB", 400, 200);
  TFrame f(300, 200);
  b->DrawToPixels(f.Pixels(), TVec2(10, 5), 1000, 1, 0, 1);
  // A: ink 0..48, from the line top + 24 (baseline 120 - 96) to the baseline.
  int top = 5 + 24, bottom = 5 + 120;
  EXPECT_EQ(f.Red(10, top), 255);
  EXPECT_EQ(f.Red(57, bottom - 1), 255);
  EXPECT_EQ(f.Red(58, 60), 0);   // gap between A and B (48..72)
  EXPECT_EQ(f.Red(9, 60), 0);
  EXPECT_EQ(f.Red(10, top - 1), 0);
  EXPECT_EQ(f.Red(10, bottom), 0);
  EXPECT_EQ(f.Lit(0, 0, 300, 200), 2 * 48 * 96);
  // Nothing at alpha 0; lines below the height limit are skipped.
  TFrame g(300, 200);
  b->DrawToPixels(g.Pixels(), TVec2(10, 5), 1000, 0, 0, 1);
  b->DrawToPixels(g.Pixels(), TVec2(10, 5), 100, 1, 0, 1);
  EXPECT_EQ(g.Lit(0, 0, 300, 200), 0);
}

TEST_F(TextBlockTest, ColourRunsCaretAndUnderline) {
  auto b = Make("A<font color=\"00FF00\">B</font><cursor><u>C</u>", 1000, 200);
  TFrame f(400, 200);
  b->DrawToPixels(f.Pixels(), TVec2(0, 0), 1000, 1, 0, 1);
  EXPECT_EQ(f.px[60 * 400 + 20], 0xFFFFFFFFu);
  EXPECT_EQ(f.px[60 * 400 + 90], 0xFF00FF00u);
  // The caret stands between B and C (x 136..), the underline under C.
  EXPECT_GT(f.Red(137, 100), 0);
  EXPECT_GT(f.Lit(150, 121, 210, 140), 40);
  EXPECT_EQ(f.Lit(0, 121, 130, 140), 0);
  // Unknown tags and entities show as text.
  auto lit = Make("&lt;A&gt; <q>", 2000, 200);
  EXPECT_EQ(lit->GetLineCount(), 1);
}

TEST_F(TextBlockTest, BuiltinFontLaysOutAndDraws) {
  std::unique_ptr<TTextBlock, void (*)(TTextBlock*)> b(
      TTextBlock::Create("Hello, World! Grüße", 150, 200, 0, "__DEFAULT", 20, TFloatColor(1, 1, 1, 1)),
      &TTextBlock::Destroy);
  EXPECT_EQ(b->GetLineCount(), 2);
  TFrame f(220, 100);
  b->DrawToPixels(f.Pixels(), TVec2(2, 2), 1000, 1, 0, 1);
  int lit = f.Lit(0, 0, 220, 100);
  EXPECT_GT(lit, 300);
  EXPECT_LT(lit, 4000);
  // The same text drawn twice lands on the same pixels (the second from the cache).
  TFrame g(220, 100);
  b->DrawToPixels(g.Pixels(), TVec2(2, 2), 1000, 1, 0, 1);
  EXPECT_EQ(f.px, g.px);
}

TEST_F(TextBlockTest, TextAtChangingScalesKeepsTheGlyphCacheSound) {
  auto b = Make("Scaled TEXT grows_", 2000, 400, 0, 24);
  TKnMiniVecDraw* draw = GetMiniVecDraw();
  draw->ClearCache();
  draw->SetCacheLimit(4000);  // evictions all the time, as the default limit gives after a while
  TFrame f(600, 200);
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 0; i < 60; ++i) b->DrawToPixels(f.Pixels(), TVec2(0, 0), 1000, 1, 0, 1.0f + 0.02f * float(i));
  TFrame a(600, 200), c(600, 200);
  b->DrawToPixels(a.Pixels(), TVec2(0, 0), 1000, 1, 0, 1.5f);
  draw->ClearCache();
  b->DrawToPixels(c.Pixels(), TVec2(0, 0), 1000, 1, 0, 1.5f);
  EXPECT_EQ(a.px, c.px);
  EXPECT_GT(a.Lit(0, 0, 600, 200), 1000);
  draw->SetCacheLimit(TKnMiniVecDraw::kDefaultCacheRecords);
  draw->ClearCache();
}
