// The wounds game's board: its file, the layout of wounds and tools, the
// alpha maps, brushing pixel by pixel, cleaning and disinfecting, the timer
// that brings the dirt back, the win, the skip, and the dirt textures after
// the display lost them.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "game/minigames/mg06wounds.h"
#include "platform/log.h"
#include "render/renderer.h"
#include "render/sdev/fault.h"
#include "render/textures/texture.h"
#include "tests/game/support/widgetfixture.h"

namespace {

constexpr float kDt = 0.016f;

struct TParsed {
  TiXmlDocument doc;
  WoundsFileData data;
  TString why;
  bool ok = false;
};

const char* kTools = "<Tools preview_pos='100, 700'><Tool preview='t/bs' image='t/b'/><Tool preview='t/ds' image='t/d'/></Tools>";

std::unique_ptr<TParsed> Read(const std::string& common, const std::string& rest) {
  auto p = std::make_unique<TParsed>();
  const std::string xml = "<MiniGame6><Common " + common + "/>" + rest + "</MiniGame6>";
  p->doc.Parse(xml.c_str());
  const TiXmlElement* root = p->doc.RootElement();
  EXPECT_NE(root, nullptr) << xml;
  if (root) p->ok = ReadWoundsFile(root, root->FirstChildElement("Common"), &p->data, &p->why);
  return p;
}

TEST(WoundsFile, ReadsWoundsToolsAndNumbers) {
  auto p = Read("cursor_brush='mg6/brush' bitNum='3' startMessageNum='2' finMessageNum='4' part_find_pixels='0.8'"
                " part_find_pixels_for_tutor='0.25' disinfectionTime='7.5'",
                "<Wounds><Wound pos='300, 200' image_dirt='d1' image_wound='w1'/>"
                "<Wound image_dirt='d2' image_wound='w2'/></Wounds>" + std::string(kTools));
  ASSERT_TRUE(p->ok) << p->why.c_str();
  EXPECT_EQ(p->data.brush, "mg6/brush");
  EXPECT_EQ(p->data.bitNum, 3);
  EXPECT_EQ(p->data.startMessageNum, 2);
  EXPECT_EQ(p->data.finMessageNum, 4);
  EXPECT_FLOAT_EQ(p->data.cleanShare, 0.8f);
  EXPECT_FLOAT_EQ(p->data.tutorShare, 0.25f);
  EXPECT_FLOAT_EQ(p->data.disinfectionTime, 7.5f);
  ASSERT_EQ(p->data.wounds.size(), 2u);
  EXPECT_EQ(p->data.wounds[0].pos, TVec2(300, 200));
  EXPECT_EQ(p->data.wounds[1].pos, TVec2(0, 0));
  EXPECT_EQ(p->data.wounds[1].wound, "w2");
  EXPECT_EQ(p->data.toolsPos, TVec2(100, 700));
  ASSERT_EQ(p->data.tools.size(), 2u);
  EXPECT_EQ(p->data.tools[1].image, "t/d");
}

TEST(WoundsFile, EveryNumberHasADefault) {
  auto p = Read("cursor_brush='b'", "<Wounds/>" + std::string(kTools));
  ASSERT_TRUE(p->ok);
  EXPECT_EQ(p->data.bitNum, -1);
  EXPECT_EQ(p->data.startMessageNum, -1);
  EXPECT_EQ(p->data.finMessageNum, 1);
  EXPECT_EQ(p->data.cleanShare, kDefaultCleanShare);
  EXPECT_EQ(p->data.tutorShare, kDefaultTutorShare);
  EXPECT_EQ(p->data.disinfectionTime, kDefaultDisinfectionTime);
  // Out of range or unreadable: the default, with a line.
  TLogCapture log;
  auto bad = Read("cursor_brush='b' part_find_pixels='0' part_find_pixels_for_tutor='1.5' disinfectionTime='nan'",
                  "<Wounds/>" + std::string(kTools));
  ASSERT_TRUE(bad->ok);
  EXPECT_EQ(bad->data.cleanShare, kDefaultCleanShare);
  EXPECT_EQ(bad->data.tutorShare, kDefaultTutorShare);
  EXPECT_EQ(bad->data.disinfectionTime, kDefaultDisinfectionTime);
  EXPECT_TRUE(log.Contains("\"part_find_pixels\" should be a number above 0"));
  EXPECT_TRUE(log.Contains("\"part_find_pixels_for_tutor\""));
  EXPECT_TRUE(log.Contains("\"disinfectionTime\""));
  // The limits themselves are good.
  auto edge = Read("cursor_brush='b' part_find_pixels='1' part_find_pixels_for_tutor='0' disinfectionTime='0'",
                   "<Wounds/>" + std::string(kTools));
  EXPECT_EQ(edge->data.cleanShare, 1.0f);
  EXPECT_EQ(edge->data.tutorShare, 0.0f);
  EXPECT_EQ(edge->data.disinfectionTime, 0.0f);
}

TEST(WoundsFile, Refusals) {
  auto noBrush = Read("", "<Wounds/>" + std::string(kTools));  // the empty name: no refusal
  ASSERT_TRUE(noBrush->ok);
  EXPECT_EQ(noBrush->data.brush, "");
  EXPECT_FALSE(Read("cursor_brush='b'", kTools)->ok);
  EXPECT_FALSE(Read("cursor_brush='b'", "<Wounds/>")->ok);
  // One tool: refused only when there are wounds to brush and disinfect.
  const std::string oneTool = "<Tools><Tool preview='a' image='b'/></Tools>";
  EXPECT_TRUE(Read("cursor_brush='b'", "<Wounds/>" + oneTool)->ok);
  EXPECT_TRUE(Read("cursor_brush='b'", "<Wounds/><Tools/>")->ok);
  auto oneToolWounds = Read("cursor_brush='b'", "<Wounds><Wound image_dirt='d' image_wound='w'/></Wounds>" + oneTool);
  EXPECT_FALSE(oneToolWounds->ok);
  EXPECT_NE(std::string(oneToolWounds->why.c_str()).find("fewer than two tools"), std::string::npos);
  auto noImage = Read("cursor_brush='b'", "<Wounds/><Tools><Tool preview='a' image='b'/><Tool preview='c'/></Tools>");
  EXPECT_FALSE(noImage->ok);
  EXPECT_NE(std::string(noImage->why.c_str()).find("tool 1"), std::string::npos);
  // A wound without both pictures is left out.
  TLogCapture log;
  auto p = Read("cursor_brush='b'", "<Wounds><Wound image_dirt='d'/><Wound pos='x' image_dirt='d' image_wound='w'/>"
                                    "</Wounds>" + std::string(kTools));
  ASSERT_TRUE(p->ok);
  EXPECT_EQ(p->data.wounds.size(), 1u);
  EXPECT_TRUE(log.Contains("wound 0 has no \"image_dirt\" or no \"image_wound\""));
  EXPECT_TRUE(log.Contains("wound 1: \"pos\" should be \"x, y\""));
}

TEST(WoundsLayout, WoundCentredOnItsDirtAndToolsInARow) {
  Wound w;
  w.Place(TVec2(300, 200), TPoint(100, 80), TPoint(40, 30));
  EXPECT_EQ(w.woundPosition, TVec2(330, 225));
  w.Place(TVec2(0, 0), TPoint(11, 9), TPoint(20, 4));  // halves rounded down, differences signed
  EXPECT_EQ(w.woundPosition, TVec2(-5, 2));
  EXPECT_TRUE(w.ContainsPoint(0, 0));
  EXPECT_TRUE(w.ContainsPoint(10, 8));
  EXPECT_FALSE(w.ContainsPoint(11, 8));
  EXPECT_FALSE(w.ContainsPoint(10, 9));
  EXPECT_FALSE(w.ContainsPoint(-1, 0));

  WoundsFileData data;
  data.toolsPos = TVec2(100, 700);
  std::vector<WoundTool> tools(3);
  tools[0].previewSize = TPoint(64, 10);
  tools[1].previewSize = TPoint(80, 10);
  tools[2].previewSize = TPoint(50, 10);
  WoundsBoard b;
  b.Build(data, {}, tools, nullptr, TPoint(), 1);
  EXPECT_EQ(b.tools[0].previewPosition, TVec2(100, 700));
  EXPECT_EQ(b.tools[1].previewPosition, TVec2(174, 700));
  EXPECT_EQ(b.tools[2].previewPosition, TVec2(264, 700));
}

// Memory pixels for the arithmetic tests.
struct TPixels {
  TPixels(int w, int h, uint32_t pitch) : data(size_t(pitch) * size_t(h), 0x00808080u) {
    view.pixels = data.data();
    view.pitch = pitch;
    view.width = w;
    view.height = h;
  }
  std::vector<uint32_t> data;
  PixelView view;
};

TEST(WoundsBrushing, EachRubTakesTheBrushAlphaOff) {
  // Dirt 4 x 1: 200, 0, 255, 50; brush 4 x 1: 120, 120, 0, 255.
  TPixels dirt(4, 1, 4), brush(4, 1, 4);
  const uint8_t d[] = {200, 0, 255, 50}, b[] = {120, 120, 0, 255};
  for (int x = 0; x < 4; ++x) {
    dirt.view.SetAlpha(x, 0, d[x]);
    brush.view.SetAlpha(x, 0, b[x]);
  }
  Wound w;
  w.Place(TVec2(10, 20), TPoint(4, 1), TPoint(1, 1));
  w.BuildAlphaMapsFrom(dirt.view);
  EXPECT_EQ(w.opaqueCount, 3);
  bool tutor = false;
  w.RubPixels(&dirt.view, brush.view, TVec2(10, 20), 1.0f, 1.0f, &tutor);
  EXPECT_EQ(dirt.view.Alpha(0, 0), 80);
  EXPECT_EQ(dirt.view.Alpha(1, 0), 0);
  EXPECT_EQ(dirt.view.Alpha(2, 0), 255);
  EXPECT_EQ(dirt.view.Alpha(3, 0), 0);
  EXPECT_EQ(w.cleanedCount, 1);  // pixel 3; pixel 1 was 0 already
  EXPECT_EQ(w.alphaMap, (std::vector<uint8_t>{80, 0, 255, 0}));
  w.RubPixels(&dirt.view, brush.view, TVec2(10, 20), 1.0f, 1.0f, &tutor);
  EXPECT_EQ(dirt.view.Alpha(0, 0), 0);
  EXPECT_EQ(w.cleanedCount, 2);
  w.RubPixels(&dirt.view, brush.view, TVec2(10, 20), 1.0f, 1.0f, &tutor);
  EXPECT_EQ(w.cleanedCount, 2);  // counted once
  EXPECT_TRUE(w.dirty);
  EXPECT_FALSE(tutor);
  // Colours stay.
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dirt.view.pixels[x] & 0xFFFFFFu, 0x808080u);
  // The brush hanging off the dirt's left edge: only brush columns 2 and 3
  // (alpha 0 and 255) lie on the dirt, over its columns 0 and 1.
  dirt.view.SetAlpha(0, 0, 30);
  w.alphaMap[0] = 30;
  w.RubPixels(&dirt.view, brush.view, TVec2(8.5f, 20), 1.0f, 1.0f, &tutor);
  EXPECT_EQ(dirt.view.Alpha(0, 0), 30);
  EXPECT_EQ(dirt.view.Alpha(2, 0), 255);
  EXPECT_EQ(w.cleanedCount, 2);
}

