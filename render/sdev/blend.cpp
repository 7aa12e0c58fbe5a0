// Blending a row of source colours onto the target: the exact formulas of
// docs/sdev.md, with SSE2 kernels for the common factor pairs.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>

#include "render/sdev/internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace sdev::raster {

BlendKind Classify(const PixelState& s) {
  if (!s.blend || (s.srcBlend == kBlendOne && s.dstBlend == kBlendZero)) return BlendKind::Replace;
  if (s.srcBlend == kBlendSrcAlpha && s.dstBlend == kBlendInvSrcAlpha) return BlendKind::Alpha;
  if (s.srcBlend == kBlendSrcAlpha && s.dstBlend == kBlendOne) return BlendKind::Add;
  return BlendKind::Generic;
}

namespace {

#if defined(__SSE2__)
// Rounded division by 255 of 16-bit lanes holding at most 65535 - 255:
// ((x + 128) * 257) >> 16, which is (t + (t >> 8)) >> 8 for t = x + 128.
inline __m128i Div255x8(__m128i x) { return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257)); }

// Two pixels widened to 16-bit lanes, each lane times the matching lane of m, / 255.
inline __m128i Mul8(__m128i a16, __m128i m16) { return Div255x8(_mm_mullo_epi16(a16, m16)); }

// The alpha of each of two widened pixels copied into its four lanes.
inline __m128i SpreadAlpha(__m128i p16) {
  __m128i t = _mm_shufflelo_epi16(p16, _MM_SHUFFLE(3, 3, 3, 3));
  return _mm_shufflehi_epi16(t, _MM_SHUFFLE(3, 3, 3, 3));
}

inline __m128i ModulateX4(__m128i s, __m128i m16) {
  const __m128i z = _mm_setzero_si128();
  __m128i lo = Mul8(_mm_unpacklo_epi8(s, z), m16), hi = Mul8(_mm_unpackhi_epi8(s, z), m16);
  return _mm_packus_epi16(lo, hi);
}

inline __m128i BlendAlphaX4(__m128i s, __m128i d) {
  const __m128i z = _mm_setzero_si128(), k255 = _mm_set1_epi16(255);
  __m128i slo = _mm_unpacklo_epi8(s, z), shi = _mm_unpackhi_epi8(s, z);
  __m128i dlo = _mm_unpacklo_epi8(d, z), dhi = _mm_unpackhi_epi8(d, z);
  __m128i alo = SpreadAlpha(slo), ahi = SpreadAlpha(shi);
  __m128i rlo = Div255x8(_mm_add_epi16(_mm_mullo_epi16(slo, alo), _mm_mullo_epi16(dlo, _mm_sub_epi16(k255, alo))));
  __m128i rhi = Div255x8(_mm_add_epi16(_mm_mullo_epi16(shi, ahi), _mm_mullo_epi16(dhi, _mm_sub_epi16(k255, ahi))));
  return _mm_packus_epi16(rlo, rhi);
}

inline __m128i BlendAddX4(__m128i s, __m128i d) {
  const __m128i z = _mm_setzero_si128();
  __m128i slo = _mm_unpacklo_epi8(s, z), shi = _mm_unpackhi_epi8(s, z);
  __m128i lo = Mul8(slo, SpreadAlpha(slo)), hi = Mul8(shi, SpreadAlpha(shi));
  return _mm_adds_epu8(d, _mm_packus_epi16(lo, hi));
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LANTERN_HAVE_AVX2_PATH 1
// The modulate, alpha and additive kernels eight pixels at a time, for
// processors with AVX2 (chosen at run time). The same arithmetic as the SSE2
// kernels.
__attribute__((target("avx2"))) inline __m256i Div255x16(__m256i x) {
  return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// Eight blended pixels from eight source pixels widened to 16-bit lanes (lo
// and hi as the unpack instructions split them) and eight target pixels.
__attribute__((target("avx2"))) inline __m256i BlendWide(__m256i slo, __m256i shi, __m256i dv, BlendKind k,
                                                          bool hasMod, __m256i mod16) {
  const __m256i z = _mm256_setzero_si256(), k255 = _mm256_set1_epi16(255);
  const __m256i alphaLanes = _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6, 7, 6, 7,
                                              6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
  if (hasMod) {
    slo = Div255x16(_mm256_mullo_epi16(slo, mod16));
    shi = Div255x16(_mm256_mullo_epi16(shi, mod16));
  }
  if (k == BlendKind::Replace) return _mm256_packus_epi16(slo, shi);
  __m256i alo = _mm256_shuffle_epi8(slo, alphaLanes), ahi = _mm256_shuffle_epi8(shi, alphaLanes);
  if (k == BlendKind::Alpha) {
    __m256i dlo = _mm256_unpacklo_epi8(dv, z), dhi = _mm256_unpackhi_epi8(dv, z);
    __m256i rlo = Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(slo, alo), _mm256_mullo_epi16(dlo, _mm256_sub_epi16(k255, alo))));
    __m256i rhi = Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(shi, ahi), _mm256_mullo_epi16(dhi, _mm256_sub_epi16(k255, ahi))));
    return _mm256_packus_epi16(rlo, rhi);
  }
  __m256i add = _mm256_packus_epi16(Div255x16(_mm256_mullo_epi16(slo, alo)), Div255x16(_mm256_mullo_epi16(shi, ahi)));
  return _mm256_adds_epu8(dv, add);
}

// Eight pixels, or those of `mask` (the rest zero).
__attribute__((target("avx2"))) inline __m256i Load8(const uint32_t* p, bool masked, __m256i mask) {
  return masked ? _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask)
                : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) inline void Store8(uint32_t* p, bool masked, __m256i mask, __m256i v) {
  if (masked)
    _mm256_maskstore_epi32(reinterpret_cast<int*>(p), mask, v);
  else
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Eight source pixels (sv, and widened as slo, shi when `wide`) modulated
// and blended (Replace, Alpha or Add) onto the eight target pixels at dst, or
// those of `mask` when `tail`; with `whole` a tail reads and writes all eight,
// the others written back as they were.
template <BlendKind k>
__attribute__((target("avx2"))) inline void BlendGroup(uint32_t* dst, bool tail, __m256i mask, __m256i sv,
                                                       __m256i slo, __m256i shi, bool wide, bool hasMod,
                                                       __m256i mod16, bool opaqueStays, bool whole = false) {
  const __m256i z = _mm256_setzero_si256();
  const __m256i amask = _mm256_set1_epi32(int(0xFF000000u));
  BlendKind kind = k;
  if (k == BlendKind::Alpha) {
    // Shortcuts of the same formula: all transparent keeps the target, all
    // opaque writes the (modulated) source.
    __m256i alpha = _mm256_and_si256(sv, amask);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha, z)) == -1) return;
    if (opaqueStays && _mm256_movemask_epi8(_mm256_cmpeq_epi32(alpha, amask)) == -1) {
      if (!hasMod) {
        if (tail && whole) {
          __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst));
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_blendv_epi8(old, sv, mask));
          return;
        }
        Store8(dst, tail, mask, sv);
        return;
      }
      kind = BlendKind::Replace;
    }
  }
  if (!wide) {
    slo = _mm256_unpacklo_epi8(sv, z);
    shi = _mm256_unpackhi_epi8(sv, z);
  }
  if (tail && whole) {
    __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst));
    __m256i out = BlendWide(slo, shi, kind == BlendKind::Replace ? z : old, kind, hasMod, mod16);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_blendv_epi8(old, out, mask));
    return;
  }
  __m256i dv = kind == BlendKind::Replace ? z : Load8(dst, tail, mask);
  __m256i out = BlendWide(slo, shi, dv, kind, hasMod, mod16);
  Store8(dst, tail, mask, out);
}

