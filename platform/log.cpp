#include "platform/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>

#include "platform/string.h"

const char* const kLogWrapBanner = "****************** LOG WRAP AROUND ******************";
const char* const kLogCutMarker = " [line cut: ";

namespace {
struct LogState {
  std::mutex mutex;
  FILE* file = nullptr;
  std::string path;
  bool echo = false;
  TLogClock clock = nullptr;
  std::deque<std::string> recent;          // full lines with prefix
  std::deque<std::string> pending;         // written before a file was opened
  std::map<int, std::vector<std::string>> captures;
  int nextCapture = 1;
};

LogState& State() {
  static LogState* state = new LogState;  // outlives every static destructor
  return *state;
}

std::string LocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

void WriteToFile(LogState& s, const std::string& line) {
  if (!s.file) return;
  long pos = std::ftell(s.file);
  if (pos > kLogWrapLimit) {
    std::fseek(s.file, kLogWrapRestart, SEEK_SET);
    std::fputs("\n\n\n\n", s.file);
    std::fputs(kLogWrapBanner, s.file);
    std::fputs("\n\n\n\n\n", s.file);
  }
  std::fwrite(line.data(), 1, line.size(), s.file);
  std::fputc('\n', s.file);
  std::fflush(s.file);
}
}  // namespace

void TraceOutV(const char* format, va_list args) {
  TString text;
  text.AssignFormatV(format, args);
  std::string body = text.str();
  while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
  if (body.size() > kLogMaxLine) {
    // Cut at a character boundary: never in the middle of a UTF-8 sequence.
    const size_t whole = body.size();
    size_t keep = kLogMaxLine;
    while (keep > 0 && (static_cast<unsigned char>(body[keep]) & 0xC0) == 0x80) --keep;
    body.resize(keep);
    body += kLogCutMarker + std::to_string(whole) + " bytes]";
  }

  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string line = (s.clock ? s.clock() : LocalTime()) + ": " + body;
  for (auto& c : s.captures) c.second.push_back(body);
  s.recent.push_back(line);
  if (s.recent.size() > 64) s.recent.pop_front();
  if (s.echo) std::fprintf(stderr, "%s\n", line.c_str());
  if (s.file) {
    WriteToFile(s, line);
  } else {
    s.pending.push_back(line);
    if (s.pending.size() > 500) s.pending.pop_front();
  }
}

void TraceOut(const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceOutV(format, args);
  va_end(args);
}

bool OpenLogFile(const std::string& path) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.file) std::fclose(s.file);
  // Never written through a symbolic link.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  const int openError = errno;
  if (fd >= 0) ::fchmod(fd, 0600);  // the user's alone, whoever made it before
  s.file = fd >= 0 ? ::fdopen(fd, "w+b") : nullptr;
  const int error = fd < 0 ? openError : errno;
  if (!s.file && fd >= 0) ::close(fd);
  if (!s.file) {
    s.path.clear();
    // The person who started the program hears it: the log would have told everything else.
    std::fprintf(stderr, "lantern: the log file %s cannot be written (%s); nothing is logged\n", path.c_str(),
                 error == ELOOP ? "it is a symbolic link" : std::strerror(error));
    return false;
  }
  s.path = path;
  for (const auto& line : s.pending) WriteToFile(s, line);
  s.pending.clear();
  return true;
}

void CloseLogFile() {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.file) std::fclose(s.file);
  s.file = nullptr;
  s.path.clear();
}

std::string GetLogFilePath() {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.path;
}

void SetLogEcho(bool echo) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.echo = echo;
}

void SetLogClock(TLogClock clock) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.clock = clock;
}

std::vector<std::string> GetRecentLogLines(size_t count) {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  size_t n = std::min(count, s.recent.size());
  return std::vector<std::string>(s.recent.end() - long(n), s.recent.end());
}

bool TryGetRecentLogLines(size_t count, std::vector<std::string>& out) {
  LogState& s = State();
  std::unique_lock<std::mutex> lock(s.mutex, std::try_to_lock);
  if (!lock.owns_lock()) return false;
  size_t n = std::min(count, s.recent.size());
  out.assign(s.recent.end() - long(n), s.recent.end());
  return true;
}

TLogCapture::TLogCapture() {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  id_ = s.nextCapture++;
  s.captures[id_];
}

TLogCapture::~TLogCapture() {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.captures.erase(id_);
}

std::vector<std::string> TLogCapture::Lines() const {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.captures[id_];
}

bool TLogCapture::Contains(const std::string& text) const { return Count(text) > 0; }

size_t TLogCapture::Count(const std::string& text) const {
  size_t n = 0;
  for (const auto& line : Lines())
    if (line.find(text) != std::string::npos) ++n;
  return n;
}

void TLogCapture::Clear() {
  LogState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.captures[id_].clear();
}
