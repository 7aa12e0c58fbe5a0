// End to end: the lantern program on the demo data, headless, from a fresh
// user folder, driven by input scripts. A new player starts level 1 from the
// main menu, skips the splash and the level's comic, follows the location's tutorial and clicks every object of the
// first location at the place its level file gives; each leaves the list, the location is complete, the
// journal writes its page and is closed, and the game goes on (to the
// gallery, for the new wallpaper). The next start plays
// the second location: the first one was saved as passed.
#include <algorithm>
#include <string>
#include <vector>

#include "tests/game/support/gamee2e.h"

using namespace gamee2e;

namespace {

constexpr const char* kTutorialRaisedClose = "704 360";  // the box over a pointer at the list

// The menu's and the scene's lines.
class SceneEndToEnd : public TGameEndToEnd {
protected:
  SceneEndToEnd() : TGameEndToEnd({"menu: ", "players: ", "MainGame: "}) {}
};

// Dark ink on the parchment of the list.
int ListInk(const TRun& r) {
  return r.Pixels(188, 668, 710, 758, [](int red, int, int) { return red < 90; });
}

}  // namespace

TEST_F(SceneEndToEnd, ANewPlayerFindsEverythingAndTheNextStartGoesOn) {
  // A first game opens with the splash and the level's comic: both skipped.
  std::string input = FirstGame();
  std::vector<std::string> places = ItemCentres("loc11");
  ASSERT_EQ(places.size(), 13u);
  // The location's tutorial: two welcome pages and the list's, each with its
  // next button, the hint button; then it asks for the teacup, which the
  // click also finds.
  const int shift = 5000;
  input += Click(3500 + shift, kTutorButton) + Click(4000 + shift, kTutorButton) +
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
  if (second.w == 1024) {
    EXPECT_GT(ListInk(second), 1500);
  }
  // The first run's last frame: the gallery with the kitchen in its first
  // slot, brighter than the locked one beside it.
  if (first.w == 1024) {
    EXPECT_GT(first.Brightness(240, 185, 490, 345), first.Brightness(540, 185, 790, 345) + 20);
  }
}
