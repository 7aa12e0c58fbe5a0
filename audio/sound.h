// Audio: sound effects and streamed Ogg Vorbis music, played in groups with
// master and group volumes, through our own sound device (audio/mixer/).
//
// A TSound is an asset named by a file name with options ("?group=1000");
// each Play makes one stream and returns a TSoundInstance, the handle that
// changes that playback's volume or stops it. The sound manager
// (audio/soundmanager.h) owns the device and the streaming thread.
// Depends on platform/ (strings, settings, log, time, files, the asset
// registry) and audio/mixer/.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "audio/soundstream.h"
#include "platform/registry/asset.h"
#include "platform/string.h"

class TSound;
class TSoundDataSource;

// One playback. Stays valid after the playback ended; then it does nothing.
class TSoundInstance : public boost::enable_shared_from_this<TSoundInstance> {
public:
  TSoundInstance(TSoundStream* stream, const boost::shared_ptr<TSound>& sound);
  virtual ~TSoundInstance() { --live_; }
  // Playbacks alive in the process, playing or held after their end (a long session's leak check).
  static long LiveCount() { return live_.load(); }
  // This playback's volume (0..1) as it is, without master or group volume;
  // the next volume change of the manager replaces it.
  void SetVolume(float volume);
  // Stops this playback when its sound still exists.
  void Stop();
  bool IsPlaying() const { return stream_ != nullptr; }
  TSoundStream* GetStream() const { return stream_; }
  // Called by the stream's destructor.
  void ClearStream(TSoundStream* stream) {
    if (stream_ == stream) stream_ = nullptr;
  }

private:
  TSoundStream* stream_;
  boost::weak_ptr<TSound> sound_;
  static std::atomic<long> live_;
};

// What a sound owns: its source and the instances still playing.
class TSoundData : public TStreamNotify {
public:
  void OnStreamEnd(TSoundStream* stream) override;

  std::map<TSoundInstance*, boost::shared_ptr<TSoundInstance>> instances;
  boost::shared_ptr<TSoundDataSource> source;
  int group = 0;
  TString baseName;
  TSound* sound = nullptr;
};

class TSound : public TAsset {
  LANTERN_ASSET_CLASS(TSound, TAsset)

public:
  // The sound of that name, loaded on first use and cached under
  // "<base name>;<preload 0/1>;<group>". preload false streams from the file;
  // true keeps the file in memory (decoded when shorter than 2 s). A
  // "?group=N" option overrides `group`. Empty when the name is empty or no
  // playable file exists.
  static boost::shared_ptr<TSound> Get(const TString& name, bool preload, int group);
  ~TSound() override;

  // Starts one playback: a ring when looping or longer than the buffer, else once.
  boost::shared_ptr<TSoundInstance> Play(bool loop);
  // True when an instance was given.
  bool StopInstance(const boost::shared_ptr<TSoundInstance>& instance);
  // True when at least one playback was stopped.
  bool StopAll();

  int GetGroup() const { return data_->group; }
  const TString& GetBaseName() const { return data_->baseName; }
  boost::shared_ptr<TSoundDataSource> GetDataSource() const { return data_->source; }
  size_t GetInstanceCount() const { return data_->instances.size(); }

private:
  TSound();
  boost::shared_ptr<TSoundData> data_;
};

// "<base name>;0;<group of the name's "?group=" option, or 0>": the key under
// which TSound::Get(name, false, 0) caches the sound.
TString MakeSoundKey(const TString& baseName, const TString& nameWithOptions);
