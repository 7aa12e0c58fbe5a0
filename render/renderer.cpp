// The renderer front: 2-D state, blend modes, vertex sets, fills, viewports.
#include "render/renderer.h"

#include <algorithm>
#include <map>
#include <string>

#include "platform/log.h"
#include "platform/settings.h"
#include "platform/shell/platform.h"
#include "platform/time.h"
#include "render/device/displayhandler.h"

namespace sd = sdev;
using sdev::Device;
using sdev::Surface;
using sdev::RS;
using sdev::TSS;
using sdev::Transform;

namespace {

TRenderer* g_renderer = nullptr;

Device* Dev() {
  TDisplayHandler* h = GetDisplayHandler();
  return h ? h->Data().device : nullptr;
}

TVertexSet* MakeSet(int format, void* vertices, uint32_t count) {
  auto* s = new TVertexSet;
  s->format = format;
  s->vertices = vertices;
  s->count = count;
  return s;
}

inline uint32_t Channel(float v) { return uint32_t(std::min(1.0f, std::max(0.0f, v)) * 255.0f + 0.5f); }

}  // namespace

TVertexSet* MakeVertexSet0(TVertex* v, uint32_t count) { return MakeSet(0, v, count); }
TVertexSet* MakeVertexSet1(TLitVertex* v, uint32_t count) { return MakeSet(1, v, count); }
TVertexSet* MakeVertexSet2(TLitVertex* v, uint32_t count) { return MakeSet(2, v, count); }
TVertexSet* MakeVertexSet3(TScreenVertex* v, uint32_t count) { return MakeSet(3, v, count); }
void FreeVertexSet(TVertexSet* set) { delete set; }

void BuildQuadVertices(TLitVertex out[4], const TVec2& offset, const TVec2 corners[4], const TVec2 uv[2],
                       const TMat3& transform, float alpha, const TFloatColor& color) {
  uint32_t diffuse = Channel(color.a * alpha) << 24 | Channel(color.r) << 16 | Channel(color.g) << 8 | Channel(color.b);
  const float us[4] = {uv[0].x, uv[1].x, uv[1].x, uv[0].x};
  const float vs[4] = {uv[0].y, uv[0].y, uv[1].y, uv[1].y};
  for (int i = 0; i < 4; ++i) {
    TVec2 p = transform.Transform(corners[i] + offset);
    out[i].x = p.x;
    out[i].y = p.y;
    out[i].z = 0.0f;
    out[i].reserved = 0;
    out[i].diffuse = diffuse;
    out[i].specular = 0;
    out[i].u = us[i];
    out[i].v = vs[i];
  }
}

TRenderer* TRenderer::GetInstance() {
  if (!g_renderer) g_renderer = new TRenderer;
  return g_renderer;
}

void TRenderer::Destroy() {
  delete g_renderer;
  g_renderer = nullptr;
}

TRenderer::TRenderer() = default;

TRenderer::~TRenderer() { SetSixteenBitModeOption(false); }

void TRenderer::SetRenderOption(const TString& name, const TString& value) {
  options_[name.str()] = value.str();
  bool on = value.ToInt() != 0;
  if (name == "16bitmode") {
    SetSixteenBitModeOption(on);
    if (TDisplayHandler* h = GetDisplayHandler()) h->Data().sixteenBitMode = on;
  } else if (name == "new_subtractive") {
    newSubtractive_ = on;
  } else if (name == "new_render_blend") {
    newRenderBlend_ = on;
  } else if (name == "linearfilter") {
    linearFilter_ = on;
    ApplyTextureState();
  }
}

TString TRenderer::GetRenderOption(const TString& name) const {
  if (name == "16bitmode")
    if (TDisplayHandler* h = GetDisplayHandler()) return h->Data().sixteenBitMode ? "1" : "0";
  auto it = options_.find(name.str());
  return it == options_.end() ? TString() : TString(it->second);
}

// --- Frames ---

bool TRenderer::IsDrawing() const {
  TDisplayHandler* h = GetDisplayHandler();
  return h && h->Data().inScene;
}

