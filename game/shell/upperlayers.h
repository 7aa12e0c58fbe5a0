// The seam between the shell and the game's upper libraries (game/scene,
// game/story, game/minigames). The shell never includes those folders: the
// program's entry (game/main.cpp) hands their window types and services to
// the shell here before the game starts, and the shell calls them through
// this table. Everything missing is skipped: a window type that nobody gave
// is not registered (one log line at start-up), a service that nobody gave
// answers with its documented fallback. So the game runs, with fewer
// screens, before the upper libraries exist. See docs/gameshell.md.
//
// Main thread only. Depends on platform/ and ui/.
#pragma once
#include <functional>
#include <memory>

#include "platform/geometry.h"
#include "platform/string.h"
#include "ui/window.h"

class TLuaBindings;

// What the photo album needs of the journal (the story's logbook). The story
// library implements it and gives a factory in TUpperLayerHooks::createLogBook.
class TAlbumLogBook {
public:
  virtual ~TAlbumLogBook() = default;
  // 0 the journal, 1 the photographs.
  virtual int GetSection() const = 0;
  // No page turn or section switch is running.
  virtual bool IsIdle() const = 0;
  // 0 opening, 1 open, 2 closing, 3 closed.
  virtual int GetOpenState() const = 0;
  virtual bool IsEnabled() const = 0;
  virtual void SetLastSpreadLimit(int spread) = 0;
  // Album mode: the two section tabs are neither drawn nor clickable.
  virtual void SetAlbumMode(bool on) = 0;
  // The two page-state values (the album sets 0 and 2).
  virtual void SetPageStates(int first, int second) = 0;
  // Adds an entry of that name unless present.
  virtual void AddEntry(const TString& name) = 0;
  virtual void Rebuild() = 0;
  // The last two-page spread; -1 without entries.
  virtual int GetLastSpread() const = 0;
  virtual void Open(int section, int spread) = 0;
  virtual void StartOpening() = 0;
  virtual void StartClosing() = 0;
  virtual void TurnPageBack() = 0;
  virtual void TurnPageForward() = 0;
  virtual void ShowJournal() = 0;
  virtual void ShowPhotographs() = 0;
  // Points in the owner window's coordinates. The logbook's buttons send the
  // commands "logbookclose", "logbookprev", "logbooknext", "logbookjournal"
  // and "logbookphotographs" to the owner window.
  virtual void OnMouseDown(const TPoint& p) = 0;
  virtual void OnMouseMove(const TPoint& p) = 0;
  virtual void OnMouseUp(const TPoint& p) = 0;
  // Inside the owner's 2-D drawing.
  virtual void Draw() = 0;
  virtual void Update(float seconds) = 0;
};

struct TUpperLayerHooks {
  // --- The play screen (game/scene) ---
  // Chooses the mouse cursor from the play screen's state; the main loop
  // calls it before each event. Missing: the cursor stays as set.
  std::function<void()> updateGameCursor;
  // The game is about to end (before the profiles close): the play screen
  // sends the play statistics of the level it was playing. Missing: nothing.
  std::function<void()> endPlay;

  // --- Story and guidance (game/story) ---
  // The Lua globals SetNameInfosToRun, SetNameComicsToRun and SetSplashInfo.
  // Missing: the call is logged (once per name) and does nothing.
  std::function<void(const TString& name)> setNameInfosToRun;
  std::function<void(const TString& name)> setNameComicsToRun;
  std::function<void(const TString&, const TString&, const TString&)> setSplashInfo;
  // The splash movie: missing means no movie plays.
  std::function<bool()> isFlashMoviePlaying;
  std::function<void()> stopFlashMovieOnClick;
  // A new journal for the photo album, built for `owner` from the owner's
  // "LogBook" description. Missing (or null): the album closes at once.
  std::function<std::unique_ptr<TAlbumLogBook>(TWindow* owner)> createLogBook;

  // --- Any upper library ---
  // Binds the library's own further Lua globals (such as the story's
  // GetSplashInfo); the main function calls it right after binding its own,
  // before the first script runs. Missing: none.
  std::function<void(TLuaBindings& bindings)> bindGlobals;

  // --- Mini-games (game/minigames) ---
  // Whether a mini-game window is open (the current-mini-game pointer is set).
  // Missing: never.
  std::function<bool()> isMiniGameOpen;
  // Opens the mini-game's quit question as a modal window.
  std::function<void()> askQuitMiniGame;
};

// The process-wide table; game/main.cpp fills it before the game starts.
TUpperLayerHooks& GetUpperLayerHooks();

// Window types of the upper libraries, by the Lua type name the scripts use:
// "MainGame", "CreditsWindow", "Comics", "Infos", "MiniTutor", "ComicsSpl",
// "Tutor", "mg01window", "mg02window", "mg03window", "mg05window", "mg06window". A
// later call for the same name replaces the creator; a null one removes it.
void AddUpperWindowType(const TString& name, TWindowCreator creator);
// The creator given for the name; null when none was.
TWindowCreator FindUpperWindowType(const TString& name);
// Forgets every window type and service (tests).
void ClearUpperLayers();

// The services with their fallbacks.
void UpdateGameCursor();
void EndPlay();
bool IsFlashMoviePlaying();
void StopFlashMovieOnClick();
bool IsMiniGameOpen();
void AskQuitMiniGame();
// The small information pop-up: RequestMiniTutor (storyservices.h), whose
// handler the story installs with SetMiniTutorHandler.
void ShowMiniTutor(TWindow* caller, const TString& key);
void SetNameInfosToRun(const TString& name);
void SetNameComicsToRun(const TString& name);
void SetSplashInfo(const TString& a, const TString& b, const TString& c);
