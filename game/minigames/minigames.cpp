#include "game/minigames/minigames.h"

#include <tinyxml.h>

#include <algorithm>

#include "game/scene/sceneflow.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/upperlayers.h"
#include "game/story/logbook.h"
#include "platform/file.h"
#include "platform/log.h"
#include "platform/random.h"
#include "platform/shell/platform.h"
#include "render/renderer.h"
#include "script/bind.h"
#include "ui/windowmanager.h"

TMiniGames* gCurrentMiniGame = nullptr;
int gMiniGameVariant = 1;

namespace {

constexpr int kSlowestRate = 1000;  // ms
constexpr const char* kMainMenuScript = "scripts/mainmenu.lua";
constexpr const char* kPlayScreenScript = "scripts/maingame.lua";
constexpr const char* kSplashScript = "scripts/splashstart.lua";
constexpr const char* kSoundFadeText = "if(not(StartSoundFade == nil)) then StartSoundFade(); end";

// The identity of the frame class (it is never made by name).
TWindow* NoInstance() { return nullptr; }

}  // namespace

TWindowClassId TMiniGames::ClassId() { return &NoInstance; }

TMiniGames::TMiniGames(const TString& name) : windowName(name.str()) {
  gCurrentMiniGame = this;
  bindings_ = MakeScriptBindings();
  if (bindings_) {
    bindings_->Bind("CloseMG", this, &TMiniGames::CloseMG);
    bindings_->Bind("MGEnd", this, &TMiniGames::MGEnd);
  }
  canRestart = false;
  const int defaultRate = 16;
  animRate = defaultRate;
  ReadXmlInt(GetMainXml(), "Common", "animrate", &animRate, &defaultRate);
  if (animRate < 1 || animRate > kSlowestRate) {
    TraceOut("%s: \"animrate\" %d is out of range; 16 ms is used", windowName.c_str(), animRate);
    animRate = defaultRate;
  }
  animStep = float(animRate) / 1000.0f;
  GetGameProgress().mLocationType = 1;
  const int level = GetMiniGameLevel();
  gMiniGameVariant = (level == 1 || level == 2) ? level : 1;
}

TMiniGames::~TMiniGames() {
  delete buttMenu;
  delete buttLogbook;
  delete buttSkip;
  delete buttRestart;
  delete logBook;
  bindings_.reset();
  if (gCurrentMiniGame == this) gCurrentMiniGame = nullptr;
}

TRandom& TMiniGames::Random() {
  static TRandom random;
  return random;
}

void TMiniGames::PostInit(TWindowStyle&) {
  const TiXmlElement* root = GetMainXml().RootElement();
  const TiXmlElement* style = root ? root->FirstChildElement("MiniGame") : nullptr;
  if (!style) TraceOut("%s: main.xml has no \"MiniGame\" element; the game has no buttons", windowName.c_str());
  auto button = [&](const char* key) -> Button_t* {
    const char* value = style ? style->Attribute(key) : nullptr;
    if (!value) return nullptr;
    return CreateButtonFromStyle(value, this);
  };
  buttMenu = button("buttmenu");
  buttLogbook = button("buttlogbook");
  buttSkip = button("buttskip");
  if (canRestart) buttRestart = button("buttrestart");

  if (TPlatform* platform = TPlatform::GetInstance()) {
    int w = 0, h = 0;
    bool fullScreen = false;
    platform->GetDisplayMode(&w, &h, &fullScreen);
    if (w > 0 && h > 0) SetSize(w, h);
  }

  logBook = new LogBook_t(this);
  logBook->lastLocation = std::max(0, logBook->CountJournalPages() - 1);
  logBook->Rebuild();
  logBook->photosOnly = false;
  logBook->locationCompleted = true;
  logBook->zoomState = LogBook_t::kZoomNone;
  logBook->zoomSide = 2;
  for (const TString& photo : GetGameProgress().photos) logBook->AddEntry(photo);
  logBook->AddPage();

  PlayMusic(musicName, ambientName);
  // The game takes its screen's keys (Escape).
  TakeScreenKeys(this);
}

Button_t* TMiniGames::GetButton(const char* command) const {
  for (Button_t* b : {buttMenu, buttSkip, buttRestart, buttLogbook})
    if (b && b->name == command) return b;
  return nullptr;
}

void TMiniGames::Draw() {
  TRender2dScope scope;
  for (Button_t* b : {buttMenu, buttSkip, buttRestart, buttLogbook})
    if (b) b->Draw();
  if (logBook && !logBook->IsClosed()) logBook->Draw();
}

void TMiniGames::DrawTutorial() {
  tutor.DrawShadow();
  tutor.Draw();
}

void TMiniGames::DrawWithTray(const std::function<void()>& drawTray) {
  const bool journalShown = logBook && !logBook->IsClosed();
  if (journalShown) drawTray();
  TMiniGames::Draw();
  if (!journalShown) drawTray();
}

