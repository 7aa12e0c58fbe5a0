// The effect-file reader of the particle library: the text format of
// docs/particles.md read into a folder tree of emitter descriptions.
// Standard library only; the reader checks every limit and never throws.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace particles {

// Limits of one file (larger input is refused with a message).
constexpr size_t kMaxFileBytes = 1 << 20;
constexpr size_t kMaxLineBytes = 1024;
constexpr int kMaxDepth = 16;
constexpr int kMaxEmitters = 1024;
constexpr int kMaxLayers = 16;
constexpr int kMaxTypes = 32;
constexpr int kMaxFrames = 64;
constexpr int kMaxColorStops = 16;
constexpr int kMaxFrameSize = 1024;
constexpr int kMaxParticlesPerType = 100000;

struct Range {
  float lo = 0, hi = 0;
};

struct ColorStop {
  float t;        // 0..1 of the particle's life
  uint32_t argb;
};

struct FrameDesc {
  std::string file;
  int width = 0, height = 0;
};

enum class Animate { kNone, kLife, kRandom, kLoop };
enum class Area { kPoint, kCircle, kRect };

struct TypeDesc {
  std::string name;
  std::vector<FrameDesc> frames;
  Animate animate = Animate::kNone;
  float fps = 10;
  bool additive = false;
  float rate = 0;          // particles per second
  int burst = 0;           // particles at the start of each emission window
  Range life{1000, 1000};  // ms
  Range speed{0, 0};       // pixels per second
  float direction = 0;     // degrees
  float spread = 0;        // degrees, centred on the direction
  Range sizeStart{16, 16}, sizeEnd{16, 16};
  Range rotation{0, 0};    // degrees at birth
  Range spin{0, 0};        // degrees per second
  float gravityX = 0, gravityY = 0;  // pixels per second squared
  float drag = 0;          // per second: velocity falls by exp(-drag t)
  Area area = Area::kPoint;
  float areaW = 0, areaH = 0;  // circle: radius in areaW; rect: width and height
  std::vector<ColorStop> colors{{0, 0xFFFFFFFFu}};
  int maxCount = 5000;
};

struct LayerDesc {
  std::string name;
  float offsetX = 0, offsetY = 0;
  float start = 0;   // ms into the emission cycle
  float stop = -1;   // ms; below 0: to the end of the cycle
  std::vector<TypeDesc> types;
};

struct EmitterDesc {
  std::string name;
  float x = 0, y = 0;
  bool loop = false;
  float prewarm = 0;          // ms; above 0 the effect starts already running
  float duration = 1000;      // ms of one emission cycle; 0 with loop: endless
  float step = 1000.0f / 60;  // ms, the fixed update step
  float direction = 0;        // degrees added to every type's direction
  std::vector<LayerDesc> layers;  // at least one
};

struct Entry {
  bool emitter;
  int index;  // into EffectFile::folders or EffectFile::emitters
};

struct Folder {
  std::string name;
  int parent = -1;  // -1 for the root
  std::vector<Entry> entries;
};

struct EffectFile {
  std::vector<Folder> folders;  // [0] is the root
  std::vector<std::shared_ptr<const EmitterDesc>> emitters;
};

// Reads one effect file from memory. False with a message naming the line
// when the text is not a valid effect file; `out` is then left empty.
bool ReadEffectFile(const char* data, size_t size, EffectFile& out, std::string& error);

// Reads the file at `path` (at most kMaxFileBytes) and parses it.
bool LoadEffectFile(const char* path, EffectFile& out, std::string& error);

}  // namespace particles
