// The hidden-object play screen (game/scene): TMainGame, window type
// "MainGame", made by "scripts/maingame.lua" in a modal window named
// "MainGame". It plays the location the player's progress stands on (or
// hands over to the mini-game that is due): the location picture with its
// hidden objects, the panel with the list of what to find, the menu, journal
// and hint buttons, clicks that find objects (picture effect "EffFind",
// particles "object_found", a sound, the progress and the play statistics),
// a penalty for random clicks, a hint that refills over time ("EffHint",
// "hint_3"), the coins, and at the end of the location the saved progress,
// the caption "EffGameWin" and the way on (sceneflow.h).
//
// Layout, sounds and timings come from main.xml "MainGame", "Hint",
// "FinAnim" and "Common"; the location from its level file (levelfile.h).
// The story plugs in through scenestory.h. docs/scene.md has the details.
// Depends on ui/, render/, audio/ and game/shell.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/scene/levelfile.h"
#include "game/scene/sceneobject.h"
#include "game/scene/sceneparts.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/pictureeffect.h"
#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/random.h"
#include "ui/message.h"
#include "ui/window.h"

class Button_t;
struct PaneDescr_t;
class SceneStory_t;
class TSound;
class TTextBlock;
class TTextEff;
class TTexture;
class TWindowManager;

// The particle owner of the scene's emitters (the main menu draws owner 0).
constexpr int kSceneParticleOwner = 7;

// Layout and rules of the scene, from main.xml (defaults in docs/scene.md).
struct SceneSettings {
  TString panel = "backgrounds/panel,0,640";  // a pane: "picture,x,y"
  int playBottom = 640;  // clicks at or below this row belong to the panel
  TString buttMenu, buttLogbook, buttHint;
  TRect listRect{188, 668, 188 + 522, 668 + 90};  // the list's cells fill it
  int listColumns = 3, listRows = 3;
  TString listFont = "fonts/default.mvec";
  int listFontSize = 21;
  TFloatColor listColor{43 / 255.0f, 33 / 255.0f, 24 / 255.0f, 1};
  TRect coinsRect{852, 14, 852 + 156, 14 + 40};
  int coinsFontSize = 24;
  TString penalty;  // MessageRecord description of the veil
  float penaltyTime = 3.0f;
  float penaltyWindow = 2.5f;  // misses further apart than this start the count again
  int penaltyClicks = 5;       // main.xml Common "penalti_clicks_count"
  float hintTime = 30.0f;      // main.xml Hint "time": seconds to refill
  bool hintFull = true;        // Hint "full": the first hint is ready at once
  TRect hintRing{874, 658, 978, 762};
  TString hintMiniTutor;  // Hint "minitutor": the info key shown when it is pressed while refilling
  float finTime = 1.0f;   // FinAnim "timeShow": the least time the finished scene stays
  TString soundFound, soundWrong, soundHint, soundCoin, soundComplete;
  bool cheat = false;  // Common "Cheet": F5 finds an object

  // Reads main.xml.
  void Load();
};

class TMainGame : public TWindow, public CommonSound_t, public TEffHolder_t {
  LANTERN_WINDOW_CLASS(TMainGame, TWindow)

public:
  enum class TState {
    kStarting,   // before the first update
    kPlaying,
    kFinishing,  // every object found: the last effects run
    kWon,        // the location is recorded: the caption shows
    kLeaving,    // the screen change has been asked for
  };

  TMainGame();
  ~TMainGame() override;

  // Reads main.xml, makes the story object, then enters the place the
  // progress stands on (a location is loaded here; anything else is a
  // screen change asked for on the first update).
  void Init(TWindowStyle& style) override;
  void PostInit(TWindowStyle& style) override;
  void Draw() override;
  // One fixed step ("animrate" ms; 16 by default).
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  bool OnChar(unsigned char c) override;
  // Button commands: "menu", "logbook", "hint"; others go to the story.
  bool OnMessage(TMessage* message) override;
  void OnEffectEnd(TString name) override;

  // --- What the player can do (also the tests' way in) ---
  // A click on the play field at p: finds the front-most listed object
  // there, else counts a miss. False when the scene does not take clicks now.
  bool ClickAt(const TPoint& p);
  // The hint: shows one unfound listed object. False when it cannot now.
  bool UseHint();
  // Escape and the menu button: "DoModal('scripts/gamemenu.lua')".
  void OpenGameMenu();
  // The panel's journal button (null without one).
  const Button_t* GetJournalButton() const { return buttLogbook_.get(); }
  // Advances the scene by `dt` seconds (Update does it with the fixed step).
  void Step(float dt);

