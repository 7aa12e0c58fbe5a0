// The entry points of the particle library (magic_api.h): handle tables over
// the effect files and emitters, and the "current particle type" of the
// drawing calls. Every entry point checks its handles and pointers: a stale
// or unknown handle gives an error, null, 0 or false and changes nothing.
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "plugins/particles/effectfile.h"
#include "plugins/particles/engine.h"
#include "plugins/particles/magic_api.h"

namespace particles {
namespace {

struct OpenFile {
  EffectFile file;
  int current = 0;  // folder index
};

struct State {
  int nextHandle = 1;
  uint32_t seed = 1;
  std::string lastError;
  std::map<int, std::unique_ptr<OpenFile>> files;
  std::map<int, std::unique_ptr<Emitter>> emitters;  // in load order (handles only grow)
  std::map<int, Layer*> layers;
  // The locked particle type.
  Layer* lockedLayer = nullptr;
  TypeState* locked = nullptr;
  size_t nextParticle = 0;
  MagicParticle scratch = {};

  int NewHandle() {
    int h = nextHandle;
    nextHandle = nextHandle >= 0x7FFFFFF0 ? 1 : nextHandle + 1;
    return h;
  }
};

State& S() {
  static State state;  // lives until the library is unloaded
  return state;
}

OpenFile* FileOf(int handle) {
  auto it = S().files.find(handle);
  return it == S().files.end() ? nullptr : it->second.get();
}

// An emitter handle, or the emitter owning a layer handle.
Emitter* EmitterOf(int handle) {
  State& s = S();
  auto it = s.emitters.find(handle);
  if (it != s.emitters.end()) return it->second.get();
  auto lt = s.layers.find(handle);
  return lt == s.layers.end() ? nullptr : lt->second->owner;
}

// A layer handle, or the first layer of an emitter handle.
Layer* LayerOf(int handle) {
  State& s = S();
  auto lt = s.layers.find(handle);
  if (lt != s.layers.end()) return lt->second;
  auto it = s.emitters.find(handle);
  if (it == s.emitters.end() || it->second->layers.empty()) return nullptr;
  return it->second->layers[0].get();
}

int AddEmitter(std::unique_ptr<Emitter> e) {
  State& s = S();
  int handle = s.NewHandle();
  for (auto& layer : e->layers) {
    layer->handle = s.NewHandle();
    s.layers[layer->handle] = layer.get();
  }
  s.emitters[handle] = std::move(e);
  return handle;
}

const std::string* EntryName(const EffectFile& f, const Entry& e) {
  if (e.emitter) {
    if (e.index < 0 || size_t(e.index) >= f.emitters.size()) return nullptr;
    return &f.emitters[size_t(e.index)]->name;
  }
  if (e.index < 0 || size_t(e.index) >= f.folders.size()) return nullptr;
  return &f.folders[size_t(e.index)].name;
}

const char* FindFrom(OpenFile* of, MagicFind* find) {
  if (!of || !find) return nullptr;
  if (find->folder < 0 || size_t(find->folder) >= of->file.folders.size() || find->next < 0) {
    find->name = nullptr;
    return nullptr;
  }
  const Folder& folder = of->file.folders[size_t(find->folder)];
  while (size_t(find->next) < folder.entries.size()) {
    const Entry& e = folder.entries[size_t(find->next)];
    ++find->next;
    bool wanted = e.emitter ? (find->mode & kMagicFindEmitters) != 0 : (find->mode & kMagicFindFolders) != 0;
    const std::string* name = EntryName(of->file, e);
    if (!wanted || !name) continue;
    find->isEmitter = e.emitter ? 1 : 0;
    find->name = name->c_str();
    return find->name;
  }
  find->name = nullptr;
  return nullptr;
}

bool Finite(float v) { return std::isfinite(v); }

}  // namespace
}  // namespace particles

using namespace particles;

extern "C" {

// --- Files and loading ---

int Magic_OpenFile(const char* path, int* file) {
  State& s = S();
  std::unique_ptr<OpenFile> of(new OpenFile);
  std::string error;
  if (!file || !LoadEffectFile(path, of->file, error)) {
    s.lastError = file ? error : "no handle to fill";
    return kMagicError;
  }
  s.lastError.clear();
  int handle = s.NewHandle();
  s.files[handle] = std::move(of);
  *file = handle;
  return kMagicSuccess;
}

int Magic_SetCurrentFolder(int file, const char* path) {
  OpenFile* of = FileOf(file);
  if (!of || !path) return kMagicError;
  const EffectFile& f = of->file;
  int folder = of->current;
  std::string p(path);
  size_t start = 0;
  if (!p.empty() && (p[0] == '/' || p[0] == '\\')) {
    folder = 0;
    start = 1;
  }
  while (start <= p.size()) {
    size_t end = p.find_first_of("/\\", start);
    if (end == std::string::npos) end = p.size();
    std::string part = p.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      // Going up from the root stays at the root.
      if (f.folders[size_t(folder)].parent >= 0) folder = f.folders[size_t(folder)].parent;
      continue;
    }
    int found = -1;
    for (const Entry& e : f.folders[size_t(folder)].entries)
      if (!e.emitter && f.folders[size_t(e.index)].name == part) {
        found = e.index;
        break;
      }
    if (found < 0) return kMagicError;
    folder = found;
  }
  of->current = folder;
  return kMagicSuccess;
}

