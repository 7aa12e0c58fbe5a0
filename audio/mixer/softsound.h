// The sound device under the audio subsystem: secondary buffers of 16-bit PCM
// in their own rate and channel count, mixed (with linear resampling) into one
// 44100 Hz 16-bit stereo output.
//
// A buffer is a ring of bytes with a play cursor and a write cursor, a volume
// in hundredths of a decibel, and a play state (stopped, once, looping). The
// caller writes into it by Lock and Unlock. Outputs: SDL2's audio device
// (mixed on SDL's audio thread), a null output that mixes as the platform clock
// advances (headless runs), and a manual output that mixes when a test asks.
// Depends on platform/ (time, settings, log) and SDL2; nothing else.
// docs/audio-mixer.md lists every answer the device gives.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Results: 0 is success, failures are 0x8878xxxx.
using TSoftResult = uint32_t;
constexpr TSoftResult kSoftOk = 0;
constexpr TSoftResult kSoftErrNoDevice = 0x88780010;      // no output could be opened
constexpr TSoftResult kSoftErrInvalidParam = 0x88780020;  // bad size, range or description
constexpr TSoftResult kSoftErrBadFormat = 0x88780030;     // a wave format the device cannot play
constexpr TSoftResult kSoftErrOutOfMemory = 0x88780040;
constexpr TSoftResult kSoftErrBufferLost = 0x88780050;    // Restore first
constexpr TSoftResult kSoftErrInvalidCall = 0x88780060;   // not allowed on this buffer or now
constexpr TSoftResult kSoftErrRefused = 0x88780070;       // a failure injected by a test

// Buffer description flags.
constexpr uint32_t kSoftBufPrimary = 0x1;
constexpr uint32_t kSoftBufCtrlVolume = 0x80;
constexpr uint32_t kSoftBufGlobalFocus = 0x8000;
constexpr uint32_t kSoftBufGetCurrentPosition2 = 0x10000;

constexpr uint32_t kSoftPlayLooping = 0x1;         // Play flags
constexpr uint32_t kSoftStatusPlaying = 0x1;       // GetStatus bits
constexpr uint32_t kSoftStatusBufferLost = 0x2;
constexpr uint32_t kSoftStatusLooping = 0x4;
constexpr uint32_t kSoftCoopPriority = 2;          // SetCooperativeLevel
constexpr int32_t kSoftVolumeMin = -10000;         // hundredths of a decibel; silent
constexpr int32_t kSoftVolumeMax = 0;
constexpr uint16_t kSoftFormatPcm = 1;
constexpr uint32_t kSoftBufferDescSize = 36;       // TSoftBufferDesc::structSize
constexpr uint32_t kSoftMinBufferBytes = 4;
constexpr uint32_t kSoftMaxBufferBytes = 0x0FFFFFFF;
constexpr uint32_t kSoftMinRate = 100;
constexpr uint32_t kSoftMaxRate = 200000;

// The output format, fixed.
constexpr uint32_t kSoftOutputRate = 44100;
constexpr uint32_t kSoftOutputChannels = 2;
constexpr uint32_t kSoftOutputPeriod = 1024;  // frames the output mixes at a time

struct TSoftWaveFormat {
  uint16_t formatTag = kSoftFormatPcm;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t extraSize = 0;
};

struct TSoftBufferDesc {
  uint32_t structSize = kSoftBufferDescSize;
  uint32_t flags = 0;
  uint32_t bufferBytes = 0;
  const TSoftWaveFormat* format = nullptr;
};

// Which output the next device opens. kAuto: the null output when the setting
// "headless" is on, else SDL. kNone makes opening fail (a machine without sound).
enum class TSoftOutputKind { kAuto, kSdl, kNull, kManual, kNone };
void SetSoftSoundOutput(TSoftOutputKind kind);
TSoftOutputKind GetSoftSoundOutput();

// True while a device with a real output (an SDL driver other than "dummy" or
// "disk") is open in this process.
bool SoftSoundHasRealOutput();

