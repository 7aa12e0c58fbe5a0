// The preferences store: round trips through the real file, user deletion,
// GetData's results, damaged files and wrong keys, and saves killed half way.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "platform/folders.h"
#include "platform/log.h"
#include "platform/prefs.h"
#include "platform/settings.h"
#include "tests/support/testsupport.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

class Prefs : public ::testing::Test {
protected:
  void SetUp() override {
    SetSetting("userfolder", TString(dir_.Path()));
    SetSetting("encryptionkey", "abcdefghWXYZ");
    RefreshFileLayer();
  }
  void TearDown() override {
    SetSetting("userfolder", "");
    SetSetting("encryptionkey", "");
  }
  std::string Path(const char* name) const { return dir_.File(name); }
  TempDir dir_;
};

TEST_F(Prefs, RoundTripThroughTheFileWithUsersShifting) {
  {
    TPrefs prefs;
    EXPECT_EQ(prefs.GetOrigin(), TPrefs::kNoFile);
    EXPECT_EQ(prefs.GetUserCount(), 0);
    EXPECT_TRUE(prefs.SetInt("curuser", 2));
    for (int u = 0; u < 3; ++u) prefs.SetString("name", TString::Printf("player %d", u), u);
    prefs.SetInt("soundlevel", -750, 1);
    const uint8_t blob[] = {0, 1, 2, 255, 0, 7};
    prefs.SetData("LocInfoPass", blob, sizeof blob, 2);
    prefs.SetString("text", "a <b> & \"c\"\n", -1);
    EXPECT_TRUE(prefs.SetInt("fullscreen", 0, -1, 1));  // the save request writes it
  }
  EXPECT_EQ(ReadFile(Path("prefs.dat")).compare(0, 4, "KPRF"), 0);
  EXPECT_EQ(ReadFile(Path("prefs.dat")).find("player"), std::string::npos);  // enciphered

  TPrefs prefs;
  EXPECT_EQ(prefs.GetOrigin(), TPrefs::kMainFile);
  ASSERT_EQ(prefs.GetUserCount(), 3);
  EXPECT_EQ(prefs.GetInt("curuser", -1), 2);
  EXPECT_EQ(prefs.GetInt("fullscreen", 1), 0);
  EXPECT_EQ(prefs.GetInt("soundlevel", 0, 1), -750);
  EXPECT_EQ(prefs.GetString("text", ""), "a <b> & \"c\"\n");
  EXPECT_EQ(prefs.GetInt("missing", 42, 1), 42);
  EXPECT_EQ(prefs.GetInt("soundlevel", 5, 7), 5);  // no such user

  EXPECT_TRUE(prefs.DeleteUser(1));
  EXPECT_FALSE(prefs.DeleteUser(2));
  EXPECT_FALSE(prefs.DeleteUser(-1));
  ASSERT_EQ(prefs.GetUserCount(), 2);
  EXPECT_EQ(prefs.GetString("name", "", 0), "player 0");
  EXPECT_EQ(prefs.GetString("name", "", 1), "player 2");
  uint8_t buf[6];
  EXPECT_EQ(prefs.GetData("LocInfoPass", buf, sizeof buf, 1), 0);
  EXPECT_EQ(buf[3], 255);
  EXPECT_TRUE(prefs.Save());
  TPrefs again;
  EXPECT_EQ(again.GetUserCount(), 2);
  EXPECT_EQ(again.GetString("name", "", 1), "player 2");
  EXPECT_EQ(again.GetData().installKey, prefs.GetData().installKey);
}

TEST_F(Prefs, GetDataCodesAndUserIndices) {
  TPrefs prefs;
  const char bytes[10] = "123456789";
  EXPECT_TRUE(prefs.SetData("blob", bytes, 10, 4));  // creates users 0 to 4
  EXPECT_EQ(prefs.GetUserCount(), 5);
  char small[4], big[16];
  int length = -5;
  EXPECT_EQ(prefs.GetData("blob", small, sizeof small, 4, &length), 10);  // too small: the size, nothing copied
  EXPECT_EQ(length, 10);
  EXPECT_EQ(prefs.GetData("blob", big, sizeof big, 4, &length), 0);
  EXPECT_STREQ(big, "123456789");
  EXPECT_EQ(prefs.GetData("absent", big, sizeof big, 4), -1);
  EXPECT_EQ(prefs.GetData("blob", big, sizeof big, 3), -1);
  EXPECT_EQ(prefs.GetData("blob", big, sizeof big, 99), -1);
  EXPECT_TRUE(prefs.SetData("empty", nullptr, 0, 0));
  EXPECT_EQ(prefs.GetData("empty", big, 0, 0, &length), 0);
  EXPECT_EQ(length, 0);
  TLogCapture log;
  EXPECT_FALSE(prefs.SetInt("x", 1, -2));
  EXPECT_FALSE(prefs.SetInt("x", 1, kPrefsMaxUsers));
  EXPECT_EQ(log.Count("refused to store"), 2u);
}

