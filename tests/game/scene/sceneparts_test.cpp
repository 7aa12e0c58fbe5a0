// The scene's small parts: the fade record at the quarter, half and end of
// its fades, Hide of "penalty", its description; GetXmlChildAttribute on a
// document and on an element; the panel's pane description; Object_t::SetEffect
// and the end of its effect.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>
#include <vector>

#include "game/scene/sceneobject.h"
#include "game/scene/sceneparts.h"
#include "game/shell/widgets/pane.h"
#include "platform/log.h"
#include "render/textures/texture.h"
#include "tests/game/support/widgetfixture.h"

namespace {

MessageRecord Record(float duration, float max) {
  MessageRecord r;
  r.duration = duration;
  r.max = max;
  return r;
}

}  // namespace

TEST(MessageRecord, FadeInIsAQuarterAHalfAndAllOfMax) {
  MessageRecord r = Record(2.0f, 0.8f);
  r.Show("tutor");
  EXPECT_TRUE(r.active && r.fadingIn && !r.fadingOut && r.visible);
  EXPECT_FALSE(r.Step(0.5f));
  EXPECT_FLOAT_EQ(r.value, 0.2f);
  EXPECT_FALSE(r.Step(0.5f));
  EXPECT_FLOAT_EQ(r.value, 0.4f);
  // The last step passes the end: the value stops at max, the time at the duration.
  EXPECT_TRUE(r.Step(1.25f));
  EXPECT_FLOAT_EQ(r.value, 0.8f);
  EXPECT_FLOAT_EQ(r.time, 2.0f);
  EXPECT_FALSE(r.active);
  EXPECT_TRUE(r.visible);  // still shown after a fade-in
  EXPECT_TRUE(r.fadingIn);
  // Not active: a step changes nothing.
  EXPECT_FALSE(r.Step(1.0f));
  EXPECT_FLOAT_EQ(r.time, 2.0f);
}

TEST(MessageRecord, FadeOutGoesFromMaxToNothingAndHides) {
  MessageRecord r = Record(1.0f, 1.0f);
  r.Show("penalty");
  r.Step(1.0f);
  r.Hide();
  EXPECT_TRUE(r.active && r.fadingOut && !r.fadingIn);
  EXPECT_FALSE(r.Step(0.25f));
  EXPECT_FLOAT_EQ(r.value, 0.75f);
  EXPECT_FALSE(r.Step(0.25f));
  EXPECT_FLOAT_EQ(r.value, 0.5f);
  EXPECT_TRUE(r.Step(0.75f));
  EXPECT_FLOAT_EQ(r.value, 0.0f);
  EXPECT_FALSE(r.visible);
  EXPECT_FALSE(r.active);
}

TEST(MessageRecord, HideEmptiesOnlyThePenaltyName) {
  MessageRecord a = Record(1, 1), b = Record(1, 1);
  a.Show("penalty");
  b.Show("tutor");
  a.Hide();
  b.Hide();
  EXPECT_EQ(a.name, "");
  EXPECT_EQ(b.name, "tutor");
}

TEST(MessageRecord, ShowAndHideDoNotRestartTheirOwnFade) {
  MessageRecord r = Record(1, 1);
  r.Show("a");
  r.Step(0.5f);
  r.Show("b");  // already fading in: the time goes on, the name changes
  EXPECT_FLOAT_EQ(r.time, 0.5f);
  EXPECT_EQ(r.name, "b");
  r.Hide();
  r.Step(0.25f);
  r.Hide();
  EXPECT_FLOAT_EQ(r.time, 0.25f);
  // A record never shown fades out from its full value.
  MessageRecord fresh = Record(1, 0.5f);
  fresh.Hide();
  fresh.Step(0.5f);
  EXPECT_FLOAT_EQ(fresh.value, 0.25f);
  // Without a duration a fade ends on its first step.
  MessageRecord instant = Record(0, 0.5f);
  instant.Show("x");
  EXPECT_TRUE(instant.Step(0.01f));
  EXPECT_FLOAT_EQ(instant.value, 0.5f);
}

TEST(MessageRecord, ParseNeedsAllFourFields) {
  TLogCapture log;
  MessageRecord r;
  EXPECT_TRUE(r.Parse(";0,0,1024,640;0.35;0.75"));
  EXPECT_FLOAT_EQ(r.duration, 0.35f);
  EXPECT_FLOAT_EQ(r.max, 0.75f);
  EXPECT_FALSE(r.texture);
  for (const char* bad : {"pict;0,0,1,1;0.5", "pict;0,0,1;0.5;1", "pict;0,0,1,1;x;1", "pict;0,0,1,1;1;1e999", ""}) {
    log.Clear();
    EXPECT_FALSE(r.Parse(bad)) << bad;
    EXPECT_TRUE(log.Contains("MessageRecord: invalid description")) << bad;
  }
  EXPECT_FLOAT_EQ(r.duration, 0.35f);  // refused texts change nothing
}

