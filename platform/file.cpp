#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/fileinternal.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "platform/readfile.h"

// Where a file's bytes come from: a descriptor with a byte range (loose file
// or archive member) or a buffer (memory file, inflated packed XML). Files
// are read with pread, never mapped: a file cut short or rewritten on disk
// while it is open gives a short read and a log line, not a fault.
struct TFile::TSource {
  int fd = -1;
  bool ownsFd = false;
  int64_t base = 0;
  int64_t size = 0;
  std::shared_ptr<const std::vector<uint8_t>> memory;
  TArchivePtr archive;  // keeps the archive's descriptor open
  TString name;         // for log lines
  mutable bool reported = false;  // one log line per open file
  ~TSource() {
    if (ownsFd && fd >= 0) ::close(fd);
  }
  // Reads at an absolute position within the range.
  size_t ReadAt(int64_t position, void* buffer, size_t count) const {
    if (position >= size) return 0;
    if (int64_t(count) > size - position) count = size_t(size - position);
    if (memory) {
      std::memcpy(buffer, memory->data() + position, count);
      return count;
    }
    size_t done = 0;
    int error = 0;
    while (done < count) {
      ssize_t n = ::pread(fd, static_cast<char*>(buffer) + done, count - done, base + position + int64_t(done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) error = errno;
      if (n <= 0) break;
      done += size_t(n);
    }
    if (done < count && !reported) {
      reported = true;
      if (error)
        TraceOut("File layer: reading %s failed: %s", name.c_str(), std::strerror(error));
      else
        TraceOut("File layer: reading %s failed: the file ends before byte %lld (it changed on disk)", name.c_str(),
                 static_cast<long long>(position) + static_cast<long long>(count));
    }
    return done;
  }
};

namespace {

enum class TOpenMode { kRead, kWrite, kCreateNew, kAppend, kBad };

TOpenMode ParseMode(const char* mode) {
  if (!mode || !*mode) return TOpenMode::kRead;
  std::string m = mode;
  if (m == "r" || m == "rb" || m == "rt") return TOpenMode::kRead;
  if (m == "w" || m == "wb" || m == "wt") return TOpenMode::kWrite;
  if (m == "wx" || m == "wbx") return TOpenMode::kCreateNew;
  if (m == "a" || m == "ab" || m == "at") return TOpenMode::kAppend;
  return TOpenMode::kBad;
}

std::mutex gMemoryMutex;
std::atomic<size_t> gMemoryFileCount{0};  // kept with the map, under the lock
std::map<std::string, std::shared_ptr<const std::vector<uint8_t>>>& MemoryFiles() {
  static auto* files = new std::map<std::string, std::shared_ptr<const std::vector<uint8_t>>>;
  return *files;
}

}  // namespace

std::string MemoryFileKey(const TString& name) { return LowerAscii(name.str()); }

bool AnyMemoryFiles() { return gMemoryFileCount.load(std::memory_order_acquire) != 0; }

std::shared_ptr<const std::vector<uint8_t>> FindMemoryFile(const std::string& key) {
  std::lock_guard<std::mutex> lock(gMemoryMutex);
  auto& files = MemoryFiles();
  auto it = files.find(key);
  return it == files.end() ? nullptr : it->second;
}

void RegisterMemoryFile(const TString& name, std::vector<uint8_t> bytes) {
  TString normal = NormalizeFileName(name);
  if (normal.IsEmpty()) return;
  auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  std::lock_guard<std::mutex> lock(gMemoryMutex);
  MemoryFiles()[MemoryFileKey(normal)] = shared;
  gMemoryFileCount.store(MemoryFiles().size(), std::memory_order_release);
}

bool UnregisterMemoryFile(const TString& name) {
  TString normal = NormalizeFileName(name);
  std::lock_guard<std::mutex> lock(gMemoryMutex);
  bool removed = !normal.IsEmpty() && MemoryFiles().erase(MemoryFileKey(normal)) > 0;
  gMemoryFileCount.store(MemoryFiles().size(), std::memory_order_release);
  return removed;
}

TFile::TFile() = default;
TFile::~TFile() { Close(); }

bool TFile::Open(const TString& name, int mode) { return Open(name, mode == 0 ? "rb" : "wb"); }

bool TFile::Open(const TString& name, const char* mode) {
  Close();
  TOpenMode m = ParseMode(mode);
  if (m == TOpenMode::kBad) {
    TraceOut("File layer: unknown open mode \"%s\" for %s", mode, name.c_str());
    return false;
  }
  auto source = std::make_shared<TSource>();
  source->name = name;
  if (m != TOpenMode::kRead) {
    TWriteFolder folder;
    if (!OpenWriteFolder(name, true, folder)) return false;
    // The last component is never followed: a link there is refused, not written through.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;  // a FIFO must not block
    flags |= m == TOpenMode::kAppend ? O_APPEND : m == TOpenMode::kCreateNew ? O_EXCL : O_TRUNC;
    source->fd = ::openat(folder.fd, folder.leaf.c_str(), flags, 0600);  // the user's alone
    if (source->fd < 0) {
      int error = errno;
      if (error == ELOOP)
        TraceOut("File layer: refused to write %s: it is a symbolic link", folder.path.c_str());
      else
        TraceOut("File layer: cannot open %s for writing: %s", folder.path.c_str(), std::strerror(error));
      return false;
    }
    struct stat kind;
    if (::fstat(source->fd, &kind) != 0 || !S_ISREG(kind.st_mode)) {
      TraceOut("File layer: refused to write %s: not a regular file", folder.path.c_str());
      ::close(source->fd);
      source->fd = -1;
      return false;
    }
    source->ownsFd = true;
    struct stat st;
    position_ = ::fstat(source->fd, &st) == 0 ? int64_t(st.st_size) : 0;
    writing_ = true;
    source_ = source;
    name_ = name;
    return true;
  }

  TResolvedName r;
  if (!ResolveFileName(name, r)) return false;
  switch (r.kind) {
    case TResolvedName::kDisk: {
      source->fd = ::open(r.path.c_str(), O_RDONLY | O_CLOEXEC);
      if (source->fd < 0) return false;
      source->ownsFd = true;
      struct stat st;
      source->size = ::fstat(source->fd, &st) == 0 ? int64_t(st.st_size) : 0;
      break;
    }
    case TResolvedName::kArchive: {
      source->archive = r.mounted ? r.mounted : GetMountedArchive(r.archive);
      if (!source->archive || uint64_t(r.offset) + uint64_t(r.size) > source->archive->size) return false;
      source->fd = source->archive->fd;
      source->base = r.offset;
      source->size = r.size;
      break;
    }
    case TResolvedName::kMemory:
      source->memory = FindMemoryFile(r.path.str());
      if (!source->memory) return false;
      source->size = int64_t(source->memory->size());
      break;
    default:
      return false;
  }

  // A member already seen to hold plain bytes needs no look at its first bytes.
  std::atomic<uint8_t>* memberKind = nullptr;
  if (r.kind == TResolvedName::kArchive && r.entry < source->archive->memberKinds.size())
    memberKind = &source->archive->memberKinds[r.entry];
  bool packedXml = false;
  if (!memberKind || memberKind->load(std::memory_order_relaxed) != TMountedArchive::kPlainMember) {
    uint8_t magic[4];
    size_t got = source->ReadAt(0, magic, 4);
    packedXml = got == 4 && IsZxml(magic, 4);
    if (memberKind && !packedXml && (got == 4 || source->size < 4))
      memberKind->store(TMountedArchive::kPlainMember, std::memory_order_relaxed);
  }
  if (packedXml) {
    if (source->size > int64_t(kMaxWholeFile)) {
      TraceOut("File layer: packed file %s refused: larger than the limit", name.c_str());
      return false;
    }
    std::vector<uint8_t> packed(size_t(source->size));
    packed.resize(source->ReadAt(0, packed.data(), packed.size()));
    auto inflated = std::make_shared<std::vector<uint8_t>>();
    TString why;
    if (!InflateZxml(packed.data(), packed.size(), *inflated, &why)) {
      TraceOut("File layer: packed file %s refused: %s", name.c_str(), why.c_str());
      return false;
    }
    source = std::make_shared<TSource>();
    source->name = name;
    source->size = int64_t(inflated->size());
    source->memory = std::move(inflated);
  }
  source_ = source;
  position_ = 0;
  writing_ = false;
  name_ = name;
  return true;
}

bool TFile::IsOpen() const { return source_ != nullptr; }

int64_t TFile::GetSize() const {
  if (!source_) return 0;
  if (writing_) {
    struct stat st;
    return ::fstat(source_->fd, &st) == 0 ? int64_t(st.st_size) : 0;
  }
  return source_->size;
}

size_t TFile::Read(void* buffer, size_t count) {
  if (!source_ || writing_ || !buffer) return 0;
  size_t n = source_->ReadAt(position_, buffer, count);
  position_ += int64_t(n);
  return n;
}

size_t TFile::Write(const void* buffer, size_t count) {
  if (!source_ || !writing_ || !buffer) return 0;
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(source_->fd, static_cast<const char*>(buffer) + done, count - done, position_);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      TraceOut("File layer: writing %s failed: %s", name_.c_str(), n < 0 ? std::strerror(errno) : "nothing written");
      break;
    }
    done += size_t(n);
    position_ += n;
  }
  return done;
}

