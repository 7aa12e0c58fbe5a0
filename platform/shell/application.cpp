// The application object and the program's start-up and shut-down order.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/crash.h"
#include "platform/folders.h"
#include "platform/gamestate.h"
#include "platform/host/hosts.h"
#include "platform/host/system.h"
#include "platform/log.h"
#include "platform/registry/asset.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/stringtable.h"

#ifndef LANTERN_PRODUCT_NAME
#define LANTERN_PRODUCT_NAME "lantern"
#endif
#ifndef LANTERN_VERSION
#define LANTERN_VERSION "0.0.0"
#endif
// Where the build put the data: the installed data folder, and the source
// folder the program was built from.
#ifndef LANTERN_INSTALL_DATA_DIR
#define LANTERN_INSTALL_DATA_DIR ""
#endif
#ifndef LANTERN_SOURCE_DATA_DIR
#define LANTERN_SOURCE_DATA_DIR ""
#endif

namespace {

// --- Signals that end the program ---

std::atomic<int> gQuitSignal{0};
std::atomic<int64_t> gQuitSignalAt{0};  // monotonic ms of the first one (0: none yet)
constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction gSavedActions[3];
// Signals within this time of the first are the same request: a closed
// terminal's hang-up comes from the shell and from the terminal a moment
// apart, a log-out may send SIGHUP and SIGTERM together.
constexpr int64_t kSameRequestMs = 1000;

int64_t SignalClockMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);  // safe in a signal handler
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

extern "C" void OnQuitSignal(int signal) {
  const int64_t now = std::max<int64_t>(SignalClockMs(), 1);
  int64_t first = 0;
  if (gQuitSignalAt.compare_exchange_strong(first, now)) {
    gQuitSignal = signal;
    return;
  }
  if (now - first < kSameRequestMs) return;
  // A signal once the first one's quit is under way ends the program at once.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);  // delivered with its default action when this handler returns
}

void RestoreQuitSignals() {
  for (size_t i = 0; i < 3; ++i) sigaction(kQuitSignals[i], &gSavedActions[i], nullptr);
}

// --- Where the data is ---

