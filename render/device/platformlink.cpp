// The display's view of the application shell, through the link its side fills.
#include "render/device/platformlink.h"

#include <utility>

#include "platform/settings.h"

namespace {
TPlatformLink& Link() {
  static TPlatformLink link;
  return link;
}

// The scale while scaling, else 0.
float ScaleWhileScaling() {
  if (Link().viewportScale) return Link().viewportScale();
  float s = GetSettingFloat("viewportscale", 0.0f);
  return s > 0.0f && s != 1.0f ? s : 0.0f;
}
}  // namespace

void SetPlatformLink(TPlatformLink link) { Link() = std::move(link); }

bool PlatformHasHostWindow() {
  if (Link().hasHostWindow) return Link().hasHostWindow();
  return !GetSettingString("hostwindow").IsEmpty();
}

bool PlatformViewportScaling() { return ScaleWhileScaling() > 0.0f; }

float PlatformViewportScale() {
  float s = ScaleWhileScaling();
  return s > 0.0f ? s : 1.0f;
}
