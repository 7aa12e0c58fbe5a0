#include "game/shell/widgets/pictureeffect.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "platform/log.h"
#include "render/textures/texture.h"

namespace {
// A finite float attribute; false (and `out` untouched) when it is missing or not a number.
bool ReadFloat(const TiXmlElement* e, const char* name, float* out) {
  double v = 0;
  if (e->QueryDoubleAttribute(name, &v) != TIXML_SUCCESS || !std::isfinite(v)) return false;
  *out = float(std::max(-1e30, std::min(1e30, v)));
  return true;
}

// t1 (required) and t2 (missing: t1, a track that jumps to its end).
bool ReadWindow(const TiXmlElement* e, PictEff_t::Eff_t* track) {
  if (!ReadFloat(e, "t1", &track->t1)) {
    TraceOut("PictEff_t: track \"%s\" without t1 skipped", e->Value());
    return false;
  }
  float t2 = track->t1;
  ReadFloat(e, "t2", &t2);
  track->duration = t2 - track->t1;
  return true;
}
}  // namespace

// --- Tracks ---

float PictEff_t::Eff_t::Fraction() const {
  if (!(duration > 0)) return 1.0f;
  return std::max(0.0f, std::min(1.0f, (owner->time - t1) / duration));
}

void PictEff_t::Eff_t::Step() {
  if (owner->time > t1 && !started && !finished) {
    started = true;
    Start();
    return;
  }
  if (owner->time <= t1 + duration) {
    if (started && !finished) Apply();
  } else if (started && !finished) {
    finished = true;
    started = false;
  }
}

bool PictEff_t::AlphaEff_t::Load(const TiXmlElement* e) {
  if (!ReadWindow(e, this)) return false;
  int al = 0;
  if (e->QueryIntAttribute("al", &al) != TIXML_SUCCESS) al = 0;
  endAlpha = std::max(0, std::min(255, al));
  return true;
}

void PictEff_t::AlphaEff_t::Start() {
  startAlpha = owner->alpha;
  owner->pos = owner->basePos;
  // A track without duration jumps to its end at once; others wait for the next step.
  if (!(duration > 0)) Apply();
}

void PictEff_t::AlphaEff_t::Apply() {
  owner->alpha = startAlpha + int(Fraction() * float(endAlpha - startAlpha));
}

bool PictEff_t::SizeEff_t::Load(const TiXmlElement* e) {
  if (!ReadWindow(e, this)) return false;
  ReadFloat(e, "kx", &kx);
  ReadFloat(e, "ky", &ky);
  float base = owner->baseScale;
  if (base != 1.0f && base > 0) {
    if (kx > 1.0f) {
      kx = ky = base;
    } else if (kx < 1.0f) {
      kx = ky = 1.0f / base;
    }
  }
  return true;
}

void PictEff_t::SizeEff_t::Start() {
  startX = owner->scaleX;
  startY = owner->scaleY;
  endX = kx * startX;
  endY = ky * startY;
  Apply();
}

void PictEff_t::SizeEff_t::Apply() {
  float f = Fraction();
  owner->scaleX = startX + (endX - startX) * f;
  owner->scaleY = startY + (endY - startY) * f;
  owner->pos = owner->basePos;
}

bool PictEff_t::ShiftEff_t::Load(const TiXmlElement* e) {
  if (!ReadWindow(e, this)) return false;
  const char* text = e->Attribute("shift");
  float x = 0, y = 0;
  if (text && std::sscanf(text, "%f,%f", &x, &y) == 2 && std::isfinite(x) && std::isfinite(y)) {
    dx = x;
    dy = y;
  }
  return true;
}

void PictEff_t::ShiftEff_t::Start() {
  startX = owner->basePos.x;
  startY = owner->basePos.y;
  Apply();
}

void PictEff_t::ShiftEff_t::Apply() {
  float f = Fraction();
  owner->basePos = TVec2(startX + f * dx, startY + f * dy);
  owner->pos = owner->basePos;
}

