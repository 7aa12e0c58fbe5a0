-- The photo album: the journal in its photographs section. The modal window
-- is named "photoalbum"; the album closes it itself once the journal closes
-- (or at once when the program has no journal).
SetWindowName('photoalbum')
ReadFile('scripts/ui.lua')
PhotoAlbumWindow{ name = 'photoalbumwindow', x = 0, y = 0, w = kMax, h = kMax }()
-- A new player's album holds no photograph yet (the main menu knows; from
-- the game the question is not asked): a line on the right page, in the
-- journal's hand, says where they come from. It is written once the book
-- has opened.
if IsButtAlbumVisible and not IsButtAlbumVisible() then
  Pause(500)
  Text{ name = 'albumempty', x = 586, y = 300, w = 316, h = 150, flags = kHAlignCenter + kVAlignCenter,
        font = { 'fonts/serif_italic.mvec', 25, Color(59, 41, 26) }, label = GetString('album_empty') }()
end
