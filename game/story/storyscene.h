// The story's part of a play screen (the scene's SceneStory_t): the journal
// over the location, opened by the panel's journal button and, written, when
// the location is complete; the play waits while it is shown. Its close
// button and Escape close it; a click that asks for the book open or closed
// while it cannot change yet is kept and done as soon as it can, so the book
// ends as the last click asked. The location's
// tutorial (scenetutor.h) lies under the journal: it opens only while the
// journal is closed and gets the mouse when the journal does not. The
// pop-ups join this object as they come.
#pragma once
#include <memory>

#include "game/scene/scenestory.h"
#include "game/story/journalwish.h"
#include "game/story/scenetutor.h"

class LogBook_t;
class TMainGame;

class TStoryScene : public SceneStory_t {
public:
  explicit TStoryScene(TMainGame* scene);
  ~TStoryScene() override;

  void OnLevelLoaded(const TiXmlElement* level, const TString& record) override;
  void OnEvent(const TString& name) override;
  void OnObjectFound(const TString& item, const TString& picture) override;
  void OnSceneClick(const TPoint& p) override;
  void ResumeTutorial() override;
  void OnLocationComplete(const TString& photo) override;
  bool HasJournal() const override;
  void OnJournalButton() override;
  void Update(float dt) override;
  bool IsBlocking() const override;
  void Draw() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnCommand(TMessage* message) override;
  bool OnKey(unsigned char c) override;
  TString GetCursor(const TPoint& p) override;

  // The journal (null when main.xml gives it no style).
  LogBook_t* GetJournal() const { return journal_.get(); }
  SceneTutor_t& GetTutor() { return tutor_; }

private:
  // Opens the journal on its newest page.
  void OpenJournal();
  // Whether the journal is shown (opening, open or closing).
  bool JournalShown() const;
  // Whether the point lies on the panel's journal button.
  bool OnPanelButton(const TPoint& p) const;
  // Does what the player last asked of the journal as soon as the book can.
  void FollowWish();

  TMainGame* scene_;
  std::unique_ptr<LogBook_t> journal_;
  SceneTutor_t tutor_;
  JournalWish_t wish_;
};
