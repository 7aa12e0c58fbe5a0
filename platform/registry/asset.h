// The asset registry: the base class of every loadable resource (textures,
// sounds, meshes, compiled script code) and the registry that finds a live
// asset by its key and drops / rebuilds device resources around a device reset.
//
// Assets are always owned through boost::shared_ptr; the registry only keeps
// weak references, so it never keeps an asset alive. Main thread only.
// Depends on platform/ (TString) and Boost.
#pragma once
#include <map>

#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "platform/string.h"

// A class identity: the address of the class's own static ClassId function.
using TClassId = const char* (*)();

class TAsset : public boost::enable_shared_from_this<TAsset> {
public:
  // The base class's identity. Each subclass declares its own (see LANTERN_ASSET_CLASS).
  static const char* ClassId() { return "TAsset"; }

  virtual const char* GetClassName() const { return "TAsset"; }
  // True when `id` is this class's identity or that of one of its bases.
  virtual bool IsA(TClassId id) const { return id == &TAsset::ClassId; }
  virtual ~TAsset() = default;
  // Gives up device-bound resources while keeping what is needed to rebuild them.
  virtual void ReleaseResources() {}
  // Rebuilds them once the device is back.
  virtual void RestoreResources() {}
};

// Declares ClassId, GetClassName and IsA for an asset class deriving from `Base`:
//   class TSound : public TAsset { LANTERN_ASSET_CLASS(TSound, TAsset) ... };
// The identity function returns the class name, so no two classes share its body.
#define LANTERN_ASSET_CLASS(Name, Base)                                          \
public:                                                                          \
  static const char* ClassId() { return #Name; }                                 \
  const char* GetClassName() const override { return #Name; }                    \
  bool IsA(TClassId id) const override { return id == &Name::ClassId || Base::IsA(id); }

// The asset as a `T` when it is one (checked through IsA), else empty.
template <class T>
boost::shared_ptr<T> AssetCast(const boost::shared_ptr<TAsset>& asset) {
  if (!asset || !asset->IsA(&T::ClassId)) return boost::shared_ptr<T>();
  return boost::static_pointer_cast<T>(asset);
}

class TAssetManager {
public:
  TAssetManager() = default;
  // Clears the map; never destroys an asset.
  virtual ~TAssetManager();
  TAssetManager(const TAssetManager&) = delete;
  TAssetManager& operator=(const TAssetManager&) = delete;

  // The live asset registered under the key, else empty. A miss leaves an
  // empty entry under the key, swept by the next ReleaseAll.
  boost::shared_ptr<TAsset> Find(const TString& key);
  // Registers a weak reference under the key, replacing any earlier one.
  void Add(TString key, boost::shared_ptr<TAsset> asset);
  // Erases the entry (nothing when absent).
  void Remove(TString key);
  // For an asset's destructor: erases the entry only when it is dead or refers
  // to `asset`, so an older asset dying never unregisters its replacement.
  void Remove(const TString& key, const TAsset* asset);

  // Before a device reset: ReleaseResources on every live asset, in key order;
  // dead and never-filled entries are erased.
  void ReleaseAll();
  // After the device is back: RestoreResources on every live asset, in key
  // order; dead entries are skipped, not erased.
  void RestoreAll();

  // Number of entries, live or dead (tests and diagnostics).
  size_t GetEntryCount() const { return map_.size(); }
  // Number of live assets that are a `id` (a long session's leak check).
  size_t CountLive(TClassId id) const;

private:
  std::map<TString, boost::weak_ptr<TAsset>> map_;
};

// The application's registry; null while none is installed (callers then
// skip the registry). The application shell owns the registry and installs it.
TAssetManager* GetAssetManager();
// Installs the registry (null removes it); returns the previous one.
TAssetManager* SetAssetManager(TAssetManager* manager);
