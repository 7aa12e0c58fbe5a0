#include <gtest/gtest.h>

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

TEST(LogCapture, SeesExactTextsWithoutThePrefix) {
  TLogCapture capture;
  TraceOut("Failed to run script %s: %d", "a.lua", 2);
  EXPECT_TRUE(capture.Contains("Failed to run script a.lua: 2"));
  EXPECT_EQ(capture.Lines().back(), "Failed to run script a.lua: 2");
  EXPECT_EQ(GetRecentLogLines(1).size(), 1u);
}
}  // namespace
