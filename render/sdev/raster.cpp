// Rasterisation: triangles, lines, points and the axis-aligned quad fast
// path, with the coverage, sampling and shading rules of docs/sdev.md.
//
// Pixel (x, y) has its centre at (x + 0.5, y + 0.5). Every primitive is
// shaded into a row of source colours and blended onto the target row by
// BlendRow.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/sdev/internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace sdev::raster {
namespace {

constexpr int kChunk = 512;

inline int Address(int i, int n, uint32_t mode) {
  if (unsigned(i) < unsigned(n)) return i;
  switch (mode) {
    case kAddressWrap: {
      int m = i % n;
      return m < 0 ? m + n : m;
    }
    case kAddressMirror: {
      int p = 2 * n, m = i % p;
      if (m < 0) m += p;
      return m < n ? m : p - 1 - m;
    }
    default: return i < 0 ? 0 : n - 1;  // clamp (and border)
  }
}

inline uint32_t Pack(float a, float r, float g, float b) {
  auto q = [](float v) { return uint32_t(std::min(255.f, std::max(0.f, v)) + 0.5f); };
  return q(a) << 24 | q(r) << 16 | q(g) << 8 | q(b);
}

inline uint32_t ColorOf(const RVert& v) { return Pack(v.a, v.r, v.g, v.b); }

struct Sampler {
  const TexView* t = nullptr;
  bool linear = false;
  uint32_t au = kAddressWrap, av = kAddressWrap;
  float w = 1, h = 1;
  void Init(const PixelState& s) {
    t = s.tex;
    linear = s.linear;
    au = s.addressU;
    av = s.addressV;
    if (t) {
      w = float(t->w);
      h = float(t->h);
    }
  }
  uint32_t Fetch(int i, int j) const {
    return t->px[size_t(Address(j, t->h, av)) * t->pitch + size_t(Address(i, t->w, au))];
  }
  // u, v in texels (u * width, v * height).
  uint32_t Sample(float U, float V) const {
    if (!linear) return Fetch(int(std::floor(U)), int(std::floor(V)));
    U -= 0.5f;
    V -= 0.5f;
    float fu = std::floor(U), fv = std::floor(V);
    int i = int(fu), j = int(fv);
    uint32_t fx = uint32_t((U - fu) * 256.f + 0.5f), fy = uint32_t((V - fv) * 256.f + 0.5f);
    uint32_t top = fx ? Lerp(Fetch(i, j), Fetch(i + 1, j), fx) : Fetch(i, j);
    if (!fy) return top;
    uint32_t bottom = fx ? Lerp(Fetch(i, j + 1), Fetch(i + 1, j + 1), fx) : Fetch(i, j + 1);
    return Lerp(top, bottom, fy);
  }
};

inline uint32_t Arg(uint32_t arg, uint32_t tex, uint32_t diff, uint32_t tfactor) {
  switch (arg & 0xF) {
    case kArgTexture: return tex;
    case kArgTFactor: return tfactor;
    default: return diff;  // diffuse, and "current" at stage 0
  }
}

inline uint32_t Op1(uint32_t op, uint32_t a, uint32_t b, int sh, uint32_t fallback) {
  uint32_t x = Ch(a, sh), y = Ch(b, sh);
  switch (op) {
    case kOpSelectArg1: return x;
    case kOpSelectArg2: return y;
    case kOpModulate: return Div255(x * y);
    case kOpModulate2x: return std::min<uint32_t>(255, 2 * Div255(x * y));
    case kOpModulate4x: return std::min<uint32_t>(255, 4 * Div255(x * y));
    case kOpAdd: return std::min<uint32_t>(255, x + y);
    default: return Ch(fallback, sh);  // disabled: the diffuse colour
  }
}

// Texture stage 0: colour and alpha from the texture and the diffuse colour.
inline uint32_t Combine(const PixelState& s, uint32_t tex, uint32_t diff) {
  uint32_t c1 = Arg(s.colorArg1, tex, diff, s.tfactor), c2 = Arg(s.colorArg2, tex, diff, s.tfactor);
  uint32_t a1 = Arg(s.alphaArg1, tex, diff, s.tfactor), a2 = Arg(s.alphaArg2, tex, diff, s.tfactor);
  uint32_t r = Op1(s.colorOp, c1, c2, 16, diff), g = Op1(s.colorOp, c1, c2, 8, diff),
           b = Op1(s.colorOp, c1, c2, 0, diff);
  uint32_t a = Op1(s.alphaOp == kOpDisable ? kOpSelectArg2 : s.alphaOp, a1, a2, 24, diff);
  if (s.alphaOp == kOpDisable) a = diff >> 24;
  return a << 24 | r << 16 | g << 8 | b;
}

bool IsDiffuseArg(uint32_t a) { return (a & 0xF) == kArgDiffuse || (a & 0xF) == kArgCurrent; }

// What a primitive's pixels are made of.
struct Plan {
  enum Kind { kTexture, kDiffuse, kGeneric } kind = kGeneric;
  bool uniform = false;  // one diffuse colour over the primitive
  uint32_t color = 0xFFFFFFFF;
};

Plan MakePlan(const PixelState& s, bool uniform, uint32_t color) {
  Plan p;
  p.uniform = uniform;
  p.color = color;
  bool texMod = s.colorOp == kOpModulate && s.alphaOp == kOpModulate &&
                ((s.colorArg1 & 0xF) == kArgTexture ? IsDiffuseArg(s.colorArg2)
                                                     : (s.colorArg2 & 0xF) == kArgTexture && IsDiffuseArg(s.colorArg1)) &&
                ((s.alphaArg1 & 0xF) == kArgTexture ? IsDiffuseArg(s.alphaArg2)
                                                     : (s.alphaArg2 & 0xF) == kArgTexture && IsDiffuseArg(s.alphaArg1));
  auto diffOnly = [&](uint32_t op, uint32_t a1, uint32_t a2) {
    return (op == kOpSelectArg1 && IsDiffuseArg(a1)) || (op == kOpSelectArg2 && IsDiffuseArg(a2)) || op == kOpDisable;
  };
  if (texMod) {
    p.kind = s.tex ? Plan::kTexture : Plan::kDiffuse;
  } else if (diffOnly(s.colorOp, s.colorArg1, s.colorArg2) && diffOnly(s.alphaOp, s.alphaArg1, s.alphaArg2) &&
             s.colorOp != kOpDisable) {
    p.kind = Plan::kDiffuse;
  }
  return p;
}

// Blends the source row onto the target at (x, y).
inline void Emit(const Target& t, int x, int y, const uint32_t* src, int n, BlendKind k, const PixelState& s,
                 uint32_t mod) {
  BlendRow(t.px + size_t(y) * t.pitch + x, src, n, k, s, mod);
}

// int(std::ceil(v)) without a library call (the guard band keeps |v| far below 2^31).
inline int CeilToInt(float v) {
  int i = int(v);
  return float(i) < v ? i + 1 : i;
}

// v as an int within [lo, hi] (NaN gives lo): a nearly flat gradient can put
// a bound far beyond any int.
inline int ClampToInt(float v, int lo, int hi) {
  if (!(v >= float(lo))) return lo;
  if (v >= float(hi)) return hi;
  return int(v);
}

// The k in [0, n) for which lo <= a + d * k <= hi, as [first, end).
inline void Inside(float a, float d, float lo, float hi, int n, int& first, int& end) {
  // None when the bounds hold nothing (a texture one texel across, filtered):
  // the quotients below would swap them into a range.
  if (d == 0 || !(lo <= hi)) {
    if (a < lo || a > hi) first = end = 0;
    return;
  }
  // Every k when the quotients below would say so, told without dividing:
  // the first one's sign is its numerator's, and the second reaches n - 1
  // when its exact value does (the product is exact in double).
  if (d > 0 ? lo <= a && double(hi - a) >= double(n - 1) * double(d)
            : a <= hi && double(lo - a) <= double(n - 1) * double(d))
    return;
  float k0 = (lo - a) / d, k1 = (hi - a) / d;
  if (k0 > k1) std::swap(k0, k1);
  first = std::max(first, ClampToInt(std::ceil(k0), -1, n + 1));
  end = std::min(end, ClampToInt(std::floor(k1), -1, n) + 1);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LANTERN_HAVE_AVX2_SAMPLER 1
// Each 32-bit lane's low 16 bits copied into its high 16 bits.
__attribute__((target("avx2"))) inline __m256i Spread16(__m256i w) { return _mm256_or_si256(w, _mm256_slli_epi32(w, 16)); }

__attribute__((target("avx2"))) inline __m256i Mix16(__m256i a, __m256i b, __m256i f7) {
  return _mm256_add_epi16(a, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(b, a), 1), f7));
}

// Bilinear samples four at a time (16.16 positions fu, fv stepping du, dv;
// every texel pair in bounds): the same arithmetic as the SSE2 loop. Returns
// how many were made (a multiple of four).
__attribute__((target("avx2"))) int BilinearAvx2(const uint32_t* px, size_t pitch, int32_t fu, int32_t fv, int32_t du,
                                                 int32_t dv, int n, uint32_t* out) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i idxA = _mm256_setr_epi32(0, 0, 0, 0, 2, 2, 2, 2), idxB = _mm256_setr_epi32(1, 1, 1, 1, 3, 3, 3, 3);
  const __m256i idxX = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
  const __m128i mask = _mm_set1_epi32(0xFF);
  __m128i u = _mm_setr_epi32(fu, fu + du, fu + 2 * du, fu + 3 * du), v = _mm_setr_epi32(fv, fv + dv, fv + 2 * dv, fv + 3 * dv);
  const __m128i du4 = _mm_set1_epi32(4 * du), dv4 = _mm_set1_epi32(4 * dv), pitch4 = _mm_set1_epi32(int(pitch));
  const long long* top = reinterpret_cast<const long long*>(px);
  const long long* bottom = reinterpret_cast<const long long*>(px + pitch);
  int k = 0;
  for (; k + 4 <= n; k += 4, u = _mm_add_epi32(u, du4), v = _mm_add_epi32(v, dv4)) {
    __m128i offs = _mm_add_epi32(_mm_mullo_epi32(_mm_srai_epi32(v, 16), pitch4), _mm_srai_epi32(u, 16));
    __m256i t = _mm256_i32gather_epi64(top, offs, 4), b = _mm256_i32gather_epi64(bottom, offs, 4);
    __m256i fx = _mm256_castsi128_si256(_mm_slli_epi32(_mm_and_si128(_mm_srai_epi32(u, 8), mask), 7));
    __m256i fy = _mm256_castsi128_si256(_mm_slli_epi32(_mm_and_si128(_mm_srai_epi32(v, 8), mask), 7));
    // Pixels 0 and 2 in one register, 1 and 3 in the other, each as (left texel, right texel).
    __m256i colA = Mix16(_mm256_unpacklo_epi8(t, zero), _mm256_unpacklo_epi8(b, zero),
                         Spread16(_mm256_permutevar8x32_epi32(fy, idxA)));
    __m256i colB = Mix16(_mm256_unpackhi_epi8(t, zero), _mm256_unpackhi_epi8(b, zero),
                         Spread16(_mm256_permutevar8x32_epi32(fy, idxB)));
    __m256i sum = Mix16(_mm256_unpacklo_epi64(colA, colB), _mm256_unpackhi_epi64(colA, colB),
                        Spread16(_mm256_permutevar8x32_epi32(fx, idxX)));
    __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(sum, sum), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm256_castsi256_si128(packed));
  }
  return k;
}

