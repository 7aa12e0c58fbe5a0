// The blocks game, window type "mg01window" (TMG01Window): blocks of N
// kinds lie in a tray at the bottom of the screen, some cells of the N x N
// board are filled already, and the player carries blocks into the empty
// cells so that no kind stands twice in any row or column. A click picks a
// block up, it follows the mouse, and the next click puts it down; a block
// that breaks the rule shakes. When every block is right the board slides
// off the screen, the closing message follows and the game ends. "Skip"
// fills the board itself.
//
// At rest (nothing moving, no message, the journal closed) the game is
// drawn from one picture composed of everything it draws (background,
// board, blocks, pane, caption, buttons and tray), made again one still
// frame after anything in it changed; it gives the pixels the pieces give.
//
// Data: "assets/minigame1_<variant>.xml" (docs/minigames.md); the rules and
// the solver without the window are in blocksrules.h.
#pragma once
#include <cstdint>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/minigames/blocksrules.h"
#include "game/minigames/minigames.h"

class TSound;
class TTextSprite;

class Game01Resources_t : public TMGResources {
public:
  // "assets/minigame1_<variant>.xml".
  TString GetFileName(int variant) const override;

  boost::shared_ptr<TTexture> bigBlock;   // "bigBlock": the board
  boost::shared_ptr<TTexture> boundsImg;  // "boundsimg": its size is one cell's

protected:
  // "bigBlock" and "boundsimg"; refuses a file whose cell picture cannot be
  // loaded (the board would have no size).
  bool LoadOwn(const TiXmlElement* root, const TiXmlElement* common, TString* why) override;
};

class TMG01Window : public TMiniGames {
  LANTERN_WINDOW_CLASS(TMG01Window, TMiniGames)

public:
  TMG01Window();
  ~TMG01Window() override;

  // Starts the update clock, loads the file (resources, then LoadLevel),
  // sets the cursor, makes the caption and starts the opening message. A
  // refused file ends as a skipped game (TMiniGames::SetLoadFailed).
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseButton(const TPoint& p, int code) override { return false; }

  // Fills the board with a right filling (only while playing, not solved).
  void SkipGame() override;
  // The block in the hand is put down as a press where the pointer last was
  // would put it (the menu, the journal or the quit question opens over the
  // game).
  void PutDownHeld() override;

  // The window's pass over the file; false (logged) when it is refused.
  bool LoadLevel();
  // Puts block i at its tray place (two rows from "preview_pos").
  void TrayPosition(int i);
  // The rule over every player cell: right blocks rest, wrong ones shake.
  void CheckBoard();
  // Every block is right (or `solved` was set).
  bool IsSolved() const;
  // One solver pass over the records (blocksrules.h) with the mini-games'
  // random numbers.
  int SolveStep(std::vector<BlockCandidates>& records);
  void StepSlide(float dt);
  void StepShake(BlockPiece& piece, float dt);
  void DrawPiece(const BlockPiece& piece);

  // The game at rest is drawn from its composed picture (on by default);
  // off, piece by piece, as the plain drawing comparisons draw it.
  static void SetComposingEnabled(bool enabled);
  // Whether the last Draw drew the composed picture.
  bool IsComposedDrawn() const { return composed_.shown; }

  // Geometry: the cell's top-left now (it moves with the board), the place
  // of a block of `kind` standing in it, and the top of the tray area.
  TVec2 CellCorner(int index) const;
  TVec2 PlaceInCell(int index, int kind) const;
  float TrayTop() const;
  // The cell of the board under the point, or -1.
  int CellAt(const TPoint& p) const;
  // Whether the point is on the block (its picture's rectangle and an
  // opaque pixel; the board or tray picture by where the block lies).
  bool HitsBlock(int i, const TPoint& p) const;

  int Kinds() const { return int(types.size()); }
  const Game01Resources_t& GetResources() const { return resources; }

  std::vector<BlockType> types;
  std::vector<BlockCell> cells;
  std::vector<BlockPiece> pieces;
  float blockDx = 0, blockDy = 0;
  int heldPiece = -1;
  int carriedPiece = -1;
  float slideTime = 0;
  int slideState = 0;
  bool solved = false;
  TVec2 lastMouse;
  float winDelay = 0;
  bool finishing = false;
  boost::shared_ptr<TTextSprite> captionSprite;
  Game01Resources_t resources;
  TVec2 boardOrigin;
  TVec2 boardPos;
  boost::shared_ptr<TSound> clickSound, sandSound;

private:
  // Putting the held block down at the point (a cell, the tray, or where it is).
  void PutDown(const TPoint& p);
  // A press on the game at the point: sets the block in the hand down, or
  // picks one up.
  void Press(const TPoint& p);
  void Pick(int i);
  boost::shared_ptr<TTexture> PictureOf(const BlockPiece& piece) const;

  // Everything the game draws, piece by piece, from the background to the tray.
  void DrawPieces();
  // The game from its composed picture, composing it first when the game has
  // stood still since the last frame; false when it must be drawn piece by
  // piece (something moves or changed just now, a message or the journal
  // shows, the display scales, the background is not opaque everywhere).
  bool DrawComposed();
  // Whether the drawing now may come from a composed picture at all.
  bool ComposableNow() const;
  // Draws the pieces into composed_.picture; false when it cannot draw now
  // (to be tried again).
  bool Compose();
  // What the composed picture is drawn from (textures with their surface
  // serials, places, states, the buttons' looks), but for the caption's
  // words, which are compared in place.
  void ComposedKey(std::vector<uintptr_t>& key) const;
  const TString& CaptionText() const;

  struct ComposedPicture {
    boost::shared_ptr<TTexture> picture;
    std::vector<uintptr_t> key;       // what the picture shows
    std::vector<uintptr_t> lastKey;   // the previous frame's, while drawn piece by piece
    std::vector<uintptr_t> frameKey;  // this frame's (kept storage: a still frame allocates nothing)
    TString caption;
    bool composed = false;  // the picture gives the pieces' pixels
    bool shown = false;     // the last Draw drew it
  } composed_;
};
