// Game buttons: style strings (short and malformed ones too), the click
// sequence with its message and sound, the draw priority, and the MButton
// window that ignores the mouse while input is off.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "audio/sound.h"
#include "game/shell/widgets/gamebutton.h"
#include "platform/log.h"
#include "tests/game/support/widgetfixture.h"

using widgettest::Close;

namespace {
constexpr uint32_t kNormal = 0xFF800000u, kPressed = 0xFF008000u, kRollover = 0xFF000080u,
                   kDisabledLook = 0xFF808080u, kBlack = 0xFF000000u;

// An owner that records the button presses it gets and the click sound's
// playbacks at that moment.
class TOwner : public TWindow {
public:
  bool OnMessage(TMessage* m) override {
    seen.push_back(std::to_string(m->type) + ":" + m->text.str() + (m->target == this ? "" : " (other target)"));
    playingAtMessage = sound ? sound->GetInstanceCount() : 0;
    return true;
  }
  std::vector<std::string> seen;
  boost::shared_ptr<TSound> sound;
  size_t playingAtMessage = 0;
};
}  // namespace

class GameButton : public widgettest::TWidgetTest {
protected:
  void SetUp() override {
    Solid("b/n.png", 30, 20, kNormal);
    Solid("b/p.png", 30, 20, kPressed);
    Solid("b/r.png", 30, 20, kRollover);
    Solid("b/d.png", 30, 20, kDisabledLook);
  }
  uint32_t Look(Button_t& b) { return Frame([&] { b.Draw(); }).At(b.drawRect.left + 1, b.drawRect.top + 1); }
};

TEST_F(GameButton, StyleGivesRectanglesFromThePictureAndTheHitShift) {
  std::unique_ptr<Button_t> b(CreateButtonFromStyle("buttback; 10,20,0,0,5,5; b/n.png; b/p.png; b/r.png", nullptr));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->name, "buttback");
  EXPECT_EQ(b->drawRect, TRect(10, 20, 40, 40));
  EXPECT_EQ(b->hitRect, TRect(15, 25, 45, 45));
  EXPECT_FALSE(b->disabledImage);
  EXPECT_FALSE(b->disabled);
  std::unique_ptr<Button_t> six(CreateButtonFromStyle("x;1,2,3,4;b/n.png;b/p.png;b/r.png;b/d.png", nullptr));
  EXPECT_TRUE(six->disabledImage);
  EXPECT_FALSE(six->disabled);
  EXPECT_EQ(six->drawRect, TRect(1, 2, 4, 6));
  EXPECT_EQ(six->hitRect, six->drawRect);
  std::unique_ptr<Button_t> seven(CreateButtonFromStyle("x;1,2,3,4;b/n.png;b/p.png;b/r.png;b/d.png;off", nullptr));
  EXPECT_TRUE(seven->disabled);
  // Four good numbers and then something else: the four count, no hit shift.
  std::unique_ptr<Button_t> junk(CreateButtonFromStyle("x;1,2,3,4,junk;b/n.png;b/p.png;b/r.png", nullptr));
  ASSERT_TRUE(junk);
  EXPECT_EQ(junk->drawRect, TRect(1, 2, 4, 6));
  EXPECT_EQ(junk->hitRect, TRect(1, 2, 4, 6));
  std::unique_ptr<Button_t> five(CreateButtonFromStyle("x;1,2,3,4,5,y;b/n.png;b/p.png;b/r.png", nullptr));
  ASSERT_TRUE(five);
  EXPECT_EQ(five->hitRect, TRect(6, 2, 9, 6));
}

TEST_F(GameButton, ShortOrMalformedStylesAreRefusedWithALogLine) {
  TLogCapture log;
  // "%d,%d,%d,%d": a blank before a comma or a fraction ends the numbers.
  for (const char* style : {"", "name", "buttback;10,20,0,0;b/n.png;b/p.png", "b;10,20,30;n;p;r", "b;a,b,c,d;n;p;r",
                            "b;;;;;;", ";;;;", "b;10,20,x,40;n;p;r", "b;10 ,20,30,40;n;p;r", "b;10,20.5,30,40;n;p;r"}) {
    EXPECT_EQ(CreateButtonFromStyle(style, nullptr), nullptr) << style;
  }
  EXPECT_EQ(CreateButtonFromStyle(nullptr, nullptr), nullptr);
  EXPECT_EQ(log.Count("CreateButtonFromStyle: "), 11u);
  std::unique_ptr<Button_t> blanks(CreateButtonFromStyle("b;10, 20,  30,40;n;p;r", nullptr));
  ASSERT_TRUE(blanks);
  EXPECT_EQ(blanks->drawRect, TRect(10, 20, 40, 60));
  // Huge numbers are kept in range instead of overflowing.
  std::unique_ptr<Button_t> big(CreateButtonFromStyle("b;99999999999,2,2147483647,4,2147483647;n;p;r", nullptr));
  ASSERT_TRUE(big);
  EXPECT_GT(big->hitRect.right, big->hitRect.left);
}

