// The map path game's board: its file, the grid and the list of names, the
// pinning rules, the end of play and the geometry of its drawing.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <cmath>
#include <string>

#include "game/minigames/mg02path.h"
#include "platform/log.h"

namespace {

constexpr char kTexts[] =
    "<Text font='f' fh='24' color='255, 240, 200, 255' rect='0, 0, 600, 40' xAlign='2' yAlign='2'/>"
    "<Text font='f' fh='18' color='60, 40, 20, 255' rect='0, 0, 240, 28' xAlign='2' yAlign='2'/>";

struct TParsed {
  TiXmlDocument doc;
  MapPathFileData data;
  TString why;
  bool ok = false;
};

// A file with the given "Common" attributes, "Path" attributes and points.
std::unique_ptr<TParsed> Read(const std::string& common, const std::string& path, const std::string& points,
                              const std::string& texts = kTexts) {
  auto p = std::make_unique<TParsed>();
  std::string xml = "<MiniGame2><Common " + common + "/>" + texts + "<Path " + path + ">" + points + "</Path></MiniGame2>";
  p->doc.Parse(xml.c_str());
  const TiXmlElement* root = p->doc.RootElement();
  EXPECT_NE(root, nullptr) << xml;
  if (root) p->ok = ReadMapPathFile(root, root->FirstChildElement("Common"), &p->data, &p->why);
  return p;
}

std::string Point(int x, int y, const char* text = "P") {
  return "<Point x='" + std::to_string(x) + "' y='" + std::to_string(y) + "' text='" + text + "'/>";
}

// A 4 x 3 grid of 10-pixel cells at (0, 0) with the given points.
MapPathBoard Board(const std::string& points, int winCounter = 1) {
  auto p = Read("map_size='4, 3' cell_size='10, 10'", "text_rect='0,0,100,20'", points);
  MapPathBoard board;
  board.Build(p->data, winCounter);
  return board;
}

// Presses the centre of cell (c, r) of a 10-pixel grid.
bool PressCell(MapPathBoard& b, int c, int r) { return b.Press(c * 10 + 5, r * 10 + 5); }

int Pins(const MapPathBoard& b) {
  int n = 0;
  for (const MapCell& c : b.cells) n += c.empty ? 0 : 1;
  return n;
}

}  // namespace

TEST(MapPathFile, GridCellsInRowOrderWithTruncatedEdges) {
  auto p = Read("map_pos='90, 40' map_dx_dy='10, 10' map_size='3, 2' cell_size='40.5, 40.5'", "text_rect='0,0,1,1'", "");
  ASSERT_TRUE(p->ok) << p->why.c_str();
  MapPathBoard b;
  b.Build(p->data, 1);
  ASSERT_EQ(b.cells.size(), 6u);
  const int order[6][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(b.cells[size_t(i)].column, order[i][0]);
    EXPECT_EQ(b.cells[size_t(i)].row, order[i][1]);
    EXPECT_TRUE(b.cells[size_t(i)].empty);
  }
  EXPECT_EQ(b.cells[1].left, 140);
  EXPECT_EQ(b.cells[1].right, 180);
  EXPECT_EQ(b.cells[2].left, 181);  // the column x = 180 belongs to no cell
  EXPECT_EQ(b.cells[3].top, 90);    // trunc(50 + 40.5)
  EXPECT_EQ(b.cells[3].bottom, 130);
  EXPECT_TRUE(b.Press(180, 60));    // the gap takes no pin
}

TEST(MapPathFile, NameLinesStackByTheLineHeight) {
  std::string points;
  for (int i = 0; i < 5; ++i) points += Point(i, 0);
  auto p = Read("map_pos='100, 100' map_size='5, 1' cell_size='10, 10'", "text_rect='10,20,200,30'", points);
  ASSERT_TRUE(p->ok);
  MapPathBoard b;
  b.Build(p->data, 1);
  ASSERT_EQ(b.points.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(b.points[size_t(i)].top, 120 + 30 * i);
    EXPECT_EQ(b.points[size_t(i)].bottom, 150 + 30 * i);
    EXPECT_EQ(b.points[size_t(i)].left, 110);
    EXPECT_EQ(b.points[size_t(i)].right, 310);
  }
}

