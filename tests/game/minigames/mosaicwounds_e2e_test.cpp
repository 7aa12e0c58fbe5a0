// End to end: the lantern program itself on the demo data, headless, with a
// saved game that stands at a mini-game of the second level: the lamp room's
// window after the lamp room, the gull after the cliff path. Play in the main
// menu opens the play screen, which hands over to the mini-game; the input
// script plays it to the end (or skips it), and the next start shows where
// the saved progress went. A device loss in the middle of the wounds game
// leaves the screen as it would have been. Checks the log, the saved
// progress and the pixels of the last frame.
#include <tinyxml.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "game/minigames/mg05mosaic.h"
#include "game/minigames/mg06wounds.h"
#include "game/shell/data/gameprogress.h"
#include "tests/game/support/gamee2e.h"
#include "tests/platform/pngread.h"

using namespace gamee2e;

namespace {

using gamee2e::Point;
std::string Point(const TVec2& p) { return Point(int(p.x), int(p.y)); }

// The mini-games' lines, the play screen's and the display's restoring.
class MosaicWoundsEndToEnd : public TGameEndToEnd {
protected:
  MosaicWoundsEndToEnd()
      : TGameEndToEnd({"mg05window: ", "mg06window: ", "MainGame: level ", "MainGame: on to ", "Mosaic game: ",
                       "Wounds game: ", "Mini-game file", "surfaces restored"}) {}

  // A saved game at level 2, `chapter`, `location`, with these places passed
  // and the level's comic seen as it began.
  void Craft(int chapter, int location, const std::vector<std::string>& passed) {
    SaveAt(2, chapter, location, passed, {"com_2.xml"});
  }
  // The saved game at the lamp room's window, Play pressed, and the game's
  // opening message closed by *t, which moves on past it.
  std::string ToTheWindow(int* t) {
    Craft(1, 4, {"mg_chart", "loc21", "loc22"});
    *t = kGameOpen;
    return Click(300, kPlayButton) + CloseOpening(t);
  }
  // "level chapter location mLocationType mg_lamproom=<passed> mg_cliffpath=<passed>".
  std::string Where() { return SavedPlace({"mg_lamproom", "mg_cliffpath"}); }
};

TPoint PictureSize(const TString& name) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  EXPECT_TRUE(ReadPng(testing_support::SourceDir() + "/assets/" + name.str() + ".png", &px, &w, &h)) << name.c_str();
  return TPoint(w, h);
}

std::unique_ptr<TiXmlDocument> DemoFile(const char* name) {
  auto doc = std::make_unique<TiXmlDocument>();
  EXPECT_TRUE(doc->LoadFile((testing_support::SourceDir() + "/assets/" + name).c_str())) << name;
  return doc;
}

// The mosaic as the program lays it out from the demo file.
MosaicBoard DemoMosaic(int variant) {
  auto doc = DemoFile(variant == 1 ? "minigame5_1.xml" : "minigame5_2.xml");
  const TiXmlElement* root = doc->RootElement();
  const TiXmlElement* common = root->FirstChildElement("Common");
  MosaicFileData data;
  TString why;
  EXPECT_TRUE(ReadMosaicFile(root, common, &data, &why)) << why.c_str();
  std::vector<MosaicType> types;
  for (const MosaicTypeNames& names : data.types) {
    MosaicType type;
    type.imageSize = PictureSize(names.img);
    type.previewSize = PictureSize(names.preview);
    types.push_back(type);
  }
  TVec2 tray;
  EXPECT_TRUE(ReadMGVec2(common, "preview_pos", &tray));
  MosaicBoard board;
  board.Build(data, types, tray, 2);
  board.boardWidth = float(PictureSize(data.board).x);
  return board;
}

