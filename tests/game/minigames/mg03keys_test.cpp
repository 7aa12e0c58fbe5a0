// The keys game's board: its file, the layout of rows and tray, the random
// start and the shuffle, carrying, inserting and turning keys, the win slide,
// the skip and the end of play.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <cmath>
#include <set>
#include <string>

#include "game/minigames/mg03keys.h"
#include "platform/log.h"
#include "platform/random.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kDt = 0.016f;

struct TParsed {
  TiXmlDocument doc;
  KeysFileData data;
  TString why;
  bool ok = false;
};

std::string Key(int n, const std::string& extra = "") {
  std::string s = std::to_string(n);
  return "<Key keyhole='h" + s + "' " + extra + " img_key='k" + s + "' puzzle_elem='e" + s + "' key_preview='p" + s +
         "' key_cursor='c" + s + "'/>";
}

std::string Keys(int count) {
  std::string s;
  for (int i = 1; i <= count; ++i) s += Key(i);
  return s;
}

std::unique_ptr<TParsed> Read(const std::string& common, const std::string& keysAttrs, const std::string& keys) {
  auto p = std::make_unique<TParsed>();
  std::string xml = "<MiniGame3><Common " + common + "/><Keys " + keysAttrs + ">" + keys + "</Keys></MiniGame3>";
  p->doc.Parse(xml.c_str());
  const TiXmlElement* root = p->doc.RootElement();
  EXPECT_NE(root, nullptr) << xml;
  if (root) p->ok = ReadKeysFile(root, root->FirstChildElement("Common"), &p->data, &p->why);
  return p;
}

// Keyholes 40 x 40 at y 100, elements 30 wide at y 300, previews 50 x 20 at y 600 (tray from x 0).
std::vector<KeyImages> Images(size_t n) {
  std::vector<KeyImages> images(n);
  for (KeyImages& k : images) {
    k.keyholeSize = TPoint(40, 40);
    k.puzzleSize = TPoint(30, 30);
    k.previewSize = TPoint(50, 20);
    k.cursorSize = TPoint(16, 24);
  }
  return images;
}

KeysBoard Board(int keys, int turns, uint32_t seed = 7, float win = 2) {
  auto p = Read("", "pos='0, 100' puzzle_pos='0, 300' preview_pos='0, 600' count_turns='" + std::to_string(turns) + "'",
                Keys(keys));
  EXPECT_TRUE(p->ok);
  TRandom random(seed);
  KeysBoard b;
  b.Build(p->data, Images(p->data.keys.size()), random, win);
  b.plateHeight = 200;
  return b;
}

// Presses: the tray place of key i, and the keyhole of key i.
KeysBoard::PressResult Pick(KeysBoard& b, size_t i) {
  return b.Press(b.keys[i].previewRect.left + 1, b.keys[i].previewRect.top + 1);
}
KeysBoard::PressResult AtHole(KeysBoard& b, size_t i) {
  return b.Press(int(b.keys[i].homePos.x) + 5, int(b.keys[i].homePos.y) + 5);
}

void Play(KeysBoard& b, float seconds) {
  for (float t = 0; t < seconds; t += kDt) b.Update(kDt, false, false, false);
}

}  // namespace

TEST(KeysFile, SixKeysWithASecondRow) {
  auto p = Read("", "pos='100, 50' puzzle_pos='100, 300' preview_pos='10, 600' pos_2='120, 150' count_turns='4'",
                Key(1) + Key(2) + Key(3) + Key(4) + Key(5, "key_pos='130, 160'") + Key(6));
  ASSERT_TRUE(p->ok) << p->why.c_str();
  ASSERT_TRUE(p->data.secondRow);
  EXPECT_EQ(p->data.puzzlePos2, TVec2(0, 0));  // absent: (0, 0)
  TRandom random(1);
  KeysBoard b;
  b.Build(p->data, Images(6), random, 2);
  ASSERT_EQ(b.keys.size(), 6u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(b.keys[size_t(i)].homePos, TVec2(100.0f + 40 * i, 50)) << i;
    EXPECT_EQ(b.keys[size_t(i)].puzzlePos, TVec2(100.0f + 30 * i, 300)) << i;
  }
  EXPECT_EQ(b.keys[4].homePos, TVec2(120, 150));
  EXPECT_EQ(b.keys[5].homePos, TVec2(160, 150));
  EXPECT_EQ(b.keys[4].keyPos, TVec2(130, 160));
  EXPECT_EQ(b.keys[5].keyPos, b.keys[5].homePos);  // no "key_pos": the keyhole's corner
  EXPECT_EQ(b.keys[4].puzzlePos, TVec2(0, 0));
  EXPECT_EQ(b.keys[5].puzzlePos, TVec2(30, 0));
  // The tray: one row of six places from the tray's start, shuffled among themselves.
  std::set<int> lefts;
  for (const KeySlot& k : b.keys) {
    EXPECT_EQ(k.previewRect.top, 600);
    EXPECT_EQ(k.previewRect.Width(), 50);
    lefts.insert(k.previewRect.left);
  }
  EXPECT_EQ(lefts, (std::set<int>{10, 60, 110, 160, 210, 260}));
}

