// End to end: the edge of the lantern program's start, each through the
// program itself. It finds its data from any folder (or the one given with
// --data) and, without data or a first screen, ends with the reason on
// standard error; it answers --help and --version, refuses a malformed
// option and says why a run failed; without a display it refuses to run
// unseen; a user folder that cannot be made is told at the start, once; and
// the data's settings file cannot set the options of the command line.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/host/system.h"
#include "platform/prefs.h"
#include "tests/game/support/gamee2e.h"
#include "tests/platform/pngread.h"

using namespace gamee2e;
namespace fs = std::filesystem;

namespace {

// What one start of the program left: its exit code, what it printed, its log.
struct TStart {
  int exitCode = -1;
  std::string out, err, log;
};

class StartupProgram : public TGameEndToEnd {
protected:
  // Starts the program in `where` with the words (no "options=" word of the
  // harness's: `options` is that word's text), with `environment` changed in
  // the program's process ("NAME=value" sets, "NAME" unsets), through
  // `launcher` when given (RunProgram's). A run that has
  // not ended after 60 s is stopped (the code then is 128 + SIGKILL).
  TStart Start(const std::string& where, const std::string& options, const std::vector<std::string>& more = {},
               const std::vector<std::string>& environment = {}, const std::vector<std::string>& launcher = {}) {
    const std::string out = dir.File("out" + std::to_string(starts_)), err = dir.File("err" + std::to_string(starts_));
    ++starts_;
    std::remove(dir.File("user/logfile.txt").c_str());
    const auto began = std::chrono::steady_clock::now();
    auto child = [&] {
      for (const std::string& change : environment) {
        const size_t eq = change.find('=');
        if (eq == std::string::npos) unsetenv(change.c_str());
        else setenv(change.substr(0, eq).c_str(), change.substr(eq + 1).c_str(), 1);
      }
      std::freopen(out.c_str(), "w", stdout);
      std::freopen(err.c_str(), "w", stderr);
    };
    auto deadline = [&](int pid) {
      if (std::chrono::steady_clock::now() - began > std::chrono::seconds(60)) kill(pid_t(pid), SIGKILL);
    };
    TStart start;
    start.exitCode = RunProgram(where, options, more, launcher, deadline, child);
    start.out = testing_support::ReadFile(out);
    start.err = testing_support::ReadFile(err);
    start.log = testing_support::ReadFile(dir.File("user/logfile.txt"));
    return start;
  }
  // The usual options of a headless run in the test's user folder.
  std::string Headless(int frames) const {
    return "headless=1,frames=" + std::to_string(frames) + ",userfolder=" + dir.File("user");
  }
  // A data folder `name` in the test's folder: the demo's assets, each entry a
  // link, but for the files given (relative to assets/, with their text),
  // which are written instead, in folders of their own.
  std::string DataFolder(const std::string& name, const std::vector<std::pair<std::string, std::string>>& own) {
    const fs::path from = fs::path(testing_support::SourceDir()) / "assets", to = fs::path(dir.File(name)) / "assets";
    // The folders on the way to an own file ("" for assets/ itself), and the own files.
    std::vector<std::string> folders = {""}, files;
    for (const auto& [file, text] : own) {
      files.push_back(file);
      for (size_t at = file.find('/'); at != std::string::npos; at = file.find('/', at + 1))
        folders.push_back(file.substr(0, at));
    }
    auto listed = [](const std::vector<std::string>& list, const std::string& item) {
      return std::find(list.begin(), list.end(), item) != list.end();
    };
    for (const std::string& folder : folders) {
      fs::create_directories(to / folder);
      for (const auto& entry : fs::directory_iterator(from / folder)) {
        const std::string inner = (folder.empty() ? "" : folder + "/") + entry.path().filename().string();
        if (!listed(folders, inner) && !listed(files, inner)) fs::create_symlink(entry.path(), to / inner);
      }
    }
    for (const auto& [file, text] : own) {
      if (fs::is_symlink(to / file) || fs::is_symlink((to / file).parent_path())) {
        ADD_FAILURE() << file << " would be written through a link into the demo's data";
        continue;
      }
      std::ofstream(to / file) << text;
    }
    return dir.File(name);
  }

private:
  int starts_ = 0;
};

// Dark writing where a centred notice's text stands, below its first line: the
// name question's field is empty there.
int NoticeTextInk(const TRun& run) {
  return run.Pixels(300, 365, 724, 415, [](int r, int g, int b) { return r < 100 && g < 100 && b < 100; });
}

// The whole frame's mean brightness (a black screen is 0).
double FrameBrightness(const std::string& png) {
  TRun frame;
  if (!ReadPng(png, &frame.px, &frame.w, &frame.h) || frame.w == 0) return -1;
  return frame.Brightness(0, 0, frame.w, frame.h);
}

}  // namespace

