#include "ui/windowmanager.h"

#include <algorithm>

#include "platform/log.h"
#include "platform/settings.h"
#include "platform/stringtable.h"
#include "platform/time.h"
#include "ui/modalwindow.h"
#include "ui/windowscript.h"

namespace {
TWindowManager* gWindowManager = nullptr;
}

TWindowManager* GetWindowManager() { return gWindowManager; }

// --- The default environment ---

uint32_t TWindowEnvironment::GetTime() { return GetPlatformTime(); }

bool TWindowEnvironment::IsHostedOrPq() { return HasPqArgument() || HasSetting("hostwindow"); }

TString TWindowEnvironment::GetString(const TString& label, const TString* args, int count) {
  return ApplySubstitutions(label, args, count);
}

TRect TWindowEnvironment::GetCurrentViewport() { return viewports_.empty() ? GetViewport() : viewports_.back(); }

void TWindowEnvironment::PushViewport(const TRect& rect) { viewports_.push_back(rect); }

void TWindowEnvironment::PopViewport() {
  if (!viewports_.empty()) viewports_.pop_back();
}

void TWindowEnvironment::PushClipRect(const TRect& rect) { clips_.push_back(rect); }

void TWindowEnvironment::PopClipRect() {
  if (!clips_.empty()) clips_.pop_back();
}

// --- Construction ---

TWindowManager::TWindowManager(TWindowEnvironment* environment) : env_(environment ? environment : &defaultEnv_) {
  if (!gWindowManager) gWindowManager = this;
}

TWindowManager::~TWindowManager() {
  destroying_ = true;
  if (scriptProxy_) scriptProxy_->target = nullptr;
  scriptProxy_ = nullptr;
  // The script may outlive the manager: its global must not reach a dead one.
  if (script_) script_->GetBindings().Unbind("SetTopModalOnly");
  listeners_.clear();
  capture_.clear();
  while (!modal_.empty()) {
    size_t before = modal_.size();
    // The root goes too at shut-down.
    TWindow* top = modal_.back();
    if (top->GetParent()) top->GetParent()->RemoveChild(top);
    modal_.pop_back();
    if (std::find(pendingDelete_.begin(), pendingDelete_.end(), top) == pendingDelete_.end())
      pendingDelete_.push_back(top);
    if (modal_.size() >= before) break;
  }
  root_ = nullptr;
  DeletePendingWindows();
  for (TWindow* w : overlays_) delete w;
  overlays_.clear();
  for (TMessage* m : posted_) delete m;
  posted_.clear();
  if (gWindowManager == this) gWindowManager = nullptr;
}

void TWindowManager::SetEnvironment(TWindowEnvironment* environment) {
  env_ = environment ? environment : &defaultEnv_;
}

// --- Scripting ---

void TWindowManager::RunScriptText(TWindow* window, const TString& text) {
  if (port_) port_->RunText(window, text);
}

bool TWindowManager::ExchangeScriptFlag(bool value) { return port_ ? port_->ExchangeLabelFlag(value) : false; }

void TWindowManager::RegisterWindowType(const TString& name, TWindowCreator creator) {
  if (port_) port_->DefineWindowType(name, creator);
}

// --- Modal stack ---

bool TWindowManager::PushModal(TWindow* window) {
  if (!window) return false;
  TWindow* previous = GetTopModal();
  if (previous && previous != window && !previous->CanNest(window)) {
    TraceOut("TWindowManager::PushModal: '%s' refused: windows nest at most %d deep", window->GetName().c_str(),
             kMaxWindowDepth);
    return false;
  }
  mouseOver_ = nullptr;
  if (!capture_.empty()) {
    std::list<TWindow*> copy;
    copy.swap(capture_);
    captureChanged_ = true;
    for (TWindow* w : copy) w->OnMouseLeave();
  }
  modal_.push_back(window);
  if (previous) {
    previous->AddChild(window, false);
    if (TModalWindow* m = WindowCast<TModalWindow>(previous)) m->GetClock().Pause();
  }
  SetFocus(window);
  if (port_) port_->SetModalWindow(window);
  window->OnAdded();
  if (window->GetWidth() == 0 && window->GetParent())
    window->SetSize(window->GetParent()->GetWidth(), window->GetParent()->GetHeight());
  Invalidate();
  return true;
}

