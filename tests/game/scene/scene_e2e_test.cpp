// End to end: the lantern program on the demo data, headless, from a fresh
// user folder, driven by input scripts. A new player starts level 1 from the
// main menu, skips the splash and the level's comic, follows the location's tutorial and clicks every object of the
// first location at the place its level file gives; each leaves the list, the location is complete, the
// journal writes its page and is closed, and the game goes on (to the
// gallery, for the new wallpaper). The next start plays
// the second location: the first one was saved as passed.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
constexpr const char* kJournalClose = "958 72";
constexpr const char* kTutorialNext = "704 545";
constexpr const char* kTutorialRaisedClose = "704 360";  // the box over a pointer at the list
constexpr const char* kHintButton = "926 710";

struct TRun {
  int exitCode = -1;
  std::vector<std::string> lines;  // the menu's and the scene's lines, in order
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  size_t Count(const std::string& prefix) const {
    size_t n = 0;
    for (const std::string& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
  }
};

class SceneEndToEnd : public ::testing::Test {
protected:
  TRun Run(const std::string& input, int frames) {
    std::string inputFile = dir.Write("input" + std::to_string(runs) + ".txt", input);
    std::string shot = dir.File("scene" + std::to_string(runs++) + ".png");
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
      for (const char* tag : {"menu: ", "players: ", "MainGame: "}) {
        size_t at = line.find(tag);
        if (at != std::string::npos) run.lines.push_back(line.substr(at));
      }
    EXPECT_TRUE(ReadPng(shot, &run.px, &run.w, &run.h));
    // LANTERN_SCENE_SHOTS=<folder> keeps the last frames for a look.
    if (const char* keep = std::getenv("LANTERN_SCENE_SHOTS")) {
      std::error_code ignored;
      std::filesystem::copy_file(shot, std::filesystem::path(keep) / std::filesystem::path(shot).filename(),
                                 std::filesystem::copy_options::overwrite_existing, ignored);
    }
    return run;
  }
  static std::string Click(int t, const std::string& where) {
    return std::to_string(t) + " move " + where + "\n" + std::to_string(t + 50) + " click left " + where + "\n";
  }

  testing_support::TempDir dir;
  int runs = 0;
};

// The centre of every item of a level file of the demo data, in file order.
std::vector<std::string> ItemCentres(const std::string& name) {
  TiXmlDocument doc;
  std::string file = testing_support::SourceDir() + "/assets/levels/" + name + ".xml";
  EXPECT_TRUE(doc.LoadFile(file.c_str())) << file;
  std::vector<std::string> out;
  const TiXmlElement* pict = doc.RootElement() ? doc.RootElement()->FirstChildElement("Pict") : nullptr;
  for (const TiXmlElement* hs = pict ? pict->FirstChildElement("HotSpot") : nullptr; hs;
       hs = hs->NextSiblingElement("HotSpot"))
    for (const TiXmlElement* item = hs->FirstChildElement("Item"); item; item = item->NextSiblingElement("Item")) {
      int x = 0, y = 0, w = 0, h = 0;
      std::sscanf(item->Attribute("rect"), "%d,%d,%d,%d", &x, &y, &w, &h);
      out.push_back(std::to_string(x + w / 2) + " " + std::to_string(y + h / 2));
    }
  return out;
}

// Dark ink on the parchment of the list.
int ListInk(const TRun& r) {
  int ink = 0;
  for (int y = 668; y < 758; ++y)
    for (int x = 188; x < 710; ++x) ink += ((r.At(x, y) >> 16) & 0xFF) < 90;
  return ink;
}

double Brightness(const TRun& r, int x0, int y0, int x1, int y1) {
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      uint32_t c = r.At(x, y);
      sum += double(((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3;
    }
  return sum / double((x1 - x0) * (y1 - y0));
}

}  // namespace

TEST_F(SceneEndToEnd, ANewPlayerFindsEverythingAndTheNextStartGoesOn) {
  // A new player's game starts full screen: Alt+Enter first, so the input's
  // points are the game's.
  std::string input = "100 key alt+enter\n300 text Ada\n400 key enter\n" + Click(800, kPlayButton);
  // A first game opens with the splash and the level's comic: both skipped
  // (the comic's skip button shows once its first page is complete: a click
  // on the page completes it).
  input += Click(3300, kSplashSkip) + Click(5700, kComicPage) + Click(6100, kComicSkip);
  std::vector<std::string> places = ItemCentres("loc11");
  ASSERT_EQ(places.size(), 13u);
  // The location's tutorial: two welcome pages and the list's, each with its
  // next button, the hint button; then it asks for the teacup, which the
  // click also finds.
  const int shift = 5000;
  input += Click(3500 + shift, kTutorialNext) + Click(4000 + shift, kTutorialNext) +
           Click(4500 + shift, kTutorialRaisedClose) + Click(4850 + shift, kHintButton);
  int t = 5200 + shift;
  for (const std::string& at : places) {
    input += Click(t, at);
    t += 350;
  }
  // The journal opens on the finished page and writes it; the player closes it.
  input += Click(14500 + shift, kJournalClose);
  TRun first = Run(input, 2100);
  EXPECT_EQ(first.exitCode, 0);
  std::vector<std::string> start(first.lines.begin(), first.lines.begin() + std::min<size_t>(5, first.lines.size()));
  std::vector<std::string> wanted = {"menu: shown", "menu: asks for a name", "players: created Ada", "menu: play",
                                     "MainGame: level loc11 loaded: 13 objects, 13 to find"};
  EXPECT_EQ(start, wanted);
  // Each click found one object, which left the list.
  int left = 13;
  for (const std::string& line : first.lines)
    if (line.rfind("MainGame: found ", 0) == 0) {
      --left;
      EXPECT_NE(line.find("(" + std::to_string(left) + " left)"), std::string::npos) << line;
    }
  EXPECT_EQ(left, 0);
  EXPECT_EQ(first.Count("MainGame: level loc11 complete"), 1u);
  // The new wallpaper first, in the gallery.
  ASSERT_FALSE(first.lines.empty());
  EXPECT_EQ(first.lines.back(), "MainGame: on to scripts/gallery.lua");

  // The next start: Play opens the study; the kitchen is passed.
  TRun second = Run(Click(1000, kPlayButton), 400);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.Count("MainGame: level loc12 loaded: 13 objects, 13 to find"), 1u);
  EXPECT_EQ(second.Count("MainGame: level loc11 loaded"), 0u);
  // Its frame: the study, the panel and a full list of names.
  if (second.w == 1024) EXPECT_GT(ListInk(second), 1500);
  // The first run's last frame: the gallery with the kitchen in its first
  // slot, brighter than the locked one beside it.
  if (first.w == 1024) EXPECT_GT(Brightness(first, 240, 185, 490, 345), Brightness(first, 540, 185, 790, 345) + 20);
}
