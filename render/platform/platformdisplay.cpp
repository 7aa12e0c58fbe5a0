// The display seen by the platform shell: the display handler over the
// software display device, with the host as desktop, window and screen.
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "render/device/displayhandler.h"
#include "render/device/platformlink.h"
#include "render/sprites/dxcursor.h"
#include "render/text/font.h"
#include "render/platform/hooks.h"
#include "render/text/minivecdraw.h"
#include "render/text/textblock.h"
#include "render/renderer.h"
#include "render/sdev/fault.h"
#include "render/sdev/sdev.h"
#include "render/textures/keptpictures.h"
#include "render/textures/texture.h"

namespace {

// The host's window: the platform has sized it before the display opens. Its
// client area is the game's (times the viewport scale) even when the window
// was made smaller to fit the screen: the display draws the whole frame and
// the host shows it scaled into the window.
class HostWindowBridge : public sdev::HostWindow {
public:
  explicit HostWindowBridge(THost* host) : host_(host) {}
  // The area the display draws: set before it opens.
  void SetArea(int width, int height) {
    areaW_ = width;
    areaH_ = height;
  }
  void GetClientSize(int* w, int* h) const {
    host_->GetOutputSize(w, h);
    if (host_->IsMinimized()) {
      *w = *h = 0;
      return;
    }
    if (!host_->IsFullScreen()) {
      *w = std::max(*w, areaW_.load());
      *h = std::max(*h, areaH_.load());
    }
  }
  sdev::Rect ClientRectOnScreen() override {
    int w = 0, h = 0;
    GetClientSize(&w, &h);
    return sdev::Rect{0, 0, w, h};
  }
  sdev::Rect WindowRect() override { return ClientRectOnScreen(); }
  uint32_t Style() override { return style_; }
  void SetStyle(uint32_t s) override { style_ = s; }
  sdev::Rect AdjustForStyle(int w, int h) override { return sdev::Rect{0, 0, w, h}; }
  void SetSize(int, int) override {}
  void Move(int, int) override {}
  void SetNotTopmost() override {}

private:
  THost* host_;
  uint32_t style_ = 0;
  std::atomic<int> areaW_{0}, areaH_{0};
};

// The desktop as the host reports it.
class HostDesktop : public sdev::Host {
public:
  HostDesktop(THost* host, const HostWindowBridge* window) : host_(host), window_(window) {}
  // Never smaller than the window: the windowed screen surface holds its client area.
  sdev::DesktopInfo GetDesktop() override {
    sdev::DesktopInfo d;
    int w = 0, h = 0;
    host_->GetDesktopSize(&d.width, &d.height);
    window_->GetClientSize(&w, &h);
    d.width = std::max(d.width, w);
    d.height = std::max(d.height, h);
    return d;
  }
  int SystemMetric(sdev::Metric m) override {
    int w = 0, h = 0;
    host_->GetDesktopSize(&w, &h);
    if (m == sdev::Metric::CxScreen) return w;
    if (m == sdev::Metric::CyScreen) return h;
    return 0;  // the host's window has no frame of its own in game pixels
  }
  sdev::Rect WorkArea() override {
    int w = 0, h = 0;
    host_->GetDesktopSize(&w, &h);
    return sdev::Rect{0, 0, w, h};
  }
  bool OsAtLeast(int, int) override { return true; }
  void MessageBox(const std::string& text, const std::string& caption) override {
    host_->ShowMessageBox(caption, text, true);
  }
  void InvalidateDesktop() override {}

private:
  THost* host_;
  const HostWindowBridge* window_;
};

class TDxPlatformDisplay : public TPlatformDisplay, public sdev::Presenter {
public:
  explicit TDxPlatformDisplay(TPlatform* platform)
      : platform_(platform), host_(platform->GetHost()), window_(host_), desktop_(host_, &window_) {
    sdev::SetHost(&desktop_);
    sdev::SetPresenter(this);
    // What the display reads of the application object.
    TPlatformLink link;
    link.hasHostWindow = [platform]() {
      TApplication* a = platform->GetApplication();
      return a && !a->hostWindow.empty();
    };
    link.viewportScale = [platform]() {
      TApplication* a = platform->GetApplication();
      return a && a->viewportScaling && a->viewportScale > 0.0f ? a->viewportScale : 0.0f;
    };
    SetPlatformLink(std::move(link));
    // Setting "plaindrawing": every pixel by the plain formulas and text from
    // its glyph runs, the reference the fast paths are checked against.
    if (GetSettingBool("plaindrawing")) {
      sdev::SetVectorLevel(0);
      TTextBlock::SetPicturesEnabled(false);
    }
  }
  ~TDxPlatformDisplay() override {
    keptpictures::LogCounts();
    {
      std::lock_guard<std::mutex> lock(cursorMutex_);
      cursor_.reset();
    }
    TRenderer::Destroy();
    DestroyDisplayHandler();
    SetPlatformLink(TPlatformLink());
    sdev::SetPresenter(nullptr);
    sdev::SetHost(nullptr);
  }

