#include "game/scene/sceneflow.h"

#include <climits>
#include <utility>
#include <vector>

#include <tinyxml.h>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "platform/file.h"
#include "platform/log.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {
int IntAttr(const TiXmlElement* e, const char* name, int fallback) {
  int v = fallback;
  if (e->QueryIntAttribute(name, &v) != TIXML_SUCCESS) v = fallback;
  return v;
}

// The main.xml Loc element of the place, found the way the level model
// finds its records: the first Level and Chapt with those ids.
const TiXmlElement* FindLocElement(int levelId, int chapterId, int index) {
  const TiXmlElement* root = GetMainXml().RootElement();
  const TiXmlElement* levels = root ? root->FirstChildElement("Levels") : nullptr;
  if (!levels || index < 0) return nullptr;
  for (const TiXmlElement* level = levels->FirstChildElement("Level"); level;
       level = level->NextSiblingElement("Level")) {
    if (IntAttr(level, "id", 0) != levelId) continue;
    for (const TiXmlElement* chapter = level->FirstChildElement("Chapt"); chapter;
         chapter = chapter->NextSiblingElement("Chapt")) {
      if (IntAttr(chapter, "id", 0) != chapterId) continue;
      int i = 0;
      for (const TiXmlElement* loc = chapter->FirstChildElement("Loc"); loc; loc = loc->NextSiblingElement("Loc"), ++i)
        if (i == index) return loc;
      return nullptr;
    }
  }
  return nullptr;
}

// The first chapter after `chapter` in the level's list, or null.
const GameChapter* ChapterAfter(const GameLevel& level, const GameChapter* chapter) {
  for (size_t i = 0; i < level.chapters.size(); ++i)
    if (&level.chapters[i] == chapter) return i + 1 < level.chapters.size() ? &level.chapters[i + 1] : nullptr;
  return nullptr;
}

// Level id + 1 at its first chapter; after the last level a new game and the main menu.
TNextStep GoToNextLevel(GameProgress& p) {
  p.mLocationType = 0;
  p.locationId = 1;
  const GameLevel* next = p.levelId < INT_MAX ? FindLevelById(p.levelId + 1) : nullptr;
  if (next) {
    p.levelId = next->id;
    p.chapterId = next->firstChapterId;
    return TNextStep::kLocation;
  }
  TraceOut("MainGame: the last level is done; a new game begins at the main menu");
  // A new game from the start, pop-ups and comics included, but the
  // photographs stay: the gallery's wallpapers are unlocked by them, and
  // clearing them would take back what the player earned.
  std::vector<TString> photos = p.photos;
  p.levelId = p.chapterId = 1;
  p.Clear();
  p.photos = std::move(photos);
  SetGo2MainMenuFlag(true);
  return TNextStep::kGameEnd;
}
}  // namespace

TString ScenePlace::RecordName() const {
  if (location && !location->fileName.IsEmpty()) return location->fileName;
  if (!miniGame.IsEmpty()) return miniGame + "_" + TString::Printf("%d", miniGameNum);
  return TString();
}

ScenePlace FindPlace(int levelId, int chapterId, int locationId) {
  ScenePlace place;
  place.level = FindLevelById(levelId);
  place.chapter = FindChapter(levelId, chapterId);
  if (!place.chapter) return place;
  const long long index = static_cast<long long>(locationId) - 1;  // no overflow at INT_MIN
  if (index < 0 || index >= static_cast<long long>(place.chapter->locations.size())) return place;
  place.index = int(index);
  place.location = &place.chapter->locations[size_t(index)];
  place.locElement = FindLocElement(levelId, chapterId, place.index);
  if (const TiXmlElement* loc = place.locElement) {
    if (const char* type = loc->Attribute("mgame")) place.miniGame = type;
    place.miniGameNum = IntAttr(loc, "mgame_num", 1);
    if (const char* photo = loc->Attribute("photo")) place.photo = photo;
  }
  return place;
}

ScenePlace FindCurrentPlace() {
  const GameProgress& p = GetGameProgress();
  return FindPlace(p.levelId, p.chapterId, p.locationId);
}

TNextStep AdvanceProgress() {
  GameProgress& p = GetGameProgress();
  ScenePlace place = FindCurrentPlace();
  p.mLocationType = 0;
  if (place.chapter && place.location && place.index + 1 < int(place.chapter->locations.size())) {
    p.locationId = place.index + 2;
    return TNextStep::kLocation;
  }
  if (place.level && place.chapter) {
    if (const GameChapter* next = ChapterAfter(*place.level, place.chapter)) {
      p.chapterId = next->id;
      p.locationId = 1;
      return TNextStep::kLocation;
    }
    if (!place.level->mgame.IsEmpty()) {
      p.mLocationType = 1;
      return TNextStep::kLevelMiniGame;
    }
  }
  return GoToNextLevel(p);
}

TNextStep FinishLevelMiniGame() { return GoToNextLevel(GetGameProgress()); }

const char* NextScreenScript(TNextStep step) {
  return step == TNextStep::kGameEnd ? "scripts/mainmenu.lua" : "scripts/maingame.lua";
}

bool IsLocationMiniGameDue() { return !FindCurrentPlace().miniGame.IsEmpty(); }

