// End to end: the lantern program itself on the demo data, headless, with a
// saved game that stands just before a mini-game of the first level. Play in
// the main menu opens the play screen, which hands over to the mini-game; the
// input script plays it to the end (or skips it), and the next start shows
// where the saved progress went. Checks the log, the saved progress and the
// pixels of the last frame.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <tinyxml.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/minigames/mg02path.h"
#include "game/minigames/mg03keys.h"
#include "game/shell/gameprogress.h"
#include "game/shell/gamesettings.h"
#include "game/shell/userinfo.h"
#include "platform/log.h"
#include "platform/prefs.h"
#include "platform/random.h"
#include "platform/settings.h"
#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"

namespace {

constexpr const char* kPlayButton = "310 362";
constexpr const char* kTutorButton = "704 545";  // the tutorial box's next and close buttons
constexpr const char* kSkipButton = "972 636";
constexpr const char* kRestartButton = "972 716";

// Input script lines: an event at t ms, a click at a point "x y".
std::string At(int t, const std::string& what) { return std::to_string(t) + " " + what + "\n"; }
std::string Click(int t, const std::string& where) { return At(t, "move " + where) + At(t + 40, "click left " + where); }
std::string Point(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }

// Where the crafted game stands, read by the child that writes it.
int gLevel = 1, gChapter = 1, gLocation = 1;
std::vector<std::string> gPassed;

// A program run that only writes the saved game: player "Ada" (windowed) at
// level gLevel, chapter gChapter, location gLocation, the places of gPassed
// passed, the levels' comics seen.
void CraftMain(TPlatform*, const TString&) {
  LoadMainXml();
  RecreateUserInfo();
  UserInfo* users = GetUserInfo();
  users->CreateNewUser("Ada");
  users->GetPrefs()->SetInt("fullscreen", 0, -1, 1);
  GameProgress& p = GetGameProgress();
  p.levelId = gLevel;
  p.chapterId = gChapter;
  p.locationId = gLocation;
  p.firstRun = 0;
  p.gameIntroDone = 1;
  // The levels' opening comics were seen when the levels began.
  for (const char* comic : {"com_1.xml", "com_2.xml"}) p.MarkShown(comic);
  for (const std::string& name : gPassed) {
    LocationInfo& info = p.FindLocationInfo(TString(name));
    info.passed = 1;
    info.SetStartDateTime("03-14-26", "20:00");
    info.SetPassDateTime("03-14-26", "20:30");
  }
  users->SaveProgress();
  DeleteUserInfo();
}

// A program run that writes where the saved game stands into gReport.
std::string gReport;
void ReportMain(TPlatform*, const TString&) {
  LoadMainXml();
  RecreateUserInfo();
  const GameProgress& p = GetGameProgress();
  std::string out = std::to_string(p.levelId) + " " + std::to_string(p.chapterId) + " " +
                    std::to_string(p.locationId) + " " + std::to_string(p.mLocationType);
  for (const char* name : {"mg_keys", "mg_chart"}) {
    const LocationInfo* info = p.GetLocationInfo(name);
    out += std::string(" ") + name + "=" + (info ? std::to_string(info->passed) : "none");
  }
  if (FILE* f = std::fopen(gReport.c_str(), "w")) {
    std::fputs(out.c_str(), f);
    std::fclose(f);
  }
  DeleteUserInfo();
}

struct TRun {
  int exitCode = -1;
  std::vector<std::string> lines;
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  uint32_t At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
  bool Has(const std::string& text) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
  std::string Joined() const {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
  }
};

class MapKeysEndToEnd : public ::testing::Test {
protected:
  // Runs a program whose main function is `main` on this test's user folder.
  void RunMain(void (*main)(TPlatform*, const TString&)) {
    std::string options = "options=headless=1,frames=1,userfolder=" + dir.File("user");
    pid_t child = fork();
    if (child == 0) {
      if (chdir(testing_support::SourceDir().c_str()) != 0) _exit(126);
      OpenLogFile("/dev/null");  // lines the test logged before the fork are not the child's
      CloseLogFile();
      std::string program = "lantern";
      char* argv[] = {program.data(), options.data(), nullptr};
      _exit(ApplicationMain(2, argv, main));
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  // A new saved game at `level`, `chapter`, `location`, with these places passed.
  void Craft(int level, int chapter, int location, std::vector<std::string> passed) {
    std::filesystem::remove_all(dir.File("user"));
    gLevel = level;
    gChapter = chapter;
    gLocation = location;
    gPassed = std::move(passed);
    RunMain(CraftMain);
  }

  // "level chapter location mLocationType mg_keys=<passed> mg_chart=<passed>" of the saved game.
  std::string Saved() {
    gReport = dir.File("report.txt");
    std::remove(gReport.c_str());
    RunMain(ReportMain);
    return testing_support::ReadFile(gReport);
  }

  // Runs the program in the source folder (the demo data) with this test's user folder.
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
      alarm(200);
      std::string arg = "options=" + options;
      execl(LANTERN_PROGRAM, LANTERN_PROGRAM, arg.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream in(testing_support::ReadFile(dir.File("user/logfile.txt")));
    for (std::string line; std::getline(in, line);)
      for (const char* tag : {"mg02window: ", "mg03window: ", "mg01window: ", "MainGame: level ", "MainGame: on to ",
                              "Map path: ", "Keys game: ", "Mini-game file"}) {
        size_t at = line.find(tag);
        if (at != std::string::npos) run.lines.push_back(line.substr(at));
      }
    EXPECT_TRUE(ReadPng(shot, &run.px, &run.w, &run.h));
    // LANTERN_MG_SHOTS=<folder> keeps the last frames and the user folder for a look.
    if (const char* keep = std::getenv("LANTERN_MG_SHOTS")) {
      namespace fs = std::filesystem;
      std::error_code ignored;
      fs::copy_file(shot, fs::path(keep) / fs::path(shot).filename(), fs::copy_options::overwrite_existing, ignored);
      fs::remove_all(fs::path(keep) / "user", ignored);
      fs::copy(dir.File("user"), fs::path(keep) / "user", fs::copy_options::recursive, ignored);
    }
    return run;
  }

  testing_support::TempDir dir;
  int runs = 0;
};

// The keys board as the program lays it out: the demo file read the same way
// and the generator in its first state (nothing draws from it before).
KeysBoard DemoKeys() {
  TiXmlDocument doc;
  EXPECT_TRUE(doc.LoadFile((testing_support::SourceDir() + "/assets/minigame3_1.xml").c_str()));
  const TiXmlElement* root = doc.RootElement();
  KeysFileData data;
  TString why;
  EXPECT_TRUE(ReadKeysFile(root, root->FirstChildElement("Common"), &data, &why));
  std::vector<KeyImages> images;
  auto size = [](const TString& name) {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    EXPECT_TRUE(ReadPng(testing_support::SourceDir() + "/assets/" + name.str() + ".png", &px, &w, &h));
    return TPoint(w, h);
  };
  for (const KeyFileEntry& k : data.keys) {
    KeyImages pics;
    pics.keyholeSize = size(k.keyhole);
    pics.puzzleSize = size(k.puzzle);
    pics.previewSize = size(k.preview);
    pics.cursorSize = size(k.cursor);
    images.push_back(pics);
  }
  TRandom generator;
  KeysBoard board;
  board.Build(data, images, generator, 2);
  return board;
}

std::string Centre(const TRect& r) {
  return std::to_string(r.left + r.Width() / 2) + " " + std::to_string(r.top + r.Height() / 2);
}
std::string Hole(const KeySlot& k) {
  return Centre(TRect(int(k.homePos.x), int(k.homePos.y), int(k.homePos.x) + k.keyholeSize.x,
                      int(k.homePos.y) + k.keyholeSize.y));
}

// Frames for a run of at least `ms` virtual milliseconds: a frame comes at
// most every 12 ms, and at times a little sooner.
int FramesFor(int ms) { return ms / 10 + 100; }

// The game opens behind two fades after Play (at 300 ms); its opening
// message then waits for the player.
constexpr int kGameOpen = 5000;

// The opening message (two steps) closed at t.
std::string CloseOpening(int* t) {
  std::string input = Click(*t, kTutorButton) + Click(*t + 600, kTutorButton);
  *t += 1800;
  return input;
}

// The keys game played: every key carried home, the screen for the last key
// closed, every key turned to position 0; the slide and the wait then run.
std::string PlayKeys(const KeysBoard& board, int* t) {
  std::string input = CloseOpening(t);
  for (const KeySlot& k : board.keys) {
    input += Click(*t, Centre(k.previewRect)) + Click(*t + 300, Hole(k));
    *t += 600;
  }
  input += Click(*t += 1500, kTutorButton);
  *t += 1200;
  for (const KeySlot& k : board.keys)
    for (int turn = k.step; turn % board.countTurns != 0; ++turn) {
      input += Click(*t, Hole(k));
      *t += 700;
    }
  return input;
}

// The chart's cell (c, r) on screen, from the demo file.
std::string ChartCell(const MapPathFileData& chart, int c, int r) {
  const float x = chart.mapPos.x + chart.mapDxDy.x + chart.cellSize.x * (float(c) + 0.5f);
  const float y = chart.mapPos.y + chart.mapDxDy.y + chart.cellSize.y * (float(r) + 0.5f);
  return Point(int(x), int(y));
}

MapPathFileData DemoChart() {
  TiXmlDocument doc;
  EXPECT_TRUE(doc.LoadFile((testing_support::SourceDir() + "/assets/minigame2_1.xml").c_str()));
  const TiXmlElement* root = doc.RootElement();
  MapPathFileData data;
  TString why;
  EXPECT_TRUE(ReadMapPathFile(root, root->FirstChildElement("Common"), &data, &why));
  return data;
}

}  // namespace

// The key board after the study, played to the end: the closing message
// closed, on to the attic; the next start goes on from the attic.
TEST_F(MapKeysEndToEnd, TheKeyBoardPlayedToTheEndAndTheNextStartGoesOn) {
  const KeysBoard board = DemoKeys();
  ASSERT_EQ(board.keys.size(), 5u);
  std::string starts, tray;
  for (const KeySlot& k : board.keys) starts += " " + std::to_string(k.step);
  for (int place : board.TrayOrder()) tray += " " + std::to_string(place);

  Craft(1, 1, 3, {"loc11", "loc12"});
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += PlayKeys(board, &t);
  t += 5000 + 2000 + 800;  // the slide, "win_counter", the message opening
  input += Click(t, kTutorButton);
  TRun played = Run(input, FramesFor(t + 3000));
  EXPECT_EQ(played.exitCode, 0);
  EXPECT_TRUE(played.Has("mg03window: 5 keys, 4 positions a turn; they start at" + starts + ", the tray holds" + tray))
      << played.Joined();
  EXPECT_TRUE(played.Has("mg03window: solved")) << played.Joined();
  EXPECT_TRUE(played.Has("mg03window: the game ends won; next scripts/maingame.lua")) << played.Joined();
  EXPECT_TRUE(played.Has("MainGame: level loc13 loaded")) << played.Joined();
  EXPECT_FALSE(played.Has("skipped"));
  EXPECT_EQ(Saved(), "1 1 4 0 mg_keys=1 mg_chart=none");

  TRun next = Run(Click(300, kPlayButton), FramesFor(4000));
  EXPECT_TRUE(next.Has("MainGame: level loc13 loaded")) << next.Joined();
  EXPECT_FALSE(next.Has("mg03window"));
}

// A skip (after a key was picked up and dropped): every key goes home, the
// board rises away and the closing message waits; the run ends there,
// unfinished, so the next start comes back into the game, which a skip then
// finishes.
TEST_F(MapKeysEndToEnd, TheKeyBoardSkippedAndRestarted) {
  const KeysBoard board = DemoKeys();
  Craft(1, 1, 3, {"loc11", "loc12"});
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += CloseOpening(&t);
  // The skip button is out of reach while a key is in the hand: the first
  // click on it drops the key (back to the tray), the second skips.
  input += Click(t, Centre(board.keys[2].previewRect)) + Click(t + 400, kSkipButton) + Click(t + 800, kSkipButton);
  t += 800 + 1600 + 5000 + 2000 + 1500;
  TRun skipped = Run(input, FramesFor(t));
  EXPECT_EQ(skipped.exitCode, 0);
  EXPECT_TRUE(skipped.Has("mg03window: skipped; every key goes home")) << skipped.Joined();
  EXPECT_FALSE(skipped.Has("the game ends"));
  // The board has risen out of the picture: the keeper's lantern glows in its
  // niche (a pane of it at 500, 300) where the picture tiles stood, warm even
  // under the closing message's shadow.
  ASSERT_EQ(skipped.w, 1024);
  const uint32_t lantern = skipped.At(500, 300);
  EXPECT_GT(int((lantern >> 16) & 0xFF), 80) << std::hex << lantern;
  EXPECT_GT(int((lantern >> 16) & 0xFF), int(lantern & 0xFF) + 30) << std::hex << lantern;
  EXPECT_EQ(Saved(), "1 1 3 1 mg_keys=none mg_chart=none");

  t = kGameOpen;
  input = Click(300, kPlayButton);
  input += CloseOpening(&t);  // (t moves on: the skip comes after)
  input += Click(t, kSkipButton);
  t += 1600 + 5000 + 2000 + 800;
  input += Click(t, kTutorButton);
  TRun again = Run(input, FramesFor(t + 3000));
  EXPECT_TRUE(again.Has("mg03window: 5 keys")) << again.Joined();
  EXPECT_TRUE(again.Has("mg03window: the game ends won")) << again.Joined();
  EXPECT_TRUE(again.Has("MainGame: level loc13 loaded")) << again.Joined();
  EXPECT_EQ(Saved(), "1 1 4 0 mg_keys=1 mg_chart=none");
}

// The chart at the start of the second level: two places pinned, the restart
// button, then the whole passage pinned with a wrong pin on the way; the
// closing message closed leads on to the stairwell, where the next start goes.
TEST_F(MapKeysEndToEnd, TheChartPlayedWithARestartAndTheNextStartGoesOn) {
  const MapPathFileData chart = DemoChart();
  ASSERT_EQ(chart.points.size(), 6u);
  Craft(2, 1, 1, {"loc11", "loc12", "mg_keys", "loc13", "loc14", "loc15"});
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += CloseOpening(&t);
  input += Click(t, ChartCell(chart, chart.points[0].column, chart.points[0].row)) +
           Click(t + 300, ChartCell(chart, chart.points[1].column, chart.points[1].row)) + Click(t + 600, kRestartButton);
  t += 1000;
  input += Click(t, ChartCell(chart, 0, 0));  // a wrong pin
  t += 300;
  for (size_t i = chart.points.size(); i-- > 0; t += 300)  // the passage backwards: the order does not matter
    input += Click(t, ChartCell(chart, chart.points[i].column, chart.points[i].row));
  t += 1000 + 800;  // "win_counter" 60 updates, the message opening
  input += Click(t, kTutorButton);
  TRun played = Run(input, FramesFor(t + 4000));
  EXPECT_EQ(played.exitCode, 0);
  EXPECT_TRUE(played.Has("mg02window: chart of 11 x 9 cells, 6 places to pin")) << played.Joined();
  EXPECT_TRUE(played.Has("mg02window: the chart starts over")) << played.Joined();
  EXPECT_TRUE(played.Has("mg02window: solved")) << played.Joined();
  EXPECT_TRUE(played.Has("mg02window: the game ends won; next scripts/maingame.lua")) << played.Joined();
  EXPECT_TRUE(played.Has("MainGame: level loc21 loaded")) << played.Joined();
  EXPECT_EQ(Saved(), "2 1 2 0 mg_keys=1 mg_chart=1");

  TRun next = Run(Click(300, kPlayButton), FramesFor(4000));
  EXPECT_TRUE(next.Has("MainGame: level loc21 loaded")) << next.Joined();
  EXPECT_FALSE(next.Has("mg02window"));
}

// The chart skipped: the passage is pinned and the closing message waits;
// the run ends there, unfinished, so the next start comes back to the chart.
TEST_F(MapKeysEndToEnd, TheChartSkippedAndRestarted) {
  const MapPathFileData chart = DemoChart();
  Craft(2, 1, 1, {"loc11", "loc12", "mg_keys", "loc13", "loc14", "loc15"});
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += CloseOpening(&t);  // (t moves on: the skip comes after)
  input += Click(t, kSkipButton);
  t += 3000;
  TRun skipped = Run(input, FramesFor(t));
  EXPECT_TRUE(skipped.Has("mg02window: skipped; the passage is pinned")) << skipped.Joined();
  EXPECT_FALSE(skipped.Has("the game ends"));
  ASSERT_EQ(skipped.w, 1024);
  // A red pin on every place of the passage (under the message's shadow).
  auto red = [](uint32_t c) {
    const int r = int((c >> 16) & 0xFF), g = int((c >> 8) & 0xFF), b = int(c & 0xFF);
    return r > 45 && r > (g + b) / 2 + 25;
  };
  for (const MapPathPointData& p : chart.points) {
    int x = 0, y = 0;
    std::sscanf(ChartCell(chart, p.column, p.row).c_str(), "%d %d", &x, &y);
    EXPECT_TRUE(red(skipped.At(x + 5, y + 2))) << p.text.c_str() << std::hex << " " << skipped.At(x + 5, y + 2);
  }
  EXPECT_FALSE(red(skipped.At(300, 200)));  // the chart's sea
  EXPECT_EQ(Saved(), "2 1 1 1 mg_keys=1 mg_chart=none");

  TRun again = Run(Click(300, kPlayButton), FramesFor(kGameOpen));
  EXPECT_TRUE(again.Has("mg02window: chart of 11 x 9 cells")) << again.Joined();
}
