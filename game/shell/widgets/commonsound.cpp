#include "game/shell/widgets/commonsound.h"

#include <cmath>

#include "audio/sound.h"
#include "audio/soundmanager.h"
#include "game/shell/data/gamesettings.h"
#include "script/bind.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {
// A fade shorter than this ends on its first step.
constexpr float kShortestFade = 0.001f;

float GroupVolume(int group) {
  TSoundManager* manager = GetSoundManager();
  return manager ? manager->GetGroupVolume(group) : 1.0f;
}

// One fade step of a playback: down by dt x step, never below 0.
void StepVolume(const boost::shared_ptr<TSoundInstance>& instance, float& volume, float step, float dt) {
  if (!instance) return;
  volume = volume - dt * step;
  if (!(volume >= 0)) volume = 0;
  instance->SetVolume(volume);
}
}  // namespace

std::unique_ptr<TLuaBindings> MakeScriptBindings() {
  TWindowManager* wm = GetWindowManager();
  TWindowScript* script = wm ? wm->GetScript() : nullptr;
  if (!script || !script->GetState()) return nullptr;
  return std::make_unique<TLuaBindings>(script->GetState());
}

CommonSound_t::CommonSound_t() {
  bindings_ = MakeScriptBindings();
  if (bindings_) {
    bindings_->Bind("StartSoundFade", this, &CommonSound_t::StartSoundFade);
    bindings_->Bind("CSStep", this, &CommonSound_t::CSStep);
  }
  const float defaultFade = 0.4f;
  ReadXmlFloat(GetMainXml(), "Common", "shadowTime", &fadeTime_, &defaultFade);
  if (!(fadeTime_ >= kShortestFade)) fadeTime_ = kShortestFade;
}

CommonSound_t::~CommonSound_t() {
  // The globals go first, so that nothing reaches this object any more.
  bindings_.reset();
}

void CommonSound_t::PlayMusic(const TString& music, const TString& ambient) {
  if (!music.IsEmpty()) {
    musicSound_ = TSound::Get(music, false, kGroupMusic);
    if (musicSound_) musicInstance_ = musicSound_->Play(true);
  }
  if (!ambient.IsEmpty()) {
    ambientSound_ = TSound::Get(ambient, false, kGroupAmbient);
    if (ambientSound_) ambientInstance_ = ambientSound_->Play(true);
  }
}

void CommonSound_t::PlayMusic(const std::string& music, const std::string& ambient) {
  PlayMusic(TString(music), TString(ambient));
}

void CommonSound_t::StopSounds() {
  if (musicSound_) musicSound_->StopAll();
  if (ambientSound_) ambientSound_->StopAll();
}

void CommonSound_t::StartSoundFade() {
  if (musicSound_) {
    musicVolume_ = GroupVolume(kGroupMusic);
    musicStep_ = musicVolume_ / fadeTime_;
  }
  if (ambientSound_) {
    ambientVolume_ = GroupVolume(kGroupAmbient);
    ambientStep_ = ambientVolume_ / fadeTime_;
  }
  // Every fade runs its whole length, the second one on a screen too.
  fadeElapsed_ = 0;
  fading_ = true;
}

void CommonSound_t::CSStep(float dt) {
  if (!fading_) return;
  if (!(dt >= 0)) dt = 0;
  fadeElapsed_ += dt;
  StepVolume(musicInstance_, musicVolume_, musicStep_, dt);
  StepVolume(ambientInstance_, ambientVolume_, ambientStep_, dt);
  if (fadeElapsed_ >= fadeTime_) {
    if (musicInstance_) musicInstance_->SetVolume(musicVolume_);
    if (ambientInstance_) ambientInstance_->SetVolume(ambientVolume_);
    fading_ = false;
  }
}
