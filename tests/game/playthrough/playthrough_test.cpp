// The demo played through end to end: the lantern program, headless, on the
// demo data from a fresh user folder, driven by the walkthrough's input
// script (tests/game/playthrough/walkthrough.txt), in one run of the
// program. Checked: the screens in the order they came up (the log names
// the top modal window of a headless run), the lines of what was played in
// each stage, and where a stage ends the saved progress on disk, a
// screenshot and a new start of the program from that saved game. Then a
// long session of 200 screen changes that leave nothing behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "tests/game/playthrough/walkthrough.h"
#include "tests/game/support/gamee2e.h"
#include "tests/platform/pngread.h"
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
  // "level 1, chapter 1, location 3, intro 1, finished 0, 2 photos; passed: loc11 loc12"
  std::string Text() const {
    return "level " + std::to_string(level) + ", chapter " + std::to_string(chapter) + ", location " +
           std::to_string(location) + ", intro " + std::to_string(introDone) + ", finished " +
           std::to_string(finished) + ", " + std::to_string(photos) + " photos; passed: " + passed;
  }
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
  ASSERT_EQ(made.size(), size_t(walkthrough::kStages + 1));
  for (size_t i = 0; i < made.size(); ++i) {
    EXPECT_GT(made[i].frames, 1000) << made[i].name;
    EXPECT_EQ(committed[i].frames, made[i].frames) << made[i].name;
    EXPECT_EQ(committed[i].text, made[i].text) << made[i].name;
  }
  // The whole run is the stages played on from one another.
  EXPECT_EQ(committed.back().moments.size(), size_t(walkthrough::kStages - 1));
  int stages = 0;
  for (size_t i = 0; i + 1 < made.size(); ++i) stages += made[i].frames;
  EXPECT_LT(made.back().frames, stages);
}

