// The software display device: coverage, line and blend rules, clipping,
// texture addressing, 16-bit emulation, blits, loss and video memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <sstream>
#include <vector>

#include "render/sdev/fault.h"
#include "render/sdev/sdev.h"

using namespace sdev;
using sdev::test::Fault;

namespace {

struct TLV {
  float x, y, z, rhw;
  uint32_t diffuse, specular;
  float u, v;
};

TLV V(float x, float y, uint32_t c = 0xFFFFFFFF, float u = 0, float v = 0) { return TLV{x, y, 0, 1, c, 0, u, v}; }

// An off-screen render target with its device, in a scene.
class Canvas {
public:
  // Stops at the first part it cannot make (dev stays null).
  explicit Canvas(int w, int h, Format f = Format::X8R8G8B8) {
    if (DirectDraw::Create(nullptr, &dd) != err::kOk) {
      ADD_FAILURE() << "no DirectDraw object";
      dd = nullptr;
      return;
    }
    dd->SetCooperativeLevel(nullptr, kCoopNormal);
    target = MakeSurface(w, h, f, caps::kOffscreenPlain | caps::k3DDevice);
    dd->QueryDirect3D(&d3d);
    Guid hal = Fault::Current().adapters[0].d3dDevices[0].second.guid;
    if (!target || !d3d || d3d->CreateDevice(hal, target, &dev) != err::kOk) {
      ADD_FAILURE() << "no device";
      dev = nullptr;
      return;
    }
    dev->SetRenderState(RS::CullMode, kCullNone);
    dev->SetRenderState(RS::Lighting, 0);
    dev->SetTextureStageState(0, TSS::ColorArg2, kArgDiffuse);
    dev->SetTextureStageState(0, TSS::AlphaOp, kOpModulate);
    dev->SetTextureStageState(0, TSS::AlphaArg2, kArgDiffuse);
    EXPECT_EQ(dev->BeginScene(), err::kOk);
    Fill(0);
  }
  ~Canvas() {
    if (dev) dev->EndScene();
    for (Surface* s : owned) s->Release();
    if (dev) dev->Release();
    if (d3d) d3d->Release();
    if (target) target->Release();
    if (dd) dd->Release();
  }
  Surface* MakeSurface(int w, int h, Format f, uint32_t c) {
    SurfaceDesc d;
    d.flags = kSdCaps | kSdWidth | kSdHeight | kSdPixelFormat;
    d.caps = c;
    d.width = uint32_t(w);
    d.height = uint32_t(h);
    d.format = MakeFormat(f);
    Surface* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(d, &s), err::kOk);
    return s;
  }
  // A texture filled by fn(x, y).
  Surface* Texture(int w, int h, uint32_t (*fn)(int, int), Format f = Format::A8R8G8B8) {
    Surface* t = MakeSurface(w, h, f, caps::kTexture);
    owned.push_back(t);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) EncodePixel(t->Format(), t->Bits() + y * t->Pitch() + x * BytesPerPixel(t->Format()), fn(x, y));
    t->Touch();
    return t;
  }
  void Fill(uint32_t argb) {
    BltFx fx;
    fx.fillColor = EncodeColor(target->Format(), argb);
    target->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx);
  }
  uint32_t At(int x, int y) const {
    return DecodePixel(target->Format(), target->Bits() + y * target->Pitch() + x * BytesPerPixel(target->Format()));
  }
  uint32_t Raw(int x, int y) const { return reinterpret_cast<const uint32_t*>(target->Bits() + y * target->Pitch())[x]; }
  HResult Draw(PrimType t, const std::vector<TLV>& v) { return dev->DrawPrimitive(t, fvf::kTLVertex, v.data(), uint32_t(v.size()), 0); }
  void Quad(float x0, float y0, float x1, float y1, uint32_t c, float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    Draw(PrimType::TriFan, {V(x0, y0, c, u0, v0), V(x1, y0, c, u1, v0), V(x1, y1, c, u1, v1), V(x0, y1, c, u0, v1)});
  }
  void Blend(bool on, uint32_t src = kBlendSrcAlpha, uint32_t dst = kBlendInvSrcAlpha) {
    dev->SetRenderState(RS::AlphaBlendEnable, on);
    dev->SetRenderState(RS::SrcBlend, src);
    dev->SetRenderState(RS::DestBlend, dst);
  }
  int Count(uint32_t raw, int w, int h) const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += Raw(x, y) == raw;
    return n;
  }

  DirectDraw* dd = nullptr;
  Direct3D* d3d = nullptr;
  Surface* target = nullptr;
  Device* dev = nullptr;
  std::vector<Surface*> owned;
};

bool Near(uint32_t a, uint32_t b, int tol = 1) {
  for (int s = 0; s < 32; s += 8) {
    int d = int((a >> s) & 0xFF) - int((b >> s) & 0xFF);
    if (d > tol || d < -tol) return false;
  }
  return true;
}

class SdevTest : public ::testing::Test {
protected:
  void SetUp() override { Fault::Install(test::DefaultConfig()); }
};

// --- Coverage ---

