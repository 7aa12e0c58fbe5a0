// The game's entry and main loop: the defaults the game writes into the
// start-up settings, the game's main function that the framework calls once
// the platform exists (game data, profiles, display, particles, cursor, the
// game's window types and Lua globals, "scripts/mainloop.lua"), the event
// loop with its quit question, and the shut-down.
//
// The order of start-up and the scripts the loop runs are in
// docs/gameshell.md. Main thread only. Depends on platform/, ui/, the
// shell's game data, profiles, particles, play log and screens, and on the
// upper libraries only through upperlayers.h.
#pragma once
#include <cstdint>

#include "platform/event.h"
#include "platform/string.h"

class TLuaBindings;
class TPlatform;
class TWindowManager;

// Writes the game's defaults into the start-up settings (before the
// framework reads its settings file and the command line, which may
// override them): "gamename", "publisher", "encryptionkey", "kngamehandle",
// "overlaymouse", "kngamemodename1/2", "kngamemedalname1/2", "vsync".
void SetGameSettingsDefaults();
// The portal reporting's table of events (eighteen game-state calls).
void RegisterGameStateEvents();

// The script that opens the game's first screen; its folder is the data folder.
constexpr const char* kFirstScript = "scripts/mainloop.lua";

// The game's main function (TGameMain): start-up, the loop, the shut-down.
// When the first script cannot run or leaves no screen standing (a player
// would face a black screen with no way out), the start ends: the reason on
// standard error and in the log, exit code 1. A quit that a signal posted
// ends the game as a script's quit does (no game-over page).
void GameMain(TPlatform* platform, const TString& commandLine);

// --- The three flags of the loop ---
// The application is active (the last activation event said so); read by
// the play screen's drawing and update.
bool IsAppActive();
void SetAppActive(bool active);
// Lua SetNeedQuit: the loop ends after the event in hand.
void SetNeedQuit();
bool GetNeedQuit();
// Lua SetShowQuitRequest: a quit question is on screen (only 1 sets it).
void SetShowQuitRequest(int value);
bool GetShowQuitRequest();
// All three back to their start values (start-up, tests).
void ResetGameMainFlags();

// Lua StatUrl: opens the address the string table holds under the label.
void StatUrl(const TString& label);

// The 22 window types of the game, in the order they are registered.
constexpr int kGameWindowTypeCount = 22;
extern const char* const kGameWindowTypes[kGameWindowTypeCount];
// Registers them in that order: the shell's own screens and widgets, the
// others as given to AddUpperWindowType; a type nobody gave is skipped with
// one log line. "Slider" is registered again with the stock slider and
// "TextEdit" becomes the game's typing edit.
void RegisterGameWindowTypes(TWindowManager* wm);
// The 28 Lua globals of the main function, in their order.
constexpr int kGameGlobalCount = 28;
extern const char* const kGameGlobals[kGameGlobalCount];
void BindGameMainGlobals(TLuaBindings& bindings);

// --- The loop ---
// What the loop needs of the world; the loop's decisions depend on nothing else.
class TGameLoopPort {
public:
  virtual ~TGameLoopPort() = default;
  virtual void GetEvent(TPlatformEvent* event) = 0;
  // The window manager's event handler.
  virtual void HandleEvent(const TPlatformEvent& event) = 0;
  // Runs "scripts/quitverify.lua".
  virtual void RunQuitVerify() = 0;
  virtual bool IsMiniGameOpen() = 0;
  virtual void AskQuitMiniGame() = 0;
  // Stores the display mode as the "fullscreen" preference and saves.
  virtual void StoreFullScreenPref() = 0;
  virtual void UpdateGameCursor() = 0;
  virtual bool IsFlashMoviePlaying() = 0;
  virtual void StopFlashMovieOnClick() = 0;
};

enum class TLoopEnd {
  kQuitEvent,     // the platform's quit event: the game-over page is opened
  kCloseRequest,  // a close request nobody asked about
  kQuitFlag,      // a script called SetNeedQuit
};

// Runs events until the game ends. A close request runs the quit script;
// without a question on screen (SetShowQuitRequest(1)) and without an open
// mini-game it ends the game; with a mini-game open the mini-game's question
// is asked once and the flag set. While the flag is set, close requests go
// to the windows; only a script clears it (the demo's "No" does).
TLoopEnd RunGameLoop(TGameLoopPort& port);

// The shut-down after the loop: the game-over page (after a quit event
// only), the particles, then the profiles (saving the current player).
void ShutdownGame(TLoopEnd end);
