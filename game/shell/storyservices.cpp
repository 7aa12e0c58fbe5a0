#include "game/shell/storyservices.h"

#include "game/shell/widgets/gameutils.h"
#include "platform/log.h"
#include "script/luaapi.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {
TMiniTutorHandler& Handler() {
  static TMiniTutorHandler handler;
  return handler;
}

bool HasLuaFunction(const char* name) {
  TWindowManager* wm = GetWindowManager();
  TWindowScript* script = wm ? wm->GetScript() : nullptr;
  lua_State* L = script ? script->GetState() : nullptr;
  if (!L) return false;
  lua_pushstring(L, name);
  lua_rawget(L, LUA_GLOBALSINDEX);
  bool found = lua_isfunction(L, -1);
  lua_pop(L, 1);
  return found;
}
}  // namespace

void SetMiniTutorHandler(TMiniTutorHandler handler) { Handler() = std::move(handler); }

void RequestMiniTutor(TWindow* caller, const TString& key) {
  if (Handler()) {
    Handler()(caller, key);
    return;
  }
  if (HasLuaFunction("ShowMiniTutor")) {
    GetWindowManager()->RunScriptText(caller, TString("ShowMiniTutor(" + LuaQuote(key.str()) + ")"));
    return;
  }
  TraceOut("Hint %s: %s", key.c_str(), GetLocalizedText(key.str()).c_str());
}
