// 100,000 random mouse and key events into a screen of about 200 windows
// built from Lua, whose buttons open and close dialogs, destroy and hide
// windows and post messages. Nothing may crash, leak or outlive the manager.
#include <gtest/gtest.h>

#include <random>

#include "uitest.h"
#include "platform/log.h"

using namespace uitest;

namespace {

const char kMonkey[] = R"(
SetWindowName("monkey")
RegisterHotkey("@Q", "b1")
RegisterHotkey("ctrl-W", "b2")
local function Counted(f) return function() gCommands = gCommands + 1; f() end end
local function Command(i) return Counted(RawCommand(i)) end
function RawCommand(i)
  local kind = i % 6
  if kind == 0 then return function() DestroyWindow("t" .. i) end end
  if kind == 1 then return function() sub = DoModal("scripts/sub.lua") end end
  if kind == 2 then return function() EnableWindow("e" .. (i + 1), not GetButtonToggleState("b" .. i)) end end
  if kind == 3 then return function() PostMessage(CreateNamedMessage(kUserMessageBase, "m" .. i)) end end
  if kind == 4 then return function() SetLabel("t" .. i, GetLabel("e" .. i)); SetFocus("e" .. i) end end
  return function() Pause(30, true) end
end
for i = 1, 20 do
  Window{ name = "panel" .. i, x = (i - 1) % 5 * 204, y = math.floor((i - 1) / 5) * 190, w = 200, h = 186,
    Text{ name = "t" .. i, x = 4, y = 4, w = 120, h = 20, label = "panel " .. i },
    TextEdit{ name = "e" .. i, x = 4, y = 28, w = 150, h = 22 },
    Button{ name = "b" .. i, x = 4, y = 56, w = 96, h = 34, default = (i == 1), cancel = (i == 2),
            command = Command(i) },
    Button{ name = "c" .. i, x = 102, y = 56, w = 96, h = 34, close = (i % 7 == 0) },
    Bitmap{ name = "i" .. i, x = 0, y = 0, w = 200, h = 186, image = "bg" },
    Window{ name = "w" .. i, x = 4, y = 92, w = 190, h = 90,
      Button{ name = "d" .. i, x = 0, y = 0, w = 40, h = 40, command = function() DestroyWindow("w" .. i) end },
      Text{ name = "u" .. i, x = 50, y = 0, w = 60, h = 20, label = "x" },
      Window{ x = kCenter, y = -20, w = 30, h = 10 },
    },
  }()
end
)";

const char kSub[] = R"(
gOpened = gOpened + 1
Window{ x = kCenter, y = kCenter, w = 300, h = 200,
  Button{ name = "ok", x = 10, y = 10, w = 100, h = 100, close = true, default = true },
  Button{ name = "deeper", x = 150, y = 10, w = 100, h = 100, command = function() DoModal("scripts/sub.lua") end },
  TextEdit{ name = "se", x = 10, y = 150, w = 200, h = 20 },
}()
)";

class MonkeyTest : public ::testing::Test, public TLuaFixture {};

TEST_F(MonkeyTest, RandomEventsBreakNothing) {
  Script("scripts/monkey.lua", kMonkey);
  Script("scripts/sub.lua", kSub);
  long windows = TWindow::LiveCount();
  TLogCapture log;
  Lua("gCommands, gOpened, gRounds = 0, 0, 0; while true do DoModal('scripts/monkey.lua'); gRounds = gRounds + 1 end");
  EXPECT_GT(TWindow::LiveCount() - windows, 190);
  std::mt19937 rng(20261207);
  std::uniform_int_distribution<int> coord(-50, 1100);
  std::uniform_int_distribution<int> pick(0, 99);
  const uint32_t keys[] = {'A', 'Q', 'W', 'Z', 13, 27, 9, 8, 0x80, 0x83, 0xFF, 0x70};
  for (int n = 0; n < 100000; ++n) {
    int r = pick(rng);
    int x = coord(rng), y = coord(rng);
    if (r < 30) Send(kEventMouseMove, x, y);
    else if (r < 45) Send(kEventLeftDown, x, y);
    else if (r < 60) Send(kEventLeftUp, x, y);
    else if (r < 63) Send(kEventButton, x, y, static_cast<uint32_t>(pick(rng) % 8));
    else if (r < 65) Send(kEventMouseLeave);
    else if (r < 67) Send(kEventHover, x, y);
    else if (r < 74) {
      uint32_t key = keys[pick(rng) % 12];
      Send(kEventKeyDown, 0, 0, key, static_cast<uint32_t>(pick(rng) % 8));
    }
    else if (r < 77) Send(kEventKeyUp, 0, 0, keys[pick(rng) % 12]);
    else if (r < 85) Send(kEventUnicode, 0, 0, static_cast<uint32_t>("abc\r\x1b\b\t\xe9"[pick(rng) % 8] & 0xFF));
    else if (r < 86) Send(kEventClose);
    else if (r < 87) Send(kEventPaint);
    else Idle(static_cast<uint32_t>(pick(rng) % 40));
  }
  int errors = 0;
  for (const std::string& line : log.Lines()) {
    if (line.find("rror") != std::string::npos && ++errors <= 5) ADD_FAILURE() << line;
  }
  EXPECT_GE(wm->GetModalStack().size(), 1u);
  EXPECT_GT(Number("gCommands"), 100);
  EXPECT_GT(Number("gRounds"), 2);
  EXPECT_GT(Number("gOpened"), 10);
  EXPECT_GT(wm->GetFrameCount(), 100u);
  delete script;
  script = nullptr;
  delete wm;
  wm = new TWindowManager(&env);
  EXPECT_EQ(windowsAtStart, TWindow::LiveCount());
  EXPECT_EQ(messagesAtStart, TMessage::LiveCount());
}

}  // namespace
