#include "script/library.h"

#include <lauxlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "script/limits.h"

namespace {

// Units of work between two looks at the script's time limit.
constexpr uint32_t kCheckEvery = 1u << 16;

// Counts the work of one call and looks at the limits every kCheckEvery units.
class TWork {
public:
  explicit TWork(lua_State* L) : L_(L) {}
  void Step() {
    if (++count_ % kCheckEvery == 0) TLuaLimits::CheckNow(L_);
  }

private:
  lua_State* L_;
  uint32_t count_ = 0;
};

// --- string ------------------------------------------------------------------

// string.rep(s, n)
int RepFn(lua_State* L) {
  size_t size = 0;
  const char* s = luaL_checklstring(L, 1, &size);
  const int n = luaL_checkint(L, 2);
  if (n <= 0 || size == 0) {
    lua_pushliteral(L, "");
    return 1;
  }
  if (size > std::numeric_limits<size_t>::max() / 2 / size_t(n)) return luaL_error(L, "resulting string too large");
  const size_t total = size * size_t(n);
  // Built in a userdata, so the state's allocator (and its memory limit)
  // sees it as it would see Lua's own buffer.
  char* out = static_cast<char*>(lua_newuserdata(L, total));
  std::memcpy(out, s, size);
  for (size_t done = size; done < total;) {
    const size_t copy = std::min(done, total - done);
    std::memcpy(out + done, out, copy);
    done += copy;
  }
  lua_pushlstring(L, out, total);
  return 1;
}

// --- base ------------------------------------------------------------------

// unpack(t, [i, [j]])
int UnpackFn(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  const int first = luaL_optint(L, 2, 1);
  const int last = luaL_opt(L, luaL_checkint, 3, static_cast<int>(lua_objlen(L, 1)));
  if (first > last) return 0;
  // Counted wide: Lua's own overflows the int on a range such as
  // -2^31 .. 0 and then pushes far past the stack.
  const int64_t count = int64_t(last) - int64_t(first) + 1;
  if (count > std::numeric_limits<int>::max() || !lua_checkstack(L, static_cast<int>(count)))
    return luaL_error(L, "too many results to unpack");
  for (int64_t i = first; i <= last; ++i) lua_rawgeti(L, 1, static_cast<int>(i));
  return static_cast<int>(count);
}

// --- table -------------------------------------------------------------------

// #t of the table argument, as the table functions read it.
int CheckedLength(lua_State* L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  return static_cast<int>(lua_objlen(L, 1));
}

// table.insert(t, [pos,] value)
int InsertFn(lua_State* L) {
  int64_t last = int64_t(CheckedLength(L)) + 1;  // the first free place
  int64_t pos = last;
  switch (lua_gettop(L)) {
    case 2:
      break;
    case 3: {
      pos = luaL_checkint(L, 2);
      if (pos > last) last = pos;
      TWork work(L);
      for (int64_t i = last; i > pos; --i) {  // move the elements up
        work.Step();
        lua_rawgeti(L, 1, static_cast<int>(i - 1));
        lua_rawseti(L, 1, static_cast<int>(i));
      }
      break;
    }
    default:
      return luaL_error(L, "wrong number of arguments to 'insert'");
  }
  lua_rawseti(L, 1, static_cast<int>(pos));
  return 0;
}

// table.remove(t [, pos])
int RemoveFn(lua_State* L) {
  const int last = CheckedLength(L);
  int pos = luaL_optint(L, 2, last);
  if (pos < 1 || pos > last) return 0;
  lua_rawgeti(L, 1, pos);  // the result
  TWork work(L);
  for (; pos < last; ++pos) {  // move the elements down
    work.Step();
    lua_rawgeti(L, 1, pos + 1);
    lua_rawseti(L, 1, pos);
  }
  lua_pushnil(L);
  lua_rawseti(L, 1, last);
  return 1;
}

// table.sort(t [, comp]): Lua's quicksort, counting its comparisons.
class TSorter {
public:
  explicit TSorter(lua_State* L) : L_(L), work_(L) {}

  void Sort(int lo, int up) {
    while (lo < up) {  // the larger part loops, the smaller recurses
      // a[lo], a[(lo + up) / 2] and a[up] in order
      lua_rawgeti(L_, 1, lo);
      lua_rawgeti(L_, 1, up);
      if (Less(-1, -2)) Set2(lo, up);
      else lua_pop(L_, 2);
      if (up - lo == 1) break;
      int i = lo + (up - lo) / 2;
      lua_rawgeti(L_, 1, i);
      lua_rawgeti(L_, 1, lo);
      if (Less(-2, -1)) {
        Set2(i, lo);
      } else {
        lua_pop(L_, 1);
        lua_rawgeti(L_, 1, up);
        if (Less(-1, -2)) Set2(i, up);
        else lua_pop(L_, 2);
      }
      if (up - lo == 2) break;
      lua_rawgeti(L_, 1, i);  // the pivot, kept at a[up - 1]
      lua_pushvalue(L_, -1);
      lua_rawgeti(L_, 1, up - 1);
      Set2(i, up - 1);
      i = lo;
      int j = up - 1;
      for (;;) {  // a[lo..i] <= pivot <= a[j..up]
        while (lua_rawgeti(L_, 1, ++i), Less(-1, -2)) {
          if (i > up) luaL_error(L_, "invalid order function for sorting");
          lua_pop(L_, 1);
        }
        while (lua_rawgeti(L_, 1, --j), Less(-3, -1)) {
          if (j < lo) luaL_error(L_, "invalid order function for sorting");
          lua_pop(L_, 1);
        }
        if (j < i) {
          lua_pop(L_, 3);
          break;
        }
        Set2(i, j);
      }
      lua_rawgeti(L_, 1, up - 1);
      lua_rawgeti(L_, 1, i);
      Set2(up - 1, i);  // the pivot between the parts
      if (i - lo < up - i) {
        j = lo;
        i = i - 1;
        lo = i + 2;
      } else {
        j = i + 1;
        i = up;
        up = j - 2;
      }
      Sort(j, i);
    }
  }

private:
  // The values at stack indices a and b (negative) compare as a < b.
  bool Less(int a, int b) {
    work_.Step();
    if (lua_isnil(L_, 2)) return lua_lessthan(L_, a, b);
    lua_pushvalue(L_, 2);
    lua_pushvalue(L_, a - 1);
    lua_pushvalue(L_, b - 2);
    lua_call(L_, 2, 1);
    const bool less = lua_toboolean(L_, -1);
    lua_pop(L_, 1);
    return less;
  }
  // a[i] = top, a[j] = the value below it; both popped.
  void Set2(int i, int j) {
    lua_rawseti(L_, 1, i);
    lua_rawseti(L_, 1, j);
  }

