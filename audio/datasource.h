// Sound data sources: a sound's PCM (16-bit signed little-endian, interleaved),
// read by byte offset, with its rate, channel count, size and length.
//
// TOggDataSource decodes an Ogg Vorbis file, from the file while it plays or
// from the whole compressed file held in memory; TMemDataSource holds the
// decoded PCM of a short sound. A registry maps file-name extensions to
// builders; "ogg" is the only format (RegisterOggDataSourceBuilder, called at
// start-up). Reads take the sound lock (LockSound).
#pragma once
#include <cstdint>
#include <memory>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <vector>

#include "platform/string.h"

struct OggVorbis_File;

class TSoundDataSource {
public:
  virtual ~TSoundDataSource() = default;
  // Copies up to `count` bytes of PCM from byte `offset`; returns the bytes delivered.
  virtual uint32_t Read(void* destination, uint32_t offset, uint32_t count) = 0;
  virtual uint64_t GetSize() = 0;
  virtual uint32_t GetRate() = 0;
  virtual uint32_t GetChannels() = 0;
  virtual double GetLength() = 0;
};

class TOggDataSource : public TSoundDataSource {
public:
  TOggDataSource();
  ~TOggDataSource() override;
  TOggDataSource(const TOggDataSource&) = delete;
  TOggDataSource& operator=(const TOggDataSource&) = delete;

  uint32_t Read(void* destination, uint32_t offset, uint32_t count) override;
  uint64_t GetSize() override { return size_; }
  uint32_t GetRate() override { return rate_; }
  uint32_t GetChannels() override { return channels_; }
  double GetLength() override { return length_; }

  // Opens `name` (or name + ".ogg"): stream = decode from the open file while
  // playing; otherwise the whole file is read into memory first.
  virtual bool Open(const TString& name, bool stream);
  // True when the decoder reads the compressed file from memory.
  bool IsInMemory() const { return inMemory_; }

private:
  bool SeekTo(uint32_t offset);
  long Decode(void* destination, uint32_t bytes);
  std::unique_ptr<OggVorbis_File> vf_;
  bool open_ = false;
  bool inMemory_ = false;
  uint32_t rate_ = 0;
  uint32_t channels_ = 0;
  double length_ = 0.0;
  uint64_t size_ = 0;
  uint32_t position_ = 0;
  bool positionValid_ = false;
};

class TMemDataSource : public TSoundDataSource {
public:
  TMemDataSource(std::vector<uint8_t> pcm, uint32_t channels, uint32_t rate, double length);
  uint32_t Read(void* destination, uint32_t offset, uint32_t count) override;
  uint64_t GetSize() override { return pcm_.size(); }
  uint32_t GetRate() override { return rate_; }
  uint32_t GetChannels() override { return channels_; }
  double GetLength() override { return length_; }

private:
  std::vector<uint8_t> pcm_;
  uint32_t channels_;
  uint32_t rate_;
  double length_;
};

class TSoundDataSourceBuilder {
public:
  virtual ~TSoundDataSourceBuilder() = default;
  virtual void Build(boost::shared_ptr<TSoundDataSource>* out, const TString& name, bool stream) = 0;
};

class TOggDataSourceBuilder : public TSoundDataSourceBuilder {
public:
  // stream: the Ogg source. Preload: the Ogg source over memory when the sound
  // lasts 2.0 s or more and "keepogguncompressed" is off, else the decoded PCM.
  void Build(boost::shared_ptr<TSoundDataSource>* out, const TString& name, bool stream) override;
};

// Stores the builder (not owned) under the extension (without the dot); a null builder removes it.
void RegisterSoundDataSourceBuilder(const TString& extension, TSoundDataSourceBuilder* builder);
// Registers the one Ogg builder for "ogg".
void RegisterOggDataSourceBuilder();
// The builder of the name's extension, or else the first registered extension
// whose name + "." + extension exists; empty when nothing could be opened.
boost::shared_ptr<TSoundDataSource> CreateSoundDataSource(const TString& name, bool stream);
// All of the source's PCM in memory; empty when it cannot be held.
boost::shared_ptr<TMemDataSource> BuildMemDataSource(TSoundDataSource& source);

// Sounds decoded into memory are decoded once: the builder keeps the last
// ones (4 MB of PCM at most, none over 1 MB) by their files' stamps
// (GetFileStamp: a file changed since, or read within the margin of its last
// change, is decoded again), and a later preload of the same file shares
// that PCM (a TMemDataSource is only read). For tests: the bytes kept, the
// Ogg files opened so far, and a clear.
uint64_t DecodedSoundBytes();
uint64_t OggFilesOpened();
void ClearDecodedSounds();
