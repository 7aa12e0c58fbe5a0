#include "game/story/storyscene.h"

#include <tinyxml.h>

#include "game/scene/maingame.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "game/story/logbook.h"
#include "platform/event.h"
#include "platform/log.h"
#include "ui/message.h"

TStoryScene::TStoryScene(TMainGame* scene)
    : scene_(scene), journal_(std::make_unique<LogBook_t>(scene)), tutor_(scene) {
  if (!journal_->HasStyle()) journal_.reset();
}

TStoryScene::~TStoryScene() = default;

bool TStoryScene::JournalShown() const { return journal_ && !journal_->IsClosed(); }

// --- The location ---

void TStoryScene::OnLevelLoaded(const TiXmlElement* level, const TString& record) {
  tutor_.OnLevelLoaded(level, record);
  wish_.Clear();
  if (!journal_) return;
  // The newest page is the location just entered.
  journal_->lastLocation = journal_->CountJournalPages() - 1;
  journal_->Rebuild();
  journal_->photosOnly = false;
  journal_->locationCompleted = false;
  journal_->zoomState = LogBook_t::kZoomNone;
  journal_->zoomSide = 2;
  for (const TString& photo : GetGameProgress().photos) journal_->AddEntry(photo);
  const char* show = level ? level->Attribute("show_logbook") : nullptr;
  journal_->SetEnabled(!(show && TString(show) == "0"));
}

void TStoryScene::OnEvent(const TString& name) { tutor_.OnEvent(name); }

void TStoryScene::OnObjectFound(const TString&, const TString& picture) { tutor_.OnObjectFound(picture); }

void TStoryScene::OnSceneClick(const TPoint& p) { tutor_.OnSceneClick(p); }

void TStoryScene::ResumeTutorial() { tutor_.Resume(); }

void TStoryScene::OnLocationComplete(const TString& photo) {
  if (!journal_) return;
  journal_->locationCompleted = true;
  if (!photo.IsEmpty()) journal_->AddEntry(photo);
  journal_->AddPage();
  // The finished page is written while the book opens on it.
  if (journal_->IsEnabled() && !journal_->IsOpen()) {
    TraceOut("journal: writing page %d", journal_->lastLocation + 1);
    journal_->StartWriting();
    OpenJournal();
  }
}

// --- The panel's button ---

bool TStoryScene::HasJournal() const { return journal_ != nullptr; }

void TStoryScene::OnJournalButton() {
  if (journal_ && journal_->IsEnabled() && !journal_->IsOpen()) OpenJournal();
}

void TStoryScene::OpenJournal() {
  journal_->Open(LogBook_t::kJournal, journal_->lastLocation);
  journal_->StartOpening();
  TraceOut("journal: opened on page %d", journal_->GetSpread() + 1);
  OnEvent("logbook_open");
}

// --- Each frame ---

void TStoryScene::Update(float dt) {
  tutor_.Update(dt, !JournalShown());
  if (!JournalShown()) return;
  journal_->Update(dt);
  if (journal_->IsClosed()) {
    TraceOut("journal: closed");
    OnEvent("logbook_close");
  }
  FollowWish();
}

void TStoryScene::FollowWish() {
  if (journal_) wish_.Follow(*journal_, [this] { OpenJournal(); });
}

bool TStoryScene::IsBlocking() const { return JournalShown() || tutor_.IsBlocking(); }

void TStoryScene::Draw() {
  tutor_.Draw();
  if (JournalShown()) journal_->Draw();
}

// --- Input: the shown book holds the mouse ---

bool TStoryScene::OnPanelButton(const TPoint& p) const {
  const Button_t* button = scene_ ? scene_->GetJournalButton() : nullptr;
  return button && button->visible && button->Contains(p.x, p.y);
}

bool TStoryScene::OnMouseDown(const TPoint& p) {
  if (!JournalShown()) return tutor_.OnMouseDown(p);
  wish_.OnMouseDown(*journal_, p, OnPanelButton(p));
  journal_->OnMouseDown(p);
  return true;
}

bool TStoryScene::OnMouseUp(const TPoint& p) {
  if (!JournalShown()) return tutor_.OnMouseUp(p);
  // The fading book takes no clicks; one on its close button or on the
  // panel's journal button is kept (the open book's buttons act themselves).
  wish_.OnMouseUp(*journal_, p, OnPanelButton(p));
  journal_->OnMouseUp(p);
  return true;
}

bool TStoryScene::OnMouseMove(const TPoint& p) {
  if (!JournalShown()) return tutor_.OnMouseMove(p);
  journal_->OnMouseMove(p);
  return true;
}

bool TStoryScene::OnCommand(TMessage* message) {
  if (tutor_.OnCommand(message)) return true;
  if (!journal_ || !message || message->type != kButtonPress) return false;
  const TString& command = message->text;
  // A close the book cannot start now (a page turns, the pen writes) waits.
  if (command == "logbookclose") wish_.Request(JournalWish_t::Ask::kClosed);
  else if (command == "logbookprev") journal_->TurnPageBack();
  else if (command == "logbooknext") journal_->TurnPageForward();
  else if (command == "logbookjournal") journal_->ShowJournal();
  else if (command == "logbookphotographs") journal_->ShowPhotographs();
  else return false;
  TraceOut("journal: %s", command.c_str());
  FollowWish();
  return true;
}

bool TStoryScene::OnKey(unsigned char c) {
  // The journal lies over the tutorial.
  if (!JournalShown()) return tutor_.OnKey(c);
  if (c != PlatformKey::kEscape) return false;
  TraceOut("journal: escape");
  wish_.Request(JournalWish_t::Ask::kClosed);
  FollowWish();
  return true;
}

TString TStoryScene::GetCursor(const TPoint& p) {
  if (JournalShown() && journal_->IsMagnifierOn()) return "cursor/cursor_empty_for_magnifier";
  return JournalShown() ? TString() : tutor_.GetCursor(p);
}