// (a (256 - f) + b f) / 256 per channel, widened: at most 255 x 256, no carry.
__attribute__((target("avx2"))) inline void MixWide(__m256i a, __m256i b, __m256i wa, __m256i wb, __m256i& lo,
                                                    __m256i& hi) {
  const __m256i z = _mm256_setzero_si256();
  lo = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(a, z), wa),
                                          _mm256_mullo_epi16(_mm256_unpacklo_epi8(b, z), wb)), 8);
  hi = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(a, z), wa),
                                          _mm256_mullo_epi16(_mm256_unpackhi_epi8(b, z), wb)), 8);
}

// A row of Lerp(a, b, f) (just a when b is null) modulated and blended
// (Replace, Alpha or Add): groups of eight, then the last one to seven pixels
// through masked loads and stores.
template <bool kMix, BlendKind k>
__attribute__((target("avx2"))) void MixRowAvx2(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint32_t f,
                                                 int n, uint32_t mod) {
  const __m256i z = _mm256_setzero_si256();
  const __m256i wa = _mm256_set1_epi16(short(256 - f)), wb = _mm256_set1_epi16(short(f));
  bool hasMod = mod != 0xFFFFFFFFu;
  __m256i mod16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(int(mod)), z);
  // A modulation keeps alpha 0 and, when its own alpha is 255, alpha 255.
  bool opaqueStays = (mod >> 24) == 255;
  __m256i mask = _mm256_set1_epi32(-1);
  for (int i = 0; i < n; i += 8) {
    bool tail = i + 8 > n;
    if (tail) mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(n - i), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    __m256i sv = Load8(a + i, tail, mask), slo = z, shi = z;
    if (kMix) {
      MixWide(sv, Load8(b + i, tail, mask), wa, wb, slo, shi);
      if (k == BlendKind::Alpha) sv = _mm256_packus_epi16(slo, shi);
    }
    BlendGroup<k>(dst + i, tail, mask, sv, slo, shi, kMix, hasMod, mod16, opaqueStays);
  }
}

// One texel row r taken across for a small quad, eight pixels a group (the
// arithmetic of the across kernel), the pixels past the last masked to zero
// (as a masked load gives them).
__attribute__((target("avx2"))) inline void SmallAcross(const uint32_t* r, const int* ix0, const __m256i* wl,
                                                        const __m256i* wr, int groups, bool lastTail,
                                                        __m256i lastMask, __m256i* out) {
  const __m256i z = _mm256_setzero_si256();
  for (int g = 0; g < groups; ++g) {
    __m256i sum[2];
    for (int h = 0; h < 2; ++h) {
      const int* ix = ix0 + 8 * g + 4 * h;
      __m128i p01 = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + ix[0])),
                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + ix[1])));
      __m128i p23 = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + ix[2])),
                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + ix[3])));
      __m256i p = _mm256_inserti128_si256(_mm256_castsi128_si256(p01), p23, 1);
      __m256i a = _mm256_unpacklo_epi8(p, z), b = _mm256_unpackhi_epi8(p, z);
      __m256i left = _mm256_unpacklo_epi64(a, b), right = _mm256_unpackhi_epi64(a, b);
      sum[h] = _mm256_srli_epi16(
          _mm256_add_epi16(_mm256_mullo_epi16(left, wl[2 * g + h]), _mm256_mullo_epi16(right, wr[2 * g + h])), 8);
    }
    out[g] = _mm256_permute4x64_epi64(_mm256_packus_epi16(sum[0], sum[1]), 0xD8);
  }
  if (lastTail) out[groups - 1] = _mm256_and_si256(out[groups - 1], lastMask);
}

// A small quad (1 to 16 pixels wide) filtered both ways and blended in one
// pass: each texel row is taken across in registers (pixel k's two texels at
// row + ix[k], weights wl, wr as four lanes a pixel, padded to a multiple of
// eight pixels), the two rows of every output row mixed down and blended.
// The same arithmetic as the across kernel followed by MixRowAvx2.
template <BlendKind k>
__attribute__((target("avx2"))) void SmallQuadAvx2(const SmallQuad& q) {
  const __m256i z = _mm256_setzero_si256();
  const int n = q.n, groups = (n + 7) / 8;
  const bool hasMod = q.mod != 0xFFFFFFFFu, opaqueStays = (q.mod >> 24) == 255;
  const __m256i mod16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(int(q.mod)), z);
  const __m256i full = _mm256_set1_epi32(-1);
  const __m256i lastMask = _mm256_cmpgt_epi32(_mm256_set1_epi32(n - 8 * (groups - 1)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  const bool lastTail = n % 8 != 0;
  __m256i wl[4], wr[4];
  for (int h = 0; h < 2 * groups; ++h) {
    wl[h] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q.wl + 16 * h));
    wr[h] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q.wr + 16 * h));
  }
  // The last two texel rows taken across, kept: the next output row usually
  // needs one of them again.
  __m256i rows[2][2] = {{z, z}, {z, z}};
  RowSlots slots;
  auto row = [&](int j, int keep) __attribute__((always_inline, target("avx2"))) -> int {
    bool fresh = false;
    const int s = slots.Take(j, keep, fresh);
    if (fresh) SmallAcross(q.tex + size_t(j) * q.texPitch, q.ix, wl, wr, groups, lastTail, lastMask, rows[s]);
    return s;
  };
  uint32_t* line = q.dst;
  for (int y = 0; y < q.rows; ++y, line += q.dstPitch) {
    uint32_t f = q.yf ? q.yf[y] : 0;
    int s0 = row(q.yi0[y], -1);
    int s1 = f != 0 ? row(q.yi1[y], s0) : s0;
    const __m256i wa = _mm256_set1_epi16(short(256 - f)), wb = _mm256_set1_epi16(short(f));
    const bool whole = line + 8 * groups <= q.dstEnd;
    for (int g = 0; g < groups; ++g) {
      bool tail = lastTail && g == groups - 1;
      __m256i slo, shi, sv = rows[s0][g];
      MixWide(sv, rows[s1][g], wa, wb, slo, shi);
      if (k == BlendKind::Alpha) sv = _mm256_packus_epi16(slo, shi);
      BlendGroup<k>(line + 8 * g, tail, tail ? lastMask : full, sv, slo, shi, true, hasMod, mod16, opaqueStays,
                    whole);
    }
  }
}

// The small-quad kernel sixteen pixels at a time (AVX-512BW), for quads
// whose texel pairs lie within 32 texels of a row: the texel row is read in
// two registers and each pixel's two texels are picked from them by index,
// the row taken across stays widened for the mix down, and the target is
// read and written under a mask of the quad's pixels. The same arithmetic
// as SmallQuadAvx2.
#define LANTERN_AVX512 __attribute__((target("avx512f,avx512bw")))
// GCC's AVX-512 intrinsics start some results from an undefined register and
// then warn that it is used uninitialised.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

LANTERN_AVX512 inline __m512i Div255x32(__m512i x) {
  return _mm512_mulhi_epu16(_mm512_add_epi16(x, _mm512_set1_epi16(128)), _mm512_set1_epi16(257));
}

// (a (256 - f) + b f) / 256 per widened channel.
LANTERN_AVX512 inline __m512i Mix32(__m512i a, __m512i wa, __m512i b, __m512i wb) {
  return _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(a, wa), _mm512_mullo_epi16(b, wb)), 8);
}

