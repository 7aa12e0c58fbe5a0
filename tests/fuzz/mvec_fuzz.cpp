// Fuzz target: ".mvec" vector fonts, read and every glyph rasterised.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/text/minivecdraw.h"
#include "render/text/minivecfont.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TKnMiniVecDraw draw;
  static std::vector<uint32_t> pixels(64 * 64);
  TMiniVecFont font(data, size);
  draw.SetTransform(0.25f, 0.25f, size % 3 ? 0.0f : 30.0f, (size & 1) != 0);
  draw.SetStroke(0, (size & 4) ? 1.0f : 0.0f, 2);
  draw.Begin(20, 40, TMiniVecPixels{pixels.data(), 64, 64, 64});
  for (int g = 0; g < font.GetCount() && g < 64; ++g) draw.DrawGlyph(font, g, g, 0);
  draw.Flush();
  draw.ClearCache();
  return 0;
}
