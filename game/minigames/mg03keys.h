// The keys game's board without a window: what it reads of its own part of
// "assets/minigame3_<n>.xml", the key slots with their layout and random
// start, the rules of carrying, inserting and turning keys, the plate's
// slide at the win, the skip, and the end of play. TMG03Window
// (mg03window.h) holds one.
//
// A plate carries one or two rows of keyholes (the first four keys in row
// 1, the others in row 2) and a row of puzzle elements; the keys lie
// shuffled in a tray. The player carries each key to its own keyhole (one
// press picks it up, the next drops it); an inserted key turns one position
// per press, its puzzle element with it. Solved: every key in and every
// element back at position 0. The plate then slides up and, after
// "win_counter" seconds, the closing message shows. docs/minigames.md
// describes the file.
//
// Depends on platform/, render/ (texture handles) and the mini-games'
// shared reader (mgresources.h).
#pragma once
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/minigames/mgresources.h"
#include "platform/geometry.h"
#include "platform/string.h"

class TRandom;
class TTexture;
class TiXmlElement;

// Limits on what a file may ask for.
constexpr int kMaxKeys = 32;
constexpr int kMaxCountTurns = 360;
// The first row holds this many keys when the file has a second row.
constexpr int kKeysInFirstRow = 4;
// Seconds: a puzzle element fades in, a key turns one position, the plate
// slides away, the captions cross-fade.
constexpr float kKeyFadeTime = 1.0f;
constexpr float kKeyTurnTime = 0.5f;
constexpr float kPlateSlideTime = 5.0f;
constexpr float kCaptionFadeTime = 1.0f;

// One "Key" as written (picture names).
struct KeyFileEntry {
  TString keyhole, key, puzzle, preview, cursor;  // "keyhole", "img_key", "puzzle_elem", "key_preview", "key_cursor"
  int keyPosNumbers = 0;                          // how many numbers of "key_pos" were read (second row only)
  TVec2 keyPos;
};

// The game's own part of its file.
struct KeysFileData {
  TString text2;  // label of the second caption; the first caption's when absent
  int startMessageNum = -1, finMessageNum = 1, setKeyNum = -1;
  TString plate;  // "plate" = "picture;x, y"
  TVec2 platePos;
  TVec2 pos, puzzlePos, previewPos;  // "Keys": the rows' and the tray's starts; (0, 0) when absent
  TVec2 pos2, puzzlePos2;            // the second row's starts
  bool secondRow = false;            // "pos_2" or "puzzle_pos_2" given
  int countTurns = 1;                // positions of a full turn, 1..kMaxCountTurns
  std::vector<KeyFileEntry> keys;
};

// The label of the second caption: "text2", or without it the first
// caption's "text" (both captions then say the same).
TString ReadKeysSecondCaption(const TiXmlElement* common);

// Reads "text2", the tutorial screens, "plate" and "Keys" with its keys.
// False, with the reason, without a "Keys" element. A "count_turns" below 1
// becomes 1, keys without their five pictures are left out, keys beyond
// kMaxKeys are dropped; each with a log line.
bool ReadKeysFile(const TiXmlElement* root, const TiXmlElement* common, KeysFileData* out, TString* why);

// The pictures of one key and their sizes (a picture that could not be
// loaded has size 0; tests give sizes without pictures).
struct KeyImages {
  boost::shared_ptr<TTexture> keyhole, key, puzzle, preview, cursor;
  TPoint keyholeSize, puzzleSize, previewSize, cursorSize;
};

// One key with its keyhole, its puzzle element and its place in the tray.
struct KeySlot {
  enum { kTurnForward = 0, kIdle = 1, kTurnHome = 2 };

  TVec2 keyPos;   // top-left of the key in its keyhole
  TVec2 homePos;  // top-left of the keyhole
  boost::shared_ptr<TTexture> keyholeImage, keyImage;
  bool inTray = true;
  bool held = false;
  boost::shared_ptr<TTexture> previewImage;
  TRect previewRect;  // where it lies in the tray
  boost::shared_ptr<TTexture> heldImage;
  TVec2 puzzlePos;
  boost::shared_ptr<TTexture> puzzleImage;
  bool fadeDone = true;
  int turnState = kIdle;
  int step = 0;  // position 0..countTurns-1; 0 is solved
  float animTime = 0;
  float angle = 0;  // radians, the key's and its element's
  float alpha = 0;  // the element's
  TPoint keyholeSize, heldSize;

  // The point lies on the keyhole (its top-left truncated, the picture's size).
  bool HitTest(int x, int y) const;
  // One position further, when inserted, faded in and at rest.
  void StartTurn(int count);
  // Advances the fade-in or the turn by dt seconds; true while animating.
  bool Step(float dt, int count);
};

class KeysBoard {
public:
  using EndStep = MGEndStep;

  // What a press did, for the window to show and sound.
  struct PressResult {
    bool click = false;     // play the click
    bool pickedUp = false;  // a key is in the hand: the empty-hand cursor
    bool dropped = false;   // the key left the hand: the game's cursor again
    bool allIn = false;     // the last key went in: the second caption and setKeyNum
  };

  // Lays the keys out in file order (rows, elements and tray side by side,
  // each as wide as its picture), gives each a random start position (one
  // draw per key, in file order), then shuffles the tray: each key in turn
  // changes places with another key drawn at random (one draw each), so
  // two keys end where they began. `images` holds one entry per key of
  // `data`.
  void Build(const KeysFileData& data, const std::vector<KeyImages>& images, TRandom& random, float winSeconds);

  // A press that the frame did not take.
  PressResult Press(int x, int y);
  // A move that the frame did not take.
  void Move(int x, int y);
  // The skip: refused (false) once solved or skipped, or while a turn, a
  // fade-in or the slide runs. Otherwise a key in the hand is dropped first
  // (`droppedKey`), every key goes into its keyhole and turns home.
  bool Skip(bool* droppedKey = nullptr);
  // The key in the hand back to the tray, and the hand empty; false when
  // the hand was empty.
  bool PutBackKey();
  // One update of dt seconds after the frame's: captions, slide, keys, the
  // solution test and the end of play.
  EndStep Update(float dt, bool isWon, bool closeRequested, bool logBookOpen);

  bool IsSolved() const;
  bool AllKeysInserted() const;
  void StepWinSlide(float dt);
  // The tray's order: for each key the index of the key whose place in
  // file order it now takes.
  std::vector<int> TrayOrder() const;

  std::vector<KeySlot> keys;
  int countTurns = 1;
  int winState = 0;  // 0 playing, 1 plate sliding, 2 waiting for the win counter
  TVec2 platePos, plateStart;
  int plateHeight = 0;
  float slideTime = 0;
  bool solved = false;
  bool skipped = false;
  TVec2 mousePos;
  int heldKey = -1;
  int turningKey = -1;
  float winCountdown = 0;
  bool finishing = false;
  float captionFade = 0;
  bool captionFadeDone = true;
  float captionFadeTime = 0;

private:
  std::vector<TPoint> trayPlaces_;  // the tray's places in file order
};
