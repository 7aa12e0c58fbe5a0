// The builder registry, decoded sounds in memory and the Ogg builder.
#include "audio/datasource.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <string>

#include <boost/make_shared.hpp>

#include "audio/soundmanager.h"
#include "platform/file.h"
#include "platform/log.h"
#include "platform/settings.h"

namespace {
// Decoded sounds larger than this stay compressed.
constexpr uint64_t kMaxMemSource = 256u << 20;
constexpr uint32_t kDecodePiece = 1u << 20;
constexpr double kKeepCompressedSeconds = 2.0;
// The decoded sounds kept for the next load of the same file, in bytes of
// PCM, and the largest one kept (a sound of 2 s, 44.1 kHz stereo, is 353 kB).
constexpr uint64_t kDecodedSoundsLimit = 4u << 20;
constexpr uint64_t kMostDecodedSound = 1u << 20;

std::map<TString, TSoundDataSourceBuilder*>& Builders() {
  static std::map<TString, TSoundDataSourceBuilder*> builders;
  return builders;
}

TOggDataSourceBuilder gOggBuilder;

// Short sounds decoded once: the decoded PCM of the last sounds built, by
// their files' stamps, the newest first.
struct TDecodedSound {
  std::string stamp;
  boost::shared_ptr<TMemDataSource> source;
};
struct TDecodedSounds {
  std::mutex mutex;
  std::list<TDecodedSound> list;
  uint64_t bytes = 0;
  uint64_t opened = 0;
};
TDecodedSounds& Decoded() {
  static TDecodedSounds* sounds = new TDecodedSounds;  // never destroyed: sounds may go at exit
  return *sounds;
}

// The stamp of the file `name` opens (the name, or name + ".ogg"); empty
// when it has none or its times have not settled.
std::string SettledStamp(const TString& name) {
  TFileStamp stamp;
  if (!GetFileStamp(name, &stamp) && !GetFileStamp(name + ".ogg", &stamp)) return std::string();
  return stamp.settled ? stamp.id : std::string();
}

boost::shared_ptr<TMemDataSource> TakeDecoded(const std::string& stamp) {
  TDecodedSounds& d = Decoded();
  std::lock_guard<std::mutex> lock(d.mutex);
  for (auto it = d.list.begin(); it != d.list.end(); ++it)
    if (it->stamp == stamp) {
      d.list.splice(d.list.begin(), d.list, it);
      return it->source;
    }
  return boost::shared_ptr<TMemDataSource>();
}

void KeepDecoded(const std::string& stamp, const boost::shared_ptr<TMemDataSource>& source) {
  const uint64_t size = source->GetSize();
  if (size > kMostDecodedSound) return;
  TDecodedSounds& d = Decoded();
  std::lock_guard<std::mutex> lock(d.mutex);
  d.list.push_front(TDecodedSound{stamp, source});
  d.bytes += size;
  while (d.bytes > kDecodedSoundsLimit && !d.list.empty()) {
    d.bytes -= d.list.back().source->GetSize();
    d.list.pop_back();
  }
}
}  // namespace

uint64_t DecodedSoundBytes() {
  TDecodedSounds& d = Decoded();
  std::lock_guard<std::mutex> lock(d.mutex);
  return d.bytes;
}

uint64_t OggFilesOpened() {
  TDecodedSounds& d = Decoded();
  std::lock_guard<std::mutex> lock(d.mutex);
  return d.opened;
}

void ClearDecodedSounds() {
  TDecodedSounds& d = Decoded();
  std::lock_guard<std::mutex> lock(d.mutex);
  d.list.clear();
  d.bytes = 0;
}

TMemDataSource::TMemDataSource(std::vector<uint8_t> pcm, uint32_t channels, uint32_t rate, double length)
    : pcm_(std::move(pcm)), channels_(channels), rate_(rate), length_(length) {}

uint32_t TMemDataSource::Read(void* destination, uint32_t offset, uint32_t count) {
  TSoundLock lock;
  if (offset >= pcm_.size()) return 0;
  count = static_cast<uint32_t>(std::min<uint64_t>(count, pcm_.size() - offset));
  std::memcpy(destination, pcm_.data() + offset, count);
  return count;
}

boost::shared_ptr<TMemDataSource> BuildMemDataSource(TSoundDataSource& source) {
  const uint64_t size = source.GetSize();
  const uint32_t channels = source.GetChannels(), rate = source.GetRate();
  if (size > kMaxMemSource) {
    TraceOut("BuildMemDataSource: %llu bytes of sound are too many to hold decoded",
             static_cast<unsigned long long>(size));
    return boost::shared_ptr<TMemDataSource>();
  }
  // Decoded a piece at a time: a damaged file may claim far more than it holds.
  std::vector<uint8_t> pcm;
  uint32_t done = 0;
  while (done < size) {
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(kDecodePiece, size - done));
    pcm.resize(size_t(done) + want);
    uint32_t got = source.Read(pcm.data() + done, done, want);
    done += got;
    if (got < want) break;
  }
  pcm.resize(done);
  double length = source.GetLength();
  if (done < size) {
    // Keep only what arrived, so that no unwritten bytes are ever played.
    TraceOut("BuildMemDataSource: sound decoded short (%u of %llu bytes)", done, static_cast<unsigned long long>(size));
    length = channels && rate ? double(done) / (channels * 2.0) / rate : 0.0;
  }
  return boost::make_shared<TMemDataSource>(std::move(pcm), channels, rate, length);
}

void TOggDataSourceBuilder::Build(boost::shared_ptr<TSoundDataSource>* out, const TString& name, bool stream) {
  out->reset();
  // A short sound decoded before from the same file, as it is now.
  const std::string stamp = stream ? std::string() : SettledStamp(name);
  if (!stamp.empty())
    if (boost::shared_ptr<TMemDataSource> decoded = TakeDecoded(stamp)) {
      *out = decoded;
      return;
    }
  auto ogg = boost::make_shared<TOggDataSource>();
  if (!ogg->Open(name, stream)) return;
  {
    std::lock_guard<std::mutex> lock(Decoded().mutex);
    ++Decoded().opened;
  }
  if (stream || (ogg->GetLength() >= kKeepCompressedSeconds && !GetSettingBool("keepogguncompressed"))) {
    *out = ogg;
    return;
  }
  boost::shared_ptr<TMemDataSource> mem = BuildMemDataSource(*ogg);
  if (mem) {
    *out = mem;
    if (!stamp.empty()) KeepDecoded(stamp, mem);
  } else {
    *out = ogg;  // too large to decode at once: it plays from its compressed bytes
  }
}

void RegisterSoundDataSourceBuilder(const TString& extension, TSoundDataSourceBuilder* builder) {
  if (builder)
    Builders()[extension] = builder;
  else
    Builders().erase(extension);
}

void RegisterOggDataSourceBuilder() { RegisterSoundDataSourceBuilder("ogg", &gOggBuilder); }

boost::shared_ptr<TSoundDataSource> CreateSoundDataSource(const TString& name, bool stream) {
  boost::shared_ptr<TSoundDataSource> source;
  auto& builders = Builders();
  int dot = name.FindChar('.', TString::kFindBackwards);
  if (dot >= 0) {
    auto it = builders.find(name.Substring(dot + 1));
    if (it != builders.end()) {
      it->second->Build(&source, name, stream);
      return source;
    }
  }
  for (const auto& entry : builders) {
    TString candidate = name + "." + entry.first;
    if (FileExists(candidate)) {
      entry.second->Build(&source, candidate, stream);
      return source;
    }
  }
  return source;
}
