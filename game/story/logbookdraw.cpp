// The journal on the screen (the still book, the book during a turn with its
// bending page, the enlarged photograph and the magnifier) and its mouse
// input.
#include <cmath>

#include "game/shell/widgets/gamebutton.h"
#include "game/shell/widgets/gameutils.h"
#include "game/story/logbook.h"
#include "render/device/displayhandler.h"
#include "render/drawparams.h"
#include "render/renderer.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "ui/text.h"

namespace {

constexpr int kMeshColumns = 4, kMeshRows = 8;
// How far the far edge of a folded page hangs below its rest place.
constexpr float kFoldDrop = 50.0f;

void DrawImage(const TTextureRef& texture, float x, float y, float alpha, float scale = 1.0f) {
  if (!texture) return;
  texture->Draw(TDrawParams(TVec2(x, y), alpha, scale, TDrawParams::kAnchorAtCenter));
}

void DrawButton(Button_t* b) {
  if (b) b->Draw();
}

void RestoreDrawing(TRenderer* renderer) {
  renderer->Begin2d();
  renderer->SetBlendMode(kBlendModeAlpha);
}

TFloatColor WithAlpha(TFloatColor c, float alpha) {
  c.a = alpha;
  return c;
}

}  // namespace

// --- The turning page ---

void LogBook_t::BuildPageMesh(const PageLayer& layer, int sideFlag, int direction, float progress,
                              TMeshVertex* out) {
  const float t = sideFlag == direction ? 1.0f - progress : progress;
  const float sqrtT = std::sqrt(std::max(0.0f, t));
  const TRect& pr = layer.page;
  const float wp = float(pr.Width()), hp = float(pr.Height());
  const float wt = layer.texture ? float(layer.texture->GetWidth()) : float(layer.placement.Width());
  const float ht = layer.texture ? float(layer.texture->GetHeight()) : float(layer.placement.Height());
  const float spine = float(sideFlag == 1 ? pr.right : pr.left);
  TMeshVertex grid[kMeshRows + 1][kMeshColumns + 1];
  for (int r = 0; r <= kMeshRows; ++r) {
    for (int c = 0; c <= kMeshColumns; ++c) {
      const float x0 = float(layer.placement.left) + float(c) * wt / kMeshColumns;
      const float y0 = float(layer.placement.top) + float(r) * ht / kMeshRows;
      const float u = wp > 0 ? (sideFlag == 1 ? float(pr.right) - x0 : x0 - float(pr.left)) / wp : 0.0f;
      const float v = hp > 0 ? (float(pr.bottom) - y0) / hp : 0.0f;
      const float a = (1 - u) * t + u * sqrtT;
      const float w = v * t + (1 - v) * a;
      TMeshVertex& out1 = grid[r][c];
      out1.position = TVec3(x0 + Lerp(0, spine - x0, w), y0 + Lerp(0, kFoldDrop * u, w), 1.0f);
      out1.uv = TVec2(float(c) / kMeshColumns, float(r) / kMeshRows);
    }
  }
  int i = 0;
  for (int r = 0; r < kMeshRows; ++r) {
    for (int c = 0; c < kMeshColumns; ++c) {
      const TMeshVertex& tl = grid[r][c];
      const TMeshVertex& tr = grid[r][c + 1];
      const TMeshVertex& bl = grid[r + 1][c];
      const TMeshVertex& br = grid[r + 1][c + 1];
      out[i++] = tl;
      out[i++] = tr;
      out[i++] = bl;
      out[i++] = tr;
      out[i++] = br;
      out[i++] = bl;
    }
  }
}

void LogBook_t::DrawTurningPage(const std::vector<PageLayer>& layers, int sideFlag, int direction) {
  const float p = ClampValue(timer_ / kHalfTurnTime, 0.0f, 1.0f);
  TMeshVertex mesh[kPageMeshVertices];
  for (const PageLayer& layer : layers) {
    BuildPageMesh(layer, sideFlag, direction, p, mesh);
    DrawTextureMesh(layer.texture, mesh, kBlendModeAlpha);
  }
}

// --- Parts of a spread ---

void LogBook_t::DrawLeftJournalPage(const TTextureRef& picture) {
  const TRect& r = leftTextRect_;
  if (picture) {
    const int pw = int(picture->GetWidth()), ph = int(picture->GetHeight());
    DrawImage(picture, float(r.left + (r.Width() / 2 - pw / 2)), float(r.top + (r.Height() / 2 - ph / 2)), alpha_);
  }
  DrawImage(headingImage_, float(r.left), float(r.top), alpha_);
}

