// The roles the stock windows (text, button, image) play for the modal
// windows and the Lua window API. A stock window class derives from TWindow
// (or a subclass) and from the role it plays; the toolkit finds the role
// with dynamic_cast.
#pragma once
#include "platform/string.h"

class TLuaFunction;

// A label: its text can be read and replaced ("GetLabel", "SetLabel").
class TTextRole {
public:
  virtual ~TTextRole() = default;
  virtual TString GetText() const = 0;
  virtual void SetText(const TString& text) = 0;
};

// A push, toggle or radio button.
class TButtonRole {
public:
  virtual ~TButtonRole() = default;
  // The style flags "default" and "cancel" (Enter and Escape in a dialog).
  virtual bool IsDefaultButton() const = 0;
  virtual bool IsCancelButton() const = 0;
  // Presses the button as a click would (hot keys); false when the click
  // took the button's modal window off the top.
  virtual bool Press() = 0;
  // Runs the button's command; true when it was taken.
  virtual bool DoCommand() = 0;
  virtual TString GetLabel() const = 0;
  virtual void SetLabel(const TString& text) = 0;
  virtual bool GetToggleState() const = 0;
  virtual void SetToggleState(bool on) = 0;
  // The Lua action run by the command; the button takes ownership.
  virtual void SetAction(TLuaFunction* action) = 0;
};

// An image window ("_SetBitmap", "ImageLoaded").
class TImageRole {
public:
  virtual ~TImageRole() = default;
  // Shows the texture of `file` at `scale` and takes its size times the scale.
  virtual void SetImage(const TString& file, float scale) = 0;
  virtual bool HasImage() const = 0;
};
