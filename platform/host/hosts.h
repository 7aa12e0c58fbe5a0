// The two hosts: SDL2 (a real window) and headless (no window at all).
//
// The headless host runs the platform clock in manual mode: Wait advances it
// instead of sleeping, so a headless run takes no wall-clock time for its
// idle passes and every test sees the same times. Its input comes from
// events a test pushes or from an input script (docs/headless.md); each
// event waits until the clock reaches its time. It keeps the last presented
// frame for reading and for a PNG screenshot.
#pragma once
#include <cstdint>
#include <deque>
#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/host/host.h"

// The SDL2 host; null (with a log line giving SDL's reason) when SDL cannot
// start its video system, or when it finds no display and falls back to a
// driver that shows nothing ("offscreen", "dummy") that SDL_VIDEODRIVER did
// not name. `why`, when given, gets what to tell the person who started it.
std::unique_ptr<THost> CreateSdlHost(std::string* why = nullptr);

// A real window (`window`, the SDL host) driven by an input script: the
// window takes the window mode, shows the frames and writes the screenshot,
// while the events, the focus, the mouse position and the clock (manual) are
// the script's, as in a headless run; the window's own input is dropped. The
// same script then shows the same frames in a window as headless.
// Null (the reason in `why`) when the script cannot be read.
std::unique_ptr<THost> CreateScriptedWindowHost(std::unique_ptr<THost> window, const std::string& inputPath,
                                               const std::string& baseFolder = std::string(),
                                               std::string* why = nullptr);

class THeadlessHost : public THost {
public:
  // Switches the platform clock to manual mode (unless it already is) for the
  // host's lifetime; script times count from the clock's value now.
  THeadlessHost();
  ~THeadlessHost() override;

  // --- Test and script control ---
  // Queues an event that becomes due `atMs` milliseconds after the host was
  // made (0: at once). Events with equal times keep their order.
  void PushEvent(const THostEvent& event, uint32_t atMs = 0);
  // Reads an input script; false (logged, the reason in `why`) when the file
  // cannot be read. Bad lines are logged and skipped. Relative names of its
  // "screenshot" lines count from `baseFolder` when it is given (the folder
  // the program was started in), else from the working folder.
  bool LoadInputScript(const std::string& path, const std::string& baseFolder = std::string(),
                       std::string* why = nullptr);
  size_t GetPendingEventCount() const { return queue_.size(); }
  void SetDesktopSize(int width, int height);
  // The usable part of the desktop (panels and the window's frame left out);
  // the whole desktop until set.
  void SetUsableSize(int width, int height);
  // A high-density display: `pixelsPerPoint` drawable pixels to a point (1 at
  // first). Window sizes and the desktop are in points, the output size in
  // pixels, and mouse events pushed in points come out in pixels.
  void SetPixelsPerPoint(double pixelsPerPoint);
  // The last presented frame (empty before the first); read it while no other thread presents.
  const std::vector<uint32_t>& GetLastFrame() const;
  int GetLastFrameWidth() const { return frameWidth_; }
  int GetLastFrameHeight() const { return frameHeight_; }
  // Frames copied so far (a lent frame is copied only when read or returned).
  uint64_t GetFrameCopyCount() const { return copies_; }
  // Every address OpenUrl was asked to open, in order.
  const std::vector<std::string>& GetOpenedUrls() const { return urls_; }
  bool IsMouseCaptured() const { return captured_; }
  const std::vector<uint32_t>& GetCursorImage() const { return cursor_; }
  uint32_t GetStartTime() const { return start_; }