TEST(WoundsBrushing, MapsKeepTheirOwnLayoutWhateverThePitch) {
  // The maps are read from a lock with pitch 5 and rubbed through one with pitch 9.
  TPixels first(3, 2, 5), second(3, 2, 9), brush(1, 1, 1);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      first.view.SetAlpha(x, y, uint8_t(10 + 10 * (y * 3 + x)));
      second.view.SetAlpha(x, y, uint8_t(10 + 10 * (y * 3 + x)));
    }
  brush.view.SetAlpha(0, 0, 255);
  Wound w;
  w.Place(TVec2(), TPoint(3, 2), TPoint(1, 1));
  w.BuildAlphaMapsFrom(first.view);
  ASSERT_EQ(w.alphaMap.size(), 6u);
  EXPECT_EQ(w.alphaMap, (std::vector<uint8_t>{10, 20, 30, 40, 50, 60}));
  w.RubPixels(&second.view, brush.view, TVec2(2, 1), 1.0f, 1.0f, nullptr);
  EXPECT_EQ(w.alphaMap, (std::vector<uint8_t>{10, 20, 30, 40, 50, 0}));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(second.view.Alpha(x, y), w.alphaMap[size_t(y * 3 + x)]) << x << "," << y;
  // Written back through yet another pitch.
  TPixels third(3, 2, 4);
  w.ApplyAlphaMapTo(&third.view);
  EXPECT_EQ(third.view.Alpha(2, 1), 0);
  EXPECT_EQ(third.view.Alpha(0, 1), 40);
}

