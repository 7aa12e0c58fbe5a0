#include "render/text/minivecdraw.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/log.h"
#include "render/text/minivecfont.h"
#include "render/renderer.h"
#include "render/textures/texture.h"

namespace {
constexpr int kRowLimit = 6400;     // quarter rows kept above and below the origin
constexpr int kCellOffset = 6400;   // quarter units left of the origin held by a row
constexpr float kCoordLimit = 1.0e6f;
const int kPartialAlpha[4] = {17, 40, 73, 128};

int FloorDiv4(int v) { return v >= 0 ? v / 4 : -((-v + 3) / 4); }
int ToQuarter(float v) {
  if (!(v > -kCoordLimit)) v = -kCoordLimit;  // also catches NaN
  if (v > kCoordLimit) v = kCoordLimit;
  return int(std::floor(v + 0.5f));
}
uint32_t WithAlpha(TColor c, int alpha) { return (c.value & 0x00FFFFFFu) | (uint32_t(alpha) << 24); }

// Where a crossing of the row centre `yc` lies: on the edge's line, never
// outside its x range (a nearly flat edge can make the slope huge).
float CrossingX(float x0, float y0, float dxdy, float xMin, float xMax, float yc) {
  float x = x0 + (yc - y0) * dxdy;
  if (!(x >= xMin)) return xMin;  // also catches NaN
  return x > xMax ? xMax : x;
}

TKnMiniVecDraw* gInstalled = nullptr;
std::unique_ptr<TKnMiniVecDraw> gOwned;
}  // namespace

TKnMiniVecDraw* GetMiniVecDraw() {
  if (gInstalled) return gInstalled;
  if (!gOwned) gOwned.reset(new TKnMiniVecDraw());
  return gOwned.get();
}

TKnMiniVecDraw* SetMiniVecDraw(TKnMiniVecDraw* draw) {
  TKnMiniVecDraw* previous = gInstalled;
  gInstalled = draw;
  return previous;
}

bool TKnMiniVecDraw::Key::operator==(const Key& o) const {
  return outline == o.outline && font == o.font && glyph == o.glyph && subX == o.subX && subY == o.subY &&
         scaleX == o.scaleX && scaleY == o.scaleY && stroke0 == o.stroke0 && stroke1 == o.stroke1 &&
         rotation == o.rotation && italic == o.italic;
}

TKnMiniVecDraw::TKnMiniVecDraw() {
  std::memset(colours_, 0, sizeof(colours_));
  std::fill(std::begin(slotOf_), std::end(slotOf_), int16_t(-1));
  for (int s = 0; s < kSlots; ++s) {
    touchedMin_[s] = kRowCells + 1;
    touchedMax_[s] = -1;
    slotColour_[s] = 0;
  }
  table_.assign(kCacheBuckets, nullptr);
  batch_.reserve(256);
  SetColor(1, TColor(0xFFFFFFFFu));
}

TKnMiniVecDraw::~TKnMiniVecDraw() {
  ClearCache();
  if (gInstalled == this) gInstalled = nullptr;
}

// ---------------------------------------------------------------- colours

void TKnMiniVecDraw::SetColor(int index, TColor colour, float alphaFactor) {
  if (index <= 0 || index > 255) return;
  float f = std::isfinite(alphaFactor) ? std::min(std::max(alphaFactor, 0.0f), 1.0f) : 0.0f;
  int alpha = int(colour.GetAlpha() * f + 0.5f);
  Colour& c = colours_[index];
  // Step 15 is the colour at its full alpha: when it matches, so does every entry.
  if (c.ramp[15] == WithAlpha(colour, alpha)) return;
  for (int k = 0; k < 4; ++k) c.partial[k] = WithAlpha(colour, alpha * kPartialAlpha[k] / 256);
  for (int s = 0; s < 32; ++s) c.ramp[s] = WithAlpha(colour, s < 16 ? alpha * 16 * (s + 1) / 256 : alpha * 255 / 256);
}

TColor TKnMiniVecDraw::GetRampColor(int index, int step) const {
  if (index <= 0 || index > 255 || step < 0 || step > 31) return TColor(0u);
  return TColor(colours_[index].ramp[step]);
}

