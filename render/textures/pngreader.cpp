// The PNG reader over libpng and the file layer.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "platform/log.h"
#include "render/textures/imagereaders.h"

namespace {

// Per-call state: libpng's errors jump back to this call's frame.
struct PngContext {
  TFile* file = nullptr;
  std::jmp_buf jump;
  char message[200] = {};
};

void OnError(png_structp png, png_const_charp msg) {
  auto* c = static_cast<PngContext*>(png_get_error_ptr(png));
  std::snprintf(c->message, sizeof c->message, "%s", msg ? msg : "error");
  std::longjmp(c->jump, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep data, png_size_t length) {
  auto* c = static_cast<PngContext*>(png_get_io_ptr(png));
  if (c->file->Read(data, length) != length) png_error(png, "Read Error");
}

uint32_t ReadLE32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// A "RIFF" palette: after the 8-byte RIFF header and 8 more bytes (the form
// type and the chunk name) comes the chunk size; the entry count is
// (chunk size - 8) / 4, and the entries (red, green, blue, flags) follow 4
// bytes later. Their colours replace the PNG's own, never more entries than
// the PNG has.
void ApplyRiffPalette(const TString& name, png_colorp colors, int count) {
  TFile f;
  if (!f.Open(name)) return;
  uint8_t head[24];
  if (f.Read(head, sizeof head) != sizeof head || std::memcmp(head, "RIFF", 4) != 0) return;
  int64_t entries = (int64_t(ReadLE32(head + 16)) - 8) / 4;
  entries = std::min<int64_t>(entries, count);
  for (int64_t i = 0; i < entries; ++i) {
    uint8_t e[4];
    if (f.Read(e, 4) != 4) break;
    colors[i].red = e[0];
    colors[i].green = e[1];
    colors[i].blue = e[2];
  }
}

}  // namespace

uint32_t ImageSide(uint32_t width, uint32_t height) {
  uint32_t m = width > height ? width : height, side = 1;
  while (side < m) side <<= 1;
  return side;
}

void FreePngBuffer(void* buffer) { std::free(buffer); }

namespace {

// LoadPngImage's work; `tight` puts the rows width apart with no padding
// (every byte written by the decoder, so the buffer needs no clearing).
bool DecodePng(const TString& fileName, uint8_t** pixels, uint32_t* width, uint32_t* height, int* bits,
               const TString& paletteFile, uint8_t** palette, bool* hasAlpha, bool keepPalette, bool tight) {
  if (pixels) *pixels = nullptr;
  if (palette) *palette = nullptr;
  if (hasAlpha) *hasAlpha = false;
  if (!pixels || !width || !height) return false;
  TFile file;
  if (!file.Open(fileName)) {
    TraceOut("LoadPngImage: cannot open %s", fileName.c_str());
    return false;
  }
  uint8_t sig[8];
  if (file.Read(sig, 8) != 8 || png_sig_cmp(sig, 0, 8) != 0) {
    TraceOut("LoadPngImage: %s is not a PNG file", fileName.c_str());
    return false;
  }
  PngContext ctx;
  ctx.file = &file;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, &info, nullptr);
    TraceOut("LoadPngImage: Visual PNG: out of memory");
    return false;
  }
  uint8_t* volatile buffer = nullptr;
  png_bytep* volatile rows = nullptr;
  uint8_t* volatile paletteOut = nullptr;
  if (setjmp(ctx.jump)) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(buffer);
    std::free(rows);
    std::free(paletteOut);
    TraceOut("LoadPngImage: %s: %s", fileName.c_str(), ctx.message);
    return false;
  }
  png_set_read_fn(png, &ctx, OnRead);
  png_set_sig_bytes(png, 8);
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_IGNORE_ADLER32)
  // Every chunk's CRC already guards the compressed bytes: the second sum
  // over the inflated stream costs a tenth of the decoding and is skipped.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
  if (w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide) png_error(png, "image size out of range");
  if (!CheckImageLimit("LoadPngImage", fileName, w, h,
                       ImageBufferBytes(w, h, keepPalette && colorType == PNG_COLOR_TYPE_PALETTE ? 1 : 4))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(paletteOut);
    return false;
  }
  if (bits) *bits = depth;
  bool isPalette = colorType == PNG_COLOR_TYPE_PALETTE;
  bool keep = keepPalette && isPalette;
  bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (isPalette) {
    png_colorp colors = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &colors, &count) && !paletteFile.IsEmpty() && count > 0 && count <= 256) {
      png_color own[256];
      std::memcpy(own, colors, sizeof(png_color) * size_t(count));
      ApplyRiffPalette(paletteFile, own, count);
      png_set_PLTE(png, info, own, count);
      png_get_PLTE(png, info, &colors, &count);
    }
    if (palette && colors) {
      paletteOut = static_cast<uint8_t*>(std::calloc(1024, 1));
      if (!paletteOut) png_error(png, "Visual PNG: out of memory");
      png_bytep alpha = nullptr;
      int numTrans = 0;
      if (trns) png_get_tRNS(png, info, &alpha, &numTrans, nullptr);
      for (int i = 0; i < count && i < 256; ++i) {
        paletteOut[i * 4 + 0] = colors[i].blue;
        paletteOut[i * 4 + 1] = colors[i].green;
        paletteOut[i * 4 + 2] = colors[i].red;
        paletteOut[i * 4 + 3] = (alpha && i < numTrans) ? alpha[i] : 0xFF;
      }
    }
  }
  if (depth == 16) png_set_strip_16(png);
  if (isPalette && !keep) png_set_palette_to_rgb(png);
  if (depth < 8) {
    if (keep)
      png_set_packing(png);
    else
      png_set_expand(png);
  }
  if (trns && !keep) png_set_tRNS_to_alpha(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) || trns;
  if (!keep) {
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
  }
  double fileGamma = 0;
  if (png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, 2.2, fileGamma);
  if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  uint32_t side = tight ? w : ImageSide(w, h);
  size_t rowSize = keep ? side : size_t(side) * 4;
  if (png_get_rowbytes(png, info) > rowSize || (tight && png_get_rowbytes(png, info) != rowSize))
    png_error(png, "unexpected row size");
  buffer = static_cast<uint8_t*>(tight ? std::malloc(size_t(h) * rowSize) : std::calloc(size_t(side) * rowSize, 1));
  rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
  if (!buffer || !rows) png_error(png, "Visual PNG: out of memory");
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = buffer + size_t(y) * rowSize;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  std::free(rows);
  png_destroy_read_struct(&png, &info, nullptr);
  *pixels = buffer;
  *width = w;
  *height = h;
  if (palette) *palette = paletteOut;
  else std::free(paletteOut);
  if (hasAlpha) *hasAlpha = alpha;
  return true;
}

}  // namespace

bool LoadPngImage(const TString& fileName, uint8_t** pixels, uint32_t* width, uint32_t* height, int* bits,
                  const TString& paletteFile, uint8_t** palette, bool* hasAlpha, bool keepPalette) {
  return DecodePng(fileName, pixels, width, height, bits, paletteFile, palette, hasAlpha, keepPalette, false);
}

bool LoadPngTexture(const TString& fileName, uint32_t** pixels, uint32_t* width, uint32_t* height, bool* hasAlpha,
                    bool tight) {
  uint8_t* buffer = nullptr;
  int bits = 0;
  if (!pixels) return false;
  bool ok = DecodePng(fileName, &buffer, width, height, &bits, TString(), nullptr, hasAlpha, false, tight);
  *pixels = reinterpret_cast<uint32_t*>(buffer);
  return ok && buffer;
}
