// TDxTextureData (".\dxtexturedata"): creation ladder, upload, read-back,
// lock, copy, clear, release and restore.
#include "render/textures/texturedata.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/file.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "render/device/displayhandler.h"
#include "render/device/dxcontext.h"
#include "render/device/dxerror.h"
#include "render/textures/imagereaders.h"

using namespace sdev;

TTextureData* CreateTextureData() { return new TDxTextureData; }

namespace {
// How the display (render/device) sees a texture: its surface when its data
// is the display's, the allocated size and the picture's origin.
bool ViewTextureData(const TTexture* texture, TTextureView* view) {
  const TTextureData* d = texture->GetData();
  if (!d) return false;
  auto* dx = dynamic_cast<const TDxTextureData*>(d);
  view->surface = dx ? dx->GetSurface() : nullptr;
  view->width = d->width;
  view->height = d->height;
  view->offsetX = d->offsetX;
  view->offsetY = d->offsetY;
  return true;
}

struct TInstallViewLookup {
  TInstallViewLookup() { SetTextureViewLookup(&ViewTextureData); }
} gInstallViewLookup;
}  // namespace

uint32_t NextPowerOfTwo(uint32_t n) {
  if (n < 3) return 2;
  uint32_t p = 4;
  while (p < n && p < 0x80000000u) p <<= 1;
  return p;
}

uint64_t ImageBufferBytes(uint32_t width, uint32_t height, uint32_t bytesPerPixel) {
  uint64_t side = ImageSide(width, height);
  return side * side * bytesPerPixel;
}

TImageLimit GetImageLimit() {
  TImageLimit limit;
  TDisplayHandler* h = GetDisplayHandler();
  if (h && h->Data().device) {
    D3DDeviceDesc desc;
    h->Data().device->GetCaps(&desc);
    if (desc.maxTextureWidth) limit.maxWidth = std::min(desc.maxTextureWidth, kMaxImageSide);
    if (desc.maxTextureHeight) limit.maxHeight = std::min(desc.maxTextureHeight, kMaxImageSide);
  }
  limit.maxDecodeBytes = std::max(uint64_t(limit.maxWidth) * limit.maxHeight * 4, kMinImageDecodeBytes);
  return limit;
}

bool CheckImageLimit(const char* reader, const TString& file, uint32_t width, uint32_t height, uint64_t decodeBytes) {
  const TImageLimit limit = GetImageLimit();
  if (width > limit.maxWidth || height > limit.maxHeight) {
    TraceOut("%s: %s refused: %ux%u is larger than the display's largest texture (%ux%u)", reader, file.c_str(),
             width, height, limit.maxWidth, limit.maxHeight);
    return false;
  }
  if (decodeBytes > limit.maxDecodeBytes) {
    TraceOut("%s: %s refused: decoding %ux%u would take %llu MB, more than the %llu MB allowed", reader, file.c_str(),
             width, height, static_cast<unsigned long long>((decodeBytes + (1u << 20) - 1) >> 20),
             static_cast<unsigned long long>(limit.maxDecodeBytes >> 20));
    return false;
  }
  return true;
}

int CountMaskBits(uint32_t mask) { return __builtin_popcount(mask); }
int MaskShift(uint32_t mask) { return mask ? __builtin_ctz(mask) : 0; }

bool FindImageFile(TString& name) {
  int q = name.FindChar('?');
  TString base = q >= 0 ? name.Substring(0, q) : name;
  if (!base.IsEmpty() && FileExists(base)) {
    name = base;
    return true;
  }
  for (const char* ext : {".jp2", ".png", ".jpg"}) {
    TString candidate = base + ext;
    if (FileExists(candidate)) {
      name = candidate;
      return true;
    }
  }
  return false;
}

