// The keys game's reader over any bytes, then its board: laid out with
// picture sizes taken from the input, every tray place and keyhole pressed,
// skipped and run to its end. The shuffle ends, the tray keeps its places,
// and the end always comes.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "game/minigames/mg03keys.h"
#include "tests/fuzz/minigamefile_fuzz.h"
#include "platform/random.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  KeysFileData file;
  if (!ReadFuzzedMiniGameFile(data, size, &ReadKeysFile, &file)) return 0;
  if (file.keys.size() > size_t(kMaxKeys) || file.countTurns < 1 || file.countTurns > kMaxCountTurns) std::abort();

  std::vector<KeyImages> images(file.keys.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const int w = 1 + int(data[i % size]) % 64, h = 1 + int(data[(i * 7) % size]) % 64;
    images[i].keyholeSize = images[i].previewSize = TPoint(w, h);
    images[i].puzzleSize = TPoint(h, w);
  }
  TRandom generator{uint32_t(size)};
  KeysBoard board;
  board.Build(file, images, generator, 0.5f);
  board.plateHeight = 100;
  if (board.keys.size() != file.keys.size()) std::abort();
  std::set<std::pair<int, int>> places;
  for (const KeySlot& k : board.keys) places.insert({k.previewRect.left, k.previewRect.top});
  if (places.size() != board.keys.size()) std::abort();
  std::vector<int> order = board.TrayOrder();
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] < 0) std::abort();

  // Carry every key to its keyhole and press it a few times.
  for (size_t i = 0; i < board.keys.size(); ++i) {
    board.Press(board.keys[i].previewRect.left, board.keys[i].previewRect.top);
    board.Press(int(board.keys[i].homePos.x), int(board.keys[i].homePos.y));
    board.Update(0.3f, false, false, false);
    board.Press(int(board.keys[i].homePos.x), int(board.keys[i].homePos.y));
  }
  for (int i = 0; i < 200 && !board.Skip(); ++i) board.Update(0.05f, false, false, false);
  bool won = false;
  int updates = 0;
  for (;;) {
    KeysBoard::EndStep step = board.Update(0.1f, won, won, false);
    if (step == KeysBoard::EndStep::kStartClosing) won = true;
    if (step == KeysBoard::EndStep::kFinish) break;
    if (++updates > 200) std::abort();
  }
  for (const KeySlot& k : board.keys)
    if (k.step != 0 || k.inTray || k.held) std::abort();
  return 0;
}