// Sixteen widened source pixels (slo: pixels 0 1 4 5 ..., shi: 2 3 6 7 ...)
// modulated and blended (Replace, Alpha or Add) onto the pixels of `live` at
// line; `whole`: all sixteen may be read.
template <BlendKind k>
LANTERN_AVX512 inline void BlendSixteen(uint32_t* line, __mmask16 live, bool whole, __m512i slo, __m512i shi,
                                        bool hasMod, __m512i mod16, bool opaqueStays) {
  const __m512i z = _mm512_setzero_si512();
  const __m512i amask = _mm512_set1_epi32(int(0xFF000000u));
  const __m512i alphaLanes = _mm512_broadcast_i32x4(_mm_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15));
  BlendKind kind = k;
  if (k == BlendKind::Alpha) {
    // Shortcuts of the same formula: all transparent keeps the target, all
    // opaque writes the source.
    __m512i alpha = _mm512_and_si512(_mm512_packus_epi16(slo, shi), amask);
    if (_mm512_mask_cmpneq_epi32_mask(live, alpha, z) == 0) return;
    if (opaqueStays && _mm512_mask_cmpneq_epi32_mask(live, alpha, amask) == 0) kind = BlendKind::Replace;
  }
  if (hasMod) {
    slo = Div255x32(_mm512_mullo_epi16(slo, mod16));
    shi = Div255x32(_mm512_mullo_epi16(shi, mod16));
  }
  if (kind == BlendKind::Replace) {
    _mm512_mask_storeu_epi32(line, live, _mm512_packus_epi16(slo, shi));
    return;
  }
  __m512i alo = _mm512_shuffle_epi8(slo, alphaLanes), ahi = _mm512_shuffle_epi8(shi, alphaLanes);
  __m512i d = whole ? _mm512_loadu_si512(line) : _mm512_maskz_loadu_epi32(live, line), out;
  if (k == BlendKind::Alpha) {
    const __m512i k255 = _mm512_set1_epi16(255);
    __m512i dlo = _mm512_unpacklo_epi8(d, z), dhi = _mm512_unpackhi_epi8(d, z);
    out = _mm512_packus_epi16(
        Div255x32(_mm512_add_epi16(_mm512_mullo_epi16(slo, alo), _mm512_mullo_epi16(dlo, _mm512_sub_epi16(k255, alo)))),
        Div255x32(_mm512_add_epi16(_mm512_mullo_epi16(shi, ahi), _mm512_mullo_epi16(dhi, _mm512_sub_epi16(k255, ahi)))));
  } else {
    out = _mm512_adds_epu8(d, _mm512_packus_epi16(Div255x32(_mm512_mullo_epi16(slo, alo)),
                                                  Div255x32(_mm512_mullo_epi16(shi, ahi))));
  }
  _mm512_mask_storeu_epi32(line, live, out);
}

// A row of source pixels (not mixed with a second row) modulated and blended,
// sixteen at a time: the arithmetic of MixRowAvx2<false, k>.
template <BlendKind k>
LANTERN_AVX512 void RowAvx512(uint32_t* dst, const uint32_t* a, const uint32_t*, uint32_t, int n, uint32_t mod) {
  const __m512i z = _mm512_setzero_si512();
  const bool hasMod = mod != 0xFFFFFFFFu, opaqueStays = (mod >> 24) == 255;
  const __m512i mod16 = _mm512_unpacklo_epi8(_mm512_set1_epi32(int(mod)), z);
  for (int i = 0; i < n; i += 16) {
    const bool tail = i + 16 > n;
    const __mmask16 live = tail ? __mmask16((1u << (n - i)) - 1) : __mmask16(0xFFFF);
    const __m512i sv = tail ? _mm512_maskz_loadu_epi32(live, a + i) : _mm512_loadu_si512(a + i);
    if (k == BlendKind::Alpha && !hasMod) {
      // The shortcuts before widening.
      const __m512i alpha = _mm512_and_si512(sv, _mm512_set1_epi32(int(0xFF000000u)));
      if (_mm512_mask_cmpneq_epi32_mask(live, alpha, z) == 0) continue;
      if (_mm512_mask_cmpneq_epi32_mask(live, alpha, _mm512_set1_epi32(int(0xFF000000u))) == 0) {
        _mm512_mask_storeu_epi32(dst + i, live, sv);
        continue;
      }
    }
    BlendSixteen<k>(dst + i, live, !tail, _mm512_unpacklo_epi8(sv, z), _mm512_unpackhi_epi8(sv, z), hasMod, mod16,
                    opaqueStays);
  }
}

// Two rows mixed down, a + (b - a) f / 256, then modulated and blended,
// sixteen pixels at a time: the arithmetic of MixRowAvx2<true, k>.
template <BlendKind k>
LANTERN_AVX512 void MixedRowAvx512(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint32_t f, int n,
                                   uint32_t mod) {
  const __m512i z = _mm512_setzero_si512();
  const bool hasMod = mod != 0xFFFFFFFFu, opaqueStays = (mod >> 24) == 255;
  const __m512i mod16 = _mm512_unpacklo_epi8(_mm512_set1_epi32(int(mod)), z);
  const __m512i wa = _mm512_set1_epi16(short(256 - f)), wb = _mm512_set1_epi16(short(f));
  for (int i = 0; i < n; i += 16) {
    const bool tail = i + 16 > n;
    const __mmask16 live = tail ? __mmask16((1u << (n - i)) - 1) : __mmask16(0xFFFF);
    const __m512i x = tail ? _mm512_maskz_loadu_epi32(live, a + i) : _mm512_loadu_si512(a + i);
    const __m512i y = tail ? _mm512_maskz_loadu_epi32(live, b + i) : _mm512_loadu_si512(b + i);
    BlendSixteen<k>(dst + i, live, !tail, Mix32(_mm512_unpacklo_epi8(x, z), wa, _mm512_unpacklo_epi8(y, z), wb),
                    Mix32(_mm512_unpackhi_epi8(x, z), wa, _mm512_unpackhi_epi8(y, z), wb), hasMod, mod16,
                    opaqueStays);
  }
}

