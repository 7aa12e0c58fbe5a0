#include "script/limits.h"

#include <lauxlib.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/log.h"
#include "platform/settings.h"

namespace {

using TClockType = std::chrono::steady_clock;

// The hook of a thread that runs normally, and of one armed to stop at its
// next instruction or call.
constexpr int kNormalMask = LUA_MASKCOUNT;
constexpr int kArmedMask = LUA_MASKCOUNT | LUA_MASKCALL;

// How often the watchdog arms the hooks again while an entry stays over its
// time (an arming that raced with the hook's own count is not lost for long).
constexpr std::chrono::milliseconds kRearmEvery(50);

}  // namespace

// --- the watchdog ----------------------------------------------------------------

class TLuaLimits::TWatchdog {
public:
  explicit TWatchdog(TLuaLimits& limits) : limits_(limits), thread_([this] { Run(); }) {}
  ~TWatchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  // After an entry began or the limit changed (the lock held): an idle
  // watchdog has no time to wake at and must look again.
  bool NeedsWaking() const { return idle_; }
  void Wake() { wake_.notify_one(); }

  std::mutex mutex;

private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!quit_) {
      if (limits_.entries_.empty() || limits_.timeLimitMs_ == 0) {
        idle_ = true;
        wake_.wait(lock);
        idle_ = false;
        continue;
      }
      const TEntry& entry = limits_.entries_.back();
      if (!limits_.OverTime(entry, TClock::now())) {
        // The entry may end, or another begin, meanwhile: looked at again then.
        wake_.wait_until(lock, entry.start + std::chrono::milliseconds(limits_.timeLimitMs_) +
                                   std::chrono::milliseconds(1));
        continue;
      }
      limits_.ArmRunning();
      wake_.wait_for(lock, kRearmEvery);
    }
  }

  TLuaLimits& limits_;
  std::condition_variable wake_;
  bool quit_ = false;
  bool idle_ = false;
  std::thread thread_;  // last: it starts once the rest is made
};

// --- TLuaLimits --------------------------------------------------------------

TLuaLimits::TLuaLimits() {
  int ms = GetSettingInt("scripttimelimit", static_cast<int>(kDefaultTimeLimitMs));
  timeLimitMs_ = ms > 0 ? static_cast<uint32_t>(ms) : 0;
  int mb = GetSettingInt("scriptmemorylimit", static_cast<int>(kDefaultMemoryLimit >> 20));
  memoryLimit_ = mb > 0 ? size_t(mb) << 20 : 0;
}

TLuaLimits::~TLuaLimits() = default;

lua_State* TLuaLimits::NewState() {
  lua_State* L = lua_newstate(&TLuaLimits::Alloc, this);
  if (L) lua_sethook(L, &TLuaLimits::Hook, kNormalMask, kHookInstructions);
  return L;
}

void TLuaLimits::SetTimeLimit(uint32_t ms) {
  if (!watchdog_) {
    timeLimitMs_ = ms;
    if (ms && !entries_.empty()) StartWatchdog();
    return;
  }
  {
    std::lock_guard<std::mutex> lock(watchdog_->mutex);
    timeLimitMs_ = ms;
  }
  watchdog_->Wake();  // a shorter limit may be up sooner than it sleeps
}

void TLuaLimits::StartWatchdog() {
  if (watchdogFailed_) return;
  try {
    watchdog_ = std::make_unique<TWatchdog>(*this);
  } catch (const std::system_error& e) {
    // The count hook alone still stops a script, only later.
    watchdogFailed_ = true;
    TraceOut("Lua: no watchdog for the script time limit (%s)", e.what());
  }
}

std::unique_lock<std::mutex> TLuaLimits::Lock() {
  return watchdog_ ? std::unique_lock<std::mutex>(watchdog_->mutex) : std::unique_lock<std::mutex>();
}

void TLuaLimits::Disarm(lua_State* L) {
  if (lua_gethookmask(L) != kNormalMask || lua_gethookcount(L) != kHookInstructions)
    lua_sethook(L, &TLuaLimits::Hook, kNormalMask, kHookInstructions);
}

bool TLuaLimits::OverTime(const TEntry& entry, TClock::time_point now) const {
  return timeLimitMs_ && now - entry.start > std::chrono::milliseconds(timeLimitMs_);
}

void TLuaLimits::ArmRunning() {
  TEntry& entry = entries_.back();
  entry.armed = true;
  for (size_t i = entry.firstRunning; i < running_.size(); ++i)
    lua_sethook(running_[i], &TLuaLimits::Hook, kArmedMask, 1);
}

void TLuaLimits::CollectAfterFailure(lua_State* L) {
  if (memoryLimit_ && used_ > memoryLimit_ / 2) lua_gc(L, LUA_GCCOLLECT, 0);
}

TLuaLimits* TLuaLimits::Of(lua_State* L) {
  if (!L) return nullptr;
  void* ud = nullptr;
  lua_Alloc alloc = lua_getallocf(L, &ud);
  return alloc == &TLuaLimits::Alloc ? static_cast<TLuaLimits*>(ud) : nullptr;
}

void* TLuaLimits::Alloc(void* ud, void* ptr, size_t osize, size_t nsize) {
  auto* limits = static_cast<TLuaLimits*>(ud);
  if (nsize == 0) {
    std::free(ptr);
    limits->used_ -= osize;
    return nullptr;
  }
  // A size no allocator could give (a damaged chunk's count overflowed) fails
  // as realloc would, without asking.
  if (nsize >= (size_t(1) << 40)) return nullptr;
  const size_t limit = limits->memoryLimit_;
  if (nsize > osize && limit && !limits->entries_.empty() && limits->nativeDepth_ == 0 &&
      (limits->used_ >= limit || nsize - osize > limit - limits->used_)) {
    TEntry& entry = limits->entries_.back();
    if (entry.stopped == TReason::kNone) entry.stopped = TReason::kMemory;
    return nullptr;
  }
  void* block = std::realloc(ptr, nsize);
  if (!block) return nullptr;
  limits->used_ = limits->used_ - osize + nsize;
  return block;
}

