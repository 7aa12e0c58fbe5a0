// End to end: the lantern program on the demo data, headless, from a fresh
// user folder. A new player starts level 1 from the main menu, the kitchen's
// tutorial opens over the scene and is clicked through; after a restart the
// kitchen plays without it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"

namespace {

constexpr const char* kPlayButton = "310 362";
constexpr const char* kSplashSkip = "956 712";
constexpr const char* kComicPage = "500 300";
constexpr const char* kComicSkip = "140 725";
// The box's round button: in the style's place, and moved with the box
// beside the list's pointer (box at y 284).
constexpr const char* kBoxButton = "704 545";
constexpr const char* kListButton = "704 359";
constexpr const char* kTeacup = "225 558";
constexpr const char* kHintButton = "926 710";

struct TRun {
  int exitCode = -1;
  std::vector<std::string> lines;  // the tutorial's and the scene's lines, in order
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  size_t Count(const std::string& prefix) const {
    size_t n = 0;
    for (const std::string& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
  }
};

class TutorialEndToEnd : public ::testing::Test {
protected:
  TRun Run(const std::string& input, int frames) {
    std::string inputFile = dir.Write("input" + std::to_string(runs) + ".txt", input);
    std::string shot = dir.File("shot" + std::to_string(runs++) + ".png");
    std::string options = "headless=1,frames=" + std::to_string(frames) + ",input=" + inputFile +
                          ",screenshot=" + shot + ",userfolder=" + dir.File("user");
    unlink(dir.File("user/logfile.txt").c_str());
    TRun run;
    pid_t child = fork();
    if (child == 0) {
      if (chdir(testing_support::SourceDir().c_str()) != 0) _exit(126);
      alarm(240);
      std::string arg = "options=" + options;
      execl(LANTERN_PROGRAM, LANTERN_PROGRAM, arg.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream in(testing_support::ReadFile(dir.File("user/logfile.txt")));
    for (std::string line; std::getline(in, line);)
      for (const char* tag : {"Tutorial: ", "MainGame: "}) {
        size_t at = line.find(tag);
        if (at != std::string::npos) run.lines.push_back(line.substr(at));
      }
    EXPECT_TRUE(ReadPng(shot, &run.px, &run.w, &run.h));
    return run;
  }
  static std::string Click(int t, const std::string& where) {
    return std::to_string(t) + " move " + where + "\n" + std::to_string(t + 50) + " click left " + where + "\n";
  }
  static double Brightness(const TRun& r, int x0, int y0, int x1, int y1) {
    double sum = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        uint32_t c = r.At(x, y);
        sum += double(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3;
      }
    return sum / double((x1 - x0) * (y1 - y0));
  }
  // Parchment-coloured pixels in the box's place (the box is light, the
  // kitchen under the shadow dark).
  static int Parchment(const TRun& r) {
    int n = 0;
    for (int y = 480; y < 610; y += 2)
      for (int x = 290; x < 660; x += 2) n += ((r.At(x, y) >> 16) & 0xFF) > 180;
    return n;
  }

  testing_support::TempDir dir;
  int runs = 0;
};

}  // namespace

TEST_F(TutorialEndToEnd, ANewPlayerIsWalkedThroughTheKitchenOnce) {
  // A new player's game starts full screen: Alt+Enter first, so the input's
  // points are the game's. The tutorial opens with the kitchen and is
  // clicked through: next, close, the list's close, the hint button and the
  // teacup. A first game opens with the splash and the level's comic: both
  // are skipped first (a click on the comic's page shows its skip button).
  const int shift = 5000;
  std::string input = "100 key alt+enter\n300 text Ada\n400 key enter\n" + Click(800, kPlayButton) +
                      Click(3300, kSplashSkip) + Click(5700, kComicPage) + Click(6100, kComicSkip) +
                      Click(3500 + shift, kBoxButton) + Click(4000 + shift, kBoxButton) +
                      Click(4500 + shift, kListButton) + Click(5000 + shift, kHintButton) +
                      Click(5500 + shift, kTeacup);
  TRun first = Run(input, 1600);
  EXPECT_EQ(first.exitCode, 0);
  std::vector<std::string> tutorial;
  for (const std::string& l : first.lines)
    if (l.rfind("Tutorial: ", 0) == 0 || l.rfind("MainGame: found", 0) == 0 || l.rfind("MainGame: hint", 0) == 0)
      tutorial.push_back(l.substr(0, l.find(" (")));
  std::vector<std::string> wanted = {
      "Tutorial: screen 0 opens", "Tutorial: screen 0 ends", "Tutorial: screen 1 opens",
      "Tutorial: screen 1 ends",  "Tutorial: screen 2 opens", "MainGame: hint shows",
      "Tutorial: screen 2 ends",  "Tutorial: screen 3 opens", "MainGame: found teacup",
      "Tutorial: screen 3 ends"};
  ASSERT_EQ(tutorial.size(), wanted.size());
  for (size_t i = 0; i < wanted.size(); ++i) EXPECT_EQ(tutorial[i].substr(0, wanted[i].size()), wanted[i]) << i;

  // The game starts again: the kitchen plays without its tutorial.
  TRun second = Run(Click(1000, kPlayButton), 400);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.Count("MainGame: level loc11 loaded"), 1u);
  EXPECT_EQ(second.Count("Tutorial: "), 0u);
  // No box and no shadow: the kitchen as it is, teacup found.
  ASSERT_EQ(second.w, 1024);
  EXPECT_LT(Parchment(second), 1500);
  EXPECT_GT(Brightness(second, 600, 100, 900, 300), 70);
}
