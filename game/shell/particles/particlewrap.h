// game/shell/particles: the particle library binding and the game's particle effects.
// The particle wrapper: MP_Manager loads every emitter of the effect files,
// lays the particle pictures out in atlas textures and keeps the emitters;
// MP_Emitter gives one library emitter a play state; MP_FrameList and
// MP_Frame map a particle type and its frames to an atlas; MP_Atlas is one
// atlas texture. MP_Frame_WRAP and MP_Atlas_WRAP draw through the renderer,
// and BrindlewaxBuffer is the one quad batch all particles are drawn with.
// Every library call goes through the table of game/shell/particles/particlelib.h.
// Main thread only. Depends on render/ and platform/.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/shell/particles/particlelib.h"
#include "render/renderer.h"

class MP_Manager;
class MP_FrameList;

// Play states of an emitter.
enum : int { kEmitterStopped = 0, kEmitterRunning = 1, kEmitterInterrupted = 2 };

class MP_Emitter {
public:
  MP_Emitter(int handle, MP_Manager* manager);
  virtual ~MP_Emitter();
  MP_Emitter(const MP_Emitter&) = delete;
  MP_Emitter& operator=(const MP_Emitter&) = delete;

  // 0 stops (Magic_Stop unless it was interrupted), 1 runs (clearing an
  // interrupt), 2 lets the living particles play out. The same state again
  // does nothing; other values are stored as they are.
  void SetState(int state);
  int GetState() const { return state_; }
  // From the start, or from the start of the visible interval for a pre-warmed effect.
  void Restart();
  // Advances a running or interrupted emitter; falls back to 0 when the effect ended.
  void Update(double ms);
  // Draws the particles; the number drawn.
  int Render();
  // Moves the emitter. With `restart` it restarts first; without, the living
  // particles move along (the position mode is switched on for the move).
  void SetPosition(float x, float y, float z, bool restart);
  // Moves the emitter, leaving the position mode as it is.
  void MoveTo(float x, float y, float z);
  void GetPosition(float* x, float* y, float* z) const;
  void SetScale(float scale);
  // One frame list per particle type, after Magic_CreateAtlases.
  void BindTextures();

  int GetHandle() const { return handle_; }
  bool IsFirstStart() const { return firstStart_; }
  const std::string& GetCacheFile() const { return cacheFile_; }

  // Game fields: set when the game hands the emitter out. Until then it is
  // invisible and belongs to no owner (-1), so it is never drawn.
  bool visible = false;
  int ownerId = -1;
  uint8_t layer = 0xFF;
  int groupId = 0;

private:
  void IntervalCheck();
  void RemoveCacheFile();

  int state_ = kEmitterRunning;
  MP_Manager* manager_;
  int handle_;
  float z_ = 0;
  bool firstStart_ = true;
  std::string cacheFile_;
};

// The quad batch: 4 lit vertices and 6 indices per quad (triangles (0,1,2)
// and (3,0,2)). Starts with room for 10 quads and grows by a quarter.
class BrindlewaxBuffer {
public:
  // One draw holds at most this many quads (16-bit indices).
  static constexpr int kMaxQuads = 16384;

  BrindlewaxBuffer();
  virtual ~BrindlewaxBuffer() = default;
  // The four vertices of the next quad (null when kMaxQuads are held).
  TLitVertex* AddQuad();
  int GetCount() const { return count_; }
  int GetCapacity() const { return capacity_; }
  void Reset() { count_ = 0; }
  TLitVertex* GetVertices() { return vertices_.data(); }
  const uint16_t* GetIndices() const { return indices_.data(); }

private:
  void Grow(int capacity);
  int count_ = 0;
  int capacity_ = 0;
  std::vector<TLitVertex> vertices_;
  std::vector<uint16_t> indices_;
};

// The program-wide batch.
BrindlewaxBuffer& GetParticleBatch();

class MP_Frame {
public:
  explicit MP_Frame(MP_FrameList* owner) : owner_(owner) {}
  virtual ~MP_Frame() = default;
  // Stores the record and copies its picture into the list's atlas.
  virtual void SetTexture(const MagicTexture* texture);
  virtual void BeginDraw() {}
  virtual void EndDraw() {}
  virtual void DrawParticle(const MagicParticle* particle) = 0;
  virtual void SetIntensive(bool intensive) = 0;
  const MagicTexture* GetTexture() const { return texture_; }
  MP_FrameList* GetOwner() const { return owner_; }

protected:
  MP_FrameList* owner_;
  const MagicTexture* texture_ = nullptr;
};

