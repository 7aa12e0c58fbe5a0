// The keys game's window on the software display: loading and refusing
// files, carrying keys through the mouse, turning, the captions, the skip
// with a key in the hand, the end of play and the layers of its picture.
#include <gtest/gtest.h>

#include <set>

#include "game/shell/widgets/gamebutton.h"
#include "render/text/textsprite.h"
#include "tests/game/minigames/mapkeysfixture.h"
#include "ui/message.h"

using mgtest::TMapKeysTest;

namespace {

// The sum of the red channel over the caption's area (white text on the dark background).
long CaptionLight(const sdev::test::Frame& f) {
  long sum = 0;
  for (int y = 10; y < 75; ++y)
    for (int x = 300; x < 724; ++x) sum += widgettest::Channel(f.At(x, y), 16) - 0x10;
  return sum;
}

}  // namespace

using TKeysWindowTest = TMapKeysTest;

TEST_F(TKeysWindowTest, LoadsTheKeysInARowAndShufflesTheTray) {
  ASSERT_TRUE(OpenKeys());
  EXPECT_FALSE(keys->IsLoadFailed());
  ASSERT_EQ(keys->board.keys.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(keys->board.keys[size_t(i)].homePos, TVec2(200.0f + 40 * i, 100));
    EXPECT_EQ(keys->board.keys[size_t(i)].puzzlePos, TVec2(200.0f + 40 * i, 200));
  }
  std::vector<int> tray = keys->board.TrayOrder();
  EXPECT_EQ(std::set<int>(tray.begin(), tray.end()), (std::set<int>{0, 1, 2}));
  EXPECT_EQ(keys->board.platePos, TVec2(150, 80));
  EXPECT_EQ(keys->board.plateHeight, 300);
  EXPECT_EQ(keys->GetSetKeyNum(), 3);
  EXPECT_FALSE(keys->canRestart);
  EXPECT_EQ(keys->GetButton("restart"), nullptr);
  EXPECT_TRUE(log.Contains("mg03window: 3 keys, 4 positions a turn; they start at "));
}

TEST_F(TKeysWindowTest, RefusedFilesEndAsSkippedGames) {
  std::string noKeys = mgtest::KeysFile();
  noKeys.erase(noKeys.find("<Keys"), noKeys.find("<TutorScripts") - noKeys.find("<Keys"));
  ASSERT_TRUE(OpenKeys(noKeys));
  EXPECT_TRUE(keys->IsLoadFailed());
  EXPECT_TRUE(log.Contains("Mini-game file assets/minigame3_1.xml: it has no \"Keys\" element"));
  ClickAt(320, 630);
  keys->SkipGame();
  DrawFrame();
  Tick(16);
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
}

TEST_F(TKeysWindowTest, TheLastKeyInOpensItsScreenAndTheSecondCaption) {
  ASSERT_TRUE(OpenKeys());
  ClickPoint(Tray(0));
  Up(Tray(0).x, Tray(0).y);  // a release leaves the key in the hand
  EXPECT_EQ(keys->board.heldKey, 0);
  ClickPoint(Hole(1));  // another key's keyhole: back to the tray
  EXPECT_TRUE(keys->board.keys[0].inTray);
  Insert(0);
  Insert(1);
  EXPECT_FALSE(keys->GetTutor().IsActive());
  Insert(2);
  EXPECT_FALSE(keys->board.captionFadeDone);
  Steps(2);
  EXPECT_TRUE(keys->GetTutor().IsBoxShown());
  EXPECT_EQ(keys->GetTutor().GetScreens()[size_t(keys->GetTutor().GetCurrentScreen())].id, 3);
}

TEST_F(TKeysWindowTest, TheKeyInTheHandFollowsThePointerInsteadOfItsPreview) {
  ASSERT_TRUE(OpenKeys());
  const TRect place = keys->board.keys[1].previewRect;
  const sdev::test::Frame* f = &DrawFrame();
  EXPECT_EQ(f->At(place.left + 5, place.top + 5), mgtest::kPreview[1]);
  ClickPoint(Tray(1));
  Move(600, 300);
  f = &DrawFrame();
  EXPECT_EQ(f->At(place.left + 5, place.top + 5), mgtest::kPane);
  EXPECT_EQ(f->At(600, 290), mgtest::kHeld);  // left edge at the pointer, centred on it upright
  EXPECT_EQ(f->At(629, 309), mgtest::kHeld);
  EXPECT_EQ(f->At(599, 300), mgtest::kPlate);
  EXPECT_EQ(f->At(600, 289), mgtest::kPlate);
}

