// The game's particle effects over the particle wrapper.
#include "game/shell/particles/particles.h"

#include <memory>

#include "game/shell/particles/particlelib.h"
#include "game/shell/particles/particlewrap.h"
#include "platform/settings.h"
#include "platform/task.h"

const char* const kLoopingEffectFiles[15] = {
    "assets/particles/hint_1_komar1.ptc",       "assets/particles/fire.ptc",
    "assets/particles/hotspot.ptc",             "assets/particles/pil_for_camsite.ptc",
    "assets/particles/fire_for_loc_03.ptc",     "assets/particles/buldozer_for_program.ptc",
    "assets/particles/campsite_for_program.ptc", "assets/particles/waterfall.ptc",
    "assets/particles/large_tree.ptc",          "assets/particles/loc_16_fire.ptc",
    "assets/particles/loc_11_fire.ptc",         "assets/particles/waterfall_2.ptc",
    "assets/particles/loc_24_fire.ptc",         "assets/particles/loc_23_waterfall.ptc",
    "assets/particles/loc_12_waterfall_day.ptc",
};

const char* const kOneShotEffectFiles[7] = {
    "assets/particles/GPS_hint_1.ptc", "assets/particles/GPS_hint_2.ptc",   "assets/particles/GPS_hint_3.ptc",
    "assets/particles/ant3.ptc",       "assets/particles/bat1.ptc",         "assets/particles/predmet_found.ptc",
    "assets/particles/effect_screen_for_program.ptc",
};

namespace {

std::unique_ptr<MP_Manager> gManager;
std::vector<MP_Emitter*> gShown;

class TParticleTextureTask : public TTask {
public:
  bool DoTask() override {
    SetupParticleTextures();
    return true;
  }
};

}  // namespace

MP_Manager* GetParticleManager() { return gManager.get(); }

const std::vector<MP_Emitter*>& GetShownEmitters() { return gShown; }

void InitParticles() {
  if (gManager) return;
  gManager.reset(new MP_Manager);
  // A run with "particleseed" set gets other (still reproducible) particles.
  if (HasSetting("particleseed") && MagicExtras().SetRandomSeed)
    MagicExtras().SetRandomSeed(uint32_t(GetSettingInt("particleseed")));
  // Cache files: none (the empty folder); the library needs none.
  gManager->SetLoadOptions(1, 1, true, "");
  for (const char* file : kLoopingEffectFiles) gManager->LoadFile(file);
  gManager->SetLoadOptions(1, 0, false, "");
  for (const char* file : kOneShotEffectFiles) gManager->LoadFile(file);
  SetupParticleTextures();
  gManager->StopAll();
}

void SetupParticleTextures() {
  if (!gManager) return;
  gManager->CreateAtlases("particles/textures/", 1024, 1024, 1, 0.1f);
  gManager->CloseFiles();
}

TTask* NewParticleTextureTask() { return new TParticleTextureTask; }

void UpdateParticles(float dt) {
  if (gManager) gManager->Update(double(dt) * 1000.0);
}

void AddParticleEmitter(const char* name, float x, float y, int ownerId, bool visible, int groupId, uint8_t layer) {
  if (!gManager) return;
  MP_Emitter* e = gManager->FindEmitter(name);
  if (!e) return;
  if (e->GetState() != kEmitterStopped) e->SetState(kEmitterStopped);
  e->SetState(kEmitterRunning);
  float px = x, py = y;
  if (x < -100 && y < -100) e->GetPosition(&px, &py, nullptr);
  e->SetPosition(px, py, 0, false);
  e->groupId = groupId;
  e->visible = groupId != 0 ? visible : true;
  e->ownerId = ownerId;
  e->layer = layer;
  gShown.push_back(e);
}

void DrawParticleEmitter(int ownerId, float scale, const TRect& rect, uint8_t layer) {
  if (!gManager) return;
  for (int i = 0; i < gManager->GetEmitterCount(); ++i) {
    MP_Emitter* e = gManager->GetEmitter(i);
    if (e->ownerId != ownerId || e->layer != layer || !e->visible) continue;
    if (scale == 1.0f) {
      e->Render();
      continue;
    }
    // Magnified about the rectangle's centre M: the emitter goes to
    // M + (P - M) x scale with its living particles, and is drawn at that scale.
    float px = 0, py = 0, pz = 0;
    e->GetPosition(&px, &py, &pz);
    float mx = float(rect.left) + 0.5f * float(rect.Width());
    float my = float(rect.top) + 0.5f * float(rect.Height());
    e->SetPosition(mx + (px - mx) * scale, my + (py - my) * scale, pz, false);
    e->SetScale(scale);
    e->Render();
    e->SetPosition(px, py, pz, false);
    e->SetScale(1.0f);
  }
}

void SetOwnerEmittersVisible(int group, bool visible) {
  for (MP_Emitter* e : gShown)
    if (e->groupId == group) e->visible = visible;
}

bool AreOwnerEmittersVisible(int group) {
  for (MP_Emitter* e : gShown)
    if (e->groupId == group) return e->visible;
  return false;
}

void DestroyAllEmitters() {
  for (MP_Emitter* e : gShown) e->SetState(kEmitterStopped);
  gShown.clear();
}

void ShutdownParticles() {
  DestroyAllEmitters();
  gManager.reset();
  UnloadMagicLibrary();
}