bool TRenderer::BeginDraw(int flags) {
  TDisplayHandler* h = GetDisplayHandler();
  if (!h || !h->BeginDraw()) return false;
  if (target_ && !h->Data().renderTarget) {
    // The frame's start closed a render target opened outside a frame and
    // never ended.
    target_.reset();
    ApplyClip();
  }
  if (h->Data().sceneDepth == 1 && !h->Data().renderTarget) {
    ++frames_;
    in2d_ = false;
    viewports_.clear();
    h->SetRendererViewport(TRect(), false);
  }
  return true;
}

void TRenderer::DrawDebugOverlay(bool present) {
  TDisplayHandler* h = GetDisplayHandler();
  if (!h) return;
  uint32_t now = GetPlatformTime();
  if (lastFrameTime_) frameMs_ = float(now - lastFrameTime_);
  lastFrameTime_ = now;
  if (GetSettingBool("showfps") && h->Data().inScene && h->Data().sceneDepth == 1) {
    // A bar of 4 pixels per millisecond since the last frame, red past 20 ms.
    int w = std::min(h->GetWidth(), int(frameMs_ * 4.0f) + 1);
    PushClipRect(h->GetScreenRect());
    FillRect(TRect(0, 0, w, 6), frameMs_ > 20.0f ? TFloatColor(1, 0, 0, 1) : TFloatColor(0, 1, 0, 1));
    PopClipRect();
  }
  // The end of the frame goes through the platform when there is one.
  TPlatform* platform = TPlatform::GetInstance();
  if (platform && platform->GetDisplay())
    platform->EndDraw(present);
  else
    h->EndDraw(present);
  if (!h->Data().inScene) in2d_ = false;
  if (target_ && !h->Data().renderTarget) {
    // The frame's end closed a render target that was never ended.
    target_.reset();
    ApplyClip();
  }
}

// --- 2-D state ---

bool TRenderer::Begin2d() {
  if (in2d_ || !IsDrawing()) return false;
  in2d_ = true;
  Apply2dState();
  return true;
}

void TRenderer::End2d() { in2d_ = false; }

void TRenderer::Apply2dState() {
  Device* d = Dev();
  if (!d) return;
  float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  d->SetTransform(Transform::World, identity);
  d->SetTransform(Transform::View, identity);
  d->SetRenderState(RS::ZEnable, 0);
  d->SetRenderState(RS::ZWriteEnable, 0);
  d->SetRenderState(RS::SpecularEnable, 0);
  d->SetRenderState(RS::ShadeMode, sd::kShadeGouraud);
  d->SetRenderState(RS::CullMode, uint32_t(cullMode_ >= 1 && cullMode_ <= 3 ? uint32_t(cullMode_) : uint32_t(sd::kCullNone)));
  d->SetTextureStageState(0, TSS::ColorOp, sd::kOpModulate);
  d->SetTextureStageState(0, TSS::ColorArg1, sd::kArgTexture);
  d->SetTextureStageState(0, TSS::ColorArg2, sd::kArgDiffuse);
  d->SetTextureStageState(0, TSS::AlphaOp, sd::kOpModulate);
  d->SetTextureStageState(0, TSS::AlphaArg1, sd::kArgTexture);
  d->SetTextureStageState(0, TSS::AlphaArg2, sd::kArgDiffuse);
  ApplyBlend();
  ApplyTextureState();
}

void TRenderer::ApplyBlend() {
  Device* d = Dev();
  if (!d) return;
  uint32_t src = sd::kBlendSrcAlpha, dst = sd::kBlendInvSrcAlpha;
  switch (blendMode_) {
    case kBlendModeAlpha: break;
    case kBlendModeSubtractive:
      src = sd::kBlendZero;
      dst = newSubtractive_ ? sd::kBlendInvSrcColor : sd::kBlendSrcColor;
      break;
    case kBlendModeAdditive: dst = sd::kBlendOne; break;
    case kBlendModeRender:
      if (newRenderBlend_) src = sd::kBlendOne;
      break;
    default: break;
  }
  d->SetRenderState(RS::AlphaBlendEnable, 1);
  d->SetRenderState(RS::SrcBlend, src);
  d->SetRenderState(RS::DestBlend, dst);
}