TEST(WoundsBrushing, CleanAtTheShareAndTheTutorShare) {
  TPixels dirt(1000, 1, 1000), brush(899, 1, 899), dot(1, 1, 1);
  for (int x = 0; x < 1000; ++x) dirt.view.SetAlpha(x, 0, 255);
  for (int x = 0; x < 899; ++x) brush.view.SetAlpha(x, 0, 255);
  dot.view.SetAlpha(0, 0, 255);
  Wound w;
  w.Place(TVec2(), TPoint(1000, 1), TPoint(1, 1));
  w.BuildAlphaMapsFrom(dirt.view);
  ASSERT_EQ(w.opaqueCount, 1000);
  bool tutor = false;
  w.RubPixels(&dirt.view, dot.view, TVec2(0, 0), 0.9f, 0.3f, &tutor);
  EXPECT_FALSE(tutor);
  w.RubPixels(&dirt.view, brush.view, TVec2(1, 0), 0.9f, 0.3f, &tutor);
  EXPECT_EQ(w.cleanedCount, 900);
  EXPECT_FALSE(w.dirty);  // the 900th pixel: 900 >= 0.9 x 1000
  EXPECT_TRUE(tutor);

  Wound v;
  v.Place(TVec2(), TPoint(1000, 1), TPoint(1, 1));
  for (int x = 0; x < 1000; ++x) dirt.view.SetAlpha(x, 0, 255);
  v.BuildAlphaMapsFrom(dirt.view);
  tutor = false;
  v.RubPixels(&dirt.view, brush.view, TVec2(0, 0), 0.9f, 0.3f, &tutor);
  EXPECT_EQ(v.cleanedCount, 899);
  EXPECT_TRUE(v.dirty);
  EXPECT_TRUE(tutor);
}

