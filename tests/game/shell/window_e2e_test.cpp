// End to end in a real window: the lantern program on an X server (xvfb-run,
// which scripts/setup-deps installs; 1280 x 1024, no graphics card), driven
// by input scripts as a player plays: a new player's first start full screen,
// then Alt+Enter and the options' full-screen box both ways and back, without
// and with a window manager. The screenshot is the window as the X server
// holds it; each is compared with the headless frame of the same moment (the
// same script in game points, the same frame).
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/prefs.h"
#include "tests/game/support/gamee2e.h"

using namespace gamee2e;

namespace {

constexpr int kScreenW = 1280, kScreenH = 1024;  // the X server's screen
constexpr int kDesktopW = 1920, kDesktopH = 1080;  // the headless host's desktop

// Game points of the demo's controls: the main menu's Options button, the
// options' full-screen box (scripts/options.lua: the 640 x 480 board centred,
// its panel at 44, 84, the box at 40, 230, 36 pixels wide), and a place on
// the menu's background away from every button.
constexpr int kOptions[2] = {310, 502};
constexpr int kFullScreenBox[2] = {294, 476};
constexpr int kRest[2] = {512, 736};

// A game point as an output pixel when the output is w x h (the whole frame
// scaled into it, as the hosts show it); the game's own points in a window.
std::string On(const int point[2], int w = 1024, int h = 768) {
  THostRect fit = FitFrame(1024, 768, w, h);
  return Point(fit.left + (2 * point[0] + 1) * fit.Width() / 2048, fit.top + (2 * point[1] + 1) * fit.Height() / 1536);
}

// A new player's first start, full screen on an output of w x h: the name
// given, the options opened with the mouse, the mouse put to rest.
std::string FirstStart(int w, int h) {
  return At(300, "text Ada") + At(400, "key enter") + Click(800, On(kOptions, w, h)) +
         At(1400, "move " + On(kRest, w, h));
}
constexpr int kFirstStartFrames = 200;

// The same player again (full screen): Alt+Enter to a window and back, the
// options opened, their full-screen box clicked three times (to a window,
// full screen, a window), the mouse put to rest.
std::string Switches(int w, int h) {
  return At(300, "key alt+enter") + At(600, "key alt+enter") + Click(900, On(kOptions, w, h)) +
         Click(1400, On(kFullScreenBox, w, h)) + Click(1900, On(kFullScreenBox)) +
         Click(2400, On(kFullScreenBox, w, h)) + At(2900, "move " + On(kRest));
}
constexpr int kSwitchesFrames = 340;

// The screenshot of a full-screen window against the headless frame: black
// bars around the frame's place, and there the frame scaled (each pixel
// against the frame sampled bilinearly at the pixel's centre).
void ExpectScaledFrame(const TRun& window, const TRun& frame) {
  ASSERT_EQ(window.w, kScreenW);
  ASSERT_EQ(window.h, kScreenH);
  ASSERT_EQ(frame.w, 1024);
  const THostRect fit = FitFrame(1024, 768, kScreenW, kScreenH);
  auto channel = [](uint32_t c, int s) { return double((c >> s) & 0xFF); };
  int barsLit = 0;
  double sum = 0;
  size_t far = 0, n = 0;
  for (int y = 0; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x) {
      const uint32_t c = window.At(x, y);
      if (x < fit.left || x >= fit.right || y < fit.top || y >= fit.bottom) {
        barsLit += (c & 0xFFFFFF) != 0;
        continue;
      }
      const double sx = std::clamp((x - fit.left + 0.5) * 1024 / fit.Width() - 0.5, 0.0, 1023.0);
      const double sy = std::clamp((y - fit.top + 0.5) * 768 / fit.Height() - 0.5, 0.0, 767.0);
      const int x0 = int(sx), y0 = int(sy), x1 = std::min(x0 + 1, 1023), y1 = std::min(y0 + 1, 767);
      const double fx = sx - x0, fy = sy - y0;
      for (int s = 0; s < 24; s += 8) {
        const double want = (channel(frame.At(x0, y0), s) * (1 - fx) + channel(frame.At(x1, y0), s) * fx) * (1 - fy) +
                            (channel(frame.At(x0, y1), s) * (1 - fx) + channel(frame.At(x1, y1), s) * fx) * fy;
        const double d = std::fabs(want - channel(c, s));
        sum += d;
        far += d > 32;
        ++n;
      }
    }
  EXPECT_EQ(barsLit, 0) << "pixels lit outside the frame's place";
  EXPECT_LT(sum / double(n), 2.0) << "mean difference per channel";
  EXPECT_LT(double(far) / double(n), 0.002) << "share of channels more than 32 apart";
}

// A window's screenshot is the headless frame, pixel for pixel.
void ExpectSameFrame(const TRun& window, const TRun& frame) {
  ASSERT_EQ(window.w, 1024);
  ASSERT_EQ(window.h, 768);
  ASSERT_EQ(frame.px.size(), window.px.size());
  size_t differing = 0;
  for (size_t i = 0; i < window.px.size(); ++i) differing += !Near(window.px[i], frame.px[i], 2);
  EXPECT_LE(differing, window.px.size() / 1000) << "pixels differ from the headless frame";
}

class RealWindow : public TGameEndToEnd {
protected:
  RealWindow() : TGameEndToEnd({"modal: ", "players: ", "Display: "}) {}

