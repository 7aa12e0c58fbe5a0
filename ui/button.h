// TButton: the stock push button, check box and radio button (Lua type
// "Button"). Its looks are image children, one per visual state, kept in the
// layers of a TLayeredWindow; a click plays a sound, may toggle or check the
// button, runs its action (usually a Lua function) and posts the close and
// button-press messages that dialogs, listeners and Lua scripts receive.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "render/textures/texture.h"
#include "ui/modalwindow.h"
#include "ui/widgetroles.h"

class TLuaFunction;
class TSound;

class TButton : public TLayeredWindow, public TButtonRole {
  LANTERN_WINDOW_CLASS(TButton, TLayeredWindow)

public:
  // Button types and visual states.
  enum : int { kPushButton = 0, kToggleButton = 1, kRadioButton = 2 };
  enum : int { kStateNormal = 0, kStatePressed = 1, kStateRollover = 2, kStateClicked = 3 };
  // Behaviour flags.
  enum : uint8_t { kSendToParent = 1, kChecked = 2, kClose = 4, kDefault = 8, kCancel = 16 };
  // The window flag that starts a radio group ("beginGroup").
  static constexpr uint32_t kBeginGroupFlag = 0x8;
  static constexpr int kLayers = 4;
  static constexpr int kSoundSlots = 3;

  // What a click runs besides posting its messages.
  class Action {
  public:
    virtual ~Action() = default;
    virtual void run(TButton* button) = 0;
  };
  // Runs a Lua function in the window script, with GetButtonName() telling it
  // which button called.
  class LuaAction : public Action {
  public:
    explicit LuaAction(TLuaFunction* function) : function_(function) {}
    ~LuaAction() override;
    void run(TButton* button) override;

  private:
    TLuaFunction* function_;
  };

  TButton();
  ~TButton() override;

  // Style keys: "sound", "rolloversound", "mask", "type", "scale",
  // "sendToParent", "beginGroup", "close", "default", "cancel", "on",
  // "tooltip", "graphics" (with "hflip", "vflip", "rotate"), "command".
  void Init(TWindowStyle& style) override;
  void PostInit(TWindowStyle& style) override;
  bool OnAdded() override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  bool OnMouseLeave() override;

  // The click: sound, command, toggle. False when the click took the
  // button's modal window off the top (or the button out of the tree).
  bool Press() override;
  // Plays the state's sound and shows the state's layer.
  virtual void OnStateChanged(int newState, int oldState);
  virtual void SetState(int state);
  // Posts the button's messages and runs its action; true when the action
  // took the button out of the window tree.
  bool DoCommand() override;

  void SetToggleState(bool on) override;
  bool GetToggleState() const override { return (behaviour_ & kChecked) != 0; }
  void Toggle();
  void SetAction(Action* action);
  void SetAction(TLuaFunction* function) override;
  void SetSound(const TString& name, int slot);
  void SetMask(const TTextureRef& texture);
  void SetLabel(const TString& text) override;
  TString GetLabel() const override;
  bool IsDefaultButton() const override { return (behaviour_ & kDefault) != 0; }
  bool IsCancelButton() const override { return (behaviour_ & kCancel) != 0; }

  int GetType() const { return type_; }
  int GetState() const { return state_; }
  uint8_t GetBehaviour() const { return behaviour_; }
  // True when the point (window coordinates) is on the button: inside, and
  // not on a black part of the mask.
  bool IsOnButton(const TPoint& p) const;

private:
  // The mouse slots' hit test: false after OnMouseLeave when the point is off.
  bool HitTest(const TPoint& p);

  int type_ = kPushButton;
  int state_ = kStateNormal;
  uint8_t behaviour_ = 0;
  std::unique_ptr<Action> action_;
  boost::shared_ptr<TSound> sounds_[kSoundSlots];
  std::vector<uint32_t> mask_;
  int maskWidth_ = 0, maskHeight_ = 0;
};

// Walks a radio button's siblings (and their descendants) in the order they
// were made: the group around the button is bounded by "beginGroup" windows.
class TRadioButtonSpider : public TWindowSpider {
public:
  explicit TRadioButtonSpider(TButton* button) : button_(button) {}
  bool Visit(TWindow* child) override;
  int pass = 0;
  bool inGroup = false;
  TWindow* groupStart = nullptr;

private:
  TButton* button_;
};
