#include "game/scene/maingame.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/sound.h"
#include "game/scene/sceneflow.h"
#include "game/scene/scenestory.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/gamemain.h"
#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/pane.h"
#include "game/shell/particles/particles.h"
#include "game/shell/data/playlog.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/widgets/texteffect.h"
#include "game/shell/upperlayers.h"
#include "game/shell/data/userinfo.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "render/renderer.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"
#include "ui/windowstyle.h"

namespace {
TMainGame* gCurrent = nullptr;
TString gCursorShown;  // the cursor the scene set last (empty: none yet)
TPlatform* gRestorePlatform = nullptr;  // the platform whose restore list holds the task below

// After a display restore the pictures of the list and the coins are drawn again.
class TSceneTextsRestoreTask : public TTask {
public:
  bool DoTask() override {
    if (gCurrent) gCurrent->MarkTextsDirty();
    return true;
  }
};

const TiXmlElement* MainXmlSection(const char* name) {
  const TiXmlElement* root = GetMainXml().RootElement();
  return root ? root->FirstChildElement(name) : nullptr;
}

void ReadText(const TiXmlElement* e, const char* name, TString* out) {
  if (const char* v = e ? e->Attribute(name) : nullptr) *out = v;
}

void ReadFloat(const TiXmlElement* e, const char* name, float* out, float low, float high) {
  double v = 0;
  if (!e || e->QueryDoubleAttribute(name, &v) != TIXML_SUCCESS || !std::isfinite(v)) return;
  *out = float(std::max(double(low), std::min(double(high), v)));
}

void ReadInt(const TiXmlElement* e, const char* name, int* out, int low, int high) {
  int v = 0;
  if (!e || e->QueryIntAttribute(name, &v) != TIXML_SUCCESS) return;
  *out = std::max(low, std::min(high, v));
}

// "x,y,w,h" with a positive size.
void ReadRect(const TiXmlElement* e, const char* name, TRect* out) {
  const char* v = e ? e->Attribute(name) : nullptr;
  int x = 0, y = 0, w = 0, h = 0;
  if (!v) return;
  if (std::sscanf(v, "%d,%d,%d,%d", &x, &y, &w, &h) != 4 || w <= 0 || h <= 0 || w > 4096 || h > 4096 ||
      std::abs(x) > 4096 || std::abs(y) > 4096) {
    TraceOut("MainGame: main.xml MainGame %s=\"%s\" is not x,y,w,h", name, v);
    return;
  }
  *out = TRect(x, y, x + w, y + h);
}

// "r,g,b,a" on a 0-255 scale.
void ReadColor(const TiXmlElement* e, const char* name, TFloatColor* out) {
  const char* v = e ? e->Attribute(name) : nullptr;
  int r = 0, g = 0, b = 0, a = 0;
  if (v && std::sscanf(v, "%d,%d,%d,%d", &r, &g, &b, &a) == 4)
    *out = TFloatColor(float(std::clamp(r, 0, 255)) / 255, float(std::clamp(g, 0, 255)) / 255,
                       float(std::clamp(b, 0, 255)) / 255, float(std::clamp(a, 0, 255)) / 255);
}

TWindowManager* Manager() { return GetWindowManager(); }

}  // namespace

// --- Settings ---

