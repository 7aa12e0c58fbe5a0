// The journal's pages and photographs: which page belongs to which
// location, the texts stamped with the location's dates, the photographs of a
// spread, and the two pictures made at run time (a text as a texture, a
// photograph's place on its page).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "game/shell/widgets/gameutils.h"
#include "game/story/logbook.h"
#include "platform/log.h"
#include "render/device/displayhandler.h"
#include "render/renderer.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "ui/text.h"

namespace {

// Largest text texture side; bigger requests are cut to it.
constexpr int kTextTextureLimit = 2048;

void SetText(TText* text, const TString& value) {
  if (text) text->SetText(value);
}

}  // namespace

TString LogBook_t::FormatTemplate(const TString& format, const TString& first, const TString& second) {
  const std::string& in = format.str();
  std::string out;
  out.reserve(in.size() + first.str().size() + second.str().size());
  int used = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '%' && i + 1 < in.size()) {
      char c = in[i + 1];
      if (c == 's' && used < 2) {
        out += (used++ == 0 ? first : second).str();
        ++i;
        continue;
      }
      if (c == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += in[i];
  }
  return TString(std::move(out));
}

int LogBook_t::CountJournalPages() const {
  return int(std::min(GetGameProgress().locationInfos.size(), size_t(GetPageCount())));
}

void LogBook_t::AddEntry(const TString& name) {
  if (std::find(photoNames_.begin(), photoNames_.end(), name) != photoNames_.end()) return;
  photoNames_.push_back(name);
  captions_.push_back(GetLocalizedText((name + "_info").str()));
}

void LogBook_t::AddPage() {
  const GameProgress& progress = GetGameProgress();
  const int pages = GetPageCount();
  int page = 0;
  // Page i belongs to the i-th location record, by position only.
  for (const LocationInfo& info : progress.locationInfos) {
    if (page >= pages) {
      if (!pageLimitLogged_)
        TraceOut("LogBook_t: %zu location records but only %d journal pages; the later ones get none",
                 progress.locationInfos.size(), pages);
      pageLimitLogged_ = true;
      break;
    }
    TString startDate, startTime, passDate, passTime;
    info.GetDateTimes(&startDate, &startTime, &passDate, &passTime);
    openingTexts_[size_t(page)] = FormatTemplate(openingTemplates_[size_t(page)], startDate, startTime);
    closingTexts_[size_t(page)] = FormatTemplate(closingTemplates_[size_t(page)], passDate, passTime);
    ++page;
  }
  for (int rest = page; rest < pages; ++rest) {
    openingTexts_[size_t(rest)] = TString();
    closingTexts_[size_t(rest)] = TString();
  }
  // The newest page is one that exists.
  lastLocation = std::max(-1, std::min(lastLocation, page - 1));
  if (lastLocation != -1 && !photosOnly) LoadJournalSet(current_, lastLocation);
}

void LogBook_t::Rebuild() {
  zoomScale_ = 1.0f;
  alpha_ = 0;
  writingAlpha_ = 0;
  photosOnly = false;
  state_ = kClosed;
  section_ = kJournal;
  transition_ = kIdle;
  writing_ = false;
  timer_ = 0;
  firstHalf_ = false;
  leftLayers_.clear();
  rightLayers_.clear();
  if (magnifier_) MagnifierOff();
  magnifierImage_ = TTexture::Get("cursor/magnifier", 0);
  AddPage();
  spread_ = lastLocation;
  previousSpread_ = -1;
  LoadJournalSet(current_, spread_);
  LoadJournalSet(other_, -1);
  // The photographs section starts on its last spread.
  LoadPhotoSet(currentPhotos_, GetLastSpread(), true);
  LoadPhotoSet(otherPhotos_, -1, false);
}

void LogBook_t::LoadJournalSet(JournalSet& set, int page) {
  if (page < 0 || page > lastLocation || page >= GetPageCount() || photosOnly) {
    set.picture.reset();
    SetText(set.opening, TString());
    SetText(set.closing, TString());
    return;
  }
  const TString& image = pageImages_[size_t(page)];
  set.picture = image.IsEmpty() ? TTextureRef() : TTexture::Get(image, 0);
  SetText(set.opening, openingTexts_[size_t(page)]);
  SetText(set.closing, closingTexts_[size_t(page)]);
}

void LogBook_t::LoadPhotoSet(PhotoSet& set, int spread, bool current) {
  const size_t n = photoNames_.size();
  set.left.reset();
  set.right.reset();
  SetText(set.leftCaption, TString());
  SetText(set.rightCaption, TString());
  if (spread >= 0 && 2 * size_t(spread) < n) {
    const size_t l = 2 * size_t(spread);
    set.left = TTexture::Get(photoNames_[l], 0);
    SetText(set.leftCaption, captions_[l]);
    if (l + 1 < n) {
      set.right = TTexture::Get(photoNames_[l + 1], 0);
      SetText(set.rightCaption, captions_[l + 1]);
    }
  }
  if (!current) return;
  leftPhotoRect_ = set.left ? FitPhotoRect(set.left, leftTextRect_) : leftTextRect_;
  rightPhotoRect_ = set.right ? FitPhotoRect(set.right, rightTextRect_) : rightTextRect_;
}

