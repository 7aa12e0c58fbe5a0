// Frame and atlas animations: one frame per update, wrap and end results,
// drawing on the software device, empty or missing files, restarting.
#include <gtest/gtest.h>

#include "game/shell/widgets/frameanim.h"
#include "platform/log.h"
#include "tests/game/support/widgetfixture.h"

using widgettest::Close;

namespace {
constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kBlack = 0xFF000000u;
}

class FrameAnim : public widgettest::TWidgetTest {
protected:
  // Three 8 x 8 frames, red, green and blue, at (40, 30).
  void ThreeFrames(const char* cycled, const char* delay = "0.1") {
    Solid("anim/f1.png", 8, 8, kRed);
    Solid("anim/f2.png", 8, 8, kGreen);
    Solid("anim/f3.png", 8, 8, kBlue);
    Write("anim/test.xml", std::string("<Root><Anim pos='40,30' delay='") + delay + "' is_cycled='" + cycled +
                               "' path='anim/'><frame name='f1'/><frame name='f2'/><frame name='f3'/></Anim></Root>");
  }
  uint32_t Shown(Anim_t& a, int x = 42, int y = 32) {
    return Frame([&] { a.Draw(0, 0, 1024, 768, 1.0f); }).At(x, y);
  }
};

TEST_F(FrameAnim, OneFramePerUpdateAndWrapReportedAsFalse) {
  ThreeFrames("1");
  Anim_t a;
  a.Load("anim/test.xml");
  ASSERT_EQ(a.GetFrameCount(), 3u);
  EXPECT_TRUE(a.frames[0] && !a.frames[1]);  // a later picture loads when first drawn
  EXPECT_FLOAT_EQ(a.delay, 0.1f);
  EXPECT_TRUE(a.Update(0.25f));  // stopped until Restart
  EXPECT_EQ(a.frame, 0);
  a.Restart();
  EXPECT_TRUE(a.Update(0.25f));
  EXPECT_EQ(a.frame, 1);
  EXPECT_TRUE(Close(Shown(a), kGreen));
  EXPECT_TRUE(a.Update(0.25f));
  EXPECT_EQ(a.frame, 2);
  EXPECT_FALSE(a.Update(0.25f));  // wraps
  EXPECT_EQ(a.frame, 0);
  EXPECT_TRUE(Close(Shown(a), kRed));
}

TEST_F(FrameAnim, FrameTopLeftAtItsPositionAndScaledAboutTheRectCentre) {
  ThreeFrames("1");
  Anim_t a;
  a.Load("anim/test.xml");
  const auto& f = Frame([&] { a.Draw(0, 0, 1024, 768, 1.0f); });
  EXPECT_TRUE(Close(f.At(40, 30), kRed));
  EXPECT_TRUE(Close(f.At(47, 37), kRed));
  EXPECT_TRUE(Close(f.At(39, 30), kBlack));
  EXPECT_TRUE(Close(f.At(48, 37), kBlack));
  // The owner's rectangle (20, 10, 120, 110): top-left at (20, 20) relative to it,
  // doubled about its centre (50, 50): (-10, -10) .. (6, 6) in the window's coordinates.
  const auto& g = Frame([&] { a.Draw(20, 10, 120, 110, 2.0f); });
  EXPECT_TRUE(Close(g.At(0, 0), kRed));
  EXPECT_TRUE(Close(g.At(5, 5), kRed));
  EXPECT_TRUE(Close(g.At(7, 7), kBlack));
  // A "pos" with one number sets x; y keeps what it was.
  Write("anim/test.xml", "<Root><Anim pos='70' path='anim/'><frame name='f1'/></Anim></Root>");
  a.Load("anim/test.xml");
  EXPECT_FLOAT_EQ(a.x, 70.0f);
  EXPECT_FLOAT_EQ(a.y, 30.0f);
}

