// Native functions bound as Lua globals.
//
// A binding is a global C closure whose first upvalue is a full userdata
// holding the object and the member function to call (or only a plain
// function), and whose second upvalue is the global's name (for messages).
// The closure converts the Lua arguments, calls, and pushes the result:
//
//   argument type          from Lua
//   const char*            the string (a number is written as text); null for
//                          anything else
//   TString, std::string   the same text; empty instead of null
//   int, unsigned, long    the number truncated toward zero and clamped to the
//                          type's range; NaN and non-numbers 0
//   float, double          the number; 0 for non-numbers
//   bool                   Lua truth (nil and false are false, 0 is true)
//
//   result type            to Lua
//   void                   nothing
//   bool                   a boolean
//   numbers                a number
//   const char*            a string, nil for null
//   TString, std::string   a string
//
// A function `int f(lua_State* L)` (member or not) gets the state raw: its
// arguments are at 1..n and it returns the number of results it pushed, or
// the value of lua_yield / TScript::Wait.
//
// A C++ exception derived from std::exception that leaves the function
// becomes a Lua error "<global>: <what>".
//
// Lifetime. A TLuaBindings belongs to the object whose members it binds
// (make it the object's last member). When it is destroyed, every global it
// bound that still refers to its binding goes back to the newest live
// binding of the same name made by another TLuaBindings, or becomes nil when
// there is none. A copy of the function that a script kept in a variable no
// longer reaches the object: calling it logs "Lua: %s called after its object
// was destroyed" and returns nothing. A global that a script replaced with a
// value of its own is left alone.
#pragma once
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "script/limits.h"
#include "script/luaapi.h"

namespace lua_bind {

// The start of every binding userdata.
struct THeader {
  bool live;
};

template <class Fn>
struct TCall {
  THeader header;
  void* object;
  Fn fn;
};

// Argument conversions.
template <class T, class Enable = void>
struct TArg;

template <>
struct TArg<const char*> {
  static const char* Get(lua_State* L, int i) { return lua_isstring(L, i) ? lua_tostring(L, i) : nullptr; }
};
template <>
struct TArg<TString> {
  static TString Get(lua_State* L, int i) { return LuaToText(L, i); }
};
template <>
struct TArg<std::string> {
  static std::string Get(lua_State* L, int i) { return LuaToText(L, i).str(); }
};
template <>
struct TArg<bool> {
  static bool Get(lua_State* L, int i) { return lua_toboolean(L, i) != 0; }
};
template <class T>
struct TArg<T, std::enable_if_t<std::is_floating_point_v<T>>> {
  static T Get(lua_State* L, int i) { return static_cast<T>(lua_tonumber(L, i)); }
};
template <class T>
struct TArg<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
  static T Get(lua_State* L, int i) {
    double v = lua_tonumber(L, i);
    if (v != v) return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<T>::max());
    if (v <= lo) return std::numeric_limits<T>::min();
    if (v >= hi) return std::numeric_limits<T>::max();
    return static_cast<T>(v);
  }
};

// Result conversions; each returns the number of values pushed.
inline int PushResult(lua_State* L, bool v) { lua_pushboolean(L, v); return 1; }
inline int PushResult(lua_State* L, const char* v) {
  if (v) lua_pushstring(L, v);
  else lua_pushnil(L);
  return 1;
}
inline int PushResult(lua_State* L, const TString& v) { PushLuaString(L, v); return 1; }
inline int PushResult(lua_State* L, const std::string& v) { lua_pushlstring(L, v.data(), v.size()); return 1; }
template <class T, std::enable_if_t<std::is_arithmetic_v<T> && !std::is_same_v<T, bool>, int> = 0>
int PushResult(lua_State* L, T v) {
  lua_pushnumber(L, static_cast<lua_Number>(v));
  return 1;
}

// What a callable is: its class (void for plain functions), result and arguments.
template <class F>
struct TTraits;
template <class T, class R, class... A>
struct TTraits<R (T::*)(A...)> {
  using Object = T;
  using Result = R;
  using Args = std::tuple<A...>;
  template <class Fn, class... V>
  static R Call(void* object, Fn fn, V&&... v) { return (static_cast<T*>(object)->*fn)(std::forward<V>(v)...); }
};
template <class T, class R, class... A>
struct TTraits<R (T::*)(A...) const> {
  using Object = T;
  using Result = R;
  using Args = std::tuple<A...>;
  template <class Fn, class... V>
  static R Call(void* object, Fn fn, V&&... v) { return (static_cast<const T*>(object)->*fn)(std::forward<V>(v)...); }
};
template <class R, class... A>
struct TTraits<R (*)(A...)> {
  using Object = void;
  using Result = R;
  using Args = std::tuple<A...>;
  template <class Fn, class... V>
  static R Call(void*, Fn fn, V&&... v) { return fn(std::forward<V>(v)...); }
};

