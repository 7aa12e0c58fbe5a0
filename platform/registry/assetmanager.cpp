#include "platform/registry/asset.h"

namespace {
TAssetManager* gAssetManager = nullptr;
}

TAssetManager* GetAssetManager() { return gAssetManager; }

TAssetManager* SetAssetManager(TAssetManager* manager) {
  TAssetManager* previous = gAssetManager;
  gAssetManager = manager;
  return previous;
}

TAssetManager::~TAssetManager() {
  if (gAssetManager == this) gAssetManager = nullptr;
  map_.clear();
}

boost::shared_ptr<TAsset> TAssetManager::Find(const TString& key) {
  return map_[key].lock();
}

void TAssetManager::Add(TString key, boost::shared_ptr<TAsset> asset) {
  map_[std::move(key)] = asset;
}

void TAssetManager::Remove(TString key) { map_.erase(key); }

size_t TAssetManager::CountLive(TClassId id) const {
  size_t n = 0;
  for (const auto& entry : map_) {
    boost::shared_ptr<TAsset> asset = entry.second.lock();
    if (asset && asset->IsA(id)) ++n;
  }
  return n;
}

void TAssetManager::Remove(const TString& key, const TAsset* asset) {
  auto it = map_.find(key);
  if (it == map_.end()) return;
  const boost::weak_ptr<TAsset>& entry = it->second;
  bool mine = false;
  if (asset) {
    boost::weak_ptr<const TAsset> self = asset->weak_from_this();
    mine = !entry.owner_before(self) && !self.owner_before(entry);
  }
  if (mine || entry.expired()) map_.erase(it);
}

// Both passes find the next entry by key after each call: a call may destroy
// assets whose destructors erase any entry, the neighbours included.
void TAssetManager::ReleaseAll() {
  auto it = map_.begin();
  while (it != map_.end()) {
    boost::shared_ptr<TAsset> asset = it->second.lock();
    if (!asset) {
      it = map_.erase(it);
      continue;
    }
    TString key = it->first;
    asset->ReleaseResources();
    asset.reset();
    it = map_.upper_bound(key);
  }
}

void TAssetManager::RestoreAll() {
  auto it = map_.begin();
  while (it != map_.end()) {
    boost::shared_ptr<TAsset> asset = it->second.lock();
    if (!asset) {
      ++it;
      continue;
    }
    TString key = it->first;
    asset->RestoreResources();
    asset.reset();
    it = map_.upper_bound(key);
  }
}