// A pair whose value is empty ends exactly where its key ends: the file holding
// it must still be read, not set aside as damaged.
TEST_F(Prefs, EmptyStringAndEmptyDataAreSavedReadBackAndTheFileAccepted) {
  {
    TPrefs prefs;
    EXPECT_TRUE(prefs.SetString("nickname", "", -1));
    EXPECT_TRUE(prefs.SetString("e", "", 0));  // a one-byte key, nothing after it
    EXPECT_TRUE(prefs.SetData("LocInfoPass", nullptr, 0, 0));
    EXPECT_TRUE(prefs.SetString("f", "x", 0));  // one byte past the key: the other side
    EXPECT_TRUE(prefs.Save());
  }
  TLogCapture log;
  TPrefs prefs;
  EXPECT_EQ(prefs.GetOrigin(), TPrefs::kMainFile);
  EXPECT_FALSE(log.Contains("damaged"));
  EXPECT_FALSE(testing_support::FileExists(Path("prefs.dat.damaged")));
  EXPECT_EQ(prefs.GetString("nickname", "absent"), "");
  EXPECT_EQ(prefs.GetString("e", "absent", 0), "");
  EXPECT_EQ(prefs.GetString("f", "absent", 0), "x");
  int length = -1;
  char buffer[4];
  EXPECT_EQ(prefs.GetData("LocInfoPass", buffer, sizeof buffer, 0, &length), 0);
  EXPECT_EQ(length, 0);
  EXPECT_TRUE(prefs.GetData().users.at(0).at("LocInfoPass").binary);
  EXPECT_FALSE(prefs.GetData().users.at(0).at("e").binary);

  // The same values through the plain-XML form.
  TPrefsData back;
  ASSERT_TRUE(ParsePrefsXml(PrefsToXml(prefs.GetData()), back));
  EXPECT_EQ(back.global.at("nickname").bytes, "");
  EXPECT_TRUE(back.users.at(0).at("LocInfoPass").binary);
  EXPECT_EQ(back.users.at(0).at("LocInfoPass").bytes, "");
}

TEST_F(Prefs, DamagedFileFallsBackToTheBackupAndIsKept) {
  {
    TPrefs prefs;
    prefs.SetString("name", "old", 0, 1);
    prefs.SetString("name", "new", 0, 1);  // the first file is now the backup
  }
  std::string good = ReadFile(Path("prefs.dat"));
  std::string damaged = good;
  damaged[damaged.size() - 3] ^= 0x55;
  dir_.Write("prefs.dat", damaged);
  TLogCapture log;
  TPrefs prefs;
  EXPECT_EQ(prefs.GetOrigin(), TPrefs::kBackupFile);
  EXPECT_EQ(prefs.GetString("name", "", 0), "old");
  EXPECT_TRUE(log.Contains("prefs.dat is damaged (wrong key or damaged contents); kept as user:prefs.dat.damaged"));
  EXPECT_EQ(ReadFile(Path("prefs.dat.damaged")), damaged);
  EXPECT_FALSE(testing_support::FileExists(Path("prefs.dat")));

  // The next save must not overwrite the good backup with anything damaged.
  EXPECT_TRUE(prefs.SetString("name", "newest", 0, 1));
  EXPECT_EQ(TPrefs().GetString("name", "", 0), "newest");
}

