// The window tree: placement codes, hit testing and fall-through, focus,
// message bubbling and drawing order.
#include <gtest/gtest.h>
#include <lua.hpp>

#include "platform/log.h"
#include "platform/settings.h"
#include "ui/windowstyle.h"
#include "uitest.h"

using namespace uitest;

namespace {

struct PlacementCase {
  const char* style;  // Lua table text
  int parentW;
  TRect expected;
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, ResolvesAgainstTheParent) {
  const PlacementCase& c = GetParam();
  lua_State* L = luaL_newstate();
  std::string text = std::string("kCenter = 80000; kMax = 160000; t = ") + c.style;
  ASSERT_EQ(0, luaL_dostring(L, text.c_str()));
  lua_getglobal(L, "t");
  TWindowStyle style(L, -1);
  TWindow parent;
  parent.SetSize(c.parentW, 600);
  TWindow* child = new TWindow();
  parent.AddChild(child, true);
  child->Init(style);
  EXPECT_EQ(c.expected, child->GetRect()) << c.style;
  EXPECT_EQ(1, lua_gettop(L));
  lua_close(L);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PlacementTest,
    ::testing::Values(PlacementCase{"{x = kCenter, w = 100, h = 10}", 800, TRect(350, 0, 450, 10)},
                      PlacementCase{"{x = kCenter + 10, w = 100, h = 10}", 800, TRect(360, 0, 460, 10)},
                      PlacementCase{"{x = kMax - 20, w = 10, h = 10}", 800, TRect(780, 0, 790, 10)},
                      PlacementCase{"{x = -20, w = 10, h = 10}", 800, TRect(780, 0, 790, 10)},
                      PlacementCase{"{x = -20, w = 10, h = 10, align = 0}", 800, TRect(-20, 0, -10, 10)},
                      PlacementCase{"{x = 10, w = kMax, h = 10}", 800, TRect(10, 0, 800, 10)},
                      PlacementCase{"{x = 700, w = -100, h = 10}", 800, TRect(600, 0, 700, 10)},
                      PlacementCase{"{x = 400, w = 100, h = 10, align = 1}", 800, TRect(350, 0, 450, 10)},
                      PlacementCase{"{x = 400, w = 100, h = 10, align = 2}", 800, TRect(300, 0, 400, 10)},
                      PlacementCase{"{x = 400, w = 0, h = 10, align = 1}", 800, TRect(400, 0, 400, 10)},
                      PlacementCase{"{y = kCenter, w = 10, h = 100, align = 0}", 800, TRect(0, 250, 10, 350)},
                      PlacementCase{"{y = 600, w = 10, h = 100, align = 8}", 800, TRect(0, 500, 10, 600)}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return "case" + std::to_string(info.index); });

TEST(Placement, CodedPlacementWaitsForTheParentSize) {
  lua_State* L = luaL_newstate();
  ASSERT_EQ(0, luaL_dostring(L, "t = {x = 80000, w = 100, h = 20}"));
  lua_getglobal(L, "t");
  TWindowStyle style(L, -1);
  TWindow parent;
  TWindow* child = new TWindow();
  parent.AddChild(child, true);
  child->Init(style);
  EXPECT_EQ(TRect(), child->GetRect());
  parent.SetSize(800, 600);
  child->PostInit(style);
  EXPECT_EQ(TRect(350, 0, 450, 20), child->GetRect());
  lua_close(L);
}

class TreeTest : public ::testing::Test, public TUiFixture {};

// A script port that keeps the texts of the messages handed to the script.
struct TQueuePort : TWindowScriptPort {
  void SetModalWindow(TWindow*) override {}
  void PushWindow(TWindow*) override {}
  void PopWindow() override {}
  void ForgetWindow(TWindow*) override {}
  void QueueMessage(TMessage* m) override { queued.push_back(m->text.str()); delete m; }
  void OnCloseRequest() override {}
  void RunText(TWindow*, const TString&) override {}
  bool ExchangeLabelFlag(bool) override { return false; }
  void DefineWindowType(const TString&, TWindowCreator) override {}
  std::vector<std::string> queued;
};

TEST_F(TreeTest, HitTestUsesExclusiveEdgesAndFrontChildFirst) {
  TModalWindow* d = PushDialog("d");
  TProbe* back = Add(d, "back", 100, 100, 200, 200);
  TProbe* front = Add(d, "front", 150, 150, 100, 100);
  EXPECT_EQ(front, d->HitTest(TPoint(150, 150)));
  EXPECT_EQ(front, d->HitTest(TPoint(249, 249)));
  EXPECT_EQ(back, d->HitTest(TPoint(250, 250)));
  EXPECT_EQ(d, d->HitTest(TPoint(300, 300)));
  front->ShowWindow(false);
  EXPECT_EQ(back, d->HitTest(TPoint(150, 150)));
}

TEST_F(TreeTest, DeclinedPressFallsToTheWindowBelowThenTheParent) {
  TModalWindow* d = PushDialog("d");
  TProbe* panel = Add(d, "panel", 10, 10, 500, 500);
  TProbe* back = Add(panel, "back", 100, 100, 200, 200);
  Add(panel, "front", 150, 150, 100, 100);
  TProbe* front = static_cast<TProbe*>(panel->FindChild("front"));
  Send(kEventLeftDown, 170, 180);
  EXPECT_EQ(Strings{"down 10,20"}, front->events);
  EXPECT_EQ(Strings{"down 60,70"}, back->events);
  EXPECT_EQ(Strings{"down 160,170"}, panel->events);
}

TEST_F(TreeTest, UnhandledReleaseAtTheModalWindowPostsPressAnyKey) {
  TModalWindow* d = PushDialog("d");
  TProbe* listener = Add(d, "l", 0, 0, 1, 1);
  d->SetFocusWindow(listener);
  listener->takeMessages = true;
  Click(500, 500);
  ASSERT_FALSE(listener->events.empty());
  EXPECT_EQ("msg 4 mouse:up", listener->events.back());
  listener->events.clear();
  Key('Q');
  EXPECT_EQ("msg 4 raw:Q", listener->events.back());
  listener->events.clear();
  SetSetting("overlaymouse", "1");
  Send(kEventLeftDown, 500, 500);
  Send(kEventLeftUp, 500, 500);
  SetSetting("overlaymouse", "0");
  // With overlay mouse routing the manager posts the release itself.
  EXPECT_EQ(Strings{"msg 4 mouse:up"}, listener->events);
}

TEST_F(TreeTest, KeysDeclinedByTheFocusGoToTheParentNotToAWindowUnderThePoint) {
  TModalWindow* d = PushDialog("d");
  // Under the focus window, and under the point in the focus window's
  // coordinates as in the dialog's.
  TProbe* below = Add(d, "below", 0, 0, 1000, 1000);
  TProbe* focus = Add(d, "focus", 500, 500, 100, 100);
  wm->SetFocus(focus);
  Send(kEventKeyDown, 10, 10, 'A');
  ASSERT_FALSE(focus->events.empty());
  EXPECT_EQ("key 65", focus->events[0]);
  EXPECT_TRUE(below->events.empty());
}

TEST_F(TreeTest, PressFocusesTheFocusablePanelEvenWhenHandled) {
  TModalWindow* d = PushDialog("d");
  struct TFocusable : TProbe {
    TFocusable() { SetClassFlags(kWindowFocusable); }
  };
  auto* focusable = new TFocusable();
  focusable->SetSize(300, 300);
  d->AddChild(focusable, true);
  TProbe* inner = Add(focusable, "inner", 10, 10, 50, 50);
  inner->takeMouse = true;
  Send(kEventLeftDown, 20, 20);
  EXPECT_EQ(focusable, wm->GetFocus());
  ASSERT_EQ(1u, focusable->focusFrom.size());
  EXPECT_EQ(d, focusable->focusFrom[0]);
}

TEST_F(TreeTest, BubbledMessageIsDeletedOnceAndUntakenOnesReachTheScript) {
  TQueuePort port;
  wm->SetScriptPort(&port);
  TModalWindow* d = PushDialog("d");
  TProbe* panel = Add(d, "panel", 0, 0, 100, 100);
  TProbe* leaf = Add(panel, "leaf", 0, 0, 10, 10);
  long before = TMessage::LiveCount();
  panel->takeMessages = true;
  leaf->BubbleMessage(new TMessage(kGeneric, "one"));
  EXPECT_EQ(before, TMessage::LiveCount());
  EXPECT_EQ(1u, leaf->events.size());
  EXPECT_EQ(1u, panel->events.size());
  panel->takeMessages = false;
  leaf->BubbleMessage(new TMessage(kGeneric, "two"));
  EXPECT_EQ(before, TMessage::LiveCount());
  ASSERT_EQ(1u, port.queued.size());
  EXPECT_EQ("two", port.queued[0]);
  wm->SetScriptPort(nullptr);
}

TEST_F(TreeTest, UntakenMessageFromTheTopDialogStopsThereAndNeverReachesTheFocusBeneath) {
  TQueuePort port;
  wm->SetScriptPort(&port);
  TModalWindow* lower = PushDialog("lower");
  TProbe* lowerFocus = Add(lower, "lowerFocus", 0, 0, 10, 10);
  lowerFocus->takeMessages = true;  // it would take anything that reached it
  lower->SetFocusWindow(lowerFocus);
  TModalWindow* top = PushDialog("top");
  TProbe* topFocus = Add(top, "topFocus", 0, 0, 10, 10);
  top->SetFocusWindow(topFocus);
  TProbe* panel = Add(top, "panel", 20, 20, 100, 100);
  TProbe* button = Add(panel, "button", 0, 0, 10, 10);
  long before = TMessage::LiveCount();

  wm->PostMessage(new TMessage(kGeneric, "posted", button));
  wm->DeliverPostedMessages();
  button->BubbleMessage(new TMessage(kButtonPress, "pressed"));
  EXPECT_EQ((Strings{"msg 0 posted", "msg 3 pressed"}), button->events);
  EXPECT_EQ((Strings{"msg 0 posted", "msg 3 pressed"}), panel->events);
  EXPECT_EQ((Strings{"msg 0 posted", "msg 3 pressed"}), topFocus->events);  // the top dialog's focus child
  EXPECT_TRUE(lowerFocus->events.empty());
  EXPECT_EQ((Strings{"posted", "pressed"}), port.queued);  // then the script, each once
  EXPECT_EQ(before, TMessage::LiveCount());

  // The other side: from a window of the dialog beneath, its own focus child takes it.
  TProbe* lowerPanel = Add(lower, "lowerPanel", 0, 0, 10, 10);
  lowerPanel->BubbleMessage(new TMessage(kGeneric, "beneath"));
  EXPECT_EQ(Strings{"msg 0 beneath"}, lowerFocus->events);
  EXPECT_EQ(2u, port.queued.size());
  EXPECT_EQ(before, TMessage::LiveCount());
  wm->SetScriptPort(nullptr);
}

TEST_F(TreeTest, SetFocusOnADialogGivesTheFocusToItsFocusChildAndKeysGoThere) {
  TModalWindow* lower = PushDialog("lower");
  TProbe* lowerFocus = Add(lower, "lowerFocus", 0, 0, 10, 10);
  lower->SetFocusWindow(lowerFocus);  // the dialog has the focus: it moves on at once
  EXPECT_EQ(lowerFocus, wm->GetFocus());
  TModalWindow* top = PushDialog("top");
  TProbe* other = Add(top, "other", 0, 0, 10, 10);
  TProbe* topFocus = Add(top, "topFocus", 20, 20, 10, 10);
  wm->SetFocus(other);
  top->SetFocusWindow(topFocus);  // the dialog does not have the focus: nothing moves
  EXPECT_EQ(other, wm->GetFocus());
  EXPECT_TRUE(topFocus->focusFrom.empty());

  wm->SetFocus(top);
  EXPECT_EQ(topFocus, wm->GetFocus());
  EXPECT_EQ(std::vector<TWindow*>{other}, topFocus->focusFrom);  // told the real previous window, once
  Key('A');
  ASSERT_FALSE(topFocus->events.empty());
  EXPECT_EQ("key 65", topFocus->events[0]);
  EXPECT_TRUE(other->events.empty());
  EXPECT_TRUE(lowerFocus->events.empty());

  // The second dialog down: popping the top one focuses the focus child beneath.
  wm->PopModal();
  EXPECT_EQ(lowerFocus, wm->GetFocus());
  Key('B');
  ASSERT_FALSE(lowerFocus->events.empty());
  EXPECT_EQ("key 66", lowerFocus->events[0]);
  wm->SetFocus(lower);
  EXPECT_EQ(lowerFocus, wm->GetFocus());
}

TEST_F(TreeTest, DrawTreeGoesBackToFrontSkipsHiddenBranchesAndModalChildren) {
  std::vector<std::string> order;
  TProbe* a = Add(screen, "a", 0, 0, 100, 100);
  TProbe* b = Add(screen, "b", 50, 50, 100, 100);
  TProbe* hidden = Add(screen, "hidden", 0, 0, 100, 100);
  TProbe* underHidden = Add(hidden, "underHidden", 0, 0, 10, 10);
  TProbe* offscreen = Add(screen, "offscreen", 2000, 0, 10, 10);
  hidden->ShowWindow(false);
  for (TProbe* p : {a, b, hidden, underHidden, offscreen}) p->drawLog = &order;
  TModalWindow* d = PushDialog("d");
  TProbe* inDialog = Add(d, "inDialog", 0, 0, 10, 10);
  inDialog->drawLog = &order;
  env.depth = 0;
  screen->DrawTree(0);
  EXPECT_EQ((Strings{"a", "b"}), order);
  EXPECT_EQ(0, env.depth);
}

}  // namespace

