// End to end: the lantern program on the demo data, headless, driven by input
// scripts. A new player's first game opens with the splash and the intro
// comic, which the player reads through to the first location; a player who
// finishes the last location of level 1 sees the comic between the levels;
// the credits roll from the main menu and close back to it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "game/shell/gameprogress.h"
#include "game/shell/gamesettings.h"
#include "game/shell/userinfo.h"
#include "platform/folders.h"
#include "platform/prefs.h"
#include "platform/settings.h"
#include "render/imagereaders.h"
#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"

namespace {

constexpr const char* kPlayButton = "310 362";
constexpr const char* kCreditsButton = "690 725";
constexpr const char* kSplashSkip = "956 712";
constexpr const char* kComicPage = "500 300";
constexpr const char* kComicNext = "884 724";  // "next", and "play" on the last page
constexpr const char* kCreditsClose = "904 725";
constexpr const char* kTutorialButton = "704 545";
constexpr const char* kMiniGameSkip = "972 636";

struct TRun {
  int exitCode = -1;
  std::vector<std::string> lines;  // the lines of the screens this test follows, in order
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  bool Has(const std::string& line) const {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }
  // The index of the first line that begins with the text; -1 when none.
  int Find(const std::string& prefix) const {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].rfind(prefix, 0) == 0) return int(i);
    return -1;
  }
};

class StoryEndToEnd : public ::testing::Test {
protected:
  TRun Run(const std::string& input, int frames) {
    std::string inputFile = dir.Write("input" + std::to_string(runs) + ".txt", input);
    std::string shot = dir.File("story" + std::to_string(runs++) + ".png");
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
      for (const char* tag : {"menu: ", "MainGame: level", "MainGame: on to", "Comics ", "ComicsSpl: ", "comics: ",
                              "credits: "}) {
        size_t at = line.find(tag);
        if (at != std::string::npos) run.lines.push_back(line.substr(at));
      }
    EXPECT_TRUE(ReadPng(shot, &run.px, &run.w, &run.h));
    // LANTERN_STORY_SHOTS=<folder> keeps the last frames for a look.
    if (const char* keep = std::getenv("LANTERN_STORY_SHOTS")) {
      std::error_code ignored;
      std::filesystem::copy_file(shot, std::filesystem::path(keep) / std::filesystem::path(shot).filename(),
                                 std::filesystem::copy_options::overwrite_existing, ignored);
    }
    return run;
  }
  static std::string Click(int t, const std::string& where) {
    return std::to_string(t) + " move " + where + "\n" + std::to_string(t + 50) + " click left " + where + "\n";
  }
  // A saved player "Ada" (in a window, so the input's points are the game's),
  // whatever `edit` makes of a new game's progress.
  void SaveAda(const std::function<void(GameProgress&)>& edit) {
    testing_support::ScopedChdir cd(testing_support::SourceDir());
    RefreshFileLayer();
    LoadMainXml();
    SetSetting("userfolder", TString(dir.File("user")));
    SetSetting("encryptionkey", "tosvilqeZZZZ");  // the game's own key
    RecreateUserInfo();
    GetUserInfo()->CreateNewUser("Ada");
    GetUserInfo()->GetPrefs()->SetInt("fullscreen", 0, -1, 1);
    edit(GetGameProgress());
    ASSERT_TRUE(GetUserInfo()->SaveProgress());
    DeleteUserInfo();
    GetGameProgress().Reset();
    GetMainXml().Clear();
    LoadLevelModel();
    SetSetting("userfolder", "");
    RefreshFileLayer();
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

// A pixel of a demo picture, as the program decodes it.
uint32_t PicturePixel(const std::string& name, int x, int y) {
  testing_support::ScopedChdir cd(testing_support::SourceDir());
  RefreshFileLayer();
  TDecodedImage image;
  EXPECT_TRUE(LoadImageFile(TString(name), &image)) << name;
  RefreshFileLayer();
  if (x >= int(image.width) || y >= int(image.height)) return 0;
  return image.pixels[size_t(y) * size_t(image.side) + size_t(x)] | 0xFF000000u;
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int s = 0; s < 24; s += 8)
    if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance) return false;
  return true;
}

// Average brightness of a rectangle of the frame.
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

