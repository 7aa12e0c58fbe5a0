// Surfaces of the software display device: memory, pixel formats, lock,
// blit, colour fill, flip, attachments, loss and restore.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/sdev/internal.h"

namespace sdev {

Rect Intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

PixelFormat MakeFormat(Format f) {
  PixelFormat p;
  switch (f) {
    case Format::A8R8G8B8: p = {kPfRGB | kPfAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u}; break;
    case Format::X8R8G8B8: p = {kPfRGB, 32, 0xFF0000, 0xFF00, 0xFF, 0}; break;
    case Format::R8G8B8: p = {kPfRGB, 24, 0xFF0000, 0xFF00, 0xFF, 0}; break;
    case Format::R5G6B5: p = {kPfRGB, 16, 0xF800, 0x07E0, 0x001F, 0}; break;
    case Format::X1R5G5B5: p = {kPfRGB, 16, 0x7C00, 0x03E0, 0x001F, 0}; break;
    case Format::A1R5G5B5: p = {kPfRGB | kPfAlphaPixels, 16, 0x7C00, 0x03E0, 0x001F, 0x8000}; break;
    case Format::A4R4G4B4: p = {kPfRGB | kPfAlphaPixels, 16, 0x0F00, 0x00F0, 0x000F, 0xF000}; break;
    case Format::Z16: p = {kPfZBuffer, 16, 0xFFFF, 0, 0, 0}; break;
    case Format::Z24: p = {kPfZBuffer, 24, 0xFFFFFF, 0, 0, 0}; break;
    case Format::Z32: p = {kPfZBuffer, 32, 0xFFFFFFFFu, 0, 0, 0}; break;
  }
  return p;
}

int BytesPerPixel(const PixelFormat& f) {
  if (f.flags & kPfZBuffer) return f.bitCount == 16 ? 2 : (f.bitCount == 24 || f.bitCount == 32) ? 4 : 0;
  if (!(f.flags & kPfRGB)) return 0;
  switch (f.bitCount) {
    case 15: case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
  }
}

bool IsArgb32(const PixelFormat& f) {
  return (f.flags & kPfRGB) && f.bitCount == 32 && f.rMask == 0xFF0000 && f.gMask == 0xFF00 && f.bMask == 0xFF &&
         f.aMask == 0xFF000000u;
}

namespace {

struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (m) {
      shift = __builtin_ctz(m);
      bits = __builtin_popcount(m);
    }
  }
  // The channel widened to 8 bits by repeating its bits.
  uint32_t Widen(uint32_t pix) const {
    uint32_t v = (pix & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    uint32_t r = 0;
    for (int s = 8 - bits; s > -bits; s -= bits) r |= s >= 0 ? v << s : v >> -s;
    return r & 0xFF;
  }
  uint32_t Narrow(uint32_t c8) const {
    if (!mask) return 0;
    uint32_t v = bits >= 8 ? c8 << (bits - 8) : c8 >> (8 - bits);
    return (v << shift) & mask;
  }
};

inline uint32_t ReadRaw(const uint8_t* p, int bpp) {
  switch (bpp) {
    case 2: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    case 4: { uint32_t v; std::memcpy(&v, p, 4); return v; }
    default: return 0;
  }
}

inline void WriteRaw(uint8_t* p, int bpp, uint32_t v) {
  switch (bpp) {
    case 2: p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); break;
    case 3: p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); break;
    case 4: std::memcpy(p, &v, 4); break;
    default: break;
  }
}

struct Codec {
  Channel r, g, b, a;
  int bpp;
  explicit Codec(const PixelFormat& f)
      : r(f.rMask), g(f.gMask), b(f.bMask), a((f.flags & kPfAlphaPixels) ? f.aMask : 0), bpp(BytesPerPixel(f)) {}
  uint32_t Decode(uint32_t pix) const {
    uint32_t alpha = a.mask ? a.Widen(pix) : 0xFF;
    return alpha << 24 | r.Widen(pix) << 16 | g.Widen(pix) << 8 | b.Widen(pix);
  }
  uint32_t Encode(uint32_t c) const {
    // 32-bit formats without alpha keep it in their unused byte, as drawing does.
    if (bpp == 4 && !a.mask && r.mask == 0xFF0000 && g.mask == 0xFF00 && b.mask == 0xFF) return c;
    return r.Narrow((c >> 16) & 0xFF) | g.Narrow((c >> 8) & 0xFF) | b.Narrow(c & 0xFF) | a.Narrow(c >> 24);
  }
};

}  // namespace

