// Lua pseudo-indices are written with the API's macros everywhere: a literal
// value (the numbering changed between Lua versions) reads the wrong slot.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "tests/support/testsupport.h"

TEST(ScriptSources, NoNumericPseudoIndices) {
  namespace fs = std::filesystem;
  const std::regex literal(R"(lua\w*\s*\(.*-\s*1000[0-9]\b)");
  std::string found;
  for (const char* folder : {"platform", "script", "render", "audio", "ui", "game", "plugins", "tools"}) {
    fs::path root = fs::path(testing_support::SourceDir()) / folder;
    if (!fs::exists(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      std::ifstream in(entry.path());
      std::string line;
      for (int n = 1; std::getline(in, line); ++n)
        if (std::regex_search(line, literal)) found += entry.path().string() + ":" + std::to_string(n) + "\n";
    }
  }
  EXPECT_EQ(found, "");
}
