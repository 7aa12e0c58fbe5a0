// The tutorial driver with real Lua statements and real button clicks:
// opening, steps by "next", events and click areas, the end of a screen
// whichever way it comes, skipped and numbered screens, the shadow's fades,
// the empty driver, and screens remembered in the player's progress.
#include <gtest/gtest.h>

#include "script/luaapi.h"
#include "tests/game/story/tutorfixture.h"

using namespace tutortest;

namespace {
// A statement that appends `word` and a blank to the Lua global "log".
std::string Say(const std::string& word) { return "log = (log or '') .. '" + word + " '"; }
constexpr int kNextX = 545, kNextY = 565, kCloseX = 605, kCloseY = 565;
}  // namespace

using TutorDriver = TutorTest;

TEST_F(TutorDriver, OpensAfterItsDelayInItsViewAndRunsStepThenScreenStatements) {
  Load("<TutorScript play_time=\"2\" screen_num=\"1\" do_in_start=\"" + Say("screen") + "\">" +
       Item("a", "do_in_start=\"" + Say("step") + "\"") + "</TutorScript>");
  // Loading runs nothing and shows nothing.
  EXPECT_EQ(LogText(), "");
  EXPECT_TRUE(tutor.IsWaiting());
  tutor.Update(1, 1, true);
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Update(1, 0, true);  // the delay is over, but another view
  tutor.Update(1, 1, false); // the owner does not allow it yet
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Update(0, 1, true);
  EXPECT_TRUE(tutor.IsBoxShown());
  EXPECT_EQ(tutor.GetCurrentItem(), 0);
  EXPECT_EQ(LogText(), "step screen ");
  // Once open, updates change nothing.
  tutor.Update(1, 1, true);
  EXPECT_EQ(LogText(), "step screen ");
}

TEST_F(TutorDriver, StepsAdvanceByNextButtonEventAndClickArea) {
  tutor.SetClickAreaAdvances(true);
  Load("<TutorScript do_in_end=\"" + Say("end") + "\">" + Item("one", "do_in_start=\"" + Say("1") + "\"") +
       Item("two", "do_in_start=\"" + Say("2") + "\"", "<Event evt_id=\"use_tool\"/>") +
       Item("three", "do_in_start=\"" + Say("3") + "\"",
            "<image name=\"arrow\" pos=\"100,100\" click_rect=\"100;200;50;40\"/>") +
       Item("four", "do_in_start=\"" + Say("4") + "\"") + "</TutorScript>");
  Open();
  // The next button, clicked as a player does.
  EXPECT_TRUE(Click(kNextX, kNextY));
  EXPECT_EQ(owner.commands, std::vector<std::string>{"next"});
  EXPECT_EQ(tutor.GetCurrentItem(), 1);
  // An event that is not the step's does nothing; the step's one moves on.
  tutor.OnEvent("no_tool");
  EXPECT_EQ(tutor.GetCurrentItem(), 1);
  tutor.OnEvent("use_tool");
  EXPECT_EQ(tutor.GetCurrentItem(), 2);
  // Outside the click area the click is taken; inside it passes and moves on.
  EXPECT_TRUE(Click(99, 210));
  EXPECT_EQ(tutor.GetCurrentItem(), 2);
  EXPECT_FALSE(Click(149, 239));
  EXPECT_EQ(tutor.GetCurrentItem(), 3);
  EXPECT_TRUE(tutor.IsBoxShown());
  EXPECT_EQ(LogText(), "1 2 3 4 ");
}

TEST_F(TutorDriver, ClickAreaSuspendsUntilTheOwnerResumes) {
  Load("<TutorScript>" + Item("one", "", "<image name=\"arrow\" click_rect=\"10;10;20;20\"/>") + Item("two") +
       "</TutorScript>");
  Open();
  // The click passes to the game, which reports it.
  EXPECT_FALSE(Click(15, 15));
  EXPECT_EQ(tutor.GetCurrentItem(), 0);
  tutor.OnClickRect(TPoint(15, 15));
  EXPECT_TRUE(tutor.IsScreenShown());
  EXPECT_FALSE(tutor.IsBoxShown());
  // Suspended: commands are ignored.
  TMessage next(kButtonPress, "next");
  EXPECT_FALSE(tutor.OnCommand(&next));
  tutor.HideCurrentScreen();
  EXPECT_TRUE(tutor.IsBoxShown());
  EXPECT_EQ(tutor.GetCurrentItem(), 1);
}

