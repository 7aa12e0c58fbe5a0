// The game utilities: arithmetic, matrix order, dates, the sound-device
// warning, lit quads on the software device, masked loading and Lua quoting.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/mixer/softsound.h"
#include "audio/soundmanager.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/widgets/gameutils.h"
#include "script/luaapi.h"
#include "tests/game/support/widgetfixture.h"

using widgettest::TWidgetTest;

TEST(GameUtils, DateAndTimeAreMonthDayYearAndHourMinute) {
  std::tm when{};
  when.tm_year = 2009 - 1900;
  when.tm_mon = 2;
  when.tm_mday = 5;
  when.tm_hour = 9;
  when.tm_min = 7;
  EXPECT_EQ(FormatDate(when), "03-05-2009");
  EXPECT_EQ(FormatTime(when), "09:07");
  when.tm_hour = 23;
  when.tm_min = 59;
  EXPECT_EQ(FormatTime(when), "23:59");
}

TEST(GameUtils, ClampTakesTheValueLastAndClampValueFirst) {
  EXPECT_EQ(Clamp(0, 10, 15), 10);
  EXPECT_EQ(Clamp(0, 10, -3), 0);
  EXPECT_EQ(Clamp(0, 10, 4), 4);
  EXPECT_EQ(ClampValue(1.5f, 0, 1), 1);
  EXPECT_EQ(ClampValue(-0.5f, 0, 1), 0);
  EXPECT_EQ(ClampValue(0.25f, 0, 1), 0.25f);
  EXPECT_NEAR(DegToRad(180), 3.14159265f, 1e-6);
  EXPECT_EQ(Lerp(2, 6, 0.25f), 3);
  EXPECT_EQ(LerpPoint(0, 10, 20, 30, 0.5f), TVec2(10, 20));
  EXPECT_EQ(LerpPoint(TVec2(0, 10), TVec2(20, 30), 1.0f), TVec2(20, 30));
}

TEST(GameUtils, TranslateAppliesAfterAndPreTranslateBefore) {
  TMat3 after;
  ScaleMatrix(after, 2);
  TranslateMatrix(after, TVec2(10, 0));
  EXPECT_EQ(after.Transform(TVec2(1, 1)), TVec2(12, 2));
  TMat3 before;
  ScaleMatrix(before, 2);
  PreTranslateMatrix(before, TVec2(10, 0));
  EXPECT_EQ(before.Transform(TVec2(1, 1)), TVec2(22, 2));
}

TEST(GameUtils, NoSoundDeviceIsReportedOncePerRun) {
  SetStartFlag(true);
  ASSERT_EQ(FindSoundManager(), nullptr);
  EXPECT_TRUE(ShouldWarnNoSoundDevice());
  EXPECT_FALSE(ShouldWarnNoSoundDevice());
  EXPECT_FALSE(ShouldWarnNoSoundDevice());
  // A silent output that was asked for (a headless run's) is a device: no
  // warning, and the one due stays due; a manager without any output warns.
  SetStartFlag(true);
  for (TSoftOutputKind kind : {TSoftOutputKind::kNull, TSoftOutputKind::kNone}) {
    SetSoftSoundOutput(kind);
    TSoundManager manager(false);
    manager.Init();
    ASSERT_EQ(FindSoundManager(), &manager);
    EXPECT_EQ(ShouldWarnNoSoundDevice(), kind == TSoftOutputKind::kNone);
  }
  SetSoftSoundOutput(TSoftOutputKind::kAuto);
  EXPECT_FALSE(ShouldWarnNoSoundDevice());
  SetStartFlag(true);
}

TEST(GameUtils, LuaQuoteRoundTripsEveryByte) {
  std::string text = "it's \"quoted\" \\ back\nslash";
  for (int c = 1; c < 256; ++c) text += char(c);
  lua_State* L = luaL_newstate();
  std::string chunk = "x = " + LuaQuote(text);
  ASSERT_EQ(luaL_dostring(L, chunk.c_str()), 0);
  lua_getglobal(L, "x");
  size_t n = 0;
  const char* got = lua_tolstring(L, -1, &n);
  EXPECT_EQ(std::string(got, n), text);
  lua_close(L);
}

class GameUtilsDraw : public TWidgetTest {};

