// DX error log lines.
#include "render/device/dxerror.h"

#include "platform/log.h"
#include "render/device/displayhandler.h"

const char* const kUnitDirectX = ".\\directx";
const char* const kUnitDdUtil = ".\\ddutil";
const char* const kUnitDisplayHandler = ".\\dxdisplayhandler";
const char* const kUnitTextureData = ".\\dxtexturedata";

void LogDxError(sdev::HResult hr, const char* unit, int line) {
  if (hr == sdev::err::kOutOfVideoMemory)
    if (TDisplayHandler* h = GetDisplayHandler()) h->OutOfVideoMemory();
  TraceOut("DX Error: %s (0x%x), File %s, Line %d", "", static_cast<unsigned>(hr), unit, line);
}
