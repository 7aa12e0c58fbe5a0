// The DirectDraw object, Direct3D, clippers, the device's configuration,
// video-memory accounting and fault injection.
#include <algorithm>
#include <cstdio>

#include "render/sdev/internal.h"

namespace sdev {

constexpr HResult kInvalidPixelFormat = int32_t(0x88760091);
constexpr HResult kInvalidMode = int32_t(0x88760078);

Global& G() {
  static Global* g = new Global;  // never destroyed: surfaces may outlive static destruction
  return *g;
}

const test::Config& Config() {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  if (!g.configured) {
    g.config = test::DefaultConfig();
    g.configured = true;
  }
  return g.config;
}

bool ChargeVideoMemory(uint64_t bytes) {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  if (g.vidMemUsed + bytes > Config().videoMemoryBytes) return false;
  g.vidMemUsed += bytes;
  return true;
}

void FreeVideoMemory(uint64_t bytes) {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  g.vidMemUsed -= std::min(bytes, g.vidMemUsed);
}

bool ConsumeStillDrawing() {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  if (g.stillDrawing <= 0) return false;
  --g.stillDrawing;
  return true;
}

void DDState::Unref() {
  if (--users > 0) return;
  auto& v = G().states;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  delete this;
}

namespace {

PixelFormat FormatForBpp(uint32_t bpp) {
  switch (bpp) {
    case 15: return MakeFormat(Format::X1R5G5B5);
    case 16: return MakeFormat(Format::R5G6B5);
    case 24: return MakeFormat(Format::R8G8B8);
    case 8: return PixelFormat{kPfRGB, 8, 0, 0, 0, 0};
    default: return MakeFormat(Format::X8R8G8B8);
  }
}

const test::AdapterConfig* Adapter(int index) {
  const auto& a = Config().adapters;
  return index >= 0 && size_t(index) < a.size() ? &a[size_t(index)] : nullptr;
}

class DefaultHost : public Host {
public:
  DesktopInfo GetDesktop() override { return Config().desktop; }
  int SystemMetric(Metric m) override { return Config().metrics[int(m)]; }
  Rect WorkArea() override { return Config().workArea; }
  bool OsAtLeast(int major, int minor) override {
    const auto& c = Config();
    return c.osMajor > major || (c.osMajor == major && c.osMinor >= minor);
  }
  void MessageBox(const std::string& text, const std::string& caption) override {
    test::Fault::Log("MessageBox(" + caption + ": " + text + ")");
  }
  void InvalidateDesktop() override {}
};

}  // namespace

void DDState::LoseSurfaces() {
  detail::Settle();
  for (Surface* s : surfaces) {
    if (s->lost_ || !(InVideoMemory(s->caps_) || (s->caps_ & caps::kPrimary))) continue;
    s->lost_ = true;
    if (s->charged_) FreeVideoMemory(s->charged_);
    s->charged_ = 0;
  }
}

DisplayMode DDState::CurrentMode() const {
  if (modeSet) return mode;
  DesktopInfo d = GetHost()->GetDesktop();
  return DisplayMode{uint32_t(d.width), uint32_t(d.height), 32};
}

PixelFormat DDState::ModeFormat() const { return FormatForBpp(CurrentMode().bpp); }

void SetHost(Host* host) { G().host = host; }
Host* GetHost() {
  static DefaultHost fallback;
  return G().host ? G().host : &fallback;
}
void SetPresenter(Presenter* presenter) {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  Global& g = G();
  if (presenter == g.presenter) return;  // a frame lent to it stays lent, and is returned when its surface goes
  if (g.presenter && g.lent) g.presenter->ReturnFrame();
  g.lent = nullptr;
  g.presenter = presenter;
}
Presenter* GetPresenter() { return G().presenter; }
void SetVectorLevel(int level) { raster::SetVectorLevel(level); }

void AddDisplayMode(const DisplayMode& mode) {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  Config();
  auto& modes = G().config.modes;
  for (const DisplayMode& m : modes)
    if (m.width == mode.width && m.height == mode.height && m.bpp == mode.bpp) return;
  modes.push_back(mode);
}

// --- DirectDraw ---

HResult DirectDraw::Create(const Guid* device, DirectDraw** out) {
  if (!out) return err::kInvalidArg;
  *out = nullptr;
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  const auto& adapters = Config().adapters;
  int index = -1;
  if (!device) {
    index = adapters.empty() ? -1 : 0;
  } else {
    for (size_t i = 0; i < adapters.size(); ++i)
      if (adapters[i].hasGuid && adapters[i].guid == *device) index = int(i);
  }
  test::Fault::Log("DirectDrawCreate(" + std::to_string(index) + ")");
  if (HResult f = test::Fault::Check(test::Op::CreateDD, index)) return f;
  if (index < 0) return err::kInvalidArg;
  DirectDraw* dd = new DirectDraw;
  dd->state_ = new DDState;
  dd->state_->adapter = index;
  G().states.push_back(dd->state_);
  *out = dd;
  return err::kOk;
}

HResult DirectDraw::EnumerateDevices(uint32_t flags, const std::function<bool(const Guid*, const std::string&)>& cb) {
  auto adapters = Config().adapters;  // a copy: the callback may create objects
  for (const auto& a : adapters)
    if (!cb(a.hasGuid ? &a.guid : nullptr, a.ident.description)) break;
  return err::kOk;
}

DirectDraw::~DirectDraw() {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  // Surfaces that outlive their DirectDraw object are lost for good.
  state_->LoseSurfaces();
  state_->ddAlive = false;
  state_->modeSet = false;
  state_->coopFlags = kCoopNormal;
  state_->Unref();
}

void DirectDraw::AddRef() { ++refs_; }

uint32_t DirectDraw::Release() {
  uint32_t r = --refs_;
  if (r == 0) delete this;
  return r;
}

int DirectDraw::AdapterIndex() const { return state_->adapter; }
bool DirectDraw::IsFullScreen() const { return state_->FullScreen(); }

HResult DirectDraw::SetCooperativeLevel(HostWindow* w, uint32_t flags) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "SetCooperativeLevel(0x%x)", flags);
  test::Fault::Log(buf);
  if (HResult f = test::Fault::Check(test::Op::SetCoopLevel, state_->adapter)) return f;
  bool full = flags & kCoopFullScreen, excl = flags & kCoopExclusive;
  if (full != excl) return err::kInvalidArg;
  state_->window = w;
  state_->coopFlags = flags;
  if (!full) state_->modeSet = false;
  return err::kOk;
}

