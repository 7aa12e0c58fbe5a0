// Textures: the draw record and quad builder, drawing with flips, source
// rectangles, rotation, tint and alpha inside a parent record; texture data
// conversions, locks, the creation ladder and the registry keys; the kept
// pictures (what a texture made again takes, when a changed file is decoded
// again, device loss, locks, the bound).
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "display_fixture.h"
#include "image_writers.h"
#include "platform/archive.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "render/sdev/sdev.h"
#include "render/textures/keptpictures.h"
#include "render/textures/texturedata.h"

using namespace sdev;
using sdev::test::Fault;

namespace {

uint32_t Quadrants(int x, int y) {
  return x < 2 ? (y < 2 ? 0xFFFF0000u : 0xFF00FF00u) : (y < 2 ? 0xFF0000FFu : 0xFFFFFFFFu);
}

TEST(DrawParams, ScaleOnlyWhenNotOneAndCombineMultiplies) {
  TDrawParams p(TVec2(10, 20), 0.5f, 2.0f, TDrawParams::kAnchorAtCenter);
  EXPECT_EQ(p.transform.Transform(TVec2(1, 1)), TVec2(12, 22));
  EXPECT_EQ(p.depth, -1);
  TDrawParams parent(TVec2(100, 0), 0.5f);
  parent.tint = TFloatColor(1, 0.5f, 1, 1);
  TDrawParams c = p.Combine(parent);
  EXPECT_EQ(c.transform.Transform(TVec2(1, 1)), TVec2(112, 22));  // own first, then the parent's
  EXPECT_FLOAT_EQ(c.alpha, 0.25f);
  EXPECT_FLOAT_EQ(c.tint.g, 0.5f);
  EXPECT_EQ(c.flags, TDrawParams::kAnchorAtCenter);
}

TEST(QuadBuilder, CornersGoClockwiseWithClampedColour) {
  TLitVertex v[4];
  const TVec2 corners[4] = {TVec2(0, 0), TVec2(8, 0), TVec2(8, 4), TVec2(0, 4)};
  const TVec2 uv[2] = {TVec2(0, 0), TVec2(1, 0.5f)};
  TMat3 m;
  m.Translate(5, 6);
  BuildQuadVertices(v, TVec2(1, 1), corners, uv, m, 2.0f, TFloatColor(1, 0.5f, -1, 0.75f));
  EXPECT_EQ(v[0].x, 6);
  EXPECT_EQ(v[2].y, 11);
  EXPECT_EQ(v[1].u, 1);
  EXPECT_EQ(v[1].v, 0);
  EXPECT_EQ(v[3].u, 0);
  EXPECT_EQ(v[3].v, 0.5f);
  EXPECT_EQ(v[0].diffuse, 0xFFFF8000u);  // alpha 0.75 x 2 clamped to 1, blue clamped to 0
}

TEST_F(DisplayTest, SpritesAnchorFlipCropAndTurn) {
  ASSERT_TRUE(Open());
  TTextureRef t = MakeTexture(4, 4, Quadrants);
  const auto& f = Frame([&] {
    t->DrawAt(10, 10, 1, 1, 0, TDrawParams::kAnchorAtCenter);  // top-left at (10, 10)
    t->DrawAt(32, 12);                                             // centred on (32, 12)
    TDrawParams flip(TVec2(50, 10), 1, 1, TDrawParams::kAnchorAtCenter | TDrawParams::kFlipHorizontal);
    t->Draw(flip);
    TDrawParams crop(TVec2(70, 10), 1, 2, TDrawParams::kAnchorAtCenter | TDrawParams::kUseSourceRect);
    crop.sourceRect = TRect(2, 2, 4, 4);
    t->Draw(crop);
    t->DrawAt(92, 12, 1, 1, float(M_PI / 2));  // a quarter turn about its centre
  });
  EXPECT_EQ(f.At(10, 10), 0xFFFF0000u);
  EXPECT_EQ(f.At(13, 13), 0xFFFFFFFFu);
  EXPECT_EQ(f.At(14, 14), 0xFF000000u);
  EXPECT_EQ(f.At(30, 10), 0xFFFF0000u);
  EXPECT_EQ(f.At(33, 13), 0xFFFFFFFFu);
  EXPECT_EQ(f.At(50, 10), 0xFF0000FFu);  // mirrored
  EXPECT_EQ(f.At(53, 10), 0xFFFF0000u);
  EXPECT_EQ(f.At(72, 12), 0xFFFFFFFFu);  // the white quadrant, twice the size (filtered at its edges)
  EXPECT_EQ(f.At(73, 13), 0xFFFFFFFFu);
  EXPECT_EQ(f.At(74, 13), 0xFF000000u);
  EXPECT_EQ(f.At(93, 10), 0xFFFF0000u);  // red moved from top-left to top-right
  EXPECT_EQ(f.At(90, 10), 0xFF00FF00u);
}

TEST_F(DisplayTest, TintAndAlphaComeThroughTheParentRecord) {
  ASSERT_TRUE(Open());
  TTextureRef t = MakeTexture(4, 4, [](int, int) { return 0xFFFFFFFFu; });
  TDrawParams parent(TVec2(20, 20), 0.5f);
  parent.tint = TFloatColor(1, 0.5f, 0, 1);
  TDrawParams own(TVec2(0, 0), 1.0f, 1.0f, TDrawParams::kAnchorAtCenter);
  own.tint = TFloatColor(0.5f, 1, 1, 1);
  const auto& f = Frame([&] { t->Draw(own.Combine(parent)); }, 0xFF0000FFu);
  // Source 0x80 80 80 00 (tint 0.5, 0.5, 0 at alpha 0.5) over blue.
  EXPECT_TRUE(Near(f.At(21, 21), 0xFF40407Fu)) << std::hex << f.At(21, 21);
  EXPECT_EQ(f.At(19, 21), 0xFF0000FFu);
}

TEST_F(DisplayTest, BlendModesOfTheRenderer) {
  ASSERT_TRUE(Open());
  TTextureRef t = MakeTexture(2, 2, [](int, int) { return 0x80FF8000u; });
  TRenderer* r = TRenderer::GetInstance();
  auto at = [&](int mode, uint32_t dst) {
    const auto& f = Frame([&] {
      r->SetBlendMode(mode);
      t->DrawAt(0, 0, 1, 1, 0, TDrawParams::kAnchorAtCenter);
      r->SetBlendMode(kBlendModeAlpha);
    }, dst);
    return f.At(0, 0) & 0x00FFFFFFu;
  };
  EXPECT_TRUE(Near(at(kBlendModeAlpha, 0xFF404040u), 0x9F6020u)) << std::hex << at(kBlendModeAlpha, 0xFF404040u);
  EXPECT_TRUE(Near(at(kBlendModeAdditive, 0xFF404040u), 0xBF8040u));
  EXPECT_TRUE(Near(at(kBlendModeSubtractive, 0xFF808080u), 0x003F80u));   // dst x (1 - src)
  EXPECT_TRUE(Near(at(kBlendModeRender, 0xFF404040u), 0xFFA020u));        // src + dst x (1 - a)
  r->SetRenderOption("new_subtractive", "0");
  EXPECT_TRUE(Near(at(kBlendModeSubtractive, 0xFF808080u), 0x804000u));   // dst x src
  r->SetRenderOption("new_render_blend", "0");
  EXPECT_TRUE(Near(at(kBlendModeRender, 0xFF404040u), 0x9F6020u));        // as mode 0
}

// The renderer's states a game may set that the demo leaves alone: culling
// each way, each addressing mode on each axis, whole texels with
// "linearfilter" 0, and lights on format-0 vertices (the ambient light, a
// directional light straight on and at 60 degrees, a point light off centre).
TEST_F(DisplayTest, CullingAddressingFilteringAndLightsOfTheRenderer) {
  ASSERT_TRUE(Open());
  TRenderer* r = TRenderer::GetInstance();
  auto screen = [](float x, float y, float u = 0, float v = 0) {
    return TScreenVertex{x, y, 0, 1, 0xFF30C050u, 0, u, v};
  };
  // Clockwise on the screen at the left, counter-clockwise at the right.
  TScreenVertex pair[6] = {screen(10, 10), screen(30, 10), screen(10, 30),
                           screen(50, 10), screen(50, 30), screen(70, 10)};
  for (int mode : {1, 2, 3}) {
    const auto& f = Frame([&] {
      r->SetCullMode(mode);
      TVertexSet* set = MakeVertexSet3(pair, 6);
      EXPECT_TRUE(r->DrawVertices(kPrimTriangleList, set));
      FreeVertexSet(set);
      r->SetCullMode(1);
    });
    EXPECT_EQ(f.At(14, 14) == 0xFF30C050u, mode != 2) << mode;  // 2 leaves out clockwise triangles
    EXPECT_EQ(f.At(54, 14) == 0xFF30C050u, mode != 3) << mode;
  }

  // A 2 x 2 texture over 8 x 8 pixels, u and v from -1 to 1 (texels -2 to 1): two pixels a texel.
  const uint32_t texels[4] = {0xFF2040C0u, 0xFFC08020u, 0xFF10E070u, 0xFF9010F0u};
  TTextureRef t = MakeTexture(2, 2, [&](int x, int y) { return texels[2 * y + x]; });
  ASSERT_TRUE(t);
  TScreenVertex quad[4] = {screen(100, 10, -1, -1), screen(108, 10, 1, -1), screen(108, 18, 1, 1),
                           screen(100, 18, -1, 1)};
  for (auto& v : quad) v.diffuse = 0xFFFFFFFFu;
  // The quad's two halves as a list: each triangle drawn on its own, not as a rectangle.
  TScreenVertex halves[6] = {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]};
  auto texel = [](int mode, int k) -> int {  // the texel of the k-th pair of pixels (k = 0 .. 3) along an axis
    const int i = k - 2;
    return mode == ::kAddressWrap ? (i + 2) % 2 : mode == ::kAddressMirror ? (i == -2 || i == 1) : std::max(i, 0);
  };
  const int modes[3][2] = {
      {::kAddressWrap, ::kAddressMirror}, {::kAddressMirror, ::kAddressClamp}, {::kAddressClamp, ::kAddressWrap}};
  for (const auto& m : modes)
    for (bool list : {false, true}) {
      const auto& f = Frame([&] {
        r->SetRenderOption("linearfilter", "0");  // at once, inside a 2-D pass
        r->SetTexture(t);
        r->SetTextureAddressMode(m[0], m[1]);
        TVertexSet* set = list ? MakeVertexSet3(halves, 6) : MakeVertexSet3(quad, 4);
        r->DrawVertices(list ? kPrimTriangleList : kPrimTriangleFan, set);
        FreeVertexSet(set);
        r->SetTextureAddressMode(::kAddressClamp, ::kAddressClamp);
      });
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          ASSERT_EQ(f.At(100 + x, 10 + y), texels[2 * texel(m[1], y / 2) + texel(m[0], x / 2)])
              << "modes " << m[0] << "," << m[1] << (list ? ", triangles" : ", rectangle") << ", pixel " << x << ","
              << y;
    }
  // u and v from 0 to 2, filtered.
  TScreenVertex ahead[4] = {quad[0], quad[1], quad[2], quad[3]};
  for (auto& v : ahead) {
    v.u += 1;
    v.v += 1;
  }
  const auto& mixed = Frame([&] {
    r->SetRenderOption("linearfilter", "1");
    r->SetTexture(t);
    TVertexSet* set = MakeVertexSet3(ahead, 4);
    r->DrawVertices(kPrimTriangleFan, set);
    FreeVertexSet(set);
  });
  EXPECT_FALSE(mixed.At(101, 11) == texels[0]);  // between four texels: filtered
  // A quarter of a texel past the first one's centre on both axes: 9/16, 3/16, 3/16 and 1/16 of the four.
  EXPECT_TRUE(Near(mixed.At(101, 11), 0xFF426796u, 2)) << std::hex << mixed.At(101, 11);