TColor TKnMiniVecDraw::GetPartialColor(int index, int quarters) const {
  if (index <= 0 || index > 255 || quarters < 1 || quarters > 4) return TColor(0u);
  return TColor(colours_[index].partial[quarters - 1]);
}

void TKnMiniVecDraw::SetTransform(float scaleX, float scaleY, float rotationDegrees, bool italic) {
  scaleX_ = std::isfinite(scaleX) ? scaleX : 0;
  scaleY_ = std::isfinite(scaleY) ? scaleY : 0;
  rotation_ = std::isfinite(rotationDegrees) ? rotationDegrees : 0;
  italic_ = italic;
  if (rotation_ != 0) {
    float r = rotation_ * float(M_PI) / 180.0f;
    cos_ = std::cos(r);
    sin_ = std::sin(r);
  } else {
    cos_ = 1;
    sin_ = 0;
  }
}

void TKnMiniVecDraw::SetStroke(int slot, float width, int colourIndex) {
  if (slot < 0 || slot > 1) return;
  strokeWidth_[slot] = std::isfinite(width) && width > 0 ? width : 0;
  strokeColour_[slot] = colourIndex >= 0 && colourIndex <= 255 ? colourIndex : 0;
  ++stateSerial_;
}

void TKnMiniVecDraw::SetOffsets(int x, int y, int z) {
  offsetX_ = x / 4 - 1;
  offsetY_ = y / 4 - 1;
  offsetZ_ = z / 4;
  ++stateSerial_;
}

// ---------------------------------------------------------------- targets

void TKnMiniVecDraw::Begin(float x, float y) {
  if (target_ != Target::kScreen) EndTarget();
  target_ = Target::kScreen;
  originX_ = ToQuarter(x * 4);
  originY_ = ToQuarter(y * 4);
}

void TKnMiniVecDraw::Begin(float x, float y, const TMiniVecPixels& pixels) {
  if (target_ != Target::kPixels || pixels.pixels != pixels_.pixels) EndTarget();
  target_ = Target::kPixels;
  pixels_ = pixels;
  originX_ = ToQuarter(x * 4);
  originY_ = ToQuarter(y * 4);
}

void TKnMiniVecDraw::Begin(float x, float y, const boost::shared_ptr<TTexture>& texture) {
  if (!texture) {
    Begin(x, y);
    return;
  }
  if (target_ != Target::kTexture || texture != texture_) {
    EndTarget();
    uint32_t* pixels = nullptr;
    uint32_t pitch = 0;
    if (texture->Lock(&pixels, &pitch)) {
      texture_ = texture;
      pixels_ = TMiniVecPixels{pixels, int(texture->GetWidth()), int(texture->GetHeight()), int(pitch)};
      target_ = Target::kTexture;
    } else {
      // A texture that cannot be locked takes nothing.
      pixels_ = TMiniVecPixels();
      target_ = Target::kPixels;
    }
  }
  originX_ = ToQuarter(x * 4);
  originY_ = ToQuarter(y * 4);
}

void TKnMiniVecDraw::EndTarget() {
  FlushBatch();
  if (target_ == Target::kTexture && texture_) texture_->Unlock();
  texture_.reset();
  pixels_ = TMiniVecPixels();
  target_ = Target::kScreen;
}

void TKnMiniVecDraw::Flush() {
  FlushBatch();
  if (target_ != Target::kScreen) EndTarget();
}

// ---------------------------------------------------------------- drawing

void TKnMiniVecDraw::DrawGlyph(const TMiniVecFont& font, int glyph, int x, int y) {
  const uint8_t* outline = font.GetOutline(glyph);
  if (!outline) return;
  Key key{};
  key.outline = nullptr;
  key.font = font.GetSerial();
  key.glyph = glyph;
  DrawCached(key, outline, font.GetOutlineLimit(glyph), x, y);
}

void TKnMiniVecDraw::DrawOutline(const uint8_t* outline, size_t limit, int x, int y) {
  if (!outline || limit == 0) return;
  Key key{};
  key.outline = outline;
  key.font = 0;
  key.glyph = -1;
  DrawCached(key, outline, limit, x, y);
}