HResult DirectDraw::GetCaps(DDCaps* hw, DDCaps* hel) const {
  uint64_t total = Config().videoMemoryBytes, used = test::Fault::VideoMemoryInUse();
  for (DDCaps* c : {hw, hel}) {
    if (!c) continue;
    *c = DDCaps();
    c->vidMemTotal = total;
    c->vidMemFree = total - std::min(total, used);
  }
  return err::kOk;
}

HResult DirectDraw::EnumDisplayModes(uint32_t w, uint32_t h, const std::function<bool(const SurfaceDesc&)>& cb) const {
  auto modes = Config().modes;
  for (const DisplayMode& m : modes) {
    if ((w && m.width != w) || (h && m.height != h)) continue;
    SurfaceDesc d;
    d.flags = kSdWidth | kSdHeight | kSdPixelFormat | kSdPitch;
    d.width = m.width;
    d.height = m.height;
    d.format = FormatForBpp(m.bpp);
    d.format.bitCount = m.bpp;
    d.pitch = int32_t(m.width * ((m.bpp + 7) / 8));
    if (!cb(d)) break;
  }
  return err::kOk;
}

HResult DirectDraw::SetDisplayMode(uint32_t w, uint32_t h, uint32_t bpp, uint32_t refresh, uint32_t flags) {
  test::Fault::Log("SetDisplayMode(" + std::to_string(w) + "x" + std::to_string(h) + "x" + std::to_string(bpp) + ")");
  if (HResult f = test::Fault::Check(test::Op::SetDisplayMode, state_->adapter)) return f;
  if (!state_->FullScreen()) return err::kNotExclusive;
  for (const DisplayMode& m : Config().modes) {
    if (m.width == w && m.height == h && m.bpp == bpp) {
      state_->mode = m;
      state_->modeSet = true;
      return err::kOk;
    }
  }
  return kInvalidMode;
}

HResult DirectDraw::RestoreDisplayMode() {
  state_->modeSet = false;
  return err::kOk;
}

