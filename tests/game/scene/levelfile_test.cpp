// The scene's level file reader: the documented example, items that cannot
// be used, the list count at both ends, decorations, and files that are
// missing, damaged, not level files or named unsafely.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>

#include "game/scene/levelfile.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "tests/game/support/gametest.h"

namespace {

class LevelFileTest : public ::testing::Test, public gametest::TGameDataFixture {
protected:
  LevelFileTest() { RefreshFileLayer(); }
  bool Read(const std::string& text, LevelData* out, TString* why = nullptr) {
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    return ReadLevelDocument(doc, out, why);
  }
  std::string Why(const std::string& text) {
    LevelData data;
    TString why;
    EXPECT_FALSE(Read(text, &data, &why)) << text;
    return why.str();
  }
};

const char kExample[] =
    "<Level bkg='locations/loc11/bg' music='audio/music/cottage' ambient='audio/amb/fire' photo='wallpapers/kitchen'>"
    " <Pict>"
    "  <HotSpot>"
    "   <Item name='key' img='locations/loc11/key' rect='412,300,40,22' coin='1'/>"
    "   <Item name='candle' img='locations/loc11/candle' rect='80,212,30,64'/>"
    "  </HotSpot>"
    "  <HotSpot><Item name='coin_a' img='locations/loc11/coin' rect='700,610,24,24' coin='1'/></HotSpot>"
    " </Pict>"
    " <List allnum='3'/>"
    " <Emitter name='fire' x='790' y='470'/><Emitter name='hotspot' x='100' y='100' layer='1'/>"
    "</Level>";

}  // namespace

TEST_F(LevelFileTest, ReadsTheDocumentedExample) {
  LevelData d;
  ASSERT_TRUE(Read(kExample, &d));
  EXPECT_EQ(d.background, "locations/loc11/bg");
  EXPECT_EQ(d.music, "audio/music/cottage");
  EXPECT_EQ(d.ambient, "audio/amb/fire");
  EXPECT_EQ(d.photo, "wallpapers/kitchen");
  ASSERT_EQ(d.items.size(), 3u);
  EXPECT_EQ(d.items[0].name, "key");
  EXPECT_EQ(d.items[0].picture, "locations/loc11/key");
  EXPECT_EQ(d.items[0].rect, TRect(412, 300, 452, 322));
  EXPECT_TRUE(d.items[0].coin);
  EXPECT_FALSE(d.items[1].coin);
  EXPECT_EQ(d.items[2].hotSpot, 1);
  EXPECT_EQ(d.toFind, 3);
  ASSERT_EQ(d.emitters.size(), 2u);
  EXPECT_EQ(d.emitters[0].name, "fire");
  EXPECT_FLOAT_EQ(d.emitters[0].x, 790.0f);
  EXPECT_EQ(d.emitters[0].layer, 0);
  EXPECT_EQ(d.emitters[1].layer, 1);
}

TEST_F(LevelFileTest, SkipsItemsThatCannotBeUsedWithALogLine) {
  LevelData d;
  ASSERT_TRUE(Read("<Level bkg='b'><Pict><HotSpot>"
                   "<Item name='a' img='p' rect='1,2,3,4'/>"
                   "<Item img='p' rect='1,2,3,4'/>"
                   "<Item name='c' rect='1,2,3,4'/>"
                   "<Item name='d' img='p' rect='1,2,0,4'/>"
                   "<Item name='e' img='p' rect='1,2,3'/>"
                   "<Item name='f' img='p' rect='1,2,3,4x'/>"
                   "<Item name='g' img='p' rect='200000,2,3,4'/>"
                   "<Item name='a' img='q' rect='5,6,7,8'/>"
                   "<Item name='h' img='p' rect=' 5 , 6 , 7 , 8 ' coin='yes'/>"
                   "</HotSpot></Pict></Level>",
                   &d));
  ASSERT_EQ(d.items.size(), 2u);
  EXPECT_EQ(d.items[0].name, "a");
  EXPECT_EQ(d.items[0].picture, "p");  // the first of the two "a" stays
  EXPECT_EQ(d.items[1].name, "h");
  EXPECT_FALSE(d.items[1].coin);  // "yes" is not a number
  EXPECT_EQ(log.Count("MainGame: item "), 7u);
  EXPECT_TRUE(log.Contains("MainGame: item \"a\" skipped: the name is used twice"));
  EXPECT_EQ(d.toFind, 2);  // no List: all of them
}