void TRenderer::ApplyTextureState() {
  Device* d = Dev();
  if (!d) return;
  d->SetTexture(0, TextureSurface(texture_.get()));
  d->SetTextureStageState(0, TSS::AddressU, uint32_t(addressU_));
  d->SetTextureStageState(0, TSS::AddressV, uint32_t(addressV_));
  uint32_t f = linearFilter_ ? sd::kFilterLinear : sd::kFilterPoint;
  d->SetTextureStageState(0, TSS::MagFilter, f);
  d->SetTextureStageState(0, TSS::MinFilter, f);
}

void TRenderer::SetTexture(const TTextureRef& texture) {
  texture_ = texture;
  // Set even when unchanged: the surface may have been made again after a loss.
  if (Device* d = Dev()) d->SetTexture(0, TextureSurface(texture_.get()));
}

void TRenderer::SetTextureAddressMode(int u, int v) {
  auto valid = [](int m) { return m >= kAddressWrap && m <= kAddressClamp ? m : int(kAddressClamp); };
  addressU_ = valid(u);
  addressV_ = valid(v);
  if (Device* d = Dev()) {
    d->SetTextureStageState(0, TSS::AddressU, uint32_t(addressU_));
    d->SetTextureStageState(0, TSS::AddressV, uint32_t(addressV_));
  }
}

void TRenderer::SetBlendMode(int mode) {
  if (mode < 0 || mode > 3) {
    static bool logged = false;
    if (!logged) TraceOut("TRenderer::SetBlendMode: unknown mode %d, alpha blending used", mode);
    logged = true;
    mode = kBlendModeAlpha;
  }
  blendMode_ = mode;
  ApplyBlend();
}

void TRenderer::SetCullMode(int mode) {
  cullMode_ = mode;
  if (Device* d = Dev()) d->SetRenderState(RS::CullMode, (mode >= 1 && mode <= 3 ? uint32_t(mode) : uint32_t(sd::kCullNone)));
}

void TRenderer::SetLight(int index, const TLight& light) {
  Device* d = Dev();
  if (!d || index < 0) return;
  sd::Light l;
  l.type = light.type == 1 ? uint32_t(sd::LightType::Point) : uint32_t(sd::LightType::Directional);
  const TFloatColor* cs[2] = {&light.diffuse, &light.ambient};
  float* out[2] = {l.diffuse, l.ambient};
  for (int k = 0; k < 2; ++k) {
    out[k][0] = cs[k]->r;
    out[k][1] = cs[k]->g;
    out[k][2] = cs[k]->b;
    out[k][3] = cs[k]->a;
  }
  l.position[0] = light.position.x;
  l.position[1] = light.position.y;
  l.position[2] = light.position.z;
  l.direction[0] = light.direction.x;
  l.direction[1] = light.direction.y;
  l.direction[2] = light.direction.z;
  d->SetLight(uint32_t(index), l);
  d->LightEnable(uint32_t(index), true);
}

void TRenderer::SetAmbientLight(const TFloatColor& color) {
  if (Device* d = Dev()) d->SetRenderState(RS::Ambient, color.ToColor().value);
}

// --- Drawing ---

bool TRenderer::DrawVertices(int type, const TVertexSet* set) {
  TDisplayHandler* h = GetDisplayHandler();
  if (!in2d_ || !h || !h->Data().inScene || !set) return false;
  h->DrawVertices(type, set);
  return !h->Data().dxBroken;
}

bool TRenderer::DrawIndexedVertices(int type, const TVertexSet* set, const uint16_t* indices, uint32_t count) {
  TDisplayHandler* h = GetDisplayHandler();
  if (!in2d_ || !h || !h->Data().inScene || !set || (!indices && count)) return false;
  h->DrawIndexedVertices(type, set, indices, count);
  return !h->Data().dxBroken;
}

bool TRenderer::DrawQuad(TLitVertex vertices[4]) {
  TVertexSet set;
  set.format = 2;
  set.vertices = vertices;
  set.count = 4;
  return DrawVertices(kPrimTriangleFan, &set);
}

