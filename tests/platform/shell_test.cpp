// The platform shell: start-up and shut-down order, the event source (key
// table, characters, activation drop, one event per call, idle tick), the
// display mode with its mouse mapping, single instance and URL opening.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "platform/host/hosts.h"
#include "platform/host/system.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/time.h"
#include "tests/platform/pngread.h"
#include "tests/support/envguard.h"
#include "tests/support/testsupport.h"

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {

THostEvent HostEvent(THostEventType type, int x = 0, int y = 0, int button = 0) {
  THostEvent e;
  e.type = type;
  e.x = x;
  e.y = y;
  e.button = button;
  return e;
}

THostEvent HostKeyEvent(THostEventType type, uint32_t key, uint32_t mods = 0, bool repeat = false) {
  THostEvent e;
  e.type = type;
  e.key = key;
  e.mods = mods;
  e.repeat = repeat;
  return e;
}

// A platform object over a headless host with a 480 x 360 window, as start-up leaves it.
struct Shell {
  explicit Shell(const TPlatformHooks& hooks = TPlatformHooks()) : platform(CreateHeadlessPlatform(hooks, &host)) {}
  ~Shell() {
    platform.reset();
    ClearSettings();
  }
  TPlatformEvent Next() {
    TPlatformEvent e;
    platform->GetEvent(&e);
    return e;
  }
  TManualTimeScope clock{1000};  // made before the host, so the host leaves the clock alone
  THeadlessHost* host = nullptr;
  std::unique_ptr<TPlatform> platform;
};

class CountingTask : public TTask {
public:
  CountingTask(int* pass0, int* pass1) : pass0_(pass0), pass1_(pass1) {}
  bool IsReady(int pass) override {
    ++(pass == 0 ? *pass0_ : *pass1_);
    return false;
  }
  bool DoTask() override { return true; }

private:
  int* pass0_;
  int* pass1_;
};

// Records events of the start-up and shut-down order.
struct Recorder {
  std::vector<std::string> lines;
  void Add(const std::string& s) { lines.push_back(s); }
};

class RecordingTask : public TTask {
public:
  RecordingTask(Recorder* r, std::string name) : r_(r), name_(std::move(name)) {}
  ~RecordingTask() override { r_->Add(name_ + " deleted"); }
  bool DoTask() override { return true; }

private:
  Recorder* r_;
  std::string name_;
};

class RecordingHost : public THeadlessHost {
public:
  explicit RecordingHost(Recorder* r) : r_(r) {}
  bool CreateWindow(const TString& title, int w, int h) override {
    r_->Add("main window " + std::to_string(w) + "x" + std::to_string(h));
    return THeadlessHost::CreateWindow(title, w, h);
  }
  void DestroyWindow() override {
    if (HasWindow()) r_->Add("window destroyed");
    THeadlessHost::DestroyWindow();
  }

private:
  Recorder* r_;
};

class RecordingDisplay : public TPlatformDisplay {
public:
  RecordingDisplay(Recorder* r, THost* host) : r_(r), plain_(CreatePlainDisplay(host, 0xFF336699)) {}
  ~RecordingDisplay() override { r_->Add("display deleted"); }
  bool Open(int w, int h, bool full) override {
    r_->Add("display " + std::to_string(w) + "x" + std::to_string(h));
    return plain_->Open(w, h, full);
  }
  bool ModeChanged(bool full) override {
    r_->Add(full ? "mode full screen" : "mode window");
    return true;
  }
  bool IsUsable() const override { return true; }
  bool IsFlipDone() override { return true; }
  void EndDraw(bool present) override { plain_->EndDraw(present); }
  void OutOfVideoMemory() override {}
  void SetCursor(const boost::shared_ptr<TTexture>&, int, int, int) override {}
  void ShowCursor(bool) override {}
  void OnWindowMoved() override { r_->Add("window moved"); }

private:
  Recorder* r_;
  std::unique_ptr<TPlatformDisplay> plain_;
};

TWindowManager* FakeWindowManager() {
  static int dummy;
  return reinterpret_cast<TWindowManager*>(&dummy);
}
TSoundManager* FakeSoundManager() {
  static int dummy;
  return reinterpret_cast<TSoundManager*>(&dummy);
}

TPlatformHooks RecordingHooks(Recorder* r) {
  TPlatformHooks hooks;
  hooks.createHost = [r] { return std::unique_ptr<THost>(new RecordingHost(r)); };
  hooks.createWindowManager = [r] {
    r->Add("window manager");
    return FakeWindowManager();
  };
  hooks.createWindowScript = [r](TWindowManager*) { r->Add("window script"); };
  hooks.destroyWindowManager = [r](TWindowManager*) { r->Add("window manager deleted"); };
  hooks.createRootScreen = [r](TWindowManager*, int w, int h) { r->Add("root screen"); };
  hooks.registerDataSources = [r] { r->Add("data sources"); };
  hooks.createSoundManager = [r] {
    r->Add("sound manager");
    return FakeSoundManager();
  };
  hooks.setSoundActive = [r](TSoundManager*, bool active) { r->Add(active ? "sound active" : "sound inactive"); };
  hooks.destroySoundManager = [r](TSoundManager*) { r->Add("sound manager deleted"); };
  hooks.createDisplay = [r](TPlatform* p) {
    return std::unique_ptr<TPlatformDisplay>(new RecordingDisplay(r, p->GetHost()));
  };
  hooks.destroyFontDrawer = [r] { r->Add("font drawer deleted"); };
  hooks.destroyGameState = [r] { r->Add("game state deleted"); };
  hooks.loadPlugins = [r] { r->Add("plug-ins"); };
  return hooks;
}

// The stand-in game loop of the program: frames at most every 12 ms until quit or close.
void PresentingGame(TPlatform* platform, const TString&) {
  platform->OpenDisplay(1024, 768, false);
  TPlatformEvent e;
  uint32_t last = platform->GetTime() - 12;
  for (platform->GetEvent(&e); e.type != kEventQuit && e.type != kEventClose; platform->GetEvent(&e)) {
    if (e.type == kEventTick && platform->GetTime() - last >= 12) {
      last = platform->GetTime();
      platform->EndDraw(true);
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Start-up and shut-down

TEST(Startup, RunsEveryStepInOrderAndTearsDownInReverse) {
  TempDir dir;
  Recorder r;
  TPlatformHooks hooks = RecordingHooks(&r);
  std::string seenCommandLine;
  auto game = [&](TPlatform* p, const TString& commandLine) {
    r.Add("game");
    seenCommandLine = commandLine.str();
    EXPECT_EQ(TPlatform::GetInstance(), p);
    EXPECT_NE(p->GetStringTable(), nullptr);
    EXPECT_NE(p->GetAssetManager(), nullptr);
    EXPECT_EQ(p->GetWindowManager(), FakeWindowManager());
    EXPECT_EQ(p->GetSoundManager(), FakeSoundManager());
    EXPECT_FALSE(GetSettingString("programfolder").IsEmpty());
    EXPECT_FALSE(GetSettingString("startfolder").IsEmpty());
    EXPECT_FALSE(GetSettingString("version").IsEmpty());
    EXPECT_EQ(GetSettingString("productname"), "lantern");
    int w = 0, h = 0;
    bool full = true;
    p->GetDisplayMode(&w, &h, &full);
    EXPECT_EQ(w, 480);  // the main window before the display opens
    EXPECT_EQ(h, 360);
    EXPECT_TRUE(p->OpenDisplay(1024, 768, false));
    p->AddTask(new RecordingTask(&r, "platform task"));
    p->AddRestoreTask(new RecordingTask(&r, "restore task"));
  };
  int code = RunApplication({"--cheat", "x", "options=userfolder=" + dir.Path() + ",headless=1"}, game, hooks);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(seenCommandLine, "--cheat x options=userfolder=" + dir.Path() + ",headless=1");
  EXPECT_EQ(r.lines, (std::vector<std::string>{
                         "window manager", "window script", "data sources", "main window 480x360", "sound manager",
                         "plug-ins", "game", "display 1024x768", "root screen",
                         // shut-down
                         "window manager deleted", "platform task deleted", "restore task deleted",
                         "sound manager deleted", "font drawer deleted", "display deleted", "game state deleted",
                         "window destroyed"}));
  EXPECT_EQ(TPlatform::GetInstance(), nullptr);
  EXPECT_FALSE(HasSetting("userfolder"));  // the settings map is cleared last
  EXPECT_TRUE(FileExists(dir.File("logfile.txt")));
}

TEST(Startup, HeadlessRunStopsAfterItsFramesAndWritesTheScreenshot) {
  TempDir dir;
  testing_support::ScopedChdir cd(dir.Path());
  int frames = 0;
  auto game = [&](TPlatform* p, const TString&) {
    PresentingGame(p, TString());
    frames = static_cast<int>(p->GetHost()->GetPresentCount());
    EXPECT_TRUE(p->IsQuitPosted());
  };
  EXPECT_EQ(RunApplication({"options=headless=1,frames=7,screenshot=shot.png,userfolder=" + dir.Path()}, game,
                           TPlatformHooks()),
            0);
  EXPECT_EQ(frames, 7);
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPng(dir.File("shot.png"), &pixels, &w, &h));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  EXPECT_EQ(pixels[w * h / 2], 0xFF1E2A3Au);  // the stand-in display's plain frame
  EXPECT_FALSE(IsManualTime());
}

TEST(Startup, AScreenshotThatCannotBeWrittenFailsTheRun) {
  TempDir dir;
  std::string opts = "options=headless=1,frames=2,userfolder=" + dir.Path() + ",screenshot=";
  EXPECT_EQ(RunApplication({opts + dir.File("no/such/folder/x.png")}, PresentingGame, TPlatformHooks()), 1);
  EXPECT_EQ(RunApplication({opts + dir.File("x.png")}, PresentingGame, TPlatformHooks()), 0);
}

TEST(Startup, HeadlessRunReplaysItsInputScript) {
  TempDir dir;
  std::string input = dir.Write("input.txt", "5 move 10 20\n30 keydown a\n40 close\n");
  std::vector<uint32_t> types;
  auto game = [&](TPlatform* p, const TString&) {
    p->OpenDisplay(1024, 768, false);
    TPlatformEvent e;
    for (p->GetEvent(&e); e.type != kEventQuit && e.type != kEventClose; p->GetEvent(&e))
      if (e.type != kEventTick) types.push_back(e.type);
    EXPECT_EQ(p->GetTime(), 40u);  // the virtual clock starts at 0 and moves 1 ms per idle pass
  };
  RunApplication({"options=headless=1,input=" + input + ",userfolder=" + dir.Path()}, game, TPlatformHooks());
  EXPECT_EQ(types, (std::vector<uint32_t>{kEventPaint, kEventMouseMove, kEventKeyDown}));
}

// The lock is the user folder's: a second copy on the same folder asks the
// first to come forward and ends before reading anything; a further copy
// (--multiple) on it ends with 1, the first left alone; a copy on another
// folder runs; a lock file that is not the user's own stops the start, and
// the log says why.
TEST(Startup, ASecondCopyOnOneUserFolderIsRefusedAndAFurtherCopyRunsOnAnotherFolder) {
  TempDir dir;
  testing_support::EnvGuard env;
  const std::string user = dir.File("user");
  TInstanceLock running;
  ASSERT_EQ(running.Acquire(user), TInstanceLock::TResult::kTaken);
  int games = 0;
  auto game = [&](TPlatform*, const TString&) { ++games; };
  TPlatformHooks hooks;
  hooks.createHost = [] { return std::unique_ptr<THost>(new THeadlessHost()); };
  EXPECT_EQ(RunApplication({"options=userfolder=" + user}, game, hooks), 0);
  EXPECT_EQ(games, 0);
  EXPECT_TRUE(running.PollRaiseRequest());  // the running copy was asked to come forward
  EXPECT_FALSE(FileExists(user + "/logfile.txt"));  // the running copy's log is not touched
  EXPECT_EQ(RunApplication({"options=userfolder=" + dir.File("another")}, game, hooks), 0);
  EXPECT_EQ(games, 1);
  EXPECT_EQ(RunApplication({"--multiple", "options=userfolder=" + user}, game, hooks), 1);
  EXPECT_EQ(games, 1);
  EXPECT_FALSE(running.PollRaiseRequest());
  EXPECT_FALSE(FileExists(user + "/logfile.txt"));
  EXPECT_EQ(RunApplication({"--multiple", "options=userfolder=" + dir.File("another")}, game, hooks), 0);
  EXPECT_EQ(games, 2);
  running.Release();
  if (geteuid() == 0) {
    ASSERT_EQ(chown((user + "/instance.lock").c_str(), 65534, 65534), 0);
    EXPECT_EQ(RunApplication({"options=userfolder=" + user}, game, hooks), 1);
    EXPECT_EQ(games, 2);
    EXPECT_NE(ReadFile(user + "/logfile.txt").find("The game does not start: the lock file " + user +
                                                   "/instance.lock is not the user's own (owner 65534)"),
              std::string::npos);
  }
}

// Without HOME the home comes from the password database; with none there
// either, the game does not start rather than use a shared folder. What it
// makes is the user's alone.
TEST(Startup, WithoutHomeTheHomeComesFromThePasswordDatabaseOrTheGameDoesNotStart) {
  TempDir dir;
  testing_support::ScopedChdir cd(dir.Path());
  testing_support::EnvGuard env;
  for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_PICTURES_DIR"})
    env.Unset(name);
  static std::string home;
  home = dir.File("home");
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);  // the user's: the game makes what lies in it, never the home itself
  SetPasswordHomeLookup([] { return home; });
  EXPECT_EQ(GetHomeFolder(), home);
  EXPECT_EQ(GetUserFolder().str(), home + "/.local/share/lantern/");
  EXPECT_EQ(GetXdgUserFolder("PICTURES", "Pictures"), home + "/Pictures");
  EXPECT_EQ(GetDesktopFolder().str(), home + "/Desktop/");
  int games = 0;
  auto game = [&](TPlatform*, const TString&) { ++games; };
  TPlatformHooks hooks;
  hooks.createHost = [] { return std::unique_ptr<THost>(new THeadlessHost()); };
  EXPECT_EQ(RunApplication({}, game, hooks), 0);
  EXPECT_EQ(games, 1);
  struct stat st;
  ASSERT_EQ(stat((home + "/.local/share/lantern/logfile.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  for (const char* folder : {"/.local", "/.local/share", "/.local/share/lantern"}) {
    ASSERT_EQ(stat((home + folder).c_str(), &st), 0) << folder;
    EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
  }

  home.clear();  // no home anywhere
  EXPECT_EQ(GetHomeFolder(), "");
  EXPECT_EQ(GetUserFolder().str(), "");
  EXPECT_EQ(GetXdgUserFolder("PICTURES", "Pictures"), "");
  EXPECT_EQ(GetDiskPath("user:prefs.dat", true).str(), "");
  EXPECT_FALSE(FileExists("user:logfile.txt"));
  EXPECT_EQ(RunApplication({}, game, hooks), 1);
  EXPECT_EQ(games, 1);
  // With a user folder named on the command line it starts, and keeps the
  // desktop folders inside it.
  EXPECT_EQ(RunApplication({"options=userfolder=" + dir.File("given")}, game, hooks), 0);
  EXPECT_EQ(games, 2);
  SetPasswordHomeLookup(nullptr);
  std::set<std::string> made;  // nothing was made in the working folder in place of a home
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) made.insert(entry.path().filename());
  EXPECT_EQ(made, (std::set<std::string>{"home", "given"}));
}

TEST(Startup, Seed) {
  EXPECT_EQ(TApplication::MakeSeed(0), 0u);
  EXPECT_EQ(TApplication::MakeSeed(1000), 8627000u % 104729u);
  // The product is computed without overflow for large clock values.
  EXPECT_EQ(TApplication::MakeSeed(0xFFFFFFFFu), static_cast<unsigned>(0xFFFFFFFFull * 8627 % 104729));
}

// ---------------------------------------------------------------------------
// The event source

TEST(EventSource, KeyTable) {
  EXPECT_EQ(TranslateHostKey(HostKey::kEnter), 13u);
  EXPECT_EQ(TranslateHostKey(HostKey::kEscape), 27u);
  EXPECT_EQ(TranslateHostKey(HostKey::kUp), 0x80u);
  EXPECT_EQ(TranslateHostKey(HostKey::kDown), 0x81u);
  EXPECT_EQ(TranslateHostKey(HostKey::kLeft), 0x82u);
  EXPECT_EQ(TranslateHostKey(HostKey::kRight), 0x83u);
  EXPECT_EQ(TranslateHostKey(HostKey::kInsert), 0x84u);
  EXPECT_EQ(TranslateHostKey(HostKey::kPageUp), 0x85u);
  EXPECT_EQ(TranslateHostKey(HostKey::kPageDown), 0x86u);
  EXPECT_EQ(TranslateHostKey(HostKey::kDelete), 0xFFu);
  for (uint32_t c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(TranslateHostKey(c), c);
  for (uint32_t c = '0'; c <= '9'; ++c) EXPECT_EQ(TranslateHostKey(c), c);
  for (uint32_t n = 0; n < 12; ++n) EXPECT_EQ(TranslateHostKey(HostKey::kF1 + n), 0x70u + n);
  EXPECT_EQ(TranslateHostKey(HostKey::kF1 + 16), 0u);  // F17 would read as Up
  EXPECT_EQ(TranslateHostKey(HostKey::kHome), HostKey::kHome);
}

TEST(EventSource, KeysAndCharacters) {
  Shell s;
  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyDown, HostKey::kUp, HostMod::kShift | HostMod::kExtended));
  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyDown, HostKey::kEnter));
  // Enter held (pressed again before its release: the host's auto-repeat)
  // and a repeating Escape act once: their repeats give nothing.
  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyDown, HostKey::kEnter));
  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyDown, HostKey::kEscape, 0, /*repeat=*/true));
  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyDown, HostKey::kBackspace, 0, /*repeat=*/true));
  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyUp, 'Q', HostMod::kCtrl));
  THostEvent text;
  text.type = THostEventType::kText;
  // "aé", a CESU-style surrogate pair for U+1F600, a lone low surrogate, then "€".
  text.text = "a\xC3\xA9\xED\xA0\xBD\xED\xB8\x80\xED\xB0\x80\xE2\x82\xAC";
  s.host->PushEvent(text);

  TPlatformEvent e = s.Next();
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventKeyDown));
  EXPECT_EQ(e.a, 0x80u);
  EXPECT_EQ(e.b, PlatformMod::kShift | PlatformMod::kExtended);
  e = s.Next();
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventKeyDown));
  EXPECT_EQ(e.a, 13u);
  e = s.Next();  // Enter also arrives as a character
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventChar));
  EXPECT_EQ(e.a, 13u);
  e = s.Next();
  EXPECT_EQ(e.a, 8u);
  e = s.Next();  // so does a held Backspace
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventChar));
  EXPECT_EQ(e.a, 8u);
  e = s.Next();
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventKeyUp));
  EXPECT_EQ(e.a, static_cast<uint32_t>('Q'));
  EXPECT_EQ(e.b, PlatformMod::kCtrl);
  std::vector<uint32_t> chars;
  for (e = s.Next(); e.type == kEventUnicode; e = s.Next()) chars.push_back(e.a);
  EXPECT_EQ(chars, (std::vector<uint32_t>{'a', 0xE9, 0x1F600, 0x20AC}));
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventTick));
  // Released and pressed again, Enter acts again.
  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyUp, HostKey::kEnter));
  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyDown, HostKey::kEnter));
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventKeyUp));
  e = s.Next();
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventKeyDown));
  EXPECT_EQ(e.a, 13u);
}

