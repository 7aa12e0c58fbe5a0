// The host seam: the headless host, input scripts, screenshots, URL opening
// and the single-instance lock.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/host/hosts.h"
#include "platform/host/inputscript.h"
#include "platform/host/system.h"
#include "platform/log.h"
#include "platform/time.h"
#include "tests/platform/pngread.h"
#include "tests/support/envguard.h"
#include "tests/support/testsupport.h"

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::TempDir;

namespace {
// A "browser" that writes each of its arguments on a line of `out`.
std::string MakeRecordingBrowser(const TempDir& dir, const std::string& out) {
  std::string path = dir.Write("browser.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + out + "'; done\n");
  chmod(path.c_str(), 0755);
  return path;
}

THostEvent Key(THostEventType type, uint32_t key) {
  THostEvent e;
  e.type = type;
  e.key = key;
  return e;
}
}  // namespace

TEST(HeadlessHost, EventsWaitForTheirTimeOnTheManualClock) {
  TManualTimeScope clock(5000);
  THeadlessHost host;
  EXPECT_TRUE(IsManualTime());
  host.PushEvent(Key(THostEventType::kKeyDown, 'B'), 20);
  host.PushEvent(Key(THostEventType::kKeyDown, 'A'), 10);
  host.PushEvent(Key(THostEventType::kKeyUp, 'A'), 10);
  THostEvent e;
  EXPECT_FALSE(host.PollEvent(&e));
  host.Wait(10);  // advances the manual clock instead of sleeping
  EXPECT_EQ(GetPlatformTime(), 5010u);
  ASSERT_TRUE(host.PollEvent(&e));
  EXPECT_EQ(e.key, 'A');
  EXPECT_EQ(e.type, THostEventType::kKeyDown);
  ASSERT_TRUE(host.PollEvent(&e));
  EXPECT_EQ(e.type, THostEventType::kKeyUp);  // equal times keep their order
  EXPECT_FALSE(host.PollEvent(&e));
  host.Wait(10);
  ASSERT_TRUE(host.PollEvent(&e));
  EXPECT_EQ(e.key, 'B');
}

TEST(HeadlessHost, KeepsTheLastFrameAndWritesItAsPng) {
  TManualTimeScope clock;
  TempDir dir;
  THeadlessHost host;
  ASSERT_TRUE(host.CreateWindow("t", 480, 360));
  EXPECT_FALSE(host.SaveScreenshot(dir.File("none.png")));  // nothing presented yet
  // A 3 x 2 frame inside rows of 4 pixels.
  std::vector<uint32_t> pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xDEADBEEF,
                                  0x80123456, 0xFFFFFFFF, 0xFF000000, 0xDEADBEEF};
  host.Present(pixels.data(), 3, 2, 4);
  EXPECT_EQ(host.GetPresentCount(), 1u);
  ASSERT_TRUE(host.SaveScreenshot(dir.File("shot.png")));
  std::vector<uint32_t> read;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPng(dir.File("shot.png"), &read, &w, &h));
  ASSERT_EQ(w, 3);
  ASSERT_EQ(h, 2);
  EXPECT_EQ(read, (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456, 0xFFFFFFFF, 0xFF000000}));
  // A lent frame is read where it lies until it is returned.
  host.PresentLent(pixels.data(), 2, 1, 4);
  EXPECT_EQ(host.GetPresentCount(), 2u);
  pixels[0] = 0xFF00FFFF;  // becomes the next present's pixels
  host.PresentLent(pixels.data(), 2, 1, 4);
  uint64_t copies = host.GetFrameCopyCount();
  host.ReturnFrame();
  EXPECT_EQ(host.GetFrameCopyCount(), copies + 1);
  pixels.assign(pixels.size(), 0);
  EXPECT_EQ(host.GetLastFrame(), (std::vector<uint32_t>{0xFF00FFFF, 0xFF00FF00}));
  TLogCapture log;
  EXPECT_FALSE(host.SaveScreenshot(dir.File("no/such/folder/x.png")));
  EXPECT_TRUE(log.Contains("cannot create the file"));

  // An input script's "screenshot" line writes the frame presented last when
  // its time comes; it is never delivered as an event.
  ASSERT_TRUE(host.LoadInputScript(dir.Write("in.txt", "10 screenshot " + dir.File("mid run.png") + "\n10 focus\n")));
  EXPECT_TRUE(host.HasScriptedScreenshots());
  THostEvent e;
  EXPECT_FALSE(host.PollEvent(&e));
  EXPECT_FALSE(FileExists(dir.File("mid run.png")));
  host.Wait(10);
  ASSERT_TRUE(host.PollEvent(&e));
  EXPECT_EQ(e.type, THostEventType::kFocusGained);
  EXPECT_FALSE(host.PollEvent(&e));
  ASSERT_TRUE(ReadPng(dir.File("mid run.png"), &read, &w, &h));
  EXPECT_EQ(read, (std::vector<uint32_t>{0xFF00FFFF, 0xFF00FF00}));
  EXPECT_TRUE(log.Contains("Screenshot written to " + dir.File("mid run.png")));
}

