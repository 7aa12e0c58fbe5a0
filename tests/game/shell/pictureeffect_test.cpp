// Picture effects stepped to given times: alpha, scale, position and angle at
// the track boundaries, the lifetime, and the picture drawn by the software device.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <cmath>

#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/pictureeffect.h"
#include "platform/log.h"
#include "tests/game/support/widgetfixture.h"

namespace {

// An effect loaded from one "PictEffects" element given as text.
struct TEffect {
  explicit TEffect(const std::string& xml) {
    doc.Parse(xml.c_str());
    effect.LoadEffects(doc.RootElement());
  }
  TiXmlDocument doc;
  PictEff_t effect;
};

}  // namespace

TEST(PictureEffect, AlphaStartsWithoutApplyingAndStopsWithoutAFinalApply) {
  TEffect e("<EffFind><alpha t1='0' t2='1' al='0'/></EffFind>");
  PictEff_t& p = e.effect;
  EXPECT_EQ(p.lifetime, -10.0f);
  std::vector<int> seen;
  std::vector<bool> done;
  for (int i = 0; i < 5; ++i) {
    done.push_back(p.Update(0.3f));
    seen.push_back(p.alpha);
  }
  EXPECT_EQ(seen, (std::vector<int>{255, 102, 26, 26, 26}));
  // 1.2 s: past the track's end, which stops it; the picture is done.
  EXPECT_EQ(done, (std::vector<bool>{false, false, false, true, true}));
}

TEST(PictureEffect, TrackWithStartZeroWaitsForTimeToPass) {
  TEffect e("<E><shift t1='0' t2='1' shift='10,-20'/></E>");
  e.effect.Update(0);
  EXPECT_FALSE(e.effect.effects[0]->started);
  e.effect.Update(0.5f);
  EXPECT_TRUE(e.effect.effects[0]->started);
  EXPECT_EQ(e.effect.basePos, TVec2(5, -10));
  EXPECT_EQ(e.effect.pos, e.effect.basePos);
  e.effect.Update(0.5f);
  EXPECT_EQ(e.effect.basePos, TVec2(10, -20));
}

TEST(PictureEffect, SizeFollowsTheOwnersZoom) {
  TiXmlDocument doc;
  doc.Parse("<E><size t1='0' t2='1' kx='2' ky='2'/></E>");
  PictEff_t p;
  p.baseScale = 1.5f;
  p.LoadEffects(doc.RootElement());
  p.Update(0.5f);
  EXPECT_FLOAT_EQ(p.scaleX, 1.25f);
  p.Update(0.5f);
  EXPECT_FLOAT_EQ(p.scaleX, 1.5f);
  EXPECT_FLOAT_EQ(p.scaleY, 1.5f);
}

TEST(PictureEffect, MoveLandsExactlyOnTheTargetAndRunsOneStepMore) {
  TiXmlDocument doc;
  doc.Parse("<E><move t1='0' speed='100'/></E>");
  PictEff_t p;
  p.target = TVec2(100, 0);
  p.LoadEffects(doc.RootElement());
  EXPECT_FLOAT_EQ(p.effectsEnd, 0.5f);
  EXPECT_FALSE(p.Update(0.5f));
  EXPECT_EQ(p.basePos, TVec2(50, 0));
  EXPECT_FALSE(p.Update(0.5f));
  EXPECT_EQ(p.basePos, TVec2(100, 0));
  EXPECT_FALSE(p.Update(0.5f));  // would pass it: lands, still running
  EXPECT_EQ(p.basePos, TVec2(100, 0));
  EXPECT_TRUE(p.effects[0]->finished);
  EXPECT_TRUE(p.Update(0.5f));
}

TEST(PictureEffect, MoveToItsOwnStartEnds) {
  TiXmlDocument doc;
  doc.Parse("<E><move t1='0' speed='100'/></E>");
  PictEff_t p;
  p.basePos = p.target = TVec2(7, 7);
  p.LoadEffects(doc.RootElement());
  EXPECT_FALSE(p.Update(0.1f));
  EXPECT_EQ(p.basePos, TVec2(7, 7));
  EXPECT_TRUE(p.effects[0]->finished);
  // Done once its fixed half second has passed.
  int updates = 1;
  while (!p.Update(0.1f) && updates < 100) ++updates;
  EXPECT_EQ(updates, 5);
}

