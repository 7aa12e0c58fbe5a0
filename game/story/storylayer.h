// The story library's window types and Lua globals, as the game's start-up
// registers them:
//   "Comics" Comics_t, "Tutor" Tutor_t (comicsviewer.h), "ComicsSpl"
//   ComicsSpl_t (splash.h), "CreditsWindow" TCredits (credits.h), "Infos"
//   Infos_t, "MiniTutor" MiniTutor_t (infos.h);
//   SetNameComicsToRun(name), SetNameInfosToRun(name),
//   SetSplashInfo(movie, picture, script), GetSplashInfo() -> movie,
//   picture, script, ShowInfos(name), ShowMiniTutor(name) (the last two over
//   the top modal window).
// Depends on the story's windows and script/.
#pragma once

class TLuaBindings;
class TWindowManager;

void RegisterStoryWindowTypes(TWindowManager* wm);
void BindStoryGlobals(TLuaBindings& bindings);
