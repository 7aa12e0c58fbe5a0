// render/device: the display device over render/sdev; it reaches the platform only through hooks.
// CDisplay: the DirectDraw object and the screen surfaces for one window: a
// full-screen flip chain in an exclusive display mode, or a windowed primary
// surface with an off-screen back buffer and a clipper. It presents the back
// buffer and makes plain off-screen surfaces. Owned by TDXContext.
// Part of render/; over render/sdev.
#pragma once
#include <cstdint>

#include "render/sdev/sdev.h"

// One off-screen surface and its description as read back after creation.
class CDisplaySurface {
public:
  ~CDisplaySurface() { Release(); }
  void Release();
  sdev::Surface* surface = nullptr;
  sdev::SurfaceDesc desc;
};

class CDisplay {
public:
  CDisplay() = default;
  virtual ~CDisplay();
  // Drops every DirectDraw object (normal cooperative level first).
  virtual sdev::HResult Release();

  // attempt: high 16 bits the device index (0 = default), low 16 bits the
  // creation flags (4: the 0x100 surface hint). Falls back device by device.
  sdev::HResult CreateFullScreenDisplay(sdev::HostWindow* window, int width, int height, int bitsPerPixel,
                                        uint32_t attempt);
  // flags: 2 leaves the window alone, 4 the 0x100 surface hint.
  sdev::HResult CreateWindowedDisplay(sdev::HostWindow* window, sdev::HostWindow* clipWindow, int width, int height,
                                      bool backBufferInVideoMemory, uint32_t flags);
  // A plain off-screen surface (caps default: OFFSCREENPLAIN).
  sdev::HResult CreateSurface(CDisplaySurface** out, uint32_t width, uint32_t height,
                              const sdev::PixelFormat* format, const uint32_t* caps);
  sdev::HResult Present();
  void UpdateBounds();
  void GetClientOrigin(int* x, int* y);
  sdev::HResult RestoreDisplayMode();

  sdev::DirectDraw* GetDirectDraw() const { return dd_; }
  sdev::Surface* GetFrontBuffer() const { return front_; }
  sdev::Surface* GetBackBuffer() const { return back_; }
  sdev::HostWindow* GetWindow() const { return window_; }
  const sdev::Rect& GetBounds() const { return bounds_; }
  bool IsWindowed() const { return windowed_ != 0; }
  bool WasCreated() const { return created_ != 0; }

private:
  sdev::DirectDraw* dd_ = nullptr;
  sdev::Surface* front_ = nullptr;
  sdev::Surface* back_ = nullptr;
  sdev::HostWindow* window_ = nullptr;
  sdev::Rect bounds_;
  int32_t windowed_ = 0;
  int32_t created_ = 0;

  // The device chosen by enumeration.
  static sdev::Guid chosenGuid_;
  static sdev::Guid* chosen_;
};