TEST(KeysFile, KeyPosIsReadOnlyWithASecondRow) {
  auto p = Read("", "pos='5, 6' count_turns='2'", Key(1, "key_pos='70, 80'") + Key(2));
  ASSERT_TRUE(p->ok);
  EXPECT_EQ(p->data.keys[0].keyPosNumbers, 0);
  TRandom random(1);
  KeysBoard b;
  b.Build(p->data, Images(2), random, 2);
  EXPECT_EQ(b.keys[0].keyPos, TVec2(5, 6));
}

TEST(KeysFile, AbsentValuesReadTheTextBeforeThemNumberByNumber) {
  auto p = Read("text='mg3_caption' setKeyNum='3' plate='mg3/plate;212, 80'", "puzzle_pos='262, 330' count_turns='4'",
                Keys(3));
  ASSERT_TRUE(p->ok);
  EXPECT_EQ(p->data.text2, "mg3_caption");  // both captions say the same
  EXPECT_EQ(p->data.pos, TVec2(0, 0));
  EXPECT_EQ(p->data.previewPos, TVec2(262, 330));  // "puzzle_pos" read again
  EXPECT_EQ(p->data.startMessageNum, -1);
  EXPECT_EQ(p->data.finMessageNum, 1);
  EXPECT_EQ(p->data.setKeyNum, 3);
  EXPECT_EQ(p->data.plate, "mg3/plate");
  EXPECT_EQ(p->data.platePos, TVec2(212, 80));
  EXPECT_FALSE(p->data.secondRow);
  // This game's positions allow blanks on both sides of the comma.
  EXPECT_EQ(Read("", "pos='40 , 50' count_turns='4'", Keys(3))->data.pos, TVec2(40, 50));
  // A number that does not read keeps its value, and so do those after it.
  p = Read("text2='two' plate='mg3/plate;212'", "pos='40' preview_pos='7, x' pos_2='120, 150' count_turns='4'",
           Key(1, "key_pos='250, y'") + Key(2) + Key(3) + Key(4) + Key(5, "key_pos='z, 9'"));
  ASSERT_TRUE(p->ok);
  EXPECT_EQ(p->data.text2, "two");
  EXPECT_EQ(p->data.platePos, TVec2(212, 0));
  EXPECT_EQ(p->data.pos, TVec2(40, 0));
  EXPECT_EQ(p->data.puzzlePos, TVec2(40, 0));  // "pos" read again
  EXPECT_EQ(p->data.previewPos, TVec2(7, 0));
  TRandom random(1);
  KeysBoard b;
  b.Build(p->data, Images(5), random, 2);
  EXPECT_EQ(b.keys[0].keyPos, TVec2(250, 0));  // y stays the keyhole's
  EXPECT_EQ(b.keys[4].keyPos, b.keys[4].homePos);
}

