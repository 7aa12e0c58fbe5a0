// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// The fade between game screens: the window type "Shadow" (TShadow), which
// carries out at full dark the screen change CSWithSh stored (the change is
// a game-flow value, game/shell/data/gameprogress.h).
//
// A screen change: CSWithSh(window to leave, script of the next screen),
// then the Lua texts "if(not(StartSoundFade == nil)) then StartSoundFade();
// end" and "DoModal('scripts/shadow.lua')". That script makes a "Shadow"
// window named "sShadow" in a modal window of the same name. The shadow
// darkens over "shadowTime" seconds (main.xml "Common", 1.0 by default),
// stepping the sound fade on each tick; at full dark it closes itself and the
// window to leave, opens the next screen and a fresh shadow that lifts; once
// clear, that one posts a message of type 1003 and closes itself.
//
// The change stays stored after it is carried out: a shadow opened without a
// new CSWithSh closes the last window to leave again (when it still exists)
// and opens the last screen's script again. Names of 256 bytes or more are
// refused. Depends on platform/, render/, ui/ and the game flow.
#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "game/shell/data/gameprogress.h"
#include "platform/geometry.h"
#include "render/renderer.h"
#include "ui/window.h"

class TTexture;

// The message a lifting shadow posts once the screen is clear.
constexpr uint32_t kShadowDoneMessage = 1003;

class TShadow : public TWindow {
  LANTERN_WINDOW_CLASS(TShadow, TWindow)

public:
  TShadow();
  ~TShadow() override;

  // Reads "animrate" (main.xml "Common", 16 ms by default), starts the ticks
  // and loads the picture "backgrounds/sh1".
  void Init(TWindowStyle& style) override;
  // The picture over the whole window at the current cover.
  void Draw() override;
  // One tick.
  bool Update() override;

  float GetAlpha() const { return alpha_; }
  float GetDuration() const { return duration_; }
  float GetFrameStep() const { return frameStep_; }
  bool IsDarkening() const { return darkening_; }

  // The texts the ticks run.
  static constexpr const char* kSoundStepText = "if(not(CSStep == nil)) then CSStep(0.016); end\t";
  static constexpr const char* kPopSelfText = "PopModal('sShadow')";
  static constexpr const char* kOpenShadowText = "DoModal('scripts/shadow.lua')";

private:
  void Run(const std::string& text);

  float duration_ = 1.0f;
  float elapsed_ = 0;
  float alpha_ = 0;
  bool darkening_ = true;
  boost::shared_ptr<TTexture> texture_;
  TLitVertex vertices_[4] = {};
  float frameStep_ = 0.016f;
};
