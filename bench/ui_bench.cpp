// Cost of the window manager on a screen of 500 windows: one mouse move
// through HandleEvent (hit test, dispatch, fall-through, delivery) and one
// drawn frame (the tree walk with clip and viewport for every window, on a
// display that takes the calls and, separately, in pixels on the software
// display device), each against the same on a screen of 40 windows (two
// panels of 20). Also one mouse move that passes 5,000 stacked sibling
// windows, each declining it, against one that passes 500: "ratio
// move5000/move500" (linear routing gives about 10). Each pair is timed side
// by side, seven runs each with the sides alternating, each figure the
// median; the ratios' labels say what was drawn.
//
// The timed work is checked. Before the timing, known moves must reach the
// window under the point, then each parent it falls through to (every
// stacked sibling, front to back). During it, every delivery is counted: the
// timed moves go through a fixed list of points whose expected deliveries
// are known, every frame must make one fill call per window, and after each
// timed run of frames in pixels the frame left on the device must show every
// panel grey and the gaps not. A wrong result fails the program with a line
// saying what differs.
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <vector>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "bench/benchutil.h"
#include "bench/compare.h"
#include "platform/registry/asset.h"
#include "platform/time.h"
#include "render/device/displayhandler.h"
#include "render/sdev/sdev.h"
#include "ui/drawenvironment.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

namespace {

// A display that takes every call and draws nothing; its fill calls are
// counted together (the windows draw through the process's current window
// manager, which may be another screen's).
class TBenchEnvironment : public TWindowEnvironment {
public:
  bool HasDisplay() override { return true; }
  bool BeginDraw() override { return true; }
  void FillRect(const TRect& r, const TFloatColor& c) override { ++fills; }
  static long fills;
};
long TBenchEnvironment::fills = 0;

// The panels a move reached, in order, while the checks record them; every
// delivery is counted.
std::vector<const TWindow*> gReached;
bool gRecord = false;
uint64_t gDeliveries = 0;

class TPanel : public TWindow {
public:
  bool OnMouseMove(const TPoint& p) override {
    ++gDeliveries;
    if (gRecord) gReached.push_back(this);
    return false;
  }
  void Draw() override {
    TWindowEnvironment* env = GetWindowManager()->GetEnvironment();
    env->FillRect(TRect(0, 0, GetWidth(), GetHeight()), TFloatColor(0.5f, 0.5f, 0.5f, 1));
  }
};

// A screen with `panels` panels of 19 children each (20 windows per panel).
struct TScreenSetup {
  explicit TScreenSetup(int panels, TWindowEnvironment* environment = nullptr)
      : time(1000), wm(environment ? environment : &env) {
    auto* screen = new TScreen();
    wm.SetRootWindow(screen);
    auto* dialog = new TModalWindow();
    wm.PushModal(dialog);
    for (int p = 0; p < panels; ++p) {
      auto* panel = new TPanel();
      panel->MoveTo((p % 5) * 204, (p / 5) * 150);
      panel->SetSize(200, 146);
      dialog->AddChild(panel, true);
      panelList.push_back(panel);
      for (int c = 0; c < 19; ++c) {
        auto* child = new TPanel();
        child->MoveTo((c % 5) * 40, (c / 5) * 36);
        child->SetSize(38, 34);
        panel->AddChild(child, true);
        children.push_back(child);
      }
    }
  }
  // The panels a move at (x, y) should reach: the child under it, then its panel.
  std::vector<const TWindow*> Expected(int x, int y) const {
    for (size_t p = 0; p < panelList.size(); ++p) {
      int px = int(p % 5) * 204, py = int(p / 5) * 150;
      if (x < px || y < py || x >= px + 200 || y >= py + 146) continue;
      for (int c = 0; c < 19; ++c) {
        int cx = px + (c % 5) * 40, cy = py + (c / 5) * 36;
        if (x >= cx && y >= cy && x < cx + 38 && y < cy + 34) return {children[p * 19 + size_t(c)], panelList[p]};
      }
      return {panelList[p]};
    }
    return {};
  }
  std::vector<const TWindow*> panelList, children;
  TManualTimeScope time;
  TBenchEnvironment env;
  TWindowManager wm;
};

// `count` sibling windows stacked over the whole dialog, each declining the
// move: the event passes every one of them, front to back, then the dialog.
struct TStackSetup {
  explicit TStackSetup(int count) : time(1000), wm(&env) {
    wm.SetRootWindow(new TScreen());
    auto* dialog = new TModalWindow();
    wm.PushModal(dialog);
    for (int i = 0; i < count; ++i) {
      auto* sibling = new TPanel();
      sibling->SetSize(1024, 768);
      dialog->AddChild(sibling, true);
      siblings.push_back(sibling);
    }
  }
  TManualTimeScope time;
  TBenchEnvironment env;
  TWindowManager wm;
  std::vector<const TWindow*> siblings;
};

// One move at (x, y); the panels it reached.
std::vector<const TWindow*> Reached(TWindowManager& wm, int x, int y) {
  TPlatformEvent e;
  e.type = kEventMouseMove;
  e.x = x;
  e.y = y;
  gReached.clear();
  gRecord = true;
  wm.HandleEvent(e);
  gRecord = false;
  return gReached;
}

void CheckMoves() {
  TScreenSetup setup(25);
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> x(0, 1023), y(0, 767);
  int onChild = 0;
  for (int i = 0; i < 400; ++i) {
    int px = x(rng), py = y(rng);
    std::vector<const TWindow*> want = setup.Expected(px, py), got = Reached(setup.wm, px, py);
    bench::Require(got == want, "a move at %d,%d reached %zu panels, not the %zu under it and its parent", px, py,
                   got.size(), want.size());
    onChild += want.size() == 2;
  }
  bench::Require(onChild > 100, "the checked moves missed the child windows");
  for (int count : {500, 5000}) {
    TStackSetup stack(count);
    std::vector<const TWindow*> got = Reached(stack.wm, 300, 200);
    bench::Require(got.size() == stack.siblings.size() &&
                       std::equal(got.begin(), got.end(), stack.siblings.rbegin()),
                   "a move over %d stacked siblings reached %zu of them, or out of order", count, got.size());
  }
  std::printf("checked: 400 moves reached the window under them and fell through to its panel; a move passed "
              "500 and 5000 stacked siblings front to back\n");
}

// `count` mouse moves over the screen, the same list every run.
std::vector<TPlatformEvent> RandomMoves(int count) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> x(0, 1023), y(0, 767);
  std::vector<TPlatformEvent> events;
  for (int i = 0; i < count; ++i) {
    TPlatformEvent e;
    e.type = kEventMouseMove;
    e.x = x(rng);
    e.y = y(rng);
    events.push_back(e);
  }
  return events;
}

