// lantern: the program entry. Starts the framework with the game's main function.
#include "app/app.h"
#include "game/shell/gallery.h"
#include "game/shell/gamesettings.h"
#include "game/shell/playlog.h"
#include "game/shell/shadow.h"
#include "game/shell/userinfo.h"
#include "platform/settings.h"
#include "platform/stringtable.h"
#include "platform/time.h"
#include "ui/windowmanager.h"
#include "ui/windowscript.h"

namespace {
// Until the game's own main function joins, the program opens its display,
// runs the demo screen "scripts/mainloop.lua" and hands every event to the
// window manager (which draws a frame when something changed, at most every
// 12 ms) until it is closed or quits.
void GameMain(TPlatform* platform, const TString& commandLine) {
  if (TStringTable* strings = platform->GetStringTable()) platform->SetWindowTitle(strings->GetString("windowtitle"));
  platform->OpenDisplay(1024, 768, GetSettingBool("fullscreen"));
  TWindowManager* windows = platform->GetWindowManager();
  // The game's screens built so far: the gallery (with the fade that leaves
  // it), the player profiles and the tester's play statistics.
  if (windows) {
    RegisterGalleryWindowType(windows);
    windows->RegisterWindowType("Shadow", TShadow::ClassCreator());
  }
  LoadMainXml();
  RecreateUserInfo();
  StartPlayLog(commandLine.str());
  if (TWindowScript* script = windows ? windows->GetScript() : nullptr) script->RunFile("scripts/mainloop.lua");
  // A headless run, or one asked to stop after a number of frames, redraws on
  // every tick so that frame counts and screenshots work.
  bool headless = GetSettingBool("headless") || GetSettingInt("frames") > 0;
  // Frames are paced on platform time, which runs on while play time stops.
  uint32_t lastFrame = GetPlatformTime() - 12;
  TPlatformEvent event;
  for (platform->GetEvent(&event); event.type != kEventQuit && !platform->IsQuitPosted(); platform->GetEvent(&event)) {
    if (event.type == kEventClose) break;
    if (windows) {
      if (headless && event.type == kEventTick) windows->Invalidate();
      windows->HandleEvent(event);
      continue;
    }
    if ((event.type == kEventTick || event.type == kEventPaint) && GetPlatformTime() - lastFrame >= 12 &&
        platform->IsFlipDone()) {
      lastFrame = GetPlatformTime();
      platform->EndDraw(true);
    }
  }
  DeleteUserInfo();
  FinishPlayLog();
  if (event.type == kEventQuit) OpenGameOverPage();
}
}  // namespace

int main(int argc, char** argv) {
  return ApplicationMain(argc, argv, GameMain);
}
