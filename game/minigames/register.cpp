#include "game/minigames/register.h"

#include "game/minigames/mg01window.h"
#include "game/minigames/mg02window.h"
#include "game/minigames/mg03window.h"
#include "game/minigames/mg05window.h"
#include "game/minigames/mg06window.h"
#include "game/shell/upperlayers.h"

void AddMiniGameLayer() {
  AddUpperWindowType("mg01window", TMG01Window::ClassCreator());
  AddUpperWindowType("mg02window", TMG02Window::ClassCreator());
  AddUpperWindowType("mg03window", TMG03Window::ClassCreator());
  AddUpperWindowType("mg05window", TMG05Window::ClassCreator());
  AddUpperWindowType("mg06window", TMG06Window::ClassCreator());
  TUpperLayerHooks& hooks = GetUpperLayerHooks();
  hooks.isMiniGameOpen = [] { return gCurrentMiniGame != nullptr; };
  hooks.askQuitMiniGame = [] { TMiniGames::AskQuitMiniGame(); };
}