  // Lit: a quad facing the viewer (normals towards -z), over 20 x 20 pixels.
  TVertex lit[4] = {{150, 10, 0.5f, 0, 0, -1, 0, 0}, {170, 10, 0.5f, 0, 0, -1, 0, 0}, {170, 30, 0.5f, 0, 0, -1, 0, 0},
                    {150, 30, 0.5f, 0, 0, -1, 0, 0}};
  auto litFrame = [&](const TLight* light) -> const sdev::test::Frame& {
    return Frame([&] {
      r->SetTexture(TTextureRef());
      r->SetAmbientLight(TFloatColor(0.2f, 0.1f, 0.3f, 1));
      if (light) r->SetLight(0, *light);
      TVertexSet* set = MakeVertexSet0(lit, 4);
      r->DrawVertices(kPrimTriangleFan, set);
      FreeVertexSet(set);
    });
  };
  EXPECT_TRUE(Near(litFrame(nullptr).At(160, 20), 0xFF331A4Du)) << std::hex << litFrame(nullptr).At(160, 20);
  // The light's own ambient colour adds 0.1 red to the 0.2, 0.1, 0.3 of the ambient light.
  TLight sun;
  sun.diffuse = TFloatColor(0.5f, 0.25f, 0.125f, 1);
  sun.ambient = TFloatColor(0.1f, 0, 0, 0);
  sun.direction = TVec3(0, 0, 1);  // straight on: all of the diffuse colour
  EXPECT_TRUE(Near(litFrame(&sun).At(160, 20), 0xFFCC596Cu)) << std::hex << litFrame(&sun).At(160, 20);
  sun.direction = TVec3(0, -0.8660254f, 0.5f);  // 60 degrees off: half
  EXPECT_TRUE(Near(litFrame(&sun).At(160, 20), 0xFF8C395Cu)) << std::hex << litFrame(&sun).At(160, 20);
  TLight lamp = sun;
  lamp.type = 1;
  lamp.position = TVec3(150, 10, -10.5f);  // in front of the top-left corner
  const auto& f = litFrame(&lamp);
  EXPECT_TRUE(Near(f.At(150, 10), 0xFFCC596Cu, 4)) << std::hex << f.At(150, 10);  // straight on there
  EXPECT_LT(f.At(169, 29) >> 16 & 0xFF, 0xA0u) << std::hex << f.At(169, 29);      // far and aslant there
  EXPECT_GT(f.At(169, 29) >> 16 & 0xFF, 0x5Fu) << std::hex << f.At(169, 29);
}

