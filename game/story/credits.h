// The credits roll: TCredits (Lua type "CreditsWindow") scrolls one
// translated text of the string table upwards in an endless loop. The text
// is laid out once, twice in a row with a window's height of line breaks
// after each copy, so the end of one pass runs on into the start of the
// next. The scroll follows the play clock, not the frame count: after
// "intropause" milliseconds standing still, one pass (the height of one
// copy) takes "time" milliseconds.
//
// Style keys: "time", "intropause", "columngap", "columnwidth" (the text is
// one gap plus two column widths wide, centred, and drawn from one gap in
// from the left), "font", "fontsize" (16), "fontcolor" {r, g, b, a},
// "headercolor", "file" and "credits_text" (the string-table label). A
// "time" or "fontsize" that is not positive is refused (logged): without a
// pass time the text stands still, a font size falls back to 16.
// Depends on render/ (text layout), ui/ and the shell's game data.
#pragma once
#include <cstdint>

#include "platform/color.h"
#include "ui/window.h"

class TTextBlock;

class TCredits : public TWindow {
  LANTERN_WINDOW_CLASS(TCredits, TWindow)

public:
  static constexpr int kDefaultFontSize = 16;

  TCredits();
  ~TCredits() override;

  void Init(TWindowStyle& style) override;
  // Asks for a redraw; always true.
  bool Update() override;
  void Draw() override;

  // Pixels scrolled within the current pass after `elapsed` milliseconds of
  // scrolling: ((elapsed mod passTime) x passHeight) / passTime, exact for
  // every pass time and height (the product is taken in 64 bits). 0 without
  // a pass time.
  static float ScrollOffset(uint32_t elapsed, uint32_t passTime, int passHeight);
  // The scrolling time after the intro pause, `now` and `start` in play
  // milliseconds.
  static uint32_t ScrollTime(uint32_t now, uint32_t start, uint32_t introPause);

  // The offset of the next drawing (the clock starts at the first drawing).
  float CurrentOffset();

  TTextBlock* GetBlock() const { return block_; }
  int GetPassHeight() const { return passHeight_; }
  int GetFontSize() const { return fontSize_; }
  uint32_t GetPassTime() const { return passTime_; }
  uint32_t GetIntroPause() const { return introPause_; }
  int GetColumnGap() const { return columnGap_; }
  int GetColumnWidth() const { return columnWidth_; }
  const TString& GetHeaderColor() const { return headerColor_; }
  // The number of line breaks appended to each copy of the text.
  int GetPaddingLines() const { return paddingLines_; }

private:
  TTextBlock* block_ = nullptr;
  bool started_ = false;
  uint32_t startTime_ = 0;
  int passHeight_ = 0;
  TString font_;
  int fontSize_ = kDefaultFontSize;
  int columnGap_ = 0;
  uint32_t passTime_ = 0;
  uint32_t introPause_ = 0;
  int columnWidth_ = 0;
  TFloatColor fontColor_{1, 1, 1, 1};
  TString headerColor_;
  TString file_;
  TString label_;
  int paddingLines_ = 0;
};
