// The play screen's tutorial: made from the level, clicks in the click area
// move it on, found objects skip their screens, the Lua globals, and screens
// seen by the player stay seen in the saved progress.
#include <gtest/gtest.h>

#include "game/shell/userinfo.h"
#include "game/story/scenetutor.h"
#include "tests/game/story/tutorfixture.h"

using namespace tutortest;

namespace {
const char* kLevel =
    "<Level><TutorScripts>"
    "<TutorScript><Item><text name=\"welcome\"/></Item></TutorScript>"
    "<TutorScript><Item need_shadow=\"0\"><text name=\"cup\"/>"
    "<image name=\"p\" pos=\"0,0\" click_rect=\"100;100;20;20\"/></Item></TutorScript>"
    "<TutorScript id=\"5\"><Item><text name=\"five\"/></Item></TutorScript>"
    "<TutorScript><Item><text name=\"hint\"/><Event evt_id=\"click_b_hint\"/>"
    "<AllowedRects><AllowedRect rec=\"900;700;10;10\"/></AllowedRects></Item></TutorScript>"
    "</TutorScripts></Level>";
}  // namespace

class SceneTutor : public TutorTest {
protected:
  SceneTutor() { level.Parse(kLevel); }
  std::string Text(SceneTutor_t& t) { return t.GetTutor()->GetTextWindow()->GetText().str(); }
  TiXmlDocument level;
};

TEST_F(SceneTutor, WalksTheLocationsTutorial) {
  SceneTutor_t t(&owner);
  t.OnLevelLoaded(level.RootElement(), "loc11");
  t.Update(0.016f, false);
  EXPECT_FALSE(t.IsBoxShown());  // not while the journal is open
  t.Update(0.016f, true);
  EXPECT_EQ(Text(t), "welcome");
  EXPECT_TRUE(t.IsBlocking());
  EXPECT_TRUE(t.OnMouseDown(TPoint(5, 5)));
  TMessage close(kButtonPress, "close");
  EXPECT_TRUE(t.OnCommand(&close));
  t.Update(0.016f, true);
  EXPECT_EQ(Text(t), "cup");
  EXPECT_FALSE(t.IsBlocking());
  EXPECT_EQ(t.GetCursor(TPoint(110, 110)), "cursor/hand");
  EXPECT_EQ(t.GetCursor(TPoint(120, 110)), "");
  // The click reaches the scene and ends the screen.
  EXPECT_FALSE(t.OnMouseDown(TPoint(110, 110)));
  EXPECT_FALSE(t.OnMouseUp(TPoint(110, 110)));
  EXPECT_FALSE(t.IsBoxShown());
  // The numbered screen is passed over until a script starts it.
  t.Update(0.016f, true);
  EXPECT_EQ(Text(t), "hint");
  EXPECT_FALSE(t.IsBlocking());
  t.OnEvent("click_b_hint");
  EXPECT_FALSE(t.GetTutor()->IsActive());
  Lua("StartTutor(5)");
  t.Update(0.016f, true);
  EXPECT_EQ(Text(t), "five");
  Lua("FinishTutor()");
  EXPECT_FALSE(t.IsBoxShown());
  // A level without a tutorial has none, and the globals go.
  TiXmlDocument plain;
  plain.Parse("<Level/>");
  t.OnLevelLoaded(plain.RootElement(), "loc12");
  EXPECT_EQ(t.GetTutor(), nullptr);
  EXPECT_EQ(Global("StartTutor"), "nil");
  EXPECT_FALSE(t.OnMouseDown(TPoint(5, 5)));
}

TEST_F(SceneTutor, SeenScreensStaySeenForThePlayerAfterARestart) {
  RecreateUserInfo();
  ASSERT_TRUE(GetUserInfo());
  GetUserInfo()->CreateNewUser("Ada");
  {
    SceneTutor_t t(&owner);
    t.OnLevelLoaded(level.RootElement(), "loc11");
    t.Update(0.016f, true);
    TMessage next(kButtonPress, "next");
    t.OnCommand(&next);
  }
  // The game starts again: progress comes back from the saved profile.
  DeleteUserInfo();
  GetGameProgress().Clear();
  RecreateUserInfo();
  ASSERT_EQ(GetGameProgress().shown, std::vector<TString>{"tutorial:loc11:0"});
  SceneTutor_t t(&owner);
  t.OnLevelLoaded(level.RootElement(), "loc11");
  t.Update(0.016f, true);
  EXPECT_EQ(Text(t), "cup");
  DeleteUserInfo();
}
