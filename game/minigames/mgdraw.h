// Small drawing helpers shared by the mini-game windows: a picture's size
// (0 for none), a picture drawn by its top-left corner, the mouse cursor,
// and a caption in a file's text style.
#pragma once
#include <boost/shared_ptr.hpp>

#include "platform/geometry.h"
#include "platform/string.h"

class TTexture;
class TTextSprite;
struct MGTextStyle;

namespace mgdraw {

int Width(const boost::shared_ptr<TTexture>& t);
int Height(const boost::shared_ptr<TTexture>& t);
inline TPoint Size(const boost::shared_ptr<TTexture>& t) { return TPoint(Width(t), Height(t)); }
// The picture at its own size with its top-left texel at (x, y); nothing without one.
void DrawTopLeft(const boost::shared_ptr<TTexture>& t, float x, float y);
inline void DrawTopLeft(const boost::shared_ptr<TTexture>& t, const TVec2& at) { DrawTopLeft(t, at.x, at.y); }
// The picture `name` becomes the mouse cursor (hot spot 1, 1); an empty name changes nothing.
void SetCursorPicture(const TString& name);
// A text sprite of the style's box (at least 1 x 1), font and colour, showing `text`.
boost::shared_ptr<TTextSprite> Caption(const MGTextStyle& style, const TString& text);

}  // namespace mgdraw