bool FindAlphaTextureFormat(uint32_t bits, PixelFormat* out, bool reSearch) {
  static uint32_t cachedBits = 0;
  static PixelFormat cached;
  static bool found = false;
  TDisplayHandler* h = GetDisplayHandler();
  if (!h || !h->Data().device) return false;
  if (cachedBits != bits || reSearch) {
    cachedBits = bits;
    found = false;
    int bestAlpha = -1;
    h->Data().device->EnumTextureFormats([&](const PixelFormat& f) {
      if (!(f.flags & kPfRGB) || !(f.flags & kPfAlphaPixels) || (f.flags & kPfBumpDuDv) || f.bitCount != bits)
        return true;
      int alpha = CountMaskBits(f.aMask);
      if (found && CountMaskBits(f.rMask) < 3) return true;
      if (alpha > bestAlpha) {
        bestAlpha = alpha;
        cached = f;
        found = true;
      }
      return true;
    });
  }
  if (found && out) *out = cached;
  return found;
}

namespace {

TPlatformData* Display() {
  TDisplayHandler* h = GetDisplayHandler();
  return h ? &h->Data() : nullptr;
}

bool reportedCopyFailure = false;

}  // namespace

TDxTextureData::~TDxTextureData() {
  // The picture is read while the surface is there, and kept once the
  // surface's memory no longer counts (it makes the room).
  std::unique_ptr<TKeptPicture> picture = kept_ ? std::move(kept_) : ReadLoaded();
  if (surface_) {
    Surface* z = nullptr;
    if (surface_->GetAttachedSurface(caps::kZBuffer, &z) == err::kOk) {
      surface_->DeleteAttachedSurface(0, z);
      z->Release();
    }
  }
  systemCopy_.clear();
  Release();
  keptpictures::Keep(std::move(picture));
}

void TDxTextureData::Release() {
  ++surfaceSerial;
  if (!surface_) return;
  // Over a device loss the picture waits here for the restore.
  if (!kept_) kept_ = ReadLoaded();
  if (TPlatformData* d = Display()) d->textureBytes -= int64_t(counted_);
  counted_ = 0;
  surface_->Release();
  surface_ = nullptr;
  locked_ = false;
}

bool TDxTextureData::CreateSurface(uint32_t w, uint32_t h, bool clear) {
  Release();
  offsetX = offsetY = 0;
  TPlatformData* d = Display();
  // Square-only devices get a square surface; the picture stays at its
  // top-left, where the callers' texture coordinates expect it.
  if (d && d->squareTexturesOnly && !(options & kOptPlain) && w != h) w = h = std::max(NextPowerOfTwo(w), NextPowerOfTwo(h));
  // Without a usable device no surface can be made now: data with the "no
  // device" option stays empty (true) until Restore rebuilds it.
  const bool waitForDevice = (options & kOptDeviceLost) != 0;
  if (!d || !d->directDraw || !d->device || d->dxBroken) {
    width = NextPowerOfTwo(w);
    height = NextPowerOfTwo(h);
    return waitForDevice;
  }
  Way way = (options & (kOptRenderTarget | kOptPlain)) ? CreateDirect(w, h) : Way::kD3DX;
  if (way == Way::kD3DX) way = CreateThroughD3DX(w, h) ? Way::kMade : Way::kFailed;
  if (way != Way::kMade || !surface_) {
    Release();
    if (waitForDevice && (d->dxBroken || d->directDraw->TestCooperativeLevel() != err::kOk)) {
      width = NextPowerOfTwo(w);
      height = NextPowerOfTwo(h);
      return true;
    }
    return false;
  }
  SurfaceDesc desc;
  surface_->GetSurfaceDesc(&desc);
  width = surfaceWidth = desc.width;
  height = surfaceHeight = desc.height;
  counted_ = uint64_t(desc.height) * uint64_t(desc.pitch);
  d->textureBytes += int64_t(counted_);
  keptpictures::Trim();
  if ((options & kOptAlpha) && !(desc.format.flags & kPfAlphaPixels))
    TraceOut("SURFACE request FAILED to get DDPF_ALPHAPIXELS.");
  // A new surface of the display device is zero already: `clear` needs no fill.
  (void)clear;
  if (options & kOptRenderTarget) {
    TDXContext* ctx = d->context;
    PixelFormat zf = ctx ? ctx->GetZBufferFormat() : PixelFormat();
    SurfaceDesc zd;
    zd.flags = kSdCaps | kSdWidth | kSdHeight | kSdPixelFormat;
    zd.caps = caps::kZBuffer | ((ctx && ctx->HardwareFound()) ? caps::kVideoMemory : caps::kSystemMemory);
    zd.width = desc.width;
    zd.height = desc.height;
    zd.format = zf;
    Surface* z = nullptr;
    if (Failed(d->directDraw->CreateSurface(zd, &z))) {
      TraceOut("FAILED to create z-buffer for render surface!");
    } else {
      if (Failed(surface_->AddAttachedSurface(z))) TraceOut("FAILED to attach z-buffer for render surface!");
      z->Release();
    }
  }
  return true;
}