bool IsRgb32(const PixelFormat& f) {
  return (f.flags & kPfRGB) && f.bitCount == 32 && f.rMask == 0xFF0000 && f.gMask == 0xFF00 && f.bMask == 0xFF;
}

namespace {

// Same layout for a raw copy: bit count and colour masks agree.
bool Compatible(const PixelFormat& a, const PixelFormat& b) {
  if ((a.flags & kPfZBuffer) || (b.flags & kPfZBuffer)) return a == b;
  return a.bitCount == b.bitCount && a.rMask == b.rMask && a.gMask == b.gMask && a.bMask == b.bMask &&
         (a.bitCount == 32 || a.aMask == b.aMask);
}

}  // namespace

uint32_t DecodePixel(const PixelFormat& f, const uint8_t* p) {
  Codec c(f);
  return c.Decode(ReadRaw(p, c.bpp));
}

void EncodePixel(const PixelFormat& f, uint8_t* p, uint32_t argb) {
  Codec c(f);
  WriteRaw(p, c.bpp, c.Encode(argb));
}

uint32_t EncodeColor(const PixelFormat& f, uint32_t argb) { return Codec(f).Encode(argb); }

void DecodeRow(const PixelFormat& f, const uint8_t* src, uint32_t* dst, int n) {
  if (IsRgb32(f)) {
    std::memcpy(dst, src, size_t(n) * 4);
    if (!(f.flags & kPfAlphaPixels) || f.aMask != 0xFF000000u)
      for (int i = 0; i < n; ++i) dst[i] |= 0xFF000000u;
    return;
  }
  Codec c(f);
  for (int i = 0; i < n; ++i, src += c.bpp) dst[i] = c.Decode(ReadRaw(src, c.bpp));
}

void EncodeRow(const PixelFormat& f, const uint32_t* src, uint8_t* dst, int n) {
  if (IsRgb32(f)) {
    std::memcpy(dst, src, size_t(n) * 4);
    return;
  }
  Codec c(f);
  for (int i = 0; i < n; ++i, dst += c.bpp) WriteRaw(dst, c.bpp, c.Encode(src[i]));
}

// --- Surface ---

Surface::~Surface() {
  detail::Settle();
  ReturnLentFrame();
  if (backBuffer_) backBuffer_->Release();
  if (zBuffer_) zBuffer_->Release();
  if (clipper_) clipper_->Release();
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  if (charged_) FreeVideoMemory(charged_);
  if (dd_) {
    auto& v = dd_->surfaces;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    if (dd_->primary == this) dd_->primary = nullptr;
    dd_->Unref();
  }
}

void Surface::AddRef() { ++refs_; }

uint32_t Surface::Release() {
  uint32_t r = --refs_;
  if (r == 0) delete this;
  return r;
}

void Surface::FreeBytes::operator()(uint8_t* p) const { std::free(p); }

bool Surface::Allocate() {
  detail::Settle();
  ReturnLentFrame();
  int bpp = BytesPerPixel(format_);
  pitch_ = int32_t((width_ * uint32_t(bpp) + 3u) & ~3u);
  // Zeroed memory: a large block comes from the system already cleared, so a
  // texture about to be filled is not cleared first.
  storage_.reset(static_cast<uint8_t*>(std::calloc(size_t(pitch_) * height_ + 16, 1)));
  if (!storage_) throw std::bad_alloc();
  // 16-byte aligned rows start for the vector kernels.
  uintptr_t p = reinterpret_cast<uintptr_t>(storage_.get());
  bits_ = storage_.get() + ((16 - (p & 15)) & 15);
  ++generation_;
  return true;
}

bool Surface::TakeMemory(uint8_t* memory) {
  if (!memory || lost_ || locked_ || (reinterpret_cast<uintptr_t>(memory) & 15) != 0) return false;
  detail::Settle();
  ReturnLentFrame();
  storage_.reset(memory);
  bits_ = memory;
  ++generation_;
  return true;
}

void Surface::FillPattern(uint32_t pattern) {
  detail::Settle();
  for (uint32_t y = 0; y < height_; ++y) {
    uint8_t* row = bits_ + size_t(y) * pitch_;
    for (int32_t i = 0; i + 4 <= pitch_; i += 4) std::memcpy(row + i, &pattern, 4);
  }
  ++generation_;
}

