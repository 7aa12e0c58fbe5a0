// The mini-game frame: its life (the current-game pointer, the progress
// mark, the variant, the clock, the Lua globals), the end of a game in the
// progress and the next screen, the routing of commands and mouse, the
// resources' shared keys and the quit question's hook.
#include <gtest/gtest.h>

#include <cmath>

#include "game/minigames/register.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "game/story/logbook.h"
#include "platform/xml.h"
#include "script/bind.h"
#include "tests/game/minigames/mgfixture.h"
#include "tests/game/support/gametest.h"

using mgtest::TMiniGameTest;

namespace {

class TFrameTest : public TMiniGameTest {
protected:
  // A frame made directly, without a script: tests of its own operations.
  std::unique_ptr<TMG01Window> Make() { return std::make_unique<TMG01Window>(); }
};

MGTextStyle StyleOf(const std::string& attributes) {
  TiXmlDocument doc;
  ParseXmlDocument(doc, "<Text " + attributes + "/>", "test");
  return TMiniGames::ReadTextStyle(doc.RootElement());
}

}  // namespace

TEST_F(TFrameTest, LivesAsTheCurrentMiniGameWithItsGlobals) {
  EXPECT_EQ(gCurrentMiniGame, nullptr);
  EXPECT_EQ(Global("CloseMG"), "nil");
  SetMiniGameLevel(3);
  {
    auto frame = Make();
    EXPECT_EQ(gCurrentMiniGame, frame.get());
    EXPECT_EQ(gMiniGameVariant, 1);  // 3 is no variant
    EXPECT_EQ(GetGameProgress().mLocationType, 1);
    EXPECT_FLOAT_EQ(frame->GetAnimStep(), 0.016f);
    EXPECT_EQ(frame->GetWindowName(), "mg01window");
    EXPECT_NE(Global("CloseMG"), "nil");
    EXPECT_NE(Global("MGEnd"), "nil");
    Lua("CloseMG()");
    EXPECT_TRUE(frame->closeRequested);
    EXPECT_TRUE(frame->IsA(TMiniGames::ClassId()));
    EXPECT_STREQ(frame->GetClassName(), "TMG01Window");
  }
  EXPECT_EQ(gCurrentMiniGame, nullptr);
  EXPECT_EQ(Global("CloseMG"), "nil");
  EXPECT_EQ(Global("MGEnd"), "nil");
  SetMiniGameLevel(2);
  MainXml("<Game><Common animrate=\"40\"/></Game>");
  auto frame = Make();
  EXPECT_EQ(gMiniGameVariant, 2);
  EXPECT_FLOAT_EQ(frame->GetAnimStep(), 0.04f);
  EXPECT_EQ(Game01Resources_t().GetFileName(2), TString("assets/minigame1_2.xml"));
}

TEST_F(TFrameTest, LeavingBeforeTheWinKeepsThePlayerInTheGame) {
  RecreateUserInfo();
  GetUserInfo()->CreateNewUser("Ada");
  GetGameProgress().levelId = 1;
  GetGameProgress().chapterId = 4;
  auto frame = Make();
  frame->MGEnd();
  const GameProgress& p = GetGameProgress();
  EXPECT_EQ(p.levelId, 1);
  EXPECT_EQ(p.chapterId, 4);
  EXPECT_EQ(p.locationId, 1);
  EXPECT_EQ(p.mLocationType, 1);
  EXPECT_EQ(GetShadowTarget(), "mg01window");
  EXPECT_EQ(GetShadowScript(), "scripts/mainmenu.lua");
  // Saved at once: the next start comes back to the game.
  const GameProgress saved = gametest::SavedProgress();
  EXPECT_EQ(saved.chapterId, 4);
  EXPECT_EQ(saved.mLocationType, 1);
  DeleteUserInfo();
}

