// The journal on the software display: the turning page's mesh and where
// its edge falls at a quarter, half and three quarters of a turn, texts made
// into textures, the newest closing text, the enlarged photograph, and the
// mouse (zoom, magnifier, buttons, a disabled journal).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/shell/widgets/gamebutton.h"
#include "game/shell/widgets/gameutils.h"
#include "render/sdev/fault.h"
#include "render/textures/texture.h"
#include "tests/game/story/journalfixture.h"

namespace journaltest {
namespace {

using L = LogBook_t;

constexpr uint32_t kBlue = 0xFF0000C0u, kGreen = 0xFF00C000u;

TEST(JournalMesh, RestGridFoldAndTriangleOrder) {
  PageLayer layer;
  layer.page = TRect(100, 50, 500, 450);  // 400 x 400
  layer.placement = TRect(140, 90, 340, 250);  // 200 x 160, no texture: the placement's size
  TMeshVertex mesh[kPageMeshVertices];
  L::BuildPageMesh(layer, 1, 0, 0.0f, mesh);
  // Cell (0, 0): top-left, top-right, bottom-left; top-right, bottom-right, bottom-left.
  EXPECT_EQ(mesh[0].position, TVec3(140, 90, 1));
  EXPECT_EQ(mesh[1].position, TVec3(190, 90, 1));
  EXPECT_EQ(mesh[2].position, TVec3(140, 110, 1));
  EXPECT_EQ(mesh[4].position, TVec3(190, 110, 1));
  EXPECT_EQ(mesh[4].uv, TVec2(0.25f, 0.125f));
  // The last cell's bottom-right is the picture's bottom-right.
  EXPECT_EQ(mesh[kPageMeshVertices - 2].position, TVec3(340, 250, 1));
  EXPECT_EQ(mesh[kPageMeshVertices - 2].uv, TVec2(1, 1));

  // Fully folded onto the spine (the left page's right edge), hanging by 50 x U.
  L::BuildPageMesh(layer, 1, 0, 1.0f, mesh);
  for (int i = 0; i < kPageMeshVertices; ++i) EXPECT_FLOAT_EQ(mesh[i].position.x, 500.0f);
  EXPECT_FLOAT_EQ(mesh[0].position.y, 90.0f + 50.0f * (500.0f - 140.0f) / 400.0f);
  // The side that equals the direction runs the other way: a landing page starts folded.
  L::BuildPageMesh(layer, 0, 0, 0.0f, mesh);
  EXPECT_FLOAT_EQ(mesh[0].position.x, 100.0f);
  L::BuildPageMesh(layer, 0, 0, 1.0f, mesh);
  EXPECT_EQ(mesh[0].position, TVec3(140, 90, 1));
}

// A picture as large as the left page (110, 70)-(390, 450), so its free edge
// is the page's. At fold t a point of that edge at height V (1 at the top,
// 0 at the bottom) has moved toward the spine by W = V t + (1 - V) sqrt(t)
// of the page width and dropped by 50 W: the bottom corner leads.
class TJournalTurnTest : public TJournalTest {
protected:
  void SetUp() override {
    Solid("pages/p0.png", 280, 380, kBlue);
    Solid("pages/p1.png", 280, 380, kGreen);
    MainXml(BookXml("", "", 2, "rect_left=\"10;20;280;380\" rect_right=\"310;30;260;340\""));
    Enter("a", "01-01-2010", "10:00");
    Enter("b", "01-02-2010", "10:00");
  }
  // Where the free edge crosses row y at fold t (along the mesh's eight rows).
  static float EdgeX(float y, float t) {
    auto at = [t](int r, float* x, float* yy) {
      const float v = 1.0f - float(r) / 8, w = v * t + (1 - v) * std::sqrt(t);
      *x = 110 + 280 * w;
      *yy = 70 + 47.5f * float(r) + 50 * w;
    };
    for (int r = 0; r < 8; ++r) {
      float x0, y0, x1, y1;
      at(r, &x0, &y0);
      at(r + 1, &x1, &y1);
      if (y >= y0 && y <= y1) return x0 + (x1 - x0) * (y - y0) / (y1 - y0);
    }
    return -1;
  }
  // The first x on row y, from the page's left edge, that shows `color`.
  static int FirstOf(const sdev::test::Frame& f, int y, uint32_t color) {
    for (int x = 110; x < 390; ++x)
      if (widgettest::Close(f.At(x, y), color, 8)) return x;
    return -1;
  }
  // The turning page (green) reaches from its edge to the spine; the page
  // under it (blue) shows left of the edge.
  void CheckEdge(const sdev::test::Frame& f, float t, float p) {
    for (int y : {200, 350}) {
      const float edge = EdgeX(float(y), t);
      EXPECT_NEAR(FirstOf(f, y, kGreen), edge, 2.0f) << "p " << p << " row " << y;
      EXPECT_TRUE(widgettest::Close(f.At(int(edge) - 4, y), kBlue, 8)) << "p " << p << " row " << y;
      EXPECT_TRUE(widgettest::Close(f.At(385, y), kGreen, 8)) << "p " << p << " row " << y;
    }
  }
};

TEST_F(TJournalTurnTest, BackTurnEdgeAtQuarterHalfAndThreeQuarters) {
  L& b = Make();
  OpenFully(L::kJournal, 1);
  b.TurnPageBack();
  b.Update(0.0f);  // begins the turn: the old left page (green) lifts off the new one (blue)
  ASSERT_EQ(b.GetTransition(), L::kBackRunning);
  float done = 0;
  for (float p : {0.25f, 0.5f, 0.75f}) {
    b.Update(p * L::kHalfTurnTime - done);
    done = p * L::kHalfTurnTime;
    ASSERT_TRUE(b.IsFirstHalf());
    CheckEdge(Frame([&] { b.Draw(); }), p, p);
  }
  // Half way the top of the edge has come in by half the page.
  EXPECT_NEAR(EdgeX(70 + 25, 0.5f), 250, 0.01);
}

TEST_F(TJournalTurnTest, ForwardTurnLandsTheNewLeftPage) {
  L& b = Make();
  OpenFully(L::kJournal, 0);
  b.TurnPageForward();
  b.Update(0.0f);
  ASSERT_EQ(b.GetTransition(), L::kForwardRunning);
  b.Update(L::kHalfTurnTime);  // the first half (the old right page) is over
  ASSERT_FALSE(b.IsFirstHalf());
  float done = 0;
  for (float p : {0.25f, 0.5f, 0.75f}) {
    b.Update(p * L::kHalfTurnTime - done);
    done = p * L::kHalfTurnTime;
    // The new left page (green) unfolds from the spine over the old one (blue).
    CheckEdge(Frame([&] { b.Draw(); }), 1.0f - p, p);
  }
}

// Dark letters keep their pixels opaque; the white paper becomes clear.
TEST_F(TJournalTest, TextTexturesAreClearWhereThePaperWasWhite) {
  MainXml(BookXml());
  L& b = Make();
  TTextureRef t = b.RenderTextTexture(TVec2(200.7f, 40.2f), "Gullrock", 0, 24, true);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->GetWidth(), 200u);
  EXPECT_EQ(t->GetHeight(), 40u);
  uint32_t* px = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(t->Lock(&px, &pitch));
  int ink = 0, clear = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      uint32_t c = px[size_t(y) * pitch + size_t(x)];
      const uint32_t a = c >> 24, r = (c >> 16) & 0xFF;
      EXPECT_EQ(a, r == 255 ? 0u : 255u);
      (a ? ink : clear) += 1;
    }
  // The same text again (the heading at the next opening) gives the same
  // pixels in a texture of its own.
  std::vector<uint32_t> first;
  for (int y = 0; y < 40; ++y) first.insert(first.end(), px + size_t(y) * pitch, px + size_t(y) * pitch + 200);
  t->Unlock();
  TTextureRef again = b.RenderTextTexture(TVec2(200.2f, 40.9f), "Gullrock", 0, 24, true);
  ASSERT_TRUE(again);
  EXPECT_NE(again, t);
  ASSERT_TRUE(again->Lock(&px, &pitch));
  std::vector<uint32_t> second;
  for (int y = 0; y < 40; ++y) second.insert(second.end(), px + size_t(y) * pitch, px + size_t(y) * pitch + 200);
  again->Unlock();
  EXPECT_TRUE(second == first);
  EXPECT_GT(ink, 50);
  EXPECT_GT(clear, 4000);
  EXPECT_FALSE(b.RenderTextTexture(TVec2(200, 40), "", 0, 24));
  EXPECT_FALSE(b.RenderTextTexture(TVec2(0, 40), "x", 0, 24));
}

