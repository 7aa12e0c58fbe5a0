#include "game/shell/screens/options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audio/sound.h"
#include "audio/soundmanager.h"
#include "game/shell/widgets/commonsound.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/data/userinfo.h"
#include "platform/log.h"
#include "platform/prefs.h"
#include "script/bind.h"
#include "ui/button.h"
#include "ui/message.h"
#include "ui/slider.h"
#include "ui/windowstyle.h"

namespace {
constexpr int kDefaultLevel = 500;

struct TSliderKey {
  const char* slider;
  const char* key;
};
// The order PostInit and SaveVolumes walk them.
const TSliderKey kSliders[] = {
    {"ambientlevelslider", "ambientlevel"}, {"sfxlevelslider", "soundlevel"}, {"musiclevelslider", "musiclevel"}};

// The current player's index in the store, or -1.
int CurrentUser(TPrefs** prefs) {
  UserInfo* users = GetUserInfo();
  *prefs = users ? users->GetPrefs() : nullptr;
  return users && *prefs ? users->GetCurrentUserIndex() : -1;
}

bool IsFullScreenNow() {
  UserInfo* users = GetUserInfo();
  return users && users->IsFullScreen();
}
}  // namespace

TOptions::TOptions() {
  bindings_ = MakeScriptBindings();
  if (bindings_) {
    bindings_->Bind("SaveVolumes", this, &TOptions::SaveVolumes);
    bindings_->Bind("AdjustFSButton", this, &TOptions::AdjustFSButton);
  }
}

TOptions::~TOptions() { bindings_.reset(); }

float TOptions::VolumeOfPosition(float v) { return v < 0.1f ? 0.0f : std::sqrt(v); }

TSlider* TOptions::FindSlider(const char* name) { return WindowCast<TSlider>(FindChild(name)); }

void TOptions::PostInit(TWindowStyle& style) {
  int animrate = 16;
  const int defaultRate = 16;
  ReadXmlInt(GetMainXml(), "Common", "animrate", &animrate, &defaultRate);
  if (animrate < 1 || animrate > 1000) animrate = defaultRate;
  step_ = float(animrate) / 1000.0f;
  Animate(uint32_t(animrate), true, true, false);

  TString sample = style.GetString("clickSliderSound", "");
  if (!sample.IsEmpty()) {
    ambientSample_ = TSound::Get(sample, true, kGroupAmbient);
    musicSample_ = TSound::Get(sample, true, kGroupMusic);
    sfxSample_ = TSound::Get(sample, true, kGroupSoundEffects);
  }
  // A missing or unreadable time would leave the samples sounding for an
  // unknown time: a short default stands in.
  TString time = style.GetString("clickSliderSoundTime", "");
  char* end = nullptr;
  double seconds = time.IsEmpty() ? -1 : std::strtod(time.c_str(), &end);
  if (time.IsEmpty() || end == time.c_str() || !std::isfinite(seconds) || seconds < 0 || seconds > 60) {
    TraceOut("Options: clickSliderSoundTime \"%s\" unusable; %.1f s", time.c_str(), double(kDefaultSampleTime));
    sampleTime_ = kDefaultSampleTime;
  } else {
    sampleTime_ = float(seconds);
  }
  sampleElapsed_ = 0;

  shownFullScreen_ = IsFullScreenNow();
  if (TButton* full = WindowCast<TButton>(FindChild("fullscreen"))) full->SetToggleState(shownFullScreen_);
  TPrefs* prefs = nullptr;
  int user = CurrentUser(&prefs);
  if (TButton* mute = WindowCast<TButton>(FindChild("mutebox")))
    mute->SetToggleState(user >= 0 && prefs->GetInt("soundoff", 0, user) == 1);
  for (const TSliderKey& s : kSliders) {
    TSlider* slider = FindSlider(s.slider);
    if (!slider) continue;
    int level = user >= 0 ? prefs->GetInt(s.key, kDefaultLevel, user) : kDefaultLevel;
    slider->SetValue(float(level) / 1000.0f, false);
  }
}

bool TOptions::OnMessage(TMessage* message) {
  if (!message) return false;
  if (message->type == kSliderPageUp || message->type == kSliderPageDown) {
    const TString& name = message->text;
    if (name != "sfxlevelslider" && name != "musiclevelslider" && name != "ambientlevelslider") return false;
    TSlider* slider = FindSlider(name.c_str());
    if (!slider) return false;
    // One page toward the press, stopping where it was.
    const float value = slider->GetValue(), target = slider->GetPressValue();
    slider->SetValue(message->type == kSliderPageUp ? std::max(value - kPageStep, std::min(target, value))
                                                    : std::min(value + kPageStep, std::max(target, value)),
                     false);
    return true;
  }
  if (message->type != kSliderValChanged) return false;
  const TString& name = message->text;
  bool* touched = nullptr;
  boost::shared_ptr<TSound>* sample = nullptr;
  int groups[2] = {0, 0}, groupCount = 1;
  if (name == "sfxlevelslider") {
    touched = &sfxTouched_, sample = &sfxSample_, groups[0] = kGroupSoundEffects, groups[1] = 0, groupCount = 2;
  } else if (name == "musiclevelslider") {
    touched = &musicTouched_, sample = &musicSample_, groups[0] = kGroupMusic;
  } else if (name == "ambientlevelslider") {
    touched = &ambientTouched_, sample = &ambientSample_, groups[0] = kGroupAmbient;
  } else {
    return false;
  }
  TSlider* slider = FindSlider(name.c_str());
  if (!slider) return false;
  float volume = VolumeOfPosition(slider->GetValue());
  if (TSoundManager* sound = GetSoundManager())
    for (int i = 0; i < groupCount; ++i) sound->SetGroupVolume(groups[i], volume);
  if (*touched && !samplePlaying_) {
    if (*sample) (*sample)->Play(false);
    samplePlaying_ = true;
    ++samplesPlayed_;
  }
  *touched = true;
  return true;
}

bool TOptions::Update() {
  // The mode changed by other means than the box (Alt+Enter): the box follows.
  const bool full = IsFullScreenNow();
  if (full != shownFullScreen_) {
    shownFullScreen_ = full;
    if (TButton* box = WindowCast<TButton>(FindChild("fullscreen"))) box->SetToggleState(full);
  }
  if (samplePlaying_) {
    sampleElapsed_ += step_;
    if (sampleElapsed_ >= sampleTime_) {
      for (auto* s : {&ambientSample_, &musicSample_, &sfxSample_})
        if (*s) (*s)->StopAll();
      sampleElapsed_ = 0;
      samplePlaying_ = false;
    }
  }
  return true;
}

void TOptions::SaveVolumes() {
  TPrefs* prefs = nullptr;
  int user = CurrentUser(&prefs);
  if (user < 0) {
    TraceOut("Options: no current player; the volumes are not stored");
    return;
  }
  prefs->BeginBatch();
  for (const TSliderKey& s : kSliders)
    if (TSlider* slider = FindSlider(s.slider)) prefs->SetInt(s.key, int(slider->GetValue() * 1000.0f), user, 1);
  prefs->EndBatch();
}

void TOptions::AdjustFSButton() {
  if (TButton* full = WindowCast<TButton>(FindChild("fullscreen"))) full->SetToggleState(!IsFullScreenNow());
}
