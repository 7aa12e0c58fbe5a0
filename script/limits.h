// What a script may spend before it is stopped: running time without
// yielding and the memory of its Lua state.
//
// A TScript makes its state with an allocator that counts every byte and a
// count hook that looks at the clock every kHookInstructions instructions.
// Each time native code runs Lua (a coroutine resumed, a function called, the
// error output) it opens a TLuaEntry, named after what runs. When the entry
// has run longer than the time limit, or its state holds more than the
// memory limit, the hook stops it: it raises the Lua error
//   "<place>: script '<name>' stopped: <reason>"
// and keeps raising it at every instruction and every call until the entry
// has unwound, so pcall inside the script cannot keep it alive. The entry's
// end logs
//   "Lua: stopped '<name>': <reason>"
// straight to the log. A request that would take the state past the memory
// limit is refused by the allocator (Lua's "not enough memory" error) and
// stops the entry the same way.
//
// Time is real time (a steady clock), counted from the entry's start; time
// spent in entries nested inside it (a command started by its native code,
// the error output) does not count for it. A coroutine that is suspended
// counts nothing: its next resume is a new entry.
//
// The limit holds in real time whatever the script calls. A watchdog thread
// per state sleeps until the running entry's time is up; then it arms the hook
// of every thread running in that entry (the entry's own and the coroutines
// Lua code resumed inside it, see TLuaRunning) to fire at the next instruction
// and at every call, so a loop of slow library calls (a full collection of a
// large heap, a long string upper-cased) ends as soon as the call under way
// returns. lua_sethook is the one thing the watchdog does to a state, always
// under the lock that keeps the threads it names alive; a thread armed for an
// entry that is not over goes back to its normal hook the next time the hook
// fires. Library calls that could loop long on a small input are bounded
// themselves (script/library.h, script/patterns.h).
//
// The allocator refuses only inside an entry and never inside a bound native
// function (TLuaNativeScope), so native code that pushes values outside a
// protected call never meets a refusal.
#pragma once
#include <lua.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/string.h"

class TLuaLimits {
public:
  static constexpr int kHookInstructions = 10000;
  // Defaults; the settings "scripttimelimit" (milliseconds) and
  // "scriptmemorylimit" (megabytes) replace them, 0 meaning no limit.
  static constexpr uint32_t kDefaultTimeLimitMs = 5000;
  static constexpr size_t kDefaultMemoryLimit = size_t(256) << 20;

  enum class TReason { kNone, kTime, kMemory };

  // The limits of the settings (or the defaults).
  TLuaLimits();
  ~TLuaLimits();
  TLuaLimits(const TLuaLimits&) = delete;
  TLuaLimits& operator=(const TLuaLimits&) = delete;

  // A new state that allocates through these limits, with the hook installed
  // on its main thread (coroutines made from it inherit the hook).
  lua_State* NewState();

  void SetTimeLimit(uint32_t ms);
  void SetMemoryLimit(size_t bytes) { memoryLimit_ = bytes; }
  uint32_t GetTimeLimit() const { return timeLimitMs_; }
  size_t GetMemoryLimit() const { return memoryLimit_; }
  // Bytes the state holds now.
  size_t GetUsed() const { return used_; }

  // After a script failed: when the state holds more than half the memory
  // limit, what the script left behind is collected now.
  void CollectAfterFailure(lua_State* L);

  // The limits of L's state; null for a state not made by NewState.
  static TLuaLimits* Of(lua_State* L);
  // For native code that may run long inside one call (the pattern
  // matcher): when the running entry is past its limits, it is stopped here
  // as the count hook would stop it (a Lua error).
  static void CheckNow(lua_State* L) { Hook(L, nullptr); }

private:
  friend class TLuaEntry;
  friend class TLuaNativeScope;
  friend class TLuaRunning;
  class TWatchdog;
  using TClock = std::chrono::steady_clock;
  struct TEntry {
    TClock::time_point start;
    const TString* name;
    lua_State* thread;
    TReason stopped;
    int savedNativeDepth;
    size_t firstRunning;  // where its threads begin in running_
    bool armed;           // the watchdog found it over its time
  };
  static void* Alloc(void* ud, void* ptr, size_t osize, size_t nsize);
  static void Hook(lua_State* L, lua_Debug* ar);
  static TString Describe(const TLuaLimits& limits, TReason reason);
  bool OverTime(const TEntry& entry, TClock::time_point now) const;
  // Arms the hook of every thread running in the innermost entry (the
  // watchdog's lock held).
  void ArmRunning();
  void StartWatchdog();
  // The watchdog's lock; none while there is no watchdog (no other thread
  // reads the limits then).
  std::unique_lock<std::mutex> Lock();
  // Back to the normal count hook.
  static void Disarm(lua_State* L);

  size_t used_ = 0;
  size_t memoryLimit_;
  uint32_t timeLimitMs_;
  int nativeDepth_ = 0;
  // Written by the main thread only, with the watchdog's lock held; the
  // watchdog reads them under the lock (entries' `armed` it also writes).
  std::vector<TEntry> entries_;
  std::vector<lua_State*> running_;  // threads running now, innermost last
  std::unique_ptr<TWatchdog> watchdog_;
  bool watchdogFailed_ = false;  // no thread could be started for it
};

// Native code running Lua code of a limited state, for as long as it lives.
// `thread` is the thread that runs (its hook is put back after a stop);
// `name` names the script in the log and must outlive the entry.
class TLuaEntry {
public:
  TLuaEntry(lua_State* thread, const TString& name);
  ~TLuaEntry();
  TLuaEntry(const TLuaEntry&) = delete;
  TLuaEntry& operator=(const TLuaEntry&) = delete;

private:
  TLuaLimits* limits_;
};

// A coroutine resumed by Lua code (coroutine.resume, a function made by
// coroutine.wrap), for as long as it runs: the watchdog arms its hook too.
class TLuaRunning {
public:
  explicit TLuaRunning(lua_State* co);
  ~TLuaRunning();
  TLuaRunning(const TLuaRunning&) = delete;
  TLuaRunning& operator=(const TLuaRunning&) = delete;

private:
  TLuaLimits* limits_;
};

// A bound native function running: the allocator does not refuse meanwhile.
class TLuaNativeScope {
public:
  explicit TLuaNativeScope(lua_State* L);
  ~TLuaNativeScope();
  TLuaNativeScope(const TLuaNativeScope&) = delete;
  TLuaNativeScope& operator=(const TLuaNativeScope&) = delete;

private:
  TLuaLimits* limits_;
};
