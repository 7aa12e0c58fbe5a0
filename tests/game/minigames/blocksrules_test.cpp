// The blocks game's board without a window: the file reader's refusals, the
// row and column rule, the solver on the demo levels and on generated boards,
// and the drawing order.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "game/minigames/blocksrules.h"
#include "platform/random.h"
#include "platform/xml.h"
#include "tests/support/testsupport.h"

namespace {

std::string Types(int n) {
  std::string xml = "<BlocksType>";
  for (int k = 0; k < n; ++k) {
    std::string s = std::to_string(k);
    xml += "<Type img=\"b" + s + "\" incorrectimg=\"b" + s + "_bad\" preview=\"b" + s + "_s\"/>";
  }
  return xml + "</BlocksType>";
}

std::string File(const std::string& blocks, int kinds = 4, const std::string& common = "") {
  return "<MiniGame1><Common bigBlockPos=\"312, 120\" block_dx=\"16\" block_dy=\"12\" " + common + "/>" +
         Types(kinds) + "<Blocks>" + blocks + "</Blocks></MiniGame1>";
}

// The demo puzzle's ten pre-filled cells.
const char* kDemoBlocks =
    "<Block x=\"2\" y=\"0\" type=\"2\"/><Block x=\"3\" y=\"0\" type=\"3\"/>"
    "<Block x=\"2\" y=\"1\" type=\"3\"/><Block x=\"3\" y=\"1\" type=\"0\"/>"
    "<Block x=\"0\" y=\"2\" type=\"2\"/><Block x=\"1\" y=\"2\" type=\"3\"/><Block x=\"3\" y=\"2\" type=\"1\"/>"
    "<Block x=\"0\" y=\"3\" type=\"3\"/><Block x=\"1\" y=\"3\" type=\"0\"/><Block x=\"2\" y=\"3\" type=\"1\"/>";

bool Read(const std::string& text, BlocksFileData* data, TString* why) {
  TiXmlDocument doc;
  ParseXmlDocument(doc, text, "test");
  return ReadBlocksDocument(doc, data, why);
}

BlocksFileData ReadOk(const std::string& text) {
  BlocksFileData data;
  TString why;
  EXPECT_TRUE(Read(text, &data, &why)) << why.c_str();
  return data;
}

// Every player cell holds a kind, pre-filled cells kept, no kind twice in a line.
void ExpectValidFilling(const std::vector<BlockCell>& cells, int n, const std::vector<int>& filling) {
  ASSERT_EQ(filling.size(), cells.size());
  std::vector<BlockCell> done = cells;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (!cells[i].playerCell) {
      EXPECT_EQ(filling[i], cells[i].type) << i;
    }
    done[i].type = filling[i];
  }
  EXPECT_TRUE(BoardIsComplete(done, n));
}

// A random n x n board: a shuffled Latin square with `keep` cells left.
std::vector<BlockCell> Generated(int n, int keep, TRandom& random) {
  const size_t count = static_cast<size_t>(n);
  std::vector<int> rows(count), cols(count), kinds(count);
  std::iota(rows.begin(), rows.end(), 0);
  std::iota(cols.begin(), cols.end(), 0);
  std::iota(kinds.begin(), kinds.end(), 0);
  auto shuffle = [&](std::vector<int>& v) {
    for (int i = n - 1; i > 0; --i) std::swap(v[size_t(i)], v[size_t(random.Range(0, i))]);
  };
  shuffle(rows);
  shuffle(cols);
  shuffle(kinds);
  std::vector<int> order(count * count);
  std::iota(order.begin(), order.end(), 0);
  shuffle(order);
  BlocksFileData data;
  data.types.resize(size_t(n));
  for (int i = 0; i < keep; ++i) {
    int cell = order[size_t(i)], row = cell / n, col = cell % n;
    data.blocks.push_back({col, row, kinds[size_t((rows[size_t(row)] + cols[size_t(col)]) % n)]});
  }
  return MakeBlockCells(data);
}

std::vector<BlockCell> DemoCells() { return MakeBlockCells(ReadOk(File(kDemoBlocks))); }

}  // namespace

