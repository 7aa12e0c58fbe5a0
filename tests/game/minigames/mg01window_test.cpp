// The blocks game's window on the software display: loading, the tray, the
// carrying of crates, the rule, the tray limit, the end sequence, skip and
// the drawing order, driven through the window manager's mouse events.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "game/shell/data/userinfo.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/story/logbook.h"
#include "render/renderer.h"
#include "render/sdev/fault.h"
#include "tests/game/minigames/mgfixture.h"
#include "tests/game/support/gametest.h"

using mgtest::TMiniGameTest;

TEST_F(TMiniGameTest, LoadsTheBoardAndLaysTheTrayOutInTwoRows) {
  ASSERT_TRUE(Open());
  EXPECT_FALSE(game->IsLoadFailed());
  EXPECT_EQ(game->Kinds(), 4);
  ASSERT_EQ(game->pieces.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    const BlockPiece& p = game->pieces[size_t(i)];
    EXPECT_EQ(p.type, i / 2);
    EXPECT_EQ(p.z, i);
    EXPECT_TRUE(p.inTray);
    EXPECT_EQ(p.pos, TVec2(396.0f + float(i % 3) * 84, i < 3 ? 604.0f : 671.0f)) << i;  // 64 + 20 apart, 64 + 3 down
  }
  EXPECT_EQ(game->CellCorner(4 * 2 + 3), TVec2(336 + 3 * 88, 126 + 2 * 88));
  EXPECT_EQ(game->TrayTop(), 588.0f);
  EXPECT_EQ(game->startMessageNum, -1);
  EXPECT_EQ(game->finMessageNum, 1);
  EXPECT_EQ(GetGameProgress().mLocationType, 1);

  // Seven movable crates: three in the first row, four in the second.
  wm->PopModal();
  Tick(16);
  std::string nine = std::string(mgtest::DemoBlocks()).substr(0, std::string(mgtest::DemoBlocks()).rfind("<Block"));
  ASSERT_TRUE(Open(mgtest::BlocksFile(nine)));
  ASSERT_EQ(game->pieces.size(), 7u);
  EXPECT_EQ(game->pieces[2].pos.y, 604.0f);
  EXPECT_EQ(game->pieces[3].pos, TVec2(396, 671));
  EXPECT_EQ(game->pieces[6].pos, TVec2(396 + 3 * 84, 671));
}

TEST_F(TMiniGameTest, ABrokenFileIsLoggedAndTheGameEndsAsSkipped) {
  ASSERT_TRUE(Open(mgtest::BlocksFile("<Block x=\"4\" y=\"0\" type=\"1\"/>")));
  EXPECT_TRUE(game->IsLoadFailed());
  EXPECT_TRUE(log.Contains("Mini-game file assets/minigame1_1.xml: \"Block\" 0 lies outside the 4 x 4 board"));
  EXPECT_TRUE(game->pieces.empty());
  Steps(1);
  // Not the same refused game at every Play: the level goes on.
  EXPECT_TRUE(log.Contains("mg01window: the game cannot be played; it counts as skipped"));
  EXPECT_EQ(GetShadowTarget(), "mg01window");
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
  EXPECT_EQ(GetGameProgress().levelId, 2);
  EXPECT_EQ(GetGameProgress().mLocationType, 0);
  ClickAt(TrayPoint(0).x, TrayPoint(0).y);
  game->SkipGame();  // nothing to do and nothing breaks
  DrawFrame();

  std::string noText = mgtest::BlocksFile();
  noText.erase(noText.find("<Text"), noText.find("<BlocksType") - noText.find("<Text"));
  wm->PopModal();
  Tick(16);
  ASSERT_TRUE(Open(noText));
  EXPECT_TRUE(game->IsLoadFailed());
  EXPECT_TRUE(log.Contains("Mini-game file assets/minigame1_1.xml: it has no \"Text\" element"));

  wm->PopModal();
  Tick(16);
  Write("minigame1_1.xml", "");
  Lua("DoModal('scripts/mg01window.lua')");
  EXPECT_TRUE(log.Contains("Mini-game file assets/minigame1_1.xml: it is missing, unreadable or has no root element"));
}

