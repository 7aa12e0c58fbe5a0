#include "game/shell/gamemain.h"

#include "game/shell/screens/chooseplayer.h"
#include "game/shell/screens/gallery.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/screens/mainmenu.h"
#include "game/shell/screens/options.h"
#include "game/shell/particles/particlelib.h"
#include "game/shell/particles/particles.h"
#include "game/shell/screens/photoalbum.h"
#include "game/shell/data/playlog.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/typingedit.h"
#include "audio/sound.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "platform/gamestate.h"
#include "platform/host/host.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/stringtable.h"
#include "platform/time.h"
#include "render/renderer.h"
#include "render/textures/texture.h"
#include "script/bind.h"
#include "ui/slider.h"
#include "ui/window.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {

bool gNeedQuit = false;
bool gShowQuitRequest = false;
int gAppActive = 1;

struct TDefault {
  const char* key;
  const char* value;
};

const TDefault kDefaults[] = {
    {"gamename", "Orvelle Adventure Quenmoor"},
    {"publisher", "Tolvane"},
    {"encryptionkey", "tosvilqeZZZZ"},
    {"kngamehandle", "Brindlewax Verdania Application"},
    {"overlaymouse", "1"},
};

// The script globals' native halves that need a wrapper for their signature.
void LuaStatUrl(TString label) { StatUrl(label); }
void LuaSetNameInfosToRun(TString name) { SetNameInfosToRun(name); }
void LuaSetNameComicsToRun(TString name) { SetNameComicsToRun(name); }
void LuaSetSplashInfo(TString a, TString b, TString c) { SetSplashInfo(a, b, c); }

// Whether a screen stands: a window above the root screen, or one on it.
bool ScreenStands(TWindowManager* wm) {
  TWindow* root = wm ? wm->GetRootWindow() : nullptr;
  return wm && (wm->GetModalStack().size() > 1 || (root && !root->GetChildren().empty()));
}

// The first screen: the first script is run, and a screen must stand by the
// end of it or within kFirstScreenMs of the loop's time after it; otherwise
// the player would face a black screen with no way out, and the start fails.
class TFirstScreen {
public:
  static constexpr uint32_t kFirstScreenMs = 3000;

  // Runs the first script. False when the start has failed already: the
  // script did not run and nothing stands (Why says what).
  bool Run(TWindowScript* script, TWindowManager* wm) {
    wm_ = wm;
    TLogCapture log;
    const bool ran = script->RunFile(kFirstScript);
    // A script that cannot be read or run, or a Lua message with its place ("x.lua:12: ...").
    for (const std::string& line : log.Lines())
      if (error_.empty() && (line.rfind("Lua Error: ", 0) == 0 || line.rfind("Failed to run ", 0) == 0 ||
                             line.find(".lua:") != std::string::npos))
        error_ = line;
    for (size_t at = error_.find("\n\t"); at != std::string::npos; at = error_.find("\n\t")) error_.replace(at, 2, " ");
    stands_ = ScreenStands(wm);
    if (!ran && !stands_) why_ = kFirstScript + std::string(" does not run");
    due_ = GetPlatformTime() + kFirstScreenMs;
    return why_.empty();
  }
  // Called after each event of the loop: true when the time for the first
  // screen has run out with none standing (Why says what).
  bool Overdue() {
    if (stands_ || !why_.empty()) return !why_.empty();
    stands_ = ScreenStands(wm_);
    if (!stands_ && int32_t(GetPlatformTime() - due_) >= 0) why_ = "its first screen does not open";
    return !why_.empty();
  }
  // Why the start failed, for the person who started the program.
  std::string Why() const {
    if (why_.empty()) return why_;
    const std::string logFile = GetLogFilePath();
    return why_ + (error_.empty() ? std::string() : " (" + error_ + ")") +
           (logFile.empty() ? std::string() : "; " + logFile + " tells more");
  }

private:
  TWindowManager* wm_ = nullptr;
  std::string error_, why_;
  bool stands_ = false;
  uint32_t due_ = 0;
};

// The loop's world in a running program.
class TPlatformLoopPort : public TGameLoopPort {
public:
  TPlatformLoopPort(TPlatform* platform, TWindowManager* wm, TFirstScreen* first)
      : platform_(platform),
        wm_(wm),
        first_(first),
        redrawEveryTick_(GetSettingBool("headless") || GetSettingInt("frames") > 0 || Scripted()),
        logModals_(GetSettingBool("headless") || Scripted()) {}

