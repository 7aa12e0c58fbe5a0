// Input scripts of headless runs, and the event source that turns their
// events (text included) into framework events.
#include <cstdint>
#include <string>

#include "platform/host/hosts.h"
#include "platform/host/inputscript.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static THeadlessHost* host = nullptr;
  static TPlatform* platform = [] {
    TPlatform* p = CreateHeadlessPlatform(TPlatformHooks(), &host).release();
    p->OpenDisplay(1024, 768, false);
    return p;
  }();
  std::vector<TScriptedEvent> events =
      ParseInputScript(std::string(reinterpret_cast<const char*>(data), size), nullptr);
  for (const auto& e : events) host->PushEvent(e.event, 0);
  TPlatformEvent event;
  // Every event gives at most a few framework events; a tick means nothing waits any more.
  for (size_t i = 0; i < events.size() * 8 + 16; ++i) {
    platform->GetEvent(&event);
    if (event.type == kEventTick && host->GetPendingEventCount() == 0) break;
  }
  return 0;
}
