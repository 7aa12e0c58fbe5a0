#include <gtest/gtest.h>

#include "platform/settings.h"
#include "tests/support/testsupport.h"

namespace {
struct SettingsFixture : ::testing::Test {
  void SetUp() override { ClearSettings(); }
  void TearDown() override { ClearSettings(); }
};

TEST_F(SettingsFixture, BoolReadsNonZeroIntegers) {
  SetSetting("zero", "0");
  SetSetting("empty", "");
  SetSetting("word", "abc");
  SetSetting("two", "2");
  EXPECT_FALSE(GetSettingBool("zero"));
  EXPECT_FALSE(GetSettingBool("empty"));
  EXPECT_FALSE(GetSettingBool("word"));
  EXPECT_TRUE(GetSettingBool("two"));
  EXPECT_FALSE(GetSettingBool("absent"));
  EXPECT_EQ(GetSettingString("absent"), "");
  EXPECT_EQ(GetSettingString("absent", "fallback"), "fallback");
}

TEST_F(SettingsFixture, CommandLineBeatsFilesAndFilesBeatDefaults) {
  testing_support::TempDir dir;
  std::string file = dir.Write("settings.xml",
                               "<settings><setting name=\"vsync\" value=\"0\"/>"
                               "<setting name=\"gamename\" value=\"From file\"/>"
                               "<setting name=\"fromfile\" value=\"yes\"/></settings>");
  SetSetting("vsync", "1");           // built-in default
  SetSetting("gamename", "Default");  // built-in default
  ApplyCommandLine(ParseCommandLine({"options=vsync=2"}));
  ASSERT_TRUE(LoadSettingsFile(file.c_str()));
  EXPECT_EQ(GetSettingString("vsync"), "2");
  EXPECT_EQ(GetSettingString("gamename"), "From file");
  EXPECT_EQ(GetSettingString("fromfile"), "yes");
  // A later file of the same strength overrides an earlier one.
  std::string user = dir.Write("user.xml", "<settings><setting name=\"gamename\" value=\"User\"/></settings>");
  ASSERT_TRUE(LoadSettingsFile(user.c_str()));
  EXPECT_EQ(GetSettingString("gamename"), "User");
  // Run-time changes always win.
  SetSetting("vsync", "0");
  EXPECT_EQ(GetSettingString("vsync"), "0");
}

TEST_F(SettingsFixture, DamagedOrMissingFilesChangeNothing) {
  testing_support::TempDir dir;
  SetSetting("kept", "1");
  EXPECT_FALSE(LoadSettingsFile(dir.File("missing.xml").c_str()));
  std::string bad = dir.Write("bad.xml", "<settings><setting name=\"kept\" value=\"0\"");
  EXPECT_FALSE(LoadSettingsFile(bad.c_str()));
  EXPECT_EQ(GetSettingString("kept"), "1");
}

TEST(CommandLine, ParsesEveryOption) {
  TCommandLine cl = ParseCommandLine({"-wnd=1234", "--multiple", "--cheat", "xyzzy", "-zylom", "--axtest",
                                      "-wd=/tmp/game", "-host=firefox", "-pq=7", "-com_interval=30",
                                      "options=headless=1, frames = 60 ,flag", "tester42"});
  EXPECT_EQ(cl.hostWindow, "1234");
  EXPECT_TRUE(cl.multiple);
  EXPECT_EQ(cl.cheat, "xyzzy");
  EXPECT_EQ(cl.portal, "zylom");
  EXPECT_TRUE(cl.axTest);
  EXPECT_EQ(cl.workFolder, "/tmp/game");
  EXPECT_EQ(cl.browser, "firefox");
  EXPECT_TRUE(cl.hasPq);
  EXPECT_EQ(cl.comInterval, "30");
  ASSERT_EQ(cl.options.size(), 3u);
  EXPECT_EQ(cl.options[0], std::make_pair(std::string("headless"), std::string("1")));
  EXPECT_EQ(cl.options[1], std::make_pair(std::string("frames"), std::string("60")));
  EXPECT_EQ(cl.options[2], std::make_pair(std::string("flag"), std::string("1")));
  EXPECT_EQ(cl.tester, "tester42");
  EXPECT_TRUE(cl.unknown.empty());
}

// --help, -h, --version and --data=<folder> are the program's own words; an
// option value of the wrong kind is refused with a sentence, each kind at its bounds.
TEST(CommandLine, OwnWordsAndMalformedValues) {
  TCommandLine cl = ParseCommandLine({"--data=../share/lantern", "-h", "--version", "options=frames=abc , headless=1"});
  EXPECT_EQ(cl.dataFolder, "../share/lantern");
  EXPECT_TRUE(cl.help);
  EXPECT_TRUE(cl.version);
  EXPECT_EQ(cl.errors, std::vector<std::string>{"options=: frames must be a whole number of 0 or more, not \"abc\""});
  EXPECT_EQ(cl.options, (std::vector<std::pair<std::string, std::string>>{{"headless", "1"}}));
  EXPECT_TRUE(cl.unknown.empty());
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  EXPECT_FALSE(ParseCommandLine({"--helpme"}).help);
  EXPECT_EQ(ParseCommandLine({"--data="}).errors, std::vector<std::string>{"--data needs a folder (--data=<folder>)"});
  EXPECT_EQ(ParseCommandLine({"--data", "x"}).errors.size(), 1u);
  EXPECT_EQ(ParseCommandLine({"options=screenshot"}).errors,
            std::vector<std::string>{"options=: screenshot needs a file or folder name (screenshot=<name>)"});

  const struct {
    const char* key;
    const char* value;
    bool taken;
  } cases[] = {
      {"frames", "0", true},          {"frames", "999999999", true},  {"frames", "1000000000", false},
      {"frames", "-1", false},        {"frames", "", false},           {"frames", "12x", false},
      {"scripttimelimit", "0", true}, {"scriptmemorylimit", "2.5", false},
      {"headless", "0", true},        {"headless", "1", true},         {"headless", "2", false},
      {"multiple", "yes", false},     {"particleseed", "-7", true},    {"particleseed", "-", false},
      {"viewportscale", "0.5", true}, {"viewportscale", "16", true},   {"viewportscale", "16.5", false},
      {"viewportscale", "0", false},  {"viewportscale", "1.5x", false},
      {"screenshot", "a.png", true},  {"userfolder", "", false},       {"vsync", "anything", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CheckOptionValue(c.key, c.value).empty(), c.taken) << c.key << "=" << c.value;
}

TEST(CommandLine, ALastWordThatIsAnOptionIsNoTester) {
  EXPECT_EQ(ParseCommandLine({"tester", "--multiple"}).tester, "");
  EXPECT_EQ(ParseCommandLine({"options=a=1"}).tester, "");
  EXPECT_EQ(ParseCommandLine({}).tester, "");
  TCommandLine cl = ParseCommandLine({"stray", "alice"});
  EXPECT_EQ(cl.tester, "alice");
  EXPECT_EQ(cl.unknown, std::vector<std::string>{"stray"});
}

TEST_F(SettingsFixture, ApplyingTheCommandLineStoresItsSettings) {
  EXPECT_FALSE(HasPqArgument());
  ApplyCommandLine(ParseCommandLine({"-pq=", "options=overlaymouse=0", "bob"}));
  EXPECT_TRUE(HasPqArgument());
  EXPECT_EQ(GetSettingString("overlaymouse"), "0");
  EXPECT_EQ(GetSettingString("tester"), "bob");
  EXPECT_EQ(GetSettingString("cmdline"), "-pq= options=overlaymouse=0 bob");
}
}  // namespace
