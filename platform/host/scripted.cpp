// A real window driven by an input script (see hosts.h).
#include "platform/host/hosts.h"

namespace {

class TScriptedWindowHost : public THeadlessHost {
public:
  explicit TScriptedWindowHost(std::unique_ptr<THost> window) : window_(std::move(window)) {}

  const char* GetName() const override { return window_->GetName(); }
  bool IsHeadless() const override { return false; }
  bool CreateWindow(const TString& title, int width, int height) override {
    return window_->CreateWindow(title, width, height) && THeadlessHost::CreateWindow(title, width, height);
  }
  void DestroyWindow() override {
    window_->DestroyWindow();
    THeadlessHost::DestroyWindow();
  }
  void SetWindowTitle(const TString& title) override { window_->SetWindowTitle(title); }
  TString GetWindowTitle() const override { return window_->GetWindowTitle(); }
  bool SetWindowMode(int width, int height, bool fullScreen) override {
    return window_->SetWindowMode(width, height, fullScreen) && THeadlessHost::SetWindowMode(width, height, fullScreen);
  }
  bool IsFullScreen() const override { return window_->IsFullScreen(); }
  void GetOutputSize(int* width, int* height) const override { window_->GetOutputSize(width, height); }
  void GetDesktopSize(int* width, int* height) const override { window_->GetDesktopSize(width, height); }
  void GetUsableSize(int* width, int* height) const override { window_->GetUsableSize(width, height); }
  // The window's own events are taken (a frame from another thread is shown
  // then) and dropped: the script is the only input.
  bool PollEvent(THostEvent* event) override {
    DropWindowEvents();
    return THeadlessHost::PollEvent(event);
  }
  void Wait(uint32_t ms) override {
    DropWindowEvents();
    THeadlessHost::Wait(ms);
  }
  void SetCursorImage(const uint32_t* argb, int width, int height, int pitchPixels, int hotX, int hotY) override {
    window_->SetCursorImage(argb, width, height, pitchPixels, hotX, hotY);
    THeadlessHost::SetCursorImage(argb, width, height, pitchPixels, hotX, hotY);
  }
  void ShowCursor(bool show) override {
    window_->ShowCursor(show);
    THeadlessHost::ShowCursor(show);
  }
  void Present(const uint32_t* pixels, int width, int height, int pitchPixels) override {
    window_->Present(pixels, width, height, pitchPixels);
  }
  // Lent frames go to the window too (the headless host would keep them).
  void PresentLent(const uint32_t* pixels, int width, int height, int pitchPixels) override {
    window_->PresentLent(pixels, width, height, pitchPixels);
  }
  void ReturnFrame() override { window_->ReturnFrame(); }
  bool IsPresentDone() const override { return window_->IsPresentDone(); }
  uint64_t GetPresentCount() const override { return window_->GetPresentCount(); }
  void SetKeepLastFrame(bool keep) override { window_->SetKeepLastFrame(keep); }
  bool SaveScreenshot(const TString& path) override { return window_->SaveScreenshot(path); }

private:
  void DropWindowEvents() {
    THostEvent dropped;
    while (window_->PollEvent(&dropped)) {
    }
  }

  std::unique_ptr<THost> window_;
};

}  // namespace

std::unique_ptr<THost> CreateScriptedWindowHost(std::unique_ptr<THost> window, const std::string& inputPath,
                                               const std::string& baseFolder, std::string* why) {
  if (!window) return nullptr;
  auto host = std::make_unique<TScriptedWindowHost>(std::move(window));
  // Without its script the window would take no input at all.
  if (!host->LoadInputScript(inputPath, baseFolder, why)) return nullptr;
  if (host->HasScriptedScreenshots()) host->SetKeepLastFrame(true);
  return host;
}
