// Sprites, text sprites, animated sprites, screen text, the line test and
// meshes, drawn by the software display device and compared by pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/log.h"
#include "platform/registry/asset.h"
#include "platform/settings.h"
#include "platform/time.h"
#include "render/sprites/animsprite.h"
#include "render/sprites/animtexture.h"
#include "render/device/displayhandler.h"
#include "render/sprites/dxcursor.h"
#include "render/text/font.h"
#include "render/platform/hooks.h"
#include "render/text/minivecdraw.h"
#include "render/sprites/model.h"
#include "render/renderer.h"
#include "render/sprites/sprite.h"
#include "render/text/textsprite.h"
#include "render/textures/texture.h"
#include "platform/host/hosts.h"
#include "platform/host/system.h"
#include "platform/shell/platform.h"
#include "script/script.h"
#include "tests/render/display_fixture.h"
#include "tests/render/mvec_builder.h"
#include "tests/support/testsupport.h"

namespace {

// The display fixture, at 320 x 240, in the temporary folder as the working folder.
class SpriteDisplayTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    cd_.reset(new testing_support::ScopedChdir(dir_.Path()));
    ASSERT_TRUE(Open(320, 240));
  }
  void TearDown() override {
    ClearFontCache();
    cd_.reset();
    DisplayTest::TearDown();
  }
  TTextureRef Solid(int w, int h, uint32_t argb) {
    return MakeTexture(w, h, [argb](int, int) { return argb; });
  }
  // Draws one frame and keeps what was shown.
  void Show(const std::function<void()>& draw) { shown_ = Frame(draw); }
  uint32_t Pixel(int x, int y) const { return shown_.At(x, y) & 0x00FFFFFFu; }
  int Lit(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += Pixel(x, y) != 0;
    return n;
  }
  // A pixel of the back buffer (what the next frame holds so far).
  uint32_t BackPixel(int x, int y) {
    sdev::Surface* b = handler_->Data().backBuffer;
    void* bits = nullptr;
    int32_t pitch = 0;
    if (sdev::Failed(b->Lock(nullptr, &bits, &pitch, 0))) return 0;
    uint32_t v = static_cast<uint32_t*>(bits)[size_t(y) * size_t(pitch / 4) + x];
    b->Unlock();
    return v & 0x00FFFFFFu;
  }
  sdev::test::Frame shown_;
  std::unique_ptr<testing_support::ScopedChdir> cd_;
};

// A texture that records the order in which sprites draw it.
std::vector<int>* gOrder = nullptr;
class TTagTexture : public TTexture {
public:
  explicit TTagTexture(int tag) : tag_(tag) {}
  void Draw(const TDrawParams&) override { gOrder->push_back(tag_); }
  uint32_t GetWidth() const override { return 10; }
  uint32_t GetHeight() const override { return 20; }

private:
  int tag_;
};

}  // namespace

TEST(SpriteTree, LayerOrderAndChildren) {
  std::vector<int> order;
  gOrder = &order;
  auto root = boost::make_shared<TSprite>(0);
  root->SetTexture(boost::make_shared<TTagTexture>(0));
  TSpriteRef a = boost::make_shared<TSprite>(5), b = boost::make_shared<TSprite>(1), c = boost::make_shared<TSprite>(1);
  a->SetTexture(boost::make_shared<TTagTexture>(1));
  b->SetTexture(boost::make_shared<TTagTexture>(2));
  c->SetTexture(boost::make_shared<TTagTexture>(3));
  root->AddChild(a);
  root->AddChild(b);
  root->AddChild(c);
  root->Draw(TDrawParams(), -1);
  EXPECT_EQ(order, (std::vector<int>{0, 2, 3, 1}));  // equal layers keep their order
  order.clear();
  a->SetLayer(-1);
  root->Draw(TDrawParams(), -1);
  EXPECT_EQ(order, (std::vector<int>{1, 0, 2, 3}));
  order.clear();
  root->Draw(TDrawParams(), 0);
  EXPECT_EQ(order, (std::vector<int>{0}));
  // Removing a stranger changes nothing; RemoveAllChildren clears the parents.
  auto stranger = boost::make_shared<TSprite>(0);
  EXPECT_FALSE(root->RemoveChild(stranger));
  EXPECT_EQ(root->GetChildren().size(), 3u);
  EXPECT_TRUE(root->RemoveChild(b));
  EXPECT_EQ(b->GetParent(), nullptr);
  root->RemoveAllChildren();
  EXPECT_EQ(a->GetParent(), nullptr);
  EXPECT_TRUE(root->GetChildren().empty());
  gOrder = nullptr;
}

