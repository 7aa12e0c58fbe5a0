// The mosaic game's reader over any bytes, then its board: laid out with
// picture sizes taken from the input, every piece carried to its place,
// turned and dropped, skipped and run to its end. Depths stay a
// permutation, a skip lays every piece whose place accepts a turn with its
// bounds on that place, and the end always comes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/minigames/mg05mosaic.h"
#include "tests/fuzz/minigamefile_fuzz.h"

namespace {

void CheckDepths(const MosaicBoard& b) {
  std::vector<int> seen(b.pieces.size(), 0);
  for (const MosaicPiece& p : b.pieces) {
    if (p.depth < 0 || p.depth >= int(b.pieces.size()) || seen[size_t(p.depth)]++) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MosaicFileData file;
  if (!ReadFuzzedMiniGameFile(data, size, &ReadMosaicFile, &file)) return 0;
  if (file.types.size() > size_t(kMaxMosaicTypes) || file.parts.size() > size_t(kMaxMosaicParts)) std::abort();
  for (const MosaicPartData& part : file.parts) {
    if (part.type < 0 || part.type >= int(file.types.size())) std::abort();
    for (int s : part.states)
      if (s < 0 || s > 3) std::abort();
  }

  std::vector<MosaicType> types(file.types.size());
  for (size_t i = 0; i < types.size(); ++i) {
    const int w = 1 + int(data[i % size]) % 90, h = 1 + int(data[(i * 7 + 3) % size]) % 90;
    types[i].imageSize = TPoint(w, h);
    types[i].previewSize = TPoint(1 + w / 2, 1 + h / 2);
  }
  MosaicBoard board;
  board.Build(file, types, TVec2(10, 700), 0.5f);
  board.paneTop = 650;
  board.boardWidth = 300;
  CheckDepths(board);

  // Carry each piece to its own place with a turn it accepts (or any).
  for (size_t j = 0; j < board.pieces.size(); ++j) {
    const MosaicPiece& piece = board.pieces[j];
    if (!piece.inTray) continue;
    const TPoint pv = board.PreviewSize(int(j));
    board.Press(TPoint(int(piece.position.x) + pv.x / 2, int(piece.position.y) + pv.y / 2));
    if (board.held != int(j)) continue;
    const int turns = board.slots[j].states.empty() ? int(data[j % size] % 4) : board.slots[j].states[0];
    for (int t = 0; t < turns; ++t) board.Turn();
    const TVec2 d = board.slots[j].position - board.pieces[j].bounds;
    const TPoint at(int(board.lastMouse.x + float(int(d.x))), int(board.lastMouse.y + float(int(d.y))));
    board.Move(at);
    board.Press(at);
    if (board.held != -1) std::abort();
    CheckDepths(board);
  }
  board.Update(0.016f, 1, false, false, false);

  // Whatever the play left, the skip (when still allowed) lays the pieces on their places.
  MosaicBoard skipped = board;
  if (!skipped.solved && skipped.winPhase == 0) {
    if (!skipped.pieces.empty()) skipped.Press(TPoint(int(data[0]), 600));
    if (!skipped.Skip()) std::abort();
    if (skipped.held != -1) std::abort();
    for (const MosaicPiece& p : skipped.pieces)
      if (p.placedBySkip) {
        bool onAPlace = false;
        for (const MosaicSlot& s : skipped.slots) onAPlace = onAPlace || (s.position == p.bounds && s.type == p.type);
        if (!onAPlace) std::abort();
      }
    CheckDepths(skipped);
  }
  bool won = false;
  int updates = 0;
  for (;;) {
    MosaicBoard::EndStep step = skipped.Update(0.1f, -1, won, won, false);
    if (step == MosaicBoard::EndStep::kStartClosing) won = true;
    if (step == MosaicBoard::EndStep::kFinish) break;
    if (++updates > 200) std::abort();
  }
  return 0;
}
