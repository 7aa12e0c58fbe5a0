#include "game/shell/screens/wallpaper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/folders.h"
#include "platform/host/desktop.h"
#include "platform/log.h"

namespace {

constexpr uint32_t kMaxSide = 16384;
constexpr uint32_t kHeaderBytes = 54;

// The game's own sub-folder of the Pictures folder.
constexpr const char kWallpaperSubfolder[] = "Orvelle";

std::mutex gFolderMutex;
std::string gFolder;
bool gFolderKnown = false;

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

uint32_t RowBytes(uint32_t width) { return (3 * width + 3) & ~3u; }

// A name that stays inside the folder: no separator, not "." or "..", no control characters.
bool IsPlainName(const char* name) {
  if (!name || !*name || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  for (const char* p = name; *p; ++p)
    if (*p == '/' || *p == '\\' || static_cast<unsigned char>(*p) < 0x20) return false;
  return std::strlen(name) < 200;
}

// Writes all bytes to `path` through "<path>.tmp" and a rename; false (and no
// file left at either name) when any step fails.
bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::string temp = path + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    TraceOut("Wallpaper: cannot create %s: %s", temp.c_str(), std::strerror(errno));
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  int writeErrno = done < bytes.size() ? (errno ? errno : ENOSPC) : 0;
  // The bytes reach the disk before the name changes: the file is wholly old or wholly new.
  if (!writeErrno && ::fsync(fd) != 0) writeErrno = errno ? errno : EIO;
  if (::close(fd) != 0 && !writeErrno) writeErrno = errno ? errno : EIO;
  if (!writeErrno && ::rename(temp.c_str(), path.c_str()) != 0) writeErrno = errno ? errno : EIO;
  if (writeErrno) {
    ::unlink(temp.c_str());
    TraceOut("Wallpaper: cannot write %s: %s", path.c_str(), std::strerror(writeErrno));
    return false;
  }
  return true;
}

// The regular file at `path` holds exactly these bytes.
bool HoldsExactly(const std::string& path, const std::vector<uint8_t>& bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && uint64_t(st.st_size) == bytes.size();
  std::vector<uint8_t> chunk(size_t(1) << 16);
  for (size_t at = 0; same && at < bytes.size();) {
    ssize_t n = ::read(fd, chunk.data(), std::min(chunk.size(), bytes.size() - at));
    if (n < 0 && errno == EINTR) continue;
    same = n > 0 && std::memcmp(chunk.data(), bytes.data() + at, size_t(n)) == 0;
    at += n > 0 ? size_t(n) : 0;
  }
  ::close(fd);
  return same;
}

// The bitmap of a texture, or empty (logged) when it has no readable pixels.
std::vector<uint8_t> EncodeTexture(const TTextureRef& texture, const char* name) {
  if (!texture) {
    TraceOut("Wallpaper %s: no picture to write", name ? name : "");
    return {};
  }
  uint32_t* pixels = nullptr;
  uint32_t pitch = 0;
  bool locked = texture->Lock(&pixels, &pitch);
  std::vector<uint8_t> bytes;
  if (locked && pixels) bytes = EncodeWallpaperBitmap(pixels, pitch, texture->GetWidth(), texture->GetHeight());
  texture->Unlock();
  if (bytes.empty())
    TraceOut("Wallpaper %s: the picture's pixels cannot be read (%ux%u)", name ? name : "", texture->GetWidth(),
             texture->GetHeight());
  return bytes;
}

}  // namespace

std::string GetWallpaperFolder() {
  std::lock_guard<std::mutex> lock(gFolderMutex);
  if (!gFolderKnown) {
    const std::string pictures = GetXdgUserFolder("PICTURES", "Pictures");
    const std::string folder = pictures.empty() ? std::string() : pictures + "/" + kWallpaperSubfolder;
    if (folder.empty()) {
      TraceOut("Wallpaper: there is no Pictures folder (no home folder)");
      gFolder.clear();
    } else if (MakeFolders(folder)) {
      gFolder = folder;  // made the user's alone (0700); the desktop runs as the same user
    } else {
      TraceOut("Wallpaper: cannot make the folder %s", folder.c_str());
      gFolder.clear();
    }
    gFolderKnown = true;
  }
  return gFolder;
}

void ForgetWallpaperFolder() {
  std::lock_guard<std::mutex> lock(gFolderMutex);
  gFolderKnown = false;
  gFolder.clear();
}

std::string MakeWallpaperPath(const std::string& name) { return GetWallpaperFolder() + "/" + name; }

std::vector<uint8_t> EncodeWallpaperBitmap(const uint32_t* pixels, uint32_t pitchPixels, uint32_t width,
                                           uint32_t height) {
  if (!pixels || width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || pitchPixels < width)
    return {};
  const uint32_t row = RowBytes(width);
  const uint32_t fileSize = row * height + kHeaderBytes;
  std::vector<uint8_t> out(fileSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, fileSize);
  Put32(out, 10, kHeaderBytes);
  Put32(out, 14, 40);
  Put32(out, 18, width);
  Put32(out, 22, height);
  Put16(out, 26, 1);
  Put16(out, 28, 24);
  Put32(out, 38, 3780);
  Put32(out, 42, 3780);
  uint8_t* dst = out.data() + kHeaderBytes;
  for (uint32_t y = height; y-- > 0; dst += row) {
    const uint32_t* src = pixels + size_t(y) * pitchPixels;
    for (uint32_t x = 0; x < width; ++x) {
      dst[3 * x] = uint8_t(src[x]);            // blue
      dst[3 * x + 1] = uint8_t(src[x] >> 8);   // green
      dst[3 * x + 2] = uint8_t(src[x] >> 16);  // red
    }
  }
  return out;
}

namespace {
// Writes the texture as "<name>.bmp" into the wallpaper folder; with
// `unlessSame`, a file that holds exactly those bytes already is left as it is.
std::string WriteWallpaperBitmap(const TTextureRef& texture, const char* name, bool unlessSame) {
  if (!IsPlainName(name)) {
    TraceOut("Wallpaper: \"%s\" is not a plain file name", name ? name : "");
    return "";
  }
  std::vector<uint8_t> bytes = EncodeTexture(texture, name);
  if (bytes.empty() || GetWallpaperFolder().empty()) return "";
  std::string path = MakeWallpaperPath(std::string(name) + ".bmp");
  if (unlessSame && HoldsExactly(path, bytes)) return path;
  return WriteWhole(path, bytes) ? path : "";
}
}  // namespace

std::string SaveWallpaperBitmap(const TTextureRef& texture, const char* name) {
  return WriteWallpaperBitmap(texture, name, false);
}

std::string ExportWallpaperBitmap(const TTextureRef& texture, const char* name) {
  return WriteWallpaperBitmap(texture, name, true);
}

bool SetDesktopWallpaper(const std::string& path) {
  if (path.empty()) return false;
  IWallpaperSetter* setter = GetWallpaperSetter();
  return setter && setter->Set(path);
}

bool SetWallpaperFromTexture(const TTextureRef& texture, const char* name) {
  std::string path = SaveWallpaperBitmap(texture, name);
  return !path.empty() && SetDesktopWallpaper(path);
}