// A transform whose w stays 1 (the 2-D pass) is taken without w: the
// vertices land where the full transform puts them, to the last bit, and
// those that are not finite or far out are still left out.
TEST_F(SdevTest, TheTwoDimensionalPassPlacesVerticesAsTheFullTransform) {
  Canvas c(64, 48, Format::A8R8G8B8);
  std::vector<TLV> v;  // as untransformed, lit vertices: x y z, a word, diffuse, specular, u v
  uint32_t seed = 99;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return float(int(seed >> 9) % 40000) / 100.0f - 100.0f;
  };
  for (int k = 0; k < 300; ++k) v.push_back(V(next(), next(), 0xFF000000u | seed, 0.25f, 0.75f));
  for (float x : {0.5f, 31.5f, -0.5f, 63.5f, 1e9f, std::nanf(""), INFINITY}) v.push_back(V(x, x * 0.5f));
  v.resize(v.size() - v.size() % 3, V(1, 1));
  auto placed = [&](float w3, float shear) {
    const float projection[16] = {2.0f / 64, shear, 0, w3, shear, -2.0f / 48, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
    const float world[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float turned[16] = {1.1f, 0.23f, 0, 0, -0.31f, 0.93f, 0, 0, 0.07f, 0.05f, 1, 0, 3.3f, -1.7f, 0, 1};
    c.dev->SetTransform(Transform::Projection, projection);
    c.dev->SetTransform(Transform::World, shear != 0 ? turned : world);
    std::vector<std::pair<float, float>> at;
    test::SetDrawRecorder([&](const test::DrawCall& call) {
      for (uint32_t i : call.indices) at.push_back({call.vertices[i].x, call.vertices[i].y});
    });
    c.dev->DrawPrimitive(PrimType::TriList, 0x1E2, v.data(), uint32_t(v.size()), 0);
    test::SetDrawRecorder(nullptr);
    return at;
  };
  // A w column of 1e-30 keeps w at 1 for these vertices but takes the full transform; also with
  // x and y mixed and turned, so that each of the transform's terms counts.
  for (float shear : {0.0f, 0.0137f}) {
    const std::vector<std::pair<float, float>> flat = placed(0, shear), full = placed(1e-30f, shear);
    EXPECT_GT(flat.size(), 250u);
    EXPECT_LT(flat.size(), v.size());  // the triangles with a vertex not finite or out of reach are left out
    EXPECT_EQ(flat, full) << "shear " << shear;
  }
}

TEST_F(SdevTest, QuadsCoverPixelsWhoseCentresLieInside) {
  Canvas c(16, 16);
  c.Quad(2, 3, 6, 5, 0xFFFFFFFF);  // integer edges: exactly 4 x 2 pixels
  EXPECT_EQ(c.Count(0xFFFFFFFF, 16, 16), 8);
  EXPECT_EQ(c.Raw(2, 3), 0xFFFFFFFFu);
  EXPECT_EQ(c.Raw(5, 4), 0xFFFFFFFFu);
  EXPECT_EQ(c.Raw(6, 4), 0u);
  c.Fill(0);
  c.Quad(8.5f, 8.5f, 10.5f, 10.5f, 0xFFFFFFFF);  // centres 8.5 and 9.5 inside, 10.5 on the right edge
  EXPECT_EQ(c.Count(0xFFFFFFFF, 16, 16), 4);
  EXPECT_EQ(c.Raw(8, 8), 0xFFFFFFFFu);
  EXPECT_EQ(c.Raw(10, 10), 0u);
}

TEST_F(SdevTest, TrianglesSharingEdgesTouchEachPixelOnce) {
  Canvas c(32, 32);
  c.Blend(true, kBlendOne, kBlendOne);
  std::vector<TLV> fan = {V(16.3f, 15.7f, 0x20202020)};
  for (int k = 0; k <= 12; ++k) {
    float a = k * 6.2831853f / 12;
    fan.push_back(V(16.3f + 13.1f * std::cos(a), 15.7f + 12.9f * std::sin(a), 0x20202020));
  }
  c.Draw(PrimType::TriFan, fan);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_TRUE(c.Raw(x, y) == 0 || c.Raw(x, y) == 0x20202020u) << x << "," << y;
  EXPECT_GT(c.Count(0x20202020u, 32, 32), 400);
}

TEST_F(SdevTest, LinesCoverTheHalfOpenSpanAndPointsTheirPixel) {
  Canvas c(16, 16);
  c.Draw(PrimType::LineList, {V(2, 5), V(7, 5)});
  for (int x = 0; x < 16; ++x) EXPECT_EQ(c.Raw(x, 5) != 0, x >= 2 && x < 7) << x;
  EXPECT_EQ(c.Count(0xFFFFFFFF, 16, 16), 5);
  c.Fill(0);
  c.Draw(PrimType::LineList, {V(7, 5), V(2, 5)});  // the other way round: the same pixels
  EXPECT_EQ(c.Count(0xFFFFFFFF, 16, 16), 5);
  EXPECT_EQ(c.Raw(2, 5), 0xFFFFFFFFu);
  c.Fill(0);
  c.Draw(PrimType::LineStrip, {V(3, 1), V(3, 4), V(0, 7)});  // vertical rows 1..3, then a diagonal
  EXPECT_EQ(c.Raw(3, 1), 0xFFFFFFFFu);
  EXPECT_EQ(c.Raw(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(c.Raw(3, 4), 0u);  // the end point of the vertical stays out
  EXPECT_EQ(c.Raw(2, 4), 0xFFFFFFFFu);  // the diagonal: columns 2.5, 1.5, 0.5
  EXPECT_EQ(c.Raw(1, 5), 0xFFFFFFFFu);
  EXPECT_EQ(c.Raw(0, 6), 0xFFFFFFFFu);
  EXPECT_EQ(c.Count(0xFFFFFFFF, 16, 16), 6);
  c.Fill(0);
  c.Draw(PrimType::PointList, {V(2.7f, 3.2f)});
  EXPECT_EQ(c.Raw(2, 3), 0xFFFFFFFFu);
  EXPECT_EQ(c.Count(0xFFFFFFFF, 16, 16), 1);
}

// --- Blending ---

uint32_t Div255(uint32_t x) { return (2 * x + 255) / 510; }

uint32_t Expected(uint32_t s, uint32_t d, uint32_t fs, uint32_t fd) {
  auto factor = [](uint32_t f, uint32_t s, uint32_t d, int sh) -> uint32_t {
    uint32_t sa = s >> 24, da = d >> 24, sc = (s >> sh) & 0xFF, dc = (d >> sh) & 0xFF;
    switch (f) {
      case kBlendZero: return 0;
      case kBlendOne: return 255;
      case kBlendSrcColor: return sc;
      case kBlendInvSrcColor: return 255 - sc;
      case kBlendSrcAlpha: return sa;
      case kBlendInvSrcAlpha: return 255 - sa;
      case kBlendDestAlpha: return da;
      case kBlendInvDestAlpha: return 255 - da;
      case kBlendDestColor: return dc;
      default: return 255 - dc;
    }
  };
  uint32_t r = 0;
  for (int sh = 0; sh < 32; sh += 8) {
    uint32_t v = ((s >> sh) & 0xFF) * factor(fs, s, d, sh) + ((d >> sh) & 0xFF) * factor(fd, s, d, sh);
    r |= std::min<uint32_t>(255, Div255(v)) << sh;
  }
  return r;
}

TEST_F(SdevTest, BlendFactorsFollowTheFormulaWithinOne) {
  const uint32_t srcs[] = {0x80FF4020u, 0x00FFFFFFu, 0xFF123456u, 0x40808080u, 0xC0FF0000u, 0x01FEFDFCu};
  const uint32_t dsts[] = {0xFF000000u, 0x80102030u, 0xFFFFFFFFu, 0x007F7F7Fu};
  const uint32_t pairs[][2] = {{kBlendSrcAlpha, kBlendInvSrcAlpha}, {kBlendSrcAlpha, kBlendOne},
                               {kBlendZero, kBlendInvSrcColor},     {kBlendZero, kBlendSrcColor},
                               {kBlendOne, kBlendInvSrcAlpha},      {kBlendDestColor, kBlendZero},
                               {kBlendInvDestAlpha, kBlendDestAlpha}, {kBlendOne, kBlendOne}};
  Canvas c(16, 2, Format::A8R8G8B8);
  for (const auto& p : pairs)
    for (uint32_t s : srcs)
      for (uint32_t d : dsts) {
        c.Blend(false);
        c.Fill(d);
        c.Blend(true, p[0], p[1]);
        c.Quad(0, 0, 13, 1, s);  // thirteen pixels: the eight- and four-pixel kernels and the tail
        uint32_t want = Expected(s, d, p[0], p[1]);
        for (int x = 0; x < 13; ++x)
          ASSERT_TRUE(Near(c.Raw(x, 0), want)) << std::hex << "src " << s << " dst " << d << " factors " << p[0]
                                               << "/" << p[1] << " got " << c.Raw(x, 0) << " want " << want;
        EXPECT_EQ(c.Raw(13, 0), d);
      }
}

// x / 255 rounded to the nearest whole number (x / 255 never ends in one half).
uint32_t Round255(uint32_t x) { return (x + 127) / 255; }

uint32_t ExactModulate(uint32_t c, uint32_t m) {
  uint32_t r = 0;
  for (int sh = 0; sh < 32; sh += 8) r |= Round255(((c >> sh) & 0xFF) * ((m >> sh) & 0xFF)) << sh;
  return r;
}

// The alpha pair (source alpha, inverse source alpha) or the additive pair (source alpha, one).
uint32_t ExactBlend(uint32_t s, uint32_t d, bool add) {
  uint32_t a = s >> 24, r = 0;
  for (int sh = 0; sh < 32; sh += 8) {
    uint32_t sc = (s >> sh) & 0xFF, dc = (d >> sh) & 0xFF;
    r |= std::min<uint32_t>(255, Round255(sc * a + dc * (add ? 255 : 255 - a))) << sh;
  }
  return r;
}

uint32_t Scramble(int x, int y) {
  uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 13);
}

// Row 0 mixed colours; row 1 in runs of eight: opaque, transparent, mixed (the kernels' shortcuts).
uint32_t BlendTexel(int x, int y) {
  uint32_t c = Scramble(x, y + 7);
  if (y == 0 || x / 8 % 3 == 2) return c;
  return x / 8 % 3 == 0 ? c | 0xFF000000u : c & 0x00FFFFFFu;
}

// The configuration with the vector kernels limited to `level` (0 none, 1 SSE2, 2 AVX2 too, 3 AVX-512 too).
void UseVectorLevel(int level) {
  test::Config config = test::DefaultConfig();
  config.vectorLevel = level;
  Fault::Install(config);
}

// Rows of every length from 1 to 23, modulated and blended, against the exact formulas.
void CheckRowBlending() {
  Canvas c(32, 2, Format::A8R8G8B8);
  Surface* t = c.Texture(32, 2, BlendTexel);
  c.dev->SetTexture(0, t);
  uint32_t* rows[2] = {reinterpret_cast<uint32_t*>(c.target->Bits()),
                       reinterpret_cast<uint32_t*>(c.target->Bits() + c.target->Pitch())};
  enum { kReplace, kAlpha, kAdd };
  const uint32_t diffuses[] = {0xFFFFFFFFu, 0xFF80C041u, 0xB37FC15Au, 0x01FEFDFCu};
  for (int mode : {kReplace, kAlpha, kAdd}) {
    c.Blend(mode != kReplace, kBlendSrcAlpha, mode == kAdd ? kBlendOne : kBlendInvSrcAlpha);
    for (uint32_t diffuse : diffuses)
      for (int texRow = 0; texRow < 2; ++texRow)
        for (int n = 1; n <= 23; ++n) {  // the eight- and four-pixel kernels and every tail
          for (int x = 0; x < 32; ++x) rows[0][x] = rows[1][x] = Scramble(x + 100, n * 4 + texRow);
          float v0 = texRow / 2.0f, v1 = (texRow + 1) / 2.0f;
          c.Quad(0, 0, float(n), 1, diffuse, 0, v0, n / 32.0f, v1);  // one row of n pixels
          for (int x = 0; x < n; ++x)  // the same pixels one at a time: the plain path
            c.Quad(float(x), 1, float(x + 1), 2, diffuse, x / 32.0f, v0, (x + 1) / 32.0f, v1);
          for (int x = 0; x < 32; ++x) {
            uint32_t dest = Scramble(x + 100, n * 4 + texRow), want = dest;
            if (x < n) {
              uint32_t s = ExactModulate(BlendTexel(x, texRow), diffuse);
              want = mode == kReplace ? s : ExactBlend(s, dest, mode == kAdd);
            }
            std::ostringstream where;
            where << std::hex << "mode " << mode << ", diffuse " << diffuse << ", texture row " << texRow << std::dec
                  << ", length " << n << ", pixel " << x << std::hex << ": want " << want;
            ASSERT_EQ(c.Raw(x, 0), want) << where.str() << ", got " << std::hex << c.Raw(x, 0);
            ASSERT_EQ(c.Raw(x, 1), want) << "one pixel at a time, " << where.str() << ", got " << std::hex << c.Raw(x, 1);
          }
        }
  }
}

TEST_F(SdevTest, ModulationAndAlphaBlendingAreExactOnEveryRowLengthAndEveryPath) {
  for (int level = 0; level <= 3; ++level) {
    SCOPED_TRACE("vector level " + std::to_string(level));
    UseVectorLevel(level);
    CheckRowBlending();
    if (HasFatalFailure()) return;
  }
}

// Draws `draw` (given the canvas and a diffuse colour) over a scrambled
// size x size target with a linearly filtered texture (16 x 16 of
// BlendTexel unless given), in replace, alpha and additive blending and
// three diffuse colours, on every vector level: each level must give exactly
// the pixels of the plain formulas.
void ExpectTheSamePixelsOnEveryPath(int size, const std::function<void(Canvas&, uint32_t)>& draw, int texW = 16,
                                    int texH = 16, uint32_t (*texel)(int, int) = BlendTexel) {
  const uint32_t diffuses[] = {0xFFFFFFFFu, 0xFFFFC070u, 0xB37FC15Au};
  std::vector<uint32_t> plain[3][3];
  for (int level = 0; level <= 3; ++level) {
    UseVectorLevel(level);
    for (int mode = 0; mode < 3; ++mode) {
      for (int d = 0; d < 3; ++d) {
        Canvas c(size, size, Format::A8R8G8B8);
        Surface* t = c.Texture(texW, texH, texel);
        c.dev->SetTexture(0, t);
        c.dev->SetTextureStageState(0, TSS::MagFilter, kFilterLinear);
        c.dev->SetTextureStageState(0, TSS::MinFilter, kFilterLinear);
        for (int y = 0; y < size; ++y)
          for (int x = 0; x < size; ++x) reinterpret_cast<uint32_t*>(c.target->Bits() + y * c.target->Pitch())[x] = Scramble(x, y);
        c.Blend(mode != 0, kBlendSrcAlpha, mode == 2 ? kBlendOne : kBlendInvSrcAlpha);
        draw(c, diffuses[d]);
        std::vector<uint32_t> px;
        for (int y = 0; y < size; ++y)
          for (int x = 0; x < size; ++x) px.push_back(c.Raw(x, y));
        if (level == 0) {
          plain[mode][d] = px;
          continue;
        }
        int differ = 0;
        for (size_t i = 0; i < px.size(); ++i) differ += px[i] != plain[mode][d][i];
        EXPECT_EQ(differ, 0) << "level " << level << ", mode " << mode << ", diffuse " << d;
        EXPECT_NE(px, std::vector<uint32_t>(px.size(), px[0]));
      }
    }
  }
  UseVectorLevel(3);
}

// Turned quads (two triangles each, spans of every length) scaled with
// linear filtering, modulated and blended.
TEST_F(SdevTest, TurnedFilteredTrianglesBlendTheSameOnEveryPath) {
  ExpectTheSamePixelsOnEveryPath(48, [](Canvas& c, uint32_t col) {
    for (int k = 0; k < 6; ++k) {  // turned by 10 .. 60 degrees about (24, 24), 5 + 6k pixels wide
      float a = float(k + 1) * 0.1745f, w = 2.5f + 3.0f * float(k), cs = std::cos(a) * w, sn = std::sin(a) * w;
      c.Draw(PrimType::TriFan, {V(24 - cs + sn, 24 - sn - cs, col, 0, 0), V(24 + cs + sn, 24 + sn - cs, col, 1, 0),
                                V(24 + cs - sn, 24 + sn + cs, col, 1, 1), V(24 - cs - sn, 24 - sn + cs, col, 0, 1)});
    }
  });
}

// Small axis-aligned quads of many widths at fractions of a pixel, some past
// the left or top edge: the one-pass path for small quads and the general one.
TEST_F(SdevTest, SmallScaledFilteredQuadsBlendTheSameOnEveryPath) {
  const float widths[] = {1.3f, 3.0f, 7.5f, 8.0f, 9.25f, 14.0f, 15.6f, 16.0f, 17.0f, 23.0f};
  ExpectTheSamePixelsOnEveryPath(64, [&widths](Canvas& c, uint32_t col) {
    for (int k = 0; k < 10; ++k) {
      float w = widths[k], h = widths[9 - k], x = float(k % 4) * 17.0f - 3.0f + 0.37f * float(k), y = float(k / 4) * 22.0f - 2.0f + 0.21f * float(k);
      float u0 = 0.03f * float(k % 3), v0 = 0.02f * float(k % 2);
      c.Draw(PrimType::TriFan, {V(x, y, col, u0, v0), V(x + w, y, col, 1, v0), V(x + w, y + h, col, 1, 1), V(x, y + h, col, u0, 1)});
    }
  });
}

// A cloud: rows of transparent, mixed and opaque stretches, with clear
// stretches longer than the kernels' sixteen pixels.
uint32_t CloudTexel(int x, int y) {
  const uint32_t c = Scramble(x, y + 31);
  const int band = (x + 7 * y) % 60;
  return band < 24 ? c & 0x00FFFFFFu : band < 40 ? c : c | 0xFF000000u;
}

// Pictures drawn about one texel a pixel a fraction of a pixel off, whole
// rows (the drifting clouds of the main menu): with the left edge in view,
// the right one, both, neither, and a little stretched.
TEST_F(SdevTest, PicturesAFractionOffTheirTexelsBlendTheSameOnEveryPath) {
  ExpectTheSamePixelsOnEveryPath(
      64,
      [](Canvas& c, uint32_t col) {
        const float xs[] = {-10.3f, 5.45f, 3.7f, -2.2f, 1.35f}, ws[] = {60, 60, 48, 70, 61.5f};
        const float u0[] = {0, 0, 4, 0, 0}, u1[] = {60, 60, 52, 60, 60};
        for (int k = 0; k < 5; ++k)
          c.Draw(PrimType::TriFan, {V(xs[k], float(12 * k), col, u0[k] / 60, 0.0f),
                                    V(xs[k] + ws[k], float(12 * k), col, u1[k] / 60, 0.0f),
                                    V(xs[k] + ws[k], float(12 * k + 10), col, u1[k] / 60, 10.0f / 12),
                                    V(xs[k], float(12 * k + 10), col, u0[k] / 60, 10.0f / 12)});
      },
      60, 12, CloudTexel);
}

// Wide quads filtered both ways, magnified and shrunk a little (a found
// object's picture growing), at fractions of a pixel, some past the edges:
// sixteen pixels at a time, column by column, as the plain formulas draw them.
TEST_F(SdevTest, WideScaledFilteredQuadsBlendTheSameOnEveryPath) {
  ExpectTheSamePixelsOnEveryPath(
      160,
      [](Canvas& c, uint32_t col) {
        const float xs[] = {3.3f, -20.6f, 40.45f, 11.8f}, ws[] = {70.5f, 150.2f, 131.0f, 97.25f};
        const float ys[] = {2.7f, 40.1f, 80.55f, 118.2f}, hs[] = {30.4f, 44.0f, 37.5f, 52.0f};
        const float u0[] = {0.02f, 0.0f, 0.1f, 0.05f}, u1[] = {0.97f, 1.0f, 0.9f, 1.0f};
        for (int k = 0; k < 4; ++k)
          c.Draw(PrimType::TriFan, {V(xs[k], ys[k], col, u0[k], 0.03f), V(xs[k] + ws[k], ys[k], col, u1[k], 0.03f),
                                    V(xs[k] + ws[k], ys[k] + hs[k], col, u1[k], 0.98f),
                                    V(xs[k], ys[k] + hs[k], col, u0[k], 0.98f)});
      },
      90, 40, CloudTexel);
}

// Pictures drawn texel for pixel without modulation: from their second
// drawing on their opaque runs are copied and their transparent runs
// skipped; whole, clipped, in part and over each other (held back, what a
// later one covers left undrawn, also beside another), replaced, blended and
// added, the pixels are those of the plain formulas. An opaque picture without an alpha
// channel (a JPEG background) under them is held back too, and a primitive
// drawn among them has only the rows of the held ones it meets drawn first.
TEST_F(SdevTest, UnscaledPicturesCopyAndSkipTheirClearRunsExactly) {
  std::vector<uint32_t> plain[3];
  for (int level : {0, 3}) {
    UseVectorLevel(level);
    for (int mode = 0; mode < 3; ++mode) {
      Canvas c(160, 40, Format::A8R8G8B8);
      // Runs of 1 to 40 pixels, opaque, transparent and mixed in turn, different on every row.
      Surface* t = c.Texture(150, 12, [](int x, int y) {
        int k = (x + 7 * y) % 120, kind = k < 40 ? 0 : k < 80 ? 1 : 2;
        uint32_t v = Scramble(x, y + 3);
        if ((x + y) % 37 == 0) kind = 2;
        return kind == 0 ? v | 0xFF000000u : kind == 1 ? v & 0x00FFFFFFu : (v & 0x00FFFFFFu) | 0x7F000000u;
      });
      Surface* ground = c.Texture(150, 40, [](int x, int y) { return Scramble(x + 9, y + 5) & 0x00FFFFFFu; },
                                  Format::X8R8G8B8);
      c.dev->SetTextureStageState(0, TSS::MagFilter, kFilterLinear);
      c.dev->SetTextureStageState(0, TSS::MinFilter, kFilterLinear);
      c.Blend(mode != 0, kBlendSrcAlpha, mode == 2 ? kBlendOne : kBlendInvSrcAlpha);
      std::vector<uint32_t> px;
      for (int round = 0; round < 3; ++round) {  // the runs are made at the second drawing
        for (int y = 0; y < 40; ++y)
          for (int x = 0; x < 160; ++x) reinterpret_cast<uint32_t*>(c.target->Bits() + y * c.target->Pitch())[x] = Scramble(x, y);
        c.dev->SetTexture(0, ground);
        c.Quad(5, 0, 155, 40, 0xFFFFFFFFu);  // the ground under them all
        if (level > 0 && (mode == 0 || round > 0)) {
          EXPECT_TRUE(sdev::detail::gHeldPictures) << "the ground is not held back: mode " << mode << ", drawing "
                                                   << round;
        }
        c.dev->SetTexture(0, t);
        c.Quad(3, 1, 153, 13, 0xFFFFFFFFu);                                   // whole
        c.Quad(-20, 14, 130, 26, 0xFFFFFFFFu);                                // clipped on the left
        c.Quad(10, 27, 60, 33, 0xFFFFFFFFu, 17 / 150.0f, 3 / 12.0f, 67 / 150.0f, 9 / 12.0f);  // a part
        c.Quad(40, 8, 190, 20, 0xFFFFFFFFu);     // over the first two, held with them
        c.Quad(0, 30, 45, 39, 0xFFFFFFFFu);      // scaled: the rows of the held ones it meets are drawn first
        if (level > 0 && (mode == 0 || round > 0)) {
          EXPECT_TRUE(sdev::detail::gHeldPictures) << "the rows the scaled one does not meet are not held: mode "
                                                   << mode << ", drawing " << round;
        }
        c.Quad(-110, 28, 40, 40, 0xFFFFFFFFu);   // over the scaled one
        // Two parts on the same rows, the later one beside the first: what it
        // covers lies outside the first.
        c.Quad(100, 30, 140, 37, 0xFFFFFFFFu, 0, 3 / 12.0f, 40 / 150.0f, 10 / 12.0f);
        c.Quad(55, 31, 95, 36, 0xFFFFFFFFu, 17 / 150.0f, 4 / 12.0f, 57 / 150.0f, 9 / 12.0f);
        std::vector<uint32_t> now;
        for (int y = 0; y < 40; ++y)
          for (int x = 0; x < 160; ++x) now.push_back(c.Raw(x, y));
        if (round > 0) {
          EXPECT_EQ(now, px) << "level " << level << ", mode " << mode << ", drawing " << round;
        }
        px = now;
      }
      if (level == 0) {
        plain[mode] = px;
      } else {
        int differ = 0;
        for (size_t i = 0; i < px.size(); ++i) differ += px[i] != plain[mode][i];
        EXPECT_EQ(differ, 0) << "mode " << mode;
      }
      if (level > 0 && mode > 0) {
        EXPECT_NE(t->Opacity(), nullptr);  // the runs were made and used
      }
    }
  }
  UseVectorLevel(3);
}

TEST_F(SdevTest, TextureTimesDiffuseThenBlended) {
  Canvas c(8, 8, Format::A8R8G8B8);
  Surface* t = c.Texture(4, 4, [](int x, int y) { return x < 2 ? 0xFF808080u : 0x80FF0000u; });
  c.dev->SetTexture(0, t);
  c.Blend(false);
  c.Fill(0xFF0000FFu);
  c.Blend(true);
  c.Quad(0, 0, 4, 4, 0x80FFFF00u);  // half alpha, no blue
  uint32_t left = Expected(0x80808000u, 0xFF0000FFu, kBlendSrcAlpha, kBlendInvSrcAlpha);
  uint32_t right = Expected(0x40FF0000u, 0xFF0000FFu, kBlendSrcAlpha, kBlendInvSrcAlpha);
  EXPECT_TRUE(Near(c.Raw(0, 0), left)) << std::hex << c.Raw(0, 0);
  EXPECT_TRUE(Near(c.Raw(3, 3), right)) << std::hex << c.Raw(3, 3);
}

// --- Texture sampling ---

uint32_t Checker(int x, int y) { return (x + y) & 1 ? 0xFF0000FFu : 0xFFFF0000u; }

TEST_F(SdevTest, WrapRepeatsAndClampStretchesTheEdge) {
  Canvas c(8, 8);
  Surface* t = c.Texture(2, 2, Checker);
  c.dev->SetTexture(0, t);
  c.Quad(0, 0, 8, 8, 0xFFFFFFFF, 0, 0, 4, 4);  // point filter, wrap
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(c.Raw(x, y) | 0xFF000000u, Checker(x, y)) << x << "," << y;
  c.dev->SetTextureStageState(0, TSS::AddressU, kAddressClamp);
  c.dev->SetTextureStageState(0, TSS::AddressV, kAddressClamp);
  c.Quad(0, 0, 8, 8, 0xFFFFFFFF, 0, 0, 4, 4);
  EXPECT_EQ(c.Raw(0, 0) | 0xFF000000u, Checker(0, 0));
  EXPECT_EQ(c.Raw(7, 7) | 0xFF000000u, Checker(1, 1));
  EXPECT_EQ(c.Raw(7, 0) | 0xFF000000u, Checker(1, 0));
}

TEST_F(SdevTest, LinearFilterIsExactOneToOneAndBlendsWhenScaled) {
  Canvas c(16, 16);
  Surface* t = c.Texture(4, 4, Checker);
  c.dev->SetTexture(0, t);
  c.dev->SetTextureStageState(0, TSS::MagFilter, kFilterLinear);
  c.dev->SetTextureStageState(0, TSS::MinFilter, kFilterLinear);
  c.dev->SetTextureStageState(0, TSS::AddressU, kAddressClamp);
  c.dev->SetTextureStageState(0, TSS::AddressV, kAddressClamp);
  c.Quad(3, 5, 7, 9, 0xFFFFFFFF);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(c.Raw(3 + x, 5 + y) | 0xFF000000u, Checker(x, y));
  // Turned by 90 degrees (not axis-aligned in texture space): still texel-exact.
  c.Fill(0);
  c.Draw(PrimType::TriFan, {V(0, 0, ~0u, 0, 1), V(4, 0, ~0u, 0, 0), V(4, 4, ~0u, 1, 0), V(0, 4, ~0u, 1, 1)});
  EXPECT_EQ(c.Raw(0, 0) | 0xFF000000u, Checker(0, 3));
  EXPECT_EQ(c.Raw(3, 0) | 0xFF000000u, Checker(0, 0));
  // Twice the size: a pixel between two texels mixes them.
  c.Fill(0);
  c.Quad(0, 0, 8, 8, 0xFFFFFFFF);
  uint32_t mid = c.Raw(2, 1);
  EXPECT_GT(mid & 0xFF, 0x20u);
  EXPECT_GT((mid >> 16) & 0xFF, 0x20u);
}

// Red rising and blue falling by 32 a texel.
uint32_t Ramp(int x, int) { return 0xFF000000u | uint32_t(x * 32) << 16 | uint32_t(255 - x * 32); }

TEST_F(SdevTest, ScaledPointFilteredQuadsTakeWholeTexelsAfterLinearOnes) {
  Canvas c(24, 4);
  Surface* t = c.Texture(8, 1, Ramp);
  c.dev->SetTexture(0, t);
  c.dev->SetTextureStageState(0, TSS::AddressU, kAddressClamp);
  c.dev->SetTextureStageState(0, TSS::MagFilter, kFilterLinear);
  c.dev->SetTextureStageState(0, TSS::MinFilter, kFilterLinear);
  c.Quad(0, 0, 24, 1, 0xFFFFFFFF);  // three pixels a texel, filtered
  EXPECT_NE(c.Raw(4, 0), c.Raw(3, 0));
  c.dev->SetTextureStageState(0, TSS::MagFilter, kFilterPoint);
  c.dev->SetTextureStageState(0, TSS::MinFilter, kFilterPoint);
  c.Quad(0, 2, 16, 3, 0xFFFFFFFF);  // two pixels a texel: each pixel one whole texel
  for (int x = 0; x < 16; ++x)
    EXPECT_EQ(c.Raw(x, 2) | 0xFF000000u, 0xFF000000u | uint32_t(x / 2 * 32) << 16 | uint32_t(255 - x / 2 * 32)) << x;
  // Turned and filtered, on the row's centre: the one texel row is all there is to read.
  for (int level : {0, 3}) {
    UseVectorLevel(level);
    Canvas d(24, 4);
    d.dev->SetTexture(0, d.Texture(8, 1, Ramp));
    d.dev->SetTextureStageState(0, TSS::AddressU, kAddressClamp);
    d.dev->SetTextureStageState(0, TSS::AddressV, kAddressClamp);
    d.dev->SetTextureStageState(0, TSS::MagFilter, kFilterLinear);
    d.dev->SetTextureStageState(0, TSS::MinFilter, kFilterLinear);
    d.Draw(PrimType::TriFan, {V(0.5f, 0, ~0u, 0, 0.4996f), V(23.5f, 0.5f, ~0u, 1, 0.4996f), V(23, 4, ~0u, 1, 0.5004f),
                              V(0, 3.5f, ~0u, 0, 0.5004f)});
    for (int x = 1; x < 23; ++x) {
      uint32_t p = d.Raw(x, 2);
      EXPECT_EQ(p & 0xFF00u, 0u) << x;
      EXPECT_NEAR(int(p >> 16 & 0xFF) + int(p & 0xFF), 255, 1) << x;
    }
    // Repeated so often that a pixel's step lies beyond fixed point's reach.
    d.dev->SetTextureStageState(0, TSS::AddressU, kAddressWrap);
    d.Draw(PrimType::TriFan, {V(0.5f, 0, ~0u, 0, 0.2f), V(4.5f, 0.5f, ~0u, 6e4f, 0.2f), V(4, 4, ~0u, 6e4f, 0.8f),
                              V(0, 3.5f, ~0u, 0, 0.8f)});
    EXPECT_EQ(d.Raw(2, 2) & 0xFF00u, 0u);
  }
  UseVectorLevel(3);
}

TEST_F(SdevTest, TurnedTexturesAreTexelExactAtOneToOne) {
  Canvas c(40, 40);
  Surface* t = c.Texture(32, 32, [](int x, int y) { return 0xFF000000u | uint32_t(x * 8) << 16 | uint32_t(y * 8); });
  c.dev->SetTexture(0, t);
  c.dev->SetTextureStageState(0, TSS::MagFilter, kFilterLinear);
  c.dev->SetTextureStageState(0, TSS::MinFilter, kFilterLinear);
  // A quarter turn: u runs down the screen, v from right to left (long spans, every sampler path).
  c.Draw(PrimType::TriFan, {V(4, 4, ~0u, 0, 1), V(36, 4, ~0u, 0, 0), V(36, 36, ~0u, 1, 0), V(4, 36, ~0u, 1, 1)});
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(c.Raw(4 + x, 4 + y) | 0xFF000000u, 0xFF000000u | uint32_t(y * 8) << 16 | uint32_t((31 - x) * 8))
          << x << "," << y;
}

// --- Triangles against a plain rasteriser of the test's own ---

// Red rising steeply across the texture, green down it, blue falling both
// ways: filtered linearly inside the texture, it gives back the same linear
// function of the texel position.
constexpr int kGradientSide = 32;
uint32_t Gradient(int x, int y) {
  return 0xFF000000u | uint32_t(20 + 7 * x) << 16 | uint32_t(10 + 7 * y) << 8 | uint32_t(240 - 3 * x - 4 * y);
}

// What a plain rasteriser draws at the centre of pixel (x, y) for the
// triangle t (0 when outside): coverage by edge functions, the diffuse colour
// by the weights of the corners (linear on the screen; flat: the first
// corner's), texture coordinates by the weights and 1/w (perspective-correct)
// and the gradient texture by its formula. False when the centre
// lies too near an edge for either answer to be wrong.
bool PlainPixel(const TLV (&t)[3], int x, int y, bool flat, bool textured, uint32_t& want) {
  const double px = x + 0.5, py = y + 0.5;
  const double area = double(t[1].x - t[0].x) * (t[2].y - t[0].y) - double(t[2].x - t[0].x) * (t[1].y - t[0].y);
  double l[3];
  bool inside = true;
  for (int i = 0; i < 3; ++i) {
    const TLV &p = t[(i + 1) % 3], &q = t[(i + 2) % 3];
    l[i] = ((p.x - px) * (q.y - py) - (q.x - px) * (p.y - py)) / area;
    if (std::fabs(l[i] * area) / std::hypot(q.x - p.x, q.y - p.y) < 0.01) return false;
    inside = inside && l[i] > 0;
  }
  want = 0;
  if (!inside) return true;
  double q = 0, u = 0, v = 0;
  for (int i = 0; i < 3; ++i) {
    q += l[i] * t[i].rhw;
    u += l[i] * t[i].rhw * t[i].u * kGradientSide;
    v += l[i] * t[i].rhw * t[i].v * kGradientSide;
  }
  const double tu = u / q - 0.5, tv = v / q - 0.5;  // the texel position the filter weighs
  const double tex[4] = {240 - 3 * tu - 4 * tv, 10 + 7 * tv, 20 + 7 * tu, 255};  // blue, green, red, alpha
  for (int sh = 0; sh < 32; sh += 8) {
    double c = 0;
    for (int i = 0; i < 3; ++i) c += (flat ? (i == 0) : l[i]) * double(t[i].diffuse >> sh & 0xFF);
    if (textured) c = c * tex[sh / 8] / 255;
    want |= uint32_t(std::lround(c)) << sh;
  }
  return true;
}

// Triangles, alone and as the two halves of a turned quad (drawn as a pair)
// and of an upright one (drawn as one rectangle), in each of the six orders
// of their corners, against the plain rasteriser above: coverage, Gouraud and
// flat colours, culling either way, textures filtered linearly with and
// without perspective, on every vector level. The halves share their corners'
// indices, as the device's pair and rectangle paths ask. Last a turned quad
// wider than the rest, split each way: its blocks of sixteen rows hold more
// pixels than the pair path gathers at once, so their rows are taken one by
// one with the steps the blocks found.
TEST_F(SdevTest, TrianglesInEveryCornerOrderDrawWhatAPlainRasteriserDraws) {
  const float shapes[][3][2] = {
      {{5.3f, 3.7f}, {41.6f, 12.2f}, {14.1f, 35.4f}},    // the middle corner on the right
      {{6.2f, 4.3f}, {38.7f, 4.3f}, {20.9f, 33.8f}},     // a flat top, of two colours
      {{22.4f, 3.1f}, {44.2f, 30.3f}, {3.6f, 30.3f}},    // a flat bottom
      {{30.3f, 1.2f}, {28.1f, 20.7f}, {33.9f, 38.6f}}};  // tall, the middle corner on the left
  const float uvs[3][2] = {{0.07f, 0.11f}, {0.92f, 0.19f}, {0.31f, 0.94f}};
  const uint32_t colours[3] = {0xF0E01020u, 0x3080F0A0u, 0x90205060u};
  const float rhws[3] = {0.8f, 0.8f, 0.35f};  // two corners at one depth
  const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  // A turned quad's corners, drawn as (0, 1, 2) and (0, 2, 3).
  const float quad[4][4] = {{8.3f, 6.1f, 0.06f, 0.08f}, {39.2f, 11.7f, 0.93f, 0.11f}, {33.6f, 34.9f, 0.9f, 0.91f},
                            {4.1f, 27.4f, 0.05f, 0.87f}};
  const uint32_t quadColours[4] = {0xF0E01020u, 0x3080F0A0u, 0x90205060u, 0xC040A0E0u};
  const float quadRhws[4] = {1.0f, 0.35f, 0.8f, 0.55f};
  enum { kGouraud, kFlat, kTextured, kPerspective };  // kTextured: white, so one colour throughout
  for (int level = 0; level <= 3; ++level) {
    UseVectorLevel(level);
    Canvas c(330, 40, Format::A8R8G8B8);  // the triangles in the first 48 columns, the wide quad across
    ASSERT_NE(c.dev, nullptr);
    Surface* texture = c.Texture(kGradientSide, kGradientSide, Gradient);
    c.dev->SetTextureStageState(0, TSS::MagFilter, kFilterLinear);
    c.dev->SetTextureStageState(0, TSS::MinFilter, kFilterLinear);
    // Draws the triangles (three corners each) and compares every pixel of the first `width` columns.
    auto check = [&](const std::vector<std::array<TLV, 3>>& tris, int mode, uint32_t cull, const std::string& what,
                     int width = 48) {
      const bool textured = mode == kTextured || mode == kPerspective;
      c.dev->SetTexture(0, textured ? texture : nullptr);
      c.dev->SetRenderState(RS::ShadeMode, mode == kFlat ? kShadeFlat : kShadeGouraud);
      c.dev->SetRenderState(RS::CullMode, cull);
      c.Fill(0);
      std::vector<TLV> v;  // each corner once, the triangles by index
      std::vector<uint16_t> idx;
      for (const auto& t : tris)
        for (const TLV& corner : t) {
          size_t k = 0;
          while (k < v.size() && std::memcmp(&v[k], &corner, sizeof(TLV)) != 0) ++k;
          if (k == v.size()) v.push_back(corner);
          idx.push_back(uint16_t(k));
        }
      ASSERT_EQ(c.dev->DrawIndexedPrimitive(PrimType::TriList, fvf::kTLVertex, v.data(), uint32_t(v.size()), idx.data(),
                                            uint32_t(idx.size()), 0),
                err::kOk);
      int drawn = 0;
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < width; ++x) {
          uint32_t want = 0;
          bool known = true;
          for (const auto& t : tris) {
            const TLV corners[3] = {t[0], t[1], t[2]};
            const float area = (t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[2].x - t[0].x) * (t[1].y - t[0].y);
            if ((cull == kCullCW && area > 0) || (cull == kCullCCW && area < 0)) continue;  // clockwise: area > 0
            uint32_t mine = 0;
            known = known && PlainPixel(corners, x, y, mode == kFlat, textured, mine);
            if (!want) want = mine;
          }
          if (!known) continue;
          drawn += want != 0;
          ASSERT_TRUE(Near(c.Raw(x, y), want, textured ? 2 : 1))
              << what << ", level " << level << ", mode " << mode << ", cull " << cull << ", pixel " << x << "," << y
              << std::hex << ": got " << c.Raw(x, y) << ", want " << want;
        }
      if (cull == kCullNone) {
        EXPECT_GT(drawn, 60) << what << ", mode " << mode;
      }
    };
    for (const auto& order : orders) {
      const std::string named =
          "corners " + std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]);
      for (int shape = 0; shape < 4; ++shape)
        for (int mode : {kGouraud, kFlat, kTextured, kPerspective}) {
          std::array<TLV, 3> t;
          for (int k = 0; k < 3; ++k) {
            const int i = order[k];
            const uint32_t colour = mode == kTextured ? 0xFFFFFFFFu : colours[shape == 1 && i == 1 ? 0 : i];
            t[size_t(k)] = V(shapes[shape][i][0], shapes[shape][i][1], colour, uvs[i][0], uvs[i][1]);
            t[size_t(k)].rhw = mode == kPerspective ? rhws[i] : 1.0f;
          }
          for (uint32_t cull : {kCullNone, kCullCW, kCullCCW}) {
            if (cull != kCullNone && mode != kGouraud) continue;
            check({t}, mode, cull, named + ", shape " + std::to_string(shape));
            if (HasFatalFailure()) return;
          }
        }
      for (int mode : {kGouraud, kTextured, kPerspective}) {  // a turned quad's two halves: drawn as a pair
        std::vector<std::array<TLV, 3>> pair(2);
        const int halves[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (int h = 0; h < 2; ++h)
          for (int k = 0; k < 3; ++k) {
            const int i = halves[h][order[k]];
            pair[size_t(h)][size_t(k)] = V(quad[i][0], quad[i][1], mode == kTextured ? 0xFFFFFFFFu : quadColours[i],
                                           quad[i][2], quad[i][3]);
            pair[size_t(h)][size_t(k)].rhw = mode == kPerspective ? quadRhws[i] : 1.0f;
          }
        for (uint32_t cull : {kCullNone, kCullCW, kCullCCW}) {
          if (cull != kCullNone && mode != kGouraud) continue;
          check(pair, mode, cull, named + ", a turned quad");
          if (HasFatalFailure()) return;
        }
      }
    }
    // An upright quad of one colour, its texture mapped along the axes, as the
    // halves (0, 1, 2) and (0, 2, 3), clockwise on the screen, and the other way round.
    const float upright[4][4] = {{7.3f, 5.2f, 0.07f, 0.12f}, {40.6f, 5.2f, 0.91f, 0.12f}, {40.6f, 33.7f, 0.91f, 0.89f},
                                 {7.3f, 33.7f, 0.07f, 0.89f}};
    const int windings[2][2][3] = {{{0, 1, 2}, {0, 2, 3}}, {{0, 2, 1}, {0, 3, 2}}};
    for (const auto& winding : windings)
      for (int mode : {kGouraud, kTextured})
        for (uint32_t cull : {kCullNone, kCullCW, kCullCCW}) {
          std::vector<std::array<TLV, 3>> halves(2);
          for (int h = 0; h < 2; ++h)
            for (int k = 0; k < 3; ++k) {
              const float* corner = upright[winding[h][k]];
              halves[size_t(h)][size_t(k)] =
                  V(corner[0], corner[1], mode == kTextured ? 0xFFFFFFFFu : 0xC040A0E0u, corner[2], corner[3]);
            }
          const bool clockwise = &winding == &windings[0];
          check(halves, mode, cull, clockwise ? "an upright quad, clockwise" : "an upright quad, counter-clockwise");
          if (HasFatalFailure()) return;
        }
    // The wide turned quad: rows of up to 300 pixels, split along one
    // diagonal, the first half on the right of it and then on the left (the
    // halves meet on every row), and along the other (rows of one half alone
    // above and below it); u across and v down, so that either taken for the
    // other shows.
    const float wide[4][4] = {{12.3f, 3.6f, 0.06f, 0.09f}, {318.7f, 13.2f, 0.94f, 0.12f}, {309.4f, 37.1f, 0.91f, 0.92f},
                              {5.8f, 27.5f, 0.08f, 0.89f}};
    const int splits[3][2][3] = {{{0, 1, 2}, {0, 2, 3}}, {{0, 3, 2}, {0, 2, 1}}, {{1, 2, 3}, {1, 3, 0}}};
    const char* const splitNames[3] = {"first half right", "first half left", "the other diagonal"};
    for (int split = 0; split < 3; ++split) {
      std::vector<std::array<TLV, 3>> halves(2);
      for (int h = 0; h < 2; ++h)
        for (int k = 0; k < 3; ++k) {
          const float* corner = wide[splits[split][h][k]];
          halves[size_t(h)][size_t(k)] = V(corner[0], corner[1], 0xFFFFFFFFu, corner[2], corner[3]);
        }
      check(halves, kTextured, kCullNone, std::string("a wide turned quad, ") + splitNames[split], 330);
      if (HasFatalFailure()) return;
    }
  }
  UseVectorLevel(3);
}

