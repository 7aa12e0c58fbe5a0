// The demo played through end to end: the lantern program, headless, on the
// demo data from a fresh user folder, driven by the walkthrough's input
// scripts (tests/game/playthrough/walkthrough<n>.txt). Each stage is a new
// start of the program on the user folder the stage before left, so each
// also shows that a later start goes on from the saved progress. Checked at
// every stage: the screens in the order they came up (the log names the top
// modal window of a headless run), the lines of what was played, pixels of
// the last frame, and the saved progress.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "tests/game/playthrough/walkthrough.h"
#include "tests/game/support/gamee2e.h"
#include "tests/support/envguard.h"
#include "tests/support/testsupport.h"

namespace {

using gamee2e::TRun;

std::string Folder() { return testing_support::SourceDir() + "/tests/game/playthrough"; }

// The top modal windows of a run in order, the fades left out.
std::vector<std::string> Screens(const TRun& run) {
  std::vector<std::string> out;
  for (const std::string& line : run.lines) {
    std::string name = line.substr(7, line.find(' ', 7) - 7);
    if (name != "sShadow" && (out.empty() || out.back() != name)) out.push_back(name);
  }
  return out;
}

// The average red, green and blue of a rectangle of the last frame.
std::vector<int> Average(const TRun& run, int x0, int y0, int x1, int y1) {
  long sum[3] = {0, 0, 0}, n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++n) {
      const uint32_t c = run.At(x, y);
      sum[0] += (c >> 16) & 0xFF;
      sum[1] += (c >> 8) & 0xFF;
      sum[2] += c & 0xFF;
    }
  return {int(sum[0] / n), int(sum[1] / n), int(sum[2] / n)};
}

// Where the saved game of the user folder stands.
struct TSaved {
  int level = 0, chapter = 0, location = 0, introDone = 0, finished = 0;
  size_t photos = 0;
  std::string passed;  // the places passed, in the order of the levels
};

class Playthrough : public gamee2e::TGameEndToEnd {
protected:
  Playthrough() : TGameEndToEnd({"modal: "}) {}

  TRun Play(const walkthrough::TStage& stage) {
    TRun run = Run(stage.text, stage.frames);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.w, 1024);
    return run;
  }

  TSaved Where() {
    const GameProgress p = Saved();
    TSaved saved;
    saved.level = p.levelId;
    saved.chapter = p.chapterId;
    saved.location = p.locationId;
    saved.introDone = p.gameIntroDone;
    saved.finished = p.gameFinished;
    saved.photos = p.photos.size();
    for (const char* name : {"loc11", "loc12", "mg_keys", "loc13", "loc14", "loc15", "mg_chart", "loc21", "loc22",
                             "mg_lamproom", "loc23", "mg_cliffpath", "loc24"}) {
      const LocationInfo* info = p.GetLocationInfo(name);
      if (info && info->passed) saved.passed += std::string(saved.passed.empty() ? "" : " ") + name;
    }
    return saved;
  }
};

using TScreens = std::vector<std::string>;

}  // namespace

// The committed scripts are the ones the demo data asks for now: a level
// file or a mini-game's file that moved a piece needs the scripts made
// again (LANTERN_WRITE_WALKTHROUGH=1 writes them into the source folder).
TEST(Walkthrough, TheScriptsMatchTheDemoData) {
  const std::vector<walkthrough::TStage> made = walkthrough::MakeWalkthrough(testing_support::SourceDir());
  if (std::getenv("LANTERN_WRITE_WALKTHROUGH"))
    for (const walkthrough::TStage& stage : made) std::ofstream(Folder() + "/" + stage.name) << stage.text;
  const std::vector<walkthrough::TStage> committed = walkthrough::ReadWalkthrough(Folder());
  ASSERT_EQ(committed.size(), made.size());
  for (size_t i = 0; i < made.size(); ++i) {
    EXPECT_GT(made[i].frames, 1000) << made[i].name;
    EXPECT_EQ(committed[i].frames, made[i].frames) << made[i].name;
    EXPECT_EQ(committed[i].text, made[i].text) << made[i].name;
  }
}

