// Internals of the software display device shared by its source files.
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "render/sdev/fault.h"
#include "render/sdev/sdev.h"

namespace sdev {

// State of one DirectDraw object, shared with the surfaces it made so that
// they can outlive it (they are then lost).
struct DDState {
  int adapter = 0;
  bool ddAlive = true;
  int users = 1;  // the DirectDraw object plus every live surface
  HostWindow* window = nullptr;
  uint32_t coopFlags = 0;
  DisplayMode mode;  // set by SetDisplayMode; zero = the desktop's
  bool modeSet = false;
  std::vector<Surface*> surfaces;
  Surface* primary = nullptr;

  void Unref();
  // Marks every video-memory and primary surface lost and frees its memory.
  void LoseSurfaces();
  DisplayMode CurrentMode() const;
  PixelFormat ModeFormat() const;
  bool FullScreen() const { return (coopFlags & kCoopFullScreen) != 0; }
};

// Process-wide device state: configuration, faults, video memory, frames.
struct Global {
  std::recursive_mutex mutex;
  test::Config config;
  bool configured = false;
  std::vector<DDState*> states;
  uint64_t vidMemUsed = 0;
  bool lost = false;
  HResult coopResult = 0;
  struct Pending {
    test::Op op;
    HResult code;
    int times;
    int adapter;
  };
  std::vector<Pending> pending;
  int stillDrawing = 0;
  int counts[int(test::Op::kCount)] = {};
  std::vector<std::string> callLog;
  test::Frame frame;
  uint64_t framesShown = 0;
  Host* host = nullptr;
  Presenter* presenter = nullptr;
  const Surface* lent = nullptr;  // the primary whose pixels the presenter holds
  std::function<void(const test::DrawCall&)> recorder;  // test::SetDrawRecorder
};
Global& G();
const test::Config& Config();

// Surfaces charged to video memory and lost with the device: all but
// system-memory surfaces and the primary (the screen itself).
inline bool InVideoMemory(uint32_t c) { return !(c & caps::kSystemMemory) && !(c & caps::kPrimary); }
// Charges or frees video memory; false when the budget is exhausted.
bool ChargeVideoMemory(uint64_t bytes);
void FreeVideoMemory(uint64_t bytes);
bool ConsumeStillDrawing();

// 32 bits with the red, green and blue masks of ARGB (an alpha mask or none).
bool IsRgb32(const PixelFormat& f);

// Rows of pixels in ARGB from any colour format and back.
void DecodeRow(const PixelFormat& f, const uint8_t* src, uint32_t* dst, int n);
void EncodeRow(const PixelFormat& f, const uint32_t* src, uint8_t* dst, int n);

namespace raster {

// A 32-bit ARGB drawing target (16-bit targets are converted around a draw).
struct Target {
  uint32_t* px = nullptr;
  int pitch = 0;  // pixels
  int w = 0, h = 0;
  Surface* surface = nullptr;  // whose own memory px is (pictures may be held back); null: a copy
};

// A texture as ARGB pixels; alphaOr is 0xFF000000 for formats without alpha.
struct TexView {
  const uint32_t* px = nullptr;
  int pitch = 0;
  int w = 0, h = 0;
  uint32_t alphaOr = 0;
  Surface* surface = nullptr;  // whose pixels these are (for its opacity runs)
};

struct PixelState {
  bool blend = false;
  uint32_t srcBlend = kBlendOne, dstBlend = kBlendZero;
  uint32_t colorOp = kOpModulate, colorArg1 = kArgTexture, colorArg2 = kArgCurrent;
  uint32_t alphaOp = kOpSelectArg1, alphaArg1 = kArgTexture, alphaArg2 = kArgCurrent;
  uint32_t tfactor = 0xFFFFFFFF;
  uint32_t addressU = kAddressWrap, addressV = kAddressWrap;
  bool linear = false;
  bool gouraud = true;
  uint32_t cull = kCullCCW;
  const TexView* tex = nullptr;  // null: no texture bound
};

// A vertex in render-target pixels with colour channels 0..255 as floats.
struct RVert {
  float x = 0, y = 0, z = 0, rhw = 1;
  float u = 0, v = 0;
  float a = 255, r = 255, g = 255, b = 255;
};

// The vector kernels in use: 0 none (every pixel by the plain formulas), 1
// SSE2, 2 SSE2 and AVX2, 3 AVX-512 (F and BW) as well; the configured level
// (test::Config::vectorLevel) within what the processor has.
int VectorLevel();
void SetVectorLevel(int level);

// How a blend of a row of source colours onto the target goes.
enum class BlendKind { Replace, Alpha, Add, Generic };
BlendKind Classify(const PixelState& s);
// Blends n source pixels onto dst; `mod` (when not 0xFFFFFFFF) first
// multiplies each source channel (the modulate of a uniform diffuse).
void BlendRow(uint32_t* dst, const uint32_t* src, int n, BlendKind k, const PixelState& s, uint32_t mod);
// The same for the source row a + (b - a) f / 256 per channel (a alone when
// b is null), f in 0..256, in one pass; false (nothing done) when no kernel
// takes it (generic factors, or the vector level below AVX2).
bool MixBlendRow(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint32_t f, int n, BlendKind k, uint32_t mod);
// The kernel MixBlendRow runs for kind k with a second row (`mixed`) or
// without, for callers that blend many rows the same way; null when none
// takes it.
using MixRowKernel = void (*)(uint32_t* dst, const uint32_t* a, const uint32_t* b, uint32_t f, int n, uint32_t mod);
MixRowKernel FindMixRowKernel(BlendKind k, bool mixed);
// The two texel rows a quad last took across: Take gives row j's slot,
// `fresh` when the row must be taken across into it (never into slot `keep`,
// the other row the output row needs).
struct RowSlots {
  int tag[2] = {-1, -1};
  int Take(int j, int keep, bool& fresh) {
    for (int s = 0; s < 2; ++s)
      if (tag[s] == j) return s;
    int s = keep == 0 ? 1 : 0;
    if (keep < 0 && tag[0] >= 0) s = tag[1] < 0 ? 1 : 0;
    tag[s] = j;
    fresh = true;
    return s;
  }
};
// A small quad filtered linearly both ways: output row y (of `rows`, at dst +
// y dstPitch) mixes texel rows yi0[y] and yi1[y] by yf[y] (0..256; yf null:
// yi0 alone), each taken across as Lerp(row[ix[k]], row[ix[k] + 1]) with the
// weights 256 - f and f of pixel k as four 16-bit lanes in wl, wr. n is 1 to
// 16; ix, wl and wr run to the next multiple of eight pixels.
struct SmallQuad {
  uint32_t* dst;
  size_t dstPitch;
  const uint32_t* tex;
  size_t texPitch;
  const int* ix;
  const uint16_t *wl, *wr;
  const int *yi0, *yi1;
  const uint32_t* yf;
  int n, rows;
  uint32_t mod;
  // The end of the target's memory: a row's last group of eight pixels that
  // ends before it is read and written whole, the pixels past the quad
  // written back unchanged (masked loads and stores are slow).
  const uint32_t* dstEnd;
  // For the sixteen-pixel kernel: the weights f of each pixel (0..256)
  // instead of the lanes wl, wr, and the texels row[base .. base + span)
  // that hold every pixel's pair (span at most 32).
  const uint32_t* xf;
  int base, span;
  // The texel rows run one way down the quad, each pixel's pair adjacent
  // (yi1 = yi0 + 1): the first and last rows hold the rows read.
  bool rowsInOrder = false;
  // ix and xf hold sixteen readable lanes (those past n any values), read
  // whole: the kernel then need not wait for the stores that made them.
  bool sixteen = false;
  // The texel (texX, texY) of the texture is at tex: the positions in ix, yi0
  // and yi1 (and base) count from the texture's corner.
  int texX = 0, texY = 0;
};
using SmallQuadKernel = void (*)(const SmallQuad& q);
// The kernel that filters and blends a small quad in one pass for kind k, the
// same pixels as taking rows across and FindMixRowKernel's; null when none.
SmallQuadKernel FindSmallQuadKernel(BlendKind k);
// The same sixteen pixels at a time, for quads with a span (AVX-512); null when none.
SmallQuadKernel FindWideSmallQuadKernel(BlendKind k);

// A row of n pixels whose pixel i mixes texels t[i] and t[i + 1] by f[i]
// (0..256: a + (b - a) f / 256 per channel, as Lerp), modulated and blended
// (kind k) in one pass: what taking the row across and FindMixRowKernel's
// kernel give. Reads t[0 .. n] and f[0 .. n). Null when none.
using ContiguousRowKernel = void (*)(uint32_t* dst, const uint32_t* t, const uint32_t* f, int n, uint32_t mod);
ContiguousRowKernel FindContiguousRowKernel(BlendKind k);

// A span of n pixels at dst sampled with linear filtering, its positions in
// 16.16 fixed point (fu, fv at the first pixel, half a texel taken off;
// steps du, dv), each pixel's four texels inside the texture (tex, texPitch).
// The pixels from `split` on (n: none) are a second span that meets the
// first, with its own positions (fu2, fv2 at pixel split; du2, dv2).
struct FilteredSpan {
  uint32_t* dst;
  const uint32_t* tex;
  size_t texPitch;
  int32_t fu, fv, du, dv;
  int n;
  uint32_t mod;
  int split;
  int32_t fu2, fv2, du2, dv2;
};
using FilteredSpanKernel = void (*)(const FilteredSpan& s);
// The kernel that samples such a span and blends it (kind k) in one pass, the
// same pixels as the sampler's span loops and FindMixRowKernel's; null when none.
FilteredSpanKernel FindFilteredSpanKernel(BlendKind k);

// The spans of a triangle pair's rows sampled like FilteredSpan's and blended
// in one call: the pixels of all its pieces (each a span with its own
// positions, as fu, fv, du, dv of FilteredSpan, at pixel `at` of the batch's
// run of pixels) sampled and modulated sixteen at a time into `out`, then
// each row (n pixels from `at` of that run, at dst) blended onto the target.
// A piece's pixels follow each other in the run, the pieces in the run's
// order; the rows take disjoint stretches of it, in the order they are to be
// blended where they cover the same pixels. Pieces and rows are held a field
// an array. The scratch arrays u, v, out, at and odd hold `pixels` rounded
// up to sixteen plus sixteen; odd marks the last pixel of each odd piece
// (filtered across and then down as the sampler's scalar loop does).
struct SpanBatch {
  Surface* texture;  // sampled through its TexelSquares
  size_t texPitch;   // under kBatchPitch (and the texture under kBatchRows rows)
  uint32_t mod;
  // The pieces' at, n and steps.
  const int32_t *pieceAt, *pieceN, *pieceFu, *pieceFv, *pieceDu, *pieceDv;
  int pieceCount;
  // The rows' dst, at and n.
  uint32_t* const* rowDst;
  const int32_t *rowAt, *rowN;
  int rowCount;
  int pixels;
  int32_t *u, *v;
  uint8_t* odd;  // 0xFF for the last pixel of an odd piece
  uint32_t* out;
  int32_t* at;  // each pixel's texel square (64-byte aligned)
};
using SpanBatchKernel = void (*)(const SpanBatch& b);
// The textures a SpanBatch takes: pitches (in texels) under kBatchPitch and
// heights under kBatchRows, so that a texel row's number and four times the
// pitch each fit in a signed 16 bits.
constexpr size_t kBatchPitch = 8192;
constexpr int kBatchRows = 32768;
// The kernel for kind k, the same pixels as FindFilteredSpanKernel's drawing
// each row in turn; null when none.
SpanBatchKernel FindSpanBatchKernel(BlendKind k);

// A picture drawn texel for pixel without modulation (Replace, Alpha or
// Add): h rows of w pixels from dst (target pixel x0, y0), the texels from
// src (texel `from` of texel row j0; the rows follow each other), runs its
// texture's opacity runs (unused for Replace).
struct Picture {
  Surface* target = nullptr;
  const Surface* source = nullptr;  // the texture the texels are of
  uint32_t* dst = nullptr;
  size_t dstPitch = 0;
  const uint32_t* src = nullptr;
  size_t srcPitch = 0;
  const OpacityRuns* runs = nullptr;
  uint32_t from = 0;
  int j0 = 0, x0 = 0, y0 = 0, w = 0, h = 0;
  BlendKind kind = BlendKind::Replace;
};
// Texels [lo, hi) of texel row j of such a picture: dst and src are where
// texel `from` lands and lies.
void PictureSpan(uint32_t* dst, const uint32_t* src, const OpacityRuns* runs, int j, uint32_t from, uint32_t lo,
                 uint32_t hi, BlendKind kind);
// Holds the picture back until DrawHeldPictures; what it covers with opaque
// pixels of the pictures held before it on its target is not drawn then.
void HoldPicture(const Picture& p);
// Whether a held picture is to be drawn on `target`.
bool PicturesHeldOn(const Surface* target);
// Before a primitive draws rows [y0, y1) of `target`: the rows of held
// pictures there are drawn (the rest stays held); every held picture when
// the target is null (a copy of a surface), or when a held picture reads its
// texels from the target.
void SettleRows(const Surface* target, int y0, int y1);

// What every primitive drawn with one pixel state shares, found once for a
// batch: how its pixels are made and blended, the vector level and the
// kernels for them.
struct Shared {
  int plan = 0;  // how texture and diffuse colour combine (raster.cpp's Plan::Kind)
  BlendKind kind = BlendKind::Generic;
  int level = 0;
  MixRowKernel plainRow = nullptr, mixedRow = nullptr;
  SmallQuadKernel wide = nullptr, small = nullptr;
  ContiguousRowKernel contiguous = nullptr;
  FilteredSpanKernel span = nullptr;
  SpanBatchKernel batch = nullptr;
};
Shared Share(const PixelState& s);

void Triangle(const Target& t, const Rect& clip, const PixelState& s, const Shared& shared, const RVert& a,
              const RVert& b, const RVert& c);
// Two triangles (*v[0..2] and *v[3..5]) drawn as Triangle draws one after the
// other: the same pixels, the rows where they meet in one pass.
void TrianglePair(const Target& t, const Rect& clip, const PixelState& s, const Shared& shared,
                  const RVert* const* v);
void Line(const Target& t, const Rect& clip, const PixelState& s, const RVert& a, const RVert& b);
void Point(const Target& t, const Rect& clip, const PixelState& s, const RVert& a);
// An axis-aligned rectangle given as two triangles (*v[0..3] its corners in
// any order, with an affine texture mapping and one colour): drawn by the
// fast path and true, or false when it is not such a quad.
bool Quad(const Target& t, const Rect& clip, const PixelState& s, const Shared& shared, const RVert* const* v);

// x / 255 rounded to the nearest integer (there are no ties), for 0 <= x <= 65535.
inline uint32_t Div255(uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }
// The same for any x.
inline uint32_t Div255Wide(uint32_t x) { return (2 * x + 255) / 510; }

// a + (b - a) * f / 256 for each channel, f in 0..256.
inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t f) {
  uint32_t g = 256 - f;
  uint32_t rb = (((a & 0xFF00FFu) * g + (b & 0xFF00FFu) * f) >> 8) & 0xFF00FFu;
  uint32_t ag = (((a >> 8) & 0xFF00FFu) * g + ((b >> 8) & 0xFF00FFu) * f) & 0xFF00FF00u;
  return rb | ag;
}

// Per-pixel colour arithmetic (the scalar forms of the blend kernels).
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

// Blends one source pixel onto one target pixel.
inline uint32_t BlendPixel(uint32_t s, uint32_t d, BlendKind k, const PixelState& st) {
  switch (k) {
    case BlendKind::Replace: return s;
    case BlendKind::Alpha: return BlendAlpha1(s, d);
    case BlendKind::Add: return BlendAdd1(s, d);
    default: return BlendGeneric1(s, d, st.srcBlend, st.dstBlend);
  }
}

}  // namespace raster
}  // namespace sdev
