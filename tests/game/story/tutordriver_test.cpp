// The tutorial driver with real Lua statements and real button clicks:
// opening, steps by "next", events and click areas, the end of a screen
// whichever way it comes, skipped and numbered screens, the shadow's fades
// and the empty driver.
#include <gtest/gtest.h>

#include "tests/game/story/tutorfixture.h"

using namespace tutortest;

namespace {
// A statement that appends `word` and a blank to the Lua global "log".
std::string Say(const std::string& word) { return "log = (log or '') .. '" + word + " '"; }
constexpr int kNextX = 545, kNextY = 565, kCloseX = 605, kCloseY = 565;
}  // namespace

class TutorDriver : public TutorTest {
protected:
  void Command(const char* name) {
    TMessage m(kButtonPress, name);
    tutor.OnCommand(&m);
  }
  std::string Text() { return tutor.GetTextWindow()->GetText().str(); }
};

TEST_F(TutorDriver, OpensAfterItsDelayInItsViewAndRunsStepThenScreenStatements) {
  Load("<TutorScript play_time=\"2\" screen_num=\"1\" do_in_start=\"" + Say("screen") + "\">" +
       Item("a", "do_in_start=\"" + Say("step") + "\"") + "</TutorScript>");
  EXPECT_EQ(LogText(), "");  // loading runs nothing
  tutor.Update(1, 1, true);
  tutor.Update(1, 0, true);   // the delay is over, but another view
  tutor.Update(1, 1, false);  // the owner does not allow it yet
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Update(0, 1, true);
  EXPECT_TRUE(tutor.IsBoxShown());
  tutor.Update(1, 1, true);
  EXPECT_EQ(LogText(), "step screen ");
}

TEST_F(TutorDriver, StepsAdvanceByNextButtonEventAndClickArea) {
  tutor.SetClickAreaAdvances(true);
  Load("<TutorScript>" + Item("one", "do_in_start=\"" + Say("1") + "\"") +
       Item("two", "do_in_start=\"" + Say("2") + "\"", "<Event evt_id=\"use_tool\"/>") +
       Item("three", "do_in_start=\"" + Say("3") + "\"", "<image name=\"p\" click_rect=\"100;200;50;40\"/>") +
       Item("four") + "</TutorScript>");
  Open();
  EXPECT_TRUE(Click(kNextX, kNextY));  // the next button, as a player clicks it
  EXPECT_EQ(owner.commands, std::vector<std::string>{"next"});
  tutor.OnEvent("no_tool");
  EXPECT_EQ(Text(), "two");
  tutor.OnEvent("use_tool");
  EXPECT_EQ(Text(), "three");
  // Outside the click area the click is taken; inside (right and bottom edges
  // excluded) it reaches the game and moves on.
  EXPECT_TRUE(Click(150, 210));
  EXPECT_TRUE(Click(120, 240));
  EXPECT_EQ(Text(), "three");
  EXPECT_FALSE(Click(149, 239));
  EXPECT_EQ(Text(), "four");
  EXPECT_EQ(LogText(), "1 2 3 ");
}

TEST_F(TutorDriver, AButtonInThePlaceOfThePreviousOneClicksWithoutAMove) {
  MainXml(StyleXml("", {{"buttclose", "close;540,560,0,0,0,0;tut/close;tut/close;tut/close"}}));
  Load("<TutorScript>" + Item("a") + Item("b") + "</TutorScript>");
  Open();
  EXPECT_TRUE(Click(kNextX, kNextY));
  EXPECT_EQ(Text(), "b");
  tutor.OnMouseDown(TPoint(kNextX, kNextY));
  tutor.OnMouseUp(TPoint(kNextX, kNextY));
  EXPECT_EQ(owner.commands, (std::vector<std::string>{"next", "close"}));
  EXPECT_FALSE(tutor.IsActive());
}

