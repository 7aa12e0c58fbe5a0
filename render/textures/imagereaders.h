// render/textures: textures, their pixels on the display device, and the image readers.
// Image readers: PNG (libpng), JPEG (libjpeg) and JPEG-2000 (OpenJPEG), all
// reading through the file layer, so images come from folders, pack
// archives and memory files alike.
//
// Each reader gives a buffer of side x side 32-bit pixels (bytes blue,
// green, red, alpha), side being the smallest power of two at least the
// larger of width and height, with the image in the top-left corner. The
// padding is zero (PNG, JPEG) or repeats the last column and row (JPEG-2000).
// Damaged, truncated, lying or oversized files give false and one log line;
// no reader ever ends the process. Main thread or not: every call keeps its
// own state. Part of render/; depends on platform/.
//
// Before decoding, each reader checks the picture against the display
// device's largest texture (GetImageLimit): a picture wider or taller than
// that texture, or whose decoding would take more memory than it (the pixel
// buffer plus the decoder's own sample buffers), is refused with a log line,
// so a tiny file that claims a huge picture costs nothing.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/string.h"

// The largest width or height a reader accepts on any device.
constexpr uint32_t kMaxImageSide = 8192;
// The memory a decode may always take, whatever the device (a few screens' worth).
constexpr uint64_t kMinImageDecodeBytes = 128u << 20;

// The smallest power of two (from 1) at least max(width, height).
uint32_t ImageSide(uint32_t width, uint32_t height);

// What a picture may be: the display device's largest texture (kMaxImageSide
// without a device, never more), and the memory its decoding may take: that
// texture's bytes (width x height x 4), at least kMinImageDecodeBytes.
struct TImageLimit {
  uint32_t maxWidth = kMaxImageSide, maxHeight = kMaxImageSide;
  uint64_t maxDecodeBytes = 0;
};
TImageLimit GetImageLimit();
// False, with the log line "<reader>: <file> refused: ...", when a picture of
// width x height whose decoding takes `decodeBytes` (pixel buffer included)
// passes the limit.
bool CheckImageLimit(const char* reader, const TString& file, uint32_t width, uint32_t height, uint64_t decodeBytes);
// The bytes of a reader's pixel buffer: side x side x `bytesPerPixel`.
uint64_t ImageBufferBytes(uint32_t width, uint32_t height, uint32_t bytesPerPixel = 4);

// A decoded picture: the reader's own buffer, kept without a copy.
struct TDecodedImage {
  uint32_t width = 0, height = 0, side = 0;
  uint32_t pitch = 0;  // pixels from one row to the next: side, or width when tight
  bool tight = false;  // pitch x height pixels, no padding
  bool hasAlpha = false;
  uint32_t* pixels = nullptr;  // side x side, or pitch x height when tight
  void (*release)(void*) = nullptr;  // frees `pixels` (the reader's release function)
  TDecodedImage() = default;
  TDecodedImage(const TDecodedImage&) = delete;
  TDecodedImage& operator=(const TDecodedImage&) = delete;
  ~TDecodedImage() { Reset(); }
  void Reset() {
    if (release && pixels) release(pixels);
    pixels = nullptr;
    release = nullptr;
    width = height = side = pitch = 0;
    tight = hasAlpha = false;
  }
  // Takes `o`'s picture, its buffer included; `o` is left empty.
  void TakeFrom(TDecodedImage& o) {
    if (&o == this) return;
    Reset();
    width = o.width;
    height = o.height;
    side = o.side;
    pitch = o.pitch;
    tight = o.tight;
    hasAlpha = o.hasAlpha;
    pixels = o.pixels;
    release = o.release;
    o.pixels = nullptr;
    o.release = nullptr;
    o.Reset();
  }
};

// Finds the file (FindImageFile) and decodes it by its first bytes. With
// `tight`, a reader that can (PNG) gives only the picture, rows width apart
// and no padding (`pitch` says which): less memory to clear and touch.
bool LoadImageFile(const TString& name, TDecodedImage* out, bool tight = false);

// PNG. `pixels` receives a malloc'ed buffer (free with FreePngBuffer): side x
// side x 4 bytes, or side x side bytes of palette indices with keepPalette.
// With a palette file (a "RIFF" palette) its colours replace the PNG's; with
// `palette` the 256 entries (blue, green, red, alpha) come back (1024 bytes,
// free with FreePngBuffer). `bits` is the file's bit depth.
bool LoadPngImage(const TString& fileName, uint8_t** pixels, uint32_t* width, uint32_t* height, int* bits,
                  const TString& paletteFile, uint8_t** palette, bool* hasAlpha, bool keepPalette);
// With `tight` the buffer is width x height x 4 bytes, without padding.
bool LoadPngTexture(const TString& fileName, uint32_t** pixels, uint32_t* width, uint32_t* height, bool* hasAlpha,
                    bool tight = false);
void FreePngBuffer(void* buffer);

// JPEG (RGB or grey; baseline or progressive). A file cut short decodes up to
// where it ends.
bool LoadJpegTexture(const TString& fileName, uint32_t** pixels, uint32_t* width, uint32_t* height, uint32_t* side);
void FreeJpegBuffer(void* buffer);

// JPEG-2000: the ".jp2" container or a raw code stream (".j2k", ".jpc").
bool LoadJpeg2000Texture(const TString& fileName, uint32_t* width, uint32_t* height, uint32_t* side, uint32_t** pixels,
                         bool* hasAlpha = nullptr);
void FreeJpeg2000Buffer(void* buffer);
