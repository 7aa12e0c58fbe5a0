#include "ui/modalwindow.h"

#include <algorithm>
#include <cctype>

#include "platform/log.h"
#include "ui/message.h"
#include "ui/widgetroles.h"
#include "ui/windowmanager.h"

// --- TModalWindow ---

TModalWindow::TModalWindow() { SetClassFlags(kWindowModal | kWindowFocusable); }

TModalWindow::~TModalWindow() {
  // Lua code waiting for this dialog learns that it closed.
  if (TWindowManager* wm = GetWindowManager()) wm->PostMessage(new TMessage(kModalClosed, FormatIdHex(), nullptr));
  tasks_.Clear();
  covering_.clear();
  focusChild_ = nullptr;
}

bool TModalWindow::OnAdded() {
  clock_.Start();
  return true;
}

void TModalWindow::PostInit(TWindowStyle& style) {
  FitToChildren();
  TWindow::PostInit(style);
}

bool TModalWindow::OnMessage(TMessage* message) {
  if (message->type != kCloseWindow) return false;
  if (!message->text.IsEmpty()) {
    if (TWindowManager* wm = GetWindowManager()) wm->PopModalUntil(message->text);
  }
  return true;
}

void TModalWindow::OnSetFocus(TWindow* previous) {
  if (!focusChild_) return;
  TWindowManager* wm = GetWindowManager();
  if (!wm) return;
  wm->SetFocus(focusChild_);
}

void TModalWindow::SetFocusWindow(TWindow* window) {
  focusChild_ = window;
  TWindowManager* wm = GetWindowManager();
  if (window && wm && wm->GetFocus() == this) wm->SetFocus(window);
}

void TModalWindow::UpdateCover(TWindow* window, bool covers) {
  if (covers) covering_.insert(window);
  else covering_.erase(window);
  uint32_t flags = GetFlags();
  uint32_t wanted = covering_.empty() ? (flags & ~kWindowOpaque) : (flags | kWindowOpaque);
  if (wanted != flags) SetStateFlags(wanted);
}

// --- Enter and Escape ---

namespace {
struct TDefaultButtons {
  TWindow* defaultButton = nullptr;
  TWindow* cancelButton = nullptr;
};

// Depth first, a window before its children, children front to back; a
// later button replaces an earlier one. After a button with which both are
// known, the rest of that button's sibling list is skipped.
void FindDefault(TWindow* window, TDefaultButtons& found) {
  for (TWindow* child : window->GetChildren()) {
    bool isButton = false;
    if (child->HasFlag(kWindowVisible)) {
      if (auto* button = dynamic_cast<TButtonRole*>(child)) {
        isButton = true;
        if (button->IsDefaultButton()) found.defaultButton = child;
        if (button->IsCancelButton()) found.cancelButton = child;
      }
      if (!child->IsModal()) FindDefault(child, found);
    }
    if (isButton && found.defaultButton && found.cancelButton) break;
  }
}
}  // namespace

bool TModalWindow::OnChar(unsigned char c) {
  if (c != 13 && c != 27) return false;
  TDefaultButtons found;
  FindDefault(this, found);
  TWindow* button = c == 13 ? found.defaultButton : found.cancelButton;
  if (button) {
    if (auto* role = dynamic_cast<TButtonRole*>(button)) {
      if (role->DoCommand()) return true;
    }
  }
  TWindowManager* wm = GetWindowManager();
  TWindow* from = wm && wm->GetFocus() ? wm->GetFocus() : this;
  from->BubbleMessage(new TMessage(kDefaultAction, TString(), nullptr));
  return true;
}

// --- Hot keys ---

TString TModalWindow::ParseHotKey(const TString& label) {
  if (label.IsEmpty()) return TString();
  char last = static_cast<char>(std::toupper(static_cast<unsigned char>(label[label.Length() - 1])));
  TString out;
  if (label.Length() > 1 && label[0] == '@') {
    out = "@";
    out += last;
    return out;
  }
  if (label.Find("shift-") >= 0) out += "shift-";
  if (label.Find("ctrl-") >= 0 || label.Find("control-") >= 0) out += "ctrl-";
  if (label.Find("alt-") >= 0) out += "alt-";
  out += last;
  return out;
}

