// The mosaic game's board: its file, the geometry of turned pieces, the tray,
// picking, turning, dropping and snapping, the finished mosaic, the skip,
// the winning slide and the end of play.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <memory>
#include <string>

#include "game/minigames/mg05mosaic.h"
#include "platform/log.h"
#include "render/textures/texture.h"
#include "tests/game/support/widgetfixture.h"

namespace {

constexpr float kDt = 0.016f;

struct TParsed {
  TiXmlDocument doc;
  MosaicFileData data;
  TString why;
  bool ok = false;
};

std::unique_ptr<TParsed> Read(const std::string& common, const std::string& rest) {
  auto p = std::make_unique<TParsed>();
  const std::string xml = "<MiniGame5><Common " + common + "/>" + rest + "</MiniGame5>";
  p->doc.Parse(xml.c_str());
  const TiXmlElement* root = p->doc.RootElement();
  EXPECT_NE(root, nullptr) << xml;
  if (root) p->ok = ReadMosaicFile(root, root->FirstChildElement("Common"), &p->data, &p->why);
  return p;
}

const char* kTwoTypes =
    "<Types><Type num='1' img='a' preview='as'/><Type num='2' img='b' preview='bs'/></Types>";

// Pieces of `size` (previews half as big), tray from (100, 700), pane top 650.
MosaicBoard Board(const std::string& parts, TPoint size = TPoint(100, 100), TPoint size2 = TPoint(100, 100)) {
  auto p = Read("mosaic_pos='200, 50'", std::string(kTwoTypes) + "<Mosaic>" + parts + "</Mosaic>");
  EXPECT_TRUE(p->ok) << p->why.c_str();
  std::vector<MosaicType> types(2);
  types[0].imageSize = size;
  types[0].previewSize = TPoint(size.x / 2, size.y / 2);
  types[1].imageSize = size2;
  types[1].previewSize = TPoint(size2.x / 2, size2.y / 2);
  MosaicBoard b;
  b.opaqueAt = [](const boost::shared_ptr<TTexture>&, int, int) { return true; };
  b.Build(p->data, types, TVec2(100, 700), 1.0f);
  b.paneTop = 650;
  b.boardWidth = 500;
  return b;
}

// Takes piece j from the tray (a press in its preview's middle).
void Pick(MosaicBoard& b, int j) {
  const MosaicPiece& piece = b.pieces[size_t(j)];
  const TPoint pv = b.PreviewSize(j);
  ASSERT_TRUE(piece.inTray);
  EXPECT_TRUE(b.Press(TPoint(int(piece.position.x) + pv.x / 2, int(piece.position.y) + pv.y / 2)).pickedUp);
  ASSERT_EQ(b.held, j);
}

// Carries the held piece so that its bounds lie at `at` (whole pixels away).
void CarryTo(MosaicBoard& b, const TVec2& at) {
  ASSERT_NE(b.held, -1);
  const TVec2 d = at - b.pieces[size_t(b.held)].bounds;
  ASSERT_EQ(d.x, float(int(d.x)));
  ASSERT_EQ(d.y, float(int(d.y)));
  const TPoint from(int(b.lastMouse.x), int(b.lastMouse.y));
  b.Move(TPoint(from.x + int(d.x), from.y + int(d.y)));
  EXPECT_EQ(b.pieces[size_t(b.held)].bounds, at);
}

void Place(MosaicBoard& b, int j, const TVec2& at, int turns = 0) {
  Pick(b, j);
  for (int i = 0; i < turns; ++i) b.Turn();
  CarryTo(b, at);
  b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y)));
}

