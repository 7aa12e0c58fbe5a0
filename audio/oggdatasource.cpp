// The Ogg Vorbis data source: vorbisfile over the file layer or over memory.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

#include "audio/datasource.h"
#include "audio/oggcallbacks.h"
#include "audio/soundmanager.h"
#include "platform/file.h"
#include "platform/log.h"
#include "platform/readfile.h"

// ---------------------------------------------------------------------------
// Callbacks

size_t OggMemoryRead(void* destination, size_t size, size_t count, void* input) {
  auto* m = static_cast<TOggMemoryInput*>(input);
  size_t left = m->data.size() - std::min(m->position, m->data.size());
  size_t bytes = std::min(size * count, left);
  if (bytes) std::memcpy(destination, m->data.data() + m->position, bytes);
  m->position += bytes;
  return bytes;
}

int OggMemorySeek(void* input, int64_t offset, int origin) {
  auto* m = static_cast<TOggMemoryInput*>(input);
  int64_t size = static_cast<int64_t>(m->data.size());
  int64_t base;
  switch (origin) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<int64_t>(m->position); break;
    case SEEK_END: base = size; break;
    default: return -1;
  }
  // Offsets from the data are never near the int64 limits, but a damaged
  // stream may ask for anything.
  int64_t target = offset > size - base ? size : (offset < -base ? 0 : base + offset);
  m->position = static_cast<size_t>(std::clamp<int64_t>(target, 0, size));
  return 0;
}

int OggMemoryClose(void* input) {
  delete static_cast<TOggMemoryInput*>(input);
  return 0;
}

long OggMemoryTell(void* input) { return static_cast<long>(static_cast<TOggMemoryInput*>(input)->position); }

size_t OggFileRead(void* destination, size_t size, size_t count, void* file) {
  auto* f = static_cast<TFile*>(file);
  if (size == 0 || count == 0) return 0;
  size_t got = f->Read(destination, size * count);
  size_t partial = got % size;
  if (partial) f->Seek(-static_cast<int64_t>(partial), kSeekCurrent);
  return got / size;
}

int OggFileSeek(void* file, int64_t offset, int origin) {
  auto* f = static_cast<TFile*>(file);
  int whence;
  switch (origin) {
    case SEEK_SET: whence = kSeekBegin; break;
    case SEEK_CUR: whence = kSeekCurrent; break;
    case SEEK_END: whence = kSeekEnd; break;
    default: return -1;
  }
  return f->Seek(offset, whence) ? 0 : -1;
}

int OggFileClose(void* file) {
  delete static_cast<TFile*>(file);
  return 0;
}

long OggFileTell(void* file) { return static_cast<long>(static_cast<TFile*>(file)->Tell()); }

// ---------------------------------------------------------------------------
// Source

namespace {
const ov_callbacks kMemoryCallbacks = {OggMemoryRead, OggMemorySeek, OggMemoryClose, OggMemoryTell};
const ov_callbacks kFileCallbacks = {OggFileRead, OggFileSeek, OggFileClose, OggFileTell};

// The whole file in memory; false (logged) when it cannot be read completely.
bool ReadCompressed(TFile& file, std::vector<uint8_t>& out) {
  bool ok = file.Seek(0, kSeekEnd);
  int64_t size = file.Tell();
  ok = ok && file.Seek(0, kSeekBegin);
  if (!ok || size < 0 || static_cast<uint64_t>(size) > kMaxWholeFile) {
    TraceOut("OGG file %s cannot be read into memory", file.GetName().c_str());
    return false;
  }
  out.resize(static_cast<size_t>(size));
  size_t got = out.empty() ? 0 : file.Read(out.data(), out.size());
  out.resize(got);  // a short read keeps what arrived; the decoder finds the end
  return true;
}
}  // namespace

TOggDataSource::TOggDataSource() : vf_(new OggVorbis_File) { std::memset(vf_.get(), 0, sizeof(OggVorbis_File)); }

