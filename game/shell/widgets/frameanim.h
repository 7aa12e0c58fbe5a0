// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// Frame animations: two small flip-book players for looping or one-shot
// decorations of the screens. Anim_t plays separate images, AtlasAnim_t
// cells of one atlas image. Both are plain members of their owner, which
// loads them once, restarts them, updates them with the frame time and draws
// them from its own Draw with its window rectangle.
//
// Files (docs/effects.md):
//   image animation: <root><Anim pos="x,y" is_jpg="0|1" delay="seconds"
//     is_cycled="0|1" path="prefix"><frame name="..."/>...</Anim></root>
//   atlas animation "assets/<name>.xml": <root delay="ms" is_cycled="0|1">
//     <frame offsetX offsetY atlasX atlasY W H/>...</root>, with the pictures
//     <name>.jpg (colour) and <name>_a.jpg (alpha mask).
// An animation without frames (or whose file is missing) draws nothing; the
// load logs it. Depends on platform/, render/ and TinyXML.
#pragma once
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/string.h"

class TTexture;

// The most frames one animation file may list; the rest are dropped.
constexpr size_t kMaxAnimFrames = 4096;

class Anim_t {
public:
  // Reads the file; the animation then waits, stopped at frame 0, for Restart.
  void Load(const TString& file);
  // Plays from the first frame; a one-shot that has ended stays invisible
  // until it is loaded again.
  void Restart();
  // At most one frame per call. False when a one-shot run ends or a loop wraps.
  bool Update(float dt);
  // The current frame with its top-left at (x, y) relative to the
  // rectangle's top-left, scaled by `scale` about the rectangle's centre.
  void Draw(int left, int top, int right, int bottom, float scale);
  size_t GetFrameCount() const { return frameNames.size(); }

  float x = 0, y = 0;
  float delay = 0;
  bool cycled = false;
  std::vector<TString> frameNames;
  // The pictures, each loaded when first drawn (the first with the file), so
  // a long animation does not hold up the screen that opens with it.
  std::vector<boost::shared_ptr<TTexture>> frames;
  bool playing = false;
  float time = 0;
  int frame = 0;
  bool finished = false;
  bool jpg = false;  // frames load with their separate alpha masks

private:
  void LoadFrames();
  void LoadFrame(size_t i);
  std::vector<bool> tried_;  // frames whose picture was asked for (missing ones are not asked again)
};

class AtlasAnim_t {
public:
  struct Cell {
    int offsetX = 0, offsetY = 0;  // added to the base position
    int atlasX = 0, atlasY = 0;    // the cell's top-left in the atlas
    int W = 0, H = 0;
  };

  // Reads "assets/" + name + ".xml" and the atlas pictures.
  void Load(const TString& name);
  // As Anim_t's.
  void Restart();
  // At most one frame per call. False when a one-shot run ends; true when a loop wraps.
  bool Update(float dt);
  void Draw(int left, int top, int right, int bottom, float scale);
  size_t GetFrameCount() const { return cells.size(); }

  float x = 0, y = 0;
  float delay = 0;  // seconds (the file gives milliseconds)
  bool cycled = false;
  boost::shared_ptr<TTexture> texture;
  std::vector<Cell> cells;
  bool playing = false;
  float time = 0;
  int frame = 0;
  bool finished = false;
};
