#include "game/shell/widgets/frameanim.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "platform/log.h"
#include "render/textures/texture.h"

namespace {
float ReadFloat(const TiXmlElement* e, const char* name) {
  double v = 0;
  if (e->QueryDoubleAttribute(name, &v) != TIXML_SUCCESS || !std::isfinite(v)) return 0;
  return float(std::max(-1e30, std::min(1e30, v)));
}

// Coordinates and sizes of the files stay within +-2^20, so sums cannot overflow.
constexpr int kCoordinateLimit = 1 << 20;

int ReadInt(const TiXmlElement* e, const char* name) {
  int v = 0;
  if (e->QueryIntAttribute(name, &v) != TIXML_SUCCESS) return 0;
  return std::max(-kCoordinateLimit, std::min(kCoordinateLimit, v));
}

// Advances a player by one update (the rule both animations share). Returns
// 0 while playing on, 1 when a one-shot run ended, 2 when a loop wrapped.
int Advance(bool& playing, float& time, int& frame, bool& finished, float delay, bool cycled, size_t count, float dt) {
  if (!playing) return 0;
  if (std::isfinite(dt)) time += dt;
  if (time < delay) return 0;
  frame += 1;
  time = 0;
  if (frame < 0 || size_t(frame) >= count) {
    if (!cycled) {
      playing = false;
      finished = true;
      return 1;
    }
    frame = 0;
    time = 0;
    playing = true;
    return 2;
  }
  return 0;
}
}  // namespace

// --- Anim_t ---

void Anim_t::Load(const TString& file) {
  frameNames.clear();
  frames.clear();
  time = 0;
  playing = false;
  finished = false;
  frame = 0;
  TiXmlDocument doc;
  LoadXmlFile(doc, file);
  const TiXmlElement* root = doc.RootElement();
  const TiXmlElement* anim = root ? root->FirstChildElement("Anim") : nullptr;
  if (!anim) {
    TraceOut("Anim_t::Load: no animation in %s", file.c_str());
    return;
  }
  if (const char* p = anim->Attribute("pos")) {
    // Each number read sets its coordinate: "40" alone sets x.
    float read[2] = {0, 0};
    float* const to[2] = {&x, &y};
    const int n = std::sscanf(p, "%f,%f", &read[0], &read[1]);
    for (int i = 0; i < n && i < 2; ++i)
      if (std::isfinite(read[i])) *to[i] = std::max(-float(kCoordinateLimit), std::min(float(kCoordinateLimit), read[i]));
  }
  jpg = ReadInt(anim, "is_jpg") == 1;
  delay = ReadFloat(anim, "delay");
  cycled = ReadInt(anim, "is_cycled") == 1;
  const char* path = anim->Attribute("path");
  for (const TiXmlElement* f = anim->FirstChildElement("frame"); f; f = f->NextSiblingElement("frame")) {
    if (frameNames.size() >= kMaxAnimFrames) {
      TraceOut("Anim_t::Load: %s lists more than %zu frames; the rest are dropped", file.c_str(), kMaxAnimFrames);
      break;
    }
    const char* name = f->Attribute("name");
    frameNames.push_back(TString(path ? path : "") + (name ? name : ""));
  }
  if (frameNames.empty()) TraceOut("Anim_t::Load: %s has no frames", file.c_str());
  LoadFrames();
}

void Anim_t::LoadFrames() {
  frames.assign(frameNames.size(), nullptr);
  tried_.assign(frameNames.size(), false);
  if (!frames.empty()) LoadFrame(0);
}

void Anim_t::LoadFrame(size_t i) {
  if (i >= frames.size() || tried_[i]) return;
  tried_[i] = true;
  frames[i] = jpg ? LoadTextureWithAlpha(frameNames[i]) : TTexture::Get(frameNames[i], 0);
}

void Anim_t::Restart() {
  playing = true;
  time = 0;
  frame = 0;
  // A one-shot that has ended stays finished (its pictures were given back):
  // it shows again once it is loaded again.
}

bool Anim_t::Update(float dt) {
  int r = Advance(playing, time, frame, finished, delay, cycled, frameNames.size(), dt);
  if (r == 1) {
    frames.clear();
    tried_.clear();
  }
  return r == 0;
}