TEST(MapPathFile, OwnKeysAndTheirDefaults) {
  auto p = Read("NeedRestart='1' map='m' thumbtack='t' path_section='s' finMessageNum='4' delay='0.5'",
                "text_rect='1,2,3,4'", Point(0, 0));
  ASSERT_TRUE(p->ok);
  EXPECT_TRUE(p->data.needRestart);
  EXPECT_EQ(p->data.map, "m");
  EXPECT_EQ(p->data.pathSection, "s");
  EXPECT_EQ(p->data.startMessageNum, -1);
  EXPECT_EQ(p->data.finMessageNum, 4);
  EXPECT_FLOAT_EQ(p->data.delay, 0.5f);
  ASSERT_EQ(p->data.textStyles.size(), 2u);
  EXPECT_EQ(p->data.textStyles[1].fh, 18);
  EXPECT_NEAR(p->data.textStyles[1].color.r, 60 / 255.0, 1e-6);
  // "map_size" holds two integers ("%d, %d"): a fraction ends the reading,
  // and so does a blank before the comma.
  EXPECT_EQ(Read("map_size='3.5, 2'", "", "")->data.columns, 3);
  EXPECT_EQ(Read("map_size='3.5, 2'", "", "")->data.rows, 0);
  EXPECT_EQ(Read("map_size='4 ,2'", "", "")->data.rows, 0);
  EXPECT_EQ(Read("map_size='4,  2'", "", "")->data.rows, 2);
  // Only 1 allows a restart.
  EXPECT_FALSE(Read("NeedRestart='2'", "", "")->data.needRestart);
  EXPECT_FALSE(Read("", "", "")->data.needRestart);
}

TEST(MapPathFile, TooFewTextStylesAreRefused) {
  TLogCapture log;
  auto one = Read("map_size='2, 2' cell_size='10, 10'", "", "",
                  "<Text font='f' fh='24' color='1, 1, 1, 1' rect='0, 0, 10, 10'/>");
  EXPECT_FALSE(one->ok);
  EXPECT_NE(one->why.str().find("1 \"Text\" element"), std::string::npos) << one->why.c_str();
  EXPECT_FALSE(Read("", "", "", "")->ok);
  TiXmlDocument doc;
  doc.Parse((std::string("<R><Common/>") + kTexts + "</R>").c_str());
  MapPathFileData data;
  TString why;
  EXPECT_FALSE(ReadMapPathFile(doc.RootElement(), doc.RootElement()->FirstChildElement("Common"), &data, &why));
  EXPECT_EQ(why, "it has no \"Path\" element");
}

TEST(MapPathFile, PointsOutsideTheGridAreLeftOutWithALogLine) {
  TLogCapture log;
  auto p = Read("map_size='3, 2' cell_size='10, 10'", "",
                Point(2, 1, "Corner") + Point(3, 0, "East") + Point(0, 2, "South") + Point(-1, 0, "West") +
                    "<Point y='1' text='NoX'/><Point x='one' y='1' text='Word'/><Point x='1.5' y='1' text='Half'/>" +
                    Point(0, 0, "Home"));
  ASSERT_TRUE(p->ok);
  ASSERT_EQ(p->data.points.size(), 3u);
  EXPECT_EQ(p->data.points[0].text, "Corner");
  // A number is read as far as it is whole: "1.5" is column 1.
  EXPECT_EQ(p->data.points[1].text, "Half");
  EXPECT_EQ(p->data.points[1].column, 1);
  EXPECT_EQ(p->data.points[2].text, "Home");
  EXPECT_TRUE(log.Contains("point 2 \"East\" at (3, 0) left out: it lies outside the 3 x 2 grid"));
  EXPECT_TRUE(log.Contains("point 5 \"NoX\" left out"));
  EXPECT_TRUE(log.Contains("point 6 \"Word\" left out"));
  // The skip pins only cells that exist.
  MapPathBoard b;
  b.Build(p->data, 1);
  b.Skip();
  EXPECT_EQ(Pins(b), 3);
}

