// Functions of Lua's standard library that scripts get in versions whose
// running time the script limits can bound.
//
// Lua 5.1 runs each library function in one C function, where neither the
// count hook nor the watchdog (script/limits.h) can stop it. Most take time in
// proportion to their input and output, which the memory limit bounds; these
// could loop far longer on a small input, so they are replaced, with the same
// results and errors as Lua's own:
//   string.rep         an empty string or a count below 1 gives "" at once
//                      (Lua's loops up to 2^31 times over an empty string);
//                      the result is built with block copies.
//   table.insert,      move elements one at a time between a position and the
//   table.remove       table's border, which can be far from what the table
//                      holds (a position of -2^31, or #t of 2^30 for a table of
//                      31 elements): they look at the script's time limit every
//                      65536 moves.
//   table.sort         Lua's quicksort (the same comparisons in the same
//                      order), looking at the time limit every 65536
//                      comparisons: an input that makes it quadratic, or a
//                      native comparison over such a border, ends with the
//                      script.
//   coroutine.resume,  as Lua's; while the coroutine runs it is known to the
//   coroutine.wrap     limits (TLuaRunning), so the watchdog arms its hook too.
//   unpack             counts the range without overflow: Lua's own pushes
//                      past the stack (and crashes the program) on a range
//                      of 2^31 or more elements, such as -2^31 .. 0.
// A script past its limit is stopped inside these as the hook would stop it.
// Part of script/; uses the limits (limits.h).
#pragma once
#include <lua.h>

// Replaces those functions in the state's "string", "table" and "coroutine"
// tables and its globals (which must be open).
void InstallBoundedLibrary(lua_State* L);
