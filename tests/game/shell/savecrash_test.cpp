// A process saving players is killed with SIGKILL, at random moments and at
// every system call of a save in turn; after every kill the preferences load
// and every player is whole: its eleven keys and its blob all belong to one
// and the same save. Two copies on one folder keep both players' progress.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>

#include "game/shell/data/gameprogress.h"
#include "game/shell/data/savefile.h"
#include "game/shell/data/userinfo.h"
#include "platform/prefs.h"
#include "tests/game/support/gametest.h"

namespace {

constexpr int kPlayers = 3;

// The k-th saved state of player p: every field tells k.
void StateOf(int k, int p, GameProgress& g) {
  g.Reset();
  g.levelId = k;
  g.chapterId = p;
  g.locationId = k + 1;
  g.numCoins = k;
  g.firstRun = k % 2;
  g.gameIntroDone = k + 2;
  g.gameStartMsgDone = k + 3;
  g.gameTutorMsgDone = k + 4;
  g.gameFinished = k + 5;
  g.mLocationType = k + 6;
  g.gameNeedClearUserInfo = k + 7;
  for (int i = 0; i <= k % 5; ++i) g.AddTool(TString::Printf("t%d_%d", k, i), k * 10 + i);
  g.MarkShown(TString::Printf("s%d", k));
  LocationInfo& info = g.FindLocationInfo(TString::Printf("loc%d_%d", p, k));
  info.coins.assign(size_t(k % 7), k);
  info.passed = k;
}

const char* const kKeys[] = {"levelId", "chapterId", "locationId", "numCoins", "firstRun", "gameIntroDone",
                             "gameStartMsgDone", "gameTutorMsgDone", "gameFinished", "mLocationType",
                             "gameNeedClearUserInfo"};

// The save of player p as the file holds it; -1 (with a failure) when it is
// not one whole save.
int WholeSaveOf(const TPrefs& prefs, int p) {
  int k = prefs.GetInt("levelId", -1, p);
  GameProgress want;
  StateOf(k, p, want);
  const int values[] = {want.levelId, want.chapterId, want.locationId, want.numCoins, want.firstRun,
                        want.gameIntroDone, want.gameStartMsgDone, want.gameTutorMsgDone, want.gameFinished,
                        want.mLocationType, want.gameNeedClearUserInfo};
  for (int i = 0; i < 11; ++i)
    if (prefs.GetInt(kKeys[i], -99, p) != values[i]) {
      ADD_FAILURE() << "player " << p << " key " << kKeys[i] << " is not of save " << k;
      return -1;
    }
  int length = 0;
  if (prefs.GetData("LocInfoPass", nullptr, 0, p, &length) == -1) {
    ADD_FAILURE() << "player " << p << " has no blob";
    return -1;
  }
  std::vector<uint8_t> blob(size_t(length) + 1);
  prefs.GetData("LocInfoPass", blob.data(), length, p);
  blob.resize(size_t(length));
  if (blob != WriteSaveBlob(want, 1)) {
    ADD_FAILURE() << "player " << p << " blob is not of save " << k;
    return -1;
  }
  return k;
}

class SaveCrash : public gametest::TGameDataFixture, public ::testing::Test {
protected:
  // The kPlayers players, each at its first state, saved.
  void SavePlayers() {
    MainXml(R"(<Game><Common NumSaveVer="1"/></Game>)");
    UserInfo users;
    for (int p = 0; p < kPlayers; ++p) {
      users.CreateNewUser(TString::Printf("player%d", p));
      StateOf(0, p, GetGameProgress());
      ASSERT_TRUE(users.SaveProgress());
    }
  }
};

TEST_F(SaveCrash, KilledSavesLeaveEveryPlayerWhole) {
  ASSERT_NO_FATAL_FAILURE(SavePlayers());
  std::mt19937 random(14);
  std::vector<int> last(kPlayers, 0);
  int advanced = 0;
  for (int round = 0; round < 60; ++round) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipeFds[0]);
      UserInfo users;
      int k = 0;
      for (int p = 0; p < kPlayers; ++p) k = std::max(k, users.GetPrefs()->GetInt("levelId", 0, p));
      for (++k;; ++k)
        for (int p = 0; p < kPlayers; ++p) {
          users.SetCurrentUser(p, false);
          StateOf(k, p, GetGameProgress());
          users.SaveProgress();
          char done = 1;
          if (write(pipeFds[1], &done, 1) != 1) _exit(1);  // one byte per finished save
        }
    }
    close(pipeFds[1]);
    char first = 0;
    ssize_t got = read(pipeFds[0], &first, 1);  // the child runs and has saved once
    if (got == 1) usleep(useconds_t(std::uniform_int_distribution<int>(0, 20000)(random)));
    kill(child, SIGKILL);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(got, 1);
    ASSERT_TRUE(WIFSIGNALED(status));

    TPrefs prefs;
    ASSERT_EQ(prefs.GetOrigin(), TPrefs::kMainFile) << "after kill " << round;
    ASSERT_EQ(prefs.GetUserCount(), kPlayers);
    for (int p = 0; p < kPlayers; ++p) {
      EXPECT_EQ(prefs.GetString("name", "", p), TString::Printf("player%d", p));
      int k = WholeSaveOf(prefs, p);
      ASSERT_GE(k, last[p]) << "player " << p << " went back after kill " << round;
      if (k > last[p]) ++advanced;
      last[p] = k;
    }
  }
  EXPECT_GE(advanced, 60);  // every child saved at least once before its kill
  EXPECT_FALSE(testing_support::FileExists(dir.File("user/prefs.dat.damaged")));
}