void MarkPlacePassed(const TString& name) {
  if (name.IsEmpty()) return;
  LocationInfo& info = GetGameProgress().FindLocationInfo(name);
  info.passed = 1;
  info.SetPassDateTime(FormatDate(), FormatTime());
}

void SaveSceneProgress() {
  if (UserInfo* users = GetUserInfo()) users->SaveProgress();
}

std::string FinishLocationMiniGame(bool won) {
  GameProgress& p = GetGameProgress();
  ScenePlace place = FindCurrentPlace();
  if (!won || place.miniGame.IsEmpty()) {
    if (!place.miniGame.IsEmpty()) p.mLocationType = 1;
    SaveSceneProgress();
    return "scripts/mainmenu.lua";
  }
  LocationInfo& info = p.FindLocationInfo(place.RecordName());
  if (info.startDate == "01-01-01") info.SetStartDateTime(FormatDate(), FormatTime());
  MarkPlacePassed(place.RecordName());
  TNextStep step = AdvanceProgress();
  SaveSceneProgress();
  return NextScreenScript(step);
}

std::string MiniGameScriptName(const TString& type) {
  const std::string name = type.str();
  if (name.empty() || name.size() > 64) return std::string();
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
      return std::string();
  return "scripts/" + name + ".lua";
}

bool IsMiniGameAvailable(const TString& type) {
  std::string script = MiniGameScriptName(type);
  return !script.empty() && IsScreenAvailable(type, script);
}

bool IsScreenAvailable(const TString& type, const std::string& script) {
  TWindowManager* windows = GetWindowManager();
  TWindowScript* scripts = windows ? windows->GetScript() : nullptr;
  if (!scripts || !scripts->FindWindowType(type)) return false;
  TFile file;
  if (!file.Open(TString(script.c_str()), "rb")) return false;
  file.Close();
  return true;
}

std::string EnterDuePlace() {
  GameProgress& p = GetGameProgress();
  // The choice of the next screen sets the go-to-main-menu flag: the main
  // menu only at the end of the game (GoToNextLevel sets it then). Left from
  // an earlier end, the flag would send the next won mini-game to the menu.
  SetGo2MainMenuFlag(false);
  // Each pass settles one place; a chain of places to step over ends, at
  // the latest, with the last level.
  for (int pass = 0; pass < 4096; ++pass) {
    ScenePlace place = FindCurrentPlace();
    const bool levelGame = place.miniGame.IsEmpty() && p.mLocationType != 0;
    if (levelGame && (!place.level || place.level->mgame.IsEmpty())) {
      p.mLocationType = 0;  // no mini-game here: back to the locations
      continue;
    }
    if (!place.miniGame.IsEmpty() || levelGame) {
      TString type = levelGame ? place.level->mgame : place.miniGame;
      int number = levelGame ? place.level->mgameNum : place.miniGameNum;
      if (IsMiniGameAvailable(type)) {
        SetMiniGameLevel(number);
        p.mLocationType = 1;
        return MiniGameScriptName(type);
      }
      TraceOut("MainGame: the mini-game %s %d is not in this program; skipped", type.c_str(), number);
      TNextStep step;
      if (levelGame) {
        step = FinishLevelMiniGame();
      } else {
        MarkPlacePassed(place.RecordName());
        step = AdvanceProgress();
      }
      if (step == TNextStep::kGameEnd) return NextScreenScript(step);
      continue;
    }
    if (!place.location) {
      int level = p.levelId, chapter = p.chapterId, location = p.locationId;
      GameProgress fresh;
      fresh.Reset();
      if (level == fresh.levelId && chapter == fresh.chapterId && location == fresh.locationId) {
        TraceOut("MainGame: main.xml has no location at its start (level %d, chapter %d, location %d)", level,
                 chapter, location);
        return "scripts/mainmenu.lua";
      }
      TraceOut("MainGame: the progress names no location (level %d, chapter %d, location %d); back to the start",
               level, chapter, location);
      p.levelId = fresh.levelId;
      p.chapterId = fresh.chapterId;
      p.locationId = fresh.locationId;
      continue;
    }
    const LocationInfo* info = p.GetLocationInfo(place.RecordName());
    if (info && info->passed) {
      if (AdvanceProgress() == TNextStep::kGameEnd) return "scripts/mainmenu.lua";
      continue;
    }
    return "scripts/maingame.lua";
  }
  TraceOut("MainGame: no place to play found");
  return "scripts/mainmenu.lua";
}

void OpenInfos(TWindow* caller, const TString& name) {
  if (name.IsEmpty()) return;
  if (!IsScreenAvailable("Infos", "scripts/infos.lua")) {
    TraceOut("MainGame: information %s (no information pop-ups in this program)", name.c_str());
    return;
  }
  SetNameInfosToRun(name);
  if (TWindowManager* windows = GetWindowManager()) windows->RunScriptText(caller, "DoModal('scripts/infos.lua')");
}

std::string ThroughLevelIntro(const std::string& next) {
  if (next != "scripts/maingame.lua") return next;
  TString comic = GetLIComicsName();
  if (comic.IsEmpty() || !IsScreenAvailable("ComicsSpl", "scripts/splashstart.lua")) return next;
  SetSplashInfo(comic, GetLIComicsPictName(), TString(next.c_str()));
  return "scripts/splashstart.lua";
}
