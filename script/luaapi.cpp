#include "script/luaapi.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "platform/log.h"
#include "script/limits.h"

void PushLuaString(lua_State* L, const TString& text) {
  lua_pushlstring(L, text.c_str(), static_cast<size_t>(text.Length()));
}

void lua_pushuserpointer(lua_State* L, void* pointer) {
  void* block = lua_newuserdata(L, sizeof(void*));
  std::memcpy(block, &pointer, sizeof(void*));
}

void* lua_touserpointer(lua_State* L, int index, const char* metatableName) {
  if (lua_type(L, index) != LUA_TUSERDATA || lua_objlen(L, index) != sizeof(void*)) return nullptr;
  if (metatableName) {
    if (!lua_getmetatable(L, index)) return nullptr;
    luaL_getmetatable(L, metatableName);
    bool same = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    if (!same) return nullptr;
  }
  void* pointer = nullptr;
  std::memcpy(&pointer, lua_touserdata(L, index), sizeof(void*));
  return pointer;
}

int LuaLoadBuffer(lua_State* L, const uint8_t* data, size_t size, const char* chunkName) {
  static const uint8_t kBom[3] = {0xEF, 0xBB, 0xBF};
  if (size >= 3 && std::memcmp(data, kBom, 3) == 0) {
    data += 3;
    size -= 3;
  }
  // Loading runs protected: within the memory limit, a damaged precompiled
  // chunk that claims a huge size fails as "not enough memory".
  static const TString kLoading("loading a chunk");
  TLuaEntry entry(L, kLoading);
  return luaL_loadbuffer(L, reinterpret_cast<const char*>(data), size, chunkName);
}

int32_t ClampToInt(double value) {
  if (std::isnan(value)) return 0;
  if (!(value > -2147483649.0)) return std::numeric_limits<int32_t>::min();
  if (!(value < 2147483648.0)) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

int32_t LuaToInt(lua_State* L, int index) { return ClampToInt(lua_tonumber(L, index)); }

TString LuaToText(lua_State* L, int index) {
  if (!lua_isstring(L, index)) return TString();
  size_t length = 0;
  const char* text = lua_tolstring(L, index, &length);
  return TString(text, length);
}

namespace {
void PopOne(lua_State* L) {
  if (lua_gettop(L) > 0) lua_pop(L, 1);
}
}  // namespace

TString LuaPopString(lua_State* L) {
  if (lua_gettop(L) == 0) return TString();
  TString text = LuaToText(L, -1);
  PopOne(L);
  return text;
}

bool LuaPopBool(lua_State* L) {
  if (lua_gettop(L) == 0) return false;
  bool value;
  if (lua_type(L, -1) == LUA_TNUMBER) value = lua_tonumber(L, -1) != 0;
  else value = lua_toboolean(L, -1) != 0;
  PopOne(L);
  return value;
}

TRect LuaPopRect(lua_State* L) {
  if (lua_gettop(L) == 0) return TRect();
  TRect rect;
  if (lua_istable(L, -1)) {
    int32_t v[4];
    for (int i = 0; i < 4; ++i) {
      lua_rawgeti(L, -1, i + 1);
      v[i] = LuaToInt(L, -1);
      lua_pop(L, 1);
    }
    rect = TRect(v[0], v[1], v[2], v[3]);
  }
  PopOne(L);
  return rect;
}

TString LuaErrorText(lua_State* L, int index) {
  if (lua_isstring(L, index)) return LuaToText(L, index);
  return TString::Printf("(error object is a %s value)", luaL_typename(L, index));
}

void ReportLuaError(lua_State* L, const TString& text) {
  int top = lua_gettop(L);
  lua_pushliteral(L, "_ALERT");
  lua_rawget(L, LUA_GLOBALSINDEX);
  if (lua_isfunction(L, -1)) {
    PushLuaString(L, text);
    static const TString kAlert("_ALERT");
    int status;
    {
      TLuaEntry entry(L, kAlert);
      status = lua_pcall(L, 1, 0, 0);
    }
    if (status == 0) {
      lua_settop(L, top);
      return;
    }
    TraceOut("_ALERT failed: %s", LuaErrorText(L, -1).c_str());
  }
  lua_settop(L, top);
  TraceOut("%s", text.c_str());
}

TString LuaWhere(lua_State* L, int level) {
  lua_Debug ar;
  std::memset(&ar, 0, sizeof ar);
  if (!lua_getstack(L, level, &ar) || !lua_getinfo(L, "Sl", &ar)) return TString("?");
  return TString::Printf("%s:%d", ar.short_src, ar.currentline);
}

TString LuaTraceback(lua_State* L) {
  TString text("stack traceback:");
  lua_Debug ar;
  for (int level = 0; level < 20 && lua_getstack(L, level, &ar); ++level) {
    if (!lua_getinfo(L, "Sln", &ar)) break;
    text += TString::Printf("\n\t%s:", ar.short_src);
    if (ar.currentline > 0) text += TString::Printf("%d:", ar.currentline);
    if (ar.namewhat && *ar.namewhat) text += TString::Printf(" in function '%s'", ar.name ? ar.name : "?");
    else if (ar.what && *ar.what == 'm') text += " in main chunk";
    else if (ar.what && *ar.what == 'C') text += " ?";
    else text += TString::Printf(" in function <%s:%d>", ar.short_src, ar.linedefined);
  }
  return text;
}

namespace {

// The registry key of the state record: the address of this variable.
char gInfoKey;

struct TInfoBlock {
  std::shared_ptr<TLuaStateInfo> info;
  bool destroyed;
};

int InfoGc(lua_State* L) {
  auto* block = static_cast<TInfoBlock*>(lua_touserdata(L, 1));
  if (block && !block->destroyed) {
    block->info->alive = false;
    block->info.~shared_ptr();
    block->destroyed = true;
  }
  return 0;
}

std::shared_ptr<TLuaStateInfo> DeadInfo() {
  auto info = std::make_shared<TLuaStateInfo>();
  info->alive = false;
  return info;
}

}  // namespace

std::shared_ptr<TLuaStateInfo> GetLuaStateInfo(lua_State* L) {
  lua_pushlightuserdata(L, &gInfoKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  auto* block = static_cast<TInfoBlock*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (block) return block->destroyed ? DeadInfo() : block->info;

  auto info = std::make_shared<TLuaStateInfo>();
  info->main = L;  // a coroutine only when the first use came from one (see the header)

  lua_pushlightuserdata(L, &gInfoKey);
  void* memory = lua_newuserdata(L, sizeof(TInfoBlock));
  block = new (memory) TInfoBlock{info, false};
  lua_newtable(L);
  lua_pushcfunction(L, InfoGc);
  lua_setfield(L, -2, "__gc");
  lua_setmetatable(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
  return info;
}

void MarkLuaStateClosed(lua_State* L) {
  lua_pushlightuserdata(L, &gInfoKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  auto* block = static_cast<TInfoBlock*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (block && !block->destroyed) block->info->alive = false;
}
