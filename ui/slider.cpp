#include "ui/slider.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/renderer.h"
#include "ui/image.h"
#include "ui/message.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

TSlider::TSlider() : thumb_(new TImage(true)) {}

TSlider::~TSlider() {
  // A thumb that never joined the tree is not deleted with the children.
  if (thumb_ && !thumb_->GetParent()) delete thumb_;
  thumb_ = nullptr;
}

void TSlider::Init(TWindowStyle& style) {
  TWindow::Init(style);
  if (initialised_) return;
  initialised_ = true;
  int w = GetStyleInt(style, "w", 0), h = GetStyleInt(style, "h", 0);
  double orientation = style.GetNumber("hslider", -1);
  horizontal_ = orientation >= 0 ? style.GetBool("hslider", false) : w > h;
  TString railTop = style.GetString("railtop", TString());
  TString railMid = style.GetString("railmid", TString());
  TString railBot = style.GetString("railbot", TString());
  TString thumbImage = style.GetString("sliderimage", TString());
  TString thumbRollImage = style.GetString("sliderrollimage", TString());
  TString name = style.GetString("name", TString());
  double scale = style.GetNumber("scale", 1.0);
  crossOffset_ = ClampPlacement(GetStyleInt(style, "yoffset", 0));
  SetValue(static_cast<float>(style.GetNumber("value", 0)), true);

  TTextureRef normal = thumbImage.IsEmpty() ? TTextureRef() : TTexture::Get(thumbImage);
  TTextureRef rollover = thumbRollImage.IsEmpty() ? TTextureRef() : TTexture::Get(thumbRollImage);
  SetName(name);
  scale_ = ClampScale(scale, name);

  auto load = [](const TString& n) { return n.IsEmpty() ? TTextureRef() : TTexture::Get(n); };
  SetRailTextures(load(railTop), load(railMid), load(railBot));
  SetThumbTextures(normal, rollover);
  PlaceThumb();
  if (!thumb_->GetParent()) {
    AddChild(thumb_, true);
    Layout();
  }
}

// --- Layout ---

void TSlider::Layout() {
  int thickness = 0;
  for (const TTextureRef* t : {&railStart_, &railMiddle_, &railEnd_}) {
    if (*t && float((*t)->GetWidth()) * scale_ > float(thickness))
      thickness = static_cast<int>(float((*t)->GetWidth()) * scale_);
  }
  if (thumb_) {
    int t = std::abs(crossOffset_) + (horizontal_ ? thumb_->GetHeight() : thumb_->GetWidth());
    thickness = std::max(thickness, t);
  }
  thickness_ = thickness;
  if (horizontal_) SetSize(GetWidth(), thickness);
  else SetSize(thickness, GetHeight());
  PlaceThumb();
}

void TSlider::PlaceThumb() {
  if (!thumb_) return;
  // Never beyond the start, even when the slider is shorter than the thumb.
  int travelX = std::max(0, GetWidth() - thumb_->GetWidth());
  int travelY = std::max(0, GetHeight() - thumb_->GetHeight());
  if (horizontal_) thumb_->MoveTo(static_cast<int>(float(travelX) * value_), crossOffset_);
  else thumb_->MoveTo(crossOffset_, static_cast<int>(float(travelY) * value_));
}

void TSlider::SetRailTextures(const TTextureRef& start, const TTextureRef& middle, const TTextureRef& end) {
  railStart_ = start;
  railMiddle_ = middle;
  railEnd_ = end;
  Layout();
}

void TSlider::SetThumbTextures(const TTextureRef& normal, const TTextureRef& rollover) {
  thumbNormal_ = normal;
  thumbRollover_ = rollover;
  thumb_->SetTexture(normal, scale_);
  if (!thumb_->GetParent()) AddChild(thumb_, true);
  Layout();
}

void TSlider::ShowThumb(bool rollover) {
  const TTextureRef& wanted = rollover && thumbRollover_ ? thumbRollover_ : thumbNormal_;
  if (thumb_->GetTexture() != wanted) thumb_->SetTexture(wanted, scale_);
}

// --- Value ---

void TSlider::SetValue(float value, bool silent) {
  if (!(value >= 0.0f)) value = 0.0f;  // NaN too
  value_ = std::min(value, 1.0f);
  PlaceThumb();
  if (!silent) Report(kSliderValChanged);
}

void TSlider::Report(uint32_t type) {
  if (TWindow* parent = GetParent()) parent->BubbleMessage(new TMessage(type, GetName(), nullptr));
}

// --- Drawing ---

