// The mixing loop: every playing voice, at its gain, resampled to the output
// rate by linear interpolation, summed in 32 bits and clamped to 16.
#include "audio/mixer/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "platform/time.h"

namespace {
constexpr uint64_t kOne = uint64_t(1) << 32;
constexpr uint64_t kFraction = kOne - 1;
constexpr int32_t kUnity = 65536;
// The null output never mixes more than this in one catch-up; a longer gap
// (a stalled process, a clock set back) is skipped.
constexpr int32_t kMaxCatchUpMs = 600000;

inline int32_t Scale(int32_t sample, int32_t gain) { return gain == kUnity ? sample : (sample * gain + 0x8000) >> 16; }
}  // namespace

int32_t SoftVolumeToGain(int32_t volume) {
  if (volume <= kSoftVolumeMin) return 0;
  if (volume >= kSoftVolumeMax) return kUnity;
  return static_cast<int32_t>(std::lround(std::pow(10.0, volume / 2000.0) * kUnity));
}

void TSoftMixer::MixVoice(TSoftVoice& v, uint32_t frames) {
  if (!v.playing || v.frames == 0) return;
  int32_t* acc = accumulator_.data();
  const int16_t* s = v.samples.data();
  const int32_t g = v.gain;
  const uint32_t ch = v.channels;

  if (v.step == kOne && (v.position & kFraction) == 0) {
    // Same rate as the output: sample for sample.
    uint32_t frame = static_cast<uint32_t>(v.position >> 32);
    uint32_t done = 0;
    while (done < frames) {
      uint32_t n = std::min(frames - done, v.frames - frame);
      if (g != 0) {
        int32_t* a = acc + size_t(done) * 2;
        const int16_t* p = s + size_t(frame) * ch;
        if (ch == 2) {
          for (uint32_t i = 0; i < 2 * n; ++i) a[i] += Scale(p[i], g);
        } else {
          for (uint32_t i = 0; i < n; ++i) {
            int32_t x = Scale(p[i], g);
            a[2 * i] += x;
            a[2 * i + 1] += x;
          }
        }
      }
      done += n;
      frame += n;
      if (frame >= v.frames) {
        frame = 0;
        if (!v.looping) {
          v.playing = false;
          break;
        }
      }
    }
    v.position = uint64_t(frame) << 32;
    return;
  }

  const uint64_t end = uint64_t(v.frames) << 32;
  uint64_t pos = v.position;
  for (uint32_t done = 0; done < frames; ++done) {
    uint32_t i = static_cast<uint32_t>(pos >> 32);
    uint32_t j = i + 1;
    if (j >= v.frames) j = v.looping ? 0 : i;
    int32_t f = static_cast<int32_t>((pos >> 17) & 0x7FFF);  // 1.15 fraction
    int32_t* a = acc + size_t(done) * 2;
    if (g != 0) {
      if (ch == 2) {
        for (uint32_t c = 0; c < 2; ++c) {
          int32_t x0 = s[size_t(i) * 2 + c], x1 = s[size_t(j) * 2 + c];
          a[c] += Scale(x0 + (((x1 - x0) * f) >> 15), g);
        }
      } else {
        int32_t x0 = s[i], x1 = s[j];
        int32_t x = Scale(x0 + (((x1 - x0) * f) >> 15), g);
        a[0] += x;
        a[1] += x;
      }
    }
    pos += v.step;
    if (pos >= end) {
      if (!v.looping) {
        v.playing = false;
        pos = 0;
        break;
      }
      pos %= end;
    }
  }
  v.position = pos;
}

void TSoftMixer::MixLocked(int16_t* out, uint32_t frames) {
  bool any = false;
  for (TSoftVoice* v : voices) any = any || v->playing;
  if (any) {
    accumulator_.assign(size_t(frames) * 2, 0);
    for (TSoftVoice* v : voices) MixVoice(*v, frames);
    for (size_t i = 0; i < accumulator_.size(); ++i)
      out[i] = static_cast<int16_t>(std::clamp(accumulator_[i], -32768, 32767));
  } else {
    std::fill(out, out + size_t(frames) * 2, int16_t(0));
  }
  mixedFrames += frames;
  if (capture) captured.insert(captured.end(), out, out + size_t(frames) * 2);
}

void TSoftMixer::Mix(int16_t* out, uint32_t frames) {
  std::lock_guard<std::mutex> lock(mutex);
  MixLocked(out, frames);
}

void TSoftMixer::PumpLocked() {
  if (!clockDriven) return;
  uint32_t now = GetPlatformTime();
  int32_t delta = static_cast<int32_t>(now - lastTime);
  if (delta == 0) return;
  lastTime = now;
  if (delta < 0 || delta > kMaxCatchUpMs) {
    timeRemainder = 0;
    return;
  }
  uint64_t total = uint64_t(delta) * kSoftOutputRate + timeRemainder;
  uint64_t frames = total / 1000;
  timeRemainder = static_cast<uint32_t>(total % 1000);
  while (frames > 0) {
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(frames, 4096));
    scratch_.resize(size_t(n) * 2);
    MixLocked(scratch_.data(), n);
    frames -= n;
  }
}

bool TSoftMixer::FailLocked(const char* call) {
  auto it = failures.find(call);
  if (it == failures.end() || it->second <= 0) return false;
  if (--it->second == 0) failures.erase(it);
  return true;
}

void TSoftMixer::NoteLocked(const char* format, ...) {
  if (!journalOn) return;
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  journal.emplace_back(text);
}
