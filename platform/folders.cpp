#include "platform/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/fileinternal.h"
#include "platform/log.h"
#include "platform/settings.h"

namespace {

std::atomic<bool> gRefuseAbsolute{false};
std::atomic<int64_t (*)()> gClock{nullptr};
std::atomic<int64_t> gTick{0};

enum class TPrefix { kNone, kUser, kCommon, kDesktop, kProgram, kRange };

struct TSplitName {
  TPrefix prefix = TPrefix::kNone;
  std::string rest;
};

TSplitName SplitPrefix(const std::string& name) {
  static const struct {
    const char* text;
    TPrefix prefix;
  } kPrefixes[] = {{"user:", TPrefix::kUser},
                   {"common:", TPrefix::kCommon},
                   {"desktop:", TPrefix::kDesktop},
                   {"::", TPrefix::kProgram}};
  for (const auto& p : kPrefixes) {
    size_t n = std::char_traits<char>::length(p.text);
    if (name.compare(0, n, p.text) == 0) return {p.prefix, name.substr(n)};
  }
  if (!name.empty() && name[0] == '@') return {TPrefix::kRange, name};
  return {TPrefix::kNone, name};
}

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  return GetWorkingFolder().str() + path;
}

// A folder name taken from a setting: no separators, no "." or "..".
std::string SafeComponent(std::string text) {
  for (char& c : text)
    if (c == '/' || c == '\\' || c == ':') c = '_';
  if (text == "." || text == "..") text = "_";
  return text;
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::atomic<std::string (*)()> gPasswordHome{nullptr};

// The home the password database gives the running user, or empty.
std::string PasswordHome() {
  if (std::string (*lookup)() = gPasswordHome.load()) return lookup();
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size_t(size > 0 ? size : 16384));
  struct passwd entry;
  struct passwd* found = nullptr;
  while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  return found && found->pw_dir ? std::string(found->pw_dir) : std::string();
}

constexpr size_t kMaxUserDirsBytes = 64 * 1024;

// A value of user-dirs.dirs: the text between the quotes, backslash escapes
// undone, a leading "$HOME" replaced.
std::string ReadUserDirsValue(std::string value, const std::string& home) {
  while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t')) value.pop_back();
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    out += value[i];
  }
  if (out.compare(0, 5, "$HOME") == 0 && (out.size() == 5 || out[5] == '/')) {
    if (home.empty()) return std::string();
    out = home + out.substr(5);
  }
  return out;
}

// Directory listings for the case-insensitive fallback, checked against the
// directory's stamp on every use (an unpacker or "cp -a" that adds files and
// then puts the folder's old modification time back still changes it).
struct TDirListing {
  TFolderStamp stamp;  // which folder ("./" names another one after a change of working folder), its times
  // Read whole, and more than the margin after the change time: a change made
  // since then has another change time, so a name the listing lacks is absent.
  bool complete = false, settled = false;
  std::map<std::string, std::string> byLower;  // lower-case name -> real name (first in byte order)
};
std::mutex gDirMutex;
std::unordered_map<std::string, TDirListing> gDirCache;


enum class TDirAnswer { kFound, kAbsent, kUnsure };

