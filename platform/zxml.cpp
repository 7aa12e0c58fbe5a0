#include "platform/readfile.h"

#include <zlib.h>

#include <cstring>

bool IsZxml(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "ZXML", 4) == 0; }

bool InflateZxml(const uint8_t* data, size_t size, std::vector<uint8_t>& out, TString* error, size_t cap) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    out.clear();
    return false;
  };
  if (!IsZxml(data, size) || size < 8) return fail("not a packed XML file");
  uint32_t claimed = uint32_t(data[4]) | (uint32_t(data[5]) << 8) | (uint32_t(data[6]) << 16) | (uint32_t(data[7]) << 24);
  if (claimed > cap) return fail("inflated size above the limit");
  out.assign(claimed, 0);
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return fail("zlib failed to start");
  zs.next_in = const_cast<Bytef*>(data + 8);
  zs.avail_in = static_cast<uInt>(size - 8);
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&zs, Z_FINISH);
  size_t produced = zs.total_out;
  // A stream that would produce more than it claimed stops with Z_BUF_ERROR / Z_OK.
  inflateEnd(&zs);
  if (rc != Z_STREAM_END) return fail(rc == Z_BUF_ERROR || rc == Z_OK ? "inflated data longer than its header says"
                                                                     : "damaged zlib stream");
  if (produced != claimed) return fail("inflated data shorter than its header says");
  return true;
}

std::vector<uint8_t> DeflateZxml(const uint8_t* data, size_t size) {
  uLongf bound = compressBound(static_cast<uLong>(size));
  std::vector<uint8_t> out(8 + bound);
  std::memcpy(out.data(), "ZXML", 4);
  uint32_t n = static_cast<uint32_t>(size);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(n >> (8 * i));
  compress2(out.data() + 8, &bound, data, static_cast<uLong>(size), Z_BEST_COMPRESSION);
  out.resize(8 + bound);
  return out;
}
