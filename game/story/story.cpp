#include "game/story/story.h"

#include <memory>

#include "game/scene/scenestory.h"
#include "game/shell/upperlayers.h"
#include "game/story/albumjournal.h"
#include "game/story/storyscene.h"
#include "game/story/storylayer.h"

void RegisterStoryLayer() {
  TUpperLayerHooks& hooks = GetUpperLayerHooks();

  // The journal: the photo album's, and the one of every play screen (which
  // the scene's story object holds).
  hooks.createLogBook = [](TWindow* owner) { return MakeAlbumJournal(owner); };
  SetSceneStoryFactory([](TMainGame* scene) -> std::unique_ptr<SceneStory_t> {
    return std::make_unique<TStoryScene>(scene);
  });

  // The comics, the splash, the credits and the information pop-ups: their
  // window types, the shell's story services and their Lua globals.
  AddStoryPopUps();

  // Further parts add their window types with AddUpperWindowType and their
  // services in `hooks` here.
}
