// The settings document and the level model built from it.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include "game/shell/data/gamesettings.h"
#include "tests/game/support/gametest.h"

namespace {

using gametest::LevelXml;

class LevelModel : public gametest::TGameDataFixture, public ::testing::Test {};

TEST_F(LevelModel, LevelsChaptersAndLocationsWithTheirDefaults) {
  LevelFile("a1", LevelXml({{"1", "1", "0"}, {"1", "abc", "2"}, {""}}, 17));
  MainXml(R"(<Game><Common NumSaveVer="3"/>
    <Levels>
      <Level id="1" mgame="mg01window" intro="com_1.xml" introPict="com1" name="ignored">
        <Chapt id="4"><Loc filename="a1" buttid="7" textitemsid="8" finmsg="done" startmsg="go"/>
                      <Loc filename="missing"/></Chapt>
        <Chapt id="7"/>
      </Level>
      <Level id="2" mgame_num="3"/>
      <Level mgame="x"><Chapt><Loc filename="a1"/></Chapt></Level>
    </Levels></Game>)");
  const auto& levels = GetLevels();
  ASSERT_EQ(levels.size(), 3u);
  const GameLevel& one = levels[0];
  EXPECT_EQ(one.id, 1);
  EXPECT_EQ(one.mgame, "mg01window");
  EXPECT_EQ(one.mgameNum, 1);
  EXPECT_EQ(one.intro, "com_1.xml");
  EXPECT_EQ(one.introPict, "com1");
  EXPECT_EQ(one.firstChapterId, 4);
  EXPECT_EQ(one.lastChapterId, 7);
  ASSERT_EQ(one.chapters.size(), 2u);
  ASSERT_EQ(one.chapters[0].locations.size(), 2u);
  const GameLocation& a1 = one.chapters[0].locations[0];
  EXPECT_EQ(a1.fileName, "a1");
  EXPECT_EQ(a1.buttId, 7);
  EXPECT_EQ(a1.textItemsId, 8);
  EXPECT_EQ(a1.coins, 5);  // "abc" does not count, neither does the Item without a coin
  EXPECT_EQ(a1.allNum, 17);
  EXPECT_EQ(a1.finMsg, "done");
  EXPECT_EQ(a1.startMsg, "go");
  const GameLocation& missing = one.chapters[0].locations[1];
  EXPECT_EQ(missing.coins, 0);
  EXPECT_EQ(missing.allNum, 0);
  EXPECT_EQ(missing.finMsg, "");  // not carried over from the Loc before
  EXPECT_EQ(missing.buttId, 0);
  EXPECT_TRUE(one.chapters[1].locations.empty());

  EXPECT_EQ(levels[1].mgameNum, 3);
  EXPECT_EQ(levels[1].firstChapterId, -1);
  EXPECT_EQ(levels[1].lastChapterId, -1);
  // Missing ids read as 0, each with a log line; a file named twice counts the same.
  EXPECT_EQ(levels[2].id, 0);
  EXPECT_EQ(levels[2].chapters[0].id, 0);
  EXPECT_EQ(levels[2].chapters[0].locations[0].coins, 5);
  EXPECT_EQ(log.Count("has no numeric id"), 2u);
}

TEST_F(LevelModel, LookupsFindTheFirstMatchAndNullOtherwise) {
  MainXml(R"(<Game><Levels>
      <Level id="1"><Chapt id="1"><Loc filename="x"/></Chapt><Chapt id="2"/></Level>
      <Level id="5"><Chapt id="2"><Loc filename="y"/></Chapt></Level>
      <Level id="5"><Chapt id="9"/></Level>
    </Levels>
    <Tools><Tool id="knifetool"/><Tool id="flashlight"/><Tool id="knifetool"/><Tool/></Tools></Game>)");
  ASSERT_NE(FindLevelById(5), nullptr);
  EXPECT_EQ(FindLevelById(5)->firstChapterId, 2);
  EXPECT_EQ(FindLevelById(3), nullptr);
  ASSERT_NE(FindChapter(5, 2), nullptr);
  EXPECT_EQ(FindChapter(5, 2)->locations[0].fileName, "y");
  EXPECT_NE(FindChapter(5, 9), nullptr);  // in the second level with id 5
  EXPECT_EQ(FindChapter(1, 9), nullptr);
  EXPECT_EQ(FindChapter(4, 1), nullptr);
  ASSERT_EQ(GetToolIds().size(), 4u);  // duplicates kept, a missing id is empty
  EXPECT_EQ(GetToolIds()[3], "");
  EXPECT_TRUE(HasToolId("flashlight"));
  EXPECT_FALSE(HasToolId("Flashlight"));
  EXPECT_FALSE(HasToolId("nightvision"));
}

TEST_F(LevelModel, TypedReadersGiveTheDefaultOnAnythingButANumber) {
  MainXml(R"(<Game><Common animrate="16" bad="abc" shadowTime="1.5" alwaysNeedStartComics="2"/></Game>)");
  int i = 0;
  const int d = 42;
  EXPECT_TRUE(ReadXmlInt(GetMainXml(), "Common", "animrate", &i, &d));
  EXPECT_EQ(i, 16);
  EXPECT_FALSE(ReadXmlInt(GetMainXml(), "Common", "bad", &i, &d));
  EXPECT_EQ(i, 42);
  i = 1;
  EXPECT_FALSE(ReadXmlInt(GetMainXml(), "Nothing", "animrate", &i, &d));
  EXPECT_EQ(i, 42);
  i = 1;
  EXPECT_FALSE(ReadXmlInt(GetMainXml(), "Common", "absent", &i, nullptr));
  EXPECT_EQ(i, 1);  // no default: left as it was
  float f = 0;
  const float df = 0.25f;
  EXPECT_TRUE(ReadXmlFloat(GetMainXml(), "Common", "shadowTime", &f, &df));
  EXPECT_FLOAT_EQ(f, 1.5f);
  EXPECT_FALSE(ReadXmlFloat(GetMainXml(), "Common", "bad", &f, &df));
  EXPECT_FLOAT_EQ(f, 0.25f);
  EXPECT_FALSE(ReadXmlFloat(GetMainXml(), "Gone", "shadowTime", &f, &df));
  EXPECT_EQ(IsNeedStartComics(), 2);
}

TEST_F(LevelModel, MissingMainXmlGivesAnEmptyModelADamagedOneWhatCameBeforeTheDamage) {
  LoadMainXml();  // no file at all
  EXPECT_TRUE(GetLevels().empty());
  EXPECT_TRUE(GetToolIds().empty());
  EXPECT_EQ(IsNeedStartComics(), 0);
  int v = 0;
  const int d = 7;
  EXPECT_FALSE(ReadXmlInt(GetMainXml(), "Common", "NumSaveVer", &v, &d));
  EXPECT_EQ(v, 7);

  // Cut short: what the parser built before the cut stands.
  MainXml("<Game><Common NumSaveVer=\"3\"/><Levels><Level id=\"1\"><Chapt id=\"4\"/></Level><Level id=\"2\">");
  ASSERT_EQ(GetLevels().size(), 2u);
  EXPECT_EQ(GetLevels()[0].firstChapterId, 4);
  EXPECT_EQ(GetLevels()[1].id, 2);
  EXPECT_TRUE(ReadXmlInt(GetMainXml(), "Common", "NumSaveVer", &v, &d));
  EXPECT_EQ(v, 3);
  EXPECT_TRUE(log.Contains("main.xml is damaged"));
  // Nested too deep: refused whole.
  std::string deep;
  for (int k = 0; k < 5000; ++k) deep += "<a>";
  MainXml("<Game><Levels>" + deep);
  EXPECT_TRUE(GetLevels().empty());
}

TEST_F(LevelModel, TestLocNameOnlyOpensTheFile) {
  LevelFile("here", "this is not XML at all <<<");
  EXPECT_TRUE(TestLocName("here"));
  EXPECT_FALSE(TestLocName("gone"));
  EXPECT_FALSE(TestLocName(nullptr));
  EXPECT_FALSE(log.Contains("here"));  // the damaged file was never parsed
  EXPECT_FALSE(TestLocName("../here"));
}

TEST_F(LevelModel, LevelFileWithoutPictKeepsTheCounts) {
  LevelFile("nopict", "<Level><List allnum=\"9\"/></Level>");
  int coins = 3, total = 4;
  EXPECT_FALSE(LoadLevelFile("nopict", &coins, &total));
  EXPECT_EQ(coins, 3);
  EXPECT_EQ(total, 4);
  LevelFile("nolist", "<Level><Pict><HotSpot><Item coin=\"1\"/></HotSpot></Pict></Level>");
  EXPECT_TRUE(LoadLevelFile("nolist", &coins, &total));
  EXPECT_EQ(coins, 4);
  EXPECT_EQ(total, 4);
}

}  // namespace

