// Streams on the manual output: buffer geometry, the spooler's fill, the
// half-by-half refill against an independent decode, once mode, volume,
// pause and the paths without a device.
#include <cstring>

#include <boost/make_shared.hpp>

#include "audio/soundstream.h"
#include "platform/log.h"
#include "tests/audio/audiotest.h"

namespace {

class StreamTest : public ManagerTest {
protected:
  // A stream over `source`, started; the manager's list owns it.
  boost::weak_ptr<TSoundStream> Stream(const boost::shared_ptr<TSoundDataSource>& source, bool loop,
                                       TSoundStream** raw = nullptr, int group = 0) {
    auto* s = new TSoundStream(manager_.get(), new TStreamSpooler(source), loop, group, nullptr);
    s->Start(source->GetRate(), source->GetChannels(), 16, TSoundStream::kBufferSeconds);
    if (raw) *raw = s;
    return s->shared_from_this();
  }
  boost::shared_ptr<TSoundDataSource> Pcm(uint32_t frames, uint32_t channels = 2, uint32_t rate = 44100) {
    std::vector<uint8_t> pcm(size_t(frames) * channels * 2);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<uint8_t>(i * 7 + i / 4096);
    return boost::make_shared<TMemDataSource>(pcm, channels, rate, double(frames) / rate);
  }
};

TEST_F(StreamTest, BufferGeometryAndDescription) {
  struct Case {
    uint32_t rate, channels, size;
  } cases[] = {{44100, 2, 352800}, {22050, 1, 88200}, {11025, 1, 44104}, {48000, 2, 384000}};
  for (const Case& c : cases) {
    TSoundStream* s = nullptr;
    Stream(Pcm(100, c.channels, c.rate), false, &s);
    EXPECT_EQ(s->GetBufferSize(), c.size);
    EXPECT_FLOAT_EQ(s->GetBufferLength(), float(c.size) / (c.rate * c.channels * 2));
    std::vector<std::string> create = Journal("CreateSoundBuffer");
    ASSERT_EQ(create.size(), 1u);
    EXPECT_EQ(create[0], TString::Printf("CreateSoundBuffer flags=0x18080 bytes=%u tag=1 channels=%u rate=%u "
                                         "bytesPerSec=%u align=%u bits=16",
                                         c.size, c.channels, c.rate, c.rate * c.channels * 2, c.channels * 2)
                             .str());
  }
}

TEST(Spooler, FillEndsWithSilenceLoopsWithinOneFillAndNeverHangsOnAnEmptySource) {
  std::vector<uint8_t> pcm(1000);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<uint8_t>(i % 251 + 1);
  auto source = boost::make_shared<TMemDataSource>(pcm, 1, 8000, 1000 / 16000.0);
  std::vector<uint8_t> out(1600);
  uint32_t written = 0;

  TStreamSpooler once(source);
  EXPECT_FALSE(once.Fill(out.data(), 1600, &written, false));
  EXPECT_EQ(written, 1000u);
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), out.begin()));
  EXPECT_EQ(std::vector<uint8_t>(out.begin() + 1000, out.end()), std::vector<uint8_t>(600, 0));

  TStreamSpooler ring(source);
  EXPECT_TRUE(ring.Fill(out.data(), 1600, &written, true));
  EXPECT_EQ(written, 1600u);
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.begin() + 600, out.begin() + 1000));
  EXPECT_EQ(ring.GetPosition(), 600u);

  // Empty, or failing from its first byte: the loop must give up.
  TStreamSpooler empty(boost::make_shared<TMemDataSource>(std::vector<uint8_t>(), 1, 8000, 0.0));
  EXPECT_FALSE(empty.Fill(out.data(), 1600, &written, true));
  EXPECT_EQ(written, 0u);
  class Broken : public TMemDataSource {
  public:
    Broken() : TMemDataSource(std::vector<uint8_t>(5000), 1, 8000, 0.3) {}
    uint32_t Read(void*, uint32_t, uint32_t) override { return 0; }
  };
  TStreamSpooler broken(boost::make_shared<Broken>());
  EXPECT_FALSE(broken.Fill(out.data(), 1600, &written, true));
}