TEST_F(Prefs, WrongKeyOrGarbageGivesAnEmptyStoreWithoutLosingTheFile) {
  {
    TPrefs prefs;
    prefs.SetString("name", "ann", 0, 1);
  }
  std::remove(Path("prefs.dat.bak").c_str());
  std::string original = ReadFile(Path("prefs.dat"));
  SetSetting("encryptionkey", "anotherKEY!!");
  {
    TLogCapture log;
    TPrefs prefs;
    EXPECT_EQ(prefs.GetOrigin(), TPrefs::kDamagedStartedEmpty);
    EXPECT_EQ(prefs.GetUserCount(), 0);
    EXPECT_TRUE(log.Contains("starting with empty preferences"));
  }
  EXPECT_EQ(ReadFile(Path("prefs.dat.damaged")), original);
  SetSetting("encryptionkey", "abcdefghWXYZ");
  TPrefsData data;
  EXPECT_TRUE(ParsePrefs(reinterpret_cast<const uint8_t*>(original.data()), original.size(), "abcdefghWXYZ", data));

  // Truncations and garbage of every length are refused, never crash.
  for (size_t n = 0; n < original.size(); ++n) {
    TString why;
    EXPECT_FALSE(ParsePrefs(reinterpret_cast<const uint8_t*>(original.data()), n, "abcdefghWXYZ", data, &why)) << n;
  }
  // Damage only the checksum sees: the stored checksum itself (byte 12), and
  // the first enciphered block (byte 24) with the padding's last block whole.
  ASSERT_GE(original.size(), 24u + 3 * 8);
  for (size_t at : {12u, 24u}) {
    std::string damaged = original;
    damaged[at] ^= 0x01;
    TString why;
    EXPECT_FALSE(ParsePrefs(reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size(), "abcdefghWXYZ", data,
                            &why)) << at;
    EXPECT_EQ(why, "wrong key or damaged contents") << at;
  }
  dir_.Write("prefs.dat", std::string(5000, '\xAB'));
  TPrefs garbage;
  EXPECT_EQ(garbage.GetOrigin(), TPrefs::kDamagedStartedEmpty);
  EXPECT_TRUE(testing_support::FileExists(Path("prefs.dat.damaged.1")));
}

// A changed key makes the file and its backup both look damaged: both are set
// aside, and saves made afterwards replace neither.
TEST_F(Prefs, AnUnreadableBackupIsSetAsideTooAndNoSaveReplacesIt) {
  {
    TPrefs prefs;
    prefs.SetString("name", "ann", 0, 1);
    prefs.SetString("name", "bea", 0, 1);  // "ann" is the backup now
  }
  const std::string main = ReadFile(Path("prefs.dat")), backup = ReadFile(Path("prefs.dat.bak"));
  SetSetting("encryptionkey", "anotherKEY!!");
  {
    TLogCapture log;
    TPrefs prefs;
    EXPECT_EQ(prefs.GetOrigin(), TPrefs::kDamagedStartedEmpty);
    EXPECT_TRUE(log.Contains("the backup user:prefs.dat.bak is damaged too (wrong key or damaged contents); kept as "
                             "user:prefs.dat.bak.damaged"));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(prefs.SetString("name", "cy", 0, 1));
  }
  EXPECT_EQ(ReadFile(Path("prefs.dat.damaged")), main);
  EXPECT_EQ(ReadFile(Path("prefs.dat.bak.damaged")), backup);
  // With the old key back, both old files still read.
  SetSetting("encryptionkey", "abcdefghWXYZ");
  EXPECT_EQ(TPrefs("user:prefs.dat.bak.damaged", "abcdefghWXYZ").GetString("name", "", 0), "ann");
  EXPECT_EQ(TPrefs("user:prefs.dat.damaged", "abcdefghWXYZ").GetString("name", "", 0), "bea");
}

TEST_F(Prefs, PlainXmlFormIsRead) {
  dir_.Write("prefs.dat",
             "<?xml version=\"1.0\"?>\n<prefs><installkey>k1</installkey>"
             "<value name=\"curuser\">0</value>"
             "<user><value name=\"name\">Bob &amp; Co</value>"
             "<value name=\"LocInfoPass\" type=\"data\">00ff10</value></user></prefs>");
  TPrefs prefs;
  EXPECT_EQ(prefs.GetOrigin(), TPrefs::kMainFile);
  EXPECT_EQ(prefs.GetInt("curuser", -1), 0);
  EXPECT_EQ(prefs.GetString("name", "", 0), "Bob & Co");
  uint8_t buf[3];
  ASSERT_EQ(prefs.GetData("LocInfoPass", buf, 3, 0), 0);
  EXPECT_EQ(buf[1], 0xFF);
  TPrefsData back;
  ASSERT_TRUE(ParsePrefsXml(PrefsToXml(prefs.GetData()), back));
  EXPECT_EQ(back.users.at(0).at("LocInfoPass").bytes, std::string("\0\xff\x10", 3));
  EXPECT_EQ(back.installKey, "k1");
  EXPECT_FALSE(ParsePrefsXml("<prefs><value name=\"x\" type=\"data\">zz</value></prefs>", back));
  // Unchanged, it is still written in the enciphered form at the next save.
  ASSERT_TRUE(prefs.Save());
  EXPECT_EQ(ReadFile(Path("prefs.dat")).compare(0, 4, "KPRF"), 0);
  EXPECT_EQ(TPrefs().GetString("name", "", 0), "Bob & Co");
}

