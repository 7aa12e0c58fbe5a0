// The mini-game files' readers over any bytes: the XML layer, then the shared
// part (caption style, positions, the wait) and the blocks game's own part
// (kinds, pre-filled cells, the rule, a completion); what they accept is
// checked here, and an accepted board is solved the way "skip" does (one
// with no completion leaves a filling that breaks the rule).
#include <tinyxml.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/minigames/blocksrules.h"
#include "game/minigames/mgresources.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/xml.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool InRange(float v) { return std::isfinite(v) && std::fabs(v) <= kMGLargestNumber; }

void CheckStyle(const MGTextStyle& style) {
  const int h = style.align % 4, v = style.align / 4;
  Check(style.align >= 0 && h <= 2 && v <= 2);
  Check(style.width >= 0 && style.width <= 4096 && style.height >= 0 && style.height <= 4096);
  Check(style.fh >= 1 && style.fh <= 512);
  for (float c : {style.color.r, style.color.g, style.color.b, style.color.a}) Check(c >= 0 && c <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TLogCapture quiet;
  quiet.Clear();
  const std::string text(reinterpret_cast<const char*>(data), size);
  TiXmlDocument doc;
  if (!ParseXmlDocument(doc, text, "fuzz")) return 0;

  MGCommonData common;
  TString why;
  if (ReadMGCommonDocument(doc, &common, &why)) {
    CheckStyle(common.textStyle);
    Check(InRange(common.textPos.x) && InRange(common.textPos.y));
    Check(InRange(common.previewPos.x) && InRange(common.previewPos.y));
    Check(std::isfinite(common.textAngle) && common.winCounter >= 0 && common.winCounter <= 3600);
  } else {
    Check(!why.IsEmpty());
  }
  if (const TiXmlElement* root = doc.RootElement()) {
    for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) CheckStyle(ReadMGTextStyle(e));
  }

  BlocksFileData blocks;
  why = TString();
  if (!ReadBlocksDocument(doc, &blocks, &why)) {
    Check(!why.IsEmpty());
    return 0;
  }
  const int n = int(blocks.types.size());
  Check(n == kBlockKinds);
  Check(InRange(blocks.boardOrigin.x) && InRange(blocks.boardOrigin.y) && InRange(blocks.blockDx) &&
        InRange(blocks.blockDy));
  std::vector<bool> used(size_t(n * n), false);
  for (const BlocksPrefill& b : blocks.blocks) {
    Check(b.x >= 0 && b.x < n && b.y >= 0 && b.y < n && b.type >= 0 && b.type < n);
    Check(!used[size_t(b.y * n + b.x)]);
    used[size_t(b.y * n + b.x)] = true;
  }
  std::vector<BlockCell> cells = MakeBlockCells(blocks);
  // The tray: four of each kind less its pre-filled ones, none below zero.
  // A kind pre-filled five times or more (a board that breaks the rule)
  // leaves more blocks than free cells.
  std::vector<int> left(size_t(n), kBlocksPerKind);
  for (const BlocksPrefill& b : blocks.blocks) --left[size_t(b.type)];
  std::vector<int> tray;
  for (int k = 0; k < n; ++k)
    for (int i = 0; i < left[size_t(k)]; ++i) tray.push_back(k);
  Check(MovableBlockKinds(cells, n) == tray);
  TRandom random(static_cast<uint32_t>(size));
  std::vector<int> filling;
  if (!SolveBlocks(cells, n, random, &filling)) {
    // A board with no completion still plays (skip ends it): the filling
    // shown then holds a kind, or -1, for every cell.
    Check(filling.size() == cells.size());
    for (int kind : filling) Check(kind >= -1 && kind < n);
    return 0;
  }
  for (size_t i = 0; i < cells.size(); ++i) cells[i].type = filling[i];
  Check(BoardIsComplete(cells, n));
  return 0;
}
