// The play screen's reader of level files "levels/<name>.xml" (docs/levels.md
// and docs/scene.md): the location's picture, sounds and photograph, its
// hidden objects with their pictures, places and coins, how many of them
// the player must find, and the level's particle decorations. The document
// stays with the result, so the story can read its own elements (such as
// "TutorScripts") from the same root.
//
// Every file is outside data: a missing, damaged, truncated or oversized
// file, or one with nothing to find, is refused with one log line naming the
// file and the reason; single bad items are skipped with a log line.
// Depends on platform/ and TinyXML.
#pragma once
#include <memory>
#include <vector>

#include "platform/geometry.h"
#include "platform/string.h"

class TiXmlDocument;
class TiXmlElement;

// One Pict/HotSpot/Item.
struct LevelItem {
  TString name;     // unique within the file
  TString picture;  // "img"
  TRect rect;       // "x,y,w,h" as left, top, right, bottom
  bool coin = false;
  int hotSpot = 0;  // index of its HotSpot
};

// One particle decoration: Level/Emitter name="fire" x="" y="" layer="".
struct LevelEmitter {
  TString name;
  float x = 0, y = 0;
  int layer = 0;  // 0 over the background, 1 over the objects
};

struct LevelData {
  LevelData();
  ~LevelData();
  LevelData(LevelData&&) noexcept;
  LevelData& operator=(LevelData&&) noexcept;

  TString background;  // "bkg"
  TString music, ambient;
  TString photo;       // "photo": the photograph the location earns (may be empty)
  std::vector<LevelItem> items;
  // How many items the player must find: the first `toFind` items in file
  // order form the list ("List@allnum"; all of them when absent, 0 or
  // more than there are).
  int toFind = 0;
  std::vector<LevelEmitter> emitters;
  std::unique_ptr<TiXmlDocument> document;

  const TiXmlElement* Root() const;
};

// Limits on what a level file may hold.
constexpr size_t kMaxLevelItems = 256;
constexpr size_t kMaxLevelEmitters = 32;
constexpr int kMaxLevelCoordinate = 100000;

// Reads a parsed level document. False, with `why` set, when it has no
// "Level" root, no background, no Pict or no item that can be found.
bool ReadLevelDocument(const TiXmlDocument& doc, LevelData* out, TString* why);
// Reads "levels/<name>.xml" through the file layer (the document is kept in
// the result). False, with one log line "MainGame: level <file>: <why>",
// when the name is unsafe or the file is missing or cannot be used.
bool LoadLevelData(const TString& name, LevelData* out);