TEST_F(TMiniGameTest, CarriesCratesFromTheTrayAndSendsThemBack) {
  ASSERT_TRUE(Open());
  TPoint tray0 = TrayPoint(0), cell = CellPoint(0, 0);
  ClickAt(tray0.x, tray0.y);
  EXPECT_EQ(game->carriedPiece, 0);
  EXPECT_EQ(game->pieces[0].z, 5);  // on top while carried
  Move(cell.x, cell.y);
  EXPECT_EQ(game->pieces[0].pos, TVec2(396 + cell.x - tray0.x, 604 + cell.y - tray0.y));
  ClickAt(cell.x, cell.y);
  EXPECT_EQ(game->carriedPiece, -1);
  EXPECT_EQ(game->heldPiece, -1);
  EXPECT_EQ(game->cells[0].type, 0);
  EXPECT_EQ(game->cells[0].piece, 0);
  EXPECT_FALSE(game->pieces[0].inTray);
  EXPECT_TRUE(game->pieces[0].correct);
  EXPECT_EQ(game->pieces[0].z, 0);
  EXPECT_EQ(game->pieces[0].pos, TVec2(336, 126));

  // A fish into the same cell: the anchor goes back to its tray place.
  Carry(2, 0, 0);
  EXPECT_EQ(game->cells[0].piece, 2);
  EXPECT_EQ(game->pieces[0].pos, TVec2(396, 604));
  EXPECT_TRUE(game->pieces[0].inTray);
  EXPECT_FALSE(game->pieces[0].correct);

  // Picked off the board and put on a pre-filled cell: back to the tray.
  ClickAt(cell.x, cell.y);
  EXPECT_EQ(game->heldPiece, 2);
  EXPECT_EQ(game->cells[0].type, -1);
  TPoint filled = CellPoint(2, 0);
  ClickAt(filled.x, filled.y);
  EXPECT_EQ(game->heldPiece, -1);
  EXPECT_TRUE(game->pieces[2].inTray);
  EXPECT_EQ(game->pieces[2].pos, TVec2(396 + 2 * 84, 604));

  // A click on the clear border of a crate picks nothing.
  ClickAt(396 + 1, 604 + 30);
  EXPECT_EQ(game->carriedPiece, -1);
}

TEST_F(TMiniGameTest, CratesThatBreakTheRuleShakeAboutTheCellCornerUntilTheOtherIsTakenAway) {
  // Anchors 80 x 80 in cells of 88: set down 4 px in from the cell's corner.
  auto framed = [](uint32_t c) { return [c](int x, int y) { return (x < 4 || y < 4 || x >= 76 || y >= 76) ? 0u : c; }; };
  Png("t/b0.png", 80, 80, framed(mgtest::kKind[0]));
  Png("t/bad0.png", 80, 80, framed(mgtest::kBad));
  ASSERT_TRUE(Open());
  Carry(0, 0, 0);  // an anchor at (0, 0)
  EXPECT_EQ(game->pieces[0].pos, TVec2(336 + 4, 126 + 4));
  Carry(1, 1, 0);  // and one beside it
  for (int i : {0, 1}) {
    EXPECT_FALSE(game->pieces[size_t(i)].correct) << i;
    EXPECT_EQ(game->pieces[size_t(i)].state, 0);
  }
  EXPECT_EQ(game->pieces[0].shakeBase, TVec2(336, 126));
  EXPECT_EQ(game->pieces[1].shakeBase, TVec2(336 + 88, 126));  // the corner, not the crate's place
  EXPECT_FALSE(game->IsSolved());
  Steps(3);
  const float t = 3 * 0.016f;
  EXPECT_NEAR(game->pieces[1].pos.x, 336 + 88 + 2 * std::sin(30 * t), 1e-3);
  EXPECT_NEAR(game->pieces[1].pos.y, 126 + 2 * std::sin(45 * t), 1e-3);

  // The second anchor back to the tray: the first one rests where it shook to.
  const TVec2 shaken = game->pieces[0].pos;
  TPoint second = CellPoint(1, 0);
  ClickAt(second.x, second.y);
  ClickAt(CellPoint(3, 3).x, CellPoint(3, 3).y);
  EXPECT_TRUE(game->pieces[0].correct);
  EXPECT_EQ(game->pieces[0].state, 1);
  EXPECT_EQ(game->pieces[0].pos, shaken);
  Steps(2);
  EXPECT_EQ(game->pieces[0].pos, shaken);
  EXPECT_EQ(game->cells[4 * 3 + 3].type, 0);  // the second anchor went to (3, 3)
}