// The save of one player runs in a child traced by system calls (ptrace);
// for k = 1, 2, ... the child is killed as it enters the k-th system call of
// the save, until a save runs to its end. After every kill the file loads,
// every player is whole, and the player saved is at its old or its new save.
TEST_F(SaveCrash, AKillAtEverySystemCallOfASaveLosesNothing) {
  ASSERT_NO_FATAL_FAILURE(SavePlayers());
  std::vector<int> last(kPlayers, 0);
  int kills = 0, saved = 0;
  for (int k = 1; k < 5000; ++k) {
    const int p = k % kPlayers;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      UserInfo users;
      users.SetCurrentUser(p, false);
      StateOf(k, p, GetGameProgress());
      if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(3);
      raise(SIGSTOP);  // the tracer counts from here: the save alone
      _exit(users.SaveProgress() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) GTEST_SKIP() << "system calls cannot be traced here";
    ASSERT_TRUE(WIFSTOPPED(status));
    ptrace(PTRACE_SETOPTIONS, child, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    int entries = 0, signal = 0;
    bool entering = true, killed = false;
    for (;;) {
      ASSERT_EQ(ptrace(PTRACE_SYSCALL, child, nullptr, reinterpret_cast<void*>(intptr_t(signal))), 0);
      signal = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      if (WIFEXITED(status) || WIFSIGNALED(status)) break;
      if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
        signal = WSTOPSIG(status);  // a signal of its own goes on to it
        continue;
      }
      if (entering && ++entries == k) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        killed = true;
        break;
      }
      entering = !entering;
    }
    if (!killed) {
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save failed";
      ++saved;
    } else {
      ++kills;
    }
    TPrefs prefs;
    ASSERT_EQ(prefs.GetOrigin(), TPrefs::kMainFile) << "after a kill at system call " << k;
    ASSERT_EQ(prefs.GetUserCount(), kPlayers);
    for (int q = 0; q < kPlayers; ++q) {
      const int now = WholeSaveOf(prefs, q);
      ASSERT_GE(now, last[q]) << "player " << q << " went back after a kill at system call " << k;
      if (q != p) ASSERT_EQ(now, last[q]) << "player " << q << " changed with player " << p;
      else ASSERT_TRUE(now == last[q] || now == k) << "player " << q << " at save " << now;
      last[q] = now;
    }
    if (!killed) break;  // every system call of the save has had its kill
  }
  EXPECT_GT(kills, 20);
  EXPECT_EQ(saved, 1);
  EXPECT_FALSE(testing_support::FileExists(dir.File("user/prefs.dat.damaged")));
  EXPECT_FALSE(testing_support::FileExists(dir.File("user/prefs.dat.conflict")));
}

// Two copies of the game on one user folder (two machines on one shared home,
// or --multiple): each loads the players, one adds and plays "Ann", the other
// "Bob"; the copy that saves second does not write over the first one's
// progress, and both players' progress is on disk afterwards.
TEST_F(SaveCrash, TwoProcessesOnOneFolderKeepBothPlayersProgress) {
  MainXml(R"(<Game><Common NumSaveVer="1"/></Game>)");
  {
    UserInfo users;
    users.CreateNewUser("Ada");
    ASSERT_TRUE(users.SaveProgress());
  }
  int loaded[2], go[2];
  ASSERT_EQ(pipe(loaded), 0);
  ASSERT_EQ(pipe(go), 0);
  auto play = [&](const char* name, int level, bool waitForGo) {
    UserInfo users;  // both read the file before either saves
    char c = 1;
    if (write(loaded[1], &c, 1) != 1) _exit(2);
    if (waitForGo && read(go[0], &c, 1) != 1) _exit(3);
    users.CreateNewUser(name);
    StateOf(level, users.GetCurrentUserIndex(), GetGameProgress());
    _exit(users.SaveProgress() ? 0 : 1);
  };
  pid_t first = fork();
  ASSERT_GE(first, 0);
  if (first == 0) play("Ann", 5, true);
  pid_t second = fork();
  ASSERT_GE(second, 0);
  if (second == 0) play("Bob", 9, true);
  char c = 0;
  ASSERT_EQ(read(loaded[0], &c, 1), 1);
  ASSERT_EQ(read(loaded[0], &c, 1), 1);
  int status = 0;
  ASSERT_EQ(write(go[1], &c, 1), 1);  // one of them saves...
  pid_t done = wait(&status);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(write(go[1], &c, 1), 1);  // ...then the other
  ASSERT_EQ(waitpid(done == first ? second : first, &status, 0), done == first ? second : first);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (int fd : {loaded[0], loaded[1], go[0], go[1]}) close(fd);

  // The main file holds Ada and the player saved first; the other copy's
  // file holds Ada and the player saved second: nobody's progress is lost.
  std::map<std::string, int> levels;
  for (const char* file : {"user:prefs.dat", "user:prefs.dat.conflict"}) {
    TPrefs prefs(file, "tosvilqeZZZZ");
    ASSERT_EQ(prefs.GetUserCount(), 2) << file;
    EXPECT_EQ(prefs.GetString("name", "", 0), "Ada");
    const std::string name = prefs.GetString("name", "", 1).str();
    EXPECT_EQ(WholeSaveOf(prefs, 1), name == "Ann" ? 5 : 9) << file;
    levels[name] = prefs.GetInt("levelId", 0, 1);
  }
  EXPECT_EQ(levels, (std::map<std::string, int>{{"Ann", 5}, {"Bob", 9}}));
}

}  // namespace