TEST(EventSource, AClickThatActivatesTheWindowIsDroppedWithItsRelease) {
  Shell s;
  s.host->PushEvent(HostEvent(THostEventType::kFocusGained));
  s.host->PushEvent(HostEvent(THostEventType::kButtonDown, 10, 10, kHostButtonLeft), 100);
  s.host->PushEvent(HostEvent(THostEventType::kButtonUp, 10, 10, kHostButtonLeft), 150);
  s.host->PushEvent(HostEvent(THostEventType::kButtonDown, 11, 12, kHostButtonLeft), 200);
  s.host->PushEvent(HostEvent(THostEventType::kButtonUp, 11, 12, kHostButtonLeft), 210);
  TPlatformEvent e = s.Next();
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventActivate));
  EXPECT_EQ(e.a, 1u);
  std::vector<TPlatformEvent> got;
  for (int i = 0; i < 400; ++i) {
    e = s.Next();
    if (e.type != kEventTick) got.push_back(e);
  }
  // The first press (100 ms after activation) and its release are gone; the next click stays.
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].type, static_cast<uint32_t>(kEventLeftDown));
  EXPECT_EQ(got[0].x, 11);
  EXPECT_EQ(got[0].y, 12);
  EXPECT_EQ(got[1].type, static_cast<uint32_t>(kEventLeftUp));
  EXPECT_FALSE(s.host->IsMouseCaptured());

  // A press more than 400 ms after an activation is a click on the game.
  s.host->PushEvent(HostEvent(THostEventType::kFocusLost), 450);
  s.host->PushEvent(HostEvent(THostEventType::kFocusGained), 450);
  s.host->PushEvent(HostEvent(THostEventType::kButtonDown, 1, 1, kHostButtonRight), 900);
  got.clear();
  for (int i = 0; i < 700; ++i) {
    e = s.Next();
    if (e.type != kEventTick) got.push_back(e);
  }
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].type, static_cast<uint32_t>(kEventActivate));  // lost and gained in one go: the latest state
  EXPECT_EQ(got[0].a, 1u);
  EXPECT_EQ(got[1].type, static_cast<uint32_t>(kEventButton));
  EXPECT_EQ(got[1].a, static_cast<uint32_t>(kButtonRightDown));
}

