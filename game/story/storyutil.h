// Small helpers shared by the comic viewers, the splash, the credits and the
// information pop-ups: readers for the number lists of their XML files
// ("x,y", "x,y,w,h", "r,g,b,a" on 0..255), the animation rate of main.xml,
// the guarded drawing of a label's text block, and the platform services
// they ask for (play time, cursor, opening an address, quitting).
// Depends on platform/, render/, ui/ and the shell's game data.
#pragma once
#include <cstdint>

#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/string.h"

class TText;
class TiXmlElement;

namespace story {

// Numbers read from the XML files stay within +-kCoordinateLimit, so that
// rectangles made of them cannot overflow.
constexpr int kCoordinateLimit = 1 << 20;
// The animation step of main.xml's "animrate" stays within these bounds (ms).
constexpr int kMinAnimRate = 1;
constexpr int kMaxAnimRate = 1000;

// `count` numbers separated by commas (blanks allowed around them). True only
// when all of them are there and finite; then `out` holds them, each clamped
// to +-kCoordinateLimit. On false `out` is left as it was.
bool ReadInts(const char* text, int* out, int count);
bool ReadFloats(const char* text, float* out, int count);
// An attribute as a whole integer or float (clamped as above); the default
// when it is absent or unreadable.
int AttrInt(const TiXmlElement* e, const char* name, int defaultValue);
float AttrFloat(const TiXmlElement* e, const char* name, float defaultValue);
// "x,y,w,h" as left = x, top = y, right = x + w, bottom = y + h; false (the
// rectangle untouched) unless four numbers are there. Negative sizes are 0.
bool ReadRectXYWH(const char* text, TRect* out);
// "r,g,b,a" on 0..255, each divided by 255 (values outside 0..255 are
// clamped); false (the colour untouched) unless four numbers are there.
bool ReadColor255(const char* text, TFloatColor* out);
// An alignment value of the files (0, 1 or 2); anything else counts as 0.
int ReadAlign(const TiXmlElement* e, const char* name);

// main.xml "Common" "animrate" in milliseconds (16 when absent), kept within
// kMinAnimRate..kMaxAnimRate.
int ReadAnimRate();

// The label's text block at the rectangle's top-left, within the rectangle's
// height, at scale 1 and alpha 1. Nothing when the label has no text block
// (a label made for an empty area has none).
void DrawLabel(TText* label, const TRect& rect);

// --- Platform services (each does nothing, logged, without a platform) ---
// Play time in milliseconds (the manual or process clock without a platform).
uint32_t PlayTime();
// The picture as the mouse cursor, hot spot (1, 1).
void SetCursorPicture(const TString& name);
// Opens a link of the data through TPlatform::OpenUrl, which takes web and
// mail addresses and the game's own documents only.
void OpenLink(const TString& link);

}  // namespace story
