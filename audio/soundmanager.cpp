#include "audio/soundmanager.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <list>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "audio/mixer/softsound.h"
#include "audio/soundstream.h"
#include "platform/log.h"
#include "platform/shell/platform.h"

namespace {
const char* const kManagerFile = "audio/soundmanager.cpp";
constexpr uint32_t kSweepIntervalMs = 501;
constexpr auto kThreadPeriod = std::chrono::milliseconds(50);
// A failure code that belongs to the display; reported to its fallback first.
constexpr uint32_t kOutOfVideoMemoryCode = 0x8876017C;

std::atomic<TSoundManager*> gManager{nullptr};
}  // namespace

struct TSoundManager::TImpl {
  std::unique_ptr<TSoftSoundDevice> device;
  std::unique_ptr<TSoftSoundBuffer> primary;
  std::list<boost::shared_ptr<TSoundStream>> streams;
  std::list<boost::shared_ptr<TSoundStream>> retired;
  float master = 1.0f;
  std::map<int32_t, float> groups;
  std::recursive_mutex lock;  // "TSoundManagerMutex"
  int holdCount = 0;          // informative only

  std::thread thread;
  std::mutex quitMutex;
  std::condition_variable quitSignal;
  bool quit = false;
};

TSoundManager::TSoundManager(bool startThread) : impl_(new TImpl), startThread_(startThread) {
  TSoundManager* none = nullptr;
  gManager.compare_exchange_strong(none, this);
}

TSoundManager::~TSoundManager() {
  // Stop the thread: it sees the flag under the sound lock or wakes from its wait.
  Lock();
  {
    std::lock_guard<std::mutex> quitLock(impl_->quitMutex);
    impl_->quit = true;
  }
  Unlock();
  impl_->quitSignal.notify_all();
  if (impl_->thread.joinable()) impl_->thread.join();
  shuttingDown_ = true;

  std::list<boost::shared_ptr<TSoundStream>> doomed;
  Lock();
  doomed.swap(impl_->retired);
  doomed.clear();
  doomed.swap(impl_->streams);
  doomed.clear();  // streams release their buffers while the device still exists
  impl_->retired.clear();
  impl_->primary.reset();
  impl_->device.reset();
  impl_->groups.clear();
  Unlock();
  impl_.reset();
  TSoundManager* self = this;
  gManager.compare_exchange_strong(self, nullptr);
}

bool TSoundManager::Init() {
  if (initialised_) return true;
  if (startThread_ && !impl_->thread.joinable()) {
    try {
      impl_->thread = std::thread(&TSoundManager::ThreadMain, this);
    } catch (const std::system_error& e) {
      TraceOut("TSoundManager::Init: the streaming thread could not be started (%s)", e.what());
    }
  }
  Lock();
  sweepClock_.Reset();
  sweepClock_.Start();
  Unlock();

  TSoftResult r = TSoftSoundDevice::Create(&impl_->device);
  if (r != kSoftOk) {
    LogSoundError(r, "the sound device cannot be opened; the game plays without sound", kManagerFile, __LINE__);
    return false;
  }
  r = impl_->device->SetCooperativeLevel(nullptr, kSoftCoopPriority);
  if (r != kSoftOk) {
    LogSoundError(r, "the sound device refused its priority level; the game plays without sound", kManagerFile,
                  __LINE__);
    return false;
  }
  TSoftBufferDesc desc;
  desc.flags = kSoftBufPrimary;
  r = impl_->device->CreateSoundBuffer(&desc, &impl_->primary);
  if (r != kSoftOk) {
    LogSoundError(r, "the sound device's output buffer cannot be made; the game plays without sound", kManagerFile,
                  __LINE__);
    return false;
  }
  TSoftWaveFormat format;
  format.formatTag = kSoftFormatPcm;
  format.channels = 2;
  format.samplesPerSec = 44100;
  format.avgBytesPerSec = 176400;
  format.blockAlign = 4;
  format.bitsPerSample = 16;
  format.extraSize = 0;
  impl_->primary->SetFormat(&format);  // the output format is fixed; the answer does not matter
  initialised_ = true;
  return true;
}

void TSoundManager::ThreadMain() {
  std::unique_lock<std::mutex> quitLock(impl_->quitMutex);
  while (!impl_->quit) {
    quitLock.unlock();
    Lock();
    bool quit;
    {
      std::lock_guard<std::mutex> check(impl_->quitMutex);
      quit = impl_->quit;
    }
    if (!quit) SweepStreams(true);
    Unlock();
    quitLock.lock();
    impl_->quitSignal.wait_for(quitLock, kThreadPeriod, [this] { return impl_->quit; });
  }
}

void TSoundManager::Lock() {
  if (!impl_) return;
  impl_->lock.lock();
  ++impl_->holdCount;
}

void TSoundManager::Unlock() {
  if (!impl_) return;
  --impl_->holdCount;
  impl_->lock.unlock();
}

void TSoundManager::AddStream(TSoundStream* stream) {
  Lock();
  impl_->streams.push_back(boost::shared_ptr<TSoundStream>(stream));
  Unlock();
}