void SceneSettings::Load() {
  const TiXmlElement* scene = MainXmlSection("MainGame");
  ReadText(scene, "panel", &panel);
  ReadInt(scene, "playbottom", &playBottom, 0, 4096);
  ReadText(scene, "buttmenu", &buttMenu);
  ReadText(scene, "buttlogbook", &buttLogbook);
  ReadText(scene, "butthint", &buttHint);
  ReadRect(scene, "list", &listRect);
  ReadInt(scene, "listcolumns", &listColumns, 1, 8);
  ReadInt(scene, "listrows", &listRows, 1, 8);
  ReadText(scene, "listfont", &listFont);
  ReadInt(scene, "listfontsize", &listFontSize, 6, 96);
  ReadColor(scene, "listcolor", &listColor);
  ReadRect(scene, "coins", &coinsRect);
  ReadInt(scene, "coinsfontsize", &coinsFontSize, 6, 96);
  ReadText(scene, "penalty", &penalty);
  ReadFloat(scene, "penalty_time", &penaltyTime, 0, 600);
  ReadFloat(scene, "penalty_window", &penaltyWindow, 0, 600);
  ReadText(scene, "sound_found", &soundFound);
  ReadText(scene, "sound_wrong", &soundWrong);
  ReadText(scene, "sound_hint", &soundHint);
  ReadText(scene, "sound_coin", &soundCoin);
  ReadText(scene, "sound_complete", &soundComplete);
  ReadRect(scene, "hintring", &hintRing);
  const TiXmlElement* hint = MainXmlSection("Hint");
  ReadFloat(hint, "time", &hintTime, 0, 3600);
  int full = hintFull ? 1 : 0;
  ReadInt(hint, "full", &full, 0, 1);
  hintFull = full != 0;
  ReadText(hint, "minitutor", &hintMiniTutor);
  ReadFloat(MainXmlSection("FinAnim"), "timeShow", &finTime, 0, 60);
  const TiXmlElement* common = MainXmlSection("Common");
  ReadInt(common, "penalti_clicks_count", &penaltyClicks, 0, 1000);
  int cheatValue = 0;
  ReadInt(common, "Cheet", &cheatValue, 0, 1);
  cheat = cheatValue == 1;
}

// --- The listener: message 1099 reaches the scene without a target ---

class TMainGame::TListener : public TMessageListener {
public:
  explicit TListener(TMainGame* owner) : owner_(owner) {}
  bool OnMessage(TMessage* m) override {
    if (m->type != kMiniTutorClosedMessage) return false;
    TraceOut("MainGame: a mini tutorial closed");
    if (SceneStory_t* story = owner_->GetStory()) story->OnMiniTutorClosed();
    return true;
  }

private:
  TMainGame* owner_;
};

// --- Life ---

TMainGame::TMainGame() {
  SetClassFlags(kWindowFocusable);
  gCurrent = this;
  gCursorShown = TString();
}

TMainGame::~TMainGame() {
  // Left before the end (the game menu's way to the main menu): the level's
  // statistics go now. At the program's end they went before the profiles
  // closed (EndPlayAtExit); after that nothing more is sent.
  if (GetUserInfo()) SendStatistics();
  if (listener_)
    if (TWindowManager* wm = Manager()) wm->RemoveListener(listener_.get());
  // The story may still point at the objects and the level.
  story_.reset();
  for (TTextBlock* cell : cells_) TTextBlock::Destroy(cell);
  if (coinsText_) TTextBlock::Destroy(coinsText_);
  if (penaltyText_) TTextBlock::Destroy(penaltyText_);
  DestroyAllEmitters();
  if (gCurrent == this) gCurrent = nullptr;
  gCursorShown = TString();
}

TMainGame* TMainGame::Current() { return gCurrent; }

void TMainGame::EndPlayAtExit() {
  if (gCurrent) gCurrent->SendStatistics();
}

void TMainGame::SendStatistics() {
  if (statisticsSent_ || !loaded_ || (state_ != TState::kPlaying && state_ != TState::kFinishing)) return;
  statisticsSent_ = true;
  UploadPlayLog();
}

TRandom& TMainGame::Random() {
  static TRandom random;
  return random;
}

