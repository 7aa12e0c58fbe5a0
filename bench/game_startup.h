// The parts of lantern_bench_game that run the lantern program (game_startup.cpp).
#pragma once
#include <functional>
#include <string>

int PrintStartupRatio();
// Prints "ratio menu/sdl menu": the CPU time of a main-menu frame of the
// lantern program run headless (a long run less a short one, per extra
// frame) against the same frame drawn by SDL2's software renderer; 0 on
// success.
int PrintMenuRatio();
// Prints "ratio journal-open/journal-frame": the frame in which the photo
// album's journal opens (a later opening in the same run) against a frame of
// the open album, the program run headless in a child; 0 on success.
int PrintJournalOpenRatio();
// Plays the demo's walkthrough (tests/game/playthrough/walkthrough<n>.txt,
// one program run a stage, then walkthrough.txt in one run) and prints
// "ratio decodes/pictures" and "ratio peak memory whole demo/all pictures
// decoded"; 0 on success.
int PrintPicturesRatios();

// One run of the lantern program in the source folder with
// options=`options`, headless or (`display` not empty) in a window on that X
// display: whether it ended with status 0, its CPU seconds (user and
// system) and its peak resident memory.
struct TLanternUsage {
  bool ok = false;
  double cpu = 0;
  long peakKb = 0;
};
TLanternUsage RunLanternUsage(const std::string& options, const std::string& display = std::string());
// The CPU seconds of such a run; negative when it failed.
double RunLanternCpu(const std::string& options, const std::string& display = std::string());
// Runs `part` in a child process (a fresh start: nothing of this process's
// parts is loaded there); its exit status, its output in order with ours.
int InChild(const std::function<int()>& part);
