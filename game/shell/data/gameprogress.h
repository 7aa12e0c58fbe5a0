// game/shell/data: the game data: main.xml and the level model, progress, saves, profiles, play log.
// The player's progress (one process-wide GameProgress: where the player is,
// the flags of the game's course, the tools, artefacts, shown comics and
// pop-ups, photos and one LocationInfo per location entered) and the
// process-wide game-flow values through which screens and scripts tell each
// other where to go next. Saving it is savefile.h; whose progress it is,
// userinfo.h.
// Depends on platform/, audio/ (the sound-device warning) and on the level
// model (gamesettings.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/string.h"

class TLuaBindings;

// Integers that a save or a data file gives are counts and ids of a game's
// size: they are kept within +-kProgressIntLimit when read, and the
// arithmetic on them saturates, so that no value a file holds can overflow.
constexpr int kProgressIntLimit = 1000000000;
// `value` brought within [low, high].
int ClampProgressInt(long long value, int low = -kProgressIntLimit, int high = kProgressIntLimit);
// a + b, held within the range of int.
int AddSaturating(int a, int b);

// The progress record of one location, keyed by the location's file name.
class LocationInfo {
public:
  struct ObjectState {
    int32_t a = 0, b = 0;
    std::vector<int32_t> values;
    bool operator==(const ObjectState& o) const { return a == o.a && b == o.b && values == o.values; }
  };
  struct ObjectText {
    int32_t a = 0, b = 0;
    TString text;
    bool operator==(const ObjectText& o) const { return a == o.a && b == o.b && text == o.text; }
  };

  TString name;
  TString secondName;
  float value1 = 0, value2 = 0, value3 = 0;
  int32_t passed = 0;  // non-zero once the location is finished
  // "%02d-%02d-%d" (month, day, year) and "%02d:%02d" (hours, minutes).
  TString startDate = "01-01-01", startTime = "01:01";
  TString passDate = "01-01-01", passTime = "01:01";
  std::vector<int32_t> coins;  // one entry per coin collected here
  std::vector<ObjectState> objectStates;
  std::vector<ObjectText> objectTexts;
  std::vector<int32_t> itemIds;

  void SetStartDateTime(const TString& date, const TString& time);
  void SetPassDateTime(const TString& date, const TString& time);
  void GetDateTimes(TString* startDate, TString* startTime, TString* passDate, TString* passTime) const;
  // Appends unless present.
  void AddItemId(int32_t id);
  bool operator==(const LocationInfo& o) const;
  bool operator!=(const LocationInfo& o) const { return !(*this == o); }
};

class GameProgress {
public:
  GameProgress();

  // The name of the current player (kept by Reset; set when a player is
  // selected or created).
  TString playerName;
  int levelId = 1, chapterId = 1, locationId = 1;
  int numCoins = 0;
  int firstRun = 1;
  int gameIntroDone = 0;
  int gameFinished = 0;
  int gameNeedClearUserInfo = 0;
  int mLocationType = 0;  // non-zero: a mini-game is due
  int gameStartMsgDone = 0;
  int gameTutorMsgDone = 0;
  std::vector<std::pair<TString, int>> tools;  // in order of acquisition, names unique
  std::vector<TString> arts;
  std::vector<TString> secondNames;
  std::vector<TString> shown;       // comics and tutorials already shown
  std::vector<TString> shownInfos;  // information pop-ups already shown
  std::vector<TString> photos;      // the photo album's entries
  std::vector<LocationInfo> locationInfos;

  // Appends unless a tool of that name exists (then nothing changes).
  void AddTool(const TString& name, int value);
  bool HasTool(const TString& name) const;
  void AddArt(const TString& name);
  // Removes every entry equal to the name.
  void RemoveArt(const TString& name);
  void MarkShown(const TString& name);
  bool IsShown(const TString& name) const;
  void MarkInfoShown(const TString& name);
  bool IsInfoShown(const TString& name) const;
  void AddPhoto(const TString& name);

  // The record of that name, appended with initial values when missing.
  LocationInfo& FindLocationInfo(const TString& name);
  // The record of that name or null; never adds one.
  const LocationInfo* GetLocationInfo(const TString& name) const;
  // One more coin (numCoins saturates instead of overflowing).
  void AddCoin();
  // Takes the record's coins off numCoins (never below 0) and erases it.
  void RemoveLocationInfo(const TString& name);

  // Whether every location of the chapter has a passed record (a chapter
  // without locations is complete; a chapter that does not exist is not).
  // The locations are looked at in order up to the first one not passed;
  // their missing records are made on the way (FindLocationInfo) and saved
  // with the progress from then on.
  bool IsChapterComplete(int levelId, int chapterId);
  // Whether every chapter id from the level's first to its last, by one, is
  // a complete chapter; false for a missing level or one without chapters.
  bool IsLevelComplete(int levelId);