// Every piece taken from the tray at its preview's middle (the picture is
// then centred there), turned as its place asks and set down on it.
std::string PlayMosaic(const MosaicBoard& board, int* t) {
  std::string input = CloseOpening(t);
  for (size_t j = 0; j < board.pieces.size(); ++j) {
    const MosaicPiece& piece = board.pieces[j];
    const MosaicSlot& slot = board.slots[j];
    const TPoint pv = board.PreviewSize(int(j)), im = board.ImageSize(int(j));
    const TPoint from(int(piece.position.x) + pv.x / 2, int(piece.position.y) + pv.y / 2);
    const int turns = slot.states.front();
    // The turned picture's bounds are (w, h) or (h, w); its middle stays under the mouse.
    const TPoint half = (turns % 2) ? TPoint(im.y / 2, im.x / 2) : TPoint(im.x / 2, im.y / 2);
    input += Click(*t, Point(from.x, from.y));
    for (int k = 0; k < turns; ++k) input += At(*t + 150 + 80 * k, "click right " + Point(from.x, from.y));
    const int drop = *t + 250 + 80 * turns;
    input += Click(drop, Point(slot.position + TVec2(float(half.x), float(half.y))));
    *t = drop + 200;
  }
  return input;
}

// Glass shows round (x, y): a good part of the 9 x 9 square (a lead line may
// cross it) is coloured or bright, where the empty frame's grey backing and
// the wall are dull all over.
bool Glass(const std::vector<uint32_t>& px, int w, int x, int y) {
  int glass = 0;
  for (int dy = -4; dy <= 4; ++dy)
    for (int dx = -4; dx <= 4; ++dx) {
      const uint32_t c = px[size_t(y + dy) * size_t(w) + size_t(x + dx)];
      const uint32_t hi = std::max({(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF});
      const uint32_t lo = std::min({(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF});
      glass += hi - lo > 40 || hi > 150;
    }
  return glass > 25;
}

// The wounds of the demo file: dirt rectangles and wound middles.
struct TDemoWounds {
  std::vector<TRect> dirt;
  std::vector<TPoint> wound;
  TPoint brush, bottle;  // the tools' previews' middles
};

TDemoWounds DemoWounds() {
  auto doc = DemoFile("minigame6_1.xml");
  const TiXmlElement* root = doc->RootElement();
  WoundsFileData data;
  TString why;
  EXPECT_TRUE(ReadWoundsFile(root, root->FirstChildElement("Common"), &data, &why)) << why.c_str();
  TDemoWounds out;
  for (const WoundNames& w : data.wounds) {
    Wound wound;
    wound.Place(w.pos, PictureSize(w.dirt), PictureSize(w.wound));
    out.dirt.push_back(TRect(int(w.pos.x), int(w.pos.y), int(w.pos.x) + wound.dirtSize.x,
                             int(w.pos.y) + wound.dirtSize.y));
    out.wound.push_back(TPoint(int(wound.woundPosition.x) + wound.woundSize.x / 2,
                               int(wound.woundPosition.y) + wound.woundSize.y / 2));
  }
  EXPECT_EQ(data.tools.size(), 2u);
  if (data.tools.size() != 2) return out;
  const TPoint b = PictureSize(data.tools[0].preview), d = PictureSize(data.tools[1].preview);
  out.brush = TPoint(int(data.toolsPos.x) + b.x / 2, int(data.toolsPos.y) + b.y / 2);
  out.bottle = TPoint(int(data.toolsPos.x) + b.x + kWoundToolGap + d.x / 2, int(data.toolsPos.y) + d.y / 2);
  return out;
}

// Holding the button, the brush goes over the dirt row by row.
std::string Scrub(const TRect& r, int step, int* t) {
  std::string input =
      At(*t, "move " + Point(r.left + 4, r.top + 4)) + At(*t + 20, "down left " + Point(r.left + 4, r.top + 4));
  *t += 40;
  for (int y = r.top + 4; y < r.bottom; y += step)
    for (int x = r.left + 4; x < r.right; x += step) {
      input += At(*t, "move " + Point(x, y));
      *t += 12;
    }
  input += At(*t, "up left " + Point(r.right - 4, r.bottom - 4));
  *t += 100;
  return input;
}

// Every wound brushed clean and dabbed with the iodine.
std::string PlayWounds(const TDemoWounds& w, int* t) {
  std::string input = CloseOpening(t);
  input += Click(*t, Point(w.brush.x, w.brush.y));
  *t += 300;
  for (const TRect& r : w.dirt) input += Scrub(r, 14, t);
  input += Click(*t, "600 700");  // the brush back into the satchel
  input += Click(*t + 300, Point(w.bottle.x, w.bottle.y));
  *t += 600;
  for (const TPoint& p : w.wound) {
    input += Click(*t, Point(p.x, p.y));
    *t += 300;
  }
  return input;
}

}  // namespace

// The lamp room's window after the lamp room, every piece turned and set on
// its place: the window glides, the closing message closed, on to the cliff
// path, and the saved game (read by the next start) stands there.
TEST_F(MosaicWoundsEndToEnd, TheWindowMendedPieceByPiece) {
  const MosaicBoard board = DemoMosaic(1);
  ASSERT_GT(board.pieces.size(), 4u);
  Craft(1, 4, {"mg_chart", "loc21", "loc22"});
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += PlayMosaic(board, &t);
  t += 5000 + 2000 + 800;  // the glide, "win_counter", the message opening
  input += Click(t, kTutorButton);
  TRun played = Run(input, FramesFor(t + 4000));
  EXPECT_EQ(played.exitCode, 0);
  EXPECT_TRUE(played.Mentions("mg05window: " + std::to_string(board.pieces.size()) + " pieces of " +
                              std::to_string(board.types.size()) + " types, the board at 242, 52"))
      << played.Joined();
  EXPECT_TRUE(played.Mentions("mg05window: the mosaic is complete")) << played.Joined();
  EXPECT_TRUE(played.Mentions("mg05window: the game ends won; next scripts/maingame.lua")) << played.Joined();
  EXPECT_TRUE(played.Mentions("MainGame: level loc23 loaded")) << played.Joined();
  EXPECT_FALSE(played.Mentions("skipped"));
  EXPECT_EQ(Where(), "2 2 1 0 mg_lamproom=1 mg_cliffpath=none");
}

// Skipped (a piece taken up first: the first click on the skip button drops
// it there, the second skips): every place shows its glass. The run ends
// before the closing message, unfinished, so the next start comes back to
// the game, all its pieces in the tray again.
TEST_F(MosaicWoundsEndToEnd, TheWindowSkippedAndTheNextStartComesBack) {
  const MosaicBoard board = DemoMosaic(1);
  int t = 0;
  std::string input = ToTheWindow(&t);
  const TPoint first(int(board.pieces[0].position.x) + 20, int(board.pieces[0].position.y) + 20);
  input += Click(t, Point(first.x, first.y)) + Click(t + 400, kSkipButton) + Click(t + 800, kSkipButton);
  t += 800 + 200;
  TRun skipped = Run(input, FramesFor(t));
  EXPECT_EQ(skipped.exitCode, 0);
  EXPECT_TRUE(skipped.Mentions("mg05window: skipped; every piece lies on its place")) << skipped.Joined();
  EXPECT_FALSE(skipped.Mentions("the game ends"));
  ASSERT_EQ(skipped.w, 1024);
  // The glide has begun and has not yet gone the 108 pixels: 8 pixels in
  // from a place's right edge there is glass all the way.
  for (size_t j = 0; j < board.slots.size(); ++j) {
    const TPoint size = board.ImageSize(int(j));
    const int x = int(board.slots[j].position.x) + size.x - 8, y = int(board.slots[j].position.y) + size.y / 2;
    EXPECT_TRUE(Glass(skipped.px, skipped.w, x, y)) << x << "," << y;
  }
  EXPECT_EQ(Where(), "2 1 4 1 mg_lamproom=none mg_cliffpath=none");

  TRun again = Run(Click(300, kPlayButton), FramesFor(kGameOpen));
  EXPECT_TRUE(again.Mentions("mg05window: " + std::to_string(board.pieces.size()) + " pieces")) << again.Joined();
  ASSERT_EQ(again.w, 1024);
  for (const MosaicSlot& slot : board.slots) {
    const int x = int(slot.position.x) + 20, y = int(slot.position.y) + board.ImageSize(0).y / 2;
    EXPECT_FALSE(Glass(again.px, again.w, x, y)) << x << "," << y;
  }
}

// A piece taken from the tray and the menu opened at once (Escape), then
// closed: the piece is back in the tray, as drawn, and a click on the board
// sets nothing down there. The gull's brush taken, the menu opened with its
// button and closed, or the journal opened with its button and closed: the
// brush is back in the satchel, and a drag over a graze brushes nothing away.
TEST_F(MosaicWoundsEndToEnd, TheMenuPutsWhatIsInTheHandDown) {
  const MosaicBoard board = DemoMosaic(1);
  int t = 0;
  std::string input = ToTheWindow(&t);
  const TPoint pv = board.PreviewSize(0), im = board.ImageSize(1);
  const TRect tray(int(board.pieces[0].position.x), int(board.pieces[0].position.y),
                   int(board.pieces[0].position.x) + pv.x, int(board.pieces[0].position.y) + pv.y);
  // The place of another kind of piece: the piece would not snap there.
  const TRect place(int(board.slots[1].position.x), int(board.slots[1].position.y),
                    int(board.slots[1].position.x) + im.x, int(board.slots[1].position.y) + im.y);
  ASSERT_NE(board.slots[1].type, board.pieces[0].type);
  const std::string before = dir.File("before.png"), after = dir.File("after.png");
  input += At(t, "screenshot " + before) + Click(t + 100, Point(tray.left + pv.x / 2, tray.top + pv.y / 2)) +
           At(t + 600, "key escape") + At(t + 1300, "key escape") + At(t + 1800, "screenshot " + after) +
           Click(t + 1900, Point(place.left + im.x / 2, place.top + im.y / 2)) + At(t + 2400, "move 900 100");
  TRun run = Run(input, FramesFor(t + 2700));
  EXPECT_EQ(run.exitCode, 0);
  std::vector<uint32_t> start, closed;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPng(before, &start, &w, &h));
  ASSERT_TRUE(ReadPng(after, &closed, &w, &h));
  ASSERT_EQ(w, 1024);
  ASSERT_EQ(run.w, 1024);
  const int area = pv.x * pv.y;
  // The menu closed: the piece in its tray place, the pointer over it.
  EXPECT_LT(Differing(start, closed, tray), area / 8);
  // The click on the board: the place as it was, the piece still in the tray.
  EXPECT_LT(Differing(closed, run.px, place), area / 50);
  EXPECT_LT(Differing(start, run.px, tray), area / 50);

  const TDemoWounds wounds = DemoWounds();
  ASSERT_FALSE(wounds.dirt.empty());
  const TRect& graze = wounds.dirt[0];
  const TRect satchel(wounds.brush.x - 12, wounds.brush.y - 12, wounds.brush.x + 12, wounds.brush.y + 12);
  const std::string brush = Point(wounds.brush.x, wounds.brush.y);
  // The frame's round buttons, bottom left: the menu (Escape closes it) and the journal.
  for (const bool journal : {false, true}) {
    Craft(2, 2, {"mg_chart", "loc21", "loc22", "mg_lamproom", "loc23"});
    t = kGameOpen;
    input = Click(300, kPlayButton) + CloseOpening(&t);
    input += At(t, "screenshot " + before) + Click(t + 100, brush) + At(t + 300, "move 400 300") +
             Click(t + 500, journal ? "52 716" : "52 636") +
             (journal ? Click(t + 2500, kJournalClose) : At(t + 2500, "key escape")) +
             At(t + 4000, "screenshot " + after);
    t += 4100;
    input += Scrub(graze, 14, &t) + At(t, "move 900 100");
    TRun gull = Run(input, FramesFor(t + 300));
    EXPECT_EQ(gull.Mentions("mg06window: the journal opens"), journal) << gull.Joined();
    ASSERT_TRUE(ReadPng(before, &start, &w, &h));
    ASSERT_TRUE(ReadPng(after, &closed, &w, &h));
    ASSERT_EQ(gull.w, 1024);
    const char* const over = journal ? "the journal" : "the menu";
    EXPECT_LT(Differing(start, closed, satchel), 24 * 24 / 50) << over;
    EXPECT_LT(Differing(start, gull.px, graze), graze.Width() * graze.Height() / 50) << over;
  }
}