TEST_F(TMiniGameTest, AHeldCrateCannotGoDownIntoTheTrayButACarriedOneCan) {
  ASSERT_TRUE(Open());
  Carry(0, 0, 0);
  TPoint cell = CellPoint(0, 0);
  ClickAt(cell.x, cell.y);  // held again
  ASSERT_EQ(game->heldPiece, 0);
  ASSERT_EQ(game->pieces[0].pos, TVec2(336, 126));
  // A move that would take the crate's bottom into the tray (top 588) is
  // refused whole, sideways part included, and the last mouse place stays.
  EXPECT_FALSE(game->OnMouseMove(TPoint(cell.x + 50, cell.y + 400)));
  EXPECT_EQ(game->pieces[0].pos, TVec2(336, 126));
  EXPECT_EQ(game->lastMouse, TVec2(float(cell.x), float(cell.y)));
  // Exactly at the tray top is refused; one pixel above it is not.
  Move(cell.x + 10, cell.y + 588 - 88 - 126);
  EXPECT_EQ(game->pieces[0].pos, TVec2(336, 126));
  Move(cell.x + 10, cell.y + 588 - 88 - 126 - 1);
  EXPECT_EQ(game->pieces[0].pos, TVec2(336 + 10, 588 - 88 - 1));
  Move(cell.x + 10, cell.y + 20);  // back up: the crate follows the mouse
  EXPECT_EQ(game->pieces[0].pos, TVec2(336 + 10, 126 + 20));

  // A crate carried from the tray moves anywhere.
  ClickAt(CellPoint(3, 3).x, CellPoint(3, 3).y);
  ClickAt(TrayPoint(1).x, TrayPoint(1).y);
  Move(TrayPoint(1).x, TrayPoint(1).y + 60);
  EXPECT_EQ(game->pieces[1].pos, TVec2(396 + 84, 664));
  // Let go over the tray: back to its place.
  ClickAt(TrayPoint(1).x, TrayPoint(1).y + 60);
  EXPECT_EQ(game->pieces[1].pos, TVec2(396 + 84, 604));
  EXPECT_EQ(game->carriedPiece, -1);

  // Let go with its top above the tray but its bottom, counted at the board
  // crate's height (88), exactly at the tray top: back to its place as
  // well, the tray shows it there again.
  const TPoint tray1 = TrayPoint(1);
  const int atTop = tray1.y - (604 - (588 - 88));  // the carried crate's top at 500
  ClickAt(tray1.x, tray1.y);
  ClickAt(tray1.x, atTop);
  EXPECT_EQ(game->carriedPiece, -1);
  EXPECT_EQ(game->heldPiece, -1);
  EXPECT_TRUE(game->pieces[1].inTray);
  EXPECT_EQ(game->pieces[1].pos, TVec2(396 + 84, 604));
  const uint32_t back = DrawFrame().At(tray1.x, tray1.y);
  EXPECT_TRUE(widgettest::Close(back, mgtest::kTray)) << std::hex << back;
  // One pixel higher it leaves the tray and lies where it was let go
  // (centred on the same point at the board crate's size); its tray place is empty.
  ClickAt(tray1.x, tray1.y);
  ClickAt(tray1.x, atTop - 1);
  EXPECT_FALSE(game->pieces[1].inTray);
  EXPECT_EQ(game->pieces[1].pos, TVec2(396 + 84 - 12, 500 - 1 - 12));
  const auto& loose = DrawFrame();
  EXPECT_EQ(loose.At(tray1.x, tray1.y), mgtest::kPane) << std::hex << loose.At(tray1.x, tray1.y);
  EXPECT_EQ(loose.At(tray1.x, atTop - 1), mgtest::kBad) << std::hex << loose.At(tray1.x, atTop - 1);
}