  // The new-game state: ids from main.xml Common "startLevelId",
  // "startChaptId", "startLocationId" (1 each when absent), flags 0 but
  // firstRun 1, every list and record emptied. The player name stays.
  void Reset();
  // The same end state as Reset.
  void Clear();

  // Same progress (the player name not compared).
  bool SameProgress(const GameProgress& o) const;
};

GameProgress& GetGameProgress();

// --- Game-flow values (never reset) ---
void SetGo2MainMenuFlag(bool value);
bool GetNeedGo2MainMenu();
void SetNeedGo2MainMenu();  // Lua: sets the flag
void SetNeedGoFromGame2Map(bool value);
bool GetNeedGoFromGame2Map();
void SetNeedFirstEnterName(int value);
int GetNeedFirstEnterName();
void SetCanUseSymbol(int value);
bool CanUseSymbol();  // the value is 1
void SetSceneEventPending(int value);
int GetSceneEventPending();
void SetNextLocName(const char* name);
TString GetNextLocName();
// next-location name = name; needed-level flag = (flag == 1).
void SetNeededLevel(const char* name, int flag);
bool GetNeededLevel();
bool GetStartFlag();
void SetStartFlag(bool value);
// The sound-device warning: true at most once per run (the start flag asks
// for it until it has been given), and only when no sound output could be
// opened (HasSoundDevice, audio/soundmanager.h; the silent output a headless
// run or SDL_AUDIODRIVER=dummy chooses counts as one). The main menu then
// tells the player that the game plays without sound.
bool ShouldWarnNoSoundDevice();
void SetMiniGameLevel(int value);
int GetMiniGameLevel();
// 1 when mLocationType is non-zero (a mini-game is due), else 0.
int IsNeedGoToMiniGame();

// --- The screen change the fade carries out (game/shell/widgets/shadow.h) ---
// The longest window or script name CSWithSh takes, in bytes.
constexpr size_t kShadowNameLimit = 255;
// Stores the window to leave (empty: none) and the script of the next screen
// and makes the next shadow a darkening one. Opens nothing itself. A null
// pointer counts as empty; a name longer than kShadowNameLimit refuses the
// whole call (logged).
void CSWithSh(const char* target, const char* script);
// The pending change: the window to leave, the next script, and whether the
// next shadow darkens (the fade window turns it at full dark and when clear).
const std::string& GetShadowTarget();
const std::string& GetShadowScript();
bool IsShadowDarkening();
void SetShadowDarkening(bool darkening);
// Forgets any pending change; the next shadow darkens.
void ResetShadowState();

// --- Progress flags; the setters save the progress at once ---
int GetgameIntroDone();
int GetgameNeedClearUserInfo();
int GetgameStartMsgDone();
void SetgameIntroDone(int value);
void SetgameNeedClearUserInfo(int value);
void SetgameStartMsgDone(int value);
void SetgameTutorMsgDone(int value);

// --- What the scripts call ---
// The Lua forms of AddTool and AddArt: the text (at most 99 bytes are taken)
// trimmed of leading and trailing spaces (code 32 only); AddTool's value is 0.
void LuaAddTool(const char* text);
void LuaAddArt(const char* text);
// "<level>,<chapter>" (trimmed the same way): the current level and chapter.
// Text that does not give two integers changes nothing (logged).
void SetLevelChapter(const char* text);
// The intro comic of the current level; empty once it is shown or when the
// level does not exist.
TString GetLIComicsName();
TString GetLIComicsPictName();
// Ids to 1, then Clear and Reset (the ids end as main.xml's start ids).
void ClearUserInfoInGameEnd();
// The script that opens the mini-game window of that type:
// "scripts/<type>.lua" ("mg01window" -> "scripts/mg01window.lua"); empty
// for a type that is not a plain name (letters, digits, "_"; 64 at most).
TString MiniGameScript(const TString& type);
// Starts the current level's mini-game: the mini-game number becomes the
// level's, the fade window changes from "mainmenu" to the script of the
// level's mini-game window type (MiniGameScript), and the script's
// StartSoundFade runs when it exists. Nothing (logged) when the level does
// not exist or its type is not a plain name.
void StartMG();
// Saves the current player's progress.
void SaveGameUserInfo();

// Binds the Lua globals of the game's main table whose effect lies in the
// progress, the level model and the profiles: SetNeedGo2MainMenu,
// TestLocName, SetNextLocName, IsNeedStartComics, SetNeedFirstEnterName,
// GetNeedFirstEnterName, SetCanUseSymbol, GetgameNeedClearUserInfo,
// SetgameNeedClearUserInfo, ClearUserInfoInGameEnd, SaveGameUserInfo,
// SetgameIntroDone, GetgameIntroDone, AddTool, SetLevelChapter,
// GetLIComicsName, GetLIComicsPictName, GetNeedGoFromGame2Map, IsNameInUse
// (name, except current), AddArt and SetNeededLevel, in that order.
void BindGameDataGlobals(TLuaBindings& bindings);
