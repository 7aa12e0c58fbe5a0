// CDisplay: screen surfaces, presentation and plain surfaces (".\ddutil").
#include "render/device/display.h"

#include <algorithm>

#include "platform/log.h"
#include "platform/settings.h"
#include "render/device/dxerror.h"

using namespace sdev;

sdev::Guid CDisplay::chosenGuid_;
sdev::Guid* CDisplay::chosen_ = nullptr;

namespace {

constexpr uint32_t kFullScreenExclusive = kCoopFullScreen | kCoopExclusive;  // 0x11
// No popup; caption, sizing border and minimise box. The host window keeps
// the word; the window's real frame is the host's own (platform/host).
constexpr uint32_t kWindowStyleKeep = 0x7F39FFFFu;
constexpr uint32_t kWindowStyleAdd = kStyleCaption | kStyleSizeBox | kStyleMinimizeBox;

uint32_t FpuFlag() { return GetSettingBool("fpuprecision") ? kCoopFpuPreserve : 0; }

}  // namespace

void CDisplaySurface::Release() {
  if (surface) surface->Release();
  surface = nullptr;
}

CDisplay::~CDisplay() { CDisplay::Release(); }

HResult CDisplay::Release() {
  if (back_) back_->Release();
  back_ = nullptr;
  if (front_) front_->Release();
  front_ = nullptr;
  if (dd_) {
    dd_->SetCooperativeLevel(window_, kCoopNormal);
    dd_->Release();
    dd_ = nullptr;
  }
  return err::kOk;
}

HResult CDisplay::CreateFullScreenDisplay(HostWindow* window, int width, int height, int bitsPerPixel,
                                          uint32_t attempt) {
  uint32_t flags = attempt & 0xFFFF;
  for (uint32_t index = attempt >> 16;; ++index) {
    Release();
    HResult hr;
    if (index == 0) {
      hr = DirectDraw::Create(nullptr, &dd_);
    } else {
      int countdown = int(index);
      chosen_ = nullptr;
      DirectDraw::EnumerateDevices(3, [&](const Guid* guid, const std::string&) {
        --countdown;
        if (countdown < 0 && guid) {
          chosenGuid_ = *guid;
          chosen_ = &chosenGuid_;
          return false;
        }
        return true;
      });
      if (!chosen_) {
        TraceOut("Failed to create a DirectDraw device after trying all GUIDs");
        if (!created_)
          sdev::GetHost()->MessageBox(
              "Sorry, but this product isn't compatible with your display. Try using a different display (for "
              "instance, the main display in your laptop), if you have the option.",
              "Error");
        return err::kFail;
      }
      hr = DirectDraw::Create(chosen_, &dd_);
    }
    if (!Failed(hr)) hr = dd_->SetCooperativeLevel(window, kFullScreenExclusive | FpuFlag());
    int depth = bitsPerPixel;
    if (!Failed(hr)) {
      DDCaps caps;
      dd_->GetCaps(&caps, nullptr);
      if (caps.vidMemFree < 0x1000000u && depth > 16) depth = 16;
      const int asked = depth;  // the log lines name the depth asked for
      int remembered = 0;
      bool exact = false;
      dd_->EnumDisplayModes(uint32_t(width), uint32_t(height), [&](const SurfaceDesc& d) {
        int bpp = int(d.format.bitCount);
        if (bpp < 15) return true;
        if (!remembered) remembered = bpp;
        if (bpp == depth) {
          exact = true;
          return false;
        }
        if (bpp == 16) remembered = 16;
        return true;
      });
      if (!exact && remembered) depth = remembered;
      hr = dd_->SetDisplayMode(uint32_t(width), uint32_t(height), uint32_t(depth), 0, 0);
      if (Failed(hr)) TraceOut("Failed to create screen at %d bpp.", asked);
      else TraceOut("Created screen at %d bpp.", asked);
    }
    if (!Failed(hr)) {
      SurfaceDesc d;
      d.flags = kSdCaps | kSdBackBufferCount;
      d.caps = caps::kPrimary | caps::kFlip | caps::kComplex | caps::k3DDevice;
      d.caps2 = (flags & 4) ? caps::kCaps2Hint100 : 0;
      d.backBufferCount = 1;
      hr = dd_->CreateSurface(d, &front_);
      if (Failed(hr) && d.caps2) {
        TraceOut("FAILED to create front buffer with DDSCAPS2_ENABLEALPHACHANNEL");
        d.caps2 = 0;
        hr = dd_->CreateSurface(d, &front_);
      }
    }
    if (!Failed(hr)) hr = front_->GetAttachedSurface(caps::kBackBuffer, &back_);
    if (!Failed(hr)) {
      window_ = window;
      windowed_ = 0;
      UpdateBounds();
      BltFx fx;
      back_->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx);
      front_->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx);
      created_ = 1;
      return err::kOk;
    }
    DX_ERROR(hr, kUnitDdUtil);
  }
}