// Where a fixed list of moves goes, and how many deliveries a pass over it makes.
struct TMoves {
  TMoves(const TScreenSetup& setup) : events(RandomMoves(4096)) {
    for (const TPlatformEvent& e : events) perPass += setup.Expected(e.x, e.y).size();
  }
  std::vector<TPlatformEvent> events;
  uint64_t perPass = 0;  // deliveries of one pass over the list
};

// Seconds per move of `moves` through the window manager, and the deliveries checked.
double TimeMoves(TWindowManager& wm, const std::vector<TPlatformEvent>& events, uint64_t deliveriesPerPass,
                 const char* what) {
  uint64_t passes = 0;
  const uint64_t before = gDeliveries;
  double perPass = bench::TimePerCall([&] {
    for (const TPlatformEvent& e : events) wm.HandleEvent(e);
    ++passes;
  });
  bench::Require(gDeliveries - before == passes * deliveriesPerPass,
                 "the timed moves over %s made %llu deliveries, not %llu", what,
                 (unsigned long long)(gDeliveries - before), (unsigned long long)(passes * deliveriesPerPass));
  return perPass / double(events.size());
}

// Seconds per frame of the setup's window manager; each frame must make one fill per window.
double TimeFrames(TScreenSetup& setup, long windows, const char* what) {
  long frames = 0;
  const long before = TBenchEnvironment::fills;
  double perFrame = bench::TimePerCall([&] {
    setup.wm.Invalidate();
    setup.time.Advance(TWindowManager::kFrameInterval);
    setup.wm.DrawFrame();
    ++frames;
  });
  bench::Require(TBenchEnvironment::fills - before == frames * windows,
                 "the timed frames of %s made %ld fills, not %ld", what, TBenchEnvironment::fills - before,
                 frames * windows);
  return perFrame;
}

void ClearBackBuffer() {
  sdev::Surface* b = GetDisplayHandler()->Data().backBuffer;
  void* bits = nullptr;
  int32_t pitch = 0;
  bench::Require(b && !sdev::Failed(b->Lock(nullptr, &bits, &pitch, 0)), "the back buffer cannot be locked");
  for (uint32_t y = 0; y < b->Height(); ++y)
    std::memset(static_cast<uint8_t*>(bits) + size_t(y) * size_t(pitch), 0, size_t(pitch));
  b->Unlock();
}

