// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// The shared game widgets' window types and Lua globals, registered by the
// game's main function once the window manager and its script exist:
//   "MButton"  TMButton          (game/shell/widgets/gamebutton.h)
//   "Shadow"   TShadow           (game/shell/widgets/shadow.h)
//   "TextEdit" TCustomTextEdit   (game/shell/widgets/typingedit.h), in place of the stock edit
// and the Lua global CSWithSh(target, script). The other widgets (Button_t,
// PictEff_t, TTextEff, Anim_t, AtlasAnim_t, CommonSound_t) are members of
// the screens that use them. Depends on ui/.
#pragma once

class TWindowManager;

void RegisterShellWidgetTypes(TWindowManager* wm);