TDxTextureData::Way TDxTextureData::CreateDirect(uint32_t w, uint32_t h) {
  TPlatformData* d = Display();
  SurfaceDesc back;
  d->backBuffer->GetSurfaceDesc(&back);
  TDXContext* ctx = d->context;
  bool rt = options & kOptRenderTarget;
  uint32_t c = (options & kOptPlain) ? caps::kOffscreenPlain : caps::kTexture;
  if (rt) c |= caps::k3DDevice;
  bool system = (ctx && !ctx->HardwareFound()) || ((options & kOptPlain) && (options & kOptSystemMemory));
  c |= system ? caps::kSystemMemory : caps::kVideoMemory;
  if (!system) {
    uint64_t total = 0, free = 0;
    d->directDraw->GetAvailableVidMem(caps::kTexture, &total, &free);
  }
  SurfaceDesc sd;
  sd.flags = kSdCaps | kSdWidth | kSdHeight | kSdPixelFormat;
  sd.width = w;
  sd.height = h;
  sd.caps = c;
  auto make = [&](const PixelFormat& f, uint32_t caps) {
    sd.format = f;
    sd.caps = caps;
    return d->directDraw->CreateSurface(sd, &surface_);
  };
  if (!(options & kOptAlpha)) {
    HResult hr = make(back.format, c);
    if (hr == err::kTexCreate24E) {
      width = NextPowerOfTwo(w);
      height = NextPowerOfTwo(h);
      return Way::kFailed;
    }
    if (Failed(hr)) {
      DX_ERROR(hr, kUnitTextureData);
      hr = make(back.format, c ^ (caps::kVideoMemory | caps::kSystemMemory));
      if (Failed(hr)) DX_ERROR(hr, kUnitTextureData);
    }
    return Failed(hr) ? Way::kFailed : Way::kMade;
  }
  PixelFormat alpha;
  bool reSearch = rt && ctx && ctx->textureFormatReSearch;
  if (FindAlphaTextureFormat(back.format.bitCount, &alpha, reSearch)) {
    if (reSearch) ctx->textureFormatReSearch = false;
    HResult hr = make(alpha, c);
    if (!Failed(hr)) return Way::kMade;
    DX_ERROR(hr, kUnitTextureData);
  }
  PixelFormat f = back.format;
  f.flags |= kPfAlphaPixels;
  if (back.format.bitCount != 16) f.aMask = 0xFF000000u;
  HResult hr = make(f, c);
  if (Failed(hr)) hr = make(f, c | caps::kVideoMemory);
  if (!Failed(hr)) return Way::kMade;
  if (rt) {
    // Made again as a plain texture (no render target).
    options &= uint8_t(~kOptRenderTarget);
    return Way::kD3DX;
  }
  hr = make(back.format, c);
  if (Failed(hr)) DX_ERROR(hr, kUnitTextureData);
  return Failed(hr) ? Way::kFailed : Way::kMade;
}

