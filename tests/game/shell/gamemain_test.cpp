// The game's main function: its loop's decisions against a recording world,
// the start-up tables (defaults, game-state events, window types, Lua globals
// and their argument conversions) and the mini-game script mapping.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "game/shell/gamemain.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "platform/gamestate.h"
#include "platform/host/desktop.h"
#include "platform/host/hosts.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/stringtable.h"
#include "script/bind.h"
#include "tests/game/support/gametest.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

// The loop's world: a queue of events, a modal stack of ids, and a record of
// every call. The quit script and the mini-game question may open a "dialog"
// (a new modal id) as the real scripts do.
class TFakeWorld : public TGameLoopPort {
public:
  void GetEvent(TPlatformEvent* event) override {
    TPlatformEvent e;
    e.type = kEventQuit;
    if (!events.empty()) {
      e = events.front();
      events.pop_front();
    }
    *event = e;
  }
  void HandleEvent(const TPlatformEvent& event) override {
    calls.push_back("handle " + std::to_string(event.type));
    if (quitOnHandle) SetNeedQuit();
  }
  void RunQuitVerify() override {
    calls.push_back("quitverify");
    if (scriptAsks && !GetShowQuitRequest()) {
      SetShowQuitRequest(1);
      modals.push_back(nextId++);
    } else if (scriptAsks) {
      SetShowQuitRequest(1);
    }
  }
  bool IsMiniGameOpen() override { return miniGame; }
  void AskQuitMiniGame() override {
    calls.push_back("ask minigame");
    modals.push_back(nextId++);
  }
  void StoreFullScreenPref() override { calls.push_back("store fullscreen"); }
  void UpdateGameCursor() override { ++cursorUpdates; }
  bool IsFlashMoviePlaying() override { return moviePlaying; }
  void StopFlashMovieOnClick() override { calls.push_back("stop movie"); }

  void Add(uint32_t type, uint32_t a = 0) {
    TPlatformEvent e;
    e.type = type;
    e.a = a;
    events.push_back(e);
  }
  // The question window goes (answered or closed).
  void CloseTopModal() {
    TPlatformEvent e;
    e.type = kEventTick;
    e.a = 0xC105E;  // marks the event on which the world pops its top modal
    events.push_back(e);
  }

  std::deque<TPlatformEvent> events;
  std::vector<std::string> calls;
  std::vector<uint32_t> modals{1};  // the root screen
  uint32_t nextId = 100;
  bool scriptAsks = false;
  bool miniGame = false;
  bool moviePlaying = false;
  bool quitOnHandle = false;
  int cursorUpdates = 0;
};

// A world whose ticks marked by CloseTopModal pop the question.
class TWorld : public TFakeWorld {
public:
  void HandleEvent(const TPlatformEvent& event) override {
    TFakeWorld::HandleEvent(event);
    if (event.type == kEventTick && event.a == 0xC105E && modals.size() > 1) modals.pop_back();
  }
};

class GameLoop : public ::testing::Test {
protected:
  GameLoop() { ResetGameMainFlags(); }
  ~GameLoop() override { ResetGameMainFlags(); }
  TWorld world;
};

}  // namespace

TEST_F(GameLoop, CloseWithoutQuestionOrMiniGameEndsAtOnceUnhandled) {
  world.Add(kEventTick);
  world.Add(kEventClose);
  world.Add(kEventTick);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kCloseRequest);
  EXPECT_EQ(world.calls, (std::vector<std::string>{"handle 1", "quitverify"}));
  EXPECT_EQ(world.events.size(), 1u);
}

TEST_F(GameLoop, CloseWhileTheScriptAsksGoesToTheWindows) {
  world.scriptAsks = true;
  world.Add(kEventClose);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitEvent);
  EXPECT_EQ(world.calls, (std::vector<std::string>{"quitverify", "handle 3"}));
  EXPECT_TRUE(GetShowQuitRequest());
}

