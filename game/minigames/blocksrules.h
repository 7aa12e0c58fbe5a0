// The blocks game's board without a window: its records (kinds, cells,
// movable blocks), the reader of its own part of "assets/minigame1_<n>.xml",
// the row and column rule, and the solver behind "skip".
//
// The board has N x N cells for N kinds (cell index = N * row + col; a file
// has N = 4). A kind may stand at most once in every row and every column;
// the pre-filled cells of the file hold one kind each and never change, the
// player carries the movable blocks (4 of each kind, less the pre-filled
// ones) into the other cells. docs/minigames.md describes the file.
//
// Depends on platform/ (strings, geometry, random numbers) and TinyXML.
#pragma once
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/string.h"

class TiXmlDocument;
class TRandom;
class TTexture;

// A file has four kinds of block on a 4 x 4 board, and four blocks of each
// kind (the pre-filled ones included).
constexpr int kBlockKinds = 4;
constexpr int kBlocksPerKind = 4;
// The widest board the solver takes (its tests try other sizes).
constexpr int kMaxSolverKinds = 8;

// One kind of block: its pictures on the board, on the board while it breaks
// the rule, and in the tray.
struct BlockType {
  boost::shared_ptr<TTexture> img, incorrectImg, preview;
};

// One cell of the board.
struct BlockCell {
  int col = 0, row = 0;
  int type = -1;           // the kind standing in it; -1 when empty
  int piece = -1;          // the movable block lying in it; -1 when none
  bool playerCell = true;  // false: filled by the file, never changes
};

// One movable block.
struct BlockPiece {
  TVec2 pos;         // top-left corner where it is drawn
  TVec2 slideStart;  // its position when the final slide began
  int type = 0;
  bool visible = true;
  bool correct = false;
  bool inTray = true;
  int z = 0;              // drawing order, 0 first
  float shakeTime = 0;    // seconds
  int state = 1;          // 0 shaking, 1 resting
  TVec2 shakeBase;        // where it shakes about
};

// The solver's record of one cell: the kinds that may still stand there.
struct BlockCandidates {
  int col = 0, row = 0;
  std::vector<int> candidates;
};

// --- The file ---
struct BlocksTypeNames {
  TString img, incorrectImg, preview;
};
struct BlocksPrefill {
  int x = 0, y = 0, type = 0;
};
// The window's pass over the file, before any picture is loaded.
struct BlocksFileData {
  int startMessageNum = -1;
  int finMessageNum = 1;
  TVec2 boardOrigin;          // "bigBlockPos"
  float blockDx = 0, blockDy = 0;
  std::vector<BlocksTypeNames> types;
  std::vector<BlocksPrefill> blocks;
};

// Reads "Common" ("startMessageNum", "finMessageNum", "bigBlockPos",
// "block_dx", "block_dy"), "BlocksType" and "Blocks" under the root. Refuses
// (false, the reason in *why, *out unusable) a document without a root,
// "Common", "BlocksType" or "Blocks"; with other than kBlockKinds kinds;
// a "Type" without one of its three pictures; a "Block"
// whose "x", "y" or "type" is missing or outside the board or the kinds, or
// two on one cell. Pre-filled cells that break the rule, and a board that
// cannot be completed, are taken: they play, and skip ends them.
bool ReadBlocksDocument(const TiXmlDocument& doc, BlocksFileData* out, TString* why);

// The cells of an N x N board with the file's pre-filled cells (the data
// must have passed ReadBlocksDocument).
std::vector<BlockCell> MakeBlockCells(const BlocksFileData& data);
// The movable blocks' kinds, kind by kind: kBlocksPerKind of each less the
// pre-filled ones, none of a kind pre-filled kBlocksPerKind times or more.
// Only a board whose pre-filled cells break the rule can leave more blocks
// than free cells.
std::vector<int> MovableBlockKinds(const std::vector<BlockCell>& cells, int kinds);

// --- The rule ---
// Whether the kind in cell `index` stands nowhere else in its row and column
// (pre-filled cells count). An empty cell is right.
bool BlockCellIsRight(const std::vector<BlockCell>& cells, int kinds, int index);
// Whether every cell holds a kind and every one is right.
bool BoardIsComplete(const std::vector<BlockCell>& cells, int kinds);

// --- The solver ---
// One record per cell: a pre-filled cell's own kind; a player cell's kinds,
// in increasing order, that no pre-filled cell of its row or column holds.
std::vector<BlockCandidates> InitialCandidates(const std::vector<BlockCell>& cells, int kinds);
// One pass: elimination of lone candidates from their rows and columns
// (the count of removed candidates); when that removes nothing, one guess
// (a random candidate of a record whose row or column peers with as many
// candidates have the same list is removed: 1); else 0. A record never loses
// its last candidate. *guessed (may be null) tells whether the pass guessed.
int SolveBlocksStep(std::vector<BlockCandidates>& records, int kinds, TRandom& random, bool* guessed = nullptr);
// Whether every record has exactly one candidate and no kind repeats in a
// row or column.
bool CandidatesAreSolution(const std::vector<BlockCandidates>& records, int kinds);
// A complete filling by exhaustive search (the emptiest cell first), within
// `budget` tried placements; false when there is none or the budget ran out.
bool SearchBlocksSolution(const std::vector<BlockCell>& cells, int kinds, std::vector<int>* kindPerCell,
                          long budget = 200000);
// The filling "skip" shows: the candidate passes repeated until they change
// nothing; a result that is not a solution is tried again from the start
// (the guesses are random), and after `attempts` tries the search above
// decides. *kindPerCell gets one kind per cell; *guessed (may be null)
// whether a guess was needed. False for a board that has no completion:
// *kindPerCell then holds the passes' own filling (each cell's first
// candidate left, -1 where none is left), which breaks the rule.
bool SolveBlocks(const std::vector<BlockCell>& cells, int kinds, TRandom& random, std::vector<int>* kindPerCell,
                 bool* guessed = nullptr, int attempts = 16);

// --- Drawing order ---
// Moves piece `which` from its place in the drawing order to `to`; the
// others close up, so the z values stay a permutation of 0..n-1.
void MoveBlockInDrawOrder(std::vector<BlockPiece>& pieces, int which, int to);
