// The way through the levels: the next location, chapter, level mini-game
// and level, the end of the game, mini-games that are there or not, a
// mini-game that stands in a chapter as a location, and progress that needs
// mending.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "game/scene/sceneflow.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "platform/folders.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "tests/game/support/gametest.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

TWindow* NoWindow() { return nullptr; }

class SceneFlowTest : public ::testing::Test, public gametest::TGameLuaFixture {
protected:
  SceneFlowTest() {
    MainXml(
        "<Game><Common startLevelId='1' startChaptId='1' startLocationId='1'/><Levels>"
        "<Level id='1' mgame='mg01window' mgame_num='2'>"
        " <Chapt id='1'><Loc filename='loc1'/><Loc filename='loc2'/></Chapt>"
        " <Chapt id='3'><Loc filename='mgloc' mgame='mg02window' mgame_num='2'/><Loc filename='loc3'/></Chapt>"
        "</Level>"
        "<Level id='2' intro='com_2.xml' introPict='com2'><Chapt id='5'><Loc filename='loc4'/></Chapt></Level>"
        "</Levels></Game>");
    GetGameProgress().Reset();
    SetMiniGameLevel(0);
    SetGo2MainMenuFlag(false);
  }
  ~SceneFlowTest() override {
    SetGo2MainMenuFlag(false);
    ClearUpperLayers();
  }
  // Registers a window type and writes its script, as the library that has the screen would.
  void ProvideScreen(const char* type, const std::string& file = "") {
    script->DefineWindowType(type, &NoWindow);
    dir.Write(file.empty() ? std::string("scripts/") + type + ".lua" : file, "-- a screen");
    RefreshFileLayer();
  }
  std::string At() {
    const GameProgress& p = GetGameProgress();
    return std::to_string(p.levelId) + " " + std::to_string(p.chapterId) + " " + std::to_string(p.locationId) +
           " type " + std::to_string(p.mLocationType);
  }
};

}  // namespace

TEST_F(SceneFlowTest, FindsThePlaceByIdsAndIndex) {
  ScenePlace a = FindPlace(1, 3, 1);
  ASSERT_NE(a.location, nullptr);
  EXPECT_EQ(a.index, 0);
  EXPECT_EQ(a.RecordName(), "mgloc");
  EXPECT_EQ(a.miniGame, "mg02window");
  EXPECT_EQ(a.miniGameNum, 2);
  ScenePlace b = FindPlace(1, 1, 2);
  EXPECT_EQ(b.RecordName(), "loc2");
  EXPECT_TRUE(b.miniGame.IsEmpty());
  EXPECT_EQ(FindPlace(1, 1, 3).location, nullptr);
  EXPECT_EQ(FindPlace(1, 1, 0).location, nullptr);
  EXPECT_EQ(FindPlace(1, 2, 1).chapter, nullptr);
  EXPECT_EQ(FindPlace(9, 1, 1).level, nullptr);
  EXPECT_EQ(FindPlace(1, 1, INT_MIN).location, nullptr);  // a save's id: no overflow
  EXPECT_EQ(FindPlace(1, 1, INT_MAX).location, nullptr);
}

// A level id at the top of the range (from main.xml or a script) is the last level.
TEST_F(SceneFlowTest, TheLastLevelAtTheTopOfTheRangeEndsTheGame) {
  MainXml("<Game><Levels><Level id='2147483647'><Chapt id='1'><Loc filename='loc1'/></Chapt></Level>"
          "</Levels></Game>");
  GetGameProgress().levelId = INT_MAX;
  GetGameProgress().chapterId = GetGameProgress().locationId = 1;
  EXPECT_EQ(AdvanceProgress(), TNextStep::kGameEnd);
}