TEST(MosaicFile, ReadsTypesPartsAndStates) {
  auto p = Read("mosaic_back='mg5/board' mosaic_pos='262, 84' startMessageNum='2' finMessageNum='7'",
                std::string(kTwoTypes) +
                    "<Mosaic><Part type_num='1' pos='250, 0' state=' 2 ; 0 '/>"
                    "<Part type_num='0' pos='0, 250' state='1;;3;'/></Mosaic>");
  ASSERT_TRUE(p->ok);
  EXPECT_EQ(p->data.board, "mg5/board");
  EXPECT_EQ(p->data.boardPos, TVec2(262, 84));
  EXPECT_EQ(p->data.startMessageNum, 2);
  EXPECT_EQ(p->data.finMessageNum, 7);
  ASSERT_EQ(p->data.types.size(), 2u);
  EXPECT_EQ(p->data.types[1].num, 2);
  EXPECT_EQ(p->data.types[1].preview, "bs");
  ASSERT_EQ(p->data.parts.size(), 2u);
  EXPECT_EQ(p->data.parts[0].states, (std::vector<int>{2, 0}));
  EXPECT_EQ(p->data.parts[1].states, (std::vector<int>{1, 3}));
  // The places are fixed at loading: "pos" plus the board's position.
  MosaicBoard b;
  std::vector<MosaicType> types(2);
  b.Build(p->data, types, TVec2(), 2);
  EXPECT_EQ(b.slots[0].position, TVec2(512, 84));
  EXPECT_EQ(b.slots[1].position, TVec2(262, 334));
  EXPECT_EQ(b.pieces[1].depth, 1);
  EXPECT_EQ(b.pieces[0].type, 1);
}

TEST(MosaicFile, DefaultsAndRefusals) {
  auto p = Read("", std::string(kTwoTypes) + "<Mosaic/>");
  ASSERT_TRUE(p->ok);
  EXPECT_EQ(p->data.startMessageNum, -1);
  EXPECT_EQ(p->data.finMessageNum, 1);
  EXPECT_EQ(p->data.boardPos, TVec2(0, 0));
  EXPECT_FALSE(Read("", "<Mosaic/>")->ok);
  EXPECT_FALSE(Read("", kTwoTypes)->ok);
  auto noPicture = Read("", "<Types><Type num='1' img='a'/></Types><Mosaic/>");
  EXPECT_FALSE(noPicture->ok);
  EXPECT_NE(std::string(noPicture->why.c_str()).find("preview"), std::string::npos);
}

TEST(MosaicFile, LeavesOutPartsOfUnknownTypesAndBadTurns) {
  TLogCapture log;
  auto p = Read("", std::string(kTwoTypes) +
                        "<Mosaic><Part type_num='2' pos='0, 0' state='0'/><Part type_num='-1' pos='0, 0' state='0'/>"
                        "<Part type_num='x' pos='0, 0' state='0'/><Part type_num='1' state='0'/>"
                        "<Part type_num='1' pos='5, 6' state='4;1;-1;two'/><Part type_num='0' pos='1, 1'/></Mosaic>");
  ASSERT_TRUE(p->ok);
  ASSERT_EQ(p->data.parts.size(), 2u);
  EXPECT_EQ(p->data.parts[0].pos, TVec2(5, 6));
  EXPECT_EQ(p->data.parts[0].states, std::vector<int>{1});
  EXPECT_TRUE(p->data.parts[1].states.empty());
  EXPECT_EQ(log.Count("names no type of the file"), 3u);
  EXPECT_TRUE(log.Contains("part 3 has no \"pos\""));
  EXPECT_TRUE(log.Contains("holds turns other than 0 to 3"));
  EXPECT_TRUE(log.Contains("part 5 accepts no turn"));
}

TEST(MosaicGeometry, TurnsAboutTheCentre) {
  // A 100 x 60 picture with its unturned corner at (200, 100): centre (250, 130).
  struct Row {
    TVec2 origin, bounds;
    TRect covered;
  } rows[] = {
      {TVec2(200, 100), TVec2(200, 100), TRect(200, 100, 300, 160)},
      {TVec2(280, 80), TVec2(220, 80), TRect(220, 80, 280, 180)},
      {TVec2(300, 160), TVec2(200, 100), TRect(200, 100, 300, 160)},
      {TVec2(220, 180), TVec2(220, 80), TRect(220, 80, 280, 180)},
  };
  for (int r = 0; r < 4; ++r) {
    TVec2 origin, bounds;
    MosaicGeometry(TVec2(200, 100), r, 100, 60, &origin, &bounds);
    EXPECT_EQ(origin, rows[r].origin) << r;
    EXPECT_EQ(bounds, rows[r].bounds) << r;
    EXPECT_EQ(MosaicCoveredRect(origin, r, 100, 60), rows[r].covered) << r;
  }
  // Fractions are truncated toward zero.
  EXPECT_EQ(MosaicCoveredRect(TVec2(10.7f, -3.5f), 0, 10, 10), TRect(10, -3, 20, 6));
}

