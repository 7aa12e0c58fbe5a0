#include "ui/window.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

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
    parent_->children_.erase(slot_);
    parent_ = nullptr;
  }
  ChildList children;
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
  UpdateCoverRecord(HasFlag(kWindowOpaque), /*againstRoot=*/true);
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

void TWindow::UpdateCoverRecord(bool covers, bool againstRoot) {
  TModalWindow* modal = GetModalParent();
  if (!modal) return;
  // Full size is the root window's size after a size change, the modal
  // parent's after a flag change. An empty window covers nothing.
  const TWindow* full = modal;
  if (againstRoot) {
    TWindowManager* wm = GetWindowManager();
    full = wm ? wm->GetRootWindow() : nullptr;
  }
  bool covering = covers && full && rect_.Width() == full->GetWidth() && rect_.Height() == full->GetHeight() &&
                  rect_.Width() > 0 && rect_.Height() > 0;
  modal->UpdateCover(this, covering);
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

int TWindow::GetDepth() const {
  int depth = 0;
  for (const TWindow* w = parent_; w; w = w->parent_) ++depth;
  return depth;
}

int TWindow::GetSubtreeHeight() const {
  // Without recursion: a subtree may be as deep as the limit allows.
  int height = 0;
  std::vector<std::pair<const TWindow*, int>> pending{{this, 0}};
  while (!pending.empty()) {
    auto [w, level] = pending.back();
    pending.pop_back();
    height = std::max(height, level);
    for (const TWindow* child : w->children_) pending.emplace_back(child, level + 1);
  }
  return height;
}

bool TWindow::CanNest(const TWindow* child) const {
  if (!child || child == this || child->IsAncestorOf(this)) return false;
  if (child->parent_ == this) return true;
  return GetDepth() + 1 + child->GetSubtreeHeight() <= kMaxWindowDepth;
}

bool TWindow::AddChild(TWindow* child, bool notify) {
  if (!child || child == this) return false;
  // A window is in this list exactly when its parent is this window.
  if (child->parent_ != this) {
    if (!CanNest(child)) {
      TraceOut("TWindow::AddChild: '%s' refused: windows nest at most %d deep", child->GetName().c_str(),
               kMaxWindowDepth);
      return false;
    }
    if (child->parent_) child->parent_->RemoveChild(child);
    children_.push_front(child);
    child->parent_ = this;
    child->slot_ = children_.begin();
    if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  }
  if (notify && !child->OnAdded()) {
    if (child->parent_ == this) {
      children_.erase(child->slot_);
      child->parent_ = nullptr;
    }
    child->SetSize(child->GetWidth(), child->GetHeight());
    return false;
  }
  return true;
}

TWindow* TWindow::RemoveChild(TWindow* child) {
  if (!child) return nullptr;
  if (child->parent_ != this) return nullptr;  // not ours: nothing changes
  children_.erase(child->slot_);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  child->UpdateCoverRecord(false);
  child->parent_ = nullptr;
  return this;
}

TWindow* TWindow::FindChild(const TString& name, int depth) {
  if (name_ == name) return this;
  if (depth == 0) return nullptr;
  for (TWindow* child : children_) {
    if (TWindow* found = child->FindChild(name, depth < 0 ? -1 : depth - 1)) return found;
  }
  return nullptr;
}

TWindow* TWindow::FindChildAt(const TPoint& p) { return FindChildInRange(p, children_.begin(), children_.end()); }

TWindow* TWindow::FindChildInRange(const TPoint& p, ChildList::const_iterator first, ChildList::const_iterator last) {
  for (auto it = first; it != last; ++it) {
    TWindow* child = *it;
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

bool TWindow::RunEventOperation(const TPlatformEvent& event, bool& swallowed) {
  TWindowManager* wm = GetWindowManager();
  TPoint p(event.x, event.y);
  switch (event.type) {
    case kEventLeftDown: return OnMouseDown(p);
    case kEventButton: return OnMouseButton(p, static_cast<int>(event.a));
    case kEventLeftUp: return OnMouseUp(p);
    case kEventMouseMove: return OnMouseMove(p);
    case kEventHover: return OnMouseHover(p);
    case kEventKeyDown: return OnKeyDown(static_cast<unsigned char>(event.a), static_cast<int>(event.b));
    case kEventKeyUp: return OnKeyUp(static_cast<unsigned char>(event.a));
    case kEventChar:
      if (wm && wm->TakeSwallowNextChar()) return swallowed = true;
      return OnChar(static_cast<unsigned char>(event.a));
    case kEventUnicode: {
      if (wm && wm->TakeSwallowNextChar()) return swallowed = true;
      TString text = TString::FromCodePoint(event.a);
      bool handled = OnText(text);
      if (!handled && text.Length() == 1) handled = OnChar(static_cast<unsigned char>(text[0]));
      return handled;
    }
    default: return false;
  }
}

bool TWindow::DispatchEvent(const TPlatformEvent& event, bool focusGiven) {
  // A loop, not recursion: a declined event may pass thousands of windows
  // below and up, and each step costs only the windows it looks at.
  TWindowManager* wm = GetWindowManager();
  TPlatformEvent e = event;
  const bool mouse = IsMouseEvent(event.type);
  for (TWindow* w = this;;) {
    bool swallowed = false;
    bool handled = w->RunEventOperation(e, swallowed);
    if (swallowed) return true;
    if (e.type == kEventLeftDown && !focusGiven) {
      for (TWindow* f = w; f; f = f->parent_) {
        if (f->HasFlag(kWindowFocusable)) {
          if (wm) wm->SetFocus(f);
          break;
        }
      }
      focusGiven = true;
    }
    if (handled) return true;

    if (w->IsModal()) {
      if (!GetSettingBool("overlaymouse")) {
        TString text;
        if (e.type == kEventLeftUp) text = "mouse:up";
        else if (e.type == kEventKeyDown) {
          text = "raw:";
          text += static_cast<char>(e.a & 0xFF);
        }
        if (!text.IsEmpty() && wm) wm->PostMessage(new TMessage(kPressAnyKey, text, nullptr));
      }
      return false;
    }
    TWindow* parent = w->parent_;
    if (!parent) return false;
    if (mouse) {
      e.x += w->rect_.left;
      e.y += w->rect_.top;
      // Only pointer events look for a window below; keys go straight to the parent.
      TPoint at(e.x, e.y);
      TWindow* below = parent->FindChildInRange(at, std::next(ChildList::const_iterator(w->slot_)),
                                                parent->children_.cend());
      if (below != parent) {
        TPoint local(at.x - below->rect_.left, at.y - below->rect_.top);
        TWindow* deepest = below->HitTest(local, -1);
        if (!deepest) deepest = below;
        TPoint point = at;
        parent->ToScreen(point);
        deepest->FromScreen(point);
        e.x = point.x;
        e.y = point.y;
        w = deepest;
        continue;
      }
    }
    w = parent;
  }
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