template <BlendKind k>
LANTERN_AVX512 void SmallQuadAvx512(const SmallQuad& q) {
  const __m512i z = _mm512_setzero_si512();
  const __mmask16 live = __mmask16((1u << q.n) - 1);
  const bool hasMod = q.mod != 0xFFFFFFFFu, opaqueStays = (q.mod >> 24) == 255;
  const __m512i mod16 = _mm512_unpacklo_epi8(_mm512_set1_epi32(int(q.mod)), z);
  // Each pixel's texel pair as indexes into the 32 texels from q.base, and
  // its weights as the lanes of the widened pixels (unpacking puts pixels
  // 0 1 4 5 ... in the low half, 2 3 6 7 ... in the high one).
  const __m512i ix = q.sixteen ? _mm512_maskz_mov_epi32(live, _mm512_loadu_si512(q.ix))
                                : _mm512_maskz_loadu_epi32(live, q.ix);
  const __m512i left = _mm512_sub_epi32(ix, _mm512_set1_epi32(q.base));
  const __m512i right = _mm512_add_epi32(left, _mm512_set1_epi32(1));
  const __m512i f = q.sixteen ? _mm512_maskz_mov_epi32(live, _mm512_loadu_si512(q.xf))
                               : _mm512_maskz_loadu_epi32(live, q.xf);
  const __m512i g = _mm512_sub_epi32(_mm512_set1_epi32(256), f);
  const __m512i wr32 = _mm512_or_si512(f, _mm512_slli_epi32(f, 16)), wl32 = _mm512_or_si512(g, _mm512_slli_epi32(g, 16));
  const __m512i wlLo = _mm512_unpacklo_epi32(wl32, wl32), wlHi = _mm512_unpackhi_epi32(wl32, wl32);
  const __m512i wrLo = _mm512_unpacklo_epi32(wr32, wr32), wrHi = _mm512_unpackhi_epi32(wr32, wr32);
  const __mmask16 first = q.span >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << q.span) - 1);
  const __mmask16 second = q.span <= 16 ? __mmask16(0) : __mmask16((1u << (q.span - 16)) - 1);
  // Each texel row taken across (widened) from q.tex + row pitch + base.
  auto across = [&](const uint32_t* r, __m512i& lo, __m512i& hi) __attribute__((always_inline, target("avx512f,avx512bw"))) {
    __m512i t0 = _mm512_maskz_loadu_epi32(first, r), t1 = _mm512_maskz_loadu_epi32(second, r + 16);
    __m512i l = _mm512_permutex2var_epi32(t0, left, t1), rr = _mm512_permutex2var_epi32(t0, right, t1);
    lo = Mix32(_mm512_unpacklo_epi8(l, z), wlLo, _mm512_unpacklo_epi8(rr, z), wrLo);
    hi = Mix32(_mm512_unpackhi_epi8(l, z), wlHi, _mm512_unpackhi_epi8(rr, z), wrHi);
  };
  const int rows = q.rows;
  const int* const yi0 = q.yi0;
  const int* const yi1 = q.yi1;
  const uint32_t* const yf = q.yf;
  const uint32_t* const tex = q.tex + (q.base - q.texX);
  const int texY = q.texY;
  const size_t texPitch = q.texPitch, dstPitch = q.dstPitch;
  const uint32_t* const dstEnd = q.dstEnd;
  uint32_t* line = q.dst;
  // The texel rows the quad reads, when they are few (a quad drawn near its
  // size reads each of them once or twice): each is taken across once, in
  // order, and every output row mixes two of them down with no choice to make
  // (a weight of 0 keeps the first row exactly).
  constexpr int kMostRows = 40;
  int jlo = yi0[0], jhi = yi0[0];
  if (q.rowsInOrder) {
    jlo = std::min(yi0[0], yi0[rows - 1]);
    jhi = std::max(yi0[0], yi0[rows - 1]) + (yf ? 1 : 0);
  } else {
    for (int y = 0; y < rows; ++y) {
      jlo = std::min(jlo, yi0[y]);
      jhi = std::max(jhi, yi0[y]);
      if (yf) {
        jlo = std::min(jlo, yi1[y]);
        jhi = std::max(jhi, yi1[y]);
      }
    }
  }
  if (jhi - jlo < kMostRows && jhi - jlo <= rows + 2) {
    __m512i lo[kMostRows], hi[kMostRows];
    for (int j = jlo; j <= jhi; ++j) across(tex + size_t(j - texY) * texPitch, lo[j - jlo], hi[j - jlo]);
    for (int y = 0; y < rows; ++y, line += dstPitch) {
      const int a = yi0[y] - jlo;
      __m512i slo = lo[a], shi = hi[a];
      if (yf) {
        const int b = yi1[y] - jlo;
        const __m512i wa = _mm512_set1_epi16(short(256 - yf[y])), wb = _mm512_set1_epi16(short(yf[y]));
        slo = Mix32(slo, wa, lo[b], wb);
        shi = Mix32(shi, wa, hi[b], wb);
      }
      BlendSixteen<k>(line, live, line + 16 <= dstEnd, slo, shi, hasMod, mod16, opaqueStays);
    }
    return;
  }
  // Otherwise the last two texel rows taken across are kept: the next output
  // row usually needs one of them again.
  __m512i lo[2] = {z, z}, hi[2] = {z, z};
  RowSlots slots;
  auto row = [&](int j, int keep) __attribute__((always_inline, target("avx512f,avx512bw"))) -> int {
    bool fresh = false;
    const int s = slots.Take(j, keep, fresh);
    if (fresh) across(tex + size_t(j - texY) * texPitch, lo[s], hi[s]);
    return s;
  };
  for (int y = 0; y < rows; ++y, line += dstPitch) {
    uint32_t fy = yf ? yf[y] : 0;
    int s0 = row(yi0[y], -1);
    __m512i slo = lo[s0], shi = hi[s0];
    if (fy != 0) {
      int s1 = row(yi1[y], s0);
      const __m512i wa = _mm512_set1_epi16(short(256 - fy)), wb = _mm512_set1_epi16(short(fy));
      slo = Mix32(lo[s0], wa, lo[s1], wb);
      shi = Mix32(hi[s0], wa, hi[s1], wb);
    }
    BlendSixteen<k>(line, live, line + 16 <= dstEnd, slo, shi, hasMod, mod16, opaqueStays);
  }
}

// A texel row taken across and blended, sixteen pixels at a time: pixel i
// mixes texels t[i] and t[i + 1] as Lerp by f[i] (a picture drawn about one
// to one, a fraction of a pixel off), then is modulated and blended as
// RowAvx512<k>. Sixteen pixels whose texels are all transparent leave the
// target as it is (Alpha and Add): they are not touched.
template <BlendKind k>
LANTERN_AVX512 void ContiguousRowAvx512(uint32_t* dst, const uint32_t* t, const uint32_t* f, int n, uint32_t mod) {
  const __m512i z = _mm512_setzero_si512(), amask = _mm512_set1_epi32(int(0xFF000000u));
  const bool hasMod = mod != 0xFFFFFFFFu, opaqueStays = (mod >> 24) == 255;
  const __m512i mod16 = _mm512_unpacklo_epi8(_mm512_set1_epi32(int(mod)), z);
  const __m512i k256 = _mm512_set1_epi32(256);
  for (int i = 0; i < n; i += 16) {
    const bool tail = i + 16 > n;
    const __mmask16 live = tail ? __mmask16((1u << (n - i)) - 1) : __mmask16(0xFFFF);
    const __m512i a = tail ? _mm512_maskz_loadu_epi32(live, t + i) : _mm512_loadu_si512(t + i);
    const __m512i b = tail ? _mm512_maskz_loadu_epi32(live, t + i + 1) : _mm512_loadu_si512(t + i + 1);
    if (k != BlendKind::Replace && _mm512_test_epi32_mask(_mm512_or_si512(a, b), amask) == 0) continue;
    // The weights as the lanes of the widened pixels (unpacking puts pixels
    // 0 1 4 5 ... in the low half, 2 3 6 7 ... in the high one).
    const __m512i fr = tail ? _mm512_maskz_loadu_epi32(live, f + i) : _mm512_loadu_si512(f + i);
    const __m512i fl = _mm512_sub_epi32(k256, fr);
    const __m512i wr32 = _mm512_or_si512(fr, _mm512_slli_epi32(fr, 16));
    const __m512i wl32 = _mm512_or_si512(fl, _mm512_slli_epi32(fl, 16));
    BlendSixteen<k>(dst + i, live, !tail,
                    Mix32(_mm512_unpacklo_epi8(a, z), _mm512_unpacklo_epi32(wl32, wl32), _mm512_unpacklo_epi8(b, z),
                          _mm512_unpacklo_epi32(wr32, wr32)),
                    Mix32(_mm512_unpackhi_epi8(a, z), _mm512_unpackhi_epi32(wl32, wl32), _mm512_unpackhi_epi8(b, z),
                          _mm512_unpackhi_epi32(wr32, wr32)),
                    hasMod, mod16, opaqueStays);
  }
}

// a + (b - a) f / 256 per widened channel, f given as f << 7 (f in 0..255).
LANTERN_AVX512 inline __m512i Mix7(__m512i a, __m512i b, __m512i f7) {
  return _mm512_add_epi16(a, _mm512_mulhi_epi16(_mm512_slli_epi16(_mm512_sub_epi16(b, a), 1), f7));
}

