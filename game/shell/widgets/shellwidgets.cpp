#include "game/shell/widgets/shellwidgets.h"

#include "game/shell/widgets/gamebutton.h"
#include "game/shell/widgets/shadow.h"
#include "game/shell/widgets/typingedit.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

void RegisterShellWidgetTypes(TWindowManager* wm) {
  if (!wm) return;
  wm->RegisterWindowType("MButton", TMButton::ClassCreator());
  wm->RegisterWindowType("Shadow", TShadow::ClassCreator());
  wm->RegisterWindowType("TextEdit", TCustomTextEdit::ClassCreator());
  if (TWindowScript* script = wm->GetScript()) script->GetBindings().Bind("CSWithSh", &CSWithSh);
}
