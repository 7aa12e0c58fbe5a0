// The display handler (".\dxdisplayhandler"): display open and recovery,
// frames, drawing, clip rectangles and render targets.
#include "render/device/displayhandler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/file.h"
#include "platform/log.h"
#include "platform/readfile.h"
#include "platform/registry/asset.h"
#include "platform/settings.h"
#include "platform/time.h"
#include "render/device/dxcontext.h"
#include "render/device/dxerror.h"
#include "render/device/platformlink.h"

using namespace sdev;

namespace {

TDisplayHandler* g_handler = nullptr;
TTextureViewLookup g_viewLookup = nullptr;
bool g_sixteenBitOption = false;

constexpr const char* kDisplayFile = "common:display.xml";
constexpr uint32_t kResetIntervalMs = 1000;

}  // namespace

TDisplayHandler* GetDisplayHandler() { return g_handler; }

void SetTextureViewLookup(TTextureViewLookup lookup) { g_viewLookup = lookup; }

bool ViewTexture(const TTexture* texture, TTextureView* view) {
  *view = TTextureView();
  return texture && g_viewLookup && g_viewLookup(texture, view);
}

sdev::Surface* TextureSurface(const TTexture* texture) {
  TTextureView view;
  return ViewTexture(texture, &view) ? view.surface : nullptr;
}

TDisplayHandler* CreateDisplayHandler() {
  DestroyDisplayHandler();
  g_handler = new TDisplayHandler;
  return g_handler;
}

void DestroyDisplayHandler() {
  delete g_handler;
  g_handler = nullptr;
}

void SetSixteenBitModeOption(bool on) { g_sixteenBitOption = on; }

TDisplayHandler::TDisplayHandler() : context_(new TDXContext(this)) {
  static uint64_t made = 0;
  serial_ = ++made;
  data_.context = context_.get();
  data_.sixteenBitMode = g_sixteenBitOption;
  std::vector<uint8_t> bytes;
  if (ReadWholeFile(kDisplayFile, bytes, 4096)) {
    std::string text(bytes.begin(), bytes.end());
    if (text.find("lowvideomemory=\"1\"") != std::string::npos) data_.lowVideoMemory = true;
  }
}

TDisplayHandler::~TDisplayHandler() {
  if (savedArea_) savedArea_->Release();
  data_.renderTarget.reset();
  context_.reset();
  if (g_handler == this) g_handler = nullptr;
}

// --- Open, reset, restore ---

bool TDisplayHandler::Open(HostWindow* window, int width, int height, bool fullScreen) {
  window_ = window;
  width_ = width;
  height_ = height;
  fullScreen_ = fullScreen;
  scale_ = savedScale_ = PlatformViewportScale();
  return Reset();
}

bool TDisplayHandler::Reset() {
  if (width_ <= 0 || height_ <= 0) return false;
  lastReset_ = GetPlatformTime();
  data_.inScene = false;
  data_.sceneDepth = 0;
  data_.renderTarget.reset();
  if (savedArea_) savedArea_->Release();
  savedArea_ = nullptr;
  if (TAssetManager* am = GetAssetManager()) am->ReleaseAll();
  if (data_.lowVideoMemory) data_.sixteenBitMode = true;
  int bpp = data_.sixteenBitMode ? 16 : 32;
  bool full = fullScreen_;
  bool ok = context_->Create(window_, full, width_, height_, bpp, 1);
  if (!ok && context_->DeviceRefused2EB()) ok = context_->Create(window_, full, width_, height_, bpp, 1);
  if (!ok && !full && (context_->WindowedOutOfVideoMemory() || context_->WindowedImpossible())) {
    full = true;
    ok = context_->Create(window_, full, width_, height_, bpp, 1);
  }
  if (!ok && context_->DesktopRefused())
    sdev::GetHost()->MessageBox(
        "Sorry, but this product isn't compatible with your display. Try using a different display (for "
        "instance, the main display in your laptop), if you have the option.",
        "Error");
  FillData();
  if (!ok || !data_.device) {
    TraceOut("TDisplayHandler: the display could not be opened (%dx%d, %s)", width_, height_,
             full ? "full screen" : "windowed");
    return false;
  }
  fullScreen_ = full;
  int depth = int(context_->GetDisplayModeDesc().format.bitCount);
  if (depth_ && depth != depth_) context_->textureFormatReSearch = true;
  depth_ = depth;
  data_.squareTexturesOnly = context_->GetDeviceDesc().squareOnly != 0;
  data_.dxBroken = false;
  SetSetting("dxbroken", "0");
  clipStack_.clear();
  hasRendererViewport_ = false;
  data_.viewport = TRect();
  SetViewport(0, 0, width_, height_);
  BltFx fx;
  data_.backBuffer->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx);
  RunRestore();
  return true;
}