// A new player: the splash's still screen, then the intro comic, read page by
// page (a click completes a page, "next" turns it, "play" ends the comic),
// then the first location.
TEST_F(StoryEndToEnd, ANewGameShowsTheIntroComicAndReachesTheFirstLocation) {
  std::string start = "100 key alt+enter\n300 text Ada\n400 key enter\n" + Click(800, kPlayButton);
  // Stopped on the comic's second page.
  std::string pages = start + Click(3300, kSplashSkip) + Click(5700, kComicPage) + Click(6000, kComicNext);
  TRun comic = Run(pages, 700);
  EXPECT_EQ(comic.exitCode, 0);
  std::vector<std::string> wanted = {"menu: shown", "menu: asks for a name", "menu: play",
                                     "ComicsSpl: the still screen stands for \"intro.swf\"",
                                     "ComicsSpl: on to scripts/maingame.lua", "comics: the level begins with com_1.xml",
                                     "Comics com_1.xml: 3 pages", "Comics com_1.xml: page 2 of 3"};
  EXPECT_EQ(comic.lines, wanted);
  // The second page's first panel has faded in at its place.
  if (comic.w == 1024) {
    for (auto [x, y] : {std::pair<int, int>{200, 100}, {600, 250}, {900, 300}})
      EXPECT_TRUE(Near(comic.At(40 + x, 36 + y), PicturePixel("comics/c1_p2_a.jpg", x, y), 6)) << x << "," << y;
  }

  // Read on to the end; "play" leads to the first location.
  std::string all = pages + Click(6400, kComicPage) + Click(6700, kComicNext) + Click(7100, kComicPage) +
                    Click(7400, kComicNext);
  std::filesystem::remove_all(dir.File("user"));  // a new player again
  TRun game = Run(all, 1300);
  EXPECT_EQ(game.exitCode, 0);
  int page3 = game.Find("Comics com_1.xml: page 3 of 3");
  int leave = game.Find("comics: leave for scripts/maingame.lua");
  int level = game.Find("MainGame: level loc11 loaded");
  ASSERT_GE(page3, 0);
  EXPECT_GT(leave, page3);
  EXPECT_GT(level, leave);
  // The play screen's panel at the bottom, not the comic's page.
  if (game.w == 1024) EXPECT_FALSE(Near(game.At(500, 700), PicturePixel("comics/bg.jpg", 500, 700), 6));
}

// A player who has found everything of level 1 plays its last part, the
// blocks game: skips it, reads its closing message, and the comic between
// the levels opens.
TEST_F(StoryEndToEnd, FinishingLevelOneShowsTheComicBetweenTheLevels) {
  SaveAda([](GameProgress& p) {
    p.gameIntroDone = 1;
    p.MarkShown("com_1.xml");
    p.levelId = 1;
    p.chapterId = 2;
    p.locationId = 2;
    for (const char* name : {"loc11", "loc12", "loc13", "loc14", "loc15"}) p.FindLocationInfo(name).passed = 1;
    p.mLocationType = 1;  // the level's mini-game is due
  });
  // The game's two opening messages, skip, and after the slide its closing message.
  std::string input = Click(600, kPlayButton) + Click(4800, kTutorialButton) + Click(5400, kTutorialButton) +
                      Click(6000, kMiniGameSkip) + Click(14500, kTutorialButton);
  TRun run = Run(input, 1700);
  EXPECT_EQ(run.exitCode, 0);
  std::string all;
  for (const std::string& l : run.lines) all += l + "\n";
  int game = run.Find("MainGame: on to scripts/mg01window.lua");
  int comic = run.Find("Comics com_2.xml: 2 pages");
  EXPECT_GE(game, 0) << all;
  EXPECT_GT(comic, game) << all;
  // Its first page: the gathered journal on the left, under way.
  if (run.w == 1024) {
    EXPECT_TRUE(Near(run.At(200, 200), PicturePixel("comics/c2_p1_a.jpg", 160, 164), 6));
    EXPECT_TRUE(Near(run.At(20, 600), PicturePixel("comics/bg.jpg", 20, 600), 6));
  }
}

// The credits roll from the main menu, moving, and close back to the menu.
TEST_F(StoryEndToEnd, TheCreditsRollFromTheMainMenuAndReturn) {
  SaveAda([](GameProgress&) {});
  std::string open = Click(600, kCreditsButton);
  TRun early = Run(open, 450);  // 2 s into the roll: still in the pause
  TRun later = Run(open, 800);  // moving
  std::string close = open + Click(8000, kCreditsClose);
  TRun back = Run(close, 900);
  EXPECT_EQ(early.exitCode, 0);
  EXPECT_TRUE(early.Has("credits: open"));
  EXPECT_FALSE(early.Has("credits: closed"));
  if (early.w == 1024 && later.w == 1024) {
    // The text has moved up between the two frames; the close button stays.
    int differing = 0;
    for (int y = 0; y < 680; y += 2)
      for (int x = 200; x < 824; x += 2) differing += early.At(x, y) != later.At(x, y);
    EXPECT_GT(differing, 1000);
    EXPECT_EQ(early.At(904, 725), later.At(904, 725));
  }
  std::vector<std::string> wanted = {"menu: shown", "credits: open", "credits: closed"};
  EXPECT_EQ(back.lines, wanted);
  // The menu again: its bright title over the dusk, no dark credits page.
  if (back.w == 1024) EXPECT_GT(Brightness(back, 100, 90, 590, 190), Brightness(early, 100, 90, 590, 190) + 20);
}
