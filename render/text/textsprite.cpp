#include "render/text/textsprite.h"

#include <algorithm>
#include <cmath>

boost::shared_ptr<TTextSprite> TTextSprite::Create(int width, int height, int alignment, const TString& fontName,
                                                   int fontSize, const TFloatColor& colour, int layer) {
  TTextBlock* block = TTextBlock::Create(TString(), width, height, alignment, fontName, fontSize, colour);
  return boost::shared_ptr<TTextSprite>(new TTextSprite(block, layer));
}

TTextSprite::~TTextSprite() { TTextBlock::Destroy(block_); }

void TTextSprite::Place(const TDrawParams& combined, TVec2& topLeft, float& scale) const {
  TVec2 anchor = (combined.flags & TDrawParams::kAnchorAtCenter)
                     ? -combined.center
                     : TVec2(-block_->GetWidth() / 2.0f, -block_->GetHeight() / 2.0f);
  topLeft = combined.transform.Transform(anchor);
  scale = combined.transform.TransformVector(TVec2(1, 0)).Length();
}

void TTextSprite::Draw(const TDrawParams& parent, int depth) {
  if (!visible_) return;
  TDrawParams combined = params_.Combine(parent);
  auto it = children_.begin();
  if (depth != 0) {
    for (; it != children_.end() && (*it)->GetLayer() < 0; ++it) (*it)->Draw(combined, depth - 1);
  }
  TVec2 topLeft;
  float scale;
  Place(combined, topLeft, scale);
  block_->Draw(topLeft, block_->GetHeight() * scale, combined.alpha, 0, scale);
  if (depth != 0) {
    for (; it != children_.end(); ++it) (*it)->Draw(combined, depth - 1);
  }
}

void TTextSprite::GetBounds(TRect& out, const TDrawParams& parent, bool withChildren) {
  TSprite::GetBounds(out, parent, withChildren);  // children only: a text sprite has no texture
  TDrawParams combined = params_.Combine(parent);
  TVec2 topLeft;
  float scale;
  Place(combined, topLeft, scale);
  TRect text;
  block_->GetTextBounds(text, scale);
  if (text.IsEmpty()) return;
  text.Offset(int32_t(std::floor(topLeft.x)), int32_t(std::floor(topLeft.y)));
  out = TRect(std::min(out.left, text.left), std::min(out.top, text.top), std::max(out.right, text.right),
              std::max(out.bottom, text.bottom));
}

bool TTextSprite::HitTest(const TPoint& point, int threshold, const TDrawParams& parent, int depth) {
  if (!visible_) return false;
  TRect bounds;
  GetBounds(bounds, parent, depth != 0);
  return bounds.Contains(point);
}
