// Harness of the map path and keys games' window tests: the mini-games'
// harness (software display, window manager, main.xml with the frame's
// buttons, the tutorial's box and the journal) with both games' pictures in
// plain colours, their files, and helpers that open a game and drive it.
//
// Map layout: the map (400 x 320) at (100, 100); the grid of 10 x 8 cells of
// 40 x 40 starts there too; names from (520, 100), 200 x 30 a line.
// Keys layout: the plate (500 x 300) at (150, 80); keyholes 40 x 40 from (200, 100) (keys 60 x 40, so a key
// reaches over its right neighbour's keyhole), tiles 40 x 40 from (200, 200),
// previews 50 x 30 from (300, 620), the key in the hand 30 x 20.
#pragma once
#include <filesystem>
#include <string>

#include "game/minigames/mg02window.h"
#include "game/minigames/mg03window.h"
#include "tests/game/minigames/mgfixture.h"

namespace mgtest {

constexpr uint32_t kMap = 0xFFC8B890u, kPin = 0xFFE02020u, kSection = 0xFF2040F0u, kInk = 0xFF104010u;
constexpr uint32_t kPlate = 0xFF604830u, kHole = 0xFF303030u, kHeld = 0xFFF0F000u;
constexpr uint32_t kKey[3] = {0xFFD00000u, 0xFF00D000u, 0xFF0000D0u};
constexpr uint32_t kTile[3] = {0xFF800000u, 0xFF008000u, 0xFF000080u};
constexpr uint32_t kPreview[3] = {0xFFFF8080u, 0xFF80FF80u, 0xFF8080FFu};

inline std::string MapPoint(int x, int y, const std::string& text) {
  return "<Point x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" text=\"" + text + "\"/>";
}

// A map file: the three places of the demo's kind, `common` added to "Common".
inline std::string MapFile(const std::string& points = MapPoint(1, 6, "Harbour") + MapPoint(4, 4, "Mill") +
                                                       MapPoint(8, 1, "Light"),
                           const std::string& common = "NeedRestart=\"1\" win_counter=\"3\"",
                           const std::string& textRect = "420,0,200,30", int styles = 2) {
  std::string texts =
      "<Text font=\"fonts/default.mvec\" fh=\"30\" color=\"255, 255, 255, 255\" rect=\"0, 0, 600, 40\" xAlign=\"2\""
      " yAlign=\"2\"/>";
  if (styles >= 2)
    texts += "<Text font=\"fonts/default.mvec\" fh=\"20\" color=\"16, 64, 16, 255\" rect=\"0, 0, 200, 30\" xAlign=\"2\""
             " yAlign=\"2\"/>";
  return "<MiniGame2><Common background=\"t/bg\" pane=\"t/pane\" mainCursor=\"t/cursor\" music=\"\" ambient=\"\""
         " text=\"chart\" text_pos=\"512, 40\" text_angle=\"0\" map=\"m/map\" map_pos=\"100, 100\""
         " map_dx_dy=\"0, 0\" map_size=\"10, 8\" cell_size=\"40, 40\" thumbtack=\"m/pin\" path_section=\"m/section\""
         " startMessageNum=\"2\" finMessageNum=\"1\" " + common + "/>" + texts +
         "<Path text_rect=\"" + textRect + "\">" + points + "</Path>"
         "<TutorScripts><TutorScript id=\"2\"><Item><text name=\"hello\"/></Item></TutorScript>"
         "<TutorScript id=\"1\" do_in_end=\"CloseMG()\"><Item><text name=\"won\"/></Item></TutorScript>"
         "</TutorScripts></MiniGame2>";
}

// A keys file with `keys` keys (at most three), `common` added to "Common".
inline std::string KeysFile(int keys = 3, const std::string& common = "text=\"MMMM\" text2=\"WWWW\"",
                            const std::string& keysAttrs = "count_turns=\"4\"") {
  std::string list;
  for (int i = 0; i < keys; ++i) {
    std::string s = std::to_string(i);
    list += "<Key keyhole=\"k/hole\" img_key=\"k/key" + s + "\" puzzle_elem=\"k/tile" + s + "\" key_preview=\"k/prev" +
            s + "\" key_cursor=\"k/held\"/>";
  }
  return "<MiniGame3><Common background=\"t/bg\" pane=\"t/pane\" mainCursor=\"t/cursor\" music=\"\" ambient=\"\""
         " text_pos=\"512, 40\" text_angle=\"0\" win_counter=\"1\" startMessageNum=\"-1\" finMessageNum=\"1\""
         " setKeyNum=\"3\" plate=\"k/plate;150, 80\" " + common + "/>"
         "<Text font=\"fonts/default.mvec\" fh=\"40\" color=\"255, 255, 255, 255\" rect=\"0, 0, 600, 50\" xAlign=\"2\""
         " yAlign=\"2\"/>"
         "<Keys pos=\"200, 100\" puzzle_pos=\"200, 200\" preview_pos=\"300, 620\" " + keysAttrs + ">" + list +
         "</Keys><TutorScripts><TutorScript id=\"3\"><Item><text name=\"allin\"/></Item></TutorScript>"
         "<TutorScript id=\"1\" do_in_end=\"CloseMG()\"><Item><text name=\"won\"/></Item></TutorScript>"
         "</TutorScripts></MiniGame3>";
}

class TMapKeysTest : public TMiniGameTest {
protected:
  TMapKeysTest() {
    ResetShadowState();
    Solid("m/map.png", 400, 320, kMap);
    Solid("m/pin.png", 20, 20, kPin);
    Solid("m/section.png", 10, 4, kSection);
    Solid("k/plate.png", 500, 300, kPlate);
    Solid("k/hole.png", 40, 40, kHole);
    Solid("k/held.png", 30, 20, kHeld);
    Solid("cursor/cursor_empty.png", 16, 16, 0u);
    for (int i = 0; i < 3; ++i) {
      const std::string s = std::to_string(i);
      Solid("k/key" + s + ".png", 60, 40, kKey[i]);
      Solid("k/tile" + s + ".png", 40, 40, kTile[i]);
      Solid("k/prev" + s + ".png", 50, 30, kPreview[i]);
    }
    std::filesystem::create_directories(dir.File("assets/fonts"));
    std::filesystem::copy_file(testing_support::SourceDir() + "/assets/fonts/default.mvec",
                               dir.File("assets/fonts/default.mvec"));
    for (const char* type : {"mg02window", "mg03window"})
      Write(std::string("scripts/") + type + ".lua", GameScript(type));
    wm->RegisterWindowType("mg02window", TMG02Window::ClassCreator());
    wm->RegisterWindowType("mg03window", TMG03Window::ClassCreator());
  }