TEST(InputScript, ParsesEveryVerbAndReportsBadLines) {
  std::vector<std::string> errors;
  auto events = ParseInputScript(
      "# a comment\n"
      "\n"
      "10 move 100 200\r\n"
      "20 click left 5 6\n"
      "30 key alt+enter\n"
      "40 text Hello wörld # not a comment\n"
      "50 wheel -2\n"
      "60 focus\n"
      "70 keydown f12\n"
      "75 screenshot shots/after the menu.png\n"
      "oops\n"
      "80 jump 1 2\n"
      "90 move 1\n"
      "99999999999999 move 1 2\n"
      "100 down nose 1 2\n"
      "110 screenshot\n",
      &errors);
  ASSERT_EQ(events.size(), 10u);
  EXPECT_EQ(events[0].at, 10u);
  EXPECT_EQ(events[0].event.type, THostEventType::kMouseMove);
  EXPECT_EQ(events[0].event.x, 100);
  EXPECT_EQ(events[0].event.y, 200);
  EXPECT_EQ(events[1].event.type, THostEventType::kButtonDown);  // a click is a press and a release
  EXPECT_EQ(events[2].event.type, THostEventType::kButtonUp);
  EXPECT_EQ(events[2].event.button, kHostButtonLeft);
  EXPECT_EQ(events[3].event.key, HostKey::kEnter);
  EXPECT_EQ(events[3].event.mods, HostMod::kAlt);
  EXPECT_EQ(events[4].event.type, THostEventType::kKeyUp);
  EXPECT_EQ(events[5].event.text, "Hello wörld # not a comment");
  EXPECT_EQ(events[6].event.wheel, -2);
  EXPECT_EQ(events[7].event.type, THostEventType::kFocusGained);
  EXPECT_EQ(events[8].event.key, HostKey::kF1 + 11);
  EXPECT_EQ(events[9].event.type, THostEventType::kScreenshot);
  EXPECT_EQ(events[9].event.text, "shots/after the menu.png");
  ASSERT_EQ(errors.size(), 6u);
  EXPECT_EQ(errors[0], "line 11: a line must start with a time in milliseconds");
  EXPECT_EQ(errors[1], "line 12: unknown event \"jump\"");
  EXPECT_EQ(errors[2], "line 13: bad arguments for \"move\"");
  EXPECT_EQ(errors[4], "line 15: bad arguments for \"down\"");
  EXPECT_EQ(errors[5], "line 16: screenshot needs a file name");
}

TEST(InputScript, HeadlessHostLoadsAFileAndLogsItsFaults) {
  TManualTimeScope clock;
  TempDir dir;
  THeadlessHost host;
  TLogCapture log;
  std::string why;
  EXPECT_FALSE(host.LoadInputScript(dir.File("missing.txt"), std::string(), &why));
  EXPECT_TRUE(log.Contains("cannot read the file (No such file or directory)"));
  EXPECT_EQ(why, "its input script " + dir.File("missing.txt") + ": cannot read the file (No such file or directory)");
  ASSERT_TRUE(host.LoadInputScript(dir.Write("in.txt", "0 close\n5 bogus\n")));
  EXPECT_TRUE(log.Contains("line 2: unknown event \"bogus\""));
  EXPECT_EQ(host.GetPendingEventCount(), 1u);
}

