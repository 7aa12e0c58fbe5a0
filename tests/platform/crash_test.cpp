// The crash reporter: a child process crashes on purpose; the report file
// names the signal and holds a backtrace and the last log lines, and the
// child still dies by the signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "platform/crash.h"
#include "platform/log.h"
#include "tests/support/testsupport.h"

// Outside the anonymous namespace, so the backtrace can name it.
int CrashChild(void (*crash)()) {
  pid_t child = fork();
  if (child == 0) {
    InstallCrashReporter();
    TraceOut("last words before the crash");
    crash();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

namespace {

void BadWrite() { *reinterpret_cast<volatile int*>(uintptr_t(64)) = 1; }
void Abort() { std::abort(); }

TEST(Crash, ReportIsWrittenAndTheProcessDiesByTheSignal) {
  const std::string report = GetCrashReportPath().str();
  ASSERT_NE(report.find("-crash.txt"), std::string::npos);
  struct Case {
    void (*crash)();
    int signal;
    const char* name;
  } cases[] = {{BadWrite, SIGSEGV, "Signal: 11 SIGSEGV"}, {Abort, SIGABRT, "Signal: 6 SIGABRT"}};
  for (const Case& c : cases) {
    std::remove(report.c_str());
    int status = CrashChild(c.crash);
    ASSERT_TRUE(WIFSIGNALED(status)) << c.name;
    EXPECT_EQ(WTERMSIG(status), c.signal);
    std::string text = testing_support::ReadFile(report);
    EXPECT_NE(text.find(c.name), std::string::npos) << text;
    EXPECT_NE(text.find("Backtrace:\n"), std::string::npos);
    EXPECT_NE(text.find("CrashChild"), std::string::npos) << text;  // a frame of the crashing code
    EXPECT_NE(text.find("last words before the crash"), std::string::npos);
  }
  std::remove(report.c_str());
}

}  // namespace
