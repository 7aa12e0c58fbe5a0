// The map path game's window on the software display: loading and refusing
// files, the restart, pinning through the mouse, the end of play and the
// layers of its picture.
#include <gtest/gtest.h>

#include "game/story/logbook.h"
#include "game/shell/widgets/gamebutton.h"
#include "render/text/textblock.h"
#include "tests/game/minigames/mapkeysfixture.h"
#include "ui/text.h"

using mgtest::TMapKeysTest;

class TMapWindowTest : public TMapKeysTest {
protected:
  // Closes the opening message and lets its shadow fade out.
  void CloseMessage() {
    Steps(2);
    ClickAt(620, 575);
    Steps(40);
  }
  void PinCell(int c, int r) {
    TPoint p = Cell(c, r);
    ClickAt(p.x, p.y);
  }
};

TEST_F(TMapWindowTest, OpensWithTheOpeningMessageAndTheRestartButtonWhenAsked) {
  ASSERT_TRUE(OpenMap());
  EXPECT_FALSE(map->IsLoadFailed());
  EXPECT_EQ(map->board.cells.size(), 80u);
  ASSERT_EQ(map->board.points.size(), 3u);
  EXPECT_EQ(map->startMessageNum, 2);
  EXPECT_TRUE(map->canRestart);
  EXPECT_NE(map->GetButton("restart"), nullptr);
  EXPECT_TRUE(map->IsInitialised());
  Steps(2);
  EXPECT_TRUE(map->GetTutor().IsBoxShown());
  // Clicks on the chart go to the message while it shows.
  PinCell(1, 6);
  EXPECT_TRUE(map->board.cells[61].empty);

  wm->PopModal();
  Tick(16);
  ASSERT_TRUE(OpenMap(mgtest::MapFile(mgtest::MapPoint(1, 1, "A"), "NeedRestart=\"2\"")));
  EXPECT_FALSE(map->canRestart);
  EXPECT_EQ(map->GetButton("restart"), nullptr);
}

TEST_F(TMapWindowTest, RestartStartsTheChartOverWithoutTheOpeningMessage) {
  ASSERT_TRUE(OpenMap());
  CloseMessage();
  PinCell(1, 6);
  PinCell(0, 0);
  ASSERT_FALSE(map->board.cells[61].empty);
  ASSERT_TRUE(map->board.points[0].reached);
  ClickAt(960, 704);  // the restart button
  EXPECT_TRUE(map->board.cells[61].empty);
  EXPECT_TRUE(map->board.cells[0].empty);
  EXPECT_FALSE(map->board.points[0].reached);
  EXPECT_EQ(map->board.currentCell, -1);
  EXPECT_EQ(map->board.winCountdown, 3);
  ASSERT_NE(map->board.points[0].label, nullptr);  // new labels
  Steps(5);
  EXPECT_FALSE(map->GetTutor().IsBoxShown());
  for (const TutorScreen_t& s : map->GetTutor().GetScreens())
    EXPECT_EQ(s.state, TutorScripts_t::kDone) << s.id;
  PinCell(1, 6);
  EXPECT_TRUE(map->board.points[0].reached);
  EXPECT_TRUE(log.Contains("mg02window: the chart starts over"));

  // An opening message on a screen of id 0 does not come again either.
  wm->PopModal();
  Tick(16);
  std::string file = mgtest::MapFile();
  file.replace(file.find("startMessageNum=\"2\""), 19, "startMessageNum=\"0\"");
  file.replace(file.find("<TutorScript id=\"2\">"), 20, "<TutorScript>");
  ASSERT_TRUE(OpenMap(file));
  Steps(2);
  ASSERT_TRUE(map->GetTutor().IsBoxShown());
  CloseMessage();
  ClickAt(960, 704);
  Steps(5);
  EXPECT_FALSE(map->GetTutor().IsBoxShown());
  EXPECT_EQ(map->GetTutor().GetScreens()[0].state, TutorScripts_t::kDone);
}

TEST_F(TMapWindowTest, ThePassagePinnedEndsTheGameAfterTheWinCounter) {
  ASSERT_TRUE(OpenMap());
  CloseMessage();
  PinCell(8, 1);
  PinCell(4, 4);
  PinCell(5, 5);  // a wrong pin stays
  PinCell(1, 6);
  EXPECT_FALSE(map->board.cells[55].empty);
  Tick(16);  // solved: the wrong pin goes
  EXPECT_TRUE(map->board.solved);
  EXPECT_TRUE(map->board.cells[55].empty);
  EXPECT_FALSE(map->isWon);
  Tick(16);
  EXPECT_FALSE(map->isWon);
  Tick(16);  // the third solved update
  EXPECT_TRUE(map->isWon);
  EXPECT_EQ(map->board.winCountdown, 0);
  Steps(2);
  EXPECT_TRUE(map->GetTutor().IsBoxShown());
  EXPECT_EQ(GetShadowTarget(), "");
  ClickAt(620, 575);  // the closing message's close button runs CloseMG()
  EXPECT_TRUE(map->closeRequested);
  Tick(16);
  EXPECT_TRUE(map->board.finishing);
  EXPECT_EQ(GetShadowTarget(), "mg02window");
  EXPECT_TRUE(log.Contains("mg02window: solved"));
}

