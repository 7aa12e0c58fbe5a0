-- The options: the volumes of music, sound effects and ambience, sound off,
-- and full screen. The sliders act at once; "Done" stores the volumes.
SetWindowName('options')
ReadFile('scripts/ui.lua')

local function VolumeSlider(name, label, y)
  return Group{
    Text{ name = name .. 'label', x = 40, y = y, w = 200, h = 32, flags = kVAlignCenter,
          font = { kFont, 22, kInk }, label = GetString(label) },
    Slider{ name = name, x = 230, y = y + 2, w = 280, h = 28, hslider = true,
            railtop = 'ui/slider_track_start', railmid = 'ui/slider_track_mid', railbot = 'ui/slider_track_end',
            sliderimage = 'ui/slider_thumb_normal', sliderrollimage = 'ui/slider_thumb_rollover' },
  }
end

local function Done()
  SaveVolumes()
  DebugOut('options: saved')
  CloseWindow()
end

Window{ name = 'optionsbox', x = kCenter, y = kCenter, w = 640, h = 480,
  Bitmap{ name = 'board', x = 0, y = 0, image = 'backgrounds/options' },
  BoardTitle('options_title', 140, 22, 360, 50),
  OptionsWindow{ name = 'optionswindow', x = 44, y = 84, w = 552, h = 300,
    clickSliderSound = 'sounds/click', clickSliderSoundTime = '0.25',
    VolumeSlider('musiclevelslider', 'options_music', 20),
    VolumeSlider('sfxlevelslider', 'options_sounds', 70),
    VolumeSlider('ambientlevelslider', 'options_ambience', 120),
    KitCheckBox({ name = 'mutebox', command = function() ToggleSoundMute() DebugOut('options: sound switched') end },
                'options_soundoff', 40, 180),
    -- AdjustFSButton sets the box against the mode now; the click's toggle,
    -- which follows the command, turns it to show the mode.
    KitCheckBox({ name = 'fullscreen', command = function() ToggleFullScreen() AdjustFSButton() end },
                'options_fullscreen', 40, 230),
  },
  KitButton({ name = 'done', default = true, cancel = true, command = Done }, 'button_done', 220, 396, true),
}()