HResult Surface::GetSurfaceDesc(SurfaceDesc* out) const {
  if (!out) return err::kInvalidArg;
  out->flags = kSdCaps | kSdHeight | kSdWidth | kSdPitch | kSdPixelFormat | (backBuffer_ ? kSdBackBufferCount : 0);
  out->width = width_;
  out->height = height_;
  out->pitch = pitch_;
  out->backBufferCount = backBuffer_ ? 1 : 0;
  out->format = format_;
  out->caps = caps_;
  out->caps2 = caps2_;
  return err::kOk;
}

HResult Surface::GetPixelFormat(PixelFormat* out) const {
  if (!out) return err::kInvalidArg;
  *out = format_;
  return err::kOk;
}

bool Surface::IsLost() const { return lost_; }

HResult Surface::Lock(const Rect* area, void** bits, int32_t* pitchBytes, uint32_t flags) {
  detail::Settle();
  if (!bits || !pitchBytes) return err::kInvalidArg;
  *bits = nullptr;
  if (lost_) return err::kSurfaceLost;
  if (locked_) return err::kSurfaceBusy;
  if (HResult f = test::Fault::Check(test::Op::Lock, dd_ ? dd_->adapter : 0)) return f;
  Rect r{0, 0, int32_t(width_), int32_t(height_)};
  if (area) {
    if (area->left < 0 || area->top < 0 || area->right > r.right || area->bottom > r.bottom || area->IsEmpty())
      return err::kInvalidRect;
    r = *area;
  }
  locked_ = true;
  *bits = bits_ + size_t(r.top) * pitch_ + size_t(r.left) * BytesPerPixel(format_);
  *pitchBytes = pitch_;
  return err::kOk;
}

HResult Surface::Unlock() {
  detail::Settle();
  if (!locked_) return err::kNotLocked;
  locked_ = false;
  ++generation_;
  if (caps_ & caps::kPrimary) NotifyPresent(Rect{0, 0, int32_t(width_), int32_t(height_)});
  return err::kOk;
}

namespace {

// Copies src (any rectangle inside it) onto dst (any rectangle, clipped to
// dst), nearest-neighbour when sizes differ; `convert` decodes and encodes.
void CopyPixels(Surface& dst, const Rect& d, Surface& src, const Rect& s, bool convert) {
  Rect dclip = Intersect(d, Rect{0, 0, int32_t(dst.Width()), int32_t(dst.Height())});
  if (dclip.IsEmpty() || s.IsEmpty()) return;
  int dbpp = BytesPerPixel(dst.Format()), sbpp = BytesPerPixel(src.Format());
  int64_t dw = d.Width(), dh = d.Height(), sw = s.Width(), sh = s.Height();
  bool same = dw == sw && dh == sh;
  int n = dclip.Width();
  std::vector<int32_t> xmap;
  if (!same) {
    xmap.resize(size_t(n));
    for (int i = 0; i < n; ++i) xmap[size_t(i)] = int32_t(s.left + ((2 * (dclip.left + i - d.left) + 1) * sw) / (2 * dw));
  }
  std::vector<uint32_t> row(convert ? size_t(n) : 0), srow(convert && !same ? size_t(sw) : 0);
  // Rows in the order that keeps an overlapping copy on one surface correct.
  bool up = !(&dst == &src && same && d.top > s.top);
  for (int k = 0; k < dclip.Height(); ++k) {
    int y = up ? dclip.top + k : dclip.bottom - 1 - k;
    int64_t sy = same ? s.top + (y - d.top) : s.top + ((2 * (y - d.top) + 1) * sh) / (2 * dh);
    uint8_t* drow = dst.Bits() + size_t(y) * dst.Pitch() + size_t(dclip.left) * dbpp;
    const uint8_t* srow0 = src.Bits() + size_t(sy) * src.Pitch();
    if (same) {
      const uint8_t* sp = srow0 + size_t(s.left + (dclip.left - d.left)) * sbpp;
      if (convert) {
        DecodeRow(src.Format(), sp, row.data(), n);
        EncodeRow(dst.Format(), row.data(), drow, n);
      } else {
        std::memmove(drow, sp, size_t(n) * dbpp);
      }
    } else if (convert) {
      for (int i = 0; i < n; ++i) row[size_t(i)] = DecodePixel(src.Format(), srow0 + size_t(xmap[size_t(i)]) * sbpp);
      EncodeRow(dst.Format(), row.data(), drow, n);
    } else {
      for (int i = 0; i < n; ++i) std::memcpy(drow + size_t(i) * dbpp, srow0 + size_t(xmap[size_t(i)]) * sbpp, dbpp);
    }
  }
  dst.Touch();
}

bool InsideSurface(const Rect& r, const Surface& s) {
  return r.left >= 0 && r.top >= 0 && r.right <= int32_t(s.Width()) && r.bottom <= int32_t(s.Height()) &&
         !r.IsEmpty();
}

}  // namespace

