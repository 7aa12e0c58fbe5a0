// Pictures drawn texel for pixel without modulation (backgrounds, panels,
// pages): their opaque runs are copied and their transparent ones skipped.
// Drawn on a surface's own memory they are held back until something else
// on the same thread reads or writes any surface memory (a lock, a blit, a
// flip, the end of the scene; a triangle or quad on the same target only
// has the held rows it meets drawn first): what a later picture covers with
// opaque pixels is then never drawn, since nothing could have seen it.
#include <algorithm>
#include <cstring>

#include "render/sdev/internal.h"

namespace sdev {

thread_local bool detail::gHeldPictures = false;

namespace raster {

namespace {

// f(a, b, kind) for each run of texel row j within texels [lo, hi), a < b.
template <typename F>
void EachRun(const OpacityRuns& runs, int j, uint32_t lo, uint32_t hi, F&& f) {
  uint32_t begin = 0;
  for (uint32_t k = runs.rowStart[size_t(j)]; k < runs.rowStart[size_t(j) + 1] && begin < hi; ++k) {
    const OpacityRuns::Run& r = runs.runs[k];
    uint32_t a = std::max(begin, lo), b = std::min(r.end, hi);
    begin = r.end;
    if (a < b) f(a, b, r.kind);
  }
}

}  // namespace

void PictureSpan(uint32_t* dst, const uint32_t* src, const OpacityRuns* runs, int j, uint32_t from, uint32_t lo,
                 uint32_t hi, BlendKind kind) {
  if (lo >= hi) return;
  if (kind == BlendKind::Replace) {
    std::memcpy(dst + (lo - from), src + (lo - from), size_t(hi - lo) * 4);
    return;
  }
  MixRowKernel plainRow = FindMixRowKernel(kind, false);
  PixelState plain;
  EachRun(*runs, j, lo, hi, [&](uint32_t a, uint32_t b, uint8_t run) {
    if (run == OpacityRuns::kTransparent) return;
    uint32_t* d = dst + (a - from);
    const uint32_t* p = src + (a - from);
    if (run == OpacityRuns::kOpaque && kind == BlendKind::Alpha)
      std::memcpy(d, p, size_t(b - a) * 4);
    else if (plainRow)
      plainRow(d, p, nullptr, 0, int(b - a), 0xFFFFFFFFu);
    else
      BlendRow(d, p, int(b - a), kind, plain, 0xFFFFFFFFu);
  });
}

namespace {

// Up to two target spans [a, b) of a row that later pictures cover.
struct Cover {
  int32_t a[2] = {0, 0}, b[2] = {0, 0};
  int count = 0;
  // Adds [x0, x1): merged with the spans it meets; of three apart the
  // shortest is forgotten (a span left out is only drawn in vain).
  void Add(int32_t x0, int32_t x1) {
    if (x0 >= x1) return;
    int32_t sa[3], sb[3];
    int n = 0;
    for (int i = 0; i < count; ++i) {
      if (b[i] < x0 || a[i] > x1) {
        sa[n] = a[i];
        sb[n++] = b[i];
      } else {
        x0 = std::min(x0, a[i]);
        x1 = std::max(x1, b[i]);
      }
    }
    sa[n] = x0;
    sb[n++] = x1;
    if (n == 3) {
      int shortest = 0;
      for (int i = 1; i < 3; ++i)
        if (sb[i] - sa[i] < sb[shortest] - sa[shortest]) shortest = i;
      for (int i = shortest; i < 2; ++i) {
        sa[i] = sa[i + 1];
        sb[i] = sb[i + 1];
      }
      n = 2;
    }
    if (n == 2 && sa[1] < sa[0]) {
      std::swap(sa[0], sa[1]);
      std::swap(sb[0], sb[1]);
    }
    count = n;
    for (int i = 0; i < n; ++i) {
      a[i] = sa[i];
      b[i] = sb[i];
    }
  }
};

struct Held {
  Picture p;
  std::vector<Cover> cover;  // per row of the picture
  bool covered = false;      // any row has a cover
  std::vector<uint8_t> done;  // per row: drawn already (a primitive drew on it)
  bool anyDone = false;
};

// More held pictures than this are drawn first.
constexpr size_t kMostHeld = 64;

// Each thread holds its own (the cursor's helper thread reads the primary
// while the main thread draws the next frame).
std::vector<Held>& HeldList() {
  static thread_local std::vector<Held> list;
  return list;
}
thread_local size_t gHeldCount = 0;  // the list's first entries in use (their vectors kept)

// The rows of one target where no held picture has anything left to draw
// (so SettleRows there is done at once); `target` null: not known.
struct CleanRows {
  const Surface* target = nullptr;
  std::vector<uint8_t> clean;  // per target row
  bool Covers(const Surface* t, int y0, int y1) const {
    if (t != target || y0 < 0 || y1 > int(clean.size())) return false;
    for (int y = y0; y < y1; ++y)
      if (!clean[size_t(y)]) return false;
    return true;
  }
};
thread_local CleanRows gClean;

// The texel row of target row y of the picture.
inline int RowOf(const Picture& p, int y) { return p.j0 + (y - p.y0); }

// Every opaque span of the picture on target row y, as target x.
template <typename F>
void OpaqueSpans(const Picture& p, int y, F&& f) {
  if (p.kind == BlendKind::Replace) {
    f(p.x0, p.x0 + p.w);
    return;
  }
  if (p.kind != BlendKind::Alpha) return;
  EachRun(*p.runs, RowOf(p, y), p.from, p.from + uint32_t(p.w), [&](uint32_t a, uint32_t b, uint8_t run) {
    if (run == OpacityRuns::kOpaque) f(p.x0 + int32_t(a - p.from), p.x0 + int32_t(b - p.from));
  });
}

// Rows [first, end) of the picture (its own rows, not the target's).
void DrawRows(const Picture& p, const Cover* cover, int first, int end) {
  for (int y = first; y < end; ++y) {
    uint32_t* dst = p.dst + size_t(y) * p.dstPitch;
    const uint32_t* src = p.src + size_t(y) * p.srcPitch;
    const int j = p.j0 + y;
    // The texels of the row less its covered spans.
    uint32_t lo = p.from;
    const uint32_t to = p.from + uint32_t(p.w);
    if (cover) {
      const Cover& c = cover[y];
      for (int i = 0; i < c.count; ++i) {
        uint32_t a = p.from + uint32_t(std::max(c.a[i], p.x0) - p.x0);
        uint32_t b = p.from + uint32_t(std::min(c.b[i], p.x0 + p.w) - p.x0);
        if (a >= b) continue;
        PictureSpan(dst, src, p.runs, j, p.from, lo, a, p.kind);
        lo = std::max(lo, b);
      }
    }
    PictureSpan(dst, src, p.runs, j, p.from, lo, to, p.kind);
  }
}

// The rows [from, to) of a held picture not drawn yet, drawn and marked.
void DrawUndone(Held& h, int from, int to) {
  const Cover* cover = h.covered ? h.cover.data() : nullptr;
  if (!h.anyDone) {
    h.done.assign(size_t(h.p.h), 0);
    h.anyDone = true;
  }
  for (int y = from; y < to;) {
    if (h.done[size_t(y)]) {
      ++y;
      continue;
    }
    int end = y + 1;
    while (end < to && !h.done[size_t(end)]) ++end;
    DrawRows(h.p, cover, y, end);
    std::fill(h.done.begin() + y, h.done.begin() + end, 1);
    y = end;
  }
}

// What is left of a held picture.
void DrawRest(Held& h) {
  if (h.anyDone)
    DrawUndone(h, 0, h.p.h);
  else
    DrawRows(h.p, h.covered ? h.cover.data() : nullptr, 0, h.p.h);
}

}  // namespace

void HoldPicture(const Picture& p) {
  if (p.w <= 0 || p.h <= 0) return;
  if (gHeldCount >= kMostHeld) DrawHeldPictures();
  std::vector<Held>& list = HeldList();
  // What this picture covers of the ones held before it on the same target.
  if (p.kind != BlendKind::Add) {
    for (size_t i = 0; i < gHeldCount; ++i) {
      Held& h = list[i];
      if (h.p.target != p.target) continue;
      const int top = std::max(h.p.y0, p.y0), bottom = std::min(h.p.y0 + h.p.h, p.y0 + p.h);
      const int left = std::max(h.p.x0, p.x0), right = std::min(h.p.x0 + h.p.w, p.x0 + p.w);
      if (top >= bottom || left >= right) continue;
      if (h.cover.size() < size_t(h.p.h)) h.cover.resize(size_t(h.p.h));
      if (!h.covered) std::fill(h.cover.begin(), h.cover.begin() + h.p.h, Cover());
      h.covered = true;
      for (int y = top; y < bottom; ++y)
        OpaqueSpans(p, y, [&](int32_t a, int32_t b) {
          h.cover[size_t(y - h.p.y0)].Add(std::max(a, left), std::min(b, right));
        });
    }
  }
  if (list.size() <= gHeldCount) list.emplace_back();
  Held& h = list[gHeldCount++];
  h.p = p;
  h.covered = false;
  h.anyDone = false;
  detail::gHeldPictures = true;
  // Its rows have something to draw; rows of only one target are followed.
  if (gHeldCount == 1 && p.target) {
    gClean.target = p.target;
    gClean.clean.assign(size_t(p.target->Height()), 1);
  }
  if (gClean.target != p.target) {
    gClean.target = nullptr;
  } else {
    const int top = std::max(0, p.y0), bottom = std::min(int(gClean.clean.size()), p.y0 + p.h);
    if (top < bottom) std::fill(gClean.clean.begin() + top, gClean.clean.begin() + bottom, 0);
  }
}

void SettleRows(const Surface* target, int y0, int y1) {
  if (!detail::gHeldPictures || gClean.Covers(target, y0, y1)) return;
  std::vector<Held>& list = HeldList();
  bool source = !target;
  for (size_t i = 0; i < gHeldCount && !source; ++i) source = list[i].p.source == target;
  if (source) {
    DrawHeldPictures();
    return;
  }
  for (size_t i = 0; i < gHeldCount; ++i) {
    Held& h = list[i];
    if (h.p.target != target) continue;
    const int from = std::max(y0, h.p.y0) - h.p.y0, to = std::min(y1, h.p.y0 + h.p.h) - h.p.y0;
    if (from < to) DrawUndone(h, from, to);
  }
  if (gClean.target == target) {
    const int top = std::max(0, y0), bottom = std::min(int(gClean.clean.size()), y1);
    if (top < bottom) std::fill(gClean.clean.begin() + top, gClean.clean.begin() + bottom, 1);
  }
}

bool PicturesHeldOn(const Surface* target) {
  const std::vector<Held>& list = HeldList();
  for (size_t i = 0; i < gHeldCount; ++i)
    if (list[i].p.target == target) return true;
  return false;
}

}  // namespace raster

void DrawHeldPictures() {
  using namespace raster;
  detail::gHeldPictures = false;
  std::vector<Held>& list = HeldList();
  const size_t count = gHeldCount;
  gHeldCount = 0;
  for (size_t i = 0; i < count; ++i) DrawRest(list[i]);
}

}  // namespace sdev
