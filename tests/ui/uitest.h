// Shared harness of the window toolkit tests: a recording environment, a
// window that logs its input, stand-ins for the stock text, edit, button and
// image windows, and fixtures that drive a manager (and a window script) with
// real platform events on the manual clock.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/event.h"
#include "platform/time.h"
#include "script/luaobject.h"
#include "tests/support/testsupport.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/widgetroles.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"
#include "ui/windowstyle.h"

namespace uitest {

using Strings = std::vector<std::string>;

// Records frames and fills; `depth` counts viewport pushes minus pops.
class TRecordingEnvironment : public TWindowEnvironment {
public:
  bool IsFlipDone() override { return flipDone; }
  bool IsForeground() override { return foreground; }
  bool IsHostedOrPq() override { return hosted; }
  bool HasDisplay() override { return true; }
  bool BeginDraw() override { log.push_back("begin"); return true; }
  void EndDraw() override { log.push_back("end"); }
  void PushViewport(const TRect& r) override { TWindowEnvironment::PushViewport(r); ++depth; }
  void PopViewport() override { TWindowEnvironment::PopViewport(); --depth; }
  void FillRect(const TRect& r, const TFloatColor& c) override;

  bool flipDone = true, foreground = true, hosted = false;
  int depth = 0;
  std::vector<std::string> log;
};

// Logs its input ("down 10,20", "key 65", "msg 3 ok" ...) and takes what it is told to.
class TProbe : public TWindow {
  LANTERN_WINDOW_CLASS(TProbe, TWindow)

public:
  TProbe() = default;
  bool OnMouseDown(const TPoint& p) override;
  bool OnMouseUp(const TPoint& p) override { return Note("up", p); }
  bool OnMouseMove(const TPoint& p) override { return Note("move", p); }
  bool OnMouseLeave() override;
  bool OnKeyDown(unsigned char key, int mods) override { return Log("key " + std::to_string(key), false); }
  bool OnChar(unsigned char c) override { return Log(std::string("char ") + static_cast<char>(c), false); }
  bool OnMessage(TMessage* m) override { return Log("msg " + std::to_string(m->type) + " " + m->text.str(), takeMessages); }
  void OnSetFocus(TWindow* previous) override { focusFrom.push_back(previous); }
  void Draw() override { if (drawLog) drawLog->push_back(GetName().str()); }
  bool Note(const char* what, const TPoint& p) { return Log(what + (" " + std::to_string(p.x) + "," + std::to_string(p.y)), takeMouse); }
  bool Log(const std::string& text, bool take) { events.push_back(text); return take; }

  bool takeMouse = false, takeMessages = false, deleteSelfOnDown = false, releaseCaptureOnLeave = false;
  std::vector<std::string> events;
  std::vector<TWindow*> focusFrom;
  std::vector<std::string>* drawLog = nullptr;
};

class TTestText : public TWindow, public TTextRole {
  LANTERN_WINDOW_CLASS(TTestText, TWindow)

public:
  TTestText() = default;
  void Init(TWindowStyle& style) override;
  TString GetText() const override { return text; }
  void SetText(const TString& t) override { text = t; }
  TString text;
};

// Takes typed text, Backspace and plain letter keys; leaves Enter, Escape and Tab to the dialog.
class TTestEdit : public TTestText {
  LANTERN_WINDOW_CLASS(TTestEdit, TTestText)

public:
  TTestEdit() { SetClassFlags(kWindowFocusable); }
  bool OnText(TString t) override;
  bool OnChar(unsigned char c) override;
  bool OnKeyDown(unsigned char key, int mods) override { return key >= 'A' && key <= 'Z' && mods == 0; }
};

// Clicked (press and release inside) or pressed by a hot key, it runs its
// command as the stock button does: a "close" button posts the close message
// and sets gReturnValue to its name, the Lua "command" goes to the script,
// then a button-press message with its name.
class TTestButton : public TWindow, public TButtonRole {
  LANTERN_WINDOW_CLASS(TTestButton, TWindow)

public:
  TTestButton() = default;
  void Init(TWindowStyle& style) override;
  bool OnMouseDown(const TPoint& p) override { return pressed = true; }
  bool OnMouseUp(const TPoint& p) override;
  bool IsDefaultButton() const override { return isDefault; }
  bool IsCancelButton() const override { return isCancel; }
  bool Press() override { ++presses; DoCommand(); return true; }
  bool DoCommand() override;
  TString GetLabel() const override { return label; }
  void SetLabel(const TString& text) override { label = text; }
  bool GetToggleState() const override { return toggled; }
  void SetToggleState(bool on) override { toggled = on; }
  void SetAction(TLuaFunction* a) override { action.reset(a); }

  bool isDefault = false, isCancel = false, close = false, toggled = false, pressed = false;
  int presses = 0, commands = 0;
  TString label;
  std::unique_ptr<TLuaFunction> action;
};

class TTestImage : public TWindow, public TImageRole {
  LANTERN_WINDOW_CLASS(TTestImage, TWindow)

public:
  TTestImage() = default;
  void Init(TWindowStyle& style) override;
  void SetImage(const TString& file, float scale) override { image = file; }
  bool HasImage() const override { return !image.IsEmpty(); }
  TString image;
};

// Creates a window, names it, places it and adds it to `parent`.
template <class T = TProbe>
T* Add(TWindow* parent, const char* name, int x, int y, int w, int h) {
  T* window = new T();
  window->SetName(name);
  window->MoveTo(x, y);
  window->SetSize(w, h);
  parent->AddChild(window, true);
  return window;
}

// A manager with a recording environment and a 1024 x 768 screen, on a manual clock.
class TUiFixture {
public:
  TUiFixture();
  ~TUiFixture() { delete wm; }
  void Send(uint32_t type, int x = 0, int y = 0, uint32_t a = 0, uint32_t b = 0);
  void Click(int x, int y);
  void Key(uint32_t code, uint32_t mods = 0) { Send(kEventKeyDown, 0, 0, code, mods); }
  void Char(uint32_t c) { Send(kEventUnicode, 0, 0, c); }
  void Tick(uint32_t ms) { time.Advance(ms); Send(kEventTick); }
  TModalWindow* PushDialog(const char* name);

  TManualTimeScope time{1000};
  TRecordingEnvironment env;
  TWindowManager* wm;
  TScreen* screen;
  long windowsAtStart, messagesAtStart;
};

// With a window script, the stand-in types, and an asset folder in a temporary directory.
class TLuaFixture : public TUiFixture {
public:
  TLuaFixture();
  ~TLuaFixture() { delete script; }
  // Writes a script under assets/.
  void Script(const std::string& name, const std::string& text) { dir.Write("assets/" + name, text); }
  // Runs Lua text in a coroutine of its own (it may wait).
  void Lua(const std::string& text) { script->DoLuaString(text, "a test"); }
  std::string Global(const char* name);
  double Number(const char* name);
  void Type(const std::string& utf8);
  // The platform's idle pass (the script's task) and a tick event.
  void Idle(uint32_t ms);

  testing_support::TempDir dir;
  testing_support::ScopedChdir cd{dir.Path()};
  TWindowScript* script;
};

}  // namespace uitest