// A render target that cannot be drawn gives no texture (not an opaque
// black box), and the text block is freed on that path too.
TEST_F(TJournalTest, TextTextureWithoutARenderTarget) {
  MainXml(BookXml());
  L& b = Make();
  sdev::test::Fault::FailNext(sdev::test::Op::BeginScene, sdev::err::kFail);
  EXPECT_FALSE(b.RenderTextTexture(TVec2(200, 40), "Gullrock", 0, 24));
  EXPECT_TRUE(logLines.Contains("could not be drawn"));
  EXPECT_TRUE(b.RenderTextTexture(TVec2(200, 40), "Gullrock", 0, 24, true));
  // Made once on this display to be kept, the same text is copied from its
  // pixels, without a render target; another, or one not kept, is drawn and fails.
  sdev::test::Fault::FailNext(sdev::test::Op::BeginScene, sdev::err::kFail);
  EXPECT_TRUE(b.RenderTextTexture(TVec2(200, 40), "Gullrock", 0, 24, true));
  EXPECT_FALSE(b.RenderTextTexture(TVec2(200, 40), "Gullrock", 0, 24));
  sdev::test::Fault::FailNext(sdev::test::Op::BeginScene, sdev::err::kFail);
  EXPECT_FALSE(b.RenderTextTexture(TVec2(200, 40), "Gullrock light", 0, 24, true));
}

