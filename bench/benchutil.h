// Helpers of the benchmark programs that draw on the software display.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/device/displayhandler.h"
#include "render/renderer.h"
#include "render/sdev/sdev.h"

namespace bench {

// One frame: the 2-D pass with alpha blending around `draw`, then presented.
template <typename F>
void DrawFrame(F draw) {
  TRenderer* r = TRenderer::GetInstance();
  r->BeginDraw();
  r->Begin2d();
  r->SetBlendMode(kBlendModeAlpha);
  draw();
  r->End2d();
  GetDisplayHandler()->EndDraw(false);
}

// The frame just drawn (the back buffer's top left w x h), as 32-bit ARGB;
// empty when the buffer cannot be read.
inline std::vector<uint32_t> BackBufferPixels(int w, int h) {
  std::vector<uint32_t> out(size_t(w) * size_t(h));
  sdev::Surface* b = GetDisplayHandler()->Data().backBuffer;
  void* bits = nullptr;
  int32_t pitch = 0;
  if (!b || sdev::Failed(b->Lock(nullptr, &bits, &pitch, 0))) return {};
  for (int y = 0; y < h; ++y)
    std::memcpy(&out[size_t(y) * size_t(w)], static_cast<uint8_t*>(bits) + size_t(y) * size_t(pitch), size_t(w) * 4);
  b->Unlock();
  return out;
}

}  // namespace bench
