// The tutorial box on the software display: background, text, button and
// pointer where the style and the step put them, the shadow over the whole
// screen, the box moved beside a pointer (and clickable where it is drawn),
// and which clicks pass to the game.
#include <gtest/gtest.h>

#include "tests/game/story/tutorfixture.h"

using namespace tutortest;
using widgettest::Channel;
using widgettest::Close;

namespace {
constexpr uint32_t kClear = 0xFF808080u;

// Pixels of the rectangle whose red, green and blue are all above 200.
int WhitePixels(const sdev::test::Frame& f, const TRect& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      uint32_t c = f.At(x, y);
      if (Channel(c, 16) > 200 && Channel(c, 8) > 200 && Channel(c, 0) > 200) ++n;
    }
  return n;
}
}  // namespace

class TutorBox : public TutorTest {
protected:
  const sdev::test::Frame& Draw() {
    return Frame(
        [&] {
          tutor.DrawShadow();
          tutor.Draw();
        },
        kClear);
  }
};

TEST_F(TutorBox, BackgroundTextAndButtonWhereTheStylePutsThem) {
  Load("<TutorScript>" + Item("Hello there") + Item("second") + "</TutorScript>");
  Open();
  const sdev::test::Frame& f = Draw();
  EXPECT_TRUE(Close(f.At(300, 500), kBox));
  EXPECT_TRUE(Close(f.At(699, 599), kBox));
  EXPECT_TRUE(Close(f.At(299, 500), kClear));
  EXPECT_TRUE(Close(f.At(700, 599), kClear));
  // The next button (not the last step, no picture); the close button is not drawn.
  EXPECT_TRUE(Close(f.At(540, 560), kNext));
  EXPECT_TRUE(Close(f.At(579, 589), kNext));
  EXPECT_TRUE(Close(f.At(605, 565), kBox));
  // The text lies in its area and nowhere else in the box.
  EXPECT_GT(WhitePixels(f, TRect(310, 510, 510, 570)), 40);
  EXPECT_EQ(WhitePixels(f, TRect(300, 500, 700, 510)), 0);
  EXPECT_EQ(WhitePixels(f, TRect(510, 500, 700, 560)), 0);
  EXPECT_EQ(WhitePixels(f, TRect(300, 570, 540, 600)), 0);
  // The shadow has only begun to fade in: the screen is not darker.
  EXPECT_TRUE(Close(f.At(0, 0), kClear));
  // On the last step the close button takes the next button's place.
  TMessage next(kButtonPress, "next");
  tutor.OnCommand(&next);
  const sdev::test::Frame& g = Draw();
  EXPECT_TRUE(Close(g.At(545, 565), kBox));
  EXPECT_TRUE(Close(g.At(605, 565), kClose));
}

TEST_F(TutorBox, TheShadowCoversTheWholeScreenAtItsValue) {
  Load("<TutorScript>" + Item("a") + "</TutorScript>");
  Open();
  tutor.StepNotice(1.0f);  // fully in: 0.5
  const sdev::test::Frame& f = Draw();
  for (TPoint p : {TPoint(0, 0), TPoint(1023, 0), TPoint(0, 767), TPoint(1023, 767), TPoint(512, 300)})
    EXPECT_TRUE(Close(f.At(p.x, p.y), 0xFF404040u, 3)) << p.x << "," << p.y << " " << std::hex << f.At(p.x, p.y);
  // The box lies over the shadow.
  EXPECT_TRUE(Close(f.At(305, 505), kBox));
  // Faded out, the shadow is still drawn and shows nothing.
  TMessage next(kButtonPress, "next");
  tutor.OnCommand(&next);
  tutor.StepNotice(1.0f);
  EXPECT_TRUE(Close(Draw().At(0, 0), kClear));
}

