// TSlider: the stock slider (Lua type "Slider"): a rail drawn from three
// images (start cap, stretched middle, end cap) and a thumb the player drags.
// Its value runs from 0 to 1. Dragging reports every change
// (kSliderValChanged), a press on the rail beside the thumb reports a page
// step (kSliderPageUp, kSliderPageDown) and leaves the value alone, and the
// release reports kSliderMouseUp. Messages bubble synchronously from the
// slider's parent.
#pragma once
#include <cstdint>

#include "render/textures/texture.h"
#include "ui/window.h"

class TImage;

class TSlider : public TWindow {
  LANTERN_WINDOW_CLASS(TSlider, TWindow)

public:
  TSlider();
  ~TSlider() override;

  // Style keys "w", "h", "hslider", "railtop", "railmid", "railbot",
  // "sliderimage", "sliderrollimage", "name", "scale", "yoffset", "value".
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;

  float GetValue() const { return value_; }
  // Clamps to 0..1, places the thumb and, unless silent, reports the change.
  void SetValue(float value, bool silent);
  void SetRailTextures(const TTextureRef& start, const TTextureRef& middle, const TTextureRef& end);
  void SetThumbTextures(const TTextureRef& normal, const TTextureRef& rollover);

  // The value the last press on the rail pointed at: the thumb's middle
  // under the press (0..1). A listener paging toward the press stops there.
  float GetPressValue() const { return pressValue_; }
  bool IsHorizontal() const { return horizontal_; }
  bool IsDragging() const { return dragging_ != 0; }
  int GetThickness() const { return thickness_; }
  TImage* GetThumb() const { return thumb_; }

private:
  void Layout();
  void PlaceThumb();
  void ShowThumb(bool rollover);
  bool InThumb(const TPoint& p) const;
  void Report(uint32_t type);
  // One rail piece from `pos` along the rail, `length` long (0: its own height).
  void DrawPiece(const TTextureRef& texture, int pos, int length, uint32_t colour);

  int dragging_ = 0;
  bool initialised_ = false;
  TImage* thumb_;
  TTextureRef thumbNormal_, thumbRollover_;
  TTextureRef railStart_, railMiddle_, railEnd_;
  float value_ = 0.0f;
  float pressValue_ = 0.0f;
  float scale_ = 1.0f;
  float railAlpha_ = 1.0f;
  int crossOffset_ = 0;
  int thickness_ = 0;
  bool horizontal_ = false;
};
