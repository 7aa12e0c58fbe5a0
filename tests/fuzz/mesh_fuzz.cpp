// Fuzz target: ".mesh" files.
#include <cstddef>
#include <cstdint>

#include "render/sprites/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMeshRecord mesh;
  if (TModel::ParseMesh(data, size, mesh)) {
    for (uint16_t i : mesh.indices) {
      if (i >= mesh.vertices.size()) __builtin_trap();
    }
  }
  return 0;
}
