// The mosaic game's window: opened by its script, pieces picked from the
// tray, turned with the right button and snapped onto their places as the
// player does it, drawn turned; the slide and the end; the skip with a piece
// in the hand; a refused file.
#include <gtest/gtest.h>

#include "game/minigames/mg05window.h"
#include "tests/game/minigames/mgfixture.h"
#include "ui/message.h"

namespace {

constexpr uint32_t kRed = 0xFFC02020u, kCyan = 0xFF00E0E0u, kGreen = 0xFF20C020u, kYellow = 0xFFE0E000u;

// Board 300 x 200 at (300, 100); piece 0 is 100 x 60 (its left ten texel
// columns clear) and wants a quarter turn at (300, 100); piece 1 is 80 x 80 at
// (400, 100), unturned or half turned. Tray from (200, 650); pane top 618.
std::string MosaicFile(const std::string& parts = "<Part type_num='0' pos='0, 0' state='1'/>"
                                                  "<Part type_num='1' pos='100, 0' state='0;2'/>",
                       const std::string& common = "") {
  return "<MiniGame5><Common background='t/bg' pane='t5/pane' mainCursor='t/cursor' text='caption'"
         " text_pos='512, 40' preview_pos='200, 650' win_counter='1' finMessageNum='1' mosaic_back='t5/board'"
         " mosaic_pos='300, 100' " + common + "/>"
         "<Text font='' fh='24' color='255, 255, 255, 255' rect='0, 0, 600, 40' xAlign='2' yAlign='2'/>"
         "<Types><Type num='1' img='t5/a' preview='t5/as'/><Type num='2' img='t5/b' preview='t5/bs'/></Types>"
         "<Mosaic>" + parts + "</Mosaic>"
         "<TutorScripts><TutorScript id='1' do_in_end='CloseMG()'><Item><text name='won'/></Item></TutorScript>"
         "</TutorScripts></MiniGame5>";
}

class TMosaicWindowTest : public mgtest::TMiniGameTest {
protected:
  TMosaicWindowTest() {
    Solid("t5/pane.png", 1024, 150, mgtest::kPane);
    Solid("t5/board.png", 300, 200, mgtest::kBoard);
    Png("t5/a.png", 100, 60, [](int x, int) { return x < 10 ? 0u : kRed; });
    Solid("t5/as.png", 50, 30, kCyan);
    Solid("t5/b.png", 80, 80, kGreen);
    Solid("t5/bs.png", 40, 40, kYellow);
    Write("scripts/mg05window.lua", mgtest::GameScript("mg05window"));
    wm->RegisterWindowType("mg05window", TMG05Window::ClassCreator());
  }

  TMG05Window* OpenMosaic(const std::string& file = MosaicFile()) {
    Write("minigame5_1.xml", file);
    Lua("DoModal('scripts/mg05window.lua')");
    mosaic = nullptr;
    if (TWindow* top = wm->GetTopModal())
      for (TWindow* child : top->GetChildren())
        if (!mosaic) mosaic = WindowCast<TMG05Window>(child);
    if (!mosaic)
      for (const std::string& line : log.Lines()) ADD_FAILURE() << line;
    mgtest::ExpectWholeDisplay(mosaic);
    return mosaic;
  }

  void RightClick(int x, int y) {
    Send(kEventButton, x, y, 1);
    Send(kEventButton, x, y, 0);
  }

  // Piece 0 taken, turned once and laid on its place; piece 1 laid unturned.
  void Solve() {
    ClickAt(225, 665);  // piece 0's preview: picked, its picture centred there
    ASSERT_EQ(mosaic->board.held, 0);
    RightClick(225, 665);
    ASSERT_EQ(mosaic->board.pieces[0].rotation, 1);
    // Bounds now (195, 615): 105 right and 515 up to its place.
    ClickAt(330, 150);
    ASSERT_EQ(mosaic->board.held, -1);
    ASSERT_EQ(mosaic->board.pieces[0].bounds, TVec2(300, 100));
    ClickAt(275, 670);  // piece 1: bounds (235, 630)
    ClickAt(440, 140);
    ASSERT_EQ(mosaic->board.pieces[1].bounds, TVec2(400, 100));
  }