// The mini-game's question is asked once: a second close request, during
// the same mini-game or a later one, neither asks again nor quits, as long
// as the flag stays set. A script that clears it (the demo's "No") lets the
// next close ask again.
TEST_F(GameLoop, MiniGameQuestionIsAskedOnce) {
  world.miniGame = true;
  world.Add(kEventClose);
  world.Add(kEventClose);  // while the question is on screen
  world.CloseTopModal();   // answered "no" by a script that leaves the flag
  world.Add(kEventTick);
  world.Add(kEventClose);  // neither asks nor quits
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitEvent);
  std::vector<std::string> wanted = {"quitverify", "ask minigame", "handle 3", "quitverify", "handle 3",
                                     "handle 1",   "handle 1",     "quitverify", "handle 3"};
  EXPECT_EQ(world.calls, wanted);
  EXPECT_TRUE(GetShowQuitRequest());
  SetShowQuitRequest(0);
  world.calls.clear();
  world.Add(kEventClose);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitEvent);
  EXPECT_EQ(world.calls, (std::vector<std::string>{"quitverify", "ask minigame", "handle 3"}));
}

// The script's own question: while the flag stays set, a close request goes
// to the windows; once a script clears it, a close without a question ends
// the game.
TEST_F(GameLoop, ScriptQuestionKeepsTheGameWhileTheFlagIsSet) {
  world.scriptAsks = true;
  world.Add(kEventClose);
  world.CloseTopModal();
  world.Add(kEventTick);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitEvent);
  EXPECT_TRUE(GetShowQuitRequest());
  world.scriptAsks = false;
  world.Add(kEventClose);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitEvent);
  SetShowQuitRequest(0);
  world.Add(kEventClose);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kCloseRequest);
}

TEST_F(GameLoop, QuitFlagEndsAfterTheWindowsSawTheEvent) {
  world.quitOnHandle = true;
  world.Add(kEventMouseMove);
  world.Add(kEventTick);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitFlag);
  EXPECT_EQ(world.calls, (std::vector<std::string>{"handle 8"}));
}

TEST_F(GameLoop, QuitAsTheFirstEventSkipsTheBody) {
  world.Add(kEventQuit);
  world.Add(kEventTick);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitEvent);
  EXPECT_TRUE(world.calls.empty());
  EXPECT_EQ(world.cursorUpdates, 0);
}

TEST_F(GameLoop, ModeChangeActivationCursorAndMovie) {
  world.Add(kEventModeChange, 1);
  world.Add(kEventActivate, 0);
  world.moviePlaying = true;
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitEvent);
  EXPECT_FALSE(IsAppActive());
  world.Add(kEventActivate, 1);
  world.Add(kEventLeftDown);
  world.Add(kEventLeftUp);
  EXPECT_EQ(RunGameLoop(world), TLoopEnd::kQuitEvent);
  EXPECT_TRUE(IsAppActive());
  std::vector<std::string> wanted = {"store fullscreen", "handle 19", "handle 18", "handle 18",
                                     "stop movie",       "handle 5",  "handle 7"};
  EXPECT_EQ(world.calls, wanted);
  EXPECT_EQ(world.cursorUpdates, 5);
}

TEST_F(GameLoop, ShowQuitRequestOnlyOneSetsIt) {
  SetShowQuitRequest(1);
  EXPECT_TRUE(GetShowQuitRequest());
  SetShowQuitRequest(2);
  EXPECT_FALSE(GetShowQuitRequest());
  SetShowQuitRequest(1);
  SetShowQuitRequest(0);
  EXPECT_FALSE(GetShowQuitRequest());
}

// --- Start-up tables ---

namespace {
class TRecordingHandler : public TGameStateHandler {
public:
  explicit TRecordingHandler(std::vector<std::string>* out) : out_(out) {}
  void SetState(const TString& key, const TString& value) override { out_->push_back(key.str() + "=" + value.str()); }

private:
  std::vector<std::string>* out_;
};
}  // namespace

TEST(GameStartUp, DefaultsAndGameStateEventsInOrder) {
  SetGameSettingsDefaults();
  EXPECT_EQ(GetSettingString("gamename"), "Orvelle Adventure Quenmoor");
  EXPECT_EQ(GetSettingString("publisher"), "Tolvane");
  EXPECT_EQ(GetSettingString("encryptionkey"), "tosvilqeZZZZ");
  EXPECT_EQ(GetSettingString("kngamemodename2"), "brindlewax_gamemode2");
  EXPECT_EQ(GetSettingString("kngamemedalname1"), "brindlewax_medal1");
  EXPECT_EQ(GetSettingString("overlaymouse"), "1");
  EXPECT_EQ(GetSettingString("vsync"), "1");
  SetSetting("version", "1.2");
  std::vector<std::string> seen;
  TGameState::DestroyInstance();
  TGameState::GetInstance()->AddHandler(std::make_unique<TRecordingHandler>(&seen));
  RegisterGameStateEvents();
  TGameState::DestroyInstance();
  ClearSettings();
  ASSERT_EQ(seen.size(), 18u);
  EXPECT_EQ(seen[0], "SessionTime=1");
  EXPECT_EQ(seen[2], "add-value=1.2");
  EXPECT_EQ(seen[5], "end-session=SessionData");
  EXPECT_EQ(seen[6], "begin-elapsed(15)=Progress-15");
  EXPECT_EQ(seen[7], "add-state=PlayedSimpleGame");
  EXPECT_EQ(seen[15], "begin-elapsed(59)=Progress-59");
  EXPECT_EQ(seen[17], "end-elapsed(59)=Progress-59");
}

