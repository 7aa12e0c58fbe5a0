// The 3-D device: scenes, states, transforms, lighting, vertex formats and
// the dispatch of primitives to the rasteriser.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "render/sdev/internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace sdev {

namespace {

constexpr int kStages = 8;

void Identity(double m[16]) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

void Multiply(const double a[16], const double b[16], double out[16]) {
  double r[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += a[i * 4 + k] * b[k * 4 + j];
      r[i * 4 + j] = s;
    }
  std::memcpy(out, r, sizeof r);
}

}  // namespace

struct Device::State {
  uint32_t rs[256] = {};
  uint32_t tss[kStages][32] = {};
  Surface* tex[kStages] = {};
  double world[16], view[16], proj[16], combined[16];
  Viewport vp;
  bool hasClip = false;
  Rect clip;
  std::vector<Light> lights;
  std::vector<bool> enabled;
  Material material;
  bool inScene = false;
  std::vector<raster::RVert> verts;
  std::vector<uint8_t> valid;
  std::vector<uint32_t> targetCopy;
};

Device::Device() : st_(new State) {
  State& s = *st_;
  Identity(s.world);
  Identity(s.view);
  Identity(s.proj);
  Identity(s.combined);
  s.rs[uint32_t(RS::ShadeMode)] = kShadeGouraud;
  s.rs[uint32_t(RS::ZWriteEnable)] = 1;
  s.rs[uint32_t(RS::SrcBlend)] = kBlendOne;
  s.rs[uint32_t(RS::DestBlend)] = kBlendZero;
  s.rs[uint32_t(RS::CullMode)] = kCullCCW;
  s.rs[uint32_t(RS::TextureFactor)] = 0xFFFFFFFFu;
  s.rs[uint32_t(RS::Clipping)] = 1;
  s.rs[uint32_t(RS::Lighting)] = 1;
  s.rs[uint32_t(RS::ColorVertex)] = 1;
  for (int i = 0; i < kStages; ++i) {
    uint32_t* t = s.tss[i];
    t[uint32_t(TSS::ColorOp)] = i == 0 ? kOpModulate : kOpDisable;
    t[uint32_t(TSS::ColorArg1)] = kArgTexture;
    t[uint32_t(TSS::ColorArg2)] = kArgCurrent;
    t[uint32_t(TSS::AlphaOp)] = i == 0 ? kOpSelectArg1 : kOpDisable;
    t[uint32_t(TSS::AlphaArg1)] = kArgTexture;
    t[uint32_t(TSS::AlphaArg2)] = kArgCurrent;
    t[uint32_t(TSS::AddressU)] = kAddressWrap;
    t[uint32_t(TSS::AddressV)] = kAddressWrap;
    t[uint32_t(TSS::MagFilter)] = kFilterPoint;
    t[uint32_t(TSS::MinFilter)] = kFilterPoint;
    t[uint32_t(TSS::MipFilter)] = 1;
  }
}

Device::~Device() {
  detail::Settle();
  for (Surface*& t : st_->tex)
    if (t) t->Release();
  delete st_;
  if (target_) target_->Release();
  if (dd_) dd_->Release();
}

uint32_t Device::Release() {
  uint32_t r = --refs_;
  if (r == 0) delete this;
  return r;
}

HResult Direct3D::CreateDevice(const Guid& dev, Surface* renderTarget, Device** out) {
  if (!out || !renderTarget) return err::kInvalidArg;
  *out = nullptr;
  test::Fault::Log("CreateDevice");
  if (HResult f = test::Fault::Check(test::Op::CreateDevice, dd_->AdapterIndex())) return f;
  const auto& adapters = sdev::Config().adapters;
  size_t ai = size_t(dd_->AdapterIndex());
  if (ai >= adapters.size()) return err::kFail;
  const D3DDeviceDesc* found = nullptr;
  for (const auto& d : adapters[ai].d3dDevices)
    if (d.second.guid == dev) found = &d.second;
  if (!found) return err::kInvalidArg;
  if (!(renderTarget->Caps() & caps::k3DDevice)) return err::kInvalidArg;
  if (renderTarget->IsLost()) return err::kSurfaceLost;
  Device* d = new Device;
  d->desc_ = *found;
  d->target_ = renderTarget;
  renderTarget->AddRef();
  d->dd_ = dd_;
  dd_->AddRef();
  d->st_->vp.width = renderTarget->Width();
  d->st_->vp.height = renderTarget->Height();
  *out = d;
  return err::kOk;
}

HResult Device::GetCaps(D3DDeviceDesc* out) const {
  if (!out) return err::kInvalidArg;
  *out = desc_;
  return err::kOk;
}

HResult Device::BeginScene() {
  if (HResult f = test::Fault::Check(test::Op::BeginScene, dd_->AdapterIndex())) return f;
  if (st_->inScene) return err::kInScene;
  if (target_->IsLost()) return err::kSurfaceLost;
  st_->inScene = true;
  return err::kOk;
}

