// TWindowManager: the single owner of the window tree's global state: the
// modal stack (its bottom is the root screen), the keyboard focus, the mouse
// capture list, the overlay windows, the posted messages, the windows waiting
// for deletion and the redraw state. The platform's event loop hands it every
// event through HandleEvent.
//
// What it needs of the platform and the display comes through a
// TWindowEnvironment that the application shell installs; the default one
// runs on platform time with nothing to draw on.
#pragma once
#include <cstdint>
#include <list>
#include <vector>

#include "platform/color.h"
#include "platform/event.h"
#include "platform/geometry.h"
#include "platform/string.h"
#include "platform/task.h"
#include "ui/message.h"
#include "ui/window.h"

class TWindowScript;

// The platform and display services the window toolkit uses.
class TWindowEnvironment {
public:
  virtual ~TWindowEnvironment() = default;
  // --- Platform ---
  // Play time, which stands still while the application is inactive (Lua's
  // GetTimer); frames are paced on platform time instead.
  virtual uint32_t GetTime();
  // True when the previous presentation has finished.
  virtual bool IsFlipDone() { return true; }
  virtual bool IsForeground() { return true; }
  // Running inside another program's window, or with "-pq=".
  virtual bool IsHostedOrPq();
  virtual void PostQuit(int exitCode) { quitRequested = true; quitCode = exitCode; }
  // One pass of the platform task list, and adding to it (the list owns the task).
  virtual void RunPlatformTasks(int pass) { platformTasks.Run(pass); }
  virtual void AddTask(TTask* task) { platformTasks.Add(task); }
  virtual TString GetClipboardText() { return clipboard; }
  virtual void SetClipboardText(const TString& text) { clipboard = text; }
  // The localised text of a label (the label itself when unknown).
  virtual TString GetString(const TString& label, const TString* args, int count);

  // --- Display ---
  virtual bool HasDisplay() { return false; }
  // The display's size as a rectangle at (0, 0).
  virtual TRect GetViewport() { return TRect(0, 0, 1024, 768); }
  virtual bool BeginDraw() { return false; }
  virtual void EndDraw() {}
  virtual TRect GetCurrentViewport();
  virtual void PushViewport(const TRect& rect);
  virtual void PopViewport();
  virtual void PushClipRect(const TRect& rect);
  virtual void PopClipRect();
  // Fills the rectangle (relative to the current viewport, clipped to it).
  virtual void FillRect(const TRect& rect, const TFloatColor& color) {}
  // The layer texture of the layer pass.
  virtual bool HasLayerTarget() { return false; }
  virtual bool BeginLayerTarget() { return false; }
  virtual void EndLayerTarget() {}
  virtual void ReleaseLayerTarget() {}
  // Copies the layer texture to the screen at (0, 0).
  virtual void CopyLayerTarget() {}

  TTaskList platformTasks;
  bool quitRequested = false;
  int quitCode = 0;
  TString clipboard;

protected:
  std::vector<TRect> viewports_;
  std::vector<TRect> clips_;
};

// What the manager asks of its window script (implemented by TWindowScript).
class TWindowScriptPort {
public:
  virtual ~TWindowScriptPort() = default;
  // The window stack becomes this window alone (null: empty).
  virtual void SetModalWindow(TWindow* window) = 0;
  virtual void PushWindow(TWindow* window) = 0;
  virtual void PopWindow() = 0;
  // A window is being destroyed: drop it from the window stack.
  virtual void ForgetWindow(TWindow* window) = 0;
  // End of a message's way: queue it for Lua (taking it) or delete it.
  virtual void QueueMessage(TMessage* message) = 0;
  // A close request from the platform: wake the waiting coroutine.
  virtual void OnCloseRequest() = 0;
  // Runs Lua text with `window` as the current window.
  virtual void RunText(TWindow* window, const TString& text) = 0;
  virtual bool ExchangeLabelFlag(bool value) = 0;
  virtual void DefineWindowType(const TString& name, TWindowCreator creator) = 0;
};

// Runs another task from a list without owning it; once the target is
// cleared, the list drops the proxy.
class TTaskProxy : public TTask {
public:
  explicit TTaskProxy(TTask* target) : target(target) {}
  bool IsReady(int pass) override { return !target || target->IsReady(pass); }
  bool DoTask() override { return target ? (target->DoTask(), true) : false; }
  TTask* target;
};

// The hover handler's interface.
class THoverHandler {
public:
  virtual ~THoverHandler() = default;
  virtual bool OnHover(const TPoint& p) = 0;
};

class TWindowManager {
public:
  // The first manager made becomes the process-wide one (GetWindowManager).
  explicit TWindowManager(TWindowEnvironment* environment = nullptr);
  virtual ~TWindowManager();
  TWindowManager(const TWindowManager&) = delete;
  TWindowManager& operator=(const TWindowManager&) = delete;

  TWindowEnvironment* GetEnvironment() { return env_; }
  // Replaces the environment (not owned; null restores the default one).
  void SetEnvironment(TWindowEnvironment* environment);