// Looks a lower-case name up in a folder's listing: kFound (with the real
// name in `real` when given), kAbsent when a settled listing lacks it, else
// kUnsure. `known` is a stat of the folder the caller just took (st_mode 0
// when it failed), or null.
TDirAnswer LookupInDir(const std::string& dir, const struct stat* known, const std::string& lowerName,
                       std::string* real) {
  struct stat st;
  if (!known) {
    if (::stat(dir.c_str(), &st) != 0) return TDirAnswer::kUnsure;
    known = &st;
  }
  if (!S_ISDIR(known->st_mode)) return TDirAnswer::kUnsure;
  st = *known;
  auto oldEnough = [&st] {
    const int64_t now = FileLayerNow();
    return IsSettled(FileTimeNs(st.st_mtim), now) && IsSettled(FileTimeNs(st.st_ctim), now);
  };
  std::lock_guard<std::mutex> lock(gDirMutex);
  auto it = gDirCache.find(dir);
  bool current = it != gDirCache.end() && it->second.stamp == TFolderStamp(st);
  auto readListing = [&] {
    if (gDirCache.size() > 4096) gDirCache.clear();
    const bool settles = oldEnough();  // taken before the folder is read
    TDirListing listing;
    listing.stamp = TFolderStamp(st);
    if (DIR* d = ::opendir(dir.c_str())) {
      for (;;) {
        errno = 0;
        dirent* e = ::readdir(d);
        if (!e) {
          listing.complete = errno == 0;
          break;
        }
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        auto ins = listing.byLower.emplace(LowerAscii(n), n);
        if (!ins.second && n < ins.first->second) ins.first->second = n;
      }
      ::closedir(d);
    }
    listing.settled = listing.complete && settles;
    it = gDirCache.insert_or_assign(dir, std::move(listing)).first;
  };
  // A listing read too soon after a change is read once more when it can settle.
  bool fresh = !current || (it->second.complete && !it->second.settled && oldEnough());
  if (fresh) readListing();
  auto found = it->second.byLower.find(lowerName);
  // A listing that is not settled may lack a file made in the same tick as
  // the change it saw (the folder's times stayed): it is read again before
  // it answers that the name is not there.
  // Likewise a name it holds may have gone within that tick (renamed into
  // another letter case, or removed and made again so): the name is looked
  // at before it is given.
  struct stat entry;
  if (!it->second.settled && !fresh &&
      (found == it->second.byLower.end() || ::lstat((dir + found->second).c_str(), &entry) != 0)) {
    readListing();
    found = it->second.byLower.find(lowerName);
  }
  if (found == it->second.byLower.end()) return it->second.settled ? TDirAnswer::kAbsent : TDirAnswer::kUnsure;
  if (real) *real = found->second;
  return TDirAnswer::kFound;
}

// Whether the cached listing of the working folder or of "assets/" (as
// cached, not checked) holds `lowerFirst`: then the name is likely a loose
// file, found fastest by a stat of the name itself.
bool CachedListingsHold(const std::string& lowerFirst) {
  std::lock_guard<std::mutex> lock(gDirMutex);
  for (const char* dir : {"./", "assets/"}) {
    auto it = gDirCache.find(dir);
    if (it != gDirCache.end() && it->second.byLower.count(lowerFirst)) return true;
  }
  return false;
}

void StatOrNone(const char* path, struct stat& st) {
  if (::stat(path, &st) != 0) st.st_mode = 0;
}

// Looks a relative name up in a folder: exactly, then ignoring letter case.
bool FindInFolder(const std::string& folder, const std::string& rest, std::string& path) {
  std::string exact = folder + rest;
  if (IsRegularFile(exact)) {
    path = exact;
    return true;
  }
  std::string ci = FindCaseInsensitive(folder, rest);
  if (!ci.empty() && IsRegularFile(ci)) {
    path = ci;
    return true;
  }
  return false;
}

// `assets`: as for FindArchiveMember.
bool FindInArchives(const std::string& name, TResolvedName& out, const struct stat* assets = nullptr) {
  TArchivePtr archive;
  size_t entry = 0;
  int number = -1;
  if (!FindArchiveMember(LowerAscii(name), assets, archive, number, entry)) return false;
  out.kind = TResolvedName::kArchive;
  out.archive = number;
  out.entry = entry;
  out.offset = int64_t(archive->entries[entry].offset);
  out.size = int64_t(archive->entries[entry].size);
  out.mounted = std::move(archive);
  return true;
}

TString FolderOf(TPrefix prefix) {
  switch (prefix) {
    case TPrefix::kUser: return GetUserFolder();
    case TPrefix::kCommon: return GetCommonFolder();
    case TPrefix::kDesktop: return GetDesktopFolder();
    case TPrefix::kProgram: return GetProgramFolder();
    default: return TString();
  }
}

}  // namespace

