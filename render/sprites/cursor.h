// render/sprites: sprites, animations, the software mouse cursor and meshes.
// TMouseCursor: the software mouse cursor of the display context.
//
// A cursor picture becomes runs of opaque pixels in the screen's pixel
// format (premultiplied once), blended straight onto the screen surface. The
// pixels under the cursor are kept in two background copies used in turn,
// so that the cursor can follow the mouse between frames: the display
// helper thread calls DrawMouse about every 16 ms, the main thread draws the
// cursor into each frame. One recursive mutex guards all of it; the helper
// thread waits at most 5 ms for it and skips the update otherwise.
//
// The display context plugs it in through TCursorHost (surface locks, mouse
// position, window bounds, invalidation, the system cursor). Pictures come in
// as 32-bit ARGB pixels; SetMouseTexture (render/cursortexture.cpp) takes a
// texture.
#pragma once
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/geometry.h"
#include "platform/string.h"

// A screen pixel format: 15, 16, 24 or 32 bits per pixel with its channel masks.
struct TCursorFormat {
  int bitsPerPixel = 32;
  uint32_t redMask = 0xFF0000, greenMask = 0xFF00, blueMask = 0xFF;
  static TCursorFormat Argb32() { return TCursorFormat(); }
  static TCursorFormat Rgb565() { return TCursorFormat{16, 0xF800, 0x07E0, 0x001F}; }
  static TCursorFormat Rgb555() { return TCursorFormat{15, 0x7C00, 0x03E0, 0x001F}; }
  static TCursorFormat Rgb24() { return TCursorFormat{24, 0xFF0000, 0xFF00, 0xFF}; }
  int BytesPerPixel() const { return bitsPerPixel == 15 ? 2 : bitsPerPixel / 8; }
};

// Locked pixels of a surface.
struct TCursorSurface {
  uint8_t* bits = nullptr;
  int width = 0, height = 0, pitchBytes = 0;
};

// One pixel of a run: three premultiplied channel values at the screen
// format's channel places (24/32 bits: blue, green, red byte order) and the
// inverse alpha.
struct TCursorPixel {
  uint16_t value[3];
  uint8_t inverseAlpha;
  uint8_t unused;
};
static_assert(sizeof(TCursorPixel) == 8, "cursor run entries are 8 bytes");

struct TCursorRun {
  uint16_t x, y;
  std::vector<TCursorPixel> pixels;
};

// What the cursor needs from the display context.
class TCursorHost {
public:
  virtual ~TCursorHost() = default;
  // Locks the front or back buffer; false when the surface is lost.
  virtual bool LockTarget(bool backBuffer, TCursorSurface* out) = 0;
  virtual void UnlockTarget(bool backBuffer) = 0;
  virtual TCursorFormat GetFormat() const = 0;
  // The mouse in window client pixels (already in game coordinates); false when unknown.
  virtual bool GetMousePosition(int* x, int* y) = 0;
  // The client area's top-left on the desktop and the desktop rectangle.
  virtual TPoint GetClientOrigin() const = 0;
  virtual TRect GetDesktopRect() const = 0;
  virtual bool IsFullScreen() const = 0;
  // The last presentation has finished.
  virtual bool IsFlipDone() const { return true; }
  // False while the front buffer holds no frame (nothing reads the frames, so
  // the present left them out of it): the cursor is then not drawn on it
  // between frames.
  virtual bool FrontHoldsFrame() const { return true; }
  // The platform asks for no software cursor for now.
  virtual bool IsCursorSuppressed() const { return false; }
  // The window manager must draw a new frame.
  virtual void Invalidate() = 0;
  // Shows the system pointer (with the picture when given) or hides it.
  virtual void ShowSystemCursor(bool show, const uint32_t* argb, int width, int height, int pitch, int hotX,
                                int hotY) = 0;
  // Milliseconds (platform time).
  virtual uint32_t GetTime() const = 0;
  // The window manager has suspended drawing (the screen is not ours to touch).
  virtual bool IsDrawingSuspended() const { return false; }
  // The window's client area on the desktop (position and size); empty when unknown.
  virtual TRect GetWindowBounds() const { return TRect(); }
};

class TMouseCursor {
public:
  static constexpr uint32_t kThrottleMs = 16;
  static constexpr int kHelperWaitMs = 5;

  // `mutex`: the display context's, when the cursor shares it (else its own).
  explicit TMouseCursor(TCursorHost* host, std::recursive_timed_mutex* mutex = nullptr);
  ~TMouseCursor();
  TMouseCursor(const TMouseCursor&) = delete;
  TMouseCursor& operator=(const TMouseCursor&) = delete;

  // The mutex name (made from a fresh random identity).
  const TString& GetMutexName() const { return mutexName_; }

