// The particle wrapper classes: loading, atlases, play states and drawing.
#include "game/shell/particles/particlewrap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/folders.h"
#include "platform/log.h"
#include "render/textures/texture.h"

namespace {

// One blend change per batch: set by BeginDraw and EndDraw, used by SetIntensive.
bool gBlendPending = true;

// A folder with a trailing '/', unless it is empty or has one.
std::string WithSlash(const char* folder) {
  std::string f = folder ? folder : "";
  if (!f.empty() && f.back() != '/' && f.back() != '\\') f += '/';
  return f;
}

}  // namespace

int& ParticleCacheCounter() {
  static int counter = 0;
  return counter;
}

// ---------------------------------------------------------------------------
// The batch

BrindlewaxBuffer::BrindlewaxBuffer() { Grow(10); }

void BrindlewaxBuffer::Grow(int capacity) {
  int old = capacity_;
  capacity_ = std::min(capacity, kMaxQuads);
  vertices_.resize(size_t(capacity_) * 4);
  indices_.resize(size_t(capacity_) * 6);
  for (int q = old; q < capacity_; ++q) {
    for (int k = 0; k < 4; ++k) {
      TLitVertex& v = vertices_[size_t(q) * 4 + size_t(k)];
      v.z = 0.0f;
      v.reserved = 0;
      v.specular = 0;
    }
    static const int pattern[6] = {0, 1, 2, 3, 0, 2};
    for (int k = 0; k < 6; ++k) indices_[size_t(q) * 6 + size_t(k)] = uint16_t(4 * q + pattern[k]);
  }
}

TLitVertex* BrindlewaxBuffer::AddQuad() {
  if (count_ == capacity_) {
    if (capacity_ >= kMaxQuads) return nullptr;
    Grow(capacity_ + capacity_ / 4);
  }
  return &vertices_[size_t(count_++) * 4];
}

BrindlewaxBuffer& GetParticleBatch() {
  static BrindlewaxBuffer batch;
  return batch;
}

// ---------------------------------------------------------------------------
// Frames

void MP_Frame::SetTexture(const MagicTexture* texture) {
  texture_ = texture;
  if (owner_ && owner_->GetManager()) owner_->GetManager()->GetAtlas(owner_->atlasIndex, texture);
}

void MP_Frame_WRAP::BeginDraw() { gBlendPending = true; }

void MP_Frame_WRAP::SetIntensive(bool intensive) {
  if (!gBlendPending) return;
  gBlendPending = false;
  TRenderer::GetInstance()->SetBlendMode(intensive ? kBlendModeAdditive : kBlendModeAlpha);
}

void MP_Frame_WRAP::DrawParticle(const MagicParticle* particle) {
  if (!particle || !texture_) return;
  BrindlewaxBuffer& batch = GetParticleBatch();
  TLitVertex* v = batch.AddQuad();
  if (!v) {
    // A full batch is drawn, and the particle starts the next one.
    bool pending = gBlendPending;
    EndDraw();
    gBlendPending = pending;
    v = batch.AddQuad();
    if (!v) return;
  }
  MagicQuad quad;
  Magic().GetParticleRectangle(particle, texture_, &quad);
  const MagicTexture& t = *texture_;
  const float us[4] = {t.left, t.right, t.right, t.left};
  const float vs[4] = {t.top, t.top, t.bottom, t.bottom};
  for (int k = 0; k < 4; ++k) {
    v[k].x = quad.x[k];
    v[k].y = quad.y[k];
    v[k].diffuse = particle->color;
    v[k].u = us[k];
    v[k].v = vs[k];
  }
}

void MP_Frame_WRAP::EndDraw() {
  BrindlewaxBuffer& batch = GetParticleBatch();
  if (batch.GetCount() > 0) {
    TRenderer* r = TRenderer::GetInstance();
    TVertexSet* set = MakeVertexSet1(batch.GetVertices(), uint32_t(batch.GetCount()) * 4);
    MP_Manager* manager = owner_ ? owner_->GetManager() : nullptr;
    MP_Atlas_WRAP* atlas =
        manager ? dynamic_cast<MP_Atlas_WRAP*>(manager->GetAtlasAt(owner_->atlasIndex)) : nullptr;
    r->SetTexture(atlas ? atlas->GetTexture() : TTextureRef());
    r->DrawIndexedVertices(kPrimTriangleList, set, batch.GetIndices(), uint32_t(batch.GetCount()) * 6);
    batch.Reset();
    FreeVertexSet(set);
  }
  gBlendPending = true;
}

// ---------------------------------------------------------------------------
// Atlases