// Started from its build folder, installed (the data in <prefix>/share/lantern),
// or from any folder with --data naming the data (relative to where it
// starts; a -wd= folder that cannot be entered is said and ignored), the game
// plays on the demo. With a
// --data that holds no data, or data whose first screen cannot open (a
// script that does not compile, the first script's or the first screen's), it
// ends with 1 and says why on standard error and in the log, before its frames
// run out.
TEST_F(StartupProgram, FindsItsDataFromAnyFolderAndOtherwiseSaysWhy) {
  const std::string source = fs::canonical(testing_support::SourceDir()).string();
  const std::string shot = dir.File("shot.png");
  const TStart fromBuild = Start(fs::path(LANTERN_PROGRAM).parent_path().string(),
                                 Headless(150) + ",screenshot=" + shot);
  EXPECT_EQ(fromBuild.exitCode, 0) << fromBuild.err;
  EXPECT_NE(fromBuild.log.find("Data: " + source + " (the data the program was built with)"), std::string::npos)
      << fromBuild.log;
  EXPECT_GT(FrameBrightness(shot), 25.0);  // the main menu at dusk, not a black screen
  EXPECT_EQ(fromBuild.err, "");

  fs::create_directories(dir.File("elsewhere"));
  const std::string relative = fs::relative(source, dir.File("elsewhere")).string();
  // Names on the command line and in its input script still count from where it started.
  const std::string input = dir.Write("elsewhere/input.txt", "1000 screenshot second.png\n");
  const TStart given = Start(dir.File("elsewhere"), Headless(150) + ",screenshot=../shot.png,input=input.txt",
                             {"--data=" + relative, "-wd=" + dir.File("nowhere")});
  EXPECT_EQ(given.exitCode, 0) << given.err;
  // A working folder that cannot be entered is said, and ignored.
  EXPECT_EQ(given.err, "lantern: -wd=" + dir.File("nowhere") +
                           ": the folder cannot be entered (No such file or directory); it is ignored\n");
  EXPECT_NE(given.log.find("Data: " + source + " (given with --data)"), std::string::npos) << given.log;
  EXPECT_GT(FrameBrightness(shot), 25.0);
  EXPECT_GT(FrameBrightness(dir.File("elsewhere/second.png")), 25.0);

  // Installed: the program in <prefix>/bin, its data in <prefix>/share/lantern.
  fs::create_directories(dir.File("prefix/bin"));
  fs::create_directories(dir.File("prefix/share/lantern"));
  fs::copy_file(LANTERN_PROGRAM, dir.File("prefix/bin/lantern"));
  fs::create_symlink(source + "/assets", dir.File("prefix/share/lantern/assets"));
  const std::vector<std::string> installed = {"/bin/sh", "-c", "shift; exec \"$0\" \"$@\"", dir.File("prefix/bin/lantern")};
  const TStart fromPrefix = Start(dir.File("elsewhere"), Headless(150) + ",screenshot=" + shot, {}, {}, installed);
  EXPECT_EQ(fromPrefix.exitCode, 0) << fromPrefix.err;
  EXPECT_NE(fromPrefix.log.find("Data: " + fs::canonical(dir.File("prefix/share/lantern")).string() +
                                " (the installed data)"),
            std::string::npos)
      << fromPrefix.log;
  EXPECT_GT(FrameBrightness(shot), 25.0);

  const TStart empty = Start(dir.Path(), Headless(150), {"--data=" + dir.File("elsewhere")});
  const std::string noData = "the game does not start: the folder given with --data (" + dir.File("elsewhere") +
                             ") holds no game data (no assets/scripts/mainloop.lua and no pack archive in its assets/)";
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_EQ(empty.err, "lantern: " + noData + "\n");
  EXPECT_NE(empty.log.find("The game does not start: the folder given with --data"), std::string::npos) << empty.log;

  // The names under assets/ in any letter case, as data made on Windows may
  // have them: the first script found there, and the game plays. An
  // "Assets" folder is no data the game can read: the start says so.
  const fs::path upper = dir.File("upper/assets");
  fs::create_directories(upper / "SCRIPTS");
  for (const auto& entry : fs::directory_iterator(source + "/assets"))
    if (entry.path().filename() != "scripts") fs::create_symlink(entry.path(), upper / entry.path().filename());
  for (const auto& entry : fs::directory_iterator(source + "/assets/scripts")) {
    const std::string name = entry.path().filename() == "mainloop.lua" ? "MainLoop.LUA" : entry.path().filename().string();
    fs::create_symlink(entry.path(), upper / "SCRIPTS" / name);
  }
  const TStart anyCase = Start(dir.Path(), Headless(150) + ",screenshot=" + shot, {"--data=" + dir.File("upper")});
  EXPECT_EQ(anyCase.exitCode, 0) << anyCase.err;
  EXPECT_NE(anyCase.log.find("Data: " + fs::canonical(dir.File("upper")).string() + " (given with --data)"),
            std::string::npos)
      << anyCase.log;
  EXPECT_GT(FrameBrightness(shot), 25.0);
  fs::create_directories(dir.File("windows"));
  fs::create_symlink(source + "/assets", dir.File("windows/Assets"));
  const std::string notRead = "/Assets is not read (the game reads its data from \"assets\", in lower case)";
  const TStart misnamed = Start(dir.Path(), Headless(150), {"--data=" + dir.File("windows")});
  EXPECT_EQ(misnamed.exitCode, 1);
  EXPECT_EQ(misnamed.err, "lantern: the game does not start: the folder given with --data (" + dir.File("windows") +
                              ") holds no game data (no assets/scripts/mainloop.lua and no pack archive in its "
                              "assets/); " + dir.File("windows") + notRead + "\n");
  // Started in it, the game goes on to the data it was built with, and its log says why.
  const std::string windows = fs::canonical(dir.File("windows")).string();
  const TStart passedOver = Start(windows, Headless(20));
  EXPECT_EQ(passedOver.exitCode, 0) << passedOver.err;
  EXPECT_NE(passedOver.log.find("Data: " + source + " (the data the program was built with; " + windows + notRead + ")"),
            std::string::npos)
      << passedOver.log;

  // Scripts that do not compile: the first screen's, then the first script.
  const std::string menu = testing_support::ReadFile(source + "/assets/scripts/mainmenu.lua");
  const std::string brokenMenu = DataFolder("menu", {{"scripts/mainmenu.lua", menu + "\nthis is not Lua (\n"}});
  const TStart noMenu = Start(dir.Path(), Headless(FramesFor(8000)), {"--data=" + brokenMenu});
  EXPECT_EQ(noMenu.exitCode, 1);
  EXPECT_EQ(noMenu.err.rfind("lantern: the game does not start: its first screen does not open (", 0), 0u) << noMenu.err;
  EXPECT_NE(noMenu.err.find("mainmenu.lua:"), std::string::npos) << noMenu.err;
  EXPECT_NE(noMenu.err.find(dir.File("user/logfile.txt") + " tells more"), std::string::npos) << noMenu.err;
  EXPECT_NE(noMenu.log.find("The game ends (no first screen)"), std::string::npos) << noMenu.log;
  EXPECT_EQ(noMenu.log.find("Stopping after"), std::string::npos) << "it waited for its frames to run out";

  const std::string brokenLoop = DataFolder("loop", {{"scripts/mainloop.lua", "DoModal('scripts/mainmenu.lua'\n"}});
  const TStart noLoop = Start(dir.Path(), Headless(FramesFor(8000)), {"--data=" + brokenLoop});
  EXPECT_EQ(noLoop.exitCode, 1);
  EXPECT_EQ(noLoop.err.rfind("lantern: the game does not start: scripts/mainloop.lua does not run (Lua Error: ", 0), 0u)
      << noLoop.err;
}

