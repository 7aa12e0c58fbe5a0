// The display's view of the application shell.
#include "render/platformlink.h"

#include "platform/settings.h"

bool PlatformHasHostWindow() { return !GetSettingString("hostwindow").IsEmpty(); }

bool PlatformViewportScaling() {
  float s = GetSettingFloat("viewportscale", 0.0f);
  return s > 0.0f && s != 1.0f;
}

float PlatformViewportScale() { return PlatformViewportScaling() ? GetSettingFloat("viewportscale", 1.0f) : 1.0f; }

void PlatformRunRestoreTasks() {}