// However the last step ends, the screen is done, its end statements run
// once, and the next automatic screen opens on a later update.
TEST_F(TutorDriver, TheLastStepEndsTheScreenWhicheverWayItEnds) {
  const std::string next = Item("last");
  const std::string event = Item("last", "", "<Event evt_id=\"shoot_photo\"/>");
  const std::string area = Item("last", "", "<image name=\"arrow\" click_rect=\"10;10;20;20\"/>");
  for (int way = 0; way < 4; ++way) {
    SCOPED_TRACE(way);
    Lua("log = nil");
    const std::string& last = way == 1 ? event : way == 2 ? area : next;
    Load("<TutorScript do_in_end=\"" + Say("end") + "\">" + Item("first") + last + "</TutorScript><TutorScript>" +
         Item("second") + "</TutorScript>");
    Open();
    TMessage m(kButtonPress, "next");
    EXPECT_TRUE(tutor.OnCommand(&m));
    ASSERT_EQ(tutor.GetCurrentItem(), 1);
    if (way == 0) EXPECT_TRUE(tutor.OnCommand(&m));
    if (way == 1) tutor.OnEvent("shoot_photo");
    if (way == 2) tutor.OnClickRect(TPoint(12, 12));
    if (way == 3) EXPECT_TRUE(Click(kCloseX, kCloseY));
    EXPECT_FALSE(tutor.IsBoxUp());
    EXPECT_TRUE(tutor.GetScreens()[0].skip);
    EXPECT_EQ(tutor.GetScreens()[0].state, TutorScripts_t::kDone);
    EXPECT_EQ(LogText(), "end ");
    EXPECT_EQ(tutor.GetCurrentScreen(), 1);
    EXPECT_TRUE(tutor.IsActive());
    Open();
    EXPECT_TRUE(tutor.IsBoxShown());
    EXPECT_EQ(tutor.GetTextWindow()->GetText(), "second");
    EXPECT_EQ(LogText(), "end ");
  }
}

TEST_F(TutorDriver, CloseEndsAtOnceButNotOnScreensThatUseOnlyNext) {
  Load("<TutorScript do_in_end=\"" + Say("a") + "\">" + Item("x", "", "<image name=\"p\" click_rect=\"0;0;5;5\"/>") +
       Item("y") + "</TutorScript><TutorScript use_only_next=\"1\" do_in_end=\"" + Say("b") + "\">" + Item("z") +
       Item("w", "", "<image name=\"p\" click_rect=\"0;0;5;5\"/>") + "</TutorScript>");
  Open();
  // A first step with a pointer offers close, which ends the whole screen.
  EXPECT_EQ(tutor.GetLiveButton(), tutor.GetCloseButton());
  EXPECT_TRUE(Click(kCloseX, kCloseY));
  EXPECT_EQ(LogText(), "a ");
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  Open();
  TMessage close(kButtonPress, "close");
  EXPECT_FALSE(tutor.OnCommand(&close));
  TMessage skip(kButtonPress, "skip");
  EXPECT_TRUE(tutor.OnCommand(&skip));
  EXPECT_EQ(LogText(), "a b ");
  EXPECT_FALSE(tutor.IsActive());
}

