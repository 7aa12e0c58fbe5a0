// TText: the stock text window (Lua type "Text"): a block of laid-out text
// with markup, links that act as the command buttons they name, scrolling and
// rotation. The text block (render/text/textblock.h) lays it out and draws it;
// this window reads the style keys and handles the mouse.
#pragma once
#include "platform/color.h"
#include "ui/widgetroles.h"
#include "ui/window.h"

class TTextBlock;

class TText : public TWindow, public TTextRole {
  LANTERN_WINDOW_CLASS(TText, TWindow)

public:
  // With `layerFlag` the window takes part in the layer pass.
  explicit TText(bool layerFlag = false);
  ~TText() override;

  // Style keys: "font" {face, size, {r, g, b, a}}, "label", "defflags",
  // "flags", "padding", "rotation", "rotationOriginX", "rotationOriginY",
  // "rotationAlign", then the window's own keys.
  void Init(TWindowStyle& style) override;
  void Draw() override;
  // Shows the text from its first line (0) to its last lines (1).
  void SetScroll(float fraction) override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;

  // Makes the text block for a width x height area and shows the text; false
  // (nothing done) for an empty area.
  bool CreateText(const TString& text, int width, int height, int flags, const TString& face, int size,
                  const TFloatColor& colour);
  // Replaces the text (nothing without a block or when it is unchanged).
  void SetText(const TString& text) override;
  TString GetText() const override;
  void SetColor(const TFloatColor& colour);
  void SetRotation(float degrees, int originX, int originY);
  // The laid-out text's bounds at scale 1.
  void GetTextBounds(TRect& out) const;

  TTextBlock* GetBlock() const { return block_; }
  int GetPadding() const { return padding_; }
  void SetTextAlpha(float alpha) { textAlpha_ = alpha; }
  void SetTextScale(float scale) { textScale_ = scale; }

  // Font defaults of the style.
  static constexpr int kDefaultFontSize = 16;
  static constexpr int kZeroFontSize = 12;     // what a size of 0 becomes
  static constexpr int kMaxFontSize = 1024;

protected:
  // Sets the block's text directly (the text edit shows its own rendering of its text).
  void ShowText(const TString& text);

private:
  TTextBlock* block_ = nullptr;
  float textScale_ = 1.0f;
  float textAlpha_ = 1.0f;
  int padding_ = 0;
  float scrollBias_ = 0.5f;
  TString pressedLink_;
};