bool TDxTextureData::CreateThroughD3DX(uint32_t w, uint32_t h) {
  TPlatformData* d = Display();
  uint32_t flags = (options & kOptMipMaps) ? 0 : dx::kNoMipMap;
  mipLevel = (options & kOptMipMaps) ? -1 : 0;
  uint32_t bits = d->backBuffer->Format().bitCount;
  bool alpha = options & kOptAlpha;
  PixelFormat want = bits >= 32 ? MakeFormat(alpha ? Format::A8R8G8B8 : Format::X8R8G8B8)
                                : MakeFormat(alpha ? Format::A4R4G4B4 : Format::R5G6B5);
  PixelFormat got = want;
  uint32_t cw = w, ch = h, levels = 0;
  HResult hr = dx::CreateTexture(d->device, &flags, &cw, &ch, &got, &surface_, &levels);
  if (Failed(hr)) {
    if (hr == err::kTexCreate24E) {
      width = NextPowerOfTwo(w);
      height = NextPowerOfTwo(h);
    } else {
      DX_ERROR(hr, kUnitTextureData);
      Release();
    }
    return false;
  }
  if (bits >= 32 && got.bitCount != 32) {
    TraceOut("D3DXCreateTexture::CreateSurface: Created a 16 bit texture when requesting 32 bits. Switching to 16 "
             "bit mode");
    if (TDisplayHandler* hd = GetDisplayHandler()) hd->SwitchToLowVideoMemory();
  }
  createdThroughD3DX = true;
  return true;
}

bool TDxTextureData::UploadKept(TKeptPicture& kept) {
  if (!kept.pixels) return false;
  if (surface_ && createdThroughD3DX && !forceConvert && mipLevel == 0 && surface_->Width() == kept.width &&
      surface_->Height() == kept.height) {
    TPlatformData* d = Display();
    const HResult hr =
        dx::TakeTextureMemory(d ? d->device : nullptr, surface_, reinterpret_cast<uint8_t*>(kept.pixels.get()));
    if (hr == err::kOk) {
      (void)kept.pixels.release();  // the surface's memory now
      return true;
    }
    if (hr != err::kNotImpl) {
      DX_ERROR(hr, kUnitTextureData);
      return false;
    }
  }
  return Upload(kept.pixels.get(), kept.width);
}

bool TDxTextureData::Upload(const uint32_t* pixels, uint32_t pitch) {
  if (!surface_ || !pixels) return false;
  uint32_t w = surface_->Width(), h = surface_->Height();
  if (createdThroughD3DX && !forceConvert) {
    TPlatformData* d = Display();
    Rect src{0, 0, int32_t(w), int32_t(h)};
    HResult hr = dx::LoadTextureFromMemory(d ? d->device : nullptr, surface_, uint32_t(mipLevel), pixels, pitch * 4,
                                           &src, mipLevel ? dx::Filter::Linear : dx::Filter::Point);
    if (Failed(hr)) {
      DX_ERROR(hr, kUnitTextureData);
      return false;
    }
    return true;
  }
  const PixelFormat& f = surface_->Format();
  if (f.bitCount < 15 || f.bitCount > 32) return false;
  void* bits = nullptr;
  int32_t spitch = 0;
  HResult hr = surface_->Lock(nullptr, &bits, &spitch, kLockWait);
  if (Failed(hr)) {
    DX_ERROR(hr, kUnitTextureData);
    return false;
  }
  bool keepAlpha = options & kOptAlpha;
  int rs = MaskShift(f.rMask), gs = MaskShift(f.gMask), bs = MaskShift(f.bMask), as = MaskShift(f.aMask);
  int rb = CountMaskBits(f.rMask), gb = CountMaskBits(f.gMask), bb = CountMaskBits(f.bMask),
      ab = CountMaskBits(f.aMask);
  auto place = [](uint32_t c8, int bitsIn, int shift, uint32_t mask) {
    uint32_t v = bitsIn >= 8 ? c8 << (bitsIn - 8) : c8 >> (8 - bitsIn);
    return (v << shift) & mask;
  };
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* row = static_cast<uint8_t*>(bits) + size_t(y) * spitch;
    const uint32_t* src = pixels + size_t(y) * pitch;
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t c = src[x];
      uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF, a = c >> 24;
      if (f.bitCount == 24) {
        uint8_t* p = row + size_t(x) * 3;
        uint32_t v = place(r, rb, rs, f.rMask) | place(g, gb, gs, f.gMask) | place(b, bb, bs, f.bMask);
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        continue;
      }
      uint32_t v = place(r, rb, rs, f.rMask) | place(g, gb, gs, f.gMask) | place(b, bb, bs, f.bMask);
      v |= keepAlpha ? place(a, ab, as, f.aMask) : f.aMask;
      if (f.bitCount == 32) {
        std::memcpy(row + size_t(x) * 4, &v, 4);
      } else {
        row[x * 2] = uint8_t(v);
        row[x * 2 + 1] = uint8_t(v >> 8);
      }
    }
  }
  surface_->Unlock();
  return true;
}