bool IsFolder(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether the folder holds the game's data as the game reads it (through the
// file layer): the marker file, looked up once in any letter case (data made
// on Windows may have its names so), or a pack archive. What lies under
// "assets/" is read from the folder named so exactly: an "Assets" folder is
// no data, and `misnamed` gets its path for the reason the start gives.
bool HoldsData(const std::string& folder, const std::string& marker, std::string* misnamed) {
  if (!IsFolder(folder)) return false;
  const std::string base = folder.back() == '/' ? folder : folder + "/";
  static const std::string kAssets = "assets/";
  const bool underAssets = marker.compare(0, kAssets.size(), kAssets) == 0;
  const std::string found = underAssets ? FindCaseInsensitive(base + "assets", marker.substr(kAssets.size()))
                                        : FindCaseInsensitive(base, marker);
  struct stat st;
  if (!found.empty() && stat(found.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return true;
  bool pack = false;
  if (DIR* dir = opendir((base + "assets").c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = LowerAscii(entry->d_name);
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".knp") == 0) pack = true;
    }
    closedir(dir);
  }
  if (!pack && misnamed && misnamed->empty()) {
    const std::string other = FindCaseInsensitive(base, "assets");
    if (!other.empty() && other != base + "assets" && IsFolder(other)) *misnamed = other;
  }
  return pack;
}

// Why a folder with an assets folder in another letter case was not taken.
std::string MisnamedWhy(const std::string& misnamed) {
  if (misnamed.empty()) return misnamed;
  return "; " + misnamed + " is not read (the game reads its data from \"assets\", in lower case)";
}

// The data folder: the one given with "--data=", else the first of the
// working folder, the program's folder, the installed data (beside the
// program in ../share/lantern or ../share/games/lantern, then where the
// build installs it) and the source folder the program was built from that
// holds the data, each looked at once. Empty, with the reason in `why`,
// when there is none.
std::string FindDataFolder(const std::string& given, const std::string& marker, std::string* what, std::string* why) {
  std::string misnamed;
  if (!given.empty()) {
    if (HoldsData(given, marker, &misnamed)) {
      *what = "given with --data";
      return HostRealPath(given);
    }
    *why = "the folder given with --data (" + given + ") holds no game data (no " + marker +
           " and no pack archive in its assets/)" + MisnamedWhy(misnamed);
    return std::string();
  }
  char cwd[PATH_MAX];
  const std::string program = HostProgramFolder();
  const std::pair<std::string, const char*> places[] = {
      {getcwd(cwd, sizeof cwd) ? cwd : "", "the working folder"},
      {program, "the program's folder"},
      {program + "/../share/lantern", "the installed data"},
      {program + "/../share/games/lantern", "the installed data"},
      {LANTERN_INSTALL_DATA_DIR, "the installed data"},
      {LANTERN_SOURCE_DATA_DIR, "the data the program was built with"},
  };
  std::vector<std::string> looked;
  for (const auto& place : places) {
    if (place.first.empty()) continue;
    // One folder reached by two roads (the program started in its own
    // folder, the source folder installed into) is looked at once.
    const std::string shown = IsFolder(place.first) ? HostRealPath(place.first) : place.first;
    if (std::find(looked.begin(), looked.end(), shown) != looked.end()) continue;
    looked.push_back(shown);
    if (HoldsData(shown, marker, &misnamed)) {
      // A folder passed over for its "Assets" is named in the log's line.
      *what = place.second + MisnamedWhy(misnamed);
      return shown;
    }
  }
  std::string list;
  for (size_t i = 0; i < looked.size(); ++i)
    list += (i == 0 ? "" : i + 1 == looked.size() ? " or " : ", ") + looked[i];
  *why = "its data is not found (no " + marker + " in " + list + ")" + MisnamedWhy(misnamed) +
         "; give the folder that holds it with --data=<folder>";
  return std::string();
}

void PrintUsage() {
  std::printf(
      "Usage: " LANTERN_PRODUCT_NAME " [option...] [tester-id]\n"
      "Plays the game. Its data (the folder that holds assets/) is the one given with --data,\n"
      "else the first that holds it of: the working folder, the program's folder,\n"
      "../share/lantern (or ../share/games/lantern) beside it, %s\n"
      "and the source folder the program was built from.\n"
      "\n"
      "  --data=FOLDER          the game's data folder\n"
      "  --multiple             run a further copy (on a user folder of its own)\n"
      "  -h, --help             print this help and exit\n"
      "  --version              print the version and exit\n"
      "  -wd=FOLDER             change to FOLDER first\n"
      "  -host=PROGRAM          open links with PROGRAM\n"
      "  options=KEY=VALUE,...  settings, among them these, taken from the command line only:\n"
      "      headless=1             run without a window (tests, screenshots)\n"
      "      frames=N               end after N presented frames\n"
      "      screenshot=FILE.png    write the last frame as a PNG picture\n"
      "      input=FILE             replay an input script (docs/headless.md)\n"
      "      userfolder=FOLDER      keep saves, log and the player's pictures in FOLDER\n"
      "      scripttimelimit=MS     stop a script that runs MS ms without a break (0: never)\n"
      "      scriptmemorylimit=MB   the memory a script may take (0: no limit)\n"
      "\n"
      "Exit status: 0 when the game ended (or another copy runs and was brought to the\n"
      "front), 1 when it could not start or its screenshot was not written, 2 for a command\n"
      "line it cannot take; the reason is on standard error and in the log. SIGTERM, SIGINT\n"
      "and SIGHUP end it as its own quit does, with its save, and then by that signal.\n",
      LANTERN_INSTALL_DATA_DIR[0] ? LANTERN_INSTALL_DATA_DIR : "the installed data");
}

}  // namespace

void InstallQuitSignals() {
  gQuitSignal = 0;
  gQuitSignalAt = 0;
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < 3; ++i) sigaction(kQuitSignals[i], &action, &gSavedActions[i]);
}

int GetQuitSignal() { return gQuitSignal.load(); }

void TellStartFailure(const std::string& why) {
  std::fprintf(stderr, "lantern: the game does not start: %s\n", why.c_str());
  TraceOut("The game does not start: %s", why.c_str());
}

TApplication::TApplication(const TPlatformHooks& hooks) : hooks_(hooks) {}

TApplication::~TApplication() {
  StopHelperThread();
  if (host_) {
    host_->DestroyWindow();
    host_.reset();
  }
  lock_.reset();
}

std::string TApplication::ResolveStartPath(const std::string& path) const {
  if (path.empty() || path[0] == '/' || startFolder.empty()) return path;
  return startFolder + "/" + path;
}

void TApplication::Create() {
  // A clock that differs between runs, so every run gets its own sequence.
  std::srand(MakeSeed(HostMonotonicMs()));
  SetSetting("productname", LANTERN_PRODUCT_NAME);
  SetSetting("version", LANTERN_VERSION);
  if (hooks_.createWindowManager) windowManager = hooks_.createWindowManager();
  ownedAssets_ = std::make_unique<TAssetManager>();
  assetManager = ownedAssets_.get();
  SetAssetManager(assetManager);
  stringTable = std::make_unique<TStringTable>();
  StartHelperThread();
}

