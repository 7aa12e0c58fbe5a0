-- The menu of the play screen ("DoModal('scripts/gamemenu.lua')"): back to
-- the game, the photo album, the options, or the main menu.
SetWindowName('gamemenu')
ReadFile('scripts/ui.lua')

-- The menu stays open under the fade: at full dark the fade closes the play
-- screen, and this menu above it, by the play screen's name. (A close message
-- naming this menu would close the fade too: it is this menu's child.) The
-- progress (the objects found so far) is saved first.
local function ToMainMenu()
  DebugOut('gamemenu: to the main menu')
  SaveGameUserInfo()
  CSWithSh('MainGame', 'scripts/mainmenu.lua')
  if StartSoundFade then StartSoundFade() end
  DoModal('scripts/shadow.lua')
end

GameMenu{ name = 'gamemenuwindow', x = kCenter, y = kCenter, w = 640, h = 520,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/players' },
  BoardTitle('gamemenu_title', 140, 22, 360, 50),
  KitButton({ name = 'resume', default = true, cancel = true, command = function() CloseWindow() end },
            'gamemenu_resume', 160, 110),
  KitButton({ name = 'photos', command = function() DoModal('scripts/photoalbum.lua') end },
            'menu_photoalbum', 160, 190),
  KitButton({ name = 'options', command = function() DoModal('scripts/options.lua') end }, 'menu_options', 160, 270),
  KitButton({ name = 'mainmenu', command = ToMainMenu }, 'gamemenu_mainmenu', 160, 350),
}()
