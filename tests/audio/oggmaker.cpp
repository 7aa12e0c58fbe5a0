#include "tests/audio/oggmaker.h"

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace ogg_test {

namespace {
void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}
}  // namespace

std::vector<uint8_t> EncodeOgg(uint32_t frames, uint32_t rate, uint32_t channels, float quality, uint32_t variant) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, static_cast<long>(channels), static_cast<long>(rate), quality) != 0)
    throw std::runtime_error("vorbis_encode_init_vbr refused the format");
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block vb;
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x1A2B3C4D);

  std::vector<uint8_t> out;
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) AppendPage(out, page);

  const double kTwoPi = 6.283185307179586;
  uint32_t done = 0;
  bool eos = false;
  while (!eos) {
    uint32_t n = std::min<uint32_t>(frames - done, 4096);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (uint32_t i = 0; i < n; ++i) {
        double t = double(done + i) / rate;
        for (uint32_t c = 0; c < channels; ++c) {
          double pitch = 330.0 * (1 + c) + 7.0 * variant + 40.0 * t;  // rises slowly
          buffer[c][i] = static_cast<float>(0.45 * std::sin(kTwoPi * pitch * t));
        }
      }
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page)) {
          AppendPage(out, page);
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

std::string MakeOgg(const std::string& path, uint32_t frames, uint32_t rate, uint32_t channels, float quality) {
  std::vector<uint8_t> bytes = EncodeOgg(frames, rate, channels, quality);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

std::vector<int16_t> ReferenceDecode(const std::string& path) {
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) throw std::runtime_error("reference decode cannot open " + path);
  std::vector<int16_t> pcm;
  char buffer[8192];
  int section = 0;
  long got;
  while ((got = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
    const int16_t* s = reinterpret_cast<const int16_t*>(buffer);
    pcm.insert(pcm.end(), s, s + got / 2);
  }
  ov_clear(&vf);
  return pcm;
}

}  // namespace ogg_test