  void GetEvent(TPlatformEvent* event) override { platform_->GetEvent(event); }
  void HandleEvent(const TPlatformEvent& event) override {
    if (!wm_) return;
    // A headless run, one driven by an input script or one that stops after
    // a number of frames, draws on every tick, so that frame counts measure
    // time and screenshots work.
    if (redrawEveryTick_ && event.type == kEventTick) wm_->Invalidate();
    wm_->HandleEvent(event);
    // No first screen in time: the game ends as a script's quit would end it.
    if (first_ && first_->Overdue()) {
      first_ = nullptr;
      SetNeedQuit();
    }
    // A save that failed, or one that could not be read, is told once a screen stands.
    TellNoticesWhenDue();
    if (logModals_) LogTopModal();
  }
  void RunQuitVerify() override {
    if (TWindowScript* script = wm_ ? wm_->GetScript() : nullptr) script->RunFile("scripts/quitverify.lua");
  }
  bool IsMiniGameOpen() override { return ::IsMiniGameOpen(); }
  void AskQuitMiniGame() override { ::AskQuitMiniGame(); }
  void StoreFullScreenPref() override {
    if (UserInfo* users = GetUserInfo()) users->StoreFullScreenPref();
  }
  void UpdateGameCursor() override { ::UpdateGameCursor(); }
  bool IsFlashMoviePlaying() override { return ::IsFlashMoviePlaying(); }
  void StopFlashMovieOnClick() override { ::StopFlashMovieOnClick(); }

private:
  static bool Scripted() { return !GetSettingString("input").IsEmpty(); }

  // A headless or scripted run logs the top modal window each time another one comes up
  // (or the same one is renamed by its script), with the presented frame's
  // number and the platform clock: input scripts and tests follow the screens
  // by these lines.
  void LogTopModal() {
    TWindow* top = wm_->GetTopModal();
    const uint32_t id = top ? top->GetId() : 0;
    const TString name = top ? top->GetName() : TString();
    if (id == loggedModalId_ && name == loggedModalName_) return;
    loggedModalId_ = id;
    loggedModalName_ = name;
    THost* host = platform_ ? platform_->GetHost() : nullptr;
    TraceOut("modal: %s (frame %llu, %u ms)", top ? name.c_str() : "(none)",
             static_cast<unsigned long long>(host ? host->GetPresentCount() : 0), GetPlatformTime());
    // What the program holds once a screen stands (not for the fades): what
    // a screen change leaves behind shows up here over a long run.
    if (top && name == "sShadow") return;
    TAssetManager* assets = GetAssetManager();
    TraceOut("live: %ld coroutines, %ld tasks, %ld windows, %zu textures, %zu sounds, %ld playbacks",
             TScript::LiveThreadCount(), TTask::LiveCount(), TWindow::LiveCount(),
             assets ? assets->CountLive(&TTexture::ClassId) : size_t(0),
             assets ? assets->CountLive(&TSound::ClassId) : size_t(0), TSoundInstance::LiveCount());
  }

  TPlatform* platform_;
  TWindowManager* wm_;
  TFirstScreen* first_;
  bool redrawEveryTick_;
  bool logModals_;
  uint32_t loggedModalId_ = 0;
  TString loggedModalName_;
};

}  // namespace

// --- Defaults and game-state events ---

void SetGameSettingsDefaults() {
  for (const TDefault& d : kDefaults) SetSetting(d.key, d.value);
  for (int i = 1; i <= 2; ++i)
    SetSetting(TString().Format("%s%d", "kngamemodename", i), TString().Format("brindlewax_gamemode%d", i));
  for (int i = 1; i <= 2; ++i)
    SetSetting(TString().Format("%s%d", "kngamemedalname", i), TString().Format("brindlewax_medal%d", i));
  SetSetting("vsync", "1");
}

void RegisterGameStateEvents() {
  TGameState* state = TGameState::GetInstance();
  state->SetStateInt("SessionTime", 1);
  state->SetState("begin-session", "SessionData");
  state->SetState("add-value", GetSettingString("version"));
  state->SetState("add-timer", "SessionTime");
  state->SetState("add-state", "HighestBraskLevel");
  state->SetState("end-session", "SessionData");
  for (int minutes : {15, 30, 45, 59}) {
    TString progress = TString().Format("Progress-%d", minutes);
    state->SetState(TString().Format("begin-elapsed(%d)", minutes), progress);
    state->SetState("add-state", "PlayedSimpleGame");
    state->SetState(TString().Format("end-elapsed(%d)", minutes), progress);
  }
}