TEST(OpenUrl, NeverRunsAShell) {
  TempDir dir;
  std::string out = dir.File("args.txt");
  std::string browser = MakeRecordingBrowser(dir, out);
  std::string marker = dir.File("touched");
  std::string url = "http://example.invalid/?a=1; touch " + marker + " && echo $(id) `id` | cat";
  ASSERT_TRUE(OpenUrlWith(url, browser, /*wait=*/true));
  // The whole address arrived as one argument, and nothing of it ran.
  EXPECT_EQ(ReadFile(out), url + "\n");
  EXPECT_FALSE(FileExists(marker));

  // The headless host records every address and starts only a named browser.
  TManualTimeScope clock;
  THeadlessHost host;
  EXPECT_TRUE(host.OpenUrl("http://a.invalid/", ""));
  EXPECT_TRUE(host.OpenUrl("http://b.invalid/;reboot", browser));
  EXPECT_EQ(host.GetOpenedUrls(), (std::vector<std::string>{"http://a.invalid/", "http://b.invalid/;reboot"}));
  EXPECT_EQ(ReadFile(out), url + "\nhttp://b.invalid/;reboot\n");
}

TEST(OpenUrl, RefusesAddressesThatReadAsOptionsOrHoldControlCharacters) {
  TLogCapture log;
  EXPECT_FALSE(OpenUrlWith("--help", "/bin/true", true));
  EXPECT_FALSE(OpenUrlWith("http://x\n--help", "/bin/true", true));
  EXPECT_FALSE(OpenUrlWith("", "/bin/true", true));
  // Only web, mail and file addresses reach the opener: never a path or a program.
  for (const char* other : {"/bin/sh", "payload.sh", "javascript:alert(1)", "ftp://x/y", "file:relative.txt", "http://"})
    EXPECT_FALSE(OpenUrlWith(other, "/bin/true", true)) << other;
  EXPECT_EQ(log.Count("OpenUrl: refusing"), 9u);
  EXPECT_FALSE(SpawnProgram({"/no/such/program"}, true));
}

// A link may name a document of the game's folder; links on the way are
// followed, and the document must still lie inside the folder.
TEST(OpenUrl, GameDocumentsStayInsideTheGamesFolder) {
  TempDir dir, outside;
  const std::string game = dir.File("game");
  dir.Write("game/README.md", "read me");
  dir.Write("game/docs/Guide.PDF", "%PDF");
  dir.Write("game/run.sh", "#!/bin/sh");
  outside.Write("secret.txt", "secret");
  ASSERT_EQ(symlink(outside.File("secret.txt").c_str(), (game + "/escape.txt").c_str()), 0);
  ASSERT_EQ(symlink(outside.Path().c_str(), (game + "/out").c_str()), 0);
  ASSERT_EQ(symlink("README.md", (game + "/inside.txt").c_str()), 0);
  ASSERT_EQ(mkdir((game + "/folder.md").c_str(), 0700), 0);
  char* real = realpath(game.c_str(), nullptr);
  ASSERT_NE(real, nullptr);
  const std::string root = real;
  free(real);
  const std::vector<std::string> folders = {dir.File("elsewhere"), game};
  EXPECT_EQ(FindGameDocument("README.md", folders), root + "/README.md");
  EXPECT_EQ(FindGameDocument("docs/Guide.PDF", folders), root + "/docs/Guide.PDF");
  EXPECT_EQ(FindGameDocument("./docs//Guide.PDF", folders), root + "/docs/Guide.PDF");
  EXPECT_EQ(FindGameDocument("inside.txt", folders), root + "/README.md");
  for (const char* refused : {"escape.txt", "out/secret.txt", "../game/README.md", "docs/../README.md", "run.sh",
                              "/etc/issue.txt", "file:README.md", "docs\\Guide.PDF", "folder.md", "missing.md",
                              "README.md\n", ""})
    EXPECT_EQ(FindGameDocument(refused, folders), "") << refused;
  // A program named like a document is refused, and said to be one.
  ASSERT_EQ(chmod(dir.Write("game/docs/tool.txt", "#!/bin/sh").c_str(), 0610), 0);
  bool executable = false;
  EXPECT_EQ(FindGameDocument("docs/tool.txt", folders, &executable), "");
  EXPECT_TRUE(executable);
  EXPECT_EQ(FindGameDocument("README.md", folders, &executable), root + "/README.md");
  EXPECT_FALSE(executable);
  EXPECT_TRUE(IsDocumentName("missing.md"));
  EXPECT_FALSE(IsDocumentName("run.sh"));
}

