// The application shell: the platform object TPlatform, the application
// object it owns, the framework's event record and the event source.
//
// TPlatform is the façade every layer uses for the window, the display mode,
// time, the clipboard, the cursor, URLs and the two task lists, and it hands
// out the window manager, the sound manager, the string table and the asset
// registry. It sits in the platform layer: the layers above (display, sound,
// windows) plug their objects in through TPlatformHooks, which the program's
// entry (app/) fills in. Everything here runs on the main thread unless said
// otherwise. Depends on platform/, platform/host/ and platform/registry/.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/event.h"
#include "platform/host/host.h"
#include "platform/host/system.h"
#include "platform/string.h"
#include "platform/task.h"

class TAssetManager;
class THeadlessHost;
class TPlatform;
class TSoundManager;
class TStringTable;
class TTexture;
class TWindowManager;

// ---------------------------------------------------------------------------
// Events

// Sub-codes of kEventButton.
enum TButtonCode : uint32_t {
  kButtonRightUp = 0, kButtonRightDown = 1, kButtonMiddleUp = 2, kButtonMiddleDown = 3,
  kButtonExtraUp = 4, kButtonExtraDown = 5, kButtonWheelForward = 6, kButtonWheelBack = 7,
};

// The framework key code for a host key; 0 for keys the framework has no code for.
uint32_t TranslateHostKey(uint32_t hostKey);

// ---------------------------------------------------------------------------
// The display seam

// What the platform needs of the display (the layer above supplies it through
// TPlatformHooks::createDisplay; a plain stand-in is used when it does not).
// The host window is already in the wanted mode when Open and ModeChanged run.
class TPlatformDisplay {
public:
  virtual ~TPlatformDisplay() = default;
  // Opens the display at width x height game pixels; false when it cannot.
  virtual bool Open(int width, int height, bool fullScreen) = 0;
  // The window switched between full screen and window; the size stays.
  virtual bool ModeChanged(bool fullScreen) = 0;
  virtual bool IsUsable() const = 0;
  // True when the previous presentation has finished.
  virtual bool IsFlipDone() = 0;
  // Ends the frame and, when asked, presents it (TPlatform::EndDraw).
  virtual void EndDraw(bool present) = 0;
  virtual void OutOfVideoMemory() = 0;
  virtual void SetCursor(const boost::shared_ptr<TTexture>& texture, int hotX, int hotY, int flag) = 0;
  virtual void ShowCursor(bool show) = 0;
  // The window moved on the desktop or changed size (the cursor checks its bounds).
  virtual void OnWindowMoved() {}
  // On the helper thread, between frames: brings the cursor up to date.
  // True when it could (the thread then looks again in 16 ms, else in 250 ms).
  virtual bool UpdateCursor() { return false; }
};

// The stand-in display: a frame of one plain colour, presented through the host.
std::unique_ptr<TPlatformDisplay> CreatePlainDisplay(THost* host, uint32_t color = 0xFF1E2A3A);

// ---------------------------------------------------------------------------
// Hooks of the layers above

struct TPlatformHooks {
  // The host; empty: SDL2, or the headless host when the setting "headless" is on.
  std::function<std::unique_ptr<THost>()> createHost;
  // Window manager: made with the application object, its script engine set
  // up when the platform object is made, deleted first at shut-down.
  std::function<TWindowManager*()> createWindowManager;
  std::function<void(TWindowManager*)> createWindowScript;
  std::function<void(TWindowManager*)> destroyWindowManager;
  // Whether the window manager's drawing is suspended (read on the helper thread).
  std::function<bool(TWindowManager*)> isDrawingSuspended;
  // Asks every window to be drawn again (after the display came back).
  std::function<void(TWindowManager*)> invalidateWindows;
  // The root screen, made by the first OpenDisplay.
  std::function<void(TWindowManager*, int width, int height)> createRootScreen;
  // Sound manager: made and started on first use (null when it cannot start),
  // updated by each idle pass, told about activation, stopped and deleted.
  std::function<TSoundManager*()> createSoundManager;
  std::function<void(TSoundManager*)> updateSoundManager;
  std::function<void(TSoundManager*, bool active)> setSoundActive;
  std::function<void(TSoundManager*)> destroySoundManager;
  // Data-source builders, registered before any sound is loaded.
  std::function<void()> registerDataSources;
  // Display: made by the first OpenDisplay; deleted in the renderer's turn.
  std::function<std::unique_ptr<TPlatformDisplay>(TPlatform*)> createDisplay;
  // Shut-down of the vector-font drawer and of the game-state reporter.
  std::function<void()> destroyFontDrawer;
  std::function<void()> destroyGameState;
  // Portal plug-in modules in the asset folder.
  std::function<void()> loadPlugins;
  // A file the game cannot start without, relative to its data folder
  // ("assets/scripts/mainloop.lua"). When set, start-up looks for the data
  // folder (the one holding it, or a pack archive in its assets/) and works
  // from there, and a start that finds none ends with a message (docs/shell.md,
  // "Where the data is found"). Empty: the working folder is used as it is.
  std::string dataMarker;
};