const char* Magic_FindFirst(int file, MagicFind* find, int mode) {
  OpenFile* of = FileOf(file);
  if (!find) return nullptr;
  find->name = nullptr;
  find->isEmitter = 0;
  find->mode = mode;
  find->next = 0;
  find->folder = of ? of->current : -1;
  return FindFrom(of, find);
}

const char* Magic_FindNext(int file, MagicFind* find) { return FindFrom(FileOf(file), find); }

int Magic_LoadEmitter(int file, const char* name, int* emitter) {
  OpenFile* of = FileOf(file);
  if (!of || !name || !emitter) return kMagicError;
  const EffectFile& f = of->file;
  for (const Entry& e : f.folders[size_t(of->current)].entries) {
    if (!e.emitter || f.emitters[size_t(e.index)]->name != name) continue;
    std::unique_ptr<Emitter> em(new Emitter(f.emitters[size_t(e.index)], S().seed));
    *emitter = AddEmitter(std::move(em));
    return kMagicSuccess;
  }
  return kMagicError;
}

void Magic_CloseAllFiles(void) { S().files.clear(); }

int Magic_DuplicateEmitter(int emitter, int* copy) {
  State& s = S();
  auto it = s.emitters.find(emitter);
  if (it == s.emitters.end() || !copy) return kMagicError;
  const Emitter& from = *it->second;
  std::unique_ptr<Emitter> em(new Emitter(from.DescPtr(), s.seed));
  em->x = from.x;
  em->y = from.y;
  em->direction = from.direction;
  em->scale = from.scale;
  em->loopMode = from.loopMode;
  em->interpolation = from.interpolation;
  em->positionMode = from.positionMode;
  em->directionMode = from.directionMode;
  *copy = AddEmitter(std::move(em));
  return kMagicSuccess;
}

void Magic_UnloadEmitter(int emitter) {
  State& s = S();
  auto it = s.emitters.find(emitter);
  if (it == s.emitters.end()) return;
  for (auto& layer : it->second->layers) {
    if (s.lockedLayer == layer.get()) {
      s.lockedLayer = nullptr;
      s.locked = nullptr;
    }
    s.layers.erase(layer->handle);
  }
  s.emitters.erase(it);
}

// --- Options ---

void Magic_SetInterpolationMode(int emitter, bool on) {
  if (Emitter* e = EmitterOf(emitter)) e->interpolation = on;
}
bool Magic_IsInterpolationMode(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e && e->interpolation;
}
void Magic_SetLoopMode(int emitter, int mode) {
  if (Emitter* e = EmitterOf(emitter)) e->loopMode = mode != 0 ? 1 : 0;
}
void Magic_SetEmitterPositionMode(int emitter, bool on) {
  if (Emitter* e = EmitterOf(emitter)) e->positionMode = on;
}
bool Magic_GetEmitterPositionMode(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e && e->positionMode;
}
void Magic_SetEmitterDirectionMode(int emitter, bool on) {
  if (Emitter* e = EmitterOf(emitter)) e->directionMode = on;
}
bool Magic_GetEmitterDirectionMode(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e && e->directionMode;
}

// --- Atlases and particle types ---

int Magic_CreateAtlases(int width, int height, int step, float scaleStep) {
  if (width < 1 || height < 1 || width > 16384 || height > 16384 || !std::isfinite(scaleStep)) return kMagicError;
  std::vector<Emitter*> all;
  for (auto& e : S().emitters) all.push_back(e.second.get());
  LayOutAtlases(all, width, height, step, scaleStep);
  return kMagicSuccess;
}

int Magic_GetEmitterCount(int emitter) {
  State& s = S();
  auto it = s.emitters.find(emitter);
  if (it != s.emitters.end()) return int(it->second->layers.size());
  return s.layers.count(emitter) ? 1 : 0;
}

int Magic_GetEmitter(int emitter, int index) {
  State& s = S();
  auto it = s.emitters.find(emitter);
  if (it != s.emitters.end()) {
    if (index < 0 || size_t(index) >= it->second->layers.size()) return 0;
    return it->second->layers[size_t(index)]->handle;
  }
  return s.layers.count(emitter) && index == 0 ? emitter : 0;
}

int Magic_GetParticlesTypeCount(int emitter) {
  Layer* l = LayerOf(emitter);
  return l ? int(l->types.size()) : 0;
}

int Magic_LockParticlesType(int emitter, int index) {
  State& s = S();
  Layer* l = LayerOf(emitter);
  if (!l || index < 0 || size_t(index) >= l->types.size()) {
    s.lockedLayer = nullptr;
    s.locked = nullptr;
    return kMagicError;
  }
  s.lockedLayer = l;
  s.locked = &l->types[size_t(index)];
  s.nextParticle = 0;
  return kMagicSuccess;
}

