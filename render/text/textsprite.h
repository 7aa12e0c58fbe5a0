// render/text: vector fonts, their rasteriser, text layout and text sprites.
// TTextSprite: a sprite that shows a text block. Its draw record places the
// block's top-left (with flag 8) or the middle of its box; the record's
// scale and alpha apply to the text. Bounds and hit tests use the laid-out text.
#pragma once
#include "render/sprites/sprite.h"
#include "render/text/textblock.h"

class TTextSprite : public TSprite {
public:
  static const char* ClassId() { return "TTextSprite"; }
  // A text sprite without text: box width and height, alignment (horizontal
  // + 4 x vertical), font name and size, colour. `layer` is the sprite layer.
  static boost::shared_ptr<TTextSprite> Create(int width, int height, int alignment, const TString& fontName,
                                               int fontSize, const TFloatColor& colour, int layer = 0);
  ~TTextSprite() override;

  const char* GetClassName() const override { return "TTextSprite"; }
  bool IsA(TClassId id) const override { return id == &TTextSprite::ClassId || TSprite::IsA(id); }
  void Draw(const TDrawParams& parent, int depth) override;
  void GetBounds(TRect& out, const TDrawParams& parent, bool withChildren) override;
  bool HitTest(const TPoint& point, int threshold, const TDrawParams& parent = TDrawParams(),
               int depth = 0) override;

  void SetText(const TString& text) { block_->SetText(text); }
  TTextBlock* GetTextBlock() const { return block_; }

private:
  explicit TTextSprite(TTextBlock* block, int layer) : TSprite(layer), block_(block) {}
  // Where the block's top-left lands and the scale of the record.
  void Place(const TDrawParams& combined, TVec2& topLeft, float& scale) const;
  TTextBlock* block_;
};
