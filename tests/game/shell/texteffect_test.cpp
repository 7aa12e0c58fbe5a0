// Text effects from main.xml: creation by name, tracks stepped to given
// times, the lifetime, alignment flags, and the shadow, turn and empty-area
// cases drawn by the software device.
#include <gtest/gtest.h>

#include <memory>

#include "game/shell/widgets/texteffect.h"
#include "render/text/textblock.h"
#include "tests/game/support/widgetfixture.h"

namespace {

struct TInk {
  int red = 0, blue = 0;
  TRect redBounds{10000, 10000, -1, -1};
};

// Counts reddish and bluish pixels of a frame (and where the red ones are).
TInk Ink(const sdev::test::Frame& f) {
  TInk ink;
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      uint32_t c = f.At(x, y);
      int r = widgettest::Channel(c, 16), b = widgettest::Channel(c, 0);
      if (r > 120 && b < 60) {
        ++ink.red;
        ink.redBounds = ink.redBounds.Union(TRect(x, y, x + 1, y + 1));
      }
      if (b > 120 && r < 60) ++ink.blue;
    }
  return ink;
}

class TextEffect : public widgettest::TWidgetTest {
protected:
  std::unique_ptr<TTextEff> Make(const std::string& attributes, const std::string& tracks = "") {
    MainXml("<Game><TextEffects><Eff " + attributes + ">" + tracks + "</Eff></TextEffects></Game>");
    return std::unique_ptr<TTextEff>(TTextEff::Create("Eff"));
  }
  TInk Drawn(TTextEff& e) { return Ink(Frame([&] { e.Draw(); })); }
};

const char* const kCaption = "x='100' y='100' w='400' h='80' fh='40' color='255,0,0,255' text='WIN'";

}  // namespace

TEST_F(TextEffect, UnknownNamesAndMissingSectionsGiveNothing) {
  EXPECT_EQ(TTextEff::Create("Eff"), nullptr);
  MainXml("<Game><PictEffects/></Game>");
  EXPECT_EQ(TTextEff::Create("Eff"), nullptr);
  auto e = Make(kCaption);
  ASSERT_TRUE(e);
  EXPECT_EQ(TTextEff::Create("Other"), nullptr);
  EXPECT_EQ(TTextEff::Create(""), nullptr);
  EXPECT_EQ(TTextEff::Create(nullptr), nullptr);
  EXPECT_STREQ(e->GetClassName(), "TTextEff");
  EXPECT_EQ(e->text, "WIN");
  EXPECT_EQ(e->lifetime, -10.0f);
  EXPECT_EQ(e->GetAlignFlags(), 1 + TTextBlock::kVAlignCenter);
}

TEST_F(TextEffect, AlignmentFlags) {
  EXPECT_EQ(Make("xAlign='2' yAlign='1'")->GetAlignFlags(), 6);
  EXPECT_EQ(Make("xAlign='3' yAlign='2'")->GetAlignFlags(), 8);
  EXPECT_EQ(Make("xAlign='0' yAlign='0'")->GetAlignFlags(), 0);
}

TEST_F(TextEffect, FadeInStartsInvisibleAndTracksStepAtTheirBoundaries) {
  auto e = Make(kCaption, "<alpha t1='0' t2='1' val='1'/><move t1='0.5' t2='2.5' val='100,-40'/>"
                          "<size t1='0' t2='1' val='2'/>");
  EXPECT_EQ(e->alpha, 0.0f);
  e->Update(0.5f);  // start of alpha and size (no apply on the start step); move waits (0.5 is not past 0.5)
  EXPECT_EQ(e->alpha, 0.0f);
  EXPECT_EQ(e->size, 1.0f);
  EXPECT_EQ(e->x, 100.0f);
  e->Update(0.5f);  // alpha and size end, move starts
  EXPECT_FLOAT_EQ(e->alpha, 1.0f);
  EXPECT_FLOAT_EQ(e->size, 2.0f);
  EXPECT_EQ(e->x, 100.0f);
  e->Update(0.5f);
  EXPECT_FLOAT_EQ(e->x, 150.0f);
  EXPECT_FLOAT_EQ(e->y, 80.0f);
  e->Update(1.0f);
  EXPECT_FLOAT_EQ(e->x, 200.0f);
  EXPECT_FLOAT_EQ(e->y, 60.0f);
  e->Update(0.5f);  // after the window: no further change
  EXPECT_FLOAT_EQ(e->x, 200.0f);
  EXPECT_FALSE(e->Update(100.0f));  // no lifetime: never ends by itself
}

