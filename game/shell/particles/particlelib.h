// game/shell/particles: the particle library binding and the game's particle effects.
// The run-time binding of the particle library (plugins/particles,
// "libmagic.so"): its 44 entry points in one table of function pointers,
// loaded with dlopen on first use or at start-up.
//
// When the library or any one entry point is missing, the table in use is
// the null table: file and emitter calls give errors (-2), lookups null or 0,
// the yes/no calls false, Magic_Update false, and the rest do nothing. That
// is logged once ("Particle library <path> not available: <reason>"), and the
// game plays on without particles. Where the library is looked for is in
// docs/particles.md. Main thread only. Depends on platform/ (settings, file
// layer, log) and on the library's header, not on the library.
#pragma once
#include <string>

#include "plugins/particles/magic_api.h"

// X(return type, name without "Magic_", parameters, value of the null table)
#define LANTERN_MAGIC_ENTRY_POINTS(X)                                                                   \
  X(int, OpenFile, (const char*, int*), kMagicError)                                                    \
  X(int, SetCurrentFolder, (int, const char*), kMagicError)                                             \
  X(const char*, FindFirst, (int, MagicFind*, int), nullptr)                                            \
  X(const char*, FindNext, (int, MagicFind*), nullptr)                                                  \
  X(int, LoadEmitter, (int, const char*, int*), kMagicError)                                            \
  X(void, SetInterpolationMode, (int, bool), void())                                                    \
  X(void, SetLoopMode, (int, int), void())                                                              \
  X(void, SetEmitterPositionMode, (int, bool), void())                                                  \
  X(void, SetEmitterDirectionMode, (int, bool), void())                                                 \
  X(void, CloseAllFiles, (), void())                                                                    \
  X(int, CreateAtlases, (int, int, int, float), kMagicError)                                            \
  X(int, GetEmitterCount, (int), 0)                                                                     \
  X(int, GetEmitter, (int, int), 0)                                                                     \
  X(int, GetParticlesTypeCount, (int), 0)                                                               \
  X(int, LockParticlesType, (int, int), kMagicError)                                                    \
  X(int, GetTextureID, (), -1)                                                                          \
  X(void, SetTextureID, (int), void())                                                                  \
  X(int, GetTextureCount, (), 0)                                                                        \
  X(const MagicTexture*, GetTexture, (int), nullptr)                                                    \
  X(void, UnlockParticlesType, (), void())                                                              \
  X(const char*, GetEmitterName, (int), nullptr)                                                        \
  X(bool, IsInterval1, (int), false)                                                                    \
  X(int, EmitterToInterval1, (int, const char*), kMagicError)                                           \
  X(void, Restart, (int), void())                                                                       \
  X(bool, InInterval, (int), false)                                                                     \
  X(bool, IsInterrupt, (int), false)                                                                    \
  X(void, SetInterrupt, (int, bool), void())                                                            \
  X(void, Stop, (int), void())                                                                          \
  X(void, UnloadEmitter, (int), void())                                                                 \
  X(void, GetEmitterPosition, (int, float*, float*), void())                                            \
  X(void, SetEmitterPosition, (int, float, float), void())                                              \
  X(bool, GetEmitterPositionMode, (int), false)                                                         \
  X(void, SetScale, (int, float), void())                                                               \
  X(bool, IsInterpolationMode, (int), false)                                                            \
  X(double, GetUpdateTime, (int), 0.0)                                                                  \
  X(bool, Update, (int, double), false)                                                                 \
  X(bool, IsIntensive, (), false)                                                                       \
  X(const MagicParticle*, GetNextParticle, (), nullptr)                                                 \
  X(void, GetParticleRectangle, (const MagicParticle*, const MagicTexture*, MagicQuad*), void())        \
  X(int, DuplicateEmitter, (int, int*), kMagicError)                                                    \
  X(void, SetEmitterDirection, (int, float), void())                                                    \
  X(float, GetEmitterDirection, (int), 0.0f)                                                            \
  X(bool, GetEmitterDirectionMode, (int), false)                                                        \
  X(float, GetScale, (int), 0.0f)

// The entry points: table.OpenFile(...) calls Magic_OpenFile.
struct TMagicTable {
#define LANTERN_MAGIC_FIELD(ret, name, params, fallback) ret(*name) params;
  LANTERN_MAGIC_ENTRY_POINTS(LANTERN_MAGIC_FIELD)
#undef LANTERN_MAGIC_FIELD
};

constexpr int kMagicEntryPointCount = 44;

// The table in use: the library's once loaded, else the null table. The
// first call tries to load the library (LoadMagicLibrary with the default path).
const TMagicTable& Magic();
const TMagicTable& NullMagicTable();

// Where the library is looked for: the setting "particlelibrary" when set;
// else "libmagic.so" beside the program, in "../lib/lantern/" from the
// program's folder, or in the working folder or its "assets/" folder (the
// first that exists). Empty when none exists.
std::string FindMagicLibrary();

// Loads the library (from `path`, or FindMagicLibrary when empty) and
// resolves all 44 entry points. False, with one log line, when that fails;
// the null table is then used and later calls do not try again until
// UnloadMagicLibrary. True at once when it is loaded already.
bool LoadMagicLibrary(const std::string& path = std::string());
// Closes the library; the null table is in use until the next load.
void UnloadMagicLibrary();
bool IsMagicLibraryLoaded();
// The path of the loaded library (empty when none).
std::string GetMagicLibraryPath();

// Entry points beyond the 44, null when the library lacks them.
struct TMagicExtras {
  void (*SetRandomSeed)(uint32_t) = nullptr;
  const char* (*GetLastError)() = nullptr;
  int (*GetParticleCount)(int) = nullptr;
};
const TMagicExtras& MagicExtras();

// Tests: use this table instead of the library's (null restores the normal choice).
void SetMagicTable(const TMagicTable* table);