// Texel rows taken across with linear filtering, eight pixels at a time
// (each pixel's two texels side by side in the row, at r + i0[k]; the weights
// as in Across): the same arithmetic as the SSE2 loop. The arrays and `out`
// run to the next multiple of eight past n (padding that repeats the last
// texel pair); returns how many were made.
__attribute__((target("avx2"))) int AcrossAvx2(const uint32_t* r, const int* i0, const uint16_t* wl,
                                               const uint16_t* wr, int n, uint32_t* out) {
  const __m256i z = _mm256_setzero_si256();
  auto pair = [r](int i) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + i)); };
  int k = 0;
  for (; k < n; k += 8) {
    __m256i sum[2];
    for (int h = 0; h < 2; ++h) {
      const int* ix = i0 + k + 4 * h;
      __m128i p01 = _mm_unpacklo_epi64(pair(ix[0]), pair(ix[1])), p23 = _mm_unpacklo_epi64(pair(ix[2]), pair(ix[3]));
      __m256i p = _mm256_inserti128_si256(_mm256_castsi128_si256(p01), p23, 1);
      __m256i a = _mm256_unpacklo_epi8(p, z), b = _mm256_unpackhi_epi8(p, z);
      __m256i left = _mm256_unpacklo_epi64(a, b), right = _mm256_unpackhi_epi64(a, b);
      const __m256i* wlk = reinterpret_cast<const __m256i*>(wl + 4 * (k + 4 * h));
      const __m256i* wrk = reinterpret_cast<const __m256i*>(wr + 4 * (k + 4 * h));
      sum[h] = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(left, _mm256_loadu_si256(wlk)),
                                                  _mm256_mullo_epi16(right, _mm256_loadu_si256(wrk))),
                                 8);
    }
    // Pixels 0 1 4 5 | 2 3 6 7 after the pack, put in order.
    __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(sum[0], sum[1]), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), packed);
  }
  return k;
}

// The linear texel mapping of a quad's axis four pixels at a time, with the
// scalar loop's double arithmetic: pos = first + k step - 0.5, i0 = floor(pos),
// f = (pos - i0) 256 + 0.5 truncated. The arrays run to the next multiple of
// four past n. False (the arrays then unfinished) unless every pair i0, i0 + 1
// of the n pixels lies inside [0, size).
__attribute__((target("avx2"))) bool MapLinearAvx2(double first, double step, int n, int size, int* i0, int* i1,
                                                   uint32_t* f) {
  const __m256d vfirst = _mm256_set1_pd(first), vstep = _mm256_set1_pd(step), half = _mm256_set1_pd(0.5);
  const __m256d k256 = _mm256_set1_pd(256.0), four = _mm256_set1_pd(4.0);
  const __m128i one = _mm_set1_epi32(1), last = _mm_set1_epi32(size - 2), lanes = _mm_setr_epi32(0, 1, 2, 3);
  __m256d k = _mm256_setr_pd(0, 1, 2, 3);
  __m128i outside = _mm_setzero_si128();
  for (int j = 0; j < n; j += 4, k = _mm256_add_pd(k, four)) {
    __m256d pos = _mm256_sub_pd(_mm256_add_pd(vfirst, _mm256_mul_pd(k, vstep)), half);
    __m256d fl = _mm256_floor_pd(pos);
    __m128i i = _mm256_cvttpd_epi32(fl);
    __m128i w = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(pos, fl), k256), half));
    __m128i valid = _mm_cmpgt_epi32(_mm_set1_epi32(n - j), lanes);
    __m128i bad = _mm_or_si128(_mm_cmpgt_epi32(_mm_setzero_si128(), i), _mm_cmpgt_epi32(i, last));
    outside = _mm_or_si128(outside, _mm_and_si128(bad, valid));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(i0 + j), i);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(i1 + j), _mm_add_epi32(i, one));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(f + j), w);
  }
  return _mm_movemask_epi8(outside) == 0;
}

// The same eight at a time with AVX-512, every step rounded on its own (no
// multiply and add fused): the same numbers. The arrays run to the next
// multiple of eight past n.
#if defined(__GNUC__) && !defined(__clang__)
// GCC's headers start the rounded arithmetic from an undefined register.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
__attribute__((target("avx512f,avx512vl"))) bool MapLinearAvx512(double first, double step, int n, int size, int* i0,
                                                                  int* i1, uint32_t* f) {
  constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
  const __m512d vfirst = _mm512_set1_pd(first), vstep = _mm512_set1_pd(step), half = _mm512_set1_pd(0.5);
  const __m512d k256 = _mm512_set1_pd(256.0), eight = _mm512_set1_pd(8.0);
  const __m256i one = _mm256_set1_epi32(1), last = _mm256_set1_epi32(size - 2), zero = _mm256_setzero_si256();
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m512d k = _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7);
  __mmask8 outside = 0;
  for (int j = 0; j < n; j += 8, k = _mm512_add_pd(k, eight)) {
    const __m512d at = _mm512_add_round_pd(vfirst, _mm512_mul_round_pd(k, vstep, kNearest), kNearest);
    const __m512d pos = _mm512_sub_round_pd(at, half, kNearest);
    const __m512d fl = _mm512_roundscale_pd(pos, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    const __m256i i = _mm512_cvttpd_epi32(fl);
    const __m512d frac256 = _mm512_mul_round_pd(_mm512_sub_round_pd(pos, fl, kNearest), k256, kNearest);
    const __m256i w = _mm512_cvttpd_epi32(_mm512_add_round_pd(frac256, half, kNearest));
    const __mmask8 valid = _mm256_cmpgt_epi32_mask(_mm256_set1_epi32(n - j), lanes);
    outside |= valid & (_mm256_cmpgt_epi32_mask(zero, i) | _mm256_cmpgt_epi32_mask(i, last));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(i0 + j), i);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(i1 + j), _mm256_add_epi32(i, one));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(f + j), w);
  }
  return outside == 0;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

// The texels of a span (u, v in texels at its first pixel, their steps per
// pixel): the samples that need no addressing are stepped in 16.16 fixed
// point, the rest go through the sampler.
// The pixels [first, end) of a span that need no addressing, and their
// positions in 16.16 fixed point from pixel `first` on.
struct SpanSteps {
  int first, end;
  int32_t fu, fv, du, dv;
};

SpanSteps StepSpan(const Sampler& sm, float U, float V, float dU, float dV, int n) {
  const TexView& t = *sm.t;
  float off = sm.linear ? 0.5f : 0.0f, edge = sm.linear ? 1.001f : 0.001f;
  SpanSteps st;
  st.first = 0;
  st.end = n;
  Inside(U - off, dU, 0.001f, float(t.w) - edge, n, st.first, st.end);
  Inside(V - off, dV, 0.001f, float(t.h) - edge, n, st.first, st.end);
  if (st.first >= st.end) st.first = st.end = n;
  // In fixed point only what is stepped: the first position inside the
  // texture, and the steps when two or more are (then under a texture's
  // size a pixel); far outside, the values need not fit.
  st.fu = st.fv = st.du = st.dv = 0;
  if (st.first < st.end) {
    st.fu = int32_t((U - off + dU * float(st.first)) * 65536.f);
    st.fv = int32_t((V - off + dV * float(st.first)) * 65536.f);
  }
  if (st.end - st.first > 1) {
    st.du = int32_t(dU * 65536.f);
    st.dv = int32_t(dV * 65536.f);
  }
  return st;
}

void SampleSpan(const Sampler& sm, const SpanSteps& st, float U, float V, float dU, float dV, int n, uint32_t* out) {
  const TexView& t = *sm.t;
  const int first = st.first, end = st.end;
  for (int k = 0; k < first; ++k) out[k] = sm.Sample(U + dU * float(k), V + dV * float(k));
  int32_t fu = st.fu, fv = st.fv, du = st.du, dv = st.dv;
  const uint32_t* px = t.px;
  size_t pitch = size_t(t.pitch);
  if (!sm.linear) {
    for (int k = first; k < end; ++k, fu += du, fv += dv) out[k] = px[size_t(fv >> 16) * pitch + size_t(fu >> 16)];
  } else {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    // a + (b - a) f / 256 on 16-bit lanes, f given as f << 7 (0..255 << 7).
    auto mix = [](__m128i a, __m128i b, __m128i f7) {
      return _mm_add_epi16(a, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(b, a), 1), f7));
    };
    // Two texels of a row, widened, mixed with the next row by fy.
    auto column = [&](const uint32_t* p, int fy) {
      __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
      __m128i bottom = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + pitch)), zero);
      return mix(top, bottom, _mm_set1_epi16(short(fy << 7)));
    };
    int k = first;
#if defined(LANTERN_HAVE_AVX2_SAMPLER)
    if (end - first >= 8 && VectorLevel() >= 2) {
      int made = BilinearAvx2(px, pitch, fu, fv, du, dv, end - first, out + first);
      k += made;
      fu += du * made;
      fv += dv * made;
    }
#endif
    for (; k + 2 <= end; k += 2) {
      const uint32_t* pa = px + size_t(fv >> 16) * pitch + size_t(fu >> 16);
      int fxa = (fu >> 8) & 0xFF, fya = (fv >> 8) & 0xFF;
      fu += du;
      fv += dv;
      const uint32_t* pb = px + size_t(fv >> 16) * pitch + size_t(fu >> 16);
      int fxb = (fu >> 8) & 0xFF, fyb = (fv >> 8) & 0xFF;
      fu += du;
      fv += dv;
      __m128i ca = column(pa, fya), cb = column(pb, fyb);
      // Left texels of both pixels in one register, right texels in the other.
      __m128i left = _mm_unpacklo_epi64(ca, cb), right = _mm_unpackhi_epi64(ca, cb);
      __m128i w = _mm_cvtsi32_si128(int(uint32_t(fxa) << 7 | uint32_t(fxb) << 23));
      w = _mm_unpacklo_epi16(w, w);  // fxa fxa fxb fxb
      w = _mm_unpacklo_epi32(w, w);  // fxa x 4, fxb x 4
      __m128i sum = mix(left, right, w);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(sum, zero));
    }
    for (; k < end; ++k, fu += du, fv += dv) {
      const uint32_t* p = px + size_t(fv >> 16) * pitch + size_t(fu >> 16);
      uint32_t fx = uint32_t(fu >> 8) & 0xFF, fy = uint32_t(fv >> 8) & 0xFF;
      out[k] = Lerp(Lerp(p[0], p[1], fx), Lerp(p[pitch], p[pitch + 1], fx), fy);
    }
#else
    for (int k = first; k < end; ++k, fu += du, fv += dv) {
      const uint32_t* p = px + size_t(fv >> 16) * pitch + size_t(fu >> 16);
      uint32_t fx = uint32_t(fu >> 8) & 0xFF, fy = uint32_t(fv >> 8) & 0xFF;
      uint32_t top = Lerp(p[0], p[1], fx), bottom = Lerp(p[pitch], p[pitch + 1], fx);
      out[k] = Lerp(top, bottom, fy);
    }
#endif
  }
  for (int k = end; k < n; ++k) out[k] = sm.Sample(U + dU * float(k), V + dV * float(k));
}

// Linear attribute a + dx * x + dy * y over a primitive.
struct Gradient {
  float base, dx, dy;
  float At(float x, float y) const { return base + dx * x + dy * y; }
};

struct TriSetup {
  Gradient a, r, g, b, u, v, q;  // u, v (times q when perspective) in texels
  bool perspective;
};

}  // namespace

namespace {

// A triangle set up to be drawn row by row. Its fields are set by Setup
// (not zeroed first: a pair of triangles is set up for every turned quad).
struct TriDraw {
  const Target* t;
  const Rect* clip;
  const PixelState* s;
  Sampler sm;
  Plan plan;
  BlendKind kind;
  TriSetup ts;
  bool textured;
  const RVert *top, *mid, *bot;
  int y0, y1;
  // Spans are short: their blend kernel is found once (a plain copy keeps BlendRow's).
  MixRowKernel rowKernel;
  // Set when a span inside the texture is sampled and blended in one pass.
  FilteredSpanKernel spanKernel;
  uint32_t mod;  // the uniform colour spanKernel modulates with