bool TMiniGames::Update() {
  if (TWindowManager* wm = GetWindowManager()) wm->Invalidate();
  if (loadFailed_) {
    EndRefusedGame();
    return true;
  }
  const bool journalClosed = !logBook || logBook->IsClosed();
  if (tutor.IsActive()) tutor.Update(animStep, 0, journalClosed);
  tutor.StepNotice(animStep);
  if (!journalClosed) logBook->Update(animStep);
  FollowJournalWish();
  return true;
}

void TMiniGames::OpenLogBook() {
  TraceOut("%s: the journal opens", windowName.c_str());
  logBook->Open(LogBook_t::kJournal, logBook->lastLocation);
  logBook->StartOpening();
  logBook->writingSuppressed = true;
}

void TMiniGames::FollowJournalWish() {
  if (logBook) journalWish_.Follow(*logBook, [this] { OpenLogBook(); });
}

bool TMiniGames::IsLogBookOpen() const { return logBook && logBook->IsOpen(); }

bool TMiniGames::OnMouseDown(const TPoint& p) {
  if (IsLogBookOpen()) {
    logBook->OnMouseDown(p);
    return true;
  }
  // The fading book takes no clicks: a click on its close button is kept.
  if (logBook && journalWish_.OnMouseDown(*logBook, p, false)) return true;
  if (tutor.OnMouseDown(p)) return true;
  if (isWon) {
    // Won, the buttons no longer react; without a closing message the skip
    // button is the way out.
    if (noClosingMessage_ && buttSkip) buttonPressed_ = buttSkip->OnMouseDown(p.x, p.y);
    return true;
  }
  bool onButton = false;
  for (Button_t* b : {buttMenu, buttSkip, buttRestart, buttLogbook})
    if (b && b->OnMouseDown(p.x, p.y)) onButton = true;
  buttonPressed_ = onButton;
  return onButton;
}

bool TMiniGames::OnMouseUp(const TPoint& p) {
  const bool pressed = buttonPressed_;
  buttonPressed_ = false;
  if (IsLogBookOpen()) {
    logBook->OnMouseUp(p);
    return true;
  }
  if (logBook && journalWish_.OnMouseUp(*logBook, p, false)) {
    FollowJournalWish();
    return true;
  }
  if (tutor.OnMouseUp(p)) return true;
  if (isWon) {
    if (noClosingMessage_ && buttSkip) buttSkip->OnMouseUp(p.x, p.y);
    return true;
  }
  // A click may run a command that changes the buttons; each is read again.
  bool clicked = false;
  if (buttMenu && buttMenu->OnMouseUp(p.x, p.y)) clicked = true;
  if (buttSkip && buttSkip->OnMouseUp(p.x, p.y)) clicked = true;
  if (buttRestart && buttRestart->OnMouseUp(p.x, p.y)) clicked = true;
  if (buttLogbook && buttLogbook->OnMouseUp(p.x, p.y)) clicked = true;
  return clicked || pressed;
}

bool TMiniGames::OnMouseMove(const TPoint& p) {
  if (IsLogBookOpen() && !tutor.IsWaiting()) {
    logBook->OnMouseMove(p);
    return true;
  }
  tutor.OnMouseMove(p);
  if (isWon && noClosingMessage_ && buttSkip) buttSkip->OnMouseMove(p.x, p.y);
  if (isWon || tutor.IsWaiting()) return true;
  for (Button_t* b : {buttMenu, buttSkip, buttRestart, buttLogbook})
    if (b) b->OnMouseMove(p.x, p.y);
  return false;
}

bool TMiniGames::OnChar(unsigned char c) {
  // Enter and Escape press the button of a message box on the screen (it
  // holds the game, as it holds the mouse).
  if (tutor.OnKey(c)) return true;
  if (c != 27) return false;
  // Escape: the journal's close button while the journal shows, else the
  // menu button (which a waiting message box or the won game holds).
  const bool journal = logBook && !logBook->IsClosed();
  if (!journal && isWon && noClosingMessage_) {
    CloseMG();
    return true;
  }
  if (!journal && (isWon || tutor.IsWaiting())) return true;
  return EscapePressesButton(this, c, journal ? "logbookclose" : "menu");
}

bool TMiniGames::OnMessage(TMessage* message) {
  if (!message || message->GetType() != kButtonPress) return false;
  const TString& text = message->GetText();
  const bool idle = logBook && logBook->GetTransition() == LogBook_t::kIdle;
  if (text == "menu") {
    PutDownHeld();
    if (TWindowManager* wm = GetWindowManager()) wm->RunScriptText(this, "DoModal('scripts/minigamemenu.lua')");
  } else if (text == "skipgame") {
    if (isWon && noClosingMessage_) CloseMG();
    else SkipGame();
  } else if (text == "restart") {
    if (buttRestart) RestartGame();
  } else if (text == "logbook") {
    // The closed book opens; one fading out opens again once closed. The
    // last request wins, done as soon as the book can (journalwish.h).
    PutDownHeld();
    if (logBook && logBook->IsClosed()) {
      journalWish_.Request(JournalWish_t::Ask::kNone);
      OpenLogBook();
    } else {
      journalWish_.Request(JournalWish_t::Ask::kOpen);
    }
  } else if (text == "logbookclose") {
    // A close waits for the opening, a turning page or the pen.
    journalWish_.Request(JournalWish_t::Ask::kClosed);
    FollowJournalWish();
  } else if (text == "logbookprev") {
    if (idle) logBook->TurnPageBack();
  } else if (text == "logbooknext") {
    if (idle) logBook->TurnPageForward();
  } else if (text == "logbookjournal") {
    if (idle && logBook->GetSection() == LogBook_t::kPhotographs) logBook->ShowJournal();
  } else if (text == "logbookphotographs") {
    if (idle && logBook->GetSection() == LogBook_t::kJournal) logBook->ShowPhotographs();
  } else {
    return tutor.OnCommand(message);
  }
  return true;
}