bool TFile::Seek(int64_t offset, int whence) {
  if (!source_) return false;
  int64_t origin;
  switch (whence) {
    case kSeekCurrent: origin = position_; break;
    case kSeekBegin: origin = 0; break;
    case kSeekEnd: origin = GetSize(); break;
    default: return false;
  }
  if ((offset > 0 && origin > INT64_MAX - offset)) return false;
  int64_t target = origin + offset;
  if (target < 0 || (!writing_ && target > source_->size)) return false;
  position_ = target;
  return true;
}

int64_t TFile::Tell() const { return source_ ? position_ : -1; }

bool TFile::Sync() {
  if (!source_ || !writing_) return false;
  if (::fsync(source_->fd) == 0) return true;
  TraceOut("File layer: flushing %s failed: %s", name_.c_str(), std::strerror(errno));
  return false;
}

void TFile::Close() {
  source_.reset();
  position_ = 0;
  writing_ = false;
  name_ = TString();
}

TFile* FileOpen(const TString& name, const char* mode) {
  auto* file = new TFile;
  if (file->Open(name, mode)) return file;
  delete file;
  return nullptr;
}

size_t FileRead(TFile* file, void* buffer, size_t count) { return file ? file->Read(buffer, count) : 0; }
size_t FileWrite(TFile* file, const void* buffer, size_t count) { return file ? file->Write(buffer, count) : 0; }
void FileClose(TFile* file) { delete file; }