HResult Surface::Blt(const Rect* dst, Surface* src, const Rect* srcRect, uint32_t flags, const BltFx* fx) {
  detail::Settle();
  Rect whole{0, 0, int32_t(width_), int32_t(height_)};
  Rect d = dst ? *dst : whole;
  {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Blt(0x%x)", flags);
    test::Fault::Log(buf);
  }
  if (lost_ || (src && src->lost_)) return err::kSurfaceLost;
  if (HResult f = test::Fault::Check(test::Op::Blt, dd_ ? dd_->adapter : 0)) return f;
  if ((caps_ & caps::kPrimary) && ConsumeStillDrawing()) return err::kWasStillDrawing;
  if (locked_ || (src && src->locked_)) return err::kSurfaceBusy;
  if (flags & kBltColorFill) {
    if (!fx) return err::kInvalidArg;
    Rect r = Intersect(d, whole);
    int bpp = BytesPerPixel(format_);
    uint8_t px[4];
    WriteRaw(px, bpp, fx->fillColor);
    for (int y = r.top; y < r.bottom; ++y) {
      uint8_t* row = bits_ + size_t(y) * pitch_ + size_t(r.left) * bpp;
      if (bpp == 4) {
        uint32_t* p = reinterpret_cast<uint32_t*>(row);
        std::fill(p, p + r.Width(), fx->fillColor);
      } else {
        for (int x = 0; x < r.Width(); ++x) std::memcpy(row + size_t(x) * bpp, px, size_t(bpp));
      }
    }
    ++generation_;
    if (caps_ & caps::kPrimary) NotifyPresent(r);
    return err::kOk;
  }
  if (!src) return err::kInvalidArg;
  Rect s = srcRect ? *srcRect : Rect{0, 0, int32_t(src->width_), int32_t(src->height_)};
  if (!InsideSurface(s, *src) || d.IsEmpty()) return err::kInvalidRect;
  if (!Compatible(format_, src->format_)) return err::kFormatMismatch;
  if (caps_ & caps::kPrimary) {
    // A frame nothing reads is presented without its pixels.
    Presenter* presenter = G().presenter;
    holdsFrame_ = !presenter || presenter->ReadsFrames();
    if (holdsFrame_) CopyPixels(*this, d, *src, s, false);
    NotifyPresent(Intersect(d, whole));
    return err::kOk;
  }
  CopyPixels(*this, d, *src, s, false);
  return err::kOk;
}

HResult Surface::BltFast(int32_t x, int32_t y, Surface* src, const Rect* srcRect, uint32_t flags) {
  detail::Settle();
  test::Fault::Log("BltFast");
  if (!src) return err::kInvalidArg;
  if (lost_ || src->lost_) return err::kSurfaceLost;
  if (HResult f = test::Fault::Check(test::Op::BltFast, dd_ ? dd_->adapter : 0)) return f;
  if (locked_ || src->locked_) return err::kSurfaceBusy;
  Rect s = srcRect ? *srcRect : Rect{0, 0, int32_t(src->width_), int32_t(src->height_)};
  if (!InsideSurface(s, *src)) return err::kInvalidRect;
  Rect d{x, y, x + s.Width(), y + s.Height()};
  if (!InsideSurface(d, *this)) return err::kInvalidRect;
  if (!Compatible(format_, src->format_)) return err::kFormatMismatch;
  CopyPixels(*this, d, *src, s, false);
  if (caps_ & caps::kPrimary) NotifyPresent(d);
  return err::kOk;
}

