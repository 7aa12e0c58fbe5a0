// render/sprites: sprites, animations, the software mouse cursor and meshes.
// TModel: the asset of a triangle mesh stored in a ".mesh" file (docs/mesh.md):
// vertices in the renderer's format 0 (position, normal, texture coordinates)
// and 16-bit triangle indices, reloaded after a device reset. Main thread only.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/registry/asset.h"
#include "platform/string.h"
#include "render/renderer.h"

// The loaded mesh.
struct TMeshRecord {
  std::vector<TVertex> vertices;
  std::vector<uint16_t> indices;  // 3 per triangle, each below the vertex count
  TString name;                   // the file, for reloading
};

class TModel : public TAsset {
  LANTERN_ASSET_CLASS(TModel, TAsset)

public:
  static constexpr size_t kMaxFileSize = 8u << 20;

  // The model of that ".mesh" file: the live one registered under the name
  // as given, else a new one, registered only when it loaded.
  static boost::shared_ptr<TModel> Get(const TString& name);

  TModel() = default;
  // Loads the file into a new mesh record. False (nothing logged) for a name
  // without ".mesh" or a wrong magic; false with a log line for a missing,
  // truncated or inconsistent file.
  bool Init(const char* name);

  // Reads ".mesh" bytes; false (with the reason) for a wrong magic, a
  // truncated file or an index past the vertices.
  static bool ParseMesh(const uint8_t* data, size_t size, TMeshRecord& mesh, TString* error = nullptr);

  // The mesh (null until a load got past the magic check).
  const TMeshRecord* GetMesh() const { return mesh_.get(); }

  // Draws the mesh as an indexed, lit triangle list with the current
  // texture and lights; false when there is nothing to draw or the renderer refused.
  bool Draw() const;

  void ReleaseResources() override {}
  // Reloads the file; a failed reload keeps the mesh it had.
  void RestoreResources() override;

private:
  std::unique_ptr<TMeshRecord> mesh_;
};