// A span sampled with linear filtering and blended, sixteen pixels at a time:
// each pixel's two texel pairs gathered, mixed down the column by fy and
// then across by fx as a + (b - a) f / 256 per channel (the arithmetic of the
// sampler's vector loops), the last pixel of an odd span across first and
// then down (its scalar loop), modulated and blended as RowAvx512<k>. The
// pixels are gathered in the two sets the widening unpack makes of sixteen
// (0 1 4 5 ... and 2 3 6 7 ...), which then go to the blend as they are.
template <BlendKind k>
LANTERN_AVX512 void FilteredSpanAvx512(const FilteredSpan& sp) {
  const __m512i z = _mm512_setzero_si512();
  const bool hasMod = sp.mod != 0xFFFFFFFFu, opaqueStays = (sp.mod >> 24) == 255;
  const __m512i mod16 = _mm512_unpacklo_epi8(_mm512_set1_epi32(int(sp.mod)), z);
  const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i byte = _mm512_set1_epi32(0xFF), pitch = _mm512_set1_epi32(int(sp.texPitch));
  // The pixels of each set, and per 128-bit lane of a set's widened pairs
  // the pixel whose column weight each lane takes (the set's pixels 2L and
  // 2L + 1 of lane L lie in the low and high unpack), and whose row weight.
  const __m512i setA = _mm512_setr_epi32(0, 1, 4, 5, 8, 9, 12, 13, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m512i setB = _mm512_setr_epi32(2, 3, 6, 7, 10, 11, 14, 15, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m512i evenA = _mm512_setr_epi32(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12);
  const __m512i oddA = _mm512_setr_epi32(1, 1, 1, 1, 5, 5, 5, 5, 9, 9, 9, 9, 13, 13, 13, 13);
  const __m512i acrossA = _mm512_setr_epi32(0, 0, 1, 1, 4, 4, 5, 5, 8, 8, 9, 9, 12, 12, 13, 13);
  const __m512i two = _mm512_set1_epi32(2);
  const __m512i evenB = _mm512_add_epi32(evenA, two), oddB = _mm512_add_epi32(oddA, two),
                acrossB = _mm512_add_epi32(acrossA, two);
  // Positions in 16.16 stepped as the scalar loop steps them (wrapping as
  // int32), from the first span's start or the second's.
  const __m512i fu = _mm512_set1_epi32(sp.fu), fv = _mm512_set1_epi32(sp.fv), du = _mm512_set1_epi32(sp.du),
                dv = _mm512_set1_epi32(sp.dv);
  const __m512i fu2 = _mm512_set1_epi32(sp.fu2), fv2 = _mm512_set1_epi32(sp.fv2), du2 = _mm512_set1_epi32(sp.du2),
                dv2 = _mm512_set1_epi32(sp.dv2), split = _mm512_set1_epi32(sp.split);
  // The pixel of a span filtered the way the sampler's scalar loop does it
  // (across, then down): the last of a span of odd length.
  auto scalar = [&sp](int32_t u0, int32_t v0, int32_t du0, int32_t dv0, int step) {
    const int32_t pu = int32_t(uint32_t(u0) + uint32_t(du0) * uint32_t(step)),
                  pv = int32_t(uint32_t(v0) + uint32_t(dv0) * uint32_t(step));
    const uint32_t* p = sp.tex + size_t(pv >> 16) * sp.texPitch + size_t(pu >> 16);
    const uint32_t wx = uint32_t(pu >> 8) & 0xFF, wy = uint32_t(pv >> 8) & 0xFF;
    return Lerp(Lerp(p[0], p[1], wx), Lerp(p[sp.texPitch], p[sp.texPitch + 1], wx), wy);
  };
  const int n = sp.n, m = sp.split;
  const int oddFirst = m & 1 ? m - 1 : -1, oddSecond = (n - m) & 1 ? n - 1 : -1;
  const long long* top = reinterpret_cast<const long long*>(sp.tex);
  const long long* bottom = reinterpret_cast<const long long*>(sp.tex + sp.texPitch);
  for (int i = 0; i < n; i += 16) {
    const bool tail = i + 16 > n;
    const __mmask16 live = tail ? __mmask16((1u << (n - i)) - 1) : __mmask16(0xFFFF);
    const __m512i count = _mm512_set1_epi32(n - i);
    const __m512i kk = _mm512_add_epi32(_mm512_set1_epi32(i), lanes), k2 = _mm512_sub_epi32(kk, split);
    const __mmask16 second = _mm512_cmpge_epi32_mask(kk, split);
    const __m512i u = _mm512_mask_add_epi32(_mm512_add_epi32(fu, _mm512_mullo_epi32(kk, du)), second, fu2,
                                            _mm512_mullo_epi32(k2, du2));
    const __m512i v = _mm512_mask_add_epi32(_mm512_add_epi32(fv, _mm512_mullo_epi32(kk, dv)), second, fv2,
                                            _mm512_mullo_epi32(k2, dv2));
    const __m512i at = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_srai_epi32(v, 16), pitch), _mm512_srai_epi32(u, 16));
    // Weights f << 7 in both 16-bit halves of each pixel's lane.
    __m512i fy = _mm512_slli_epi32(_mm512_and_si512(_mm512_srai_epi32(v, 8), byte), 7);
    __m512i fx = _mm512_slli_epi32(_mm512_and_si512(_mm512_srai_epi32(u, 8), byte), 7);
    fy = _mm512_or_si512(fy, _mm512_slli_epi32(fy, 16));
    fx = _mm512_or_si512(fx, _mm512_slli_epi32(fx, 16));
    __m512i sum[2];
    for (int h = 0; h < 2; ++h) {
      const __m512i set = h ? setB : setA;
      const __mmask8 in = __mmask8(_mm512_mask_cmplt_epi32_mask(0xFF, set, count));
      const __m256i idx = _mm512_castsi512_si256(_mm512_permutexvar_epi32(set, at));
      const __m512i t = _mm512_mask_i32gather_epi64(z, in, idx, top, 4);
      const __m512i b = _mm512_mask_i32gather_epi64(z, in, idx, bottom, 4);
      const __m512i even = Mix7(_mm512_unpacklo_epi8(t, z), _mm512_unpacklo_epi8(b, z),
                                _mm512_permutexvar_epi32(h ? evenB : evenA, fy));
      const __m512i odd = Mix7(_mm512_unpackhi_epi8(t, z), _mm512_unpackhi_epi8(b, z),
                               _mm512_permutexvar_epi32(h ? oddB : oddA, fy));
      sum[h] = Mix7(_mm512_unpacklo_epi64(even, odd), _mm512_unpackhi_epi64(even, odd),
                    _mm512_permutexvar_epi32(h ? acrossB : acrossA, fx));
    }
    __m512i slo = sum[0], shi = sum[1];
    const bool hasFirst = oddFirst >= i && oddFirst < i + 16, hasSecond = oddSecond >= i && oddSecond < i + 16;
    if (hasFirst || hasSecond) {
      __m512i sv = _mm512_packus_epi16(slo, shi);
      if (hasFirst)
        sv = _mm512_mask_set1_epi32(sv, __mmask16(1u << (oddFirst - i)), int(scalar(sp.fu, sp.fv, sp.du, sp.dv, oddFirst)));
      if (hasSecond)
        sv = _mm512_mask_set1_epi32(sv, __mmask16(1u << (oddSecond - i)),
                                    int(scalar(sp.fu2, sp.fv2, sp.du2, sp.dv2, oddSecond - m)));
      slo = _mm512_unpacklo_epi8(sv, z);
      shi = _mm512_unpackhi_epi8(sv, z);
    }
    BlendSixteen<k>(sp.dst + i, live, !tail, slo, shi, hasMod, mod16, opaqueStays);
  }
}


// A vpshufb control: in every 128-bit lane, 16-bit lanes made of two bytes
// of the lane's 32-bit elements, element p0 to 16-bit lanes 0 and 1, p1 to
// 2 and 3, p2 to 4 and 5, p3 to 6 and 7. The bytes are `lo` and `hi` of
// the element (a negative `lo`: zero).
LANTERN_AVX512 inline __m512i PickBytes(int p0, int p1, int p2, int p3, int lo, int hi) {
  auto l = [lo](int p) { return char(lo < 0 ? -128 : 4 * p + lo); };
  auto h = [hi](int p) { return char(4 * p + hi); };
  return _mm512_broadcast_i32x4(_mm_setr_epi8(l(p0), h(p0), l(p0), h(p0), l(p1), h(p1), l(p1), h(p1), l(p2), h(p2),
                                              l(p2), h(p2), l(p3), h(p3), l(p3), h(p3)));
}

