-- The player chooser: the list of players (the current one highlighted), a
-- field and a button to make a new player, and a button to delete the chosen
-- one. "Done" or Escape closes it. Enter makes the player typed in the field
-- (the field keeps the keys for the next name), or, with the field empty,
-- closes it as "Done" does. A click on the list gives it the arrow and page
-- keys (the list hands the focus to the window named 'chooseplayerwww': its
-- own name); typing, Enter and Escape go on to the field as before. The
-- modal window is named "chooseplayer".
SetWindowName('chooseplayer')
ReadFile('scripts/ui.lua')

-- The list shows five rows (its 220 pixels over rows 44 apart, below) and
-- does not scroll: a sixth player is not made, and the player is told.
local kMaxPlayers = 5

local function Say(label, extra)
  SetLabel('status', GetString(label, extra or ''))
end

local function Refresh()
  FillUserDataList()
  if SetWelcomeName then SetWelcomeName() end
end

local function Create()
  local name = GetLabel('newname')
  if GetNumUsers() >= kMaxPlayers then
    DebugOut('players: the list is full')
    Say('players_full')
    return
  end
  if not IsNameValid(name) or IsNameInUse(name, false) then
    Say('players_name_refused')
    return
  end
  CreateNewUser(name)
  name = GetSelectedPlayerName()  -- as kept: without the blanks around it
  SetNeedFirstEnterName(0)
  Refresh()
  SetLabel('newname', '')
  DebugOut('players: created ' .. name)
  Say('players_created', name)
end

local function Delete()
  local index = GetCurrentSelectedUser()
  if index < 0 then return end
  local name = GetSelectedPlayerName()
  gDeleteName = name
  if DoModal('scripts/askdelete.lua') ~= 'yes' then return end
  DeleteUser(index)
  Refresh()
  DebugOut('players: deleted ' .. name)
  Say('players_deleted', name)
end

local function Done()
  if GetNumUsers() == 0 then
    Say('players_need_one')
    return
  end
  DebugOut('players: chosen ' .. GetSelectedPlayerName())
  PopModal('chooseplayer')
end

Window{ name = 'chooserbox', x = kCenter, y = kCenter, w = 640, h = 520,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/players' },
  BoardTitle('players_title', 140, 22, 360, 50),
  ChoosePlayerWindow{ name = 'chooseplayerwww', x = 60, y = 92, w = 520, h = 220,
    listFontName = kFont, fontH = 24, shiftDy = 44, shDx = 1, shDy = 2,
    listRect = '0,0,520,44',
    listTextColor = '70,54,36,255', listActTextColor = '255,236,190,255',
    listTextColorSh = '0,0,0,0', listActTextColorSh = '0,0,0,160' },
  KitButton({ name = 'delete', command = Delete }, 'players_delete', 104, 430, true),
  -- The new player's name: a label with the button that makes the player,
  -- and below them the field, wide enough for the longest name.
  Text{ name = 'newlabel', x = 64, y = 322, w = 320, h = 26, font = { kFont, 20, kInk },
        label = GetString('players_new') },
  Bitmap{ name = 'fieldbox', x = 60, y = 350, image = 'ui/field', alpha = true },
  TextEdit{ name = 'newname', x = 72, y = 356, w = 396, h = 32, length = 16, utf8 = true,
            flags = kVAlignCenter, font = { kFont, 20, Color(28, 32, 64) }, enablewindow = 'create' },
  KitButton({ name = 'create', default = true, command = Create }, 'players_create', 392, 308, true),
  Text{ name = 'status', x = 64, y = 398, w = 512, h = 26, flags = kHAlignCenter,
        font = { kFont, 18, kInk }, label = '' },
  -- "Done" is the cancel button and the default one, unless "create" shows
  -- (while the field holds a name). Enter and Escape look for them from the
  -- window made last, a later find replacing an earlier one, and a list of
  -- windows ends at the first button once both are known: hence "done" in a
  -- window of its own, made last, with "create" the button made just before.
  Window{ name = 'doneplace', x = 336, y = 430, w = 200, h = 50,
    KitButton({ name = 'done', default = true, cancel = true, command = Done }, 'players_done', 0, 0, true),
  },
}()
SetFocus('newname')
