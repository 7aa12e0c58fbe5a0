// The wounds game's window: opened by its script, the tools taken from the
// pane, dirt brushed off and wounds disinfected as the player does it, the
// drawing of dirt, wounds and tools, a device loss in the middle of play,
// brushing that stops when the button goes up anywhere or the mouse leaves,
// the dirt-back message, the win, the skip and a refused file.
#include <gtest/gtest.h>

#include <vector>

#include "game/minigames/mg06window.h"
#include "platform/task.h"
#include "render/renderer.h"
#include "render/sdev/fault.h"
#include "tests/game/minigames/mgfixture.h"
#include "ui/message.h"

namespace {

constexpr uint32_t kRed = 0xFFC02020u, kBlue = 0xFF2040C0u, kPurple = 0xFF8020A0u, kWhite = 0xFFF0F0F0u;

uint32_t DirtPixel(int x, int y) {
  const uint32_t a = uint32_t(60 + (x * 7 + y * 13) % 196);
  return (a << 24) | 0x604020u;
}

// Wounds at (100, 100) and (300, 100), dirt 60 x 40, wound pictures 20 x 10
// centred (at (120, 115) and (320, 115)); tools from (100, 650): the brush's
// preview (100, 650)-(130, 670), the bottle's (140, 650)-(170, 670).
std::string WoundsFile(const std::string& common = "") {
  return "<MiniGame6><Common background='t/bg' pane='t6/pane' mainCursor='t/cursor' text='caption'"
         " text_pos='512, 40' win_counter='1' finMessageNum='1' bitNum='3' cursor_brush='t6/brush'"
         " part_find_pixels='0.9' part_find_pixels_for_tutor='0.3' " + common + "/>"
         "<Text font='' fh='24' color='255, 255, 255, 255' rect='0, 0, 600, 40' xAlign='2' yAlign='2'/>"
         "<Wounds><Wound pos='100, 100' image_dirt='t6/dirt1' image_wound='t6/wound'/>"
         "<Wound pos='300, 100' image_dirt='t6/dirt2' image_wound='t6/wound'/></Wounds>"
         "<Tools preview_pos='100, 650'><Tool preview='t6/bs' image='t6/b'/><Tool preview='t6/ds' image='t6/d'/></Tools>"
         "<TutorScripts><TutorScript id='1' do_in_end='CloseMG()'><Item><text name='won'/></Item></TutorScript>"
         "<TutorScript id='3'><Item><text name='again'/></Item></TutorScript></TutorScripts></MiniGame6>";
}

class TWoundsWindowTest : public mgtest::TMiniGameTest {
protected:
  TWoundsWindowTest() {
    Solid("t6/pane.png", 1024, 150, mgtest::kPane);
    Png("t6/dirt1.png", 60, 40, DirtPixel);
    Png("t6/dirt2.png", 60, 40, DirtPixel);
    Png("t6/wound.png", 20, 10, [](int x, int y) { return (y == 0 && x < 10) ? 0u : kRed; });
    // 15 x 15: opaque in the middle 7 x 7, light around.
    Png("t6/brush.png", 15, 15, [](int x, int y) {
      return (std::abs(x - 7) <= 3 && std::abs(y - 7) <= 3) ? 0xFF000000u : 0x5A000000u;
    });
    Solid("t6/bs.png", 30, 20, kBlue);
    Solid("t6/ds.png", 30, 20, kPurple);
    Solid("t6/b.png", 24, 24, kWhite);
    Solid("t6/d.png", 24, 24, kWhite);
    Write("scripts/mg06window.lua", mgtest::GameScript("mg06window"));
    wm->RegisterWindowType("mg06window", TMG06Window::ClassCreator());
    sdev::test::Fault::Reset();
  }
  ~TWoundsWindowTest() override { handler->runRestoreTasks = nullptr; }

  TMG06Window* OpenWounds(const std::string& file = WoundsFile()) {
    Write("minigame6_1.xml", file);
    Lua("DoModal('scripts/mg06window.lua')");
    wounds = nullptr;
    if (TWindow* top = wm->GetTopModal())
      for (TWindow* child : top->GetChildren())
        if (!wounds) wounds = WindowCast<TMG06Window>(child);
    if (!wounds)
      for (const std::string& line : log.Lines()) ADD_FAILURE() << line;
    mgtest::ExpectWholeDisplay(wounds);
    return wounds;
  }

