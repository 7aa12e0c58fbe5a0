#include "game/story/storylayer.h"

#include "game/story/comicsviewer.h"
#include "game/story/credits.h"
#include "game/story/infos.h"
#include "game/story/splash.h"
#include "game/shell/storyservices.h"
#include "game/shell/upperlayers.h"
#include "script/bind.h"
#include "script/luaapi.h"
#include "ui/windowmanager.h"

namespace {

void LuaSetNameComicsToRun(TString name) { story::SetNameComicsToRun(name); }
void LuaSetNameInfosToRun(TString name) { story::SetNameInfosToRun(name); }
TString LuaGetNameInfosToRun() { return story::GetNameInfosToRun(); }
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

struct TStoryWindowType {
  const char* name;
  TWindowCreator creator;
};

const TStoryWindowType kWindowTypes[] = {
    {"Comics", Comics_t::ClassCreator()},       {"Tutor", Tutor_t::ClassCreator()},
    {"ComicsSpl", ComicsSpl_t::ClassCreator()}, {"CreditsWindow", TCredits::ClassCreator()},
    {"Infos", Infos_t::ClassCreator()},         {"MiniTutor", MiniTutor_t::ClassCreator()},
};

}  // namespace

void AddStoryPopUps() {
  for (const TStoryWindowType& type : kWindowTypes) AddUpperWindowType(type.name, type.creator);
  TUpperLayerHooks& hooks = GetUpperLayerHooks();
  hooks.setNameComicsToRun = &story::SetNameComicsToRun;
  hooks.setNameInfosToRun = &story::SetNameInfosToRun;
  hooks.setSplashInfo = &story::SetSplashInfo;
  hooks.isFlashMoviePlaying = &story::IsFlashMoviePlaying;
  hooks.stopFlashMovieOnClick = &story::StopFlashMovieOnClick;
  hooks.bindGlobals = &BindStoryGlobals;
  SetMiniTutorHandler(&story::RequestedMiniTutor);
}

void RegisterStoryWindowTypes(TWindowManager* wm) {
  if (!wm) return;
  for (const TStoryWindowType& type : kWindowTypes) wm->RegisterWindowType(type.name, type.creator);
}

void BindStoryGlobals(TLuaBindings& b) {
  b.Bind("GetSplashInfo", &LuaGetSplashInfo);
  b.Bind("ShowInfos", &LuaShowInfos);
  b.Bind("ShowMiniTutor", &LuaShowMiniTutor);
  b.Bind("GetNameInfosToRun", &LuaGetNameInfosToRun);
}

void BindStoryNameGlobals(TLuaBindings& b) {
  b.Bind("SetNameComicsToRun", &LuaSetNameComicsToRun);
  b.Bind("SetNameInfosToRun", &LuaSetNameInfosToRun);
  b.Bind("SetSplashInfo", &LuaSetSplashInfo);
}