void TMainGame::Init(TWindowStyle& style) {
  TWindow::Init(style);
  settings_.Load();
  int rate = 16;
  const int defaultRate = 16;
  ReadXmlInt(GetMainXml(), "Common", "animrate", &rate, &defaultRate);
  rate = std::max(1, std::min(1000, rate));
  step_ = float(rate) / 1000.0f;
  Animate(uint32_t(rate), true, true, false);

  TPlatform* platform = TPlatform::GetInstance();
  if (platform && platform != gRestorePlatform) {
    gRestorePlatform = platform;
    platform->AddRestoreTask(new TSceneTextsRestoreTask);
  }
  if (TWindowManager* wm = Manager()) {
    listener_ = std::make_unique<TListener>(this);
    wm->AddListener(listener_.get());
  }
  story_ = MakeSceneStory(this);
  buttMenu_.reset(settings_.buttMenu.IsEmpty() ? nullptr : CreateButtonFromStyle(settings_.buttMenu.c_str(), this));
  buttLogbook_.reset(settings_.buttLogbook.IsEmpty() ? nullptr
                                                     : CreateButtonFromStyle(settings_.buttLogbook.c_str(), this));
  buttHint_.reset(settings_.buttHint.IsEmpty() ? nullptr : CreateButtonFromStyle(settings_.buttHint.c_str(), this));
  if (buttLogbook_) buttLogbook_->SetDisabled(!story_ || !story_->HasJournal());
  if (!settings_.panel.IsEmpty()) panel_ = ParsePaneDescr(settings_.panel);
  if (!settings_.penalty.IsEmpty()) penalty_.Parse(settings_.penalty);
  hintCharge_ = settings_.hintFull ? 1.0f : 0.0f;
  if (buttHint_) buttHint_->SetDisabled(hintCharge_ < 1.0f);  // shown so before the first step

  std::string script = EnterDuePlace();
  if (script != "scripts/maingame.lua") {
    // A mini-game or the main menu: the screen changes on the first update.
    SaveSceneProgress();
    pendingScript_ = script;
    return;
  }
  if (!LoadLocation()) pendingScript_ = "scripts/mainmenu.lua";
}

void TMainGame::PostInit(TWindowStyle& style) {
  TWindow::PostInit(style);
  // The keys come here whenever the play screen is on top: from the start,
  // and again when the fade or a menu above it closes.
  TakeScreenKeys(this);
  if (TWindowManager* wm = Manager()) wm->SetFocus(this);
}

bool TMainGame::LoadLocation() {
  ScenePlace place = FindCurrentPlace();
  record_ = place.RecordName();
  if (!place.location || !LoadLevelData(place.location->fileName, &level_)) return false;
  photo_ = place.photo.IsEmpty() ? level_.photo : place.photo;
  startMessage_ = place.location->startMsg;
  finishMessage_ = place.location->finMsg;

  GameProgress& progress = GetGameProgress();
  LocationInfo& info = progress.FindLocationInfo(record_);
  info.SetStartDateTime(FormatDate(), FormatTime());
  progress.mLocationType = 0;
  PlayLog::Reset();
  PlayLog::SetLevelName(record_);
  DestroyAllEmitters();

  background_ = TTexture::Get(level_.background);
  if (!background_) TraceOut("MainGame: level %s: the background %s cannot be shown", record_.c_str(), level_.background.c_str());
  objects_.clear();
  found_.assign(level_.items.size(), false);
  for (size_t i = 0; i < level_.items.size(); ++i) {
    const LevelItem& item = level_.items[i];
    auto object = std::make_unique<Object_t>();
    object->name = item.name;
    object->rect = item.rect;
    object->texture = TTexture::Get(item.picture);
    objects_.push_back(std::move(object));
  }
  // Objects found on an earlier visit stay found.
  for (int32_t id : info.itemIds)
    if (id >= 0 && size_t(id) < objects_.size()) {
      found_[size_t(id)] = true;
      objects_[size_t(id)]->shown = false;
    }
  for (const LevelEmitter& e : level_.emitters)
    AddParticleEmitter(e.name.c_str(), e.x, e.y, kSceneParticleOwner, true, 0, uint8_t(e.layer));
  PlayMusic(level_.music, level_.ambient);

  // Each name is laid out on one line and scaled down when it is wider than its cell.
  for (int i = 0; i < settings_.listColumns * settings_.listRows; ++i)
    cells_.push_back(TTextBlock::Create(TString(), 2048, settings_.listFontSize * 3, 0, settings_.listFont,
                                        settings_.listFontSize, settings_.listColor));
  coinsText_ = TTextBlock::Create(TString(), std::max(1, settings_.coinsRect.Width()),
                                  std::max(1, settings_.coinsRect.Height()),
                                  TTextBlock::kHAlignRight | TTextBlock::kVAlignCenter, settings_.listFont,
                                  settings_.coinsFontSize, TFloatColor(1.0f, 0.86f, 0.55f, 1));
  penaltyText_ = TTextBlock::Create(GetLocalizedText("penalty_text"), 800, 80,
                                    TTextBlock::kHAlignCenter | TTextBlock::kVAlignCenter, settings_.listFont, 34,
                                    TFloatColor(1.0f, 0.9f, 0.75f, 1));
  BuildList();
  loaded_ = true;
  // What is left to find: objects found on an earlier visit are gone already.
  TraceOut("MainGame: level %s loaded: %zu objects, %d to find", record_.c_str(), objects_.size(), GetLeftToFind());
  if (story_) {
    story_->OnLevelLoaded(level_.Root(), record_);
    story_->OnEvent("start_level");
    story_->ResumeTutorial();
  }
  if (GetLeftToFind() == 0) state_ = TState::kFinishing;
  return true;
}

