-- Second screen of the widgets' end-to-end test: a caption on the first
-- screen's background.
SetWindowName("second")
Bitmap{ name = "bg", image = "backgrounds/mainmenu" }()
Text{ name = "title", x = 0, y = 340, w = kMax, h = 80, flags = kHAlignCenter + kVAlignCenter,
      font = { "fonts/default.mvec", 48, Color(255, 226, 160) }, label = "The second screen" }()
DebugOut("screen: second")
