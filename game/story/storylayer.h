// The window types and Lua globals of the comics, the splash, the credits
// and the pop-ups:
//   "Comics" Comics_t, "Tutor" Tutor_t (comicsviewer.h), "ComicsSpl"
//   ComicsSpl_t (splash.h), "CreditsWindow" TCredits (credits.h), "Infos"
//   Infos_t, "MiniTutor" MiniTutor_t (infos.h);
//   GetSplashInfo() -> movie, picture, script; ShowInfos(name) and
//   ShowMiniTutor(name) over the top modal window; GetNameInfosToRun(), the
//   page the pop-up being opened shows (its script titles it by that);
//   SetNameComicsToRun(name), SetNameInfosToRun(name) and
//   SetSplashInfo(movie, picture, script), which the game's main function
//   binds itself and hands to the story through the shell's table.
// AddStoryPopUps (called by RegisterStoryLayer, story.h) puts all of it into
// the shell's table of upper layers; programs and tests without the shell's
// start-up use the two Register/Bind functions.
// Depends on the story's windows, the shell's seam and script/.
#pragma once

class TLuaBindings;
class TWindowManager;

// Into the shell's table: the window types, the services (the three names,
// the splash movie, the mini tutorial's handler) and the further globals.
void AddStoryPopUps();

void RegisterStoryWindowTypes(TWindowManager* wm);
// GetSplashInfo, ShowInfos, ShowMiniTutor, GetNameInfosToRun.
void BindStoryGlobals(TLuaBindings& bindings);
// SetNameComicsToRun, SetNameInfosToRun, SetSplashInfo.
void BindStoryNameGlobals(TLuaBindings& bindings);
