#include "game/shell/screens/chooseplayer.h"

#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/styletext.h"
#include "game/shell/data/userinfo.h"
#include "platform/event.h"
#include "platform/log.h"
#include "render/renderer.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "script/bind.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
void ReadColor(TWindowStyle& style, const char* key, TFloatColor* out) {
  TString text = style.GetString(key, "");
  if (!ParseColorText(text.str(), out)) TraceOut("Player list: %s \"%s\" is not \"r,g,b,a\"", key, text.c_str());
}
}  // namespace

TChoosePlayer::TChoosePlayer() {
  // A click on the list gives it the keys (the hand-off after a click names it).
  SetClassFlags(GetFlags() | kWindowFocusable);
  bindings_ = MakeScriptBindings();
  if (bindings_) {
    bindings_->Bind("FillUserDataList", this, &TChoosePlayer::FillUserDataList);
    bindings_->Bind("GetCurrentSelectedUser", this, &TChoosePlayer::GetCurrentSelectedUser);
    bindings_->Bind("GetSelectedPlayerName", this, &TChoosePlayer::GetSelectedPlayerName);
  }
}

TChoosePlayer::~TChoosePlayer() { bindings_.reset(); }

void TChoosePlayer::Run(const char* text) {
  if (TWindowManager* wm = GetWindowManager()) wm->RunScriptText(this, text);
}

void TChoosePlayer::PostInit(TWindowStyle& style) {
  TWindow::PostInit(style);
  listFontName_ = style.GetString("listFontName", "");
  fontH_ = GetStyleInt(style, "fontH", 0);
  shiftDy_ = GetStyleInt(style, "shiftDy", 0);
  shDx_ = GetStyleInt(style, "shDx", 0);
  shDy_ = GetStyleInt(style, "shDy", 0);
  TString rect = style.GetString("listRect", "");
  TRect parsed;
  if (ParseRectText(rect.str(), &parsed) && !parsed.IsEmpty()) listRect_ = parsed;
  else TraceOut("Player list: listRect \"%s\" is not \"x,y,w,h\" with a size; the default box is used", rect.c_str());
  ReadColor(style, "listTextColor", &listTextColor_);
  ReadColor(style, "listActTextColor", &listActTextColor_);
  ReadColor(style, "listTextColorSh", &listTextColorSh_);
  ReadColor(style, "listActTextColorSh", &listActTextColorSh_);
  activeBackground_ = TTexture::Get("backgrounds/profile_active");
  FillUserDataList();
}

void TChoosePlayer::FillUserDataList() {
  rows_.clear();
  UserInfo* users = GetUserInfo();
  int n = users ? users->GetNumUsers() : 0;
  if (n > kMaxRows) {
    TraceOut("Player list: %d profiles; the first %d are listed", n, kMaxRows);
    n = kMaxRows;
  }
  for (int i = 0; i < n; ++i) {
    PlayerRow_t row;
    TString name = users->GetUserName(i);
    auto make = [&](const TFloatColor& colour) {
      auto text = std::make_unique<TText>();
      text->CreateText(name, listRect_.Width(), listRect_.Height(), 5, listFontName_, fontH_, colour);
      return text;
    };
    row.text = make(listTextColor_);
    if (shDx_ != 0 || shDy_ != 0) row.shadow = make(listTextColorSh_);
    row.rect = TRect(listRect_.left, listRect_.top + i * shiftDy_, listRect_.right, listRect_.bottom + i * shiftDy_);
    rows_.push_back(std::move(row));
  }
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
}

int TChoosePlayer::GetCurrentSelectedUser() const {
  UserInfo* users = GetUserInfo();
  return users ? users->GetCurrentUserIndex() : -1;
}

TString TChoosePlayer::GetSelectedPlayerName() const {
  UserInfo* users = GetUserInfo();
  return users ? users->GetUserName(users->GetCurrentUserIndex()) : TString();
}

void TChoosePlayer::DrawRowText(TText* text, int x, int y, int height, const TFloatColor& colour) {
  // A text whose area could not be made has no block: nothing to draw.
  if (!text || !text->GetBlock()) return;
  text->SetColor(colour);  // lays the text out again only when the colour changed
  text->GetBlock()->Draw(TVec2(float(x), float(y)), float(height), 1.0f, 0, 1.0f);
  ++lastTextPasses_;
}

void TChoosePlayer::Draw() {
  TRender2dScope scope;
  lastTextPasses_ = 0;
  int current = GetCurrentSelectedUser();
  for (size_t i = 0; i < rows_.size(); ++i) {
    PlayerRow_t& row = rows_[i];
    bool active = int(i) == current;
    if (active && activeBackground_)
      activeBackground_->Draw(TDrawParams(TVec2(float(listRect_.left), float(row.rect.top)), 1.0f, 1.0f,
                                          TDrawParams::kAnchorAtCenter));
    if (shDx_ != 0 || shDy_ != 0)
      DrawRowText(row.shadow.get(), row.rect.left + shDx_, row.rect.top + shDy_, row.rect.Height(),
                  active ? listActTextColorSh_ : listTextColorSh_);
    DrawRowText(row.text.get(), row.rect.left, row.rect.top, row.rect.Height(),
                active ? listActTextColor_ : listTextColor_);
  }
}

bool TChoosePlayer::OnMouseDown(const TPoint& p) {
  TWindowManager* wm = GetWindowManager();
  if (wm) wm->Invalidate();
  UserInfo* users = GetUserInfo();
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!rows_[i].rect.Contains(p) || !users) continue;
    users->SetCurrentUser(int(i), true);
    Run(kFocusText);
  }
  return false;
}

TWindow* TChoosePlayer::GetNameField() const {
  TModalWindow* modal = GetModalParent();
  TWindow* field = modal ? modal->GetFocusWindow() : nullptr;
  return field != this ? field : nullptr;
}

bool TChoosePlayer::OnKeyDown(unsigned char key, int modifiers) {
  TWindowManager* wm = GetWindowManager();
  if (wm) wm->Invalidate();
  UserInfo* users = GetUserInfo();
  int n = users ? users->GetNumUsers() : 0, cur = GetCurrentSelectedUser();
  TWindow* field = nullptr;
  switch (key) {
    case PlatformKey::kEscape:
    case PlatformKey::kEnter:
      // Beside a name field they mean what they mean there (Create or Done).
      if ((field = GetNameField()) != nullptr) break;
      Run(kCloseText);
      // The key's character must not reach the screen below as well.
      if (wm) wm->SetSwallowNextChar(true);
      break;
    case PlatformKey::kUp:
      if (users && cur > 0) users->SetCurrentUser(cur - 1, true);
      break;
    case PlatformKey::kDown:
      if (users && cur < n - 1) users->SetCurrentUser(cur + 1, true);
      break;
    case PlatformKey::kPageUp:
      if (users) users->SetCurrentUser(0, true);
      break;
    case PlatformKey::kPageDown:
      if (users) users->SetCurrentUser(n - 1, true);
      break;
    default:
      field = GetNameField();
      break;
  }
  Run(kAlbumText);
  if (!field) return false;
  // The field takes the keys back, beginning with this one.
  if (wm) wm->SetFocus(field);
  TPlatformEvent event;
  event.type = kEventKeyDown;
  event.a = key;
  event.b = static_cast<uint32_t>(modifiers);
  field->DispatchEvent(event);
  return true;
}

bool TChoosePlayer::OnText(TString text) {
  TWindow* field = GetNameField();
  if (!field) return false;
  if (TWindowManager* wm = GetWindowManager()) wm->SetFocus(field);
  return field->OnText(text);
}