// The chapel's window, the game's last: skipped, the mended window glides
// aside onto the night sea, where Gullrock Light burns (a warm glow in the
// opening the glass covered, beyond its glided edge), while the closing
// message tells the end in three steps; the first two go on to the next, the
// last ends the game, and a new game begins.
TEST_F(MosaicWoundsEndToEnd, TheChapelWindowEndsTheStoryWithTheLightBurning) {
  const MosaicBoard board = DemoMosaic(2);
  SaveAda([](GameProgress& p) {
    p.levelId = 2;
    p.chapterId = 2;
    p.locationId = 3;
    p.firstRun = 0;
    p.gameIntroDone = 1;
    p.MarkShown("com_2.xml");
    for (const char* name : {"mg_chart", "loc21", "loc22", "mg_lamproom", "loc23", "mg_cliffpath", "loc24"})
      p.FindLocationInfo(name).passed = 1;
    p.mLocationType = 1;  // the level's mini-game is due
  });
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += CloseOpening(&t);
  input += Click(t, kSkipButton);
  t += 5000 + 2000 + 800;  // the glide, "win_counter", the message opening
  input += Click(t, kTutorButton);  // on to the second step
  TRun told = Run(input, FramesFor(t + 500));
  EXPECT_TRUE(told.Mentions("mg05window: skipped; every piece lies on its place")) << told.Joined();
  EXPECT_FALSE(told.Mentions("the game ends"));
  ASSERT_EQ(told.w, 1024);
  // The lamp lies in the opening's part the glass left, 50 px beyond its
  // glided edge: warm, and far brighter than the stone wall beside the
  // opening (both under the message's shadow).
  const int edgeX = int(board.boardPosition.x) + int(board.boardWidth) - int(board.boardWidth) / 5;
  const double lamp = told.Brightness(edgeX + 47, 238, edgeX + 53, 244);
  const double wall = told.Brightness(edgeX + 126, 232, edgeX + 146, 252);
  EXPECT_GT(lamp, wall + 40) << lamp << " against " << wall;
  EXPECT_GT(told.Pixels(edgeX + 47, 238, edgeX + 53, 244, [](int r, int, int b) { return r >= b + 10; }), 24);

  input += Click(t + 700, kTutorButton) + Click(t + 1400, kTutorButton);  // the third step, and its close
  TRun ended = Run(input, FramesFor(t + 1400 + 4000));
  EXPECT_EQ(ended.exitCode, 0);
  EXPECT_TRUE(ended.Mentions("mg05window: the game ends won")) << ended.Joined();
  EXPECT_EQ(ended.InLog("MainGame: the last level is done"), 1u) << ended.log;
}

