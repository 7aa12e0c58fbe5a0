// Shared harness of the game suites: a temporary asset and user folder made
// the working folder, helpers that write main.xml and level files into it,
// and the log lines written while a test runs.
#pragma once
#include <signal.h>
#include <sys/resource.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/log.h"
#include "tests/support/testsupport.h"

class TLuaBindings;
class GameProgress;
class TSoundManager;
class TWindowManager;
class TWindowScript;
class UserInfo;

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

// With a window manager whose script carries the game's Lua globals (those
// of BindGameDataGlobals, and UserInfo's once one is made), and a sound
// manager without its thread. `Users()` makes (or re-makes) the profile
// manager over the fixture's user folder; it is deleted at the end.
class TGameLuaFixture : public TGameDataFixture {
public:
  TGameLuaFixture();
  ~TGameLuaFixture() override;
  // Runs Lua text; false when it failed (the error is logged).
  bool Lua(const std::string& text);
  // A global's value as text ("nil", "true", "false", a number or a string).
  std::string Global(const char* name);
  UserInfo* Users();

  std::unique_ptr<TSoundManager> sound;
  TWindowManager* wm = nullptr;
  TWindowScript* script = nullptr;
  std::unique_ptr<TLuaBindings> globals;
};

// The player's progress as the file on disk holds it now, read by a fresh
// store and never taken from the profile manager in memory: a save promised
// at a moment is checked here at that moment, before a player switch, a
// restart or the shut-down saves by themselves. A blob that cannot be read
// fails the test.
GameProgress SavedProgress(int user = 0);

// Files above `bytes` cannot be written while it lives, as on a full disk.
class TFullDisk {
public:
  explicit TFullDisk(rlim_t bytes = 64) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldSignal_ = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~TFullDisk() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldSignal_);
  }

private:
  rlimit old_{};
  void (*oldSignal_)(int) = nullptr;
};

// A level file with the given coins per hot spot ("coin" values as written)
// and the "allnum" total.
std::string LevelXml(const std::vector<std::vector<std::string>>& coinsPerSpot, int allnum);

}  // namespace gametest