  // --- Scripting ---
  TWindowScript* GetScript() const { return script_; }
  // Installs the window script: registers the manager's own types and Lua
  // globals and makes the top modal window its current window.
  void SetScript(TWindowScript* script);
  // Lower-level: the port the manager talks to (tests and SetScript).
  void SetScriptPort(TWindowScriptPort* port) { port_ = port; }
  TWindowScriptPort* GetScriptPort() const { return port_; }
  void RunScriptText(TWindow* window, const TString& text);
  bool ExchangeScriptFlag(bool value);
  void RegisterWindowType(const TString& name, TWindowCreator creator);

  // --- Modal stack ---
  TWindow* GetTopModal() const { return modal_.empty() ? nullptr : modal_.back(); }
  TWindow* GetRootWindow() const { return root_; }
  // Bottom first.
  const std::vector<TWindow*>& GetModalStack() const { return modal_; }
  // False (logged, nothing changed, the caller keeps the window) when the
  // window would nest deeper than kMaxWindowDepth.
  bool PushModal(TWindow* window);
  void PopModal();
  // Pops up to and including the window named `name` (or whose id text is
  // `name`) on the way from the top down the parent chain. The root is never
  // popped. False when nothing matched.
  bool PopModalUntil(const TString& name);
  void SetRootWindow(TWindow* window);

  // --- Focus and capture ---
  TWindow* GetFocus() const { return focus_; }
  void SetFocus(TWindow* window);
  void AddCapture(TWindow* window);
  void RemoveCapture(TWindow* window);
  bool IsCaptured(const TWindow* window) const;
  const std::list<TWindow*>& GetCaptureList() const { return capture_; }
  TWindow* GetMouseOver() const { return mouseOver_; }

  // --- Messages ---
  // Appends; the manager owns the message until it is delivered.
  void PostMessage(TMessage* message);
  void DeliverPostedMessages();
  void Deliver(TMessage* message);
  void DeliverToScript(TMessage* message);
  size_t GetPostedCount() const { return posted_.size(); }
  // Listeners are not owned; a listener removes itself before it goes.
  void AddListener(TMessageListener* listener);
  void RemoveListener(TMessageListener* listener);
  // The hot-key fallback: the next character event is dropped (cleared by the next key-down).
  void SetSwallowNextChar(bool value) { swallowNextChar_ = value; }
  bool TakeSwallowNextChar();

  // --- Window lifetime ---
  void QueueDelete(TWindow* window);
  void DeletePendingWindows();
  void ForgetWindow(TWindow* window);
  bool IsPendingDelete(const TWindow* window) const;

  // --- Drawing ---
  void Invalidate() { invalidated_ = true; }
  bool IsInvalidated() const { return invalidated_; }
  void SetTopModalOnly(bool value) { topModalOnly_ = value; }
  void SetDrawingSuspended(bool value) { suspended_ = value; }
  bool IsDrawingSuspended() const { return suspended_; }
  void SetOutline(bool value) { outline_ = value; }
  void SetHoverHandler(THoverHandler* handler) { hover_ = handler; }
  bool OnHover(const TPoint& p) { return hover_ ? hover_->OnHover(p) : false; }
  // Overlay windows are owned by the manager and drawn above everything.
  void AddOverlay(TWindow* window);
  void RemoveOverlay(TWindow* window);
  void HandleEvent(const TPlatformEvent& event);
  void DrawFrame();
  void DrawModalLayers(int pass);
  // A frame is being drawn now.
  bool IsDrawing() const { return drawing_; }
  // Frames drawn so far.
  uint64_t GetFrameCount() const { return frames_; }

  // Frame intervals in milliseconds.
  static constexpr uint32_t kFrameInterval = 12;
  static constexpr uint32_t kBackgroundFrameInterval = 200;
  // A delivery pass stops after this many messages; the rest wait for the next pass.
  static constexpr size_t kMaxDeliveriesPerPass = 10000;

private:
  void RouteMouse(const TPlatformEvent& event, TWindow* top);
  void RouteMouseLeave(TWindow* top);

  TWindowEnvironment defaultEnv_;
  TWindowEnvironment* env_;
  TWindow* root_ = nullptr;
  bool abortPass_ = false;
  uint32_t lastFrameTime_ = 0;
  bool anyFrame_ = false;
  std::vector<TWindow*> modal_;    // back = top
  std::vector<TWindow*> pendingDelete_;
  std::list<TWindow*> overlays_;
  bool suspended_ = false;
  bool topModalOnly_ = false;
  bool invalidated_ = true;
  bool outline_ = false;
  bool captureChanged_ = false;
  bool swallowNextChar_ = false;
  bool destroying_ = false;
  TWindow* mouseOver_ = nullptr;
  std::list<TWindow*> capture_;
  TWindow* focus_ = nullptr;
  TWindowScript* script_ = nullptr;
  TWindowScriptPort* port_ = nullptr;
  std::list<TMessage*> posted_;
  std::vector<TMessageListener*> listeners_;
  THoverHandler* hover_ = nullptr;
  uint64_t frames_ = 0;
  bool deliveryOverflowLogged_ = false;
  bool drawing_ = false;
  TTaskProxy* scriptProxy_ = nullptr;
};

// The process-wide window manager; null when none exists.
TWindowManager* GetWindowManager();
