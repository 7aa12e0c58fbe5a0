// Pictures drawn texel for pixel without modulation (backgrounds, panels,
// pages): their opaque runs are copied and their transparent ones skipped.
// Drawn on a surface's own memory they are held back until something else
// on the same thread reads or writes any surface memory (a lock, a blit, a
// flip, the end of the scene; a triangle or quad on the same target only
// has the held rows it meets drawn first): what a later picture covers with
// opaque pixels is then never drawn, since nothing could have seen it.
//
// What later pictures cover is worked out when rows are drawn, in one pass
// over the held pictures from the last to the first that carries each
// target row's cover along: every picture's rows are looked at once, so the
// work grows with the pictures held, not with their pairs.
#include <algorithm>
#include <cstdint>
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

// Texels [a, b) of one run of kind `run`, drawn; dst and src are where texel
// `from` lands and lies.
inline void DrawRun(uint32_t* dst, const uint32_t* src, uint32_t from, uint32_t a, uint32_t b, uint8_t run,
                    BlendKind kind, MixRowKernel kernel) {
  if (run == OpacityRuns::kTransparent) return;
  uint32_t* d = dst + (a - from);
  const uint32_t* p = src + (a - from);
  if (run == OpacityRuns::kOpaque && kind == BlendKind::Alpha) {
    std::memcpy(d, p, size_t(b - a) * 4);
  } else if (kernel) {
    kernel(d, p, nullptr, 0, int(b - a), 0xFFFFFFFFu);
  } else {
    PixelState plain;
    BlendRow(d, p, int(b - a), kind, plain, 0xFFFFFFFFu);
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
  const MixRowKernel kernel = FindMixRowKernel(kind, false);
  EachRun(*runs, j, lo, hi, [&](uint32_t a, uint32_t b, uint8_t run) { DrawRun(dst, src, from, a, b, run, kind, kernel); });
}

namespace {

// Up to two target spans [a, b) of a row that later pictures cover, the
// first one left of the second.
struct Cover {
  int32_t a[2] = {0, 0}, b[2] = {0, 0};
  int count = 0;
  // Adds [x0, x1): merged with the spans it meets; of three apart the
  // shortest is forgotten (a span left out is only drawn in vain).
  void Add(int32_t x0, int32_t x1) {
    if (x0 >= x1) return;
    for (int i = 0; i < count; ++i) {
      if (x0 > b[i] || a[i] > x1) continue;
      a[i] = std::min(a[i], x0);
      b[i] = std::max(b[i], x1);
      if (count == 2 && a[1] <= b[0]) {  // the two meet now
        b[0] = std::max(b[0], b[1]);
        count = 1;
      }
      return;
    }
    if (count < 2) {
      a[count] = x0;
      b[count] = x1;
      if (++count == 2 && a[1] < a[0]) {
        std::swap(a[0], a[1]);
        std::swap(b[0], b[1]);
      }
      return;
    }
    const int shorter = b[0] - a[0] <= b[1] - a[1] ? 0 : 1;
    if (x1 - x0 <= b[shorter] - a[shorter]) return;
    a[shorter] = x0;
    b[shorter] = x1;
    if (a[1] < a[0]) {
      std::swap(a[0], a[1]);
      std::swap(b[0], b[1]);
    }
  }
};

struct Held {
  Picture p;
  std::vector<Cover> cover;  // per row of the picture, set by the cover pass before the row is drawn
  bool covered = false;      // `cover` holds the rows' covers (else none has one)
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

// The cover pass's rows of one target.
struct CoverRows {
  std::vector<Cover> cover;  // per target row: what the pictures after the one at hand cover
  std::vector<int> first;    // per target row: the first held picture on it
};
thread_local CoverRows gCoverRows;

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
  const OpacityRuns& r = *p.runs;
  const size_t j = size_t(RowOf(p, y));
  const uint32_t lo = p.from, hi = p.from + uint32_t(p.w);
  for (uint32_t k = r.opaqueStart[j]; k < r.opaqueStart[j + 1]; ++k) {
    const OpacityRuns::Span& o = r.opaque[k];
    if (o.end <= lo) continue;
    if (o.begin >= hi) break;
    f(p.x0 + int32_t(std::max(o.begin, lo) - lo), p.x0 + int32_t(std::min(o.end, hi) - lo));
  }
}

// Rows [first, end) of the picture (its own rows, not the target's), each
// row's runs walked once past its covered spans.
void DrawRows(const Picture& p, const Cover* cover, int first, int end) {
  const uint32_t to = p.from + uint32_t(p.w);
  const MixRowKernel kernel = p.kind == BlendKind::Replace ? nullptr : FindMixRowKernel(p.kind, false);
  for (int y = first; y < end; ++y) {
    uint32_t* dst = p.dst + size_t(y) * p.dstPitch;
    const uint32_t* src = p.src + size_t(y) * p.srcPitch;
    // The texels of the row to draw: [lo[k], hi[k]), left to right.
    uint32_t lo[3], hi[3];
    int n = 0;
    uint32_t next = p.from;
    if (cover) {
      const Cover& c = cover[y];
      for (int i = 0; i < c.count; ++i) {
        // (A span may lie beside the picture: the covers are the whole row's.)
        const int32_t ca = std::max(c.a[i], p.x0), cb = std::min(c.b[i], p.x0 + p.w);
        if (ca >= cb) continue;
        const uint32_t a = p.from + uint32_t(ca - p.x0), b = p.from + uint32_t(cb - p.x0);
        if (next < a) {
          lo[n] = next;
          hi[n++] = a;
        }
        next = std::max(next, b);
      }
    }
    if (next < to) {
      lo[n] = next;
      hi[n++] = to;
    }
    if (p.kind == BlendKind::Replace) {
      for (int k = 0; k < n; ++k) std::memcpy(dst + (lo[k] - p.from), src + (lo[k] - p.from), size_t(hi[k] - lo[k]) * 4);
      continue;
    }
    const OpacityRuns& runs = *p.runs;
    const size_t j = size_t(p.j0 + y);
    uint32_t begin = 0;
    int k = 0;
    for (uint32_t r = runs.rowStart[j]; r < runs.rowStart[j + 1] && k < n; ++r) {
      const OpacityRuns::Run& run = runs.runs[r];
      const uint32_t runBegin = begin;
      begin = run.end;
      while (k < n && hi[k] <= runBegin) ++k;
      for (int m = k; m < n && lo[m] < run.end; ++m) {
        const uint32_t a = std::max(runBegin, lo[m]), b = std::min(run.end, hi[m]);
        if (a < b) DrawRun(dst, src, p.from, a, b, run.kind, p.kind, kernel);
      }
    }
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

// Works out, for rows [y0, y1) of `target`, what the pictures held after
// each of the first `count` held ones cover of its rows not drawn yet. A
// row drawn for a picture was drawn for every picture before it too (rows
// are drawn for all the pictures held on them at once), so its cover is
// needed by none.
void CoverPass(const Surface* target, int y0, int y1, size_t count) {
  std::vector<Held>& list = HeldList();
  CoverRows& rows = gCoverRows;
  // The rows the target's pictures lie on.
  int end = 0;
  for (size_t i = 0; i < count; ++i)
    if (list[i].p.target == target) end = std::max(end, list[i].p.y0 + list[i].p.h);
  if (rows.first.size() < size_t(end)) {
    rows.first.resize(size_t(end));
    rows.cover.resize(size_t(end));
  }
  y0 = std::max(y0, 0);
  y1 = std::min(y1, end);
  if (y0 >= y1) return;
  std::fill(rows.cover.begin() + y0, rows.cover.begin() + y1, Cover());
  std::fill(rows.first.begin() + y0, rows.first.begin() + y1, int(count));
  for (size_t i = count; i-- > 0;) {
    const Picture& p = list[i].p;
    if (p.target != target) continue;
    const int top = std::max(y0, p.y0), bottom = std::min(y1, p.y0 + p.h);
    if (top < bottom) std::fill(rows.first.begin() + top, rows.first.begin() + bottom, int(i));
  }
  for (size_t i = count; i-- > 0;) {
    Held& h = list[i];
    const Picture& p = h.p;
    if (p.target != target) continue;
    const int top = std::max(y0, p.y0), bottom = std::min(y1, p.y0 + p.h);
    for (int y = top; y < bottom; ++y) {
      const size_t row = size_t(y - p.y0);
      if (h.anyDone && h.done[row]) continue;
      Cover& c = rows.cover[size_t(y)];
      if (c.count && !h.covered) {
        h.cover.assign(size_t(p.h), Cover());
        h.covered = true;
      }
      if (h.covered) h.cover[row] = c;
      // What it covers matters only where a picture lies before it.
      if (rows.first[size_t(y)] < int(i) && p.kind != BlendKind::Add)
        OpaqueSpans(p, y, [&](int32_t a, int32_t b) { c.Add(a, b); });
    }
  }
}

void HoldPicture(const Picture& p) {
  if (p.w <= 0 || p.h <= 0) return;
  if (gHeldCount >= kMostHeld) DrawHeldPictures();
  std::vector<Held>& list = HeldList();
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
  CoverPass(target, y0, y1, gHeldCount);
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
  // Each target's covers (the targets are few: the back buffer, a render target).
  thread_local std::vector<const Surface*> targets;
  targets.clear();
  for (size_t i = 0; i < count; ++i)
    if (std::find(targets.begin(), targets.end(), list[i].p.target) == targets.end()) {
      targets.push_back(list[i].p.target);
      CoverPass(list[i].p.target, 0, INT32_MAX, count);
    }
  for (size_t i = 0; i < count; ++i) DrawRest(list[i]);
}

}  // namespace sdev
