-- Asks whether the chosen picture becomes the desktop's wallpaper; "yes"
-- calls SetUserWallpaper() (bound by the gallery), both buttons close it.
-- Enter answers yes, Escape no.
SetWindowName("asksetwallpaper")

local kFont = "fonts/default.mvec"
local kInk = Color(43, 33, 24)
local kPaper = Color(239, 226, 196)
local kButton = { "ui/button_small_normal.png", "ui/button_small_pressed.png", "ui/button_small_rollover.png" }
local x, y = 252, 234  -- the 520 x 300 box, centred on the screen

local function Close()
  PopModal("asksetwallpaper")
end

Bitmap{ name = "askbox", x = x, y = y, image = "backgrounds/message.png", alpha = true }()
Text{ name = "asktitle", x = x + 104, y = y + 22, w = 312, h = 50, flags = kHAlignCenter + kVAlignCenter,
      font = { kFont, 26, kPaper }, label = "Wallpaper" }()
Text{ name = "askquestion", x = x + 60, y = y + 96, w = 400, h = 100, flags = kHAlignCenter + kVAlignCenter,
      font = { kFont, 26, kInk }, label = "Make this picture the wallpaper of your desktop?" }()
Button{ name = "askyes", x = x + 52, y = y + 212, default = true, graphics = kButton,
        command = function() SetUserWallpaper() Close() end,
        Text{ name = "label", x = 8, y = 8, w = 184, h = 34, flags = kHAlignCenter + kVAlignCenter,
              font = { kFont, 24, kPaper }, label = "Yes" } }()
Button{ name = "askno", x = x + 268, y = y + 212, cancel = true, graphics = kButton,
        command = Close,
        Text{ name = "label", x = 8, y = 8, w = 184, h = 34, flags = kHAlignCenter + kVAlignCenter,
              font = { kFont, 24, kPaper }, label = "No" } }()
