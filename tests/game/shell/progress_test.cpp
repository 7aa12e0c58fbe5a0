// The progress block, its operations, the game-flow values and the Lua
// globals that reach them.
#include <gtest/gtest.h>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "tests/game/support/gametest.h"

namespace {

class Progress : public gametest::TGameLuaFixture, public ::testing::Test {
protected:
  GameProgress& p = GetGameProgress();
};

TEST_F(Progress, LuaAddToolTrimsSpacesOnlyAndAddsOnce) {
  ASSERT_TRUE(Lua("AddTool('  knifetool ')"));
  ASSERT_EQ(p.tools.size(), 1u);
  EXPECT_EQ(p.tools[0].first, "knifetool");
  EXPECT_EQ(p.tools[0].second, 0);
  p.tools[0].second = 4;
  Lua("AddTool('knifetool')");
  ASSERT_EQ(p.tools.size(), 1u);
  EXPECT_EQ(p.tools[0].second, 4);  // an existing tool keeps its value
  Lua("AddTool('\\tknifetool')");
  ASSERT_EQ(p.tools.size(), 2u);
  EXPECT_EQ(p.tools[1].first, "\tknifetool");  // a tab is not trimmed
  Lua("AddArt(' amulet  ') AddArt('amulet')");
  EXPECT_EQ(p.arts, std::vector<TString>{"amulet"});
}

TEST_F(Progress, ScriptTextLongerThanTheLimitIsCutNotOverrun) {
  Lua("AddTool(string.rep('x', 5000))");
  ASSERT_EQ(p.tools.size(), 1u);
  EXPECT_EQ(p.tools[0].first.Length(), 99);
  EXPECT_EQ(log.Count("AddTool: the text is longer than 99 bytes"), 1u);
  Lua("SetLevelChapter('4,5' .. string.rep(' ', 4000) .. 'x')");
  EXPECT_EQ(p.levelId, 4);  // the start of the text is taken
  EXPECT_EQ(p.chapterId, 5);
}

TEST_F(Progress, SetLevelChapterNeedsTwoIntegers) {
  Lua("SetLevelChapter('2,3')");
  EXPECT_EQ(p.levelId, 2);
  EXPECT_EQ(p.chapterId, 3);
  Lua("SetLevelChapter(' 7,8  ')");
  EXPECT_EQ(p.levelId, 7);
  EXPECT_EQ(p.chapterId, 8);
  for (const char* bad : {"'abc'", "'9'", "nil", "''", "'9,'", "'9;1'", "'99999999999,1'"}) {
    Lua(std::string("SetLevelChapter(") + bad + ")");
    EXPECT_EQ(p.levelId, 7) << bad;
    EXPECT_EQ(p.chapterId, 8) << bad;
  }
  EXPECT_EQ(log.Count("SetLevelChapter: "), 7u);
}

TEST_F(Progress, RemovingARecordTakesItsCoinsOffButNeverBelowZero) {
  LocationInfo& info = p.FindLocationInfo("loc11");
  info.coins = {1, 2, 3, 4, 5};
  p.FindLocationInfo("loc12").coins = {1};
  p.numCoins = 3;
  p.RemoveLocationInfo("loc11");
  EXPECT_EQ(p.numCoins, 0);
  ASSERT_EQ(p.locationInfos.size(), 1u);
  p.numCoins = 4;
  p.RemoveLocationInfo("nowhere");
  p.RemoveLocationInfo("loc12");
  EXPECT_EQ(p.numCoins, 3);
  EXPECT_TRUE(p.locationInfos.empty());
}

class Completion : public Progress {
protected:
  void SetUp() override {
    MainXml(R"(<Game><Levels>
      <Level id="1"><Chapt id="1"><Loc filename="a"/><Loc filename="b"/></Chapt>
                    <Chapt id="3"><Loc filename="c"/></Chapt></Level>
      <Level id="2"><Chapt id="1"><Loc filename="d"/></Chapt><Chapt id="2"/><Chapt id="3"><Loc filename="e"/></Chapt>
                    </Level>
      <Level id="3"/>
    </Levels></Game>)");
  }
};

// Asking makes the missing records of the locations it looks at, up to the
// first one not passed: they are part of the progress from then on.
TEST_F(Completion, AskingCreatesTheRecordsOnTheWay) {
  p.FindLocationInfo("b").passed = 1;
  auto names = [this] {
    std::vector<std::string> out;
    for (const LocationInfo& info : p.locationInfos) out.push_back(info.name.str() + "=" + std::to_string(info.passed));
    return out;
  };
  EXPECT_FALSE(p.IsChapterComplete(1, 1));  // "a" is not passed: the scan stops there
  EXPECT_EQ(names(), (std::vector<std::string>{"b=1", "a=0"}));
  EXPECT_FALSE(p.IsChapterComplete(4, 1));  // no such chapter: nothing made
  EXPECT_TRUE(p.IsChapterComplete(2, 2));   // no locations: complete
  EXPECT_FALSE(p.IsLevelComplete(2));       // chapter 1's "d" is made, chapter 3's "e" is not reached
  EXPECT_EQ(names(), (std::vector<std::string>{"b=1", "a=0", "d=0"}));
  EXPECT_FALSE(p.IsLevelComplete(3));
  EXPECT_EQ(p.locationInfos.size(), 3u);
}

TEST_F(Completion, ChaptersAndLevels) {
  EXPECT_TRUE(p.IsChapterComplete(2, 2));  // no locations
  for (const char* name : {"a", "b", "c"}) p.FindLocationInfo(name).passed = 1;
  EXPECT_TRUE(p.IsChapterComplete(1, 1));
  EXPECT_TRUE(p.IsChapterComplete(1, 3));
  EXPECT_FALSE(p.IsLevelComplete(1));  // chapter 2 is missing between 1 and 3
  p.FindLocationInfo("e").passed = 1;
  EXPECT_FALSE(p.IsLevelComplete(2));  // the first chapter is not done
  p.FindLocationInfo("d").passed = 2;
  EXPECT_TRUE(p.IsLevelComplete(2));
  p.FindLocationInfo("e").passed = 0;
  EXPECT_FALSE(p.IsLevelComplete(2));  // nor is the last one now
  EXPECT_FALSE(p.IsLevelComplete(3));  // no chapters
  p.FindLocationInfo("b").passed = 0;
  EXPECT_FALSE(p.IsChapterComplete(1, 1));
}

TEST_F(Progress, ResetClearAndTheEndOfTheGameUseTheStartIds) {
  MainXml(R"(<Game><Common startLevelId="2" startChaptId="5" startLocationId="7"/>
    <Levels><Level id="2" intro="com_2.xml" introPict="com2" mgame="mg05window" mgame_num="4"/></Levels></Game>)");
  auto dirty = [&] {
    p.playerName = "Ann";
    p.levelId = p.chapterId = p.locationId = 9;
    p.numCoins = p.gameIntroDone = p.gameFinished = p.gameNeedClearUserInfo = p.mLocationType = 3;
    p.gameStartMsgDone = p.gameTutorMsgDone = 1;
    p.firstRun = 0;
    p.AddTool("knifetool", 1);
    p.AddArt("a");
    p.secondNames = {"s"};
    p.MarkShown("x");
    p.MarkInfoShown("y");
    p.AddPhoto("z");
    p.FindLocationInfo("loc");
  };
  GameProgress fresh;
  EXPECT_EQ(fresh.levelId, 2);
  EXPECT_EQ(fresh.chapterId, 5);
  EXPECT_EQ(fresh.locationId, 7);
  EXPECT_EQ(fresh.firstRun, 1);
  EXPECT_EQ(fresh.mLocationType, 0);
  for (int way = 0; way < 3; ++way) {
    dirty();
    if (way == 0) p.Reset();
    if (way == 1) p.Clear();
    if (way == 2) Lua("ClearUserInfoInGameEnd()");
    EXPECT_TRUE(p.SameProgress(fresh)) << way;
    EXPECT_EQ(p.playerName, "Ann");
  }
  EXPECT_EQ(Global("x"), "nil");
  Lua("x = GetLIComicsName() y = GetLIComicsPictName()");
  EXPECT_EQ(Global("x"), "com_2.xml");
  EXPECT_EQ(Global("y"), "com2");
  p.MarkShown("com_2.xml");
  Lua("x = GetLIComicsName() y = GetLIComicsPictName()");
  EXPECT_EQ(Global("x"), "");
  EXPECT_EQ(Global("y"), "com2");
  p.levelId = 8;
  Lua("y = GetLIComicsPictName()");
  EXPECT_EQ(Global("y"), "");
}

TEST_F(Progress, StartMGTakesTheLevelsMiniGameAndFadesTheSound) {
  MainXml(R"(<Game><Levels><Level id="2" mgame="mg05window" mgame_num="4"/></Levels></Game>)");
  Users();  // the profile manager binds StartMG and SetMiniGameLevel
  Lua("faded = 0 function StartSoundFade() faded = faded + 1 end");
  SetMiniGameLevel(0);
  p.levelId = 3;
  Lua("StartMG()");
  EXPECT_EQ(GetMiniGameLevel(), 0);
  EXPECT_EQ(Global("faded"), "0");
  p.levelId = 2;
  Lua("StartMG()");
  EXPECT_EQ(GetMiniGameLevel(), 4);
  EXPECT_EQ(Global("faded"), "1");
  Lua("SetMiniGameLevel(6)");
  EXPECT_EQ(GetMiniGameLevel(), 6);
}

TEST_F(Progress, FlowValuesThroughTheirGlobals) {
  Users();
  p.mLocationType = 2;
  Lua("a = IsNeedGoToMiniGame()");
  EXPECT_EQ(Global("a"), "1");
  Lua("SetNeededLevel('loc21', 1)");
  EXPECT_EQ(GetNextLocName(), "loc21");
  EXPECT_TRUE(GetNeededLevel());
  Lua("SetNeededLevel('loc22', 2)");
  EXPECT_FALSE(GetNeededLevel());
}

}  // namespace
