#include "game/shell/upperlayers.h"

#include <map>
#include <set>
#include <string>

#include "game/shell/storyservices.h"
#include "platform/log.h"

namespace {

TUpperLayerHooks& Hooks() {
  static TUpperLayerHooks hooks;
  return hooks;
}

std::map<std::string, TWindowCreator>& Types() {
  static std::map<std::string, TWindowCreator> types;
  return types;
}

// Logs the first call of a missing service.
void Missing(const char* what) {
  static std::set<std::string> told;
  if (told.insert(what).second) TraceOut("%s: not available in this program; ignored", what);
}

}  // namespace

TUpperLayerHooks& GetUpperLayerHooks() { return Hooks(); }

void AddUpperWindowType(const TString& name, TWindowCreator creator) {
  if (creator) Types()[name.str()] = creator;
  else Types().erase(name.str());
}

TWindowCreator FindUpperWindowType(const TString& name) {
  auto it = Types().find(name.str());
  return it == Types().end() ? nullptr : it->second;
}

void ClearUpperLayers() {
  Hooks() = TUpperLayerHooks();
  Types().clear();
}

void UpdateGameCursor() {
  if (Hooks().updateGameCursor) Hooks().updateGameCursor();
}

void EndPlay() {
  if (Hooks().endPlay) Hooks().endPlay();
}

bool IsFlashMoviePlaying() { return Hooks().isFlashMoviePlaying && Hooks().isFlashMoviePlaying(); }

void StopFlashMovieOnClick() {
  if (Hooks().stopFlashMovieOnClick) Hooks().stopFlashMovieOnClick();
}

bool IsMiniGameOpen() { return Hooks().isMiniGameOpen && Hooks().isMiniGameOpen(); }

void AskQuitMiniGame() {
  if (Hooks().askQuitMiniGame) Hooks().askQuitMiniGame();
  else Missing("AskQuitMiniGame");
}

void ShowMiniTutor(TWindow* caller, const TString& key) { RequestMiniTutor(caller, key); }

void SetNameInfosToRun(const TString& name) {
  if (Hooks().setNameInfosToRun) Hooks().setNameInfosToRun(name);
  else Missing("SetNameInfosToRun");
}

void SetNameComicsToRun(const TString& name) {
  if (Hooks().setNameComicsToRun) Hooks().setNameComicsToRun(name);
  else Missing("SetNameComicsToRun");
}

void SetSplashInfo(const TString& a, const TString& b, const TString& c) {
  if (Hooks().setSplashInfo) Hooks().setSplashInfo(a, b, c);
  else Missing("SetSplashInfo");
}