TEST_F(Playthrough, TheDemoFromAFreshUserFolderToTheCredits) {
  const std::vector<walkthrough::TStage> stages = walkthrough::ReadWalkthrough(Folder());
  ASSERT_EQ(stages.size(), 4u);

  // 1. The first start: the name, the menu's screens, the splash and the
  //    intro comic, the kitchen with its tutorial and the study, each with
  //    its journal page and photograph; the keys game opens.
  TRun first = Play(stages[0]);
  EXPECT_EQ(Screens(first), (TScreens{"entername", "mainmenu", "options", "mainmenu", "photoalbum", "mainmenu",
                                     "chooseplayer", "mainmenu", "ComicsSpl", "MainGame", "GameGallery", "MainGame",
                                     "GameGallery", "MainGame", "mg03window"}))
      << first.Joined();
  EXPECT_EQ(first.InLog("players: created Ada"), 1u);
  EXPECT_EQ(first.InLog("options: saved"), 1u);
  EXPECT_EQ(first.InLog("ComicsSpl: the still screen stands for \"intro.swf\""), 1u);
  EXPECT_EQ(first.InLog("Comics com_1.xml: page 3 of 3"), 1u);
  EXPECT_EQ(first.InLog("MainGame: hint shows"), 1u);
  EXPECT_EQ(first.InLog("(0 left)"), 2u) << first.Joined();
  EXPECT_EQ(first.InLog("journal: closed"), 2u);
  // The keys game's opening message over its board, the keys' green tray below.
  ASSERT_EQ(first.w, 1024);
  std::vector<int> parchment = Average(first, 272, 500, 752, 600), tray = Average(first, 300, 650, 740, 690);
  EXPECT_GT(parchment[0], 150);
  EXPECT_GT(tray[1], tray[0] + 5);
  EXPECT_GT(tray[1], tray[2] + 10);
  TSaved saved = Where();
  EXPECT_EQ(saved.level, 1);
  EXPECT_EQ(saved.chapter, 1);
  EXPECT_EQ(saved.location, 3);
  EXPECT_EQ(saved.introDone, 1);
  EXPECT_EQ(saved.passed, "loc11 loc12");
  EXPECT_EQ(saved.photos, 2u);

  // 2. The next start goes on with the keys game: played; the attic with
  //    its information page, the boathouse and the harbour; the blocks game
  //    played; the comic between the levels read; the chart opens.
  TRun second = Play(stages[1]);
  EXPECT_EQ(Screens(second), (TScreens{"mainmenu", "MainGame", "mg03window", "MainGame", "infos", "MainGame",
                                      "GameGallery", "MainGame", "GameGallery", "MainGame", "GameGallery", "MainGame",
                                      "mg01window", "ComicsSpl", "MainGame", "mg02window"}))
      << second.Joined();
  EXPECT_EQ(second.InLog("mg03window: 5 keys, 4 positions a turn; they start at 0 0 3 3 0"), 1u) << second.Joined();
  EXPECT_EQ(second.InLog("mg03window: solved"), 1u);
  EXPECT_EQ(second.InLog("mg01window: solved"), 1u);
  EXPECT_EQ(second.InLog("the game ends won; next scripts/maingame.lua"), 2u);
  EXPECT_EQ(second.InLog("skipped"), 0u);
  EXPECT_EQ(second.InLog("(0 left)"), 3u);
  EXPECT_EQ(second.InLog("Comics com_2.xml: page 2 of 2"), 1u);
  ASSERT_EQ(second.w, 1024);
  // The chart's paper, bright beside the dark desk, under the opening message.
  std::vector<int> paper = Average(second, 100, 100, 500, 220), desk = Average(second, 0, 300, 40, 500);
  EXPECT_GT(paper[0], desk[0] + 40);
  EXPECT_GT(Average(second, 272, 500, 752, 600)[0], 150);
  saved = Where();
  EXPECT_EQ(saved.level, 2);
  EXPECT_EQ(saved.chapter, 1);
  EXPECT_EQ(saved.location, 1);
  EXPECT_EQ(saved.passed, "loc11 loc12 mg_keys loc13 loc14 loc15");
  EXPECT_EQ(saved.photos, 5u);

  // 3. The chart played; the stairwell and the lamp room with their
  //    information pages; the lamp room's window mended; the cliff path; the
  //    gull's game opens.
  TRun third = Play(stages[2]);
  EXPECT_EQ(Screens(third), (TScreens{"mainmenu", "MainGame", "mg02window", "MainGame", "infos", "MainGame", "infos",
                                     "MainGame", "GameGallery", "MainGame", "mg05window", "MainGame", "GameGallery",
                                     "MainGame", "mg06window"}))
      << third.Joined();
  EXPECT_EQ(third.InLog("mg02window: solved"), 1u);
  EXPECT_EQ(third.InLog("mg05window: the mosaic is complete"), 1u);
  EXPECT_EQ(third.InLog("the game ends won; next scripts/maingame.lua"), 2u);
  EXPECT_EQ(third.InLog("(0 left)"), 3u);
  ASSERT_EQ(third.w, 1024);
  // The gull's white breast on its dark tartan blanket, under the opening message.
  std::vector<int> breast = Average(third, 800, 320, 860, 380), blanket = Average(third, 150, 420, 250, 470);
  EXPECT_GT(breast[0], blanket[0] + 40);
  EXPECT_GT(blanket[2], blanket[0] + 8);
  saved = Where();
  EXPECT_EQ(saved.level, 2);
  EXPECT_EQ(saved.chapter, 2);
  EXPECT_EQ(saved.location, 2);
  EXPECT_EQ(saved.passed, "loc11 loc12 mg_keys loc13 loc14 loc15 mg_chart loc21 loc22 mg_lamproom loc23");
  EXPECT_EQ(saved.photos, 7u);

  // 4. The gull tended; the game menu over the chapel; the chapel; its
  //    window skipped: the game is over, the main menu; the credits and
  //    back; the quit question, no, then yes.
  TRun last = Play(stages[3]);
  EXPECT_EQ(Screens(last), (TScreens{"mainmenu", "MainGame", "mg06window", "MainGame", "gamemenu", "MainGame",
                                    "GameGallery", "MainGame", "mg05window", "ComicsSpl", "mainmenu", "credits",
                                    "mainmenu", "askquit", "mainmenu", "askquit"}))
      << last.Joined();
  EXPECT_EQ(last.InLog("mg06window: every wound is clean and disinfected"), 1u);
  EXPECT_EQ(last.InLog("mg05window: skipped; every piece lies on its place"), 1u);
  EXPECT_EQ(last.InLog("MainGame: the last level is done"), 1u);
  // The new game's first level has its comic: it comes before the main menu.
  EXPECT_EQ(last.InLog("Comics com_1.xml: page 3 of 3"), 1u);
  EXPECT_EQ(last.InLog("credits: closed"), 1u);
  EXPECT_EQ(last.InLog("quit: no"), 1u);
  EXPECT_EQ(last.InLog("The game ends (quit requested by a script)"), 1u);
  ASSERT_EQ(last.w, 1024);
  // The quit question's parchment over the menu's night sky.
  EXPECT_GT(Average(last, 300, 300, 720, 400)[0], 170);
  EXPECT_LT(Average(last, 900, 200, 1000, 300)[0], 80);
  // Saved: a new game that keeps the photographs and the mark of a finished one.
  saved = Where();
  EXPECT_EQ(saved.level, 1);
  EXPECT_EQ(saved.location, 1);
  EXPECT_EQ(saved.finished, 1);
  EXPECT_EQ(saved.passed, "");
  EXPECT_EQ(saved.photos, 8u);
}