TEST_F(Prefs, FailedWriteIsReportedAndLogged) {
  dir_.Write("prefs.dat/blocker", "a folder where the file should go");
  TLogCapture log;
  TPrefs prefs;
  EXPECT_FALSE(prefs.SetInt("curuser", 1, -1, 1));
  EXPECT_TRUE(log.Contains("Prefs: saving user:prefs.dat failed"));
  EXPECT_EQ(prefs.GetInt("curuser", -1), 1);  // kept in memory

  // Contents the reader would refuse are never written: up to the reader's
  // limit exactly the file is written and read back; one byte more and the
  // last file stays.
  TPrefs big("user:big.dat", "k");
  ASSERT_TRUE(big.SetData("blob", "", 0, 0, 1));
  auto plainSize = [&] {
    std::vector<uint8_t> bytes = SerializePrefs(big.GetData(), "k");
    return size_t(bytes[8]) | size_t(bytes[9]) << 8 | size_t(bytes[10]) << 16 | size_t(bytes[11]) << 24;
  };
  std::string value(kPrefsMaxPlainSize - plainSize(), 'v');
  ASSERT_TRUE(big.SetData("blob", value.data(), int(value.size()), 0, 1));
  ASSERT_EQ(plainSize(), kPrefsMaxPlainSize);
  const std::string written = ReadFile(Path("big.dat"));
  EXPECT_EQ(TPrefs("user:big.dat", "k").GetData("blob", nullptr, 0, 0), int(value.size()));
  value += 'v';
  EXPECT_FALSE(big.SetData("blob", value.data(), int(value.size()), 0, 1));
  EXPECT_TRUE(log.Contains("Prefs: saving user:big.dat failed (larger than the limit)"));
  EXPECT_EQ(ReadFile(Path("big.dat")), written);
}

// Four processes save the same file at once, many times: every save succeeds,
// the file left is whole, and no temporary file stays behind.
TEST_F(Prefs, ProcessesSavingAtOnceAllSucceed) {
  constexpr int kProcesses = 4, kSaves = 60;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TPrefs prefs;
      int failures = 0;
      for (int i = 1; i <= kSaves; ++i) {
        std::string blob(size_t(20000 + i * 37), char('a' + p));
        prefs.SetData("blob", blob.data(), int(blob.size()), 0);
        if (!prefs.SetInt("writer" + std::to_string(p), i, -1, 1)) ++failures;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
  }
  TLogCapture log;
  TPrefs prefs;
  EXPECT_EQ(prefs.GetOrigin(), TPrefs::kMainFile);
  EXPECT_FALSE(log.Contains("damaged"));
  // Each process's last write of its own key is in the file it left.
  int writers = 0;
  for (int p = 0; p < kProcesses; ++p) writers += prefs.GetInt("writer" + std::to_string(p), 0) > 0;
  EXPECT_GE(writers, 1);
  char buf[32000];
  int length = 0;
  ASSERT_EQ(prefs.GetData("blob", buf, sizeof buf, 0, &length), 0);
  EXPECT_EQ(length, 20000 + kSaves * 37);
  for (const char* leftover : {"prefs.dat.tmp", "prefs.dat.bak."}) {
    DIR* d = opendir(dir_.Path().c_str());
    ASSERT_NE(d, nullptr);
    while (dirent* e = readdir(d)) EXPECT_NE(std::string(e->d_name).rfind(leftover, 0), 0u) << e->d_name;
    closedir(d);
  }
}

