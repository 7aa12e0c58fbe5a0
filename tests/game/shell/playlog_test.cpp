// Play statistics: the tester id, the numbers, the file line, and the upload
// against a real HTTP server on 127.0.0.1 run by the test.
#include "game/shell/data/playlog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/settings.h"
#include "tests/game/support/localhttp.h"
#include "tests/support/envguard.h"
#include "tests/support/testsupport.h"

using gametest::TLocalHttpServer;

namespace {

TEST(PlayLogId, OnlyARealLastWordNamesTheTester) {
  EXPECT_EQ(TesterIdFromCommandLine("a b tester7"), "tester7");
  EXPECT_EQ(TesterIdFromCommandLine("tester7"), "tester7");
  EXPECT_EQ(TesterIdFromCommandLine("  a\tb   tester.7_x-y  "), "tester.7_x-y");
  EXPECT_EQ(TesterIdFromCommandLine(""), "");
  EXPECT_EQ(TesterIdFromCommandLine("   "), "");
  // Options are never an id: they would switch on logging and uploads.
  EXPECT_EQ(TesterIdFromCommandLine("-msn"), "");
  EXPECT_EQ(TesterIdFromCommandLine("a --multiple"), "");
  EXPECT_EQ(TesterIdFromCommandLine("-wd=/tmp/x"), "");
  EXPECT_EQ(TesterIdFromCommandLine("options=headless=1,frames=3"), "");
  EXPECT_EQ(TesterIdFromCommandLine("--cheat code7"), "");
  EXPECT_EQ(TesterIdFromCommandLine("-com_interval 50"), "");
  // Shell and URL specials, and overlong words, are refused.
  EXPECT_EQ(TesterIdFromCommandLine("x&calc"), "");
  EXPECT_EQ(TesterIdFromCommandLine("a|b"), "");
  EXPECT_EQ(TesterIdFromCommandLine("t%41"), "");
  EXPECT_EQ(TesterIdFromCommandLine(std::string(99, 'k')), std::string(99, 'k'));
  EXPECT_EQ(TesterIdFromCommandLine(std::string(100, 'k')), "");
  EXPECT_EQ(TesterIdFromCommandLine(std::string(5000, 'k') + " ok"), "ok");
}

class PlayLogTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartPlayLog("lantern options=headless=1 tester7");
    PlayLog::Reset();
    SetSetting("playlogtimeout", "300");
    SetPlayLogUrlOpener([this](const std::string& url) { opened.push_back(url); });
  }
  void TearDown() override {
    FinishPlayLog(0);
    StartPlayLog("");
    SetSetting("playlogserver", "");
    SetSetting("playlogtimeout", "");
    SetPlayLogUrlOpener({});
  }
  // The level of the upload tests: 12.5 s, 4 clicks of which 3 found, 2 hints.
  void PlayLevel() {
    PlayLog::Reset();
    PlayLog::SetLevelName("loc01");
    PlayLog::AddTime(2.5f);
    PlayLog::CountHint();
    PlayLog::NoteFirstHint();
    PlayLog::AddTime(10.0f);
    for (int i = 0; i < 4; ++i) PlayLog::CountClick();
    for (int i = 0; i < 3; ++i) PlayLog::CountFoundClick();
    PlayLog::CountHint();
    PlayLog::NoteFirstHint();
  }
  // Uploads against `base` and pumps until done; returns the attempts made.
  // Records the longest time any one call kept the caller.
  int Upload(const std::string& base) {
    SetSetting("playlogserver", TString(base));
    auto timed = [this](const auto& call) {
      auto t0 = std::chrono::steady_clock::now();
      bool busy = call();
      longestCall = std::max(longestCall, std::chrono::steady_clock::now() - t0);
      return busy;
    };
    timed([] {
      UploadPlayLog();
      return true;
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (timed([] { return PumpPlayLogUpload(); }) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_FALSE(PumpPlayLogUpload()) << "the upload did not end";
    return GetLastPlayLogAttempts();
  }
  std::string FileText() { return testing_support::ReadFile(dir.Path() + "/home/Documents/playlogtester7.txt"); }

  testing_support::TempDir dir;
  testing_support::XdgEnvGuard env{dir.Path()};
  std::vector<std::string> opened;
  std::chrono::steady_clock::duration longestCall{};
};

const char* kLine =
    "LevelName=loc01\tTimeLevelPlay     12.50\tavgTimeBetweenClicks      3.12\tNumberOfClicksGameField4"
    "\tRatioSuccessfulClicks     75.00 %\tTimeUntilFirstHintUsed      2.50\tTotalHintsUsed2"
    "\tavgTimeBetweenItemsFound      4.17\t\n";

TEST_F(PlayLogTest, RatioIsAnIntegerPercentAndNoClicksGiveZeroAverages) {
  PlayLog::SetLevelName("x");
  for (int i = 0; i < 3; ++i) PlayLog::CountClick();
  for (int i = 0; i < 2; ++i) PlayLog::CountFoundClick();
  PlayLog::AddTime(3.0f);
  PlayLog::ComputeAverages();
  auto fields = PlayLog::FormFields();
  EXPECT_EQ(fields[5].second, "     66.00 %");
  EXPECT_EQ(fields[3].second, "      1.00");
  EXPECT_EQ(fields[8].second, "      1.50");

  PlayLog::Reset();
  PlayLog::AddTime(5.0f);
  PlayLog::ComputeAverages();
  fields = PlayLog::FormFields();
  EXPECT_EQ(fields[3].second, "      0.00");
  EXPECT_EQ(fields[5].second, "      0.00 %");
  EXPECT_EQ(fields[8].second, "      0.00");
  EXPECT_EQ(PlayLog::Get().testerId, "tester7");  // a reset keeps the tester
}

TEST_F(PlayLogTest, OnlyTheFirstHintNotesItsTime) {
  PlayLog::AddTime(1.25f);
  PlayLog::CountHint();
  PlayLog::NoteFirstHint();
  PlayLog::AddTime(4.0f);
  PlayLog::CountHint();
  PlayLog::NoteFirstHint();
  EXPECT_FLOAT_EQ(PlayLog::Get().timeUntilFirstHint, 1.25f);
  EXPECT_EQ(PlayLog::Get().hintsUsed, 2);
}

TEST_F(PlayLogTest, FileLineHasTheFieldsTabsAndTrailingTab) {
  PlayLevel();
  PlayLog::ComputeAverages();
  EXPECT_EQ(PlayLog::FileLine(), kLine);
  PlayLog::SetLevelName("a\tb\nc");  // a name cannot break the line apart
  EXPECT_EQ(PlayLog::FileLine().substr(0, 16), "LevelName=a b c\t");
}

TEST_F(PlayLogTest, SuccessAtOnceIsOneAttemptWithTheExactForm) {
  TLocalHttpServer server({TLocalHttpServer::kSuccess});
  PlayLevel();
  PlayLog::SetLevelName("loc 01%");
  EXPECT_EQ(Upload(server.BaseUrl() + "/"), 1);
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string request = server.Requests()[0];
  EXPECT_EQ(request.rfind("POST /playlog.php HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
  EXPECT_EQ(TLocalHttpServer::Body(request),
            "license=tester7&LevelName=loc%2001%25&TimeLevelPlay=%20%20%20%20%2012.50"
            "&avgTimeBetweenClicks=%20%20%20%20%20%203.12&NumberOfClicksGameField=4"
            "&RatioSuccessfulClicks=%20%20%20%20%2075.00%20%25&TimeUntilFirstHintUsed=%20%20%20%20%20%202.50"
            "&TotalHintsUsed=2&avgTimeBetweenItemsFound=%20%20%20%20%20%204.17");
  EXPECT_EQ(FileText(), std::string(kLine).replace(10, 5, "loc 01%"));
  EXPECT_LT(longestCall, std::chrono::milliseconds(100));
}

TEST_F(PlayLogTest, EveryFailureIsTriedThreeTimesAndStillWritesTheLine) {
  struct Case {
    const char* what;
    std::vector<TLocalHttpServer::Reply> script;
    int attempts;
  };
  const Case cases[] = {
      {"refusal", {TLocalHttpServer::kRefusal}, 3},
      {"error status", {TLocalHttpServer::kServerError}, 3},
      {"never answers", {TLocalHttpServer::kNeverAnswer}, 3},
      {"closed socket", {TLocalHttpServer::kCloseSocket}, 3},
      {"success on the second try", {TLocalHttpServer::kServerError, TLocalHttpServer::kSuccess}, 2},
  };
  std::string lines;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TLocalHttpServer server(c.script);
    PlayLevel();
    EXPECT_EQ(Upload(server.BaseUrl()), c.attempts);
    EXPECT_EQ(server.Connections(), c.attempts);
    lines += kLine;
    EXPECT_EQ(FileText(), lines);
  }
  // Nothing listening: refused at once, three times, no hang.
  PlayLevel();
  EXPECT_EQ(Upload(TLocalHttpServer::RefusingUrl()), 3);
  EXPECT_EQ(FileText(), lines + kLine);
  // The caller was never held longer than the first poll step.
  EXPECT_LT(longestCall, std::chrono::milliseconds(100));
}

TEST_F(PlayLogTest, UploadsStartedTogetherRunOneAfterTheOther) {
  TLocalHttpServer server({TLocalHttpServer::kSuccess});
  SetSetting("playlogserver", TString(server.BaseUrl()));
  PlayLevel();
  UploadPlayLog();
  PlayLog::SetLevelName("loc02");
  UploadPlayLog();
  FinishPlayLog(20000);
  EXPECT_EQ(server.Connections(), 2);
  EXPECT_EQ(FileText(), kLine + std::string(kLine).replace(10, 5, "loc02"));
}

TEST_F(PlayLogTest, FinishCancelsAHangingUploadAndKeepsTheLine) {
  TLocalHttpServer server({TLocalHttpServer::kNeverAnswer});
  SetSetting("playlogtimeout", "60000");
  SetSetting("playlogserver", TString(server.BaseUrl()));
  PlayLevel();
  UploadPlayLog();
  auto t0 = std::chrono::steady_clock::now();
  FinishPlayLog(200);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
  EXPECT_EQ(FileText(), kLine);
  EXPECT_FALSE(PumpPlayLogUpload());
}

TEST_F(PlayLogTest, NoIdMeansNoConnectionNoFileNoBrowser) {
  TLocalHttpServer server({TLocalHttpServer::kSuccess});
  StartPlayLog("lantern --multiple");
  SetSetting("playlogserver", TString(server.BaseUrl()));
  PlayLevel();
  UploadPlayLog();
  FinishPlayLog(300);
  OpenGameOverPage();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(server.Connections(), 0);
  EXPECT_FALSE(testing_support::FileExists(dir.Path() + "/home/Documents"));
  EXPECT_TRUE(opened.empty());
}

TEST_F(PlayLogTest, WithoutAServerOnlyTheFileIsWritten) {
  PlayLevel();
  UploadPlayLog();
  EXPECT_FALSE(PumpPlayLogUpload());
  EXPECT_EQ(FileText(), kLine);
  OpenGameOverPage();
  EXPECT_TRUE(opened.empty());
  SetSetting("playlogserver", "file:///etc/passwd");  // not a web address: treated as none
  UploadPlayLog();
  EXPECT_FALSE(PumpPlayLogUpload());
  EXPECT_EQ(FileText(), std::string(kLine) + kLine);
}

TEST_F(PlayLogTest, TheDocumentsFolderComesFromTheUserDirsFile) {
  testing_support::TempDir docs;
  dir.Write("config/user-dirs.dirs", "# written by a tool\nXDG_DOCUMENTS_DIR=\"" + docs.Path() + "/My \\\"Docs\\\"\"\n");
  PlayLevel();
  UploadPlayLog();
  EXPECT_EQ(testing_support::ReadFile(docs.Path() + "/My \"Docs\"/playlogtester7.txt"), kLine);
}

TEST_F(PlayLogTest, GameOverPageOpensThroughTheOpenerWithTheEncodedId) {
  SetSetting("playlogserver", "http://127.0.0.1:9/tests/");
  OpenGameOverPage();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "http://127.0.0.1:9/tests/gameOver.php?license=tester7");
}

}  // namespace
