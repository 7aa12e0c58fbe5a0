// Services of the story subsystem that shell screens ask for. The shell
// never includes the story library: the story side plugs its handlers in at
// start-up, and until it does each request falls back as said below.
// Depends on platform/ and ui/.
#pragma once
#include <functional>

#include "platform/string.h"

class TWindow;

using TMiniTutorHandler = std::function<void(TWindow* caller, const TString& key)>;
// Installs the handler of RequestMiniTutor (an empty function removes it).
void SetMiniTutorHandler(TMiniTutorHandler handler);
// Shows the small information pop-up with the text of the info `key` for the
// calling window: through the installed handler; without one, through the
// Lua global ShowMiniTutor(key) when a script defined it; otherwise only a log
// line "Hint <key>: <its text>".
void RequestMiniTutor(TWindow* caller, const TString& key);
