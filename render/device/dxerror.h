// render/device: the display device over render/sdev; it reaches the platform only through hooks.
// DirectX failures of the display code: logged, never raised.
// Part of render/.
#pragma once
#include "render/sdev/sdev.h"

// Source-unit names used in the log lines.
extern const char* const kUnitDirectX;          // ".\directx"
extern const char* const kUnitDdUtil;           // ".\ddutil"
extern const char* const kUnitDisplayHandler;   // ".\dxdisplayhandler"
extern const char* const kUnitTextureData;      // ".\dxtexturedata"

// Reports out of video memory to the display's fallback first, then logs
// "DX Error:  (0x%x), File %s, Line %d".
void LogDxError(sdev::HResult hr, const char* unit, int line);
#define DX_ERROR(hr, unit) LogDxError((hr), (unit), __LINE__)