TEST_F(TKeysWindowTest, TurningKeysAndTheTurningKeyOnTop) {
  ASSERT_TRUE(OpenKeys(mgtest::KeysFile(3, "text=\"MMMM\"", "count_turns=\"1\"")));
  Insert(0);
  Insert(1);
  Steps(70);  // the tiles fade in
  ASSERT_TRUE(keys->board.keys[0].fadeDone);
  // Key 0 reaches over key 1's keyhole; key 1 is drawn later, on top.
  const sdev::test::Frame* f = &DrawFrame();
  EXPECT_EQ(f->At(250, 105), mgtest::kKey[1]);
  EXPECT_EQ(f->At(205, 205), mgtest::kTile[0]);
  ClickPoint(Hole(0));  // a full turn: key 0 now drawn above the others
  EXPECT_EQ(keys->board.turningKey, 0);
  f = &DrawFrame();
  EXPECT_EQ(f->At(250, 105), mgtest::kKey[0]);
  ClickPoint(Hole(1));  // no second turn while one runs
  EXPECT_EQ(keys->board.keys[1].turnState, KeySlot::kIdle);
  Steps(35);
  EXPECT_EQ(keys->board.turningKey, -1);
  f = &DrawFrame();
  EXPECT_EQ(f->At(250, 105), mgtest::kKey[1]);
}

// Without a screen for the last key, so that no tutorial shadow dims the picture.
std::string OneKey(const std::string& captions) {
  std::string file = mgtest::KeysFile(1, captions);
  file.replace(file.find("setKeyNum=\"3\""), 13, "setKeyNum=\"9\"");
  return file;
}

TEST_F(TKeysWindowTest, CaptionsCrossFade) {
  ASSERT_TRUE(OpenKeys(OneKey("text=\"MMMM\"")));
  keys->board.keys[0].step = 1;  // turned away: the plate stays where it is
  const long first = CaptionLight(DrawFrame());
  EXPECT_GT(first, 10000);
  Insert(0);
  Steps(31);  // half of the second's fade
  EXPECT_NEAR(keys->board.captionFade, 0.5, 0.02);
  Steps(40);
  // No "text2" in this file: the second caption says what the first did.
  EXPECT_NEAR(double(CaptionLight(DrawFrame())), double(first), double(first) * 0.02);

  wm->PopModal();
  Tick(16);
  ASSERT_TRUE(OpenKeys(OneKey("text2=\"MMMM\"")));
  EXPECT_LT(CaptionLight(DrawFrame()), first / 50);
  Insert(0);
  Steps(31);
  EXPECT_NEAR(double(CaptionLight(DrawFrame())), double(first) * keys->board.captionFade, double(first) * 0.08);
}

TEST_F(TKeysWindowTest, ASkipWithAKeyInTheHandLeavesTheGameAnsweringClicks) {
  ASSERT_TRUE(OpenKeys());
  ClickPoint(Tray(2));
  ASSERT_EQ(keys->board.heldKey, 2);
  // A skip that does not come from the skip button (which a held key keeps
  // from the mouse): the command as a script or a key would send it.
  TMessage skip(kButtonPress, "skipgame", 0);
  keys->OnMessage(&skip);
  EXPECT_EQ(keys->board.heldKey, -1);
  EXPECT_TRUE(keys->board.skipped);
  EXPECT_TRUE(log.Contains("mg03window: skipped; every key goes home (the key in the hand first)"));
  Steps(100);  // fades and turns home
  ASSERT_TRUE(keys->board.solved);
  Steps(320 + 64);  // the slide and the win counter
  ASSERT_TRUE(keys->isWon);
  Steps(2);
  ASSERT_TRUE(keys->GetTutor().IsBoxShown());
  ClickAt(620, 575);  // the closing message's close button gets the click
  Tick(16);
  EXPECT_EQ(GetShadowTarget(), "mg03window");
}

