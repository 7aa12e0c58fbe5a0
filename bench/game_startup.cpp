// Start-up: the game's start-up against one frame of its main menu, headless: the
// lantern program is run on the demo data with a player already made (so the
// menu is the first screen), once until its first presented frame and once
// for many more frames; a frame's time is the difference divided by the
// extra frames. "ratio startup/frame" is the start-up (process start to the
// first presented frame, exit included) in main-menu frames.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/game_startup.h"

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

}  // namespace

int PrintStartupRatio() {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("lantern-bench-game-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::string user = (dir / "user").string(), input = (dir / "input.txt").string();
  // A player, and the window mode stored, so that every later run opens on the menu.
  std::ofstream(input) << "100 key alt+enter\n300 text Ada\n400 key enter\n";
  std::string common = "headless=1,userfolder=" + user;
  if (RunLantern(common + ",frames=60,input=" + input) < 0) {
    std::fprintf(stderr, "startup: lantern did not run\n");
    return 1;
  }
  const int extra = 300;
  double startup = 1e9, longer = 1e9;
  for (int i = 0; i < 5; ++i) startup = std::min(startup, RunLantern(common + ",frames=1"));
  for (int i = 0; i < 3; ++i) longer = std::min(longer, RunLantern(common + ",frames=" + std::to_string(1 + extra)));
  fs::remove_all(dir);
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

int PrintPlaythroughRatio(double frameSeconds) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("lantern-bench-playthrough-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string user = (dir / "user").string(), shot = (dir / "last.png").string();
  const std::string scripts = std::string(LANTERN_BENCH_SOURCE) + "/tests/game/playthrough/walkthrough";
  double cpu = 0;
  unsigned long long frames = 0;
  int stages = 0;
  for (int n = 1;; ++n) {
    const std::string script = scripts + std::to_string(n) + ".txt", text = ReadText(script);
    if (text.empty()) break;
    const size_t at = text.find("# frames: ");
    const int limit = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 10);
    const double before = ChildrenCpuSeconds();
    const double seconds = RunLantern("headless=1,frames=" + std::to_string(limit) + ",input=" + script +
                                      ",screenshot=" + shot + ",userfolder=" + user);
    cpu += ChildrenCpuSeconds() - before;
    // The frames it presented, from the log's last line about the screenshot.
    const std::string log = ReadText(user + "/logfile.txt");
    const size_t line = log.rfind("Screenshot written to ");
    const size_t mark = line == std::string::npos ? line : log.find("(frame ", line);
    if (seconds < 0 || mark == std::string::npos) {
      std::fprintf(stderr, "playthrough: stage %d did not run to its end\n", n);
      fs::remove_all(dir);
      return 1;
    }
    frames += std::strtoull(log.c_str() + mark + 7, nullptr, 10);
    ++stages;
  }
  fs::remove_all(dir);
  if (stages == 0 || frames == 0 || frameSeconds <= 0) {
    std::fprintf(stderr, "playthrough: no walkthrough was played\n");
    return 1;
  }
  const double perFrame = cpu / double(frames);
  std::printf("playthrough: %d stages, %llu frames, %.1f s of CPU, %.3f ms a frame; a background frame %.3f ms\n",
              stages, frames, cpu, perFrame * 1000, frameSeconds * 1000);
  std::printf("ratio playthrough/frames: %.3f\n", perFrame / frameSeconds);
  return 0;
}
