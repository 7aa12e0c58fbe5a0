// Operating-system services of the host that need no window: the monotonic
// clock, the program's folders, starting a program, opening a URL, the
// single-instance lock and PNG files of finished frames.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Milliseconds of the system's monotonic clock (not reset at program start,
// so it differs between runs).
uint32_t HostMonotonicMs();

// The folder that holds the running program (symbolic links resolved, no
// trailing "/"); the working folder when it cannot be found.
std::string HostProgramFolder();
// The path with every link on the way resolved (realpath); the path itself
// when it cannot be resolved (it does not exist).
std::string HostRealPath(const std::string& path);

// Starts a program with an argument vector (argv[0] is looked up on PATH),
// never through a shell. With `wait` the call returns once it has ended;
// otherwise it is reaped in the background. False when it could not start.
bool SpawnProgram(const std::vector<std::string>& argv, bool wait);

// Whether an address may be handed to the opener: an "http://", "https://",
// "mailto:" or "file:///" address (the scheme in any letter case) without
// control characters. Anything else (a bare path, another scheme, a text
// starting with "-" that would read as an option) is refused.
bool IsOpenableUrl(const std::string& url);
// Whether a link given by data or a script is a web or mail address:
// "http://" or "https://" and a host, or "mailto:" and an address; no
// control characters or blanks. "file:" never is.
bool IsWebOrMailLink(const std::string& link);
// A "mailto:" link with only the "subject" and "body" fields of its query
// (in any letter case, in their order); the others ("attach", "cc", ...),
// which would have some mail programs attach a file or add recipients, and a
// fragment are left out, their names added to `dropped` (", " between).
// Any other link comes back as it is.
std::string KeepMailSubjectAndBody(const std::string& link, std::string* dropped = nullptr);
// The documents of the game's own folder a link may name, by extension.
extern const char* const kDocumentExtensions[5];
// Whether a link has the form of a document name: relative (no scheme, no
// "..", not absolute, no "\\", no control characters) with an extension of
// kDocumentExtensions.
bool IsDocumentName(const std::string& link);
// The real path of the document a link names, or empty: a document name of a
// regular file inside one of `folders` once every link on the way is resolved,
// which no one may run (an executable file is refused, `executable` set).
std::string FindGameDocument(const std::string& link, const std::vector<std::string>& folders,
                             bool* executable = nullptr);
// Opens the address with `browser` (a program name or path) or, when it is
// empty, the desktop's opener "xdg-open", as one argument through
// posix_spawnp, never a shell. Refused addresses are logged and give false.
bool OpenUrlWith(const std::string& url, const std::string& browser, bool wait);

// One running copy per user folder: an exclusive lock (flock) on the file
// "instance.lock" in the user folder itself, so that every copy finds the
// same lock whatever its environment and however it spells the folder (a
// link to it, a trailing "/"); and an abstract local socket named after that
// file (its device and inode), on which the running copy hears "raise"
// requests from later copies.
class TInstanceLock {
public:
  enum class TResult {
    kTaken,     // this copy runs (also when no lock file can be made at all: logged)
    kRunning,   // another copy holds the lock; it was asked to come to the front
    kInUse,     // another copy holds the lock; a further copy does not ask it to come forward
    kRefused,   // the lock file is not the user's own (another owner, a link, not a file)
  };
  TInstanceLock() = default;
  ~TInstanceLock() { Release(); }
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  // Takes the lock of `userFolder` (absolute), making the folder when it is
  // missing. When another copy holds it, that copy is sent "raise" when
  // `askToRaise` is set (kRunning), else nothing (kInUse). Why it was not
  // taken, or why it runs without one, is in Why().
  TResult Acquire(const std::string& userFolder, bool askToRaise = true);
  const std::string& Why() const { return why_; }
  void Release();
  bool IsHeld() const { return lockFd_ >= 0; }
  // True once per "raise" request that arrived since the last call.
  bool PollRaiseRequest();
  // The lock file's path for a user folder.
  static std::string LockPath(const std::string& userFolder);

private:
  int lockFd_ = -1;
  int listenFd_ = -1;
  std::string why_;
};

// Writes width x height ARGB pixels (alpha ignored) as an 8-bit RGB PNG,
// marked as this program's (a "Software" text chunk). A file already at the
// path is written over only when it is such a picture: anything else (a
// player's document, another picture) is left as it was, and the call fails
// with a log line.
bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels);