TInstanceLock::TResult TApplication::TakeInstanceLock(const std::string& userFolder, std::string* why) {
  // A further copy (--multiple, -wnd=) runs on a user folder of its own:
  // two copies on one folder would each save over the other's progress.
  const bool further = GetSettingBool("multiple") || !GetSettingString("hostwindow").IsEmpty();
  lock_ = std::make_unique<TInstanceLock>();
  TInstanceLock::TResult result = lock_->Acquire(userFolder, !further);
  if (why) *why = lock_->Why();
  if (why && result == TInstanceLock::TResult::kInUse)
    *why += "; a further copy needs a user folder of its own (options=userfolder=<folder>)";
  if (!lock_->IsHeld()) lock_.reset();
  return result;
}

bool TApplication::PollRaiseRequest() { return lock_ && lock_->PollRaiseRequest(); }

void TApplication::SetDisplay(TPlatformDisplay* display) {
  std::lock_guard<std::mutex> lock(helperMutex_);
  helperDisplay_ = display;
}

void TApplication::StartHelperThread() {
  if (helper_.joinable()) return;
  helperStop_ = false;
  helper_ = std::thread([this] { HelperLoop(); });
}

void TApplication::StopHelperThread() {
  {
    std::lock_guard<std::mutex> lock(helperMutex_);
    helperStop_ = true;
  }
  helperWake_.notify_all();
  if (helper_.joinable()) helper_.join();
}

void TApplication::HelperLoop() {
  std::unique_lock<std::mutex> lock(helperMutex_);
  while (!helperStop_) {
    bool drawn = false;
    if (helperDisplay_ && helperDisplay_->IsUsable() &&
        !(hooks_.isDrawingSuspended && windowManager && hooks_.isDrawingSuspended(windowManager)))
      drawn = helperDisplay_->UpdateCursor();
    // Real time, even when the platform clock is manual: this thread only keeps the cursor moving.
    helperWake_.wait_for(lock, std::chrono::milliseconds(drawn ? 16 : 250), [this] { return helperStop_; });
  }
}

// ---------------------------------------------------------------------------


TPlatform::TStartup TPlatform::LoadStartupData() {
  // Why the game does not start goes to standard error and to the log.
  auto doesNotStart = [](const std::string& why, TStartup result) {
    TellStartFailure(why);
    return result;
  };
  // The program folder's settings may name the game, and so its user folder.
  LoadStartupSettingsFiles(TStartupSettingsFiles::kProgramFolder);
  if (GetUserFolder().IsEmpty())
    return doesNotStart("there is no home folder (HOME is not set and the password database has none for this "
                        "user); set HOME, or give options=userfolder=<folder>",
                        TStartup::kRefused);
  LoadStartupSettingsFiles(TStartupSettingsFiles::kUserFolder);
  // One copy per user folder, taken before its files are read or written.
  std::string why;
  TInstanceLock::TResult lock = app_->TakeInstanceLock(GetUserFolder().str(), &why);
  // The running copy's log is left alone; that copy logs the raise request.
  if (lock == TInstanceLock::TResult::kRunning) return doesNotStart(why, TStartup::kAnotherCopy);
  if (lock == TInstanceLock::TResult::kInUse) return doesNotStart(why, TStartup::kRefused);
  // Nothing can be saved without the user folder: said once, here; the game
  // tells the player too.
  const std::string userFolder = GetUserFolder().str();
  if (!MakeFolders(userFolder)) {
    std::string why = std::strerror(errno);
    const std::string home = GetHomeFolder();
    if (errno == ENOENT && !home.empty() && userFolder.compare(0, home.size() + 1, home + "/") == 0 && !IsFolder(home))
      why = "the home folder " + home + " is not there";
    std::fprintf(stderr,
                 "lantern: the user folder %s cannot be made (%s): nothing is saved and there is no log file; "
                 "options=userfolder=<folder> names another\n",
                 userFolder.c_str(), why.c_str());
    TraceOut("The user folder %s cannot be made (%s): nothing is saved and there is no log file", userFolder.c_str(),
             why.c_str());
  }
  std::string log = GetDiskPath("user:logfile.txt", /*forWriting=*/true).str();
  if (log.empty() || !OpenLogFile(log)) TraceOut("The log file %s cannot be written", log.c_str());
  TraceOut("%s %s starting", GetSettingString("productname").c_str(), GetSettingString("version").c_str());
  if (lock == TInstanceLock::TResult::kRefused) return doesNotStart(why, TStartup::kRefused);
  if (!why.empty()) TraceOut("Single instance: %s", why.c_str());
  app_->stringTable->Load("strings.xml");
  if (hooks_.createWindowScript && app_->windowManager) hooks_.createWindowScript(app_->windowManager);
  if (hooks_.registerDataSources) hooks_.registerDataSources();
  return TStartup::kGo;
}

