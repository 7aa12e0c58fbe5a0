-- A comic in the comic viewer (after SetNameComicsToRun(name)); read by
-- scripts/splashstart.lua inside its 'ComicsSpl' window. "next" and the two
-- arrows turn the pages (GoNext, GoPrev); "skip" and, on the last page,
-- "play" leave as the splash does: the introduction counts as done and the
-- screen changes behind the shadow to the splash information's next script.
-- Enter is "next" (on the last page "play"), Escape "skip" (there "play").
ReadFile('scripts/ui.lua')

local function Leave()
  local _, _, script = GetSplashInfo()
  DebugOut('comics: leave for ' .. script)
  SetgameIntroDone(1)
  CSWithSh('ComicsSpl', script)
  if StartSoundFade then StartSoundFade() end
  DoModal('scripts/shadow.lua')
end

local function Round(t, glyph, x, y)
  t.x, t.y, t.w, t.h = x, y, 64, 64
  t.graphics = { 'ui/round_' .. glyph .. '_normal', 'ui/round_' .. glyph .. '_pressed',
                 'ui/round_' .. glyph .. '_rollover' }
  t.sound, t.rolloversound = 'sounds/click', 'sounds/rollover'
  return Button(t)
end

Comics{ name = 'comic', x = 0, y = 0, w = 1024, h = 768, music = 'music/menu',
  KitButton({ name = 'skip', cancel = true, command = Leave }, 'comic_skip', 40, 700, true),
  KitButton({ name = 'next', default = true, command = function() GoNext() end }, 'comic_next', 784, 700, true),
  KitButton({ name = 'play', default = true, cancel = true, command = Leave }, 'comic_play', 784, 700, true),
  Round({ name = 'tback', command = function() GoPrev() end }, 'left', 392, 696),
  Round({ name = 'tnext', command = function() GoNext() end }, 'right', 568, 696),
}()