void TDisplayHandler::FillData() {
  data_.directDraw = context_->GetDirectDraw();
  data_.direct3D = context_->GetDirect3D();
  data_.device = context_->GetDevice();
  data_.backBuffer = context_->GetBackBuffer();
}

void TDisplayHandler::RunRestore() {
  if (TAssetManager* am = GetAssetManager()) am->RestoreAll();
  if (runRestoreTasks) runRestoreTasks();
}

bool TPlatformData::Restore() {
  TDisplayHandler* h = GetDisplayHandler();
  if (!h || &h->Data() != this) return false;
  if (!directDraw) return h->Reset();
  HResult hr = directDraw->TestCooperativeLevel();
  if (hr == err::kOk) {
    hr = directDraw->RestoreAllSurfaces();
    if (hr == err::kOk) {
      // Every surface came back with undefined contents: textures rebuild theirs.
      TraceOut("TPlatformData::Restore: surfaces restored");
      if (TAssetManager* am = GetAssetManager()) am->ReleaseAll();
      h->RunRestore();
      return true;
    }
  }
  if (hr == err::kNotExclusive) return false;  // the focus is still away: later
  return h->Reset();
}

bool TDisplayHandler::IsUsable() const { return data_.device && !data_.dxBroken; }

bool TDisplayHandler::IsFlipDone() {
  if (data_.dxBroken) return true;  // the next frame resets the display
  if (!data_.device) return false;
  return context_->IsFlipDone();
}

// --- Frames ---

bool TDisplayHandler::BeginDraw() {
  if (data_.inScene && data_.renderTarget && targetOwnsScene_ && !closingTarget_ &&
      data_.sceneDepth == targetDepth_) {
    // A render target opened outside a frame and never ended holds its own
    // frame open: left so, no later frame would ever be shown. The next
    // frame closes it first, as the end of a frame closes one left open.
    CloseLeftOpenTarget();
  }
  if (data_.inScene) {
    ++data_.sceneDepth;
    return true;
  }
  if (data_.dxBroken) {
    if (GetPlatformTime() - lastReset_ < kResetIntervalMs) return false;
    if (!Reset()) return false;
  }
  if (!data_.device) return false;
  Surface* front = context_->GetFrontBuffer();
  bool lost = data_.backBuffer->IsLost() || (front && front->IsLost()) ||
              data_.directDraw->TestCooperativeLevel() != err::kOk;
  if (lost && !data_.Restore()) return false;
  if (!data_.device) return false;
  if (!context_->PrepareBackBuffer()) return false;
  HResult hr = data_.device->BeginScene();
  if (Failed(hr)) {
    if (hr == err::kSurfaceLost)
      data_.Restore();
    else
      DX_ERROR(hr, kUnitDisplayHandler);
    return false;
  }
  brokenIndexed_ = GetSettingBool("brokenindexedverts");
  data_.inScene = true;
  data_.sceneDepth = 1;
  if (!data_.renderTarget) {
    clipStack_.clear();
    SetViewport(0, 0, width_, height_);
  }
  return true;
}

