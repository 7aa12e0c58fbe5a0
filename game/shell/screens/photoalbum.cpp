#include "game/shell/screens/photoalbum.h"

#include <algorithm>

#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "platform/log.h"
#include "render/renderer.h"
#include "ui/windowmanager.h"

namespace {
constexpr int kJournal = 0, kPhotographs = 1;
constexpr int kOpen = 1, kClosed = 3;
}  // namespace

TPhotoAlbum::TPhotoAlbum() = default;

TPhotoAlbum::~TPhotoAlbum() { logbook_.reset(); }

void TPhotoAlbum::PostInit(TWindowStyle& style) {
  TWindow::PostInit(style);
  // The album takes its screen's keys: Escape closes it.
  TakeScreenKeys(this);
  Animate(16, true, true, false);
  frameStep_ = 0.016f;
}

void TPhotoAlbum::Build() {
  const auto& factory = GetUpperLayerHooks().createLogBook;
  if (factory) logbook_ = factory(this);
  if (!logbook_) return;
  const GameProgress& progress = GetGameProgress();
  for (const TString& photo : progress.photos) logbook_->AddEntry(photo);
  logbook_->SetLastSpreadLimit(std::max(int(progress.locationInfos.size()) - 1, 0));
  logbook_->Rebuild();
  logbook_->SetAlbumMode(true);
  logbook_->SetPageStates(0, 2);
  logbook_->Open(kPhotographs, logbook_->GetLastSpread());
  logbook_->StartOpening();
  closeRequested_ = false;
}

void TPhotoAlbum::Close() {
  if (closed_) return;
  closed_ = true;
  if (TWindowManager* wm = GetWindowManager()) wm->RunScriptText(this, kCloseText);
}

bool TPhotoAlbum::Update() {
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  if (needsBuild_) {
    Build();
    needsBuild_ = false;
    if (!logbook_) {
      TraceOut("Photo album: there is no journal in this program; the album closes");
      Close();
      return true;
    }
  }
  if (!logbook_) return true;
  if (logbook_->GetOpenState() != kClosed) {
    logbook_->Update(frameStep_);
  } else if (closeRequested_) {
    closeRequested_ = false;
    Close();
  }
  return true;
}

bool TPhotoAlbum::OnChar(unsigned char c) { return EscapePressesButton(this, c, "logbookclose"); }

bool TPhotoAlbum::OnMessage(TMessage* message) {
  if (!message) return false;
  if (message->type == 1001) return true;
  const TString& text = message->text;
  bool idle = logbook_ && logbook_->IsIdle();
  if (text == "logbookclose") {
    if (idle) {
      logbook_->StartClosing();
      closeRequested_ = true;
    }
  } else if (text == "logbookprev") {
    if (idle) logbook_->TurnPageBack();
  } else if (text == "logbooknext") {
    if (idle) logbook_->TurnPageForward();
  } else if (text == "logbookjournal") {
    if (idle && logbook_->GetSection() != kJournal) logbook_->ShowJournal();
  } else if (text == "logbookphotographs") {
    if (idle && logbook_->GetSection() != kPhotographs) logbook_->ShowPhotographs();
  } else {
    return false;
  }
  return true;
}

bool TPhotoAlbum::TakesMouse() const {
  return logbook_ && !needsBuild_ && logbook_->GetOpenState() == kOpen && logbook_->IsEnabled();
}

bool TPhotoAlbum::OnMouseDown(const TPoint& p) {
  if (!TakesMouse()) return false;
  logbook_->OnMouseDown(p);
  return true;
}

bool TPhotoAlbum::OnMouseMove(const TPoint& p) {
  if (!TakesMouse()) return false;
  logbook_->OnMouseMove(p);
  return true;
}

bool TPhotoAlbum::OnMouseUp(const TPoint& p) {
  if (!TakesMouse()) return false;
  logbook_->OnMouseUp(p);
  return true;
}

void TPhotoAlbum::PostDraw() {
  if (!logbook_ || logbook_->GetOpenState() == kClosed) return;
  TRender2dScope scope;
  logbook_->Draw();
}
