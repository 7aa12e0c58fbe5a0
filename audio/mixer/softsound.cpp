// The device and its buffers over the mixer.
#include "audio/mixer/softsound.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "audio/mixer/mixer.h"
#include "platform/settings.h"
#include "platform/time.h"

namespace {
std::atomic<TSoftOutputKind> gOutputKind{TSoftOutputKind::kAuto};
std::atomic<int> gRealOutputs{0};

// Outputs that only give the mixer its pace.
class TPassiveOutput : public TSoftOutput {
public:
  bool IsReal() const override { return false; }
};

bool ValidSecondaryFormat(const TSoftWaveFormat& f) {
  return f.formatTag == kSoftFormatPcm && f.bitsPerSample == 16 && (f.channels == 1 || f.channels == 2) &&
         f.samplesPerSec >= kSoftMinRate && f.samplesPerSec <= kSoftMaxRate &&
         f.blockAlign == f.channels * 2 && f.avgBytesPerSec == f.blockAlign * f.samplesPerSec;
}
}  // namespace

void SetSoftSoundOutput(TSoftOutputKind kind) { gOutputKind.store(kind); }
TSoftOutputKind GetSoftSoundOutput() { return gOutputKind.load(); }
bool SoftSoundHasRealOutput() { return gRealOutputs.load() > 0; }

// ---------------------------------------------------------------------------
// Device

TSoftSoundDevice::TSoftSoundDevice(TSoftOutputKind kind, std::shared_ptr<TSoftMixer> mixer)
    : kind_(kind), mixer_(std::move(mixer)) {}

TSoftResult TSoftSoundDevice::Create(std::unique_ptr<TSoftSoundDevice>* out) {
  out->reset();
  TSoftOutputKind kind = GetSoftSoundOutput();
  if (kind == TSoftOutputKind::kAuto)
    kind = GetSettingBool("headless") ? TSoftOutputKind::kNull : TSoftOutputKind::kSdl;
  if (kind == TSoftOutputKind::kNone) return kSoftErrNoDevice;

  auto mixer = std::make_shared<TSoftMixer>();
  std::unique_ptr<TSoftSoundDevice> device(new TSoftSoundDevice(kind, mixer));
  if (kind == TSoftOutputKind::kSdl) {
    device->output_ = OpenSdlOutput(mixer);
    if (!device->output_) return kSoftErrNoDevice;
  } else {
    device->output_ = std::make_unique<TPassiveOutput>();
    if (kind == TSoftOutputKind::kNull) {
      mixer->clockDriven = true;
      mixer->lastTime = GetPlatformTime();
    }
  }
  device->real_ = device->output_->IsReal();
  if (device->real_) ++gRealOutputs;
  *out = std::move(device);
  return kSoftOk;
}

TSoftSoundDevice::~TSoftSoundDevice() {
  output_.reset();  // SDL's audio thread has stopped once this returns
  if (real_) --gRealOutputs;
}

TSoftResult TSoftSoundDevice::SetCooperativeLevel(void* window, uint32_t level) {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  mixer_->NoteLocked("SetCooperativeLevel %u", level);
  if (mixer_->FailLocked("SetCooperativeLevel")) return kSoftErrRefused;
  return level >= 1 && level <= 3 ? kSoftOk : kSoftErrInvalidParam;
}

