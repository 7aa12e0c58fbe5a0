// The software cursor: run building, blending per pixel depth, drawing and
// erasing with the background saves, throttles, failures, and the helper
// thread drawing over frames that the main thread keeps changing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "platform/log.h"
#include "platform/settings.h"
#include "render/sprites/cursor.h"

namespace {

// An in-memory screen: front and back buffers in one pixel format.
class TTestScreen : public TCursorHost {
public:
  TTestScreen(int w, int h, TCursorFormat f = TCursorFormat::Argb32()) : width(w), height(h), format(f) {
    pitch = w * f.BytesPerPixel();
    front.assign(size_t(pitch) * h, 0);
    back.assign(size_t(pitch) * h, 0);
  }
  bool LockTarget(bool backBuffer, TCursorSurface* out) override {
    ++locks;
    if (!backBuffer && lost) return false;
    *out = TCursorSurface{backBuffer ? back.data() : front.data(), width, height, pitch};
    return true;
  }
  void UnlockTarget(bool) override {}
  TCursorFormat GetFormat() const override { return format; }
  bool GetMousePosition(int* x, int* y) override {
    if (!known) return false;
    *x = mx.load();
    *y = my.load();
    return true;
  }
  TPoint GetClientOrigin() const override { return origin; }
  TRect GetDesktopRect() const override { return desktop; }
  bool IsFullScreen() const override { return fullScreen; }
  bool FrontHoldsFrame() const override { return frontHoldsFrame; }
  void Invalidate() override { ++invalidated; }
  void ShowSystemCursor(bool show, const uint32_t*, int, int, int, int, int) override { systemShown = show; }
  uint32_t GetTime() const override {
    if (manualTime) return now;
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch()).count());
  }
  void Fill(std::vector<uint8_t>& buf, uint32_t seed) {
    std::mt19937 rng(seed);
    for (auto& b : buf) b = uint8_t(rng());
  }

  int width, height, pitch;
  TCursorFormat format;
  std::vector<uint8_t> front, back;
  std::atomic<int> mx{10}, my{10};
  bool known = true, lost = false, fullScreen = true, manualTime = true, systemShown = false, frontHoldsFrame = true;
  TPoint origin{0, 0};
  TRect desktop{0, 0, 4000, 4000};
  uint32_t now = 1000;
  int locks = 0, invalidated = 0;
};

// A 6 x 5 arrow: magenta around an opaque body of assorted colours.
std::vector<uint32_t> ArrowPicture() {
  std::vector<uint32_t> p(30, 0xFFFF00FFu);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x <= y && x < 6; ++x) p[y * 6 + x] = 0xFF000000u | uint32_t(40 * x + 7) << 16 | uint32_t(50 * y) << 8 | 99;
  return p;
}

}  // namespace

TEST(CursorRuns, KeyAlphaAndExactEntries) {
  std::vector<uint32_t> magenta(16, 0xFFF800F8u);
  std::vector<TCursorRun> runs;
  TMouseCursor::BuildRuns(magenta.data(), 4, 4, 4, true, TCursorFormat::Argb32(), runs);
  EXPECT_TRUE(runs.empty());
  std::vector<uint32_t> clear(16, 0x00FFFFFFu);
  TMouseCursor::BuildRuns(clear.data(), 4, 4, 4, false, TCursorFormat::Argb32(), runs);
  EXPECT_TRUE(runs.empty());
  // Almost magenta (green 1, or red 247) is opaque.
  std::vector<uint32_t> row = {0xFFFF00FFu, 0xFFFF01FFu, 0xFFF700FFu, 0xFFFF00FFu, 0xFF102030u};
  TMouseCursor::BuildRuns(row.data(), 5, 1, 5, true, TCursorFormat::Argb32(), runs);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].x, 1);
  EXPECT_EQ(runs[0].pixels.size(), 2u);
  EXPECT_EQ(runs[1].x, 4);
  // A keyed picture with an alpha channel keeps it: clear pixels drop out, soft
  // edges blend instead of showing as black.
  std::vector<uint32_t> soft = {0x00000000u, 0x80102030u, 0xFF102030u};
  TMouseCursor::BuildRuns(soft.data(), 3, 1, 3, true, TCursorFormat::Argb32(), runs);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].x, 1);
  ASSERT_EQ(runs[0].pixels.size(), 2u);
  EXPECT_EQ(runs[0].pixels[0].inverseAlpha, 0x7F);
  EXPECT_EQ(runs[0].pixels[1].inverseAlpha, 0);
  // 8888: alpha x channel, bytes blue, green, red.
  TCursorPixel p = TMouseCursor::MakePixel(0x80C86432u, 0x80, TCursorFormat::Argb32());
  EXPECT_EQ(p.value[0], 0x80 * 0x32);
  EXPECT_EQ(p.value[1], 0x80 * 0x64);
  EXPECT_EQ(p.value[2], 0x80 * 0xC8);
  EXPECT_EQ(p.inverseAlpha, 0x7F);
  // 565: the premultiplied channel in its place.
  TCursorPixel q = TMouseCursor::MakePixel(0xFFC86432u, 0xFF, TCursorFormat::Rgb565());
  EXPECT_EQ(q.value[0], ((255 * 0xC8) >> 11) << 11);
  EXPECT_EQ(q.value[1], ((255 * 0x64) >> 10) << 5);
  EXPECT_EQ(q.value[2], (255 * 0x32) >> 11);
  EXPECT_EQ(q.inverseAlpha, 0);
}

