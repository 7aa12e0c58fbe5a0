#include "game/shell/widgets/typingedit.h"

#include "audio/sound.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/widgets/gamebutton.h"
#include "platform/event.h"
#include "ui/widgetroles.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
const char* const kTypingSounds[] = {"audio/sfx/sfx_typing_01.ogg?group=1000", "audio/sfx/sfx_typing_02.ogg?group=1000",
                                     "audio/sfx/sfx_typing_03.ogg?group=1000", "audio/sfx/sfx_typing_04.ogg?group=1000",
                                     nullptr};

// Keys that edit the text (the first of them empties a placeholder).
bool IsEditKey(unsigned char key, int modifiers) {
  if (key == PlatformKey::kLeft || key == PlatformKey::kRight || key == PlatformKey::kDelete) return true;
  return (key == 'V' && (modifiers & PlatformMod::kCtrl)) || (key == PlatformKey::kInsert && modifiers == 0);
}
}  // namespace

TCustomTextEdit::TCustomTextEdit() { sounds_.AddAssets(kTypingSounds); }

TCustomTextEdit::~TCustomTextEdit() = default;

TString TCustomTextEdit::TypingSoundName(int n) {
  TString name;
  name.AssignFormat("audio/sfx/sfx_typing_%02d.ogg?group=1000", n);
  return name;
}

bool TCustomTextEdit::IsAllowed(uint32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return c == '_' && CanUseSymbol();
}

void TCustomTextEdit::Init(TWindowStyle& style) {
  initialCleared_ = !style.GetBool("clearinitial", false);
  enableWindow_ = style.GetString("enablewindow", TString());
  TTextEdit::Init(style);
}

void TCustomTextEdit::ClearInitial() {
  if (initialCleared_) return;
  initialCleared_ = true;
  SetText(TString());
}

void TCustomTextEdit::OnSetFocus(TWindow* previous) {
  TTextEdit::OnSetFocus(previous);
  // The field keeps the dialog's keys: a click on a button or a list of the
  // dialog, or a question closing above it, hands them back here.
  TakeScreenKeys(this);
}

bool TCustomTextEdit::OnMouseUp(const TPoint& p) {
  if (!initialCleared_) {
    ClearInitial();
    UpdateEnableWindow(0);
    return true;
  }
  return TTextEdit::OnMouseUp(p);
}

bool TCustomTextEdit::OnText(TString text) {
  // The placeholder goes before the edit starts, so the edit applies to the empty text.
  ClearInitial();
  return TTextEdit::OnText(text);
}

bool TCustomTextEdit::OnKeyDown(unsigned char key, int modifiers) {
  if (IsEditKey(key, modifiers)) ClearInitial();
  bool taken = TTextEdit::OnKeyDown(key, modifiers);
  // Delete and paste change the text without a count the edit events could keep.
  UpdateEnableWindow(0);
  return taken;
}

bool TCustomTextEdit::Update() {
  UpdateEnableWindow(0);
  return TTextEdit::Update();
}

bool TCustomTextEdit::OnEditEvent(int code, uint32_t c) {
  ClearInitial();
  if (code == kEditInsert) {
    if (!IsAllowed(c)) return false;
    if (!TTextEdit::OnEditEvent(code, c)) return false;
    int n = int(RandomUnitDouble(random_) * 4) + 1;
    if (auto sound = AssetCast<TSound>(sounds_.GetSound(TypingSoundName(n)))) sound->Play(false);
    UpdateEnableWindow(+1);
    return true;
  }
  if (code == kEditPaste) {
    // A paste goes in only when typing could have entered every character of it.
    TWindowManager* wm = GetWindowManager();
    TString clip = wm ? wm->GetEnvironment()->GetClipboardText() : TString();
    for (int i = 0; i < clip.Length(); ++i)
      if (!IsAllowed(static_cast<unsigned char>(clip[i]))) return false;
  }
  if (!TTextEdit::OnEditEvent(code, c)) return false;
  if (code == kEditMove && c == PlatformKey::kBackspace) UpdateEnableWindow(-1);
  return true;
}

void TCustomTextEdit::UpdateEnableWindow(int delta) {
  if (enableWindow_.IsEmpty()) return;
  TModalWindow* modal = GetModalParent();
  TWindow* partner = modal ? modal->FindChild(enableWindow_) : nullptr;
  if (!partner || partner == this) return;
  // A placeholder is not the player's text.
  int length = initialCleared_ ? GetText().Length() : 0;
  bool show = length + delta >= 1;
  uint32_t flags = partner->GetFlags();
  if (show == ((flags & kWindowVisible) != 0)) return;
  partner->SetStateFlags(show ? (flags | kWindowVisible) : (flags & ~kWindowVisible));
  if (!show && dynamic_cast<TButtonRole*>(partner)) partner->OnMouseLeave();
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}
