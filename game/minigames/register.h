// How the mini-games join the program: game/main.cpp calls
// AddMiniGameLayer() before the game starts. It gives the shell the window
// types of the mini-games ("mg01window" ...) and the two services the main
// loop asks of them: whether a mini-game is open, and the mini-game's quit
// question. Each new game adds its type here.
#pragma once

void AddMiniGameLayer();