size_t TKnMiniVecDraw::BucketOf(const Key& key) {
  // Glyph keys have no outline address: their font and glyph, the sub-pixel
  // phase and the transform spread them over the table.
  auto bits = [](float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return size_t(b);
  };
  size_t h = reinterpret_cast<uintptr_t>(key.outline);
  auto mix = [&h](size_t v) { h = (h ^ v) * 0x9E3779B1u + (h >> 16); };
  mix(key.font);
  mix(size_t(uint32_t(key.glyph)));
  mix(size_t(uint8_t(key.subX)) | size_t(uint8_t(key.subY)) << 8 | size_t(key.italic) << 16);
  mix(bits(key.scaleX));
  mix(bits(key.scaleY));
  mix(bits(key.rotation));
  mix(bits(key.stroke0) ^ bits(key.stroke1) * 31);
  return h % kCacheBuckets;
}

TKnMiniVecDraw::Entry* TKnMiniVecDraw::Lookup(const Key& key, size_t bucket) {
  for (Entry* e = table_[bucket]; e; e = e->next) {
    if (e->key == key) return e;
  }
  return nullptr;
}

void TKnMiniVecDraw::DrawCached(const Key& base, const uint8_t* outline, size_t limit, int x, int y) {
  if (scaleX_ == 0 || scaleY_ == 0) return;
  int qx = originX_ + x, qy = originY_ + y;
  int px = FloorDiv4(qx), py = FloorDiv4(qy);
  Key key = base;
  key.subX = int8_t(qx - px * 4);
  key.subY = int8_t(qy - py * 4);
  key.scaleX = scaleX_;
  key.scaleY = scaleY_;
  key.stroke0 = strokeWidth_[0];
  key.stroke1 = strokeWidth_[1];
  key.rotation = rotation_;
  key.italic = italic_;
  size_t bucket = BucketOf(key);
  Entry* e = Lookup(key, bucket);
  if (e) {
    lru_.splice(lru_.begin(), lru_, e->lru);
    // A replay draws in the colours the outline defines, as its first draw did.
    for (const auto& c : e->colours) SetColor(c.first, TColor(c.second));
  } else {
    e = new Entry();
    e->key = key;
    auto describe = [&key]() {
      return key.outline ? std::string("an outline")
                         : "glyph " + std::to_string(key.glyph) + " of font " + std::to_string(key.font);
    };
    // Interpret; an edge store that fills up doubles and starts over, up to the limit.
    bool refused = false;
    for (;;) {
      if (Interpret(outline, limit, float(key.subX), float(key.subY))) break;
      if (edgeCapacity_ >= size_t(kMaxOutlineEdges)) {
        TraceOut("Vector outline refused: more than %d edges (%s)", kMaxOutlineEdges, describe().c_str());
        refused = true;
        break;
      }
      edgeCapacity_ = std::min(std::max<size_t>(edgeCapacity_ * 2, 64), size_t(kMaxOutlineEdges));
    }
    if (!refused && !Scan(e->spans))
      TraceOut("Vector outline refused: too much work to scan (%s, %zu edges)", describe().c_str(), edges_.size());
    e->spans.shrink_to_fit();
    e->colours = defined_;
    ++rasterised_;
    e->next = table_[bucket];
    table_[bucket] = e;
    lru_.push_front(e);
    e->lru = lru_.begin();
    cacheRecords_ += e->spans.size();
    Evict();
  }
  Replay(e->spans, px, py);
}

void TKnMiniVecDraw::Evict() {
  // Keep the newest entry even when it alone passes the limit.
  while (cacheRecords_ > cacheLimit_ && lru_.size() > 1) {
    Entry* victim = lru_.back();
    lru_.pop_back();
    Entry** link = &table_[BucketOf(victim->key)];
    while (*link && *link != victim) link = &(*link)->next;
    if (*link) *link = victim->next;
    cacheRecords_ -= victim->spans.size();
    delete victim;
  }
}

void TKnMiniVecDraw::ClearCache() {
  for (Entry* e : lru_) delete e;
  lru_.clear();
  table_.assign(kCacheBuckets, nullptr);
  cacheRecords_ = 0;
}