void TWindowManager::PopModal() {
  TWindow* w = GetTopModal();
  if (!w) return;
  if (w->GetParent()) w->GetParent()->RemoveChild(w);
  QueueDelete(w);
  modal_.pop_back();
  if (TModalWindow* m = WindowCast<TModalWindow>(w)) m->ClearTasks();
  if (TWindow* top = GetTopModal()) {
    if (port_) port_->SetModalWindow(top);
    SetFocus(top);
  } else if (port_) {
    port_->SetModalWindow(nullptr);
  }
  TModalPoppedSpider spider;
  w->ForEachChild(spider);
  Invalidate();
  abortPass_ = true;
}

bool TWindowManager::PopModalUntil(const TString& name) {
  TWindow* top = GetTopModal();
  if (!top || name.IsEmpty()) return false;
  TWindow* match = nullptr;
  for (TWindow* w = top; w; w = w->GetParent()) {
    if (w->GetName() == name || w->FormatIdHex() == name) {
      match = w;
      break;
    }
  }
  if (!match) return false;
  // The root is never popped: an empty stack would leave the program without input.
  if (match == root_ || (modal_.size() > 0 && match == modal_.front())) {
    TraceOut("TWindowManager::PopModalUntil: refusing to pop the root window '%s'", name.c_str());
    return false;
  }
  if (std::find(modal_.begin(), modal_.end(), match) == modal_.end()) return false;
  while (!modal_.empty()) {
    TWindow* popped = GetTopModal();
    PopModal();
    if (popped == match) break;
  }
  if (TModalWindow* m = WindowCast<TModalWindow>(GetTopModal())) m->GetClock().Start();
  return true;
}

void TWindowManager::SetRootWindow(TWindow* window) {
  root_ = window;
  PushModal(window);
  if (window) {
    TRect vp = env_->GetViewport();
    window->MoveTo(vp.left, vp.top);
    window->SetSize(vp.Width(), vp.Height());
    window->OnAdded();
  }
}

// --- Focus and capture ---

void TWindowManager::SetFocus(TWindow* window) {
  TWindow* previous = focus_;
  focus_ = window;
  if (!window) return;
  TModalWindow* modal = WindowCast<TModalWindow>(window);
  if (modal && modal->GetFocusWindow() && modal->GetFocusWindow() != window) {
    // A modal window hands the focus on to its focus child, which learns the real previous window.
    TWindow* child = modal->GetFocusWindow();
    focus_ = child;
    child->OnSetFocus(previous);
    return;
  }
  window->OnSetFocus(previous);
}

void TWindowManager::AddCapture(TWindow* window) {
  if (!window || IsCaptured(window)) return;
  capture_.push_front(window);
  captureChanged_ = true;
}

void TWindowManager::RemoveCapture(TWindow* window) {
  auto before = capture_.size();
  capture_.remove(window);
  if (capture_.size() != before) captureChanged_ = true;
}

bool TWindowManager::IsCaptured(const TWindow* window) const {
  return std::find(capture_.begin(), capture_.end(), window) != capture_.end();
}

// --- Messages ---

void TWindowManager::PostMessage(TMessage* message) {
  if (!message) return;
  if (destroying_) {
    delete message;
    return;
  }
  posted_.push_back(message);
}

void TWindowManager::DeliverPostedMessages() {
  size_t count = 0;
  while (!posted_.empty()) {
    if (count++ >= kMaxDeliveriesPerPass) {
      if (!deliveryOverflowLogged_) {
        TraceOut("TWindowManager: more than %zu messages in one delivery pass; the rest wait for the next event",
                 kMaxDeliveriesPerPass);
        deliveryOverflowLogged_ = true;
      }
      return;
    }
    TMessage* m = posted_.front();
    posted_.pop_front();
    Deliver(m);
  }
}

