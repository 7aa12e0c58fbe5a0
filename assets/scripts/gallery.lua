-- The wallpaper gallery: the wallpapers the player has earned, four to a
-- page. Its modal window is named "GameGallery": "back" leaves it through
-- the fade (CSWithSh("GameGallery", ...)). The pictures come from
-- tools/make_gallery_art.py; the slots' size is that of "gallery/locked".
SetWindowName("GameGallery")
GameGallery{ name = "gallery", x = 0, y = 0, w = kMax, h = kMax,
  back = "gallery/back", front = "gallery/front",
  no_img = "gallery/locked", selected_img = "gallery/selected",
  buttback = "back;96,632,64,64;ui/round_back_normal;ui/round_back_pressed;ui/round_back_rollover",
  buttwallpaper = "wallpaper;352,632,320,64;gallery/button_wallpaper_normal;gallery/button_wallpaper_pressed;"
    .. "gallery/button_wallpaper_rollover",
  buttleft = "listleft;96,348,64,64;ui/round_left_normal;ui/round_left_pressed;ui/round_left_rollover",
  buttright = "listright;864,348,64,64;ui/round_right_normal;ui/round_right_pressed;ui/round_right_rollover",
  music = "", ambient = "",
  list_time = "0.5",
  images_rect = "202,150;30;30;40;30",
  title = "gallerytitle;512,96,600,60;fonts/default.mvec;40;255,210,122,255",
}()
