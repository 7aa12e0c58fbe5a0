// render/sprites: sprites, animations, the software mouse cursor and meshes.
// TDXSoftwareCursor: the software cursor (render/sprites/cursor.h) installed in a
// display context (TDXContext::SetCursor). It draws on the context's back and
// front buffers under the context's mutex; what it needs from the window and
// the platform comes through hooks. The helper thread calls DrawFromHelper
// about every 16 ms.
#pragma once
#include <functional>

#include <boost/shared_ptr.hpp>

#include "render/sprites/cursor.h"
#include "render/device/dxcontext.h"

class TTexture;

struct TDXCursorHooks {
  // The mouse in game pixels (client pixels divided by the viewport scale); false when unknown.
  std::function<bool(int* x, int* y)> getMousePosition;
  // The desktop rectangle (the client origin comes from the context).
  std::function<TRect()> getDesktopRect;
  // The system pointer: shown with the picture (null: the arrow) or hidden.
  std::function<void(bool show, const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY)>
      showSystemCursor;
  // The platform's cursor-suppress flag.
  std::function<bool()> isCursorSuppressed;
  // Asks the window manager for a new frame.
  std::function<void()> invalidate;
  // The window manager's drawing-suspended flag.
  std::function<bool()> isDrawingSuspended;
  // The window's client area on the desktop.
  std::function<TRect()> getWindowBounds;
};

class TDXSoftwareCursor : public TDXCursor, public TCursorHost {
public:
  TDXSoftwareCursor(TDXContext* context, TDXCursorHooks hooks);
  ~TDXSoftwareCursor() override;

  TMouseCursor& Cursor() { return cursor_; }
  // Sets the main (magenta-keyed) or second (alpha) picture from a texture
  // and shows it; false for an empty handle or a texture that cannot be read.
  // The texture is kept (GetMouseTexture).
  bool SetMouseTexture(const boost::shared_ptr<TTexture>& texture, int hotX, int hotY, bool second);
  // The main picture's texture while the cursor has a size of at least 1 x 1, else empty.
  boost::shared_ptr<TTexture> GetMouseTexture();
  // The window moved or changed size (TMouseCursor::OnWindowMoved).
  void OnWindowMoved() { cursor_.OnWindowMoved(); }
  // The helper thread's update: at most a 5 ms wait for the mutex. The
  // returned x is -1 while the position is unknown (sleep longer then).
  TPoint DrawFromHelper() { return cursor_.DrawMouse(-1, -1, false, true); }

  // TDXCursor: called by the context with its mutex held.
  void ResetMouseState(TDXContext& context) override;
  bool DrawIntoBackBuffer(TDXContext& context) override;
  // After every presentation of a frame the cursor was drawn into (windowed or full screen).
  void AfterPresent(TDXContext& context) override;
  void EraseFromBackBuffer(TDXContext& context) override;
  void ReleaseSurfaces(TDXContext& context) override;

  // TCursorHost.
  bool LockTarget(bool backBuffer, TCursorSurface* out) override;
  void UnlockTarget(bool backBuffer) override;
  TCursorFormat GetFormat() const override;
  bool GetMousePosition(int* x, int* y) override;
  TPoint GetClientOrigin() const override;
  TRect GetDesktopRect() const override;
  bool IsFullScreen() const override { return !context_->IsWindowed(); }
  bool IsFlipDone() const override { return context_->IsFlipDone(); }
  bool FrontHoldsFrame() const override;
  bool IsCursorSuppressed() const override { return hooks_.isCursorSuppressed && hooks_.isCursorSuppressed(); }
  void Invalidate() override;
  void ShowSystemCursor(bool show, const uint32_t* argb, int width, int height, int pitch, int hotX,
                        int hotY) override;
  uint32_t GetTime() const override;
  bool IsDrawingSuspended() const override { return hooks_.isDrawingSuspended && hooks_.isDrawingSuspended(); }
  TRect GetWindowBounds() const override { return hooks_.getWindowBounds ? hooks_.getWindowBounds() : TRect(); }

private:
  sdev::Surface* Target(bool backBuffer) const;
  TDXContext* context_;
  TDXCursorHooks hooks_;
  TMouseCursor cursor_;
  boost::shared_ptr<TTexture> mainTexture_, secondTexture_;
};
