#include "image_writers.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>

#include <jpeglib.h>
#include <openjpeg.h>

namespace image_writers {

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void PngFlush(png_structp) {}

}  // namespace

std::vector<uint8_t> EncodePng(const std::vector<uint32_t>& argb, int width, int height, const PngOptions& o) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  int type = o.type == PngOptions::kRgba        ? PNG_COLOR_TYPE_RGBA
             : o.type == PngOptions::kRgb       ? PNG_COLOR_TYPE_RGB
             : o.type == PngOptions::kGrey      ? PNG_COLOR_TYPE_GRAY
             : o.type == PngOptions::kGreyAlpha ? PNG_COLOR_TYPE_GRAY_ALPHA
                                                : PNG_COLOR_TYPE_PALETTE;
  png_set_IHDR(png, info, width, height, o.bitDepth, type, o.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (o.gamma > 0) png_set_gAMA(png, info, o.gamma);
  if (o.type == PngOptions::kPalette) {
    std::vector<png_color> colors;
    std::vector<png_byte> trans;
    for (uint32_t c : o.palette) {
      colors.push_back(png_color{png_byte(c >> 16), png_byte(c >> 8), png_byte(c)});
      trans.push_back(png_byte(c >> 24));
    }
    while (!trans.empty() && trans.back() == 0xFF) trans.pop_back();
    png_set_PLTE(png, info, colors.data(), int(colors.size()));
    if (!trans.empty()) png_set_tRNS(png, info, trans.data(), int(trans.size()), nullptr);
  } else if (o.transparent >= 0) {
    const uint32_t c = uint32_t(o.transparent);
    const int scale = o.bitDepth < 8 ? 8 - o.bitDepth : 0;
    png_color_16 key{0, png_uint_16((c >> 16 & 0xFF) >> scale), png_uint_16(c >> 8 & 0xFF), png_uint_16(c & 0xFF),
                     png_uint_16((c >> 16 & 0xFF) >> scale)};
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  int channels = o.type == PngOptions::kRgba ? 4 : o.type == PngOptions::kRgb ? 3 : o.type == PngOptions::kGreyAlpha ? 2 : 1;
  int bytes = o.bitDepth == 16 ? 2 : 1;
  std::vector<uint8_t> row(size_t(width) * channels * bytes + 8);
  int passes = o.interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < height; ++y) {
      std::fill(row.begin(), row.end(), 0);
      for (int x = 0; x < width; ++x) {
        uint32_t c = argb.empty() ? 0 : argb[size_t(y) * width + x];
        uint8_t v[4];
        switch (o.type) {
          case PngOptions::kRgba: v[0] = uint8_t(c >> 16); v[1] = uint8_t(c >> 8); v[2] = uint8_t(c); v[3] = uint8_t(c >> 24); break;
          case PngOptions::kRgb: v[0] = uint8_t(c >> 16); v[1] = uint8_t(c >> 8); v[2] = uint8_t(c); break;
          case PngOptions::kGrey: v[0] = uint8_t(c >> 16); break;
          case PngOptions::kGreyAlpha: v[0] = uint8_t(c >> 16); v[1] = uint8_t(c >> 24); break;
          case PngOptions::kPalette: v[0] = o.indices[size_t(y) * width + x]; break;
        }
        if (o.bitDepth < 8) {  // a palette index, or grey's top bits
          if (o.type == PngOptions::kGrey) v[0] = uint8_t(v[0] >> (8 - o.bitDepth));
          int perByte = 8 / o.bitDepth, shift = 8 - o.bitDepth * (x % perByte + 1);
          row[size_t(x / perByte)] |= uint8_t(v[0] << shift);
          continue;
        }
        for (int k = 0; k < channels; ++k) {
          if (bytes == 2) {
            row[(size_t(x) * channels + k) * 2] = v[k];
            row[(size_t(x) * channels + k) * 2 + 1] = v[k];
          } else {
            row[size_t(x) * channels + k] = v[k];
          }
        }
      }
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint32_t>& argb, int width, int height, int components,
                                int quality) {
  bool grey = components == 1, cmyk = components == 4;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = components;
  c.in_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  // No chroma subsampling, so flat colours come back exactly.
  for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(width) * 4);
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < width; ++x) {
      uint32_t p = argb[size_t(c.next_scanline) * width + x];
      if (grey) {
        row[size_t(x)] = uint8_t(p >> 16);
      } else if (cmyk) {
        for (int k = 0; k < 4; ++k) row[size_t(x) * 4 + k] = uint8_t(p >> (24 - 8 * k));
      } else {
        row[size_t(x) * 3] = uint8_t(p >> 16);
        row[size_t(x) * 3 + 1] = uint8_t(p >> 8);
        row[size_t(x) * 3 + 2] = uint8_t(p);
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> out(mem, mem + size);
  jpeg_destroy_compress(&c);
  std::free(mem);
  return out;
}

namespace {

struct MemOut {
  std::vector<uint8_t> bytes;
  size_t pos = 0;
};

OPJ_SIZE_T OpjWrite(void* buf, OPJ_SIZE_T n, void* user) {
  auto* m = static_cast<MemOut*>(user);
  if (m->pos + n > m->bytes.size()) m->bytes.resize(m->pos + n);
  std::memcpy(m->bytes.data() + m->pos, buf, n);
  m->pos += n;
  return n;
}
OPJ_OFF_T OpjSkip(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<MemOut*>(user);
  m->pos += size_t(n);
  if (m->pos > m->bytes.size()) m->bytes.resize(m->pos);
  return n;
}
OPJ_BOOL OpjSeek(OPJ_OFF_T n, void* user) {
  auto* m = static_cast<MemOut*>(user);
  m->pos = size_t(n);
  if (m->pos > m->bytes.size()) m->bytes.resize(m->pos);
  return OPJ_TRUE;
}

}  // namespace

std::vector<uint8_t> EncodeJpeg2000(const std::vector<std::vector<int32_t>>& components, int width, int height,
                                    int precision, bool codestream, bool sgnd) {
  int n = int(components.size());
  std::vector<opj_image_cmptparm_t> parms(static_cast<size_t>(n));
  for (auto& p : parms) {
    std::memset(&p, 0, sizeof p);
    p.dx = p.dy = 1;
    p.w = OPJ_UINT32(width);
    p.h = OPJ_UINT32(height);
    p.prec = OPJ_UINT32(precision);
    p.sgnd = sgnd ? 1 : 0;
  }
  opj_image_t* image = opj_image_create(OPJ_UINT32(n), parms.data(), n <= 2 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
  image->x0 = image->y0 = 0;
  image->x1 = OPJ_UINT32(width);
  image->y1 = OPJ_UINT32(height);
  for (int c = 0; c < n; ++c) {
    std::memcpy(image->comps[c].data, components[size_t(c)].data(), size_t(width) * height * 4);
    if (c == 3 || (n == 2 && c == 1)) image->comps[c].alpha = 1;
  }
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.tcp_numlayers = 1;
  params.tcp_rates[0] = 0;  // lossless
  params.cp_disto_alloc = 1;
  params.irreversible = 0;
  params.numresolution = 1;
  while (params.numresolution < 3 && (1 << params.numresolution) <= std::min(width, height)) ++params.numresolution;
  opj_codec_t* codec = opj_create_compress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
  opj_setup_encoder(codec, &params, image);
  MemOut mem;
  opj_stream_t* s = opj_stream_create(1 << 16, OPJ_FALSE);
  opj_stream_set_write_function(s, OpjWrite);
  opj_stream_set_skip_function(s, OpjSkip);
  opj_stream_set_seek_function(s, OpjSeek);
  opj_stream_set_user_data(s, &mem, nullptr);
  bool ok = opj_start_compress(codec, image, s) && opj_encode(codec, s) && opj_end_compress(codec, s);
  opj_stream_destroy(s);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  if (!ok) return {};
  return mem.bytes;
}

}  // namespace image_writers