// ---------------------------------------------------------------------------
// The application object

class TApplication {
public:
  explicit TApplication(const TPlatformHooks& hooks);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The random seed made from a millisecond clock value.
  static unsigned MakeSeed(uint32_t ms) { return static_cast<unsigned>((static_cast<uint64_t>(ms) * 8627u) % 104729u); }

  // Start-up step 2: seed, product settings, window manager, asset registry,
  // string table, helper thread.
  void Create();
  // The single-instance lock of the user folder (absolute). With
  // "--multiple" or "-wnd=" the copy still takes it, but a copy that finds it
  // held does not ask the running one to come forward (kInUse). `why` gets
  // the reason when it is not taken, or when the copy runs without a lock.
  TInstanceLock::TResult TakeInstanceLock(const std::string& userFolder, std::string* why);

  THost* GetHost() const { return host_.get(); }
  void SetHost(std::unique_ptr<THost> host) { host_ = std::move(host); }

  // Fields read by the display and the toolkit.
  bool viewportScaling = false;
  float viewportScale = 1.0f;
  float savedViewportScale = 1.0f;
  std::string hostWindow;                  // "-wnd=" (unsupported here; always empty in use)
  std::string startFolder;                 // the working folder at start-up
  // A path from the command line: relative paths count from the start-up folder.
  std::string ResolveStartPath(const std::string& path) const;
  std::atomic<uint8_t> cursorSuppress{0};  // non-zero: the software cursor is not drawn
  bool cursorShown = true;
  int windowState[2] = {0, 0};             // the Flash host's saved window state

  TWindowManager* windowManager = nullptr;
  TAssetManager* assetManager = nullptr;
  TSoundManager* soundManager = nullptr;
  std::unique_ptr<TStringTable> stringTable;
  TTaskList tasks;

  // The raise requests of later copies (checked in the idle pass).
  bool PollRaiseRequest();

  // The helper thread: while the display is usable and drawing is not
  // suspended it updates the cursor about every 16 ms, otherwise every 250 ms.
  void StartHelperThread();
  void StopHelperThread();
  void SetDisplay(TPlatformDisplay* display);  // guarded against the helper thread

private:
  void HelperLoop();

  TPlatformHooks hooks_;
  std::unique_ptr<THost> host_;
  std::unique_ptr<TInstanceLock> lock_;
  std::unique_ptr<TAssetManager> ownedAssets_;
  std::thread helper_;
  std::mutex helperMutex_;
  std::condition_variable helperWake_;
  bool helperStop_ = false;
  TPlatformDisplay* helperDisplay_ = nullptr;
};

// ---------------------------------------------------------------------------
// The platform object

class TPlatform {
public:
  // Takes the application object (which must hold a host with its window).
  TPlatform(std::unique_ptr<TApplication> app, const TPlatformHooks& hooks);
  // Tears down in order: window manager, platform tasks, sound manager,
  // vector-font drawer, display, game-state reporter, string table, asset
  // registry, application object (window, helper thread).
  ~TPlatform();
  TPlatform(const TPlatform&) = delete;
  TPlatform& operator=(const TPlatform&) = delete;

  // The process-wide platform object; null before it is made and after it is gone.
  static TPlatform* GetInstance();

