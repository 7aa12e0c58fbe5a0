-- Helpers every game screen shares: the fonts and colours of the menus and
-- the buttons of the art kit with their captions. Loaded with ReadFile by the
-- screens; it defines globals only.
kFont = 'fonts/default.mvec'
kInk = Color(43, 33, 24)           -- writing on parchment
kPaper = Color(239, 226, 196)      -- captions on wood and brass
kAmber = Color(255, 210, 122)

-- A menu button of the kit ("ui/button_wide_*", 320 x 64, or the small one,
-- 200 x 50) at (x, y) with a caption from strings.xml. `t` gives the rest of
-- the button's style (name, command, default, cancel...). The caption lies
-- on the face between the two brass studs at its ends.
function KitButton(t, label, x, y, small)
  local kind = small and 'small' or 'wide'
  local w, h = small and 200 or 320, small and 50 or 64
  local inset = small and 37 or 46
  t.x, t.y, t.w, t.h = x, y, w, h
  t.graphics = { 'ui/button_' .. kind .. '_normal', 'ui/button_' .. kind .. '_pressed',
                 'ui/button_' .. kind .. '_rollover' }
  t.sound, t.rolloversound = 'sounds/click', 'sounds/rollover'
  table.insert(t, Text{ name = 'caption', x = inset, y = 8, w = w - 2 * inset, h = h - 16,
                        flags = kHAlignCenter + kVAlignCenter, font = { kFont, small and 20 or 26, kPaper },
                        label = GetString(label) })
  return Button(t)
end

-- A check box of the kit (36 x 36) with its caption to the right.
function KitCheckBox(t, label, x, y)
  t.x, t.y, t.w, t.h, t.type = x, y, 300, 36, kToggle
  t.graphics = { 'ui/check_off', 'ui/check_on', 'ui/check_off_roll', 'ui/check_on_roll' }
  t.sound = 'sounds/click'
  table.insert(t, Text{ name = 'caption', x = 48, y = 0, w = 250, h = 36, flags = kVAlignCenter,
                        font = { kFont, 22, kInk }, label = GetString(label) })
  return Button(t)
end

-- A board's title on its brass plate.
function BoardTitle(label, x, y, w, h)
  return Text{ name = 'title', x = x, y = y, w = w, h = h, flags = kHAlignCenter + kVAlignCenter,
               font = { kFont, 28, kAmber }, label = GetString(label) }
end