void TKnMiniVecDraw::SetCacheLimit(size_t records) {
  cacheLimit_ = records;
  Evict();
}

// ---------------------------------------------------------------- outlines

bool TKnMiniVecDraw::Interpret(const uint8_t* p, size_t limit, float subX, float subY) {
  edges_.clear();
  overflow_ = false;
  colourBase_ = 0;
  colourCount_ = 0;
  defined_.clear();
  uint8_t left = 0, right = 0;
  float cx = 0, cy = 0;  // current point, font units
  auto s16 = [&](size_t at) { return float(int16_t(uint16_t(p[at] | (p[at + 1] << 8)))); };
  // Font units -> quarter pixels of this glyph.
  auto map = [&](float fx, float fy, float& qx, float& qy) {
    if (italic_) fx -= fy / 3.0f;
    float sx = fx * scaleX_, sy = fy * scaleY_;
    float rx = sx * cos_ - sy * sin_, ry = sx * sin_ + sy * cos_;
    qx = rx * 4 + subX;
    qy = ry * 4 + subY;
  };
  auto edgeTo = [&](float nx, float ny) {
    float ax, ay, bx, by;
    map(cx, cy, ax, ay);
    map(nx, ny, bx, by);
    AddEdge(ax, ay, bx, by, left, right);
    for (int s = 0; s < 2; ++s) {
      if (strokeWidth_[s] > 0) AddStroke(ax, ay, bx, by, s);
    }
    cx = nx;
    cy = ny;
  };
  auto colourOf = [&](uint8_t n) -> uint8_t {
    int c = n ? colourBase_ + n : 0;
    return c <= 255 ? uint8_t(c) : 0;
  };
  size_t i = 0;
  while (i < limit && !overflow_) {
    uint8_t cmd = p[i++];
    if (cmd == 8) break;
    switch (cmd) {
      case 1:
        colourBase_ = colourCount_;
        left = right = 0;
        break;
      case 2:
      case 3:
        if (i + 1 > limit) return true;
        (cmd == 2 ? left : right) = colourOf(p[i]);
        i += 1;
        break;
      case 4:
        if (i + 4 > limit) return true;
        cx = s16(i);
        cy = s16(i + 2);
        i += 4;
        break;
      case 5:
        if (i + 4 > limit) return true;
        edgeTo(s16(i), s16(i + 2));
        i += 4;
        break;
      case 6: {
        if (i + 8 > limit) return true;
        float x0 = cx, y0 = cy, qx = s16(i), qy = s16(i + 2), x1 = s16(i + 4), y1 = s16(i + 6);
        i += 8;
        for (int k = 1; k <= 3; ++k) {
          float t = k / 3.0f;
          if (k == 3) {
            edgeTo(x1, y1);
          } else {
            edgeTo(x0 + t * 2 * (qx - x0) + t * t * (x1 - 2 * qx + x0),
                   y0 + t * 2 * (qy - y0) + t * t * (y1 - 2 * qy + y0));
          }
        }
        break;
      }
      case 7:
        if (i + 3 > limit) return true;
        // Colours past 255 cannot be addressed. The first one defined is
        // colour 1, which the text colour fills for outlines that define none.
        if (colourCount_ < 255) {
          ++colourCount_;
          TColor c(p[i], p[i + 1], p[i + 2], 255);
          SetColor(colourCount_, c);
          defined_.emplace_back(uint8_t(colourCount_), c.value);
        }
        i += 3;
        break;
      default:
        return true;  // not a command: stop here and draw what was read
    }
  }
  return !overflow_;
}

