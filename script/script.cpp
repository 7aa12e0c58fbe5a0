#include "script/script.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "platform/folders.h"
#include "platform/log.h"
#include "script/library.h"
#include "script/patterns.h"
#include "script/scriptcode.h"

namespace {

long gLiveThreads = 0;  // suspended and running coroutines of every TScript

int Panic(lua_State* L) {
  TraceOut("Lua panic: %s", LuaErrorText(L, -1).c_str());
  return 0;
}

int LoadFileOn(lua_State* L, const TString& fileName) {
  boost::shared_ptr<TScriptCode> code = TScriptCode::Get(fileName);
  if (!code) {
    lua_pushfstring(L, "cannot read %s", fileName.c_str());
    return LUA_ERRFILE;
  }
  return code->Push(L);
}

// _ALERT(text): the error output; writes the text to the log and returns it.
int AlertFn(lua_State* L) {
  TraceOut("%s", LuaErrorText(L, 1).c_str());
  lua_settop(L, 1);
  return 1;
}

// DebugOut(...): its arguments, separated by blanks, to the log.
int DebugOutFn(lua_State* L) {
  TString text;
  for (int i = 1, n = lua_gettop(L); i <= n; ++i) {
    if (i > 1) text += " ";
    if (lua_isstring(L, i)) text += LuaToText(L, i);
    else if (lua_isboolean(L, i)) text += lua_toboolean(L, i) ? "true" : "false";
    else text += luaL_typename(L, i);
  }
  TraceOut("%s", text.c_str());
  return 0;
}

// nil and a message: the failure results of the loading functions.
int LoadFailure(lua_State* L, const char* message) {
  lua_pushnil(L);
  lua_pushstring(L, message);
  return 2;
}

// loadfile(name): the chunk as a function, or nil and a message. Names go
// through the file layer and name the game's assets only: a script never
// reaches a file by its disk path, nor the player's or the desktop's folders.
int LoadFileFn(lua_State* L) {
  TString name = luaL_checkstring(L, 1);
  if (!IsAssetName(name))
    return LoadFailure(L, TString::Printf("cannot read %s: scripts load the game's assets only", name.c_str()).c_str());
  if (LoadFileOn(L, name) == 0) return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

// Source text only: a precompiled chunk made at run time could do anything
// to the interpreter.
int LoadText(lua_State* L, const char* text, size_t size, const char* chunkName) {
  if (size > 0 && text[0] == LUA_SIGNATURE[0]) return LoadFailure(L, "precompiled chunks are not accepted");
  if (luaL_loadbuffer(L, text, size, chunkName) == 0) return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

// loadstring(text [, chunk name]).
int LoadStringFn(lua_State* L) {
  size_t size = 0;
  const char* text = luaL_checklstring(L, 1, &size);
  return LoadText(L, text, size, luaL_optstring(L, 2, text));
}

// load(reader [, chunk name]): the pieces the reader returns, joined.
int LoadFn(lua_State* L) {
  luaL_checktype(L, 1, LUA_TFUNCTION);
  const char* chunkName = luaL_optstring(L, 2, "=(load)");
  lua_settop(L, 2);
  std::string text;
  for (;;) {
    lua_pushvalue(L, 1);
    lua_call(L, 0, 1);
    if (lua_isnil(L, -1)) break;
    if (!lua_isstring(L, -1)) luaL_error(L, "reader function must return a string");
    size_t size = 0;
    const char* piece = lua_tolstring(L, -1, &size);
    if (size == 0) break;
    if (text.size() + size > TScript::kMaxScriptSize) luaL_error(L, "chunk too large");
    text.append(piece, size);
    lua_pop(L, 1);
  }
  lua_settop(L, 2);
  return LoadText(L, text.data(), text.size(), chunkName);
}

// xpcall(f, handler): the handler runs after the failed call has unwound, as
// ordinary code. (Lua's own runs it at the point of the error with hooks off,
// where a stopped script could not be stopped again.)
int XpcallFn(lua_State* L) {
  luaL_checkany(L, 2);
  lua_settop(L, 2);
  lua_pushvalue(L, 1);
  if (lua_pcall(L, 0, LUA_MULTRET, 0) == 0) {
    lua_pushboolean(L, 1);
    lua_insert(L, 3);
    return lua_gettop(L) - 2;
  }
  lua_pushvalue(L, 2);
  lua_insert(L, -2);
  if (lua_pcall(L, 1, 1, 0) != 0) {
    lua_pop(L, 1);
    lua_pushliteral(L, "error in error handling");
  }
  lua_pushboolean(L, 0);
  lua_insert(L, -2);
  return 2;
}

// What scripts get: the base library (with the loaders above), coroutines,
// string, table and math (the functions that could run long inside one call
// bounded, patterns.h and library.h), and of the os library the clock and the
// date. No io, package, debug, os.execute and the like.
void OpenLibraries(lua_State* L) {
  const std::pair<const char*, lua_CFunction> libraries[] = {
      {"", luaopen_base}, {LUA_TABLIBNAME, luaopen_table}, {LUA_STRLIBNAME, luaopen_string},
      {LUA_MATHLIBNAME, luaopen_math}, {LUA_OSLIBNAME, luaopen_os}};
  for (const auto& library : libraries) {
    lua_pushcfunction(L, library.second);
    lua_pushstring(L, library.first);
    lua_call(L, 1, 0);
  }
  // Pattern matching, and the library calls that could loop long, that a
  // script's limits can stop.
  InstallBoundedPatterns(L);
  InstallBoundedLibrary(L);
  // os: only time, clock and date.
  LuaRawGetField(L, LUA_GLOBALSINDEX, "os");
  lua_newtable(L);
  for (const char* name : {"time", "clock", "date"}) {
    LuaRawGetField(L, -2, name);
    LuaRawSetField(L, -2, name);
  }
  LuaRawSetField(L, LUA_GLOBALSINDEX, "os");
  lua_pop(L, 1);
  // newproxy would let a script run its own code from the collector, even
  // while the state closes.
  lua_pushnil(L);
  LuaRawSetField(L, LUA_GLOBALSINDEX, "newproxy");
  lua_register(L, "xpcall", XpcallFn);
  lua_register(L, "load", LoadFn);
  lua_register(L, "loadstring", LoadStringFn);
}

// _RunCommand(f): see TScript::RunCommand.
int RunCommandFn(lua_State* L) {
  TScript* script = TScript::FromState(L);
  TLuaNativeScope native(L);
  return script ? script->RunCommand(L) : 0;
}

// A Lua function, so that a file it runs may wait.
const char kDoFile[] =
    "local loadfile, error = loadfile, error\n"
    "function dofile(name)\n"
    "  local chunk, message = loadfile(name)\n"
    "  if not chunk then error(message, 2) end\n"
    "  return chunk()\n"
    "end\n";

}  // namespace

// --- TLuaThread ---------------------------------------------------------------

TLuaThread::TLuaThread(TScript* script, const TString& name)
    : script_(script), info_(GetLuaStateInfo(script->GetState())), name_(name) {}

TLuaThread::~TLuaThread() {
  if (info_->alive && ref_ != LUA_NOREF) luaL_unref(info_->main, LUA_REGISTRYINDEX, ref_);
}

TLuaThread::TResult TLuaThread::Resume(lua_State* from, int nargs) {
  if (!info_->alive) {
    TraceOut("lua_resume ERROR: the state of this coroutine is closed");
    return TResult::kRefused;
  }
  std::shared_ptr<TLuaThread> self = script_->FindThread(co_);
  if (!self || self.get() != this) {
    // Finished or failed: the script no longer holds it.
    if (!from) from = script_->GetState();
    lua_pop(from, std::max(0, std::min(nargs, lua_gettop(from))));
    ReportLuaError(script_->GetState(), "lua_resume ERROR: cannot resume dead coroutine");
    return TResult::kRefused;
  }
  return script_->ResumeThread(self, from, nargs, nullptr);
}

// --- TScript ------------------------------------------------------------------

TScript::TScript() : limits_(std::make_unique<TLuaLimits>()) {
  L_ = limits_->NewState();
  lua_atpanic(L_, Panic);
  OpenLibraries(L_);
  info_ = GetLuaStateInfo(L_);
  info_->script = this;
  DefineGlobals();
  Schedule(0, true, true, false);  // every pass
}

TScript::~TScript() {
  for (auto& thread : threads_) {
    luaL_unref(L_, LUA_REGISTRYINDEX, thread->ref_);
    thread->ref_ = LUA_NOREF;
    thread->co_ = nullptr;
    thread->state_ = TLuaThread::TState::kDead;
  }
  gLiveThreads -= long(threads_.size());
  threads_.clear();
  info_->script = nullptr;
  MarkLuaStateClosed(L_);
  lua_close(L_);
}

void TScript::DefineGlobals() {
  lua_register(L_, "_ALERT", AlertFn);
  lua_register(L_, "DebugOut", DebugOutFn);
  lua_register(L_, "loadfile", LoadFileFn);
  lua_register(L_, "_RunCommand", RunCommandFn);
  if (luaL_loadbuffer(L_, kDoFile, sizeof kDoFile - 1, "=dofile") || lua_pcall(L_, 0, 0, 0)) {
    TraceOut("TScript: %s", LuaErrorText(L_, -1).c_str());
    lua_pop(L_, 1);
  }
}

long TScript::LiveThreadCount() { return gLiveThreads; }

void TScript::Abandon(const std::shared_ptr<TLuaThread>& thread) {
  if (!thread || thread->script_ != this || !thread->IsSuspended() || !thread->joiner_.expired() ||
      FindThread(thread->co_) != thread)
    return;
  thread->state_ = TLuaThread::TState::kDead;
  Forget(thread.get());
}

TScript* TScript::FromState(lua_State* L) { return L ? GetLuaStateInfo(L)->script : nullptr; }

int TScript::LoadFile(const TString& fileName) { return LoadFileOn(L_, fileName); }

int TScript::LoadChunk(const uint8_t* data, size_t size, const TString& chunkName) {
  return LuaLoadBuffer(L_, data, size, chunkName.c_str());
}

bool TScript::RunFile(const TString& fileName) {
  int status = LoadFile(fileName);
  if (status != 0) {
    TString message = LuaErrorText(L_, -1);
    lua_pop(L_, 1);
    ReportLuaError(L_, TString::Printf("Lua Error: %s\n\twhen %s", message.c_str(), fileName.c_str()));
  } else {
    std::shared_ptr<TLuaThread> thread = StartThread(0, fileName);
    if (thread && thread->GetStatus() != TLuaThread::TState::kDead) return true;
    status = LUA_ERRRUN;
  }
  ReportLuaError(L_, TString::Printf("Failed to run script %s: %d", fileName.c_str(), status));
  return false;
}

bool TScript::DoLuaString(const TString& text, const TString& what) {
  if (luaL_loadbuffer(L_, text.c_str(), static_cast<size_t>(text.Length()), text.c_str()) != 0) {
    TString message = LuaErrorText(L_, -1);
    lua_pop(L_, 1);
    ReportLuaError(L_, TString::Printf("Lua Error: %s\n\twhen %s", message.c_str(), what.c_str()));
    return false;
  }
  std::shared_ptr<TLuaThread> thread = StartThread(0, what);
  return thread && thread->GetStatus() != TLuaThread::TState::kDead;
}

std::shared_ptr<TLuaThread> TScript::StartThread(int nargs, const TString& what) {
  if (lua_gettop(L_) < 1) {
    ReportLuaError(L_, TString::Printf("Lua Error: no function to run\n\twhen %s", what.c_str()));
    return nullptr;
  }
  nargs = std::max(0, std::min(nargs, lua_gettop(L_) - 1));
  if (threads_.size() >= kMaxThreads) {
    lua_pop(L_, nargs + 1);
    ReportLuaError(L_, TString::Printf("Lua Error: %zu coroutines are suspended already\n\twhen %s", threads_.size(),
                                       what.c_str()));
    return nullptr;
  }
  std::shared_ptr<TLuaThread> thread(new TLuaThread(this, what));
  thread->co_ = lua_newthread(L_);
  thread->ref_ = luaL_ref(L_, LUA_REGISTRYINDEX);
  threads_.push_back(thread);
  ++gLiveThreads;
  if (!lua_checkstack(thread->co_, nargs + 1 + LUA_MINSTACK)) {
    lua_pop(L_, nargs + 1);
    thread->state_ = TLuaThread::TState::kDead;
    Forget(thread.get());
    ReportLuaError(L_, TString::Printf("Lua Error: stack overflow\n\twhen %s", what.c_str()));
    return thread;
  }
  lua_xmove(L_, thread->co_, nargs + 1);
  if (ResumeThread(thread, thread->co_, nargs, &what) == TLuaThread::TResult::kRefused) {
    thread->state_ = TLuaThread::TState::kDead;
    Forget(thread.get());
  }
  return thread;
}

TLuaThread::TResult TScript::ResumeThread(const std::shared_ptr<TLuaThread>& thread, lua_State* from, int nargs,
                                          const TString* startWhat) {
  using TState = TLuaThread::TState;
  using TResult = TLuaThread::TResult;
  if (!from) from = L_;
  nargs = std::max(0, std::min(nargs, lua_gettop(from)));
  auto refuse = [&](const char* why) {
    if (from != thread->co_ || thread->state_ != TState::kFresh) lua_pop(from, nargs);
    ReportLuaError(L_, TString::Printf("lua_resume ERROR: %s", why));
    return TResult::kRefused;
  };
  if (thread->state_ == TState::kFinished || thread->state_ == TState::kDead)
    return refuse("cannot resume dead coroutine");
  if (thread->state_ == TState::kRunning) return refuse("cannot resume non-suspended coroutine");
  if (info_->running >= kMaxDepth) return refuse("C stack overflow (coroutines resumed inside one another)");

  lua_State* co = thread->co_;
  if (thread->state_ == TState::kSuspended) {
    lua_settop(co, 0);  // the values of the previous yield
    if (!lua_checkstack(co, nargs + LUA_MINSTACK)) return refuse("stack overflow");
    lua_xmove(from, co, nargs);
  }
  if (thread->waitState_ == TLuaThread::kWaiting) thread->waitState_ = 0;
  thread->hasTimeout_ = false;
  thread->state_ = TState::kRunning;
  int status;
  {
    TLuaEntry entry(co, thread->name_);
    ++info_->running;
    status = lua_resume(co, nargs);
    --info_->running;
  }

  if (status == LUA_YIELD) {
    thread->state_ = TState::kSuspended;
    return TResult::kYielded;
  }
  if (status == 0) {
    thread->state_ = TState::kFinished;
    Forget(thread.get());
    ResumeJoiner(thread.get());
    return TResult::kFinished;
  }
  thread->error_ = LuaErrorText(co, -1);
  TString trace = LuaTraceback(co);
  thread->state_ = TState::kDead;
  Forget(thread.get());
  limits_->CollectAfterFailure(L_);
  if (startWhat)
    ReportLuaError(L_, TString::Printf("Lua Error: %s\n\twhen %s", thread->error_.c_str(), startWhat->c_str()));
  else
    ReportLuaError(L_, TString::Printf("lua_resume ERROR: %s", thread->error_.c_str()));
  TraceOut("%s", trace.c_str());
  ResumeJoiner(thread.get());
  return TResult::kError;
}

void TScript::Forget(const TLuaThread* thread) {
  auto it = std::find_if(threads_.begin(), threads_.end(), [&](const auto& t) { return t.get() == thread; });
  if (it == threads_.end()) return;
  std::shared_ptr<TLuaThread> keep = *it;
  threads_.erase(it);
  --gLiveThreads;
  luaL_unref(L_, LUA_REGISTRYINDEX, keep->ref_);
  keep->ref_ = LUA_NOREF;
  keep->co_ = nullptr;
}

std::shared_ptr<TLuaThread> TScript::FindThread(lua_State* co) const {
  if (!co) return nullptr;
  for (const auto& t : threads_)
    if (t->co_ == co) return t;
  return nullptr;
}

int TScript::Resume(int nargs) {
  std::shared_ptr<TLuaThread> thread = GetCurrentThread();
  if (!thread) {
    lua_pop(L_, std::max(0, std::min(nargs, lua_gettop(L_))));
    ReportLuaError(L_, "lua_resume ERROR: no suspended coroutine to resume");
    return 0;
  }
  TLuaThread::TResult result = ResumeThread(thread, L_, nargs, nullptr);
  return result == TLuaThread::TResult::kYielded || result == TLuaThread::TResult::kFinished;
}

bool TScript::IsRunning() const { return info_->running > 0; }

bool TScript::IsSuspended() const {
  if (IsRunning()) return false;
  return std::any_of(threads_.begin(), threads_.end(), [](const auto& t) { return t->IsSuspended(); });
}

bool TScript::IsWaiting() const {
  if (IsRunning()) return false;
  return std::any_of(threads_.begin(), threads_.end(), [](const auto& t) { return t->IsWaiting(); });
}

std::shared_ptr<TLuaThread> TScript::GetCurrentThread() const {
  for (auto it = threads_.rbegin(); it != threads_.rend(); ++it)
    if ((*it)->IsWaiting()) return *it;
  for (auto it = threads_.rbegin(); it != threads_.rend(); ++it)
    if ((*it)->IsSuspended() && (*it)->waitState_ != TLuaThread::kJoining) return *it;
  return nullptr;
}

const char* TScript::CannotWait(lua_State* L, std::shared_ptr<TLuaThread>* thread) const {
  std::shared_ptr<TLuaThread> found = FindThread(L);
  if (thread) *thread = found;
  if (!found || found->state_ != TLuaThread::TState::kRunning) return "attempt to yield from outside a coroutine";
  lua_Debug ar;
  for (int level = 1; lua_getstack(L, level, &ar); ++level)
    if (lua_getinfo(L, "S", &ar) && ar.what && std::strcmp(ar.what, "C") == 0)
      return "attempt to yield across metamethod/C-call boundary";
  return nullptr;
}

int TScript::Wait(lua_State* L, int nresults, int timeoutMs) {
  nresults = std::max(0, std::min(nresults, lua_gettop(L)));
  std::shared_ptr<TLuaThread> thread;
  if (const char* why = CannotWait(L, &thread)) {
    // A wait that cannot yield fails; it must never return at once, or a
    // loop that waits in it would spin for ever.
    TString where = LuaWhere(L, 1);
    lua_Debug ar;
    for (int level = 1; lua_getstack(L, level, &ar); ++level) {
      if (lua_getinfo(L, "l", &ar) && ar.currentline > 0) {
        where = LuaWhere(L, level);
        break;
      }
    }
    if (info_->reportedWaits.insert(where.str()).second)
      TraceOut("TScript::Wait: %s at %s\n%s", why, where.c_str(), LuaTraceback(L).c_str());
    return luaL_error(L, "%s", why);
  }
  thread->waitState_ = TLuaThread::kWaiting;
  thread->hasTimeout_ = timeoutMs >= 0;
  if (thread->hasTimeout_) thread->due_ = GetClock()->GetTime() + static_cast<uint32_t>(timeoutMs);
  return lua_yield(L, nresults);
}

int TScript::RunCommand(lua_State* L) {
  luaL_checktype(L, 1, LUA_TFUNCTION);
  std::shared_ptr<TLuaThread> caller;
  bool canJoin = CannotWait(L, &caller) == nullptr;
  if (!lua_checkstack(L_, 2)) return 0;
  lua_pushvalue(L, 1);
  lua_xmove(L, L_, 1);
  static const TString kWhat("running a command");
  std::shared_ptr<TLuaThread> command = StartThread(0, kWhat);
  if (!command || !command->IsSuspended() || !canJoin) return 0;
  // The caller goes on when the command is done (ResumeJoiner).
  command->joiner_ = caller;
  caller->waitState_ = TLuaThread::kJoining;
  caller->hasTimeout_ = false;
  return lua_yield(L, 0);
}

void TScript::ResumeJoiner(TLuaThread* done) {
  std::shared_ptr<TLuaThread> joiner = done->joiner_.lock();
  done->joiner_.reset();
  if (!joiner || !joiner->IsSuspended() || joiner->waitState_ != TLuaThread::kJoining) return;
  // Plain suspended from now on: when it cannot be resumed here (too deep),
  // the task step resumes it.
  joiner->waitState_ = 0;
  ResumeThread(joiner, L_, 0, nullptr);
}

bool TScript::Step() {
  if (IsRunning()) return true;  // run from inside Lua: the next pass does it
  uint32_t now = GetClock()->GetTime();
  std::vector<std::shared_ptr<TLuaThread>> snapshot = threads_;
  for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
    const std::shared_ptr<TLuaThread>& thread = *it;
    if (!thread->IsSuspended() || thread->waitState_ == TLuaThread::kJoining) continue;
    if (thread->waitState_ != TLuaThread::kWaiting) {
      ResumeThread(thread, L_, 0, nullptr);
    } else if (thread->hasTimeout_ && TimeReached(now, thread->due_)) {
      lua_pushnil(L_);
      ResumeThread(thread, L_, 1, nullptr);
    }
  }
  return true;
}

void TScript::SetGlobalString(const TString& name, const TString& value) {
  PushLuaString(L_, name);
  PushLuaString(L_, value);
  lua_rawset(L_, LUA_GLOBALSINDEX);
}
