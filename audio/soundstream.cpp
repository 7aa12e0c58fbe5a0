#include "audio/soundstream.h"

#include <algorithm>
#include <cstring>

#include "audio/datasource.h"
#include "audio/mixer/softsound.h"
#include "audio/sound.h"
#include "audio/soundmanager.h"

namespace {
const char* const kStreamFile = "audio/soundstream.cpp";

void Check(TSoftResult r, const char* what, int line) {
  if (r != kSoftOk) LogSoundError(r, what, kStreamFile, line);
}
}  // namespace

// ---------------------------------------------------------------------------
// Spooler

TStreamSpooler::TStreamSpooler(boost::shared_ptr<TSoundDataSource> source) : source_(std::move(source)) {}

TStreamSpooler::~TStreamSpooler() = default;

bool TStreamSpooler::Fill(void* destination, uint32_t count, uint32_t* written, bool loop) {
  auto* out = static_cast<uint8_t*>(destination);
  std::memset(out, 0, count);
  *written = 0;
  if (!source_ || count == 0) return true;
  const uint64_t size = source_->GetSize();
  const bool sizeKnown = size <= UINT32_MAX;
  uint32_t remaining = count;
  bool end = false;
  bool rewound = false;
  while (remaining > 0) {
    if (end) return false;
    uint32_t n = remaining;
    if (sizeKnown && uint64_t(position_) + n > size) {
      end = true;
      n = static_cast<uint32_t>(size - std::min<uint64_t>(position_, size));
    }
    uint32_t got = n ? source_->Read(out, position_, n) : 0;
    if (got < n) end = true;
    position_ += got;
    *written += got;
    out += got;
    remaining -= got;
    // A source that gives nothing even from its start would loop here for ever.
    if (got == 0 && rewound) return false;
    rewound = false;
    if (end && loop) {
      end = false;
      position_ = 0;
      rewound = true;
    }
  }
  return true;
}

void TStreamSpooler::SetPosition(float seconds) {
  if (!source_) return;
  uint32_t align = source_->GetChannels() * 2;
  double frames = std::max(0.0, double(seconds) * source_->GetRate());
  double bytes = std::min(frames * align, double(UINT32_MAX - 3));
  position_ = align ? static_cast<uint32_t>(bytes) / align * align : 0;
}

float TStreamSpooler::GetLength() { return source_ ? static_cast<float>(source_->GetLength()) : 0.0f; }

// ---------------------------------------------------------------------------
// Stream

TSoundStream::TSoundStream(TSoundManager* manager, TStreamSpooler* spooler, bool loop, int group,
                           const boost::shared_ptr<TStreamNotify>& notify)
    : manager_(manager), spooler_(spooler), notify_(notify), group_(group), loop_(loop) {
  manager_->AddStream(this);
}

TSoundStream::~TSoundStream() {
  TSoundLock lock;
  spooler_.reset();
  if (auto notify = notify_.lock()) notify->OnStreamEnd(this);
  if (auto instance = instance_.lock()) instance->ClearStream(this);
  if (buffer_) {
    Check(buffer_->Stop(), "a stream's buffer cannot be stopped", __LINE__);
    buffer_.reset();
  }
}

bool TSoundStream::IsNotifiedBy(const TStreamNotify* notify) const {
  auto current = notify_.lock();
  return current && current.get() == notify;
}

bool TSoundStream::Start(uint32_t rate, uint32_t channels, uint32_t bits, float seconds) {
  TSoundLock lock;
  if (!manager_->IsInitialised() || !manager_->GetDevice()) return false;
  const uint32_t align = bits / 8 * channels;
  const uint32_t bytesPerSecond = align * rate;
  uint64_t size = static_cast<uint64_t>(double(bytesPerSecond) * seconds + 0.5);
  size = (size + 7) / 8 * 8;
  size = std::clamp<uint64_t>(size, kSoftMinBufferBytes, kSoftMaxBufferBytes);
  size_ = static_cast<uint32_t>(size);
  length_ = bytesPerSecond ? float(size_) / float(bytesPerSecond) : 0.0f;

  TSoftWaveFormat format;
  format.formatTag = kSoftFormatPcm;
  format.channels = static_cast<uint16_t>(channels);
  format.samplesPerSec = rate;
  format.avgBytesPerSec = bytesPerSecond;
  format.blockAlign = static_cast<uint16_t>(align);
  format.bitsPerSample = static_cast<uint16_t>(bits);
  TSoftBufferDesc desc;
  desc.flags = kSoftBufGetCurrentPosition2 | kSoftBufGlobalFocus | kSoftBufCtrlVolume;
  desc.bufferBytes = size_;
  desc.format = &format;
  TSoftResult r = manager_->GetDevice()->CreateSoundBuffer(&desc, &buffer_);
  if (r != kSoftOk) {
    Check(r, "a stream's buffer cannot be made", __LINE__);
    return false;
  }
  secondHalf_ = size_ / 2;
  countdown_ = static_cast<int32_t>(size_);
  ended_ = false;
  lastHalf_ = 0;
  Service(true);
  return true;
}

