// Scripting: Lua 5.1 states run as framework tasks, script texts run in
// coroutines that can wait, and the bindings that tie Lua to native objects.
// Depends on platform/ only (tasks, log, file reading).
//
// The pieces:
//   script/luaapi.h    the Lua headers, PushLuaString, lua_pushuserpointer,
//                      the conversions of PopString / PopBool / PopRect
//   script/bind.h      TLuaBindings: members and functions bound as globals,
//                      undone when their object dies
//   script/luaobject.h TLuaObjectWrapper, TLuaTable, TLuaFunction
//   script/scriptcode.h TScriptCode, a script file's code as an asset
//   script/script.h    TScript and TLuaThread (this file)
//
// The coroutine model. Every text a TScript runs (RunFile, DoLuaString,
// StartThread) runs in a coroutine of its own, a TLuaThread. A text that
// ends, or fails, is discarded at once. A text that waits stays suspended:
//   - in TScript::Wait, called by a native function (the toolkit's
//     "HandleGetMessage": `return script->Wait(L, 1, timeout);`). The thread
//     is then "waiting" (wait state 3) until Resume hands it values, which
//     become the native function's results, or until its timeout passes and
//     the task step resumes it with nil;
//   - in coroutine.yield() from Lua (the library's "Yield"): the task step
//     resumes it with no values on each later pass.
// Texts that wait stack up, newest on top: a dialog opened by a text run while
// another dialog waits gets the messages first (Resume picks the newest
// waiter), and when it ends the older one is current again.
//
// A wait where nothing can yield fails with a Lua error at the script's place
// (each place is also logged once): "attempt to yield from outside a
// coroutine" on the main thread or in a coroutine that Lua code created
// itself, "attempt to yield across metamethod/C-call boundary" across a C
// function such as pcall (Lua raises the same for waits inside metamethods
// and iterators). It never returns at once, so a loop that waits cannot spin.
//
// "_RunCommand"(f) runs f in a coroutine of its own: an error ends only that
// coroutine (logged like any other), while f may still wait. When the caller
// can wait itself it waits until f is done, so f's waits look like its own;
// the window library runs button commands this way.
//
// Running time and memory are limited (script/limits.h): a script that runs
// too long without yielding, or whose state grows past the memory limit, is
// stopped with a log line naming it, and everything else goes on.
//
// Errors never stop the caller. They go to the error output (the Lua global
// "_ALERT"; ours writes to the log) as:
//   "Lua Error: %s\n\twhen %s"   a text or file that fails to compile, or
//                                fails before it first waits
//   "Failed to run script %s: %d" after that for RunFile (%d: the Lua
//                                error code, LUA_ERRFILE 6 for a missing file)
//   "lua_resume ERROR: %s"       a coroutine that fails after a resume, or a
//                                resume that is refused (a finished or dead
//                                coroutine, a running one, nothing to resume)
// Run errors are followed by a "stack traceback:" log line.
//
// Script files are read through the file layer, so pack archives and the
// asset folder work, and held as TScriptCode assets (script/scriptcode.h): a
// file whose code is alive is not read again. A file may hold Lua source (a
// UTF-8 byte-order mark is skipped) or a chunk precompiled by Lua 5.1
// (lua_dump or luac of the same build; precompiled chunks are trusted code:
// Lua 5.1 checks their structure but cannot make a hostile one safe). The Lua globals "loadfile" and "dofile" read
// through the file layer too; "dofile" is a Lua function, so a file it runs
// may wait.
//
// The state also gets "_ALERT" (text -> log; returns the text, so it can
// serve as an error handler) and "DebugOut" (its arguments -> log).
//
// Scripts come from data files, so the state holds only what they need: the
// base library, coroutines, string, table, math, and os.time, os.clock and
// os.date. There is no io, package (so no require), debug, newproxy or any
// other os function. "loadfile" and "dofile" refuse disk paths (a name
// starting with "/"); "load" and "loadstring" take source text only.
//
// Everything runs on the main thread.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/task.h"
#include "script/bind.h"
#include "script/limits.h"
#include "script/luaobject.h"

