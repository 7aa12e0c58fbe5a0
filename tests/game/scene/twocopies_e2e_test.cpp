// End to end: a second copy of the lantern program on a user folder that a
// first copy is playing, started the ways a player's desktop may start it
// (without a runtime folder, with another one, through a link to the folder,
// as a further copy with "multiple"): every one of them ends at once without
// reading or writing anything there, and what the first copy plays is what
// lies on disk afterwards.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game/shell/data/gameprogress.h"
#include "tests/game/support/gamee2e.h"

using namespace gamee2e;

namespace {

class TwoCopies : public TGameEndToEnd {
protected:
  TwoCopies() : TGameEndToEnd({"Prefs: ", "Profiles: ", "Single instance: ", "MainGame: ", "gamemenu: "}) {}

  // A second copy, started while the first one runs.
  struct TSecond {
    std::string how;
    std::string userFolder;  // as its command line names it
    const char* runtime;     // its XDG_RUNTIME_DIR; null: none
    std::string extra;       // further options
    int exitCode = -2;
    std::string errors;  // what it wrote on standard error
  };
  void Start(TSecond& second) {
    const std::string errors = dir.File("errors-" + std::to_string(++seconds) + ".txt");
    const std::string home = dir.File("home"), cache = dir.File("cache");
    second.exitCode =
        RunProgram(folder, "frames=60,headless=1,userfolder=" + second.userFolder + second.extra, {}, {}, nullptr,
                   [&] {
                     setenv("HOME", home.c_str(), 1);
                     setenv("XDG_CACHE_HOME", cache.c_str(), 1);
                     if (second.runtime) setenv("XDG_RUNTIME_DIR", second.runtime, 1);
                     else unsetenv("XDG_RUNTIME_DIR");
                     int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                     if (fd >= 0) dup2(fd, 2);
                   });
    second.errors = testing_support::ReadFile(errors);
  }
  int seconds = 0;
};

// The study, two objects found and the game menu's "Main menu" (which
// saves): while the first copy stands in the study, each second copy is
// refused. The first copy's log is its own, and the save it made is in the
// file itself, none beside it.
TEST_F(TwoCopies, ASecondCopyOnTheUserFolderIsRefusedHoweverItIsStarted) {
  SaveAt(1, 1, 2, {"loc11"}, {"com_1.xml"});
  const std::string user = dir.File("user"), link = dir.File("link"), otherRuntime = dir.File("runtime2");
  ASSERT_EQ(symlink(user.c_str(), link.c_str()), 0);
  ASSERT_EQ(mkdir(otherRuntime.c_str(), 0700), 0);
  const std::string runtime = dir.File("runtime");  // the first copy's (the harness gives it)
  std::vector<TSecond> others = {
      {"without a runtime folder", user, nullptr, ""},
      {"with another runtime folder", user, otherRuntime.c_str(), ""},
      {"through a link to the folder", link + "/", runtime.c_str(), ""},
      {"as a further copy", user, runtime.c_str(), ",multiple=1"},
  };
  const std::vector<std::string> items = ItemCentres("loc12");
  ASSERT_GE(items.size(), 2u);
  const std::string input = Click(1000, kPlayButton) + Click(4000, items[0]) + Click(4400, items[1]) +
                            At(5000, "key escape") + Click(5800, KitButtonAt("gamemenu.lua", "mainmenu"));
  TRun first = RunPausing(input, FramesFor(9000), {"modal: MainGame"}, [&] {
    for (TSecond& second : others) Start(second);
  });
  EXPECT_EQ(first.exitCode, 0);
  const std::string refused = "lantern: the game does not start: another copy of the game runs on the user folder " +
                              std::filesystem::canonical(user).string();
  for (const TSecond& second : others) {
    const bool further = !second.extra.empty();
    EXPECT_EQ(second.exitCode, further ? 1 : 0) << second.how << ": " << second.errors;
    EXPECT_NE(second.errors.find(refused + (further ? "; a further copy needs a user folder of its own"
                                                    : "; it was asked to come to the front")),
              std::string::npos)
        << second.how << ": " << second.errors;
  }
  // One copy's log, which heard the three that asked it to come forward.
  EXPECT_EQ(first.InLog(" starting\n"), 1u) << first.log;
  EXPECT_TRUE(first.Mentions("Single instance: another copy was started on this user folder and ended")) << first.log;
  EXPECT_EQ(first.Count("Prefs: "), 0u) << first.Joined();
  EXPECT_EQ(first.Count("MainGame: found "), 2u) << first.Joined();
  EXPECT_EQ(first.Screens(), (std::vector<std::string>{"mainmenu", "MainGame", "gamemenu", "mainmenu"})) << first.log;
  // The played progress is in the file.
  const GameProgress saved = Saved();
  const LocationInfo* study = saved.GetLocationInfo("loc12");
  ASSERT_NE(study, nullptr);
  EXPECT_EQ(study->itemIds, (std::vector<int32_t>{0, 1}));
  for (const char* beside : {"prefs.dat.conflict", "prefs.dat.damaged"})
    EXPECT_FALSE(testing_support::FileExists(user + "/" + beside)) << beside;
  EXPECT_TRUE(testing_support::FileExists(user + "/instance.lock"));
  EXPECT_TRUE(std::filesystem::is_empty(runtime));
  EXPECT_TRUE(std::filesystem::is_empty(otherRuntime));
}

}  // namespace
