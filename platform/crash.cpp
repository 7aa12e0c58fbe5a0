#include "platform/crash.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/log.h"

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kLogLines = 40;
constexpr unsigned kLogTailSeconds = 2;

// Two copies of the report's path: a new path is written into the one the
// handler is not told to read, then made the current one (-1: none yet).
char gReportPaths[2][PATH_MAX + 16];
std::atomic<int> gCurrentPath{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the index");
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

// /proc/self/maps, read inside the handler with plain system calls into
// memory set aside at installation (no allocation after a crash).
constexpr size_t kMapsBytes = 512 * 1024;
constexpr int kMaxMappings = 8192;
char gMaps[kMapsBytes];
struct TMapping {
  uintptr_t start, end, offset;
  bool readable;
  const char* path;  // inside gMaps, NUL-terminated; null for anonymous memory
};
TMapping gMappings[kMaxMappings];
int gMappingCount = 0;

uintptr_t ParseHex(const char*& p) {
  uintptr_t v = 0;
  for (;; ++p) {
    char c = *p;
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (d < 0) return v;
    v = v * 16 + uintptr_t(d);
  }
}

void ReadMappings() {
  gMappingCount = 0;
  int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  size_t size = 0;
  while (size < kMapsBytes - 1) {
    ssize_t n = ::read(fd, gMaps + size, kMapsBytes - 1 - size);
    if (n <= 0) break;
    size += size_t(n);
  }
  ::close(fd);
  gMaps[size] = '\0';
  // Each line: start-end perms offset dev inode [path]
  for (char* line = gMaps; *line && gMappingCount < kMaxMappings;) {
    char* end = line;
    while (*end && *end != '\n') ++end;
    bool more = *end == '\n';
    *end = '\0';
    const char* p = line;
    TMapping m{};
    m.start = ParseHex(p);
    if (*p == '-') ++p;
    m.end = ParseHex(p);
    while (*p == ' ') ++p;
    m.readable = *p == 'r';
    while (*p && *p != ' ') ++p;  // past the permissions
    while (*p == ' ') ++p;
    m.offset = ParseHex(p);
    for (int field = 0; field < 2 && *p; ++field) {  // past dev and inode
      while (*p == ' ') ++p;
      while (*p && *p != ' ') ++p;
    }
    while (*p == ' ') ++p;
    m.path = *p == '/' ? p : nullptr;
    gMappings[gMappingCount++] = m;
    line = more ? end + 1 : end;
  }
}

bool SamePath(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// The module holding `address` and the address as the module's own tools
// (addr2line) see it: relative to where the module was loaded for
// position-independent files, absolute for fixed-address executables.
bool FindModuleAddress(uintptr_t address, const char** path, uintptr_t* inModule) {
  for (int i = 0; i < gMappingCount; ++i) {
    const TMapping& m = gMappings[i];
    if (address < m.start || address >= m.end || !m.path) continue;
    uintptr_t base = m.start - m.offset;
    bool headerReadable = false;
    for (int k = 0; k < gMappingCount; ++k) {  // the mapping with the ELF header
      if (gMappings[k].offset == 0 && gMappings[k].path && SamePath(gMappings[k].path, m.path)) {
        base = gMappings[k].start;
        headerReadable = gMappings[k].readable && gMappings[k].end - gMappings[k].start >= 18;
        break;
      }
    }
    // e_type 2: a fixed-address executable, whose addresses are absolute.
    const unsigned char* header = reinterpret_cast<const unsigned char*>(base);
    bool fixed = headerReadable && header[0] == 0x7F && header[1] == 'E' && header[16] == 2 && header[17] == 0;
    *path = m.path;
    *inModule = fixed ? address : address - base;
    return true;
  }
  return false;
}

uintptr_t FaultingInstruction(void* context) {
  if (!context) return 0;
  const ucontext_t* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  return uintptr_t(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return uintptr_t(uc->uc_mcontext.pc);
#else
  (void)uc;
  return 0;
#endif
}

// One line per frame: "  0x<address in module> <module path>", for addr2line.
// Return addresses point after their call, so one is taken off them; the
// faulting instruction's own address is kept.
void PutModuleLines(int fd, void* const* frames, int n, uintptr_t faulting) {
  ReadMappings();
  Put(fd, "\nFrames for addr2line (address in the module, module):\n");
  for (int i = 0; i < n; ++i) {
    uintptr_t address = reinterpret_cast<uintptr_t>(frames[i]);
    if (address != faulting && address > 0) --address;
    const char* path = nullptr;
    uintptr_t inModule = 0;
    Put(fd, "  0x");
    if (FindModuleAddress(address, &path, &inModule)) {
      PutNumber(fd, inModule, 16);
      Put(fd, " ");
      Put(fd, path);
    } else {
      PutNumber(fd, address, 16);
      Put(fd, " ?");
    }
    Put(fd, "\n");
  }
}

void OnFatalSignal(int sig, siginfo_t* info, void* context) {
  if (gEntered) DieBySignal();  // a fault inside the report itself
  gEntered = 1;
  gSignal = sig;
  const int current = gCurrentPath.load();
  const char* path = current >= 0 ? gReportPaths[current] : "";
  int fd = path[0] ? ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600) : -1;
  if (fd >= 0) {
    Put(fd, "lantern crash report\nSignal: ");
    PutNumber(fd, unsigned(sig), 10);
    Put(fd, " ");
    Put(fd, SignalName(sig));
    Put(fd, "\nAddress: 0x");
    PutNumber(fd, reinterpret_cast<unsigned long long>(info ? info->si_addr : nullptr), 16);
    Put(fd, "\nProcess: ");
    PutNumber(fd, unsigned(::getpid()), 10);
    const uintptr_t faulting = FaultingInstruction(context);
    Put(fd, "\nInstruction: 0x");
    PutNumber(fd, faulting, 16);
    Put(fd, "\n\nBacktrace:\n");
    void* frames[64];
    int n = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, n, fd);
    PutModuleLines(fd, frames, n, faulting);
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

// "<user folder>/<executable's name>-crash.txt" as the settings give the
// user folder now; empty without one.
std::string ReportPathNow() {
  const TString folder = GetUserFolder();
  if (folder.IsEmpty()) return std::string();
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string name = n > 0 ? std::string(exe, size_t(n)) : std::string();
  name = name.substr(name.rfind('/') + 1);
  return folder.str() + (name.empty() ? std::string("lantern") : name) + "-crash.txt";
}

}  // namespace

TString GetCrashReportPath() {
  const int current = gCurrentPath.load();
  return TString(current >= 0 ? std::string(gReportPaths[current]) : ReportPathNow());
}

void InstallCrashReporter() {
  const int current = gCurrentPath.load();
  const std::string path = ReportPathNow();
  if (path.size() < sizeof gReportPaths[0]) {
    const int next = current == 0 ? 1 : 0;
    std::memset(gReportPaths[next], 0, sizeof gReportPaths[next]);
    std::memcpy(gReportPaths[next], path.data(), path.size());
    gCurrentPath.store(path.empty() ? -1 : next);
  } else {
    TraceOut("Crash reports: the user folder's path is too long; no report will be written");
  }
  if (gInstalled) return;
  gInstalled = 1;
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
