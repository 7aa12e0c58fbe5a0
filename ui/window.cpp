#include "ui/window.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/log.h"
#include "platform/settings.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

std::atomic<uint32_t> TWindow::nextId_{0};
std::atomic<long> TWindow::live_{0};

// --- Placement codes ---

int ClampPlacement(int value) { return std::clamp(value, -kPlacementLimit, kPlacementLimit); }

float ClampScale(double scale, const TString& windowName) {
  if (scale >= 0 && scale <= kMaxWindowScale) return static_cast<float>(scale);
  const double used = scale > kMaxWindowScale ? kMaxWindowScale : 1.0;
  TraceOut("Window %s: scale %g is out of range; %g is used", windowName.c_str(), scale, used);
  return static_cast<float>(used);
}

int ResolveCoordinate(int v, int extent, int size, bool keepNegative) {
  if (v > 106666) return v + extent - kPlaceMax;
  if (v > 40000) return extent / 2 - size / 2 + (v - kPlaceCenter);
  if (v < 0 && !keepNegative) return v + extent;
  return v;
}

void ResolvePlacement(int& pos, int& size, bool hasParent, int extent, bool alignMiddle, bool alignFar,
                      bool keepNegative) {
  bool centreCoded = pos >= 40000 && pos <= 106666;
  if (!centreCoded) {
    if (alignMiddle) pos -= size / 2;
    else if (alignFar) pos -= size;
    if ((alignMiddle || alignFar) && size == 0) return;
  }
  if (!hasParent) return;
  const int E = extent;
  if (size > 80000 && pos <= 40000) {
    pos = ResolveCoordinate(pos, E, size, keepNegative);
    size = E - pos - (kPlaceMax - size);
  } else if (size > 80000) {
    // A far-edge size with a centre-coded position: symmetric about the centre.
    int d = pos > 106666 ? pos + E - kPlaceMax : pos - kPlaceCenter;
    if (d >= 0) {
      size += E - 2 * d - kPlaceMax;
      pos = 2 * d;
    } else {
      size += E + 2 * d - kPlaceMax;
      pos = 0;
    }
  } else if (size < 0) {
    size = -size;
    if (size <= 80000) {
      pos = ResolveCoordinate(pos, E, size, keepNegative);
      pos -= size;
    } else {
      pos = ResolveCoordinate(pos, E, size, keepNegative);
      size = pos;
      pos = kPlaceMax - pos;
    }
  } else {
    pos = ResolveCoordinate(pos, E, size, keepNegative);
  }
}

int GetStyleInt(TWindowStyle& style, const TString& key, int defaultValue) {
  double v = style.GetNumber(key, defaultValue);
  if (std::isnan(v)) return defaultValue;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

// --- Construction ---

TWindow::TWindow() : id_(nextId_++) { ++live_; }

TWindow* TWindow::CreateInstance() { return new TWindow(); }

TWindow::~TWindow() {
  if (anim_) {
    anim_->Detach();
    anim_ = nullptr;
  }
  TWindowManager* wm = GetWindowManager();
  if (wm) wm->Invalidate();
  UpdateCoverRecord(false);
  // A window deleted while still in a tree leaves it first.
  if (parent_) {
    auto& siblings = parent_->children_;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it != siblings.end()) siblings.erase(it);
    parent_ = nullptr;
  }
  std::list<TWindow*> children;
  children.swap(children_);
  for (TWindow* child : children) {
    child->UpdateCoverRecord(false);
    child->parent_ = nullptr;
  }
  for (TWindow* child : children) delete child;
  if (wm) wm->ForgetWindow(this);
  --live_;
}

TString TWindow::FormatIdHex() const { return TString::Printf("%8x", id_); }

// --- Geometry ---

void TWindow::GetScreenRect(TRect& out) const {
  out = rect_;
  for (const TWindow* p = parent_; p; p = p->parent_) out.Offset(p->rect_.left, p->rect_.top);
}

void TWindow::ToScreen(TPoint& p) const {
  TRect r = GetScreenRect();
  p.x += r.left;
  p.y += r.top;
}

void TWindow::FromScreen(TPoint& p) const {
  TRect r = GetScreenRect();
  p.x -= r.left;
  p.y -= r.top;
}