HResult DirectDraw::GetDisplayMode(SurfaceDesc* out) const {
  if (!out) return err::kInvalidArg;
  DisplayMode m = state_->CurrentMode();
  *out = SurfaceDesc();
  out->flags = kSdWidth | kSdHeight | kSdPixelFormat | kSdPitch;
  out->width = m.width;
  out->height = m.height;
  out->format = state_->ModeFormat();
  out->pitch = int32_t(m.width * uint32_t(BytesPerPixel(out->format)));
  return err::kOk;
}

namespace {

bool FormatOffered(const PixelFormat& f, const std::vector<PixelFormat>& list) {
  return std::find(list.begin(), list.end(), f) != list.end();
}

}  // namespace

HResult DirectDraw::CreateSurface(const SurfaceDesc& desc, Surface** out) {
  if (!out) return err::kInvalidArg;
  *out = nullptr;
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  uint32_t c = (desc.flags & kSdCaps) ? desc.caps : caps::kOffscreenPlain;
  {
    char buf[96];
    std::snprintf(buf, sizeof buf, "CreateSurface(0x%x,%ux%u)", c, desc.width, desc.height);
    test::Fault::Log(buf);
  }
  if (HResult f = test::Fault::Check(test::Op::CreateSurface, state_->adapter)) return f;
  const test::AdapterConfig* adapter = Adapter(state_->adapter);
  if (InVideoMemory(c) && G().coopResult && state_->FullScreen()) return G().coopResult;

  Surface* s = new Surface;
  s->caps_ = c;
  s->caps2_ = desc.caps2;
  auto fail = [&](HResult r) {
    s->dd_ = nullptr;
    s->Release();
    return r;
  };
  if (c & caps::kPrimary) {
    DisplayMode m = state_->CurrentMode();
    if (!state_->FullScreen()) {
      DesktopInfo d = GetHost()->GetDesktop();
      m.width = uint32_t(d.width);
      m.height = uint32_t(d.height);
    }
    s->width_ = m.width;
    s->height_ = m.height;
    s->format_ = state_->ModeFormat();
    bool chain = (desc.flags & kSdBackBufferCount) && desc.backBufferCount > 0;
    if (chain && (!(c & caps::kFlip) || !state_->FullScreen())) return fail(err::kInvalidArg);
    if (state_->primary && !state_->primary->IsLost() && state_->primary->dd_) return fail(err::kFail);
  } else {
    if (!(desc.flags & kSdWidth) || !(desc.flags & kSdHeight) || desc.width == 0 || desc.height == 0 ||
        desc.width > 16384 || desc.height > 16384)
      return fail(err::kInvalidArg);
    s->width_ = desc.width;
    s->height_ = desc.height;
    if (c & caps::kZBuffer) {
      s->format_ = (desc.flags & kSdPixelFormat) ? desc.format : MakeFormat(Format::Z16);
      if (!(s->format_.flags & kPfZBuffer) || !BytesPerPixel(s->format_)) return fail(kInvalidPixelFormat);
    } else {
      s->format_ = (desc.flags & kSdPixelFormat) ? desc.format : state_->ModeFormat();
      if (!BytesPerPixel(s->format_) || (s->format_.flags & kPfZBuffer) || (s->format_.flags & kPfBumpDuDv))
        return fail(kInvalidPixelFormat);
      bool offered = s->format_ == state_->ModeFormat() || (adapter && FormatOffered(s->format_, adapter->textureFormats));
      if ((c & caps::kTexture) && !offered) return fail(kInvalidPixelFormat);
      if ((c & caps::k3DDevice) && s->format_.bitCount != 16 && s->format_.bitCount != 32)
        return fail(kInvalidPixelFormat);
    }
  }
  s->Allocate();
  if (InVideoMemory(c)) {
    uint64_t bytes = uint64_t(s->pitch_) * s->height_;
    if (!ChargeVideoMemory(bytes)) {
      if (c & caps::kVideoMemory) return fail(err::kOutOfVideoMemory);
      s->caps_ |= caps::kSystemMemory;  // no placement asked: it goes to system memory
    } else {
      s->charged_ = bytes;
      if (!(c & caps::kVideoMemory)) s->caps_ |= caps::kVideoMemory;
    }
  }
  s->dd_ = state_;
  ++state_->users;
  state_->surfaces.push_back(s);
  if (c & caps::kPrimary) {
    state_->primary = s;
    if ((desc.flags & kSdBackBufferCount) && desc.backBufferCount > 0) {
      // The back buffer comes with the primary: no fault check of its own.
      auto* bb = new Surface;
      bb->caps_ = caps::kBackBuffer | caps::k3DDevice | caps::kVideoMemory;
      bb->width_ = s->width_;
      bb->height_ = s->height_;
      bb->format_ = s->format_;
      bb->Allocate();
      uint64_t bytes = uint64_t(bb->pitch_) * bb->height_;
      if (!ChargeVideoMemory(bytes)) {
        delete bb;
        s->Release();
        return err::kOutOfVideoMemory;
      }
      bb->charged_ = bytes;
      bb->dd_ = state_;
      ++state_->users;
      state_->surfaces.push_back(bb);
      s->backBuffer_ = bb;
    }
  }
  *out = s;
  return err::kOk;
}