namespace {

// The demo with fades of a fiftieth of a second (main.xml "shadowTime"),
// so that a long session of screen changes stays cheap: every other file is
// the demo's own.
class LongSession : public gamee2e::TGameEndToEnd {
protected:
  LongSession() : TGameEndToEnd({"modal: ", "live: "}) {
    namespace fs = std::filesystem;
    folder = dir.File("work");
    const fs::path from = fs::path(testing_support::SourceDir()) / "assets", to = fs::path(folder) / "assets";
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from))
      if (entry.path().filename() != "main.xml") fs::create_symlink(entry.path(), to / entry.path().filename());
    std::string main = testing_support::ReadFile((from / "main.xml").string());
    const size_t at = main.find("shadowTime=\"1.0\"");
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) main.replace(at, 16, "shadowTime=\"0.02\"");
    std::ofstream(to / "main.xml") << main;
  }
};

}  // namespace

// 200 screen changes in one run of the program: Play and the game menu's
// "Main menu", the wallpaper gallery opened from the main menu and left,
// fifty times over, and the 200th screen comes. Each change leaves nothing
// behind: what the program holds when a screen stands (the "live:" line of
// its coroutines, tasks, windows, textures, sounds and playbacks) is the
// same in the last round as in the first, screen by screen.
TEST_F(LongSession, TwoHundredScreenChangesLeaveNothingBehind) {
  testing_support::XdgEnvGuard xdg(dir.Path());  // the gallery's wallpapers go under the test's folder
  SaveAda([](GameProgress& p) {
    p.firstRun = 0;
    p.gameIntroDone = 1;
    p.MarkShown("com_1.xml");
    p.locationId = 2;
    gamee2e::Pass(p, {"loc11"});
    p.AddPhoto("wallpapers/kitchen");
  });
  constexpr int kRounds = 50;
  const std::vector<std::string> round = {"MainGame", "gamemenu", "mainmenu", "GameGallery", "mainmenu"};
  const std::string toMainMenu = gamee2e::KitButtonAt("gamemenu.lua", "mainmenu");
  const std::string wallpapers = gamee2e::KitButtonAt("mainmenu.lua", "album");
  std::string input;
  std::vector<std::string> wanted = {"mainmenu"};
  int t = 300;
  for (int i = 0; i < kRounds; ++i) {
    // Each screen stands a few frames before the next key or click (a fade
    // and the next screen's start take 64 ms of the clock).
    input += gamee2e::At(t, "key enter") + gamee2e::At(t + 100, "key escape") +
             gamee2e::At(t + 150, "click left " + toMainMenu) + gamee2e::At(t + 250, "click left " + wallpapers) +
             gamee2e::At(t + 350, "key escape");
    t += 450;
    wanted.insert(wanted.end(), round.begin(), round.end());
  }
  TRun run = Run(input, gamee2e::FramesFor(t));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.Count("modal: sShadow"), 2u * 4 * kRounds);  // each change: the fade down and the fade up
  EXPECT_EQ(run.Screens(), wanted) << run.Joined();
  // The "live:" line of each screen that stood, in order.
  std::vector<std::string> live;
  for (size_t i = 0; i + 1 < run.lines.size(); ++i)
    if (run.lines[i].rfind("modal: ", 0) == 0 && run.lines[i].rfind("modal: sShadow", 0) != 0 &&
        run.lines[i + 1].rfind("live: ", 0) == 0)
      live.push_back(run.lines[i].substr(7, run.lines[i].find(' ', 7) - 7) + " " + run.lines[i + 1]);
  ASSERT_EQ(live.size(), wanted.size()) << run.Joined();
  const size_t last = live.size() - round.size();
  for (size_t k = 0; k < round.size(); ++k) EXPECT_EQ(live[1 + k], live[last + k]) << k;
  EXPECT_NE(live[1 + 2].find(" 3 coroutines, "), std::string::npos) << live[1 + 2];
}