TEST(GetXmlChildAttribute, ReadsAChildOfTheRootOrOfAnElement) {
  TiXmlDocument doc;
  doc.Parse("<Game><MiniGame buttrestart='restart;1,2,3,4;a;b;c' empty=''/><Common/></Game>");
  std::string out = "kept";
  EXPECT_EQ(GetXmlChildAttribute(doc, "MiniGame", "buttrestart", out), 1);
  EXPECT_EQ(out, "restart;1,2,3,4;a;b;c");
  EXPECT_EQ(GetXmlChildAttribute(doc, "MiniGame", "empty", out), 1);
  EXPECT_EQ(out, "");
  out = "kept";
  EXPECT_EQ(GetXmlChildAttribute(doc, "MiniGame", "missing", out), 0);
  EXPECT_EQ(GetXmlChildAttribute(doc, "Nothing", "buttrestart", out), 0);
  EXPECT_EQ(GetXmlChildAttribute(nullptr, "MiniGame", "buttrestart", out), 0);
  EXPECT_EQ(out, "kept");
  // An element: its own children (the root's child is not found from the root's parent).
  const TiXmlElement* root = doc.RootElement();
  EXPECT_EQ(GetXmlChildAttribute(root, "MiniGame", "buttrestart", out), 1);
  EXPECT_EQ(GetXmlChildAttribute(root->FirstChildElement("Common"), "MiniGame", "buttrestart", out), 0);
  TiXmlDocument empty;
  EXPECT_EQ(GetXmlChildAttribute(empty, "MiniGame", "buttrestart", out), 0);
}

namespace {

class ObjectTest : public widgettest::TWidgetTest {
protected:
  ObjectTest() {
    MainXml("<Game><PictEffects>"
            "<EffFind time='-1'><size t1='0' t2='0.2' kx='2' ky='2'/><alpha t1='0.2' t2='0.4' al='0'/></EffFind>"
            "<EffMove time='-1'><move t1='0' speed='1000'/></EffMove>"
            "</PictEffects></Game>");
    Solid("pict.png", 40, 20, 0xFFFF0000u);
    object.texture = TTexture::Get("pict.png");
    object.rect = TRect(100, 200, 140, 220);
  }
  Object_t object;
};

class Holder : public TEffHolder_t {
public:
  void OnEffectEnd(TString name) override { ends.push_back(name.str()); }
  std::vector<std::string> ends;
};

}  // namespace

TEST_F(ObjectTest, SetEffectRefusesASecondEffectAndAnUnknownName) {
  Holder holder;
  EXPECT_FALSE(object.SetEffect("EffNothing", &holder, nullptr));
  EXPECT_FALSE(object.HasEffect());
  EXPECT_TRUE(object.SetEffect("EffFind", &holder, nullptr));
  const PictEff_t* first = object.GetEffect();
  EXPECT_FALSE(object.SetEffect("EffFind", &holder, nullptr));
  EXPECT_FALSE(object.SetEffect("EffMove", &holder, nullptr));
  EXPECT_EQ(object.GetEffect(), first);
  EXPECT_EQ(first->name, "EffFind");
  EXPECT_EQ(first->holder, &holder);
}

TEST_F(ObjectTest, TheEffectStartsOnThePictureAsDrawnAndTellsItsHolderOnce) {
  Holder holder;
  ASSERT_TRUE(object.SetEffect("EffFind", &holder, nullptr));
  const PictEff_t* e = object.GetEffect();
  EXPECT_FLOAT_EQ(e->basePos.x, 120.0f);
  EXPECT_FLOAT_EQ(e->basePos.y, 210.0f);
  EXPECT_FLOAT_EQ(e->pos.x, 120.0f);
  EXPECT_EQ(e->frameWidth, 40);
  EXPECT_EQ(e->frameHeight, 20);
  EXPECT_FLOAT_EQ(e->scaleX, 1.0f);
  EXPECT_EQ(e->alpha, 255);
  EXPECT_EQ(e->texture, object.texture);
  for (int i = 0; i < 30 && object.HasEffect(); ++i) object.Update(0.05f);
  EXPECT_FALSE(object.HasEffect());
  EXPECT_EQ(holder.ends, std::vector<std::string>{"EffFind"});
  // Suppressed: the effect ends without a word.
  object.suppressEffectEnd = true;
  ASSERT_TRUE(object.SetEffect("EffFind", &holder, nullptr));
  for (int i = 0; i < 30 && object.HasEffect(); ++i) object.Update(0.05f);
  EXPECT_EQ(holder.ends.size(), 1u);
}

// A picture twice the size of its place is drawn at the place's size, and its
// effect starts there too (scale 0.5, not 2).
TEST_F(ObjectTest, APictureLargerThanItsPlaceStartsItsEffectAtThePlacesSize) {
  object.rect = TRect(100, 200, 120, 210);
  object.shown = false;
  object.zoom = 1.5f;
  TVec2 target(500, 300);
  ASSERT_TRUE(object.SetEffect("EffMove", nullptr, &target));
  const PictEff_t* e = object.GetEffect();
  EXPECT_FLOAT_EQ(e->scaleX, 0.5f);
  EXPECT_FLOAT_EQ(e->scaleY, 0.5f);
  EXPECT_FLOAT_EQ(e->imageWidth, 40.0f);
  EXPECT_EQ(e->alpha, 0);  // not shown: it starts transparent
  EXPECT_FLOAT_EQ(e->baseScale, 1.5f);
  EXPECT_FLOAT_EQ(e->target.x, 500.0f);
  for (int i = 0; i < 30 && object.HasEffect(); ++i) object.Update(0.05f);
  EXPECT_FALSE(object.HasEffect());  // no holder: it simply ends
}

// The scene's panel is a pane "picture,x,y": two fields are refused.
TEST_F(ObjectTest, APaneNeedsAPictureAndAPlace) {
  TLogCapture log;
  EXPECT_EQ(ParsePaneDescr("pict.png,0"), nullptr);
  EXPECT_TRUE(log.Contains("Invalid pane pict.png,0"));
  std::unique_ptr<PaneDescr_t> pane = ParsePaneDescr("pict.png,10,640");
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->rect, TRect(10, 640, 50, 660));
  EXPECT_EQ(pane->link, "");
  EXPECT_EQ(ParsePaneDescr("pict.png,1,2,https://example.org")->link, "https://example.org");
}