void LogBook_t::DrawJournalText(TText* text, bool upper, bool closingOfNewest) {
  if (!text || !text->GetBlock()) return;
  const bool written = !upper && closingOfNewest && !writingSuppressed && state_ != kClosing;
  text->SetColor(WithAlpha(textColor_, written ? writingAlpha_ : alpha_));
  const TRect& r = rightTextRect_;
  const float top = float(upper ? r.top : r.top + r.Height() / 2);
  text->GetBlock()->Draw(TVec2(float(r.left), top), float(r.Height() / 2), 1.0f, 0, 1.0f);
}

void LogBook_t::DrawPhotograph(int side, const TTextureRef& texture, TText* caption, const TRect& photoRect,
                               float scale) {
  if (photoNames_.empty()) return;
  const TRect& r = side == 0 ? leftTextRect_ : rightTextRect_;
  if (caption && caption->GetBlock()) {
    caption->SetColor(WithAlpha(textColor_, alpha_));
    caption->GetBlock()->DrawAt(TRect(r.left, r.top + r.Height() / 2, r.right, r.bottom), 1.0f, 0, 1.0f);
  }
  if (!texture) return;
  const float w = float(texture->GetWidth()), h = float(texture->GetHeight());
  const float cx = float(photoRect.left) + float(photoRect.Width()) / 2;
  const float cy = float(photoRect.top) + h / 2;
  DrawImage(texture, cx - w * scale / 2, cy - h * scale / 2, alpha_, scale);
}

void LogBook_t::DrawPageButtons() {
  if (state_ != kOpen) return;
  DrawButton(prev_);
  DrawButton(next_);
}

void LogBook_t::DrawFrameButtons() {
  if (state_ != kOpen) return;
  DrawButton(close_);
  if (!photosOnly) {
    DrawButton(journalTab_);
    DrawButton(photosTab_);
  }
}

void LogBook_t::DrawStillSpread() {
  if (section_ == kPhotographs) {
    if (spread_ != -1) {
      const float leftScale = zoomSide == 0 ? zoomScale_ : 1.0f;
      const float rightScale = zoomSide == 1 ? zoomScale_ : 1.0f;
      const bool right = HasRightPhoto(spread_);
      // The enlarged photograph lies over the other one.
      if (zoomSide == 0) {
        if (right) DrawPhotograph(1, currentPhotos_.right, currentPhotos_.rightCaption, rightPhotoRect_, rightScale);
        DrawPhotograph(0, currentPhotos_.left, currentPhotos_.leftCaption, leftPhotoRect_, leftScale);
      } else {
        DrawPhotograph(0, currentPhotos_.left, currentPhotos_.leftCaption, leftPhotoRect_, leftScale);
        if (right) DrawPhotograph(1, currentPhotos_.right, currentPhotos_.rightCaption, rightPhotoRect_, rightScale);
      }
    }
  } else if (spread_ != -1) {
    DrawLeftJournalPage(current_.picture);
    const bool newest = spread_ == lastLocation;
    DrawJournalText(current_.opening, true, newest);
    if (ClosingTextShown(spread_)) DrawJournalText(current_.closing, false, newest);
  } else {
    DrawLeftJournalPage(TTextureRef());
  }
}

void LogBook_t::DrawBackTurn() {
  if (section_ == kJournal) {
    DrawLeftJournalPage(current_.picture);
    const bool newest = previousSpread_ == lastLocation;
    DrawJournalText(other_.opening, true, newest);
    if (ClosingTextShown(previousSpread_)) DrawJournalText(other_.closing, false, newest);
    DrawPageButtons();
  } else {
    if (HasRightPhoto(previousSpread_)) {
      DrawPhotograph(1, otherPhotos_.right, otherPhotos_.rightCaption,
                     FitPhotoRect(otherPhotos_.right, rightTextRect_), 1.0f);
    }
    if (transition_ == kToJournalRunning) DrawLeftJournalPage(current_.picture);
    else if (spread_ != -1) DrawPhotograph(0, currentPhotos_.left, currentPhotos_.leftCaption, leftPhotoRect_, 1.0f);
    if (state_ == kOpen) {
      if (spread_ > 0) DrawButton(prev_);
      if (previousSpread_ > -1 && previousSpread_ < GetLastSpread()) DrawButton(next_);
    }
  }
  if (firstHalf_) DrawTurningPage(leftLayers_, 1, 0);
  else DrawTurningPage(rightLayers_, 0, 0);
}

