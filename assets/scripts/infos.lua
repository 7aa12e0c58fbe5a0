-- An information page ("DoModal('scripts/infos.lua')" after
-- SetNameInfosToRun(id)): the page of infos.xml on a board with its title
-- and an OK button. The "Infos" window draws the page over the board.
SetWindowName('infos')
ReadFile('scripts/ui.lua')

Window{ name = 'infobox', x = kCenter, y = kCenter, w = 640, h = 480,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/options' },
  BoardTitle('info_title', 140, 22, 360, 50),
  Infos{ x = 0, y = 0, w = 640, h = 480 },
  KitButton({ name = 'ok', default = true, cancel = true, command = function() CloseWindow() end },
            'button_ok', 220, 372, true),
}()
