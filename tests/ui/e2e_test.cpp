// End to end: the framework's demo screen (tests/data/ui/demo_screen.lua, the
// stock windows built in Lua), run headless by the framework's own small
// main loop in a child process and driven by an input script; the messages
// the screen's script logged and the final frame.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/settings.h"
#include "platform/stringtable.h"
#include "platform/time.h"
#include "tests/platform/pngread.h"
#include "tests/support/testsupport.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

// The demo's main function: opens the display, runs the screen and hands
// every event to the window manager (redrawing on every tick, so that frame
// counts and screenshots work) until the window is closed or the program quits.
void DemoMain(TPlatform* platform, const TString&) {
  if (TStringTable* strings = platform->GetStringTable()) platform->SetWindowTitle(strings->GetString("windowtitle"));
  platform->OpenDisplay(1024, 768, false);
  TWindowManager* windows = platform->GetWindowManager();
  if (TWindowScript* script = windows ? windows->GetScript() : nullptr) script->RunFile("scripts/demo_screen.lua");
  TPlatformEvent event;
  for (platform->GetEvent(&event); event.type != kEventQuit && !platform->IsQuitPosted(); platform->GetEvent(&event)) {
    if (event.type == kEventClose) break;
    if (!windows) continue;
    if (event.type == kEventTick) windows->Invalidate();
    windows->HandleEvent(event);
  }
}

// A working folder with the demo's pictures, font and screen.
void PrepareFolder(const testing_support::TempDir& dir) {
  namespace fs = std::filesystem;
  fs::path from = fs::path(testing_support::SourceDir()) / "assets", to = fs::path(dir.Path()) / "assets";
  fs::create_directories(to / "scripts");
  fs::copy(from / "images", to / "images", fs::copy_options::recursive);
  fs::copy(from / "fonts", to / "fonts", fs::copy_options::recursive);
  fs::copy_file(fs::path(testing_support::TestDataDir()) / "ui" / "demo_screen.lua", to / "scripts" / "demo_screen.lua");
}

// Runs the demo in a child process in its own folder; returns its exit code.
int RunLantern(const testing_support::TempDir& dir, const std::string& options) {
  PrepareFolder(dir);
  pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.Path().c_str()) != 0) _exit(126);
    alarm(120);  // a run that never ends fails instead of holding the suite
    std::string program = "lantern", arg = "options=" + options;
    char* argv[] = {program.data(), arg.data(), nullptr};
    _exit(ApplicationMain(2, argv, DemoMain));
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The log's lines from the screen's script, without their time stamps.
std::vector<std::string> ScreenLines(const std::string& log) {
  std::vector<std::string> out;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    for (const char* tag : {"screen: ", "status: "}) {
      size_t at = line.find(tag);
      if (at != std::string::npos) out.push_back(line.substr(at));
    }
  }
  return out;
}

struct TRgb {
  int r, g, b;
};

}  // namespace

TEST(DemoScreen, ScriptedClicksTypingAndDraggingReachTheScreen) {
  testing_support::TempDir dir;
  std::string input = dir.Write("input.txt",
                                "200 move 595 440\n250 down left 595 440\n300 move 650 441\n"
                                "350 move 700 442\n400 up left 700 442\n"   // drag the volume knob
                                "500 move 446 352\n550 click left 446 352\n"  // untick the sound
                                "650 move 540 612\n700 click left 540 612\n"  // the link
                                "800 move 590 280\n850 click left 590 280\n900 text Ada <b>\n"
                                "1000 move 832 280\n1050 click left 832 280\n");  // greet
  std::string shot = dir.File("shot.png");
  ASSERT_EQ(RunLantern(dir, "headless=1,frames=160,input=" + input + ",screenshot=" + shot + ",userfolder=" + dir.Path() +
                       "/user"),
            0);

  std::vector<std::string> lines = ScreenLines(testing_support::ReadFile(dir.File("user/logfile.txt")));
  std::vector<std::string> wanted = {"screen: 9 volume", "screen: 10 volume", "status: Volume set.",
                                     "screen: 3 sound", "status: Sound effects are off.",
                                     "screen: 8 LuaAction:about", "screen: 3 about"};
  for (int i = 0; i < 7; ++i) wanted.push_back("screen: 7 name");  // one change per character of "Ada <b>"
  wanted.push_back("screen: 3 greet");
  wanted.push_back("status: Hello, Ada &lt;b>!");  // typed markup stays text
  size_t at = 0;
  for (const std::string& line : lines)
    if (at < wanted.size() && line == wanted[at]) ++at;
  EXPECT_EQ(at, wanted.size()) << "missing from the log: " << (at < wanted.size() ? wanted[at] : "");

  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPng(shot, &px, &w, &h));
  ASSERT_EQ(w, 1024);
  ASSERT_EQ(h, 768);
  auto at_ = [&](int x, int y) {
    uint32_t c = px[size_t(y) * w + x];
    return TRgb{int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)};
  };
  // The knob sits at 82% of the rail; where it started, only the panel shows above the rail.
  TRgb knob = at_(692, 431), before = at_(595, 431);
  EXPECT_GT(knob.r + knob.g + knob.b, 450);
  EXPECT_LT(before.r + before.g + before.b, 150);
  // The check box shows no tick.
  TRgb box = at_(444, 358);
  EXPECT_GT(box.r, 150);
  // The greeting is written in the status line's warm colour.
  int warm = 0;
  for (int y = 480; y < 520; ++y)
    for (int x = 430; x < 700; ++x) {
      TRgb c = at_(x, y);
      warm += c.r > 200 && c.g > 170 && c.b < 190;
    }
  EXPECT_GT(warm, 150);
}

// While the window is inactive, play time stands still but frames go on at
// the background pace: a run without the focus still reaches its frame count.
TEST(DemoScreen, FramesGoOnWhileTheWindowIsInactive) {
  testing_support::TempDir dir;
  std::string input = dir.Write("input.txt", "100 blur\n");
  EXPECT_EQ(RunLantern(dir, "headless=1,frames=40,input=" + input + ",userfolder=" + dir.Path() + "/user"), 0);
}