TEST(CursorRuns, BlendPerDepth) {
  const uint32_t colour = 0x80C86432u;
  for (TCursorFormat f : {TCursorFormat::Argb32(), TCursorFormat::Rgb24(), TCursorFormat::Rgb565(),
                          TCursorFormat::Rgb555()}) {
    std::vector<TCursorRun> runs;
    TMouseCursor::BuildRuns(&colour, 1, 1, 1, false, f, runs);
    ASSERT_EQ(runs.size(), 1u);
    uint8_t px[4] = {0x10, 0x20, 0x30, 0x40};
    uint8_t before[4];
    std::memcpy(before, px, 4);
    TMouseCursor::BlendRuns(runs, TCursorSurface{px, 1, 1, 4}, f);
    if (f.bitsPerPixel >= 24) {
      EXPECT_EQ(px[0], (0x10 * 0x7F + 0x80 * 0x32) >> 8);
      EXPECT_EQ(px[1], (0x20 * 0x7F + 0x80 * 0x64) >> 8);
      EXPECT_EQ(px[2], (0x30 * 0x7F + 0x80 * 0xC8) >> 8);
      if (f.bitsPerPixel == 32) {
        EXPECT_EQ(px[3], 0x40);  // alpha byte untouched
      }
    } else {
      uint32_t old = before[0] | (before[1] << 8), out = 0;
      const uint32_t masks[3] = {f.redMask, f.greenMask, f.blueMask};
      const uint32_t ch[3] = {0xC8, 0x64, 0x32};
      for (int k = 0; k < 3; ++k) {
        int bits = __builtin_popcount(masks[k]), shift = __builtin_ctz(masks[k]);
        uint32_t pre = (((0x80 * ch[k]) >> (16 - bits)) << shift) & masks[k];
        out |= (((0x7F * (old & masks[k])) >> 8) + pre) & masks[k];
      }
      EXPECT_EQ(uint32_t(px[0] | (px[1] << 8)), out) << f.bitsPerPixel;
      EXPECT_EQ(px[2], 0x30);
    }
  }
}

TEST(CursorDrawing, RandomMovesThenEraseLeaveTheScreenAsItWas) {
  for (TCursorFormat f : {TCursorFormat::Argb32(), TCursorFormat::Rgb565(), TCursorFormat::Rgb24()}) {
    TTestScreen s(64, 48, f);
    s.Fill(s.front, 7);
    const std::vector<uint8_t> original = s.front;
    TMouseCursor c(&s);
    auto pic = ArrowPicture();
    ASSERT_TRUE(c.SetMouseImage(pic.data(), 6, 5, 6, 1, 1, false));
    std::mt19937 rng(3);
    for (int i = 0; i < 300; ++i) {
      // Small steps overlap the old place; big ones do not; some reach off the edges.
      int step = i % 3 == 0 ? 30 : 3;
      // The rectangle stays on the desktop (x, y >= the hot spot).
      int x = std::max(1, std::min(70, s.mx + int(rng() % (2 * step + 1)) - step));
      int y = std::max(1, std::min(50, s.my + int(rng() % (2 * step + 1)) - step));
      c.DrawMouse(x, y, false);
      EXPECT_TRUE(c.IsOnScreen());
      s.mx = x, s.my = y;
    }
    EXPECT_NE(s.front, original);
    c.EraseMouse();
    EXPECT_EQ(s.front, original) << f.bitsPerPixel;
  }
}