TEST(SpriteTree, BoundsAndCounter) {
  {
    auto s = boost::make_shared<TSprite>(0);
    EXPECT_EQ(GetSettingString("current_sprite_count"), TString::Printf("%d", TSprite::GetLiveCount()));
    TRect r;
    s->GetBounds(r, TDrawParams(), true);
    EXPECT_EQ(r, TRect(10000000, 10000000, -10000000, -10000000));
    s->SetTexture(boost::make_shared<TTagTexture>(0));  // 10 x 20
    s->SetDrawParams(TDrawParams(TVec2(100, 50), 1, 2.0f, 0));
    s->GetBounds(r, TDrawParams(), false);
    EXPECT_EQ(r, TRect(90, 30, 110, 70));  // centred, scaled 2
    s->GetDrawParams().flags = TDrawParams::kAnchorAtCenter;
    s->GetBounds(r, TDrawParams(), false);
    EXPECT_EQ(r, TRect(100, 50, 120, 90));  // top-left at the position
    s->GetDrawParams().flags |= TDrawParams::kUseSourceRect;
    s->GetDrawParams().sourceRect = TRect(0, 0, 4, 4);
    s->GetBounds(r, TDrawParams(), false);
    EXPECT_EQ(r, TRect(100, 50, 108, 58));
    TDrawParams turned;
    turned.transform.Rotate(float(M_PI / 2));
    s->SetDrawParams(TDrawParams(TVec2(0, 0), 1, 1.0f, TDrawParams::kAnchorAtCenter));
    s->GetBounds(r, turned, false);
    EXPECT_EQ(r, TRect(-20, 0, 0, 10));
    auto child = boost::make_shared<TSprite>(0);
    child->SetTexture(boost::make_shared<TTagTexture>(1));
    child->SetDrawParams(TDrawParams(TVec2(300, 300), 1, 1.0f, TDrawParams::kAnchorAtCenter));
    s->AddChild(child);
    s->GetBounds(r, TDrawParams(), true);
    EXPECT_EQ(r, TRect(0, 0, 310, 320));
  }
  EXPECT_EQ(TSprite::GetLiveCount(), 0);
  EXPECT_EQ(GetSettingString("current_sprite_count"), "0");
}

