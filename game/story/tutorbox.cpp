// The tutorial on the screen: the full-screen shadow, the box of the current
// step (background, text, live button), the pointer, and which mouse events
// the box lets through to the game.
#include <algorithm>

#include "game/shell/widgets/gamebutton.h"
#include "game/story/tutorscripts.h"
#include "platform/event.h"
#include "render/sprites/animsprite.h"
#include "render/drawparams.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "ui/text.h"

namespace {
// The shadow picture is drawn this many times its size around (100, 100);
// it covers 1024 x 768 from 58 x 43 pixels up.
constexpr float kShadowScale = 32.0f;
const TVec2 kShadowCentre(100.0f, 100.0f);
}  // namespace

// --- Drawing ---

float TutorScripts_t::BoxOffsetFor(const TutorItem_t& item) const {
  if (item.text.IsEmpty() || item.needShadow) return 0;
  // Beside the pointer: above it, or below it when above leaves the screen.
  float factor = item.IsToLeft() ? 1.3f : 2.0f;
  float height = background_ ? float(background_->GetHeight()) : 0.0f;
  float y = item.pointerPos.y - height * factor;
  if (y < 0) y = item.pointerPos.y + height * factor;
  return y - boxPos_.y;
}

void TutorScripts_t::DrawShadow() {
  // A clear shadow is not drawn: a full-screen picture at alpha 0 only costs.
  if (!shadow_.texture || shadow_.value <= 0) return;
  TDrawParams params(kShadowCentre, shadow_.value, kShadowScale, TDrawParams::kAnchorAtCenter);
  params.center = TVec2(float(shadow_.texture->GetWidth()) / 2.0f, float(shadow_.texture->GetHeight()) / 2.0f);
  shadow_.texture->Draw(params);
}

bool TutorScripts_t::OnKey(unsigned char c) {
  // A step without text draws no box, and leaves the keys to the game.
  if ((c != PlatformKey::kEnter && c != PlatformKey::kEscape) || !IsBoxShown() || GetCurrentItemPtr()->text.IsEmpty())
    return false;
  if (Button_t* button = GetLiveButton()) button->Click();
  return true;
}

Button_t* TutorScripts_t::GetLiveButton() const {
  const TutorItem_t* item = GetCurrentItemPtr();
  // A step without text draws no box: a button that is not drawn takes no
  // clicks.
  if (!item || item->text.IsEmpty()) return nullptr;
  bool last = IsLastItem();
  if (!last && (!item->HasImage() || item->IsToLeft())) return nextButton_.get();
  if (!screens_[size_t(currentScreen_)].useOnlyNext) return closeButton_.get();
  // A step with no way on at all (no click area, no event, no allowed
  // rectangle through which the game could move it on) still needs one.
  bool clickArea = item->HasImage() && !item->clickRect.IsEmpty();
  if (!clickArea && item->eventName.IsEmpty() && item->allowedRects.empty()) return nextButton_.get();
  return nullptr;
}

void TutorScripts_t::Draw() {
  if (!IsBoxShown()) return;
  const TutorItem_t& item = *GetCurrentItemPtr();
  if (!item.text.IsEmpty()) {
    boxOffset_ = BoxOffsetFor(item);
    if (background_) {
      TDrawParams params(TVec2(boxPos_.x, boxPos_.y + boxOffset_), 1.0f, 1.0f, TDrawParams::kAnchorAtCenter);
      background_->Draw(params);
    }
    if (textWindow_ && textWindow_->GetBlock()) {
      float height = float(textRect_.bottom - textRect_.top);
      textWindow_->GetBlock()->Draw(TVec2(float(textRect_.left), float(textRect_.top) + boxOffset_), height, 1.0f, 0,
                                    1.0f);
    }
    if (Button_t* button = GetLiveButton()) {
      int dy = int(boxOffset_);
      // Drawn with the box; the input handlers move the point the other way.
      button->drawRect.Offset(0, dy);
      button->Draw();
      button->drawRect.Offset(0, -dy);
    }
  }
  if (item.HasImage()) {
    const boost::shared_ptr<TAnimatedSprite>& sprite = item.IsToLeft() ? leftPointer_ : pointer_;
    if (sprite) sprite->Draw(TDrawParams(item.pointerPos, 1.0f, 1.0f, TDrawParams::kAnchorAtCenter), -1);
  }
}

