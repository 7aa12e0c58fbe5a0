#include "game/scene/scenestory.h"

namespace {
SceneStoryFactory& Factory() {
  static SceneStoryFactory factory;
  return factory;
}
}  // namespace

void SetSceneStoryFactory(SceneStoryFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<SceneStory_t> MakeSceneStory(TMainGame* scene) {
  return Factory() ? Factory()(scene) : nullptr;
}
