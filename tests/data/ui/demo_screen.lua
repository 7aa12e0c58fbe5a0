-- The first screen of the demo data, built from the stock windows: a title,
-- a picture, a text field, a push button, a check box, a slider, a status
-- line and a link. It answers the messages the windows send and writes each
-- one to the log ("screen: <type> <name>", and "status: <text>" for what the
-- status line shows), which the end-to-end test reads.

local kFont = "fonts/default.mvec"
local kWhite = FColor(1, 1, 1, 1)
local kPale = Color(200, 212, 255)
local kWarm = Color(255, 226, 160)

-- Text typed by the player is shown as text, never read as markup.
local function Escape(s)
  return (string.gsub(string.gsub(s, "&", "&amp;"), "<", "&lt;"))
end

local function Say(text)
  DebugOut("status: " .. text)
  SetLabel("status", text)
end

Bitmap{ name = "background", image = "images/background.png", autoscale = true }()

Text{ name = "title", x = 0, y = 40, w = kMax, h = 96, flags = kHAlignCenter,
      font = { kFont, 80, Color(255, 208, 120) }, label = "lantern" }()
Text{ name = "subtitle", x = 0, y = 132, w = kMax, h = 36, flags = kHAlignCenter,
      font = { kFont, 22, kPale }, label = "A screen built in Lua from the stock windows" }()

Bitmap{ name = "lantern", x = 130, y = 230, image = "images/lantern.png", alpha = true }()
Bitmap{ name = "panel", x = 400, y = 200, image = "images/panel.png", alpha = true }()

Text{ name = "namelabel", x = 430, y = 222, w = 300, h = 32, font = { kFont, 22, kPale }, label = "Your name" }()
Bitmap{ name = "fieldbox", x = 430, y = 258, image = "images/field.png", alpha = true }()
TextEdit{ name = "name", x = 442, y = 264, w = 296, h = 32, length = 24, utf8 = true, flags = kVAlignCenter,
          font = { kFont, 24, Color(28, 32, 64) } }()

Button{ name = "greet", x = 772, y = 256, default = true,
        graphics = { "images/button_normal.png", "images/button_pressed.png", "images/button_rollover.png" },
        Text{ name = "label", x = 0, y = 0, w = 120, h = 48, flags = kHAlignCenter + kVAlignCenter,
              font = { kFont, 24, kWhite }, label = "Greet" } }()

Button{ name = "sound", x = 430, y = 336, w = 260, h = 32, type = kToggle, on = true,
        graphics = { "images/check_off.png", "images/check_on.png", "images/check_off_roll.png",
                     "images/check_on_roll.png" },
        Text{ name = "label", x = 44, y = 0, w = 210, h = 32, flags = kVAlignCenter,
              font = { kFont, 22, kWhite }, label = "Sound effects" } }()

Text{ name = "volumelabel", x = 430, y = 390, w = 300, h = 30, font = { kFont, 22, kPale }, label = "Volume" }()
Slider{ name = "volume", x = 430, y = 428, w = 330, h = 24, hslider = true, value = 0.5,
        railtop = "images/rail_start.png", railmid = "images/rail_mid.png", railbot = "images/rail_end.png",
        sliderimage = "images/thumb.png", sliderrollimage = "images/thumb_roll.png" }()

Text{ name = "status", x = 430, y = 480, w = 470, h = 90, font = { kFont, 24, kWarm },
      label = "Type your name and press Greet." }()

-- The link names this hidden button: a click on it runs the button's command.
Button{ name = "about", x = 0, y = 0, w = 1, h = 1,
        command = function() Say("Every window here comes from a Lua table in scripts/mainloop.lua.") end }()
EnableWindow("about", false)
Text{ name = "link", x = 430, y = 600, w = 470, h = 32, font = { kFont, 22, Color(150, 190, 255) },
      label = "<u><a id='about'>What is this screen?</a></u>" }()

Button{ name = "quit", x = 862, y = 690,
        graphics = { "images/button_normal.png", "images/button_pressed.png", "images/button_rollover.png" },
        command = function() PostMessage(CreateNamedMessage(kQuitNow, "")) end,
        Text{ name = "label", x = 0, y = 0, w = 120, h = 48, flags = kHAlignCenter + kVAlignCenter,
              font = { kFont, 24, kWhite }, label = "Quit" } }()

SetFocus("name")

while true do
  local msg = WaitForMessage()
  if msg then
    DebugOut("screen: " .. msg.type .. " " .. msg.name)
    if msg.type == kButtonPress and msg.name == "greet" then
      local name = GetLabel("name")
      if name == "" then
        Say("Please type your name first.")
      else
        Say("Hello, " .. Escape(name) .. "!")
      end
    elseif msg.type == kButtonPress and msg.name == "sound" then
      Say(GetButtonToggleState("sound") and "Sound effects are on." or "Sound effects are off.")
    elseif msg.type == kSliderValChanged then
      Say("Setting the volume...")
    elseif msg.type == kSliderMouseUp then
      Say("Volume set.")
    elseif msg.type == kSliderPageUp then
      Say("Drag the knob to change the volume.")
    elseif msg.type == kSliderPageDown then
      Say("Drag the knob to change the volume.")
    end
  end
end
