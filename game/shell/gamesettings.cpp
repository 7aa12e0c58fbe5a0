#include "game/shell/gamesettings.h"

#include <tinyxml.h>

#include <string>
#include <vector>

#include "platform/readfile.h"
#include "platform/xml.h"

void LoadXmlFile(TiXmlDocument& doc, const TString& name) {
  doc.Clear();
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(name, bytes)) return;
  ParseXmlDocument(doc, std::string(bytes.begin(), bytes.end()), name);
}

TiXmlDocument& GetMainXml() {
  static TiXmlDocument doc;
  return doc;
}

TiXmlDocument& GetInfosXml() {
  static TiXmlDocument doc;
  return doc;
}

namespace {
const TiXmlElement* Section(const TiXmlDocument& doc, const char* section) {
  const TiXmlElement* root = doc.RootElement();
  return root ? root->FirstChildElement(section) : nullptr;
}
}  // namespace

bool ReadXmlInt(const TiXmlDocument& doc, const char* section, const char* attribute, int* out,
                const int* defaultValue) {
  const TiXmlElement* e = Section(doc, section);
  int value = 0;
  if (e && e->QueryIntAttribute(attribute, &value) == TIXML_SUCCESS) {
    *out = value;
    return true;
  }
  if (defaultValue) *out = *defaultValue;
  return false;
}

bool ReadXmlFloat(const TiXmlDocument& doc, const char* section, const char* attribute, float* out,
                  const float* defaultValue) {
  const TiXmlElement* e = Section(doc, section);
  float value = 0;
  if (e && e->QueryFloatAttribute(attribute, &value) == TIXML_SUCCESS) {
    *out = value;
    return true;
  }
  if (defaultValue) *out = *defaultValue;
  return false;
}