MP_Atlas_WRAP::MP_Atlas_WRAP(int width, int height) : width_(width), height_(height) {
  if (width > 0 && height > 0) texture_ = TTexture::CreateBlank(uint32_t(width), uint32_t(height), true);
  if (texture_) texture_->Clear();
}

void MP_Atlas_WRAP::Clear() {
  if (texture_) texture_->Clear();
}

void MP_Atlas_WRAP::Load(const MagicTexture* t, const std::string& folder) {
  if (!t || !t->file || !texture_ || t->width <= 0 || t->height <= 0) return;
  TTextureRef image = TTexture::GetFlagged(TString((folder + t->file + "?alpha,slow").c_str()));
  if (!image) return;
  int iw = int(image->GetWidth()), ih = int(image->GetHeight());
  if (iw <= 0 || ih <= 0) return;
  // The place the library gave the frame, clipped to this atlas's surface.
  float l = std::min(t->left, t->right), top = std::min(t->top, t->bottom);
  if (!std::isfinite(l) || !std::isfinite(top)) return;
  double fx = double(width_) * l, fy = double(height_) * top;
  if (fx < 0 || fy < 0 || fx >= width_ || fy >= height_) return;
  int x0 = int(fx), y0 = int(fy);
  uint32_t aw = 0, ah = 0;
  texture_->GetAllocatedSize(&aw, &ah);
  int fw = std::min(t->width, std::min(width_, int(aw)) - x0);
  int fh = std::min(t->height, std::min(height_, int(ah)) - y0);
  if (fw <= 0 || fh <= 0) return;
  uint32_t *dst = nullptr, *src = nullptr;
  uint32_t dstPitch = 0, srcPitch = 0;
  if (!texture_->Lock(&dst, &dstPitch)) return;
  if (!image->Lock(&src, &srcPitch)) {
    texture_->Unlock();
    return;
  }
  // Nearest neighbour: atlas pixel (x0 + x, y0 + y) takes image pixel (x * iw / w, y * ih / h).
  for (int y = 0; y < fh; ++y) {
    int sy = std::min(ih - 1, int(int64_t(y) * ih / t->height));
    uint32_t* row = dst + size_t(y0 + y) * dstPitch + size_t(x0);
    const uint32_t* from = src + size_t(sy) * srcPitch;
    for (int x = 0; x < fw; ++x) row[x] = from[std::min(iw - 1, int(int64_t(x) * iw / t->width))];
  }
  image->Unlock();
  texture_->Unlock();
}

// ---------------------------------------------------------------------------
// Emitters

MP_Emitter::MP_Emitter(int handle, MP_Manager* manager) : manager_(manager), handle_(handle) {}

MP_Emitter::~MP_Emitter() {
  RemoveCacheFile();
  Magic().UnloadEmitter(handle_);
}

void MP_Emitter::RemoveCacheFile() {
  if (cacheFile_.empty()) return;
  std::remove(cacheFile_.c_str());
  cacheFile_.clear();
}

void MP_Emitter::Restart() {
  RemoveCacheFile();
  const TMagicTable& m = Magic();
  if (m.IsInterval1(handle_)) {
    // Cache files only ever live in a cache folder of their own; without one
    // the library gets no file name and no file is touched.
    if (manager_ && !manager_->cacheFolder.empty()) {
      cacheFile_ = manager_->cacheFolder + "mp" + std::to_string(ParticleCacheCounter()++);
      if (firstStart_) std::remove(cacheFile_.c_str());
    }
    m.EmitterToInterval1(handle_, cacheFile_.empty() ? nullptr : cacheFile_.c_str());
  } else {
    m.Restart(handle_);
  }
  firstStart_ = false;
}

void MP_Emitter::IntervalCheck() {
  const TMagicTable& m = Magic();
  if (!firstStart_ && !m.InInterval(handle_))
    m.EmitterToInterval1(handle_, cacheFile_.empty() ? nullptr : cacheFile_.c_str());
}

void MP_Emitter::SetState(int state) {
  if (state == state_) return;
  const TMagicTable& m = Magic();
  switch (state) {
    case kEmitterRunning:
      if (m.IsInterrupt(handle_)) m.SetInterrupt(handle_, false);
      IntervalCheck();
      break;
    case kEmitterStopped:
      if (state_ != kEmitterInterrupted) m.Stop(handle_);
      break;
    case kEmitterInterrupted:
      IntervalCheck();
      m.SetInterrupt(handle_, true);
      break;
    default: break;
  }
  state_ = state;
}