void TWindow::MoveTo(int x, int y) {
  int w = rect_.Width(), h = rect_.Height();
  rect_ = MakeRectXYWH(x, y, w, h);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

void TWindow::SetSize(int width, int height) {
  rect_.right = rect_.left + width;
  rect_.bottom = rect_.top + height;
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  UpdateCoverRecord(HasFlag(kWindowOpaque));
}

void TWindow::SetStateFlags(uint32_t flags) {
  uint32_t old = flags_;
  flags_ = (flags_ & ~kWindowStateMask) | (flags & kWindowStateMask);
  if ((old ^ flags_) & kWindowVisible) {
    if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  }
  UpdateCoverRecord(HasFlag(kWindowOpaque));
}

void TWindow::ShowWindow(bool show) {
  SetStateFlags(show ? (flags_ | kWindowVisible) : (flags_ & ~kWindowVisible));
}

void TWindow::UpdateCoverRecord(bool covers) {
  TModalWindow* modal = GetModalParent();
  if (!modal) return;
  // Full size is the modal parent's size on both paths (size change and flag change).
  bool full = covers && rect_.Width() == modal->GetWidth() && rect_.Height() == modal->GetHeight() &&
              rect_.Width() > 0 && rect_.Height() > 0;
  modal->UpdateCover(this, full);
}

bool TWindow::IsFlagSetInherited() const {
  for (const TWindow* w = this; w; w = w->parent_) {
    if (!w->HasFlag(kWindowVisible)) return false;
    if (w->IsModal()) return true;
  }
  return false;
}

TModalWindow* TWindow::GetModalParent() const {
  for (TWindow* w = parent_; w; w = w->parent_) {
    if (w->IsModal()) {
      if (TModalWindow* m = WindowCast<TModalWindow>(w)) return m;
    }
  }
  return nullptr;
}

TModalWindow* TWindow::GetModalOwner() {
  if (TModalWindow* m = WindowCast<TModalWindow>(this)) return m;
  return GetModalParent();
}

// --- Tree ---

bool TWindow::AddChild(TWindow* child, bool notify) {
  if (!child || child == this) return false;
  if (std::find(children_.begin(), children_.end(), child) == children_.end()) {
    if (child->parent_ && child->parent_ != this) child->parent_->RemoveChild(child);
    children_.push_front(child);
    child->parent_ = this;
    if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  }
  if (notify && !child->OnAdded()) {
    child->parent_ = nullptr;
    children_.remove(child);
    child->SetSize(child->GetWidth(), child->GetHeight());
    return false;
  }
  return true;
}

TWindow* TWindow::RemoveChild(TWindow* child) {
  if (!child) return nullptr;
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it != children_.end()) {
    children_.erase(it);
    if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  }
  if (child->parent_ == this) child->UpdateCoverRecord(false);
  TWindow* previous = child->parent_;
  child->parent_ = nullptr;
  return previous;
}

TWindow* TWindow::FindChild(const TString& name, int depth) {
  if (name_ == name) return this;
  if (depth == 0) return nullptr;
  for (TWindow* child : children_) {
    if (TWindow* found = child->FindChild(name, depth < 0 ? -1 : depth - 1)) return found;
  }
  return nullptr;
}

TWindow* TWindow::FindChildAt(const TPoint& p) {
  for (TWindow* child : children_) {
    if (child->HasFlag(kWindowVisible) && child->rect_.Contains(p)) return child;
  }
  return this;
}

TWindow* TWindow::HitTest(const TPoint& p, int depth) {
  if (depth == 0) return nullptr;
  TWindow* child = FindChildAt(p);
  if (child == this) return this;
  TPoint local(p.x - child->rect_.left, p.y - child->rect_.top);
  TWindow* deeper = child->HitTest(local, depth < 0 ? -1 : depth - 1);
  return deeper ? deeper : child;
}

bool TWindow::ForEachChild(TWindowSpider& spider, bool reverse) {
  // A copy: a visitor may detach the child it visits.
  std::vector<TWindow*> list(children_.begin(), children_.end());
  if (reverse) std::reverse(list.begin(), list.end());
  for (TWindow* child : list) {
    if (!spider.Visit(child)) return false;
  }
  return true;
}

bool TWindow::IsAncestorOf(const TWindow* window) const {
  for (const TWindow* w = window ? window->parent_ : nullptr; w; w = w->parent_) {
    if (w == this) return true;
  }
  return false;
}

bool GetLargest::Visit(TWindow* child) {
  width = std::max(width, child->GetRect().right);
  height = std::max(height, child->GetRect().bottom);
  return true;
}

void TWindow::FitToChildren() {
  GetLargest largest(GetWidth(), GetHeight());
  ForEachChild(largest);
  SetSize(largest.width, largest.height);
}

