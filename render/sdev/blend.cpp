// Blending a row of source colours onto the target: the exact formulas of
// docs/sdev.md, with SSE2 kernels for the common factor pairs.
#include <algorithm>
#include <cstring>

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
// Rounded division by 255 of 16-bit lanes holding at most 65535 - 255.
inline __m128i Div255x8(__m128i x) {
  __m128i t = _mm_add_epi16(x, _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

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
// The alpha and additive kernels eight pixels at a time, for processors with
// AVX2 (chosen at run time). The same arithmetic as the SSE2 kernels.
__attribute__((target("avx2"))) inline __m256i Div255x16(__m256i x) {
  __m256i t = _mm256_add_epi16(x, _mm256_set1_epi16(128));
  return _mm256_srli_epi16(_mm256_add_epi16(t, _mm256_srli_epi16(t, 8)), 8);
}

__attribute__((target("avx2"))) int BlendRowAvx2(uint32_t* dst, const uint32_t* src, int n, BlendKind k,
                                                  uint32_t mod) {
  const __m256i z = _mm256_setzero_si256(), k255 = _mm256_set1_epi16(255);
  const __m256i amask = _mm256_set1_epi32(int(0xFF000000u));
  const __m256i alphaLanes = _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6, 7, 6, 7,
                                              6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
  bool hasMod = mod != 0xFFFFFFFFu;
  __m256i mod16 = _mm256_unpacklo_epi8(_mm256_set1_epi32(int(mod)), z);
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    if (hasMod) {
      __m256i lo = Div255x16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(sv, z), mod16));
      __m256i hi = Div255x16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(sv, z), mod16));
      sv = _mm256_packus_epi16(lo, hi);
    }
    __m256i a = _mm256_and_si256(sv, amask);
    if (k == BlendKind::Alpha) {
      if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(a, z)) == -1) continue;
      if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(a, amask)) == -1) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), sv);
        continue;
      }
    }
    __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    __m256i slo = _mm256_unpacklo_epi8(sv, z), shi = _mm256_unpackhi_epi8(sv, z);
    __m256i alo = _mm256_shuffle_epi8(slo, alphaLanes), ahi = _mm256_shuffle_epi8(shi, alphaLanes);
    if (k == BlendKind::Alpha) {
      __m256i dlo = _mm256_unpacklo_epi8(dv, z), dhi = _mm256_unpackhi_epi8(dv, z);
      __m256i rlo = Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(slo, alo), _mm256_mullo_epi16(dlo, _mm256_sub_epi16(k255, alo))));
      __m256i rhi = Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(shi, ahi), _mm256_mullo_epi16(dhi, _mm256_sub_epi16(k255, ahi))));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_packus_epi16(rlo, rhi));
    } else {
      __m256i add = _mm256_packus_epi16(Div255x16(_mm256_mullo_epi16(slo, alo)), Div255x16(_mm256_mullo_epi16(shi, ahi)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_adds_epu8(dv, add));
    }
  }
  return i;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

}  // namespace

void BlendRow(uint32_t* dst, const uint32_t* src, int n, BlendKind k, const PixelState& s, uint32_t mod) {
  bool hasMod = mod != 0xFFFFFFFFu;
  int i = 0;
#if defined(LANTERN_HAVE_AVX2_PATH)
  if ((k == BlendKind::Alpha || k == BlendKind::Add) && n >= 8 && HasAvx2()) i = BlendRowAvx2(dst, src, n, k, mod);
#endif
#if defined(__SSE2__)
  const __m128i z = _mm_setzero_si128();
  __m128i mod16 = _mm_unpacklo_epi8(_mm_set1_epi32(int(mod)), z);
  if (k == BlendKind::Replace) {
    if (!hasMod) {
      std::memcpy(dst, src, size_t(n) * 4);
      return;
    }
    for (; i + 4 <= n; i += 4)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                       ModulateX4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), mod16));
  } else if (k == BlendKind::Alpha) {
    const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
    for (; i + 4 <= n; i += 4) {
      __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
      if (hasMod) sv = ModulateX4(sv, mod16);
      __m128i a = _mm_and_si128(sv, amask);
      int zeroMask = _mm_movemask_epi8(_mm_cmpeq_epi32(a, z));
      if (zeroMask == 0xFFFF) continue;  // all four transparent
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, amask)) == 0xFFFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), sv);
        continue;
      }
      __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), BlendAlphaX4(sv, dv));
    }
  } else if (k == BlendKind::Add) {
    for (; i + 4 <= n; i += 4) {
      __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
      if (hasMod) sv = ModulateX4(sv, mod16);
      __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), BlendAddX4(sv, dv));
    }
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
