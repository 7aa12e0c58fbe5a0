// The Flash host: without a movie player it cannot start and every caller
// takes its fallback; with a player (a fake here) the version check and the
// movie's localised text variables.
#include <gtest/gtest.h>

#include <map>

#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/stringtable.h"
#include "stocktest.h"
#include "ui/flashhost.h"
#include "ui/image.h"

using stocktest::TStockFixture;

namespace {

class TFakePlayer : public IMoviePlayer {
public:
  explicit TFakePlayer(int major) : major_(major) {}
  int FlashVersion() override { return major_ << 16; }
  bool SetMovie(const TString& path) override { movie = path; return true; }
  bool SetLoop(bool) override { return true; }
  bool GetPlaying(bool* p) override { *p = playing; return true; }
  bool Play() override { return playing = true; }
  bool Stop() override { playing = false; return true; }
  bool GetVariable(const TString& name, TString* value) override {
    *value = name == "textvarnames" ? textVarNames : TString();
    return true;
  }
  bool SetVariable(const TString& name, const TString& value) override {
    variables[name.str()] = value.str();
    return true;
  }
  TString movie, textVarNames;
  bool playing = false;
  std::map<std::string, std::string> variables;

private:
  int major_;
};

class FlashHostTest : public ::testing::Test {
protected:
  FlashHostTest() {
    dir.Write("assets/intro.swf", "movie");
    platform = CreateHeadlessPlatform();
    TStringTable* table = platform->GetStringTable();
    table->Set("title", "Der Titel");
    table->Set("body", "Der Text");
    table->Set("FLASH_caption", "Untertitel");
  }
  ~FlashHostTest() override {
    SetMoviePlayerFactory(nullptr);
    platform.reset();
    ClearSettings();
  }
  // Installs a fake player of that major version; `last` sees the one made.
  void UsePlayer(int major, const char* names = "") {
    SetMoviePlayerFactory([this, major, names]() {
      auto p = std::make_unique<TFakePlayer>(major);
      p->textVarNames = names;
      last = p.get();
      return p;
    });
  }
  testing_support::TempDir dir;
  testing_support::ScopedChdir cd{dir.Path()};
  std::unique_ptr<TPlatform> platform;
  TFakePlayer* last = nullptr;
};

}  // namespace

TEST(FlashHostFallback, NoPlayerMeansNoMovieAndTheCallersGoOn) {
  TStockFixture f;
  TLogCapture log;
  TFlashHost host("intro.swf");
  EXPECT_FALSE(host.Start(false, true, true));
  EXPECT_TRUE(log.Contains("TFlashHost::Start: no movie player on this platform, 'intro.swf' not played"));
  EXPECT_FALSE(host.IsPlaying());
  host.Close();
  host.Close();

  // Lua: StartMovie answers false; DisplaySplash shows its picture instead for its time.
  f.Png("splash.png", 64, 48, [](int, int) { return 0xFF336699u; });
  f.Lua("gStarted = StartMovie('intro.swf') DisplaySplash('intro.swf', 'splash.png', 500) gDone = true");
  EXPECT_EQ(f.Global("gStarted"), "false");
  auto* splash = WindowCast<TImage>(f.wm->GetTopModal()->FindChild("splashimage"));
  ASSERT_NE(splash, nullptr);
  EXPECT_TRUE(splash->HasImage());
  EXPECT_EQ(splash->GetWidth(), 1024);  // "autoscale" fits the display
  f.Idle(200);
  EXPECT_EQ(f.Global("gDone"), "nil");
  f.Idle(400);
  EXPECT_EQ(f.Global("gDone"), "true");
  EXPECT_EQ(f.wm->GetTopModal(), f.screen);
}

TEST_F(FlashHostTest, LocalisedTextVariablesAndTheCursor) {
  UsePlayer(6, "title;body;");
  platform->ShowCursor(true);
  TFlashHost host("intro.swf");
  ASSERT_TRUE(host.Start(false, true, false));
  EXPECT_TRUE(last->movie.EndsWith("assets/intro.swf"));
  EXPECT_EQ(last->variables["title"], "Der Titel");
  EXPECT_EQ(last->variables["body"], "Der Text");
  EXPECT_EQ(last->variables["caption"], "Untertitel");
  EXPECT_TRUE(host.IsPlaying());
  EXPECT_FALSE(platform->GetApplication()->cursorShown);
  host.Close();
  host.Close();
  EXPECT_FALSE(host.IsPlaying());
  EXPECT_TRUE(platform->GetApplication()->cursorShown);

  // A last name without ";" is not used.
  UsePlayer(6, "title;body");
  TFlashHost second("intro.swf");
  ASSERT_TRUE(second.Start(false, true, false));
  EXPECT_EQ(last->variables.count("title"), 1u);
  EXPECT_EQ(last->variables.count("body"), 0u);
  EXPECT_EQ(TFlashHost::ParseTextVarNames(";;a;"), std::vector<TString>{"a"});
}

TEST_F(FlashHostTest, RequiredVersionsAndMissingMovies) {
  SetSetting("flashmajorversion", "3");
  EXPECT_EQ(TFlashHost::RequiredVersion(false) * 10 + TFlashHost::RequiredVersion(true), 46);
  SetSetting("flashmajorversion", "9");
  UsePlayer(8);
  platform->ShowCursor(false);
  TFlashHost old("intro.swf");
  EXPECT_FALSE(old.Start(true, false, true));
  EXPECT_FALSE(platform->GetApplication()->cursorShown);  // as it was
  SetSetting("flashmajorversion", "");

  UsePlayer(5);
  TFlashHost plain("intro.swf"), localised("intro.swf"), missing("nothere.swf");
  EXPECT_TRUE(plain.Start(false, false, false));
  EXPECT_FALSE(localised.Start(false, true, false));
  EXPECT_FALSE(missing.Start(false, false, false));
  SetSetting("dxbroken", "1");
  TFlashHost broken("intro.swf");
  EXPECT_FALSE(broken.Start(false, false, false));
}