// --- The vector kernels against the plain formulas ---

// Mixed colours in runs of opaque, transparent and see-through texels.
uint32_t KernelTexel(int x, int y) {
  uint32_t c = Scramble(x + 31, y + 3);
  switch ((x / 3 + y) % 4) {
    case 0: return c | 0xFF000000u;
    case 1: return c & 0x00FFFFFFu;
    default: return c;
  }
}

constexpr int kKernelTexW = 37, kKernelTexH = 29;

// Axis-aligned quads of four corners each (drawn as indexed triangles 0 1 2,
// 3 0 2, the particle batches' layout): odd
// sizes from under a pixel to 24, shrunk, enlarged and one to one (whole
// pixels on texel centres), some flipped, some reaching past the texture's
// edges and some hanging over the target's; then rows and columns of 1 to
// 17 pixels whose first texel weight rounds to 256; whole pictures a fraction of a
// pixel off their texels with an edge in view (a drifting cloud: the pixels
// at the edge address the edge texel); last turned ones (triangles), inside
// the texture and then past its edges, over the target's and taller than
// sixteen rows.
std::vector<TLV> KernelQuads() {
  std::vector<TLV> v;
  uint32_t seed = 12345;
  auto next = [&](int m) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % uint32_t(m));
  };
  const float scales[] = {0.5f, 0.875f, 1.0f, 1.143f, 2.5f, 0.31f};  // texels per pixel
  const uint32_t colors[] = {0xFFFFFFFFu, 0xFFFFC070u, 0x80FFFFFFu, 0xB37FC15Au};
  auto add = [&](float x0, float y0, float x1, float y1, float t0, float s0, float t1, float s1, uint32_t c) {
    float u0 = t0 / kKernelTexW, u1 = t1 / kKernelTexW, v0 = s0 / kKernelTexH, v1 = s1 / kKernelTexH;
    TLV a = V(x0, y0, c, u0, v0), b = V(x1, y0, c, u1, v0), d = V(x1, y1, c, u1, v1), e = V(x0, y1, c, u0, v1);
    v.insert(v.end(), {a, b, d, e});
  };
  {  // turned, over the whole target, drawn first: more pixels than one batch holds
    const float c = std::cos(0.1f), sn = std::sin(0.1f);
    auto at = [&](float sx, float sy, float u, float t) {
      return V(32.3f + sx * 36.0f * c - sy * 28.0f * sn, 24.2f + sx * 36.0f * sn + sy * 28.0f * c, colors[3], u, t);
    };
    const float u0 = 1.2f / kKernelTexW, u1 = 35.3f / kKernelTexW, v0 = 1.3f / kKernelTexH, v1 = 27.2f / kKernelTexH;
    v.insert(v.end(), {at(-1, -1, u0, v0), at(1, -1, u1, v0), at(1, 1, u1, v1), at(-1, 1, u0, v1)});
  }
  for (int k = 0; k < 160; ++k) {
    float w = 0.6f + float(next(2340)) / 100.0f, h = 0.6f + float(next(2340)) / 100.0f;
    float x = -8.0f + float(next(7600)) / 100.0f, y = -8.0f + float(next(5600)) / 100.0f;
    float sx = scales[next(6)], sy = scales[next(6)];
    float tx = float(next(4600)) / 100.0f - 4.0f, ty = float(next(3700)) / 100.0f - 4.0f;
    if (k % 4 == 0) {  // whole pixels from a whole texel: one to one where the scale is 1
      x = std::floor(x);
      y = std::floor(y);
      w = std::floor(w) + 1;
      h = std::floor(h) + 1;
      tx = std::floor(tx);
      ty = std::floor(ty);
    }
    float tx1 = tx + sx * w, ty1 = ty + sy * h;
    if (k % 7 == 3) std::swap(tx, tx1);
    if (k % 11 == 5) std::swap(ty, ty1);
    add(x, y, x + w, y + h, tx, ty, tx1, ty1, colors[next(4)]);
  }
  for (int n = 1; n <= 17; ++n)  // 1.5 texels per pixel from 3.749: the first texel position ends in .999
    add(2, float(2 * n), float(2 + n), float(2 * n + 2), 3.749f, 2.3f, 3.749f + 1.5f * n, 5.1f, 0xFFFFC070u);
  for (int n = 1; n <= 17; ++n)  // the same down a column
    add(float(28 + 2 * n), 2, float(30 + 2 * n), float(2 + n), 2.3f, 3.749f, 5.1f, 3.749f + 1.5f * n, 0xB37FC15Au);
  for (int k = 0; k < 3; ++k) {  // the left edge in view, the right one, both
    const float x = 3.4f + 0.35f * float(k), y = 30.2f + 5.0f * float(k);
    add(x, y, x + kKernelTexW, y + 4.6f, 0, 0, kKernelTexW, 4.6f, colors[k]);
  }
  for (int k = 0; k < 12; ++k) {  // turned by 7 to 80 degrees, sampled inside the texture: spans of every length
    float a = 0.12f * float(k + 1), w = 2.0f + 1.9f * float(k), h = 3.5f + 1.1f * float(11 - k);
    float cx = 5.3f + 5.07f * float(k), cy = 9.1f + 2.93f * float(k), c = std::cos(a), sn = std::sin(a);
    float u0 = (2.2f + 0.3f * float(k)) / kKernelTexW, u1 = (33.9f - 0.7f * float(k)) / kKernelTexW;
    float v0 = (1.7f + 0.2f * float(k)) / kKernelTexH, v1 = (26.4f - 0.5f * float(k)) / kKernelTexH;
    auto at = [&](float sx, float sy, float u, float t) { return V(cx + sx * w * c - sy * h * sn, cy + sx * w * sn + sy * h * c, colors[k % 4], u, t); };
    v.insert(v.end(), {at(-1, -1, u0, v0), at(1, -1, u1, v0), at(1, 1, u1, v1), at(-1, 1, u0, v1)});
  }
  for (int k = 0; k < 5; ++k) {  // turned ones reaching past the texture's edges, over the target's, and tall
    float a = 0.31f + 0.47f * float(k), w = 6.5f + 2.3f * float(k), h = k == 4 ? 21.7f : 5.2f + 1.7f * float(k);
    float cx = k == 2 ? 1.3f : 10.7f + 11.9f * float(k), cy = k == 2 ? 0.6f : k == 3 ? 45.1f : 26.3f - 2.1f * float(k);
    float c = std::cos(a), sn = std::sin(a);
    const bool past = k != 2 && k != 3;  // the two over the target's edges sample inside the texture
    float u0 = (!past ? 1.6f : k % 2 ? -2.6f : 0.4f) / kKernelTexW, u1 = (!past ? 35.1f : k % 2 ? 36.7f : 39.3f) / kKernelTexW;
    float v0 = (!past ? 1.7f : k % 2 ? 0.8f : -1.9f) / kKernelTexH, v1 = (!past ? 27.1f : k % 2 ? 30.2f : 27.6f) / kKernelTexH;
    auto at = [&](float sx, float sy, float u, float t) { return V(cx + sx * w * c - sy * h * sn, cy + sx * w * sn + sy * h * c, colors[(k + 1) % 4], u, t); };
    v.insert(v.end(), {at(-1, -1, u0, v0), at(1, -1, u1, v0), at(1, 1, u1, v1), at(-1, 1, u0, v1)});
  }
  return v;
}

