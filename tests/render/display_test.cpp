// The DirectX context, the display object and the display handler: device
// choice and quirks, presentation, frames, render targets, device loss and
// the out-of-video-memory fallback, on frames read back from the screen.
#include <thread>

#include "display_fixture.h"
#include "image_writers.h"
#include "platform/file.h"
#include "platform/log.h"
#include "render/device/display.h"
#include "render/device/dxcontext.h"
#include "render/textures/texturedata.h"

using namespace sdev;
using sdev::test::Fault;

namespace {

D3DDeviceDesc Dev(uint32_t id, uint32_t caps, uint32_t maxTex = 4096) {
  D3DDeviceDesc d;
  d.guid.w[0] = id;
  d.devCaps = caps;
  d.renderDepths = kDdbd16 | kDdbd32;
  d.triShadeCaps = kShadeCapsColorGouraudRgb;
  d.maxTextureWidth = d.maxTextureHeight = maxTex;
  return d;
}

bool LogHas(const TLogCapture& log, const std::string& text) { return log.Contains(text); }

// --- TDXContext and CDisplay ---

TEST_F(DisplayTest, DesktopColoursAndWindowFitDecideBeforeAnyDevice) {
  test::Config cfg = test::DefaultConfig();
  cfg.desktop.colorCount = 16;
  Fault::Install(cfg);
  TDXContext ctx;
  EXPECT_FALSE(ctx.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_TRUE(ctx.DesktopRefused());
  EXPECT_EQ(Fault::Count(test::Op::CreateDD), 0);
  cfg.desktop.colorCount = 256;
  Fault::Install(cfg);
  EXPECT_FALSE(ctx.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_TRUE(ctx.Create(&window_, true, 640, 480, 32, 1));
  cfg = test::DefaultConfig();
  cfg.desktop.width = 1024;
  cfg.desktop.height = 768;
  Fault::Install(cfg);
  EXPECT_FALSE(ctx.Create(&window_, false, 1024, 768, 32, 1));  // frame and caption do not fit
  SetSetting("viewportscale", "0.5");
  EXPECT_TRUE(ctx.Create(&window_, false, 1024, 768, 32, 1));
  EXPECT_EQ(ctx.GetBackBuffer()->Width(), 512u);
}

TEST_F(DisplayTest, FirstHardwareTransformDeviceWinsElseTheLastPassing) {
  test::Config cfg = test::DefaultConfig();
  auto& devs = cfg.adapters[0].d3dDevices;
  devs.clear();
  devs.push_back({"soft", Dev(1, 0)});
  devs.push_back({"hal", Dev(2, kDevCapsHwRasterization)});
  devs.push_back({"tnl", Dev(3, kDevCapsHwRasterization | kDevCapsHwTransformAndLight)});
  devs.push_back({"tnl2", Dev(4, kDevCapsHwRasterization | kDevCapsHwTransformAndLight)});
  Fault::Install(cfg);
  TDXContext ctx;
  ASSERT_TRUE(ctx.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_EQ(ctx.GetDeviceDesc().guid.w[0], 3u);
  devs.erase(devs.begin() + 2, devs.end());
  devs.push_back({"hal2", Dev(5, kDevCapsHwRasterization)});
  Fault::Install(cfg);
  ASSERT_TRUE(ctx.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_EQ(ctx.GetDeviceDesc().guid.w[0], 5u);
  devs.assign(1, {"soft", Dev(1, 0)});
  Fault::Install(cfg);
  TLogCapture log;
  EXPECT_FALSE(ctx.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_TRUE(LogHas(log, "TDXContext::Create failed! Could not find a hardware renderer."));
  devs.assign(1, {"small", Dev(6, kDevCapsHwRasterization, 512)});
  Fault::Install(cfg);
  EXPECT_FALSE(ctx.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_TRUE(LogHas(log, "TDXContext::Create - context does not support 1024x1024 textures! Failing!"));
  EXPECT_EQ(ctx.GetDevice(), nullptr);
  EXPECT_EQ(ctx.GetDirectDraw(), nullptr);
}

TEST_F(DisplayTest, DriverQuirksAndTheSixteenBitRetryReleaseTheMutex) {
  test::Config cfg = test::DefaultConfig();
  cfg.adapters[0].ident.description = "Intel(R) 82945G Express Chipset Family";
  Fault::Install(cfg);
  TDXContext intel;
  ASSERT_TRUE(intel.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_EQ(GetSettingString("brokenindexedverts"), "1");
  EXPECT_NE(intel.GetDeviceText().Find("Description: 'Intel(R) 82945G"), -1);
  EXPECT_NE(intel.GetDeviceText().Find("DDCAPS: "), -1);

  cfg.adapters[0].ident.description = "SiS Mirage 3 Graphics";
  Fault::Install(cfg);
  SetSetting("largevramusage", "1");
  TDisplayHandler* h = CreateDisplayHandler();
  TDXContext& ctx = *h->GetContext();
  ASSERT_TRUE(ctx.Create(&window_, true, 640, 480, 32, 1));
  EXPECT_EQ(h->driverQuirk, 1);
  EXPECT_TRUE(h->Data().sixteenBitMode);
  EXPECT_EQ(ctx.GetDisplayModeDesc().format.bitCount, 16u);
  EXPECT_EQ(Fault::Count(test::Op::CreateDD), 2);
  bool taken = false;
  std::thread other([&] {
    if (ctx.Mutex().try_lock_for(std::chrono::milliseconds(5))) {
      taken = true;
      ctx.Mutex().unlock();
    }
  });
  other.join();
  EXPECT_TRUE(taken);
  EXPECT_EQ(ctx.MutexName().rfind("TDXContextMouseMutex:", 0), 0u);
  EXPECT_EQ(BytesToHexString("\x0A\xFF", 2), "0AFF");
  EXPECT_EQ(BytesToHexString("x", 0), "");
}

TEST_F(DisplayTest, DeviceRefusalsSteerLaterRequests) {
  TDXContext ctx;
  Fault::FailNext(test::Op::CreateDevice, err::kDevice2EB);
  EXPECT_FALSE(ctx.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_TRUE(ctx.DeviceRefused2EB());
  ASSERT_TRUE(ctx.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_TRUE(ctx.GetBackBuffer()->Caps() & caps::kVideoMemory);
  bool asked = false;
  for (const auto& call : Fault::CallLog()) asked |= call == "CreateSurface(0x6040,256x192)";
  EXPECT_TRUE(asked);

  TDXContext ctx2;
  Fault::FailNext(test::Op::CreateDevice, err::kDevice23C);
  EXPECT_FALSE(ctx2.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_FALSE(ctx2.Create(&window_, false, 256, 192, 32, 1));  // windowed stays refused
  EXPECT_TRUE(ctx2.Create(&window_, true, 640, 480, 32, 1));

  TDXContext ctx3;
  test::Config cfg = test::DefaultConfig();
  cfg.videoMemoryBytes = 256 * 192 * 4 + 100;  // the back buffer fits, the z-buffer does not
  Fault::Install(cfg);
  EXPECT_FALSE(ctx3.Create(&window_, false, 256, 192, 32, 1));
  EXPECT_TRUE(ctx3.WindowedOutOfVideoMemory());
  Fault::Install(test::DefaultConfig());
  EXPECT_FALSE(ctx3.Create(&window_, false, 256, 192, 32, 1));
}

TEST_F(DisplayTest, FullScreenDepthAndDeviceFallback) {
  test::Config cfg = test::DefaultConfig();
  cfg.videoMemoryBytes = 12u << 20;
  Fault::Install(cfg);
  CDisplay d;
  TLogCapture log;
  ASSERT_EQ(d.CreateFullScreenDisplay(&window_, 640, 480, 32, 0), err::kOk);
  SurfaceDesc mode;
  d.GetDirectDraw()->GetDisplayMode(&mode);
  EXPECT_EQ(mode.format.bitCount, 16u);
  EXPECT_TRUE(log.Contains("Created screen at 16 bpp."));  // 16 is asked for with little video memory

  cfg = test::DefaultConfig();
  cfg.modes = {{640, 480, 8}, {640, 480, 16}};
  Fault::Install(cfg);
  ASSERT_EQ(d.CreateFullScreenDisplay(&window_, 640, 480, 32, 0), err::kOk);
  d.GetDirectDraw()->GetDisplayMode(&mode);
  EXPECT_EQ(mode.format.bitCount, 16u);
  // The log lines name the depth asked for, not the mode the search ended on.
  EXPECT_TRUE(log.Contains("Created screen at 32 bpp."));
  Fault::FailNext(test::Op::SetDisplayMode, err::kFail);
  EXPECT_EQ(d.CreateFullScreenDisplay(&window_, 640, 480, 32, 0), err::kFail);  // no other device
  EXPECT_TRUE(log.Contains("Failed to create screen at 32 bpp."));
  EXPECT_FALSE(log.Contains("Failed to create screen at 16 bpp."));
  cfg.modes = {{640, 480, 24}, {640, 480, 32}};
  Fault::Install(cfg);
  ASSERT_EQ(d.CreateFullScreenDisplay(&window_, 640, 480, 32, 0), err::kOk);
  d.GetDirectDraw()->GetDisplayMode(&mode);
  EXPECT_EQ(mode.format.bitCount, 32u);

  // The default device fails, the second enumerated one works.
  cfg = test::DefaultConfig();
  test::AdapterConfig second = cfg.adapters[0];
  second.hasGuid = true;
  second.guid.w[0] = 77;
  cfg.adapters.push_back(second);
  Fault::Install(cfg);
  Fault::FailNext(test::Op::CreateDD, err::kFail, 1, 0);
  ASSERT_EQ(d.CreateFullScreenDisplay(&window_, 640, 480, 32, 0), err::kOk);
  EXPECT_EQ(d.GetDirectDraw()->AdapterIndex(), 1);
  // Every device fails: the message box only when the display was never made.
  Fault::FailNext(test::Op::CreateDD, err::kFail, 10);
  EXPECT_EQ(d.CreateFullScreenDisplay(&window_, 640, 480, 32, 0), err::kFail);
  CDisplay fresh;
  Fault::FailNext(test::Op::CreateDD, err::kFail, 10);
  EXPECT_EQ(fresh.CreateFullScreenDisplay(&window_, 640, 480, 32, 0), err::kFail);
  int boxes = 0;
  for (const auto& call : Fault::CallLog()) boxes += call.rfind("MessageBox(Error: Sorry, but this product", 0) == 0;
  EXPECT_EQ(boxes, 1);
}

TEST_F(DisplayTest, WindowedDisplayFixesTheWindowAndPresents) {
  CDisplay d;
  EXPECT_EQ(d.Present(), err::kPointer);
  CDisplaySurface* s = nullptr;
  EXPECT_EQ(d.CreateSurface(&s, 4, 4, nullptr, nullptr), err::kPointer);
  window_.y = -50;  // the frame starts above the work area
  ASSERT_EQ(d.CreateWindowedDisplay(&window_, nullptr, 256, 192, false, 0), err::kOk);
  EXPECT_EQ(window_.style, (0x80C40000u & 0x7F39FFFFu) | 0x00C60000u);
  EXPECT_EQ(window_.sizedW, 264);
  EXPECT_EQ(window_.y - 30, 0);
  EXPECT_EQ(d.CreateSurface(nullptr, 4, 4, nullptr, nullptr), err::kInvalidArg);
  ASSERT_EQ(d.CreateSurface(&s, 4, 4, nullptr, nullptr), err::kOk);
  EXPECT_EQ(s->desc.caps & caps::kOffscreenPlain, caps::kOffscreenPlain);
  delete s;
  Fault::StillDrawing(3);
  uint64_t shown = test::FramesShown();
  EXPECT_EQ(d.Present(), err::kOk);
  EXPECT_EQ(test::FramesShown(), shown + 1);
  Fault::FailNext(test::Op::Blt, err::kSurfaceLost);
  EXPECT_EQ(d.Present(), err::kSurfaceLost);
  window_.minimized = true;
  EXPECT_EQ(d.Present(), err::kOk);  // nothing to show, no error
}

// --- Frames and drawing ---

TEST_F(DisplayTest, FramesArePresentedAndEndDrawWithoutAFrameDoesNothing) {
  ASSERT_TRUE(Open());
  uint64_t before = test::FramesShown();
  handler_->EndDraw(true);
  EXPECT_EQ(test::FramesShown(), before);
  const auto& f = Frame([] {}, 0xFF336699u);
  EXPECT_EQ(test::FramesShown(), before + 1);
  ASSERT_EQ(f.width, 256);
  EXPECT_EQ(f.At(0, 0), 0xFF336699u);
  EXPECT_EQ(f.At(255, 191), 0xFF336699u);
  TLogCapture log;
  TRenderer::GetInstance()->BeginDraw();
  Fault::FailNext(test::Op::EndScene, err::kScene2FB);
  handler_->EndDraw(true);
  EXPECT_TRUE(handler_->Data().dxBroken);
  EXPECT_FALSE(TRenderer::GetInstance()->BeginDraw());  // broken: no frame until the reset
  time_.Advance(1000);
  EXPECT_TRUE(TRenderer::GetInstance()->BeginDraw());
  EXPECT_FALSE(handler_->Data().dxBroken);
  Fault::FailNext(test::Op::Flip, err::kSurfaceLost);
  Fault::FailNext(test::Op::Blt, err::kSurfaceLost);
  handler_->EndDraw(true);
  EXPECT_TRUE(log.Contains("TPlatform::EndDraw: DDERR_SURFACELOST on UpdateFrame or EndScene"));
}

TEST_F(DisplayTest, ClipRectGivesTheOriginAndViewportClipsFurther) {
  ASSERT_TRUE(Open());
  TRenderer* r = TRenderer::GetInstance();
  const auto& f = Frame([&] {
    r->PushViewport(TRect(0, 0, 256, 192));
    r->PushClipRect(TRect(-20, 30, 80, 100));  // a window cut off on the left
    r->PushViewport(TRect(0, 30, 80, 90));
    r->FillRect(TRect(0, 0, 1000, 1000), TFloatColor(1, 0, 0, 1));
    r->FillRect(TRect(20, 0, 22, 2), TFloatColor(0, 1, 0, 1));  // the window's own (20, 0) is x = 0 on the screen
    r->PopViewport();
    r->PopClipRect();
    r->PopViewport();
  });
  EXPECT_EQ(f.At(0, 30), 0xFF00FF00u);
  EXPECT_EQ(f.At(2, 30), 0xFFFF0000u);
  EXPECT_EQ(f.At(79, 89), 0xFFFF0000u);
  EXPECT_EQ(f.At(80, 50), 0xFF000000u);
  EXPECT_EQ(f.At(10, 90), 0xFF000000u);
  EXPECT_EQ(f.At(10, 29), 0xFF000000u);
  EXPECT_EQ(r->GetCurrentViewport(), TRect(0, 0, 256, 192));  // the bottom entry stays
}

TEST_F(DisplayTest, IdentityIndicesGrowByDoublingAndStopAt65535) {
  ASSERT_TRUE(Open());
  SetSetting("brokenindexedverts", "1");
  std::vector<TLitVertex> v(70000);
  TRenderer* r = TRenderer::GetInstance();
  Frame([&] {
    TVertexSet* set = MakeVertexSet1(v.data(), 300);
    EXPECT_TRUE(r->DrawVertices(kPrimPointList, set));
    EXPECT_EQ(handler_->Data().identityCapacity, 512);
    set->count = 100;
    r->DrawVertices(kPrimPointList, set);
    EXPECT_EQ(handler_->Data().identityCapacity, 512);
    set->count = 70000;
    r->DrawVertices(kPrimPointList, set);
    EXPECT_EQ(handler_->Data().identityCapacity, 65535);
    FreeVertexSet(set);
  });
  EXPECT_GE(Fault::Count(test::Op::DrawIndexed), 3);
  EXPECT_FALSE(handler_->Data().dxBroken);
}

TEST_F(DisplayTest, QuirkExpandsIndexedDrawsAndRefusesBadIndices) {
  ASSERT_TRUE(Open());
  handler_->driverQuirk = 1;
  TLitVertex v[4] = {};
  float xy[4][2] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
  for (int i = 0; i < 4; ++i) {
    v[i].x = xy[i][0];
    v[i].y = xy[i][1];
    v[i].diffuse = 0xFFFFFFFFu;
  }
  uint16_t good[] = {0, 1, 2, 0, 2, 3}, bad[] = {0, 1, 7};
  TRenderer* r = TRenderer::GetInstance();
  TLogCapture log;
  const auto& f = Frame([&] {
    TVertexSet* set = MakeVertexSet1(v, 4);
    int indexed = Fault::Count(test::Op::DrawIndexed);
    r->DrawIndexedVertices(kPrimTriangleList, set, good, 6);
    r->DrawIndexedVertices(kPrimTriangleList, set, bad, 3);
    EXPECT_EQ(Fault::Count(test::Op::DrawIndexed), indexed);
    FreeVertexSet(set);
  });
  EXPECT_EQ(f.At(15, 15), 0xFFFFFFFFu);
  EXPECT_TRUE(log.Contains("DrawIndexedVertices: index 7 beyond 4 vertices"));
}

// --- Render targets ---

TEST_F(DisplayTest, RenderTargetModesKeepOrMakeAlpha) {
  ASSERT_TRUE(Open());
  TRenderer* r = TRenderer::GetInstance();
  auto drawInto = [&](const TTextureRef& t, int mode, const TFloatColor& c = TFloatColor(1, 0, 0, 0.5f)) {
    ASSERT_TRUE(r->BeginRenderTarget(t, mode));
    bool in = r->Begin2d();
    r->FillRect(TRect(2, 2, 6, 6), c);
    if (in) r->End2d();
    r->EndRenderTarget();
  };
  auto pixel = [](const TTextureRef& t, int x, int y) {
    uint32_t* px;
    uint32_t pitch;
    EXPECT_TRUE(t->Lock(&px, &pitch));
    uint32_t v = px[size_t(y) * pitch + x];
    t->Unlock();
    return v;
  };
  TTextureRef four = TTexture::CreateBlank(8, 8, true), one = TTexture::CreateBlank(8, 8, true),
              zero = TTexture::CreateBlank(8, 8, true);
  ASSERT_TRUE(four && one && zero);
  // Mode 4 starts transparent and keeps the alpha drawn; a fill there takes the
  // target's own texture (opaque red on the left, opaque blue on the right), tinted.
  {
    uint32_t* px;
    uint32_t pitch;
    ASSERT_TRUE(four->Lock(&px, &pitch));
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) px[size_t(y) * pitch + x] = x < 4 ? 0xFFFF0000u : 0xFF0000FFu;
    four->Unlock();
  }
  drawInto(four, 4, TFloatColor(1, 1, 1, 0.5f));
  EXPECT_EQ(pixel(four, 0, 0), 0u);
  EXPECT_TRUE(Near(pixel(four, 3, 3), 0x40800000u)) << std::hex << pixel(four, 3, 3);
  EXPECT_TRUE(Near(pixel(four, 4, 5), 0x40000080u)) << std::hex << pixel(four, 4, 5);
  Frame([] {}, 0xFF0000FFu);  // the screen under the targets
  drawInto(zero, 0);          // starts from the screen, made opaque
  EXPECT_EQ(pixel(zero, 0, 0), 0xFF0000FFu);
  EXPECT_TRUE(Near(pixel(zero, 3, 3), 0xFF80007Fu)) << std::hex << pixel(zero, 3, 3);
  Frame([] {}, 0x000000FFu);
  drawInto(one, 1);  // keeps what the blend made of the alpha
  EXPECT_TRUE(Near(pixel(one, 3, 3), 0x4080007Fu)) << std::hex << pixel(one, 3, 3);
  // A target larger than the screen copies back only what fits; the frame drawn before survives.
  TTextureRef big = MakeTexture(300, 100, [](int, int) { return 0xFF00FF00u; });
  ASSERT_TRUE(big);
  const auto& f = Frame([&] {
    ASSERT_TRUE(r->BeginRenderTarget(big, 4));
    bool in = r->Begin2d();
    r->FillRect(TRect(0, 0, 300, 100), TFloatColor(1, 0, 0, 1));  // red x green: black
    if (in) r->End2d();
    r->EndRenderTarget();
  }, 0xFF222222u);
  EXPECT_EQ(f.At(10, 10), 0xFF222222u);
  EXPECT_EQ(pixel(big, 255, 50), 0xFF000000u);
  EXPECT_EQ(pixel(big, 256, 50), 0xFF00FF00u);
}

TEST_F(DisplayTest, RefusedRenderTargetLeavesTheViewportAsItWas) {
  ASSERT_TRUE(Open());
  TRenderer* r = TRenderer::GetInstance();
  TTextureRef t = TTexture::CreateBlank(16, 16, true);
  TRect before = r->GetViewport();
  Fault::FailNext(test::Op::BeginScene, err::kFail);
  EXPECT_FALSE(r->BeginRenderTarget(t, 0));
  EXPECT_EQ(r->GetViewport(), before);
  EXPECT_FALSE(r->GetRenderTarget());
}

TEST_F(DisplayTest, SixteenBitDisplayCopiesTargetsThroughTheStretchCopy) {
  TRenderer::GetInstance()->SetRenderOption("16bitmode", "1");
  ASSERT_TRUE(Open(640, 480, true));
  EXPECT_EQ(TRenderer::GetInstance()->GetRenderOption("16bitmode"), "1");
  EXPECT_EQ(handler_->Data().backBuffer->Format().bitCount, 16u);
  TTextureRef t = TTexture::CreateBlank(8, 8, true);
  ASSERT_TRUE(t);
  auto* data = dynamic_cast<TDxTextureData*>(t->GetData());
  EXPECT_EQ(data->GetSurface()->Format(), MakeFormat(Format::A4R4G4B4));
  TRenderer* r = TRenderer::GetInstance();
  Frame([&] {
    ASSERT_TRUE(r->BeginRenderTarget(t, 1));
    r->EndRenderTarget();
  }, 0xFFFF0000u);
  bool stretched = false;
  for (const auto& c : Fault::CallLog()) stretched |= c == "StretchCopy";
  EXPECT_TRUE(stretched);
  uint32_t* px;
  uint32_t pitch;
  ASSERT_TRUE(t->Lock(&px, &pitch));
  EXPECT_EQ(px[0] & 0x00FFFFFFu, 0xF00000u);  // 4-bit red read back at the top of its byte
  t->Unlock();
}

TEST_F(DisplayTest, RenderTargetsLeftOpenAreClosedOnceByTheEndOfTheirFrame) {
  ASSERT_TRUE(Open());
  TRenderer* r = TRenderer::GetInstance();
  TTextureRef t = TTexture::CreateBlank(16, 16, true);
  ASSERT_TRUE(t);
  const TRect pushed(10, 20, 110, 120);
  r->PushClipRect(pushed);  // a clip pushed outside any frame
  ASSERT_FALSE(handler_->Data().inScene);
  ASSERT_TRUE(r->BeginRenderTarget(t, 0));
  EXPECT_EQ(handler_->Data().clipViewport, TRect(0, 0, 16, 16));
  bool in = r->Begin2d();
  handler_->FillRect(0, 0, 16, 16, 0, nullptr);  // transparent black under the fill
  r->FillRect(TRect(0, 0, 8, 8), TFloatColor(0, 0, 1, 1));
  if (in) r->End2d();
  r->EndRenderTarget();
  // Closed once: the clip pushed before the target is in force again, and
  // popping it gives the whole screen.
  EXPECT_EQ(handler_->Data().clipViewport, pushed);
  EXPECT_FALSE(handler_->Data().inScene);
  EXPECT_FALSE(r->GetRenderTarget());
  r->PopClipRect();
  EXPECT_EQ(handler_->Data().clipViewport, TRect(0, 0, 256, 192));
  uint32_t* px;
  uint32_t pitch;
  ASSERT_TRUE(t->Lock(&px, &pitch));
  EXPECT_EQ(px[0], 0xFF0000FFu);
  EXPECT_EQ(px[size_t(12) * pitch + 12], 0u);
  t->Unlock();
  // The next frame is drawn and shown as usual.
  const auto& f = Frame([&] { r->FillRect(TRect(0, 0, 4, 4), TFloatColor(0, 1, 0, 1)); });
  EXPECT_EQ(f.At(1, 1), 0xFF00FF00u);

  // A target opened inside a frame and never ended: the frame's end closes it
  // as a mode-0 target (its contents reach the texture, drawn alpha made
  // opaque, whatever its own mode) and the frame is shown.
  uint64_t shown = test::FramesShown();
  const auto& g = Frame([&] {
    r->FillRect(TRect(0, 0, 4, 4), TFloatColor(0, 1, 0, 1));
    ASSERT_TRUE(r->BeginRenderTarget(t, 1));
    handler_->FillRect(4, 0, 8, 4, 0, nullptr);  // transparent black under a quarter-alpha fill
    bool in2d = r->Begin2d();
    r->FillRect(TRect(8, 8, 16, 16), TFloatColor(1, 0, 0, 1));
    r->FillRect(TRect(4, 0, 8, 4), TFloatColor(0, 0, 1, 0.25f));
    if (in2d) r->End2d();
  }, 0xFF336699u);
  EXPECT_EQ(test::FramesShown(), shown + 1);
  EXPECT_FALSE(handler_->Data().inScene);
  EXPECT_FALSE(handler_->Data().renderTarget);
  EXPECT_FALSE(r->GetRenderTarget());
  EXPECT_EQ(g.At(1, 1), 0xFF00FF00u);    // drawn before the target
  EXPECT_EQ(g.At(12, 12), 0xFF336699u);  // the frame's pixels under the target are kept
  ASSERT_TRUE(t->Lock(&px, &pitch));
  EXPECT_EQ(px[size_t(12) * pitch + 12] & 0xFFFFFFu, 0xFF0000u);
  EXPECT_EQ(px[size_t(1) * pitch + 1] & 0xFFFFFFu, 0x00FF00u);  // mode 1 starts from the screen
  EXPECT_EQ(px[size_t(1) * pitch + 5] >> 24, 0xFFu);            // alpha made opaque, as mode 0 does
  t->Unlock();
  EXPECT_EQ(Frame([] {}, 0xFF102030u).At(12, 12), 0xFF102030u);

  // A target opened outside a frame and never ended: the next frame's start
  // closes it the same way, and that frame and the later ones are shown.
  ASSERT_FALSE(handler_->Data().inScene);
  ASSERT_TRUE(r->BeginRenderTarget(t, 1));
  handler_->FillRect(0, 0, 16, 16, 0, nullptr);
  bool in2d = r->Begin2d();
  r->FillRect(TRect(0, 0, 8, 8), TFloatColor(0, 0, 1, 0.25f));
  if (in2d) r->End2d();
  shown = test::FramesShown();
  const auto& h = Frame([&] { r->FillRect(TRect(0, 0, 4, 4), TFloatColor(0, 1, 0, 1)); }, 0xFF102030u);
  EXPECT_EQ(test::FramesShown(), shown + 1);
  EXPECT_FALSE(handler_->Data().inScene);
  EXPECT_FALSE(handler_->Data().renderTarget);
  EXPECT_FALSE(r->GetRenderTarget());
  EXPECT_EQ(h.At(1, 1), 0xFF00FF00u);
  EXPECT_EQ(h.At(12, 12), 0xFF102030u);
  ASSERT_TRUE(t->Lock(&px, &pitch));
  EXPECT_EQ(px[size_t(2) * pitch + 2] >> 24, 0xFFu);
  EXPECT_EQ(px[size_t(12) * pitch + 12], 0u);
  t->Unlock();
  EXPECT_EQ(Frame([] {}, 0xFF405060u).At(12, 12), 0xFF405060u);
  EXPECT_EQ(test::FramesShown(), shown + 2);
}

// --- Device loss and video memory ---

TEST_F(DisplayTest, DeviceLossInAFrameRestoresEveryTextureOnce) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  dir_.Write("green.png", image_writers::EncodePng(std::vector<uint32_t>(16 * 16, 0xFF00C000u), 16, 16));
  TTextureRef file = TTexture::Get("green");
  ASSERT_TRUE(file);
  TTextureRef blank = MakeTexture(16, 16, [](int, int) { return 0xFFC00000u; });
  TRenderer* r = TRenderer::GetInstance();
  auto draw = [&] {
    file->DrawAt(20, 20, 1, 1, 0, TDrawParams::kAnchorAtCenter);
    blank->DrawAt(60, 20, 1, 1, 0, TDrawParams::kAnchorAtCenter);
  };
  int base = restoreTasksRun_;  // the display's opening ran them once
  const auto& before = Frame(draw);
  EXPECT_EQ(before.At(25, 25), 0xFF00C000u);
  EXPECT_EQ(before.At(65, 25), 0xFFC00000u);
  ASSERT_TRUE(r->BeginDraw());
  r->Begin2d();
  draw();
  Fault::LoseDevice();  // lost in the middle of the frame
  draw();
  r->End2d();
  r->DrawDebugOverlay(true);
  EXPECT_EQ(restoreTasksRun_, base);
  EXPECT_FALSE(r->BeginDraw());  // the focus is still away
  Fault::RegainFocus();
  const auto& f = Frame(draw);
  EXPECT_EQ(restoreTasksRun_, base + 1);
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) ASSERT_NE(f.At(x, y), 0xCDCDCDCDu) << x << "," << y;
  EXPECT_EQ(f.At(25, 25), 0xFF00C000u);  // reloaded from its file
  EXPECT_EQ(f.At(65, 25), 0xFF000000u);  // generated: back cleared, for the restore tasks to fill
  Frame(draw);
  EXPECT_EQ(restoreTasksRun_, base + 1);
  Fault::ChangeMode();  // the mode changed under us: a full reset
  Frame(draw);
  EXPECT_EQ(restoreTasksRun_, base + 2);
  EXPECT_EQ(sdev::test::LastFrame().At(25, 25), 0xFF00C000u);
}

TEST_F(DisplayTest, TexturesAskedForWhileTheDeviceIsBrokenAreMadeWhenItReturns) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  dir_.Write("green.png", image_writers::EncodePng(std::vector<uint32_t>(16 * 8, 0xFF00C000u), 16, 8));
  dir_.Write("grey.png", image_writers::EncodePng(std::vector<uint32_t>(16 * 8, 0xFF808080u), 16, 8));
  handler_->MarkDxBroken();
  TTextureRef t = TTexture::Get("green"), masked = TTexture::GetWithMask("green", "grey"),
              cursor = TTexture::GetFlagged("green");
  ASSERT_TRUE(t);
  ASSERT_TRUE(masked);
  ASSERT_TRUE(cursor);
  EXPECT_FALSE(t->GetData()->HasSurface());
  EXPECT_EQ(t->GetWidth(), 16u);
  EXPECT_EQ(t->GetHeight(), 8u);
  EXPECT_EQ(TTexture::Get("green"), t);  // kept and shared like any other
  time_.Advance(1000);
  const auto& f = Frame([&] {
    t->DrawAt(20, 20, 1, 1, 0, TDrawParams::kAnchorAtCenter);
    masked->DrawAt(60, 20, 1, 1, 0, TDrawParams::kAnchorAtCenter);
  });
  EXPECT_FALSE(handler_->Data().dxBroken);  // the display was set again
  EXPECT_TRUE(t->GetData()->HasSurface());
  EXPECT_TRUE(cursor->GetData()->HasSurface());
  EXPECT_EQ(f.At(25, 24), 0xFF00C000u);
  EXPECT_TRUE(Near(f.At(65, 24), 0xFF006000u, 2)) << std::hex << f.At(65, 24);  // half-transparent green on black
}

TEST_F(DisplayTest, TexturesAskedForWhileTheDeviceIsLostAreMadeWhenItReturns) {
  ASSERT_TRUE(Open(640, 480, true));
  testing_support::ScopedChdir cd(dir_.Path());
  dir_.Write("blue.png", image_writers::EncodePng(std::vector<uint32_t>(8 * 8, 0xFF0000C0u), 8, 8));
  Frame([] {});
  Fault::LoseDevice();
  TTextureRef t = TTexture::Get("blue");
  ASSERT_TRUE(t);
  EXPECT_FALSE(t->GetData()->HasSurface());
  EXPECT_FALSE(TRenderer::GetInstance()->BeginDraw());  // the focus is still away
  Fault::RegainFocus();
  const auto& f = Frame([&] { t->DrawAt(100, 100, 1, 1, 0, TDrawParams::kAnchorAtCenter); });
  EXPECT_TRUE(t->GetData()->HasSurface());
  EXPECT_EQ(f.At(103, 103), 0xFF0000C0u);
  // Generated textures still need a device: none is made while it is broken.
  handler_->MarkDxBroken();
  EXPECT_FALSE(TTexture::CreateBlank(8, 8, false));
}

TEST_F(DisplayTest, OutOfVideoMemoryTakesTheFallbackOnce) {
  test::Config cfg = test::DefaultConfig();
  cfg.videoMemoryBytes = 20u << 20;  // the screen, its z-buffer and four 1024 x 1024 textures
  Fault::Install(cfg);
  ASSERT_TRUE(Open(640, 480, true));
  TLogCapture log;
  std::vector<TTextureRef> keep;
  for (int i = 0; i < 8; ++i) keep.push_back(TTexture::CreateBlank(1024, 1024, false));
  EXPECT_TRUE(keep[3]);
  EXPECT_FALSE(keep[4]);
  EXPECT_EQ(log.Count("OutOfVideoMemory triggered!"), 1u);
  EXPECT_TRUE(handler_->Data().dxBroken);
  EXPECT_EQ(GetSettingString("dxbroken"), "1");
  std::string saved = testing_support::ReadFile(dir_.File("common/display.xml"));
  EXPECT_NE(saved.find("lowvideomemory=\"1\""), std::string::npos);
  keep.clear();
  time_.Advance(1000);
  ASSERT_TRUE(TRenderer::GetInstance()->BeginDraw());  // reset at 16 bits
  handler_->EndDraw(true);
  EXPECT_EQ(handler_->Data().backBuffer->Format().bitCount, 16u);
  EXPECT_TRUE(handler_->Data().sixteenBitMode);
}

TEST_F(DisplayTest, TextureBytesAreCountedOnceAndRestoreMarksBrokenAtMostEvery250ms) {
  ASSERT_TRUE(Open());
  int64_t base = handler_->Data().textureBytes;
  {
    TTextureRef t = TTexture::CreateBlank(32, 16, false);
    EXPECT_EQ(handler_->Data().textureBytes, base + 32 * 16 * 4);
    t->ReleaseResources();
    EXPECT_EQ(handler_->Data().textureBytes, base);
    t->RestoreResources();
    EXPECT_EQ(handler_->Data().textureBytes, base + 32 * 16 * 4);
  }
  EXPECT_EQ(handler_->Data().textureBytes, base);
  TDxTextureData d;
  d.fileName = "missing-picture";
  TLogCapture log;
  EXPECT_FALSE(d.Restore());
  EXPECT_TRUE(log.Contains("TDxTextureData::Restore: Failed to restore from file missing-picture."));
  EXPECT_FALSE(handler_->Data().dxBroken);  // a missing file is not a device problem
  testing_support::ScopedChdir cd(dir_.Path());
  dir_.Write("broken.png", std::string("\x89PNG\r\n\x1a\n garbage", 17));
  d.fileName = "broken.png";
  EXPECT_FALSE(d.Restore());
  EXPECT_TRUE(handler_->Data().dxBroken);
  uint32_t first = handler_->Data().dxBrokenTime;
  time_.Advance(100);
  d.Restore();
  EXPECT_EQ(handler_->Data().dxBrokenTime, first);
  time_.Advance(200);
  d.Restore();
  EXPECT_EQ(handler_->Data().dxBrokenTime, first + 300);
}

}  // namespace
