// ApplicationMain: the framework's entry. It plugs the layers above the
// platform (display, sound, windows) into the platform shell and runs the
// program: start-up, the game's main function, shut-down (see
// platform/shell/platform.h and docs/shell.md). Depends on every framework layer.
#pragma once
#include <string>

#include "platform/shell/platform.h"

// The hooks through which the framework's layers plug into the platform.
TPlatformHooks MakeFrameworkHooks();

// Runs the program with the words of the command line (without the program
// name) and the game's main function; returns the exit code given to PostQuit.
// `dataMarker`: a file the game cannot start without, relative to its data
// folder (TPlatformHooks::dataMarker); empty: the working folder holds the data.
int ApplicationMain(int argc, char** argv, const TGameMain& game, const std::string& dataMarker = std::string());
