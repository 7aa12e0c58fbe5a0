// render/text: vector fonts, their rasteriser, text layout and text sprites.
// TKnMiniVecDraw: the software rasteriser of vector-font outlines.
//
// An outline (see docs/mvec.md) becomes edges in quarter-pixel units,
// scanned at four sub-rows per pixel row with the non-zero rule, and summed
// into coverage rows from which horizontal runs of equal coverage are made.
// Each run is drawn as one line: on the screen or a render target through the
// renderer (line lists of pre-transformed vertices, in batches), or straight
// into locked 32-bit pixels. The runs of every glyph are cached per outline,
// sub-pixel position and transform, so repeated text only replays them. The
// cache is bounded (least recently used entries go first).
//
// The work of one outline is bounded: an outline of more than
// kMaxOutlineEdges edges, or whose scan would take more than the work limit
// (edges crossing rows, crossings reordered, cells summed), is refused with a
// log line and remembered as empty.
//
// One drawer exists per process (GetMiniVecDraw). Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/color.h"

class TMiniVecFont;
class TTexture;

// A pre-transformed line-list vertex: screen x, y, z, reciprocal w, ARGB colour.
struct TMiniVecVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
};

// 32-bit ARGB pixels (bytes blue, green, red, alpha), rows `pitch` pixels apart.
struct TMiniVecPixels {
  uint32_t* pixels = nullptr;
  int width = 0, height = 0, pitch = 0;
};

// One cached run: x start and end (exclusive, pixels + 1600), row (+ 32768),
// coverage (1..16 quarters squared of one pixel), colour index.
struct TMiniVecSpan {
  uint16_t x0, x1, y;
  uint8_t coverage, colour;
};
static_assert(sizeof(TMiniVecSpan) == 8, "span records are 8 bytes");

class TKnMiniVecDraw {
public:
  // Texture-target modes (SetTargetMode): the default blends colour and
  // keeps the old alpha; copy writes colour and alpha; accumulate merges them.
  static constexpr int kModeBlend = 0, kModeCopy = 1, kModeAccumulate = 2;
  static constexpr int kRowCells = 3200;         // x from -1600 to +1599 pixels
  static constexpr int kCacheBuckets = 2039;
  static constexpr size_t kDefaultCacheRecords = 1u << 20;  // 8 MiB of span records
  static constexpr int kMaxOutlineEdges = 32768;
  static constexpr uint64_t kDefaultScanWork = 1u << 23;  // some 50 ms, a hundred times any real glyph

  TKnMiniVecDraw();
  virtual ~TKnMiniVecDraw();
  TKnMiniVecDraw(const TKnMiniVecDraw&) = delete;
  TKnMiniVecDraw& operator=(const TKnMiniVecDraw&) = delete;

  // Colour `index` (1..255; 0 is transparent) becomes `colour` with its alpha
  // times `alphaFactor`: four partial-coverage colours and the 32-step ramp.
  void SetColor(int index, TColor colour, float alphaFactor = 1.0f);
  TColor GetRampColor(int index, int step) const;
  TColor GetPartialColor(int index, int quarters) const;

  // Pixels per font unit (1/128 em) on each axis, rotation in degrees
  // (clockwise on the screen), italic shear.
  void SetTransform(float scaleX, float scaleY, float rotationDegrees = 0, bool italic = false);
  // Stroke `slot` (0 or 1): width in pixels (0 = none) and its colour index.
  void SetStroke(int slot, float width, int colourIndex);
  // Span offsets in quarter units.
  void SetOffsets(int x, int y, int z);

  // Origin for the next outlines (pixels); selects the target: a texture
  // (locked until Flush), raw pixels, or the screen / current render target.
  void Begin(float x, float y, const TMiniVecPixels& pixels);
  void Begin(float x, float y, const boost::shared_ptr<TTexture>& texture);
  void Begin(float x, float y);
  void SetTargetMode(int mode) { mode_ = mode; }
  // Draws one outline at (x, y) in quarter pixels from the origin. `limit`
  // is the number of readable bytes from `outline`.
  void DrawOutline(const uint8_t* outline, size_t limit, int x, int y);
  // The same for glyph `glyph` of a font (cached by font and glyph).
  void DrawGlyph(const TMiniVecFont& font, int glyph, int x, int y);
  // One horizontal span in quarter pixels [x0, x1) on the pixel row of y,
  // drawn straight as lines: partial end pixels get the partial colours.
  void DrawSpan(int x0, int x1, int y, int colourIndex = 1);
  // Draws what is collected; a texture target is unlocked and left.
  void Flush();

  // The start-up line test: 128 span patterns drawn as lines into an 800 x
  // 512 render target and read back. More than 75 wrong pixels switch to
  // batches of 64 (and the test runs again). True when the batch size stayed 256.
  bool TestLines();
  // Pixels that differed in the last line test (-1: it could not run).
  int GetLineTestErrors() const { return lineTestErrors_; }
  int GetBatchSize() const { return batchSize_; }
  void SetBatchSize(int vertices) { batchSize_ = vertices; }

  // Screen output goes to the renderer unless a sink is installed (tests).
  using TLineSink = std::function<void(const TMiniVecVertex* vertices, int count)>;
  void SetLineSink(TLineSink sink) { sink_ = std::move(sink); }
  bool HasLineSink() const { return bool(sink_); }
  // Draws vertex pairs (x0, y) - (x1, y), pixel rows y, as the screen output
  // does: a line list through the renderer (or the sink).
  void DrawLineList(const TMiniVecVertex* vertices, int count);
  // Changes with every setting outside the colours and the transform that
  // alters what is drawn (strokes, offsets).
  uint32_t GetStateSerial() const { return stateSerial_; }

