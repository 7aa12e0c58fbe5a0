// Desktop integration of the host: running a helper program to its end with
// a time limit, and setting the desktop wallpaper.
//
// The wallpaper is set through a small replaceable interface: the desktop's
// setter asks the desktop portal (through "gdbus", the session bus's command
// line client) and then GNOME's settings tool ("gsettings"), each started with
// an argument vector, never through a shell. A headless run never touches the
// desktop: it only logs the command lines. Tests install a setter of their own,
// or give the desktop's setter a recording command runner.
// Part of platform/host; uses platform/ (settings, log).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The user's XDG folders (Pictures, Documents...) are GetXdgUserFolder
// (platform/folders.h).

// "file://" and the path with every byte other than A-Z a-z 0-9 - . _ ~ /
// percent-encoded (blanks, quotes and non-ASCII names included).
std::string FileUri(const std::string& absolutePath);

// Runs programs for the desktop integration.
class TCommandRunner {
public:
  static constexpr int kNotStarted = -1;
  static constexpr int kTimedOut = -2;
  virtual ~TCommandRunner() = default;
  // Runs argv (argv[0] looked up on PATH) and waits for it at most
  // `timeoutMs`; returns its exit code, kNotStarted, or kTimedOut (the
  // program was then killed).
  virtual int Run(const std::vector<std::string>& argv, uint32_t timeoutMs) = 0;
};

// posix_spawnp with the argument vector, no shell; standard input, output and
// error go to /dev/null.
class TSpawnCommandRunner : public TCommandRunner {
public:
  int Run(const std::vector<std::string>& argv, uint32_t timeoutMs) override;
};

class IWallpaperSetter {
public:
  virtual ~IWallpaperSetter() = default;
  // Makes the picture file at `path` (absolute) the desktop wallpaper,
  // stretched over the screen. False when nothing could set it; the file is
  // left in place either way.
  virtual bool Set(const std::string& path) = 0;
};

// The desktop's own ways, tried in order: the desktop portal's
// SetWallpaperURI through gdbus, then gsettings (picture-uri, picture-uri-dark
// and picture-options 'stretched'). When both fail it logs "Wallpaper saved
// to <path>; setting it is not supported on this desktop".
class TDesktopWallpaperSetter : public IWallpaperSetter {
public:
  // Without a runner it spawns the programs itself.
  explicit TDesktopWallpaperSetter(std::shared_ptr<TCommandRunner> runner = nullptr);
  bool Set(const std::string& path) override;

  // The argument vectors it runs for a path, in order (tests compare them).
  static std::vector<std::string> PortalCommand(const std::string& path);
  static std::vector<std::vector<std::string>> GsettingsCommands(const std::string& path);

private:
  std::shared_ptr<TCommandRunner> runner_;
};

// The process's setter: the one installed with SetWallpaperSetter, else the
// desktop's. In a headless run (setting "headless") the desktop's setter only
// logs each command line it would start ("Wallpaper: a headless run does not
// start: gdbus call ...") and so ends with false.
IWallpaperSetter* GetWallpaperSetter();
// Installs a setter for the process (tests); null goes back to the default.
void SetWallpaperSetter(std::unique_ptr<IWallpaperSetter> setter);
