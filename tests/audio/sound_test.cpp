// Sounds and instances end to end: names and keys, once or ring, instance
// lifetimes, group volumes heard on the output, fades, activation, and the
// streaming thread racing the main thread.
#include <cmath>
#include <thread>

#include "audio/sound.h"
#include "platform/log.h"
#include "platform/registry/asset.h"
#include "tests/audio/audiotest.h"

namespace {

class SoundTest : public ManagerTest {
protected:
  explicit SoundTest(TSoftOutputKind kind = TSoftOutputKind::kManual) : ManagerTest(kind) {
    previous_ = SetAssetManager(&registry_);
  }
  ~SoundTest() override { SetAssetManager(previous_); }
  TAssetManager registry_;
  TAssetManager* previous_ = nullptr;
};

TEST_F(SoundTest, NamesOptionsAndCacheKeys) {
  Ogg("music/theme.ogg", 4410);
  Ogg("sfx/group=5.ogg", 4410);
  auto theme = TSound::Get("music/theme.ogg?group=1001", false, 0);
  ASSERT_TRUE(theme);
  EXPECT_EQ(theme->GetGroup(), 1001);
  EXPECT_EQ(theme->GetBaseName(), "music/theme.ogg");
  EXPECT_EQ(registry_.Find("music/theme.ogg;0;1001"), theme);
  EXPECT_EQ(MakeSoundKey("music/theme.ogg", "music/theme.ogg?group=1001"), "music/theme.ogg;0;1001");
  EXPECT_EQ(MakeSoundKey("sfx/a.ogg", "sfx/a.ogg"), "sfx/a.ogg;0;0");

  auto plain = TSound::Get("sfx/group=5.ogg", true, 1000);  // "group=" without '?' is part of the name
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->GetGroup(), 1000);
  EXPECT_EQ(registry_.Find("sfx/group=5.ogg;1;1000"), plain);

  EXPECT_EQ(TSound::Get("music/theme.ogg", false, 1001), theme);
  auto preloaded = TSound::Get("music/theme.ogg?group=1001", true, 0);
  EXPECT_NE(preloaded, theme);
  EXPECT_FALSE(TSound::Get("", true, 0));

  TLogCapture log;
  EXPECT_FALSE(TSound::Get("sfx/none.ogg?group=1000", true, 0));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"TSound::Get: No valid sound file found: sfx/none.ogg"});
}

TEST_F(SoundTest, ShortSoundsPlayOnceEverythingElseAsARing) {
  Ogg("half.ogg", 22050);
  Ogg("three.ogg", 3 * 44100);
  Ogg("two.ogg", 2 * 44100);
  auto half = TSound::Get("half.ogg", true, 1000);
  auto three = TSound::Get("three.ogg", true, 1000);
  auto two = TSound::Get("two.ogg", true, 1000);
  Journal();
  half->Play(false);
  three->Play(false);
  half->Play(true);
  two->Play(false);
  EXPECT_EQ(Journal("Play"), (std::vector<std::string>{"Play #1 flags=0", "Play #2 flags=1", "Play #3 flags=1",
                                                       "Play #4 flags=1"}));
}

TEST_F(SoundTest, InstancesLiveUntilTheyEndOrAreStopped) {
  Ogg("loop.ogg", 44100);
  Ogg("click.ogg", 4410);
  auto loop = TSound::Get("loop.ogg", true, 0);
  auto a = loop->Play(true);
  auto b = loop->Play(true);
  EXPECT_EQ(manager_->GetStreamCount(), 2u);
  EXPECT_TRUE(loop->StopInstance(a));
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_TRUE(b->IsPlaying());
  EXPECT_EQ(manager_->GetStreamCount(), 1u);
  EXPECT_FALSE(loop->StopInstance(nullptr));
  loop->Play(true);
  EXPECT_TRUE(loop->StopAll());
  EXPECT_FALSE(loop->StopAll());
  EXPECT_EQ(manager_->GetStreamCount(), 0u);

  auto click = TSound::Get("click.ogg", true, 1000);
  auto kept = click->Play(false);
  click->Play(false);  // dropped at once: it still plays to its end
  EXPECT_EQ(click->GetInstanceCount(), 2u);
  Run(2000);
  manager_->Update();
  EXPECT_EQ(manager_->GetStreamCount(), 0u);
  EXPECT_EQ(click->GetInstanceCount(), 0u);
  EXPECT_FALSE(kept->IsPlaying());
  kept->SetVolume(0.5f);  // harmless once ended
  kept->Stop();

  auto again = loop->Play(true);
  loop.reset();  // the last handle: the looping playback stops with it
  EXPECT_FALSE(again->IsPlaying());
  EXPECT_EQ(manager_->GetStreamCount(), 0u);
  again->Stop();
}

