// The log: "logfile.txt" in the user folder, one line per TraceOut.
//
// Every line starts with the local time and ": ". When the write position
// passes 102400 bytes the writer goes back to byte 51200, writes the wrap
// banner framed by four blank lines on each side and carries on from there
// (the rest of the file is left as it was). A line's text longer than
// kLogMaxLine bytes is cut there (at a character boundary) and ends with the
// cut marker, so the file never grows past the wrap limit by more than one
// capped line. Safe from any thread; lines never interleave. Until a file is opened, lines are kept in memory and written
// out when it opens.
#pragma once
#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

constexpr long kLogWrapLimit = 102400;
constexpr long kLogWrapRestart = 51200;
constexpr size_t kLogMaxLine = 65536;
extern const char* const kLogWrapBanner;  // "****************** LOG WRAP AROUND ******************"
// Ends a cut line, followed by the text's whole size: " [line cut: 300000 bytes]".
extern const char* const kLogCutMarker;  // " [line cut: "

// Appends one line (a trailing newline in the format is dropped). Never fails.
void TraceOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
void TraceOutV(const char* format, va_list args);

// Opens (and empties) the log file at `path`. False when it cannot be opened;
// the log then stays in memory and on standard error.
bool OpenLogFile(const std::string& path);
void CloseLogFile();
std::string GetLogFilePath();

// Copies every line to standard error as well.
void SetLogEcho(bool echo);

// The time prefix; tests may fix it. Null restores the local time
// ("YYYY-MM-DD HH:MM:SS").
using TLogClock = std::string (*)();
void SetLogClock(TLogClock clock);

// The last lines written (newest last), at most `count`; the crash report uses them.
std::vector<std::string> GetRecentLogLines(size_t count);
// The same without waiting: false when another thread holds the log (the
// crash report must not block on a lock the crashed thread may hold).
bool TryGetRecentLogLines(size_t count, std::vector<std::string>& out);

// Collects the text of every line logged while it lives (without the time
// prefix). Tests use it to check exact messages.
class TLogCapture {
public:
  TLogCapture();
  ~TLogCapture();
  std::vector<std::string> Lines() const;
  bool Contains(const std::string& text) const;  // some line contains the text
  size_t Count(const std::string& text) const;   // lines containing the text
  void Clear();
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

private:
  int id_;
};
