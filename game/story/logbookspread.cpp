// The journal's still open spread as one composed picture: the book, its
// pages, the pictures and the texts on them are drawn once into a render
// target and the picture is drawn at every frame until something on the
// spread changes (the key below) or the device gives up its surfaces.
#include <algorithm>
#include <cstring>

#include "game/shell/widgets/gamebutton.h"
#include "game/story/logbook.h"
#include "render/textures/texture.h"
#include "render/text/textblock.h"
#include "ui/text.h"

namespace {

void AddTexture(std::vector<uintptr_t>& key, const TTextureRef& t) {
  key.push_back(reinterpret_cast<uintptr_t>(t.get()));
  key.push_back(t && t->GetData() ? t->GetData()->surfaceSerial : 0);
}

// What the text shows, read in place.
const TString& TextOf(const TText* text) {
  static const TString kNone;
  return text && text->GetBlock() ? text->GetBlock()->GetText() : kNone;
}

void AddFloat(std::vector<uintptr_t>& key, float f) {
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  key.push_back(bits);
}

void AddRect(std::vector<uintptr_t>& key, const TRect& r) {
  for (int32_t v : {r.left, r.top, r.right, r.bottom}) key.push_back(uintptr_t(uint32_t(v)));
}

// Where the button can show any of its pictures.
TRect ButtonArea(const Button_t* b) {
  TRect area(b->drawRect.left, b->drawRect.top, b->drawRect.left, b->drawRect.top);
  for (const TTextureRef& t : {b->normalImage, b->pressedImage, b->rolloverImage, b->disabledImage}) {
    if (!t) continue;
    area.right = std::max(area.right, area.left + int32_t(t->GetWidth()));
    area.bottom = std::max(area.bottom, area.top + int32_t(t->GetHeight()));
  }
  return area;
}

}  // namespace

void LogBook_t::SpreadKey(std::vector<uintptr_t>& key) const {
  key.clear();
  for (int v : {section_, spread_, lastLocation, int(locationCompleted), int(writingSuppressed), int(photosOnly),
                zoomState, zoomSide, int(photoNames_.size())})
    key.push_back(uintptr_t(uint32_t(v)));
  for (float f : {pos.x, pos.y, zoomScale_, writingAlpha_, textColor_.r, textColor_.g, textColor_.b, textColor_.a})
    AddFloat(key, f);
  for (const TRect& r : {leftPageRect_, rightPageRect_, leftTextRect_, rightTextRect_, leftPhotoRect_, rightPhotoRect_})
    AddRect(key, r);
  for (const TTextureRef& t : {background_, leftPage_, rightPage_, rightPagePhoto_, headingImage_, current_.picture,
                               currentPhotos_.left, currentPhotos_.right, spreadPicture_.picture})
    AddTexture(key, t);
  for (const TText* t : SpreadTexts()) {
    key.push_back(reinterpret_cast<uintptr_t>(t));
    key.push_back(reinterpret_cast<uintptr_t>(t ? t->GetBlock() : nullptr));
  }
  for (const Button_t* b : {close_, journalTab_, photosTab_})
    if (b) AddRect(key, ButtonArea(b));
}

std::array<const TText*, 4> LogBook_t::SpreadTexts() const {
  return {current_.opening, current_.closing, currentPhotos_.leftCaption, currentPhotos_.rightCaption};
}

void LogBook_t::KeepSpreadTexts(std::vector<TString>& texts) const {
  texts.clear();
  for (const TText* t : SpreadTexts()) texts.push_back(TextOf(t));
}

bool LogBook_t::SameSpreadTexts(const std::vector<TString>& texts) const {
  const std::array<const TText*, 4> now = SpreadTexts();
  if (texts.size() != now.size()) return false;
  for (size_t i = 0; i < now.size(); ++i)
    if (!(TextOf(now[i]) == texts[i])) return false;
  return true;
}

bool LogBook_t::KeepExactTexels() {
  const TTextureRef& picture = spreadPicture_.picture;
  uint32_t *px = nullptr, *book = nullptr, pitch = 0, bookPitch = 0;
  if (!picture->Lock(&px, &pitch) || !px) {
    picture->Unlock();
    return false;
  }
  if (!background_->Lock(&book, &bookPitch) || !book) {
    background_->Unlock();
    picture->Unlock();
    return false;
  }
  // Drawn over the scene, a texel where the book is opaque gives the same
  // pixel as the pieces did (what lay under the book never showed through);
  // elsewhere only the book's own texel does. The close button and the tabs
  // are drawn after the picture, so they must lie on the book alone.
  std::vector<TRect> buttons;
  for (const Button_t* b : {close_, journalTab_, photosTab_})
    if (b) buttons.push_back(ButtonArea(b));
  const int x0 = int(pos.x), y0 = int(pos.y);
  const int w = int(picture->GetWidth()), h = int(picture->GetHeight());
  bool exact = true;
  for (int y = 0; y < h && exact; ++y) {
    uint32_t* row = px + size_t(y) * pitch;
    if (y < y0) {
      exact = std::all_of(row, row + w, [](uint32_t c) { return c == 0; });
      continue;
    }
    exact = std::all_of(row, row + x0, [](uint32_t c) { return c == 0; });
    const uint32_t* bookRow = book + size_t(y - y0) * bookPitch;
    for (int x = x0; x < w && exact; ++x) {
      uint32_t& c = row[x];
      const uint32_t b = bookRow[x - x0];
      if (c == b) continue;
      if ((b >> 24) != 0xFFu) exact = false;
      for (const TRect& r : buttons)
        if (r.Contains(TPoint(x, y))) exact = false;
      c |= 0xFF000000u;
    }
  }
  background_->Unlock();
  picture->Unlock();
  return exact;
}
