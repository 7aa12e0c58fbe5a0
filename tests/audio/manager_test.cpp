// The sound manager: group and master volumes, the sweep's pace and
// retirement, activation, and the paths without a device or a thread.
#include <boost/make_shared.hpp>
#include <sstream>
#include <string>

#include "audio/soundstream.h"
#include "platform/log.h"
#include "tests/audio/audiotest.h"
#include "tests/support/testsupport.h"

namespace {

class SoundManagerTest : public ManagerTest {
protected:
  TSoundStream* Stream(double seconds, bool loop, int group = 0) {
    auto source = boost::make_shared<TMemDataSource>(std::vector<uint8_t>(size_t(seconds * 44100) * 4, 1), 2, 44100,
                                                     seconds);
    auto* s = new TSoundStream(manager_.get(), new TStreamSpooler(source), loop, group, nullptr);
    s->Start(44100, 2, 16, TSoundStream::kBufferSeconds);
    return s;
  }
  // The last volume set on each buffer, by buffer number.
  std::map<std::string, std::string> LastVolumes() {
    std::map<std::string, std::string> last;
    for (const auto& line : Journal("SetVolume")) {
      size_t space = line.rfind(' ');
      last[line.substr(10, space - 10)] = line.substr(space + 1);
    }
    return last;
  }
};

TEST_F(SoundManagerTest, GroupVolumesScaleTheMasterVolume) {
  EXPECT_FLOAT_EQ(manager_->GetGroupVolume(1001), 1.0f);
  manager_->SetMasterVolume(0.5f);
  manager_->SetGroupVolume(1001, 0.5f);
  EXPECT_FLOAT_EQ(manager_->GetGroupVolume(1001), 0.25f);
  EXPECT_FLOAT_EQ(manager_->GetGroupVolume(7), 0.5f);

  Stream(5, true, 0);
  Stream(5, true, 1001);
  Stream(5, true, 1002);
  Journal();
  manager_->SetGroupVolume(1002, 0.0f);
  // Each stream dips by 0.05 towards the middle and then settles.
  EXPECT_EQ(Journal("SetVolume"),
            (std::vector<std::string>{"SetVolume #1 -2750", "SetVolume #1 -2500", "SetVolume #2 -3500",
                                      "SetVolume #2 -3750", "SetVolume #3 -4750", "SetVolume #3 -10000"}));
  manager_->SetMasterVolume(1.0f);
  manager_->SetGroupVolume(1001, 0.2f);
  EXPECT_EQ(LastVolumes(), (std::map<std::string, std::string>{{"#1", "0"}, {"#2", "-4000"}, {"#3", "-10000"}}));
  manager_->SetGroupVolume(1001, 0.2f);
  EXPECT_EQ(Journal("SetVolume #2"), (std::vector<std::string>{"SetVolume #2 -3750", "SetVolume #2 -4000"}));
}

TEST_F(SoundManagerTest, SweepsWaitForTheirIntervalAndEachRetirementRestartsThePass) {
  Stream(10, true);
  TSoundStream* middle = Stream(0.1, false);
  Stream(10, true);
  boost::weak_ptr<TSoundStream> watch = middle->shared_from_this();
  middle->Play(true);
  Journal();
  time_.Advance(500);
  manager_->SweepStreams(true);
  EXPECT_TRUE(Journal("GetCurrentPosition").empty());
  time_.Advance(1);
  manager_->SweepStreams(true);
  EXPECT_EQ(Journal("GetCurrentPosition").size(), 3u);

  std::vector<std::string> lastSweep;
  for (int i = 0; i < 500 && manager_->GetRetiredCount() == 0; ++i) {
    Journal();
    Run(10);
    lastSweep = Journal("GetCurrentPosition");
  }
  ASSERT_EQ(manager_->GetRetiredCount(), 1u);
  EXPECT_EQ(lastSweep, (std::vector<std::string>{"GetCurrentPosition #1", "GetCurrentPosition #2",
                                                 "GetCurrentPosition #1", "GetCurrentPosition #3"}));
  EXPECT_EQ(manager_->GetStreamCount(), 2u);
  EXPECT_FALSE(watch.expired());  // retired streams wait for the main thread
  manager_->Update();
  EXPECT_TRUE(watch.expired());
}

TEST_F(SoundManagerTest, DeactivationStopsEveryBufferWhereItIsAndReactivationRestoresGroupVolumes) {
  manager_->SetGroupVolume(1001, 0.5f);
  TSoundStream* a = Stream(10, true, 1001);
  TSoundStream* b = Stream(10, true, 0);
  a->Play(false);
  b->Play(false);
  a->SetVolume(0.1f);  // a playback's own volume
  Run(300);
  manager_->SetActive(false);
  EXPECT_EQ(Journal("Stop"), (std::vector<std::string>{"Stop #1", "Stop #2"}));
  uint32_t before = 0, after = 0;
  a->GetBuffer()->GetCurrentPosition(&before, nullptr);
  Run(2000);
  manager_->SetActive(true);
  a->GetBuffer()->GetCurrentPosition(&after, nullptr);
  EXPECT_EQ(before, after);
  EXPECT_EQ(before, 300u * 441 / 10 * 4);
  std::vector<std::string> journal = Journal();
  EXPECT_EQ(Filter(journal, "Play"), (std::vector<std::string>{"Play #1 flags=1", "Play #2 flags=1"}));
  std::vector<std::string> volumesOfA = Filter(journal, "SetVolume #1");
  ASSERT_FALSE(volumesOfA.empty());
  EXPECT_EQ(volumesOfA.back(), "SetVolume #1 -2500");

  // A stream asked to play while the application is inactive starts on reactivation.
  manager_->SetActive(false);
  TSoundStream* late = Stream(10, false);
  late->Play(false);
  EXPECT_TRUE(late->IsPaused());
  EXPECT_TRUE(Journal("Play").empty());
  manager_->SetActive(true);
  EXPECT_FALSE(late->IsPaused());
  EXPECT_EQ(Journal("Play").size(), 3u);
}

class SilentManagerTest : public ManagerTest {
protected:
  SilentManagerTest() : ManagerTest(TSoftOutputKind::kNone) {}
};

TEST_F(SilentManagerTest, WithoutADeviceInitFailsButTheThreadRunsAndStopsPromptly) {
  EXPECT_FALSE(initialised_);
  EXPECT_FALSE(HasSoundDevice());
  TLogCapture log;
  manager_.reset();
  {
    TSoundManager withThread;
    EXPECT_FALSE(withThread.Init());
    EXPECT_TRUE(withThread.IsThreadRunning());
    EXPECT_EQ(FindSoundManager(), &withThread);
  }
  EXPECT_EQ(FindSoundManager(), nullptr);
  // Said in words, with the file and line of ours that met it.
  const std::string said = "Sound: the sound device cannot be opened; the game plays without sound (no sound output "
                           "could be opened; error 0x88780010 at audio/soundmanager.cpp:";
  ASSERT_EQ(log.Count(said), 1u);
  for (const std::string& line : log.Lines()) {
    if (line.rfind(said, 0) != 0) continue;
    const int at = std::stoi(line.substr(said.size()));
    std::istringstream source(testing_support::ReadFile(testing_support::SourceDir() + "/audio/soundmanager.cpp"));
    std::string text;
    for (int n = 0; n < at && std::getline(source, text);) ++n;
    EXPECT_NE(text.find("LogSoundError("), std::string::npos) << "line " << at << ": " << text;
  }
  LockSound();  // no manager: nothing to take
  UnlockSound();
}

}  // namespace