// A one-shot that has ended stays invisible through Restart, until it is
// loaded again; an atlas one-shot too.
TEST_F(FrameAnim, OneShotEndsAndStaysInvisibleUntilLoadedAgain) {
  ThreeFrames("0");
  Anim_t a;
  a.Load("anim/test.xml");
  a.Restart();
  EXPECT_TRUE(a.Update(0.1f));
  EXPECT_TRUE(a.Update(0.1f));
  EXPECT_FALSE(a.Update(0.1f));
  EXPECT_TRUE(a.finished);
  EXPECT_TRUE(a.frames.empty());  // the pictures are given back
  EXPECT_TRUE(Close(Shown(a), kBlack));
  a.Restart();
  EXPECT_TRUE(a.finished);
  EXPECT_TRUE(Close(Shown(a), kBlack));
  EXPECT_TRUE(a.Update(0.1f));
  EXPECT_TRUE(Close(Shown(a), kBlack));
  a.Load("anim/test.xml");
  a.Restart();
  EXPECT_TRUE(Close(Shown(a), kRed));
  EXPECT_TRUE(a.Update(0.1f));
  EXPECT_TRUE(Close(Shown(a), kGreen));

  Solid("once.jpg", 8, 8, kRed);
  Solid("once_a.jpg", 8, 8, 0xFFFFFFFFu);
  Write("once.xml", "<Root delay='100'><frame offsetX='0' offsetY='0' atlasX='0' atlasY='0' W='8' H='8'/></Root>");
  AtlasAnim_t atlas;
  atlas.Load("once");
  atlas.x = 40;
  atlas.y = 30;
  auto atlasShown = [&] { return Frame([&] { atlas.Draw(0, 0, 1024, 768, 1.0f); }).At(42, 32); };
  atlas.Restart();
  EXPECT_TRUE(Close(atlasShown(), kRed, 4));
  EXPECT_FALSE(atlas.Update(0.1f));
  EXPECT_TRUE(Close(atlasShown(), kBlack));
  atlas.Restart();
  EXPECT_TRUE(atlas.finished);
  EXPECT_TRUE(Close(atlasShown(), kBlack));
  atlas.Load("once");
  atlas.Restart();
  EXPECT_TRUE(Close(atlasShown(), kRed, 4));
}

TEST_F(FrameAnim, MissingFileOrNoFramesDrawsNothingAndLogs) {
  TLogCapture log;
  Anim_t missing;
  missing.Load("anim/none.xml");
  EXPECT_TRUE(log.Contains("Anim_t::Load: no animation in anim/none.xml"));
  missing.Restart();
  EXPECT_FALSE(missing.Update(1.0f));
  EXPECT_TRUE(Close(Shown(missing), kBlack));
  Write("anim/empty.xml", "<Root><Anim pos='0,0' delay='0.1' is_cycled='1'/></Root>");
  Anim_t empty;
  empty.Load("anim/empty.xml");
  EXPECT_TRUE(log.Contains("anim/empty.xml has no frames"));
  empty.Restart();
  for (int i = 0; i < 3; ++i) empty.Update(0.2f);
  EXPECT_TRUE(Close(Shown(empty, 0, 0), kBlack));

  AtlasAnim_t atlas;
  atlas.Load("nothing");
  EXPECT_TRUE(log.Contains("AtlasAnim_t::Load: no animation file for nothing"));
  atlas.Restart();
  atlas.Update(1.0f);
  const auto& f = Frame([&] { atlas.Draw(0, 0, 1024, 768, 1.0f); });
  EXPECT_TRUE(Close(f.At(0, 0), kBlack));
}

TEST_F(FrameAnim, AtlasCellsDelayInMillisecondsAndWrapReportedAsTrue) {
  // A 16 x 8 atlas: red cell on the left, blue on the right; its mask is opaque.
  Png("atlas.jpg", 16, 8, [](int x, int) { return x < 8 ? kRed : kBlue; });
  Solid("atlas_a.jpg", 16, 8, 0xFFFFFFFFu);
  Write("atlas.xml", "<Root delay='100' is_cycled='1'>"
                     "<frame offsetX='0' offsetY='0' atlasX='0' atlasY='0' W='8' H='8'/>"
                     "<frame offsetX='4' offsetY='0' atlasX='8' atlasY='0' W='8' H='8'/></Root>");
  AtlasAnim_t a;
  a.Load("atlas");
  ASSERT_EQ(a.GetFrameCount(), 2u);
  EXPECT_FLOAT_EQ(a.delay, 0.1f);
  a.x = 100;
  a.y = 50;
  a.Restart();
  const auto& f = Frame([&] { a.Draw(0, 0, 1024, 768, 1.0f); });
  EXPECT_TRUE(Close(f.At(100, 50), kRed, 4));
  EXPECT_TRUE(Close(f.At(107, 57), kRed, 4));
  EXPECT_TRUE(Close(f.At(108, 57), kBlack, 4));
  EXPECT_TRUE(a.Update(0.1f));
  const auto& g = Frame([&] { a.Draw(0, 0, 1024, 768, 1.0f); });
  EXPECT_TRUE(Close(g.At(104, 50), kBlue, 4));
  EXPECT_TRUE(Close(g.At(111, 57), kBlue, 4));
  EXPECT_TRUE(Close(g.At(103, 50), kBlack, 4));
  EXPECT_TRUE(a.Update(0.1f));  // wraps to the first cell
  EXPECT_EQ(a.frame, 0);
}