class TSoftMixer;
class TSoftOutput;

class TSoftSoundBuffer {
public:
  ~TSoftSoundBuffer();
  TSoftSoundBuffer(const TSoftSoundBuffer&) = delete;
  TSoftSoundBuffer& operator=(const TSoftSoundBuffer&) = delete;

  // Starts or continues from the current position; kSoftPlayLooping sets
  // looping, 0 clears it.
  TSoftResult Play(uint32_t reserved, uint32_t priority, uint32_t flags);
  // Stops; the position stays.
  TSoftResult Stop();
  // Play cursor: the next byte to mix. Write cursor: one output period ahead
  // (at the buffer's rate, whole blocks) while playing, the play cursor when stopped.
  TSoftResult GetCurrentPosition(uint32_t* play, uint32_t* write);
  // One region, never wrapping: offset + bytes must lie inside the buffer.
  // The area holds the buffer's current bytes; Unlock copies it back.
  TSoftResult Lock(uint32_t offset, uint32_t bytes, void** area, uint32_t* areaBytes, uint32_t flags);
  TSoftResult Unlock(void* area, uint32_t areaBytes);
  // Hundredths of a decibel, clamped to -10000..0; -10000 is silence.
  TSoftResult SetVolume(int32_t volume);
  TSoftResult GetVolume(int32_t* volume);
  TSoftResult GetStatus(uint32_t* status);
  TSoftResult Restore();
  // Primary buffer only: the output format (44100 Hz, 16 bits, stereo) is the only one accepted.
  TSoftResult SetFormat(const TSoftWaveFormat* format);

  uint32_t GetSize() const { return size_; }
  bool IsPrimary() const { return primary_; }
  // Test hook: the buffer is lost until Restore.
  void ForceLost();

private:
  friend class TSoftSoundDevice;
  TSoftSoundBuffer(std::shared_ptr<TSoftMixer> mixer, uint32_t id, bool primary, uint32_t flags, uint32_t size);
  std::shared_ptr<TSoftMixer> mixer_;
  uint32_t id_;
  bool primary_;
  uint32_t flags_;
  uint32_t size_;
  std::vector<uint8_t> staging_;
  bool locked_ = false;
  uint32_t lockOffset_ = 0;
};

class TSoftSoundDevice {
public:
  // Opens the default output of the kind chosen with SetSoftSoundOutput.
  static TSoftResult Create(std::unique_ptr<TSoftSoundDevice>* out);
  ~TSoftSoundDevice();
  TSoftSoundDevice(const TSoftSoundDevice&) = delete;
  TSoftSoundDevice& operator=(const TSoftSoundDevice&) = delete;

  TSoftResult SetCooperativeLevel(void* window, uint32_t level);
  TSoftResult CreateSoundBuffer(const TSoftBufferDesc* desc, std::unique_ptr<TSoftSoundBuffer>* out);

  TSoftOutputKind GetOutputKind() const { return kind_; }
  bool IsRealOutput() const { return real_; }

  // Manual output: mixes `frames` frames and appends them (interleaved stereo) to `out`.
  void Render(uint32_t frames, std::vector<int16_t>* out);
  // Keeps a copy of everything the output mixes from now on (any output).
  void SetCapture(bool on);
  std::vector<int16_t> TakeCapture();
  uint64_t GetMixedFrames() const;

  // Test hooks: a journal of buffer calls ("Play #1 flags=1", ...), and
  // failures of named calls ("CreateSoundBuffer", "Lock", "Play", ...).
  void SetJournal(bool on);
  std::vector<std::string> TakeJournal();
  void InjectFailure(const std::string& call, int count = 1);

private:
  TSoftSoundDevice(TSoftOutputKind kind, std::shared_ptr<TSoftMixer> mixer);
  TSoftOutputKind kind_;
  bool real_ = false;
  std::shared_ptr<TSoftMixer> mixer_;
  std::unique_ptr<TSoftOutput> output_;
  uint32_t nextId_ = 1;
};