// --- With real pictures ---

class WoundsTest : public widgettest::TWidgetTest {
protected:
  // Dirt 60 x 40: alpha (x * 7 + y * 13) % 256, one column transparent;
  // colour by position. Wound 20 x 10: opaque except its left half's first row.
  // Brush 9 x 7: alpha 40 + 25 * (distance from the middle column).
  WoundsTest() {
    Png("dirt1.png", 60, 40, [](int x, int y) { return DirtPixel(x, y); });
    Png("dirt2.png", 60, 40, [](int x, int y) { return DirtPixel(x, y); });
    Png("wound.png", 20, 10, [](int x, int y) { return (y == 0 && x < 10) ? 0x00FF0000u : 0xFFC04040u; });
    Png("brush.png", 9, 7, [](int x, int) { return uint32_t(40 + 25 * std::abs(x - 4)) << 24; });
    Png("big.png", 200, 200, [](int, int) { return 0xFF000000u; });
    Solid("tool.png", 30, 20, 0xFF204060u);
    sdev::test::Fault::Reset();
  }

  static uint32_t DirtPixel(int x, int y) {
    const uint32_t a = (x == 5) ? 0 : uint32_t((x * 7 + y * 13) % 256);
    return (a << 24) | (uint32_t(x * 4) << 16) | (uint32_t(y * 6) << 8) | 0x20u;
  }

