#include "platform/archive.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/fileinternal.h"
#include "platform/folders.h"
#include "platform/log.h"

namespace {

constexpr size_t kEntryFixedSize = 2 + 8 + 8;
constexpr uint32_t kMaxDirectorySize = 64u << 20;
constexpr uint64_t kMemberAlignment = 16;

// A member name is a relative path without "..", "." or empty components.
bool IsSafeMemberName(const std::string& name) {
  if (name.empty() || name.size() > kPackMaxNameLength || name[0] == '/') return false;
  if (name.find('\0') != std::string::npos || name.find('\\') != std::string::npos) return false;
  size_t pos = 0;
  while (pos <= name.size()) {
    size_t end = name.find('/', pos);
    if (end == std::string::npos) end = name.size();
    std::string_view part(name.data() + pos, end - pos);
    if (part.empty() || part == "." || part == "..") return false;
    pos = end + 1;
  }
  return true;
}

struct TMountState {
  std::mutex mutex;
  bool valid = false;
  TFolderStamp assets;  // of the "assets" folder when mounted (none: all zero)
  std::vector<TArchivePtr> archives;
  // name -> (archive number, entry index); later archives replace earlier
  // members. The names are those of the archives' entries, kept above.
  std::unordered_map<std::string_view, std::pair<int, size_t>> index;
};

TMountState& Mounts() {
  static TMountState* state = new TMountState;  // outlives every static user
  return *state;
}

// The status change time: every write moves it, and no tool can set it back.
int64_t ChangeTime(const struct stat& st) { return FileTimeNs(st.st_ctim); }

// An archive written over in place (rather than replaced) must be read again.
// Its size and change time tell, but for a rewrite within the tick of the
// change time it was mounted at: until that time has settled, its directory
// is read again and compared.
bool ArchivesChanged(TMountState& m) {
  for (const TArchivePtr& a : m.archives) {
    struct stat st;
    if (::fstat(a->fd, &st) != 0 || uint64_t(st.st_size) != a->size || ChangeTime(st) != a->changeTime) return true;
    if (a->settled) continue;
    const bool settles = IsSettled(a->changeTime, FileLayerNow());  // taken before the bytes are read
    std::vector<uint8_t> now(a->directory.size());
    if (::pread(a->fd, now.data(), now.size(), 0) != ssize_t(now.size()) || now != a->directory) return true;
    // Same directory; what each member starts with is looked at again.
    for (auto& kind : a->memberKinds) kind = 0;
    if (settles) {
      a->settled = true;
      std::vector<uint8_t>().swap(a->directory);
    }
  }
  return false;
}

TArchivePtr MountOne(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    TraceOut("Pack archive %s: cannot open it", path.c_str());
    return nullptr;
  }
  auto archive = std::make_shared<TMountedArchive>();
  archive->path = path;
  archive->fd = fd;
  struct stat st;
  if (::fstat(fd, &st) != 0) return nullptr;
  archive->size = uint64_t(st.st_size);
  archive->changeTime = ChangeTime(st);
  archive->settled = IsSettled(archive->changeTime, FileLayerNow());  // taken before the directory is read
  uint8_t header[kPackHeaderSize];
  TString why;
  std::vector<uint8_t> bytes;
  if (archive->size < kPackHeaderSize || ::pread(fd, header, sizeof header, 0) != ssize_t(sizeof header)) {
    why = "shorter than its header";
  } else {
    uint32_t dirSize = ReadLe32(header + 12);
    size_t want = kPackHeaderSize + std::min<uint64_t>(dirSize, std::min<uint64_t>(kMaxDirectorySize, archive->size - kPackHeaderSize));
    bytes.resize(want);
    if (::pread(fd, bytes.data(), want, 0) != ssize_t(want)) why = "cannot read its directory";
  }
  std::vector<std::string> skipped;
  if (why.IsEmpty()) ParsePackDirectory(bytes.data(), bytes.size(), archive->size, archive->entries, &why, &skipped);
  if (!why.IsEmpty()) {
    TraceOut("Pack archive %s: refused (%s)", path.c_str(), why.c_str());
    return nullptr;
  }
  for (const std::string& s : skipped) TraceOut("Pack archive %s: skipped the entry %s", path.c_str(), s.c_str());
  archive->memberKinds = std::vector<std::atomic<uint8_t>>(archive->entries.size());
  if (!archive->settled) archive->directory = std::move(bytes);
  TraceOut("Pack archive %s: %zu members", path.c_str(), archive->entries.size());
  return archive;
}

