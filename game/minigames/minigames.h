// The mini-games (game/minigames): the frame every mini-game window shares,
// TMiniGames, and the games built on it (the blocks game "mg01window" in
// mg01window.h). docs/minigames.md tells how a game plugs in.
//
// TMiniGames is a full-screen window that gives a game the same frame:
// the menu, journal, skip and (when the game offers one) restart buttons
// from main.xml "MiniGame"; the player's journal opened over the game; an
// embedded tutorial that shows the game's opening and closing messages;
// music and ambience; the fixed-step update clock (main.xml Common
// "animrate"); the Lua globals CloseMG() and MGEnd(); and the end of the
// game: what goes into the player's progress and which screen follows.
//
// A game derives from it, names itself in the constructor (its window type),
// loads its file in Init (through a TMGResources subclass, mgresources.h),
// and supplies Draw, Update, the mouse, SkipGame and optionally
// RestartGame, calling the frame's operations first. While one exists,
// gCurrentMiniGame points at it and a close request of the program window
// asks the mini-game's quit question (AskQuitMiniGame).
//
// Depends on game/story (journal, tutorial), game/scene (the way through
// the levels), game/shell (progress, buttons, sounds, the fade), ui/,
// render/ and audio/.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "game/minigames/mgresources.h"
#include "game/shell/widgets/commonsound.h"
#include "game/story/journalwish.h"
#include "game/story/tutorscripts.h"
#include "platform/string.h"
#include "ui/message.h"
#include "ui/window.h"

class Button_t;
class LogBook_t;
class TLuaBindings;
class TRandom;
class TiXmlElement;

class TMiniGames;

// The mini-game window that exists now, or null.
extern TMiniGames* gCurrentMiniGame;
// The variant of the mini-game files, 1 or 2 ("assets/minigame1_%d.xml").
extern int gMiniGameVariant;

class TMiniGames : public TWindow, public TMessageListener, public CommonSound_t {
public:
  // The frame of the game whose window type is `name`: records in the
  // progress that the player is in a mini-game (mLocationType 1), takes the
  // variant from GetMiniGameLevel (1 unless it is 1 or 2), binds CloseMG
  // and MGEnd, reads "animrate".
  explicit TMiniGames(const TString& name);
  ~TMiniGames() override;

  static TWindowClassId ClassId();
  const char* GetClassName() const override { return "TMiniGames"; }
  bool IsA(TWindowClassId id) const override { return id == ClassId() || TWindow::IsA(id); }

  // Buttons from main.xml "MiniGame" ("buttmenu", "buttlogbook", "buttskip",
  // "buttrestart" when canRestart), the display's size, the journal, the
  // music. The style's "fit" and "align" are not applied.
  void PostInit(TWindowStyle& style) override;
  // The buttons (menu, skip, restart, journal button), then the journal
  // unless it is closed. A game draws its picture first, then
  // DrawTutorial, then this.
  void Draw() override;
  // Button commands: "menu", "skipgame", "restart", "logbook",
  // "logbookclose", "logbookprev", "logbooknext", "logbookjournal",
  // "logbookphotographs"; anything else goes to the tutorial.
  bool OnMessage(TMessage* message) override;
  // Redraw request, tutorial, journal; a game whose file was refused ends
  // here as a skipped one. Always true.
  bool Update() override;
  // The frame's share of the mouse. True: taken (by the journal, the
  // tutorial, a frame button, or because the game is won); the game acts
  // only on a false result. A press on a frame button is taken, and so is
  // its release.
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  // Escape: the journal's close button while the journal shows, else the
  // menu button.
  bool OnChar(unsigned char c) override;

  // What the "skipgame" and "restart" commands do; nothing here.
  virtual void SkipGame() {}
  virtual void RestartGame() {}
  // The menu, the journal or the quit question opens over the game: what
  // the hand holds is put down first, so that the game drawn under it and
  // after it is the one the next click acts on (the pointer shows over it
  // again). Nothing here.
  virtual void PutDownHeld() {}