TString TLuaLimits::Describe(const TLuaLimits& limits, TReason reason) {
  if (reason == TReason::kTime)
    return TString::Printf("it ran for more than %u ms without yielding", limits.timeLimitMs_);
  return TString::Printf("its memory passed the limit of %zu bytes", limits.memoryLimit_);
}

void TLuaLimits::Hook(lua_State* L, lua_Debug*) {
  TLuaLimits* limits = Of(L);
  if (!limits) return;
  if (limits->entries_.empty()) {
    Disarm(L);
    return;
  }
  TEntry& entry = limits->entries_.back();
  if (entry.stopped == TReason::kNone) {
    if (limits->OverTime(entry, TClockType::now())) {
      entry.stopped = TReason::kTime;
    } else if (limits->memoryLimit_ && limits->used_ > limits->memoryLimit_) {
      // Garbage counts until it is collected: only what stays counts.
      lua_gc(L, LUA_GCCOLLECT, 0);
      if (limits->used_ > limits->memoryLimit_) entry.stopped = TReason::kMemory;
    }
    if (entry.stopped == TReason::kNone) {
      // Armed for an entry that is not over (its time was given back by
      // one nested in it, or it was another's): normal again.
      Disarm(L);
      return;
    }
  }
  // Every further instruction and call of this entry's threads fails too, so
  // an error handler or pcall in the script cannot carry on.
  {
    std::unique_lock<std::mutex> lock = limits->Lock();
    limits->ArmRunning();
  }
  lua_sethook(L, &TLuaLimits::Hook, kArmedMask, 1);
  lua_Debug ar;
  TString where = "?";
  // The script's place: the innermost Lua function (not a native one it called).
  for (int level = 0; level < 8; ++level) {
    std::memset(&ar, 0, sizeof ar);
    if (!lua_getstack(L, level, &ar) || !lua_getinfo(L, "Sl", &ar)) break;
    if (ar.currentline < 0) continue;
    where = TString::Printf("%s:%d", ar.short_src, ar.currentline);
    break;
  }
  TString message = TString::Printf("%s: script '%s' stopped: %s", where.c_str(), entry.name->c_str(),
                                    Describe(*limits, entry.stopped).c_str());
  lua_pushlstring(L, message.c_str(), static_cast<size_t>(message.Length()));
  lua_error(L);
}

// --- TLuaEntry ---------------------------------------------------------------

TLuaEntry::TLuaEntry(lua_State* thread, const TString& name) : limits_(TLuaLimits::Of(thread)) {
  if (!limits_) return;
  if (!limits_->watchdog_ && limits_->timeLimitMs_) limits_->StartWatchdog();
  bool wake = false;
  {
    std::unique_lock<std::mutex> lock = limits_->Lock();
    limits_->entries_.push_back(TLuaLimits::TEntry{TClockType::now(), &name, thread, TLuaLimits::TReason::kNone,
                                                   limits_->nativeDepth_, limits_->running_.size(), false});
    limits_->running_.push_back(thread);
    wake = limits_->watchdog_ && limits_->watchdog_->NeedsWaking();
  }
  if (wake) limits_->watchdog_->Wake();
  limits_->nativeDepth_ = 0;
}

TLuaEntry::~TLuaEntry() {
  if (!limits_) return;
  TLuaLimits::TEntry entry;
  {
    std::unique_lock<std::mutex> lock = limits_->Lock();
    entry = limits_->entries_.back();
    limits_->entries_.pop_back();
    limits_->running_.resize(entry.firstRunning);
    // The time of this entry is not the time of the one it ran inside.
    if (!limits_->entries_.empty()) {
      TLuaLimits::TEntry& outer = limits_->entries_.back();
      outer.start += TClockType::now() - entry.start;
      outer.armed = false;
    }
  }
  limits_->nativeDepth_ = entry.savedNativeDepth;
  if (entry.stopped != TLuaLimits::TReason::kNone)
    TraceOut("Lua: stopped '%s': %s", entry.name->c_str(), TLuaLimits::Describe(*limits_, entry.stopped).c_str());
  if (entry.stopped != TLuaLimits::TReason::kNone || entry.armed) TLuaLimits::Disarm(entry.thread);
}

// --- TLuaRunning -------------------------------------------------------------

TLuaRunning::TLuaRunning(lua_State* co) : limits_(TLuaLimits::Of(co)) {
  if (!limits_) return;
  std::unique_lock<std::mutex> lock = limits_->Lock();
  limits_->running_.push_back(co);
  // Resumed by a thread already armed: armed from its first instruction.
  if (!limits_->entries_.empty() && limits_->entries_.back().armed)
    lua_sethook(co, &TLuaLimits::Hook, kArmedMask, 1);
}

TLuaRunning::~TLuaRunning() {
  if (!limits_) return;
  std::unique_lock<std::mutex> lock = limits_->Lock();
  limits_->running_.pop_back();
}

// --- TLuaNativeScope ---------------------------------------------------------

TLuaNativeScope::TLuaNativeScope(lua_State* L) : limits_(TLuaLimits::Of(L)) {
  if (limits_) ++limits_->nativeDepth_;
}

TLuaNativeScope::~TLuaNativeScope() {
  if (limits_) --limits_->nativeDepth_;
}
