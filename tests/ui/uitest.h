// Shared harness of the window toolkit tests: a recording environment, test
// windows that log their input, a button that plays the button role, and
// helpers that drive the manager with real platform events.
#pragma once
#include <string>
#include <vector>

#include "platform/event.h"
#include "platform/time.h"
#include "ui/message.h"
#include "ui/modalwindow.h"
#include "ui/widgetroles.h"
#include "ui/window.h"
#include "ui/windowmanager.h"

namespace uitest {

// Records what the manager and the windows ask of the display.
class TRecordingEnvironment : public TWindowEnvironment {
public:
  bool IsFlipDone() override { return flipDone; }
  bool IsForeground() override { return foreground; }
  bool IsHostedOrPq() override { return hosted; }
  bool HasDisplay() override { return display; }
  TRect GetViewport() override { return TRect(0, 0, 1024, 768); }
  bool BeginDraw() override;
  void EndDraw() override { log.push_back("end"); }
  void PushViewport(const TRect& r) override;
  void PopViewport() override;
  void PushClipRect(const TRect& r) override;
  void PopClipRect() override;
  void FillRect(const TRect& r, const TFloatColor& c) override;
  void RunPlatformTasks(int pass) override {
    platformPasses.push_back(pass);
    TWindowEnvironment::RunPlatformTasks(pass);
  }

  bool flipDone = true, foreground = true, hosted = false, display = true;
  int begins = 0;
  int depth = 0;  // viewport pushes minus pops
  std::vector<std::string> log;
  std::vector<int> platformPasses;
};

// A window that records its input and can be told to take it.
class TProbe : public TWindow {
  LANTERN_WINDOW_CLASS(TProbe, TWindow)

public:
  TProbe() = default;
  bool OnMouseDown(const TPoint& p) override { return Note("down", p, takeMouse); }
  bool OnMouseUp(const TPoint& p) override { return Note("up", p, takeMouse); }
  bool OnMouseMove(const TPoint& p) override { return Note("move", p, takeMouse); }
  bool OnMouseLeave() override;
  bool OnKeyDown(unsigned char key, int mods) override;
  bool OnChar(unsigned char c) override;
  bool OnMessage(TMessage* m) override;
  void OnSetFocus(TWindow* previous) override { focusFrom.push_back(previous); }
  void Draw() override;
  bool Note(const char* what, const TPoint& p, bool take);

  bool takeMouse = false, takeKeys = false, takeMessages = false, takeChars = false;
  bool deleteSelfOnDown = false, releaseCaptureOnLeave = false;
  std::vector<std::string> events;
  std::vector<TWindow*> focusFrom;
  std::vector<std::string>* drawLog = nullptr;
};

// A button for the modal window's Enter, Escape and hot keys.
class TTestButton : public TWindow, public TButtonRole {
  LANTERN_WINDOW_CLASS(TTestButton, TWindow)

public:
  TTestButton() = default;
  bool IsDefaultButton() const override { return isDefault; }
  bool IsCancelButton() const override { return isCancel; }
  bool Press() override { ++presses; return true; }
  bool DoCommand() override { ++commands; return commandTaken; }
  TString GetLabel() const override { return label; }
  void SetLabel(const TString& text) override { label = text; }
  bool GetToggleState() const override { return toggled; }
  void SetToggleState(bool on) override { toggled = on; }
  void SetAction(TLuaFunction* action) override;

  bool isDefault = false, isCancel = false, commandTaken = true, toggled = false;
  int presses = 0, commands = 0;
  TString label;
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
  ~TUiFixture();
  void Send(uint32_t type, int x = 0, int y = 0, uint32_t a = 0, uint32_t b = 0);
  void Click(int x, int y);
  void Move(int x, int y) { Send(kEventMouseMove, x, y); }
  void Key(uint32_t code, uint32_t mods = 0) { Send(kEventKeyDown, 0, 0, code, mods); }
  void Char(uint32_t c) { Send(kEventUnicode, 0, 0, c); }
  void Tick(uint32_t ms);
  TModalWindow* PushDialog(const char* name);

  TManualTimeScope time{1000};
  TRecordingEnvironment env;
  TWindowManager* wm;
  TScreen* screen;
  long windowsAtStart;
  long messagesAtStart;
};

}  // namespace uitest