TEST_F(TFrameTest, WinningTheLastLevelStartsANewGameButKeepsThePhotographs) {
  RecreateUserInfo();
  GetUserInfo()->CreateNewUser("Ada");
  GameProgress& p = GetGameProgress();
  p.levelId = 2;
  p.chapterId = 8;
  p.photos = {"p/one", "p/two"};
  p.shownInfos = {"info1"};
  p.tools = {{"knife", 1}};
  p.FindLocationInfo("a").passed = 1;
  auto frame = Make();
  frame->isWon = true;
  frame->MGEnd();
  EXPECT_EQ(p.levelId, 1);
  EXPECT_EQ(p.chapterId, 1);
  EXPECT_EQ(p.locationId, 1);
  EXPECT_TRUE(p.tools.empty());
  EXPECT_TRUE(p.locationInfos.empty());
  EXPECT_EQ(p.photos, (std::vector<TString>{"p/one", "p/two"}));
  // The pop-ups open again in the new game.
  EXPECT_TRUE(p.shownInfos.empty());
  EXPECT_EQ(p.gameFinished, 0);
  EXPECT_TRUE(GetNeedGo2MainMenu());
  EXPECT_EQ(frame->GetNextScript(), "scripts/mainmenu.lua");
  // Saved at once.
  const GameProgress saved = gametest::SavedProgress();
  EXPECT_EQ(saved.levelId, 1);
  EXPECT_EQ(saved.photos, (std::vector<TString>{"p/one", "p/two"}));
  EXPECT_TRUE(saved.shownInfos.empty());
  DeleteUserInfo();
  SetGo2MainMenuFlag(false);
}

TEST_F(TFrameTest, FinishingGoesThroughTheComicWhenTheNewLevelHasOne) {
  MainXml("<Game><Common/><Levels><Level id=\"1\" mgame=\"mg01window\"><Chapt id=\"1\"><Loc filename=\"a\"/></Chapt>"
          "</Level><Level id=\"2\" intro=\"com_2.xml\" introPict=\"com2\"><Chapt id=\"3\"><Loc filename=\"b\"/>"
          "</Chapt></Level></Levels></Game>");
  std::vector<std::string> splash;
  GetUpperLayerHooks().setSplashInfo = [&](const TString& a, const TString& b, const TString& c) {
    splash = {a.str(), b.str(), c.str()};
  };
  auto frame = Make();
  frame->isWon = true;
  frame->FinishMiniGame(frame.get(), "mg01window");
  // Without the splash screen's script the comic is passed over.
  EXPECT_TRUE(splash.empty());
  EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");

  Write("scripts/splashstart.lua", "-- the splash");
  GetGameProgress().levelId = 1;
  frame->FinishMiniGame(frame.get(), "mg01window");
  EXPECT_EQ(splash, (std::vector<std::string>{"com_2.xml", "com2", "scripts/maingame.lua"}));
  EXPECT_EQ(GetShadowTarget(), "mg01window");
  EXPECT_EQ(GetShadowScript(), "scripts/splashstart.lua");
  // A script asked for the main menu: it comes next, after the comic.
  TLuaBindings globals(script->GetState());
  BindGameDataGlobals(globals);
  Lua("SetNeedGo2MainMenu()");
  GetGameProgress().levelId = 1;
  frame->FinishMiniGame(frame.get(), "mg01window");
  EXPECT_EQ(splash, (std::vector<std::string>{"com_2.xml", "com2", "scripts/mainmenu.lua"}));
  GetGameProgress().levelId = 1;
  GetGameProgress().MarkShown("com_2.xml");
  frame->FinishMiniGame(frame.get(), "mg01window");
  EXPECT_EQ(GetShadowScript(), "scripts/mainmenu.lua");
  ClearUpperLayers();
  SetGo2MainMenuFlag(false);
}