HResult Surface::Flip(Surface* target, uint32_t flags) {
  detail::Settle();
  test::Fault::Log("Flip");
  if (!backBuffer_ || target) return err::kInvalidArg;
  if (lost_ || backBuffer_->lost_) return err::kSurfaceLost;
  if (HResult f = test::Fault::Check(test::Op::Flip, dd_ ? dd_->adapter : 0)) return f;
  if (ConsumeStillDrawing()) return err::kWasStillDrawing;
  if (locked_ || backBuffer_->locked_) return err::kSurfaceBusy;
  std::swap(storage_, backBuffer_->storage_);
  std::swap(bits_, backBuffer_->bits_);
  holdsFrame_ = true;
  ++generation_;
  ++backBuffer_->generation_;
  NotifyPresent(Rect{0, 0, int32_t(width_), int32_t(height_)});
  return err::kOk;
}

HResult Surface::GetFlipStatus(uint32_t flags) const {
  if (lost_) return err::kSurfaceLost;
  if (ConsumeStillDrawing()) return err::kWasStillDrawing;
  return err::kOk;
}

HResult Surface::GetAttachedSurface(uint32_t want, Surface** out) {
  if (!out) return err::kInvalidArg;
  *out = nullptr;
  Surface* s = (want & caps::kBackBuffer) ? backBuffer_ : (want & caps::kZBuffer) ? zBuffer_ : nullptr;
  if (!s) return err::kNotFound;
  s->AddRef();
  *out = s;
  return err::kOk;
}

HResult Surface::AddAttachedSurface(Surface* attached) {
  if (!attached) return err::kInvalidArg;
  if (!(attached->caps_ & caps::kZBuffer)) return err::kInvalidArg;
  if (zBuffer_) return err::kFail;
  if (attached->width_ != width_ || attached->height_ != height_) return err::kInvalidArg;
  attached->AddRef();
  zBuffer_ = attached;
  return err::kOk;
}

HResult Surface::DeleteAttachedSurface(uint32_t flags, Surface* attached) {
  if (!zBuffer_ || (attached && attached != zBuffer_)) return err::kNotFound;
  zBuffer_->Release();
  zBuffer_ = nullptr;
  return err::kOk;
}

HResult Surface::SetClipper(Clipper* c) {
  if (c) c->AddRef();
  if (clipper_) clipper_->Release();
  clipper_ = c;
  return err::kOk;
}

HResult Surface::Restore() {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  if (!lost_) return err::kOk;
  if (!dd_ || !dd_->ddAlive) return err::kSurfaceLost;
  if (G().coopResult) return G().coopResult;
  if (HResult f = test::Fault::Check(test::Op::Restore, dd_->adapter)) return f;
  uint64_t bytes = uint64_t(pitch_) * height_;
  if (InVideoMemory(caps_)) {
    if (!ChargeVideoMemory(bytes)) return err::kOutOfVideoMemory;
    charged_ = bytes;
  }
  Allocate();
  FillPattern(0xCDCDCDCDu);
  holdsFrame_ = true;
  lost_ = false;
  test::Fault::Log("Restore");
  if (backBuffer_ && backBuffer_->lost_) return backBuffer_->Restore();
  return err::kOk;
}

void Surface::NotifyPresent(const Rect& area) {
  detail::Settle();
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  if (!dd_) return;
  // The window shows the client area of a windowed primary, a full-screen primary whole.
  Rect shown{0, 0, int32_t(width_), int32_t(height_)};
  if (!dd_->FullScreen()) {
    HostWindow* w = clipper_ && clipper_->Window() ? clipper_->Window() : dd_->window;
    if (w) shown = Intersect(w->ClientRectOnScreen(), shown);
  }
  if (shown.IsEmpty() || Intersect(shown, area).IsEmpty()) return;
  Global& g = G();
  ++g.framesShown;
  int w = shown.Width(), h = shown.Height();
  const uint8_t* first = bits_ + size_t(shown.top) * pitch_ + size_t(shown.left) * BytesPerPixel(format_);
  if (g.presenter && IsRgb32(format_)) {
    // The frame is lent: a host that only keeps it for reading copies it when read.
    g.lent = this;
    g.presenter->PresentLent(reinterpret_cast<const uint32_t*>(first), w, h, pitch_ / 4);
    return;
  }
  ReturnLentFrame();
  std::vector<uint32_t> tmp(size_t(w) * h);
  for (int y = 0; y < h; ++y) DecodeRow(format_, first + size_t(y) * pitch_, tmp.data() + size_t(y) * w, w);
  if (g.presenter) {
    g.presenter->Present(tmp.data(), w, h, w);
    return;
  }
  g.frame.width = w;
  g.frame.height = h;
  g.frame.pixels.swap(tmp);
}

