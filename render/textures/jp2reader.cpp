// The JPEG-2000 reader over OpenJPEG and the file layer, and the reader
// that picks PNG, JPEG or JPEG-2000 by a file's first bytes.
#include <openjpeg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "platform/log.h"
#include "render/textures/imagereaders.h"
#include "render/textures/texturedata.h"

namespace {

struct Stream {
  TFile* file;
  int64_t size;
};

OPJ_SIZE_T OnRead(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* s = static_cast<Stream*>(user);
  size_t n = s->file->Read(buffer, count);
  return n ? n : OPJ_SIZE_T(-1);
}

OPJ_OFF_T OnSkip(OPJ_OFF_T count, void* user) {
  auto* s = static_cast<Stream*>(user);
  int64_t pos = s->file->Tell();
  int64_t target = std::max<int64_t>(0, std::min<int64_t>(s->size, pos + count));
  if (!s->file->Seek(target, kSeekBegin)) return -1;
  return OPJ_OFF_T(target - pos);
}

OPJ_BOOL OnSeek(OPJ_OFF_T offset, void* user) {
  auto* s = static_cast<Stream*>(user);
  return offset >= 0 && offset <= s->size && s->file->Seek(offset, kSeekBegin) ? OPJ_TRUE : OPJ_FALSE;
}

void OnError(const char* msg, void* user) {
  auto* first = static_cast<std::string*>(user);
  if (first->empty() && msg) {
    *first = msg;
    while (!first->empty() && (first->back() == '\n' || first->back() == '\r')) first->pop_back();
  }
}

void OnQuiet(const char*, void*) {}

// A component sample as 8 bits: signed samples offset to unsigned, the
// precision scaled up (below 8 bits) or down (above).
inline uint32_t Sample(const opj_image_comp_t& c, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
  uint32_t cx = std::min<uint32_t>(c.w - 1, uint32_t(uint64_t(x) * c.w / w));
  uint32_t cy = std::min<uint32_t>(c.h - 1, uint32_t(uint64_t(y) * c.h / h));
  int64_t v = c.data[size_t(cy) * c.w + cx];
  int prec = int(std::min<OPJ_UINT32>(c.prec, 31));
  if (prec <= 0) return 0;
  if (c.sgnd) v += int64_t(1) << (prec - 1);
  v = std::max<int64_t>(0, std::min<int64_t>(v, (int64_t(1) << prec) - 1));
  return uint32_t(prec <= 8 ? v << (8 - prec) : v >> (prec - 8)) & 0xFF;
}

}  // namespace

void FreeJpeg2000Buffer(void* buffer) { std::free(buffer); }