// --- The list ---

int TMainGame::GetLeftToFind() const {
  int left = 0;
  for (int i = 0; i < level_.toFind && size_t(i) < found_.size(); ++i) left += found_[size_t(i)] ? 0 : 1;
  return left;
}

void TMainGame::BuildList() {
  listed_.clear();
  size_t cells = cells_.size();
  for (int i = 0; i < level_.toFind && listed_.size() < cells; ++i)
    if (!found_[size_t(i)]) listed_.push_back(size_t(i));
  for (size_t c = 0; c < cells; ++c)
    cells_[c]->SetText(c < listed_.size() ? GetLocalizedText("item_" + level_.items[listed_[c]].name.str()) : TString());
  if (coinsText_)
    coinsText_->SetText(GetLocalizedText("coins_label") + TString::Printf(" %d", GetGameProgress().numCoins));
  textsDirty_ = true;
}

void TMainGame::RenderTexts() {
  textsDirty_ = false;
  const TRect& list = settings_.listRect;
  if (!listTexture_) listTexture_ = TTexture::CreateBlank(uint32_t(list.Width()), uint32_t(list.Height()), false);
  if (listTexture_) {
    listTexture_->Clear();
    int cw = std::max(1, list.Width() / settings_.listColumns);
    int ch = std::max(1, list.Height() / settings_.listRows);
    for (size_t c = 0; c < cells_.size(); ++c) {
      TRect bounds;
      cells_[c]->GetTextBounds(bounds, 1.0f);
      if (bounds.Width() <= 0) continue;
      // Centred in the cell, narrowed to fit with a margin of 4 on each side.
      float scale = std::min(1.0f, float(std::max(1, cw - 8)) / float(bounds.Width()));
      float lineHeight = cells_[c]->GetLineHeight() * scale;
      int col = int(c) % settings_.listColumns, row = int(c) / settings_.listColumns;
      TVec2 at(float(col * cw) + (float(cw) - float(bounds.Width()) * scale) / 2 - float(bounds.left) * scale,
               float(row * ch) + (float(ch) - lineHeight) / 2);
      cells_[c]->Draw(at, float(ch), 1.0f, TTextBlock::kDrawAccumulate, scale, listTexture_);
    }
  }
  const TRect& coins = settings_.coinsRect;
  if (!coinsTexture_ && coinsText_)
    coinsTexture_ = TTexture::CreateBlank(uint32_t(coins.Width() + 2), uint32_t(coins.Height() + 2), false);
  if (coinsTexture_) {
    coinsTexture_->Clear();
    TFloatColor ink = coinsText_->GetColor();
    coinsText_->SetColor(TFloatColor(0, 0, 0, 0.7f));  // a drop shadow
    coinsText_->Draw(TVec2(2, 2), float(coins.Height()), 1.0f, TTextBlock::kDrawAccumulate, 1.0f, coinsTexture_);
    coinsText_->SetColor(ink);
    coinsText_->Draw(TVec2(0, 0), float(coins.Height()), 1.0f, TTextBlock::kDrawAccumulate, 1.0f, coinsTexture_);
  }
}

// --- Playing ---

bool TMainGame::TakesInput() const {
  return loaded_ && state_ == TState::kPlaying && pendingScript_.empty() && !(story_ && story_->IsBlocking());
}