TEST_F(SpriteDisplayTest, SpritesDrawnAndHitTested) {
  TTextureRef red = Solid(20, 10, 0xFFFF0000u);
  ASSERT_TRUE(red);
  auto root = boost::make_shared<TSprite>(0);
  auto s = boost::make_shared<TSprite>(0);
  s->SetTexture(red);
  s->SetDrawParams(TDrawParams(TVec2(50, 40), 1, 1.0f, TDrawParams::kAnchorAtCenter));
  root->AddChild(s);
  Show([&] { root->Draw(TDrawParams(), -1); });
  EXPECT_EQ(Pixel(50, 40), 0xFF0000u);
  EXPECT_EQ(Pixel(69, 49), 0xFF0000u);
  EXPECT_EQ(Pixel(70, 49), 0u);
  EXPECT_EQ(Pixel(49, 40), 0u);
  EXPECT_EQ(Lit(0, 0, 320, 240), 200);

  // Hit tests: rectangle, pixel, hidden.
  EXPECT_TRUE(s->HitTest(TPoint(55, 45), -1));
  EXPECT_FALSE(s->HitTest(TPoint(70, 45), -1));
  EXPECT_TRUE(s->HitTest(TPoint(55, 45), 200));
  TTextureRef half = Solid(20, 10, 0x80FFFFFFu);  // alpha 128
  s->SetTexture(half);
  EXPECT_TRUE(s->HitTest(TPoint(55, 45), 100));
  EXPECT_FALSE(s->HitTest(TPoint(55, 45), 200));
  s->SetTexture(Solid(20, 10, 0xF2FFFFFFu));  // alpha 242
  EXPECT_FALSE(s->HitTest(TPoint(55, 45), 250));
  TRenderer::GetInstance()->SetRenderOption("16bitmode", "1");
  if (TRenderer::GetInstance()->GetRenderOptionInt("16bitmode")) {
    EXPECT_TRUE(s->HitTest(TPoint(55, 45), 250));
  }
  s->SetVisible(false);
  EXPECT_FALSE(s->HitTest(TPoint(55, 45), -1));
}

TEST_F(SpriteDisplayTest, ScreenTextMatchesTheSoftwareDrawing) {
  dir_.Write("fonts/simple.mvec", mvec_test::SimpleFont());
  std::unique_ptr<TTextBlock, void (*)(TTextBlock*)> b(
      TTextBlock::Create("AB <u>C</u>", 300, 100, 0, "fonts/simple.mvec", 24, TFloatColor(1, 1, 1, 1)),
      &TTextBlock::Destroy);
  std::vector<uint32_t> soft(320 * 240, 0xFF000000u);
  b->DrawToPixels(TMiniVecPixels{soft.data(), 320, 240, 320}, TVec2(13.25f, 20.5f), 1000, 1, 0, 1);
  Show([&] { b->Draw(TVec2(13.25f, 20.5f), 1000, 1, 0, 1); });
  int differ = 0, lit = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      uint32_t a = Pixel(x, y), e = soft[size_t(y) * 320 + x] & 0xFFFFFF;
      lit += e != 0;
      int d = std::abs(int(a & 255) - int(e & 255));
      differ += d > 2;
    }
  }
  EXPECT_GT(lit, 400);
  EXPECT_EQ(differ, 0);
}

// Text drawn unchanged on the screen comes from a picture from its second
// drawing on; the frames are those of the glyph spans, whatever changes
// (colour, alpha, scale, turn, text, place) and after the device was lost.
TEST_F(SpriteDisplayTest, TextPicturesDrawWhatTheSpansDraw) {
  TTextureRef ground = MakeTexture(320, 240, [](int x, int y) { return 0xFF000000u | uint32_t(x * 0x10203 + y * 0x30100); });
  std::unique_ptr<TTextBlock, void (*)(TTextBlock*)> b(
      TTextBlock::Create("Quick <u>jumpy gig</u> <font color='#80FF4020'>fog</font> AVAWAY ffi", 300, 200, 0,
                         "__DEFAULT", 26, TFloatColor(0.9f, 0.8f, 0.3f, 0.85f)),
      &TTextBlock::Destroy);
  TVec2 at(10.25f, 12);
  float alpha = 1, scale = 1;
  auto frame = [&](bool pictures) {
    TTextBlock::SetPicturesEnabled(pictures);
    Show([&] {
      ground->DrawAt(0, 0, 1, 1, 0, TDrawParams::kAnchorAtCenter);
      b->Draw(at, 1000, alpha, 0, scale);
    });
    TTextBlock::SetPicturesEnabled(true);
    return shown_.pixels;
  };
  auto same = [&](const char* what) {
    SCOPED_TRACE(what);
    std::vector<uint32_t> spans = frame(false);
    uint64_t made = TTextBlock::GetPicturesMade();
    for (int k = 0; k < 3; ++k) {
      std::vector<uint32_t> shown = frame(true);
      int differ = 0;
      for (size_t i = 0; i < shown.size(); ++i) differ += shown[i] != spans[i];
      EXPECT_EQ(differ, 0) << "drawing " << k;
    }
    EXPECT_EQ(TTextBlock::GetPicturesMade(), made + 1);
  };
  same("first");
  b->SetColor(TFloatColor(0.2f, 0.9f, 1, 1));
  same("colour");
  alpha = 0.5f;
  same("alpha");
  scale = 1.3f;
  same("scale");
  b->SetRotation(12, 150, 20);
  same("turned");
  b->SetText("Other <cursor>words, <a id='x'>a link</a>\nand a second line");
  same("text");
  at = TVec2(40, 60.5f);
  same("place");
  frame(true);
  uint64_t made = TTextBlock::GetPicturesMade();
  sdev::test::Fault::LoseDevice();
  sdev::test::Fault::RegainFocus();
  std::vector<uint32_t> restored = frame(true);
  EXPECT_EQ(TTextBlock::GetPicturesMade(), made + 1);
  EXPECT_EQ(restored, frame(false));
}