HResult Device::EndScene() {
  if (HResult f = test::Fault::Check(test::Op::EndScene, dd_->AdapterIndex())) {
    st_->inScene = false;
    return f;
  }
  if (!st_->inScene) return err::kNotInScene;
  st_->inScene = false;
  detail::Settle();  // the scene's pixels are all in memory when it ends
  if (target_->IsLost()) return err::kSurfaceLost;
  return err::kOk;
}

HResult Device::SetRenderState(RS s, uint32_t v) {
  if (uint32_t(s) >= 256) return err::kInvalidArg;
  st_->rs[uint32_t(s)] = v;
  return err::kOk;
}

HResult Device::GetRenderState(RS s, uint32_t* v) const {
  if (uint32_t(s) >= 256 || !v) return err::kInvalidArg;
  *v = st_->rs[uint32_t(s)];
  return err::kOk;
}

HResult Device::SetTextureStageState(uint32_t stage, TSS s, uint32_t v) {
  if (stage >= kStages || uint32_t(s) >= 32) return err::kInvalidArg;
  st_->tss[stage][uint32_t(s)] = v;
  return err::kOk;
}

HResult Device::GetTextureStageState(uint32_t stage, TSS s, uint32_t* v) const {
  if (stage >= kStages || uint32_t(s) >= 32 || !v) return err::kInvalidArg;
  *v = st_->tss[stage][uint32_t(s)];
  return err::kOk;
}

HResult Device::SetTexture(uint32_t stage, Surface* tex) {
  if (stage >= kStages) return err::kInvalidArg;
  if (tex && !BytesPerPixel(tex->Format())) return err::kInvalidArg;
  if (tex) tex->AddRef();
  if (st_->tex[stage]) st_->tex[stage]->Release();
  st_->tex[stage] = tex;
  return err::kOk;
}

HResult Device::SetTransform(Transform t, const float m[16]) {
  double* dst = t == Transform::World ? st_->world : t == Transform::View ? st_->view
                : t == Transform::Projection ? st_->proj : nullptr;
  if (!dst || !m) return err::kInvalidArg;
  for (int i = 0; i < 16; ++i) dst[i] = m[i];
  double wv[16];
  Multiply(st_->world, st_->view, wv);
  Multiply(wv, st_->proj, st_->combined);
  return err::kOk;
}

HResult Device::GetTransform(Transform t, float m[16]) const {
  const double* src = t == Transform::World ? st_->world : t == Transform::View ? st_->view
                      : t == Transform::Projection ? st_->proj : nullptr;
  if (!src || !m) return err::kInvalidArg;
  for (int i = 0; i < 16; ++i) m[i] = float(src[i]);
  return err::kOk;
}

HResult Device::SetViewport(const Viewport& vp) {
  if (vp.width == 0 || vp.height == 0 || vp.width > 65536 || vp.height > 65536) return err::kInvalidArg;
  st_->vp = vp;
  return err::kOk;
}

HResult Device::GetViewport(Viewport* out) const {
  if (!out) return err::kInvalidArg;
  *out = st_->vp;
  return err::kOk;
}

HResult Device::SetClipRect(const Rect* r) {
  st_->hasClip = r != nullptr;
  if (r) st_->clip = *r;
  return err::kOk;
}

// Lights 0..255; the lists grow to hold index i.
static bool LightSlot(Device::State& s, uint32_t i) {
  if (i > 255) return false;
  if (s.lights.size() <= i) {
    s.lights.resize(i + 1);
    s.enabled.resize(i + 1, false);
  }
  return true;
}

HResult Device::SetLight(uint32_t i, const Light& l) {
  if (!LightSlot(*st_, i)) return err::kInvalidArg;
  st_->lights[i] = l;
  return err::kOk;
}

HResult Device::LightEnable(uint32_t i, bool on) {
  if (!LightSlot(*st_, i)) return err::kInvalidArg;
  st_->enabled[i] = on;
  return err::kOk;
}

HResult Device::SetMaterial(const Material& m) {
  st_->material = m;
  return err::kOk;
}

HResult Device::Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z, uint32_t stencil) {
  if (target_->IsLost()) return err::kSurfaceLost;
  Rect vpRect{st_->vp.x, st_->vp.y, st_->vp.x + int32_t(st_->vp.width), st_->vp.y + int32_t(st_->vp.height)};
  std::vector<Rect> list;
  if (count == 0 || !rects)
    list.push_back(vpRect);
  else
    list.assign(rects, rects + count);
  BltFx fx;
  if (flags & kClearTarget) {
    fx.fillColor = EncodeColor(target_->Format(), color);
    for (const Rect& r : list) {
      Rect c = Intersect(r, vpRect);
      if (c.IsEmpty()) continue;
      if (G().recorder) {
        test::DrawCall call;
        call.target = target_;
        call.srcBlend = color;
        call.clip = Intersect(c, Rect{0, 0, int32_t(target_->Width()), int32_t(target_->Height())});
        G().recorder(call);
      }
      if (HResult h = target_->Blt(&c, nullptr, nullptr, kBltColorFill, &fx)) return h;
    }
  }
  Surface* zs = nullptr;
  if ((flags & kClearZBuffer) && target_->GetAttachedSurface(caps::kZBuffer, &zs) == err::kOk) {
    uint32_t zmax = zs->Format().bitCount >= 32 ? 0xFFFFFFFFu : (1u << zs->Format().bitCount) - 1;
    fx.fillColor = uint32_t(double(zmax) * std::min(1.f, std::max(0.f, z)));
    for (const Rect& r : list) {
      Rect c = Intersect(r, vpRect);
      if (!c.IsEmpty()) zs->Blt(&c, nullptr, nullptr, kBltColorFill, &fx);
    }
    zs->Release();
  }
  return err::kOk;
}

