// game/shell/data: the game data: main.xml and the level model, progress, saves, profiles, play log.
// The game settings document "main.xml" and the info document "infos.xml",
// loaded once at start-up and read by every game screen, with the two small
// readers that take one value from a section of main.xml, and the level model
// built from main.xml: levels, their chapters, each chapter's locations (with
// the coin and item counts of the location's level file) and the tool ids.
// The level file schema is in docs/levels.md.
// Depends on platform/ (file layer, XML).
#pragma once
#include <memory>
#include <vector>

#include "platform/string.h"

class TiXmlDocument;

// Reads the whole file through the file layer and parses it into the document.
// A file that cannot be read leaves an empty document; a damaged or too deeply
// nested one leaves an empty document and a log line.
void LoadXmlFile(TiXmlDocument& doc, const TString& name);
void LoadXmlFile(const TString& name, TiXmlDocument& doc);
// A new document loaded with LoadXmlFile (never null; empty when the file is
// missing or damaged).
std::unique_ptr<TiXmlDocument> LoadXmlDocument(const TString& name);

TiXmlDocument& GetMainXml();
TiXmlDocument& GetInfosXml();

// One attribute of the root's first child element named `section`: true and
// the value in `out` when both exist and the value reads as a number;
// otherwise `out` takes the default (when one is given) and false.
bool ReadXmlInt(const TiXmlDocument& doc, const char* section, const char* attribute, int* out,
                const int* defaultValue);
bool ReadXmlFloat(const TiXmlDocument& doc, const char* section, const char* attribute, float* out,
                  const float* defaultValue);

// One Levels/Level/Chapt/Loc element of main.xml.
struct GameLocation {
  TString fileName;     // "filename": levels/<fileName>.xml
  int buttId = 0;       // "buttid" (0 when absent)
  int coins = 0;        // Items with a numeric "coin" in the level file
  int allNum = 0;       // the level file's List "allnum"
  int textItemsId = 0;  // "textitemsid" (0 when absent)
  TString finMsg;       // "finmsg"
  TString startMsg;     // "startmsg"
};

// One Levels/Level/Chapt element.
struct GameChapter {
  int id = 0;  // "id" (0 when absent or not a number, logged)
  std::vector<GameLocation> locations;
};

// One Levels/Level element.
struct GameLevel {
  int id = 0;            // "id" (0 when absent or not a number, logged)
  TString mgame;         // the window type of the level's mini-game, "mg01window"
  int mgameNum = 1;      // "mgame_num"
  TString intro;         // the comic shown when the level starts
  TString introPict;     // that comic's picture
  int firstChapterId = -1;  // the first Chapt's id; -1 without chapters
  int lastChapterId = -1;   // the last Chapt's id; -1 without chapters
  std::vector<GameChapter> chapters;
};

// Start-up: main.xml, then the level model and the tool list.
void LoadMainXml();
// Start-up, after LoadMainXml: infos.xml.
void LoadInfosXml();
// Rebuilds the level list / the tool list from GetMainXml(). A missing
// Levels or Tools section gives an empty list.
void LoadLevelModel();
void LoadToolList();
// Counts the Items with a numeric "coin" in "levels/<name>.xml" (adding to
// *coins) and takes its List "allnum" into *itemTotal. False, counts left as
// they were, when the file has no root element or no Pict.
bool LoadLevelFile(const TString& name, int* coins, int* itemTotal);

const std::vector<GameLevel>& GetLevels();
const std::vector<TString>& GetToolIds();
// The first level with that id, or null.
const GameLevel* FindLevelById(int id);
// The first chapter with that id inside the levels with that id, or null.
const GameChapter* FindChapter(int levelId, int chapterId);
// Whether the tool list holds the name (case-sensitive).
bool HasToolId(const TString& name);
// Whether "levels/<name>.xml" exists (it is not read).
bool TestLocName(const char* name);
// main.xml Common "alwaysNeedStartComics" (0 when missing).
int IsNeedStartComics();