// The gull after the cliff path: every graze brushed clean and dabbed; the
// closing message closed, on to the chapel, where the saved game stands.
TEST_F(MosaicWoundsEndToEnd, TheGullTended) {
  const TDemoWounds wounds = DemoWounds();
  ASSERT_EQ(wounds.dirt.size(), 3u);
  Craft(2, 2, {"mg_chart", "loc21", "loc22", "mg_lamproom", "loc23"});
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += PlayWounds(wounds, &t);
  t += 2000 + 800;  // "win_counter", the message opening
  input += Click(t, kTutorButton);
  TRun played = Run(input, FramesFor(t + 4000));
  EXPECT_EQ(played.exitCode, 0);
  EXPECT_TRUE(played.Mentions("mg06window: 3 wounds, 2 tools")) << played.Joined();
  EXPECT_TRUE(played.Mentions("mg06window: every wound is clean and disinfected")) << played.Joined();
  EXPECT_TRUE(played.Mentions("mg06window: the game ends won; next scripts/maingame.lua")) << played.Joined();
  EXPECT_TRUE(played.Mentions("MainGame: level loc24 loaded")) << played.Joined();
  EXPECT_FALSE(played.Mentions("skipped"));
  EXPECT_EQ(Where(), "2 2 3 0 mg_lamproom=1 mg_cliffpath=1");
}