bool TMainGame::ClickAt(const TPoint& p) {
  if (!TakesInput() || IsPenaltyOn() || p.y >= settings_.playBottom) return false;
  if (story_) story_->OnSceneClick(p);
  // The front-most listed object under the point: the last drawn.
  for (size_t i = std::min(objects_.size(), size_t(level_.toFind)); i-- > 0;) {
    if (found_[i] || !objects_[i]->Contains(p.x, p.y)) continue;
    PlayLog::CountClick();
    FindObject(i);
    return true;
  }
  PlayLog::CountClick();
  Miss();
  return true;
}

void TMainGame::FindObject(size_t index) {
  Object_t& object = *objects_[index];
  const LevelItem& item = level_.items[index];
  found_[index] = true;
  misses_ = 0;
  object.CancelEffect();  // a hint that still runs gives way
  if (!object.SetEffect("EffFind", this, nullptr)) object.shown = false;
  TVec2 c = object.Center();
  AddParticleEmitter("object_found", c.x, c.y, kSceneParticleOwner, true, 0, 1);
  PlayLog::CountFoundClick();
  PlaySound(settings_.soundFound);
  GameProgress& progress = GetGameProgress();
  LocationInfo& info = progress.FindLocationInfo(record_);
  info.AddItemId(int32_t(index));
  if (item.coin && std::find(info.coins.begin(), info.coins.end(), int32_t(index)) == info.coins.end()) {
    info.coins.push_back(int32_t(index));
    progress.AddCoin();
    PlaySound(settings_.soundCoin);
  }
  if (hinted_ == int(index)) hinted_ = -1;
  TraceOut("MainGame: found %s (%d left)", item.name.c_str(), GetLeftToFind());
  if (story_) story_->OnObjectFound(item.name, item.picture);
  BuildList();
  if (GetLeftToFind() == 0) state_ = TState::kFinishing;
  if (TWindowManager* wm = Manager()) wm->Invalidate();
}

void TMainGame::Miss() {
  PlaySound(settings_.soundWrong);
  if (sinceMiss_ > settings_.penaltyWindow) misses_ = 0;
  sinceMiss_ = 0;
  misses_ += 1;
  if (settings_.penaltyClicks > 0 && misses_ >= settings_.penaltyClicks) StartPenalty();
}

void TMainGame::StartPenalty() {
  misses_ = 0;
  penaltyLeft_ = std::max(0.01f, settings_.penaltyTime);
  penalty_.Show("penalty");
  TraceOut("MainGame: penalty for random clicks (%.1f s)", double(penaltyLeft_));
}

bool TMainGame::UseHint() {
  if (!TakesInput() || IsPenaltyOn()) return false;
  if (hintCharge_ < 1.0f) {
    if (!settings_.hintMiniTutor.IsEmpty()) ShowMiniTutor(this, settings_.hintMiniTutor);
    return false;
  }
  std::vector<size_t> candidates;
  for (int i = 0; i < level_.toFind && size_t(i) < objects_.size(); ++i)
    if (!found_[size_t(i)] && !objects_[size_t(i)]->HasEffect()) candidates.push_back(size_t(i));
  if (candidates.empty()) return false;
  size_t index = candidates[size_t(Random().Range(0, int(candidates.size()) - 1))];
  Object_t& object = *objects_[index];
  object.SetEffect("EffHint", this, nullptr);
  TVec2 c = object.Center();
  AddParticleEmitter("hint_3", c.x, c.y, kSceneParticleOwner, true, 0, 1);
  PlaySound(settings_.soundHint);
  PlayLog::CountHint();
  PlayLog::NoteFirstHint();
  hinted_ = int(index);
  hintCharge_ = settings_.hintTime > 0 ? 0.0f : 1.0f;
  TraceOut("MainGame: hint shows %s", level_.items[index].name.c_str());
  if (story_) {
    story_->OnEvent("click_b_hint");
    story_->OnHint(level_.items[index].name);
  }
  return true;
}

void TMainGame::OpenGameMenu() {
  if (!loaded_ || state_ != TState::kPlaying || !pendingScript_.empty()) return;
  if (TWindowManager* wm = Manager()) wm->RunScriptText(this, "DoModal('scripts/gamemenu.lua')");
}