TOggDataSource::~TOggDataSource() {
  if (open_) ov_clear(vf_.get());
}

bool TOggDataSource::Open(const TString& name, bool stream) {
  if (open_) return false;
  auto file = std::make_unique<TFile>();
  if (!file->Open(name, "rb") && !file->Open(name + ".ogg", "rb")) return false;

  void* input;
  ov_callbacks callbacks;
  if (stream) {
    input = file.release();
    callbacks = kFileCallbacks;
  } else {
    auto memory = std::make_unique<TOggMemoryInput>();
    if (!ReadCompressed(*file, memory->data)) return false;
    file->Close();
    input = memory.release();
    callbacks = kMemoryCallbacks;
  }
  if (ov_open_callbacks(input, vf_.get(), nullptr, 0, callbacks) < 0) {
    TraceOut("OGG file could not be opened");
    callbacks.close_func(input);  // the decoder leaves a failed input to us
    return false;
  }
  open_ = true;
  inMemory_ = !stream;

  vorbis_info* info = ov_info(vf_.get(), -1);
  ogg_int64_t frames = ov_pcm_total(vf_.get(), -1);
  double length = ov_time_total(vf_.get(), -1);
  if (!info || info->channels < 1 || info->channels > 255 || info->rate < 1 || frames < 0 || length < 0) {
    TraceOut("OGG file %s has no usable length or format", name.c_str());
    return false;
  }
  rate_ = static_cast<uint32_t>(info->rate);
  channels_ = static_cast<uint32_t>(info->channels);
  length_ = length;
  size_ = static_cast<uint64_t>(frames) * channels_ * 2;
  if (size_ == 0) TraceOut("OGG file %s holds no sound", name.c_str());
  if (ov_pcm_seek(vf_.get(), 0) != 0) {
    TraceOut("OGG file %s cannot be decoded from its start", name.c_str());
    return false;
  }
  position_ = 0;
  positionValid_ = true;
  return true;
}

bool TOggDataSource::SeekTo(uint32_t offset) {
  positionValid_ = ov_pcm_seek(vf_.get(), offset / (channels_ * 2)) == 0;
  position_ = offset;
  return positionValid_;
}

long TOggDataSource::Decode(void* destination, uint32_t bytes) {
  int section = 0;
  long got = ov_read(vf_.get(), static_cast<char*>(destination), static_cast<int>(std::min(bytes, 1u << 20)), 0, 2, 1,
                     &section);
  if (got <= 0) return got;
  // A chained file may change its channel count; that data cannot be played as ours.
  vorbis_info* info = ov_info(vf_.get(), section);
  if (!info || static_cast<uint32_t>(info->channels) != channels_) {
    positionValid_ = false;
    return -1;
  }
  position_ += static_cast<uint32_t>(got);
  return got;
}

uint32_t TOggDataSource::Read(void* destination, uint32_t offset, uint32_t count) {
  TSoundLock lock;
  if (!open_ || count == 0) return 0;
  // The decoder always stands on a whole frame; an offset or count inside a
  // frame goes through one decoded frame.
  const uint32_t align = channels_ * 2;
  const uint32_t start = offset - offset % align;
  if ((!positionValid_ || start != position_) && !SeekTo(start)) return 0;
  auto* out = static_cast<uint8_t*>(destination);
  uint32_t skip = offset - start;
  uint32_t done = 0;
  while (done < count) {
    uint32_t want = count - done;
    if (skip == 0 && want >= align) {
      long got = Decode(out + done, want - want % align);
      if (got <= 0) break;
      done += static_cast<uint32_t>(got);
      continue;
    }
    uint8_t frame[2 * 255];
    if (Decode(frame, align) != static_cast<long>(align)) break;
    uint32_t n = std::min(align - skip, want);
    std::memcpy(out + done, frame + skip, n);
    done += n;
    skip = 0;
  }
  return done;
}
