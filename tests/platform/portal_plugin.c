/* A portal module for the game-state tests: it keeps the pairs it receives
 * (readable through TestPluginLog) and asks for muting while "pause" is "1". */
#include <stdlib.h>
#include <string.h>

#include "platform/knmod.h"

static char gLog[4096];
static int gPaused;

static void SetState(void* context, const char* key, const char* value) {
  (void)context;
  size_t used = strlen(gLog);
  size_t need = strlen(key) + strlen(value) + 2;
  if (used + need < sizeof gLog) {
    strcat(gLog, key);
    strcat(gLog, "=");
    strcat(gLog, value);
    strcat(gLog, ";");
  }
  if (strcmp(key, "pause") == 0) gPaused = strcmp(value, "1") == 0;
}

static int QueryMute(void* context) {
  (void)context;
  return gPaused;
}

KnModHandler* CreateHandler(uint32_t hostAbi) {
  if (hostAbi != LANTERN_KNMOD_ABI) return NULL;
  KnModHandler* h = (KnModHandler*)calloc(1, sizeof *h);
  h->abi = LANTERN_KNMOD_ABI;
  h->set_state = SetState;
  h->query_mute = QueryMute;
  strcat(gLog, "created;");
  return h;
}

void DestroyHandler(KnModHandler* handler) { free(handler); }

const char* TestPluginLog(void) { return gLog; }
