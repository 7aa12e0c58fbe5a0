-- The splash road: a screen opens it after SetSplashInfo(movie, picture,
-- next script) with CSWithSh(its window, 'scripts/splashstart.lua'). A comic
-- of comics/ (a name ending in ".xml", such as a level's intro comic) plays
-- in the comic viewer (scripts/comics.lua); anything else is a movie for the
-- splash window, which shows its still screen when no movie can play. Both
-- leave by this modal window's name, 'ComicsSpl', for the next script.
SetWindowName('ComicsSpl')
ReadFile('scripts/ui.lua')

local movie = GetSplashInfo()
if string.find(movie, '%.xml$') then
  SetNameComicsToRun(movie)
  ReadFile('scripts/comics.lua')
else
  ComicsSpl{ name = 'splash', x = 0, y = 0, w = 1024, h = 768, music = 'music/menu', img = 'splash/still',
             buttskip = 'skip;924,680,0,0;ui/round_right_normal;ui/round_right_pressed;ui/round_right_rollover' }()
end