std::string TrimSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string LowerAscii(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

void SetRefuseAbsolutePaths(bool refuse) { gRefuseAbsolute = refuse; }

void SetFileLayerClock(int64_t (*now)(), int64_t tickNs) {
  gClock = now;
  gTick = tickNs > 0 ? tickNs : 0;
}

int64_t FileLayerNow() {
  if (int64_t (*now)() = gClock.load()) return now();
  struct timespec t {};
  ::clock_gettime(CLOCK_REALTIME, &t);
  return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int64_t FileTimeNs(const struct timespec& t) {
  const int64_t ns = int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
  const int64_t tick = gTick.load();
  return tick > 0 ? ns - ((ns % tick) + tick) % tick : ns;
}

int64_t SettleMargin(int64_t fileTime) {
  return fileTime % 1000000000 == 0 ? int64_t(3000000000) : int64_t(100000000);
}
bool GetRefuseAbsolutePaths() { return gRefuseAbsolute; }

TString GetWorkingFolder() {
  char buf[PATH_MAX];
  if (!::getcwd(buf, sizeof buf)) return TString("./");
  return TString(WithSlash(buf));
}

void SetPasswordHomeLookup(std::string (*lookup)()) { gPasswordHome = lookup; }

std::string GetHomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return TrimSlashes(home);
  std::string fromDatabase = PasswordHome();
  return !fromDatabase.empty() && fromDatabase[0] == '/' ? TrimSlashes(fromDatabase) : std::string();
}

std::string FindUserDirsValue(const std::string& text, const std::string& kind, const std::string& home) {
  const std::string key = "XDG_" + kind + "_DIR=";
  std::string found;
  size_t at = 0;
  // The file is a few lines long; a damaged or huge one is not read past 1000 lines.
  for (int n = 0; n < 1000 && at < text.size(); ++n) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
    std::string value = ReadUserDirsValue(line.substr(start + key.size()), home);
    if (!value.empty() && value[0] == '/') found = value;  // the last line of a kind wins, as in a shell
  }
  return found.empty() ? found : TrimSlashes(found);
}

std::string GetXdgUserFolder(const std::string& kind, const std::string& fallback) {
  TString over = GetSettingString("userfolder");
  if (!over.IsEmpty()) return TrimSlashes(Absolute(WithSlash(over.str()) + fallback));
  std::string key = "XDG_" + kind + "_DIR";
  if (const char* env = std::getenv(key.c_str()); env && env[0] == '/') return TrimSlashes(env);
  const std::string home = GetHomeFolder();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string configFolder = config && config[0] == '/' ? std::string(config) : home.empty() ? "" : home + "/.config";
  if (!configFolder.empty()) {
    std::ifstream in(configFolder + "/user-dirs.dirs", std::ios::binary);
    std::string text(kMaxUserDirsBytes, '\0');
    in.read(&text[0], std::streamsize(text.size()));
    text.resize(size_t(std::max<std::streamsize>(0, in.gcount())));
    std::string found = FindUserDirsValue(text, kind, home);
    if (!found.empty()) return found;
  }
  return home.empty() ? std::string() : TrimSlashes(home + "/" + fallback);
}

TString GetUserFolder() {
  TString over = GetSettingString("userfolder");
  if (!over.IsEmpty()) return TString(WithSlash(Absolute(over.str())));
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string root;
  if (data && data[0] == '/') {
    root = data;
  } else {
    const std::string home = GetHomeFolder();
    if (home.empty()) return TString();  // never a shared folder in its place
    root = home + "/.local/share";
  }
  std::string publisher = SafeComponent(GetSettingString("publisher").str());
  std::string game = SafeComponent(GetSettingString("gamename").str());
  std::string path = WithSlash(root);
  if (!publisher.empty()) path += publisher + "/";
  if (!game.empty()) path += game + "/";
  if (publisher.empty() && game.empty()) path += "lantern/";
  return TString(path);
}

TString GetCommonFolder() {
  TString user = GetUserFolder();
  return user.IsEmpty() ? user : user + "common/";
}

TString GetDesktopFolder() {
  TString over = GetSettingString("desktopfolder");
  if (!over.IsEmpty()) return TString(WithSlash(Absolute(over.str())));
  std::string desktop = GetXdgUserFolder("DESKTOP", "Desktop");
  return desktop.empty() ? TString() : TString(WithSlash(desktop));
}

TString GetProgramFolder() {
  TString over = GetSettingString("programfolder");
  if (!over.IsEmpty()) return TString(WithSlash(Absolute(over.str())));
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return GetWorkingFolder();
  std::string exe(buf, size_t(n));
  return TString(exe.substr(0, exe.rfind('/') + 1));
}

namespace {

// A relative name of non-empty components, none of them "." or "..".
bool IsNormalRelative(const std::string& rest) {
  size_t pos = 0;
  while (pos <= rest.size()) {
    size_t end = rest.find('/', pos);
    if (end == std::string::npos) end = rest.size();
    size_t n = end - pos;
    if (n == 0 || (rest[pos] == '.' && (n == 1 || (n == 2 && rest[pos + 1] == '.')))) return false;
    pos = end + 1;
  }
  return true;
}

}  // namespace

