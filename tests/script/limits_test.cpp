// What a script gets (the sandbox) and what it may spend: scripts that run
// without yielding or grow past the memory limit are stopped, named in the
// log, and the state goes on.
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include <lualib.h>

#include "platform/settings.h"
#include "tests/script/scripttest.h"
#include "tests/support/testsupport.h"

namespace {

class LimitsTest : public ScriptTest {
protected:
  LimitsTest() {
    lua.Bind("WaitHere", this, &LimitsTest::WaitHere);
    lua.Bind("Sleep", &LimitsTest::Sleep);
  }
  int WaitHere(lua_State* L) { return script.Wait(L, 0); }
  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  TLuaBindings lua{script.GetState()};
};

}  // namespace

TEST_F(ScriptTest, ScriptsGetTheGameLibrariesAndNothingThatReachesTheSystem) {
  Run("absent = {}"
      "for _, name in ipairs{'io', 'package', 'require', 'module', 'debug', 'newproxy'} do"
      "  if _G[name] ~= nil then absent[#absent + 1] = name end "
      "end "
      "for _, name in ipairs{'execute', 'remove', 'rename', 'exit', 'getenv', 'tmpname', 'setlocale'} do"
      "  if os[name] ~= nil then absent[#absent + 1] = 'os.' .. name end "
      "end "
      "absent = table.concat(absent, ',')");
  EXPECT_EQ(Text("absent"), "");
  Run("present = type(os.time()) .. type(os.clock()) .. type(os.date('%Y')) .. type(string.rep) .. "
      "type(table.insert) .. type(math.floor) .. type(coroutine.wrap) .. type(pcall) .. type(setmetatable)");
  EXPECT_EQ(Text("present"), "numbernumberstringfunctionfunctionfunctionfunctionfunctionfunction");
}

TEST_F(ScriptTest, PatternsTooLongToMatchWithoutOverflowingTheStackAreRefused) {
  Run("s = string.rep('a', 300000) "
      "ok, e = pcall(string.find, s, string.rep('a?', 300000)) "
      "ok2, e2 = pcall(function() return s:gsub(string.rep('a?', 3000), '') end) "
      "n = #s:match(string.rep('a?', 2048)) "
      "plain = s:find(string.rep('a?', 300000), 1, true) or 'not found'");
  EXPECT_EQ(Type("ok"), "boolean");
  EXPECT_EQ(Text("e"), "pattern too long (600000 bytes; at most 4096)");
  EXPECT_NE(Text("e2").find("pattern too long (6000 bytes"), std::string::npos);
  EXPECT_EQ(Number("n"), 2048);
  EXPECT_EQ(Text("plain"), "not found");  // a plain search has no pattern
}

// A short pattern that backtracks 2^40 times in one call: the matcher's step
// budget ends it with a Lua error long before the time limit, through every
// entry point; pcall catches it like any error.
TEST_F(ScriptTest, PatternsThatBacktrackWithoutEndAreStoppedWithAnError) {
  Run("s = ('a'):rep(40) p = ('a?'):rep(40) .. ('a'):rep(40) "
      "errors = {} "
      "local function try(f) local ok, e = pcall(f) errors[#errors + 1] = ok and 'ran' or e end "
      "try(function() return string.find(s, p) end) "
      "try(function() return s:match(p) end) "
      "try(function() return s:gsub(p, '') end) "
      "try(function() for m in s:gmatch(p) do end end) "
      "try(function() for m in string.gfind(s, p) do end end) "
      "try(function() return (('a'):rep(30) .. 'b'):find(('a-'):rep(30) .. 'c') end) "
      "try(function() return (('()'):rep(100)):find(('%b()'):rep(2) .. ('.-'):rep(6) .. 'x') end) "
      "joined = table.concat(errors, '|') "
      "count = #errors "
      "after = ('x'):rep(3):gsub('x', 'y')");
  EXPECT_EQ(Number("count"), 7);
  const std::string joined = Text("joined");
  size_t stopped = 0;
  for (size_t at = joined.find("pattern too complex (more than 10000000 steps)"); at != std::string::npos;
       at = joined.find("pattern too complex", at + 1))
    ++stopped;
  EXPECT_EQ(stopped, 7u) << joined;
  EXPECT_EQ(Text("after"), "yyy");  // the library still works
}