void TDisplayHandler::EndDraw(bool present) {
  if (!data_.inScene) return;
  if (data_.renderTarget && !closingTarget_ && data_.sceneDepth == targetDepth_) {
    // The frame a render target was opened in ends while the target is still
    // open: the target is closed first (its contents reach the texture), then
    // the frame ends and is shown as usual.
    CloseLeftOpenTarget();
    if (!data_.inScene) {
      // The target had begun this frame itself (it was opened outside one).
      if (!present || !data_.device) return;
      HResult hr = context_->UpdateFrame();
      if (hr == err::kSurfaceLost) data_.Restore();
      return;
    }
  }
  if (data_.sceneDepth > 1) {
    --data_.sceneDepth;
    return;
  }
  data_.inScene = false;
  data_.sceneDepth = 0;
  if (!data_.device) return;
  HResult hr = data_.device->EndScene();
  if (hr == err::kScene2FB) {
    MarkDxBroken();
    return;
  }
  if (Failed(hr) && hr != err::kSurfaceLost) DX_ERROR(hr, kUnitDisplayHandler);
  if (present && !Failed(hr) && !(isDrawingSuspended && isDrawingSuspended())) hr = context_->UpdateFrame();
  if (hr == err::kSurfaceLost) {
    TraceOut("TPlatform::EndDraw: DDERR_SURFACELOST on UpdateFrame or EndScene");
    data_.Restore();
  } else if (Failed(hr)) {
    DX_ERROR(hr, kUnitDisplayHandler);
    TraceOut("TPlatform::EndDraw: Unexpected error (see above) on UpdateFrame or EndScene");
    data_.Restore();
  }
}

// --- Drawing ---

uint32_t TDisplayHandler::ApplyVertexFormat(const TVertexSet* set) {
  if (!set || !data_.device) return 0;
  switch (set->format) {
    case 0: data_.device->SetRenderState(RS::Lighting, 1); return fvf::kVertex;
    case 1:
    case 2: data_.device->SetRenderState(RS::Lighting, 0); return fvf::kLVertex;
    case 3: data_.device->SetRenderState(RS::Lighting, 0); return fvf::kTLVertex;
    default: return 0;
  }
}

namespace {

// Pre-transformed positions are game pixels; the back buffer may be scaled.
const void* ScaledVertices(const TVertexSet* set, float scale, std::vector<uint8_t>& buffer) {
  if (set->format != 3 || scale == 1.0f) return set->vertices;
  buffer.resize(size_t(set->count) * 32);
  std::memcpy(buffer.data(), set->vertices, buffer.size());
  for (uint32_t i = 0; i < set->count; ++i) {
    float* f = reinterpret_cast<float*>(buffer.data() + size_t(i) * 32);
    f[0] *= scale;
    f[1] *= scale;
  }
  return buffer.data();
}

}  // namespace

void TDisplayHandler::HandleDrawResult(HResult hr) {
  if (!Failed(hr)) return;
  if (hr == err::kOutOfVideoMemory) {
    TraceOut("DrawVertices out of video memory");
    OutOfVideoMemory();
  } else if (hr == err::kSurfaceLost) {
    // The loss is handled at the end of the frame.
  } else if (hr == err::kInvalidArg) {
    TraceOut("DrawVertices: refused vertices or indices (0x%x)", unsigned(hr));
  } else {
    DX_ERROR(hr, kUnitDisplayHandler);
    MarkDxBroken();
  }
}

void TDisplayHandler::DrawVertices(int type, const TVertexSet* set) {
  if (data_.dxBroken || !data_.device || !set) return;
  uint32_t fvf = ApplyVertexFormat(set);
  if (!fvf) {
    TraceOut("DrawVertices: unknown vertex format %d", set->format);
    return;
  }
  if (brokenIndexed_) {
    uint32_t count = std::min<uint32_t>(set->count, 0xFFFF);
    if (data_.identityCapacity < count) {
      uint32_t cap = data_.identityCapacity ? data_.identityCapacity : 1;
      while (cap < count) cap = std::min<uint32_t>(cap * 2, 0xFFFF);
      data_.identityIndices.resize(cap);
      for (uint32_t i = 0; i < cap; ++i) data_.identityIndices[i] = uint16_t(i);
      data_.identityCapacity = uint16_t(cap);
    }
    if (set->count > count) TraceOut("DrawVertices: %u vertices cut to %u", set->count, count);
    DrawIndexedVertices(type, set, data_.identityIndices.data(), count);
    return;
  }
  const void* verts = ScaledVertices(set, scale_, scaled_);
  HandleDrawResult(data_.device->DrawPrimitive(PrimType(type), fvf, verts, set->count, 0));
}

