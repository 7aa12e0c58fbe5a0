// Modal windows (a dialog, a menu page, a game screen), the root screen and
// the layered window that shows one group of its children at a time.
#pragma once
#include <map>
#include <set>
#include <vector>

#include "platform/color.h"
#include "platform/task.h"
#include "ui/window.h"

// A layer of the user interface that owns the input while it is on top of
// the modal stack: its own clock and task list (paused while covered), a
// focus child, hot keys, Enter and Escape bound to its default and cancel
// buttons, and close messages.
class TModalWindow : public TWindow {
  LANTERN_WINDOW_CLASS(TModalWindow, TWindow)

public:
  TModalWindow();
  ~TModalWindow() override;

  bool OnAdded() override;
  void PostInit(TWindowStyle& style) override;
  bool OnMessage(TMessage* message) override;
  bool OnChar(unsigned char c) override;
  bool OnKeyDown(unsigned char key, int modifiers) override;
  void OnSetFocus(TWindow* previous) override;
  // Binds a key text ("@O", "ctrl-s" ...) to a button name; an empty name removes it.
  virtual void RegisterHotKey(const TString& key, const TString& button);

  void AddTask(TTask* task) { tasks_.Add(task); }
  void ClearTasks() { tasks_.Clear(); }
  void RunTasks(int pass) { tasks_.Run(pass); }
  TTaskList& GetTaskList() { return tasks_; }
  TClock& GetClock() { return clock_; }

  TWindow* GetFocusWindow() const { return focusChild_; }
  // Stores the focus child; when this window has the focus, it moves there at once.
  void SetFocusWindow(TWindow* window);
  // Records or forgets an opaque child of this window's size; the window is
  // opaque itself while the record is not empty.
  void UpdateCover(TWindow* window, bool covers);
  bool IsCoveredBy(TWindow* window) const { return covering_.count(window) != 0; }

  // "@" + last character upper-cased for "@x" labels; else "shift-", "ctrl-"
  // (for "ctrl-" or "control-"), "alt-" in that order, then the last
  // character upper-cased. The searches are case-sensitive.
  static TString ParseHotKey(const TString& label);
  // Presses the button of that name (shown or hidden); a missing one is logged.
  void PressHotKeyButton(const TString& name);
  const std::map<TString, TString>& GetHotKeys() const { return hotKeys_; }

private:
  TTaskList tasks_;
  TWindow* focusChild_ = nullptr;
  std::set<TWindow*> covering_;
  TClock clock_;
  std::map<TString, TString> hotKeys_;
};

// The modal window at the bottom of the stack: the whole display.
class TScreen : public TModalWindow {
  LANTERN_WINDOW_CLASS(TScreen, TModalWindow)

public:
  TScreen();
  void Draw() override;

  // Unless noClear is set, the screen fills the viewport with clearColor when
  // it is the top modal window, or in every frame with alwaysClear. A screen
  // whose dialogs need the clearing asks for it (Lua "SetScreenClear").
  bool alwaysClear = false;
  bool noClear = false;
  TFloatColor clearColor{0, 0, 0, 0};
};

// Children grouped into layers, one layer shown at a time (-1: all).
class TLayeredWindow : public TWindow {
  LANTERN_WINDOW_CLASS(TLayeredWindow, TWindow)

public:
  explicit TLayeredWindow(int layerCount = 1);
  bool AddChild(TWindow* child, bool notify) override;
  TWindow* RemoveChild(TWindow* child) override;
  // Shows only the windows of that layer (-1 shows layer 0); false (and a log
  // line) for a layer outside 0 .. count - 1 and -1.
  bool SelectLayer(int layer);
  int GetLayer() const { return layer_; }
  int GetLayerCount() const { return static_cast<int>(layers_.size()); }
  const std::vector<TWindow*>& GetLayerWindows(int layer) const { return layers_[layer]; }

private:
  int layer_ = 0;
  std::vector<std::vector<TWindow*>> layers_;
};