void TMiniGames::SetSoundNames(const TString& music, const TString& ambient) {
  musicName = music;
  ambientName = ambient;
}

void TMiniGames::StartTutorScreen(int number) {
  if (number >= 0) tutor.StartScreen(number);
}

void TMiniGames::StartClosingMessage() {
  StartTutorScreen(finMessageNum);
  const int current = tutor.GetCurrentScreen();
  const auto& screens = tutor.GetScreens();
  const bool started = current >= 0 && current < int(screens.size()) && screens[size_t(current)].id == finMessageNum &&
                       tutor.IsWaiting();
  if (!started) {
    // The game waits for CloseMG as ever; no message can call it, so the
    // player's skip button and Escape do.
    TraceOut("%s: the tutorial has no closing message %d; the skip button or Escape ends the game",
             windowName.c_str(), finMessageNum);
    noClosingMessage_ = true;
  }
}

void TMiniGames::LoadTutorial(const TiXmlElement* root) {
  tutor.Load(this, root);
  tutor.HideCurrentScreen();
}

void TMiniGames::SetLoadFailed() { loadFailed_ = true; }

void TMiniGames::CloseMG() { closeRequested = true; }

void TMiniGames::MGEnd() {
  GameProgress& progress = GetGameProgress();
  if (IsLocationMiniGameDue()) {
    // A mini-game standing in a chapter: the flow passes it (and saves).
    nextScript_ = FinishLocationMiniGame(isWon);
  } else if (isWon) {
    const TNextStep step = FinishLevelMiniGame();
    nextScript_ = NextScreenScript(step);
    SaveSceneProgress();
  } else {
    progress.mLocationType = 1;
    nextScript_ = kMainMenuScript;
    SaveSceneProgress();
  }
  TraceOut("%s: the game ends %s; next %s", windowName.c_str(), isWon ? "won" : "unfinished", nextScript_.c_str());
  CSWithSh(windowName.c_str(), kMainMenuScript);
}

bool TMiniGames::FollowEndStep(MGEndStep step, const TString& name) {
  if (step == MGEndStep::kStartClosing) {
    StartClosingMessage();
    isWon = true;
  } else if (step == MGEndStep::kFinish) {
    FinishMiniGame(this, name);
  }
  return step != MGEndStep::kPlaying;
}

void TMiniGames::FinishMiniGame(TWindow* window, const TString& name) {
  MGEnd();
  const TString comics = GetLIComicsName();
  // The main menu when the flag asks for it (the end of the game, or a
  // script), else the play screen.
  const std::string next = GetNeedGo2MainMenu() ? kMainMenuScript : kPlayScreenScript;
  const TUpperLayerHooks& hooks = GetUpperLayerHooks();
  // The comic of the level that is now current comes first (after the last
  // level, the first level's, before the main menu).
  if (!comics.IsEmpty() && hooks.setSplashInfo && FileExists(kSplashScript)) {
    TraceOut("%s: the level's comic %s first", windowName.c_str(), comics.c_str());
    SetSplashInfo(comics, GetLIComicsPictName(), TString(next.c_str()));
    CSWithSh(name.c_str(), kSplashScript);
  } else {
    CSWithSh(name.c_str(), next.c_str());
  }
  if (TWindowManager* wm = GetWindowManager()) {
    TWindow* runner = window ? window : this;
    wm->RunScriptText(runner, kSoundFadeText);
    wm->RunScriptText(runner, TShadow::kOpenShadowText);
  }
}

void TMiniGames::EndRefusedGame() {
  if (left_) return;
  left_ = true;
  // A file that cannot be played would hold the player here at every Play:
  // the game counts as skipped, and the level goes on.
  TraceOut("%s: the game cannot be played; it counts as skipped", windowName.c_str());
  isWon = true;
  FinishMiniGame(this, TString(windowName.c_str()));
}

void TMiniGames::AskQuitMiniGame() {
  TWindowManager* wm = GetWindowManager();
  if (!gCurrentMiniGame || !wm) return;
  gCurrentMiniGame->PutDownHeld();
  wm->RunScriptText(gCurrentMiniGame, "DoModal('scripts/askgame2quit.lua')");
}
