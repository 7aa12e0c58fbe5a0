// The sound manager: the one sound device of the process, the streams that
// play on it, the master and group volumes, and the streaming thread that
// keeps every stream's buffer fed.
//
// Every 50 ms the thread takes the sound lock; at most every 501 ms it services
// every stream and moves finished ones to a retired list, which the main
// thread empties in Update (so streams die on the main thread). Groups are
// plain integers: 1000 effects, 1001 music, 1002 ambient, 0 the default; a
// group without a volume of its own plays at the master volume.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "platform/task.h"

class TSoundStream;
class TSoftSoundDevice;

class TSoundManager {
public:
  // `startThread` false leaves the streaming thread out (tests call SweepStreams themselves).
  explicit TSoundManager(bool startThread = true);
  virtual ~TSoundManager();
  TSoundManager(const TSoundManager&) = delete;
  TSoundManager& operator=(const TSoundManager&) = delete;

  // Starts the thread, then opens the device; true when already initialised
  // or when every step succeeded. Without a device streams play silently by their clocks.
  bool Init();
  bool IsInitialised() const { return initialised_.load(); }
  bool IsShuttingDown() const { return shuttingDown_.load(); }
  bool IsActive() const { return active_.load(); }

  // The sound lock: recursive, no time-out.
  void Lock();
  void Unlock();

  // Called by a stream's constructor: makes the owning pointer and appends it.
  void AddStream(TSoundStream* stream);
  // Drops the stream from the stream list and the retired list.
  void RemoveStream(const boost::shared_ptr<TSoundStream>& stream);
  // Moves the stream to the end of the retired list; the caller holds the lock.
  void RetireStream(TSoundStream* stream);
  // Main thread, every idle pass: destroys the retired streams.
  void Update();
  // Application activation: pauses every stream, or resumes them and re-applies the volumes.
  void SetActive(bool active);

  // master x group volume when the group has one, else the master volume.
  float GetGroupVolume(int group);
  void SetGroupVolume(int group, float volume);
  void SetMasterVolume(float volume);
  float GetMasterVolume();
  void ApplyVolumes();
  void ApplyStreamVolume(const boost::shared_ptr<TSoundStream>& stream);

  // One sweep of the streaming thread (no-op until 501 ms have passed since the last).
  void SweepStreams(bool retire);

  // The device (null until Init opened one).
  TSoftSoundDevice* GetDevice();
  size_t GetStreamCount();
  size_t GetRetiredCount();
  bool IsThreadRunning();

private:
  struct TImpl;
  void ThreadMain();
  std::unique_ptr<TImpl> impl_;
  TClock sweepClock_;
  std::atomic<bool> initialised_{false};
  std::atomic<bool> shuttingDown_{false};
  std::atomic<bool> active_{true};
  bool startThread_;
};

// The manager that exists, without creating one (null when there is none).
TSoundManager* FindSoundManager();
// The platform's manager, created and initialised on first use.
TSoundManager* GetSoundManager();

// The sound lock of the manager that exists; nothing when there is none.
void LockSound();
void UnlockSound();
class TSoundLock {
public:
  TSoundLock() { LockSound(); }
  ~TSoundLock() { UnlockSound(); }
  TSoundLock(const TSoundLock&) = delete;
  TSoundLock& operator=(const TSoundLock&) = delete;
};

// True when the sound manager opened a real output device.
bool HasSoundDevice();

// Logs a device failure in words, with the source file and line that met it:
// "Sound: <what> (<the code in words>; error 0x<code> at <file>:<line>)".
void LogSoundError(uint32_t code, const char* what, const char* file, int line);