void TKnMiniVecDraw::AddEdge(float x0, float y0, float x1, float y1, uint8_t left, uint8_t right) {
  if (left == 0 && right == 0) return;
  if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1))) return;
  int8_t dir = 1;
  if (y1 < y0) {
    std::swap(x0, x1);
    std::swap(y0, y1);
    dir = -1;
  }
  // Rows whose centre lies in [y0, y1).
  float top = std::max(y0, -float(kRowLimit)), bottom = std::min(y1, float(kRowLimit));
  int rowTop = int(std::ceil(top - 0.5f));
  int rowBottom = int(std::ceil(bottom - 0.5f)) - 1;
  if (rowBottom < rowTop) return;
  if (edges_.size() >= edgeCapacity_) {
    overflow_ = true;
    return;
  }
  Edge e;
  e.x0 = x0;
  e.y0 = y0;
  e.x1 = x1;
  e.y1 = y1;
  e.dxdy = (x1 - x0) / (y1 - y0);
  e.xMin = std::min(x0, x1);
  e.xMax = std::max(x0, x1);
  e.rowTop = rowTop;
  e.rowBottom = rowBottom;
  e.dir = dir;
  e.left = left;
  e.right = right;
  edges_.push_back(e);
}

void TKnMiniVecDraw::AddStroke(float x0, float y0, float x1, float y1, int slot) {
  float dx = x1 - x0, dy = y1 - y0;
  float len = std::sqrt(dx * dx + dy * dy);
  if (len <= 0) return;
  dx /= len;
  dy /= len;
  float w = strokeWidth_[slot] * 4;  // quarter pixels
  float nx = -dy * w, ny = dx * w, ex = dx * w, ey = dy * w;
  float pts[6][2] = {{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 + ex, y1 + ey},
                     {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}, {x0 - ex, y0 - ey}};
  uint8_t c = uint8_t(strokeColour_[slot]);
  for (int k = 0; k < 6; ++k) {
    const float* a = pts[k];
    const float* b = pts[(k + 1) % 6];
    AddEdge(a[0], a[1], b[0], b[1], c, 0);
  }
}

// ---------------------------------------------------------------- scanning

void TKnMiniVecDraw::AddSpan(int slot, int x0, int x1) {
  x0 += kCellOffset;
  x1 += kCellOffset;
  if (x1 <= 0 || x0 >= kRowCells * 4) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, kRowCells * 4);
  if (x1 <= x0) return;
  int16_t* row = rows_[slot].data();
  int c0 = x0 >> 2, f0 = x0 & 3, c1 = x1 >> 2, f1 = x1 & 3;
  row[c0] += int16_t(4 - f0);
  row[c0 + 1] += int16_t(f0);
  row[c1] -= int16_t(4 - f1);
  row[c1 + 1] -= int16_t(f1);
  touchedMin_[slot] = std::min(touchedMin_[slot], c0);
  touchedMax_[slot] = std::max(touchedMax_[slot], c1 + 1);
}

int TKnMiniVecDraw::EmitRow(int pixelRow, std::vector<TMiniVecSpan>& out) {
  int yRecord = pixelRow + 32768;
  if (yRecord < 0 || yRecord > 0xFFFF) {
    ClearRows();
    return 0;
  }
  int cells = 0;
  // Lower colours first, so later layers lie on top.
  int order[kSlots];
  const int slots = std::min(slotCount_, int(kSlots));
  for (int s = 0; s < slots; ++s) order[s] = s;
  for (int i = 1; i < slots; ++i)  // a handful of slots: insertion sort, stable
    for (int j = i; j > 0 && slotColour_[order[j]] < slotColour_[order[j - 1]]; --j) std::swap(order[j], order[j - 1]);
  for (int k = 0; k < slots; ++k) {
    int s = order[k];
    if (touchedMax_[s] < 0) continue;
    int16_t* row = rows_[s].data();
    int end = std::min(touchedMax_[s], kRowCells + 1);
    int sum = 0, runStart = touchedMin_[s], runValue = 0;
    cells += end - touchedMin_[s] + 1;
    for (int c = touchedMin_[s]; c <= end; ++c) {
      sum += row[c];
      row[c] = 0;
      int v = c < kRowCells ? sum : 0;
      if (v != runValue) {
        if (runValue > 0) {
          out.push_back(TMiniVecSpan{uint16_t(runStart), uint16_t(c), uint16_t(yRecord),
                                     uint8_t(std::min(runValue, 32)), uint8_t(slotColour_[s])});
        }
        runStart = c;
        runValue = v;
      }
    }
    touchedMin_[s] = kRowCells + 1;
    touchedMax_[s] = -1;
  }
  return cells;
}