  lua_State* L_;
  TWork work_;
};

int SortFn(lua_State* L) {
  const int n = CheckedLength(L);
  luaL_checkstack(L, 40, "");
  if (!lua_isnoneornil(L, 2)) luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_settop(L, 2);
  TSorter(L).Sort(1, n);
  return 0;
}

// --- coroutine ---------------------------------------------------------------

enum TCoStatus { kCoRunning, kCoSuspended, kCoNormal, kCoDead };
const char* const kCoStatusNames[] = {"running", "suspended", "normal", "dead"};

TCoStatus CoStatus(lua_State* L, lua_State* co) {
  if (L == co) return kCoRunning;
  switch (lua_status(co)) {
    case LUA_YIELD:
      return kCoSuspended;
    case 0: {
      lua_Debug ar;
      if (lua_getstack(co, 0, &ar) > 0) return kCoNormal;  // it resumed another
      return lua_gettop(co) == 0 ? kCoDead : kCoSuspended;  // finished, or not started
    }
    default:
      return kCoDead;  // failed
  }
}

// Resumes co with the top `nargs` values of L. The number of values it
// yielded or returned, now on L; -1 with the error message on L.
int ResumeOn(lua_State* L, lua_State* co, int nargs) {
  const TCoStatus status = CoStatus(L, co);
  if (!lua_checkstack(co, nargs)) luaL_error(L, "too many arguments to resume");
  if (status != kCoSuspended) {
    lua_pushfstring(L, "cannot resume %s coroutine", kCoStatusNames[status]);
    return -1;
  }
  lua_xmove(L, co, nargs);
  lua_setlevel(L, co);
  int result;
  {
    TLuaRunning running(co);
    result = lua_resume(co, nargs);
  }
  if (result != 0 && result != LUA_YIELD) {
    lua_xmove(co, L, 1);
    return -1;
  }
  const int count = lua_gettop(co);
  if (!lua_checkstack(L, count + 1)) luaL_error(L, "too many results to resume");
  lua_xmove(co, L, count);
  return count;
}

// coroutine.resume(co, ...): true and what it yielded or returned, or false
// and the error.
int ResumeFn(lua_State* L) {
  lua_State* co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
  const int count = ResumeOn(L, co, lua_gettop(L) - 1);
  lua_pushboolean(L, count >= 0);
  lua_insert(L, count >= 0 ? -(count + 1) : -2);
  return count >= 0 ? count + 1 : 2;
}

// The function coroutine.wrap makes (upvalue 1: the coroutine).
int WrappedFn(lua_State* L) {
  const int count = ResumeOn(L, lua_tothread(L, lua_upvalueindex(1)), lua_gettop(L));
  if (count >= 0) return count;
  if (lua_isstring(L, -1)) {  // the error gets the caller's place
    luaL_where(L, 1);
    lua_insert(L, -2);
    lua_concat(L, 2);
  }
  return lua_error(L);
}

// coroutine.wrap(f)
int WrapFn(lua_State* L) {
  lua_State* co = lua_newthread(L);
  luaL_argcheck(L, lua_isfunction(L, 1) && !lua_iscfunction(L, 1), 1, "Lua function expected");
  lua_pushvalue(L, 1);
  lua_xmove(L, co, 1);
  lua_pushcclosure(L, WrappedFn, 1);
  return 1;
}

void Replace(lua_State* L, const char* library, std::initializer_list<std::pair<const char*, lua_CFunction>> functions) {
  lua_pushstring(L, library);
  lua_rawget(L, LUA_GLOBALSINDEX);
  for (const auto& f : functions) {
    lua_pushstring(L, f.first);
    lua_pushcfunction(L, f.second);
    lua_rawset(L, -3);
  }
  lua_pop(L, 1);
}

}  // namespace

void InstallBoundedLibrary(lua_State* L) {
  lua_pushliteral(L, "unpack");
  lua_pushcfunction(L, UnpackFn);
  lua_rawset(L, LUA_GLOBALSINDEX);
  Replace(L, "string", {{"rep", RepFn}});
  Replace(L, "table", {{"insert", InsertFn}, {"remove", RemoveFn}, {"sort", SortFn}});
  Replace(L, "coroutine", {{"resume", ResumeFn}, {"wrap", WrapFn}});
}