// However the last step ends, the screen is done, its end statements run
// once, and the next automatic screen opens on a later update.
TEST_F(TutorDriver, TheLastStepEndsTheScreenWhicheverWayItEnds) {
  for (int way = 0; way < 4; ++way) {
    SCOPED_TRACE(way);
    Lua("log = nil");
    std::string last = way == 1 ? Item("last", "", "<Event evt_id=\"shoot_photo\"/>")
                       : way == 2 ? Item("last", "", "<image name=\"p\" click_rect=\"10;10;20;20\"/>")
                                  : Item("last");
    Load("<TutorScript do_in_end=\"" + Say("end") + "\">" + Item("first") + last + "</TutorScript><TutorScript>" +
         Item("second") + "</TutorScript>");
    Open();
    Command("next");
    if (way == 0) Command("next");
    if (way == 1) tutor.OnEvent("shoot_photo");
    if (way == 2) tutor.OnClickRect(TPoint(12, 12));
    if (way == 3) {
      EXPECT_TRUE(Click(kCloseX, kCloseY));
    }
    EXPECT_FALSE(tutor.IsBoxUp());
    EXPECT_TRUE(tutor.GetScreens()[0].skip);
    EXPECT_EQ(tutor.GetScreens()[0].state, TutorScripts_t::kDone);
    EXPECT_EQ(tutor.GetCurrentScreen(), 1);
    Open();
    EXPECT_EQ(Text(), "second");
    EXPECT_EQ(LogText(), "end ");
  }
}

TEST_F(TutorDriver, FoundObjectsSkipScreensWhichThenDoNotOpenInTheSameUpdate) {
  Solid("tut/cup.png", 10, 10, 0xFFFFFFFFu);
  const std::string cup = Item("cup", "", "<image name=\"p\" click_rect=\"5;5;tut/cup\"/>");
  Load("<TutorScript do_in_start=\"" + Say("cup") + "\">" + Item("x") + cup +
       "</TutorScript><TutorScript play_time=\"1\">" + cup + Item("x") + "</TutorScript><TutorScript>" + Item("after") +
       "</TutorScript>");
  EXPECT_TRUE(tutor.MarkFound("tut/cup"));
  // Both screens pointing at the cup are skipped, whichever step points at it
  // (the second one's is at the current step's index).
  EXPECT_TRUE(tutor.GetScreens()[0].skip && tutor.GetScreens()[1].skip);
  tutor.Update(1, 0, true);
  EXPECT_FALSE(tutor.IsBoxUp());
  EXPECT_EQ(tutor.GetScreens()[0].state, TutorScripts_t::kDone);
  EXPECT_EQ(tutor.GetCurrentScreen(), 2);
  Open();
  EXPECT_EQ(Text(), "after");
  EXPECT_EQ(LogText(), "");
  // The screen on the screen is not skipped under the player.
  Load("<TutorScript>" + cup + "</TutorScript>");
  Open();
  tutor.MarkFound("tut/cup");
  EXPECT_FALSE(tutor.GetScreens()[0].skip);
}

TEST_F(TutorDriver, NumberedScreensOpenOnlyWhenStarted) {
  Load("<TutorScript>" + Item("a") + "</TutorScript><TutorScript id=\"2\" play_time=\"1\">" + Item("two") +
       "</TutorScript><TutorScript>" + Item("b") + "</TutorScript>");
  Open();
  tutor.SetScreenShown(true);  // the last step's click area
  Open(3);
  EXPECT_EQ(Text(), "b");
  Command("next");
  EXPECT_FALSE(tutor.IsActive());
  Open(3);
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.StartScreen(7);
  EXPECT_FALSE(tutor.IsActive());
  tutor.StartScreen(2);
  tutor.Update(0.5f, 0, true);  // its delay still runs
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Update(0.5f, 0, true);
  EXPECT_EQ(Text(), "two");
  Command("close");
  tutor.StartScreen(2);  // seen: nothing
  EXPECT_FALSE(tutor.IsActive());
}

