-- The name dialog of the first start (scripts/entername.lua). Its OK button
-- stays in sight; a name that is empty or taken is refused with a hint.
SetWindowName('entername')
ReadFile('scripts/ui.lua')

local function Create()
  local name = GetLabel('firstname')
  if not IsNameValid(name) or IsNameInUse(name, false) then
    SetLabel('hint', GetString('players_name_refused'))
    return
  end
  CreateNewUser(name)
  SetNeedFirstEnterName(0)
  if SetWelcomeName then SetWelcomeName() end
  DebugOut('players: created ' .. name)
  CloseWindow()
end

Window{ name = 'enternamebox', x = kCenter, y = kCenter, w = 520, h = 300,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/message' },
  BoardTitle('entername_title', 104, 22, 312, 50),
  Text{ name = 'hint', x = 64, y = 90, w = 392, h = 54, flags = kHAlignCenter + kVAlignCenter,
        font = { kFont, 22, kInk }, label = GetString('entername_question') },
  Bitmap{ name = 'fieldbox', x = 50, y = 148, image = 'ui/field', alpha = true },
  TextEdit{ name = 'firstname', x = 62, y = 154, w = 396, h = 32, length = 16, utf8 = true,
            flags = kVAlignCenter, font = { kFont, 20, Color(28, 32, 64) } },
  KitButton({ name = 'ok', default = true, command = Create }, 'button_ok', 160, 202, true),
}()
SetFocus('firstname')