TEST_F(TutorBox, WithoutShadowTheBoxMovesBesideThePointerAndIsClickedWhereDrawn) {
  // Pointer at y 400, background 100 high: the box goes to 400 - 200 = 200.
  Load("<TutorScript>" + Item("above", "need_shadow=\"0\"", "<image name=\"arrow\" pos=\"600,400\"/>") +
       // "to_left" at y 100: 100 - 130 < 0, so below at 100 + 130 = 230.
       Item("below", "need_shadow=\"0\"", "<image name=\"to_left\" pos=\"40,100\"/>") + Item("last") +
       "</TutorScript>");
  Open();
  EXPECT_FLOAT_EQ(tutor.GetBoxOffset(), -300.0f);
  const sdev::test::Frame& f = Draw();
  EXPECT_TRUE(Close(f.At(300, 200), kBox));
  EXPECT_TRUE(Close(f.At(300, 500), kClear));
  EXPECT_GT(WhitePixels(f, TRect(310, 210, 510, 270)), 40);
  EXPECT_EQ(WhitePixels(f, TRect(310, 510, 510, 570)), 0);
  // A pointer step that is not the last offers close, drawn with the box.
  EXPECT_TRUE(Close(f.At(605, 265), kClose));
  EXPECT_TRUE(Close(f.At(600, 400), kPointer));
  EXPECT_TRUE(Close(f.At(619, 419), kPointer));
  EXPECT_TRUE(Close(f.At(620, 419), kClear));
  // Over the moved box the mouse belongs to the box; where the style had it, to no one.
  EXPECT_FALSE(tutor.OnMouseMove(TPoint(310, 290)));
  EXPECT_TRUE(tutor.OnMouseMove(TPoint(310, 590)));

  TMessage next(kButtonPress, "next");
  tutor.OnCommand(&next);
  EXPECT_FLOAT_EQ(tutor.GetBoxOffset(), 230.0f - 500.0f);
  const sdev::test::Frame& g = Draw();
  EXPECT_TRUE(Close(g.At(300, 230), kBox));
  EXPECT_TRUE(Close(g.At(40, 100), kLeftPointer));
  EXPECT_TRUE(Close(g.At(545, 295), kNext));
  // The drawn button is the one that clicks; the place the style gave it does nothing.
  EXPECT_TRUE(Click(545, 565));
  EXPECT_EQ(tutor.GetCurrentItem(), 1);
  EXPECT_TRUE(Click(545, 295));
  EXPECT_EQ(tutor.GetCurrentItem(), 2);
  EXPECT_EQ(owner.commands, std::vector<std::string>{"next"});
  EXPECT_FLOAT_EQ(tutor.GetBoxOffset(), 0.0f);
}

// A step without text draws no box; one with neither text nor picture
// shows nothing at all and still holds the clicks outside its allowed
// rectangles until its event comes. Enter and Escape are the box's: no box,
// no keys taken; a box presses its button with either.
TEST_F(TutorBox, StepsWithoutTextShowNoBoxButTakeTheirInput) {
  Load("<TutorScript>" + Item("", "", "<image name=\"arrow\" pos=\"100,100\" click_rect=\"90;90;50;50\"/>") +
       Item("", "", "<AllowedRects><AllowedRect rec=\"0;0;10;10\"/></AllowedRects><Event evt_id=\"use_tool\"/>") +
       Item("x") + "</TutorScript>");
  Open();
  const sdev::test::Frame& f = Draw();
  EXPECT_TRUE(Close(f.At(105, 105), kPointer));
  for (TPoint p : {TPoint(305, 505), TPoint(545, 565), TPoint(605, 565)}) EXPECT_TRUE(Close(f.At(p.x, p.y), kClear));
  // No button where none is drawn.
  EXPECT_TRUE(Click(605, 565));
  EXPECT_TRUE(owner.commands.empty());
  EXPECT_FALSE(Click(100, 100));
  tutor.OnClickRect(TPoint(100, 100));
  tutor.HideCurrentScreen();
  ASSERT_EQ(tutor.GetCurrentItem(), 1);
  EXPECT_TRUE(tutor.IsBoxShown());
  const sdev::test::Frame& g = Draw();
  for (TPoint p : {TPoint(105, 105), TPoint(305, 505), TPoint(545, 565)}) EXPECT_TRUE(Close(g.At(p.x, p.y), kClear));
  EXPECT_TRUE(Click(500, 300));
  EXPECT_TRUE(tutor.OnMouseMove(TPoint(500, 300)));
  EXPECT_FALSE(Click(5, 5));
  EXPECT_FALSE(tutor.OnKey(13));
  EXPECT_FALSE(tutor.OnKey(27));
  tutor.OnEvent("use_tool");
  EXPECT_EQ(tutor.GetCurrentItem(), 2);
  EXPECT_FALSE(tutor.OnKey('a'));
  ASSERT_TRUE(owner.commands.empty());
  EXPECT_TRUE(tutor.OnKey(27));  // the last step's close button
  ASSERT_EQ(owner.commands.size(), 1u);
  EXPECT_EQ(owner.commands[0], "close");
}