TEST_F(SpriteDisplayTest, TextIntoATexture) {
  TTextureRef target = TTexture::CreateBlank(64, 32, true);
  ASSERT_TRUE(target);
  std::unique_ptr<TTextBlock, void (*)(TTextBlock*)> b(
      TTextBlock::Create("Hi", 64, 32, 0, "__DEFAULT", 20, TFloatColor(1, 1, 0, 1)), &TTextBlock::Destroy);
  b->Draw(TVec2(0, 0), 100, 1, TTextBlock::kDrawCopy, 1, target);
  uint32_t* p = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(target->Lock(&p, &pitch));
  int opaque = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) opaque += (p[size_t(y) * pitch + x] >> 24) == 255;
  target->Unlock();
  EXPECT_GT(opaque, 20);
}

TEST_F(SpriteDisplayTest, LineTestPassesAndCatchesAWrongLineRule) {
  ASSERT_TRUE(Open(1024, 768));  // room for the 800 x 512 target
  TKnMiniVecDraw d;
  EXPECT_TRUE(d.TestLines());
  EXPECT_EQ(d.GetBatchSize(), 256);
  EXPECT_LE(d.GetLineTestErrors(), 75);
  // A device that drops the last pixel of every line.
  TKnMiniVecDraw wrong;
  wrong.SetLineSink([](const TMiniVecVertex* v, int n) {
    std::vector<TScreenVertex> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      float x = (i & 1) ? v[i].x - 1.0f : v[i].x;
      out[size_t(i)] = TScreenVertex{x, v[i].y + 0.5f, 0, 1, v[i].diffuse, 0, 0, 0};
    }
    TVertexSet* set = MakeVertexSet3(out.data(), uint32_t(n));
    TRenderer::GetInstance()->DrawVertices(kPrimLineList, set);
    FreeVertexSet(set);
  });
  EXPECT_FALSE(wrong.TestLines());
  EXPECT_EQ(wrong.GetBatchSize(), 64);
}

TEST_F(SpriteDisplayTest, TextSpriteDrawsAndBounds) {
  dir_.Write("fonts/simple.mvec", mvec_test::SimpleFont());
  auto t = TTextSprite::Create(200, 50, 0, "fonts/simple.mvec", 32, TFloatColor(0, 1, 0, 1));
  t->SetText("AB");
  t->SetDrawParams(TDrawParams(TVec2(10, 10), 1, 1.0f, TDrawParams::kAnchorAtCenter));
  TRect r;
  t->GetBounds(r, TDrawParams(), true);
  EXPECT_EQ(r, TRect(10, 10, 10 + 30, 10 + 40));  // ink 30 wide, line 40 high
  EXPECT_TRUE(t->HitTest(TPoint(20, 30), 128));
  EXPECT_FALSE(t->HitTest(TPoint(100, 30), 128));
  Show([&] { t->Draw(TDrawParams(), -1); });
  EXPECT_EQ(Pixel(12, 30), 0x00FF00u);
  EXPECT_GT(Lit(10, 10, 40, 50), 300);
  EXPECT_STREQ(t->GetClassName(), "TTextSprite");
  EXPECT_TRUE(t->IsA(&TSprite::ClassId));
}

