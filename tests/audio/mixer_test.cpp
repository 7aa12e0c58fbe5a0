// The sound device: buffer formats, cursors, looping, volume, resampling and
// the outputs, checked on the mixed samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/mixer/softsound.h"
#include "platform/time.h"

namespace {

class MixerTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetSoftSoundOutput(TSoftOutputKind::kManual);
    ASSERT_EQ(TSoftSoundDevice::Create(&device_), kSoftOk);
  }
  void TearDown() override { SetSoftSoundOutput(TSoftOutputKind::kAuto); }

  static TSoftWaveFormat Format(uint32_t rate, uint16_t channels) {
    TSoftWaveFormat f;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.blockAlign = channels * 2;
    f.avgBytesPerSec = rate * f.blockAlign;
    f.bitsPerSample = 16;
    return f;
  }

  // A buffer holding `samples` (interleaved), volume control on.
  std::unique_ptr<TSoftSoundBuffer> Buffer(uint32_t rate, uint16_t channels, const std::vector<int16_t>& samples) {
    TSoftWaveFormat f = Format(rate, channels);
    TSoftBufferDesc desc;
    desc.flags = kSoftBufCtrlVolume | kSoftBufGlobalFocus | kSoftBufGetCurrentPosition2;
    desc.bufferBytes = static_cast<uint32_t>(samples.size() * 2);
    desc.format = &f;
    std::unique_ptr<TSoftSoundBuffer> b;
    EXPECT_EQ(device_->CreateSoundBuffer(&desc, &b), kSoftOk);
    if (!b) return b;
    void* area;
    uint32_t bytes;
    EXPECT_EQ(b->Lock(0, desc.bufferBytes, &area, &bytes, 0), kSoftOk);
    std::memcpy(area, samples.data(), bytes);
    EXPECT_EQ(b->Unlock(area, bytes), kSoftOk);
    return b;
  }

  std::vector<int16_t> Render(uint32_t frames) {
    std::vector<int16_t> out;
    device_->Render(frames, &out);
    return out;
  }

  static std::vector<int16_t> Ramp(size_t n, int start = 0, int step = 7) {
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<int16_t>(start + int(i) * step % 20000);
    return v;
  }

  std::unique_ptr<TSoftSoundDevice> device_;
};

TEST_F(MixerTest, RefusesFormatsAndSizesItCannotPlay) {
  std::unique_ptr<TSoftSoundBuffer> b;
  TSoftBufferDesc desc;
  desc.bufferBytes = 4000;
  for (TSoftWaveFormat f : {Format(22050, 3), Format(22050, 2)}) {
    f.bitsPerSample = f.channels == 2 ? 8 : 16;
    desc.format = &f;
    EXPECT_EQ(device_->CreateSoundBuffer(&desc, &b), kSoftErrBadFormat);
  }
  TSoftWaveFormat f = Format(22050, 2);
  desc.format = &f;
  desc.bufferBytes = 4002;  // not whole frames
  EXPECT_EQ(device_->CreateSoundBuffer(&desc, &b), kSoftErrInvalidParam);
  EXPECT_FALSE(b);

  TSoftBufferDesc primaryDesc;
  primaryDesc.flags = kSoftBufPrimary;
  std::unique_ptr<TSoftSoundBuffer> primary;
  ASSERT_EQ(device_->CreateSoundBuffer(&primaryDesc, &primary), kSoftOk);
  TSoftWaveFormat out = Format(44100, 2);
  EXPECT_EQ(primary->SetFormat(&out), kSoftOk);
  EXPECT_EQ(primary->SetFormat(&f), kSoftErrBadFormat);
  EXPECT_EQ(primary->Play(0, 0, 0), kSoftErrInvalidCall);
}

TEST_F(MixerTest, CursorsAdvanceWithTheOutputAndStopKeepsThePosition) {
  auto b = Buffer(22050, 1, std::vector<int16_t>(22050));  // one second, mono
  uint32_t play, write;
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), kSoftOk);
  EXPECT_EQ(play, 0u);
  EXPECT_EQ(write, 0u);  // stopped: write == play

  ASSERT_EQ(b->Play(0, 0, kSoftPlayLooping), kSoftOk);
  Render(4410);  // 0.1 s of output = 2205 frames of the buffer
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), kSoftOk);
  EXPECT_EQ(play, 2205u * 2);
  EXPECT_EQ(write, (2205u + 512u) * 2);  // one output period (1024 frames) at 22050 Hz ahead

  ASSERT_EQ(b->Stop(), kSoftOk);
  Render(4410);
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), kSoftOk);
  EXPECT_EQ(play, 2205u * 2);
  EXPECT_EQ(write, play);
  ASSERT_EQ(b->Play(0, 0, 0), kSoftOk);
  Render(4410);
  ASSERT_EQ(b->GetCurrentPosition(&play, nullptr), kSoftOk);
  EXPECT_EQ(play, 4410u * 2);
}

