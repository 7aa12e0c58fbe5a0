// The parts of lantern_bench_game that run the lantern program (game_startup.cpp).
#pragma once
#include <functional>

int PrintStartupRatio();
// Plays the demo's walkthrough (tests/game/playthrough/walkthrough<n>.txt,
// one program run a stage, from a fresh user folder) and prints "ratio
// playthrough/frames: X": the runs' CPU time per presented frame in CPU
// times of `backgroundFrame`, drawn here between the stages; 0 on success.
int PrintPlaythroughRatio(const std::function<void()>& backgroundFrame);
