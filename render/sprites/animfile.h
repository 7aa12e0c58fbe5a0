// render/sprites: sprites, animations, the software mouse cursor and meshes.
// The animation file formats (docs/anm.md): the binary ".anm" and its XML
// form. Both describe a list of frames, each a picture (a texture name and
// an optional rectangle of it), a time and an offset. Plain data: loading
// the pictures is TAnimatedTexture's job.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/geometry.h"
#include "platform/string.h"

struct TAnimationFrame {
  TString image;     // texture name
  TRect rect;        // part of the picture; empty: all of it
  int dx = 0, dy = 0;  // where the frame's top-left lies relative to the animation's
  uint32_t ms = 100;   // how long it shows
};

struct TAnimationDesc {
  bool loop = true;
  std::vector<TAnimationFrame> frames;
};

constexpr size_t kMaxAnimationFrames = 4096;
constexpr uint32_t kDefaultFrameMs = 100;

// "ANM1" binary form. False (with the reason) for anything damaged.
bool ParseAnimationBinary(const uint8_t* data, size_t size, TAnimationDesc& out, TString* error = nullptr);
// The XML form: <anm loop=".." ms=".."><frame image=".." ms=".." dx=".." dy=".." rect="x,y,w,h"/>...</anm>.
bool ParseAnimationXml(const uint8_t* data, size_t size, TAnimationDesc& out, TString* error = nullptr);
// Either form, told apart by the magic.
bool ParseAnimation(const uint8_t* data, size_t size, TAnimationDesc& out, TString* error = nullptr);
// Writes the binary form (tools and tests).
std::vector<uint8_t> WriteAnimationBinary(const TAnimationDesc& desc);
