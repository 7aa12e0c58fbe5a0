// The journal's animations: fading in and out, the writing of the newest
// closing text, page turns and section switches (each two halves of a
// bending page), the page buttons, and the enlarging of a photograph.
#include <algorithm>

#include "audio/sound.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/widgets/gameutils.h"
#include "game/story/logbook.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "ui/text.h"

namespace {

void Disable(Button_t* b) {
  if (b) b->SetDisabled(true);
}

TString TextOf(const TText* t) { return t ? t->GetText() : TString(); }

// How far a timer is through a duration, 0..1 (a zero duration is over at once).
float Fraction(float timer, float duration) { return duration > 0 ? std::min(1.0f, timer / duration) : 1.0f; }

}  // namespace

// --- Update ---

void LogBook_t::Update(float seconds) {
  if (!hasStyle_) return;
  if (!(seconds >= 0)) seconds = 0;

  // 1. The writing effect, in every state.
  if (writing_) {
    if (writingSuppressed) {
      // Suppressed while it ran: the text is shown at full strength at once.
      timer_ = effAlphaTime_;
    } else {
      timer_ += seconds;
    }
    writingAlpha_ = Lerp(0, 1, Fraction(timer_, effAlphaTime_));
    if (timer_ >= effAlphaTime_) {
      writingAlpha_ = 1;
      writing_ = false;
      if (writingSound_) writingSound_->StopAll();
    }
  }

  switch (state_) {
    case kOpening:
      // 2. Opening.
      timer_ += seconds;
      alpha_ = Lerp(0, 1, Fraction(timer_, efftime_));
      if (timer_ >= efftime_) {
        alpha_ = 1;
        state_ = kOpen;
        // Only the journal has a newest page to write.
        if (locationCompleted && !writingSuppressed && section_ == kJournal && lastLocation != -1) {
          writing_ = true;
          writingAlpha_ = 0;
          timer_ = 0;
        }
      }
      return;
    case kClosing:
      // 3. Closing: back on the newest page.
      timer_ += seconds;
      alpha_ = Lerp(1, 0, Fraction(timer_, efftime_));
      if (timer_ >= efftime_) {
        alpha_ = 0;
        state_ = kClosed;
        if (lastLocation != -1) {
          spread_ = previousSpread_ = lastLocation;
          LoadJournalSet(other_, lastLocation);
          LoadJournalSet(current_, lastLocation);
        }
      }
      return;
    case kOpen:
      break;
    default:
      return;
  }

  // 4. Open: turns and zoom.
  if (transition_ == kBackRequested || transition_ == kToJournalRequested) BeginBackTurn();
  if (transition_ == kForwardRequested || transition_ == kToPhotographsRequested) {
    BeginForwardTurn();
    return;
  }
  if (transition_ == kToJournalRunning || transition_ == kToPhotographsRunning) {
    timer_ += seconds;
    if (timer_ >= kHalfTurnTime && !firstHalf_) {
      section_ = transition_ == kToJournalRunning ? kJournal : kPhotographs;
      timer_ = kHalfTurnTime;
      transition_ = kIdle;
    }
  } else if (transition_ != kForwardRunning) {
    if (transition_ == kBackRunning) {
      timer_ += seconds;
      if (timer_ >= kHalfTurnTime && !firstHalf_) {
        timer_ = kHalfTurnTime;
        transition_ = kIdle;
      }
      if (timer_ >= kHalfTurnTime && firstHalf_) {
        firstHalf_ = false;
        timer_ = 0;
      }
    }
    if (section_ == kPhotographs) ZoomStep(seconds);
    return;
  } else {
    timer_ += seconds;
    if (timer_ >= kHalfTurnTime && !firstHalf_) {
      transition_ = kIdle;
      timer_ = kHalfTurnTime;
    }
  }
  // The half check.
  if (timer_ >= kHalfTurnTime && firstHalf_) {
    firstHalf_ = false;
    timer_ = 0;
  }
}

// --- Zoom ---

