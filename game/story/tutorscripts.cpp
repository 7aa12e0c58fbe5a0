// The tutorial driver: screens open, steps advance, screens end.
#include "game/story/tutorscripts.h"

#include "audio/sound.h"
#include "game/shell/gamebutton.h"
#include "game/shell/gameprogress.h"
#include "platform/log.h"
#include "render/texture.h"
#include "ui/message.h"
#include "ui/text.h"
#include "ui/windowmanager.h"

// --- Indices ---

bool TutorScripts_t::ValidScreen() const { return currentScreen_ >= 0 && currentScreen_ < int(screens_.size()); }

TutorScreen_t* TutorScripts_t::Current() { return ValidScreen() ? &screens_[size_t(currentScreen_)] : nullptr; }

TutorItem_t* TutorScripts_t::CurrentItem() {
  TutorScreen_t* s = Current();
  if (!s || currentItem_ < 0 || currentItem_ >= int(s->items.size())) return nullptr;
  return &s->items[size_t(currentItem_)];
}

const TutorItem_t* TutorScripts_t::GetCurrentItemPtr() const {
  return const_cast<TutorScripts_t*>(this)->CurrentItem();
}

bool TutorScripts_t::CurrentItemHasImage() const {
  const TutorItem_t* item = GetCurrentItemPtr();
  return item && item->HasImage();
}

bool TutorScripts_t::IsLastItem() const {
  if (!ValidScreen()) return false;
  return currentItem_ >= 0 && currentItem_ + 1 == int(screens_[size_t(currentScreen_)].items.size());
}

bool TutorScripts_t::IsActive() const {
  return ValidScreen() && screens_[size_t(currentScreen_)].state != kDone;
}

bool TutorScripts_t::IsScreenShown() const {
  return ValidScreen() && screens_[size_t(currentScreen_)].state == kSuspended;
}

bool TutorScripts_t::IsWaiting() const {
  return ValidScreen() && screens_[size_t(currentScreen_)].state == kWaiting;
}

bool TutorScripts_t::IsBoxShown() const { return boxUp_ && IsWaiting() && GetCurrentItemPtr(); }

int TutorScripts_t::GetCurrentState() const {
  return ValidScreen() ? screens_[size_t(currentScreen_)].state : int(kDone);
}

// --- Steps ---

void TutorScripts_t::RunStatements(const std::vector<TString>& statements) {
  TWindowManager* wm = GetWindowManager();
  if (!wm) return;
  // A copy: a statement may load, start or end screens.
  std::vector<TString> copy = statements;
  for (const TString& s : copy) wm->RunScriptText(owner_, s);
}

void TutorScripts_t::ShowItem(bool runStatements) {
  TutorItem_t* item = CurrentItem();
  if (!item) return;
  if (textWindow_) textWindow_->SetText(item->text);
  itemPicture_.reset();
  if (item->HasImage() && !item->IsToLeft()) itemPicture_ = TTexture::Get(item->pictName);
  boxOffset_ = BoxOffsetFor(*item);
  if (runStatements) RunStatements(item->doInStart);
}

void TutorScripts_t::PlayItemSound() {
  TutorItem_t* item = CurrentItem();
  if (item && item->voice) item->voice->Play(false);
}

void TutorScripts_t::StopItemSound() {
  TutorItem_t* item = CurrentItem();
  if (item && item->voice) item->voice->StopAll();
}

void TutorScripts_t::ShowShadow(bool on) {
  if (on) {
    // Not again while fading in or once fully in.
    if (shadow_.fadingIn) return;
    shadow_.Show("tutor");
  } else if (shadow_.fadingIn) {
    // Only a shadow that is (coming) in fades out; one never shown stays away.
    shadow_.Hide();
  }
}

bool TutorScripts_t::StepNotice(float dt) { return shadow_.Step(dt); }

void TutorScripts_t::Reset() {
  bool wasUp = boxUp_;
  StopItemSound();
  for (TutorScreen_t& s : screens_) {
    s.skip = false;
    s.state = s.id != 0 ? kDone : kWaiting;
    s.timeLeft = s.playTime;
  }
  currentScreen_ = 0;
  currentItem_ = (!screens_.empty() && !screens_[0].items.empty()) ? 0 : -1;
  // The first step's text and picture are ready; its statements run when
  // the screen opens.
  ShowItem(false);
  boxUp_ = false;
  boxOffset_ = 0;
  if (wasUp) ShowShadow(false);
  ApplyShown();
}

void TutorScripts_t::BeginScreen(int index) {
  currentScreen_ = index;
  screens_[size_t(index)].state = kWaiting;
  currentItem_ = 0;
  PlayItemSound();
  ShowItem(true);
}

void TutorScripts_t::Update(float dt, int view, bool mayOpen) {
  TutorScreen_t* s = Current();
  if (boxUp_ || !s || s->state == kDone) return;
  s->timeLeft -= dt;
  if (s->skip) {
    // A screen skipped while it waited does not open; the next one waits.
    s->state = kDone;
    MoveToNextScreen();
    return;
  }
  if (!(s->timeLeft > 0)) s->timeLeft = 0;
  if (s->screenNum != view || s->timeLeft != 0 || !mayOpen) return;
  if (s->items.empty()) {
    // Nothing to show: the screen counts as seen.
    EndScreen();
    return;
  }
  boxUp_ = true;
  ShowShadow(s->items[0].needShadow);
  int index = currentScreen_;
  TraceOut("Tutorial: screen %d opens", index);
  std::vector<TString> start = s->doInStart;
  BeginScreen(index);
  RunStatements(start);
}

