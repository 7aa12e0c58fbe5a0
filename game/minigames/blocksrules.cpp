#include "game/minigames/blocksrules.h"

#include <tinyxml.h>

#include <algorithm>
#include <climits>

#include "game/minigames/mgresources.h"
#include "platform/random.h"

namespace {

// A whole-number attribute that must be there and lie in [lo, hi].
bool RequiredIndex(const TiXmlElement* element, const char* name, int lo, int hi, int* out) {
  int value = INT_MIN;
  if (!ReadMGInt(element, name, &value, INT_MIN, INT_MAX)) return false;
  if (value < lo || value > hi) return false;
  *out = value;
  return true;
}

// Exhaustive completion of a board, the cell with the fewest kinds allowed
// first; the kinds used in each row and column are kept as bit masks.
class TSearch {
public:
  TSearch(int kinds, long budget) : n_(kinds), budget_(budget), rows_(size_t(kinds), 0u), cols_(size_t(kinds), 0u) {}

  bool Run(std::vector<int>& grid) {
    for (int i = 0; i < n_ * n_; ++i) {
      const int kind = grid[size_t(i)];
      if (kind < 0) continue;
      if (kind >= n_) return false;
      const unsigned bit = 1u << kind;
      if ((rows_[size_t(i / n_)] | cols_[size_t(i % n_)]) & bit) return false;
      rows_[size_t(i / n_)] |= bit;
      cols_[size_t(i % n_)] |= bit;
    }
    return Fill(grid);
  }

private:
  unsigned Free(int index) const {
    const unsigned all = (1u << n_) - 1u;
    return all & ~(rows_[size_t(index / n_)] | cols_[size_t(index % n_)]);
  }

  static int Count(unsigned bits) {
    int c = 0;
    for (; bits; bits &= bits - 1) ++c;
    return c;
  }

  bool Fill(std::vector<int>& grid) {
    int cell = -1, fewest = INT_MAX;
    for (int i = 0; i < n_ * n_ && fewest > 0; ++i) {
      if (grid[size_t(i)] != -1) continue;
      const int count = Count(Free(i));
      if (count < fewest) {
        cell = i;
        fewest = count;
      }
    }
    if (cell < 0) return true;
    const unsigned options = Free(cell);
    for (int kind = 0; kind < n_; ++kind) {
      const unsigned bit = 1u << kind;
      if (!(options & bit)) continue;
      if (--budget_ < 0) return false;
      grid[size_t(cell)] = kind;
      rows_[size_t(cell / n_)] |= bit;
      cols_[size_t(cell % n_)] |= bit;
      if (Fill(grid)) return true;
      rows_[size_t(cell / n_)] &= ~bit;
      cols_[size_t(cell % n_)] &= ~bit;
      grid[size_t(cell)] = -1;
      if (budget_ < 0) return false;
    }
    return false;
  }

  int n_;
  long budget_;
  std::vector<unsigned> rows_, cols_;
};

// The pre-filled cells' kinds, -1 elsewhere.
std::vector<int> FixedGrid(const std::vector<BlockCell>& cells) {
  std::vector<int> grid(cells.size(), -1);
  for (size_t i = 0; i < cells.size(); ++i)
    if (!cells[i].playerCell) grid[i] = cells[i].type;
  return grid;
}

// Removes every occurrence of `kind` from the record unless it is its last candidate.
int RemoveFrom(BlockCandidates& record, int kind) {
  if (record.candidates.size() <= 1) return 0;
  auto& list = record.candidates;
  size_t before = list.size();
  list.erase(std::remove(list.begin(), list.end(), kind), list.end());
  return int(before - list.size());
}

// Whether every record of the line with as many candidates as `r` has the same list.
bool LineAllowsGuess(const std::vector<BlockCandidates>& records, const BlockCandidates& r, bool row, int n) {
  for (int k = 0; k < n; ++k) {
    const BlockCandidates& other = records[size_t(row ? n * r.row + k : n * k + r.col)];
    if (other.candidates.size() == r.candidates.size() && other.candidates != r.candidates) return false;
  }
  return true;
}

}  // namespace