// The last level won: the game begins again at level 1, and level 1's comic
// comes before the main menu.
TEST_F(TFrameTest, FinishingTheLastLevelShowsTheFirstLevelsComicBeforeTheMainMenu) {
  MainXml("<Game><Common/><Levels><Level id=\"1\" intro=\"com_1.xml\" introPict=\"com1\"><Chapt id=\"1\">"
          "<Loc filename=\"a\"/></Chapt></Level><Level id=\"2\" mgame=\"mg01window\" intro=\"com_2.xml\">"
          "<Chapt id=\"3\"><Loc filename=\"b\"/></Chapt></Level></Levels></Game>");
  Write("scripts/splashstart.lua", "-- the splash");
  std::vector<std::string> splash;
  GetUpperLayerHooks().setSplashInfo = [&](const TString& a, const TString& b, const TString& c) {
    splash = {a.str(), b.str(), c.str()};
  };
  GetGameProgress().levelId = 2;
  GetGameProgress().chapterId = 3;
  GetGameProgress().MarkShown("com_1.xml");
  auto frame = Make();
  frame->isWon = true;
  frame->FinishMiniGame(frame.get(), "mg01window");
  EXPECT_EQ(GetGameProgress().levelId, 1);
  EXPECT_EQ(splash, (std::vector<std::string>{"com_1.xml", "com1", "scripts/mainmenu.lua"}));
  EXPECT_EQ(GetShadowScript(), "scripts/splashstart.lua");
  ClearUpperLayers();
  SetGo2MainMenuFlag(false);
}

TEST_F(TFrameTest, CommandsReachTheFrameTheJournalAndTheTutorial) {
  ASSERT_TRUE(Open());
  EXPECT_EQ(game->GetButton("restart"), nullptr);  // the blocks game has no restart
  TMessage restart(kButtonPress, "restart");
  EXPECT_TRUE(game->OnMessage(&restart));
  TMessage other(kGeneric, "skipgame");
  EXPECT_FALSE(game->OnMessage(&other));
  EXPECT_FALSE(game->skipped);
  TMessage unknown(kButtonPress, "nothing");
  EXPECT_FALSE(game->OnMessage(&unknown));  // the tutorial has no box up

  TMessage journal(kButtonPress, "logbook");
  EXPECT_TRUE(game->OnMessage(&journal));
  EXPECT_EQ(game->logBook->GetState(), LogBook_t::kOpening);
  EXPECT_TRUE(game->logBook->writingSuppressed);
  Steps(30);
  EXPECT_TRUE(game->IsLogBookOpen());
  // Any press goes to the journal, never to the game or its buttons.
  ClickAt(940 + 32, 604 + 32);  // skip
  EXPECT_FALSE(game->skipped);
  TMessage close(kButtonPress, "logbookclose");
  EXPECT_TRUE(game->OnMessage(&close));
  EXPECT_EQ(game->logBook->GetState(), LogBook_t::kClosing);
  // A click on the journal button while the book fades out opens it again
  // once it is closed: the book ends open over the tray.
  ClickAt(20 + 32, 684 + 32);
  EXPECT_EQ(game->logBook->GetState(), LogBook_t::kClosing);
  Steps(30);
  EXPECT_TRUE(game->IsLogBookOpen());
  const uint32_t page = DrawFrame().At(TrayPoint(0).x, TrayPoint(0).y);
  EXPECT_TRUE(widgettest::Close(page, 0xFFF0E8D0u)) << std::hex << page;

  TMessage menu(kButtonPress, "menu");
  Write("scripts/minigamemenu.lua", "DebugOut('menu opened')");
  EXPECT_TRUE(game->OnMessage(&menu));
  EXPECT_TRUE(log.Contains("menu opened"));
}

TEST_F(TFrameTest, TheOpeningMessageHoldsTheGameUntilItIsClosed) {
  ASSERT_TRUE(Open(mgtest::BlocksFile(mgtest::DemoBlocks(), "startMessageNum=\"2\"")));
  Steps(2);
  ASSERT_TRUE(game->GetTutor().IsBoxShown());
  ClickAt(TrayPoint(0).x, TrayPoint(0).y);
  EXPECT_EQ(game->carriedPiece, -1);
  ClickAt(600 + 20, 560 + 15);  // the box's close button
  EXPECT_FALSE(game->GetTutor().IsActive());
  ClickAt(TrayPoint(0).x, TrayPoint(0).y);
  EXPECT_EQ(game->carriedPiece, 0);
}

