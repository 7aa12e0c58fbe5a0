// The tutorial inside the real play screen: it opens when the location
// starts, lies over the scene and its panel, holds back the scene's clicks,
// answers its buttons through the scene, lets the click area's object be
// found (the screen waits while the find's effect runs), moves on when the
// scene reports the hint, and once over is remembered as shown: saved at
// once, and a later load of the location makes no tutorial.
#include <gtest/gtest.h>

#include <filesystem>

#include "game/scene/maingame.h"
#include "game/shell/data/userinfo.h"
#include "game/story/storyscene.h"
#include "platform/settings.h"
#include "tests/game/story/tutorfixture.h"
#include "tests/game/support/gametest.h"

using namespace tutortest;
using widgettest::Close;

namespace {
const char kGame[] =
    "<Common startLevelId='1' startChaptId='1' startLocationId='1' animrate='16'/>"
    "<Levels><Level id='1'><Chapt id='1'><Loc filename='loc1'/></Chapt></Level></Levels>"
    "<MainGame butthint='hint;874,658,104,104;hint.png;hint.png;hint.png;hint.png'/><Hint time='30' full='1'/>"
    "<PictEffects><EffFind time='-1'><alpha t1='0' t2='0.2' al='0'/></EffFind></PictEffects>";
const char kLevel[] =
    "<Level bkg='bg.png'><Pict><HotSpot><Item name='red' img='red.png' rect='100,100,40,40'/>"
    "<Item name='blue' img='blue.png' rect='500,100,40,40'/></HotSpot></Pict><List allnum='2'/>"
    "<TutorScripts>"
    "<TutorScript><Item><text name='welcome'/></Item></TutorScript>"
    "<TutorScript><Item need_shadow='0'><text name='red'/><image name='p' pos='100,150' click_rect='100;100;red.png'/>"
    "</Item><Item><text name='found'/></Item></TutorScript>"
    "<TutorScript><Item need_shadow='0'><text name='hint'/><image name='p' pos='880,560'/>"
    "<Event evt_id='click_b_hint'/>"
    "<AllowedRects><AllowedRect rec='874;658;104;104'/></AllowedRects></Item></TutorScript>"
    "<TutorScript id='3' screen_num='9'><Item><text name='elsewhere'/></Item></TutorScript>"
    "</TutorScripts></Level>";
}  // namespace

class SceneWithTutorial : public TutorTest {
protected:
  SceneWithTutorial() {
    SetSetting("encryptionkey", "tosvilqeZZZZ");
    Solid("bg.png", 1024, 768, 0xFF203040u);
    Solid("red.png", 40, 40, 0xFFFF0000u);
    Solid("blue.png", 40, 40, 0xFF0000FFu);
    Solid("hint.png", 104, 104, 0xFF806040u);
    Write("levels/loc1.xml", kLevel);
    std::string style = StyleXml();
    MainXml(style.insert(style.find("<Tutorial"), kGame));
    GetGameProgress().Reset();
    RegisterSceneWindowTypes(wm);
    SetSceneStoryFactory(
        [](TMainGame* s) -> std::unique_ptr<SceneStory_t> { return std::make_unique<TStoryScene>(s); });
    RecreateUserInfo();
    GetUserInfo()->CreateNewUser("Ada");
    Lua("function DoModal(n) end");
    Lua("MainGame{ name = 'MainGame', x = 0, y = 0, w = kMax, h = kMax }()");
    scene = WindowCast<TMainGame>(screen->FindChild("MainGame"));
    Tick(16);
  }
  ~SceneWithTutorial() override {
    SetSceneStoryFactory(nullptr);
    DeleteUserInfo();
    GetGameProgress().Reset();
  }
  TutorScripts_t& Tutor() { return *static_cast<TStoryScene*>(scene->GetStory())->GetTutor().GetTutor(); }
  std::string Text() { return Tutor().GetTextWindow()->GetText().str(); }
  // A click as the player makes it, through the window manager.
  void Click(int x, int y) { TWidgetWindowTest::Click(x, y); }
  TMainGame* scene = nullptr;
};

