// Kept pictures: the cache of pixels and the texture loader's counts.
#include "render/textures/keptpictures.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "platform/file.h"
#include "platform/log.h"
#include "render/device/displayhandler.h"
#include "render/textures/texturedata.h"

void TKeptPicture::TFree::operator()(uint32_t* p) const { std::free(p); }

bool TKeptPicture::Allocate(uint32_t w, uint32_t h) {
  width = w;
  height = h;
  const size_t count = size_t(w) * h;
  pixels.reset(count ? static_cast<uint32_t*>(std::malloc(count * 4)) : nullptr);
  return pixels != nullptr;
}

namespace {

// Where a picture stands in the order of going: the least worth first, among equals the oldest.
using TRank = std::pair<double, uint64_t>;

struct TEntry {
  std::unique_ptr<TKeptPicture> picture;
  TRank rank;
};

struct TCache {
  std::unordered_map<std::string, TEntry> entries;  // by key id
  std::map<TRank, std::string> order;               // the key ids by rank
  std::unordered_map<std::string, uint32_t> loads;  // loads of each picture so far
  uint64_t bytes = 0, most = 0, limit = kKeptPicturesLimit, allowance = kKeptPicturesAllowance;
  uint64_t textureMost = 0;  // the most texture memory seen
  uint64_t ages = 0;
  double floor = 0;  // the worth of the last picture to go: later ones start above it
  keptpictures::TCounts counts;
  std::unordered_set<std::string> files;  // the files decoded so far

  std::unique_ptr<TKeptPicture> Remove(const std::string& id) {
    auto at = entries.find(id);
    if (at == entries.end()) return nullptr;
    std::unique_ptr<TKeptPicture> p = std::move(at->second.picture);
    order.erase(at->second.rank);
    entries.erase(at);
    bytes -= p->Bytes();
    return p;
  }
  uint64_t Room() {
    TDisplayHandler* h = GetDisplayHandler();
    const uint64_t textures = h ? uint64_t(std::max<int64_t>(0, h->Data().textureBytes)) : 0;
    textureMost = std::max(textureMost, textures);
    const uint64_t reach = textureMost + allowance;
    return std::min(limit, reach > textures ? reach - textures : 0);
  }
  void Trim() {
    const uint64_t room = Room(), before = bytes;
    while (bytes > room && !order.empty()) {
      floor = order.begin()->first.first;
      Remove(std::string(order.begin()->second));
    }
#if defined(__GLIBC__)
    // The heap keeps what is freed; pictures dropped a megabyte or more at
    // once (a heavier screen's textures are being made) go back to the
    // system, or the process's peak would grow by what they leave behind.
    if (before - bytes >= (1u << 20)) malloc_trim(0);
#endif
  }
};

// Never destroyed: textures held by other static objects may still go
// (and give their pictures) while the program ends.
TCache& Cache() {
  static TCache* cache = new TCache;
  return *cache;
}

}  // namespace

TPictureKey PictureKeyOf(const TString& file, const TString& mask, TString* foundFile, TString* foundMask) {
  TPictureKey key;
  TString found = file, foundOther = mask;
  TFileStamp stamp, maskStamp;
  const bool fileFound = FindImageFile(found), maskFound = mask.IsEmpty() || FindImageFile(foundOther);
  if (foundFile) *foundFile = fileFound ? found : file;
  if (foundMask) *foundMask = maskFound ? foundOther : mask;
  if (!fileFound || !maskFound || !GetFileStamp(found, &stamp)) return key;
  key.id = stamp.id;
  key.keepable = stamp.settled;
  if (!mask.IsEmpty()) {
    if (!GetFileStamp(foundOther, &maskStamp)) return TPictureKey();
    key.id += "|" + maskStamp.id;
    key.keepable = key.keepable && maskStamp.settled;
  }
  return key;
}

namespace keptpictures {

std::unique_ptr<TKeptPicture> Take(const TPictureKey& key) {
  if (!key.keepable) return nullptr;
  TCache& c = Cache();
  ++c.loads[key.id];
  return c.Remove(key.id);
}

bool Holds(const TPictureKey& key) { return key.keepable && Cache().entries.count(key.id) != 0; }

bool TakeBackIfSame(const TPictureKey& key, const uint8_t* rows, size_t pitch) {
  TCache& c = Cache();
  auto at = key.keepable && rows ? c.entries.find(key.id) : c.entries.end();
  if (at == c.entries.end()) return false;
  const TKeptPicture& p = *at->second.picture;
  for (uint32_t y = 0; y < p.height; ++y)
    if (std::memcmp(rows + y * pitch, p.pixels.get() + size_t(y) * p.width, size_t(p.width) * 4) != 0) return false;
  c.Remove(key.id);
  return true;
}

void Keep(std::unique_ptr<TKeptPicture> picture) {
  if (!picture || !picture->key.keepable || !picture->pixels) return;
  TCache& c = Cache();
  const std::string id = picture->key.id;
  c.Remove(id);
  if (picture->Bytes() > c.Room()) return;
  // Worth keeping: a load spared, the more the more often it was loaded,
  // per byte it holds (a small button spares as many decodes as a large
  // picture); above the last one to go, so old worth fades.
  auto loads = c.loads.find(id);
  TEntry& e = c.entries[id];
  e.rank = TRank(c.floor + double(loads == c.loads.end() ? 1 : loads->second) * double(1 << 20) /
                               double(picture->Bytes()),
                 ++c.ages);
  c.order[e.rank] = id;
  c.bytes += picture->Bytes();
  e.picture = std::move(picture);
  c.Trim();
  c.most = std::max(c.most, c.bytes);
}

void Trim() { Cache().Trim(); }

size_t Count() { return Cache().entries.size(); }
uint64_t Bytes() { return Cache().bytes; }
uint64_t MostBytes() { return Cache().most; }
uint64_t Limit() { return Cache().limit; }
uint64_t Room() { return Cache().Room(); }

void SetLimit(uint64_t bytes, uint64_t allowance) {
  TCache& c = Cache();
  c.limit = bytes;
  c.allowance = allowance;
  c.Trim();
}

void Clear() {
  TCache& c = Cache();
  c.entries.clear();
  c.order.clear();
  c.loads.clear();
  c.bytes = c.most = c.textureMost = c.ages = 0;
  c.floor = 0;
  c.counts = TCounts();
  c.files.clear();
}

TCounts GetCounts() { return Cache().counts; }

void CountDecode(const TString& file, uint32_t width, uint32_t height) {
  TCache& c = Cache();
  ++c.counts.decodes;
  if (c.files.insert(file.str()).second) {
    ++c.counts.files;
    c.counts.fileBytes += uint64_t(width) * height * 4;
  }
}

void CountTaken() { ++Cache().counts.taken; }

void LogCounts() {
  const TCache& c = Cache();
  TraceOut("Pictures: %llu decoded from %llu files of %llu bytes of pixels; %llu loads took kept pixels; the "
           "kept pictures held at most %llu bytes (limit %llu, and %llu above the most texture memory)",
           (unsigned long long)c.counts.decodes, (unsigned long long)c.counts.files,
           (unsigned long long)c.counts.fileBytes, (unsigned long long)c.counts.taken, (unsigned long long)c.most,
           (unsigned long long)c.limit, (unsigned long long)c.allowance);
}

}  // namespace keptpictures
