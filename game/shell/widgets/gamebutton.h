// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// The game's buttons.
//
// TMButton (Lua type "MButton") is the stock button with a switch that makes
// it ignore the mouse while input is off.
//
// Button_t is not a window: a light button that a game screen owns, draws
// from its own Draw and feeds with its own mouse events (points in the
// owner's coordinates). It has four state pictures, a draw rectangle, a hit
// rectangle (right and bottom exclusive), a click sound and sends a
// button-press message with its name to its owner window. Screens build them
// from one style string (CreateButtonFromStyle):
//   "name;x,y,w,h[,dx,dy];normal;pressed;rollover[;disabled[;anything]]"
// A width or height of 0 takes the normal picture's; (dx, dy) shifts the hit
// rectangle; a seventh field starts the button disabled.
//
// The screens drawn by one window take their modal screen's keys and turn
// Escape into one of their buttons with the two helpers at the end.
// Depends on platform/, render/, audio/ and ui/.
#pragma once
#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/string.h"
#include "ui/button.h"

class TSound;
class TTexture;

class TMButton : public TButton {
  LANTERN_WINDOW_CLASS(TMButton, TButton)

public:
  TMButton() = default;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool OnMouseMove(const TPoint& p) override;
  void SetInputEnabled(bool enabled) { inputEnabled_ = enabled; }
  bool IsInputEnabled() const { return inputEnabled_; }

private:
  bool inputEnabled_ = true;
};

class Button_t {
public:
  Button_t(const char* name, TWindow* owner);
  virtual ~Button_t();
  Button_t(const Button_t&) = delete;
  Button_t& operator=(const Button_t&) = delete;

  // Draws the picture at the draw rectangle's top-left.
  virtual void DrawImage(boost::shared_ptr<TTexture> image);
  // Moves the picture; the hit rectangle stays.
  virtual void SetDrawRect(int left, int top, int right, int bottom);
  // Held with the mouse over it, and not disabled.
  virtual bool IsPressedShown() const;
  // The picture of the state: selected, pressed, disabled, rollover, normal.
  virtual void Draw();
  virtual void SetDisabled(bool value);
  virtual void SetSelected(bool value);
  virtual bool IsSelected() const { return selected; }
  virtual void OnEnter();
  virtual void OnLeave();
  // True while the point is over the button.
  virtual bool OnMouseMove(int x, int y);
  // True when the press is on the button.
  virtual bool OnMouseDown(int x, int y);
  // A release over the hovered, enabled button clicks: the button-press
  // message to the owner, then the click sound. True on a click (also
  // without an owner, which hears and gets nothing).
  virtual bool OnMouseUp(int x, int y);
  virtual bool Contains(int x, int y) const;
  // A click's effect without the mouse (a key standing for the button): the
  // button-press message to the owner, then the click sound.
  void Click();

  // Moves both rectangles.
  void MoveBy(int dx, int dy);
  bool IsDisabled() const { return disabled; }

  TString name;
  boost::shared_ptr<TTexture> normalImage;
  boost::shared_ptr<TTexture> pressedImage;
  boost::shared_ptr<TTexture> rolloverImage;
  boost::shared_ptr<TTexture> disabledImage;
  TRect drawRect;
  TRect hitRect;
  TWindow* owner;  // not owned; may be null
  bool visible = true;
  bool disabled = false;
  bool held = false;
  bool hover = false;
  bool selected = false;
  boost::shared_ptr<TSound> clickSound;
};

// A new button from a style string (see the top of this file), owned by the
// caller; null, with a log line, for a style with fewer than five fields or a
// geometry with fewer than four numbers.
Button_t* CreateButtonFromStyle(const char* value, TWindow* owner);

// --- A screen's keys ---
// The window takes the keys of the modal screen it lies on (nothing when it
// lies on none).
void TakeScreenKeys(TWindow* window);
// Escape works as the window's button `name`: the window handles that
// button's press message at once, and true. False, with nothing sent, for
// any other key.
bool EscapePressesButton(TWindow* window, unsigned char c, const char* name);
