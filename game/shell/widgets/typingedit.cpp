#include "game/shell/widgets/typingedit.h"

#include "audio/sound.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/widgets/gamebutton.h"
#include "platform/event.h"
#include "platform/time.h"
#include "ui/widgetroles.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
const char* const kSounds[] = {"audio/sfx/sfx_typing_01.ogg?group=1000", "audio/sfx/sfx_typing_02.ogg?group=1000",
                               "audio/sfx/sfx_typing_03.ogg?group=1000", "audio/sfx/sfx_typing_04.ogg?group=1000",
                               TCustomTextEdit::kRefusalSound, nullptr};

// Keys that edit the text (the first of them empties a placeholder).
bool IsEditKey(unsigned char key, int modifiers) {
  if (key == PlatformKey::kLeft || key == PlatformKey::kRight || key == PlatformKey::kDelete) return true;
  return (key == 'V' && (modifiers & PlatformMod::kCtrl)) || (key == PlatformKey::kInsert && modifiers == 0);
}
}  // namespace

TCustomTextEdit::TCustomTextEdit() { sounds_.AddAssets(kSounds); }

TCustomTextEdit::~TCustomTextEdit() = default;

TString TCustomTextEdit::TypingSoundName(int n) {
  TString name;
  name.AssignFormat("audio/sfx/sfx_typing_%02d.ogg?group=1000", n);
  return name;
}

bool TCustomTextEdit::IsAllowed(uint32_t c, bool anyScript) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  if (c == '_') return CanUseSymbol();
  return anyScript && (c == ' ' || IsLetterOfAnyScript(c));
}

void TCustomTextEdit::Refuse() {
  uint32_t now = GetPlatformTime();
  if (refused_ && now - refusedAt_ < kRefusalGapMs) return;
  refused_ = true;
  refusedAt_ = now;
  if (auto sound = AssetCast<TSound>(sounds_.GetSound(kRefusalSound))) sound->Play(false);
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
  // A field of single bytes does not take other characters: refused aloud.
  if (IsEnabled() && !IsUtf8() && !IsPassword() && !text.IsEmpty() && static_cast<unsigned char>(text[0]) >= 0x80) {
    Refuse();
    return true;
  }
  return TTextEdit::OnText(text);
}

bool TCustomTextEdit::OnKeyDown(unsigned char key, int modifiers) {
  if (IsEditKey(key, modifiers)) ClearInitial();
  bool taken = TTextEdit::OnKeyDown(key, modifiers);
  pasting_ = false;
  // Delete and paste change the text without a count the edit events could keep.
  UpdateEnableWindow(0);
  return taken;
}

bool TCustomTextEdit::Update() {
  UpdateEnableWindow(0);
  return TTextEdit::Update();
}

bool TCustomTextEdit::CheckEditEvent(int code, uint32_t c) {
  if (code == kEditInsert) {
    // An accepted paste asks once more for a space: it was checked whole already.
    if (pasting_) return false;
    if (!IsAllowed(c, IsUtf8()) || !CanShow(c)) {
      ClearInitial();
      Refuse();
      return false;
    }
  }
  return TTextEdit::CheckEditEvent(code, c);
}

bool TCustomTextEdit::OnEditEvent(int code, uint32_t c) {
  ClearInitial();
  if (code == kEditInsert) {
    // Characters outside ASCII come as a space, once CheckEditEvent took them.
    if (!IsAllowed(c, IsUtf8())) return false;
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
    for (const char* p = clip.c_str(); *p; p += Utf8CharLength(p)) {
      uint32_t character = DecodeUtf8(p);
      if (!IsAllowed(character, IsUtf8()) || !CanShow(character)) {
        Refuse();
        return false;
      }
    }
  }
  if (!TTextEdit::OnEditEvent(code, c)) return false;
  if (code == kEditPaste) pasting_ = true;
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
