// The play screen's tutorial: what the story library's scene object does
// with the tutorial of a location. It makes a TutorScripts_t from the level
// file's "TutorScripts" (the scene window as its owner), passes over the
// screens the player has already seen ("tutorial:<record>:<index>" in the
// progress's shown list), lets a click in a step's click area move the
// tutorial on, and binds the Lua globals StartTutor(id) and FinishTutor()
// while a tutorial exists.
//
// The scene object forwards to it: the location load, the scene's events,
// found objects (MarkFound by picture), the frame step, drawing (after the
// scene, before the journal), mouse events first (true = taken), button
// commands and the cursor question.
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
  // "cursor/hand" over the current step's click area, else empty.
  TString GetCursor(const TPoint& p);

  // Lua: starts the numbered screen; ends every screen.
  void StartTutor(int id);
  void FinishTutor();

  TutorScripts_t* GetTutor() const { return tutor_.get(); }

private:
  TWindow* owner_;
  std::unique_ptr<TutorScripts_t> tutor_;
  std::unique_ptr<TLuaBindings> bindings_;
};
