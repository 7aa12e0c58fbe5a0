// Reading assets from a pack archive against reading the same bytes from loose
// files, both through the file layer, in one run: 200 files of 512 KB
// (100 MB). Prints "ratio archive/loose: X" (the target is at most 1.1), the
// median of seven runs with the two sides alternating. Same work: both sides
// read exactly the same bytes (size and hash of every file); the program
// fails otherwise.
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
  return 0;
}
