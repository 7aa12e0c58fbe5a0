// What a user pays for a member: 2,000 files of 16 KB read whole through the
// file layer (TFile: name resolved, opened, read, closed), once as members
// of a pack archive and once as the same bytes in loose files; for the
// reader, also the plain system calls that fetch the same bytes (a pread at
// the member's place in the archive, kept open as the layer keeps it; open,
// pread and close of the loose file). The four are timed in one process,
// seven runs each, every run starting with the next one in turn. Prints
// "ratio archive/loose whole cost: X", the median time of a member through
// the layer against the median of a loose file through it (aim: at most
// 0.7). Same work: all four read exactly the same bytes (size and hash of
// every file, and the byte count of every timed pass); the program fails
// otherwise.
//
// Mounting: an archive of 20,000 small members against one of 2,000, each
// mounted anew (directory read, names checked, index built): "ratio
// mount20000/mount2000" (at most 12: mounting grows about linearly). Each
// mount must list every member and find a member by name.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/compare.h"
#include "platform/archive.h"
#include "platform/file.h"
#include "platform/fileinternal.h"
#include "platform/folders.h"

namespace {

constexpr int kFiles = 2000;
constexpr size_t kFileSize = 16 * 1024;

// A temporary asset folder holding the loose files and the archive.
struct TAssets {
  TAssets() {
    char tmpl[] = "/tmp/lantern-bench-archive-XXXXXX";
    root = mkdtemp(tmpl);
    std::filesystem::create_directories(root + "/assets/loose");
    std::mt19937 random(7);
    std::vector<char> bytes(kFileSize);
    std::vector<TPackInput> inputs;
    for (int i = 0; i < kFiles; ++i) {
      for (char& c : bytes) c = char(random());
      std::string name = Name(i);
      std::ofstream(root + "/assets/loose/" + name, std::ios::binary).write(bytes.data(), long(bytes.size()));
      inputs.push_back({"packed/" + name, root + "/assets/loose/" + name});
    }
    if (!WritePackArchive(root + "/assets/data.knp", inputs)) std::abort();
    if (chdir(root.c_str()) != 0) std::abort();
    RefreshFileLayer();
  }
  ~TAssets() { std::filesystem::remove_all(root); }
  static std::string Name(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%04d.bin", i);
    return name;
  }
  std::string root;
};

TAssets& Assets() {
  static TAssets assets;
  return assets;
}

// What a pass over the files read: the bytes and their hash.
struct TRead {
  size_t total = 0;
  uint64_t hash = bench::Hash(nullptr, 0);
  void Add(const std::vector<char>& buffer, size_t n, bool hash) {
    total += n;
    if (hash) this->hash = bench::Hash(buffer.data(), n, this->hash);
  }
};

// Every file through the file layer.
TRead ReadLayer(const std::vector<TString>& names, std::vector<char>& buffer, bool hash) {
  TRead r;
  for (const TString& name : names) {
    TFile file;
    bench::Require(file.Open(name), "cannot open %s", name.c_str());
    r.Add(buffer, file.Read(buffer.data(), buffer.size()), hash);
  }
  return r;
}

// Every loose file by plain system calls: open, pread, close.
TRead ReadLoosePlain(const std::vector<std::string>& paths, std::vector<char>& buffer, bool hash) {
  TRead r;
  for (const std::string& path : paths) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    bench::Require(fd >= 0, "cannot open %s", path.c_str());
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), 0);
    ::close(fd);
    r.Add(buffer, n > 0 ? size_t(n) : 0, hash);
  }
  return r;
}

// Every member by a plain pread at its place in the open archive.
struct TPlace {
  int64_t offset, size;
};
TRead ReadArchivePlain(int fd, const std::vector<TPlace>& places, std::vector<char>& buffer, bool hash) {
  TRead r;
  for (const TPlace& p : places) {
    const ssize_t n = ::pread(fd, buffer.data(), size_t(p.size), p.offset);
    r.Add(buffer, n > 0 ? size_t(n) : 0, hash);
  }
  return r;
}

std::vector<TString> Names(const char* folder) {
  std::vector<TString> names;
  for (int i = 0; i < kFiles; ++i) names.push_back(TString(std::string(folder) + TAssets::Name(i)));
  return names;
}

// Each member's place in the archive, as the file layer resolves it.
std::vector<TPlace> Places(const std::vector<TString>& members) {
  std::vector<TPlace> places;
  for (const TString& member : members) {
    const std::string range = GetArchiveMemberName(member).str();  // "@n:offset,size"
    long long offset = -1, size = -1;
    bench::Require(std::sscanf(range.c_str(), "@%*d:%lld,%lld", &offset, &size) == 2, "%s is no archive member",
                   member.c_str());
    places.push_back({offset, size});
  }
  return places;
}