TEST_F(TutorDriver, EndStatementsSeeTheNewStateAndMayStartAScreen) {
  Load("<TutorScript do_in_end=\"StartTestScreen()\">" + Item("a") + "</TutorScript><TutorScript id=\"4\">" +
       Item("numbered") + "</TutorScript>");
  struct Starter {
    static int Start(lua_State* L) {
      static_cast<TutorScripts_t*>(lua_touserdata(L, lua_upvalueindex(1)))->StartScreen(4);
      return 0;
    }
  };
  lua_State* L = script->GetState();
  lua_pushlightuserdata(L, &tutor);
  lua_pushcclosure(L, &Starter::Start, 1);
  lua_setglobal(L, "StartTestScreen");
  Open();
  TMessage next(kButtonPress, "next");
  tutor.OnCommand(&next);
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  EXPECT_EQ(tutor.GetCurrentState(), TutorScripts_t::kWaiting);
  Open();
  EXPECT_EQ(tutor.GetTextWindow()->GetText(), "numbered");
}

TEST_F(TutorDriver, ASkippedScreenDoesNotOpenInTheSameUpdate) {
  Solid("tut/cup.png", 10, 10, 0xFFFFFFFFu);
  Load("<TutorScript do_in_start=\"" + Say("first") + "\">" +
       Item("cup", "", "<image name=\"arrow\" click_rect=\"5;5;tut/cup\"/>") + "</TutorScript><TutorScript play_time=\"1\">" +
       Item("after") + "</TutorScript>");
  // The player finds the cup before the screen that points at it opens.
  EXPECT_TRUE(tutor.MarkFound("tut/cup"));
  tutor.Update(1, 0, true);
  EXPECT_FALSE(tutor.IsBoxUp());
  EXPECT_EQ(tutor.GetScreens()[0].state, TutorScripts_t::kDone);
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  tutor.Update(0.5f, 0, true);
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Update(0.5f, 0, true);
  EXPECT_TRUE(tutor.IsBoxShown());
  EXPECT_EQ(tutor.GetTextWindow()->GetText(), "after");
}

TEST_F(TutorDriver, MarkFoundSkipsEveryScreenPointingAtTheObjectButTheOneOnScreen) {
  Solid("tut/cup.png", 10, 10, 0xFFFFFFFFu);
  const std::string cup = Item("cup", "", "<image name=\"arrow\" click_rect=\"5;5;tut/cup\"/>");
  Load("<TutorScript>" + cup + "</TutorScript><TutorScript>" + Item("x") + cup + "</TutorScript><TutorScript>" + cup +
       Item("y") + "</TutorScript><TutorScript>" + Item("z") + "</TutorScript>");
  Open();
  tutor.MarkFound("tut/cup");
  tutor.MarkFound("");
  EXPECT_FALSE(tutor.GetScreens()[0].skip);
  EXPECT_TRUE(tutor.GetScreens()[1].skip);
  EXPECT_TRUE(tutor.GetScreens()[2].skip);  // its cup step has the current step's index: skipped all the same
  EXPECT_FALSE(tutor.GetScreens()[3].skip);
  TMessage close(kButtonPress, "close");
  tutor.OnCommand(&close);
  EXPECT_EQ(tutor.GetCurrentScreen(), 3);
}

TEST_F(TutorDriver, NumberedScreensOpenOnlyWhenStarted) {
  Load("<TutorScript>" + Item("a") + "</TutorScript><TutorScript id=\"2\" play_time=\"1\">" + Item("two") +
       "</TutorScript><TutorScript>" + Item("b") + "</TutorScript><TutorScript id=\"2\">" + Item("two again") +
       "</TutorScript>");
  Open();
  // The first ends on its last step by the click area's way (owner call).
  tutor.SetScreenShown(true);
  EXPECT_EQ(tutor.GetCurrentScreen(), 2);
  Open(3);
  EXPECT_EQ(tutor.GetTextWindow()->GetText(), "b");
  TMessage next(kButtonPress, "next");
  tutor.OnCommand(&next);
  // Only numbered screens are left: nothing opens by itself.
  EXPECT_FALSE(tutor.IsActive());
  Open(5);
  EXPECT_FALSE(tutor.IsBoxUp());
  // Started, the first one with that number opens; its delay is still due.
  tutor.StartScreen(7);
  EXPECT_FALSE(tutor.IsActive());
  tutor.StartScreen(2);
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  tutor.Update(0.5f, 0, true);
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Update(0.5f, 0, true);
  EXPECT_EQ(tutor.GetTextWindow()->GetText(), "two");
  tutor.OnCommand(&next);
  // A number whose screens were all seen changes nothing.
  tutor.StartScreen(2);
  EXPECT_EQ(tutor.GetCurrentScreen(), 3);
  Open();
  tutor.OnCommand(&next);
  tutor.StartScreen(2);
  EXPECT_FALSE(tutor.IsActive());
}

