#include "app/app.h"

#include <string>
#include <vector>

#include "audio/datasource.h"
#include "audio/soundmanager.h"

TPlatformHooks MakeFrameworkHooks() {
  TPlatformHooks hooks;
  // Sound: made and started by the platform on first use, updated by every
  // idle pass, paused while the program is in the background.
  hooks.registerDataSources = [] { RegisterOggDataSourceBuilder(); };
  hooks.createSoundManager = [] {
    auto* manager = new TSoundManager();
    manager->Init();
    return manager;
  };
  hooks.updateSoundManager = [](TSoundManager* manager) { manager->Update(); };
  hooks.setSoundActive = [](TSoundManager* manager, bool active) { manager->SetActive(active); };
  hooks.destroySoundManager = [](TSoundManager* manager) { delete manager; };
  return hooks;
}

int ApplicationMain(int argc, char** argv, const TGameMain& game) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  return RunApplication(words, game, MakeFrameworkHooks());
}
