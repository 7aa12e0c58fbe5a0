#include "render/sprites/dxcursor.h"

#include "platform/time.h"
#include "render/textures/texture.h"

TDXSoftwareCursor::TDXSoftwareCursor(TDXContext* context, TDXCursorHooks hooks)
    : context_(context), hooks_(std::move(hooks)), cursor_(this, &context->Mutex()) {
  context_->SetCursor(this);
}

TDXSoftwareCursor::~TDXSoftwareCursor() {
  std::lock_guard<std::recursive_timed_mutex> lock(context_->Mutex());
  if (context_->GetCursor() == this) context_->SetCursor(nullptr);
}

bool TDXSoftwareCursor::SetMouseTexture(const boost::shared_ptr<TTexture>& texture, int hotX, int hotY,
                                        bool second) {
  if (!texture) return false;
  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  if (!texture->Lock(&pixels, &pitch)) return false;
  bool ok = cursor_.SetMouseImage(pixels, int(texture->GetWidth()), int(texture->GetHeight()), int(pitch), hotX,
                                  hotY, second);
  texture->Unlock();
  if (ok) {
    std::lock_guard<std::recursive_timed_mutex> lock(context_->Mutex());
    (second ? secondTexture_ : mainTexture_) = texture;
  }
  return ok;
}

boost::shared_ptr<TTexture> TDXSoftwareCursor::GetMouseTexture() {
  std::lock_guard<std::recursive_timed_mutex> lock(context_->Mutex());
  if (!mainTexture_ || cursor_.GetWidth() < 1 || cursor_.GetHeight() < 1) return nullptr;
  return mainTexture_;
}

void TDXSoftwareCursor::ResetMouseState(TDXContext&) {
  cursor_.ResetMouseState();
  cursor_.RestoreMouseImage();  // the screen format may have changed
}

bool TDXSoftwareCursor::DrawIntoBackBuffer(TDXContext&) {
  cursor_.DrawMouse(-1, -1, true);
  return cursor_.IsWaitingForPresent();
}

void TDXSoftwareCursor::AfterPresent(TDXContext& context) {
  cursor_.NotifyPresented();
  if (context.IsWindowed()) cursor_.RestoreBackBuffer();
}

void TDXSoftwareCursor::EraseFromBackBuffer(TDXContext&) { cursor_.RestoreBackBuffer(); }

void TDXSoftwareCursor::ReleaseSurfaces(TDXContext&) { cursor_.ResetMouseState(); }

bool TDXSoftwareCursor::FrontHoldsFrame() const {
  const sdev::Surface* front = context_->GetFrontBuffer();
  return !front || front->HoldsFrame();
}

sdev::Surface* TDXSoftwareCursor::Target(bool backBuffer) const {
  return backBuffer ? context_->GetBackBuffer() : context_->GetFrontBuffer();
}

bool TDXSoftwareCursor::LockTarget(bool backBuffer, TCursorSurface* out) {
  sdev::Surface* s = Target(backBuffer);
  if (!s) return false;
  sdev::SurfaceDesc desc;
  if (sdev::Failed(s->GetSurfaceDesc(&desc))) return false;
  void* bits = nullptr;
  int32_t pitch = 0;
  if (sdev::Failed(s->Lock(nullptr, &bits, &pitch, 0))) return false;
  *out = TCursorSurface{static_cast<uint8_t*>(bits), int(desc.width), int(desc.height), int(pitch)};
  return true;
}

void TDXSoftwareCursor::UnlockTarget(bool backBuffer) {
  if (sdev::Surface* s = Target(backBuffer)) s->Unlock();
}

TCursorFormat TDXSoftwareCursor::GetFormat() const {
  sdev::PixelFormat pf;
  sdev::Surface* s = Target(true);
  if (!s || sdev::Failed(s->GetPixelFormat(&pf))) return TCursorFormat::Argb32();
  TCursorFormat f;
  f.bitsPerPixel = int(pf.bitCount);
  if (pf.bitCount == 16 && pf.gMask == 0x03E0) f.bitsPerPixel = 15;
  f.redMask = pf.rMask;
  f.greenMask = pf.gMask;
  f.blueMask = pf.bMask;
  return f;
}

bool TDXSoftwareCursor::GetMousePosition(int* x, int* y) {
  return hooks_.getMousePosition && hooks_.getMousePosition(x, y);
}

TPoint TDXSoftwareCursor::GetClientOrigin() const {
  int x = 0, y = 0;
  context_->GetClientOrigin(&x, &y);
  return TPoint(x, y);
}

TRect TDXSoftwareCursor::GetDesktopRect() const {
  return hooks_.getDesktopRect ? hooks_.getDesktopRect() : TRect(-100000, -100000, 100000, 100000);
}

void TDXSoftwareCursor::Invalidate() {
  if (hooks_.invalidate) hooks_.invalidate();
}

void TDXSoftwareCursor::ShowSystemCursor(bool show, const uint32_t* argb, int width, int height, int pitch,
                                         int hotX, int hotY) {
  if (hooks_.showSystemCursor) hooks_.showSystemCursor(show, argb, width, height, pitch, hotX, hotY);
}

uint32_t TDXSoftwareCursor::GetTime() const { return GetPlatformTime(); }
