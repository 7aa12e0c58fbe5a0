// Game-state reporting: the pairs reach every handler, the built-in handler
// mutes from "mute", and a real ".knmod" module built with the tests is loaded.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "platform/gamestate.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "tests/support/testsupport.h"

namespace {

class TRecordingHandler : public TGameStateHandler {
public:
  explicit TRecordingHandler(std::string* out) : out_(out) {}
  void SetState(const TString& key, const TString& value) override { *out_ += key.str() + "=" + value.str() + ";"; }

private:
  std::string* out_;
};

class GameState : public ::testing::Test {
protected:
  void TearDown() override { TGameState::DestroyInstance(); }
};

TEST_F(GameState, PairsAreStoredAndPassedToEveryHandler) {
  std::string seen;
  TGameState* gs = TGameState::GetInstance();
  EXPECT_EQ(gs, TGameState::GetInstance());
  gs->AddHandler(std::make_unique<TRecordingHandler>(&seen));
  gs->SetStateInt("SessionTime", 1);
  gs->SetState("begin-session", "SessionData");
  ScriptSetState("level", "3");
  EXPECT_EQ(seen, "SessionTime=1;begin-session=SessionData;level=3;");
  EXPECT_EQ(gs->GetState("level"), "3");
  EXPECT_EQ(gs->GetState("absent"), "");
}

TEST_F(GameState, MuteIsAnsweredWithoutAPortal) {
  TGameState* gs = TGameState::GetInstance();
  EXPECT_FALSE(gs->QueryMuteGame());
  gs->SetStateInt("mute", 1);
  EXPECT_TRUE(gs->QueryMuteGame());
  gs->SetStateInt("mute", 0);
  EXPECT_FALSE(gs->QueryMuteGame());
}

TEST_F(GameState, PortalModuleIsLoadedAndUnloaded) {
  testing_support::TempDir dir;
  std::string module = testing_support::ReadFile(LANTERN_TEST_PLUGIN);
  ASSERT_FALSE(module.empty());
  dir.Write("assets/portal.KNMOD", module);
  dir.Write("assets/broken.knmod", std::string("not a shared object"));
  SetSetting("portal", "msn");
  TLogCapture log;
  TGameState* gs = TGameState::GetInstance();
  EXPECT_TRUE(log.Contains("portal mode \"msn\" is not supported"));
  SetSetting("portal", "");
  EXPECT_EQ(gs->LoadPlugins(TString(dir.File("assets"))), 1);
  EXPECT_TRUE(log.Contains("cannot load the module"));
  EXPECT_EQ(gs->GetHandlerCount(), 2u);

  void* loaded = dlopen(dir.File("assets/portal.KNMOD").c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(loaded, nullptr);
  auto pluginLog = reinterpret_cast<const char* (*)()>(dlsym(loaded, "TestPluginLog"));
  ASSERT_NE(pluginLog, nullptr);
  gs->SetState("score", "120");
  gs->SetState("pause", "1");
  EXPECT_STREQ(pluginLog(), "created;score=120;pause=1;");
  EXPECT_TRUE(gs->QueryMuteGame());  // the module asks for muting
  gs->SetState("pause", "0");
  EXPECT_FALSE(gs->QueryMuteGame());
  dlclose(loaded);
}

}  // namespace