TEST_F(SpriteDisplayTest, AnimatedSpriteStepsItsFrames) {
  // Three pictures of 4 x 4 pixels: red, green, blue for 100, 50 and 100 ms.
  const uint32_t colours[3] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
  const char* names[3] = {"red", "green", "blue"};
  for (int i = 0; i < 3; ++i) {
    std::vector<uint32_t> px(16, colours[i]);
    ASSERT_TRUE(WritePngFile(dir_.File(std::string(names[i]) + ".png"), px.data(), 4, 4, 4));
  }
  dir_.Write("anims/blink.xml",
             "<anm ms='100'><frame image='red'/><frame image='green' ms='50'/><frame image='blue'/></anm>");
  auto anim = TAnimatedTexture::Get("anims/blink");
  ASSERT_TRUE(anim);
  EXPECT_EQ(anim->GetFrameCount(), 3);
  EXPECT_EQ(TAnimatedTexture::Get("anims/blink"), anim);  // shared while alive
  auto sprite = TAnimatedSprite::Create();
  sprite->SetTexture(anim);
  sprite->SetDrawParams(TDrawParams(TVec2(10, 10), 1, 1.0f, TDrawParams::kAnchorAtCenter));
  ASSERT_TRUE(sprite->Play("DoAnim"));
  auto colourNow = [&] {
    uint32_t c = 0;
    Show([&] { sprite->Draw(TDrawParams(), -1); });
    c = Pixel(11, 11);
    return c;
  };
  EXPECT_EQ(colourNow(), 0xFF0000u);
  time_.Advance(100);
  EXPECT_EQ(colourNow(), 0x00FF00u);
  time_.Advance(50);
  EXPECT_EQ(colourNow(), 0x0000FFu);
  time_.Advance(60);
  EXPECT_EQ(colourNow(), 0x0000FFu);
  time_.Advance(40);
  EXPECT_EQ(colourNow(), 0xFF0000u);  // looped
  TRect r;
  sprite->GetBounds(r, TDrawParams(), false);
  EXPECT_EQ(r, TRect(10, 10, 14, 14));
  // A sprite destroyed while its animation waits takes its coroutine with it
  // at once, drawn or not, whatever else draws later.
  const long live = TScript::LiveThreadCount();
  for (int i = 0; i < int(TScript::kMaxThreads) + 8; ++i) {
    auto gone = TAnimatedSprite::Create();
    gone->SetTexture(anim);
    ASSERT_TRUE(gone->Play("DoAnim")) << i;
    EXPECT_TRUE(gone->IsPlaying());
    EXPECT_EQ(TScript::LiveThreadCount(), live + 1);
  }
  EXPECT_EQ(TScript::LiveThreadCount(), live);
  EXPECT_TRUE(sprite->IsPlaying());
  time_.Advance(100);
  EXPECT_EQ(colourNow(), 0x00FF00u);

  // A game script of its own in an installed state.
  TScript script;
  TAnimatedSprite::SetAnimationScript(&script);
  ASSERT_TRUE(script.DoLuaString("ganimationscript = { Jump = function(s) AnimSetFrame(s, 2) end }", "test"));
  auto other = TAnimatedSprite::Create();
  other->SetTexture(anim);
  EXPECT_TRUE(other->Play("Jump"));
  EXPECT_EQ(other->GetFrame(), 2);
  TLogCapture log;
  EXPECT_FALSE(other->Play("Missing"));
  EXPECT_TRUE(log.Contains("no function ganimationscript.Missing"));
  TAnimatedSprite::SetAnimationScript(nullptr);
  // Missing or damaged animations give nothing.
  dir_.Write("anims/bad.anm", std::string("ANM1\x05\x00", 6));
  EXPECT_FALSE(TAnimatedTexture::Get("anims/bad"));
  EXPECT_FALSE(TAnimatedTexture::Get("anims/none"));
  dir_.Write("anims/nopic.xml", "<anm><frame image='nothing'/></anm>");
  EXPECT_FALSE(TAnimatedTexture::Get("anims/nopic"));
}

