// The particle library's effect-file reader, and a short run of what it read.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plugins/particles/effectfile.h"
#include "plugins/particles/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  particles::EffectFile file;
  std::string error;
  if (!particles::ReadEffectFile(reinterpret_cast<const char*>(data), size, file, error)) return 0;
  // Short runs only: a few emitters and types (a file may ask for 100,000 particles a type).
  size_t types = 0;
  for (const auto& desc : file.emitters)
    for (const auto& layer : desc->layers) types += layer.types.size();
  if (file.emitters.size() > 4 || types > 8) return 0;
  std::vector<std::unique_ptr<particles::Emitter>> emitters;
  std::vector<particles::Emitter*> all;
  for (const auto& desc : file.emitters) {
    emitters.emplace_back(new particles::Emitter(desc, 1));
    all.push_back(emitters.back().get());
  }
  particles::LayOutAtlases(all, 256, 256, 1, 0.1f);
  for (auto& e : emitters) {
    e->positionMode = true;
    for (int i = 0; i < 3; ++i) {
      e->Update(20);
      e->MoveTo(e->x + 5, e->y);
    }
  }
  return 0;
}
