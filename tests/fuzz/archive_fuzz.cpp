// Pack archive directories: whatever the bytes, the reader either refuses the
// archive or gives entries whose ranges lie inside it.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<TPackEntry> entries;
  std::vector<std::string> skipped;
  if (!ParsePackDirectory(data, size, size, entries, nullptr, &skipped)) return 0;
  // Archive-range names are parsed strictly too.
  int n;
  int64_t offset, length;
  ParseArchiveRangeName(TString(reinterpret_cast<const char*>(data), size < 64 ? size : 64), n, offset, length);
  unsigned sum = 0;
  for (const TPackEntry& e : entries) {
    if (e.offset > size || e.size > size - e.offset) std::abort();
    for (uint64_t i = 0; i < e.size; ++i) sum += data[e.offset + i];  // touches every member byte
  }
  return int(sum & 0);
}