// The gull skipped: the dirt and the grazes are gone from the wing; the run
// ends before the closing message, unfinished; the next start comes back to
// the gull, dirty again.
TEST_F(MosaicWoundsEndToEnd, TheGullSkippedAndTheNextStartComesBack) {
  const TDemoWounds wounds = DemoWounds();
  Craft(2, 2, {"mg_chart", "loc21", "loc22", "mg_lamproom", "loc23"});
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += CloseOpening(&t);
  input += Click(t, kSkipButton);
  t += 600;
  TRun skipped = Run(input, FramesFor(t));
  EXPECT_TRUE(skipped.Mentions("mg06window: skipped; every wound is clean and disinfected")) << skipped.Joined();
  EXPECT_FALSE(skipped.Mentions("the game ends"));
  EXPECT_EQ(Where(), "2 2 2 1 mg_lamproom=1 mg_cliffpath=none");

  TRun again = Run(Click(300, kPlayButton), FramesFor(kGameOpen));
  EXPECT_TRUE(again.Mentions("mg06window: 3 wounds")) << again.Joined();
  ASSERT_EQ(skipped.w, 1024);
  ASSERT_EQ(again.w, 1024);
  for (const TPoint& p : wounds.wound) EXPECT_NE(skipped.At(p.x, p.y), again.At(p.x, p.y)) << p.x << "," << p.y;
}

