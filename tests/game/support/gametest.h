// Shared harness of the game suites: a temporary asset and user folder made
// the working folder, helpers that write main.xml and level files into it,
// and the log lines written while a test runs.
#pragma once
#include <string>
#include <vector>

#include "platform/log.h"
#include "tests/support/testsupport.h"

namespace gametest {

// A fresh folder made the working folder and the "userfolder"; main.xml and
// the level model are emptied at both ends of the fixture's life.
class TGameDataFixture {
public:
  TGameDataFixture();
  virtual ~TGameDataFixture();
  // Writes main.xml and loads it with the level model and tool list.
  void MainXml(const std::string& text);
  // Writes levels/<name>.xml.
  void LevelFile(const std::string& name, const std::string& text);

  testing_support::TempDir dir;
  testing_support::ScopedChdir cd{dir.Path()};
  TLogCapture log;  // every line logged while the fixture lives
};

// A level file with the given coins per hot spot ("coin" values as written)
// and the "allnum" total.
std::string LevelXml(const std::vector<std::vector<std::string>>& coinsPerSpot, int allnum);

}  // namespace gametest