// Mounts the archives of the working folder's "assets/" again when the
// working folder or the content of "assets/" changed. `assets` is a stat of
// "assets" the caller just took, or null. Call with the lock held.
void EnsureMounted(TMountState& m, const struct stat* assets = nullptr) {
  // "assets" is looked up in the working folder, so another working folder
  // gives another folder (device, inode) here: no need to ask for the
  // working folder's name at every lookup.
  struct stat st;
  if (!assets) {
    if (::stat("assets", &st) != 0) st.st_mode = 0;
    assets = &st;
  }
  TFolderStamp stamp;
  if (S_ISDIR(assets->st_mode)) stamp = TFolderStamp(*assets);
  if (m.valid && m.assets == stamp && !ArchivesChanged(m)) return;
  m.valid = true;
  m.assets = stamp;
  const std::string cwd = GetWorkingFolder().str();
  m.archives.clear();
  m.index.clear();
  std::vector<std::string> names;
  if (DIR* d = ::opendir("assets")) {
    while (dirent* e = ::readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 4 && LowerAscii(n.substr(n.size() - 4)) == ".knp") names.push_back(n);
    }
    ::closedir(d);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    TArchivePtr a = MountOne(cwd + "assets/" + n);
    if (!a) continue;
    int number = int(m.archives.size());
    m.archives.push_back(a);
    m.index.reserve(m.index.size() + a->entries.size());
    for (size_t i = 0; i < a->entries.size(); ++i) m.index[a->entries[i].name] = {number, i};
  }
}

// Writes a file in pieces of kPieceSize at offsets that are multiples of it.
// The page cache keeps the folios it makes for a write, and a large aligned
// write makes large ones: an archive read soon after it was packed (a tool, a
// test, a build step) is then copied out of few large folios rather than out
// of the small ones a stream's short, unaligned writes leave behind.
class TPieceWriter {
public:
  static constexpr size_t kPieceSize = 4u << 20;
  explicit TPieceWriter(int fd) : fd_(fd), piece_(new char[kPieceSize]) {}
  uint64_t Written() const { return flushed_ + used_; }
  bool Append(const void* data, size_t count) {
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
      size_t n = std::min(count, kPieceSize - used_);
      std::memcpy(piece_.get() + used_, p, n);
      used_ += n;
      p += n;
      count -= n;
      if (used_ == kPieceSize && !Flush()) return false;
    }
    return true;
  }
  // The zero bytes before a member's boundary (fewer than kMemberAlignment).
  bool Pad(uint64_t count) {
    static const char kZeros[kMemberAlignment] = {};
    return count < kMemberAlignment && Append(kZeros, size_t(count));
  }
  // Copies exactly `size` bytes of the file at `source`; false when it holds
  // fewer or more (it changed since it was measured) or cannot be read.
  bool AppendFile(const std::string& source, uint64_t size) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    bool ok = true;
    while (ok && size > 0) {
      size_t want = size_t(std::min<uint64_t>(size, kPieceSize - used_));
      ssize_t got = ::read(in, piece_.get() + used_, want);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        ok = false;
        break;
      }
      used_ += size_t(got);
      size -= uint64_t(got);
      if (used_ == kPieceSize) ok = Flush();
    }
    char extra;
    ssize_t more;
    do more = ok ? ::read(in, &extra, 1) : 0;
    while (more < 0 && errno == EINTR);
    ::close(in);
    return ok && more == 0;
  }
  bool Flush() {
    size_t done = 0;
    while (done < used_) {
      ssize_t n = ::write(fd_, piece_.get() + done, used_ - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += size_t(n);
    }
    flushed_ += used_;
    used_ = 0;
    return true;
  }

private:
  int fd_;
  std::unique_ptr<char[]> piece_;
  size_t used_ = 0;
  uint64_t flushed_ = 0;
};

