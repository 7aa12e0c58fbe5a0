// knppack: builds and lists pack archives (".knp").
//   knppack <archive.knp> <folder>   packs every file under the folder; member
//                                    names are the paths relative to it
//   knppack --list <archive.knp>     prints each member's range and name
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/archive.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fprintf(stderr, "usage: knppack <archive.knp> <folder>\n       knppack --list <archive.knp>\n");
  return 2;
}

int List(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<TPackEntry> entries;
  std::vector<std::string> skipped;
  TString error;
  if (!ParsePackDirectory(bytes.data(), bytes.size(), bytes.size(), entries, &error, &skipped)) {
    std::fprintf(stderr, "knppack: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  for (const std::string& s : skipped) std::fprintf(stderr, "knppack: %s: bad entry %s\n", path.c_str(), s.c_str());
  for (const TPackEntry& e : entries)
    std::printf("%12llu %12llu  %s\n", static_cast<unsigned long long>(e.offset),
                static_cast<unsigned long long>(e.size), e.name.c_str());
  return skipped.empty() ? 0 : 1;
}

int Pack(const std::string& archive, const std::string& folder) {
  std::error_code ec;
  fs::path root = fs::canonical(folder, ec);
  if (ec || !fs::is_directory(root)) {
    std::fprintf(stderr, "knppack: %s is not a folder\n", folder.c_str());
    return 1;
  }
  fs::path self = fs::weakly_canonical(archive, ec);
  std::vector<TPackInput> inputs;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_regular_file() || it->path() == self) continue;
    inputs.push_back({fs::relative(it->path(), root).generic_string(), it->path().string()});
  }
  if (ec) {
    std::fprintf(stderr, "knppack: cannot walk %s: %s\n", folder.c_str(), ec.message().c_str());
    return 1;
  }
  std::sort(inputs.begin(), inputs.end(), [](const TPackInput& a, const TPackInput& b) { return a.name < b.name; });
  TString error;
  if (!WritePackArchive(archive, inputs, &error)) {
    std::fprintf(stderr, "knppack: %s\n", error.c_str());
    return 1;
  }
  std::printf("knppack: %s: %zu members\n", archive.c_str(), inputs.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--list") return List(argv[2]);
  if (argc == 3 && argv[1][0] != '-') return Pack(argv[1], argv[2]);
  return Usage();
}
