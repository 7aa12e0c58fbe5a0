-- The credits from the main menu: the roll over the splash picture, and a
-- button back to the menu (the menu opens it with DoModal and stays below).
SetWindowName('credits')
ReadFile('scripts/ui.lua')

Window{ name = 'creditsbox', x = 0, y = 0, w = 1024, h = 768,
  Bitmap{ name = 'back', x = 0, y = 0, image = 'backgrounds/sh1' },
  CreditsWindow{ name = 'roll', x = 0, y = 0, w = 1024, h = 768, time = 60000, intropause = 2000,
                 columngap = 40, columnwidth = 452, font = 'fonts/serif.mvec', fontsize = 30,
                 fontcolor = { 0.94, 0.89, 0.77, 1 }, headercolor = { 1, 0.82, 0.48, 1 },
                 credits_text = 'credits_text' },
  KitButton({ name = 'back', default = true, cancel = true,
              command = function() DebugOut('credits: closed') CloseWindow() end },
            'button_close', 804, 700, true),
}()
DebugOut('credits: open')
