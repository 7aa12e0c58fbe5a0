// The map path game's reader over any bytes, then its board: built from what
// was read, pressed on every cell centre and on every point, skipped, and
// stepped to its end. The grid, the points and every pin stay in range.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/minigames/mg02path.h"
#include "tests/fuzz/minigamefile_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MapPathFileData file;
  if (!ReadFuzzedMiniGameFile(data, size, &ReadMapPathFile, &file)) return 0;
  if (file.textStyles.size() < 2 || file.points.size() > size_t(kMaxMapPoints)) std::abort();
  if (file.columns < 0 || file.columns > kMaxMapColumns || file.rows < 0 || file.rows > kMaxMapRows) std::abort();
  for (const MapPathPointData& p : file.points)
    if (p.column < 0 || p.column >= file.columns || p.row < 0 || p.row >= file.rows) std::abort();

  MapPathBoard board;
  board.Build(file, 3);
  if (board.cells.size() != size_t(file.columns) * size_t(file.rows)) std::abort();
  // Every cell (a few thousand at most are pressed), then every point's cell.
  size_t pressed = 0;
  for (const MapCell& cell : board.cells) {
    if (++pressed > 4096) break;
    TPoint c = cell.Centre();
    board.Press(c.x, c.y);
  }
  for (const MapPoint& p : board.points) {
    const MapCell& cell = board.cells[size_t(board.CellIndex(p))];
    board.Press(cell.left, cell.top);
    if (board.WrongPins().size() > 1) std::abort();
  }
  board.Skip();
  for (const MapPoint& p : board.points) {
    if (!p.reached || board.cells[size_t(board.CellIndex(p))].empty) std::abort();
    PathSectionRun run = LayPathSections(float(p.left), float(p.top), float(p.right), float(p.bottom), 7);
    if (run.corners.size() > 100000) std::abort();
  }
  board.CheckSolved();
  if (!board.solved || !board.WrongPins().empty()) std::abort();
  int updates = 0;
  while (board.StepEnd(false, false) != MapPathBoard::EndStep::kStartClosing)
    if (++updates > 10) std::abort();
  if (board.StepEnd(true, true) != MapPathBoard::EndStep::kFinish) std::abort();
  return 0;
}