TEST_F(StreamTest, TwoMinuteTrackIsRefilledHalfByHalfWithoutGapOrRepeat) {
  const uint32_t kFrames = 120 * 44100 + 13230;  // two minutes and 0.3 s
  Ogg("music/track.ogg", kFrames);
  const std::vector<int16_t> ref = Reference("music/track.ogg");
  ASSERT_EQ(ref.size(), size_t(kFrames) * 2);
  TSoundStream* s = nullptr;
  boost::weak_ptr<TSoundStream> alive = Stream(CreateSoundDataSource("music/track.ogg", true), false, &s);
  s->Play(false);
  std::vector<int16_t> out;
  Run(123000, &out);
  const std::vector<std::string> journal = Journal();
  EXPECT_EQ(Filter(journal, "Play"), std::vector<std::string>{"Play #1 flags=1"});
  EXPECT_TRUE(alive.expired() || manager_->GetRetiredCount() == 1);
  ASSERT_GE(out.size(), ref.size());
  for (size_t i = 0; i < ref.size(); ++i) ASSERT_EQ(out[i], ref[i]) << "sample " << i;
  // After the data, one silent half, then the stream stops.
  std::vector<std::string> locks = Filter(journal, "Lock");
  ASSERT_EQ(locks.size(), 122u);  // 121 halves holding data, then one of silence
  for (size_t i = 0; i < locks.size(); ++i) EXPECT_EQ(locks[i], i % 2 ? "Lock #1 176400 176400" : "Lock #1 0 176400");
  EXPECT_EQ(Filter(journal, "Stop").size(), 1u);
  for (size_t i = ref.size(); i < ref.size() + 44100 && i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
  manager_->Update();
  EXPECT_TRUE(alive.expired());
}

TEST_F(StreamTest, CursorsNearTheEndAndAcrossTheWrapStayInsideAndTheRightHalfIsRefilled) {
  // Three rings of two seconds (88200 frames; halves of 176400 bytes) playing in
  // step; the write cursor leads the play cursor by one output period (1024 frames).
  const uint32_t kFrames = 88200, kHalf = 176400, kLead = 1024;
  TSoundStream* streams[3];
  for (TSoundStream*& s : streams) {
    Stream(Pcm(10 * 44100), true, &s);
    s->Play(false);
  }
  ASSERT_EQ(streams[0]->GetBufferSize(), 2 * kHalf);
  Journal();
  uint32_t played = 0;
  auto playTo = [&](uint32_t frame) {
    std::vector<int16_t> out;
    Device()->Render(frame - played, &out);
    played = frame;
  };
  auto expectCursors = [&](uint32_t play, uint32_t write) {
    for (TSoundStream* s : streams) {
      uint32_t p = ~0u, w = ~0u;
      ASSERT_EQ(s->GetBuffer()->GetCurrentPosition(&p, &w), kSoftOk);
      EXPECT_EQ(p, play) << "at frame " << played;
      EXPECT_EQ(w, write) << "at frame " << played;
      EXPECT_LT(w, 2 * kHalf) << "at frame " << played;
    }
  };
  auto refill = [&](int n) {
    streams[n]->Service(false);
    return Journal("Lock");
  };
  using Locks = std::vector<std::string>;

  expectCursors(0, kLead * 4);
  EXPECT_EQ(refill(0), Locks{"Lock #1 176400 176400"});  // playing the first half: the second is due
  EXPECT_EQ(refill(1), Locks{"Lock #2 176400 176400"});
  EXPECT_EQ(refill(2), Locks{"Lock #3 176400 176400"});

  playTo(kFrames / 2);  // exactly at the middle: the first half is not left yet
  expectCursors(kHalf, kHalf + kLead * 4);
  EXPECT_EQ(refill(0), Locks{});
  playTo(kFrames / 2 + 1);
  expectCursors(kHalf + 4, kHalf + 4 + kLead * 4);
  EXPECT_EQ(refill(0), Locks{"Lock #1 0 176400"});

  playTo(kFrames - kLead - 1);  // the write cursor on the buffer's last frame
  expectCursors((kFrames - kLead - 1) * 4, (kFrames - 1) * 4);
  EXPECT_EQ(refill(1), Locks{"Lock #2 0 176400"});
  playTo(kFrames - kLead);  // the write cursor wrapped while the second half still plays
  expectCursors((kFrames - kLead) * 4, 0);
  EXPECT_EQ(refill(2), Locks{});

  playTo(kFrames - 1);
  expectCursors((kFrames - 1) * 4, (kLead - 1) * 4);
  playTo(kFrames);  // the play cursor wraps too
  expectCursors(0, kLead * 4);
  EXPECT_EQ(refill(0), Locks{"Lock #1 176400 176400"});
  EXPECT_EQ(refill(1), Locks{"Lock #2 176400 176400"});
}

TEST_F(StreamTest, LoopingRingNeverEndsAndRewindsSeamlessly) {
  Ogg("loop.ogg", 3 * 44100 + 1234);
  const std::vector<int16_t> ref = Reference("loop.ogg");
  TSoundStream* s = nullptr;
  boost::weak_ptr<TSoundStream> alive = Stream(CreateSoundDataSource("loop.ogg", false), true, &s);
  s->Play(false);
  std::vector<int16_t> out;
  Run(60000, &out);
  EXPECT_FALSE(alive.expired());
  EXPECT_EQ(manager_->GetRetiredCount(), 0u);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ref[i % ref.size()]) << i;
}

