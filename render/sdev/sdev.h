// The software display device: the part of a DirectDraw 7 / Direct3D 7 /
// D3DX / GDI style display API that the display code needs, rasterised on
// the CPU into 32-bit ARGB memory (16-bit surfaces are emulated).
//
// Surfaces (lock, blit, colour fill, flip, attachments, loss and restore),
// the DirectDraw object (cooperative level, display modes, video-memory
// accounting), Direct3D (device and format enumeration) and the 3-D device
// (scenes, render and texture-stage states, transforms, viewports, lights,
// the vertex formats 0x112, 0x1E2 and 0x1C4, indexed drawing with range
// checks). Pixel rules: docs/sdev.md. Tests drive it through sdev/fault.h.
//
// Depends on nothing of ours but this folder; presentation goes through a
// Presenter that the layer above installs.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sdev {

using HResult = int32_t;

namespace err {
constexpr HResult kOk = 0;
constexpr HResult kNotImpl = int32_t(0x80004001);
constexpr HResult kFail = int32_t(0x80004005);
constexpr HResult kPointer = int32_t(0x80004003);
constexpr HResult kInvalidArg = int32_t(0x80070057);
constexpr HResult kInvalidRect = int32_t(0x88760096);
constexpr HResult kNotFound = int32_t(0x887600FF);
constexpr HResult kOutOfVideoMemory = int32_t(0x8876017C);
constexpr HResult kSurfaceBusy = int32_t(0x887601AE);
constexpr HResult kSurfaceLost = int32_t(0x887601C2);
constexpr HResult kWasStillDrawing = int32_t(0x8876021C);
constexpr HResult kNotLocked = int32_t(0x88760248);
// Codes the display code reacts to; their meaning is only that reaction.
constexpr HResult kTexCreate24E = int32_t(0x8876024E);
constexpr HResult kDevice2EB = int32_t(0x887602EB);
constexpr HResult kDevice23C = int32_t(0x8876023C);
constexpr HResult kScene2FB = int32_t(0x887602FB);
constexpr HResult kInScene = int32_t(0x88760370);
constexpr HResult kNotInScene = int32_t(0x88760371);
// Our own: exclusive mode lost (focus gone); the display mode was changed
// under us; a blit between surfaces of different pixel formats.
constexpr HResult kNotExclusive = int32_t(0x8876F001);
constexpr HResult kWrongMode = int32_t(0x8876F002);
constexpr HResult kFormatMismatch = int32_t(0x8876F003);
}  // namespace err

inline bool Failed(HResult r) { return r < 0; }

// Right and bottom exclusive.
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};
Rect Intersect(const Rect& a, const Rect& b);

struct Guid {
  uint32_t w[4] = {0, 0, 0, 0};
  bool operator==(const Guid& o) const { return w[0] == o.w[0] && w[1] == o.w[1] && w[2] == o.w[2] && w[3] == o.w[3]; }
};

// Pixel-format flags.
constexpr uint32_t kPfAlphaPixels = 0x1, kPfRGB = 0x40, kPfZBuffer = 0x400, kPfBumpDuDv = 0x80000;

struct PixelFormat {
  uint32_t flags = 0;
  uint32_t bitCount = 0;  // colour bits per pixel, or z depth
  uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
  bool operator==(const PixelFormat& o) const {
    return flags == o.flags && bitCount == o.bitCount && rMask == o.rMask && gMask == o.gMask &&
           bMask == o.bMask && aMask == o.aMask;
  }
  bool operator!=(const PixelFormat& o) const { return !(*this == o); }
};

// The formats the device offers.
enum class Format { A8R8G8B8, X8R8G8B8, R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, Z16, Z24, Z32 };
PixelFormat MakeFormat(Format f);
// Bytes per pixel of a format (z formats: 2 or 4); 0 when not supported.
int BytesPerPixel(const PixelFormat& f);
bool IsArgb32(const PixelFormat& f);  // masks 0xFF0000 / 0xFF00 / 0xFF / 0xFF000000
// A pixel of the format as 0xAARRGGBB (channels widened by bit replication;
// no alpha mask reads as 0xFF), and back (channels cut to their width).
uint32_t DecodePixel(const PixelFormat& f, const uint8_t* p);
void EncodePixel(const PixelFormat& f, uint8_t* p, uint32_t argb);
uint32_t EncodeColor(const PixelFormat& f, uint32_t argb);  // the raw value, e.g. for colour fills