HResult Device::EnumTextureFormats(const std::function<bool(const PixelFormat&)>& cb) const {
  const auto& adapters = sdev::Config().adapters;
  size_t ai = size_t(dd_->AdapterIndex());
  if (ai >= adapters.size()) return err::kFail;
  auto formats = adapters[ai].textureFormats;
  for (const auto& f : formats)
    if (!cb(f)) break;
  return err::kOk;
}

HResult Device::DrawPrimitive(PrimType t, uint32_t fvf, const void* verts, uint32_t count, uint32_t flags) {
  if (HResult f = test::Fault::Check(test::Op::DrawPrimitive, dd_->AdapterIndex())) return f;
  return Draw(t, fvf, verts, count, nullptr, 0);
}

HResult Device::DrawIndexedPrimitive(PrimType t, uint32_t fvf, const void* verts, uint32_t vcount, const uint16_t* idx,
                                     uint32_t icount, uint32_t flags) {
  if (HResult f = test::Fault::Check(test::Op::DrawIndexed, dd_->AdapterIndex())) return f;
  if (!idx && icount) return err::kInvalidArg;
  // The largest index against the vertices (a loop without an early exit, which vectorises).
  uint32_t most = 0;
  for (uint32_t i = 0; i < icount; ++i) most = std::max<uint32_t>(most, idx[i]);
  if (icount && most >= vcount) return err::kInvalidArg;
  return Draw(t, fvf, verts, vcount, idx, icount);
}

namespace {

struct LightSetup {
  float ambient[3];
  struct L {
    float dir[3];  // towards the light, normalised (directional)
    float pos[3];
    bool point;
    float diffuse[3];
  };
  std::vector<L> lights;
};

// How many corners of triangle (d, e, f) are corners of (a, b, c).
int Shared(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f) {
  int n = 0;
  for (uint32_t x : {d, e, f}) n += x == a || x == b || x == c;
  return n;
}

float Dot3(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// A vertex far beyond any target, or not a number (a huge scale from a
// script, a broken transform), would overflow the pixel arithmetic: the
// primitives that use it are not drawn.
inline bool OutOfReach(const raster::RVert& o) {
  constexpr float kPixelGuard = float(1 << 24), kTexelGuard = float(1 << 16);
  return !(std::fabs(o.x) <= kPixelGuard && std::fabs(o.y) <= kPixelGuard && std::fabs(o.u) <= kTexelGuard &&
           std::fabs(o.v) <= kTexelGuard);
}

inline void SetDiffuse(raster::RVert& o, uint32_t diffuse) {
#if defined(__SSE2__)
  // The four bytes widened and converted at once, as a r g b.
  const __m128i z = _mm_setzero_si128();
  const __m128i bgra = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(diffuse)), z), z);
  _mm_storeu_ps(&o.a, _mm_cvtepi32_ps(_mm_shuffle_epi32(bgra, _MM_SHUFFLE(0, 1, 2, 3))));
#else
  o.a = float(diffuse >> 24);
  o.r = float((diffuse >> 16) & 0xFF);
  o.g = float((diffuse >> 8) & 0xFF);
  o.b = float(diffuse & 0xFF);