// a + (b - a) f / 256 per widened channel for b - a + 256 (1 to 511) given
// as x, plus f: mulhi(x, f << 8) is (b - a) f / 256 + f, rounded down.
LANTERN_AVX512 inline __m512i MixPlusWeight(__m512i a, __m512i x, __m512i f8) {
  return _mm512_add_epi16(a, _mm512_mulhi_epu16(x, f8));
}

// The spans of a batch (SpanBatch) sampled as FilteredSpanAvx512 samples
// them, but sixteen pixels of the batch's run at a time whatever span or row
// they belong to: first each piece's positions written out (stepped as the
// scalar loop steps them), then every sixteen pixels read from the texture's
// squares of four texels (one read a pixel), filtered, modulated (and for
// Add multiplied by their alpha) into `out`, then each row blended from
// there. The same arithmetic as FilteredSpanAvx512 and BlendSixteen.
template <BlendKind k>
LANTERN_AVX512 void SpanBatchAvx512(const SpanBatch& b) {
  const __m512i z = _mm512_setzero_si512();
  const bool hasMod = b.mod != 0xFFFFFFFFu;
  const __m512i mod16 = _mm512_unpacklo_epi8(_mm512_set1_epi32(int(b.mod)), z);
  const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const int total = b.pixels, groups = (total + 15) / 16;
  // The target's rows are asked for now, read when blended last.
  for (int r = 0; r < b.rowCount; ++r) {
    _mm_prefetch(reinterpret_cast<const char*>(b.rowDst[r]), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(b.rowDst[r] + b.rowN[r] - 1), _MM_HINT_T0);
  }
  std::memset(b.odd, 0, size_t(groups) * 16);
  // Each piece's positions, stepped as the scalar loop steps them (in 32-bit
  // wrapping sums), sixteen a store: the pieces lie one after another in the
  // run, so what passes a piece's end is written over by the next (the
  // buffers hold 32 past the run). Inside the texture positions neither wrap
  // nor go negative, so a piece's least and greatest are its first and its
  // last.
  // (The batch's fields read once: the stores below could be to them as far as the compiler knows.)
  const int pieceCount = b.pieceCount;
  const int32_t *const pieceAt = b.pieceAt, *const pieceN = b.pieceN, *const pieceFu = b.pieceFu,
                       *const pieceFv = b.pieceFv, *const pieceDu = b.pieceDu, *const pieceDv = b.pieceDv;
  int32_t *const posU = b.u, *const posV = b.v;
  uint8_t* const odd = b.odd;
  for (int p = 0; p < pieceCount; ++p) {
    const int at = pieceAt[p], n = pieceN[p];
    const __m512i du = _mm512_set1_epi32(pieceDu[p]), dv = _mm512_set1_epi32(pieceDv[p]);
    const __m512i du16 = _mm512_slli_epi32(du, 4), dv16 = _mm512_slli_epi32(dv, 4);
    __m512i u = _mm512_add_epi32(_mm512_set1_epi32(pieceFu[p]), _mm512_mullo_epi32(lanes, du));
    __m512i v = _mm512_add_epi32(_mm512_set1_epi32(pieceFv[p]), _mm512_mullo_epi32(lanes, dv));
    int32_t* pu = posU + at;
    int32_t* pv = posV + at;
    _mm512_storeu_si512(pu, u);
    _mm512_storeu_si512(pv, v);
    for (int i = 16; i < n; i += 16) {
      u = _mm512_add_epi32(u, du16);
      v = _mm512_add_epi32(v, dv16);
      _mm512_storeu_si512(pu + i, u);
      _mm512_storeu_si512(pv + i, v);
    }
    // The last pixel of an odd span: across, then down (a byte a pixel, so
    // that no piece waits on the one before).
    odd[at + (n > 0 ? n - 1 : 0)] = uint8_t(-(n & 1));
  }
  // The extremes, sixteen pieces at a time.
  __m512i umin16 = _mm512_set1_epi32(INT32_MAX), vmin16 = umin16;
  __m512i umax16 = _mm512_set1_epi32(INT32_MIN), vmax16 = umax16;
  for (int p = 0; p < pieceCount; p += 16) {
    const __mmask16 live = pieceCount - p >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (pieceCount - p)) - 1);
    const __m512i n = _mm512_maskz_loadu_epi32(live, pieceN + p);
    const __m512i steps = _mm512_max_epi32(_mm512_sub_epi32(n, _mm512_set1_epi32(1)), z);
    const __m512i fu = _mm512_maskz_loadu_epi32(live, pieceFu + p), fv = _mm512_maskz_loadu_epi32(live, pieceFv + p);
    const __m512i lu = _mm512_add_epi32(fu, _mm512_mullo_epi32(_mm512_maskz_loadu_epi32(live, pieceDu + p), steps));
    const __m512i lv = _mm512_add_epi32(fv, _mm512_mullo_epi32(_mm512_maskz_loadu_epi32(live, pieceDv + p), steps));
    umin16 = _mm512_mask_min_epi32(umin16, live, umin16, _mm512_min_epi32(fu, lu));
    umax16 = _mm512_mask_max_epi32(umax16, live, umax16, _mm512_max_epi32(fu, lu));
    vmin16 = _mm512_mask_min_epi32(vmin16, live, vmin16, _mm512_min_epi32(fv, lv));
    vmax16 = _mm512_mask_max_epi32(vmax16, live, vmax16, _mm512_max_epi32(fv, lv));
  }
  const int32_t umin = _mm512_reduce_min_epi32(umin16), umax = _mm512_reduce_max_epi32(umax16);
  const int32_t vmin = _mm512_reduce_min_epi32(vmin16), vmax = _mm512_reduce_max_epi32(vmax16);
  const __m512i pitchFour = _mm512_set1_epi32(int(4u << 16 | (4u * uint32_t(b.texPitch) & 0xFFFFu)));
  // The sixteen pixels go to four vectors of four, vector j holding pixels
  // j, 4 + j, 8 + j and 12 + j (one a 128-bit lane, its four texels from
  // b.squares); mixed down, pairs of them are mixed across into pixels
  // 0 1 4 5 ... and 2 3 6 7 ..., the halves the widening unpack makes.
  // Each lane's weight down (of pixel 4L + j) and across (of 4L, 4L + 1 or
  // 4L + 2, 4L + 3) as f << 8 is picked inside the lane from bits 8 to 15
  // of the pixels' positions; so is the sum of the two weights.
  const __m512i down0 = PickBytes(0, 0, 0, 0, -1, 1), down1 = PickBytes(1, 1, 1, 1, -1, 1),
                down2 = PickBytes(2, 2, 2, 2, -1, 1), down3 = PickBytes(3, 3, 3, 3, -1, 1);
  const __m512i across0 = PickBytes(0, 0, 1, 1, -1, 1), across1 = PickBytes(2, 2, 3, 3, -1, 1);
  const __m512i sum0 = PickBytes(0, 0, 1, 1, 1, 2), sum1 = PickBytes(2, 2, 3, 3, 1, 2);
  const __m512i weightByte = _mm512_set1_epi32(0xFF00);
  // The texels widened with 256 added to the top right and bottom left and
  // 512 to the bottom right: (bottom - top) + 256 down, and after the mix
  // down (right - left) + 256 across, come out of the widening itself.
  const __m512i plus = _mm512_broadcast_i32x4(_mm_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2));
  const __m512i alphaLanes = _mm512_broadcast_i32x4(_mm_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15));
  // Inside the texture, positions are not negative.
  const uint32_t* const squares = b.texture->TexelSquares(uint32_t(umin >> 16), uint32_t(vmin >> 16),
                                                          uint32_t(umax >> 16) + 1, uint32_t(vmax >> 16) + 1);
  // The buffers in registers (the vector stores could otherwise write b).
  const int32_t* const bu = b.u;
  const int32_t* const bv = b.v;
  int32_t* const bat = b.at;
  const uint8_t* const bodd = b.odd;
  uint32_t* const bout = b.out;
  // Where each pixel's four texels lie, for the whole run first: each
  // pixel's square at 4 (v >> 16 pitch + u >> 16), one multiply-add of the
  // two 16-bit halves (v >> 16, u >> 16) by (4 pitch, 4). Pixels past the
  // run read those of their group's first pixel.
  for (int g = 0; g < groups; ++g) {
    const int i = 16 * g;
    const __m512i u = _mm512_loadu_si512(bu + i), v = _mm512_loadu_si512(bv + i);
    __m512i at4 = _mm512_madd_epi16(_mm512_mask_blend_epi16(0xAAAAAAAAu, _mm512_srli_epi32(v, 16), u), pitchFour);
    if (total - i < 16)
      at4 = _mm512_mask_mov_epi32(_mm512_permutexvar_epi32(z, at4),
                                  _mm512_cmpgt_epi32_mask(_mm512_set1_epi32(total - i), lanes), at4);
    _mm512_store_si512(bat + i, at4);
  }
  // A group's sixteen squares, vector j holding those of pixels j, 4 + j,
  // 8 + j and 12 + j. Read a group ahead of the one worked on, so that
  // the reads do not wait behind its arithmetic.
  auto fetch = [&](int g, __m512i* x) LANTERN_AVX512 {
    const int32_t* at = bat + 16 * g;
    auto load = [&](int p) LANTERN_AVX512 { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(squares + at[p])); };
    // Two 256-bit halves put together first: a 256-bit insert costs half
    // a 512-bit one.
    for (int j = 0; j < 4; ++j) {
      const __m256i lo = _mm256_inserti128_si256(_mm256_castsi128_si256(load(j)), load(4 + j), 1);
      const __m256i hi = _mm256_inserti128_si256(_mm256_castsi128_si256(load(8 + j)), load(12 + j), 1);
      x[j] = _mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1);
    }
  };
  __m512i next[4];
  fetch(0, next);
  for (int g = 0; g < groups; ++g) {
    const int i = 16 * g;
    const __m512i u = _mm512_loadu_si512(bu + i), v = _mm512_loadu_si512(bv + i);
    // The last pixel of an odd span is filtered across and then down: the
    // same two steps with its top right and bottom left texels swapped and
    // the weights the other way round.
    const uint32_t swapped = uint32_t(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bodd + i))));
    const __m512i first = _mm512_mask_blend_epi32(__mmask16(swapped), v, u);
    const __m512i second = _mm512_mask_blend_epi32(__mmask16(swapped), u, v);
    // Each mix adds its weight: fx + fy taken off at the end.
    const __m512i both = _mm512_add_epi32(_mm512_and_si512(u, weightByte), _mm512_and_si512(v, weightByte));
    __m512i sq[4] = {next[0], next[1], next[2], next[3]};
    if (g + 1 < groups) fetch(g + 1, next);
    __m512i d[4];
    for (int j = 0; j < 4; ++j) {
      __m512i x = sq[j];
      if (const uint32_t lanesSwapped = (swapped >> j) & 0x1111u)
        x = _mm512_mask_shuffle_epi32(x, __mmask16(lanesSwapped * 0xFu), x, _MM_PERM_DBCA);
      const __m512i top = _mm512_unpacklo_epi8(x, plus), bottom = _mm512_unpackhi_epi8(x, plus);
      d[j] = MixPlusWeight(top, _mm512_sub_epi16(bottom, top),
                           _mm512_shuffle_epi8(first, j == 0 ? down0 : j == 1 ? down1 : j == 2 ? down2 : down3));
    }
    // Across: (right + 256) - left is (right - left) + 256 again.
    const __m512i l0 = _mm512_unpacklo_epi64(d[0], d[1]), r0 = _mm512_unpackhi_epi64(d[0], d[1]);
    const __m512i l1 = _mm512_unpacklo_epi64(d[2], d[3]), r1 = _mm512_unpackhi_epi64(d[2], d[3]);
    __m512i slo = _mm512_sub_epi16(MixPlusWeight(l0, _mm512_sub_epi16(r0, l0), _mm512_shuffle_epi8(second, across0)),
                                   _mm512_shuffle_epi8(both, sum0));
    __m512i shi = _mm512_sub_epi16(MixPlusWeight(l1, _mm512_sub_epi16(r1, l1), _mm512_shuffle_epi8(second, across1)),
                                   _mm512_shuffle_epi8(both, sum1));
    if (hasMod) {
      slo = Div255x32(_mm512_mullo_epi16(slo, mod16));
      shi = Div255x32(_mm512_mullo_epi16(shi, mod16));
    }
    __m512i res;
    if (k == BlendKind::Add) {
      const __m512i alo = _mm512_shuffle_epi8(slo, alphaLanes), ahi = _mm512_shuffle_epi8(shi, alphaLanes);
      res = _mm512_packus_epi16(Div255x32(_mm512_mullo_epi16(slo, alo)), Div255x32(_mm512_mullo_epi16(shi, ahi)));
    } else {
      res = _mm512_packus_epi16(slo, shi);
    }
    _mm512_storeu_si512(bout + i, res);
  }
  // Each row blended from the run.
  const __m512i amask = _mm512_set1_epi32(int(0xFF000000u));
  const __m512i k255 = _mm512_set1_epi16(255);
  for (int r = 0; r < b.rowCount; ++r) {
    const uint32_t* src = b.out + b.rowAt[r];
    uint32_t* line = b.rowDst[r];
    const int n = b.rowN[r];
    for (int i = 0; i < n; i += 16) {
      const bool tail = i + 16 > n;
      const __mmask16 live = tail ? __mmask16((1u << (n - i)) - 1) : __mmask16(0xFFFF);
      const __m512i s = _mm512_loadu_si512(src + i);
      if (k == BlendKind::Replace) {
        _mm512_mask_storeu_epi32(line + i, live, s);
        continue;
      }
      if (k == BlendKind::Alpha) {
        // Shortcuts of the same formula: all transparent keeps the target,
        // all opaque writes the source.
        const __m512i alpha = _mm512_and_si512(s, amask);
        if (_mm512_mask_cmpneq_epi32_mask(live, alpha, z) == 0) continue;
        if (_mm512_mask_cmpneq_epi32_mask(live, alpha, amask) == 0) {
          _mm512_mask_storeu_epi32(line + i, live, s);
          continue;
        }
      }
      const __m512i d = tail ? _mm512_maskz_loadu_epi32(live, line + i) : _mm512_loadu_si512(line + i);
      __m512i o;
      if (k == BlendKind::Alpha) {
        const __m512i slo = _mm512_unpacklo_epi8(s, z), shi = _mm512_unpackhi_epi8(s, z);
        const __m512i alo = _mm512_shuffle_epi8(slo, alphaLanes), ahi = _mm512_shuffle_epi8(shi, alphaLanes);
        const __m512i dlo = _mm512_unpacklo_epi8(d, z), dhi = _mm512_unpackhi_epi8(d, z);
        o = _mm512_packus_epi16(
            Div255x32(_mm512_add_epi16(_mm512_mullo_epi16(slo, alo), _mm512_mullo_epi16(dlo, _mm512_sub_epi16(k255, alo)))),
            Div255x32(_mm512_add_epi16(_mm512_mullo_epi16(shi, ahi), _mm512_mullo_epi16(dhi, _mm512_sub_epi16(k255, ahi)))));
      } else {
        o = _mm512_adds_epu8(d, s);
      }
      _mm512_mask_storeu_epi32(line + i, live, o);
    }
  }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool HasAvx512() {
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"));
  return has;
}

