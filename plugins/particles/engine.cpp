// Emitters, particles and the atlas layout of the particle library.
#include "plugins/particles/engine.h"

#include <algorithm>
#include <cmath>

namespace particles {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kDegToRad = float(kPi / 180.0);
constexpr double kMaxSubStep = 50.0;   // ms: the longest single integration step
constexpr double kMaxUpdate = 60000.0; // ms: one call never simulates more
constexpr double kMinCycle = 10.0;     // ms: the shortest emission cycle

uint32_t Lerp(uint32_t a, uint32_t b, float f) {
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) {
    float ca = float((a >> s) & 0xFF), cb = float((b >> s) & 0xFF);
    out |= uint32_t(std::lround(ca + (cb - ca) * f)) << s;
  }
  return out;
}

void BuildRamp(const std::vector<ColorStop>& stops, uint32_t ramp[256]) {
  for (int i = 0; i < 256; ++i) {
    float t = float(i) / 255.0f;
    if (stops.empty()) {
      ramp[i] = 0xFFFFFFFFu;
      continue;
    }
    if (t <= stops.front().t) {
      ramp[i] = stops.front().argb;
      continue;
    }
    if (t >= stops.back().t) {
      ramp[i] = stops.back().argb;
      continue;
    }
    size_t k = 1;
    while (k < stops.size() && stops[k].t < t) ++k;
    const ColorStop& a = stops[k - 1];
    const ColorStop& b = stops[k];
    float span = b.t - a.t;
    ramp[i] = span > 0 ? Lerp(a.argb, b.argb, (t - a.t) / span) : b.argb;
  }
}

uint64_t Hash(const std::string& text, uint64_t seed) {
  uint64_t h = 1469598103934665603ull ^ seed;
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return h;
}

}  // namespace

void Random::Seed(uint64_t seed) {
  state_ = 0;
  inc_ = (seed << 1) | 1u;
  Next();
  state_ += 0x853c49e6748fea9bull ^ seed;
  Next();
}

uint32_t Random::Next() {
  uint64_t old = state_;
  state_ = old * 6364136223846793005ull + inc_;
  uint32_t xorshifted = uint32_t(((old >> 18u) ^ old) >> 27u);
  uint32_t rot = uint32_t(old >> 59u);
  return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
}

Emitter::Emitter(std::shared_ptr<const EmitterDesc> desc, uint32_t seed)
    : desc_(std::move(desc)), random_(Hash(desc_->name, seed)) {
  x = desc_->x;
  y = desc_->y;
  direction = desc_->direction;
  loopMode = desc_->loop ? 1 : 0;
  for (const LayerDesc& ld : desc_->layers) {
    std::unique_ptr<Layer> layer(new Layer);
    layer->owner = this;
    layer->desc = &ld;
    layer->types.resize(ld.types.size());
    for (size_t i = 0; i < ld.types.size(); ++i) {
      TypeState& t = layer->types[i];
      t.desc = &ld.types[i];
      BuildRamp(t.desc->colors, t.ramp);
      for (const FrameDesc& f : t.desc->frames) {
        MagicTexture rec = {};
        rec.file = f.file.c_str();
        rec.data = rec.file;
        rec.width = f.width;
        rec.height = f.height;
        rec.imageWidth = f.width;
        rec.imageHeight = f.height;
        rec.atlas = -1;
        t.textures.push_back(rec);
      }
    }
    layers.push_back(std::move(layer));
  }
}

void Emitter::Rewind() {
  time_ = 0;
  for (auto& layer : layers)
    for (TypeState& t : layer->types) {
      t.particles.clear();
      t.carry = 0;
    }
}

void Emitter::Restart() {
  Rewind();
  interrupt = false;
}

void Emitter::ToInterval1() {
  Restart();
  double step = std::max(1.0, double(desc_->step));
  double left = std::min(double(desc_->prewarm), kMaxUpdate);
  while (left > 0) {
    double dt = std::min(step, left);
    Step(dt);
    left -= dt;
  }
}

double Emitter::CycleLength() const {
  double d = desc_->duration;
  if (loopMode != 0) return d > 0 ? std::max(d, kMinCycle) : 0;
  return d;
}

bool Emitter::HasEnded() const {
  if (ParticleCount() > 0) return false;
  if (interrupt) return true;
  return loopMode == 0 && time_ >= double(desc_->duration);
}

bool Emitter::Update(double ms) {
  if (!(ms > 0)) ms = 0;
  ms = std::min(ms, kMaxUpdate);
  while (ms > 0) {
    double dt = std::min(ms, kMaxSubStep);
    double cycle = CycleLength();
    if (loopMode != 0 && cycle > 0) {
      // Never cross a cycle's end inside one step.
      double intoCycle = std::fmod(time_, cycle);
      dt = std::min(dt, cycle - intoCycle);
      if (dt <= 1e-9) dt = std::min(ms, kMaxSubStep);
    }
    Step(dt);
    ms -= dt;
  }
  if (HasEnded()) {
    Rewind();
    return false;
  }
  return true;
}