#endif
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LANTERN_HAVE_AVX512_VERTICES 1
#if defined(__GNUC__) && !defined(__clang__)
// GCC's headers start the rounded arithmetic from an undefined register.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// The 2-D pass (a transform whose w is 1) of vertices [from, count) four at
// a time with AVX-512: the operations of the SSE2 loop in Draw, in the same
// order, each rounded on its own (no multiply and add fused), so the same
// numbers. It stops at a group of four with a vertex that is not finite or
// out of reach, left to that loop, or at the last three: the index of the
// first vertex not done is returned.
__attribute__((target("avx512f,avx512vl"))) uint32_t FlatVerticesAvx512(const uint8_t* base, uint32_t from,
                                                                       uint32_t count, const double* m,
                                                                       const Viewport& vp, bool diffuse,
                                                                       raster::RVert* out) {
  constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
  // Lanes x y of vertex 0, x y of vertex 1, ...
  const __m512d m0 = _mm512_setr_pd(m[0], m[1], m[0], m[1], m[0], m[1], m[0], m[1]);
  const __m512d m4 = _mm512_setr_pd(m[4], m[5], m[4], m[5], m[4], m[5], m[4], m[5]);
  const __m512d m8 = _mm512_setr_pd(m[8], m[9], m[8], m[9], m[8], m[9], m[8], m[9]);
  const __m512d m12 = _mm512_setr_pd(m[12], m[13], m[12], m[13], m[12], m[13], m[12], m[13]);
  const double w = double(vp.width), h = double(vp.height), ox = double(vp.x), oy = double(vp.y);
  const __m512d size = _mm512_setr_pd(w, h, w, h, w, h, w, h), origin = _mm512_setr_pd(ox, oy, ox, oy, ox, oy, ox, oy);
  const __m512d one = _mm512_set1_pd(1.0), half = _mm512_set1_pd(0.5);
  const __m512i flipY = _mm512_setr_epi64(0, INT64_MIN, 0, INT64_MIN, 0, INT64_MIN, 0, INT64_MIN);
  // Each vertex's x twice, then each one's y twice (from two vertices' 16 floats each), and its z twice.
  const __m512i pickXY = _mm512_setr_epi32(0, 0, 8, 8, 16, 16, 24, 24, 1, 1, 9, 9, 17, 17, 25, 25);
  const __m512i pickZ = _mm512_setr_epi32(2, 2, 10, 10, 18, 18, 26, 26, 2, 2, 10, 10, 18, 18, 26, 26);
  // Finite x, y, z of each vertex; u, v within the texel guard.
  const __mmask16 xyz = 0x0707, uv = 0xC0C0;
  const __m512i expMask = _mm512_set1_epi32(0x7F800000);
  const __m512 texelGuard = _mm512_set1_ps(float(1 << 16));
  const __m256 pixelGuard = _mm256_set1_ps(float(1 << 24));
  const __m512i absMask = _mm512_set1_epi32(0x7FFFFFFF);
  const __m256i absMask8 = _mm256_set1_epi32(0x7FFFFFFF);
  const __m128i z = _mm_setzero_si128();
  const __m128 zeroOne = _mm_setr_ps(0.f, 1.f, 0.f, 0.f);
  uint32_t i = from;
  for (; i + 4 <= count; i += 4) {
    const uint8_t* p = base + size_t(i) * 32;
    const __m512 v01 = _mm512_loadu_ps(p), v23 = _mm512_loadu_ps(p + 64);
    const __m512i b01 = _mm512_castps_si512(v01), b23 = _mm512_castps_si512(v23);
    if (_mm512_mask_cmpeq_epi32_mask(xyz, _mm512_and_si512(b01, expMask), expMask) |
        _mm512_mask_cmpeq_epi32_mask(xyz, _mm512_and_si512(b23, expMask), expMask))
      break;
    if ((_mm512_mask_cmp_ps_mask(uv, _mm512_castsi512_ps(_mm512_and_si512(b01, absMask)), texelGuard, _CMP_LE_OQ) &
         _mm512_mask_cmp_ps_mask(uv, _mm512_castsi512_ps(_mm512_and_si512(b23, absMask)), texelGuard, _CMP_LE_OQ)) !=
        0xC0C0)
      break;
    const __m512 fxy = _mm512_permutex2var_ps(v01, pickXY, v23), fz = _mm512_permutex2var_ps(v01, pickZ, v23);
    const __m512d f0 = _mm512_cvtps_pd(_mm512_castps512_ps256(fxy));
    const __m512d f1 = _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(fxy), 1)));
    const __m512d f2 = _mm512_cvtps_pd(_mm512_castps512_ps256(fz));
    const __m512d c01 = _mm512_add_round_pd(_mm512_mul_round_pd(f0, m0, kNearest), _mm512_mul_round_pd(f1, m4, kNearest),
                                            kNearest);
    const __m512d c = _mm512_add_round_pd(_mm512_add_round_pd(c01, _mm512_mul_round_pd(f2, m8, kNearest), kNearest),
                                          m12, kNearest);
    const __m512d flipped = _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(c), flipY));
    const __m512d scaled = _mm512_mul_round_pd(
        _mm512_mul_round_pd(_mm512_add_round_pd(flipped, one, kNearest), size, kNearest), half, kNearest);
    const __m256 xy = _mm512_cvtpd_ps(_mm512_add_round_pd(origin, scaled, kNearest));
    if (_mm256_cmp_ps_mask(_mm256_castsi256_ps(_mm256_and_si256(_mm256_castps_si256(xy), absMask8)), pixelGuard,
                           _CMP_LE_OQ) != 0xFF)
      break;
    const __m128 xy01 = _mm256_castps256_ps128(xy), xy23 = _mm256_extractf128_ps(xy, 1);
    const __m128 pos[4] = {_mm_movelh_ps(xy01, zeroOne), _mm_movelh_ps(_mm_movehl_ps(xy01, xy01), zeroOne),
                           _mm_movelh_ps(xy23, zeroOne), _mm_movelh_ps(_mm_movehl_ps(xy23, xy23), zeroOne)};
    for (int k = 0; k < 4; ++k) {
      raster::RVert& o = out[i + uint32_t(k)];
      const uint8_t* q = p + 32 * k;
      _mm_storeu_ps(&o.x, pos[k]);  // x y z rhw
      std::memcpy(&o.u, q + 24, 8);
      uint32_t d = 0xFFFFFFFFu;
      if (diffuse) std::memcpy(&d, q + 16, 4);
      const __m128i bgra = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(d)), z), z);
      _mm_storeu_ps(&o.a, _mm_cvtepi32_ps(_mm_shuffle_epi32(bgra, _MM_SHUFFLE(0, 1, 2, 3))));
    }
  }
  return i;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