TEST(MapPathFile, HugeGridsAndCellsAreClamped) {
  TLogCapture log;
  auto p = Read("map_size='100000, -5' cell_size='1e9, -3'", "text_rect='0,0,-10,1e30'", "");
  ASSERT_TRUE(p->ok);
  EXPECT_EQ(p->data.columns, kMaxMapColumns);
  EXPECT_EQ(p->data.rows, 0);
  EXPECT_EQ(p->data.cellSize.x, kMaxMapCellSize);
  EXPECT_EQ(p->data.cellSize.y, 0);
  EXPECT_EQ(p->data.textRect[2], 0);
  MapPathBoard b;
  b.Build(p->data, 1);
  EXPECT_TRUE(b.cells.empty());
}

TEST(MapPathRules, OneWrongPinStaysASecondTakesBoth) {
  MapPathBoard b = Board(Point(0, 0) + Point(1, 1));
  EXPECT_FALSE(PressCell(b, 0, 0));  // on the path
  EXPECT_FALSE(PressCell(b, 3, 2));  // wrong, stays
  EXPECT_FALSE(b.cells[11].empty);
  EXPECT_EQ(b.currentCell, 11);
  EXPECT_TRUE(PressCell(b, 3, 2));   // already pinned: nothing
  EXPECT_EQ(Pins(b), 2);
  EXPECT_FALSE(PressCell(b, 2, 0));  // a second wrong pin: both go
  EXPECT_TRUE(b.cells[11].empty);
  EXPECT_TRUE(b.cells[2].empty);
  EXPECT_FALSE(b.cells[0].empty);    // the path pin stays
  EXPECT_TRUE(b.points[0].reached);
  EXPECT_FALSE(b.points[1].reached);
  EXPECT_TRUE(b.Press(500, 500));    // off the grid
}

TEST(MapPathRules, OrderDoesNotMatterAndOneCellReachesAllItsPoints) {
  MapPathBoard b = Board(Point(0, 0) + Point(1, 1) + Point(2, 2) + Point(2, 2, "again"));
  PressCell(b, 2, 2);
  EXPECT_FALSE(b.points[0].reached);
  EXPECT_TRUE(b.points[2].reached);
  EXPECT_TRUE(b.points[3].reached);
  b.CheckSolved();
  EXPECT_FALSE(b.solved);
  PressCell(b, 1, 1);
  PressCell(b, 0, 0);
  b.CheckSolved();
  EXPECT_TRUE(b.solved);
}

TEST(MapPathRules, SolvingTakesTheLastWrongPinAway) {
  MapPathBoard b = Board(Point(0, 0));
  PressCell(b, 3, 0);
  b.CheckSolved();
  EXPECT_FALSE(b.solved);
  EXPECT_FALSE(b.cells[3].empty);
  PressCell(b, 0, 0);
  EXPECT_FALSE(b.cells[3].empty);  // still there until the update
  b.CheckSolved();
  EXPECT_TRUE(b.solved);
  EXPECT_TRUE(b.cells[3].empty);
  // Once solved, one wrong pin may stand again; two are taken away.
  PressCell(b, 3, 2);
  b.CheckSolved();
  EXPECT_FALSE(b.cells[11].empty);
  PressCell(b, 2, 2);
  EXPECT_TRUE(b.cells[11].empty);
}