// Two stores on one file, as two copies of the game on one user folder: the
// one that saves second finds the file changed since it read it, leaves it,
// and keeps its own content beside it, then and at every later save.
TEST_F(Prefs, ASaveThatFindsTheFileChangedKeepsBothFiles) {
  {
    TPrefs prefs;
    prefs.SetString("name", "Ada", 0, 1);
  }
  TPrefs first, second;
  ASSERT_TRUE(first.SetString("name", "Ann", 1, 1));
  const std::string firstSaved = ReadFile(Path("prefs.dat"));
  TLogCapture log;
  ASSERT_TRUE(second.SetString("name", "Bob", 1, 1));
  EXPECT_EQ(ReadFile(Path("prefs.dat")), firstSaved);
  EXPECT_TRUE(log.Contains("Prefs: user:prefs.dat was changed by another copy of the game since it was read; it is "
                           "left as it is, and this copy's preferences"));
  EXPECT_TRUE(log.Contains("are kept as user:prefs.dat.conflict"));
  ASSERT_TRUE(second.SetInt("level", 7, 1, 1));
  ASSERT_TRUE(first.SetInt("level", 3, 1, 1));  // the first copy goes on saving to the main file
  EXPECT_EQ(TPrefs().GetString("name", "", 1), "Ann");
  EXPECT_EQ(TPrefs().GetInt("level", 0, 1), 3);
  TPrefs kept("user:prefs.dat.conflict", "abcdefghWXYZ");
  EXPECT_EQ(kept.GetString("name", "", 0), "Ada");
  EXPECT_EQ(kept.GetString("name", "", 1), "Bob");
  EXPECT_EQ(kept.GetInt("level", 0, 1), 7);
  // A third copy on the changed file gets a file of its own too.
  TPrefs third;
  ASSERT_TRUE(first.SetInt("level", 4, 1, 1));
  ASSERT_TRUE(third.SetString("name", "Cy", 1, 1));
  EXPECT_EQ(TPrefs("user:prefs.dat.conflict.1", "abcdefghWXYZ").GetString("name", "", 1), "Cy");
  EXPECT_EQ(TPrefs().GetInt("level", 0, 1), 4);
}

// Whether the file changed is told by its content. A save of what the store
// read writes nothing (not even a backup); another copy that saved the same
// content again (other bytes: a new initial vector) changed nothing, so the
// next save of a change goes into the file itself; one that saved just what
// this store holds leaves nothing to write. Conflict files found when a store
// is loaded are listed and logged.
TEST_F(Prefs, WhetherTheFileChangedIsToldByItsContent) {
  {
    TPrefs prefs;
    prefs.SetString("name", "Ada", 0, 1);
  }
  const std::string saved = ReadFile(Path("prefs.dat"));
  TPrefs idle, played;
  ASSERT_TRUE(idle.SetString("name", "Ada", 0, 1));
  ASSERT_TRUE(idle.Save());
  EXPECT_EQ(ReadFile(Path("prefs.dat")), saved);
  EXPECT_FALSE(testing_support::FileExists(Path("prefs.dat.bak")));
  // The same content in other bytes.
  const std::vector<uint8_t> again = SerializePrefs(idle.GetData(), "abcdefghWXYZ");
  dir_.Write("prefs.dat", std::string(again.begin(), again.end()));
  ASSERT_NE(ReadFile(Path("prefs.dat")), saved);
  ASSERT_TRUE(played.SetInt("level", 2, 0, 1));
  EXPECT_EQ(TPrefs().GetInt("level", 0, 0), 2);
  // Another copy saves just what this one is about to save.
  TPrefs other;
  ASSERT_TRUE(other.SetInt("level", 3, 0, 1));
  const std::string byOther = ReadFile(Path("prefs.dat"));
  ASSERT_TRUE(played.SetInt("level", 3, 0, 1));
  EXPECT_EQ(ReadFile(Path("prefs.dat")), byOther);
  ASSERT_TRUE(played.SetInt("level", 4, 0, 1));
  EXPECT_EQ(TPrefs().GetInt("level", 0, 0), 4);
  EXPECT_FALSE(testing_support::FileExists(Path("prefs.dat.conflict")));
  // Another content: a conflict.
  TLogCapture log;
  ASSERT_TRUE(other.SetInt("level", 5, 0, 1));
  EXPECT_EQ(TPrefs().GetInt("level", 0, 0), 4);
  EXPECT_EQ(TPrefs("user:prefs.dat.conflict", "abcdefghWXYZ").GetInt("level", 0, 0), 5);
  dir_.Write("prefs.dat.conflict.12", "kept");
  dir_.Write("prefs.dat.conflicts", "not one");
  dir_.Write("prefs.dat.conflict.", "not one");
  dir_.Write("prefs.dat.conflict.1x", "not one");
  log.Clear();
  TPrefs next;
  EXPECT_EQ(next.GetConflictFiles(),
            (std::vector<TString>{"user:prefs.dat.conflict", "user:prefs.dat.conflict.12"}));
  EXPECT_EQ(log.Count("Prefs: user:prefs.dat.conflict"), 2u);
  EXPECT_TRUE(log.Contains("Prefs: user:prefs.dat.conflict holds the preferences a copy of the game kept aside when "
                           "another copy had changed user:prefs.dat; it is kept as it is, and the game goes on from "
                           "user:prefs.dat"));
  EXPECT_TRUE(idle.GetConflictFiles().empty());
}