TEST_F(StreamTest, ShortEffectPlaysOnceAndEndsSoonAfterItsBufferStops) {
  Ogg("click.ogg", 22050);
  const std::vector<int16_t> ref = Reference("click.ogg");
  TSoundStream* s = nullptr;
  boost::weak_ptr<TSoundStream> alive = Stream(CreateSoundDataSource("click.ogg", false), false, &s);
  s->Play(true);
  EXPECT_EQ(Journal("Play"), std::vector<std::string>{"Play #1 flags=0"});
  std::vector<int16_t> out;
  Run(2000, &out);
  EXPECT_TRUE(std::equal(ref.begin(), ref.end(), out.begin()));
  EXPECT_EQ(std::vector<int16_t>(out.begin() + ref.size(), out.end()), std::vector<int16_t>(out.size() - ref.size(), 0));
  EXPECT_EQ(manager_->GetRetiredCount(), 1u);
  manager_->Update();
  EXPECT_TRUE(alive.expired());
}

TEST_F(StreamTest, PausedOneShotIsNotFinished) {
  Ogg("click.ogg", 22050);
  const std::vector<int16_t> ref = Reference("click.ogg");
  TSoundStream* s = nullptr;
  boost::weak_ptr<TSoundStream> alive = Stream(CreateSoundDataSource("click.ogg", false), false, &s);
  s->Play(true);
  std::vector<int16_t> out;
  Run(200, &out);
  s->SetPaused(true);
  Run(5000, &out);  // many services while stopped
  EXPECT_FALSE(alive.expired());
  EXPECT_EQ(manager_->GetRetiredCount(), 0u);
  s->SetPaused(false);
  Run(3000, &out);
  EXPECT_EQ(manager_->GetRetiredCount(), 1u);
  // Played up to the pause, silent while paused, then the rest.
  const size_t before = 200 * 441 / 10 * 2, paused = 5000 * 441 / 10 * 2;
  EXPECT_TRUE(std::equal(ref.begin(), ref.begin() + before, out.begin()));
  EXPECT_EQ(std::vector<int16_t>(out.begin() + before, out.begin() + before + paused), std::vector<int16_t>(paused, 0));
  EXPECT_TRUE(std::equal(ref.begin() + before, ref.end(), out.begin() + before + paused));
}