class MP_Frame_WRAP : public MP_Frame {
public:
  explicit MP_Frame_WRAP(MP_FrameList* owner) : MP_Frame(owner) {}
  void BeginDraw() override;
  // Draws the batch with the list's atlas texture.
  void EndDraw() override;
  void DrawParticle(const MagicParticle* particle) override;
  // Sets the blend mode once per batch: additive when intensive, else alpha.
  void SetIntensive(bool intensive) override;
};

class MP_FrameList {
public:
  explicit MP_FrameList(MP_Manager* owner) : owner_(owner) {}
  virtual ~MP_FrameList() = default;
  void AddFrame(MP_Frame* frame) { frames_.emplace_back(frame); }
  int GetFrameCount() const { return int(frames_.size()); }
  MP_Frame* GetFrame(int i) const { return i >= 0 && i < GetFrameCount() ? frames_[size_t(i)].get() : nullptr; }
  MP_Manager* GetManager() const { return owner_; }
  int atlasIndex = -1;

private:
  MP_Manager* owner_;
  std::vector<std::unique_ptr<MP_Frame>> frames_;
};

class MP_Atlas {
public:
  virtual ~MP_Atlas() = default;
  // Copies the record's picture (from `folder`) into the record's place.
  virtual void Load(const MagicTexture* texture, const std::string& folder) = 0;
  // Back to transparent black.
  virtual void Clear() = 0;
};

class MP_Atlas_WRAP : public MP_Atlas {
public:
  MP_Atlas_WRAP(int width, int height);
  // A nearest-neighbour copy of the picture ("<folder><file>?alpha,slow"),
  // clipped to the atlas; nothing when the picture cannot be loaded or locked.
  void Load(const MagicTexture* texture, const std::string& folder) override;
  void Clear() override;
  TTextureRef GetTexture() const { return texture_; }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }

private:
  int width_, height_;
  TTextureRef texture_;
};

class MP_Manager {
public:
  MP_Manager();
  virtual ~MP_Manager();
  MP_Manager(const MP_Manager&) = delete;
  MP_Manager& operator=(const MP_Manager&) = delete;

  // Options for emitters loaded afterwards: interpolation (0 leaves the
  // emitter's own, 1 on, other values off), loop mode, move mode (position and
  // direction), and the folder of interval cache files (null keeps it; empty:
  // no cache files at all).
  void SetLoadOptions(int interpolation, int loopMode, bool moveMode, const char* cacheFolder);
  // Loads every emitter of an effect file (a name of the file layer or a
  // path); -1 on success, -2 when it cannot be opened.
  int LoadFile(const char* path);
  void CloseFiles();
  // Lays the frames out in atlases and binds every particle type to a fresh
  // frame list; the lists of an earlier call are dropped, the atlas textures
  // cleared and filled again.
  void CreateAtlases(const char* folder, int width, int height, int step, float scaleStep);
  void StopAll();
  void Update(double ms);

  int GetEmitterCount() const { return int(emitters_.size()); }
  MP_Emitter* GetEmitter(int index) const;
  MP_Emitter* FindEmitter(const char* name) const;

  MP_FrameList* AddFrameList();
  int GetFrameListCount() const { return int(frameLists_.size()); }
  MP_FrameList* GetFrameList(int index) const;
  // The atlas of that index, made at the record's atlas size when missing;
  // copies the record's picture into it when it has one. Null for a bad index.
  MP_Atlas* GetAtlas(int index, const MagicTexture* texture);
  int GetAtlasCount() const { return int(atlases_.size()); }
  MP_Atlas* GetAtlasAt(int index) const;

  int interpolation = 1;
  int loopMode = 1;
  bool moveMode = false;
  std::string textureFolder;
  std::string cacheFolder;

private:
  void LoadFolder(int file, const char* path, int depth);
  void LoadEmitter(int file, const char* name);

  std::vector<std::unique_ptr<MP_Emitter>> emitters_;
  std::vector<std::unique_ptr<MP_FrameList>> frameLists_;
  std::vector<std::unique_ptr<MP_Atlas>> atlases_;
};

// The counter of interval cache file names ("mp0", "mp1", ...).
int& ParticleCacheCounter();
