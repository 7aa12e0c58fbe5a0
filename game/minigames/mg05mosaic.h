// The mosaic game's board without a window: what it reads of its own part of
// "assets/minigame5_<n>.xml", the types, places and pieces, the geometry of
// a piece turned in quarter turns, picking, carrying, turning and dropping,
// the test of a finished mosaic, the winning slide, the skip and the end of
// play. TMG05Window (mg05window.h) holds one.
//
// A board picture stands on the screen; the pieces lie in a tray along the
// bottom pane. One press picks a piece up (from the tray or from the board,
// the frontmost opaque one), the right button turns it a quarter turn
// clockwise, the next press drops it: in the pane it goes back to the tray
// unturned, near a place of its type that accepts its turn (10 pixels on
// both axes) it snaps there, anywhere else it stays where it is, in front.
// The mosaic is finished when every piece lies exactly on a place of its own
// with its type and an accepted turn. It then glides sideways by a fifth of
// the board's width over 5 seconds and, "win_counter" seconds later, the
// closing message shows. docs/minigames.md describes the file.
//
// Depends on platform/, render/ (texture handles and their pixels) and the
// mini-games' shared reader (mgresources.h).
#pragma once
#include <functional>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/minigames/mgresources.h"
#include "platform/geometry.h"
#include "platform/string.h"

class TTexture;
class TiXmlElement;

// Limits on what a file may ask for.
constexpr int kMaxMosaicTypes = 64;
constexpr int kMaxMosaicParts = 256;
// A dropped piece snaps onto a place when its bounds lie this close (pixels, both axes, inclusive).
constexpr float kMosaicSnapDistance = 10.0f;
// Seconds the finished mosaic glides; it travels the board's width divided by this.
constexpr float kMosaicSlideTime = 5.0f;
constexpr float kMosaicSlideDivisor = 5.0f;
// Pixels between neighbouring tray places.
constexpr int kMosaicTrayGap = 5;

// One "Type" as written.
struct MosaicTypeNames {
  int num = 0;
  TString img, preview;
};

// One "Part" as written: the place of one piece.
struct MosaicPartData {
  int type = 0;             // "type_num": index into the types
  TVec2 pos;                // relative to the board's position
  std::vector<int> states;  // accepted turns, 0..3
};

// The game's own part of its file.
struct MosaicFileData {
  int startMessageNum = -1, finMessageNum = 1;
  TString board;  // "mosaic_back"
  TVec2 boardPos; // "mosaic_pos"
  std::vector<MosaicTypeNames> types;
  std::vector<MosaicPartData> parts;
};

// Reads the tutorial screens, "mosaic_back", "mosaic_pos", "Types" and
// "Mosaic". False, with the reason, without "Types" or "Mosaic", or when a
// "Type" lacks a picture. Parts with an unknown type or no "pos" are left
// out, turns outside 0..3 are dropped, types beyond kMaxMosaicTypes and parts
// beyond kMaxMosaicParts are dropped; each with a log line. "state" items are
// trimmed and empty ones skipped ("2 ; 0" accepts 2 and 0).
bool ReadMosaicFile(const TiXmlElement* root, const TiXmlElement* common, MosaicFileData* out, TString* why);
// The items of a "state" value: trimmed, empty ones skipped; false when an
// item is not a whole number 0..3 (the good ones are still returned).
bool ReadMosaicStates(const char* text, std::vector<int>* out);

// One type of piece: its full picture (board and hand) and its tray picture.
// Sizes are the pictures' (tests give sizes without pictures).
struct MosaicType {
  int num = 0;
  boost::shared_ptr<TTexture> image, preview;
  TPoint imageSize, previewSize;
};

// A place on the board.
struct MosaicSlot {
  int type = 0;
  std::vector<int> states;
  TVec2 position;  // where the placed piece's bounds lie: "pos" plus the board's position at loading
  bool free = true;
  bool Accepts(int rotation) const;
};