void TKnMiniVecDraw::ClearRows() {
  for (int s = 0; s < kSlots; ++s) {
    if (touchedMax_[s] >= 0 && !rows_[s].empty()) {
      int end = std::min(touchedMax_[s], kRowCells + 1);
      std::fill(rows_[s].begin() + touchedMin_[s], rows_[s].begin() + end + 1, int16_t(0));
    }
    touchedMin_[s] = kRowCells + 1;
    touchedMax_[s] = -1;
  }
}

bool TKnMiniVecDraw::Scan(std::vector<TMiniVecSpan>& out) {
  if (edges_.empty()) return true;
  // Slots for the colours this outline uses.
  for (int s = 0; s < slotCount_; ++s) slotOf_[slotColour_[s]] = -1;
  slotCount_ = 0;
  auto slotFor = [&](int colour) -> int {
    if (slotOf_[colour] >= 0) return slotOf_[colour];
    int s = slotCount_ < kSlots ? slotCount_++ : kSlots - 1;
    if (rows_[s].empty()) rows_[s].assign(kRowCells + 2, 0);
    slotColour_[s] = colour;
    slotOf_[colour] = int16_t(s);
    return s;
  };

  std::vector<int>& order = order_;
  order.resize(edges_.size());
  for (size_t k = 0; k < order.size(); ++k) order[k] = int(k);
  std::sort(order.begin(), order.end(), [&](int a, int b) { return edges_[a].rowTop < edges_[b].rowTop; });
  int rowMin = edges_[order.front()].rowTop, rowMax = rowMin;
  for (const Edge& e : edges_) rowMax = std::max(rowMax, e.rowBottom);

  // The crossings stay sorted from one row to the next: each row moves them
  // down their edges, drops the finished ones, restores the order with an
  // insertion pass (only edges that crossed each other move) and merges the
  // new ones in.
  std::vector<Crossing>& cross = cross_;
  cross.clear();
  auto byX = [](const Crossing& a, const Crossing& b) { return a.x < b.x; };
  int winding[256] = {0};
  size_t next = 0;
  uint64_t work = order.size();
  for (int r = rowMin; r <= rowMax; ++r) {
    const float yc = float(r) + 0.5f;
    size_t kept = 0;
    for (const Crossing& c : cross) {
      const Edge* e = c.e;
      if (e->rowBottom >= r) cross[kept++] = {CrossingX(e->x0, e->y0, e->dxdy, e->xMin, e->xMax, yc), e};
    }
    cross.resize(kept);
    for (size_t a = 1; a < cross.size(); ++a) {
      if (!(cross[a - 1].x > cross[a].x)) continue;
      Crossing c = cross[a];
      size_t b = a;
      while (b > 0 && cross[b - 1].x > c.x) {
        cross[b] = cross[b - 1];
        --b;
      }
      cross[b] = c;
      work += a - b;
    }
    size_t old = cross.size();
    while (next < order.size() && edges_[order[next]].rowTop == r) {
      const Edge* e = &edges_[order[next++]];
      cross.push_back({CrossingX(e->x0, e->y0, e->dxdy, e->xMin, e->xMax, yc), e});
    }
    if (cross.size() > old) {
      std::sort(cross.begin() + ptrdiff_t(old), cross.end(), byX);
      std::inplace_merge(cross.begin(), cross.begin() + ptrdiff_t(old), cross.end(), byX);
      work += (cross.size() - old) * 8;
    }
    work += cross.size();
    int highest = 0;
    for (size_t a = 0; a + 1 < cross.size(); ++a) {
      const Edge* e = cross[a].e;
      winding[e->left] += e->dir;
      if (e->right != e->left) winding[e->right] += e->dir;
      // The colour in force: the highest one whose winding is not zero.
      int top = std::max<int>(e->left, e->right);
      if (top > highest && winding[top] != 0) highest = top;
      while (highest > 0 && winding[highest] == 0) --highest;
      if (highest > 0) {
        int x0 = ToQuarter(cross[a].x), x1 = ToQuarter(cross[a + 1].x);
        if (x1 > x0) AddSpan(slotFor(highest), x0, x1);
      }
    }
    for (const Crossing& c : cross) winding[c.e->left] = winding[c.e->right] = 0;
    if ((r & 3) == 3 || r == rowMax) work += uint64_t(EmitRow(FloorDiv4(r), out));
    if (work > scanWorkLimit_) {
      ClearRows();
      out.clear();
      cross.clear();
      return false;
    }
  }
  cross.clear();
  return true;
}

