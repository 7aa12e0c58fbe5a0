-- The quit question (scripts/quitverify.lua).
SetWindowName('askquit')
ReadFile('scripts/ui.lua')

Window{ name = 'askquitbox', x = kCenter, y = kCenter, w = 520, h = 300,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/message' },
  BoardTitle('quit_title', 104, 22, 312, 50),
  Text{ name = 'question', x = 64, y = 100, w = 392, h = 80, flags = kHAlignCenter + kVAlignCenter,
        font = { kFont, 24, kInk }, label = GetString('quit_question') },
  KitButton({ name = 'yes', default = true,
              command = function() DebugOut('quit: yes') SetNeedQuit() end }, 'button_yes', 56, 200, true),
  KitButton({ name = 'no', cancel = true,
              command = function() DebugOut('quit: no') SetShowQuitRequest(0) CloseWindow() end },
            'button_no', 264, 200, true),
}()
