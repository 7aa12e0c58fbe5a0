// Reading a tutorial: the box style from main.xml "Tutorial" and the screens
// of a "TutorScripts" element (docs/tutorial.md).
#include <tinyxml.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/sound.h"
#include "game/shell/widgets/gamebutton.h"
#include "game/shell/data/gamesettings.h"
#include "game/shell/widgets/gameutils.h"
#include "game/story/tutorscripts.h"
#include "platform/log.h"
#include "render/sprites/animsprite.h"
#include "render/sprites/animtexture.h"
#include "render/textures/texture.h"
#include "ui/text.h"

namespace {
// Coordinates and sizes are kept well inside int so that sums never overflow.
constexpr long long kCoordLimit = 1000000;
constexpr int kMaxTextSize = 8192;

// The leading decimal integer of the text (leading blanks, an optional
// sign, digits); `*digits` tells whether there were any. Out-of-range
// values are clamped.
long long LeadingInt(const char* text, bool* digits) {
  *digits = false;
  if (!text) return 0;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  long long v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    *digits = true;
    if (v < 1000000000000LL) v = v * 10 + (*p - '0');
  }
  return negative ? -v : v;
}

int ClampInt(long long v, long long limit) { return int(std::max(-limit, std::min(limit, v))); }

// "int": absent 0, else the leading integer (0 without digits).
int ReadInt(const TiXmlElement* e, const char* name, int absent = 0) {
  const char* value = e ? e->Attribute(name) : nullptr;
  if (!value) return absent;
  bool digits = false;
  return ClampInt(LeadingInt(value, &digits), 2147483647LL);
}

// "flag1": true only for a value that reads as the integer 1.
bool ReadFlag1(const TiXmlElement* e, const char* name) {
  const char* value = e ? e->Attribute(name) : nullptr;
  bool digits = false;
  long long v = LeadingInt(value, &digits);
  return value && digits && v == 1;
}

// "text": the attribute as it stands.
TString ReadText(const TiXmlElement* e, const char* name) {
  const char* value = e ? e->Attribute(name) : nullptr;
  return value ? TString(value) : TString();
}

// "list": split at ";", trimmed, empty pieces dropped.
std::vector<TString> ReadList(const TiXmlElement* e, const char* name) {
  std::vector<TString> out;
  const char* value = e ? e->Attribute(name) : nullptr;
  if (!value) return out;
  std::vector<std::string> pieces;
  SplitString(value, ';', pieces);
  for (const std::string& piece : pieces) out.push_back(TString(piece));
  return out;
}

// "floats": up to `count` values scanned with the format; values that do
// not scan (or are not finite) keep what `out` held. The number scanned.
int ReadFloats(const TiXmlElement* e, const char* name, const char* format, float* out, int count) {
  const char* value = e ? e->Attribute(name) : nullptr;
  if (!value) return 0;
  float v[4] = {0, 0, 0, 0};
  int n = std::sscanf(value, format, &v[0], &v[1], &v[2], &v[3]);
  if (n < 0) n = 0;
  n = std::min(n, count);
  int good = 0;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i])) break;
    out[i] = std::max(-float(kCoordLimit), std::min(float(kCoordLimit), v[i]));
    ++good;
  }
  return good;
}

int Piece(const TString& piece) {
  bool digits = false;
  return ClampInt(LeadingInt(piece.c_str(), &digits), kCoordLimit);
}

// A rectangle written as pieces: "x;y;w;h", or "x;y;picture" with the
// picture's size. False for any other count (`*picture` gets the name of a
// three-piece value).
bool PiecesToRect(const std::vector<TString>& pieces, TRect* rect, TString* picture) {
  if (pieces.size() == 4) {
    int x = Piece(pieces[0]), y = Piece(pieces[1]);
    *rect = TRect(x, y, x + Piece(pieces[2]), y + Piece(pieces[3]));
    return true;
  }
  if (pieces.size() == 3) {
    int x = Piece(pieces[0]), y = Piece(pieces[1]);
    int w = 0, h = 0;
    if (TTextureRef t = TTexture::Get(pieces[2])) {
      w = int(std::min<uint32_t>(t->GetWidth(), kCoordLimit));
      h = int(std::min<uint32_t>(t->GetHeight(), kCoordLimit));
    }
    *rect = TRect(x, y, x + w, y + h);
    if (picture) *picture = pieces[2];
    return true;
  }
  return false;
}

