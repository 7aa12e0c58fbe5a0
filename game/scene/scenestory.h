// The seam between the play screen and the story library (journal,
// tutorial, information pop-ups, mini tutorials). The scene never includes
// game/story: the story library implements SceneStory_t and registers a
// factory at start-up; every play screen then makes one story object for
// itself and drives it. With no factory registered the scene plays alone:
// no journal (its panel button is disabled) and no tutorial. The pop-ups the
// scene opens (information, mini tutorial) are windows and services the story
// gives the shell (game/shell/upperlayers.h). docs/scene.md lists the calls
// and their order.
// Depends on platform/ and ui/.
#pragma once
#include <functional>
#include <memory>

#include "platform/geometry.h"
#include "platform/string.h"

class TMainGame;
class TMessage;
class TWindow;
class TiXmlElement;

class SceneStory_t {
public:
  virtual ~SceneStory_t() = default;

  // --- The location ---
  // A location has been loaded: `level` is its level file's root element
  // (the tutorial reads "TutorScripts" from it), `record` the name of its
  // progress record. The journal's owner sequence for a location load runs
  // here. OnEvent("start_level") follows.
  virtual void OnLevelLoaded(const TiXmlElement* level, const TString& record) {}
  // Named events of the scene: "start_level", "click_b_hint",
  // "logbook_open", "logbook_close", "use_tool", "no_tool".
  virtual void OnEvent(const TString& name) {}
  // An object was found: its item name and its picture name.
  virtual void OnObjectFound(const TString& item, const TString& picture) {}
  // A hint showed the item.
  virtual void OnHint(const TString& item) {}
  // The scene took a click on its play area at the point (before it looks
  // for an object there): a click in the tutorial step's click area suspends
  // the tutorial's screen, or ends it on its last step.
  virtual void OnSceneClick(const TPoint& p) {}
  // The scene is ready for the tutorial to go on: a screen suspended by a
  // click in its click area shows its next step. The scene calls it after a
  // location load and on every step while no object's effect runs.
  virtual void ResumeTutorial() {}
  // The location is complete; its record is passed and saved. `photo` is the
  // photograph it earned (empty when none), already in the progress's list.
  virtual void OnLocationComplete(const TString& photo) {}

  // --- The panel's journal button ---
  // Whether there is a journal (the button is disabled without one).
  virtual bool HasJournal() const { return false; }
  // The journal button was pressed.
  virtual void OnJournalButton() {}

  // --- Each frame ---
  // The scene's fixed step, in seconds.
  virtual void Update(float dt) {}
  // While true (an open journal, a tutorial box that holds the play), the
  // scene's own clicks, keys and hint wait, and the scene does not leave.
  virtual bool IsBlocking() const { return false; }
  // Over the scene and its panel (tutorial shadow and box, the journal).
  virtual void Draw() {}

  // --- Input (points in the scene's coordinates); true = taken ---
  virtual bool OnMouseDown(const TPoint& p) { return false; }
  virtual bool OnMouseUp(const TPoint& p) { return false; }
  virtual bool OnMouseMove(const TPoint& p) { return false; }
  // A button command that reached the scene and that the scene does not
  // know ("logbookclose", "next", "skip" ...). True = handled.
  virtual bool OnCommand(TMessage* message) { return false; }
  // Enter or Escape (characters 13, 27) for what the story shows: Escape
  // closes the journal; either presses the button of a tutorial box on the
  // screen. False leaves the key to the scene (Escape: its game menu).
  virtual bool OnKey(unsigned char c) { return false; }
  // The cursor the story wants at the point (a texture name), or empty.
  virtual TString GetCursor(const TPoint& p) { return TString(); }
  // Message 1099: a mini tutorial that asked to be heard of has closed.
  virtual void OnMiniTutorClosed() {}

};

using SceneStoryFactory = std::function<std::unique_ptr<SceneStory_t>(TMainGame* scene)>;
// Installs the factory (an empty function removes it). Each new play screen
// calls it once, in its Init.
void SetSceneStoryFactory(SceneStoryFactory factory);
// A new story object for the scene, or null without a factory.
std::unique_ptr<SceneStory_t> MakeSceneStory(TMainGame* scene);

// The message a mini tutorial posts when it closes and was asked to tell.
constexpr uint32_t kMiniTutorClosedMessage = 1099;