namespace caps {
enum : uint32_t {
  kBackBuffer = 0x4, kComplex = 0x8, kFlip = 0x10, kFrontBuffer = 0x20, kOffscreenPlain = 0x40,
  kPrimary = 0x200, kSystemMemory = 0x800, kTexture = 0x1000, k3DDevice = 0x2000,
  kVideoMemory = 0x4000, kZBuffer = 0x20000,
};
constexpr uint32_t kCaps2Hint100 = 0x100;
}  // namespace caps

// Surface-description flags.
constexpr uint32_t kSdCaps = 0x1, kSdHeight = 0x2, kSdWidth = 0x4, kSdPitch = 0x8, kSdBackBufferCount = 0x20,
                   kSdPixelFormat = 0x1000;

struct SurfaceDesc {
  uint32_t flags = 0;
  uint32_t width = 0, height = 0;
  int32_t pitch = 0;  // bytes
  uint32_t backBufferCount = 0;
  PixelFormat format{};
  uint32_t caps = 0, caps2 = 0;
};

struct BltFx {
  uint32_t fillColor = 0;  // raw value in the destination's format
  bool noTearing = false;
};
enum BltFlags : uint32_t { kBltColorFill = 0x400, kBltDdFx = 0x800, kBltWait = 0x1000000 };
constexpr uint32_t kBltFastWait = 0x10;
constexpr uint32_t kLockWait = 0x1;
constexpr uint32_t kGfsIsFlipDone = 0x2;
constexpr uint32_t kWaitVbBlockBegin = 0x1;

// Cooperative-level flags.
constexpr uint32_t kCoopFullScreen = 0x1, kCoopNormal = 0x8, kCoopExclusive = 0x10, kCoopFpuPreserve = 0x1000;

class DirectDraw;
class Clipper;
class HostWindow;
struct DDState;

// Runs of equal opacity along each row of a surface's ARGB pixels, for
// drawing pictures unscaled: fully transparent runs can be skipped and fully
// opaque ones copied. Runs shorter than kMinRun pixels count as mixed.
struct OpacityRuns {
  enum : uint8_t { kMixed = 0, kTransparent = 1, kOpaque = 2 };
  static constexpr uint32_t kMinRun = 16;
  static constexpr uint32_t kMinCopy = 128;  // opaque runs shorter than this count as mixed too
  struct Run {
    uint32_t end;  // from the previous run's end (0 for the first) to here
    uint8_t kind;
  };
  std::vector<uint32_t> rowStart;  // row y's runs are runs[rowStart[y] .. rowStart[y + 1])
  std::vector<Run> runs;
  // The opaque runs alone, as texel spans [begin, end): row y's are
  // opaque[opaqueStart[y] .. opaqueStart[y + 1]).
  struct Span {
    uint32_t begin, end;
  };
  std::vector<uint32_t> opaqueStart;
  std::vector<Span> opaque;
};

// Pictures drawn texel for pixel are held back and drawn when any surface
// memory is next read or written another way (docs/sdev.md); this draws
// them now. Every entry point that reads or writes pixels calls it first.
void DrawHeldPictures();
namespace detail {
extern thread_local bool gHeldPictures;  // this thread holds pictures
inline void Settle() {
  if (gHeldPictures) DrawHeldPictures();
}
}  // namespace detail

class Surface {
public:
  void AddRef();
  uint32_t Release();
  HResult GetSurfaceDesc(SurfaceDesc* out) const;
  HResult GetPixelFormat(PixelFormat* out) const;
  // A pointer to the area's top-left (the whole surface when null) and the pitch in bytes.
  HResult Lock(const Rect* area, void** bits, int32_t* pitchBytes, uint32_t flags);
  HResult Unlock();
  // Colour fill (kBltColorFill with fx), or a copy of srcRect (whole when null)
  // to dst (whole when null), stretched by nearest neighbour when the sizes
  // differ. Source and destination must share the bit count and colour masks
  // (the alpha byte of 32-bit formats is copied as is); otherwise kFormatMismatch.
  HResult Blt(const Rect* dst, Surface* src, const Rect* srcRect, uint32_t flags, const BltFx* fx);
  HResult BltFast(int32_t x, int32_t y, Surface* src, const Rect* srcRect, uint32_t flags);
  // Exchanges the contents of this primary and its attached back buffer.
  HResult Flip(Surface* target, uint32_t flags);
  HResult GetFlipStatus(uint32_t flags) const;  // 0 = done
  // The attached back buffer or z-buffer, with a reference added.
  HResult GetAttachedSurface(uint32_t caps, Surface** out);
  HResult AddAttachedSurface(Surface* attached);  // holds a reference
  HResult DeleteAttachedSurface(uint32_t flags, Surface* attached);
  HResult SetClipper(Clipper* c);
  // Gives a lost surface new memory, filled with the loud pattern 0xCDCDCDCD.
  HResult Restore();
  bool IsLost() const;