TEST_F(DisplayTest, CopyToScreenBlitsUnblended) {
  ASSERT_TRUE(Open());
  TTextureRef t = MakeTexture(4, 4, [](int x, int) { return x < 2 ? 0x00112233u : 0xFF445566u; });
  TRect src(1, 0, 3, 2);
  const auto& f = Frame([&] { t->CopyToScreen(100, 50, &src); }, 0xFF000000u);
  EXPECT_EQ(f.At(100, 50) & 0xFFFFFFu, 0x112233u);
  EXPECT_EQ(f.At(101, 51) & 0xFFFFFFu, 0x445566u);
  EXPECT_EQ(f.At(102, 50), 0xFF000000u);
}

// --- Texture data ---

class SixteenBitTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    TRenderer::GetInstance()->SetRenderOption("16bitmode", "1");
    ASSERT_TRUE(Open(640, 480, true));
  }
};

TEST_F(SixteenBitTest, UploadAndReadBackConvertAtTheMasks) {
  TDxTextureData d;
  ASSERT_TRUE(d.CreateSurface(2, 1, true));
  ASSERT_EQ(d.GetSurface()->Format(), MakeFormat(Format::R5G6B5));
  uint32_t px[2] = {0xFFFF8040u, 0xFF000000u};
  ASSERT_TRUE(d.Upload(px, 2));
  const uint16_t* raw = reinterpret_cast<const uint16_t*>(d.GetSurface()->Bits());
  EXPECT_EQ(raw[0], uint16_t(0x1F << 11 | 0x20 << 5 | 0x08));
  uint32_t back[2];
  ASSERT_TRUE(d.ReadPixels(2, 1, back));
  EXPECT_EQ(back[0], 0xFFF88040u);  // 5-bit red 0x1F reads back as 0xF8
  TDxTextureData a;
  a.options = TTextureData::kOptAlpha;
  ASSERT_TRUE(a.CreateSurface(1, 1, true));
  ASSERT_EQ(a.GetSurface()->Format(), MakeFormat(Format::A4R4G4B4));
  uint32_t half = 0x80FF0000u;
  ASSERT_TRUE(a.Upload(&half, 1));
  EXPECT_EQ(reinterpret_cast<const uint16_t*>(a.GetSurface()->Bits())[0], 0x8F00);
}