bool ChildrenDelete::Visit(TWindow* child) {
  parent_->RemoveChild(child);
  if (TWindowManager* wm = GetWindowManager()) wm->QueueDelete(child);
  else delete child;
  return true;
}

void TWindow::DeleteChildren() {
  ChildrenDelete spider(this);
  ForEachChild(spider);
}

bool TWindowClearFlags::Visit(TWindow* child) {
  child->SetStateFlags(child->GetFlags() & mask_);
  if (recursive_) child->ForEachChild(*this);
  return true;
}

bool TModalPoppedSpider::Visit(TWindow* child) {
  child->ForEachChild(*this);
  child->OnModalPopped();
  return true;
}

// --- Placement ---

void TWindow::ApplyPlacement(TWindowStyle& style) {
  int x = ClampPlacement(GetStyleInt(style, "x", 0));
  int y = ClampPlacement(GetStyleInt(style, "y", 0));
  int w = ClampPlacement(GetStyleInt(style, "w", GetWidth()));
  int h = ClampPlacement(GetStyleInt(style, "h", GetHeight()));
  if (parent_) {
    bool plainX = !(w < 0 || x < 0 || w > 80000 || x > 40000);
    bool plainY = !(h < 0 || y < 0 || h > 80000 || y > 40000);
    if (!plainX && parent_->GetWidth() == 0) return;
    if (!plainY && parent_->GetHeight() == 0) return;
  }
  if ((x > 40000 || x < 0) && w == 0) return;
  if ((y > 40000 || y < 0) && h == 0) return;
  int a = GetStyleInt(style, "align", -1);
  bool present = a != -1;
  if (!present) a = 0;
  int pw = parent_ ? ClampPlacement(parent_->GetWidth()) : 0;
  int ph = parent_ ? ClampPlacement(parent_->GetHeight()) : 0;
  ResolvePlacement(x, w, parent_ != nullptr, pw, a & 1, a & 2, present);
  ResolvePlacement(y, h, parent_ != nullptr, ph, a & 4, a & 8, present);
  x = ClampPlacement(x);
  y = ClampPlacement(y);
  w = ClampPlacement(w);
  h = ClampPlacement(h);
  MoveTo(rect_.left != 0 ? rect_.left : x, rect_.top != 0 ? rect_.top : y);
  SetSize(GetWidth() != 0 ? GetWidth() : w, GetHeight() != 0 ? GetHeight() : h);
}

void TWindow::Init(TWindowStyle& style) {
  SetName(style.GetString("name", TString()));
  ApplyPlacement(style);
}

void TWindow::PostInit(TWindowStyle& style) {
  if (style.GetBool("fit", false)) FitToChildren();
  ApplyPlacement(style);
}

// --- Events ---

bool TWindow::OnMouseHover(const TPoint& p) {
  TWindowManager* wm = GetWindowManager();
  return wm ? wm->OnHover(p) : false;
}

static bool IsMouseEvent(uint32_t type) {
  return (type >= kEventLeftDown && type <= kEventMouseMove) || type == kEventHover;
}

