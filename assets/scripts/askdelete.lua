-- Asks before a player is deleted (scripts/chooseplayer.lua sets gDeleteName);
-- the dialog returns 'yes' or 'no'. Enter answers yes, Escape no.
SetWindowName('askdelete')
ReadFile('scripts/ui.lua')

Window{ name = 'askdeletebox', x = kCenter, y = kCenter, w = 520, h = 300,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/message' },
  BoardTitle('players_delete_title', 104, 22, 312, 50),
  Text{ name = 'question', x = 54, y = 96, w = 412, h = 90, flags = kHAlignCenter + kVAlignCenter,
        font = { kFont, 21, kInk }, label = GetString('players_delete_question', gDeleteName or '') },
  KitButton({ name = 'yes', default = true, command = function() CloseWindow('yes') end }, 'button_yes', 56, 200, true),
  KitButton({ name = 'no', cancel = true, command = function() CloseWindow('no') end },
            'button_no', 264, 200, true),
}()