  // Sets the main picture (magenta key: red >= 248, green 0, blue >= 248 is
  // transparent) or the second picture (transparent where alpha is 0), and
  // shows it: the picture set last is the one in use. The hot spot is where
  // the pointer's tip lies in the picture. Null pixels or an empty picture are
  // refused (false) and change nothing.
  bool SetMouseImage(const uint32_t* argb, int width, int height, int pitch, int hotX, int hotY, bool second);
  // Uses the second picture (when set) instead of the main one.
  void UseSecondImage(bool use);
  bool IsSecondImageInUse() const { return useSecond_ && !second_.pixels.empty(); }
  // Rebuilds the runs for a new screen format (after a mode change or a
  // device loss). While drawing is suspended it only takes note that the
  // cursor is off the screen and leaves the rebuild for later. A call made
  // while one runs (from inside it) is logged and does nothing.
  void RestoreMouseImage();
  // The window moved or changed size: when its bounds changed, the cursor is
  // taken off the screen (its background put back, a frame asked for) and the
  // mouse position is read again.
  void OnWindowMoved();

  // Draws the cursor at (x, y) (x = -1: read the mouse now) into the back
  // buffer (the frame about to be shown) or onto the front buffer (between
  // frames). `helperThread` waits at most 5 ms for the lock. Returns the
  // position used or last known ((-1, -1) while unknown).
  TPoint DrawMouse(int x, int y, bool intoBackBuffer, bool helperThread = false);
  // A frame from the back buffer is on the screen now (call after every
  // presentation): the cursor is on the screen when it was drawn into it.
  void NotifyPresented();
  // Puts the saved background back on the front buffer; the cursor is off the screen.
  void EraseMouse();
  // Puts the background saved by the last back-buffer draw back into the
  // back buffer (the frame kept for the next one must not hold the cursor).
  void RestoreBackBuffer();
  // Forgets the position and what is on the screen (the next draw starts afresh).
  void ResetMouseState();
  // The software cursor on or off (off: the system pointer shows the picture).
  void SetSoftwareCursor(bool on);
  bool IsSoftwareCursor() const { return software_; }
  // The software cursor cannot work (no memory for its surfaces): the system pointer is shown.
  void MarkUnavailable();
  bool IsUnavailable() const { return unavailable_; }
  bool IsOnScreen() const { return onScreen_; }
  // Drawn into the back buffer, and that frame not presented yet.
  bool IsWaitingForPresent() const { return pendingPresent_; }
  bool NeedsRebuild() const { return rebuild_; }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  TPoint GetHotSpot() const { return TPoint(hotX_, hotY_); }
  const std::vector<TCursorRun>& GetRuns(bool second) const { return second ? runs2_ : runs_; }

  // The mutex, for the display's own work on the surfaces the cursor draws on.
  std::recursive_timed_mutex& GetMutex() { return *mutex_; }

  // Run building and blending, for any format (also used by the tests).
  static void BuildRuns(const uint32_t* argb, int width, int height, int pitch, bool keyed,
                        const TCursorFormat& format, std::vector<TCursorRun>& out);
  static TCursorPixel MakePixel(uint32_t argb, uint8_t alpha, const TCursorFormat& format);
  static void BlendRuns(const std::vector<TCursorRun>& runs, const TCursorSurface& surface,
                        const TCursorFormat& format);

private:
  struct Image {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0, hotX = 0, hotY = 0;
  };
  bool CanDraw(bool forced);
  void ReadPosition();
  bool Restore(bool backBuffer);
  void CopyRect(const TCursorSurface& from, int fx, int fy, const TCursorSurface& to, int tx, int ty, int w, int h);
  TCursorSurface Buffer(int index);
  const Image& Current() const { return useSecond_ && !second_.pixels.empty() ? second_ : main_; }
  void Rebuild();

  TCursorHost* host_;
  TString mutexName_;
  std::recursive_timed_mutex ownMutex_;
  std::recursive_timed_mutex* mutex_;
  Image main_, second_;
  std::vector<TCursorRun> runs_, runs2_;
  TCursorFormat format_;
  // Two background copies and the composition, each the cursor's size, in the screen format.
  std::vector<uint8_t> buffers_[3];
  int bufferPitch_ = 0;
  int saveIndex_ = 0;  // the copy that holds what is under the cursor now on the screen
  int width_ = 0, height_ = 0, hotX_ = 0, hotY_ = 0;
  int posX_ = -1, posY_ = -1, lastX_ = -1, lastY_ = -1;
  bool positionKnown_ = false;
  bool onScreen_ = false, pendingPresent_ = false;
  bool rebuild_ = false, unavailable_ = false, software_ = true, useSecond_ = false;
  bool restoring_ = false;  // RestoreMouseImage is running (guards against re-entry)
  TRect windowBounds_;
  uint32_t lastDraw_ = 0;
};
