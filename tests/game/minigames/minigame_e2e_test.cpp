// End to end: the lantern program, headless, on the demo data with a first
// level of one location (the kitchen, without its tutorial) whose mini-game
// is the blocks game. From a fresh user folder an input script names the
// player, presses Play, finds every object of the kitchen and closes the
// journal; the level's mini-game follows. Then the crates are carried into
// place (a click picks one up, a second click sets it down), or skip fills
// the pallet, or the journal is clicked open and shut fast and the quit
// question answered (no, then yes) and the next start comes back into the
// mini-game. Checked: the log, the progress saved in the user folder and the
// pixels of the last frame. A window over the game (the quit question) puts
// the crate in the hand down first.
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "game/shell/data/gameprogress.h"
#include "tests/game/support/gamee2e.h"

namespace fs = std::filesystem;
using namespace gamee2e;

namespace {

// Demo places (the window is switched out of full screen first, so points are the game's).
constexpr const char* kTeacup = "225 558";
constexpr const char* kJournalButton = "52 716";
// The time line (ms): a first game opens with the splash and the level's
// comic, both skipped by 6.5 s; the teacup is found at 9 s, the journal
// writes the kitchen's page and is closed by 13 s, the fade; the
// mini-game's opening message is up by 16 s; play starts at 19.5 s.
constexpr int kShift = 5000;
constexpr int kPlay = 14500 + kShift;

// Presses the tutorial box's button every half second from t0 to t1: the
// steps go by as soon as the box is up; elsewhere the press lands on nothing.
std::string TutorClicks(int t0, int t1) {
  std::string out;
  for (int t = t0; t <= t1; t += 500) out += Click(t, kTutorButton);
  return out;
}
// The middle of tray place i (three in each row) and of cell (col, row).
std::pair<int, int> Tray(int i) { return {396 + (i % 3) * 84 + 32, i < 3 ? 636 : 703}; }
std::pair<int, int> Cell(int col, int row) { return {336 + col * 88 + 44, 126 + row * 88 + 44}; }

// Pixels of the square of side 2r about (x, y) whose colour passes the test.
template <class Fn>
int Square(const TRun& run, int x, int y, int r, Fn fn) {
  return run.Pixels(x - r, y - r, x + r, y + r, fn);
}

class MiniGameEndToEnd : public TGameEndToEnd {
protected:
  MiniGameEndToEnd() {
    folder = dir.File("work");
    Prepare();
  }

  // The demo's assets, but a first level of one location whose list asks
  // for the teacup alone, without the location's tutorial; its mini-game is
  // the blocks game, variant 1.
  void Prepare() {
    const fs::path from = fs::path(testing_support::SourceDir()) / "assets", to = fs::path(folder) / "assets";
    fs::create_directories(to / "levels");
    for (const auto& entry : fs::directory_iterator(from)) {
      const std::string name = entry.path().filename();
      if (name != "main.xml" && name != "levels") fs::create_symlink(entry.path(), to / name);
    }
    for (const auto& entry : fs::directory_iterator(from / "levels"))
      if (entry.path().filename() != "loc11.xml") fs::create_symlink(entry.path(), to / "levels" / entry.path().filename());
    std::string level = testing_support::ReadFile((from / "levels/loc11.xml").string());
    size_t a = level.find("<TutorScripts>"), b = level.find("</TutorScripts>");
    if (a != std::string::npos && b != std::string::npos) level.erase(a, b + 15 - a);
    size_t list = level.find("<List allnum=\"");
    ASSERT_NE(list, std::string::npos);
    level.replace(list, level.find("/>", list) - list, "<List allnum=\"1\"");
    std::ofstream(to / "levels/loc11.xml") << level;
    std::string main = testing_support::ReadFile((from / "main.xml").string());
    size_t start = main.find("<Level id=\"1\"");
    ASSERT_NE(start, std::string::npos);
    size_t open = main.find('>', start) + 1, close = main.find("</Level>", open);
    main.replace(open, close - open, "<Chapt id=\"1\"><Loc filename=\"loc11\" buttid=\"1\"/></Chapt>");
    std::ofstream(to / "main.xml") << main;
  }

  // A new player, Play, the splash and the comic skipped, the teacup, the
  // journal's new page closed, the mini-game's opening message passed.
  static std::string ToTheMiniGame() {
    return FirstGame("Ada", 1000) + Click(4000 + kShift, kTeacup) + Click(6000 + kShift, kJournalClose) +
           Click(7000 + kShift, kJournalClose) + Click(8000 + kShift, kJournalClose) +
           TutorClicks(11500 + kShift, 13500 + kShift);
  }
};

}  // namespace