  // Direct views for the device and the layers that own the memory (no
  // checks; the held pictures are drawn first).
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  int32_t Pitch() const { return pitch_; }
  uint8_t* Bits() {
    detail::Settle();
    return bits_;
  }
  const uint8_t* Bits() const {
    detail::Settle();
    return bits_;
  }
  const PixelFormat& Format() const { return format_; }
  uint32_t Caps() const { return caps_; }
  // Bumped whenever the pixels may have changed (lock, blit, draw, restore).
  uint32_t Generation() const { return generation_; }
  void Touch() { ++generation_; }
  uint64_t ChargedBytes() const { return charged_; }
  // Takes `memory` (from malloc, 16-byte aligned, Pitch() x Height() bytes)
  // as its pixels in place of its own, which it frees; false (nothing taken)
  // for a lost or locked surface or memory not so aligned.
  bool TakeMemory(uint8_t* memory);
  // The pixels as ARGB for sampling, with the pitch in pixels: the surface's
  // own memory for A8R8G8B8, and for other 32-bit RGB whose alpha bytes are
  // all 255; else a copy converted once per generation, kept with the
  // surface (and freed with it).
  const uint32_t* ArgbPixels(int* pitchPixels);
  // The opacity runs of the ARGB pixels, made when a generation is drawn
  // the second time (a surface that changes at every draw never pays for
  // them); null until then.
  const OpacityRuns* Opacity();
  // Each texel of the ARGB pixels with its right, lower and lower right
  // neighbours (zero past the last column and row), four pixels a texel at
  // 4 (y pitch + x) for ArgbPixels' pitch: the texels filtering at a texel
  // reads, in one place. Made for the current generation at least for the
  // texels [x0, x1) x [y0, y1) (in tiles of 16 by 16, as asked for); the
  // others may hold anything (zero or an older generation's). Null for an
  // empty surface.
  const uint32_t* TexelSquares(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);
  // False for a primary whose last present was left out of its memory while
  // nothing read the frames (Presenter::ReadsFrames); true otherwise.
  bool HoldsFrame() const { return holdsFrame_; }

private:
  friend class DirectDraw;
  friend struct DDState;
  friend class Device;
  Surface() = default;
  ~Surface();
  bool Allocate();
  void FillPattern(uint32_t pattern);
  void NotifyPresent(const Rect& area);
  // Takes back this surface's pixels from the presenter when they were lent.
  void ReturnLentFrame();

