// Script chunks from files: Lua source or precompiled chunks, loaded (parsed,
// or undumped and checked) without being run.
#include <cstddef>
#include <cstdint>

#include "script/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TScript* script = new TScript;
  lua_State* L = script->GetState();
  script->LoadChunk(data, size, "=fuzz");
  lua_settop(L, 0);
  lua_gc(L, LUA_GCSTEP, 0);
  return 0;
}
