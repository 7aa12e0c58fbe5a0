// The file layer: every subsystem opens files through it, by virtual name
// (see platform/folders.h for names and folders, platform/archive.h for pack
// archives).
//
// Reading works on loose files, pack-archive members, memory files and the
// "user:", "common:", "desktop:" and "::" folders alike. A file that starts
// with "ZXML" (packed XML) is inflated on opening, so every reader sees the
// text. Writing goes to "user:", "common:" and "desktop:" only (and to
// absolute paths while those are allowed). Part of platform/.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/string.h"

// TFile::Seek origins. Note the order: current is 0 and begin is 1, unlike
// C's SEEK_SET / SEEK_CUR; always use these names.
constexpr int kSeekCurrent = 0;
constexpr int kSeekBegin = 1;
constexpr int kSeekEnd = 2;

class TFile {
public:
  TFile();
  ~TFile();
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  // Modes: null, "r" or "rb" read; "w" or "wb" create or empty, then write;
  // "wx" or "wbx" create a file that must not exist yet; "a" or "ab" append.
  // False (size 0, reads return 0) when it cannot be opened. Writes never
  // follow a symbolic link: a link as the file's own name is refused, and so
  // is a folder link that leads out of the writable folder.
  bool Open(const TString& name, const char* mode = "rb");
  // Mode 0 reads.
  bool Open(const TString& name, int mode);
  bool IsOpen() const;
  // Size in bytes; 0 when nothing is open.
  int64_t GetSize() const;
  // Bytes read (0 at the end, on error or when nothing is open).
  size_t Read(void* buffer, size_t count);
  // Bytes written; fewer means failure (logged).
  size_t Write(const void* buffer, size_t count);
  // Moves the position. A read file's position stays within 0..size; a target
  // outside gives false and leaves the position as it was.
  bool Seek(int64_t offset, int whence);
  // The position, or -1 when nothing is open.
  int64_t Tell() const;
  // Pushes written bytes to the disk (fsync); false on failure.
  bool Sync();
  void Close();
  // The name the file was opened with.
  const TString& GetName() const { return name_; }

private:
  struct TSource;
  std::shared_ptr<TSource> source_;
  int64_t position_ = 0;
  bool writing_ = false;
  TString name_;
};

// The same layer as plain functions over a heap-allocated TFile.
TFile* FileOpen(const TString& name, const char* mode = "rb");
size_t FileRead(TFile* file, void* buffer, size_t count);
size_t FileWrite(TFile* file, const void* buffer, size_t count);
void FileClose(TFile* file);
// True when the name resolves to something that can be read.
bool FileExists(const TString& name);

// What a name reads now, to tell later whether something made from its bytes
// still matches them: equal ids, the same bytes. A loose file is told by its
// path, device, inode, size and times, an archive member by its archive (path,
// size, change time) and its place in it. `settled` is false while a rewrite
// in place could still leave all of that as it is (within the margin of the
// last change, as the archive mount and the folder listings judge it): what
// is read then must not be kept. False (no stamp) for memory files and names
// that resolve to nothing.
struct TFileStamp {
  std::string id;
  bool settled = false;
};
bool GetFileStamp(const TString& name, TFileStamp* out);

// Renames or removes a file in a writable folder; false (logged) on failure.
// A link is renamed or removed itself, never the file it points to.
bool RenameFile(const TString& from, const TString& to);
// Makes `newName` a second name (hard link) of the file `existing`.
bool LinkFile(const TString& existing, const TString& newName);
bool RemoveFile(const TString& name);

// The absolute, normalised form of a path (virtual prefixes resolved to their folders).
TString GetFullPath(const TString& path);

// Memory files: bytes registered under a name, found before anything else.
void RegisterMemoryFile(const TString& name, std::vector<uint8_t> bytes);
bool UnregisterMemoryFile(const TString& name);

// A read-only view of a whole file in memory: loose files and archive
// members are read in (up to kMaxWholeFile bytes), memory files point at
// their bytes, packed XML is inflated.
class TFileMap {
public:
  ~TFileMap();
  const uint8_t* GetData() const { return data_; }
  size_t GetSize() const { return size_; }
  TFileMap(const TFileMap&) = delete;
  TFileMap& operator=(const TFileMap&) = delete;

private:
  friend boost::shared_ptr<TFileMap> MapFile(const TString& name);
  TFileMap() = default;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  std::shared_ptr<const void> keep_;  // keeps an archive or a buffer alive
};
// Maps a whole file; empty when it cannot be read.
boost::shared_ptr<TFileMap> MapFile(const TString& name);