TEST_F(SixteenBitTest, LockGivesACopyWrittenBackOnUnlock) {
  TTextureRef t = TTexture::CreateBlank(2, 2, false);
  ASSERT_TRUE(t);
  auto* d = dynamic_cast<TDxTextureData*>(t->GetData());
  uint32_t* px = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(t->Lock(&px, &pitch));
  EXPECT_NE(static_cast<void*>(px), static_cast<void*>(d->GetSurface()->Bits()));
  px[0] = 0xFF00FF00u;
  t->Unlock();
  EXPECT_EQ(reinterpret_cast<const uint16_t*>(d->GetSurface()->Bits())[0], 0xF0F0);
}

TEST_F(DisplayTest, ArgbTexturesLockInPlace) {
  ASSERT_TRUE(Open());
  TTextureRef t = TTexture::CreateBlank(4, 4, false);
  auto* d = dynamic_cast<TDxTextureData*>(t->GetData());
  uint32_t* px = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(t->Lock(&px, &pitch));
  EXPECT_EQ(static_cast<void*>(px), static_cast<void*>(d->GetSurface()->Bits()));
  EXPECT_EQ(pitch, 4u);
  t->Unlock();
  uint32_t w = 0, h = 0;
  t->GetAllocatedSize(&w, &h);
  EXPECT_EQ(w, 4u);
}

TEST_F(DisplayTest, CreationLadderEdgeCases) {
  test::Config cfg = test::DefaultConfig();
  cfg.adapters[0].d3dDevices[0].second.squareOnly = 1;
  Fault::Install(cfg);
  ASSERT_TRUE(Open());
  TTextureRef t = MakeTexture(4, 2, Quadrants);
  uint32_t w = 0, h = 0;
  t->GetAllocatedSize(&w, &h);
  EXPECT_EQ(w, 4u);
  EXPECT_EQ(h, 4u);
  EXPECT_EQ(t->GetData()->offsetX, 0u);  // the picture stays at the top-left
  const auto& f = Frame([&] { t->DrawAt(0, 0, 1, 1, 0, TDrawParams::kAnchorAtCenter); });
  EXPECT_EQ(f.At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(f.At(3, 1), 0xFF0000FFu);
  EXPECT_EQ(f.At(0, 2), 0xFF000000u);

  TDxTextureData d;
  Fault::FailNext(test::Op::CreateSurface, err::kTexCreate24E);
  EXPECT_FALSE(d.CreateSurface(100, 30, false));
  EXPECT_FALSE(d.HasSurface());
  EXPECT_EQ(d.width, 128u);
  EXPECT_EQ(d.height, 128u);  // square on this device
  // An upload the device's loader refuses answers false, logged; the next one goes through.
  TDxTextureData up;
  ASSERT_TRUE(up.CreateSurface(2, 2, false));
  ASSERT_TRUE(up.createdThroughD3DX);
  const uint32_t two[4] = {0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u};
  {
    TLogCapture refused;
    Fault::FailNext(test::Op::D3DXLoad, err::kInvalidArg);
    EXPECT_FALSE(up.Upload(two, 2));
    EXPECT_TRUE(refused.Contains("DX Error"));
  }
  EXPECT_TRUE(up.Upload(two, 2));

  // A 32-bit display whose device offers only 16-bit textures.
  cfg = test::DefaultConfig();
  cfg.adapters[0].textureFormats = {MakeFormat(Format::A4R4G4B4), MakeFormat(Format::R5G6B5)};
  Fault::Install(cfg);
  ASSERT_TRUE(Open());
  TLogCapture log;
  TTextureRef low = TTexture::CreateBlank(8, 8, false);
  ASSERT_TRUE(low);
  EXPECT_TRUE(log.Contains("D3DXCreateTexture::CreateSurface: Created a 16 bit texture when requesting 32 bits. "
                           "Switching to 16 bit mode"));
  EXPECT_TRUE(handler_->Data().lowVideoMemory);
}

// The loader's flags and name options, each on a picture without alpha: the
// alpha flag and "?alpha" keep an alpha channel, mip-maps load the same
// picture, a cursor picture gets a plain surface of its own size (on a device
// of square textures), in system memory with "?slow"; each combination is a
// texture of its own.
TEST_F(DisplayTest, LoaderFlagsAndNameOptionsMakeTheirOwnSurfaces) {
  test::Config cfg = test::DefaultConfig();
  cfg.adapters[0].d3dDevices[0].second.squareOnly = 1;
  Fault::Install(cfg);
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  dir_.Write("photo.jpg", image_writers::EncodeJpeg(std::vector<uint32_t>(6 * 3, 0xFF2050F0u), 6, 3));
  struct Case {
    const char* name;
    bool flagged;
    uint32_t flags;
    bool alpha, plain, system;
  } cases[] = {{"photo.jpg", false, 0, false, false, false},
               {"photo.jpg", false, TTexture::kFlagAlpha, true, false, false},
               {"photo.jpg", false, TTexture::kFlagMipMaps, false, false, false},
               {"photo.jpg", true, 0, false, true, false},
               {"photo.jpg?alpha", true, 0, true, true, false},
               {"photo.jpg?slow", true, 0, false, true, true},
               {"photo.jpg?alpha,slow", true, 0, true, true, true}};
  std::vector<TTextureRef> made;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.flagged ? " flagged" : "") + ", flags " + std::to_string(c.flags));
    TTextureRef t = c.flagged ? TTexture::GetFlagged(c.name) : TTexture::Get(c.name, c.flags);
    ASSERT_TRUE(t);
    for (const TTextureRef& other : made) EXPECT_NE(t, other);
    made.push_back(t);
    const sdev::Surface* s = dynamic_cast<TDxTextureData*>(t->GetData())->GetSurface();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ((s->Format().flags & kPfAlphaPixels) != 0, c.alpha);
    EXPECT_EQ((s->Caps() & caps::kOffscreenPlain) != 0, c.plain);
    EXPECT_EQ((s->Caps() & caps::kSystemMemory) != 0, c.system);
    EXPECT_EQ(t->GetAllocatedSize(), c.plain ? TPoint(6, 3) : TPoint(8, 8));
    if (c.plain) continue;
    const auto& f = Frame([&] { t->DrawAt(3, 5, 1, 1, 0, TDrawParams::kAnchorAtCenter); });
    EXPECT_TRUE(Near(f.At(8, 7), 0xFF2050F0u, 2)) << std::hex << f.At(8, 7);
    EXPECT_EQ(f.At(9, 7), 0xFF000000u);
  }
}

