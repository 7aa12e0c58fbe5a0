// The crash reporter: a child process crashes on purpose; the report file,
// in the user folder (never beside the program), names the signal and holds
// a backtrace whose module lines addr2line turns into the crashing
// functions' names (in Release too), and the last log lines; the child
// still dies by the signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/crash.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "tests/support/testsupport.h"

// Outside the anonymous namespace and never inlined, so that it is a frame of
// its own. With `moveTo`, the child's settings name another user folder after
// the reporter is installed, and the program installs it again (as its
// start-up does once the settings are read).
__attribute__((noinline)) int CrashChild(void (*crash)(), const std::string& moveTo) {
  pid_t child = fork();
  if (child == 0) {
    InstallCrashReporter();
    if (!moveTo.empty()) {
      SetSetting("userfolder", moveTo.c_str());
      InstallCrashReporter();
    }
    TraceOut("last words before the crash");
    crash();
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

namespace {

void BadWrite() {
  volatile int* volatile where = reinterpret_cast<volatile int*>(uintptr_t(64));
  *where = 1;
}
void Abort() { std::abort(); }

// What addr2line makes of the report's "address module" lines: the function
// names, one block per frame.
std::string Resolve(const std::string& report) {
  size_t at = report.find("Frames for addr2line (address in the module, module):\n");
  if (at == std::string::npos) return "<no frame lines>";
  std::istringstream lines(report.substr(report.find('\n', at) + 1));
  std::string out, line;
  while (std::getline(lines, line) && line.rfind("  0x", 0) == 0) {
    std::string address = line.substr(2, line.find(' ', 2) - 2), module = line.substr(line.find(' ', 2) + 1);
    if (module == "?") continue;
    std::string command = "addr2line -f -C -e '" + module + "' " + address + " 2>/dev/null";
    if (FILE* p = popen(command.c_str(), "r")) {
      char buf[4096];
      while (fgets(buf, sizeof buf, p)) out += buf;
      pclose(p);
    }
  }
  return out;
}

TEST(Crash, ReportIsWrittenAndTheProcessDiesByTheSignal) {
  testing_support::TempDir first, second;
  SetSetting("userfolder", first.Path().c_str());
  const std::string report = GetCrashReportPath().str();
  EXPECT_EQ(report, first.Path() + "/platform_crash_tests-crash.txt");
  // Beside the program (where an installed game cannot write) nothing is written.
  char exe[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  const std::string beside = std::string(exe) + "-crash.txt";
  std::remove(beside.c_str());
  struct Case {
    void (*crash)();
    int signal;
    const char* name;
    const char* function;
    std::string moveTo;  // the user folder the settings name later, if any
  } cases[] = {{BadWrite, SIGSEGV, "Signal: 11 SIGSEGV", "BadWrite()", ""},
               {Abort, SIGABRT, "Signal: 6 SIGABRT", "Abort()", second.Path()}};
  for (const Case& c : cases) {
    const std::string written = c.moveTo.empty() ? report : c.moveTo + "/platform_crash_tests-crash.txt";
    int status = CrashChild(c.crash, c.moveTo);
    ASSERT_TRUE(WIFSIGNALED(status)) << c.name;
    EXPECT_EQ(WTERMSIG(status), c.signal);
    EXPECT_FALSE(testing_support::FileExists(beside));
    std::string text = testing_support::ReadFile(written);
    EXPECT_NE(text.find(c.name), std::string::npos) << text;
    EXPECT_NE(text.find("Backtrace:\n"), std::string::npos);
    EXPECT_NE(text.find("Instruction: 0x"), std::string::npos);
    EXPECT_NE(text.find("last words before the crash"), std::string::npos);
    // The frame lines resolve to the crashing code's functions, in every build
    // (a Release build exports no names: addr2line reads the module's own table).
    if (system("addr2line --version >/dev/null 2>&1") != 0) continue;
    std::string names = Resolve(text);
    EXPECT_NE(names.find("CrashChild"), std::string::npos) << text << names;
    EXPECT_NE(names.find(c.function), std::string::npos) << text << names;
  }
  SetSetting("userfolder", "");
}

}  // namespace