TEST(BlocksFile, ReadsTheDemoPuzzle) {
  BlocksFileData data = ReadOk(File(kDemoBlocks, 4, "startMessageNum=\"2\""));
  EXPECT_EQ(data.startMessageNum, 2);
  EXPECT_EQ(data.finMessageNum, 1);  // the game's default
  EXPECT_EQ(data.boardOrigin, TVec2(312, 120));
  EXPECT_EQ(data.blockDx, 16.0f);
  EXPECT_EQ(data.blockDy, 12.0f);
  ASSERT_EQ(data.types.size(), 4u);
  EXPECT_EQ(data.types[3].preview, TString("b3_s"));
  EXPECT_EQ(data.blocks.size(), 10u);

  std::vector<BlockCell> cells = MakeBlockCells(data);
  ASSERT_EQ(cells.size(), 16u);
  EXPECT_EQ(cells[4 * 2 + 3].type, 1);  // x 3, y 2
  EXPECT_FALSE(cells[4 * 2 + 3].playerCell);
  EXPECT_EQ(cells[4 * 2 + 2].col, 2);
  EXPECT_EQ(cells[4 * 2 + 2].row, 2);
  EXPECT_TRUE(cells[4 * 2 + 2].playerCell);
  // Four of each kind less the pre-filled ones, kind by kind.
  EXPECT_EQ(MovableBlockKinds(cells, 4), (std::vector<int>{0, 0, 1, 1, 2, 2}));
  // Five of kind 3 pre-filled (the board breaks the rule and still plays):
  // none of kind 3, the others' counts as they were: six blocks for the
  // five cells left.
  cells[4 * 2 + 2].type = 3;
  cells[4 * 2 + 2].playerCell = false;
  int kind3 = 0, free = 0;
  for (const BlockCell& cell : cells) {
    kind3 += !cell.playerCell && cell.type == 3;
    free += cell.playerCell;
  }
  ASSERT_EQ(kind3, 5);
  ASSERT_EQ(free, 5);
  EXPECT_EQ(MovableBlockKinds(cells, 4), (std::vector<int>{0, 0, 1, 1, 2, 2}));
}

TEST(BlocksFile, RefusesBrokenFilesWithTheReason) {
  struct Case {
    std::string text, reason;
  };
  const Case cases[] = {
      {"<MiniGame1/>", "no \"Common\""},
      {"<MiniGame1><Common/>" + Types(4) + "</MiniGame1>", "no \"Blocks\""},
      {"<MiniGame1><Common/><Blocks/></MiniGame1>", "no \"BlocksType\""},
      {"<MiniGame1><Common/><BlocksType/><Blocks/></MiniGame1>", "no \"Type\""},
      {File("", 9), "more than 4 kinds of block"},
      {File("<Block x=\"0\" y=\"0\" type=\"4\"/>", 5), "more than 4 kinds of block; the board takes 4"},
      {File("", 3), "it has 3 kinds of block; the board takes 4"},
      {File("<Block x=\"0\" y=\"0\" type=\"0\"/>", 1), "it has 1 kind of block"},
      {"<MiniGame1><Common/><BlocksType><Type img=\"a\" incorrectimg=\"b\"/></BlocksType><Blocks/></MiniGame1>",
       "lacks one of"},
      {File("<Block x=\"4\" y=\"0\" type=\"0\"/>"), "outside the 4 x 4 board"},
      {File("<Block x=\"0\" y=\"-1\" type=\"0\"/>"), "outside"},
      {File("<Block x=\"0\" y=\"0\" type=\"4\"/>"), "names no kind"},
      {File("<Block x=\"0\" type=\"0\"/>"), "outside"},
      {File("<Block x=\"one\" y=\"0\" type=\"0\"/>"), "whole numbers"},
      {File("<Block x=\"0\" y=\"0\" type=\"0\"/><Block x=\"0\" y=\"0\" type=\"1\"/>"), "two \"Block\""},
  };
  // Pre-filled cells that break the rule, or a board without completion,
  // are read: such a game plays (and skip ends it).
  for (const std::string& text :
       {File("<Block x=\"0\" y=\"0\" type=\"1\"/><Block x=\"3\" y=\"0\" type=\"1\"/>"),
        File("<Block x=\"2\" y=\"0\" type=\"1\"/><Block x=\"2\" y=\"3\" type=\"1\"/>"),
        // (2, 0) and (3, 0) can only hold kind 2.
        File("<Block x=\"0\" y=\"0\" type=\"0\"/><Block x=\"1\" y=\"0\" type=\"1\"/>"
             "<Block x=\"2\" y=\"1\" type=\"3\"/><Block x=\"3\" y=\"2\" type=\"3\"/>")}) {
    BlocksFileData data;
    TString why;
    EXPECT_TRUE(Read(text, &data, &why)) << why.c_str() << " / " << text;
  }
  // A number is read as far as it is whole, whatever follows it.
  {
    BlocksFileData data;
    TString why;
    ASSERT_TRUE(Read(File("<Block x=\"1.5\" y=\" 2x\" type=\"3\"/>"), &data, &why)) << why.c_str();
    ASSERT_EQ(data.blocks.size(), 1u);
    EXPECT_EQ(data.blocks[0].x, 1);
    EXPECT_EQ(data.blocks[0].y, 2);
  }
  for (const Case& c : cases) {
    BlocksFileData data;
    TString why;
    EXPECT_FALSE(Read(c.text, &data, &why)) << c.text;
    EXPECT_NE(why.str().find(c.reason), std::string::npos) << why.c_str() << " / " << c.text;
  }
  TiXmlDocument empty;
  BlocksFileData data;
  TString why;
  EXPECT_FALSE(ReadBlocksDocument(empty, &data, &why));
  EXPECT_EQ(why, TString("it has no root element"));
}

