// The button, driven by mouse events: the image of each state, the click's
// messages, radio groups, hit masks and commands that close their dialog.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/settings.h"
#include "stocktest.h"
#include "ui/button.h"
#include "ui/image.h"

using stocktest::TStockFixture;

namespace {

class ButtonTest : public ::testing::Test {
protected:
  ButtonTest() {
    for (const char* n : {"i0.png", "i1.png", "i2.png", "i3.png"}) f.Png(n, 40, 20, [](int, int) { return 0xFF808080u; });
  }
  // The names of the button's images that are shown.
  std::string Shown(TButton* b) {
    std::string out;
    for (TWindow* w : b->GetChildren())
      if (w->HasFlag(kWindowVisible) && WindowCast<TImage>(w)) out += (out.empty() ? "" : " ") + w->GetName().str();
    return out;
  }
  TStockFixture f;
};

// Takes its own dialog off the stack.
class TPopAction : public TButton::Action {
public:
  void run(TButton*) override { GetWindowManager()->PopModal(); }
};

}  // namespace

TEST_F(ButtonTest, EachStateShowsItsImage) {
  f.Lua("Button{name='push', x=100, y=100, graphics={'i0.png', '', 'i2.png'}}()"
        "Button{name='tick', x=100, y=200, type=kToggle, on=true, graphics={'i0.png', 'i1.png', 'i2.png', 'i3.png'}}()");
  TButton* push = f.Find<TButton>("push");
  EXPECT_EQ(push->GetWidth(), 40);
  EXPECT_EQ(Shown(push), "image0");
  f.Move(110, 110);
  EXPECT_EQ(Shown(push), "image2");
  f.Down(110, 110);
  EXPECT_EQ(Shown(push), "image0");  // the empty entry repeats the normal image
  f.Up(110, 110);
  EXPECT_EQ(push->GetState(), TButton::kStateRollover);
  f.Move(300, 300);
  EXPECT_EQ(push->GetState(), TButton::kStateNormal);

  TButton* tick = f.Find<TButton>("tick");
  EXPECT_TRUE(tick->GetToggleState());
  EXPECT_EQ(Shown(tick), "image1");
  f.Move(110, 210);
  EXPECT_EQ(Shown(tick), "image3");
  f.Down(110, 210);
  EXPECT_EQ(Shown(tick), "image0");
  f.Up(110, 210);
  EXPECT_FALSE(tick->GetToggleState());
  EXPECT_EQ(Shown(tick), "image2");
  tick->SetState(7);  // states are three bits
  EXPECT_EQ(tick->GetState(), -1);
}

TEST_F(ButtonTest, AClickClosesItsDialogBeforeItsMessage) {
  TModalWindow* dialog = f.PushDialog("dialog");
  TString id = dialog->FormatIdHex();
  f.Lua("Button{name='b', x=10, y=10, w=50, h=20, close=true}()");
  f.Move(20, 20);
  f.Down(20, 20);
  f.Up(20, 20);
  ASSERT_GE(f.listener.seen.size(), 2u);
  EXPECT_EQ(f.listener.seen[0], "1:" + id.str());
  EXPECT_EQ(f.listener.seen[1], "3:b");
  EXPECT_EQ(f.Global("gReturnValue"), "b");
  EXPECT_EQ(f.wm->GetTopModal(), f.screen);

  // Released outside: no click. Pressed elsewhere and released on it: rollover, no click.
  f.listener.seen.clear();
  f.Lua("Button{name='c', x=10, y=10, w=50, h=20}()");
  f.Down(20, 20);
  f.Move(200, 200);
  f.Up(200, 200);
  f.Down(300, 300);
  f.Move(20, 20);
  f.Up(20, 20);
  for (auto& m : f.listener.seen) EXPECT_NE(m.substr(0, 2), "3:");
  EXPECT_EQ(f.Find<TButton>("c")->GetState(), TButton::kStateRollover);
}