TEST_F(SceneFlowTest, GoesThroughLocationsChaptersTheLevelMiniGameAndLevels) {
  EXPECT_EQ(AdvanceProgress(), TNextStep::kLocation);
  EXPECT_EQ(At(), "1 1 2 type 0");
  EXPECT_EQ(AdvanceProgress(), TNextStep::kLocation);
  EXPECT_EQ(At(), "1 3 1 type 0");
  EXPECT_EQ(AdvanceProgress(), TNextStep::kLocation);
  EXPECT_EQ(At(), "1 3 2 type 0");
  // The last location of the level: its mini-game is due, the ids stay.
  EXPECT_EQ(AdvanceProgress(), TNextStep::kLevelMiniGame);
  EXPECT_EQ(At(), "1 3 2 type 1");
  EXPECT_EQ(FinishLevelMiniGame(), TNextStep::kLocation);
  EXPECT_EQ(At(), "2 5 1 type 0");
  EXPECT_STREQ(NextScreenScript(TNextStep::kLocation), "scripts/maingame.lua");
  // The last level has no mini-game: the game ends, a new one waits at the
  // menu, and it keeps the photographs the gallery's wallpapers come from.
  GetGameProgress().FindLocationInfo("loc1").passed = 1;
  GetGameProgress().photos = {"wallpapers/one", "wallpapers/two"};
  GetGameProgress().shownInfos = {"info1"};
  GetGameProgress().MarkShown("com_2.xml");
  GetGameProgress().numCoins = 4;
  EXPECT_EQ(AdvanceProgress(), TNextStep::kGameEnd);
  EXPECT_EQ(At(), "1 1 1 type 0");
  EXPECT_TRUE(GetGameProgress().locationInfos.empty());
  EXPECT_EQ(GetGameProgress().numCoins, 0);
  EXPECT_EQ(GetGameProgress().photos, (std::vector<TString>{"wallpapers/one", "wallpapers/two"}));
  EXPECT_TRUE(GetGameProgress().shownInfos.empty());
  EXPECT_TRUE(GetGameProgress().shown.empty());
  EXPECT_EQ(GetGameProgress().gameFinished, 0);
  EXPECT_TRUE(GetNeedGo2MainMenu());
  EXPECT_STREQ(NextScreenScript(TNextStep::kGameEnd), "scripts/mainmenu.lua");
  EXPECT_TRUE(log.Contains("MainGame: the last level is done"));
}

TEST_F(SceneFlowTest, AMiniGameThatIsThereGetsTheScreenAndOneThatIsNotIsSkipped) {
  GameProgress& p = GetGameProgress();
  p.chapterId = 3;
  // The chapter's mini-game location, not in this program: passed, and on to loc3.
  EXPECT_EQ(EnterDuePlace(), "scripts/maingame.lua");
  EXPECT_EQ(At(), "1 3 2 type 0");
  ASSERT_NE(p.GetLocationInfo("mgloc"), nullptr);
  EXPECT_EQ(p.GetLocationInfo("mgloc")->passed, 1);
  EXPECT_TRUE(log.Contains("MainGame: the mini-game mg02window 2 is not in this program; skipped"));
  // Now it is there.
  p.RemoveLocationInfo("mgloc");
  p.locationId = 1;
  ProvideScreen("mg02window");
  EXPECT_EQ(EnterDuePlace(), "scripts/mg02window.lua");
  EXPECT_EQ(GetMiniGameLevel(), 2);
  EXPECT_EQ(At(), "1 3 1 type 1");
  // The level's mini-game while mLocationType is set.
  p.locationId = 2;
  EXPECT_EQ(EnterDuePlace(), "scripts/maingame.lua");  // mg01window is missing: next level
  EXPECT_EQ(At(), "2 5 1 type 0");
  p.levelId = 1;
  p.chapterId = 3;
  p.locationId = 2;
  p.mLocationType = 1;
  ProvideScreen("mg01window");
  SetGo2MainMenuFlag(true);  // left by an earlier game's end
  EXPECT_EQ(EnterDuePlace(), "scripts/mg01window.lua");
  EXPECT_EQ(GetMiniGameLevel(), 2);
  // The choice of the next screen is the mini-game, not the main menu: the
  // game's end then leads on to the play screen.
  EXPECT_FALSE(GetNeedGo2MainMenu());
  // A type with a script but no window type, or an odd name, is not there.
  dir.Write("scripts/mg09window.lua", "--");
  RefreshFileLayer();
  EXPECT_FALSE(IsMiniGameAvailable("mg09window"));
  EXPECT_EQ(MiniGameScriptName("../x"), "");
  EXPECT_EQ(MiniGameScriptName(""), "");
  EXPECT_EQ(MiniGameScriptName(std::string(65, 'a')), "");
  EXPECT_EQ(MiniGameScriptName("mg_05"), "scripts/mg_05.lua");
}

