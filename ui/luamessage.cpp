#include "ui/luamessage.h"

#include <cstring>

#include "ui/windowmanager.h"
#include "ui/windowscript.h"

const char* const kMessageMetatable = "knMessageMetatable";

namespace {

int MessageIndex(lua_State* L) {
  TMessage* m = ToMessage(L, 1);
  if (!m) return 0;
  const char* key = lua_tostring(L, 2);
  if (!key) {
    lua_pushnil(L);
  } else if (std::string(key) == "type") {
    lua_pushnumber(L, m->type);
  } else if (std::string(key) == "name") {
    PushLuaString(L, m->text);
  } else {
    lua_pushnil(L);
  }
  return 1;
}

int MessageGc(lua_State* L) {
  TMessage* m = ToMessage(L, 1);
  if (m) {
    void* none = nullptr;
    std::memcpy(lua_touserdata(L, 1), &none, sizeof(void*));
    delete m;
  }
  return 0;
}

}  // namespace

void RegisterMessageMetatable(lua_State* L) {
  if (luaL_newmetatable(L, kMessageMetatable)) {
    lua_pushcfunction(L, &MessageIndex);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, &MessageGc);
    lua_setfield(L, -2, "__gc");
  }
  lua_pop(L, 1);
}

void PushMessage(lua_State* L, TMessage* message) {
  lua_pushuserpointer(L, message);
  luaL_getmetatable(L, kMessageMetatable);
  lua_setmetatable(L, -2);
}

TMessage* ToMessage(lua_State* L, int index) {
  return static_cast<TMessage*>(lua_touserpointer(L, index, kMessageMetatable));
}

TLuaMessageWrapper::TLuaMessageWrapper(lua_State* L, int index)
    : TMessage(kGeneric, TString(), nullptr), value_(L, index) {
  if (TMessage* inner = ToMessage(L, index)) {
    type = inner->type;
    text = inner->text;
    target = inner->target;
  }
}

TMessageClassId TLuaMessageWrapper::ClassId() {
  static const char tag = 0;
  return &tag;
}

TMessage* TLuaMessageWrapper::GetDeliveryMessage() {
  lua_State* L = value_.GetState();
  if (!L) return this;
  value_.Push(L);
  TMessage* inner = ToMessage(L, -1);
  lua_pop(L, 1);
  return inner ? inner : this;
}

bool TLuaMessageWrapper::QueueToScript(TMessage* message, const TLuaFunction* command) {
  TWindowManager* wm = GetWindowManager();
  TWindowScript* script = wm ? wm->GetScript() : nullptr;
  return script ? script->QueueToScript(message, command) : false;
}
