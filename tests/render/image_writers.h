// Image encoders for the tests and the fuzz seeds: PNG (libpng), JPEG
// (libjpeg) and JPEG-2000 (OpenJPEG), written to memory.
#pragma once
#include <cstdint>
#include <vector>

namespace image_writers {

struct PngOptions {
  enum Type { kRgba, kRgb, kGrey, kGreyAlpha, kPalette } type = kRgba;
  int bitDepth = 8;       // 16 for 16-bit channels (kRgba, kRgb, kGrey); 1, 2 or 4 (kGrey, kPalette)
  bool interlaced = false;
  double gamma = 0;       // > 0: a gAMA chunk
  int64_t transparent = -1;  // kGrey, kRgb: the colour (ARGB) a tRNS chunk makes transparent
  // kPalette: the colours (ARGB; alpha below 255 goes to tRNS, up to the last such entry) and one index per pixel.
  std::vector<uint32_t> palette;
  std::vector<uint8_t> indices;
};

// ARGB pixels, row-major, width x height.
std::vector<uint8_t> EncodePng(const std::vector<uint32_t>& argb, int width, int height, const PngOptions& o = {});
// 3 components: RGB (alpha ignored); 1: grey (the red channel); 4: CMYK
// (the four bytes as they are). No chroma subsampling.
std::vector<uint8_t> EncodeJpeg(const std::vector<uint32_t>& argb, int width, int height, int components = 3,
                                int quality = 100);
// Samples per component (each `width x height`, values below 1 << precision);
// 1 component = grey, 2 = grey and alpha, 3 = RGB, 4 = RGBA. `codestream`: a raw J2K stream instead of a JP2 file.
// `sgnd`: signed samples (from -(1 << (precision - 1))).
std::vector<uint8_t> EncodeJpeg2000(const std::vector<std::vector<int32_t>>& components, int width, int height,
                                    int precision, bool codestream = false, bool sgnd = false);

}  // namespace image_writers
