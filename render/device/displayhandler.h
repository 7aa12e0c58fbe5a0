// render/device: the display device over render/sdev; it reaches the platform only through hooks.
// The display handler: the display state (TPlatformData), display open and
// mode changes, frames and their presentation, drawing vertex sets, filling
// rectangles, clip rectangles, render targets emulated in the back buffer,
// device loss and recovery, and the out-of-video-memory fallback.
//
// One handler exists while the display is open (GetDisplayHandler). It owns
// the TDXContext. Main thread only, except what TDXContext guards with its mutex.
// Part of render/; over render/sdev.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/string.h"
#include "render/device/vertexset.h"
#include "render/sdev/sdev.h"

class TDXContext;
class TTexture;
using TTextureRef = boost::shared_ptr<TTexture>;

// The display state.
struct TPlatformData {
  sdev::DirectDraw* directDraw = nullptr;
  sdev::Direct3D* direct3D = nullptr;
  sdev::Device* device = nullptr;
  TDXContext* context = nullptr;
  sdev::Surface* backBuffer = nullptr;
  TRect clipViewport;  // the device viewport: the 2-D origin and clip (game pixels)
  TRect viewport;      // the renderer's viewport: clips further (empty: none)
  bool dxBroken = false;
  uint32_t dxBrokenTime = 0;
  bool inScene = false;
  int sceneDepth = 0;  // frames nest: a render target opened inside a frame
  int renderTargetMode = 0;
  TTextureRef renderTarget;
  std::vector<uint16_t> identityIndices;
  uint16_t identityCapacity = 0;
  bool sixteenBitMode = false;
  bool squareTexturesOnly = false;
  bool lowVideoMemory = false;
  int64_t textureBytes = 0;  // bytes held by texture surfaces

  // Restores lost surfaces (the device is usable again) or resets the display
  // (the mode changed, or the restore failed); then every texture is rebuilt
  // and the restore tasks run. False while the device cannot be restored yet.
  bool Restore();
};

class TDisplayHandler {
public:
  TDisplayHandler();
  ~TDisplayHandler();
  TDisplayHandler(const TDisplayHandler&) = delete;
  TDisplayHandler& operator=(const TDisplayHandler&) = delete;

  TPlatformData& Data() { return data_; }
  TDXContext* GetContext() const { return context_.get(); }

  // --- Display open and mode change ---
  // Opens (or re-opens) the display at width x height game pixels in the
  // window, falling back between modes as the context's bytes say. Assets
  // drop their surfaces before and rebuild them after; the restore tasks run.
  bool Open(sdev::HostWindow* window, int width, int height, bool fullScreen);
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  bool IsFullScreen() const { return fullScreen_; }
  bool IsUsable() const;
  bool IsFlipDone();
  // Resets the display with the current parameters (after a mode change or
  // when DirectX is broken); true when it came back.
  bool Reset();

  // --- Frames ---
  bool BeginDraw();
  void EndDraw(bool present);

  // --- Drawing ---
  uint32_t ApplyVertexFormat(const TVertexSet* set);
  void DrawVertices(int type, const TVertexSet* set);
  void DrawIndexedVertices(int type, const TVertexSet* set, const uint16_t* indices, uint32_t count);
  // A colour fill of the screen (rectangle in game pixels) or of the target
  // texture, straight into its surface, inside a frame or not. (Inside a
  // frame the renderer front fills with a quad in the 2-D coordinates
  // instead: TRenderer::FillRect.)
  void FillRect(int left, int top, int right, int bottom, uint32_t argb, TTexture* target);

  // --- Clip rectangles and viewports ---
  void SetViewport(int left, int top, int right, int bottom);
  void PushClipRect(int left, int top, int right, int bottom);
  void PopClipRect();
  // The renderer's viewport; clips inside the clip viewport when on.
  void SetRendererViewport(const TRect& r, bool on);
  TRect GetScreenRect() const { return TRect(0, 0, width_, height_); }

  // --- Render targets ---
  // `taken` (when given) is set once the display has taken the texture as
  // its target, even when the target's frame then cannot begin: the renderer
  // front leaves its 2-D drawing then.
  bool BeginRenderTarget(const TTextureRef& texture, int mode, bool* taken = nullptr);
  void EndRenderTarget();
  // Copy helpers: the back buffer's rectangle into the texture through the
  // converting stretch copy; alpha made 255 wherever it is not 0 (modes 0, 2,
  // 3); the mode-4 copy (colour and alpha as drawn).
  bool StretchCopyToTexture(TTexture* texture, const sdev::Rect& r);
  void AlphaFixup(TTexture* texture, const sdev::Rect& r);
  bool Mode4Copy(TTexture* texture, const sdev::Rect& r);

