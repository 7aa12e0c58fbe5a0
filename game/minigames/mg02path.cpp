#include "game/minigames/mg02path.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>

#include "platform/log.h"
#include "ui/text.h"

namespace {

constexpr double kHalfPi = 1.57079632679489661923;
constexpr int kLargestTutorScreen = 100000;
constexpr float kLongestDelay = 3600.0f;

// A number within [lo, hi]; logged when it had to be moved there.
float Limit(float v, float lo, float hi, const char* what) {
  if (v >= lo && v <= hi) return v;
  float kept = std::max(lo, std::min(hi, v));
  TraceOut("Map path: %s %g is out of range; %g is used", what, double(v), double(kept));
  return kept;
}

// A float attribute; the default when it is absent or not a finite number.
float ReadFloat(const TiXmlElement* element, const char* name, float fallback) {
  float v[1];
  return ReadMGNumbers(element->Attribute(name), v, 1) == 1 ? v[0] : fallback;
}

}  // namespace

MapPoint::MapPoint() = default;
MapPoint::~MapPoint() = default;
MapPoint::MapPoint(MapPoint&&) noexcept = default;
MapPoint& MapPoint::operator=(MapPoint&&) noexcept = default;

bool ReadMapPathFile(const TiXmlElement* root, const TiXmlElement* common, MapPathFileData* out, TString* why) {
  MapPathFileData data;
  int needRestart = 0;
  ReadMGInt(common, "NeedRestart", &needRestart, -1000000, 1000000);
  data.needRestart = needRestart == 1;
  data.map = ReadMGText(common, "map");
  data.thumbtack = ReadMGText(common, "thumbtack");
  data.pathSection = ReadMGText(common, "path_section");
  ReadMGVec2(common, "map_pos", &data.mapPos);
  ReadMGVec2(common, "map_dx_dy", &data.mapDxDy);
  int size[2] = {0, 0};
  ReadMGInts(common->Attribute("map_size"), size, 2);
  data.columns = int(Limit(float(size[0]), 0, float(kMaxMapColumns), "the number of columns"));
  data.rows = int(Limit(float(size[1]), 0, float(kMaxMapRows), "the number of rows"));
  ReadMGVec2(common, "cell_size", &data.cellSize);
  data.cellSize.x = Limit(data.cellSize.x, 0, kMaxMapCellSize, "the cell width");
  data.cellSize.y = Limit(data.cellSize.y, 0, kMaxMapCellSize, "the cell height");
  ReadMGInt(common, "startMessageNum", &data.startMessageNum, -1, kLargestTutorScreen);
  ReadMGInt(common, "finMessageNum", &data.finMessageNum, -1, kLargestTutorScreen);
  data.delay = Limit(ReadFloat(common, "delay", 0), 0, kLongestDelay, "\"delay\"");
  data.restartTime = Limit(ReadFloat(common, "restart_time", 0), 0, kLongestDelay, "\"restart_time\"");

  for (const TiXmlElement* text = root->FirstChildElement("Text"); text; text = text->NextSiblingElement("Text")) {
    // Only the first two are used; a few more are harmless, thousands are not kept.
    if (data.textStyles.size() < 16) data.textStyles.push_back(ReadMGTextStyle(text));
  }
  if (data.textStyles.size() < 2) {
    *why = TString::Printf("it has %zu \"Text\" element%s; the title and the names need two",
                           data.textStyles.size(), data.textStyles.size() == 1 ? "" : "s");
    return false;
  }

  const TiXmlElement* path = root->FirstChildElement("Path");
  if (!path) {
    *why = "it has no \"Path\" element";
    return false;
  }
  if (ReadMGNumbers(path->Attribute("text_rect"), data.textRect, 4) != 4)
    TraceOut("Map path: \"Path\" has no whole \"text_rect\" x, y, w, h (got \"%s\"); the numbers missing are 0",
             path->Attribute("text_rect") ? path->Attribute("text_rect") : "");
  data.textRect[2] = Limit(data.textRect[2], 0, 4096, "the names' width");
  data.textRect[3] = Limit(data.textRect[3], 0, 4096, "the names' line height");

  int index = 0;
  for (const TiXmlElement* p = path->FirstChildElement("Point"); p; p = p->NextSiblingElement("Point"), ++index) {
    if (int(data.points.size()) >= kMaxMapPoints) {
      TraceOut("Map path: only the first %d points are used", kMaxMapPoints);
      break;
    }
    MapPathPointData point;
    point.text = ReadMGText(p, "text");
    bool hasX = ReadMGInt(p, "x", &point.column, -1000000, 1000000);
    bool hasY = ReadMGInt(p, "y", &point.row, -1000000, 1000000);
    if (!hasX || !hasY) {
      TraceOut("Map path: point %d \"%s\" left out: it needs whole numbers \"x\" and \"y\"", index + 1,
               point.text.c_str());
      continue;
    }
    if (point.column < 0 || point.column >= data.columns || point.row < 0 || point.row >= data.rows) {
      TraceOut("Map path: point %d \"%s\" at (%d, %d) left out: it lies outside the %d x %d grid", index + 1,
               point.text.c_str(), point.column, point.row, data.columns, data.rows);
      continue;
    }
    data.points.push_back(std::move(point));
  }
  *out = std::move(data);
  return true;
}