TEST_F(GameUtilsDraw, QuadCoordinatesCoverThePictureNotItsPadding) {
  // A device that wants power-of-two textures puts 100 x 50 on a 128 x 64
  // surface: red with a blue last column and row.
  sdev::test::Config config = sdev::test::DefaultConfig();
  for (auto& device : config.adapters[0].d3dDevices) device.second.pow2Only = 1;
  ReopenDisplay(config);
  Png("pad.png", 100, 50, [](int x, int y) { return (x == 99 || y == 49) ? 0xFF0000FFu : 0xFFFF0000u; });
  TTextureRef t = TTexture::Get("pad", 0);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->GetAllocatedSize(), TPoint(128, 64));
  const TVec3 corners[4] = {TVec3(10, 10, 0), TVec3(10, 60, 0), TVec3(110, 10, 0), TVec3(110, 60, 0)};
  const TVec2 uv[4] = {TVec2(0, 0), TVec2(0, 1), TVec2(1, 0), TVec2(1, 1)};
  const auto& f = Frame([&] { DrawTextureQuad(t, corners, uv, 0); });
  EXPECT_TRUE(widgettest::Close(f.At(10, 10), 0xFFFF0000u));
  EXPECT_TRUE(widgettest::Close(f.At(108, 58), 0xFFFF0000u));
  EXPECT_TRUE(widgettest::Close(f.At(109, 30), 0xFF0000FFu));  // the picture's last column, not padding
  EXPECT_TRUE(widgettest::Close(f.At(110, 30), 0xFF000000u));
  EXPECT_TRUE(widgettest::Close(f.At(9, 9), 0xFF000000u));
}

TEST_F(GameUtilsDraw, RotatedAndTransformedPictures) {
  Solid("sq.png", 20, 10, 0xFF00FF00u);
  TTextureRef t = TTexture::Get("sq", 0);
  // A quarter turn about the centre (60, 55): 10 wide, 20 high.
  const auto& f = Frame([&] { DrawTextureRotated(t, 50, 50, DegToRad(90), 1.0f); });
  EXPECT_TRUE(widgettest::Close(f.At(60, 47), 0xFF00FF00u));
  EXPECT_TRUE(widgettest::Close(f.At(52, 55), 0xFF000000u));
  // Scaled 2x about the clip's centre and clipped to its 260 x 170.
  const auto& g = Frame([&] { DrawTextureTransformed(t, 2.0f, TVec2(300, 300), TVec2(300 - 10, 300 - 5), 20, 10); });
  EXPECT_TRUE(widgettest::Close(g.At(281, 291), 0xFF00FF00u));
  EXPECT_TRUE(widgettest::Close(g.At(318, 308), 0xFF00FF00u));
  EXPECT_TRUE(widgettest::Close(g.At(278, 300), 0xFF000000u));
  const auto& h = Frame([&] { DrawTextureTransformed(t, 40.0f, TVec2(300, 300), TVec2(290, 295), 20, 10); });
  EXPECT_TRUE(widgettest::Close(h.At(300 + 129, 300), 0xFF00FF00u));
  EXPECT_TRUE(widgettest::Close(h.At(300 + 131, 300), 0xFF000000u));
}

TEST_F(GameUtilsDraw, MaskedLoadingPrefersTheMaskOrThePng) {
  Solid("plain.png", 4, 4, 0xFF102030u);
  TTextureRef plain = LoadTextureWithAlpha("plain");
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->GetData()->maskName.IsEmpty());
  Solid("masked.jpg", 4, 4, 0xFFFFFFFFu);
  Solid("masked_a.png", 4, 4, 0xFF000000u);  // black: transparent
  TTextureRef masked = LoadTextureWithAlpha("masked");
  ASSERT_TRUE(masked);
  EXPECT_EQ(masked->GetData()->maskName, "masked_a.png");
  const auto& f = Frame([&] { masked->DrawAt(0, 0, 1, 1, 0, 8); });
  EXPECT_TRUE(widgettest::Close(f.At(1, 1), 0xFF000000u));
  // The other order: a PNG of the name wins over the masked pair.
  Solid("both.png", 4, 4, 0xFF00FF00u);
  Solid("both.jpg", 4, 4, 0xFFFFFFFFu);
  Solid("both_a.png", 4, 4, 0xFFFFFFFFu);
  EXPECT_TRUE(LoadTexturePreferPng("both")->GetData()->maskName.IsEmpty());
  EXPECT_EQ(LoadTextureWithAlpha("both")->GetData()->maskName, "both_a.png");
  EXPECT_FALSE(LoadTextureWithAlpha("absent"));
}
