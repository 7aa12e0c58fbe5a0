-- The mosaic game (docs/minigames.md). The modal window is named after the
-- window type: the game's end and its menu leave it by that name.
SetWindowName('mg05window')
mg05window{ name = 'mg05window', x = 0, y = 0, w = kMax, h = kMax }()