TEST_F(DisplayTest, RegistryKeysShareAndForgetTextures) {
  ASSERT_TRUE(Open());
  TTextureRef a = TTexture::CreateBlank(2, 2, false), b = TTexture::CreateBlank(2, 2, true);
  EXPECT_EQ(a->GetKey().Substring(a->GetKey().Length() - 6), ":tex:r");
  EXPECT_NE(a->GetKey(), b->GetKey());
  EXPECT_EQ(AssetCast<TTexture>(assets_.Find(a->GetKey())), a);
  TString key = a->GetKey();
  a.reset();
  EXPECT_FALSE(assets_.Find(key));
  assets_.ReleaseAll();
  EXPECT_EQ(assets_.GetEntryCount(), 1u);
}

}  // namespace

namespace {
TEST_F(DisplayTest, HugeAndNonFiniteTransformsDrawWithoutFault) {
  ASSERT_TRUE(Open());
  TTextureRef t = MakeTexture(4, 4, Quadrants);
  TRenderer* r = TRenderer::GetInstance();
  const auto& f = Frame([&] {
    for (float s : {1e10f, -1e10f, 3e38f, std::numeric_limits<float>::infinity(), std::nanf("")}) {
      t->DrawAt(50, 50, 1, s, 0, 0);
      t->DrawAt(50, 50, 1, s, 0.5f, 0);
      t->DrawAt(s, s, 1, 2, 0, 0);
    }
    r->FillRect(TRect(0, 0, 2, 2), TFloatColor(0, 1, 0, 1));
  });
  EXPECT_EQ(f.At(0, 0), 0xFF00FF00u);
}
}  // namespace

// --- Kept pictures ---

namespace {

// Every kind of alpha, different in every pixel of a row that is not a power of two long.
uint32_t Mottled(int x, int y) {
  const uint32_t rgb = (uint32_t(x * 37 + y * 11) & 0xFF) << 16 | (uint32_t(x * 5 + y * 91) & 0xFF) << 8 |
                       (uint32_t(x * 71 + y * 3) & 0xFF);
  const uint32_t alpha = (x + 2 * y) % 5 == 0 ? 0u : (x + y) % 3 == 0 ? 255u : uint32_t(x * 23 + y * 7) & 0xFF;
  return alpha << 24 | rgb;
}

std::vector<uint32_t> Fill(int w, int h, uint32_t (*fn)(int, int)) {
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[size_t(y) * size_t(w) + size_t(x)] = fn(x, y);
  return px;
}

// The display with the file layer's clock an hour ahead, so that every file
// written here has settled times (its pictures may be kept), and the kept
// pictures emptied at both ends.
class KeptPicturesTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    SetFileLayerClock(&Later, 0);
    keptpictures::Clear();
  }
  void TearDown() override {
    keptpictures::Clear();
    keptpictures::SetLimit(kKeptPicturesLimit, kKeptPicturesAllowance);
    SetFileLayerClock(nullptr, 0);
    DisplayTest::TearDown();
  }
  static int64_t Later() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
               .count() +
           int64_t(3600) * 1000000000;
  }
  // The picture as its texture's surface holds it, read in place (which
  // leaves the surface as it was: no lock).
  static std::vector<uint32_t> Pixels(const TTextureRef& t) {
    auto* d = t ? dynamic_cast<TDxTextureData*>(t->GetData()) : nullptr;
    if (!d || !d->GetSurface()) return {};
    const Surface* s = d->GetSurface();
    std::vector<uint32_t> px(size_t(t->GetWidth()) * t->GetHeight());
    for (uint32_t y = 0; y < t->GetHeight(); ++y)
      std::memcpy(&px[size_t(y) * t->GetWidth()], s->Bits() + size_t(y) * size_t(s->Pitch()), t->GetWidth() * 4);
    return px;
  }
  static keptpictures::TCounts Counts() { return keptpictures::GetCounts(); }
  static int64_t CoarseNow() { return gCoarseNow; }
  static int64_t gCoarseNow;
};
int64_t KeptPicturesTest::gCoarseNow = 0;

