#include "game/story/credits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "game/shell/widgets/gameutils.h"
#include "game/story/storyutil.h"
#include "platform/log.h"
#include "render/renderer.h"
#include "render/text/textblock.h"
#include "ui/text.h"
#include "ui/windowmanager.h"
#include "ui/windowstyle.h"

namespace {
// Column sizes and pauses stay within these bounds.
constexpr int kMaxColumn = 1 << 14;
constexpr int kMaxPaddingLines = 4096;

uint32_t ToUnsigned(int value) { return value > 0 ? uint32_t(value) : 0u; }

int Channel(float v) {
  if (!(v > 0)) return 0;
  return std::min(255, int(v * 255.0f));
}
}  // namespace

TCredits::TCredits() = default;

TCredits::~TCredits() {
  if (block_) TTextBlock::Destroy(block_);
}

void TCredits::Init(TWindowStyle& style) {
  TWindow::Init(style);
  int time = GetStyleInt(style, "time", 0);
  if (time <= 0) TraceOut("CreditsWindow: \"time\" must be positive (it is %d); the credits stand still", time);
  passTime_ = ToUnsigned(time);
  introPause_ = ToUnsigned(GetStyleInt(style, "intropause", 0));
  columnGap_ = std::max(0, std::min(kMaxColumn, GetStyleInt(style, "columngap", 0)));
  columnWidth_ = std::max(0, std::min(kMaxColumn, GetStyleInt(style, "columnwidth", 0)));
  font_ = style.GetString("font", TString());
  double size = style.GetNumber("fontsize", kDefaultFontSize);
  if (!(size >= 1) || size > TText::kMaxFontSize) {
    TraceOut("CreditsWindow: \"fontsize\" must be from 1 to %d (it is %g); %d is used", TText::kMaxFontSize, size,
             kDefaultFontSize);
    size = kDefaultFontSize;
  }
  fontSize_ = int(size);
  std::array<float, 4> colour = style.GetRect("fontcolor", {1, 1, 1, 1});
  fontColor_ = TFloatColor(colour[0], colour[1], colour[2], colour[3]);
  std::array<float, 4> header = style.GetRect("headercolor", {1, 1, 1, 1});
  headerColor_.AssignFormat("%02x%02x%02x%02x", Channel(header[0]), Channel(header[1]), Channel(header[2]),
                            Channel(header[3]));
  file_ = style.GetString("file", TString());
  label_ = style.GetString("credits_text", TString());

  const int height = std::max(0, GetHeight());
  TString text = label_.IsEmpty() ? TString() : GetLocalizedText(label_.str());
  paddingLines_ = std::min(kMaxPaddingLines, height / fontSize_);
  text += TString(std::string(size_t(paddingLines_), '\n'));
  const int width = columnGap_ + 2 * columnWidth_;
  block_ = TTextBlock::Create(text + text, width, height, TTextBlock::kHAlignCenter, font_, fontSize_, fontColor_);
  // One pass is the height of one copy, measured as the difference between
  // the two copies and the one: the layout ends a text that ends in a line
  // break with an empty line of its own, so half of the doubled height
  // would be half a line too long and the roll would jump at each wrap.
  TTextBlock* single = TTextBlock::Create(text, width, height, TTextBlock::kHAlignCenter, font_, fontSize_,
                                          fontColor_);
  if (block_ && single) {
    TRect both, one;
    block_->GetTextBounds(both, 1.0f);
    single->GetTextBounds(one, 1.0f);
    passHeight_ = std::max(0, both.bottom - one.bottom);
  }
  if (single) TTextBlock::Destroy(single);
  started_ = false;
  startTime_ = 0;
  int rate = story::ReadAnimRate();
  Animate(uint32_t(rate), true, true, false);
}

bool TCredits::Update() {
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  return true;
}

float TCredits::ScrollOffset(uint32_t elapsed, uint32_t passTime, int passHeight) {
  if (passTime == 0 || passHeight <= 0) return 0;
  uint64_t product = uint64_t(elapsed % passTime) * uint64_t(passHeight);
  return float(double(product) / double(passTime));
}

uint32_t TCredits::ScrollTime(uint32_t now, uint32_t start, uint32_t introPause) {
  uint32_t elapsed = now - start;
  return elapsed < introPause ? 0 : elapsed - introPause;
}

float TCredits::CurrentOffset() {
  uint32_t now = story::PlayTime();
  if (!started_) {
    started_ = true;
    startTime_ = now;
  }
  return ScrollOffset(ScrollTime(now, startTime_, introPause_), passTime_, passHeight_);
}

void TCredits::Draw() {
  float offset = CurrentOffset();
  if (!block_) return;
  TRender2dScope scope;
  // Whole lines scroll the block; the rest moves the box up by pixels, so
  // the roll moves smoothly.
  float lineHeight = block_->GetLineHeight() > 0 ? block_->GetLineHeight() : float(fontSize_);
  float lines = offset / lineHeight;
  float first = std::floor(lines);
  float shift = (lines - first) * lineHeight;
  block_->SetScroll(first);
  // The box starts a line above the window and ends two below it, so lines
  // partly shown at both edges are drawn.
  const float top = -float(fontSize_);
  const float boxHeight = float(GetHeight() + 3 * fontSize_);
  block_->Draw(TVec2(float(columnGap_), top - shift), boxHeight + shift, 1.0f, 0, 1.0f);
}