TEST_F(TutorDriver, ShadowFadesInAndOutButNeverFlashes) {
  Load("<TutorScript>" + Item("no shadow", "need_shadow=\"0\"") + Item("shadow") + Item("again") +
       "</TutorScript>");
  Open();
  // A first step without shadow: the record never shows.
  for (int i = 0; i < 4; ++i) tutor.StepNotice(0.5f);
  EXPECT_EQ(tutor.GetShadow().value, 0.0f);
  TMessage next(kButtonPress, "next");
  tutor.OnCommand(&next);
  tutor.StepNotice(0.5f);
  EXPECT_FLOAT_EQ(tutor.GetShadow().value, 0.25f);
  EXPECT_TRUE(tutor.StepNotice(0.5f));
  EXPECT_FLOAT_EQ(tutor.GetShadow().value, 0.5f);
  // Fully in: a further step with shadow does not start it again.
  tutor.OnCommand(&next);
  EXPECT_FALSE(tutor.GetShadow().active);
  // The end of the screen fades it out.
  tutor.OnCommand(&next);
  tutor.StepNotice(0.5f);
  EXPECT_FLOAT_EQ(tutor.GetShadow().value, 0.25f);
  tutor.StepNotice(0.5f);
  EXPECT_EQ(tutor.GetShadow().value, 0.0f);
  EXPECT_FALSE(tutor.GetShadow().visible);
}

TEST_F(TutorDriver, AnEmptyDriverAnswersEverythingSafely) {
  for (int pass = 0; pass < 2; ++pass) {
    TutorScripts_t t;
    if (pass == 1) {
      doc.Parse("<MiniGame><Common startMessageNum=\"0\"/></MiniGame>");
      t.Load(&owner, doc.RootElement());
    }
    EXPECT_FALSE(t.IsWaiting());
    EXPECT_FALSE(t.IsActive());
    EXPECT_FALSE(t.IsScreenShown());
    EXPECT_FALSE(t.IsBoxShown());
    t.Update(1, 0, true);
    t.StartScreen(0);
    t.OnEvent("start_level");
    t.ShowCurrentScreen();
    t.HideCurrentScreen();
    t.MarkFound("x");
    TMessage next(kButtonPress, "next");
    EXPECT_FALSE(t.OnCommand(&next));
    EXPECT_FALSE(t.OnMouseDown(TPoint(1, 1)));
    EXPECT_FALSE(t.OnMouseUp(TPoint(1, 1)));
    EXPECT_FALSE(t.OnMouseMove(TPoint(1, 1)));
    EXPECT_FALSE(t.IsOverClickRect(TPoint(1, 1)));
    t.OnClickRect(TPoint(1, 1));
    t.FinishAll();
    t.Reset();
    EXPECT_FALSE(t.IsWaiting());
    Frame([&] {
      t.DrawShadow();
      t.Draw();
    });
  }
  // A screen without steps counts as seen when its turn comes.
  Load("<TutorScript do_in_end=\"" + Say("empty") + "\"/><TutorScript>" + Item("a") + "</TutorScript>");
  Open();
  EXPECT_EQ(LogText(), "empty ");
  Open();
  EXPECT_EQ(tutor.GetTextWindow()->GetText(), "a");
}

