// Sound streams: one playback of a sound. A stream owns a two-second device
// buffer of two halves, fed from a spooler that reads the sound's data source;
// the manager's thread services it about twice a second, refilling the half
// the play cursor has left. A sound that fits in the buffer and does not loop
// is played once instead of as a ring.
#pragma once
#include <cstdint>
#include <memory>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "platform/task.h"

class TSoundDataSource;
class TSoundManager;
class TSoundStream;
class TSoundInstance;
class TSoftSoundBuffer;

// Told by a stream's destructor that the stream has ended.
class TStreamNotify {
public:
  virtual ~TStreamNotify() = default;
  virtual void OnStreamEnd(TSoundStream* stream) = 0;
};

// Reads a data source from the start, sequentially.
class TStreamSpooler {
public:
  explicit TStreamSpooler(boost::shared_ptr<TSoundDataSource> source);
  virtual ~TStreamSpooler();
  // Zeroes the destination, then fills it from the position; with `loop` the
  // data starts again after its end. False when the end was reached and not looped.
  virtual bool Fill(void* destination, uint32_t count, uint32_t* written, bool loop);
  virtual void SetPosition(float seconds);
  virtual float GetLength();
  // Destroys the spooler; the stream disposes of its spooler only this way,
  // so a spooler made elsewhere can free itself as it was made.
  virtual void Delete() { delete this; }
  virtual void Rewind() { position_ = 0; }
  uint32_t GetPosition() const { return position_; }

private:
  boost::shared_ptr<TSoundDataSource> source_;
  uint32_t position_ = 0;
};

class TSoundStream : public boost::enable_shared_from_this<TSoundStream> {
public:
  static constexpr float kBufferSeconds = 2.0f;

  // Takes the spooler; registers with the manager, whose list then owns the stream.
  TSoundStream(TSoundManager* manager, TStreamSpooler* spooler, bool loop, int group,
               const boost::shared_ptr<TStreamNotify>& notify);
  ~TSoundStream();
  TSoundStream(const TSoundStream&) = delete;
  TSoundStream& operator=(const TSoundStream&) = delete;

  // Creates the buffer and fills its first half; false without a device.
  bool Start(uint32_t rate, uint32_t channels, uint32_t bits, float seconds);
  // Plays the buffer once or as a ring (paused instead while the application is inactive).
  void Play(bool once);
  void SetVolume(float volume);
  void Pause(bool pause);
  // Pause and resume on behalf of the manager (activation).
  void SetPaused(bool pause);
  // The refill; false when the stream has finished.
  bool Service(bool force);
  // Once only: stops the buffer, then leaves the manager (or, with retire, joins its retired list).
  void Stop(bool retire);

  void SetInstance(const boost::shared_ptr<TSoundInstance>& instance) { instance_ = instance; }
  bool IsNotifiedBy(const TStreamNotify* notify) const;
  int GetGroup() const { return group_; }
  uint32_t GetBufferSize() const { return size_; }
  float GetBufferLength() const { return length_; }
  bool IsOnce() const { return once_; }
  bool IsPaused() const { return paused_; }
  TSoftSoundBuffer* GetBuffer() const { return buffer_.get(); }

private:
  struct TSpoolerDeleter {
    void operator()(TStreamSpooler* spooler) const { spooler->Delete(); }
  };
  TSoundManager* manager_;
  std::unique_ptr<TStreamSpooler, TSpoolerDeleter> spooler_;
  boost::weak_ptr<TStreamNotify> notify_;
  std::unique_ptr<TSoftSoundBuffer> buffer_;
  uint32_t secondHalf_ = 0;
  bool ended_ = true;
  bool once_ = false;
  uint32_t size_ = 0;
  float length_ = 0.0f;
  int32_t countdown_ = 0;
  int group_;
  bool loop_;
  bool paused_ = false;
  bool resumePending_ = false;
  bool stopped_ = false;
  TClock clock_;
  int lastHalf_ = 0;
  boost::weak_ptr<TSoundInstance> instance_;
};
