// The play screen's tutorial: what the story library's scene object does
// with the tutorial of a location. It makes a TutorScripts_t from the level
// file's "TutorScripts" (the scene window as its owner) and binds the Lua
// globals StartTutor(id) and FinishTutor() while the level has one. A
// location's tutorial is shown once: when it has opened a screen and no
// screen is due any more, "tutorial:<record>" goes into the progress's shown
// list (saved at once), and a later load of that location makes none.
//
// The scene object forwards to it: the location load, the scene's events,
// found objects (MarkFound by picture), the scene's clicks (a click in the
// step's click area suspends the screen or ends it), the scene's word that
// a suspended screen may go on, the frame step, drawing (after the scene,
// before the journal), mouse events first (true = taken), button commands
// and the cursor question.
// Depends on game/story (tutorial), game/shell and script/.
#pragma once
#include <memory>

#include "game/story/tutorscripts.h"
#include "platform/geometry.h"
#include "platform/string.h"

class TLuaBindings;
class TMessage;
class TWindow;
class TiXmlElement;

class SceneTutor_t {
public:
  // The view number of the location itself.
  static constexpr int kMainView = 0;

  explicit SceneTutor_t(TWindow* owner);
  ~SceneTutor_t();
  SceneTutor_t(const SceneTutor_t&) = delete;
  SceneTutor_t& operator=(const SceneTutor_t&) = delete;

  // Replaces the tutorial with the one of the level (none when the level
  // has no "TutorScripts").
  void OnLevelLoaded(const TiXmlElement* level, const TString& record);
  void OnEvent(const TString& name);
  void OnObjectFound(const TString& picture);
  // A click the scene took at the point.
  void OnSceneClick(const TPoint& p);
  // A screen suspended by a click in its click area goes on with its next
  // step.
  void Resume();
  // One step of `dt` seconds; the screen opens only while `mayOpen` (not
  // while the journal is open).
  void Update(float dt, bool mayOpen, int view = kMainView);
  // A box that lets no click through to the game holds the play.
  bool IsBlocking() const;
  bool IsBoxShown() const;
  void Draw();
  bool OnMouseDown(const TPoint& p);
  bool OnMouseUp(const TPoint& p);
  bool OnMouseMove(const TPoint& p);
  bool OnCommand(TMessage* message);
  // Enter and Escape for the box on the screen (TutorScripts_t::OnKey).
  bool OnKey(unsigned char c);
  // "cursor/hand" over the current step's click area, else empty.
  TString GetCursor(const TPoint& p);

  // Lua: starts the numbered screen; ends every screen.
  void StartTutor(int id);
  void FinishTutor();

  TutorScripts_t* GetTutor() const { return tutor_.get(); }
  // The name of the location's tutorial in the progress's shown list.
  static TString ShownName(const TString& record) { return "tutorial:" + record; }

private:
  // Marks the tutorial shown once it has opened and nothing is due.
  void RememberShown();

  TWindow* owner_;
  std::unique_ptr<TutorScripts_t> tutor_;
  TString shownName_;
  bool opened_ = false;
  std::unique_ptr<TLuaBindings> bindings_;
};