// The kernel for a row: one loop per case.
__attribute__((target("avx2"))) void MixRowAvx2(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint32_t f,
                                                 int n, BlendKind k, uint32_t mod) {
  switch (k) {
    case BlendKind::Replace:
      return b ? MixRowAvx2<true, BlendKind::Replace>(dst, a, b, f, n, mod)
               : MixRowAvx2<false, BlendKind::Replace>(dst, a, b, f, n, mod);
    case BlendKind::Alpha:
      return b ? MixRowAvx2<true, BlendKind::Alpha>(dst, a, b, f, n, mod)
               : MixRowAvx2<false, BlendKind::Alpha>(dst, a, b, f, n, mod);
    case BlendKind::Add:
      return b ? MixRowAvx2<true, BlendKind::Add>(dst, a, b, f, n, mod)
               : MixRowAvx2<false, BlendKind::Add>(dst, a, b, f, n, mod);
    default: return;
  }
}

bool HasAvx2() {
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return has;
}
#endif

int EffectiveLevel(int level) {
  level = std::max(0, std::min(level, 3));
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (level >= 3 && !HasAvx512()) level = 2;
  if (level >= 2 && !HasAvx2()) level = 1;
#else
  level = std::min(level, 1);
#endif
#if !defined(__SSE2__)
  level = 0;
#endif
  return level;
}