// ---------------------------------------------------------------- output

void TKnMiniVecDraw::Replay(const std::vector<TMiniVecSpan>& spans, int px, int py) {
  for (const TMiniVecSpan& s : spans) {
    uint32_t argb = colours_[s.colour].ramp[s.coverage - 1];
    Line(px + int(s.x0) - 1600, px + int(s.x1) - 1600, py + int(s.y) - 32768, argb);
  }
}

void TKnMiniVecDraw::DrawSpan(int x0, int x1, int y, int colourIndex) {
  if (colourIndex <= 0 || colourIndex > 255 || x1 <= x0) return;
  x0 += originX_;
  x1 += originX_;
  int row = FloorDiv4(y + originY_);
  const Colour& c = colours_[colourIndex];
  int p0 = FloorDiv4(x0), p1 = FloorDiv4(x1);
  if (p0 == p1) {
    Line(p0, p0 + 1, row, c.partial[x1 - x0 - 1]);
    return;
  }
  int first = p0;
  if (x0 & 3) {
    Line(p0, p0 + 1, row, c.partial[4 - (x0 - p0 * 4) - 1]);
    first = p0 + 1;
  }
  if (p1 > first) Line(first, p1, row, c.ramp[15]);
  if (x1 & 3) Line(p1, p1 + 1, row, c.partial[(x1 - p1 * 4) - 1]);
}

void TKnMiniVecDraw::Line(int x0, int x1, int y, uint32_t argb) {
  if ((argb >> 24) == 0 || x1 <= x0) return;
  x0 += offsetX_ + 1;
  x1 += offsetX_ + 1;
  y += offsetY_ + 1;
  if (target_ == Target::kScreen) {
    PutVertices(float(x0), float(x1), float(y), argb);
  } else {
    BlendPixels(x0, x1, y, argb);
  }
}

void TKnMiniVecDraw::PutVertices(float x0, float x1, float y, uint32_t argb) {
  batch_.push_back({x0, y, 0.0f, 1.0f, argb});
  batch_.push_back({x1, y, 0.0f, 1.0f, argb});
  if (int(batch_.size()) >= batchSize_) FlushBatch();
}

void TKnMiniVecDraw::FlushBatch() {
  if (batch_.empty()) return;
  DrawLineList(batch_.data(), int(batch_.size()));
  batch_.clear();
}

void TKnMiniVecDraw::DrawLineList(const TMiniVecVertex* vertices, int count) {
  if (count <= 0) return;
  if (sink_) {
    sink_(vertices, count);
    return;
  }
  // Line lists of pre-transformed vertices; a pixel's centre is at +0.5.
  std::vector<TScreenVertex> v(static_cast<size_t>(count));
  for (size_t i = 0; i < v.size(); ++i)
    v[i] = TScreenVertex{vertices[i].x, vertices[i].y + 0.5f, 0.0f, 1.0f, vertices[i].diffuse, 0u, 0.0f, 0.0f};
  TRenderer* r = TRenderer::GetInstance();
  r->SetTexture(TTextureRef());
  TVertexSet* set = MakeVertexSet3(v.data(), uint32_t(v.size()));
  r->DrawVertices(kPrimLineList, set);
  FreeVertexSet(set);
}

