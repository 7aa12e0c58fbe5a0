-- The game's first script: opens the main menu, then stays waiting for
-- messages for ever, so that button commands always have a coroutine to run
-- in (the menu may be left and opened again by other screens).
DoModal('scripts/mainmenu.lua')
while true do WaitForMessage() end