std::atomic<int> gVectorLevel{EffectiveLevel(3)};

}  // namespace

int VectorLevel() { return gVectorLevel.load(std::memory_order_relaxed); }

void SetVectorLevel(int level) { gVectorLevel.store(EffectiveLevel(level), std::memory_order_relaxed); }

bool MixBlendRow(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint32_t f, int n, BlendKind k, uint32_t mod) {
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (k != BlendKind::Generic && VectorLevel() >= 2) {
    MixRowAvx2(dst, a, b, f, n, k, mod);
    return true;
  }
#endif
  return false;
}

#if defined(LANTERN_HAVE_AVX2_PATH)
namespace {
// pick(c) for the kinds the kernels take (Replace, Alpha, Add), c.value the
// kind as a constant; null for the others.
template <typename Kernel, typename Pick>
Kernel ForKind(BlendKind k, Pick pick) {
  switch (k) {
    case BlendKind::Replace: return pick(std::integral_constant<BlendKind, BlendKind::Replace>());
    case BlendKind::Alpha: return pick(std::integral_constant<BlendKind, BlendKind::Alpha>());
    case BlendKind::Add: return pick(std::integral_constant<BlendKind, BlendKind::Add>());
    default: return nullptr;
  }
}
}  // namespace
#endif

MixRowKernel FindMixRowKernel(BlendKind k, bool mixed) {
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (VectorLevel() >= 3) {
    return ForKind<MixRowKernel>(k, [mixed](auto c) {
      return mixed ? &MixedRowAvx512<decltype(c)::value> : &RowAvx512<decltype(c)::value>;
    });
  }
  if (VectorLevel() >= 2) {
    return ForKind<MixRowKernel>(k, [mixed](auto c) {
      return mixed ? &MixRowAvx2<true, decltype(c)::value> : &MixRowAvx2<false, decltype(c)::value>;
    });
  }
#endif
  (void)k;
  (void)mixed;
  return nullptr;
}

SmallQuadKernel FindWideSmallQuadKernel(BlendKind k) {
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (VectorLevel() >= 3)
    return ForKind<SmallQuadKernel>(k, [](auto c) { return &SmallQuadAvx512<decltype(c)::value>; });
#endif
  (void)k;
  return nullptr;
}

ContiguousRowKernel FindContiguousRowKernel(BlendKind k) {
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (VectorLevel() >= 3)
    return ForKind<ContiguousRowKernel>(k, [](auto c) { return &ContiguousRowAvx512<decltype(c)::value>; });
#endif
  (void)k;
  return nullptr;
}

FilteredSpanKernel FindFilteredSpanKernel(BlendKind k) {
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (VectorLevel() >= 3)
    return ForKind<FilteredSpanKernel>(k, [](auto c) { return &FilteredSpanAvx512<decltype(c)::value>; });
#endif
  (void)k;
  return nullptr;
}

SpanBatchKernel FindSpanBatchKernel(BlendKind k) {
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (VectorLevel() >= 3)
    return ForKind<SpanBatchKernel>(k, [](auto c) { return &SpanBatchAvx512<decltype(c)::value>; });
#endif
  (void)k;
  return nullptr;
}

SmallQuadKernel FindSmallQuadKernel(BlendKind k) {
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (VectorLevel() >= 2)
    return ForKind<SmallQuadKernel>(k, [](auto c) { return &SmallQuadAvx2<decltype(c)::value>; });
#endif
  (void)k;
  return nullptr;
}

void BlendRow(uint32_t* dst, const uint32_t* src, int n, BlendKind k, const PixelState& s, uint32_t mod) {
  bool hasMod = mod != 0xFFFFFFFFu;
  if (k == BlendKind::Replace && !hasMod) {
    std::memcpy(dst, src, size_t(n) * 4);
    return;
  }
  int i = 0;
  int level = k == BlendKind::Generic ? 0 : VectorLevel();
#if defined(LANTERN_HAVE_AVX2_PATH)
  if (level >= 2) {
    MixRowAvx2(dst, src, nullptr, 0, n, k, mod);
    return;
  }
#endif
#if defined(__SSE2__)
  if (level >= 1) {
    const __m128i z = _mm_setzero_si128();
    __m128i mod16 = _mm_unpacklo_epi8(_mm_set1_epi32(int(mod)), z);
    // Groups of four; the last one to three pixels go through the same
    // kernel on copies.
    uint32_t srcTail[4] = {}, dstTail[4] = {};
    int rest = n & 3, full = n - rest;
    for (int pass = 0; pass < 2; ++pass) {
      uint32_t* d = dst;
      const uint32_t* sp = src;
      int from = 0, to = full;
      if (pass == 1) {
        if (!rest) break;
        std::memcpy(srcTail, src + full, size_t(rest) * 4);
        std::memcpy(dstTail, dst + full, size_t(rest) * 4);
        d = dstTail;
        sp = srcTail;
        to = 4;
      }
      if (k == BlendKind::Replace) {
        for (i = from; i < to; i += 4)
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                           ModulateX4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + i)), mod16));
      } else if (k == BlendKind::Alpha) {
        const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
        for (i = from; i < to; i += 4) {
          __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + i));
          if (hasMod) sv = ModulateX4(sv, mod16);
          __m128i a = _mm_and_si128(sv, amask);
          if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, z)) == 0xFFFF) continue;  // all four transparent
          if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, amask)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), sv);
            continue;
          }
          __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), BlendAlphaX4(sv, dv));
        }
      } else {
        for (i = from; i < to; i += 4) {
          __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + i));
          if (hasMod) sv = ModulateX4(sv, mod16);
          __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), BlendAddX4(sv, dv));
        }
      }
      if (pass == 1) std::memcpy(dst + full, dstTail, size_t(rest) * 4);
    }
    return;
  }
#endif
  for (; i < n; ++i) {
    uint32_t c = hasMod ? Modulate(src[i], mod) : src[i];
    switch (k) {
      case BlendKind::Replace: dst[i] = c; break;
      case BlendKind::Alpha: dst[i] = BlendAlpha1(c, dst[i]); break;
      case BlendKind::Add: dst[i] = BlendAdd1(c, dst[i]); break;
      case BlendKind::Generic: dst[i] = BlendGeneric1(c, dst[i], s.srcBlend, s.dstBlend); break;
    }
  }
}

}  // namespace sdev::raster