TString NormalizeFileName(const TString& name) {
  std::string text = name.str();
  auto refuse = [&](const char* why) {
    TraceOut("File layer: refused the name \"%s\" (%s)", name.c_str(), why);
    return TString();
  };
  if (text.find('\0') != std::string::npos) return refuse("it holds a zero byte");
  const bool backslashes = text.find('\\') != std::string::npos;
  std::replace(text.begin(), text.end(), '\\', '/');
  TSplitName split = SplitPrefix(text);
  if (split.prefix == TPrefix::kRange) return TString(text);
  bool absolute = split.prefix == TPrefix::kNone && !split.rest.empty() && split.rest[0] == '/';
  if (absolute && gRefuseAbsolute) return refuse("absolute paths are not allowed");
  if (!backslashes && !absolute && IsNormalRelative(split.rest)) return name;  // most names
  std::string out;
  size_t pos = 0;
  const std::string& rest = split.rest;
  while (pos <= rest.size()) {
    size_t end = rest.find('/', pos);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return refuse("\"..\" is not allowed");
    if (!out.empty()) out += '/';
    out += part;
  }
  if (out.empty()) return refuse("empty");
  if (absolute) out = "/" + out;
  return TString(text.substr(0, text.size() - split.rest.size()) + out);
}

bool IsAssetName(const TString& name) {
  if (name.IsEmpty()) return false;
  std::string text = name.str();
  std::replace(text.begin(), text.end(), '\\', '/');
  TSplitName split = SplitPrefix(text);
  if (split.prefix != TPrefix::kNone || split.rest.empty() || split.rest[0] == '/') return false;
  return !NormalizeFileName(name).IsEmpty();
}

namespace {

// FindCaseInsensitive with a stat of `base` the caller just took (st_mode 0
// when it failed), or null.
std::string FindCaseInsensitiveIn(const std::string& base, const struct stat* baseStat, const std::string& relative) {
  std::string dir = base.empty() ? std::string("./") : WithSlash(base);
  const struct stat* known = baseStat;
  size_t pos = 0;
  while (pos < relative.size()) {
    size_t end = relative.find('/', pos);
    if (end == std::string::npos) end = relative.size();
    std::string part = relative.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    std::string real;
    if (LookupInDir(dir, known, LowerAscii(part), &real) != TDirAnswer::kFound) return std::string();
    known = nullptr;
    dir += real;
    if (pos < relative.size()) dir += '/';
  }
  return dir;
}

}  // namespace

std::string FindCaseInsensitive(const std::string& base, const std::string& relative) {
  return FindCaseInsensitiveIn(base, nullptr, relative);
}