  template <class T>
  T* OpenGame(const char* type, const std::string& fileName, const std::string& text) {
    Write(fileName, text);
    Lua(std::string("DoModal('scripts/") + type + ".lua')");
    TWindow* top = wm->GetTopModal();
    if (!top) return nullptr;
    for (TWindow* child : top->GetChildren())
      if (T* game = WindowCast<T>(child)) {
        ExpectWholeDisplay(game);
        return game;
      }
    return nullptr;
  }
  TMG02Window* OpenMap(const std::string& text = MapFile()) {
    map = OpenGame<TMG02Window>("mg02window", "minigame2_1.xml", text);
    return map;
  }
  TMG03Window* OpenKeys(const std::string& text = KeysFile()) {
    keys = OpenGame<TMG03Window>("mg03window", "minigame3_1.xml", text);
    return keys;
  }

  // The centre of cell (c, r) of the map's grid.
  static TPoint Cell(int c, int r) { return TPoint(100 + 40 * c + 20, 100 + 40 * r + 20); }
  // The middle of key i's tray place and of its keyhole.
  TPoint Tray(int i) const {
    const TRect& r = keys->board.keys[size_t(i)].previewRect;
    return TPoint(r.left + r.Width() / 2, r.top + r.Height() / 2);
  }
  TPoint Hole(int i) const {
    const TVec2& h = keys->board.keys[size_t(i)].homePos;
    return TPoint(int(h.x) + 20, int(h.y) + 20);
  }
  void ClickPoint(const TPoint& p) { ClickAt(p.x, p.y); }
  // Carries key i from the tray into its keyhole.
  void Insert(int i) {
    ClickPoint(Tray(i));
    ClickPoint(Hole(i));
  }

  TMG02Window* map = nullptr;
  TMG03Window* keys = nullptr;
};

}  // namespace mgtest
