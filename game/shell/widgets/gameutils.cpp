#include "game/shell/widgets/gameutils.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdio>

#include "platform/file.h"
#include "platform/shell/platform.h"
#include "platform/stringtable.h"
#include "render/renderer.h"
#include "render/sprites/sprite.h"
#include "render/textures/texture.h"
#include "ui/windowmanager.h"

namespace {
constexpr float kPi = 3.14159265358979f;

TMat3 Translation(const TVec2& v) {
  TMat3 t;
  t.Translate(v.x, v.y);
  return t;
}

// Light 0 shines straight into the screen in white, with a white ambient
// light: lit vertices then show their texture unchanged.
void SetUpLitDrawing(TRenderer* r) {
  TLight light;
  light.type = 0;
  light.diffuse = TFloatColor(1, 1, 1, 1);
  light.position = TVec3(0, 0, 1);
  light.direction = TVec3(0, 0, -1);
  r->SetLight(0, light);
  r->SetAmbientLight(TFloatColor(1, 1, 1, 1));
}

// The share of the surface that the picture covers, per axis.
TVec2 PictureShare(const TTextureRef& texture) {
  uint32_t aw = 0, ah = 0;
  texture->GetAllocatedSize(&aw, &ah);
  float sx = aw ? float(texture->GetWidth()) / float(aw) : 1.0f;
  float sy = ah ? float(texture->GetHeight()) / float(ah) : 1.0f;
  return TVec2(sx, sy);
}

TString FormatTm(const char* format, int a, int b, int c) {
  TString out;
  out.AssignFormat(format, a, b, c);
  return out;
}

std::tm Now() {
  std::time_t t = std::time(nullptr);
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}
}  // namespace

// --- Arithmetic ---

float Lerp(float a, float b, float t) { return (b - a) * t + a; }

TVec2 LerpPoint(float x1, float y1, float x2, float y2, float t) {
  return TVec2(x1 + (x2 - x1) * t, y1 + t * (y2 - y1));
}

TVec2 LerpPoint(const TVec2& a, const TVec2& b, float t) { return LerpPoint(a.x, a.y, b.x, b.y, t); }

float Clamp(float lo, float hi, float v) {
  if (v < lo) return lo;
  if (hi < v) return hi;
  return v;
}

float ClampValue(float v, float lo, float hi) { return Clamp(lo, hi, v); }

float DegToRad(float degrees) { return degrees / 180.0f * kPi; }

// --- Matrices ---

void TranslateMatrix(TMat3& m, const TVec2& v) { m = m * Translation(v); }

void PreTranslateMatrix(TMat3& m, const TVec2& v) { m = Translation(v) * m; }

void ScaleMatrix(TMat3& m, float s) {
  TMat3 d;
  d.m[0][0] = s;
  d.m[1][1] = s;
  m = m * d;
}

// --- Date and time ---

TString FormatDate(const std::tm& when) { return FormatTm("%02d-%02d-%d", when.tm_mon + 1, when.tm_mday, when.tm_year + 1900); }

TString FormatDate() { return FormatDate(Now()); }

TString FormatTime(const std::tm& when) {
  TString out;
  out.AssignFormat("%02d:%02d", when.tm_hour, when.tm_min);
  return out;
}

TString FormatTime() { return FormatTime(Now()); }

// --- Drawing ---

void DrawTextureQuad(const TTextureRef& texture, const TVec3 corners[4], const TVec2 uv[4], int blendMode) {
  if (!texture || !corners || !uv) return;
  TRenderer* r = TRenderer::GetInstance();
  SetUpLitDrawing(r);
  TVec2 share = PictureShare(texture);
  TVertex v[4];
  for (int i = 0; i < 4; ++i) {
    v[i] = TVertex{corners[i].x, corners[i].y, corners[i].z, 0, 0, 1, uv[i].x * share.x, uv[i].y * share.y};
  }
  r->SetTexture(texture);
  r->SetBlendMode(blendMode);
  TVertexSet* set = MakeVertexSet0(v, 4);
  r->DrawVertices(kPrimTriangleStrip, set);
  FreeVertexSet(set);
  r->SetBlendMode(kBlendModeAlpha);
}