TEST_F(MiniGameEndToEnd, TheCratesAreCarriedIntoPlaceAndTheGameEndsWon) {
  std::string input = ToTheMiniGame();
  // Each crate picked up with a click on its tray place and set down with a click on its cell.
  const std::pair<int, int> cells[6] = {Cell(0, 0), Cell(2, 2), Cell(1, 0), Cell(0, 1), Cell(1, 1), Cell(3, 3)};
  int t = kPlay;
  for (int i = 0; i < 6; ++i) {
    auto [x0, y0] = Tray(i);
    auto [x1, y1] = cells[i];
    input += Click(t, x0, y0) + Click(t + 250, x1, y1);
    t += 500;
  }
  // 5 s of slide and 2 s of wait, then the closing message's button.
  input += TutorClicks(t + 7500, t + 9500);
  TRun run = Run(input, 2720);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.InLog("MainGame: level loc11 complete"), 1u) << run.log;
  EXPECT_EQ(run.InLog("MainGame: on to scripts/mg01window.lua"), 1u) << run.log;
  EXPECT_EQ(run.InLog("mg01window: solved"), 1u) << run.log;
  EXPECT_EQ(run.InLog("mg01window: skipped"), 0u);
  EXPECT_EQ(run.InLog("mg01window: the game ends won; next scripts/maingame.lua"), 1u) << run.log;
  EXPECT_EQ(run.InLog("mg01window: the level's comic com_2.xml first"), 1u) << run.log;
  // On to the second level, saved.
  GameProgress saved = Saved();
  EXPECT_EQ(saved.levelId, 2);
  EXPECT_EQ(saved.chapterId, 1);
  EXPECT_EQ(saved.locationId, 1);
  EXPECT_EQ(saved.mLocationType, 0);
}

TEST_F(MiniGameEndToEnd, SkipFillsThePalletAndTheNextStartPlaysTheSecondLevel) {
  std::string input = ToTheMiniGame() + Click(kPlay, kSkipButton) + TutorClicks(kPlay + 8000, kPlay + 10000);
  TRun run = Run(input, 2620);
  EXPECT_EQ(run.InLog("mg01window: skipped; the board is filled"), 1u) << run.log;
  EXPECT_EQ(run.InLog("mg01window: solved"), 1u);
  EXPECT_EQ(run.InLog("mg01window: the game ends won"), 1u) << run.log;
  EXPECT_EQ(Saved().levelId, 2);
  // The next start: Play goes on with the second level, not with the kitchen or the blocks.
  TRun again = Run(Click(1000, kPlayButton), 400);  // the window mode was kept
  EXPECT_EQ(again.InLog("menu: play"), 1u) << again.log;
  EXPECT_EQ(again.InLog("MainGame: level loc11"), 0u) << again.log;
  EXPECT_EQ(again.InLog("mg01window"), 0u) << again.log;
}

TEST_F(MiniGameEndToEnd, TheJournalOpensTheQuitQuestionAsksTwiceAndTheGameComesBack) {
  auto [trayX, trayY] = Tray(0);
  auto [cellX, cellY] = Cell(0, 0);
  // The journal over the game: ten fast clicks on its button and on the
  // book's close button in turn, the last ones while the book still fades
  // in; it ends closed, as the last click asked.
  std::string input = ToTheMiniGame();
  const int at[] = {0, 200, 400, 600, 800, 1000, 1250, 1400, 1550, 1650};
  for (int i = 0; i < 10; ++i) input += Click(kPlay + at[i], i % 2 ? kJournalClose : kJournalButton);
  const int t = kPlay + 3500;
  auto [nextX, nextY] = Cell(1, 0);
  // An anchor carried over the first cell; the close box: the question puts
  // it down there, as a click would. No; a click on the next cell finds the
  // hand empty; the close box again: yes.
  input += Click(t, trayX, trayY) + At(t + 300, "move " + Point(cellX, cellY)) + std::to_string(t + 1000) +
           " close\n" + Click(t + 2000, kQuitNo) + Click(t + 2500, nextX, nextY) + std::to_string(t + 3000) +
           " close\n" + Click(t + 4000, kQuitYes);
  TRun run = Run(input, 3520);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.InLog("mg01window: the journal opens"), 2u) << run.log;
  EXPECT_EQ(run.InLog("minigame: quit asked"), 2u) << run.log;
  EXPECT_EQ(run.InLog("minigame: quit no"), 1u);
  EXPECT_EQ(run.InLog("minigame: quit yes"), 1u);
  EXPECT_EQ(run.InLog("quit: asked"), 0u);  // not the general question as well
  EXPECT_EQ(run.InLog("mg01window: the game ends unfinished; next scripts/mainmenu.lua"), 1u) << run.log;
  GameProgress saved = Saved();
  EXPECT_EQ(saved.levelId, 1);
  EXPECT_EQ(saved.mLocationType, 1);  // the mini-game is still due
  // The last frame: the question over the game, the anchor in its cell (its
  // blue band), not in the next one, and its tray place empty (the shelf's
  // warm wood).
  ASSERT_EQ(run.w, 1024);
  EXPECT_GT(Square(run, cellX - 26, cellY, 6, [](int r, int g, int b) { return b > r + 30; }), 120);
  EXPECT_LT(Square(run, nextX - 26, nextY, 6, [](int r, int g, int b) { return b > r + 30; }), 20);
  EXPECT_GT(Square(run, trayX, trayY, 8, [](int r, int g, int b) { return r > b + 20; }), 200);
  EXPECT_GT(Square(run, 512, 360, 20, [](int r, int g, int b) { return r > 200 && g > 190; }), 800);  // its parchment

  // The next start: Play leads straight back into the mini-game, which skip finishes.
  std::string back = Click(1000, kPlayButton) + TutorClicks(4000, 6000) +
                     Click(7000, kSkipButton) + TutorClicks(15000, 17000);
  TRun again = Run(back, 1600);
  EXPECT_EQ(again.InLog("MainGame: on to scripts/mg01window.lua"), 1u) << again.log;
  EXPECT_EQ(again.InLog("MainGame: level loc11 loaded"), 0u);
  EXPECT_EQ(again.InLog("mg01window: the game ends won"), 1u) << again.log;
  EXPECT_EQ(Saved().levelId, 2);
}
