// Harness of the Lua window API tests: a window script installed in the
// fixture's manager, an asset folder in a temporary directory, and small
// stand-ins for the stock text, edit, button and image windows.
#pragma once
#include <memory>
#include <string>

#include "script/luaobject.h"
#include "tests/support/testsupport.h"
#include "uitest.h"
#include "ui/windowscript.h"
#include "ui/windowstyle.h"

namespace uitest {

class TTestText : public TWindow, public TTextRole {
  LANTERN_WINDOW_CLASS(TTestText, TWindow)

public:
  TTestText() = default;
  void Init(TWindowStyle& style) override;
  TString GetText() const override { return text; }
  void SetText(const TString& t) override { text = t; }
  TString text;
};

// Takes typed text and Backspace; leaves Enter, Escape and Tab to the dialog.
class TTestEdit : public TTestText {
  LANTERN_WINDOW_CLASS(TTestEdit, TTestText)

public:
  TTestEdit() { SetClassFlags(kWindowFocusable); }
  bool OnText(TString t) override;
  bool OnChar(unsigned char c) override;
  bool OnKeyDown(unsigned char key, int mods) override { return key >= 'A' && key <= 'Z' && mods == 0; }
};

// Clicked (press and release inside), it runs its command as the stock button does:
// a "close" button posts the close message and sets gReturnValue to its name, the
// Lua "command" goes to the script, then a button-press message with its name.
class TLuaButton : public TWindow, public TButtonRole {
  LANTERN_WINDOW_CLASS(TLuaButton, TWindow)

public:
  TLuaButton() = default;
  void Init(TWindowStyle& style) override;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override;
  bool IsDefaultButton() const override { return isDefault; }
  bool IsCancelButton() const override { return isCancel; }
  bool Press() override { DoCommand(); return true; }
  bool DoCommand() override;
  TString GetLabel() const override { return label; }
  void SetLabel(const TString& text) override { label = text; }
  bool GetToggleState() const override { return toggled; }
  void SetToggleState(bool on) override { toggled = on; }
  void SetAction(TLuaFunction* a) override { action.reset(a); }

  bool isDefault = false, isCancel = false, close = false, toggled = false, pressed = false;
  TString label;
  std::unique_ptr<TLuaFunction> action;
};

class TTestImage : public TWindow, public TImageRole {
  LANTERN_WINDOW_CLASS(TTestImage, TWindow)

public:
  TTestImage() = default;
  void Init(TWindowStyle& style) override;
  void SetImage(const TString& file, float scale) override { image = file; }
  bool HasImage() const override { return !image.IsEmpty() && image != "missing"; }
  TString image;
};

class TLuaFixture : public TUiFixture {
public:
  TLuaFixture();
  ~TLuaFixture();
  // Writes a script under assets/.
  void Script(const std::string& name, const std::string& text);
  // Runs Lua text in a coroutine of its own (it may wait).
  void Lua(const std::string& text);
  std::string Global(const char* name);
  double Number(const char* name);
  void Type(const std::string& utf8);
  // The idle pass of the platform (the script's task) and a tick event.
  void Idle(uint32_t ms);

  testing_support::TempDir dir;
  std::unique_ptr<testing_support::ScopedChdir> cd;
  TWindowScript* script;
};

}  // namespace uitest
