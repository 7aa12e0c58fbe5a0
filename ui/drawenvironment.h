// The window toolkit's drawing on the renderer front (render/): frames,
// viewports, clip rectangles, fills and the layer texture. The platform's
// environment (ui/hooks.h) derives from it.
#pragma once
#include "render/renderer.h"
#include "ui/windowmanager.h"

class TRendererWindowEnvironment : public TWindowEnvironment {
public:
  bool HasDisplay() override;
  TRect GetViewport() override;
  // Begins the frame and enters 2-D drawing.
  bool BeginDraw() override;
  // Leaves 2-D drawing and ends the frame, which presents it.
  void EndDraw() override;
  TRect GetCurrentViewport() override;
  void PushViewport(const TRect& rect) override;
  void PopViewport() override;
  void PushClipRect(const TRect& rect) override;
  void PopClipRect() override;
  void FillRect(const TRect& rect, const TFloatColor& color) override;
  bool HasLayerTarget() override { return static_cast<bool>(layer); }
  bool BeginLayerTarget() override;
  void EndLayerTarget() override;
  void ReleaseLayerTarget() override { layer.reset(); }
  void CopyLayerTarget() override;

  // The render target of the layer pass; empty by default.
  TTextureRef layer;

private:
  bool entered2d_ = false;
};
