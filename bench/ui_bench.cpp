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
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "bench/recorder.h"
#include "platform/registry/asset.h"
#include "platform/time.h"
#include "render/displayhandler.h"
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

class TPanel : public TWindow {
public:
  bool OnMouseMove(const TPoint& p) override { return false; }
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
      for (int c = 0; c < 19; ++c) {
        auto* child = new TPanel();
        child->MoveTo((c % 5) * 40, (c / 5) * 36);
        child->SetSize(38, 34);
        panel->AddChild(child, true);
      }
    }
  }
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
void MoveThroughSiblings(benchmark::State& state, int count) {
  TManualTimeScope time(1000);
  TBenchEnvironment env;
  TWindowManager wm(&env);
  wm.SetRootWindow(new TScreen());
  auto* dialog = new TModalWindow();
  wm.PushModal(dialog);
  for (int i = 0; i < count; ++i) {
    auto* sibling = new TPanel();
    sibling->SetSize(1024, 768);
    dialog->AddChild(sibling, true);
  }
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

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
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