TEST_F(SpriteDisplayTest, MeshLoadedAndDrawn) {
  // A quad of two triangles, 30 x 30 units of 1/1000, facing the viewer.
  std::vector<uint8_t> b = {'T', 'R', 'I', 'S', 4, 0, 2, 0};
  auto put = [&](int v) {
    b.push_back(uint8_t(v & 0xFF));
    b.push_back(uint8_t((v >> 8) & 0xFF));
  };
  const int corners[4][2] = {{10000, 10000}, {30000, 10000}, {30000, 30000}, {10000, 30000}};
  for (auto& c : corners) {
    for (int v : {c[0], c[1], 0, 0, 0, -1000, 0, 0}) put(v);
  }
  for (int i : {0, 1, 2, 0, 2, 3}) put(i);
  dir_.Write("quad.mesh", b);
  auto model = TModel::Get("quad.mesh");
  ASSERT_TRUE(model);
  bool drawn = false;
  Show([&] {
    TRenderer::GetInstance()->SetAmbientLight(TFloatColor(1, 1, 1, 1));
    drawn = model->Draw();
  });
  EXPECT_TRUE(drawn);
  EXPECT_GT(Lit(0, 0, 320, 240), 0);
}

TEST_F(SpriteDisplayTest, CursorInTheDisplayContext) {
  TDXContext* context = handler_->GetContext();
  ASSERT_NE(context, nullptr);
  int mx = 40, my = 30;
  TDXCursorHooks hooks;
  hooks.getMousePosition = [&](int* x, int* y) {
    *x = mx;
    *y = my;
    return true;
  };
  hooks.getDesktopRect = [] { return TRect(0, 0, 1920, 1080); };
  TDXSoftwareCursor cursor(context, hooks);
  EXPECT_FALSE(cursor.SetMouseTexture(TTextureRef(), 1, 1, false));  // a missing picture
  std::vector<uint32_t> pic(36, 0xFFFF00FFu);
  for (int y = 1; y < 5; ++y)
    for (int x = 1; x < 5; ++x) pic[size_t(y) * 6 + x] = 0xFFFFFFFFu;
  ASSERT_TRUE(WritePngFile(dir_.File("cursor.png"), pic.data(), 6, 6, 6));
  TTextureRef tex = TTexture::GetFlagged("cursor");
  ASSERT_TRUE(tex);
  ASSERT_TRUE(cursor.SetMouseTexture(tex, 1, 1, false));
  EXPECT_EQ(cursor.Cursor().GetRuns(false).size(), 4u);
  // Drawn into the frame's back buffer at the mouse (tip at (1, 1)).
  std::lock_guard<std::recursive_timed_mutex> lock(context->Mutex());
  uint32_t before = BackPixel(40, 30);
  EXPECT_TRUE(cursor.DrawIntoBackBuffer(*context));
  EXPECT_EQ(BackPixel(40, 30), 0xFEFEFEu);  // (255 x 255) >> 8 per channel
  EXPECT_EQ(BackPixel(39, 30), before);
  cursor.EraseFromBackBuffer(*context);
  EXPECT_EQ(BackPixel(40, 30), before);
  // The main picture's texture is kept; the second picture is drawn once set.
  EXPECT_EQ(cursor.GetMouseTexture(), tex);
  std::vector<uint32_t> dot(4, 0xFF0000FFu);
  ASSERT_TRUE(WritePngFile(dir_.File("dot.png"), dot.data(), 2, 2, 2));
  TTextureRef second = TTexture::GetFlagged("dot");
  ASSERT_TRUE(cursor.SetMouseTexture(second, 0, 0, true));
  EXPECT_EQ(cursor.GetMouseTexture(), tex);
  EXPECT_TRUE(cursor.DrawIntoBackBuffer(*context));
  EXPECT_EQ(BackPixel(40, 30), 0x0000FEu);
  EXPECT_EQ(BackPixel(41, 31), 0x0000FEu);
  cursor.EraseFromBackBuffer(*context);
}

