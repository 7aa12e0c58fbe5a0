// The wounds game's board without a window: what it reads of its own part of
// "assets/minigame6_<n>.xml", the wounds with their dirt and its alpha maps,
// the tools, brushing, disinfection, the timer that brings the dirt back, the
// skip and the end of play. TMG06Window (mg06window.h) holds one.
//
// Dirty wounds lie on a picture; tools lie in the pane along the bottom. The
// player takes the brush (tool 0) and, with the button held, rubs the dirt
// away: every move takes the brush picture's alpha off the dirt picture's
// alpha under it, pixel by pixel, and a wound is clean once a share
// ("part_find_pixels") of its dirt pixels reached alpha 0. Then the
// disinfectant (tool 1) is pressed on the clean wound. A wound left half
// cleaned, or clean but not disinfected, for "disinfectionTime" seconds after
// the brush left it gets all its dirt back. Every wound clean and
// disinfected wins. docs/minigames.md describes the file.
//
// The dirt textures are edited in place; each wound mirrors its dirt's alpha
// in a byte map (laid out by the picture's own width, whatever pitch a lock
// gives), so counting never reads a texture back and the textures can be
// written again after the display lost them (ApplyAlphaMap).
//
// Depends on platform/, render/ (textures and their pixels) and the
// mini-games' shared reader (mgresources.h).
#pragma once
#include <cstdint>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/minigames/mgresources.h"
#include "platform/geometry.h"
#include "platform/string.h"

class TTexture;
class TiXmlElement;

// Limits on what a file may ask for.
constexpr int kMaxWounds = 64;
constexpr int kMaxWoundTools = 16;
// Values used when the file leaves them out or gives nonsense.
constexpr float kDefaultCleanShare = 0.9f;
constexpr float kDefaultTutorShare = 0.3f;
constexpr float kDefaultDisinfectionTime = 10.0f;
constexpr float kLongestDisinfectionTime = 3600.0f;
// The tool previews stand this many pixels apart.
constexpr int kWoundToolGap = 10;
// Tools by index.
constexpr int kBrushTool = 0;
constexpr int kDisinfectantTool = 1;

struct WoundNames {
  TVec2 pos;
  TString dirt, wound;  // "image_dirt", "image_wound"
};

struct WoundToolNames {
  TString preview, image;
};

// The game's own part of its file.
struct WoundsFileData {
  int startMessageNum = -1, finMessageNum = 1, bitNum = -1;
  TString brush;  // "cursor_brush"
  float cleanShare = kDefaultCleanShare;              // "part_find_pixels", 0 < x <= 1
  float tutorShare = kDefaultTutorShare;              // "part_find_pixels_for_tutor", 0..1
  float disinfectionTime = kDefaultDisinfectionTime;  // seconds, 0..kLongestDisinfectionTime
  std::vector<WoundNames> wounds;
  TVec2 toolsPos;  // "Tools" "preview_pos"
  std::vector<WoundToolNames> tools;
};

// Reads the tutorial screens, "bitNum", "cursor_brush", the three numbers,
// "Wounds" and "Tools". False, with the reason, without "Wounds" or
// "Tools", with wounds but fewer than two tools (the brush and the
// disinfectant) or with a tool that lacks a picture (an absent
// "cursor_brush" is an empty name, not a refusal). A number that is
// absent or out of range takes its default (logged when it was given);
// wounds without both pictures are left out, wounds beyond kMaxWounds and
// tools beyond kMaxWoundTools are dropped, each with a log line.
bool ReadWoundsFile(const TiXmlElement* root, const TiXmlElement* common, WoundsFileData* out, TString* why);

// Locked 32-bit ARGB pixels: `width` x `height` of them in rows `pitch` apart.
struct PixelView {
  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  int width = 0, height = 0;
  uint8_t Alpha(int x, int y) const { return uint8_t(pixels[size_t(y) * pitch + size_t(x)] >> 24); }
  void SetAlpha(int x, int y, uint8_t a) {
    uint32_t& p = pixels[size_t(y) * pitch + size_t(x)];
    p = (p & 0x00FFFFFFu) | (uint32_t(a) << 24);
  }
};

// A texture locked for the life of the object; ok() false when it has no
// surface (no picture, or the display is lost).
class TextureLock {
public:
  explicit TextureLock(const boost::shared_ptr<TTexture>& texture);
  ~TextureLock();
  TextureLock(const TextureLock&) = delete;
  TextureLock& operator=(const TextureLock&) = delete;
  bool ok() const { return locked_; }
  PixelView& view() { return view_; }

private:
  boost::shared_ptr<TTexture> texture_;
  PixelView view_;
  bool locked_ = false;
};

struct Wound {
  enum Phase { kBrushOver = 0, kCounting = 1, kTimeUp = 2, kDirtBack = 3 };