TEST_F(MixerTest, OnceStopsAtTheEndAtPositionZeroAndLoopingWraps) {
  std::vector<int16_t> data = Ramp(2000);  // 1000 stereo frames
  auto once = Buffer(44100, 2, data);
  ASSERT_EQ(once->Play(0, 0, 0), kSoftOk);
  std::vector<int16_t> out = Render(1500);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 2000), data);
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 2000, out.end()), std::vector<int16_t>(1000, 0));
  uint32_t status = 99, play = 99, write = 99;
  ASSERT_EQ(once->GetStatus(&status), kSoftOk);
  EXPECT_EQ(status, 0u);
  ASSERT_EQ(once->GetCurrentPosition(&play, &write), kSoftOk);
  EXPECT_EQ(play, 0u);
  EXPECT_EQ(write, 0u);

  ASSERT_EQ(once->Play(0, 0, kSoftPlayLooping), kSoftOk);
  ASSERT_EQ(once->GetStatus(&status), kSoftOk);
  EXPECT_EQ(status, kSoftStatusPlaying | kSoftStatusLooping);
  out = Render(2500);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], data[i % data.size()]) << i;
}

TEST_F(MixerTest, VolumeIsHundredthsOfADecibel) {
  std::vector<int16_t> data(2000, 20000);
  auto b = Buffer(44100, 2, data);
  ASSERT_EQ(b->Play(0, 0, kSoftPlayLooping), kSoftOk);
  const int32_t volumes[] = {0, -600, -2500, -4950, -10000};
  for (int32_t v : volumes) {
    ASSERT_EQ(b->SetVolume(v), kSoftOk);
    std::vector<int16_t> out = Render(64);
    double expected = v == -10000 ? 0.0 : 20000.0 * std::pow(10.0, v / 2000.0);
    for (int16_t s : out) ASSERT_NEAR(s, expected, 1.0) << v;
  }
  ASSERT_EQ(b->SetVolume(-20000), kSoftOk);  // clamped to silence
  for (int16_t s : Render(64)) ASSERT_EQ(s, 0);
}

TEST_F(MixerTest, MonoGoesToBothSidesSumsClampAndOtherRatesAreInterpolated) {
  auto loud = Buffer(44100, 1, std::vector<int16_t>(1000, 30000));
  auto louder = Buffer(44100, 2, std::vector<int16_t>(2000, 10000));
  ASSERT_EQ(loud->Play(0, 0, kSoftPlayLooping), kSoftOk);
  ASSERT_EQ(louder->Play(0, 0, kSoftPlayLooping), kSoftOk);
  for (int16_t s : Render(100)) ASSERT_EQ(s, 32767);
  loud.reset();
  louder.reset();

  std::vector<int16_t> ramp(1000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i * 20);
  auto half = Buffer(22050, 1, ramp);
  ASSERT_EQ(half->Play(0, 0, 0), kSoftOk);
  std::vector<int16_t> out = Render(100);
  for (size_t k = 0; k < 50; ++k) {
    ASSERT_EQ(out[4 * k], ramp[k]);
    ASSERT_EQ(out[4 * k + 1], ramp[k]);
    ASSERT_EQ(out[4 * k + 2], ramp[k] + 10);  // half-way to the next sample
  }
}

