// TDXContext: device creation, quirks and presentation (".\directx").
#include "render/device/dxcontext.h"

#include <cstdio>
#include <cstring>

#include "platform/log.h"
#include "platform/random.h"
#include "platform/settings.h"
#include "render/device/displayhandler.h"
#include "render/device/dxerror.h"
#include "render/device/platformlink.h"

using namespace sdev;

std::string BytesToHexString(const void* bytes, int count) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  for (int i = 0; i < count; ++i) {
    out += kHex[p[i] >> 4];
    out += kHex[p[i] & 15];
  }
  return out;
}

bool IsWindowsVistaOrLater() { return sdev::GetHost()->OsAtLeast(6, 0); }
bool IsWindowsXPOrLater() { return sdev::GetHost()->OsAtLeast(5, 1); }

TDXContext::TDXContext(TDisplayHandler* owner) : owner_(owner) {
  uint32_t g[4];
  MakeGuid(g);
  char name[96];
  std::snprintf(name, sizeof name, "TDXContextMouseMutex:%x:%x:%x:%x", g[0], g[1], g[2], g[3]);
  mutexName_ = name;
  SetScreenParams();
}

TDXContext::~TDXContext() {
  std::lock_guard<std::recursive_timed_mutex> lock(mutex_);
  ReleaseDevice();
}

void TDXContext::SetScreenParams() {
  DesktopInfo d = sdev::GetHost()->GetDesktop();
  desktopColors_ = d.colorCount;
  desktopWidth_ = d.width;
  desktopHeight_ = d.height;
}

void TDXContext::ReleaseDevice() {
  std::lock_guard<std::recursive_timed_mutex> lock(mutex_);
  if (cursor_) cursor_->ReleaseSurfaces(*this);
  if (device_) device_->Release();
  device_ = nullptr;
  if (d3d_) d3d_->Release();
  d3d_ = nullptr;
  display_.RestoreDisplayMode();
  display_.Release();
  sdev::GetHost()->InvalidateDesktop();
}

bool TDXContext::Create(HostWindow* window, bool fullScreen, int width, int height, int bitsPerPixel,
                        uint32_t flags) {
  // Running inside another program's window: never full screen.
  if (PlatformHasHostWindow()) {
    fullScreen = false;
    windowedOutOfVideoMemory_ = false;
  }
  std::lock_guard<std::recursive_timed_mutex> lock(mutex_);
  return CreateLocked(window, fullScreen, width, height, bitsPerPixel, flags);
}

