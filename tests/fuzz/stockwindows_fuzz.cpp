// The stock windows' outside data: the first part of the bytes is the
// cross-sell description file (plain XML or "ZXML"), read by SetupXSell into
// a cross-sell screen; the rest is typed into a text edit as characters, code
// points, keys with modifiers and clipboard pastes, and clicked at on a text
// window showing the edit's text.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/file.h"
#include "platform/time.h"
#include "render/text/textblock.h"
#include "ui/modalwindow.h"
#include "ui/stockwindows.h"
#include "ui/text.h"
#include "ui/textedit.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"
#include "ui/xsell.h"

namespace {

struct TSetup {
  TSetup() : time(1000), wm(nullptr) {
    wm.SetRootWindow(new TScreen());
    script = new TWindowScript();
    wm.SetScript(script);
    RegisterStockWindows(&wm);
  }
  TManualTimeScope time;
  TWindowManager wm;
  TWindowScript* script;
};

const char kScreen[] =
    "XSellWindow{name='xs', config='fuzz/xsell.xml',"
    " Text{name='descrip1', w=300, h=40}, Text{name='descrip2', y=40, w=300, h=40},"
    " Text{name='descrip8', y=80, w=300, h=40}, Text{name='centertext1', y=120, w=300, h=40},"
    " Button{name='xsellbutton1', x=400, w=40, h=20}, Button{name='gamesite', x=400, y=40, w=40, h=20}}()"
    "TextEdit{name='edit', y=300, w=400, h=30, utf8=true, length=16, ignore='#'}()"
    "Text{name='echo', y=340, w=400, h=60}()";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TSetup* setup = new TSetup;
  TWindowManager& wm = setup->wm;
  // Byte 0 tells how many of the following bytes are the description file.
  size_t split = size ? 1 + data[0] % size : 0;
  RegisterMemoryFile("fuzz/xsell.xml", std::vector<uint8_t>(data + (size ? 1 : 0), data + split));

  auto* dialog = new TModalWindow();
  wm.PushModal(dialog);
  setup->script->DoLuaString(kScreen, "the fuzz screen");
  setup->script->DoLuaString("SetupXSell() LaunchGameLink(1) LaunchGameLink(9)", "the cross-sell");

  auto* edit = WindowCast<TTextEdit>(dialog->FindChild("edit"));
  auto* echo = WindowCast<TText>(dialog->FindChild("echo"));
  if (edit) wm.SetFocus(edit);
  TPlatformEvent e;
  for (size_t i = split; i + 1 < size; i += 2) {
    uint8_t kind = data[i], value = data[i + 1];
    e = TPlatformEvent();
    switch (kind % 6) {
      case 0: e.type = kEventChar; e.a = value; break;
      case 1: e.type = kEventUnicode; e.a = value | (uint32_t(kind) << 8); break;
      case 2: e.type = kEventKeyDown; e.a = value; e.b = kind >> 4; break;
      case 3: {
        // A paste of the next bytes.
        size_t n = std::min<size_t>(value % 24, size - i - 2);
        wm.GetEnvironment()->SetClipboardText(TString(reinterpret_cast<const char*>(data + i + 2), n));
        e.type = kEventKeyDown;
        e.a = 'V';
        e.b = 2;
        i += n;
        break;
      }
      case 4:
        e.type = (kind & 0x40) ? kEventLeftUp : kEventLeftDown;
        e.x = value * 2;
        e.y = 300 + (kind >> 3) % 100;
        break;
      default: e.type = kEventTick; AdvanceManualTime(value); break;
    }
    wm.HandleEvent(e);
    if (edit && echo) echo->SetText(edit->GetBlock() ? edit->GetBlock()->GetText() : TString());
  }
  wm.PopModalUntil(dialog->FormatIdHex());
  e = TPlatformEvent();
  e.type = kEventTick;
  wm.HandleEvent(e);
  UnregisterMemoryFile("fuzz/xsell.xml");
  return 0;
}
