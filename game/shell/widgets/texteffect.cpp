#include "game/shell/widgets/texteffect.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "render/renderer.h"
#include "render/text/textblock.h"

namespace {
constexpr int kMaxTextArea = 8192;
constexpr int kMaxShadowOffset = 4096;

float ReadFloat(const TiXmlElement* e, const char* name, float fallback) {
  double v = 0;
  if (e->QueryDoubleAttribute(name, &v) != TIXML_SUCCESS || !std::isfinite(v)) return fallback;
  return float(std::max(-1e30, std::min(1e30, v)));
}

int ReadInt(const TiXmlElement* e, const char* name, int fallback, int lo, int hi) {
  int v = 0;
  if (e->QueryIntAttribute(name, &v) != TIXML_SUCCESS) return fallback;
  return std::max(lo, std::min(hi, v));
}

// "r,g,b,a" (0..255 each) into a float colour: the numbers read fill the
// channels in order over zeros (three numbers leave the alpha at 0). False
// only when the attribute is absent.
bool ReadColor(const TiXmlElement* e, const char* name, TFloatColor* out) {
  const char* text = e->Attribute(name);
  if (!text) return false;
  int c[4] = {0, 0, 0, 0};
  std::sscanf(text, "%d,%d,%d,%d", &c[0], &c[1], &c[2], &c[3]);
  for (int& v : c) v = std::max(0, std::min(255, v));
  *out = MakeFloatColor(unsigned(c[0]), unsigned(c[1]), unsigned(c[2]), unsigned(c[3]));
  return true;
}
}  // namespace

// --- Tracks ---

float TTextEff::Eff_t::Fraction() const {
  if (!(duration > 0)) return 1.0f;
  return std::max(0.0f, std::min(1.0f, (owner->time - t1) / duration));
}

void TTextEff::AlphaEff_t::Load(const TiXmlElement* e) {
  to = ReadFloat(e, "val", 0);
  // A fade-in starts invisible.
  if (to > 0.999f) owner->alpha = 0;
}
void TTextEff::AlphaEff_t::Start() { from = owner->alpha; }
void TTextEff::AlphaEff_t::Apply() { owner->alpha = from + Fraction() * (to - from); }

void TTextEff::SizeEff_t::Load(const TiXmlElement* e) { to = ReadFloat(e, "val", 1.0f); }
void TTextEff::SizeEff_t::Start() { from = owner->size; }
void TTextEff::SizeEff_t::Apply() { owner->size = from + Fraction() * (to - from); }

void TTextEff::ShiftEff_t::Load(const TiXmlElement* e) {
  const char* text = e->Attribute("val");
  float a = 0, b = 0;
  if (text && std::sscanf(text, "%f,%f", &a, &b) == 2 && std::isfinite(a) && std::isfinite(b)) {
    dx = a;
    dy = b;
  }
}
void TTextEff::ShiftEff_t::Start() {
  fromX = owner->x;
  fromY = owner->y;
}
void TTextEff::ShiftEff_t::Apply() {
  float f = Fraction();
  owner->x = fromX + f * dx;
  owner->y = fromY + f * dy;
}

void TTextEff::AngleEff_t::Load(const TiXmlElement* e) { to = ReadFloat(e, "val", 0); }
void TTextEff::AngleEff_t::Start() { from = owner->angle; }
void TTextEff::AngleEff_t::Apply() { owner->angle = from + Fraction() * (to - from); }

// --- The caption ---

TTextEff::TTextEff() = default;
TTextEff::~TTextEff() = default;

TTextEff* TTextEff::Create(const char* name) {
  const TiXmlElement* root = GetMainXml().RootElement();
  const TiXmlElement* section = root ? root->FirstChildElement("TextEffects") : nullptr;
  const TiXmlElement* e = (section && name && *name) ? section->FirstChildElement(name) : nullptr;
  if (!e) return nullptr;
  auto* effect = new TTextEff();
  effect->Parse(e);
  return effect;
}

