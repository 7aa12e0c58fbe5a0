// Cost of the window manager on a screen of 500 windows: one mouse move
// through HandleEvent (hit test, dispatch, fall-through, delivery) and one
// drawn frame (the tree walk with clip and viewport for every window, on a
// display that takes the calls and, separately, in pixels on the software
// display device), each against the same on a screen of 40 windows (two
// panels of 20), measured in one run. Prints the ratios 500/40, each label
// saying what was drawn, and the costs per event and per frame. Also one
// mouse move that passes 5,000 stacked sibling windows, each declining it,
// against one that passes 500: "ratio move5000/move500" (linear routing
// gives about 10).
//
// Before anything is timed the program checks the work: which windows known
// moves reach, in order (the window under the point, then each parent it
// falls through to; every stacked sibling, front to back), and the pixels of
// a frame drawn on the software device (every panel grey, the gaps not). A
// wrong result fails the program with a line saying what differs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "bench/benchutil.h"
#include "bench/compare.h"
#include "bench/recorder.h"
#include "platform/registry/asset.h"
#include "platform/time.h"
#include "render/device/displayhandler.h"
#include "render/sdev/sdev.h"
#include "ui/drawenvironment.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

namespace {

// A display that takes every call and draws nothing.
class TBenchEnvironment : public TWindowEnvironment {
public:
  bool HasDisplay() override { return true; }
  bool BeginDraw() override { return true; }
  void FillRect(const TRect& r, const TFloatColor& c) override { ++fills; }
  long fills = 0;
};

// The panels a move reached, in order, while the checks record them.
std::vector<const TWindow*> gReached;
bool gRecord = false;

class TPanel : public TWindow {
public:
  bool OnMouseMove(const TPoint& p) override {
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

void Move(benchmark::State& state, int panels) {
  TScreenSetup setup(panels);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> x(0, 1023), y(0, 767);
  TPlatformEvent e;
  e.type = kEventMouseMove;
  for (auto _ : state) {
    e.x = x(rng);
    e.y = y(rng);
    setup.wm.HandleEvent(e);
  }
}

void Frame(benchmark::State& state, int panels) {
  TScreenSetup setup(panels);
  for (auto _ : state) {
    setup.wm.Invalidate();
    setup.time.Advance(TWindowManager::kFrameInterval);
    setup.wm.DrawFrame();
  }
  state.counters["fills/frame"] = static_cast<double>(setup.env.fills) / static_cast<double>(state.iterations());
}

// The same frame drawn in pixels on the software display device at 1024 x 768.
void DeviceFrame(benchmark::State& state, int panels) {
  TAssetManager assets;
  TAssetManager* previous = SetAssetManager(&assets);
  sdev::FixedWindow window{1024, 768};
  TDisplayHandler* handler = CreateDisplayHandler();
  if (handler->Open(&window, 1024, 768, false)) {
    TRendererWindowEnvironment env;
    TScreenSetup setup(panels, &env);
    for (auto _ : state) {
      setup.wm.Invalidate();
      setup.time.Advance(TWindowManager::kFrameInterval);
      setup.wm.DrawFrame();
    }
  } else {
    state.SkipWithError("no display");
  }
  DestroyDisplayHandler();
  TRenderer::Destroy();
  SetAssetManager(previous);
}

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

void MoveThroughSiblings(benchmark::State& state, int count) {
  TStackSetup setup(count);
  TWindowManager& wm = setup.wm;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> x(0, 1023), y(0, 767);
  TPlatformEvent e;
  e.type = kEventMouseMove;
  for (auto _ : state) {
    e.x = x(rng);
    e.y = y(rng);
    wm.HandleEvent(e);
  }
}

void BM_MoveThrough500(benchmark::State& state) { MoveThroughSiblings(state, 500); }
void BM_MoveThrough5000(benchmark::State& state) { MoveThroughSiblings(state, 5000); }

void BM_Move500(benchmark::State& state) { Move(state, 25); }
void BM_Move50(benchmark::State& state) { Move(state, 2); }
void BM_Frame500(benchmark::State& state) { Frame(state, 25); }
void BM_Frame50(benchmark::State& state) { Frame(state, 2); }
void BM_DeviceFrame500(benchmark::State& state) { DeviceFrame(state, 25); }
void BM_DeviceFrame50(benchmark::State& state) { DeviceFrame(state, 2); }

BENCHMARK(BM_Move500);
BENCHMARK(BM_Move50);
BENCHMARK(BM_Frame500);
BENCHMARK(BM_Frame50);
BENCHMARK(BM_DeviceFrame500);
BENCHMARK(BM_DeviceFrame50);
BENCHMARK(BM_MoveThrough500);
BENCHMARK(BM_MoveThrough5000);

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

void CheckFrame() {
  TAssetManager assets;
  TAssetManager* previous = SetAssetManager(&assets);
  sdev::FixedWindow window{1024, 768};
  TDisplayHandler* handler = CreateDisplayHandler();
  bench::Require(handler->Open(&window, 1024, 768, false), "no software display");
  std::vector<uint32_t> px;
  {
    TRendererWindowEnvironment env;
    TScreenSetup setup(25, &env);
    setup.wm.Invalidate();
    setup.time.Advance(TWindowManager::kFrameInterval);
    setup.wm.DrawFrame();
    px = bench::BackBufferPixels(1024, 768);
  }
  DestroyDisplayHandler();
  TRenderer::Destroy();
  SetAssetManager(previous);
  bench::Require(!px.empty(), "the frame could not be read");
  const uint32_t grey = px[5 * 1024 + 5] & 0xFFFFFFu;
  bench::Require(grey == 0x7F7F7Fu || grey == 0x808080u, "a panel is %06X, not grey", grey);
  size_t wrong = 0;
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) {
      bool inPanel = x % 204 < 200 && y % 150 < 146 && x / 204 < 5 && y / 150 < 5;
      wrong += ((px[size_t(y) * 1024 + size_t(x)] & 0xFFFFFFu) == grey) != inPanel;
    }
  std::printf("checked: the frame of 500 windows shows 25 grey panels and nothing grey around them (%zu pixels "
              "wrong)\n", wrong);
  bench::Require(wrong == 0, "%zu pixels of the 500-window frame are wrong", wrong);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CheckMoves();
  CheckFrame();
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("move 500/40 windows, nothing drawn (hit test, dispatch, fall-through)", "BM_Move500",
                      "BM_Move50");
  recorder.PrintRatio("frame 500/40 windows, no pixels (tree walk, clip, viewport, one fill call each)",
                      "BM_Frame500", "BM_Frame50");
  std::printf("move over 500 windows: %.0f ns per event\n", recorder.times["BM_Move500"]);
  recorder.PrintRatio("frame 500/40 windows in pixels (each window filled grey, 1024x768 software device)",
                      "BM_DeviceFrame500", "BM_DeviceFrame50");
  std::printf("frame of 500 windows: %.0f ns per frame (tree walk), %.0f ns per frame in pixels\n",
              recorder.times["BM_Frame500"], recorder.times["BM_DeviceFrame500"]);
  // One move that 5,000 stacked siblings decline in turn, against 500 (nothing drawn).
  recorder.PrintRatio("move5000/move500", "BM_MoveThrough5000", "BM_MoveThrough500");
  std::printf("move passing 5000 sibling windows: %.0f ns per event\n", recorder.times["BM_MoveThrough5000"]);
  benchmark::Shutdown();
  return 0;
}
