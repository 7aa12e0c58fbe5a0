// game/shell/widgets: the widgets and effects the game screens share, and their helpers.
// Readers of the small texts game screens take from their styles: lists of
// integers ("x,y,w,h", "r,g,b,a") and the float lists of positions. Each
// reader checks the count and the numbers and says whether the text was
// whole; callers keep their defaults otherwise. Depends on platform/.
#pragma once
#include <string>

#include "platform/color.h"
#include "platform/geometry.h"

// Exactly `count` decimal integers separated by commas (blanks around them
// allowed), each within +-1000000. False (out unchanged) otherwise.
bool ParseIntList(const std::string& text, int* out, int count);
// Exactly `count` numbers separated by commas; finite, within +-1000000.
bool ParseFloatList(const std::string& text, float* out, int count);
// "x,y,w,h" as the rectangle (x, y, x + w, y + h); w and h must not be negative.
bool ParseRectText(const std::string& text, TRect* out);
// "r,g,b,a" in 0..255 (values outside are clamped), each divided by 255.
bool ParseColorText(const std::string& text, TFloatColor* out);
