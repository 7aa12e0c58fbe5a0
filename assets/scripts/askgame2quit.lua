-- The quit question while a mini-game is open (the program window's close
-- box). "Yes" records that the player is still in the mini-game (MGEnd) and
-- ends the program; "No" goes back to the game, and the next close asks again.
SetWindowName('askgame2quit')
ReadFile('scripts/ui.lua')

DebugOut('minigame: quit asked')
Window{ name = 'askgame2quitbox', x = kCenter, y = kCenter, w = 520, h = 300,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/message' },
  BoardTitle('mgquit_title', 104, 22, 312, 50),
  Text{ name = 'question', x = 64, y = 100, w = 392, h = 80, flags = kHAlignCenter + kVAlignCenter,
        font = { kFont, 24, kInk }, label = GetString('mgquit_question') },
  KitButton({ name = 'yes', default = true,
              command = function() DebugOut('minigame: quit yes') MGEnd() SetNeedQuit() end },
            'button_yes', 56, 200, true),
  KitButton({ name = 'no', cancel = true,
              command = function() DebugOut('minigame: quit no') SetShowQuitRequest(0) CloseWindow() end },
            'button_no', 264, 200, true),
}()