  TMG05Window* mosaic = nullptr;
};

TEST_F(TMosaicWindowTest, PiecesAreTurnedAndSnappedAsThePlayerDoesIt) {
  ASSERT_TRUE(OpenMosaic());
  EXPECT_EQ(mosaic->board.paneTop, 618);
  EXPECT_EQ(mosaic->board.boardWidth, 300);
  const auto& start = DrawFrame();
  EXPECT_TRUE(widgettest::Close(start.At(225, 665), kCyan));
  EXPECT_TRUE(widgettest::Close(start.At(275, 670), kYellow));
  EXPECT_TRUE(widgettest::Close(start.At(330, 150), mgtest::kBoard));
  // A right click with nothing in the hand does nothing.
  RightClick(330, 150);
  EXPECT_EQ(mosaic->board.pieces[0].rotation, 0);
  Solve();
  EXPECT_FALSE(mosaic->board.solved);
  const auto& placed = DrawFrame();
  EXPECT_TRUE(mosaic->board.solved);
  // Turned a quarter clockwise: the clear texel columns are now its top rows.
  EXPECT_TRUE(widgettest::Close(placed.At(330, 150), kRed)) << std::hex << placed.At(330, 150);
  EXPECT_TRUE(widgettest::Close(placed.At(330, 105), mgtest::kBoard)) << std::hex << placed.At(330, 105);
  EXPECT_TRUE(widgettest::Close(placed.At(440, 140), kGreen));
  EXPECT_TRUE(widgettest::Close(placed.At(225, 665), mgtest::kPane));
  EXPECT_TRUE(log.Contains("mg05window: the mosaic is complete"));
}

TEST_F(TMosaicWindowTest, TheFinishedMosaicGlidesAndTheGameEnds) {
  ASSERT_TRUE(OpenMosaic());
  Solve();
  int steps = 0;
  while (mosaic->board.winPhase != 2 && steps < 1000) {
    Tick(16);
    ++steps;
  }
  EXPECT_EQ(mosaic->board.boardPosition, TVec2(360, 100));  // a fifth of 300 to the right (variant 1)
  const auto& moved = DrawFrame();
  EXPECT_TRUE(widgettest::Close(moved.At(390, 150), kRed));
  EXPECT_TRUE(widgettest::Close(moved.At(330, 150), mgtest::kBack));
  ++steps;
  while (!mosaic->isWon && steps < 1000) {
    Tick(16);
    ++steps;
  }
  // 5 s of glide and 1 s of wait at 16 ms a step.
  EXPECT_NEAR(steps * 0.016, 6.0, 0.05);
  // The closing message comes up; its button ends the game.
  for (int i = 0; i < 100 && !mosaic->GetTutor().IsBoxShown(); ++i) Tick(16);
  EXPECT_TRUE(mosaic->GetTutor().IsWaiting());
  ClickAt(620, 575);
  Steps(2);
  EXPECT_TRUE(mosaic->board.finishStarted);
  EXPECT_EQ(GetShadowTarget(), "mg05window");
  EXPECT_EQ(log.Count("mg05window: the game ends won"), 1u);
}

TEST_F(TMosaicWindowTest, SkipWithAPieceInTheHandLaysItAndTheEndCanBeClosed) {
  SetMiniGameLevel(2);
  Write("minigame5_2.xml", MosaicFile());
  ASSERT_TRUE(OpenMosaic());
  ClickAt(225, 665);
  RightClick(225, 665);
  ASSERT_EQ(mosaic->board.held, 0);
  TMessage skip(kButtonPress, "skipgame");
  EXPECT_TRUE(mosaic->OnMessage(&skip));
  EXPECT_EQ(mosaic->board.held, -1);
  EXPECT_TRUE(log.Contains("mg05window: skipped"));
  // Laid by its bounds: the quarter-turned piece covers its place exactly.
  EXPECT_EQ(mosaic->board.GetPieceRect(0), TRect(300, 100, 360, 200));
  const auto& laid = DrawFrame();
  EXPECT_TRUE(widgettest::Close(laid.At(355, 195), kRed));
  EXPECT_TRUE(widgettest::Close(laid.At(365, 150), mgtest::kBoard));
  int steps = 0;
  while (!mosaic->isWon && steps < 1000) {
    Tick(16);
    ++steps;
  }
  EXPECT_EQ(mosaic->board.boardPosition, TVec2(240, 100));  // variant 2 glides to the left
  for (int i = 0; i < 100 && !mosaic->GetTutor().IsBoxShown(); ++i) Tick(16);
  ClickAt(620, 575);
  Steps(2);
  EXPECT_TRUE(mosaic->board.finishStarted);
  EXPECT_EQ(GetShadowTarget(), "mg05window");
}

TEST_F(TMosaicWindowTest, APressWithAPieceInTheHandNeverReachesTheButtons) {
  ASSERT_TRUE(OpenMosaic());
  ClickAt(225, 665);
  ASSERT_EQ(mosaic->board.held, 0);
  ClickAt(20 + 32, 660);  // on the menu button: the piece drops into the pane, back to the tray
  EXPECT_EQ(mosaic->board.held, -1);
  EXPECT_TRUE(mosaic->board.pieces[0].inTray);
  EXPECT_EQ(wm->GetTopModal()->GetName(), "mg05window");
  // The held piece is drawn over the buttons.
  ClickAt(275, 670);
  Move(60, 640);
  const auto& frame = DrawFrame();
  EXPECT_TRUE(widgettest::Close(frame.At(52, 636), kGreen)) << std::hex << frame.At(52, 636);
  // The skip button likewise: the first press drops the piece, the next skips.
  ClickAt(940 + 32, 660);
  EXPECT_EQ(mosaic->board.held, -1);
  EXPECT_FALSE(mosaic->board.solved);
  EXPECT_FALSE(log.Contains("mg05window: skipped"));
  ClickAt(940 + 32, 660);
  EXPECT_TRUE(mosaic->board.solved);
  EXPECT_TRUE(log.Contains("mg05window: skipped"));
}

TEST_F(TMosaicWindowTest, ARefusedFileEndsAsASkippedGame) {
  std::string file = MosaicFile();
  file.replace(file.find("img='t5/a'"), 10, "img='t5/none'");
  ASSERT_TRUE(OpenMosaic(file));
  EXPECT_TRUE(mosaic->IsLoadFailed());
  EXPECT_TRUE(log.Contains("Mini-game file assets/minigame5_1.xml: a picture of type 0"));
  Steps(1);
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
}

}  // namespace
