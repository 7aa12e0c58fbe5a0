// The screens' music and ambient fade, its Lua globals, and whole screen
// changes behind the fade window with the real shadow script.
#include <gtest/gtest.h>

#include <memory>

#include "audio/sound.h"
#include "audio/soundmanager.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/shadow.h"
#include "script/luaapi.h"
#include "tests/game/support/widgetfixture.h"
#include "ui/windowstyle.h"

namespace {

// A screen with sounds, as the game's screens carry them.
class TSoundScreen : public TWindow, public CommonSound_t {
  LANTERN_WINDOW_CLASS(TSoundScreen, TWindow)

public:
  TSoundScreen() = default;
  void Init(TWindowStyle& style) override {
    TWindow::Init(style);
    PlayMusic(style.GetString("music", TString()), style.GetString("ambient", TString()));
  }
};

class CommonSound : public widgettest::TWidgetWindowTest {
protected:
  void SetUp() override {
    StartSound();
    Ogg("music.ogg");
    Ogg("ambient.ogg");
    wm->RegisterWindowType("SoundScreen", TSoundScreen::ClassCreator());
  }
};

}  // namespace

TEST_F(CommonSound, FourStepsOfATenthFadeTheDefaultTimeAndNoStepGoesBelowZero) {
  TSoundScreen s;
  s.PlayMusic("music.ogg", "ambient.ogg");
  ASSERT_TRUE(s.GetMusicInstance());
  EXPECT_EQ(s.GetMusicSound()->GetGroup(), kGroupMusic);
  EXPECT_EQ(s.GetAmbientSound()->GetGroup(), kGroupAmbient);
  EXPECT_FLOAT_EQ(s.GetFadeTime(), 0.4f);
  s.CSStep(0.1f);  // no fade yet: nothing happens
  EXPECT_FALSE(s.IsFading());
  sound->SetGroupVolume(kGroupMusic, 1.0f);
  sound->SetGroupVolume(kGroupAmbient, 0.5f);
  s.StartSoundFade();
  EXPECT_TRUE(s.IsFading());
  for (int i = 0; i < 3; ++i) s.CSStep(0.1f);
  EXPECT_NEAR(s.GetMusicVolume(), 0.25f, 1e-5);
  EXPECT_NEAR(s.GetAmbientVolume(), 0.125f, 1e-5);
  EXPECT_TRUE(s.IsFading());
  s.CSStep(0.1f);
  EXPECT_NEAR(s.GetMusicVolume(), 0.0f, 1e-5);
  EXPECT_FALSE(s.IsFading());
  EXPECT_FLOAT_EQ(sound->GetGroupVolume(kGroupMusic), 1.0f);  // the groups are never changed
  // A second fade runs its whole length too, and a large step stops at 0.
  s.StartSoundFade();
  s.CSStep(0.1f);
  EXPECT_NEAR(s.GetMusicVolume(), 0.75f, 1e-5);
  EXPECT_TRUE(s.IsFading());
  s.CSStep(5.0f);
  EXPECT_EQ(s.GetMusicVolume(), 0.0f);
  EXPECT_EQ(s.GetAmbientVolume(), 0.0f);
  EXPECT_FALSE(s.IsFading());
}

TEST_F(CommonSound, OnlyTheHeldSoundFades) {
  TSoundScreen s;
  s.PlayMusic(TString(), TString("ambient.ogg"));
  EXPECT_FALSE(s.GetMusicSound());
  ASSERT_TRUE(s.GetAmbientInstance());
  s.StartSoundFade();
  s.CSStep(0.2f);
  EXPECT_EQ(s.GetMusicVolume(), 0.0f);
  EXPECT_NEAR(s.GetAmbientVolume(), 0.5f, 1e-5);
  s.PlayMusic(std::string("absent.ogg"), std::string());
  EXPECT_FALSE(s.GetMusicSound());
}

TEST_F(CommonSound, GlobalsFollowTheNewestLiveScreen) {
  auto first = std::make_unique<TSoundScreen>();
  auto second = std::make_unique<TSoundScreen>();
  first->PlayMusic("music.ogg", "");
  second->PlayMusic("music.ogg", "");
  Lua("StartSoundFade() CSStep(0.1)");
  EXPECT_FALSE(first->IsFading());
  EXPECT_TRUE(second->IsFading());
  Lua("gKept = CSStep");
  second.reset();
  Lua("StartSoundFade()");
  EXPECT_TRUE(first->IsFading());
  // A copy a script kept of the destroyed screen's function reaches nothing.
  Lua("gKept(0.1)");
  first.reset();
  EXPECT_EQ(Global("StartSoundFade"), "nil");
  EXPECT_EQ(Global("CSStep"), "nil");
  Lua("if(not(CSStep == nil)) then CSStep(0.016); end");
}

TEST_F(CommonSound, FadeShorterThanAStepEndsAtOnce) {
  MainXml("<Game><Common shadowTime='0'/></Game>");
  TSoundScreen s;
  s.PlayMusic("music.ogg", "");
  s.StartSoundFade();
  s.CSStep(0.0f);
  s.CSStep(0.016f);
  EXPECT_EQ(s.GetMusicVolume(), 0.0f);
  EXPECT_FALSE(s.IsFading());
}

// Two screen changes from one screen through the real shadow script: the
// sound fades both times, the next screen opens once per change at full
// dark, and each change ends with one message.
TEST_F(CommonSound, TwoScreenChangesFadeBothTimesAndOpenTheScreenOnce) {
  Write("scripts/shadow.lua", testing_support::ReadFile(testing_support::SourceDir() + "/assets/scripts/shadow.lua"));
  Write("scripts/first.lua", "SetWindowName('first') SoundScreen{ name = 'sound', music = 'music.ogg' }()");
  Write("scripts/dialog.lua", "SetWindowName('dialog') gOpened = (gOpened or 0) + 1");
  Lua("DoModal('scripts/first.lua')");
  auto* s = WindowCast<TSoundScreen>(wm->GetTopModal()->FindChild("sound"));
  ASSERT_NE(s, nullptr);
  for (int change = 1; change <= 2; ++change) {
    Lua("CSWithSh('', 'scripts/dialog.lua')");
    Lua("if(not(StartSoundFade == nil)) then StartSoundFade(); end");
    Lua("DoModal('scripts/shadow.lua')");
    ASSERT_EQ(wm->GetTopModal()->GetName(), "sShadow");
    Tick(16);
    EXPECT_NEAR(s->GetMusicVolume(), 1.0f - 0.016f / 0.4f, 1e-4) << change;
    int ticks = 1;
    for (; Number("gOpened") < change && ticks < 200; ++ticks) Tick(16);
    EXPECT_EQ(ticks, 63) << change;
    EXPECT_EQ(s->GetMusicVolume(), 0.0f) << change;
    for (int i = 0; i < 80; ++i) Tick(16);
    EXPECT_EQ(std::count(recorder.seen.begin(), recorder.seen.end(), "1003:"), change);
    EXPECT_EQ(Number("gOpened"), change);
    EXPECT_EQ(wm->GetTopModal()->GetName(), "dialog");
    Lua("PopModal('dialog')");
    ASSERT_EQ(wm->GetTopModal()->GetName(), "first");
  }
}
