// The particle library's entry points: a plain C interface, loaded by the
// game at run time (dlopen/dlsym) and implemented by libmagic.so in this
// folder. The library depends on nothing of the program's; this header is the
// whole contract between the two sides.
//
// Conventions:
// - Handles (files, emitters, sub-emitters) are 32-bit integers, never 0.
// - Results are kMagicSuccess (-1) or kMagicError (-2).
// - Coordinates are the game's screen pixels; angles are degrees, clockwise
//   from the positive x axis (the screen's y axis points down).
// - Times are milliseconds as double; colours are 32-bit ARGB.
// - Main thread only: the library keeps a "current" particle type between
//   Magic_LockParticlesType and Magic_UnlockParticlesType.
// - Effect files are read by path with the C library, in the library's own
//   format (docs/particles.md).
#pragma once
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum { kMagicSuccess = -1, kMagicError = -2 };

// Magic_FindFirst modes: bit 1 lists folders, bit 2 emitters (3 both).
enum { kMagicFindFolders = 1, kMagicFindEmitters = 2 };

// One walk over the entries of the current folder of a file. The walk's
// state lives here, so nested walks use a record each.
typedef struct MagicFind {
  const char* name;  // the entry found last (also returned)
  int mode;          // as given to Magic_FindFirst
  int isEmitter;     // non-zero: the entry is an emitter; 0: a folder
  int folder;        // library's folder id of the walk
  int next;          // index of the next entry to look at
} MagicFind;

// One frame of a particle type: an image file and where the library placed
// it in its atlas. Lives as long as the emitter; Magic_CreateAtlases updates
// it in place.
typedef struct MagicTexture {
  const void* data;   // non-null when the frame has an image (points at `file`)
  const char* file;   // the image file name, relative to the texture folder
  float left, top, right, bottom;  // the frame's rectangle in the atlas, 0..1
  int width, height;               // the frame's size in atlas pixels
  int atlasWidth, atlasHeight;     // the atlas's size in pixels
  int atlas;                       // atlas index
  int imageWidth, imageHeight;     // the size the effect file gives the image
} MagicTexture;

// A living particle as Magic_GetNextParticle hands it out: already placed
// for drawing (emitter scale applied). Valid until the next call.
typedef struct MagicParticle {
  float x, y;         // centre, screen pixels
  float size;         // width in pixels (the height follows the frame's shape)
  float angle;        // degrees
  uint32_t color;     // ARGB
  int frame;          // index into the type's frames
  float age;          // 0..1 of the particle's life
  int reserved;
} MagicParticle;

// The four corners of a particle: top-left, top-right, bottom-right, bottom-left.
typedef struct MagicQuad {
  float x[4];
  float y[4];
} MagicQuad;

#if defined(__GNUC__)
#define MAGIC_API __attribute__((visibility("default")))
#else
#define MAGIC_API
#endif

// --- Files and loading ---
MAGIC_API int Magic_OpenFile(const char* path, int* file);
MAGIC_API int Magic_SetCurrentFolder(int file, const char* path);
MAGIC_API const char* Magic_FindFirst(int file, MagicFind* find, int mode);
MAGIC_API const char* Magic_FindNext(int file, MagicFind* find);
MAGIC_API int Magic_LoadEmitter(int file, const char* name, int* emitter);
MAGIC_API void Magic_CloseAllFiles(void);
MAGIC_API int Magic_DuplicateEmitter(int emitter, int* copy);
MAGIC_API void Magic_UnloadEmitter(int emitter);

// --- Options ---
MAGIC_API void Magic_SetInterpolationMode(int emitter, bool on);
MAGIC_API bool Magic_IsInterpolationMode(int emitter);
MAGIC_API void Magic_SetLoopMode(int emitter, int mode);
MAGIC_API void Magic_SetEmitterPositionMode(int emitter, bool on);
MAGIC_API bool Magic_GetEmitterPositionMode(int emitter);
MAGIC_API void Magic_SetEmitterDirectionMode(int emitter, bool on);
MAGIC_API bool Magic_GetEmitterDirectionMode(int emitter);

// --- Atlases and particle types ---
MAGIC_API int Magic_CreateAtlases(int width, int height, int step, float scaleStep);
MAGIC_API int Magic_GetEmitterCount(int emitter);
MAGIC_API int Magic_GetEmitter(int emitter, int index);
MAGIC_API int Magic_GetParticlesTypeCount(int emitter);
MAGIC_API int Magic_LockParticlesType(int emitter, int index);
MAGIC_API void Magic_UnlockParticlesType(void);
MAGIC_API int Magic_GetTextureID(void);
MAGIC_API void Magic_SetTextureID(int id);
MAGIC_API int Magic_GetTextureCount(void);
MAGIC_API const MagicTexture* Magic_GetTexture(int index);
MAGIC_API bool Magic_IsIntensive(void);
MAGIC_API const MagicParticle* Magic_GetNextParticle(void);
MAGIC_API void Magic_GetParticleRectangle(const MagicParticle* particle, const MagicTexture* texture,
                                          MagicQuad* out);

// --- Playing ---
MAGIC_API const char* Magic_GetEmitterName(int emitter);
MAGIC_API bool Magic_IsInterval1(int emitter);
MAGIC_API int Magic_EmitterToInterval1(int emitter, const char* cacheFile);
MAGIC_API void Magic_Restart(int emitter);
MAGIC_API bool Magic_InInterval(int emitter);
MAGIC_API bool Magic_IsInterrupt(int emitter);
MAGIC_API void Magic_SetInterrupt(int emitter, bool on);
MAGIC_API void Magic_Stop(int emitter);
MAGIC_API double Magic_GetUpdateTime(int emitter);
MAGIC_API bool Magic_Update(int emitter, double ms);

// --- Placing ---
MAGIC_API void Magic_GetEmitterPosition(int emitter, float* x, float* y);
MAGIC_API void Magic_SetEmitterPosition(int emitter, float x, float y);
MAGIC_API float Magic_GetEmitterDirection(int emitter);
MAGIC_API void Magic_SetEmitterDirection(int emitter, float degrees);
MAGIC_API float Magic_GetScale(int emitter);
MAGIC_API void Magic_SetScale(int emitter, float scale);

// --- Extras (optional for a caller; not among the entry points above) ---
// Seeds the generator of emitters loaded or duplicated afterwards (default 1).
MAGIC_API void Magic_SetRandomSeed(uint32_t seed);
// Why the last Magic_OpenFile failed ("" when it did not).
MAGIC_API const char* Magic_GetLastError(void);
// Living particles of an emitter and its sub-emitters.
MAGIC_API int Magic_GetParticleCount(int emitter);

#ifdef __cplusplus
}
#endif