void TMainGame::CompleteLocation() {
  state_ = TState::kWon;
  finishClock_ = 0;
  GameProgress& progress = GetGameProgress();
  MarkPlacePassed(record_);
  levelBefore_ = progress.levelId;
  if (!photo_.IsEmpty() && std::find(progress.photos.begin(), progress.photos.end(), photo_) == progress.photos.end()) {
    progress.AddPhoto(photo_);
    if (UserInfo* users = GetUserInfo()) users->ShowGalleryWnd(1);
  }
  AdvanceProgress();
  SaveSceneProgress();
  statisticsSent_ = true;
  UploadPlayLog();
  PlaySound(settings_.soundComplete);
  winText_.reset(TTextEff::Create("EffGameWin"));
  TraceOut("MainGame: level %s complete", record_.c_str());
  if (story_) story_->OnLocationComplete(photo_);
  if (!finishMessage_.IsEmpty()) OpenInfos(this, finishMessage_);
}

void TMainGame::Leave(const std::string& script) {
  if (state_ == TState::kLeaving) return;
  state_ = TState::kLeaving;
  nextScript_ = script;
  TModalWindow* modal = GetModalParent();
  TString from = modal ? modal->GetName() : TString("MainGame");
  TraceOut("MainGame: on to %s", script.c_str());
  CSWithSh(from.c_str(), script.c_str());
  if (TWindowManager* wm = Manager()) {
    wm->RunScriptText(this, "if(not(StartSoundFade == nil)) then StartSoundFade(); end");
    wm->RunScriptText(this, TShadow::kOpenShadowText);
  }
}

void TMainGame::PlaySound(const TString& name) {
  if (name.IsEmpty()) return;
  if (boost::shared_ptr<TSound> sound = TSound::Get(name, true, kGroupSoundEffects)) sound->Play(false);
}

void TMainGame::OnEffectEnd(TString name) {
  if (TWindowManager* wm = Manager()) wm->Invalidate();
}

// --- The clock ---

bool TMainGame::EffectsRunning() const {
  for (const auto& object : objects_)
    if (object->HasEffect()) return true;
  return false;
}

bool TMainGame::Update() {
  if (!pendingScript_.empty()) {
    std::string script;
    script.swap(pendingScript_);
    Leave(script);
    return true;
  }
  if (state_ == TState::kStarting) {
    state_ = TState::kPlaying;
    GameProgress& progress = GetGameProgress();
    if (!startMessage_.IsEmpty() && !progress.IsInfoShown(startMessage_)) {
      progress.MarkInfoShown(startMessage_);
      OpenInfos(this, startMessage_);
    }
  }
  if (IsAppActive()) Step(step_);
  return true;
}

void TMainGame::Step(float dt) {
  if (!loaded_ || state_ == TState::kLeaving) return;
  playClock_ += dt;
  if (state_ == TState::kPlaying) PlayLog::AddTime(dt);
  for (size_t i = 0; i < objects_.size(); ++i) {
    objects_[i]->Update(dt);
    if (found_[i] && !objects_[i]->HasEffect()) objects_[i]->shown = false;
  }
  UpdateParticles(dt);
  penalty_.Step(dt);
  if (penaltyLeft_ > 0) {
    penaltyLeft_ -= dt;
    if (penaltyLeft_ <= 0) {
      penaltyLeft_ = 0;
      penalty_.Hide();
    }
  }
  sinceMiss_ += dt;
  if (hintCharge_ < 1.0f && !(story_ && story_->IsBlocking()))
    hintCharge_ = settings_.hintTime > 0 ? std::min(1.0f, hintCharge_ + dt / settings_.hintTime) : 1.0f;
  if (buttHint_) buttHint_->SetDisabled(hintCharge_ < 1.0f);
  if (story_) {
    // A tutorial screen that a click suspended goes on once the found
    // object's flight is over.
    if (!EffectsRunning()) story_->ResumeTutorial();
    story_->Update(dt);
  }
  if (winText_ && winText_->Update(dt)) winText_.reset();

  if (state_ == TState::kFinishing) {
    if (!EffectsRunning()) CompleteLocation();
  } else if (state_ == TState::kWon) {
    finishClock_ += dt;
    if (!winText_ && finishClock_ >= settings_.finTime && !(story_ && story_->IsBlocking())) {
      std::string script = EnterDuePlace();
      if (GetGameProgress().levelId != levelBefore_) script = ThroughLevelIntro(script);
      // A new wallpaper is shown in the gallery first; its back button goes on
      // to the play screen, which opens what is due.
      UserInfo* users = GetUserInfo();
      if (script != "scripts/mainmenu.lua" && users && users->NeedShowGallery() == 1 && IsScreenAvailable("GameGallery", "scripts/gallery.lua"))
        script = "scripts/gallery.lua";
      SaveSceneProgress();
      Leave(script);
    }
  }
  if (TWindowManager* wm = Manager()) wm->Invalidate();
}

