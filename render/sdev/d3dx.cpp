// D3DX stand-ins: texture creation, texture upload from memory and the
// orthographic projection.
#include <algorithm>
#include <cstring>

#include "render/sdev/internal.h"

namespace sdev::dx {

namespace {

uint32_t NextPow2(uint32_t n) {
  uint32_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

// The offered format nearest to the one asked: itself, else one of the same
// depth (with alpha when alpha was asked), else one with or without alpha as asked.
PixelFormat Nearest(const PixelFormat& want, const std::vector<PixelFormat>& offered) {
  if (std::find(offered.begin(), offered.end(), want) != offered.end()) return want;
  bool alpha = want.flags & kPfAlphaPixels;
  for (const auto& f : offered)
    if (f.bitCount == want.bitCount && bool(f.flags & kPfAlphaPixels) == alpha) return f;
  for (const auto& f : offered)
    if (f.bitCount == want.bitCount) return f;
  for (const auto& f : offered)
    if (bool(f.flags & kPfAlphaPixels) == alpha) return f;
  return offered.empty() ? MakeFormat(Format::A8R8G8B8) : offered.front();
}

}  // namespace

HResult CreateTexture(Device* d, uint32_t* flags, uint32_t* w, uint32_t* h, PixelFormat* fmtInOut, Surface** out,
                      uint32_t* mipLevels) {
  if (!d || !w || !h || !fmtInOut || !out) return err::kInvalidArg;
  *out = nullptr;
  DirectDraw* dd = d->GetDirectDraw();
  if (HResult f = test::Fault::Check(test::Op::D3DXCreate, dd->AdapterIndex())) return f;
  D3DDeviceDesc desc;
  d->GetCaps(&desc);
  uint32_t width = std::max(1u, *w), height = std::max(1u, *h);
  if (desc.pow2Only) {
    width = NextPow2(width);
    height = NextPow2(height);
  }
  if (desc.squareOnly) width = height = std::max(width, height);
  if (width > desc.maxTextureWidth || height > desc.maxTextureHeight) return err::kInvalidArg;
  const auto& adapters = sdev::Config().adapters;
  size_t ai = size_t(dd->AdapterIndex());
  PixelFormat fmt = ai < adapters.size() ? Nearest(*fmtInOut, adapters[ai].textureFormats) : *fmtInOut;
  SurfaceDesc sd;
  sd.flags = kSdCaps | kSdWidth | kSdHeight | kSdPixelFormat;
  sd.caps = caps::kTexture | caps::kVideoMemory;
  sd.width = width;
  sd.height = height;
  sd.format = fmt;
  Surface* s = nullptr;
  if (HResult r = dd->CreateSurface(sd, &s)) return r;
  *w = width;
  *h = height;
  *fmtInOut = fmt;
  if (mipLevels) *mipLevels = 1;
  *out = s;
  return err::kOk;
}

HResult LoadTextureFromMemory(Device* d, Surface* tex, uint32_t mipLevel, const void* argb32, uint32_t pitchBytes,
                              const Rect* src, Filter f) {
  if (!tex || !argb32) return err::kInvalidArg;
  if (HResult r = test::Fault::Check(test::Op::D3DXLoad, d ? d->GetDirectDraw()->AdapterIndex() : 0)) return r;
  if (tex->IsLost()) return err::kSurfaceLost;
  Rect s = src ? *src : Rect{0, 0, int32_t(tex->Width()), int32_t(tex->Height())};
  if (s.IsEmpty()) return err::kInvalidRect;
  int tw = int(tex->Width()), th = int(tex->Height());
  std::vector<uint32_t> row(s.Width() == tw ? 0 : static_cast<size_t>(tw));
  const uint8_t* base = static_cast<const uint8_t*>(argb32);
  for (int y = 0; y < th; ++y) {
    // Nearest source pixel when the sizes differ (both filters).
    int sy = s.top + int((int64_t(2 * y + 1) * s.Height()) / (2 * th));
    const uint32_t* srow = reinterpret_cast<const uint32_t*>(base + size_t(sy) * pitchBytes);
    uint8_t* out = tex->Bits() + size_t(y) * tex->Pitch();
    if (s.Width() == tw) {
      EncodeRow(tex->Format(), srow + s.left, out, tw);
      continue;
    }
    for (int x = 0; x < tw; ++x) row[size_t(x)] = srow[s.left + int((int64_t(2 * x + 1) * s.Width()) / (2 * tw))];
    EncodeRow(tex->Format(), row.data(), out, tw);
  }
  tex->Touch();
  return err::kOk;
}

HResult TakeTextureMemory(Device* d, Surface* tex, uint8_t* memory) {
  if (!tex || !memory) return err::kInvalidArg;
  // Another layout is told before the load is counted: the caller's copy counts it.
  if (!IsRgb32(tex->Format()) || tex->Pitch() != int32_t(tex->Width() * 4) ||
      (reinterpret_cast<uintptr_t>(memory) & 15) != 0)
    return err::kNotImpl;
  if (HResult r = test::Fault::Check(test::Op::D3DXLoad, d ? d->GetDirectDraw()->AdapterIndex() : 0)) return r;
  if (tex->IsLost()) return err::kSurfaceLost;
  // (Only a locked texture refuses it now.)
  return tex->TakeMemory(memory) ? err::kOk : err::kSurfaceBusy;
}

void OrthoOffCenter(float out[16], float l, float r, float b, float t, float zn, float zf) {
  std::fill(out, out + 16, 0.f);
  out[0] = 2.f / (r - l);
  out[5] = 2.f / (t - b);
  out[10] = 1.f / (zf - zn);
  out[12] = (l + r) / (l - r);
  out[13] = (t + b) / (b - t);
  out[14] = zn / (zn - zf);
  out[15] = 1.f;
}

}  // namespace sdev::dx
