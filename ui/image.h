// TImage: the stock image window (Lua type "Bitmap"): one texture at a scale,
// flipped or turned a quarter, sized to the picture unless the style gives a
// size. Buttons show one per state, sliders one for the thumb.
#pragma once
#include <cstdint>

#include "render/textures/texture.h"
#include "ui/widgetroles.h"
#include "ui/window.h"

class TImage : public TWindow, public TImageRole {
  LANTERN_WINDOW_CLASS(TImage, TWindow)

public:
  // With `layerFlag` the window takes part in the layer pass. Images paint
  // their whole rectangle (opaque) unless the style asks for "alpha".
  explicit TImage(bool layerFlag = false);

  // Style keys "image", "mask", "scale", "alpha", "mipmap", "hflip",
  // "vflip", "rotate", "autoscale", then the window's own keys (last, so a
  // size in the style wins over the picture's).
  void Init(TWindowStyle& style) override;
  void Draw() override;

  // Shows the texture at the scale; a texture sizes the window to
  // round(picture x scale), the sides swapped when turned.
  void SetTexture(const TTextureRef& texture, float scale);
  const TTextureRef& GetTexture() const { return texture_; }
  // Bits 1 (horizontal) and 2 (vertical), as the draw record's flags.
  void SetFlip(uint32_t bits);
  uint32_t GetFlip() const { return flip_; }
  void SetRotate(bool rotate);
  bool GetRotate() const { return rotate_; }
  float GetScale() const { return scale_; }
  void SetAlpha(float alpha) { alpha_ = alpha; }

  // The draw record Draw uses (flip bits + 8, the quarter turn about (0, picture height)).
  TDrawParams MakeDrawParams() const;

  // The image role ("_SetBitmap", "ImageLoaded").
  void SetImage(const TString& file, float scale) override;
  bool HasImage() const override { return static_cast<bool>(texture_); }

private:
  void SizeToTexture();

  TTextureRef texture_;
  float scale_ = 1.0f;
  float alpha_ = 1.0f;
  uint32_t flip_ = 0;
  bool rotate_ = false;
};
