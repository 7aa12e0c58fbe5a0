// render/text: vector fonts, their rasteriser, text layout and text sprites.
// The font cache: vector fonts by name, the built-in font, and the fallback
// chain the text layout relies on. Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/string.h"

class TMiniVecFont;

// The font named `name`, loaded on first use and cached:
//  - "__DEFAULT" is a copy of the built-in font;
//  - otherwise the file (with ".mvec" added when the name has no extension),
//    then "fonts/default.mvec", then the built-in font.
// Never null for "fonts/default.mvec" or "__DEFAULT" (nor, in practice, any name).
TMiniVecFont* GetFont(const TString& name);
// Frees every cached font (and the glyph cache that refers to them).
void ClearFontCache();

// The built-in font's bytes (a complete ".mvec" image compiled into the program).
const uint8_t* GetBuiltinFontData();
size_t GetBuiltinFontSize();