void DrawTextureMesh(const TTextureRef& texture, const TMeshVertex* vertices, int blendMode) {
  if (!texture || !vertices) return;
  TRenderer* r = TRenderer::GetInstance();
  SetUpLitDrawing(r);
  TVec2 share = PictureShare(texture);
  TVertex v[kPageMeshVertices];
  for (int i = 0; i < kPageMeshVertices; ++i) {
    const TMeshVertex& in = vertices[i];
    v[i] = TVertex{in.position.x, in.position.y, in.position.z, 0, 0, 1, in.uv.x * share.x, in.uv.y * share.y};
  }
  r->SetTexture(texture);
  r->SetBlendMode(blendMode);
  TVertexSet* set = MakeVertexSet0(v, kPageMeshVertices);
  r->DrawVertices(kPrimTriangleList, set);
  FreeVertexSet(set);
  r->SetBlendMode(kBlendModeAlpha);
}

void DrawTextureRotated(const TTextureRef& texture, int x, int y, float angle, float alpha) {
  if (!texture) return;
  TVec2 centre(float(x) + float(texture->GetWidth()) / 2, float(y) + float(texture->GetHeight()) / 2);
  TDrawParams params(centre, alpha, 1.0f, 0);
  params.transform.Rotate(angle);
  texture->Draw(params);
}

void DrawTextureTransformed(const TTextureRef& texture, float scale, const TVec2& clipCenter, const TVec2& position,
                            float w, float h) {
  if (!texture) return;
  TRenderer* r = TRenderer::GetInstance();
  const TVec2 half(130, 85);
  TPoint topLeft(int(clipCenter.x - half.x), int(clipCenter.y - half.y));
  TPoint origin = r->GetDrawOrigin();
  r->PushClipRect(MakeRectXYWH(origin.x + topLeft.x, origin.y + topLeft.y, 260, 170));
  TDrawParams params(TVec2(0, 0), 1.0f, 1.0f, 0);
  TMat3 m;
  TranslateMatrix(m, position - TVec2(float(topLeft.x), float(topLeft.y)) + TVec2(w / 2, h / 2));
  TranslateMatrix(m, -half);
  ScaleMatrix(m, scale);
  TranslateMatrix(m, half);
  params.transform = m;
  texture->Draw(params);
  r->PopClipRect();
}

void DrawSpriteAt(const TSpriteRef& sprite, const TVec2& position, float angle, float alpha) {
  if (!sprite) return;
  TDrawParams params(position, alpha, 1.0f, 0);
  params.transform.Rotate(angle);
  sprite->Draw(params, -1);
}

void DrawTextureAt(const TSpriteRef& sprite, const TVec2& position, float angle, float alpha) {
  DrawSpriteAt(sprite, position, angle, alpha);
}

void DrawTextureAt(const TTextureRef& texture, const TVec2& position, float angle, float alpha) {
  if (!texture) return;
  TDrawParams params(position, alpha, 1.0f, 0);
  params.transform.Rotate(angle);
  texture->Draw(params);
}

// --- The cursor ---

void SetDefaultGameCursor() {
  if (TPlatform* platform = TPlatform::GetInstance()) platform->SetCursor(TTexture::GetFlagged("cursor/cursor"), 1, 1, 0);
}

// --- Loading ---

TTextureRef LoadTextureWithAlpha(const TString& name) {
  if (name.IsEmpty()) return TTextureRef();
  if (FileExists(name + "_a.png")) {
    TTextureRef masked = TTexture::GetWithMask(name + ".jpg", name + "_a.png");
    if (masked) return masked;
  }
  return TTexture::Get(name, 0);
}

TTextureRef LoadTexturePreferPng(const TString& name) {
  if (name.IsEmpty()) return TTextureRef();
  if (FileExists(name + ".png")) {
    TTextureRef plain = TTexture::Get(name + ".png", 0);
    if (plain) return plain;
  }
  return LoadTextureWithAlpha(name);
}

TString GetLocalizedText(const std::string& key) {
  TPlatform* platform = TPlatform::GetInstance();
  if (TStringTable* table = platform ? platform->GetStringTable() : nullptr) return table->GetString(key);
  if (TWindowManager* wm = GetWindowManager()) return wm->GetEnvironment()->GetString(key, nullptr, 0);
  return TString(key);
}

std::string LuaQuote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03u", unsigned(c));
      out += buf;
    } else {
      out += char(c);
    }
  }
  out += '"';
  return out;
}
