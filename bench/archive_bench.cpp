// Reading assets from a pack archive against reading the same bytes from loose
// files, both through the file layer, in one run: 200 files of 512 KB
// (100 MB). Prints "ratio archive/loose: X" (the target is at most 1.1).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/recorder.h"
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

void ReadAll(benchmark::State& state, const char* folder) {
  Assets();
  std::vector<char> buffer(kFileSize);
  std::vector<TString> names;
  for (int i = 0; i < kFiles; ++i) names.push_back(TString(std::string(folder) + TAssets::Name(i)));
  for (auto _ : state) {
    size_t total = 0;
    for (const TString& name : names) {
      TFile file;
      if (!file.Open(name)) std::abort();
      total += file.Read(buffer.data(), buffer.size());
    }
    if (total != kFiles * kFileSize) std::abort();
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFiles * kFileSize));
}

void BM_LooseFiles(benchmark::State& state) { ReadAll(state, "loose/"); }
void BM_ArchiveMembers(benchmark::State& state) { ReadAll(state, "packed/"); }

BENCHMARK(BM_LooseFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArchiveMembers)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Assets();
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("archive/loose", "BM_ArchiveMembers", "BM_LooseFiles");
  benchmark::Shutdown();
  return 0;
}
