#include "game/shell/data/gamesettings.h"

#include <tinyxml.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/log.h"
#include "platform/readfile.h"
#include "platform/xml.h"

void LoadXmlFile(TiXmlDocument& doc, const TString& name) {
  doc.Clear();
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(name, bytes)) return;
  // A damaged file keeps what the parser built before the damage (logged).
  ParseXmlDocument(doc, std::string(bytes.begin(), bytes.end()), name, true);
}

void LoadXmlFile(const TString& name, TiXmlDocument& doc) { LoadXmlFile(doc, name); }

std::unique_ptr<TiXmlDocument> LoadXmlDocument(const TString& name) {
  auto doc = std::make_unique<TiXmlDocument>();
  LoadXmlFile(*doc, name);
  return doc;
}

TiXmlDocument& GetMainXml() {
  static TiXmlDocument doc;
  return doc;
}

TiXmlDocument& GetInfosXml() {
  static TiXmlDocument doc;
  return doc;
}

namespace {
const TiXmlElement* Section(const TiXmlDocument& doc, const char* section) {
  const TiXmlElement* root = doc.RootElement();
  return root ? root->FirstChildElement(section) : nullptr;
}

std::vector<GameLevel>& Levels() {
  static std::vector<GameLevel> levels;
  return levels;
}

std::vector<TString>& ToolIds() {
  static std::vector<TString> tools;
  return tools;
}

TString Text(const TiXmlElement* e, const char* name) {
  const char* value = e->Attribute(name);
  return value ? TString(value) : TString();
}

// An integer attribute into `out`; left as it is when absent or not a number.
bool Int(const TiXmlElement* e, const char* name, int* out) {
  int value = 0;
  if (e->QueryIntAttribute(name, &value) != TIXML_SUCCESS) return false;
  *out = value;
  return true;
}
}  // namespace

bool ReadXmlInt(const TiXmlDocument& doc, const char* section, const char* attribute, int* out,
                const int* defaultValue) {
  const TiXmlElement* e = Section(doc, section);
  int value = 0;
  if (e && e->QueryIntAttribute(attribute, &value) == TIXML_SUCCESS) {
    *out = value;
    return true;
  }
  if (defaultValue) *out = *defaultValue;
  return false;
}

bool ReadXmlFloat(const TiXmlDocument& doc, const char* section, const char* attribute, float* out,
                  const float* defaultValue) {
  const TiXmlElement* e = Section(doc, section);
  float value = 0;
  if (e && e->QueryFloatAttribute(attribute, &value) == TIXML_SUCCESS) {
    *out = value;
    return true;
  }
  if (defaultValue) *out = *defaultValue;
  return false;
}

void LoadMainXml() {
  LoadXmlFile(GetMainXml(), "main.xml");
  LoadLevelModel();
  LoadToolList();
}

void LoadInfosXml() { LoadXmlFile(GetInfosXml(), "infos.xml"); }

bool LoadLevelFile(const TString& name, int* coins, int* itemTotal) {
  TiXmlDocument doc;
  LoadXmlFile(doc, "levels/" + name + ".xml");
  const TiXmlElement* root = doc.RootElement();
  const TiXmlElement* pict = root ? root->FirstChildElement("Pict") : nullptr;
  if (!pict) return false;
  for (const TiXmlElement* spot = pict->FirstChildElement("HotSpot"); spot; spot = spot->NextSiblingElement("HotSpot"))
    for (const TiXmlElement* item = spot->FirstChildElement("Item"); item; item = item->NextSiblingElement("Item")) {
      int value = 0;
      if (item->QueryIntAttribute("coin", &value) == TIXML_SUCCESS) ++*coins;
    }
  if (const TiXmlElement* list = root->FirstChildElement("List")) Int(list, "allnum", itemTotal);
  return true;
}

void LoadLevelModel() {
  std::vector<GameLevel>& levels = Levels();
  levels.clear();
  const TiXmlElement* section = Section(GetMainXml(), "Levels");
  if (!section) return;
  // A level file named by several locations is read once.
  std::map<std::string, std::pair<int, int>> counted;
  int levelIndex = 0;
  for (const TiXmlElement* l = section->FirstChildElement("Level"); l; l = l->NextSiblingElement("Level")) {
    ++levelIndex;
    GameLevel level;
    if (!Int(l, "id", &level.id)) TraceOut("main.xml: Level %d has no numeric id; it gets id 0", levelIndex);
    level.mgame = Text(l, "mgame");
    Int(l, "mgame_num", &level.mgameNum);
    level.intro = Text(l, "intro");
    level.introPict = Text(l, "introPict");
    for (const TiXmlElement* c = l->FirstChildElement("Chapt"); c; c = c->NextSiblingElement("Chapt")) {
      GameChapter chapter;
      if (!Int(c, "id", &chapter.id))
        TraceOut("main.xml: a Chapt of Level %d has no numeric id; it gets id 0", level.id);
      if (level.firstChapterId == -1) level.firstChapterId = chapter.id;
      level.lastChapterId = chapter.id;
      for (const TiXmlElement* e = c->FirstChildElement("Loc"); e; e = e->NextSiblingElement("Loc")) {
        GameLocation loc;
        loc.fileName = Text(e, "filename");
        Int(e, "buttid", &loc.buttId);
        auto found = counted.find(loc.fileName.str());
        if (found == counted.end()) {
          LoadLevelFile(loc.fileName, &loc.coins, &loc.allNum);
          counted[loc.fileName.str()] = {loc.coins, loc.allNum};
        } else {
          loc.coins = found->second.first;
          loc.allNum = found->second.second;
        }
        Int(e, "textitemsid", &loc.textItemsId);
        loc.finMsg = Text(e, "finmsg");
        loc.startMsg = Text(e, "startmsg");
        chapter.locations.push_back(std::move(loc));
      }
      level.chapters.push_back(std::move(chapter));
    }
    levels.push_back(std::move(level));
  }
}

void LoadToolList() {
  std::vector<TString>& tools = ToolIds();
  tools.clear();
  const TiXmlElement* section = Section(GetMainXml(), "Tools");
  if (!section) return;
  for (const TiXmlElement* t = section->FirstChildElement("Tool"); t; t = t->NextSiblingElement("Tool"))
    tools.push_back(Text(t, "id"));
}

const std::vector<GameLevel>& GetLevels() { return Levels(); }
const std::vector<TString>& GetToolIds() { return ToolIds(); }

const GameLevel* FindLevelById(int id) {
  for (const GameLevel& level : Levels())
    if (level.id == id) return &level;
  return nullptr;
}

const GameChapter* FindChapter(int levelId, int chapterId) {
  for (const GameLevel& level : Levels()) {
    if (level.id != levelId) continue;
    for (const GameChapter& chapter : level.chapters)
      if (chapter.id == chapterId) return &chapter;
  }
  return nullptr;
}

bool HasToolId(const TString& name) {
  for (const TString& tool : ToolIds())
    if (tool == name) return true;
  return false;
}

bool TestLocName(const char* name) {
  if (!name) return false;
  TFile file;
  if (!file.Open(TString("levels/") + name + ".xml", "rb")) return false;
  file.Close();
  return true;
}

int IsNeedStartComics() {
  int value = 0;
  const int none = 0;
  ReadXmlInt(GetMainXml(), "Common", "alwaysNeedStartComics", &value, &none);
  return value;
}
