-- The game's first script: opens the main menu, then stays waiting for
-- messages for ever, so that button commands always have a coroutine to run
-- in (the menu may be left and opened again by other screens). The game's
-- own functions (SetNeedFirstEnterName, CSWithSh and the others) are bound
-- once this script has run to its first wait, so the menu, whose first
-- start asks for a name at once, opens after a first short wait.
WaitForMessage(1)
DoModal('scripts/mainmenu.lua')
while true do WaitForMessage() end