  // --- Failures ---
  void OutOfVideoMemory();
  void MarkDxBroken();
  // For texture data: at most once every 250 ms.
  void MarkDxBrokenThrottled();
  // A texture got a smaller format than asked: later displays use 16 bits.
  void SwitchToLowVideoMemory();
  void FlipToGDISurface();
  void ResetMouse();

  // --- Viewport scale (game pixels -> back-buffer pixels) ---
  float GetViewportScale() const { return scale_; }
  // Which handler of this process this is (1 for the first): what was drawn
  // and kept for one display holds for no other.
  uint64_t GetSerial() const { return serial_; }
  void SetViewportScale(float s);
  float GetSavedViewportScale() const { return savedScale_; }

  // The bytes the context sets.
  uint8_t indexedExpansion = 1;
  uint8_t driverQuirk = 0;

  // Hooks of the layers around, filled by the display the platform opens
  // (render/platform/platformdisplay.cpp): the platform's restore tasks,
  // whether the window manager's drawing is suspended, and a redraw request.
  // An empty hook does nothing.
  std::function<void()> runRestoreTasks;
  std::function<bool()> isDrawingSuspended;
  std::function<void()> invalidateWindows;
  // The window the display belongs to (the host's).
  sdev::HostWindow* GetWindow() const { return window_; }

private:
  // Closes a render target left open (by the end of its frame, or by the next
  // frame's start for one opened outside a frame) as a mode-0 target.
  void CloseLeftOpenTarget();
  friend struct TPlatformData;
  void FillData();
  void ApplyDeviceViewport();
  void RunRestore();
  void HandleDrawResult(sdev::HResult hr);

  TPlatformData data_;
  std::unique_ptr<TDXContext> context_;
  uint64_t serial_ = 0;
  sdev::HostWindow* window_ = nullptr;
  int width_ = 0, height_ = 0;
  bool fullScreen_ = false;
  int depth_ = 0;
  float scale_ = 1.0f, savedScale_ = 1.0f;
  bool outOfVideoMemoryReported_ = false;
  bool closingTarget_ = false;
  int targetDepth_ = 0;  // the frame depth the open render target began
  bool targetOwnsScene_ = false;  // the open target began that frame itself (opened outside one)
  bool brokenIndexed_ = false;
  bool hasRendererViewport_ = false;
  uint32_t lastReset_ = 0;
  std::vector<TRect> clipStack_;
  std::vector<uint8_t> scratch_;  // expanded indexed vertices
  std::vector<uint8_t> scaled_;   // pre-transformed vertices at the viewport scale
  sdev::Surface* savedArea_ = nullptr;  // the back buffer under a render target opened in a frame
  sdev::Rect savedRect_;
};

// The display handler; null before the display exists.
TDisplayHandler* GetDisplayHandler();
// Makes the handler (the display layer's start-up; tests). Replaces an older one.
TDisplayHandler* CreateDisplayHandler();
void DestroyDisplayHandler();
// The renderer's "16bitmode" option (TRenderer::SetRenderOption): a handler
// made while it is on starts in 16-bit mode.
void SetSixteenBitModeOption(bool on);

// --- Textures as the display sees them ---
// A texture's surface and where its picture lies in it.
struct TTextureView {
  sdev::Surface* surface = nullptr;  // null while the texture has none
  uint32_t width = 0, height = 0;    // the storage as allocated
  uint32_t offsetX = 0, offsetY = 0;  // where the picture starts in it
};
// The display knows textures only through this lookup, which the texture
// layer installs (render/textures/texturedata.cpp). It answers false for a
// texture without pixel storage.
using TTextureViewLookup = bool (*)(const TTexture* texture, TTextureView* view);
void SetTextureViewLookup(TTextureViewLookup lookup);
// False for a null texture, one without storage, or while no lookup is installed.
bool ViewTexture(const TTexture* texture, TTextureView* view);
// The surface of a texture (null when it has none).
sdev::Surface* TextureSurface(const TTexture* texture);
