// Inside the sound device: the voices (one per secondary buffer) and the mixer
// that sums them into the output. Not part of the device's interface.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/mixer/softsound.h"

// What the mixer knows of one secondary buffer. Guarded by TSoftMixer::mutex.
struct TSoftVoice {
  uint32_t id = 0;
  uint32_t channels = 0;
  uint32_t blockAlign = 0;
  uint32_t rate = 0;
  uint32_t frames = 0;            // buffer length in sample frames
  std::vector<int16_t> samples;   // the ring, interleaved
  bool playing = false;
  bool looping = false;
  bool lost = false;
  uint64_t position = 0;          // 32.32 fixed point, in frames
  uint64_t step = 0;              // frames of this voice per output frame, 32.32
  int32_t volume = 0;             // hundredths of a decibel
  int32_t gain = 65536;           // 16.16 fixed point
  uint32_t leadFrames = 0;        // write-cursor lead
};

// Gain of a volume in hundredths of a decibel: 10^(v / 2000), 16.16 fixed point; -10000 gives 0.
int32_t SoftVolumeToGain(int32_t volume);

class TSoftMixer {
public:
  std::mutex mutex;

  // Everything below is guarded by `mutex`.
  std::vector<TSoftVoice*> voices;  // owned by their buffers
  bool clockDriven = false;         // the null output: mixes as platform time passes
  uint32_t lastTime = 0;
  uint32_t timeRemainder = 0;       // thousandths of a frame not yet mixed
  bool capture = false;
  std::vector<int16_t> captured;
  uint64_t mixedFrames = 0;
  bool journalOn = false;
  std::vector<std::string> journal;
  std::map<std::string, int> failures;

  // Mixes `frames` output frames (stereo) into `out`, advancing every playing voice.
  void Mix(int16_t* out, uint32_t frames);
  void MixLocked(int16_t* out, uint32_t frames);
  // The null output: mixes (and drops) what the platform clock says has been played.
  void PumpLocked();
  // True (and one failure used up) when a test asked this call to fail.
  bool FailLocked(const char* call);
  void NoteLocked(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
  void MixVoice(TSoftVoice& v, uint32_t frames);
  std::vector<int32_t> accumulator_;
  std::vector<int16_t> scratch_;
};

// An output drives the mixer: SDL's callback, the clock, or a test.
class TSoftOutput {
public:
  virtual ~TSoftOutput() = default;
  virtual bool IsReal() const = 0;
};

// Opens SDL's default audio device at 44100 Hz, 16-bit stereo; null (logged) on failure.
std::unique_ptr<TSoftOutput> OpenSdlOutput(std::shared_ptr<TSoftMixer> mixer);
