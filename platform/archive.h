// Pack archives (".knp"): many asset files in one file, read in place.
//
// Layout (all numbers little-endian; docs/pack-archive.md):
//   "KNPK", u32 version (1), u32 entry count, u32 directory size in bytes,
//   then the directory: per entry u16 name length, the name (UTF-8, lower case,
//   "/" separators, relative to the asset folder), u64 offset, u64 size;
//   then the members' bytes, stored as they are.
// Every field is checked against the archive's real size; a damaged directory
// refuses the whole archive, a bad entry only itself (each with a log line).
//
// The archives mounted are the "*.knp" files of the working folder's "assets/"
// folder, numbered 0, 1, ... in file-name order; a later archive's member
// replaces an earlier one of the same name. Part of platform/.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/string.h"

constexpr uint32_t kPackArchiveVersion = 1;
constexpr size_t kPackHeaderSize = 16;
constexpr size_t kPackMaxNameLength = 1024;

struct TPackEntry {
  std::string name;  // lower case, "/" separators
  uint64_t offset = 0;
  uint64_t size = 0;
};

// Reads an archive's header and directory from its first bytes. `archiveSize`
// is the size of the whole file (members are checked against it; `data` may
// hold only the beginning). False, with a reason, when the archive must be
// refused; entries that are bad on their own are skipped and listed in `skipped`.
bool ParsePackDirectory(const uint8_t* data, size_t size, uint64_t archiveSize, std::vector<TPackEntry>& entries,
                        TString* error = nullptr, std::vector<std::string>* skipped = nullptr);

// One file to pack: its name inside the archive and the file to copy it from.
struct TPackInput {
  std::string name;
  std::string sourcePath;
};
// Writes an archive (names are lower-cased and "\" turned to "/"; duplicates
// and unsafe names refused). Written to "<path>.tmp" and renamed into place.
bool WritePackArchive(const std::string& path, const std::vector<TPackInput>& inputs, TString* error = nullptr);

// The mounted archives of the current working folder (mounting them when the
// folder or its "assets/" content changed).
int GetPackArchiveCount();
// The archive file of number n (empty when there is none).
TString GetPackArchivePath(int n);
// The member names of archive n, in directory order.
std::vector<std::string> GetPackArchiveMembers(int n);

// The "@n:offset,size" name of an asset that comes from an archive, else empty.
TString GetArchiveMemberName(const TString& name);
// Parses "@n:offset,size" strictly (digits only, nothing after). False otherwise.
bool ParseArchiveRangeName(const TString& name, int& archive, int64_t& offset, int64_t& size);