namespace {

// Counts the mouse moves it gets; takes them when told to.
class TMoveCounter : public TWindow {
public:
  bool OnMouseMove(const TPoint&) override {
    ++moves;
    return take;
  }
  int moves = 0;
  bool take = false;
};

TEST_F(TreeTest, AMoveDeclinedByManySiblingsReachesEachOnceDownToTheOneThatTakesIt) {
  TModalWindow* d = PushDialog("d");
  constexpr int kCount = 100000;
  std::vector<TMoveCounter*> siblings;
  for (int i = 0; i < kCount; ++i) siblings.push_back(Add<TMoveCounter>(d, "s", 0, 0, 1024, 768));
  siblings[1]->take = true;  // the second from the bottom
  Send(kEventMouseMove, 500, 400);
  int once = 0;
  for (TMoveCounter* s : siblings) once += s->moves == 1;
  EXPECT_EQ(kCount - 1, once);
  EXPECT_EQ(0, siblings[0]->moves);
  // The windows below are found from each window's own place in the list.
  TWindow* below = d->FindChildInRange(TPoint(5, 5), std::next(d->GetChildren().begin(), kCount - 2),
                                       d->GetChildren().end());
  EXPECT_EQ(siblings[1], below);
  EXPECT_EQ(d, d->FindChildInRange(TPoint(2000, 5), d->GetChildren().begin(), d->GetChildren().end()));
  EXPECT_EQ(d, d->FindChildInRange(TPoint(5, 5), d->GetChildren().end(), d->GetChildren().end()));
}

TEST_F(TreeTest, WindowsNestUpToTheDepthLimitAndNoFurther) {
  TModalWindow* d = PushDialog("d");  // depth 1 under the screen
  long before = TWindow::LiveCount();
  TLogCapture log;
  TProbe* deepest = nullptr;
  TWindow* parent = d;
  int added = 0;
  for (int i = 0; i < 20000; ++i) {
    auto* child = new TProbe();
    child->SetSize(1024, 768);
    if (!parent->AddChild(child, true)) {
      delete child;
      break;
    }
    parent = deepest = child;
    ++added;
  }
  EXPECT_EQ(kMaxWindowDepth - 1, added);
  EXPECT_EQ(kMaxWindowDepth, deepest->GetDepth());
  EXPECT_EQ(1u, log.Count("TWindow::AddChild: '' refused: windows nest at most 256 deep"));
  // The deepest window is hit, found, drawn and deleted like any other.
  deepest->SetName("deepest");
  Send(kEventLeftDown, 5, 5);
  EXPECT_EQ(Strings{"down 5,5"}, deepest->events);
  EXPECT_EQ(deepest, d->FindChild("deepest"));
  env.log.clear();
  Tick(20);
  EXPECT_EQ("begin", env.log.front());
  EXPECT_EQ(0, env.depth);
  // A subtree that would reach past the limit is refused whole; one that fits is taken.
  TWindow* above = deepest->GetParent();
  auto* top = new TProbe();
  top->AddChild(new TProbe(), true);
  EXPECT_FALSE(above->AddChild(top, true));
  EXPECT_EQ(nullptr, top->GetParent());
  EXPECT_TRUE(above->GetParent()->AddChild(top, true));
  EXPECT_EQ(kMaxWindowDepth, top->GetChildren().front()->GetDepth());
  // Nesting a window inside its own subtree is refused too.
  EXPECT_FALSE(deepest->AddChild(d, true));
  wm->PopModal();
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ(before - 1, TWindow::LiveCount());
}

TEST_F(TreeTest, ModalWindowsNestUpToTheDepthLimitAndNoFurther) {
  long before = TWindow::LiveCount();
  int pushed = 0;
  for (int i = 0; i < 25000; ++i) {
    auto* modal = new TModalWindow();
    if (!wm->PushModal(modal)) {
      delete modal;
      break;
    }
    ++pushed;
  }
  EXPECT_EQ(kMaxWindowDepth, pushed);
  EXPECT_EQ(size_t(kMaxWindowDepth) + 1, wm->GetModalStack().size());
  Click(10, 10);
  Tick(20);
  EXPECT_EQ(0, env.depth);
  while (wm->GetModalStack().size() > 1) wm->PopModal();
  Send(kEventMouseMove, 0, 0);
  EXPECT_EQ(before, TWindow::LiveCount());
}

}  // namespace
