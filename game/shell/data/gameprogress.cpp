#include "game/shell/data/gameprogress.h"

#include <tinyxml.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/soundmanager.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/data/userinfo.h"
#include "platform/log.h"
#include "script/bind.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

int ClampProgressInt(long long value, int low, int high) {
  return int(std::max<long long>(low, std::min<long long>(high, value)));
}

int AddSaturating(int a, int b) { return ClampProgressInt(static_cast<long long>(a) + b, INT_MIN, INT_MAX); }

// --- LocationInfo ---

void LocationInfo::SetStartDateTime(const TString& date, const TString& time) {
  startDate = date;
  startTime = time;
}

void LocationInfo::SetPassDateTime(const TString& date, const TString& time) {
  passDate = date;
  passTime = time;
}

void LocationInfo::GetDateTimes(TString* sd, TString* st, TString* pd, TString* pt) const {
  if (sd) *sd = startDate;
  if (st) *st = startTime;
  if (pd) *pd = passDate;
  if (pt) *pt = passTime;
}

void LocationInfo::AddItemId(int32_t id) {
  if (std::find(itemIds.begin(), itemIds.end(), id) == itemIds.end()) itemIds.push_back(id);
}

bool LocationInfo::operator==(const LocationInfo& o) const {
  return name == o.name && secondName == o.secondName && value1 == o.value1 && value2 == o.value2 &&
         value3 == o.value3 && passed == o.passed && startDate == o.startDate && startTime == o.startTime &&
         passDate == o.passDate && passTime == o.passTime && coins == o.coins && objectStates == o.objectStates &&
         objectTexts == o.objectTexts && itemIds == o.itemIds;
}

// --- GameProgress ---