  void TakeTool(int i) {
    ClickAt(110 + 40 * i, 655);
    ASSERT_EQ(wounds->board.held, i);
  }
  // Brushes the wound at `left` clean with strokes over its dirt.
  void BrushClean(int w) {
    Wound& wound = wounds->board.wounds[size_t(w)];
    const int left = int(wound.position.x), top = int(wound.position.y);
    Move(left + 2, top + 2);
    Down(left + 2, top + 2);
    for (int y = top + 2; y < top + 40 && wound.dirty; y += 4)
      for (int x = left + 2; x < left + 60 && wound.dirty; x += 4) Move(x, y);
    Up(left + 30, top + 20);
    ASSERT_FALSE(wound.dirty);
  }
  std::vector<uint32_t> Pixels(const boost::shared_ptr<TTexture>& t) {
    TextureLock lock(t);
    std::vector<uint32_t> out;
    if (!lock.ok()) return out;
    for (int y = 0; y < lock.view().height; ++y)
      for (int x = 0; x < lock.view().width; ++x) out.push_back(lock.view().pixels[size_t(y) * lock.view().pitch + x]);
    return out;
  }
  std::vector<uint32_t> Region(const sdev::test::Frame& f, const TRect& r) {
    std::vector<uint32_t> out;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) out.push_back(f.At(x, y));
    return out;
  }

  TMG06Window* wounds = nullptr;
};

TEST_F(TWoundsWindowTest, ADeviceLossInTheMiddleRestoresTheWoundsAsTheyWere) {
  ASSERT_TRUE(OpenWounds());
  ASSERT_NE(wounds->GetRefreshTask(), nullptr);
  TakeTool(kBrushTool);
  Down(130, 120);
  Move(132, 121);
  Move(140, 125);
  Move(150, 118);
  Move(320, 130);
  Up(320, 130);
  const std::vector<uint32_t> first = Pixels(wounds->board.wounds[0].dirtImage);
  const std::vector<uint32_t> second = Pixels(wounds->board.wounds[1].dirtImage);
  int cleared = 0, lighter = 0;
  for (size_t k = 0; k < first.size(); ++k) {
    const uint32_t was = DirtPixel(int(k % 60), int(k / 60)) >> 24, now = first[k] >> 24;
    cleared += now == 0;
    lighter += now != 0 && now < was;
  }
  ASSERT_GT(cleared, 20);
  ASSERT_GT(lighter, 20);
  const TRect area(90, 90, 380, 150);
  const std::vector<uint32_t> before = Region(DrawFrame(), area);

  // The platform's restore list holds the window's task.
  TTaskList restore;
  restore.Add(wounds->GetRefreshTask());
  handler->runRestoreTasks = [&restore] { restore.Run(0); };
  sdev::test::Fault::LoseDevice();
  EXPECT_FALSE(TRenderer::GetInstance()->BeginDraw());
  sdev::test::Fault::RegainFocus();
  const std::vector<uint32_t> after = Region(DrawFrame(), area);
  restore.Remove(wounds->GetRefreshTask());
  handler->runRestoreTasks = nullptr;
  EXPECT_EQ(Pixels(wounds->board.wounds[0].dirtImage), first);
  EXPECT_EQ(Pixels(wounds->board.wounds[1].dirtImage), second);
  ASSERT_EQ(after.size(), before.size());
  int differ = 0;
  for (size_t k = 0; k < after.size(); ++k) differ += after[k] != before[k];
  EXPECT_EQ(differ, 0);
}

TEST_F(TWoundsWindowTest, OneRefreshTaskForTheWindowsLife) {
  ASSERT_TRUE(OpenWounds());
  TextureRefreshTaskMG06* task = wounds->GetRefreshTask();
  ASSERT_NE(task, nullptr);
  TakeTool(kBrushTool);
  wounds->RestartGame();
  EXPECT_EQ(wounds->GetRefreshTask(), task);
  EXPECT_EQ(wounds->board.held, -1);
  EXPECT_EQ(wounds->board.wounds.size(), 2u);
  EXPECT_TRUE(task->DoTask());  // stays in the list
}

