// The renderer front: frames, 2-D drawing, render targets, viewports and clip
// rectangles, blend modes, fills, vertex sets and the quad builder.
//
// Coordinates (docs/render.md): 2-D drawing happens in the pixels of the
// current target, with the origin at the top-left of the current clip
// rectangle (PushClipRect; the whole target when none) and everything
// clipped to that rectangle and to the current viewport (PushViewport).
// Pixel centres sit at (x + 0.5, y + 0.5): a rectangle from (0, 0) to
// (w, h) covers exactly w x h pixels, and a texture drawn on it with
// texture coordinates 0..1 maps texel to pixel one to one. Vertex sets of
// format 3 (pre-transformed) use the same origin.
//
// The top of render/: it draws through the display handler
// (render/device/displayhandler.h) on the software display device
// (render/sdev); textures, text and sprites draw through it. Depends on
// platform/.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/string.h"
#include "render/device/vertexset.h"

class TTexture;
using TTextureRef = boost::shared_ptr<TTexture>;

// --- Vertices (32 bytes each) and vertex sets ---

// Format 0 (0x112): position, normal, texture coordinates; lit by the renderer's lights.
struct TVertex {
  float x, y, z, nx, ny, nz, u, v;
};
// Formats 1 and 2 (0x1E2): position, a reserved word, ARGB diffuse and specular colours, texture coordinates.
struct TLitVertex {
  float x, y, z;
  uint32_t reserved;
  uint32_t diffuse, specular;
  float u, v;
};
// Format 3 (0x1C4): pre-transformed position (pixels from the 2-D origin), 1/w, colours, texture coordinates.
struct TScreenVertex {
  float x, y, z, rhw;
  uint32_t diffuse, specular;
  float u, v;
};
static_assert(sizeof(TVertex) == 32 && sizeof(TLitVertex) == 32 && sizeof(TScreenVertex) == 32,
              "vertices are 32 bytes");

// A view of caller-owned vertices (render/device/vertexset.h); FreeVertexSet
// frees the set, not the vertices.
TVertexSet* MakeVertexSet0(TVertex* vertices, uint32_t count);
TVertexSet* MakeVertexSet1(TLitVertex* vertices, uint32_t count);
TVertexSet* MakeVertexSet2(TLitVertex* vertices, uint32_t count);
TVertexSet* MakeVertexSet3(TScreenVertex* vertices, uint32_t count);
void FreeVertexSet(TVertexSet* set);

// Primitive types.
enum : int {
  kPrimPointList = 1, kPrimLineList = 2, kPrimLineStrip = 3, kPrimTriangleList = 4, kPrimTriangleStrip = 5,
  kPrimTriangleFan = 6,
};

// Blend modes (docs/render.md gives the formulas).
enum : int {
  kBlendModeAlpha = 0,        // src * a + dst * (1 - a)
  kBlendModeSubtractive = 1,  // dst * (1 - src)   (option "new_subtractive" = "0": dst * src)
  kBlendModeAdditive = 2,     // src * a + dst
  kBlendModeRender = 3,       // src + dst * (1 - a), for premultiplied pictures ("new_render_blend")
};

// Texture addressing of SetTextureAddressMode.
enum : int { kAddressWrap = 1, kAddressMirror = 2, kAddressClamp = 3 };

// Four lit vertices of a textured quad: corner i is offset + corners[i]
// through `transform`; the corners go round clockwise from the top-left
// (top-left, top-right, bottom-right, bottom-left: a triangle fan) and get the
// texture coordinates uv[0] (top-left) .. uv[1] (bottom-right) accordingly.
// The diffuse colour is `color` with alpha = color.a x alpha, each scaled to
// 0..255 and clamped.
void BuildQuadVertices(TLitVertex out[4], const TVec2& offset, const TVec2 corners[4], const TVec2 uv[2],
                       const TMat3& transform, float alpha, const TFloatColor& color);

// A light of format-0 drawing. Type 0 and 3 are directional (shining along
// `direction`), 1 a point light at `position`.
struct TLight {
  int type = 3;
  TFloatColor diffuse{1, 1, 1, 1};
  TFloatColor ambient{0, 0, 0, 0};
  TVec3 position{0, 0, 0};
  TVec3 direction{0, 0, 1};
};

class TRenderer {
public:
  // The renderer, created on first use.
  static TRenderer* GetInstance();
  // Deletes the renderer (platform shut-down, tests).
  static void Destroy();

  // Named options. "16bitmode" answers the display's 16-bit mode ("0"/"1");
  // "new_subtractive" and "new_render_blend" pick the blend formulas of modes 1
  // and 3; "linearfilter" ("1" by default) filters scaled and turned pictures.
  void SetRenderOption(const TString& name, const TString& value);
  TString GetRenderOption(const TString& name) const;
  int GetRenderOptionInt(const TString& name) const { return GetRenderOption(name).ToInt(); }