// --- Input ---

bool TMainGame::OnMouseDown(const TPoint& p) {
  mouse_ = p;
  if (story_ && story_->OnMouseDown(p)) return true;
  bool onButton = false;
  for (Button_t* b : {buttMenu_.get(), buttLogbook_.get(), buttHint_.get()})
    if (b && b->OnMouseDown(p.x, p.y)) onButton = true;
  if (onButton || p.y >= settings_.playBottom) return true;
  ClickAt(p);
  return true;
}

bool TMainGame::OnMouseUp(const TPoint& p) {
  mouse_ = p;
  if (story_ && story_->OnMouseUp(p)) return true;
  for (Button_t* b : {buttMenu_.get(), buttLogbook_.get(), buttHint_.get()})
    if (b) b->OnMouseUp(p.x, p.y);
  return true;
}

bool TMainGame::OnMouseMove(const TPoint& p) {
  mouse_ = p;
  if (story_ && story_->OnMouseMove(p)) return true;
  for (Button_t* b : {buttMenu_.get(), buttLogbook_.get(), buttHint_.get()})
    if (b) b->OnMouseMove(p.x, p.y);
  return true;
}

bool TMainGame::OnKeyDown(unsigned char key, int modifiers) {
  // Escape acts on its character (OnChar), as the menus' keys do: acting on
  // the key-down would hand the character to the menu it opens, which would
  // close again at once.
  if (key == 27) return true;
  if (key == 0x74 && settings_.cheat && TakesInput()) {  // F5: find the next object
    for (int i = 0; i < level_.toFind && size_t(i) < found_.size(); ++i)
      if (!found_[size_t(i)]) {
        FindObject(size_t(i));
        break;
      }
    return true;
  }
  return false;
}

bool TMainGame::OnChar(unsigned char c) {
  if (c != 27 && c != 13) return false;
  // The journal's close, the tutorial box's button; else Escape is the way
  // back: the game menu (as its button).
  if (story_ && story_->OnKey(c)) return true;
  if (c != 27) return false;
  if (!(story_ && story_->IsBlocking())) OpenGameMenu();
  return true;
}

bool TMainGame::OnMessage(TMessage* message) {
  if (message->type != kButtonPress) return false;
  const TString& command = message->text;
  if (command == "menu") {
    if (!(story_ && story_->IsBlocking())) OpenGameMenu();
    return true;
  }
  if (command == "hint") {
    UseHint();
    return true;
  }
  if (command == "logbook") {
    if (story_ && TakesInput()) story_->OnJournalButton();
    return true;
  }
  return story_ && story_->OnCommand(message);
}

// --- Cursor ---

TString TMainGame::ChooseCursor() const {
  if (story_) {
    TString wanted = story_->GetCursor(mouse_);
    if (!wanted.IsEmpty()) return wanted;
  }
  return "cursor/cursor";
}

void TMainGame::UpdateGameCursor() {
  TMainGame* scene = Current();
  if (!scene) return;
  TString wanted = scene->ChooseCursor();
  if (wanted == gCursorShown) return;
  gCursorShown = wanted;
  if (TPlatform* platform = TPlatform::GetInstance()) platform->SetCursor(TTexture::GetFlagged(wanted), 1, 1, 0);
}

// --- Drawing ---

