// The start-up part of lantern_bench_game (game_startup.cpp): runs the lantern
// program and prints "ratio startup/frame: X"; 0 on success.
#pragma once
int PrintStartupRatio();
