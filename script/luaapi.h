// The Lua 5.1 programming interface as the framework uses it, and the small
// helpers every binding shares.
//
// We link the C++ build of Lua 5.1 ("lua5.1-c++"): a Lua error is a C++
// exception, so destructors of native frames run when an error passes through
// them. Its headers declare the API with C linkage themselves; include them
// through this header only, never inside an extern "C" block.
//
// Pseudo-indices are always written with the API's macros (LUA_GLOBALSINDEX,
// LUA_REGISTRYINDEX, lua_upvalueindex(n)); numeric values differ between Lua
// versions and a literal one reads the wrong slot.
#pragma once
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/string.h"

class TScript;
class TLuaBindings;

// Pushes the string's text (embedded zero bytes included) as a Lua string.
void PushLuaString(lua_State* L, const TString& text);

// Pushes a full userdata that holds only `pointer`. Read it back with
// lua_touserpointer (lua_touserdata gives the block, not the pointer).
void lua_pushuserpointer(lua_State* L, void* pointer);
// The pointer held by a userdata made by lua_pushuserpointer; null for any
// other value. With `metatableName`, the userdata must also carry the
// metatable registered under that name (luaL_newmetatable), so a userdata of
// another kind is never taken for this one.
void* lua_touserpointer(lua_State* L, int index, const char* metatableName = nullptr);

// luaL_loadbuffer for the framework's chunks: Lua source (a leading UTF-8
// byte-order mark is skipped) or a chunk precompiled by Lua 5.1.
int LuaLoadBuffer(lua_State* L, const uint8_t* data, size_t size, const char* chunkName);

// A Lua number as a 32-bit integer, truncated toward zero; values beyond the
// range clamp to INT32_MIN / INT32_MAX, NaN and non-numbers give 0.
int32_t LuaToInt(lua_State* L, int index);

// Field access that never runs a metamethod, so it cannot raise a Lua error
// outside a protected call (which would end the process). `index` must be an
// absolute or pseudo index (LUA_GLOBALSINDEX). Get pushes the value; Set pops it.
inline void LuaRawGetField(lua_State* L, int index, const char* name) {
  lua_pushstring(L, name);
  lua_rawget(L, index < 0 && index > LUA_REGISTRYINDEX ? index - 1 : index);
}
inline void LuaRawSetField(lua_State* L, int index, const char* name) {
  lua_pushstring(L, name);
  lua_insert(L, -2);
  lua_rawset(L, index < 0 && index > LUA_REGISTRYINDEX ? index - 1 : index);
}
int32_t ClampToInt(double value);
// The text at the index: a string, or a number written as Lua writes it;
// empty for anything else (nil, booleans, tables ...).
TString LuaToText(lua_State* L, int index);
// The conversions of the value on top of the stack, which they pop (nothing
// is popped from an empty stack):
//   string: a string or a number, else empty;
//   bool:   nil false, a boolean its value, a number true when non-zero, any
//           other value true;
//   rect:   numbers t[1]..t[4] as left, top, right, bottom (missing ones 0);
//           an empty rectangle when the value is not a table.
TString LuaPopString(lua_State* L);
bool LuaPopBool(lua_State* L);
TRect LuaPopRect(lua_State* L);

// The text of an error value: the string, or "(error object is a <type> value)".
TString LuaErrorText(lua_State* L, int index);

// Error output: passes the text to the Lua global "_ALERT" when it is a
// function (TScript's writes the text to the log), else writes it to the log
// directly; also when "_ALERT" itself fails.
void ReportLuaError(lua_State* L, const TString& text);

// A position in the scripts ("scripts/x.lua:12") of the Lua function `level`
// frames up the stack of L; "?" when there is none.
TString LuaWhere(lua_State* L, int level);

// "stack traceback:" and one line per Lua frame of L (at most 20), as Lua
// writes them; a thread stopped by an error keeps its frames, so this works
// after the error too.
TString LuaTraceback(lua_State* L);

// What the framework keeps beside one Lua state: whether the state is still
// open, its main thread, its TScript and the per-name stacks of bindings.
// Wrappers and binders hold it through a shared pointer, so they can outlive
// the state and still know not to touch it.
struct TLuaStateInfo {
  lua_State* main = nullptr;
  bool alive = true;
  TScript* script = nullptr;
  // Lua code of the state running now (nested resumes and protected calls).
  int running = 0;
  // For each bound global name, the live bindings of it, oldest first; the
  // global refers to the newest.
  std::map<std::string, std::vector<struct TLuaBindingEntry*>> bindings;
  // Places in the scripts already reported for a wait that could not yield.
  std::set<std::string> reportedWaits;
};

// The record of a Lua state, created on first use. A state's record is found
// from any of its coroutines; create it on the main thread (TScript does) so
// `main` is right.
std::shared_ptr<TLuaStateInfo> GetLuaStateInfo(lua_State* L);
// Marks the record dead; call it just before lua_close.
void MarkLuaStateClosed(lua_State* L);
