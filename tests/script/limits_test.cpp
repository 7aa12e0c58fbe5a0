// What a script gets (the sandbox) and what it may spend: scripts that run
// without yielding or grow past the memory limit are stopped, named in the
// log, and the state goes on.
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

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
    lua.Bind("HookOfThisThread", this, &LimitsTest::HookOfThisThread);
  }
  int WaitHere(lua_State* L) { return script.Wait(L, 0); }
  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  int HookOfThisThread(lua_State* L) {
    hooks.push_back({lua_gethookmask(L), lua_gethookcount(L)});
    return 0;
  }
  // Runs the text as a script of that name; whether it ran to its end, and
  // the seconds it took.
  std::pair<bool, double> Timed(const char* text, const char* name) {
    const auto start = std::chrono::steady_clock::now();
    const bool ran = script.DoLuaString(text, name);
    return {ran, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
  }
  TLuaBindings lua{script.GetState()};
  std::vector<std::pair<int, int>> hooks;  // mask and count, as HookOfThisThread saw them
};

// What the cases (Lua text leaving its findings in the global "result") find
// in a state with Lua's own libraries.
std::string StockLuaResult(const char* cases) {
  lua_State* stock = luaL_newstate();
  luaL_openlibs(stock);
  std::string result;
  if (luaL_dostring(stock, cases) != 0) {
    ADD_FAILURE() << lua_tostring(stock, -1);
  } else {
    lua_getglobal(stock, "result");
    size_t size = 0;
    const char* text = lua_tolstring(stock, -1, &size);
    result.assign(text ? text : "", size);
  }
  lua_close(stock);
  return result;
}

// The cases find in the script's state what they find with Lua's own
// libraries, at least `minBytes` of findings (the first line that differs is
// shown).
void ExpectSameAsStockLua(TScript& script, const char* cases, size_t minBytes) {
  const std::string expected = StockLuaResult(cases);
  EXPECT_GT(expected.size(), minBytes);
  ASSERT_TRUE(script.DoLuaString(cases, "cases"));
  lua_getglobal(script.GetState(), "result");
  const std::string got = script.PopString().str();
  if (got == expected) return;
  std::istringstream a(expected), b(got);
  std::string la, lb;
  for (int line = 1; std::getline(a, la) && std::getline(b, lb); ++line)
    ASSERT_EQ(lb, la) << "case line " << line;
  FAIL() << "the results differ in length";
}

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
  ExpectSameAsStockLua(script, kCases, 100000);
}