TEST(PlatformCursor, TheSecondImageFlagShowsTheSecondPicture) {
  testing_support::TempDir dir;
  testing_support::ScopedChdir cd(dir.Path());
  std::vector<uint32_t> white(16, 0xFFFFFFFFu), green(16, 0xFF00FF00u);
  ASSERT_TRUE(WritePngFile(dir.File("white.png"), white.data(), 4, 4, 4));
  ASSERT_TRUE(WritePngFile(dir.File("green.png"), green.data(), 4, 4, 4));
  TPlatformHooks hooks;
  AddDisplayHooks(hooks);
  THeadlessHost* host = nullptr;
  std::unique_ptr<TPlatform> platform = CreateHeadlessPlatform(hooks, &host);
  ASSERT_TRUE(platform->OpenDisplay(64, 48, false));
  THostEvent move;
  move.type = THostEventType::kMouseMove;
  move.x = 20;
  move.y = 10;
  host->PushEvent(move);
  TPlatformEvent event;
  for (int i = 0; i < 5 && event.type != kEventMouseMove; ++i) platform->GetEvent(&event);
  ASSERT_EQ(event.type, uint32_t(kEventMouseMove));
  auto frameAt = [&](int x, int y) {
    TRenderer* r = TRenderer::GetInstance();
    EXPECT_TRUE(r->BeginDraw());
    GetDisplayHandler()->FillRect(0, 0, 64, 48, 0xFF000000u, nullptr);
    platform->EndDraw(true);
    return host->GetLastFrame().at(size_t(y) * size_t(host->GetLastFrameWidth()) + size_t(x)) & 0xFFFFFFu;
  };
  platform->SetCursor(TTexture::GetFlagged("white"), 0, 0, 0);
  EXPECT_EQ(frameAt(21, 11), 0xFEFEFEu);
  platform->SetCursor(TTexture::GetFlagged("green"), 0, 0, 1);
  EXPECT_EQ(frameAt(21, 11), 0x00FE00u);
  EXPECT_EQ(frameAt(24, 11), 0u);
  platform->SetCursor(TTexture::GetFlagged("white"), 0, 0, 0);
  EXPECT_EQ(frameAt(21, 11), 0xFEFEFEu);
  platform.reset();
  ClearSettings();
}

// A 64 x 48 display on the headless host, filled with one colour per frame.
class PlatformDisplay : public ::testing::Test {
protected:
  void SetUp() override {
    AddDisplayHooks(hooks);
    platform = CreateHeadlessPlatform(hooks, &host);
    ASSERT_TRUE(platform->OpenDisplay(64, 48, false));
  }
  void TearDown() override {
    platform.reset();
    ClearSettings();
  }
  void Draw(uint32_t color) {
    ASSERT_TRUE(TRenderer::GetInstance()->BeginDraw());
    GetDisplayHandler()->FillRect(0, 0, 64, 48, color, nullptr);
    platform->EndDraw(true);
  }
  // A pixel of the last frame the host kept.
  uint32_t Kept(int x, int y) {
    return host->GetLastFrame().at(size_t(y) * size_t(host->GetLastFrameWidth()) + size_t(x)) & 0xFFFFFFu;
  }

  TPlatformHooks hooks;
  THeadlessHost* host = nullptr;
  std::unique_ptr<TPlatform> platform;
};