class TScript;

// One coroutine of a TScript, anchored in the registry while it can run.
class TLuaThread {
public:
  enum class TState { kFresh, kRunning, kSuspended, kFinished, kDead };
  enum class TResult { kYielded, kFinished, kError, kRefused };
  static constexpr int kWaiting = 3;  // wait state while waiting in TScript::Wait
  static constexpr int kJoining = 4;  // wait state while waiting for a command (_RunCommand)

  ~TLuaThread();
  TLuaThread(const TLuaThread&) = delete;
  TLuaThread& operator=(const TLuaThread&) = delete;

  // The coroutine's own stack; null once it finished or failed.
  lua_State* GetState() const { return co_; }
  TState GetStatus() const { return state_; }
  bool IsSuspended() const { return state_ == TState::kSuspended; }
  bool IsWaiting() const { return IsSuspended() && waitState_ == kWaiting; }
  // 1 until the first wait, 3 while waiting, 0 once resumed after a wait.
  int GetWaitState() const { return waitState_; }
  // What it runs (the file name or the description given).
  const TString& GetName() const { return name_; }
  // The message of the error that ended it.
  const TString& GetError() const { return error_; }

  // Resumes it with the `nargs` values on top of `from` (a thread of the same
  // state; null means the main thread). The values are popped in every case.
  // A coroutine that is not suspended is refused with a "lua_resume ERROR"
  // line; so is one whose TScript is gone.
  TResult Resume(lua_State* from, int nargs);

private:
  friend class TScript;
  TLuaThread(TScript* script, const TString& name);

  TScript* script_;
  std::shared_ptr<TLuaStateInfo> info_;
  lua_State* co_ = nullptr;
  int ref_ = LUA_NOREF;
  TState state_ = TState::kFresh;
  int waitState_ = 1;
  bool hasTimeout_ = false;
  uint32_t due_ = 0;
  TString name_;
  TString error_;
  std::weak_ptr<TLuaThread> joiner_;  // resumed when this one ends
};

// A Lua state run as a task. Add it to a task list (its step fires wait
// timeouts and resumes yielded coroutines) or call DoTask yourself. Never
// destroy it from inside its own Lua code.
class TScript : public TAnimTask {
public:
  static constexpr size_t kMaxThreads = 64;  // suspended coroutines at once
  static constexpr int kMaxDepth = 32;       // coroutines resumed inside one another
  static constexpr size_t kMaxScriptSize = 16u << 20;

  TScript();
  ~TScript() override;
  TScript(const TScript&) = delete;
  TScript& operator=(const TScript&) = delete;

  // The main thread of the state.
  lua_State* GetState() const { return L_; }
  // Its time and memory limits (script/limits.h).
  TLuaLimits& GetLimits() { return *limits_; }
  // The TScript of a state (any of its threads); null for other states.
  static TScript* FromState(lua_State* L);

  // Reads the file through the file layer and runs it in a new coroutine.
  // False when it could not be read or compiled, or failed before it first
  // waited (all logged); true when it finished or waits.
  bool RunFile(const TString& fileName);
  // Compiles the text and runs it in a new coroutine; false when it failed
  // (logged as "Lua Error: %s\n\twhen <what>").
  bool DoLuaString(const TString& text, const TString& what);
  // Runs the function below the `nargs` values on top of the main stack (all
  // popped) in a new coroutine. Failures are logged as for DoLuaString, with
  // `what`. Null when refused (too many suspended coroutines, logged).
  std::shared_ptr<TLuaThread> StartThread(int nargs, const TString& what);

  // Compiling without running: each pushes the chunk's function and returns
  // 0, or pushes an error message and returns a Lua error code (LUA_ERRFILE
  // for a file that cannot be read, LUA_ERRSYNTAX, LUA_ERRMEM).
  int LoadFile(const TString& fileName);
  int LoadChunk(const uint8_t* data, size_t size, const TString& chunkName);