TEST_F(TMiniGameTest, APickedCrateFollowsTheMouseUntilTheNextClick) {
  ASSERT_TRUE(Open());
  // Pressed on a crate in the tray, moved and released over a cell: the
  // release puts nothing down.
  TPoint from = TrayPoint(4), to = CellPoint(1, 1);
  Move(from.x, from.y);
  Down(from.x, from.y);
  Move((from.x + to.x) / 2, (from.y + to.y) / 2);
  Move(to.x, to.y);
  Up(to.x, to.y);
  EXPECT_EQ(game->carriedPiece, 4);
  EXPECT_EQ(game->cells[4 + 1].type, -1);
  EXPECT_EQ(game->pieces[4].pos, TVec2(float(396 + 84 + to.x - from.x), float(671 + to.y - from.y)));
  ClickAt(to.x, to.y);  // the second click sets it down
  EXPECT_EQ(game->carriedPiece, -1);
  EXPECT_EQ(game->cells[4 + 1].type, 2);
  EXPECT_TRUE(game->pieces[4].correct);

  // The same from the board: pressed, moved to another cell and released, still held.
  TPoint other = CellPoint(3, 3);
  Down(to.x, to.y);
  Move(other.x, other.y);
  Up(other.x, other.y);
  EXPECT_EQ(game->heldPiece, 4);
  EXPECT_EQ(game->cells[4 * 3 + 3].type, -1);
  ClickAt(other.x, other.y);
  EXPECT_EQ(game->heldPiece, -1);
  EXPECT_EQ(game->cells[4 * 3 + 3].type, 2);
  EXPECT_EQ(game->pieces[4].pos, TVec2(336 + 3 * 88, 126 + 3 * 88));
}

TEST_F(TMiniGameTest, APressOnAFrameButtonIsNotAMoveInTheGame) {
  // The journal button lies over the first crate of the tray.
  journalButton = "logbook;396,604,0,0;t/journal;t/journal;t/journal";
  MainXml(MainXmlText());
  ASSERT_TRUE(Open());
  TPoint p = TrayPoint(0);
  ClickAt(p.x, p.y);
  EXPECT_EQ(game->carriedPiece, -1);  // the crate under the button stays
  EXPECT_TRUE(game->pieces[0].inTray);
  EXPECT_EQ(game->logBook->GetState(), LogBook_t::kOpening);  // the button's click went through
}

TEST_F(TMiniGameTest, TheEndComesSevenSecondsAfterTheLastRightMoveAndFinishesOnce) {
  RecreateUserInfo();
  GetUserInfo()->CreateNewUser("Ada");
  GetGameProgress().photos = {"p/one"};
  ASSERT_TRUE(Open());
  Solve(0, 5);
  Steps(2);
  EXPECT_FALSE(game->IsSolved());  // one crate still in the tray
  Solve(5);
  EXPECT_TRUE(game->IsSolved());
  int steps = 0;
  while (!game->isWon && steps < 1000) {
    Tick(16);
    ++steps;
  }
  // 5 s of slide and 2 s of wait at 16 ms a step.
  EXPECT_NEAR(steps * 0.016, 7.0, 0.05);
  EXPECT_EQ(game->boardPos, TVec2(320, 768));
  EXPECT_EQ(game->pieces[0].pos.y, 126 + (768 - 110));
  EXPECT_TRUE(log.Contains("mg01window: solved"));

  // Presses are taken from now on; the closing message is up.
  ClickAt(TrayPoint(0).x, TrayPoint(0).y);
  EXPECT_TRUE(game->GetTutor().IsWaiting());

  // While the journal is open the end waits.
  game->logBook->Open(LogBook_t::kJournal, 0);
  game->logBook->StartOpening();
  Steps(20);
  ASSERT_TRUE(game->IsLogBookOpen());
  Lua("CloseMG()");
  Steps(5);
  EXPECT_FALSE(game->finishing);
  game->logBook->StartClosing();
  Steps(20);
  EXPECT_TRUE(game->finishing);
  EXPECT_EQ(GetShadowTarget(), "mg01window");
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
  EXPECT_EQ(log.Count("mg01window: the game ends won"), 1u);
  Steps(10);
  EXPECT_EQ(log.Count("mg01window: the game ends won"), 1u);

  // The next level, saved at once.
  const GameProgress& p = GetGameProgress();
  EXPECT_EQ(p.levelId, 2);
  EXPECT_EQ(p.chapterId, 7);
  EXPECT_EQ(p.locationId, 1);
  EXPECT_EQ(p.mLocationType, 0);
  const GameProgress saved = gametest::SavedProgress();
  EXPECT_EQ(saved.levelId, 2);
  EXPECT_EQ(saved.chapterId, 7);
  EXPECT_EQ(saved.mLocationType, 0);
  EXPECT_EQ(saved.photos, std::vector<TString>{"p/one"});
  wm->PopModal();
  Tick(16);
  DeleteUserInfo();
}