void TKnMiniVecDraw::BlendPixels(int x0, int x1, int y, uint32_t argb) {
  if (!pixels_.pixels || y < 0 || y >= pixels_.height) return;
  x0 = std::max(x0, 0);
  x1 = std::min(x1, pixels_.width);
  if (x1 <= x0) return;
  uint32_t* p = pixels_.pixels + size_t(y) * size_t(pixels_.pitch);
  const uint32_t a = argb >> 24, r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
  switch (mode_) {
    case kModeCopy:
      for (int x = x0; x < x1; ++x) p[x] = argb;
      break;
    case kModeAccumulate:
      for (int x = x0; x < x1; ++x) {
        uint32_t o = p[x];
        uint32_t oa = o >> 24, sum = oa + a;
        // sum > 0: a is never 0 here.
        uint32_t nr = (((o >> 16) & 255) * oa + r * a) / sum;
        uint32_t ng = (((o >> 8) & 255) * oa + g * a) / sum;
        uint32_t nb = ((o & 255) * oa + b * a) / sum;
        p[x] = (std::min(sum, 255u) << 24) | (nr << 16) | (ng << 8) | nb;
      }
      break;
    default:
      if (a == 255) {
        for (int x = x0; x < x1; ++x) p[x] = (p[x] & 0xFF000000u) | (argb & 0x00FFFFFFu);
      } else {
        const uint32_t ia = 255 - a, ra = r * a, ga = g * a, ba = b * a;
        for (int x = x0; x < x1; ++x) {
          uint32_t o = p[x];
          uint32_t nr = (((o >> 16) & 255) * ia + ra) / 255;
          uint32_t ng = (((o >> 8) & 255) * ia + ga) / 255;
          uint32_t nb = ((o & 255) * ia + ba) / 255;
          p[x] = (o & 0xFF000000u) | (nr << 16) | (ng << 8) | nb;
        }
      }
      break;
  }
}

namespace {
// The test patterns: two spans per cell of 16 x 16 pixels, at varying quarter offsets.
struct TLinePattern {
  int x0, x1, y;
};
std::vector<TLinePattern> LinePatterns() {
  std::vector<TLinePattern> p;
  for (int i = 0; i < 128; ++i) {
    int cx = (i % 50) * 16, cy = (i / 50) * 16;
    int a = (i * 7) % 4, b = (i * 5 + 1) % 4, len = 3 + (i * 3) % 9;
    p.push_back({(cx + 1) * 4 + a, (cx + 1 + len) * 4 + b, (cy + 2) * 4});
    p.push_back({(cx + 2) * 4 + b, (cx + 3 + len / 2) * 4 + a, (cy + 6) * 4});
  }
  return p;
}
}  // namespace

bool TKnMiniVecDraw::TestLines() {
  lineTestErrors_ = -1;
  TTextureRef target = TTexture::CreateBlank(800, 512, true);
  if (!target) return batchSize_ == 256;
  const std::vector<TLinePattern> patterns = LinePatterns();
  // What the patterns cover, drawn in software.
  std::vector<uint32_t> expected(800 * 512, 0);
  TKnMiniVecDraw reference;
  reference.SetColor(1, TColor(0xFFFFFFFFu));
  reference.Begin(0, 0, TMiniVecPixels{expected.data(), 800, 512, 800});
  reference.SetTargetMode(kModeCopy);
  for (const TLinePattern& p : patterns) reference.DrawSpan(p.x0, p.x1, p.y);
  reference.Flush();

  for (;;) {
    TRenderer* r = TRenderer::GetInstance();
    if (!r->BeginRenderTarget(target, 4)) return batchSize_ == 256;
    target->Clear();
    bool entered = r->Begin2d();
    SetColor(1, TColor(0xFFFFFFFFu));
    SetOffsets(0, 0, 0);
    Begin(0, 0);
    for (const TLinePattern& p : patterns) DrawSpan(p.x0, p.x1, p.y);
    Flush();
    if (entered) r->End2d();
    r->EndRenderTarget();
    uint32_t* pixels = nullptr;
    uint32_t pitch = 0;
    if (!target->Lock(&pixels, &pitch)) return batchSize_ == 256;
    int wrong = 0;
    for (int y = 0; y < 512; ++y) {
      for (int x = 0; x < 800; ++x) {
        bool lit = (pixels[size_t(y) * pitch + x] >> 24) != 0, want = (expected[size_t(y) * 800 + x] >> 24) != 0;
        wrong += lit != want;
      }
    }
    target->Unlock();
    lineTestErrors_ = wrong;
    if (wrong <= 75 || batchSize_ == 64) break;
    batchSize_ = 64;
  }
  return batchSize_ == 256;
}
