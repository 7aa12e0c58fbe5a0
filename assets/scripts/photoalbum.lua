-- The photo album: the journal in its photographs section. The modal window
-- is named "photoalbum"; the album closes it itself once the journal closes
-- (or at once when the program has no journal).
SetWindowName('photoalbum')
PhotoAlbumWindow{ name = 'photoalbumwindow', x = 0, y = 0, w = kMax, h = kMax }()