namespace {
bool Contains(const std::vector<TString>& list, const TString& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

void AddUnique(std::vector<TString>& list, const TString& name) {
  if (!Contains(list, name)) list.push_back(name);
}

int CommonInt(const char* attribute, int defaultValue) {
  int value = defaultValue;
  ReadXmlInt(GetMainXml(), "Common", attribute, &value, &defaultValue);
  return ClampProgressInt(value);
}
}  // namespace

GameProgress::GameProgress() { Reset(); }

void GameProgress::AddTool(const TString& name, int value) {
  if (!HasTool(name)) tools.emplace_back(name, value);
}

bool GameProgress::HasTool(const TString& name) const {
  for (const auto& tool : tools)
    if (tool.first == name) return true;
  return false;
}

void GameProgress::AddArt(const TString& name) { AddUnique(arts, name); }

void GameProgress::RemoveArt(const TString& name) { arts.erase(std::remove(arts.begin(), arts.end(), name), arts.end()); }

void GameProgress::MarkShown(const TString& name) { AddUnique(shown, name); }
bool GameProgress::IsShown(const TString& name) const { return Contains(shown, name); }
void GameProgress::MarkInfoShown(const TString& name) { AddUnique(shownInfos, name); }
bool GameProgress::IsInfoShown(const TString& name) const { return Contains(shownInfos, name); }
void GameProgress::AddPhoto(const TString& name) { AddUnique(photos, name); }

LocationInfo& GameProgress::FindLocationInfo(const TString& name) {
  for (LocationInfo& info : locationInfos)
    if (info.name == name) return info;
  locationInfos.emplace_back();
  locationInfos.back().name = name;
  return locationInfos.back();
}

const LocationInfo* GameProgress::GetLocationInfo(const TString& name) const {
  for (const LocationInfo& info : locationInfos)
    if (info.name == name) return &info;
  return nullptr;
}

void GameProgress::AddCoin() { numCoins = AddSaturating(numCoins, 1); }

void GameProgress::RemoveLocationInfo(const TString& name) {
  for (auto it = locationInfos.begin(); it != locationInfos.end(); ++it) {
    if (it->name != name) continue;
    numCoins = ClampProgressInt(static_cast<long long>(numCoins) - static_cast<long long>(it->coins.size()), 0, INT_MAX);
    locationInfos.erase(it);
    return;
  }
}

bool GameProgress::IsChapterComplete(int level, int chapter) {
  const GameChapter* found = FindChapter(level, chapter);
  if (!found) return false;
  for (const GameLocation& location : found->locations)
    if (FindLocationInfo(location.fileName).passed == 0) return false;
  return true;
}

bool GameProgress::IsLevelComplete(int level) {
  const GameLevel* found = FindLevelById(level);
  if (!found || found->firstChapterId == -1) return false;
  // Wide enough to step past a last id of INT_MAX.
  for (long long chapter = found->firstChapterId; chapter <= found->lastChapterId; ++chapter)
    if (!IsChapterComplete(level, int(chapter))) return false;
  return true;
}

void GameProgress::Reset() {
  firstRun = 1;
  gameIntroDone = gameStartMsgDone = gameTutorMsgDone = gameNeedClearUserInfo = gameFinished = 0;
  numCoins = mLocationType = 0;
  levelId = CommonInt("startLevelId", 1);
  chapterId = CommonInt("startChaptId", 1);
  locationId = CommonInt("startLocationId", 1);
  tools.clear();
  arts.clear();
  secondNames.clear();
  shown.clear();
  shownInfos.clear();
  photos.clear();
  locationInfos.clear();
}

void GameProgress::Clear() { Reset(); }

bool GameProgress::SameProgress(const GameProgress& o) const {
  return levelId == o.levelId && chapterId == o.chapterId && locationId == o.locationId && numCoins == o.numCoins &&
         firstRun == o.firstRun && gameIntroDone == o.gameIntroDone && gameFinished == o.gameFinished &&
         gameNeedClearUserInfo == o.gameNeedClearUserInfo && mLocationType == o.mLocationType &&
         gameStartMsgDone == o.gameStartMsgDone && gameTutorMsgDone == o.gameTutorMsgDone && tools == o.tools &&
         arts == o.arts && secondNames == o.secondNames && shown == o.shown && shownInfos == o.shownInfos &&
         photos == o.photos && locationInfos == o.locationInfos;
}

GameProgress& GetGameProgress() {
  static GameProgress progress;
  return progress;
}

// --- Game-flow values ---

namespace {
struct FlowValues {
  bool goToMainMenu = false;
  bool goFromGameToMap = false;
  int firstEnterName = 0;
  int canUseSymbol = 0;
  int sceneEventPending = 0;
  TString nextLocName;
  bool neededLevel = false;
  bool startFlag = true;
  int miniGameLevel = 0;
};

FlowValues& Flow() {
  static FlowValues flow;
  return flow;
}
}  // namespace

void SetGo2MainMenuFlag(bool value) { Flow().goToMainMenu = value; }
bool GetNeedGo2MainMenu() { return Flow().goToMainMenu; }
void SetNeedGo2MainMenu() { Flow().goToMainMenu = true; }
void SetNeedGoFromGame2Map(bool value) { Flow().goFromGameToMap = value; }
bool GetNeedGoFromGame2Map() { return Flow().goFromGameToMap; }
void SetNeedFirstEnterName(int value) { Flow().firstEnterName = value; }
int GetNeedFirstEnterName() { return Flow().firstEnterName; }
void SetCanUseSymbol(int value) { Flow().canUseSymbol = value; }
bool CanUseSymbol() { return Flow().canUseSymbol == 1; }
void SetSceneEventPending(int value) { Flow().sceneEventPending = value; }
int GetSceneEventPending() { return Flow().sceneEventPending; }
void SetNextLocName(const char* name) { Flow().nextLocName = name; }
TString GetNextLocName() { return Flow().nextLocName; }
void SetNeededLevel(const char* name, int flag) {
  Flow().neededLevel = flag == 1;
  Flow().nextLocName = name;
}
bool GetNeededLevel() { return Flow().neededLevel; }
bool GetStartFlag() { return Flow().startFlag; }
void SetStartFlag(bool value) { Flow().startFlag = value; }

bool ShouldWarnNoSoundDevice() {
  // Silence that was chosen is no missing device: the null output of a
  // headless run, or SDL's "dummy" or "disk" driver named in SDL_AUDIODRIVER,
  // is an output that opened.
  TSoundManager* sound = GetSoundManager();
  if ((sound && sound->GetDevice()) || !GetStartFlag()) return false;
  SetStartFlag(false);
  return true;
}
void SetMiniGameLevel(int value) { Flow().miniGameLevel = value; }
int GetMiniGameLevel() { return Flow().miniGameLevel; }
int IsNeedGoToMiniGame() { return GetGameProgress().mLocationType != 0 ? 1 : 0; }

// --- The screen change ---

namespace {
struct TTransition {
  std::string target;
  std::string script;
  bool darkening = true;
};

TTransition& Transition() {
  static TTransition state;
  return state;
}
}  // namespace

void CSWithSh(const char* target, const char* script) {
  size_t targetLength = target ? std::strlen(target) : 0;
  size_t scriptLength = script ? std::strlen(script) : 0;
  if (targetLength > kShadowNameLimit || scriptLength > kShadowNameLimit) {
    TraceOut("CSWithSh: refused: names of %zu and %zu bytes (at most %zu)", targetLength, scriptLength,
             kShadowNameLimit);
    return;
  }
  TTransition& t = Transition();
  t.target.assign(target ? target : "");
  t.script.assign(script ? script : "");
  t.darkening = true;
}

const std::string& GetShadowTarget() { return Transition().target; }
const std::string& GetShadowScript() { return Transition().script; }
bool IsShadowDarkening() { return Transition().darkening; }
void SetShadowDarkening(bool darkening) { Transition().darkening = darkening; }

void ResetShadowState() {
  TTransition& t = Transition();
  t.target.clear();
  t.script.clear();
  t.darkening = true;
}

// --- Progress flags ---

int GetgameIntroDone() { return GetGameProgress().gameIntroDone; }
int GetgameNeedClearUserInfo() { return GetGameProgress().gameNeedClearUserInfo; }
int GetgameStartMsgDone() { return GetGameProgress().gameStartMsgDone; }

void SaveGameUserInfo() {
  if (UserInfo* users = GetUserInfo()) users->SaveProgress();
}

void SetgameIntroDone(int value) {
  GetGameProgress().gameIntroDone = value;
  SaveGameUserInfo();
}

void SetgameNeedClearUserInfo(int value) {
  GetGameProgress().gameNeedClearUserInfo = value;
  SaveGameUserInfo();
}

void SetgameStartMsgDone(int value) {
  GetGameProgress().gameStartMsgDone = value;
  SaveGameUserInfo();
}

void SetgameTutorMsgDone(int value) {
  GetGameProgress().gameTutorMsgDone = value;
  SaveGameUserInfo();
}

// --- Script calls ---

namespace {
// Script text limited to 99 bytes (logged when cut) and trimmed of spaces.
std::string ScriptWord(const char* text, const char* what) {
  constexpr size_t kLimit = 99;
  std::string s = text ? text : "";
  if (s.size() > kLimit) {
    TraceOut("%s: the text is longer than %zu bytes; only its start is taken", what, kLimit);
    s.resize(kLimit);
  }
  size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}
}  // namespace

void LuaAddTool(const char* text) { GetGameProgress().AddTool(ScriptWord(text, "AddTool"), 0); }

void LuaAddArt(const char* text) { GetGameProgress().AddArt(ScriptWord(text, "AddArt")); }

namespace {
// A decimal integer at *p (leading blanks skipped) within the int range.
bool ReadInt(const char*& p, int* out) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(p, &end, 10);
  if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  *out = int(v);
  p = end;
  return true;
}
}  // namespace

