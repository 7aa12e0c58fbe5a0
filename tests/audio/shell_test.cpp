// The sound manager inside the platform shell: made and started at start-up,
// found by sounds, told about activation, emptied by the idle pass and
// deleted at shut-down.
#include <gtest/gtest.h>

#include "audio/datasource.h"
#include "audio/hooks.h"
#include "audio/mixer/softsound.h"
#include "audio/sound.h"
#include "audio/soundmanager.h"
#include "platform/host/hosts.h"
#include "platform/shell/platform.h"
#include "tests/audio/oggmaker.h"
#include "tests/support/testsupport.h"

namespace {

TEST(AudioInShell, TheShellStartsFeedsAndStopsTheSoundManager) {
  testing_support::TempDir dir;
  testing_support::ScopedChdir chdir(dir.Path());
  ogg_test::MakeOgg(dir.File("music.ogg"), 3 * 44100, 44100, 2);
  RegisterSoundDataSourceBuilder("ogg", nullptr);  // start-up registers it

  TPlatformHooks hooks;
  AddAudioHooks(hooks);
  THeadlessHost* host = nullptr;
  hooks.createHost = [&] {
    auto made = std::make_unique<THeadlessHost>();
    host = made.get();
    return std::unique_ptr<THost>(std::move(made));
  };
  bool ran = false;
  auto game = [&](TPlatform* platform, const TString&) {
    TSoundManager* manager = platform->GetSoundManager();
    ASSERT_TRUE(manager);
    EXPECT_EQ(GetSoundManager(), manager);
    EXPECT_TRUE(manager->IsInitialised());
    EXPECT_EQ(manager->GetDevice()->GetOutputKind(), TSoftOutputKind::kNull);  // headless
    EXPECT_FALSE(HasSoundDevice());

    auto music = TSound::Get("music.ogg", false, 1001);
    ASSERT_TRUE(music);
    EXPECT_EQ(platform->GetAssetManager()->Find("music.ogg;0;1001"), music);
    auto instance = music->Play(true);
    ASSERT_TRUE(instance && instance->IsPlaying());

    TPlatformEvent event;
    THostEvent focus;
    focus.type = THostEventType::kFocusLost;
    host->PushEvent(focus);
    platform->GetEvent(&event);
    EXPECT_TRUE(instance->GetStream()->IsPaused());
    focus.type = THostEventType::kFocusGained;
    host->PushEvent(focus);
    platform->GetEvent(&event);
    EXPECT_FALSE(instance->GetStream()->IsPaused());

    instance->GetStream()->Stop(true);  // finished: waits on the retired list
    EXPECT_TRUE(instance->IsPlaying());
    for (int i = 0; i < 3 && instance->IsPlaying(); ++i) platform->GetEvent(&event);
    EXPECT_FALSE(instance->IsPlaying());  // an idle pass emptied the list
    ran = true;
  };
  RunApplication({"options=headless=1,userfolder=" + dir.Path()}, game, hooks);
  EXPECT_TRUE(ran);
  EXPECT_EQ(FindSoundManager(), nullptr);
  RegisterOggDataSourceBuilder();
}

}  // namespace
