// render/sprites: sprites, animations, the software mouse cursor and meshes.
// TAssetMap: a named collection of assets loaded by file extension: meshes
// (".mesh", TModel) and sounds (".ogg"). Sounds live in audio/, which sits
// beside render/, so the sound loader is registered at start-up by the code
// that links both (SetAssetMapSoundLoader) instead of being linked here.
#pragma once
#include <map>

#include <boost/shared_ptr.hpp>

#include "platform/registry/asset.h"
#include "platform/string.h"

// Makes the sound asset of a name (options such as "?group=1000" included);
// empty when it cannot be loaded.
using TAssetMapSoundLoader = boost::shared_ptr<TAsset> (*)(const TString& name);
void SetAssetMapSoundLoader(TAssetMapSoundLoader loader);

class TAssetMap {
public:
  // Loads the asset by the extension of its name (before any '?') and keeps
  // it under the name. False, with "TAssetMap::AddAsset: Error loading %s",
  // when it cannot be loaded or the extension is unknown.
  bool AddAsset(const TString& name);
  // Every name of a null-terminated list; false when any failed.
  bool AddAssets(const char* const* names);
  // The sound kept under the name, added first when missing (empty when it
  // cannot be loaded). Cast with AssetCast<TSound>.
  boost::shared_ptr<TAsset> GetSound(const TString& name);
  // Any asset kept under the name (empty when none).
  boost::shared_ptr<TAsset> Get(const TString& name) const;
  size_t GetCount() const { return assets_.size(); }
  void Clear() { assets_.clear(); }

private:
  std::map<TString, boost::shared_ptr<TAsset>> assets_;
};