TEST_F(TutorBox, OnlyOpaquePixelsOfTheClickPictureAndAllowedRectanglesPass) {
  // Left half opaque, right half clear.
  Png("tut/half.png", 20, 20, [](int x, int) { return x < 10 ? 0xFFFFFFFFu : 0x00FFFFFFu; });
  Load("<TutorScript>" +
       Item("a", "", "<image name=\"arrow\" click_rect=\"100;100;tut/half\"/>"
                     "<AllowedRects><AllowedRect rec=\"115;100;2;2\"/><AllowedRect rec=\"0;0;10;10\"/>"
                     "</AllowedRects>") +
       Item("b", "", "<image name=\"arrow\" click_rect=\"100;100;tut/missing\"/>") + "</TutorScript>");
  Open();
  EXPECT_FALSE(tutor.OnMouseDown(TPoint(109, 119)));
  EXPECT_TRUE(tutor.IsOverClickRect(TPoint(100, 100)));
  EXPECT_TRUE(tutor.OnMouseDown(TPoint(110, 105)));
  EXPECT_FALSE(tutor.IsOverClickRect(TPoint(110, 105)));
  EXPECT_FALSE(tutor.OnMouseDown(TPoint(116, 101)));  // clear, but allowed
  EXPECT_TRUE(tutor.OnMouseDown(TPoint(117, 101)));   // the allowed rectangle's right edge
  EXPECT_TRUE(tutor.OnMouseDown(TPoint(109, 120)));   // the click area's bottom edge
  EXPECT_TRUE(tutor.OnMouseUp(TPoint(109, 120)));
  EXPECT_FALSE(tutor.OnMouseUp(TPoint(9, 9)));
  EXPECT_TRUE(tutor.OnMouseMove(TPoint(10, 9)));
  tutor.OnClickRect(TPoint(110, 105));
  EXPECT_FALSE(tutor.IsScreenShown());
  tutor.OnClickRect(TPoint(105, 105));
  EXPECT_TRUE(tutor.IsScreenShown());
  tutor.HideCurrentScreen();
  // A click picture that does not load gives an empty area: nothing passes.
  EXPECT_EQ(tutor.GetCurrentItem(), 1);
  EXPECT_TRUE(tutor.OnMouseDown(TPoint(100, 100)));
  EXPECT_FALSE(tutor.IsOverClickRect(TPoint(100, 100)));
  // Box down: nothing is taken and no button hears anything.
  tutor.FinishAll();
  EXPECT_FALSE(tutor.OnMouseDown(TPoint(605, 565)));
  EXPECT_FALSE(tutor.OnMouseMove(TPoint(605, 565)));
  EXPECT_FALSE(tutor.OnMouseUp(TPoint(605, 565)));
  EXPECT_FALSE(tutor.GetCloseButton()->hover);
}