  // False when there is nothing to draw (and then only t, clip, s, y0 and y1 are set).
  bool Setup(const Target& target, const Rect& clipRect, const PixelState& state, const Shared& shared,
             const RVert& va, const RVert& vb, const RVert& vc) {
    t = &target;
    clip = &clipRect;
    s = &state;
    y0 = y1 = 0;
    float area = (vb.x - va.x) * (vc.y - va.y) - (vc.x - va.x) * (vb.y - va.y);
    if (!(std::fabs(area) > 1e-12f)) return false;
    // Screen y points down: a positive area is clockwise on the screen.
    if ((state.cull == kCullCW && area > 0) || (state.cull == kCullCCW && area < 0)) return false;
    // The corners from the top down (three compare-and-swaps, without
    // branches: which of two at the same height comes first draws the same
    // spans).
    const RVert *p0 = &va, *p1 = &vb, *p2 = &vc;
    auto order = [](const RVert*& p, const RVert*& q) {
      const bool swap = q->y < p->y;
      const RVert* lo = swap ? q : p;
      const RVert* hi = swap ? p : q;
      p = lo;
      q = hi;
    };
    order(p0, p1);
    order(p1, p2);
    order(p0, p1);
    top = p0;
    mid = p1;
    bot = p2;
    y0 = std::max(clipRect.top, CeilToInt(top->y - 0.5f));
    y1 = std::min(clipRect.bottom, CeilToInt(bot->y - 0.5f));
    if (y0 >= y1) return false;

    ts = TriSetup();
    sm.Init(state);
    bool uniform = !state.gouraud || (ColorOf(va) == ColorOf(vb) && ColorOf(va) == ColorOf(vc));
    plan = Plan{Plan::Kind(shared.plan), uniform, ColorOf(va)};
    kind = shared.kind;

    // Plane equations of the attributes.
    float x0 = va.x, yy0 = va.y, ex1 = vb.x - va.x, ey1 = vb.y - va.y, ex2 = vc.x - va.x, ey2 = vc.y - va.y;
    auto plane = [&](float a0, float a1, float a2) {
      Gradient gr;
      float d1 = a1 - a0, d2 = a2 - a0;
      gr.dx = (d1 * ey2 - d2 * ey1) / area;
      gr.dy = (d2 * ex1 - d1 * ex2) / area;
      gr.base = a0 - gr.dx * x0 - gr.dy * yy0;
      return gr;
    };
    ts.perspective = std::fabs(va.rhw - vb.rhw) > 1e-6f || std::fabs(va.rhw - vc.rhw) > 1e-6f;
    if (!uniform) {
      ts.a = plane(va.a, vb.a, vc.a);
      ts.r = plane(va.r, vb.r, vc.r);
      ts.g = plane(va.g, vb.g, vc.g);
      ts.b = plane(va.b, vb.b, vc.b);
    }
    textured = state.tex && plan.kind != Plan::kDiffuse;
    if (textured) {
      float qa = ts.perspective ? va.rhw : 1, qb = ts.perspective ? vb.rhw : 1, qc = ts.perspective ? vc.rhw : 1;
      ts.u = plane(va.u * sm.w * qa, vb.u * sm.w * qb, vc.u * sm.w * qc);
      ts.v = plane(va.v * sm.h * qa, vb.v * sm.h * qb, vc.v * sm.h * qc);
      if (ts.perspective) ts.q = plane(qa, qb, qc);
    }
    rowKernel = shared.plainRow;
    spanKernel = nullptr;
    mod = 0xFFFFFFFFu;
    if (textured && !ts.perspective && plan.kind == Plan::kTexture && plan.uniform && sm.linear &&
        kind != BlendKind::Generic) {
      spanKernel = shared.span;
      mod = plan.color;
    }
    return true;
  }

  // Row y's pixels [xa, xb), clipped.
  void Span(int y, int& xa, int& xb) const {
    float py = y + 0.5f;
    auto edgeX = [py](const RVert* p, const RVert* q) {
      float dy = q->y - p->y;
      return dy == 0 ? p->x : p->x + (py - p->y) * (q->x - p->x) / dy;
    };
    float xl = edgeX(top, bot);
    float xs = py < mid->y ? edgeX(top, mid) : edgeX(mid, bot);
    if (xs < xl) std::swap(xs, xl);
    xa = std::max(clip->left, CeilToInt(xl - 0.5f));
    xb = std::min(clip->right, CeilToInt(xs - 0.5f));
  }

  // The steps of n pixels of row y from x (spanKernel set, n at most kChunk);
  // false when some of them need the sampler's addressing.
  bool Steps(int x, int y, int n, SpanSteps& st) const {
    float px = x + 0.5f, py = y + 0.5f;
    st = StepSpan(sm, ts.u.At(px, py), ts.v.At(px, py), ts.u.dx, ts.v.dx, n);
    return st.first == 0 && st.end == n;
  }

  // Draws row y's pixels [xa, xb).
  void Draw(int y, int xa, int xb) const {
    const Target& tg = *t;
    uint32_t src[kChunk];
    auto emit = [&](int x, int n, uint32_t mod) {
      if (rowKernel && !(kind == BlendKind::Replace && mod == 0xFFFFFFFFu))
        rowKernel(tg.px + size_t(y) * tg.pitch + x, src, nullptr, 0, n, mod);
      else
        Emit(tg, x, y, src, n, kind, *s, mod);
    };
    float py = y + 0.5f;
    for (int x = xa; x < xb; x += kChunk) {
      int n = std::min(kChunk, xb - x);
      float px = x + 0.5f;
      uint32_t mod = 0xFFFFFFFFu;
      if (plan.kind == Plan::kDiffuse && plan.uniform) {
        std::fill(src, src + n, plan.color);
      } else if (plan.kind == Plan::kDiffuse) {
        for (int k = 0; k < n; ++k, px += 1)
          src[k] = Pack(ts.a.At(px, py), ts.r.At(px, py), ts.g.At(px, py), ts.b.At(px, py));
      } else {
        float U = ts.u.At(px, py), V = ts.v.At(px, py), Q = ts.perspective ? ts.q.At(px, py) : 1.f;
        if (textured && !ts.perspective && plan.kind == Plan::kTexture && plan.uniform) {
          if (plan.color != 0xFFFFFFFFu) mod = plan.color;
          const SpanSteps st = StepSpan(sm, U, V, ts.u.dx, ts.v.dx, n);
          if (spanKernel && st.first == 0 && st.end == n) {
            // Sampled and blended in one pass.
            spanKernel(FilteredSpan{tg.px + size_t(y) * tg.pitch + x, sm.t->px, size_t(sm.t->pitch), st.fu, st.fv,
                                    st.du, st.dv, n, mod, n, 0, 0, 0, 0});
            continue;
          }
          SampleSpan(sm, st, U, V, ts.u.dx, ts.v.dx, n, src);
          emit(x, n, mod);
          continue;
        }
        for (int k = 0; k < n; ++k) {
          uint32_t tex = 0xFFFFFFFFu;
          if (textured) {
            tex = ts.perspective ? sm.Sample(U / Q, V / Q) : sm.Sample(U, V);
            U += ts.u.dx;
            V += ts.v.dx;
            Q += ts.q.dx;
          }
          uint32_t diff = plan.uniform ? plan.color
                                       : Pack(ts.a.At(px + k, py), ts.r.At(px + k, py), ts.g.At(px + k, py),
                                              ts.b.At(px + k, py));
          if (plan.kind == Plan::kTexture)
            src[k] = plan.uniform ? tex : Modulate(tex, diff);
          else
            src[k] = Combine(*s, tex, diff);
        }
        if (plan.kind == Plan::kTexture && plan.uniform && plan.color != 0xFFFFFFFFu) mod = plan.color;
      }
      emit(x, n, mod);
    }
  }

  void DrawAll() const {
    for (int y = y0; y < y1; ++y) {
      int xa, xb;
      Span(y, xa, xb);
      Draw(y, xa, xb);
    }
  }
};

}  // namespace

namespace {

// The draw (a call of Share) in progress on this thread.
thread_local uint64_t tDraw = 0;

// The texels a draw's small quads read, copied close together: the rows of a
// large atlas lie a whole number of kilobytes apart, so the few a particle
// reads all fall in one set of the cache and push one another out. Made at
// most twice a draw (for one frame of many particles), and only in the draw
// it was made in (the texture stays as it is through a draw that does not
// draw on it).
struct TexelCopy {
  uint64_t draw = 0;
  const uint32_t* source = nullptr;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the texels [x0, x1) x [y0, y1) of source
  int pitch = 0;
  int made = 0;  // in this draw
  std::vector<uint32_t> px;
};
thread_local TexelCopy tCopy;

}  // namespace

Shared Share(const PixelState& s) {
  ++tDraw;
  Shared sh;
  sh.plan = MakePlan(s, true, 0).kind;
  sh.kind = Classify(s);
  sh.level = VectorLevel();
  if (sh.kind != BlendKind::Generic) {
    sh.plainRow = FindMixRowKernel(sh.kind, false);
    sh.mixedRow = FindMixRowKernel(sh.kind, true);
    sh.wide = FindWideSmallQuadKernel(sh.kind);
    sh.small = FindSmallQuadKernel(sh.kind);
    sh.contiguous = FindContiguousRowKernel(sh.kind);
    sh.span = FindFilteredSpanKernel(sh.kind);
    sh.batch = FindSpanBatchKernel(sh.kind);
  }
  return sh;
}

void Triangle(const Target& t, const Rect& clip, const PixelState& s, const Shared& shared, const RVert& va,
              const RVert& vb, const RVert& vc) {
  TriDraw d;
  if (!d.Setup(t, clip, s, shared, va, vb, vc)) return;
  SettleRows(t.surface, d.y0, d.y1);
  d.DrawAll();
}

