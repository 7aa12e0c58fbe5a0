// Shared between the pieces of the file layer (folders, archives, files); not
// for use outside platform/.
#pragma once
#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/archive.h"

// One mounted pack archive: an open descriptor and its checked directory.
struct TMountedArchive {
  std::string path;
  int fd = -1;
  uint64_t size = 0;
  int64_t changeTime = 0;  // of the file when mounted, in nanoseconds
  // Whether the directory was read more than the settle margin after that
  // change time. Until it is, a rewrite in place within the same tick (same
  // size, same times) cannot be told by the times: `directory` keeps the
  // bytes read, and every mount check reads them again and compares.
  bool settled = true;
  std::vector<uint8_t> directory;
  std::vector<TPackEntry> entries;
  // Per entry, kPlainMember once its bytes were seen not to start as packed
  // XML, else 0 (not looked at yet, or packed). Spares a read of the first
  // bytes at every open of a plain member opened before.
  std::vector<std::atomic<uint8_t>> memberKinds;
  static constexpr uint8_t kPlainMember = 1;
  ~TMountedArchive();
};
using TArchivePtr = std::shared_ptr<TMountedArchive>;

// Finds a member by its lower-case name, or for a name starting with
// "assets/" by the rest of it too; the latest archive wins. `entry` is the
// member's index in the archive's entries. `assets` is a stat of the working
// folder's "assets" the caller just took (st_mode 0 when there is none), or
// null to have it looked at here.
bool FindArchiveMember(const std::string& lowerName, const struct stat* assets, TArchivePtr& archive, int& number,
                       size_t& entry);
// Archive number n of the mounted set, or null.
TArchivePtr GetMountedArchive(int n);
void UnmountArchives();

// A file time in nanoseconds, as the layer reads it (see SetFileLayerClock).
int64_t FileTimeNs(const struct timespec& t);
// The wall clock in nanoseconds, as the layer reads it.
int64_t FileLayerNow();
// How long after a file time another change may still get that same time:
// the kernel stamps changes from a clock that moves in ticks (at most 10 ms),
// and some file systems keep whole seconds only (2 s steps on FAT). A folder
// listing or an archive directory read within it may miss a change that
// leaves the times as they were.
int64_t SettleMargin(int64_t fileTime);
// Whether a file time lies more than its margin before `now`.
inline bool IsSettled(int64_t fileTime, int64_t now) { return now - fileTime > SettleMargin(fileTime); }

// Which folder a stat names, and its modification and status change times
// (the latter no tool can set back: one that adds files and then puts the
// folder's old modification time back still moves it). Equal stamps: the
// same folder, unchanged.
struct TFolderStamp {
  dev_t device = 0;
  ino_t inode = 0;
  int64_t time = 0, change = 0;
  TFolderStamp() = default;
  explicit TFolderStamp(const struct stat& st)
      : device(st.st_dev), inode(st.st_ino), time(FileTimeNs(st.st_mtim)), change(FileTimeNs(st.st_ctim)) {}
  bool operator==(const TFolderStamp& o) const {
    return device == o.device && inode == o.inode && time == o.time && change == o.change;
  }
};

// Whether any memory file is registered (a lookup can be spared).
bool AnyMemoryFiles();
// The bytes of a registered memory file, or null.
std::shared_ptr<const std::vector<uint8_t>> FindMemoryFile(const std::string& key);
// The registry key of a memory file name.
std::string MemoryFileKey(const TString& name);

// The folder that will hold a file written through the layer: an open
// descriptor of it and the file's last name component. The folder lies inside
// the virtual folder's root ("user:", "common:", "desktop:") even when a
// folder on the way is a symbolic link; the last component is left for the
// caller to open without following links (O_NOFOLLOW, *at calls).
struct TWriteFolder {
  int fd = -1;
  std::string leaf;
  std::string path;  // the file's disk path (for log lines)
  TWriteFolder() = default;
  TWriteFolder(const TWriteFolder&) = delete;
  TWriteFolder& operator=(const TWriteFolder&) = delete;
  ~TWriteFolder();
};
// Opens the folder of a writable name, creating missing folders when `create`
// is set. False (with a log line) for names that cannot be written and for
// folders reached through a link that leaves the root.
bool OpenWriteFolder(const TString& name, bool create, TWriteFolder& out);

// Little-endian helpers for the binary formats.
inline uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t ReadLe64(const uint8_t* p) { return uint64_t(ReadLe32(p)) | (uint64_t(ReadLe32(p + 4)) << 32); }
inline void AppendLe(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}
