#include "game/minigames/mgresources.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "platform/log.h"
#include "render/textures/texture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kLargestFontHeight = 512;
constexpr int kLargestTextBox = 4096;
constexpr int kLongestWinCounter = 3600;

// The pictures of the shared part: an empty name loads nothing.
boost::shared_ptr<TTexture> Picture(const TString& name) {
  return name.IsEmpty() ? boost::shared_ptr<TTexture>() : LoadTextureWithAlpha(name);
}

}  // namespace

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Numbers separated by commas, read one after the other as "%f, %f" (or
// "%d, %d") reads them: each number may have blanks before it, and the
// comma must follow the number at once unless `blanksBeforeComma`.
// `readOne` reads one number at p into out[i]; false when none is there.
template <class ReadOne>
int ReadSeparated(const char* text, int count, bool blanksBeforeComma, ReadOne readOne) {
  if (!text) return 0;
  const char* p = text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) {
      if (blanksBeforeComma)
        while (IsBlank(*p)) ++p;
      if (*p != ',') return i;
      ++p;
    }
    if (!readOne(i, &p)) return i;
  }
  return count;
}

int ReadFloats(const char* text, float* out, int count, bool blanksBeforeComma) {
  return ReadSeparated(text, count, blanksBeforeComma, [out](int i, const char** p) {
    char* end = nullptr;
    const double v = std::strtod(*p, &end);
    if (end == *p || !std::isfinite(v)) return false;
    out[i] = float(std::max(-double(kMGLargestNumber), std::min(double(kMGLargestNumber), v)));
    *p = end;
    return true;
  });
}

bool ReadVec2(const TiXmlElement* element, const char* name, TVec2* out, bool blanksBeforeComma) {
  float v[2] = {out->x, out->y};
  const int read = element ? ReadFloats(element->Attribute(name), v, 2, blanksBeforeComma) : 0;
  *out = TVec2(v[0], v[1]);
  return read == 2;
}
}  // namespace

int ReadMGNumbers(const char* text, float* out, int count) { return ReadFloats(text, out, count, false); }

int ReadMGLooseNumbers(const char* text, float* out, int count) { return ReadFloats(text, out, count, true); }

int ReadMGInts(const char* text, int* out, int count) {
  return ReadSeparated(text, count, false, [out](int i, const char** p) {
    char* end = nullptr;
    const long v = std::strtol(*p, &end, 10);
    if (end == *p) return false;
    out[i] = int(std::max(-long(kMGLargestNumber), std::min(long(kMGLargestNumber), v)));
    *p = end;
    return true;
  });
}

bool ReadMGVec2(const TiXmlElement* element, const char* name, TVec2* out) {
  return ReadVec2(element, name, out, false);
}

bool ReadMGLooseVec2(const TiXmlElement* element, const char* name, TVec2* out) {
  return ReadVec2(element, name, out, true);
}

bool ReadMGInt(const TiXmlElement* element, const char* name, int* out, int lo, int hi) {
  const char* text = element ? element->Attribute(name) : nullptr;
  bool read = false;
  if (text) {
    // The leading whole number counts, whatever follows it ("3.5" is 3).
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end != text) {
      *out = int(std::max(long(lo), std::min(long(hi), v)));
      read = true;
    }
  }
  *out = std::max(lo, std::min(hi, *out));
  return read;
}

TString ReadMGText(const TiXmlElement* element, const char* name) {
  const char* text = element ? element->Attribute(name) : nullptr;
  return text ? TString(text) : TString();
}

MGTextStyle ReadMGTextStyle(const TiXmlElement* text) {
  MGTextStyle style;
  if (!text) return style;
  style.font = ReadMGText(text, "font");
  ReadMGInt(text, "fh", &style.fh, 1, kLargestFontHeight);
  float colour[4] = {0, 0, 0, 0};
  ReadMGNumbers(text->Attribute("color"), colour, 4);
  for (float& c : colour) c = std::max(0.0f, std::min(255.0f, c)) / 255.0f;
  style.color = TFloatColor(colour[0], colour[1], colour[2], colour[3]);
  float rect[4] = {0, 0, 0, 0};
  ReadMGNumbers(text->Attribute("rect"), rect, 4);
  style.width = int(std::max(0.0f, std::min(float(kLargestTextBox), rect[2])));
  style.height = int(std::max(0.0f, std::min(float(kLargestTextBox), rect[3])));
  int x = 0, y = 0;
  ReadMGInt(text, "xAlign", &x, -1000, 1000);
  ReadMGInt(text, "yAlign", &y, -1000, 1000);
  const int horizontal = (x >= 1 && x <= 3) ? x - 1 : 0;
  const int vertical = (y >= 1 && y <= 3) ? 4 * (y - 1) : 0;
  style.align = horizontal + vertical;
  return style;
}