namespace {
// Records the window types a manager defines, in order.
class TTypePort : public TWindowScriptPort {
public:
  void SetModalWindow(TWindow*) override {}
  void PushWindow(TWindow*) override {}
  void PopWindow() override {}
  void ForgetWindow(TWindow*) override {}
  void QueueMessage(TMessage* m) override { delete m; }
  void OnCloseRequest() override {}
  void RunText(TWindow*, const TString&) override {}
  bool ExchangeLabelFlag(bool) override { return false; }
  void DefineWindowType(const TString& name, TWindowCreator) override { names.push_back(name.str()); }
  std::vector<std::string> names;
};
TWindow* MakeNothing() { return nullptr; }
}  // namespace

TEST(GameStartUp, WindowTypesInTableOrderMissingOnesSkipped) {
  TWindowManager wm;
  TTypePort port;
  wm.SetScriptPort(&port);
  ClearUpperLayers();
  AddUpperWindowType("mg03window", &MakeNothing);
  AddUpperWindowType("MainGame", &MakeNothing);
  TLogCapture log;
  RegisterGameWindowTypes(&wm);
  ClearUpperLayers();
  std::vector<std::string> wanted = {"MainMenu", "OptionsWindow",    "Slider",      "ChoosePlayerWindow",
                                     "MainGame", "MButton",          "Shadow",      "GameMenu",
                                     "PhotoAlbumWindow", "GameGallery", "mg03window", "TextEdit"};
  EXPECT_EQ(port.names, wanted);
  EXPECT_TRUE(log.Contains("Window type CreditsWindow is not built into this program"));
  EXPECT_TRUE(log.Contains("Window type mg06window is not built into this program"));
}

class GameGlobals : public ::testing::Test, public gametest::TGameLuaFixture {
protected:
  GameGlobals() {
    Users();
    mainGlobals = std::make_unique<TLuaBindings>(script->GetState());
    BindGameMainGlobals(*mainGlobals);
  }
  ~GameGlobals() override { ResetGameMainFlags(); }
  std::unique_ptr<TLuaBindings> mainGlobals;
};

TEST_F(GameGlobals, AllTwentyEightAreFunctions) {
  std::set<std::string> names(kGameGlobals, kGameGlobals + kGameGlobalCount);
  EXPECT_EQ(names.size(), size_t(kGameGlobalCount));
  for (const char* name : kGameGlobals) {
    Lua(std::string("t = type(") + name + ")");
    EXPECT_EQ(Global("t"), "function") << name;
  }
}

TEST_F(GameGlobals, ArgumentConversions) {
  // Numbers truncate toward zero; a non-number is 0.
  Lua("SetNeedFirstEnterName(3.9) a = GetNeedFirstEnterName()");
  EXPECT_EQ(Global("a"), "3");
  Lua("SetNeedFirstEnterName(-3.9) a = GetNeedFirstEnterName()");
  EXPECT_EQ(Global("a"), "-3");
  Lua("SetNeedFirstEnterName('x') a = GetNeedFirstEnterName()");
  EXPECT_EQ(Global("a"), "0");
  Lua("SetShowQuitRequest(1.9)");
  EXPECT_TRUE(GetShowQuitRequest());
  Lua("SetShowQuitRequest(-1.9)");
  EXPECT_FALSE(GetShowQuitRequest());
  // A number as raw text is its text; a table is no text.
  LevelFile("12", "<Level/>");
  Lua("a = TestLocName(12) b = TestLocName({}) c = TestLocName('nothere')");
  EXPECT_EQ(Global("a"), "true");
  EXPECT_EQ(Global("b"), "false");
  EXPECT_EQ(Global("c"), "false");
  // nil and false are false: the current player's own name counts as in use.
  GetUserInfo()->CreateNewUser("Ada");
  Lua("a = IsNameInUse('ada', nil) b = IsNameInUse('ada', false) c = IsNameInUse('ada', 0) d = IsNameInUse('ada', true)");
  EXPECT_EQ(Global("a"), "true");
  EXPECT_EQ(Global("b"), "true");
  EXPECT_EQ(Global("c"), "false");  // 0 is true in Lua
  EXPECT_EQ(Global("d"), "false");
  Lua("SetNeedQuit()");
  EXPECT_TRUE(GetNeedQuit());
}