TEST_F(TWoundsWindowTest, BrushingStopsWhenTheButtonGoesUpAnywhereOrTheMouseLeaves) {
  ASSERT_TRUE(OpenWounds());
  TakeTool(kBrushTool);
  Down(130, 120);
  Move(131, 121);
  ASSERT_TRUE(wounds->board.mousePressed);
  // The dirt-back message opens between press and release; its box takes the release.
  wounds->StartTutorScreen(3);
  for (int i = 0; i < 100 && !wounds->GetTutor().IsBoxShown(); ++i) Tick(16);
  ASSERT_TRUE(wounds->GetTutor().IsBoxShown());
  Up(620, 575);
  EXPECT_FALSE(wounds->board.mousePressed);
  if (wounds->GetTutor().IsActive()) ClickAt(620, 575);
  for (int i = 0; i < 100 && wounds->GetTutor().IsActive(); ++i) Tick(16);
  ASSERT_FALSE(wounds->GetTutor().IsActive());
  const std::vector<uint32_t> still = Pixels(wounds->board.wounds[0].dirtImage);
  Move(140, 125);
  Move(150, 130);
  EXPECT_EQ(Pixels(wounds->board.wounds[0].dirtImage), still);

  // Pressed again; the mouse leaves the window.
  Down(140, 125);
  Move(141, 125);
  ASSERT_TRUE(wounds->board.mousePressed);
  Send(kEventMouseLeave);
  EXPECT_FALSE(wounds->board.mousePressed);
  const std::vector<uint32_t> left = Pixels(wounds->board.wounds[0].dirtImage);
  Move(145, 128);
  EXPECT_EQ(Pixels(wounds->board.wounds[0].dirtImage), left);
}

TEST_F(TWoundsWindowTest, CleanWoundsShowTheirWoundUntilDisinfectedAndTheToolIsDrawnLast) {
  ASSERT_TRUE(OpenWounds());
  const auto& start = DrawFrame();
  EXPECT_TRUE(widgettest::Close(start.At(125, 120), kRed));  // the wound over its dirt
  EXPECT_FALSE(widgettest::Close(start.At(105, 105), mgtest::kBack, 8));
  EXPECT_TRUE(widgettest::Close(start.At(115, 660), kBlue));
  EXPECT_TRUE(widgettest::Close(start.At(155, 660), kPurple));
  TakeTool(kBrushTool);
  BrushClean(0);
  const auto& clean = DrawFrame();
  EXPECT_TRUE(widgettest::Close(clean.At(105, 105), mgtest::kBack));  // no dirt once clean
  EXPECT_TRUE(widgettest::Close(clean.At(125, 120), kRed));
  EXPECT_FALSE(widgettest::Close(clean.At(305, 105), mgtest::kBack, 8));  // the other is still dirty
  // The tool in the hand lies over the frame's menu button.
  Move(30, 615);
  const auto& over = DrawFrame();
  EXPECT_TRUE(widgettest::Close(over.At(40, 625), kWhite)) << std::hex << over.At(40, 625);
  // Back to the pane (below its top row), the bottle taken, the clean wound disinfected.
  ClickAt(400, 619);
  EXPECT_EQ(wounds->board.held, -1);
  TakeTool(kDisinfectantTool);
  ClickAt(125, 115);  // a clear pixel of the wound picture
  EXPECT_TRUE(wounds->board.wounds[0].needsDisinfection);
  ClickAt(325, 120);  // the dirty wound
  EXPECT_TRUE(wounds->board.wounds[1].needsDisinfection);
  ClickAt(125, 116);
  EXPECT_FALSE(wounds->board.wounds[0].needsDisinfection);
  const auto& healed = DrawFrame();
  EXPECT_TRUE(widgettest::Close(healed.At(122, 118), mgtest::kBack));
}

