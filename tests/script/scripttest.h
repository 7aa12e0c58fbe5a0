// Shared set-up of the scripting tests: a TScript, a log capture and quick
// access to globals.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "platform/log.h"
#include "script/script.h"

class ScriptTest : public ::testing::Test {
protected:
  // Runs the text; fails the test when it does not run.
  void Run(const std::string& text) { ASSERT_TRUE(script.DoLuaString(text.c_str(), "test")) << text; }
  std::string Text(const char* global) {
    lua_getglobal(L(), global);
    return script.PopString().str();
  }
  double Number(const char* global) {
    lua_getglobal(L(), global);
    double v = lua_tonumber(L(), -1);
    lua_pop(L(), 1);
    return v;
  }
  std::string Type(const char* global) {
    lua_getglobal(L(), global);
    std::string t = luaL_typename(L(), -1);
    lua_pop(L(), 1);
    return t;
  }
  lua_State* L() { return script.GetState(); }

  TLogCapture log;
  TScript script;
};
