#include "game/shell/widgets/gamebutton.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "game/shell/widgets/commonsound.h"
#include "platform/event.h"
#include "platform/log.h"
#include "render/textures/texture.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"

namespace {
constexpr const char* kClickSound = "audio/sfx/button_click.ogg";
// Geometry numbers stay within +-2^20, so the rectangles cannot overflow.
constexpr long kGeometryLimit = 1 << 20;

void Redraw() {
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

// Up to six comma-separated integers, read one after the other as
// "%d,%d,%d,%d,%d,%d" reads them: the reading stops at the first field that
// is not a number, and the numbers before it count.
std::vector<int> ParseGeometry(const std::string& text) {
  std::vector<int> out;
  const char* p = text.c_str();
  while (*p && out.size() < 6) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(p, &end, 10);
    if (end == p) break;
    out.push_back(int(std::max(-kGeometryLimit, std::min(kGeometryLimit, v))));
    p = end;
    if (*p == ',') ++p;
    else break;
  }
  return out;
}
}  // namespace

// --- TMButton ---

bool TMButton::OnMouseDown(const TPoint& p) { return inputEnabled_ && TButton::OnMouseDown(p); }
bool TMButton::OnMouseUp(const TPoint& p) { return inputEnabled_ && TButton::OnMouseUp(p); }
bool TMButton::OnMouseMove(const TPoint& p) { return inputEnabled_ && TButton::OnMouseMove(p); }

// --- Button_t ---

Button_t::Button_t(const char* buttonName, TWindow* ownerWindow) : name(buttonName), owner(ownerWindow) {
  clickSound = TSound::Get(kClickSound, true, kGroupSoundEffects);
}

Button_t::~Button_t() = default;

void Button_t::DrawImage(boost::shared_ptr<TTexture> image) {
  if (image) image->DrawAt(float(drawRect.left), float(drawRect.top), 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
}

void Button_t::SetDrawRect(int left, int top, int right, int bottom) { drawRect = TRect(left, top, right, bottom); }

bool Button_t::IsPressedShown() const { return held && hover && !disabled; }

void Button_t::Draw() {
  if (!visible) return;
  if (selected) {
    if (pressedImage) DrawImage(pressedImage);
    return;
  }
  if (IsPressedShown()) {
    if (pressedImage) DrawImage(pressedImage);
    else if (rolloverImage) DrawImage(rolloverImage);
    return;
  }
  if (disabled && disabledImage) DrawImage(disabledImage);
  else if ((hover || held) && rolloverImage) DrawImage(rolloverImage);
  else if (normalImage) DrawImage(normalImage);
}

void Button_t::SetDisabled(bool value) {
  if (disabled == value) return;
  disabled = value;
  Redraw();
}

void Button_t::SetSelected(bool value) {
  if (selected == value) return;
  selected = value;
  Redraw();
}

void Button_t::OnEnter() {
  if (held || rolloverImage) Redraw();
}

void Button_t::OnLeave() { OnEnter(); }

bool Button_t::Contains(int x, int y) const { return hitRect.Contains(x, y); }

bool Button_t::OnMouseMove(int x, int y) {
  if (!visible) return false;
  if (Contains(x, y)) {
    if (!hover) OnEnter();
    hover = true;
    return true;
  }
  if (hover) OnLeave();
  hover = false;
  return false;
}

bool Button_t::OnMouseDown(int x, int y) {
  if (!visible || !Contains(x, y)) return false;
  held = true;
  Redraw();
  return true;
}

bool Button_t::OnMouseUp(int x, int y) {
  if (!visible) return false;
  held = false;
  if (hover && !disabled && Contains(x, y)) {
    Click();
    Redraw();
    return true;
  }
  Redraw();
  return false;
}

void Button_t::Click() {
  if (!owner) return;
  // The owner may delete this button while it handles the message.
  boost::shared_ptr<TSound> sound = clickSound;
  owner->BubbleMessage(new TMessage(kButtonPress, name, owner));
  if (sound) sound->Play(false);
}

void Button_t::MoveBy(int dx, int dy) {
  drawRect.Offset(dx, dy);
  hitRect.Offset(dx, dy);
}

Button_t* CreateButtonFromStyle(const char* value, TWindow* owner) {
  std::vector<std::string> fields;
  SplitString(value ? value : "", ';', fields);
  if (fields.size() < 5) {
    TraceOut("CreateButtonFromStyle: \"%s\" needs name;x,y,w,h;normal;pressed;rollover", value ? value : "");
    return nullptr;
  }
  const std::vector<int> g = ParseGeometry(fields[1]);
  if (g.size() < 4) {
    TraceOut("CreateButtonFromStyle: button \"%s\": geometry \"%s\" needs x,y,w,h", fields[0].c_str(),
             fields[1].c_str());
    return nullptr;
  }
  auto* button = new Button_t(fields[0].c_str(), owner);
  button->normalImage = TTexture::Get(fields[2], 0);
  int x = g[0], y = g[1], w = g[2], h = g[3];
  int dx = g.size() > 4 ? g[4] : 0, dy = g.size() > 5 ? g[5] : 0;
  if (w == 0 && button->normalImage) w = int(std::min<uint32_t>(button->normalImage->GetWidth(), kGeometryLimit));
  if (h == 0 && button->normalImage) h = int(std::min<uint32_t>(button->normalImage->GetHeight(), kGeometryLimit));
  button->drawRect = TRect(x, y, x + w, y + h);
  button->hitRect = TRect(x + dx, y + dy, x + dx + w, y + dy + h);
  button->pressedImage = TTexture::Get(fields[3], 0);
  button->rolloverImage = TTexture::Get(fields[4], 0);
  if (fields.size() > 5) button->disabledImage = TTexture::Get(fields[5], 0);
  if (fields.size() > 6) button->disabled = true;
  return button;
}

void TakeScreenKeys(TWindow* window) {
  if (TModalWindow* modal = window ? window->GetModalParent() : nullptr) modal->SetFocusWindow(window);
}

bool EscapePressesButton(TWindow* window, unsigned char c, const char* name) {
  if (c != PlatformKey::kEscape || !window) return false;
  TMessage press(kButtonPress, name, nullptr);
  window->OnMessage(&press);
  return true;
}