TEST(MosaicBoard, TrayPlacesFollowThePreviewWidths) {
  MosaicBoard b;
  std::vector<MosaicType> types(3);
  types[0].previewSize = TPoint(50, 10);
  types[1].previewSize = TPoint(70, 10);
  types[2].previewSize = TPoint(40, 10);
  MosaicFileData data;
  for (int t : {0, 1, 2, 0}) data.parts.push_back(MosaicPartData{t, TVec2(), {0}});
  b.Build(data, types, TVec2(30, 640), 2);
  EXPECT_EQ(b.GetTrayPosition(0), TVec2(30, 640));
  EXPECT_EQ(b.GetTrayPosition(1), TVec2(85, 640));
  EXPECT_EQ(b.GetTrayPosition(2), TVec2(160, 640));
  EXPECT_EQ(b.GetTrayPosition(3), TVec2(205, 640));
  for (const MosaicPiece& piece : b.pieces) {
    EXPECT_TRUE(piece.inTray);
    EXPECT_EQ(piece.rotation, 0);
    EXPECT_EQ(piece.origin, piece.position);
  }
  EXPECT_EQ(b.pieces[2].position, TVec2(160, 640));
}

TEST(MosaicBoard, SnapsWithinTenPixelsOnBothAxes) {
  // Places at (200.5, 50) and (300.5, 50): the board stands at (200, 50).
  const std::string parts = "<Part type_num='0' pos='0.5, 0' state='0;2'/><Part type_num='0' pos='100.5, 0' state='0'/>";
  {
    MosaicBoard b = Board(parts);
    Pick(b, 0);
    // Whole-pixel moves leave the bounds at .0; 10.5 off on x does not snap.
    CarryTo(b, TVec2(190, 40));
    MosaicBoard::PressResult r = b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y)));
    EXPECT_TRUE(r.dropped);
    EXPECT_FALSE(r.snapped);
    EXPECT_EQ(b.pieces[0].bounds, TVec2(190, 40));
    EXPECT_EQ(b.pieces[0].depth, 0);  // in front, where it was dropped
    EXPECT_EQ(b.held, -1);
  }
  // Each bound crossed on each axis from both sides, the other axis on the place; and far above it.
  const struct { float x, y; bool snaps; } drops[] = {{191, 50, true}, {190, 50, false}, {210, 50, true},
                                                      {211, 50, false}, {201, 40, true}, {201, 39, false},
                                                      {201, 60, true}, {201, 61, false}, {201, -150, false}};
  for (const auto& drop : drops) {
    MosaicBoard b = Board(parts);
    Pick(b, 0);
    CarryTo(b, TVec2(drop.x, drop.y));
    EXPECT_EQ(b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y))).snapped, drop.snaps) << drop.x << "," << drop.y;
  }
  {
    MosaicBoard b = Board(parts);
    Pick(b, 1);
    b.Turn();
    b.Turn();  // 2: accepted by the first place only
    CarryTo(b, TVec2(210, 60));
    // 9.5 off on x, exactly 10.0 on y.
    MosaicBoard::PressResult r = b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y)));
    EXPECT_TRUE(r.snapped);
    EXPECT_EQ(b.pieces[1].bounds, TVec2(200.5f, 50));
    EXPECT_EQ(b.pieces[1].depth, 1);  // behind every other piece
    EXPECT_EQ(b.pieces[0].depth, 0);
  }
  {
    // A turn the place does not list neither snaps nor counts.
    MosaicBoard b = Board("<Part type_num='0' pos='0, 0' state='0'/>", TPoint(100, 60));
    Place(b, 0, TVec2(203, 48), 1);
    EXPECT_NE(b.pieces[0].bounds, b.slots[0].position);
    EXPECT_FALSE(b.IsSolved());
    // Picked from the board again, turned on and dropped: it snaps now.
    EXPECT_TRUE(b.Press(TPoint(int(b.pieces[0].bounds.x) + 30, int(b.pieces[0].bounds.y) + 30)).pickedUp);
    b.Turn();
    b.Turn();
    b.Turn();
    EXPECT_EQ(b.pieces[0].rotation, 0);
    CarryTo(b, TVec2(205, 45));
    EXPECT_TRUE(b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y))).snapped);
    EXPECT_TRUE(b.IsSolved());
  }
}