bool Surface::AlphaBytesAllSet() const {
  for (uint32_t y = 0; y < height_; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(bits_ + size_t(y) * size_t(pitch_));
    uint32_t x = 0;
#if defined(__SSE2__)
    const __m128i amask = _mm_set1_epi32(int(0xFF000000u));
    for (; x + 4 <= width_; x += 4) {
      const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x)), amask);
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, amask)) != 0xFFFF) return false;
    }
#endif
    for (; x < width_; ++x)
      if ((row[x] >> 24) != 0xFFu) return false;
  }
  return true;
}

const uint32_t* Surface::ArgbPixels(int* pitchPixels) {
  if (IsArgb32(format_)) {
    *pitchPixels = pitch_ / 4;
    return reinterpret_cast<const uint32_t*>(bits_);
  }
  // 32-bit RGB whose alpha bytes are all set (a picture without alpha
  // uploaded as decoded) reads as the copy would, from its own memory: no
  // copy is made or kept. Looked at once per generation.
  if (IsRgb32(format_)) {
    if (alphaSetGeneration_ != generation_) {
      alphaSetGeneration_ = generation_;
      alphaSet_ = AlphaBytesAllSet();
    }
    if (alphaSet_) {
      if (!argb_.empty()) std::vector<uint32_t>().swap(argb_);
      argbGeneration_ = 0;
      *pitchPixels = pitch_ / 4;
      return reinterpret_cast<const uint32_t*>(bits_);
    }
  }
  if (argbGeneration_ != generation_ || argb_.size() != size_t(width_) * height_) {
    argb_.resize(size_t(width_) * height_);
    for (uint32_t y = 0; y < height_; ++y)
      DecodeRow(format_, bits_ + size_t(y) * pitch_, argb_.data() + size_t(y) * width_, int(width_));
    argbGeneration_ = generation_;
  }
  *pitchPixels = int(width_);
  return argb_.data();
}

const OpacityRuns* Surface::Opacity() {
  if (opacityGeneration_ == generation_) return &opacity_;
  if (opacitySeen_ != generation_) {
    opacitySeen_ = generation_;
    return nullptr;
  }
  int pitch = 0;
  const uint32_t* px = ArgbPixels(&pitch);
  OpacityRuns& o = opacity_;
  o.rowStart.assign(1, 0);
  o.runs.clear();
  o.opaqueStart.assign(1, 0);
  o.opaque.clear();
  std::vector<OpacityRuns::Run> raw;
  auto kindOf = [](uint32_t p) -> uint8_t {
    const uint32_t a = p >> 24;
    return a == 0 ? OpacityRuns::kTransparent : a == 255 ? OpacityRuns::kOpaque : OpacityRuns::kMixed;
  };
  for (uint32_t y = 0; y < height_; ++y) {
    const uint32_t* row = px + size_t(y) * size_t(pitch);
    raw.clear();
    // Each run of pixels of one kind, four pixels at a time while they all are.
    for (uint32_t x = 0; x < width_;) {
      const uint8_t kind = kindOf(row[x]);
      uint32_t end = x + 1;
#if defined(__SSE2__)
      const __m128i amask = _mm_set1_epi32(int(0xFF000000u)), z = _mm_setzero_si128();
      for (; end + 4 <= width_; end += 4) {
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + end)), amask);
        const __m128i clear = _mm_cmpeq_epi32(a, z), opaque = _mm_cmpeq_epi32(a, amask);
        const __m128i same = kind == OpacityRuns::kTransparent ? clear
                             : kind == OpacityRuns::kOpaque   ? opaque
                                                              : _mm_cmpeq_epi32(_mm_or_si128(clear, opaque), z);
        if (_mm_movemask_epi8(same) != 0xFFFF) break;
      }