TSoftResult TSoftSoundDevice::CreateSoundBuffer(const TSoftBufferDesc* desc, std::unique_ptr<TSoftSoundBuffer>* out) {
  out->reset();
  if (!desc || desc->structSize != kSoftBufferDescSize) return kSoftErrInvalidParam;
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  if (desc->flags & kSoftBufPrimary) {
    mixer_->NoteLocked("CreateSoundBuffer primary flags=0x%x", desc->flags);
    if (mixer_->FailLocked("CreateSoundBuffer")) return kSoftErrRefused;
    if (desc->bufferBytes != 0 || desc->format) return kSoftErrInvalidParam;
    out->reset(new TSoftSoundBuffer(mixer_, 0, true, desc->flags, 0));
    return kSoftOk;
  }
  const TSoftWaveFormat* f = desc->format;
  if (f) {
    mixer_->NoteLocked("CreateSoundBuffer flags=0x%x bytes=%u tag=%u channels=%u rate=%u bytesPerSec=%u align=%u bits=%u",
                       desc->flags, desc->bufferBytes, f->formatTag, f->channels, f->samplesPerSec, f->avgBytesPerSec,
                       f->blockAlign, f->bitsPerSample);
  }
  if (mixer_->FailLocked("CreateSoundBuffer")) return kSoftErrRefused;
  if (!f) return kSoftErrInvalidParam;
  if (!ValidSecondaryFormat(*f)) return kSoftErrBadFormat;
  uint32_t size = desc->bufferBytes;
  if (size < kSoftMinBufferBytes || size > kSoftMaxBufferBytes || size % f->blockAlign != 0) return kSoftErrInvalidParam;

  auto voice = std::make_unique<TSoftVoice>();
  voice->id = nextId_++;
  voice->channels = f->channels;
  voice->blockAlign = f->blockAlign;
  voice->rate = f->samplesPerSec;
  voice->frames = size / f->blockAlign;
  try {
    voice->samples.assign(size / 2, 0);
  } catch (const std::bad_alloc&) {
    return kSoftErrOutOfMemory;
  }
  voice->step = (uint64_t(f->samplesPerSec) << 32) / kSoftOutputRate;
  voice->leadFrames = static_cast<uint32_t>((uint64_t(kSoftOutputPeriod) * f->samplesPerSec + kSoftOutputRate - 1) /
                                            kSoftOutputRate);
  std::unique_ptr<TSoftSoundBuffer> buffer(new TSoftSoundBuffer(mixer_, voice->id, false, desc->flags, size));
  mixer_->voices.push_back(voice.release());
  *out = std::move(buffer);
  return kSoftOk;
}

void TSoftSoundDevice::Render(uint32_t frames, std::vector<int16_t>* out) {
  size_t at = out->size();
  out->resize(at + size_t(frames) * 2);
  mixer_->Mix(out->data() + at, frames);
}

void TSoftSoundDevice::SetCapture(bool on) {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  mixer_->PumpLocked();
  mixer_->capture = on;
}

std::vector<int16_t> TSoftSoundDevice::TakeCapture() {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  mixer_->PumpLocked();
  return std::move(mixer_->captured);
}

uint64_t TSoftSoundDevice::GetMixedFrames() const {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  mixer_->PumpLocked();
  return mixer_->mixedFrames;
}

void TSoftSoundDevice::SetJournal(bool on) {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  mixer_->journalOn = on;
}

std::vector<std::string> TSoftSoundDevice::TakeJournal() {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  return std::move(mixer_->journal);
}

void TSoftSoundDevice::InjectFailure(const std::string& call, int count) {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  mixer_->failures[call] = count;
}

// ---------------------------------------------------------------------------
// Buffers

namespace {
TSoftVoice* FindVoice(TSoftMixer& m, uint32_t id) {
  for (TSoftVoice* v : m.voices)
    if (v->id == id) return v;
  return nullptr;
}
}  // namespace

// Takes the mixer's lock, brings the null output up to the present, and finds the voice.
#define SOFT_BUFFER_CALL(name)                                        \
  std::lock_guard<std::mutex> lock(mixer_->mutex);                    \
  mixer_->PumpLocked();                                               \
  if (primary_) return kSoftErrInvalidCall;                           \
  TSoftVoice* v = FindVoice(*mixer_, id_);                            \
  if (!v) return kSoftErrInvalidCall;                                 \
  if (mixer_->FailLocked(name)) return kSoftErrRefused

TSoftSoundBuffer::TSoftSoundBuffer(std::shared_ptr<TSoftMixer> mixer, uint32_t id, bool primary, uint32_t flags,
                                   uint32_t size)
    : mixer_(std::move(mixer)), id_(id), primary_(primary), flags_(flags), size_(size) {}

TSoftSoundBuffer::~TSoftSoundBuffer() {
  if (primary_) return;
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  mixer_->PumpLocked();
  auto& voices = mixer_->voices;
  auto it = std::find_if(voices.begin(), voices.end(), [&](TSoftVoice* v) { return v->id == id_; });
  if (it != voices.end()) {
    delete *it;
    voices.erase(it);
  }
}

TSoftResult TSoftSoundBuffer::Play(uint32_t reserved, uint32_t priority, uint32_t flags) {
  SOFT_BUFFER_CALL("Play");
  mixer_->NoteLocked("Play #%u flags=%u", id_, flags);
  if (reserved != 0 || priority != 0) return kSoftErrInvalidParam;
  if (v->lost) return kSoftErrBufferLost;
  v->playing = true;
  v->looping = (flags & kSoftPlayLooping) != 0;
  return kSoftOk;
}

TSoftResult TSoftSoundBuffer::Stop() {
  SOFT_BUFFER_CALL("Stop");
  mixer_->NoteLocked("Stop #%u", id_);
  v->playing = false;
  return kSoftOk;
}

