// render/device: the display device over render/sdev; it reaches the platform only through hooks.
// TDXContext: owns the DirectDraw object, Direct3D and the 3-D device on top
// of one CDisplay; creates them for a window or full screen, chooses the
// hardware renderer, records the device description and driver quirks, and
// presents each finished frame. The display handler is its only owner.
// Part of render/; over render/sdev.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/string.h"
#include "render/device/display.h"
#include "render/sdev/sdev.h"

class TDXContext;
class TDisplayHandler;

// The software mouse cursor's part in creation and presentation. The cursor
// (a separate unit) implements it and installs it with SetCursor; every call
// comes with the context's mutex held.
class TDXCursor {
public:
  virtual ~TDXCursor() = default;
  // After the device was made: forget the cursor's surfaces and state.
  virtual void ResetMouseState(TDXContext& context) = 0;
  // Before presenting: rebuild the image and surfaces when needed and draw the
  // cursor into the back buffer; true when it was drawn.
  virtual bool DrawIntoBackBuffer(TDXContext& context) = 0;
  // After presenting a windowed frame in which it was drawn: put the saved
  // background back into the back buffer (the screen shows the cursor).
  virtual void AfterPresent(TDXContext& context) = 0;
  // Full screen, at the start of a frame: take the cursor out of the back buffer.
  virtual void EraseFromBackBuffer(TDXContext& context) = 0;
  // With the device: drop the cursor's surfaces; the position becomes unknown.
  virtual void ReleaseSurfaces(TDXContext& context) = 0;
};

// "0AFF" for {0x0A, 0xFF}; empty for a count of 0 or less.
std::string BytesToHexString(const void* bytes, int count);
bool IsWindowsVistaOrLater();
bool IsWindowsXPOrLater();

class TDXContext {
public:
  // `owner` receives the driver-quirk and 16-bit-mode bytes (may be null).
  explicit TDXContext(TDisplayHandler* owner = nullptr);
  virtual ~TDXContext();
  TDXContext(const TDXContext&) = delete;
  TDXContext& operator=(const TDXContext&) = delete;

  // flags: 2 leaves the window's style and size alone (windowed); 4 asks for
  // the 0x100 surface hint; 1 (always set by the display handler) is unused.
  bool Create(sdev::HostWindow* window, bool fullScreen, int width, int height, int bitsPerPixel, uint32_t flags);
  void ReleaseDevice();
  void Clear(uint32_t flags);
  // Full screen: the front buffer copied into the back buffer, the cursor taken out.
  bool PrepareBackBuffer();
  // Draws the cursor and presents; the presentation's result.
  sdev::HResult UpdateFrame();
  bool IsFlipDone();

  sdev::Surface* GetBackBuffer() const { return display_.GetBackBuffer(); }
  sdev::Surface* GetFrontBuffer() const { return display_.GetFrontBuffer(); }
  sdev::DirectDraw* GetDirectDraw() const { return display_.GetDirectDraw(); }
  sdev::Direct3D* GetDirect3D() const { return d3d_; }
  sdev::Device* GetDevice() const { return device_; }
  const sdev::SurfaceDesc& GetDisplayModeDesc() const { return displayMode_; }
  const sdev::PixelFormat& GetZBufferFormat() const { return zFormat_; }
  const sdev::D3DDeviceDesc& GetDeviceDesc() const { return chosen_; }
  void GetClientOrigin(int* x, int* y) { display_.GetClientOrigin(x, y); }
  CDisplay& GetDisplay() { return display_; }
  bool IsWindowed() const { return display_.IsWindowed(); }
  const TString& GetDeviceText() const { return deviceText_; }

  // The remembered bytes that steer the display handler's fallbacks.
  bool HardwareFound() const { return hwFound_; }
  bool DesktopRefused() const { return desktopRefused_; }
  bool WindowedOutOfVideoMemory() const { return windowedOutOfVideoMemory_; }
  bool DeviceRefused2EB() const { return device2EB_; }
  // Windowed creation is impossible on this desktop (0x8876023C).
  bool WindowedImpossible() const { return windowedImpossible_; }
  bool textureFormatReSearch = false;

  // The window the windowed screen's clipper follows instead of the display window.
  void SetClipWindow(sdev::HostWindow* w) { clipWindow_ = w; }
  void SetCursor(TDXCursor* cursor) { cursor_ = cursor; }
  TDXCursor* GetCursor() const { return cursor_; }

  // The context's mutex ("TDXContextMouseMutex:%x:%x:%x:%x"): serialises
  // creation, presentation and the cursor with the helper thread. Recursive.
  std::recursive_timed_mutex& Mutex() { return mutex_; }
  const std::string& MutexName() const { return mutexName_; }

private:
  bool CreateLocked(sdev::HostWindow* window, bool fullScreen, int width, int height, int bitsPerPixel,
                    uint32_t flags);
  void SetScreenParams();

  TDisplayHandler* owner_;
  TString deviceText_;
  sdev::HostWindow* clipWindow_ = nullptr;
  CDisplay display_;
  sdev::Direct3D* d3d_ = nullptr;
  sdev::Device* device_ = nullptr;
  sdev::D3DDeviceDesc chosen_;
  sdev::SurfaceDesc displayMode_;
  sdev::PixelFormat zFormat_;
  bool hwFound_ = false, desktopRefused_ = false, windowedOutOfVideoMemory_ = false, device2EB_ = false;
  bool windowedImpossible_ = false;
  int32_t desktopColors_ = -1, desktopWidth_ = 0, desktopHeight_ = 0;
  TDXCursor* cursor_ = nullptr;
  std::recursive_timed_mutex mutex_;
  std::string mutexName_;
};