bool ReadMGCommonDocument(const TiXmlDocument& doc, MGCommonData* out, TString* why) {
  const TiXmlElement* root = doc.RootElement();
  if (!root) {
    *why = "it has no root element";
    return false;
  }
  const TiXmlElement* common = root->FirstChildElement("Common");
  if (!common) {
    *why = "it has no \"Common\" element";
    return false;
  }
  const TiXmlElement* text = root->FirstChildElement("Text");
  if (!text) {
    *why = "it has no \"Text\" element";
    return false;
  }
  out->background = ReadMGText(common, "background");
  out->pane = ReadMGText(common, "pane");
  out->mainCursor = ReadMGText(common, "mainCursor");
  out->music = ReadMGText(common, "music");
  out->ambient = ReadMGText(common, "ambient");
  ReadMGVec2(common, "preview_pos", &out->previewPos);
  out->text = ReadMGText(common, "text");
  ReadMGVec2(common, "text_pos", &out->textPos);
  int degrees = 0;
  ReadMGInt(common, "text_angle", &degrees, -3600, 3600);
  out->textAngle = float(double(degrees) / 180.0 * kPi);
  ReadMGInt(common, "win_counter", &out->winCounter, 0, kLongestWinCounter);
  out->textStyle = ReadMGTextStyle(text);
  return true;
}

bool OpenMGDocument(const TString& fileName, std::unique_ptr<TiXmlDocument>* doc, TString* why) {
  if (fileName.IsEmpty()) {
    *why = "the game names no file";
    doc->reset(new TiXmlDocument());
    return false;
  }
  *doc = LoadXmlDocument(fileName);
  if (!(*doc)->RootElement()) {
    *why = "it is missing, unreadable or has no root element";
    return false;
  }
  return true;
}

bool OpenMGGameFile(const TString& fileName, std::unique_ptr<TiXmlDocument>* doc, const TiXmlElement** root,
                    const TiXmlElement** common, TString* why) {
  if (!OpenMGDocument(fileName, doc, why)) return false;
  *root = (*doc)->RootElement();
  *common = (*root)->FirstChildElement("Common");
  if (*common) return true;
  *why = "it has no \"Common\" element";
  return false;
}

TMGResources::~TMGResources() = default;

TString TMGResources::GetFileName(int) const { return TString(); }

bool TMGResources::LoadOwn(const TiXmlElement*, const TiXmlElement*, TString*) { return true; }

bool TMGResources::Load(int variant) {
  failure_ = TString();
  const TString fileName = GetFileName(variant);
  std::unique_ptr<TiXmlDocument> doc;
  TString why;
  MGCommonData data;
  bool good = OpenMGDocument(fileName, &doc, &why) && ReadMGCommonDocument(*doc, &data, &why);
  if (good) {
    background = Picture(data.background);
    pane = Picture(data.pane);
    mainCursor = data.mainCursor;
    music = data.music;
    ambient = data.ambient;
    previewPos = data.previewPos;
    text = data.text.IsEmpty() ? TString() : GetLocalizedText(data.text.str());
    textPos = data.textPos;
    textAngle = data.textAngle;
    winCounter = data.winCounter;
    textStyle = data.textStyle;
    const TiXmlElement* root = doc->RootElement();
    good = LoadOwn(root, root->FirstChildElement("Common"), &why);
  }
  if (!good) {
    failure_ = TString::Printf("Mini-game file %s: %s", fileName.IsEmpty() ? "(none)" : fileName.c_str(), why.c_str());
    TraceOut("%s", failure_.c_str());
  }
  return good;
}
