-- The main menu: the lighthouse at dusk with its turning beam and glowing
-- lamp, drifting clouds, the title, a greeting for the current player and
-- the menu. The modal window is named "mainmenu": the screens that follow
-- leave it by that name (CSWithSh('mainmenu', ...)).
SetWindowName('mainmenu')
ReadFile('scripts/ui.lua')

-- Play: the current player's game, behind the fade. Without a play screen
-- in this program the menu stays.
local function Play()
  if GetNumUsers() == 0 then
    ReadFile('scripts/entername.lua')
    return
  end
  if MainGame == nil then
    DebugOut('menu: there is no play screen in this program')
    return
  end
  DebugOut('menu: play')
  local next = 'scripts/maingame.lua'
  -- A player's first game opens with the splash (the introduction, once:
  -- leaving the splash marks it done); it leads on to the play screen.
  if GetgameIntroDone() == 0 and ComicsSpl ~= nil then
    SetSplashInfo('intro.swf', 'splash/still', next)
    next = 'scripts/splashstart.lua'
  end
  CSWithSh('mainmenu', next)
  if StartSoundFade then StartSoundFade() end
  DoModal('scripts/shadow.lua')
end

MainMenu{ name = 'mainmenuwindow', x = 0, y = 0, w = kMax, h = kMax,
  pane1 = 'backgrounds/mainmenu,0,0',
  panecloud1 = 'backgrounds/menu_clouds_far,0,0',
  panecloud2 = 'backgrounds/menu_clouds_near,0,0',
  logo = 'backgrounds/logo,60,30',
  cloudSpeed1 = 0.12, cloudSpeed2 = 0.3,
  usernamedef = kFont .. ';28;40,276,540,40;255,226,160,255',
  buttphotoalbum = 'backgrounds/menu_album_off',
  music = 'music/menu', ambient = 'ambient/sea_wind',
  particles = 'lantern_glow;800;122',
  z_info_anim = 'backgrounds/windrose;40, 640, 60',

  Window{ name = 'mainmenuwww', x = 0, y = 0, w = 1, h = 1 },
  Text{ name = 'welcomea', x = 150, y = 250, w = 330, h = 28, flags = kHAlignCenter,
        font = { kFont, 20, kPaper }, label = GetString('menu_welcome') },

  KitButton({ name = 'play', default = true, command = Play }, 'menu_play', 150, 330),
  KitButton({ name = 'choospl' }, 'menu_players', 150, 400),
  KitButton({ name = 'options', command = function() DoModal('scripts/options.lua') end }, 'menu_options', 150, 470),
  KitButton({ name = 'photos', command = function() DoModal('scripts/photoalbum.lua') end }, 'menu_photoalbum', 150, 540),
  -- Enter plays; Escape, the way out, asks whether to quit.
  KitButton({ name = 'quit', cancel = true, command = function() ReadFile('scripts/quitverify.lua') end }, 'menu_quit',
            150, 610),
  -- The wallpaper gallery: hidden (and drawn as buttphotoalbum) until the
  -- player has a photograph.
  KitButton({ name = 'album' }, 'menu_wallpapers', 800, 700, true),
  -- The credits roll; its close button comes back here.
  KitButton({ name = 'credits', command = function() DoModal('scripts/credits.lua') end }, 'menu_credits', 590, 700,
            true),
  -- The wind rose turns under this button.
  Button{ name = 'windrose', x = 40, y = 640, w = 112, h = 112 },
}()

DebugOut('menu: shown')
-- The first start: nobody plays yet, so a name comes first.
if GetNumUsers() == 0 then ReadFile('scripts/entername.lua') end