namespace {
#if defined(LANTERN_HAVE_AVX2_SAMPLER)

// Whether the texture's texels lie in the target's memory (a batch samples
// every row before it blends any).
bool Overlaps(const Target& t, const TexView& tex) {
  const uintptr_t t0 = uintptr_t(t.px), t1 = uintptr_t(t.px + size_t(t.pitch) * size_t(t.h));
  const uintptr_t x0 = uintptr_t(tex.px), x1 = uintptr_t(tex.px + size_t(tex.pitch) * size_t(tex.h));
  return x0 < t1 && t0 < x1;
}

// Sixteen rows of a triangle set up at once: each row's span [xa, xb) as
// TriDraw::Span finds it and, for the rows whose span TriDraw::Steps finds
// inside the texture without dividing (its quick test), the steps it gives;
// `ok` has those rows, the others (with pixels) are left to Steps. The same
// float operations in the same order, each rounded on its own.
struct RowBlock {
  int xa[16], xb[16];
  int32_t fu[16], fv[16], du[16], dv[16];
  uint32_t ok;
};

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#define LANTERN_ROWS_AVX512 __attribute__((target("avx512f")))
// CeilToInt of sixteen values.
LANTERN_ROWS_AVX512 inline __m512i CeilToInt16(__m512 v) {
  const __m512i i = _mm512_cvttps_epi32(v);
  return _mm512_mask_add_epi32(i, _mm512_cmp_ps_mask(_mm512_cvtepi32_ps(i), v, _CMP_LT_OQ), i, _mm512_set1_epi32(1));
}

LANTERN_ROWS_AVX512 void SetUpRows(const TriDraw& d, int y, RowBlock& rb) {
  constexpr int kNear = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
  const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i rows = _mm512_add_epi32(_mm512_set1_epi32(y), lanes);
  const __mmask16 live = _mm512_cmpge_epi32_mask(rows, _mm512_set1_epi32(d.y0)) &
                         _mm512_cmplt_epi32_mask(rows, _mm512_set1_epi32(d.y1));
  const __m512 half = _mm512_set1_ps(0.5f);
  const __m512 py = _mm512_add_round_ps(_mm512_cvtepi32_ps(rows), half, kNear);
  auto edgeX = [&](const RVert* p, const RVert* q) LANTERN_ROWS_AVX512 {
    const float dy = q->y - p->y;
    if (dy == 0) return _mm512_set1_ps(p->x);
    const __m512 t = _mm512_mul_round_ps(_mm512_sub_round_ps(py, _mm512_set1_ps(p->y), kNear),
                                         _mm512_set1_ps(q->x - p->x), kNear);
    return _mm512_add_round_ps(_mm512_set1_ps(p->x), _mm512_div_round_ps(t, _mm512_set1_ps(dy), kNear), kNear);
  };
  const __m512 xl0 = edgeX(d.top, d.bot);
  const __m512 xs0 = _mm512_mask_blend_ps(_mm512_cmp_ps_mask(py, _mm512_set1_ps(d.mid->y), _CMP_LT_OQ),
                                          edgeX(d.mid, d.bot), edgeX(d.top, d.mid));
  const __mmask16 swap = _mm512_cmp_ps_mask(xs0, xl0, _CMP_LT_OQ);
  const __m512 xl = _mm512_mask_blend_ps(swap, xl0, xs0), xs = _mm512_mask_blend_ps(swap, xs0, xl0);
  const __m512i xa = _mm512_maskz_max_epi32(live, _mm512_set1_epi32(d.clip->left),
                                            CeilToInt16(_mm512_sub_round_ps(xl, half, kNear)));
  const __m512i xb = _mm512_maskz_min_epi32(live, _mm512_set1_epi32(d.clip->right),
                                            CeilToInt16(_mm512_sub_round_ps(xs, half, kNear)));
  _mm512_storeu_si512(rb.xa, xa);
  _mm512_storeu_si512(rb.xb, xb);
  // The steps (StepSpan for a linear sampler) of the spans of 1 to kChunk pixels.
  const __m512i n = _mm512_sub_epi32(xb, xa);
  const __mmask16 some = _mm512_mask_cmpgt_epi32_mask(live, n, _mm512_setzero_si512()) &
                         _mm512_cmple_epi32_mask(n, _mm512_set1_epi32(kChunk));
  rb.ok = 0;
  if (!some) return;
  const __m512 px = _mm512_add_round_ps(_mm512_cvtepi32_ps(xa), half, kNear);
  const __m512d n1lo = _mm512_cvtepi32_pd(_mm512_castsi512_si256(_mm512_sub_epi32(n, _mm512_set1_epi32(1))));
  const __m512d n1hi = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(_mm512_sub_epi32(n, _mm512_set1_epi32(1)), 1));
  // Inside's quick test for all n pixels (first 0, end n); 0 where it cannot tell.
  auto inside = [&](__m512 a, float dd, float lo, float hi) LANTERN_ROWS_AVX512 -> __mmask16 {
    if (dd == 0 || !(lo <= hi))
      return __mmask16(~(_mm512_cmp_ps_mask(a, _mm512_set1_ps(lo), _CMP_LT_OQ) |
                         _mm512_cmp_ps_mask(a, _mm512_set1_ps(hi), _CMP_GT_OQ)));
    const __m512 gap = dd > 0 ? _mm512_sub_round_ps(_mm512_set1_ps(hi), a, kNear)
                              : _mm512_sub_round_ps(_mm512_set1_ps(lo), a, kNear);
    const __m512d ddv = _mm512_set1_pd(double(dd));
    const __m512d glo = _mm512_cvtps_pd(_mm512_castps512_ps256(gap));
    const __m512d ghi = _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(gap), 1)));
    const __m512d rlo = _mm512_mul_round_pd(n1lo, ddv, kNear), rhi = _mm512_mul_round_pd(n1hi, ddv, kNear);
    __mmask16 far;
    if (dd > 0)
      far = __mmask16(_mm512_cmp_pd_mask(glo, rlo, _CMP_GE_OQ) | _mm512_cmp_pd_mask(ghi, rhi, _CMP_GE_OQ) << 8);
    else
      far = __mmask16(_mm512_cmp_pd_mask(glo, rlo, _CMP_LE_OQ) | _mm512_cmp_pd_mask(ghi, rhi, _CMP_LE_OQ) << 8);
    const __mmask16 near = dd > 0 ? _mm512_cmp_ps_mask(_mm512_set1_ps(lo), a, _CMP_LE_OQ)
                                  : _mm512_cmp_ps_mask(a, _mm512_set1_ps(hi), _CMP_LE_OQ);
    return near & far;
  };
  const TexView& t = *d.sm.t;
  const float dU = d.ts.u.dx, dV = d.ts.v.dx;
  const __m512 U = _mm512_add_round_ps(
      _mm512_add_round_ps(_mm512_set1_ps(d.ts.u.base), _mm512_mul_round_ps(_mm512_set1_ps(dU), px, kNear), kNear),
      _mm512_mul_round_ps(_mm512_set1_ps(d.ts.u.dy), py, kNear), kNear);
  const __m512 V = _mm512_add_round_ps(
      _mm512_add_round_ps(_mm512_set1_ps(d.ts.v.base), _mm512_mul_round_ps(_mm512_set1_ps(dV), px, kNear), kNear),
      _mm512_mul_round_ps(_mm512_set1_ps(d.ts.v.dy), py, kNear), kNear);
  const __m512 au = _mm512_sub_round_ps(U, half, kNear), av = _mm512_sub_round_ps(V, half, kNear);
  const __mmask16 ok = some & inside(au, dU, 0.001f, float(t.w) - 1.001f) & inside(av, dV, 0.001f, float(t.h) - 1.001f);
  rb.ok = ok;
  if (!ok) return;
  // fu, fv at pixel 0: (a + d * 0) * 65536 as StepSpan's first position.
  const float zu = dU * float(0), zv = dV * float(0);
  const __m512 scale = _mm512_set1_ps(65536.f);
  _mm512_storeu_si512(rb.fu, _mm512_cvttps_epi32(_mm512_mul_round_ps(_mm512_add_round_ps(au, _mm512_set1_ps(zu), kNear), scale, kNear)));
  _mm512_storeu_si512(rb.fv, _mm512_cvttps_epi32(_mm512_mul_round_ps(_mm512_add_round_ps(av, _mm512_set1_ps(zv), kNear), scale, kNear)));
  const __mmask16 many = ok & _mm512_cmpgt_epi32_mask(n, _mm512_set1_epi32(1));
  // The steps when two or more pixels are stepped (then under a texel size a pixel).
  const int32_t du = many ? int32_t(dU * 65536.f) : 0, dv = many ? int32_t(dV * 65536.f) : 0;
  _mm512_storeu_si512(rb.du, _mm512_maskz_mov_epi32(many, _mm512_set1_epi32(du)));
  _mm512_storeu_si512(rb.dv, _mm512_maskz_mov_epi32(many, _mm512_set1_epi32(dv)));
}

// The rows of a triangle pair gathered for one SpanBatch kernel call.
class PairBatch {
 public:
  PairBatch(SpanBatchKernel kernel, const TexView& tex, uint32_t mod) : kernel_(kernel) {
    b_.texture = tex.surface;
    b_.texPitch = size_t(tex.pitch);
    b_.mod = mod;
    b_.pieceAt = pieceAt_;
    b_.pieceN = pieceN_;
    b_.pieceFu = pieceFu_;
    b_.pieceFv = pieceFv_;
    b_.pieceDu = pieceDu_;
    b_.pieceDv = pieceDv_;
    b_.rowDst = rowDst_;
    b_.rowAt = rowAt_;
    b_.rowN = rowN_;
    b_.u = u_;
    b_.v = v_;
    b_.odd = odd_;
    b_.out = out_;
    b_.at = at_;
    b_.pieceCount = b_.rowCount = b_.pixels = 0;
  }
  // n pixels at dst: the first m with steps l, the rest (n2 of them) with steps r.
  void Row(uint32_t* dst, SpanSteps l, int m, SpanSteps r, int n2) {
    const int n = m + n2;
    if (b_.pixels + n > kPixels || b_.rowCount == kRows || b_.pieceCount + 2 > kPieces) Flush();
    const int i = b_.rowCount++;
    rowDst_[i] = dst;
    rowAt_[i] = b_.pixels;
    rowN_[i] = n;
    Piece(b_.pixels, m, l);
    if (n2 > 0) Piece(b_.pixels + m, n2, r);
    b_.pixels += n;
  }
  // Rows y0 to y0 + 15 of the two triangles (ra the first's, rb the
  // second's) whose spans the blocks settle, gathered sixteen at a time as
  // Row would take them (two spans that meet one row of two pieces, the
  // first's row before the second's); returns the rows with pixels left to
  // be taken one by one.
  LANTERN_ROWS_AVX512 uint32_t Block(uint32_t* px, size_t pitch, int y0, const RowBlock& ra, const RowBlock& rb);
  void Flush() {
    if (b_.rowCount > 0) kernel_(b_);
    b_.rowCount = b_.pieceCount = b_.pixels = 0;
  }

 private:
  void Piece(int at, int n, const SpanSteps& st) {
    const int i = b_.pieceCount++;
    pieceAt_[i] = at;
    pieceN_[i] = n;
    pieceFu_[i] = st.fu;
    pieceFv_[i] = st.fv;
    pieceDu_[i] = st.du;
    pieceDv_[i] = st.dv;
  }
  static constexpr int kPixels = 4 * kChunk, kRows = 128, kPieces = 2 * kRows;
  SpanBatchKernel kernel_;
  SpanBatch b_;  // every field set by the constructor
  alignas(64) int32_t pieceAt_[kPieces];
  alignas(64) int32_t pieceN_[kPieces];
  alignas(64) int32_t pieceFu_[kPieces];
  alignas(64) int32_t pieceFv_[kPieces];
  alignas(64) int32_t pieceDu_[kPieces];
  alignas(64) int32_t pieceDv_[kPieces];
  alignas(64) uint32_t* rowDst_[kRows];
  alignas(64) int32_t rowAt_[kRows];
  alignas(64) int32_t rowN_[kRows];
  alignas(64) int32_t u_[kPixels + 32];
  alignas(64) int32_t v_[kPixels + 32];
  alignas(64) uint32_t out_[kPixels + 32];
  alignas(64) int32_t at_[kPixels + 32];
  alignas(64) uint8_t odd_[kPixels + 32];
};

