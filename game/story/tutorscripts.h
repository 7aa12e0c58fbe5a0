// The tutorial: TutorScripts_t walks the player through a location or a
// mini-game screen by screen. A screen is a list of steps; the open screen
// shows one step at a time in a box (text, spoken line, optional pointer,
// next or close button, optional full-screen shadow), runs the Lua
// statements of screens and steps for its owner window, lets clicks reach
// the game only inside the step's click area and allowed rectangles, and
// moves on when the player presses a button, clicks the click area or when
// the game reports the step's event.
//
// The owner (the play screen through the story library, or a mini-game)
// loads it from a "TutorScripts" element of its own file, forwards its frame
// update, drawing, button commands and mouse events, and reports events.
// The script format and the box style in main.xml "Tutorial" are described
// in docs/tutorial.md.
//
// Time: "play_time" is counted down by the frame time the owner passes to
// Update and the shadow fades by the time passed to StepNotice; both owners
// pass seconds.
//
// Depends on game/scene (the fade record) and game/shell (buttons, texts,
// progress), render/, audio/ and ui/.
#pragma once
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "game/scene/sceneparts.h"
#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/string.h"

class Button_t;
class TAnimatedSprite;
class TMessage;
class TSound;
class TText;
class TTexture;
class TWindow;
class TiXmlElement;

// One step of a screen.
struct TutorItem_t {
  TString text;                          // the looked-up text; empty: no box
  boost::shared_ptr<TSound> voice;       // spoken line (empty without one)
  TString pictName;                      // pointer picture; "to_left": the left pointer
  TVec2 pointerPos;                      // where the pointer's top-left goes
  TRect clickRect;                       // click area; all zero when none
  TString eventName;                     // the game event that completes the step
  TString clickPictName;                 // clicks count on its opaque pixels only
  bool isObject = false;                 // a one-piece "click_rect" named an object
  TString objectName;
  bool needShadow = true;                // false: no shadow, the box moves beside the pointer
  std::vector<TRect> allowedRects;       // clicks pass to the game here
  std::vector<TString> doInStart;        // Lua statements run when the step is shown

  bool HasImage() const { return !pictName.IsEmpty(); }
  bool IsToLeft() const { return pictName == "to_left"; }
};

// One screen.
struct TutorScreen_t {
  int id = 0;                        // 0: automatic; else opened only by StartScreen(id)
  float playTime = 0;                // delay before it opens
  float timeLeft = 0;
  int screenNum = 0;                 // the owner's view in which it may open
  std::vector<TString> doInEnd;      // run when the screen ends
  std::vector<TString> doInStart;    // run when it opens
  std::vector<TutorItem_t> items;
  std::vector<TString> needFind;     // kept for the owner
  bool skip = false;
  int state = 0;                     // TutorScripts_t::kWaiting, kSuspended, kDone
  bool needRestart = false;          // kept for the owner
  bool useOnlyNext = false;          // no close button on this screen
};

class TutorScripts_t {
public:
  enum { kWaiting = 0, kSuspended = 1, kDone = 2 };

  // Empty: no screens, box down. Reads main.xml Common "VO" (1: load the
  // spoken lines) for every later Load.
  TutorScripts_t();
  ~TutorScripts_t();
  TutorScripts_t(const TutorScripts_t&) = delete;
  TutorScripts_t& operator=(const TutorScripts_t&) = delete;

  // Reads the box style from main.xml "Tutorial" and the screens of the
  // first "TutorScripts" child of `element`, then Reset. Without a
  // "Tutorial" style nothing is read and the driver stays inert. A second
  // Load replaces everything.
  void Load(TWindow* owner, const TiXmlElement* element);
  // Back to the first screen: skip flags cleared, states from the ids, the
  // first step of the first screen current (its text and picture set, its
  // statements run), box down. Delays are not restarted.
  void Reset();

  // Counts the current screen's delay down and opens it when the delay is
  // over, `view` is its view number and `mayOpen` holds. Only while the box
  // is down and the screen is not done.
  void Update(float dt, int view, bool mayOpen);
  // Advances the shadow's fade; true when a fade ended in this step.
  bool StepNotice(float dt);
  // The full-screen shadow (every frame), then the box of the current step.
  void DrawShadow();
  void Draw();

  // Button commands while the box is up and the screen not suspended; true
  // when handled. "next" moves to the next step (past the last one the
  // screen is done and the tutorial waits for StartScreen or Reset);
  // "close" (not on a "use_only_next" screen) and "skip" run the screen's
  // end statements and pass on to the next screen whose skip flag is clear.
  bool OnCommand(TMessage* message);
  // A game event: completes the current step when it names it.
  void OnEvent(const TString& name);
  // Makes the first screen with that id whose skip flag is clear the current
  // one, waiting to open (the next Update opens it). No match: nothing.
  void StartScreen(int id);
  // The player found the object with that picture: screens whose steps point
  // at it are no longer needed, except the one on the screen and a screen
  // whose pointing step has the current step's index. Always true.
  bool MarkFound(const TString& picture);
  // Every screen done; the box goes down.
  void FinishAll();
  // Every screen with that id done (and skipped); the box goes down.
  void MarkScreensDone(int id);
  void ShowCurrentScreen() { SetScreenShown(true); }
  // Resumes a suspended screen with its next step.
  void HideCurrentScreen();
  // true: the click area was clicked (suspends a screen on a step that is
  // not its last until HideCurrentScreen; on its last step ends the screen
  // and makes the next automatic or numbered screen current); false:
  // resumes a suspended screen.
  void SetScreenShown(bool show);