// The headless host borrows the presented frame from the primary surface and
// copies it only when it is read, or when the primary's memory is about to
// change without a present (device loss and restore) or go away.
TEST_F(PlatformDisplay, TheHeadlessFrameIsCopiedOnlyWhenRead) {
  uint64_t copies = host->GetFrameCopyCount(), presents = host->GetPresentCount();
  for (int i = 0; i < 10; ++i) Draw(0xFF102030u + uint32_t(i));
  EXPECT_GE(host->GetPresentCount(), presents + 10);
  EXPECT_EQ(host->GetFrameCopyCount(), copies);  // nothing read: nothing copied
  EXPECT_EQ(Kept(5, 5), 0x102039u);
  EXPECT_EQ(Kept(63, 47), 0x102039u);
  EXPECT_EQ(host->GetFrameCopyCount(), copies + 1);
  EXPECT_EQ(Kept(6, 6), 0x102039u);  // read again: no new copy
  EXPECT_EQ(host->GetFrameCopyCount(), copies + 1);
  // A lost device comes back with its surfaces filled with a pattern that was
  // never presented: the last frame is still the one shown.
  Draw(0xFF405060u);
  sdev::test::Fault::LoseDevice();
  sdev::test::Fault::RegainFocus();
  TRenderer::GetInstance()->BeginDraw();
  GetDisplayHandler()->EndDraw(false);
  EXPECT_EQ(Kept(5, 5), 0x405060u);
  Draw(0xFF708090u);
  // The presenter goes: the frame stays for the screenshot.
  sdev::Presenter* presenter = sdev::GetPresenter();
  sdev::SetPresenter(nullptr);
  EXPECT_EQ(host->GetFrameCopyCount(), copies + 3);
  sdev::SetPresenter(presenter);
  EXPECT_EQ(Kept(5, 5), 0x708090u);
}

// While nothing reads the frames (a headless run without a screenshot), each
// is still presented, but its pixels are left out of the primary surface;
// once they are read again the next present copies them as before.
TEST_F(PlatformDisplay, AFrameNothingReadsIsPresentedWithoutItsPixels) {
  sdev::Surface* front = GetDisplayHandler()->GetContext()->GetFrontBuffer();
  ASSERT_NE(front, nullptr);
  auto onScreen = [&](int x, int y) {
    void* bits = nullptr;
    int32_t pitch = 0;
    EXPECT_EQ(front->Lock(nullptr, &bits, &pitch, 0), 0);
    uint32_t p = static_cast<const uint32_t*>(bits)[size_t(y) * size_t(pitch / 4) + size_t(x)] & 0xFFFFFFu;
    front->Unlock();
    return p;
  };
  Draw(0xFF112233u);
  EXPECT_TRUE(host->ReadsFrames());
  EXPECT_TRUE(front->HoldsFrame());
  EXPECT_EQ(onScreen(5, 5), 0x112233u);
  EXPECT_EQ(Kept(5, 5), 0x112233u);
  host->SetKeepLastFrame(false);
  EXPECT_FALSE(host->ReadsFrames());
  const uint64_t presents = host->GetPresentCount(), copies = host->GetFrameCopyCount();
  Draw(0xFF445566u);
  Draw(0xFF778899u);
  EXPECT_EQ(host->GetPresentCount(), presents + 2);
  EXPECT_FALSE(front->HoldsFrame());
  EXPECT_EQ(onScreen(5, 5), 0x112233u);  // not copied
  EXPECT_EQ(Kept(5, 5), 0x112233u);      // the last frame kept stays
  EXPECT_EQ(host->GetFrameCopyCount(), copies);
  host->SetKeepLastFrame(true);
  Draw(0xFFAABBCCu);
  EXPECT_TRUE(front->HoldsFrame());
  EXPECT_EQ(onScreen(63, 47), 0xAABBCCu);
  EXPECT_EQ(Kept(63, 47), 0xAABBCCu);
}