TEST(CursorDrawing, ThrottlesAndDesktopBounds) {
  TTestScreen s(64, 48);
  TMouseCursor c(&s);
  auto pic = ArrowPicture();
  c.SetMouseImage(pic.data(), 6, 5, 6, 1, 1, false);
  c.DrawMouse(20, 20, false);
  ASSERT_TRUE(c.IsOnScreen());
  int locks = s.locks;
  // Same place: nothing drawn.
  s.now += 100;
  s.mx = 20, s.my = 20;
  c.DrawMouse(-1, -1, false, true);
  EXPECT_EQ(s.locks, locks);
  // Moved: drawn; moved again within 16 ms of that draw: refused; later it draws.
  s.mx = 25;
  EXPECT_EQ(c.DrawMouse(-1, -1, false, true), TPoint(25, 20));
  EXPECT_EQ(s.locks, locks + 1);
  s.mx = 27;
  s.now += 1;
  c.DrawMouse(-1, -1, false, true);
  EXPECT_EQ(s.locks, locks + 1);
  s.now += 20;
  EXPECT_EQ(c.DrawMouse(-1, -1, false, true), TPoint(27, 20));
  EXPECT_EQ(s.locks, locks + 2);
  // A front buffer that holds no frame (the present left it out: nothing
  // reads the frames) gets no cursor between frames.
  s.frontHoldsFrame = false;
  s.mx = 29;
  s.now += 20;
  c.DrawMouse(-1, -1, false, true);
  EXPECT_EQ(s.locks, locks + 2);
  s.frontHoldsFrame = true;
  // Partly off the desktop: not drawn, the window manager is asked for a frame.
  s.desktop = TRect(0, 0, 28, 100);
  s.mx = 26;
  s.now += 20;
  c.DrawMouse(-1, -1, false, true);
  EXPECT_EQ(s.locks, locks + 2);
  EXPECT_EQ(s.invalidated, 1);
  // In a window, or in full screen with "-pq=", forced draws between frames
  // are left to the frame.
  s.desktop = TRect(0, 0, 4000, 4000);
  s.fullScreen = false;
  c.DrawMouse(30, 30, false);
  EXPECT_EQ(s.locks, locks + 2);
  s.fullScreen = true;
  ApplyCommandLine(ParseCommandLine({"-pq=7"}));
  c.DrawMouse(30, 30, false);
  EXPECT_EQ(s.locks, locks + 2);
  ClearSettings();
  c.DrawMouse(30, 30, false);
  EXPECT_EQ(s.locks, locks + 3);
}

TEST(CursorDrawing, LostSurfaceRebuiltByTheNextFrame) {
  TTestScreen s(32, 32);
  TMouseCursor c(&s);
  auto pic = ArrowPicture();
  c.SetMouseImage(pic.data(), 6, 5, 6, 0, 0, false);
  s.lost = true;
  c.DrawMouse(5, 5, false);
  EXPECT_TRUE(c.NeedsRebuild());
  EXPECT_FALSE(c.IsOnScreen());
  s.lost = false;
  s.Fill(s.back, 1);
  auto frame = s.back;
  c.DrawMouse(-1, -1, true);
  EXPECT_FALSE(c.NeedsRebuild());
  EXPECT_NE(s.back, frame);
  // Presented: the helper can take it away again.
  s.front = s.back;
  c.NotifyPresented();
  EXPECT_TRUE(c.IsOnScreen());
  c.EraseMouse();
  EXPECT_EQ(s.front, frame);
}

