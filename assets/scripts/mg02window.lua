-- The map path game (docs/minigames.md). The modal window is named after the
-- window type: the game's end and its menu leave it by that name.
SetWindowName('mg02window')
mg02window{ name = 'mg02window', x = 0, y = 0, w = kMax, h = kMax }()