TEST_F(TMiniGameTest, SkipFillsTheBoardAndTheNormalEndFollows) {
  ASSERT_TRUE(Open());
  Carry(0, 1, 0);  // a wrong anchor first: skip clears it
  TPoint skip(940 + 32, 604 + 32);
  ClickAt(skip.x, skip.y);
  ASSERT_TRUE(game->skipped);
  EXPECT_TRUE(log.Contains("mg01window: skipped; the board is filled"));
  ASSERT_EQ(game->pieces.size(), 6u);
  const int expected[16] = {0, 1, 2, 3, 1, 2, 3, 0, 2, 3, 0, 1, 3, 0, 1, 2};
  for (int i = 0; i < 16; ++i) {
    const BlockCell& cell = game->cells[size_t(i)];
    if (!cell.playerCell) continue;
    ASSERT_GE(cell.piece, 0);
    const BlockPiece& piece = game->pieces[size_t(cell.piece)];
    EXPECT_EQ(piece.type, expected[i]) << i;
    EXPECT_TRUE(piece.correct);
    EXPECT_FALSE(piece.inTray);
    EXPECT_EQ(piece.pos, game->CellCorner(i));
  }
  // No crate can be picked up any more; the board slides at the next update.
  ClickAt(CellPoint(0, 0).x, CellPoint(0, 0).y);
  EXPECT_EQ(game->heldPiece, -1);
  Steps(1);
  EXPECT_EQ(game->slideState, 1);
  std::vector<BlockPiece> before = game->pieces;
  game->SkipGame();  // while sliding: nothing
  EXPECT_EQ(game->pieces.size(), before.size());
  EXPECT_EQ(game->pieces[0].pos, before[0].pos);
}

TEST_F(TMiniGameTest, TheTutorialLiesUnderThePaneAndTheTrayUnderTheOpenJournal) {
  // The opening message's box (300, 500)-(700, 600) reaches under the pane (from 588).
  ASSERT_TRUE(Open(mgtest::BlocksFile(mgtest::DemoBlocks(), "startMessageNum=\"2\"")));
  Steps(2);
  ASSERT_TRUE(game->GetTutor().IsBoxShown());
  const auto& message = DrawFrame();
  EXPECT_EQ(message.At(310, 595), mgtest::kPane) << std::hex << message.At(310, 595);
  EXPECT_EQ(message.At(310, 580), 0xFF204060u) << std::hex << message.At(310, 580);
  wm->PopModal();
  Tick(16);

  ASSERT_TRUE(Open());
  const auto& closed = DrawFrame();
  EXPECT_TRUE(widgettest::Close(closed.At(TrayPoint(0).x, TrayPoint(0).y), mgtest::kTray));
  EXPECT_TRUE(widgettest::Close(closed.At(TrayPoint(2).x, TrayPoint(2).y), mgtest::kKind[1]));
  ClickAt(20 + 32, 684 + 32);  // the journal button
  Steps(30);
  ASSERT_TRUE(game->IsLogBookOpen());
  const auto& open = DrawFrame();
  // The book (100, 400)-(700, 700) covers the tray; its pages start 20 below its top.
  EXPECT_TRUE(widgettest::Close(open.At(TrayPoint(0).x, TrayPoint(0).y), 0xFFF0E8D0u))
      << std::hex << open.At(TrayPoint(0).x, TrayPoint(0).y);
  // While it is open, a click never reaches the game.
  ClickAt(TrayPoint(0).x, TrayPoint(0).y);
  EXPECT_EQ(game->carriedPiece, -1);
}

