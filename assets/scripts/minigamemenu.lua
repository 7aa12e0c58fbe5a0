-- The menu of a mini-game (its "menu" button): back to the game, or to the
-- main menu. Leaving calls MGEnd(), which records that the player is still
-- in the mini-game, saves, and names the main menu as the next screen. The
-- menu stays open under the fade, which closes the mini-game and this menu
-- above it at full dark (closing the menu first would close the fade, its child).
SetWindowName('minigamemenu')
ReadFile('scripts/ui.lua')

local function ToMainMenu()
  DebugOut('minigame: left from its menu')
  MGEnd()
  if StartSoundFade then StartSoundFade() end
  DoModal('scripts/shadow.lua')
end

Window{ name = 'minigamemenubox', x = kCenter, y = kCenter, w = 520, h = 300,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/message' },
  BoardTitle('mgmenu_title', 104, 22, 312, 50),
  KitButton({ name = 'resume', default = true, cancel = true, command = function() CloseWindow() end },
            'mgmenu_resume', 100, 110),
  KitButton({ name = 'tomenu', command = ToMainMenu }, 'mgmenu_mainmenu', 100, 190),
}()