HResult DirectDraw::CreateClipper(uint32_t flags, Clipper** out) {
  if (!out) return err::kInvalidArg;
  *out = new Clipper;
  return err::kOk;
}

HResult DirectDraw::GetAvailableVidMem(uint32_t caps, uint64_t* total, uint64_t* free) const {
  uint64_t t = Config().videoMemoryBytes, used = test::Fault::VideoMemoryInUse();
  if (total) *total = t;
  if (free) *free = t - std::min(t, used);
  return err::kOk;
}

HResult DirectDraw::GetDeviceIdentifier(DeviceIdentifier* out, uint32_t flags) const {
  if (!out) return err::kInvalidArg;
  const test::AdapterConfig* a = Adapter(state_->adapter);
  if (!a) return err::kFail;
  *out = a->ident;
  return err::kOk;
}

HResult DirectDraw::WaitForVerticalBlank(uint32_t flags) {
  test::Fault::Log("WaitForVerticalBlank");
  return err::kOk;
}

HResult DirectDraw::TestCooperativeLevel() const {
  if (HResult f = test::Fault::Check(test::Op::TestCoop, state_->adapter)) return f;
  return G().coopResult;
}

HResult DirectDraw::RestoreAllSurfaces() {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  test::Fault::Log("RestoreAllSurfaces");
  if (G().coopResult) return G().coopResult;
  auto list = state_->surfaces;
  for (Surface* s : list) {
    if (!s->IsLost()) continue;
    if (HResult r = s->Restore()) return r;
  }
  return err::kOk;
}

HResult DirectDraw::FlipToGDISurface() { return err::kOk; }

HResult DirectDraw::QueryDirect3D(Direct3D** out) {
  if (!out) return err::kInvalidArg;
  Direct3D* d = new Direct3D;
  AddRef();
  d->dd_ = this;
  *out = d;
  return err::kOk;
}

// --- Clipper ---

HResult Clipper::SetHWnd(uint32_t flags, HostWindow* w) {
  window_ = w;
  return err::kOk;
}

uint32_t Clipper::Release() {
  uint32_t r = --refs_;
  if (r == 0) delete this;
  return r;
}

// --- Direct3D ---

uint32_t Direct3D::Release() {
  uint32_t r = --refs_;
  if (r == 0) {
    dd_->Release();
    delete this;
  }
  return r;
}

HResult Direct3D::EnumDevices(const std::function<bool(const std::string&, const D3DDeviceDesc&)>& cb) const {
  const test::AdapterConfig* a = Adapter(dd_->AdapterIndex());
  if (!a) return err::kFail;
  auto devices = a->d3dDevices;
  for (const auto& d : devices)
    if (!cb(d.first, d.second)) break;
  return err::kOk;
}

HResult Direct3D::EnumZBufferFormats(const Guid& dev, const std::function<bool(const PixelFormat&)>& cb) const {
  const test::AdapterConfig* a = Adapter(dd_->AdapterIndex());
  if (!a) return err::kFail;
  auto formats = a->zFormats;
  for (const auto& f : formats)
    if (!cb(f)) break;
  return err::kOk;
}

HResult Direct3D::EvictManagedTextures() {
  test::Fault::Log("EvictManagedTextures");
  return err::kOk;
}

// --- Configuration and faults ---