void CompareOwnCosts() {
  std::vector<char> buffer(kFileSize);
  const std::vector<TString> loose = Names("loose/"), packed = Names("packed/");
  std::vector<std::string> paths;
  for (int i = 0; i < kFiles; ++i) paths.push_back("assets/loose/" + TAssets::Name(i));
  const std::vector<TPlace> places = Places(packed);
  const int archiveFd = ::open("assets/data.knp", O_RDONLY | O_CLOEXEC);
  bench::Require(archiveFd >= 0, "cannot open the archive");
  const TRead reads[4] = {ReadLayer(packed, buffer, true), ReadArchivePlain(archiveFd, places, buffer, true),
                          ReadLayer(loose, buffer, true), ReadLoosePlain(paths, buffer, true)};
  for (const TRead& r : reads)
    bench::Require(r.total == kFiles * kFileSize && r.hash == reads[0].hash,
                   "the four ways read different bytes (%zu of %zu)", r.total, kFiles * kFileSize);
  std::printf("same work: %zu bytes read each way (archive and loose, file layer and plain calls), the same hash\n",
              reads[0].total);
  // Seconds per member of a pass; every timed pass must read every byte.
  auto timed = [&](const std::function<TRead()>& pass) {
    return [&, pass] {
      size_t wrong = 0;
      const double seconds = bench::TimePerCall([&] { wrong += pass().total != kFiles * kFileSize; }, 0.1);
      bench::Require(wrong == 0, "%zu timed passes read short", wrong);
      return seconds / kFiles;
    };
  };
  const std::vector<std::vector<double>> t = bench::Rotate({
      timed([&] { return ReadLayer(packed, buffer, false); }),
      timed([&] { return ReadArchivePlain(archiveFd, places, buffer, false); }),
      timed([&] { return ReadLayer(loose, buffer, false); }),
      timed([&] { return ReadLoosePlain(paths, buffer, false); }),
  });
  ::close(archiveFd);
  std::printf("a member of 16 KB (median and range of %zu runs, in turn): archive %s through the layer, %s plain; "
              "loose %s through the layer, %s plain\n",
              t[0].size(), bench::MedianAndSpread(t[0], 1e6, "us").c_str(),
              bench::MedianAndSpread(t[1], 1e6, "us").c_str(), bench::MedianAndSpread(t[2], 1e6, "us").c_str(),
              bench::MedianAndSpread(t[3], 1e6, "us").c_str());
  bench::Require(bench::Median(t[2]) > 0, "the loose files took no time");
  bench::PrintRatio("archive/loose whole cost", bench::Median(t[0]) / bench::Median(t[2]));
}

// A folder whose assets/ holds one archive of `count` members of a few bytes.
struct TManyMembers {
  explicit TManyMembers(int count) {
    char tmpl[] = "/tmp/lantern-bench-mount-XXXXXX";
    root = mkdtemp(tmpl);
    std::filesystem::create_directories(root + "/assets");
    std::string source = root + "/member.txt";
    std::ofstream(source) << "a member";
    std::vector<TPackInput> inputs;
    for (int i = 0; i < count; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "levels/area%02d/item_%05d.xml", i % 37, i);
      inputs.push_back({name, source});
    }
    bench::Require(WritePackArchive(root + "/assets/data.knp", inputs), "cannot write an archive of %d members", count);
  }
  ~TManyMembers() { std::filesystem::remove_all(root); }
  std::string root;
};

// Mounts the archive of the folder anew; the number of members it lists.
size_t MountAnew(const TManyMembers& folder) {
  if (chdir(folder.root.c_str()) != 0) std::abort();
  UnmountArchives();
  RefreshFileLayer();
  return GetPackArchiveCount() == 1 ? GetPackArchiveMembers(0).size() : 0;
}

void CompareMounts() {
  TManyMembers small(2000), large(20000);
  for (const TManyMembers* folder : {&small, &large}) {
    int count = folder == &small ? 2000 : 20000;
    bench::Require(MountAnew(*folder) == size_t(count), "the archive of %d members did not mount whole", count);
    TFile file;
    char name[64];
    std::snprintf(name, sizeof name, "levels/area%02d/item_%05d.xml", (count - 1) % 37, count - 1);
    bench::Require(file.Open(name), "a member of the archive of %d cannot be opened", count);
  }
  std::printf("same work: each archive mounted with all its members, the last member found by name\n");
  bench::TComparison c = bench::Alternate([&] { return bench::TimePerCall([&] { MountAnew(large); }, 0.2); },
                                          [&] { return bench::TimePerCall([&] { MountAnew(small); }, 0.2); });
  bench::PrintMedians("mounting an archive", c, "20000 members", "2000 members");
  bench::PrintRatio("mount20000/mount2000", c.Ratio());
}

}  // namespace

int main() {
  Assets();
  CompareOwnCosts();
  const std::string back = Assets().root;
  CompareMounts();
  if (chdir(back.c_str()) != 0) return 1;
  return 0;
}