TEST(MosaicBoard, APieceDroppedInThePaneGoesBackUnturned) {
  MosaicBoard b = Board("<Part type_num='0' pos='0, 0' state='1'/><Part type_num='1' pos='0, 600' state='0'/>");
  Pick(b, 0);
  b.Turn();
  // The covered rectangle's top at 649: still above the pane; it stays.
  CarryTo(b, TVec2(300, 649));
  b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y)));
  EXPECT_FALSE(b.pieces[0].inTray);
  EXPECT_EQ(b.pieces[0].rotation, 1);
  // Top at 650, even with a matching place (0, 600 + 50) within reach: back to the tray.
  EXPECT_TRUE(b.Press(TPoint(320, 670)).pickedUp);
  CarryTo(b, TVec2(300, 650));
  MosaicBoard::PressResult r = b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y)));
  EXPECT_TRUE(r.dropped);
  EXPECT_FALSE(r.snapped);
  EXPECT_TRUE(b.pieces[0].inTray);
  EXPECT_EQ(b.pieces[0].rotation, 0);
  EXPECT_EQ(b.pieces[0].position, TVec2(100, 700));
  EXPECT_EQ(b.pieces[0].origin, TVec2(100, 700));
  EXPECT_EQ(b.pieces[0].depth, 0);
  // The second piece's place lies in the pane's reach: a piece dropped on it returns too.
  Pick(b, 1);
  CarryTo(b, TVec2(200, 650));
  b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y)));
  EXPECT_TRUE(b.pieces[1].inTray);
}

TEST(MosaicBoard, FourTurnsComeBackAndAnEmptyHandDoesNotTurn) {
  MosaicBoard b = Board("<Part type_num='0' pos='0, 0' state='0'/>", TPoint(100, 60));
  EXPECT_FALSE(b.Turn());
  EXPECT_EQ(b.pieces[0].rotation, 0);
  Pick(b, 0);
  // The 100 x 60 picture's centre where its 50 x 30 preview's was, (125, 715).
  EXPECT_EQ(b.pieces[0].position, TVec2(75, 685));
  const TVec2 origin = b.pieces[0].origin;
  for (int i = 1; i <= 4; ++i) {
    EXPECT_TRUE(b.Turn());
    EXPECT_EQ(b.pieces[0].rotation, i % 4);
  }
  EXPECT_EQ(b.pieces[0].origin, origin);
}

TEST(MosaicBoard, HitsTheFrontmostOpaquePieceAndNeverTheOriginLine) {
  MosaicBoard b = Board("<Part type_num='0' pos='0, 0' state='0'/><Part type_num='0' pos='0, 0' state='0'/>");
  // Piece 0 at (280, 100), piece 1 in front of it at (300, 100); both far from their place.
  Place(b, 0, TVec2(280, 100));
  Place(b, 1, TVec2(300, 100));
  ASSERT_EQ(b.pieces[1].depth, 0);
  ASSERT_EQ(b.pieces[0].depth, 1);
  // Texel columns below 30 are transparent.
  b.opaqueAt = [](const boost::shared_ptr<TTexture>&, int u, int) { return u >= 30; };
  EXPECT_TRUE(b.HitTestPiece(1, TPoint(360, 150), false));
  EXPECT_FALSE(b.HitTestPiece(1, TPoint(320, 150), false));
  // On the origin's row or column nothing is hit; the far edges are outside.
  EXPECT_FALSE(b.HitTestPiece(0, TPoint(280, 150), false));
  EXPECT_FALSE(b.HitTestPiece(0, TPoint(340, 100), false));
  EXPECT_FALSE(b.HitTestPiece(0, TPoint(380, 150), false));
  EXPECT_TRUE(b.HitTestPiece(0, TPoint(379, 199), false));
  // A press on piece 1's transparent part takes the piece behind (there at u = 40).
  EXPECT_TRUE(b.Press(TPoint(320, 150)).pickedUp);
  EXPECT_EQ(b.held, 0);
  EXPECT_EQ(b.pieces[0].depth, 0);
  EXPECT_EQ(b.pieces[1].depth, 1);
  // A press on the opaque part of both takes the front one.
  b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y)));
  EXPECT_TRUE(b.Press(TPoint(365, 150)).pickedUp);
  EXPECT_EQ(b.held, 0);
  b.Press(TPoint(365, 150));
  b.opaqueAt = [](const boost::shared_ptr<TTexture>&, int, int) { return false; };
  EXPECT_FALSE(b.Press(TPoint(365, 150)).pickedUp);
  EXPECT_EQ(b.held, -1);
}