void LogBook_t::DrawForwardTurn() {
  if (section_ == kJournal) {
    DrawLeftJournalPage(other_.picture);
    if (transition_ == kForwardRunning) {
      const bool newest = spread_ == lastLocation;
      DrawJournalText(current_.opening, true, newest);
      if (ClosingTextShown(spread_)) DrawJournalText(current_.closing, false, newest);
    } else if (HasRightPhoto(spread_)) {
      DrawPhotograph(1, currentPhotos_.right, currentPhotos_.rightCaption, rightPhotoRect_, 1.0f);
    }
  } else {
    if (previousSpread_ != -1) {
      DrawPhotograph(0, otherPhotos_.left, otherPhotos_.leftCaption, FitPhotoRect(otherPhotos_.left, leftTextRect_),
                     1.0f);
    }
    if (HasRightPhoto(spread_))
      DrawPhotograph(1, currentPhotos_.right, currentPhotos_.rightCaption, rightPhotoRect_, 1.0f);
  }
  DrawPageButtons();
  if (firstHalf_) DrawTurningPage(rightLayers_, 0, 1);
  else DrawTurningPage(leftLayers_, 1, 1);
}

// --- Draw ---

namespace {
bool gComposing = true;
}  // namespace

void LogBook_t::SetComposingEnabled(bool enabled) { gComposing = enabled; }

bool LogBook_t::DrawComposedSpread() {
  if (!gComposing) return false;
  if (state_ != kOpen || transition_ != kIdle || writing_ || alpha_ != 1.0f || !background_) return false;
  if (zoomState == kZoomEnlarging || zoomState == kZoomShrinking) return false;
  if (pos.x < 0 || pos.y < 0 || pos.x != std::floor(pos.x) || pos.y != std::floor(pos.y)) return false;
  if (TDisplayHandler* h = GetDisplayHandler(); !h || h->GetViewportScale() != 1.0f) return false;
  // The key of this frame goes into kept storage: a still frame allocates nothing.
  ComposedSpread& c = spreadPicture_;
  SpreadKey(c.frameKey);
  const bool same = c.picture && c.frameKey == c.key && SameSpreadTexts(c.texts);
  if (!same) {
    c.composed = false;
    c.key.clear();
    // Composing can fail for a moment (inside another render target, a lost
    // device): it is tried again at the next frame.
    if (!ComposeSpread()) return false;
    SpreadKey(c.key);
    KeepSpreadTexts(c.texts);
  }
  if (!c.composed) return false;
  DrawImage(c.picture, 0, 0, 1.0f);
  DrawFrameButtons();
  DrawPageButtons();
  return true;
}

bool LogBook_t::ComposeSpread() {
  const uint32_t w = uint32_t(pos.x) + background_->GetWidth(), h = uint32_t(pos.y) + background_->GetHeight();
  TTextureRef& picture = spreadPicture_.picture;
  if (!picture || picture->GetWidth() != w || picture->GetHeight() != h) picture = TTexture::CreateBlank(w, h, true);
  TRenderer* renderer = TRenderer::GetInstance();
  // A render target ends the 2-D drawing it was opened in; it is entered
  // again afterwards for the rest of the frame.
  const bool was2d = renderer->Is2d();
  if (!picture || !renderer->BeginRenderTarget(picture, 4)) {
    if (was2d && !renderer->Is2d()) RestoreDrawing(renderer);
    return false;
  }
  // The book's own texels first, then what lies on it, as Draw draws them.
  const bool entered = renderer->Begin2d();
  renderer->SetBlendMode(kBlendModeAlpha);
  background_->CopyToScreen(int(pos.x), int(pos.y));
  DrawImage(leftPage_, float(leftPageRect_.left), float(leftPageRect_.top), alpha_);
  DrawImage(section_ == kPhotographs ? rightPagePhoto_ : rightPage_, float(rightPageRect_.left),
            float(rightPageRect_.top), alpha_);
  DrawStillSpread();
  if (entered) renderer->End2d();
  renderer->EndRenderTarget();
  if (was2d) RestoreDrawing(renderer);
  spreadPicture_.composed = KeepExactTexels();
  return true;
}

