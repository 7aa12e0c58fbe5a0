-- The wounds game (docs/minigames.md). The modal window is named after the
-- window type: the game's end and its menu leave it by that name. The game
-- window takes the whole display by itself: its style places nothing.
SetWindowName('mg06window')
mg06window{ name = 'mg06window' }()
