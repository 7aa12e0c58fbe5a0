#include "ui/button.h"

#include "audio/sound.h"
#include "platform/settings.h"
#include "script/luaobject.h"
#include "ui/image.h"
#include "ui/luamessage.h"
#include "ui/message.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"
#include "ui/windowstyle.h"

namespace {

// Sign-extends a 3-bit state: 4..7 read back as -4..-1.
int StoredState(int s) { return ((s & 7) ^ 4) - 4; }

// GetButtonName(): returns its one upvalue, the name (never pasted into Lua source).
int ReturnButtonName(lua_State* L) {
  lua_pushvalue(L, lua_upvalueindex(1));
  return 1;
}

}  // namespace

// --- Actions ---

TButton::LuaAction::~LuaAction() { delete function_; }

void TButton::LuaAction::run(TButton* button) {
  auto* message = new TMessage(kCommandOnly, "LuaAction:" + button->GetName(), nullptr);
  TWindowManager* wm = GetWindowManager();
  TWindowScript* script = wm ? wm->GetScript() : nullptr;
  if (!script) {
    delete message;
    return;
  }
  lua_State* L = script->GetState();
  PushLuaString(L, button->GetName());
  lua_pushcclosure(L, ReturnButtonName, 1);
  LuaRawSetField(L, LUA_GLOBALSINDEX, "GetButtonName");
  if (!TLuaMessageWrapper::QueueToScript(message, function_)) delete message;
}

// --- Construction ---

TButton::TButton() : TLayeredWindow(kLayers) { SelectLayer(0); }

TButton::~TButton() {
  state_ = kStateNormal;
  if (TWindowManager* wm = GetWindowManager()) wm->RemoveCapture(this);
}

bool TButton::OnAdded() {
  SetState(kStateNormal);
  return true;
}

void TButton::Init(TWindowStyle& style) {
  TWindow::Init(style);
  TString sound = style.GetString("sound", TString());
  TString rolloverSound = style.GetString("rolloversound", TString());
  TString mask = style.GetString("mask", TString());
  type_ = GetStyleInt(style, "type", kPushButton);
  const float scale = ClampScale(style.GetNumber("scale", 1.0), style.GetString("name", TString()));
  uint8_t flags = 0;
  if (style.GetBool("sendToParent", false)) flags |= kSendToParent;
  bool beginGroup = style.GetBool("beginGroup", false);
  if (style.GetBool("close", false)) flags |= kClose;
  if (style.GetBool("default", false)) flags |= kDefault;
  if (style.GetBool("cancel", false)) flags |= kCancel;
  if (style.GetBool("on", false)) SetToggleState(true);
  behaviour_ |= flags;
  if (beginGroup) SetClassFlags(GetFlags() | kBeginGroupFlag);

  if (!sound.IsEmpty()) SetSound(sound, 1);
  if (!rolloverSound.IsEmpty()) SetSound(rolloverSound, 2);
  if (!mask.IsEmpty()) SetMask(TTexture::Get(mask));
  style.GetString("tooltip", TString());  // read; no tooltips are shown

  // One image per state; an empty entry repeats the previous image.
  std::unique_ptr<TLuaTable> graphics{style.GetTable("graphics")};
  uint32_t flip = 0;
  if (style.GetBool("hflip", false)) flip |= TDrawParams::kFlipHorizontal;
  if (style.GetBool("vflip", false)) flip |= TDrawParams::kFlipVertical;
  bool rotate = style.GetBool("rotate", false);
  int count = type_ == kPushButton ? 3 : 4;
  TImage* last = nullptr;
  for (int i = 0; i < count; ++i) {
    TString name = graphics ? graphics->GetString(i + 1, TString()) : TString();
    if (!name.IsEmpty()) {
      last = new TImage(true);
      last->SetRotate(rotate);
      last->SetTexture(TTexture::Get(name), scale);
      last->SetName(TString::Printf("image%d", i));
      last->SetFlip(flip);
    }
    SelectLayer(i);
    if (last) AddChild(last, true);
  }
  FitToChildren();

  if (TLuaFunction* command = style.GetFunction("command")) SetAction(new LuaAction(command));
  // Children added from now on (a label) show in every state.
  SelectLayer(-1);
}

