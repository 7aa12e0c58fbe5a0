-- Run on every close request of the game's window, and by the menu's Quit
-- button: asks whether to quit. "Yes" ends the game (SetNeedQuit), "No" goes
-- back (SetShowQuitRequest(0)). While the question is on screen, further
-- close requests only keep the game running. While a mini-game is open (its
-- global MGEnd exists), the mini-game asks its own question instead
-- (scripts/askgame2quit.lua, opened by the main loop).
if MGEnd ~= nil then return end
SetShowQuitRequest(1)
if not gQuitQuestionOpen then
  gQuitQuestionOpen = true
  DebugOut('quit: asked')
  DoModal('scripts/askquit.lua')
  gQuitQuestionOpen = nil
end