TEST_F(TWoundsWindowTest, EveryWoundCleanAndDisinfectedEndsTheGame) {
  ASSERT_TRUE(OpenWounds());
  TakeTool(kBrushTool);
  BrushClean(0);
  BrushClean(1);
  ClickAt(400, 700);
  TakeTool(kDisinfectantTool);
  ClickAt(130, 120);
  // Every wound clean but one still to disinfect: the game goes on.
  for (int i = 0; i < 5; ++i) Tick(16);
  EXPECT_FALSE(wounds->board.solved);
  ClickAt(330, 120);
  int steps = 0;
  while (!wounds->isWon && steps < 1000) {
    Tick(16);
    ++steps;
  }
  EXPECT_TRUE(wounds->board.solved);
  EXPECT_FALSE(wounds->board.tools[1].taken);  // back in the pane
  EXPECT_NEAR(steps * 0.016, 1.0, 0.05);
  EXPECT_TRUE(log.Contains("mg06window: every wound is clean and disinfected"));
  for (int i = 0; i < 100 && !wounds->GetTutor().IsBoxShown(); ++i) Tick(16);
  ClickAt(620, 575);
  Steps(2);
  EXPECT_TRUE(wounds->board.finishStarted);
  EXPECT_EQ(GetShadowTarget(), "mg06window");
  EXPECT_EQ(log.Count("mg06window: the game ends won"), 1u);
}

TEST_F(TWoundsWindowTest, DirtBackAfterTheTutorShareShowsItsMessageAndPutsTheToolBack) {
  ASSERT_TRUE(OpenWounds(WoundsFile("disinfectionTime='0.5'")));
  TakeTool(kBrushTool);
  BrushClean(0);
  ASSERT_TRUE(wounds->board.tutorShareReached);
  Move(600, 300);  // the brush leaves it: counting
  int steps = 0;
  while (!wounds->board.wounds[0].dirty && steps < 200) {
    Tick(16);
    ++steps;
  }
  EXPECT_TRUE(wounds->board.wounds[0].dirty);
  EXPECT_NEAR(steps * 0.016, 0.5, 0.05);
  EXPECT_EQ(wounds->board.wounds[0].cleanedCount, 0);
  EXPECT_EQ(Pixels(wounds->board.wounds[0].dirtImage)[size_t(10 * 60 + 10)] >> 24, DirtPixel(10, 10) >> 24);
  EXPECT_TRUE(wounds->GetTutor().IsActive());
  EXPECT_EQ(wounds->board.held, -1);
  EXPECT_FALSE(wounds->board.tools[0].taken);
  // The never-brushed wound still waits with all its dirt.
  EXPECT_EQ(wounds->board.wounds[1].alphaMap, wounds->board.wounds[1].initialAlphaMap);
}

TEST_F(TWoundsWindowTest, ARefusedFileEndsAsASkippedGameAndOneWithNothingToBrushIsSolvedAtOnce) {
  std::string file = WoundsFile();
  file.replace(file.find("t6/brush"), 8, "t6/none");
  ASSERT_TRUE(OpenWounds(file));
  EXPECT_TRUE(wounds->IsLoadFailed());
  EXPECT_TRUE(log.Contains("Mini-game file assets/minigame6_1.xml: the brush \"t6/none\" cannot be loaded"));
  Steps(1);
  EXPECT_TRUE(log.Contains("mg06window: the game cannot be played; it counts as skipped"));
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
  EXPECT_EQ(GetGameProgress().levelId, 2);  // the level went on
  Steps(5);
  EXPECT_EQ(log.Count("mg06window: the game ends won"), 1u);

  // No "cursor_brush", no wound and one tool: the game plays and is won at once.
  wm->PopModal();
  Tick(16);
  ResetShadowState();
  file = WoundsFile();
  file.replace(file.find("cursor_brush='t6/brush'"), 23, "");
  file.replace(file.find("<Wounds>"), file.find("</Wounds>") - file.find("<Wounds>"), "<Wounds>");
  file.replace(file.find("<Tool preview='t6/ds' image='t6/d'/>"), 36, "");
  ASSERT_TRUE(OpenWounds(file));
  EXPECT_FALSE(wounds->IsLoadFailed());
  EXPECT_TRUE(log.Contains("it names no brush"));
  EXPECT_EQ(wounds->board.tools.size(), 1u);
  Steps(1);
  EXPECT_TRUE(wounds->board.solved);
}

}  // namespace