TEST(MosaicBoard, FinishedOnlyWithEveryPieceOnAPlaceOfItsOwn) {
  MosaicBoard empty;
  empty.Build(MosaicFileData(), {}, TVec2(), 1);
  EXPECT_TRUE(empty.IsSolved());

  const std::string parts = "<Part type_num='0' pos='0, 0' state='0'/><Part type_num='0' pos='100, 0' state='0'/>";
  MosaicBoard b = Board(parts);
  EXPECT_FALSE(b.IsSolved());  // in the tray
  Place(b, 0, TVec2(200, 50));
  Place(b, 1, TVec2(205, 55));  // snaps onto the same place
  EXPECT_EQ(b.pieces[1].bounds, TVec2(200, 50));
  EXPECT_FALSE(b.IsSolved());
  // Moved onto a place of its own.
  EXPECT_TRUE(b.Press(TPoint(250, 100)).pickedUp);
  CarryTo(b, TVec2(300, 50));
  EXPECT_FALSE(b.IsSolved());  // held
  b.Press(TPoint(int(b.lastMouse.x), int(b.lastMouse.y)));
  EXPECT_TRUE(b.IsSolved());
}

TEST(MosaicBoard, SkipLaysTurnedPiecesByTheirBoundsAndDropsTheHeldOne) {
  // Not square, fractional places, the last listed turn is a quarter turn.
  MosaicBoard b = Board("<Part type_num='0' pos='0.3, 0' state='0;1'/><Part type_num='1' pos='60.3, 0' state='3'/>"
                        "<Part type_num='0' pos='0.3, 100' state='2'/>",
                        TPoint(100, 60), TPoint(40, 70));
  Pick(b, 2);
  bool dropped = false;
  EXPECT_TRUE(b.Skip(&dropped));
  EXPECT_TRUE(dropped);
  EXPECT_EQ(b.held, -1);
  EXPECT_TRUE(b.solved);
  for (int j = 0; j < 3; ++j) {
    EXPECT_FALSE(b.pieces[size_t(j)].inTray);
    EXPECT_EQ(b.pieces[size_t(j)].bounds, b.slots[size_t(j)].position) << j;
  }
  EXPECT_EQ(b.pieces[0].rotation, 1);
  EXPECT_EQ(b.pieces[1].rotation, 3);
  EXPECT_EQ(b.pieces[2].rotation, 2);
  // The covered rectangles lie on the places (the unturned corner would not).
  EXPECT_EQ(b.GetPieceRect(0), TRect(200, 50, 260, 150));
  EXPECT_EQ(b.GetPieceRect(1), TRect(260, 50, 330, 90));
  b.solved = false;
  EXPECT_TRUE(b.IsSolved());
  b.solved = true;
  // Refused once solved.
  EXPECT_FALSE(b.Skip());
}

