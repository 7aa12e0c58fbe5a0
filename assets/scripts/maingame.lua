-- The play screen of the current location. The modal window is named
-- "MainGame": its own screens leave it by that name.
SetWindowName('MainGame')
MainGame{ name = 'MainGame', x = 0, y = 0, w = kMax, h = kMax }()