bool TDXContext::CreateLocked(HostWindow* window, bool fullScreen, int width, int height, int bitsPerPixel,
                              uint32_t flags) {
  ReleaseDevice();
  SetScreenParams();
  Host* host = sdev::GetHost();
  bool scaling = PlatformViewportScaling();
  float scale = PlatformViewportScale();

  if (!scaling && !fullScreen) {
    if (desktopWidth_ < width + host->SystemMetric(Metric::CxEdge) + host->SystemMetric(Metric::CxFrame) ||
        desktopHeight_ < height + host->SystemMetric(Metric::CyCaption) + host->SystemMetric(Metric::CyEdge) +
                             host->SystemMetric(Metric::CyFrame))
      return false;
  }
  if (desktopColors_ != -1) {
    if (desktopColors_ <= 16) {
      desktopRefused_ = true;
      return false;
    }
    if (!fullScreen) return false;
  }
  if (!fullScreen && windowedImpossible_) return false;

  int sw = width, sh = height;
  if (scaling) {
    sw = int(width * scale + 0.5f);
    sh = int(height * scale + 0.5f);
  }
  HResult hr;
  if (!fullScreen) {
    if (windowedOutOfVideoMemory_) return false;
    hr = display_.CreateWindowedDisplay(window, clipWindow_, sw, sh, device2EB_, flags);
    if (Failed(hr)) {
      if (hr == err::kOutOfVideoMemory) windowedOutOfVideoMemory_ = true;
      DX_ERROR(hr, kUnitDirectX);
      return false;
    }
  } else {
    hr = display_.CreateFullScreenDisplay(window, width, height, bitsPerPixel, flags & 0xFFFF);
    if (Failed(hr)) {
      DX_ERROR(hr, kUnitDirectX);
      return false;
    }
  }

  DirectDraw* dd = display_.GetDirectDraw();
  dd->GetDisplayMode(&displayMode_);
  hr = dd->QueryDirect3D(&d3d_);
  if (Failed(hr)) {
    DX_ERROR(hr, kUnitDirectX);
    return false;
  }

  // The device: the first passing hardware T&L device, else the last passing one.
  hwFound_ = false;
  bool chosenAny = false;
  uint32_t bpp = displayMode_.format.bitCount;
  uint32_t want = bpp == 8 ? kDdbd8 : bpp == 16 ? kDdbd16 : bpp == 24 ? kDdbd24 : kDdbd32;
  d3d_->EnumDevices([&](const std::string&, const D3DDeviceDesc& d) {
    bool hw = d.devCaps & kDevCapsHwRasterization;
    if (!hw && !scaling) return true;
    if (!(d.renderDepths & want) || !(d.triShadeCaps & kShadeCapsColorGouraudRgb)) return true;
    chosen_ = d;
    chosenAny = true;
    hwFound_ = hw;
    return !(hw && (d.devCaps & kDevCapsHwTransformAndLight));
  });
  if (!hwFound_ && !scaling) {
    TraceOut("TDXContext::Create failed! Could not find a hardware renderer.");
    return false;
  }
  if (!chosenAny) return false;

  zFormat_ = PixelFormat();
  d3d_->EnumZBufferFormats(chosen_.guid, [&](const PixelFormat& f) {
    if (f.flags == kPfZBuffer && f.bitCount >= 16) {
      zFormat_ = f;
      return false;
    }
    return true;
  });

  CDisplaySurface* z = nullptr;
  uint32_t zcaps = caps::kZBuffer | (hwFound_ ? caps::kVideoMemory : caps::kSystemMemory);
  Surface* back = display_.GetBackBuffer();
  hr = display_.CreateSurface(&z, back->Width(), back->Height(), &zFormat_, &zcaps);
  if (Failed(hr)) {
    if (!fullScreen && hr == err::kOutOfVideoMemory) windowedOutOfVideoMemory_ = true;
    DX_ERROR(hr, kUnitDirectX);
    return false;
  }
  hr = back->AddAttachedSurface(z->surface);
  if (Failed(hr)) DX_ERROR(hr, kUnitDirectX);
  delete z;  // the attachment keeps the surface

  hr = d3d_->CreateDevice(chosen_.guid, back, &device_);
  if (hr == err::kDevice2EB) {
    device2EB_ = true;
    return false;
  }
  if (hr == err::kDevice23C) {
    // Only full screen is left; the desktop is re-read on every Create, so the
    // refusal is kept in a byte of its own.
    desktopColors_ = 32;
    windowedImpossible_ = true;
    return false;
  }
  if (Failed(hr)) {
    DX_ERROR(hr, kUnitDirectX);
    return false;
  }

  if (cursor_) cursor_->ResetMouseState(*this);
  D3DDeviceDesc caps;
  device_->GetCaps(&caps);
  if (caps.maxTextureWidth < 1024 || caps.maxTextureHeight < 1024) {
    TraceOut("TDXContext::Create - context does not support 1024x1024 textures! Failing!");
    ReleaseDevice();
    return false;
  }

  DDCaps ddcaps;
  dd->GetCaps(&ddcaps, nullptr);
  DeviceIdentifier id;
  dd->GetDeviceIdentifier(&id, 0);
  TString text;
  text.AssignFormat(
      "Device identifier:  \n  Driver: '%s'\n  Description: '%s'\n  Version: %x:%x\n  Vendor ID: %x (%d)\n  Device "
      "ID: %x (%d)\n  SubSys:  : %x (%d)\n  Revision:  %x (%d)\n  GUID:      %x:%x:%x:%x\n",
      id.driver.c_str(), id.description.c_str(), unsigned(id.driverVersion >> 32), unsigned(id.driverVersion),
      id.vendorId, int(id.vendorId), id.deviceId, int(id.deviceId), id.subSysId, int(id.subSysId), id.revision,
      int(id.revision), id.guid.w[0], id.guid.w[1], id.guid.w[2], id.guid.w[3]);
  TraceOut("%s", text.c_str());
  deviceText_ += text;

  const std::string& desc = id.description;
  if (desc.find("Intel") != std::string::npos) {
    for (const char* chip : {"82810E", "82945", "82845", " 915", " 965 "})
      if (desc.find(chip) != std::string::npos) SetSetting("brokenindexedverts", "1");
  }
  if (desc == "SiS Mirage 3 Graphics" && owner_) owner_->driverQuirk = 1;

  if (GetSettingBool("largevramusage") && owner_ && owner_->driverQuirk && IsWindowsVistaOrLater() &&
      !HasPqArgument() && !scaling && bitsPerPixel > 16) {
    owner_->Data().sixteenBitMode = true;
    return CreateLocked(window, fullScreen, width, height, 16, flags);
  }

  deviceText_ += TString::Printf("DDCAPS: %s\n", BytesToHexString(&ddcaps, sizeof ddcaps).c_str());
  deviceText_ += TString::Printf("D3DDESC: %s\n", BytesToHexString(&chosen_, sizeof chosen_).c_str());
  return true;
}

void TDXContext::Clear(uint32_t flags) {
  if (!device_) return;
  HResult hr = device_->Clear(0, nullptr, flags, 0, 1.0f, 0);
  if (Failed(hr)) DX_ERROR(hr, kUnitDirectX);
}

bool TDXContext::PrepareBackBuffer() {
  if (display_.IsWindowed()) return true;
  std::lock_guard<std::recursive_timed_mutex> lock(mutex_);
  Surface* front = display_.GetFrontBuffer();
  Surface* back = display_.GetBackBuffer();
  if (!front || !back) return false;
  HResult hr = back->BltFast(0, 0, front, nullptr, kBltFastWait);
  if (Failed(hr)) {
    DX_ERROR(hr, kUnitDirectX);
    return false;
  }
  if (cursor_) cursor_->EraseFromBackBuffer(*this);
  return true;
}

HResult TDXContext::UpdateFrame() {
  std::lock_guard<std::recursive_timed_mutex> lock(mutex_);
  display_.UpdateBounds();
  // A cursor that cannot be prepared is left out; the frame is shown anyway.
  bool drawn = cursor_ && cursor_->DrawIntoBackBuffer(*this);
  if (display_.IsWindowed() && GetSettingBool("vsync") && display_.GetDirectDraw())
    display_.GetDirectDraw()->WaitForVerticalBlank(kWaitVbBlockBegin);
  HResult hr = display_.Present();
  // In full screen the back buffer keeps the cursor until PrepareBackBuffer erases it.
  if (drawn && cursor_) cursor_->AfterPresent(*this);
  return hr;
}

bool TDXContext::IsFlipDone() {
  Surface* back = display_.GetBackBuffer();
  if (!back) return false;
  if (display_.IsWindowed()) return true;
  // A lost device counts as done, so that the next frame gets to restore it.
  if (Failed(display_.GetDirectDraw()->TestCooperativeLevel())) return true;
  HResult hr = back->GetFlipStatus(kGfsIsFlipDone);
  return hr == err::kOk || hr == err::kSurfaceLost;
}
