#include "game/story/story.h"

#include <memory>

#include "game/scene/scenestory.h"
#include "game/shell/upperlayers.h"
#include "game/story/albumjournal.h"
#include "game/story/storyscene.h"

void RegisterStoryLayer() {
  TUpperLayerHooks& hooks = GetUpperLayerHooks();

  // The journal: the photo album's, and the one of every play screen (which
  // the scene's story object holds).
  hooks.createLogBook = [](TWindow* owner) { return MakeAlbumJournal(owner); };
  SetSceneStoryFactory([](TMainGame* scene) -> std::unique_ptr<SceneStory_t> {
    return std::make_unique<TStoryScene>(scene);
  });

  // Further parts (tutorial, comics, splash, pop-ups, credits) add their
  // window types with AddUpperWindowType and their services in `hooks` here.
}