// Ink in the lower half of the right text rectangle (the closing text).
int ClosingInk(const sdev::test::Frame& f) {
  int ink = 0;
  for (int y = 252; y < 420; y += 2)
    for (int x = 410; x < 670; x += 2)
      if (!widgettest::Close(f.At(x, y), kPageColor, 40)) ++ink;
  return ink;
}

TEST_F(TJournalTest, NewestClosingTextWaitsForTheLocationsEnd) {
  env.strings["out0"] = "Lamp lit at %s, %s. Grandfather would be proud.";
  env.strings["in0"] = "Came ashore %s.";
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00", "01-01-2010", "11:00");
  L& b = Make(false);
  OpenFully(L::kJournal, 0);
  EXPECT_EQ(ClosingInk(Frame([&] { b.Draw(); })), 0);
  // Finished: the next opening writes it, fading in.
  b.locationCompleted = true;
  b.StartClosing();
  b.Update(1.0f);
  OpenFully(L::kJournal, 0);
  ASSERT_TRUE(b.IsWriting());
  EXPECT_EQ(ClosingInk(Frame([&] { b.Draw(); })), 0);
  b.Update(2.0f);
  EXPECT_GT(ClosingInk(Frame([&] { b.Draw(); })), 20);
}

// The still open spread is drawn from one composed picture, with the pixels
// the pieces give (a book with a see-through rim, texts, the close button on
// the book's rim); it is composed again for the next spread and after a
// device loss. A turning page, and a button the pages cover, are drawn
// piece by piece.
TEST_F(TJournalTest, StillSpreadFromOneComposedPictureGivesThePiecesPixels) {
  env.strings["in0"] = env.strings["in1"] = "Came ashore %s.";
  env.strings["out0"] = env.strings["out1"] = "Lamp lit at %s, %s.";
  Png("book/bg.png", 600, 420, [](int x, int y) {
    const bool rim = x < 6 || y < 6 || x >= 594 || y >= 414;
    return rim ? 0x80806040u : kBookColor;
  });
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00", "01-01-2010", "11:00");
  Enter("b", "01-02-2010", "10:00", "01-02-2010", "11:00");
  L& b = Make(true);
  b.writingSuppressed = true;
  OpenFully(L::kJournal, 0);
  // Over a patterned screen, so that the rim shows what lies under it.
  auto frame = [&](bool composing) {
    L::SetComposingEnabled(composing);
    std::vector<uint32_t> px = Frame([&] { b.Draw(); }, 0xFF2080A0u).pixels;
    L::SetComposingEnabled(true);
    return px;
  };
  auto same = [&](const char* when, bool composed) -> std::vector<uint32_t> {
    std::vector<uint32_t> fast = frame(true);
    EXPECT_EQ(b.IsSpreadComposed(), composed) << when;
    std::vector<uint32_t> pieces = frame(false);
    EXPECT_FALSE(b.IsSpreadComposed()) << when;
    EXPECT_TRUE(fast == pieces) << when;
    return fast;
  };
  // The close button (650, 60) lies on the right page, which today covers
  // part of it: that spread cannot be one picture under the button.
  same("the close button on the page", false);
  b.GetCloseButton()->MoveBy(40, 0);
  std::vector<uint32_t> first = same("open", true);
  EXPECT_EQ(same("open again", true), first);
  b.TurnPageForward();
  b.Update(0.0f);
  b.Update(L::kHalfTurnTime * 1.5f);
  same("turning", false);
  RunTurn();
  EXPECT_NE(same("the next spread", true), first);
  assets.ReleaseAll();
  assets.RestoreAll();
  same("after a device loss", true);
  b.TurnPageBack();
  RunTurn();
  EXPECT_EQ(same("back", true), first);
}

