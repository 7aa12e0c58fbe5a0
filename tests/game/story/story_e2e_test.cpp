// End to end: the lantern program on the demo data, headless, driven by input
// scripts. A new player's first game opens with the splash and the intro
// comic, which the player reads through to the first location; a player who
// finishes the last location of level 1 sees the comic between the levels;
// the credits roll from the main menu and close back to it.
#include <tinyxml.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "platform/folders.h"
#include "platform/geometry.h"
#include "render/textures/imagereaders.h"
#include "tests/game/support/gamee2e.h"

using namespace gamee2e;

namespace {

constexpr const char* kCreditsButton = "690 725";
constexpr const char* kComicNext = "884 724";  // "next", and "play" on the last page
constexpr const char* kCreditsClose = "904 725";

// The lines of the screens this test follows.
class StoryEndToEnd : public TGameEndToEnd {
protected:
  StoryEndToEnd()
      : TGameEndToEnd({"menu: ", "MainGame: level", "MainGame: on to", "Comics ", "ComicsSpl: ", "comics: ",
                       "credits: "}) {}
};

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

// Where a comic file of the demo puts a picture on its page.
TPoint PicturePlace(const std::string& comic, const std::string& picture) {
  TiXmlDocument doc;
  EXPECT_TRUE(doc.LoadFile((testing_support::SourceDir() + "/assets/comics/" + comic).c_str())) << comic;
  const TiXmlElement* root = doc.RootElement();
  for (const TiXmlElement* page = root ? root->FirstChildElement("page") : nullptr; page;
       page = page->NextSiblingElement("page"))
    for (const TiXmlElement* f = page->FirstChildElement("fragm"); f; f = f->NextSiblingElement("fragm")) {
      int x = 0, y = 0;
      const char* pict = f->Attribute("pict");
      if (pict && picture == pict && std::sscanf(f->Attribute("pos"), "%d,%d", &x, &y) == 2) return TPoint(x, y);
    }
  ADD_FAILURE() << picture << " is not in " << comic;
  return TPoint(0, 0);
}

}  // namespace

// A new player: the splash's still screen (left with Escape), then the
// intro comic, read page by page (a click completes a page, "next" turns it,
// Enter on the last page is "play" and ends the comic), then the first
// location. Again with the keys alone: Enter leaves the splash; in the comic
// Enter completes a page that still builds and then turns it, and Escape
// while the last page builds is "play".
TEST_F(StoryEndToEnd, ANewGameShowsTheIntroComicAndReachesTheFirstLocation) {
  // Stopped on the comic's second page.
  std::string pages = NewPlayer() + Click(800, kPlayButton) + At(3350, "key escape") + Click(5700, kComicPage) +
                      Click(6000, kComicNext);
  TRun comic = Run(pages, 700);
  EXPECT_EQ(comic.exitCode, 0);
  std::vector<std::string> wanted = {"menu: shown", "menu: asks for a name", "menu: play",
                                     "ComicsSpl: the still screen stands for \"intro.swf\"",
                                     "ComicsSpl: on to scripts/maingame.lua", "comics: the level begins with com_1.xml",
                                     "Comics com_1.xml: 3 pages", "Comics com_1.xml: page 2 of 3"};
  EXPECT_EQ(comic.lines, wanted);
  // The second page's first panel has faded in at its place.
  if (comic.w == 1024) {
    const TPoint at = PicturePlace("com_1.xml", "comics/c1_p2_a");
    for (auto [x, y] : {std::pair<int, int>{200, 100}, {600, 250}, {900, 300}})
      EXPECT_TRUE(Near(comic.At(at.x + x, at.y + y), PicturePixel("comics/c1_p2_a.jpg", x, y), 6)) << x << "," << y;
  }

  // Read on to the end; Enter ("play") leads to the first location.
  std::string all = pages + Click(6400, kComicPage) + Click(6700, kComicNext) + Click(7100, kComicPage) +
                    At(7450, "key enter");
  std::filesystem::remove_all(dir.File("user"));  // a new player again
  TRun game = Run(all, 1300);
  // The keys alone, each while a page builds or just after.
  std::string keys = NewPlayer() + Click(800, kPlayButton) + At(3350, "key enter") + At(5700, "key enter") +
                     At(6000, "key enter") + At(6400, "key enter") + At(6700, "key enter") + At(7100, "key escape");
  std::filesystem::remove_all(dir.File("user"));
  TRun byKeys = Run(keys, 1300);
  EXPECT_EQ(byKeys.exitCode, 0);
  EXPECT_EQ(byKeys.Count("ComicsSpl: on to scripts/maingame.lua"), 1u) << byKeys.Joined();
  EXPECT_EQ(byKeys.Count("Comics com_1.xml: page "), 2u) << byKeys.Joined();
  int keysPage3 = byKeys.Find("Comics com_1.xml: page 3 of 3"), keysLeave = byKeys.Find("comics: leave for ");
  EXPECT_GE(keysPage3, 0) << byKeys.Joined();
  EXPECT_GT(keysLeave, keysPage3);
  EXPECT_GT(byKeys.Find("MainGame: level loc11 loaded"), keysLeave);
  EXPECT_EQ(byKeys.ShownAt("ComicsSpl", 2), 3350 + 2016) << byKeys.log;  // the comic, two fades after the Enter
  EXPECT_EQ(game.exitCode, 0);
  int page3 = game.Find("Comics com_1.xml: page 3 of 3");
  int leave = game.Find("comics: leave for scripts/maingame.lua");
  int level = game.Find("MainGame: level loc11 loaded");
  ASSERT_GE(page3, 0);
  EXPECT_GT(leave, page3);
  EXPECT_GT(level, leave);
  // The play screen's panel at the bottom, not the comic's page.
  if (game.w == 1024) {
    EXPECT_FALSE(Near(game.At(500, 700), PicturePixel("comics/bg.jpg", 500, 700), 6));
  }
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
  std::string input = Click(600, kPlayButton) + Click(4800, kTutorButton) + Click(5400, kTutorButton) +
                      Click(6000, kSkipButton) + Click(14500, kTutorButton);
  TRun run = Run(input, 1700);
  EXPECT_EQ(run.exitCode, 0);
  const std::string all = run.Joined();
  int game = run.Find("MainGame: on to scripts/mg01window.lua");
  int comic = run.Find("Comics com_2.xml: 2 pages");
  EXPECT_GE(game, 0) << all;
  EXPECT_GT(comic, game) << all;
  // Its first page: the gathered journal on the left, under way.
  if (run.w == 1024) {
    const TPoint at = PicturePlace("com_2.xml", "comics/c2_p1_a");
    EXPECT_TRUE(Near(run.At(200, 200), PicturePixel("comics/c2_p1_a.jpg", 200 - at.x, 200 - at.y), 6));
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
  if (back.w == 1024) {
    EXPECT_GT(back.Brightness(100, 90, 590, 190), early.Brightness(100, 90, 590, 190) + 20);
  }
}