bool TDxTextureData::ReadPixels(uint32_t w, uint32_t h, uint32_t* out) {
  if (!surface_ || !out) return false;
  const PixelFormat& f = surface_->Format();
  if (f.bitCount != 15 && f.bitCount != 16 && f.bitCount != 24 && f.bitCount != 32) return false;
  w = std::min(w, surface_->Width());
  h = std::min(h, surface_->Height());
  void* bits = nullptr;
  int32_t pitch = 0;
  if (Failed(surface_->Lock(nullptr, &bits, &pitch, kLockWait))) return false;
  bool keepAlpha = options & kOptAlpha;
  auto channel = [](uint32_t pix, uint32_t mask) {
    int s = MaskShift(mask) + CountMaskBits(mask) - 8;
    uint32_t v = pix & mask;
    return (s >= 0 ? v >> s : v << -s) & 0xFF;
  };
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(bits) + size_t(y) * pitch;
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t pix;
      if (f.bitCount == 24) {
        const uint8_t* p = row + size_t(x) * 3;
        pix = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        out[size_t(y) * w + x] = 0xFF000000u | pix;
        continue;
      }
      if (f.bitCount == 32)
        std::memcpy(&pix, row + size_t(x) * 4, 4);
      else
        pix = uint32_t(row[x * 2]) | uint32_t(row[x * 2 + 1]) << 8;
      uint32_t a = keepAlpha && f.aMask ? channel(pix, f.aMask) : 0xFF;
      out[size_t(y) * w + x] = a << 24 | channel(pix, f.rMask) << 16 | channel(pix, f.gMask) << 8 | channel(pix, f.bMask);
    }
  }
  surface_->Unlock();
  return true;
}

bool TDxTextureData::Lock(uint32_t** pixels, uint32_t* pitch) {
  if (!surface_ || !pixels || !pitch || locked_) return false;
  // The caller may change the pixels: the picture as loaded is kept first.
  // A caller that only reads them leaves the kept copy the same, and the
  // surface takes it back at the unlock (ARGB surfaces, locked in place).
  const bool loaded = loadedGeneration_ && surface_->Generation() == loadedGeneration_ && !surface_->IsLost();
  lockedLoaded_ = false;
  if (loaded && !keptpictures::Holds(loadedKey_)) keptpictures::Keep(ReadLoaded());
  loadedGeneration_ = 0;
  if (IsArgb32(surface_->Format())) {
    void* bits = nullptr;
    int32_t p = 0;
    if (Failed(surface_->Lock(nullptr, &bits, &p, kLockWait))) return false;
    *pixels = static_cast<uint32_t*>(bits);
    *pitch = uint32_t(p) / 4;
    locked_ = true;
    lockedLoaded_ = loaded;
    return true;
  }
  systemCopy_.assign(size_t(surface_->Width()) * surface_->Height(), 0);
  if (!ReadPixels(surface_->Width(), surface_->Height(), systemCopy_.data())) {
    systemCopy_.clear();
    return false;
  }
  *pixels = systemCopy_.data();
  *pitch = surface_->Width();
  locked_ = true;
  return true;
}