// Checks the frame left on the software device: `panels` grey panels, nothing grey around them.
void CheckDeviceFrame(int panels, const char* when) {
  std::vector<uint32_t> px = bench::BackBufferPixels(1024, 768);
  bench::Require(!px.empty(), "the frame could not be read");
  const uint32_t grey = px[5 * 1024 + 5] & 0xFFFFFFu;
  bench::Require(grey == 0x7F7F7Fu || grey == 0x808080u, "a panel is %06X, not grey (%s)", grey, when);
  size_t wrong = 0;
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) {
      const int p = (y / 150) * 5 + x / 204;
      bool inPanel = x % 204 < 200 && y % 150 < 146 && x / 204 < 5 && y / 150 < 5 && p < panels;
      wrong += ((px[size_t(y) * 1024 + size_t(x)] & 0xFFFFFFu) == grey) != inPanel;
    }
  bench::Require(wrong == 0, "%zu pixels of the frame of %d panels are wrong (%s)", wrong, panels, when);
}

void PrintPair(const char* what, const char* line, const bench::TComparison& c, const char* a, const char* b) {
  bench::PrintMedians(what, c, a, b, 1e9, "ns");
  bench::PrintRatio(line, c.Ratio());
}

}  // namespace

int main() {
  CheckMoves();
  {
    TScreenSetup large(25), small(2);
    TMoves a(large), b(small);
    bench::TComparison c = bench::Alternate([&] { return TimeMoves(large.wm, a.events, a.perPass, "500 windows"); },
                                            [&] { return TimeMoves(small.wm, b.events, b.perPass, "40 windows"); });
    std::printf("checked: every timed move reached the window under it and each parent it fell through to\n");
    PrintPair("a move", "move 500/40 windows, nothing drawn (hit test, dispatch, fall-through)", c, "500 windows",
              "40 windows");
  }
  {
    TScreenSetup large(25), small(2);
    bench::TComparison c = bench::Alternate([&] { return TimeFrames(large, 500, "500 windows"); },
                                            [&] { return TimeFrames(small, 40, "40 windows"); });
    std::printf("checked: every timed frame made one fill call per window\n");
    PrintPair("a frame", "frame 500/40 windows, no pixels (tree walk, clip, viewport, one fill call each)", c,
              "500 windows", "40 windows");
  }
  {
    TAssetManager assets;
    TAssetManager* previous = SetAssetManager(&assets);
    sdev::FixedWindow window{1024, 768};
    TDisplayHandler* handler = CreateDisplayHandler();
    bench::Require(handler->Open(&window, 1024, 768, false), "no software display");
    {
      TRendererWindowEnvironment env;
      TScreenSetup large(25, &env), small(2, &env);
      auto frames = [&](TScreenSetup& setup, int panels) {
        ClearBackBuffer();  // what the timed frames leave is theirs alone
        double perFrame = bench::TimePerCall([&] {
          setup.wm.Invalidate();
          setup.time.Advance(TWindowManager::kFrameInterval);
          setup.wm.DrawFrame();
        });
        CheckDeviceFrame(panels, "after a timed run");
        return perFrame;
      };
      bench::TComparison c = bench::Alternate([&] { return frames(large, 25); }, [&] { return frames(small, 2); });
      std::printf("checked: after each timed run the frame showed its grey panels and nothing grey around them\n");
      PrintPair("a frame in pixels",
                "frame 500/40 windows in pixels (each window filled grey, 1024x768 software device)", c,
                "500 windows", "40 windows");
    }
    DestroyDisplayHandler();
    TRenderer::Destroy();
    SetAssetManager(previous);
  }
  {
    TStackSetup large(5000), small(500);
    const std::vector<TPlatformEvent> events = RandomMoves(64);
    bench::TComparison c =
        bench::Alternate([&] { return TimeMoves(large.wm, events, 64 * 5000, "5000 siblings"); },
                         [&] { return TimeMoves(small.wm, events, 64 * 500, "500 siblings"); });
    std::printf("checked: every timed move passed all the stacked siblings\n");
    // One move that 5,000 stacked siblings decline in turn, against 500 (nothing drawn).
    PrintPair("a move passing stacked siblings", "move5000/move500", c, "5000 siblings", "500 siblings");
  }
  return 0;
}
