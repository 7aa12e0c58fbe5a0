// The save blob reader: any bytes read as a progress, another version or
// damage, never past the end; a progress that reads writes back to a blob
// that reads and writes to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/savefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Read with the blob's own version, so the whole reader runs.
  uint32_t version = size >= 4 ? uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                     uint32_t(data[3]) << 24
                               : 0;
  std::vector<uint8_t> copy(data, data + size);  // exactly `size` bytes, so an over-read is caught
  GameProgress progress;
  if (ReadSaveBlob(copy.data(), copy.size(), version, progress) != TSaveRead::kOk) return 0;
  std::vector<uint8_t> again = WriteSaveBlob(progress, version);
  if (again.size() > size) std::abort();  // strings only ever get shorter (cut at a zero byte)
  GameProgress back;
  if (ReadSaveBlob(again.data(), again.size(), version, back) != TSaveRead::kOk) std::abort();
  if (WriteSaveBlob(back, version) != again) std::abort();  // bytes, so NaN floats compare too
  return 0;
}