// --- Flags ---

bool IsAppActive() { return gAppActive == 1; }
void SetAppActive(bool active) { gAppActive = active ? 1 : 0; }
void SetNeedQuit() { gNeedQuit = true; }
bool GetNeedQuit() { return gNeedQuit; }
void SetShowQuitRequest(int value) { gShowQuitRequest = value == 1; }
bool GetShowQuitRequest() { return gShowQuitRequest; }
void ResetGameMainFlags() {
  gNeedQuit = false;
  gShowQuitRequest = false;
  gAppActive = 1;
}

void StatUrl(const TString& label) {
  TPlatform* platform = TPlatform::GetInstance();
  TStringTable* strings = platform ? platform->GetStringTable() : nullptr;
  if (!strings) return;
  platform->OpenUrl(strings->GetString(label, TString(), TString(), TString(), TString(), TString()));
}

// --- Window types and globals ---

const char* const kGameWindowTypes[kGameWindowTypeCount] = {
    "MainMenu", "OptionsWindow", "Slider",   "ChoosePlayerWindow", "CreditsWindow",    "MainGame",
    "MButton",  "Shadow",        "Comics",   "GameMenu",           "Infos",            "MiniTutor",
    "ComicsSpl", "Tutor",        "PhotoAlbumWindow", "GameGallery", "mg01window",      "mg02window",
    "mg03window", "mg05window",  "mg06window", "TextEdit",
};

namespace {
// The shell's own types; the rest come from AddUpperWindowType.
TWindowCreator ShellWindowType(const std::string& name) {
  if (name == "MainMenu") return TMainMenu::ClassCreator();
  if (name == "OptionsWindow") return TOptions::ClassCreator();
  if (name == "Slider") return TSlider::ClassCreator();
  if (name == "ChoosePlayerWindow") return TChoosePlayer::ClassCreator();
  if (name == "MButton") return TMButton::ClassCreator();
  if (name == "Shadow") return TShadow::ClassCreator();
  if (name == "GameMenu") return TGMenu::ClassCreator();
  if (name == "PhotoAlbumWindow") return TPhotoAlbum::ClassCreator();
  if (name == "GameGallery") return TGameGallery::ClassCreator();
  if (name == "TextEdit") return TCustomTextEdit::ClassCreator();
  return nullptr;
}
}  // namespace

void RegisterGameWindowTypes(TWindowManager* wm) {
  if (!wm) return;
  for (const char* name : kGameWindowTypes) {
    TWindowCreator creator = FindUpperWindowType(name);
    if (!creator) creator = ShellWindowType(name);
    if (creator) wm->RegisterWindowType(name, creator);
    else TraceOut("Window type %s is not built into this program; scripts cannot make it", name);
  }
}

const char* const kGameGlobals[kGameGlobalCount] = {
    "SetNeedGo2MainMenu", "CSWithSh",           "TestLocName",           "SetNextLocName",
    "IsNeedStartComics",  "SetNameInfosToRun",  "SetNameComicsToRun",    "SetNeedFirstEnterName",
    "GetNeedFirstEnterName", "SetCanUseSymbol", "GetgameNeedClearUserInfo", "SetgameNeedClearUserInfo",
    "ClearUserInfoInGameEnd", "SaveGameUserInfo", "SetgameIntroDone",     "GetgameIntroDone",
    "AddTool",            "SetLevelChapter",    "GetLIComicsName",       "GetLIComicsPictName",
    "GetNeedGoFromGame2Map", "StatUrl",         "IsNameInUse",           "SetSplashInfo",
    "AddArt",             "SetNeededLevel",     "SetNeedQuit",           "SetShowQuitRequest",
};

void BindGameMainGlobals(TLuaBindings& b) {
  // The progress's, the level model's and the profiles' globals, then those of the loop and the screens.
  BindGameDataGlobals(b);
  b.Bind("CSWithSh", &CSWithSh);
  b.Bind("SetNameInfosToRun", &LuaSetNameInfosToRun);
  b.Bind("SetNameComicsToRun", &LuaSetNameComicsToRun);
  b.Bind("StatUrl", &LuaStatUrl);
  b.Bind("SetSplashInfo", &LuaSetSplashInfo);
  b.Bind("SetNeedQuit", &::SetNeedQuit);
  b.Bind("SetShowQuitRequest", &::SetShowQuitRequest);
}

