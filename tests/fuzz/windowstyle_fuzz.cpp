// Window tables as scripts write them: the bytes give a tree of window
// styles (types, numbers for "x", "y", "w", "h", "align", "fit", names, style
// "parent" chains and the default style), built through the window API, then
// mouse and key events routed through the tree and the tree popped again.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/time.h"
#include "ui/modalwindow.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"
#include "ui/windowstyle.h"

namespace {

struct TReader {
  const uint8_t* p;
  size_t n;
  uint8_t Byte() { return n ? (--n, *p++) : 0; }
  double Number() {
    uint8_t kind = Byte();
    if (kind < 0xF0) return static_cast<int8_t>(kind) * 37 + (Byte() << 8 | Byte());
    if (kind == 0xF0) return 80000 + static_cast<int8_t>(Byte());
    if (kind == 0xF1) return 160000 - Byte();
    double d = 0;
    uint8_t raw[8] = {};
    for (uint8_t& b : raw) b = Byte();
    std::memcpy(&d, raw, sizeof d);
    return d;  // any double: NaN, infinities, huge values
  }
};

const char* const kKeys[] = {"x", "y", "w", "h", "align", "fit", "name", "parent"};

struct TSetup {
  TSetup() : time(1000), wm(nullptr) {
    wm.SetRootWindow(new TScreen());
    script = new TWindowScript();
    wm.SetScript(script);
  }
  TManualTimeScope time;
  TWindowManager wm;
  TWindowScript* script;
};

// Pushes a style table made from the bytes.
void PushTable(lua_State* L, TReader& in, int depth) {
  lua_newtable(L);
  int fields = in.Byte() % 8;
  for (int i = 0; i < fields; ++i) {
    uint8_t k = in.Byte() % 8;
    if (k == 6) {
      char name[2] = {static_cast<char>('a' + in.Byte() % 4), 0};
      lua_pushstring(L, name);
    } else if (k == 7) {
      if (depth > 3) continue;
      PushTable(L, in, depth + 1);
    } else if (k == 5) {
      lua_pushboolean(L, in.Byte() & 1);
    } else {
      lua_pushnumber(L, in.Number());
    }
    lua_setfield(L, -2, kKeys[k]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TSetup* setup = new TSetup;
  TWindowManager& wm = setup->wm;
  TWindowScript* script = setup->script;
  lua_State* L = script->GetState();
  TReader in{data, size};
  auto* dialog = new TModalWindow();
  wm.PushModal(dialog);
  // The default style, sometimes with a cyclic "parent" chain.
  PushTable(L, in, 0);
  if (in.Byte() & 1) {
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "parent");
  }
  lua_setglobal(L, "gCurrentDefaultStyle");
  static const char* const kTypes[] = {"Window", "Nope", ""};
  int windows = 0;
  while (in.n > 0 && windows < 64) {
    uint8_t op = in.Byte();
    if (op % 4 == 3) {
      script->PopWindow();
      continue;
    }
    PushTable(L, in, 0);
    lua_pushstring(L, kTypes[op % 3]);
    lua_setfield(L, -2, "typename");
    TWindowStyle style(L, -1);
    if (script->GenericCreate(style)) {
      ++windows;
      if (op & 0x10) {
        script->GetCurrentWindow()->PostInit(style);
        script->PopWindow();
      }
    }
    lua_settop(L, 0);
  }
  static const uint32_t kEvents[] = {kEventMouseMove, kEventLeftDown, kEventLeftUp, kEventKeyDown, kEventUnicode,
                                     kEventTick};
  for (int i = 0; i < 16; ++i) {
    TPlatformEvent e;
    e.type = kEvents[(data[i % (size ? size : 1)] + i) % 6];
    e.x = static_cast<int32_t>(i * 97 % 1100) - 40;
    e.y = static_cast<int32_t>(i * 61 % 800) - 20;
    e.a = 'A' + i;
    setup->time.Advance(13);
    wm.HandleEvent(e);
  }
  wm.PopModalUntil(dialog->FormatIdHex());
  TPlatformEvent e;
  e.type = kEventMouseMove;
  wm.HandleEvent(e);
  lua_pushnil(L);
  lua_setglobal(L, "gCurrentDefaultStyle");
  lua_settop(L, 0);
  lua_gc(L, LUA_GCSTEP, 0);
  return 0;
}
