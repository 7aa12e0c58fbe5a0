-- The first start (or a menu without players): asks for the player's name
-- and makes the first profile. The dialog cannot be left without a name.
SetNeedFirstEnterName(1)
DebugOut('menu: asks for a name')
DoModal('scripts/entername_dialog.lua')
