// TPlatform: construction, shut-down order and the services other than the event source.
#include "platform/shell/platform.h"

#include <algorithm>
#include <cmath>

#include "platform/folders.h"
#include "platform/host/desktop.h"
#include "platform/host/system.h"
#include "platform/log.h"
#include "platform/registry/asset.h"
#include "platform/settings.h"
#include "platform/stringtable.h"
#include "platform/time.h"

namespace {
TPlatform* gInstance = nullptr;

// The stand-in display until a real one is plugged in: one plain colour.
class TPlainDisplay : public TPlatformDisplay {
public:
  TPlainDisplay(THost* host, uint32_t color) : host_(host), color_(color) {}
  bool Open(int width, int height, bool) override {
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * height, color_);
    return true;
  }
  bool ModeChanged(bool) override { return true; }
  bool IsUsable() const override { return !pixels_.empty(); }
  bool IsFlipDone() override { return host_->IsPresentDone(); }
  void EndDraw(bool present) override {
    if (present && !pixels_.empty()) host_->Present(pixels_.data(), width_, height_, width_);
  }
  void OutOfVideoMemory() override { TraceOut("OutOfVideoMemory triggered!"); }
  void SetCursor(const boost::shared_ptr<TTexture>&, int, int, int) override {}
  void ShowCursor(bool show) override { host_->ShowCursor(show); }

private:
  THost* host_;
  uint32_t color_;
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;
};
}  // namespace

std::unique_ptr<TPlatformDisplay> CreatePlainDisplay(THost* host, uint32_t color) {
  return std::make_unique<TPlainDisplay>(host, color);
}

TPlatform::TPlatform(std::unique_ptr<TApplication> app, const TPlatformHooks& hooks)
    : app_(std::move(app)), hooks_(hooks) {
  gInstance = this;
}

TPlatform::~TPlatform() {
  TWindowManager* wm = app_->windowManager;
  app_->windowManager = nullptr;
  if (wm && hooks_.destroyWindowManager) hooks_.destroyWindowManager(wm);
  app_->tasks.Clear();
  restoreTasks_.Clear();
  if (app_->soundManager && hooks_.destroySoundManager) hooks_.destroySoundManager(app_->soundManager);
  app_->soundManager = nullptr;
  if (hooks_.destroyFontDrawer) hooks_.destroyFontDrawer();
  app_->SetDisplay(nullptr);
  display_.reset();
  if (hooks_.destroyGameState) hooks_.destroyGameState();
  app_->stringTable.reset();
  SetAssetManager(nullptr);
  app_->assetManager = nullptr;
  app_.reset();
  gInstance = nullptr;
}

TPlatform* TPlatform::GetInstance() { return gInstance; }

TSoundManager* TPlatform::GetSoundManager() {
  if (!app_->soundManager && !soundStarted_) StartSoundManager();
  return app_->soundManager;
}

void TPlatform::StartSoundManager() {
  if (soundStarted_) return;
  soundStarted_ = true;
  if (!hooks_.createSoundManager) return;
  app_->soundManager = hooks_.createSoundManager();
  if (!app_->soundManager) TraceOut("The sound manager could not start");
}

void TPlatform::SetWindowTitle(const TString& title) {
  if (GetHost()) GetHost()->SetWindowTitle(title);
}

bool TPlatform::OpenDisplay(int width, int height, bool fullScreen) {
  THost* host = GetHost();
  if (!host || width <= 0 || height <= 0 || width > 16384 || height > 16384) {
    TraceOut("OpenDisplay(%d, %d, %d) refused", width, height, fullScreen ? 1 : 0);
    return false;
  }
  int windowW = 0, windowH = 0;
  WindowSizeFor(width, height, &windowW, &windowH);
  if (!host->SetWindowMode(windowW, windowH, fullScreen)) {
    TraceOut("OpenDisplay: the window cannot take %dx%d %s", windowW, windowH, fullScreen ? "full screen" : "in a window");
    return false;
  }
  bool first = !display_;
  if (first) {
    display_ = hooks_.createDisplay ? hooks_.createDisplay(this) : CreatePlainDisplay(host);
    if (!display_) return false;
  }
  gameW_ = width;
  gameH_ = height;
  if (!display_->Open(width, height, fullScreen)) {
    TraceOut("OpenDisplay: the display cannot open at %dx%d", width, height);
    return false;
  }
  app_->SetDisplay(display_.get());
  if (!displayOpen_ && hooks_.createRootScreen) hooks_.createRootScreen(app_->windowManager, width, height);
  displayOpen_ = true;
  display_->ShowCursor(app_->cursorShown);
  pendingPaint_ = true;
  return true;
}

void TPlatform::WindowSizeFor(int width, int height, int* windowW, int* windowH) const {
  float scale = app_->viewportScaling ? app_->viewportScale : 1.0f;
  *windowW = std::max(1, static_cast<int>(width * scale + 0.5f));
  *windowH = std::max(1, static_cast<int>(height * scale + 0.5f));
  // A window larger than the screen would be cut off on every side: it
  // shrinks to the usable area, its aspect kept (the frame is shown scaled).
  int usableW = 0, usableH = 0;
  if (THost* host = GetHost()) host->GetUsableSize(&usableW, &usableH);
  if (usableW <= 0 || usableH <= 0 || (*windowW <= usableW && *windowH <= usableH)) return;
  THostRect fit = FitFrame(*windowW, *windowH, usableW, usableH);
  if (fit.Width() <= 0 || fit.Height() <= 0) return;
  TraceOut("Display: a %dx%d window does not fit the screen's usable %dx%d; it is made %dx%d", *windowW, *windowH,
           usableW, usableH, fit.Width(), fit.Height());
  *windowW = fit.Width();
  *windowH = fit.Height();
}

