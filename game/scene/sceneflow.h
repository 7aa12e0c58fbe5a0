// Where the player is in the levels of main.xml and where the game goes
// after a place is done: the next location of the chapter, the next chapter,
// the level's mini-game, the next level, or back to the main menu at the end
// of the game. Also the seam through which a mini-game that stands in a
// chapter as a location (a Loc with "mgame") hands the flow back.
//
// The progress ids: levelId and chapterId are the ids of main.xml's Level and
// Chapt; locationId is the 1-based index of the Loc within its chapter.
// mLocationType is 0 while the player plays locations and 1 while a
// mini-game is due or open. docs/scene.md tells the whole road.
// Depends on the shell's game data and progress.
#pragma once
#include <string>

#include "platform/string.h"

class TWindow;
class TiXmlElement;
class GameProgress;
struct GameLevel;
struct GameChapter;
struct GameLocation;

// The place the progress stands on.
struct ScenePlace {
  const GameLevel* level = nullptr;
  const GameChapter* chapter = nullptr;
  const GameLocation* location = nullptr;    // null when locationId names no Loc
  const TiXmlElement* locElement = nullptr;  // the main.xml Loc element
  int index = -1;                            // 0-based index of the Loc in its chapter
  // The Loc's own mini-game ("mgame", "mgame_num"): the place is a mini-game.
  TString miniGame;
  int miniGameNum = 1;
  TString photo;  // "photo": the photograph the location earns (overrides the level file's)

  // The name of the place's progress record: the Loc's "filename", or for a
  // mini-game Loc without one "<mgame>_<mgame_num>".
  TString RecordName() const;
};

// The place of the current progress (GetGameProgress()).
ScenePlace FindCurrentPlace();
ScenePlace FindPlace(int levelId, int chapterId, int locationId);

// What comes after a place.
enum class TNextStep {
  kLocation,       // another location (or location mini-game): scripts/maingame.lua
  kLevelMiniGame,  // the level's mini-game is due (mLocationType = 1)
  kGameEnd,        // the last level is done: the main menu
};

// Moves the progress on from the current place: the next Loc of the
// chapter, else the first Loc of the chapter after it in the level, else the
// level's mini-game when it has one (mLocationType 1, ids kept: the
// mini-game's own end moves on to the next level), else the next level (by
// id + 1) at its first chapter. After the last level the progress is
// cleared for a new game and the go-to-main-menu flag is set.
TNextStep AdvanceProgress();

// The end of the level's mini-game as a won game: the next level's first
// chapter and location, mLocationType 0; after the last level as above.
TNextStep FinishLevelMiniGame();

// The script of the screen that follows a step.
const char* NextScreenScript(TNextStep step);

// The screen for the place the progress stands on, settling what needs no
// screen on the way:
// - a mini-game (the Loc's own, or the level's while mLocationType is set)
//   whose window type is registered and whose script exists: its number
//   goes to SetMiniGameLevel, mLocationType becomes 1, and the result is its
//   script (MiniGameScriptName);
// - a mini-game that is not there is skipped as if won (logged);
// - a location already passed is stepped over; progress ids that name no
//   location go back to main.xml's start (logged);
// - a hidden-object location gives "scripts/maingame.lua";
// - the end of the game gives "scripts/mainmenu.lua".
std::string EnterDuePlace();
// "scripts/<type>.lua" for a window type made of letters, digits and "_"
// (at most 64); empty for anything else.
std::string MiniGameScriptName(const TString& type);
// Whether the mini-game of that window type can be opened: the type is
// registered with the window script and its script exists.
bool IsMiniGameAvailable(const TString& type);
// Whether a screen can be opened: the window type is registered with the
// window script and the script exists.
bool IsScreenAvailable(const TString& type, const std::string& script);

// --- Mini-games that stand in a chapter as a location ---
// Whether the place the progress stands on is a Loc with "mgame".
bool IsLocationMiniGameDue();
// For the mini-game frame at the end of such a mini-game, in place of the
// level mini-game's progress update. Won: the place's record is passed (with
// its dates), the progress moves on (AdvanceProgress) and is saved. Not won:
// mLocationType stays 1, so the player comes back into the mini-game. Returns
// the script of the next screen: "scripts/maingame.lua", or
// "scripts/mainmenu.lua" when not won or the game ended; the caller then
// changes screens (CSWithSh(its window name, script), StartSoundFade,
// DoModal('scripts/shadow.lua')).
std::string FinishLocationMiniGame(bool won);

// The information pop-up of that name over the caller: SetNameInfosToRun,
// then "DoModal('scripts/infos.lua')". Only logged when the program has no
// "Infos" window or no such script.
void OpenInfos(TWindow* caller, const TString& name);
// The screen after a step that began a new level: its intro comic first
// ("scripts/splashstart.lua" after SetSplashInfo(comic, picture, next)) when
// the level has one not yet shown and the program has the splash screen;
// else `next`.
std::string ThroughLevelIntro(const std::string& next);

// Marks the record of `name` passed with today's date and time (adds it when missing).
void MarkPlacePassed(const TString& name);
// Saves the current player's progress (nothing without a profile manager).
void SaveSceneProgress();
