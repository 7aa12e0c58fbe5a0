#include "game/scene/levelfile.h"

#include <tinyxml.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "platform/log.h"
#include "platform/readfile.h"
#include "platform/xml.h"

LevelData::LevelData() = default;
LevelData::~LevelData() = default;
LevelData::LevelData(LevelData&&) noexcept = default;
LevelData& LevelData::operator=(LevelData&&) noexcept = default;

const TiXmlElement* LevelData::Root() const { return document ? document->RootElement() : nullptr; }

namespace {
// A level file is small; anything much larger is not one.
constexpr size_t kMaxLevelFileBytes = 4u << 20;

TString Attr(const TiXmlElement* e, const char* name) {
  const char* v = e->Attribute(name);
  return TString(v ? v : "");
}

// "x,y,w,h" with a positive size, every number within the coordinate limit.
bool ReadRect(const char* text, TRect* out) {
  if (!text) return false;
  long v[4] = {};
  int used = 0;
  if (std::sscanf(text, "%ld ,%ld ,%ld ,%ld%n", &v[0], &v[1], &v[2], &v[3], &used) != 4) return false;
  for (const char* rest = text + used; *rest; ++rest)
    if (*rest != ' ' && *rest != '\t') return false;
  for (long n : v)
    if (n < -kMaxLevelCoordinate || n > kMaxLevelCoordinate) return false;
  if (v[2] <= 0 || v[3] <= 0) return false;
  *out = TRect(int(v[0]), int(v[1]), int(v[0] + v[2]), int(v[1] + v[3]));
  return true;
}

// The same rule as the level model's count: an integer value makes a coin.
bool IsCoin(const TiXmlElement* item) {
  int coin = 0;
  return item->QueryIntAttribute("coin", &coin) == TIXML_SUCCESS;
}

bool ReadCoordinate(const TiXmlElement* e, const char* name, float* out) {
  double v = 0;
  if (e->QueryDoubleAttribute(name, &v) != TIXML_SUCCESS || !std::isfinite(v) || std::fabs(v) > kMaxLevelCoordinate)
    return false;
  *out = float(v);
  return true;
}
}  // namespace

bool ReadLevelDocument(const TiXmlDocument& doc, LevelData* out, TString* why) {
  auto fail = [why](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  const TiXmlElement* root = doc.RootElement();
  if (!root) return fail("no document (missing, empty or damaged)");
  if (std::strcmp(root->Value(), "Level") != 0) return fail("the root element is not Level");
  LevelData data;
  data.background = Attr(root, "bkg");
  if (data.background.IsEmpty()) return fail("no background picture (bkg)");
  data.music = Attr(root, "music");
  data.ambient = Attr(root, "ambient");
  data.photo = Attr(root, "photo");
  const TiXmlElement* pict = root->FirstChildElement("Pict");
  if (!pict) return fail("no Pict element");

  std::set<std::string> names;
  int spot = 0;
  bool tooMany = false;
  for (const TiXmlElement* hs = pict->FirstChildElement("HotSpot"); hs; hs = hs->NextSiblingElement("HotSpot"), ++spot) {
    for (const TiXmlElement* e = hs->FirstChildElement("Item"); e; e = e->NextSiblingElement("Item")) {
      if (data.items.size() >= kMaxLevelItems) {
        tooMany = true;
        break;
      }
      LevelItem item;
      item.name = Attr(e, "name");
      item.picture = Attr(e, "img");
      item.hotSpot = spot;
      item.coin = IsCoin(e);
      const char* rect = e->Attribute("rect");
      if (item.name.IsEmpty() || item.picture.IsEmpty() || !ReadRect(rect, &item.rect)) {
        TraceOut("MainGame: item \"%s\" skipped: it needs a name, a picture and a rect x,y,w,h (got \"%s\")",
                 item.name.c_str(), rect ? rect : "");
        continue;
      }
      if (!names.insert(item.name.str()).second) {
        TraceOut("MainGame: item \"%s\" skipped: the name is used twice", item.name.c_str());
        continue;
      }
      data.items.push_back(std::move(item));
    }
    if (tooMany) break;
  }
  if (tooMany) TraceOut("MainGame: only the first %zu items are used", kMaxLevelItems);
  if (data.items.empty()) return fail("no item to find");

  int count = int(data.items.size());
  int allNum = 0;
  const TiXmlElement* list = root->FirstChildElement("List");
  if (!list || list->QueryIntAttribute("allnum", &allNum) != TIXML_SUCCESS || allNum <= 0) allNum = count;
  if (allNum > count) {
    TraceOut("MainGame: List allnum %d is more than the %d items; all are to be found", allNum, count);
    allNum = count;
  }
  data.toFind = allNum;

  for (const TiXmlElement* e = root->FirstChildElement("Emitter"); e; e = e->NextSiblingElement("Emitter")) {
    if (data.emitters.size() >= kMaxLevelEmitters) break;
    LevelEmitter emitter;
    emitter.name = Attr(e, "name");
    int layer = 0;
    if (e->QueryIntAttribute("layer", &layer) == TIXML_SUCCESS) emitter.layer = layer == 1 ? 1 : 0;
    if (emitter.name.IsEmpty() || !ReadCoordinate(e, "x", &emitter.x) || !ReadCoordinate(e, "y", &emitter.y)) {
      TraceOut("MainGame: emitter \"%s\" skipped: it needs a name, x and y", emitter.name.c_str());
      continue;
    }
    data.emitters.push_back(std::move(emitter));
  }
  *out = std::move(data);
  return true;
}

bool LoadLevelData(const TString& name, LevelData* out) {
  TString file = TString("levels/") + name + ".xml";
  auto fail = [&file](const TString& why) {
    TraceOut("MainGame: level %s: %s", file.c_str(), why.c_str());
    return false;
  };
  if (name.IsEmpty()) return fail("the location has no file name");
  if (std::strstr(name.c_str(), "..") || name.c_str()[0] == '/' || std::strchr(name.c_str(), '\\'))
    return fail("the name is not a plain asset name");
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(file, bytes, kMaxLevelFileBytes)) return fail("the file is missing, unreadable or too large");
  auto doc = std::make_unique<TiXmlDocument>();
  if (!ParseXmlDocument(*doc, std::string(bytes.begin(), bytes.end()), file)) return fail("the file is damaged");
  TString why;
  LevelData data;
  if (!ReadLevelDocument(*doc, &data, &why)) return fail(why);
  data.document = std::move(doc);
  *out = std::move(data);
  return true;
}
