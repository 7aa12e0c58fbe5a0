// The credits roll: the laid-out text and its padding, the scroll offset on
// the play clock with its intro pause, long rolls without overflow, bad
// styles, and a roll that wraps without a jump, checked on frames.
#include <gtest/gtest.h>

#include "game/story/credits.h"
#include "render/text/textblock.h"
#include "tests/game/story/storyfixture.h"

namespace storytest {
namespace {

class CreditsTest : public TStoryTest {
protected:
  CreditsTest() {
    MainXml("<Game><Common animrate=\"16\"/></Game>");
    Text("roll", "LANTERN\n\nNell Avery\nthe keeper's granddaughter\n\nMade by the lantern project");
  }
  TCredits* Open(const std::string& style) {
    Lua("CreditsWindow{ x = 0, y = 0, w = 1024, " + style + " }()");
    return Find<TCredits>();
  }
};

TEST_F(CreditsTest, TextIsPaddedByTheWindowHeightAndDoubled) {
  TCredits* c = Open("h = 600, fontsize = 20, credits_text = 'roll', columngap = 40, columnwidth = 452, "
                     "headercolor = {1, 0.5, 0, 1}, time = 1000");
  ASSERT_NE(c, nullptr);
  EXPECT_STREQ(c->GetClassName(), "TCredits");
  EXPECT_EQ(c->GetPaddingLines(), 30);
  std::string copy = "LANTERN\n\nNell Avery\nthe keeper's granddaughter\n\nMade by the lantern project" +
                     std::string(30, '\n');
  ASSERT_NE(c->GetBlock(), nullptr);
  EXPECT_EQ(c->GetBlock()->GetText().str(), copy + copy);
  EXPECT_EQ(c->GetBlock()->GetWidth(), 40 + 2 * 452);
  EXPECT_EQ(c->GetBlock()->GetHeight(), 600);
  EXPECT_EQ(c->GetHeaderColor(), TString("ff7f00ff"));
  // One pass is one copy: 6 lines of text and 30 breaks, the last of which
  // starts the next copy.
  float line = c->GetBlock()->GetLineHeight();
  EXPECT_NEAR(c->GetPassHeight(), int(35 * line), 1);
}

TEST_F(CreditsTest, OffsetFollowsThePlayClockAfterTheIntroPause) {
  EXPECT_EQ(TCredits::ScrollOffset(0, 10000, 5000), 0.0f);
  EXPECT_EQ(TCredits::ScrollOffset(1, 10000, 5000), 0.5f);
  EXPECT_EQ(TCredits::ScrollOffset(5000, 10000, 5000), 2500.0f);
  EXPECT_EQ(TCredits::ScrollOffset(9999, 10000, 5000), 4999.5f);
  EXPECT_EQ(TCredits::ScrollOffset(10000, 10000, 5000), 0.0f);  // exactly one pass
  EXPECT_EQ(TCredits::ScrollOffset(10002, 10000, 5000), 1.0f);
  EXPECT_EQ(TCredits::ScrollTime(1999 + 7, 7, 2000), 0u);
  EXPECT_EQ(TCredits::ScrollTime(2000 + 7, 7, 2000), 0u);
  EXPECT_EQ(TCredits::ScrollTime(2001 + 7, 7, 2000), 1u);
  EXPECT_EQ(TCredits::ScrollTime(5, 0xFFFFFFF0u, 0), 21u);  // the clock wraps

  TCredits* c = Open("h = 768, fontsize = 20, credits_text = 'roll', time = 10000, intropause = 2000, "
                     "columnwidth = 400");
  ASSERT_GT(c->GetPassHeight(), 0);
  time.Advance(5000);  // before the first drawing nothing counts
  EXPECT_EQ(c->CurrentOffset(), 0.0f);
  time.Advance(1999);
  EXPECT_EQ(c->CurrentOffset(), 0.0f);
  time.Advance(1);
  EXPECT_EQ(c->CurrentOffset(), 0.0f);
  time.Advance(5000);
  EXPECT_FLOAT_EQ(c->CurrentOffset(), c->GetPassHeight() / 2.0f);
  time.Advance(5000);
  EXPECT_EQ(c->CurrentOffset(), 0.0f);
}

// A minute per pass over 80000 pixels: the offset grows steadily through the
// whole pass. (With the product in 32 bits it fell back to 0 after 53.7 s.)
TEST_F(CreditsTest, LongRollsKeepTheirOffsetRight) {
  float last = -1;
  for (uint32_t t = 0; t < 60000; t += 3) {
    float offset = TCredits::ScrollOffset(t, 60000, 80000);
    ASSERT_GT(offset, last) << t;
    last = offset;
  }
  EXPECT_NEAR(TCredits::ScrollOffset(53688, 60000, 80000), 71584.0f, 0.01f);
  EXPECT_NEAR(TCredits::ScrollOffset(59999, 60000, 80000), 79998.67f, 0.01f);
  EXPECT_EQ(TCredits::ScrollOffset(60000, 60000, 80000), 0.0f);
  EXPECT_NEAR(TCredits::ScrollOffset(4000000000u, 3600000000u, 2000000), 222222.2f, 0.1f);
}

// A pass time or font size that is not positive is refused with a log line;
// the roll then stands still or uses the default size, and nothing divides by zero.
TEST_F(CreditsTest, ZeroTimeAndFontSizeAreRefused) {
  TCredits* c = Open("h = 600, fontsize = 0, credits_text = 'roll', time = 0, columnwidth = 400");
  EXPECT_TRUE(log.Contains("\"time\" must be positive"));
  EXPECT_TRUE(log.Contains("\"fontsize\" must be from 1"));
  EXPECT_EQ(c->GetFontSize(), TCredits::kDefaultFontSize);
  EXPECT_EQ(c->GetPaddingLines(), 600 / 16);
  time.Advance(100000);
  EXPECT_EQ(c->CurrentOffset(), 0.0f);
  DrawFrame();
  EXPECT_EQ(TCredits::ScrollOffset(123, 0, 500), 0.0f);
  EXPECT_EQ(TCredits::ScrollOffset(123, 100, 0), 0.0f);
  screen->DeleteChildren();
  Send(kEventTick);
  c = Open("h = 600, fontsize = -5, time = -1, intropause = -3, columngap = -4, credits_text = 'none'");
  EXPECT_EQ(c->GetPassTime(), 0u);
  EXPECT_EQ(c->GetIntroPause(), 0u);
  EXPECT_EQ(c->GetColumnGap(), 0);
  DrawFrame();
}

// On frames: the text stands still through the intro pause, moves up, and
// after exactly one pass shows the very picture it started with.
TEST_F(CreditsTest, RollWrapsWithoutAJump) {
  TCredits* c = Open("h = 768, fontsize = 24, credits_text = 'roll', time = 8000, intropause = 1000, "
                     "columngap = 40, columnwidth = 452, fontcolor = {1, 1, 1, 1}");
  auto frame = [&] { return Frame([&] { c->Draw(); }).pixels; };
  std::vector<uint32_t> first = frame();  // the clock starts here
  time.Advance(1000);
  EXPECT_EQ(frame(), first);  // the end of the pause
  time.Advance(4000);
  std::vector<uint32_t> half = frame();
  EXPECT_NE(half, first);
  time.Advance(3960);
  EXPECT_NE(frame(), first);  // a few pixels before the wrap
  time.Advance(40);
  EXPECT_EQ(frame(), first);  // one whole pass later
  time.Advance(4000);
  EXPECT_EQ(frame(), half);
}

}  // namespace
}  // namespace storytest