  // Start-up step 4: settings files, the single-instance lock of the user
  // folder, log, string table, window script, data sources. kRefused (with a
  // message on standard error) when there is no user folder (no home folder)
  // or the lock file is not the user's own, or when a further copy
  // ("--multiple") finds another copy on the user folder; kAnotherCopy when
  // another copy runs on the user folder and was asked to come forward. With
  // another copy running the program ends before reading anything more.
  enum class TStartup { kGo, kAnotherCopy, kRefused };
  TStartup LoadStartupData();
  // Start-up step 5: the host and its main window (480 x 360 until the display
  // opens), the headless settings. False when no window can be made; `why`
  // then tells the person who started the program what to do.
  bool CreateMainWindow(std::string* why = nullptr);

  // --- Events ---
  // Fills the next event; one event per call (see docs/shell.md for the order).
  void GetEvent(TPlatformEvent* event);

  // --- Subsystems ---
  TWindowManager* GetWindowManager() const { return app_->windowManager; }
  // Made and started on first use; null only when it could not start.
  TSoundManager* GetSoundManager();
  void StartSoundManager();
  TStringTable* GetStringTable() const { return app_->stringTable.get(); }
  TAssetManager* GetAssetManager() const { return app_->assetManager; }
  TApplication* GetApplication() const { return app_.get(); }
  THost* GetHost() const { return app_->GetHost(); }
  TPlatformDisplay* GetDisplay() const { return display_.get(); }

  // --- Window and display ---
  void SetWindowTitle(const TString& title);
  // Opens the display with a game area of width x height: in a window of that
  // size (times the viewport scale; made smaller, with its aspect kept, when
  // the screen's usable area is smaller), or full screen on the desktop with
  // the picture scaled to fit. The first call makes the display and the root screen.
  bool OpenDisplay(int width, int height, bool fullScreen);
  bool IsFullScreen() const;
  bool SetFullScreen(bool fullScreen);
  // The game area's size and mode (the window's client size before OpenDisplay).
  void GetDisplayMode(int* width, int* height, bool* fullScreen) const;
  bool IsFlipDone();
  bool IsForeground() const;
  void EndDraw(bool present);
  void OutOfVideoMemory();
  // Whether the window manager has suspended drawing (any thread).
  bool IsDrawingSuspended() const;
  // The next tick draws every window again.
  void InvalidateWindows();
  // Window pixels -> game coordinates (through the letterbox in full screen).
  void WindowToGame(int wx, int wy, int32_t* gx, int32_t* gy) const;

  // --- Time ---
  // Play time in milliseconds: platform time (GetPlatformTime) less every span
  // during which the application was inactive (window without the focus, or
  // minimised); it stands still while inactive. Main thread. Frame pacing, the
  // cursor, input-script replay and the framework's clocks (TClock) run on
  // platform time; game timers read this one (docs/shell.md, "Time").
  uint32_t GetTime() const;
  // Whether play time is stopped now (the application is inactive).
  bool IsPlayTimeStopped() const { return !lastActive_; }
  void Sleep(uint32_t ms);

  // --- Misc services ---
  void PostQuit(int exitCode);
  bool IsQuitPosted() const { return quitPosted_; }
  int GetExitCode() const { return exitCode_; }
  // Opens a link that data or a script gives: an http:, https: or mailto:
  // address as it is, or a document of the game's own folder (the working or
  // the program folder; a relative name with an extension of
  // kDocumentExtensions, platform/host/system.h) as the file: address the
  // engine makes of it. Anything else (a file: address, a path, another
  // scheme) is refused and logged, and a missing document is logged; nothing
  // runs then. The address goes to the program of the setting "browser"
  // (given on the command line only) or to the desktop's opener, as one
  // argument. True when it was handed on.
  bool OpenUrl(const TString& link);
  void SetCursor(const boost::shared_ptr<TTexture>& texture, int hotX, int hotY, int flag);
  void ShowCursor(bool show);
  TString GetClipboardText();
  void SetClipboardText(const TString& text);

  // --- Tasks ---
  void AddRestoreTask(TTask* task);
  bool RemoveRestoreTask(TTask* task);
  // Runs the restore list (the display calls it after its surfaces came back).
  void RunRestoreTasks();
  void AddTask(TTask* task);
  TTaskList* GetTaskList() { return &app_->tasks; }

