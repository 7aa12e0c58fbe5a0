-- A mini tutorial ("DoModal('scripts/minitutor.lua')" after
-- SetNameInfosToRun(id)): a short hint of infos.xml on the small board with
-- an OK button. Closing it tells the play screen when it asked to hear. The
-- title shown is logged ("minitutor: <title>").
SetWindowName('minitutor')
ReadFile('scripts/ui.lua')

-- The board's title: "A hint", but the notices that are no hint have their own.
local kTitles = { infosavefailed = 'savefailed_title', infonouserfolder = 'savefailed_title',
                  infosaveunreadable = 'saveunreadable_title', infoprefsunreadable = 'saveunreadable_title',
                  infoprefsconflict = 'prefsconflict_title', infosoundcarddisabled = 'nosound_title' }
local title = kTitles[GetNameInfosToRun and GetNameInfosToRun() or ''] or 'hint_title'

Window{ name = 'minitutorbox', x = kCenter, y = kCenter, w = 520, h = 300,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/message' },
  BoardTitle(title, 104, 22, 312, 50),
  MiniTutor{ x = 0, y = 0, w = 520, h = 300 },
  KitButton({ name = 'ok', default = true, cancel = true, command = function() CloseWindow() end },
            'button_ok', 160, 196, true),
}()
DebugOut('minitutor: ' .. GetString(title))