void MapPathBoard::Build(const MapPathFileData& data, int winCounter) {
  cells.clear();
  points.clear();
  columns = std::max(0, std::min(kMaxMapColumns, data.columns));
  rows = std::max(0, std::min(kMaxMapRows, data.rows));
  const float originX = data.mapDxDy.x + data.mapPos.x, originY = data.mapDxDy.y + data.mapPos.y;
  cells.resize(size_t(columns) * size_t(rows));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      MapCell& cell = cells[size_t(columns) * size_t(r) + size_t(c)];
      cell.column = c;
      cell.row = r;
      cell.left = int(float(c) * data.cellSize.x + originX);
      cell.top = int(float(r) * data.cellSize.y + originY);
      cell.right = int(float(cell.left) + data.cellSize.x);
      cell.bottom = int(float(cell.top) + data.cellSize.y);
      cell.empty = true;
    }
  const int left = int(data.mapPos.x + data.textRect[0]), top = int(data.mapPos.y + data.textRect[1]);
  const int right = left + int(data.textRect[2]), lineHeight = int(data.textRect[3]);
  for (const MapPathPointData& p : data.points) {
    // A board built from data of another reader still keeps to its grid.
    if (p.column < 0 || p.column >= columns || p.row < 0 || p.row >= rows) continue;
    MapPoint point;
    point.column = p.column;
    point.row = p.row;
    point.text = p.text;
    const int i = int(points.size());
    point.left = left;
    point.right = right;
    point.top = top + i * lineHeight;
    point.bottom = top + (i + 1) * lineHeight;
    points.push_back(std::move(point));
  }
  currentCell = -1;
  solved = false;
  finishing = false;
  winCountdown = winCounter;
}

bool MapPathBoard::Press(int x, int y) {
  for (size_t i = 0; i < cells.size(); ++i) {
    MapCell& cell = cells[i];
    if (!cell.empty || !cell.Contains(x, y)) continue;
    cell.empty = false;
    currentCell = int(i);
    ApplyPin();
    return false;
  }
  return true;
}

bool MapPathBoard::IsOnPath(int cell) const {
  if (cell < 0 || cell >= int(cells.size())) return false;
  for (const MapPoint& p : points)
    if (CellIndex(p) == cell) return true;
  return false;
}

std::vector<int> MapPathBoard::WrongPins() const {
  std::vector<int> out;
  for (size_t i = 0; i < cells.size(); ++i)
    if (!cells[i].empty && !IsOnPath(int(i))) out.push_back(int(i));
  return out;
}

void MapPathBoard::ApplyPin() {
  if (currentCell < 0 || currentCell >= int(cells.size())) return;
  const MapCell& pinned = cells[size_t(currentCell)];
  for (MapPoint& p : points)
    if (p.column == pinned.column && p.row == pinned.row) p.reached = true;
  std::vector<int> wrong = WrongPins();
  if (wrong.size() >= 2)
    for (int i : wrong) cells[size_t(i)].empty = true;
}

bool MapPathBoard::IsSolved() {
  if (solved) return true;
  for (const MapPoint& p : points)
    if (!p.reached) return false;
  for (int i : WrongPins()) cells[size_t(i)].empty = true;
  return true;
}

void MapPathBoard::Skip() {
  for (MapCell& cell : cells) cell.empty = true;
  for (MapPoint& p : points) {
    const int i = CellIndex(p);
    if (i >= 0 && i < int(cells.size())) cells[size_t(i)].empty = false;
    p.reached = true;
  }
}

MapPathBoard::EndStep MapPathBoard::StepEnd(bool isWon, bool closeRequested) {
  if (finishing) return EndStep::kPlaying;
  if (solved && winCountdown > 0) --winCountdown;
  if (!solved || winCountdown >= 1) return EndStep::kPlaying;
  if (!isWon) return EndStep::kStartClosing;
  if (!closeRequested) return EndStep::kWaiting;
  finishing = true;
  return EndStep::kFinish;
}

PathSectionRun LayPathSections(float x1, float y1, float x2, float y2, int width) {
  PathSectionRun run;
  if (width < 1) return run;
  const float dx = x2 - x1, dy = y2 - y1;
  const float d = std::sqrt(dx * dx + dy * dy);
  if (!std::isfinite(d)) return run;
  const int n = int(d) / width;
  if (n <= 0) return run;
  run.angle = dx == 0 ? float(dy >= 0 ? kHalfPi : -kHalfPi) : float(std::atan(double(dy) / double(dx)));
  const float stepX = float(width) * dx / d, stepY = float(width) * dy / d;
  run.corners.reserve(size_t(n));
  for (int k = 0; k < n; ++k) run.corners.emplace_back(int(x1 + float(k) * stepX), int(y1 + float(k) * stepY));
  return run;
}

TRect StrikeBarRect(const MapPoint& line, const TRect& bounds) {
  const int mid = line.top + (bounds.top + bounds.bottom) / 2;
  return TRect(line.left + bounds.left - 2, mid - 2, line.left + bounds.right + 6, mid + 4);
}

TPoint PinCorner(const MapCell& cell, int w, int h) {
  const TPoint c = cell.Centre();
  return TPoint(c.x - w / 2, c.y - h / 2);
}