// Temporary files left by a killed save are removed by the next save.
TEST_F(Prefs, LeftoversOfAKilledSaveAreRemoved) {
  dir_.Write("prefs.dat.tmp.999999999.00", "half");
  dir_.Write("prefs.dat.bak.999999999.00", "half");
  const std::string live = "prefs.dat.tmp." + std::to_string(getppid()) + ".00";
  dir_.Write(live, "another process is writing");
  TPrefs prefs;
  ASSERT_TRUE(prefs.SetInt("x", 1, -1, 1));
  EXPECT_FALSE(testing_support::FileExists(Path("prefs.dat.tmp.999999999.00")));
  EXPECT_FALSE(testing_support::FileExists(Path("prefs.dat.bak.999999999.00")));
  EXPECT_TRUE(testing_support::FileExists(Path(live.c_str())));
}

// A child process saves in a loop and is killed (SIGKILL) after a random
// number of completed saves; the file left must hold one whole save.
TEST_F(Prefs, SaveKilledHalfWayLeavesOldOrNewContent) {
  std::mt19937 random(1234);
  for (int run = 0; run < 40; ++run) {
    const int before = TPrefs().GetInt("counter", 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipeFds[0]);
      TPrefs prefs;
      int start = prefs.GetInt("counter", 0);
      for (int i = start + 1;; ++i) {
        std::string blob(size_t(1000 + (i % 7) * 3000), char('a' + i % 26));
        prefs.SetData("blob", blob.data(), int(blob.size()), 0);
        prefs.SetInt("counter", i, -1, 1);
        if (write(pipeFds[1], "s", 1) != 1) _exit(1);
      }
    }
    close(pipeFds[1]);
    int wanted = 1 + int(random() % 6), seen = 0;
    char c;
    while (seen < wanted && read(pipeFds[0], &c, 1) == 1) ++seen;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeFds[0]);
    ASSERT_TRUE(WIFSIGNALED(status));

    TPrefs prefs;
    ASSERT_EQ(prefs.GetOrigin(), TPrefs::kMainFile) << "run " << run;
    int counter = prefs.GetInt("counter", 0);
    ASSERT_GE(counter, before + seen);
    char buf[32000];
    int length = 0;
    ASSERT_EQ(prefs.GetData("blob", buf, sizeof buf, 0, &length), 0);
    ASSERT_EQ(length, 1000 + (counter % 7) * 3000);
    ASSERT_EQ(buf[length - 1], char('a' + counter % 26));
  }
}

}  // namespace

namespace {

TEST_F(Prefs, BatchWritesTheFileOnceAtItsEnd) {
  TPrefs prefs;
  {
    TPrefsBatch outer(prefs);
    EXPECT_TRUE(prefs.SetInt("a", 1, 0, 1));
    {
      TPrefsBatch inner(prefs);
      EXPECT_TRUE(prefs.SetString("name", "Ann", 0, 1));
      EXPECT_TRUE(prefs.Save());
    }
    EXPECT_FALSE(testing_support::FileExists(Path("prefs.dat")));  // the inner end does not write
    EXPECT_TRUE(prefs.InBatch());
    EXPECT_TRUE(outer.Commit());
    EXPECT_FALSE(prefs.InBatch());
    EXPECT_TRUE(testing_support::FileExists(Path("prefs.dat")));
  }
  TPrefs again;
  EXPECT_EQ(again.GetInt("a", 0, 0), 1);
  EXPECT_EQ(again.GetString("name", "", 0), "Ann");
  // A batch without a save request writes nothing.
  std::string before = ReadFile(Path("prefs.dat"));
  {
    TPrefsBatch quiet(again);
    again.SetInt("b", 2, 0);
  }
  EXPECT_EQ(ReadFile(Path("prefs.dat")), before);
  EXPECT_TRUE(again.EndBatch());  // an unmatched end is harmless
}

}  // namespace
