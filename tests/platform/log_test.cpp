#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/log.h"
#include "tests/support/testsupport.h"

namespace {
std::string FixedClock() { return "T"; }

struct LogFixture : ::testing::Test {
  testing_support::TempDir dir;
  std::string path;
  void SetUp() override {
    SetLogClock(&FixedClock);
    path = dir.File("logfile.txt");
    ASSERT_TRUE(OpenLogFile(path));  // takes the lines other tests logged so far
    ASSERT_TRUE(OpenLogFile(path));  // and starts empty
  }
  void TearDown() override {
    CloseLogFile();
    SetLogClock(nullptr);
  }
};

TEST_F(LogFixture, EveryLineCarriesTheTimePrefixAndOneNewline) {
  TraceOut("hello %d", 5);
  TraceOut("trailing newline dropped\n");
  EXPECT_EQ(testing_support::ReadFile(path), "T: hello 5\nT: trailing newline dropped\n");
}

TEST_F(LogFixture, LinesLoggedBeforeTheFileOpensAreWrittenWhenItOpens) {
  CloseLogFile();
  TraceOut("early line");
  ASSERT_TRUE(OpenLogFile(path));
  EXPECT_NE(testing_support::ReadFile(path).find("T: early line\n"), std::string::npos);
}

TEST_F(LogFixture, WrapGoesBackTo51200WithTheFramedBanner) {
  // 100-byte lines: "T: " + 96 characters + "\n".
  const std::string body(96, 'x');
  long written = 0;
  while (written <= kLogWrapLimit) {
    TraceOut("%s", body.c_str());
    written += 100;
  }
  TraceOut("after the wrap");
  std::string content = testing_support::ReadFile(path);
  const std::string expected = std::string("\n\n\n\n") + kLogWrapBanner + "\n\n\n\n\n" + "T: after the wrap\n";
  ASSERT_GE(content.size(), size_t(kLogWrapRestart) + expected.size());
  EXPECT_EQ(content.substr(kLogWrapRestart, expected.size()), expected);
  // The file is not cut: older lines after the write point stay.
  EXPECT_EQ(content.size(), size_t(written));
  EXPECT_EQ(content.substr(0, 100), "T: " + body + "\n");
}

// A line far longer than the wrap distance is cut, so the file stays within
// the wrap limit plus one capped line however long the lines are.
TEST_F(LogFixture, LongLinesAreCutSoTheWrapBoundHoldsForAnyLine) {
  std::string huge(300000, 'y');
  huge.replace(kLogMaxLine - 1, 2, "\xc3\xa9");  // a two-byte character across the cut
  for (int i = 0; i < 6; ++i) TraceOut("%s", huge.c_str());
  std::string content = testing_support::ReadFile(path);
  const size_t capped = 3 + kLogMaxLine + 40;  // prefix, text, marker and newline
  EXPECT_LE(content.size(), size_t(kLogWrapLimit) + capped);
  const std::string marker = std::string(kLogCutMarker) + "300000 bytes]\n";
  EXPECT_NE(content.find(std::string(kLogMaxLine - 1, 'y') + marker), std::string::npos);
  EXPECT_NE(content.find(kLogWrapBanner), std::string::npos);

  // Exactly the limit is kept whole; one byte more is cut.
  TLogCapture capture;
  TraceOut("%s", std::string(kLogMaxLine, 'z').c_str());
  TraceOut("%s", std::string(kLogMaxLine + 1, 'z').c_str());
  ASSERT_EQ(capture.Lines().size(), 2u);
  EXPECT_EQ(capture.Lines()[0], std::string(kLogMaxLine, 'z'));
  EXPECT_EQ(capture.Lines()[1], std::string(kLogMaxLine, 'z') + kLogCutMarker + std::to_string(kLogMaxLine + 1) + " bytes]");
}

TEST_F(LogFixture, TwoThreadsNeverInterleaveWithinALine) {
  auto writer = [](char c) {
    std::string body(200, c);
    for (int i = 0; i < 200; ++i) TraceOut("%s", body.c_str());
  };
  std::thread a(writer, 'a'), b(writer, 'b');
  a.join();
  b.join();
  std::string content = testing_support::ReadFile(path);
  size_t start = 0, lines = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line[0] == 'T') {
      ASSERT_EQ(line.size(), 203u);
      EXPECT_EQ(line.substr(3), std::string(200, line[3])) << "mixed line " << lines;
      ++lines;
    }
    start = end + 1;
  }
  EXPECT_GT(lines, 0u);
}

TEST(LogFile, IsNeverOpenedThroughASymbolicLink) {
  testing_support::TempDir dir;
  const std::string target = dir.Write("precious.txt", "keep");
  ASSERT_EQ(symlink(target.c_str(), dir.File("logfile.txt").c_str()), 0);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(OpenLogFile(dir.File("logfile.txt")));
  // Said on standard error, with the reason, as nothing else can tell it.
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "lantern: the log file " + dir.File("logfile.txt") +
                " cannot be written (it is a symbolic link); nothing is logged\n");
  EXPECT_EQ(testing_support::ReadFile(target), "keep");
}

TEST(LogCapture, SeesExactTextsWithoutThePrefix) {
  TLogCapture capture;
  TraceOut("Failed to run script %s: %d", "a.lua", 2);
  EXPECT_TRUE(capture.Contains("Failed to run script a.lua: 2"));
  EXPECT_EQ(capture.Lines().back(), "Failed to run script a.lua: 2");
  EXPECT_EQ(GetRecentLogLines(1).size(), 1u);
}
}  // namespace
