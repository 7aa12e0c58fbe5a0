#include "platform/host/system.h"

#include <fcntl.h>
#include <limits.h>
#include <png.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/folders.h"
#include "platform/log.h"

extern char** environ;

uint32_t HostMonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

std::string HostProgramFolder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  std::string path;
  if (n > 0) {
    path.assign(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    path = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  } else if (getcwd(buf, sizeof(buf))) {
    path = buf;
  } else {
    path = ".";
  }
  if (char* real = realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool SpawnProgram(const std::vector<std::string>& args, bool wait) {
  if (args.empty() || args[0].empty()) return false;
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    TraceOut("Could not start \"%s\": %s", args[0].c_str(), std::strerror(rc));
    return false;
  }
  if (wait) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // posix_spawnp may report a missing program only through the child's exit code 127.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
      TraceOut("Could not start \"%s\"", args[0].c_str());
      return false;
    }
  } else {
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
  return true;
}

namespace {

// Whether `text` starts with `prefix` (lower case) in any letter case.
bool StartsWithNoCase(const std::string& text, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

bool HasBlankOrControl(const std::string& text) {
  for (unsigned char c : text)
    if (c <= 0x20 || c == 0x7F) return true;
  return false;
}

}  // namespace

bool IsWebOrMailLink(const std::string& link) {
  if (link.empty() || HasBlankOrControl(link)) return false;
  size_t rest = 0;
  if (StartsWithNoCase(link, "https://")) rest = 8;
  else if (StartsWithNoCase(link, "http://")) rest = 7;
  else if (StartsWithNoCase(link, "mailto:")) return link.size() > 7;
  else return false;
  return rest < link.size() && link[rest] != '/' && link[rest] != ':';
}

std::string KeepMailSubjectAndBody(const std::string& link, std::string* dropped) {
  const size_t query = link.find('?');
  if (!StartsWithNoCase(link, "mailto:") || query == std::string::npos) return link;
  std::string out = link.substr(0, query);
  // A fragment is no part of a mail address: it goes with the fields.
  const std::string fields = link.substr(query + 1, link.find('#', query) - query - 1);
  char separator = '?';
  for (size_t pos = 0; pos <= fields.size();) {
    const size_t end = std::min(fields.find('&', pos), fields.size());
    const std::string field = fields.substr(pos, end - pos);
    pos = end + 1;
    if (field.empty()) continue;
    const std::string name = field.substr(0, field.find('='));
    std::string lower = name;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "subject" || lower == "body") {
      out += separator + field;
      separator = '&';
    } else if (dropped) {
      *dropped += (dropped->empty() ? "" : ", ") + name;
    }
  }
  return out;
}

bool IsOpenableUrl(const std::string& url) {
  for (unsigned char c : url)
    if (c < 0x20 || c == 0x7F) return false;
  for (const char* scheme : {"http://", "https://", "mailto:", "file:///"})
    if (url.size() > std::strlen(scheme) && StartsWithNoCase(url, scheme)) return true;
  return false;
}

const char* const kDocumentExtensions[5] = {".html", ".htm", ".md", ".txt", ".pdf"};

bool IsDocumentName(const std::string& link) {
  if (link.empty() || link[0] == '/' || link.find_first_of(":\\") != std::string::npos) return false;
  for (unsigned char c : link)
    if (c < 0x20 || c == 0x7F) return false;
  for (size_t pos = 0; pos <= link.size();) {
    size_t end = std::min(link.find('/', pos), link.size());
    if (link.compare(pos, end - pos, "..") == 0) return false;
    pos = end + 1;
  }
  for (const char* extension : kDocumentExtensions) {
    size_t n = std::strlen(extension);
    if (link.size() > n && StartsWithNoCase(link.substr(link.size() - n), extension)) return true;
  }
  return false;
}