  // The game's music and ambience, played from PostInit.
  void SetSoundNames(const TString& music, const TString& ambient);
  // Opens the tutorial screen with that number; a negative one shows none.
  void StartTutorScreen(int number);
  // The closing message (screen finMessageNum). Without such a screen in
  // the game's tutorial the game ends at once, as CloseMG would (logged).
  void StartClosingMessage();
  // Acts on what the board asks at the end of a game: the closing message
  // (then isWon), or FinishMiniGame for this window under `name`. False while
  // the game still plays (kPlaying).
  bool FollowEndStep(MGEndStep step, const TString& name);
  // The tutorial from the "TutorScripts" child of the file's root.
  void LoadTutorial(const TiXmlElement* root);
  // The tutorial's shadow, then its box.
  void DrawTutorial();
  // Draw with the game's tray: the tray lies over the frame's buttons, but
  // under the journal while it shows (crates drawn over the open book would
  // hide its pages and look as if they could be taken).
  void DrawWithTray(const std::function<void()>& drawTray);
  // The journal is open and enabled: games hold their end sequence.
  bool IsLogBookOpen() const;

  // Lua CloseMG(): the closing message is over; the game's next update
  // finishes the game.
  void CloseMG();
  // Lua MGEnd(): the result into the progress (saved), and the way to the
  // main menu (CSWithSh with the window name). Won: the level's mini-game
  // moves the player to the next level (after the last one a new game
  // begins, keeping only the photographs); a mini-game that stands in a
  // chapter as a location is passed.
  // Not won: the player comes back into the mini-game.
  void MGEnd();
  // The end of a won game: MGEnd, then the next screen (the comic of the
  // level that is now current first when it has one, also after the last
  // level), the sound fade and the shadow that changes screens. `window` is
  // the window the scripts run for.
  void FinishMiniGame(TWindow* window, const TString& name);
  // The caption style of a file's "Text" element (mgresources.h).
  static MGTextStyle ReadTextStyle(const TiXmlElement* text) { return ReadMGTextStyle(text); }

  // A game whose file was refused calls this from its Init (after the
  // resources logged why): it draws only the frame and, on its first update,
  // ends as a skipped game (won: the level goes on).
  void SetLoadFailed();
  bool IsLoadFailed() const { return loadFailed_; }

  // The random numbers of the mini-games' rules; tests seed them.
  static TRandom& Random();
  // Opens the mini-game's quit question ("scripts/askgame2quit.lua") for
  // the current mini-game; nothing without one.
  static void AskQuitMiniGame();

  // --- Read access for tests ---
  LogBook_t* GetLogBook() const { return logBook; }
  TutorScripts_t& GetTutor() { return tutor; }
  Button_t* GetButton(const char* command) const;
  float GetAnimStep() const { return animStep; }
  int GetAnimRate() const { return animRate; }
  const std::string& GetWindowName() const { return windowName; }

  TString musicName;
  TString ambientName;
  float animStep = 0.016f;
  bool skipped = false;
  LogBook_t* logBook = nullptr;
  Button_t* buttMenu = nullptr;
  Button_t* buttLogbook = nullptr;
  Button_t* buttSkip = nullptr;
  Button_t* buttRestart = nullptr;
  bool canRestart = false;
  int animRate = 16;
  bool isWon = false;
  bool closeRequested = false;
  std::string windowName;
  TutorScripts_t tutor;
  int startMessageNum = -1;
  int finMessageNum = 1;

  // The screen MGEnd chose to follow a finished game.
  const std::string& GetNextScript() const { return nextScript_; }

private:
  // The end of a game whose file was refused (once): as a skipped one.
  void EndRefusedGame();
  // Opens the journal on the newest page, without the pen.
  void OpenLogBook();
  // Does the journal request kept in journalWish_ once the book can.
  void FollowJournalWish();

  bool loadFailed_ = false;
  bool left_ = false;
  bool buttonPressed_ = false;  // a press went to a frame button: its release is the frame's too
  // The game is won and its tutorial has no closing message to call CloseMG:
  // the skip button and Escape end it.
  bool noClosingMessage_ = false;
  JournalWish_t journalWish_;   // what the player last asked of the journal
  std::string nextScript_;
  std::unique_ptr<TLuaBindings> bindings_;  // last: unbound first
};