TEST(MapPathRules, ClosingMessageAfterWinCounterUpdates) {
  for (int counter : {3, 1, 0, -2}) {
    MapPathBoard b = Board(Point(1, 0), counter);
    EXPECT_EQ(b.StepEnd(false, false), MapPathBoard::EndStep::kPlaying);  // not solved: no countdown
    PressCell(b, 1, 0);
    int update = 0;
    MapPathBoard::EndStep step = MapPathBoard::EndStep::kPlaying;
    while (step == MapPathBoard::EndStep::kPlaying && update < 10) {
      b.CheckSolved();
      step = b.StepEnd(false, false);
      ++update;
    }
    EXPECT_EQ(step, MapPathBoard::EndStep::kStartClosing);
    EXPECT_EQ(update, counter > 1 ? counter : 1) << "win_counter " << counter;
    EXPECT_EQ(b.StepEnd(true, false), MapPathBoard::EndStep::kWaiting);
    EXPECT_EQ(b.StepEnd(true, true), MapPathBoard::EndStep::kFinish);
    EXPECT_EQ(b.StepEnd(true, true), MapPathBoard::EndStep::kPlaying);  // once
  }
}

TEST(MapPathRules, SkipPinsExactlyThePathAndAnEmptyPathIsSolvedAtOnce) {
  MapPathBoard b = Board(Point(0, 0) + Point(3, 2) + Point(1, 2));
  PressCell(b, 2, 0);  // a wrong pin
  b.Skip();
  EXPECT_EQ(Pins(b), 3);
  for (const MapPoint& p : b.points) {
    EXPECT_TRUE(p.reached);
    EXPECT_FALSE(b.cells[size_t(b.CellIndex(p))].empty);
  }
  b.CheckSolved();
  EXPECT_TRUE(b.solved);

  MapPathBoard empty = Board("");
  empty.CheckSolved();
  EXPECT_TRUE(empty.solved);
  EXPECT_EQ(empty.StepEnd(false, false), MapPathBoard::EndStep::kStartClosing);
}

TEST(MapPathDrawing, SectionsFromCentreToCentre) {
  PathSectionRun run = LayPathSections(100, 200, 200, 200, 30);
  ASSERT_EQ(run.corners.size(), 3u);
  EXPECT_EQ(run.corners[0], TPoint(100, 200));
  EXPECT_EQ(run.corners[1], TPoint(130, 200));
  EXPECT_EQ(run.corners[2], TPoint(160, 200));
  EXPECT_FLOAT_EQ(run.angle, 0);
  // Leftwards the angle is the same; the corners go left.
  run = LayPathSections(200, 200, 100, 200, 30);
  ASSERT_EQ(run.corners.size(), 3u);
  EXPECT_EQ(run.corners[2], TPoint(140, 200));
  EXPECT_FLOAT_EQ(run.angle, 0);
  // Upright lines: pi/2 downwards, -pi/2 upwards.
  EXPECT_NEAR(LayPathSections(0, 0, 0, 90, 30).angle, M_PI / 2, 1e-6);
  EXPECT_NEAR(LayPathSections(0, 90, 0, 0, 30).angle, -M_PI / 2, 1e-6);
  // 3-4-5 diagonal: 50 px with 25 px sections.
  run = LayPathSections(0, 0, 30, 40, 25);
  ASSERT_EQ(run.corners.size(), 2u);
  EXPECT_EQ(run.corners[1], TPoint(15, 20));
  EXPECT_NEAR(run.angle, std::atan(4.0 / 3.0), 1e-6);
  // Shorter than one section, the same cell, or a picture without width: nothing.
  EXPECT_TRUE(LayPathSections(0, 0, 29, 0, 30).corners.empty());
  EXPECT_TRUE(LayPathSections(5, 5, 5, 5, 30).corners.empty());
  EXPECT_TRUE(LayPathSections(0, 0, 100, 0, 0).corners.empty());
}

TEST(MapPathDrawing, StrikeBarAndPinPlaces) {
  MapPoint line;
  line.left = 110;
  line.top = 120;
  EXPECT_EQ(StrikeBarRect(line, TRect(30, 4, 90, 21)), TRect(138, 130, 206, 136));  // mid = 120 + 25 / 2
  MapCell cell;
  cell.left = 100;
  cell.top = 50;
  cell.right = 141;
  cell.bottom = 91;
  EXPECT_EQ(cell.Centre(), TPoint(120, 70));
  EXPECT_EQ(PinCorner(cell, 25, 31), TPoint(108, 55));
}