void Anim_t::Draw(int left, int top, int right, int bottom, float scale) {
  if (finished || frame < 0 || size_t(frame) >= frames.size()) return;
  LoadFrame(size_t(frame));
  const boost::shared_ptr<TTexture>& tex = frames[size_t(frame)];
  if (!tex) return;
  float w = float(tex->GetWidth()), h = float(tex->GetHeight());
  TVec2 p{float(int(x)), float(int(y))};
  TVec2 a{float(left), float(top)};
  TVec2 half = (TVec2(float(right), float(bottom)) - a) / 2;
  TDrawParams params(TVec2(0, 0), 1.0f, 1.0f, 0);
  TMat3 m;
  TranslateMatrix(m, p - a + TVec2(w / 2, h / 2));
  TranslateMatrix(m, -half);
  ScaleMatrix(m, scale);
  TranslateMatrix(m, half);
  params.transform = m;
  tex->Draw(params);
}

// --- AtlasAnim_t ---

void AtlasAnim_t::Load(const TString& name) {
  cells.clear();
  time = 0;
  playing = false;
  finished = false;
  frame = 0;
  texture = TTexture::GetWithMask(name + ".jpg", name + "_a.jpg");
  TiXmlDocument doc;
  LoadXmlFile(doc, "assets/" + name + ".xml");
  const TiXmlElement* root = doc.RootElement();
  if (!root) {
    TraceOut("AtlasAnim_t::Load: no animation file for %s", name.c_str());
    return;
  }
  delay = ReadFloat(root, "delay") / 1000.0f;
  cycled = ReadInt(root, "is_cycled") == 1;
  for (const TiXmlElement* f = root->FirstChildElement("frame"); f; f = f->NextSiblingElement("frame")) {
    if (cells.size() >= kMaxAnimFrames) {
      TraceOut("AtlasAnim_t::Load: %s lists more than %zu frames; the rest are dropped", name.c_str(), kMaxAnimFrames);
      break;
    }
    Cell c;
    c.offsetX = ReadInt(f, "offsetX");
    c.offsetY = ReadInt(f, "offsetY");
    c.atlasX = ReadInt(f, "atlasX");
    c.atlasY = ReadInt(f, "atlasY");
    c.W = ReadInt(f, "W");
    c.H = ReadInt(f, "H");
    cells.push_back(c);
  }
  if (cells.empty()) TraceOut("AtlasAnim_t::Load: %s has no frames", name.c_str());
}

void AtlasAnim_t::Restart() {
  playing = true;
  time = 0;
  frame = 0;
}

bool AtlasAnim_t::Update(float dt) {
  return Advance(playing, time, frame, finished, delay, cycled, cells.size(), dt) != 1;
}

void AtlasAnim_t::Draw(int left, int top, int right, int bottom, float scale) {
  if (finished || !texture || frame < 0 || size_t(frame) >= cells.size()) return;
  const Cell& c = cells[size_t(frame)];
  float tw = float(texture->GetWidth()), th = float(texture->GetHeight());
  if (!(tw > 0) || !(th > 0)) return;
  TVec2 p(x + float(c.offsetX), y + float(c.offsetY));
  TVec2 a{float(left), float(top)};
  TVec2 half = (TVec2(float(right), float(bottom)) - a) / 2;
  TVec2 q = ((p - a) - half) * scale + half;
  float w = float(c.W) * scale, h = float(c.H) * scale;
  TVec3 corners[4] = {TVec3(q.x, q.y, 1), TVec3(q.x, q.y + h, 1), TVec3(q.x + w, q.y, 1), TVec3(q.x + w, q.y + h, 1)};
  float u0 = float(c.atlasX) / tw, v0 = float(c.atlasY) / th;
  float u1 = float(c.atlasX + c.W) / tw, v1 = float(c.atlasY + c.H) / th;
  TVec2 uv[4] = {TVec2(u0, v0), TVec2(u0, v1), TVec2(u1, v0), TVec2(u1, v1)};
  DrawTextureQuad(texture, corners, uv, 0);
}
