// The keys game, window type "mg03window" (TMG03Window): a key board with a
// row (or two) of keyholes and a row of picture tiles, and the keys lying
// shuffled in a tray. One press picks a key up, the next puts it down: on
// its own keyhole it goes in with a click and its tile fades in; anywhere
// else it goes back to the tray. A press on a key that is in turns it (and
// its tile) a quarter further, or by whatever "count_turns" makes a step.
// When every key is in and every tile stands upright, the board slides up
// out of the picture and the closing message follows after "win_counter"
// seconds. "Skip" puts every key in and turns it home; a key in the hand is
// dropped first. No restart.
//
// Data: "assets/minigame3_<variant>.xml" (docs/minigames.md); the board
// without the window is in mg03keys.h.
#pragma once
#include <boost/shared_ptr.hpp>

#include "game/minigames/mg03keys.h"
#include "game/minigames/minigames.h"

class TSound;
class TTextSprite;

class Game03Resources_t : public TMGResources {
public:
  // "assets/minigame3_<variant>.xml".
  TString GetFileName(int variant) const override;

  TString text2;  // the second caption, translated; the first one when the file gives none

protected:
  // "text2" (or "text").
  bool LoadOwn(const TiXmlElement* root, const TiXmlElement* common, TString* why) override;
};

class TMG03Window : public TMiniGames {
  LANTERN_WINDOW_CLASS(TMG03Window, TMiniGames)

public:
  // The cursor while a key is in the hand (the key itself follows the mouse).
  static constexpr const char* kEmptyCursor = "cursor/cursor_empty";

  TMG03Window();
  ~TMG03Window() override;

  // Starts the update clock, loads the file (resources, then LoadKeys), sets
  // the cursor, makes the captions and starts the opening message. A
  // refused file ends as a skipped game (TMiniGames::SetLoadFailed).
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseButton(const TPoint&, int) override { return false; }
  void SkipGame() override;
  // The key in the hand goes back to the tray (the menu, the journal or the
  // quit question opens over the game).
  void PutDownHeld() override;

  // The window's pass over the file: the keys with their pictures, the
  // plate, the tutorial screens; false (logged) when it is refused.
  bool LoadKeys();
  void DrawSlot(const KeySlot& slot);
  void DrawHeldKey(const TVec2& mouse);

  const Game03Resources_t& GetResources() const { return resources; }
  KeysBoard& GetBoard() { return board; }
  int GetSetKeyNum() const { return setKeyNum; }

  KeysBoard board;
  int setKeyNum = -1;
  boost::shared_ptr<TTexture> plateImage;
  boost::shared_ptr<TTextSprite> textSprite, text2Sprite;
  Game03Resources_t resources;
  boost::shared_ptr<TSound> clickSound;
};
