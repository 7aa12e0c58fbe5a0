// TWindowScript: the Lua state behind the window API. Dialogs, menus and
// screens are Lua scripts that describe windows as nested tables and wait for
// messages in a coroutine. This object registers the native half of the API
// as Lua globals, keeps the window-type registry and the stack of current
// windows, and runs the embedded window library "gScreenInit" (the Lua half).
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "script/bind.h"
#include "script/script.h"
#include "ui/windowmanager.h"

class TWindowStyle;
class TLuaFunction;

// Stock window types every window script registers at construction, in the
// order they were added; "Window" (TWindow) always comes last. The stock
// window library adds its types here before the script is made.
void AddStockWindowType(const TString& name, TWindowCreator creator);

// Called after each window created from Lua, with its style.
class TWindowCreationHook {
public:
  virtual ~TWindowCreationHook() = default;
  virtual void OnWindowCreated(TWindow* window, TWindowStyle& style) = 0;
};

// A movie player ("StartMovie"). There is no player on every platform: a
// factory that returns null (or a host whose Start fails) makes StartMovie
// return false.
class TMovieHost {
public:
  virtual ~TMovieHost() = default;
  virtual bool Start(int flags, bool translate, bool allowInput) = 0;
  virtual bool IsPlaying() = 0;
  virtual void Close() = 0;
};
using TMovieHostFactory = std::function<TMovieHost*(const TString& file)>;

// The embedded window library (Lua 5.1 source).
extern const unsigned char kScreenInitChunk[];
extern const size_t kScreenInitChunkSize;

class TWindowScript : public TScript, public TWindowScriptPort {
public:
  TWindowScript();
  ~TWindowScript() override;

  // --- The window stack ---
  TWindow* GetCurrentWindow() const { return windows_.empty() ? nullptr : windows_.back(); }
  const std::vector<TWindow*>& GetWindowStack() const { return windows_; }
  void PushWindow(TWindow* window) override;
  // Pops unless only one window is left.
  void PopWindow() override;
  void SetModalWindow(TWindow* window) override;
  void ForgetWindow(TWindow* window) override;

  // --- Window types ---
  // Defines the Lua function of the type (a call with a table returns the
  // builder of that window) and stores the creator under the name.
  void DefineWindowType(const TString& name, TWindowCreator creator) override;
  TWindowCreator FindWindowType(const TString& name) const;
  // Creates a window of the style's "typename" inside the current window and
  // makes it current; false (nothing changed) when the type is unknown or the
  // parent refuses it.
  bool GenericCreate(TWindowStyle& style);
  bool AttachNewWindow(TWindow* window, TWindowStyle& style);
  void SetCreationHook(TWindowCreationHook* hook) { hook_ = hook; }
  void SetMovieHostFactory(TMovieHostFactory factory) { movieFactory_ = std::move(factory); }

  // --- Messages ---
  // See TLuaMessageWrapper::QueueToScript.
  bool QueueToScript(TMessage* message, const TLuaFunction* command);
  void QueueMessage(TMessage* message) override;
  void OnCloseRequest() override;
  void RunText(TWindow* window, const TString& text) override;
  bool ExchangeLabelFlag(bool value) override;

  // The bindings of the manager's own globals ("SetTopModalOnly").
  TLuaBindings& GetBindings() { return bindings_; }

protected:
  // The script's step, then the waits for closed windows that a close
  // recorded while Lua code ran (see TakeModalClosed).
  bool Step() override;

private:
  // A coroutine waiting for a modal window to close ("_AwaitClose", called
  // by WaitForCloseMessage and DoMainWindow for the whole of their wait).
  struct TAwaiter {
    std::weak_ptr<TLuaThread> thread;
    TString name;
  };
  // A kModalClosed message for a window some coroutine waits for goes to
  // that coroutine, whichever coroutine is the newest waiter: the one waiting
  // in HandleGetMessage is resumed with it; one busy elsewhere (running a
  // command, say) finds the name in "gClosedWindows" when it looks again.
  // False when nobody waits for it (the message takes the usual way).
  bool TakeModalClosed(TMessage* message, bool isWrapper);
  std::vector<std::shared_ptr<TLuaThread>> AwaitersOf(const TString& name);
  void RecordClosed(const TString& name, bool closed);
  bool IsRecordedClosed(const TString& name);
  int LuaAwaitClose(lua_State* L);

  void RegisterNatives();
  TWindow* Find(const TString& name) const;
  TWindowManager* Manager() const { return GetWindowManager(); }

  int LuaPostCreate(lua_State* L);
  int LuaGetLabel(lua_State* L);
  int LuaRegisterHotkey(lua_State* L);
  int LuaSetLabel(lua_State* L);
  int LuaTagHotKey(lua_State* L);
  int LuaSetBitmap(lua_State* L);
  int LuaSetPosition(lua_State* L);
  int LuaSetCommand(lua_State* L);
  int LuaStripKeyFromLabel(lua_State* L);
  int LuaSetWindowName(lua_State* L);
  int LuaFillRect(lua_State* L);
  int LuaGetTimer(lua_State* L);
  int LuaGetConfig(lua_State* L);
  int LuaIsEnabled(lua_State* L);
  int LuaDoSelectLayer(lua_State* L);
  int LuaEnableWindow(lua_State* L);
  int LuaGetButtonToggleState(lua_State* L);
  int LuaSetButtonToggleState(lua_State* L);
  int LuaPopWindow(lua_State* L);
  int LuaRealSetFocus(lua_State* L);
  int LuaStringToClipboard(lua_State* L);
  int LuaUpdateWindow(lua_State* L);
  int LuaPushModal(lua_State* L);
  int LuaClearModalChildren(lua_State* L);
  int LuaGetWindowDepth(lua_State* L);
  int LuaDoPopModal(lua_State* L);
  int LuaHandleGetMessage(lua_State* L);
  int LuaGenericCreate(lua_State* L);
  int LuaCreateNamedMessage(lua_State* L);
  int LuaCreateCloseMessage(lua_State* L);
  int LuaPostMessage(lua_State* L);
  int LuaPostMessageToParent(lua_State* L);
  int LuaGetString(lua_State* L);
  int LuaStartMovie(lua_State* L);
  int LuaIsMoviePlaying(lua_State* L);
  int LuaStopMovie(lua_State* L);
  int LuaImageLoaded(lua_State* L);
  int LuaDestroyWindow(lua_State* L);
  int LuaDoFitToChildren(lua_State* L);
  int LuaSetScreenClear(lua_State* L);

  std::vector<TWindow*> windows_;
  std::map<TString, TWindowCreator> types_;
  TWindowCreationHook* hook_ = nullptr;
  bool labelFlag_ = false;
  int typeMakerRef_ = LUA_NOREF;
  TMovieHostFactory movieFactory_;
  std::unique_ptr<TMovieHost> movie_;
  TLuaBindings bindings_;
  std::vector<TAwaiter> awaiters_;
};
