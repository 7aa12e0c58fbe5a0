// End to end: the lantern program itself on the demo data, headless, with a
// saved game that stands just before a mini-game of the first level. Play in
// the main menu opens the play screen, which hands over to the mini-game; the
// input script plays it to the end (or skips it), and the next start shows
// where the saved progress went. Checks the log, the saved progress and the
// pixels of the last frame.
#include <tinyxml.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/minigames/mg02path.h"
#include "game/minigames/mg03keys.h"
#include "game/shell/data/gameprogress.h"
#include "platform/random.h"
#include "tests/game/support/gamee2e.h"
#include "tests/platform/pngread.h"

using namespace gamee2e;

namespace {

constexpr const char* kRestartButton = "972 716";

// The mini-games' lines and the play screen's.
class MapKeysEndToEnd : public TGameEndToEnd {
protected:
  MapKeysEndToEnd()
      : TGameEndToEnd({"mg02window: ", "mg03window: ", "mg01window: ", "MainGame: level ", "MainGame: on to ",
                       "Map path: ", "Keys game: ", "Mini-game file"}) {}

  // A new saved game at `level`, `chapter`, `location`, with these places
  // passed and the levels' opening comics seen.
  void Craft(int level, int chapter, int location, const std::vector<std::string>& passed) {
    SaveAt(level, chapter, location, passed, {"com_1.xml", "com_2.xml"});
  }
  // "level chapter location mLocationType mg_keys=<passed> mg_chart=<passed>" of the saved game.
  std::string Where() { return SavedPlace({"mg_keys", "mg_chart"}); }
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
  EXPECT_TRUE(
      played.Mentions("mg03window: 5 keys, 4 positions a turn; they start at" + starts + ", the tray holds" + tray))
      << played.Joined();
  EXPECT_TRUE(played.Mentions("mg03window: solved")) << played.Joined();
  EXPECT_TRUE(played.Mentions("mg03window: the game ends won; next scripts/maingame.lua")) << played.Joined();
  EXPECT_TRUE(played.Mentions("MainGame: level loc13 loaded")) << played.Joined();
  EXPECT_FALSE(played.Mentions("skipped"));
  EXPECT_EQ(Where(), "1 1 4 0 mg_keys=1 mg_chart=none");

  TRun next = Run(Click(300, kPlayButton), FramesFor(4000));
  EXPECT_TRUE(next.Mentions("MainGame: level loc13 loaded")) << next.Joined();
  EXPECT_FALSE(next.Mentions("mg03window"));
}

// A skip (after a key was picked up and dropped): every key goes home, the
// board rises away and the closing message waits; the run ends there,
// unfinished, so the next start comes back into the game. There a key is
// taken and the menu opened and closed with Escape: the key is back in the
// tray, as drawn, and a click on its keyhole hangs nothing; a skip then
// finishes the game.
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
  EXPECT_TRUE(skipped.Mentions("mg03window: skipped; every key goes home")) << skipped.Joined();
  EXPECT_FALSE(skipped.Mentions("the game ends"));
  // The board has risen out of the picture: the keeper's lantern glows in its
  // niche (a pane of it at 500, 300) where the picture tiles stood, warm even
  // under the closing message's shadow.
  ASSERT_EQ(skipped.w, 1024);
  const uint32_t lantern = skipped.At(500, 300);
  EXPECT_GT(int((lantern >> 16) & 0xFF), 80) << std::hex << lantern;
  EXPECT_GT(int((lantern >> 16) & 0xFF), int(lantern & 0xFF) + 30) << std::hex << lantern;
  EXPECT_EQ(Where(), "1 1 3 1 mg_keys=none mg_chart=none");