bool MakeFolders(const std::string& path, mode_t mode) {
  if (path.empty()) return false;
  // The home folder is the user's to make: one that is not there (HOME
  // naming a folder that is gone, the password database's /nonexistent) is
  // never made here, nor anything in it, even by a program that could (run
  // as root).
  const std::string home = GetHomeFolder();
  std::string sofar;
  size_t pos = 0;
  struct stat st;
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    if (end == std::string::npos) end = path.size();
    sofar = path.substr(0, end);
    pos = end + 1;
    if (sofar.empty()) continue;
    if (sofar == home && home != "/") {
      if (::stat(sofar.c_str(), &st) != 0) return false;  // errno tells why
      if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
      }
      continue;
    }
    if (::mkdir(sofar.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ResolveFileName(const TString& name, TResolvedName& out) {
  out = TResolvedName();
  TString normal = NormalizeFileName(name);
  if (normal.IsEmpty()) return false;
  TSplitName split = SplitPrefix(normal.str());
  if (split.prefix == TPrefix::kRange) {
    int n = -1;
    int64_t offset = 0, size = 0;
    if (!ParseArchiveRangeName(normal, n, offset, size)) {
      TraceOut("File layer: refused the archive range \"%s\" (malformed)", name.c_str());
      return false;
    }
    TArchivePtr archive = GetMountedArchive(n);
    if (!archive) {
      TraceOut("File layer: refused the archive range \"%s\" (no archive %d)", name.c_str(), n);
      return false;
    }
    if (uint64_t(offset) > archive->size || uint64_t(size) > archive->size - uint64_t(offset)) {
      TraceOut("File layer: refused the archive range \"%s\" (past the end of %s, %llu bytes)", name.c_str(),
               archive->path.c_str(), static_cast<unsigned long long>(archive->size));
      return false;
    }
    out.kind = TResolvedName::kArchive;
    out.archive = n;
    out.mounted = archive;
    out.offset = offset;
    out.size = size;
    return true;
  }
  if (AnyMemoryFiles() && FindMemoryFile(MemoryFileKey(normal))) {
    out.kind = TResolvedName::kMemory;
    out.path = MemoryFileKey(normal);
    return true;
  }
  std::string path;
  if (split.prefix != TPrefix::kNone) {
    const std::string folder = FolderOf(split.prefix).str();
    if (folder.empty()) return false;  // no home folder: nothing there
    if (FindInFolder(folder, split.rest, path)) {
      out.kind = TResolvedName::kDisk;
      out.path = path;
      return true;
    }
    return split.prefix == TPrefix::kProgram && FindInArchives(split.rest, out);
  }
  const std::string& rest = split.rest;
  struct stat assets;
  bool assetsKnown = false;
  if (rest[0] == '/') {
    if (!IsRegularFile(rest)) return false;
    out.kind = TResolvedName::kDisk;
    out.path = rest;
    return true;
  }
  // A folder whose settled listing (LookupInDir) lacks the name's first
  // component holds the name neither exactly nor in another letter case.
  // Asking the listings costs a look at both folders, more than a failed
  // stat of the name: it is done for names the cached listings lack (archive
  // members, missing files), loose files are looked at directly. Either way
  // one look at "assets" also serves the archives' mount check.
  struct stat cwd;
  bool cwdKnown = false, inCwd = true, inAssets = true;
  const std::string first = LowerAscii(rest.substr(0, rest.find('/')));
  if (!CachedListingsHold(first)) {
    // The working folder itself, without a walk of the name ".".
    if (::fstatat(AT_FDCWD, "", &cwd, AT_EMPTY_PATH) != 0) StatOrNone(".", cwd);
    cwdKnown = true;
    inCwd = LookupInDir("./", &cwd, first, nullptr) != TDirAnswer::kAbsent;
    StatOrNone("assets", assets);
    assetsKnown = true;
    inAssets = LookupInDir("assets/", &assets, first, nullptr) != TDirAnswer::kAbsent;
  }
  if (inCwd && IsRegularFile(rest)) {
    path = rest;
  } else if (inAssets && IsRegularFile("assets/" + rest)) {
    path = "assets/" + rest;
  } else {
    std::string ci = inCwd ? FindCaseInsensitiveIn("", cwdKnown ? &cwd : nullptr, rest) : std::string();
    if (ci.empty() || !IsRegularFile(ci)) {
      if (!assetsKnown) StatOrNone("assets", assets);
      assetsKnown = true;
      ci = inAssets ? FindCaseInsensitiveIn("assets", &assets, rest) : std::string();
    }
    if (!ci.empty() && IsRegularFile(ci)) path = ci;
  }
  if (!path.empty()) {
    out.kind = TResolvedName::kDisk;
    out.path = path;
    return true;
  }
  return FindInArchives(rest, out, assetsKnown ? &assets : nullptr);
}

namespace {

// The real path of an open folder, or empty when it cannot be told.
std::string RealPathOfFd(int fd, const std::string& fallback) {
  char buf[PATH_MAX];
  std::string link = "/proc/self/fd/" + std::to_string(fd);
  ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
  if (n > 0 && buf[0] == '/') return std::string(buf, size_t(n));
  char* real = ::realpath(fallback.c_str(), nullptr);  // no /proc: resolve the name instead
  if (!real) return std::string();
  std::string out = real;
  std::free(real);
  return out;
}

bool IsInside(const std::string& path, const std::string& root) {
  if (root == "/") return true;
  return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
}

}  // namespace

TWriteFolder::~TWriteFolder() {
  if (fd >= 0) ::close(fd);
}

bool OpenWriteFolder(const TString& name, bool create, TWriteFolder& out) {
  TString normal = NormalizeFileName(name);
  if (normal.IsEmpty()) return false;
  TSplitName split = SplitPrefix(normal.str());
  std::string root;
  switch (split.prefix) {
    case TPrefix::kRange:
      TraceOut("File layer: cannot write to the archive range \"%s\"", name.c_str());
      return false;
    case TPrefix::kProgram:
      TraceOut("File layer: the program folder is not written to (\"%s\")", name.c_str());
      return false;
    case TPrefix::kNone:
      if (split.rest[0] != '/') {
        TraceOut("File layer: assets are read-only (\"%s\"); write to \"user:\" or \"common:\"", name.c_str());
        return false;
      }
      root = "/";
      break;
    default:
      root = FolderOf(split.prefix).str();
      if (root.empty()) {
        TraceOut("File layer: there is no home folder to write \"%s\" to", name.c_str());
        return false;
      }
      break;
  }
  // The components below the root; the last one is the file.
  std::vector<std::string> parts;
  const std::string& rest = split.rest;
  for (size_t pos = 0; pos < rest.size();) {
    size_t end = rest.find('/', pos);
    if (end == std::string::npos) end = rest.size();
    if (end > pos) parts.push_back(rest.substr(pos, end - pos));
    pos = end + 1;
  }
  if (parts.empty()) return false;
  out.leaf = parts.back();
  parts.pop_back();
  out.path = root == "/" ? rest : root + rest;

  if (create && !MakeFolders(root)) {
    TraceOut("File layer: cannot create the folder %s for \"%s\"", root.c_str(), name.c_str());
    return false;
  }
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (create || errno != ENOENT) TraceOut("File layer: cannot open the folder %s: %s", root.c_str(), std::strerror(errno));
    return false;
  }
  std::string rootReal = RealPathOfFd(fd, root);
  std::string sofar = root;
  for (const std::string& part : parts) {
    sofar = WithSlash(sofar) + part;
    if (create && ::mkdirat(fd, part.c_str(), 0700) != 0 && errno != EEXIST) {
      TraceOut("File layer: cannot create the folder %s for \"%s\": %s", sofar.c_str(), name.c_str(), std::strerror(errno));
      ::close(fd);
      return false;
    }
    int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int error = errno;
    ::close(fd);
    fd = next;
    if (fd < 0) {
      if (create || error != ENOENT) TraceOut("File layer: cannot open the folder %s: %s", sofar.c_str(), std::strerror(error));
      return false;
    }
    // A folder link is followed only while it stays under the root.
    std::string real = RealPathOfFd(fd, sofar);
    if (rootReal.empty() || real.empty() || !IsInside(real, rootReal)) {
      TraceOut("File layer: refused to write \"%s\": the folder %s leads to %s, outside %s", name.c_str(), sofar.c_str(),
               real.empty() ? "an unknown place" : real.c_str(), rootReal.c_str());
      ::close(fd);
      return false;
    }
  }
  out.fd = fd;
  return true;
}

TString GetDiskPath(const TString& name, bool forWriting) {
  TString normal = NormalizeFileName(name);
  if (normal.IsEmpty()) return TString();
  TSplitName split = SplitPrefix(normal.str());
  std::string path;
  if (split.prefix == TPrefix::kRange) {
    if (forWriting) TraceOut("File layer: cannot write to the archive range \"%s\"", name.c_str());
    return TString();
  }
  if (split.prefix != TPrefix::kNone) {
    if (forWriting && split.prefix == TPrefix::kProgram) {
      TraceOut("File layer: the program folder is not written to (\"%s\")", name.c_str());
      return TString();
    }
    const std::string folder = FolderOf(split.prefix).str();
    if (folder.empty()) {
      if (forWriting) TraceOut("File layer: there is no home folder to write \"%s\" to", name.c_str());
      return TString();
    }
    path = folder + split.rest;
    if (!forWriting) {
      std::string found;
      if (!IsRegularFile(path) && FindInFolder(folder, split.rest, found)) path = found;
    }
  } else if (split.rest[0] == '/') {
    path = split.rest;
  } else if (forWriting) {
    TraceOut("File layer: assets are read-only (\"%s\"); write to \"user:\" or \"common:\"", name.c_str());
    return TString();
  } else {
    TResolvedName r;
    if (!ResolveFileName(normal, r) || r.kind != TResolvedName::kDisk) return TString();
    path = Absolute(r.path.str());
  }
  if (forWriting) {
    TWriteFolder folder;
    if (!OpenWriteFolder(normal, true, folder)) return TString();
  }
  return TString(path);
}

void RefreshFileLayer() {
  {
    std::lock_guard<std::mutex> lock(gDirMutex);
    gDirCache.clear();
  }
  UnmountArchives();
}
