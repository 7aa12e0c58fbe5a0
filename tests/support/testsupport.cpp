#include "tests/support/testsupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir() {
  std::string tmpl = (fs::temp_directory_path() / "lantern-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& content) const {
  fs::path p = fs::path(path_) / name;
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << content;
  return p.string();
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& content) const {
  return Write(name, std::string(content.begin(), content.end()));
}

ScopedChdir::ScopedChdir(const std::string& path) : old_(fs::current_path().string()) { fs::current_path(path); }
ScopedChdir::~ScopedChdir() {
  std::error_code ec;
  fs::current_path(old_, ec);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool FileExists(const std::string& path) { return fs::exists(path); }

std::string TestDataDir() {
  const char* d = std::getenv("LANTERN_TEST_DATA");
  return d ? d : (SourceDir() + "/tests/data");
}

std::string SourceDir() {
  const char* d = std::getenv("LANTERN_SOURCE_DIR");
  return d ? d : LANTERN_SOURCE_DIR_DEFAULT;
}

}  // namespace testing_support