void TDisplayHandler::DrawIndexedVertices(int type, const TVertexSet* set, const uint16_t* indices, uint32_t count) {
  if (data_.dxBroken || !data_.device || !set) return;
  uint32_t fvf = ApplyVertexFormat(set);
  if (!fvf) return;
  const uint8_t* verts = static_cast<const uint8_t*>(ScaledVertices(set, scale_, scaled_));
  HResult hr;
  if (indexedExpansion && driverQuirk) {
    for (uint32_t i = 0; i < count; ++i) {
      if (indices[i] >= set->count) {
        TraceOut("DrawIndexedVertices: index %u beyond %u vertices", indices[i], set->count);
        return;
      }
    }
    scratch_.resize(size_t(count) * 32);
    for (uint32_t i = 0; i < count; ++i) std::memcpy(&scratch_[size_t(i) * 32], verts + size_t(indices[i]) * 32, 32);
    hr = data_.device->DrawPrimitive(PrimType(type), fvf, scratch_.data(), count, 0);
  } else {
    hr = data_.device->DrawIndexedPrimitive(PrimType(type), fvf, verts, set->count, indices, count, 0);
  }
  HandleDrawResult(hr);
}

void TDisplayHandler::FillRect(int left, int top, int right, int bottom, uint32_t argb, TTexture* target) {
  Surface* s = target ? TextureSurface(target) : data_.backBuffer;
  if (!s) return;
  Rect r{left, top, right, bottom};
  if (!target && scale_ != 1.0f)
    r = Rect{int(std::lround(left * scale_)), int(std::lround(top * scale_)), int(std::lround(right * scale_)),
             int(std::lround(bottom * scale_))};
  r = Intersect(r, Rect{0, 0, int32_t(s->Width()), int32_t(s->Height())});
  if (r.IsEmpty()) return;
  BltFx fx;
  fx.fillColor = EncodeColor(s->Format(), argb);
  HResult hr = s->Blt(&r, nullptr, nullptr, kBltColorFill, &fx);
  if (Failed(hr) && hr != err::kSurfaceLost) DX_ERROR(hr, kUnitDisplayHandler);
}

// --- Clip rectangles ---

void TDisplayHandler::SetViewport(int left, int top, int right, int bottom) {
  data_.clipViewport = TRect(left, top, right, bottom);
  ApplyDeviceViewport();
}

void TDisplayHandler::SetRendererViewport(const TRect& r, bool on) {
  hasRendererViewport_ = on;
  data_.viewport = on ? r : TRect();
  ApplyDeviceViewport();
}

void TDisplayHandler::ApplyDeviceViewport() {
  if (!data_.device) return;
  const TRect& c = data_.clipViewport;
  Viewport vp;
  vp.x = int32_t(std::lround(c.left * scale_));
  vp.y = int32_t(std::lround(c.top * scale_));
  vp.width = uint32_t(std::max<long>(1, std::lround(c.Width() * scale_)));
  vp.height = uint32_t(std::max<long>(1, std::lround(c.Height() * scale_)));
  data_.device->SetViewport(vp);
  float proj[16];
  dx::OrthoOffCenter(proj, 0.f, float(vp.width) / scale_, float(vp.height) / scale_, 0.f, 0.f, 1.f);
  data_.device->SetTransform(Transform::Projection, proj);
  TRect clip = c;
  if (hasRendererViewport_) clip = clip.Intersect(data_.viewport);
  if (c.IsEmpty()) clip = TRect();
  Rect dclip{int32_t(std::lround(clip.left * scale_)), int32_t(std::lround(clip.top * scale_)),
             int32_t(std::lround(clip.right * scale_)), int32_t(std::lround(clip.bottom * scale_))};
  if (clip.IsEmpty()) dclip = Rect{0, 0, 0, 0};
  data_.device->SetClipRect(&dclip);
}

void TDisplayHandler::PushClipRect(int left, int top, int right, int bottom) {
  clipStack_.push_back(data_.clipViewport);
  SetViewport(left, top, right, bottom);
}

