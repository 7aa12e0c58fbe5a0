#include "app/app.h"

#include <string>
#include <vector>

#include "audio/hooks.h"
#include "audio/sound.h"
#include "render/sprites/assetmap.h"
#include "render/platform/hooks.h"
#include "ui/hooks.h"
#include "ui/stockwindows.h"

TPlatformHooks MakeFrameworkHooks() {
  TPlatformHooks hooks;
  // Sound: made and started by the platform on first use, updated by every
  // idle pass, paused while the program is in the background.
  AddAudioHooks(hooks);
  // Windows: the window manager, its script and the root screen.
  AddWindowHooks(hooks);
  // The stock windows' Lua types, and the Flash host behind "StartMovie".
  AddStockWindowHooks(hooks);
  // Display: the display handler over the software display device.
  AddDisplayHooks(hooks);
  // Asset maps load their ".ogg" entries as streamed sounds of the default
  // group (a "?group=" option in the name still chooses the group).
  SetAssetMapSoundLoader([](const TString& name) -> boost::shared_ptr<TAsset> {
    return TSound::Get(name, false, 0);
  });
  return hooks;
}

int ApplicationMain(int argc, char** argv, const TGameMain& game, const std::string& dataMarker) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  TPlatformHooks hooks = MakeFrameworkHooks();
  hooks.dataMarker = dataMarker;
  return RunApplication(words, game, hooks);
}
