// The part of lantern_bench_game that shows the game in a real window (game_window.cpp).
#pragma once
// Prints "ratio window/headless: X", the CPU time of a main-menu frame in an
// SDL window on an X server without a graphics card against the same frame
// headless; skipped with a message when no X server starts. 0 on success
// (or skip), 1 when a run failed or the window did not show the frame.
int PrintWindowRatio();