void LogBook_t::ZoomStep(float seconds) {
  if (zoomState != kZoomEnlarging && zoomState != kZoomShrinking) return;
  if (zoomSide != 0 && zoomSide != 1) {
    zoomState = kZoomNone;
    return;
  }
  const TRect& r = zoomSide == 0 ? leftTextRect_ : rightTextRect_;
  const TTextureRef& photo = zoomSide == 0 ? currentPhotos_.left : currentPhotos_.right;
  TRect& rect = zoomSide == 0 ? leftPhotoRect_ : rightPhotoRect_;
  const int pw = photo ? int(photo->GetWidth()) : 0, ph = photo ? int(photo->GetHeight()) : 0;
  const TVec2 start(float(r.left), float(r.top));
  const TVec2 end(kZoomCenterX - float(pw / 2), kZoomCenterY - float(ph / 2));
  timer_ += seconds;
  if (zoomState == kZoomEnlarging) {
    if (timer_ >= efftime_) {
      zoomState = kZoomEnlarged;
      timer_ = efftime_;
    }
    const float t = efftime_ > 0 ? timer_ / efftime_ : 1.0f;
    TVec2 at = LerpPoint(start, end, t);
    rect = MakeRectXYWH(int(at.x), int(at.y), r.Width(), r.Height());
    zoomScale_ = Lerp(1.0f, 2.0f, t);
    return;
  }
  if (timer_ < efftime_) {
    const float t = timer_ / efftime_;
    TVec2 at = LerpPoint(end, start, t);
    rect = MakeRectXYWH(int(at.x), int(at.y), r.Width(), r.Height());
    zoomScale_ = Lerp(2.0f, 1.0f, t);
    return;
  }
  timer_ = efftime_;
  zoomState = kZoomNone;
  rect = FitPhotoRect(photo, r);
  zoomSide = 2;
}

// --- Page buttons ---

void LogBook_t::UpdatePageButtons() {
  if (spread_ == -1) {
    Disable(prev_);
    Disable(next_);
    return;
  }
  if (transition_ == kToJournalRequested || transition_ == kToPhotographsRequested) {
    if (spread_ == 0) Disable(prev_);
    Disable(next_);
    return;
  }
  if (spread_ <= 0) Disable(prev_);
  if (section_ == kJournal) {
    if (spread_ >= lastLocation) Disable(next_);
  } else if (spread_ >= GetLastSpread() || photoNames_.empty()) {
    Disable(next_);
  }
  if (spread_ < 0) spread_ = 0;
  if (section_ == kJournal && spread_ > lastLocation) spread_ = lastLocation;
  if (section_ == kPhotographs && !photoNames_.empty() && spread_ > GetLastSpread()) spread_ = GetLastSpread();
}

bool LogBook_t::ClosingTextShown(int spread) const { return locationCompleted || spread != lastLocation; }

// --- Layers of the turning page ---

void LogBook_t::AddLayer(std::vector<PageLayer>& list, const TTextureRef& texture, const TRect& page, int x,
                         int y) {
  if (!texture) return;
  PageLayer layer;
  layer.texture = texture;
  layer.page = page;
  layer.placement = MakeRectXYWH(x, y, int(texture->GetWidth()), int(texture->GetHeight()));
  list.push_back(layer);
}

void LogBook_t::AddJournalLeftLayers(std::vector<PageLayer>& list, const JournalSet& set) {
  const TRect& page = leftPageRect_;
  const TRect& r = leftTextRect_;
  AddLayer(list, leftPage_, page, page.left, page.top);
  AddLayer(list, headingImage_, page, r.left, r.top);
  if (set.picture) {
    const int pw = int(set.picture->GetWidth()), ph = int(set.picture->GetHeight());
    AddLayer(list, set.picture, page, r.left + (r.Width() / 2 - pw / 2), r.top + (r.Height() / 2 - ph / 2));
  }
}

