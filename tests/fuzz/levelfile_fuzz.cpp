// The scene's level file reader over any bytes: the XML layer, then the
// level's items, list count and decorations, whose limits are checked here.
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/scene/levelfile.h"
#include "game/scene/sceneparts.h"
#include "platform/log.h"
#include "platform/xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TLogCapture quiet;
  quiet.Clear();
  std::string text(reinterpret_cast<const char*>(data), size);
  TiXmlDocument doc;
  if (ParseXmlDocument(doc, text, "fuzz")) {
    LevelData level;
    TString why;
    if (ReadLevelDocument(doc, &level, &why)) {
      if (level.items.empty() || level.items.size() > kMaxLevelItems) std::abort();
      if (level.toFind < 1 || size_t(level.toFind) > level.items.size()) std::abort();
      if (level.emitters.size() > kMaxLevelEmitters) std::abort();
      for (const LevelItem& item : level.items)
        if (item.rect.Width() <= 0 || item.rect.Height() <= 0 || item.name.IsEmpty()) std::abort();
    } else if (why.IsEmpty()) {
      std::abort();
    }
  }
  // The same bytes as the description of a fade record.
  MessageRecord record;
  if (record.Parse(TString(text.substr(0, 256))) && !(record.duration == record.duration)) std::abort();
  return 0;
}
