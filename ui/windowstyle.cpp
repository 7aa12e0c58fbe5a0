#include "ui/windowstyle.h"

#include "script/luaapi.h"
#include "script/luaobject.h"

#include "platform/log.h"

namespace {

int IndexValue(lua_State* L) {  // (t, k) -> t[k]
  lua_gettable(L, 1);
  return 1;
}

// Pushes t[key] for the table at `index`, read as Lua reads it (an "__index"
// metatable counts). The read runs protected: a metamethod that raises (or
// loops) is logged and reads as nil, never ends the process from native code.
void GetField(lua_State* L, int index, const char* key) {
  if (index < 0 && index > LUA_REGISTRYINDEX) index = lua_gettop(L) + index + 1;
  lua_pushcfunction(L, IndexValue);
  lua_pushvalue(L, index);
  lua_pushstring(L, key);
  if (lua_pcall(L, 2, 1, 0) != 0) {
    TraceOut("TWindowStyle: reading '%s' failed: %s", key, LuaErrorText(L, -1).c_str());
    lua_pop(L, 1);
    lua_pushnil(L);
  }
}

}  // namespace

TWindowStyle::TWindowStyle(lua_State* L, int index) : L_(L) {
  index_ = (index < 0 && index > LUA_REGISTRYINDEX) ? lua_gettop(L) + index + 1 : index;
}

TWindowStyle::TWindowStyle(TLuaTable* table) : L_(table ? table->GetState() : nullptr), table_(table) {}

void TWindowStyle::Push() {
  if (table_) table_->Push(L_);
  else lua_pushvalue(L_, index_);
}

bool TWindowStyle::Lookup(const TString& key, bool useDefault, int depth) {
  if (depth > kMaxChain) {
    TraceOut("TWindowStyle: the \"parent\" chain is longer than %d or cyclic; key '%s' not found", kMaxChain,
             key.c_str());
    return false;
  }
  if (!lua_checkstack(L_, 8)) return false;
  if (lua_istable(L_, -1)) {
    GetField(L_, -1, key.c_str());
  } else {
    GetField(L_, LUA_GLOBALSINDEX, key.c_str());
  }
  if (!lua_isnil(L_, -1)) return true;
  lua_pop(L_, 1);
  if (useDefault) {
    GetField(L_, LUA_GLOBALSINDEX, "gCurrentDefaultStyle");
  } else {
    GetField(L_, -1, "parent");
  }
  if (!lua_istable(L_, -1)) {
    lua_pop(L_, 1);
    return false;
  }
  if (Lookup(key, false, depth + 1)) {
    lua_remove(L_, -2);
    return true;
  }
  lua_pop(L_, 1);
  return false;
}

bool TWindowStyle::Find(const TString& key) {
  if (!L_) return false;
  int top = lua_gettop(L_);
  Push();
  if (!Lookup(key, true, 0)) {
    lua_settop(L_, top);
    return false;
  }
  lua_remove(L_, -2);
  return true;
}

double TWindowStyle::GetNumber(const TString& key, double defaultValue) {
  if (!L_) return defaultValue;
  int top = lua_gettop(L_);
  double v = defaultValue;
  if (Find(key)) v = lua_tonumber(L_, -1);
  lua_settop(L_, top);
  return v;
}

TString TWindowStyle::GetString(const TString& key, const TString& defaultValue) {
  if (!L_) return defaultValue;
  int top = lua_gettop(L_);
  TString v = defaultValue;
  if (Find(key)) {
    size_t len = 0;
    const char* s = lua_tolstring(L_, -1, &len);
    v = s ? TString(s, len) : TString();
  }
  lua_settop(L_, top);
  return v;
}

std::array<float, 4> TWindowStyle::GetRect(const TString& key, const std::array<float, 4>& defaultValue) {
  if (!L_) return defaultValue;
  int top = lua_gettop(L_);
  std::array<float, 4> v = defaultValue;
  if (Find(key) && lua_istable(L_, -1)) {
    for (int i = 0; i < 4; ++i) {
      lua_rawgeti(L_, -1, i + 1);
      v[i] = static_cast<float>(lua_tonumber(L_, -1));
      lua_pop(L_, 1);
    }
  }
  lua_settop(L_, top);
  return v;
}

bool TWindowStyle::GetBool(const TString& key, bool defaultValue) {
  if (!L_) return defaultValue;
  int top = lua_gettop(L_);
  bool v = defaultValue;
  if (Find(key)) {
    if (lua_isboolean(L_, -1)) v = lua_toboolean(L_, -1) != 0;
    else if (lua_type(L_, -1) == LUA_TNUMBER) v = lua_tonumber(L_, -1) != 0;
    else v = !lua_isnil(L_, -1);
  }
  lua_settop(L_, top);
  return v;
}

// A new wrapper of type T for the value found, when `accept` holds for it.
template <class T>
static T* WrapFound(TWindowStyle& style, lua_State* L, const TString& key, int (*accept)(lua_State*, int),
                    bool (TWindowStyle::*find)(const TString&)) {
  if (!L) return nullptr;
  int top = lua_gettop(L);
  T* wrapper = nullptr;
  if ((style.*find)(key) && accept(L, -1)) wrapper = new T(L, -1);
  lua_settop(L, top);
  return wrapper;
}

static int IsTable(lua_State* L, int i) { return lua_istable(L, i); }
static int IsFunction(lua_State* L, int i) { return lua_isfunction(L, i); }

TLuaTable* TWindowStyle::GetTable(const TString& key) {
  return WrapFound<TLuaTable>(*this, L_, key, &IsTable, &TWindowStyle::Find);
}

TLuaFunction* TWindowStyle::GetFunction(const TString& key) {
  return WrapFound<TLuaFunction>(*this, L_, key, &IsFunction, &TWindowStyle::Find);
}

bool TWindowStyle::Has(const TString& key) {
  if (!L_) return false;
  int top = lua_gettop(L_);
  bool found = Find(key);
  lua_settop(L_, top);
  return found;
}
