#include "game/scene/sceneparts.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/log.h"
#include "render/textures/texture.h"

int GetXmlChildAttribute(const TiXmlNode* node, const char* child, const char* attr, std::string& out) {
  if (!node || !child || !attr) return 0;
  if (const TiXmlDocument* doc = node->ToDocument()) node = doc->RootElement();
  if (!node) return 0;
  const TiXmlElement* element = node->FirstChildElement(child);
  const char* value = element ? element->Attribute(attr) : nullptr;
  if (!value) return 0;
  out = value;
  return 1;
}

int GetXmlChildAttribute(const TiXmlNode& node, const char* child, const char* attr, std::string& out) {
  return GetXmlChildAttribute(&node, child, attr, out);
}

namespace {
// Splits at the separator, keeping empty fields.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(separator, start);
    fields.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return fields;
    start = at + 1;
  }
}

// A finite decimal number making up the whole field (blanks around allowed).
bool ReadNumber(const std::string& field, float* out) {
  const char* begin = field.c_str();
  char* end = nullptr;
  double v = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(v)) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return false;
  *out = float(v);
  return std::isfinite(*out);
}
}  // namespace

MessageRecord::MessageRecord() = default;
MessageRecord::~MessageRecord() = default;

bool MessageRecord::Parse(const TString& text) {
  std::vector<std::string> fields = Split(text.str(), ';');
  int x = 0, y = 0, w = 0, h = 0;
  float newDuration = 0, newMax = 0;
  if (fields.size() < 4 || std::sscanf(fields[1].c_str(), "%d,%d,%d,%d", &x, &y, &w, &h) != 4 ||
      !ReadNumber(fields[2], &newDuration) || !ReadNumber(fields[3], &newMax)) {
    TraceOut("MessageRecord: invalid description \"%s\"", text.c_str());
    return false;
  }
  texture = fields[0].empty() ? boost::shared_ptr<TTexture>() : TTexture::Get(TString(fields[0].c_str()));
  duration = newDuration;
  max = newMax;
  return true;
}

void MessageRecord::Show(const TString& newName) {
  name = newName;
  if (active && fadingIn) return;
  time = 0;
  fadingOut = false;
  fadingIn = true;
  active = true;
  visible = true;
}

void MessageRecord::Hide() {
  if (name == "penalty") name = TString();
  if (active && fadingOut) return;
  time = 0;
  fadingIn = false;
  fadingOut = true;
  active = true;
}

bool MessageRecord::Step(float dt) {
  if (!active) return false;
  time += dt;
  // The value follows the clamped time, so a step past the end never
  // overshoots max or goes below 0; a fade without duration ends at once.
  bool done = !(time < duration);
  float t = done ? duration : time;
  float f = duration > 0 ? t / duration : 1.0f;
  if (fadingIn) value = max * f;
  else if (fadingOut) value = max - f * max;
  if (!done) return false;
  active = false;
  if (fadingOut) visible = false;
  time = duration;
  return true;
}
