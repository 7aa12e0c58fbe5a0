// Fuzz target: ".anm" animations, binary and XML.
#include <cstddef>
#include <cstdint>

#include "render/sprites/animfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TAnimationDesc desc;
  if (ParseAnimation(data, size, desc)) {
    if (desc.frames.empty() || desc.frames.size() > kMaxAnimationFrames) __builtin_trap();
    // What was read writes back and reads again the same.
    std::vector<uint8_t> again = WriteAnimationBinary(desc);
    TAnimationDesc second;
    if (!ParseAnimationBinary(again.data(), again.size(), second)) __builtin_trap();
  }
  return 0;
}