void Normalize3(float* v) {
  float l = std::sqrt(Dot3(v, v));
  if (l > 0)
    for (int i = 0; i < 3; ++i) v[i] /= l;
}

}  // namespace

void Device::Record(PrimType t, const uint16_t* idx, uint32_t n, Surface* tex, const raster::PixelState& ps,
                    const Rect& clip) {
  const State& s = *st_;
  test::DrawCall call;
  auto V = [&](uint32_t k) -> uint32_t { return idx ? idx[k] : k; };
  auto add = [&](std::initializer_list<uint32_t> ids) {
    for (uint32_t id : ids)
      if (!s.valid[id]) return;
    call.indices.insert(call.indices.end(), ids);
  };
  switch (t) {
    case PrimType::PointList:
      call.type = PrimType::PointList;
      for (uint32_t k = 0; k < n; ++k) add({V(k)});
      break;
    case PrimType::LineList:
    case PrimType::LineStrip:
      call.type = PrimType::LineList;
      for (uint32_t k = 0; k + 1 < n; k += t == PrimType::LineList ? 2 : 1) add({V(k), V(k + 1)});
      break;
    case PrimType::TriList:
      for (uint32_t k = 0; k + 2 < n; k += 3) add({V(k), V(k + 1), V(k + 2)});
      break;
    case PrimType::TriStrip:
      for (uint32_t k = 0; k + 2 < n; ++k)
        if (k & 1)
          add({V(k + 1), V(k), V(k + 2)});
        else
          add({V(k), V(k + 1), V(k + 2)});
      break;
    case PrimType::TriFan:
      for (uint32_t k = 1; k + 1 < n; ++k) add({V(0), V(k), V(k + 1)});
      break;
    default: return;
  }
  for (size_t i = 0; i < s.valid.size(); ++i) {
    const raster::RVert& v = s.verts[i];
    auto q = [](float c) { return uint32_t(std::min(255.f, std::max(0.f, c)) + 0.5f); };
    call.vertices.push_back({v.x, v.y, v.u, v.v, q(v.a) << 24 | q(v.r) << 16 | q(v.g) << 8 | q(v.b)});
  }
  call.target = target_;
  if (ps.tex) {
    call.texture = tex;
    call.texels = ps.tex->px;
    call.texWidth = ps.tex->w;
    call.texHeight = ps.tex->h;
    call.texPitch = ps.tex->pitch;
    call.textureGeneration = tex->Generation();
  }
  call.blend = ps.blend;
  call.linear = ps.linear;
  call.srcBlend = ps.srcBlend;
  call.dstBlend = ps.dstBlend;
  call.colorOp = ps.colorOp;
  call.colorArg1 = ps.colorArg1;
  call.colorArg2 = ps.colorArg2;
  call.alphaOp = ps.alphaOp;
  call.alphaArg1 = ps.alphaArg1;
  call.alphaArg2 = ps.alphaArg2;
  call.clip = clip;
  G().recorder(call);
}