TEST(CursorDrawing, FailuresFallBackToTheSystemPointer) {
  TTestScreen s(32, 32);
  TMouseCursor c(&s);
  EXPECT_FALSE(c.SetMouseImage(nullptr, 6, 5, 6, 0, 0, false));  // a missing picture
  auto pic = ArrowPicture();
  EXPECT_FALSE(c.SetMouseImage(pic.data(), 0, 5, 6, 0, 0, false));
  c.SetMouseImage(pic.data(), 6, 5, 6, 0, 0, false);
  c.MarkUnavailable();
  EXPECT_TRUE(s.systemShown);
  auto before = s.front;
  EXPECT_EQ(c.DrawMouse(-1, -1, true), TPoint(10, 10));
  EXPECT_EQ(s.front, before);
  // Switching the software cursor off shows the system pointer too.
  TMouseCursor d(&s);
  s.systemShown = false;
  d.SetMouseImage(pic.data(), 6, 5, 6, 0, 0, false);
  d.SetSoftwareCursor(false);
  EXPECT_TRUE(s.systemShown);
  EXPECT_EQ(c.GetMutexName().Substring(0, 21), "TDXContextMouseMutex:");
}

// Setting the second (alpha) picture shows it; setting the main one again
// shows the main one.
TEST(CursorDrawing, TheSecondPictureIsShownWhenSet) {
  TTestScreen s(32, 32);
  TMouseCursor c(&s);
  auto arrow = ArrowPicture();
  std::vector<uint32_t> green(16, 0xFF00FF00u);
  ASSERT_TRUE(c.SetMouseImage(arrow.data(), 6, 5, 6, 0, 0, false));
  ASSERT_TRUE(c.SetMouseImage(green.data(), 4, 4, 4, 0, 0, true));
  EXPECT_TRUE(c.IsSecondImageInUse());
  EXPECT_EQ(c.GetWidth(), 4);
  s.mx = 20, s.my = 20;
  c.DrawMouse(-1, -1, true);
  auto at = [&](int x, int y) {
    const uint8_t* p = &s.back[size_t(y) * s.pitch + size_t(x) * 4];
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
  };
  EXPECT_EQ(at(23, 23), 0x00FE00u);  // (255 x 255) >> 8, the second picture's corner
  EXPECT_EQ(at(24, 20), 0u);
  c.RestoreBackBuffer();
  c.NotifyPresented();
  ASSERT_TRUE(c.SetMouseImage(arrow.data(), 6, 5, 6, 0, 0, false));
  EXPECT_FALSE(c.IsSecondImageInUse());
  EXPECT_EQ(c.GetWidth(), 6);
  c.DrawMouse(-1, -1, true);
  auto opaque = [](uint32_t c) {  // an opaque pixel blended: (255 x channel) >> 8
    return ((255 * (c >> 16 & 255)) >> 8) << 16 | ((255 * (c >> 8 & 255)) >> 8) << 8 | (255 * (c & 255)) >> 8;
  };
  EXPECT_EQ(at(20, 20), opaque(arrow[0]));
  EXPECT_EQ(at(23, 23), opaque(arrow[3 * 6 + 3]));
  EXPECT_EQ(at(24, 21), 0u);  // the arrow is transparent there
}

// A host whose pixel-format query calls back into the cursor, as a texture
// restore can, and that can suspend drawing.
class TReentrantScreen : public TTestScreen {
public:
  TReentrantScreen() : TTestScreen(32, 32) {}
  TCursorFormat GetFormat() const override {
    if (cursor && reenter-- > 0) cursor->RestoreMouseImage();
    return TTestScreen::GetFormat();
  }
  bool IsDrawingSuspended() const override { return suspended; }
  TRect GetWindowBounds() const override { return bounds; }
  TMouseCursor* cursor = nullptr;
  mutable int reenter = 0;
  bool suspended = false;
  TRect bounds{100, 100, 132, 132};
};

TEST(CursorDrawing, RestoreWaitsWhileDrawingIsSuspendedAndRefusesReentry) {
  TReentrantScreen s;
  TMouseCursor c(&s);
  s.cursor = &c;
  auto arrow = ArrowPicture();
  ASSERT_TRUE(c.SetMouseImage(arrow.data(), 6, 5, 6, 0, 0, false));
  c.DrawMouse(5, 5, false);
  ASSERT_TRUE(c.IsOnScreen());

  // Suspended: only "off the screen"; the rebuild waits for the next frame.
  s.suspended = true;
  c.RestoreMouseImage();
  EXPECT_FALSE(c.IsOnScreen());
  EXPECT_TRUE(c.NeedsRebuild());
  s.Fill(s.back, 5);
  auto frame = s.back;
  c.DrawMouse(-1, -1, true);
  EXPECT_EQ(s.back, frame);  // still suspended: nothing drawn
  s.suspended = false;
  c.DrawMouse(-1, -1, true);
  EXPECT_FALSE(c.NeedsRebuild());
  EXPECT_NE(s.back, frame);

  // A call from inside a running restore is logged and left out.
  TLogCapture log;
  s.reenter = 1;
  c.RestoreMouseImage();
  EXPECT_EQ(log.Count("Second concurrent call to RestoreMouseImage"), 1u);
  EXPECT_EQ(c.GetRuns(false).size(), 5u);
}

