// Running texts and files, error output, and the value helpers.
#include <cmath>

#include "platform/archive.h"
#include "platform/folders.h"
#include "script/scriptcode.h"
#include "tests/script/scripttest.h"
#include "tests/support/testsupport.h"

using testing_support::ScopedChdir;
using testing_support::TempDir;

TEST_F(ScriptTest, ErrorsGiveTheExactLineAndTheCallerGoesOn) {
  EXPECT_FALSE(script.DoLuaString("error('boom')", "pressing OK"));
  EXPECT_EQ(log.Count("Lua Error: [string \"error('boom')\"]:1: boom\n\twhen pressing OK"), 1u);
  EXPECT_FALSE(script.DoLuaString("x = = 1", "a broken text"));
  EXPECT_TRUE(log.Contains("Lua Error: [string \"x = = 1\"]:1: unexpected symbol near '='\n\twhen a broken text"));
  EXPECT_FALSE(script.DoLuaString("error({})", "a table"));
  EXPECT_TRUE(log.Contains("Lua Error: (error object is a table value)\n\twhen a table"));
  EXPECT_EQ(lua_gettop(L()), 0);
  EXPECT_EQ(script.GetThreadCount(), 0u);

  // The error output is the global _ALERT, which a script may replace.
  Run("_ALERT = function(t) seen = t end");
  script.DoLuaString("error('x', 0)", "w");
  EXPECT_EQ(Text("seen"), "Lua Error: x\n\twhen w");
  EXPECT_FALSE(log.Contains("Lua Error: x"));
  Run("_ALERT = function() error('broken handler') end");
  script.DoLuaString("error('y', 0)", "v");
  EXPECT_TRUE(log.Contains("_ALERT failed: "));
  EXPECT_TRUE(log.Contains("Lua Error: y\n\twhen v"));  // still reaches the log
}

TEST_F(ScriptTest, RunFileReadsSourceAndPrecompiledChunks) {
  TempDir dir;
  ScopedChdir cd(dir.Path());
  dir.Write("scripts/plain.lua", "\xEF\xBB\xBFplain = 'ok'\n");
  EXPECT_TRUE(script.RunFile("scripts/plain.lua"));
  EXPECT_EQ(Text("plain"), "ok");

  ASSERT_EQ(luaL_loadstring(L(), "compiled = 40 + 2"), 0);
  std::string bytes;
  lua_dump(L(), [](lua_State*, const void* p, size_t n, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(p), n);
    return 0;
  }, &bytes);
  lua_pop(L(), 1);
  dir.Write("scripts/compiled.luac", bytes);
  EXPECT_TRUE(script.RunFile("scripts/compiled.luac"));
  EXPECT_EQ(Number("compiled"), 42);
  dir.Write("scripts/cut.luac", bytes.substr(0, bytes.size() / 2));  // cut short: refused, not run
  EXPECT_FALSE(script.RunFile("scripts/cut.luac"));
  EXPECT_TRUE(log.Contains("Failed to run script scripts/cut.luac: 3"));

  EXPECT_FALSE(script.RunFile("scripts/missing.lua"));
  EXPECT_TRUE(log.Contains("Lua Error: cannot read scripts/missing.lua\n\twhen scripts/missing.lua"));
  EXPECT_TRUE(log.Contains("Failed to run script scripts/missing.lua: 6"));
  dir.Write("scripts/fails.lua", "local x = nil\nx.y = 1\n");
  EXPECT_FALSE(script.RunFile("scripts/fails.lua"));
  EXPECT_TRUE(log.Contains("Lua Error: scripts/fails.lua:2: attempt to index local 'x' (a nil value)"));
  EXPECT_TRUE(log.Contains("Failed to run script scripts/fails.lua: 2"));

  Run("f, err = loadfile('scripts/nothere.lua'); g = loadfile('scripts/plain.lua')");
  EXPECT_EQ(Text("err"), "cannot read scripts/nothere.lua");
  EXPECT_EQ(Type("g"), "function");
}

TEST_F(ScriptTest, ScriptsRunFromPackArchivesAndAreHeldAsAssets) {
  TempDir dir;
  std::string source = dir.Write("src/packed.lua", "packed = (packed or 0) + 1\nlocal x = nil\nif fail then x.y = 1 end\n");
  ASSERT_TRUE(WritePackArchive(dir.File("assets/scripts.knp"), {{"scripts/Packed.lua", source}}));
  ScopedChdir cd(dir.Path());
  RefreshFileLayer();
  TAssetManager registry;
  TAssetManager* previous = SetAssetManager(&registry);

  EXPECT_TRUE(script.RunFile("scripts/packed.lua"));
  Run("dofile('scripts/packed.lua')");
  EXPECT_EQ(Number("packed"), 2);

  boost::shared_ptr<TScriptCode> code = TScriptCode::Get("scripts/packed.lua");
  ASSERT_TRUE(code);
  EXPECT_EQ(code->GetClassName(), std::string("TScriptCode"));
  EXPECT_FALSE(code->IsCompiled());
  EXPECT_TRUE(script.RunFile("scripts/packed.lua"));
  EXPECT_TRUE(code->IsCompiled());  // compiled once, then loaded from the compiled form
  EXPECT_EQ(TScriptCode::Get("scripts/packed.lua"), code);
  Run("fail = true");
  EXPECT_FALSE(script.RunFile("scripts/packed.lua"));
  EXPECT_TRUE(log.Contains("Lua Error: scripts/packed.lua:3: attempt to index local 'x' (a nil value)"));
  EXPECT_EQ(Number("packed"), 4);
  code.reset();
  EXPECT_FALSE(registry.Find(TScriptCode::MakeKey("scripts/packed.lua")));
  SetAssetManager(previous);
  RefreshFileLayer();
}

