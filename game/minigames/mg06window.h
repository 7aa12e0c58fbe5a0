// The wounds game, window type "mg06window" (TMG06Window): a gull's hurt wing
// (or a grazed hand) lies on the screen with dirt over its wounds; the tools
// lie in the pane. The player takes the brush and, holding the button, rubs
// the dirt away, then takes the disinfectant and presses it on each clean
// wound. A wound left too long after the brush leaves it gets its dirt back.
// Every wound clean and disinfected wins: after "win_counter" seconds the
// closing message shows. "Skip" cleans and disinfects everything.
//
// The brushed dirt lives in the dirt textures themselves; the window keeps
// one restore task (TextureRefreshTaskMG06) in the platform's restore list
// that writes the brushed state back into them after the display lost its
// surfaces.
//
// Data: "assets/minigame6_<variant>.xml" (docs/minigames.md); the board
// without the window is in mg06wounds.h.
#pragma once
#include <boost/shared_ptr.hpp>

#include "game/minigames/mg06wounds.h"
#include "game/minigames/minigames.h"
#include "platform/task.h"

class TMG06Window;
class TSound;
class TTextSprite;

class Game06Resources_t : public TMGResources {
public:
  // "assets/minigame6_<variant>.xml".
  TString GetFileName(int variant) const override;
};

// Runs after every restore of the display's surfaces: the window's wounds
// get their brushed alpha back. Stays in the list until the window removes it.
class TextureRefreshTaskMG06 : public TTask {
public:
  explicit TextureRefreshTaskMG06(TMG06Window* window) : window_(window) {}
  bool DoTask() override;

private:
  TMG06Window* window_;
};

class TMG06Window : public TMiniGames {
  LANTERN_WINDOW_CLASS(TMG06Window, TMiniGames)

public:
  TMG06Window();
  // Takes the refresh task out of the restore list and deletes it.
  ~TMG06Window() override;

  // Starts the update clock, builds the game (RestartGame), sets the sounds
  // and the cursor and starts the opening message. A refused file ends as
  // a skipped game (TMiniGames::SetLoadFailed).
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseButton(const TPoint& p, int code) override { return false; }
  // The button went up: brushing stops, wherever the release went.
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  // The mouse left the window (or another window took it): brushing stops.
  bool OnMouseLeave() override;
  // Every wound clean and disinfected; a tool in the hand goes back.
  void SkipGame() override;
  // The tool in the hand goes back to the pane and brushing stops (the
  // menu, the journal, the quit question or a message opens over the game).
  void PutDownHeld() override;
  // Reads the resources and the file again and lays the game out; adds the
  // refresh task to the restore list once. Run by Init (the game offers no
  // restart button).
  void RestartGame() override;

  // The window's pass over the file; false (logged) when it is refused.
  bool LoadGameFile();
  // Every wound's brushed alpha into its dirt texture.
  void RefreshWoundTextures();

  const Game06Resources_t& GetResources() const { return resources; }
  TextureRefreshTaskMG06* GetRefreshTask() const { return refreshTask_; }

  WoundsBoard board;
  boost::shared_ptr<TTextSprite> caption;
  boost::shared_ptr<TSound> clickSound;
  Game06Resources_t resources;

private:
  void SetMainCursor();
  void ApplyToolChange(const WoundsBoard::ToolChange& change);
  void StopBrushing();

  TextureRefreshTaskMG06* refreshTask_ = nullptr;
  bool loaded_ = false;
};