TEST(CursorDrawing, AWindowMoveTakesTheCursorOffAndReadsThePositionAgain) {
  TReentrantScreen s;
  s.Fill(s.front, 9);
  const auto original = s.front;
  TMouseCursor c(&s);
  auto arrow = ArrowPicture();
  ASSERT_TRUE(c.SetMouseImage(arrow.data(), 6, 5, 6, 0, 0, false));
  c.OnWindowMoved();  // the first bounds
  c.DrawMouse(8, 8, false);
  ASSERT_TRUE(c.IsOnScreen());
  const int invalidated = s.invalidated;
  c.OnWindowMoved();  // same bounds: nothing happens
  EXPECT_TRUE(c.IsOnScreen());
  EXPECT_EQ(s.invalidated, invalidated);

  s.bounds = TRect(300, 120, 332, 152);
  s.mx = 3, s.my = 4;  // the window moved under a resting mouse
  c.OnWindowMoved();
  EXPECT_FALSE(c.IsOnScreen());
  EXPECT_EQ(s.front, original);  // no picture left behind in the screen copy
  EXPECT_EQ(s.invalidated, invalidated + 1);
  s.now += 100;
  EXPECT_EQ(c.DrawMouse(-1, -1, true), TPoint(3, 4));
}

TEST(CursorThreads, HelperGivesUpAfterFiveMilliseconds) {
  TTestScreen s(32, 32);
  TMouseCursor c(&s);
  auto pic = ArrowPicture();
  c.SetMouseImage(pic.data(), 6, 5, 6, 0, 0, false);
  std::atomic<bool> held{false}, release{false};
  std::thread main([&] {
    std::lock_guard<std::recursive_timed_mutex> lock(c.GetMutex());
    held = true;
    while (!release) std::this_thread::yield();
  });
  while (!held) std::this_thread::yield();
  auto t0 = std::chrono::steady_clock::now();
  TPoint p = c.DrawMouse(-1, -1, false, true);
  auto waited = std::chrono::steady_clock::now() - t0;
  release = true;
  main.join();
  EXPECT_EQ(p, TPoint(-1, -1));
  EXPECT_GE(waited, std::chrono::milliseconds(4));
  EXPECT_LT(waited, std::chrono::milliseconds(1000));
}

TEST(CursorThreads, HelperMovesTheCursorOverChangingFramesWithoutLeftovers) {
  TTestScreen s(96, 64);
  s.manualTime = false;
  TMouseCursor c(&s);
  auto pic = ArrowPicture();
  c.SetMouseImage(pic.data(), 6, 5, 6, 1, 1, false);
  std::atomic<bool> stop{false};
  std::atomic<int> helperDraws{0};
  std::thread helper([&] {
    while (!stop) {
      TPoint p = c.DrawMouse(-1, -1, false, true);
      if (p.x != -1) ++helperDraws;
      std::this_thread::yield();
    }
  });
  std::mt19937 rng(11);
  std::vector<uint8_t> frame;
  // At least 400 rounds, and on until the helper has drawn a few times.
  for (int i = 0; i < 400 || (helperDraws < 5 && i < 2000000); ++i) {
    s.mx = int(rng() % 100) - 2;
    s.my = int(rng() % 70) - 2;
    if (i % 4 == 0) {
      // A new frame: drawn into the back buffer with the cursor, then shown.
      s.Fill(s.back, uint32_t(i));
      frame = s.back;
      c.DrawMouse(-1, -1, true);
      std::lock_guard<std::recursive_timed_mutex> lock(c.GetMutex());
      s.front = s.back;
      c.NotifyPresented();
    }
    std::this_thread::yield();
  }
  stop = true;
  helper.join();
  c.EraseMouse();
  EXPECT_EQ(s.front, frame);
  EXPECT_GT(helperDraws.load(), 0);
}