void TWindowManager::Deliver(TMessage* message) {
  if (!message) return;
  TMessage* argument = message->GetDeliveryMessage();
  if (message->type == kQuitNow) {
    delete message;
    env_->PostQuit(0);
    return;
  }
  TWindow* target = message->target;
  if (!target) {
    // A copy: a listener may remove itself.
    std::vector<TMessageListener*> listeners = listeners_;
    for (TMessageListener* l : listeners) {
      if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) continue;
      if (l->OnMessage(argument)) {
        delete message;
        return;
      }
    }
    target = focus_ ? focus_ : GetTopModal();
    if (!target) {
      delete message;
      return;
    }
  }
  target->BubbleMessage(message);
}

void TWindowManager::DeliverToScript(TMessage* message) {
  if (port_) port_->QueueMessage(message);
  else delete message;
}

void TWindowManager::AddListener(TMessageListener* listener) {
  if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
    listeners_.push_back(listener);
}

void TWindowManager::RemoveListener(TMessageListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

bool TWindowManager::TakeSwallowNextChar() {
  bool value = swallowNextChar_;
  swallowNextChar_ = false;
  return value;
}

// --- Window lifetime ---

void TWindowManager::QueueDelete(TWindow* window) {
  if (!window) return;
  mouseOver_ = nullptr;
  if (std::find(pendingDelete_.begin(), pendingDelete_.end(), window) == pendingDelete_.end())
    pendingDelete_.push_back(window);
  for (TMessage* m : posted_) {
    if (m->target && (m->target == window || window->IsAncestorOf(m->target))) m->target = nullptr;
  }
  for (auto it = capture_.begin(); it != capture_.end();) {
    if (*it == window || window->IsAncestorOf(*it)) {
      it = capture_.erase(it);
      captureChanged_ = true;
    } else {
      ++it;
    }
  }
}

bool TWindowManager::IsPendingDelete(const TWindow* window) const {
  return std::find(pendingDelete_.begin(), pendingDelete_.end(), window) != pendingDelete_.end();
}

void TWindowManager::DeletePendingWindows() {
  if (pendingDelete_.empty()) return;
  mouseOver_ = nullptr;
  // One at a time from the front: a destructor may queue more windows, and a
  // window deleted with its parent leaves the list through ForgetWindow.
  while (!pendingDelete_.empty()) {
    TWindow* w = pendingDelete_.front();
    pendingDelete_.erase(pendingDelete_.begin());
    if (w->GetParent()) w->GetParent()->RemoveChild(w);
    delete w;
  }
  Invalidate();
}

void TWindowManager::ForgetWindow(TWindow* window) {
  mouseOver_ = nullptr;
  if (focus_ == window) focus_ = nullptr;
  RemoveCapture(window);
  for (TWindow* w = GetTopModal(); w; w = w->GetParent()) {
    TModalWindow* m = WindowCast<TModalWindow>(w);
    if (!m) break;
    if (m->GetFocusWindow() == window) m->SetFocusWindow(nullptr);
  }
  // A window deleted behind the manager's back must not stay on the stacks.
  auto modalIt = std::find(modal_.begin(), modal_.end(), window);
  if (modalIt != modal_.end()) {
    modal_.erase(modalIt);
    if (port_) port_->SetModalWindow(GetTopModal());
  }
  if (root_ == window) root_ = nullptr;
  pendingDelete_.erase(std::remove(pendingDelete_.begin(), pendingDelete_.end(), window), pendingDelete_.end());
  overlays_.remove(window);
  for (TMessage* m : posted_) {
    if (m->target == window) m->target = nullptr;
  }
  if (port_) port_->ForgetWindow(window);
}

// --- Overlays ---

void TWindowManager::AddOverlay(TWindow* window) {
  if (window && std::find(overlays_.begin(), overlays_.end(), window) == overlays_.end()) {
    overlays_.push_front(window);
    Invalidate();
  }
}

void TWindowManager::RemoveOverlay(TWindow* window) {
  overlays_.remove(window);
  Invalidate();
}

// --- Events ---

void TWindowManager::HandleEvent(const TPlatformEvent& event) {
  if (event.type == kEventNull) return;
  if (event.type == kEventReleaseLayer) env_->ReleaseLayerTarget();
  if (event.type == kEventClose && port_) port_->OnCloseRequest();
  DeletePendingWindows();
  TWindow* top = GetTopModal();
  if (!top) return;
  switch (event.type) {
    case kEventTick:
      if (TModalWindow* m = WindowCast<TModalWindow>(top)) m->RunTasks(0);
      DeliverPostedMessages();
      DrawFrame();
      DeliverPostedMessages();
      break;
    case kEventPaint:
      Invalidate();
      DeliverPostedMessages();
      DrawFrame();
      DeliverPostedMessages();
      break;
    case kEventLeftDown:
    case kEventButton:
    case kEventLeftUp:
    case kEventMouseMove:
    case kEventHover:
      RouteMouse(event, top);
      DeliverPostedMessages();
      break;
    case kEventMouseLeave:
      RouteMouseLeave(top);
      DeliverPostedMessages();
      break;
    case kEventKeyDown:
    case kEventKeyUp:
    case kEventChar:
    case kEventUnicode: {
      // A hot key that produced no character must not eat the next one typed.
      if (event.type == kEventKeyDown) swallowNextChar_ = false;
      TWindow* target = focus_ ? focus_ : top;
      target->DispatchEvent(event, false);
      DeliverPostedMessages();
      break;
    }
    case kEventActivate:
      break;
    default:
      DeliverPostedMessages();
      top->DispatchEvent(event, false);
      break;
  }
}

void TWindowManager::RouteMouseLeave(TWindow* top) {
  std::vector<TWindow*> snapshot(capture_.begin(), capture_.end());
  for (TWindow* k : snapshot) {
    if (!IsCaptured(k)) continue;
    k->OnMouseLeave();
    if (GetTopModal() != top) return;
  }
}

void TWindowManager::RouteMouse(const TPlatformEvent& event, TWindow* top) {
  TPoint at(event.x, event.y);
  if (!capture_.empty()) {
    // The capture path never hit-tests. A snapshot with a membership check
    // copes with windows that release the capture (or are queued for deletion) meanwhile.
    std::vector<TWindow*> snapshot(capture_.begin(), capture_.end());
    for (TWindow* k : snapshot) {
      if (!IsCaptured(k)) continue;
      if (!k->GetScreenRect().Contains(at)) {
        k->OnMouseLeave();
        if (GetTopModal() != top) return;
        if (!IsCaptured(k)) continue;
      }
      TPoint local = at;
      k->FromScreen(local);
      TPlatformEvent e = event;
      e.x = local.x;
      e.y = local.y;
      k->DispatchEvent(e, false);
      if (GetTopModal() != top) return;
    }
    captureChanged_ = false;
    return;
  }
  bool overlayMouse = GetSettingBool("overlaymouse");
  if (overlayMouse) {
    std::vector<TWindow*> overlays(overlays_.begin(), overlays_.end());
    for (TWindow* o : overlays) {
      TPoint local = at;
      o->FromScreen(local);
      TWindow* d = o->HitTest(local, -1);
      if (!d) d = o;
      TPoint dl = at;
      d->FromScreen(dl);
      TPlatformEvent e = event;
      e.x = dl.x;
      e.y = dl.y;
      if (d->DispatchEvent(e, false)) {
        mouseOver_ = d;
        if (outline_) Invalidate();
        return;
      }
    }
  }
  TPoint local = at;
  top->FromScreen(local);
  TWindow* d = top->HitTest(local, -1);
  if (!d) d = top;
  mouseOver_ = d;
  if (outline_) Invalidate();
  TPoint dl = at;
  d->FromScreen(dl);
  TPlatformEvent e = event;
  e.x = dl.x;
  e.y = dl.y;
  bool handled = d->DispatchEvent(e, false);
  if (!handled && overlayMouse && event.type == kEventLeftUp)
    PostMessage(new TMessage(kPressAnyKey, "mouse:up", nullptr));
}

// --- Drawing ---

void TWindowManager::DrawFrame() {
  abortPass_ = false;
  if (suspended_ || !invalidated_ || !env_->IsFlipDone()) return;
  uint32_t interval = kFrameInterval;
  if (!env_->IsForeground() && !env_->IsHostedOrPq()) interval = kBackgroundFrameInterval;
  // Paced on platform time: play time (env_->GetTime) stands still while the
  // application is inactive, and the background frames must go on.
  uint32_t now = GetPlatformTime();
  if (anyFrame_ && now - lastFrameTime_ < interval) return;
  lastFrameTime_ = now;
  anyFrame_ = true;
  if (root_) {
    TWindowClearFlags clear(~static_cast<uint32_t>(kWindowLayerDrawn), true);
    root_->SetStateFlags(root_->GetFlags() & ~kWindowLayerDrawn);
    root_->ForEachChild(clear);
  }
  TWindow* top = GetTopModal();
  if (top && env_->IsFlipDone()) {
    env_->RunPlatformTasks(1);
    if (TModalWindow* m = WindowCast<TModalWindow>(GetTopModal())) m->RunTasks(1);
  }
  if (env_->HasLayerTarget() && env_->BeginLayerTarget()) {
    DrawModalLayers(1);
    env_->EndLayerTarget();
  }
  if (!env_->BeginDraw()) return;
  invalidated_ = false;
  drawing_ = true;
  ++frames_;
  if (!env_->HasLayerTarget()) {
    DrawModalLayers(0);
  } else {
    if (root_) root_->DrawTree(0);
    DrawModalLayers(2);
  }
  std::vector<TWindow*> overlays(overlays_.begin(), overlays_.end());
  for (TWindow* o : overlays) o->DrawTree(0);
  if (outline_ && mouseOver_ && root_) {
    TRect r = mouseOver_->GetScreenRect();
    TRect rootRect = root_->GetScreenRect();
    env_->PushViewport(rootRect);
    env_->PushClipRect(rootRect);
    TFloatColor yellow(1, 1, 0, 1);
    env_->FillRect(TRect(r.left, r.top, r.right, r.top + 2), yellow);
    env_->FillRect(TRect(r.left, r.bottom - 2, r.right, r.bottom), yellow);
    env_->FillRect(TRect(r.left, r.top, r.left + 2, r.bottom), yellow);
    env_->FillRect(TRect(r.right - 2, r.top, r.right, r.bottom), yellow);
    env_->PopClipRect();
    env_->PopViewport();
  }
  env_->EndDraw();
  drawing_ = false;
}

void TWindowManager::DrawModalLayers(int pass) {
  if (abortPass_ || !env_->HasDisplay() || modal_.empty()) return;
  TWindow* top = GetTopModal();
  if (pass == 2 || topModalOnly_) {
    top->DrawTree(pass);
    return;
  }
  size_t start = 0;
  int rootW = root_ ? root_->GetWidth() : 0, rootH = root_ ? root_->GetHeight() : 0;
  for (size_t i = modal_.size(); i-- > 0;) {
    TWindow* w = modal_[i];
    if (w->HasFlag(kWindowOpaque) && w->GetWidth() == rootW && w->GetHeight() == rootH) {
      start = i;
      break;
    }
  }
  // A copy: drawing must not change the stack, but a window might.
  std::vector<TWindow*> layers(modal_.begin() + static_cast<long>(start), modal_.end());
  for (TWindow* w : layers) {
    if (pass == 1 && w == top) continue;
    w->DrawTree(pass);
    if (abortPass_ || !env_->HasDisplay()) return;
  }
}