  // Wounds at (100, 100) and (300, 100) with the given brush, tools from (100, 700).
  void Make(const std::string& brush = "brush", float disinfection = 1.0f, int wounds = 2) {
    WoundsFileData data;
    data.cleanShare = 0.9f;
    data.tutorShare = 0.3f;
    data.disinfectionTime = disinfection;
    data.bitNum = 3;
    data.toolsPos = TVec2(100, 700);
    std::vector<Wound> list;
    for (int i = 0; i < wounds; ++i) {
      Wound w;
      w.dirtImage = TTexture::Get(i == 0 ? "dirt1" : "dirt2");
      w.woundImage = TTexture::Get("wound");
      EXPECT_TRUE(w.dirtImage && w.woundImage);
      w.Place(TVec2(100.0f + 200.0f * float(i), 100), TPoint(60, 40), TPoint(20, 10));
      EXPECT_TRUE(w.BuildAlphaMaps());
      list.push_back(w);
    }
    std::vector<WoundTool> tools(2);
    for (WoundTool& t : tools) {
      t.image = t.preview = TTexture::Get("tool");
      t.imageSize = t.previewSize = TPoint(30, 20);
    }
    boost::shared_ptr<TTexture> b = TTexture::Get(brush);
    ASSERT_TRUE(b);
    board.Build(data, list, tools, b, TPoint(int(b->GetWidth()), int(b->GetHeight())), 0.5f);
    board.paneTop = 618;
  }

  // Takes tool i and presses at (x, y) on the scene.
  void Take(int i) {
    ASSERT_TRUE(board.Press(110 + 40 * i, 705).taken);
    ASSERT_EQ(board.held, i);
  }

  std::vector<uint32_t> Pixels(const boost::shared_ptr<TTexture>& t) {
    TextureLock lock(t);
    EXPECT_TRUE(lock.ok());
    std::vector<uint32_t> out;
    if (!lock.ok()) return out;
    for (int y = 0; y < lock.view().height; ++y)
      for (int x = 0; x < lock.view().width; ++x) out.push_back(lock.view().pixels[size_t(y) * lock.view().pitch + x]);
    return out;
  }

  WoundsBoard board;
};

TEST_F(WoundsTest, MapsMirrorTheDirtAlpha) {
  Make();
  const Wound& w = board.wounds[0];
  ASSERT_TRUE(w.mapsBuilt);
  ASSERT_EQ(w.alphaMap.size(), 60u * 40u);
  int opaque = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      const uint8_t a = uint8_t(DirtPixel(x, y) >> 24);
      ASSERT_EQ(w.alphaMap[size_t(y * 60 + x)], a);
      opaque += a > 0;
    }
  EXPECT_EQ(w.opaqueCount, opaque);
  EXPECT_LT(opaque, 60 * 40);
  EXPECT_EQ(w.initialAlphaMap, w.alphaMap);
}

TEST_F(WoundsTest, BrushingChangesExactlyTheBrushedPixels) {
  Make();
  const std::vector<uint32_t> before = Pixels(board.wounds[0].dirtImage);
  const std::vector<uint32_t> other = Pixels(board.wounds[1].dirtImage);
  Take(kBrushTool);
  board.Press(131, 117);  // on the first wound: nothing rubbed by a press
  EXPECT_EQ(Pixels(board.wounds[0].dirtImage), before);
  board.Move(132, 118);
  // The brush's corner: (132 - 4.5, 118 - 3.5) = dirt (27.5, 14.5).
  std::vector<uint32_t> want = before;
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 7; ++j) {
      const int x = int(27.5f + float(i)), y = int(14.5f + float(j));
      uint32_t& p = want[size_t(y * 60 + x)];
      const int a = std::max(0, int(p >> 24) - (40 + 25 * std::abs(i - 4)));
      p = (p & 0xFFFFFFu) | (uint32_t(a) << 24);
    }
  const std::vector<uint32_t> after = Pixels(board.wounds[0].dirtImage);
  int changed = 0;
  for (size_t k = 0; k < after.size(); ++k) {
    ASSERT_EQ(after[k], want[k]) << "pixel " << k % 60 << "," << k / 60;
    ASSERT_EQ(board.wounds[0].alphaMap[k], uint8_t(after[k] >> 24));
    changed += after[k] != before[k];
  }
  EXPECT_GT(changed, 50);
  EXPECT_EQ(Pixels(board.wounds[1].dirtImage), other);  // the point lies only on the first
  EXPECT_EQ(board.wounds[0].phase, Wound::kBrushOver);
  EXPECT_EQ(board.wounds[1].phase, Wound::kCounting);
}

