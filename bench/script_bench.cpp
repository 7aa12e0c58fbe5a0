// Cost of Lua calls into native code: a member bound the framework's way and a
// coroutine resume, each against a plain lua_call of a C function, measured in
// one run. Prints "ratio bound/plain: X", "ratio resume/plain: X" and
// "ratio lua-loop bound/plain: X", each the median of seven runs with the two
// sides alternating. Same work: every call added one on both sides (the
// native totals grew by the number of calls, and the waiting coroutine woke
// once per resume); the program fails otherwise.
#include <cstdio>
#include <map>
#include <string>

#include "bench/compare.h"
#include "script/script.h"

namespace {

int gPlainTotal = 0;
int PlainAdd(lua_State* L) {
  gPlainTotal += static_cast<int>(lua_tonumber(L, 1));
  lua_pushnumber(L, gPlainTotal);
  return 1;
}

struct Counter {
  int Add(int v) { return total += v; }
  int Tick(lua_State* L) {
    ++ticks;
    return script->Wait(L, 0);
  }
  int total = 0;
  long ticks = 0;
  TScript* script = nullptr;
};

struct Setup {
  Setup() : bindings(script.GetState()) {
    counter.script = &script;
    bindings.Bind("Add", &counter, &Counter::Add);
    bindings.Bind("Tick", &counter, &Counter::Tick);
    lua_register(script.GetState(), "PlainAdd", PlainAdd);
    script.DoLuaString(
        "function LoopBound(n) for i = 1, n do Add(1) end end\n"
        "function LoopPlain(n) for i = 1, n do PlainAdd(1) end end",
        "benchmark set-up");
    script.DoLuaString("while true do Tick() end", "benchmark waiter");
  }
  TScript script;
  Counter counter;
  TLuaBindings bindings;
};

Setup& Get() {
  static Setup setup;
  return setup;
}

// `calls` calls of a global from C.
void CallFromC(const char* global, int calls) {
  lua_State* L = Get().script.GetState();
  lua_getglobal(L, global);
  int fn = lua_gettop(L);
  for (int i = 0; i < calls; ++i) {
    lua_pushvalue(L, fn);
    lua_pushnumber(L, 1);
    lua_call(L, 1, 1);
    lua_pop(L, 1);
  }
  lua_settop(L, 0);
}

// One Lua loop of `calls` calls.
void CallFromLua(const char* loop, int calls) {
  lua_State* L = Get().script.GetState();
  lua_getglobal(L, loop);
  lua_pushnumber(L, calls);
  lua_call(L, 1, 0);
}

void Resume(int calls) {
  for (int i = 0; i < calls; ++i) Get().script.Resume(0);
}

constexpr int kBatch = 1000;

// Seconds per call of a batch of `kBatch` calls.
double PerCall(const std::function<void(int)>& batch) {
  return bench::TimePerCall([&] { batch(kBatch); }) / kBatch;
}

// The native totals grow by exactly the number of calls made.
void CheckCounts() {
  Setup& s = Get();
  int plain = gPlainTotal, bound = s.counter.total;
  long ticks = s.counter.ticks;
  CallFromC("PlainAdd", 100);
  CallFromC("Add", 100);
  CallFromLua("LoopPlain", 100);
  CallFromLua("LoopBound", 100);
  Resume(100);
  bench::Require(gPlainTotal - plain == 200 && s.counter.total - bound == 200 && s.counter.ticks - ticks == 100,
                 "the calls did not all arrive: plain %d, bound %d of 200, resumes %ld of 100", gPlainTotal - plain,
                 s.counter.total - bound, s.counter.ticks - ticks);
  std::printf("same work: 200 plain and 200 bound calls, 100 resumes, all arrived\n");
}

}  // namespace

int main() {
  CheckCounts();
  auto plain = [] { return PerCall([](int n) { CallFromC("PlainAdd", n); }); };
  bench::TComparison bound = bench::Alternate([] { return PerCall([](int n) { CallFromC("Add", n); }); }, plain);
  bench::PrintMedians("one call from C", bound, "bound", "plain", 1e9, "ns");
  bench::PrintRatio("bound/plain", bound.Ratio());
  bench::TComparison resume = bench::Alternate([] { return PerCall(Resume); }, plain);
  bench::PrintMedians("a resume against a plain call", resume, "resume", "plain", 1e9, "ns");
  bench::PrintRatio("resume/plain", resume.Ratio());
  bench::TComparison loop = bench::Alternate([] { return PerCall([](int n) { CallFromLua("LoopBound", n); }); },
                                             [] { return PerCall([](int n) { CallFromLua("LoopPlain", n); }); });
  bench::PrintMedians("one call from a Lua loop", loop, "bound", "plain", 1e9, "ns");
  bench::PrintRatio("lua-loop bound/plain", loop.Ratio());
  return 0;
}