void LogBook_t::AddJournalRightLayers(std::vector<PageLayer>& list, const JournalSet& set, bool withClosing) {
  const TRect& page = rightPageRect_;
  const TRect& r = rightTextRect_;
  AddLayer(list, rightPage_, page, page.left, page.top);
  const TVec2 half(float(r.Width()), float(r.Height() / 2));
  AddLayer(list, RenderTextTexture(half, TextOf(set.opening), 0, fhJournal_), page, r.left, r.top);
  if (withClosing)
    AddLayer(list, RenderTextTexture(half, TextOf(set.closing), 0, fhJournal_), page, r.left, r.top + r.Height() / 2);
}

void LogBook_t::AddPhotoLayers(std::vector<PageLayer>& list, const PhotoSet& set, bool left, bool withPhoto) {
  const TRect& page = left ? leftPageRect_ : rightPageRect_;
  const TRect& r = left ? leftTextRect_ : rightTextRect_;
  AddLayer(list, left ? leftPage_ : rightPagePhoto_, page, page.left, page.top);
  if (!withPhoto) return;
  const TTextureRef& photo = left ? set.left : set.right;
  if (!photo) return;
  TRect at = FitPhotoRect(photo, r);
  AddLayer(list, photo, page, at.left, at.top);
  const TVec2 size(float(rightTextRect_.Width()), float(rightTextRect_.Height()));
  AddLayer(list, RenderTextTexture(size, TextOf(left ? set.leftCaption : set.rightCaption), TTextBlock::kHAlignCenter, fhPhoto_),
           page, r.left, r.top + r.Height() / 2);
}

// --- Turn begins ---

void LogBook_t::BeginBackTurn() {
  const bool toJournal = transition_ == kToJournalRequested;
  leftLayers_.clear();
  rightLayers_.clear();
  previousSpread_ = spread_;
  spread_ = toJournal ? lastLocation : spread_ - 1;
  UpdatePageButtons();
  if (section_ == kJournal) {
    // The old left page lifts and turns over; the new right page lands.
    LoadJournalSet(other_, previousSpread_);
    LoadJournalSet(current_, spread_);
    AddJournalLeftLayers(leftLayers_, other_);
    AddJournalRightLayers(rightLayers_, current_, ClosingTextShown(spread_));
  } else {
    LoadPhotoSet(otherPhotos_, previousSpread_, false);
    AddPhotoLayers(leftLayers_, otherPhotos_, true, true);
    if (toJournal) {
      // The photographs on show stay for the next switch back.
      LoadJournalSet(current_, lastLocation);
      AddJournalRightLayers(rightLayers_, current_, ClosingTextShown(lastLocation));
    } else {
      LoadPhotoSet(currentPhotos_, spread_, true);
      AddPhotoLayers(rightLayers_, currentPhotos_, false, HasRightPhoto(spread_));
    }
  }
  timer_ = 0;
  firstHalf_ = true;
  transition_ = toJournal ? kToJournalRunning : kBackRunning;
}

void LogBook_t::BeginForwardTurn() {
  const bool toPhotographs = transition_ == kToPhotographsRequested;
  leftLayers_.clear();
  rightLayers_.clear();
  previousSpread_ = spread_;
  spread_ = toPhotographs ? GetLastSpread() : spread_ + 1;
  UpdatePageButtons();
  if (section_ == kJournal) {
    // The old right page lifts; the new left page lands.
    LoadJournalSet(other_, previousSpread_);
    AddJournalRightLayers(rightLayers_, other_, ClosingTextShown(previousSpread_));
    if (toPhotographs) {
      LoadPhotoSet(currentPhotos_, spread_, true);
      AddPhotoLayers(leftLayers_, currentPhotos_, true, true);
    } else {
      LoadJournalSet(current_, spread_);
      AddJournalLeftLayers(leftLayers_, current_);
    }
  } else {
    LoadPhotoSet(otherPhotos_, previousSpread_, false);
    LoadPhotoSet(currentPhotos_, spread_, true);
    AddPhotoLayers(rightLayers_, otherPhotos_, false, HasRightPhoto(previousSpread_));
    AddPhotoLayers(leftLayers_, currentPhotos_, true, true);
  }
  timer_ = 0;
  firstHalf_ = true;
  transition_ = toPhotographs ? kToPhotographsRunning : kForwardRunning;
}