namespace test {

Config DefaultConfig() {
  Config c;
  AdapterConfig a;
  a.ident.driver = "lantern_sdev";
  a.ident.description = "Lantern Software Display Device";
  a.ident.driverVersion = (uint64_t(1) << 32) | 0;
  a.ident.vendorId = 0x4C41;
  a.ident.deviceId = 0x0001;
  a.ident.guid.w[0] = 0x6C616E74;
  a.ident.guid.w[1] = 0x65726E00;
  D3DDeviceDesc d;
  d.guid.w[0] = 0x48414C00;  // the hardware device
  d.devCaps = kDevCapsHwRasterization | kDevCapsHwTransformAndLight;
  d.renderDepths = kDdbd16 | kDdbd24 | kDdbd32;
  d.triShadeCaps = kShadeCapsColorGouraudRgb;
  d.maxTextureWidth = d.maxTextureHeight = 8192;
  a.d3dDevices.push_back({"Lantern HAL", d});
  for (Format f : {Format::A8R8G8B8, Format::X8R8G8B8, Format::A4R4G4B4, Format::A1R5G5B5, Format::R5G6B5,
                   Format::X1R5G5B5})
    a.textureFormats.push_back(MakeFormat(f));
  for (Format f : {Format::Z16, Format::Z24, Format::Z32}) a.zFormats.push_back(MakeFormat(f));
  c.adapters.push_back(a);
  for (auto wh : {std::pair<uint32_t, uint32_t>{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024},
                  {1920, 1080}})
    for (uint32_t bpp : {16u, 32u}) c.modes.push_back(DisplayMode{wh.first, wh.second, bpp});
  return c;
}

const char* OpName(Op op) {
  static const char* const names[] = {"CreateDD", "SetCoopLevel", "SetDisplayMode", "CreateSurface",
                                      "CreateDevice", "Blt", "BltFast", "Flip", "Lock", "Present", "BeginScene",
                                      "EndScene", "DrawPrimitive", "DrawIndexed", "TestCoop", "Restore",
                                      "D3DXCreate", "D3DXLoad"};
  return int(op) < int(Op::kCount) ? names[int(op)] : "?";
}

void Fault::Install(const Config& config) {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  g.config = config;
  g.configured = true;
  raster::SetVectorLevel(config.vectorLevel);
  Reset();
}

const Config& Fault::Current() { return sdev::Config(); }

void Fault::Reset() {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  g.pending.clear();
  g.stillDrawing = 0;
  std::fill(std::begin(g.counts), std::end(g.counts), 0);
  g.callLog.clear();
  g.lost = false;
  g.coopResult = 0;
  g.frame = Frame();
  g.framesShown = 0;
}

void Fault::FailNext(Op op, HResult code, int times, int adapterIndex) {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  G().pending.push_back({op, code, times, adapterIndex});
}

void Fault::StillDrawing(int times) {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  G().stillDrawing = times;
}

void Fault::LoseDevice() {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  g.lost = true;
  g.coopResult = err::kNotExclusive;
  for (DDState* st : g.states) st->LoseSurfaces();
  Log("LoseDevice");
}

void Fault::RegainFocus() {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  G().lost = false;
  G().coopResult = err::kOk;
}

void Fault::ChangeMode() {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  G().coopResult = err::kWrongMode;
}

bool Fault::IsDeviceLost() { return G().lost; }

const std::vector<std::string>& Fault::CallLog() { return G().callLog; }

int Fault::Count(Op op) {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  return G().counts[int(op)];
}

uint64_t Fault::VideoMemoryInUse() {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  return G().vidMemUsed;
}

HResult Fault::Check(Op op, int adapterIndex) {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  ++g.counts[int(op)];
  for (auto it = g.pending.begin(); it != g.pending.end(); ++it) {
    if (it->op != op || (it->adapter >= 0 && it->adapter != adapterIndex)) continue;
    HResult code = it->code;
    if (--it->times <= 0) g.pending.erase(it);
    return code;
  }
  return err::kOk;
}

void Fault::Log(const std::string& call) {
  Global& g = G();
  std::lock_guard<std::recursive_mutex> lock(g.mutex);
  if (g.callLog.size() >= 20000) g.callLog.erase(g.callLog.begin(), g.callLog.begin() + 10000);
  g.callLog.push_back(call);
}

const Frame& LastFrame() { return G().frame; }
uint64_t FramesShown() { return G().framesShown; }

void SetDrawRecorder(std::function<void(const DrawCall&)> recorder) { G().recorder = std::move(recorder); }

}  // namespace test
}  // namespace sdev