TEST(EventSource, OneEventPerCallFlagsFirstThenATickWithPassZeroTasks) {
  Recorder r;
  TPlatformHooks hooks = RecordingHooks(&r);
  int updates = 0;
  hooks.updateSoundManager = [&](TSoundManager*) { ++updates; };
  Shell s(hooks);
  int pass0 = 0, pass1 = 0;
  s.platform->AddTask(new CountingTask(&pass0, &pass1));
  s.host->PushEvent(HostEvent(THostEventType::kMouseMove, 1, 2));
  s.host->PushEvent(HostEvent(THostEventType::kFocusLost));
  s.host->PushEvent(HostEvent(THostEventType::kCloseRequest));
  s.host->PushEvent(HostEvent(THostEventType::kExposed));
  s.host->PushEvent(HostEvent(THostEventType::kMouseMove, 3, 4));
  s.host->PushEvent(HostEvent(THostEventType::kMouseLeave));

  std::vector<std::pair<uint32_t, uint32_t>> got;
  for (int i = 0; i < 7; ++i) {
    TPlatformEvent e = s.Next();
    got.emplace_back(e.type, e.type == kEventActivate ? e.a : static_cast<uint32_t>(e.x));
  }
  // Window flags come out before the next input event, in the order activation, paint, close, leave.
  EXPECT_EQ(got, (std::vector<std::pair<uint32_t, uint32_t>>{{kEventMouseMove, 1},
                                                             {kEventActivate, 0},
                                                             {kEventPaint, 0},
                                                             {kEventClose, 0},
                                                             {kEventMouseMove, 3},
                                                             {kEventMouseLeave, 3},
                                                             {kEventTick, 0}}));
  EXPECT_EQ(pass0, 0 + 1);  // the idle pass ran the task list once, pass 0
  EXPECT_EQ(pass1, 0);
  EXPECT_EQ(updates, 0);  // no sound manager yet: nothing to update
  uint32_t before = GetPlatformTime();
  ASSERT_NE(s.platform->GetSoundManager(), nullptr);
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventTick));
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(pass0, 2);
  EXPECT_EQ(GetPlatformTime(), before + 1);  // after a 1 ms wait
  EXPECT_EQ(r.lines, (std::vector<std::string>{"window manager", "sound manager"}));
}