void Emitter::Step(double dt) {
  float s = float(dt / 1000.0);
  for (auto& layer : layers)
    for (TypeState& type : layer->types) {
      const TypeDesc& d = *type.desc;
      float dragFactor = d.drag > 0 ? std::exp(-d.drag * s) : 1.0f;
      float gx = d.gravityX * s, gy = d.gravityY * s;
      float ms = float(dt);
      std::vector<Particle>& ps = type.particles;
      for (size_t i = 0; i < ps.size();) {
        Particle& p = ps[i];
        p.age += ms;
        if (p.age >= p.life) {
          p = ps.back();
          ps.pop_back();
          continue;
        }
        p.vx = (p.vx + gx) * dragFactor;
        p.vy = (p.vy + gy) * dragFactor;
        p.x += p.vx * s;
        p.y += p.vy * s;
        p.angle += p.spin * s;
        ++i;
      }
    }
  double t0 = time_, t1 = time_ + dt;
  time_ = t1;
  if (interrupt) return;
  double cycle = CycleLength();
  double c0 = t0, c1 = t1;
  if (loopMode != 0 && cycle > 0) {
    c0 = std::fmod(t0, cycle);
    c1 = c0 + dt;
  }
  for (auto& layer : layers)
    for (TypeState& type : layer->types) Emit(*layer, type, c0, c1);
}

// Emits what the type owes for cycle times [c0, c1).
void Emitter::Emit(Layer& layer, TypeState& type, double c0, double c1) {
  const LayerDesc& ld = *layer.desc;
  const TypeDesc& d = *type.desc;
  double cycle = CycleLength();
  bool endless = loopMode != 0 && cycle <= 0;
  double start = ld.start;
  double stop = ld.stop < 0 ? (endless ? 1e300 : cycle) : double(ld.stop);
  if (!endless) stop = std::min(stop, cycle);
  // A burst at the window's start (for a one-shot only when the start lies inside its duration).
  bool burstAllowed = loopMode != 0 || start < cycle || start == 0;
  if (d.burst > 0 && burstAllowed && start >= c0 && start < c1)
    for (int i = 0; i < d.burst; ++i) Spawn(layer, type, c1 - start);
  double a = std::max(c0, start), b = std::min(c1, stop);
  if (b <= a || d.rate <= 0) return;
  double perMs = double(d.rate) / 1000.0;
  double owed = type.carry + perMs * (b - a);
  double whole = std::floor(owed);
  for (double k = 1; k <= whole; k += 1) {
    double born = a + (k - type.carry) / perMs;
    Spawn(layer, type, std::max(0.0, c1 - born));
  }
  type.carry = owed - whole;
}

void Emitter::Spawn(Layer& layer, TypeState& type, double age) {
  const TypeDesc& d = *type.desc;
  Particle p;
  p.life = random_.In(d.life);
  float angle = (direction + d.direction + d.spread * (random_.Unit() - 0.5f)) * kDegToRad;
  float speed = random_.In(d.speed);
  p.vx = std::cos(angle) * speed;
  p.vy = std::sin(angle) * speed;
  p.x = x + layer.desc->offsetX;
  p.y = y + layer.desc->offsetY;
  if (d.area == Area::kCircle) {
    float r = d.areaW * std::sqrt(random_.Unit());
    float a = random_.Unit() * float(2 * kPi);
    p.x += std::cos(a) * r;
    p.y += std::sin(a) * r;
  } else if (d.area == Area::kRect) {
    p.x += d.areaW * (random_.Unit() - 0.5f);
    p.y += d.areaH * (random_.Unit() - 0.5f);
  }
  p.size0 = random_.In(d.sizeStart);
  p.size1 = random_.In(d.sizeEnd);
  p.angle = random_.In(d.rotation);
  p.spin = random_.In(d.spin);
  p.frame = d.animate == Animate::kRandom && !d.frames.empty() ? int(random_.Next() % d.frames.size()) : 0;
  p.age = float(age);
  if (p.age >= p.life || int(type.particles.size()) >= d.maxCount) return;
  if (age > 0) {
    float s = float(age / 1000.0);
    p.vx += d.gravityX * s;
    p.vy += d.gravityY * s;
    if (d.drag > 0) {
      float f = std::exp(-d.drag * s);
      p.vx *= f;
      p.vy *= f;
    }
    p.x += p.vx * s;
    p.y += p.vy * s;
    p.angle += p.spin * s;
  }
  type.particles.push_back(p);
}

void Emitter::MoveTo(float nx, float ny) {
  if (positionMode) {
    float dx = nx - x, dy = ny - y;
    for (auto& layer : layers)
      for (TypeState& t : layer->types)
        for (Particle& p : t.particles) {
          p.x += dx;
          p.y += dy;
        }
  }
  x = nx;
  y = ny;
}

