// The tutorial driver: screens open, steps advance, screens end.
#include "game/story/tutorscripts.h"

#include <algorithm>

#include "audio/sound.h"
#include "game/shell/widgets/gamebutton.h"
#include "platform/log.h"
#include "render/textures/texture.h"
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

void TutorScripts_t::ShowItem() {
  TutorItem_t* item = CurrentItem();
  if (!item) return;
  if (textWindow_) textWindow_->SetText(item->text);
  itemPicture_.reset();
  if (item->HasImage() && !item->IsToLeft()) itemPicture_ = TTexture::Get(item->pictName);
  boxOffset_ = BoxOffsetFor(*item);
  RunStatements(item->doInStart);
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
    // Only a shadow that is (coming) in fades out; one never shown stays
    // away instead of flashing in at full and fading.
    shadow_.Hide();
  }
}

bool TutorScripts_t::StepNotice(float dt) { return shadow_.Step(dt); }

void TutorScripts_t::BoxDown() {
  if (boxUp_) ShowShadow(false);
  boxUp_ = false;
  boxOffset_ = 0;
}

void TutorScripts_t::Reset() {
  for (TutorScreen_t& s : screens_) {
    s.skip = false;
    s.state = s.id != 0 ? kDone : kWaiting;
  }
  currentScreen_ = 0;
  currentItem_ = 0;
  // The first step is ready: text, picture and its statements (no voice).
  if (!screens_.empty() && !screens_[0].items.empty()) ShowItem();
  BoxDown();
}

void TutorScripts_t::BeginScreen(int index) {
  currentScreen_ = index;
  screens_[size_t(index)].state = kWaiting;
  currentItem_ = 0;
  PlayItemSound();
  ShowItem();
}

void TutorScripts_t::Update(float dt, int view, bool mayOpen) {
  TutorScreen_t* s = Current();
  if (boxUp_ || !s || s->state == kDone) return;
  s->timeLeft -= dt;
  // A screen found while it waited is done, but it still opens when this
  // update is its time.
  const bool skipped = s->skip;
  if (skipped) s->state = kDone;
  if (!(s->timeLeft > 0)) s->timeLeft = 0;
  if (s->screenNum != view || s->timeLeft != 0 || !mayOpen) {
    // Done without opening, it would leave the tutorial inactive for good:
    // the next screen whose skip flag is clear takes its place.
    if (skipped) MovePastSkipped();
    return;
  }
  int index = currentScreen_;
  if (s->items.empty()) {
    // Nothing to show: passed over like a skipped screen, without statements.
    TraceOut("Tutorial: screen %d has no steps; passed over", index);
    SkipScreen();
    return;
  }
  boxUp_ = true;
  ShowShadow(s->items[0].needShadow);
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
    ShowItem();
    // The statements may have moved the tutorial on.
    if (TutorItem_t* item = CurrentItem()) ShowShadow(item->needShadow);
    return;
  }
  // Past the last step: the screen is done and stays current; only
  // StartScreen or Reset moves on.
  s->state = kDone;
  s->skip = true;
  BoxDown();
  TraceOut("Tutorial: screen %d ends", currentScreen_);
}

void TutorScripts_t::SkipScreen() {
  TutorScreen_t* s = Current();
  if (s) {
    s->skip = true;
    s->state = kDone;
    TraceOut("Tutorial: screen %d ends", currentScreen_);
  }
  BoxDown();
  MovePastSkipped();
}

void TutorScripts_t::MovePastSkipped() {
  const int count = int(screens_.size());
  if (count == 0) {
    currentScreen_ = -1;
    return;
  }
  int i = std::max(0, currentScreen_);
  while (i < count && screens_[size_t(i)].skip) ++i;
  if (i >= count) {
    currentScreen_ = count - 1;
    return;
  }
  currentScreen_ = i;
  TutorScreen_t& s = screens_[size_t(i)];
  if (s.playTime > 0) {
    s.state = kWaiting;
    currentItem_ = -1;
  }
}

// --- Commands and events ---

bool TutorScripts_t::OnCommand(TMessage* message) {
  TutorScreen_t* s = Current();
  if (!boxUp_ || !s || s->state == kSuspended || !message || message->GetType() != kButtonPress) return false;
  const TString& command = message->GetText();
  if (command == "skip" || command == "close") {
    ShowShadow(false);
    StopItemSound();
    // A copy: the statements run before the screen is passed over and may
    // start or end screens.
    std::vector<TString> end = s->doInEnd;
    RunStatements(end);
    SkipScreen();
    return true;
  }
  if (command == "next") {
    StopItemSound();
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
      // The open box gives way to the started screen, its shadow with it:
      // left up, it would hold a screen that never opens (Update waits for
      // the box to go down).
      StopItemSound();
      BoxDown();
    }
    currentScreen_ = i;
    s.state = kWaiting;
    currentItem_ = -1;
    return;
  }
}

bool TutorScripts_t::MarkFound(const TString& picture) {
  // An object without a picture names no step (steps without a click
  // picture have an empty name too).
  if (picture.IsEmpty()) return true;
  for (int i = 0; i < int(screens_.size()); ++i) {
    TutorScreen_t& s = screens_[size_t(i)];
    for (int j = 0; j < int(s.items.size()); ++j) {
      if (s.items[size_t(j)].clickPictName != picture) continue;
      // The screen on the screen finishes its way; another screen's step at
      // the current step's index is kept too.
      if (i == currentScreen_ ? boxUp_ : j == currentItem_) continue;
      s.skip = true;
      break;
    }
  }
  return true;
}

void TutorScripts_t::MarkScreensDone(int id) {
  for (TutorScreen_t& s : screens_)
    if (s.id == id) {
      s.skip = true;
      s.state = kDone;
    }
  boxUp_ = false;
}

void TutorScripts_t::FinishAll() {
  StopItemSound();
  for (TutorScreen_t& s : screens_) {
    s.skip = true;
    s.state = kDone;
  }
  // The box goes down too: left up it would go on taking the clicks.
  BoxDown();
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
    if (!IsLastItem()) {
      s->state = kSuspended;
      return;
    }
    TraceOut("Tutorial: screen %d ends", currentScreen_);
    const int count = int(screens_.size());
    if (currentScreen_ == count - 1) {
      s->state = kDone;
      BoxDown();
      return;
    }
    s->skip = true;
    s->state = kDone;
    // On to the next screen that is not passed over, or a numbered one.
    int i = currentScreen_ + 1;
    while (i < count - 1 && screens_[size_t(i)].skip && screens_[size_t(i)].id == 0) ++i;
    currentScreen_ = i;
    currentItem_ = -1;
    BoxDown();
    TutorScreen_t& next = screens_[size_t(i)];
    next.state = next.skip ? kDone : kWaiting;
    return;
  }
  if (s->state == kSuspended && !show && boxUp_) {
    NextItem();
    if (TutorScreen_t* now = Current()) now->state = kWaiting;
  }
}