bool ReadBlocksDocument(const TiXmlDocument& doc, BlocksFileData* out, TString* why) {
  *out = BlocksFileData();
  const TiXmlElement* root = doc.RootElement();
  if (!root) {
    *why = "it has no root element";
    return false;
  }
  const TiXmlElement* common = root->FirstChildElement("Common");
  if (!common) {
    *why = "it has no \"Common\" element";
    return false;
  }
  ReadMGInt(common, "startMessageNum", &out->startMessageNum, -1, 1000000);
  ReadMGInt(common, "finMessageNum", &out->finMessageNum, -1, 1000000);
  ReadMGVec2(common, "bigBlockPos", &out->boardOrigin);
  int dx = 0, dy = 0;
  ReadMGInt(common, "block_dx", &dx, -int(kMGLargestNumber), int(kMGLargestNumber));
  ReadMGInt(common, "block_dy", &dy, -int(kMGLargestNumber), int(kMGLargestNumber));
  out->blockDx = float(dx);
  out->blockDy = float(dy);

  const TiXmlElement* kinds = root->FirstChildElement("BlocksType");
  if (!kinds) {
    *why = "it has no \"BlocksType\" element";
    return false;
  }
  for (const TiXmlElement* type = kinds->FirstChildElement("Type"); type; type = type->NextSiblingElement("Type")) {
    if (out->types.size() >= size_t(kBlockKinds)) {
      *why = TString::Printf("it has more than %d kinds of block; the board takes %d", kBlockKinds, kBlockKinds);
      return false;
    }
    BlocksTypeNames names{ReadMGText(type, "img"), ReadMGText(type, "incorrectimg"), ReadMGText(type, "preview")};
    if (names.img.IsEmpty() || names.incorrectImg.IsEmpty() || names.preview.IsEmpty()) {
      *why = TString::Printf("kind %zu lacks one of \"img\", \"incorrectimg\" and \"preview\"", out->types.size());
      return false;
    }
    out->types.push_back(names);
  }
  const int n = int(out->types.size());
  if (n == 0) {
    *why = "\"BlocksType\" has no \"Type\"";
    return false;
  }
  if (n != kBlockKinds) {
    *why = TString::Printf("it has %d kind%s of block; the board takes %d", n, n == 1 ? "" : "s", kBlockKinds);
    return false;
  }

  const TiXmlElement* blocks = root->FirstChildElement("Blocks");
  if (!blocks) {
    *why = "it has no \"Blocks\" element";
    return false;
  }
  std::vector<int> grid(size_t(n * n), -1);
  int index = 0;
  for (const TiXmlElement* block = blocks->FirstChildElement("Block"); block;
       block = block->NextSiblingElement("Block"), ++index) {
    BlocksPrefill cell;
    if (!RequiredIndex(block, "x", 0, n - 1, &cell.x) || !RequiredIndex(block, "y", 0, n - 1, &cell.y) ||
        !RequiredIndex(block, "type", 0, n - 1, &cell.type)) {
      *why = TString::Printf("\"Block\" %d lies outside the %d x %d board or names no kind of the %d (x, y and type "
                             "must be whole numbers from 0 to %d)",
                             index, n, n, n, n - 1);
      return false;
    }
    int& slot = grid[size_t(cell.y * n + cell.x)];
    if (slot != -1) {
      *why = TString::Printf("two \"Block\" elements fill the cell x %d, y %d", cell.x, cell.y);
      return false;
    }
    slot = cell.type;
    out->blocks.push_back(cell);
  }

  // Pre-filled cells that break the rule, or a board with no completion,
  // play all the same: skip ends such a game.
  return true;
}

std::vector<BlockCell> MakeBlockCells(const BlocksFileData& data) {
  const int n = int(data.types.size());
  std::vector<BlockCell> cells(size_t(n * n));
  for (int col = 0; col < n; ++col)
    for (int row = 0; row < n; ++row) {
      BlockCell& cell = cells[size_t(n * row + col)];
      cell.col = col;
      cell.row = row;
    }
  for (const BlocksPrefill& block : data.blocks) {
    if (block.x < 0 || block.x >= n || block.y < 0 || block.y >= n) continue;
    BlockCell& cell = cells[size_t(n * block.y + block.x)];
    cell.type = block.type;
    cell.playerCell = false;
  }
  return cells;
}

std::vector<int> MovableBlockKinds(const std::vector<BlockCell>& cells, int kinds) {
  // A kind pre-filled more than kBlocksPerKind times has no movable block; it
  // takes none from the other kinds, so such a board (it breaks the rule)
  // leaves the tray more blocks than free cells, and skip ends it.
  std::vector<int> count(size_t(std::max(0, kinds)), kBlocksPerKind);
  for (const BlockCell& cell : cells)
    if (!cell.playerCell && cell.type >= 0 && cell.type < kinds) --count[size_t(cell.type)];
  std::vector<int> out;
  for (int k = 0; k < kinds; ++k)
    for (int i = 0; i < count[size_t(k)]; ++i) out.push_back(k);
  return out;
}

bool BlockCellIsRight(const std::vector<BlockCell>& cells, int kinds, int index) {
  const BlockCell& cell = cells[size_t(index)];
  if (cell.type < 0) return true;
  for (int k = 0; k < kinds; ++k) {
    if (k != cell.col && cells[size_t(kinds * cell.row + k)].type == cell.type) return false;
    if (k != cell.row && cells[size_t(kinds * k + cell.col)].type == cell.type) return false;
  }
  return true;
}