  uint32_t refs_ = 1;
  uint32_t width_ = 0, height_ = 0;
  int32_t pitch_ = 0;
  PixelFormat format_{};
  uint32_t caps_ = 0, caps2_ = 0;
  uint8_t* bits_ = nullptr;
  struct FreeBytes {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t, FreeBytes> storage_;
  bool lost_ = false;
  bool locked_ = false;
  bool holdsFrame_ = true;
  uint32_t generation_ = 1;
  uint64_t charged_ = 0;  // video-memory bytes charged
  std::vector<uint32_t> argb_;  // ArgbPixels' copy of a surface in another format
  uint32_t argbGeneration_ = 0;  // the generation argb_ was made from (0: none)
  // 32-bit RGB: whether every alpha byte is 255, as seen at generation alphaSetGeneration_ (0: never).
  bool AlphaBytesAllSet() const;
  bool alphaSet_ = false;
  uint32_t alphaSetGeneration_ = 0;
  OpacityRuns opacity_;
  uint32_t opacityGeneration_ = 0, opacitySeen_ = 0;
  struct FreeSquares {
    void operator()(uint32_t* p) const;
  };
  std::unique_ptr<uint32_t, FreeSquares> squares_;  // TexelSquares' (zero until a tile is made)
  size_t squaresSize_ = 0;
  std::vector<uint8_t> squareTiles_;  // per tile: made for squaresGeneration_
  uint32_t squaresGeneration_ = 0;
  Surface* backBuffer_ = nullptr;  // primary of a flip chain: the attached back buffer (owned reference)
  Surface* zBuffer_ = nullptr;     // attached z-buffer (owned reference)
  Clipper* clipper_ = nullptr;
  DDState* dd_ = nullptr;          // shared state of the creating DirectDraw object (kept alive)
};

// Stand-in for GDI's StretchBlt (SRCCOPY): nearest-neighbour stretch that
// converts between any two colour formats; lost surfaces give kSurfaceLost.
HResult StretchCopy(Surface& dst, const Rect& dstRect, Surface& src, const Rect& srcRect);

struct DisplayMode {
  uint32_t width = 0, height = 0, bpp = 0;
};

// Hardware caps record: the fields read by the display code; the whole record
// is dumped as hex into the device text.
struct DDCaps {
  uint32_t size = sizeof(DDCaps);
  uint32_t caps = 0, caps2 = 0;
  uint64_t vidMemTotal = 0, vidMemFree = 0;
  uint32_t reserved[8] = {};
};

struct DeviceIdentifier {
  std::string driver, description;
  uint64_t driverVersion = 0;
  uint32_t vendorId = 0, deviceId = 0, subSysId = 0, revision = 0;
  Guid guid;
};

class DirectDraw {
public:
  // DirectDrawCreateEx: null = the default device, else the adapter with that GUID.
  static HResult Create(const Guid* device, DirectDraw** out);
  // Calls cb(guid or null for the default device, description) per adapter
  // until it returns false.
  static HResult EnumerateDevices(uint32_t flags, const std::function<bool(const Guid*, const std::string&)>& cb);

  void AddRef();
  uint32_t Release();
  HResult SetCooperativeLevel(HostWindow* w, uint32_t flags);
  HResult GetCaps(DDCaps* hw, DDCaps* hel) const;
  // Modes of exactly w x h (0 = any), in the configured order.
  HResult EnumDisplayModes(uint32_t w, uint32_t h, const std::function<bool(const SurfaceDesc&)>& cb) const;
  HResult SetDisplayMode(uint32_t w, uint32_t h, uint32_t bpp, uint32_t refresh, uint32_t flags);
  HResult RestoreDisplayMode();
  HResult GetDisplayMode(SurfaceDesc* out) const;
  HResult CreateSurface(const SurfaceDesc& desc, Surface** out);
  HResult CreateClipper(uint32_t flags, Clipper** out);
  HResult GetAvailableVidMem(uint32_t caps, uint64_t* total, uint64_t* free) const;
  HResult GetDeviceIdentifier(DeviceIdentifier* out, uint32_t flags) const;
  HResult WaitForVerticalBlank(uint32_t flags);
  HResult TestCooperativeLevel() const;
  HResult RestoreAllSurfaces();
  HResult FlipToGDISurface();
  HResult QueryDirect3D(class Direct3D** out);