std::string FindGameDocument(const std::string& link, const std::vector<std::string>& folders, bool* executable) {
  if (executable) *executable = false;
  if (!IsDocumentName(link)) return std::string();
  for (const std::string& folder : folders) {
    char* root = realpath(folder.c_str(), nullptr);
    if (!root) continue;
    std::string base = root;
    std::free(root);
    char* found = realpath((base + "/" + link).c_str(), nullptr);
    if (!found) continue;
    std::string real = found;
    std::free(found);
    struct stat st;
    // Links on the way are resolved: the file itself must lie inside the folder.
    bool inside = base == "/" || (real.size() > base.size() && real.compare(0, base.size(), base) == 0 &&
                                  real[base.size()] == '/');
    if (!inside || ::stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // A program named like a document (a script "notes.txt") is never handed
    // to an opener that might run it.
    if ((st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) return real;
    if (executable) *executable = true;
  }
  return std::string();
}

bool OpenUrlWith(const std::string& url, const std::string& browser, bool wait) {
  if (!IsOpenableUrl(url)) {
    TraceOut("OpenUrl: refusing the address \"%s\"", url.c_str());
    return false;
  }
  std::string program = browser.empty() ? std::string("xdg-open") : browser;
  TraceOut("OpenUrl: %s with %s", url.c_str(), program.c_str());
  return SpawnProgram({program, url}, wait);
}

// ---------------------------------------------------------------------------
// Single-instance lock

namespace {
// The abstract socket of a lock file, named after the file itself (its
// device and inode: one name whatever path led to it); the user's id keeps
// users apart there.
void MakeSocketAddress(const struct stat& lockFile, sockaddr_un* addr, socklen_t* len) {
  std::memset(addr, 0, sizeof(*addr));
  addr->sun_family = AF_UNIX;
  char text[80];
  const int n = std::snprintf(text, sizeof text, "lantern-%lu-%llx-%llx", static_cast<unsigned long>(::geteuid()),
                              static_cast<unsigned long long>(lockFile.st_dev),
                              static_cast<unsigned long long>(lockFile.st_ino));
  std::memcpy(addr->sun_path + 1, text, size_t(n));  // leading zero byte: abstract
  *len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size_t(n));
}

}  // namespace

std::string HostRealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out = real;
  std::free(real);
  return out;
}

std::string TInstanceLock::LockPath(const std::string& userFolder) {
  return TrimSlashes(userFolder) + "/instance.lock";
}

TInstanceLock::TResult TInstanceLock::Acquire(const std::string& userFolder, bool askToRaise) {
  Release();
  why_.clear();
  const std::string path = LockPath(userFolder);
  MakeFolders(TrimSlashes(userFolder));
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  const int openError = errno;
  struct stat st;
  if (fd < 0) {
    // A file that is there but not ours, or a link, is refused.
    if (::lstat(path.c_str(), &st) == 0 && (S_ISLNK(st.st_mode) || st.st_uid != ::geteuid() || !S_ISREG(st.st_mode))) {
      why_ = "the lock file " + path + " is not the user's own (" +
             (S_ISLNK(st.st_mode) ? std::string("a link") : "owner " + std::to_string(st.st_uid)) + ")";
      return TResult::kRefused;
    }
    // A read-only folder: a lock file made there before still serves.
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      why_ = "cannot make the lock file " + path + " (" + std::strerror(openError) + "); running without the lock";
      return TResult::kTaken;
    }
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    why_ = "the lock file " + path + " is not the user's own (owner " + std::to_string(st.st_uid) + ")";
    return TResult::kRefused;
  }
  sockaddr_un addr;
  socklen_t len;
  MakeSocketAddress(st, &addr, &len);
  int locked = 0;
  while ((locked = flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (locked != 0 && errno != EWOULDBLOCK) {
    // A file system without locks: nothing can tell another copy here.
    why_ = "cannot lock " + path + " (" + std::strerror(errno) + "); running without the lock";
    ::close(fd);
    return TResult::kTaken;
  }
  if (locked != 0) {
    ::close(fd);
    why_ = "another copy of the game runs on the user folder " + HostRealPath(TrimSlashes(userFolder));
    if (!askToRaise) return TResult::kInUse;
    why_ += "; it was asked to come to the front";
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s >= 0) {
      if (connect(s, reinterpret_cast<sockaddr*>(&addr), len) == 0) {
        static const char kRaise[] = "raise\n";
        ssize_t ignored = send(s, kRaise, sizeof(kRaise) - 1, MSG_NOSIGNAL);
        (void)ignored;
      }
      close(s);
    }
    return TResult::kRunning;
  }
  lockFd_ = fd;
  int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&addr), len) == 0 && listen(s, 4) == 0) {
    listenFd_ = s;
  } else {
    why_ = std::string("cannot listen for raise requests (") + std::strerror(errno) + ")";
    if (s >= 0) close(s);
  }
  return TResult::kTaken;
}