TEST_F(GameButton, ReleaseAfterLeavingAndComingBackClicksOnceMessageFirst) {
  StartSound();
  Ogg("audio/sfx/button_click.ogg");
  TOwner owner;
  std::unique_ptr<Button_t> b(CreateButtonFromStyle("go;100,100,30,20;b/n.png;b/p.png;b/r.png", &owner));
  ASSERT_TRUE(b->clickSound);
  owner.sound = b->clickSound;
  EXPECT_TRUE(b->OnMouseMove(105, 105));
  EXPECT_TRUE(b->OnMouseDown(105, 105));
  EXPECT_FALSE(b->OnMouseMove(200, 105));
  EXPECT_TRUE(b->OnMouseMove(129, 119));  // the last pixel inside
  EXPECT_TRUE(b->OnMouseUp(129, 119));
  EXPECT_EQ(owner.seen, std::vector<std::string>{"3:go"});
  EXPECT_EQ(owner.playingAtMessage, 0u);
  EXPECT_EQ(b->clickSound->GetInstanceCount(), 1u);
  // Released outside after moving out: nothing.
  b->OnMouseDown(105, 105);
  b->OnMouseMove(130, 105);  // x = right is outside
  EXPECT_FALSE(b->hover);
  EXPECT_FALSE(b->OnMouseUp(130, 105));
  // Disabled or hidden: nothing either.
  b->SetDisabled(true);
  b->OnMouseMove(105, 105);
  EXPECT_FALSE(b->OnMouseUp(105, 105));
  b->SetDisabled(false);
  b->visible = false;
  EXPECT_FALSE(b->OnMouseMove(105, 105));
  EXPECT_FALSE(b->OnMouseDown(105, 105));
  EXPECT_EQ(owner.seen.size(), 1u);
}

TEST_F(GameButton, WithoutOwnerAClickSendsAndSoundsNothing) {
  StartSound();
  Ogg("audio/sfx/button_click.ogg");
  std::unique_ptr<Button_t> b(CreateButtonFromStyle("go;0,0,10,10;b/n.png;b/p.png;b/r.png", nullptr));
  b->OnMouseMove(5, 5);
  EXPECT_TRUE(b->OnMouseUp(5, 5));
  EXPECT_EQ(b->clickSound->GetInstanceCount(), 0u);
}

// (selected, held, hover, disabled, with disabled picture, with pressed picture) -> the look.
using TLookCase = std::tuple<bool, bool, bool, bool, bool, bool, uint32_t>;
class GameButtonLook : public GameButton, public ::testing::WithParamInterface<TLookCase> {};

TEST_P(GameButtonLook, DrawsThePictureOfItsState) {
  auto [selected, held, hover, disabled, withDisabled, withPressed, want] = GetParam();
  std::unique_ptr<Button_t> b(CreateButtonFromStyle("b;40,40,30,20;b/n.png;b/p.png;b/r.png;b/d.png", nullptr));
  if (!withDisabled) b->disabledImage.reset();
  if (!withPressed) b->pressedImage.reset();
  b->selected = selected;
  b->held = held;
  b->hover = hover;
  b->disabled = disabled;
  EXPECT_TRUE(Close(Look(*b), want));
}

INSTANTIATE_TEST_SUITE_P(
    Priority, GameButtonLook,
    ::testing::Values(TLookCase{true, false, false, true, true, true, kPressed},      // selected wins
                      TLookCase{true, false, false, false, true, false, kBlack},      // selected without picture
                      TLookCase{false, true, true, false, true, true, kPressed},      // pressed
                      TLookCase{false, true, true, false, true, false, kRollover},    // pressed without picture
                      TLookCase{false, true, true, true, true, true, kDisabledLook},  // disabled is never pressed
                      TLookCase{false, false, true, true, false, true, kRollover},    // disabled without picture
                      TLookCase{false, false, true, false, true, true, kRollover},    // hover
                      TLookCase{false, true, false, false, true, true, kRollover},    // held outside
                      TLookCase{false, false, false, false, true, true, kNormal}));

class MButtonWindow : public widgettest::TWidgetWindowTest {};

TEST_F(MButtonWindow, IgnoresTheMouseWhileInputIsOff) {
  Solid("b/n.png", 30, 20, kNormal);
  Lua("MButton{ name = 'ok', x = 100, y = 100, graphics = { 'b/n.png', 'b/n.png', 'b/n.png' } }()");
  auto* button = WindowCast<TMButton>(screen->FindChild("ok"));
  ASSERT_NE(button, nullptr);
  EXPECT_STREQ(button->GetClassName(), "TMButton");
  EXPECT_TRUE(button->IsA(TButton::ClassId()));
  EXPECT_TRUE(button->IsInputEnabled());
  button->SetInputEnabled(false);
  Move(110, 110);
  Down(110, 110);
  EXPECT_EQ(button->GetState(), TButton::kStateNormal);
  Up(110, 110);
  button->SetInputEnabled(true);
  Move(111, 110);
  EXPECT_EQ(button->GetState(), TButton::kStateRollover);
  Down(111, 110);
  EXPECT_EQ(button->GetState(), TButton::kStatePressed);
  Up(111, 110);
  EXPECT_EQ(button->GetState(), TButton::kStateRollover);
}