bool LoadJpeg2000Texture(const TString& fileName, uint32_t* width, uint32_t* height, uint32_t* side,
                         uint32_t** pixels, bool* hasAlpha) {
  if (!pixels) return false;
  *pixels = nullptr;
  if (hasAlpha) *hasAlpha = false;
  TFile file;
  if (!file.Open(fileName)) {
    TraceOut("LoadJpeg2000Texture: cannot open %s", fileName.c_str());
    return false;
  }
  uint8_t head[12] = {};
  size_t got = file.Read(head, sizeof head);
  static const uint8_t kJp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  static const uint8_t kJ2k[4] = {0xFF, 0x4F, 0xFF, 0x51};
  OPJ_CODEC_FORMAT format;
  if (got == 12 && std::memcmp(head, kJp2, 12) == 0)
    format = OPJ_CODEC_JP2;
  else if (got >= 4 && std::memcmp(head, kJ2k, 4) == 0)
    format = OPJ_CODEC_J2K;
  else {
    TraceOut("LoadJpeg2000Texture: %s is not a JPEG-2000 file", fileName.c_str());
    return false;
  }
  file.Seek(0, kSeekBegin);
  Stream ctx{&file, file.GetSize()};
  opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
  opj_codec_t* codec = opj_create_decompress(format);
  opj_image_t* image = nullptr;
  std::string error;
  auto fail = [&](const char* why) {
    if (image) opj_image_destroy(image);
    if (codec) opj_destroy_codec(codec);
    if (stream) opj_stream_destroy(stream);
    TraceOut("LoadJpeg2000Texture: %s: %s", fileName.c_str(), error.empty() ? why : error.c_str());
    return false;
  };
  if (!stream || !codec) return fail("out of memory");
  opj_stream_set_read_function(stream, OnRead);
  opj_stream_set_skip_function(stream, OnSkip);
  opj_stream_set_seek_function(stream, OnSeek);
  opj_stream_set_user_data(stream, &ctx, nullptr);
  opj_stream_set_user_data_length(stream, OPJ_UINT64(ctx.size));
  opj_set_error_handler(codec, OnError, &error);
  opj_set_warning_handler(codec, OnQuiet, nullptr);
  opj_set_info_handler(codec, OnQuiet, nullptr);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  if (!opj_setup_decoder(codec, &params)) return fail("decoder set-up failed");
  if (!opj_read_header(stream, codec, &image) || !image) return fail("bad header");
  if (image->x1 <= image->x0 || image->y1 <= image->y0 || image->numcomps == 0) return fail("empty image");
  uint32_t w = image->x1 - image->x0, h = image->y1 - image->y0;
  // The decoder keeps 4 bytes per sample of every component besides our buffer.
  uint64_t samples = 0;
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    uint64_t dx = std::max<OPJ_UINT32>(c.dx, 1), dy = std::max<OPJ_UINT32>(c.dy, 1);
    samples += ((uint64_t(w) + dx - 1) / dx) * ((uint64_t(h) + dy - 1) / dy);
  }
  if (!CheckImageLimit("LoadJpeg2000Texture", fileName, w, h, ImageBufferBytes(w, h) + samples * 4)) {
    if (image) opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    return false;
  }
  if (!opj_decode(codec, stream, image) || !opj_end_decompress(codec, stream)) return fail("decoding failed");
  for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
    const opj_image_comp_t& c = image->comps[i];
    if (!c.data || c.w == 0 || c.h == 0) return fail("component without samples");
  }
  uint32_t s = ImageSide(w, h);
  auto* buffer = static_cast<uint32_t*>(std::malloc(size_t(s) * s * 4));
  if (!buffer) return fail("out of memory");
  bool grey = image->color_space == OPJ_CLRSPC_GRAY || image->numcomps <= 2;
  bool alpha = grey ? image->numcomps == 2 : image->numcomps >= 4;
  for (uint32_t y = 0; y < h; ++y) {
    uint32_t* row = buffer + size_t(y) * s;
    for (uint32_t x = 0; x < w; ++x) {
      if (grey) {
        uint32_t g = Sample(image->comps[0], x, y, w, h);
        uint32_t a = alpha ? Sample(image->comps[1], x, y, w, h) : 0xFF;
        row[x] = a << 24 | g << 16 | g << 8 | g;
      } else {
        uint32_t r = Sample(image->comps[0], x, y, w, h), g = Sample(image->comps[1], x, y, w, h),
                 b = Sample(image->comps[2], x, y, w, h);
        uint32_t a = alpha ? Sample(image->comps[3], x, y, w, h) : 0xFF;
        row[x] = a << 24 | r << 16 | g << 8 | b;
      }
    }
    // The rest of the row repeats its last pixel.
    std::fill(row + w, row + s, row[w - 1]);
  }
  for (uint32_t y = h; y < s; ++y) std::memcpy(buffer + size_t(y) * s, buffer + size_t(h - 1) * s, size_t(s) * 4);
  opj_image_destroy(image);
  opj_destroy_codec(codec);
  opj_stream_destroy(stream);
  *pixels = buffer;
  if (width) *width = w;
  if (height) *height = h;
  if (side) *side = s;
  if (hasAlpha) *hasAlpha = alpha;
  return true;
}

bool LoadImageFile(const TString& name, TDecodedImage* out, bool tight) {
  if (!out) return false;
  out->Reset();
  TString file = name;
  if (!FindImageFile(file)) {
    TraceOut("LoadImageFile: %s not found", name.c_str());
    return false;
  }
  uint8_t head[4] = {};
  {
    TFile f;
    if (!f.Open(file) || f.Read(head, 4) < 2) {
      TraceOut("LoadImageFile: %s is empty or unreadable", file.c_str());
      return false;
    }
  }
  uint32_t* px = nullptr;
  uint32_t w = 0, h = 0, s = 0, pitch = 0;
  bool alpha = false, ok = false;
  void (*release)(void*) = nullptr;
  if (head[0] == 0x89 && head[1] == 'P') {
    ok = LoadPngTexture(file, &px, &w, &h, &alpha, tight);
    s = ImageSide(w, h);
    pitch = tight ? w : s;
    release = FreePngBuffer;
  } else if (head[0] == 0xFF && head[1] == 0xD8) {
    ok = LoadJpegTexture(file, &px, &w, &h, &s);
    pitch = s;
    release = FreeJpegBuffer;
  } else if ((head[0] == 0 && head[3] == 0x0C) || (head[0] == 0xFF && head[1] == 0x4F)) {
    ok = LoadJpeg2000Texture(file, &w, &h, &s, &px, &alpha);
    pitch = s;
    release = FreeJpeg2000Buffer;
  } else {
    TraceOut("LoadImageFile: %s is not a PNG, JPEG or JPEG-2000 file", file.c_str());
    return false;
  }
  if (!ok || !px) {
    if (release) release(px);
    return false;
  }
  out->width = w;
  out->height = h;
  out->side = s;
  out->pitch = pitch;
  out->tight = tight && release == FreePngBuffer;
  out->hasAlpha = alpha;
  out->pixels = px;  // the reader's buffer itself: no second copy
  out->release = release;
  return true;
}