TEST(BlocksRule, AKindTwiceInALineIsWrongForBothCells) {
  std::vector<BlockCell> cells = DemoCells();
  cells[0].type = 1;  // (0, 0) with a fish: none in row 0 or column 0 yet
  EXPECT_TRUE(BlockCellIsRight(cells, 4, 0));
  cells[1].type = 1;  // a second fish in row 0
  EXPECT_FALSE(BlockCellIsRight(cells, 4, 0));
  EXPECT_FALSE(BlockCellIsRight(cells, 4, 1));
  cells[1].type = 2;  // row 0 already has kind 2 (pre-filled at x 2)
  EXPECT_TRUE(BlockCellIsRight(cells, 4, 0));
  EXPECT_FALSE(BlockCellIsRight(cells, 4, 1));
  EXPECT_FALSE(BlockCellIsRight(cells, 4, 2));  // the pre-filled one counts as broken too
  cells[1].type = 1;
  cells[4].type = 1;  // (0, 1) with a fish: column 0 has one at (0, 0)
  EXPECT_FALSE(BlockCellIsRight(cells, 4, 4));
  EXPECT_TRUE(BlockCellIsRight(cells, 4, 5));  // an empty cell is right
  EXPECT_FALSE(BoardIsComplete(cells, 4));
}

TEST(BlocksSolver, TheDemoPuzzleIsFilledByEliminationTheSameWayEveryTime) {
  const std::vector<int> known = {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1, 3, 0, 1, 2};
  for (uint32_t seed : {1u, 2u, 99u}) {
    TRandom random(seed);
    std::vector<int> filling;
    bool guessed = true;
    ASSERT_TRUE(SolveBlocks(DemoCells(), 4, random, &filling, &guessed));
    EXPECT_FALSE(guessed);
    EXPECT_EQ(filling, known);
  }
  // The passes themselves: only eliminations, then nothing more to do.
  std::vector<BlockCandidates> records = InitialCandidates(DemoCells(), 4);
  EXPECT_EQ(records[0].candidates, (std::vector<int>{0, 1}));  // row 0 holds 2, 3; column 0 holds 2, 3
  TRandom random;
  bool guess = false;
  int passes = 0;
  while (SolveBlocksStep(records, 4, random, &guess) > 0) {
    EXPECT_FALSE(guess);
    ++passes;
  }
  EXPECT_GE(passes, 1);
  EXPECT_TRUE(CandidatesAreSolution(records, 4));
}

