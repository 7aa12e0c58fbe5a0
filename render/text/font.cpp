#include "render/text/font.h"

#include <map>
#include <memory>
#include <vector>

#include "platform/log.h"
#include "platform/readfile.h"
#include "render/text/minivecdraw.h"
#include "render/text/minivecfont.h"

extern const unsigned char kBuiltinFontData[];
extern const size_t kBuiltinFontDataSize;

namespace {
constexpr size_t kMaxFontFile = 16u << 20;
const char* const kDefaultFontFile = "fonts/default.mvec";
const char* const kBuiltinName = "__DEFAULT";

struct TFontCache {
  std::vector<std::unique_ptr<TMiniVecFont>> fonts;  // owned, one per distinct font
  std::map<TString, TMiniVecFont*> byName;           // names, fallbacks included
};
TFontCache& Cache() {
  static TFontCache cache;
  return cache;
}

TMiniVecFont* Keep(const TString& name, std::unique_ptr<TMiniVecFont> font) {
  TMiniVecFont* raw = font.get();
  Cache().fonts.push_back(std::move(font));
  Cache().byName[name] = raw;
  return raw;
}

TMiniVecFont* LoadFile(const TString& name) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(name, bytes, kMaxFontFile)) return nullptr;
  std::unique_ptr<TMiniVecFont> font(new TMiniVecFont(bytes.data(), bytes.size()));
  if (font->IsEmpty()) {
    TraceOut("GetFont: %s is not a usable font", name.c_str());
    return nullptr;
  }
  return Keep(name, std::move(font));
}

TString WithExtension(const TString& name) {
  int slash = name.FindChar('/', TString::kFindBackwards);
  int dot = name.FindChar('.', TString::kFindBackwards);
  return dot > slash ? name : name + ".mvec";
}
}  // namespace

const uint8_t* GetBuiltinFontData() { return kBuiltinFontData; }
size_t GetBuiltinFontSize() { return kBuiltinFontDataSize; }

TMiniVecFont* GetFont(const TString& name) {
  auto& byName = Cache().byName;
  auto it = byName.find(name);
  if (it != byName.end()) return it->second;
  if (name == kBuiltinName) {
    return Keep(name, std::unique_ptr<TMiniVecFont>(new TMiniVecFont(kBuiltinFontData, kBuiltinFontDataSize)));
  }
  if (!name.IsEmpty()) {
    if (TMiniVecFont* font = LoadFile(WithExtension(name))) {
      byName[name] = font;
      return font;
    }
  }
  TMiniVecFont* fallback;
  if (name == kDefaultFontFile) {
    TraceOut("GetFont: %s not found, using the built-in font", kDefaultFontFile);
    fallback = GetFont(kBuiltinName);
  } else {
    TraceOut("GetFont: font '%s' not found, using %s", name.c_str(), kDefaultFontFile);
    fallback = GetFont(kDefaultFontFile);
  }
  byName[name] = fallback;
  return fallback;
}

void ClearFontCache() {
  // The glyph cache holds outlines of these fonts: drop it first.
  GetMiniVecDraw()->ClearCache();
  for (auto& font : Cache().fonts) font->Free();
  Cache().byName.clear();
  Cache().fonts.clear();
}