template <class Fn>
constexpr bool kIsRaw = std::is_same_v<typename TTraits<Fn>::Args, std::tuple<lua_State*>> &&
                        std::is_same_v<typename TTraits<Fn>::Result, int>;

// Logs the call of a binding whose object is gone; returns no results.
int DeadCall(lua_State* L);
// Raises the Lua error for a C++ exception that left a bound function.
int RaiseFromException(lua_State* L, const char* what);

template <class Fn, size_t... I>
int Invoke(lua_State* L, TCall<Fn>* call, std::index_sequence<I...>) {
  using Traits = TTraits<Fn>;
  using R = typename Traits::Result;
  if constexpr (kIsRaw<Fn>) {
    return Traits::Call(call->object, call->fn, L);
  } else if constexpr (std::is_void_v<R>) {
    Traits::Call(call->object, call->fn,
                 TArg<std::decay_t<std::tuple_element_t<I, typename Traits::Args>>>::Get(L, int(I) + 1)...);
    return 0;
  } else {
    return PushResult(L, Traits::Call(call->object, call->fn,
                                      TArg<std::decay_t<std::tuple_element_t<I, typename Traits::Args>>>::Get(
                                          L, int(I) + 1)...));
  }
}

template <class Fn>
int Thunk(lua_State* L) {
  auto* call = static_cast<TCall<Fn>*>(lua_touserdata(L, lua_upvalueindex(1)));
  if (!call || !call->header.live) return DeadCall(L);
  TLuaNativeScope native(L);
  try {
    return Invoke<Fn>(L, call, std::make_index_sequence<std::tuple_size_v<typename TTraits<Fn>::Args>>{});
  } catch (const std::exception& e) {
    return RaiseFromException(L, e.what());
  }
}

}  // namespace lua_bind

// One binding of a global name, as kept on the name's stack.
struct TLuaBindingEntry {
  std::string name;
  int closureRef;
  lua_bind::THeader* header;
};

// The bindings one object made; see the top of this file.
class TLuaBindings {
public:
  explicit TLuaBindings(lua_State* L);
  ~TLuaBindings();
  TLuaBindings(const TLuaBindings&) = delete;
  TLuaBindings& operator=(const TLuaBindings&) = delete;

  // Binds a member function of `object` as the global `name`.
  template <class T, class Fn>
  void Bind(const char* name, T* object, Fn fn) {
    static_assert(std::is_member_function_pointer_v<Fn>, "Bind(name, object, &Class::Member)");
    static_assert(std::is_base_of_v<typename lua_bind::TTraits<Fn>::Object, T>, "member of another class");
    using Object = typename lua_bind::TTraits<Fn>::Object;
    Object* target = object;  // adjust to the class that declares the member
    Install<Fn>(name, const_cast<std::remove_const_t<Object>*>(target), fn);
  }
  // Binds a plain function as the global `name`.
  template <class R, class... A>
  void Bind(const char* name, R (*fn)(A...)) {
    Install<R (*)(A...)>(name, nullptr, fn);
  }
  // Undoes one binding made by this object (see the top of this file).
  void Unbind(const char* name);
  void UnbindAll();

  lua_State* GetState() const { return info_->alive ? info_->main : nullptr; }

private:
  template <class Fn>
  void Install(const char* name, void* object, Fn fn) {
    if (!info_->alive) return;
    lua_State* L = info_->main;
    auto* call = static_cast<lua_bind::TCall<Fn>*>(lua_newuserdata(L, sizeof(lua_bind::TCall<Fn>)));
    call->header.live = true;
    call->object = object;
    call->fn = fn;
    lua_pushstring(L, name);
    lua_pushcclosure(L, &lua_bind::Thunk<Fn>, 2);
    Publish(name, &call->header);
  }
  // Takes the closure on top of the main stack and makes it the global `name`.
  void Publish(const char* name, lua_bind::THeader* header);
  void Remove(TLuaBindingEntry* entry);

  std::shared_ptr<TLuaStateInfo> info_;
  std::vector<std::unique_ptr<TLuaBindingEntry>> entries_;
};