void TSoundStream::Play(bool once) {
  TSoundLock lock;
  if (once) once_ = true;
  if (buffer_) {
    SetVolume(manager_->GetGroupVolume(group_));
    if (manager_->IsActive()) {
      Check(buffer_->Play(0, 0, once_ ? 0 : kSoftPlayLooping), "a stream cannot be played", __LINE__);
    } else {
      paused_ = true;
      resumePending_ = true;
    }
  }
  clock_.Reset();
  clock_.Start();
}

void TSoundStream::SetVolume(float volume) {
  TSoundLock lock;
  float v = std::clamp(volume, 0.0f, 1.0f);
  int32_t hundredths = v == 0.0f ? kSoftVolumeMin : static_cast<int32_t>(-(1.0f - v) * 5000.0f);
  if (!buffer_) return;
  uint32_t status = 0;
  Check(buffer_->GetStatus(&status), "a stream's state cannot be read", __LINE__);
  if (status == kSoftStatusBufferLost) Check(buffer_->Restore(), "a stream's lost buffer cannot be restored", __LINE__);
  Check(buffer_->SetVolume(hundredths), "a stream's volume cannot be set", __LINE__);
}

void TSoundStream::Pause(bool pause) {
  TSoundLock lock;
  if (!buffer_) {
    if (pause)
      clock_.Pause();
    else
      clock_.Start();
    return;
  }
  if (pause) {
    paused_ = true;
    Check(buffer_->Stop(), "a stream cannot be paused", __LINE__);
    resumePending_ = false;
  } else {
    paused_ = false;
    Play(once_);
    clock_.Start();
  }
}

void TSoundStream::SetPaused(bool pause) {
  TSoundLock lock;
  if (pause) {
    if (!paused_) {
      Pause(true);
      resumePending_ = true;
    }
  } else if (resumePending_) {
    Pause(false);
    resumePending_ = false;
  }
}

bool TSoundStream::Service(bool force) {
  TSoundLock lock;
  const uint32_t half = size_ / 2;
  if (!buffer_) {
    if (!spooler_) return true;
    // Without a device a looping sound keeps playing, as it would with one.
    if (loop_) return true;
    return spooler_->GetLength() >= clock_.GetTime() / 1000.0f;
  }
  uint32_t play = 0, write = 0;
  Check(buffer_->GetCurrentPosition(&play, &write), "a stream's position cannot be read", __LINE__);

  int number;
  uint32_t offset;
  if (force) {
    number = 1;
    offset = 0;
  } else if (write < half && play < half) {
    number = 2;
    offset = secondHalf_;
  } else if (play <= half) {
    return true;
  } else if (write < half) {
    // The write cursor has wrapped while the end of the second half still
    // plays: refilling that half now would overwrite what is being heard.
    return true;
  } else {
    number = 1;
    offset = 0;
  }

  if (number == lastHalf_) {
    if (!once_) return true;
    // A stopped buffer shows play == write; a paused one-shot is not finished.
    if (paused_) return true;
    return play < write;
  }
  lastHalf_ = number;
  if (ended_) {
    countdown_ -= static_cast<int32_t>(half);
    if (countdown_ <= 0) {
      Check(buffer_->Stop(), "a finished stream cannot be stopped", __LINE__);
      spooler_.reset();
      return false;
    }
  }
  void* area = nullptr;
  uint32_t bytes = 0;
  TSoftResult r = buffer_->Lock(offset, half, &area, &bytes, 0);
  if (r != kSoftOk) {
    Check(r, "a stream's buffer cannot be locked for its next sound; the stream ends", __LINE__);
    return false;
  }
  uint32_t written = 0;
  if (spooler_) {
    ended_ = !spooler_->Fill(area, bytes, &written, loop_);
  } else {
    std::memset(area, 0, bytes);
    ended_ = true;
  }
  Check(buffer_->Unlock(area, bytes), "a stream's buffer cannot be unlocked", __LINE__);
  return true;
}

void TSoundStream::Stop(bool retire) {
  boost::shared_ptr<TSoundStream> self = shared_from_this();  // the manager may hold the last owner
  TSoundLock lock;
  if (stopped_) return;
  stopped_ = true;
  if (buffer_) Check(buffer_->Stop(), "a stream cannot be stopped", __LINE__);
  if (retire)
    manager_->RetireStream(this);
  else
    manager_->RemoveStream(self);
}