bool TPlatform::CreateMainWindow(std::string* why) {
  std::unique_ptr<THost> host;
  TString input = GetSettingString("input");
  if (hooks_.createHost) {
    host = hooks_.createHost();
  } else if (GetSettingBool("headless")) {
    auto headless = std::make_unique<THeadlessHost>();
    if (!input.IsEmpty() && !headless->LoadInputScript(app_->ResolveStartPath(input.str()), app_->startFolder, why))
      return false;
    // Without a screenshot nothing reads a headless run's frames.
    headless->SetKeepLastFrame(!GetSettingString("screenshot").IsEmpty() || headless->HasScriptedScreenshots());
    host = std::move(headless);
  } else {
    host = CreateSdlHost(why);
    // A window driven by a script plays as a headless run does, shown on screen.
    if (host && !input.IsEmpty())
      host = CreateScriptedWindowHost(std::move(host), app_->ResolveStartPath(input.str()), app_->startFolder, why);
  }
  if (!host) return false;
  if (why) why->clear();
  float scale = GetSettingFloat("viewportscale", 1.0f);
  app_->viewportScaling = scale > 0.0f && scale != 1.0f;
  app_->viewportScale = app_->savedViewportScale = app_->viewportScaling ? scale : 1.0f;
  TString title = GetSettingString("productname", "lantern");
  if (!host->CreateWindow(title, 480, 360)) {
    if (why) *why = "no window can be opened (the log tells why); options=headless=1 runs without one";
    return false;
  }
  TString shot = GetSettingString("screenshot");
  if (!shot.IsEmpty()) host->SetKeepLastFrame(true);
  int frames = GetSettingInt("frames", 0);
  frameLimit_ = frames > 0 ? static_cast<uint64_t>(frames) : 0;
  app_->SetHost(std::move(host));
  return true;
}

bool TPlatform::WriteScreenshot() {
  TString shot = GetSettingString("screenshot");
  if (shot.IsEmpty() || !GetHost()) return false;
  std::string path = app_->ResolveStartPath(shot.str());
  bool ok = GetHost()->SaveScreenshot(path);
  if (ok)
    TraceOut("Screenshot written to %s (frame %llu)", path.c_str(),
             static_cast<unsigned long long>(GetHost()->GetPresentCount()));
  return ok;
}