TEST_F(MixerTest, LoopingResampledSoundInterpolatesAcrossTheLoopPointTowardsItsFirstFrame) {
  // Mono at 22050 Hz: every second output frame lies half-way between two of the
  // buffer's; the one after the last frame lies half-way to the first. (Even
  // values, so the half-way points are exact.)
  const std::vector<int16_t> mono = {1000, 3000, -2000, 500, 7000, -7000, 12000, -9000};
  auto looping = Buffer(22050, 1, mono);
  ASSERT_EQ(looping->Play(0, 0, kSoftPlayLooping), kSoftOk);
  std::vector<int16_t> out = Render(48);  // three times round
  for (size_t k = 0; k < 48; ++k) {
    size_t i = k / 2 % 8, j = (i + 1) % 8;
    int want = k % 2 ? (mono[i] + mono[j]) / 2 : mono[i];
    ASSERT_EQ(out[2 * k], want) << "output frame " << k;
    ASSERT_EQ(out[2 * k + 1], want) << "output frame " << k;
  }
  EXPECT_EQ(out[2 * 15], -4000);  // between -9000 and 1000
  looping.reset();

  // Stereo at 11025 Hz: quarter steps, each side towards its own first sample.
  const std::vector<int16_t> stereo = {400, -800, 4000, 8000, -1200, 1600};  // three frames
  auto quarters = Buffer(11025, 2, stereo);
  ASSERT_EQ(quarters->Play(0, 0, kSoftPlayLooping), kSoftOk);
  out = Render(24);  // twice round
  for (size_t k = 0; k < 24; ++k)
    for (size_t c = 0; c < 2; ++c) {
      size_t i = k / 4 % 3, j = (i + 1) % 3;
      int x0 = stereo[2 * i + c], x1 = stereo[2 * j + c];
      ASSERT_EQ(out[2 * k + c], x0 + (x1 - x0) * int(k % 4) / 4) << "output frame " << k << " side " << c;
    }
  EXPECT_EQ(out[2 * 10], -1200 + (400 + 1200) * 2 / 4);
  EXPECT_EQ(out[2 * 10 + 1], 1600 + (-800 - 1600) * 2 / 4);
  quarters.reset();

  // The other side: played once, the last frame is held, never mixed with the first.
  auto once = Buffer(22050, 1, mono);
  ASSERT_EQ(once->Play(0, 0, 0), kSoftOk);
  out = Render(20);
  EXPECT_EQ(out[2 * 14], -9000);
  EXPECT_EQ(out[2 * 15], -9000);
  for (size_t k = 16; k < 20; ++k) EXPECT_EQ(out[2 * k], 0) << k;
}

TEST_F(MixerTest, LockHandsOutTheBytesUnlockWritesThem) {
  std::vector<int16_t> data = Ramp(400);
  auto b = Buffer(44100, 2, data);
  void* area;
  uint32_t bytes;
  EXPECT_EQ(b->Lock(700, 200, &area, &bytes, 0), kSoftErrInvalidParam);  // would wrap
  ASSERT_EQ(b->Lock(400, 400, &area, &bytes, 0), kSoftOk);
  EXPECT_EQ(bytes, 400u);
  EXPECT_EQ(std::memcmp(area, data.data() + 200, 400), 0);
  void* second;
  EXPECT_EQ(b->Lock(0, 4, &second, &bytes, 0), kSoftErrInvalidCall);
  std::memset(area, 0, 400);
  ASSERT_EQ(b->Unlock(area, 400), kSoftOk);
  ASSERT_EQ(b->Play(0, 0, 0), kSoftOk);
  std::vector<int16_t> out = Render(200);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 200), std::vector<int16_t>(data.begin(), data.begin() + 200));
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 200, out.end()), std::vector<int16_t>(200, 0));

}

TEST(SoftSoundOutputs, NullOutputMixesAsThePlatformClockAdvances) {
  TManualTimeScope time(5000);
  SetSoftSoundOutput(TSoftOutputKind::kNull);
  std::unique_ptr<TSoftSoundDevice> device;
  ASSERT_EQ(TSoftSoundDevice::Create(&device), kSoftOk);
  EXPECT_FALSE(device->IsRealOutput());
  EXPECT_FALSE(SoftSoundHasRealOutput());
  time.Advance(1000);
  EXPECT_EQ(device->GetMixedFrames(), 44100u);
  time.Advance(1);
  time.Advance(1);
  EXPECT_EQ(device->GetMixedFrames(), 44188u);  // 44.1 frames a millisecond, the tenths carried

  SetSoftSoundOutput(TSoftOutputKind::kNone);
  std::unique_ptr<TSoftSoundDevice> none;
  EXPECT_EQ(TSoftSoundDevice::Create(&none), kSoftErrNoDevice);
  EXPECT_FALSE(none);

  // SDL's dummy driver opens, but it is not a real output.
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  if (driver && std::string(driver) == "dummy") {
    SetSoftSoundOutput(TSoftOutputKind::kSdl);
    std::unique_ptr<TSoftSoundDevice> sdl;
    ASSERT_EQ(TSoftSoundDevice::Create(&sdl), kSoftOk);
    EXPECT_FALSE(sdl->IsRealOutput());
    EXPECT_FALSE(SoftSoundHasRealOutput());
  }
  SetSoftSoundOutput(TSoftOutputKind::kAuto);
}

}  // namespace
