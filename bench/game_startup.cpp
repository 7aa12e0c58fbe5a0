// Start-up: the game's start-up against one frame of its main menu, headless: the
// lantern program is run on the demo data with a player already made (so the
// menu is the first screen), once until its first presented frame and once
// for many more frames; a frame's time is the difference divided by the
// extra frames. "ratio startup/frame" is the start-up (process start to the
// first presented frame, exit included) in main-menu frames. Before it
// counts, the first frame is checked against the same frame drawn the plain
// way (setting "plaindrawing"): the whole frame, at most 0.1 % of the pixels
// more than one level apart.
//
// Main menu: a main-menu frame's CPU time, the program run headless for
// 40 frames and for 340 (no screenshot: nothing reads the frames), the
// difference per extra frame, against a memcpy of the frame's 3 MB in this
// process (CPU time too), seven runs each, alternating: "ratio
// menu/memcpy". Before it counts, the menu's 60th frame (the clouds on their
// way, a cloud's edge in view) is checked against the same frame drawn the
// plain way: the whole frame, at most 0.1 % of the pixels more than one
// level apart.
//
// Playthrough: the demo's walkthrough, one program run a stage, its CPU time
// per presented frame against the CPU time of a background frame drawn in
// this process before every stage and after the last (the two sides
// interleaved, so that a change in the machine's load reaches both).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/compare.h"
#include "bench/game_startup.h"
#include "render/textures/imagereaders.h"

