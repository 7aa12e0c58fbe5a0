// lantern: the program entry. Writes the game's defaults into the start-up
// settings, hands the shell the window types and services of the game's
// upper libraries (game/shell/upperlayers.h, docs/gameshell.md), and starts
// the framework with the game's main function.
#include <csignal>
#include <string>

#include "app/app.h"
#include "game/minigames/register.h"
#include "game/scene/maingame.h"
#include "game/shell/gamemain.h"
#include "game/shell/upperlayers.h"
#include "game/story/story.h"

namespace {
// The upper libraries plug in here: each adds its window types with
// AddUpperWindowType (in any order: the shell registers them in its own
// order) and its services in GetUpperLayerHooks(). What is missing is
// skipped, so the game runs before they exist.
void AddUpperLayers() {
  TUpperLayerHooks& hooks = GetUpperLayerHooks();
  // The play screen.
  AddUpperWindowType("MainGame", TMainGame::ClassCreator());
  hooks.updateGameCursor = &TMainGame::UpdateGameCursor;
  hooks.endPlay = &TMainGame::EndPlayAtExit;
  // The story: the journal, and its windows and services as they come.
  RegisterStoryLayer();
  // The mini-games: their window types ("mg01window" ...), hooks.isMiniGameOpen
  // and hooks.askQuitMiniGame.
  AddMiniGameLayer();
}
}  // namespace

int main(int argc, char** argv) {
  SetGameSettingsDefaults();
  AddUpperLayers();
  // The data folder is the one that holds the game's first script.
  int code = ApplicationMain(argc, argv, GameMain, "assets/" + std::string(kFirstScript));
  // A run that a signal ended (with the save of a quit) ends by that signal
  // once everything is shut down, as whoever sent it expects.
  if (int signal = GetQuitSignal()) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
  return code;
}