  t = kGameOpen;
  input = Click(300, kPlayButton);
  input += CloseOpening(&t);  // (t moves on: the skip comes after)
  const KeySlot& key = board.keys[2];
  const std::string before = dir.File("before.png"), closed = dir.File("closed.png"), clicked = dir.File("clicked.png");
  input += At(t, "screenshot " + before) + Click(t + 100, Centre(key.previewRect)) + At(t + 400, "move " + Hole(key)) +
           At(t + 600, "key escape") + At(t + 1300, "key escape") + At(t + 1800, "screenshot " + closed) +
           Click(t + 1900, Hole(key)) + At(t + 2500, "screenshot " + clicked);
  t += 2600;
  input += Click(t, kSkipButton);
  t += 1600 + 5000 + 2000 + 800;
  input += Click(t, kTutorButton);
  TRun again = Run(input, FramesFor(t + 3000));
  EXPECT_TRUE(again.Mentions("mg03window: 5 keys")) << again.Joined();
  // The key's picture in the tray as at the start, after the menu and after the click.
  std::vector<uint32_t> start, afterMenu, afterClick;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPng(before, &start, &w, &h));
  ASSERT_TRUE(ReadPng(closed, &afterMenu, &w, &h));
  ASSERT_TRUE(ReadPng(clicked, &afterClick, &w, &h));
  ASSERT_EQ(w, 1024);
  const TRect& tray = key.previewRect;
  const int area = tray.Width() * tray.Height();
  EXPECT_LT(Differing(start, afterMenu, tray), area / 50);
  EXPECT_LT(Differing(start, afterClick, tray), area / 50);
  EXPECT_TRUE(again.Mentions("mg03window: the game ends won")) << again.Joined();
  EXPECT_TRUE(again.Mentions("MainGame: level loc13 loaded")) << again.Joined();
  EXPECT_EQ(Where(), "1 1 4 0 mg_keys=1 mg_chart=none");
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
  EXPECT_TRUE(played.Mentions("mg02window: chart of 11 x 9 cells, 6 places to pin")) << played.Joined();
  EXPECT_TRUE(played.Mentions("mg02window: the chart starts over")) << played.Joined();
  EXPECT_TRUE(played.Mentions("mg02window: solved")) << played.Joined();
  EXPECT_TRUE(played.Mentions("mg02window: the game ends won; next scripts/maingame.lua")) << played.Joined();
  EXPECT_TRUE(played.Mentions("MainGame: level loc21 loaded")) << played.Joined();
  EXPECT_EQ(Where(), "2 1 2 0 mg_keys=1 mg_chart=1");

  TRun next = Run(Click(300, kPlayButton), FramesFor(4000));
  EXPECT_TRUE(next.Mentions("MainGame: level loc21 loaded")) << next.Joined();
  EXPECT_FALSE(next.Mentions("mg02window"));
}

// The chart skipped: the passage is pinned and the closing message waits;
// the run ends there, unfinished, so the next start comes back to the chart.
// There Escape opens the game's menu and closes it again; its "Main menu"
// leaves through the fade, the chart still due.
TEST_F(MapKeysEndToEnd, TheChartSkippedAndRestarted) {
  const MapPathFileData chart = DemoChart();
  Craft(2, 1, 1, {"loc11", "loc12", "mg_keys", "loc13", "loc14", "loc15"});
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += CloseOpening(&t);  // (t moves on: the skip comes after)
  input += Click(t, kSkipButton);
  t += 3000;
  TRun skipped = Run(input, FramesFor(t));
  EXPECT_TRUE(skipped.Mentions("mg02window: skipped; the passage is pinned")) << skipped.Joined();
  EXPECT_FALSE(skipped.Mentions("the game ends"));
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
  EXPECT_EQ(Where(), "2 1 1 1 mg_keys=1 mg_chart=none");

  // The opening message's two steps passed with the keys: Escape and Enter
  // press its button while it waits (the menu stays shut); then Escape
  // opens the menu, Escape again closes it, and the third time the menu's
  // way to the main menu is taken.
  t = kGameOpen;
  input = Click(300, kPlayButton) + At(t, "key escape") + At(t + 600, "key enter");
  t += 1800;
  input += At(t, "key escape") + At(t + 600, "key escape") + At(t + 1200, "key escape") +
           Click(t + 1800, KitButtonAt("minigamemenu.lua", "tomenu"));
  std::string saved;
  TRun again = RunPausing(input, FramesFor(t + 5000), {"minigame: left from its menu", "modal: mainmenu"},
                          [&] { saved = Where(); });
  EXPECT_TRUE(again.Mentions("mg02window: chart of 11 x 9 cells")) << again.Joined();
  EXPECT_EQ(saved, "2 1 1 1 mg_keys=1 mg_chart=none");
  EXPECT_EQ(again.Screens(), (std::vector<std::string>{"mainmenu", "MainGame", "mg02window", "minigamemenu",
                                                        "mg02window", "minigamemenu", "mainmenu"}))
      << again.log;
  EXPECT_EQ(again.ShownAt("minigamemenu"), t);
  EXPECT_EQ(again.ShownAt("mg02window", 2), t + 600);
  ASSERT_EQ(again.w, 1024);
  EXPECT_GT(Greeting(again), 80);
}
