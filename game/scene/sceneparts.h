// Small fields of the play screen that other game libraries use as well:
// the timed fade record MessageRecord (the scene's penalty veil, the
// tutorial's full-screen shadow) and the XML helper GetXmlChildAttribute.
// Depends on platform/, render/ and TinyXML.
#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "platform/string.h"

class TTexture;
class TiXmlNode;

// The attribute `attr` of the first child element `child` of `node`; for a
// document, of the root element's first child of that name (main.xml
// sections: GetXmlChildAttribute(GetMainXml(), "MiniGame", "buttrestart", s)).
// 1 when both exist and `out` was set, else 0 and `out` untouched.
int GetXmlChildAttribute(const TiXmlNode* node, const char* child, const char* attr, std::string& out);
int GetXmlChildAttribute(const TiXmlNode& node, const char* child, const char* attr, std::string& out);

// A value that fades from 0 to `max` (Show) or from `max` to 0 (Hide) over
// `duration` seconds, stepped by its owner with the frame time. The owner
// draws with `value` (an alpha) while `visible`.
struct MessageRecord {
  MessageRecord();
  ~MessageRecord();

  // "picture;x,y,w,h;time;max": the picture, a rectangle (read and not
  // kept), the fade time and the largest value. False (logged, nothing
  // changed) unless all four fields are there and read as numbers.
  bool Parse(const TString& text);
  // Stores the name; unless already fading in, starts the fade-in from 0.
  void Show(const TString& name);
  // Empties a name "penalty"; unless already fading out, starts the fade-out
  // from `max`.
  void Hide();
  // Advances the fade; false (and nothing else) while not active. At the end
  // of the fade: inactive, invisible after a fade-out, time = duration,
  // value exactly `max` or 0, and true.
  bool Step(float dt);

  float duration = 0;
  float time = 0;
  float value = 0;
  float max = 0;
  boost::shared_ptr<TTexture> texture;
  bool active = false;
  bool fadingIn = false;
  bool fadingOut = false;
  bool visible = false;
  TString name;
};