  // Mouse input; true = the tutorial takes the event and the game must not
  // act on it.
  bool OnMouseDown(const TPoint& p);
  bool OnMouseUp(const TPoint& p);
  bool OnMouseMove(const TPoint& p);
  // Whether the point is over the current step's click area (cursor choice).
  bool IsOverClickRect(const TPoint& p);
  // Enter and Escape (characters 13 and 27) while the box is on the screen:
  // the box's button, as a click on it would (the next step, or the close).
  // True when the box took the key: a box on the screen takes both, also
  // when it offers no button.
  bool OnKey(unsigned char c);
  // A click at the point in the game: when it is in the click area,
  // SetScreenShown(true).
  void OnClickRect(const TPoint& p);

  // Current screen index valid and its state not done.
  bool IsActive() const;
  // The current screen is suspended.
  bool IsScreenShown() const;
  // The current screen is waiting (to open, or open).
  bool IsWaiting() const;
  // The box is on the screen: box up, state waiting, a current step.
  bool IsBoxShown() const;

  // --- Read access for owners and tests ---
  bool IsBoxUp() const { return boxUp_; }
  int GetCurrentScreen() const { return currentScreen_; }
  int GetCurrentItem() const { return currentItem_; }
  // The current screen's state, or kDone without a current screen.
  int GetCurrentState() const;
  const std::vector<TutorScreen_t>& GetScreens() const { return screens_; }
  const TutorItem_t* GetCurrentItemPtr() const;
  const MessageRecord& GetShadow() const { return shadow_; }
  float GetBoxOffset() const { return boxOffset_; }
  const TVec2& GetBoxPosition() const { return boxPos_; }
  const TRect& GetTextRect() const { return textRect_; }
  int GetTextAlign() const { return textAlign_; }
  const TFloatColor& GetTextColor() const { return textColor_; }
  TText* GetTextWindow() const { return textWindow_.get(); }
  // The button the current step offers (null when none).
  Button_t* GetLiveButton() const;
  Button_t* GetCloseButton() const { return closeButton_.get(); }
  Button_t* GetNextButton() const { return nextButton_.get(); }
  // Whether Load read spoken lines.
  static bool VoiceEnabled();

private:
  bool ValidScreen() const;
  TutorScreen_t* Current();
  TutorItem_t* CurrentItem();
  bool CurrentItemHasImage() const;
  bool IsLastItem() const;

  void ReadStyle(const TiXmlElement* style);
  void ReadScreens(const TiXmlElement* element);

  // Sets the current step's text and picture and runs its statements.
  void ShowItem();
  void BeginScreen(int index);
  void NextItem();
  // The current screen is passed over: skip flag, done, box down; then
  // MovePastSkipped.
  void SkipScreen();
  // From the current screen on, the first screen whose skip flag is clear
  // becomes current (waiting, no step, when it has a delay); none: the last
  // screen stays current.
  void MovePastSkipped();
  // The box goes down at the end of a screen; a shadow left on would darken
  // the scene with nothing to take it away.
  void BoxDown();
  void ShowShadow(bool on);
  void PlayItemSound();
  void StopItemSound();
  void RunStatements(const std::vector<TString>& statements);

  float BoxOffsetFor(const TutorItem_t& item) const;
  bool InClickArea(const TutorItem_t& item, const TPoint& p);
  bool InAllowedRect(const TutorItem_t& item, const TPoint& p) const;
  bool OnBackground(const TPoint& p) const;
  bool IsPointOnClickPicture(const TutorItem_t& item, int x, int y);

  TWindow* owner_ = nullptr;
  float boxOffset_ = 0;
  boost::shared_ptr<TTexture> background_;
  TVec2 boxPos_;
  bool boxUp_ = false;
  MessageRecord shadow_;
  std::unique_ptr<TText> textWindow_;
  boost::shared_ptr<TAnimatedSprite> pointer_, leftPointer_;
  boost::shared_ptr<TTexture> itemPicture_;
  TRect textRect_;
  int textAlign_ = 0;
  int textWidth_ = 0, textHeight_ = 0;
  TString fontName_;
  int fontHeight_ = 0;
  TFloatColor textColor_{0, 0, 0, 1};
  std::unique_ptr<Button_t> closeButton_, nextButton_;
  std::vector<TutorScreen_t> screens_;
  int currentItem_ = -1;
  int currentScreen_ = 0;
};