  bool Open(int width, int height, bool fullScreen) override {
    sdev::AddDisplayMode(sdev::DisplayMode{uint32_t(width), uint32_t(height), 32});
    sdev::AddDisplayMode(sdev::DisplayMode{uint32_t(width), uint32_t(height), 16});
    TDisplayHandler* h = GetDisplayHandler();
    if (!h) {
      h = CreateDisplayHandler();
      TPlatform* p = platform_;
      h->runRestoreTasks = [p]() { p->RunRestoreTasks(); };
      h->isDrawingSuspended = [p]() { return p->IsDrawingSuspended(); };
      h->invalidateWindows = [p]() { p->InvalidateWindows(); };
    }
    SetArea(width, height);
    bool ok = h->Open(&window_, width, height, fullScreen);
    // The vector-font drawer checks its line rule once against the real device.
    if (ok && !linesTested_) {
      linesTested_ = true;
      if (!GetMiniVecDraw()->TestLines())
        TraceOut("Text drawing: the line test found %d wrong pixels; glyph spans go out in batches of %d",
                 GetMiniVecDraw()->GetLineTestErrors(), GetMiniVecDraw()->GetBatchSize());
    }
    std::lock_guard<std::mutex> lock(cursorMutex_);
    if (ok && !cursor_) cursor_ = std::make_unique<TDXSoftwareCursor>(h->GetContext(), CursorHooks());
    return ok;
  }
  bool ModeChanged(bool fullScreen) override {
    TDisplayHandler* h = GetDisplayHandler();
    if (!h) return false;
    SetArea(h->GetWidth(), h->GetHeight());
    return h->Open(&window_, h->GetWidth(), h->GetHeight(), fullScreen);
  }
  bool IsUsable() const override {
    TDisplayHandler* h = GetDisplayHandler();
    return h && h->IsUsable();
  }
  bool IsFlipDone() override {
    // A full-screen window that is minimised loses the device until it comes back.
    bool away = host_->IsFullScreen() && host_->IsMinimized();
    if (away && !minimizedLoss_) sdev::test::Fault::LoseDevice();
    if (!away && minimizedLoss_) sdev::test::Fault::RegainFocus();
    minimizedLoss_ = away;
    if (debugLoss_) {
      sdev::test::Fault::RegainFocus();
      debugLoss_ = false;
    }
    TDisplayHandler* h = GetDisplayHandler();
    return h && h->IsFlipDone() && host_->IsPresentDone();
  }
  void EndDraw(bool present) override {
    TDisplayHandler* h = GetDisplayHandler();
    if (!h) return;
    h->EndDraw(present);
    // Setting "debugdeviceloss" = N: the device is lost after frame N and comes back at the next frame.
    if (present && ++frames_ == uint64_t(GetSettingInt("debugdeviceloss"))) {
      sdev::test::Fault::LoseDevice();
      debugLoss_ = true;
    }
  }
  void OutOfVideoMemory() override {
    if (TDisplayHandler* h = GetDisplayHandler()) h->OutOfVideoMemory();
  }
  // The software cursor draws the picture into the frames and between them.
  void SetCursor(const boost::shared_ptr<TTexture>& texture, int hotX, int hotY, int flag) override {
    std::lock_guard<std::mutex> lock(cursorMutex_);
    if (!cursor_ || !cursor_->SetMouseTexture(texture, hotX, hotY, flag != 0)) {
      TraceOut("SetCursor: no cursor picture");
      return;
    }
    hasPicture_ = true;
    host_->ShowCursor(false);
  }
  // Until the game gives a picture the system pointer shows.
  void ShowCursor(bool show) override {
    host_->ShowCursor(show && !hasPicture_);
    shown_ = show;
  }
  void OnWindowMoved() override {
    std::lock_guard<std::mutex> lock(cursorMutex_);
    if (cursor_) cursor_->OnWindowMoved();
  }
  bool UpdateCursor() override {
    std::lock_guard<std::mutex> lock(cursorMutex_);
    if (!cursor_ || !IsUsable()) return false;
    return cursor_->DrawFromHelper().x != -1;
  }