bool ParseDigits(const char*& p, int64_t& value, char stop) {
  const char* start = p;
  value = 0;
  while (*p >= '0' && *p <= '9') {
    if (value > (INT64_MAX - 9) / 10) return false;
    value = value * 10 + (*p - '0');
    ++p;
  }
  if (p == start || *p != stop) return false;
  if (stop) ++p;
  return true;
}

}  // namespace

TMountedArchive::~TMountedArchive() {
  if (fd >= 0) ::close(fd);
}

bool ParsePackDirectory(const uint8_t* data, size_t size, uint64_t archiveSize, std::vector<TPackEntry>& entries,
                        TString* error, std::vector<std::string>* skipped) {
  entries.clear();
  auto fail = [&](const TString& why) {
    if (error) *error = why;
    entries.clear();
    return false;
  };
  if (size > archiveSize) size = size_t(archiveSize);
  if (size < kPackHeaderSize) return fail("shorter than its header");
  if (std::memcmp(data, "KNPK", 4) != 0) return fail("not a pack archive");
  uint32_t version = ReadLe32(data + 4);
  if (version != kPackArchiveVersion) return fail(TString::Printf("version %u is not supported", version));
  uint32_t count = ReadLe32(data + 8);
  uint32_t dirSize = ReadLe32(data + 12);
  if (dirSize > kMaxDirectorySize) return fail("directory larger than the limit");
  if (dirSize > archiveSize - kPackHeaderSize) return fail("directory runs past the end of the archive");
  if (dirSize > size - kPackHeaderSize) return fail("directory cut short");
  if (count > dirSize / kEntryFixedSize) return fail("entry count does not fit the directory");
  const uint64_t dataStart = kPackHeaderSize + uint64_t(dirSize);
  const uint8_t* p = data + kPackHeaderSize;
  const uint8_t* end = p + dirSize;
  // The entries taken so far by name: an open-addressing table of entry
  // numbers, at most half full.
  size_t capacity = 16;
  while (capacity < size_t(count) * 2) capacity *= 2;
  std::vector<uint32_t> seen(capacity, UINT32_MAX);
  std::hash<std::string_view> hash;
  auto taken = [&](size_t index) {
    std::string_view name = entries[index].name;
    for (size_t slot = hash(name) & (capacity - 1);; slot = (slot + 1) & (capacity - 1)) {
      if (seen[slot] == UINT32_MAX) {
        seen[slot] = uint32_t(index);
        return false;
      }
      if (entries[seen[slot]].name == name) return true;
    }
  };
  entries.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    if (end - p < 2) return fail("directory cut short");
    size_t nameLength = ReadLe16(p);
    p += 2;
    if (size_t(end - p) < nameLength + 16) return fail("directory cut short");
    entries.emplace_back();
    TPackEntry& e = entries.back();
    e.name.assign(reinterpret_cast<const char*>(p), nameLength);
    for (char& c : e.name)
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    p += nameLength;
    e.offset = ReadLe64(p);
    e.size = ReadLe64(p + 8);
    p += 16;
    const char* problem = nullptr;
    if (!IsSafeMemberName(e.name))
      problem = "unsafe or empty name";
    else if (e.offset < dataStart || e.offset > archiveSize || e.size > archiveSize - e.offset)
      problem = "range outside the archive";
    else if (taken(entries.size() - 1))
      problem = "listed twice";
    if (problem) {
      if (skipped) skipped->push_back("\"" + e.name.substr(0, 200) + "\": " + problem);
      entries.pop_back();
    }
  }
  return true;
}

