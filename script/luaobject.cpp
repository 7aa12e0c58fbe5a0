#include "script/luaobject.h"

#include "script/limits.h"

namespace {

// An index that does not move when values are pushed.
int AbsIndex(lua_State* L, int index) {
  return (index < 0 && index > LUA_REGISTRYINDEX) ? lua_gettop(L) + index + 1 : index;
}

}  // namespace

TLuaObjectWrapper::TLuaObjectWrapper(lua_State* L, int index) : info_(GetLuaStateInfo(L)) {
  index = AbsIndex(L, index);
  lua_pushlightuserdata(L, this);
  lua_pushvalue(L, index);
  lua_rawset(L, LUA_REGISTRYINDEX);
}

TLuaObjectWrapper::~TLuaObjectWrapper() {
  if (!info_->alive) return;
  lua_State* L = info_->main;
  lua_pushlightuserdata(L, this);
  lua_pushnil(L);
  lua_rawset(L, LUA_REGISTRYINDEX);
}

void TLuaObjectWrapper::Push(lua_State* L) const {
  if (!L) return;
  if (!info_->alive) {
    lua_pushnil(L);
    return;
  }
  lua_pushlightuserdata(L, const_cast<TLuaObjectWrapper*>(this));
  lua_rawget(L, LUA_REGISTRYINDEX);
}

lua_State* TLuaObjectWrapper::GetState() const { return info_->alive ? info_->main : nullptr; }

int TLuaObjectWrapper::GetType() const {
  lua_State* L = GetState();
  if (!L) return LUA_TNONE;
  Push(L);
  int type = lua_type(L, -1);
  lua_pop(L, 1);
  return type;
}

namespace {

// Pushes element n of the wrapped table; false (nothing pushed) when the value is not a table.
bool PushElement(const TLuaObjectWrapper& table, lua_State* L, int n) {
  table.Push(L);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return false;
  }
  lua_rawgeti(L, -1, n);
  lua_remove(L, -2);
  return true;
}

}  // namespace

TString TLuaTable::GetString(int n, const TString& defaultValue) const {
  lua_State* L = GetState();
  if (!L || !PushElement(*this, L, n)) return defaultValue;
  TString value = lua_isstring(L, -1) ? LuaToText(L, -1) : defaultValue;
  lua_pop(L, 1);
  return value;
}

double TLuaTable::GetNumber(int n, double defaultValue) const {
  lua_State* L = GetState();
  if (!L || !PushElement(*this, L, n)) return defaultValue;
  double value = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : defaultValue;
  lua_pop(L, 1);
  return value;
}

void TLuaTable::GetFloat4(int n, const float defaultValue[4], float out[4]) const {
  for (int i = 0; i < 4; ++i) out[i] = defaultValue[i];
  lua_State* L = GetState();
  if (!L || !PushElement(*this, L, n)) return;
  if (lua_istable(L, -1)) {
    for (int i = 0; i < 4; ++i) {
      lua_rawgeti(L, -1, i + 1);
      if (lua_isnumber(L, -1)) out[i] = static_cast<float>(lua_tonumber(L, -1));
      lua_pop(L, 1);
    }
  }
  lua_pop(L, 1);
}

bool TLuaFunction::Call(int nargs, int nresults, const char* what) const {
  lua_State* L = GetState();
  if (!L) return false;
  Push(L);
  lua_insert(L, -nargs - 1);
  const TString name(what ? what : "");
  int status;
  {
    TLuaEntry entry(L, name);
    status = lua_pcall(L, nargs, nresults, 0);
  }
  if (status == 0) return true;
  TString message = LuaErrorText(L, -1);
  lua_pop(L, 1);
  if (TLuaLimits* limits = TLuaLimits::Of(L)) limits->CollectAfterFailure(L);
  ReportLuaError(L, TString::Printf("Lua Error: %s\n\twhen %s", message.c_str(), what ? what : ""));
  return false;
}
