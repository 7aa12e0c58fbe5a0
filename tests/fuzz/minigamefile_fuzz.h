// Shared start of the mini-game fuzz targets: the bytes parsed as XML and
// handed to the game's file reader with the root and its "Common" element.
// A refusal must say why. True when the reader took the file.
#pragma once
#include <tinyxml.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/log.h"
#include "platform/string.h"
#include "platform/xml.h"

template <class Data>
bool ReadFuzzedMiniGameFile(const uint8_t* data, size_t size,
                            bool (*read)(const TiXmlElement*, const TiXmlElement*, Data*, TString*), Data* file) {
  static TLogCapture quiet;
  quiet.Clear();
  if (size == 0) return false;
  std::string text(reinterpret_cast<const char*>(data), size);
  TiXmlDocument doc;
  if (!ParseXmlDocument(doc, text, "fuzz")) return false;
  const TiXmlElement* root = doc.RootElement();
  const TiXmlElement* common = root ? root->FirstChildElement("Common") : nullptr;
  if (!common) return false;
  TString why;
  if (read(root, common, file, &why)) return true;
  if (why.IsEmpty()) std::abort();
  return false;
}