TEST_F(WoundsTest, PaneRowKeepsTheToolAndTheRowBelowTakesItBack) {
  Make();
  Take(kBrushTool);
  EXPECT_EQ(board.tools[0].imagePosition, TVec2(110, 705));
  board.Move(150, 300);
  EXPECT_EQ(board.tools[0].imagePosition, TVec2(150, 300));
  EXPECT_FALSE(board.Press(400, 618).putBack);
  EXPECT_EQ(board.held, 0);
  EXPECT_TRUE(board.tools[0].taken);
  EXPECT_TRUE(board.Press(400, 619).putBack);
  EXPECT_EQ(board.held, -1);
  EXPECT_FALSE(board.tools[0].taken);
  // A press beside the previews takes nothing.
  EXPECT_FALSE(board.Press(131, 705).taken);
  EXPECT_EQ(board.held, -1);
}

TEST_F(WoundsTest, DirtComesBackAfterTheDisinfectionTime) {
  Make("big", 1.0f);
  Wound& w = board.wounds[0];
  Take(kBrushTool);
  board.Press(130, 120);
  const std::vector<uint32_t> initial = Pixels(w.dirtImage);
  board.Move(131, 121);  // the big brush clears the whole dirt in one rub
  EXPECT_FALSE(w.dirty);
  EXPECT_TRUE(w.needsDisinfection);
  EXPECT_TRUE(board.tutorShareReached);
  EXPECT_EQ(w.phase, Wound::kBrushOver);
  // Clean but not disinfected: the next move over it counts again.
  board.Move(132, 122);
  EXPECT_EQ(w.phase, Wound::kCounting);
  EXPECT_EQ(w.timer, 0);
  // The tutorial's box holds every timer.
  bool back = false;
  for (int i = 0; i < 100; ++i) board.Update(kDt, true, false, false, false, &back, nullptr);
  EXPECT_EQ(w.timer, 0);
  // A second after the brush left: time up, and on the next update the dirt is back.
  int steps = 0;
  while (w.phase == Wound::kCounting && steps < 1000) {
    board.Update(kDt, false, false, false, false, &back, nullptr);
    ASSERT_FALSE(back);
    ++steps;
  }
  EXPECT_EQ(w.phase, Wound::kTimeUp);
  EXPECT_EQ(w.timer, 1.0f);
  EXPECT_GE(float(steps) * kDt, 1.0f - 1e-4f);
  EXPECT_FALSE(w.dirty);
  board.Update(kDt, false, false, false, false, &back, nullptr);
  EXPECT_TRUE(back);
  EXPECT_TRUE(w.dirty);
  EXPECT_EQ(w.cleanedCount, 0);
  EXPECT_EQ(w.phase, Wound::kDirtBack);
  EXPECT_EQ(w.alphaMap, w.initialAlphaMap);
  EXPECT_EQ(Pixels(w.dirtImage), initial);
  // The wound never rubbed reached its time long ago and never changed.
  EXPECT_EQ(board.wounds[1].phase, Wound::kTimeUp);
  EXPECT_TRUE(board.wounds[1].dirty);
  EXPECT_EQ(board.wounds[1].alphaMap, board.wounds[1].initialAlphaMap);
}