void MP_Emitter::Update(double ms) {
  if (state_ != kEmitterRunning && state_ != kEmitterInterrupted) return;
  if (firstStart_) Restart();
  const TMagicTable& m = Magic();
  double dt = m.IsInterpolationMode(handle_) ? ms : m.GetUpdateTime(handle_);
  if (!m.Update(handle_, dt)) {
    if (state_ != kEmitterInterrupted) m.Stop(handle_);
    state_ = kEmitterStopped;
  }
}

int MP_Emitter::Render() {
  if (state_ == kEmitterStopped || !manager_) return 0;
  const TMagicTable& m = Magic();
  int drawn = 0;
  for (int i = m.GetEmitterCount(handle_) - 1; i >= 0; --i) {
    int sub = m.GetEmitter(handle_, i);
    if (!m.InInterval(sub)) continue;
    for (int j = m.GetParticlesTypeCount(sub) - 1; j >= 0; --j) {
      if (m.LockParticlesType(sub, j) != kMagicSuccess) continue;
      MP_FrameList* list = manager_->GetFrameList(m.GetTextureID());
      if (!list || list->GetFrameCount() == 0) {
        m.UnlockParticlesType();
        continue;
      }
      MP_Frame* first = list->GetFrame(0);
      first->BeginDraw();
      bool intensive = m.IsIntensive();
      for (int k = 0; k < list->GetFrameCount(); ++k) list->GetFrame(k)->SetIntensive(intensive);
      while (const MagicParticle* p = m.GetNextParticle()) {
        MP_Frame* frame = list->GetFrame(p->frame);
        if (!frame) continue;
        frame->DrawParticle(p);
        ++drawn;
      }
      first->EndDraw();
      if (intensive)
        for (int k = 0; k < list->GetFrameCount(); ++k) list->GetFrame(k)->SetIntensive(false);
      m.UnlockParticlesType();
    }
  }
  return drawn;
}

void MP_Emitter::SetPosition(float x, float y, float z, bool restart) {
  const TMagicTable& m = Magic();
  if (restart) {
    Restart();
    m.SetEmitterPosition(handle_, x, y);
  } else if (!m.GetEmitterPositionMode(handle_)) {
    m.SetEmitterPositionMode(handle_, true);
    m.SetEmitterPosition(handle_, x, y);
    m.SetEmitterPositionMode(handle_, false);
  } else {
    m.SetEmitterPosition(handle_, x, y);
  }
  z_ = z;
}

void MP_Emitter::MoveTo(float x, float y, float z) {
  Magic().SetEmitterPosition(handle_, x, y);
  z_ = z;
}

void MP_Emitter::GetPosition(float* x, float* y, float* z) const {
  float px = 0, py = 0;
  Magic().GetEmitterPosition(handle_, &px, &py);
  if (x) *x = px;
  if (y) *y = py;
  if (z) *z = z_;
}

void MP_Emitter::SetScale(float scale) { Magic().SetScale(handle_, scale); }

void MP_Emitter::BindTextures() {
  if (!manager_) return;
  const TMagicTable& m = Magic();
  int subs = m.GetEmitterCount(handle_);
  for (int i = 0; i < subs; ++i) {
    int sub = m.GetEmitter(handle_, i);
    int types = m.GetParticlesTypeCount(sub);
    for (int j = 0; j < types; ++j) {
      if (m.LockParticlesType(sub, j) != kMagicSuccess) continue;
      MP_FrameList* list = manager_->AddFrameList();
      list->atlasIndex = m.GetTextureID();
      m.SetTextureID(manager_->GetFrameListCount() - 1);
      int frames = m.GetTextureCount();
      for (int k = 0; k < frames; ++k) {
        MP_Frame* frame = new MP_Frame_WRAP(list);
        list->AddFrame(frame);
        frame->SetTexture(m.GetTexture(k));
      }
      m.UnlockParticlesType();
    }
  }
}

// ---------------------------------------------------------------------------
// The manager

MP_Manager::MP_Manager() = default;

MP_Manager::~MP_Manager() {
  emitters_.clear();
  frameLists_.clear();
  atlases_.clear();
}

void MP_Manager::SetLoadOptions(int interp, int loop, bool move, const char* folder) {
  interpolation = interp;
  loopMode = loop;
  moveMode = move;
  if (folder) cacheFolder = WithSlash(folder);
}