namespace {

// Seconds the program took; negative when it failed.
double RunLantern(const std::string& options) {
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    if (chdir(LANTERN_BENCH_SOURCE) != 0) _exit(126);
    std::string arg = "options=" + options;
    execl(LANTERN_BENCH_PROGRAM, LANTERN_BENCH_PROGRAM, arg.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// The screenshot's pixels (width x height), empty when it cannot be read.
std::vector<uint32_t> ReadShot(const std::string& path, int* width, int* height) {
  TDecodedImage image;
  if (!LoadImageFile(TString(path), &image) || !image.pixels) return {};
  *width = int(image.width);
  *height = int(image.height);
  std::vector<uint32_t> px(size_t(image.width) * image.height);
  for (uint32_t y = 0; y < image.height; ++y)
    std::copy(image.pixels + size_t(y) * image.side, image.pixels + size_t(y) * image.side + image.width,
              px.begin() + ptrdiff_t(size_t(y) * image.width));
  return px;
}

}  // namespace

namespace {

// A folder with a player made and the window mode stored, so that every run
// in it opens on the main menu; removed with the object.
struct TMenuFolder {
  TMenuFolder(const char* what) {
    namespace fs = std::filesystem;
    dir = fs::temp_directory_path() / (std::string("lantern-bench-") + what + "-" + std::to_string(getpid()));
    fs::create_directories(dir);
    user = (dir / "user").string();
    const std::string input = (dir / "input.txt").string();
    std::ofstream(input) << "100 key alt+enter\n300 text Ada\n400 key enter\n";
    common = "headless=1,userfolder=" + user;
    made = RunLantern(common + ",frames=60,input=" + input) >= 0;
  }
  ~TMenuFolder() { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  std::string user, common;
  bool made = false;
};

// Frame `frames` of the menu drawn the fast way and the plain way must be the same.
bool CheckMenuFrame(const TMenuFolder& folder, int frames, const char* what) {
  const std::string fastShot = (folder.dir / "fast.png").string(), plainShot = (folder.dir / "plain.png").string();
  const std::string last = ",frames=" + std::to_string(frames);
  int fw = 0, fh = 0, pw = 0, ph = 0;
  bool ran = RunLantern(folder.common + last + ",screenshot=" + fastShot) >= 0 &&
             RunLantern(folder.common + last + ",plaindrawing=1,screenshot=" + plainShot) >= 0;
  std::vector<uint32_t> fast = ReadShot(fastShot, &fw, &fh), plain = ReadShot(plainShot, &pw, &ph);
  bench::Require(ran && !fast.empty() && fw == pw && fh == ph && fw > 0,
                 "%s: the frame could not be taken both ways (%dx%d, %dx%d)", what, fw, fh, pw, ph);
  bench::TFrameDiff d = bench::CompareFrames(fast.data(), plain.data(), fw, fh, 1);
  std::printf("%s frame against the plain drawing: %zu pixels differ, %zu by more than one level\n", what, d.differ,
              d.beyond);
  bench::Require(d.beyond * 1000 <= size_t(fw) * size_t(fh),
                 "%s: the frame is not the plain drawing's (%zu pixels more than one level apart)", what, d.beyond);
  size_t lit = 0;
  for (uint32_t p : fast) lit += (p & 0xFFFFFFu) != (fast[0] & 0xFFFFFFu);
  bench::Require(lit * 4 > fast.size(), "%s: the frame is nearly blank (%zu pixels)", what, lit);
  return true;
}

}  // namespace

int PrintMenuRatio() {
  TMenuFolder folder("menu");
  bench::Require(folder.made, "menu: lantern did not run");
  CheckMenuFrame(folder, 60, "main-menu");
  constexpr int kShort = 40, kExtra = 300;
  auto menu = [&] {
    const double shortRun = RunLanternCpu(folder.common + ",frames=" + std::to_string(kShort));
    const double longRun = RunLanternCpu(folder.common + ",frames=" + std::to_string(kShort + kExtra));
    bench::Require(shortRun >= 0 && longRun > shortRun, "menu: a run of lantern failed");
    return (longRun - shortRun) / kExtra;
  };
  std::vector<uint32_t> from(size_t(1024) * 768, 0xFF336699u), to(from.size());
  auto copy = [&] { std::memcpy(to.data(), from.data(), to.size() * 4); };
  bench::TComparison c =
      bench::Alternate(menu, [&] { return bench::TimePerCall(copy, 0.2, bench::CpuSeconds); });
  bench::Require(to == from, "menu: the memcpy did not copy the frame");
  bench::PrintMedians("a main-menu frame, CPU", c, "the menu", "memcpy of the frame");
  bench::PrintRatio("menu/memcpy", c.Ratio());
  return 0;
}

int PrintStartupRatio() {
  TMenuFolder folder("game");
  bench::Require(folder.made, "startup: lantern did not run");
  CheckMenuFrame(folder, 1, "start-up");
  const std::string& common = folder.common;
  const int extra = 300;
  double startup = 1e9, longer = 1e9;
  for (int i = 0; i < 5; ++i) startup = std::min(startup, RunLantern(common + ",frames=1"));
  for (int i = 0; i < 3; ++i) longer = std::min(longer, RunLantern(common + ",frames=" + std::to_string(1 + extra)));
  if (startup < 0 || longer < 0 || longer <= startup) {
    std::fprintf(stderr, "lantern runs failed or took no time\n");
    return 1;
  }
  double frame = (longer - startup) / extra;
  std::printf("startup %.1f ms, main-menu frame %.2f ms\n", startup * 1000, frame * 1000);
  std::printf("ratio startup/frame: %.3f\n", startup / frame);
  return 0;
}

namespace {

// User and system CPU time of the children waited for so far, in seconds.
double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

// CPU seconds per call of `frame`, over at least 0.2 s of CPU.
double CpuPerCall(const std::function<void()>& frame) { return bench::TimePerCall(frame, 0.2, bench::CpuSeconds); }

int PrintPlaythroughRatio(const std::function<void()>& backgroundFrame) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("lantern-bench-playthrough-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string user = (dir / "user").string(), shot = (dir / "last.png").string();
  const std::string scripts = std::string(LANTERN_BENCH_SOURCE) + "/tests/game/playthrough/walkthrough";
  double cpu = 0;
  unsigned long long frames = 0;
  std::vector<double> background{CpuPerCall(backgroundFrame)}, stageRatios;
  for (int n = 1;; ++n) {
    const std::string script = scripts + std::to_string(n) + ".txt", text = ReadText(script);
    if (text.empty()) break;
    const size_t at = text.find("# frames: ");
    const int limit = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 10);
    const double before = ChildrenCpuSeconds();
    const double seconds = RunLantern("headless=1,frames=" + std::to_string(limit) + ",input=" + script +
                                      ",screenshot=" + shot + ",userfolder=" + user);
    const double used = ChildrenCpuSeconds() - before;
    // The frames it presented, from the log's last line about the screenshot.
    const std::string log = ReadText(user + "/logfile.txt");
    const size_t line = log.rfind("Screenshot written to ");
    const size_t mark = line == std::string::npos ? line : log.find("(frame ", line);
    if (seconds < 0 || mark == std::string::npos) {
      std::fprintf(stderr, "playthrough: stage %d did not run to its end\n", n);
      fs::remove_all(dir);
      return 1;
    }
    const unsigned long long shown = std::strtoull(log.c_str() + mark + 7, nullptr, 10);
    background.push_back(CpuPerCall(backgroundFrame));
    const double around = (background[background.size() - 2] + background.back()) / 2;
    if (shown > 0) stageRatios.push_back(used / double(shown) / around);
    cpu += used;
    frames += shown;
  }
  fs::remove_all(dir);
  if (stageRatios.empty() || frames == 0) {
    std::fprintf(stderr, "playthrough: no walkthrough was played\n");
    return 1;
  }
  const double frameSeconds = bench::Median(background), perFrame = cpu / double(frames);
  std::printf("playthrough: %zu stages, %llu frames, %.1f s of CPU, %.3f ms a frame; a background frame %.3f ms of CPU "
              "(median of %zu taken between the stages); each stage in background frames:",
              stageRatios.size(), frames, cpu, perFrame * 1000, frameSeconds * 1000, background.size());
  for (double r : stageRatios) std::printf(" %.2f", r);
  std::printf("\n");
  std::printf("ratio playthrough/frames: %.3f\n", perFrame / frameSeconds);
  return 0;
}
