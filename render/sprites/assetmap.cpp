#include "render/sprites/assetmap.h"

#include "platform/log.h"
#include "render/sprites/model.h"

namespace {
TAssetMapSoundLoader gSoundLoader = nullptr;

TString Extension(const TString& name) {
  TString base = name;
  int q = base.FindChar('?');
  if (q >= 0) base = base.Substring(0, q);
  int dot = base.FindChar('.', TString::kFindBackwards);
  int slash = base.FindChar('/', TString::kFindBackwards);
  return dot > slash ? base.Substring(dot + 1).ToLower() : TString();
}
}  // namespace

void SetAssetMapSoundLoader(TAssetMapSoundLoader loader) { gSoundLoader = loader; }

bool TAssetMap::AddAsset(const TString& name) {
  TString ext = Extension(name);
  boost::shared_ptr<TAsset> asset;
  if (ext == "ogg") {
    if (gSoundLoader) asset = gSoundLoader(name);
  } else if (ext == "mesh") {
    asset = TModel::Get(name);
  }
  if (!asset) {
    TraceOut("TAssetMap::AddAsset: Error loading %s", name.c_str());
    return false;
  }
  assets_[name] = asset;
  return true;
}

bool TAssetMap::AddAssets(const char* const* names) {
  bool ok = true;
  for (; names && *names; ++names) ok = AddAsset(*names) && ok;
  return ok;
}

boost::shared_ptr<TAsset> TAssetMap::GetSound(const TString& name) {
  auto it = assets_.find(name);
  if (it == assets_.end()) {
    if (!AddAsset(name)) return boost::shared_ptr<TAsset>();
    it = assets_.find(name);
  }
  return it->second;
}

boost::shared_ptr<TAsset> TAssetMap::Get(const TString& name) const {
  auto it = assets_.find(name);
  return it == assets_.end() ? boost::shared_ptr<TAsset>() : it->second;
}