bool TPlatform::IsFullScreen() const { return GetHost() && GetHost()->IsFullScreen(); }

bool TPlatform::SetFullScreen(bool fullScreen) {
  THost* host = GetHost();
  if (!host || !displayOpen_) return false;
  if (fullScreen == host->IsFullScreen()) return true;
  int windowW = 0, windowH = 0;
  WindowSizeFor(gameW_, gameH_, &windowW, &windowH);
  if (!host->SetWindowMode(windowW, windowH, fullScreen)) return false;
  bool ok = display_->ModeChanged(fullScreen);
  pendingPaint_ = true;
  return ok;
}

void TPlatform::GetDisplayMode(int* width, int* height, bool* fullScreen) const {
  if (displayOpen_) {
    *width = gameW_;
    *height = gameH_;
  } else if (GetHost()) {
    GetHost()->GetOutputSize(width, height);
  } else {
    *width = *height = 0;
  }
  *fullScreen = IsFullScreen();
}

bool TPlatform::IsFlipDone() {
  if (display_) return display_->IsFlipDone();
  return !GetHost() || GetHost()->IsPresentDone();
}

bool TPlatform::IsForeground() const { return GetHost() && GetHost()->HasFocus(); }

void TPlatform::EndDraw(bool present) {
  if (display_) display_->EndDraw(present);
}

void TPlatform::OutOfVideoMemory() {
  if (display_) display_->OutOfVideoMemory();
}

void TPlatform::WindowToGame(int wx, int wy, int32_t* gx, int32_t* gy) const {
  int64_t x = wx, y = wy;
  int outW = 0, outH = 0;
  if (GetHost()) GetHost()->GetOutputSize(&outW, &outH);
  THostRect fit = FitFrame(gameW_, gameH_, outW, outH);
  if (displayOpen_ && fit.Width() > 0 && fit.Height() > 0) {
    // Floor division, so points on the bars left of or above the picture stay negative.
    auto scale = [](int64_t v, int64_t num, int64_t den) {
      int64_t p = v * num;
      return p >= 0 ? p / den : -((-p + den - 1) / den);
    };
    x = scale(x - fit.left, gameW_, fit.Width());
    y = scale(y - fit.top, gameH_, fit.Height());
  }
  auto clamp16 = [](int64_t v) { return static_cast<int32_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); };
  *gx = clamp16(x);
  *gy = clamp16(y);
}

uint32_t TPlatform::GetTime() const {
  return (lastActive_ ? GetPlatformTime() : playStoppedAt_) - playPausedTotal_;
}

void TPlatform::Sleep(uint32_t ms) { PlatformSleep(ms); }

void TPlatform::PostQuit(int exitCode) {
  quitPosted_ = true;
  exitCode_ = exitCode;
}

bool TPlatform::OpenUrl(const TString& link) {
  std::string target = link.str();
  if (IsWebOrMailLink(target)) {
    std::string dropped;
    target = KeepMailSubjectAndBody(target, &dropped);
    if (!dropped.empty())
      TraceOut("OpenUrl: the mail link \"%s\" is opened without its fields %s (only a subject and a body are kept)",
               link.c_str(), dropped.c_str());
  } else {
    // Only the game's own data: the assets folder, never the working folder
    // around it (which may be any folder the game was started in).
    bool executable = false;
    std::string document = FindGameDocument(target, {GetWorkingFolder().str() + "assets"}, &executable);
    if (document.empty()) {
      if (!IsDocumentName(target))
        TraceOut("OpenUrl: refused the link \"%s\": only http:, https: and mailto: addresses and the game's own "
                 "documents are opened",
                 link.c_str());
      else if (executable)
        TraceOut("OpenUrl: refused the document \"%s\": it is an executable file; nothing is opened", link.c_str());
      else
        TraceOut("OpenUrl: the document \"%s\" is not in the game's assets folder; nothing is opened", link.c_str());
      return false;
    }
    target = FileUri(document);
  }
  TString browser = GetSettingString("browser");
  if (GetHost()) return GetHost()->OpenUrl(TString(target), browser);
  return OpenUrlWith(target, browser.str(), false);
}

void TPlatform::SetCursor(const boost::shared_ptr<TTexture>& texture, int hotX, int hotY, int flag) {
  if (display_) display_->SetCursor(texture, hotX, hotY, flag);
  else TraceOut("SetCursor: no display yet; ignored");
}

void TPlatform::ShowCursor(bool show) {
  app_->cursorShown = show;
  if (display_) display_->ShowCursor(show);
  else if (GetHost()) GetHost()->ShowCursor(show);
}

TString TPlatform::GetClipboardText() { return GetHost() ? GetHost()->GetClipboardText() : TString(); }

void TPlatform::SetClipboardText(const TString& text) {
  if (GetHost()) GetHost()->SetClipboardText(text);
}

void TPlatform::AddRestoreTask(TTask* task) {
  if (task) restoreTasks_.Add(task);
}

bool TPlatform::RemoveRestoreTask(TTask* task) { return restoreTasks_.Remove(task); }

void TPlatform::RunRestoreTasks() { restoreTasks_.Run(0); }

void TPlatform::AddTask(TTask* task) {
  if (task) app_->tasks.Add(task);
}

bool TPlatform::IsDrawingSuspended() const {
  TWindowManager* wm = GetWindowManager();
  return wm && hooks_.isDrawingSuspended && hooks_.isDrawingSuspended(wm);
}

void TPlatform::InvalidateWindows() {
  TWindowManager* wm = GetWindowManager();
  if (wm && hooks_.invalidateWindows) hooks_.invalidateWindows(wm);
}
