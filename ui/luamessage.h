// Messages on the Lua side: a message is a full userdata holding the
// TMessage pointer, with the metatable "knMessageMetatable" ("type" and
// "name" readable, the message deleted by the garbage collector). A message
// made in Lua and posted travels the window tree as a TLuaMessageWrapper.
#pragma once
#include "script/luaobject.h"
#include "ui/message.h"

class TLuaFunction;

extern const char* const kMessageMetatable;  // "knMessageMetatable"

// Registers the metatable in the state's registry (once).
void RegisterMessageMetatable(lua_State* L);
// Pushes a userdata for `message`; the userdata owns it from now on.
void PushMessage(lua_State* L, TMessage* message);
// The message of a message userdata at `index`; null for nil, any other
// value, and any userdata of another kind.
TMessage* ToMessage(lua_State* L, int index);

// Keeps one Lua value alive in the registry.
class TLuaMessage : public TLuaObjectWrapper {
public:
  TLuaMessage(lua_State* L, int index) : TLuaObjectWrapper(L, index) {}
};

// A TMessage standing for a message made on the Lua side: it keeps the Lua
// value alive and copies its type, text and target.
class TLuaMessageWrapper : public TMessage {
public:
  // From the message userdata at `index` (which must pass ToMessage).
  TLuaMessageWrapper(lua_State* L, int index);
  const char* GetClassName() const override { return "TLuaMessageWrapper"; }
  bool IsA(TMessageClassId id) const override { return id == ClassId() || TMessage::IsA(id); }
  static TMessageClassId ClassId();
  // The message the Lua value refers to (this wrapper once the state is gone).
  TMessage* GetDeliveryMessage() override;
  // Pushes the wrapped Lua value.
  void PushValue(lua_State* L) const { value_.Push(L); }

  // Hands a message that reached the end of its way to the window script:
  // queued for the running Lua code, passed to the waiting coroutine, or (when
  // the script is busy elsewhere) its command run at once. True when taken;
  // otherwise the caller still owns (and deletes) it.
  static bool QueueToScript(TMessage* message, const TLuaFunction* command);

private:
  TLuaMessage value_;
};
