-- First screen of the widgets' end-to-end test: a background, and a window
-- that shows a picture effect, an image and an atlas animation, a caption and
-- a game button ("go") that changes to the second screen behind the fade.
SetWindowName("first")
Bitmap{ name = "bg", image = "backgrounds/mainmenu" }()
WidgetShow{ name = "show", x = 0, y = 0, w = kMax, h = kMax,
            next = "scripts/widgets_second.lua",
            button = "go; 412,620,0,0; ui/button_small_normal; ui/button_small_pressed; ui/button_small_rollover; ui/button_small_disabled",
            anim = "assets/anim/lamp_glow.xml", atlas = "anim/sparkle", atlasx = 700, atlasy = 120,
            picture = "ui/round_hint_normal", effect = "EffArt", effectx = 200, effecty = 300,
            caption = "EffShapeText" }()
DebugOut("screen: first")
