-- The first start (or a menu without players): asks for the player's name
-- and makes the first profile. The dialog cannot be left without a name.
-- The game's own functions are there once scripts/mainloop.lua has run to
-- its first wait; the first start comes here before that.
if SetNeedFirstEnterName then SetNeedFirstEnterName(1) end
DebugOut('menu: asks for a name')
DoModal('scripts/entername_dialog.lua')
