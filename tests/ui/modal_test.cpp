// Modal windows: hot keys, Enter and Escape, close messages, the cover
// record, and layered windows.
#include <gtest/gtest.h>

#include "platform/log.h"
#include "uitest.h"

using namespace uitest;

namespace {

TEST(HotKeys, LabelsNormalise) {
  EXPECT_EQ(TString("shift-ctrl-S"), TModalWindow::ParseHotKey("shift-control-s"));
  EXPECT_EQ(TString("shift-ctrl-S"), TModalWindow::ParseHotKey("ctrl-shift-s"));
  EXPECT_EQ(TString("S"), TModalWindow::ParseHotKey("Ctrl-s"));
  EXPECT_EQ(TString("@X"), TModalWindow::ParseHotKey("@x"));
  EXPECT_EQ(TString("alt-F"), TModalWindow::ParseHotKey("alt-f"));
  EXPECT_EQ(TString("@"), TModalWindow::ParseHotKey("@"));
}

class ModalTest : public ::testing::Test, public TUiFixture {};

TEST_F(ModalTest, HotKeysFireByModifiersAndSwallowOnlyTheirOwnCharacter) {
  TModalWindow* d = PushDialog("d");
  auto* any = Add<TTestButton>(d, "any", 0, 0, 10, 10);
  auto* ctrl = Add<TTestButton>(d, "ctrl", 20, 0, 10, 10);
  TProbe* edit = Add(d, "edit", 100, 100, 10, 10);
  d->RegisterHotKey("@x", "any");
  d->RegisterHotKey("ctrl-k", "ctrl");
  wm->SetFocus(d);
  Key('X', PlatformMod::kShift | PlatformMod::kAlt);
  EXPECT_EQ(1, any->presses);
  Key('K', PlatformMod::kCtrl | PlatformMod::kShift);
  Key('K', 0);
  EXPECT_EQ(0, ctrl->presses);
  Key('K', PlatformMod::kCtrl);
  EXPECT_EQ(1, ctrl->presses);
  // The character of the hot key is dropped ...
  wm->SetFocus(edit);
  Key('X');
  EXPECT_EQ(2, any->presses);
  Char('x');
  EXPECT_TRUE(edit->events.empty() || edit->events.back().rfind("char", 0) != 0);
  // ... but a hot key without a character does not eat the next typed one.
  Key('K', PlatformMod::kCtrl);
  Key('B');
  Char('b');
  ASSERT_FALSE(edit->events.empty());
  EXPECT_EQ("char b", edit->events.back());
  // A hidden button is pressed all the same; a missing one logs.
  any->ShowWindow(false);
  Key('X');
  EXPECT_EQ(3, any->presses);
  TLogCapture log;
  d->RegisterHotKey("@z", "ghost");
  Key('Z');
  EXPECT_TRUE(log.Contains("ERROR: Hot key button not found. Button:'ghost'"));
  d->RegisterHotKey("@x", "");
  EXPECT_EQ(0u, d->GetHotKeys().count("@X"));
}

TEST_F(ModalTest, EnterAndEscapePressTheLaterDefaultAndCancelButtons) {
  TModalWindow* d = PushDialog("d");
  auto* cancel = Add<TTestButton>(d, "cancel", 40, 0, 10, 10);
  TProbe* panel = Add(d, "panel", 0, 0, 500, 500);
  auto* first = Add<TTestButton>(panel, "first", 0, 0, 10, 10);
  auto* second = Add<TTestButton>(panel, "second", 20, 0, 10, 10);
  auto* hidden = Add<TTestButton>(d, "hidden", 0, 0, 10, 10);
  first->isDefault = second->isDefault = hidden->isDefault = true;
  hidden->ShowWindow(false);
  cancel->isCancel = true;
  wm->SetFocus(d);
  Char(13);
  // The walk visits children front to back: "second" was added last, so
  // "first" comes later in the walk and wins.
  EXPECT_EQ(1, first->commands);
  EXPECT_EQ(0, second->commands);
  EXPECT_EQ(0, hidden->commands);
  Char(27);
  EXPECT_EQ(1, cancel->commands);
}

TEST_F(ModalTest, EnterWithoutDefaultButtonBubblesDefaultActionFromTheFocus) {
  TModalWindow* d = PushDialog("d");
  TProbe* edit = Add(d, "edit", 0, 0, 10, 10);
  wm->SetFocus(edit);
  Char(13);
  wm->DeliverPostedMessages();
  ASSERT_EQ(2u, edit->events.size());
  EXPECT_EQ("char \r", edit->events[0]);
  EXPECT_EQ("msg 2 ", edit->events[1]);
}

TEST_F(ModalTest, CloseMessagesPopByNameAndUnknownNamesAreStillTaken) {
  TModalWindow* a = PushDialog("a");
  TModalWindow* b = PushDialog("b");
  long before = TMessage::LiveCount();
  b->BubbleMessage(new TMessage(kCloseWindow, "nobody"));
  EXPECT_EQ(b, wm->GetTopModal());
  EXPECT_EQ(before, TMessage::LiveCount());
  b->BubbleMessage(new TMessage(kCloseWindow, "b"));
  EXPECT_EQ(a, wm->GetTopModal());
}

TEST_F(ModalTest, SelectLayerShowsOneLayerAndRejectsOthers) {
  TModalWindow* d = PushDialog("d");
  auto* layered = new TLayeredWindow(3);
  d->AddChild(layered, true);
  TProbe* zero = Add(layered, "zero", 0, 0, 10, 10);
  ASSERT_TRUE(layered->SelectLayer(1));
  TProbe* one = Add(layered, "one", 0, 0, 10, 10);
  ASSERT_TRUE(layered->SelectLayer(-1));
  TProbe* all = Add(layered, "all", 0, 0, 10, 10);
  EXPECT_TRUE(zero->HasFlag(kWindowVisible));
  EXPECT_FALSE(one->HasFlag(kWindowVisible));
  EXPECT_TRUE(all->HasFlag(kWindowVisible));
  ASSERT_TRUE(layered->SelectLayer(1));
  EXPECT_FALSE(zero->HasFlag(kWindowVisible));
  EXPECT_TRUE(one->HasFlag(kWindowVisible));
  EXPECT_TRUE(all->HasFlag(kWindowVisible));
  TLogCapture log;
  EXPECT_FALSE(layered->SelectLayer(3));
  EXPECT_FALSE(layered->SelectLayer(-2));
  EXPECT_EQ(2u, log.Count("out of range"));
  EXPECT_EQ(1, layered->GetLayer());
}

TEST_F(ModalTest, TheScreenClearsOnlyWhileItIsTheTopModalWindowByDefault) {
  EXPECT_FALSE(screen->alwaysClear);
  EXPECT_FALSE(screen->noClear);
  EXPECT_EQ(TFloatColor(0, 0, 0, 0), screen->clearColor);
  Tick(20);
  ASSERT_GE(env.log.size(), 3u);
  EXPECT_EQ("begin", env.log[0]);
  EXPECT_EQ("fill 0,0,1024x768", env.log[1]);
  PushDialog("d");
  env.log.clear();
  Tick(20);
  EXPECT_EQ((Strings{"begin", "end"}), env.log);
  screen->alwaysClear = true;
  wm->Invalidate();
  env.log.clear();
  Tick(20);
  EXPECT_EQ((Strings{"begin", "fill 0,0,1024x768", "end"}), env.log);
}

TEST_F(ModalTest, WindowAnimationRunsOnTheModalClockAndStopsWhileCovered) {
  struct TTicker : TWindow {
    bool Update() override { return ++updates < 100; }
    int updates = 0;
  };
  TModalWindow* d = PushDialog("d");
  auto* t = new TTicker();
  d->AddChild(t, true);
  t->Animate(16, true, true, false);
  Tick(16);
  EXPECT_EQ(1, t->updates);
  PushDialog("cover");
  Tick(16);
  Tick(16);
  EXPECT_EQ(1, t->updates);
  wm->PopModalUntil("cover");
  Tick(16);
  EXPECT_EQ(2, t->updates);
}

}  // namespace
