// What the display reads of the application shell: the host-window mode, the
// viewport scale, the restore tasks. Part of render/.
#pragma once

// True when the program runs inside another program's window ("-wnd=").
bool PlatformHasHostWindow();
// Viewport scaling (setting "viewportscale"): on, and the factor.
bool PlatformViewportScaling();
float PlatformViewportScale();
// Runs the platform's restore tasks (after the display's surfaces came back).
void PlatformRunRestoreTasks();