TEST_F(LevelFileTest, TheListCountsFromOneToAllItems) {
  auto with = [](const char* list) {
    return std::string("<Level bkg='b'><Pict><HotSpot><Item name='a' img='p' rect='0,0,1,1'/>"
                       "<Item name='b' img='p' rect='0,0,1,1'/><Item name='c' img='p' rect='0,0,1,1'/>"
                       "</HotSpot></Pict>") +
           list + "</Level>";
  };
  for (auto [list, expected] : {std::pair<const char*, int>{"<List allnum='1'/>", 1}, {"<List allnum='3'/>", 3},
                                {"<List allnum='4'/>", 3}, {"<List allnum='0'/>", 3}, {"<List allnum='-2'/>", 3},
                                {"<List allnum='x'/>", 3}, {"", 3}}) {
    LevelData d;
    ASSERT_TRUE(Read(with(list), &d)) << list;
    EXPECT_EQ(d.toFind, expected) << list;
  }
  EXPECT_TRUE(log.Contains("MainGame: List allnum 4 is more than the 3 items; all are to be found"));
}

TEST_F(LevelFileTest, RefusesWhatIsNoLevel) {
  EXPECT_EQ(Why(""), "no document (missing, empty or damaged)");
  EXPECT_EQ(Why("<Game/>"), "the root element is not Level");
  EXPECT_EQ(Why("<Level><Pict/></Level>"), "no background picture (bkg)");
  EXPECT_EQ(Why("<Level bkg='b'/>"), "no Pict element");
  EXPECT_EQ(Why("<Level bkg='b'><Pict><HotSpot/></Pict></Level>"), "no item to find");
  EXPECT_EQ(Why("<Level bkg='b'><Pict><HotSpot><Item name='a'/></HotSpot></Pict></Level>"), "no item to find");
}

TEST_F(LevelFileTest, LoadsFromTheLevelsFolderAndLogsWhatItCannotUse) {
  LevelFile("loc11", kExample);
  LevelFile("broken", "<Level bkg='b'><Pict><HotSpot><Item name='a' img='p' rect='0,0,1,1'/>");
  LevelFile("game", "<Game/>");
  RefreshFileLayer();
  LevelData d;
  ASSERT_TRUE(LoadLevelData("loc11", &d));
  EXPECT_EQ(d.items.size(), 3u);
  ASSERT_NE(d.Root(), nullptr);
  EXPECT_STREQ(d.Root()->Value(), "Level");
  log.Clear();
  EXPECT_FALSE(LoadLevelData("missing", &d));
  EXPECT_TRUE(log.Contains("MainGame: level levels/missing.xml: the file is missing, unreadable or too large"));
  EXPECT_FALSE(LoadLevelData("broken", &d));
  EXPECT_TRUE(log.Contains("MainGame: level levels/broken.xml: the file is damaged"));
  EXPECT_FALSE(LoadLevelData("game", &d));
  EXPECT_TRUE(log.Contains("MainGame: level levels/game.xml: the root element is not Level"));
  EXPECT_FALSE(LoadLevelData("../loc11", &d));
  EXPECT_TRUE(log.Contains("MainGame: level levels/../loc11.xml: the name is not a plain asset name"));
  EXPECT_FALSE(LoadLevelData("", &d));
  EXPECT_TRUE(log.Contains("the location has no file name"));
  EXPECT_EQ(d.items.size(), 3u);  // a refused load leaves the result alone
}
