// The mosaic game, window type "mg05window" (TMG05Window): a board picture
// stands on the screen and its pieces lie in a tray along the bottom pane. A
// press picks a piece up, the right button turns it a quarter turn, the next
// press drops it: in the pane it goes back to the tray, near a place of its
// kind with the right turn it snaps there (with a click), elsewhere it stays.
// Once every piece lies right the mosaic glides sideways, then the closing
// message shows. "Skip" lays every piece on its place.
//
// Data: "assets/minigame5_<variant>.xml" (docs/minigames.md); the board
// without the window is in mg05mosaic.h.
#pragma once
#include <boost/shared_ptr.hpp>

#include "game/minigames/mg05mosaic.h"
#include "game/minigames/minigames.h"

class TSound;
class TTextSprite;

class Game05Resources_t : public TMGResources {
public:
  // "assets/minigame5_<variant>.xml".
  TString GetFileName(int variant) const override;
};

class TMG05Window : public TMiniGames {
  LANTERN_WINDOW_CLASS(TMG05Window, TMiniGames)

public:
  TMG05Window();
  ~TMG05Window() override;

  // Starts the update clock, loads the file (resources, then LoadMosaic),
  // sets the cursor, makes the caption and starts the opening message. A
  // refused file ends as a skipped game (TMiniGames::SetLoadFailed).
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  // The right button turns the piece in the hand; always false.
  bool OnMouseButton(const TPoint& p, int code) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  // Lays every piece on its place (a piece in the hand is dropped first).
  void SkipGame() override;
  // A piece in the hand is dropped as a press where the pointer last was
  // would drop it: over the pane back to the tray, near its place onto it,
  // else where it lies.
  void PutDownHeld() override;

  // The window's pass over the file; false (logged) when it is refused.
  bool LoadMosaic();
  // A piece with its picture (turned) or its preview, the picture's top-left texel at its origin.
  void DrawPiece(const MosaicPiece& piece, bool preview) const;

  const Game05Resources_t& GetResources() const { return resources; }

  MosaicBoard board;
  boost::shared_ptr<TTexture> boardImage;
  boost::shared_ptr<TTextSprite> caption;
  boost::shared_ptr<TSound> clickSound;
  Game05Resources_t resources;

private:
  void SetMainCursor();
  void SetEmptyCursor();
  // The cursor, the click and a redraw after a press.
  void FollowPress(const MosaicBoard::PressResult& r);
};