int RunApplication(const std::vector<std::string>& words, const TGameMain& game, const TPlatformHooks& hooks) {
  // A fault from here on leaves a crash report in the user folder.
  InstallCrashReporter();
  // 1. The command line: answered, refused, or taken.
  TCommandLine commandLine = ParseCommandLine(words);
  if (commandLine.help) {
    PrintUsage();
    return 0;
  }
  if (commandLine.version) {
    std::printf("%s %s\n", LANTERN_PRODUCT_NAME, LANTERN_VERSION);
    return 0;
  }
  if (!commandLine.errors.empty()) {
    for (const std::string& error : commandLine.errors) {
      std::fprintf(stderr, "lantern: %s\n", error.c_str());
      TraceOut("Command line: %s", error.c_str());
    }
    std::fprintf(stderr, "lantern: nothing was started; lantern --help lists the options\n");
    return 2;
  }
  ApplyCommandLine(commandLine);
  for (const std::string& word : commandLine.unknown)
    std::fprintf(stderr, "lantern: ignoring \"%s\", which is no option (lantern --help lists them)\n", word.c_str());
  char cwd[PATH_MAX];
  std::string startFolder = getcwd(cwd, sizeof(cwd)) ? cwd : ".";
  // Folders named on the command line count from where the program was started.
  for (const char* key : {"userfolder", "desktopfolder", "particlelibrary"}) {
    std::string value = GetSettingString(key).str();
    if (!value.empty() && value[0] != '/') SetSettingFrom(key, startFolder + "/" + value, TSettingSource::kCommandLine);
  }
  InstallQuitSignals();

  // 2. The application object.
  auto app = std::make_unique<TApplication>(hooks);
  app->startFolder = startFolder;
  app->Create();

  // 3. Host window, portal mode, working folder.
  if (!commandLine.hostWindow.empty())
    TraceOut("Running inside a host window (-wnd=%s) is not supported here; using a window of its own",
             commandLine.hostWindow.c_str());
  if (!commandLine.portal.empty())
    TraceOut("Portal mode (-%s) is not supported here; running stand-alone", commandLine.portal.c_str());
  if (commandLine.hasPq) TraceOut("Hosted mode (-pq=%s) is not supported here; running stand-alone", commandLine.pq.c_str());
  if (commandLine.axTest) TraceOut("Host test mode (--axtest) is not supported here");
  if (!commandLine.workFolder.empty() && chdir(commandLine.workFolder.c_str()) != 0) {
    // The data is then looked for from where the program started: said, as the person asked for another folder.
    const char* why = std::strerror(errno);
    std::fprintf(stderr, "lantern: -wd=%s: the folder cannot be entered (%s); it is ignored\n",
                 commandLine.workFolder.c_str(), why);
    TraceOut("Cannot change to the working folder %s: %s; it is ignored", commandLine.workFolder.c_str(), why);
  }
  // The data folder becomes the working folder; without one the start ends
  // once the log can tell it.
  std::string noData;
  if (!hooks.dataMarker.empty()) {
    std::string given = commandLine.dataFolder;
    if (!given.empty() && given[0] != '/') given = startFolder + "/" + given;
    std::string what;
    std::string data = FindDataFolder(given, hooks.dataMarker, &what, &noData);
    if (!data.empty() && chdir(data.c_str()) != 0)
      noData = "its data folder " + data + " cannot be entered (" + std::strerror(errno) + ")";
    if (noData.empty()) TraceOut("Data: %s (%s)", data.c_str(), what.c_str());
  }

  int exitCode = 0;
  {
    // 4. The platform object: settings files, the instance lock, log, string table, window script.
    TPlatform platform(std::move(app), hooks);
    TPlatform::TStartup startup = platform.LoadStartupData();
    InstallCrashReporter();  // the user folder as the settings now name it

    // 5. Main window, sound manager, folders as settings, cheats and options, plug-ins.
    std::string noWindow;
    if (startup != TPlatform::TStartup::kGo) {
      exitCode = startup == TPlatform::TStartup::kAnotherCopy ? 0 : 1;
    } else if (!noData.empty()) {
      TellStartFailure(noData);
      exitCode = 1;
    } else if (!platform.CreateMainWindow(&noWindow)) {
      TellStartFailure(noWindow.empty() ? "no window can be opened; options=headless=1 runs without one" : noWindow);
      exitCode = 1;
    } else {
      platform.StartSoundManager();
      SetSetting("programfolder", HostProgramFolder());
      SetSetting("startfolder", startFolder);
      if (!commandLine.cheat.empty()) TraceOut("Cheat code given");
      for (const auto& kv : commandLine.options) TraceOut("Option %s = %s", kv.first.c_str(), kv.second.c_str());
      if (hooks.loadPlugins) hooks.loadPlugins();
      else TGameState::GetInstance()->LoadPlugins();
      // From here on file names come from data: absolute paths are refused.
      SetRefuseAbsolutePaths(true);

      // 6. The game, then quit and tear down.
      if (game) game(&platform, TString(commandLine.text));
      platform.PostQuit(platform.GetExitCode());
      exitCode = platform.GetExitCode();
      // A screenshot that was asked for and not written is a failed run, the
      // input script's too (each told when its time came).
      if (auto* scripted = dynamic_cast<THeadlessHost*>(platform.GetHost()))
        if (scripted->GetUnwrittenScreenshots() > 0 && exitCode == 0) exitCode = 1;
      if (!GetSettingString("screenshot").IsEmpty()) {
        TLogCapture why;
        if (!platform.WriteScreenshot()) {
          std::string reason = "the screenshot " + GetSettingString("screenshot").str() + " was not written";
          for (const std::string& line : why.Lines())
            if (line.rfind("Screenshot ", 0) == 0) reason = line;
          std::fprintf(stderr, "lantern: %s\n", reason.c_str());
          if (exitCode == 0) exitCode = 1;
        }
      }
    }
    TraceOut("Shutting down");
  }
  TGameState::DestroyInstance();
  SetRefuseAbsolutePaths(false);
  TraceOut("Shut down");
  ClearSettings();
  RestoreQuitSignals();
  return exitCode;
}

std::unique_ptr<TPlatform> CreateHeadlessPlatform(const TPlatformHooks& hooks, THeadlessHost** hostOut) {
  SetSetting("headless", "1");
  auto app = std::make_unique<TApplication>(hooks);
  app->Create();
  auto host = std::make_unique<THeadlessHost>();
  host->CreateWindow("lantern", 480, 360);
  if (hostOut) *hostOut = host.get();
  app->SetHost(std::move(host));
  return std::make_unique<TPlatform>(std::move(app), hooks);
}
