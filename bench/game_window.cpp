// A real window without a graphics card: the lantern program on the demo
// data, its main menu in a 1024 x 768 SDL window on an X server of its own
// (Xvfb), against the same menu headless. Both sides are driven by the same
// input script, so they present the same frames at the same virtual times; a
// frame's CPU time is that of a run of many frames less that of a short run,
// per extra frame. "ratio window/headless" counts the program's own CPU;
// "ratio window-with-xserver/headless" adds the X server's CPU over the same
// runs (the server shows the frames the window sends it; headless nothing
// does). Before the ratios count, the window's last frame, read back from the
// X server, must be the headless one.
#include "bench/game_window.h"
#include "bench/game_startup.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/compare.h"
#include "tests/platform/pngread.h"
#include "tests/support/xvfb.h"

namespace {

constexpr int kShort = 40, kExtra = 300;

}  // namespace

TLanternUsage RunLanternUsage(const std::string& options, const std::string& display) {
  std::fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    if (chdir(LANTERN_BENCH_SOURCE) != 0) _exit(126);
    if (!display.empty()) {
      setenv("DISPLAY", display.c_str(), 1);
      setenv("SDL_VIDEODRIVER", "x11", 1);
      unsetenv("SDL_RENDER_DRIVER");
    }
    std::string arg = "options=" + options;
    execl(LANTERN_BENCH_PROGRAM, LANTERN_BENCH_PROGRAM, "--multiple", arg.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  TLanternUsage use;
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return use;
  use.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  use.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  use.peakKb = usage.ru_maxrss;
  return use;
}

double RunLanternCpu(const std::string& options, const std::string& display) {
  const TLanternUsage use = RunLanternUsage(options, display);
  return use.ok ? use.cpu : -1;
}

namespace {

// CPU seconds the process has used so far (from /proc); 0 when unknown.
double ProcessCpu(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = stat.rfind(')');
  if (at == std::string::npos) return 0;
  std::vector<std::string> fields;
  std::string field;
  for (size_t i = at + 2; i <= stat.size(); ++i) {
    if (i == stat.size() || stat[i] == ' ') {
      fields.push_back(field);
      field.clear();
    } else {
      field += stat[i];
    }
  }
  if (fields.size() < 13) return 0;  // utime and stime are the 12th and 13th after the name
  return double(std::atoll(fields[11].c_str()) + std::atoll(fields[12].c_str())) / double(sysconf(_SC_CLK_TCK));
}

}  // namespace

int PrintWindowRatio() {
  namespace fs = std::filesystem;
  Xvfb x("1280x1024x24");
  if (x.Display().empty()) {
    std::printf("window/headless: skipped, no X server can start (Xvfb is not installed or did not start)\n");
    return 0;
  }
  fs::path dir = fs::temp_directory_path() / ("lantern-bench-window-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string user = (dir / "user").string(), setup = (dir / "setup.txt").string(),
                    input = (dir / "input.txt").string();
  // A player in a window, so that every later run opens on the menu in a 1024 x 768 window.
  std::ofstream(setup) << "100 key alt+enter\n300 text Ada\n400 key enter\n";
  // The mouse at rest on the menu's background.
  std::ofstream(input) << "0 move 512 736\n";
  const std::string common = "userfolder=" + user + ",input=" + input;
  if (RunLanternCpu("headless=1,frames=60,userfolder=" + user + ",input=" + setup, "") < 0) {
    std::fprintf(stderr, "window: lantern did not run\n");
    fs::remove_all(dir);
    return 1;
  }
  // A frame's CPU on one side: a long run less a short one; both sides end on
  // the same frame, whose screenshot is kept for the check.
  std::vector<double> withServer, serverPerFrame;
  auto frame = [&](bool window) {
    const std::string side = window ? "window" : "headless", display = window ? x.Display() : "";
    const std::string mode = window ? "" : "headless=1,";
    const double serverBefore = window ? ProcessCpu(x.Pid()) : 0;
    // Both runs write a screenshot, so that both present their frames the same way.
    const double shortRun = RunLanternCpu(mode + common + ",frames=" + std::to_string(kShort) + ",screenshot=" +
                                       (dir / (side + "-short.png")).string(),
                                   display);
    const double serverBetween = window ? ProcessCpu(x.Pid()) : 0;
    const double longRun = RunLanternCpu(mode + common + ",frames=" + std::to_string(kShort + kExtra) + ",screenshot=" +
                                      (dir / (side + ".png")).string(),
                                  display);
    const double serverAfter = window ? ProcessCpu(x.Pid()) : 0;
    bench::Require(shortRun >= 0 && longRun >= 0, "window: a %s run of lantern failed", side.c_str());
    if (window) {
      const double server = ((serverAfter - serverBetween) - (serverBetween - serverBefore)) / kExtra;
      serverPerFrame.push_back(server);
      withServer.push_back((longRun - shortRun) / kExtra + server);
    }
    return (longRun - shortRun) / kExtra;
  };
  bench::TComparison c = bench::Alternate([&] { return frame(true); }, [&] { return frame(false); }, 5);
  std::vector<uint32_t> shown, headless;
  int sw = 0, sh = 0, hw = 0, hh = 0;
  const bool read = ReadPng((dir / "window.png").string(), &shown, &sw, &sh) &&
                    ReadPng((dir / "headless.png").string(), &headless, &hw, &hh);
  fs::remove_all(dir);
  bench::Require(read, "window: the screenshots could not be read");
  bench::Require(sw == 1024 && sh == 768 && hw == 1024 && hh == 768,
                 "window: the window showed %dx%d pixels, the headless frame is %dx%d", sw, sh, hw, hh);
  const bench::TPixelDiff d = bench::ComparePixels(shown.data(), headless.data(), 1024, 768, 2, 0);
  std::printf("window: its last frame against the headless one: %.4f%% of the pixels differ, mean %.3f\n",
              d.unmatched * 100, d.meanAbs);
  bench::Require(d.unmatched <= 0.001, "window: the window did not show the headless frame (%.3f%% of the pixels differ)",
                 d.unmatched * 100);
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) < 1) load[0] = -1;
  bench::PrintMedians("main-menu frame, CPU", c, "in a window", "headless");
  std::printf("window: the X server took %.3f ms of CPU an extra frame (median of %zu); load average %.2f\n",
              bench::Median(serverPerFrame) * 1e3, serverPerFrame.size(), load[0]);
  bench::PrintRatio("window/headless", c.Ratio());
  bench::PrintRatio("window-with-xserver/headless", c.MedianB() > 0 ? bench::Median(withServer) / c.MedianB() : 0);
  return 0;
}