TSoftResult TSoftSoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) {
  SOFT_BUFFER_CALL("GetCurrentPosition");
  mixer_->NoteLocked("GetCurrentPosition #%u", id_);
  uint32_t frame = static_cast<uint32_t>(v->position >> 32);
  uint32_t p = frame * v->blockAlign;
  uint32_t w = v->playing ? ((frame + v->leadFrames) % v->frames) * v->blockAlign : p;
  if (play) *play = p;
  if (write) *write = w;
  return kSoftOk;
}

TSoftResult TSoftSoundBuffer::Lock(uint32_t offset, uint32_t bytes, void** area, uint32_t* areaBytes, uint32_t flags) {
  if (area) *area = nullptr;
  if (areaBytes) *areaBytes = 0;
  SOFT_BUFFER_CALL("Lock");
  mixer_->NoteLocked("Lock #%u %u %u", id_, offset, bytes);
  if (!area || !areaBytes || bytes == 0 || offset >= size_ || bytes > size_ - offset) return kSoftErrInvalidParam;
  if (locked_) return kSoftErrInvalidCall;
  if (v->lost) return kSoftErrBufferLost;
  staging_.resize(bytes);
  std::memcpy(staging_.data(), reinterpret_cast<const uint8_t*>(v->samples.data()) + offset, bytes);
  locked_ = true;
  lockOffset_ = offset;
  *area = staging_.data();
  *areaBytes = bytes;
  return kSoftOk;
}

TSoftResult TSoftSoundBuffer::Unlock(void* area, uint32_t areaBytes) {
  SOFT_BUFFER_CALL("Unlock");
  mixer_->NoteLocked("Unlock #%u %u", id_, areaBytes);
  if (!locked_ || area != staging_.data() || areaBytes > staging_.size()) return kSoftErrInvalidParam;
  locked_ = false;
  std::memcpy(reinterpret_cast<uint8_t*>(v->samples.data()) + lockOffset_, staging_.data(), areaBytes);
  return kSoftOk;
}

TSoftResult TSoftSoundBuffer::SetVolume(int32_t volume) {
  SOFT_BUFFER_CALL("SetVolume");
  mixer_->NoteLocked("SetVolume #%u %d", id_, volume);
  if (!(flags_ & kSoftBufCtrlVolume)) return kSoftErrInvalidCall;
  v->volume = std::clamp(volume, kSoftVolumeMin, kSoftVolumeMax);
  v->gain = SoftVolumeToGain(v->volume);
  return kSoftOk;
}

TSoftResult TSoftSoundBuffer::GetVolume(int32_t* volume) {
  SOFT_BUFFER_CALL("GetVolume");
  if (!volume) return kSoftErrInvalidParam;
  *volume = v->volume;
  return kSoftOk;
}

TSoftResult TSoftSoundBuffer::GetStatus(uint32_t* status) {
  SOFT_BUFFER_CALL("GetStatus");
  if (!status) return kSoftErrInvalidParam;
  *status = (v->playing ? kSoftStatusPlaying : 0) | (v->playing && v->looping ? kSoftStatusLooping : 0) |
            (v->lost ? kSoftStatusBufferLost : 0);
  return kSoftOk;
}

TSoftResult TSoftSoundBuffer::Restore() {
  SOFT_BUFFER_CALL("Restore");
  mixer_->NoteLocked("Restore #%u", id_);
  v->lost = false;
  return kSoftOk;
}

void TSoftSoundBuffer::ForceLost() {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  if (TSoftVoice* v = FindVoice(*mixer_, id_)) {
    v->lost = true;
    v->playing = false;
  }
}

TSoftResult TSoftSoundBuffer::SetFormat(const TSoftWaveFormat* f) {
  std::lock_guard<std::mutex> lock(mixer_->mutex);
  if (f) {
    mixer_->NoteLocked("SetFormat tag=%u channels=%u rate=%u bytesPerSec=%u align=%u bits=%u extra=%u", f->formatTag,
                       f->channels, f->samplesPerSec, f->avgBytesPerSec, f->blockAlign, f->bitsPerSample, f->extraSize);
  }
  if (!primary_) return kSoftErrInvalidCall;
  if (mixer_->FailLocked("SetFormat")) return kSoftErrRefused;
  if (!f) return kSoftErrInvalidParam;
  bool output = f->formatTag == kSoftFormatPcm && f->channels == kSoftOutputChannels &&
                f->samplesPerSec == kSoftOutputRate && f->bitsPerSample == 16 && f->blockAlign == 4 &&
                f->avgBytesPerSec == kSoftOutputRate * 4;
  return output ? kSoftOk : kSoftErrBadFormat;
}