// The enlarged photograph is drawn over the other one, twice its size,
// around the screen point it travelled to.
TEST_F(TJournalTest, EnlargedPhotographLiesOverTheOther) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  Solid("ph/l.png", 120, 200, kBlue);
  Solid("ph/r.png", 120, 200, kGreen);
  L& b = Make();
  b.AddEntry("ph/l");
  b.AddEntry("ph/r");
  b.Rebuild();
  OpenFully(L::kPhotographs, 0);
  // Centred in their text rectangles (120..380 and 410..670), from the top 80.
  EXPECT_EQ(b.GetLeftPhotoRect(), TRect(190, 80, 310, 280));
  EXPECT_EQ(b.GetRightPhotoRect(), TRect(480, 80, 600, 280));
  EXPECT_FALSE(b.OnMouseDown(TPoint(130, 300)));  // beside the photograph
  EXPECT_EQ(b.zoomState, L::kZoomNone);
  EXPECT_TRUE(b.OnMouseDown(TPoint(250, 150)));
  EXPECT_EQ(b.zoomState, L::kZoomEnlarging);
  EXPECT_EQ(b.zoomSide, 0);
  EXPECT_TRUE(b.OnMouseDown(TPoint(10, 10)));  // taken, nothing changes
  EXPECT_EQ(b.zoomState, L::kZoomEnlarging);
  EXPECT_FALSE(b.OnMouseUp(TPoint(10, 10)));
  b.Update(0.2f);
  EXPECT_NEAR(b.GetZoomScale(), 1.5f, 1e-6f);
  b.Update(0.2f);
  EXPECT_EQ(b.zoomState, L::kZoomEnlarged);
  EXPECT_EQ(b.GetZoomScale(), 2.0f);
  // Moved from (120, 80) to (512 - 60, 324 - 100), the text rectangle's size.
  EXPECT_EQ(b.GetLeftPhotoRect(), TRect(452, 224, 712, 564));
  const auto& f = Frame([&] { b.Draw(); });
  // 240 x 400 around (582, 324): over the right photograph's lower part.
  EXPECT_TRUE(widgettest::Close(f.At(540, 200), kBlue, 8));
  EXPECT_TRUE(widgettest::Close(f.At(490, 100), kGreen, 8));
  EXPECT_TRUE(widgettest::Close(f.At(250, 150), kPageColor, 8));
  // The next press anywhere shrinks it back.
  EXPECT_TRUE(b.OnMouseDown(TPoint(10, 10)));
  EXPECT_EQ(b.zoomState, L::kZoomShrinking);
  b.Update(0.2f);
  EXPECT_NEAR(b.GetZoomScale(), 1.5f, 1e-6f);
  b.Update(0.2f);
  EXPECT_EQ(b.zoomState, L::kZoomNone);
  EXPECT_EQ(b.zoomSide, 2);
  EXPECT_EQ(b.GetLeftPhotoRect(), TRect(190, 80, 310, 280));
}