TEST(EventSource, ActivationTellsTheSoundManagerAndHoverFollowsARestingMouse) {
  Recorder r;
  Shell s(RecordingHooks(&r));
  s.platform->GetSoundManager();
  s.host->PushEvent(HostEvent(THostEventType::kMinimized));
  s.host->PushEvent(HostEvent(THostEventType::kRestored), 5);
  s.host->PushEvent(HostEvent(THostEventType::kMouseMove, 40, 50), 10);
  std::vector<uint32_t> types;
  for (int i = 0; i < 500; ++i) {
    uint32_t t = s.Next().type;
    if (t != kEventTick) types.push_back(t);
  }
  EXPECT_EQ(types, (std::vector<uint32_t>{kEventActivate, kEventActivate, kEventMouseMove, kEventHover}));
  EXPECT_EQ(r.lines, (std::vector<std::string>{"window manager", "sound manager", "sound inactive", "sound active"}));
}

// Play time stands still from the deactivation to the reactivation (focus
// lost, minimised), on the headless clock; platform time runs on.
TEST(PlayTime, StopsWhileTheApplicationIsInactive) {
  Shell s;
  auto runTo = [&](uint32_t hostMs) {  // events until the host clock reaches the time
    while (GetPlatformTime() - 1000 < hostMs) s.Next();
  };
  s.host->PushEvent(HostEvent(THostEventType::kFocusLost), 100);
  s.host->PushEvent(HostEvent(THostEventType::kFocusGained), 400);
  s.host->PushEvent(HostEvent(THostEventType::kMinimized), 1000);
  s.host->PushEvent(HostEvent(THostEventType::kRestored), 1250);
  s.host->PushEvent(HostEvent(THostEventType::kFocusLost), 2000);
  s.host->PushEvent(HostEvent(THostEventType::kMinimized), 2100);  // still inactive: one span
  s.host->PushEvent(HostEvent(THostEventType::kFocusGained), 2500);

  EXPECT_EQ(s.platform->GetTime(), 1000u);
  runTo(99);
  EXPECT_EQ(s.platform->GetTime(), 1099u);
  EXPECT_FALSE(s.platform->IsPlayTimeStopped());
  runTo(101);
  EXPECT_TRUE(s.platform->IsPlayTimeStopped());
  EXPECT_EQ(s.platform->GetTime(), 1100u);
  runTo(399);
  EXPECT_EQ(s.platform->GetTime(), 1100u);
  runTo(401);
  EXPECT_FALSE(s.platform->IsPlayTimeStopped());
  EXPECT_EQ(s.platform->GetTime(), 1101u);  // 300 ms left out
  runTo(1200);
  EXPECT_EQ(s.platform->GetTime(), 1100u + 600u);
  runTo(1300);
  EXPECT_EQ(s.platform->GetTime(), 1300u + 1000u - 300u - 250u);
  runTo(2400);
  EXPECT_EQ(s.platform->GetTime(), 2000u + 1000u - 550u);
  runTo(3000);
  EXPECT_EQ(s.platform->GetTime(), 3000u + 1000u - 550u - 500u);
  EXPECT_EQ(GetPlatformTime(), 4000u);
}