TEST_F(ScriptTest, PopConversionsAndUserPointers) {
  Run("s = 12; t = {1.9, -2, 'x'}; b = {nil, false, true, 0, -0.5, '0'}");
  lua_getglobal(L(), "s");
  EXPECT_EQ(script.PopString(), "12");
  lua_getglobal(L(), "t");
  EXPECT_EQ(script.PopString(), "");
  lua_getglobal(L(), "t");
  EXPECT_EQ(script.PopRect(), TRect(1, -2, 0, 0));
  lua_pushnumber(L(), 5);
  EXPECT_EQ(script.PopRect(), TRect());
  std::string bools;
  lua_getglobal(L(), "b");
  for (int i = 1; i <= 6; ++i) {
    lua_rawgeti(L(), 1, i);
    bools += script.PopBool() ? '1' : '0';
  }
  lua_pop(L(), 1);
  EXPECT_EQ(bools, "001011");
  EXPECT_FALSE(script.PopBool());  // an empty stack stays empty
  EXPECT_EQ(lua_gettop(L()), 0);
  script.SetGlobalString("gReturnValue", TString("ok\0k", 4));
  lua_getglobal(L(), "gReturnValue");
  EXPECT_EQ(script.PopString(), TString("ok\0k", 4));
  EXPECT_EQ(ClampToInt(NAN), 0);

  int target = 0;
  luaL_newmetatable(L(), "knMessageMetatable");
  lua_pushuserpointer(L(), &target);
  EXPECT_EQ(lua_touserpointer(L(), -1), &target);
  EXPECT_EQ(lua_touserpointer(L(), -1, "knMessageMetatable"), nullptr);  // no metatable yet
  lua_insert(L(), -2);
  lua_setmetatable(L(), -2);
  EXPECT_EQ(lua_touserpointer(L(), -1, "knMessageMetatable"), &target);
  lua_newuserdata(L(), 3 * sizeof(void*));  // another kind of userdata
  EXPECT_EQ(lua_touserpointer(L(), -1), nullptr);
  lua_settop(L(), 0);
}

TEST_F(ScriptTest, TableGettersFallBackToTheirDefaults) {
  Run("t = {'text', 2.5, {1, 'x', nil, 4}, '7', true}");
  lua_getglobal(L(), "t");
  TLuaTable t(L(), -1);
  lua_pushnumber(L(), 3);
  TLuaTable notTable(L(), -1);
  lua_settop(L(), 0);
  EXPECT_EQ(t.GetString(1, "d") + t.GetString(2, "d") + t.GetString(3, "d") + t.GetString(9, "d"), "text2.5dd");
  EXPECT_EQ(t.GetNumber(2, -1) + t.GetNumber(4, -1), 9.5);  // a numeric string counts
  EXPECT_EQ(t.GetNumber(1, -1) + t.GetNumber(5, -1), -2);
  EXPECT_EQ(notTable.GetNumber(1, 5), 5);
  const float def[4] = {9, 8, 7, 6};
  float out[4];
  t.GetFloat4(3, def, out);
  EXPECT_EQ(std::vector<float>(out, out + 4), std::vector<float>({1, 8, 7, 4}));
  t.GetFloat4(1, def, out);
  EXPECT_EQ(out[0], 9);
  EXPECT_EQ(lua_gettop(L()), 0);
}

TEST_F(ScriptTest, WrapperReleasesItsValueAndFunctionsReportErrors) {
  Run("weak = setmetatable({{}}, {__mode = 'v'}); function add(a, b) return a + b end");
  lua_getglobal(L(), "weak");
  lua_rawgeti(L(), -1, 1);
  auto kept = std::make_unique<TLuaObjectWrapper>(L(), -1);
  lua_settop(L(), 0);
  lua_gc(L(), LUA_GCCOLLECT, 0);
  EXPECT_EQ(kept->GetType(), LUA_TTABLE);
  kept.reset();
  lua_gc(L(), LUA_GCCOLLECT, 0);
  Run("gone = weak[1] == nil or nil");
  EXPECT_EQ(Type("gone"), "boolean");

  lua_getglobal(L(), "add");
  TLuaFunction add(L(), -1);
  lua_pushnumber(L(), 2);
  lua_pushnumber(L(), 3);
  ASSERT_TRUE(add.Call(2, 1));
  EXPECT_EQ(lua_tonumber(L(), -1), 5);
  lua_settop(L(), 0);
  lua_pushnumber(L(), 2);
  lua_newtable(L());
  EXPECT_FALSE(add.Call(2, 1, "adding"));
  EXPECT_TRUE(log.Contains("attempt to perform arithmetic on local 'b' (a table value)\n\twhen adding"));
  EXPECT_EQ(lua_gettop(L()), 0);
}
