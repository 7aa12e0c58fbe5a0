// The JPEG-2000 reader (JP2 files and code streams) through the file layer.
#include "image_fuzz.h"
#include "render/textures/imagereaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzImageFile("fuzz.jp2", data, size, [](const char* name) {
    uint32_t* pixels = nullptr;
    uint32_t w = 0, h = 0, side = 0;
    if (LoadJpeg2000Texture(name, &w, &h, &side, &pixels)) FreeJpeg2000Buffer(pixels);
  });
}
