// Start-up: the game's start-up against one frame of its main menu, headless: the
// lantern program is run on the demo data with a player already made (so the
// menu is the first screen), once until its first presented frame and once
// for many more frames; a frame's time is the difference divided by the
// extra frames. "ratio startup/frame" is the start-up (process start to the
// first presented frame, exit included) in main-menu frames.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