TEST_F(StreamTest, VolumeMappingAndALostBufferIsRestoredFirst) {
  TSoundStream* s = nullptr;
  Stream(Pcm(1000), false, &s);
  Journal();
  for (float v : {0.0f, 0.01f, 0.5f, 1.0f, 1.5f, -1.0f}) s->SetVolume(v);
  EXPECT_EQ(Journal("SetVolume"), (std::vector<std::string>{"SetVolume #1 -10000", "SetVolume #1 -4950",
                                                             "SetVolume #1 -2500", "SetVolume #1 0", "SetVolume #1 0",
                                                             "SetVolume #1 -10000"}));
  s->GetBuffer()->ForceLost();
  s->SetVolume(0.5f);
  EXPECT_EQ(Journal(), (std::vector<std::string>{"Restore #1", "SetVolume #1 -2500"}));
}

TEST_F(StreamTest, AFailedLockEndsTheStream) {
  TSoundStream* s = nullptr;
  boost::weak_ptr<TSoundStream> alive = Stream(Pcm(5 * 44100), false, &s);
  s->Play(false);
  Device()->InjectFailure("Lock");
  TLogCapture log;
  Run(600);
  EXPECT_EQ(manager_->GetRetiredCount(), 1u);
  EXPECT_TRUE(log.Contains("Sound: a stream's buffer cannot be locked for its next sound; the stream ends (a failure "
                           "a test asked for; error 0x88780070 at audio/soundstream.cpp:"));
}

class NoDeviceTest : public ManagerTest {
protected:
  NoDeviceTest() : ManagerTest(TSoftOutputKind::kNone) {}
};

TEST_F(NoDeviceTest, StreamsPlaySilentlyByTheirClocksAndLoopsKeepPlaying) {
  EXPECT_FALSE(initialised_);
  auto source = boost::make_shared<TMemDataSource>(std::vector<uint8_t>(88200), 2, 44100, 0.5);
  auto* once = new TSoundStream(manager_.get(), new TStreamSpooler(source), false, 0, nullptr);
  auto* loop = new TSoundStream(manager_.get(), new TStreamSpooler(source), true, 0, nullptr);
  EXPECT_FALSE(once->Start(44100, 2, 16, 2.0f));
  once->Play(false);
  loop->Play(false);
  Run(400);
  EXPECT_EQ(manager_->GetStreamCount(), 2u);
  Run(800);
  EXPECT_EQ(manager_->GetStreamCount(), 1u);
  EXPECT_EQ(manager_->GetRetiredCount(), 1u);
  Run(10000);
  EXPECT_EQ(manager_->GetStreamCount(), 1u);
}

}  // namespace

namespace {

// A spooler that counts how it is disposed of.
class TCountingSpooler : public TStreamSpooler {
public:
  TCountingSpooler(boost::shared_ptr<TSoundDataSource> source, int* deletes) : TStreamSpooler(std::move(source)),
                                                                              deletes_(deletes) {}
  void Delete() override {
    ++*deletes_;
    TStreamSpooler::Delete();
  }

private:
  int* deletes_;
};

}  // namespace

TEST_F(StreamTest, TheStreamDisposesOfItsSpoolerThroughDeleteOnce) {
  int deletes = 0;
  // At the end of the data.
  auto source = Pcm(22050);
  auto* ended = new TSoundStream(manager_.get(), new TCountingSpooler(source, &deletes), false, 0, nullptr);
  ended->Start(source->GetRate(), source->GetChannels(), 16, TSoundStream::kBufferSeconds);
  boost::weak_ptr<TSoundStream> alive = ended->shared_from_this();
  ended->Play(false);
  Run(6000);
  EXPECT_EQ(deletes, 1);
  manager_->Update();
  EXPECT_TRUE(alive.expired());
  EXPECT_EQ(deletes, 1);
  // With the stream, while it still plays.
  auto* stopped = new TSoundStream(manager_.get(), new TCountingSpooler(Pcm(5 * 44100), &deletes), true, 0, nullptr);
  stopped->Start(44100, 2, 16, TSoundStream::kBufferSeconds);
  stopped->Play(false);
  stopped->Stop(false);
  EXPECT_EQ(deletes, 2);
}