void Magic_UnlockParticlesType(void) {
  S().lockedLayer = nullptr;
  S().locked = nullptr;
}

int Magic_GetTextureID(void) { return S().locked ? S().locked->textureId : -1; }

void Magic_SetTextureID(int id) {
  if (S().locked) S().locked->textureId = id;
}

int Magic_GetTextureCount(void) { return S().locked ? int(S().locked->textures.size()) : 0; }

const MagicTexture* Magic_GetTexture(int index) {
  TypeState* t = S().locked;
  if (!t || index < 0 || size_t(index) >= t->textures.size()) return nullptr;
  return &t->textures[size_t(index)];
}

bool Magic_IsIntensive(void) { return S().locked && S().locked->desc->additive; }

const MagicParticle* Magic_GetNextParticle(void) {
  State& s = S();
  TypeState* t = s.locked;
  if (!t || s.nextParticle >= t->particles.size()) return nullptr;
  const Particle& p = t->particles[s.nextParticle++];
  const Emitter& e = *s.lockedLayer->owner;
  const TypeDesc& d = *t->desc;
  float age = p.age / p.life;
  MagicParticle& out = s.scratch;
  float sc = e.scale;
  out.x = e.x + (p.x - e.x) * sc;
  out.y = e.y + (p.y - e.y) * sc;
  out.size = (p.size0 + (p.size1 - p.size0) * age) * sc;
  out.angle = p.angle;
  out.color = t->ramp[int(age * 255.0f + 0.5f) & 0xFF];
  out.age = age;
  int n = int(d.frames.size());
  switch (d.animate) {
    case Animate::kNone: out.frame = 0; break;
    case Animate::kRandom: out.frame = p.frame; break;
    case Animate::kLife: out.frame = std::min(n - 1, int(age * float(n))); break;
    case Animate::kLoop: out.frame = n > 0 ? int(std::fmod(double(p.age) * d.fps / 1000.0, double(n))) : 0; break;
  }
  if (out.frame < 0) out.frame = 0;
  return &out;
}

void Magic_GetParticleRectangle(const MagicParticle* particle, const MagicTexture* texture, MagicQuad* out) {
  if (!particle || !out) return;
  ParticleCorners(*particle, texture, out);
}

// --- Playing ---

const char* Magic_GetEmitterName(int emitter) {
  State& s = S();
  auto it = s.emitters.find(emitter);
  if (it != s.emitters.end()) return it->second->Desc().name.c_str();
  auto lt = s.layers.find(emitter);
  return lt == s.layers.end() ? nullptr : lt->second->desc->name.c_str();
}

bool Magic_IsInterval1(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e && e->Desc().prewarm > 0;
}

// The state is rebuilt by simulation: no cache file is read or written.
int Magic_EmitterToInterval1(int emitter, const char* cacheFile) {
  Emitter* e = EmitterOf(emitter);
  if (!e) return kMagicError;
  e->ToInterval1();
  return kMagicSuccess;
}

void Magic_Restart(int emitter) {
  if (Emitter* e = EmitterOf(emitter)) e->Restart();
}

bool Magic_InInterval(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e && e->InInterval();
}

bool Magic_IsInterrupt(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e && e->interrupt;
}

void Magic_SetInterrupt(int emitter, bool on) {
  if (Emitter* e = EmitterOf(emitter)) e->interrupt = on;
}

void Magic_Stop(int emitter) {
  if (Emitter* e = EmitterOf(emitter)) e->Rewind();
}

double Magic_GetUpdateTime(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e ? double(e->Desc().step) : 0.0;
}

bool Magic_Update(int emitter, double ms) {
  Emitter* e = EmitterOf(emitter);
  return e && e->Update(ms);
}

// --- Placing ---

void Magic_GetEmitterPosition(int emitter, float* x, float* y) {
  Emitter* e = EmitterOf(emitter);
  if (x) *x = e ? e->x : 0.0f;
  if (y) *y = e ? e->y : 0.0f;
}

void Magic_SetEmitterPosition(int emitter, float x, float y) {
  Emitter* e = EmitterOf(emitter);
  if (e && Finite(x) && Finite(y)) e->MoveTo(x, y);
}

float Magic_GetEmitterDirection(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e ? e->direction : 0.0f;
}

void Magic_SetEmitterDirection(int emitter, float degrees) {
  Emitter* e = EmitterOf(emitter);
  if (e && Finite(degrees)) e->TurnTo(degrees);
}

float Magic_GetScale(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e ? e->scale : 0.0f;
}

void Magic_SetScale(int emitter, float scale) {
  Emitter* e = EmitterOf(emitter);
  if (e && Finite(scale)) e->scale = scale;
}

// --- Extras ---

void Magic_SetRandomSeed(uint32_t seed) { S().seed = seed; }

const char* Magic_GetLastError(void) { return S().lastError.c_str(); }

int Magic_GetParticleCount(int emitter) {
  Emitter* e = EmitterOf(emitter);
  return e ? e->ParticleCount() : 0;
}

}  // extern "C"
