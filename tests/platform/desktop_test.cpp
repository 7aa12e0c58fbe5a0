// The host's desktop integration: the user's XDG folders, running helper
// programs without a shell, and the wallpaper setter's command lines.
#include "platform/host/desktop.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/folders.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "tests/support/envguard.h"
#include "tests/support/testsupport.h"

namespace {

using Argv = std::vector<std::string>;

// Records every command and answers with scripted exit codes (0 once they run out).
class TRecordingRunner : public TCommandRunner {
public:
  explicit TRecordingRunner(std::vector<int> codes) : codes_(std::move(codes)) {}
  int Run(const Argv& argv, uint32_t timeoutMs) override {
    runs.push_back(argv);
    timeouts.push_back(timeoutMs);
    return runs.size() <= codes_.size() ? codes_[runs.size() - 1] : 0;
  }
  std::vector<Argv> runs;
  std::vector<uint32_t> timeouts;

private:
  std::vector<int> codes_;
};

TEST(UserFolders, ReadFromUserDirsWithHomeExpandedAndFallBackToHome) {
  testing_support::TempDir dir;
  testing_support::XdgEnvGuard env(dir.Path());
  const std::string home = dir.Path() + "/home";
  EXPECT_EQ(GetXdgUserFolder("PICTURES", "Pictures"), home + "/Pictures");  // no file at all

  dir.Write("config/user-dirs.dirs",
            "# comment\n"
            "XDG_PICTURES_DIR=\"$HOME/Bilder/\"\n"
            "  XDG_DOCUMENTS_DIR=\"relative/Docs\"\n"  // not absolute: ignored
            "XDG_MUSIC_DIR=\"/srv/a \\\"b\\\" \\\\c\"\r\n"
            "XDG_VIDEOS_DIR=\"/first\"\nXDG_VIDEOS_DIR=\"/second\"\n"
            "XDG_PICTURES_DIRX=\"/wrong\"\n");
  EXPECT_EQ(GetXdgUserFolder("PICTURES", "Pictures"), home + "/Bilder");
  EXPECT_EQ(GetXdgUserFolder("DOCUMENTS", "Documents"), home + "/Documents");
  EXPECT_EQ(GetXdgUserFolder("MUSIC", "Music"), "/srv/a \"b\" \\c");
  EXPECT_EQ(GetXdgUserFolder("VIDEOS", "Videos"), "/second");

  env.Set("XDG_PICTURES_DIR", "/from/env/");
  EXPECT_EQ(GetXdgUserFolder("PICTURES", "Pictures"), "/from/env");
  env.Set("XDG_CONFIG_HOME", dir.Path() + "/nowhere");
  EXPECT_EQ(GetXdgUserFolder("DOCUMENTS", "Documents"), home + "/Documents");
}

TEST(UserFolders, FileUriEncodesEverythingButPlainPathCharacters) {
  EXPECT_EQ(FileUri("/home/a/Pictures/lantern/wt.bmp"), "file:///home/a/Pictures/lantern/wt.bmp");
  EXPECT_EQ(FileUri("/x y/it's \"q\"/\xC3\xA9%;$(rm)"),
            "file:///x%20y/it%27s%20%22q%22/%C3%A9%25%3B%24%28rm%29");
}

TEST(Wallpaper, PortalFirstWithItsExactArguments) {
  auto runner = std::make_shared<TRecordingRunner>(std::vector<int>{0});
  TDesktopWallpaperSetter setter(runner);
  TLogCapture log;
  const std::string path = "/home/a b/Pictures/lantern/wt.bmp";
  EXPECT_TRUE(setter.Set(path));
  ASSERT_EQ(runner->runs.size(), 1u);
  EXPECT_EQ(runner->runs[0],
            (Argv{"gdbus", "call", "--session", "--timeout", "10", "--dest", "org.freedesktop.portal.Desktop",
                  "--object-path", "/org/freedesktop/portal/desktop", "--method",
                  "org.freedesktop.portal.Wallpaper.SetWallpaperURI", "''",
                  "'file:///home/a%20b/Pictures/lantern/wt.bmp'",
                  "{'set-on': <'background'>, 'show-preview': <false>}"}));
  EXPECT_TRUE(log.Contains("Wallpaper set through the desktop portal: " + path));
}

TEST(Wallpaper, DesktopSettingsWhenThereIsNoPortal) {
  auto runner = std::make_shared<TRecordingRunner>(std::vector<int>{TCommandRunner::kNotStarted, 0, 1, 0});
  TDesktopWallpaperSetter setter(runner);
  EXPECT_TRUE(setter.Set("/p/it's.bmp"));
  ASSERT_EQ(runner->runs.size(), 4u);
  const std::string uri = "'file:///p/it%27s.bmp'";
  EXPECT_EQ(runner->runs[1], (Argv{"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri}));
  EXPECT_EQ(runner->runs[2], (Argv{"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}));
  EXPECT_EQ(runner->runs[3],
            (Argv{"gsettings", "set", "org.gnome.desktop.background", "picture-options", "'stretched'"}));
  for (uint32_t t : runner->timeouts) EXPECT_GT(t, 0u);
}

TEST(Wallpaper, NoDesktopSupportLogsAndFails) {
  auto runner = std::make_shared<TRecordingRunner>(std::vector<int>{1, TCommandRunner::kTimedOut});
  TDesktopWallpaperSetter setter(runner);
  TLogCapture log;
  EXPECT_FALSE(setter.Set("/p/wt.bmp"));
  EXPECT_EQ(runner->runs.size(), 2u);  // the other two keys are not tried without the first
  EXPECT_TRUE(log.Contains("Wallpaper saved to /p/wt.bmp; setting it is not supported on this desktop"));
  EXPECT_FALSE(setter.Set("relative.bmp"));
  EXPECT_EQ(runner->runs.size(), 2u);
}

TEST(Wallpaper, HeadlessRunsAndInstalledSettersReplaceTheDesktop) {
  class TFake : public IWallpaperSetter {
  public:
    bool Set(const std::string& path) override { return path == "/ok"; }
  };
  SetSetting("headless", "1");
  TLogCapture log;
  EXPECT_FALSE(GetWallpaperSetter()->Set("/p/wt.bmp"));
  EXPECT_TRUE(log.Contains("Wallpaper: a headless run does not start: gdbus call --session --timeout 10 "
                           "--dest org.freedesktop.portal.Desktop"));
  EXPECT_TRUE(log.Contains("Wallpaper: a headless run does not start: gsettings set org.gnome.desktop.background "
                           "picture-uri 'file:///p/wt.bmp'"));
  EXPECT_TRUE(log.Contains("Wallpaper saved to /p/wt.bmp; setting it is not supported on this desktop"));
  SetWallpaperSetter(std::make_unique<TFake>());
  EXPECT_TRUE(GetWallpaperSetter()->Set("/ok"));
  SetWallpaperSetter(nullptr);
  EXPECT_FALSE(GetWallpaperSetter()->Set("/ok"));
  SetSetting("headless", "");
}

TEST(CommandRunner, PassesArgumentsVerbatimAndReportsExitCodes) {
  testing_support::TempDir dir;
  TSpawnCommandRunner runner;
  const std::string weird = "a b; $(touch x) 'q' \"d\" | & *";
  const std::string out = dir.File("out file");
  EXPECT_EQ(runner.Run({"sh", "-c", "printf %s \"$1\" > \"$2\"; exit 3", "sh", weird, out}, 10000), 3);
  EXPECT_EQ(testing_support::ReadFile(out), weird);
  EXPECT_FALSE(testing_support::FileExists(dir.File("x")));
  EXPECT_EQ(runner.Run({"true"}, 10000), 0);
  int missing = runner.Run({"lantern-no-such-program-here"}, 10000);
  EXPECT_TRUE(missing == TCommandRunner::kNotStarted || missing == 127) << missing;
  EXPECT_EQ(runner.Run({}, 10000), TCommandRunner::kNotStarted);
}

TEST(CommandRunner, StopsAProgramThatOutlivesItsTime) {
  TSpawnCommandRunner runner;
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(runner.Run({"sleep", "20"}, 150), TCommandRunner::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

}  // namespace
