// render/platform: the display the platform shell opens, put together from the whole library.
// How the display plugs into the platform shell: TPlatform::OpenDisplay makes
// the display (the display handler over the software display device,
// presenting through the host), and the platform's display calls (end of
// frame, flip test, out of video memory, cursor) reach the handler. The
// display gives the device the platform's own functions as hooks (restore
// tasks, drawing suspended, redraw, host window, viewport scale).
#pragma once

struct TPlatformHooks;

void AddDisplayHooks(TPlatformHooks& hooks);
