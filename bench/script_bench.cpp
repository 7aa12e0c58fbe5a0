// Cost of Lua calls into native code: a member bound the framework's way and a
// coroutine resume, each against a plain lua_call of a C function, measured in
// one run. Prints "ratio bound/plain: X" and "ratio resume/plain: X".
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench/recorder.h"
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
  int Tick(lua_State* L) { return script->Wait(L, 0); }
  int total = 0;
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

void CallFromC(benchmark::State& state, const char* global) {
  lua_State* L = Get().script.GetState();
  lua_getglobal(L, global);
  int fn = lua_gettop(L);
  for (auto _ : state) {
    lua_pushvalue(L, fn);
    lua_pushnumber(L, 1);
    lua_call(L, 1, 1);
    lua_pop(L, 1);
  }
  lua_settop(L, 0);
}

void CallFromLua(benchmark::State& state, const char* loop) {
  lua_State* L = Get().script.GetState();
  constexpr int kBatch = 1000;
  for (auto _ : state) {
    lua_getglobal(L, loop);
    lua_pushnumber(L, kBatch);
    lua_call(L, 1, 0);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_PlainCall(benchmark::State& state) { CallFromC(state, "PlainAdd"); }
void BM_BoundCall(benchmark::State& state) { CallFromC(state, "Add"); }
void BM_Resume(benchmark::State& state) {
  TScript& script = Get().script;
  for (auto _ : state) script.Resume(0);
}
void BM_PlainCallInLuaLoop(benchmark::State& state) { CallFromLua(state, "LoopPlain"); }
void BM_BoundCallInLuaLoop(benchmark::State& state) { CallFromLua(state, "LoopBound"); }

BENCHMARK(BM_PlainCall);
BENCHMARK(BM_BoundCall);
BENCHMARK(BM_Resume);
BENCHMARK(BM_PlainCallInLuaLoop);
BENCHMARK(BM_BoundCallInLuaLoop);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TBenchRecorder recorder;
  benchmark::RunSpecifiedBenchmarks(&recorder);
  recorder.PrintRatio("bound/plain", "BM_BoundCall", "BM_PlainCall");
  recorder.PrintRatio("resume/plain", "BM_Resume", "BM_PlainCall");
  recorder.PrintRatio("lua-loop bound/plain", "BM_BoundCallInLuaLoop", "BM_PlainCallInLuaLoop");
  benchmark::Shutdown();
  return 0;
}
