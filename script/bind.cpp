#include "script/bind.h"

#include <algorithm>

#include "platform/log.h"

namespace lua_bind {

int DeadCall(lua_State* L) {
  const char* name = lua_tostring(L, lua_upvalueindex(2));
  TraceOut("Lua: %s called after its object was destroyed", name ? name : "?");
  return 0;
}

int RaiseFromException(lua_State* L, const char* what) {
  const char* name = lua_tostring(L, lua_upvalueindex(2));
  return luaL_error(L, "%s: %s", name ? name : "?", what ? what : "exception");
}

}  // namespace lua_bind

TLuaBindings::TLuaBindings(lua_State* L) : info_(GetLuaStateInfo(L)) {}

TLuaBindings::~TLuaBindings() { UnbindAll(); }

void TLuaBindings::Publish(const char* name, lua_bind::THeader* header) {
  lua_State* L = info_->main;
  Unbind(name);  // a second binding of the same name by this object replaces the first
  auto entry = std::make_unique<TLuaBindingEntry>();
  entry->name = name;
  entry->header = header;
  lua_pushvalue(L, -1);
  entry->closureRef = luaL_ref(L, LUA_REGISTRYINDEX);
  lua_pushstring(L, name);
  lua_insert(L, -2);
  lua_rawset(L, LUA_GLOBALSINDEX);
  info_->bindings[entry->name].push_back(entry.get());
  entries_.push_back(std::move(entry));
}

void TLuaBindings::Unbind(const char* name) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if ((*it)->name == name) {
      Remove(it->get());
      entries_.erase(it);
      return;
    }
  }
}

void TLuaBindings::UnbindAll() {
  // Newest first, so a name bound twice by this object unwinds in order.
  while (!entries_.empty()) {
    Remove(entries_.back().get());
    entries_.pop_back();
  }
}

void TLuaBindings::Remove(TLuaBindingEntry* entry) {
  if (!info_->alive) return;  // the state and the binding's userdata are gone
  entry->header->live = false;  // copies kept by scripts stop reaching the object
  lua_State* L = info_->main;
  auto& stack = info_->bindings[entry->name];
  stack.erase(std::remove(stack.begin(), stack.end(), entry), stack.end());

  // Only a global that still refers to this binding changes hands.
  lua_pushstring(L, entry->name.c_str());
  lua_rawget(L, LUA_GLOBALSINDEX);
  lua_rawgeti(L, LUA_REGISTRYINDEX, entry->closureRef);
  bool ours = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 2);
  if (ours) {
    lua_pushstring(L, entry->name.c_str());
    if (stack.empty()) lua_pushnil(L);
    else lua_rawgeti(L, LUA_REGISTRYINDEX, stack.back()->closureRef);
    lua_rawset(L, LUA_GLOBALSINDEX);
  }
  if (stack.empty()) info_->bindings.erase(entry->name);
  luaL_unref(L, LUA_REGISTRYINDEX, entry->closureRef);
}