// A texture made again, under any of its names and flags, takes the pixels
// its last texture gave back instead of decoding its file again, and holds
// exactly what a decode gives: a PNG with every kind of alpha, a JPEG, a
// colour picture with a mask, a cursor picture (another upload), an
// animation's frames. Pictures are given back when their texture goes, and
// leave the cache when taken.
TEST_F(KeptPicturesTest, ATextureMadeAgainTakesThePixelsItsLastTextureGaveBack) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  const std::vector<uint32_t> mottled = Fill(23, 9, Mottled);
  dir_.Write("pic.png", image_writers::EncodePng(mottled, 23, 9));
  dir_.Write("photo.jpg", image_writers::EncodeJpeg(Fill(20, 12, [](int x, int y) { return Mottled(x, y) | 0xFF000000u; }), 20, 12));
  dir_.Write("mask.png", image_writers::EncodePng(Fill(20, 12, [](int x, int y) { return 0xFF000000u | uint32_t(x * 12 + y) * 0x010101u; }), 20, 12));
  TTextureRef t = TTexture::Get("pic");
  ASSERT_TRUE(t);
  EXPECT_EQ(Pixels(t), mottled);
  EXPECT_EQ(keptpictures::Count(), 0u);
  const keptpictures::TCounts start = Counts();
  EXPECT_EQ(start.decodes, 1u);
  EXPECT_EQ(start.files, 1u);
  EXPECT_EQ(start.fileBytes, 23u * 9 * 4);
  t.reset();
  EXPECT_EQ(keptpictures::Count(), 1u);
  EXPECT_EQ(keptpictures::Bytes(), 23u * 9 * 4);
  // Another name of the same file, alpha asked for.
  t = TTexture::Get("pic.png", TTexture::kFlagAlpha);
  EXPECT_EQ(Pixels(t), mottled);
  EXPECT_EQ(keptpictures::Count(), 0u);
  EXPECT_EQ(Counts().decodes, 1u);
  EXPECT_EQ(Counts().taken, 1u);
  // Each kind of load, made twice: the second takes what the first gave back.
  struct TLoad {
    const char* what;
    std::function<TTextureRef()> make;
    bool drawn;  // a texture (a cursor picture is a plain surface)
  };
  const TLoad loads[] = {
      {"a JPEG", [] { return TTexture::Get("photo"); }, true},
      {"a masked picture", [] { return TTexture::GetWithMask("photo.jpg", "mask"); }, true},
      {"a cursor picture", [] { return TTexture::GetFlagged("pic?alpha"); }, false},
  };
  for (const TLoad& load : loads) {
    SCOPED_TRACE(load.what);
    TTextureRef first = load.make();
    ASSERT_TRUE(first);
    const std::vector<uint32_t> decoded = Pixels(first);
    ASSERT_FALSE(decoded.empty());
    const keptpictures::TCounts before = Counts();
    first.reset();
    TTextureRef again = load.make();
    EXPECT_EQ(Pixels(again), decoded);
    EXPECT_EQ(Counts().decodes, before.decodes);
    EXPECT_EQ(Counts().taken, before.taken + 1);
    if (load.drawn) {
      const auto& f = Frame([&] { again->DrawAt(3, 5, 1, 1, 0, TDrawParams::kAnchorAtCenter); });
      EXPECT_NE(f.At(10, 8), 0xFF000000u);
    }
  }
  EXPECT_EQ(Pixels(TTexture::GetWithMask("photo.jpg", "mask"))[size_t(11) * 20 + 19] >> 24, 19u * 12 + 11);  // alpha of x 19, y 11: 12 x + y (the mask's red)
  // The frames of an animation, one of them kept: only the others are
  // decoded (side by side, ahead of their textures).
  for (int i = 1; i <= 3; ++i)
    dir_.Write("frame" + std::to_string(i) + ".png",
               image_writers::EncodePng(Fill(8, 8, [](int x, int y) { return Mottled(y, x); }), 8, 8));
  TTexture::Get("frame2").reset();
  const keptpictures::TCounts before = Counts();
  std::vector<TTextureRef> frames = TTexture::GetMany({"frame1", "frame2", "frame3"});
  ASSERT_EQ(frames.size(), 3u);
  for (const TTextureRef& f : frames) EXPECT_EQ(Pixels(f), Fill(8, 8, [](int x, int y) { return Mottled(y, x); }));
  EXPECT_EQ(Counts().decodes, before.decodes + 2);
  EXPECT_EQ(Counts().taken, before.taken + 1);
}