TEST_F(TJournalTest, MagnifierOverPhotographs) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  Solid("ph/l.png", 120, 100, kBlue);
  L& b = Make();
  b.AddEntry("ph/l");
  b.Rebuild();
  OpenFully(L::kPhotographs, 0);
  b.OnMouseMove(TPoint(250, 150));
  EXPECT_TRUE(b.IsMagnifierOn());
  b.OnMouseMove(TPoint(260, 150));  // still over it: no new cursor
  b.OnMouseMove(TPoint(250, 300));
  EXPECT_FALSE(b.IsMagnifierOn());
  EXPECT_EQ(cursors, (std::vector<std::string>{"cursor/cursor_empty_for_magnifier", "cursor/cursor"}));
  // A press on the photograph enlarges it and puts the arrow back.
  b.OnMouseMove(TPoint(250, 150));
  EXPECT_TRUE(b.OnMouseDown(TPoint(250, 150)));
  EXPECT_FALSE(b.IsMagnifierOn());
  cursors.clear();
  b.Update(1.0f);
  b.OnMouseMove(TPoint(250, 150));  // no change while one is enlarged
  EXPECT_TRUE(cursors.empty());
  // The book closing with the magnifier up puts the arrow back at once.
  L& c = Make();
  c.AddEntry("ph/l");
  c.Rebuild();
  OpenFully(L::kPhotographs, 0);
  c.OnMouseMove(TPoint(250, 150));
  ASSERT_TRUE(c.IsMagnifierOn());
  cursors.clear();
  c.StartClosing();
  EXPECT_FALSE(c.IsMagnifierOn());
  EXPECT_EQ(cursors, std::vector<std::string>{"cursor/cursor"});
}

// A disabled journal takes every mouse event and draws nothing.
TEST_F(TJournalTest, DisabledJournalTakesTheMouseAndDrawsNothing) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  L& b = Make();
  OpenFully(L::kJournal, 0);
  b.SetEnabled(false);
  EXPECT_FALSE(b.IsOpen());
  EXPECT_TRUE(b.OnMouseDown(TPoint(1, 1)));
  EXPECT_TRUE(b.OnMouseUp(TPoint(1, 1)));
  EXPECT_TRUE(b.OnMouseMove(TPoint(1, 1)));
  const auto& f = Frame([&] { b.Draw(); }, 0xFF102030u);
  EXPECT_EQ(f.At(300, 200), 0xFF102030u);
  b.SetEnabled(true);
  // Over the book (edges included) the move is taken.
  EXPECT_TRUE(b.OnMouseMove(TPoint(100 + 600, 50 + 420)));
  EXPECT_FALSE(b.OnMouseMove(TPoint(701, 300)));
  EXPECT_TRUE(widgettest::Close(Frame([&] { b.Draw(); }).At(105, 55), kBookColor));
}

// The buttons send their commands to the owner window; with no
// photographs a press shows no pressed look, the click still works.
class TCommandWindow : public TWindow {
public:
  bool OnMessage(TMessage* m) override {
    commands.push_back(m->text.str());
    return true;
  }
  std::vector<std::string> commands;
};

TEST_F(TJournalTest, ButtonsSendTheirCommands) {
  MainXml(BookXml());
  Enter("a", "01-01-2010", "10:00");
  Enter("b", "01-02-2010", "10:00");
  TCommandWindow owner;
  book = std::make_unique<LogBook_t>(&owner);
  L& b = *book;
  b.lastLocation = 1;
  b.Rebuild();
  OpenFully(L::kJournal, 1);
  const TPoint prev(130, 450), close(660, 70), tab(715, 190), next(630, 450);
  for (TPoint p : {prev, next, close, tab}) {
    b.OnMouseMove(p);
    EXPECT_FALSE(b.OnMouseDown(p));
    EXPECT_FALSE(b.OnMouseUp(p));
  }
  EXPECT_FALSE(b.GetPrevButton()->held);
  EXPECT_EQ(owner.commands, (std::vector<std::string>{"logbookprev", "logbookclose", "logbookphotographs"}));
  b.photosOnly = true;
  b.OnMouseMove(tab);
  b.OnMouseUp(tab);
  EXPECT_EQ(owner.commands.size(), 3u);
  book.reset();
}

}  // namespace
}  // namespace journaltest
