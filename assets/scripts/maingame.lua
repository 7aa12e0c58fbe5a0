-- The play screen of the current location. The modal window is named
-- "MainGame": its own screens leave it by that name.
-- A level's intro comic that the player has not seen yet comes first: it
-- plays on the splash road (docs/comics.md) and leads back here.
local comic = GetLIComicsName()
if comic ~= '' and Comics ~= nil then
  DebugOut('comics: the level begins with ' .. comic)
  SetSplashInfo(comic, GetLIComicsPictName(), 'scripts/maingame.lua')
  ReadFile('scripts/splashstart.lua')
  return
end
SetWindowName('MainGame')
MainGame{ name = 'MainGame', x = 0, y = 0, w = kMax, h = kMax }()