LANTERN_ROWS_AVX512 uint32_t PairBatch::Block(uint32_t* px, size_t pitch, int y0, const RowBlock& ra,
                                              const RowBlock& rb) {
  const __m512i z = _mm512_setzero_si512();
  const __m512i xa = _mm512_loadu_si512(ra.xa), xb = _mm512_loadu_si512(ra.xb);
  const __m512i xc = _mm512_loadu_si512(rb.xa), xd = _mm512_loadu_si512(rb.xb);
  const __m512i na = _mm512_sub_epi32(xb, xa), nb = _mm512_sub_epi32(xd, xc);
  const __mmask16 hasA = _mm512_cmpgt_epi32_mask(na, z), hasB = _mm512_cmpgt_epi32_mask(nb, z);
  const __mmask16 any = hasA | hasB;
  // A block's ok rows have 1 to kChunk pixels inside the texture.
  const __mmask16 take = any & __mmask16(~hasA | ra.ok) & __mmask16(~hasB | rb.ok);
  if (!take) return any;
  const __m512i pa = _mm512_maskz_mov_epi32(take & hasA, na), pb = _mm512_maskz_mov_epi32(take & hasB, nb);
  const __m512i pix = _mm512_add_epi32(pa, pb);
  // Where each row's pixels start in the run: the sum of those before it.
  __m512i sum = _mm512_add_epi32(pix, _mm512_alignr_epi32(pix, z, 15));
  sum = _mm512_add_epi32(sum, _mm512_alignr_epi32(sum, z, 14));
  sum = _mm512_add_epi32(sum, _mm512_alignr_epi32(sum, z, 12));
  sum = _mm512_add_epi32(sum, _mm512_alignr_epi32(sum, z, 8));
  const int total = _mm_extract_epi32(_mm512_extracti32x4_epi32(sum, 3), 3);
  if (b_.pixels + total > kPixels || b_.rowCount + 32 > kRows || b_.pieceCount + 32 > kPieces) {
    Flush();
    if (total > kPixels) return any;
  }
  const __m512i base = _mm512_add_epi32(_mm512_set1_epi32(b_.pixels), _mm512_sub_epi32(sum, pix));
  b_.pixels += total;
  const __mmask16 meet = take & hasA & hasB &
                         _mm512_cmple_epi32_mask(_mm512_add_epi32(na, nb), _mm512_set1_epi32(kChunk)) &
                         (_mm512_cmpeq_epi32_mask(xb, xc) | _mm512_cmpeq_epi32_mask(xd, xa));
  // Where the second's span comes first.
  const __mmask16 swap = meet & ~_mm512_cmpeq_epi32_mask(xb, xc);
  // Each row's pieces: the first triangle's (or the one on the left, when
  // the two meet) in lane 2j, the other in 2j + 1, there when it has pixels.
  const __m512i lo = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
  const __m512i hi = _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
  const __m512i n0 = _mm512_mask_blend_epi32(swap, pa, pb), n1 = _mm512_mask_blend_epi32(swap, pb, pa);
  const __mmask16 mlo = _mm512_cmpgt_epi32_mask(_mm512_permutex2var_epi32(n0, lo, n1), z);
  const __mmask16 mhi = _mm512_cmpgt_epi32_mask(_mm512_permutex2var_epi32(n0, hi, n1), z);
  const int p = b_.pieceCount, plo = __builtin_popcount(mlo);
  auto pieces = [&](int32_t* to, __m512i a0, __m512i b0) LANTERN_ROWS_AVX512 {
    const __m512i f0 = _mm512_mask_blend_epi32(swap, a0, b0), f1 = _mm512_mask_blend_epi32(swap, b0, a0);
    _mm512_storeu_si512(to + p, _mm512_maskz_compress_epi32(mlo, _mm512_permutex2var_epi32(f0, lo, f1)));
    _mm512_storeu_si512(to + p + plo, _mm512_maskz_compress_epi32(mhi, _mm512_permutex2var_epi32(f0, hi, f1)));
  };
  {
    const __m512i at1 = _mm512_add_epi32(base, n0);
    _mm512_storeu_si512(pieceAt_ + p, _mm512_maskz_compress_epi32(mlo, _mm512_permutex2var_epi32(base, lo, at1)));
    _mm512_storeu_si512(pieceAt_ + p + plo,
                        _mm512_maskz_compress_epi32(mhi, _mm512_permutex2var_epi32(base, hi, at1)));
    _mm512_storeu_si512(pieceN_ + p, _mm512_maskz_compress_epi32(mlo, _mm512_permutex2var_epi32(n0, lo, n1)));
    _mm512_storeu_si512(pieceN_ + p + plo, _mm512_maskz_compress_epi32(mhi, _mm512_permutex2var_epi32(n0, hi, n1)));
  }
  pieces(pieceFu_, _mm512_loadu_si512(ra.fu), _mm512_loadu_si512(rb.fu));
  pieces(pieceFv_, _mm512_loadu_si512(ra.fv), _mm512_loadu_si512(rb.fv));
  pieces(pieceDu_, _mm512_loadu_si512(ra.du), _mm512_loadu_si512(rb.du));
  pieces(pieceDv_, _mm512_loadu_si512(ra.dv), _mm512_loadu_si512(rb.dv));
  b_.pieceCount = p + plo + __builtin_popcount(mhi);
  // The rows: the first triangle's (both when they meet), then the second's.
  const __mmask16 r0 = take & hasA, r1 = take & hasB & ~meet;
  const __m512i x0 = _mm512_mask_min_epi32(xa, meet, xa, xc), x1 = xc;
  const __m512i c0 = _mm512_mask_add_epi32(na, meet, na, nb);
  const __m512i rows = _mm512_add_epi32(_mm512_set1_epi32(y0), _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,
                                                                                 11, 12, 13, 14, 15));
  const __m512i pitch64 = _mm512_set1_epi64(int64_t(pitch));
  const __m512i lineLo = _mm512_mul_epu32(_mm512_cvtepu32_epi64(_mm512_castsi512_si256(rows)), pitch64);
  const __m512i lineHi = _mm512_mul_epu32(_mm512_cvtepu32_epi64(_mm512_extracti64x4_epi64(rows, 1)), pitch64);
  const __m512i origin = _mm512_set1_epi64(int64_t(reinterpret_cast<uintptr_t>(px)));
  const int r = b_.rowCount, c0n = __builtin_popcount(r0);
  auto dst = [&](uint32_t** to, __mmask16 m, __m512i x) LANTERN_ROWS_AVX512 {
    const __m512i lo64 = _mm512_add_epi64(
        origin, _mm512_slli_epi64(_mm512_add_epi64(lineLo, _mm512_cvtepi32_epi64(_mm512_castsi512_si256(x))), 2));
    const __m512i hi64 = _mm512_add_epi64(
        origin,
        _mm512_slli_epi64(_mm512_add_epi64(lineHi, _mm512_cvtepi32_epi64(_mm512_extracti64x4_epi64(x, 1))), 2));
    _mm512_storeu_si512(to, _mm512_maskz_compress_epi64(__mmask8(m), lo64));
    _mm512_storeu_si512(to + __builtin_popcount(m & 0xFFu), _mm512_maskz_compress_epi64(__mmask8(m >> 8), hi64));
  };
  dst(rowDst_ + r, r0, x0);
  dst(rowDst_ + r + c0n, r1, x1);
  _mm512_storeu_si512(rowAt_ + r, _mm512_maskz_compress_epi32(r0, base));
  _mm512_storeu_si512(rowAt_ + r + c0n, _mm512_maskz_compress_epi32(r1, _mm512_add_epi32(base, pa)));
  _mm512_storeu_si512(rowN_ + r, _mm512_maskz_compress_epi32(r0, c0));
  _mm512_storeu_si512(rowN_ + r + c0n, _mm512_maskz_compress_epi32(r1, nb));
  b_.rowCount = r + c0n + __builtin_popcount(r1);
  return any & ~take;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#endif
}  // namespace

void TrianglePair(const Target& t, const Rect& clip, const PixelState& s, const Shared& shared,
                  const RVert* const* v) {
  TriDraw a, b;
  const bool hasA = a.Setup(t, clip, s, shared, *v[0], *v[1], *v[2]);
  const bool hasB = b.Setup(t, clip, s, shared, *v[3], *v[4], *v[5]);
  if (hasA || hasB) {
    const int top = std::min(hasA ? a.y0 : b.y0, hasB ? b.y0 : a.y0);
    const int bottom = std::max(hasA ? a.y1 : b.y1, hasB ? b.y1 : a.y1);
    SettleRows(t.surface, top, bottom);
  }
  if (!hasA || !hasB || !a.spanKernel || a.spanKernel != b.spanKernel || a.mod != b.mod) {
    if (hasA) a.DrawAll();
    if (hasB) b.DrawAll();
    return;
  }
  // Row by row, the first triangle's span before the second's (as drawing
  // one triangle after the other puts them on each pixel); two that meet
  // are sampled and blended in one pass, each with its own steps.
#if defined(LANTERN_HAVE_AVX2_SAMPLER)
  if (shared.batch && s.tex->surface && size_t(s.tex->pitch) < kBatchPitch && s.tex->h < kBatchRows &&
      !Overlaps(t, *s.tex)) {
    PairBatch batch(shared.batch, *s.tex, a.mod);
    // The next sixteen rows are set up before this sixteen are gathered,
    // so that working them out (a long chain of operations) goes on
    // alongside.
    RowBlock blocks[2][2];
    const int yTop = std::min(a.y0, b.y0), yEnd = std::max(a.y1, b.y1);
    SetUpRows(a, yTop, blocks[0][0]);
    SetUpRows(b, yTop, blocks[0][1]);
    for (int y0 = yTop, k = 0; y0 < yEnd; y0 += 16, k ^= 1) {
      if (y0 + 16 < yEnd) {
        SetUpRows(a, y0 + 16, blocks[k ^ 1][0]);
        SetUpRows(b, y0 + 16, blocks[k ^ 1][1]);
      }
      const RowBlock &ra = blocks[k][0], &rb = blocks[k][1];
      // The rows the blocks settle are gathered sixteen at a time, the rest one by one.
      for (uint32_t rest = batch.Block(t.px, size_t(t.pitch), y0, ra, rb); rest != 0; rest &= rest - 1) {
        const int j = __builtin_ctz(rest);
        const int y = y0 + j;
        const int xa = ra.xa[j], xb = ra.xb[j], xc = rb.xa[j], xd = rb.xb[j];
        const int na = xb - xa, nb = xd - xc;
        // A span's steps from the block, or from Steps when the block could not tell.
        // (Steps's result is copied out whole, so that the steps taken from
        // the block stay in registers rather than pass through memory.)
        auto steps = [j, y](const TriDraw& d, const RowBlock& r, int x, int n, SpanSteps& st) {
          if (r.ok >> j & 1) {
            st = SpanSteps{0, n, r.fu[j], r.fv[j], r.du[j], r.dv[j]};
            return true;
          }
          SpanSteps found;
          const bool ok = d.Steps(x, y, n, found);
          st = found;
          return ok;
        };
        uint32_t* line = t.px + size_t(y) * t.pitch;
        SpanSteps sa{}, sb{};
        const bool okA = na <= 0 || (na <= kChunk && steps(a, ra, xa, na, sa));
        const bool okB = okA && (nb <= 0 || (nb <= kChunk && steps(b, rb, xc, nb, sb)));
        if (okA && okB) {
          if (na > 0 && nb > 0 && na + nb <= kChunk && (xb == xc || xd == xa)) {
            // Two spans that meet: one row of two pieces.
            if (xb == xc)
              batch.Row(line + xa, sa, na, sb, nb);
            else
              batch.Row(line + xc, sb, nb, sa, na);
            continue;
          }
          if (na > 0) batch.Row(line + xa, sa, na, sa, 0);
          if (nb > 0) batch.Row(line + xc, sb, nb, sb, 0);
          continue;
        }
        // Some of the row needs the sampler's addressing: drawn as it comes
        // (the rows held in the batch are others).
        if (na > 0) a.Draw(y, xa, xb);
        if (nb > 0) b.Draw(y, xc, xd);
      }
    }
    batch.Flush();
    return;
  }
#endif
  for (int y = std::min(a.y0, b.y0); y < std::max(a.y1, b.y1); ++y) {
    int xa = 0, xb = 0, xc = 0, xd = 0;
    if (y >= a.y0 && y < a.y1) a.Span(y, xa, xb);
    if (y >= b.y0 && y < b.y1) b.Span(y, xc, xd);
    const int na = xb - xa, nb = xd - xc;
    SpanSteps sa, sb;
    if (na > 0 && nb > 0 && na + nb <= kChunk && (xb == xc || xd == xa) && a.Steps(xa, y, na, sa) &&
        b.Steps(xc, y, nb, sb)) {
      const bool aFirst = xb == xc;
      const SpanSteps& l = aFirst ? sa : sb;
      const SpanSteps& r = aFirst ? sb : sa;
      a.spanKernel(FilteredSpan{t.px + size_t(y) * t.pitch + std::min(xa, xc), s.tex->px, size_t(s.tex->pitch), l.fu,
                                l.fv, l.du, l.dv, na + nb, a.mod, aFirst ? na : nb, r.fu, r.fv, r.du, r.dv});
      continue;
    }
    if (na > 0) a.Draw(y, xa, xb);
    if (nb > 0) b.Draw(y, xc, xd);
  }
}

namespace {

// Shades one pixel of a line or point at parameter f between a and b.
inline uint32_t ShadeAt(const PixelState& s, const Sampler& sm, const Plan& plan, const RVert& a, const RVert& b,
                        float f) {
  uint32_t diff = plan.uniform ? plan.color
                               : Pack(a.a + (b.a - a.a) * f, a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f,
                                      a.b + (b.b - a.b) * f);
  if (plan.kind == Plan::kDiffuse) return diff;
  uint32_t tex = 0xFFFFFFFFu;
  if (s.tex) tex = sm.Sample((a.u + (b.u - a.u) * f) * sm.w, (a.v + (b.v - a.v) * f) * sm.h);
  return plan.kind == Plan::kTexture ? Modulate(tex, diff) : Combine(s, tex, diff);
}

}  // namespace

