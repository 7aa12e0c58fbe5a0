// The shared widgets' readers of outside data: picture-effect and text-effect
// definitions (as main.xml holds them) stepped through time, and the quoting
// of names into the fade window's Lua texts. The first byte picks the reader.
// Nothing may end the process; stepped values stay finite and in range, and a
// quoted name reads back in Lua as exactly the same bytes.
#include <tinyxml.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/shell/widgets/gameutils.h"
#include "game/shell/widgets/pictureeffect.h"
#include "game/shell/widgets/texteffect.h"
#include "platform/xml.h"
#include "script/luaapi.h"

namespace {
const float kSteps[] = {0.0f, 0.016f, 0.3f, 1.0f, -0.5f, 1e9f};

void PictureEffect(const std::string& text) {
  TiXmlDocument doc;
  if (!ParseXmlDocument(doc, text, "fuzz") || !doc.RootElement()) return;
  PictEff_t effect;
  effect.target = TVec2(100, -50);
  effect.LoadEffects(doc.RootElement());
  for (float dt : kSteps) {
    effect.Update(dt);
    if (effect.alpha < 0 || effect.alpha > 255) std::abort();
  }
}

void TextEffect(const std::string& text) {
  TiXmlDocument doc;
  if (!ParseXmlDocument(doc, text, "fuzz") || !doc.RootElement()) return;
  TTextEff effect;
  effect.Parse(doc.RootElement());
  for (float dt : kSteps) {
    effect.Update(dt);
    if (!std::isfinite(effect.x) || !std::isfinite(effect.alpha) || !std::isfinite(effect.size)) std::abort();
  }
}

void Quote(const std::string& name) {
  static lua_State* L = luaL_newstate();
  std::string chunk = "return " + LuaQuote(name);
  if (luaL_loadbuffer(L, chunk.data(), chunk.size(), "fuzz") != 0 || lua_pcall(L, 0, 1, 0) != 0) std::abort();
  size_t n = 0;
  const char* back = lua_tolstring(L, -1, &n);
  if (!back || std::string(back, n) != name) std::abort();
  lua_pop(L, 1);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 16) return 0;
  std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0: PictureEffect(rest); break;
    case 1: TextEffect(rest); break;
    default: Quote(rest); break;
  }
  return 0;
}