int MP_Manager::LoadFile(const char* path) {
  if (!path) return kMagicError;
  // The library reads by path: an asset name is found through the file layer
  // first (working folder, then "assets/"; pack archives are not seen).
  TString disk = GetDiskPath(TString(path));
  std::string file = disk.IsEmpty() ? std::string(path) : std::string(disk.c_str());
  const TMagicTable& m = Magic();
  int handle = 0;
  if (m.OpenFile(file.c_str(), &handle) != kMagicSuccess) {
    if (!disk.IsEmpty()) {
      const TMagicExtras& extras = MagicExtras();
      const char* why = extras.GetLastError ? extras.GetLastError() : nullptr;
      if (IsMagicLibraryLoaded())
        TraceOut("Particle effects: %s refused: %s", path, why && *why ? why : "it cannot be read");
    }
    return kMagicError;
  }
  LoadFolder(handle, "", 0);
  return kMagicSuccess;
}

void MP_Manager::LoadFolder(int file, const char* path, int depth) {
  const TMagicTable& m = Magic();
  m.SetCurrentFolder(file, path);
  if (depth < 64) {
    MagicFind find = {};
    for (const char* name = m.FindFirst(file, &find, kMagicFindFolders | kMagicFindEmitters); name;
         name = m.FindNext(file, &find)) {
      if (find.isEmitter) LoadEmitter(file, name);
      else LoadFolder(file, std::string(name).c_str(), depth + 1);
    }
  }
  m.SetCurrentFolder(file, "..");
}

void MP_Manager::LoadEmitter(int file, const char* name) {
  const TMagicTable& m = Magic();
  int handle = 0;
  if (m.LoadEmitter(file, name, &handle) != kMagicSuccess) return;
  emitters_.emplace_back(new MP_Emitter(handle, this));
  if (interpolation != 0) m.SetInterpolationMode(handle, interpolation == 1);
  m.SetLoopMode(handle, loopMode);
  m.SetEmitterPositionMode(handle, moveMode);
  m.SetEmitterDirectionMode(handle, moveMode);
}

void MP_Manager::CloseFiles() { Magic().CloseAllFiles(); }

void MP_Manager::CreateAtlases(const char* folder, int width, int height, int step, float scaleStep) {
  textureFolder = WithSlash(folder);
  Magic().CreateAtlases(width, height, step, scaleStep);
  // A second run (after the display came back) starts from fresh lists and
  // cleared atlases, so nothing piles up over many restores.
  frameLists_.clear();
  for (auto& atlas : atlases_)
    if (atlas) atlas->Clear();
  for (auto& e : emitters_) e->BindTextures();
}

void MP_Manager::StopAll() {
  for (auto& e : emitters_)
    if (e->GetState() != kEmitterStopped) e->SetState(kEmitterStopped);
}

void MP_Manager::Update(double ms) {
  for (auto& e : emitters_)
    if (e->GetState() == kEmitterRunning || e->GetState() == kEmitterInterrupted) e->Update(ms);
}

MP_Emitter* MP_Manager::GetEmitter(int index) const {
  return index >= 0 && index < GetEmitterCount() ? emitters_[size_t(index)].get() : nullptr;
}

MP_Emitter* MP_Manager::FindEmitter(const char* name) const {
  if (!name) return nullptr;
  const TMagicTable& m = Magic();
  for (const auto& e : emitters_) {
    const char* n = m.GetEmitterName(e->GetHandle());
    if (n && std::string(n) == name) return e.get();
  }
  return nullptr;
}

MP_FrameList* MP_Manager::AddFrameList() {
  frameLists_.emplace_back(new MP_FrameList(this));
  return frameLists_.back().get();
}

MP_FrameList* MP_Manager::GetFrameList(int index) const {
  return index >= 0 && index < GetFrameListCount() ? frameLists_[size_t(index)].get() : nullptr;
}

MP_Atlas* MP_Manager::GetAtlas(int index, const MagicTexture* texture) {
  if (index < 0 || index >= 4096 || !texture) return nullptr;
  if (size_t(index) >= atlases_.size()) atlases_.resize(size_t(index) + 1);
  if (!atlases_[size_t(index)]) {
    if (texture->atlasWidth <= 0 || texture->atlasHeight <= 0 || texture->atlasWidth > 8192 ||
        texture->atlasHeight > 8192)
      return nullptr;
    atlases_[size_t(index)].reset(new MP_Atlas_WRAP(texture->atlasWidth, texture->atlasHeight));
  }
  MP_Atlas* atlas = atlases_[size_t(index)].get();
  if (texture->data && texture->file) atlas->Load(texture, textureFolder);
  return atlas;
}

MP_Atlas* MP_Manager::GetAtlasAt(int index) const {
  return index >= 0 && index < GetAtlasCount() ? atlases_[size_t(index)].get() : nullptr;
}
