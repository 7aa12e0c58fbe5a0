// The comic viewers: Comics_t (Lua type "Comics") shows a comic (comics.h)
// with a music track and the comic's own ambient sound; Tutor_t (Lua type
// "Tutor") is its silent twin for page-based tutorials. Before opening one a
// script names the comic with SetNameComicsToRun.
//
// The viewer plays the current page on its own fixed clock (main.xml
// "animrate"), finishes a page on a click and shows or hides its child
// buttons as the pages progress:
//   "next", "skip"  a page before the last is complete
//   "play"          the last page is complete (the comic's end)
//   "tback"         a page before the current one exists
//   "tnext"         a page after the current one exists
// Each is optional and must be a stock Button; "next", "skip" and "play" are
// managed only when all three exist. What they do is the script's: a viewer
// binds the Lua globals GoNext() and GoPrev() to itself while it lives (the
// newest viewer owns them; when it goes they return to the previous live
// one, or become nil) and never closes itself. docs/comics.md shows a script.
//
// Depends on the shell (progress, sounds), render/ and ui/.
#pragma once
#include <memory>

#include "game/shell/widgets/commonsound.h"
#include "game/story/comics.h"
#include "platform/color.h"
#include "ui/window.h"

class TButton;
class TLuaBindings;

// What both viewers share. Not a window type of its own.
class ComicsViewerBase : public TWindow {
public:
  ComicsViewerBase();
  ~ComicsViewerBase() override;

  // Loads the comic named by GetNameComicsToRun, marks it shown in the
  // player's progress, reads "bkgImg", "bkColor" and "music" and starts the
  // updates. The base window's keys (its name) are not read.
  void Init(TWindowStyle& style) override;
  // The base placement, then the buttons are found and hidden.
  void PostInit(TWindowStyle& style) override;
  void Draw() override;
  // One step of the comic; the buttons follow. Always true.
  bool Update() override;
  // Finishes the current page; the press goes on (false).
  bool OnMouseDown(const TPoint& p) override;
  // The viewer takes its screen's keys. Enter or Escape while the page still
  // builds finishes it, as a click does; Escape then goes on to the button
  // the complete page shows ("skip", on the last page "play"). Keys on a
  // complete page go on to the screen's buttons ("next" or "play" for Enter).
  bool OnChar(unsigned char c) override;

  void GoNext();
  void GoPrev();

  ComicsData* GetDocument() const { return document_.get(); }
  float GetStep() const { return step_; }
  const TString& GetMusicName() const { return music_; }
  // The managed button of that name ("next", "skip", "play", "tnext",
  // "tback"), or null.
  TButton* GetButton(const char* name);

protected:
  // Comics_t starts its sounds here.
  virtual void StartSounds() {}

  std::unique_ptr<ComicsData> document_;
  TFloatColor backgroundColor_{0, 0, 0, 0};
  float step_ = 0.016f;
  TString music_;

private:
  void UpdateButtons();
  void Turn(bool forward);

  TString name_;
  std::unique_ptr<TLuaBindings> bindings_;
};

class Comics_t : public ComicsViewerBase, public CommonSound_t {
  LANTERN_WINDOW_CLASS(Comics_t, TWindow)

public:
  Comics_t() = default;

protected:
  // The style's "music" in group 1001 and the comic's "Sound" in group 1002,
  // both looping; the screen change's sound fade (StartSoundFade) takes them.
  void StartSounds() override;
};

class Tutor_t : public ComicsViewerBase {
  LANTERN_WINDOW_CLASS(Tutor_t, TWindow)

public:
  Tutor_t() = default;
};
