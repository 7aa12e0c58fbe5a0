#include "game/shell/shellwidgets.h"

#include "game/shell/gamebutton.h"
#include "game/shell/shadow.h"
#include "game/shell/typingedit.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

void RegisterShellWidgetTypes(TWindowManager* wm) {
  if (!wm) return;
  wm->RegisterWindowType("MButton", TMButton::ClassCreator());
  wm->RegisterWindowType("Shadow", TShadow::ClassCreator());
  wm->RegisterWindowType("TextEdit", TCustomTextEdit::ClassCreator());
  if (TWindowScript* script = wm->GetScript()) script->GetBindings().Bind("CSWithSh", &CSWithSh);
}