bool WritePackArchive(const std::string& path, const std::vector<TPackInput>& inputs, TString* error) {
  auto fail = [&](const TString& why) {
    if (error) *error = why;
    return false;
  };
  struct TItem {
    std::string name, source;
    uint64_t size, offset;
  };
  std::vector<TItem> items;
  std::set<std::string> seen;
  uint64_t dirSize = 0;
  for (const TPackInput& in : inputs) {
    std::string name = in.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    name = LowerAscii(name);
    if (!IsSafeMemberName(name)) return fail(TString::Printf("unsafe member name \"%s\"", in.name.c_str()));
    if (!seen.insert(name).second) return fail(TString::Printf("\"%s\" is listed twice", name.c_str()));
    struct stat st;
    if (::stat(in.sourcePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
      return fail(TString::Printf("cannot read %s", in.sourcePath.c_str()));
    items.push_back({name, in.sourcePath, uint64_t(st.st_size), 0});
    dirSize += kEntryFixedSize + name.size();
  }
  if (dirSize > kMaxDirectorySize || items.size() > UINT32_MAX) return fail("too many members");
  uint64_t offset = kPackHeaderSize + dirSize;
  for (TItem& it : items) {
    offset = (offset + kMemberAlignment - 1) / kMemberAlignment * kMemberAlignment;
    it.offset = offset;
    offset += it.size;
  }
  std::vector<uint8_t> head = {'K', 'N', 'P', 'K'};
  AppendLe(head, kPackArchiveVersion, 4);
  AppendLe(head, items.size(), 4);
  AppendLe(head, dirSize, 4);
  for (const TItem& it : items) {
    AppendLe(head, it.name.size(), 2);
    head.insert(head.end(), it.name.begin(), it.name.end());
    AppendLe(head, it.offset, 8);
    AppendLe(head, it.size, 8);
  }
  std::string temp = path + ".tmp";
  if (path.find('/') != std::string::npos) MakeFolders(path.substr(0, path.rfind('/')), 0755);
  int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) return fail(TString::Printf("cannot create %s", temp.c_str()));
  TPieceWriter writer(out);
  bool ok = writer.Append(head.data(), head.size());
  for (const TItem& it : items) {
    if (!ok) break;
    ok = writer.Pad(it.offset - writer.Written()) && writer.AppendFile(it.source, it.size);
  }
  ok = writer.Flush() && ok;
  ok = ::fsync(out) == 0 && ok;
  ok = ::close(out) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return fail(TString::Printf("cannot write %s", path.c_str()));
  }
  return true;
}

bool FindArchiveMember(const std::string& lowerName, const struct stat* assets, TArchivePtr& archive, int& number,
                       size_t& entry) {
  TMountState& m = Mounts();
  std::lock_guard<std::mutex> lock(m.mutex);
  EnsureMounted(m, assets);
  auto it = m.index.find(lowerName);
  if (it == m.index.end() && lowerName.compare(0, 7, "assets/") == 0)
    it = m.index.find(std::string_view(lowerName).substr(7));
  if (it == m.index.end()) return false;
  number = it->second.first;
  archive = m.archives[size_t(number)];
  entry = it->second.second;
  return true;
}

TArchivePtr GetMountedArchive(int n) {
  TMountState& m = Mounts();
  std::lock_guard<std::mutex> lock(m.mutex);
  EnsureMounted(m);
  if (n < 0 || size_t(n) >= m.archives.size()) return nullptr;
  return m.archives[size_t(n)];
}

void UnmountArchives() {
  TMountState& m = Mounts();
  std::lock_guard<std::mutex> lock(m.mutex);
  m.valid = false;
  m.archives.clear();
  m.index.clear();
}

int GetPackArchiveCount() {
  TMountState& m = Mounts();
  std::lock_guard<std::mutex> lock(m.mutex);
  EnsureMounted(m);
  return int(m.archives.size());
}

TString GetPackArchivePath(int n) {
  TArchivePtr a = GetMountedArchive(n);
  return a ? TString(a->path) : TString();
}

std::vector<std::string> GetPackArchiveMembers(int n) {
  std::vector<std::string> names;
  if (TArchivePtr a = GetMountedArchive(n))
    for (const TPackEntry& e : a->entries) names.push_back(e.name);
  return names;
}

TString GetArchiveMemberName(const TString& name) {
  TResolvedName r;
  if (!ResolveFileName(name, r) || r.kind != TResolvedName::kArchive) return TString();
  return TString::Printf("@%d:%lld,%lld", r.archive, static_cast<long long>(r.offset), static_cast<long long>(r.size));
}

bool ParseArchiveRangeName(const TString& name, int& archive, int64_t& offset, int64_t& size) {
  const char* p = name.c_str();
  if (*p++ != '@') return false;
  int64_t n = 0;
  if (!ParseDigits(p, n, ':') || n > INT_MAX) return false;
  if (!ParseDigits(p, offset, ',') || !ParseDigits(p, size, '\0')) return false;
  archive = int(n);
  return true;
}