TEST_F(TMapWindowTest, RefusedFilesEndAsSkippedGames) {
  ASSERT_TRUE(OpenMap(mgtest::MapFile(mgtest::MapPoint(1, 1, "A"), "", "420,0,200,30", 1)));
  EXPECT_TRUE(map->IsLoadFailed());
  EXPECT_TRUE(log.Contains("Mini-game file assets/minigame2_1.xml: it has 1 \"Text\" element; the title and the "
                           "names need two"));
  Tick(16);
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
  map->SkipGame();
  map->RestartGame();
  DrawFrame();

  wm->PopModal();
  Tick(16);
  ASSERT_TRUE(OpenMap(mgtest::MapFile(mgtest::MapPoint(10, 1, "Off") + mgtest::MapPoint(2, 2, "On"))));
  EXPECT_FALSE(map->IsLoadFailed());
  ASSERT_EQ(map->board.points.size(), 1u);
  EXPECT_TRUE(log.Contains("point 1 \"Off\" at (10, 1) left out: it lies outside the 10 x 8 grid"));
}

TEST_F(TMapWindowTest, PinsSectionsAndBarsAreDrawnWhereTheyBelong) {
  ASSERT_TRUE(OpenMap());
  CloseMessage();
  PinCell(1, 6);
  const sdev::test::Frame* f = &DrawFrame();
  EXPECT_EQ(f->At(160, 360), mgtest::kPin);  // the pin centred on the cell's centre
  EXPECT_EQ(f->At(170, 370), mgtest::kMap);
  EXPECT_EQ(f->At(150, 350), mgtest::kPin);
  // One place reached: no course yet. Its bar reaches 6 px past the name.
  const MapPoint& harbour = map->board.points[0];
  TRect bounds;
  harbour.label->GetTextBounds(bounds);
  ASSERT_GT(bounds.Width(), 0);
  const TRect bar = StrikeBarRect(harbour, bounds);
  EXPECT_EQ(f->At(bar.right - 2, (bar.top + bar.bottom) / 2), mgtest::kInk);
  const MapPoint& mill = map->board.points[1];
  TRect millBounds;
  mill.label->GetTextBounds(millBounds);
  const TRect millBar = StrikeBarRect(mill, millBounds);
  EXPECT_EQ(f->At(millBar.right - 2, (millBar.top + millBar.bottom) / 2), mgtest::kBack);
  // The course from (160, 360) to (280, 280): sections laid from the first
  // centre, each by its corner, so the band runs a few pixels off the line.
  for (int dy = -4; dy <= 6; ++dy) EXPECT_EQ(f->At(225, 317 + dy), mgtest::kMap);
  PinCell(4, 4);
  f = &DrawFrame();
  int onCourse = 0;
  for (int k = 1; k < 11; ++k) {
    const int x = 160 + 10 * k, y = 360 - (80 * 10 * k) / 120;
    bool near = false;
    for (int dy = -4; dy <= 6; ++dy) near = near || f->At(x + 5, y + dy) == mgtest::kSection;
    onCourse += near ? 1 : 0;
  }
  EXPECT_EQ(onCourse, 10);
  EXPECT_EQ(f->At(millBar.right - 2, (millBar.top + millBar.bottom) / 2), mgtest::kInk);
}

TEST_F(TMapWindowTest, ThePaneLiesOverTheNamesAndTheButtonsOverTheTitle) {
  // Names from y 580: the second line (610..640) lies under the pane (from 588).
  std::string file = mgtest::MapFile(mgtest::MapPoint(1, 6, "Harbour") + mgtest::MapPoint(4, 4, "Mill"), "",
                                     "420,480,200,30");
  file.replace(file.find("text_pos=\"512, 40\""), 18, "text_pos=\"52, 636\"");
  file.replace(file.find("text=\"chart\""), 12, "text=\"the harbour master's chart\"");
  ASSERT_TRUE(OpenMap(file));
  CloseMessage();
  PinCell(4, 4);
  const MapPoint& mill = map->board.points[1];
  TRect bounds;
  mill.label->GetTextBounds(bounds);
  const TRect bar = StrikeBarRect(mill, bounds);
  const sdev::test::Frame& f = DrawFrame();
  EXPECT_EQ(f.At(bar.right - 2, (bar.top + bar.bottom) / 2), mgtest::kPane);
  // The title, moved onto the menu button, is under it and shows beside it.
  int covered = 0, beside = 0;
  for (int y = 620; y < 652; ++y) {
    for (int x = 20; x < 84; ++x) covered += f.At(x, y) != 0xFF303030u ? 1 : 0;
    for (int x = 90; x < 200; ++x) beside += widgettest::Channel(f.At(x, y), 16) > 200 ? 1 : 0;
  }
  EXPECT_EQ(covered, 0);
  EXPECT_GT(beside, 20);
}