HResult Device::Draw(PrimType t, uint32_t fvf, const void* verts, uint32_t vcount, const uint16_t* idx,
                     uint32_t icount) {
  State& s = *st_;
  if (!s.inScene) return err::kNotInScene;
  if (target_->IsLost()) return err::kSurfaceLost;
  if (fvf != fvf::kVertex && fvf != fvf::kLVertex && fvf != fvf::kTLVertex) return err::kInvalidArg;
  if (!verts && vcount) return err::kInvalidArg;
  uint32_t n = idx ? icount : vcount;
  if (n == 0) return err::kOk;
  if (!BytesPerPixel(target_->Format()) || (target_->Format().flags & kPfZBuffer)) return err::kFail;

  // --- Vertex processing ---
  if (s.verts.size() < vcount) s.verts.resize(vcount);  // kept between draws: no refill
  s.valid.assign(vcount, 1);
  const uint8_t* base = static_cast<const uint8_t*>(verts);
  const Viewport& vp = s.vp;
  bool lit = fvf == fvf::kVertex && s.rs[uint32_t(RS::Lighting)];
  LightSetup ls;
  if (lit) {
    uint32_t amb = s.rs[uint32_t(RS::Ambient)];
    for (int c = 0; c < 3; ++c) ls.ambient[c] = float((amb >> (16 - 8 * c)) & 0xFF) / 255.f * s.material.ambient[c];
    for (size_t i = 0; i < s.lights.size(); ++i) {
      if (!s.enabled[i]) continue;
      const Light& l = s.lights[i];
      LightSetup::L x;
      x.point = l.type == uint32_t(LightType::Point) || l.type == uint32_t(LightType::Spot);
      for (int c = 0; c < 3; ++c) {
        x.dir[c] = -l.direction[c];
        x.pos[c] = l.position[c];
        x.diffuse[c] = l.diffuse[c] * s.material.diffuse[c];
        ls.ambient[c] += l.ambient[c] * s.material.ambient[c];
      }
      Normalize3(x.dir);
      ls.lights.push_back(x);
    }
  }
  // A transform whose w is 1 for every vertex with finite coordinates (the
  // 2-D pass): w and the division by it are left out, and z (the rasteriser
  // has no depth); a vertex that is not finite gets no w and is not drawn,
  // as the full transform leaves it.
  const double* m = s.combined;
  const bool flatW = fvf != fvf::kTLVertex && !lit && m[3] == 0 && m[7] == 0 && m[11] == 0 && m[15] == 1;
#if defined(__SSE2__)
  // x and y side by side: the same operations in the same order on each.
  const __m128d m0 = _mm_setr_pd(m[0], m[1]), m4 = _mm_setr_pd(m[4], m[5]), m8 = _mm_setr_pd(m[8], m[9]);
  const __m128d m12 = _mm_setr_pd(m[12], m[13]), flipY = _mm_setr_pd(0.0, -0.0), one = _mm_set1_pd(1.0);
  const __m128d size = _mm_setr_pd(double(vp.width), double(vp.height)), half = _mm_set1_pd(0.5);
  const __m128d origin = _mm_setr_pd(double(vp.x), double(vp.y));
#endif
  auto flatVertex = [&](uint32_t i) {
    const uint8_t* p = base + size_t(i) * 32;
    float f[8];
    std::memcpy(f, p, 32);
    raster::RVert& o = s.verts[i];
    if (!(std::isfinite(f[0]) && std::isfinite(f[1]) && std::isfinite(f[2]))) {
      s.valid[i] = 0;
      return;
    }
#if defined(__SSE2__)
    // (cx + 1) and (1 - cy) as cx + 1 and -cy + 1: a subtraction is the sum with the negation.
    const __m128d c01 = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(f[0]), m0), _mm_mul_pd(_mm_set1_pd(f[1]), m4));
    const __m128d c = _mm_add_pd(_mm_add_pd(c01, _mm_mul_pd(_mm_set1_pd(f[2]), m8)), m12);
    const __m128d xy = _mm_add_pd(origin, _mm_mul_pd(_mm_mul_pd(_mm_add_pd(_mm_xor_pd(c, flipY), one), size), half));
    const __m128 xyf = _mm_cvtpd_ps(xy);
    o.x = _mm_cvtss_f32(xyf);
    o.y = _mm_cvtss_f32(_mm_shuffle_ps(xyf, xyf, 1));
#else
    const double cx = f[0] * m[0] + f[1] * m[4] + f[2] * m[8] + m[12];
    const double cy = f[0] * m[1] + f[1] * m[5] + f[2] * m[9] + m[13];
    o.x = float(vp.x + (cx + 1.0) * vp.width * 0.5);
    o.y = float(vp.y + (1.0 - cy) * vp.height * 0.5);