// Two of the grazes half brushed, the brush back in the satchel; the same
// input once more with the display lost in between: the last frames are the
// same, pixel for pixel.
TEST_F(MosaicWoundsEndToEnd, ADeviceLossInTheMiddleLeavesTheGullAsItWas) {
  const TDemoWounds wounds = DemoWounds();
  int t = kGameOpen;
  std::string input = Click(300, kPlayButton);
  input += CloseOpening(&t);
  input += Click(t, Point(wounds.brush.x, wounds.brush.y));
  t += 300;
  for (int i = 0; i < 2; ++i) {
    const TRect& r = wounds.dirt[size_t(i)];
    input += Scrub(TRect(r.left, r.top, r.left + r.Width() / 2, r.bottom), 14, &t);
  }
  input += Click(t, "600 700");
  t += 600;
  const int frames = FramesFor(t) + 60;
  const int lossAfter = FramesFor(t - 600);  // lost late in the brushing or after it, well before the end

  Craft(2, 2, {"mg_chart", "loc21", "loc22", "mg_lamproom", "loc23"});
  TRun steady = Run(input, frames);
  Craft(2, 2, {"mg_chart", "loc21", "loc22", "mg_lamproom", "loc23"});
  TRun lost = Run(input, frames, ",debugdeviceloss=" + std::to_string(lossAfter));
  EXPECT_FALSE(steady.Mentions("surfaces restored")) << steady.Joined();
  EXPECT_TRUE(lost.Mentions("surfaces restored")) << lost.Joined();
  EXPECT_TRUE(lost.Mentions("mg06window: the brushed dirt is written back into 3 wounds")) << lost.Joined();
  ASSERT_EQ(steady.w, 1024);
  ASSERT_EQ(lost.px.size(), steady.px.size());
  int differ = 0;
  for (size_t k = 0; k < steady.px.size(); ++k) differ += steady.px[k] != lost.px[k];
  EXPECT_EQ(differ, 0);
}
