// The splash: ComicsSpl_t (Lua type "ComicsSpl") plays the splash movie
// named by SetSplashInfo through the toolkit's movie host. When the movie
// cannot or must not play (main.xml "Common" "noFlash" 1, or no movie player
// in this program) it shows its still screen instead: the style's picture
// "img", a skip button "buttskip" (a Button_t style string) and the texts of
// main.xml "Spl" ("Text" elements), the last of which is a link. When the
// movie ends, is skipped or is stopped by a click, the window marks the
// introduction as done and changes the screen, behind the shadow, to the
// script of the splash information (the splash exit):
//   SetgameIntroDone(1); CSWithSh("ComicsSpl", script); StartSoundFade();
//   DoModal('scripts/shadow.lua')
// so the script that opens it names its modal window "ComicsSpl".
//
// The link: a press on the last text opens that text (its translation) in
// the browser and quits the game, but only when it is an http or https
// address; any other text is logged and nothing happens.
//
// The movie and its state are process-wide: the main loop asks
// IsFlashMoviePlaying on every event and calls StopFlashMovieOnClick on a
// left press while it plays (main.xml "clickinflash" 1 lets a click stop
// it; the exit then follows after "flashStopDelay" seconds of updates).
// docs/comics.md describes the data. Depends on the shell, render/ and ui/.
#pragma once
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/shell/widgets/commonsound.h"
#include "platform/color.h"
#include "platform/geometry.h"
#include "ui/window.h"

class Button_t;
class TText;
class TTexture;

namespace story {
// The splash information: the movie, a picture name (kept for scripts) and
// the script of the screen after the splash. Also Lua globals
// SetSplashInfo(movie, picture, script) and GetSplashInfo() (three results).
void SetSplashInfo(const TString& movie, const TString& picture, const TString& script);
const TString& GetSplashMovie();
const TString& GetSplashPicture();
const TString& GetSplashScript();

// The splash movie exists and plays.
bool IsFlashMoviePlaying();
// A left press while the movie plays: with "clickinflash" 1 the movie is
// closed and the splash leaves after "flashStopDelay" seconds (on the next
// update when the delay is 0.01 s or less). Otherwise nothing.
void StopFlashMovieOnClick();
// Closes and forgets a movie that is still there (program end, tests).
void CloseSplashMovie();
}  // namespace story

// One text of the still screen.
struct SplashText {
  SplashText();
  ~SplashText();
  int id = 0;
  std::unique_ptr<TText> label;  // not in any window tree
  TRect rect;
  TFloatColor color{1, 1, 1, 1};
  TFloatColor activeColor{1, 1, 1, 1};
};

class ComicsSpl_t : public TWindow, public CommonSound_t {
  LANTERN_WINDOW_CLASS(ComicsSpl_t, TWindow)

public:
  // Reads "clickinflash" and "flashStopDelay" into the process-wide state.
  ComicsSpl_t();
  ~ComicsSpl_t() override;

  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool OnMessage(TMessage* message) override;
  bool Update() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  // Escape and Enter: as the still screen's skip button.
  bool OnChar(unsigned char c) override;

  // The way out (see the top of this file); runs once.
  void Exit();

  bool IsMovieActive() const { return movieActive_; }
  bool HasExited() const { return exited_; }
  const std::vector<std::unique_ptr<SplashText>>& GetTexts() const { return texts_; }
  Button_t* GetSkipButton() const { return skip_.get(); }
  float GetStep() const { return step_; }

private:
  void LoadTexts();
  // Steps 2 to 4 of the way out.
  void ChangeScreen();

  bool movieActive_ = false;
  bool movieEnded_ = false;
  bool exited_ = false;
  boost::shared_ptr<TTexture> picture_;
  float step_ = 0.016f;
  std::unique_ptr<Button_t> skip_;
  std::vector<std::unique_ptr<SplashText>> texts_;
};
