-- The wind rose's note on the main menu.
SetWindowName('z_info')
ReadFile('scripts/ui.lua')

Window{ name = 'zinfobox', x = kCenter, y = kCenter, w = 520, h = 300,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/message' },
  BoardTitle('zinfo_title', 104, 22, 312, 50),
  Text{ name = 'note', x = 64, y = 92, w = 392, h = 100, flags = kHAlignCenter + kVAlignCenter,
        font = { kFont, 21, kInk }, label = GetString('zinfo_text') },
  KitButton({ name = 'close', default = true, cancel = true, command = function() CloseWindow() end },
            'button_close', 160, 204, true),
}()