void TutorScripts_t::NextItem() {
  if (!boxUp_) return;
  TutorScreen_t* s = Current();
  if (!s) return;
  StopItemSound();
  ++currentItem_;
  if (currentItem_ < int(s->items.size())) {
    PlayItemSound();
    ShowItem(true);
    // The statements may have moved the tutorial on.
    if (TutorItem_t* item = CurrentItem()) ShowShadow(item->needShadow);
    return;
  }
  EndScreen();
}

void TutorScripts_t::EndScreen() {
  TutorScreen_t* s = Current();
  if (!s) return;
  StopItemSound();
  ShowShadow(false);
  int index = currentScreen_;
  s->skip = true;
  s->state = kDone;
  boxUp_ = false;
  boxOffset_ = 0;
  currentItem_ = -1;
  std::vector<TString> end = s->doInEnd;
  TraceOut("Tutorial: screen %d ends", index);
  RememberShown(index);
  MoveToNextScreen();
  // Last, so that statements which start or end screens act on the new state.
  RunStatements(end);
}

void TutorScripts_t::MoveToNextScreen() {
  if (screens_.empty()) {
    currentScreen_ = -1;
    currentItem_ = -1;
    return;
  }
  int from = ValidScreen() ? currentScreen_ : 0;
  for (int i = from; i < int(screens_.size()); ++i) {
    TutorScreen_t& s = screens_[size_t(i)];
    // Numbered screens wait for StartScreen.
    if (s.skip || s.id != 0) continue;
    currentScreen_ = i;
    s.state = kWaiting;
    currentItem_ = -1;
    return;
  }
  currentScreen_ = int(screens_.size()) - 1;
}

// --- Commands and events ---

bool TutorScripts_t::OnCommand(TMessage* message) {
  TutorScreen_t* s = Current();
  if (!boxUp_ || !s || s->state == kSuspended || !message || message->GetType() != kButtonPress) return false;
  const TString& command = message->GetText();
  if (command == "skip" || (command == "close" && !s->useOnlyNext)) {
    EndScreen();
    return true;
  }
  if (command == "next") {
    NextItem();
    return true;
  }
  return false;
}

void TutorScripts_t::OnEvent(const TString& name) {
  TutorItem_t* item = CurrentItem();
  if (item && !item->eventName.IsEmpty() && item->eventName == name) NextItem();
}

void TutorScripts_t::StartScreen(int id) {
  for (int i = 0; i < int(screens_.size()); ++i) {
    TutorScreen_t& s = screens_[size_t(i)];
    if (s.id != id || s.skip) continue;
    if (boxUp_) {
      // The open box gives way to the started screen.
      StopItemSound();
      boxUp_ = false;
      boxOffset_ = 0;
    }
    currentScreen_ = i;
    s.state = kWaiting;
    currentItem_ = -1;
    return;
  }
}

bool TutorScripts_t::MarkFound(const TString& picture) {
  if (picture.IsEmpty()) return true;
  for (int i = 0; i < int(screens_.size()); ++i) {
    TutorScreen_t& s = screens_[size_t(i)];
    // The screen on the screen finishes its way.
    if (i == currentScreen_ && boxUp_) continue;
    for (const TutorItem_t& item : s.items) {
      if (item.clickPictName == picture) {
        s.skip = true;
        break;
      }
    }
  }
  return true;
}

void TutorScripts_t::FinishAll() {
  StopItemSound();
  for (TutorScreen_t& s : screens_) {
    s.skip = true;
    s.state = kDone;
  }
  if (boxUp_) ShowShadow(false);
  boxUp_ = false;
  boxOffset_ = 0;
  currentItem_ = -1;
  currentScreen_ = int(screens_.size()) - 1;
}

void TutorScripts_t::HideCurrentScreen() {
  if (IsScreenShown()) SetScreenShown(false);
}

void TutorScripts_t::SetScreenShown(bool show) {
  TutorScreen_t* s = Current();
  if (!s) return;
  if (s->state == kWaiting && show) {
    if (!IsLastItem()) s->state = kSuspended;
    else EndScreen();
    return;
  }
  if (s->state == kSuspended && !show && boxUp_) {
    s->state = kWaiting;
    NextItem();
  }
}

// --- Shown screens in the progress ---

void TutorScripts_t::SetShownKey(const TString& key) {
  shownKey_ = key;
  ApplyShown();
}

void TutorScripts_t::RememberShown(int index) {
  if (shownKey_.IsEmpty()) return;
  TString name = shownKey_ + ":" + TString(std::to_string(index));
  GameProgress& progress = GetGameProgress();
  if (progress.IsShown(name)) return;
  progress.MarkShown(name);
  SaveGameUserInfo();
}

void TutorScripts_t::ApplyShown() {
  if (shownKey_.IsEmpty() || screens_.empty()) return;
  const GameProgress& progress = GetGameProgress();
  for (size_t i = 0; i < screens_.size(); ++i) {
    if (!progress.IsShown(shownKey_ + ":" + TString(std::to_string(i)))) continue;
    screens_[i].skip = true;
    screens_[i].state = kDone;
  }
  TutorScreen_t* s = Current();
  if (!boxUp_ && s && s->skip) MoveToNextScreen();
}
