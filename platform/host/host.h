// The host: the one seam between lantern and the operating system.
//
// A THost owns the program's window and everything that comes with it: input
// events, text input, the clipboard, the cursor image, message boxes, opening
// a URL in a browser and the presentation of a finished 32-bit ARGB frame. Two implementations exist (see
// platform/host/hosts.h): the SDL2 host, with a real window, and the headless
// host, with no window at all (the platform clock runs in manual mode, input
// is scripted, the last presented frame is kept in memory and can be written
// as a PNG screenshot).
//
// Only the implementations in this folder include SDL. This header is plain
// C++: the framework (TPlatform, the display device, the sound output) codes
// against it. Depends on platform/ (strings).
#pragma once
#include <cstdint>
#include <string>

#include "platform/string.h"

// Key codes of host key events: the virtual-key numbering the framework's key
// table is made from. Letters and digits are their upper-case ASCII codes.
namespace HostKey {
constexpr uint32_t kBackspace = 0x08, kTab = 0x09, kClear = 0x0C, kEnter = 0x0D;
constexpr uint32_t kShift = 0x10, kControl = 0x11, kAlt = 0x12, kPause = 0x13, kCapsLock = 0x14;
constexpr uint32_t kEscape = 0x1B, kSpace = 0x20, kPageUp = 0x21, kPageDown = 0x22;
constexpr uint32_t kEnd = 0x23, kHome = 0x24, kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
constexpr uint32_t kPrintScreen = 0x2C, kInsert = 0x2D, kDelete = 0x2E;
constexpr uint32_t kLeftMeta = 0x5B, kRightMeta = 0x5C, kMenu = 0x5D;
constexpr uint32_t kNumpad0 = 0x60;  // ... kNumpad0 + 9
constexpr uint32_t kMultiply = 0x6A, kAdd = 0x6B, kSubtract = 0x6D, kDecimal = 0x6E, kDivide = 0x6F;
constexpr uint32_t kF1 = 0x70;  // ... kF1 + 23 (F24)
constexpr uint32_t kNumLock = 0x90, kScrollLock = 0x91;
constexpr uint32_t kSemicolon = 0xBA, kEquals = 0xBB, kComma = 0xBC, kMinus = 0xBD, kPeriod = 0xBE;
constexpr uint32_t kSlash = 0xBF, kBackquote = 0xC0, kLeftBracket = 0xDB, kBackslash = 0xDC;
constexpr uint32_t kRightBracket = 0xDD, kQuote = 0xDE;
}  // namespace HostKey

// Modifier bits of host events; the framework's events use the same values.
namespace HostMod {
constexpr uint32_t kShift = 1, kCtrl = 2, kAlt = 4, kExtended = 8;
}

enum class THostEventType {
  kNone,
  kCloseRequest,  // the window's close box (or the window manager's equivalent)
  kFocusGained,
  kFocusLost,
  kMinimized,
  kRestored,
  kExposed,       // the window's contents must be drawn again
  kMouseEnter,
  kMouseLeave,
  kMouseMove,
  kButtonDown,
  kButtonUp,
  kWheel,
  kKeyDown,
  kKeyUp,
  kText,          // committed text input, UTF-8
  kMoved,         // the window moved on the desktop; x, y: its new position
  kScreenshot,    // input scripts only: the host writes its last frame as a PNG to `text` (never delivered)
};

enum THostButton { kHostButtonLeft = 1, kHostButtonMiddle = 2, kHostButtonRight = 3, kHostButtonX1 = 4, kHostButtonX2 = 5 };

struct THostEvent {
  THostEventType type = THostEventType::kNone;
  int x = 0, y = 0;    // mouse position in window pixels (mouse events)
  int button = 0;      // THostButton (button events)
  int wheel = 0;       // wheel notches, positive away from the user
  uint32_t key = 0;    // HostKey code (key events)
  bool repeat = false; // key held down
  uint32_t mods = 0;   // HostMod bits; kExtended on keys outside the main block
  std::string text;    // UTF-8 (text events)
};

class THost {
public:
  virtual ~THost() = default;

  // "sdl" or "headless".
  virtual const char* GetName() const = 0;
  virtual bool IsHeadless() const = 0;

  // --- The main window ---
  // Creates the (not resizable) main window with a client area of width x
  // height pixels. False when no window can be made.
  virtual bool CreateWindow(const TString& title, int width, int height) = 0;
  virtual void DestroyWindow() = 0;
  virtual bool HasWindow() const = 0;
  virtual void SetWindowTitle(const TString& title) = 0;
  virtual TString GetWindowTitle() const = 0;
  // Windowed: the client area becomes width x height. Full screen: the window
  // covers the desktop at the desktop's resolution, and presented frames are
  // scaled to fit with bars (see FitFrame). False when the switch failed.
  virtual bool SetWindowMode(int width, int height, bool fullScreen) = 0;
  virtual bool IsFullScreen() const = 0;
  // Size of the window's drawable area in pixels (the desktop in full screen).
  virtual void GetOutputSize(int* width, int* height) const = 0;
  virtual void GetDesktopSize(int* width, int* height) const = 0;
  // The largest client area a window can have on the screen it is on, in the
  // units of SetWindowMode: the desktop less its panels and the window's frame.
  virtual void GetUsableSize(int* width, int* height) const { GetDesktopSize(width, height); }
  // Brings the window to the front and gives it the focus.
  virtual void RaiseWindow() = 0;
  virtual bool HasFocus() const = 0;
  virtual bool IsMinimized() const = 0;
  // The client area's top-left on the desktop; false when the host cannot tell.
  virtual bool GetWindowPosition(int* x, int* y) const { return false; }

