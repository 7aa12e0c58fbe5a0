// The PNG reader (with a palette file and the palette kept) through the file layer.
#include "image_fuzz.h"
#include "render/textures/imagereaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzImageFile("fuzz.png", data, size, [](const char* name) {
    uint8_t* pixels = nullptr;
    uint8_t* palette = nullptr;
    uint32_t w = 0, h = 0;
    int bits = 0;
    bool alpha = false;
    if (LoadPngImage(name, &pixels, &w, &h, &bits, "", &palette, &alpha, false)) FreePngBuffer(pixels);
    FreePngBuffer(palette);
    palette = nullptr;
    if (LoadPngImage(name, &pixels, &w, &h, &bits, name, &palette, &alpha, true)) FreePngBuffer(pixels);
    FreePngBuffer(palette);
  });
}