// A window move reaches the display (its cursor checks its bounds) and gives
// no framework event.
TEST(EventSource, AWindowMoveIsToldToTheDisplay) {
  Recorder r;
  Shell s(RecordingHooks(&r));
  ASSERT_TRUE(s.platform->OpenDisplay(320, 200, false));
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventPaint));
  s.host->PushEvent(HostEvent(THostEventType::kMoved, 150, 60));
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventTick));
  EXPECT_EQ(r.lines.back(), "window moved");
  int x = 0, y = 0;
  ASSERT_TRUE(s.host->GetWindowPosition(&x, &y));
  EXPECT_EQ(x, 150);
  EXPECT_EQ(y, 60);
}

TEST(EventSource, QuitPostedIsReturnedOnEveryLaterCall) {
  Shell s;
  s.platform->PostQuit(3);
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventQuit));
  TPlatformEvent e = s.Next();
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventQuit));
  EXPECT_EQ(e.a, 3u);
  EXPECT_EQ(s.platform->GetExitCode(), 3);
}

// ---------------------------------------------------------------------------
// Display mode

TEST(DisplayMode, AltEnterTogglesFullScreenAndTheMouseMapsBackToGameCoordinates) {
  Recorder r;
  Shell s(RecordingHooks(&r));
  s.host->SetDesktopSize(1920, 1080);
  ASSERT_TRUE(s.platform->OpenDisplay(1024, 768, false));
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventPaint));
  int w = 0, h = 0;
  bool full = true;
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);

  s.host->PushEvent(HostKeyEvent(THostEventType::kKeyDown, HostKey::kEnter, HostMod::kAlt));
  TPlatformEvent e = s.Next();
  EXPECT_EQ(e.type, static_cast<uint32_t>(kEventModeChange));
  EXPECT_EQ(e.a, 1u);
  EXPECT_TRUE(s.platform->IsFullScreen());
  s.platform->GetDisplayMode(&w, &h, &full);
  EXPECT_EQ(w, 1024);  // the game keeps its size; the desktop shows it scaled
  EXPECT_EQ(h, 768);
  EXPECT_TRUE(full);
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventPaint));  // no Enter key or character

  // 1920 x 1080 shows 1024 x 768 as 1440 x 1080 with 240-pixel bars left and right.
  const int points[][4] = {{960, 540, 512, 384}, {240, 0, 0, 0}, {1679, 1079, 1023, 767}, {100, 500, -100, 355}};
  for (const auto& p : points) {
    s.host->PushEvent(HostEvent(THostEventType::kButtonDown, p[0], p[1], kHostButtonLeft));
    e = s.Next();
    EXPECT_EQ(e.type, static_cast<uint32_t>(kEventLeftDown));
    EXPECT_EQ(e.x, p[2]) << p[0];
    EXPECT_EQ(e.y, p[3]) << p[1];
    EXPECT_TRUE(s.host->IsMouseCaptured());
  }

  EXPECT_TRUE(s.platform->SetFullScreen(false));
  EXPECT_FALSE(s.host->IsFullScreen());
  s.host->PushEvent(HostEvent(THostEventType::kMouseMove, 300, 200));
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventPaint));
  e = s.Next();
  EXPECT_EQ(e.x, 300);  // a window of the game's size maps one to one
  EXPECT_EQ(e.y, 200);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"window manager", "display 1024x768", "root screen", "mode full screen",
                                               "mode window"}));
}