namespace {

// The example of docs/levels.md loads with the counts the page gives.
TEST_F(LevelModel, DocumentedExampleLoads) {
  std::string doc = testing_support::ReadFile(testing_support::SourceDir() + "/docs/levels.md");
  size_t start = doc.find("```xml\n");
  ASSERT_NE(start, std::string::npos);
  start += 7;
  size_t end = doc.find("```", start);
  ASSERT_NE(end, std::string::npos);
  LevelFile("example", doc.substr(start, end - start));
  int coins = 0, total = 0;
  EXPECT_TRUE(LoadLevelFile("example", &coins, &total));
  EXPECT_EQ(coins, 2);
  EXPECT_EQ(total, 3);
}

// The demo data's main.xml holds the two levels the game ships with.
TEST_F(LevelModel, DemoMainXmlHasTwoLevelsOfTwoChapters) {
  MainXml(testing_support::ReadFile(testing_support::SourceDir() + "/assets/main.xml"));
  ASSERT_EQ(GetLevels().size(), 2u);
  EXPECT_EQ(GetLevels()[0].mgame, "mg01window");
  EXPECT_EQ(GetLevels()[1].mgame, "mg05window");
  for (const GameLevel& level : GetLevels()) {
    EXPECT_EQ(level.firstChapterId, 1);
    EXPECT_EQ(level.lastChapterId, 2);
    for (const GameChapter& chapter : level.chapters) EXPECT_GE(chapter.locations.size(), 2u);
  }
  EXPECT_EQ(FindChapter(1, 1)->locations[0].fileName, "loc11");
  EXPECT_EQ(FindChapter(2, 2)->locations.back().fileName, "loc24");
  for (const char* tool : {"knifetool", "flashlight", "photocamera", "nightvision"}) EXPECT_TRUE(HasToolId(tool));
  int version = 0;
  EXPECT_TRUE(ReadXmlInt(GetMainXml(), "Common", "NumSaveVer", &version, nullptr));
  EXPECT_EQ(version, 1);
}

}  // namespace