// At rest the game is one composed picture; after any change the next frame
// is drawn piece by piece, the one after from the picture composed again,
// and every one of them shows what the pieces show.
TEST_F(TMiniGameTest, TheBoardAtRestIsOnePictureAndEveryChangeShowsAsDrawnPieceByPiece) {
  // The menu button, over the pane beside the tray, lights up under the pointer.
  Solid("t/menu_over.png", 64, 64, 0xFFA0A0A0u);
  std::string xml = MainXmlText();
  xml.replace(xml.find("t/menu;t/menu;t/menu"), 20, "t/menu;t/menu;t/menu_over");
  MainXml(xml);
  ASSERT_TRUE(Open());
  auto frame = [&](bool composing) {
    TMG01Window::SetComposingEnabled(composing);
    std::vector<uint32_t> px = DrawFrame().pixels;
    TMG01Window::SetComposingEnabled(true);
    return px;
  };
  auto differing = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    size_t n = a.size() == b.size() ? 0 : std::max(a.size(), b.size());
    for (size_t k = 0; k < std::min(a.size(), b.size()); ++k) n += a[k] != b[k];
    return n;
  };
  // Two frames after a change, then the pieces' own frame.
  auto same = [&](const char* when) {
    std::vector<uint32_t> changed = frame(true);
    EXPECT_FALSE(game->IsComposedDrawn()) << when;
    std::vector<uint32_t> still = frame(true);
    EXPECT_TRUE(game->IsComposedDrawn()) << when;
    std::vector<uint32_t> pieces = frame(false);
    EXPECT_FALSE(game->IsComposedDrawn()) << when;
    EXPECT_EQ(differing(changed, pieces), 0u) << when;
    EXPECT_EQ(differing(still, pieces), 0u) << when;
    return still;
  };
  const std::vector<uint32_t> rest = same("at rest");
  EXPECT_EQ(differing(frame(true), rest), 0u);
  EXPECT_TRUE(game->IsComposedDrawn());

  // A block picked from the tray, carried over the board, set down.
  const TPoint tray0 = TrayPoint(0), cell = CellPoint(0, 0);
  ClickAt(tray0.x, tray0.y);
  ASSERT_EQ(game->carriedPiece, 0);
  same("a block picked");
  Move(cell.x, cell.y);
  same("a block carried");
  ClickAt(cell.x, cell.y);
  ASSERT_EQ(game->cells[0].piece, 0);
  const std::vector<uint32_t> dropped = same("a block dropped");
  EXPECT_NE(differing(dropped, rest), 0u);
  // Another block into its cell sends it back to the tray.
  Carry(2, 0, 0);
  ASSERT_TRUE(game->pieces[0].inTray);
  same("a block back in the tray");
  // Picked off the board: held at the pointer.
  ClickAt(cell.x, cell.y);
  ASSERT_EQ(game->heldPiece, 2);
  same("a block picked off the board");
  ClickAt(cell.x, cell.y);
  same("a block set down again");

  // The pointer over the menu button, and off it again.
  Move(20 + 32, 604 + 32);
  ASSERT_TRUE(game->GetButton("menu")->hover);
  const std::vector<uint32_t> hovered = same("a button hovered");
  EXPECT_EQ(hovered[size_t(604 + 5) * 1024 + 20 + 5], 0xFFA0A0A0u);
  Move(500, 300);
  same("the pointer off the button");

  // A block that breaks the rule shakes: never still, never composed.
  Carry(1, 1, 0);  // an anchor in the column of the anchor at (1, 3)
  for (int i = 0; i < 3; ++i) {
    frame(true);
    EXPECT_FALSE(game->IsComposedDrawn());
  }
  // Picked up and put down off the board's cells: it lies still.
  ClickAt(CellPoint(1, 0).x, CellPoint(1, 0).y);
  ClickAt(TrayPoint(1).x, 700);
  Steps(1);
  same("a block put down beside the cells");

  // The display lost and back: every surface made again, the picture too.
  frame(true);
  sdev::test::Fault::LoseDevice();
  EXPECT_FALSE(TRenderer::GetInstance()->BeginDraw());
  sdev::test::Fault::RegainFocus();
  same("after a device loss");

  // While the journal shows, the pieces are drawn.
  ClickAt(20 + 32, 684 + 32);
  Steps(30);
  ASSERT_TRUE(game->IsLogBookOpen());
  frame(true);
  frame(true);
  EXPECT_FALSE(game->IsComposedDrawn());

  // A background that lets what lies under it show is never composed.
  wm->PopModal();
  Tick(16);
  Png("t/bg.png", 1024, 768, [](int x, int y) { return x < 8 && y < 8 ? 0x80101820u : mgtest::kBack; });
  ASSERT_TRUE(Open());
  for (int i = 0; i < 3; ++i) {
    frame(true);
    EXPECT_FALSE(game->IsComposedDrawn());
  }
}