HResult CDisplay::CreateWindowedDisplay(HostWindow* window, HostWindow* clipWindow, int width, int height,
                                        bool backBufferInVideoMemory, uint32_t flags) {
  Release();
  HResult hr = DirectDraw::Create(nullptr, &dd_);
  if (Failed(hr)) return hr;
  if (Failed(dd_->SetCooperativeLevel(window, kCoopNormal | FpuFlag()))) return err::kFail;
  if (!(flags & 2) && window) {
    window->SetStyle((window->Style() & kWindowStyleKeep) | kWindowStyleAdd);
    Rect frame = window->AdjustForStyle(width, height);
    window->SetSize(frame.Width(), frame.Height());
    window->SetNotTopmost();
    Rect work = sdev::GetHost()->WorkArea(), wr = window->WindowRect();
    if (wr.left < work.left || wr.top < work.top)
      window->Move(std::max(wr.left, work.left), std::max(wr.top, work.top));
  }
  SurfaceDesc pd;
  pd.flags = kSdCaps;
  pd.caps = caps::kPrimary;
  hr = dd_->CreateSurface(pd, &front_);
  if (Failed(hr)) {
    DX_ERROR(hr, kUnitDdUtil);
    return hr;
  }
  SurfaceDesc bd;
  bd.flags = kSdCaps | kSdHeight | kSdWidth;
  bd.width = uint32_t(width);
  bd.height = uint32_t(height);
  bd.caps = caps::kOffscreenPlain | caps::k3DDevice | (backBufferInVideoMemory ? uint32_t(caps::kVideoMemory) : 0u);
  bd.caps2 = (flags & 4) ? caps::kCaps2Hint100 : 0;
  hr = dd_->CreateSurface(bd, &back_);
  if (Failed(hr)) {
    DX_ERROR(hr, kUnitDdUtil);
    return hr;
  }
  Clipper* clipper = nullptr;
  hr = dd_->CreateClipper(0, &clipper);
  if (Failed(hr)) {
    DX_ERROR(hr, kUnitDdUtil);
    return hr;
  }
  clipper->SetHWnd(0, clipWindow ? clipWindow : window);
  front_->SetClipper(clipper);
  clipper->Release();
  window_ = window;
  windowed_ = 1;
  UpdateBounds();
  BltFx fx;
  back_->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx);
  created_ = 1;
  return err::kOk;
}

HResult CDisplay::CreateSurface(CDisplaySurface** out, uint32_t width, uint32_t height, const PixelFormat* format,
                                const uint32_t* caps) {
  if (!dd_) return err::kPointer;
  if (!out) return err::kInvalidArg;
  SurfaceDesc d;
  d.flags = kSdCaps | kSdHeight | kSdWidth | (format ? kSdPixelFormat : 0);
  d.width = width;
  d.height = height;
  d.caps = caps ? *caps : static_cast<uint32_t>(caps::kOffscreenPlain);
  if (format) d.format = *format;
  auto* holder = new CDisplaySurface;
  HResult hr = dd_->CreateSurface(d, &holder->surface);
  if (Failed(hr)) {
    delete holder;
    *out = nullptr;
    return hr;
  }
  holder->surface->GetSurfaceDesc(&holder->desc);
  *out = holder;
  return err::kOk;
}

HResult CDisplay::Present() {
  if (!front_ || !back_) return err::kPointer;
  HResult hr;
  do {
    if (windowed_) {
      UpdateBounds();
      if (bounds_.IsEmpty()) return err::kOk;  // minimised: nothing to show
      BltFx fx;
      fx.noTearing = true;
      hr = front_->Blt(&bounds_, back_, nullptr, kBltWait | kBltDdFx, &fx);
    } else {
      hr = front_->Flip(nullptr, 0);
    }
  } while (hr == err::kWasStillDrawing);
  if (hr == err::kSurfaceLost) {
    front_->Restore();
    back_->Restore();
  }
  return hr;
}

void CDisplay::UpdateBounds() {
  if (windowed_) {
    if (window_) bounds_ = window_->ClientRectOnScreen();
  } else if (front_) {
    bounds_ = Rect{0, 0, int32_t(front_->Width()), int32_t(front_->Height())};
  } else {
    bounds_ = Rect{0, 0, sdev::GetHost()->SystemMetric(Metric::CxScreen),
                   sdev::GetHost()->SystemMetric(Metric::CyScreen)};
  }
}

void CDisplay::GetClientOrigin(int* x, int* y) {
  UpdateBounds();
  if (x) *x = bounds_.left;
  if (y) *y = bounds_.top;
}

HResult CDisplay::RestoreDisplayMode() {
  if (dd_) return dd_->RestoreDisplayMode();
  return err::kOk;
}