TEST(DisplayMode, ViewportScaleGivesALargerWindowAndScaledMousePositions) {
  Shell s;
  s.platform->GetApplication()->viewportScaling = true;
  s.platform->GetApplication()->viewportScale = 1.5f;
  ASSERT_TRUE(s.platform->OpenDisplay(640, 480, false));
  int w = 0, h = 0;
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 960);
  EXPECT_EQ(h, 720);
  int32_t gx = 0, gy = 0;
  s.platform->WindowToGame(959, 1, &gx, &gy);
  EXPECT_EQ(gx, 639);  // client position divided by the scale, truncated
  EXPECT_EQ(gy, 0);
  // Full screen and back: the window is the scaled size again, not the game's.
  ASSERT_TRUE(s.platform->SetFullScreen(true));
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 1920);
  ASSERT_TRUE(s.platform->SetFullScreen(false));
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 960);
  EXPECT_EQ(h, 720);
  s.platform->WindowToGame(480, 360, &gx, &gy);
  EXPECT_EQ(gx, 320);
  EXPECT_EQ(gy, 240);
  EXPECT_FALSE(s.platform->OpenDisplay(0, 768, false));
}

// A window the screen cannot hold (a 1024 x 768 game on an 800 x 600 screen,
// a panel taking part of the height, a viewport scale beyond the desktop) is
// made as large as the usable area allows with the game's aspect, and the
// mouse maps through the smaller picture; a full-screen round trip comes back to it.
TEST(DisplayMode, AWindowLargerThanTheScreenShrinksWithItsAspectKept) {
  Shell s;
  s.host->SetDesktopSize(800, 600);
  ASSERT_TRUE(s.platform->OpenDisplay(1024, 768, false));
  int w = 0, h = 0;
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  bool full = true;
  s.platform->GetDisplayMode(&w, &h, &full);
  EXPECT_EQ(w, 1024);  // the game keeps its size
  EXPECT_FALSE(full);
  int32_t gx = 0, gy = 0;
  s.platform->WindowToGame(400, 300, &gx, &gy);
  EXPECT_EQ(gx, 512);
  EXPECT_EQ(gy, 384);
  s.platform->WindowToGame(799, 599, &gx, &gy);
  EXPECT_EQ(gx, 1022);
  EXPECT_EQ(gy, 766);
  ASSERT_TRUE(s.platform->SetFullScreen(true));
  ASSERT_TRUE(s.platform->SetFullScreen(false));
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);

  // A wide screen with a panel: the height decides.
  s.host->SetDesktopSize(1366, 768);
  s.host->SetUsableSize(1366, 700);
  ASSERT_TRUE(s.platform->OpenDisplay(1024, 768, false));
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 933);
  EXPECT_EQ(h, 700);
  // Exactly the usable size fits as it is.
  s.host->SetUsableSize(1024, 768);
  ASSERT_TRUE(s.platform->OpenDisplay(1024, 768, false));
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);

  // A viewport scale of 2 on a 1920 x 1080 desktop less a 40-point panel.
  s.platform->GetApplication()->viewportScaling = true;
  s.platform->GetApplication()->viewportScale = 2.0f;
  s.host->SetDesktopSize(1920, 1080);
  s.host->SetUsableSize(1920, 1040);
  ASSERT_TRUE(s.platform->OpenDisplay(1024, 768, false));
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 1386);
  EXPECT_EQ(h, 1040);
}

