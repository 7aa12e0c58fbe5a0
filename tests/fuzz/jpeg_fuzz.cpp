// The JPEG reader through the file layer.
#include "image_fuzz.h"
#include "render/textures/imagereaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzImageFile("fuzz.jpg", data, size, [](const char* name) {
    uint32_t* pixels = nullptr;
    uint32_t w = 0, h = 0, side = 0;
    if (LoadJpegTexture(name, &pixels, &w, &h, &side)) FreeJpegBuffer(pixels);
  });
}
