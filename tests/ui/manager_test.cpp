// The window manager: posted messages, deferred deletion, the modal stack,
// capture and frame pacing.
#include <gtest/gtest.h>

#include "platform/log.h"
#include "uitest.h"

using namespace uitest;

namespace {

class ManagerTest : public ::testing::Test, public TUiFixture {};

// Re-posts once while it handles the first message.
struct TReposter : TProbe {
  bool OnMessage(TMessage* m) override {
    TProbe::OnMessage(m);
    if (m->text == "first") GetWindowManager()->PostMessage(new TMessage(kGeneric, "during", this));
    return true;
  }
};

TEST_F(ManagerTest, PostsAreDeliveredInOrderAndPostsDuringDeliveryInTheSamePass) {
  TModalWindow* d = PushDialog("d");
  TReposter* r = Add<TReposter>(d, "r", 0, 0, 10, 10);
  wm->PostMessage(new TMessage(kGeneric, "first", r));
  wm->PostMessage(new TMessage(kGeneric, "second", r));
  wm->DeliverPostedMessages();
  EXPECT_EQ((Strings{"msg 0 first", "msg 0 second", "msg 0 during"}), r->events);
  EXPECT_EQ(0u, wm->GetPostedCount());
  wm->PostMessage(new TMessage(kQuitNow, ""));
  wm->DeliverPostedMessages();
  EXPECT_TRUE(env.quitRequested);
  EXPECT_EQ(0, env.quitCode);
}

TEST_F(ManagerTest, EndlessRepostingDoesNotHangTheLoop) {
  struct TForever : TProbe {
    bool OnMessage(TMessage* m) override {
      GetWindowManager()->PostMessage(new TMessage(kGeneric, "again", this));
      return true;
    }
  };
  TModalWindow* d = PushDialog("d");
  TForever* f = Add<TForever>(d, "f", 0, 0, 10, 10);
  wm->PostMessage(new TMessage(kGeneric, "go", f));
  TLogCapture log;
  wm->DeliverPostedMessages();
  EXPECT_EQ(1u, wm->GetPostedCount());
  EXPECT_EQ(1u, log.Count("messages in one delivery pass"));
}

TEST_F(ManagerTest, AWindowDeletingItselfLivesUntilTheNextEvent) {
  TModalWindow* d = PushDialog("d");
  TProbe* focus = Add(d, "focus", 500, 500, 10, 10);
  focus->takeMessages = true;
  d->SetFocusWindow(focus);
  wm->SetFocus(focus);
  TProbe* x = Add(d, "x", 0, 0, 100, 100);
  x->deleteSelfOnDown = true;
  x->takeMouse = true;
  wm->AddCapture(x);
  long live = TWindow::LiveCount();
  wm->PostMessage(new TMessage(kGeneric, "for x", x));
  Send(kEventLeftDown, 10, 10);  // delivery after the event: the message lost its target
  EXPECT_EQ(live, TWindow::LiveCount());
  EXPECT_FALSE(wm->IsCaptured(x));
  ASSERT_FALSE(focus->events.empty());
  EXPECT_EQ("msg 0 for x", focus->events.back());
  Send(kEventMouseMove, 10, 10);
  EXPECT_EQ(live - 1, TWindow::LiveCount());
}

TEST_F(ManagerTest, ModalStackPausesCoveredClocksAndPopsByNameOrId) {
  TModalWindow* a = PushDialog("a");
  EXPECT_FALSE(a->GetClock().IsPaused());
  TModalWindow* b = PushDialog("b");
  TModalWindow* c = PushDialog("c");
  EXPECT_TRUE(a->GetClock().IsPaused());
  EXPECT_TRUE(b->GetClock().IsPaused());
  TString bId = b->FormatIdHex();
  TString cId = c->FormatIdHex();
  EXPECT_EQ(8, bId.Length());
  EXPECT_FALSE(wm->PopModalUntil("nobody"));
  EXPECT_EQ(c, wm->GetTopModal());
  EXPECT_TRUE(wm->PopModalUntil(bId));
  EXPECT_EQ(a, wm->GetTopModal());
  EXPECT_FALSE(a->GetClock().IsPaused());
  TProbe* focus = Add(a, "focus", 0, 0, 1, 1);
  focus->takeMessages = true;
  a->SetFocusWindow(focus);
  wm->SetFocus(a);
  Send(kEventMouseMove, 900, 900);  // deletes b and c; their kModalClosed posts are delivered
  std::vector<std::string> closed;
  for (auto& e : focus->events) closed.push_back(e);
  EXPECT_EQ((Strings{"msg 6 " + cId.str(), "msg 6 " + bId.str()}), closed);
  // The root is never popped.
  TLogCapture log;
  EXPECT_FALSE(wm->PopModalUntil("_screen_"));
  EXPECT_EQ(2u, wm->GetModalStack().size());
  EXPECT_TRUE(log.Contains("refusing to pop the root"));
}

TEST_F(ManagerTest, CapturedWindowKeepsMovesOutsideItsRectangleUnlessItReleases) {
  TModalWindow* d = PushDialog("d");
  TProbe* k = Add(d, "k", 100, 100, 50, 50);
  TProbe* other = Add(d, "other", 400, 400, 50, 50);
  wm->AddCapture(k);
  Send(kEventMouseMove, 410, 410);
  EXPECT_EQ((Strings{"leave", "move 310,310"}), k->events);
  EXPECT_TRUE(other->events.empty());
  k->events.clear();
  k->releaseCaptureOnLeave = true;
  Send(kEventMouseMove, 420, 420);
  EXPECT_EQ((Strings{"leave"}), k->events);
  EXPECT_TRUE(other->events.empty());
  Send(kEventMouseMove, 420, 420);
  EXPECT_EQ(1u, other->events.size());
}

TEST_F(ManagerTest, FramesAreDrawnOnlyWhenInvalidatedAndPaced) {
  Tick(20);
  EXPECT_EQ(1u, wm->GetFrameCount());
  Tick(20);
  EXPECT_EQ(1u, wm->GetFrameCount());  // nothing changed
  wm->Invalidate();
  Tick(1);
  EXPECT_EQ(2u, wm->GetFrameCount());
  wm->Invalidate();
  Tick(5);
  EXPECT_EQ(2u, wm->GetFrameCount());  // under 12 ms since the last frame
  Tick(7);
  EXPECT_EQ(3u, wm->GetFrameCount());
  env.flipDone = false;
  wm->Invalidate();
  Tick(20);
  EXPECT_EQ(3u, wm->GetFrameCount());
  env.flipDone = true;
  env.foreground = false;
  Tick(20);
  EXPECT_EQ(3u, wm->GetFrameCount());  // background: 200 ms
  Tick(180);
  EXPECT_EQ(4u, wm->GetFrameCount());
  env.hosted = true;
  wm->Invalidate();
  Tick(12);
  EXPECT_EQ(5u, wm->GetFrameCount());
}

TEST_F(ManagerTest, AnOpaqueFullSizeModalHidesTheLayersBelow) {
  std::vector<std::string> order;
  TProbe* onScreen = Add(screen, "onScreen", 0, 0, 10, 10);
  onScreen->drawLog = &order;
  TModalWindow* a = PushDialog("a");
  TProbe* inA = Add(a, "inA", 0, 0, 10, 10);
  inA->drawLog = &order;
  Tick(20);
  EXPECT_EQ((Strings{"onScreen", "inA"}), order);
  order.clear();
  TProbe* cover = Add(a, "cover", 0, 0, 1024, 768);
  cover->SetStateFlags(cover->GetFlags() | kWindowOpaque);
  EXPECT_TRUE(a->HasFlag(kWindowOpaque));
  Tick(20);
  EXPECT_EQ((Strings{"inA"}), order);
  a->RemoveChild(cover);
  EXPECT_FALSE(a->HasFlag(kWindowOpaque));
  wm->QueueDelete(cover);
  // Full width without full height (or the other way round) covers nothing:
  // the screen below is still drawn.
  TProbe* band = Add(a, "band", 0, 0, 1023, 768);
  band->SetStateFlags(band->GetFlags() | kWindowOpaque);
  EXPECT_FALSE(a->HasFlag(kWindowOpaque));
  band->SetSize(1024, 700);
  EXPECT_FALSE(a->HasFlag(kWindowOpaque));
  band->SetSize(1024, 767);
  EXPECT_FALSE(a->HasFlag(kWindowOpaque));
  band->SetStateFlags(band->GetFlags());
  EXPECT_FALSE(a->HasFlag(kWindowOpaque));
  order.clear();
  wm->Invalidate();
  Tick(20);
  EXPECT_EQ((Strings{"onScreen", "inA"}), order);
  a->RemoveChild(band);
  wm->QueueDelete(band);

  // A size change measures "full size" against the root window, a flag change
  // against the modal parent.
  TModalWindow* d = PushDialog("d");
  d->SetSize(400, 300);
  TProbe* panel = Add(d, "panel", 0, 0, 0, 0);
  panel->SetStateFlags(panel->GetFlags() | kWindowOpaque);
  panel->SetSize(400, 300);  // the dialog's size, not the root's
  EXPECT_FALSE(d->HasFlag(kWindowOpaque));
  panel->SetSize(1024, 768);  // the root's size
  EXPECT_TRUE(d->HasFlag(kWindowOpaque));
  panel->SetStateFlags(panel->GetFlags());  // not the dialog's size
  EXPECT_FALSE(d->HasFlag(kWindowOpaque));
  panel->SetSize(400, 300);
  panel->SetStateFlags(panel->GetFlags());
  EXPECT_TRUE(d->HasFlag(kWindowOpaque));
}

TEST_F(ManagerTest, PopModalDuringTheLayerLoopStopsIt) {
  struct TPopper : TProbe {
    void Draw() override {
      TProbe::Draw();
      if (pop) GetWindowManager()->PopModal();
      pop = false;
    }
    bool pop = true;
  };
  std::vector<std::string> order;
  TModalWindow* a = PushDialog("a");
  auto* p = Add<TPopper>(a, "popper", 0, 0, 10, 10);
  p->drawLog = &order;
  PushDialog("b");
  TProbe* inB = Add(wm->GetTopModal(), "inB", 0, 0, 10, 10);
  inB->drawLog = &order;
  Tick(20);
  EXPECT_EQ((Strings{"popper"}), order);
}

TEST_F(ManagerTest, ListenersSeeUntargetedMessagesFirst) {
  struct TListener : TMessageListener {
    bool OnMessage(TMessage* m) override { seen.push_back(m->text.str()); return m->text == "mine"; }
    std::vector<std::string> seen;
  } listener;
  TModalWindow* d = PushDialog("d");
  TProbe* focus = Add(d, "f", 0, 0, 1, 1);
  wm->SetFocus(focus);
  wm->AddListener(&listener);
  wm->PostMessage(new TMessage(kGeneric, "mine"));
  wm->PostMessage(new TMessage(kGeneric, "yours"));
  wm->PostMessage(new TMessage(kGeneric, "targeted", focus));
  wm->DeliverPostedMessages();
  wm->RemoveListener(&listener);
  EXPECT_EQ((Strings{"mine", "yours"}), listener.seen);
  EXPECT_EQ((Strings{"msg 0 yours", "msg 0 targeted"}), focus->events);
}


}  // namespace