TRect LogBook_t::FitPhotoRect(const TTextureRef& texture, const TRect& rect) {
  const float w = texture ? float(texture->GetWidth()) : 0.0f;
  const float h = texture ? float(texture->GetHeight()) : 0.0f;
  float x = float(rect.left) + float(rect.right - rect.left) * 0.5f - w * 0.5f;
  int left = int(x);
  return TRect(left, rect.top, left + int(w), rect.top + int(h));
}

namespace {

// The picture of the last text made to be kept (the heading, made at every
// opening of a journal), as pixels: the same words, box, alignment and font
// on the same display (its serial and depth) are copied, not rasterised and
// keyed again.
struct TKeptText {
  TString text, font;
  int w = 0, h = 0, alignment = 0, fontHeight = 0;
  uint64_t display = 0;
  std::vector<uint32_t> pixels;  // w x h, as the texture was left
  bool Is(const TString& t, const TString& f, int width, int height, int align, int fh, uint64_t d) const {
    return w == width && h == height && alignment == align && fontHeight == fh && display == d && text == t &&
           font == f;
  }
};
TKeptText& KeptText() {
  static TKeptText kept;  // none while its pixels are empty
  return kept;
}

// The display now: its handler's serial, and its depth.
uint64_t DisplayNow() {
  TDisplayHandler* h = GetDisplayHandler();
  if (!h || !h->Data().backBuffer) return 0;
  return h->GetSerial() << 8 | h->Data().backBuffer->Format().bitCount;
}

}  // namespace

TTextureRef LogBook_t::RenderTextTexture(const TVec2& size, const TString& text, int alignment, int fontHeight,
                                         bool keep) const {
  if (text.IsEmpty() || !(size.x >= 1.0f) || !(size.y >= 1.0f)) return TTextureRef();
  const int w = int(std::min(size.x, float(kTextTextureLimit)));
  const int h = int(std::min(size.y, float(kTextTextureLimit)));
  const uint64_t display = DisplayNow();
  TKeptText& kept = KeptText();
  if (keep && !kept.pixels.empty() && kept.Is(text, font_, w, h, alignment, fontHeight, display)) {
    // Filled by a copy: no render target (nor its depth buffer) is needed.
    TTextureRef texture = TTexture::CreateBlank(uint32_t(w), uint32_t(h), false);
    uint32_t* pixels = nullptr;
    uint32_t pitch = 0;
    if (texture && texture->Lock(&pixels, &pitch) && pixels) {
      for (int y = 0; y < h; ++y)
        std::memcpy(pixels + size_t(y) * pitch, kept.pixels.data() + size_t(y) * size_t(w), size_t(w) * 4);
      texture->Unlock();
      return texture;
    }
    if (texture) texture->Unlock();  // drawn as the first time, which tells what failed
  }
  TTextureRef texture = TTexture::CreateBlank(uint32_t(w), uint32_t(h), true);
  if (!texture) {
    TraceOut("LogBook_t: no %d x %d texture for a journal text", w, h);
    return TTextureRef();
  }
  TTextBlock* block = TTextBlock::Create(text, w, h, alignment, font_, fontHeight, TFloatColor(0, 0, 0, 1));
  if (!block) return TTextureRef();
  TRenderer* renderer = TRenderer::GetInstance();
  bool drawn = renderer->BeginRenderTarget(texture, 1);
  if (drawn) {
    bool entered = renderer->Begin2d();
    renderer->FillRect(TRect(0, 0, w, h), TFloatColor(1, 1, 1, 1));
    block->Draw(TVec2(0, 0), float(h), 1.0f, 0, 1.0f);
    if (entered) renderer->End2d();
    renderer->EndRenderTarget();
  }
  TTextBlock::Destroy(block);
  if (!drawn) {
    // An unfilled texture would key to an opaque black box.
    TraceOut("LogBook_t: a journal text could not be drawn into its texture");
    return TTextureRef();
  }
  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  if (!texture->Lock(&pixels, &pitch) || !pixels) {
    texture->Unlock();
    TraceOut("LogBook_t: a journal text texture could not be locked");
    return TTextureRef();
  }
  // White paper becomes transparent; every other pixel is ink.
  for (int y = 0; y < h; ++y) {
    uint32_t* row = pixels + size_t(y) * pitch;
    for (int x = 0; x < w; ++x) {
      uint32_t c = row[x] & 0x00FFFFFFu;
      row[x] = ((c >> 16) & 0xFFu) == 0xFFu ? c : (c | 0xFF000000u);
    }
  }
  if (!keep) {
    texture->Unlock();
    return texture;
  }
  kept = TKeptText{text, font_, w, h, alignment, fontHeight, display, std::vector<uint32_t>(size_t(w) * size_t(h))};
  for (int y = 0; y < h; ++y)
    std::memcpy(kept.pixels.data() + size_t(y) * size_t(w), pixels + size_t(y) * pitch, size_t(w) * 4);
  texture->Unlock();
  return texture;
}
