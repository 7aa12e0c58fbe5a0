#include "ui/drawenvironment.h"

#include "render/device/displayhandler.h"
#include "render/textures/texture.h"

bool TRendererWindowEnvironment::HasDisplay() {
  TDisplayHandler* display = GetDisplayHandler();
  return display && display->IsUsable();
}

TRect TRendererWindowEnvironment::GetViewport() {
  TDisplayHandler* display = GetDisplayHandler();
  if (!display) return TWindowEnvironment::GetViewport();
  return TRect(0, 0, display->GetWidth(), display->GetHeight());
}

bool TRendererWindowEnvironment::BeginDraw() {
  TRenderer* r = TRenderer::GetInstance();
  if (!r->BeginDraw(0)) return false;
  entered2d_ = r->Begin2d();
  r->SetBlendMode(kBlendModeAlpha);
  return true;
}

void TRendererWindowEnvironment::EndDraw() {
  TRenderer* r = TRenderer::GetInstance();
  if (entered2d_) r->End2d();
  entered2d_ = false;
  r->DrawDebugOverlay(true);
}

TRect TRendererWindowEnvironment::GetCurrentViewport() {
  TRenderer* r = TRenderer::GetInstance();
  TRect current = r->GetCurrentViewport();
  return current.IsEmpty() ? r->GetViewport() : current;
}

void TRendererWindowEnvironment::PushViewport(const TRect& rect) { TRenderer::GetInstance()->PushViewport(rect); }

void TRendererWindowEnvironment::PopViewport() { TRenderer::GetInstance()->PopViewport(); }

void TRendererWindowEnvironment::PushClipRect(const TRect& rect) { TRenderer::GetInstance()->PushClipRect(rect); }

void TRendererWindowEnvironment::PopClipRect() { TRenderer::GetInstance()->PopClipRect(); }

void TRendererWindowEnvironment::FillRect(const TRect& rect, const TFloatColor& color) {
  TRenderer::GetInstance()->FillRect(rect, color);
}

bool TRendererWindowEnvironment::BeginLayerTarget() {
  return layer && TRenderer::GetInstance()->BeginRenderTarget(layer, 0);
}

void TRendererWindowEnvironment::EndLayerTarget() { TRenderer::GetInstance()->EndRenderTarget(); }

void TRendererWindowEnvironment::CopyLayerTarget() {
  if (layer) layer->CopyToScreen(0, 0);
}
