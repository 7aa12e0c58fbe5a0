#include "script/patterns.h"

#include <lauxlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "script/limits.h"

namespace {

constexpr char kEscape = '%';
constexpr char kSpecials[] = "^$*+?.([%-";
constexpr int kMaxCaptures = LUA_MAXCAPTURES;
constexpr ptrdiff_t kCaptureUnfinished = -1;
constexpr ptrdiff_t kCapturePosition = -2;
// Steps between two looks at the script's time limit.
constexpr uint64_t kCheckEvery = 1u << 16;

unsigned char Byte(const char* p) { return static_cast<unsigned char>(*p); }

// The state of one match: the subject, the captures so far, and the steps
// this call has taken.
struct TMatcher {
  lua_State* L;
  const char* begin;  // the subject (followed by a zero byte, as every Lua string is)
  const char* end;
  int level = 0;
  struct {
    const char* init;
    ptrdiff_t len;
  } capture[kMaxCaptures];
  uint64_t steps = 0;
  uint64_t budget;

  TMatcher(lua_State* state, const char* subject, size_t size)
      : L(state), begin(subject), end(subject + size),
        budget(std::max<uint64_t>(kPatternStepBudget, kPatternStepsPerByte * (uint64_t(size) + 1))) {}

  // One step of the matcher; the budget and the script's time are looked at here.
  void Step() {
    if (++steps % kCheckEvery != 0) return;
    if (steps > budget)
      luaL_error(L, "pattern too complex (more than %d steps)", static_cast<int>(std::min<uint64_t>(budget, 0x7FFFFFFF)));
    TLuaLimits::CheckNow(L);
  }

  int CheckCapture(int l) {
    l -= '1';
    if (l < 0 || l >= level || capture[l].len == kCaptureUnfinished) return luaL_error(L, "invalid capture index");
    return l;
  }

  int CaptureToClose() {
    for (int l = level - 1; l >= 0; --l)
      if (capture[l].len == kCaptureUnfinished) return l;
    return luaL_error(L, "invalid pattern capture");
  }

  // The end of the single-character class at p.
  const char* ClassEnd(const char* p) {
    switch (*p++) {
      case kEscape:
        if (*p == '\0') luaL_error(L, "malformed pattern (ends with '%%')");
        return p + 1;
      case '[':
        if (*p == '^') ++p;
        do {  // up to the closing ']'
          if (*p == '\0') luaL_error(L, "malformed pattern (missing ']')");
          if (*(p++) == kEscape && *p != '\0') ++p;
        } while (*p != ']');
        return p + 1;
      default:
        return p;
    }
  }

  static bool MatchClass(int c, int cl) {
    bool res;
    switch (std::tolower(cl)) {
      case 'a': res = std::isalpha(c) != 0; break;
      case 'c': res = std::iscntrl(c) != 0; break;
      case 'd': res = std::isdigit(c) != 0; break;
      case 'l': res = std::islower(c) != 0; break;
      case 'p': res = std::ispunct(c) != 0; break;
      case 's': res = std::isspace(c) != 0; break;
      case 'u': res = std::isupper(c) != 0; break;
      case 'w': res = std::isalnum(c) != 0; break;
      case 'x': res = std::isxdigit(c) != 0; break;
      case 'z': res = c == 0; break;
      default: return cl == c;
    }
    return std::isupper(cl) ? !res : res;
  }

  // A "[...]" set from p to its closing ']' at ec.
  static bool MatchBracketClass(int c, const char* p, const char* ec) {
    bool inSet = true;
    if (*(p + 1) == '^') {
      inSet = false;
      ++p;
    }
    while (++p < ec) {
      if (*p == kEscape) {
        ++p;
        if (MatchClass(c, Byte(p))) return inSet;
      } else if (*(p + 1) == '-' && p + 2 < ec) {
        p += 2;
        if (Byte(p - 2) <= c && c <= Byte(p)) return inSet;
      } else if (Byte(p) == c) {
        return inSet;
      }
    }
    return !inSet;
  }