TEST_F(WoundsTest, DisinfectantWorksOnlyOnOpaquePixelsOfCleanWounds) {
  Make("big", 1.0f);
  Wound& w = board.wounds[0];
  // Wound picture at (120, 115): its first row's left half is transparent.
  EXPECT_EQ(w.woundPosition, TVec2(120, 115));
  Take(kDisinfectantTool);
  board.Press(125, 120);
  EXPECT_TRUE(w.needsDisinfection);  // dirty: ignored
  board.Press(400, 650);              // back to the pane
  Take(kBrushTool);
  board.Press(130, 120);
  board.Move(131, 121);
  ASSERT_FALSE(w.dirty);
  board.Press(400, 650);
  Take(kDisinfectantTool);
  board.Press(125, 115);  // transparent pixel
  EXPECT_TRUE(w.needsDisinfection);
  board.Press(119, 120);  // beside the picture
  EXPECT_TRUE(w.needsDisinfection);
  board.Press(125, 116);
  EXPECT_FALSE(w.needsDisinfection);
  // Its timer stops for good.
  board.Move(131, 121);
  bool back = false, anyBack = false;
  for (int i = 0; i < 200; ++i) {
    board.Update(kDt, false, false, false, false, &back, nullptr);
    anyBack = anyBack || back;
  }
  EXPECT_FALSE(w.dirty);
  EXPECT_FALSE(anyBack);
}

TEST_F(WoundsTest, WinPutsTheToolBackAndClosesAfterTheDelay) {
  Make("big", 1.0f, 1);
  Wound& w = board.wounds[0];
  Take(kBrushTool);
  board.Press(130, 120);
  board.Move(131, 121);
  board.Press(400, 650);
  Take(kDisinfectantTool);
  board.Press(130, 120);
  ASSERT_FALSE(w.needsDisinfection);
  WoundsBoard::ToolChange change;
  EXPECT_EQ(board.Update(kDt, false, false, false, false, nullptr, &change), WoundsBoard::EndStep::kPlaying);
  EXPECT_TRUE(board.solved);
  EXPECT_TRUE(change.putBack);
  EXPECT_FALSE(board.tools[1].taken);
  EXPECT_EQ(board.held, 1);  // drawn in the pane, above the buttons
  // Input is ignored once solved.
  EXPECT_FALSE(board.Press(110, 705).taken);
  // Half a second later the closing message; the journal holds it.
  int steps = 1;
  WoundsBoard::EndStep step = WoundsBoard::EndStep::kPlaying;
  while (step == WoundsBoard::EndStep::kPlaying && steps < 100) {
    step = board.Update(kDt, false, false, false, steps >= 31 && steps < 35, nullptr, nullptr);
    ++steps;
  }
  EXPECT_EQ(step, WoundsBoard::EndStep::kStartClosing);
  EXPECT_EQ(steps, 36);
  EXPECT_EQ(board.Update(kDt, false, true, false, false, nullptr, nullptr), WoundsBoard::EndStep::kWaiting);
  EXPECT_EQ(board.Update(kDt, false, true, true, false, nullptr, nullptr), WoundsBoard::EndStep::kFinish);
  EXPECT_EQ(board.Update(kDt, false, true, true, false, nullptr, nullptr), WoundsBoard::EndStep::kPlaying);
}

TEST_F(WoundsTest, DirtThatCannotBeReadAtLoadingIsReadAfterTheRestore) {
  Wound w;
  w.dirtImage = TTexture::Get("dirt1");
  ASSERT_TRUE(w.dirtImage);
  // Lost before the game reads it: the surface refuses the lock.
  sdev::test::Fault::LoseDevice();
  EXPECT_FALSE(TRenderer::GetInstance()->BeginDraw());
  w.Place(TVec2(), TPoint(60, 40), TPoint(1, 1));
  EXPECT_FALSE(w.BuildAlphaMaps());
  EXPECT_FALSE(w.mapsBuilt);
  // Rubbing and the dirt's return do nothing without pixels.
  TPixels brush(3, 3, 3);
  w.Rub(brush.view, TVec2(), 0.9f, 0.3f, nullptr);
  w.cleanedCount = 1;
  w.phase = Wound::kTimeUp;
  EXPECT_TRUE(w.Step(kDt));
  sdev::test::Fault::RegainFocus();
  handler->runRestoreTasks = [&w] { w.ApplyAlphaMap(); };
  Frame([] {});
  handler->runRestoreTasks = nullptr;
  EXPECT_TRUE(w.mapsBuilt);
  EXPECT_GT(w.opaqueCount, 0);
  EXPECT_EQ(w.alphaMap[size_t(3 * 60 + 2)], uint8_t(DirtPixel(2, 3) >> 24));
}

}  // namespace
