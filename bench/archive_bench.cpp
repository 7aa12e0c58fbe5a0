// Reading assets from a pack archive against reading the same bytes from loose
// files, both through the file layer, in one run: 200 files of 512 KB
// (100 MB). Prints "ratio archive/loose: X" (the target is at most 0.9), the
// median of seven runs with the two sides alternating. Same work: both sides
// read exactly the same bytes (size and hash of every file); the program
// fails otherwise.
//
// Mounting: an archive of 20,000 small members against one of 2,000, each
// mounted anew (directory read, names checked, index built): "ratio
// mount20000/mount2000" (at most 12: mounting grows about linearly). Each
// mount must list every member and find a member by name.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/compare.h"
#include "platform/archive.h"
#include "platform/file.h"
#include "platform/fileinternal.h"
#include "platform/folders.h"

namespace {

constexpr int kFiles = 200;
constexpr size_t kFileSize = 512 * 1024;

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
    std::snprintf(name, sizeof name, "f%03d.bin", i);
    return name;
  }
  std::string root;
};

TAssets& Assets() {
  static TAssets assets;
  return assets;
}

// Reads every file of a folder through the file layer; the bytes read and their hash.
struct TRead {
  size_t total = 0;
  uint64_t hash = bench::Hash(nullptr, 0);
};
TRead ReadAll(const std::vector<TString>& names, std::vector<char>& buffer, bool hash) {
  TRead r;
  for (const TString& name : names) {
    TFile file;
    bench::Require(file.Open(name), "cannot open %s", name.c_str());
    size_t n = file.Read(buffer.data(), buffer.size());
    r.total += n;
    if (hash) r.hash = bench::Hash(buffer.data(), n, r.hash);
  }
  return r;
}

std::vector<TString> Names(const char* folder) {
  std::vector<TString> names;
  for (int i = 0; i < kFiles; ++i) names.push_back(TString(std::string(folder) + TAssets::Name(i)));
  return names;
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
  std::vector<char> buffer(kFileSize);
  const std::vector<TString> loose = Names("loose/"), packed = Names("packed/");
  TRead a = ReadAll(packed, buffer, true), b = ReadAll(loose, buffer, true);
  bench::Require(a.total == kFiles * kFileSize && b.total == a.total && a.hash == b.hash,
                 "the sides read different bytes (%zu and %zu)", a.total, b.total);
  std::printf("same work: %zu bytes read on each side, the same hash\n", a.total);
  bench::TComparison c = bench::Alternate(
      [&] { return bench::TimePerCall([&] { ReadAll(packed, buffer, false); }, 0.2); },
      [&] { return bench::TimePerCall([&] { ReadAll(loose, buffer, false); }, 0.2); });
  bench::PrintMedians("reading 200 files of 512 KB", c, "archive", "loose");
  bench::PrintRatio("archive/loose", c.Ratio());
  const std::string back = Assets().root;
  CompareMounts();
  if (chdir(back.c_str()) != 0) return 1;
  return 0;
}
