// The wounds game's reader over any bytes, then its board: wounds and a
// brush made of pixels taken from the input, rubbed at points taken from
// the input (alpha maps and pixels must agree, counts stay within the
// opaque pixels), the tools taken and put back, the timers run, skipped and
// run to its end.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/minigames/mg06wounds.h"
#include "tests/fuzz/minigamefile_fuzz.h"

namespace {

struct Pixels {
  Pixels(int w, int h, int extra, const uint8_t* data, size_t size, size_t seed)
      : store(size_t(w + extra) * size_t(h)) {
    for (size_t k = 0; k < store.size(); ++k) store[k] = uint32_t(data[(seed + k * 13) % size]) << 24 | 0x336699u;
    view.pixels = store.data();
    view.pitch = uint32_t(w + extra);
    view.width = w;
    view.height = h;
  }
  std::vector<uint32_t> store;
  PixelView view;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WoundsFileData file;
  if (!ReadFuzzedMiniGameFile(data, size, &ReadWoundsFile, &file)) return 0;
  if (!(file.cleanShare > 0 && file.cleanShare <= 1) || !(file.tutorShare >= 0 && file.tutorShare <= 1) ||
      !(file.disinfectionTime >= 0 && file.disinfectionTime <= kLongestDisinfectionTime))
    std::abort();
  if (file.wounds.size() > size_t(kMaxWounds) || (file.tools.size() < 2 && !file.wounds.empty()) ||
      file.tools.size() > size_t(kMaxWoundTools))
    std::abort();

  // Wounds of pixels from the input, rubbed in memory.
  std::vector<Wound> wounds;
  for (size_t i = 0; i < file.wounds.size() && i < 8; ++i) {
    const int w = 1 + data[i % size] % 40, h = 1 + data[(i * 5 + 1) % size] % 40;
    Pixels dirt(w, h, data[(i * 3) % size] % 5, data, size, i);
    Pixels brush(1 + data[(i + 2) % size] % 12, 1 + data[(i + 4) % size] % 12, 1, data, size, i * 17);
    Wound wound;
    wound.Place(file.wounds[i].pos, TPoint(w, h), TPoint(w / 2, h / 2));
    wound.BuildAlphaMapsFrom(dirt.view);
    bool tutor = false;
    for (size_t r = 0; r < 6; ++r) {
      const TVec2 corner = wound.position + TVec2(float(int(data[(i + r) % size] % 60) - 20) + 0.5f,
                                                  float(int(data[(i + r * 3) % size] % 60) - 20) - 0.25f);
      wound.RubPixels(&dirt.view, brush.view, corner, file.cleanShare, file.tutorShare, &tutor);
      if (wound.cleanedCount < 0 || wound.cleanedCount > wound.opaqueCount) std::abort();
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if (dirt.view.Alpha(x, y) != wound.alphaMap[size_t(y) * size_t(w) + size_t(x)]) std::abort();
    }
    if (!wound.dirty && float(wound.cleanedCount) < file.cleanShare * float(wound.opaqueCount)) std::abort();
    wound.DirtBack();
    if (wound.alphaMap != wound.initialAlphaMap || wound.cleanedCount != 0 || !wound.dirty) std::abort();
    wounds.push_back(wound);
  }

  // The board without pictures: the rules, the timers and the end.
  std::vector<WoundTool> tools(file.tools.size());
  for (size_t i = 0; i < tools.size(); ++i) tools[i].previewSize = TPoint(1 + data[i % size] % 64, 20);
  WoundsBoard board;
  board.Build(file, wounds, tools, nullptr, TPoint(9, 9), 0.25f);
  board.paneTop = 618;
  for (size_t k = 0; k + 2 < size && k < 64; k += 3) {
    const int x = int(data[k]) * 4, y = int(data[k + 1]) * 3;
    switch (data[k + 2] % 4) {
      case 0: board.Press(x, y); break;
      case 1: board.Move(x, y); break;
      case 2: board.Release(); break;
      default: board.Update(0.5f, data[k + 2] & 4, false, false, false, nullptr, nullptr); break;
    }
    if (board.held < -1 || board.held >= int(board.tools.size())) std::abort();
  }
  board.Skip(nullptr);
  bool won = false;
  int updates = 0;
  for (;;) {
    WoundsBoard::EndStep step = board.Update(0.1f, false, won, won, false, nullptr, nullptr);
    if (step == WoundsBoard::EndStep::kStartClosing) won = true;
    if (step == WoundsBoard::EndStep::kFinish) break;
    if (++updates > 100) std::abort();
  }
  return 0;
}
