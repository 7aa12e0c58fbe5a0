-- The wounds game (docs/minigames.md). The modal window is named after the
-- window type: the game's end and its menu leave it by that name.
SetWindowName('mg06window')
mg06window{ name = 'mg06window', x = 0, y = 0, w = kMax, h = kMax }()