  // --- State, for the story and the tests ---
  TState GetState() const { return state_; }
  // Whether an object's picture effect (a find or a hint) still runs.
  bool EffectsRunning() const;
  bool IsLoaded() const { return loaded_; }
  const LevelData& GetLevel() const { return level_; }
  const TString& GetRecordName() const { return record_; }
  // The objects of the level, in file order (drawing order).
  const std::vector<std::unique_ptr<Object_t>>& GetObjects() const { return objects_; }
  bool IsFound(size_t index) const { return index < found_.size() && found_[index]; }
  // The indexes of the objects the list shows now, in order.
  const std::vector<size_t>& GetListed() const { return listed_; }
  int GetLeftToFind() const;
  int GetMisses() const { return misses_; }
  const MessageRecord& GetPenalty() const { return penalty_; }
  bool IsPenaltyOn() const { return penaltyLeft_ > 0; }
  float GetHintCharge() const { return hintCharge_; }
  // The object the last hint showed (-1 none).
  int GetHintedObject() const { return hinted_; }
  const SceneSettings& GetSettings() const { return settings_; }
  SceneStory_t* GetStory() const { return story_.get(); }
  // The script of the screen change asked for (empty until one is).
  const std::string& GetNextScript() const { return nextScript_; }
  // The cursor picture the scene wants at the last mouse position.
  TString ChooseCursor() const;
  // The list and the coins are drawn into pictures of their own when they
  // change; this draws them again (after a display restore).
  void MarkTextsDirty() { textsDirty_ = true; }

  // The scene that exists now (null when none): the one UpdateGameCursor reads.
  static TMainGame* Current();
  // The cursor of the play screen for the moment, set when it changed;
  // nothing when no play screen exists. The main loop calls it before each event.
  static void UpdateGameCursor();
  // The program is about to end: the scene that exists sends the
  // statistics of a level left unfinished (once; its destruction then sends nothing).
  static void EndPlayAtExit();
  // The scene's random numbers (the hint's choice); tests seed them.
  static TRandom& Random();

private:
  class TListener;

  bool LoadLocation();
  void BuildList();
  void FindObject(size_t index);
  void Miss();
  void StartPenalty();
  void CompleteLocation();
  void Leave(const std::string& script);
  // Sends the level's play statistics once (a level played or finishing).
  void SendStatistics();
  void PlaySound(const TString& name);
  bool TakesInput() const;
  void DrawPanel();
  void DrawHintRing();
  void DrawTextAt(TTextBlock* block, const TRect& rect, float alpha);
  void RenderTexts();

  SceneSettings settings_;
  TState state_ = TState::kStarting;
  bool loaded_ = false;
  std::string pendingScript_;  // a screen change waiting for the first update
  std::string nextScript_;
  LevelData level_;
  TString record_;
  TString photo_;
  TString startMessage_, finishMessage_;
  boost::shared_ptr<TTexture> background_;
  std::unique_ptr<PaneDescr_t> panel_;
  std::vector<std::unique_ptr<Object_t>> objects_;
  std::vector<bool> found_;
  std::vector<size_t> listed_;
  std::vector<TTextBlock*> cells_;
  TTextBlock* coinsText_ = nullptr;
  boost::shared_ptr<TTexture> listTexture_, coinsTexture_;
  bool textsDirty_ = true;
  TTextBlock* penaltyText_ = nullptr;
  std::unique_ptr<Button_t> buttMenu_, buttLogbook_, buttHint_;
  MessageRecord penalty_;
  float penaltyLeft_ = 0;
  int misses_ = 0;
  float sinceMiss_ = 0;
  float hintCharge_ = 1.0f;
  int hinted_ = -1;
  float step_ = 0.016f;
  float finishClock_ = 0;
  int levelBefore_ = 0;  // the level the finished location belonged to
  std::unique_ptr<TTextEff> winText_;
  std::unique_ptr<SceneStory_t> story_;
  std::unique_ptr<TListener> listener_;
  TPoint mouse_{-1, -1};
  float playClock_ = 0;
  bool statisticsSent_ = false;
};

// Registers the window type "MainGame" with the window manager (programs
// and tests without the shell's start-up table).
void RegisterSceneWindowTypes(TWindowManager* wm);
