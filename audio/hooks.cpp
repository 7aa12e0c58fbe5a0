#include "audio/hooks.h"

#include "audio/datasource.h"
#include "audio/soundmanager.h"
#include "platform/shell/platform.h"

void AddAudioHooks(TPlatformHooks& hooks) {
  hooks.createSoundManager = [] {
    auto* manager = new TSoundManager;
    manager->Init();  // without a device the manager still runs; sounds then play silently
    return manager;
  };
  hooks.updateSoundManager = [](TSoundManager* manager) { manager->Update(); };
  hooks.setSoundActive = [](TSoundManager* manager, bool active) { manager->SetActive(active); };
  hooks.destroySoundManager = [](TSoundManager* manager) { delete manager; };
  hooks.registerDataSources = [] { RegisterOggDataSourceBuilder(); };
}