  static bool SingleMatch(int c, const char* p, const char* ep) {
    switch (*p) {
      case '.': return true;
      case kEscape: return MatchClass(c, Byte(p + 1));
      case '[': return MatchBracketClass(c, p, ep - 1);
      default: return Byte(p) == c;
    }
  }

  const char* MatchBalance(const char* s, const char* p) {
    if (*p == '\0' || *(p + 1) == '\0') luaL_error(L, "unbalanced pattern");
    if (*s != *p) return nullptr;
    const char open = *p, close = *(p + 1);
    int depth = 1;
    while (++s < end) {
      Step();
      if (*s == close) {
        if (--depth == 0) return s + 1;
      } else if (*s == open) {
        ++depth;
      }
    }
    return nullptr;
  }

  const char* MaxExpand(const char* s, const char* p, const char* ep) {
    ptrdiff_t i = 0;
    while (s + i < end && SingleMatch(Byte(s + i), p, ep)) {
      Step();
      ++i;
    }
    // The longest run first, then shorter ones.
    for (; i >= 0; --i)
      if (const char* res = Match(s + i, ep + 1)) return res;
    return nullptr;
  }

  const char* MinExpand(const char* s, const char* p, const char* ep) {
    for (;;) {
      if (const char* res = Match(s, ep + 1)) return res;
      if (s < end && SingleMatch(Byte(s), p, ep)) ++s;
      else return nullptr;
    }
  }

  const char* StartCapture(const char* s, const char* p, ptrdiff_t what) {
    if (level >= kMaxCaptures) luaL_error(L, "too many captures");
    capture[level].init = s;
    capture[level].len = what;
    ++level;
    const char* res = Match(s, p);
    if (!res) --level;
    return res;
  }

  const char* EndCapture(const char* s, const char* p) {
    int l = CaptureToClose();
    capture[l].len = s - capture[l].init;
    const char* res = Match(s, p);
    if (!res) capture[l].len = kCaptureUnfinished;
    return res;
  }

  const char* MatchCapture(const char* s, int l) {
    l = CheckCapture(l);
    size_t len = size_t(capture[l].len);
    if (size_t(end - s) >= len && std::memcmp(capture[l].init, s, len) == 0) return s + len;
    return nullptr;
  }

  // Matches the pattern p (up to its zero byte) at s: the end of the match, or null.
  const char* Match(const char* s, const char* p) {
    for (;;) {
      Step();
      switch (*p) {
        case '(':
          if (*(p + 1) == ')') return StartCapture(s, p + 2, kCapturePosition);
          return StartCapture(s, p + 1, kCaptureUnfinished);
        case ')':
          return EndCapture(s, p + 1);
        case '\0':
          return s;
        case '$':
          if (*(p + 1) == '\0') return s == end ? s : nullptr;
          break;
        case kEscape:
          if (*(p + 1) == 'b') {
            s = MatchBalance(s, p + 2);
            if (!s) return nullptr;
            p += 4;
            continue;
          }
          if (*(p + 1) == 'f') {
            p += 2;
            if (*p != '[') luaL_error(L, "missing '[' after '%%f' in pattern");
            const char* ep = ClassEnd(p);
            const int previous = s == begin ? 0 : Byte(s - 1);
            // At the end of the subject the zero byte after it is "the next character".
            if (MatchBracketClass(previous, p, ep - 1) || !MatchBracketClass(Byte(s), p, ep - 1)) return nullptr;
            p = ep;
            continue;
          }
          if (std::isdigit(Byte(p + 1))) {
            s = MatchCapture(s, Byte(p + 1));
            if (!s) return nullptr;
            p += 2;
            continue;
          }
          break;
        default:
          break;
      }
      const char* ep = ClassEnd(p);
      const bool m = s < end && SingleMatch(Byte(s), p, ep);
      switch (*ep) {
        case '?':
          if (m)
            if (const char* res = Match(s + 1, ep + 1)) return res;
          p = ep + 1;
          continue;
        case '*':
          return MaxExpand(s, p, ep);
        case '+':
          return m ? MaxExpand(s + 1, p, ep) : nullptr;
        case '-':
          return MinExpand(s, p, ep);
        default:
          if (!m) return nullptr;
          ++s;
          p = ep;
          continue;
      }
    }
  }

