// game/shell/screens: the menus: main menu, options, album, gallery, wallpapers, player chooser.
// TOptions (Lua type "OptionsWindow"): the options screen. Its children,
// made by the options script, are three volume sliders
// ("musiclevelslider", "sfxlevelslider", "ambientlevelslider"), a mute box
// "mutebox" and a full-screen box "fullscreen". The window sets them from the
// current player's stored settings when it is built, applies every slider
// move to its sound group at once (0 below 0.1, else the square root of the
// position) with a short click sample at the new level, and offers the Lua
// functions SaveVolumes (the sliders into the player's levels, thousandths)
// and AdjustFSButton (ticks the full-screen box with the opposite of the
// current mode: the box's command calls it after ToggleFullScreen, and the
// click's own toggle that follows leaves the box showing the mode, also
// when the switch failed). The boxes' clicks are the script's
// (ToggleSoundMute, ToggleFullScreen). A mode changed while the options are
// open (Alt+Enter) shows in the box at the next update. A press on a slider's rail beside the thumb pages its
// value by kPageStep toward the press, never past the place pressed, and
// that change acts as a move.
//
// Style keys: "clickSliderSound" (a sound name), "clickSliderSoundTime"
// (seconds a click sample may sound; 0.3 when missing or unreadable).
// Depends on platform/, audio/, ui/ and the shell's profiles and game data.
#pragma once
#include <memory>

#include <boost/shared_ptr.hpp>

#include "ui/window.h"

class TSound;
class TLuaBindings;
class TSlider;

class TOptions : public TWindow {
  LANTERN_WINDOW_CLASS(TOptions, TWindow)

public:
  TOptions();
  ~TOptions() override;

  void PostInit(TWindowStyle& style) override;
  bool OnMessage(TMessage* message) override;
  bool Update() override;

  void SaveVolumes();
  void AdjustFSButton();

  // The group volume of a slider position.
  static float VolumeOfPosition(float v);
  static constexpr float kDefaultSampleTime = 0.3f;
  static constexpr float kPageStep = 0.1f;

  float GetSampleTime() const { return sampleTime_; }
  float GetStep() const { return step_; }
  bool IsSamplePlaying() const { return samplePlaying_; }
  int GetSamplesPlayed() const { return samplesPlayed_; }

private:
  TSlider* FindSlider(const char* name);

  boost::shared_ptr<TSound> ambientSample_, musicSample_, sfxSample_;
  bool sfxTouched_ = false, musicTouched_ = false, ambientTouched_ = false;
  bool samplePlaying_ = false;
  float step_ = 0.016f;
  float sampleTime_ = kDefaultSampleTime;
  float sampleElapsed_ = 0;
  int samplesPlayed_ = 0;
  bool shownFullScreen_ = false;  // the mode the box was last set to show
  std::unique_ptr<TLuaBindings> bindings_;  // last: unbound first
};