// --help and -h print the usage, --version the version, and nothing starts
// (no log is made). A malformed option value (a word for a number, a switch
// that is neither 0 nor 1, a file option without its name) ends the start
// with 2 and says which; a screenshot that cannot be written ends the run
// with 1 and says why (one that would replace a player's file is not
// written, nor an input script's), while the program's own earlier
// screenshot is written over; an input script that cannot be read starts
// nothing.
TEST_F(StartupProgram, AnswersItsCommandLineAndRefusesWhatItCannotTake) {
  for (const char* word : {"--help", "-h"}) {
    const TStart help = Start(dir.Path(), Headless(150), {word});
    EXPECT_EQ(help.exitCode, 0) << word;
    EXPECT_EQ(help.out.rfind("Usage: lantern [option...]", 0), 0u) << help.out;
    for (const char* item : {"--data=FOLDER", "--version", "headless=1", "frames=N", "screenshot=FILE.png",
                             "userfolder=FOLDER", "Exit status: 0", "SIGTERM"})
      EXPECT_NE(help.out.find(item), std::string::npos) << item;
    EXPECT_EQ(help.err, "");
    EXPECT_FALSE(testing_support::FileExists(dir.File("user/logfile.txt"))) << word;
  }
  const TStart version = Start(dir.Path(), Headless(150), {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(std::regex_match(version.out, std::regex("lantern [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << version.out;

  const struct {
    const char* options;
    const char* said;
  } malformed[] = {
      {"frames=abc", "frames must be a whole number of 0 or more, not \"abc\""},
      {"frames=-5", "frames must be a whole number of 0 or more, not \"-5\""},
      {"headless=yes", "headless must be 0 or 1, not \"yes\""},
      {"screenshot", "screenshot needs a file or folder name (screenshot=<name>)"},
  };
  for (const auto& bad : malformed) {
    const TStart refused = Start(dir.Path(), Headless(150) + "," + bad.options);
    EXPECT_EQ(refused.exitCode, 2) << bad.options;
    EXPECT_EQ(refused.err, std::string("lantern: options=: ") + bad.said +
                               "\nlantern: nothing was started; lantern --help lists the options\n");
    EXPECT_FALSE(testing_support::FileExists(dir.File("user/logfile.txt"))) << bad.options;
  }

  const std::string nowhere = dir.File("no/such/folder/shot.png");
  const TStart unwritten = Start(dir.Path(), Headless(20) + ",screenshot=" + nowhere, {}, {});
  EXPECT_EQ(unwritten.exitCode, 1);
  EXPECT_EQ(unwritten.err, "lantern: Screenshot " + nowhere + ": cannot create the file (No such file or directory)\n");
  // A player's file is not written over, a picture of the program's own is.
  const std::string notes = dir.Write("notes.txt", "the player's notes");
  const TStart kept = Start(dir.Path(), Headless(20) + ",screenshot=" + notes);
  EXPECT_EQ(kept.exitCode, 1);
  EXPECT_EQ(kept.err, "lantern: Screenshot " + notes +
                          ": the file is there already and is no picture this program wrote; it is left as it was\n");
  EXPECT_EQ(testing_support::ReadFile(notes), "the player's notes");
  // So with an input script's screenshot; an input script that cannot be
  // read starts nothing (a window would take no input at all).
  const std::string input = dir.Write("shots.txt", "100 screenshot " + notes + "\n");
  const TStart scripted = Start(dir.Path(), Headless(20) + ",input=" + input);
  EXPECT_EQ(scripted.exitCode, 1);
  EXPECT_EQ(scripted.err, "lantern: input script: Screenshot " + notes +
                              ": the file is there already and is no picture this program wrote; it is left as it was\n");
  EXPECT_EQ(testing_support::ReadFile(notes), "the player's notes");
  const std::string missing = dir.File("missing.txt");
  const TStart unscripted = Start(dir.Path(), Headless(20) + ",input=" + missing);
  EXPECT_EQ(unscripted.exitCode, 1);
  EXPECT_EQ(unscripted.err, "lantern: the game does not start: its input script " + missing +
                                ": cannot read the file (No such file or directory)\n");
  for (int run = 0; run < 2; ++run) {
    const TStart shot = Start(testing_support::SourceDir(), Headless(20) + ",screenshot=" + dir.File("again.png"));
    EXPECT_EQ(shot.exitCode, 0) << shot.err;
  }
  EXPECT_GT(FrameBrightness(dir.File("again.png")), 25.0);
}

// Without a display (no DISPLAY, no WAYLAND_DISPLAY, one that cannot be
// opened) SDL falls back to a video driver that shows nothing: the game does
// not run unseen; it ends with 1, says so and logs the driver. Headless, or
// with that driver asked for by name, it runs.
TEST_F(StartupProgram, WithoutADisplayItRefusesToRunUnseen) {
  const std::string window = "frames=40,userfolder=" + dir.File("user");
  const TStart none = Start(testing_support::SourceDir(), window, {}, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
  if (none.log.find("Video driver: offscreen") == std::string::npos && none.exitCode == 0 &&
      none.log.find("Video driver: ") != std::string::npos)
    GTEST_SKIP() << "SDL found a display here without DISPLAY: " << none.log;
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.err, "lantern: the game does not start: there is no display to show it on (neither DISPLAY nor "
                      "WAYLAND_DISPLAY is set, and SDL fell back to its \"offscreen\" video driver, which shows "
                      "nothing); run it on a desktop, or give options=headless=1 to run without a window\n");
  EXPECT_NE(none.log.find("Video driver: offscreen"), std::string::npos) << none.log;
  EXPECT_NE(none.log.find("The game does not start: there is no display"), std::string::npos) << none.log;

  const TStart gone = Start(testing_support::SourceDir(), window, {},
                            {"DISPLAY=:97", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
  EXPECT_EQ(gone.exitCode, 1);
  EXPECT_NE(gone.err.find("(DISPLAY=:97 cannot be opened, and SDL fell back"), std::string::npos) << gone.err;

  // The OpenGL client libraries of its window keep allocations until the
  // process ends: the leak check stays with the other runs.
  const TStart asked = Start(testing_support::SourceDir(), window, {},
                             {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER=offscreen", "ASAN_OPTIONS=detect_leaks=0"});
  EXPECT_EQ(asked.exitCode, 0) << asked.err;
  const TStart headless = Start(testing_support::SourceDir(), window + ",headless=1", {},
                                {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
  EXPECT_EQ(headless.exitCode, 0) << headless.err;
}

// A home where no user folder can be made (here a file stands in its place):
// the game says so once on standard error as it starts, and tells the
// player over the first screen with the "Not saved" notice. The notice
// closed, the new player's save fails too, and nothing more is said: the
// main menu greets the player, no notice over it.
TEST_F(StartupProgram, AUserFolderThatCannotBeMadeIsToldAtTheStartOnce) {
  const std::string home = dir.Write("homefile", "a file, not a folder");
  const std::vector<std::string> noHome = {"HOME=" + home, "XDG_DATA_HOME"};
  const std::string told = "lantern: the user folder " + home +
                           "/.local/share/Tolvane/Orvelle Adventure Quenmoor/ cannot be made (Not a directory): "
                           "nothing is saved and there is no log file; options=userfolder=<folder> names another\n";
  const std::string input = dir.Write("notice.txt", At(100, "key alt+enter"));  // leaves full screen
  const std::string shot = dir.File("notice.png");
  TStart start = Start(testing_support::SourceDir(),
                       "headless=1,frames=" + std::to_string(FramesFor(1500)) + ",input=" + input + ",screenshot=" + shot,
                       {}, noHome);
  EXPECT_EQ(start.exitCode, 0) << start.err;
  EXPECT_EQ(start.err, told);
  TRun notice;
  ASSERT_TRUE(ReadPng(shot, &notice.px, &notice.w, &notice.h));
  EXPECT_GT(NoticeTitleInk(notice), 100);
  EXPECT_GT(NoticeTextInk(notice), 500);  // not the name question's title alone

  const std::string play = dir.Write("play.txt", At(100, "key alt+enter") +
                                                     Click(1200, KitButtonAt("minitutor.lua", "ok")) +
                                                     At(2000, "text Ada") + At(2100, "key enter"));
  const std::string greeted = dir.File("greeted.png");
  start = Start(testing_support::SourceDir(),
                "headless=1,frames=" + std::to_string(FramesFor(5000)) + ",input=" + play + ",screenshot=" + greeted, {},
                noHome);
  EXPECT_EQ(start.exitCode, 0) << start.err;
  EXPECT_EQ(start.err, told);
  TRun menu;
  ASSERT_TRUE(ReadPng(greeted, &menu.px, &menu.w, &menu.h));
  EXPECT_GT(Greeting(menu), 80);
  EXPECT_EQ(NoticeTitleInk(menu), 0);
  EXPECT_EQ(testing_support::ReadFile(home), "a file, not a folder");

  // A home that is not there (HOME naming a folder that is gone, the
  // password database's /nonexistent) is not made, whoever runs the game.
  const std::string gone = dir.File("gone");
  start = Start(testing_support::SourceDir(), "headless=1,frames=30", {}, {"HOME=" + gone, "XDG_DATA_HOME"});
  EXPECT_EQ(start.exitCode, 0) << start.err;
  EXPECT_EQ(start.err, "lantern: the user folder " + gone +
                           "/.local/share/Tolvane/Orvelle Adventure Quenmoor/ cannot be made (the home folder " + gone +
                           " is not there): nothing is saved and there is no log file; options=userfolder=<folder> "
                           "names another\n");
  EXPECT_FALSE(fs::exists(gone));
}

// The data's settings file names every option of the command line's own:
// none is taken from it, each is logged as ignored, and the keys the game
// gives the settings file are kept. The player's file it names as the
// screenshot keeps its text, the input script it names types no player,
// the user folder it names is not made, the run stops after the command
// line's frames; with another copy on the user folder this one does not run
// (its "multiple" counts for nothing); a script that loops is stopped by the
// time limit it would switch off.
TEST_F(StartupProgram, TheDataSettingsFileSetsNoneOfTheCommandLinesOptions) {
  const std::string notes = dir.Write("home/notes.txt", "the player's notes");
  const std::string typing = dir.Write("mallory.txt", NewPlayer("Mallory"));
  const std::string settings =
      "<settings>\n"
      "  <setting name=\"screenshot\" value=\"" + notes + "\"/>\n"
      "  <setting name=\"input\" value=\"" + typing + "\"/>\n"
      "  <setting name=\"userfolder\" value=\"" + dir.File("theirs") + "\"/>\n"
      "  <setting name=\"multiple\" value=\"1\"/>\n"
      "  <setting name=\"frames\" value=\"5\"/>\n"
      "  <setting name=\"headless\" value=\"0\"/>\n"
      "  <setting name=\"scripttimelimit\" value=\"0\"/>\n"
      "  <setting name=\"scriptmemorylimit\" value=\"0\"/>\n"
      "  <setting name=\"vsync\" value=\"0\"/>\n"
      "  <setting name=\"keepogguncompressed\" value=\"1\"/>\n"
      "</settings>\n";
  const std::string data = DataFolder("data", {{"settings.xml", settings}});
  const int frames = FramesFor(3000);
  const TStart run = Start(dir.Path(), Headless(frames), {"--data=" + data});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::string file = "Settings file " + fs::canonical(data).string() + "/assets/settings.xml: ";
  for (const char* key : {"screenshot", "input", "userfolder", "multiple", "frames", "headless", "scripttimelimit",
                          "scriptmemorylimit"})
    EXPECT_NE(run.log.find(file + "\"" + key + "\" is taken from the command line only; ignored"), std::string::npos)
        << key << "\n" << run.log;
  EXPECT_NE(run.log.find("Loaded 2 settings from " + fs::canonical(data).string() + "/assets/settings.xml"),
            std::string::npos);
  EXPECT_NE(run.log.find("Stopping after " + std::to_string(frames) + " presented frames"), std::string::npos);
  EXPECT_EQ(testing_support::ReadFile(notes), "the player's notes");
  EXPECT_EQ(Prefs()->GetUserCount(), 0);  // nobody typed a name
  EXPECT_FALSE(fs::exists(dir.File("theirs")));

  // Another copy holds the user folder.
  TInstanceLock running;
  ASSERT_EQ(running.Acquire(dir.File("user")), TInstanceLock::TResult::kTaken);
  const TStart second = Start(dir.Path(), Headless(frames), {"--data=" + data});
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_TRUE(running.PollRaiseRequest());
  EXPECT_EQ(second.log, "");  // the running copy's log is left alone
  running.Release();

  // A first script that never yields: stopped by the time limit, so the game does not start.
  const std::string looping = DataFolder("looping", {{"settings.xml", settings},
                                                    {"scripts/mainloop.lua", "while true do end\n"}});
  const TStart loop = Start(dir.Path(), Headless(frames), {"--data=" + looping});
  EXPECT_EQ(loop.exitCode, 1);
  EXPECT_NE(loop.log.find("Lua: stopped "), std::string::npos) << loop.log;
  EXPECT_EQ(loop.err.rfind("lantern: the game does not start: scripts/mainloop.lua does not run", 0), 0u) << loop.err;
}
