// The fade window: its ticks, the script texts it runs at full dark and when
// clear, the pending change, long names, and what it draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/shell/widgets/shadow.h"
#include "platform/log.h"
#include "script/luaapi.h"
#include "tests/game/support/widgetfixture.h"
#include "tests/support/luaglobal.h"

namespace {

class ShadowTest : public widgettest::TWidgetWindowTest {
protected:
  // Lua stand-ins that record what the shadow runs.
  void Record() {
    Lua("gCalls = {} gSteps = 0 "
        "function CSStep(dt) gSteps = gSteps + 1 gStep = dt end "
        "function PopModal(n) table.insert(gCalls, 'PopModal ' .. n) end "
        "function DoModal(n) table.insert(gCalls, 'DoModal ' .. n) end");
  }
  std::vector<std::string> Calls() {
    return testing_support::LuaGlobalList(script->GetState(), "gCalls");
  }
  TShadow* Open(const char* name = "sShadow") {
    Lua(std::string("Shadow{ name = '") + name + "', x = 0, y = 0, w = kMax, h = kMax }()");
    return WindowCast<TShadow>(screen->FindChild(name));
  }
  // Ticks of 16 ms until `done` holds (at most `limit`); returns how many ran.
  template <class F>
  int TicksUntil(F done, int limit = 200) {
    for (int n = 1; n <= limit; ++n) {
      Tick(16);
      if (done()) return n;
    }
    return -1;
  }
  size_t Count(const std::string& message) {
    return size_t(std::count(recorder.seen.begin(), recorder.seen.end(), message));
  }
};

}  // namespace

TEST_F(ShadowTest, DarkensInSixtyThreeTicksSteppingTheSoundEachTime) {
  Record();
  CSWithSh("mainmenu", "scripts/next.lua");
  TShadow* shadow = Open();
  ASSERT_NE(shadow, nullptr);
  EXPECT_STREQ(shadow->GetClassName(), "TShadow");
  EXPECT_FLOAT_EQ(shadow->GetAlpha(), 0.0f);
  EXPECT_FLOAT_EQ(shadow->GetDuration(), 1.0f);
  EXPECT_FLOAT_EQ(shadow->GetFrameStep(), 0.016f);
  int ticks = TicksUntil([&] { return !Calls().empty(); });
  EXPECT_EQ(ticks, 63);
  EXPECT_EQ(Number("gSteps"), 63);
  EXPECT_NEAR(Number("gStep"), 0.016, 1e-9);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"PopModal sShadow", "PopModal mainmenu", "DoModal scripts/next.lua",
                                               "DoModal scripts/shadow.lua"}));
  EXPECT_FALSE(IsShadowDarkening());
  // The change stays stored.
  EXPECT_EQ(GetShadowTarget(), "mainmenu");
  EXPECT_EQ(GetShadowScript(), "scripts/next.lua");
  EXPECT_TRUE(recorder.seen.empty());
}

TEST_F(ShadowTest, LiftingShadowNeverStepsTheSoundAndPostsTheEndOnce) {
  Record();
  CSWithSh("a", "b.lua");
  TShadow* dark = Open("dark");
  TicksUntil([&] { return !Calls().empty(); });
  dark->ShowWindow(false);
  screen->RemoveChild(dark);
  wm->QueueDelete(dark);
  Lua("gCalls = {} gSteps = 0");
  TShadow* lift = Open("lift");
  ASSERT_NE(lift, nullptr);
  EXPECT_FALSE(lift->IsDarkening());
  EXPECT_FLOAT_EQ(lift->GetAlpha(), 1.0f);
  Tick(16);
  EXPECT_NEAR(lift->GetAlpha(), 0.984f, 1e-5);
  int ticks = TicksUntil([&] { return !Calls().empty(); });
  EXPECT_EQ(ticks + 1, 63);
  EXPECT_EQ(Number("gSteps"), 0);
  EXPECT_EQ(Calls(), std::vector<std::string>{"PopModal sShadow"});
  Tick(16);  // the posted message is delivered
  EXPECT_EQ(Count("1003:"), 1u);
  EXPECT_TRUE(IsShadowDarkening());
}

