// The event source and the start-up of the application shell, headless.
//
// - One idle GetEvent pass (nothing waiting: window flags, quit, queued
//   events, hover, the idle work with a pass of 10 platform tasks, the tick)
//   against the bare work it must do anyway (one host poll and the same task
//   pass): "ratio idle-pass/bare-idle-work" is the pump's own overhead.
// - Start-up to the first event: the whole start-up order of a headless run
//   up to the first event the game receives, against the 12 ms frame interval
//   of the window manager: "ratio startup/frame-interval".
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/recorder.h"
#include "platform/host/hosts.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/time.h"

namespace {

class TNoopTask : public TTask {
public:
  bool IsReady(int pass) override { return pass == 0; }
  bool DoTask() override {
    benchmark::ClobberMemory();
    return true;
  }
};

struct THeadlessShell {
  THeadlessShell() : platform(CreateHeadlessPlatform(TPlatformHooks(), &host)) {
    for (int i = 0; i < 10; ++i) platform->AddTask(new TNoopTask);
  }
  ~THeadlessShell() {
    platform.reset();
    ClearSettings();
  }
  THeadlessHost* host = nullptr;
  std::unique_ptr<TPlatform> platform;
};

void BM_IdleGetEvent(benchmark::State& state) {
  THeadlessShell shell;
  TPlatformEvent event;
  for (auto _ : state) {
    shell.platform->GetEvent(&event);
    if (event.type != kEventTick) std::abort();
  }
}

void BM_BareIdleWork(benchmark::State& state) {
  THeadlessShell shell;
  THostEvent e;
  for (auto _ : state) {
    if (shell.host->PollEvent(&e)) std::abort();
    shell.platform->GetTaskList()->Run(0);
    shell.host->Wait(1);
  }
}

void BM_StartupToFirstEvent(benchmark::State& state) {
  std::string folder = std::filesystem::temp_directory_path() / "lantern-bench-shell";
  std::filesystem::create_directories(folder);
  std::vector<std::string> words = {"options=headless=1,userfolder=" + folder};
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    double seconds = 0;
    RunApplication(words, [&](TPlatform* platform, const TString&) {
      TPlatformEvent event;
      platform->GetEvent(&event);
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }, TPlatformHooks());
    state.SetIterationTime(seconds);
  }
  std::filesystem::remove_all(folder);
}

void BM_FrameInterval(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(0.012);
}

BENCHMARK(BM_IdleGetEvent);
BENCHMARK(BM_BareIdleWork);
BENCHMARK(BM_StartupToFirstEvent)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameInterval)->UseManualTime()->Iterations(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("idle-pass/bare-idle-work", "BM_IdleGetEvent", "BM_BareIdleWork");
  recorder.PrintRatio("startup/frame-interval", "BM_StartupToFirstEvent/manual_time",
                      "BM_FrameInterval/iterations:1/manual_time");
  benchmark::Shutdown();
  return 0;
}