namespace {

// A display with a layer texture: the layer pass runs first, then the root
// tree and the top modal window over it.
class TLayerEnvironment : public TRecordingEnvironment {
public:
  bool HasLayerTarget() override { return true; }
  bool BeginLayerTarget() override {
    log.push_back("layer");
    return true;
  }
  void EndLayerTarget() override { log.push_back("/layer"); }
  void CopyLayerTarget() override { log.push_back("copy"); }
};

TEST(LayerPass, WithNothingMarkedOnlyTheNormalPassesDraw) {
  TManualTimeScope time(1000);
  TLayerEnvironment env;
  TWindowManager wm(&env);
  auto* screen = new TScreen();
  wm.SetRootWindow(screen);
  std::vector<std::string> order;
  TProbe* onScreen = Add(screen, "onScreen", 0, 0, 10, 10);
  onScreen->drawLog = &order;
  auto* dialog = new TModalWindow();
  wm.PushModal(dialog);
  TProbe* inDialog = Add(dialog, "inDialog", 0, 0, 10, 10);
  inDialog->drawLog = &order;
  time.Advance(20);
  TPlatformEvent tick;
  tick.type = kEventTick;
  wm.HandleEvent(tick);
  EXPECT_EQ((Strings{"onScreen", "inDialog"}), order);
  ASSERT_GE(env.log.size(), 4u);
  EXPECT_EQ("layer", env.log[0]);
  EXPECT_EQ("/layer", env.log[1]);
  EXPECT_EQ("begin", env.log[2]);
  EXPECT_NE(std::find(env.log.begin(), env.log.end(), "copy"), env.log.end());
  EXPECT_FALSE(onScreen->HasFlag(kWindowLayerDrawn));
}

}  // namespace