bool PictEff_t::MoveEff_t::Load(const TiXmlElement* e) {
  if (!ReadFloat(e, "t1", &t1)) {
    TraceOut("PictEff_t: track \"move\" without t1 skipped");
    return false;
  }
  ReadFloat(e, "speed", &speed);
  duration = 0.5f;
  return true;
}

void PictEff_t::MoveEff_t::Step() {
  if (owner->time > t1 && !started && !finished) {
    started = true;
    Start();
    return;
  }
  if (!started) return;
  if (!finished) Apply();
  else started = false;
}

void PictEff_t::MoveEff_t::Start() {
  start = owner->basePos;
  TVec2 v = owner->target - start;
  distance = v.Length();
  direction = v.Normalize();
  Apply();
}

void PictEff_t::MoveEff_t::Apply() {
  TVec2 at = start + direction * (speed * (owner->time - t1));
  // Nothing to fly (or no speed to fly with): land at once instead of never.
  if (!(distance > 0) || !(speed > 0) || (at - start).Length() > distance) {
    at = owner->target;
    finished = true;
  }
  owner->basePos = at;
  owner->pos = owner->basePos;
}

bool PictEff_t::RotEff_t::Load(const TiXmlElement* e) {
  if (!ReadWindow(e, this)) return false;
  float a = 0;
  ReadFloat(e, "angle", &a);
  // The attribute counts half-degrees: 360 is half a turn.
  endAngle = a * 3.141592502593994f / 360.0f;
  return true;
}

void PictEff_t::RotEff_t::Start() {
  startAngle = owner->angle;
  endAngle += startAngle;  // the attribute is relative to the picture's angle
  Apply();
}

void PictEff_t::RotEff_t::Apply() {
  owner->angle = startAngle + Fraction() * (endAngle - startAngle);
  owner->pos = owner->basePos;
}

// --- The picture ---

PictEff_t::PictEff_t() = default;
PictEff_t::~PictEff_t() = default;

const TiXmlElement* PictEff_t::FindDefinition(const char* name) {
  const TiXmlElement* root = GetMainXml().RootElement();
  const TiXmlElement* section = root ? root->FirstChildElement("PictEffects") : nullptr;
  return (section && name && *name) ? section->FirstChildElement(name) : nullptr;
}

bool PictEff_t::LoadEffects(const TiXmlElement* element) {
  if (!element) return true;
  ReadFloat(element, "time", &lifetime);
  for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
    const char* kind = child->Value();
    std::unique_ptr<Eff_t> track;
    if (!std::strcmp(kind, "alpha")) track = std::make_unique<AlphaEff_t>(this);
    else if (!std::strcmp(kind, "size")) track = std::make_unique<SizeEff_t>(this);
    else if (!std::strcmp(kind, "shift")) track = std::make_unique<ShiftEff_t>(this);
    else if (!std::strcmp(kind, "move")) track = std::make_unique<MoveEff_t>(this);
    else if (!std::strcmp(kind, "rotate")) track = std::make_unique<RotEff_t>(this);
    else continue;
    if (!track->Load(child)) continue;
    effectsEnd = std::max(effectsEnd, track->t1 + track->duration);
    effects.push_back(std::move(track));
  }
  return true;
}

bool PictEff_t::Update(float dt) {
  time += dt;
  if (lifetime > -1.0f && time > lifetime) return true;
  for (auto& track : effects) track->Step();
  if (lifetime >= 0) return false;
  if (time <= effectsEnd) return false;
  for (auto& track : effects)
    if (track->started) return false;
  return true;
}

void PictEff_t::Draw(TMat3 parent) {
  if (!texture) return;
  TDrawParams params(TVec2(0, 0), float(unsigned(std::max(0, std::min(255, alpha)))) / 255.0f, 1.0f,
                     TDrawParams::kAnchorAtCenter);
  TMat3 m = MakeRotationMatrix(angle);
  ScaleMatrix(m, scaleX);
  m = m * parent;
  PreTranslateMatrix(m, -TVec2(float(texture->GetWidth()) / 2, float(texture->GetHeight()) / 2));
  params.transform = m;
  texture->Draw(params);
}