void TDxTextureData::Unlock() {
  if (!locked_) return;
  locked_ = false;
  if (systemCopy_.empty()) {
    if (!surface_) return;
    surface_->Unlock();
    if (lockedLoaded_ && keptpictures::TakeBackIfSame(loadedKey_, surface_->Bits(), size_t(surface_->Pitch())))
      loadedGeneration_ = surface_->Generation();
    lockedLoaded_ = false;
    return;
  }
  bool saved = forceConvert;
  forceConvert = true;
  if (!Upload(systemCopy_.data(), surface_ ? surface_->Width() : 0)) {
    TraceOut("TDxTextureData::Unlock: the changed pixels could not be uploaded");
    if (TDisplayHandler* h = GetDisplayHandler()) h->MarkDxBrokenThrottled();
  }
  forceConvert = saved;
  systemCopy_.clear();
  systemCopy_.shrink_to_fit();
}

void TDxTextureData::CopyTo(const TRect& src, const TRect& dst, TTexture* target) {
  if (!surface_) return;
  TPlatformData* d = Display();
  Surface* to = nullptr;
  if (target) {
    to = TextureSurface(target);
  } else if (d) {
    to = d->backBuffer;
  }
  if (!to) return;
  Rect s{src.left, src.top, src.right, src.bottom};
  Rect t{dst.left, dst.top, dst.right, dst.bottom};
  TDisplayHandler* h = GetDisplayHandler();
  float scale = h ? h->GetViewportScale() : 1.0f;
  if (!target && scale != 1.0f)
    t = Rect{int(std::lround(t.left * scale)), int(std::lround(t.top * scale)), int(std::lround(t.right * scale)),
             int(std::lround(t.bottom * scale))};
  HResult hr = to->Blt(&t, surface_, &s, kBltWait, nullptr);
  if (Failed(hr) && hr != err::kSurfaceLost) {
    if (!reportedCopyFailure) {
      reportedCopyFailure = true;
      TraceOut("TDxTextureData::CopyTo: blit failed (0x%x); copying through the stretch copy", unsigned(hr));
    }
    hr = StretchCopy(*to, t, *surface_, s);
    if (Failed(hr) && hr != err::kSurfaceLost) DX_ERROR(hr, kUnitTextureData);
  }
}

void TDxTextureData::Clear() {
  if (!surface_) return;
  BltFx fx;
  HResult hr = surface_->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx);
  if (hr == err::kSurfaceLost) {
    surface_->Restore();
    hr = surface_->Blt(nullptr, nullptr, nullptr, kBltColorFill, &fx);
  }
  if (Failed(hr)) DX_ERROR(hr, kUnitTextureData);
}

namespace {
// 32 bits a pixel, red, green and blue a byte each where ARGB has them.
bool IsRgb32(const PixelFormat& f) {
  return f.bitCount == 32 && f.rMask == 0xFF0000u && f.gMask == 0xFF00u && f.bMask == 0xFFu;
}
}  // namespace

void TDxTextureData::MarkLoaded(const TPictureKey& key, const TDecodedImage& image) {
  loadedGeneration_ = 0;
  if (!key.keepable || !surface_ || surface_->IsLost() || !image.pixels) return;
  const PixelFormat& f = surface_->Format();
  if (!IsRgb32(f) || surface_->Width() < image.width || surface_->Height() < image.height) return;
  // D3DX uploads copy the pixels as they are; the converting upload keeps
  // alpha only for an alpha texture with an 8-bit alpha, and otherwise
  // writes the format's alpha bits, which only an opaque picture matches.
  const bool asGiven = createdThroughD3DX && !forceConvert;
  const bool alphaKept = asGiven || ((options & kOptAlpha) && f.aMask == 0xFF000000u);
  if (!alphaKept) {
    for (uint32_t y = 0; y < image.height; ++y) {
      const uint32_t* row = image.pixels + size_t(y) * image.pitch;
      for (uint32_t x = 0; x < image.width; ++x)
        if (row[x] < 0xFF000000u) return;
    }
  }
  loadedKey_ = key;
  loadedHasAlpha_ = image.hasAlpha;
  loadedAlphaDropped_ = !alphaKept;
  loadedGeneration_ = surface_->Generation();
}

