// Blending a row of source colours onto the target: the exact formulas of
// docs/sdev.md, with SSE2 kernels for the common factor pairs.
#include <algorithm>
#include <cstring>

#include "render/sdev/internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sdev::raster {

BlendKind Classify(const PixelState& s) {
  if (!s.blend || (s.srcBlend == kBlendOne && s.dstBlend == kBlendZero)) return BlendKind::Replace;
  if (s.srcBlend == kBlendSrcAlpha && s.dstBlend == kBlendInvSrcAlpha) return BlendKind::Alpha;
  if (s.srcBlend == kBlendSrcAlpha && s.dstBlend == kBlendOne) return BlendKind::Add;
  return BlendKind::Generic;
}

namespace {

inline uint32_t Ch(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

// Each channel of c times the channel of m, divided by 255 and rounded.
inline uint32_t Modulate(uint32_t c, uint32_t m) {
  uint32_t r = 0;
  for (int sh = 0; sh < 32; sh += 8) r |= Div255(Ch(c, sh) * Ch(m, sh)) << sh;
  return r;
}

inline uint32_t BlendAlpha1(uint32_t s, uint32_t d) {
  uint32_t a = s >> 24;
  if (a == 255) return s;
  if (a == 0) return d;
  uint32_t r = 0;
  for (int sh = 0; sh < 32; sh += 8) r |= Div255(Ch(s, sh) * a + Ch(d, sh) * (255 - a)) << sh;
  return r;
}

inline uint32_t BlendAdd1(uint32_t s, uint32_t d) {
  uint32_t a = s >> 24;
  uint32_t r = 0;
  for (int sh = 0; sh < 32; sh += 8) r |= std::min<uint32_t>(255, Ch(d, sh) + Div255(Ch(s, sh) * a)) << sh;
  return r;
}

inline uint32_t Factor(uint32_t f, uint32_t s, uint32_t d, int sh) {
  switch (f) {
    case kBlendZero: return 0;
    case kBlendOne: return 255;
    case kBlendSrcColor: return Ch(s, sh);
    case kBlendInvSrcColor: return 255 - Ch(s, sh);
    case kBlendSrcAlpha: return s >> 24;
    case kBlendInvSrcAlpha: return 255 - (s >> 24);
    case kBlendDestAlpha: return d >> 24;
    case kBlendInvDestAlpha: return 255 - (d >> 24);
    case kBlendDestColor: return Ch(d, sh);
    case kBlendInvDestColor: return 255 - Ch(d, sh);
    default: return 255;
  }
}

inline uint32_t BlendGeneric1(uint32_t s, uint32_t d, uint32_t fs, uint32_t fd) {
  uint32_t r = 0;
  for (int sh = 0; sh < 32; sh += 8) {
    uint32_t v = Ch(s, sh) * Factor(fs, s, d, sh) + Ch(d, sh) * Factor(fd, s, d, sh);
    r |= std::min<uint32_t>(255, Div255Wide(v)) << sh;
  }
  return r;
}

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

}  // namespace

void BlendRow(uint32_t* dst, const uint32_t* src, int n, BlendKind k, const PixelState& s, uint32_t mod) {
  bool hasMod = mod != 0xFFFFFFFFu;
  int i = 0;
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
