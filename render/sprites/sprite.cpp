#include "render/sprites/sprite.h"

#include <algorithm>
#include <cmath>

#include "platform/settings.h"
#include "render/renderer.h"

namespace {
int gLiveSprites = 0;
boost::shared_ptr<TTexture> gHitTexture;  // the 4 x 4 target of pixel hit tests

void PublishCount() { SetSetting("current_sprite_count", TString::Printf("%d", gLiveSprites)); }
}  // namespace

int TSprite::GetLiveCount() { return gLiveSprites; }

TSprite::TSprite(int layer) : layer_(layer), params_(TVec2(0, 0), 1.0f, 1.0f, 0) {
  ++gLiveSprites;
  PublishCount();
}

TSprite::~TSprite() {
  RemoveAllChildren();
  if (--gLiveSprites == 0) gHitTexture.reset();
  PublishCount();
}

void TSprite::SetLayer(int layer) {
  if (layer == layer_) return;
  layer_ = layer;
  if (parent_) parent_->SortChildren();
}

void TSprite::SortChildren() {
  // std::list::sort is a stable merge sort.
  children_.sort([](const TSpriteRef& a, const TSpriteRef& b) { return a->layer_ < b->layer_; });
}

void TSprite::AddChild(const TSpriteRef& child) {
  if (!child || child.get() == this) return;
  if (child->parent_) child->parent_->RemoveChild(child);
  child->parent_ = this;
  children_.push_back(child);
  SortChildren();
}

bool TSprite::RemoveChild(const TSpriteRef& child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return false;
  (*it)->parent_ = nullptr;
  children_.erase(it);
  return true;
}

void TSprite::RemoveAllChildren() {
  for (const TSpriteRef& child : children_) child->parent_ = nullptr;
  children_.clear();
}

void TSprite::Draw(const TDrawParams& parent, int depth) {
  if (!visible_) return;
  TDrawParams combined = params_.Combine(parent);
  auto it = children_.begin();
  if (depth != 0) {
    for (; it != children_.end() && (*it)->layer_ < 0; ++it) (*it)->Draw(combined, depth - 1);
  }
  if (texture_) texture_->Draw(combined);
  if (depth != 0) {
    for (; it != children_.end(); ++it) (*it)->Draw(combined, depth - 1);
  }
}

void TSprite::GetOwnBounds(TRect& out, const TDrawParams& combined, float w, float h) const {
  TVec2 anchor = (combined.flags & TDrawParams::kAnchorAtCenter) ? -combined.center : TVec2(-w / 2, -h / 2);
  const TVec2 corners[4] = {TVec2(0, 0), TVec2(w, 0), TVec2(0, h), TVec2(w, h)};
  float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
  for (const TVec2& c : corners) {
    TVec2 p = combined.transform.Transform(c + anchor);
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  out = TRect(int32_t(minX), int32_t(minY), int32_t(maxX), int32_t(maxY));
}

void TSprite::GetBounds(TRect& out, const TDrawParams& parent, bool withChildren) {
  TDrawParams combined = params_.Combine(parent);
  out = TRect(kEmptyBound, kEmptyBound, -kEmptyBound, -kEmptyBound);
  if (texture_) {
    float w = float(texture_->GetWidth()), h = float(texture_->GetHeight());
    if (combined.flags & TDrawParams::kUseSourceRect) {
      w = float(combined.sourceRect.Width());
      h = float(combined.sourceRect.Height());
    }
    GetOwnBounds(out, combined, w, h);
  }
  if (withChildren) {
    for (const TSpriteRef& child : children_) {
      TRect r;
      child->GetBounds(r, combined, true);
      out = TRect(std::min(out.left, r.left), std::min(out.top, r.top), std::max(out.right, r.right),
                  std::max(out.bottom, r.bottom));
    }
  }
}

bool TSprite::HitTest(const TPoint& point, int threshold, const TDrawParams& parent, int depth) {
  if (!texture_ && !GetSettingBool("hittestchildren")) return false;
  if (!visible_) return false;
  TRect bounds;
  GetBounds(bounds, parent, depth != 0);
  if (!bounds.Contains(point)) return false;
  if (threshold < 0) return true;

  if (!gHitTexture) gHitTexture = TTexture::CreateBlank(4, 4, true);
  if (!gHitTexture) return false;  // no render target: no pixel test
  TRenderer* r = TRenderer::GetInstance();
  // Mode 4: starts transparent and keeps the alpha drawn.
  if (!r->BeginRenderTarget(gHitTexture, 4)) return false;
  gHitTexture->Clear();
  bool entered = r->Begin2d();
  // The premultiplied blend writes the picture's alpha as it is over the
  // transparent target (plain alpha blending would square it).
  int blend = r->GetBlendMode();
  r->SetBlendMode(kBlendModeRender);
  TDrawParams moved = parent;
  moved.transform.Translate(1.0f - point.x, 1.0f - point.y);
  Draw(moved, depth);
  r->SetBlendMode(blend);
  if (entered) r->End2d();
  r->EndRenderTarget();

  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  if (!gHitTexture->Lock(&pixels, &pitch)) return false;
  int alpha = int(pixels[pitch + 1] >> 24);
  gHitTexture->Unlock();
  if (r->GetRenderOptionInt("16bitmode") && threshold > 240) threshold &= ~15;
  return alpha >= threshold;
}