TEST(KeysFile, FaultyValuesAreRefusedOrMendedWithALogLine) {
  TLogCapture log;
  auto noKeys = Read("", "", "");
  ASSERT_TRUE(noKeys->ok);
  EXPECT_EQ(noKeys->data.countTurns, 1);
  EXPECT_TRUE(log.Contains("\"count_turns\" should be 1 to 360 (got \"\"); 1 is used"));
  EXPECT_EQ(Read("", "count_turns='0'", "")->data.countTurns, 1);
  EXPECT_EQ(Read("", "count_turns='-4'", "")->data.countTurns, 1);
  EXPECT_EQ(Read("", "count_turns='99999'", "")->data.countTurns, kMaxCountTurns);
  auto plate = Read("plate='just-a-picture'", "count_turns='2'", "");
  EXPECT_EQ(plate->data.plate, "");
  EXPECT_TRUE(log.Contains("\"plate\" should be \"picture;x, y\""));
  auto missing = Read("", "count_turns='2'", Key(1) + "<Key keyhole='h' img_key='k'/>" + Key(3));
  EXPECT_EQ(missing->data.keys.size(), 2u);
  EXPECT_TRUE(log.Contains("key 2 left out"));
  std::string many;
  for (int i = 0; i < 100; ++i) many += Key(i);
  EXPECT_EQ(Read("", "count_turns='2'", many)->data.keys.size(), size_t(kMaxKeys));
  TiXmlDocument doc;
  doc.Parse("<R><Common/></R>");
  KeysFileData data;
  TString why;
  EXPECT_FALSE(ReadKeysFile(doc.RootElement(), doc.RootElement()->FirstChildElement("Common"), &data, &why));
  EXPECT_EQ(why, "it has no \"Keys\" element");
}

TEST(KeysShuffle, EveryKeySwapsWithAnotherSoTwoKeysStayInFileOrder) {
  for (int n = 0; n <= 12; ++n)
    for (uint32_t seed = 1; seed <= 40; ++seed) {
      KeysBoard b = Board(n, 4, seed);
      ASSERT_EQ(b.keys.size(), size_t(n));
      std::vector<int> order = b.TrayOrder();
      std::set<int> places(order.begin(), order.end());
      EXPECT_EQ(places.size(), size_t(n));  // a permutation of the places
      if (n == 1) {
        EXPECT_EQ(order[0], 0);
      }
      if (n == 2) {
        EXPECT_EQ(order, (std::vector<int>{0, 1}));  // the two swaps undo each other
      }
    }
  KeysBoard two = Board(2, 4);
  EXPECT_EQ(two.keys[0].previewRect.left, 0);
  EXPECT_EQ(two.keys[1].previewRect.left, 50);
}

TEST(KeysShuffle, TheSameSeedGivesTheSameGame) {
  std::set<std::vector<int>> seen;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    KeysBoard a = Board(8, 6, seed), b = Board(8, 6, seed);
    std::vector<int> start;
    for (size_t i = 0; i < a.keys.size(); ++i) {
      EXPECT_EQ(a.keys[i].step, b.keys[i].step);
      EXPECT_EQ(a.keys[i].previewRect, b.keys[i].previewRect);
      EXPECT_FLOAT_EQ(a.keys[i].angle, float(a.keys[i].step) * 2 * kPi / 6);
      start.push_back(a.keys[i].step);
    }
    std::vector<int> order = a.TrayOrder();
    start.insert(start.end(), order.begin(), order.end());
    seen.insert(start);
  }
  EXPECT_GT(seen.size(), 15u);  // other seeds, other games
  // One position per turn: every key starts at 0.
  KeysBoard one = Board(5, 1);
  for (const KeySlot& k : one.keys) EXPECT_EQ(k.step, 0);
}

TEST(KeysRules, OnlyTheKeysOwnKeyholeTakesIt) {
  KeysBoard b = Board(3, 4);
  auto r = Pick(b, 0);
  EXPECT_TRUE(r.pickedUp);
  EXPECT_EQ(b.heldKey, 0);
  EXPECT_TRUE(b.keys[0].held);
  r = AtHole(b, 1);  // another key's keyhole: back to the tray, silently
  EXPECT_TRUE(r.dropped);
  EXPECT_FALSE(r.click);
  EXPECT_TRUE(b.keys[0].inTray);
  EXPECT_FALSE(b.keys[0].held);
  EXPECT_EQ(b.heldKey, -1);
  Pick(b, 0);
  r = b.Press(900, 10);  // nowhere
  EXPECT_TRUE(r.dropped);
  EXPECT_TRUE(b.keys[0].inTray);
  Pick(b, 0);
  r = AtHole(b, 0);
  EXPECT_TRUE(r.dropped);
  EXPECT_TRUE(r.click);
  EXPECT_FALSE(r.allIn);
  EXPECT_FALSE(b.keys[0].inTray);
  EXPECT_FALSE(b.keys[0].fadeDone);
  Pick(b, 1);
  AtHole(b, 1);
  Pick(b, 2);
  r = AtHole(b, 2);
  EXPECT_TRUE(r.allIn);
  EXPECT_FALSE(b.captionFadeDone);
  Play(b, 1.1f);
  EXPECT_TRUE(b.captionFadeDone);
  EXPECT_FLOAT_EQ(b.captionFade, 1);
}