TEST(PictureEffect, RotateCountsHalfDegreesAndAddsToTheAngle) {
  TEffect e("<E><rotate t1='0' t2='1' angle='360'/></E>");
  e.effect.angle = 1.0f;
  e.effect.Update(0.5f);
  EXPECT_NEAR(e.effect.angle, 1.0f + 3.14159265f / 2, 1e-5);
  e.effect.Update(0.5f);
  EXPECT_NEAR(e.effect.angle, 1.0f + 3.14159265f, 1e-5);
}

TEST(PictureEffect, FixedLifetimeEndsWithoutSteppingTheTracks) {
  TEffect e("<E time='0.5'><alpha t1='0' t2='10' al='0'/></E>");
  EXPECT_FALSE(e.effect.Update(0.25f));
  EXPECT_FALSE(e.effect.Update(0.25f));
  EXPECT_FALSE(e.effect.Update(0.0f));  // 0.5 is not past 0.5
  EXPECT_EQ(e.effect.alpha, 243);  // 0.05 of the way
  int before = e.effect.alpha;
  EXPECT_TRUE(e.effect.Update(0.01f));
  EXPECT_EQ(e.effect.alpha, before);
}

TEST(PictureEffect, DegenerateTracksNeitherDivideByZeroNorLoad) {
  TLogCapture log;
  TEffect e("<E><alpha t1='0.1' t2='0.1' al='40'/><size kx='2'/><rotate t1='0' t2='nan' angle='90'/>"
            "<unknown t1='0'/><alpha t1='0' t2='1' al='9999'/></E>");
  ASSERT_EQ(e.effect.effects.size(), 3u);  // the size without t1 and the unknown element are skipped
  EXPECT_TRUE(log.Contains("without t1"));
  e.effect.Update(0.2f);
  EXPECT_EQ(e.effect.alpha, 40);  // a track without duration jumps to its end
  EXPECT_TRUE(std::isfinite(e.effect.angle));
  auto* last = static_cast<PictEff_t::AlphaEff_t*>(e.effect.effects[2].get());
  EXPECT_EQ(last->endAlpha, 255);
}

class PictureEffectDraw : public widgettest::TWidgetTest {};

TEST_F(PictureEffectDraw, DrawsTurnedAndScaledAboutItsCentre) {
  MainXml("<Game><PictEffects><EffFind time='-1'><size t1='0' t2='1' kx='2' ky='2'/>"
          "<alpha t1='0' t2='2' al='0'/></EffFind></PictEffects></Game>");
  Solid("obj.png", 20, 20, 0xFFFF0000u);
  const TiXmlElement* def = PictEff_t::FindDefinition("EffFind");
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(PictEff_t::FindDefinition("EffNone"), nullptr);
  PictEff_t p;
  p.texture = TTexture::Get("obj", 0);
  p.LoadEffects(def);
  TMat3 at;
  TranslateMatrix(at, TVec2(100, 100));
  // Start: the size track applies at once (1.5: 85..115), the alpha track not yet.
  p.Update(0.5f);
  EXPECT_EQ(p.alpha, 255);
  const auto& a = Frame([&] { p.Draw(at); });
  EXPECT_TRUE(widgettest::Close(a.At(86, 86), 0xFFFF0000u));
  EXPECT_TRUE(widgettest::Close(a.At(84, 100), 0xFF000000u));
  // End: scale 2 about the centre (80..120), and half faded half way through the alpha track.
  p.Update(0.5f);
  EXPECT_FLOAT_EQ(p.scaleX, 2.0f);
  EXPECT_EQ(p.alpha, 128);
  const auto& b = Frame([&] { p.Draw(at); });
  EXPECT_NEAR(widgettest::Channel(b.At(82, 82), 16), 128, 3);
  EXPECT_NEAR(widgettest::Channel(b.At(118, 100), 16), 128, 3);
  EXPECT_TRUE(widgettest::Close(b.At(78, 100), 0xFF000000u));
  // A quarter turn of a wide picture stands it up.
  PictEff_t wide;
  Solid("bar.png", 40, 4, 0xFF00FF00u);
  wide.texture = TTexture::Get("bar", 0);
  wide.angle = DegToRad(90);
  const auto& c = Frame([&] { wide.Draw(at); });
  EXPECT_TRUE(widgettest::Close(c.At(100, 82), 0xFF00FF00u));
  EXPECT_TRUE(widgettest::Close(c.At(110, 100), 0xFF000000u));
}