// Without a closing message the won game waits for CloseMG all the same;
// as no message can call it, the frame's skip button and Escape end it.
TEST_F(TFrameTest, WithoutAClosingMessageTheGameWaitsForCloseMGOrTheSkipButtonOrEscape) {
  for (const char* way : {"CloseMG", "skip", "Escape"}) {
    SCOPED_TRACE(way);
    GetGameProgress().Reset();  // each round at level 1
    SetGo2MainMenuFlag(false);
    ASSERT_TRUE(Open(mgtest::BlocksFile(mgtest::DemoBlocks(), "", "<TutorScripts/>")));
    game->SkipGame();
    int steps = 0;
    while (!game->isWon && steps < 1000) {
      Tick(16);
      ++steps;
    }
    ASSERT_TRUE(game->isWon);
    Steps(200);
    EXPECT_FALSE(game->finishing);
    EXPECT_TRUE(log.Contains("mg01window: the tutorial has no closing message 1; the skip button or Escape ends the game"));
    if (std::string(way) == "CloseMG") Lua("CloseMG()");
    else if (std::string(way) == "skip") ClickAt(970, 630);
    else Send(kEventChar, 0, 0, 27);
    Steps(2);
    EXPECT_TRUE(game->finishing);
    EXPECT_EQ(GetShadowScript(), "scripts/maingame.lua");
    Steps(200);  // the fade takes the game away
  }
  SetGo2MainMenuFlag(false);
}

TEST_F(TFrameTest, TheQuitQuestionIsTheCurrentGamesAndThePlugInRegistersTheType) {
  Write("scripts/askgame2quit.lua", "DebugOut('asked')");
  TMiniGames::AskQuitMiniGame();  // no game: nothing
  EXPECT_FALSE(log.Contains("asked"));
  AddMiniGameLayer();
  EXPECT_EQ(FindUpperWindowType("mg01window"), TMG01Window::ClassCreator());
  const TUpperLayerHooks& hooks = GetUpperLayerHooks();
  ASSERT_TRUE(hooks.isMiniGameOpen && hooks.askQuitMiniGame);
  EXPECT_FALSE(hooks.isMiniGameOpen());
  {
    auto frame = Make();
    EXPECT_TRUE(hooks.isMiniGameOpen());
    hooks.askQuitMiniGame();
    EXPECT_TRUE(log.Contains("asked"));
  }
  EXPECT_FALSE(hooks.isMiniGameOpen());
  ClearUpperLayers();
}

