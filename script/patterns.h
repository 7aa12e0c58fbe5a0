// The string library's pattern functions with a bounded matcher.
//
// Lua 5.1 matches patterns by backtracking inside one C function, where no
// count hook fires: a short pattern such as ("a?"):rep(40) .. ("a"):rep(40)
// would backtrack 2^40 times and hold the game far past the script time
// limit. These replacements of string.find, match, gmatch (and its old name
// gfind) and gsub match exactly as Lua 5.1's do, but count their steps: they
// look at the script's time limit every few thousand steps (a script past it
// is stopped as the count hook would stop it), and one call that takes more
// than its step budget raises the Lua error
//   "pattern too complex (more than <n> steps)".
// Patterns longer than kMaxPatternBytes are refused ("pattern too long (<n>
// bytes; at most 4096)"): matching recurses once per pattern item.
// Part of script/; uses the limits (limits.h).
#pragma once
#include <lua.h>

#include <cstddef>
#include <cstdint>

constexpr size_t kMaxPatternBytes = 4096;
// The step budget of one call: this many steps, or kPatternStepsPerByte per
// byte of the subject when that is more (a long text may take long to search).
constexpr uint64_t kPatternStepBudget = 10000000;
constexpr uint64_t kPatternStepsPerByte = 64;

// Replaces the pattern functions of the state's "string" table (which must
// be open) with the bounded ones.
void InstallBoundedPatterns(lua_State* L);