void TMainGame::DrawTextAt(TTextBlock* block, const TRect& rect, float alpha) {
  if (block && alpha > 0) block->DrawAt(rect, 1.0f, 0, alpha);
}

void TMainGame::Draw() {
  TRender2dScope scope;
  if (!loaded_) {
    TRenderer::GetInstance()->FillRect(TRect(0, 0, GetWidth(), GetHeight()), TFloatColor(0, 0, 0, 1));
    return;
  }
  TRect whole(0, 0, GetWidth(), GetHeight());
  if (background_) background_->DrawAt(0, 0, 1.0f, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
  DrawParticleEmitter(kSceneParticleOwner, 1.0f, whole, 0);
  for (const auto& object : objects_) object->Draw();
  DrawParticleEmitter(kSceneParticleOwner, 1.0f, whole, 1);
  if (penalty_.visible && penalty_.max > 0) {
    float a = std::max(0.0f, std::min(1.0f, penalty_.value));
    if (penalty_.texture) {
      TRenderer* r = TRenderer::GetInstance();
      r->PushClipRect(TRect(0, 0, GetWidth(), settings_.playBottom));
      penalty_.texture->DrawAt(0, 0, a, 1.0f, 0.0f, TDrawParams::kAnchorAtCenter);
      r->PopClipRect();
    }
    DrawTextAt(penaltyText_, TRect(112, settings_.playBottom / 2 - 40, 912, settings_.playBottom / 2 + 40),
               a / std::max(0.01f, penalty_.max));
  }
  DrawPanel();
  if (winText_) winText_->Draw();
  if (story_) story_->Draw();
}

void TMainGame::DrawPanel() {
  if (panel_) panel_->Draw();
  for (Button_t* b : {buttMenu_.get(), buttLogbook_.get(), buttHint_.get()})
    if (b) b->Draw();
  DrawHintRing();
  if (textsDirty_) RenderTexts();
  if (listTexture_)
    listTexture_->DrawAt(float(settings_.listRect.left), float(settings_.listRect.top), 1.0f, 1.0f, 0.0f,
                         TDrawParams::kAnchorAtCenter);
  if (coinsTexture_)
    coinsTexture_->DrawAt(float(settings_.coinsRect.left), float(settings_.coinsRect.top), 1.0f, 1.0f, 0.0f,
                          TDrawParams::kAnchorAtCenter);
}

void TMainGame::DrawHintRing() {
  if (hintCharge_ >= 1.0f || hintCharge_ <= 0.0f) return;
  const TRect& ring = settings_.hintRing;
  float cx = float(ring.left + ring.right) / 2, cy = float(ring.top + ring.bottom) / 2;
  float outer = float(std::min(ring.Width(), ring.Height())) / 2 + 4, inner = outer - 6;
  constexpr int kSegments = 64;
  int used = std::max(1, int(std::ceil(hintCharge_ * kSegments)));
  std::vector<TScreenVertex> v;
  v.reserve(size_t(used) * 6);
  const uint32_t color = 0xE0FFC860u;
  auto at = [&](float radius, float angle) {
    return TScreenVertex{cx + radius * std::sin(angle), cy - radius * std::cos(angle), 0, 1, color, 0, 0, 0};
  };
  const float full = 6.2831853f * hintCharge_;
  for (int i = 0; i < used; ++i) {
    float a0 = full * float(i) / float(used), a1 = full * float(i + 1) / float(used);
    TScreenVertex p[4] = {at(inner, a0), at(outer, a0), at(outer, a1), at(inner, a1)};
    for (int k : {0, 1, 2, 0, 2, 3}) v.push_back(p[k]);
  }
  TRenderer* r = TRenderer::GetInstance();
  r->SetTexture(TTextureRef());
  r->SetBlendMode(kBlendModeAlpha);
  TVertexSet* set = MakeVertexSet3(v.data(), uint32_t(v.size()));
  r->DrawVertices(kPrimTriangleList, set);
  FreeVertexSet(set);
}

void RegisterSceneWindowTypes(TWindowManager* wm) {
  if (wm) wm->RegisterWindowType("MainGame", TMainGame::ClassCreator());
}