// --- Input ---

bool TutorScripts_t::IsPointOnClickPicture(const TutorItem_t& item, int x, int y) {
  TTextureRef picture = item.clickPictName.IsEmpty() ? TTextureRef() : TTexture::Get(item.clickPictName);
  if (!picture) return false;
  int left = item.clickRect.left, top = item.clickRect.top;
  int w = int(picture->GetWidth()), h = int(picture->GetHeight());
  if (x < left || x >= left + w || y < top || y >= top + h) return false;
  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  // Without readable pixels the rectangle alone decides.
  if (!picture->Lock(&pixels, &pitch)) return true;
  bool opaque = true;
  if (pixels) {
    const TTextureData* data = picture->GetData();
    uint32_t px = uint32_t(x - left) + (data ? data->offsetX : 0);
    uint32_t py = uint32_t(y - top) + (data ? data->offsetY : 0);
    opaque = (pixels[size_t(py) * pitch + px] >> 24) != 0;
  }
  picture->Unlock();
  return opaque;
}

bool TutorScripts_t::InClickArea(const TutorItem_t& item, const TPoint& p) {
  if (!item.HasImage() || !item.clickRect.Contains(p)) return false;
  return item.clickPictName.IsEmpty() || IsPointOnClickPicture(item, p.x, p.y);
}

bool TutorScripts_t::InAllowedRect(const TutorItem_t& item, const TPoint& p) const {
  for (const TRect& r : item.allowedRects)
    if (r.Contains(p)) return true;
  return false;
}

bool TutorScripts_t::OnBackground(const TPoint& p) const {
  if (!background_) return false;
  // Where the box is drawn: a box beside its pointer takes the mouse there.
  int x = int(boxPos_.x), y = int(boxPos_.y + boxOffset_);
  TRect r(x, y, x + int(background_->GetWidth()), y + int(background_->GetHeight()));
  return r.Contains(p);
}

bool TutorScripts_t::OnMouseDown(const TPoint& p) {
  TutorItem_t* item = CurrentItem();
  if (!boxUp_ || !item) return false;
  if (Button_t* button = GetLiveButton()) {
    // The button may have just taken the place of the previous step's, under
    // a mouse that has not moved since.
    button->OnMouseMove(p.x, p.y - int(boxOffset_));
    button->OnMouseDown(p.x, p.y - int(boxOffset_));
  }
  if (InClickArea(*item, p)) {
    StopItemSound();
    return false;
  }
  // A clear pixel of the click picture counts as outside the click area.
  return !InAllowedRect(*item, p);
}

bool TutorScripts_t::OnMouseUp(const TPoint& p) {
  TutorItem_t* item = CurrentItem();
  if (!boxUp_ || !item) return false;
  int screen = currentScreen_, step = currentItem_;
  if (Button_t* button = GetLiveButton()) {
    button->OnMouseUp(p.x, p.y - int(boxOffset_));
    // The button's command may have moved the tutorial on.
    if (screen != currentScreen_ || step != currentItem_ || !boxUp_) return true;
    item = CurrentItem();
    if (!item) return true;
  }
  if (InClickArea(*item, p)) return false;
  return !InAllowedRect(*item, p);
}

bool TutorScripts_t::OnMouseMove(const TPoint& p) {
  TutorItem_t* item = CurrentItem();
  if (!boxUp_ || !item) return false;
  if (Button_t* button = GetLiveButton()) {
    if (button->OnMouseMove(p.x, p.y - int(boxOffset_))) return false;
  }
  if (OnBackground(p)) return false;
  if (InClickArea(*item, p)) return false;
  return !InAllowedRect(*item, p);
}

bool TutorScripts_t::IsOverClickRect(const TPoint& p) {
  TutorItem_t* item = CurrentItem();
  return boxUp_ && item && InClickArea(*item, p);
}

void TutorScripts_t::OnClickRect(const TPoint& p) {
  TutorItem_t* item = CurrentItem();
  TutorScreen_t* s = Current();
  if (!s || s->state == kDone || !boxUp_ || !item || !InClickArea(*item, p)) return;
  SetScreenShown(true);
}