// The kernel quads drawn with the vector kernels limited to `level`.
std::vector<uint32_t> DrawKernelQuads(int level, bool linear, uint32_t address, int blend, bool clipped) {
  UseVectorLevel(level);
  Canvas c(64, 48, Format::A8R8G8B8);
  Surface* t = c.Texture(kKernelTexW, kKernelTexH, KernelTexel);
  c.dev->SetTexture(0, t);
  uint32_t filter = linear ? kFilterLinear : kFilterPoint;
  c.dev->SetTextureStageState(0, TSS::MagFilter, filter);
  c.dev->SetTextureStageState(0, TSS::MinFilter, filter);
  c.dev->SetTextureStageState(0, TSS::AddressU, address);
  c.dev->SetTextureStageState(0, TSS::AddressV, address);
  const uint32_t pairs[][2] = {{kBlendOne, kBlendZero}, {kBlendSrcAlpha, kBlendInvSrcAlpha},
                               {kBlendSrcAlpha, kBlendOne}, {kBlendOne, kBlendOne}};
  c.Blend(blend != 0, pairs[blend][0], pairs[blend][1]);
  if (clipped) {
    Viewport vp;
    vp.x = -5;  // partly off the target
    vp.y = 3;
    vp.width = 60;
    vp.height = 44;
    c.dev->SetViewport(vp);
    Rect clip{3, 2, 57, 41};
    c.dev->SetClipRect(&clip);
  }
  uint32_t* px = reinterpret_cast<uint32_t*>(c.target->Bits());
  for (int i = 0; i < 64 * 48; ++i) px[i] = Scramble(i % 64, i / 64 + 50);
  std::vector<TLV> quads = KernelQuads();
  std::vector<uint16_t> idx;
  for (uint16_t q = 0; q < quads.size() / 4; ++q)
    for (int k : {0, 1, 2, 3, 0, 2}) idx.push_back(uint16_t(4 * q + k));
  // Drawn from other texels first, then again once the texture is written
  // anew: what is kept with a texture for sampling follows its changes.
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = 0; y < kKernelTexH; ++y)
      for (int x = 0; x < kKernelTexW; ++x)
        reinterpret_cast<uint32_t*>(t->Bits() + y * t->Pitch())[x] = pass ? KernelTexel(x, y) : KernelTexel(y, x) ^ 0x00FF00FFu;
    t->Touch();
    EXPECT_EQ(c.dev->DrawIndexedPrimitive(PrimType::TriList, fvf::kTLVertex, quads.data(), uint32_t(quads.size()),
                                          idx.data(), uint32_t(idx.size()), 0),
              err::kOk);
  }
  px = reinterpret_cast<uint32_t*>(c.target->Bits());  // read again: what is drawn is all there
  return std::vector<uint32_t>(px, px + 64 * 48);
}