// On a high-density display the window system speaks in points and the
// picture is drawn in pixels: the mouse goes from points to pixels, then
// through the picture's place to the game.
TEST(DisplayMode, PointsOfAHighDensityDisplayMapToPixelsThenToTheGame) {
  int x = 511, y = 383;
  PointsToPixels(&x, &y, 512, 384, 1024, 768);
  EXPECT_EQ(x, 1022);
  EXPECT_EQ(y, 766);
  x = 300, y = 300;
  PointsToPixels(&x, &y, 512, 384, 1024, 384);  // denser across than down
  EXPECT_EQ(x, 600);
  EXPECT_EQ(y, 300);
  PointsToPixels(&x, &y, 0, 384, 1024, 768);  // a size unknown: as it is
  EXPECT_EQ(x, 600);

  Shell s;
  s.host->SetPixelsPerPoint(2.0);
  s.platform->GetApplication()->viewportScaling = true;
  s.platform->GetApplication()->viewportScale = 0.5f;
  ASSERT_TRUE(s.platform->OpenDisplay(1024, 768, false));  // 512 x 384 points over 1024 x 768 pixels
  int w = 0, h = 0;
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  EXPECT_EQ(s.Next().type, static_cast<uint32_t>(kEventPaint));
  const int window[][4] = {{256, 192, 512, 384}, {0, 0, 0, 0}, {511, 383, 1022, 766}};
  for (const auto& p : window) {
    s.host->PushEvent(HostEvent(THostEventType::kButtonDown, p[0], p[1], kHostButtonLeft));
    TPlatformEvent e = s.Next();
    ASSERT_EQ(e.type, static_cast<uint32_t>(kEventLeftDown));
    EXPECT_EQ(e.x, p[2]) << p[0];
    EXPECT_EQ(e.y, p[3]) << p[1];
  }

  // Full screen on a 2:1 display of 1280 x 640 points (2560 x 1280 pixels):
  // the picture 1706 x 1280 pixels between bars of 427.
  s.host->SetDesktopSize(1280, 640);
  ASSERT_TRUE(s.platform->SetFullScreen(true));
  s.host->GetOutputSize(&w, &h);
  EXPECT_EQ(w, 2560);
  EXPECT_EQ(h, 1280);
  const int full[][4] = {{640, 320, 512, 384}, {213, 0, -1, 0}, {214, 639, 0, 766}, {1066, 639, 1023, 766}};
  for (const auto& p : full) {
    s.host->PushEvent(HostEvent(THostEventType::kMouseMove, p[0], p[1]));
    TPlatformEvent e = s.Next();
    while (e.type == kEventPaint || e.type == kEventTick) e = s.Next();
    ASSERT_EQ(e.type, static_cast<uint32_t>(kEventMouseMove));
    EXPECT_EQ(e.x, p[2]) << p[0];
    EXPECT_EQ(e.y, p[3]) << p[1];
  }
}