bool FileExists(const TString& name) {
  TResolvedName r;
  return ResolveFileName(name, r);
}

bool GetFileStamp(const TString& name, TFileStamp* out) {
  TResolvedName r;
  if (!out || !ResolveFileName(name, r)) return false;
  const int64_t now = FileLayerNow();  // taken before the times are read
  char text[160];
  if (r.kind == TResolvedName::kDisk) {
    struct stat st;
    if (::stat(r.path.c_str(), &st) != 0) return false;
    const int64_t modified = FileTimeNs(st.st_mtim), changed = FileTimeNs(st.st_ctim);
    std::snprintf(text, sizeof text, "|%llu:%llu:%lld:%lld:%lld", (unsigned long long)st.st_dev,
                  (unsigned long long)st.st_ino, (long long)st.st_size, (long long)modified, (long long)changed);
    out->id = "file:" + r.path.str() + text;
    out->settled = IsSettled(modified, now) && IsSettled(changed, now);
    return true;
  }
  if (r.kind == TResolvedName::kArchive) {
    TArchivePtr a = r.mounted ? r.mounted : GetMountedArchive(r.archive);
    if (!a) return false;
    std::snprintf(text, sizeof text, "|%llu:%lld|%lld,%lld", (unsigned long long)a->size, (long long)a->changeTime,
                  (long long)r.offset, (long long)r.size);
    out->id = "archive:" + a->path + text;
    out->settled = IsSettled(a->changeTime, now);
    return true;
  }
  return false;
}