// string.rep, table.insert, remove and sort, coroutine.resume and wrap, and
// unpack are our own (bounded) versions: they give what Lua's own give, the
// same values, errors, table contents, and comparisons in the same order.
// unpack of a range of 2^31 elements or more, which Lua's own counts with an
// overflow and pushes past its stack, is refused as too many results.
TEST_F(ScriptTest, BoundedLibraryFunctionsGiveWhatLuasOwnGive) {
  const char* kCases = R"(
    local seed = 7753
    local function rnd(n) seed = (seed * 1103515245 + 12345) % 2147483648 return seed % n end
    local out = {}
    local function show(v)
      local kind = type(v)
      if kind == 'table' or kind == 'function' or kind == 'thread' or kind == 'userdata' then return kind end
      return tostring(v)
    end
    local function record(...)
      local t = {}
      for i = 1, select('#', ...) do t[i] = show((select(i, ...))) end
      out[#out + 1] = table.concat(t, ',')
    end
    local function dump(t)
      local parts = {}
      for k = -3, 40 do parts[#parts + 1] = show(t[k]) end
      record('#' .. #t, table.concat(parts, ' '))
    end
    local values = { 1, 2, 2, 3, 5, 8, -1, 0.5, 1e9, 7 }
    local function array(maxLength, holes)
      local t = {}
      for i = 1, rnd(maxLength + 1) do
        if not holes or rnd(5) > 0 then t[i] = values[1 + rnd(#values)] end
      end
      return t
    end
    for round = 1, 400 do
      local t = array(30)
      local comparisons = {}
      record(pcall(table.sort, t))
      dump(t)
      t = array(30)
      record(pcall(table.sort, t, function(a, b)
        comparisons[#comparisons + 1] = a .. '<' .. b
        return a > b
      end))
      dump(t)
      record(table.concat(comparisons, ' '))
      t = array(12)
      record(pcall(table.sort, t, function(a, b) return rnd(3) == 0 end))
      dump(t)
      t = array(12, true)
      record(pcall(table.sort, t))
      t = array(12)
      t[1 + rnd(#t + 1)] = 'x'
      record(pcall(table.sort, t))
      record(pcall(table.sort, { 'b', 'a', 'c', 'ab' }, rnd(2) == 0 and nil or 7))
      t = array(8, rnd(2) == 0)
      local pos = rnd(16) - 4
      record(pcall(table.insert, t, pos, 'v'))
      dump(t)
      record(pcall(table.insert, t, 'w'))
      dump(t)
      record(pcall(table.insert, t, rnd(2) == 0 and '2' or 2.7, 'u'))
      dump(t)
      record(pcall(table.remove, t, rnd(16) - 4))
      dump(t)
      record(pcall(table.remove, t))
      dump(t)
      record(pcall(table.remove, {}))
      local s = ({ '', 'a', 'ab', '\0x', 12 })[1 + rnd(5)]
      local n = ({ -1, 0, 1, 2, 3, 7.9, '3', 2^32 + 3, -2^31 })[1 + rnd(9)]
      record(pcall(string.rep, s, n))
      local from = ({ -3, 0, 1, 2, 5, 2^31 - 2, 'x', nil })[1 + rnd(8)]
      local to = ({ -1, 0, 3, 12, 7999, '2', nil })[1 + rnd(7)]
      record(pcall(unpack, array(10, true), from, to))
    end
    record(pcall(unpack))
    record(pcall(unpack, 'x'))
    record(unpack({ 1, nil, 3 }))
    record(unpack({ [2^31 - 2] = 'a', [2^31 - 1] = 'b' }, 2^31 - 2, 2^31 - 1))
    record(pcall(table.insert, {}))
    record(pcall(table.insert, {}, 1, 2, 3))
    record(pcall(table.insert, nil, 1))
    record(pcall(table.remove, 'x'))
    record(pcall(table.sort, {}, {}))
    record(pcall(table.sort))
    record(pcall(string.rep, nil, 2))
    record(pcall(string.rep, 'a'))
    record(('ab'):rep(3), string.rep(5, 2))
    -- coroutines
    local co = coroutine.create(function(a, b)
      local c, d = coroutine.yield(a + b, a - b)
      local e = coroutine.yield(c .. d)
      return e, 'done'
    end)
    record(coroutine.resume(co, 5, 3))
    record(coroutine.status(co))
    record(coroutine.resume(co, 'x', 'y'))
    record(coroutine.resume(co, 9))
    record(coroutine.status(co))
    record(coroutine.resume(co))
    record(pcall(coroutine.resume))
    record(pcall(coroutine.resume, 7))
    record(coroutine.resume(coroutine.create(function() error('failed here') end)))
    record(coroutine.resume(coroutine.create(function() error({}) end)))
    record(coroutine.resume(coroutine.create(function() return coroutine.resume(coroutine.running()) end)))
    local a, b
    a = coroutine.create(function() return coroutine.resume(b) end)
    b = coroutine.create(function() return coroutine.resume(a) end)
    record(coroutine.resume(a))
    record(coroutine.status(a), coroutine.status(b))
    local w = coroutine.wrap(function(x) local y = coroutine.yield(x * 2) return y + 1 end)
    record(w(21), w(41))
    record(pcall(w))
    record(pcall(function() return w() end))
    record(pcall(coroutine.wrap(function() error('inner') end)))
    record(pcall(function() return coroutine.wrap(function() error('inner') end)() end))
    record(pcall(function() return coroutine.wrap(function() error({}) end)() end))
    record(pcall(coroutine.wrap, print))
    record(pcall(coroutine.wrap))
    record(pcall(function()
      local gen = coroutine.wrap(function() for i = 1, 3 do coroutine.yield(i) end end)
      return gen() + gen() + gen()
    end))
    record(select('#', coroutine.resume(coroutine.create(function() return 1, nil, 3, nil end))))
    result = table.concat(out, '\n')
  )";
  ExpectSameAsStockLua(script, kCases, 50000);
  ASSERT_TRUE(script.DoLuaString(R"(
    local found = {}
    for _, range in ipairs({ { -2^31, 2^31 - 1 }, { -2^31, 0 }, { 0, 2^31 - 1 }, { -1, 2^31 - 1 } }) do
      local ok, why = pcall(unpack, {}, range[1], range[2])
      found[#found + 1] = tostring(ok) .. ' ' .. why
    end
    result = table.concat(found, '\n')
  )", "far ranges"));
  lua_getglobal(script.GetState(), "result");
  const std::string tooMany = "false too many results to unpack";
  EXPECT_EQ(script.PopString().str(), tooMany + "\n" + tooMany + "\n" + tooMany + "\n" + tooMany);
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

// The limit holds in real time whatever the script calls: a short loop of
// library calls that each take long (an empty string repeated 2^31 - 1
// times, a 21 MB string upper-cased, a full collection of two million live
// tables) ends at the time limit, not thousands of calls later. Time limit 1 s
// (300 ms for the variants); each stop may take one call in progress more (a
// margin of 2.5 s, for sanitizer builds on a loaded machine).
TEST_F(LimitsTest, LoopsOfSlowLibraryCallsEndAtTheTimeLimitInRealTime) {
  constexpr double kLimit = 1.0, kMargin = 2.5;
  script.GetLimits().SetTimeLimit(1000);
  // Nothing to repeat: each call returns at once, and the loop ends.
  auto [ran, seconds] = Timed("for i = 1, 20 do empty = string.rep('', 2^31 - 1) end", "repeater");
  EXPECT_TRUE(ran);
  EXPECT_LT(seconds, kLimit);
  EXPECT_EQ(Type("empty"), "string");
  EXPECT_EQ(Text("empty"), "");
  Run("big = ('abc'):rep(7 * 2^20)");
  std::tie(ran, seconds) = Timed("while true do local upper = big:upper() end", "upper-caser");
  EXPECT_FALSE(ran);
  EXPECT_TRUE(log.Contains("Lua: stopped 'upper-caser': it ran for more than 1000 ms without yielding"));
  EXPECT_GT(seconds, kLimit);
  EXPECT_LT(seconds, kLimit + kMargin);
  // The same loop (at a limit of 300 ms) in a coroutine Lua made itself,
  // through pcall, and in a function called from native code.
  script.GetLimits().SetTimeLimit(300);
  std::tie(ran, seconds) =
      Timed("coroutine.wrap(function() while true do pcall(string.upper, big) end end)()", "nested upper-caser");
  EXPECT_FALSE(ran);
  EXPECT_TRUE(log.Contains("Lua: stopped 'nested upper-caser': it ran for more than 300 ms"));
  EXPECT_LT(seconds, 0.3 + kMargin);
  Run("function UpperForEver() while true do local upper = big:upper() end end");
  lua_getglobal(L(), "UpperForEver");
  TLuaFunction upperForEver(L(), -1);
  lua_pop(L(), 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(upperForEver.Call(0, 0, "called upper-caser"));
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.3 + kMargin);
  EXPECT_TRUE(log.Contains("Lua: stopped 'called upper-caser': it ran for more than 300 ms"));
  // Two million live tables, built without a limit.
  script.GetLimits().SetTimeLimit(0);
  Run("big = nil live = {} for i = 1, 2000000 do live[i] = {} end");
  script.GetLimits().SetTimeLimit(1000);
  std::tie(ran, seconds) = Timed("while true do collectgarbage('collect') end", "collector");
  EXPECT_FALSE(ran);
  EXPECT_TRUE(log.Contains("Lua: stopped 'collector': it ran for more than 1000 ms without yielding"));
  EXPECT_GT(seconds, kLimit);
  EXPECT_LT(seconds, kLimit + kMargin);
  EXPECT_EQ(log.Count("Lua: stopped"), 4u);
  // The state goes on, and what runs next has the normal hook (armed only
  // for a script past its time), in the script's coroutine and in one of its own.
  Run("live = nil collectgarbage('collect') "
      "HookOfThisThread() coroutine.wrap(function() HookOfThisThread() end)() "
      "after = string.rep('ab', 3) .. #string.rep('x', 5000000)");
  EXPECT_EQ(Text("after"), "ababab5000000");
  const std::pair<int, int> normal(LUA_MASKCOUNT, TLuaLimits::kHookInstructions);
  EXPECT_EQ(hooks, (std::vector<std::pair<int, int>>{normal, normal}));
  EXPECT_EQ(lua_gethookmask(L()), LUA_MASKCOUNT);
  EXPECT_EQ(lua_gethookcount(L()), TLuaLimits::kHookInstructions);
  EXPECT_EQ(script.GetThreadCount(), 0u);
}

// Library calls that loop inside one C function for as long as a small
// input says (a position of -2^31, a table of 30 elements whose border #t is
// 2^29, a native comparison or callback over that border) end at the time
// limit; a plain search does not take the product of its two lengths.
TEST_F(LimitsTest, LibraryLoopsOverAFarBorderEndAtTheTimeLimit) {
  script.GetLimits().SetTimeLimit(200);
  // Its keys are 1, 2, 4, ... 2^29, stored in the table's hash part.
  Run("function Sparse() local t = {} for k = 29, 0, -1 do t[2^k] = k end return t end border = #Sparse()");
  ASSERT_EQ(Number("border"), 1 << 29);
  const std::pair<const char*, const char*> kLoops[] = {
      {"table.insert({}, -2^31 + 2, 'x')", "inserter"},
      {"table.insert(Sparse(), 1, 'x')", "inserter at 1"},
      {"table.remove(Sparse(), 1)", "remover"},
      {"table.sort(Sparse(), rawequal)", "sorter"},
      {"table.foreachi(Sparse(), math.randomseed)", "visitor"},
  };
  for (const auto& [text, name] : kLoops) {
    auto [ran, seconds] = Timed(text, name);
    EXPECT_FALSE(ran) << name;
    EXPECT_TRUE(log.Contains(std::string("Lua: stopped '") + name + "': it ran for more than 200 ms")) << name;
    EXPECT_LT(seconds, 0.2 + 2.0) << name;
  }
  // Trying each place in turn would take seconds here.
  script.GetLimits().SetTimeLimit(1000);
  Run("local s = ('a'):rep(2^20) found = s:find(('a'):rep(2^19) .. 'b', 1, true) "
      "at = s:find(('a'):rep(2^19), 2^19, true)");
  EXPECT_EQ(Type("found"), "nil");
  EXPECT_EQ(Number("at"), 1 << 19);
}