TEST(MiniGameFile, TextStyleAndSharedKeys) {
  MGTextStyle style = StyleOf("xAlign=\"2\" yAlign=\"3\" color=\"255, 128, 0, 255\" rect=\"10, 20, 300, 40\" "
                              "font=\"fonts/x.mvec\" fh=\"30\"");
  EXPECT_EQ(style.align, 9);
  EXPECT_FLOAT_EQ(style.color.r, 1.0f);
  EXPECT_NEAR(style.color.g, 0.50196f, 1e-5);
  EXPECT_FLOAT_EQ(style.color.b, 0.0f);
  EXPECT_FLOAT_EQ(style.color.a, 1.0f);
  EXPECT_EQ(style.width, 300);
  EXPECT_EQ(style.height, 40);
  EXPECT_EQ(style.font, TString("fonts/x.mvec"));
  EXPECT_EQ(style.fh, 30);
  EXPECT_EQ(StyleOf("xAlign=\"7\" yAlign=\"2\"").align, 4);
  EXPECT_EQ(StyleOf("xAlign=\"3\" yAlign=\"0\"").align, 2);
  // Too few numbers: those that were read count, the others keep their defaults.
  MGTextStyle defaults = StyleOf("rect=\"1, 2, 300\" color=\"255, 51\" fh=\"none\"");
  EXPECT_EQ(defaults.width, 300);
  EXPECT_EQ(defaults.height, 0);
  EXPECT_FLOAT_EQ(defaults.color.g, 0.2f);
  EXPECT_EQ(defaults.color.a, 0.0f);
  EXPECT_EQ(defaults.fh, 24);

  TiXmlDocument doc;
  ParseXmlDocument(doc, "<G><Common text_angle=\"90\" text_pos=\"512, 40\" preview_pos=\"1e9, -3\" win_counter=\"5\"/>"
                        "<Text/></G>", "test");
  MGCommonData data;
  TString why;
  ASSERT_TRUE(ReadMGCommonDocument(doc, &data, &why));
  EXPECT_NEAR(data.textAngle, 3.14159265f / 2, 1e-6);
  EXPECT_EQ(data.textPos, TVec2(512, 40));
  EXPECT_EQ(data.previewPos, TVec2(kMGLargestNumber, -3));
  EXPECT_EQ(data.winCounter, 5);
  // Whole numbers are read as far as they go: "3.5" is 3, "20px" 20.
  ParseXmlDocument(doc, "<G><Common win_counter=\"3.5\"/><Text fh=\"20px\" xAlign=\" 2.9\"/></G>", "test");
  data = MGCommonData();
  ASSERT_TRUE(ReadMGCommonDocument(doc, &data, &why));
  EXPECT_EQ(data.winCounter, 3);
  EXPECT_EQ(data.textStyle.fh, 20);
  EXPECT_EQ(data.textStyle.align, 1);
  // "x, y" with one number: x is read, y keeps its default.
  ParseXmlDocument(doc, "<G><Common text_pos=\"512\" preview_pos=\"7, 8, 9\"/><Text/></G>", "test");
  data = MGCommonData();
  ASSERT_TRUE(ReadMGCommonDocument(doc, &data, &why));
  EXPECT_EQ(data.textPos, TVec2(512, 0));
  EXPECT_EQ(data.previewPos, TVec2(7, 8));
  ParseXmlDocument(doc, "<G><Common/></G>", "test");
  EXPECT_FALSE(ReadMGCommonDocument(doc, &data, &why));
  EXPECT_EQ(why, TString("it has no \"Text\" element"));
  float v[2] = {-1, -1};
  EXPECT_EQ(ReadMGNumbers("1, nan", v, 2), 1);  // not finite: not read
  EXPECT_EQ(v[0], 1.0f);
  EXPECT_EQ(v[1], -1.0f);
  EXPECT_EQ(ReadMGNumbers("x, 5", v, 2), 0);
  EXPECT_EQ(v[0], 1.0f);
  // "%f, %f": the comma comes right after the number; blanks may follow it.
  EXPECT_EQ(ReadMGNumbers(" 1,  2 ", v, 2), 2);
  EXPECT_EQ(v[1], 2.0f);
  EXPECT_EQ(ReadMGNumbers("3 ,4", v, 2), 1);
  EXPECT_EQ(v[0], 3.0f);
  EXPECT_EQ(v[1], 2.0f);
  ParseXmlDocument(doc, "<G><Common text_pos=\"10 ,20\" preview_pos=\"5,\t6\"/><Text rect=\"1, 2, 300 , 40\"/></G>",
                   "test");
  data = MGCommonData();
  ASSERT_TRUE(ReadMGCommonDocument(doc, &data, &why));
  EXPECT_EQ(data.textPos, TVec2(10, 0));
  EXPECT_EQ(data.previewPos, TVec2(5, 6));
  EXPECT_EQ(data.textStyle.width, 300);
  EXPECT_EQ(data.textStyle.height, 0);
}
