// The application object and the program's start-up and shut-down order.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
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
    std::fprintf(stderr, "lantern: the game does not start: %s\n", why.c_str());
    TraceOut("The game does not start: %s", why.c_str());
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

bool TPlatform::CreateMainWindow() {
  std::unique_ptr<THost> host;
  TString input = GetSettingString("input");
  if (hooks_.createHost) {
    host = hooks_.createHost();
  } else if (GetSettingBool("headless")) {
    auto headless = std::make_unique<THeadlessHost>();
    if (!input.IsEmpty()) headless->LoadInputScript(app_->ResolveStartPath(input.str()));
    // Without a screenshot nothing reads a headless run's frames.
    headless->SetKeepLastFrame(!GetSettingString("screenshot").IsEmpty() || headless->HasScriptedScreenshots());
    host = std::move(headless);
  } else {
    host = CreateSdlHost();
    // A window driven by a script plays as a headless run does, shown on screen.
    if (host && !input.IsEmpty()) host = CreateScriptedWindowHost(std::move(host), app_->ResolveStartPath(input.str()));
  }
  if (!host) return false;
  float scale = GetSettingFloat("viewportscale", 1.0f);
  app_->viewportScaling = scale > 0.0f && scale != 1.0f;
  app_->viewportScale = app_->savedViewportScale = app_->viewportScaling ? scale : 1.0f;
  TString title = GetSettingString("productname", "lantern");
  if (!host->CreateWindow(title, 480, 360)) return false;
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
  // 1. The command line.
  TCommandLine commandLine = ParseCommandLine(words);
  ApplyCommandLine(commandLine);
  char cwd[PATH_MAX];
  std::string startFolder = getcwd(cwd, sizeof(cwd)) ? cwd : ".";

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
  if (!commandLine.workFolder.empty() && chdir(commandLine.workFolder.c_str()) != 0)
    TraceOut("Cannot change to the working folder %s: %s", commandLine.workFolder.c_str(), std::strerror(errno));

  int exitCode = 0;
  {
    // 4. The platform object: settings files, the instance lock, log, string table, window script.
    TPlatform platform(std::move(app), hooks);
    TPlatform::TStartup startup = platform.LoadStartupData();
    InstallCrashReporter();  // the user folder as the settings now name it

    // 5. Main window, sound manager, folders as settings, cheats and options, plug-ins.
    if (startup != TPlatform::TStartup::kGo) {
      exitCode = startup == TPlatform::TStartup::kAnotherCopy ? 0 : 1;
    } else if (!platform.CreateMainWindow()) {
      std::fprintf(stderr, "lantern: no window can be opened (is there a display?); "
                           "options=headless=1 runs without one\n");
      TraceOut("Start-up failed: no main window");
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
      // A screenshot that was asked for and not written is a failed run.
      if (!GetSettingString("screenshot").IsEmpty() && !platform.WriteScreenshot() && exitCode == 0) exitCode = 1;
    }
    TraceOut("Shutting down");
  }
  TGameState::DestroyInstance();
  SetRefuseAbsolutePaths(false);
  TraceOut("Shut down");
  ClearSettings();
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
