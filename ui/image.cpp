#include "ui/image.h"

#include <algorithm>
#include <cmath>

#include "render/renderer.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {

// truncate(x + 0.5), kept inside the placement range.
int RoundSize(double x) {
  if (!(x > 0)) return 0;
  return static_cast<int>(std::min<double>(x + 0.5, kPlacementLimit));
}

void Redraw() {
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

}  // namespace

TImage::TImage(bool layerFlag) {
  if (layerFlag) SetClassFlags(GetFlags() | kWindowLayer);
  SetStateFlags(GetFlags() | kWindowOpaque);
}

void TImage::Init(TWindowStyle& style) {
  TString image = style.GetString("image", TString());
  TString mask = style.GetString("mask", TString());
  const TString name = style.GetString("name", TString());
  double scale = ClampScale(style.GetNumber("scale", 1.0), name);
  uint32_t textureFlags = 0;
  if (style.GetBool("alpha", false)) {
    SetStateFlags(GetFlags() & ~kWindowOpaque);
    textureFlags |= TTexture::kFlagAlpha;
  }
  if (style.GetBool("mipmap", false)) textureFlags |= TTexture::kFlagMipMaps;
  uint32_t flip = 0;
  if (style.GetBool("hflip", false)) flip |= TDrawParams::kFlipHorizontal;
  if (style.GetBool("vflip", false)) flip |= TDrawParams::kFlipVertical;
  flip_ = flip;
  rotate_ = style.GetBool("rotate", false);

  TTextureRef texture;
  if (!image.IsEmpty() && !mask.IsEmpty()) texture = TTexture::GetWithMask(image, mask, textureFlags);
  else if (!image.IsEmpty()) texture = TTexture::Get(image, textureFlags);

  if (texture && scale == 1.0 && style.GetBool("autoscale", false)) {
    // Scaled to the display: by its height when the picture is lower than the
    // display, else by its width.
    TWindowManager* wm = GetWindowManager();
    TRect display = wm ? wm->GetEnvironment()->GetViewport() : TRect(0, 0, 1024, 768);
    double sx = texture->GetWidth() ? double(display.Width()) / texture->GetWidth() : 1.0;
    double sy = texture->GetHeight() ? double(display.Height()) / texture->GetHeight() : 1.0;
    scale = ClampScale(sy > 1.0 ? sy : sx, name);
  }
  SetTexture(texture, static_cast<float>(scale));
  // A size the style gives wins over the picture's: the placement keeps only
  // sides that are still 0.
  SetSize(style.Has("w") ? 0 : GetWidth(), style.Has("h") ? 0 : GetHeight());
  TWindow::Init(style);
}

void TImage::SizeToTexture() {
  if (!texture_) return;
  int w = RoundSize(double(texture_->GetWidth()) * scale_);
  int h = RoundSize(double(texture_->GetHeight()) * scale_);
  if (rotate_) std::swap(w, h);
  SetSize(w, h);
}

void TImage::SetTexture(const TTextureRef& texture, float scale) {
  texture_ = texture;
  scale_ = scale;
  SizeToTexture();
  Redraw();
}

void TImage::SetFlip(uint32_t bits) {
  flip_ = bits & (TDrawParams::kFlipHorizontal | TDrawParams::kFlipVertical);
  Redraw();
}

void TImage::SetRotate(bool rotate) {
  if (rotate != rotate_) {
    rotate_ = rotate;
    SizeToTexture();
  }
  Redraw();
}

void TImage::SetImage(const TString& file, float scale) {
  SetTexture(file.IsEmpty() ? TTextureRef() : TTexture::Get(file), scale);
}

TDrawParams TImage::MakeDrawParams() const {
  TDrawParams params(TVec2(0, 0), alpha_, scale_, flip_ | TDrawParams::kAnchorAtCenter);
  if (rotate_ && texture_) {
    params.center = TVec2(0, float(texture_->GetHeight()));
    params.transform.Rotate(1.5707964f);
  }
  return params;
}

void TImage::Draw() {
  if (!texture_) return;
  TRender2dScope scope;
  texture_->Draw(MakeDrawParams());
}