  // Cache control and figures.
  void ClearCache();
  void SetCacheLimit(size_t records);
  size_t GetCacheRecords() const { return cacheRecords_; }
  size_t GetCacheEntries() const { return lru_.size(); }
  uint64_t GetRasterisedCount() const { return rasterised_; }
  // The edges of the outline rasterised last (quarter pixels, top to bottom).
  size_t GetEdgeCount() const { return edges_.size(); }
  void GetEdge(size_t i, float& x0, float& y0, float& x1, float& y1) const {
    x0 = edges_[i].x0, y0 = edges_[i].y0, x1 = edges_[i].x1, y1 = edges_[i].y1;
  }
  // Edge store capacity (doubles when an outline needs more, up to kMaxOutlineEdges).
  void SetEdgeCapacity(size_t edges) { edgeCapacity_ = edges; }
  size_t GetEdgeCapacity() const { return edgeCapacity_; }
  // The work one outline's scan may take (kDefaultScanWork unless changed).
  void SetScanWorkLimit(uint64_t units) { scanWorkLimit_ = units; }

private:
  uint32_t stateSerial_ = 0;
  struct Edge {
    float x0, y0, x1, y1, dxdy;
    float xMin, xMax;  // a crossing never leaves them, whatever the rounding
    int rowTop, rowBottom;
    int8_t dir;
    uint8_t left, right;
  };
  struct Key {
    const void* outline;
    uint32_t font;
    int glyph;
    int8_t subX, subY;
    float scaleX, scaleY, stroke0, stroke1, rotation;
    bool italic;
    bool operator==(const Key& o) const;
  };
  struct Entry {
    Key key;
    std::vector<TMiniVecSpan> spans;
    // The colours the outline defines (index, ARGB), set again on every replay.
    std::vector<std::pair<uint8_t, uint32_t>> colours;
    Entry* next = nullptr;
    std::list<Entry*>::iterator lru;
  };
  struct Colour {
    uint32_t partial[4];
    uint32_t ramp[32];
  };

  void DrawCached(const Key& key, const uint8_t* outline, size_t limit, int x, int y);
  bool Interpret(const uint8_t* outline, size_t limit, float subX, float subY);
  void AddEdge(float x0, float y0, float x1, float y1, uint8_t left, uint8_t right);
  void AddStroke(float x0, float y0, float x1, float y1, int slot);
  // False when the work limit was reached (nothing is kept then).
  bool Scan(std::vector<TMiniVecSpan>& out);
  void AddSpan(int slot, int x0, int x1);
  // Returns the cells it went over.
  int EmitRow(int pixelRow, std::vector<TMiniVecSpan>& out);
  void ClearRows();
  void Replay(const std::vector<TMiniVecSpan>& spans, int px, int py);
  void Line(int x0, int x1, int y, uint32_t argb);
  void PutVertices(float x0, float x1, float y, uint32_t argb);
  void FlushBatch();
  void BlendPixels(int x0, int x1, int y, uint32_t argb);
  void EndTarget();
  void Evict();
  // Every key is stored and looked up in the bucket of its own fields.
  static size_t BucketOf(const Key& key);
  Entry* Lookup(const Key& key, size_t bucket);

  // State of the current outline.
  std::vector<Edge> edges_;
  size_t edgeCapacity_ = 512;
  uint64_t scanWorkLimit_ = kDefaultScanWork;
  bool overflow_ = false;
  int colourBase_ = 0, colourCount_ = 0;
  std::vector<std::pair<uint8_t, uint32_t>> defined_;  // colours defined by the outline being read
  float cos_ = 1, sin_ = 0, rotation_ = 0;
  float scaleX_ = 1, scaleY_ = 1;
  bool italic_ = false;
  float strokeWidth_[2] = {0, 0};
  int strokeColour_[2] = {0, 0};
  int offsetX_ = -1, offsetY_ = -1, offsetZ_ = 0;  // SetOffsets(0, 0, 0)

  // Coverage rows, one per colour in use (slot), with their touched ranges.
  static constexpr int kSlots = 8;
  std::vector<int16_t> rows_[kSlots];
  int touchedMin_[kSlots], touchedMax_[kSlots];
  int slotColour_[kSlots];
  int slotCount_ = 0;
  int16_t slotOf_[256];

  Colour colours_[256];
  struct Crossing {
    float x;
    const Edge* e;
  };
  std::vector<Crossing> cross_;  // the active edges, in x order of the current row
  std::vector<int> order_;

  // Origin and target.
  int originX_ = 0, originY_ = 0;  // quarter pixels
  enum class Target { kScreen, kPixels, kTexture } target_ = Target::kScreen;
  boost::shared_ptr<TTexture> texture_;
  TMiniVecPixels pixels_;
  int mode_ = kModeBlend;

  // Vertex batch.
  std::vector<TMiniVecVertex> batch_;
  int batchSize_ = 256;
  TLineSink sink_;
  int lineTestErrors_ = -1;

  // Glyph cache.
  std::vector<Entry*> table_;
  std::list<Entry*> lru_;
  size_t cacheRecords_ = 0, cacheLimit_ = kDefaultCacheRecords;
  uint64_t rasterised_ = 0;
};

// The process's drawer: the one installed by the platform, else one made on
// first use and kept until exit.
TKnMiniVecDraw* GetMiniVecDraw();
// Installs a drawer (null removes it); returns the previous one.
TKnMiniVecDraw* SetMiniVecDraw(TKnMiniVecDraw* draw);
