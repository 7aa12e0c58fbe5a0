#include "game/story/storylayer.h"

#include "game/story/comicsviewer.h"
#include "game/story/credits.h"
#include "game/story/infos.h"
#include "game/story/splash.h"
#include "script/bind.h"
#include "script/luaapi.h"
#include "ui/windowmanager.h"

namespace {

void LuaSetNameComicsToRun(TString name) { story::SetNameComicsToRun(name); }
void LuaSetNameInfosToRun(TString name) { story::SetNameInfosToRun(name); }
void LuaSetSplashInfo(TString movie, TString picture, TString script) {
  story::SetSplashInfo(movie, picture, script);
}

int LuaGetSplashInfo(lua_State* L) {
  PushLuaString(L, story::GetSplashMovie());
  PushLuaString(L, story::GetSplashPicture());
  PushLuaString(L, story::GetSplashScript());
  return 3;
}

TWindow* TopModal() {
  TWindowManager* wm = GetWindowManager();
  return wm ? wm->GetTopModal() : nullptr;
}

void LuaShowInfos(TString name) { story::ShowInfos(TopModal(), name); }
void LuaShowMiniTutor(TString name) { story::ShowMiniTutor(TopModal(), name); }

}  // namespace

void RegisterStoryWindowTypes(TWindowManager* wm) {
  if (!wm) return;
  wm->RegisterWindowType("Comics", Comics_t::ClassCreator());
  wm->RegisterWindowType("Tutor", Tutor_t::ClassCreator());
  wm->RegisterWindowType("ComicsSpl", ComicsSpl_t::ClassCreator());
  wm->RegisterWindowType("CreditsWindow", TCredits::ClassCreator());
  wm->RegisterWindowType("Infos", Infos_t::ClassCreator());
  wm->RegisterWindowType("MiniTutor", MiniTutor_t::ClassCreator());
}

void BindStoryGlobals(TLuaBindings& b) {
  b.Bind("SetNameComicsToRun", &LuaSetNameComicsToRun);
  b.Bind("SetNameInfosToRun", &LuaSetNameInfosToRun);
  b.Bind("SetSplashInfo", &LuaSetSplashInfo);
  b.Bind("GetSplashInfo", &LuaGetSplashInfo);
  b.Bind("ShowInfos", &LuaShowInfos);
  b.Bind("ShowMiniTutor", &LuaShowMiniTutor);
}
