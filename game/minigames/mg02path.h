// The map path game's board without a window: what it reads of its own part
// of "assets/minigame2_<n>.xml", the grid of cells over the map, the path
// points with their place names, the rules of pinning, the end of play and
// the geometry of its drawing. TMG02Window (mg02window.h) holds one.
//
// The player pins thumbtacks on the cells of an invisible grid. The path is
// a fixed list of points, one cell each; pinning a point's cell reaches the
// point (in any order). One wrong pin may stand; a second one takes both
// away. When every point is reached the puzzle is solved; the closing
// message follows after "win_counter" updates (update steps, not seconds,
// in this game). docs/minigames.md describes the file.
//
// Depends on platform/ and the mini-games' shared reader (mgresources.h).
#pragma once
#include <memory>
#include <vector>

#include "game/minigames/mgresources.h"
#include "platform/geometry.h"
#include "platform/string.h"

class TText;
class TiXmlElement;

// Limits on what a file may ask for.
constexpr int kMaxMapColumns = 256;
constexpr int kMaxMapRows = 256;
constexpr int kMaxMapPoints = 256;
constexpr float kMaxMapCellSize = 4096.0f;

// One "Point" of "Path" as written: its cell and its place name.
struct MapPathPointData {
  int column = 0, row = 0;
  TString text;  // shown as written, not looked up in the string table
};

// The game's own part of its file.
struct MapPathFileData {
  bool needRestart = false;  // "NeedRestart" 1: the restart button is offered
  TString map;               // the map picture
  TString thumbtack;         // the pin picture
  TString pathSection;       // "path_section": one piece of the drawn path
  TVec2 mapPos;              // "map_pos": the map's top-left on screen
  TVec2 mapDxDy;             // "map_dx_dy": the grid's top-left from map_pos
  int columns = 0, rows = 0; // "map_size"
  TVec2 cellSize;            // "cell_size"
  int startMessageNum = -1;
  int finMessageNum = 1;
  float delay = 0, restartTime = 0;  // kept, no rule uses them
  // "text_rect" of "Path": left, top (from map_pos), width, height of the
  // first line of the list of names.
  float textRect[4] = {0, 0, 0, 0};
  // Every "Text" element in file order: 0 the title, 1 the place names.
  std::vector<MGTextStyle> textStyles;
  // The points inside the grid, in file order.
  std::vector<MapPathPointData> points;
};

// Reads the game's own keys of "Common", the "Text" styles and the "Path".
// False, with the reason, when there are fewer than two "Text" elements or
// no "Path". Values out of range are clamped, points without a cell inside
// the grid are left out; both with a log line.
bool ReadMapPathFile(const TiXmlElement* root, const TiXmlElement* common, MapPathFileData* out, TString* why);

// One cell of the grid.
struct MapCell {
  int column = 0, row = 0;
  int left = 0, top = 0, right = 0, bottom = 0;  // on screen; right and bottom exclusive
  bool empty = true;                             // no pin stands on it

  bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
  // The centre in whole pixels (halves truncated).
  TPoint Centre() const { return TPoint(left + (right - left) / 2, top + (bottom - top) / 2); }
};

// One point of the path.
struct MapPoint {
  MapPoint();
  ~MapPoint();
  MapPoint(MapPoint&&) noexcept;
  MapPoint& operator=(MapPoint&&) noexcept;

  int column = 0, row = 0;
  bool reached = false;
  TString text;
  int left = 0, top = 0, right = 0, bottom = 0;  // its line in the list of names
  std::unique_ptr<TText> label;                  // made by the window; null in a bare board
};

class MapPathBoard {
public:
  // What the end of play asks the window to do after an update.
  using EndStep = MGEndStep;  // kPlaying also while the win delay runs

  // Lays the grid and the path out from the file: every cell empty, no point
  // reached, no cell pinned last, not solved, the win delay `winCounter`.
  void Build(const MapPathFileData& data, int winCounter);

  // A press at (x, y): pins the first empty cell under it. False when a pin
  // was placed; true when the press was not used (off the grid, or on a pin).
  bool Press(int x, int y);
  // Reaches every point of the cell pinned last, then takes the wrong pins
  // away once there are two or more.
  void ApplyPin();
  // Every point reached (or none there): the wrong pins are taken away once.
  bool IsSolved();
  // Pins exactly the path's cells and reaches every point.
  void Skip();

  // An update's share of the rules: solved is looked at before the frame's
  // update (CheckSolved), the win delay and the end after it (StepEnd).
  void CheckSolved() { solved = IsSolved(); }
  EndStep StepEnd(bool isWon, bool closeRequested);

  // The index in `cells` of the point's cell.
  int CellIndex(const MapPoint& p) const { return columns * p.row + p.column; }
  bool IsOnPath(int cell) const;
  // The pins on cells off the path, in cell order.
  std::vector<int> WrongPins() const;

  int columns = 0, rows = 0;
  std::vector<MapCell> cells;  // columns x rows, the cell (c, r) at columns * r + c
  std::vector<MapPoint> points;
  int currentCell = -1;
  bool solved = false;
  bool finishing = false;
  int winCountdown = 0;
};

// --- Geometry of the drawing ---

// Copies of a section picture `width` pixels wide laid end to end from
// (x1, y1) towards (x2, y2): trunc(distance) / width of them, each placed by
// its top-left corner on the line and turned about its own centre by
// atan(dy / dx) (pi/2 or -pi/2 upright). Nothing for a width below 1.
struct PathSectionRun {
  std::vector<TPoint> corners;
  float angle = 0;
};
PathSectionRun LayPathSections(float x1, float y1, float x2, float y2, int width);

// The bar across a reached name: from 2 pixels before the text to 6 past its
// end, 6 pixels high about the text's middle. `bounds` is the laid-out text
// relative to the line's top-left.
TRect StrikeBarRect(const MapPoint& line, const TRect& bounds);

// The top-left corner of a pin picture of w x h centred on the cell.
TPoint PinCorner(const MapCell& cell, int w, int h);