// ---------------------------------------------------------------------------
// Services

TEST(Services, UrlClipboardCursorAndRestoreTasks) {
  TempDir dir;
  Shell s;
  std::string out = dir.File("args.txt");
  std::string browser = dir.Write("browser.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + out + "'\n");
  chmod(browser.c_str(), 0755);
  SetSetting("browser", browser);  // what "-host=" sets
  std::string marker = dir.File("x");
  s.platform->OpenUrl(("http://example.invalid/\";touch" + marker).c_str());
  EXPECT_EQ(ReadFile(out), "http://example.invalid/\";touch" + marker + "\n");
  EXPECT_FALSE(FileExists(marker));

  // Data cannot choose the program: a settings file's "browser" is ignored
  // (its other keys are kept), and links that name local files run nothing.
  {
    TempDir game;
    testing_support::ScopedChdir cd(game.Path());
    SetSetting("programfolder", game.Path());
    std::string ran = game.File("ran");
    std::string payload = game.Write("payload.sh", "#!/bin/sh\ntouch '" + ran + "'\n");
    chmod(payload.c_str(), 0755);
    game.Write("assets/settings.xml", "<settings><setting name=\"browser\" value=\"" + payload +
                                          "\"/><setting name=\"gamename\" value=\"Kept\"/></settings>");
    game.Write("assets/notes.txt", "notes");
    TLogCapture log;
    SetSetting("browser", "");
    SetSetting("gamename", "");
    LoadSettingsFile("::assets/settings.xml");
    EXPECT_EQ(GetSettingString("browser"), "");
    EXPECT_EQ(GetSettingString("gamename"), "Kept");
    EXPECT_TRUE(log.Contains("Settings file ::assets/settings.xml: \"browser\" is taken from the command line only; "
                             "ignored"));
    for (const char* link : {"payload.sh", "./payload.sh", "file:///bin/sh", "/bin/sh", "sh", "notes.txt"}) {
      EXPECT_EQ(s.platform->OpenUrl(link), std::string(link) == "notes.txt") << link;
    }
    // A browser from the command line gets the links allowed, and nothing else.
    SetSettingFrom("browser", browser, TSettingSource::kCommandLine);
    for (const char* link : {"payload.sh", "file:///bin/sh", "/bin/sh", "PAYLOAD.SH", "notes.txt"}) s.platform->OpenUrl(link);
    EXPECT_EQ(ReadFile(out), "file://" + game.Path() + "/assets/notes.txt\n");
    EXPECT_FALSE(FileExists(ran));
    SetSetting("programfolder", "");
    SetSetting("gamename", "");
  }

  s.platform->SetClipboardText("zwölf");
  EXPECT_EQ(s.platform->GetClipboardText(), "zwölf");
  s.platform->ShowCursor(false);
  EXPECT_FALSE(s.host->IsCursorShown());
  EXPECT_FALSE(s.platform->GetApplication()->cursorShown);

  int pass0 = 0, pass1 = 0;
  auto* keep = new CountingTask(&pass0, &pass1);
  s.platform->AddRestoreTask(keep);
  s.platform->RunRestoreTasks();
  EXPECT_EQ(pass0, 1);
  EXPECT_TRUE(s.platform->RemoveRestoreTask(keep));  // removed, not deleted
  s.platform->RunRestoreTasks();
  EXPECT_EQ(pass0, 1);
  delete keep;
  s.platform->SetWindowTitle("Quenmoor");
  EXPECT_EQ(s.host->GetWindowTitle(), "Quenmoor");
  EXPECT_TRUE(s.platform->IsForeground());
}