TEST_F(SoundTest, FadesAreHeardOnTheOutputUntilTheGroupVolumesAreApplied) {
  Ogg("music.ogg", 8 * 44100);
  const std::vector<int16_t> ref = Reference("music.ogg");
  auto music = TSound::Get("music.ogg", false, 1001);
  auto instance = music->Play(true);
  std::vector<int16_t> out;
  Run(1000, &out);
  ASSERT_TRUE(std::equal(out.begin(), out.end(), ref.begin()));

  // A fade as the game's screens make one: the playback's own volume down to 0 in 16 ms steps.
  for (int step = 1; step <= 25; ++step) {
    instance->SetVolume(1.0f - step / 25.0f);
    Run(20, &out);
  }
  out.clear();
  Run(500, &out);
  EXPECT_EQ(out, std::vector<int16_t>(out.size(), 0));

  // A change of any group volume re-applies master x group to every playback.
  manager_->SetGroupVolume(1000, 0.7f);
  out.clear();
  Run(100, &out);
  EXPECT_NE(out, std::vector<int16_t>(out.size(), 0));

}

TEST_F(SoundTest, WithoutAManagerPlayingReportsIt) {
  Ogg("click.ogg", 4410);
  auto click = TSound::Get("click.ogg", true, 1000);
  manager_.reset();
  TLogCapture log;
  EXPECT_FALSE(click->Play(false));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"No Sound Manager"});
}

class NullOutputSoundTest : public SoundTest {
protected:
  NullOutputSoundTest() : SoundTest(TSoftOutputKind::kNull) {}
};

TEST_F(NullOutputSoundTest, OneShotIsMixedAtMasterTimesGroupVolume) {
  Ogg("sfx/click.ogg", 22050);
  const std::vector<int16_t> ref = Reference("sfx/click.ogg");
  manager_->SetMasterVolume(0.8f);
  manager_->SetGroupVolume(1000, 0.5f);
  manager_->SetGroupVolume(0, 0.25f);
  auto click = TSound::Get("sfx/click.ogg?group=1000", true, 0);
  Device()->SetCapture(true);
  click->Play(false);
  Run(2000);
  std::vector<int16_t> out = Device()->TakeCapture();
  ASSERT_EQ(out.size(), 2000u * 441 / 10 * 2);
  // 0.8 x 0.5 = 0.4 -> -(1 - 0.4) x 5000 = -3000 hundredths of a decibel.
  const double gain = std::pow(10.0, -3000 / 2000.0);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_NEAR(out[i], i < ref.size() ? ref[i] * gain : 0.0, 1.0) << i;
  EXPECT_EQ(manager_->GetRetiredCount(), 1u);
  EXPECT_FALSE(HasSoundDevice());
}

class NoDeviceSoundTest : public SoundTest {
protected:
  NoDeviceSoundTest() : SoundTest(TSoftOutputKind::kNone) {}
};

TEST_F(NoDeviceSoundTest, PlaybacksEndAfterTheSoundsLength) {
  Ogg("one.ogg", 44100);
  auto one = TSound::Get("one.ogg", true, 0);
  auto instance = one->Play(false);
  ASSERT_TRUE(instance);
  Run(990);
  manager_->Update();
  EXPECT_TRUE(instance->IsPlaying());
  Run(600);
  manager_->Update();
  EXPECT_FALSE(instance->IsPlaying());
}

TEST(SoundThreads, MainThreadAndStreamingThreadShareStreamsSafely) {
  testing_support::TempDir dir;
  testing_support::ScopedChdir chdir(dir.Path());
  RegisterOggDataSourceBuilder();
  RefreshFileLayer();
  ogg_test::MakeOgg(dir.File("short.ogg"), 8820, 22050, 1);
  ogg_test::MakeOgg(dir.File("long.ogg"), 5 * 44100, 44100, 2);
  TAssetManager registry;
  TAssetManager* previous = SetAssetManager(&registry);
  TManualTimeScope time(1000);
  SetSoftSoundOutput(TSoftOutputKind::kNull);
  {
    TSoundManager manager;
    manager.Init();
    std::vector<boost::shared_ptr<TSoundInstance>> held;
    std::vector<boost::shared_ptr<TSound>> sounds;  // dropped now and then, stopping what they play
    size_t retiredByThread = 0;
    // At least 1500 cycles, and on until the thread has been seen retiring a stream.
    for (int i = 0; i < 1500 || (retiredByThread == 0 && i < 50000); ++i) {
      auto sound = TSound::Get(i % 3 ? "short.ogg" : "long.ogg", i % 3 != 0, 1000 + i % 3);
      ASSERT_TRUE(sound);
      sounds.push_back(sound);
      auto instance = sound->Play(i % 25 == 0);
      if (i % 4 == 0) held.push_back(instance);
      if (i % 7 == 0) instance->Stop();
      if (i % 11 == 0) manager.SetGroupVolume(1000 + i % 3, (i % 10) / 10.0f);
      if (i % 50 == 0) manager.SetActive(i % 200 != 0);
      if (held.size() > 20) held.erase(held.begin());
      if (i % 300 == 299) sounds.clear();
      time.Advance(37);
      retiredByThread += manager.GetRetiredCount();
      manager.Update();
      std::this_thread::yield();  // the sound lock is not fair: let a waiting sweep in
    }
    EXPECT_GT(retiredByThread, 0u);
    manager.SetActive(true);
  }
  SetSoftSoundOutput(TSoftOutputKind::kAuto);
  SetAssetManager(previous);
}

}  // namespace
