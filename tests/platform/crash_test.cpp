// The crash reporter: a child process crashes on purpose; the report file
// names the signal and holds a backtrace whose module lines addr2line turns
// into the crashing functions' names (in Release too), and the last log
// lines; the child still dies by the signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/crash.h"
#include "platform/log.h"
#include "tests/support/testsupport.h"

// Outside the anonymous namespace and never inlined, so that it is a frame of its own.
__attribute__((noinline)) int CrashChild(void (*crash)()) {
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
  const std::string report = GetCrashReportPath().str();
  ASSERT_NE(report.find("-crash.txt"), std::string::npos);
  struct Case {
    void (*crash)();
    int signal;
    const char* name;
    const char* function;
  } cases[] = {{BadWrite, SIGSEGV, "Signal: 11 SIGSEGV", "BadWrite()"}, {Abort, SIGABRT, "Signal: 6 SIGABRT", "Abort()"}};
  for (const Case& c : cases) {
    std::remove(report.c_str());
    int status = CrashChild(c.crash);
    ASSERT_TRUE(WIFSIGNALED(status)) << c.name;
    EXPECT_EQ(WTERMSIG(status), c.signal);
    std::string text = testing_support::ReadFile(report);
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
  std::remove(report.c_str());
}

}  // namespace