  // --- Frames ---
  // Starts a frame; false when the display cannot draw now.
  bool BeginDraw(int flags = 0);
  // Ends the frame begun by BeginDraw: the frame-rate overlay when it is on
  // (setting "showfps"), then the platform's end of frame, which presents it.
  void DrawDebugOverlay(bool present = true);
  bool IsDrawing() const;

  // --- 2-D drawing ---
  // Enters 2-D drawing; true when this call entered it. False when already in
  // 2-D or outside a frame (the caller then draws anyway and must not End2d).
  bool Begin2d();
  void End2d();
  bool Is2d() const { return in2d_; }

  // --- Render targets (docs/render.md: modes) ---
  // Draws into the texture (made with CreateBlank(w, h, true)) until
  // EndRenderTarget. Mode 0 starts from the screen's contents and makes the
  // copy opaque where drawn, 1 keeps the alpha drawn, 2 and 3 start from the
  // texture, 4 starts transparent and keeps the alpha drawn.
  bool BeginRenderTarget(const TTextureRef& texture, int mode = 0);
  void EndRenderTarget();
  TTextureRef GetRenderTarget() const { return target_; }
  void SetRenderTarget(const TTextureRef& texture) { target_ = texture; }

  // --- State ---
  void SetTexture(const TTextureRef& texture);  // empty: none
  const TTextureRef& GetTexture() const { return texture_; }
  void SetTextureAddressMode(int u, int v);  // stage 0; clamp by default in 2-D
  void SetBlendMode(int mode);
  int GetBlendMode() const { return blendMode_; }
  void SetCullMode(int mode);  // 1 none (2-D default), 2 clockwise, 3 counter-clockwise
  void SetLight(int index, const TLight& light);
  void SetAmbientLight(const TFloatColor& color);

  // --- Drawing ---
  // False outside a 2-D frame (nothing drawn) or when the display refused.
  bool DrawVertices(int type, const TVertexSet* set);
  bool DrawIndexedVertices(int type, const TVertexSet* set, const uint16_t* indices, uint32_t count);
  // Four lit vertices (format 2) as a triangle fan, e.g. from BuildQuadVertices.
  bool DrawQuad(TLitVertex vertices[4]);
  // Fills the rectangle (2-D coordinates) with the colour, or, with a target
  // texture, fills that rectangle of the texture directly.
  void FillRect(const TRect& rect, const TFloatColor& color, const TTextureRef& target = TTextureRef());

  // --- Clip rectangles and viewports (render-target pixels) ---
  // The clip rectangle sets the 2-D origin and clips; it may reach outside the target.
  void PushClipRect(const TRect& rect);
  void PopClipRect();
  // The viewport only clips. The bottom entry is never popped.
  void PushViewport(const TRect& rect);
  void PopViewport();
  // The current viewport (all zero when none).
  TRect GetCurrentViewport() const;
  // The display's clip rectangle (the whole screen outside any PushClipRect).
  TRect GetViewport() const;
  // The 2-D origin in target pixels (the clip rectangle's top-left).
  TPoint GetDrawOrigin() const;

  // Frames begun since the renderer was made.
  uint64_t GetFrameCount() const { return frames_; }

private:
  TRenderer();
  ~TRenderer();
  void Apply2dState();
  void ApplyClip();
  void ApplyBlend();
  void ApplyTextureState();
  // Inside a frame: the rectangle as a quad in the 2-D coordinates.
  void FillQuad(const TRect& rect, uint32_t argb);

  std::map<std::string, std::string> options_;
  bool in2d_ = false;
  int blendMode_ = 0;
  int cullMode_ = 1;
  int addressU_ = kAddressClamp, addressV_ = kAddressClamp;
  bool newSubtractive_ = true, newRenderBlend_ = true, linearFilter_ = true;
  TTextureRef texture_;
  TTextureRef target_;
  std::vector<TRect> viewports_;
  uint64_t frames_ = 0;
  uint32_t lastFrameTime_ = 0;
  float frameMs_ = 0;
};

// Begin2d for a scope: ends 2-D drawing at End or destruction when it entered it.
class TRender2dScope {
public:
  TRender2dScope() : entered_(TRenderer::GetInstance()->Begin2d()) {}
  ~TRender2dScope() { End(); }
  void End() {
    if (entered_) TRenderer::GetInstance()->End2d();
    entered_ = false;
  }
  bool Entered() const { return entered_; }
  TRender2dScope(const TRender2dScope&) = delete;
  TRender2dScope& operator=(const TRender2dScope&) = delete;

private:
  bool entered_;
};