void TSoundManager::RemoveStream(const boost::shared_ptr<TSoundStream>& stream) {
  Lock();
  boost::shared_ptr<TSoundStream> keep = stream;  // the last owner may be in a list
  impl_->streams.remove(stream);
  impl_->retired.remove(stream);
  Unlock();
}

void TSoundManager::RetireStream(TSoundStream* stream) {
  auto& streams = impl_->streams;
  auto it = std::find_if(streams.begin(), streams.end(), [&](const auto& s) { return s.get() == stream; });
  if (it == streams.end()) return;
  impl_->retired.splice(impl_->retired.end(), streams, it);
}

void TSoundManager::Update() {
  std::list<boost::shared_ptr<TSoundStream>> doomed;
  Lock();
  doomed.swap(impl_->retired);
  doomed.clear();
  Unlock();
}

void TSoundManager::SetActive(bool active) {
  Lock();
  active_ = active;
  std::list<boost::shared_ptr<TSoundStream>> streams = impl_->streams;
  for (const auto& s : streams) {
    s->SetPaused(!active);
    if (active) ApplyVolumes();
  }
  Unlock();
}

float TSoundManager::GetGroupVolume(int group) {
  Lock();
  float v = impl_->master;
  auto it = impl_->groups.find(group);
  if (it != impl_->groups.end()) v *= it->second;
  Unlock();
  return v;
}

void TSoundManager::SetGroupVolume(int group, float volume) {
  Lock();
  impl_->groups[group] = volume;
  Unlock();
  ApplyVolumes();
}

void TSoundManager::SetMasterVolume(float volume) {
  Lock();
  impl_->master = volume;
  Unlock();
  ApplyVolumes();
}

float TSoundManager::GetMasterVolume() {
  Lock();
  float v = impl_->master;
  Unlock();
  return v;
}

void TSoundManager::ApplyVolumes() {
  Lock();
  std::list<boost::shared_ptr<TSoundStream>> streams = impl_->streams;
  for (const auto& s : streams) ApplyStreamVolume(s);
  Unlock();
}

void TSoundManager::ApplyStreamVolume(const boost::shared_ptr<TSoundStream>& stream) {
  float v = GetGroupVolume(stream->GetGroup());
  stream->SetVolume(v >= 0.5f ? v - 0.05f : v + 0.05f);
  stream->SetVolume(v);
}

void TSoundManager::SweepStreams(bool retire) {
  Lock();
  if (sweepClock_.GetTime() < kSweepIntervalMs) {
    Unlock();
    return;
  }
  bool restart = true;
  while (restart) {
    restart = false;
    sweepClock_.Reset();
    sweepClock_.Start();
    for (auto it = impl_->streams.begin(); it != impl_->streams.end(); ++it) {
      boost::shared_ptr<TSoundStream> stream = *it;
      if (stream->Service(false)) continue;
      if (retire)
        RetireStream(stream.get());
      else
        RemoveStream(stream);
      restart = true;
      break;
    }
  }
  Unlock();
}

TSoftSoundDevice* TSoundManager::GetDevice() { return impl_ ? impl_->device.get() : nullptr; }

size_t TSoundManager::GetStreamCount() {
  Lock();
  size_t n = impl_->streams.size();
  Unlock();
  return n;
}

size_t TSoundManager::GetRetiredCount() {
  Lock();
  size_t n = impl_->retired.size();
  Unlock();
  return n;
}

bool TSoundManager::IsThreadRunning() { return impl_ && impl_->thread.joinable(); }

TSoundManager* FindSoundManager() { return gManager.load(); }

TSoundManager* GetSoundManager() {
  if (TPlatform* platform = TPlatform::GetInstance()) return platform->GetSoundManager();
  return FindSoundManager();  // a manager made without the platform (tools, tests)
}

void LockSound() {
  if (TSoundManager* m = FindSoundManager()) m->Lock();
}

void UnlockSound() {
  if (TSoundManager* m = FindSoundManager()) m->Unlock();
}

bool HasSoundDevice() {
  TSoundManager* m = FindSoundManager();
  TSoftSoundDevice* device = m ? m->GetDevice() : nullptr;
  return device && device->IsRealOutput();
}

void LogSoundError(uint32_t code, const char* what, const char* file, int line) {
  // Never a sound code; kept so that every device failure is reported the same way.
  if (code == kOutOfVideoMemoryCode) {
    if (TPlatform* platform = TPlatform::GetInstance()) platform->OutOfVideoMemory();
  }
  const char* words = "an unknown failure";
  switch (code) {
    case kSoftErrNoDevice: words = "no sound output could be opened"; break;
    case kSoftErrInvalidParam: words = "a size, range or description out of bounds"; break;
    case kSoftErrBadFormat: words = "a sound format the device cannot play"; break;
    case kSoftErrOutOfMemory: words = "out of memory"; break;
    case kSoftErrBufferLost: words = "the buffer was lost"; break;
    case kSoftErrInvalidCall: words = "not allowed on this buffer now"; break;
    case kSoftErrRefused: words = "a failure a test asked for"; break;
    case kOutOfVideoMemoryCode: words = "out of video memory"; break;
    default: break;
  }
  TraceOut("Sound: %s (%s; error 0x%x at %s:%d)", what, words, code, file, line);
}