  // Writes the setting "screenshot" (when set) from the host's last frame.
  bool WriteScreenshot();

  // Delay before a resting mouse gives a hover event, and the window after an
  // activation in which a button press (and its release) is dropped.
  static constexpr uint32_t kHoverDelayMs = 400;
  static constexpr uint32_t kActivationClickMs = 400;

private:
  bool NextFlagEvent(TPlatformEvent* event);
  void NoteWindowEvent(const THostEvent& e);
  bool TranslateInput(const THostEvent& e, TPlatformEvent* out);
  bool TranslateKey(const THostEvent& e, TPlatformEvent* out);
  void QueueText(const std::string& utf8);
  void SetActive(bool active);
  void FillMouse(const THostEvent& e, uint32_t type, uint32_t a, TPlatformEvent* out);
  void IdleWork();
  // The window's client size for a game area of width x height.
  void WindowSizeFor(int width, int height, int* windowW, int* windowH) const;

  std::unique_ptr<TApplication> app_;
  TPlatformHooks hooks_;
  std::unique_ptr<TPlatformDisplay> display_;
  TTaskList restoreTasks_;
  bool soundStarted_ = false;

  // Display mode.
  bool displayOpen_ = false;
  int gameW_ = 0, gameH_ = 0;

  // Quit.
  bool quitPosted_ = false;
  int exitCode_ = 0;
  uint64_t frameLimit_ = 0;

  // Flags left by window events, turned into events first.
  bool pendingActivate_ = false;
  bool activeValue_ = true;
  bool pendingPaint_ = false;
  bool pendingClose_ = false;
  bool pendingLeave_ = false;
  bool lastActive_ = true;
  // Play time: the platform time when it stopped, and the total of the spans
  // during which it stood still.
  uint32_t playStoppedAt_ = 0;
  uint32_t playPausedTotal_ = 0;

  // One input event read ahead while draining window events, and events
  // queued by translation (characters after a key, code points of text).
  bool haveLookahead_ = false;
  THostEvent lookahead_;
  std::deque<TPlatformEvent> queued_;

  // Activation drop of a click.
  uint32_t activatedAt_ = 0;
  bool activationArmed_ = false;
  int droppedButtons_ = 0;  // bit per host button whose release is dropped

  // Hover.
  bool hoverArmed_ = false;
  uint32_t lastMoveAt_ = 0;
  int32_t lastGameX_ = 0, lastGameY_ = 0;
  int buttonsDown_ = 0;
};

// ---------------------------------------------------------------------------
// Start-up

// The game's main function: called once with the platform object and the
// command-line text when everything exists; returns when the game ends.
using TGameMain = std::function<void(TPlatform*, const TString& commandLine)>;

// Runs the program: start-up in order, the game, shut-down in order.
// Returns the exit code given to PostQuit (0 by default); 1 when the program
// could not start (no data, no window, no display) or the screenshot it was
// asked for could not be written; 0 when another copy runs, or for "--help"
// and "--version" (which print and run nothing); 2 for a command line that
// cannot be taken (a malformed option value). Every failure is told on
// standard error as well as in the log.
int RunApplication(const std::vector<std::string>& words, const TGameMain& game, const TPlatformHooks& hooks);

// Why the program does not start, told on standard error ("lantern: the game
// does not start: <why>") and in the log; the caller ends the start.
void TellStartFailure(const std::string& why);

// SIGTERM, SIGINT and SIGHUP (a log-out, a closed terminal, Ctrl+C) post a
// quit, which the game's loop takes as its own quit, save included; a further
// one ends the program at once, unless it comes within a second of the first
// (the same request sent twice: a closed terminal's shell and terminal). RunApplication installs the handlers for its
// run. The signal that ended the run (0: none): the program's entry raises it
// again once everything is shut down, so that the caller sees it.
void InstallQuitSignals();
int GetQuitSignal();

// A platform object over a headless host with its 480 x 360 window, as
// start-up leaves it but without settings files, log or game (tests, tools,
// benchmarks). Sets the setting "headless". `host` receives the host.
std::unique_ptr<TPlatform> CreateHeadlessPlatform(const TPlatformHooks& hooks = TPlatformHooks(),
                                                  THeadlessHost** host = nullptr);
