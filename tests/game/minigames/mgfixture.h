// Harness of the mini-game tests: the shared-widget harness (temporary asset
// folder, software display, window manager with its Lua script) with the
// blocks game's pictures in plain colours, a main.xml holding the frame's
// buttons, the tutorial's box, the journal and two levels, a blocks file laid
// out like the demo, and helpers that open the game and drive it.
//
// Layout (as the demo's): board picture at (320, 110), cells 88 x 88 from
// (336, 126); the tray from (396, 604), crates 64 x 64 in two rows; the tray
// top at 768 - 180 = 588. Crate pictures have a 4-pixel clear border.
#pragma once
#include <tinyxml.h>

#include <string>

#include "game/minigames/mg01window.h"
#include "game/shell/data/gameprogress.h"
#include "game/shell/widgets/shadow.h"
#include "platform/host/hosts.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "tests/game/support/widgetfixture.h"
#include "ui/modalwindow.h"

namespace mgtest {

constexpr uint32_t kBack = 0xFF101820u, kPane = 0xFF503020u, kBoard = 0xFF402818u, kBook = 0xFF806040u;
constexpr uint32_t kKind[4] = {0xFFC00000u, 0xFF00C000u, 0xFF0000C0u, 0xFFC0C000u};
constexpr uint32_t kBad = 0xFFFF00FFu, kTray = 0xFF00FFFFu;

// The demo puzzle's ten pre-filled cells; the movable kinds are 0, 0, 1, 1, 2, 2.
inline const char* DemoBlocks() {
  return "<Block x=\"2\" y=\"0\" type=\"2\"/><Block x=\"3\" y=\"0\" type=\"3\"/>"
         "<Block x=\"2\" y=\"1\" type=\"3\"/><Block x=\"3\" y=\"1\" type=\"0\"/>"
         "<Block x=\"0\" y=\"2\" type=\"2\"/><Block x=\"1\" y=\"2\" type=\"3\"/><Block x=\"3\" y=\"2\" type=\"1\"/>"
         "<Block x=\"0\" y=\"3\" type=\"3\"/><Block x=\"1\" y=\"3\" type=\"0\"/><Block x=\"2\" y=\"3\" type=\"1\"/>";
}

// A blocks file; `common` is added to "Common", `tutorial` replaces the screens.
inline std::string BlocksFile(const std::string& blocks = DemoBlocks(), const std::string& common = "",
                              const std::string& tutorial = "") {
  std::string types = "<BlocksType>";
  for (int k = 0; k < 4; ++k) {
    std::string s = std::to_string(k);
    types += "<Type img=\"t/b" + s + "\" incorrectimg=\"t/bad" + s + "\" preview=\"t/s" + s + "\"/>";
  }
  types += "</BlocksType>";
  return "<MiniGame1><Common background=\"t/bg\" pane=\"t/pane\" mainCursor=\"t/cursor\" music=\"\" ambient=\"\""
         " text=\"caption\" text_pos=\"512, 40\" text_angle=\"0\" preview_pos=\"396, 604\" win_counter=\"2\""
         " finMessageNum=\"1\" bigBlock=\"t/board\" boundsimg=\"t/cell\" bigBlockPos=\"320, 110\" block_dx=\"16\""
         " block_dy=\"16\" " + common + "/>"
         "<Text font=\"\" fh=\"24\" color=\"255, 255, 255, 255\" rect=\"0, 0, 600, 40\" xAlign=\"2\" yAlign=\"2\"/>" +
         types + "<Blocks>" + blocks + "</Blocks>" +
         (tutorial.empty() ? "<TutorScripts><TutorScript id=\"2\"><Item><text name=\"hello\"/></Item></TutorScript>"
                             "<TutorScript id=\"1\" do_in_end=\"CloseMG()\"><Item><text name=\"won\"/></Item>"
                             "</TutorScript></TutorScripts>"
                           : tutorial) +
         "</MiniGame1>";
}

// The script that opens a game as the level flow does. Its style places the
// window elsewhere: a mini-game does not read it (the window takes the whole
// display).
inline std::string GameScript(const std::string& type) {
  return "SetWindowName('" + type + "')\n" + type +
         "{ name = 'elsewhere', x = 100, y = 50, w = 200, h = 100 }()\n";
}

// A game window as the style above leaves it: over the whole display.
inline void ExpectWholeDisplay(const TWindow* game) {
  if (game) {
    EXPECT_EQ(game->GetRect(), TRect(0, 0, 1024, 768));
  }
}

class TMiniGameTest : public widgettest::TWidgetWindowTest {
protected:
  TMiniGameTest() {
    // The platform's display is 1024 x 768, as the game opens it: the frame
    // sizes the game window to it.
    platform = CreateHeadlessPlatform(TPlatformHooks(), &host);
    host->SetWindowMode(1024, 768, false);
    GetGameProgress().Reset();
    SetMiniGameLevel(1);
    Solid("t/bg.png", 1024, 768, kBack);
    Solid("t/pane.png", 1024, 180, kPane);
    Solid("t/board.png", 384, 384, kBoard);
    Solid("t/cell.png", 88, 88, 0x40FFFFFFu);
    Solid("t/cursor.png", 16, 16, 0xFFFFFFFFu);
    for (int k = 0; k < 4; ++k) {
      std::string s = std::to_string(k);
      uint32_t colour = kKind[k];
      auto framed = [](int side, uint32_t c) {
        return [side, c](int x, int y) { return (x < 4 || y < 4 || x >= side - 4 || y >= side - 4) ? 0u : c; };
      };
      Png("t/b" + s + ".png", 88, 88, framed(88, colour));
      Png("t/bad" + s + ".png", 88, 88, framed(88, kBad));
      Png("t/s" + s + ".png", 64, 64, framed(64, colour == kKind[0] ? kTray : colour));
    }
    for (const char* b : {"t/menu.png", "t/journal.png", "t/skip.png", "t/restart.png"}) Solid(b, 64, 64, 0xFF303030u);
    Solid("tut/box.png", 400, 100, 0xFF204060u);
    Solid("tut/next.png", 40, 30, 0xFF00C000u);
    Solid("tut/close.png", 40, 30, 0xFFC00000u);
    Solid("tut/shadow.png", 64, 64, 0xFF000000u);
    Solid("book/bg.png", 600, 300, kBook);
    Solid("book/left.png", 280, 260, 0xFFF0E8D0u);
    Solid("book/right.png", 280, 260, 0xFFF0E8D0u);
    Solid("book/rightphoto.png", 280, 260, 0xFFE0F0E0u);
    Solid("b/close.png", 40, 40, 0xFF303030u);
    Write("scripts/mg01window.lua", GameScript("mg01window"));
    MainXml(MainXmlText());
    wm->RegisterWindowType("mg01window", TMG01Window::ClassCreator());
  }
  ~TMiniGameTest() override {
    // Windows first, while the platform exists.
    screen->DeleteChildren();
    Send(kEventTick);
    GetGameProgress().Reset();
    SetMiniGameLevel(0);
  }