  // --- THost ---
  const char* GetName() const override { return "headless"; }
  bool IsHeadless() const override { return true; }
  bool CreateWindow(const TString& title, int width, int height) override;
  void DestroyWindow() override;
  bool HasWindow() const override { return hasWindow_; }
  void SetWindowTitle(const TString& title) override { title_ = title; }
  TString GetWindowTitle() const override { return title_; }
  bool SetWindowMode(int width, int height, bool fullScreen) override;
  bool IsFullScreen() const override { return fullScreen_; }
  void GetOutputSize(int* width, int* height) const override;
  void GetDesktopSize(int* width, int* height) const override;
  void GetUsableSize(int* width, int* height) const override;
  void RaiseWindow() override { focused_ = true; }
  bool HasFocus() const override { return hasWindow_ && focused_ && !minimized_; }
  bool IsMinimized() const override { return minimized_; }
  // The position the last kMoved event gave (0, 0 at first).
  bool GetWindowPosition(int* x, int* y) const override {
    *x = windowX_;
    *y = windowY_;
    return hasWindow_;
  }
  bool PollEvent(THostEvent* event) override;
  void Wait(uint32_t ms) override;
  void CaptureMouse(bool capture) override { captured_ = capture; }
  bool GetMousePosition(int* x, int* y) const override;
  void SetCursorImage(const uint32_t* argb, int width, int height, int pitchPixels, int hotX, int hotY) override;
  void ShowCursor(bool show) override { cursorShown_ = show; }
  bool IsCursorShown() const override { return cursorShown_; }
  TString GetClipboardText() override { return clipboard_; }
  bool SetClipboardText(const TString& text) override;
  void ShowMessageBox(const TString& title, const TString& text, bool error) override;
  // Records the address; only an explicitly named browser is started (and
  // waited for), never the desktop's opener.
  bool OpenUrl(const TString& url, const TString& browser) override;
  void Present(const uint32_t* pixels, int width, int height, int pitchPixels) override;
  // A lent frame is copied only when it is read (GetLastFrame, SaveScreenshot) or returned.
  void PresentLent(const uint32_t* pixels, int width, int height, int pitchPixels) override;
  void ReturnFrame() override;
  uint64_t GetPresentCount() const override { return presents_; }
  // Off: the frames presented from now on are counted but not kept (the last
  // one kept stays for GetLastFrame and SaveScreenshot); on by default.
  void SetKeepLastFrame(bool keep) override;
  bool ReadsFrames() const override { return keep_; }
  // The input script writes screenshots of its own ("screenshot" lines).
  bool HasScriptedScreenshots() const { return screenshots_ > 0; }
  // The script's screenshots that could not be written (each told on
  // standard error and in the log when its time came).
  size_t GetUnwrittenScreenshots() const { return unwrittenScreenshots_; }
  bool SaveScreenshot(const TString& path) override;

private:
  struct Timed {
    uint32_t at;
    uint64_t seq;
    THostEvent event;
  };
  std::deque<Timed> queue_;  // sorted by (at, seq)
  uint64_t seq_ = 0;
  uint32_t start_ = 0;
  size_t screenshots_ = 0;
  size_t unwrittenScreenshots_ = 0;
  bool ownsClock_ = false;
  bool hasWindow_ = false, fullScreen_ = false, focused_ = false, minimized_ = false;
  bool captured_ = false, cursorShown_ = true;
  TString title_, clipboard_;
  int windowW_ = 0, windowH_ = 0, desktopW_ = 1920, desktopH_ = 1080;
  int usableW_ = 0, usableH_ = 0;  // 0: the desktop's
  double pixelsPerPoint_ = 1.0;
  int mouseX_ = -1, mouseY_ = -1;
  int windowX_ = 0, windowY_ = 0;
  std::set<uint32_t> keysDown_;  // a key-down of one of them is its auto-repeat
  // Copies the lent frame into frame_ (frameMutex_ held).
  void TakeLentFrame() const;
  mutable std::vector<uint32_t> frame_;
  std::vector<uint32_t> cursor_;
  mutable const uint32_t* lent_ = nullptr;  // the pixels of the last PresentLent, not yet copied
  int lentPitch_ = 0;
  mutable uint64_t copies_ = 0;
  int frameWidth_ = 0, frameHeight_ = 0;
  std::atomic<bool> keep_{true};
  std::atomic<uint64_t> presents_{0};
  mutable std::mutex frameMutex_;  // frames may come from any thread
  std::vector<std::string> urls_;
};
