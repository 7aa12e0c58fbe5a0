// The builder registry, decoded sounds in memory and the Ogg builder.
#include "audio/datasource.h"

#include <algorithm>
#include <cstring>
#include <map>

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

std::map<TString, TSoundDataSourceBuilder*>& Builders() {
  static std::map<TString, TSoundDataSourceBuilder*> builders;
  return builders;
}

TOggDataSourceBuilder gOggBuilder;
}  // namespace

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
  auto ogg = boost::make_shared<TOggDataSource>();
  if (!ogg->Open(name, stream)) return;
  if (stream || (ogg->GetLength() >= kKeepCompressedSeconds && !GetSettingBool("keepogguncompressed"))) {
    *out = ogg;
    return;
  }
  boost::shared_ptr<TMemDataSource> mem = BuildMemDataSource(*ogg);
  if (mem)
    *out = mem;
  else
    *out = ogg;  // too large to decode at once: it plays from its compressed bytes
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