  void Present(const uint32_t* argb, int width, int height, int pitchPixels) override {
    host_->Present(argb, width, height, pitchPixels);
  }
  void PresentLent(const uint32_t* argb, int width, int height, int pitchPixels) override {
    host_->PresentLent(argb, width, height, pitchPixels);
  }
  void ReturnFrame() override { host_->ReturnFrame(); }
  bool ReadsFrames() const override { return host_->ReadsFrames(); }

private:
  // The window's client area as the display sees it: the game's, times the viewport scale.
  void SetArea(int width, int height) {
    TApplication* a = platform_->GetApplication();
    float scale = a && a->viewportScaling && a->viewportScale > 0.0f ? a->viewportScale : 1.0f;
    window_.SetArea(int(width * scale + 0.5f), int(height * scale + 0.5f));
  }

  TDXCursorHooks CursorHooks() {
    TDXCursorHooks hooks;
    TPlatform* p = platform_;
    THost* host = host_;
    hooks.getMousePosition = [p, host](int* x, int* y) {
      int wx = 0, wy = 0;
      if (!host->GetMousePosition(&wx, &wy)) return false;
      int32_t gx = 0, gy = 0;
      p->WindowToGame(wx, wy, &gx, &gy);
      *x = gx;
      *y = gy;
      return true;
    };
    hooks.getDesktopRect = [host]() {
      int w = 0, h = 0;
      host->GetDesktopSize(&w, &h);
      return TRect(0, 0, w, h);
    };
    hooks.showSystemCursor = [host](bool show, const uint32_t* argb, int w, int h, int pitch, int hx, int hy) {
      host->SetCursorImage(argb, w, h, pitch, hx, hy);
      host->ShowCursor(show);
    };
    hooks.isDrawingSuspended = [p]() { return p->IsDrawingSuspended(); };
    hooks.getWindowBounds = [host]() {
      int x = 0, y = 0, w = 0, h = 0;
      if (!host->GetWindowPosition(&x, &y)) return TRect();
      host->GetOutputSize(&w, &h);
      if (host->IsMinimized()) w = h = 0;
      return MakeRectXYWH(x, y, w, h);
    };
    std::atomic<bool>* shown = &shown_;
    hooks.isCursorSuppressed = [p, shown]() {
      return !*shown || (p->GetApplication() && p->GetApplication()->cursorSuppress.load() != 0);
    };
    return hooks;
  }

  TPlatform* platform_;
  THost* host_;
  HostWindowBridge window_;
  HostDesktop desktop_;
  std::mutex cursorMutex_;
  std::unique_ptr<TDXSoftwareCursor> cursor_;
  std::atomic<bool> shown_{true};
  bool hasPicture_ = false;
  bool minimizedLoss_ = false, debugLoss_ = false;
  bool linesTested_ = false;
  uint64_t frames_ = 0;
};

}  // namespace

void AddDisplayHooks(TPlatformHooks& hooks) {
  // The font cache and the glyph spans go with the vector-font drawer.
  hooks.destroyFontDrawer = []() { ClearFontCache(); };
  hooks.createDisplay = [](TPlatform* platform) -> std::unique_ptr<TPlatformDisplay> {
    if (!platform || !platform->GetHost()) return nullptr;
    return std::make_unique<TDxPlatformDisplay>(platform);
  };
}