TEST_F(TextEffect, LifetimeEndsWithoutSteppingTheTracks) {
  auto e = Make(std::string(kCaption) + " lifeTime='2'", "<rotate t1='0' t2='4' val='40'/>");
  EXPECT_FALSE(e->Update(1.0f));
  EXPECT_FALSE(e->Update(1.0f));
  EXPECT_FLOAT_EQ(e->angle, 20.0f);  // started at 1 s, half way at 2 s
  EXPECT_TRUE(e->Update(0.5f));
  EXPECT_FLOAT_EQ(e->angle, 20.0f);
}

TEST_F(TextEffect, TrackWithoutDurationJumpsToItsEnd) {
  auto e = Make(kCaption, "<size t1='0.2' t2='0.2' val='3'/><alpha t1='0' val='0.5'/>");
  e->Update(0.3f);
  EXPECT_FLOAT_EQ(e->size, 3.0f);
  EXPECT_FLOAT_EQ(e->alpha, 0.5f);
}

TEST_F(TextEffect, ShadowPassOnlyWithAnOffsetAndFirstInTheShadowColour) {
  auto plain = Make(kCaption);
  TInk one = Drawn(*plain);
  EXPECT_GT(one.red, 200);
  EXPECT_EQ(one.blue, 0);
  auto shadowed = Make(std::string(kCaption) + " shadcolor='0,0,255,255' shadx='3' shady='3'");
  EXPECT_EQ(shadowed->shadowX, 3);
  TInk two = Drawn(*shadowed);
  EXPECT_GT(two.blue, 20);  // the shadow shows where the text does not cover it
  EXPECT_NEAR(two.red, one.red, one.red / 10);  // the text is drawn last, on top
  auto noOffset = Make(std::string(kCaption) + " shadcolor='0,0,255,255'");
  EXPECT_EQ(Drawn(*noOffset).blue, 0);
}

// A definition without "w" and "h" gets no text block, and SetTextArea makes
// none: nothing is drawn. With a block, SetTextArea sizes the block only.
TEST_F(TextEffect, WithoutATextAreaNothingIsDrawnEvenAfterSetTextArea) {
  auto e = Make("x='100' y='100' fh='40' color='255,0,0,255' text='WIN'");
  EXPECT_EQ(e->GetBlock(), nullptr);
  EXPECT_EQ(Drawn(*e).red, 0);
  e->SetTextArea(400, 80);
  EXPECT_EQ(e->GetBlock(), nullptr);
  EXPECT_EQ(Drawn(*e).red, 0);
  auto sized = Make(kCaption);
  sized->SetTextArea(200, 40);
  ASSERT_NE(sized->GetBlock(), nullptr);
  EXPECT_EQ(sized->GetBlock()->GetWidth(), 200);
  EXPECT_EQ(sized->GetBlock()->GetHeight(), 40);
  EXPECT_EQ(sized->w, 400);
  EXPECT_EQ(sized->h, 80);
}

// Colours are read as four numbers over a colour of zeros: three numbers
// leave the alpha at 0 (the caption is invisible). A shadow colour that is
// there has its offsets read, whatever it holds.
TEST_F(TextEffect, ThreeColourNumbersLeaveTheAlphaAtZero) {
  auto e = Make("x='100' y='100' w='400' h='80' fh='40' color='255,0,0' text='WIN'");
  EXPECT_EQ(e->color, TFloatColor(1, 0, 0, 0));
  EXPECT_EQ(Drawn(*e).red, 0);
  auto odd = Make(std::string(kCaption) + " shadcolor='none' shadx='3' shady='4'");
  EXPECT_EQ(odd->shadowColor, TFloatColor(0, 0, 0, 0));
  EXPECT_EQ(odd->shadowX, 3);
  EXPECT_EQ(odd->shadowY, 4);
}

TEST_F(TextEffect, AngleTurnsTheCaption) {
  auto e = Make("x='300' y='300' w='400' h='60' fh='40' color='255,0,0,255' text='WWWWWW' xAlign='1' yAlign='1'");
  TInk flat = Drawn(*e);
  EXPECT_GT(flat.redBounds.Width(), 2 * flat.redBounds.Height());
  e->angle = 90;
  TInk turned = Drawn(*e);
  EXPECT_GT(turned.redBounds.Height(), 2 * turned.redBounds.Width());
}