// --- The loop ---

TLoopEnd RunGameLoop(TGameLoopPort& port) {
  TPlatformEvent event;
  for (port.GetEvent(&event); event.type != kEventQuit; port.GetEvent(&event)) {
    if (event.type == kEventClose) {
      port.RunQuitVerify();
      bool miniGame = port.IsMiniGameOpen();
      if (miniGame && !gShowQuitRequest) {
        // Asked once: the flag stays set until a script clears it.
        port.AskQuitMiniGame();
        gShowQuitRequest = true;
      } else if (!miniGame && !gShowQuitRequest) {
        return TLoopEnd::kCloseRequest;
      }
    } else if (event.type == kEventModeChange) {
      port.StoreFullScreenPref();
    } else if (event.type == kEventActivate) {
      gAppActive = event.a != 0 ? 1 : 0;
    }
    port.UpdateGameCursor();
    if (event.type == kEventLeftDown && port.IsFlashMoviePlaying()) port.StopFlashMovieOnClick();
    port.HandleEvent(event);
    if (gNeedQuit) return TLoopEnd::kQuitFlag;
  }
  return TLoopEnd::kQuitEvent;
}

void ShutdownGame(TLoopEnd end) {
  // A level left unfinished sends its statistics while the profiles are
  // still there; uploads still running get their time, their file lines are written.
  EndPlay();
  FinishPlayLog();
  if (end == TLoopEnd::kQuitEvent) OpenGameOverPage();
  ShutdownParticles();
  DeleteUserInfo();
}

// --- The main function ---

namespace {
// Re-runs the particle texture set-up after every restore of the display.
void AddTextureRefreshTask(TPlatform* platform) { platform->AddRestoreTask(NewParticleTextureTask()); }

}  // namespace

void GameMain(TPlatform* platform, const TString& commandLine) {
  ResetGameMainFlags();
  TRenderer* renderer = TRenderer::GetInstance();
  renderer->SetRenderOption("new_subtractive", "1");
  renderer->SetRenderOption("new_render_blend", "1");
  SetSetting("texturememorymax", "250000000");
  LoadMainXml();
  LoadInfosXml();
  RegisterGameStateEvents();
  if (TStringTable* strings = platform->GetStringTable()) platform->SetWindowTitle(strings->GetString("windowtitle"));
  RecreateUserInfo();
  GetUserInfo()->OpenGameDisplay();
  StartPlayLog(commandLine.str());
  InitParticles();
  AddTextureRefreshTask(platform);
  SetDefaultGameCursor();

  TWindowManager* wm = platform->GetWindowManager();
  TWindowScript* script = wm ? wm->GetScript() : nullptr;
  RegisterGameWindowTypes(wm);
  // The story's own globals exist before the first script runs; the main
  // function's 28 once "scripts/mainloop.lua" has run to its first wait: its
  // code at load time cannot call them, what it runs later from its loop can.
  std::unique_ptr<TLuaBindings> globals;
  TFirstScreen first;
  bool started = true;
  if (script && script->GetState()) {
    globals = std::make_unique<TLuaBindings>(script->GetState());
    if (GetUpperLayerHooks().bindGlobals) GetUpperLayerHooks().bindGlobals(*globals);
    started = first.Run(script, wm);
    BindGameMainGlobals(*globals);
  }

  TPlatformLoopPort port(platform, wm, &first);
  TLoopEnd end = started ? RunGameLoop(port) : TLoopEnd::kQuitFlag;
  if (!first.Why().empty()) {
    // A black screen with no way out is no start.
    TellStartFailure(first.Why());
    platform->PostQuit(1);
  }
  // A signal (a log-out, a closed terminal, Ctrl+C) quits as the game's own quit does.
  const bool signalled = end == TLoopEnd::kQuitEvent && GetQuitSignal() != 0;
  if (signalled) end = TLoopEnd::kQuitFlag;
  TraceOut("The game ends (%s)", !first.Why().empty()            ? "no first screen"
                                 : signalled                      ? "quit on a signal"
                                 : end == TLoopEnd::kQuitEvent    ? "quit"
                                 : end == TLoopEnd::kCloseRequest ? "close request"
                                                                  : "quit requested by a script");
  ShutdownGame(end);
  globals.reset();
}
