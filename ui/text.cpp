#include "ui/text.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/log.h"
#include "render/renderer.h"
#include "render/text/textblock.h"
#include "script/luaobject.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {

void Redraw() {
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

// A label made only of digits and dots is shown as it stands.
bool IsNumberLabel(const TString& label) {
  for (char c : label.str()) {
    if (!(c == '.' || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// A label as shown: translated through the string table while the window
// script's label flag is set.
TString TranslateLabel(const TString& label) {
  TWindowManager* wm = GetWindowManager();
  if (!wm || label.IsEmpty()) return label;
  bool flag = wm->ExchangeScriptFlag(true);
  wm->ExchangeScriptFlag(flag);
  if (!flag) return label;
  if (label.StartsWith("#")) return label.Substring(1);
  if (IsNumberLabel(label)) return label;
  return wm->GetEnvironment()->GetString(label, nullptr, 0);
}

int ClampFontSize(double size) {
  if (!(size >= 1)) return TText::kZeroFontSize;  // 0, negative and NaN
  return static_cast<int>(std::min<double>(size, TText::kMaxFontSize));
}

}  // namespace

TText::TText(bool layerFlag) {
  if (layerFlag) SetClassFlags(GetFlags() | kWindowLayer);
}

TText::~TText() {
  if (block_) TTextBlock::Destroy(block_);
  block_ = nullptr;
}

void TText::Init(TWindowStyle& style) {
  TString face = "__DEFAULT";
  int size = kDefaultFontSize;
  const float defaultColour[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  float colour[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  if (std::unique_ptr<TLuaTable> font{style.GetTable("font")}) {
    face = font->GetString(1, face);
    size = ClampFontSize(font->GetNumber(2, kDefaultFontSize));
    font->GetFloat4(3, defaultColour, colour);
  }
  TString name = style.GetString("name", TString());
  TString label = TranslateLabel(style.GetString("label", TString()));
  int defflags = GetStyleInt(style, "defflags", 0);
  int flags = GetStyleInt(style, "flags", defflags);
  int padding = GetStyleInt(style, "padding", 0);
  double rotation = style.GetNumber("rotation", 0);
  int originX = ClampPlacement(GetStyleInt(style, "rotationOriginX", 0));
  int originY = ClampPlacement(GetStyleInt(style, "rotationOriginY", 0));
  bool alignGiven = style.Has("rotationAlign");
  int rotationAlign = GetStyleInt(style, "rotationAlign", 0);

  TWindow::Init(style);

  if (GetWidth() <= 0 || GetHeight() <= 0) {
    TraceOut("ERROR: Attempting to create text window of size(0,0): named '%s', label '%s'", name.c_str(),
             label.c_str());
    return;
  }
  padding_ = padding;
  CreateText(label, GetWidth(), GetHeight(), flags, face, size,
             TFloatColor(colour[0], colour[1], colour[2], colour[3]));

  if (rotation != 0 && std::isfinite(rotation)) {
    TWindow* parent = GetParent();
    int width = GetWidth(), height = GetHeight();
    ResolvePlacement(originX, width, parent != nullptr, parent ? ClampPlacement(parent->GetWidth()) : 0,
                     rotationAlign & 1, rotationAlign & 2, alignGiven);
    ResolvePlacement(originY, height, parent != nullptr, parent ? ClampPlacement(parent->GetHeight()) : 0,
                     rotationAlign & 4, rotationAlign & 8, alignGiven);
    SetRotation(static_cast<float>(rotation), originX, originY);
  }
}

bool TText::CreateText(const TString& text, int width, int height, int flags, const TString& face, int size,
                       const TFloatColor& colour) {
  if (width <= 0 || height <= 0) return false;
  if (block_) TTextBlock::Destroy(block_);
  block_ = TTextBlock::Create(text, width, height, flags, face, size, colour);
  if (!block_) return false;
  SetSize(width, height);
  SetText(text);
  return true;
}

void TText::ShowText(const TString& text) {
  if (!block_ || text == block_->GetText()) return;
  // Every change is redrawn, also the first text of an empty label.
  Redraw();
  block_->SetText(text);
}

void TText::SetText(const TString& text) { ShowText(text); }

TString TText::GetText() const { return block_ ? block_->GetText() : TString(); }

void TText::SetColor(const TFloatColor& colour) {
  if (!block_) return;
  const TFloatColor& old = block_->GetColor();
  if (old.r == colour.r && old.g == colour.g && old.b == colour.b && old.a == colour.a) return;
  block_->SetColor(colour);
  Redraw();
}

void TText::SetRotation(float degrees, int originX, int originY) {
  if (block_) block_->SetRotation(degrees, originX, originY);
}

void TText::GetTextBounds(TRect& out) const {
  if (block_) block_->GetTextBounds(out, 1.0f);
  else out = TRect();
}

void TText::Draw() {
  if (!block_) return;
  TRender2dScope scope;
  block_->DrawAt(TRect(0, 0, GetWidth(), GetHeight()), textScale_, padding_, textAlpha_);
}

void TText::SetScroll(float fraction) {
  if (!block_) return;
  if (!(fraction >= 0)) fraction = 0;  // NaN too
  fraction = std::min(fraction, 1.0f);
  int m = block_->GetLinesFittingFromEnd(textScale_, padding_);
  block_->SetScroll((static_cast<float>(m) + scrollBias_) * fraction);
  Redraw();
}

// --- Links ---

bool TText::OnMouseDown(const TPoint& p) {
  if (!block_) return false;
  pressedLink_ = block_->GetLinkAt(p, padding_);
  return !pressedLink_.IsEmpty();
}

bool TText::OnMouseMove(const TPoint& p) {
  if (!block_) return false;
  if (!block_->UpdateHoverLink(&p, padding_)) return false;
  Redraw();
  // On the capture list the window hears when the pointer leaves it.
  if (TWindowManager* wm = GetWindowManager()) wm->AddCapture(this);
  return true;
}

bool TText::OnMouseLeave() {
  if (block_) {
    block_->UpdateHoverLink(nullptr, padding_);
    Redraw();
  }
  if (TWindowManager* wm = GetWindowManager()) wm->RemoveCapture(this);
  return true;
}

bool TText::OnMouseUp(const TPoint& p) {
  if (pressedLink_.IsEmpty()) return false;
  TString id = pressedLink_;
  pressedLink_ = TString();
  if (!block_ || block_->GetLinkAt(p, padding_) != id) return true;
  TWindow* modal = GetModalParent();
  TWindow* target = modal ? modal->FindChild(id, -1) : nullptr;
  if (!target) {
    TraceOut("ERROR: Command window %s not found", id.c_str());
  } else if (auto* button = dynamic_cast<TButtonRole*>(target)) {
    // The link acts exactly as a click on the button.
    button->DoCommand();
  } else {
    TraceOut("ERROR: Command window %s not a derived class of TButton", id.c_str());
  }
  return true;
}