TEST_F(SdevTest, QuadKernelsDrawWhatThePlainFormulasDraw) {
  const uint32_t addresses[] = {kAddressWrap, kAddressMirror, kAddressClamp};
  for (bool linear : {true, false})
    for (uint32_t address : addresses)
      for (int blend = 0; blend < 4; ++blend) {
        bool clipped = (blend + int(address)) % 2 == 0;
        std::vector<uint32_t> plain = DrawKernelQuads(0, linear, address, blend, clipped);
        int changed = 0;
        for (int i = 0; i < 64 * 48; ++i) changed += plain[size_t(i)] != Scramble(i % 64, i / 64 + 50);
        EXPECT_GT(changed, 1000);
        for (int level = 1; level <= 3; ++level) {
          std::vector<uint32_t> fast = DrawKernelQuads(level, linear, address, blend, clipped);
          for (int i = 0; i < 64 * 48; ++i)
            ASSERT_EQ(fast[size_t(i)], plain[size_t(i)])
                << "level " << level << (linear ? ", linear" : ", point") << ", address " << address << ", blend "
                << blend << (clipped ? ", clipped" : "") << ", pixel " << i % 64 << "," << i / 64;
        }
      }
}

// --- Clipping ---

TEST_F(SdevTest, EveryPrimitiveIsClippedToViewportAndClipRect) {
  Canvas c(32, 32);
  Viewport vp;
  vp.x = -8;  // partly off the target
  vp.y = 4;
  vp.width = 24;
  vp.height = 20;
  ASSERT_EQ(c.dev->SetViewport(vp), err::kOk);
  Rect clip{0, 0, 30, 18};
  c.dev->SetClipRect(&clip);
  // Inside: x in [0, 16), y in [4, 18). Pre-transformed positions count from the viewport's top-left.
  auto check = [&](const char* what) {
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        if (c.Raw(x, y)) {
          ASSERT_TRUE(x < 16 && y >= 4 && y < 18) << what << " at " << x << "," << y;
        }
      }
    EXPECT_GT(c.Count(0xFFFFFFFF, 32, 32), 0) << what;
    c.Fill(0);
  };
  c.Draw(PrimType::TriList, {V(-20, -20), V(60, -20), V(-20, 60)});
  check("triangle list");
  c.Draw(PrimType::TriStrip, {V(-20, -20), V(60, -20), V(-20, 60), V(60, 60)});
  check("triangle strip quad");
  c.Draw(PrimType::TriFan, {V(10, 10), V(-30, -5), V(40, -5), V(40, 40), V(-30, 40)});
  check("triangle fan");
  c.Draw(PrimType::LineList, {V(-30, 5.5f), V(60, 5.5f), V(12.5f, -30), V(12.5f, 60)});
  check("line list");
  c.Draw(PrimType::LineStrip, {V(-30, -30), V(60, 60), V(60, 0)});
  check("line strip");
  std::vector<TLV> points;
  for (int i = -10; i < 40; ++i) points.push_back(V(float(i) + 0.5f, 6.5f));
  c.Draw(PrimType::PointList, points);
  check("points");
  uint16_t idx[] = {0, 1, 2, 2, 1, 3};
  std::vector<TLV> quad = {V(-20, -20), V(60, -20), V(-20, 60), V(60, 60)};
  EXPECT_EQ(c.dev->DrawIndexedPrimitive(PrimType::TriList, fvf::kTLVertex, quad.data(), 4, idx, 6, 0), err::kOk);
  check("indexed list");
}

