// A display opened on the software display device for the render tests:
// a window of its own, a temporary user folder, an asset registry and the
// manual clock; frames are read back from what was presented.
#pragma once
#include <gtest/gtest.h>

#include <functional>

#include "platform/registry/asset.h"
#include "platform/settings.h"
#include "platform/time.h"
#include "render/device/displayhandler.h"
#include "render/renderer.h"
#include "render/sdev/fault.h"
#include "render/textures/texture.h"
#include "tests/support/testsupport.h"

class TestWindow : public sdev::HostWindow {
public:
  int width = 256, height = 192;
  int x = 0, y = 0;
  uint32_t style = 0x80000000u | 0x00C40000u;
  int sizedW = 0, sizedH = 0;
  bool minimized = false;
  sdev::Rect ClientRectOnScreen() override {
    return minimized ? sdev::Rect{} : sdev::Rect{x, y, x + width, y + height};
  }
  sdev::Rect WindowRect() override { return sdev::Rect{x - 4, y - 30, x + width + 4, y + height + 4}; }
  uint32_t Style() override { return style; }
  void SetStyle(uint32_t s) override { style = s; }
  sdev::Rect AdjustForStyle(int w, int h) override { return sdev::Rect{-4, -30, w + 4, h + 4}; }
  void SetSize(int w, int h) override {
    sizedW = w;
    sizedH = h;
  }
  void Move(int nx, int ny) override {
    x = nx + 4;
    y = ny + 30;
  }
  void SetNotTopmost() override {}
};

class DisplayTest : public ::testing::Test {
protected:
  void SetUp() override {
    sdev::test::Fault::Install(Config());
    SetSetting("userfolder", TString(dir_.Path()));
    SetAssetManager(&assets_);
  }
  void TearDown() override {
    TRenderer::Destroy();
    DestroyDisplayHandler();
    SetAssetManager(nullptr);
    ClearSettings();
    sdev::test::Fault::Install(sdev::test::DefaultConfig());
  }
  virtual sdev::test::Config Config() { return sdev::test::DefaultConfig(); }

  bool Open(int w = 256, int h = 192, bool fullScreen = false) {
    window_.width = w;
    window_.height = h;
    handler_ = CreateDisplayHandler();
    handler_->runRestoreTasks = [this]() { ++restoreTasksRun_; };
    return handler_->Open(&window_, w, h, fullScreen);
  }

  // One frame: fill with `clear`, draw inside 2-D, present.
  const sdev::test::Frame& Frame(const std::function<void()>& draw, uint32_t clear = 0xFF000000u) {
    TRenderer* r = TRenderer::GetInstance();
    EXPECT_TRUE(r->BeginDraw());
    handler_->FillRect(0, 0, handler_->GetWidth(), handler_->GetHeight(), clear, nullptr);
    bool in = r->Begin2d();
    r->SetBlendMode(kBlendModeAlpha);
    draw();
    if (in) r->End2d();
    r->DrawDebugOverlay(true);
    return sdev::test::LastFrame();
  }

  // A texture of w x h filled by fn(x, y) -> ARGB.
  TTextureRef MakeTexture(int w, int h, const std::function<uint32_t(int, int)>& fn) {
    TTextureRef t = TTexture::CreateBlank(uint32_t(w), uint32_t(h), false);
    EXPECT_TRUE(t);
    if (!t) return t;
    uint32_t* px = nullptr;
    uint32_t pitch = 0;
    EXPECT_TRUE(t->Lock(&px, &pitch));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) px[size_t(y) * pitch + x] = fn(x, y);
    t->Unlock();
    return t;
  }

  testing_support::TempDir dir_;
  TManualTimeScope time_;
  TAssetManager assets_;
  TestWindow window_;
  TDisplayHandler* handler_ = nullptr;
  int restoreTasksRun_ = 0;
};

// Channels of two ARGB colours differ by at most `tolerance`.
inline bool Near(uint32_t a, uint32_t b, int tolerance = 1) {
  for (int s = 0; s < 32; s += 8) {
    int d = int((a >> s) & 0xFF) - int((b >> s) & 0xFF);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}