void Line(const Target& t, const Rect& clip, const PixelState& s, const RVert& a, const RVert& b) {
  detail::Settle();
  float dx = b.x - a.x, dy = b.y - a.y;
  if (dx == 0 && dy == 0) return;
  Sampler sm;
  sm.Init(s);
  bool uniform = !s.gouraud || ColorOf(a) == ColorOf(b);
  Plan plan = MakePlan(s, uniform, ColorOf(a));
  bool flat = plan.kind == Plan::kDiffuse && plan.uniform;
  BlendKind kind = Classify(s);
  if (flat && kind == BlendKind::Alpha && (plan.color >> 24) == 255) kind = BlendKind::Replace;
  bool xMajor = std::fabs(dx) >= std::fabs(dy);
  // Major axis: the pixels whose centres lie in [start, end) (or (end, start]).
  float s0 = xMajor ? a.x : a.y, s1 = xMajor ? b.x : b.y, d = s1 - s0, slope = (xMajor ? dy : dx) / d;
  float m0 = xMajor ? a.y : a.x;
  int first, last, step;
  if (d > 0) {
    first = int(std::ceil(s0 - 0.5f));
    last = int(std::ceil(s1 - 0.5f)) - 1;
    step = 1;
  } else {
    first = int(std::floor(s0 - 0.5f));
    last = int(std::floor(s1 - 0.5f)) + 1;
    step = -1;
  }
  if ((last - first) * step < 0) return;
  // Only the part of the major axis inside the clip rectangle.
  int lo = xMajor ? clip.left : clip.top, hi = (xMajor ? clip.right : clip.bottom) - 1;
  if (step > 0) {
    first = std::max(first, lo);
    last = std::min(last, hi);
  } else {
    first = std::min(first, hi);
    last = std::max(last, lo);
  }
  if ((last - first) * step < 0) return;
  int mlo = xMajor ? clip.top : clip.left, mhi = xMajor ? clip.bottom : clip.right;
  // The minor coordinate in 16.16 fixed point, one step per major pixel.
  int64_t m = int64_t(std::floor((m0 + (float(first) + 0.5f - s0) * slope) * 65536.0f));
  int64_t dm = int64_t(std::llround(double(slope) * 65536.0 * step));
  for (int n = first;; n += step, m += dm) {
    int minor = int(m >> 16);
    if (minor >= mlo && minor < mhi) {
      uint32_t* p = xMajor ? t.px + ptrdiff_t(minor) * t.pitch + n : t.px + ptrdiff_t(n) * t.pitch + minor;
      uint32_t color = flat ? plan.color : ShadeAt(s, sm, plan, a, b, (float(n) + 0.5f - s0) / d);
      *p = kind == BlendKind::Replace ? color : BlendPixel(color, *p, kind, s);
    }
    if (n == last) break;
  }
}

void Point(const Target& t, const Rect& clip, const PixelState& s, const RVert& a) {
  detail::Settle();
  int x = int(std::floor(a.x)), y = int(std::floor(a.y));
  if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
  Sampler sm;
  sm.Init(s);
  Plan plan = MakePlan(s, true, ColorOf(a));
  uint32_t c = ShadeAt(s, sm, plan, a, a, 0);
  Emit(t, x, y, &c, 1, Classify(s), s, 0xFFFFFFFFu);
}

namespace {

// Texel index of each target pixel along one axis of a quad. The arrays
// only grow (kept between quads); i1 and f hold the quad's pixels when
// `linear`.
struct AxisMap {
  std::vector<int> i0, i1;
  std::vector<uint32_t> f;  // weight of i1, 0..256 (linear only)
  bool linear = false;      // filtered: i1 and f are in use
  bool contiguous = false;  // i0[k] == i0[0] + k, all inside the texture
  bool adjacent = false;    // linear: i1[k] == i0[k] + 1 everywhere (no addressing at an edge)
  // Linear and not adjacent: the pixels [runLo, runHi) are (the picture's
  // edges in view address only the pixels before and after them).
  int runLo = 0, runHi = 0;
  // Linear, over 32 pixels: the pixels [contLo, contHi) take the texel pairs
  // i0[contLo] + (k - contLo) and the next (about one texel a pixel).
  int contLo = 0, contHi = 0;
  int start = 0;
};

// floor(x), exactly, without a library call for the values a quad's mapping gives.
inline double Floor(double x) {
  if (!(std::fabs(x) < 4503599627370496.0)) return std::floor(x);  // 2^52 and beyond: whole already
  double t = double(int64_t(x));
  return t > x ? t - 1 : t;
}

// Pixels p in [p0, p1) of an edge from e0 to e1 carrying texel coordinates t0 to t1 (in texels).
void MapAxis(AxisMap& m, int p0, int p1, float e0, float e1, float t0, float t1, int size, uint32_t mode,
             bool linear, int level) {
  int n = p1 - p0;
  // Linear: the arrays run to the next multiple of eight, the padding
  // repeating the last pixel's texels with weight 0, for the vector kernels.
  size_t padded = size_t((n + 7) & ~7);
  if (m.i0.size() < padded) m.i0.resize(padded);
  m.linear = false;
  double step = double(t1 - t0) / double(e1 - e0);
  double first = t0 + (p0 + 0.5 - e0) * step;
  // A one-to-one mapping that hits texel centres needs no filtering.
  bool unit = std::fabs(step - 1.0) < 1e-4;
  double frac = first - 0.5 - Floor(first - 0.5 + 1e-3);
  bool centred = frac < 2e-3;
  if (unit && (!linear || centred)) {
    int s0 = linear ? int(Floor(first - 0.5 + 1e-3)) : int(Floor(first + 1e-4));
    m.start = s0;
    m.contiguous = s0 >= 0 && s0 + n <= size;
    m.adjacent = false;
    for (int k = 0; k < n; ++k) m.i0[size_t(k)] = Address(s0 + k, size, mode);
    return;
  }
  m.contiguous = false;
  m.adjacent = false;
  if (!linear) {
    for (int k = 0; k < n; ++k) m.i0[size_t(k)] = Address(int(Floor(first + k * step)), size, mode);
    return;
  }
  m.linear = true;
  if (m.i1.size() < padded) m.i1.resize(padded);
  if (m.f.size() < padded) m.f.resize(padded);
  bool adjacent = false;
#if defined(LANTERN_HAVE_AVX2_SAMPLER)
  if (level >= 2) adjacent = MapLinearAvx2(first, step, n, size, m.i0.data(), m.i1.data(), m.f.data());
#endif
  m.runLo = m.runHi = 0;
  if (!adjacent) {
    adjacent = true;
    int lo = -1, hi = -1;  // the first and last adjacent pixel
    bool gap = false;      // a pixel between two adjacent ones is not
    for (int k = 0; k < n; ++k) {
      double pos = first + k * step - 0.5;
      double fl = Floor(pos);
      int i0 = Address(int(fl), size, mode), i1 = Address(int(fl) + 1, size, mode);
      m.i0[size_t(k)] = i0;
      m.i1[size_t(k)] = i1;
      m.f[size_t(k)] = uint32_t((pos - fl) * 256.0 + 0.5);
      if (i1 == i0 + 1) {
        gap |= hi >= 0 && hi != k - 1;
        if (lo < 0) lo = k;
        hi = k;
      } else {
        adjacent = false;
      }
    }
    if (!adjacent && lo >= 0 && !gap) {
      m.runLo = lo;
      m.runHi = hi + 1;
    }
  }
  for (size_t k = size_t(n); k < padded; ++k) {
    m.i0[k] = m.i0[size_t(n) - 1];
    m.i1[k] = m.i1[size_t(n) - 1];
    m.f[k] = 0;
  }
  m.adjacent = adjacent;
  m.contLo = m.contHi = 0;
  if (n >= 32) {
    const int lo = adjacent ? 0 : m.runLo, hi = adjacent ? n : m.runHi;
    bool contiguous = hi - lo >= 32;
    for (int k = lo + 1; k < hi && contiguous; ++k) contiguous = m.i0[size_t(k)] == m.i0[size_t(k) - 1] + 1;
    if (contiguous) {
      m.contLo = lo;
      m.contHi = hi;
    }
  }
}

// Working memory of the quad path, kept between quads.
struct QuadScratch {
  AxisMap mx, my;
  std::vector<uint16_t> wl, wr;     // linear across: 256 - f and f, four lanes per pixel
  std::vector<uint32_t> rows[2];    // texel rows filtered across
  std::vector<uint32_t> out;        // the row handed to the blend
};

// A texel row r taken at the quad's columns: out[i] = r[i0] or, linear,
// Lerp(r[i0], r[i1], f) (the weights also as lanes in wl, wr).
void Across(const uint32_t* r, const AxisMap& m, bool linear, const uint16_t* wl, const uint16_t* wr, int n,
            uint32_t* out, int level) {
  const int* i0 = m.i0.data();
  if (!linear) {
    for (int i = 0; i < n; ++i) out[i] = r[i0[i]];
    return;
  }
  const int* i1 = m.i1.data();
  const uint32_t* f = m.f.data();
  int i = 0;
#if defined(LANTERN_HAVE_AVX2_SAMPLER)
  if (level >= 2 && m.adjacent) i = AcrossAvx2(r, i0, wl, wr, n, out);
  if (level >= 2 && !m.adjacent && m.runHi - m.runLo >= 16) {
    // The picture's edges in view: the pixels that address an edge one by
    // one, the run between them as an adjacent mapping, in whole groups of
    // eight (AcrossAvx2 reads both texels of every pixel of a group).
    for (; i < m.runLo; ++i) out[i] = Lerp(r[i0[i]], r[i1[i]], f[i]);
    int k = m.runLo + AcrossAvx2(r, i0 + m.runLo, wl + 4 * m.runLo, wr + 4 * m.runLo, (m.runHi - m.runLo) & ~7,
                                 out + m.runLo);
    for (; k < n; ++k) out[k] = Lerp(r[i0[k]], r[i1[k]], f[k]);
    return;
  }
#endif
#if defined(__SSE2__)
  if (level >= 1) {
    const __m128i z = _mm_setzero_si128();
    for (; i + 2 <= n; i += 2) {
      // Both texels of two pixels: (left, right) of the first, then of the second.
      __m128i p;
      if (m.adjacent) {
        p = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + i0[i])),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + i0[i + 1])));
      } else {
        p = _mm_setr_epi32(int(r[i0[i]]), int(r[i1[i]]), int(r[i0[i + 1]]), int(r[i1[i + 1]]));
      }
      __m128i a = _mm_unpacklo_epi8(p, z), b = _mm_unpackhi_epi8(p, z);
      __m128i left = _mm_unpacklo_epi64(a, b), right = _mm_unpackhi_epi64(a, b);
      __m128i l = _mm_mullo_epi16(left, _mm_loadu_si128(reinterpret_cast<const __m128i*>(wl + 4 * i)));
      __m128i h = _mm_mullo_epi16(right, _mm_loadu_si128(reinterpret_cast<const __m128i*>(wr + 4 * i)));
      __m128i sum = _mm_srli_epi16(_mm_add_epi16(l, h), 8);  // at most 255 x 256: no carry
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(sum, sum));
    }
  }
#endif
  for (; i < n; ++i) out[i] = Lerp(r[i0[i]], r[i1[i]], f[i]);
}

// Two filtered rows mixed down: out[i] = Lerp(a[i], b[i], f).
void Down(const uint32_t* a, const uint32_t* b, uint32_t f, int n, uint32_t* out, int level) {
  int i = 0;
#if defined(__SSE2__)
  if (level >= 1) {
    const __m128i z = _mm_setzero_si128();
    const __m128i wa = _mm_set1_epi16(short(256 - f)), wb = _mm_set1_epi16(short(f));
    auto mix = [&](__m128i x, __m128i y) {
      return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(x, wa), _mm_mullo_epi16(y, wb)), 8);
    };
    for (; i + 4 <= n; i += 4) {
      __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
      __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
      __m128i lo = mix(_mm_unpacklo_epi8(x, z), _mm_unpacklo_epi8(y, z));
      __m128i hi = mix(_mm_unpackhi_epi8(x, z), _mm_unpackhi_epi8(y, z));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
  }