// The demo in one run of the program, from a new player to the new game
// after the last level. Where the stages of the walkthrough end (a
// mini-game's opening message shows), the run stops for a look at the saved
// game on disk, and the input script takes a screenshot.
TEST_F(Playthrough, TheDemoInOneRunFromAFreshUserFolderToTheNewGameAfterTheLastLevel) {
  const std::vector<walkthrough::TStage> stages = walkthrough::ReadWalkthrough(Folder());
  ASSERT_EQ(stages.size(), size_t(walkthrough::kStages + 1));
  const walkthrough::TStage& whole = stages.back();
  ASSERT_EQ(whole.moments.size(), 3u);
  std::string input = whole.text;
  for (size_t i = 0; i < whole.moments.size(); ++i)
    input += std::to_string(whole.moments[i].first) + " screenshot " + dir.File("moment" + std::to_string(i + 1) + ".png") + "\n";
  TSaved saved[3];
  // The user folder as each stage leaves it, for a new start from there.
  auto look = [&](int i) {
    std::filesystem::copy(dir.File("user"), dir.File("at" + std::to_string(i)), std::filesystem::copy_options::recursive);
    saved[i] = Where();
  };
  TRun run = RunPausingAt(input, whole.frames,
                          {{{"modal: mg03window"}, [&] { look(0); }},
                           {{"modal: mg02window"}, [&] { look(1); }},
                           {{"modal: mg06window"}, [&] { look(2); }}});
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_EQ(run.w, 1024);
  TRun shots[3];
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(ReadPng(dir.File("moment" + std::to_string(i + 1) + ".png"), &shots[i].px, &shots[i].w, &shots[i].h));

  // The screens in the order they came up, the stages played on from one another.
  EXPECT_EQ(Screens(run),
            (TScreens{"entername", "mainmenu", "options", "mainmenu", "photoalbum", "mainmenu", "chooseplayer",
                      "mainmenu", "ComicsSpl", "MainGame", "GameGallery", "MainGame", "GameGallery", "MainGame",
                      // 1. the keys game opens
                      "mg03window", "MainGame", "infos", "MainGame", "GameGallery", "MainGame", "GameGallery",
                      "MainGame", "GameGallery", "MainGame", "mg01window", "ComicsSpl", "MainGame",
                      // 2. the chart opens
                      "mg02window", "MainGame", "infos", "MainGame", "infos", "MainGame", "GameGallery", "MainGame",
                      "mg05window", "MainGame", "GameGallery", "MainGame",
                      // 3. the gull's game opens
                      "mg06window", "MainGame", "gamemenu", "MainGame", "GameGallery", "MainGame", "mg05window",
                      "ComicsSpl", "mainmenu", "credits", "mainmenu", "askquit", "mainmenu", "askquit"}))
      << run.Joined();
  // The log of each stage: up to the keys game, the chart, the gull's game, the end.
  std::vector<size_t> cut = {0};
  for (const char* screen : {"modal: mg03window", "modal: mg02window", "modal: mg06window"}) {
    cut.push_back(run.log.find(screen, cut.back()));
    ASSERT_NE(cut.back(), std::string::npos) << screen;
  }
  cut.push_back(run.log.size());
  auto inStage = [&](int stage, const std::string& text) {
    const std::string part = run.log.substr(cut[size_t(stage) - 1], cut[size_t(stage)] - cut[size_t(stage) - 1]);
    size_t n = 0;
    for (size_t at = part.find(text); at != std::string::npos; at = part.find(text, at + 1)) ++n;
    return n;
  };

  // 1. The first start: the name, the menu's screens, the splash and the
  //    intro comic, the kitchen with its tutorial and the study, each with
  //    its journal page and photograph; the keys game opens.
  EXPECT_EQ(inStage(1, "players: created Ada"), 1u);
  EXPECT_EQ(inStage(1, "options: saved"), 1u);
  EXPECT_EQ(inStage(1, "ComicsSpl: the still screen stands for \"intro.swf\""), 1u);
  EXPECT_EQ(inStage(1, "Comics com_1.xml: page 3 of 3"), 1u);
  EXPECT_EQ(inStage(1, "MainGame: hint shows"), 1u);
  EXPECT_EQ(inStage(1, "(0 left)"), 2u) << run.log;
  EXPECT_EQ(inStage(1, "journal: closed"), 2u);
  // The keys game's opening message over its board, the keys' green tray below.
  std::vector<int> parchment = Average(shots[0], 272, 500, 752, 600), tray = Average(shots[0], 300, 650, 740, 690);
  EXPECT_GT(parchment[0], 150);
  EXPECT_GT(tray[1], tray[0] + 5);
  EXPECT_GT(tray[1], tray[2] + 10);
  EXPECT_EQ(saved[0].Text(), "level 1, chapter 1, location 3, intro 1, finished 0, 2 photos; passed: loc11 loc12");

  // 2. The keys game played; the attic with its information page, the
  //    boathouse and the harbour; the blocks game played; the comic between
  //    the levels read; the chart opens.
  EXPECT_EQ(run.InLog("mg03window: 5 keys, 4 positions a turn; they start at 0 0 3 3 0"), 1u) << run.log;
  EXPECT_EQ(inStage(2, "mg03window: solved"), 1u);
  EXPECT_EQ(inStage(2, "mg01window: solved"), 1u);
  EXPECT_EQ(inStage(2, "the game ends won; next scripts/maingame.lua"), 2u);
  EXPECT_EQ(inStage(2, "skipped"), 0u);
  EXPECT_EQ(inStage(2, "(0 left)"), 3u);
  EXPECT_EQ(inStage(2, "Comics com_2.xml: page 2 of 2"), 1u);
  // The chart's paper, bright beside the dark desk, under the opening message.
  std::vector<int> paper = Average(shots[1], 100, 100, 500, 220), desk = Average(shots[1], 0, 300, 40, 500);
  EXPECT_GT(paper[0], desk[0] + 40);
  EXPECT_GT(Average(shots[1], 272, 500, 752, 600)[0], 150);
  EXPECT_EQ(saved[1].Text(),
            "level 2, chapter 1, location 1, intro 1, finished 0, 5 photos; passed: loc11 loc12 mg_keys loc13 loc14 "
            "loc15");

  // 3. The chart played; the stairwell and the lamp room with their
  //    information pages; the lamp room's window mended; the cliff path; the
  //    gull's game opens.
  EXPECT_EQ(inStage(3, "mg02window: solved"), 1u);
  EXPECT_EQ(inStage(3, "mg05window: the mosaic is complete"), 1u);
  EXPECT_EQ(inStage(3, "the game ends won; next scripts/maingame.lua"), 2u);
  EXPECT_EQ(inStage(3, "(0 left)"), 3u);
  // The gull's white breast on its dark tartan blanket, under the opening message.
  std::vector<int> breast = Average(shots[2], 800, 320, 860, 380), blanket = Average(shots[2], 150, 420, 250, 470);
  EXPECT_GT(breast[0], blanket[0] + 40);
  EXPECT_GT(blanket[2], blanket[0] + 8);
  EXPECT_EQ(saved[2].Text(),
            "level 2, chapter 2, location 2, intro 1, finished 0, 7 photos; passed: loc11 loc12 mg_keys loc13 loc14 "
            "loc15 mg_chart loc21 loc22 mg_lamproom loc23");

  // 4. The gull tended; the game menu over the chapel; the chapel; its
  //    window skipped: the game is over, the main menu; the credits and
  //    back; the quit question, no, then yes.
  EXPECT_EQ(inStage(4, "mg06window: every wound is clean and disinfected"), 1u);
  EXPECT_EQ(inStage(4, "mg05window: skipped; every piece lies on its place"), 1u);
  EXPECT_EQ(inStage(4, "MainGame: the last level is done"), 1u);
  // The new game's first level has its comic: it comes before the main menu.
  EXPECT_EQ(inStage(4, "Comics com_1.xml: page 3 of 3"), 1u);
  EXPECT_EQ(inStage(4, "credits: closed"), 1u);
  EXPECT_EQ(inStage(4, "quit: no"), 1u);
  EXPECT_EQ(run.InLog("The game ends (quit requested by a script)"), 1u);
  // A mini-game leaves no coroutine behind (its animations' included): the
  // play screen after each holds as many as after the first gallery.
  std::vector<std::pair<std::string, std::string>> stood;  // each screen that stood, its coroutines
  {
    std::istringstream in(run.log);
    std::string line, screen;
    while (std::getline(in, line)) {
      const size_t modal = line.find("modal: "), live = line.find("live: ");
      if (modal != std::string::npos) screen = line.substr(modal + 7, line.find(' ', modal + 7) - modal - 7);
      if (live != std::string::npos) stood.emplace_back(screen, line.substr(live + 6, line.find(',', live) - live - 6));
    }
  }
  std::string afterGallery;
  std::vector<std::string> afterGames;
  for (size_t i = 1; i < stood.size(); ++i) {
    if (stood[i].first != "MainGame") continue;
    if (afterGallery.empty() && stood[i - 1].first == "GameGallery") afterGallery = stood[i].second;
    if (stood[i - 1].first.compare(0, 2, "mg") == 0) afterGames.push_back(stood[i].second);
  }
  EXPECT_EQ(afterGames, std::vector<std::string>(4, afterGallery)) << run.log;
  // Nothing stopped on the way: no script hit its limits.
  EXPECT_EQ(run.InLog("Lua Error"), 0u) << run.log;
  EXPECT_EQ(run.InLog("lua_resume ERROR"), 0u) << run.log;
  // The quit question's parchment over the menu's night sky.
  EXPECT_GT(Average(run, 300, 300, 720, 400)[0], 170);
  EXPECT_LT(Average(run, 900, 200, 1000, 300)[0], 80);
  // Saved: a new game from the start that keeps the photographs.
  const TSaved last = Where();
  EXPECT_EQ(last.level, 1);
  EXPECT_EQ(last.location, 1);
  EXPECT_EQ(last.finished, 0);
  EXPECT_EQ(last.passed, "");
  EXPECT_EQ(last.photos, 8u);

  // A new start from where each stage left the saved game: Play goes on with
  // the mini-game the stage ended at.
  const char* const games[3] = {"mg03window", "mg02window", "mg06window"};
  for (int i = 0; i < 3; ++i) {
    std::filesystem::remove_all(dir.File("user"));
    std::filesystem::copy(dir.File("at" + std::to_string(i)), dir.File("user"), std::filesystem::copy_options::recursive);
    TRun again = Play(walkthrough::TStage{"", gamee2e::FramesFor(gamee2e::kGameOpen), gamee2e::Click(300, gamee2e::kPlayButton), {}});
    EXPECT_EQ(Screens(again), (TScreens{"mainmenu", "MainGame", games[i]})) << again.Joined();
  }
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
