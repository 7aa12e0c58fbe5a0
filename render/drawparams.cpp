// The sprite draw record.
#include "render/drawparams.h"

TDrawParams::TDrawParams(const TVec2& position, float a, float scale, uint32_t f) : alpha(a), flags(f) {
  if (scale != 1.0f) transform.Scale(scale, scale);
  transform.Translate(position.x, position.y);
}

TDrawParams TDrawParams::Combine(const TDrawParams& parent) const {
  TDrawParams r = *this;
  r.transform = transform * parent.transform;
  r.alpha = alpha * parent.alpha;
  r.tint = TFloatColor(tint.r * parent.tint.r, tint.g * parent.tint.g, tint.b * parent.tint.b, tint.a * parent.tint.a);
  return r;
}