// A picture is told by its files as they are now: one changed on disk since
// (colour or mask, a loose file or a pack archive's member) is decoded
// again; one whose file's times have not settled yet (a change within the
// file system's tick would leave them as they were) and a memory file are
// never kept, and neither is one whose texture changed its pixels (a lock
// written through, a copy into it); a lock that only reads leaves the
// texture giving its picture back.
TEST_F(KeptPicturesTest, OnlyThePicturesAsTheFilesHoldThemNowAreKept) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  const std::vector<uint32_t> mottled = Fill(23, 9, Mottled);
  const std::vector<uint32_t> turned = Fill(23, 9, [](int x, int y) { return Mottled(22 - x, 8 - y); });
  dir_.Write("pic.png", image_writers::EncodePng(mottled, 23, 9));
  TTexture::Get("pic").reset();
  ASSERT_EQ(keptpictures::Count(), 1u);
  dir_.Write("pic.png", image_writers::EncodePng(turned, 23, 9));  // the same size, other pixels
  TTextureRef t = TTexture::Get("pic");
  EXPECT_EQ(Pixels(t), turned);
  EXPECT_EQ(Counts().taken, 0u);
  t.reset();
  dir_.Write("grey.png", image_writers::EncodePng(Fill(23, 9, [](int, int) { return 0xFF404040u; }), 23, 9));
  TTexture::GetWithMask("pic", "grey").reset();
  dir_.Write("grey.png", image_writers::EncodePng(Fill(23, 9, [](int, int) { return 0xFFC0C0C0u; }), 23, 9));
  EXPECT_EQ(Pixels(TTexture::GetWithMask("pic", "grey"))[0] >> 24, 0xC0u);
  EXPECT_EQ(Counts().taken, 0u);
  // A member of a pack archive, the archive written again.
  dir_.Write("source.png", image_writers::EncodePng(mottled, 23, 9));
  ASSERT_TRUE(WritePackArchive(dir_.File("assets/data.knp"), {{"packed.png", dir_.File("source.png")}}));
  RefreshFileLayer();
  EXPECT_EQ(Pixels(TTexture::Get("packed")), mottled);
  EXPECT_TRUE(keptpictures::Holds(PictureKeyOf("packed", "")));
  dir_.Write("source.png", image_writers::EncodePng(turned, 23, 9));
  ASSERT_TRUE(WritePackArchive(dir_.File("assets/data.knp"), {{"packed.png", dir_.File("source.png")}}));
  EXPECT_EQ(Pixels(TTexture::Get("packed")), turned);
  EXPECT_EQ(Counts().taken, 0u);

  // Read through a lock: given back all the same. Written through one: the
  // picture as loaded is what stays kept, and what a new texture shows.
  keptpictures::Clear();
  t = TTexture::Get("pic");
  uint32_t* px = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(t->Lock(&px, &pitch));
  EXPECT_EQ(px[0], turned[0]);
  t->Unlock();
  EXPECT_EQ(keptpictures::Count(), 0u);  // the texture holds its picture still
  t.reset();
  EXPECT_EQ(keptpictures::Count(), 1u);
  t = TTexture::Get("pic");
  ASSERT_TRUE(t->Lock(&px, &pitch));
  px[1] = 0xFF123456u;
  t->Unlock();
  EXPECT_EQ(keptpictures::Count(), 1u);
  t.reset();
  EXPECT_EQ(Pixels(TTexture::Get("pic")), turned);
  EXPECT_EQ(Counts().taken, 2u);
  // Drawn into (a copy onto it): nothing given back.
  keptpictures::Clear();
  t = TTexture::Get("pic");
  TTextureRef other = MakeTexture(4, 4, Quadrants);
  other->GetData()->CopyTo(TRect(0, 0, 4, 4), TRect(2, 2, 6, 6), t.get());
  t.reset();
  EXPECT_EQ(keptpictures::Count(), 0u);
  EXPECT_EQ(Pixels(TTexture::Get("pic")), turned);

  // Times not settled (a file system whose times move in ticks of 1000 s,
  // the clock a second into the tick of the file's change): kept by no texture.
  keptpictures::Clear();
  const std::string fresh = dir_.Write("fresh.png", image_writers::EncodePng(mottled, 23, 9));
  struct stat st;
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  constexpr int64_t kTick = int64_t(1000) * 1000000000;
  const int64_t change = int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  gCoarseNow = change - change % kTick + 1000000000;
  SetFileLayerClock(&CoarseNow, kTick);
  TTexture::Get("fresh").reset();
  EXPECT_EQ(keptpictures::Count(), 0u);
  gCoarseNow += 5 * 1000000000LL;  // settled now
  TTexture::Get("fresh").reset();
  EXPECT_EQ(keptpictures::Count(), 1u);
  keptpictures::Clear();
  SetFileLayerClock(&Later, 0);
  RegisterMemoryFile("memory.png", image_writers::EncodePng(mottled, 23, 9));
  TTextureRef memory = TTexture::Get("memory.png");
  ASSERT_TRUE(memory);
  memory.reset();
  EXPECT_EQ(keptpictures::Count(), 0u);
  UnregisterMemoryFile("memory.png");
}

