// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// CommonSound_t: the background music and ambient loop of a game screen,
// and their fade-out when the screen is left. A screen inherits it beside
// TWindow. The fade is driven from Lua: a screen change runs
// StartSoundFade() once and the darkening fade window then runs
// CSStep(0.016) on each of its ticks (game/shell/widgets/shadow.h).
//
// The Lua globals StartSoundFade and CSStep act on the most recently made
// live CommonSound_t; when it goes, they go back to the previous live one
// (or become nil), so a script never reaches a destroyed screen.
// Depends on platform/, script/, audio/ and ui/.
#pragma once
#include <memory>
#include <string>

#include <boost/shared_ptr.hpp>

#include "platform/string.h"

class TSound;
class TSoundInstance;
class TLuaBindings;

// Sound groups of the game.
enum : int { kGroupSoundEffects = 1000, kGroupMusic = 1001, kGroupAmbient = 1002 };

// Bindings on the window manager's script, or null when there is no script.
std::unique_ptr<TLuaBindings> MakeScriptBindings();

class CommonSound_t {
public:
  // Reads the fade time: main.xml "Common" "shadowTime", 0.4 s by default.
  CommonSound_t();
  virtual ~CommonSound_t();
  CommonSound_t(const CommonSound_t&) = delete;
  CommonSound_t& operator=(const CommonSound_t&) = delete;

  // Starts the music (group 1001) and the ambient loop (group 1002), both
  // looping; an empty name starts nothing and keeps what plays.
  void PlayMusic(const TString& music, const TString& ambient);
  void PlayMusic(const std::string& music, const std::string& ambient);
  void PlayMusic(const char* music, const char* ambient) { PlayMusic(TString(music), TString(ambient)); }
  // Stops every playback of both sounds.
  void StopSounds();
  // Begins the fade: each held sound from its group's volume to 0 over the fade time.
  void StartSoundFade();
  // Advances the fade by dt seconds.
  void CSStep(float dt);

  bool IsFading() const { return fading_; }
  float GetFadeTime() const { return fadeTime_; }
  float GetMusicVolume() const { return musicVolume_; }
  float GetAmbientVolume() const { return ambientVolume_; }
  const boost::shared_ptr<TSound>& GetMusicSound() const { return musicSound_; }
  const boost::shared_ptr<TSound>& GetAmbientSound() const { return ambientSound_; }
  const boost::shared_ptr<TSoundInstance>& GetMusicInstance() const { return musicInstance_; }
  const boost::shared_ptr<TSoundInstance>& GetAmbientInstance() const { return ambientInstance_; }

private:
  boost::shared_ptr<TSound> musicSound_;
  boost::shared_ptr<TSound> ambientSound_;
  boost::shared_ptr<TSoundInstance> musicInstance_;
  boost::shared_ptr<TSoundInstance> ambientInstance_;
  float fadeTime_ = 0.4f;
  float fadeElapsed_ = 0;
  bool fading_ = false;
  float musicVolume_ = 0;
  float ambientVolume_ = 0;
  float musicStep_ = 0;
  float ambientStep_ = 0;
  std::unique_ptr<TLuaBindings> bindings_;
};
