// game/shell/particles: the particle library binding and the game's particle effects.
// The game's particle effects: one particle manager for the whole run, the
// effect files loaded at start-up, and the functions screens use to show,
// draw and advance effects by their emitter names ("object_found",
// "hint_3", ...).
//
// Start-up and shut-down (the game's main function):
//   LoadMagicLibrary();                                  // particlelib.h; optional, else loaded on first use
//   InitParticles();                                     // after the display is open
//   platform->AddRestoreTask(NewParticleTextureTask());  // atlases rebuilt after a display restore
//   ...
//   ShutdownParticles();                                 // before the display goes
// Without the library every function here does nothing and draws nothing.
// Main thread only. Depends on render/ and platform/.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/geometry.h"

class MP_Emitter;
class MP_Manager;
class TTask;

// Creates the manager, loads the effect files ("assets/particles/*.ptc"),
// builds the atlases and stops every emitter. Again after ShutdownParticles only.
void InitParticles();
// Rebuilds the atlases ("particles/textures/", 1024 x 1024) and closes the files.
void SetupParticleTextures();
// A task for the platform's restore list: SetupParticleTextures after every
// restore of the display. The list owns it.
TTask* NewParticleTextureTask();
// Advances every running emitter by `dt` seconds.
void UpdateParticles(float dt);
// Restarts the emitter of that name at (x, y) (both below -100: where its
// effect file puts it) and lists it as shown. `visible` counts only for a
// group other than 0. Nothing happens for an unknown name.
void AddParticleEmitter(const char* name, float x, float y, int ownerId, bool visible, int groupId, uint8_t layer);
// Draws every visible emitter of that owner and layer. A scale other than 1
// magnifies about the centre of `rect`.
void DrawParticleEmitter(int ownerId, float scale, const TRect& rect, uint8_t layer);
void SetOwnerEmittersVisible(int group, bool visible);
// The visibility of the first listed emitter of the group; false when none is listed.
bool AreOwnerEmittersVisible(int group);
// Stops every listed emitter and empties the list (the emitters stay loaded).
void DestroyAllEmitters();
// DestroyAllEmitters, then the manager is deleted and the library closed.
void ShutdownParticles();

MP_Manager* GetParticleManager();
const std::vector<MP_Emitter*>& GetShownEmitters();

// The effect files loaded at start-up, in order: looping ones (loop mode 1,
// move mode on), then one-shots (loop mode 0, move mode off).
extern const char* const kLoopingEffectFiles[15];
extern const char* const kOneShotEffectFiles[7];