boost::shared_ptr<TAnimatedSprite> MakePointer(const TString& name) {
  if (name.IsEmpty()) return boost::shared_ptr<TAnimatedSprite>();
  boost::shared_ptr<TAnimatedSprite> sprite = TAnimatedSprite::Create();
  sprite->GetDrawParams().flags = TDrawParams::kAnchorAtCenter;
  if (boost::shared_ptr<TAnimatedTexture> anim = TAnimatedTexture::Get(name)) sprite->SetTexture(anim);
  sprite->Play("DoAnim");
  return sprite;
}

int gVoice = 0;
}  // namespace

TutorScripts_t::TutorScripts_t() {
  int zero = 0;
  ReadXmlInt(GetMainXml(), "Common", "VO", &gVoice, &zero);
}

TutorScripts_t::~TutorScripts_t() { StopItemSound(); }

bool TutorScripts_t::VoiceEnabled() { return gVoice == 1; }

void TutorScripts_t::Load(TWindow* owner, const TiXmlElement* element) {
  StopItemSound();
  owner_ = owner;
  screens_.clear();
  closeButton_.reset();
  nextButton_.reset();
  textWindow_.reset();
  pointer_.reset();
  leftPointer_.reset();
  background_.reset();
  itemPicture_.reset();
  shadow_ = MessageRecord();
  boxPos_ = TVec2();
  textRect_ = TRect();
  boxUp_ = false;
  boxOffset_ = 0;
  currentScreen_ = 0;
  currentItem_ = -1;

  const TiXmlElement* root = GetMainXml().RootElement();
  const TiXmlElement* style = root ? root->FirstChildElement("Tutorial") : nullptr;
  if (!style) return;
  ReadStyle(style);
  ReadScreens(element);
  Reset();
}

void TutorScripts_t::ReadStyle(const TiXmlElement* style) {
  float pos[2] = {0, 0};
  ReadFloats(style, "pos", "%f,%f", pos, 2);
  boxPos_ = TVec2(pos[0], pos[1]);
  TString back = ReadText(style, "back");
  if (!back.IsEmpty()) background_ = TTexture::Get(back);

  TString close = ReadText(style, "buttclose");
  if (!close.IsEmpty()) closeButton_.reset(CreateButtonFromStyle(close.c_str(), owner_));
  TString next = ReadText(style, "buttnext");
  if (!next.IsEmpty()) nextButton_.reset(CreateButtonFromStyle(next.c_str(), owner_));

  // The shadow needs all four pieces; without them it stays unset and
  // nothing is drawn for it.
  TString shadow = ReadText(style, "shadow");
  if (shadow.IsEmpty()) TraceOut("Tutorial: no \"shadow\" in the style; the tutorial has no shadow");
  else if (!shadow_.Parse(shadow)) shadow_ = MessageRecord();

  pointer_ = MakePointer(ReadText(style, "pointer"));
  leftPointer_ = MakePointer(ReadText(style, "left_pointer"));

  fontName_ = ReadText(style, "font");
  fontHeight_ = ReadInt(style, "fh");

  float colour[4] = {0, 0, 0, 255};
  if (ReadFloats(style, "color", "%f, %f, %f, %f", colour, 4) != 4)
    TraceOut("Tutorial: \"color\" needs four values 0-255; the text is drawn opaque black");
  textColor_ = TFloatColor(colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f, colour[3] / 255.0f);

  float rect[4] = {0, 0, 0, 0};
  if (ReadFloats(style, "rect", "%f, %f, %f, %f", rect, 4) != 4) {
    // Without a text area the text fills the box background.
    rect[0] = boxPos_.x;
    rect[1] = boxPos_.y;
    rect[2] = background_ ? float(background_->GetWidth()) : 0.0f;
    rect[3] = background_ ? float(background_->GetHeight()) : 0.0f;
    TraceOut("Tutorial: \"rect\" needs four values; the text uses the box background's area");
  }
  int x = int(rect[0]), y = int(rect[1]);
  textWidth_ = std::max(0, std::min(kMaxTextSize, int(rect[2])));
  textHeight_ = std::max(0, std::min(kMaxTextSize, int(rect[3])));
  textRect_ = TRect(x, y, x + textWidth_, y + textHeight_);
  // The two values are added as they stand: yAlign 1 centres horizontally;
  // vertical alignment takes 4 (centre) or 8 (bottom).
  textAlign_ = ReadInt(style, "xAlign") + ReadInt(style, "yAlign");

  textWindow_.reset(new TText(false));
  int size = fontHeight_ > 0 ? std::min(fontHeight_, TText::kMaxFontSize) : TText::kZeroFontSize;
  if (!textWindow_->CreateText(TString(), textWidth_, textHeight_, textAlign_, fontName_, size, textColor_))
    TraceOut("Tutorial: the text area is empty; the box shows no text");
}

