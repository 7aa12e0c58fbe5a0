// The tutorial driver with real Lua statements and real button clicks:
// loading and opening, steps by "next", events and click areas, the end of
// a screen by each way and what comes after it, found, skipped and numbered
// screens, the shadow's fades, Reset and the empty driver.
#include <gtest/gtest.h>

#include "game/shell/widgets/commonsound.h"
#include "script/bind.h"
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
  EXPECT_EQ(LogText(), "step ");  // loading shows the first step: its statements run
  tutor.Update(1, 1, true);
  tutor.Update(1, 0, true);   // the delay is over, but another view
  tutor.Update(1, 1, false);  // the owner does not allow it yet
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Update(0, 1, true);
  EXPECT_TRUE(tutor.IsBoxShown());
  tutor.Update(1, 1, true);
  EXPECT_EQ(LogText(), "step step screen ");
}

TEST_F(TutorDriver, StepsAdvanceByNextButtonEventAndClickArea) {
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
  // excluded) it reaches the game, which reports it: the screen is suspended
  // (no box, no commands) until the owner lets it go on with the next step.
  EXPECT_TRUE(Click(150, 210));
  EXPECT_TRUE(Click(120, 240));
  EXPECT_FALSE(Click(149, 239));
  EXPECT_EQ(Text(), "three");
  tutor.OnClickRect(TPoint(149, 239));
  EXPECT_TRUE(tutor.IsScreenShown());
  EXPECT_FALSE(tutor.IsBoxShown());
  Command("next");
  EXPECT_EQ(Text(), "three");
  tutor.HideCurrentScreen();
  EXPECT_TRUE(tutor.IsBoxShown());
  EXPECT_EQ(Text(), "four");
  EXPECT_EQ(LogText(), "1 1 2 3 ");  // the first step's also when it loaded
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

// "next" or the event past the last step ends the screen and the tutorial
// waits there (only StartScreen or Reset moves on); a click in the last
// step's click area, "close" and "skip" go on to the next screen; only the
// two buttons run the end statements, before the screen is passed over.
TEST_F(TutorDriver, HowTheLastStepEndsDecidesWhatComesNext) {
  struct TProbe {
    TutorScripts_t* tutor;
    std::string seen;
    void Look() { seen += tutor->IsBoxUp() && !tutor->GetScreens()[0].skip ? "open " : "passed "; }
  } probe{&tutor, ""};
  std::unique_ptr<TLuaBindings> bindings = MakeScriptBindings();
  bindings->Bind("Look", &probe, &TProbe::Look);
  for (int way = 0; way < 5; ++way) {
    SCOPED_TRACE(way);
    Lua("log = nil");
    probe.seen.clear();
    std::string last = way == 1 ? Item("last", "", "<Event evt_id=\"shoot_photo\"/>")
                       : way == 2 ? Item("last", "", "<image name=\"p\" click_rect=\"10;10;20;20\"/>")
                                  : Item("last");
    Load("<TutorScript do_in_end=\"" + Say("end") + ";Look()\">" + Item("first") + last +
         "</TutorScript><TutorScript>" + Item("second") + "</TutorScript>");
    Open();
    Command("next");
    if (way == 0) Command("next");
    if (way == 1) tutor.OnEvent("shoot_photo");
    if (way == 2) tutor.OnClickRect(TPoint(12, 12));
    if (way == 3) {
      EXPECT_TRUE(Click(kCloseX, kCloseY));
    }
    if (way == 4) Command("skip");
    EXPECT_FALSE(tutor.IsBoxUp());
    EXPECT_TRUE(tutor.GetScreens()[0].skip);
    EXPECT_EQ(tutor.GetScreens()[0].state, TutorScripts_t::kDone);
    EXPECT_EQ(LogText(), way >= 3 ? "end " : "");
    EXPECT_EQ(probe.seen, way >= 3 ? "open " : "");
    if (way <= 1) {
      EXPECT_EQ(tutor.GetCurrentScreen(), 0);
      EXPECT_FALSE(tutor.IsActive());
      Open(3);
      EXPECT_FALSE(tutor.IsBoxUp());
      tutor.StartScreen(0);  // the first screen of id 0 whose skip flag is clear
    }
    EXPECT_EQ(tutor.GetCurrentScreen(), 1);
    Open();
    EXPECT_EQ(Text(), "second");
  }
}

TEST_F(TutorDriver, FoundObjectsPassOverTheScreensThatPointAtThem) {
  Solid("tut/cup.png", 10, 10, 0xFFFFFFFFu);
  const std::string cup = Item("cup", "", "<image name=\"p\" click_rect=\"5;5;tut/cup\"/>");
  // After loading the current step is 0: the second screen's step 0 points
  // at the cup at that index and is kept; the others are passed over.
  Load("<TutorScript do_in_start=\"" + Say("cup") + "\">" + Item("x") + cup + "</TutorScript><TutorScript>" + cup +
       Item("y") + "</TutorScript><TutorScript>" + Item("z") + cup + "</TutorScript>");
  EXPECT_TRUE(tutor.MarkFound("tut/cup"));
  const auto& s = tutor.GetScreens();
  EXPECT_TRUE(s[0].skip);
  EXPECT_FALSE(s[1].skip);
  EXPECT_TRUE(s[2].skip);
  // The found current screen is done, but whose time has come in this update
  // opens all the same.
  tutor.Update(1, 0, true);
  EXPECT_TRUE(tutor.IsBoxShown());
  EXPECT_EQ(Text(), "x");
  EXPECT_EQ(LogText(), "cup ");
  // The screen on the screen is not passed over under the player; another
  // screen's step at the current step's index is kept too.
  tutor.MarkFound("tut/cup");
  EXPECT_EQ(tutor.GetCurrentItem(), 0);
  EXPECT_FALSE(s[1].skip);
  Command("skip");
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  // A found screen whose time has not come is done, and the next screen
  // whose skip flag is clear takes its place rather than leaving the
  // tutorial inactive for good.
  Load("<TutorScript play_time=\"5\">" + cup + "</TutorScript><TutorScript>" + Item("after") + "</TutorScript>");
  tutor.MarkFound("tut/cup");
  tutor.Update(1, 0, true);
  EXPECT_EQ(tutor.GetScreens()[0].state, TutorScripts_t::kDone);
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  Open();
  EXPECT_EQ(Text(), "after");
}

// The way on from an ended screen stops at a numbered screen: after a click
// in the last step's click area it waits to open; after "close" it opens
// only when it has a delay, else when it is started.
TEST_F(TutorDriver, NumberedScreensStopTheWayOn) {
  const std::string screens = "<TutorScript>" + Item("a") + "</TutorScript><TutorScript id=\"2\" play_time=\"%\">" +
                              Item("two") + "</TutorScript><TutorScript>" + Item("b") + "</TutorScript>";
  auto load = [&](const char* delay) {
    std::string s = screens;
    Load(s.replace(s.find('%'), 1, delay));
    Open();
  };
  load("1");
  tutor.SetScreenShown(true);  // the last step's click area
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  EXPECT_TRUE(tutor.IsWaiting());
  tutor.Update(0.5f, 0, true);  // its delay runs
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Update(0.5f, 0, true);
  EXPECT_EQ(Text(), "two");
  Command("close");
  Open();
  EXPECT_EQ(Text(), "b");
  // "close" with a delay: it waits and opens.
  load("1");
  Command("close");
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  Open(2);
  EXPECT_EQ(Text(), "two");
  // Without one it stays done until it is started.
  load("0");
  Command("close");
  EXPECT_EQ(tutor.GetCurrentScreen(), 1);
  EXPECT_FALSE(tutor.IsActive());
  tutor.StartScreen(7);
  EXPECT_FALSE(tutor.IsActive());
  tutor.StartScreen(2);
  Open();
  EXPECT_EQ(Text(), "two");
  Command("close");
  tutor.StartScreen(2);  // passed over: nothing
  EXPECT_EQ(tutor.GetCurrentScreen(), 2);
  Open();
  EXPECT_EQ(Text(), "b");
}

// Reset goes back to the first screen and shows its first step (its
// statements run); delays already counted stay counted.
TEST_F(TutorDriver, ResetShowsTheFirstStepAndKeepsTheDelays) {
  Load("<TutorScript play_time=\"2\">" + Item("a", "do_in_start=\"" + Say("a") + "\"") + Item("b") +
       "</TutorScript><TutorScript id=\"4\">" + Item("four") + "</TutorScript>");
  tutor.Update(1.5f, 0, true);
  EXPECT_FALSE(tutor.IsBoxUp());
  tutor.Reset();
  EXPECT_EQ(LogText(), "a a ");
  EXPECT_EQ(tutor.GetCurrentItem(), 0);
  EXPECT_EQ(Text(), "a");
  tutor.Update(0.5f, 0, true);
  EXPECT_TRUE(tutor.IsBoxShown());
  // Skip flags and states come back from the ids; the box goes down.
  Command("skip");
  tutor.StartScreen(4);
  Open();
  EXPECT_EQ(Text(), "four");
  tutor.Reset();
  EXPECT_FALSE(tutor.IsBoxUp());
  EXPECT_FALSE(tutor.GetScreens()[0].skip);
  EXPECT_EQ(tutor.GetScreens()[0].state, TutorScripts_t::kWaiting);
  EXPECT_EQ(tutor.GetScreens()[1].state, TutorScripts_t::kDone);
  EXPECT_EQ(tutor.GetCurrentScreen(), 0);
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
  // A screen without steps is passed over when its turn comes, without
  // statements.
  Load("<TutorScript do_in_start=\"" + Say("start") + "\" do_in_end=\"" + Say("empty") + "\"/><TutorScript>" +
       Item("a") + "</TutorScript>");
  Open(2);
  EXPECT_EQ(LogText(), "");
  EXPECT_EQ(Text(), "a");
}

// The last step of a use_only_next screen has no button, unless it has
// no way on at all (no click area, no event, no allowed rectangle): then
// next. A "close" command ends such a screen as any other.
TEST_F(TutorDriver, AUseOnlyNextLastStepWithoutAnotherWayOnOffersNext) {
  Load("<TutorScript use_only_next=\"1\">" + Item("a") + "</TutorScript><TutorScript use_only_next=\"1\">" +
       Item("c", "", "<Event evt_id=\"use_tool\"/>") + "</TutorScript><TutorScript use_only_next=\"1\">" +
       Item("d", "", "<AllowedRects><AllowedRect rec=\"0;0;10;10\"/></AllowedRects>") + "</TutorScript>");
  Open();
  EXPECT_EQ(tutor.GetLiveButton(), tutor.GetNextButton());
  EXPECT_TRUE(Click(kNextX, kNextY));
  EXPECT_FALSE(tutor.IsActive());
  tutor.StartScreen(0);
  Open();
  EXPECT_EQ(Text(), "c");
  EXPECT_EQ(tutor.GetLiveButton(), nullptr);  // the event is its way on
  Command("close");
  EXPECT_FALSE(tutor.IsBoxUp());
  EXPECT_EQ(tutor.GetCurrentScreen(), 2);
  Open();
  EXPECT_EQ(Text(), "d");
  EXPECT_EQ(tutor.GetLiveButton(), nullptr);  // its allowed rectangle lets clicks reach the game
}

// A mini-game loads, hides and starts screens by number; it reports no
// clicks, so a click area only lets the click through.
TEST_F(TutorDriver, MiniGameOwnersStartScreensByNumberAndClickAreasLetClicksThrough) {
  Load("<TutorScript>" + Item("open", "", "<image name=\"to_left\" click_rect=\"0;0;20;20\"/>") + Item("open2") +
       "</TutorScript><TutorScript id=\"1\" do_in_end=\"" + Say("CloseMG") + "\">" + Item("won") + "</TutorScript>");
  tutor.HideCurrentScreen();
  tutor.StartScreen(-1);
  Open();
  EXPECT_EQ(tutor.GetLiveButton(), tutor.GetNextButton());  // "to_left" keeps next
  EXPECT_FALSE(Click(10, 10));
  EXPECT_EQ(Text(), "open");
  EXPECT_TRUE(Click(kNextX, kNextY));
  EXPECT_EQ(Text(), "open2");
  EXPECT_TRUE(Click(kCloseX, kCloseY));
  EXPECT_FALSE(tutor.IsActive());
  tutor.StartScreen(1);
  Open();
  EXPECT_TRUE(Click(kCloseX, kCloseY));
  EXPECT_EQ(LogText(), "CloseMG ");
}