TEST_F(TutorDriver, TheShadowFadesButNeverFlashes) {
  Load("<TutorScript>" + Item("no shadow", "need_shadow=\"0\"") + Item("shadow") + Item("again") +
       "</TutorScript>");
  Open();
  for (int i = 0; i < 4; ++i) tutor.StepNotice(0.5f);
  EXPECT_EQ(tutor.GetShadow().value, 0.0f);
  Command("next");
  tutor.StepNotice(0.5f);
  EXPECT_FLOAT_EQ(tutor.GetShadow().value, 0.25f);
  EXPECT_TRUE(tutor.StepNotice(0.5f));
  EXPECT_FLOAT_EQ(tutor.GetShadow().value, 0.5f);
  Command("next");  // fully in: not started again
  EXPECT_FALSE(tutor.GetShadow().active);
  Command("next");  // the end of the screen fades it out
  tutor.StepNotice(0.5f);
  EXPECT_FLOAT_EQ(tutor.GetShadow().value, 0.25f);
}

TEST_F(TutorDriver, AnEmptyDriverAnswersEverythingSafely) {
  for (int pass = 0; pass < 2; ++pass) {
    TutorScripts_t t;
    doc.Parse("<MiniGame><Common startMessageNum=\"0\"/></MiniGame>");
    if (pass == 1) t.Load(&owner, doc.RootElement());
    EXPECT_FALSE(t.IsWaiting() || t.IsActive() || t.IsScreenShown() || t.IsBoxShown());
    t.Update(1, 0, true);
    t.StartScreen(0);
    t.OnEvent("start_level");
    t.ShowCurrentScreen();
    t.HideCurrentScreen();
    t.MarkFound("x");
    TMessage next(kButtonPress, "next");
    EXPECT_FALSE(t.OnCommand(&next) || t.OnMouseDown(TPoint(1, 1)) || t.OnMouseUp(TPoint(1, 1)) ||
                 t.OnMouseMove(TPoint(1, 1)) || t.IsOverClickRect(TPoint(1, 1)));
    t.FinishAll();
    t.Reset();
    EXPECT_FALSE(t.IsWaiting());
    Frame([&] { t.Draw(); });
  }
  // A screen without steps counts as seen when its turn comes.
  Load("<TutorScript do_in_end=\"" + Say("empty") + "\"/><TutorScript>" + Item("a") + "</TutorScript>");
  Open(2);
  EXPECT_EQ(LogText(), "empty ");
  EXPECT_EQ(Text(), "a");
}

TEST_F(TutorDriver, AUseOnlyNextLastStepWithoutAnotherWayOnOffersNext) {
  Load("<TutorScript use_only_next=\"1\">" + Item("a") + "</TutorScript><TutorScript use_only_next=\"1\">" +
       Item("c", "", "<Event evt_id=\"use_tool\"/>") + "</TutorScript>");
  Open();
  EXPECT_EQ(tutor.GetLiveButton(), tutor.GetNextButton());
  EXPECT_TRUE(Click(kNextX, kNextY));
  Open();
  EXPECT_EQ(Text(), "c");
  EXPECT_EQ(tutor.GetLiveButton(), nullptr);  // the event is its way on
  Command("close");
  EXPECT_TRUE(tutor.IsBoxShown());
}

TEST_F(TutorDriver, MiniGameOwnersGetClickAreasThatMoveOnAndStartScreensByNumber) {
  tutor.SetClickAreaAdvances(true);
  Load("<TutorScript>" + Item("open", "", "<image name=\"to_left\" click_rect=\"0;0;20;20\"/>") + Item("open2") +
       "</TutorScript><TutorScript id=\"1\" do_in_end=\"" + Say("CloseMG") + "\">" + Item("won") + "</TutorScript>");
  tutor.HideCurrentScreen();
  tutor.StartScreen(-1);
  Open();
  EXPECT_EQ(tutor.GetLiveButton(), tutor.GetNextButton());  // "to_left" keeps next
  EXPECT_FALSE(Click(10, 10));
  EXPECT_EQ(Text(), "open2");
  EXPECT_TRUE(Click(kCloseX, kCloseY));
  EXPECT_FALSE(tutor.IsActive());
  tutor.StartScreen(1);
  Open();
  EXPECT_TRUE(Click(kCloseX, kCloseY));
  EXPECT_EQ(LogText(), "CloseMG ");
}