  // Resumes the current coroutine (the newest waiting one, or when none
  // waits the newest suspended one) with the `nargs` values on top of the
  // main stack, which are popped. Non-zero when it ran (it may have finished,
  // waited again or failed; a failure is logged); 0 when there was nothing to
  // resume (logged).
  int Resume(int nargs);
  // Lua code of this state is running now.
  bool IsRunning() const;
  // No Lua code runs and some coroutine is suspended.
  bool IsSuspended() const;
  // No Lua code runs and some coroutine waits in Wait.
  bool IsWaiting() const;
  // The coroutine Resume would resume; null when none.
  std::shared_ptr<TLuaThread> GetCurrentThread() const;
  // The coroutine whose stack is `co`, while it is suspended or running; null otherwise.
  std::shared_ptr<TLuaThread> GetThread(lua_State* co) const { return FindThread(co); }
  // The coroutines alive now (suspended or running): a text that waits for
  // good shows up here.
  size_t GetThreadCount() const { return threads_.size(); }
  // The same over every TScript of the process.
  static long LiveThreadCount();
  // Ends a suspended coroutine of this state without resuming it, as if it
  // had failed: for a coroutine whose work is gone (the animation of a
  // sprite that was destroyed), which would otherwise wait for its next step
  // and count against kMaxThreads until then. A running coroutine, one that
  // another waits for (a command) and one of another state are left alone.
  void Abandon(const std::shared_ptr<TLuaThread>& thread);

  // For a native function running on L: makes its coroutine wait, yielding
  // the `nresults` values on top of L; with timeoutMs >= 0 the task step
  // resumes it with nil once that many milliseconds of the task's clock have
  // passed. Return its result from the native function:
  //     return script->Wait(L, 0, timeout);
  // Where nothing can yield it raises the Lua error "attempt to yield ..."
  // (see the top of this file).
  int Wait(lua_State* L, int nresults, int timeoutMs = -1);
  // "_RunCommand": runs the function at index 1 of L in a coroutine of its
  // own; when L can wait and the function waits, L waits until it is done.
  // Returns like a native function.
  int RunCommand(lua_State* L);

  // Convert the value on top of L (the main thread by default) and pop it:
  // see LuaPopString, LuaPopBool and LuaPopRect in script/luaapi.h.
  TString PopString(lua_State* L = nullptr) { return LuaPopString(L ? L : L_); }
  bool PopBool(lua_State* L = nullptr) { return LuaPopBool(L ? L : L_); }
  TRect PopRect(lua_State* L = nullptr) { return LuaPopRect(L ? L : L_); }

  // Sets the global to the text (raw set: no metamethods run).
  void SetGlobalString(const TString& name, const TString& value);

protected:
  // Fires wait timeouts (resume with nil) and resumes coroutines that
  // yielded from Lua; always true.
  bool Step() override;

private:
  friend class TLuaThread;
  TLuaThread::TResult ResumeThread(const std::shared_ptr<TLuaThread>& thread, lua_State* from, int nargs,
                                   const TString* startWhat);
  std::shared_ptr<TLuaThread> FindThread(lua_State* co) const;
  // Null when L can wait now; else the "attempt to yield ..." text.
  const char* CannotWait(lua_State* L, std::shared_ptr<TLuaThread>* thread) const;
  // Resumes the thread waiting for `done` (RunCommand), if any.
  void ResumeJoiner(TLuaThread* done);
  void Forget(const TLuaThread* thread);
  void DefineGlobals();

  std::unique_ptr<TLuaLimits> limits_;
  lua_State* L_ = nullptr;
  std::shared_ptr<TLuaStateInfo> info_;
  std::vector<std::shared_ptr<TLuaThread>> threads_;  // suspended ones and the running ones, oldest first
};