TEST_F(SdevTest, IndicesOutsideTheVerticesAreRefused) {
  Canvas c(8, 8);
  std::vector<TLV> quad = {V(0, 0), V(8, 0), V(0, 8)};
  uint16_t idx[] = {0, 1, 3};
  EXPECT_EQ(c.dev->DrawIndexedPrimitive(PrimType::TriList, fvf::kTLVertex, quad.data(), 3, idx, 3, 0), err::kInvalidArg);
  EXPECT_EQ(c.Count(0, 8, 8), 64);
}

// --- 16-bit surfaces, blits, locks ---

TEST_F(SdevTest, SixteenBitTargetsAreDrawnAndConverted) {
  Canvas c(8, 8, Format::R5G6B5);
  c.Quad(0, 0, 4, 8, 0xFFFF8040u);
  uint16_t raw = reinterpret_cast<const uint16_t*>(c.target->Bits())[0];
  EXPECT_EQ(raw, uint16_t(0x1F << 11 | 0x20 << 5 | 0x08));
  EXPECT_EQ(c.At(0, 0), 0xFFFF8242u);  // widened by repeating the bits
  EXPECT_EQ(c.At(5, 0), 0xFF000000u);
}

// Textures in other formats than A8R8G8B8 are converted for sampling once per
// change and kept with their surface: two drawn in turn are not converted again.
TEST_F(SdevTest, TexturesInOtherFormatsAreConvertedOncePerChange) {
  Canvas c(8, 8, Format::A8R8G8B8);
  Surface* red = c.Texture(2, 2, [](int, int) { return 0xFFFF0000u; }, Format::R5G6B5);
  Surface* blue = c.Texture(2, 2, [](int, int) { return 0xFF0000FFu; }, Format::X8R8G8B8);
  int pitch = 0;
  const uint32_t* redPixels = red->ArgbPixels(&pitch);
  EXPECT_EQ(pitch, 2);
  const uint32_t* bluePixels = blue->ArgbPixels(&pitch);
  for (int round = 0; round < 2; ++round) {
    c.dev->SetTexture(0, red);
    c.Quad(0, 0, 4, 8, 0xFFFFFFFFu);
    c.dev->SetTexture(0, blue);
    c.Quad(4, 0, 8, 8, 0xFFFFFFFFu);
    EXPECT_EQ(c.Raw(1, 1), 0xFFFF0000u);
    EXPECT_EQ(c.Raw(5, 1), 0xFF0000FFu);
  }
  EXPECT_EQ(red->ArgbPixels(&pitch), redPixels);
  EXPECT_EQ(blue->ArgbPixels(&pitch), bluePixels);
  EXPECT_EQ(bluePixels[3], 0xFF0000FFu);
  // A change through a lock is seen at the next draw.
  void* bits = nullptr;
  int32_t bytes = 0;
  ASSERT_EQ(red->Lock(nullptr, &bits, &bytes, kLockWait), err::kOk);
  static_cast<uint16_t*>(bits)[0] = 0x07E0;  // green
  red->Unlock();
  c.dev->SetTexture(0, red);
  c.Quad(0, 0, 4, 8, 0xFFFFFFFFu);
  EXPECT_EQ(c.Raw(0, 0), 0xFF00FF00u);
  EXPECT_EQ(c.Raw(3, 3), 0xFFFF0000u);
  // 32-bit RGB whose alpha bytes are all 255 (a picture without alpha) is
  // read from its own memory; with any other alpha byte, from a copy whose
  // alpha is 255.
  EXPECT_EQ(bluePixels, reinterpret_cast<const uint32_t*>(blue->Bits()));
  ASSERT_EQ(blue->Lock(nullptr, &bits, &bytes, kLockWait), err::kOk);
  static_cast<uint32_t*>(bits)[0] = 0x0000FF00u;  // green, alpha byte 0
  blue->Unlock();
  c.dev->SetTexture(0, blue);
  c.Quad(4, 0, 8, 8, 0xFFFFFFFFu);
  EXPECT_EQ(c.Raw(4, 0), 0xFF00FF00u);
  EXPECT_EQ(c.Raw(7, 7), 0xFF0000FFu);
  EXPECT_NE(blue->ArgbPixels(&pitch), reinterpret_cast<const uint32_t*>(blue->Bits()));
  c.dev->SetTexture(0, nullptr);
}