TEST_F(ShadowTest, EmptyTargetAndQuotesInNamesAndNoScriptAtAll) {
  Record();
  CSWithSh("", "scripts/it's \"here\".lua");
  Open("one");
  TShadow* one = WindowCast<TShadow>(screen->FindChild("one"));
  TicksUntil([&] { return !Calls().empty(); });
  EXPECT_EQ(Calls(), (std::vector<std::string>{"PopModal sShadow", "DoModal scripts/it's \"here\".lua",
                                               "DoModal scripts/shadow.lua"}));
  screen->RemoveChild(one);
  wm->QueueDelete(one);
  // A shadow opened without a new change opens the last screen's script again.
  auto runOut = [&](const char* name) {
    Lua("gCalls = {}");
    TShadow* shadow = Open(name);
    TicksUntil([&] { return !Calls().empty(); });
    screen->RemoveChild(shadow);
    wm->QueueDelete(shadow);
  };
  ResetShadowState();
  CSWithSh("from", "again.lua");
  runOut("two");
  runOut("three");  // the lifting shadow of the change
  runOut("four");   // opened by itself, without CSWithSh
  EXPECT_EQ(Calls(), (std::vector<std::string>{"PopModal sShadow", "PopModal from", "DoModal again.lua",
                                               "DoModal scripts/shadow.lua"}));
  // Nothing stored at all: the shadow darkens and lifts, and opens nothing.
  ResetShadowState();
  Lua("gCalls = {}");
  Open("five");
  TicksUntil([&] { return Calls().size() >= 2; });
  EXPECT_EQ(Calls(), (std::vector<std::string>{"PopModal sShadow", "DoModal scripts/shadow.lua"}));
}

TEST_F(ShadowTest, NamesOfTwoHundredFiftySixBytesAreRefused) {
  TLogCapture log;
  CSWithSh("keep", "keep.lua");
  std::string longest(255, 'x'), tooLong(256, 'y');
  Lua("CSWithSh('" + tooLong + "', 'next.lua')");
  EXPECT_EQ(GetShadowTarget(), "keep");
  EXPECT_TRUE(log.Contains("CSWithSh: refused"));
  CSWithSh("a", std::string(300, 'z').c_str());
  EXPECT_EQ(GetShadowScript(), "keep.lua");
  Lua("CSWithSh('" + longest + "', nil)");
  EXPECT_EQ(GetShadowTarget(), longest);
  EXPECT_EQ(GetShadowScript(), "");
  CSWithSh(nullptr, nullptr);
  EXPECT_EQ(GetShadowTarget(), "");
}

TEST_F(ShadowTest, CoversTheScreenWithThePictureAtItsAlpha) {
  Solid("backgrounds/sh1.png", 64, 64, 0xFFFFFFFFu);
  Record();
  TShadow* shadow = Open();
  // Drawing takes a tick, which steps the shadow once: the frame shows that step.
  EXPECT_NEAR(widgettest::Channel(DrawFrame().At(512, 384), 8), 255 * 0.016f, 2);
  for (int i = 0; i < 30; ++i) Tick(16);
  EXPECT_NEAR(shadow->GetAlpha(), 0.496f, 1e-4);
  const auto& f = DrawFrame();
  float alpha = shadow->GetAlpha();
  for (auto [x, y] : {std::pair{0, 0}, std::pair{1023, 767}, std::pair{512, 384}})
    EXPECT_NEAR(widgettest::Channel(f.At(x, y), 8), 255 * alpha, 3) << x << "," << y;
}

TEST_F(ShadowTest, WithoutItsPictureItStillTimesAndChangesScreens) {
  Record();
  CSWithSh("", "s.lua");
  Open();
  EXPECT_EQ(TicksUntil([&] { return !Calls().empty(); }), 63);
  EXPECT_TRUE(widgettest::Close(DrawFrame().At(512, 384), 0xFF000000u));
}