bool BoardIsComplete(const std::vector<BlockCell>& cells, int kinds) {
  for (int i = 0; i < int(cells.size()); ++i)
    if (cells[size_t(i)].type < 0 || !BlockCellIsRight(cells, kinds, i)) return false;
  return true;
}

std::vector<BlockCandidates> InitialCandidates(const std::vector<BlockCell>& cells, int kinds) {
  std::vector<BlockCandidates> records(cells.size());
  const std::vector<int> fixed = FixedGrid(cells);
  for (size_t i = 0; i < cells.size(); ++i) {
    BlockCandidates& r = records[i];
    r.col = cells[i].col;
    r.row = cells[i].row;
    if (!cells[i].playerCell) {
      r.candidates = {cells[i].type};
      continue;
    }
    for (int kind = 0; kind < kinds; ++kind) {
      bool taken = false;
      for (int k = 0; k < kinds && !taken; ++k)
        taken = fixed[size_t(kinds * r.row + k)] == kind || fixed[size_t(kinds * k + r.col)] == kind;
      if (!taken) r.candidates.push_back(kind);
    }
  }
  return records;
}

int SolveBlocksStep(std::vector<BlockCandidates>& records, int kinds, TRandom& random, bool* guessed) {
  if (guessed) *guessed = false;
  int removed = 0;
  for (const BlockCandidates& r : records) {
    if (r.candidates.size() != 1) continue;
    const int v = r.candidates[0];
    for (int k = 0; k < kinds; ++k) removed += RemoveFrom(records[size_t(kinds * r.row + k)], v);
    for (int k = 0; k < kinds; ++k) removed += RemoveFrom(records[size_t(kinds * k + r.col)], v);
  }
  if (removed > 0) return removed;
  for (BlockCandidates& r : records) {
    if (r.candidates.size() <= 1) continue;
    if (LineAllowsGuess(records, r, true, kinds) || LineAllowsGuess(records, r, false, kinds)) {
      const int pick = random.Range(0, int(r.candidates.size()) - 1);
      r.candidates.erase(r.candidates.begin() + pick);
      if (guessed) *guessed = true;
      return 1;
    }
  }
  return 0;
}

bool CandidatesAreSolution(const std::vector<BlockCandidates>& records, int kinds) {
  if (int(records.size()) != kinds * kinds) return false;
  std::vector<BlockCell> cells(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].candidates.size() != 1) return false;
    cells[i].col = int(i) % kinds;
    cells[i].row = int(i) / kinds;
    cells[i].type = records[i].candidates[0];
  }
  return BoardIsComplete(cells, kinds);
}

bool SearchBlocksSolution(const std::vector<BlockCell>& cells, int kinds, std::vector<int>* kindPerCell, long budget) {
  if (kinds <= 0 || kinds > kMaxSolverKinds || int(cells.size()) != kinds * kinds) return false;
  std::vector<int> grid = FixedGrid(cells);
  TSearch search(kinds, budget);
  if (!search.Run(grid)) return false;
  *kindPerCell = grid;
  return true;
}

bool SolveBlocks(const std::vector<BlockCell>& cells, int kinds, TRandom& random, std::vector<int>* kindPerCell,
                 bool* guessed, int attempts) {
  if (guessed) *guessed = false;
  if (kinds <= 0 || int(cells.size()) != kinds * kinds) return false;
  std::vector<BlockCandidates> records;
  bool guessing = false;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    records = InitialCandidates(cells, kinds);
    bool guess = false;
    guessing = false;
    // Each pass removes at least one candidate, so the passes end.
    while (SolveBlocksStep(records, kinds, random, &guess) > 0) guessing = guessing || guess;
    if (CandidatesAreSolution(records, kinds)) {
      kindPerCell->clear();
      for (const BlockCandidates& r : records) kindPerCell->push_back(r.candidates[0]);
      if (guessed) *guessed = guessing;
      return true;
    }
    if (!guessing) break;  // elimination alone always ends the same way
  }
  if (guessed) *guessed = true;
  if (SearchBlocksSolution(cells, kinds, kindPerCell)) return true;
  // No completion: the passes' own filling, each cell's first candidate
  // left (-1 for a cell that has none: no kind may stand there).
  if (guessed) *guessed = guessing;
  kindPerCell->clear();
  for (const BlockCandidates& r : records) kindPerCell->push_back(r.candidates.empty() ? -1 : r.candidates[0]);
  return false;
}

void MoveBlockInDrawOrder(std::vector<BlockPiece>& pieces, int which, int to) {
  if (which < 0 || which >= int(pieces.size())) return;
  const int from = pieces[size_t(which)].z;
  to = std::max(0, std::min(int(pieces.size()) - 1, to));
  for (BlockPiece& piece : pieces) {
    if (to > from && piece.z > from && piece.z <= to) --piece.z;
    if (to < from && piece.z >= to && piece.z < from) ++piece.z;
  }
  pieces[size_t(which)].z = to;
}