void SetLevelChapter(const char* text) {
  std::string s = ScriptWord(text, "SetLevelChapter");
  const char* p = s.c_str();
  int level = 0, chapter = 0;
  bool ok = ReadInt(p, &level) && *p++ == ',' && ReadInt(p, &chapter);
  if (!ok) {
    TraceOut("SetLevelChapter: \"%s\" is not \"<level>,<chapter>\"; the level and chapter stay %d,%d", s.c_str(),
             GetGameProgress().levelId, GetGameProgress().chapterId);
    return;
  }
  GetGameProgress().levelId = level;
  GetGameProgress().chapterId = chapter;
}

TString GetLIComicsName() {
  const GameLevel* level = FindLevelById(GetGameProgress().levelId);
  if (!level || GetGameProgress().IsShown(level->intro)) return TString();
  return level->intro;
}

TString GetLIComicsPictName() {
  const GameLevel* level = FindLevelById(GetGameProgress().levelId);
  return level ? level->introPict : TString();
}

void ClearUserInfoInGameEnd() {
  GameProgress& progress = GetGameProgress();
  progress.levelId = progress.chapterId = progress.locationId = 1;
  progress.Clear();
  progress.Reset();
}

TString MiniGameScript(const TString& type) {
  if (type.IsEmpty() || type.Length() > 64) return TString();
  for (int i = 0; i < type.Length(); ++i) {
    char c = type[i];
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!plain) return TString();
  }
  return TString("scripts/") + type + ".lua";
}

