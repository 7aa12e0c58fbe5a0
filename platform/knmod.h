/* The plug-in interface of portal modules (".knmod" files in the asset folder).
 *
 * A module is a shared object exporting, with C linkage:
 *   KnModHandler* CreateHandler(uint32_t hostAbi);   called once after loading
 *   void DestroyHandler(KnModHandler* handler);       called before unloading
 * CreateHandler gets LANTERN_KNMOD_ABI and returns null when it cannot work
 * with that host. The handler receives every game-state pair (key and value
 * are UTF-8 texts, valid only during the call) and may ask for the game to be
 * muted. All calls come from the game's main thread. Plain C, so modules can
 * be built by any compiler.
 */
#ifndef LANTERN_PLATFORM_KNMOD_H
#define LANTERN_PLATFORM_KNMOD_H
#include <stdint.h>

#define LANTERN_KNMOD_ABI 1u

typedef struct KnModHandler {
  uint32_t abi; /* LANTERN_KNMOD_ABI of the module */
  void* context; /* the module's own data, passed back on every call */
  void (*set_state)(void* context, const char* key, const char* value); /* required */
  int (*query_mute)(void* context); /* optional: non-zero asks for the game to be muted */
} KnModHandler;

typedef KnModHandler* (*KnModCreateHandlerFn)(uint32_t hostAbi);
typedef void (*KnModDestroyHandlerFn)(KnModHandler* handler);

#endif