  // Both runs through a real window, and the same two headless, each pair
  // from a fresh user folder; `wrapper` starts the window manager, if any.
  void PlayBothWays(const std::vector<std::string>& wrapper) {
    // The X, D-Bus and OpenGL client libraries keep allocations until the
    // process ends: the leak check stays with the headless runs.
    std::vector<std::string> launcher = {"env",
                                         "SDL_VIDEODRIVER=x11",
                                         "SDL_AUDIODRIVER=dummy",
                                         "ASAN_OPTIONS=detect_leaks=0",
                                         "xvfb-run",
                                         "-a",
                                         "-n",
                                         std::to_string(100 + getpid() % 800),
                                         "-s",
                                         "-screen 0 " + std::to_string(kScreenW) + "x" + std::to_string(kScreenH) + "x24"};
    launcher.insert(launcher.end(), wrapper.begin(), wrapper.end());
    const std::string multiple = ",multiple=1";

    // A new player starts full screen: the whole frame, scaled, upright;
    // the Options button is where the picture shows it.
    TRun first = RunThrough(launcher, FirstStart(kScreenW, kScreenH), kFirstStartFrames, multiple);
    ASSERT_EQ(first.exitCode, 0) << first.log;
    EXPECT_EQ(Modes(first), std::vector<std::string>{kFull}) << first.Joined();
    const TRun switches = RunThrough(launcher, Switches(kScreenW, kScreenH), kSwitchesFrames, multiple);
    EXPECT_EQ(switches.exitCode, 0) << switches.log;
    EXPECT_EQ(Prefs()->GetInt("fullscreen", -1), 0);  // the last switch, stored

    std::filesystem::remove_all(dir.File("user"));
    const TRun headlessFirst = Run(FirstStart(kDesktopW, kDesktopH), kFirstStartFrames);
    const TRun headlessSwitches = Run(Switches(kDesktopW, kDesktopH), kSwitchesFrames);
    ASSERT_TRUE(headlessFirst.Mentions("modal: options")) << headlessFirst.Joined();

    // The same screens at the same frames, and what they showed.
    auto screens = [](const TRun& run) {
      std::vector<std::string> out;
      for (const std::string& line : run.lines)
        if (line.rfind("Display: ", 0) != 0) out.push_back(line);
      return out;
    };
    EXPECT_EQ(screens(first), screens(headlessFirst));
    EXPECT_EQ(screens(switches), screens(headlessSwitches));
    EXPECT_EQ(Modes(switches), (std::vector<std::string>{kFull, kWindow, kFull, kWindow, kFull, kWindow}));
    ExpectScaledFrame(first, headlessFirst);
    ExpectSameFrame(switches, headlessSwitches);
  }

  // The window modes a run took, as its log tells them.
  static std::vector<std::string> Modes(const TRun& run) {
    std::vector<std::string> out;
    for (const std::string& line : run.lines)
      if (line.rfind("Display: full", 0) == 0 || line.rfind("Display: in a", 0) == 0)
        out.push_back(line);
    return out;
  }
  static constexpr const char* kFull = "Display: full screen, 1280x1024 pixels";
  static constexpr const char* kWindow = "Display: in a window, 1024x768 pixels";
};

bool Installed(const char* program) {
  for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/bin/"})
    if (access((std::string(folder) + program).c_str(), X_OK) == 0) return true;
  return false;
}

}  // namespace

TEST_F(RealWindow, FullScreenAndWindowedShowTheHeadlessFrames) {
  if (!Installed("xvfb-run") || !Installed("Xvfb"))
    GTEST_SKIP() << "xvfb-run is not installed (scripts/setup-deps installs it): no real window to try";
  PlayBothWays({});
}

// A window manager takes the full-screen request itself and frames the
// window: the player sees the same.
TEST_F(RealWindow, TheSameUnderAWindowManager) {
  if (!Installed("xvfb-run") || !Installed("Xvfb") || !Installed("openbox"))
    GTEST_SKIP() << "xvfb-run or openbox is not installed (scripts/setup-deps installs both): no window manager to try";
  // The manager signals that it runs by a file; the game starts then, and the manager ends with it.
  const std::string script = dir.Write("withwm.sh",
                                       "ready=\"$1\"; shift; rm -f \"$ready\"\n"
                                       "openbox --sm-disable --startup \"touch $ready\" >/dev/null 2>&1 &\n"
                                       "wm=$!\n"
                                       "i=0; while [ ! -e \"$ready\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
                                       "\"$@\"; code=$?\n"
                                       "kill $wm; wait $wm\n"
                                       "exit $code\n");
  PlayBothWays({"sh", script, dir.File("wm-ready")});
}