// After a device reset every texture shows its picture again: one that
// still held it as loaded takes the pixels it kept over the reset (no
// decode), one whose pixels changed is loaded again from its file, and
// after a real loss (every surface's contents gone) all are.
TEST_F(KeptPicturesTest, ADeviceResetRestoresEveryPictureFromItsPixelsOrItsFile) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  const std::vector<uint32_t> mottled = Fill(23, 9, Mottled);
  dir_.Write("pic.png", image_writers::EncodePng(mottled, 23, 9));
  dir_.Write("green.png", image_writers::EncodePng(std::vector<uint32_t>(16 * 16, 0xFF00C000u), 16, 16));
  TTextureRef t = TTexture::Get("pic"), changed = TTexture::Get("green");
  uint32_t* px = nullptr;
  uint32_t pitch = 0;
  ASSERT_TRUE(changed->Lock(&px, &pitch));
  px[0] = 0xFF0000FFu;
  changed->Unlock();
  EXPECT_EQ(keptpictures::Count(), 1u);  // the changed one's picture as loaded, kept at its lock
  const keptpictures::TCounts before = Counts();
  Fault::ChangeMode();  // the mode changed under us: a full reset
  Frame([] {});
  EXPECT_EQ(Pixels(t), mottled);
  EXPECT_EQ(Pixels(changed)[0], 0xFF00C000u);  // as its file has it
  EXPECT_EQ(Counts().decodes, before.decodes);
  EXPECT_EQ(Counts().taken, before.taken + 2);
  EXPECT_EQ(keptpictures::Count(), 0u);
  Fault::LoseDevice();
  Fault::RegainFocus();
  Frame([] {});
  EXPECT_EQ(Pixels(t), mottled);
  EXPECT_EQ(Pixels(changed)[0], 0xFF00C000u);
  EXPECT_EQ(Counts().decodes, before.decodes + 2);
  const auto& f = Frame([&] { t->DrawAt(0, 0, 1, 1, 0, TDrawParams::kAnchorAtCenter); });
  EXPECT_EQ(f.At(3, 0), mottled[3]);  // Mottled(3, 0): opaque
}

// The kept pictures hold no more than their limit, and with the textures
// never more than the most texture memory seen plus the allowance; room is
// made by the pictures worth least (loads per byte), among equals the
// oldest; one larger than the room is not kept; new textures take their
// room back. Counted in bytes, not timed.
TEST_F(KeptPicturesTest, TheKeptPicturesStayWithinTheirBound) {
  ASSERT_TRUE(Open());
  testing_support::ScopedChdir cd(dir_.Path());
  constexpr uint64_t kPicture = 16 * 16 * 4;
  for (int i = 0; i < 6; ++i)
    dir_.Write("p" + std::to_string(i) + ".png", image_writers::EncodePng(Fill(16, 16, Mottled), 16, 16));
  dir_.Write("big.png", image_writers::EncodePng(Fill(40, 40, Mottled), 40, 40));
  keptpictures::SetLimit(4 * kPicture, 0);
  const int64_t base = handler_->Data().textureBytes;
  auto name = [](int i) { return TString("p" + std::to_string(i)); };
  std::vector<TTextureRef> live;
  for (int i = 0; i < 6; ++i) live.push_back(TTexture::Get(name(i)));
  const uint64_t most = uint64_t(handler_->Data().textureBytes);
  EXPECT_EQ(most, uint64_t(base) + 6 * kPicture);
  // p0 loaded three times and p1 twice while the others live.
  for (int n = 0; n < 2; ++n) {
    live[0].reset();
    live[0] = TTexture::Get(name(0));
  }
  live[1].reset();
  live[1] = TTexture::Get(name(1));
  for (TTextureRef& t : live) {
    t.reset();
    EXPECT_LE(keptpictures::Bytes(), keptpictures::Room());
    EXPECT_LE(keptpictures::Bytes() + uint64_t(handler_->Data().textureBytes), most);
  }
  // The six given back into room for four: p2 and p3 (loaded once, the oldest) went.
  EXPECT_EQ(keptpictures::Count(), 4u);
  EXPECT_EQ(keptpictures::Bytes(), 4 * kPicture);
  for (int i : {0, 1, 4, 5}) EXPECT_TRUE(keptpictures::Holds(PictureKeyOf(name(i), ""))) << i;
  const keptpictures::TCounts before = Counts();
  for (int i : {0, 1, 5}) TTexture::Get(name(i)).reset();
  EXPECT_EQ(Counts().decodes, before.decodes);
  TTexture::Get(name(2)).reset();  // decoded, kept: p4, loaded once and the oldest such, goes
  EXPECT_EQ(Counts().decodes, before.decodes + 1);
  EXPECT_FALSE(keptpictures::Holds(PictureKeyOf(name(4), "")));
  EXPECT_EQ(keptpictures::Count(), 4u);
  // Textures made now take room back: with no allowance the two together
  // stay within the most texture memory seen.
  std::vector<TTextureRef> blanks;
  for (int i = 0; i < 3; ++i) blanks.push_back(TTexture::CreateBlank(16, 16, false));
  EXPECT_EQ(keptpictures::Count(), 3u);
  EXPECT_LE(keptpictures::Bytes() + uint64_t(handler_->Data().textureBytes), most);
  // A picture larger than the room is not kept (here: than the limit).
  TTexture::Get("big").reset();
  EXPECT_FALSE(keptpictures::Holds(PictureKeyOf("big", "")));
  EXPECT_LE(keptpictures::MostBytes(), 4 * kPicture);
  // A lower limit makes room at once.
  keptpictures::SetLimit(kPicture / 2, kKeptPicturesAllowance);
  EXPECT_EQ(keptpictures::Count(), 0u);
  EXPECT_EQ(keptpictures::Bytes(), 0u);
}

}  // namespace

