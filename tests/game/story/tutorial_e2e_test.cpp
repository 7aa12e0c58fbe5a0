// End to end: the lantern program on the demo data, headless, from a fresh
// user folder. A new player starts level 1 from the main menu, the kitchen's
// tutorial opens over the scene and is clicked through; after a restart the
// kitchen plays without it.
#include <string>
#include <vector>

#include "tests/game/support/gamee2e.h"

using namespace gamee2e;

namespace {

// The box's round button moved with the box beside the list's pointer (box at y 284).
constexpr const char* kListButton = "704 359";
constexpr const char* kTeacup = "225 558";

// The tutorial's and the scene's lines.
class TutorialEndToEnd : public TGameEndToEnd {
protected:
  TutorialEndToEnd() : TGameEndToEnd({"Tutorial: ", "MainGame: "}) {}
};

// Parchment-coloured pixels in the box's place (the box is light, the
// kitchen under the shadow dark).
int Parchment(const TRun& r) {
  return r.Pixels(290, 480, 660, 610, [](int red, int, int) { return red > 180; }, 2);
}

}  // namespace

TEST_F(TutorialEndToEnd, ANewPlayerIsWalkedThroughTheKitchenOnce) {
  // The tutorial opens with the kitchen and is gone through: the box's
  // button by Enter and by Escape (the box takes both keys: Escape opens no
  // game menu while it waits), the list's close, the hint button and the
  // teacup clicked. A first game opens with the splash and the level's
  // comic: both are skipped first.
  const int shift = 5000;
  std::string input = FirstGame() + At(3500 + shift, "key enter") + At(4000 + shift, "key escape") +
                      Click(4500 + shift, kListButton) + Click(5000 + shift, kHintButton) +
                      Click(5500 + shift, kTeacup);
  TRun first = Run(input, 1600);
  EXPECT_EQ(first.exitCode, 0);
  std::vector<std::string> tutorial;
  for (const std::string& l : first.lines)
    if (l.rfind("Tutorial: ", 0) == 0 || l.rfind("MainGame: found", 0) == 0 || l.rfind("MainGame: hint", 0) == 0)
      tutorial.push_back(l.substr(0, l.find(" (")));
  // The hint's step and the teacup's share the last screen.
  std::vector<std::string> wanted = {"Tutorial: screen 0 opens", "Tutorial: screen 0 ends",
                                     "Tutorial: screen 1 opens", "Tutorial: screen 1 ends",
                                     "Tutorial: screen 2 opens", "MainGame: hint shows",
                                     "Tutorial: screen 2 ends",  "MainGame: found teacup",
                                     "Tutorial: over; remembered as tutorial:loc11"};
  ASSERT_EQ(tutorial.size(), wanted.size()) << first.Joined();
  for (size_t i = 0; i < wanted.size(); ++i) EXPECT_EQ(tutorial[i].substr(0, wanted[i].size()), wanted[i]) << i;
  EXPECT_EQ(first.Screens().back(), "MainGame") << first.log;

  // The game starts again: the kitchen plays without its tutorial.
  TRun second = Run(Click(1000, kPlayButton), 400);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.Count("MainGame: level loc11 loaded"), 1u);
  EXPECT_EQ(second.Count("Tutorial: "), 0u);
  // No box and no shadow: the kitchen as it is, teacup found.
  ASSERT_EQ(second.w, 1024);
  EXPECT_LT(Parchment(second), 1500);
  EXPECT_GT(second.Brightness(600, 100, 900, 300), 70);
}
