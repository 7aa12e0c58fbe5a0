// Helpers for the test suites.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A fresh temporary folder, removed with everything in it when destroyed.
class TempDir {
public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return path_; }
  // Path of a file inside the folder.
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file (creating sub-folders) and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;
  std::string Write(const std::string& name, const std::vector<uint8_t>& content) const;
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

private:
  std::string path_;
};

// Changes the working folder for the lifetime of the object.
class ScopedChdir {
public:
  explicit ScopedChdir(const std::string& path);
  ~ScopedChdir();

private:
  std::string old_;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// tests/data in the source tree.
std::string TestDataDir();
// The top of the source tree.
std::string SourceDir();

}  // namespace testing_support