bool TTextEff::Parse(const TiXmlElement* e) {
  x = ReadFloat(e, "x", 0);
  y = ReadFloat(e, "y", 0);
  w = ReadInt(e, "w", 0, 0, kMaxTextArea);
  h = ReadInt(e, "h", 0, 0, kMaxTextArea);
  const char* face = e->Attribute("font");
  font_ = face ? face : "";
  fontHeight_ = ReadInt(e, "fh", TText::kDefaultFontSize, 0, TText::kMaxFontSize);
  if (fontHeight_ <= 0) fontHeight_ = TText::kDefaultFontSize;
  ReadColor(e, "color", &color);
  if (ReadColor(e, "shadcolor", &shadowColor)) {
    shadowX = ReadInt(e, "shadx", 0, -kMaxShadowOffset, kMaxShadowOffset);
    shadowY = ReadInt(e, "shady", 0, -kMaxShadowOffset, kMaxShadowOffset);
  }
  const char* key = e->Attribute("text");
  if (key && *key) text = GetLocalizedText(key);
  size = ReadFloat(e, "kxy", 1.0f);
  angle = ReadFloat(e, "angle", 0);
  xAlign = ReadInt(e, "xAlign", 1, 0, 1 << 20);
  yAlign = ReadInt(e, "yAlign", 1, 0, 1 << 20);
  lifetime = ReadFloat(e, "lifeTime", -10.0f);
  alpha = ReadFloat(e, "alpha", 1.0f);
  alignFlags_ = (xAlign == 1 || xAlign == 2) ? xAlign : 0;
  if (yAlign == 1) alignFlags_ += TTextBlock::kVAlignCenter;
  if (yAlign == 2) alignFlags_ += TTextBlock::kVAlignBottom;
  CreateText(text, w, h, alignFlags_, font_, fontHeight_, color);
  for (const TiXmlElement* child = e->FirstChildElement(); child; child = child->NextSiblingElement()) {
    const char* kind = child->Value();
    std::unique_ptr<Eff_t> track;
    if (!std::strcmp(kind, "size")) track = std::make_unique<SizeEff_t>(this);
    else if (!std::strcmp(kind, "move")) track = std::make_unique<ShiftEff_t>(this);
    else if (!std::strcmp(kind, "rotate")) track = std::make_unique<AngleEff_t>(this);
    else if (!std::strcmp(kind, "alpha")) track = std::make_unique<AlphaEff_t>(this);
    else continue;
    track->t1 = ReadFloat(child, "t1", 0);
    track->duration = ReadFloat(child, "t2", track->t1) - track->t1;
    track->Load(child);
    effects.push_back(std::move(track));
  }
  return true;
}

bool TTextEff::Update(float dt) {
  if (std::isfinite(dt)) time += dt;
  if (lifetime > -5.0f && time > lifetime) return true;
  for (auto& track : effects) {
    if (time > track->t1 && !track->started) {
      track->started = true;
      track->Start();
      // A track without duration jumps to its end at once.
      if (!(track->duration > 0)) track->Apply();
    } else if (track->started && time <= track->t1 + track->duration) {
      track->Apply();
    }
  }
  return false;
}

void TTextEff::SetPosition(int px, int py) {
  x = float(px);
  y = float(py);
}

void TTextEff::SetTextArea(int width, int height) {
  // Only the text block's size: a definition without "w" and "h" has no
  // block, and gets none here (it draws nothing).
  width = std::max(0, std::min(kMaxTextArea, width));
  height = std::max(0, std::min(kMaxTextArea, height));
  if (TTextBlock* block = GetBlock()) block->SetSize(width, height);
}

void TTextEff::SetText(const TString& value) {
  text = value;
  TText::SetText(value);
}

void TTextEff::Draw() {
  TTextBlock* block = GetBlock();
  if (!block || w <= 0 || h <= 0) return;
  TRender2dScope scope;
  block->SetRotation(angle, block->GetWidth() / 2, block->GetHeight() / 2);
  float a = ClampValue(alpha, 0, 1);
  if (shadowX != 0 || shadowY != 0) {
    SetColor(shadowColor);
    block->Draw(TVec2(x + float(shadowX), y + float(shadowY)), float(h), a, 0, size);
    SetColor(color);
  }
  block->Draw(TVec2(x, y), float(h), a, 0, size);
}