TEST_F(SdevTest, BlitsNeedMatchingFormatsAndStretchCopyConverts) {
  Canvas c(8, 8, Format::X8R8G8B8);
  Surface* argb = c.MakeSurface(8, 8, Format::A8R8G8B8, caps::kOffscreenPlain);
  Surface* rgb565 = c.MakeSurface(4, 4, Format::R5G6B5, caps::kOffscreenPlain);
  c.owned.push_back(argb);
  c.owned.push_back(rgb565);
  BltFx fx;
  fx.fillColor = 0xF800;
  rgb565->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx);
  EXPECT_EQ(c.target->Blt(nullptr, rgb565, nullptr, kBltWait, nullptr), err::kFormatMismatch);
  EXPECT_EQ(c.target->Blt(nullptr, argb, nullptr, kBltWait, nullptr), err::kOk);  // the alpha byte differs only
  ASSERT_EQ(StretchCopy(*c.target, Rect{0, 0, 8, 8}, *rgb565, Rect{0, 0, 4, 4}), err::kOk);
  EXPECT_EQ(c.At(7, 7), 0xFFFF0000u);
  void* bits = nullptr;
  int32_t pitch = 0;
  ASSERT_EQ(argb->Lock(nullptr, &bits, &pitch, kLockWait), err::kOk);
  EXPECT_EQ(argb->Lock(nullptr, &bits, &pitch, kLockWait), err::kSurfaceBusy);
  EXPECT_EQ(c.target->Blt(nullptr, argb, nullptr, kBltWait, nullptr), err::kSurfaceBusy);
  EXPECT_EQ(argb->Unlock(), err::kOk);
  EXPECT_EQ(argb->Unlock(), err::kNotLocked);
}