void TutorScripts_t::ReadScreens(const TiXmlElement* element) {
  const TiXmlElement* scripts = element ? element->FirstChildElement("TutorScripts") : nullptr;
  if (!scripts) return;
  bool voice = VoiceEnabled();
  for (const TiXmlElement* s = scripts->FirstChildElement("TutorScript"); s; s = s->NextSiblingElement("TutorScript")) {
    TutorScreen_t screen;
    screen.playTime = float(ReadInt(s, "play_time"));
    screen.timeLeft = screen.playTime;
    screen.screenNum = ReadInt(s, "screen_num");
    screen.id = ReadInt(s, "id");
    screen.useOnlyNext = ReadFlag1(s, "use_only_next");
    screen.doInEnd = ReadList(s, "do_in_end");
    screen.doInStart = ReadList(s, "do_in_start");
    screen.needFind = ReadList(s, "need_find");
    screen.needRestart = ReadFlag1(s, "need_restart");
    screen.state = screen.id != 0 ? kDone : kWaiting;

    for (const TiXmlElement* it = s->FirstChildElement("Item"); it; it = it->NextSiblingElement("Item")) {
      TutorItem_t item;
      item.needShadow = ReadInt(it, "need_shadow", 1) != 0;
      item.doInStart = ReadList(it, "do_in_start");
      if (const TiXmlElement* text = it->FirstChildElement("text")) {
        TString name = ReadText(text, "name");
        if (!name.IsEmpty()) item.text = GetLocalizedText(name.str());
        TString sound = ReadText(text, "sound");
        if (voice && !sound.IsEmpty()) item.voice = TSound::Get(sound, true, 1000);
      }
      if (const TiXmlElement* image = it->FirstChildElement("image")) {
        item.pictName = ReadText(image, "name");
        float pos[2] = {0, 0};
        ReadFloats(image, "pos", "%f,%f", pos, 2);
        item.pointerPos = TVec2(pos[0], pos[1]);
        std::vector<TString> pieces = ReadList(image, "click_rect");
        if (pieces.size() == 1) {
          item.isObject = true;
          item.objectName = pieces[0];
        } else {
          PiecesToRect(pieces, &item.clickRect, &item.clickPictName);
        }
      }
      if (const TiXmlElement* allowed = it->FirstChildElement("AllowedRects")) {
        for (const TiXmlElement* r = allowed->FirstChildElement("AllowedRect"); r;
             r = r->NextSiblingElement("AllowedRect")) {
          TRect rect;
          if (PiecesToRect(ReadList(r, "rec"), &rect, nullptr)) item.allowedRects.push_back(rect);
        }
      }
      if (const TiXmlElement* event = it->FirstChildElement("Event")) item.eventName = ReadText(event, "evt_id");
      screen.items.push_back(item);
    }
    screens_.push_back(screen);
  }
}