  TVec2 position;       // top-left of the dirt picture
  TVec2 woundPosition;  // top-left of the wound picture, centred on the dirt
  bool dirty = true;
  bool needsDisinfection = true;
  boost::shared_ptr<TTexture> dirtImage, woundImage;
  TPoint dirtSize, woundSize;
  int opaqueCount = 0;   // dirt pixels with alpha above 0 at loading
  int cleanedCount = 0;  // of those, brushed to 0 since loading or since the dirt came back
  // The dirt's alpha now and at loading, dirtSize.x x dirtSize.y, row by row.
  std::vector<uint8_t> alphaMap, initialAlphaMap;
  bool mapsBuilt = false;  // false until the dirt picture could be read
  float disinfectionTime = 0;
  float timer = 0;
  int phase = kCounting;

  // Places the wound picture in the middle of the dirt (whole pixels).
  void Place(const TVec2& pos, const TPoint& dirt, const TPoint& wound);
  // Reads the maps from the dirt texture; false (maps left unbuilt) when it cannot be locked.
  bool BuildAlphaMaps();
  // The same from pixels.
  void BuildAlphaMapsFrom(const PixelView& dirt);
  // The point lies on the dirt picture's rectangle.
  bool ContainsPoint(int x, int y) const;
  // The point lies on an opaque pixel of the wound picture (on its
  // rectangle when the picture cannot be read).
  bool HitWoundImage(int x, int y) const;
  // One rub with the brush pixels whose top-left lies at `brushCorner`
  // (screen): each dirt pixel under the brush loses the brush pixel's alpha.
  // A pixel that reaches 0 counts; at cleanShare of opaqueCount the wound is
  // clean, at tutorShare `tutorReached` is set.
  void Rub(const PixelView& brush, const TVec2& brushCorner, float cleanShare, float tutorShare, bool* tutorReached);
  // The same on the dirt pixels (locked by the caller, or memory in tests).
  void RubPixels(PixelView* dirt, const PixelView& brush, const TVec2& brushCorner, float cleanShare,
                 float tutorShare, bool* tutorReached);
  // The disinfection timer; true when the dirt came back in this step.
  bool Step(float dt);
  // All the dirt back: maps and texture as at loading.
  void DirtBack();
  // Writes alphaMap into the dirt texture (after the display restored it).
  void ApplyAlphaMap();
  void ApplyAlphaMapTo(PixelView* dirt) const;
};

struct WoundTool {
  boost::shared_ptr<TTexture> image, preview;
  TPoint imageSize, previewSize;
  TVec2 imagePosition;    // top-left of the picture in the hand
  TVec2 previewPosition;  // top-left of the preview in the pane
  bool taken = false;
};

class WoundsBoard {
public:
  using EndStep = MGEndStep;

  // What an input did with the tools, for the window's cursor.
  struct ToolChange {
    bool taken = false;    // a tool is in the hand: the empty cursor
    bool putBack = false;  // it went back to the pane: the game's cursor again
  };

  // The wounds as loaded (Place and BuildAlphaMaps done) and the tools, laid
  // out in one row from the file's "preview_pos". A wound with nothing to
  // brush starts clean.
  void Build(const WoundsFileData& data, std::vector<Wound> loadedWounds, std::vector<WoundTool> loadedTools,
             const boost::shared_ptr<TTexture>& brush, const TPoint& brushSize, float winSeconds);

  // A press that the frame did not take: take a tool, put it back, disinfect.
  ToolChange Press(int x, int y);
  // The left button went up, anywhere, or the mouse left: brushing stops.
  void Release();
  // A move that the frame did not take: carries the tool, brushes.
  void Move(int x, int y);
  // Every wound clean and disinfected (a tool in the hand goes back; `held` keeps its value).
  bool CheckSolved(ToolChange* change);
  // Every wound clean and disinfected, a tool in the hand back in the pane;
  // the next update finds the game won. Nothing once solved.
  bool Skip(ToolChange* change);
  // The tool in the hand back to the pane, and the hand empty.
  bool PutBackTool();
  // One update of dt seconds after the frame's: the solution test, the win
  // delay, the end of play, and (unless the tutorial's box is up) the
  // wounds' timers; `dirtBack` tells whether a wound got its dirt back.
  EndStep Update(float dt, bool tutorBoxUp, bool isWon, bool closeRequested, bool logBookOpen, bool* dirtBack,
                 ToolChange* change);
  // Writes every wound's alpha map into its dirt texture.
  void RefreshTextures();

  // Move with the brush footprint given as pixels (Move locks the brush picture).
  void MoveWithBrush(int x, int y, const PixelView& brushPixels);

  std::vector<Wound> wounds;
  std::vector<WoundTool> tools;
  boost::shared_ptr<TTexture> brushImage;
  TPoint brushSize;
  int bitNum = -1;
  bool tutorShareReached = false;
  bool mousePressed = false;
  TVec2 brushCorner;
  bool brushing = false;
  int held = -1;
  bool solved = false;
  TVec2 lastMouse;
  float cleanShare = kDefaultCleanShare;
  float tutorShare = kDefaultTutorShare;
  float winCounter = 0;
  bool finishStarted = false;
  int paneTop = 768;  // a press below this row with a tool in the hand puts it back
};
