#include "platform/crash.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/log.h"

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kLogLines = 40;
constexpr unsigned kLogTailSeconds = 2;

char gReportPath[PATH_MAX + 16];
volatile sig_atomic_t gInstalled = 0;
volatile sig_atomic_t gSignal = 0;
volatile sig_atomic_t gEntered = 0;

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGABRT: return "SIGABRT (abort)";
    default: return "signal";
  }
}

// Async-signal-safe writing helpers.
void Put(int fd, const char* text) {
  size_t n = std::strlen(text);
  while (n > 0) {
    ssize_t w = ::write(fd, text, n);
    if (w <= 0) return;
    text += w;
    n -= size_t(w);
  }
}

void PutNumber(int fd, unsigned long long value, int base) {
  char buf[32];
  int i = sizeof buf - 1;
  buf[i] = '\0';
  do {
    buf[--i] = "0123456789abcdef"[value % unsigned(base)];
    value /= unsigned(base);
  } while (value && i > 0);
  Put(fd, buf + i);
}

// Dies by the original signal, from wherever the report got stuck.
void DieBySignal() {
  int sig = gSignal ? int(gSignal) : SIGABRT;
  ::signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);
}

void OnAlarm(int) { DieBySignal(); }

void OnFatalSignal(int sig, siginfo_t* info, void*) {
  if (gEntered) DieBySignal();  // a fault inside the report itself
  gEntered = 1;
  gSignal = sig;
  int fd = ::open(gReportPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) {
    Put(fd, "lantern crash report\nSignal: ");
    PutNumber(fd, unsigned(sig), 10);
    Put(fd, " ");
    Put(fd, SignalName(sig));
    Put(fd, "\nAddress: 0x");
    PutNumber(fd, reinterpret_cast<unsigned long long>(info ? info->si_addr : nullptr), 16);
    Put(fd, "\nProcess: ");
    PutNumber(fd, unsigned(::getpid()), 10);
    Put(fd, "\n\nBacktrace:\n");
    void* frames[64];
    int n = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, n, fd);
    // The log tail allocates and takes the log's lock, which the crashed
    // code may hold: it comes last, under an alarm that ends the process.
    ::signal(SIGALRM, OnAlarm);
    ::alarm(kLogTailSeconds);
    Put(fd, "\nLast log lines:\n");
    std::vector<std::string> lines;
    if (TryGetRecentLogLines(kLogLines, lines)) {
      for (const std::string& line : lines) {
        Put(fd, line.c_str());
        Put(fd, "\n");
      }
    } else {
      Put(fd, "(the log was busy)\n");
    }
    ::alarm(0);
    ::fsync(fd);
    ::close(fd);
  }
  DieBySignal();
}

}  // namespace

TString GetCrashReportPath() {
  if (gReportPath[0]) return TString(gReportPath);
  char exe[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path = n > 0 ? std::string(exe, size_t(n)) : std::string("lantern");
  return TString(path + "-crash.txt");
}

void InstallCrashReporter() {
  if (gInstalled) return;
  gInstalled = 1;
  std::string path = GetCrashReportPath().str();
  std::strncpy(gReportPath, path.c_str(), sizeof gReportPath - 1);
  void* warm[1];
  ::backtrace(warm, 1);  // loads the unwinder now, not inside the handler

  static std::vector<char> altStack(size_t(SIGSTKSZ) * 8 > 65536 ? size_t(SIGSTKSZ) * 8 : 65536);
  stack_t ss{};
  ss.ss_sp = altStack.data();
  ss.ss_size = altStack.size();
  ::sigaltstack(&ss, nullptr);

  struct sigaction sa {};
  sa.sa_sigaction = OnFatalSignal;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : kSignals) ::sigaction(sig, &sa, nullptr);
}