  // --- Input ---
  // Takes the next waiting event; false when none waits.
  virtual bool PollEvent(THostEvent* event) = 0;
  // Waits up to `ms` milliseconds, or less when an event arrives.
  virtual void Wait(uint32_t ms) = 0;
  // Keeps mouse events coming while a button is held outside the window.
  virtual void CaptureMouse(bool capture) = 0;
  // Current mouse position in window pixels; false when it is not over the window.
  virtual bool GetMousePosition(int* x, int* y) const = 0;

  // --- Cursor ---
  // Shows a cursor made of `argb` (width x height, rows `pitchPixels` apart)
  // with the hot spot at (hotX, hotY); null pixels restore the system arrow.
  virtual void SetCursorImage(const uint32_t* argb, int width, int height, int pitchPixels, int hotX,
                              int hotY) = 0;
  virtual void ShowCursor(bool show) = 0;
  virtual bool IsCursorShown() const = 0;

  // --- Clipboard ---
  // The clipboard's text (UTF-8), empty when there is none.
  virtual TString GetClipboardText() = 0;
  virtual bool SetClipboardText(const TString& text) = 0;

  // --- Messages and the browser ---
  // Shows a modal message box (headless: logged only).
  virtual void ShowMessageBox(const TString& title, const TString& text, bool error) = 0;
  // Opens the address in the web browser: `browser` when not empty, else the
  // desktop's opener. Never through a shell. False when nothing was started.
  virtual bool OpenUrl(const TString& url, const TString& browser) = 0;

  // --- Presentation ---
  // Shows a finished frame: width x height pixels of 32-bit ARGB (alpha
  // ignored), rows `pitchPixels` apart. The pixels are copied before the call
  // returns. In a window of another size the frame is scaled to fit, keeping
  // its aspect, with black bars (FitFrame). Any thread may call it: a frame
  // from another thread than the window's is shown by the window's thread at
  // its next PollEvent or Wait (the newest such frame wins).
  virtual void Present(const uint32_t* pixels, int width, int height, int pitchPixels) = 0;
  // Present for pixels the caller lends: they stay readable until its next
  // present or ReturnFrame call, and change in between only to become the next
  // present's pixels. A host that only keeps the frame for reading (headless)
  // copies it when something reads it; the others copy it at once (Present).
  virtual void PresentLent(const uint32_t* pixels, int width, int height, int pitchPixels) {
    Present(pixels, width, height, pitchPixels);
  }
  // The lent pixels are about to change or go away: a host that still needs
  // them copies them now.
  virtual void ReturnFrame() {}
  // True when the previous presentation has finished and a new frame may be shown.
  virtual bool IsPresentDone() const { return true; }
  // Frames presented since the host was made.
  virtual uint64_t GetPresentCount() const = 0;
  // Keeps a copy of what each presentation showed, for SaveScreenshot. The
  // headless host keeps it unless told not to (a run without a screenshot,
  // where nothing reads its frames).
  virtual void SetKeepLastFrame(bool keep) = 0;
  // False while nothing reads the presented frames: no window shows them and
  // no copy is kept (the display may then leave their pixels out).
  virtual bool ReadsFrames() const { return true; }
  // Writes the last presented picture as a PNG file: the window's whole
  // output, bars included, for the SDL host; the frame itself for the
  // headless host. False (logged) when there is none or the file fails.
  virtual bool SaveScreenshot(const TString& path) = 0;
};

// Where a frame of frameW x frameH lands in an output of outW x outH: the
// largest rectangle of the frame's aspect that fits, centred (bars on two
// sides). Right and bottom are exclusive.
struct THostRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};
inline THostRect FitFrame(int frameW, int frameH, int outW, int outH) {
  THostRect r;
  if (frameW <= 0 || frameH <= 0 || outW <= 0 || outH <= 0) return r;
  int64_t w = outW, h = static_cast<int64_t>(outW) * frameH / frameW;
  if (h > outH) {
    h = outH;
    w = static_cast<int64_t>(outH) * frameW / frameH;
  }
  r.left = static_cast<int>((outW - w) / 2);
  r.top = static_cast<int>((outH - h) / 2);
  r.right = r.left + static_cast<int>(w);
  r.bottom = r.top + static_cast<int>(h);
  return r;
}

// A position in a window of pointsW x pointsH points (the units of the window
// system's mouse events and window sizes) as a position in its drawable area
// of pixelsW x pixelsH pixels: on a high-density display a point covers
// several pixels. Equal sizes, or an unknown one, leave the position as it is.
inline void PointsToPixels(int* x, int* y, int pointsW, int pointsH, int pixelsW, int pixelsH) {
  if (pointsW <= 0 || pointsH <= 0 || pixelsW <= 0 || pixelsH <= 0) return;
  if (pointsW != pixelsW) *x = static_cast<int>(static_cast<int64_t>(*x) * pixelsW / pointsW);
  if (pointsH != pixelsH) *y = static_cast<int>(static_cast<int64_t>(*y) * pixelsH / pointsH);
}
