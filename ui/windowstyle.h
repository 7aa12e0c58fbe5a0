// TWindowStyle: the read-only view through which windows read their keys
// from the Lua table a script wrote for them. A key the table lacks is looked
// up in the global "gCurrentDefaultStyle" and along that table's chain of
// "parent" tables (the window's own "parent" is not followed). A style that
// is not a table reads the global variable of the key's name.
#pragma once
#include <array>

#include "platform/string.h"

struct lua_State;
class TLuaTable;
class TLuaFunction;

class TWindowStyle {
public:
  // A style over the value at `index` of L's stack; the value must stay
  // there while the style is used.
  TWindowStyle(lua_State* L, int index);
  // A style over a table kept in the registry (not owned).
  explicit TWindowStyle(TLuaTable* table);
  virtual ~TWindowStyle() = default;

  double GetNumber(const TString& key, double defaultValue);
  TString GetString(const TString& key, const TString& defaultValue);
  // Entries 1 to 4 of the table found (left, top, right, bottom).
  std::array<float, 4> GetRect(const TString& key, const std::array<float, 4>& defaultValue);
  bool GetBool(const TString& key, bool defaultValue);
  // A new table or function object for the value, null when not found or of
  // another kind (the caller owns it).
  TLuaTable* GetTable(const TString& key);
  TLuaFunction* GetFunction(const TString& key);
  bool Has(const TString& key);

  lua_State* GetState() const { return L_; }
  // Pushes the style's own value.
  void Push();

  // The longest "parent" chain followed; a longer (or cyclic) chain ends the lookup.
  static constexpr int kMaxChain = 32;

private:
  // With the style value on top: leaves the value found above it and returns
  // true, or leaves the stack as it was.
  bool Lookup(const TString& key, bool useDefault, int depth);
  // Pushes the value found for the key (true), or nothing (false).
  bool Find(const TString& key);

  lua_State* L_;
  int index_ = 0;
  TLuaTable* table_ = nullptr;
};
