// lantern: the program entry. Starts the framework with the game's main function.
#include "app/app.h"
#include "platform/settings.h"

namespace {
// Until the game's own main function joins, the program opens its display and
// pumps events until it is closed, presenting a frame at most every 12 ms.
void GameMain(TPlatform* platform, const TString& commandLine) {
  platform->OpenDisplay(1024, 768, GetSettingBool("fullscreen"));
  uint32_t lastFrame = platform->GetTime() - 12;
  TPlatformEvent event;
  for (platform->GetEvent(&event); event.type != kEventQuit; platform->GetEvent(&event)) {
    if (event.type == kEventClose) break;
    if ((event.type == kEventTick || event.type == kEventPaint) && platform->GetTime() - lastFrame >= 12 &&
        platform->IsFlipDone()) {
      lastFrame = platform->GetTime();
      platform->EndDraw(true);
    }
  }
}
}  // namespace

int main(int argc, char** argv) {
  ApplicationMain(argc, argv, GameMain);
  return 0;
}