void Emitter::TurnTo(float degrees) {
  if (directionMode) {
    float a = (degrees - direction) * kDegToRad;
    float c = std::cos(a), s = std::sin(a);
    for (auto& layer : layers)
      for (TypeState& t : layer->types)
        for (Particle& p : t.particles) {
          float rx = p.x - x, ry = p.y - y;
          p.x = x + rx * c - ry * s;
          p.y = y + rx * s + ry * c;
          float vx = p.vx;
          p.vx = vx * c - p.vy * s;
          p.vy = vx * s + p.vy * c;
          p.angle += degrees - direction;
        }
  }
  direction = degrees;
}

int Emitter::ParticleCount() const {
  size_t n = 0;
  for (const auto& layer : layers)
    for (const TypeState& t : layer->types) n += t.particles.size();
  return int(n);
}

namespace {

// Shelf packing: rows left to right, a new row below the tallest frame of the last.
struct Shelves {
  int width, height, pad;
  int x, y, rowHeight;
  Shelves(int w, int h, int p) : width(w), height(h), pad(p), x(p), y(p), rowHeight(0) {}
  bool Place(int w, int h, int* ox, int* oy) {
    if (w + 2 * pad > width || h + 2 * pad > height) return false;
    if (x + w + pad > width) {
      y += rowHeight + pad;
      x = pad;
      rowHeight = 0;
    }
    if (y + h + pad > height) return false;
    *ox = x;
    *oy = y;
    x += w + pad;
    rowHeight = std::max(rowHeight, h);
    return true;
  }
};

int Scaled(int size, float scale) { return std::max(1, int(std::floor(float(size) * scale))); }

}  // namespace

int LayOutAtlases(const std::vector<Emitter*>& emitters, int width, int height, int step, float scaleStep) {
  int pad = std::max(0, std::min(step, 64));
  float shrink = scaleStep > 0.001f && scaleStep < 1 ? scaleStep : 0.1f;
  int atlases = 0;
  Shelves current(width, height, pad);
  for (Emitter* e : emitters)
    for (auto& layer : e->layers)
      for (TypeState& type : layer->types) {
        std::vector<MagicTexture>& recs = type.textures;
        std::vector<int> xs(recs.size()), ys(recs.size());
        auto fits = [&](Shelves& shelves, float s) {
          for (size_t i = 0; i < recs.size(); ++i)
            if (!shelves.Place(Scaled(recs[i].imageWidth, s), Scaled(recs[i].imageHeight, s), &xs[i], &ys[i]))
              return false;
          return true;
        };
        // The open atlas first, then a new one, shrinking until the frames fit.
        float scale = 1.0f;
        bool placed = false;
        if (atlases > 0) {
          Shelves trial = current;
          if (fits(trial, scale)) {
            current = trial;
            placed = true;
          }
        }
        for (int k = 0; !placed && recs.size() > 0; ++k) {
          scale = 1.0f - float(k) * shrink;
          if (scale <= 0.0f) break;
          Shelves trial(width, height, pad);
          if (fits(trial, scale)) {
            current = trial;
            ++atlases;
            placed = true;
          }
        }
        if (recs.empty()) placed = true;
        int index = placed ? std::max(0, atlases - 1) : -1;
        type.textureId = index;
        for (size_t i = 0; i < recs.size(); ++i) {
          MagicTexture& r = recs[i];
          r.atlasWidth = width;
          r.atlasHeight = height;
          r.atlas = index;
          if (!placed) {
            // Nothing fits: the frame has no place and no image to copy.
            r.width = r.height = 0;
            r.left = r.top = r.right = r.bottom = 0;
            r.data = nullptr;
            continue;
          }
          r.data = r.file;
          r.width = Scaled(r.imageWidth, scale);
          r.height = Scaled(r.imageHeight, scale);
          r.left = float(xs[i]) / float(width);
          r.top = float(ys[i]) / float(height);
          r.right = float(xs[i] + r.width) / float(width);
          r.bottom = float(ys[i] + r.height) / float(height);
        }
      }
  return atlases;
}

void ParticleCorners(const MagicParticle& p, const MagicTexture* t, MagicQuad* out) {
  float w = p.size * 0.5f;
  float h = w;
  if (t && t->imageWidth > 0 && t->imageHeight > 0) h = w * float(t->imageHeight) / float(t->imageWidth);
  static const float sx[4] = {-1, 1, 1, -1}, sy[4] = {-1, -1, 1, 1};
  if (p.angle == 0.0f) {
    for (int i = 0; i < 4; ++i) {
      out->x[i] = p.x + sx[i] * w;
      out->y[i] = p.y + sy[i] * h;
    }
    return;
  }
  float a = p.angle * kDegToRad;
  float c = std::cos(a), s = std::sin(a);
  for (int i = 0; i < 4; ++i) {
    float dx = sx[i] * w, dy = sy[i] * h;
    out->x[i] = p.x + dx * c - dy * s;
    out->y[i] = p.y + dx * s + dy * c;
  }
}

}  // namespace particles