  int AdapterIndex() const;
  bool IsFullScreen() const;

private:
  friend struct DDState;
  DirectDraw() = default;
  ~DirectDraw();
  uint32_t refs_ = 1;
  DDState* state_ = nullptr;
};

class Clipper {
public:
  HResult SetHWnd(uint32_t flags, HostWindow* w);
  HostWindow* Window() const { return window_; }
  void AddRef() { ++refs_; }
  uint32_t Release();

private:
  friend class DirectDraw;
  Clipper() = default;
  uint32_t refs_ = 1;
  HostWindow* window_ = nullptr;
};

// Device capability bits.
constexpr uint32_t kDevCapsHwTransformAndLight = 0x10000, kDevCapsHwRasterization = 0x80000;
constexpr uint32_t kShadeCapsColorGouraudRgb = 0x8;
constexpr uint32_t kDdbd8 = 0x800, kDdbd16 = 0x400, kDdbd24 = 0x200, kDdbd32 = 0x100;

struct D3DDeviceDesc {
  Guid guid;
  uint32_t devCaps = 0;
  uint32_t renderDepths = 0;
  uint32_t triShadeCaps = 0;
  uint32_t maxTextureWidth = 0, maxTextureHeight = 0;
  uint32_t squareOnly = 0, pow2Only = 0;
  uint32_t reserved[4] = {};
};

class Device;
namespace raster {
struct PixelState;
}

class Direct3D {
public:
  HResult EnumDevices(const std::function<bool(const std::string& name, const D3DDeviceDesc&)>& cb) const;
  HResult EnumZBufferFormats(const Guid& dev, const std::function<bool(const PixelFormat&)>& cb) const;
  HResult CreateDevice(const Guid& dev, Surface* renderTarget, Device** out);
  HResult EvictManagedTextures();
  void AddRef() { ++refs_; }
  uint32_t Release();

private:
  friend class DirectDraw;
  Direct3D() = default;
  uint32_t refs_ = 1;
  DirectDraw* dd_ = nullptr;  // owned reference
};

enum class PrimType : uint32_t { PointList = 1, LineList = 2, LineStrip = 3, TriList = 4, TriStrip = 5, TriFan = 6 };

namespace fvf {
constexpr uint32_t kVertex = 0x112;    // x y z, nx ny nz, u v
constexpr uint32_t kLVertex = 0x1E2;   // x y z, reserved, diffuse, specular, u v
constexpr uint32_t kTLVertex = 0x1C4;  // x y z rhw, diffuse, specular, u v
}  // namespace fvf

// x and y may lie outside the render target: drawing is clipped to the part inside.
struct Viewport {
  int32_t x = 0, y = 0;
  uint32_t width = 0, height = 0;
  float minZ = 0.f, maxZ = 1.f;
};

enum class LightType : uint32_t { Point = 1, Spot = 2, Directional = 3 };
struct Light {
  uint32_t type = 3;  // 0 counts as directional
  float diffuse[4] = {1, 1, 1, 1}, specular[4] = {0, 0, 0, 0}, ambient[4] = {0, 0, 0, 0};
  float position[3] = {0, 0, 0}, direction[3] = {0, 0, 1};
  float range = 0, falloff = 0, att0 = 1, att1 = 0, att2 = 0, theta = 0, phi = 0;
};
struct Material {
  float diffuse[4] = {1, 1, 1, 1}, ambient[4] = {1, 1, 1, 1}, specular[4] = {0, 0, 0, 0},
        emissive[4] = {0, 0, 0, 0};
  float power = 0;
};

// Render states (D3D7 numbering).
enum class RS : uint32_t {
  ZEnable = 7, ShadeMode = 9, ZWriteEnable = 14, AlphaTestEnable = 15, SrcBlend = 19, DestBlend = 20,
  CullMode = 22, AlphaBlendEnable = 27, SpecularEnable = 29, TextureFactor = 60, Clipping = 136,
  Lighting = 137, Ambient = 139, ColorVertex = 141,
  // Ours: the clip rectangle inside the viewport (0 = off), set with SetClipRect.
};
enum Blend : uint32_t {
  kBlendZero = 1, kBlendOne = 2, kBlendSrcColor = 3, kBlendInvSrcColor = 4, kBlendSrcAlpha = 5,
  kBlendInvSrcAlpha = 6, kBlendDestAlpha = 7, kBlendInvDestAlpha = 8, kBlendDestColor = 9, kBlendInvDestColor = 10,
};
enum Cull : uint32_t { kCullNone = 1, kCullCW = 2, kCullCCW = 3 };
enum Shade : uint32_t { kShadeFlat = 1, kShadeGouraud = 2 };

// Texture-stage states.
enum class TSS : uint32_t {
  ColorOp = 1, ColorArg1 = 2, ColorArg2 = 3, AlphaOp = 4, AlphaArg1 = 5, AlphaArg2 = 6,
  AddressU = 13, AddressV = 14, MagFilter = 16, MinFilter = 17, MipFilter = 18,
};
enum TexOp : uint32_t {
  kOpDisable = 1, kOpSelectArg1 = 2, kOpSelectArg2 = 3, kOpModulate = 4, kOpModulate2x = 5, kOpModulate4x = 6,
  kOpAdd = 7,
};
enum TexArg : uint32_t { kArgDiffuse = 0, kArgCurrent = 1, kArgTexture = 2, kArgTFactor = 3 };
enum TexAddress : uint32_t { kAddressWrap = 1, kAddressMirror = 2, kAddressClamp = 3 };
enum TexFilter : uint32_t { kFilterPoint = 1, kFilterLinear = 2 };

enum class Transform : uint32_t { World = 1, View = 2, Projection = 3 };

constexpr uint32_t kClearTarget = 1, kClearZBuffer = 2;

class Device {
public:
  HResult GetCaps(D3DDeviceDesc* out) const;
  HResult Clear(uint32_t count, const Rect* rects, uint32_t flags, uint32_t color, float z, uint32_t stencil);
  HResult BeginScene();
  HResult EndScene();
  HResult SetRenderState(RS s, uint32_t v);
  HResult GetRenderState(RS s, uint32_t* v) const;
  HResult SetTextureStageState(uint32_t stage, TSS s, uint32_t v);
  HResult GetTextureStageState(uint32_t stage, TSS s, uint32_t* v) const;
  HResult SetTexture(uint32_t stage, Surface* tex);
  HResult SetTransform(Transform t, const float m[16]);
  HResult GetTransform(Transform t, float m[16]) const;
  HResult SetViewport(const Viewport& vp);
  HResult GetViewport(Viewport* out) const;
  // Ours: a further clip rectangle in render-target pixels (null = none).
  HResult SetClipRect(const Rect* r);
  HResult SetLight(uint32_t i, const Light& l);
  HResult LightEnable(uint32_t i, bool on);
  HResult SetMaterial(const Material& m);
  HResult DrawPrimitive(PrimType t, uint32_t fvf, const void* verts, uint32_t count, uint32_t flags);
  // Every index is checked against vcount (kInvalidArg, nothing drawn).
  HResult DrawIndexedPrimitive(PrimType t, uint32_t fvf, const void* verts, uint32_t vcount, const uint16_t* idx,
                               uint32_t icount, uint32_t flags);
  HResult EnumTextureFormats(const std::function<bool(const PixelFormat&)>& cb) const;
  Surface* RenderTarget() const { return target_; }
  DirectDraw* GetDirectDraw() const { return dd_; }
  void AddRef() { ++refs_; }
  uint32_t Release();

