// The event source and the start-up of the application shell, headless.
//
// - One idle GetEvent pass (nothing waiting: window flags, quit, queued
//   events, hover, the idle work with a pass of 10 platform tasks, the tick)
//   against the bare work it must do anyway (one host poll and the same task
//   pass): "ratio idle-pass/bare-idle-work" is the pump's own overhead.
// - Start-up to the first event: the whole start-up order of a headless run
//   (command line, settings files, log file, string table, host, sound,
//   folders, plug-ins) up to the first event the game receives, against a
//   bare headless platform (the application object, the host and the platform
//   made directly) up to its first event: "ratio startup/bare-platform" is
//   what the start-up order adds. The two alternate, seven runs each. Each
//   run of the start-up must reach the game with an event (a tick: nothing
//   was waiting) and leave its log file saying it started, and each bare
//   platform must give a tick, else the program fails.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench/compare.h"
#include "platform/host/hosts.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/time.h"

namespace {

long gTaskSteps = 0;

class TNoopTask : public TTask {
public:
  bool IsReady(int pass) override { return pass == 0; }
  bool DoTask() override {
    ++gTaskSteps;
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

// `calls` idle passes of the event source; false when one was not a tick.
bool IdlePasses(THeadlessShell& shell, int calls) {
  TPlatformEvent event;
  for (int i = 0; i < calls; ++i) {
    shell.platform->GetEvent(&event);
    if (event.type != kEventTick) return false;
  }
  return true;
}

// The same work done by hand: one host poll, one task pass, the 1 ms wait.
bool BareIdleWork(THeadlessShell& shell, int calls) {
  THostEvent e;
  for (int i = 0; i < calls; ++i) {
    if (shell.host->PollEvent(&e)) return false;
    shell.platform->GetTaskList()->Run(0);
    shell.host->Wait(1);
  }
  return true;
}

double StartupToFirstEvent() {
  std::string folder = std::filesystem::temp_directory_path() / ("lantern-bench-shell-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::vector<std::string> words = {"options=headless=1,userfolder=" + folder};
  auto start = std::chrono::steady_clock::now();
  double seconds = 0;
  uint32_t type = 0;
  bool reached = false;
  RunApplication(words, [&](TPlatform* platform, const TString&) {
    TPlatformEvent event;
    platform->GetEvent(&event);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    type = event.type;
    reached = true;
  }, TPlatformHooks());
  std::ifstream log(folder + "/logfile.txt");
  std::string first;
  std::getline(log, first);
  std::filesystem::remove_all(folder);
  bench::Require(reached && type == kEventTick, "the start-up did not reach the game with a tick (event type %u)", type);
  bench::Require(first.find("starting") != std::string::npos, "the start-up left no log saying it started");
  return seconds;
}

// A bare headless platform made and asked for its first event; the seconds it took.
double BarePlatformToFirstEvent() {
  const double start = bench::Seconds();
  THeadlessHost* host = nullptr;
  std::unique_ptr<TPlatform> platform = CreateHeadlessPlatform(TPlatformHooks(), &host);
  TPlatformEvent event;
  platform->GetEvent(&event);
  const double seconds = bench::Seconds() - start;
  const uint32_t type = event.type;
  platform.reset();
  ClearSettings();
  bench::Require(type == kEventTick, "the bare platform's first event was of type %u, not a tick", type);
  return seconds;
}

}  // namespace

int main() {
  {
    THeadlessShell shell;
    long before = gTaskSteps;
    bench::Require(IdlePasses(shell, 100), "an idle pass gave another event than a tick");
    long idle = gTaskSteps - before;
    before = gTaskSteps;
    bench::Require(BareIdleWork(shell, 100), "the bare idle work found an event");
    long bare = gTaskSteps - before;
    bench::Require(idle == 1000 && bare == 1000, "the task steps differ: %ld and %ld of 1000", idle, bare);
    std::printf("same work: 100 calls ran the 10 tasks 1000 times on each side\n");
    constexpr int kBatch = 1000;
    bench::TComparison c = bench::Alternate(
        [&] { return bench::TimePerCall([&] { IdlePasses(shell, kBatch); }) / kBatch; },
        [&] { return bench::TimePerCall([&] { BareIdleWork(shell, kBatch); }) / kBatch; });
    bench::PrintMedians("one idle pass", c, "event source", "bare work", 1e9, "ns");
    bench::PrintRatio("idle-pass/bare-idle-work", c.Ratio());
  }
  bench::TComparison c = bench::Alternate(StartupToFirstEvent, BarePlatformToFirstEvent);
  bench::PrintMedians("to the first event", c, "start-up", "bare platform");
  bench::PrintRatio("startup/bare-platform", c.Ratio());
  return 0;
}