// One piece (one per place, in place order).
struct MosaicPiece {
  int type = 0;
  int rotation = 0;   // quarter turns clockwise; 0 while in the tray
  TVec2 position;     // top-left of the unturned picture
  TVec2 origin;       // where the picture's top-left texel lands after the turn
  TVec2 slideStart;
  TVec2 bounds;       // top-left of the rectangle the turned picture covers
  int depth = 0;      // 0 in front; the depths are always 0..n-1
  bool inTray = true;
  bool placedBySkip = false;
};

// Origin and bounds of a picture w x h whose unturned top-left is at
// `position`, turned `rotation` quarter turns clockwise about its centre.
void MosaicGeometry(const TVec2& position, int rotation, float w, float h, TVec2* origin, TVec2* bounds);
// The rectangle the turned picture covers, each side truncated to an integer.
TRect MosaicCoveredRect(const TVec2& origin, int rotation, float w, float h);

class MosaicBoard {
public:
  using EndStep = MGEndStep;

  // What a press did, for the window's cursor and sound.
  struct PressResult {
    bool pickedUp = false;  // a piece is in the hand: the empty cursor
    bool dropped = false;   // the hand emptied: the game's cursor again
    bool snapped = false;   // it snapped onto a place: the click
  };

  // Whether texel (u, v) of the picture is opaque. The default reads the
  // texture; a picture that cannot be read counts as opaque (its rectangle
  // decides). Tests and the fuzz target replace it.
  using OpaqueTest = std::function<bool(const boost::shared_ptr<TTexture>& picture, int u, int v)>;
  static bool TextureOpaqueAt(const boost::shared_ptr<TTexture>& picture, int u, int v);

  // One piece per place, each in its own tray place at depth = its index.
  void Build(const MosaicFileData& data, const std::vector<MosaicType>& loadedTypes, const TVec2& trayStart,
             float winSeconds);

  // A press that the frame did not take (or any press with a piece in the hand).
  PressResult Press(const TPoint& p);
  // A move that the frame did not take: carries the held piece.
  void Move(const TPoint& p);
  // The right button: the held piece turns a quarter turn clockwise; false with an empty hand.
  bool Turn();
  // Lays every piece on a place of its type, its bounds on the place. A
  // piece in the hand is dropped first (`dropped`). Refused (false) once
  // solved or sliding.
  bool Skip(bool* dropped = nullptr);
  // One update of dt seconds after the frame's: the slide, the solution
  // test and the end of play. `shiftSign` is +1 (to the right) or -1.
  EndStep Update(float dt, float shiftSign, bool isWon, bool closeRequested, bool logBookOpen);

  bool IsSolved();
  void StepWinSlide(float dt, float shiftSign);
  void SetPieceDepth(int piece, int depth);
  bool HitTestPiece(int piece, const TPoint& p, bool preview) const;

  // Tray place of piece j: preview widths of the pieces before it plus 5 pixels each.
  TVec2 GetTrayPosition(int j) const;
  // Piece j back to its tray place, unturned.
  void PutInTray(int j);
  // Origin and bounds again, with the preview while in the tray, else the picture.
  void UpdateGeometry(int j);
  // The rectangle piece j covers with its full picture.
  TRect GetPieceRect(int j) const;
  TPoint ImageSize(int j) const;
  TPoint PreviewSize(int j) const;

  std::vector<MosaicType> types;
  std::vector<MosaicSlot> slots;
  std::vector<MosaicPiece> pieces;
  TVec2 boardPosition, boardSlideStart;
  float boardWidth = 0;
  TVec2 trayStart;
  int paneTop = 768;  // a piece dropped with its top at or below this row goes back to the tray
  int held = -1;
  int winPhase = 0;  // 0 playing, 1 sliding, 2 waiting
  float slideTime = 0;
  bool solved = false;
  TVec2 lastMouse;
  float winCounter = 0;
  bool finishStarted = false;
  OpaqueTest opaqueAt = &MosaicBoard::TextureOpaqueAt;
};