void TInstanceLock::Release() {
  if (listenFd_ >= 0) close(listenFd_);
  if (lockFd_ >= 0) close(lockFd_);  // closing drops the flock
  listenFd_ = lockFd_ = -1;
}

bool TInstanceLock::PollRaiseRequest() {
  if (listenFd_ < 0) return false;
  bool raise = false;
  for (;;) {
    int c = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (c < 0) break;
    // Every connection is a request to come to the front; its text is not needed.
    char buf[16];
    ssize_t ignored = recv(c, buf, sizeof(buf), MSG_DONTWAIT);
    (void)ignored;
    close(c);
    raise = true;
  }
  return raise;
}

// ---------------------------------------------------------------------------
// PNG

namespace {
const char* const kPngMarkKey = "Software";
const char* const kPngMarkText = "lantern";

// Whether the first bytes of a file are those of a PNG this program wrote:
// the signature, the header chunk, then the text chunk of its mark.
bool IsOwnPng(const char* head, size_t size) {
  static const char kSignature[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
  // 8 signature bytes, 25 of the header chunk, then length and type of the text chunk.
  const std::string text = std::string(kPngMarkKey) + '\0' + kPngMarkText;
  const size_t at = 8 + 25 + 8;
  return size >= at + text.size() && std::memcmp(head, kSignature, 8) == 0 &&
         std::memcmp(head + 8 + 25 + 4, "tEXt", 4) == 0 && std::memcmp(head + at, text.data(), text.size()) == 0;
}
}  // namespace

bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels) {
  if (!pixels || width <= 0 || height <= 0 || pitchPixels < width) {
    TraceOut("Screenshot %s: there is no frame to write", path.c_str());
    return false;
  }
  // Opened without emptying it: a file that is there already is only
  // written over when it is a picture this program wrote.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    TraceOut("Screenshot %s: cannot create the file (%s)", path.c_str(), std::strerror(errno));
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    TraceOut("Screenshot %s: it is not a file; nothing is written", path.c_str());
    return false;
  }
  if (st.st_size > 0) {
    char head[64] = {};
    ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (got < 0 || !IsOwnPng(head, size_t(got))) {
      ::close(fd);
      TraceOut("Screenshot %s: the file is there already and is no picture this program wrote; it is left as it was",
               path.c_str());
      return false;
    }
  }
  FILE* f = ::ftruncate(fd, 0) == 0 ? ::fdopen(fd, "wb") : nullptr;
  if (!f) {
    TraceOut("Screenshot %s: cannot write the file (%s)", path.c_str(), std::strerror(errno));
    ::close(fd);
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  bool ok = false;
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // The mark by which a later screenshot knows the file for one of ours.
    png_text mark {};
    mark.compression = PNG_TEXT_COMPRESSION_NONE;
    mark.key = const_cast<char*>(kPngMarkKey);
    mark.text = const_cast<char*>(kPngMarkText);
    mark.text_length = std::strlen(kPngMarkText);
    png_set_text(png, info, &mark, 1);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
      const uint32_t* src = pixels + static_cast<size_t>(y) * static_cast<size_t>(pitchPixels);
      for (int x = 0; x < width; ++x) {
        row[x * 3 + 0] = static_cast<uint8_t>(src[x] >> 16);
        row[x * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
        row[x * 3 + 2] = static_cast<uint8_t>(src[x]);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  if (std::fclose(f) != 0) ok = false;
  if (!ok) TraceOut("Screenshot %s: writing failed", path.c_str());
  return ok;
}