// A call within its step budget still ends at the script's time limit: a
// long subject gets a budget to match, the clock stops it first.
TEST_F(ScriptTest, ALongPatternSearchStopsAtTheTimeLimit) {
  script.GetLimits().SetTimeLimit(100);
  EXPECT_FALSE(script.DoLuaString("local s = ('a'):rep(1000000) return s:find('a-b')", "searcher"));
  EXPECT_TRUE(log.Contains("Lua: stopped 'searcher': it ran for more than 100 ms without yielding"));
  EXPECT_TRUE(log.Contains("\"]:1: script 'searcher' stopped: it ran for more than 100 ms"));
  EXPECT_TRUE(script.DoLuaString("ok = ('ab'):find('a-b') == 1", "after"));
}

// The bounded pattern functions give what Lua's own give: the same results
// and the same errors, over many generated patterns and subjects.
TEST_F(ScriptTest, BoundedPatternsMatchAsLuasOwn) {
  const char* kCases = R"(
    local seed = 20240611
    local function rnd(n) seed = (seed * 1103515245 + 12345) % 2147483648 return seed % n end
    local pieces = { 'a', 'b', '.', '%a', '%d', '%s', '%w', '%A', '%p', '%x', '%z', '[ab]', '[^a]', '[a-c]',
      '[%d_]', '[]]', '[^]]', '[a-]', '[-b]', '[^-a]', '[a-c-x]', '[%a-]', '[b-a]', '[%]]', '%%', '%.', '(', ')',
      '()', '%1', '%2', '%b()', '%bab', '%f[%w]', '%f[%W]',
      '*', '+', '-', '?', '^', '$', 'x', ' ', '[', '%', '%f', '%b' }
    local chars = { 'a', 'b', 'c', '(', ')', ' ', '1', '_', 'x', '%', '.', '\0', ']' }
    local function make(list, low, high)
      local t = {}
      for i = 1, low + rnd(high - low + 1) do t[#t + 1] = list[1 + rnd(#list)] end
      return table.concat(t)
    end
    local out = {}
    local function record(...)
      local t = {}
      for i = 1, select('#', ...) do t[i] = tostring((select(i, ...))) end
      out[#out + 1] = table.concat(t, ',')
    end
    for i = 1, 3000 do
      local s, p = make(chars, 0, 10), make(pieces, 1, 6)
      record(pcall(string.find, s, p))
      record(pcall(string.find, s, p, rnd(14) - 7))
      record(pcall(string.find, s, p, rnd(4), true))
      record(pcall(string.match, s, p, rnd(14) - 7))
      record(pcall(function()
        local r = {}
        for a, b in string.gmatch(s, p) do
          r[#r + 1] = tostring(a) .. '/' .. tostring(b)
          if #r > 40 then break end
        end
        return table.concat(r, ';')
      end))
      record(pcall(string.gsub, s, p, '<%0|%1>'))
      record(pcall(string.gsub, s, p, '%'))
      record(pcall(string.gsub, s, p, { a = 'A', b = false, x = 7 }))
      record(pcall(string.gsub, s, p, function(x, y) if y then return x .. tostring(y) end end, rnd(3)))
    end
    result = table.concat(out, '\n')
  )";
  lua_State* stock = luaL_newstate();
  luaL_openlibs(stock);
  if (luaL_dostring(stock, kCases) != 0) {
    ADD_FAILURE() << lua_tostring(stock, -1);
    lua_close(stock);
    return;
  }
  lua_getglobal(stock, "result");
  size_t size = 0;
  const char* text = lua_tolstring(stock, -1, &size);
  const std::string expected(text, size);
  lua_close(stock);
  Run(kCases);
  const std::string got = Text("result");
  EXPECT_GT(expected.size(), 100000u);
  if (got != expected) {
    std::istringstream a(expected), b(got);
    std::string la, lb;
    for (int line = 1; std::getline(a, la) && std::getline(b, lb); ++line)
      ASSERT_EQ(lb, la) << "case line " << line;
    FAIL() << "the results differ in length";
  }
}

TEST_F(ScriptTest, LoadersReadOnlyThroughTheFileLayerAndOnlySourceText) {
  testing_support::TempDir dir;
  testing_support::ScopedChdir cd(dir.Path());
  dir.Write("ok.lua", "fromFile = 7");
  dir.Write("secret.txt", "not lua at all");
  std::string secret = dir.Path() + "/secret.txt";
  Run("f, e1 = loadfile('" + secret + "'); g, e2 = loadfile('\\\\" + secret.substr(1) + "'); "
      "d, e3 = pcall(dofile, '" + secret + "'); dofile('ok.lua')");
  EXPECT_EQ(Type("f"), "nil");
  EXPECT_EQ(Text("e1"), "cannot read " + secret + ": scripts load the game's assets only");
  EXPECT_EQ(Type("g"), "nil");
  EXPECT_NE(Text("e3").find("scripts load the game's assets only"), std::string::npos);
  EXPECT_EQ(Number("fromFile"), 7);
  // The player's, the desktop's and the program's folders are not assets: nothing
  // there is run, and no byte of it shows in a message.
  dir.Write("user/prefs.dat", "KPRFsecrettoken");
  dir.Write("user/common/run.lua", "ran = 'common'");
  dir.Write("desk/run.lua", "ran = 'desktop'");
  dir.Write("assets/run.lua", "ran = 'assets'");
  SetSetting("userfolder", dir.File("user"));
  SetSetting("desktopfolder", dir.File("desk"));
  SetSetting("programfolder", dir.Path());
  Run("refused = {} "
      "for _, name in ipairs{'user:prefs.dat', 'common:run.lua', 'desktop:run.lua', '::ok.lua', "
      "                      '@0:0,10', 'assets/../ok.lua', 'USER:prefs.dat'} do "
      "  local f, e = loadfile(name) "
      "  local ok, e2 = pcall(dofile, name) "
      "  if f == nil and not ok then refused[#refused + 1] = e .. '|' .. e2 end "
      "end "
      "refusals = table.concat(refused, '\\n') "
      "count = #refused "
      "dofile('run.lua')");
  SetSetting("userfolder", "");
  SetSetting("desktopfolder", "");
  SetSetting("programfolder", "");
  EXPECT_EQ(Number("count"), 7) << Text("refusals");
  EXPECT_EQ(Text("refusals").find("secrettoken"), std::string::npos) << Text("refusals");
  EXPECT_NE(Text("refusals").find("cannot read desktop:run.lua: scripts load the game's assets only"),
            std::string::npos) << Text("refusals");
  EXPECT_EQ(Text("ran"), "assets");  // a plain name still finds the assets
  // Precompiled chunks made at run time are refused, by every loader; source text loads.
  Run("code = string.dump(function() return 1 end) "
      "a, ea = loadstring(code) "
      "local pieces = { code:sub(1, 3), code:sub(4) } "
      "b, eb = load(function() return table.remove(pieces, 1) end) "
      "local text = { 'return ', '40 + 2' } "
      "c = load(function() return table.remove(text, 1) end)() "
      "d = loadstring('return 6 * 7')()");
  EXPECT_EQ(Type("a"), "nil");
  EXPECT_EQ(Text("ea"), "precompiled chunks are not accepted");
  EXPECT_EQ(Type("b"), "nil");
  EXPECT_EQ(Text("eb"), "precompiled chunks are not accepted");
  EXPECT_EQ(Number("c"), 42);
  EXPECT_EQ(Number("d"), 42);
}

TEST_F(ScriptTest, ADamagedPrecompiledChunkThatClaimsAHugeSizeIsRefused) {
  ASSERT_EQ(luaL_loadstring(L(), "return 1"), 0);
  std::string bytes;
  lua_dump(L(), [](lua_State*, const void* p, size_t n, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(p), n);
    return 0;
  }, &bytes);
  lua_pop(L(), 1);
  // After the 12-byte header: the source name (a size_t length, then its bytes), two
  // line numbers, four bytes of counts, then the number of instructions.
  size_t nameLength = 0;
  std::memcpy(&nameLength, bytes.data() + 12, sizeof nameLength);
  size_t codeCount = 12 + sizeof nameLength + nameLength + 8 + 4;
  ASSERT_LT(codeCount + 4, bytes.size());
  for (size_t length : {~size_t(0) - 158, size_t(1) << 33}) {
    std::string damaged = bytes;
    std::memcpy(&damaged[12], &length, sizeof length);
    EXPECT_NE(script.LoadChunk(reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size(), "=damaged"), 0);
    lua_pop(L(), 1);
  }
  int32_t count = 0x7FFFFFFF;
  std::string damaged = bytes;
  std::memcpy(&damaged[codeCount], &count, 4);
  EXPECT_NE(script.LoadChunk(reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size(), "=damaged"), 0);
  lua_pop(L(), 1);
  EXPECT_LT(script.GetLimits().GetUsed(), size_t(16) << 20);
}

TEST(ScriptLimits, ComeFromTheSettings) {
  {
    TScript script;
    EXPECT_EQ(script.GetLimits().GetTimeLimit(), TLuaLimits::kDefaultTimeLimitMs);
    EXPECT_EQ(script.GetLimits().GetMemoryLimit(), TLuaLimits::kDefaultMemoryLimit);
    EXPECT_GT(script.GetLimits().GetUsed(), 0u);
  }
  SetSetting("scripttimelimit", "250");
  SetSetting("scriptmemorylimit", "12");
  TScript script;
  EXPECT_EQ(script.GetLimits().GetTimeLimit(), 250u);
  EXPECT_EQ(script.GetLimits().GetMemoryLimit(), size_t(12) << 20);
  SetSetting("scripttimelimit", "");
  SetSetting("scriptmemorylimit", "");
}

TEST_F(LimitsTest, AScriptThatNeverYieldsIsStoppedNamedAndTheStateGoesOn) {
  script.GetLimits().SetTimeLimit(100);
  EXPECT_FALSE(script.DoLuaString("while true do end", "spinner"));
  EXPECT_TRUE(log.Contains("Lua: stopped 'spinner': it ran for more than 100 ms without yielding"));
  EXPECT_TRUE(log.Contains("script 'spinner' stopped: it ran for more than 100 ms without yielding"));
  // pcall, error handlers and coroutines of its own do not keep it alive.
  EXPECT_FALSE(script.DoLuaString("while true do pcall(function() while true do end end) end", "catcher"));
  EXPECT_TRUE(log.Contains("Lua: stopped 'catcher'"));
  EXPECT_FALSE(script.DoLuaString(
      "while true do xpcall(function() while true do end end, function() while true do end end) end", "handler"));
  EXPECT_TRUE(log.Contains("Lua: stopped 'handler'"));
  EXPECT_FALSE(script.DoLuaString("while true do coroutine.wrap(function() while true do end end)() end", "nested"));
  EXPECT_TRUE(log.Contains("Lua: stopped 'nested'"));
  // A function called from native code, and an error output that never returns.
  Run("function Spin() while true do end end");
  lua_getglobal(L(), "Spin");
  TLuaFunction spin(L(), -1);
  lua_pop(L(), 1);
  EXPECT_FALSE(spin.Call(0, 0, "calling Spin"));
  EXPECT_TRUE(log.Contains("Lua: stopped 'calling Spin'"));
  EXPECT_FALSE(script.DoLuaString("_ALERT = function() while true do end end; error('reported')", "alert"));
  EXPECT_TRUE(log.Contains("Lua: stopped '_ALERT'"));
  EXPECT_TRUE(log.Contains("reported"));  // written to the log directly instead
  Run("_ALERT = nil; after = 1 + 1");
  EXPECT_EQ(Number("after"), 2);
  EXPECT_EQ(script.GetThreadCount(), 0u);
}

TEST_F(LimitsTest, TimeCountsOnlyWhileRunningNotWhileSuspended) {
  script.GetLimits().SetTimeLimit(200);
  // (Each busy loop lets the hook look at the clock a few times.)
  Run("for round = 1, 3 do WaitHere(); for i = 1, 100000 do end end; finished = true");
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // 300 ms in all, waiting
    script.Resume(0);
  }
  EXPECT_EQ(Type("finished"), "boolean");
  EXPECT_FALSE(log.Contains("Lua: stopped"));
  // Time in a script it started does not count for the starter.
  Run("function Slow() Sleep(80) end");
  Run("_RunCommand(Slow); _RunCommand(Slow); _RunCommand(Slow); for i = 1, 100000 do end; three = true");
  EXPECT_EQ(Type("three"), "boolean");
  EXPECT_FALSE(log.Contains("Lua: stopped"));
}

TEST_F(LimitsTest, AScriptWhoseMemoryPassesTheLimitIsStoppedAndItsMemoryFreed) {
  size_t base = script.GetLimits().GetUsed();
  script.GetLimits().SetMemoryLimit(base + (size_t(4) << 20));
  EXPECT_FALSE(script.DoLuaString("local t = {} while true do t[#t + 1] = string.rep('x', 1000) .. #t end", "hog"));
  EXPECT_TRUE(log.Contains("Lua: stopped 'hog': its memory passed the limit of"));
  EXPECT_LT(script.GetLimits().GetUsed(), base + (size_t(1) << 20));
  // One request past the limit, even a caught one.
  EXPECT_FALSE(script.DoLuaString("local ok = pcall(string.rep, 'x', 64 * 1024 * 1024) while true do end", "greedy"));
  EXPECT_TRUE(log.Contains("Lua: stopped 'greedy': its memory passed"));
  // Garbage is not held against a script.
  Run("for i = 1, 20000 do local s = string.rep('y', 1000) .. i end; churned = true");
  EXPECT_EQ(Type("churned"), "boolean");
  EXPECT_EQ(log.Count("Lua: stopped"), 2u);
}