TEST_F(ButtonTest, RadioGroupsEndAtTheNextBeginGroup) {
  f.Lua("SetBeginGroup() Button{name='a1', x=0, w=10, h=10, type=kRadio}()"
        "Button{name='a2', x=20, w=10, h=10, type=kRadio}()"
        "SetBeginGroup() Button{name='b1', x=40, w=10, h=10, type=kRadio}()"
        "Button{name='b2', x=60, w=10, h=10, type=kRadio}()"
        "Window{name='box', y=100, w=100, h=20,"
        "  Button{name='c1', x=0, w=10, h=10, type=kRadio}, Button{name='c2', x=20, w=10, h=10, type=kRadio}}()");
  auto on = [&](const char* n) { return f.Find<TButton>(n)->GetToggleState(); };
  f.Click(5, 5);
  f.Click(45, 5);
  EXPECT_TRUE(on("a1"));
  EXPECT_TRUE(on("b1"));
  f.Click(25, 5);
  EXPECT_FALSE(on("a1"));
  EXPECT_TRUE(on("a2"));
  EXPECT_TRUE(on("b1"));
  f.Click(65, 5);
  EXPECT_FALSE(on("b1"));
  EXPECT_TRUE(on("a2"));
  // Without any group start before them, radio buttons uncheck nothing.
  f.Click(5, 105);
  f.Click(25, 105);
  EXPECT_TRUE(on("c1"));
  EXPECT_TRUE(on("c2"));
}

TEST_F(ButtonTest, MasksAndPressesOffTheButton) {
  // The right half of the 64 x 64 mask is black.
  f.Png("mask.png", 64, 64, [](int x, int) { return x < 32 ? 0xFFFFFFFFu : 0xFF000000u; });
  auto* below = uitest::Add(f.screen, "below", 0, 0, 400, 400);
  below->takeMouse = true;
  f.Lua("Button{name='m', x=0, y=0, w=128, h=128, mask='mask.png'}()");
  TButton* m = f.Find<TButton>("m");
  // The mask's default mapping reads (2px, 2py).
  EXPECT_TRUE(m->IsOnButton(TPoint(15, 10)));
  EXPECT_FALSE(m->IsOnButton(TPoint(16, 10)));
  EXPECT_FALSE(m->IsOnButton(TPoint(10, 32)));
  SetSetting("fixbuttonmask", "1");
  EXPECT_TRUE(m->IsOnButton(TPoint(63, 100)));
  EXPECT_FALSE(m->IsOnButton(TPoint(64, 100)));
  EXPECT_FALSE(m->IsOnButton(TPoint(128, 0)));
  // A press on a black part is the button's (the window below never sees it),
  // which lets itself go again at once; its release does nothing.
  size_t seen = below->events.size();
  f.Down(100, 10);
  EXPECT_EQ(below->events.size(), seen);
  EXPECT_EQ(m->GetState(), TButton::kStateNormal);
  f.Up(100, 10);
  EXPECT_EQ(m->GetState(), TButton::kStateNormal);
  f.Down(10, 10);
  EXPECT_EQ(m->GetState(), TButton::kStatePressed);
  SetSetting("fixbuttonmask", "");
}

TEST_F(ButtonTest, ACommandThatPopsItsDialogDropsItsMessageUnlessSentToTheParent) {
  f.RecordLua();
  for (const char* style : {"name='quiet'", "name='loud', sendToParent=true"}) {
    f.PushDialog("dialog");
    f.Lua(std::string("Button{x=0, y=0, w=50, h=20, ") + style + "}()");
    TButton* b = WindowCast<TButton>(f.wm->GetTopModal()->GetChildren().front());
    b->SetAction(new TPopAction);
    f.Move(10, 10);
    f.Down(10, 10);
    f.Up(10, 10);
    EXPECT_EQ(f.wm->GetTopModal(), f.screen);
    EXPECT_EQ(b->GetState(), TButton::kStateNormal);
    f.Tick(20);
  }
  std::vector<std::string> log = f.LuaLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "3:quiet"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "3:loud"), 1);
}

TEST_F(ButtonTest, LuaCommandsLearnTheirButtonsName) {
  f.RecordLua();
  f.Lua("Button{name=\"it's ]] odd\", x=0, y=0, w=50, h=20, command=function() gName = GetButtonName() end}()");
  f.Click(10, 10);
  EXPECT_EQ(f.Global("gName"), "it's ]] odd");
  EXPECT_EQ(f.LuaLog(), (std::vector<std::string>{"8:LuaAction:it's ]] odd", "3:it's ]] odd"}));
}
