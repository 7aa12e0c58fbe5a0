#include "game/minigames/register.h"

#include "game/minigames/mg01window.h"
#include "game/shell/upperlayers.h"

void AddMiniGameLayer() {
  AddUpperWindowType("mg01window", TMG01Window::ClassCreator());
  TUpperLayerHooks& hooks = GetUpperLayerHooks();
  hooks.isMiniGameOpen = [] { return gCurrentMiniGame != nullptr; };
  hooks.askQuitMiniGame = [] { TMiniGames::AskQuitMiniGame(); };
}