// A file whose pre-filled cells break the rule, or whose board has no
// completion, is played: skip ends it with the candidates' own filling (a
// cell where no kind may stand stays empty), and the normal end follows.
TEST_F(TMiniGameTest, FilesThatBreakTheRuleOrHaveNoCompletionPlayAndSkipEndsThem) {
  // Two pre-filled fish in row 0.
  ASSERT_TRUE(Open(mgtest::BlocksFile("<Block x=\"0\" y=\"0\" type=\"1\"/><Block x=\"3\" y=\"0\" type=\"1\"/>")));
  EXPECT_FALSE(game->IsLoadFailed());
  EXPECT_EQ(game->pieces.size(), 14u);
  ClickAt(970, 630);  // the frame's skip button
  ASSERT_TRUE(game->skipped);
  EXPECT_EQ(game->pieces.size(), 14u);
  for (const BlockPiece& piece : game->pieces) EXPECT_TRUE(piece.correct);
  Steps(1);
  EXPECT_EQ(game->slideState, 1);

  // (0, 0) sees kinds 0 and 1 in its row, 2 and 3 in its column: no kind fits.
  ASSERT_TRUE(Open(mgtest::BlocksFile("<Block x=\"1\" y=\"0\" type=\"0\"/><Block x=\"2\" y=\"0\" type=\"1\"/>"
                                      "<Block x=\"0\" y=\"1\" type=\"2\"/><Block x=\"0\" y=\"2\" type=\"3\"/>")));
  EXPECT_FALSE(game->IsLoadFailed());
  EXPECT_EQ(game->pieces.size(), 12u);
  game->SkipGame();
  ASSERT_TRUE(game->skipped);
  EXPECT_TRUE(log.Contains("mg01window: the board has no completion; skip fills it"));
  EXPECT_EQ(game->cells[0].piece, -1);
  EXPECT_EQ(game->pieces.size(), 11u);
  Steps(1);
  EXPECT_EQ(game->slideState, 1);

  // Five pre-filled crates of kind 3: none of it in the tray and four less
  // the pre-filled of each other kind, seven crates for six free cells.
  // Every cell filled, one crate stays in the tray and the board is not
  // solved; skip makes the crates from the cells, and the end follows.
  ASSERT_TRUE(Open(mgtest::BlocksFile("<Block x=\"2\" y=\"0\" type=\"2\"/><Block x=\"3\" y=\"0\" type=\"3\"/>"
                                      "<Block x=\"2\" y=\"1\" type=\"3\"/><Block x=\"3\" y=\"1\" type=\"0\"/>"
                                      "<Block x=\"0\" y=\"2\" type=\"3\"/><Block x=\"1\" y=\"2\" type=\"3\"/>"
                                      "<Block x=\"3\" y=\"2\" type=\"1\"/><Block x=\"0\" y=\"3\" type=\"3\"/>"
                                      "<Block x=\"1\" y=\"3\" type=\"0\"/><Block x=\"2\" y=\"3\" type=\"1\"/>")));
  EXPECT_FALSE(game->IsLoadFailed());
  ASSERT_EQ(game->pieces.size(), 7u);
  EXPECT_TRUE(log.Contains("Mini-game file assets/minigame1_1.xml: the tray holds 7 blocks for 6 free cells"));
  std::vector<int> kinds;
  for (const BlockPiece& piece : game->pieces) kinds.push_back(piece.type);
  EXPECT_EQ(kinds, (std::vector<int>{0, 0, 1, 1, 2, 2, 2}));
  EXPECT_EQ(game->pieces[6].pos, TVec2(396 + 3 * 84, 671));  // the second row's fourth
  // The one right filling of the free cells (column, row, crate): (0,0) 0,
  // (1,0) 1, (0,1) 1, (1,1) 2, (2,2) 0, (3,3) 2; the last crate of kind 2 is left.
  const int free[6][3] = {{0, 0, 0}, {1, 0, 2}, {0, 1, 3}, {1, 1, 4}, {2, 2, 1}, {3, 3, 5}};
  for (const auto& f : free) {
    const TVec2 at = game->pieces[size_t(f[2])].pos;
    ClickAt(int(at.x) + 32, int(at.y) + 32);
    ClickAt(CellPoint(f[0], f[1]).x, CellPoint(f[0], f[1]).y);
  }
  for (const auto& f : free) EXPECT_EQ(game->cells[size_t(4 * f[1] + f[0])].piece, f[2]);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(game->pieces[size_t(i)].correct) << i;
  EXPECT_TRUE(game->pieces[6].inTray);
  Steps(5);
  EXPECT_FALSE(game->solved);
  EXPECT_EQ(game->slideState, 0);
  game->SkipGame();
  ASSERT_TRUE(game->skipped);
  EXPECT_EQ(game->pieces.size(), 6u);
  for (const BlockPiece& piece : game->pieces) EXPECT_FALSE(piece.inTray);
  Steps(1);
  EXPECT_EQ(game->slideState, 1);
}