bool TDxTextureData::IsOpaque() {
  if (!surface_ || surface_->IsLost() || imageWidth == 0 || imageHeight == 0) return false;
  // The runs are made at the second asking of a surface's generation.
  const OpacityRuns* runs = surface_->Opacity();
  if (!runs) runs = surface_->Opacity();
  if (!runs || runs->opaqueStart.size() < size_t(offsetY) + imageHeight + 1) return false;
  // Runs of one kind are whole: an opaque row of the picture lies in one span.
  for (uint32_t y = offsetY; y < offsetY + imageHeight; ++y) {
    bool covered = false;
    for (uint32_t k = runs->opaqueStart[y]; k < runs->opaqueStart[y + 1] && !covered; ++k)
      covered = runs->opaque[k].begin <= offsetX && runs->opaque[k].end >= offsetX + imageWidth;
    if (!covered) return false;
  }
  return true;
}

void TDxTextureData::ForgetLoaded() {
  loadedGeneration_ = 0;
  kept_.reset();
}

std::unique_ptr<TKeptPicture> TDxTextureData::TakeKeptPixels(const TPictureKey& key) {
  std::unique_ptr<TKeptPicture> p = std::move(kept_);
  return p && p->key == key ? std::move(p) : nullptr;
}

std::unique_ptr<TKeptPicture> TDxTextureData::ReadLoaded() {
  const uint32_t generation = loadedGeneration_;
  loadedGeneration_ = 0;
  if (!generation || !surface_ || surface_->IsLost() || surface_->Generation() != generation) return nullptr;
  auto p = std::make_unique<TKeptPicture>();
  if (!p->Allocate(imageWidth, imageHeight)) return nullptr;
  p->key = loadedKey_;
  p->hasAlpha = loadedHasAlpha_;
  const uint8_t* bits = surface_->Bits();
  for (uint32_t y = 0; y < imageHeight; ++y) {
    uint32_t* row = p->pixels.get() + size_t(y) * imageWidth;
    std::memcpy(row, bits + size_t(y) * size_t(surface_->Pitch()), size_t(imageWidth) * 4);
    if (loadedAlphaDropped_)
      for (uint32_t x = 0; x < imageWidth; ++x) row[x] |= 0xFF000000u;
  }
  return p;
}

bool TDxTextureData::Restore() {
  Release();
  TDisplayHandler* h = GetDisplayHandler();
  if (fileName.IsEmpty()) {
    if (CreateSurface(width, height, true)) return true;
    TraceOut("TDxTextureData::Restore: Failed to restore %dx%d texture (%d,%d)", int(width), int(height),
             int(surfaceWidth), int(surfaceHeight));
    if (h) h->MarkDxBrokenThrottled();
    return false;
  }
  if (TTexture::Load(this, fileName, maskName)) return true;
  if (maskName.IsEmpty())
    TraceOut("TDxTextureData::Restore: Failed to restore from file %s.", fileName.c_str());
  else
    TraceOut("TDxTextureData::Restore: Failed to restore from file %s and %s.", fileName.c_str(), maskName.c_str());
  // A missing file is not a device problem.
  TString file = fileName, mask = maskName;
  if (FindImageFile(file) && (mask.IsEmpty() || FindImageFile(mask)) && h) h->MarkDxBrokenThrottled();
  return false;
}