TEST(BlocksSolver, SolvesBothDemoLevels) {
  for (const char* name : {"assets/minigame1_1.xml", "assets/minigame1_2.xml"}) {
    std::string text = testing_support::ReadFile(testing_support::SourceDir() + "/" + name);
    BlocksFileData data = ReadOk(text);
    const int n = int(data.types.size());
    std::vector<BlockCell> cells = MakeBlockCells(data);
    for (uint32_t seed = 1; seed <= 20; ++seed) {
      TRandom random(seed);
      std::vector<int> filling;
      ASSERT_TRUE(SolveBlocks(cells, n, random, &filling)) << name;
      ExpectValidFilling(cells, n, filling);
    }
  }
}

TEST(BlocksSolver, SolvesGeneratedBoardsAndNeverReturnsABrokenFilling) {
  TRandom random(20261207);
  int brokenByThePassesAlone = 0, boards = 0;
  for (int n = 2; n <= 7; ++n) {
    for (int round = 0; round < 30; ++round) {
      const int keep = random.Range(0, n * n / 2);
      std::vector<BlockCell> cells = Generated(n, keep, random);
      std::vector<int> filling;
      ASSERT_TRUE(SolveBlocks(cells, n, random, &filling)) << n << " " << keep;
      ExpectValidFilling(cells, n, filling);
      ++boards;
      // The candidate passes alone (one attempt, as the game once did).
      std::vector<BlockCandidates> records = InitialCandidates(cells, n);
      while (SolveBlocksStep(records, n, random) > 0) {
      }
      if (!CandidatesAreSolution(records, n)) ++brokenByThePassesAlone;
    }
  }
  EXPECT_EQ(boards, 180);
  // The guesses do go wrong now and then: the check above is needed.
  EXPECT_GT(brokenByThePassesAlone, 0);
}

TEST(BlocksSolver, AGuessOnAnEmptyBoardRemovesOneCandidateAndEnds) {
  BlocksFileData data;
  data.types.resize(3);
  std::vector<BlockCandidates> records = InitialCandidates(MakeBlockCells(data), 3);
  for (const BlockCandidates& r : records) EXPECT_EQ(r.candidates.size(), 3u);
  TRandom random(5);
  bool guess = false;
  EXPECT_EQ(SolveBlocksStep(records, 3, random, &guess), 1);
  EXPECT_TRUE(guess);
  EXPECT_EQ(records[0].candidates.size(), 2u);  // the first record is the one guessed on
  int passes = 0;
  while (SolveBlocksStep(records, 3, random) > 0) ASSERT_LT(++passes, 27 * 3);
  for (const BlockCandidates& r : records) EXPECT_GE(r.candidates.size(), 1u);  // never the last candidate
}

TEST(BlocksSolver, SpotsAFillingThatBreaksTheRule) {
  BlocksFileData data;
  data.types.resize(2);
  std::vector<BlockCandidates> records = InitialCandidates(MakeBlockCells(data), 2);
  for (BlockCandidates& r : records) r.candidates = {0};
  EXPECT_FALSE(CandidatesAreSolution(records, 2));
  records[1].candidates = {1};
  records[2].candidates = {1};
  EXPECT_TRUE(CandidatesAreSolution(records, 2));
  records[3].candidates = {0, 1};
  EXPECT_FALSE(CandidatesAreSolution(records, 2));
  std::vector<int> none;
  EXPECT_FALSE(SearchBlocksSolution(MakeBlockCells(data), 2, &none, 0));  // no budget: no answer
}

TEST(BlocksDrawOrder, MovesKeepThePermutation) {
  std::vector<BlockPiece> pieces(6);
  for (int i = 0; i < 6; ++i) pieces[size_t(i)].z = i;
  MoveBlockInDrawOrder(pieces, 1, 5);
  EXPECT_EQ(pieces[1].z, 5);
  EXPECT_EQ(pieces[2].z, 1);
  EXPECT_EQ(pieces[5].z, 4);
  EXPECT_EQ(pieces[0].z, 0);
  MoveBlockInDrawOrder(pieces, 4, 0);  // z 3 to the bottom
  EXPECT_EQ(pieces[4].z, 0);
  EXPECT_EQ(pieces[0].z, 1);
  TRandom random(3);
  for (int i = 0; i < 200; ++i) MoveBlockInDrawOrder(pieces, random.Range(0, 5), random.Range(-2, 8));
  std::set<int> z;
  for (const BlockPiece& p : pieces) z.insert(p.z);
  EXPECT_EQ(z, (std::set<int>{0, 1, 2, 3, 4, 5}));
}