TEST(MosaicBoard, SlideAndEndOfPlay) {
  for (float sign : {1.0f, -1.0f}) {
    MosaicBoard b = Board("<Part type_num='0' pos='0, 0' state='0'/>");
    b.winCounter = 0.05f;
    ASSERT_TRUE(b.Skip());
    EXPECT_EQ(b.Update(kDt, sign, false, false, false), MosaicBoard::EndStep::kPlaying);
    EXPECT_EQ(b.winPhase, 1);
    const TVec2 start = b.pieces[0].position;
    // 2.5 s: half way.
    b.slideTime = 2.5f - kDt;
    b.Update(kDt, sign, false, false, false);
    EXPECT_NEAR(b.boardPosition.x, 200 + sign * 50, 1e-3);
    EXPECT_NEAR(b.pieces[0].position.x, start.x + sign * 50, 1e-3);
    EXPECT_EQ(b.boardPosition.y, 50);
    // The step that ends the slide takes the step off the counter twice.
    b.slideTime = 5.0f - kDt / 2;
    EXPECT_EQ(b.Update(kDt, sign, false, false, false), MosaicBoard::EndStep::kPlaying);
    EXPECT_EQ(b.winPhase, 2);
    EXPECT_NEAR(b.winCounter, 0.05f - 2 * kDt, 1e-6);
    EXPECT_EQ(b.boardPosition.x, 200 + sign * 100);  // a fifth of the 500-pixel board
    EXPECT_EQ(b.pieces[0].position.x, start.x + sign * 100);
    // The journal holds the closing message; then it starts, and the game waits for CloseMG.
    EXPECT_EQ(b.Update(kDt, sign, false, false, true), MosaicBoard::EndStep::kPlaying);
    EXPECT_EQ(b.Update(kDt, sign, false, false, true), MosaicBoard::EndStep::kPlaying);
    EXPECT_LT(b.winCounter, 0);
    EXPECT_EQ(b.Update(kDt, sign, false, false, false), MosaicBoard::EndStep::kStartClosing);
    EXPECT_EQ(b.Update(kDt, sign, true, false, false), MosaicBoard::EndStep::kWaiting);
    EXPECT_EQ(b.Update(kDt, sign, true, true, false), MosaicBoard::EndStep::kFinish);
    EXPECT_EQ(b.Update(kDt, sign, true, true, false), MosaicBoard::EndStep::kPlaying);
    // No skip during the slide or after.
    EXPECT_FALSE(b.Skip());
  }
}

// --- With real pictures ---

class MosaicPictureTest : public widgettest::TWidgetTest {};

TEST_F(MosaicPictureTest, ReadsTheTexelUnderTheTurnedPoint) {
  // 40 x 20: opaque only in the texel column 30..39 of rows 0..4.
  Png("piece.png", 40, 20, [](int x, int y) { return (x >= 30 && y < 5) ? 0xFF102030u : 0x00000000u; });
  boost::shared_ptr<TTexture> picture = TTexture::Get("piece");
  ASSERT_TRUE(picture);
  EXPECT_TRUE(MosaicBoard::TextureOpaqueAt(picture, 35, 2));
  EXPECT_FALSE(MosaicBoard::TextureOpaqueAt(picture, 10, 10));
  EXPECT_TRUE(MosaicBoard::TextureOpaqueAt(boost::shared_ptr<TTexture>(), 10, 10));

  MosaicFileData data;
  data.parts.push_back(MosaicPartData{0, TVec2(), {0}});
  std::vector<MosaicType> types(1);
  types[0].image = types[0].preview = picture;
  types[0].imageSize = types[0].previewSize = TPoint(40, 20);
  MosaicBoard b;
  b.Build(data, types, TVec2(100, 100), 1);
  ASSERT_TRUE(b.Press(TPoint(135, 102)).pickedUp);
  b.Turn();  // a quarter turn: the opaque corner now lies bottom-right of the origin's left
  // Centre (120, 110): origin (130, 90), covered (110, 90)-(130, 130).
  EXPECT_EQ(b.pieces[0].origin, TVec2(130, 90));
  EXPECT_TRUE(b.HitTestPiece(0, TPoint(128, 125), false));   // u = 35, v = 2
  EXPECT_FALSE(b.HitTestPiece(0, TPoint(115, 100), false));  // u = 10, v = 15
  // Each turn (a quarter clockwise about the origin each): the point over texel (35, 2) hits, (10, 15) not.
  auto over = [](const TVec2& o, int r, int u, int v) {
    const int x = int(o.x), y = int(o.y);
    return r == 0   ? TPoint(x + u, y + v)
           : r == 1 ? TPoint(x - v, y + u)
           : r == 2 ? TPoint(x - u, y - v)
                    : TPoint(x + v, y - u);
  };
  for (int r = 1; r <= 4; ++r) {
    const TVec2 o = b.pieces[0].origin;
    EXPECT_TRUE(b.HitTestPiece(0, over(o, r % 4, 35, 2), false)) << r;
    EXPECT_FALSE(b.HitTestPiece(0, over(o, r % 4, 10, 15), false)) << r;
    b.Turn();
  }
}

}  // namespace
