// How the display plugs into the platform shell: TPlatform::OpenDisplay makes
// the display (the display handler over the software display device,
// presenting through the host), and the platform's display calls (end of
// frame, flip test, out of video memory, cursor) reach the handler.
// Part of render/.
#pragma once

struct TPlatformHooks;

void AddDisplayHooks(TPlatformHooks& hooks);
