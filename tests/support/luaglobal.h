// A Lua global read back by a test: as text ("nil", "true", "false", a
// number or a string), as a number (0 for a non-number), or a table's
// entries 1, 2, ... up to the first nil as texts (none for a non-table).
#pragma once
#include <string>
#include <vector>

#include "script/luaapi.h"

namespace testing_support {

inline std::string LuaGlobalText(lua_State* L, const char* name) {
  lua_getglobal(L, name);
  std::string s = lua_isnil(L, -1) ? "nil" : LuaToText(L, -1).str();
  if (lua_isboolean(L, -1)) s = lua_toboolean(L, -1) ? "true" : "false";
  lua_pop(L, 1);
  return s;
}

inline double LuaGlobalNumber(lua_State* L, const char* name) {
  lua_getglobal(L, name);
  double v = lua_tonumber(L, -1);
  lua_pop(L, 1);
  return v;
}

inline std::vector<std::string> LuaGlobalList(lua_State* L, const char* name) {
  std::vector<std::string> out;
  lua_getglobal(L, name);
  for (int i = 1; lua_istable(L, -1); ++i) {
    lua_rawgeti(L, -1, i);
    const bool end = lua_isnil(L, -1);
    if (!end) out.push_back(LuaToText(L, -1).str());
    lua_pop(L, 1);
    if (end) break;
  }
  lua_pop(L, 1);
  return out;
}

}  // namespace testing_support
