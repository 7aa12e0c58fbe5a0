// The particle library's simulation: emitters built from effect-file
// descriptions, their layers (sub-emitters) and particle types, the seedable
// generator, and the atlas layout of every loaded frame.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "plugins/particles/effectfile.h"
#include "plugins/particles/magic_api.h"

namespace particles {

// PCG32: small, fast and the same on every machine.
class Random {
public:
  explicit Random(uint64_t seed = 1) { Seed(seed); }
  void Seed(uint64_t seed);
  uint32_t Next();
  float Unit() { return float(Next() >> 8) * (1.0f / 16777216.0f); }  // [0, 1)
  float In(float lo, float hi) { return lo == hi ? lo : lo + (hi - lo) * Unit(); }
  float In(const Range& r) { return In(r.lo, r.hi); }

private:
  uint64_t state_ = 0, inc_ = 1;
};

struct Particle {
  float x, y, vx, vy;
  float age, life;  // ms
  float size0, size1;
  float angle, spin;
  int frame;
};

struct TypeState {
  const TypeDesc* desc = nullptr;
  std::vector<Particle> particles;
  double carry = 0;  // fractional particles owed by the rate
  int textureId = -1;
  std::vector<MagicTexture> textures;  // one record per frame; addresses stay put
  uint32_t ramp[256];                  // colour over life
};

class Emitter;

struct Layer {
  int handle = 0;
  Emitter* owner = nullptr;
  const LayerDesc* desc = nullptr;
  std::vector<TypeState> types;
};

class Emitter {
public:
  Emitter(std::shared_ptr<const EmitterDesc> desc, uint32_t seed);
  Emitter(const Emitter&) = delete;
  Emitter& operator=(const Emitter&) = delete;

  const EmitterDesc& Desc() const { return *desc_; }
  const std::shared_ptr<const EmitterDesc>& DescPtr() const { return desc_; }

  // Back to time 0 without particles (the generator runs on).
  void Rewind();
  // Time 0 with the interrupt cleared.
  void Restart();
  // Restarts and runs the pre-warm time in fixed steps.
  void ToInterval1();
  // Advances by `ms`; false when the effect has ended, which rewinds it.
  bool Update(double ms);
  bool InInterval() const { return time_ >= double(desc_->prewarm); }
  bool HasEnded() const;

  void MoveTo(float x, float y);
  void TurnTo(float degrees);
  int ParticleCount() const;
  double Time() const { return time_; }

  std::vector<std::unique_ptr<Layer>> layers;
  float x = 0, y = 0, direction = 0, scale = 1;
  int loopMode = 0;
  bool interpolation = true, positionMode = false, directionMode = false, interrupt = false;

private:
  void Step(double dt);
  void Emit(Layer& layer, TypeState& type, double c0, double c1);
  void Spawn(Layer& layer, TypeState& type, double age);
  double CycleLength() const;

  std::shared_ptr<const EmitterDesc> desc_;
  Random random_;
  double time_ = 0;
};

// Lays out the frames of every type of the emitters, in order, in atlases of
// width x height (frames `step` pixels apart and from the edges; a type that
// does not fit in an empty atlas shrinks by `scaleStep` until it does). Every
// type's frames share one atlas; each type's texture id becomes that atlas's
// index. Returns the number of atlases.
int LayOutAtlases(const std::vector<Emitter*>& emitters, int width, int height, int step, float scaleStep);

// The corners of a particle (see Magic_GetParticleRectangle).
void ParticleCorners(const MagicParticle& p, const MagicTexture* t, MagicQuad* out);

}  // namespace particles