void TRenderer::FillRect(const TRect& rect, const TFloatColor& color, const TTextureRef& target) {
  TDisplayHandler* h = GetDisplayHandler();
  if (!h) return;
  uint32_t argb = color.ToColor().value;
  if (target) {
    h->FillRect(rect.left, rect.top, rect.right, rect.bottom, argb, target.get());
    return;
  }
  if (h->Data().inScene) {
    FillQuad(rect, argb);
    return;
  }
  // Outside a frame: straight into the back buffer, in 2-D coordinates.
  TRect r = rect;
  const TRect& clip = h->Data().clipViewport;
  r.Offset(clip.left, clip.top);
  r = r.Intersect(clip);
  if (!viewports_.empty()) r = r.Intersect(viewports_.back());
  if (!r.IsEmpty()) h->FillRect(r.left, r.top, r.right, r.bottom, argb, nullptr);
}

void TRenderer::FillQuad(const TRect& rect, uint32_t argb) {
  TDisplayHandler* h = GetDisplayHandler();
  bool entered = Begin2d();
  TLitVertex v[4] = {};
  float l = float(rect.left), t = float(rect.top), r = float(rect.right), b = float(rect.bottom);
  float xy[4][2] = {{l, t}, {r, t}, {r, b}, {l, b}};
  // In mode 4 the quad takes the render target's own texture: each pixel of
  // the rectangle gets the texture's pixel there, tinted by the colour.
  TTextureRef quadTexture;
  float uScale = 0, vScale = 0, uOffset = 0, vOffset = 0;
  TTextureView view;
  if (h->Data().renderTarget && h->Data().renderTargetMode == 4 && ViewTexture(h->Data().renderTarget.get(), &view)) {
    quadTexture = h->Data().renderTarget;
    uScale = 1.0f / float(std::max(1u, view.width));
    vScale = 1.0f / float(std::max(1u, view.height));
    uOffset = float(view.offsetX) * uScale;
    vOffset = float(view.offsetY) * vScale;
  }
  for (int i = 0; i < 4; ++i) {
    v[i].x = xy[i][0];
    v[i].y = xy[i][1];
    v[i].diffuse = argb;
    v[i].u = uOffset + xy[i][0] * uScale;
    v[i].v = vOffset + xy[i][1] * vScale;
  }
  TTextureRef old = GetTexture();
  SetTexture(quadTexture);
  DrawQuad(v);
  SetTexture(old);
  if (entered) End2d();
}

// --- Clip rectangles and viewports ---

void TRenderer::PushClipRect(const TRect& rect) {
  if (TDisplayHandler* h = GetDisplayHandler()) h->PushClipRect(rect.left, rect.top, rect.right, rect.bottom);
}

void TRenderer::PopClipRect() {
  if (TDisplayHandler* h = GetDisplayHandler()) h->PopClipRect();
}

void TRenderer::PushViewport(const TRect& rect) {
  viewports_.push_back(rect);
  ApplyClip();
}

void TRenderer::PopViewport() {
  if (viewports_.size() > 1) viewports_.pop_back();
  ApplyClip();
}

void TRenderer::ApplyClip() {
  if (TDisplayHandler* h = GetDisplayHandler())
    h->SetRendererViewport(viewports_.empty() ? TRect() : viewports_.back(), !viewports_.empty());
}

TRect TRenderer::GetCurrentViewport() const { return viewports_.empty() ? TRect() : viewports_.back(); }

TRect TRenderer::GetViewport() const {
  TDisplayHandler* h = GetDisplayHandler();
  return h ? h->Data().clipViewport : TRect();
}

TPoint TRenderer::GetDrawOrigin() const {
  TRect r = GetViewport();
  return TPoint(r.left, r.top);
}

// --- Render targets ---

bool TRenderer::BeginRenderTarget(const TTextureRef& texture, int mode) {
  TDisplayHandler* h = GetDisplayHandler();
  bool taken = false;
  bool begun = h && h->BeginRenderTarget(texture, mode, &taken);
  // A target the display took ends the 2-D drawing, begun or not.
  if (taken) End2d();
  if (!begun) {
    ApplyClip();
    return false;
  }
  target_ = texture;
  in2d_ = false;
  return true;
}

void TRenderer::EndRenderTarget() {
  TDisplayHandler* h = GetDisplayHandler();
  if (h) h->EndRenderTarget();
  target_.reset();
  in2d_ = false;
  ApplyClip();
}
