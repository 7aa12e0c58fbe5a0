#include "game/shell/shadow.h"

#include "platform/log.h"

// Placeholder until the fade window lands.
void CSWithSh(const char* target, const char* script) {
  TraceOut("CSWithSh(%s, %s): no fade window yet", target ? target : "", script ? script : "");
}