void TSlider::DrawPiece(const TTextureRef& texture, int pos, int length, uint32_t colour) {
  float tw = float(texture->GetWidth()), th = float(texture->GetHeight());
  float len = length >= 0 ? float(length) : th;
  if (len <= 0 || tw <= 0 || th <= 0) return;
  TPoint allocated = texture->GetAllocatedSize();
  float u1 = tw / float(std::max(1, allocated.x)), v1 = th / float(std::max(1, allocated.y));
  float across = float(horizontal_ ? GetHeight() : GetWidth());
  float off = float(static_cast<int>(across - tw) / 2);
  // Corners along the rail (a) and across it (c), with their texture coordinates.
  struct Corner {
    float a, c, u, v;
  };
  const Corner corners[6] = {{0, 0, 0, 0},   {len, 0, 0, v1},  {len, tw, u1, v1},
                             {0, 0, 0, 0},   {len, tw, u1, v1}, {0, tw, u1, 0}};
  TScreenVertex v[6];
  for (int i = 0; i < 6; ++i) {
    float a = float(pos) + corners[i].a, c = off + corners[i].c;
    v[i].x = horizontal_ ? a : c;
    v[i].y = horizontal_ ? c : a;
    v[i].z = 0;
    v[i].rhw = 1;
    v[i].diffuse = colour;
    v[i].specular = 0;
    v[i].u = corners[i].u;
    v[i].v = corners[i].v;
  }
  TRenderer* r = TRenderer::GetInstance();
  r->SetTexture(texture);
  TVertexSet set;
  set.format = 3;
  set.vertices = v;
  set.count = 6;
  r->DrawVertices(kPrimTriangleList, &set);
}

void TSlider::Draw() {
  TRender2dScope scope;
  TRenderer* r = TRenderer::GetInstance();
  r->SetBlendMode(kBlendModeAlpha);
  r->SetCullMode(1);
  int alpha = static_cast<int>(std::clamp(railAlpha_, 0.0f, 1.0f) * 255.0f);
  uint32_t colour = (uint32_t(alpha) << 24) | 0xFFFFFFu;
  int length = horizontal_ ? GetWidth() : GetHeight();
  int pos = 0;
  int startLength = railStart_ ? static_cast<int>(railStart_->GetHeight()) : 0;
  int endLength = railEnd_ ? static_cast<int>(railEnd_->GetHeight()) : 0;
  if (railStart_) {
    DrawPiece(railStart_, pos, -1, colour);
    pos += startLength;
  }
  if (railMiddle_) {
    // A rail shorter than its caps has no middle.
    int middle = std::max(0, length - startLength - endLength);
    DrawPiece(railMiddle_, pos, middle, colour);
    pos += middle;
  }
  if (railEnd_) DrawPiece(railEnd_, pos, -1, colour);
  r->SetTexture(TTextureRef());
}

// --- Mouse ---

bool TSlider::InThumb(const TPoint& p) const { return thumb_ && thumb_->GetRect().Contains(p); }

bool TSlider::OnMouseDown(const TPoint& p) {
  if (!thumb_ || !thumb_->GetParent()) return false;
  if (InThumb(p)) {
    dragging_ = 1;
    if (TWindowManager* wm = GetWindowManager()) wm->AddCapture(this);
    return true;
  }
  int at = horizontal_ ? p.x : p.y;
  int thumbStart = horizontal_ ? thumb_->GetRect().left : thumb_->GetRect().top;
  int thumbLength = horizontal_ ? thumb_->GetWidth() : thumb_->GetHeight();
  int travel = (horizontal_ ? GetWidth() : GetHeight()) - thumbLength;
  pressValue_ = travel > 0 ? std::clamp(float(at - thumbLength / 2) / float(travel), 0.0f, 1.0f) : 0.0f;
  Report(at >= thumbStart ? kSliderPageDown : kSliderPageUp);
  return true;
}

bool TSlider::OnMouseMove(const TPoint& p) {
  TWindowManager* wm = GetWindowManager();
  ShowThumb(InThumb(p) || dragging_);
  TRect client;
  GetClientRect(client);
  if (!client.Contains(p) && !dragging_) {
    if (wm) wm->RemoveCapture(this);
    ShowThumb(false);
  } else if (wm) {
    wm->AddCapture(this);
  }
  if (!dragging_) return false;
  int extent = horizontal_ ? GetWidth() : GetHeight();
  // A slider without length has nowhere to go: the value stays at the start.
  float value = extent > 0 ? float(horizontal_ ? p.x : p.y) / float(extent) : 0.0f;
  SetValue(value, false);
  return true;
}

bool TSlider::OnMouseUp(const TPoint& p) {
  if (!dragging_) return false;
  dragging_ = 0;
  ShowThumb(InThumb(p));
  TRect client;
  GetClientRect(client);
  if (!client.Contains(p)) {
    if (TWindowManager* wm = GetWindowManager()) wm->RemoveCapture(this);
    ShowThumb(false);
  }
  Report(kSliderMouseUp);
  return true;
}

bool TSlider::OnMouseLeave() {
  if (!dragging_) {
    ShowThumb(false);
    if (TWindowManager* wm = GetWindowManager()) wm->RemoveCapture(this);
  }
  return true;
}