TEST_F(TutorDriver, FinishAllPutsTheBoxDownAndLetsClicksThrough) {
  Load("<TutorScript>" + Item("a") + "</TutorScript><TutorScript>" + Item("b") + "</TutorScript>");
  Open();
  EXPECT_TRUE(Click(5, 5));
  tutor.FinishAll();
  EXPECT_FALSE(tutor.IsActive());
  EXPECT_FALSE(Click(5, 5));
  Open(3);
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Reset();
  Open();
  EXPECT_EQ(tutor.GetTextWindow()->GetText(), "a");
}

TEST_F(TutorDriver, UseOnlyNextLastStepWithoutAnotherWayOnOffersNext) {
  Load("<TutorScript use_only_next=\"1\">" + Item("a") + Item("b") + "</TutorScript>" +
       "<TutorScript use_only_next=\"1\">" + Item("c", "", "<Event evt_id=\"use_tool\"/>") + "</TutorScript>");
  Open();
  EXPECT_EQ(tutor.GetLiveButton(), tutor.GetNextButton());
  EXPECT_TRUE(Click(kNextX, kNextY));
  EXPECT_EQ(tutor.GetLiveButton(), tutor.GetNextButton());
  EXPECT_TRUE(Click(kNextX, kNextY));
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  Open();
  // With an event to wait for there is no button.
  EXPECT_EQ(tutor.GetLiveButton(), nullptr);
  EXPECT_TRUE(Click(kNextX, kNextY));
  EXPECT_TRUE(tutor.IsBoxShown());
  tutor.OnEvent("use_tool");
  EXPECT_FALSE(tutor.IsActive());
}

TEST_F(TutorDriver, EndedScreensAreRememberedForThePlayer) {
  const std::string screens = "<TutorScript>" + Item("a") + "</TutorScript><TutorScript>" + Item("b") +
                              "</TutorScript><TutorScript>" + Item("c") + "</TutorScript>";
  Load(screens);
  tutor.SetShownKey("tutorial:loc11");
  Open();
  TMessage next(kButtonPress, "next");
  tutor.OnCommand(&next);
  EXPECT_EQ(GetGameProgress().shown, std::vector<TString>{"tutorial:loc11:0"});
  // The same location again: the seen screen is passed over.
  TutorScripts_t again;
  again.Load(&owner, doc.RootElement());
  again.SetShownKey("tutorial:loc11");
  EXPECT_EQ(again.GetCurrentScreen(), 1);
  again.Update(1, 0, true);
  EXPECT_EQ(again.GetTextWindow()->GetText(), "b");
  // After a reset too; another key remembers nothing.
  again.Reset();
  EXPECT_EQ(again.GetCurrentScreen(), 1);
  TutorScripts_t other;
  other.Load(&owner, doc.RootElement());
  other.SetShownKey("tutorial:loc12");
  EXPECT_EQ(other.GetCurrentScreen(), 0);
}

TEST_F(TutorDriver, MiniGameOwnersGetClickAreasThatMoveOnAndStartScreensByNumber) {
  // The blocks game's opening and closing messages.
  tutor.SetClickAreaAdvances(true);
  Load("<TutorScript>" + Item("open", "", "<image name=\"to_left\" pos=\"50,50\" click_rect=\"0;0;20;20\"/>") +
       Item("open2") + "</TutorScript><TutorScript id=\"1\" do_in_end=\"" + Say("CloseMG") + "\">" + Item("won") +
       "</TutorScript>");
  tutor.HideCurrentScreen();
  tutor.StartScreen(-1);
  Open();
  EXPECT_TRUE(tutor.IsBoxShown());
  // "to_left" keeps the next button on a step with a picture.
  EXPECT_EQ(tutor.GetLiveButton(), tutor.GetNextButton());
  EXPECT_FALSE(Click(10, 10));
  EXPECT_EQ(tutor.GetCurrentItem(), 1);
  EXPECT_TRUE(Click(kCloseX, kCloseY));
  EXPECT_FALSE(tutor.IsActive());
  tutor.StartScreen(1);
  Open();
  EXPECT_EQ(tutor.GetTextWindow()->GetText(), "won");
  EXPECT_TRUE(Click(kCloseX, kCloseY));
  EXPECT_EQ(LogText(), "CloseMG ");
}
