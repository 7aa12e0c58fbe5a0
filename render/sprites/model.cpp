#include "render/sprites/model.h"

#include <cstring>

#include "platform/log.h"
#include "platform/readfile.h"

namespace {
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
}  // namespace

boost::shared_ptr<TModel> TModel::Get(const TString& name) {
  TAssetManager* manager = GetAssetManager();
  if (manager) {
    if (auto found = AssetCast<TModel>(manager->Find(name))) return found;
  }
  boost::shared_ptr<TModel> model(new TModel());
  if (!model->Init(name.c_str())) return boost::shared_ptr<TModel>();
  if (manager) manager->Add(name, model);
  return model;
}

bool TModel::Init(const char* name) {
  mesh_.reset();
  if (!name || !std::strstr(name, ".mesh")) return false;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(name, bytes, kMaxFileSize)) {
    TraceOut("TModel::Init: Failed to load %s", name);
    return false;
  }
  mesh_.reset(new TMeshRecord());
  if (bytes.size() < 4 || std::memcmp(bytes.data(), "TRIS", 4) != 0) return false;
  std::unique_ptr<TMeshRecord> mesh(new TMeshRecord());
  TString error;
  if (!ParseMesh(bytes.data(), bytes.size(), *mesh, &error)) {
    TraceOut("TModel::Init: %s %s", name, error.c_str());
    return false;
  }
  mesh->name = name;
  mesh_ = std::move(mesh);
  return true;
}

bool TModel::ParseMesh(const uint8_t* data, size_t size, TMeshRecord& mesh, TString* error) {
  auto fail = [&](const TString& why) {
    if (error) *error = why;
    return false;
  };
  if (!data || size < 4 || std::memcmp(data, "TRIS", 4) != 0) return fail("is not a mesh");
  if (size < 8) return fail("is truncated");
  const size_t v = U16(data + 4), t = U16(data + 6);
  const size_t need = 8 + 16 * v + 6 * t;
  if (size < need) return fail(TString::Printf("is truncated (%zu of %zu bytes)", size, need));
  mesh.vertices.resize(v);
  const uint8_t* p = data + 8;
  for (size_t i = 0; i < v; ++i) {
    float f[8];
    for (int k = 0; k < 8; ++k, p += 2) f[k] = float(int16_t(U16(p))) / 1000.0f;
    mesh.vertices[i] = TVertex{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
  }
  mesh.indices.resize(3 * t);
  for (size_t i = 0; i < 3 * t; ++i, p += 2) {
    mesh.indices[i] = U16(p);
    if (mesh.indices[i] >= v) {
      return fail(TString::Printf("has a triangle index %u past its %zu vertices", mesh.indices[i], v));
    }
  }
  return true;
}

void TModel::RestoreResources() {
  if (!mesh_ || mesh_->name.IsEmpty()) return;
  std::unique_ptr<TMeshRecord> old = std::move(mesh_);
  TString name = old->name;
  if (!Init(name.c_str())) mesh_ = std::move(old);
}