#endif
      while (end < width_ && kindOf(row[end]) == kind) ++end;
      raw.push_back({end, kind});
      x = end;
    }
    // Short clear runs join the mixed ones, and so do opaque ones too short
    // to be worth a copy of their own (the blend writes opaque texels as
    // they are, a group at a time); neighbours of one kind merge. What
    // covers is every opaque run of at least kMinRun all the same.
    uint32_t begin = 0;
    size_t first = o.runs.size();
    for (const OpacityRuns::Run& r : raw) {
      const uint32_t length = r.end - begin;
      if (r.kind == OpacityRuns::kOpaque && length >= OpacityRuns::kMinRun) o.opaque.push_back({begin, r.end});
      const uint32_t least = r.kind == OpacityRuns::kOpaque ? OpacityRuns::kMinCopy : OpacityRuns::kMinRun;
      const uint8_t kind = length < least ? uint8_t(OpacityRuns::kMixed) : r.kind;
      if (o.runs.size() > first && o.runs.back().kind == kind)
        o.runs.back().end = r.end;
      else
        o.runs.push_back({r.end, kind});
      begin = r.end;
    }
    o.rowStart.push_back(uint32_t(o.runs.size()));
    o.opaqueStart.push_back(uint32_t(o.opaque.size()));
  }
  opacityGeneration_ = generation_;
  return &o;
}

void Surface::FreeSquares::operator()(uint32_t* p) const { std::free(p); }

const uint32_t* Surface::TexelSquares(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
  int pitch = 0;
  const uint32_t* px = ArgbPixels(&pitch);
  const size_t w = width_, h = height_, p = size_t(pitch);
  if (w == 0 || h == 0) return nullptr;
  constexpr uint32_t kTile = 16;
  const size_t across = (w + kTile - 1) / kTile, down = (h + kTile - 1) / kTile;
  if (!squares_ || squaresSize_ != 4 * p * h || squareTiles_.size() != across * down) {
    // Zeroed pages from the system, taken up only where tiles are made.
    squares_.reset(static_cast<uint32_t*>(std::calloc(4 * p * h, sizeof(uint32_t))));
    if (!squares_) throw std::bad_alloc();
    squaresSize_ = 4 * p * h;
    squareTiles_.assign(across * down, 0);
  } else if (squaresGeneration_ != generation_) {
    std::fill(squareTiles_.begin(), squareTiles_.end(), uint8_t(0));
  }
  squaresGeneration_ = generation_;
  x1 = std::min<uint32_t>(x1, width_);
  y1 = std::min<uint32_t>(y1, height_);
  for (uint32_t ty = y0 / kTile; y0 < y1 && ty <= (y1 - 1) / kTile; ++ty)
    for (uint32_t tx = x0 / kTile; x0 < x1 && tx <= (x1 - 1) / kTile; ++tx) {
      uint8_t& made = squareTiles_[ty * across + tx];
      if (made) continue;
      made = 1;
      const size_t yEnd = std::min<size_t>(h, size_t(ty + 1) * kTile), xEnd = std::min<size_t>(w, size_t(tx + 1) * kTile);
      for (size_t y = size_t(ty) * kTile; y < yEnd; ++y)
        for (size_t x = size_t(tx) * kTile; x < xEnd; ++x) {
          uint32_t* q = squares_.get() + 4 * (y * p + x);
          const uint32_t* t = px + y * p + x;
          const bool right = x + 1 < w, below = y + 1 < h;
          q[0] = t[0];
          q[1] = right ? t[1] : 0;
          q[2] = below ? t[p] : 0;
          q[3] = right && below ? t[p + 1] : 0;
        }
    }
  return squares_.get();
}

void Surface::ReturnLentFrame() {
  std::lock_guard<std::recursive_mutex> lock(G().mutex);
  Global& g = G();
  if (g.lent != this) return;
  g.lent = nullptr;
  if (g.presenter) g.presenter->ReturnFrame();
}

HResult StretchCopy(Surface& dst, const Rect& dstRect, Surface& src, const Rect& srcRect) {
  detail::Settle();
  test::Fault::Log("StretchCopy");
  if (dst.IsLost() || src.IsLost()) return err::kSurfaceLost;
  if (!InsideSurface(srcRect, src) || dstRect.IsEmpty()) return err::kInvalidRect;
  if (!BytesPerPixel(dst.Format()) || !BytesPerPixel(src.Format())) return err::kFormatMismatch;
  CopyPixels(dst, dstRect, src, srcRect, !Compatible(dst.Format(), src.Format()));
  return err::kOk;
}

}  // namespace sdev