bool TWindow::DispatchEvent(const TPlatformEvent& event, bool focusGiven) {
  TWindowManager* wm = GetWindowManager();
  TPoint p(event.x, event.y);
  bool handled = false;
  switch (event.type) {
    case kEventLeftDown: handled = OnMouseDown(p); break;
    case kEventButton: handled = OnMouseButton(p, static_cast<int>(event.a)); break;
    case kEventLeftUp: handled = OnMouseUp(p); break;
    case kEventMouseMove: handled = OnMouseMove(p); break;
    case kEventHover: handled = OnMouseHover(p); break;
    case kEventKeyDown: handled = OnKeyDown(static_cast<unsigned char>(event.a), static_cast<int>(event.b)); break;
    case kEventKeyUp: handled = OnKeyUp(static_cast<unsigned char>(event.a)); break;
    case kEventChar:
      if (wm && wm->TakeSwallowNextChar()) return true;
      handled = OnChar(static_cast<unsigned char>(event.a));
      break;
    case kEventUnicode: {
      if (wm && wm->TakeSwallowNextChar()) return true;
      TString text = TString::FromCodePoint(event.a);
      handled = OnText(text);
      if (!handled && text.Length() == 1) handled = OnChar(static_cast<unsigned char>(text[0]));
      break;
    }
    default: break;
  }
  if (event.type == kEventLeftDown && !focusGiven) {
    for (TWindow* w = this; w; w = w->parent_) {
      if (w->HasFlag(kWindowFocusable)) {
        if (wm) wm->SetFocus(w);
        break;
      }
    }
    focusGiven = true;
  }
  if (handled) return true;

  if (!IsModal()) {
    TPlatformEvent up = event;
    bool mouse = IsMouseEvent(event.type);
    if (mouse) {
      up.x += rect_.left;
      up.y += rect_.top;
    }
    if (!parent_) return false;
    // Only pointer events look for a window below; keys go straight to the parent.
    if (mouse) {
      auto& siblings = parent_->children_;
      auto it = std::find(siblings.begin(), siblings.end(), this);
      if (it != siblings.end()) {
        TPoint at(up.x, up.y);
        for (++it; it != siblings.end(); ++it) {
          TWindow* below = *it;
          if (!below->HasFlag(kWindowVisible) || !below->rect_.Contains(at)) continue;
          TPoint local(at.x - below->rect_.left, at.y - below->rect_.top);
          TWindow* deepest = below->HitTest(local, -1);
          if (!deepest) deepest = below;
          TPoint screen(at.x, at.y);
          parent_->ToScreen(screen);
          deepest->FromScreen(screen);
          TPlatformEvent down = up;
          down.x = screen.x;
          down.y = screen.y;
          return deepest->DispatchEvent(down, focusGiven);
        }
      }
    }
    return parent_->DispatchEvent(up, focusGiven);
  }

  if (!GetSettingBool("overlaymouse")) {
    TString text;
    if (event.type == kEventLeftUp) text = "mouse:up";
    else if (event.type == kEventKeyDown) {
      text = "raw:";
      text += static_cast<char>(event.a & 0xFF);
    }
    if (!text.IsEmpty() && wm) wm->PostMessage(new TMessage(kPressAnyKey, text, nullptr));
  }
  return false;
}

void TWindow::BubbleMessage(TMessage* message) {
  if (!message) return;
  for (TWindow* w = this; w; w = w->parent_) {
    if (w->OnMessage(message)) {
      delete message;
      return;
    }
    if (w->IsModal()) {
      TModalWindow* modal = WindowCast<TModalWindow>(w);
      TWindow* focus = modal ? modal->GetFocusWindow() : nullptr;
      if (focus && focus != w && focus->OnMessage(message->GetDeliveryMessage())) {
        delete message;
        return;
      }
      break;
    }
  }
  if (TWindowManager* wm = GetWindowManager()) wm->DeliverToScript(message);
  else delete message;
}

// --- Drawing ---

bool TWindow::DrawTree(int pass) {
  if (!HasFlag(kWindowVisible)) return false;
  if (pass == 1) {
    if (!HasFlag(kWindowLayer) || !parent_ || !parent_->HasFlag(kWindowLayerDrawn)) return false;
    flags_ |= kWindowLayerDrawn;
  } else if (pass == 2 && HasFlag(kWindowLayerDrawn)) {
    return false;
  }
  TWindowManager* wm = GetWindowManager();
  if (!wm) return false;
  TWindowEnvironment* env = wm->GetEnvironment();
  TRect screen = GetScreenRect();
  TRect clip = env->GetCurrentViewport().Intersect(screen);
  if (clip.IsEmpty()) return true;
  env->PushClipRect(screen);
  env->PushViewport(clip);
  Draw();
  // Back to front: the front child ends on top. Modal children are drawn as layers of their own.
  std::vector<TWindow*> list(children_.rbegin(), children_.rend());
  for (TWindow* child : list) {
    if (!child->IsModal()) child->DrawTree(pass);
  }
  PostDraw();
  env->PopViewport();
  env->PopClipRect();
  return true;
}

// --- Animation ---

TWindowAnim::~TWindowAnim() {
  if (window_ && window_->anim_ == this) window_->anim_ = nullptr;
}

bool TWindowAnim::Step() {
  if (!window_) return false;
  return window_->Update();
}

TWindowAnim* TWindow::GetAnim() {
  if (anim_) return anim_;
  TModalWindow* owner = GetModalOwner();
  if (!owner) return nullptr;
  anim_ = new TWindowAnim(this);
  anim_->SetClock(&owner->GetClock());
  owner->AddTask(anim_);
  return anim_;
}

void TWindow::Animate(uint32_t delayMs, bool repeat, bool fromNow, bool catchUp) {
  if (TWindowAnim* anim = GetAnim()) anim->Schedule(delayMs, fromNow, repeat, catchUp);
}

TWindowAnim* TWindow::ReleaseAnim() {
  TWindowAnim* anim = anim_;
  if (anim) anim->Detach();
  anim_ = nullptr;
  return anim;
}
