// The SDL2 host: under SDL's dummy video driver, and a real window on an X
// server (Xvfb, started here when it is installed) that a screenshot reads back.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/host/hosts.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"
#include "tests/support/xvfb.h"

using testing_support::TempDir;

namespace {

void PresentFrames(TPlatform* platform, bool fullScreen) {
  ASSERT_TRUE(platform->OpenDisplay(1024, 768, fullScreen));
  TPlatformEvent e;
  uint32_t last = platform->GetTime() - 12;
  for (platform->GetEvent(&e); e.type != kEventQuit; platform->GetEvent(&e)) {
    if (e.type == kEventTick && platform->GetTime() - last >= 12 && platform->IsFlipDone()) {
      last = platform->GetTime();
      platform->EndDraw(true);
    }
  }
}

constexpr uint32_t kPlain = 0xFF1E2A3A;  // the stand-in display's colour

// Runs `body` in a child process and gives its exit code. The X and OpenGL
// client libraries keep allocations until the process ends; the child leaves
// with _exit, so the leak check of the test process never sees them.
int RunInChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

}  // namespace

TEST(SdlHost, DummyDriverWindowModesAndPresentation) {
  std::unique_ptr<THost> host = CreateSdlHost();
  ASSERT_TRUE(host) << "SDL_VIDEODRIVER=dummy is set for the tests";
  EXPECT_FALSE(host->IsHeadless());
  ASSERT_TRUE(host->CreateWindow("lantern", 480, 360));
  int w = 0, h = 0;
  host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 480);
  EXPECT_EQ(h, 360);
  ASSERT_TRUE(host->SetWindowMode(1024, 768, false));
  host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 1024);
  std::vector<uint32_t> frame(1024 * 768, 0xFF00FF00);
  host->Present(frame.data(), 1024, 768, 1024);
  host->Present(frame.data(), 1024, 768, 1024);
  EXPECT_EQ(host->GetPresentCount(), 2u);
  // A frame from another thread waits for the window's thread.
  std::thread([&] { host->Present(frame.data(), 1024, 768, 1024); }).join();
  EXPECT_EQ(host->GetPresentCount(), 2u);
  host->Wait(0);
  EXPECT_EQ(host->GetPresentCount(), 3u);
  host->SetWindowTitle("Quenmoor");
  EXPECT_EQ(host->GetWindowTitle(), "Quenmoor");
  std::vector<uint32_t> cursor(16 * 16, 0xFFFFFFFF);
  host->SetCursorImage(cursor.data(), 16, 16, 16, 1, 1);
  host->SetCursorImage(nullptr, 0, 0, 0, 0, 0);
  THostEvent e;
  while (host->PollEvent(&e)) {
  }
  host->DestroyWindow();
  EXPECT_FALSE(host->HasWindow());
}

// Both ways of presenting: SDL's window surface (chosen where the renderer is
// an OpenGL on a software rasteriser, as under Xvfb) and the window's renderer
// (kept when SDL_RENDER_DRIVER names it). The screenshot is read back from the
// X server (the surface) or the renderer, so a window that did not take the
// size asked for shows as it is.
TEST(SdlHost, RealWindowUnderXvfbIsScreenshotInAWindowAndFullScreen) {
  Xvfb x;
  if (x.Display().empty()) GTEST_SKIP() << "Xvfb is not installed or did not start";
  setenv("DISPLAY", x.Display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  TempDir dir;
  std::string user = ",userfolder=" + dir.Path();
  for (const char* driver : {"", "opengl"}) {
    SCOPED_TRACE(*driver ? driver : "the window surface");
    setenv("SDL_RENDER_DRIVER", driver, 1);

    // In a window: the whole 1024 x 768 output is the frame.
    std::string shot = dir.File("window.png");
    int code = RunInChild([&] {
      return RunApplication({"--multiple", "options=frames=4,screenshot=" + shot + user},
                            [](TPlatform* p, const TString&) { PresentFrames(p, false); }, TPlatformHooks());
    });
    EXPECT_EQ(code, 0);
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadPng(shot, &px, &w, &h));
    ASSERT_EQ(w, 1024);
    ASSERT_EQ(h, 768);
    EXPECT_EQ(px[0], kPlain);
    EXPECT_EQ(px[384 * 1024 + 512], kPlain);

    // Full screen on the 1280 x 1024 desktop: 1280 x 960 of picture between two 32-pixel bars.
    shot = dir.File("full.png");
    code = RunInChild([&] {
      return RunApplication({"--multiple", "options=frames=4,screenshot=" + shot + user},
                            [](TPlatform* p, const TString&) { PresentFrames(p, true); }, TPlatformHooks());
    });
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(ReadPng(shot, &px, &w, &h));
    ASSERT_EQ(w, 1280);
    ASSERT_EQ(h, 1024);
    EXPECT_EQ(px[10 * 1280 + 640], 0xFF000000u);  // top bar
    EXPECT_EQ(px[1015 * 1280 + 640], 0xFF000000u);  // bottom bar
    EXPECT_EQ(px[512 * 1280 + 640], kPlain);
    EXPECT_EQ(px[40 * 1280 + 5], kPlain);
  }
  unsetenv("SDL_RENDER_DRIVER");

  // On an 800 x 600 screen the 1024 x 768 window is made 800 x 600, the
  // frame scaled into it, and lies on the screen.
  Xvfb small("800x600x24");
  if (small.Display().empty()) return;
  setenv("DISPLAY", small.Display().c_str(), 1);
  std::string shot = dir.File("small.png");
  int code = RunInChild([&] {
    return RunApplication({"--multiple", "options=frames=4,screenshot=" + shot + user},
                          [&dir](TPlatform* p, const TString&) {
                            PresentFrames(p, false);
                            int x = -1, y = -1;
                            p->GetHost()->GetWindowPosition(&x, &y);
                            dir.Write("place.txt", std::to_string(x) + " " + std::to_string(y));
                          },
                          TPlatformHooks());
  });
  EXPECT_EQ(code, 0);
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPng(shot, &px, &w, &h));
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  if (w > 400 && h > 300) {
    EXPECT_EQ(px[300 * size_t(w) + 400], kPlain);
  }
  EXPECT_EQ(testing_support::ReadFile(dir.File("place.txt")), "0 0");

  // Under a window manager the window's frame, known only once it shows,
  // takes room too: the window is made smaller again, 4:3 still, and lies
  // whole on the screen (the X server reads back no window that does not).
  if (access("/usr/bin/openbox", X_OK) != 0) return;
  const std::string ready = dir.File("wm-ready");
  pid_t wm = fork();
  if (wm == 0) {
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    execl("/usr/bin/openbox", "openbox", "--sm-disable", "--startup", ("touch " + ready).c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 400 && !testing_support::FileExists(ready); ++i) usleep(25000);
  shot = dir.File("framed.png");
  code = RunInChild([&] {
    return RunApplication({"--multiple", "options=frames=30,screenshot=" + shot + user},
                          [](TPlatform* p, const TString&) { PresentFrames(p, false); }, TPlatformHooks());
  });
  kill(wm, SIGTERM);
  waitpid(wm, nullptr, 0);
  EXPECT_EQ(code, 0);
  ASSERT_TRUE(ReadPng(shot, &px, &w, &h));
  EXPECT_LE(w, 800);
  EXPECT_LT(h, 600);
  EXPECT_NEAR(w * 3, h * 4, 4);
  if (w > 400 && h > 300) {
    EXPECT_EQ(px[size_t(h / 2) * size_t(w) + size_t(w / 2)], kPlain);
  }
}