// --- Loss, restore, video memory, faults ---

TEST_F(SdevTest, LostSurfacesRefuseWorkUntilRestoredWithTheLoudPattern) {
  Canvas c(8, 8);
  Surface* sys = c.MakeSurface(4, 4, Format::X8R8G8B8, caps::kOffscreenPlain | caps::kSystemMemory);
  c.owned.push_back(sys);
  Fault::LoseDevice();
  EXPECT_TRUE(c.target->IsLost());
  EXPECT_FALSE(sys->IsLost());
  void* bits;
  int32_t pitch;
  EXPECT_EQ(c.target->Lock(nullptr, &bits, &pitch, kLockWait), err::kSurfaceLost);
  EXPECT_EQ(c.Draw(PrimType::PointList, {V(1, 1)}), err::kSurfaceLost);
  EXPECT_EQ(c.dd->TestCooperativeLevel(), err::kNotExclusive);
  EXPECT_EQ(c.target->Restore(), err::kNotExclusive);
  Fault::RegainFocus();
  EXPECT_EQ(c.dd->TestCooperativeLevel(), err::kOk);
  EXPECT_TRUE(c.target->IsLost());
  EXPECT_EQ(c.dd->RestoreAllSurfaces(), err::kOk);
  EXPECT_FALSE(c.target->IsLost());
  EXPECT_EQ(c.Raw(3, 3), 0xCDCDCDCDu);
}

TEST_F(SdevTest, VideoMemoryIsChargedAndRunsOut) {
  test::Config cfg = test::DefaultConfig();
  cfg.videoMemoryBytes = 64 * 64 * 4 * 3;
  Fault::Install(cfg);
  Canvas c(64, 64);  // the target takes one share
  ASSERT_NE(c.dev, nullptr);
  uint64_t before = Fault::VideoMemoryInUse();
  // Held by the canvas, so that a failure below leaves nothing behind.
  Surface* a = c.MakeSurface(64, 64, Format::A8R8G8B8, caps::kTexture | caps::kVideoMemory);
  ASSERT_NE(a, nullptr);
  c.owned.push_back(a);
  EXPECT_EQ(Fault::VideoMemoryInUse(), before + 64 * 64 * 4);
  SurfaceDesc d;
  d.flags = kSdCaps | kSdWidth | kSdHeight;
  d.caps = caps::kOffscreenPlain | caps::kVideoMemory;
  d.width = d.height = 64;
  Surface* b = c.MakeSurface(64, 64, Format::A8R8G8B8, caps::kTexture | caps::kVideoMemory);
  ASSERT_NE(b, nullptr);
  c.owned.push_back(b);
  Surface* none = nullptr;
  EXPECT_EQ(c.dd->CreateSurface(d, &none), err::kOutOfVideoMemory);
  if (none) c.owned.push_back(none);
  none = nullptr;
  d.caps = caps::kOffscreenPlain;  // no placement asked: system memory instead
  ASSERT_EQ(c.dd->CreateSurface(d, &none), err::kOk);
  c.owned.push_back(none);
  EXPECT_TRUE(none->Caps() & caps::kSystemMemory);
  for (Surface* s : c.owned) s->Release();
  c.owned.clear();
  EXPECT_EQ(Fault::VideoMemoryInUse(), before);
}

TEST_F(SdevTest, FaultsAreInjectedByOperationAndCounted) {
  Canvas c(4, 4);
  Fault::FailNext(test::Op::Blt, err::kSurfaceLost, 2);
  BltFx fx;
  EXPECT_EQ(c.target->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx), err::kSurfaceLost);
  EXPECT_EQ(c.target->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx), err::kSurfaceLost);
  EXPECT_EQ(c.target->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx), err::kOk);
  EXPECT_GE(Fault::Count(test::Op::Blt), 3);
  Fault::FailNext(test::Op::EndScene, err::kScene2FB);
  EXPECT_EQ(c.dev->EndScene(), err::kScene2FB);
  EXPECT_EQ(c.dev->BeginScene(), err::kOk);
}

}  // namespace
