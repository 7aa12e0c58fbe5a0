// TDrawParams: the sprite draw record, filled before each sprite or texture
// draw. Part of render/; depends on platform/ (geometry, colour).
#pragma once
#include <cstdint>

#include "platform/color.h"
#include "platform/geometry.h"

struct TDrawParams {
  enum : uint32_t {
    kFlipHorizontal = 1,
    kFlipVertical = 2,
    kUseSourceRect = 4,  // draw only sourceRect of the picture
    kAnchorAtCenter = 8, // the centre point lands on the position (else the picture's middle does)
  };

  TMat3 transform;           // picture space -> the current 2-D coordinates
  TVec2 center;              // the anchor point in picture pixels; (0, 0) is the top-left corner
  TFloatColor tint;          // multiplies the picture's colour (1, 1, 1, 1)
  float alpha = 1.0f;        // multiplies the picture's alpha
  TRect sourceRect;          // with kUseSourceRect
  uint32_t flags = 0;
  int32_t depth = -1;        // how deep a sprite draws its children; -1 unlimited

  TDrawParams() = default;
  // Identity, scaled when `scale` is not exactly 1.0, then translated to the
  // position. Turn it afterwards with transform.Rotate.
  TDrawParams(const TVec2& position, float alpha, float scale = 1.0f, uint32_t flags = 0);

  // This record placed inside a parent's: transform = own x parent (row
  // vectors: own first), alpha and tint multiplied; flags, centre and source
  // rectangle stay this record's.
  TDrawParams Combine(const TDrawParams& parent) const;
};