void TDisplayHandler::PopClipRect() {
  if (clipStack_.empty()) {
    SetViewport(0, 0, width_, height_);
    return;
  }
  TRect r = clipStack_.back();
  clipStack_.pop_back();
  SetViewport(r.left, r.top, r.right, r.bottom);
}

void TDisplayHandler::SetViewportScale(float s) {
  scale_ = s > 0 ? s : 1.0f;
  ApplyDeviceViewport();
}

// --- Render targets ---

bool TDisplayHandler::BeginRenderTarget(const TTextureRef& texture, int mode, bool* taken) {
  if (!data_.device || data_.dxBroken || !texture || data_.renderTarget) return false;
  Surface* ts = TextureSurface(texture.get());
  if (!ts) {
    TraceOut("BeginRenderTarget: the texture has no surface");
    return false;
  }
  if (taken) *taken = true;
  data_.renderTargetMode = mode;
  data_.renderTarget = texture;
  targetOwnsScene_ = false;
  TRect oldViewport = data_.viewport;
  bool oldHasViewport = hasRendererViewport_;
  savedScale_ = scale_;
  scale_ = 1.0f;
  int tw = int(ts->Width()), th = int(ts->Height());
  PushClipRect(0, 0, tw, th);
  SetRendererViewport(data_.clipViewport, true);
  if (invalidateWindows) invalidateWindows();
  Surface* back = data_.backBuffer;
  Rect area{0, 0, std::min(tw, int(back->Width())), std::min(th, int(back->Height()))};
  if (data_.inScene && !area.IsEmpty()) {
    // Inside a frame the target borrows the back buffer: keep what lies under it.
    SurfaceDesc d;
    d.flags = kSdCaps | kSdWidth | kSdHeight | kSdPixelFormat;
    d.caps = caps::kOffscreenPlain | caps::kSystemMemory;
    d.width = uint32_t(area.right);
    d.height = uint32_t(area.bottom);
    d.format = back->Format();
    if (!Failed(data_.directDraw->CreateSurface(d, &savedArea_))) {
      savedRect_ = area;
      savedArea_->Blt(&area, back, &area, kBltWait, nullptr);
    }
  }
  if (mode == 2 || mode == 3) {
    if (!area.IsEmpty()) {
      HResult hr = back->Blt(&area, ts, &area, kBltWait, nullptr);
      if (hr == err::kFormatMismatch) hr = StretchCopy(*back, area, *ts, area);
      if (Failed(hr)) DX_ERROR(hr, kUnitDisplayHandler);
    }
  } else if (mode == 4) {
    FillRect(0, 0, tw, th, 0, nullptr);
  }
  const bool outside = !data_.inScene;
  if (BeginDraw()) {
    targetDepth_ = data_.sceneDepth;
    targetOwnsScene_ = outside;
    return true;
  }
  data_.renderTarget.reset();
  PopClipRect();
  SetRendererViewport(oldViewport, oldHasViewport);
  scale_ = savedScale_;
  ApplyDeviceViewport();
  if (savedArea_) savedArea_->Release();
  savedArea_ = nullptr;
  return false;
}

void TDisplayHandler::CloseLeftOpenTarget() {
  // Closed as a target of mode 0: its contents reach the texture, drawn
  // alpha made opaque, whatever mode it was opened with.
  data_.renderTargetMode = 0;
  closingTarget_ = true;
  EndRenderTarget();
  closingTarget_ = false;
}

void TDisplayHandler::EndRenderTarget() {
  scale_ = savedScale_;
  if (!data_.renderTarget) return;
  TTextureRef target = data_.renderTarget;
  TRect oldViewport = data_.clipViewport;
  // The frame this target began (one opened outside a frame) ends here
  // without closing the target a second time: its clip is popped once.
  const bool wasClosing = closingTarget_;
  closingTarget_ = true;
  EndDraw(false);
  closingTarget_ = wasClosing;
  PopClipRect();
  SetRendererViewport(TRect(), false);
  Surface* ts = TextureSurface(target.get());
  Surface* back = data_.backBuffer;
  if (ts && back) {
    Rect copy{0, 0, std::min(oldViewport.right, int(back->Width())), std::min(oldViewport.bottom, int(back->Height()))};
    copy.right = std::min(copy.right, int32_t(ts->Width()));
    copy.bottom = std::min(copy.bottom, int32_t(ts->Height()));
    if (!copy.IsEmpty()) {
      int mode = data_.renderTargetMode;
      if (mode == 4) {
        Mode4Copy(target.get(), copy);
      } else {
        bool done = false;
        if (context_->GetDisplayModeDesc().format.bitCount == 32)
          done = !Failed(ts->Blt(&copy, back, &copy, kBltWait, nullptr));
        if (!done) StretchCopyToTexture(target.get(), copy);
        if (mode != 1) AlphaFixup(target.get(), copy);
      }
    }
  }
  if (savedArea_) {
    if (back) back->Blt(&savedRect_, savedArea_, &savedRect_, kBltWait, nullptr);
    savedArea_->Release();
    savedArea_ = nullptr;
  }
  data_.renderTarget.reset();
}