  struct State;

private:
  friend class Direct3D;
  Device();
  ~Device();
  HResult Draw(PrimType t, uint32_t fvf, const void* verts, uint32_t vcount, const uint16_t* idx, uint32_t icount);
  // Hands the batch Draw is about to draw to the recorder (test::SetDrawRecorder).
  void Record(PrimType t, const uint16_t* idx, uint32_t n, Surface* tex, const raster::PixelState& ps,
              const Rect& clip);
  uint32_t refs_ = 1;
  Surface* target_ = nullptr;  // owned reference
  DirectDraw* dd_ = nullptr;   // owned reference
  D3DDeviceDesc desc_;
  State* st_ = nullptr;
};

// D3DX stand-ins.
namespace dx {
constexpr uint32_t kNoMipMap = 0x100;
// Makes a texture surface of at least *w x *h in the asked format (or the
// nearest the device offers), writing back the size and format it made.
HResult CreateTexture(Device* d, uint32_t* flags, uint32_t* w, uint32_t* h, PixelFormat* fmtInOut, Surface** out,
                      uint32_t* mipLevels);
enum class Filter { Point, Linear };
// Loads 32-bit ARGB pixels (rows `pitchBytes` apart) into the texture,
// converting to its format.
HResult LoadTextureFromMemory(Device* d, Surface* tex, uint32_t mipLevel, const void* argb32, uint32_t pitchBytes,
                              const Rect* src, Filter f);
// What LoadTextureFromMemory of a whole picture gives a 32-bit RGB texture
// of the picture's size (its rows as they are), without a copy: the texture
// takes `memory` (from malloc, 16-byte aligned, rows Width() x 4 bytes apart)
// as its pixels. kOk: taken; kNotImpl: the texture or the memory is laid
// out otherwise (nothing taken or counted: the caller loads a copy); else a
// failure as LoadTextureFromMemory's (kSurfaceBusy: locked), nothing taken.
HResult TakeTextureMemory(Device* d, Surface* tex, uint8_t* memory);
// Row-vector orthographic projection of [l, r] x [b, t] x [zn, zf].
void OrthoOffCenter(float out[16], float l, float r, float b, float t, float zn, float zf);
}  // namespace dx

// --- Stand-ins for the desktop and the window (user32 / GDI) ---

struct DesktopInfo {
  int32_t colorCount = -1;  // -1 = more than 8 bits per pixel
  int32_t width = 1920, height = 1080;
};
enum class Metric { CxEdge, CxFrame, CyCaption, CyEdge, CyFrame, CxScreen, CyScreen };

// Window-style bits the display code touches.
constexpr uint32_t kStylePopup = 0x80000000u, kStyleCaption = 0x00C00000u, kStyleSizeBox = 0x00040000u,
                   kStyleMinimizeBox = 0x00020000u;

class Host {
public:
  virtual ~Host() = default;
  virtual DesktopInfo GetDesktop() = 0;
  virtual int SystemMetric(Metric m) = 0;
  virtual Rect WorkArea() = 0;
  virtual bool OsAtLeast(int major, int minor) = 0;
  virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
  virtual void InvalidateDesktop() = 0;
};

class HostWindow {
public:
  virtual ~HostWindow() = default;
  virtual Rect ClientRectOnScreen() = 0;
  virtual Rect WindowRect() = 0;
  virtual uint32_t Style() = 0;
  virtual void SetStyle(uint32_t s) = 0;
  // The window rectangle (relative to the client's top-left) of a client of w x h.
  virtual Rect AdjustForStyle(int clientW, int clientH) = 0;
  virtual void SetSize(int w, int h) = 0;
  virtual void Move(int x, int y) = 0;
  virtual void SetNotTopmost() = 0;
};

// A window whose client area is fixed at (0, 0) - (width, height) and which
// ignores style, size and position changes (tools, benchmarks, tests).
class FixedWindow : public HostWindow {
public:
  FixedWindow(int width, int height) : width_(width), height_(height) {}
  Rect ClientRectOnScreen() override { return Rect{0, 0, width_, height_}; }
  Rect WindowRect() override { return ClientRectOnScreen(); }
  uint32_t Style() override { return 0; }
  void SetStyle(uint32_t) override {}
  Rect AdjustForStyle(int w, int h) override { return Rect{0, 0, w, h}; }
  void SetSize(int, int) override {}
  void Move(int, int) override {}
  void SetNotTopmost() override {}

private:
  int width_, height_;
};

// Shows finished frames. The device calls it on the thread that changed the
// primary surface, with the part of the primary the window shows.
class Presenter {
public:
  virtual ~Presenter() = default;
  // The pixels are the presenter's to read during the call only.
  virtual void Present(const uint32_t* argb, int width, int height, int pitchPixels) = 0;
  // The pixels are the primary's own memory, lent: they stay readable until the
  // next present or ReturnFrame, and change in between only to become the next
  // present's pixels (a blit into the primary is followed by its present).
  virtual void PresentLent(const uint32_t* argb, int width, int height, int pitchPixels) {
    Present(argb, width, height, pitchPixels);
  }
  // The lent pixels are about to go away or change without a present (the
  // primary is freed, given new memory or the presenter replaced).
  virtual void ReturnFrame() {}
  // False while nothing reads the frames presented (no window shows them, no
  // screenshot or reader keeps them): a blit into the primary is then still
  // presented, but its pixels are not copied, and the primary holds no frame
  // until a blit copies one again (HoldsFrame).
  virtual bool ReadsFrames() const { return true; }
};

// The desktop stand-in the device uses (the test configuration's by default)
// and the presenter of every primary surface (none by default). Not owned.
void SetHost(Host* host);
Host* GetHost();
void SetPresenter(Presenter* presenter);
Presenter* GetPresenter();
// The vector kernels drawing uses: 0 none (every pixel by the plain
// formulas), 1 SSE2, 2 AVX2 too, 3 AVX-512 too, within what the processor has; the test
// configuration sets it as well (test::Config::vectorLevel).
void SetVectorLevel(int level);
// Offers one more display mode (the game's own size, for full screen).
void AddDisplayMode(const DisplayMode& mode);

}  // namespace sdev