void StartMG() {
  const GameLevel* level = FindLevelById(GetGameProgress().levelId);
  if (!level) return;
  TString script = MiniGameScript(level->mgame);
  if (script.IsEmpty()) {
    TraceOut("StartMG: level %d has no usable mini-game type \"%s\"", level->id, level->mgame.c_str());
    return;
  }
  SetMiniGameLevel(level->mgameNum);
  CSWithSh("mainmenu", script.c_str());
  TWindowManager* windows = GetWindowManager();
  if (TWindowScript* script = windows ? windows->GetScript() : nullptr)
    script->DoLuaString("if(not(StartSoundFade == nil)) then StartSoundFade(); end", "StartMG");
}

namespace {
bool IsNameInUseOfCurrentUsers(const char* name, bool exceptCurrent) {
  UserInfo* users = GetUserInfo();
  return users && users->IsNameInUseExceptCurrent(name ? name : "", exceptCurrent);
}
}  // namespace

void BindGameDataGlobals(TLuaBindings& b) {
  b.Bind("SetNeedGo2MainMenu", &SetNeedGo2MainMenu);
  b.Bind("TestLocName", &TestLocName);
  b.Bind("SetNextLocName", &SetNextLocName);
  b.Bind("IsNeedStartComics", &IsNeedStartComics);
  b.Bind("SetNeedFirstEnterName", &SetNeedFirstEnterName);
  b.Bind("GetNeedFirstEnterName", &GetNeedFirstEnterName);
  b.Bind("SetCanUseSymbol", &SetCanUseSymbol);
  b.Bind("GetgameNeedClearUserInfo", &GetgameNeedClearUserInfo);
  b.Bind("SetgameNeedClearUserInfo", &SetgameNeedClearUserInfo);
  b.Bind("ClearUserInfoInGameEnd", &ClearUserInfoInGameEnd);
  b.Bind("SaveGameUserInfo", &SaveGameUserInfo);
  b.Bind("SetgameIntroDone", &SetgameIntroDone);
  b.Bind("GetgameIntroDone", &GetgameIntroDone);
  b.Bind("AddTool", &LuaAddTool);
  b.Bind("SetLevelChapter", &SetLevelChapter);
  b.Bind("GetLIComicsName", &GetLIComicsName);
  b.Bind("GetLIComicsPictName", &GetLIComicsPictName);
  b.Bind("GetNeedGoFromGame2Map", &GetNeedGoFromGame2Map);
  b.Bind("IsNameInUse", &IsNameInUseOfCurrentUsers);
  b.Bind("AddArt", &LuaAddArt);
  b.Bind("SetNeededLevel", &SetNeededLevel);
}