void TButton::PostInit(TWindowStyle& style) {
  TWindow::PostInit(style);
  SetState(kStateNormal);
}

// --- State ---

void TButton::SetState(int state) {
  int old = state_;
  state_ = StoredState(state);
  OnStateChanged(state_, old);
}

void TButton::OnStateChanged(int newState, int oldState) {
  if (newState != oldState && newState != kStatePressed && oldState != kStateClicked && newState >= 0 &&
      newState < kSoundSlots && sounds_[newState] && HasFlag(kWindowVisible)) {
    sounds_[newState]->Play(false);
  }
  int c = GetToggleState() ? 1 : 0;
  int layer = -2;
  if (type_ == kPushButton) {
    if (newState >= 0 && newState <= 2) layer = newState;
  } else if (type_ == kToggleButton || type_ == kRadioButton) {
    if (newState == kStateNormal) layer = c;
    else if (newState == kStatePressed) layer = 1 - c;
    else if (newState == kStateRollover) layer = 2 + c;
  }
  if (layer >= 0) SelectLayer(layer);
}

// --- Hit test and mouse ---

bool TButton::IsOnButton(const TPoint& p) const {
  if (p.x < 0 || p.y < 0 || p.x >= GetWidth() || p.y >= GetHeight()) return false;
  if (mask_.empty() || maskWidth_ <= 0 || maskHeight_ <= 0) return true;
  float sx = float(GetWidth()) / float(maskWidth_), sy = float(GetHeight()) / float(maskHeight_);
  int mx, my;
  if (GetSettingBool("fixbuttonmask")) {
    mx = static_cast<int>(float(p.x) / sx);
    my = static_cast<int>(float(p.y) / sy);
  } else {
    mx = static_cast<int>(float(p.x) * sx);
    my = static_cast<int>(float(p.y) * sy);
  }
  if (mx < 0 || my < 0 || mx >= maskWidth_ || my >= maskHeight_) return false;
  uint32_t pixel = mask_[size_t(my) * size_t(maskWidth_) + size_t(mx)];
  int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  return !(r < 20 && g < 20 && b < 20);
}

bool TButton::HitTest(const TPoint& p) {
  if (IsOnButton(p)) return true;
  OnMouseLeave();
  return false;
}

bool TButton::OnMouseDown(const TPoint& p) {
  // The press is the button's even off its mask (a black mask pixel): the hit
  // test then only lets the button go again.
  if (state_ == kStateNormal) {
    if (TWindowManager* wm = GetWindowManager()) wm->AddCapture(this);
  }
  SetState(kStatePressed);
  HitTest(p);
  return true;
}

bool TButton::OnMouseMove(const TPoint& p) {
  if (!HitTest(p)) return false;
  if (state_ == kStateNormal) {
    SetState(kStateRollover);
    if (TWindowManager* wm = GetWindowManager()) wm->AddCapture(this);
  }
  return true;
}

bool TButton::OnMouseLeave() {
  if (state_ != kStateNormal) {
    if (TWindowManager* wm = GetWindowManager()) wm->RemoveCapture(this);
  }
  SetState(kStateNormal);
  return true;
}

bool TButton::OnMouseUp(const TPoint& p) {
  if (state_ == kStateNormal) return true;
  if (!HitTest(p)) return true;
  if (state_ == kStatePressed && !Press()) return true;
  if (IsFlagSetInherited()) SetState(kStateRollover);
  else OnMouseLeave();
  return true;
}

// --- The click ---

bool TButton::Press() {
  OnStateChanged(kStateClicked, kStatePressed);
  if (sounds_[1] && IsFlagSetInherited()) sounds_[1]->Play(false);
  if (DoCommand()) {
    OnMouseLeave();
    return false;
  }
  if (type_ == kRadioButton) SetToggleState(true);
  else if (type_ == kToggleButton) Toggle();
  TWindowManager* wm = GetWindowManager();
  if (wm && wm->GetTopModal() != GetModalParent()) {
    OnMouseLeave();
    return false;
  }
  return true;
}