  void PushOneCapture(int i, const char* s, const char* e) {
    if (i >= level) {
      if (i == 0) lua_pushlstring(L, s, size_t(e - s));  // the whole match
      else luaL_error(L, "invalid capture index");
      return;
    }
    ptrdiff_t l = capture[i].len;
    if (l == kCaptureUnfinished) luaL_error(L, "unfinished capture");
    if (l == kCapturePosition) lua_pushinteger(L, capture[i].init - begin + 1);
    else lua_pushlstring(L, capture[i].init, size_t(l));
  }

  int PushCaptures(const char* s, const char* e) {
    int n = (level == 0 && s) ? 1 : level;
    luaL_checkstack(L, n, "too many captures");
    for (int i = 0; i < n; ++i) PushOneCapture(i, s, e);
    return n;
  }
};

// The pattern argument: refused when matching it could overflow the stack.
const char* CheckPattern(lua_State* L, int arg, size_t* size = nullptr) {
  size_t n = 0;
  const char* p = luaL_checklstring(L, arg, &n);
  if (n > kMaxPatternBytes)
    luaL_error(L, "pattern too long (%d bytes; at most %d)", static_cast<int>(n), static_cast<int>(kMaxPatternBytes));
  if (size) *size = n;
  return p;
}

ptrdiff_t RelativePosition(ptrdiff_t pos, size_t len) {
  if (pos < 0) pos += ptrdiff_t(len) + 1;
  return pos >= 0 ? pos : 0;
}

// A search in time linear in the subject (the C library's two-way search),
// whatever the texts: trying each place in turn takes the product of the two
// lengths, minutes for a subject and a text of a megabyte each.
const char* FindPlain(const char* s, size_t ls, const char* p, size_t lp) {
  return static_cast<const char*>(memmem(s, ls, p, lp));
}

int FindOrMatch(lua_State* L, bool find) {
  size_t ls = 0;
  const char* s = luaL_checklstring(L, 1, &ls);
  size_t lp = 0;
  const bool plain = find && lua_toboolean(L, 4);
  const char* p = plain ? luaL_checklstring(L, 2, &lp) : CheckPattern(L, 2, &lp);
  ptrdiff_t init = RelativePosition(luaL_optinteger(L, 3, 1), ls) - 1;
  if (init < 0) init = 0;
  else if (size_t(init) > ls) init = ptrdiff_t(ls);
  if (find && (plain || std::strpbrk(p, kSpecials) == nullptr)) {
    if (const char* at = FindPlain(s + init, ls - size_t(init), p, lp)) {
      lua_pushinteger(L, at - s + 1);
      lua_pushinteger(L, at - s + ptrdiff_t(lp));
      return 2;
    }
  } else {
    TMatcher m(L, s, ls);
    const bool anchor = *p == '^';
    if (anchor) ++p;
    const char* s1 = s + init;
    do {
      m.level = 0;
      if (const char* res = m.Match(s1, p)) {
        if (find) {
          lua_pushinteger(L, s1 - s + 1);
          lua_pushinteger(L, res - s);
          return m.PushCaptures(nullptr, nullptr) + 2;
        }
        return m.PushCaptures(s1, res);
      }
    } while (s1++ < m.end && !anchor);
  }
  lua_pushnil(L);
  return 1;
}

int FindFn(lua_State* L) { return FindOrMatch(L, true); }
int MatchFn(lua_State* L) { return FindOrMatch(L, false); }

// The iterator gmatch returns: upvalues subject, pattern, next position.
int GmatchStep(lua_State* L) {
  size_t ls = 0;
  const char* s = lua_tolstring(L, lua_upvalueindex(1), &ls);
  const char* p = lua_tostring(L, lua_upvalueindex(2));
  TMatcher m(L, s, ls);
  for (const char* src = s + lua_tointeger(L, lua_upvalueindex(3)); src <= m.end; ++src) {
    m.level = 0;
    if (const char* e = m.Match(src, p)) {
      lua_Integer next = e - s;
      if (e == src) ++next;  // an empty match: go on at least one position
      lua_pushinteger(L, next);
      lua_replace(L, lua_upvalueindex(3));
      return m.PushCaptures(src, e);
    }
  }
  return 0;
}

int GmatchFn(lua_State* L) {
  luaL_checkstring(L, 1);
  CheckPattern(L, 2);
  lua_settop(L, 2);
  lua_pushinteger(L, 0);
  lua_pushcclosure(L, GmatchStep, 3);
  return 1;
}

// A replacement string: "%0" the whole match, "%1" ... the captures, "%" and
// any other character that character.
void AddString(TMatcher& m, luaL_Buffer* b, const char* s, const char* e) {
  size_t l = 0;
  const char* news = lua_tolstring(m.L, 3, &l);
  for (size_t i = 0; i < l; ++i) {
    if (news[i] != kEscape) {
      luaL_addchar(b, news[i]);
      continue;
    }
    ++i;  // news[l] is the string's zero byte
    if (!std::isdigit(Byte(news + i))) {
      luaL_addchar(b, news[i]);
    } else if (news[i] == '0') {
      luaL_addlstring(b, s, size_t(e - s));
    } else {
      m.PushOneCapture(news[i] - '1', s, e);
      luaL_addvalue(b);
    }
  }
}

void AddValue(TMatcher& m, luaL_Buffer* b, const char* s, const char* e) {
  lua_State* L = m.L;
  switch (lua_type(L, 3)) {
    case LUA_TNUMBER:
    case LUA_TSTRING:
      AddString(m, b, s, e);
      return;
    case LUA_TFUNCTION: {
      lua_pushvalue(L, 3);
      int n = m.PushCaptures(s, e);
      lua_call(L, n, 1);
      break;
    }
    case LUA_TTABLE:
      m.PushOneCapture(0, s, e);
      lua_gettable(L, 3);
      break;
  }
  if (!lua_toboolean(L, -1)) {  // nil or false keep the text matched
    lua_pop(L, 1);
    lua_pushlstring(L, s, size_t(e - s));
  } else if (!lua_isstring(L, -1)) {
    luaL_error(L, "invalid replacement value (a %s)", luaL_typename(L, -1));
  }
  luaL_addvalue(b);
}

int GsubFn(lua_State* L) {
  size_t ls = 0;
  const char* src = luaL_checklstring(L, 1, &ls);
  const char* p = CheckPattern(L, 2);
  const int tr = lua_type(L, 3);
  const int maxCount = luaL_optint(L, 4, int(std::min<size_t>(ls + 1, 0x7FFFFFFF)));
  luaL_argcheck(L, tr == LUA_TNUMBER || tr == LUA_TSTRING || tr == LUA_TFUNCTION || tr == LUA_TTABLE, 3,
                "string/function/table expected");
  const bool anchor = *p == '^';
  if (anchor) ++p;
  int n = 0;
  TMatcher m(L, src, ls);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  while (n < maxCount) {
    m.level = 0;
    const char* e = m.Match(src, p);
    if (e) {
      ++n;
      AddValue(m, &b, src, e);
    }
    if (e && e > src) src = e;  // past a match that is not empty
    else if (src < m.end) luaL_addchar(&b, *src++);
    else break;
    if (anchor) break;
  }
  luaL_addlstring(&b, src, size_t(m.end - src));
  luaL_pushresult(&b);
  lua_pushinteger(L, n);
  return 2;
}

}  // namespace

void InstallBoundedPatterns(lua_State* L) {
  lua_pushstring(L, "string");
  lua_rawget(L, LUA_GLOBALSINDEX);
  const std::pair<const char*, lua_CFunction> functions[] = {
      {"find", FindFn}, {"match", MatchFn}, {"gmatch", GmatchFn}, {"gfind", GmatchFn}, {"gsub", GsubFn}};
  for (const auto& f : functions) {
    lua_pushstring(L, f.first);
    lua_pushcfunction(L, f.second);
    lua_rawset(L, -3);
  }
  lua_pop(L, 1);
}
