#include "render/sprites/model.h"

bool TModel::Draw() const {
  if (!mesh_ || mesh_->indices.empty()) return false;
  TVertexSet* set = MakeVertexSet0(const_cast<TVertex*>(mesh_->vertices.data()), uint32_t(mesh_->vertices.size()));
  bool ok = TRenderer::GetInstance()->DrawIndexedVertices(kPrimTriangleList, set, mesh_->indices.data(),
                                                          uint32_t(mesh_->indices.size()));
  FreeVertexSet(set);
  return ok;
}