bool TDisplayHandler::StretchCopyToTexture(TTexture* texture, const Rect& r) {
  Surface* ts = TextureSurface(texture);
  if (!ts || !data_.backBuffer) return false;
  HResult hr = StretchCopy(*ts, r, *data_.backBuffer, r);
  if (Failed(hr)) DX_ERROR(hr, kUnitDisplayHandler);
  return !Failed(hr);
}

void TDisplayHandler::AlphaFixup(TTexture* texture, const Rect& r) {
  Surface* ts = TextureSurface(texture);
  if (!ts || !(ts->Format().flags & kPfAlphaPixels)) return;
  void* bits = nullptr;
  int32_t pitch = 0;
  if (Failed(ts->Lock(&r, &bits, &pitch, kLockWait))) return;
  int bpp = BytesPerPixel(ts->Format());
  for (int y = 0; y < r.Height(); ++y) {
    uint8_t* row = static_cast<uint8_t*>(bits) + size_t(y) * pitch;
    for (int x = 0; x < r.Width(); ++x) {
      uint8_t* p = row + size_t(x) * bpp;
      uint32_t c = DecodePixel(ts->Format(), p);
      if (c >> 24) EncodePixel(ts->Format(), p, c | 0xFF000000u);
    }
  }
  ts->Unlock();
}

bool TDisplayHandler::Mode4Copy(TTexture* texture, const Rect& r) {
  Surface* ts = TextureSurface(texture);
  if (!ts || !data_.backBuffer) return false;
  HResult hr = ts->Blt(&r, data_.backBuffer, &r, kBltWait, nullptr);
  if (hr == err::kFormatMismatch) hr = StretchCopy(*ts, r, *data_.backBuffer, r);
  if (Failed(hr)) DX_ERROR(hr, kUnitDisplayHandler);
  return !Failed(hr);
}

// --- Failures ---

void TDisplayHandler::OutOfVideoMemory() {
  if (outOfVideoMemoryReported_) return;
  outOfVideoMemoryReported_ = true;
  TraceOut("OutOfVideoMemory triggered!");
  MarkDxBroken();
  data_.lowVideoMemory = true;
  TFile f;
  if (f.Open(kDisplayFile, "wb")) {
    static const char kText[] = "<display lowvideomemory=\"1\" bpp=\"16\"/>\n";
    f.Write(kText, sizeof kText - 1);
    f.Close();
  }
}

void TDisplayHandler::MarkDxBroken() {
  data_.dxBroken = true;
  SetSetting("dxbroken", "1");
  data_.dxBrokenTime = GetPlatformTime();
}

void TDisplayHandler::MarkDxBrokenThrottled() {
  uint32_t now = GetPlatformTime();
  if (data_.dxBroken && now - data_.dxBrokenTime <= 250) return;
  MarkDxBroken();
}

void TDisplayHandler::SwitchToLowVideoMemory() { data_.lowVideoMemory = true; }

void TDisplayHandler::FlipToGDISurface() {
  if (data_.directDraw) data_.directDraw->FlipToGDISurface();
}

void TDisplayHandler::ResetMouse() {
  std::lock_guard<std::recursive_timed_mutex> lock(context_->Mutex());
  if (context_->GetCursor()) context_->GetCursor()->ResetMouseState(*context_);
  context_->GetDisplay().UpdateBounds();
}
