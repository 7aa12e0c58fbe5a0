#include "script/limits.h"

#include <lauxlib.h>

#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "platform/settings.h"

namespace {

using TClockType = std::chrono::steady_clock;

int64_t ElapsedMs(TClockType::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(TClockType::now() - since).count();
}

}  // namespace

TLuaLimits::TLuaLimits() {
  int ms = GetSettingInt("scripttimelimit", static_cast<int>(kDefaultTimeLimitMs));
  timeLimitMs_ = ms > 0 ? static_cast<uint32_t>(ms) : 0;
  int mb = GetSettingInt("scriptmemorylimit", static_cast<int>(kDefaultMemoryLimit >> 20));
  memoryLimit_ = mb > 0 ? size_t(mb) << 20 : 0;
}

lua_State* TLuaLimits::NewState() {
  lua_State* L = lua_newstate(&TLuaLimits::Alloc, this);
  if (L) lua_sethook(L, &TLuaLimits::Hook, LUA_MASKCOUNT, kHookInstructions);
  return L;
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
  if (!limits || limits->entries_.empty()) return;
  TEntry& entry = limits->entries_.back();
  if (entry.stopped == TReason::kNone) {
    if (limits->timeLimitMs_ && ElapsedMs(entry.start) > int64_t(limits->timeLimitMs_)) {
      entry.stopped = TReason::kTime;
    } else if (limits->memoryLimit_ && limits->used_ > limits->memoryLimit_) {
      // Garbage counts until it is collected: only what stays counts.
      lua_gc(L, LUA_GCCOLLECT, 0);
      if (limits->used_ > limits->memoryLimit_) entry.stopped = TReason::kMemory;
    }
    if (entry.stopped == TReason::kNone) return;
  }
  // Every further instruction of this thread fails too, so an error handler
  // or pcall in the script cannot carry on.
  lua_sethook(L, &TLuaLimits::Hook, LUA_MASKCOUNT, 1);
  lua_Debug ar;
  TString where = "?";
  // The script's place: the innermost Lua function (not a native one it called).
  for (int level = 0; level < 2; ++level) {
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
  limits_->entries_.push_back(
      TLuaLimits::TEntry{std::chrono::steady_clock::now(), &name, thread, TLuaLimits::TReason::kNone,
                         limits_->nativeDepth_});
  limits_->nativeDepth_ = 0;
}

TLuaEntry::~TLuaEntry() {
  if (!limits_) return;
  TLuaLimits::TEntry entry = limits_->entries_.back();
  limits_->entries_.pop_back();
  limits_->nativeDepth_ = entry.savedNativeDepth;
  // The time of this entry is not the time of the one it ran inside.
  if (!limits_->entries_.empty()) limits_->entries_.back().start += TClockType::now() - entry.start;
  if (entry.stopped != TLuaLimits::TReason::kNone) {
    TraceOut("Lua: stopped '%s': %s", entry.name->c_str(), TLuaLimits::Describe(*limits_, entry.stopped).c_str());
    lua_sethook(entry.thread, &TLuaLimits::Hook, LUA_MASKCOUNT, TLuaLimits::kHookInstructions);
  }
}

// --- TLuaNativeScope ---------------------------------------------------------

TLuaNativeScope::TLuaNativeScope(lua_State* L) : limits_(TLuaLimits::Of(L)) {
  if (limits_) ++limits_->nativeDepth_;
}

TLuaNativeScope::~TLuaNativeScope() {
  if (limits_) --limits_->nativeDepth_;
}
