// render/device: the display device over render/sdev; it reaches the platform only through hooks.
// TVertexSet: the vertices the display draws, a view of caller-owned
// vertices (32 bytes each) in one of the four formats of render/renderer.h,
// which makes and frees the sets. Part of render/; depends on nothing.
#pragma once
#include <cstdint>

struct TVertexSet {
  int format = 1;
  void* vertices = nullptr;
  uint32_t count = 0;
};
