#include "platform/host/desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/host/system.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "platform/string.h"

extern char** environ;

namespace {

// Single quotes make a text a string for the GVariant parser of gdbus and
// gsettings; the URI holds no quote or backslash, since FileUri encodes them.
std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A headless run's runner: it logs each command line instead of running it.
class THeadlessCommandRunner : public TCommandRunner {
public:
  int Run(const std::vector<std::string>& argv, uint32_t) override {
    std::string line;
    for (const std::string& word : argv) line += (line.empty() ? "" : " ") + word;
    TraceOut("Wallpaper: a headless run does not start: %s", line.c_str());
    return kNotStarted;
  }
};

std::mutex gSetterMutex;
std::unique_ptr<IWallpaperSetter> gInstalled, gDesktop, gHeadless;

}  // namespace

std::string FileUri(const std::string& absolutePath) { return "file://" + PercentEncode(absolutePath, "/"); }

int TSpawnCommandRunner::Run(const std::vector<std::string>& args, uint32_t timeoutMs) {
  if (args.empty() || args[0].empty()) return kNotStarted;
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd < 3; ++fd) posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd ? O_WRONLY : O_RDONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    TraceOut("Could not start \"%s\": %s", args[0].c_str(), std::strerror(rc));
    return kNotStarted;
  }
  uint32_t start = HostMonotonicMs();
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return kNotStarted;
    if (HostMonotonicMs() - start >= timeoutMs) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      TraceOut("\"%s\" did not finish within %u ms and was stopped", args[0].c_str(), timeoutMs);
      return kTimedOut;
    }
    timespec pause{0, 5 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return kNotStarted;
}

TDesktopWallpaperSetter::TDesktopWallpaperSetter(std::shared_ptr<TCommandRunner> runner)
    : runner_(runner ? std::move(runner) : std::make_shared<TSpawnCommandRunner>()) {}

std::vector<std::string> TDesktopWallpaperSetter::PortalCommand(const std::string& path) {
  return {"gdbus",
          "call",
          "--session",
          "--timeout",
          "10",
          "--dest",
          "org.freedesktop.portal.Desktop",
          "--object-path",
          "/org/freedesktop/portal/desktop",
          "--method",
          "org.freedesktop.portal.Wallpaper.SetWallpaperURI",
          "''",
          Quoted(FileUri(path)),
          "{'set-on': <'background'>, 'show-preview': <false>}"};
}

std::vector<std::vector<std::string>> TDesktopWallpaperSetter::GsettingsCommands(const std::string& path) {
  const std::string schema = "org.gnome.desktop.background", uri = Quoted(FileUri(path));
  return {{"gsettings", "set", schema, "picture-uri", uri},
          {"gsettings", "set", schema, "picture-uri-dark", uri},
          {"gsettings", "set", schema, "picture-options", "'stretched'"}};
}

bool TDesktopWallpaperSetter::Set(const std::string& path) {
  if (path.empty() || path[0] != '/') {
    TraceOut("Wallpaper: \"%s\" is not an absolute path; not set", path.c_str());
    return false;
  }
  if (runner_->Run(PortalCommand(path), 15000) == 0) {
    TraceOut("Wallpaper set through the desktop portal: %s", path.c_str());
    return true;
  }
  auto commands = GsettingsCommands(path);
  if (runner_->Run(commands[0], 5000) == 0) {
    // Older desktops have no dark variant; only the first key decides.
    for (size_t i = 1; i < commands.size(); ++i) runner_->Run(commands[i], 5000);
    TraceOut("Wallpaper set through the desktop settings: %s", path.c_str());
    return true;
  }
  TraceOut("Wallpaper saved to %s; setting it is not supported on this desktop", path.c_str());
  return false;
}

IWallpaperSetter* GetWallpaperSetter() {
  std::lock_guard<std::mutex> lock(gSetterMutex);
  if (gInstalled) return gInstalled.get();
  if (GetSettingBool("headless")) {
    if (!gHeadless) gHeadless = std::make_unique<TDesktopWallpaperSetter>(std::make_shared<THeadlessCommandRunner>());
    return gHeadless.get();
  }
  if (!gDesktop) gDesktop = std::make_unique<TDesktopWallpaperSetter>();
  return gDesktop.get();
}

void SetWallpaperSetter(std::unique_ptr<IWallpaperSetter> setter) {
  std::lock_guard<std::mutex> lock(gSetterMutex);
  gInstalled = std::move(setter);
}