TEST_F(GameGlobals, StoryGlobalsWithoutAStoryAreLoggedOnce) {
  Lua("SetNameComicsToRun('com_1') SetNameComicsToRun('com_2') SetSplashInfo('a', 'b', 'c')");
  EXPECT_EQ(log.Count("SetNameComicsToRun: not available"), 1u);
  std::vector<std::string> comics;
  GetUpperLayerHooks().setNameComicsToRun = [&](const TString& name) { comics.push_back(name.str()); };
  Lua("SetNameComicsToRun(7)");
  ClearUpperLayers();
  EXPECT_EQ(comics, (std::vector<std::string>{"7"}));
}

// StatUrl opens what the string table holds only when it is a web or mail
// address or a document of the game's assets folder: a row naming a program or a
// local file runs nothing, whatever browser the command line named.
TEST_F(GameGlobals, StatUrlOpensWebAddressesAndNeverALocalProgram) {
  THeadlessHost* host = nullptr;
  std::unique_ptr<TPlatform> platform = CreateHeadlessPlatform(TPlatformHooks(), &host);
  const std::string ran = dir.File("ran");
  const std::string payload = dir.Write("payload.sh", "#!/bin/sh\ntouch '" + ran + "'\n");
  chmod(payload.c_str(), 0755);
  dir.Write("assets/manual.txt", "read me");
  TStringTable* strings = platform->GetStringTable();
  strings->Set("site", "https://lantern.example/scores");
  strings->Set("manual", "manual.txt");
  strings->Set("program", "payload.sh");
  strings->Set("path", payload.c_str());
  strings->Set("file", ("file://" + payload).c_str());
  Lua("StatUrl('site') StatUrl('manual') StatUrl('program') StatUrl('path') StatUrl('file')");
  EXPECT_EQ(host->GetOpenedUrls(),
            (std::vector<std::string>{"https://lantern.example/scores", FileUri(dir.Path() + "/assets/manual.txt")}));
  EXPECT_FALSE(testing_support::FileExists(ran));
  EXPECT_EQ(log.Count("OpenUrl: refused the link"), 3u);
  platform.reset();
}

// --- Mini-games ---

TEST(MiniGameScripts, TypesMapToTheirScripts) {
  EXPECT_EQ(MiniGameScript("mg01window"), "scripts/mg01window.lua");
  EXPECT_EQ(MiniGameScript("mg_6"), "scripts/mg_6.lua");
  EXPECT_EQ(MiniGameScript(""), "");
  EXPECT_EQ(MiniGameScript("../mg01window"), "");
  EXPECT_EQ(MiniGameScript("mg01 window"), "");
  EXPECT_EQ(MiniGameScript(TString(std::string(64, 'm'))), "scripts/" + std::string(64, 'm') + ".lua");
  EXPECT_EQ(MiniGameScript(TString(std::string(65, 'm'))), "");
}

TEST_F(GameGlobals, StartMGFadesToTheMiniGamesScript) {
  MainXml(R"(<Game><Levels><Level id="1" mgame="mg05window" mgame_num="2"/>)"
          R"(<Level id="2" mgame="mg05/../x" mgame_num="3"/></Levels></Game>)");
  ResetShadowState();
  GetGameProgress().levelId = 1;
  Lua("StartMG()");
  EXPECT_EQ(GetShadowTarget(), "mainmenu");
  EXPECT_EQ(GetShadowScript(), "scripts/mg05window.lua");
  ResetShadowState();
  GetGameProgress().levelId = 2;
  SetMiniGameLevel(0);
  Lua("StartMG()");
  EXPECT_EQ(GetShadowScript(), "");
  EXPECT_EQ(GetMiniGameLevel(), 0);
  ResetShadowState();
}