void TModalWindow::RegisterHotKey(const TString& key, const TString& button) {
  TString normal = ParseHotKey(key);
  if (normal.IsEmpty()) return;
  if (button.IsEmpty()) hotKeys_.erase(normal);
  else hotKeys_[normal] = button;
}

bool TModalWindow::OnKeyDown(unsigned char key, int modifiers) {
  if (hotKeys_.empty() || key == 0) return false;
  TString text;
  if (modifiers & 1) text += "shift-";
  if (modifiers & 2) text += "ctrl-";
  if (modifiers & 4) text += "alt-";
  text += static_cast<char>(key);
  auto it = hotKeys_.find(ParseHotKey(text));
  if (it == hotKeys_.end()) {
    TString any = "@";
    any += static_cast<char>(std::toupper(key));
    it = hotKeys_.find(any);
    if (it == hotKeys_.end()) return false;
  }
  TString button = it->second;
  PressHotKeyButton(button);
  // The character event of the same key is dropped; the next key-down clears the flag.
  if (TWindowManager* wm = GetWindowManager()) wm->SetSwallowNextChar(true);
  return true;
}

void TModalWindow::PressHotKeyButton(const TString& name) {
  TWindow* window = FindChild(name, -1);
  auto* button = dynamic_cast<TButtonRole*>(window);
  if (!button) {
    TraceOut("ERROR: Hot key button not found. Button:'%s'", name.c_str());
    return;
  }
  button->Press();
}

// --- TScreen ---

TScreen::TScreen() {
  SetClassFlags(kWindowModal | kWindowFocusable | kWindowLayer);
  SetStateFlags(GetFlags() | kWindowOpaque);
  SetName("_screen_");
}

void TScreen::Draw() {
  TWindowManager* wm = GetWindowManager();
  if (!wm) return;
  TWindowEnvironment* env = wm->GetEnvironment();
  if (!noClear && (alwaysClear || wm->GetTopModal() == this)) {
    TRect vp = env->GetCurrentViewport();
    env->FillRect(TRect(0, 0, vp.Width(), vp.Height()), clearColor);
  }
  if (env->HasLayerTarget()) env->CopyLayerTarget();
}

// --- TLayeredWindow ---

TLayeredWindow::TLayeredWindow(int layerCount) : layers_(static_cast<size_t>(layerCount < 1 ? 1 : layerCount)) {}

bool TLayeredWindow::AddChild(TWindow* child, bool notify) {
  if (!TWindow::AddChild(child, notify)) return false;
  for (int i = 0; i < GetLayerCount(); ++i) {
    if (layer_ != -1 && layer_ != i) continue;
    auto& list = layers_[i];
    if (std::find(list.begin(), list.end(), child) == list.end()) list.push_back(child);
  }
  return true;
}

TWindow* TLayeredWindow::RemoveChild(TWindow* child) {
  TWindow* previous = TWindow::RemoveChild(child);
  for (auto& list : layers_) list.erase(std::remove(list.begin(), list.end(), child), list.end());
  return previous;
}

bool TLayeredWindow::SelectLayer(int layer) {
  if (layer < -1 || layer >= GetLayerCount()) {
    TraceOut("TLayeredWindow::SelectLayer: layer %d out of range (%d layers) in '%s'", layer, GetLayerCount(),
             GetName().c_str());
    return false;
  }
  if (layer == layer_) return true;
  layer_ = layer;
  TWindowClearFlags hide(~static_cast<uint32_t>(kWindowVisible), false);
  ForEachChild(hide);
  for (TWindow* w : layers_[layer < 0 ? 0 : layer]) w->SetStateFlags(w->GetFlags() | kWindowVisible);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  return true;
}
