// Native handles on Lua values: a value kept alive in the Lua registry for as
// long as the native object lives.
#pragma once
#include <memory>

#include "script/luaapi.h"

// Keeps one Lua value in the registry of its state, keyed by the wrapper's own
// address; destruction stores nil there. A wrapper may outlive its state: it
// then does nothing (Push pushes nil). Not copyable.
class TLuaObjectWrapper {
public:
  // Keeps the value at `index` of L's stack; the stack is left as it was.
  TLuaObjectWrapper(lua_State* L, int index);
  virtual ~TLuaObjectWrapper();
  TLuaObjectWrapper(const TLuaObjectWrapper&) = delete;
  TLuaObjectWrapper& operator=(const TLuaObjectWrapper&) = delete;

  // Pushes the value on L, a thread of the same state (nil once the state is closed).
  void Push(lua_State* L) const;
  // Pushes it on the state's main thread.
  void Push() const { Push(GetState()); }
  // The main thread of the state; null once the state is closed.
  lua_State* GetState() const;
  // The Lua type of the value (LUA_TNIL ... LUA_TTHREAD); LUA_TNONE once the state is closed.
  int GetType() const;

private:
  std::shared_ptr<TLuaStateInfo> info_;
};

// A table (or any value; the getters treat a non-table as empty). The getters
// read element n with raw access (no metamethods) and leave the stack as it was.
class TLuaTable : public TLuaObjectWrapper {
public:
  TLuaTable(lua_State* L, int index) : TLuaObjectWrapper(L, index) {}

  // Element n as text: a string, or a number written as Lua writes it; the
  // default for anything else or when missing.
  TString GetString(int n, const TString& defaultValue = TString()) const;
  // Element n as a number: a number or a numeric string; else the default.
  double GetNumber(int n, double defaultValue = 0.0) const;
  // Four floats from elements 1..4 of the table at element n; each element
  // that is missing or not a number takes its value from `defaultValue`.
  void GetFloat4(int n, const float defaultValue[4], float out[4]) const;
};

// A function, owned by whoever made it (for example a button's Lua action).
class TLuaFunction : public TLuaObjectWrapper {
public:
  TLuaFunction(lua_State* L, int index) : TLuaObjectWrapper(L, index) {}

  // Calls the function in protected mode on the main thread with the `nargs`
  // values on top of the main stack (popped). On success leaves `nresults`
  // values and returns true. On an error reports "Lua Error: %s\n\twhen %s"
  // (with `what`) through "_ALERT", leaves nothing and returns false. The
  // function cannot wait (it runs on the main thread); to run one that may,
  // use TScript::StartThread.
  bool Call(int nargs = 0, int nresults = 0, const char* what = "calling a Lua function") const;
};
