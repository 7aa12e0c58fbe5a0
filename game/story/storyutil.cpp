#include "game/story/storyutil.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "game/shell/data/gamesettings.h"
#include "platform/log.h"
#include "platform/shell/platform.h"
#include "platform/time.h"
#include "render/text/textblock.h"
#include "render/textures/texture.h"
#include "ui/text.h"

namespace story {
namespace {

void SkipBlanks(const char*& p) {
  while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
}

// One finite number at p (after blanks), clamped; false when there is none.
bool NextNumber(const char*& p, double* out) {
  SkipBlanks(p);
  char* end = nullptr;
  double v = std::strtod(p, &end);
  if (end == p || !std::isfinite(v)) return false;
  p = end;
  *out = std::max(-double(kCoordinateLimit), std::min(double(kCoordinateLimit), v));
  return true;
}

template <class T>
bool ReadList(const char* text, T* out, int count) {
  if (!text || count <= 0) return false;
  double values[8];
  if (count > 8) return false;
  const char* p = text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      SkipBlanks(p);
      if (*p != ',') return false;
      ++p;
    }
    if (!NextNumber(p, &values[i])) return false;
  }
  for (int i = 0; i < count; ++i) out[i] = static_cast<T>(values[i]);
  return true;
}

}  // namespace

bool ReadInts(const char* text, int* out, int count) { return ReadList(text, out, count); }
bool ReadFloats(const char* text, float* out, int count) { return ReadList(text, out, count); }

int AttrInt(const TiXmlElement* e, const char* name, int defaultValue) {
  int v = 0;
  return e && ReadInts(e->Attribute(name), &v, 1) ? v : defaultValue;
}

float AttrFloat(const TiXmlElement* e, const char* name, float defaultValue) {
  float v = 0;
  return e && ReadFloats(e->Attribute(name), &v, 1) ? v : defaultValue;
}

bool ReadRectXYWH(const char* text, TRect* out) {
  int v[4];
  if (!ReadInts(text, v, 4)) return false;
  *out = MakeRectXYWH(v[0], v[1], std::max(0, v[2]), std::max(0, v[3]));
  return true;
}

bool ReadColor255(const char* text, TFloatColor* out) {
  int v[4];
  if (!ReadInts(text, v, 4)) return false;
  for (int& c : v) c = std::max(0, std::min(255, c));
  *out = MakeFloatColor(unsigned(v[0]), unsigned(v[1]), unsigned(v[2]), unsigned(v[3]));
  return true;
}

int ReadAlign(const TiXmlElement* e, const char* name) {
  int v = AttrInt(e, name, 0);
  return (v >= 0 && v <= 2) ? v : 0;
}

int ReadAnimRate() {
  int rate = 16;
  const int fallback = 16;
  ReadXmlInt(GetMainXml(), "Common", "animrate", &rate, &fallback);
  return std::max(kMinAnimRate, std::min(kMaxAnimRate, rate));
}

void DrawLabel(TText* label, const TRect& rect) {
  TTextBlock* block = label ? label->GetBlock() : nullptr;
  if (!block) return;
  block->Draw(TVec2(float(rect.left), float(rect.top)), float(rect.Height()), 1.0f, 0, 1.0f);
}

uint32_t PlayTime() {
  TPlatform* platform = TPlatform::GetInstance();
  return platform ? platform->GetTime() : GetPlatformTime();
}

void SetCursorPicture(const TString& name) {
  if (TPlatform* platform = TPlatform::GetInstance()) platform->SetCursor(TTexture::GetFlagged(name), 1, 1, 0);
}

void OpenLink(const TString& link) {
  if (TPlatform* platform = TPlatform::GetInstance()) platform->OpenUrl(link);
  else TraceOut("OpenUrl: no platform; \"%s\" not opened", link.c_str());
}

}  // namespace story
