// render/device: the display device over render/sdev; it reaches the platform only through hooks.
// What the display reads of the application shell: whether it runs inside
// another program's window, and the viewport scale. The platform's side fills
// the link when it makes the display (render/platform/platformdisplay.cpp);
// without it the settings "hostwindow" and "viewportscale" answer.
// Part of render/; depends on platform/.
#pragma once
#include <functional>

struct TPlatformLink {
  // True when the program runs inside another program's window ("-wnd=").
  std::function<bool()> hasHostWindow;
  // The viewport scale while the viewport is scaled (setting "viewportscale"), else 0.
  std::function<float()> viewportScale;
};

// Replaces the link; an empty one leaves the answers to the settings.
void SetPlatformLink(TPlatformLink link);

bool PlatformHasHostWindow();
// Viewport scaling: on, and the factor (1 when off).
bool PlatformViewportScaling();
float PlatformViewportScale();