// rename, link and unlink act on the last component itself, never on what a link there points to.
bool RenameFile(const TString& from, const TString& to) {
  TWriteFolder a, b;
  if (!OpenWriteFolder(from, false, a) || !OpenWriteFolder(to, true, b)) return false;
  if (::renameat(a.fd, a.leaf.c_str(), b.fd, b.leaf.c_str()) == 0) return true;
  TraceOut("File layer: cannot rename %s to %s: %s", a.path.c_str(), b.path.c_str(), std::strerror(errno));
  return false;
}

bool LinkFile(const TString& existing, const TString& newName) {
  TWriteFolder a, b;
  if (!OpenWriteFolder(existing, false, a) || !OpenWriteFolder(newName, true, b)) return false;
  if (::linkat(a.fd, a.leaf.c_str(), b.fd, b.leaf.c_str(), 0) == 0) return true;
  TraceOut("File layer: cannot link %s as %s: %s", a.path.c_str(), b.path.c_str(), std::strerror(errno));
  return false;
}

bool RemoveFile(const TString& name) {
  TWriteFolder folder;
  if (!OpenWriteFolder(name, false, folder)) return false;
  if (::unlinkat(folder.fd, folder.leaf.c_str(), 0) == 0) return true;
  if (errno != ENOENT) TraceOut("File layer: cannot remove %s: %s", folder.path.c_str(), std::strerror(errno));
  return false;
}

TString GetFullPath(const TString& path) {
  std::string text = path.str();
  std::replace(text.begin(), text.end(), '\\', '/');
  for (const char* prefix : {"user:", "common:", "desktop:", "::"}) {
    if (text.rfind(prefix, 0) == 0) return GetDiskPath(TString(text));
  }
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(text.empty() ? std::string(".") : text, ec);
  if (ec) return TString(text);
  return TString(p.lexically_normal().string());
}

TFileMap::~TFileMap() = default;

boost::shared_ptr<TFileMap> MapFile(const TString& name) {
  TResolvedName r;
  if (!ResolveFileName(name, r)) return nullptr;
  boost::shared_ptr<TFileMap> map(new TFileMap);
  if (r.kind == TResolvedName::kMemory) {
    auto memory = FindMemoryFile(r.path.str());
    if (!memory) return nullptr;
    if (!IsZxml(memory->data(), memory->size())) {
      map->data_ = memory->data();
      map->size_ = memory->size();
      map->keep_ = memory;
      return map;
    }
  }
  // Loose files and archive members are read into memory, not mapped: a
  // file cut short on disk is a read error here, never a fault later.
  TFile file;
  if (!file.Open(name)) return nullptr;
  const int64_t size = file.GetSize();
  if (size > int64_t(kMaxWholeFile)) {
    TraceOut("File layer: %s is larger than a file map may be (%lld bytes)", name.c_str(),
             static_cast<long long>(size));
    return nullptr;
  }
  auto bytes = std::make_shared<std::vector<uint8_t>>(size_t(size));
  if (file.Read(bytes->data(), bytes->size()) != bytes->size()) return nullptr;
  map->data_ = bytes->data();
  map->size_ = bytes->size();
  map->keep_ = bytes;
  return map;
}