TEST(KeysRules, ATurnFromTheLastPositionGoesOnToAFullTurn) {
  KeysBoard b = Board(1, 4);
  b.keys[0].step = 3;
  b.keys[0].angle = 3 * kPi / 2;
  Pick(b, 0);
  AtHole(b, 0);
  Play(b, 1.05f);  // the fade-in
  ASSERT_TRUE(b.keys[0].fadeDone);
  EXPECT_FLOAT_EQ(b.keys[0].alpha, 1);
  auto r = AtHole(b, 0);
  EXPECT_TRUE(r.click);
  EXPECT_EQ(b.keys[0].step, 0);
  EXPECT_EQ(b.turningKey, 0);
  b.Update(0.25f, false, false, false);
  EXPECT_NEAR(b.keys[0].angle, 7 * kPi / 4, 1e-5);  // halfway from 3/4 to a full turn
  b.Update(0.25f, false, false, false);
  EXPECT_NEAR(b.keys[0].angle, 2 * kPi, 1e-5);
  EXPECT_EQ(b.keys[0].turnState, KeySlot::kIdle);
  // With one position per turn every press is a full turn.
  KeySlot k;
  k.inTray = false;
  k.StartTurn(1);
  EXPECT_EQ(k.step, 0);
  k.Step(0.25f, 1);
  EXPECT_NEAR(k.angle, kPi, 1e-5);
}

TEST(KeysRules, TurnsWaitUntilEverySlotRests) {
  KeysBoard b = Board(2, 4);
  for (size_t i = 0; i < 2; ++i) {
    Pick(b, i);
    AtHole(b, i);
  }
  b.keys[1].fadeDone = true;  // key 0 still fades in
  b.keys[1].animTime = 0;
  const int step0 = b.keys[0].step, step1 = b.keys[1].step;
  auto r = AtHole(b, 0);  // fading: the sound, no turn
  EXPECT_TRUE(r.click);
  EXPECT_EQ(b.keys[0].step, step0);
  EXPECT_EQ(b.turningKey, 0);
  r = AtHole(b, 1);  // a turn key is set: nothing, no sound
  EXPECT_FALSE(r.click);
  EXPECT_EQ(b.keys[1].step, step1);
  Play(b, 0.5f);
  EXPECT_EQ(b.turningKey, 0);  // the fade still runs
  Play(b, 0.6f);
  EXPECT_EQ(b.turningKey, -1);
  r = AtHole(b, 1);
  EXPECT_TRUE(r.click);
  EXPECT_EQ(b.keys[1].step, (step1 + 1) % 4);
}