bool TButton::DoCommand() {
  TWindowManager* wm = GetWindowManager();
  if (!wm) return false;
  TModalWindow* modal = GetModalParent();
  if ((behaviour_ & kClose) && modal) {
    wm->PostMessage(new TMessage(kCloseWindow, modal->FormatIdHex(), nullptr));
    if (TWindowScript* script = wm->GetScript()) script->SetGlobalString("gReturnValue", GetName());
  }
  TWindow* target = GetParent();
  if (behaviour_ & kSendToParent) {
    TWindow* top = wm->GetTopModal();
    target = top ? top->GetParent() : nullptr;
  }
  auto* message = new TMessage(kButtonPress, GetName(), target);
  if (!action_) {
    wm->PostMessage(message);
    return false;
  }
  action_->run(this);
  TWindow* root = wm->GetRootWindow();
  bool inTree = false;
  for (TWindow* w = this; w; w = w->GetParent()) {
    if (w == root) inTree = true;
  }
  if (inTree) {
    wm->PostMessage(message);
    return false;
  }
  // The action took the button away: only a message for the parent dialog still matters.
  if (behaviour_ & kSendToParent) wm->PostMessage(message);
  else delete message;
  return true;
}

// --- Toggles and radio groups ---

bool TRadioButtonSpider::Visit(TWindow* child) {
  if (pass == 0) {
    // A button that starts a group is its own group's start.
    if (child->HasFlag(TButton::kBeginGroupFlag)) groupStart = child;
    if (child == button_) return false;
    return child->ForEachChild(*this, true);
  }
  if (child == groupStart) {
    inGroup = true;
  } else if (inGroup && child->HasFlag(TButton::kBeginGroupFlag)) {
    return false;
  }
  if (inGroup && child != button_) {
    if (auto* other = WindowCast<TButton>(child)) other->SetToggleState(false);
  }
  return child->ForEachChild(*this, true);
}

void TButton::SetToggleState(bool on) {
  if (type_ == kRadioButton && on && GetParent()) {
    TRadioButtonSpider spider(this);
    GetParent()->ForEachChild(spider, true);
    if (spider.groupStart) {
      spider.pass = 1;
      GetParent()->ForEachChild(spider, true);
    }
  }
  if (on) behaviour_ |= kChecked;
  else behaviour_ &= static_cast<uint8_t>(~kChecked);
  SetState(state_);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

void TButton::Toggle() {
  behaviour_ ^= kChecked;
  SetState(state_);
}

// --- Parts ---

void TButton::SetAction(Action* action) { action_.reset(action); }

void TButton::SetAction(TLuaFunction* function) { SetAction(function ? new LuaAction(function) : nullptr); }

void TButton::SetSound(const TString& name, int slot) {
  if (slot < 0 || slot >= kSoundSlots) return;
  sounds_[slot] = TSound::Get(name, true, 0);
}

void TButton::SetMask(const TTextureRef& texture) {
  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  if (!texture || !texture->Lock(&pixels, &pitch)) return;
  int w = static_cast<int>(texture->GetWidth()), h = static_cast<int>(texture->GetHeight());
  mask_.assign(size_t(w) * size_t(h), 0);
  maskWidth_ = w;
  maskHeight_ = h;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) mask_[size_t(y) * size_t(w) + size_t(x)] = pixels[size_t(y) * pitch + size_t(x)];
  }
  texture->Unlock();
}

void TButton::SetLabel(const TString& text) {
  if (auto* label = WindowCast<TText>(FindChild("label", -1))) label->SetText(text);
}

TString TButton::GetLabel() const {
  auto* label = WindowCast<TText>(const_cast<TButton*>(this)->FindChild("label", -1));
  return label ? label->GetText() : TString();
}