#endif
  for (; i < n; ++i) out[i] = Lerp(a[i], b[i], f);
}

}  // namespace

// The widest quad SmallFilteredQuad draws (in groups of sixteen).
constexpr int kWideQuadMost = 64;

namespace {

#if defined(LANTERN_HAVE_AVX2_SAMPLER)
// The tallest quad drawn by SmallFilteredQuad.
constexpr int kSmallQuadRows = 64;

// The start of MapAxis's linear mapping of pixels from p0 of an edge from e0
// to e1 carrying texel positions t0 to t1, for both axes at once (x in the
// low lane, y in the high one): each pixel k's position is first + k step.
// False when MapAxis would map either axis another way (one to one on
// texel centres). The same operations as MapAxis's, lane by lane.
bool SmallAxes(int px0, int py0, float xmin, float xmax, float ymin, float ymax, float tx0, float tx1, float ty0,
               float ty1, double (&first)[2], double (&step)[2]) {
#if defined(__SSE2__)
  const __m128d st = _mm_div_pd(_mm_cvtps_pd(_mm_sub_ps(_mm_setr_ps(tx1, ty1, 0, 0), _mm_setr_ps(tx0, ty0, 0, 0))),
                                _mm_cvtps_pd(_mm_sub_ps(_mm_setr_ps(xmax, ymax, 0, 0), _mm_setr_ps(xmin, ymin, 0, 0))));
  const __m128d from = _mm_sub_pd(_mm_add_pd(_mm_setr_pd(double(px0), double(py0)), _mm_set1_pd(0.5)),
                                  _mm_cvtps_pd(_mm_setr_ps(xmin, ymin, 0, 0)));
  const __m128d fi = _mm_add_pd(_mm_cvtps_pd(_mm_setr_ps(tx0, ty0, 0, 0)), _mm_mul_pd(from, st));
  _mm_storeu_pd(step, st);
  _mm_storeu_pd(first, fi);
#else
  for (int a = 0; a < 2; ++a) {
    const float e0 = a ? ymin : xmin, e1 = a ? ymax : xmax, t0 = a ? ty0 : tx0, t1 = a ? ty1 : tx1;
    step[a] = double(t1 - t0) / double(e1 - e0);
    first[a] = t0 + ((a ? py0 : px0) + 0.5 - e0) * step[a];
  }
#endif
  for (int a = 0; a < 2; ++a) {
    const bool unit = std::fabs(step[a] - 1.0) < 1e-4;
    if (unit && first[a] - 0.5 - Floor(first[a] - 0.5 + 1e-3) < 2e-3) return false;
  }
  return true;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// MapLinearAvx512's mapping of at most sixteen pixels into i0 and f (sixteen
// lanes each, written whole: the kernel reads them back whole), with the
// texels [base, base + width) that hold every pixel's pair. False unless every
// pair lies inside [0, size) and width is at most 32.
__attribute__((target("avx512f,avx512vl"))) bool MapSixteenAvx512(double first, double step, int n, int size, int* i0,
                                                                   uint32_t* f, int& base, int& width) {
  constexpr int kNearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
  const __m512d vfirst = _mm512_set1_pd(first), vstep = _mm512_set1_pd(step), half = _mm512_set1_pd(0.5);
  const __m512d k256 = _mm512_set1_pd(256.0);
  __m256i idx[2], w[2];
  for (int h = 0; h < 2; ++h) {
    const __m512d k = h ? _mm512_setr_pd(8, 9, 10, 11, 12, 13, 14, 15) : _mm512_setr_pd(0, 1, 2, 3, 4, 5, 6, 7);
    const __m512d at = _mm512_add_round_pd(vfirst, _mm512_mul_round_pd(k, vstep, kNearest), kNearest);
    const __m512d pos = _mm512_sub_round_pd(at, half, kNearest);
    const __m512d fl = _mm512_roundscale_pd(pos, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    idx[h] = _mm512_cvttpd_epi32(fl);
    const __m512d frac256 = _mm512_mul_round_pd(_mm512_sub_round_pd(pos, fl, kNearest), k256, kNearest);
    w[h] = _mm512_cvttpd_epi32(_mm512_add_round_pd(frac256, half, kNearest));
  }
  const __m512i i = _mm512_inserti64x4(_mm512_castsi256_si512(idx[0]), idx[1], 1);
  const __mmask16 valid = __mmask16((1u << n) - 1);
  if (_mm512_mask_cmpgt_epi32_mask(valid, _mm512_setzero_si512(), i) |
      _mm512_mask_cmpgt_epi32_mask(valid, i, _mm512_set1_epi32(size - 2)))
    return false;
  _mm512_storeu_si512(i0, i);
  _mm512_storeu_si512(f, _mm512_inserti64x4(_mm512_castsi256_si512(w[0]), w[1], 1));
  // The mapping runs one way, so the ends hold the pairs.
  const int a = _mm_cvtsi128_si32(_mm512_castsi512_si128(i));
  const int b = _mm_cvtsi128_si32(_mm512_castsi512_si128(_mm512_permutexvar_epi32(_mm512_set1_epi32(n - 1), i)));
  base = std::min(a, b);
  width = std::max(a, b) + 2 - base;
  return width <= 32;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// A small quad filtered both ways with every texel pair inside the texture
// (a particle): its axes mapped straight into the sixteen-pixel kernel's
// arrays, without the general path's working memory. The same pixels as
// Quad's general path, which takes the same kernel with the same arrays;
// false (nothing drawn) when it would not.
bool SmallFilteredQuad(const Target& t, const TexView& tex, const Shared& shared, const RVert* const (&c)[2][2],
                       float xmin, float xmax, float ymin, float ymax, int x0, int x1, int y0, int y1,
                       uint32_t color) {
  const int n = x1 - x0, rows = y1 - y0;
  alignas(64) int ix[kWideQuadMost + 16], ix1[kWideQuadMost + 8], iy0[kSmallQuadRows + 8], iy1[kSmallQuadRows + 8];
  alignas(64) uint32_t fx[kWideQuadMost + 16], fy[kSmallQuadRows + 8];
  double first[2], step[2];
  if (!SmallAxes(x0, y0, xmin, xmax, ymin, ymax, c[0][0]->u * tex.w, c[1][0]->u * tex.w, c[0][0]->v * tex.h,
                 c[0][1]->v * tex.h, first, step))
    return false;
  // Each group's texel pairs: the mapping runs one way, so its ends hold them.
  int base[kWideQuadMost / 16], width[kWideQuadMost / 16];
  const bool sixteen = n <= 16;
  if (sixteen) {
    // One group, its arrays written whole.
    if (!MapSixteenAvx512(first[0], step[0], n, tex.w, ix, fx, base[0], width[0])) return false;
  } else {
    if (!MapLinearAvx512(first[0], step[0], n, tex.w, ix, ix1, fx)) return false;
    for (int g = 0; g * 16 < n; ++g) {
      const int a = ix[g * 16], b = ix[std::min(n, g * 16 + 16) - 1];
      base[g] = std::min(a, b);
      width[g] = std::max(a, b) + 2 - base[g];
      if (width[g] > 32) return false;
    }
  }
  if (!MapLinearAvx512(first[1], step[1], rows, tex.h, iy0, iy1, fy)) return false;
  SettleRows(t.surface, y0, y1);
  SmallQuad q;
  q.dstPitch = size_t(t.pitch);
  q.tex = tex.px;
  q.texPitch = size_t(tex.pitch);
  q.wl = q.wr = nullptr;
  q.yi0 = iy0;
  q.yi1 = iy1;
  q.yf = fy;
  q.rows = rows;
  q.mod = color;
  q.dstEnd = t.px + size_t(t.h - 1) * t.pitch + size_t(t.w);
  q.rowsInOrder = true;
  q.sixteen = sixteen;
  q.texX = q.texY = 0;
  if (sixteen) {
    // The texels read: [base, base + width) of rows jlo to jhi (the rows run one way, each pair adjacent).
    const int jlo = std::min(iy0[0], iy0[rows - 1]), jhi = std::max(iy0[0], iy0[rows - 1]) + 1;
    TexelCopy& copy = tCopy;
    bool inside = copy.draw == tDraw && copy.source == tex.px && base[0] >= copy.x0 &&
                  base[0] + width[0] <= copy.x1 && jlo >= copy.y0 && jhi < copy.y1;
    // (Never when the texture is the target's memory, which the draw changes.)
    const uintptr_t targetFrom = reinterpret_cast<uintptr_t>(t.px), texFrom = reinterpret_cast<uintptr_t>(tex.px);
    const uintptr_t targetTo = targetFrom + size_t(t.h) * size_t(t.pitch) * 4;
    const uintptr_t texTo = texFrom + size_t(tex.h) * size_t(tex.pitch) * 4;
    if (!inside && (copy.draw != tDraw || copy.made < 2) && tex.surface != t.surface &&
        (targetTo <= texFrom || texTo <= targetFrom)) {
      // A margin around the texels, for the neighbours of the same frame.
      if (copy.draw != tDraw) copy.made = 0;
      copy.draw = tDraw;
      copy.source = tex.px;
      copy.x0 = std::max(0, base[0] - 8);
      copy.x1 = std::min(tex.w, base[0] + width[0] + 8);
      copy.y0 = std::max(0, jlo - 8);
      copy.y1 = std::min(tex.h, jhi + 9);
      copy.pitch = copy.x1 - copy.x0 + 32;  // the kernel reads 32 texels from a pair's base, masked
      copy.px.resize(size_t(copy.y1 - copy.y0) * size_t(copy.pitch) + 32);
      for (int j = copy.y0; j < copy.y1; ++j)
        std::memcpy(&copy.px[size_t(j - copy.y0) * size_t(copy.pitch)], tex.px + size_t(j) * tex.pitch + copy.x0,
                    size_t(copy.x1 - copy.x0) * 4);
      ++copy.made;
      inside = true;
    }
    if (inside) {
      q.tex = copy.px.data();
      q.texPitch = size_t(copy.pitch);
      q.texX = copy.x0;
      q.texY = copy.y0;
    }
  }
  for (int g = 0; g * 16 < n; ++g) {
    const size_t from = size_t(g) * 16;
    q.dst = t.px + size_t(y0) * t.pitch + x0 + from;
    q.ix = ix + from;
    q.xf = fx + from;
    q.n = std::min(16, n - int(from));
    q.base = base[g];
    q.span = width[g];
    shared.wide(q);
  }
  return true;
}
#endif

}  // namespace

bool Quad(const Target& t, const Rect& clip, const PixelState& s, const Shared& shared, const RVert* const* v) {
  float xmin, xmax, ymin, ymax;
  const RVert* c[2][2] = {{nullptr, nullptr}, {nullptr, nullptr}};  // [right][bottom]
  if (v[0]->x == v[3]->x && v[1]->x == v[2]->x && v[0]->y == v[1]->y && v[2]->y == v[3]->y && v[0]->x < v[1]->x &&
      v[0]->y < v[3]->y) {
    // The corners as a particle batch lays them (top left, top right, bottom
    // right, bottom left): what the search below finds.
    xmin = v[0]->x;
    xmax = v[1]->x;
    ymin = v[0]->y;
    ymax = v[3]->y;
    c[0][0] = v[0];
    c[1][0] = v[1];
    c[1][1] = v[2];
    c[0][1] = v[3];
  } else {
    xmin = std::min({v[0]->x, v[1]->x, v[2]->x, v[3]->x});
    xmax = std::max({v[0]->x, v[1]->x, v[2]->x, v[3]->x});
    ymin = std::min({v[0]->y, v[1]->y, v[2]->y, v[3]->y});
    ymax = std::max({v[0]->y, v[1]->y, v[2]->y, v[3]->y});
    if (!(xmax > xmin) || !(ymax > ymin)) return false;
    for (int k = 0; k < 4; ++k) {
      int cx = v[k]->x == xmin ? 0 : v[k]->x == xmax ? 1 : -1;
      int cy = v[k]->y == ymin ? 0 : v[k]->y == ymax ? 1 : -1;
      if (cx < 0 || cy < 0 || c[cx][cy]) return false;
      c[cx][cy] = v[k];
    }
  }
  // One colour: the same channels give it at once, others only when they round to it.
  uint32_t color = ColorOf(*v[0]);
  for (int k = 1; k < 4; ++k) {
    const RVert &a = *v[k], &b = *v[0];
    if (!(a.a == b.a && a.r == b.r && a.g == b.g && a.b == b.b) && ColorOf(a) != color) return false;
    if (a.rhw != b.rhw) return false;
  }
  bool textured = s.tex != nullptr;
  if (textured && (c[0][0]->u != c[0][1]->u || c[1][0]->u != c[1][1]->u || c[0][0]->v != c[1][0]->v ||
                   c[0][1]->v != c[1][1]->v))
    return false;  // not an axis-aligned texture mapping

  int x0 = std::max(clip.left, CeilToInt(xmin - 0.5f)), x1 = std::min(clip.right, CeilToInt(xmax - 0.5f));
  int y0 = std::max(clip.top, CeilToInt(ymin - 0.5f)), y1 = std::min(clip.bottom, CeilToInt(ymax - 0.5f));
  if (x0 >= x1 || y0 >= y1) return true;
  int n = x1 - x0;
  const Plan plan{Plan::Kind(shared.plan), true, color};
  const BlendKind kind = shared.kind;
#if defined(LANTERN_HAVE_AVX2_SAMPLER)
  if (textured && s.linear && shared.wide && plan.kind == Plan::kTexture && n <= kWideQuadMost &&
      y1 - y0 <= kSmallQuadRows && shared.level >= 3 &&
      SmallFilteredQuad(t, *s.tex, shared, c, xmin, xmax, ymin, ymax, x0, x1, y0, y1, color))
    return true;
#endif
  thread_local QuadScratch qs;
  std::vector<uint32_t>& row = qs.out;
  if (row.size() < size_t(n)) row.resize(size_t(n));

  if (plan.kind == Plan::kDiffuse || !textured) {
    if (plan.kind == Plan::kGeneric) return false;
    SettleRows(t.surface, y0, y1);
    std::fill(row.begin(), row.begin() + n, color);
    for (int y = y0; y < y1; ++y) Emit(t, x0, y, row.data(), n, kind, s, 0xFFFFFFFFu);
    return true;
  }
  const TexView& tex = *s.tex;
  AxisMap &mx = qs.mx, &my = qs.my;
  const int level = shared.level;
  MapAxis(mx, x0, x1, xmin, xmax, c[0][0]->u * tex.w, c[1][0]->u * tex.w, tex.w, s.addressU, s.linear, level);
  MapAxis(my, y0, y1, ymin, ymax, c[0][0]->v * tex.h, c[0][1]->v * tex.h, tex.h, s.addressV, s.linear, level);
  bool linX = mx.linear, linY = my.linear;
  uint32_t mod = plan.kind == Plan::kTexture && color != 0xFFFFFFFFu ? color : 0xFFFFFFFFu;
  // A picture drawn texel for pixel without modulation: its opaque runs are
  // copied and its transparent ones skipped (what the blend gives them), an
  // unblended one copied whole; on a surface's own memory with its rows in
  // order it is held back (what later pictures cover of it is not drawn).
  if (!linX && !linY && mx.contiguous && mod == 0xFFFFFFFFu && plan.kind == Plan::kTexture && level >= 1 &&
      (kind == BlendKind::Replace || kind == BlendKind::Alpha || kind == BlendKind::Add)) {
    const OpacityRuns* runs = kind != BlendKind::Replace && tex.surface ? tex.surface->Opacity() : nullptr;
    if (kind == BlendKind::Replace || runs) {
      const uint32_t from = uint32_t(mx.start), to = from + uint32_t(n);
      // (A texture without an alpha channel is read from its ARGB copy,
      // which stays as it is until the texture changes: held pictures are
      // drawn before anything changes a surface.)
      if (t.surface && my.contiguous && tex.surface && IsRgb32(tex.surface->Format())) {
        Picture p;
        p.target = t.surface;
        p.source = tex.surface;
        p.dst = t.px + size_t(y0) * t.pitch + x0;
        p.dstPitch = size_t(t.pitch);
        p.j0 = my.start;
        p.src = tex.px + size_t(p.j0) * tex.pitch + from;
        p.srcPitch = size_t(tex.pitch);
        p.runs = runs;
        p.from = from;
        p.x0 = x0;
        p.y0 = y0;
        p.w = n;
        p.h = y1 - y0;
        p.kind = kind;
        HoldPicture(p);
        return true;
      }
      detail::Settle();
      for (int y = y0; y < y1; ++y) {
        const int j = my.i0[size_t(y - y0)];
        // texel `from` lands on pixel x0
        PictureSpan(t.px + size_t(y) * t.pitch + x0, tex.px + size_t(j) * tex.pitch + from, runs, j, from, from, to,
                    kind);
      }
      return true;
    }
  }
  SettleRows(t.surface, y0, y1);
  size_t padded = size_t((n + 7) & ~7);
  // A picture drawn about one to one, its rows not mixed down (a drifting
  // cloud), goes row by row below, whether or not an edge is in view: each
  // row is read once, in order, and its clear stretches are skipped.
  const bool rowByRow = linX && !linY && mx.contHi - mx.contLo >= 32 && plan.kind != Plan::kGeneric &&
                        shared.contiguous && shared.plainRow;
  // Another quad filtered across goes through the sixteen-pixel kernel, a
  // column of sixteen pixels at a time, when the texel pairs of each column
  // lie within 32 texels of a row; it takes the weights as they are.
  if (!rowByRow && linX && mx.adjacent && level >= 3 && plan.kind != Plan::kGeneric && shared.wide) {
    // Column g's texels: the positions may wrap around the texture within it.
    auto texels = [&](int g, int& base) {
      const int from = g * 16, to = std::min(n, from + 16);
      int low = mx.i0[size_t(from)], high = low;
      for (int k = from + 1; k < to; ++k) {
        low = std::min(low, mx.i0[size_t(k)]);
        high = std::max(high, mx.i0[size_t(k)]);
      }
      base = low;
      return high + 2 - low;
    };
    bool fits = true;
    for (int g = 0, base = 0; fits && g * 16 < n; ++g) fits = texels(g, base) <= 32;
    if (fits) {
      for (int g = 0; g * 16 < n; ++g) {
        const size_t from = size_t(g) * 16;
        int base = 0;
        const int span = texels(g, base);
        SmallQuad q{t.px + size_t(y0) * t.pitch + x0 + from, size_t(t.pitch), tex.px, size_t(tex.pitch),
                    mx.i0.data() + from, nullptr, nullptr, my.i0.data(), linY ? my.i1.data() : nullptr,
                    linY ? my.f.data() : nullptr, std::min(16, n - int(from)), y1 - y0, mod,
                    t.px + size_t(t.h - 1) * t.pitch + size_t(t.w), mx.f.data() + from, base, span};
        shared.wide(q);
      }
      return true;
    }
  }
  if (linX && level >= 1) {
    if (qs.wl.size() < padded * 4) {
      qs.wl.resize(padded * 4);
      qs.wr.resize(padded * 4);
    }
    for (size_t i = 0; i < padded; ++i) {
      uint64_t f = mx.f[i];
      uint64_t l = (256 - f) * 0x0001000100010001ull, r = f * 0x0001000100010001ull;
      std::memcpy(&qs.wl[i * 4], &l, 8);
      std::memcpy(&qs.wr[i * 4], &r, 8);
    }
  }
  // A small quad filtered both ways goes through one kernel that keeps its
  // texel rows in registers.
  if (linX && linY && mx.adjacent && n <= 16 && level >= 2 && plan.kind != Plan::kGeneric) {
    if (SmallQuadKernel kernel = shared.small) {
      SmallQuad q{t.px + size_t(y0) * t.pitch + x0, size_t(t.pitch), tex.px, size_t(tex.pitch), mx.i0.data(),
                  qs.wl.data(), qs.wr.data(), my.i0.data(), my.i1.data(), my.f.data(), n, y1 - y0, mod,
                  t.px + size_t(t.h - 1) * t.pitch + size_t(t.w), nullptr, 0, 0};
      kernel(q);
      return true;
    }
  }
  // A picture drawn about one to one, its rows not mixed down (a drifting
  // cloud): each row taken across and blended in one pass, the pixels that
  // address an edge one at a time.
  if (rowByRow) {
    ContiguousRowKernel kernel = shared.contiguous;
    MixRowKernel one = shared.plainRow;
    if (kernel && one) {
      const int lo = mx.contLo, hi = mx.contHi;
      for (int y = y0; y < y1; ++y) {
        const uint32_t* r = tex.px + size_t(my.i0[size_t(y - y0)]) * tex.pitch;
        uint32_t* d = t.px + size_t(y) * t.pitch + x0;
        auto edge = [&](int i) {
          const uint32_t src = Lerp(r[mx.i0[size_t(i)]], r[mx.i1[size_t(i)]], mx.f[size_t(i)]);
          one(d + i, &src, nullptr, 0, 1, mod);
        };
        for (int i = 0; i < lo; ++i) edge(i);
        for (int i = hi; i < n; ++i) edge(i);
        kernel(d + lo, r + mx.i0[size_t(lo)], mx.f.data() + lo, hi - lo, mod);
      }
      return true;
    }
  }
  // The texel rows taken across, two kept: the next output row usually
  // needs one of the last two again.
  RowSlots slots;
  const uint32_t* across[2] = {nullptr, nullptr};
  auto acrossRow = [&](int j, int keep) __attribute__((always_inline)) -> int {
    bool fresh = false;
    const int q = slots.Take(j, keep, fresh);
    if (!fresh) return q;
    const uint32_t* r = tex.px + size_t(j) * tex.pitch;
    if (!linX && mx.contiguous) {
      across[q] = r + mx.start;
    } else {
      std::vector<uint32_t>& buf = qs.rows[q];
      if (buf.size() < padded) buf.resize(padded);
      Across(r, mx, linX, qs.wl.data(), qs.wr.data(), n, buf.data(), level);
      across[q] = buf.data();
    }
    return q;
  };
  // The blend kernels of a row alone and of two rows mixed down.
  MixRowKernel plainRow = nullptr, mixedRow = nullptr;
  if (plan.kind != Plan::kGeneric) {
    plainRow = shared.plainRow;
    mixedRow = shared.mixedRow;
  }
  for (int y = y0; y < y1; ++y) {
    size_t k = size_t(y - y0);
    int q0 = acrossRow(my.i0[k], -1);
    const uint32_t* src = across[q0];
    bool mixDown = linY && my.f[k] != 0;
    const uint32_t* below = mixDown ? across[acrossRow(my.i1[k], q0)] : nullptr;
    if (MixRowKernel kernel = mixDown ? mixedRow : plainRow) {
      kernel(t.px + size_t(y) * t.pitch + x0, src, below, mixDown ? my.f[k] : 0, n, mod);
      continue;
    }
    if (mixDown) {
      Down(src, below, my.f[k], n, row.data(), level);
      src = row.data();
    }
    if (plan.kind == Plan::kGeneric) {
      for (int i = 0; i < n; ++i) row[size_t(i)] = Combine(s, src[i], color);
      src = row.data();
    }
    Emit(t, x0, y, src, n, kind, s, plan.kind == Plan::kGeneric ? 0xFFFFFFFFu : mod);
  }
  return true;
}

}  // namespace sdev::raster