TEST(KeysRules, SolvedKeysRideUpWithThePlateAndTheEndFollows) {
  KeysBoard b = Board(2, 1, 7, /*win=*/0);
  b.platePos = TVec2(200, 80);
  for (size_t i = 0; i < 2; ++i) {
    Pick(b, i);
    AtHole(b, i);
  }
  const TVec2 home0 = b.keys[0].homePos, puzzle1 = b.keys[1].puzzlePos;
  const TRect tray0 = b.keys[0].previewRect;
  Play(b, 0.99f);
  EXPECT_FALSE(b.solved);  // the fade-in still runs
  Play(b, 0.05f);
  EXPECT_TRUE(b.solved);
  EXPECT_EQ(b.winState, 1);
  EXPECT_EQ(b.plateStart, TVec2(200, 80));
  b.Update(2.0f, false, false, false);  // 2 s of 5 into the slide
  const float rise = 80 - b.platePos.y;
  EXPECT_EQ(b.platePos.x, 200);
  EXPECT_GT(rise, 0);
  EXPECT_NEAR(b.keys[0].homePos.y, home0.y - rise, 1e-3);
  EXPECT_NEAR(b.keys[1].puzzlePos.y, puzzle1.y - rise, 1e-3);
  EXPECT_EQ(b.keys[0].previewRect, tray0);  // the tray stays
  // The update that ends the slide counts the win delay down twice: with
  // "win_counter" 0 the closing message starts in it.
  float before = b.winCountdown;
  KeysBoard::EndStep step = KeysBoard::EndStep::kPlaying;
  while (b.winState == 1) step = b.Update(0.5f, false, false, false);
  EXPECT_FLOAT_EQ(b.winCountdown, before - 1.0f);
  EXPECT_FLOAT_EQ(b.platePos.y, -200);
  EXPECT_EQ(step, KeysBoard::EndStep::kStartClosing);
  EXPECT_EQ(b.Update(kDt, true, false, true), KeysBoard::EndStep::kPlaying);  // the journal holds the end
  EXPECT_EQ(b.Update(kDt, true, false, false), KeysBoard::EndStep::kWaiting);
  EXPECT_EQ(b.Update(kDt, true, true, false), KeysBoard::EndStep::kFinish);
  EXPECT_EQ(b.Update(kDt, true, true, false), KeysBoard::EndStep::kPlaying);
}

TEST(KeysRules, KeysThatAllStartAtZeroAreSolvedASecondAfterTheLastGoesIn) {
  uint32_t seed = 1;
  while (seed < 500 && (Board(2, 4, seed).keys[0].step != 0 || Board(2, 4, seed).keys[1].step != 0)) ++seed;
  KeysBoard b = Board(2, 4, seed);
  ASSERT_EQ(b.keys[0].step + b.keys[1].step, 0) << "no seed starts both keys at 0";
  for (size_t i = 0; i < 2; ++i) {
    Pick(b, i);
    AtHole(b, i);
  }
  Play(b, 0.99f);
  EXPECT_FALSE(b.solved);
  Play(b, 0.05f);
  EXPECT_TRUE(b.solved);
  EXPECT_EQ(b.winState, 1);
}

TEST(KeysRules, SkipIsRefusedWhileSomethingMovesElseAllKeysGoHome) {
  KeysBoard b = Board(3, 4);
  Pick(b, 0);
  AtHole(b, 0);
  EXPECT_FALSE(b.Skip());  // key 0 fades in
  Play(b, 1.05f);
  AtHole(b, 0);
  EXPECT_EQ(b.keys[0].turnState, KeySlot::kTurnForward);
  EXPECT_FALSE(b.Skip());  // key 0 turns
  Play(b, 0.6f);
  ASSERT_TRUE(b.Skip());
  for (const KeySlot& k : b.keys) {
    EXPECT_FALSE(k.inTray);
    EXPECT_EQ(k.turnState, KeySlot::kTurnHome);
  }
  EXPECT_TRUE(b.keys[0].fadeDone);
  EXPECT_FALSE(b.keys[1].fadeDone);
  EXPECT_FALSE(b.Skip());  // once
  EXPECT_EQ(b.Press(0, 0).click, false);
  Play(b, 1.6f);
  for (const KeySlot& k : b.keys) {
    EXPECT_EQ(k.step, 0);
    EXPECT_FLOAT_EQ(k.angle, 0);
  }
  EXPECT_TRUE(b.solved);
  EXPECT_EQ(b.winState, 1);
  EXPECT_FALSE(b.Skip());
}

TEST(KeysRules, SkipWithAKeyInTheHandDropsItFirst) {
  KeysBoard b = Board(3, 4);
  Pick(b, 2);
  ASSERT_EQ(b.heldKey, 2);
  bool dropped = false;
  ASSERT_TRUE(b.Skip(&dropped));
  EXPECT_TRUE(dropped);
  EXPECT_EQ(b.heldKey, -1);
  for (const KeySlot& k : b.keys) EXPECT_FALSE(k.held);
}

TEST(KeysRules, NoKeysIsSolvedAtOnce) {
  KeysBoard b = Board(0, 4, 7, 0);
  EXPECT_TRUE(b.AllKeysInserted());
  b.Update(kDt, false, false, false);
  EXPECT_TRUE(b.solved);
  EXPECT_FALSE(b.Skip());
}