#endif
    o.z = 0;
    o.rhw = 1;
    o.u = f[6];
    o.v = f[7];
    if (OutOfReach(o)) {
      s.valid[i] = 0;
      return;
    }
    uint32_t diffuse = 0xFFFFFFFFu;
    if (fvf == fvf::kLVertex) std::memcpy(&diffuse, p + 16, 4);
    SetDiffuse(o, diffuse);
  };
  const bool flatFours = flatW && raster::VectorLevel() >= 3;
  for (uint32_t i = 0; flatW && i < vcount;) {
#if defined(LANTERN_HAVE_AVX512_VERTICES)
    // Four at a time up to a group that is not plain, which goes one by one.
    if (flatFours) i = FlatVerticesAvx512(base, i, vcount, m, vp, fvf == fvf::kLVertex, s.verts.data());
#endif
    for (const uint32_t end = flatFours ? std::min(vcount, i + 4) : vcount; i < end; ++i) flatVertex(i);
  }
  for (uint32_t i = 0; !flatW && i < vcount; ++i) {
    const uint8_t* p = base + size_t(i) * 32;
    float f[8];
    std::memcpy(f, p, 32);
    raster::RVert& o = s.verts[i];
    uint32_t diffuse = 0xFFFFFFFFu;
    if (fvf == fvf::kTLVertex) {
      o.x = f[0] + float(vp.x);
      o.y = f[1] + float(vp.y);
      o.z = f[2];
      o.rhw = f[3];
      std::memcpy(&diffuse, p + 16, 4);
    } else {
      const double* m = s.combined;
      double cx = f[0] * m[0] + f[1] * m[4] + f[2] * m[8] + m[12];
      double cy = f[0] * m[1] + f[1] * m[5] + f[2] * m[9] + m[13];
      double cz = f[0] * m[2] + f[1] * m[6] + f[2] * m[10] + m[14];
      double cw = f[0] * m[3] + f[1] * m[7] + f[2] * m[11] + m[15];
      if (!(cw > 1e-9)) {
        s.valid[i] = 0;
        continue;
      }
      if (cw != 1.0) {  // a flat projection (the 2-D pass) divides by one: skipped, the same numbers
        cx /= cw;
        cy /= cw;
        cz /= cw;
      }
      o.x = float(vp.x + (cx + 1.0) * vp.width * 0.5);
      o.y = float(vp.y + (1.0 - cy) * vp.height * 0.5);
      o.z = float(vp.minZ + cz * (vp.maxZ - vp.minZ));
      o.rhw = float(1.0 / cw);
      if (fvf == fvf::kLVertex) std::memcpy(&diffuse, p + 16, 4);
    }
    o.u = f[6];
    o.v = f[7];
    if (OutOfReach(o)) {
      s.valid[i] = 0;
      continue;
    }
    if (lit) {
      // The normal through the world transform (its linear part).
      float nrm[3];
      for (int c = 0; c < 3; ++c)
        nrm[c] = float(f[3] * s.world[0 + c] + f[4] * s.world[4 + c] + f[5] * s.world[8 + c]);
      Normalize3(nrm);
      float col[3] = {ls.ambient[0], ls.ambient[1], ls.ambient[2]};
      for (const auto& l : ls.lights) {
        float dir[3] = {l.dir[0], l.dir[1], l.dir[2]};
        if (l.point) {
          float wp[3];
          for (int c = 0; c < 3; ++c)
            wp[c] = float(f[0] * s.world[0 + c] + f[1] * s.world[4 + c] + f[2] * s.world[8 + c] + s.world[12 + c]);
          for (int c = 0; c < 3; ++c) dir[c] = l.pos[c] - wp[c];
          Normalize3(dir);
        }
        float k = std::max(0.f, Dot3(nrm, dir));
        for (int c = 0; c < 3; ++c) col[c] += l.diffuse[c] * k;
      }
      for (int c = 0; c < 3; ++c) col[c] += s.material.emissive[c];
      o.r = std::min(1.f, col[0]) * 255.f;
      o.g = std::min(1.f, col[1]) * 255.f;
      o.b = std::min(1.f, col[2]) * 255.f;
      o.a = std::min(1.f, std::max(0.f, s.material.diffuse[3])) * 255.f;
    } else {
      SetDiffuse(o, diffuse);
    }
  }

  // --- Pixel state ---
  raster::PixelState ps;
  const uint32_t* rs = s.rs;
  const uint32_t* t0 = s.tss[0];
  ps.blend = rs[uint32_t(RS::AlphaBlendEnable)] != 0;
  ps.srcBlend = rs[uint32_t(RS::SrcBlend)];
  ps.dstBlend = rs[uint32_t(RS::DestBlend)];
  ps.cull = rs[uint32_t(RS::CullMode)];
  ps.gouraud = rs[uint32_t(RS::ShadeMode)] != kShadeFlat;
  ps.tfactor = rs[uint32_t(RS::TextureFactor)];
  ps.colorOp = t0[uint32_t(TSS::ColorOp)];
  ps.colorArg1 = t0[uint32_t(TSS::ColorArg1)];
  ps.colorArg2 = t0[uint32_t(TSS::ColorArg2)];
  ps.alphaOp = t0[uint32_t(TSS::AlphaOp)];
  ps.alphaArg1 = t0[uint32_t(TSS::AlphaArg1)];
  ps.alphaArg2 = t0[uint32_t(TSS::AlphaArg2)];
  ps.addressU = t0[uint32_t(TSS::AddressU)];
  ps.addressV = t0[uint32_t(TSS::AddressV)];
  ps.linear = t0[uint32_t(TSS::MagFilter)] == kFilterLinear || t0[uint32_t(TSS::MinFilter)] == kFilterLinear;
  raster::TexView tv;
  Surface* tex = s.tex[0];
  if (tex && ps.colorOp != kOpDisable) {
    if (tex->IsLost()) return err::kSurfaceLost;
    // A texture that held pictures are yet to be drawn on is read as they leave it.
    if (detail::gHeldPictures && raster::PicturesHeldOn(tex)) DrawHeldPictures();
    tv.w = int(tex->Width());
    tv.h = int(tex->Height());
    tv.px = tex->ArgbPixels(&tv.pitch);
    tv.surface = tex;
    ps.tex = &tv;
  }

  // --- Target and clip: the viewport, our clip rectangle and the surface ---
  Rect clip{0, 0, int32_t(target_->Width()), int32_t(target_->Height())};
  clip = Intersect(clip, Rect{vp.x, vp.y, vp.x + int32_t(vp.width), vp.y + int32_t(vp.height)});
  if (s.hasClip) clip = Intersect(clip, s.clip);
  if (clip.IsEmpty()) return err::kOk;
  raster::Target tg;
  bool direct = target_->Format().bitCount == 32;
  tg.w = int(target_->Width());
  tg.h = int(target_->Height());
  if (direct) {
    // The surface's own memory: pictures drawn on it may be held back.
    tg.px = reinterpret_cast<uint32_t*>(target_->bits_);
    tg.pitch = target_->Pitch() / 4;
    tg.surface = target_;
  } else {
    // 16-bit targets: the clip area is drawn in ARGB and converted back.
    s.targetCopy.resize(size_t(tg.w) * tg.h);
    tg.px = s.targetCopy.data();
    tg.pitch = tg.w;
    for (int y = clip.top; y < clip.bottom; ++y)
      DecodeRow(target_->Format(), target_->Bits() + size_t(y) * target_->Pitch() + size_t(clip.left) * 2,
                tg.px + size_t(y) * tg.pitch + clip.left, clip.Width());
  }

  // --- Primitives ---
  auto V = [&](uint32_t k) -> uint32_t { return idx ? idx[k] : k; };
  if (G().recorder) Record(t, idx, n, tex, ps, clip);
  const raster::Shared shared = raster::Share(ps);
  auto tri = [&](uint32_t a, uint32_t b, uint32_t c) {
    if (s.valid[a] && s.valid[b] && s.valid[c])
      raster::Triangle(tg, clip, ps, shared, s.verts[a], s.verts[b], s.verts[c]);
  };
  auto area = [&](uint32_t a, uint32_t b, uint32_t c) {
    const raster::RVert &p = s.verts[a], &q = s.verts[b], &r = s.verts[c];
    return (q.x - p.x) * (r.y - p.y) - (r.x - p.x) * (q.y - p.y);
  };
  auto culled = [&](float ar) {
    return (ps.cull == kCullCW && ar > 0) || (ps.cull == kCullCCW && ar < 0);
  };
  // Two triangles (a, b, c) and (d, e, f) that together make an axis-aligned
  // rectangle, split along a diagonal, go to the quad path.
  auto quad = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f) {
    uint32_t ids[6] = {a, b, c, d, e, f};
    for (uint32_t id : ids)
      if (!s.valid[id]) return false;
    if (culled(area(a, b, c)) || culled(area(d, e, f))) return false;
    // The corners: the three of the first triangle and the one of the second that is new.
    if (Shared(a, b, c, d, e, f) != 2) return false;
    uint32_t extra = (d != a && d != b && d != c) ? d : (e != a && e != b && e != c) ? e : f;
    // The unshared corner of the first triangle must be opposite `extra`.
    uint32_t lone = (a != d && a != e && a != f) ? a : (b != d && b != e && b != f) ? b : c;
    const raster::RVert& p = s.verts[lone];
    const raster::RVert& q = s.verts[extra];
    if (p.x == q.x || p.y == q.y) return false;
    const raster::RVert* corners[4] = {&s.verts[a], &s.verts[b], &s.verts[c], &s.verts[extra]};
    return raster::Quad(tg, clip, ps, shared, corners);
  };
  switch (t) {
    case PrimType::PointList:
      for (uint32_t k = 0; k < n; ++k)
        if (s.valid[V(k)]) raster::Point(tg, clip, ps, s.verts[V(k)]);
      break;
    case PrimType::LineList:
      for (uint32_t k = 0; k + 1 < n; k += 2)
        if (s.valid[V(k)] && s.valid[V(k + 1)]) raster::Line(tg, clip, ps, s.verts[V(k)], s.verts[V(k + 1)]);
      break;
    case PrimType::LineStrip:
      for (uint32_t k = 0; k + 1 < n; ++k)
        if (s.valid[V(k)] && s.valid[V(k + 1)]) raster::Line(tg, clip, ps, s.verts[V(k)], s.verts[V(k + 1)]);
      break;
    case PrimType::TriList:
      for (uint32_t k = 0; k + 2 < n; k += 3) {
        if (k + 5 < n && quad(V(k), V(k + 1), V(k + 2), V(k + 3), V(k + 4), V(k + 5))) {
          k += 3;
          continue;
        }
        // Two triangles of a turned quad (the next two are not a quad)
        // are drawn together.
        if (k + 5 < n && Shared(V(k), V(k + 1), V(k + 2), V(k + 3), V(k + 4), V(k + 5)) == 2 &&
            (k + 8 >= n || Shared(V(k + 3), V(k + 4), V(k + 5), V(k + 6), V(k + 7), V(k + 8)) != 2)) {
          const uint32_t ids[6] = {V(k), V(k + 1), V(k + 2), V(k + 3), V(k + 4), V(k + 5)};
          if (std::all_of(ids, ids + 6, [&](uint32_t id) { return s.valid[id] != 0; })) {
            const raster::RVert* both[6];
            for (int j = 0; j < 6; ++j) both[j] = &s.verts[ids[j]];
            raster::TrianglePair(tg, clip, ps, shared, both);
            k += 3;
            continue;
          }
        }
        tri(V(k), V(k + 1), V(k + 2));
      }
      break;
    case PrimType::TriStrip:
      if (n == 4 && quad(V(0), V(1), V(2), V(1), V(3), V(2))) break;
      for (uint32_t k = 0; k + 2 < n; ++k) {
        if (k & 1)
          tri(V(k + 1), V(k), V(k + 2));
        else
          tri(V(k), V(k + 1), V(k + 2));
      }
      break;
    case PrimType::TriFan:
      if (n == 4 && quad(V(0), V(1), V(2), V(0), V(2), V(3))) break;
      for (uint32_t k = 1; k + 1 < n; ++k) tri(V(0), V(k), V(k + 1));
      break;
    default: return err::kInvalidArg;
  }

  if (!direct) {
    for (int y = clip.top; y < clip.bottom; ++y)
      EncodeRow(target_->Format(), tg.px + size_t(y) * tg.pitch + clip.left,
                target_->Bits() + size_t(y) * target_->Pitch() + size_t(clip.left) * 2, clip.Width());
  }
  target_->Touch();
  return err::kOk;
}

}  // namespace sdev
