#include "render/sprites/animfile.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/xml.h"

namespace {
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
void Put16(std::vector<uint8_t>& v, int x) {
  v.push_back(uint8_t(x & 0xFF));
  v.push_back(uint8_t((x >> 8) & 0xFF));
}
bool Fail(TString* error, const char* why) {
  if (error) *error = why;
  return false;
}
}  // namespace

bool ParseAnimationBinary(const uint8_t* data, size_t size, TAnimationDesc& out, TString* error) {
  out = TAnimationDesc();
  if (!data || size < 12 || std::memcmp(data, "ANM1", 4) != 0) return Fail(error, "is not an animation");
  size_t count = U16(data + 4);
  uint16_t flags = U16(data + 6);
  uint32_t defaultMs = U16(data + 8);
  if (count == 0 || count > kMaxAnimationFrames) return Fail(error, "has no frames or too many");
  if (defaultMs == 0) defaultMs = kDefaultFrameMs;
  out.loop = (flags & 1) != 0;
  size_t at = 12;
  TString previous;
  for (size_t i = 0; i < count; ++i) {
    if (at + 15 > size) return Fail(error, "is truncated");
    const uint8_t* p = data + at;
    TAnimationFrame f;
    f.ms = U16(p) ? U16(p) : defaultMs;
    f.dx = int16_t(U16(p + 2));
    f.dy = int16_t(U16(p + 4));
    int x = U16(p + 6), y = U16(p + 8), w = U16(p + 10), h = U16(p + 12);
    if (w && h) f.rect = MakeRectXYWH(x, y, w, h);
    size_t length = p[14];
    at += 15;
    if (at + length > size) return Fail(error, "is truncated");
    f.image = length ? TString(reinterpret_cast<const char*>(data + at), length) : previous;
    at += length;
    if (f.image.IsEmpty()) return Fail(error, "has a frame without a picture");
    previous = f.image;
    out.frames.push_back(f);
  }
  return true;
}

bool ParseAnimationXml(const uint8_t* data, size_t size, TAnimationDesc& out, TString* error) {
  out = TAnimationDesc();
  TXmlNode root;
  if (!data || !root.LoadText(std::string(reinterpret_cast<const char*>(data), size), "animation")) {
    return Fail(error, "is not readable XML");
  }
  if (root.GetName() != "anm") return Fail(error, "has no <anm> root");
  out.loop = root.GetIntAttribute("loop", 1) != 0;
  int defaultMs = root.GetIntAttribute("ms", int(kDefaultFrameMs));
  if (defaultMs <= 0 || defaultMs > 65535) defaultMs = kDefaultFrameMs;
  TString previous;
  for (size_t i = 0; i < root.ChildCount(); ++i) {
    TXmlNode* node = root.Child(i);
    if (node->GetName() != "frame") continue;
    if (out.frames.size() >= kMaxAnimationFrames) return Fail(error, "has too many frames");
    TAnimationFrame f;
    f.image = node->GetAttribute("image", previous.c_str());
    if (f.image.IsEmpty()) return Fail(error, "has a frame without a picture");
    int ms = node->GetIntAttribute("ms", defaultMs);
    f.ms = uint32_t(ms > 0 && ms <= 65535 ? ms : defaultMs);
    f.dx = std::max(-32768, std::min(32767, node->GetIntAttribute("dx", 0)));
    f.dy = std::max(-32768, std::min(32767, node->GetIntAttribute("dy", 0)));
    std::vector<std::string> parts;
    SplitString(node->GetAttribute("rect").str(), ',', parts);
    if (parts.size() == 4) {
      int v[4];
      for (int k = 0; k < 4; ++k) v[k] = TString(parts[k]).ToInt();
      // The ranges of the binary form.
      bool fits = true;
      for (int k = 0; k < 4; ++k) fits = fits && v[k] >= 0 && v[k] <= 65535;
      if (fits && v[2] > 0 && v[3] > 0) f.rect = MakeRectXYWH(v[0], v[1], v[2], v[3]);
    }
    previous = f.image;
    out.frames.push_back(f);
  }
  if (out.frames.empty()) return Fail(error, "has no frames");
  return true;
}

bool ParseAnimation(const uint8_t* data, size_t size, TAnimationDesc& out, TString* error) {
  if (data && size >= 4 && std::memcmp(data, "ANM1", 4) == 0) return ParseAnimationBinary(data, size, out, error);
  return ParseAnimationXml(data, size, out, error);
}

std::vector<uint8_t> WriteAnimationBinary(const TAnimationDesc& desc) {
  std::vector<uint8_t> v = {'A', 'N', 'M', '1'};
  Put16(v, int(desc.frames.size()));
  Put16(v, desc.loop ? 1 : 0);
  Put16(v, int(kDefaultFrameMs));
  Put16(v, 0);
  for (const TAnimationFrame& f : desc.frames) {
    Put16(v, int(f.ms));
    Put16(v, f.dx);
    Put16(v, f.dy);
    Put16(v, f.rect.left);
    Put16(v, f.rect.top);
    Put16(v, f.rect.IsEmpty() ? 0 : f.rect.Width());
    Put16(v, f.rect.IsEmpty() ? 0 : f.rect.Height());
    size_t n = std::min<size_t>(f.image.str().size(), 255);
    v.push_back(uint8_t(n));
    v.insert(v.end(), f.image.str().begin(), f.image.str().begin() + n);
  }
  return v;
}