void LogBook_t::Draw() {
  if (!hasStyle_ || !enabled_ || state_ == kClosed) return;
  TRender2dScope scope;
  TRenderer::GetInstance()->SetBlendMode(kBlendModeAlpha);
  spreadPicture_.shown = DrawComposedSpread();
  if (spreadPicture_.shown) {
    if (magnifier_) DrawImage(magnifierImage_, mouse_.x, mouse_.y, 1.0f);
    return;
  }
  DrawImage(background_, pos.x, pos.y, alpha_);
  DrawFrameButtons();
  DrawImage(leftPage_, float(leftPageRect_.left), float(leftPageRect_.top), alpha_);
  const bool photoRight = section_ == kPhotographs || transition_ == kToPhotographsRunning;
  DrawImage(photoRight ? rightPagePhoto_ : rightPage_, float(rightPageRect_.left), float(rightPageRect_.top), alpha_);
  if (transition_ == kBackRunning || transition_ == kToJournalRunning) DrawBackTurn();
  else if (transition_ == kForwardRunning || transition_ == kToPhotographsRunning) DrawForwardTurn();
  else {
    DrawStillSpread();
    DrawPageButtons();
  }
  if (magnifier_) DrawImage(magnifierImage_, mouse_.x, mouse_.y, 1.0f);
}

// --- Input ---

bool LogBook_t::OverPhotograph(const TPoint& p) const {
  if (leftTextRect_.Contains(p) && leftPhotoRect_.Contains(p)) return true;
  return rightTextRect_.Contains(p) && HasRightPhoto(spread_) && rightPhotoRect_.Contains(p);
}

bool LogBook_t::OnMouseMove(const TPoint& p) {
  if (!hasStyle_) return false;
  if (!enabled_) return true;
  mouse_ = TVec2(float(p.x), float(p.y));
  if (state_ != kOpen) return false;
  for (Button_t* b : {prev_, next_, close_})
    if (b) b->OnMouseMove(p.x, p.y);
  if (!photosOnly && journalTab_) journalTab_->OnMouseMove(p.x, p.y);
  if (!photosOnly && photosTab_) photosTab_->OnMouseMove(p.x, p.y);
  if (spread_ != -1 && !photoNames_.empty() && section_ == kPhotographs && transition_ == kIdle &&
      zoomState == kZoomNone) {
    const bool over = OverPhotograph(p);
    if (over && !magnifier_) {
      magnifier_ = true;
      SetCursorTo("cursor/cursor_empty_for_magnifier");
    } else if (!over && magnifier_) {
      MagnifierOff();
    }
  }
  const float w = background_ ? float(background_->GetWidth()) : 0.0f;
  const float h = background_ ? float(background_->GetHeight()) : 0.0f;
  return pos.x <= float(p.x) && float(p.x) <= pos.x + w && pos.y <= float(p.y) && float(p.y) <= pos.y + h;
}

bool LogBook_t::OnMouseDown(const TPoint& p) {
  if (!hasStyle_) return false;
  if (!enabled_) return true;
  if (state_ != kOpen || spread_ == -1 || photoNames_.empty()) return false;
  if (section_ == kPhotographs && transition_ == kIdle) {
    switch (zoomState) {
      case kZoomNone: {
        int side = -1;
        if (leftTextRect_.Contains(p) && leftPhotoRect_.Contains(p)) side = 0;
        else if (rightTextRect_.Contains(p) && HasRightPhoto(spread_) && rightPhotoRect_.Contains(p)) side = 1;
        if (side >= 0) {
          timer_ = 0;
          zoomState = kZoomEnlarging;
          zoomSide = side;
          if (magnifier_) MagnifierOff();
          return true;
        }
        break;
      }
      case kZoomEnlarging:
      case kZoomShrinking:
        return true;
      case kZoomEnlarged:
        zoomState = kZoomShrinking;
        timer_ = 0;
        return true;
      default:
        break;
    }
  }
  for (Button_t* b : {prev_, next_, close_})
    if (b) b->OnMouseDown(p.x, p.y);
  if (!photosOnly && journalTab_) journalTab_->OnMouseDown(p.x, p.y);
  if (!photosOnly && photosTab_) photosTab_->OnMouseDown(p.x, p.y);
  return false;
}

bool LogBook_t::OnMouseUp(const TPoint& p) {
  if (!hasStyle_) return false;
  if (!enabled_) return true;
  if (state_ != kOpen) return false;
  if (section_ == kPhotographs && zoomState != kZoomNone) return false;
  // A click reaches the owner at once, which may act on it before the next button is asked.
  for (Button_t* b : {prev_, next_, close_})
    if (b) b->OnMouseUp(p.x, p.y);
  if (photosOnly) return false;
  if (journalTab_) journalTab_->OnMouseUp(p.x, p.y);
  if (photosOnly) return false;
  if (photosTab_) photosTab_->OnMouseUp(p.x, p.y);
  return false;
}