TEST_F(SceneWithTutorial, TheLocationsTutorialRunsOverTheScene) {
  ASSERT_TRUE(scene && scene->IsLoaded());
  EXPECT_EQ(Text(), "welcome");
  EXPECT_TRUE(Tutor().IsBoxShown());
  for (int i = 0; i < 70; ++i) Tick(16);  // the shadow fades fully in
  const sdev::test::Frame& f = DrawFrame();
  EXPECT_TRUE(Close(f.At(305, 505), kBox));
  EXPECT_TRUE(Close(f.At(545, 565), kBox));  // a last step: close, not next
  EXPECT_TRUE(Close(f.At(605, 565), kClose));
  EXPECT_TRUE(Close(f.At(10, 10), 0xFF101820u, 3));  // the scene under the shadow at half
  // The box holds the scene: clicks on objects find nothing.
  Click(510, 110);
  EXPECT_FALSE(scene->IsFound(1));
  // Its close button answers through the scene.
  Click(605, 565);
  Tick(16);
  EXPECT_EQ(Text(), "red");
  // The pointer's object: the hand over it; the click reaches the scene,
  // which finds it and suspends the screen; it goes on with its next step
  // once the find's effect is over.
  EXPECT_EQ(scene->GetStory()->GetCursor(TPoint(120, 120)), "cursor/hand");
  Click(120, 120);
  EXPECT_TRUE(scene->IsFound(0));
  for (int i = 0; i < 4; ++i) Tick(16);
  EXPECT_TRUE(Tutor().IsScreenShown());
  EXPECT_FALSE(Tutor().IsBoxShown());
  for (int i = 0; i < 20; ++i) Tick(16);
  EXPECT_TRUE(Tutor().IsBoxShown());
  EXPECT_EQ(Text(), "found");
  Click(605, 565);
  Tick(16);
  EXPECT_EQ(Text(), "hint");
  EXPECT_FALSE(scene->IsFound(1));
  Click(510, 110);  // still held back: only the hint button passes
  EXPECT_FALSE(scene->IsFound(1));
  EXPECT_TRUE(GetGameProgress().shown.empty());
  Click(926, 710);
  EXPECT_FALSE(Tutor().IsActive());
  // Over: remembered in the shown list and saved at once.
  Tick(16);
  EXPECT_EQ(GetGameProgress().shown, std::vector<TString>{"tutorial:loc1"});
  EXPECT_EQ(gametest::SavedProgress().shown, std::vector<TString>{"tutorial:loc1"});
  // The location loaded again has no tutorial; the scripts' handles on it
  // stay and do nothing.
  SceneStory_t* story = scene->GetStory();
  story->OnLevelLoaded(scene->GetLevel().Root(), scene->GetRecordName());
  EXPECT_EQ(static_cast<TStoryScene*>(story)->GetTutor().GetTutor(), nullptr);
  Lua("StartTutor(0) FinishTutor() kinds = type(StartTutor) .. ' ' .. type(FinishTutor)");
  EXPECT_EQ(Global("kinds"), "function function");
}

// A screen started from Lua while a box is up takes that box down, and its
// shadow with it: the started screen here belongs to a view the scene never
// shows, so nothing else would ever take the shadow away.
TEST_F(SceneWithTutorial, AScreenStartedWhileABoxIsUpTakesTheBoxAndItsShadowDown) {
  for (int i = 0; i < 70; ++i) Tick(16);
  ASSERT_TRUE(Tutor().IsBoxShown());
  EXPECT_TRUE(Close(DrawFrame().At(10, 10), 0xFF101820u, 3));
  Lua("StartTutor(3)");
  EXPECT_FALSE(Tutor().IsBoxUp());
  for (int i = 0; i < 70; ++i) Tick(16);
  EXPECT_FALSE(Tutor().IsBoxShown());
  EXPECT_TRUE(Close(DrawFrame().At(10, 10), 0xFF203040u, 3));  // the scene in full again
  Lua("FinishTutor()");
  for (int i = 0; i < 10; ++i) Tick(16);
  EXPECT_TRUE(Close(DrawFrame().At(10, 10), 0xFF203040u, 3));
}
