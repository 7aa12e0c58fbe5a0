// The JPEG reader over libjpeg and the file layer. libjpeg's own error
// handler ends the process; ours jumps back to the reader, which fails cleanly.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/file.h"
#include "platform/log.h"
#include "render/textures/imagereaders.h"

namespace {

constexpr size_t kSourceBuffer = 4096;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnErrorExit(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  std::longjmp(e->jump, 1);
}

void OnMessage(j_common_ptr) {}

// The source manager: the file layer, a 4096-byte buffer, and a fake end
// marker when the file ends early.
struct FileSource {
  jpeg_source_mgr pub;
  TFile* file;
  JOCTET* buffer;
  bool startOfFile;
};

void InitSource(j_decompress_ptr cinfo) { reinterpret_cast<FileSource*>(cinfo->src)->startOfFile = true; }

boolean FillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<FileSource*>(cinfo->src);
  size_t n = src->file->Read(src->buffer, kSourceBuffer);
  if (n == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = JOCTET(0xFF);
    src->buffer[1] = JOCTET(JPEG_EOI);
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  src->startOfFile = false;
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* src = reinterpret_cast<FileSource*>(cinfo->src);
  while (size_t(count) > src->pub.bytes_in_buffer) {
    count -= long(src->pub.bytes_in_buffer);
    FillInput(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

}  // namespace

// Installs the file-layer source manager (made once per decompressor).
void SetJpegFileSource(j_decompress_ptr cinfo, TFile* file) {
  if (!cinfo->src) {
    auto* src = static_cast<FileSource*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileSource)));
    src->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kSourceBuffer));
    cinfo->src = &src->pub;
  }
  auto* src = reinterpret_cast<FileSource*>(cinfo->src);
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInput;
  src->pub.skip_input_data = SkipInput;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  src->file = file;
}

void FreeJpegBuffer(void* buffer) { std::free(buffer); }

bool LoadJpegTexture(const TString& fileName, uint32_t** pixels, uint32_t* width, uint32_t* height, uint32_t* side) {
  if (!pixels) return false;
  *pixels = nullptr;
  TFile file;
  if (!file.Open(fileName)) {
    TraceOut("LoadJpegTexture: cannot open %s", fileName.c_str());
    return false;
  }
  ErrorManager err;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnErrorExit;
  err.pub.output_message = OnMessage;
  uint8_t* volatile buffer = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::free(buffer);
    TraceOut("LoadJpegTexture: %s: %s", fileName.c_str(), err.message);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = 512L << 20;
  SetJpegFileSource(&cinfo, &file);
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxImageSide ||
      cinfo.image_height > kMaxImageSide) {
    std::snprintf(err.message, sizeof err.message, "image size %ux%u out of range", cinfo.image_width,
                  cinfo.image_height);
    std::longjmp(err.jump, 1);
  }
  {
    // A progressive picture is kept whole as coefficients (2 bytes a sample) until its last scan.
    uint64_t coefficients = jpeg_has_multiple_scans(&cinfo)
                                ? uint64_t(cinfo.image_width) * cinfo.image_height * uint64_t(cinfo.num_components) * 2
                                : 0;
    if (!CheckImageLimit("LoadJpegTexture", fileName, cinfo.image_width, cinfo.image_height,
                         ImageBufferBytes(cinfo.image_width, cinfo.image_height) + coefficients)) {
      jpeg_destroy_decompress(&cinfo);
      return false;
    }
  }
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  uint32_t w = cinfo.output_width, h = cinfo.output_height, s = ImageSide(w, h);
  if (cinfo.output_components != 4 || w > s || h > s) {
    std::snprintf(err.message, sizeof err.message, "unexpected output layout");
    std::longjmp(err.jump, 1);
  }
  buffer = static_cast<uint8_t*>(std::calloc(size_t(s) * s, 4));
  if (!buffer) {
    std::snprintf(err.message, sizeof err.message, "out of memory");
    std::longjmp(err.jump, 1);
  }
  while (cinfo.output_scanline < h) {
    JSAMPROW row = buffer + size_t(cinfo.output_scanline) * s * 4;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  *pixels = reinterpret_cast<uint32_t*>(buffer);
  if (width) *width = w;
  if (height) *height = h;
  if (side) *side = s;
  return true;
}
