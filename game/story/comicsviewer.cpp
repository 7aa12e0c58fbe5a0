#include "game/story/comicsviewer.h"

#include "game/shell/data/gameprogress.h"
#include "game/story/storyutil.h"
#include "game/shell/widgets/gamebutton.h"
#include "platform/event.h"
#include "platform/log.h"
#include "render/renderer.h"
#include "script/bind.h"
#include "ui/button.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
const char* const kButtonNames[] = {"next", "skip", "play", "tnext", "tback"};

void Show(TButton* button, bool show) {
  if (!button) return;
  // Only a change touches the flags (and asks for a redraw).
  if (button->HasFlag(kWindowVisible) != show) button->ShowWindow(show);
}
}  // namespace

ComicsViewerBase::ComicsViewerBase() {
  bindings_ = MakeScriptBindings();
  if (bindings_) {
    bindings_->Bind("GoNext", this, &ComicsViewerBase::GoNext);
    bindings_->Bind("GoPrev", this, &ComicsViewerBase::GoPrev);
  }
}

ComicsViewerBase::~ComicsViewerBase() {
  // The globals go first, so that no script reaches this window any more.
  bindings_.reset();
}

void ComicsViewerBase::Init(TWindowStyle& style) {
  TString name = story::GetNameComicsToRun();
  document_ = story::LoadComics(name);
  name_ = name;
  TraceOut("Comics %s: %d pages", name.c_str(), document_->GetPageCount());
  GetGameProgress().MarkShown(name);
  style.GetString("bkgImg", TString());  // read for the style's sake; nothing uses it
  TString colour = style.GetString("bkColor", TString());
  story::ReadColor255(colour.c_str(), &backgroundColor_);
  music_ = style.GetString("music", TString());
  int rate = story::ReadAnimRate();
  Animate(uint32_t(rate), true, true, false);
  step_ = float(rate) / 1000.0f;
  StartSounds();
}

void ComicsViewerBase::PostInit(TWindowStyle& style) {
  TWindow::PostInit(style);
  for (const char* name : kButtonNames) Show(GetButton(name), false);
  TakeScreenKeys(this);
}

TButton* ComicsViewerBase::GetButton(const char* name) {
  // Looked up each time: a script may have removed a button meanwhile.
  for (TWindow* child : GetChildren()) {
    if (TWindow* found = child->FindChild(name)) return WindowCast<TButton>(found);
  }
  return nullptr;
}

void ComicsViewerBase::Draw() {
  TRender2dScope scope;
  if (document_) document_->Draw();
}

bool ComicsViewerBase::Update() {
  if (!document_) return true;
  document_->Update(step_);
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  UpdateButtons();
  return true;
}

void ComicsViewerBase::UpdateButtons() {
  const ComicsData& doc = *document_;
  const int last = doc.GetPageCount() - 1;
  const int index = doc.GetCurrentPage();
  TButton* next = GetButton("next");
  TButton* play = GetButton("play");
  TButton* skip = GetButton("skip");
  if (next && play && skip) {
    // A comic without pages is never complete: all three stay hidden. The
    // three states exclude each other, so a page visited again never shows
    // "play" and "next" together.
    bool complete = doc.IsPageComplete();
    bool more = complete && index < last;
    bool end = complete && index == last;
    Show(next, more);
    Show(skip, more);
    Show(play, end);
  }
  Show(GetButton("tback"), index != 0);
  Show(GetButton("tnext"), index < last);
}

bool ComicsViewerBase::OnMouseDown(const TPoint& p) {
  if (document_ && document_->GetPageCount() > 0) document_->FinishPage();
  return false;
}

bool ComicsViewerBase::OnChar(unsigned char c) {
  if (c != PlatformKey::kEnter && c != PlatformKey::kEscape) return false;
  if (!document_ || document_->GetPageCount() == 0 || document_->IsPageComplete()) return false;
  document_->FinishPage();
  UpdateButtons();
  return c == PlatformKey::kEnter;
}

void ComicsViewerBase::GoNext() { Turn(true); }

void ComicsViewerBase::GoPrev() { Turn(false); }

void ComicsViewerBase::Turn(bool forward) {
  if (!document_) return;
  int before = document_->GetCurrentPage();
  if (forward) document_->GoNext();
  else document_->GoPrev();
  if (document_->GetCurrentPage() != before)
    TraceOut("Comics %s: page %d of %d", name_.c_str(), document_->GetCurrentPage() + 1, document_->GetPageCount());
}

void Comics_t::StartSounds() {
  PlayMusic(music_, document_ ? document_->soundName : TString());
}