TEST_F(SceneFlowTest, ALocationMiniGameHandsTheFlowBack) {
  Users()->CreateNewUser("Ada");
  GameProgress& p = GetGameProgress();
  p.chapterId = 3;
  EXPECT_TRUE(IsLocationMiniGameDue());
  p.mLocationType = 1;
  // Left before it was won: the player comes back into it (saved at once).
  EXPECT_EQ(FinishLocationMiniGame(false), "scripts/mainmenu.lua");
  EXPECT_EQ(At(), "1 3 1 type 1");
  EXPECT_EQ(p.GetLocationInfo("mgloc"), nullptr);
  EXPECT_EQ(gametest::SavedProgress().mLocationType, 1);
  // Won: its record is passed and the flow goes on to the next location.
  EXPECT_EQ(FinishLocationMiniGame(true), "scripts/maingame.lua");
  EXPECT_EQ(At(), "1 3 2 type 0");
  ASSERT_NE(p.GetLocationInfo("mgloc"), nullptr);
  EXPECT_EQ(p.GetLocationInfo("mgloc")->passed, 1);
  const GameProgress saved = gametest::SavedProgress();
  EXPECT_EQ(saved.locationId, 2);
  ASSERT_NE(saved.GetLocationInfo("mgloc"), nullptr);
  EXPECT_EQ(saved.GetLocationInfo("mgloc")->passed, 1);
  EXPECT_NE(p.GetLocationInfo("mgloc")->passDate, "01-01-01");
  EXPECT_FALSE(IsLocationMiniGameDue());
}

TEST_F(SceneFlowTest, PassedLocationsAreSteppedOverAndLostIdsGoBackToTheStart) {
  GameProgress& p = GetGameProgress();
  p.FindLocationInfo("loc1").passed = 1;
  EXPECT_EQ(EnterDuePlace(), "scripts/maingame.lua");
  EXPECT_EQ(At(), "1 1 2 type 0");
  p.levelId = 7;
  EXPECT_EQ(EnterDuePlace(), "scripts/maingame.lua");
  EXPECT_EQ(At(), "1 1 2 type 0");  // back to the start, then over loc1 again
  EXPECT_TRUE(log.Contains("MainGame: the progress names no location (level 7, chapter 1, location 2)"));
  // A main.xml without a playable start: the main menu.
  MainXml("<Game><Levels/></Game>");
  EXPECT_EQ(EnterDuePlace(), "scripts/mainmenu.lua");
  EXPECT_TRUE(log.Contains("MainGame: main.xml has no location at its start"));
}

TEST_F(SceneFlowTest, PopUpsAndTheLevelsComicOpenOnlyWhenTheProgramHasThem) {
  std::vector<std::string> heard;
  GetUpperLayerHooks().setNameInfosToRun = [&](const TString& n) { heard.push_back("infos " + n.str()); };
  GetUpperLayerHooks().setSplashInfo = [&](const TString& a, const TString& b, const TString& c) {
    heard.push_back("splash " + a.str() + " " + b.str() + " " + c.str());
  };
  Lua("function DoModal(n) gOpened = n end");
  OpenInfos(nullptr, "loc1_start");
  EXPECT_TRUE(log.Contains("MainGame: information loc1_start (no information pop-ups in this program)"));
  GetGameProgress().levelId = 2;
  EXPECT_EQ(ThroughLevelIntro("scripts/maingame.lua"), "scripts/maingame.lua");
  EXPECT_TRUE(heard.empty());
  ProvideScreen("Infos", "scripts/infos.lua");
  ProvideScreen("ComicsSpl", "scripts/splashstart.lua");
  OpenInfos(nullptr, "loc1_start");
  EXPECT_EQ(Global("gOpened"), "scripts/infos.lua");
  EXPECT_EQ(ThroughLevelIntro("scripts/maingame.lua"), "scripts/splashstart.lua");
  EXPECT_EQ(ThroughLevelIntro("scripts/mainmenu.lua"), "scripts/mainmenu.lua");
  EXPECT_EQ(heard, (std::vector<std::string>{"infos loc1_start", "splash com_2.xml com2 scripts/maingame.lua"}));
  GetGameProgress().MarkShown("com_2.xml");  // seen: straight on
  EXPECT_EQ(ThroughLevelIntro("scripts/maingame.lua"), "scripts/maingame.lua");
}