// One copy per user folder: the lock lives in the user folder itself, so
// that every copy finds it whatever its runtime folder and however it names
// the folder (a link to it, a trailing "/"); a lock file that is not the
// user's is refused.
TEST(InstanceLock, OneCopyPerUserFolderAndOnlyTheUsersOwnLockFile) {
  using R = TInstanceLock::TResult;
  TempDir dir;
  testing_support::EnvGuard env;
  const std::string runtime = dir.File("runtime"), user = dir.File("user"), link = dir.File("link"),
                    elsewhere = dir.File("elsewhere");
  ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
  ASSERT_EQ(mkdir(user.c_str(), 0700), 0);
  ASSERT_EQ(symlink(user.c_str(), link.c_str()), 0);
  env.Set("XDG_RUNTIME_DIR", runtime);
  EXPECT_EQ(TInstanceLock::LockPath(user), user + "/instance.lock");
  EXPECT_EQ(TInstanceLock::LockPath(user + "/"), user + "/instance.lock");
  TInstanceLock first, second, other;
  ASSERT_EQ(first.Acquire(user), R::kTaken);
  struct stat st;
  ASSERT_EQ(stat((user + "/instance.lock").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(first.PollRaiseRequest());
  // Another spelling, another runtime folder, none at all: the same lock.
  const std::vector<std::pair<std::string, const char*>> others = {
      {user + "/", nullptr}, {link, nullptr}, {link + "/", elsewhere.c_str()}, {user, ""}};
  for (const auto& [folder, runtimeFolder] : others) {
    if (runtimeFolder && *runtimeFolder) env.Set("XDG_RUNTIME_DIR", runtimeFolder);
    else if (runtimeFolder) env.Unset("XDG_RUNTIME_DIR");
    EXPECT_EQ(second.Acquire(folder), R::kRunning) << folder;
    EXPECT_EQ(second.Why(), "another copy of the game runs on the user folder " + user +
                                "; it was asked to come to the front")
        << folder;
    EXPECT_TRUE(first.PollRaiseRequest()) << folder;
    EXPECT_FALSE(first.PollRaiseRequest());  // once per request
  }
  env.Set("XDG_RUNTIME_DIR", runtime);
  // A further copy does not ask the running one to come forward.
  EXPECT_EQ(second.Acquire(link, /*askToRaise=*/false), R::kInUse);
  EXPECT_EQ(second.Why(), "another copy of the game runs on the user folder " + user);
  EXPECT_FALSE(first.PollRaiseRequest());
  EXPECT_FALSE(second.IsHeld());
  EXPECT_EQ(other.Acquire(dir.File("other")), R::kTaken);
  first.Release();
  EXPECT_EQ(second.Acquire(link), R::kTaken);
  EXPECT_EQ(first.Acquire(user), R::kRunning);
  second.Release();
  other.Release();
  // Nothing is left in the runtime folder.
  EXPECT_TRUE(std::filesystem::is_empty(runtime));

  // A read-only user folder: the lock file made there before still serves.
  if (chmod(user.c_str(), 0500) == 0 && access(user.c_str(), W_OK) != 0) {
    EXPECT_EQ(first.Acquire(user), R::kTaken);
    EXPECT_TRUE(first.IsHeld());
    EXPECT_EQ(second.Acquire(link), R::kRunning);
    first.Release();
    std::remove((dir.File("other") + "/instance.lock").c_str());
    ASSERT_EQ(chmod(dir.File("other").c_str(), 0500), 0);
    EXPECT_EQ(first.Acquire(dir.File("other")), R::kTaken);  // nothing to lock: runs, and says so
    EXPECT_FALSE(first.IsHeld());
    EXPECT_NE(first.Why().find("running without the lock"), std::string::npos) << first.Why();
    chmod(dir.File("other").c_str(), 0700);
  }
  chmod(user.c_str(), 0700);

  // A lock file of another owner, or a link, is refused and says why.
  if (geteuid() == 0) {
    ASSERT_EQ(chown((user + "/instance.lock").c_str(), 65534, 65534), 0);
    EXPECT_EQ(first.Acquire(user), R::kRefused);
    EXPECT_NE(first.Why().find("is not the user's own (owner 65534)"), std::string::npos) << first.Why();
    EXPECT_FALSE(first.IsHeld());
  }
  std::remove((user + "/instance.lock").c_str());
  ASSERT_EQ(symlink(dir.File("elsewhere").c_str(), (user + "/instance.lock").c_str()), 0);
  EXPECT_EQ(first.Acquire(user), R::kRefused);
  EXPECT_NE(first.Why().find("is not the user's own (a link)"), std::string::npos) << first.Why();
  EXPECT_FALSE(FileExists(dir.File("elsewhere")));
}