  // The frame's buttons: menu (20, 604), journal (20, 684), skip (940, 604),
  // restart (940, 684); the tutorial box at (300, 500) with its close button
  // at (600, 560); the journal at (100, 400), 600 x 300, over the tray.
  std::string MainXmlText() const {
    return "<Game><Common animrate=\"16\" VO=\"0\"/>"
           "<Levels><Level id=\"1\" mgame=\"mg01window\" mgame_num=\"1\"><Chapt id=\"4\"><Loc filename=\"a\"/></Chapt>"
           "</Level><Level id=\"2\"><Chapt id=\"7\"><Loc filename=\"b\"/></Chapt><Chapt id=\"8\"/></Level></Levels>"
           "<MiniGame buttmenu=\"menu;20,604,0,0;t/menu;t/menu;t/menu\""
           " buttlogbook=\"" + journalButton + "\""
           " buttskip=\"skipgame;940,604,0,0;t/skip;t/skip;t/skip\""
           " buttrestart=\"restart;940,684,0,0;t/restart;t/restart;t/restart\"/>"
           "<Tutorial pos=\"300,500\" back=\"tut/box\" buttclose=\"close;600,560,0,0,0,0;tut/close;tut/close;tut/close\""
           " buttnext=\"next;540,560,0,0,0,0;tut/next;tut/next;tut/next\" shadow=\"tut/shadow;0,0,64,64;0.2;0.5\""
           " font=\"\" fh=\"20\" color=\"255, 255, 255, 255\" rect=\"310, 510, 200, 60\" xAlign=\"0\" yAlign=\"0\"/>"
           "<LogBook pos=\"100,400\" bkgnd=\"book/bg\" efftime=\"0.1\" effAlphaTime=\"0.1\""
           " butt=\"logbookclose;650,10,0,0;b/close;b/close;b/close\""
           " left_page=\"book/left;10,20\" right_page=\"book/right;300,20\" right_page_photo=\"book/rightphoto\">"
           "<Journal rect_left=\"20;30;260;200\" rect_right=\"310;30;260;200\" font=\"\" fh_journal=\"18\""
           " fh_photo=\"16\" color=\"0.2,0.1,0,1\"/></LogBook></Game>";
  }

  // Writes the blocks file of variant `variant`.
  void File(const std::string& text, int variant = 1) {
    Write("minigame1_" + std::to_string(variant) + ".xml", text);
  }

  // Opens the game as the level flow does and returns it (null when no window was made).
  TMG01Window* Open(const std::string& file = BlocksFile()) {
    File(file);
    Lua("DoModal('scripts/mg01window.lua')");
    TWindow* top = wm->GetTopModal();
    game = nullptr;
    if (top)
      for (TWindow* child : top->GetChildren())
        if (!game) game = WindowCast<TMG01Window>(child);
    if (!game)
      for (const std::string& line : log.Lines()) ADD_FAILURE() << line;
    ExpectWholeDisplay(game);
    return game;
  }

  // n updates of the game's clock (16 ms each).
  void Steps(int n) {
    for (int i = 0; i < n; ++i) Tick(16);
  }
  // A click as the player makes it: over, press, release.
  void ClickAt(int x, int y) {
    Move(x, y);
    Down(x, y);
    Up(x, y);
  }
  // The middle of tray place i (of 6: three in each row) and of cell (col, row).
  static TPoint TrayPoint(int i) { return TPoint(396 + (i % 3) * 84 + 32, i < 3 ? 636 : 703); }
  static TPoint CellPoint(int col, int row) { return TPoint(336 + col * 88 + 44, 126 + row * 88 + 44); }
  void Carry(int trayIndex, int col, int row) {
    TPoint from = TrayPoint(trayIndex), to = CellPoint(col, row);
    ClickAt(from.x, from.y);
    ClickAt(to.x, to.y);
  }
  // Solves the demo puzzle with six carries, or makes carries first..last-1 of them.
  void Solve(int first = 0, int last = 6) {
    static const int kCells[6][2] = {{0, 0}, {2, 2}, {1, 0}, {0, 1}, {1, 1}, {3, 3}};
    for (int i = first; i < last; ++i) Carry(i, kCells[i][0], kCells[i][1]);
  }

  std::unique_ptr<TPlatform> platform;
  THeadlessHost* host = nullptr;
  std::string journalButton = "logbook;20,684,0,0;t/journal;t/journal;t/journal";
  TMG01Window* game = nullptr;
  TLogCapture log;
};

}  // namespace mgtest
