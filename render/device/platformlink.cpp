// The display's view of the application shell.
#include "render/device/platformlink.h"

#include "platform/settings.h"
#include "platform/shell/platform.h"

namespace {
TApplication* App() {
  TPlatform* p = TPlatform::GetInstance();
  return p ? p->GetApplication() : nullptr;
}
}  // namespace

bool PlatformHasHostWindow() {
  TApplication* a = App();
  return a ? !a->hostWindow.empty() : !GetSettingString("hostwindow").IsEmpty();
}

bool PlatformViewportScaling() {
  if (TApplication* a = App()) return a->viewportScaling && a->viewportScale > 0.0f;
  float s = GetSettingFloat("viewportscale", 0.0f);
  return s > 0.0f && s != 1.0f;
}

float PlatformViewportScale() {
  if (!PlatformViewportScaling()) return 1.0f;
  if (TApplication* a = App()) return a->viewportScale;
  return GetSettingFloat("viewportscale", 1.0f);
}

void PlatformRunRestoreTasks() {
  if (TPlatform* p = TPlatform::GetInstance()) p->RunRestoreTasks();
}
