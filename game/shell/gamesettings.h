// The game settings document "main.xml" and the info document "infos.xml",
// loaded once at start-up and read by every game screen, with the two small
// readers that take one value from a section of main.xml.
// Depends on platform/ (file layer, XML).
#pragma once
#include "platform/string.h"

class TiXmlDocument;

// Reads the whole file through the file layer and parses it into the document.
// A file that cannot be read leaves an empty document; a damaged or too deeply
// nested one leaves an empty document and a log line.
void LoadXmlFile(TiXmlDocument& doc, const TString& name);

TiXmlDocument& GetMainXml();
TiXmlDocument& GetInfosXml();

// One attribute of the root's first child element named `section`: true and
// the value in `out` when both exist and the value reads as a number;
// otherwise `out` takes the default (when one is given) and false.
bool ReadXmlInt(const TiXmlDocument& doc, const char* section, const char* attribute, int* out,
                const int* defaultValue);
bool ReadXmlFloat(const TiXmlDocument& doc, const char* section, const char* attribute, float* out,
                  const float* defaultValue);
