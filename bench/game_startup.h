// The parts of lantern_bench_game that run the lantern program (game_startup.cpp).
#pragma once
#include <functional>

#include <string>

int PrintStartupRatio();
// Prints "ratio menu/memcpy": the CPU time of a main-menu frame of the
// lantern program run headless (a long run less a short one, per extra
// frame) against a memcpy of the frame's bytes here; 0 on success.
int PrintMenuRatio();
// CPU seconds (user and system) of one run of the lantern program in the
// source folder with options=`options`, headless or (`display` not empty)
// in a window on that X display; negative when it failed.
double RunLanternCpu(const std::string& options, const std::string& display = std::string());
// Plays the demo's walkthrough (tests/game/playthrough/walkthrough<n>.txt,
// one program run a stage, from a fresh user folder) and prints "ratio
// playthrough/frames: X": the runs' CPU time per presented frame in CPU
// times of `backgroundFrame`, drawn here between the stages; 0 on success.
int PrintPlaythroughRatio(const std::function<void()>& backgroundFrame);
